#include "grid/base/dropdownparamsvz.h"

#include "grid/base/buttonsvz.h"
#include "grid/core/dynvarsvz.h"
#include "grid/base/popupformvz.h"
#include "platform/db/datasource.h"
#include "platform/gui/forms.h"

#include <vector>

TDropDownFormGlobalRefVz& DropDownFormGlobalRefVz() {
    static TDropDownFormGlobalRefVz ref;
    return ref;
}

TDropDownFormCallParamsVz::TDropDownFormCallParamsVz() : FAlign(daCenter) {}

TDropDownFormCallParamsVz::~TDropDownFormCallParamsVz() = default;

void TDropDownFormCallParamsVz::Published(TPublished<TDropDownFormCallParamsVz>& P) {
    using C = TDropDownFormCallParamsVz;
    P.Enum("Align", &C::Align, &C::SetAlign, {"daLeft", "daRight", "daCenter"}).Default(daCenter);
    P.String("AssignBackFieldNames", &C::AssignBackFieldNames, &C::SetAssignBackFieldNames);
    P.String("DropDownFormClassName", &C::DropDownFormClassName, &C::SetDropDownFormClassName);
    P.Integer("FormHeight", &C::FormHeight, &C::SetFormHeight).Default(-1);
    P.Integer("FormWidth", &C::FormWidth, &C::SetFormWidth).Default(-1);
    P.String("PassFieldNames", &C::PassFieldNames, &C::SetPassFieldNames);
    P.Enum("PassParams", &C::PassParams, &C::SetPassParams,
           {"pspByFieldNamesVz", "pspFieldValueVz", "pspRecordValuesVz", "pspCustomValuesVz"})
        .Default(pspFieldValueVz);
    P.Boolean("SaveFormSize", &C::SaveFormSize, &C::SetSaveFormSize).Default(1);
}

void TDropDownFormCallParamsVz::SetDropDownForm(TCustomForm* Value) {
    if (Value == FDropDownForm) return;
    FDropDownForm = Value;
    Changed();
}

void TDropDownFormCallParamsVz::SetDropDownFormClassName(const String& Value) {
    if (Value == FDropDownFormClassName) return;
    FDropDownFormClassName = Value;
    Changed();
}

void TDropDownFormCallParamsVz::Changed() {
    if (OnChanged) OnChanged(this);
}

TDataSet* TDropDownFormCallParamsVz::DataSetOfLink() {
    TDataLink* link = GetDataLink();
    return link ? link->DataSet() : nullptr;
}

void TDropDownFormCallParamsVz::GetVarValue(Variant& Value) {
    Value = Variant();
    if (FOnGetVarValueProc) {
        Value = Null();
        FOnGetVarValueProc(Value);
    }
}

void TDropDownFormCallParamsVz::SetVarValue(const Variant& Value) {
    if (FOnSetVarValueProc) FOnSetVarValueProc(Value);
}

bool TDropDownFormCallParamsVz::CheckDataIsReadOnly() {
    TField* f = GetField();
    bool readOnly = f && f->ReadOnly();
    if (OnCheckDataIsReadOnly) OnCheckDataIsReadOnly(readOnly);
    return readOnly;
}

void TDropDownFormCallParamsVz::GetEditControlScreenRect(TRect& Rect) {
    TWinControl* c = GetEditControl();
    if (!c) {
        Rect = FEditControlScreenRect;
        return;
    }
    TPoint p(c->Left(), c->Top());
    if (c->Parent()) p = c->Parent()->ClientToScreen(p);
    Rect = TRect(p.X, p.Y, p.X + c->Width(), p.Y + c->Height());
}

TDropDownFormSysParams* TDropDownFormCallParamsVz::CreateSysParams() {
    return New<TEditControlDropDownFormSysParams>();
}

void TDropDownFormCallParamsVz::FillSysParams(TDropDownFormSysParams* SysParams) {
    if (auto* p = dynamic_cast<TEditControlDropDownFormSysParams*>(SysParams)) {
        p->FEditControl = GetEditControl();
        p->FEditButton = GetEditButton();
    }
}

TCustomForm* TDropDownFormCallParamsVz::GetActualDropDownForm(bool& FreeFormOnClose) {
    if (FOnGetActualDropDownFormProc) {
        TCustomForm* form = nullptr;
        FOnGetActualDropDownFormProc(form, FreeFormOnClose);
        return form;
    }
    FreeFormOnClose = false;
    if (FDropDownForm) return FDropDownForm;
    if (FDropDownFormClassName.isEmpty()) return nullptr;
    TClass cls = GetClass(FDropDownFormClassName);
    if (!cls) throw Exception(QStringLiteral("Class '") + FDropDownFormClassName + QStringLiteral("' is not registered"));
    auto& globalRef = DropDownFormGlobalRefVz();
    TCustomForm* form = globalRef ? globalRef(cls) : nullptr;
    if (!form) {
        form = dynamic_cast<TCustomForm*>(cls->CreateComponent(GetEditControl()));
        if (!(globalRef && globalRef(cls))) FreeFormOnClose = true;
    }
    return form;
}

void TDropDownFormCallParamsVz::FillPassParams(TDynVarsVz* DynParams) {
    TDataSet* ds = DataSetOfLink();
    if (!FPassFieldNames.isEmpty() && ds) {
        std::vector<TField*> fields;
        ds->GetFieldList(fields, FPassFieldNames);
        for (TField* f : fields) DynParams->CreateDynVar(f->FieldName(), f->AsVariant());
        return;
    }
    switch (FPassParams) {
    case pspFieldValueVz: {
        Variant v;
        GetVarValue(v);
        TField* f = GetField();
        DynParams->CreateDynVar(f ? f->FieldName() : String(), v);
        break;
    }
    case pspRecordValuesVz:
        if (ds)
            for (int i = 0; i < ds->FieldCount(); ++i) {
                TField* f = ds->Fields()->Fields(i);
                DynParams->CreateDynVar(f->FieldName(), f->AsVariant());
            }
        break;
    default: break;
    }
}

void TDropDownFormCallParamsVz::AssignBackParams(TDynVarsVz* DynParams) {
    if ((FPassParams == pspByFieldNamesVz || FPassParams == pspCustomValuesVz) && FAssignBackFieldNames.isEmpty())
        return;
    TDataSet* ds = DataSetOfLink();
    bool startedEdit = false;
    if (ds && ds->State() != dsEdit && ds->State() != dsInsert) {
        ds->Edit();
        startedEdit = true;
    }
    try {
        if (!FAssignBackFieldNames.isEmpty()) {
            if (ds) {
                std::vector<TField*> fields;
                ds->GetFieldList(fields, FAssignBackFieldNames);
                for (TField* f : fields)
                    if (TDynVarVz* v = DynParams->FindDynVar(f->FieldName())) f->SetAsVariant(v->Value());
            }
        } else if (DynParams->Count() > 0) {
            SetVarValue(DynParams->GetItem(0)->Value());
        }
        if (startedEdit) ds->Post();
    } catch (...) {
        if (startedEdit && (ds->State() == dsEdit || ds->State() == dsInsert)) ds->Cancel();
        throw;
    }
}

void TDropDownFormCallParamsVz::DoOpenDropDownForm(TCustomForm*& Form, TDynVarsVz* DynParams,
                                                   TDropDownFormSysParams*) {
    if (FOnOpenDropDownFormProc) FOnOpenDropDownFormProc(GetEditControl(), GetEditButton(), Form, DynParams);
}

void TDropDownFormCallParamsVz::PrepareDropDownForm(TCustomForm* Form, TDynVarsVz*, TDropDownFormSysParams*) {
    if (TEditButtonControlVz* bc = GetEditButtonControl()) bc->SetAlwaysDown(true);
    if (auto* dd = dynamic_cast<IDropDownFormVz*>(Form)) dd->SetReadOnly(CheckDataIsReadOnly());
}

void TDropDownFormCallParamsVz::CheckShowDropDownForm(bool& Handled) {
    ShowDropDownForm(Handled, [this](TCustomForm* F, bool Accept, TDynVarsVz* D, TDropDownFormSysParams* S) {
        DropDownFormCallbackProc(F, Accept, D, S);
    });
}

void TDropDownFormCallParamsVz::KeepFormSize(TCustomForm* Form) {
    if (!FSaveFormSize || !Form) return;
    FFormWidth = Form->Width();
    if (FOldFormWidth > 0) Form->SetWidth(FOldFormWidth);
    FFormHeight = Form->Height();
    if (FOldFormHeight > 0) Form->SetHeight(FOldFormHeight);
}

void TDropDownFormCallParamsVz::ShowDropDownForm(bool& Handled, TDropDownFormCallbackProcVz CloseCallback) {
    bool freeFormOnClose = false;
    TCustomForm* form = GetActualDropDownForm(freeFormOnClose);
    TDynVarsVz* dynParams = New<TDynVarsVz>(GetEditControl());
    TDropDownFormSysParams* sysParams = nullptr;
    try {
        sysParams = CreateSysParams();
        sysParams->SetFreeFormOnClose(freeFormOnClose);
        FillSysParams(sysParams);
        FillPassParams(dynParams);
        DoOpenDropDownForm(form, dynParams, sysParams);
        auto* dd = dynamic_cast<IDropDownFormVz*>(form);
        if (!dd) {
            dynParams->Free();
            if (sysParams) sysParams->Free();
            return;
        }
        if (FSaveFormSize) {
            FOldFormWidth = form->Width();
            if (FFormWidth > 0) form->SetWidth(FFormWidth);
            FOldFormHeight = form->Height();
            if (FFormHeight > 0) form->SetHeight(FFormHeight);
        }
        PrepareDropDownForm(form, dynParams, sysParams);
        TRect r;
        GetEditControlScreenRect(r);
        // From here on the form holds the parameters until it calls back.
        TDynVarsVz* handedParams = dynParams;
        TDropDownFormSysParams* handedSys = sysParams;
        dynParams = nullptr;
        sysParams = nullptr;
        dd->ExecuteNomodal(r, nullptr, FAlign, handedParams, handedSys, std::move(CloseCallback));
        Handled = true;
    } catch (...) {
        if (dynParams) dynParams->Free();
        if (sysParams) sysParams->Free();
        throw;
    }
}

void TDropDownFormCallParamsVz::DropDownFormCallbackProc(TCustomForm* DropDownForm, bool Accept,
                                                         TDynVarsVz* DynParams, TDropDownFormSysParams* SysParams) {
    try {
        if (Accept) AssignBackParams(DynParams);
        if (DropDownForm) DropDownForm->Hide();
        KeepFormSize(DropDownForm);
        TWinControl* edit = GetEditControl();
        if (FOnCloseDropDownFormProc) FOnCloseDropDownFormProc(edit, nullptr, Accept, DropDownForm, DynParams);
        DoCloseDropDownForm(Accept, DropDownForm, DynParams, SysParams);
        if (edit) {
            // Marks for the editor that the drop-down of this button has just closed, so the click
            // that closed it does not open it again.
            TObject* button = edit;
            if (auto* s = dynamic_cast<TEditControlDropDownFormSysParams*>(SysParams); s && s->FEditButton)
                button = s->FEditButton;
            PostMessage(edit->Handle(), WM_USER, reinterpret_cast<WPARAM>(edit->Handle()),
                        reinterpret_cast<LPARAM>(button));
        }
    } catch (...) {
        auto* dd = dynamic_cast<IDropDownFormVz*>(DropDownForm);
        if (dd) dd->SetKeepFormVisible(true);
        Application->HandleException(GetEditControl());
        if (dd) dd->SetKeepFormVisible(false);
        if (DropDownForm && DropDownForm->Visible()) DropDownForm->Hide();
    }
    if (DynParams) DynParams->Free();
    if (SysParams) SysParams->Free();
}
