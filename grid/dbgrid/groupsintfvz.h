// What the data grid's grouping models know of the grid's columns: the kinds shared by the
// grouping object, its group tree and its footers, and the small interface a grid column offers
// them (its field, field name and display format). The models hold columns as plain persistents
// and ask them through this interface, so they are built and tested without a grid.
#pragma once

#include "platform/rtl/classes.h"

#include <utility>

class TField;

// The value a group footer shows under one column.
enum TGroupFooterValueTypeVz {
    gfvNonVz, gfvSumVz, gfvAvgVz, gfvCountVz, gfvMaxVz, gfvMinVz, gfvStaticTextVz, gfvCustomVz
};

// What a node of the group tree stands for.
enum TGroupDataTreeNodeTypeVz { dntDataSetRecordVz, dntDataGroupVz, dntDataGroupFooterVz };

// A grid column as the grouping models see it.
class IDataGroupsColumnVz {
public:
    // The column's field (its data set may be closed), nil when the column has none.
    virtual TField* GroupingField() = 0;
    virtual String GroupingFieldName() = 0;
    virtual String GroupingDisplayFormat() = 0;

protected:
    ~IDataGroupsColumnVz() = default;
};

// The interface of a column held as a persistent, nil when it has none.
inline IDataGroupsColumnVz* DataGroupsColumnVz(TPersistent* Column) {
    return dynamic_cast<IDataGroupsColumnVz*>(Column);
}

// Runs an action when the scope ends, also when an exception passes (the grouping code's
// try/finally blocks: instant reads, update brackets, the grid's guards).
template <class F>
class TGroupFinallyVz {
public:
    explicit TGroupFinallyVz(F Action) : FAction(std::move(Action)) {}
    ~TGroupFinallyVz() { FAction(); }
    TGroupFinallyVz(const TGroupFinallyVz&) = delete;
    TGroupFinallyVz& operator=(const TGroupFinallyVz&) = delete;

private:
    F FAction;
};
