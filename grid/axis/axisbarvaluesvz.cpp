// The axis bar's values: the text a cell shows and the editor starts with, writing a value back,
// whether it may be changed, stepping to the next or previous value, check boxes and the clipboard.
#include "grid/axis/axisbardefvaluesvz.h"
#include "grid/axis/axisbarsvz.h"
#include "grid/axis/axisgridlinkvz.h"
#include "grid/base/specrowvz.h"
#include "grid/base/toolsvz.h"
#include "grid/core/valueutilsvz.h"
#include "platform/db/datasource.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/gui/clipbrd.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"

#include <cmath>

namespace {

bool IsBarNumericStepType(TFieldType T) {
    switch (T) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
    case ftSingle: return true;
    default: return false;
    }
}

bool IsBarNumericCheckType(TFieldType T) { return T != ftWord && IsBarNumericStepType(T); }

bool FieldSetsTextItself(TField* F) { return static_cast<bool>(F->OnSetText); }

// The values of a ";"-separated list, each trimmed (as field-name lists are split).
QStringList SplitKeyItem(const String& Item) {
    QStringList parts = Item.split(u';');
    for (auto& p : parts) p = p.trimmed();
    return parts;
}

}  // namespace

// ---- texts -------------------------------------------------------------------------------------

bool TAxisBarVz::TextInKeyListItem(const String& Text, const String& Item) {
    if (Text.isEmpty() && Item.isEmpty()) return true;
    if (Text.isEmpty() && Item.endsWith(u';')) return true;
    for (const String& v : SplitKeyItem(Item))
        if (!v.isEmpty() && AnsiCompareText(v, Text) == 0) return true;
    return false;
}

int TAxisBarVz::KeyListIndexOf(const String& Text) {
    if (!HasKeyListItems()) return -1;
    return FKeyList->IndexOf(Text);
}

String FormatFieldTextVz(TField* Field, const String& Format) {
    if (Format.isEmpty()) return Field->DisplayText();
    if (Field->IsNull()) return String();
    const TFieldType t = Field->DataType();
    if (IsBarNumericStepType(t) || t == ftLargeint || t == ftExtended || t == ftLongWord || t == ftShortint ||
        t == ftByte)
        return FormatFloat(Format, Field->AsFloat());
    switch (t) {
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp: return FormatDateTime(Format, Field->AsDateTime());
    default: return String();
    }
}

String TAxisBarVz::DisplayText() {
    TDataSet* ds = GridDataSet();
    if (!ds || !ds->Active()) return String();
    TAxisGridDataLinkVz* l = Link();
    if (FLookupParams->Active() && l && l->Active()) {
        if (FDropDownSpecRow->Visible() &&
            (VarEqualsVz(FLookupParams->KeyValues(), FDropDownSpecRow->Value()) ||
             (FDropDownSpecRow->ShowIfNotInKeyList() && FLookupParams->KeyValuesAreNull())))
            return FDropDownSpecRow->GetCellText(0);
        return FormatFieldValueVz(FLookupParams->GetLookupValue(), FLookupParams->LookupDisplayField(), FDisplayFormat);
    }
    TField* f = GetField();
    if (f && GetBarType() != ctKeyImageList) {
        if (HasKeyListItems()) {
            const int i = KeyListIndexOf(f->Text());
            if (i >= 0 && FPickList && i < FPickList->Count()) return FPickList->Strings(i);
            if (FPickList && FNotInKeyListIndex >= 0 && FNotInKeyListIndex < FPickList->Count())
                return FPickList->Strings(FNotInKeyListIndex);
            return String();
        }
        if (IsMemoFieldTypeVz(f->DataType()) && FGrid && FGrid->DrawMemoText()) return f->AsString();
        return FormatFieldTextVz(f, FDisplayFormat);
    }
    return String();
}

String TAxisBarVz::EditText() {
    const TAxisBarVzType t = GetBarType();
    if (t == ctKeyImageList) return String();
    if (HasKeyListItems()) return DisplayText();
    TField* f = GetField();
    if (f && IsMemoFieldTypeVz(f->DataType()) && FGrid && FGrid->DrawMemoText()) return f->AsString();
    if (t == ctLookupField) return DisplayText();
    if (f) return f->EditMask().isEmpty() ? f->Text() : FormatMaskTextVz(f->EditMask(), f->Text());
    return String();
}

Variant TAxisBarVz::EditValue() {
    if (HasKeyListItems()) return Variant(DisplayText());
    TField* f = GetField();
    if (f && IsMemoFieldTypeVz(f->DataType()) && FGrid && FGrid->DrawMemoText()) return Variant(f->AsString());
    if (GetBarType() == ctLookupField) return Variant(DisplayText());
    if (f) return f->AsVariant();
    return Variant::Null();
}

void TAxisBarVz::PrepareEditText() {
    TAxisGridDataLinkVz* l = Link();
    if (!FGrid || !l || !l->Active()) return;
    String text;
    TField* f = GetField();
    if (FLookupParams->Active() && !FLookupParams->KeyFieldNames().isEmpty()) {
        const Variant keys = FLookupParams->KeyValues();
        bool special = FDropDownSpecRow->Visible() && VarEqualsVz(keys, FDropDownSpecRow->Value());
        if (!special && FDropDownSpecRow->Visible() && FDropDownSpecRow->ShowIfNotInKeyList()) {
            TDataSet* list = FLookupParams->LookupDataSet();
            special = !f || !list || !list->Active() ||
                      !list->Locate(FLookupParams->LookupKeyFieldNames(), keys, TLocateOptions{loCaseInsensitive});
        }
        FGrid->EditKeyValue() = special ? FDropDownSpecRow->Value() : keys;
        text = DisplayText();
    } else if (f) {
        FGrid->EditKeyValue() = Variant::Null();
        if (!HasKeyListItems()) {
            if (IsMemoFieldTypeVz(f->DataType()) && FGrid->DrawMemoText()) {
                text = f->AsString();
                text.replace(u"\r\n"_S, u"\n"_S);
                text.replace(u"\n"_S, u"\r\n"_S);
            } else text = f->Text();
        } else {
            FGrid->EditKeyValue() = Variant(f->Text());
            const int i = KeyListIndexOf(f->Text());
            text = i >= 0 && FPickList && i < FPickList->Count() ? FPickList->Strings(i) : String();
        }
    }
    std::unique_ptr<TAxisColCellParamsVz> p(FGrid->CreateColCellParams());
    p->FText = text;
    p->FFont = FGrid->AxisGridCanvas() ? FGrid->AxisGridCanvas()->Font() : Font();
    GetColCellParams(true, p.get());
    FGrid->EditText() = p->FText;
}

String TAxisBarVz::GetActualEditMask() {
    TAxisGridDataLinkVz* l = Link();
    if (!l || !l->Active()) return String();
    if (!FEditMask.isEmpty()) return FEditMask;
    TField* f = GetField();
    if (f && !HasKeyListItems()) return f->EditMask();
    return String();
}

int TAxisBarVz::GetImageIndex() {
    TField* f = GetField();
    TAxisGridDataLinkVz* l = Link();
    if (!f || !l || !l->Active()) return -1;
    int r = -1;
    if (HasKeyListItems()) r = KeyListIndexOf(f->Text());
    else if (HasPickListItems()) r = FPickList->IndexOf(f->Text());
    else if (!f->IsNull()) {
        switch (f->DataType()) {
        case ftSmallint:
        case ftInteger:
        case ftWord: r = f->AsInteger(); break;
        case ftFloat:
        case ftSingle:
        case ftCurrency:
        case ftBCD:
        case ftFMTBcd: {
            const double v = f->AsFloat();
            if (v >= -2147483648.0 && v <= 2147483647.0) r = static_cast<int>(v);
            break;
        }
        default: break;
        }
    }
    return r == -1 ? FNotInKeyListIndex : r;
}

// ---- check boxes -------------------------------------------------------------------------------

TCheckBoxState TAxisBarVz::CheckboxState() {
    TField* f = GetField();
    TDataSet* ds = GridDataSet();
    if (!f || !ds || !ds->Active()) return cbUnchecked;
    if (f->DataType() == ftBoolean && !HasKeyListItems()) {
        if (f->IsNull()) return cbGrayed;
        return f->AsBoolean() ? cbChecked : cbUnchecked;
    }
    if (IsBarNumericCheckType(f->DataType()) && !HasKeyListItems()) {
        if (f->IsNull()) return cbGrayed;
        return f->AsFloat() == 1.0 ? cbChecked : cbUnchecked;
    }
    const String text = f->Text();
    if (HasKeyListItems() && TextInKeyListItem(text, FKeyList->Strings(0))) return cbChecked;
    if (FKeyList && FKeyList->Count() >= 2) return TextInKeyListItem(text, FKeyList->Strings(1)) ? cbUnchecked : cbGrayed;
    return cbGrayed;
}

void TAxisBarVz::SetCheckboxState(TCheckBoxState Value) {
    TField* f = GetField();
    if (!f) return;
    if (Value == cbGrayed) {
        UpdateDataValues(String(), Variant::Null(), false);
        return;
    }
    if (f->DataType() == ftBoolean) {
        UpdateDataValues(String(), Variant(Value == cbChecked), false);
        return;
    }
    if (IsBarNumericCheckType(f->DataType()) && !HasKeyListItems()) {
        UpdateDataValues(String(), Variant(Value == cbChecked ? 1 : 0), false);
        return;
    }
    String item;
    const int i = Value == cbChecked ? 0 : 1;
    if (FKeyList && i < FKeyList->Count()) item = FKeyList->Strings(i);
    const String first = SplitKeyItem(item).value(0);
    UpdateDataValues(first, Variant(first), true);
}

// ---- writing -----------------------------------------------------------------------------------

void TAxisBarVz::UpdateDataValues(const String& AText, const Variant& AValue, bool AUseText) {
    if (!FGrid) return;
    TAxisGridDataLinkVz* l = Link();
    const bool guard = l && !l->InUpdateData();
    if (guard) l->SetInUpdateData(true);
    try {
        String text = AText;
        Variant value = AValue;
        bool useText = AUseText;
        bool handled = false;
        if (OnUpdateData) OnUpdateData(this, text, value, useText, handled);
        TField* f = GetField();
        if (!handled && (f || FLookupParams->Active())) {
            if (!useText) {
                if (FLookupParams->Active()) GridDataSet()->SetFieldValues(FLookupParams->KeyFieldNames(), value);
                else f->SetAsVariant(value);
            } else if (f && IsMemoFieldTypeVz(f->DataType()) && FGrid->DrawMemoText()) f->SetAsString(text);
            else if (f) f->SetText(text);
            if (FMRUList->AutoAdd() && FMRUList->Active() && FGrid->InplaceEditorShowing()) FMRUList->Add(text);
        }
    } catch (...) {
        if (guard) l->SetInUpdateData(false);
        throw;
    }
    if (guard) l->SetInUpdateData(false);
}

bool TAxisBarVz::FieldValueIsModifiable(TField* F) {
    if (!F->CanModify()) return false;
    if (F->IsBlob() && !FieldSetsTextItself(F))
        return IsMemoFieldTypeVz(F->DataType()) && FGrid && FGrid->DrawMemoText();
    return true;
}

TAxisColCellParamsVz* TAxisBarVz::CheckModifyParams() {
    if (!FCheckModifyColCellParamsVz && FGrid) FCheckModifyColCellParamsVz.reset(FGrid->CreateColCellParams());
    if (!FCheckModifyColCellParamsVz) FCheckModifyColCellParamsVz = std::make_unique<TAxisColCellParamsVz>();
    return FCheckModifyColCellParamsVz.get();
}

bool TAxisBarVz::CanModify(bool TryEdit) {
    TAxisGridDataLinkVz* l = Link();
    bool r = !FGrid || (!FGrid->AxisGridReadOnly() && l && l->Active() && !l->ReadOnly());
    r = r && !ReadOnly();
    if (r) {
        TField* tested = nullptr;
        if (FLookupParams->Active()) {
            std::vector<TField*> keys = FLookupParams->KeyFields();
            if (keys.empty()) r = false;
            for (TField* k : keys)
                if (!k->CanModify()) r = false;
            if (r) tested = keys.front();
        } else tested = GetField();
        if (!tested) r = false;
        if (r) r = FieldValueIsModifiable(tested) && (!FGrid || FGrid->OperationsAllowEdit());
    }
    TAxisColCellParamsVz* p = CheckModifyParams();
    FillColCellParams(p);
    p->FReadOnly = !r;
    GetColCellParams(true, p);
    r = !p->FReadOnly;
    if (TryEdit && r && l) {
        l->Edit();
        r = l->Editing();
        if (r) l->SetModified();
    }
    return r;
}

bool TAxisBarVz::CanEditAcceptKey(Char Key) {
    TField* f = GetField();
    if (!f) return static_cast<bool>(OnUpdateData);
    if (HasKeyListItems()) return true;
    return f->IsValidChar(Key);
}

String TAxisBarVz::GetAcceptableEditText(const String& InputEditText) {
    String r;
    for (QChar c : InputEditText)
        if (CanEditAcceptKey(c)) r += c;
    return r;
}

bool TAxisBarVz::CanEditCell() {
    TAxisGridDataLinkVz* l = Link();
    if (!FVisible || ReadOnly() || !l || !l->Active()) return false;
    if (FLookupParams->Active()) return true;
    TField* f = GetField();
    if (!f || f->FieldKind() == fkCalculated || f->ReadOnly()) return false;
    if (f->FieldKind() == fkLookup) {
        TDataSet* ds = f->DataSet();
        if (!ds) return false;
        std::vector<TField*> keys;
        ds->GetFieldList(keys, f->KeyFields());
        bool allReadOnly = true;
        for (TField* k : keys)
            if (!k->ReadOnly()) allReadOnly = false;
        return !allReadOnly;
    }
    return true;
}

void TAxisBarVz::CheckDataIsReadOnly(bool& IsReadOnly) {
    IsReadOnly = !CanModify(false);
    if (IsReadOnly) return;
    TAxisGridDataLinkVz* l = Link();
    if (l && !l->Editing() && l->DataSource() && !l->DataSource()->AutoEdit()) IsReadOnly = true;
}

// ---- stepping ----------------------------------------------------------------------------------

void TAxisBarVz::SetNextFieldValue(Extended AIncrement) {
    const bool next = AIncrement == 1.0L;
    TAxisGridDataLinkVz* l = Link();
    if (FGrid && (FGrid->AxisGridReadOnly() || !l || !l->Active() || l->ReadOnly())) return;
    if (ReadOnly()) return;
    TField* f = GetField();
    if (!f) return;
    TField* tested = f;
    TDataSet* ds = GridDataSet();
    if (f->FieldKind() == fkLookup) {
        if (f->KeyFields().isEmpty() || !ds) return;
        std::vector<TField*> keys;
        ds->GetFieldList(keys, f->KeyFields());
        if (keys.empty()) return;
        for (TField* k : keys)
            if (!k->CanModify()) return;
        tested = keys.front();
    }
    if (!tested->CanModify() || (tested->IsBlob() && !FieldSetsTextItself(tested))) return;
    if (FGrid && !FGrid->OperationsAllowEdit()) return;
    TAxisColCellParamsVz* p = CheckModifyParams();
    p->FReadOnly = !CanModify(false);
    GetColCellParams(true, p);
    if (p->FReadOnly) return;
    if (!l) return;
    const bool wasEditing = ds && dsEditModes.Contains(ds->State());
    l->Edit();
    if (!l->Editing()) return;
    l->SetModified();

    const String current = FGrid && FGrid->InplaceEditorShowing() ? FGrid->InplaceEditorText() : f->Text();
    try {
        switch (GetBarType()) {
        case ctCheckboxes: SetCheckboxState(CheckboxState() == cbChecked ? cbUnchecked : cbChecked); return;
        case ctKeyPickList:
        case ctKeyImageList: {
            const int b = KeyListIndexOf(f->Text());
            if (!HasKeyListItems()) {
                Extended c = f->IsNull() ? 0 : std::trunc(static_cast<Extended>(f->AsInteger()) + AIncrement);
                const int n = FImageList ? FImageList->Count() : 0;
                if (n <= 0) return;
                if (c >= n) c = 0;
                if (c < 0) c = n - 1;
                UpdateDataValues(String(), Variant(static_cast<int>(c)), false);
                return;
            }
            const int last = FKeyList->Count() - 1;
            int i;
            if (next) i = b < 0 || b == last ? 0 : b + 1;
            else i = b < 0 || b == 0 ? last : b - 1;
            UpdateDataValues(current, Variant(FKeyList->Strings(i)), false);
            return;
        }
        case ctPickList: {
            const int b = FPickList->IndexOf(f->Text());
            const int last = FPickList->Count() - 1;
            int i;
            if (next) i = b < 0 || b == last ? 0 : b + 1;
            else i = b < 0 || b == 0 ? last : b - 1;
            // The wrap-around goes the same road as typing: OnUpdateData and the MRU list.
            UpdateDataValues(FPickList->Strings(i), Variant(FPickList->Strings(i)), true);
            return;
        }
        case ctLookupField: {
            TDataSet* list = f->FieldKind() == fkLookup ? f->LookupDataSet() : FLookupParams->LookupDataSet();
            const String keyNames = f->FieldKind() == fkLookup ? f->KeyFields() : FLookupParams->KeyFieldNames();
            const String listKeys = f->FieldKind() == fkLookup ? f->LookupKeyFields() : FLookupParams->LookupKeyFieldNames();
            if (!list || !list->Active() || !ds) return;
            if (tested->IsNull()) list->First();
            else if (!list->Locate(listKeys, ds->FieldValues(keyNames), TLocateOptions()))
                list->First();
            else if (next) {
                list->Next();
                if (list->Eof()) list->First();
            } else {
                list->Prior();
                if (list->Bof()) list->Last();
            }
            UpdateDataValues(current, list->FieldValues(listKeys), false);
            return;
        }
        default: break;
        }
        if (IsBarNumericStepType(f->DataType())) {
            Variant base = f->IsNull() ? Variant(-static_cast<double>(AIncrement)) : f->AsVariant();
            Variant value = base + Variant(static_cast<double>(AIncrement));
            UpdateDataValues(current, value, false);
        }
    } catch (...) {
        // A step that fails leaves the record as it was before the step put it in edit mode.
        if (!wasEditing && ds && dsEditModes.Contains(ds->State())) ds->Cancel();
        throw;
    }
}

// ---- clipboard and lists ----------------------------------------------------------------------

void TAxisBarVz::ClearValue() {
    TField* f = GetField();
    if (!f || !CanModify(true)) return;
    f->Clear();
}

void TAxisBarVz::CopyValueToClipboard() { Clipboard()->SetAsText(EditText()); }

void TAxisBarVz::CutValueToClipboard() {
    CopyValueToClipboard();
    ClearValue();
}

void TAxisBarVz::PasteValueFromClipboard() {
    TField* f = GetField();
    if (!f || !CanModify(true)) return;
    f->SetAsString(Clipboard()->AsText());
}

int TAxisBarVz::LocatePickList(const String& Str, bool PartialKey) {
    if (!HasPickListItems()) return -1;
    TLocateOptions opts;
    if (PartialKey) opts.Include(loPartialKey);
    int i = LocateInStringsVz(FPickList, Str, opts);
    if (i < 0 && FCaseInsensitiveTextSearch) {
        opts.Include(loCaseInsensitive);
        i = LocateInStringsVz(FPickList, Str, opts);
    }
    return i;
}

void TAxisBarVz::DefaultDropDownBoxApplyTextFilter(TDataSet* DataSet, const String& FieldName,
                                                   TListSearchFilterTypeVz Operation, const String& FilterText) {
    if (!DataSet) return;
    if (FilterText.isEmpty()) {
        DataSet->SetFilter(String());
        return;
    }
    TFilterOptions opts = DataSet->FilterOptions();
    if (FCaseInsensitiveTextSearch) opts.Include(foCaseInsensitive);
    else opts.Exclude(foCaseInsensitive);
    DataSet->SetFilterOptions(opts);
    const String w = u"%"_S;
    String quoted = FilterText;
    quoted.replace(u"'"_S, u"''"_S);
    const String p = Operation == lsftContainsVz ? w : String();
    DataSet->SetFilter(u"["_S + FieldName + u"] like '"_S + p + quoted + w + u"'"_S);
    DataSet->SetFiltered(true);
}

String TAxisBarVz::GetDropDownBoxListField() { return FLookupParams->LookupDisplayFieldName(); }

// ---- cell parameters ---------------------------------------------------------------------------

void TAxisBarVz::FillColCellParams(TAxisColCellParamsVz* Params) {
    int col = -1, row = -1;
    if (FGrid) FGrid->GetAxisBarCell(this, col, row);
    Params->FCol = col;
    Params->FRow = row;
    Params->FState = TGridDrawState();
    TFont* font = FGrid ? FGrid->DummyFont() : nullptr;
    if (font) {
        font->Assign(Font());
        Params->FFont = font;
    } else Params->FFont = Font();
    Params->FBackground = Color();
    Params->FAlignment = Alignment();
    Params->FImageIndex = GetImageIndex();
    Params->FText = DisplayText();
    Params->FCheckboxState = CheckboxState();
    Params->FReadOnly = ReadOnly();
    Params->FTextEditing = TextEditing();
    Params->FBlankCell = false;
    Params->FTextIsLink = FCellDataIsLink;
    Params->FImageIsLink = FCellDataIsLink;
    Params->FAxisBarIndex = Index();
}

void TAxisBarVz::GetColCellParams(bool, TAxisColCellParamsVz* Params) {
    if (!FGrid || !Params->FFont) return;
    const TGridCoord hot = FGrid->AxisGridHotTrackCell();
    if (hot.X == Params->FCol && hot.Y == Params->FRow && FGrid->IsHotTrackTextLink()) {
        TFontStyles st = Params->FFont->Style();
        st.Include(fsUnderline);
        Params->FFont->SetStyle(st);
    }
}

bool TAxisBarVz::GetCellDataIsLink() {
    if (!FGrid) return FCellDataIsLink;
    TAxisColCellParamsVz* p = CheckModifyParams();
    FillColCellParams(p);
    GetColCellParams(false, p);
    return p->FTextIsLink;
}

bool TAxisBarVz::GetCellImageIsLink() {
    if (!FGrid) return FCellDataIsLink;
    TAxisColCellParamsVz* p = CheckModifyParams();
    FillColCellParams(p);
    GetColCellParams(false, p);
    return p->FImageIsLink;
}

void TAxisBarVz::GetFieldValue(Variant& V) {
    TField* f = GetField();
    V = f ? f->AsVariant() : Variant::Null();
}

void TAxisBarVz::SetFieldValue(const Variant& V) { SetValueAsText(VarToStr(V)); }
