// Axis bars: the column model of the data-aware axis grid. A bar names a field of the grid's data
// set, binds to it and carries every appearance and behaviour setting of its column. Most settings
// are assignable: the bar holds its own value, remembered in FAssignedValues, or follows a fallback
// taken from the grid, the grid's bar default values or the bound field. The bar reaches its grid
// only through IAxisBarsGridVz (axisbargridvz.h), so the model works without a window.
//
// The bar's value operations (display and edit text, writing, stepping, check boxes, clipboard)
// are in axisbarvaluesvz.cpp; its in-cell button layout in axisbarcellbuttonsvz.cpp.
#pragma once

#include "grid/axis/axisbarbuttonsvz.h"
#include "grid/axis/axisbargridvz.h"
#include "grid/axis/lookupdatavz.h"
#include "grid/base/mrulistvz.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/collections.h"

class TAxisBarVz;
class TGridAxisBarsVz;
class TCustomImageList;
class TChangeLink;
class TDataSet;
class TDynVarsVz;
class TEditButtonControlVz;
class TField;
class TPicture;
class TPopupMenu;
class TSpecRowVz;
class TStream;
class TStrings;

enum TAxisBarVzValue {
    cvColor, cvWidth, cvFont, cvAlignment, cvReadOnly, cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont,
    cvTitleButton, cvTitleEndEllipsis, cvTitleToolTips, cvTitleOrientation, cvImeMode, cvImeName, cvWordWrap,
    cvLookupDisplayFields, cvCheckboxes, cvAlwaysShowEditButton, cvEndEllipsis, cvAutoDropDown, cvDblClickNextVal,
    cvToolTips, cvDropDownSizing, cvDropDownShowTitles, cvLayout, cvHighlightRequired, cvBiDiMode, cvTextEditing
};
using TAxisBarVzValues = TSet<TAxisBarVzValue, 32>;

enum TAxisBarVzType {
    ctCommon, ctPickList, ctLookupField, ctKeyPickList, ctKeyImageList, ctCheckboxes, ctGraphicData, ctDataList
};

enum TListSearchFilterTypeVz { lsftBeginsWithVz, lsftContainsVz };

// The per-cell parameters a bar fills for drawing and editing; one instance per grid, reused for
// every cell; the customisation point (GetColCellParams) may change any of them.
class TAxisColCellParamsVz {
public:
    virtual ~TAxisColCellParamsVz() = default;
    bool FImageIsLink = false;
    bool FTextIsLink = false;
    TAlignment FAlignment = taLeftJustify;
    TColor FBackground = clWindow;
    bool FBlankCell = false;
    bool FCellBackgroundDrawnByThemed = false;
    TRect FCellRect;
    TCheckBoxState FCheckboxState = cbUnchecked;
    int FCol = -1;
    bool FDrawCellByThemes = false;
    TFont* FFont = nullptr;
    bool FHighlight = false;
    int FImageIndex = -1;
    bool FIsCellFilled = false;
    bool FReadOnly = false;
    int FRow = -1;
    TGridDrawState FState;
    bool FSuppressActiveCellColor = false;
    String FText;
    bool FTextEditing = true;
    bool FThe3DRect = false;
    int FXFrameOffs = 0;
    int FYFrameOffs = 0;
    int FAxisBarIndex = -1;
};

using TAxisBarNotInListEventVz = TEvent<void(TObject* Sender, const String& NewText, bool& RecheckInList)>;
using TAxisBarUpdateDataEventVz =
    TEvent<void(TObject* Sender, String& Text, Variant& Value, bool& UseText, bool& Handled)>;
using TAxisBarCellDataLinkClickEventVz = TEvent<void(TComponent* Grid, TAxisBarVz* AxisBar)>;

// One in-cell child of a cell's place box: a button or, for child 0, the text area (no button).
struct TCellPlaceBoxChildVz {
    TEditButtonVz* Button = nullptr;
    TRect ClientRect;  // the control's rectangle, cell coordinates
    TRect AreaRect;    // the area it owns, cell coordinates
};

class TAxisBarTitleVz;
class TAxisBarVz : public TCollectionItem, public ILookupDataOwnerVz, public IEditButtonsOwnerVz {
    SDELKA_CLASS(TAxisBarVz, TCollectionItem)
protected:
    explicit TAxisBarVz(TCollection* Collection);
    ~TAxisBarVz() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TAxisBarVz>& P);
    void Assign(TPersistent* Source) override;
    void SetCollection(TCollection* Value) override;
    void SetIndex(int Value) override;

    IAxisBarsGridVz* Grid() const { return FGrid; }
    TAxisBarVzValues AssignedValues() const { return FAssignedValues; }

    // ---- binding
    const String& FieldName() const { return FFieldName; }
    void SetFieldName(const String& Value);
    TField* Field() { return GetField(); }
    void SetFieldRef(TField* Value) { SetField(Value); }
    // "Column_" + index + "_" + FieldName.
    String Name() const;
    virtual void BindField();
    virtual bool IsDefaultBar() { return !FStored; }
    bool Stored() const { return FStored; }
    void SetStored(bool Value) { FStored = Value; }
    // The field goes away without relayout (its data set's controls are disabled).
    void ForgetField() { FField = nullptr; }

    // ---- assignable properties
    TColor Color() { return FAssignedValues.Contains(cvColor) ? FColor : DefaultColor(); }
    void SetColor(TColor Value);
    TFont* Font();
    void SetFont(TFont* Value);
    TAlignment Alignment() { return FAssignedValues.Contains(cvAlignment) ? FAlignment : DefaultAlignment(); }
    virtual void SetAlignment(TAlignment Value);
    bool AlignmentStored() const { return FAssignedValues.Contains(cvAlignment); }
    void SetAlignmentStored(bool Value);
    bool ReadOnly() { return FAssignedValues.Contains(cvReadOnly) ? FReadonly : DefaultReadOnly(); }
    virtual void SetReadOnly(bool Value);
    bool WordWrap();
    virtual void SetWordWrap(bool Value);
    String LookupDisplayFields();
    virtual void SetLookupDisplayFields(const String& Value);
    bool Checkboxes();
    void SetCheckboxes(bool Value);
    bool AlwaysShowEditButton();
    void SetAlwaysShowEditButton(bool Value);
    bool EndEllipsis();
    void SetEndEllipsis(bool Value);
    bool AutoDropDown();
    void SetAutoDropDown(bool Value);
    bool DblClickNextVal();
    void SetDblClickNextVal(bool Value);
    bool ToolTips();
    void SetToolTips(bool Value);
    bool DropDownSizing();
    void SetDropDownSizing(bool Value);
    bool DropDownShowTitles();
    void SetDropDownShowTitles(bool Value);
    TTextLayout Layout();
    void SetLayout(TTextLayout Value);
    bool HighlightRequired();
    virtual void SetHighlightRequired(bool Value);
    TBiDiMode BiDiMode();
    void SetBiDiMode(TBiDiMode Value);
    bool TextEditing();
    void SetTextEditing(bool Value);

    virtual TColor DefaultColor();
    virtual TFont* DefaultFont();
    virtual TAlignment DefaultAlignment();
    virtual bool DefaultReadOnly();
    bool DefaultWordWrap();
    bool DefaultTextEditing();

    // ---- other properties
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    const String& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const String& Value);
    const String& EditMask() const { return FEditMask; }
    void SetEditMask(const String& Value);
    bool ShowImageAndText() const { return FShowImageAndText; }
    void SetShowImageAndText(bool Value);
    int DropDownWidth() const { return FDropDownWidth; }
    void SetDropDownWidth(int Value);
    TStrings* PickList();
    void SetPickList(TStrings* Value);
    TStrings* KeyList();
    void SetKeyList(TStrings* Value);
    bool HasPickListItems() const;
    bool HasKeyListItems() const;
    int NotInKeyListIndex() const { return FNotInKeyListIndex; }
    void SetNotInKeyListIndex(int Value);
    TCustomImageList* ImageList() const { return FImageList; }
    void SetImageList(TCustomImageList* Value);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* Value);
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }
    unsigned DropDownRows() const { return FDropDownRows; }
    void SetDropDownRows(unsigned Value) { FDropDownRows = Value; }
    Extended Increment() const { return FIncrement; }
    void SetIncrement(Extended Value) { FIncrement = Value; }
    bool CaseInsensitiveTextSearch() const { return FCaseInsensitiveTextSearch; }
    void SetCaseInsensitiveTextSearch(bool Value) { FCaseInsensitiveTextSearch = Value; }
    bool CellDataIsLink() const { return FCellDataIsLink; }
    void SetCellDataIsLink(bool Value) { FCellDataIsLink = Value; }
    bool LimitTextToListValues();
    void SetLimitTextToListValues(bool Value);
    bool LimitTextToListValuesStored() const { return FLimitTextToListValuesStored; }
    void SetLimitTextToListValuesStored(bool Value);
    TCellButtonStyleVz ButtonStyle() const;
    void SetButtonStyle(TCellButtonStyleVz Value);

    TAxisBarMainEditButtonVz* EditButton() const { return FEditButton; }
    TAxisBarTitleVz* Title() const { return FTitle; }
    TAxisBarEditButtonsVz* EditButtons() const { return FEditButtons; }
    TCellButtonsVz* CellButtons() const { return FCellButtons; }
    TSpecRowVz* DropDownSpecRow() const { return FDropDownSpecRow; }
    TMRUListVz* MRUList() const { return FMRUList; }
    TDynVarsVz* DynProps() const { return FDynProps; }
    TDBLookupDataVz* LookupParams() const { return FLookupParams; }
    // The list a drop-down of this bar shows; its data set for lookups.
    TDataSet* ListDataSet() const;

    virtual TAxisBarVzType GetBarType();
    virtual void RestoreDefaults();
    // The collection item's change notification (descendants repaint or relayout).
    virtual void NotifyChanged(bool AllItems);
    virtual void RecordChanged(TField* Field) {}
    virtual int CalcRowHeight() { return 0; }
    virtual int GetCellHeight(int Row);
    virtual int GetDataCellHorzOffset() { return 3; }
    virtual bool CurLineWordWrap(int RowHeight);
    // Narrows a cell's rectangle to its text area; descendants supply it.
    virtual void SetTextArea(TRect& ARect);
    bool UseRightToLeftReading();
    bool UseRightToLeftAlignment();
    bool UseRightToLeftScrollBar();
    virtual TPopupMenu* GetPopupMenu();
    virtual TPopupMenu* GetSystemPopupMenu();
    void FormSystemPopupMenu();

    // ---- values (axisbarvaluesvz.cpp)
    virtual String DisplayText();
    virtual String EditText();
    virtual Variant EditValue();
    String GetTextValue(bool IsDisplayText) { return IsDisplayText ? DisplayText() : EditText(); }
    virtual int GetImageIndex();
    TCheckBoxState CheckboxState();
    void SetCheckboxState(TCheckBoxState Value);
    void UpdateDataValues(const String& Text, const Variant& Value, bool UseText);
    void SetValueAsText(const String& StrVal) { UpdateDataValues(StrVal, Variant(StrVal), true); }
    void SetValueAsVariant(const Variant& VarVal) { UpdateDataValues(String(), VarVal, false); }
    void SetNextFieldValue(Extended Increment);
    bool CanModify(bool TryEdit);
    bool CanEditAcceptKey(Char Key);
    String GetAcceptableEditText(const String& InputEditText);
    bool CanEditCell();
    virtual void CheckDataIsReadOnly(bool& ReadOnly);
    virtual void ClearValue();
    virtual void CopyValueToClipboard();
    void CutValueToClipboard();
    virtual void PasteValueFromClipboard();
    int LocatePickList(const String& Str, bool PartialKey);
    void DefaultDropDownBoxApplyTextFilter(TDataSet* DataSet, const String& FieldName,
                                           TListSearchFilterTypeVz Operation, const String& FilterText);
    virtual void DropDownBoxApplyTextFilter(TDataSet* DataSet, const String& FieldName,
                                            TListSearchFilterTypeVz Operation, const String& FilterText) {
        DefaultDropDownBoxApplyTextFilter(DataSet, FieldName, Operation, FilterText);
    }
    virtual String GetDropDownBoxListField();
    void FillColCellParams(TAxisColCellParamsVz* Params);
    virtual void GetColCellParams(bool EditMode, TAxisColCellParamsVz* Params);
    virtual bool GetCellDataIsLink();
    virtual bool GetCellImageIsLink();
    void PrepareEditText();
    String GetActualEditMask();
    // Whether Text belongs to a key-list item ("a;b" holds two values; "a;" also holds the empty text).
    static bool TextInKeyListItem(const String& Text, const String& Item);
    int KeyListIndexOf(const String& Text);
    virtual void GetFieldValue(Variant& V);
    virtual void SetFieldValue(const Variant& V);

    // ---- in-cell buttons (axisbarcellbuttonsvz.cpp)
    virtual bool IsEditButtonDrawn(int Col, int Row) { return AlwaysShowEditButton(); }
    virtual bool UseInCellEditButtons();
    virtual void CalcEditButtonsBoxRect(const TRect& CellRect, TRect& BoxRect) { BoxRect = CellRect; }
    virtual int GetMainEditButtonWidth();
    int EditButtonWidth(TEditButtonVz* Button);
    int EditButtonsWidth();
    int GetCellEditorLeftMargin();
    int GetCellEditorRightMargin();
    virtual int GetInplaceEditorButtonHeight() { return FInplaceEditorButtonHeight; }
    virtual int CalcEditButtonHeight();
    virtual TEditButtonDrawBackTimeVz GetDefaultEditButtonDrawBackTime();
    TEditButtonDrawBackTimeVz GetEditButtonsDefaultDrawBackTime() override { return GetDefaultEditButtonDrawBackTime(); }
    // The buttons a press or click on Control stands for: the main one, an additional one, or none.
    virtual void CellEditButtonClick(TEditButtonVz* Button, TEditButtonControlVz* Control);
    virtual void CellEditButtonDown(TEditButtonVz* Button, TEditButtonControlVz* Control, bool TopButton,
                                    bool& AutoRepeat, bool& Handled);
    virtual void DoCellDataLinkClick();

    // ---- lookup definition owner
    TDataSet* LookupOwnerDataSet() override;
    TField* LookupOwnerField() override { return GetField(); }
    void LookupStateChanged() override;
    virtual void FontChanged();

    // ---- events
    TAxisBarNotInListEventVz OnNotInList;
    TAxisBarUpdateDataEventVz OnUpdateData;
    TAxisBarCellDataLinkClickEventVz OnCellDataLinkClick;

protected:
    String GetDisplayName() override;
    virtual TAxisBarMainEditButtonVz* CreateMainEditButton();
    virtual TAxisBarEditButtonsVz* CreateEditButtons();
    virtual TCellButtonsVz* CreateCellButtons();
    virtual TDBLookupDataVz* CreateLookupParams();
    virtual TAxisBarTitleVz* CreateTitle();
    virtual TField* GetField();
    virtual void SetField(TField* Value);
    virtual void FillMRUAutogenItems(TMRUListVz* Sender, TStrings* Items) {}
    virtual void DropDownSpecRowChanged(TObject* Sender);
    TAxisColCellParamsVz* CheckModifyParams();
    bool FieldValueIsModifiable(TField* F);
    TAxisGridDataLinkVz* Link() const;
    TDataSet* GridDataSet() const;

    TAlignment FAlignment = taLeftJustify;
    friend class TAxisBarTitleVz;
    TAxisBarVzValues FAssignedValues;
    TBiDiMode FBiDiMode = bdLeftToRight;
    bool FCaseInsensitiveTextSearch = true;
    bool FCheckboxes = false;
    TColor FColor = clWindow;
    bool FDblClickNextVal = false;
    String FDisplayFormat;
    unsigned FDropDownRows = 7;
    bool FDropDownShowTitles = false;
    bool FDropDownSizing = false;
    TSpecRowVz* FDropDownSpecRow = nullptr;
    TDynVarsVz* FDynProps = nullptr;
    TAxisBarMainEditButtonVz* FEditButton = nullptr;
    TAxisBarEditButtonsVz* FEditButtons = nullptr;
    TCellButtonsVz* FCellButtons = nullptr;
    String FEditMask;
    String FFieldName;
    TFont FFont;
    IAxisBarsGridVz* FGrid = nullptr;
    bool FHighlightRequired = false;
    TChangeLink* FImageChangeLink = nullptr;
    TCustomImageList* FImageList = nullptr;
    Extended FIncrement = 1.0;
    TStrings* FKeyList = nullptr;
    TTextLayout FLayout = tlTop;
    bool FLimitTextToListValues = false;
    bool FLimitTextToListValuesStored = false;
    TDBLookupDataVz* FLookupParams = nullptr;
    TAxisBarTitleVz* FTitle = nullptr;
    TMRUListVz* FMRUList = nullptr;
    int FNotInKeyListIndex = -1;
    TStrings* FPickList = nullptr;
    TPopupMenu* FPopupMenu = nullptr;
    bool FReadonly = false;
    bool FShowImageAndText = false;
    bool FStored = true;
    TPopupMenu* FSystemPopupMenu = nullptr;
    int FTag = 0;
    bool FTextEditing = true;
    bool FToolTips = false;
    bool FVisible = true;
    bool FCellDataIsLink = false;
    bool FAlwaysShowEditButton = false;
    bool FAutoDropDown = false;
    std::unique_ptr<TAxisColCellParamsVz> FCheckModifyColCellParamsVz;
    int FDropDownWidth = 0;
    bool FEndEllipsis = false;
    int FInplaceEditorButtonHeight = 0;
    String FLookupDisplayFields;
    bool FWordWrap = false;
    TField* FField = nullptr;
    bool FFontSyncing = false;
    TGridAxisBarsVz* FCreateBars = nullptr;
};

// A bar with width operations for the descendants to fill.
class TBaseColumnVz : public TAxisBarVz {
    SDELKA_CLASS(TBaseColumnVz, TAxisBarVz)
protected:
    explicit TBaseColumnVz(TCollection* Collection) : TAxisBarVz(Collection) {}
    ~TBaseColumnVz() override = default;

public:
    virtual bool GetAutoFitColWidth() { return false; }
    virtual void SetAutoFitColWidth(bool Value) {}
    virtual int GetWidth() { return 0; }
    virtual void SetWidth(int Value) {}
    virtual int GetMinWidth() { return 0; }
    virtual void SetMinWidth(int Value) {}
    virtual int GetMaxWidth() { return 0; }
    virtual void SetMaxWidth(int Value) {}
};

enum TAxisBarsStateVz { csDefault, csCustomized };

class TGridAxisBarsVz : public TCollection {
    SDELKA_CLASS(TGridAxisBarsVz, TCollection)
protected:
    TGridAxisBarsVz(IAxisBarsGridVz* AGrid, TClass BarClass);
    ~TGridAxisBarsVz() override = default;

public:
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() override;

    TAxisBarVz* Add() { return static_cast<TAxisBarVz*>(TCollection::Add()); }
    TAxisBarVz* AxisBar(int Index) const { return ItemsAs<TAxisBarVz>(Index); }
    void SetAxisBar(int Index, TAxisBarVz* Value) { SetItem(Index, Value); }
    IAxisBarsGridVz* Grid() const { return FGrid; }
    TAxisBarsStateVz State() const;
    void SetState(TAxisBarsStateVz Value);
    void AddAllBars(bool DeleteExisting);
    void RebuildBars() { AddAllBars(true); }
    void RestoreDefaults();
    TAxisBarVz* FindBarByName(const String& Name) const;
    void GetBarNames(TStrings* List) const;
    bool CheckItemInList(TAxisBarVz* Bar) const;
    void SaveToStream(TStream* S);
    void LoadFromStream(TStream* S);
    void SaveToFile(const String& FileName);
    void LoadFromFile(const String& FileName);

    virtual bool KeepBarsOnRebuild() { return true; }
    virtual bool IsDefaultState() { return State() == csDefault; }
    virtual void BarListChanging(TAxisBarVz* Bar, int Kind) {}
    virtual void ActiveChanged();
    // Reported as the bars' owner instead of the grid (design-time naming).
    TPersistent* BarOwner() const { return FBarOwner; }
    void SetBarOwner(TPersistent* Value) { FBarOwner = Value; }

protected:
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override;
    void Update(TCollectionItem* Item) override;

private:
    IAxisBarsGridVz* FGrid;
    TPersistent* FBarOwner = nullptr;
};

class TBaseColumnsVz : public TGridAxisBarsVz {
    SDELKA_CLASS(TBaseColumnsVz, TGridAxisBarsVz)
protected:
    TBaseColumnsVz(IAxisBarsGridVz* AGrid, TClass BarClass) : TGridAxisBarsVz(AGrid, BarClass) {}
    ~TBaseColumnsVz() override = default;

public:
    TBaseColumnVz* Columns(int Index) const { return ItemsAs<TBaseColumnVz>(Index); }
};

// A field's value by an explicit display format: numbers and dates formatted, Null and other
// kinds empty; an empty format gives the field's own display text.
String FormatFieldTextVz(TField* Field, const String& Format);

// Memo types whose text the grid shows when it draws memo texts.
bool IsMemoFieldTypeVz(int DataType);
