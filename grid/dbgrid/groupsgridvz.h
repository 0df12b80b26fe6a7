// The data grid's own grouping classes: the grouping object and its levels bound to a data grid.
// They answer the grouping model's questions from the grid (its in-memory table, columns, fonts,
// footer parameters, loading state) and pass the model's news to it (the row count of the group
// tree's visible rows, repainting). The grid owns the grouping object as its DataGrouping.
#pragma once

#include "grid/dbgrid/groupsvz.h"

class TCustomDBGridVz;
class TColumnVz;
class TComponent;
class TDBGridVzDataGroupLevelVz;

// Lets the application replace a level's key of the current record (for example, group by an id
// while the level's column shows the name).
using TDBGridVzDataGroupGetKeyValueEvent =
    TEvent<void(TCustomDBGridVz* Sender, TDBGridVzDataGroupLevelVz* GroupLevel, Variant& KeyValue)>;

// A grouping level of the data grid: its column is one of the grid's columns.
class TDBGridVzDataGroupLevelVz : public TGridDataGroupLevelVz {
    SDELKA_CLASS(TDBGridVzDataGroupLevelVz, TGridDataGroupLevelVz)
protected:
    explicit TDBGridVzDataGroupLevelVz(TCollection* Collection) : TGridDataGroupLevelVz(Collection) {}
    ~TDBGridVzDataGroupLevelVz() override = default;

public:
    // The level's column as a grid column, nil without one.
    TColumnVz* GridColumn() const;
    TCustomDBGridVz* Grid() const;
    // The column's component-style name; writing it looks the column up among the grid's columns.
    String ColumnName() const;
    void SetColumnName(const String& Value);

    // Run after the column's field gave the key, when the level has a column.
    TDBGridVzDataGroupGetKeyValueEvent OnGetKeyValue;

    void InvalidateGrid() override;
    // The column field's value, then OnGetKeyValue.
    Variant GetKeyValue() override;
    // "<column title>: <group value> (<record count>)".
    String GetGroupRowText(TGroupDataTreeNodeVz* GroupDataTreeNode) override;
    // The column's display text of the record that is being read.
    String GetKeyValueAsText(TGroupDataTreeNodeVz* GroupDataTreeNode) override;
};

// The grouping object of a data grid.
class TDBGridVzDataGroupsVz : public TGridDataGroupsVz {
    SDELKA_CLASS(TDBGridVzDataGroupsVz, TGridDataGroupsVz)
protected:
    explicit TDBGridVzDataGroupsVz(TCustomDBGridVz* AGrid);
    ~TDBGridVzDataGroupsVz() override;

public:
    void BeforeDestruction() override;
    TCustomDBGridVz* DBGrid() const;
    TDBGridVzDataGroupLevelVz* Level(int Index) const;

    // Grouping works over an active in-memory table of the grid; with at least one active level
    // the grid shows the group tree's rows.
    bool IsGroupingWorks() override;
    bool IsGroupingWorksWithLevel();
    // The grid's current group node (the node of its current row), nil when none.
    TGroupDataTreeNodeVz* CurDataNode();
    // A column is being deleted: the levels drop it.
    virtual void ClearColumnReferences(TColumnVz* Column);
    // The grid's in-memory table changed (nil when it shows none): the view events follow it.
    void MemTableChanged(IMemTableVz* Old, IMemTableVz* NewTable);

    TGridDataGroupLevelsVz* CreateGroupLevels() override;
    TColor GetDefaultFooterColor() const override;
    TFont* GetDefaultFooterFont() const override;
    void ActiveChanged() override;
    void ActiveGroupingStructChanged() override;
    void InvalidateGrid() override;
    IMemTableVz* GridMemTable() override;
    TDataSet* GridDataSet() override;
    TCollection* GridColumns() override;
    bool GridLoading() const override;
    void GridLayoutChanged() override;
    void UpdateGroupingRowCount() override;
    Integer GroupRowHeight(TGroupDataTreeNodeVz* Node) override;
    Integer CalcStdDataRowHeight() override;
    // The grid has no aggregate events of its own: the footers follow only the changed paths.
    bool FooterAggregateEventsAssigned() override { return false; }

private:
    // Hears the in-memory table's view events and keeps the group tree in step with them.
    TComponent* FReceiver = nullptr;
    IMemTableVz* FMemTable = nullptr;
};
