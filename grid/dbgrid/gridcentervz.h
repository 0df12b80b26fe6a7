// The process-wide behaviour centre of the data grids: the defaults that depend on the kind of
// dataset or on application-wide policy (default filter operators, applying filters and
// sortings, text search, the values of filter drop-down lists). Each step has an event that
// replaces the default; most defaults ask the dataset handler of the grid's dataset first.
#pragma once

#include "grid/core/coretoolsvz.h"
#include "grid/dbgrid/filterexprvz.h"
#include "grid/dbgrid/textsearchvz.h"
#include "platform/rtl/events.h"

#include <vector>

enum TDBGridVzStyleIndicatorTitleMenuVz { itmVisibleColumnsVz, itmCut, itmCopy, itmPaste, itmDelete, itmSelectAll };
using TDBGridVzStyleIndicatorTitleMenusVz = TSet<TDBGridVzStyleIndicatorTitleMenuVz>;

struct TSTFilterExpressionVz;
class TCustomDBGridVz;
class TColumnVz;
class TDBGridSearchPanelVz;
class TMenuItem;
class TPopupMenu;
enum TSortMarkerVz : int;

using TDBGridVzGridEventVz = TEvent<void(ISTFilterGridVz* Grid)>;
using TLocateTextEventVz =
    TEvent<bool(ISTFilterGridVz* Sender, const String& FieldName, const String& Text, TLocateTextOptionsVz Options,
                TLocateTextDirectionVz Direction, TLocateTextMatchingVz Matching,
                TLocateTextTreeFindRangeVz TreeFindRange)>;
using TDBGridVzFillSTFilterListValuesEvent =
    TEvent<void(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column, TStrings* Items, bool& Processed)>;

class TDBGridVzCenter : public TPersistent {
    SDELKA_CLASS(TDBGridVzCenter, TPersistent)
protected:
    TDBGridVzCenter();
    ~TDBGridVzCenter() override;

public:
    int ColWidthsOptimizationMaxWaitingTime = 2000;
    bool FilterEditCloseUpApplyFilter = false;
    TDBGridVzStyleIndicatorTitleMenusVz IndicatorTitleMenus = {itmVisibleColumnsVz, itmCut, itmCopy, itmPaste,
                                                               itmDelete, itmSelectAll};
    bool PreferEditFormatForNumberFields = false;
    TSTFilterDefaultOperatorVz STFilterDefaultBooleanOperator = fdoAuto;
    TSTFilterDefaultOperatorVz STFilterDefaultDateTimeOperator = fdoAuto;
    TSTFilterDefaultOperatorVz STFilterDefaultNumberOperator = fdoAuto;
    TSTFilterDefaultOperatorVz STFilterDefaultStringOperator = fdoAuto;
    bool UseExtendedScrollingForMemTable = true;
    bool TryUseViewScroll = true;

    TDBGridVzGridEventVz OnApplyFilter;
    TDBGridVzGridEventVz OnApplySorting;
    TDBGridVzFillSTFilterListValuesEvent OnFillSTFilterListValues;
    TLocateTextEventVz OnLocateText;

    // Grids told of the centre's going (STFilterCenterGone, last registered first).
    void AddChangeNotification(ISTFilterGridVz* Grid);
    void RemoveChangeNotification(ISTFilterGridVz* Grid);
    bool GridInChangeNotification(ISTFilterGridVz* Grid) const;

    virtual bool DefaultLocateText(ISTFilterGridVz* Grid, const String& FieldName, const String& Text,
                                   TLocateTextOptionsVz Options, TLocateTextDirectionVz Direction,
                                   TLocateTextMatchingVz Matching, TLocateTextTreeFindRangeVz TreeFindRange,
                                   int TimeOut, const TLocateTextCheckCellVz& CheckCell);
    virtual bool DefaultMoveRecords(ISTFilterGridVz* Grid, TBMListVz* BookmarkList, int ToRecNo, int TreeLevel,
                                    bool CheckOnly);
    virtual bool LocateText(ISTFilterGridVz* Grid, const String& FieldName, const String& Text,
                            TLocateTextOptionsVz Options, TLocateTextDirectionVz Direction,
                            TLocateTextMatchingVz Matching, TLocateTextTreeFindRangeVz TreeFindRange, int TimeOut,
                            const TLocateTextCheckCellVz& CheckCell);
    virtual bool MoveRecords(ISTFilterGridVz* Grid, TBMListVz* BookmarkList, int ToRecNo, int TreeLevel,
                             bool CheckOnly);
    virtual void ApplyFilter(ISTFilterGridVz* Grid);
    virtual Variant GetDataSetValue(ISTFilterGridVz* Grid, const Variant& V1, const Variant& V2, const Variant& V3);
    virtual void ApplySorting(ISTFilterGridVz* Grid);
    virtual TSTFilterDefaultOperatorVz GetSTFilterDefaultOperator(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column,
                                                                  const TSTFilterExpressionVz& Expression);
    // The marker a first click on a title gives: up for text and memo fields, down for the rest.
    virtual TSortMarkerVz GetFirstSortMarkerState(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column);
    // Up sorts ascending, down descending; no marker has no order and raises.
    virtual TSortOrderVz GetSortOrderForSortMarker(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column,
                                                   TSortMarkerVz SortMarker);
    virtual bool CanColumnValueReadAsText(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column);
    virtual bool ColumnValueTypeIsComparable(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column);
    virtual String GetColumnMenuCaption(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column);
    virtual void DefaultApplyFilter(ISTFilterGridVz* Grid);
    virtual void DefaultApplySorting(ISTFilterGridVz* Grid);
    virtual void DefaultFillSTFilterListCommandValues(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column, TStrings* Items);
    virtual void DefaultFillSTFilterListDataValues(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column, TStrings* Items);
    // The command items of a column's filter list (sorting, clear, apply, condition, all,
    // non-empty, empty), as texts.
    virtual void StandardFillSTFilterListCommandValues(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column,
                                                       TStrings* Items, bool AddEmpties, bool AddNotEmpties);
    // The distinct values of a column under the other columns' filters (not its own), sorted.
    virtual void StandardFillSTFilterListDataValues(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column,
                                                    TStrings* Items);
    void Changed() {}

    // ---- menus (gridcentermenusvz.cpp); the items belong to the menu they are built into
    // The indicator title's menu: the columns to show or hide, each checked while shown. A menu
    // nil is the shared one (emptied first); a menu with items gets a separator first.
    virtual void BuildIndicatorTitleMenu(TCustomDBGridVz* Grid, TPopupMenu*& PopupMenu);
    // Shows or hides the item's column; the last visible column is never hidden.
    virtual void MenuVisibleColumnClick(TObject* Sender);
    // The search panel's options: the scope (current column or whole grid), case, whole words,
    // begins-with, then a close item; all but the close item keep the menu open.
    virtual void BuildSearchPanelOptionsPopupMenu(TDBGridSearchPanelVz* Panel, TPopupMenu*& PopupMenu);
    virtual void MenuSearchPanelOptionsClick(TObject* Sender);

private:
    std::vector<ISTFilterGridVz*> FGrids;
    TPopupMenu* FIndicatorTitleMenu = nullptr;
    TPopupMenu* FSearchPanelMenu = nullptr;
};

// The centre every grid points to unless given another (made on first use, freed at exit).
TDBGridVzCenter* DBGridVzCenter();
