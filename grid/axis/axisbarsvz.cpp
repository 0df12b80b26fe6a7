#include "grid/axis/axisbarsvz.h"

#include "grid/axis/axisbardefvaluesvz.h"
#include "grid/axis/axisbartitlevz.h"
#include "grid/axis/axisgridlinkvz.h"
#include "grid/core/dynvarsvz.h"
#include "grid/base/dropdownparamsvz.h"
#include "grid/base/specrowvz.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/gui/imaging.h"
#include "platform/gui/menus.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/streams.h"

#include <cmath>

bool IsMemoFieldTypeVz(int DataType) {
    return DataType == ftMemo || DataType == ftOraClob || DataType == ftWideMemo;
}

namespace {
// Right-to-left reading and alignment need a right-to-left capable system; this one is not.
constexpr bool RightToLeftCapable = false;

bool BarFontsDiffer(const TFont& A, const TFont& B) { return !(A.LogFont() == B.LogFont()) || A.Color() != B.Color(); }
}  // namespace

// ================================================================================================
// Buttons and defaults

void TAxisBarMainEditButtonVz::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TAxisBarMainEditButtonVz*>(Source);
    if (s) {
        OnEditButtonClick = s->OnEditButtonClick;
        OnEditButtonDown = s->OnEditButtonDown;
    }
    TEditButtonVz::Assign(Source);
    if (s) {
        FVisibleStored = s->FVisibleStored;
        FVisible = s->FVisible;
    }
}

TCellButtonStyleVz TAxisBarMainEditButtonVz::ButtonStyle() const {
    if (!FVisibleStored) return cbsAuto;
    if (!Visible()) return cbsNone;
    switch (Style()) {
    case ebsDropDownVz: return cbsDropDown;
    case ebsEllipsisVz: return cbsEllipsis;
    case ebsUpDownVz: return cbsUpDown;
    case ebsAltDropDownVz: return cbsAltDropDown;
    case ebsAltUpDownVz: return cbsAltUpDown;
    default: return cbsAuto;
    }
}

void TAxisBarMainEditButtonVz::SetButtonStyle(TCellButtonStyleVz Value) {
    if (ButtonStyle() == Value) return;
    switch (Value) {
    case cbsAuto:
        SetVisibleStored(false);
        NotifyChanged();
        return;
    case cbsNone:
        SetVisible(false);
        SetStyle(ebsDropDownVz);
        break;
    case cbsEllipsis: SetStyle(ebsEllipsisVz); break;
    case cbsUpDown: SetStyle(ebsUpDownVz); break;
    case cbsDropDown: SetStyle(ebsDropDownVz); break;
    case cbsAltUpDown: SetStyle(ebsAltUpDownVz); break;
    case cbsAltDropDown: SetStyle(ebsAltDropDownVz); break;
    }
    if (Value != cbsNone) SetVisible(true);
    NotifyChanged();
}

void TAxisBarMainEditButtonVz::SetVisibleStored(bool Value) {
    FVisibleStored = Value;
    FVisible = DefaultVisible();
}

void TAxisBarMainEditButtonVz::DoSetVisible(bool Value) {
    if (FVisibleStored && FVisible == Value) return;
    FVisibleStored = true;
    FVisible = Value;
    NotifyChanged();
}

bool TAxisBarMainEditButtonVz::DefaultVisible() const {
    TAxisBarVz* bar = FAxisBar;
    if (!bar) return false;
    if (bar->LookupParams() && bar->LookupParams()->Active()) return true;
    const TAxisBarVzType t = bar->GetBarType();
    if ((t == ctPickList || t == ctKeyPickList) && !bar->ReadOnly()) return true;
    if (t == ctDataList) return true;
    if (TField* f = bar->Field())
        if ((f->DataType() == ftDate || f->DataType() == ftDateTime || f->DataType() == ftTimeStamp) && !bar->ReadOnly())
            return true;
    TDropDownFormCallParamsVz* p = DropDownFormParams();
    return p && (p->DropDownForm() || !p->DropDownFormClassName().isEmpty());
}

TEditButtonDrawBackTimeVz TAxisBarMainEditButtonVz::DefaultDrawBackTime() const {
    return FAxisBar ? FAxisBar->GetDefaultEditButtonDrawBackTime() : TEditButtonVz::DefaultDrawBackTime();
}

void TCellButtonVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TCellButtonVz*>(Source)) FHorzPlacement = s->FHorzPlacement;
    TEditButtonVz::Assign(Source);
}

void TCellButtonVz::SetHorzPlacement(TEditButtonHorzPlacementVz Value) {
    if (FHorzPlacement == Value) return;
    FHorzPlacement = Value;
    NotifyChanged();
}

void TAxisBarDefValuesVz::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TAxisBarDefValuesVz*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    FTitle.Assign(&s->FTitle);
    FAlwaysShowEditButton = s->FAlwaysShowEditButton;
    FAutoDropDown = s->FAutoDropDown;
    FDblClickNextVal = s->FDblClickNextVal;
    FDropDownShowTitles = s->FDropDownShowTitles;
    FDropDownSizing = s->FDropDownSizing;
    FEndEllipsis = s->FEndEllipsis;
    FHighlightRequired = s->FHighlightRequired;
    FLayout = s->FLayout;
    FToolTips = s->FToolTips;
    FEditButtonDrawBackTime = s->FEditButtonDrawBackTime;
    if (OnChanged) OnChanged(this);
}

// ================================================================================================
// The bar

TAxisBarVz::TAxisBarVz(TCollection* Collection) : TCollectionItem(Collection) {
    FCreateBars = dynamic_cast<TGridAxisBarsVz*>(Collection);
    if (FCreateBars) FGrid = FCreateBars->Grid();
}

TAxisBarVz::~TAxisBarVz() = default;

void TAxisBarVz::AfterConstruction() {
    // Adding a bar relays the grid out once, unless the bars are being updated anyway.
    const bool bracket = FGrid && FCreateBars && FCreateBars->UpdateCount() == 0;
    if (bracket) FGrid->BeginLayout();
    try {
        if (FGrid) FCheckModifyColCellParamsVz.reset(FGrid->CreateColCellParams());
        FDynProps = New<TDynVarsVz>(this);
        FFontSyncing = true;
        FFont.Assign(DefaultFont());
        FFontSyncing = false;
        FFont.OnChange = [this](TObject*) { FontChanged(); };
        FEditButton = CreateMainEditButton();
        FEditButton->SetAxisBar(this);
        FEditButton->OnChanged = [this](TObject*) { NotifyChanged(false); };
        FEditButtons = CreateEditButtons();
        FEditButtons->OnChanged = [this](TObject*) { NotifyChanged(false); };
        FCellButtons = CreateCellButtons();
        FCellButtons->OnChanged = [this](TObject*) { NotifyChanged(false); };
        FDropDownSpecRow = New<TSpecRowVz>(this);
        FDropDownSpecRow->OnChanged = [this](TObject* S) { DropDownSpecRowChanged(S); };
        FMRUList = New<TMRUListVz>(this);
        FMRUList->OnFillAutogenItems = [this](TMRUListVz* S, TStrings* Items) { FillMRUAutogenItems(S, Items); };
        FImageChangeLink = New<TChangeLink>();
        FImageChangeLink->OnChange = [this](TObject*) {
            if (FGrid && FImageChangeLink->Sender() == FImageList) FGrid->InvalidateAxisGrid();
        };
        FLookupParams = CreateLookupParams();
        FTitle = CreateTitle();
        TCollectionItem::AfterConstruction();
    } catch (...) {
        if (bracket) FGrid->EndLayout();
        throw;
    }
    if (bracket) FGrid->EndLayout();
}

void TAxisBarVz::BeforeDestruction() {
    TCollectionItem::BeforeDestruction();
    FCheckModifyColCellParamsVz.reset();
    auto release = [](auto*& P) {
        if (P) P->Free();
        P = nullptr;
    };
    release(FDynProps);
    release(FDropDownSpecRow);
    release(FPickList);
    release(FKeyList);
    release(FEditButton);
    release(FEditButtons);
    release(FCellButtons);
    release(FMRUList);
    if (FImageList && FImageChangeLink) FImageList->UnRegisterChanges(FImageChangeLink);
    release(FImageChangeLink);
    release(FLookupParams);
    release(FTitle);
    release(FSystemPopupMenu);
}

TAxisBarTitleVz* TAxisBarVz::CreateTitle() { return New<TAxisBarTitleVz>(this); }

TAxisBarMainEditButtonVz* TAxisBarVz::CreateMainEditButton() { return New<TAxisBarMainEditButtonVz>(nullptr); }

TAxisBarEditButtonsVz* TAxisBarVz::CreateEditButtons() {
    return New<TAxisBarEditButtonsVz>(this, TVisibleEditButtonVz::StaticClass());
}

TCellButtonsVz* TAxisBarVz::CreateCellButtons() { return New<TCellButtonsVz>(this, TCellButtonVz::StaticClass()); }

TDBLookupDataVz* TAxisBarVz::CreateLookupParams() { return New<TDBLookupDataVz>(this); }

TAxisGridDataLinkVz* TAxisBarVz::Link() const { return FGrid ? FGrid->AxisGridDataLink() : nullptr; }

TDataSet* TAxisBarVz::GridDataSet() const {
    TAxisGridDataLinkVz* l = Link();
    return l ? l->DataSet() : nullptr;
}

void TAxisBarVz::SetCollection(TCollection* Value) {
    TCollectionItem::SetCollection(Value);
    auto* bars = dynamic_cast<TGridAxisBarsVz*>(Value);
    FGrid = bars ? bars->Grid() : nullptr;
}

String TAxisBarVz::GetDisplayName() { return FFieldName.isEmpty() ? TCollectionItem::GetDisplayName() : FFieldName; }

String TAxisBarVz::Name() const { return u"Column_"_S + String::number(Index()) + u"_"_S + FFieldName; }

void TAxisBarVz::NotifyChanged(bool AllItems) { Changed(AllItems); }

// ---- binding -----------------------------------------------------------------------------------

void TAxisBarVz::SetFieldName(const String& Value) {
    if (FFieldName == Value) return;
    FFieldName = Value;
    BindField();
}

void TAxisBarVz::BindField() {
    TField* f = nullptr;
    TDataSet* ds = GridDataSet();
    if (FGrid && ds && !FGrid->AxisGridLoading() && !FFieldName.isEmpty()) f = ds->FindField(FFieldName);
    SetField(f);
}

void TAxisBarVz::SetField(TField* Value) {
    if (FField == Value) return;
    FField = Value;
    if (Value) {
        if (FGrid && FGrid->AxisGridComponent()) Value->FreeNotification(FGrid->AxisGridComponent());
        FFieldName = Value->FieldName();
        FLookupParams->LookupStateChanged();
    } else if (FFieldName.isEmpty()) FLookupParams->LookupStateChanged();
    if (IsDefaultBar()) {
        if (!Value) FFieldName.clear();
        RestoreDefaults();
    }
    NotifyChanged(false);
}

TField* TAxisBarVz::GetField() {
    if (FField) return FField;
    TDataSet* ds = GridDataSet();
    if (!FFieldName.isEmpty() && FGrid && ds && (ds->Active() || !ds->DefaultFields())) {
        if (TField* f = ds->FindField(FFieldName)) {
            FField = f;
            if (FGrid->AxisGridComponent()) f->FreeNotification(FGrid->AxisGridComponent());
            FFieldName = f->FieldName();
            FLookupParams->LookupStateChanged();
        }
    }
    return FField;
}

void TAxisBarVz::SetIndex(int Value) {
    auto* bars = dynamic_cast<TGridAxisBarsVz*>(Collection());
    TAxisGridDataLinkVz* l = Link();
    if (bars && bars->IsDefaultState() && l && l->Active() && l->Fields(Value) && FField)
        FField->SetIndex(l->Fields(Value)->Index());
    const int cur = Index();
    if (bars && cur >= 0 && Value != cur && Value >= 0 && Value < bars->Count()) bars->BarListChanging(this, 2);
    TCollectionItem::SetIndex(Value);
}

TDataSet* TAxisBarVz::LookupOwnerDataSet() { return GridDataSet(); }

void TAxisBarVz::LookupStateChanged() {
    if (FGrid) FGrid->AxisBarLookupChanged(this);
}

TDataSet* TAxisBarVz::ListDataSet() const {
    return FLookupParams && FLookupParams->Active() ? FLookupParams->LookupDataSet() : nullptr;
}

// ---- assignable properties ---------------------------------------------------------------------

TColor TAxisBarVz::DefaultColor() { return FGrid ? FGrid->AxisGridColor() : clWindow; }

TFont* TAxisBarVz::DefaultFont() { return FGrid ? FGrid->AxisGridFont() : &FFont; }

TAlignment TAxisBarVz::DefaultAlignment() {
    TField* f = GetField();
    return f ? f->Alignment() : taLeftJustify;
}

bool TAxisBarVz::DefaultReadOnly() {
    if (FGrid && FGrid->AxisGridReadOnly()) return true;
    TField* f = GetField();
    return f && f->ReadOnly();
}

void TAxisBarVz::SetColor(TColor Value) {
    if (FAssignedValues.Contains(cvColor) && FColor == Value) return;
    FColor = Value;
    FAssignedValues.Include(cvColor);
    NotifyChanged(false);
}

TFont* TAxisBarVz::Font() {
    if (!FAssignedValues.Contains(cvFont)) {
        TFont* def = DefaultFont();
        if (def != &FFont && BarFontsDiffer(FFont, *def)) {
            FFontSyncing = true;
            FFont.Assign(def);
            FFontSyncing = false;
        }
    }
    return &FFont;
}

void TAxisBarVz::SetFont(TFont* Value) {
    FFontSyncing = true;
    FFont.Assign(Value);
    FFontSyncing = false;
    FAssignedValues.Include(cvFont);
    NotifyChanged(false);
}

void TAxisBarVz::FontChanged() {
    if (FFontSyncing) return;
    FAssignedValues.Include(cvFont);
    NotifyChanged(false);
}

void TAxisBarVz::SetAlignment(TAlignment Value) {
    TAxisGridDataLinkVz* l = Link();
    if (IsDefaultBar() && l && l->Active() && GetField()) {
        GetField()->SetAlignment(Value);
        return;
    }
    if (FAssignedValues.Contains(cvAlignment) && FAlignment == Value) return;
    FAlignment = Value;
    FAssignedValues.Include(cvAlignment);
    NotifyChanged(false);
}

void TAxisBarVz::SetAlignmentStored(bool Value) {
    if (Value == FAssignedValues.Contains(cvAlignment)) return;
    if (Value) {
        FAlignment = DefaultAlignment();
        FAssignedValues.Include(cvAlignment);
    } else FAssignedValues.Exclude(cvAlignment);
    NotifyChanged(false);
}

void TAxisBarVz::SetReadOnly(bool Value) {
    TAxisGridDataLinkVz* l = Link();
    if (IsDefaultBar() && l && l->Active() && GetField()) {
        GetField()->SetReadOnly(Value);
        return;
    }
    if (FAssignedValues.Contains(cvReadOnly) && FReadonly == Value) return;
    FReadonly = Value;
    FAssignedValues.Include(cvReadOnly);
    NotifyChanged(false);
}

bool TAxisBarVz::DefaultWordWrap() {
    TField* f = FGrid ? GetField() : nullptr;
    if (!f) return false;
    switch (f->DataType()) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
    case ftWideString:
    case ftOraClob:
    case ftWideMemo: return true;
    default: return false;
    }
}

bool TAxisBarVz::WordWrap() { return FAssignedValues.Contains(cvWordWrap) ? FWordWrap : DefaultWordWrap(); }

void TAxisBarVz::SetWordWrap(bool Value) {
    const bool old = WordWrap();
    FWordWrap = Value;
    FAssignedValues.Include(cvWordWrap);
    if (old != Value) NotifyChanged(false);
}

String TAxisBarVz::LookupDisplayFields() {
    return FAssignedValues.Contains(cvLookupDisplayFields) ? FLookupDisplayFields
                                                            : FLookupParams->LookupDisplayFieldName();
}

void TAxisBarVz::SetLookupDisplayFields(const String& Value) {
    if (FAssignedValues.Contains(cvLookupDisplayFields) || Value != FLookupParams->LookupDisplayFieldName()) {
        FLookupDisplayFields = Value;
        FAssignedValues.Include(cvLookupDisplayFields);
    }
    NotifyChanged(false);
}

bool TAxisBarVz::Checkboxes() {
    if (FAssignedValues.Contains(cvCheckboxes)) return FCheckboxes;
    TField* f = GetField();
    return f && f->DataType() == ftBoolean;
}

void TAxisBarVz::SetCheckboxes(bool Value) {
    if (FAssignedValues.Contains(cvCheckboxes) && FCheckboxes == Value) return;
    FCheckboxes = Value;
    FAssignedValues.Include(cvCheckboxes);
    NotifyChanged(false);
}

#define VZ_BAR_DEFVALUE(Name, Bit, Field, Fallback, Notify)                                      \
    bool TAxisBarVz::Name() {                                                                    \
        if (FAssignedValues.Contains(Bit)) return Field;                                         \
        return FGrid && FGrid->AxisBarDefValues() ? FGrid->AxisBarDefValues()->Name() : Fallback; \
    }                                                                                            \
    void TAxisBarVz::Set##Name(bool Value) {                                                     \
        if (FAssignedValues.Contains(Bit) && Field == Value) return;                             \
        Field = Value;                                                                           \
        FAssignedValues.Include(Bit);                                                            \
        if (Notify) NotifyChanged(false);                                                        \
    }
VZ_BAR_DEFVALUE(AlwaysShowEditButton, cvAlwaysShowEditButton, FAlwaysShowEditButton, false, true)
VZ_BAR_DEFVALUE(EndEllipsis, cvEndEllipsis, FEndEllipsis, false, true)
VZ_BAR_DEFVALUE(AutoDropDown, cvAutoDropDown, FAutoDropDown, false, false)
VZ_BAR_DEFVALUE(DblClickNextVal, cvDblClickNextVal, FDblClickNextVal, false, false)
VZ_BAR_DEFVALUE(ToolTips, cvToolTips, FToolTips, false, false)
VZ_BAR_DEFVALUE(DropDownSizing, cvDropDownSizing, FDropDownSizing, false, false)
VZ_BAR_DEFVALUE(DropDownShowTitles, cvDropDownShowTitles, FDropDownShowTitles, false, false)
#undef VZ_BAR_DEFVALUE

bool TAxisBarVz::HighlightRequired() {
    if (FAssignedValues.Contains(cvHighlightRequired)) return FHighlightRequired;
    return FGrid && FGrid->AxisBarDefValues() ? FGrid->AxisBarDefValues()->HighlightRequired() : false;
}

void TAxisBarVz::SetHighlightRequired(bool Value) {
    if (FAssignedValues.Contains(cvHighlightRequired) && FHighlightRequired == Value) return;
    FHighlightRequired = Value;
    FAssignedValues.Include(cvHighlightRequired);
    NotifyChanged(false);
}

TTextLayout TAxisBarVz::Layout() {
    if (FAssignedValues.Contains(cvLayout)) return FLayout;
    return FGrid && FGrid->AxisBarDefValues() ? FGrid->AxisBarDefValues()->Layout() : tlTop;
}

void TAxisBarVz::SetLayout(TTextLayout Value) {
    if (FAssignedValues.Contains(cvLayout) && FLayout == Value) return;
    FLayout = Value;
    FAssignedValues.Include(cvLayout);
    NotifyChanged(false);
}

TBiDiMode TAxisBarVz::BiDiMode() {
    if (FAssignedValues.Contains(cvBiDiMode)) return FBiDiMode;
    return FGrid ? FGrid->AxisGridBiDiMode() : FBiDiMode;
}

void TAxisBarVz::SetBiDiMode(TBiDiMode Value) {
    if (FAssignedValues.Contains(cvBiDiMode) && FBiDiMode == Value) return;
    FBiDiMode = Value;
    FAssignedValues.Include(cvBiDiMode);
    NotifyChanged(false);
}

bool TAxisBarVz::DefaultTextEditing() {
    const TAxisBarVzType t = GetBarType();
    return t != ctKeyImageList && t != ctCheckboxes && t != ctGraphicData;
}

bool TAxisBarVz::TextEditing() { return FAssignedValues.Contains(cvTextEditing) ? FTextEditing : DefaultTextEditing(); }

void TAxisBarVz::SetTextEditing(bool Value) {
    if (FAssignedValues.Contains(cvTextEditing) || Value != DefaultTextEditing() || (FGrid && FGrid->AxisGridLoading())) {
        FTextEditing = Value;
        FAssignedValues.Include(cvTextEditing);
    }
    NotifyChanged(false);
}

// ---- other properties --------------------------------------------------------------------------

void TAxisBarVz::SetVisible(bool Value) {
    if (FVisible == Value) return;
    FVisible = Value;
    NotifyChanged(true);
}

void TAxisBarVz::SetDisplayFormat(const String& Value) {
    if (FDisplayFormat == Value) return;
    FDisplayFormat = Value;
    NotifyChanged(false);
}

void TAxisBarVz::SetEditMask(const String& Value) {
    if (FEditMask == Value) return;
    FEditMask = Value;
    NotifyChanged(false);
}

void TAxisBarVz::SetShowImageAndText(bool Value) {
    if (FShowImageAndText == Value) return;
    FShowImageAndText = Value;
    NotifyChanged(false);
}

void TAxisBarVz::SetDropDownWidth(int Value) {
    if (FDropDownWidth == Value) return;
    FDropDownWidth = Value;
    NotifyChanged(false);
}

TStrings* TAxisBarVz::PickList() {
    if (!FPickList) FPickList = New<TStringList>();
    return FPickList;
}

void TAxisBarVz::SetPickList(TStrings* Value) {
    if (!Value) {
        if (FPickList) FPickList->Free();
        FPickList = nullptr;
        return;
    }
    PickList()->Assign(Value);
}

TStrings* TAxisBarVz::KeyList() {
    if (!FKeyList) {
        auto* l = New<TStringList>();
        l->SetCaseSensitive(true);
        FKeyList = l;
    }
    return FKeyList;
}

void TAxisBarVz::SetKeyList(TStrings* Value) {
    if (!Value) {
        if (FKeyList) FKeyList->Free();
        FKeyList = nullptr;
    } else KeyList()->Assign(Value);
    if (FGrid) FGrid->InvalidateAxisGrid();
}

bool TAxisBarVz::HasPickListItems() const { return FPickList && FPickList->Count() > 0; }
bool TAxisBarVz::HasKeyListItems() const { return FKeyList && FKeyList->Count() > 0; }

void TAxisBarVz::SetNotInKeyListIndex(int Value) {
    if (FNotInKeyListIndex == Value) return;
    FNotInKeyListIndex = Value;
    if (FGrid) FGrid->InvalidateAxisGrid();
}

void TAxisBarVz::SetImageList(TCustomImageList* Value) {
    if (FImageList == Value) return;
    if (FImageList) FImageList->UnRegisterChanges(FImageChangeLink);
    FImageList = Value;
    if (Value) {
        Value->RegisterChanges(FImageChangeLink);
        if (FGrid) Value->FreeNotification(FGrid->AxisGridComponent());
    }
    if (FGrid) FGrid->InvalidateAxisGrid();
}

void TAxisBarVz::SetPopupMenu(TPopupMenu* Value) {
    if (FPopupMenu == Value) return;
    FPopupMenu = Value;
    if (Value && FGrid) Value->FreeNotification(FGrid->AxisGridComponent());
}

bool TAxisBarVz::LimitTextToListValues() {
    if (FLimitTextToListValuesStored) return FLimitTextToListValues;
    const TAxisBarVzType t = GetBarType();
    return (t == ctLookupField || t == ctKeyPickList) && !OnNotInList;
}

void TAxisBarVz::SetLimitTextToListValues(bool Value) {
    if (!FLimitTextToListValuesStored || Value != FLimitTextToListValues) {
        SetLimitTextToListValuesStored(true);
        FLimitTextToListValues = Value;
    }
}

void TAxisBarVz::SetLimitTextToListValuesStored(bool Value) {
    if (Value == FLimitTextToListValuesStored) return;
    if (Value) FLimitTextToListValues = LimitTextToListValues();
    else {
        FLimitTextToListValuesStored = false;
        FLimitTextToListValues = LimitTextToListValues();
    }
    FLimitTextToListValuesStored = Value;
}

TCellButtonStyleVz TAxisBarVz::ButtonStyle() const { return FEditButton->ButtonStyle(); }
void TAxisBarVz::SetButtonStyle(TCellButtonStyleVz Value) { FEditButton->SetButtonStyle(Value); }

TAxisBarVzType TAxisBarVz::GetBarType() {
    if (Checkboxes()) return ctCheckboxes;
    if (FLookupParams && FLookupParams->Active()) return ctLookupField;
    TField* f = GetField();
    if (f && f->IsBlob() && f->DataType() == ftGraphic && FGrid && FGrid->DrawGraphicData()) return ctGraphicData;
    if (HasPickListItems() && !HasKeyListItems()) return ctPickList;
    if (FImageList && !FShowImageAndText) return ctKeyImageList;
    if (HasPickListItems() && HasKeyListItems()) return ctKeyPickList;
    return ctCommon;
}

void TAxisBarVz::RestoreDefaults() {
    const bool hadFont = FAssignedValues.Contains(cvFont);
    FAssignedValues = TAxisBarVzValues();
    FFontSyncing = true;
    FFont.Assign(DefaultFont());
    FFontSyncing = false;
    if (FPickList) FPickList->Free();
    FPickList = nullptr;
    FEditButton->SetButtonStyle(cbsAuto);
    NotifyChanged(hadFont);
    if (FKeyList) FKeyList->Free();
    FKeyList = nullptr;
}

void TAxisBarVz::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TAxisBarVz*>(Source);
    if (!s) {
        TCollectionItem::Assign(Source);
        return;
    }
    TCollection* c = Collection();
    if (c) c->BeginUpdate();
    try {
        RestoreDefaults();
        SetFieldName(s->FieldName());
        const TAxisBarVzValues sv = s->FAssignedValues;
        if (sv.Contains(cvColor)) SetColor(s->Color());
        if (sv.Contains(cvFont)) SetFont(s->Font());
        if (sv.Contains(cvAlignment)) SetAlignment(s->Alignment());
        if (sv.Contains(cvReadOnly)) SetReadOnly(s->ReadOnly());
        if (sv.Contains(cvLookupDisplayFields)) SetLookupDisplayFields(s->LookupDisplayFields());
        if (sv.Contains(cvCheckboxes)) SetCheckboxes(s->Checkboxes());
        FCaseInsensitiveTextSearch = s->FCaseInsensitiveTextSearch;
        if (!FLookupParams->LookupInDataField()) FLookupParams->Assign(s->FLookupParams);
        if (s->FLimitTextToListValuesStored) SetLimitTextToListValues(s->LimitTextToListValues());
        FDropDownRows = s->FDropDownRows;
        SetButtonStyle(s->ButtonStyle());
        SetPickList(s->PickList());
        SetPopupMenu(s->FPopupMenu);
        SetEndEllipsis(s->EndEllipsis());
        SetDropDownWidth(s->FDropDownWidth);
        SetAutoDropDown(s->AutoDropDown());
        SetAlwaysShowEditButton(s->AlwaysShowEditButton());
        SetWordWrap(s->WordWrap());
        SetKeyList(s->HasKeyListItems() ? s->FKeyList : nullptr);
        FIncrement = s->FIncrement;
        SetToolTips(s->ToolTips());
        FTag = s->FTag;
        SetVisible(s->FVisible);
        SetImageList(s->FImageList);
        SetNotInKeyListIndex(s->FNotInKeyListIndex);
        SetDblClickNextVal(s->DblClickNextVal());
        SetDropDownSizing(s->DropDownSizing());
        SetDropDownShowTitles(s->DropDownShowTitles());
        OnNotInList = s->OnNotInList;
        OnUpdateData = s->OnUpdateData;
        FEditButton->OnEditButtonClick = s->FEditButton->OnEditButtonClick;
        FEditButton->OnEditButtonDown = s->FEditButton->OnEditButtonDown;
        FEditButtons->Assign(s->FEditButtons);
        FMRUList->Assign(s->FMRUList);
        SetDisplayFormat(s->FDisplayFormat);
        SetEditMask(s->FEditMask);
        SetShowImageAndText(s->FShowImageAndText);
        SetLayout(s->Layout());
        FTitle->Assign(s->FTitle);
    } catch (...) {
        if (c) c->EndUpdate();
        throw;
    }
    if (c) c->EndUpdate();
}

void TAxisBarVz::DropDownSpecRowChanged(TObject*) { NotifyChanged(false); }

int TAxisBarVz::GetCellHeight(int Row) { return FGrid ? FGrid->AxisGridRowHeight(Row) : 0; }

bool TAxisBarVz::CurLineWordWrap(int RowHeight) {
    if (!WordWrap() || !FGrid) return false;
    TCanvas* c = FGrid->AxisGridCanvas();
    if (!c) return false;
    TFont saved;
    saved.Assign(c->Font());
    c->Font()->Assign(Font());
    const int h = c->TextHeight(u"Wg"_S);
    c->Font()->Assign(&saved);
    return h + FGrid->AxisGridInterlinear() < RowHeight;
}

void TAxisBarVz::SetTextArea(TRect&) {
    throw Exception(u" TAxisBarVz.SetTextArea must be realized in the inherited class."_S);
}

bool TAxisBarVz::UseRightToLeftReading() { return RightToLeftCapable && BiDiMode() != bdLeftToRight; }

bool TAxisBarVz::UseRightToLeftAlignment() { return RightToLeftCapable && BiDiMode() == bdRightToLeft; }

bool TAxisBarVz::UseRightToLeftScrollBar() {
    return RightToLeftCapable && (BiDiMode() == bdRightToLeft || BiDiMode() == bdRightToLeftNoAlign);
}

TPopupMenu* TAxisBarVz::GetPopupMenu() { return FPopupMenu ? FPopupMenu : GetSystemPopupMenu(); }

TPopupMenu* TAxisBarVz::GetSystemPopupMenu() {
    if (!FSystemPopupMenu) FSystemPopupMenu = New<TPopupMenu>(nullptr);
    FormSystemPopupMenu();
    return FSystemPopupMenu;
}

void TAxisBarVz::FormSystemPopupMenu() {
    if (!FSystemPopupMenu) return;
    FSystemPopupMenu->Items()->Clear();
    if (FGrid) FGrid->FormSystemPopupMenuForBar(this, FSystemPopupMenu);
}

// ================================================================================================
// The collection

TGridAxisBarsVz::TGridAxisBarsVz(IAxisBarsGridVz* AGrid, TClass BarClass) : TCollection(BarClass), FGrid(AGrid) {}

TPersistent* TGridAxisBarsVz::GetOwner() {
    if (FBarOwner) return FBarOwner;
    return FGrid ? FGrid->AxisGridComponent() : nullptr;
}

TAxisBarsStateVz TGridAxisBarsVz::State() const {
    return Count() > 0 && AxisBar(0)->Stored() ? csCustomized : csDefault;
}

void TGridAxisBarsVz::SetState(TAxisBarsStateVz Value) {
    if (Value == State()) return;
    if (Value == csCustomized) RebuildBars();
    else Clear();
}

void TGridAxisBarsVz::AddAllBars(bool DeleteExisting) {
    TAxisGridDataLinkVz* l = FGrid ? FGrid->AxisGridDataLink() : nullptr;
    if (!l || !l->DataSet()) {
        if (DeleteExisting) Clear();
        return;
    }
    FGrid->BeginLayout();
    try {
        if (DeleteExisting) Clear();
        std::vector<TField*> fields;
        FGrid->GetDataSetFields(fields);
        for (TField* f : fields) {
            TAxisBarVz* b = Add();
            b->SetStored(true);
            b->SetFieldName(f->FieldName());
        }
    } catch (...) {
        FGrid->EndLayout();
        throw;
    }
    FGrid->EndLayout();
}

void TGridAxisBarsVz::RestoreDefaults() {
    BeginUpdate();
    try {
        for (int i = 0; i < Count(); ++i) AxisBar(i)->RestoreDefaults();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TGridAxisBarsVz::Assign(TPersistent* Source) {
    if (!FGrid) {
        TCollection::Assign(Source);
        return;
    }
    FGrid->BeginLayout();
    try {
        TCollection::Assign(Source);
    } catch (...) {
        FGrid->EndLayout();
        throw;
    }
    FGrid->EndLayout();
}

TAxisBarVz* TGridAxisBarsVz::FindBarByName(const String& Name) const {
    for (int i = 0; i < Count(); ++i)
        if (AxisBar(i)->Name() == Name) return AxisBar(i);
    return nullptr;
}

void TGridAxisBarsVz::GetBarNames(TStrings* List) const {
    for (int i = 0; i < Count(); ++i) List->Add(AxisBar(i)->Name());
}

bool TGridAxisBarsVz::CheckItemInList(TAxisBarVz* Bar) const {
    for (int i = 0; i < Count(); ++i)
        if (AxisBar(i) == Bar) return true;
    return false;
}

void TGridAxisBarsVz::ActiveChanged() {
    for (int i = 0; i < Count(); ++i) AxisBar(i)->LookupParams()->LookupStateChanged();
}

void TGridAxisBarsVz::Notify(TCollectionItem* Item, TCollectionNotification Action) {
    auto* bar = static_cast<TAxisBarVz*>(Item);
    if (Action == cnDeleting && FGrid) FGrid->AxisBarDeleting(bar);
    if (Action == cnExtracting) BarListChanging(bar, 0);
    else if (Action == cnDeleting) BarListChanging(bar, 1);
}

void TGridAxisBarsVz::Update(TCollectionItem* Item) {
    if (FGrid) FGrid->AxisBarChanged(static_cast<TAxisBarVz*>(Item));
}
