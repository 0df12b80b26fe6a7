// The data grid: an axis grid whose bars are columns shown one per grid column after the indicator
// column, whose rows show the records of its data set under the title row, with sort markers and
// multi-level titles, and whose column layout can be saved and restored. This is the header the
// application includes; the grid's parts live in their own files:
//   dbgridvz.cpp        the object, its option sets and their rules, construction and destruction
//   dbgridlayoutvz.cpp  geometry: row count, column extents, indicator width, data-link reactions
//   rowreadvz.cpp       reading any data row's record, the memory-table row mode
//   gridpaintvz.cpp     painting of data, title (one or more levels) and indicator cells
//   gridinplacevz.cpp   the in-place editor, and the editing keys Enter and Escape
//   groupsgridvz.cpp    the grid's grouping object: rows of the group tree instead of records
//   groupspaintvz.cpp   painting of group rows, group footer rows and the group indent
//   valuecopyvz.cpp     copying a value from the previous record, fitting column widths
//   treeareavz.cpp      the tree area of a table viewed as a tree, moving records
//   detailpanelvz.*     the row detail panel under the current record
//   rowpanelvz.*        row panel mode: each record one panel of columns on lines
//   gridoverridesvz.cpp answers to the base classes, values for sorting outside the data set
//   footersvz.*         column footers, their texts, the footer area and the sum list's notices
//   gridlayoutio.cpp    saving and restoring the column layout (INI files, settings keepers)
//   gridselectvz.*      the selection: records, a rectangle of cells, columns or everything
//   gridmousevz.cpp     the mouse: title clicks and sorting, selecting by clicks and drags, copying
//   gridmenusvz.*       the popup menu of a cell, the group footer's aggregate menu
//   columnsvz.*, titlesvz.*, gridparamsvz.*, gridstylevz.*  the columns, the title tree, the
//                       appearance objects and the shared draw style
#pragma once

#include "grid/axis/dbaxisgridvz.h"
#include "grid/core/bmlistvz.h"
#include "grid/dbgrid/columnsvz.h"
#include "grid/dbgrid/detailpanelvz.h"
#include "grid/dbgrid/gridparamsvz.h"
#include "grid/dbgrid/gridstylevz.h"
#include "grid/dbgrid/textsearchvz.h"
#include "grid/dbgrid/titlesvz.h"

#include <functional>
#include <memory>
#include <vector>

class IMemTableVz;
class ISTFilterGridVz;
class TDBGridFilterHostVz;
class TSTDBGridVzFilter;
class TCustomIniFile;
class TRegIniFile;
class TSettingsKeeperVz;
class TDBGridVzDataGroupsVz;
class TGroupDataTreeNodeVz;
class TDBGridVzSelection;
class TGridDataGroupFooterColumnItemVz;
class TPopupMenu;
class TCustomPopupMenu;
class TDBGridVzSumList;
class TInplaceFilterEditVz;
class TSTColumnFilterVz;
class TDBGridVzIndicatorTitle;
class TDBGridVzPopupMenuParams;
struct TDBGridVzNavStateVz;

enum TDBGridOption {
    dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
    dgRowSelect, dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit, dgMultiSelect
};
using TDBGridOptions = TSet<TDBGridOption, 16>;

enum TDBGridVzOption {
    dghFixed3D, dghFrozen3D, dghFooter3D, dghData3D, dghResizeWholeRightPart, dghHighlightFocus, dghClearSelection,
    dghFitRowHeightToText, dghAutoSortMarking, dghMultiSortMarking, dghEnterAsTab, dghTraceColSizing, dghIncSearch,
    dghPreferIncSearch, dghRowHighlight, dghDblClickOptimizeColWidth, dghDialogFind, dghRecordMoving, dghShowRecNo,
    dghColumnResize, dghColumnMove, dghAutoFitRowHeight, dghHotTrack, dghExtendVertLines
};
using TDBGridVzOptions = TSet<TDBGridVzOption, 32>;

enum TDBGridVzIndicatorOption { gioShowRowIndicatorVz, gioShowRecNoVz, gioShowRowselCheckboxesVz };
using TDBGridVzIndicatorOptions = TSet<TDBGridVzIndicatorOption, 8>;

enum TDBGridVzSelectionType { gstRecordBookmarks, gstRectangle, gstColumns, gstAll, gstNon };
using TDBGridVzAllowedSelections = TSet<TDBGridVzSelectionType, 8>;

enum TDBGridVzEditAction { geaCutVz, geaCopyVz, geaPasteVz, geaDeleteVz, geaSelectAllVz };
using TDBGridVzEditActions = TSet<TDBGridVzEditAction, 8>;

enum TDBGridVzState {
    dgsNormal, dgsRowSelecting, dgsColSelecting, dgsRectSelecting, dgsPosTracing, dgsTitleDown, dgsColSizing,
    dgsRowMoving, dgsTitleFilterButtonDown, dgsGroupPanelTitleMoving, dgsGroupPanelTitleDown
};

// What a restore takes from a saved layout.
enum TColumnVzRestoreParam {
    crpColIndexVz, crpColWidthsVz, crpSortMarkerVz, crpColVisibleVz, crpDropDownRowsVz, crpDropDownWidthVz,
    crpRowPanelColPlacementVz
};
using TColumnVzRestoreParams = TSet<TColumnVzRestoreParam, 8>;
enum TDBGridVzRestoreParam {
    grpColIndexVz, grpColWidthsVz, grpSortMarkerVz, grpColVisibleVz, grpRowHeightVz, grpDropDownRowsVz,
    grpDropDownWidthVz, grpRowPanelColPlacementVz
};
using TDBGridVzRestoreParams = TSet<TDBGridVzRestoreParam, 8>;
enum TDBGridVzSettingsKeeperOption {
    gskoRowHeightVz, gskoSearchPanelScopesVz, gskoSearchPanelCaseSensitiveVz, gskoSearchPanelWholeWordsVz,
    gskoSearchPanelBeginsWithVz
};
using TDBGridVzSettingsKeeperOptions = TSet<TDBGridVzSettingsKeeperOption, 8>;
enum TColumnVzSettingsKeeperOption {
    cskoColIndexVz, cskoColWidthsVz, cskoSortMarkerVz, cskoColVisibleVz, cskoDropDownRowsVz, cskoDropDownWidthVz,
    cskoRowPanelColPlacementVz, cskoColSTFilterVz
};
using TColumnVzSettingsKeeperOptions = TSet<TColumnVzSettingsKeeperOption, 8>;

TColumnVzRestoreParams GridToColumnRestoreParamsVz(TDBGridVzRestoreParams P);

using TDBGridVzClickEvent = TEvent<void(TColumnVz* Column)>;
using TDrawColumnVzCellEvent =
    TEvent<void(TObject* Sender, const TRect& Rect, int DataCol, TColumnVz* Column, TGridDrawState State)>;
using TCheckTitleVzBtnEvent = TEvent<void(TObject* Sender, int ACol, TColumnVz* Column, bool& Enabled)>;
using TTitleVzBtnClickEvent = TEvent<void(TObject* Sender, int ACol, TColumnVz* Column)>;
using TGetBtnVzParamsEvent = TEvent<void(TObject* Sender, TColumnVz* Column, TFont* AFont, TColor& Background,
                                         TSortMarkerVz& SortMarker, bool IsDown)>;
using TMovedEvent = TEvent<void(TObject* Sender, int FromIndex, int ToIndex)>;
using TDBGridVzFillFilterListEvent =
    TEvent<void(TCustomDBGridVz* Sender, TColumnVz* Column, TStrings* Items, bool& Processed)>;
using TGridMoveRecordsEventVz =
    TEvent<bool(TObject* Sender, TBMListVz* BookmarkList, int ToRecNo, int TreeLevel, bool CheckOnly)>;

// The text shown in the middle of a grid whose data set is empty.
class TGridEmptyDataInfoVz : public TPersistent {
    SDELKA_CLASS(TGridEmptyDataInfoVz, TPersistent)
public:
    explicit TGridEmptyDataInfoVz(TCustomDBGridVz* AGrid);
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    const String& Text() const { return FText; }
    void SetText(const String& Value);
    TFont* Font() { return &FFont; }
    void SetFont(TFont* Value) { FFont.Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    // Follows the grid font's size, name and charset (not its colour) while ParentFont is on.
    void RefreshDefaultFont();
    String TextToShow() const;
    bool Showing();
    TRect GetDrawRect(TCanvas* Canvas);
    void PaintEmptyDataInfo(TCanvas* Canvas);

private:
    TCustomDBGridVz* FGrid;
    bool FActive = false;
    String FText;
    TFont FFont;
    bool FParentFont = true;
    bool FFontSyncing = false;
};

using TDBGridVzSelectedRowsItemChangedEvent =
    TEvent<void(TCustomDBGridVz* Sender, const TBookmark& Item, TListNotification Action)>;

// The bookmarks of the records selected in a grid with dgMultiSelect; a change repaints the grid.
class TBookmarkListVz : public TBMListVz {
    SDELKA_CLASS(TBookmarkListVz, TBMListVz)
protected:
    explicit TBookmarkListVz(TCustomDBGridVz* AGrid) : FGrid(AGrid) {}
    ~TBookmarkListVz() override = default;

public:
    TCustomDBGridVz* Grid() const { return FGrid; }
    TDataSet* GetDataSet() override;
    // Selecting the current row of an empty data set does nothing.
    void SetCurrentRowSelected(bool Value) override;
    void Invalidate() override;
    void Changed() override;
    void UpdateState() override;
    void AppendItem(const TBookmark& Item) override;
    void InsertItem(int Index, const TBookmark& Item) override;
    void DeleteItem(int Index) override;
    void Assign(TBookmarkListVz* Rows);

private:
    void ItemChanged(const TBookmark& Item, TListNotification Action);
    TCustomDBGridVz* FGrid;
};

class TCustomDBGridVz : public TCustomDBAxisGridVz {
    SDELKA_CLASS(TCustomDBGridVz, TCustomDBAxisGridVz)
    friend class TDBGridVzSelection;
    friend class TDBGridVzSelectionRect;
    friend class TDBGridVzSelectionCols;

protected:
    explicit TCustomDBGridVz(TComponent* AOwner);
    ~TCustomDBGridVz() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // ---- option sets
    TDBGridOptions Options() const { return FOptions; }
    void SetOptions(TDBGridOptions Value);
    TDBGridVzOptions OptionsVz() const { return FOptionsVz; }
    void SetOptionsVz(TDBGridVzOptions Value);
    TDBGridVzIndicatorOptions IndicatorOptions() const { return FIndicatorOptions; }
    void SetIndicatorOptions(TDBGridVzIndicatorOptions Value);
    TDBGridVzAllowedSelections AllowedSelections() const { return FAllowedSelections; }
    // Narrowing the set drops a selection of a kind it no longer holds.
    void SetAllowedSelections(TDBGridVzAllowedSelections Value);
    TGridOptionsVz EngineOptions() const { return TCustomGridVz::Options(); }

    // ---- columns
    TDBGridColumnsVz* Columns() const { return static_cast<TDBGridColumnsVz*>(AxisBars()); }
    void SetColumns(TDBGridColumnsVz* Value) { SetAxisBars(Value); }
    TColumnDefValuesVz* ColumnDefValues() const;
    TColumnsVzList& SortMarkedColumns() { return FSortMarkedColumns; }
    // Rebuilds SortMarkedColumns from the titles' sort indexes.
    void SetSortMarkedColumns();
    TColumnsVzList VisibleColumns() const;
    TColumnVz* FindColumn(const String& FieldName) const { return static_cast<TColumnVz*>(FindFieldColumn(FieldName)); }

    // ---- properties
    bool AutoFitColWidths() const { return FAutoFitColWidths; }
    void SetAutoFitColWidths(bool Value);
    bool CanAutoFitColWidths();
    int MinAutoFitWidth() const { return FMinAutoFitWidth; }
    void SetMinAutoFitWidth(int Value);
    int RowHeight() const { return FRowHeight; }
    void SetRowHeight(int Value);
    int RowLines() const { return FRowLines; }
    void SetRowLines(int Value);
    bool RowSizingAllowed() const { return FRowSizingAllowed; }
    void SetRowSizingAllowed(bool Value);
    int FooterRowCount() const { return FFooterRowCount; }
    void SetFooterRowCount(int Value);
    int FrozenCols() const { return FFrozenCols; }
    void SetFrozenCols(int Value);
    bool TryUseMemTableInt() const { return FTryUseMemTableInt; }
    void SetTryUseMemTableInt(bool Value);
    TDBGridTitleParamsVz* TitleParams() const { return FTitleParams.get(); }
    TDBGridIndicatorParamsVz* IndicatorParams() const { return FIndicatorParams.get(); }
    TDBGridFooterParamsVz* FooterParams() const { return FFooterParams.get(); }
    TGridEmptyDataInfoVz* EmptyDataInfo() const { return FEmptyDataInfo.get(); }
    TGridTreeViewParamsVz* TreeViewParams() const { return FTreeViewParams.get(); }
    TDBGridBackgroundDataVz* DBBackgroundData() const { return dynamic_cast<TDBGridBackgroundDataVz*>(BackgroundData()); }
    // Texts the application has the grid highlight; the grid does not own them.
    void AddHighlightTextParams(TGridHighlightTextParamsVz* Params);
    void RemoveHighlightTextParams(TGridHighlightTextParamsVz* Params);
    const std::vector<TGridHighlightTextParamsVz*>& HighlightTextParams() const { return FHighlightTextParams; }
    TFont* TitleFont() { return FTitleParams->Font(); }
    TFont* GetTitleFont() override { return TitleFont(); }
    void SetTitleFont(TFont* Value) override;
    TFont* AxisGridTitleFont() override { return TitleFont(); }
    TColor AxisGridTitleColor() override { return FTitleParams->Color(); }
    int TitleHeight() const { return FTitleParams->RowHeight(); }
    void SetTitleHeight(int Value) { FTitleParams->SetRowHeight(Value); }
    int TitleLines() const { return FTitleParams->RowLines(); }
    void SetTitleLines(int Value) { FTitleParams->SetRowLines(Value); }
    bool UseMultiTitle() const { return FTitleParams->MultiTitle(); }
    void SetUseMultiTitle(bool Value) { FTitleParams->SetMultiTitle(Value); }
    bool IsUseMultiTitle() { return UseMultiTitle(); }
    TDBGridVzStyle* Style() const { return FStyle; }
    void SetStyle(TDBGridVzStyle* Value);
    void UseGlobalStyle();
    void DrawStyleChanged() override { LayoutChanged(); }

    // ---- geometry (dbgridlayoutvz.cpp)
    int IndicatorOffset() const { return FIndicatorOffset; }
    virtual int TitleRowCount() { return FOptions.Contains(dgTitles) ? 1 : 0; }
    // One row under the titles while the filter row is shown there.
    virtual int FilterRowCount();
    int TopDataOffset() { return TitleRowCount() + FilterRowCount(); }
    int FullFooterRowCount() { return GetFullFooterRowCount(); }
    int StdDataRowHeight() const { return FStdDefaultRowHeight; }
    int TitleRowHeight() const { return FTitleRowHeight; }
    virtual bool IsIndicatorColumnShown();
    int CalcIndicatorColWidth();
    int DefaultCalcIndicatorRowNumAreaWidth();
    bool CheckIndicatorColWidthChanged();
    // The room the group indent takes in the first visible column (no grouping here: 0).
    int ExtraFirstColumnWidth() const { return FExtraFirstColumnWidth; }
    TColumnVz* FirstVisibleColumn() const;
    virtual void UpdateRowCount();
    void UpdateBarExtents();
    // The grid is writing column widths itself (layout or a reaction to sizing).
    bool ColumnWidthsChanging() const { return FColumnWidthsChanging; }
    // Grid column of a column index, and back (-1 outside the columns).
    int DataColToGridCol(int DataCol) const { return DataCol + FIndicatorOffset; }
    int GridColToDataCol(int ACol) const;
    int DataRowToGridRow(int DataRow) { return DataRow + TopDataOffset(); }
    int VisibleDataRowCount();
    void StartLoadingStatus(const String& LoadingCaption = String(), int RenderDuration = -1, bool ShowCaption = true);
    void FinishLoadingStatus(int RenderDuration = -1);
    bool LoadingStatusShown() const { return FLoadingStatusCount > 0; }
    // The multi-level title tree and the leaf of each column (rebuilt on every relayout).
    TDBGridMultiTitleTreeListVz* HeadTree() const { return FHeadTree; }
    const std::vector<TDBGridMultiTitleNodeVz*>& LeafFieldArr() const { return FLeafFieldArr; }
    int CalcMultiTitleHeight(TDBGridMultiTitleNodeVz* Node);

    // ---- row reading (rowreadvz.cpp)
    IMemTableVz* MemTableInt() const { return FIntMemTable; }
    void UpdateIntMemTable();
    bool MemTableRowMode() const { return FIntMemTable != nullptr; }
    void InstantReadEnterRow(int DataRow);
    void InstantReadLeaveRow();
    int InstantReadRecordCount();
    bool IsCurrentDataRow(int DataRow);
    void UpdateMemTableRowCount();
    void FetchRecordsForView();
    void SyncCurrentCellWithData(int Distance);

    // ---- data grouping (groupsgridvz.cpp, groupspaintvz.cpp)
    TDBGridVzDataGroupsVz* DataGrouping() const { return FDataGrouping; }
    void SetDataGrouping(TDBGridVzDataGroupsVz* Value);
    // True while the grid shows the rows of the group tree (grouping works with a level).
    bool GroupingWorks() const;
    // The row count follows the group tree's visible rows.
    virtual void UpdateGroupingRowCount();
    // The group tree's node of a data row, nil outside the rows or without grouping.
    TGroupDataTreeNodeVz* GroupDataNodeOfRow(int DataRow) const;
    // The node of the data row being read (InstantReadEnterRow), nil when none.
    TGroupDataTreeNodeVz* InstantReadCurDataNode() const;
    // The node of the current row, nil when none.
    TGroupDataTreeNodeVz* CurGroupDataNode() const;
    int CalcGroupDataNodeRowHeight(TGroupDataTreeNodeVz* Node);
    // The group indent's width at the left of the first visible column.
    int CalcExtraFirstColumnWidth() const;

    // ---- column footers and the sum list (footersvz.cpp)
    TDBGridVzSumList* SumList() const { return FSumList; }
    void SetSumList(TDBGridVzSumList* Value);
    // The column-footer rows plus the grouping's visible grand-total footers.
    int GetFullFooterRowCount();
    // The text of a column-footer cell (Row counts the column-footer rows only).
    String GetFooterValue(int Row, TColumnVz* Column);
    void DefaultDrawFooterCell(const TRect& Rect, int DataCol, int Row, TColumnVz* Column, TGridDrawState State);
    virtual void DoGetFooterParams(int DataCol, int Row, TColumnVz* Column, TFont* AFont, TColor& Background,
                                   TAlignment& Alignment, TGridDrawState State, String& Text);
    virtual void GetCellParams(TColumnVz* Column, TFont* AFont, TColor& Background, TGridDrawState State);
    // Repaints the footer rows, or the rows above the data.
    void InvalidateFooter();
    void InvalidateTitle();

    // ---- value copy and column widths (valuecopyvz.cpp)
    // Copies the selected column's value of the previous record of the view into the current one.
    void SetValueFromPrevRecord();
    // Fits the listed columns to their titles, data (CheckRowCount records, -1 all; for at most
    // MaxWaitingTime ms, 0 or less no limit) and footers.
    void OptimizeColsWidth(const TColumnsVzList& ColumnsList, int CheckRowCount, int MaxWaitingTime);
    void OptimizeAllColsWidth(int CheckRowCount, int MaxWaitingTime);

    // ---- tree area and moving records (treeareavz.cpp)
    // The grid shows an in-memory table viewed as a tree (and no grouping).
    bool TreeViewMode() const;
    // 18 pixels a level of the node being read; 0 outside tree mode.
    int GetCellTreeElmentsAreaWidth();
    // Paints the tree area at the left of ARect for the row being read; the rest of the cell.
    TRect DrawCellTreeArea(const TRect& ARect, TGridDrawState State);
    // Paints the steps and the node's element; the right end of the area.
    int DrawTreeArea(TCanvas* C, const TRect& ARect, bool LinesOnly, bool WithRowLines);
    // Whether the point lies in a data row's tree area; unless CheckOnly, a point on the node's
    // button expands or collapses it.
    bool CellTreeElementMouseDown(int X, int Y, bool CheckOnly);
    void CenterCurRowInView();
    // Moves the listed records to the data row (and tree level, -1 without a tree): the
    // application's OnMoveRecords, else DefaultMoveDataRows.
    bool MoveDataRows(TBMListVz* BookmarkList, int DataRow, int TreeLevel, bool CheckOnly);
    virtual bool DefaultMoveDataRows(TBMListVz* BookmarkList, int ToRecNo, int TreeLevel, bool CheckOnly);

    // ---- row detail panel (detailpanelvz.cpp)
    TRowDetailPanelVz* RowDetailPanel() const { return FRowDetailPanel; }
    void SetRowDetailPanel(TRowDetailPanelVz* Value);
    TRowDetailPanelControlVz* RowDetailPanelControl() const { return FRowDetailControl; }
    // Places and sizes the control under the current record, or hides it.
    void UpdateRowDetailPanelControl();
    void RowDetailPanelVisibleChanged();
    // Hides the panel once its record is no longer the current one (or the data is gone).
    void CheckRowDetailPanelRecord();
    bool RowHaveDetailPanel();
    // Paints the expand sign at the left of the first column's cell; the width it took.
    int DrawRowDetailPanelSign(int DataRow, const TRect& ARect, TGridDrawState State);
    bool IsPosInRowDetailPanelSign(int InCellX, TColumnVz* Column);
    bool RowDetailPanelSignAtPos(int X, int Y);

    // ---- row panel mode (rowpanelvz.cpp)
    TGridRowPanelVz* RowPanel() const { return FRowPanel; }
    void SetRowPanel(TGridRowPanelVz* Value);
    bool RowPanelMode() const;
    int InRowPanelLineHeight();
    int GridMasterCellWidth() const { return FGridMasterCellWidth; }
    int GridMasterCellHeight() const { return FGridMasterCellHeight; }
    void SetRowPanelMasterCellSize(int Width, int Height);
    // A column's cell (or its data part) inside the panel at Panel.
    TRect RowPanelCellRect(TColumnVz* Column, const TRect& Panel, bool Data);
    TColumnVz* GetColumnInRowPanelAtPos(const TPoint& InCellPos, bool IsTitleTypeCell);
    void SortColumnsByRowPanelPlacement();

    // ---- answers to the base classes (gridoverridesvz.cpp)
    // Some sort-marked column shows values the data set cannot sort by (lookups, key pick lists).
    bool RequireExternalSorting();
    // The edit value of sort-marked column Index for the current record.
    void GetSortValue(Variant& VarValue, int Index);
    bool IsFixed3D() override;
    // The column whose title lies under the point (customized columns only).
    TAxisBarVz* GetTitleBarAtPos(const TPoint& Pos) override;

    // ---- selection and columns
    TBookmarkListVz* SelectedRows() const { return FSelectedRows; }
    // What is selected: records, a rectangle, columns or everything (gridselectvz.*).
    TDBGridVzSelection* Selection() const { return FSelection; }
    // gstNon always; the others need dgMultiSelect and AllowedSelections, rectangles and columns
    // also a grid without dgRowSelect.
    bool IsSelectionTypeAllowed(TDBGridVzSelectionType Kind) const;
    // The selection announces a change: OnSelectionChanged, and a repaint of a grouped grid's records.
    virtual void SelectionChanged();
    // Extends a record selection (RowMode) or a rectangle while the current record moves by
    // Distance (ToEnd: to the end in Distance's direction), or just moves without Select.
    void MoveAndSelect(bool Select, int Distance, bool RowMode, bool ToEnd);
    // Drops the selection when dghClearSelection allows it and ends a Shift range of records.
    void ClearSelectionIfAllowed();
    // Puts the display texts of the selected cells (the current cell without a selection) on the
    // clipboard, tab between cells, a line per record.
    void CopySelectionToClipboard();
    // The cells of the selected records among the rows the grid can place.
    TGridRect SelectedRowsToGridRect();
    // Whether the data cell being painted (the record being read) is selected.
    bool DataCellSelectedForPaint(int DataCol);
    // The grid's filter settings, and the grid as the filter models and the centre see it.
    TSTDBGridVzFilter* STFilter() const { return FSTFilter; }
    ISTFilterGridVz* FilterHost() const;
    void SetDataSource(TDataSource* Value) override;
    bool HighlightDataCellColor(int DataCol, int DataRow, const String& Value, TGridDrawState AState, TColor& AColor,
                                TFont* AFont) override;
    int GetSelectedIndex() override;
    void SetSelectedIndex(int Value) override;
    void GetAxisBarCell(TAxisBarVz* Bar, int& ACol, int& ARow) override;
    bool IsBarEditable(int Index) override;
    bool AllowsAutoShowEditor() override { return true; }
    bool CanModifyCellText() override;
    // Escape: an edited cell gets its field's value back, an untouched one cancels the record's
    // edit; the editor closes unless it is always shown. False with an inactive data link.
    bool EscapeEditing();
    // Writes the current cell's pending edit into its field (the record stays in edit).
    void PostCellEdit();
    // Leaving a column writes its pending edit first, so the text never lands in the next column.
    void MoveFocusToCell(int ACol, int ARow, bool MoveAnchor) override;
    void AxisBarChanged(TAxisBarVz* Bar) override;
    // A column being deleted leaves the grouping levels that group by it.
    void AxisBarDeleting(TAxisBarVz* Bar) override;
    TGridAxisBarsVz* CreateAxisBars() override;
    TColCellParamsVz* CreateColCellParams() override { return new TColCellParamsVz(); }

    // ---- event relays
    virtual void CellClick(TColumnVz* Column);
    virtual void TitleClick(TColumnVz* Column);
    virtual void TitleBtnClick(int ACol, TColumnVz* Column);
    virtual void CheckButton(int ACol, bool& Enabled);
    virtual void ColEnter();
    virtual void ColExit();
    virtual void SortMarkingChanged();
    // A column announces that its sort marker changed.
    void ColumnSortMarkerChanged(TColumnVz* Column);

    // ---- mouse (gridmousevz.cpp)
    TDBGridVzState DBGridVzState() const { return FDBGridVzState; }
    // Ends every mouse operation: sizing, selecting, a held title button.
    void CancelMode() override;
    TCursor GetCursorAt(const TPoint& P) override;
    // Whether the point lies in the strip at the bottom of a column's title that selects columns.
    bool InColumnSelectionStrip(int X, int Y);
    // Whether the title cell (grid column) is shown pressed.
    bool TitlePressed(int ACol) const { return FTracking && FTitlePressedLook && ACol == FPressedCol; }

    // ---- popup menus (gridmenusvz.cpp)
    // The menu of a cell: a customisable group footer's aggregate menu, the column title's menu on
    // the titles, the column's menu, else the grid's own PopupMenu; nil when none.
    virtual TCustomPopupMenu* GetCellPopupMenu(const TGridCoord& Cell, TColumnVz* AColumn,
                                               TGroupDataTreeNodeVz* AGroupDataNode);
    TCustomPopupMenu* InternalGetCellPopupMenu(const TGridCoord& Cell, TColumnVz* AColumn,
                                               TGroupDataTreeNodeVz* AGroupDataNode);
    // The aggregates the footer item's column allows, then "(Empty)", in PopupMenu (the grid's own
    // footer menu, emptied, when nil).
    TPopupMenu* BuildGroupFooterPopupMenu(TGridDataGroupFooterColumnItemVz* FooterColumnItem, TPopupMenu* PopupMenu);
    void GroupFooterMenuItemClick(TObject* Sender);
    // The footer column item under a cell of a group footer row that the user may customise, or nil.
    TGridDataGroupFooterColumnItemVz* CustomizableFooterItemAt(TColumnVz* AColumn, TGroupDataTreeNodeVz* Node);
    void DoContextPopup(const TPoint& MousePos, bool& Handled) override;

    // ---- painting (gridpaintvz.cpp)
    void DefaultDrawColumnDataCell(const TRect& Rect, int DataCol, TColumnVz* Column, TGridDrawState State);
    void DefaultDrawTitleCell(int ACol, const TRect& ARect, TColumnVz* Column, TGridDrawState State);
    // The column's own title cell (its leaf caption under multi-level titles) drawn into any canvas:
    // the floating title of a column being moved.
    void DrawColumnTitleTo(TCanvas* C, const TRect& ARect, TColumnVz* Column);
    void DefaultDrawIndicatorCell(int ARow, const TRect& ARect, TGridDrawState State);
    bool GetCellBorder(int ACol, int ARow, TGridCellBorderTypeVz BorderType, bool& Extends, TColor& Color) override;
    bool IsCellDraw3D(int ACol, int ARow, TGridDrawState State) override;
    void DrawGroupRowCell(int ACol, int ARow, const TRect& ARect, TGroupDataTreeNodeVz* Node, TGridDrawState State);
    void DrawGroupFooterRowCell(int DataCol, const TRect& ARect, TGroupDataTreeNodeVz* Node, TGridDrawState State);
    // Paints the indent of a record row into the left of the first visible column's cell and
    // answers the rest of the cell.
    TRect DrawDataRowGroupIndent(const TRect& ARect, TGroupDataTreeNodeVz* Node);

    // ---- the filter row (filterrowgridvz.cpp)
    int CalcFilterRowHeight();
    bool CanEditColumnFilter(int Index);
    String GetColumnFilterText(int Index);
    bool IsFilterRow(int ARow) { return ARow == TopDataOffset() - 1 && FilterRowCount() > 0; }
    TInplaceFilterEditVz* FilterEdit() const { return FFilterEdit; }
    int FilterCol() const { return FFilterCol; }
    bool FilterEditMode() const { return FFilterEditMode; }
    void SetFilterEditMode(bool Value);
    void StartFilterEdit(int Index);
    void StopFilterEdit();
    void UpdateFilterEditor(bool Activate);
    void HideFilterEditor();
    void CommitFilterEditorText(int Index);
    void CommitCurrentFilterEditorText();
    void InitFilterEditorForColumn(int Index);
    bool IsFilterEditModeActive();
    virtual TInplaceFilterEditVz* CreateFilterEditor();
    // The grid's, the column's and the centre's events, else DefaultFillSTFilterListValues.
    void FillSTFilterListValues(TSTColumnFilterVz* Filter, TStrings* Items);
    virtual void DefaultFillSTFilterListValues(TColumnVz* Column, TStrings* Items);
    // Commits the edited text, then OnApplyFilter or the centre's filter; refreshes even on error.
    void ApplyFilter() { InternalApplyFilter(); }
    virtual void InternalApplyFilter();
    virtual void DefaultApplyFilter();
    // Empties every column's filter without applying.
    void ClearFilter();
    // The filter editor's keys before the editor's own: Tab, Home/End, Left/Right, Up, Down, F2.
    void FilterEditorKeyDown(Word& Key, TShiftState Shift);
    void FilterEditorKeyPress(Char& Key, TShiftState Shift);
    void DrawFilterRowCell(int ACol, int ARow, const TRect& ARect, TGridDrawState State);
    // The filter row's drop-down button in a cell (cell-relative point).
    bool FilterButtonAtPos(int ACol, int X, int Y);
    // A press on an editable filter cell starts editing it (on its button the list opens); a press
    // on the data ends filter editing. True when the press was the filter row's.
    bool FilterRowMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    // Up at the first record (or with Ctrl) enters the filter row in the selected column; true when
    // it did.
    bool FilterRowUpKey(TShiftState Shift);
    TNotifyEvent OnApplyFilter;
    TDBGridVzFillFilterListEvent OnFillSTFilterListValues;
    // ---- navigation, keyboard, edit actions, kept positions, recalculation (gridnavvz.cpp,
    //      gridkeysvz.cpp, grideditvz.cpp, gridrecalcvz.cpp)
    TAxisGridDataLinkVz* GetDataLink() const { return DataLink(); }
    // Moves over the records (over the visible group rows with grouping); the distance moved.
    virtual int MoveBy(int Distance);
    void CancelEditing() override;
    bool Eof();
    bool Bof();
    TDBGridVzIndicatorTitle* IndicatorTitle();
    TDBGridVzPopupMenuParams* PopupMenuParams();
    int OriginCol() { return Col(); }
    void SetOriginCol(int Value) { SetCol(Value); }
    // The filter drop-down button at the right of a title cell; whether P lies on it.
    bool GetTitleFilterButtonRect(const TPoint& P, TRect CellRect, TRect& ButtonRect);
    TDBGridVzEditActions EditActions();
    void SetEditActions(TDBGridVzEditActions Value);
    bool InplaceSearching();
    String InplaceSearchText();
    void StartInplaceSearch(const String& S, int TimeOut, TLocateTextDirectionVz Direction);
    void StopInplaceSearch();
    void InplaceSearchTimeout();
    String GetCompleteKeyPress();
    void ResetSelection();
    void SelectDataColumn(int Index, int Step, bool Extend);
    bool ConfirmDelete();
    bool CheckCopyAction();
    bool CheckPasteAction();
    bool CheckCutAction();
    bool CheckSelectAllAction();
    bool CheckDeleteAction();
    void SaveBookmark();
    void RestoreBookmark();
    void SaveVertPos(const String& KeyFieldName);
    void RestoreVertPos(const String& KeyFieldNames);
    bool BookmarkInVisibleView(const TBookmark& Bookmark);
    int DataRowCount() { return RowCount() - TitleRowCount(); }
    int DataRowToRecNo(int DataRow);
    TGridRect DataBox();
    virtual void ClearSortMarkers();
    // Scales fonts and widths (the widths cumulatively, so rounding never adds up).
    void ChangeScale(int M, int D);
    // The indicator of the current row follows the edit state (the pencil or the insert mark).
    void DataLinkEditingChanged() override;

    // ---- layout persistence (gridlayoutio.cpp)
    void SaveColumnsLayoutIni(const String& IniFileName, const String& Section, bool DeleteSection);
    void RestoreColumnsLayoutIni(const String& IniFileName, const String& Section, TColumnVzRestoreParams P);
    void SaveColumnsLayout(TCustomIniFile* ACustIni, const String& Section);
    void RestoreColumnsLayout(TCustomIniFile* ACustIni, const String& Section, TColumnVzRestoreParams P);
    void SaveGridLayoutIni(const String& IniFileName, const String& Section, bool DeleteSection);
    void RestoreGridLayoutIni(const String& IniFileName, const String& Section, TDBGridVzRestoreParams P);
    void SaveGridLayout(TCustomIniFile* ACustIni, const String& Section);
    void RestoreGridLayout(TCustomIniFile* ACustIni, const String& Section, TDBGridVzRestoreParams P);
    // The registry forms: the section is the grid's component path, erased before saving.
    void SaveColumnsLayout(TRegIniFile* ARegIni);
    void RestoreColumnsLayout(TRegIniFile* ARegIni, TColumnVzRestoreParams P);
    void SaveGridLayout(TRegIniFile* ARegIni);
    void RestoreGridLayout(TRegIniFile* ARegIni, TDBGridVzRestoreParams P);
    // The section the registry forms use: the grid's component path.
    String DefaultLayoutSection() { return GetComponentPathNameVz(this); }
    virtual TSettingsKeeperVz* WriteSettings(TSettingsKeeperVz* Keeper, TDBGridVzSettingsKeeperOptions GridOptions,
                                             TColumnVzSettingsKeeperOptions ColumnOptions);
    virtual void WriteGridSettings(TSettingsKeeperVz* Keeper, TDBGridVzSettingsKeeperOptions GridOptions);
    virtual void WriteColumnsSettings(TSettingsKeeperVz* Keeper, TColumnVzSettingsKeeperOptions ColumnOptions);
    virtual void WriteColumnSettings(TSettingsKeeperVz* Keeper, TColumnVz* Column,
                                     TColumnVzSettingsKeeperOptions ColumnOptions);
    virtual void ReadSettings(TSettingsKeeperVz* Keeper, TDBGridVzSettingsKeeperOptions GridOptions,
                              TColumnVzSettingsKeeperOptions ColumnOptions);
    virtual void ReadGridSettings(TSettingsKeeperVz* Keeper, TDBGridVzSettingsKeeperOptions GridOptions);
    virtual void ReadColumnsSettings(TSettingsKeeperVz* Keeper, TColumnVzSettingsKeeperOptions ColumnOptions);
    virtual void ReadColumnSettings(TSettingsKeeperVz* Keeper, TColumnVz* Column,
                                    TColumnVzSettingsKeeperOptions ColumnOptions);

    // ---- events
    TDBGridVzClickEvent OnCellClick;
    TDBGridVzClickEvent OnTitleClick;
    TTitleVzBtnClickEvent OnTitleBtnClick;
    TCheckTitleVzBtnEvent OnCheckButton;
    TNotifyEvent OnColEnter;
    TNotifyEvent OnColExit;
    TMovedEvent OnColumnMoved;
    TNotifyEvent OnColWidthsChanged;
    TNotifyEvent OnSortMarkingChanged;
    TDrawColumnVzCellEvent OnDrawColumnCell;
    TGetBtnVzParamsEvent OnGetBtnParams;
    TDBGridVzSelectedRowsItemChangedEvent OnSelectedRowsItemChanged;
    TNotifyEvent OnSelectionChanged;
    TGridMoveRecordsEventVz OnMoveRecords;
    TDBGridVzRowDetailPanelShowEvent OnRowDetailPanelShow;
    TDBGridVzRowDetailPanelHideEvent OnRowDetailPanelHide;
    TDBGridVzCheckRowHaveDetailPanelEvent OnCheckRowHaveDetailPanel;
    TGetFooterParamsEvent OnGetFooterParams;
    TDrawFooterCellEvent OnDrawFooterCell;
    TGetCellVzParamsEvent OnGetCellParams;
    TNotifyEvent OnSumListRecalcAll;
    TNotifyEvent OnSumListAfterRecalcAll;

protected:
    TAxisBarDefValuesVz* CreateColumnDefValues() override;
    TGridBackgroundDataVz* CreateBackgroundData() override;
    void InternalLayout() override;
    void Paint() override;
    void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) override;
    void CurrentCellMoved(const TGridCoord& Old) override;
    // The whole key map (gridkeysvz.cpp); on a group row Right / Add expand the group and Left /
    // Subtract collapse it (GroupRowKeyDown, true when it took the key).
    void KeyDown(Word& Key, TShiftState Shift) override;
    bool GroupRowKeyDown(Word& Key, TShiftState Shift);
    void TabStep(bool Forward);
    void KeyPress(Char& Key) override;
    // The grid's in-place editor (gridinplacevz.h).
    GridsVz::TInplaceEdit* CreateEditor() override;
    // A press on a group row's sign expands or collapses it (with Ctrl: every group of its level).
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void GridTimerEvent(TObject* Sender) override;
    // A column being moved shows its title in the floating title window (titledragwinvz.h) above
    // the titles, following the pointer; dropped, the title flies into its new cell.
    void DrawMove() override;
    void HideMove() override;
    // The text bounds of the data cell under the mouse, read through its row.
    void UpdateCellTextBoundsAtPos(int ACol, int ARow) override;
    // A press on a group row's sign expands or collapses it; True when it took the press.
    bool GroupRowSignMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    // The data cells' area in client coordinates: right of the fixed columns, below the titles.
    TRect DataRect();
    // One scrolling step while the pointer is outside the data area during a selection drag.
    void AutoScrollSelecting();
    void DoExit() override;
    void CreateWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void FontChanged() override;
    void Resize() override;
    void DataLinkActiveChanged(bool Active) override;
    void DataLinkDataChanged() override;
    void DataLinkScrolled(int Distance) override;
    void DataLinkRecordChanged(TField* Field) override;
    void ColumnWidthsChanged() override;
    void NotifyColumnMoved(int FromIndex, int ToIndex) override;
    void SyncActiveRecord();
    // A cell of the footer area: a grand total of the grouping or a column footer.
    void DrawFooterAreaCell(int ACol, int ARow, TRect ARect, TGridDrawState State);
    bool FooterWordWrapAllowed();
    // The current record's row in the table's view (the data link's active record without one).
    int CurrentRecordPosition();
    int CurrentDetailGridRow();
    void LayoutRowPanel();
    void SyncDataRowHeights();
    void DrawRowPanelCell(int ACol, int ARow, TGridDrawState State, TRect ARect);
    void DrawRowPanelTitleAreaCell(const TRect& ARect, TGridDrawState State);
    void DrawRowPanelDataAreaCell(int ACol, int ARow, const TRect& ARect, TGridDrawState State);
    void DrawRowPanelFooterAreaCell(int ACol, int ARow, const TRect& ARect, TGridDrawState State);
    void SumListChanged(TObject* Sender);
    void SumListRecalcAll(TObject* Sender);
    void SumListAfterRecalcAll(TObject* Sender);
    // The engine's options derived from Options, OptionsVz and RowSizingAllowed.
    void UpdateEngineOptions();
    void ApplyColumnResizeRule(TDBGridOptions O, TDBGridVzOptions E);
    void AdjustColForIndicator(TDBGridOptions OldOptions);
    void CalcStdDataRowHeight();
    void CalcTitleRowHeight();
    // The column records through a store's reader and writer (an INI file or the registry).
    using TLayoutReadVz = std::function<String(const String& Key)>;
    using TLayoutWriteVz = std::function<void(const String& Key, const String& Value)>;
    void SaveColumnRecords(const TLayoutWriteVz& Write);
    void RestoreColumnRecords(const TLayoutReadVz& Read, TColumnVzRestoreParams P);
    void RestoreGridRecord(const String& Record, TDBGridVzRestoreParams P);

private:
    TDBGridOptions FOptions;
    TDBGridVzOptions FOptionsVz;
    TDBGridVzIndicatorOptions FIndicatorOptions;
    TDBGridVzAllowedSelections FAllowedSelections;
    bool FAutoFitColWidths = false;
    int FMinAutoFitWidth = 0;
    int FRowHeight = 0;
    int FRowLines = 0;
    bool FRowSizingAllowed = false;
    int FFooterRowCount = 0;
    int FFrozenCols = 0;
    bool FTryUseMemTableInt = true;
    int FIndicatorOffset = 1;
    int FIndicatorWidth = 0;
    int FStdDefaultRowHeight = 0;
    int FTitleRowHeight = 0;
    int FExtraFirstColumnWidth = 0;
    bool FColumnWidthsChanging = false;
    bool FSyncing = false;
    int FLoadingStatusCount = 0;
    String FLoadingStatusText;
    TOwned<TDBGridTitleParamsVz> FTitleParams;
    TOwned<TDBGridIndicatorParamsVz> FIndicatorParams;
    TOwned<TDBGridFooterParamsVz> FFooterParams;
    TOwned<TGridEmptyDataInfoVz> FEmptyDataInfo;
    TOwned<TGridTreeViewParamsVz> FTreeViewParams;
    std::vector<TGridHighlightTextParamsVz*> FHighlightTextParams;
    TDBGridVzStyle* FStyle = nullptr;
    TDBGridMultiTitleTreeListVz* FHeadTree = nullptr;
    std::vector<TDBGridMultiTitleNodeVz*> FLeafFieldArr;
    TColumnsVzList FSortMarkedColumns;
    TBookmarkListVz* FSelectedRows = nullptr;
    TDBGridVzSelection* FSelection = nullptr;
    // A Shift range of records being extended: where it started, whether that record was
    // selected before, and whether the range unselects.
    bool FSelecting = false;
    bool FTitleDragShown = false;
    TBookmark FSelectionAnchor;
    bool FSelectionAnchorSelected = false;
    bool FAntiSelection = false;
    // While above 0 the grid keeps its row when the data set scrolls.
    int FLockRowPosFromDatasetPos = 0;
    // The mouse: the operation running, the press, a held title button, tracking of a selection drag.
    TDBGridVzState FDBGridVzState = dgsNormal;
    TPoint FDownMousePos;
    TPoint FMoveMousePos;
    TShiftState FStartShiftState;
    TShiftState FMouseShift;
    bool FTracking = false;
    bool FTitlePressedLook = false;
    int FPressedCol = -1;
    int FPressedDataCol = -1;
    bool FDataTracking = false;
    bool FIndicatorPressed = false;
    bool FSortMarking = false;
    TPopupMenu* FGroupFooterMenu = nullptr;
    std::unique_ptr<TDBGridFilterHostVz> FFilterHost;
    TSTDBGridVzFilter* FSTFilter = nullptr;
    IMemTableVz* FIntMemTable = nullptr;
    std::vector<int> FSavedReadRows;
    // The data row painting holds entered while it paints the row's cells (-1: none).
    int FPaintHeldRow = -1;
    void ReleasePaintHeldRow();
    TDBGridVzDataGroupsVz* FDataGrouping = nullptr;
    std::vector<TGroupDataTreeNodeVz*> FInstantReadDataNodes;
    TDBGridVzSumList* FSumList = nullptr;
    TInplaceFilterEditVz* FFilterEdit = nullptr;
    int FFilterCol = -1;
    bool FFilterEditMode = false;
    void FilterEditorGetItemsList(TObject* Sender);
    void FilterEditorClosingUp(TObject* Sender, bool& Accept);
    void FilterEditorCloseUp(TObject* Sender, bool Accept);
    void MoveFilterEditTo(int Index);
    std::unique_ptr<TDBGridVzNavStateVz> FNav;
    TDBGridVzNavStateVz* Nav();
    TRowDetailPanelVz* FRowDetailPanel = nullptr;
    TRowDetailPanelControlVz* FRowDetailControl = nullptr;
    int FRowDetailGridRow = -1;
    TGridRowPanelVz* FRowPanel = nullptr;
    int FGridMasterCellWidth = 0;
    int FGridMasterCellHeight = 0;
    TBookmark FRowDetailBookmark;
};

class TDBGridVz : public TCustomDBGridVz {
    SDELKA_CLASS(TDBGridVz, TCustomDBGridVz)
protected:
    explicit TDBGridVz(TComponent* AOwner) : TCustomDBGridVz(AOwner) {}
    ~TDBGridVz() override = default;

public:
    TFont* FooterFont() { return FooterParams()->Font(); }
    void SetFooterFont(TFont* Value) { FooterParams()->SetFont(Value); }
    TColor FooterColor() { return FooterParams()->Color(); }
    void SetFooterColor(TColor Value) { FooterParams()->SetColor(Value); }
};
