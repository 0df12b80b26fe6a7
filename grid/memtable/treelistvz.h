// A general in-memory tree: a container with an invisible root node under which nodes of a
// configurable node class form an ordered tree. Nodes carry a text, an untyped data object (not
// owned), their level and index, expanded and visible flags, and a lazily rebuilt list of their
// visible children. The tree attaches, moves, detaches and deletes nodes, walks them depth-first
// (all nodes or only the visible ones), expands and collapses them with a veto event, and sorts
// siblings with a compare routine. The in-memory dataset's tree mode, the data grid's row grouping
// and its multi-level titles build their trees on it.
#pragma once

#include "grid/core/coretoolsvz.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"

#include <memory>

class TBaseTreeNodeVz;
class TTreeListVz;

enum TNodeAttachModeVz { naAddVz, naAddFirstVz, naAddChildVz, naAddChildFirstVz, naInsertVz, naAddAfterVz };

// Negative, zero or positive as Node1 sorts before, with or after Node2.
using TCompareNodesVz = TEvent<Integer(TBaseTreeNodeVz* Node1, TBaseTreeNodeVz* Node2, TObject* ParamSort)>;
using TTreeNodeNotifyEvent = TEvent<void(TBaseTreeNodeVz* Sender)>;
using TTreeNodeNotifyResultEvent = TEvent<bool(TBaseTreeNodeVz* Sender)>;
// The class of a node class: TBaseTreeNodeVz or a descendant made through its virtual
// constructor (a public default constructor).
using TTreeNodeClassVz = TClass;

class TBaseTreeNodeVz : public TPersistent {
    SDELKA_CLASS(TBaseTreeNodeVz, TPersistent)
public:
    // The virtual constructor: lists made, Visible set, Expanded clear, Index -1.
    TBaseTreeNodeVz();
    // Frees every child first (each frees its own subtree), then the two lists.
    ~TBaseTreeNodeVz() override;

    // ---- fields ----
    TObject* Data() const { return FData; }
    void SetData(TObject* Value) { FData = Value; }
    bool Expanded() const { return FExpanded; }
    // Stores the value when it differs and ExpandedChanging allows it, then ExpandedChanged.
    void SetExpanded(bool Value);
    bool HasChildren() const { return FHasChildren; }
    void SetHasChildren(bool Value) { FHasChildren = Value; }
    // Rebuilds the visible list first when it is obsolete.
    bool HasVisibleChildren();
    Integer Index() const { return FIndex; }
    void SetIndex(Integer Value) { FIndex = Value; }
    // The children in order; the list does not free them.
    TObjectListVz* Items() const { return FItems.get(); }
    Integer Level() const { return FLevel; }
    // Sets the level and renumbers the subtree below it. A level beyond the owner's MaxLevel for
    // this node or any of its descendants raises "TBaseTreeNodeVz.SetLevel: Max level exceed - "
    // plus MaxLevel, and nothing is renumbered.
    void SetLevel(Integer NewLevel);
    TTreeListVz* Owner() const { return FOwner; }
    void SetOwner(TTreeListVz* Value) { FOwner = Value; }
    TBaseTreeNodeVz* Parent() const { return FParent; }
    void SetParent(TBaseTreeNodeVz* Value) { FParent = Value; }
    const String& Text() const { return FText; }
    void SetText(const String& Value) { FText = Value; }
    bool Visible() const { return FVisible; }
    // Stores the value when it differs and VisibleChanging allows it, then VisibleChanged. The
    // root's Visible is never changed.
    void SetVisible(bool Value);
    // The number of visible children (the visible list is rebuilt first when obsolete).
    Integer VisibleCount();
    // Position among the parent's visible children, valid for visible children after a rebuild.
    Integer VisibleIndex() const { return FVisibleIndex; }
    // The visible children in order: Items itself while every child is visible.
    TObjectListVz* VisibleItems();
    bool VisibleItemsObsolete() const { return FVisibleItemsObsolete; }
    // The node's own list of visible children as it stands (no rebuild).
    TObjectListVz* VisibleItemsList() const { return FVisibleItems.get(); }

    // ---- children ----
    Integer Count() const { return FItems->Count(); }
    TBaseTreeNodeVz* Item(Integer Index) const { return static_cast<TBaseTreeNodeVz*>(FItems->Items(Index)); }
    // The Index-th visible child.
    TBaseTreeNodeVz* VisibleItem(Integer Index);

    // Appends Child and answers its position. A child of another tree is refused with
    // "TBaseTreeNodeVz.Add: Tree nodes can not has different Owners" and nothing changes.
    Integer Add(TBaseTreeNodeVz* Child);
    // Inserts Child at Index, with the same owner check.
    void Insert(Integer Index, TBaseTreeNodeVz* Child);
    // Removes the child at Index from Items without freeing it.
    void Delete(Integer Index);
    // Swaps two children and gives both their new Index.
    void Exchange(Integer Index1, Integer Index2);
    void BuildVisibleItems();
    // Hoare quicksort of the children L..R with CompareProg.
    void QuickSort(Integer L, Integer R, const TCompareNodesVz& CompareProg, TObject* ParamSort);
    // True when Node is this node or one of its ancestors.
    bool IsNodeOrAncestor(const TBaseTreeNodeVz* Node) const;
    // Raises the level message unless this subtree fits below MaxLevel when this node is at NewLevel.
    void CheckLevel(Integer NewLevel) const;

    // ---- virtual operations ----
    virtual bool ExpandedChanging();
    virtual bool VisibleChanging();
    virtual void VisibleItemsBecomeObsolete();
    virtual void ChildVisibleChanged(TBaseTreeNodeVz* Child);
    // Empties Items and VisibleItems without freeing the children (the tree frees them first).
    virtual void Clear();
    virtual void ExpandedChanged();
    // Sorts the children with CompareProg and, with ARecurse, every subtree the same way.
    virtual void SortData(const TCompareNodesVz& CompareProg, TObject* ParamSort, bool ARecurse);
    virtual void VisibleChanged();

private:
    TObject* FData = nullptr;
    bool FExpanded = false;
    bool FHasChildren = false;
    bool FHasVisibleChildren = false;
    Integer FIndex = -1;
    TOwned<TObjectListVz> FItems;
    Integer FLevel = 0;
    TTreeListVz* FOwner = nullptr;
    TBaseTreeNodeVz* FParent = nullptr;
    String FText;
    bool FVisible = true;
    Integer FVisibleCount = 0;
    Integer FVisibleIndex = -1;
    TOwned<TObjectListVz> FVisibleItems;
    bool FVisibleItemsObsolete = false;
};

class TTreeListVz : public TComponent {
    SDELKA_CLASS(TTreeListVz, TComponent)
protected:
    // Made without an owner: New<TTreeListVz>(TBaseTreeNodeVz::StaticClass()). The root is made
    // in AfterConstruction through the node class's virtual constructor; a class that is not a
    // node class raises EInvalidCast.
    explicit TTreeListVz(TTreeNodeClassVz AItemClass);
    ~TTreeListVz() override;

public:
    void AfterConstruction() override;
    // Frees the root and so every node.
    void BeforeDestruction() override;

    TTreeNodeClassVz ItemClass() const { return FItemClass; }
    Integer MaxLevel() const { return FMaxLevel; }
    void SetMaxLevel(Integer Value) { FMaxLevel = Value; }
    TBaseTreeNodeVz* Root() const { return FRoot; }

    TTreeNodeNotifyEvent OnExpandedChanged;
    TTreeNodeNotifyResultEvent OnExpandedChanging;

    // A detached node of ItemClass: no parent, owner this tree, level 0, Index -1.
    TBaseTreeNodeVz* CreateNode(const String& Text, TObject* Data);
    // A new last child of Parent (the root when nil).
    TBaseTreeNodeVz* AddChild(const String& Text, TBaseTreeNodeVz* Parent, TObject* Data);
    // Links a detached node relative to Destination (the root when nil; the root takes only the
    // child modes). Every call that links ends with NodeLocationChanged(Node, false, -1, nil).
    // Without ReIndex the Index of siblings after an insertion point is left stale.
    void AttachNode(TBaseTreeNodeVz* Node, TBaseTreeNodeVz* Destination, TNodeAttachModeVz Mode, bool ReIndex);
    // Unlinks the node from its parent (it keeps its Parent and Index fields), then
    // NodeLocationChanged(Node, true, old index, old parent).
    void DetachNode(TBaseTreeNodeVz* Node, bool ReIndex);
    // Frees every child of Node with their subtrees.
    void DeleteChildren(TBaseTreeNodeVz* Node);
    // Frees the node's subtree, detaches and frees it. The root only loses its children.
    void DeleteNode(TBaseTreeNodeVz* Node, bool ReIndex);
    void Clear();
    // Renumbers Node's children FromIndex..ToIndex (-1: first, last); Node nil means the root.
    void UpdateNodeIndexes(TBaseTreeNodeVz* Node, bool Recurse, Integer FromIndex, Integer ToIndex);
    void Expand(TBaseTreeNodeVz* Node, bool Recurse);
    void Collapse(TBaseTreeNodeVz* Node, bool Recurse);

    // ---- navigation (nil where no node qualifies) ----
    TBaseTreeNodeVz* GetFirstChild(TBaseTreeNodeVz* Node) const;
    TBaseTreeNodeVz* GetLastChild(TBaseTreeNodeVz* Node) const;
    TBaseTreeNodeVz* GetPrevSibling(TBaseTreeNodeVz* Node) const;
    TBaseTreeNodeVz* GetNextSibling(TBaseTreeNodeVz* Node) const;
    TBaseTreeNodeVz* GetFirst() const;
    TBaseTreeNodeVz* GetLast(TBaseTreeNodeVz* Node) const;
    TBaseTreeNodeVz* GetNext(TBaseTreeNodeVz* Node) const;
    TBaseTreeNodeVz* GetPrevious(TBaseTreeNodeVz* Node) const;
    bool HasChildNodes(TBaseTreeNodeVz* Node) const;
    TBaseTreeNodeVz* GetNode(TBaseTreeNodeVz* StartNode, TObject* Data) const;
    TBaseTreeNodeVz* GetFirstVisible() const;
    bool NodeParentsVisible(TBaseTreeNodeVz* Node, bool ConsiderCollapsed) const;
    // The next node in depth-first order that is visible with visible (and, with
    // ConsiderCollapsed, expanded) ancestors. From a node that is itself out of reach, the search
    // goes on after the outermost hidden or collapsed node on its path, so it never answers a
    // node that precedes the start node.
    TBaseTreeNodeVz* GetNextVisible(TBaseTreeNodeVz* Node, bool ConsiderCollapsed) const;
    TBaseTreeNodeVz* GetNextVisibleSibling(TBaseTreeNodeVz* Node) const;
    TBaseTreeNodeVz* GetPriorVisibleSibling(TBaseTreeNodeVz* Node) const;

    // ---- virtual operations ----
    // 0 here; descendants compare.
    virtual Integer CompareTreeNodes(TBaseTreeNodeVz* Node1, TBaseTreeNodeVz* Node2, TObject* ParamSort);
    virtual bool ExpandedChanging(TBaseTreeNodeVz* Node);
    virtual void ExpandedChanged(TBaseTreeNodeVz* Node);
    // Moves an attached node relative to Destination (a node, not nil). Moving a node under
    // itself raises "Reference-loop found"; an attach that would be refused (another tree,
    // MaxLevel) raises before the node is unlinked. The tree is unchanged on every error.
    virtual void MoveTo(TBaseTreeNodeVz* Node, TBaseTreeNodeVz* Destination, TNodeAttachModeVz Mode, bool ReIndex);
    virtual void SortData(const TCompareNodesVz& CompareProg, TObject* ParamSort, bool ARecurse);
    // A hook for descendants: called after a node was attached or detached.
    virtual void NodeLocationChanged(TBaseTreeNodeVz* Node, bool Detached, Integer OldIndex,
                                     TBaseTreeNodeVz* OldParent);

private:
    TBaseTreeNodeVz* NewNode();
    void FreeRoot();

    TTreeNodeClassVz FItemClass = nullptr;
    Integer FMaxLevel = 1000;
    TBaseTreeNodeVz* FRoot = nullptr;
};
