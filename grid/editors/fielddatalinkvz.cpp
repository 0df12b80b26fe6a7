#include "grid/editors/fielddatalinkvz.h"

#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/gui/controls.h"

#include <algorithm>

TFieldDataLinkVz::TFieldDataLinkVz() { SetVisualControl(true); }

bool TFieldDataLinkVz::Active() const { return FDataIndepended || (TDataLink::Active() && !FFields.empty()); }

bool TFieldDataLinkVz::CanModify() const {
    if (FDataIndepended) return true;
    if (FFields.empty() || ReadOnly()) return false;
    return FieldsArrayCanModifyVz(FFields);
}

bool TFieldDataLinkVz::DataSetActive() const {
    TDataSet* ds = DataSet();
    return ds && ds->Active();
}

bool TFieldDataLinkVz::IsDataIndepended() const { return !TDataLink::DataSource() && FFieldName.isEmpty(); }

void TFieldDataLinkVz::CheckDataIndepended() {
    const bool indep = IsDataIndepended();
    if (indep == FDataIndepended) return;
    FDataIndepended = indep;
    DataIndependentValue = Null();
    LayoutChanged();
    if (indep) RecordChanged(nullptr);
}

void TFieldDataLinkVz::SetDataSource(TDataSource* Value) {
    if (Value == TDataLink::DataSource()) return;
    TDataLink::SetDataSource(Value);
    CheckDataIndepended();
}

void TFieldDataLinkVz::SetFieldName(const String& Value) {
    if (FFieldName == Value) return;
    FFieldName = Value;
    UpdateFields();
    CheckDataIndepended();
}

void TFieldDataLinkVz::SetMultiFields(bool Value) {
    if (FMultiFields == Value) return;
    FMultiFields = Value;
    UpdateFields();
}

void TFieldDataLinkVz::UpdateFields() {
    TFieldsArrVz list;
    if (TDataLink::Active() && !FFieldName.isEmpty()) {
        TDataSet* ds = DataSet();
        if (FMultiFields) {
            if (FControl) {
                list = GetFieldsArrayByNamesVz(ds, FControl, FFieldName);
            } else {
                std::vector<TField*> l;
                ds->GetFieldList(l, FFieldName);
                list.assign(l.begin(), l.end());
            }
        } else if (FControl) {
            TField* f = ds->FindField(FFieldName);
            if (!f) DatabaseErrorFmt(QString::fromLatin1(DbConsts::SFieldNotFound), {FFieldName}, FControl);
            list.push_back(f);
        } else {
            list.push_back(ds->FieldByName(FFieldName));
        }
    }
    SetFields(list);
}

void TFieldDataLinkVz::SetFields(const TFieldsArrVz& Fields) {
    FFields = Fields;
    EditingChanged();
    RecordChanged(nullptr);
}

bool TFieldDataLinkVz::IsBoundField(TField* Field) const {
    return Field && std::find(FFields.begin(), FFields.end(), Field) != FFields.end();
}

void TFieldDataLinkVz::SetEditorEditing(bool Value) {
    if (FEditorEditing == Value) return;
    FEditorEditing = Value;
    FModified = false;
    if (OnEditingChange) OnEditingChange(this);
}

bool TFieldDataLinkVz::Edit() {
    if (FDataIndepended) {
        if (!FEditorEditing && !ReadOnly()) SetEditorEditing(true);
    } else if (CanModify()) {
        TDataLink::Edit();
    }
    return FEditorEditing;
}

void TFieldDataLinkVz::SetText(const String& Text) {
    if (FDataIndepended) {
        DataIndependentValue = Variant(Text);
        RecordChanged(nullptr);
        return;
    }
    TField* f = Field();
    if (!f) return;
    if (f->IsBlob())
        f->SetAsString(Text);
    else
        f->SetText(Text);
}

void TFieldDataLinkVz::SetValue(const Variant& Value) {
    if (FDataIndepended) {
        DataIndependentValue = Value;
        RecordChanged(nullptr);
        return;
    }
    if (FFields.size() > 1) {
        const bool isNull = VarEqualsVz(Value, Null());
        for (size_t i = 0; i < FFields.size(); ++i)
            FFields[i]->SetValue(isNull ? Null() : Value.GetElement(static_cast<int>(i)));
    } else if (FFields.size() == 1) {
        FFields.front()->SetValue(Value);
    }
}

void TFieldDataLinkVz::ActiveChanged() {
    UpdateFields();
    if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLinkVz::DataEvent(TDataEvent Event, NativeInt Info) {
    TDataLink::DataEvent(Event, Info);
    if (Event == deDisabledStateChange) {
        if (Info)
            UpdateFields();
        else
            FFields.clear();
    }
}

void TFieldDataLinkVz::EditingChanged() { SetEditorEditing(TDataLink::Editing() && CanModify()); }

void TFieldDataLinkVz::FocusControl(TField** Field) {
    if (!Field || !IsBoundField(*Field)) return;
    auto* w = dynamic_cast<TWinControl*>(FControl);
    if (w && w->CanFocus()) {
        *Field = nullptr;
        w->SetFocus();
    }
}

void TFieldDataLinkVz::LayoutChanged() { UpdateFields(); }

void TFieldDataLinkVz::RecordChanged(TField* Field) {
    if (Field && !IsBoundField(Field)) return;
    if (OnDataChange) OnDataChange(this);
    FModified = false;
}

void TFieldDataLinkVz::UpdateData() {
    if (FDataIndepended) {
        if (FModified && OnUpdateData) OnUpdateData(this);
        SetEditorEditing(false);
    } else {
        if (!FModified) return;
        if (!FFields.empty() && OnUpdateData) OnUpdateData(this);
    }
    FModified = false;
}

String SafeVarToStrVz(const Variant& Value) {
    if (VarIsArray(Value)) return String();
    try {
        return VarToStr(Value);
    } catch (...) {
        return String();
    }
}
