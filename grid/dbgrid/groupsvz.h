// Data grouping of the data grid: the grouping object (levels, footers shared by the levels and
// used for the grand totals, default values, the line pen) and the hub through which every
// change of the configuration reaches the group tree, the footer values and the grid's painting.
// The grouping object knows its grid only as a component; what depends on the grid (its colours
// and fonts, its in-memory table, its columns, row heights, footer events, repainting) is asked
// through virtual operations that the grid's own grouping class overrides.
#pragma once

#include "grid/core/coretoolsvz.h"
#include "grid/dbgrid/groupfootersvz.h"
#include "platform/gui/types.h"
#include "platform/rtl/events.h"

class IMemTableVz;
class TDataSet;
class TGridGroupDataTreeVz;
class TGridDataGroupsVz;
class TGridDataGroupLevelsVz;
class TGridDataGroupRowDefValuesVz;

// The pen of the line under group rows. Color clDefault stands for the grid's line colour.
class TGridGroupLinePenVz : public TPersistent {
    SDELKA_CLASS(TGridGroupLinePenVz, TPersistent)
protected:
    explicit TGridGroupLinePenVz(TGridDataGroupRowDefValuesVz* AOwner) : FOwner(AOwner) {}
    ~TGridGroupLinePenVz() override = default;

public:
    static void Published(TPublished<TGridGroupLinePenVz>& P);
    // Copies Color and Width from another pen.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() override;

    virtual TColor GetColor() const { return FColor; }
    virtual Integer GetWidth() const { return FWidth; }
    virtual void SetColor(TColor Value);
    virtual void SetWidth(Integer Value);
    TColor Color() const { return GetColor(); }
    Integer Width() const { return GetWidth(); }

private:
    TGridDataGroupRowDefValuesVz* FOwner;
    TColor FColor = clDefault;
    Integer FWidth = 1;
};

// Row defaults of the levels that do not store their own.
class TGridDataGroupRowDefValuesVz : public TPersistent {
    SDELKA_CLASS(TGridDataGroupRowDefValuesVz, TPersistent)
protected:
    explicit TGridDataGroupRowDefValuesVz(TGridDataGroupsVz* ADataGroups);
    ~TGridDataGroupRowDefValuesVz() override = default;

public:
    static void Published(TPublished<TGridDataGroupRowDefValuesVz>& P);
    // Copies the bottom line, FooterInGroupRow, RowHeight and RowLines from other row defaults.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() override;

    TGridGroupLinePenVz* BottomLine() const { return FBottomLine.get(); }
    void SetBottomLine(TGridGroupLinePenVz* Value) { FBottomLine->Assign(Value); }
    bool FooterInGroupRow() const { return FFooterInGroupRow; }
    void SetFooterInGroupRow(bool Value);
    Integer RowHeight() const { return FRowHeight; }
    void SetRowHeight(Integer Value);
    Integer RowLines() const { return FRowLines; }
    void SetRowLines(Integer Value);
    TGridDataGroupsVz* DataGroups() const { return FDataGroups; }

private:
    TGridDataGroupsVz* FDataGroups;
    TOwned<TGridGroupLinePenVz> FBottomLine;
    bool FFooterInGroupRow = false;
    Integer FRowHeight = 0;
    Integer FRowLines = 0;
};

class TGridDataGroupLevelVz;
using TGridDataGroupLevelNotifyEventVz = TEvent<void(TGridDataGroupLevelVz* Sender)>;

// One grouping level: the records are grouped by the value of its column's field.
class TGridDataGroupLevelVz : public TCollectionItem {
    SDELKA_CLASS(TGridDataGroupLevelVz, TCollectionItem)
protected:
    explicit TGridDataGroupLevelVz(TCollection* Collection);
    ~TGridDataGroupLevelVz() override;

public:
    // Copies the column, sort order, appearance, footers and stored row values of another level.
    void Assign(TPersistent* Source) override;

    TColor Color() const;
    void SetColor(TColor Value) { FLook.SetColor(Value); }
    bool ParentColor() const { return FLook.ParentColor(); }
    void SetParentColor(bool Value) { FLook.SetParentColor(Value); }
    TFont* Font();
    void SetFont(TFont* Value) { FLook.SetFont(Value); }
    bool ParentFont() const { return FLook.ParentFont(); }
    void SetParentFont(bool Value);
    // The grid column whose field gives the key; a level without one takes no part in grouping.
    TPersistent* Column() const { return FColumn; }
    void SetColumn(TPersistent* Value);
    const TRect& GroupPanelRect() const { return FGroupPanelRect; }
    void SetGroupPanelRect(const TRect& Value) { FGroupPanelRect = Value; }
    bool ParentFooters() const { return FParentFooters; }
    void SetParentFooters(bool Value) { FParentFooters = Value; }
    TGridDataGroupFootersVz* Footers() const { return FFooters.get(); }
    void SetFooters(TGridDataGroupFootersVz* Value) { FFooters->Assign(Value); }
    // The own values while stored, else the grouping object's row defaults.
    bool FooterInGroupRow() const;
    void SetFooterInGroupRow(bool Value);
    bool FooterInGroupRowStored() const { return FFooterInGroupRowStored; }
    void SetFooterInGroupRowStored(bool Value);
    Integer RowHeight() const;
    void SetRowHeight(Integer Value);
    bool RowHeightStored() const { return FRowHeightStored; }
    void SetRowHeightStored(bool Value);
    Integer RowLines() const;
    void SetRowLines(Integer Value);
    bool RowLinesStored() const { return FRowLinesStored; }
    void SetRowLinesStored(bool Value);
    TSortOrderVz SortOrder() const { return FSortOrder; }
    void SetSortOrder(TSortOrderVz Value);

    TGridDataGroupLevelNotifyEventVz OnGetKeyValue;
    TGridDataGroupLevelNotifyEventVz OnGetTitleText;

    TGridDataGroupLevelsVz* GridDataGroupLevels() const;
    TGridDataGroupsVz* DataGroups() const;
    // The grouping object's Footers while ParentFooters, else the level's own.
    TGridDataGroupFootersVz* UsedFooters() const;
    // The number of footers of UsedFooters (visible or not) and one of them.
    int VisibleFootersCount() const;
    TGridDataGroupFooterVz* GetVisibleFooter(int Index) const;
    // Collapse / expand every group node of this level (when it is active).
    void CollapseNodes();
    void ExpandNodes();
    void ExtractNodes() { ExpandNodes(); }

    virtual TColor GetDefaultFooterColor() const;
    virtual TFont* GetDefaultFooterFont() const;
    virtual void InvalidateGrid();
    virtual String GetGroupRowText(TGroupDataTreeNodeVz* GroupDataTreeNode);
    // The key of the current record (the data set's or the instant-read record).
    virtual Variant GetKeyValue();
    virtual String GetKeyValueAsText(TGroupDataTreeNodeVz* GroupDataTreeNode);

protected:
    String GetDisplayName() override;

private:
    void SetNodesExpanded(bool Value);

    TGroupAppearanceVz FLook;
    TPersistent* FColumn = nullptr;
    bool FFooterInGroupRow = false;
    bool FFooterInGroupRowStored = false;
    TOwned<TGridDataGroupFootersVz> FFooters;
    TRect FGroupPanelRect{};
    bool FParentFooters = true;
    Integer FRowHeight = 0;
    bool FRowHeightStored = false;
    Integer FRowLines = 0;
    bool FRowLinesStored = false;
    TSortOrderVz FSortOrder = soAscVz;
};

// The grouping levels, outermost first.
class TGridDataGroupLevelsVz : public TCollection {
    SDELKA_CLASS(TGridDataGroupLevelsVz, TCollection)
protected:
    TGridDataGroupLevelsVz(TGridDataGroupsVz* ADataGroup, TClass ItemClass) : TCollection(ItemClass), FDataGroup(ADataGroup) {}
    ~TGridDataGroupLevelsVz() override = default;

public:
    TPersistent* GetOwner() override;
    TGridDataGroupsVz* DataGroup() const { return FDataGroup; }
    TComponent* Grid() const;
    TGridDataGroupLevelVz* Items(int Index) const { return static_cast<TGridDataGroupLevelVz*>(TCollection::Items(Index)); }
    void SetItem(int Index, TGridDataGroupLevelVz* Value) { TCollection::SetItem(Index, Value); }
    TGridDataGroupLevelVz* Add() { return static_cast<TGridDataGroupLevelVz*>(TCollection::Add()); }

    virtual void SortOrderChanged(TGridDataGroupLevelVz* Level);

protected:
    void Update(TCollectionItem* Item) override;

private:
    TGridDataGroupsVz* FDataGroup;
};

// The data grouping of a grid.
class TGridDataGroupsVz : public TPersistent {
    SDELKA_CLASS(TGridDataGroupsVz, TPersistent)
protected:
    explicit TGridDataGroupsVz(TComponent* AGrid);
    ~TGridDataGroupsVz() override;

public:
    static void Published(TPublished<TGridDataGroupsVz>& P);
    void AfterConstruction() override;
    void BeforeDestruction() override;
    // From another grouping object: Active, GroupLevels and GroupPanelVisible only.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() override;

    TComponent* Grid() const { return FGrid; }
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    TColor Color() const { return FLook.Color(GetDefaultColor()); }
    void SetColor(TColor Value) { FLook.SetColor(Value); }
    bool ParentColor() const { return FLook.ParentColor(); }
    void SetParentColor(bool Value) { FLook.SetParentColor(Value); }
    TFont* Font() { return FLook.Font(GetDefaultFont()); }
    void SetFont(TFont* Value) { FLook.SetFont(Value); }
    bool ParentFont() const { return FLook.ParentFont(); }
    void SetParentFont(bool Value) { FLook.SetParentFont(Value, GetDefaultFont()); }
    bool DefaultStateExpanded() const { return FDefaultStateExpanded; }
    void SetDefaultStateExpanded(bool Value) { FDefaultStateExpanded = Value; }
    TGridDataGroupFootersVz* Footers() const { return FFooters.get(); }
    void SetFooters(TGridDataGroupFootersVz* Value) { FFooters->Assign(Value); }
    TGridDataGroupFootersDefValuesVz* FootersDefValues() const { return FFootersDefValues.get(); }
    void SetFootersDefValues(TGridDataGroupFootersDefValuesVz* Value) { FFootersDefValues->Assign(Value); }
    TGridDataGroupLevelsVz* GroupLevels() const { return FGroupLevels.get(); }
    void SetGroupLevels(TGridDataGroupLevelsVz* Value) { FGroupLevels->Assign(Value); }
    bool GroupPanelVisible() const { return FGroupPanelVisible; }
    void SetGroupPanelVisible(bool Value);
    TGridDataGroupRowDefValuesVz* GroupRowDefValues() const { return FGroupRowDefValues.get(); }
    void SetGroupRowDefValues(TGridDataGroupRowDefValuesVz* Value) { FGroupRowDefValues->Assign(Value); }
    bool ShiftFolldataGroupRow() const { return FShiftFolldataGroupRow; }
    void SetShiftFolldataGroupRow(bool Value);
    bool ColumnsLoadedFlag() const { return FColumsLoaded; }

    // The levels that have a column, in collection order, and their columns.
    TGridDataGroupLevelVz* ActiveGroupLevels(int Index) const;
    int ActiveGroupLevelsCount() const;
    TPersistent* ActiveGroupColumns(int Index) const;
    TGridGroupDataTreeVz* GroupDataTree() const { return FGroupDataTree.get(); }

    // The key array of one row of the grid's in-memory table view: the key of every active level,
    // then the view number.
    Variant GetKeyValueForViewRecNo(int ViewRecNo);
    // The key array the next inserted record takes (set right before an insert).
    const Variant& InsertingKeyValue() const { return FInsertingKeyValue; }
    void SetInsertingKeyValue(const Variant& KeyValue) { FInsertingKeyValue = KeyValue; }

    // ---- configuration hub ----
    virtual TGridDataGroupLevelsVz* CreateGroupLevels();
    virtual TColor GetDefaultColor() const;
    virtual TFont* GetDefaultFont() const;
    virtual TColor GetDefaultFooterColor() const { return GetDefaultColor(); }
    virtual TFont* GetDefaultFooterFont() const { return GetDefaultFont(); }
    virtual void ActiveChanged() {}
    virtual void ActiveGroupingStructChanged() {}
    virtual void InvalidateGrid();
    virtual void RebuildActiveGroupLevels();
    virtual void ResortLevel(int LevelIndex, TSortOrderVz SortOrder);
    virtual bool IsGroupingWorks() { return FActive; }
    virtual void ColumnsChanged();
    virtual void ColumnsLoaded();
    virtual void FooterStructureChanged();
    virtual void FooterValuesChanged();
    // Run by the level collection's update: rebuilds the active levels, keeping the group nodes
    // of the unchanged upper levels.
    void GroupLevelsChanged();

    // ---- what the grid supplies (the defaults answer for a grouping object without a grid) ----
    // The grid's in-memory table, nil when it shows none.
    virtual IMemTableVz* GridMemTable() { return nullptr; }
    virtual TDataSet* GridDataSet() { return nullptr; }
    virtual TCollection* GridColumns() { return nullptr; }
    // True while the grid is being loaded from a stream.
    virtual bool GridLoading() const;
    virtual void GridLayoutChanged() {}
    virtual void GridGroupPanelChanged() {}
    virtual void GridDesignerModified() {}
    // The flat list of the tree changed its length.
    virtual void UpdateGroupingRowCount() {}
    // The grid re-measures the data row at a flat-list index.
    virtual void UpdateDataRowHeight(int /*FlatIndex*/) {}
    // The height of a group or footer row, and of the current (instant-read) record's row.
    virtual Integer GroupRowHeight(TGroupDataTreeNodeVz* /*Node*/) { return 0; }
    virtual Integer CalcStdDataRowHeight() { return 0; }
    // True when the current (instant-read) record is in the grid's selected rows.
    virtual bool IsCurrentRecordSelected() { return false; }
    // The footer events of the item's column, then of the grid; True when one processed the value.
    virtual bool DoFooterAggregateValue(TGridDataGroupFooterColumnItemVz*, Variant&, TGroupDataTreeNodeVz*) { return false; }
    virtual bool DoFooterFinalizeValue(TGridDataGroupFooterColumnItemVz*, Variant&) { return false; }
    virtual bool DoFooterToDisplayText(TGridDataGroupFooterColumnItemVz*, Variant&, String&) { return false; }
    // Whether an aggregate event of the grid or of a column may take a value: while it may, the
    // footers are always summed over every record. The grid answers False when none is assigned.
    virtual bool FooterAggregateEventsAssigned() { return true; }
    // The guard the grid keeps while it moves its data set itself, and what it does after a group
    // append moved it: make the node of the data set's current row its current group node.
    virtual bool InternalUpdatingDatasetPos() const { return false; }
    virtual void SetInternalUpdatingDatasetPos(bool) {}
    virtual void CurrentGroupNodeToDataSetRow() {}

private:
    bool FActive = false;
    std::vector<TPersistent*> FActiveGroupColumns;
    std::vector<TGridDataGroupLevelVz*> FActiveGroupLevels;
    bool FColumsLoaded = false;
    bool FDefaultStateExpanded = false;
    TGroupAppearanceVz FLook;
    TOwned<TGridDataGroupFootersVz> FFooters;
    TOwned<TGridDataGroupFootersDefValuesVz> FFootersDefValues;
    TComponent* FGrid;
    TOwned<TGridGroupDataTreeVz> FGroupDataTree;
    TOwned<TGridDataGroupLevelsVz> FGroupLevels;
    bool FGroupPanelVisible = false;
    TOwned<TGridDataGroupRowDefValuesVz> FGroupRowDefValues;
    Variant FInsertingKeyValue;
    bool FShiftFolldataGroupRow = true;
};
