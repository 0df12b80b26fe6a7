// The tree of multi-level titles. A column caption "A|B|x" puts the column's leaf "x" under the
// super-title "B", itself under "A"; neighbouring columns whose captions begin with the same words
// share those super-titles. The grid builds the tree from its columns on every relayout while it
// uses multi-level titles, measures the title row from it and paints the titles from it.
#pragma once

#include "grid/memtable/treelistvz.h"

#include <vector>

class TColumnVz;
class TCustomDBGridVz;

enum TDBGridMultiTitleNodeTypeVz { gmtnSuperTitleVz, gmtnColumnTitleVz, gmtnRootVz };

class TDBGridMultiTitleNodeVz : public TBaseTreeNodeVz {
    SDELKA_CLASS(TDBGridMultiTitleNodeVz, TBaseTreeNodeVz)
public:
    TDBGridMultiTitleNodeVz() = default;

    int Width = 0;
    int Height = 0;
    TDBGridMultiTitleNodeTypeVz NodeType = gmtnSuperTitleVz;
    TColumnVz* Column = nullptr;
    // Room on the right of the text (sort marker, filter button).
    int Indent = 0;
    int VLineWidth = 0;
    bool Drawn = false;

    TDBGridMultiTitleNodeVz* FirstChild() const;
    // The next child of the parent, the first one after the last.
    TDBGridMultiTitleNodeVz* NextSibling() const;
    TDBGridMultiTitleNodeVz* ParentNode() const { return static_cast<TDBGridMultiTitleNodeVz*>(Parent()); }
    TDBGridMultiTitleNodeVz* Child(int Index) const { return static_cast<TDBGridMultiTitleNodeVz*>(Item(Index)); }
};

class TDBGridMultiTitleTreeListVz : public TTreeListVz {
    SDELKA_CLASS(TDBGridMultiTitleTreeListVz, TTreeListVz)
protected:
    TDBGridMultiTitleTreeListVz() : TTreeListVz(TDBGridMultiTitleNodeVz::StaticClass()) {}
    ~TDBGridMultiTitleTreeListVz() override = default;

public:
    void AfterConstruction() override;
    TDBGridMultiTitleNodeVz* Root() const { return static_cast<TDBGridMultiTitleNodeVz*>(TTreeListVz::Root()); }

    TDBGridMultiTitleNodeVz* CreateChild(const String& Text, int Height, int Width);
    TDBGridMultiTitleNodeVz* Add(TDBGridMultiTitleNodeVz* After, const String& Text, int Width, int Height);
    TDBGridMultiTitleNodeVz* AddChild(TDBGridMultiTitleNodeVz* Node, const String& Text, TNodeAttachModeVz Mode,
                                      int Width, int Height);
    int GetDepth(TDBGridMultiTitleNodeVz* Node) const { return Node->Level(); }
    // Puts the sibling run From..To under a new super-title Text; "ATo not in level" when To is
    // not a sibling of From.
    TDBGridMultiTitleNodeVz* Union(TDBGridMultiTitleNodeVz* From, TDBGridMultiTitleNodeVz* To, int Height,
                                   const String& Text);
    // Groups the leaves (already children of the root, in column order) by the words of their
    // texts until nothing changes. Leaves keep their order.
    void GroupLeaves(const std::vector<TDBGridMultiTitleNodeVz*>& Leaves);
    // Clears the tree and builds it from the grid's columns; Leaves gets the leaf of each column.
    void CreateFieldTree(TCustomDBGridVz* Grid, std::vector<TDBGridMultiTitleNodeVz*>& Leaves);
    void ResetDrawnFlags();
};

// The n-th (1-based) "|"-separated word of a caption and where it starts (0 when there is none).
String ExtractMultiTitleWordVz(const String& Text, int N, int* Position = nullptr);
