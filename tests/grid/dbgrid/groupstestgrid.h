// A stand-in for the data grid in the grouping tests: columns that name fields of an in-memory
// table, a grouping object that reads that table, and a receiver of the table's view events that
// keeps the group tree up to date the way the grid does.
#pragma once

#include "grid/dbgrid/groupsvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/rtl/collections.h"

#include <functional>

namespace groupstest {

class TTestGroupColumn : public TCollectionItem, public IDataGroupsColumnVz {
    SDELKA_CLASS(TTestGroupColumn, TCollectionItem)
protected:
    explicit TTestGroupColumn(TCollection* Collection) : TCollectionItem(Collection) {}

public:
    TDataSet* DataSet = nullptr;
    String FieldName;
    String DisplayFormat;
    TField* GroupingField() override { return DataSet && !FieldName.isEmpty() ? DataSet->FindField(FieldName) : nullptr; }
    String GroupingFieldName() override { return FieldName; }
    String GroupingDisplayFormat() override { return DisplayFormat; }
};

class TTestGroupColumns : public TCollection {
    SDELKA_CLASS(TTestGroupColumns, TCollection)
protected:
    TTestGroupColumns() : TCollection(TTestGroupColumn::StaticClass()) {}

public:
    TTestGroupColumn* Items(int I) const { return static_cast<TTestGroupColumn*>(TCollection::Items(I)); }
    TTestGroupColumn* Add(TDataSet* DS, const String& FieldName) {
        auto* C = static_cast<TTestGroupColumn*>(TCollection::Add());
        C->DataSet = DS;
        C->FieldName = FieldName;
        return C;
    }
};

// The grid's side of the grouping object.
class TTestDataGroups : public TGridDataGroupsVz {
    SDELKA_CLASS(TTestDataGroups, TGridDataGroupsVz)
protected:
    explicit TTestDataGroups(TComponent* AGrid) : TGridDataGroupsVz(AGrid) {}

public:
    TCustomMemTableVz* Table = nullptr;
    TTestGroupColumns* Columns = nullptr;
    int RowCountUpdates = 0;
    // As a grid with an aggregate event assigned: every change sums every footer again.
    bool AggregateEvents = false;
    bool FooterAggregateEventsAssigned() override { return AggregateEvents; }
    int StructRebuilds = 0;
    std::function<bool(TGridDataGroupFooterColumnItemVz*, Variant&)> OnFinalize;

    IMemTableVz* GridMemTable() override { return Table; }
    TDataSet* GridDataSet() override { return Table; }
    TCollection* GridColumns() override { return Columns; }
    bool IsGroupingWorks() override { return Active() && Table && Table->Active(); }
    void ActiveChanged() override {
        if (IsGroupingWorks()) GroupDataTree()->RebuildDataTreeEx(Table);
    }
    void ActiveGroupingStructChanged() override {
        ++StructRebuilds;
        if (IsGroupingWorks()) GroupDataTree()->RebuildDataTreeEx(Table);
    }
    void UpdateGroupingRowCount() override { ++RowCountUpdates; }
    bool DoFooterFinalizeValue(TGridDataGroupFooterColumnItemVz* Item, Variant& V) override {
        return OnFinalize && OnFinalize(Item, V);
    }
};

// The grid: hears the table's view events and passes them to the tree.
class TTestGroupGrid : public TComponent, public IMTEventReceiverVz {
    SDELKA_CLASS(TTestGroupGrid, TComponent)
protected:
    explicit TTestGroupGrid(TComponent* AOwner) : TComponent(AOwner) {}

public:
    TOwned<TTestGroupColumns> Columns = NewOwned<TTestGroupColumns>();
    TOwned<TTestDataGroups> Groups;
    int FullRebuilds = 0;

    static void Published(TPublished<TTestGroupGrid>& P) { P.Object("DataGrouping", &TTestGroupGrid::DataGrouping); }
    TGridDataGroupsVz* DataGrouping() const { return Groups.get(); }

    void AfterConstruction() override {
        inherited::AfterConstruction();
        Groups = NewOwned<TTestDataGroups>(this);
        Groups->Columns = Columns.get();
    }
    void BeforeDestruction() override {
        if (Groups->Table) Groups->Table->UnregisterEventReceiver(this);
        inherited::BeforeDestruction();
    }
    void Bind(TCustomMemTableVz* T) {
        Groups->Table = T;
        T->RegisterEventReceiver(this);
    }
    TGridGroupDataTreeVz* Tree() const { return Groups->GroupDataTree(); }

    void MTViewDataEvent(int RowNum, TMTViewEventTypeVz Event, int) override {
        if (!Groups->IsGroupingWorks()) return;
        switch (Event) {
        case mtRowInsertedVz: Tree()->RecordInserted(RowNum); break;
        case mtRowChangedVz: Tree()->RecordChanged(RowNum); break;
        case mtRowDeletedVz: Tree()->RecordDeleted(RowNum); break;
        default:
            if (Tree()->UpdateCount() == 0) {
                ++FullRebuilds;
                Tree()->RebuildDataTreeEx(Groups->Table);
            }
            break;
        }
    }
};

}  // namespace groupstest

namespace groupstest {

// The tree as text: a group is "key{children}", a record "r<view number>", a footer its values
// "[a|b|...]" (Unassigned as "?"); the root's footers follow the groups.
inline String DumpGroupNode(TGroupDataTreeNodeVz* N) {
    String S;
    for (Integer I = 0; I < N->FullItemCount(); ++I) {
        TGroupDataTreeNodeVz* C = static_cast<TGroupDataTreeNodeVz*>(N->Item(I));
        if (!S.isEmpty()) S += u' ';
        switch (C->NodeType()) {
        case dntDataSetRecordVz: S += u"r"_S + QString::number(C->DataSetRecordViewNo()); break;
        case dntDataGroupVz: S += VarToStr(C->KeyValue()) + u"{"_S + DumpGroupNode(C) + u"}"_S; break;
        case dntDataGroupFooterVz: {
            S += u"["_S;
            for (std::size_t J = 0; J < C->FooterValue().size(); ++J) {
                if (J) S += u'|';
                const Variant& V = C->FooterValue()[J];
                S += VarIsEmpty(V) ? u"?"_S : VarToStr(V);
            }
            S += u"]"_S;
            break;
        }
        }
    }
    return S;
}

inline std::string Dump(TGridGroupDataTreeVz* T) { return DumpGroupNode(T->Root()).toStdString(); }

// The flat list as text: "G:key", "r<n>", "F" per row.
inline std::string DumpFlat(TGridGroupDataTreeVz* T) {
    String S;
    for (Integer I = 0; I < T->FlatVisibleCount(); ++I) {
        TGroupDataTreeNodeVz* N = T->FlatVisibleItem(I);
        if (I) S += u' ';
        switch (N->NodeType()) {
        case dntDataSetRecordVz: S += u"r"_S + QString::number(N->DataSetRecordViewNo()); break;
        case dntDataGroupVz: S += u"G:"_S + VarToStr(N->KeyValue()); break;
        case dntDataGroupFooterVz: S += u"F"_S; break;
        }
    }
    return S.toStdString();
}

}  // namespace groupstest
