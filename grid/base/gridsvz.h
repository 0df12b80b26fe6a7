// The base grid of the library: a windowed, self-painted control that shows cells in columns and
// rows and is the root of every grid (list boxes, the data-aware axis grid and through it the data
// grid). It measures its columns and rows with two axes (gridaxisvz.h): each axis has a fixed
// zone pinned at the near edge (the last FrozenCelCount of it frozen: data cells that do not
// scroll), a rolling zone that scrolls by pixel over 64-bit positions, and a contra zone pinned at
// the far edge. Absolute cell indexes count fixed cells first, then rolling, then contra cells.
//
// The grid owns its axes, the settings of its two scroll bars with the panels that hold the bars,
// its in-place editor (made on first use), line colours, margins around the cells, a background
// picture and the hot-track state; every such object is made through a virtual factory a
// descendant overrides. Painting walks the zones block by block and hands each cell to PaintCell
// with its draw state; descendants paint contents in DrawCellData and keep the block order.
//
// Misuse of cell indexes raises EInvalidGridOperationVz ("Grid index out of range"); count and
// scroll-position errors come from the axes. Re-entrancy is guarded by counters: the boundary
// update count (UpdateBoundaries runs once however it is reached) and the paint lock.
#pragma once

#include "grid/base/gridaxisvz.h"
#include "grid/base/gridtoolctrlsvz.h"
#include "grid/base/toolsvz.h"
#include "platform/gui/gridtypes.h"
#include "platform/gui/memo.h"

class TPicture;
class TTimer;
class TCustomGridVz;
class TGridDrawStyleVz;
namespace GridsVz {
class TInplaceEdit;
class TInplaceEditCoreControl;
}

SDELKA_EXCEPTION(EInvalidGridOperationVz, Exception)

TGridCoord MakeGridCoord(int X, int Y);
// Smaller index first on each axis.
TGridRect GridRectFromCoords(const TGridCoord& C1, const TGridCoord& C2);
bool PointInGridRect(int Col, int Row, const TGridRect& Rect);

enum TGridOptionVz {
    goFixedVertLineVz, goFixedHorzLineVz, goVertLineVz, goHorzLineVz, goDrawFocusSelectedVz, goRowSizingVz,
    goColSizingVz, goRowMovingVz, goColMovingVz, goEditingVz, goTabsVz, goRowSelectVz, goAlwaysShowEditorVz,
    goThumbTrackingVz, goExtendVertLinesVz, goContraVertBoundaryLineVz, goContraHorzBoundaryLineVz,
    goRangeSelectVz
};
using TGridOptionsVz = TSet<TGridOptionVz, 32>;
constexpr std::uint64_t DefaultGridOptionsVzBits = 0x183FF;

enum TGridStateVz { gsNormalVz, gsSelectingVz, gsRowSizingVz, gsColSizingVz, gsRowMovingVz, gsColMovingVz };
enum TGridCellBorderTypeVz { cbtTopVz, cbtLeftVz, cbtBottomVz, cbtRightVz };
using TGridCellBorderTypesVz = TSet<TGridCellBorderTypeVz, 4>;
enum TScrollBarVisibleModeVz { sbAlwaysShowVz, sbNeverShowVz, sbAutoShowVz };
enum TGridSelectionDrawStyleVz { gsdsDefaultVz, gsdsClassicVz, gsdsGridThemedVz, gsdsListViewThemedVz };
enum TCornerDrawPriorityVz { crpHorizontalDataPriorityVz, crpVerticalDataPriorityVz };

using TGridVzCellMouseEvent = TEvent<void(TCustomGridVz* Grid, const TGridCoord& Cell, TMouseButton Button,
                                          TShiftState Shift, int X, int Y, bool& Processed)>;

// ---- scroll-bar settings ------------------------------------------------------------------------
// The settings of one of the grid's scroll bars; the bar itself sits in the grid's panel.
class TGridScrollBarVz : public TPersistent {
    SDELKA_CLASS(TGridScrollBarVz, TPersistent)
public:
    TGridScrollBarVz(TCustomGridVz* AGrid, TScrollBarKind AKind);

    void Assign(TPersistent* Source) override;
    TCustomGridVz* Grid() const { return FGrid; }
    TScrollBarKind Kind() const { return FKind; }
    int Size() const { return FSize; }
    void SetSize(int Value);
    bool SmoothStep() const { return FSmoothStep; }
    void SetSmoothStep(bool Value);
    bool Tracking() const { return FTracking; }
    void SetTracking(bool Value) { FTracking = Value; }
    TScrollBarVisibleModeVz VisibleMode() const { return FVisibleMode; }
    void SetVisibleMode(TScrollBarVisibleModeVz Value);
    bool Visible() const { return FVisibleMode != sbNeverShowVz; }
    void SetVisible(bool Value) { SetVisibleMode(Value ? sbAutoShowVz : sbNeverShowVz); }

    virtual bool CalcScrollBarShowing();
    virtual void Changed();
    virtual void SmoothStepChanged() {}
    virtual int ActualScrollBarBoxSize();
    virtual int ActualSize();
    virtual bool IsKeepMaxSizeInDefault() { return false; }
    virtual bool IsScrollBarShowing() { return CalcScrollBarShowing(); }
    virtual bool ScrollBarPanel() { return true; }
    bool CheckHideScrollBar() { return !IsScrollBarShowing(); }

    void GetScrollBarParams(int& Position, int& Min, int& Max, int& PageSize);
    void SetScrollBarParams(int Position, int Min, int Max, int PageSize);


private:
    TGridScrollBarPanelControlVz* Panel() const;
    TCustomGridVz* FGrid;
    TScrollBarKind FKind;
    int FSize = 0;
    bool FSmoothStep = false;
    bool FTracking = true;
    TScrollBarVisibleModeVz FVisibleMode = sbAutoShowVz;
};

// ---- line colours -------------------------------------------------------------------------------
// Line colours by zone. A field left at clDefault answers the colour its getter names.
class TGridLineColorsVz : public TPersistent {
    SDELKA_CLASS(TGridLineColorsVz, TPersistent)
public:
    explicit TGridLineColorsVz(TCustomGridVz* AGrid);
    void Assign(TPersistent* Source) override;
    TCustomGridVz* Grid() const { return FGrid; }

    TColor BrightColor() const { return FBrightColor; }
    void SetBrightColor(TColor Value);
    TColor DarkColor() const { return FDarkColor; }
    void SetDarkColor(TColor Value);
    TColor DataHorzColor() const { return FDataHorzColor; }
    void SetDataHorzColor(TColor Value);
    TColor DataVertColor() const { return FDataVertColor; }
    void SetDataVertColor(TColor Value);

    virtual TColor GetCellAreaLineColor(int ACol, int ARow);
    virtual TColor GetDataHorzColor();
    virtual TColor GetDataVertColor();
    virtual TColor GetFrozenRowBoundaryLineColor(int ARow);
    virtual TColor GetHorzAreaFrozenBorderColor();
    virtual TColor GetHorzAreaFrozenHorzColor();
    virtual TColor GetHorzAreaFrozenVertColor();
    virtual TColor GetColBoundaryLineColor(int ACol);
    virtual TColor GetFrozenColBoundaryLineColor(int ACol);
    virtual TColor GetRowBoundaryLineColor(int ARow);
    virtual TColor GetVertAreaFrozenBorderColor();
    virtual TColor GetVertAreaFrozenHorzColor();
    virtual TColor GetVertAreaFrozenVertColor();
    virtual TColor GetDarkColor();
    virtual TColor GetBrightColor();
    virtual TColor GetFixedVertColor();
    virtual TColor GetFixedHorzColor();
    virtual TColor GetVertAreaContraVertColor();
    virtual TColor GetVertAreaContraHorzColor();
    virtual TColor GetHorzAreaContraVertColor();
    virtual TColor GetHorzAreaContraHorzColor();
    virtual TColor GetVertAreaContraBorderColor();
    virtual TColor GetHorzAreaContraBorderColor();

protected:
    TColor Pick(TColor Field, TColor Default) const { return Field == clDefault ? Default : Field; }
    void Store(TColor& Field, TColor Value);
    TColor FBrightColor = clDefault;
    TColor FDarkColor = clDefault;
    TColor FDataHorzColor = clDefault;
    TColor FDataVertColor = clDefault;
    TColor FFixedHorzColor = clDefault;
    TColor FFixedVertColor = clDefault;
    TCustomGridVz* FGrid;
    TColor FHorzAreaContraBorderColor = clDefault;
    TColor FHorzAreaContraHorzColor = clDefault;
    TColor FHorzAreaContraVertColor = clDefault;
    TColor FHorzAreaFrozenBorderColor = clDefault;
    TColor FHorzAreaFrozenHorzColor = clDefault;
    TColor FHorzAreaFrozenVertColor = clDefault;
    TColor FVertAreaContraBorderColor = clDefault;
    TColor FVertAreaContraHorzColor = clDefault;
    TColor FVertAreaContraVertColor = clDefault;
    TColor FVertAreaFrozenBorderColor = clDefault;
    TColor FVertAreaFrozenHorzColor = clDefault;
    TColor FVertAreaFrozenVertColor = clDefault;
};

// ---- selection look -----------------------------------------------------------------------------
// A component that fixes the selection look of many grids; every grid joins the process-wide
// default one unless given another. Freeing it sends its grids back to the default.
class TGridDrawStyleVz : public TComponent {
    SDELKA_CLASS(TGridDrawStyleVz, TComponent)
protected:
    explicit TGridDrawStyleVz(TComponent* AOwner);
    ~TGridDrawStyleVz() override = default;

public:
    void BeforeDestruction() override;

    void AddChangeNotification(TCustomGridVz* Grid);
    void RemoveChangeNotification(TCustomGridVz* Grid);
    bool GridInChangeNotification(TCustomGridVz* Grid) const;
    void Changed();

    TGridSelectionDrawStyleVz SelectionStyle() const { return FSelectionStyle; }
    void SetSelectionStyle(TGridSelectionDrawStyleVz Value);
    bool DrawFocusFrame();
    void SetDrawFocusFrame(bool Value);
    bool DrawFocusFrameStored() const { return FDrawFocusFrameStored; }
    void SetDrawFocusFrameStored(bool Value);

    TGridSelectionDrawStyleVz GetActualSelectionStyle();
    bool IsCustomStyleActive() const;
    virtual bool DefaultDrawFocusFrame();
    virtual TGridSelectionDrawStyleVz GetDefaultActualSelectionStyle();


private:
    bool FDrawFocusFrame = false;
    bool FDrawFocusFrameStored = false;
    std::vector<TCustomGridVz*> FGrids;
    TGridSelectionDrawStyleVz FSelectionStyle = gsdsDefaultVz;
};

// The process-wide default draw style (made on first use).
TGridDrawStyleVz* GetGridDefaultDrawStyle();

// A grid's own selection settings.
class TGridSelectionDrawParamsVz : public TPersistent {
    SDELKA_CLASS(TGridSelectionDrawParamsVz, TPersistent)
public:
    explicit TGridSelectionDrawParamsVz(TCustomGridVz* AGrid) : FGrid(AGrid) {}
    void Assign(TPersistent* Source) override;

    TGridSelectionDrawStyleVz SelectionStyle() const { return FSelectionStyle; }
    void SetSelectionStyle(TGridSelectionDrawStyleVz Value);
    bool DrawFocusFrame();
    void SetDrawFocusFrame(bool Value);
    bool DrawFocusFrameStored() const { return FDrawFocusFrameStored; }
    void SetDrawFocusFrameStored(bool Value);
    TGridSelectionDrawStyleVz GetActualSelectionStyle();
    virtual bool DefaultDrawFocusFrame();


private:
    bool FDrawFocusFrame = false;
    bool FDrawFocusFrameStored = false;
    TCustomGridVz* FGrid;
    TGridSelectionDrawStyleVz FSelectionStyle = gsdsDefaultVz;
};

// ---- margins, background, hot-track spot --------------------------------------------------------
// Four margins between the client edges and the cells; each corner square belongs to exactly one
// of them (by default to the top or bottom margin, which then span the full width).
class TGridOutBoundaryDataVz : public TPersistent {
    SDELKA_CLASS(TGridOutBoundaryDataVz, TPersistent)
public:
    explicit TGridOutBoundaryDataVz(TCustomGridVz* AGrid) : FGrid(AGrid) {}
    void Assign(TPersistent* Source) override;

    int BottomIndent() const { return FBottomIndent; }
    void SetBottomIndent(int Value) { Store(FBottomIndent, Value); }
    int LeftIndent() const { return FLeftIndent; }
    void SetLeftIndent(int Value) { Store(FLeftIndent, Value); }
    int RightIndent() const { return FRightIndent; }
    void SetRightIndent(int Value) { Store(FRightIndent, Value); }
    int TopIndent() const { return FTopIndent; }
    void SetTopIndent(int Value) { Store(FTopIndent, Value); }
    TCornerDrawPriorityVz LeftBottomDrawPriority() const { return FLeftBottomDrawPriority; }
    void SetLeftBottomDrawPriority(TCornerDrawPriorityVz Value) { Store(FLeftBottomDrawPriority, Value); }
    TCornerDrawPriorityVz LeftTopDrawPriority() const { return FLeftTopDrawPriority; }
    void SetLeftTopDrawPriority(TCornerDrawPriorityVz Value) { Store(FLeftTopDrawPriority, Value); }
    TCornerDrawPriorityVz RightBottomDrawPriority() const { return FRightBottomDrawPriority; }
    void SetRightBottomDrawPriority(TCornerDrawPriorityVz Value) { Store(FRightBottomDrawPriority, Value); }
    TCornerDrawPriorityVz RightTopDrawPriority() const { return FRightTopDrawPriority; }
    void SetRightTopDrawPriority(TCornerDrawPriorityVz Value) { Store(FRightTopDrawPriority, Value); }

    // The client rectangle of one margin; false (ARect untouched) when its indent is 0 or less.
    bool GetOutBoundaryRect(TRect& ARect, TGridCellBorderTypeVz Side) const;
    void InvalidateOutBoundary(TGridCellBorderTypeVz Side);

private:
    template <class T>
    void Store(T& Field, T Value);
    int FBottomIndent = 0;
    TCustomGridVz* FGrid;
    TCornerDrawPriorityVz FLeftBottomDrawPriority = crpHorizontalDataPriorityVz;
    int FLeftIndent = 0;
    TCornerDrawPriorityVz FLeftTopDrawPriority = crpHorizontalDataPriorityVz;
    TCornerDrawPriorityVz FRightBottomDrawPriority = crpHorizontalDataPriorityVz;
    int FRightIndent = 0;
    TCornerDrawPriorityVz FRightTopDrawPriority = crpHorizontalDataPriorityVz;
    int FTopIndent = 0;
};

// A picture painted under the cells, placed in the cell area.
class TGridBackgroundDataVz : public TPersistent {
    SDELKA_CLASS(TGridBackgroundDataVz, TPersistent)
public:
    explicit TGridBackgroundDataVz(TCustomGridVz* AGrid);
    ~TGridBackgroundDataVz() override;
    void Assign(TPersistent* Source) override;

    TCustomGridVz* Grid() const { return FGrid; }
    int HorzMargin() const { return FImageHorzMargin; }
    void SetHorzMargin(int Value);
    int VertMargin() const { return FImageVertMargin; }
    void SetVertMargin(int Value);
    TImagePlacementVz Placement() const { return FImagePlacement; }
    void SetPlacement(TImagePlacementVz Value);
    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);

    virtual bool Showing() { return FVisible; }
    // The area the picture is placed in: the cell area inside the margins.
    virtual void BoundRect(TRect& Rect);
    virtual void PaintBackgroundData(TCanvas* Canvas);
    void CalcPictureRect(TRect& Rect);


protected:
    void PictureChanged(TObject* Sender = nullptr);

private:
    TCustomGridVz* FGrid;
    int FImageHorzMargin = 0;
    TImagePlacementVz FImagePlacement = ipCenterCenterVz;
    int FImageVertMargin = 0;
    TOwned<TPicture> FPicture;
    bool FVisible = false;
};

// The place under the mouse that hot tracking follows; descendants widen it to parts of a cell.
class TGridHotTrackSpotVz : public TPersistent {
    SDELKA_CLASS(TGridHotTrackSpotVz, TPersistent)
public:
    TGridHotTrackSpotVz() = default;
    void Assign(TPersistent* Source) override;
    int Col() const { return FCol; }
    void SetCol(int Value) { FCol = Value; }
    int InCellX() const { return FInCellX; }
    void SetInCellX(int Value) { FInCellX = Value; }
    int InCellY() const { return FInCellY; }
    void SetInCellY(int Value) { FInCellY = Value; }
    int Row() const { return FRow; }
    void SetRow(int Value) { FRow = Value; }

private:
    int FCol = -1;
    int FInCellX = 0;
    int FInCellY = 0;
    int FRow = -1;
};

// ---- the grid -----------------------------------------------------------------------------------
class TCustomGridVz : public TCustomControlVz, public TGridAxisOwnerVz {
    SDELKA_CLASS(TCustomGridVz, TCustomControlVz)
protected:
    explicit TCustomGridVz(TComponent* AOwner);
    ~TCustomGridVz() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // ---- counts and sizes
    int ColCount() const { return FHorzAxis->CelCount(); }
    void SetColCount(int Value) { FHorzAxis->SetRolCelCount(Value - FHorzAxis->FixedCelCount()); }
    int RowCount() const { return FVertAxis->CelCount(); }
    void SetRowCount(int Value) { FVertAxis->SetRolCelCount(Value - FVertAxis->FixedCelCount()); }
    int FixedColCount() const { return FHorzAxis->FixedCelCount(); }
    void SetFixedColCount(int Value) { FHorzAxis->SetFixedCelCount(Value); }
    int FixedRowCount() const { return FVertAxis->FixedCelCount(); }
    void SetFixedRowCount(int Value) { FVertAxis->SetFixedCelCount(Value); }
    int FrozenColCount() const { return FHorzAxis->FrozenCelCount(); }
    void SetFrozenColCount(int Value) { FHorzAxis->SetFrozenCelCount(Value); }
    int FrozenRowCount() const { return FVertAxis->FrozenCelCount(); }
    void SetFrozenRowCount(int Value) { FVertAxis->SetFrozenCelCount(Value); }
    int ContraColCount() const { return FHorzAxis->ContraCelCount(); }
    void SetContraColCount(int Value) { FHorzAxis->SetContraCelCount(Value); }
    int ContraRowCount() const { return FVertAxis->ContraCelCount(); }
    void SetContraRowCount(int Value) { FVertAxis->SetContraCelCount(Value); }
    int RolColCount() const { return FHorzAxis->RolCelCount(); }
    void SetRolColCount(int Value) { FHorzAxis->SetRolCelCount(Value); }
    int RolRowCount() const { return FVertAxis->RolCelCount(); }
    void SetRolRowCount(int Value) { FVertAxis->SetRolCelCount(Value); }
    int FullColCount() const { return FHorzAxis->FullCelCount(); }
    int FullRowCount() const { return FVertAxis->FullCelCount(); }
    int DefaultColWidth() const { return FHorzAxis->DefaultCelLen(); }
    void SetDefaultColWidth(int Value) { FHorzAxis->SetDefaultCelLen(Value); }
    int DefaultRowHeight() const { return FVertAxis->DefaultCelLen(); }
    void SetDefaultRowHeight(int Value) { FVertAxis->SetDefaultCelLen(Value); }
    // Absolute index, any zone; "Grid index out of range" outside 0 .. full count - 1.
    int ColWidths(int Index) const;
    void SetColWidths(int Index, int Value);
    int RowHeights(int Index) const;
    void SetRowHeights(int Index, int Value);
    Int64 HorzRolStartVisPos() const { return FHorzAxis->RolStartVisPos(); }
    void SetHorzRolStartVisPos(Int64 Value) { FHorzAxis->SetRolStartVisPos(Value); }
    Int64 VertRolStartVisPos() const { return FVertAxis->RolStartVisPos(); }
    void SetVertRolStartVisPos(Int64 Value) { FVertAxis->SetRolStartVisPos(Value); }
    int GridClientWidth() { return FHorzAxis->GridClientLen(); }
    int GridClientHeight() { return FVertAxis->GridClientLen(); }
    int LeftCol() const { return FHorzAxis->StartVisCel(); }
    void SetLeftCol(int ACol);
    int TopRow() const { return FVertAxis->StartVisCel(); }
    void SetTopRow(int ARow);
    void SafeSetTopRow(int ARow);
    int Col() const { return FCurCell.X; }
    void SetCol(int Value);
    int Row() const { return FCurCell.Y; }
    void SetRow(int Value);
    int VisibleColCount();
    int VisibleRowCount();
    int LastFullVisibleCol() { return FixedColCount() + FHorzAxis->RolLastFullVisCel(); }
    int LastFullVisibleRow() { return FixedRowCount() + FVertAxis->RolLastFullVisCel(); }
    int LeftColOffset() const { return FHorzAxis->RolStartVisCelOfst(); }
    TGridAxisDataVz* HorzAxis() const { return FHorzAxis.get(); }
    TGridAxisDataVz* VertAxis() const { return FVertAxis.get(); }

    // ---- look
    TGridOptionsVz Options() const { return FOptions; }
    void SetOptions(TGridOptionsVz Value);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int Value);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    bool BufferedPaint() const { return FBufferedPaint; }
    void SetBufferedPaint(bool Value) { FBufferedPaint = Value; }
    bool CanvasRightToLeftReflected() const { return FCanvasRightToLeftReflected; }
    bool SizeGripAlwaysShow() const { return FSizeGripAlwaysShow; }
    void SetSizeGripAlwaysShow(bool Value);
    TSizeGripPosition SizeGripPostion() const { return FSizeGripPostion; }
    void SetSizeGripPostion(TSizeGripPosition Value);
    bool SaveCellExtents() const { return FSaveCellExtents; }
    void SetSaveCellExtents(bool Value) { FSaveCellExtents = Value; }
    TGridLineColorsVz* GridLineColors() const { return FGridLineColors; }
    void SetGridLineColors(TGridLineColorsVz* Value) { FGridLineColors->Assign(Value); }
    TGridSelectionDrawParamsVz* SelectionDrawParams() const { return FSelectionDrawParams; }
    void SetSelectionDrawParams(TGridSelectionDrawParamsVz* Value) { FSelectionDrawParams->Assign(Value); }
    TGridScrollBarVz* HorzScrollBar() const { return FHorzScrollBar; }
    void SetHorzScrollBar(TGridScrollBarVz* Value) { FHorzScrollBar->Assign(Value); }
    TGridScrollBarVz* VertScrollBar() const { return FVertScrollBar; }
    void SetVertScrollBar(TGridScrollBarVz* Value) { FVertScrollBar->Assign(Value); }
    TGridOutBoundaryDataVz* OutBoundaryData() const { return FOutBoundaryData; }
    TGridBackgroundDataVz* BackgroundData() const { return FBackgroundData; }
    TGridDrawStyleVz* DrawStyle() const { return FDrawStyle; }
    void SetDrawStyle(TGridDrawStyleVz* Style);
    TGridScrollBarPanelControlVz* HorzScrollBarPanelControl() const { return FHorzScrollBarPanelControl; }
    TGridScrollBarPanelControlVz* VertScrollBarPanelControl() const { return FVertScrollBarPanelControl; }
    TSizeGripPanelVz* CornerScrollBarPanelControl() const { return FCornerScrollBarPanelControl; }
    TSizeGripPanelVz* ExtraSizeGripControl() const { return FExtraSizeGripControl; }
    TGridStateVz GridState() const { return FGridState; }
    TGridCoord HotTrackCell() const { return FHotTrackCell; }
    TPoint HotTrackInCellPos() const { return FHotTrackInCellPos; }
    TTimer* GridTimer() const { return FGridTimer; }
    int ScrollBarSize() const { return FScrollBarSize; }

    // ---- editor
    bool EditorMode() const { return FEditorMode; }
    void SetEditorMode(bool Value);
    GridsVz::TInplaceEdit* InplaceEditor() const { return FInplaceEdit; }
    bool CanEditModify() const { return FCanEditModify; }

    // ---- lines and update brackets
    virtual int GetVertLineWidth();
    virtual int GetHorzLineWidth();
    virtual bool LinesVisible(bool Horz);
    void BeginBoundariesUpdate() { ++FBoundariesUpdateCount; }
    void EndBoundariesUpdate() { --FBoundariesUpdateCount; }
    bool BoundariesUpdating() const { return FBoundariesUpdateCount > 0; }
    void LockPaint() { ++FLockPaint; }
    void UnlockPaint();
    bool PaintLocked() const { return FLockPaint > 0; }
    void UpdateDesigner() {}

    // ---- geometry
    TRect GridRectToScreenRect(const TGridRect& ARect, bool Clip, bool Reflect);
    TRect GridRectToScreenRectAbs(const TGridRect& ARect) { return GridRectToScreenRect(ARect, false, true); }
    TRect CellRangeRect(int Left, int Top, int Right, int Bottom);
    TRect CellRect(int ACol, int ARow) { return CellRangeRect(ACol, ARow, ACol, ARow); }
    TRect CellRectAbs(int ACol, int ARow) { return GridRectToScreenRectAbs(TGridRect{ACol, ARow, ACol, ARow}); }
    virtual TRect CellDataRect(int ACol, int ARow);
    Int64 CalcColsLen(int Start, int Count);
    Int64 CalcRowsLen(int Start, int Count);
    TGridCoord CalcCoordFromPoint(int X, int Y);
    virtual TGridCoord MouseCoord(int X, int Y);
    virtual void ClampCoord(TGridCoord& Coord);
    virtual void ValidateCoord(TGridCoord& Coord);

    // ---- current cell and selection
    TGridRect GetSelection() const { return GridRectFromCoords(FCurCell, FAnchorCell); }
    TGridCoord AnchorCell() const { return FAnchorCell; }
    virtual bool IsMultiCellSelection() { return FAnchorCell != FCurCell; }
    virtual void MoveCurrentCell(int ACol, int ARow, bool ScrollHorz, bool ScrollVert);
    virtual void MoveFocusToCell(int ACol, int ARow, bool MoveAnchor);
    virtual void SetAnchorCell(int ACol, int ARow, bool Show);
    virtual bool CanSelectCell(int ACol, int ARow) { return true; }
    virtual void FindNextSelectableCell(int CurCol, int CurRow, TGridCoord& NewCell, int TargetRow, int TargetCol);
    virtual void MoveColumn(int FromIndex, int ToIndex) { FHorzAxis->MoveCel(FromIndex, ToIndex); }
    virtual void MoveRow(int FromIndex, int ToIndex) { FVertAxis->MoveCel(FromIndex, ToIndex); }
    virtual void RemoveColumn(int Index);
    virtual void RemoveRow(int Index);

    // ---- painting
    virtual void InvalidateRect(const TGridRect& ARect);
    void RepaintCell(int ACol, int ARow) { InvalidateRect(TGridRect{ACol, ARow, ACol, ARow}); }
    void RepaintColumn(int ACol);
    void RepaintRow(int ARow);
    void InvalidateGrid() { Invalidate(); }
    virtual bool GetCellBorder(int ACol, int ARow, TGridCellBorderTypeVz BorderType, bool& Extends, TColor& Color);
    bool IsCellBorderVisible(int ACol, int ARow, TGridCellBorderTypeVz BorderType);
    TColor InternalColor() const { return FInternalColor; }
    TColor InternalFixedColor() const { return FInternalFixedColor; }
    TColor FixedLineColor() const { return FFixedLineColor; }

    // ---- scrolling
    void SetLeftPos(Int64 Pos);
    void SetTopPos(Int64 Pos);
    virtual void ModifyScrollBar(int ScrollBar, int ScrollCode, int Pos, bool UseRightToLeft);
    virtual bool ScrollBarPressed();
    virtual void ScrollCellIntoView(const TGridCoord& Cell, bool ScrollHorz, bool ScrollVert);
    virtual void UpdateScrollBars();
    virtual void UpdateScrollBarPanels();
    virtual void GetHorzScrollBarParams(int& Position, int& Min, int& Max, int& PageSize);
    virtual void GetVertScrollBarParams(int& Position, int& Min, int& Max, int& PageSize);
    virtual bool IsSmoothHorzScroll() { return FHorzScrollBar->SmoothStep(); }
    virtual bool IsSmoothVertScroll() { return FVertScrollBar->SmoothStep(); }
    virtual int GetHorzScrollStep() { return FHorzAxis->GetScrollStep(); }
    virtual int GetVertScrollStep() { return FVertAxis->GetScrollStep(); }

    // ---- notifications from the axes and the settings objects
    void CellCountsChanged() override;
    void UpdateBoundaries() override;
    void AxisCelLenChanged(TGridAxisDataVz* Axis, Integer Index, Integer OldLen) override;
    void AxisCelMoved(TGridAxisDataVz* Axis, Integer FromIndex, Integer ToIndex) override;
    void RolCelPosArrRebuilt() override { UpdateBoundaries(); }
    void UpdateRolCelPosArrs() override;
    void AxisRolStartVisPosChanged(TGridAxisDataVz* Axis, Int64 OldPos) override;
    void CheckUpdateRolCelPosArrs() { UpdateRolCelPosArrs(); }
    bool RolCelPosArrsActual() const;
    virtual void OutBoundaryDataChanged() { UpdateBoundaries(); }
    virtual void ScrollBarSizeChanged() { UpdateBoundaries(); }
    virtual void DrawStyleChanged() { Invalidate(); }
    virtual TGridSelectionDrawStyleVz GetDefaultSelectionStyle();
    virtual bool GetDefaultDrawFocusFrame();

    // ---- editor plumbing (the editor calls these)
    virtual bool CanEditAcceptKey(Char Key) { return true; }
    virtual bool CanModifyCellText() { return FCanEditModify; }
    virtual bool GridHandlesEditorKey(Word Key, TShiftState Shift);
    virtual void UpdateText();
    virtual void RefreshInplaceEditor();
    virtual void HideInplaceEditor();
    virtual void ShowEditor();
    void ShowEditorChar(Char Ch);
    void HideEdit();
    bool InternalFocusResetting() const { return FInternalFocusResetting; }
    void SetInternalFocusResetting(bool Value) { FInternalFocusResetting = Value; }
    bool IsActiveControl();
    // The grid's key handling, as the editor hands keys on (Part of the editor's routing).
    void GridKeyDown(Word& Key, TShiftState Shift) { KeyDown(Key, Shift); }
    void GridKeyPress(Char& Key);

    // ---- timer, modes
    virtual void SetGridTimer(bool Enabled, int Interval);
    virtual void CancelMode();
    virtual TCursor GetCursorAt(const TPoint& P);
    virtual TGridStateVz GetGridStateAt(int X, int Y);

    // ---- events
    TGridVzCellMouseEvent OnCellMouseClick;
    TGridVzCellMouseEvent OnCellMouseDown;
    TMouseWheelEvent OnMouseWheelDown;
    TMouseWheelEvent OnMouseWheelUp;

    bool Focused() const override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;

protected:
    // ---- factories
    virtual TGridScrollBarVz* CreateScrollBar(TScrollBarKind Kind);
    virtual TGridLineColorsVz* CreateGridLineColors();
    virtual TGridBackgroundDataVz* CreateBackgroundData();
    virtual TGridHotTrackSpotVz* CreateHotTrackSpot();
    virtual GridsVz::TInplaceEdit* CreateEditor();
    virtual TGridScrollBarPanelControlVz* CreateHorzScrollBarPanel();
    virtual TGridScrollBarPanelControlVz* CreateVertScrollBarPanel();
    virtual TSizeGripPanelVz* CreateCornerScrollBarPanel();
    bool EnsureInplaceEdit();

    // ---- editing hooks
    virtual bool CanShowInplaceEditor();
    virtual bool CanGridAcceptKey(Word Key, TShiftState Shift) { return true; }
    virtual String GetCellEditMask(int ACol, int ARow) { return String(); }
    virtual String GetCellEditText(int ACol, int ARow) { return String(); }
    virtual int GetCellEditMaxLength(int ACol, int ARow) { return 0; }
    virtual int GetEditStyle(int ACol, int ARow) { return 0; }
    virtual void SetCellEditText(int ACol, int ARow, const String& Value) {}
    virtual void RepaintInplaceEditor();
    virtual bool IsColTabStop(int ACol) { return true; }

    // ---- painting
    void Paint() override;
    virtual void PaintCell(int ACol, int ARow, TGridDrawState State, TRect ARect);
    virtual void DrawCellBorder(int ACol, int ARow, TGridCellBorderTypesVz Borders, TGridDrawState State, TRect& ARect);
    virtual void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect);
    virtual void DrawEmptyAreaCell(int ACol, int ARow, TRect ARect);
    virtual bool CellUsesThemedSelection(TGridDrawState State);
    virtual void DrawThemedSelection(int ACol, int ARow, TGridDrawState State, TRect ARect) {}
    virtual void CalcInternalColors();
    virtual void UpdateFixedLineColor();
    virtual bool NeedBufferedPaint();
    virtual bool IsBackgroundShowing();
    virtual bool InvalidateOnScroll();
    virtual void PaintOutBoundary();
    virtual void DrawTopOutBoundary(TRect ARect);
    virtual void DrawLeftOutBoundary(TRect ARect);
    virtual void DrawBottomOutBoundary(TRect ARect);
    virtual void DrawRightOutBoundary(TRect ARect);
    virtual void FlatChanged() {}
    void SetCanvasOrientation(TCanvas* ACanvas, bool RightToLeft);
    void DrawPolyline(TCanvas* ACanvas, const TPoint* Points, int Count);
    void DrawThickLine(int X1, int Y1, int X2, int Y2, int Width);

    // ---- scrolling
    virtual void HorzScrollBarMessage(int ScrollCode, int Pos);
    virtual void VertScrollBarMessage(int ScrollCode, int Pos);
    virtual void ClampScrollPositions(bool SnapHorz, bool SnapVert);
    virtual void CalcMaxTopLeft(Int64& H, Int64& V, bool SnapHorz, bool SnapVert);
    virtual void StartVisPosChanged(Int64 OldHorzPos, Int64 OldVertPos);
    virtual void ScrollOriginChanged() {}
    virtual void ScrollBarShowingChanged() {}
    void ScrollAxisByPixels(int ScrollCode, int Pos, TGridAxisDataVz* Axis, TGridScrollBarVz* ScrollBar);
    void ScrollAxisByCells(int ScrollCode, int Pos, TGridAxisDataVz* Axis, TGridScrollBarVz* ScrollBar);
    // The scroll bar's unit in pixels of the axis (above 1 when the axis is longer than a bar holds).
    Int64 ScrollBarScale(TGridAxisDataVz* Axis);
    virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
    virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
    // A pan gesture: Begin at its start, then each report with the current point.
    void PanGesture(bool Begin, const TPoint& Point);

    // ---- keyboard, mouse and selection
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;
    void DoEnter() override;
    void DoExit() override;
    bool HostEvent(QEvent* Event) override;
    void Resize() override;
    void Loaded() override;
    // With SaveCellExtents the column widths and row heights are streamed as "ColWidths" and
    // "RowHeights" (when they differ from the ancestor's).
    void DefineProperties(TFiler* Filer) override;
    void FontChanged() override;
    virtual void CellMouseDown(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift, const TPoint& InCellPos,
                               const TPoint& MousePos);
    virtual void CellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift,
                                const TPoint& InCellPos, const TPoint& MousePos);
    virtual void DefaultCellMouseDown(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift,
                                      const TPoint& InCellPos, const TPoint& MousePos) {}
    virtual void DefaultCellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift,
                                       const TPoint& InCellPos, const TPoint& MousePos) {}
    virtual bool CellAcceptsDblClick(const TGridCoord& Cell, TMouseButton Button, const TPoint& InCellPos,
                                     const TPoint& MousePos, TShiftState Shift) { return true; }
    virtual void StepSelectionAnchor(int Directions);
    virtual void GridTimerEvent(TObject* Sender);
    virtual void SelectionChanged(const TGridRect& OldSelection);
    virtual void CurrentCellMoved(const TGridCoord& OldCurrent) {}
    virtual void CellCountsChangedNotify() {}
    virtual void NotifyColumnMoved(int FromIndex, int ToIndex);
    virtual void NotifyRowMoved(int FromIndex, int ToIndex) {}
    virtual void ColumnWidthsChanged();
    virtual void RowHeightsAdjusted();
    void InternalMoveCurrent(int ACol, int ARow, bool ScrollHorz, bool ScrollVert);
    // The press itself (editor, focus, sizing, selection, moving), before the per-cell events.
    void InternalMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void InternalSetFocus(TWinControl* Control);

    // ---- hot tracking
    virtual bool IsCellHotTrackable(int ACol, int ARow) { return false; }
    virtual void UpdateHotTrackInfo(int X, int Y);
    virtual void FillHotTrackSpot(TGridHotTrackSpotVz* Spot, int X, int Y);
    virtual bool HotTrackSpotsEqual(TGridHotTrackSpotVz* Spot1, TGridHotTrackSpotVz* Spot2);
    virtual void InvalidateHotTrackSpot(TGridHotTrackSpotVz* Spot);

    // ---- sizing and moving
    virtual void DetectSizingAt(int X, int Y, TGridStateVz& State, int& Index, int& SizingPos, int& SizingOfs);
    virtual bool FixedColsSizable() { return false; }
    virtual bool FixedRowsSizable() { return false; }
    virtual void StartSizingLine();
    virtual void DrawSizingLine() { InvalidateSizingLine(); }
    virtual void InvalidateSizingLine();
    virtual void PaintSizingLines();
    virtual void GetSizingLineExtent(int& Start, int& Stop);
    int CalcSizingCelLen(TGridAxisDataVz* Axis);
    virtual void ApplyColSizing(int Index, int Len) { SetColWidths(Index, Len); }
    virtual void ApplyRowSizing(int Index, int Len) { SetRowHeights(Index, Len); }
    virtual bool BeginColumnDrag(int& Origin, int& Destination, const TPoint& MousePt) { return true; }
    virtual bool BeginRowDrag(int& Origin, int& Destination, const TPoint& MousePt) { return true; }
    virtual bool CheckColumnDrag(int& Origin, int& Destination, const TPoint& MousePt) { return true; }
    virtual bool CheckRowDrag(int& Origin, int& Destination, const TPoint& MousePt) { return true; }
    virtual bool EndColumnDrag(int& Origin, int& Destination, const TPoint& MousePt);
    virtual bool EndRowDrag(int& Origin, int& Destination, const TPoint& MousePt) { return true; }
    virtual void StartColMoving(int FromIndex, int X, int Y);
    virtual void StartRowMoving(int FromIndex);
    virtual void DrawMove();
    virtual void HideMove();
    void UpdateMoveTarget(int Pos, int CellIndex, TPoint& MousePt, TGridStateVz Kind, TGridAxisDataVz* Axis);
    void AdjustColMovingTimer(int X, TGridAxisDataVz* Axis, const TPoint& MousePt);

    // ---- state shared with descendants
    TGridCoord FCurCell{0, 0};
    TGridCoord FAnchorCell{0, 0};
    TGridCoord FMouseDownCell{-1, -1};
    TGridStateVz FGridState = gsNormalVz;
    TGridOptionsVz FOptions;
    bool FEditorMode = false;
    int FInplaceCol = -1;
    int FInplaceRow = -1;
    TColor FInternalColor = clWindow;
    TColor FInternalFixedColor = clBtnFace;
    TColor FInternalFixedFontColor = clWindowText;
    TColor FInternalFontColor = clWindowText;
    int FSizingIndex = -1;
    int FSizingPos = 0;
    int FSizingOfs = 0;
    int FDrawenSizingPos1 = -1;
    int FDrawenSizingPos2 = -1;
    int FMoveFromIndex = -1;
    int FMoveToIndex = -1;
    int FMoveFromCellOriginDistance = 0;
    TPoint FMouseMovePos;
    bool FMovePosRightSite = false;

private:
    void LayoutScrollBarPanels();
    void AssignDefaultDrawStyle();
    void ClampCurrentToCounts();
    void PaintBlock(int StartCol, int StartRow, int StartX, int StartY, int StopX, int StopY,
                    TGridDrawState BaseState, const TGridRect& Selection);
    void DrawContraVertLine(int StartRow, int StartY, int StopY);
    void DrawContraHorzLine(int StartCol, int StartX, int StopX);
    void ScrollByPage(bool Down, int& Target);

    TOwned<TGridAxisDataVz> FHorzAxis;
    TOwned<TGridAxisDataVz> FVertAxis;
    TGridBackgroundDataVz* FBackgroundData = nullptr;
    TFormBorderStyle FBorderStyle = bsSingle;
    bool FBufferedPaint = false;
    bool FCanEditModify = true;
    bool FCanvasRightToLeftReflected = false;
    TSizeGripPanelVz* FCornerScrollBarPanelControl = nullptr;
    TGridDrawStyleVz* FDrawStyle = nullptr;
    TSizeGripPanelVz* FExtraSizeGripControl = nullptr;
    TColor FFixedColor = clBtnFace;
    bool FFlat = false;
    TGridLineColorsVz* FGridLineColors = nullptr;
    int FGridLineWidth = 1;
    TGridScrollBarVz* FHorzScrollBar = nullptr;
    bool FHorzScrollBarIsShowing = false;
    TGridScrollBarPanelControlVz* FHorzScrollBarPanelControl = nullptr;
    GridsVz::TInplaceEdit* FInplaceEdit = nullptr;
    int FScrollBarSize = 0;
    TGridSelectionDrawParamsVz* FSelectionDrawParams = nullptr;
    bool FSizeGripAlwaysShow = false;
    TSizeGripPosition FSizeGripPostion = sgpBottomRight;
    TGridScrollBarVz* FVertScrollBar = nullptr;
    bool FVertScrollBarIsShowing = false;
    TGridScrollBarPanelControlVz* FVertScrollBarPanelControl = nullptr;
    TRect FWinClientBoundary;
    TPoint FPanPoint;
    TGridOutBoundaryDataVz* FOutBoundaryData = nullptr;
    bool FFocused = false;
    int FBoundariesUpdateCount = 0;
    TGridOptionsVz FDesignOptionsBoost;
    TColor FFixedLineColor = clBlack;
    TTimer* FGridTimer = nullptr;
    TGridCoord FHotTrackCell{-1, -1};
    TPoint FHotTrackInCellPos{-1, -1};
    int FLockPaint = 0;
    bool FMouseInControl = false;
    TGridHotTrackSpotVz* FNewHotTrackSpot = nullptr;
    TGridHotTrackSpotVz* FOldHotTrackSpot = nullptr;
    bool FSaveCellExtents = false;
    bool FInternalFocusResetting = false;
    bool FKeyFromEditor = false;
    bool FMovedForwardThisTick = false;
    friend class GridsVz::TInplaceEdit;
    friend class GridsVz::TInplaceEditCoreControl;
    friend class TGridScrollBarVz;
};

namespace GridsVz {

class TInplaceEdit;

// The masked edit inside the editor host that holds the text.
class TInplaceEditCoreControl : public TCustomMaskEdit {
    SDELKA_CLASS(TInplaceEditCoreControl, TCustomMaskEdit)
protected:
    explicit TInplaceEditCoreControl(TComponent* AOwner);
    ~TInplaceEditCoreControl() override = default;

public:
    TInplaceEdit* ParentEdit() const { return FParentEdit; }
    TCustomGridVz* Grid() const;
    void Deselect();
    virtual void UpdateContents();
    bool EditCanModify();
    // The cell's maximum length: 0 no limit, -1 the cell is read-only.
    int CellMaxLength() const { return FCellMaxLength; }
    void SetCellMaxLength(int Value);

protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Change() override;
    void Dispatch(TMessage& Message) override;
    void DoExit() override;
    void HostFocusIn() override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;

private:
    friend class TInplaceEdit;
    TInplaceEdit* FParentEdit = nullptr;
    int FCellMaxLength = 0;
};

// The borderless host the grid places over the current cell; the core edit fills it less 2 pixels
// on each side.
class TInplaceEdit : public TCustomControl {
    SDELKA_CLASS(TInplaceEdit, TCustomControl)
protected:
    explicit TInplaceEdit(TComponent* AOwner);
    ~TInplaceEdit() override = default;

public:
    void AfterConstruction() override;

    TCustomGridVz* Grid() const { return FGrid; }
    void SetGrid(TCustomGridVz* Value) { FGrid = Value; }
    TInplaceEditCoreControl* EditCoreControl() const { return FEditCoreControl; }

    void Move(const TRect& Loc) { InternalMove(Loc, true); }
    void UpdateLoc(const TRect& Loc) { InternalMove(Loc, false); }
    virtual void Hide();
    bool Visible() const;
    bool Focused() const override;
    void SetFocus() override;
    virtual void Deselect() {}
    void Reset();

    virtual bool EditCanModify();
    virtual TRect GetEditCoreRect();
    virtual bool HandleCut() { return false; }
    virtual bool HandlePaste() { return false; }
    virtual bool HandleClear() { return false; }
    virtual void BoundsChangedCore();
    virtual void EditCoreChange() {}
    virtual void EditCoreKillFocus() {}
    virtual void UpdateContents();
    // Hands a typed character on as if it had reached the core.
    void TypeChar(Char Key);

    int MaxLength() const;
    void SetMaxLength(int Value);
    bool ReadOnly() const;
    void SetReadOnly(bool Value);
    String SelText() const;
    void SetSelText(const String& Value);
    String Text() const;
    void SetText(const String& Value);
    int SelLength() const;
    void SetSelLength(int Value);
    int SelStart() const;
    void SetSelStart(int Value);
    String EditMask() const;
    void SetEditMask(const String& Value);
    bool IsMasked() const;
    String EditText() const;
    void SetEditText(const String& Value);
    bool Modified() const;
    void SetModified(bool Value);
    bool AutoSelect() const;
    void SetAutoSelect(bool Value);
    int GetTextLen() const { return static_cast<int>(Text().size()); }
    void SelectAll();
    void SetSel(int Start, int Length);
    bool InternalTextSetting() const { return FInternalTextSetting; }
    unsigned ClickTime() const { return FClickTime; }
    void SetClickTime(unsigned Value) { FClickTime = Value; }

protected:
    virtual TInplaceEditCoreControl* CreateEditCoreControl();
    void Paint() override;
    void Dispatch(TMessage& Message) override;

private:
    void InternalMove(const TRect& Loc, bool Redraw);
    TCustomGridVz* FGrid = nullptr;
    unsigned FClickTime = 0;
    TInplaceEditCoreControl* FEditCoreControl = nullptr;
    bool FInternalTextSetting = false;
};

}  // namespace GridsVz
