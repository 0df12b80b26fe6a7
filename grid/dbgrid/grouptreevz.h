// The group tree of the data grid: over the rows of the in-memory table's current view, one group
// node per distinct key of each active level, the record nodes (by view number) under the groups
// of the deepest level and footer nodes at the end of every group's children (the root's footers
// are the grand totals). It is built in one pass, then follows inserted, changed and deleted rows
// one at a time, and keeps the flat list of the rows that are visible (expanded) for the grid.
#pragma once

#include "grid/dbgrid/groupsintfvz.h"
#include "grid/memtable/treelistvz.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/variant.h"

#include <initializer_list>
#include <vector>

class IMemTableVz;
class TDataSet;
class TGridDataGroupsVz;
class TGridDataGroupLevelVz;
class TGridDataGroupFooterVz;
class TGridGroupDataTreeVz;

class TGroupDataTreeNodeVz : public TBaseTreeNodeVz {
    SDELKA_CLASS(TGroupDataTreeNodeVz, TBaseTreeNodeVz)
public:
    TGroupDataTreeNodeVz() = default;

    TGridDataGroupFooterVz* DataGroupFooter() const { return FDataGroupFooter; }
    void SetDataGroupFooter(TGridDataGroupFooterVz* Value) { FDataGroupFooter = Value; }
    TGridDataGroupLevelVz* DataGroupLevel() const { return FDataGroupLevel; }
    void SetDataGroupLevel(TGridDataGroupLevelVz* Value) { FDataGroupLevel = Value; }
    Integer DataSetRecordViewNo() const { return FDataSetRecordViewNo; }
    void SetDataSetRecordViewNo(Integer Value) { FDataSetRecordViewNo = Value; }
    const String& DisplayValue() const { return FDisplayValue; }
    void SetDisplayValue(const String& Value) { FDisplayValue = Value; }
    Integer FooterItemCount() const { return FFooterItemCount; }
    // Appends footer children at the end, or deletes them from the last one down.
    void SetFooterItemCount(Integer Value);
    const Variant& FullKey() const { return FFullKey; }
    void SetFullKey(const Variant& Value) { FFullKey = Value; }
    TGroupDataTreeNodeTypeVz NodeType() const { return FGroupDataTreeNodeType; }
    void SetNodeType(TGroupDataTreeNodeTypeVz Value) { FGroupDataTreeNodeType = Value; }
    const Variant& KeyValue() const { return FKeyValue; }
    void SetKeyValue(const Variant& Value) { FKeyValue = Value; }
    // Recomputed on read when flagged.
    Integer RowHeight();
    void SetRowHeight(Integer Value) {
        FRowHeight = Value;
        FRowHeightNeedUpdate = false;
    }
    bool RowHeightNeedUpdate() const { return FRowHeightNeedUpdate; }
    void SetRowHeightNeedUpdate(bool Value) { FRowHeightNeedUpdate = Value; }
    std::vector<Variant>& FooterValue() { return FFooterValue; }
    // The values as they stood before their last step (a sum and a count for an average): what
    // the footers of a parent group are combined from.
    std::vector<Variant>& FooterAcc() { return FFooterAcc; }
    // A copy of footer value Index (Unassigned out of range).
    Variant FooterValues(int Index) const;

    // Data children: all children but the footers.
    Integer Count() const;
    Integer FullItemCount() const { return TBaseTreeNodeVz::Count(); }
    TGroupDataTreeNodeVz* Items(Integer Index) const { return static_cast<TGroupDataTreeNodeVz*>(Item(Index)); }
    TGroupDataTreeNodeVz* FooterItems(Integer Index) const { return Items(Count() + Index); }
    TGroupDataTreeNodeVz* Parent() const { return static_cast<TGroupDataTreeNodeVz*>(TBaseTreeNodeVz::Parent()); }
    TGridGroupDataTreeVz* Owner() const;
    // The selection state of the records below (unchecked for a group without records).
    TCheckBoxState ChildSelectionState();

    // Sorts only the data children; footers stay last.
    void SortData(const TCompareNodesVz& CompareProg, TObject* ParamSort, bool ARecurse) override;

    // Gives the node its footer children: one per footer of its level (the root: of the grouping
    // object), each with an Unassigned value per column item.
    void ResetFooters();
    void RowDataChanged() { FRowHeightNeedUpdate = true; }
    void UpdateRowHeight();
    bool RecordNodeLastInGroup() const;
    // True for a group of the deepest active level and for its first footer.
    bool CanAppendDataRec() const;
    // Starts a new record at the end of this group (see the tree's AppendDataRec).
    void AppendDataRec(IMemTableVz* AIntMemTable, TDataSet* ADataSet);

private:
    TGridDataGroupFooterVz* FDataGroupFooter = nullptr;
    TGridDataGroupLevelVz* FDataGroupLevel = nullptr;
    Integer FDataSetRecordViewNo = -1;
    String FDisplayValue;
    Integer FFooterItemCount = 0;
    std::vector<Variant> FFooterValue;
    std::vector<Variant> FFooterAcc;
    Variant FFullKey;
    TGroupDataTreeNodeTypeVz FGroupDataTreeNodeType = dntDataSetRecordVz;
    Variant FKeyValue;
    Integer FRowHeight = 0;
    bool FRowHeightNeedUpdate = true;
};

class TGridGroupDataTreeVz : public TTreeListVz {
    SDELKA_CLASS(TGridGroupDataTreeVz, TTreeListVz)
protected:
    TGridGroupDataTreeVz(TGridDataGroupsVz* AGridDataGroups, TTreeNodeClassVz ItemClass);
    ~TGridGroupDataTreeVz() override;

public:
    TGridDataGroupsVz* GridDataGroups() const { return FGridDataGroups; }
    TGroupDataTreeNodeVz* Root() const { return static_cast<TGroupDataTreeNodeVz*>(TTreeListVz::Root()); }
    Integer UpdateCount() const { return FUpateCount; }
    void BeginUpdate() { ++FUpateCount; }
    void EndUpdate() { --FUpateCount; }

    // ---- the visible rows ----
    Integer FlatVisibleCount() const { return static_cast<Integer>(FFlatVisibleList.size()); }
    // EListError out of range.
    TGroupDataTreeNodeVz* FlatVisibleItem(Integer Index) const;
    Integer IndexOfVisibleNode(TGroupDataTreeNodeVz* Node) const;
    // The first flat-list index whose node (of any type) carries that view number, else -1.
    Integer IndexOfVisibleRecordViewNo(Integer RecordViewNo) const;
    // Every visible node except the root's footers, the first footer of a group whose level shows
    // it in the group row and footers whose Visible is False.
    void RebuildFlatVisibleList();

    // ---- navigation ----
    TGroupDataTreeNodeVz* GetFirst() const { return Cast(TTreeListVz::GetFirst()); }
    TGroupDataTreeNodeVz* GetNext(TGroupDataTreeNodeVz* Node) const { return Cast(TTreeListVz::GetNext(Node)); }
    TGroupDataTreeNodeVz* GetPrevious(TGroupDataTreeNodeVz* Node) const { return Cast(TTreeListVz::GetPrevious(Node)); }
    TGroupDataTreeNodeVz* GetFirstVisible() const { return Cast(TTreeListVz::GetFirstVisible()); }
    TGroupDataTreeNodeVz* GetNextVisible(TGroupDataTreeNodeVz* Node, bool ConsiderCollapsed) const {
        return Cast(TTreeListVz::GetNextVisible(Node, ConsiderCollapsed));
    }
    bool GetPathVisible(TGroupDataTreeNodeVz* Node, bool ConsiderCollapsed) const {
        return NodeParentsVisible(Node, ConsiderCollapsed);
    }
    // The record node of a view number, else nil.
    TGroupDataTreeNodeVz* GetNodeByRecordViewNo(Integer RecordViewNo) const;
    TGroupDataTreeNodeVz* GetFirstNodeAtLevel(Integer Level) const;
    TGroupDataTreeNodeVz* GetNextNodeAtLevel(TGroupDataTreeNodeVz* Node, Integer Level) const;
    // The compare routine of re-sorting: -1, 0 or 1 as Node1's group key is less than, equal to
    // (or not comparable with) or greater than Node2's, negated for soDescVz; 0 for other nodes.
    Integer CompareNodes(TBaseTreeNodeVz* Node1, TBaseTreeNodeVz* Node2, TSortOrderVz SortOrder);

    // ---- building and maintenance ----
    // Rebuilds the records below the groups that survive (unchanged levels keep their nodes and
    // their expansion), then the footer values and the flat list.
    void RebuildDataTreeEx(IMemTableVz* AIntMemTable);
    // Empties the whole tree and adds every record again.
    void RebuildDataTree(IMemTableVz* AIntMemTable);
    void RecordInserted(Integer RecNum);
    void RecordChanged(Integer RecNum);
    void RecordDeleted(Integer RecNum);
    void ResortLevel(Integer LevelIndex, TSortOrderVz SortOrder);
    void RebuildFooters();
    void RecalculateFootersValues();
    // After a record came, went or changed: the footers of the groups on the paths from the given
    // nodes up to the root are summed again, the deepest from their records and the others from
    // their groups' footers. Every footer when that cannot give the same values (event handlers
    // that aggregate, levels with footers of their own, footers not summed yet).
    void RecalculateFootersOnPaths(std::initializer_list<TGroupDataTreeNodeVz*> From);
    void UpdateAllDataRowHeights();
    void DeleteEmptyNodes();
    void DeleteRecordNodes();
    // Deletes the record node and up to one ancestor per active level left without data children.
    void DeleteRecordNode(TGroupDataTreeNodeVz* RecNode);
    void DeleteRecordNodesUpToLevel(Integer Level);
    void UpdateRecordNodePosInTree(TGroupDataTreeNodeVz* RecNode);
    void ExpandNodePathToView(TGroupDataTreeNodeVz* Node);
    // Writes the inserting key into the key fields of the record being inserted.
    void SetDataSetkeyValue();
    TGroupDataTreeNodeVz* AddRecordNodeForKey(const Variant& AKey, Integer RecViewNo);
    TGroupDataTreeNodeVz* GetNodeToInsertForKey1(TGroupDataTreeNodeVz* ParentNode, const Variant& Key1,
                                                 TNodeAttachModeVz& InsertMode, TSortOrderVz SortOrder);
    void AddDataNode(TGroupDataTreeNodeVz* Node, TGroupDataTreeNodeVz* Destination, bool ReIndex, TNodeAttachModeVz Mode);
    TGroupDataTreeNodeVz* AddChildDataNode(const String& Text, TGroupDataTreeNodeVz* Parent, TObject* Data);
    // Collapses or expands every node at a depth.
    void SetLevelExpanded(Integer Level, bool Expanded);
    // Starts a new record at the end of a group of the deepest level.
    void AppendDataRec(TGroupDataTreeNodeVz* Group, IMemTableVz* AIntMemTable, TDataSet* ADataSet);

    void ExpandedChanged(TBaseTreeNodeVz* Node) override;

private:
    static TGroupDataTreeNodeVz* Cast(TBaseTreeNodeVz* N) { return static_cast<TGroupDataTreeNodeVz*>(N); }
    void FillRecordNode(TGroupDataTreeNodeVz* Node, Integer ViewNo, const Variant& FullKey);
    void ShiftViewNumbers(Integer From, Integer Delta);
    void IndexRecordNodes();
    bool RecalculateFooterPaths(std::vector<TGroupDataTreeNodeVz*> Dirty);
    Integer ActiveCount() const;

    TGridDataGroupsVz* FGridDataGroups;
    std::vector<TGroupDataTreeNodeVz*> FFlatVisibleList;
    Integer FUpateCount = 0;
    // The record node of each view number (a look-up kept beside the tree).
    std::vector<TGroupDataTreeNodeVz*> FRecordNodes;
    bool FRecordNodesValid = false;
    // The nearest ancestor that DeleteRecordNode left standing.
    TGroupDataTreeNodeVz* FSurvivingParent = nullptr;
};
