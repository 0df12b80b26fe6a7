// The data-aware axis grid: the layer between the base grid and the data grid. It owns a collection
// of axis bars, each bound to a field of the data set that its data link reaches, rebuilds the bars
// and the field map when the data set or the bars change, paints a data cell from the bar's cell
// parameters, edits the selected bar's value in place and writes it back through the bar.
//
// It decides neither which grid column shows which bar nor which row shows which record: a
// descendant maps them (SetSelectedIndex, GetAxisBarCell) and calls DefaultDrawDataCell for its
// data cells. The code is split by concern: layout and binding (dbaxisgridvz.cpp), drawing, hints
// and scaling (dbaxisgriddrawvz.cpp), editing (dbaxisgrideditvz.cpp), in-cell buttons and link
// hot-tracking (dbaxisgridbuttonsvz.cpp).
#pragma once

#include "grid/axis/axisbargridvz.h"
#include "grid/axis/axisbarsvz.h"
#include "grid/axis/axisgridlinkvz.h"
#include "grid/base/gridsvz.h"

#include <memory>

class TAxisBarDefValuesVz;
class TDataSource;
class TDynVarsVz;
class TPicture;

enum TDBGridVzAllowedOperation { alopInsertVz, alopUpdateVz, alopDeleteVz, alopAppendVz };
using TDBGridVzAllowedOperations = TSet<TDBGridVzAllowedOperation, 4>;

// The deferred layout the grid posts to itself.
constexpr UINT WM_AXISGRID_LAYOUT = WM_USER + 100;

// What a data hint shows for the cell under the pointer.
struct TDBAxisGridDataHintParamsVz {
    TPoint HintPos;
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    TFont* HintFont = nullptr;
    TRect CursorRect;
    int ReshowTimeout = 0;
    int HideTimeout = 0;
    String HintStr;
    TEditButtonVz* EditButtonControl = nullptr;
};

class TCustomDBAxisGridVz : public TCustomGridVz, public IAxisBarsGridVz, public IAxisGridLinkOwnerVz {
    SDELKA_CLASS(TCustomDBAxisGridVz, TCustomGridVz)
    friend class TDBAxisGridInplaceEdit;

protected:
    explicit TCustomDBAxisGridVz(TComponent* AOwner);
    ~TCustomDBAxisGridVz() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // ---- bars and data
    TGridAxisBarsVz* AxisBars() const { return FAxisBars; }
    void SetAxisBars(TGridAxisBarsVz* Value);
    TAxisBarDefValuesVz* AxisBarDefValues() override { return FColumnDefValues; }
    TColor AxisGridTitleColor() override { return FixedColor(); }
    TAxisGridDataLinkVz* DataLink() const { return FDataLink; }
    TDataSource* DataSource() const;
    virtual void SetDataSource(TDataSource* Value);
    bool DataSetActive() const;
    int FieldCount() const { return FDataLink->FieldCount(); }
    TField* Fields(int I) const { return FDataLink->Fields(I); }
    bool ValidFieldIndex(int I) const { return FDataLink->GetMappedFieldIndex(I) >= 0; }
    TAxisBarVz* FindFieldColumn(const String& FieldName) const;
    TAxisBarVz* GetFieldAxisBars(const String& FieldName) const;
    TDBGridVzAllowedOperations AllowedOperations() const { return FAllowedOperations; }
    void SetAllowedOperations(TDBGridVzAllowedOperations Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool DrawGraphicData() override { return FDrawGraphicData; }
    void SetDrawGraphicData(bool Value);
    bool DrawMemoText() override { return FDrawMemoText; }
    void SetDrawMemoText(bool Value);
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value) { FDefaultDrawing = Value; }
    TDynVarsVz* DynProps() const { return FDynProps; }
    bool LayoutFromDataset() const { return FLayoutFromDataset; }
    int Interlinear() const { return FInterlinear; }

    // ---- update and layout locks
    void BeginUpdate();
    void EndUpdate();
    void BeginLayout() override;
    void EndLayout() override;
    bool TryBeginLayout();
    void ReleaseLayoutLock();
    void DeferLayout();
    virtual void LayoutChanged();
    int UpdateLock() const { return FUpdateLock; }
    int LayoutLock() const { return FLayoutLock; }

    // ---- selection and editing
    virtual int GetSelectedIndex() { return -1; }
    virtual void SetSelectedIndex(int Value);
    int SelectedIndex() { return GetSelectedIndex(); }
    TField* SelectedField();
    void SetSelectedField(TField* Value);
    TAxisBarVz* SelectedBar();
    virtual bool TryEditSelectedField();
    virtual bool OperationsAllowEdit() override;
    virtual void UpdateData();
    virtual bool AcquireFocus();
    bool ContainsFocus();
    bool IsEditorVisible();
    void LockEditor() { ++FLockEditorCount; }
    void UnlockEditor() { --FLockEditorCount; }
    virtual bool IsBarEditable(int Index) { return false; }
    virtual bool AllowsAutoShowEditor() { return false; }
    virtual void CancelEditing() {}
    virtual int GetCellEditorLeftOffset() { return 3; }
    void TakeMouseDownPoint(TPoint& Point, unsigned& Time);
    void StartGridTimer(int Interval);
    void StopGridTimer();
    bool AcquireFocusEnabled() const { return FAcquireFocus; }
    void SetAcquireFocus(bool Value) { FAcquireFocus = Value; }

    // ---- drawing (dbaxisgriddrawvz.cpp)
    void DefaultDrawDataCell(const TGridCoord& Cell, const TGridCoord& AreaCell, TAxisBarVz* AxisBar,
                             const TRect& AreaRect, TAxisColCellParamsVz* Params);
    bool CheckFillDataCell(const TGridCoord& Cell, const TGridCoord& AreaCell, TAxisBarVz* AxisBar,
                           const TRect& AreaRect, TAxisColCellParamsVz* Params);
    virtual void DrawDataCellBackground(const TGridCoord& Cell, const TGridCoord& AreaCell, TAxisBarVz* AxisBar,
                                        const TRect& ARect, TAxisColCellParamsVz* Params);
    virtual void DrawDataCellContent(const TGridCoord& Cell, const TGridCoord& AreaCell, TAxisBarVz* AxisBar,
                                     const TRect& AreaRect, TAxisColCellParamsVz* Params, TRect ContentRect);
    virtual bool HighlightDataCellColor(int DataCol, int DataRow, const String& Value, TGridDrawState AState,
                                        TColor& AColor, TFont* AFont);
    virtual void DrawCellText(const TGridCoord& Cell, const TGridCoord& AreaCell, TAxisBarVz* AxisBar,
                              TCanvas* ACanvas, const TRect& ARect, bool FillRect, int DX, int DY,
                              const String& Text, TAlignment Alignment, TTextLayout Layout, bool WordWrap,
                              bool EndEllipsis, int LeftMarg, int RightMarg, bool SingleLine);
    void WriteCellText(TAxisBarVz* AxisBar, TCanvas* ACanvas, const TRect& ARect, bool FillRect, int DX, int DY,
                       const String& Text, TAlignment Alignment, TTextLayout Layout, bool WordWrap,
                       bool EndEllipsis, int LeftMarg, int RightMarg, bool SingleLine);
    void PaintCheckBox(TCanvas* ACanvas, const TRect& ARect, TColor LineColor, bool Flat, TCheckBoxState State);
    void PaintListImage(TCustomImageList* ImageList, TCanvas* ACanvas, const TRect& ARect, int ImageIndex,
                        TAlignment Alignment, const TRect& ClipRect);
    // The picture in the bar's blob field (empty without one); the caller owns it. An invalid picture
    // raises the framework's graphic error.
    TOwned<TPicture> LoadPictureFromBlobField(TAxisBarVz* AxisBar);
    // The bar's picture fitted into ARect keeping its proportions (its text when pictures are off);
    // an invalid picture is shown as the error's text, never raised.
    virtual void DrawGraphicCellData(TCanvas* ACanvas, TAxisBarVz* AxisBar, const TRect& ARect, TColor BackColor,
                                     bool FillBack, double Scale);
    virtual void FillFixedCellBackground(TCanvas* ACanvas, int StyleKind, const TRect& ARect, bool Pressed, bool Hot,
                                         const TRect& ClipRect, bool Is3D, bool Focused, TColor Color);
    virtual void DrawTitleCellBackground(const TRect& ARect, bool Highlight, bool Is3D, TAxisColCellParamsVz* Params);
    void Draw3DCellFrame(TCanvas* ACanvas, const TRect& ARect, bool Sunken, bool Highlight, bool LeadingEdges,
                         bool TrailingEdges, bool Flat);
    virtual bool IsCellDraw3D(int Col, int Row, TGridDrawState State) { return State.Contains(gdFixed); }
    virtual bool IsFixed3D() { return true; }
    virtual int GetCellFrameStyle();
    virtual TColor GetTitleColor() { return FixedColor(); }
    virtual TColor GetGrayHighlightColor();
    virtual TAlignment GetDefaultTitleAlignment() { return taLeftJustify; }
    virtual TAxisBarVz* GetTitleBarAtPos(const TPoint& Pos) { return nullptr; }
    virtual void GetCellParams(TAxisBarVz* Bar, TFont* AFont, TGridDrawState State, TColor& Background) {}
    virtual int GetCellTreeElmentsAreaWidth() { return 0; }
    virtual TRect CalcCellAreaRect(int Col, int Row, TAxisBarVz* Bar) { return CellRectAbs(Col, Row); }
    virtual void DefaultFillDataHintShowInfo(const TPoint& CursorPos, const TGridCoord& Cell, TAxisBarVz* AxisBar,
                                             TDBAxisGridDataHintParamsVz* Params);
    virtual TFont* GetTitleFont();
    virtual void SetTitleFont(TFont* Value);
    void ChangeScale(int M, int D);

    // ---- in-cell buttons and link hot-tracking (dbaxisgridbuttonsvz.cpp)
    // The place box of a cell: child 0 the text area, then the buttons in their order.
    virtual void FillCellPlaceBox(int Col, int Row, TAxisBarVz* Bar, std::vector<TCellPlaceBoxChildVz>& PlaceBox);
    virtual void BuildCellPlaceBox(int Col, int Row, const TRect& ARect, TAxisBarVz* Bar,
                                   std::vector<TCellPlaceBoxChildVz>& PlaceBox);
    virtual void UpdatePlaceBoxListForCell(int Col, int Row);
    TEditButtonVz* GetInCellButtonAtPos(int Col, int Row, TAxisBarVz* Bar, int X, int Y);
    virtual void UpdateCellTextBoundsAtPos(int Col, int Row);
    void UpdateCellTextBounds(int Col, int Row, TAxisBarVz* Bar);
    void CalcCellTextBounds(const TSize& CellSize, TAxisBarVz* Bar);
    int CellTextBoundIndexAtPos(int Col, int Row, int X, int Y);
    bool IsHotTrackLink() { return IsHotTrackTextLink() || IsHotTrackImageLink(); }
    bool IsHotTrackTextLink() override;
    bool IsHotTrackImageLink();
    const std::vector<TRect>& MouseCellTextBounds() const { return FMouseCellTextBounds; }
    int MousePointInCellTextBoundIndex() const { return FMousePointInCellTextBoundIndex; }
    virtual int GetEditButtonTransparency() { return 0; }
    void DoEditButtonClick() override;
    void EditButtonDefaultAction(TAxisBarVz* Bar, TEditButtonVz* Button, TEditButtonControlVz* Control,
                                 bool IsMouseDown, bool& Handled) override;
    void FormSystemPopupMenuForBar(TAxisBarVz* Bar, TPopupMenu* Menu) override;
    void PaintEditButton(TAxisBarVz* Bar, TCanvas* ACanvas, TEditButtonStyleVz Style, TRect ARect,
                         const TRect& MasterRect, int DownButton, bool Hot, bool Flat, bool Enabled, TColor BackColor);

    // ---- IAxisBarsGridVz
    TColor AxisGridColor() override { return Color(); }
    TFont* AxisGridFont() override { return Font(); }
    TBiDiMode AxisGridBiDiMode() override { return BiDiMode(); }
    bool AxisGridReadOnly() override { return FReadOnly; }
    bool AxisGridFlat() override { return Flat(); }
    bool AxisGridLoading() override;
    TAxisGridDataLinkVz* AxisGridDataLink() override { return FDataLink; }
    TComponent* AxisGridComponent() override { return this; }
    void InvalidateAxisGrid() override { Invalidate(); }
    void AxisBarDeleting(TAxisBarVz* Bar) override {}
    void AxisBarLookupChanged(TAxisBarVz* Bar) override {}
    void AxisBarChanged(TAxisBarVz* Bar) override { Invalidate(); }
    void GetDataSetFields(std::vector<TField*>& List) override;
    TGridAxisBarsVz* CreateAxisBars() override;
    TAxisColCellParamsVz* CreateColCellParams() override { return new TAxisColCellParamsVz(); }
    Variant& EditKeyValue() override { return FEditKeyValue; }
    String& EditText() override { return FEditText; }
    bool InplaceEditorShowing() override { return IsEditorVisible(); }
    String InplaceEditorText() override;
    void GetAxisBarCell(TAxisBarVz* Bar, int& Col, int& Row) override;
    TFont* DummyFont() override { return &FDummiFont; }
    TCanvas* AxisGridCanvas() override;
    TGridCoord AxisGridHotTrackCell() override { return HotTrackCell(); }
    int InplaceEditorButtonWidth() override { return FInplaceEditorButtonWidth; }
    int InplaceEditorButtonHeight() override { return FInplaceEditorButtonHeight; }
    int AxisGridDefaultRowHeight() override { return DefaultRowHeight(); }
    int AxisGridRowHeight(int Row) override { return Row >= 0 && Row < FullRowCount() ? RowHeights(Row) : 0; }
    int AxisGridInterlinear() override { return FInterlinear; }
    void AxisGridTakeFocus() override;

    // ---- IAxisGridLinkOwnerVz
    void DataLinkActiveChanged(bool Active) override;
    void DataLinkDataChanged() override {}
    void DataLinkScrolled(int Distance) override {}
    void DataLinkLayoutChanged() override;
    void DataLinkEditingChanged() override;
    void DataLinkRecordChanged(TField* Field) override;
    void DataLinkUpdateData() override { UpdateData(); }
    bool DataLinkFocusControl(TField* Field) override;
    void DataLinkCancelEditing() override { CancelEditing(); }
    TComponent* DataLinkNotifiedComponent() override { return this; }

    // ---- base-grid overrides
    void Invalidate() override;
    void InvalidateRect(const TGridRect& ARect) override;
    bool CanEditAcceptKey(Char Key) override;
    bool CanModifyCellText() override { return false; }
    void RepaintInplaceEditor() override;

    TNotifyEvent OnEditButtonClick;

protected:
    virtual TAxisBarDefValuesVz* CreateColumnDefValues();
    virtual TAxisGridDataLinkVz* CreateDataLink();
    // The data-aware in-place editor (dbaxisgridinplacevz.h).
    GridsVz::TInplaceEdit* CreateEditor() override;
    virtual void InternalLayout();
    virtual void DefineFieldMap();
    virtual void BindBarFields();
    // An ellipsis on a text or picture bar, through the installed editing routine.
    bool EditTextWithRoutine(TAxisBarVz* Bar, TField* Field);
    void EditPictureWithRoutine(TAxisBarVz* Bar, TField* Field);
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Dispatch(TMessage& Message) override;
    void FontChanged() override;
    void FlatChanged() override;
    void Paint() override;
    bool NeedBufferedPaint() override { return true; }
    void DoEnter() override;
    void DoExit() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    virtual void SelectionActiveChanged();
    bool CanShowInplaceEditor() override;
    String GetCellEditMask(int ACol, int ARow) override;
    String GetCellEditText(int ACol, int ARow) override;
    int GetCellEditMaxLength(int ACol, int ARow) override;
    void SetCellEditText(int ACol, int ARow, const String& Value) override;
    bool IsCellHotTrackable(int ACol, int ARow) override { return true; }
    void UpdateHotTrackInfo(int X, int Y) override;
    void RecordChangedForBars(TField* Field);

    TDBGridVzAllowedOperations FAllowedOperations;
    TGridAxisBarsVz* FAxisBars = nullptr;
    std::unique_ptr<TAxisColCellParamsVz> FColCellParamsVz;
    TAxisBarDefValuesVz* FColumnDefValues = nullptr;
    TAxisGridDataLinkVz* FDataLink = nullptr;
    bool FDefaultDrawing = true;
    TFont FDummiFont;
    TDynVarsVz* FDynProps = nullptr;
    bool FLayoutChangedInUpdateLock = false;
    int FLayoutLock = 0;
    bool FReadOnly = false;
    int FUpdateLock = 0;
    bool FAcquireFocus = true;
    bool FSelectionActive = false;
    bool FDrawGraphicData = false;
    bool FDrawMemoText = false;
    Variant FEditKeyValue;
    String FEditText;
    TFont FHintFont;
    int FInplaceEditorButtonHeight = 0;
    int FInplaceEditorButtonWidth = 0;
    int FInterlinear = 4;
    bool FLayoutFromDataset = false;
    int FLockEditorCount = 0;
    TPoint FMoveMousePos;
    TPoint FDownMousePos;
    unsigned FDownMouseMessageTime = 0;
    bool FTimerActive = false;
    int FTimerInterval = -1;
    std::vector<TRect> FMouseCellTextBounds;
    int FMousePointInCellTextBoundIndex = -1;
    bool FCellDataWantAsLink = false;
    bool FCellImageWantAsLink = false;
    TAxisBarVz* FHotTrackAxisBar = nullptr;
    TEditButtonVz* FHotTrackInCellControl = nullptr;
};
