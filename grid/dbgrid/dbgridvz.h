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
//   gridlayoutio.cpp    saving and restoring the column layout (INI files, settings keepers)
//   columnsvz.*, titlesvz.*, gridparamsvz.*, gridstylevz.*  the columns, the title tree, the
//                       appearance objects and the shared draw style
#pragma once

#include "grid/axis/dbaxisgridvz.h"
#include "grid/core/bmlistvz.h"
#include "grid/dbgrid/columnsvz.h"
#include "grid/dbgrid/gridparamsvz.h"
#include "grid/dbgrid/gridstylevz.h"
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
    void SetAllowedSelections(TDBGridVzAllowedSelections Value) { FAllowedSelections = Value; }
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
    virtual int FilterRowCount() { return 0; }
    int TopDataOffset() { return TitleRowCount() + FilterRowCount(); }
    int FullFooterRowCount() { return FFooterRowCount; }
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

    // ---- selection and columns
    TBookmarkListVz* SelectedRows() const { return FSelectedRows; }
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
    // Cancels the current record's edit (gridinplacevz.cpp).
    void CancelEditing() override;
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

    // ---- painting (gridpaintvz.cpp)
    void DefaultDrawColumnDataCell(const TRect& Rect, int DataCol, TColumnVz* Column, TGridDrawState State);
    void DefaultDrawTitleCell(int ACol, const TRect& ARect, TColumnVz* Column, TGridDrawState State);
    void DefaultDrawIndicatorCell(int ARow, const TRect& ARect, TGridDrawState State);
    bool GetCellBorder(int ACol, int ARow, TGridCellBorderTypeVz BorderType, bool& Extends, TColor& Color) override;
    bool IsCellDraw3D(int ACol, int ARow, TGridDrawState State) override;
    void DrawGroupRowCell(int ACol, int ARow, const TRect& ARect, TGroupDataTreeNodeVz* Node, TGridDrawState State);
    void DrawGroupFooterRowCell(int DataCol, const TRect& ARect, TGroupDataTreeNodeVz* Node, TGridDrawState State);
    // Paints the indent of a record row into the left of the first visible column's cell and
    // answers the rest of the cell.
    TRect DrawDataRowGroupIndent(const TRect& ARect, TGroupDataTreeNodeVz* Node);

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

protected:
    TAxisBarDefValuesVz* CreateColumnDefValues() override;
    TGridBackgroundDataVz* CreateBackgroundData() override;
    void InternalLayout() override;
    void Paint() override;
    void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) override;
    void CurrentCellMoved(const TGridCoord& Old) override;
    // On a group row Right / Add expand the group and Left / Subtract collapse it; a press on a
    // group row's sign expands or collapses it (with Ctrl: every group of its level).
    void KeyDown(Word& Key, TShiftState Shift) override;
    // Enter writes the edited text into the field before the editor closes (gridinplacevz.cpp).
    void KeyPress(Char& Key) override;
    // The grid's in-place editor (gridinplacevz.h).
    GridsVz::TInplaceEdit* CreateEditor() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
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
    std::unique_ptr<TDBGridFilterHostVz> FFilterHost;
    TSTDBGridVzFilter* FSTFilter = nullptr;
    IMemTableVz* FIntMemTable = nullptr;
    std::vector<int> FSavedReadRows;
    // The data row painting holds entered while it paints the row's cells (-1: none).
    int FPaintHeldRow = -1;
    void ReleasePaintHeldRow();
    TDBGridVzDataGroupsVz* FDataGrouping = nullptr;
    std::vector<TGroupDataTreeNodeVz*> FInstantReadDataNodes;
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
