#include "grid/dbgrid/gridcentervz.h"

#include "grid/core/uitextsvz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/columnsvz.h"
#include "grid/dbgrid/filterrowvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/gui/menus.h"

#include <algorithm>

TDBGridVzCenter::TDBGridVzCenter() = default;

namespace {
TDBGridVzCenter* GlobalDBGridVzCenter = nullptr;

struct TDBGridVzCenterHolder {
    ~TDBGridVzCenterHolder() {
        if (GlobalDBGridVzCenter) GlobalDBGridVzCenter->Free();
    }
};
}  // namespace

TDBGridVzCenter* DBGridVzCenter() {
    static TDBGridVzCenterHolder holder;
    if (!GlobalDBGridVzCenter) GlobalDBGridVzCenter = New<TDBGridVzCenter>();
    return GlobalDBGridVzCenter;
}

TDBGridVzCenter::~TDBGridVzCenter() {
    if (GlobalDBGridVzCenter == this) GlobalDBGridVzCenter = nullptr;
    if (FSearchPanelMenu) FSearchPanelMenu->Free();
    if (FIndicatorTitleMenu) FIndicatorTitleMenu->Free();
    while (!FGrids.empty()) {
        ISTFilterGridVz* g = FGrids.back();
        FGrids.pop_back();
        g->STFilterCenterGone();
    }
}

void TDBGridVzCenter::AddChangeNotification(ISTFilterGridVz* Grid) {
    if (!GridInChangeNotification(Grid)) FGrids.push_back(Grid);
}

void TDBGridVzCenter::RemoveChangeNotification(ISTFilterGridVz* Grid) {
    FGrids.erase(std::remove(FGrids.begin(), FGrids.end(), Grid), FGrids.end());
}

bool TDBGridVzCenter::GridInChangeNotification(ISTFilterGridVz* Grid) const {
    return std::find(FGrids.begin(), FGrids.end(), Grid) != FGrids.end();
}

// ---- delegating operations -------------------------------------------------------------------

bool TDBGridVzCenter::DefaultLocateText(ISTFilterGridVz* Grid, const String& FieldName, const String& Text,
                                        TLocateTextOptionsVz Options, TLocateTextDirectionVz Direction,
                                        TLocateTextMatchingVz Matching, TLocateTextTreeFindRangeVz TreeFindRange,
                                        int TimeOut, const TLocateTextCheckCellVz& CheckCell) {
    if (TDataSetHandlerVz* h = FindDataSetHandlerForDataSet(Grid->STFilterDataSet()))
        return h->LocateText(Grid, FieldName, Text, Options, Direction, Matching, TreeFindRange, TimeOut, CheckCell);
    return LocateTextInGrid(Grid, FieldName, Text, Options, Direction, Matching, TimeOut, CheckCell);
}

bool TDBGridVzCenter::LocateText(ISTFilterGridVz* Grid, const String& FieldName, const String& Text,
                                 TLocateTextOptionsVz Options, TLocateTextDirectionVz Direction,
                                 TLocateTextMatchingVz Matching, TLocateTextTreeFindRangeVz TreeFindRange,
                                 int TimeOut, const TLocateTextCheckCellVz& CheckCell) {
    if (OnLocateText) return OnLocateText(Grid, FieldName, Text, Options, Direction, Matching, TreeFindRange);
    return DefaultLocateText(Grid, FieldName, Text, Options, Direction, Matching, TreeFindRange, TimeOut, CheckCell);
}

bool TDBGridVzCenter::DefaultMoveRecords(ISTFilterGridVz* Grid, TBMListVz* BookmarkList, int ToRecNo, int TreeLevel,
                                         bool CheckOnly) {
    TDataSet* ds = Grid->STFilterDataSet();
    if (TDataSetHandlerVz* h = FindDataSetHandlerForDataSet(ds))
        return h->MoveRecords(Grid, BookmarkList, ToRecNo, TreeLevel, CheckOnly);
    return false;
}

bool TDBGridVzCenter::MoveRecords(ISTFilterGridVz* Grid, TBMListVz* BookmarkList, int ToRecNo, int TreeLevel,
                                  bool CheckOnly) {
    return DefaultMoveRecords(Grid, BookmarkList, ToRecNo, TreeLevel, CheckOnly);
}

void TDBGridVzCenter::ApplyFilter(ISTFilterGridVz* Grid) {
    if (OnApplyFilter) OnApplyFilter(Grid);
    else DefaultApplyFilter(Grid);
}

void TDBGridVzCenter::DefaultApplyFilter(ISTFilterGridVz* Grid) {
    TDataSet* ds = Grid->STFilterDataSet();
    if (!ds) return;
    if (TDataSetHandlerVz* h = FindDataSetHandlerForDataSet(ds)) h->ApplyFilter(Grid, ds, ds->Active());
}

void TDBGridVzCenter::ApplySorting(ISTFilterGridVz* Grid) {
    if (OnApplySorting) OnApplySorting(Grid);
    else DefaultApplySorting(Grid);
}

void TDBGridVzCenter::DefaultApplySorting(ISTFilterGridVz* Grid) {
    TDataSet* ds = Grid->STFilterDataSet();
    if (!ds) return;
    if (TDataSetHandlerVz* h = FindDataSetHandlerForDataSet(ds)) h->ApplySorting(Grid, ds, ds->Active());
}

Variant TDBGridVzCenter::GetDataSetValue(ISTFilterGridVz* Grid, const Variant& V1, const Variant& V2, const Variant& V3) {
    TDataSet* ds = Grid->STFilterDataSet();
    if (TDataSetHandlerVz* h = ds ? FindDataSetHandlerForDataSet(ds) : nullptr)
        return h->GetDataSetValue(ds, V1, V2, V3);
    return 0;
}

// ---- defaults --------------------------------------------------------------------------------

TSTFilterDefaultOperatorVz TDBGridVzCenter::GetSTFilterDefaultOperator(ISTFilterGridVz*, ISTFilterColumnVz* Column,
                                                                       const TSTFilterExpressionVz& Expression) {
    if (Column && (Column->STFilterLookupActive() || (Column->STFilter() && !Column->STFilter()->KeyField().isEmpty())))
        return fdoEqual;
    switch (Expression.ExpressionType) {
        case botNumber: return STFilterDefaultNumberOperator;
        case botDateTime: return STFilterDefaultDateTimeOperator;
        case botBoolean: return STFilterDefaultBooleanOperator;
        default: return STFilterDefaultStringOperator;
    }
}

TSortMarkerVz TDBGridVzCenter::GetFirstSortMarkerState(ISTFilterGridVz*, ISTFilterColumnVz* Column) {
    TField* f = Column ? Column->STFilterField() : nullptr;
    if (f && (dynamic_cast<TStringField*>(f) || f->DataType() == ftMemo || f->DataType() == ftFmtMemo ||
              f->DataType() == ftWideMemo))
        return smUpVz;
    return smDownVz;
}

TSortOrderVz TDBGridVzCenter::GetSortOrderForSortMarker(ISTFilterGridVz*, ISTFilterColumnVz*, TSortMarkerVz SortMarker) {
    switch (SortMarker) {
        case smUpVz: return soAscVz;
        case smDownVz: return soDescVz;
        default: throw Exception(u"SortOrder for SortMarker None is not defined."_S);
    }
}

bool TDBGridVzCenter::CanColumnValueReadAsText(ISTFilterGridVz*, ISTFilterColumnVz* Column) {
    TField* f = Column ? Column->STFilterField() : nullptr;
    if (!f) return true;
    switch (f->DataType()) {
        case ftString: case ftSmallint: case ftInteger: case ftWord: case ftBoolean: case ftFloat: case ftCurrency:
        case ftBCD: case ftDate: case ftTime: case ftDateTime: case ftAutoInc: case ftMemo: case ftFmtMemo:
        case ftFixedChar: case ftWideString: case ftLargeint: case ftADT: case ftVariant: case ftGuid:
        case ftTimeStamp: case ftFMTBcd: case ftFixedWideChar: case ftWideMemo: case ftOraTimeStamp:
        case ftOraInterval: case ftLongWord: case ftShortint: case ftByte: case ftExtended: case ftSingle:
            return true;
        default:
            return false;
    }
}

bool TDBGridVzCenter::ColumnValueTypeIsComparable(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column) {
    return CanColumnValueReadAsText(Grid, Column);
}

String TDBGridVzCenter::GetColumnMenuCaption(ISTFilterGridVz*, ISTFilterColumnVz* Column) {
    return Column ? Column->STFilterTitleCaption() : String();
}

void TDBGridVzCenter::DefaultFillSTFilterListCommandValues(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column,
                                                           TStrings* Items) {
    if (TDataSetHandlerVz* h = FindDataSetHandlerForDataSet(Grid->STFilterDataSet()))
        h->FillSTFilterListCommandValues(Grid, Column, Items);
    else
        StandardFillSTFilterListCommandValues(Grid, Column, Items, true, true);
}

void TDBGridVzCenter::DefaultFillSTFilterListDataValues(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column,
                                                        TStrings* Items) {
    if (TDataSetHandlerVz* h = FindDataSetHandlerForDataSet(Grid->STFilterDataSet()))
        h->FillSTFilterListDataValues(Grid, Column, Items);
    else
        StandardFillSTFilterListDataValues(Grid, Column, Items);
}

void TDBGridVzCenter::StandardFillSTFilterListCommandValues(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column,
                                                            TStrings* Items, bool AddEmpties, bool AddNotEmpties) {
    const auto* t = GetViZevLanguageConsts();
    Items->BeginUpdate();
    try {
        if (Grid->STFilterSortItemsAllowed(Column)) {
            Items->AddObject(u'(' + t->STFilterListItem_SortingByAscend() + u')', STFilterListItemSortVz(smUpVz));
            Items->AddObject(u'(' + t->STFilterListItem_SortingByDescend() + u')', STFilterListItemSortVz(smDownVz));
            Items->AddObject(QStringLiteral("-"), STFilterListItemLineVz());
        }
        Items->AddObject(t->STFilterListItem_ClearFilter(), STFilterListItemSpecVz(ptFilterSpecItemClearFilter));
        if (!(Grid->STFilterSettings() && Grid->STFilterSettings()->InstantApply()))
            Items->AddObject(u'(' + t->STFilterListItem_ApplyFilter() + u')', STFilterListItemSpecVz(ptFilterApply));
        Items->AddObject(t->STFilterListItem_CustomFilter(), STFilterListItemSpecVz(ptFilterSpecItemDialog));
        Items->AddObject(t->STFilterListItem_All(), STFilterListItemSpecVz(ptFilterSpecItemAll));
        if (AddNotEmpties)
            Items->AddObject(t->STFilterListItem_NotEmpties(), STFilterListItemSpecVz(ptFilterSpecItemNotEmties));
        if (AddEmpties) Items->AddObject(t->STFilterListItem_Empties(), STFilterListItemSpecVz(ptFilterSpecItemEmpties));
    } catch (...) {
        Items->EndUpdate();
        throw;
    }
    Items->EndUpdate();
}

void TDBGridVzCenter::StandardFillSTFilterListDataValues(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column,
                                                         TStrings* Items) {
    TDataSet* ds = Grid->STFilterDataSet();
    TSTColumnFilterVz* own = Column->STFilter();
    auto* table = dynamic_cast<TCustomMemTableVz*>(ds);
    // The values come from the in-memory table itself, from the filter's list source, or from a
    // value list over the grid's dataset.
    TFieldValueListPtrVz tableList;
    TOwned<TDatasetFieldValueListVz> plainList;
    IMemTableDataFieldValueListVz* list = nullptr;
    if (own && own->ListSource()) {
        plainList = own->GetFieldValueList();
        list = plainList.get();
    } else if (table) {
        tableList = table->GetFieldValueList(Column->STFilterFieldName());
        list = tableList.get();
    } else if (ds && ds->FindField(Column->STFilterFieldName())) {
        plainList = NewOwned<TDatasetFieldValueListVz>();
        plainList->SetFieldName(Column->STFilterFieldName());
        plainList->SetDataSet(ds);
        list = plainList.get();
    }
    bool sort = false;
    Items->BeginUpdate();
    try {
        if (list) {
            // Every filter but the column's own.
            String filter;
            if (own) {
                const TSTFilterOperatorVz op1 = own->FExpression.Operator1;
                const TSTFilterOperatorVz rel = own->FExpression.Relation;
                own->FExpression.Operator1 = foNon;
                own->FExpression.Relation = foNon;
                try {
                    filter = BuildGridFilterText(Grid, BuildFilterOperationText, nullptr, false, true, false, table != nullptr);
                } catch (...) {
                    own->FExpression.Operator1 = op1;
                    own->FExpression.Relation = rel;
                    throw;
                }
                own->FExpression.Operator1 = op1;
                own->FExpression.Relation = rel;
            }
            list->SetFilter(filter);
            TStrings* values = list->GetValues();
            for (int i = 0; i < values->Count(); ++i) Items->Add(values->Strings(i));
        }
        TStrings* keys = Column->STFilterKeyList();
        TStrings* picks = Column->STFilterPickList();
        if (!(own && own->ListSource()) && keys && picks && keys->Count() > 0 && picks->Count() > 0) {
            for (int i = 0; i < Items->Count(); ++i) {
                const int k = keys->IndexOf(Items->Strings(i));
                if (k >= 0 && k < picks->Count()) Items->SetStrings(i, picks->Strings(k));
            }
            sort = true;
        }
        if (sort)
            if (auto* sl = dynamic_cast<TStringList*>(Items)) sl->Sort();
    } catch (...) {
        Items->EndUpdate();
        throw;
    }
    Items->EndUpdate();
}
