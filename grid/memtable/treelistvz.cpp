#include "grid/memtable/treelistvz.h"

#include <algorithm>

namespace {

const char* const SDifferentOwners = "TBaseTreeNodeVz.Add: Tree nodes can not has different Owners";
const char* const SMaxLevelExceed = "TBaseTreeNodeVz.SetLevel: Max level exceed - ";
const char* const SReferenceLoop = "Reference-loop found";

// Where the node really sits in its parent's Items: its Index when that is still current, else
// a search (siblings' indexes go stale after an attach without renumbering). -1 when the node is
// not linked.
Integer PositionInParent(const TBaseTreeNodeVz* Node) {
    TBaseTreeNodeVz* P = Node ? Node->Parent() : nullptr;
    if (!P) return -1;
    Integer I = Node->Index();
    if (I >= 0 && I < P->Count() && P->Item(I) == Node) return I;
    return P->Items()->IndexOf(const_cast<TBaseTreeNodeVz*>(Node));
}

// Depth of the subtree below Node (0 for a leaf).
Integer SubtreeHeight(const TBaseTreeNodeVz* Node) {
    Integer H = 0;
    for (Integer I = 0; I < Node->Count(); ++I) H = std::max(H, SubtreeHeight(Node->Item(I)) + 1);
    return H;
}

bool IsChildMode(TNodeAttachModeVz Mode) { return Mode == naAddChildVz || Mode == naAddChildFirstVz; }

}  // namespace

// ---- TBaseTreeNodeVz ----------------------------------------------------------------------------

TBaseTreeNodeVz::TBaseTreeNodeVz()
    : FItems(NewOwned<TObjectListVz>()), FVisibleItems(NewOwned<TObjectListVz>()) {}

TBaseTreeNodeVz::~TBaseTreeNodeVz() {
    for (Integer I = 0; I < FItems->Count(); ++I) Item(I)->Free();
}

void TBaseTreeNodeVz::SetExpanded(bool Value) {
    if (Value == FExpanded || !ExpandedChanging()) return;
    FExpanded = Value;
    ExpandedChanged();
}

bool TBaseTreeNodeVz::ExpandedChanging() { return FOwner ? FOwner->ExpandedChanging(this) : true; }

void TBaseTreeNodeVz::ExpandedChanged() {
    if (FOwner) FOwner->ExpandedChanged(this);
}

void TBaseTreeNodeVz::SetVisible(bool Value) {
    if ((FOwner && FOwner->Root() == this) || Value == FVisible || !VisibleChanging()) return;
    FVisible = Value;
    VisibleChanged();
}

bool TBaseTreeNodeVz::VisibleChanging() { return true; }

void TBaseTreeNodeVz::VisibleChanged() {
    if (FParent) FParent->ChildVisibleChanged(this);
}

void TBaseTreeNodeVz::ChildVisibleChanged(TBaseTreeNodeVz* /*Child*/) { VisibleItemsBecomeObsolete(); }

void TBaseTreeNodeVz::VisibleItemsBecomeObsolete() { FVisibleItemsObsolete = true; }

void TBaseTreeNodeVz::BuildVisibleItems() {
    FVisibleItems->Clear();
    for (Integer I = 0; I < Count(); ++I) {
        TBaseTreeNodeVz* C = Item(I);
        if (C->Visible()) C->FVisibleIndex = FVisibleItems->Add(C);
    }
    FVisibleCount = FVisibleItems->Count();
    FVisibleItemsObsolete = false;
    FHasVisibleChildren = FVisibleCount > 0;
}

bool TBaseTreeNodeVz::HasVisibleChildren() {
    if (FVisibleItemsObsolete) BuildVisibleItems();
    return FHasVisibleChildren;
}

Integer TBaseTreeNodeVz::VisibleCount() {
    if (FVisibleItemsObsolete) BuildVisibleItems();
    return FVisibleCount;
}

TObjectListVz* TBaseTreeNodeVz::VisibleItems() {
    if (FVisibleItemsObsolete) BuildVisibleItems();
    return Count() == FVisibleCount ? FItems.get() : FVisibleItems.get();
}

TBaseTreeNodeVz* TBaseTreeNodeVz::VisibleItem(Integer Index) {
    return static_cast<TBaseTreeNodeVz*>(VisibleItems()->Items(Index));
}

Integer TBaseTreeNodeVz::Add(TBaseTreeNodeVz* Child) {
    if (Child->Owner() != FOwner) throw Exception(QString::fromLatin1(SDifferentOwners));
    bool AllVisible = Count() == FVisibleCount;
    Integer Pos = FItems->Add(Child);
    if (AllVisible && Child->Visible()) {
        Child->FVisibleIndex = Pos;
        ++FVisibleCount;
    }
    VisibleItemsBecomeObsolete();
    return Pos;
}

void TBaseTreeNodeVz::Insert(Integer Index, TBaseTreeNodeVz* Child) {
    if (Child->Owner() != FOwner) throw Exception(QString::fromLatin1(SDifferentOwners));
    bool AllVisible = Count() == FVisibleCount;
    FItems->Insert(Index, Child);
    // While every child is visible the visible list is not used, so it stays valid.
    if (AllVisible && Child->Visible())
        ++FVisibleCount;
    else
        VisibleItemsBecomeObsolete();
}

void TBaseTreeNodeVz::Delete(Integer Index) {
    FItems->Delete(Index);
    VisibleItemsBecomeObsolete();
}

void TBaseTreeNodeVz::Exchange(Integer Index1, Integer Index2) {
    if (Index1 == Index2) return;
    FItems->Exchange(Index1, Index2);
    Item(Index1)->FIndex = Index1;
    Item(Index2)->FIndex = Index2;
}

void TBaseTreeNodeVz::CheckLevel(Integer NewLevel) const {
    if (!FOwner) return;
    Integer Max = FOwner->MaxLevel();
    if (NewLevel > Max || NewLevel + SubtreeHeight(this) > Max)
        throw Exception(QString::fromLatin1(SMaxLevelExceed) + QString::number(Max));
}

void TBaseTreeNodeVz::SetLevel(Integer NewLevel) {
    if (NewLevel == FLevel) return;
    CheckLevel(NewLevel);
    FLevel = NewLevel;
    for (Integer I = 0; I < Count(); ++I) Item(I)->SetLevel(NewLevel + 1);
}

void TBaseTreeNodeVz::Clear() {
    FItems->Clear();
    FVisibleItems->Clear();
    // The visible count still tells the old number of children: read it afresh next time.
    VisibleItemsBecomeObsolete();
}

void TBaseTreeNodeVz::SortData(const TCompareNodesVz& CompareProg, TObject* ParamSort, bool ARecurse) {
    if (Count() == 0) return;
    QuickSort(0, Count() - 1, CompareProg, ParamSort);
    if (Count() != FVisibleCount) VisibleItemsBecomeObsolete();
    if (ARecurse)
        for (Integer I = 0; I < Count(); ++I) Item(I)->SortData(CompareProg, ParamSort, ARecurse);
}

void TBaseTreeNodeVz::QuickSort(Integer L, Integer R, const TCompareNodesVz& CompareProg, TObject* ParamSort) {
    Integer I = 0;
    do {
        I = L;
        Integer J = R;
        TBaseTreeNodeVz* Pivot = Item((L + R) / 2);
        do {
            while (CompareProg(Item(I), Pivot, ParamSort) < 0) ++I;
            while (CompareProg(Item(J), Pivot, ParamSort) > 0) --J;
            if (I <= J) {
                Exchange(I, J);
                ++I;
                --J;
            }
        } while (I <= J);
        if (L < J) QuickSort(L, J, CompareProg, ParamSort);
        L = I;
    } while (I < R);
}

bool TBaseTreeNodeVz::IsNodeOrAncestor(const TBaseTreeNodeVz* Node) const {
    for (const TBaseTreeNodeVz* N = this; N; N = N->Parent())
        if (N == Node) return true;
    return false;
}

// ---- TTreeListVz --------------------------------------------------------------------------------

TTreeListVz::TTreeListVz(TTreeNodeClassVz AItemClass) : TComponent(nullptr), FItemClass(AItemClass) {}

TTreeListVz::~TTreeListVz() { FreeRoot(); }

void TTreeListVz::AfterConstruction() {
    inherited::AfterConstruction();
    if (!FItemClass || !FItemClass->InheritsFrom(TBaseTreeNodeVz::StaticClass()))
        throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    FRoot = NewNode();
    FMaxLevel = 1000;
}

void TTreeListVz::BeforeDestruction() {
    FreeRoot();
    inherited::BeforeDestruction();
}

void TTreeListVz::FreeRoot() { FreeAndNil(FRoot); }

TBaseTreeNodeVz* TTreeListVz::NewNode() {
    auto* Node = static_cast<TBaseTreeNodeVz*>(FItemClass->Create());
    Node->SetOwner(this);
    return Node;
}

TBaseTreeNodeVz* TTreeListVz::CreateNode(const String& Text, TObject* Data) {
    TBaseTreeNodeVz* Node = NewNode();
    Node->SetData(Data);
    Node->SetText(Text);
    Node->SetIndex(-1);
    return Node;
}

TBaseTreeNodeVz* TTreeListVz::AddChild(const String& Text, TBaseTreeNodeVz* Parent, TObject* Data) {
    TBaseTreeNodeVz* Node = CreateNode(Text, Data);
    try {
        AttachNode(Node, Parent, naAddChildVz, true);
    } catch (...) {
        Node->Free();
        throw;
    }
    return Node;
}

void TTreeListVz::AttachNode(TBaseTreeNodeVz* Node, TBaseTreeNodeVz* Destination, TNodeAttachModeVz Mode,
                             bool ReIndex) {
    if (!Node || Node == FRoot) return;
    if (!Destination) Destination = FRoot;
    if (Destination == FRoot && !IsChildMode(Mode)) return;

    switch (Mode) {
    case naAddVz:
        AttachNode(Node, Destination->Parent(), naAddChildVz, false);
        break;
    case naAddFirstVz:
        AttachNode(Node, Destination->Parent(), naAddChildFirstVz, ReIndex);
        break;
    case naAddChildVz: {
        Node->CheckLevel(Destination->Level() + 1);
        Integer Pos = Destination->Add(Node);
        Node->SetParent(Destination);
        Destination->SetHasChildren(true);
        Node->SetIndex(Pos);
        Node->SetLevel(Destination->Level() + 1);
        break;
    }
    case naAddChildFirstVz:
        Node->CheckLevel(Destination->Level() + 1);
        Destination->Insert(0, Node);
        Node->SetParent(Destination);
        Destination->SetHasChildren(true);
        Node->SetIndex(0);
        Node->SetLevel(Destination->Level() + 1);
        if (ReIndex) UpdateNodeIndexes(Destination, false, -1, -1);
        break;
    case naInsertVz: {
        // A destination that is not linked anywhere gives no place to insert.
        TBaseTreeNodeVz* P = Destination->Parent();
        Integer Pos = PositionInParent(Destination);
        if (Pos < 0) return;
        Node->CheckLevel(P->Level() + 1);
        P->Insert(Pos, Node);
        Node->SetParent(P);
        P->SetHasChildren(true);
        Node->SetIndex(Pos);
        Node->SetLevel(P->Level() + 1);
        if (ReIndex) UpdateNodeIndexes(P, false, Pos, -1);
        break;
    }
    case naAddAfterVz: {
        TBaseTreeNodeVz* P = Destination->Parent();
        Integer Pos = PositionInParent(Destination);
        if (Pos < 0) return;
        if (Pos == P->Count() - 1)
            AttachNode(Node, Destination, naAddVz, ReIndex);
        else
            AttachNode(Node, P->Item(Pos + 1), naInsertVz, ReIndex);
        break;
    }
    }
    NodeLocationChanged(Node, false, -1, nullptr);
}

void TTreeListVz::DetachNode(TBaseTreeNodeVz* Node, bool ReIndex) {
    if (!Node) return;
    TBaseTreeNodeVz* P = Node->Parent();
    // The node is looked up by identity: a stale Index must not unlink a sibling, and a node
    // detached before is not in the list any more.
    Integer Pos = PositionInParent(Node);
    if (Pos < 0) return;
    P->Delete(Pos);
    P->SetHasChildren(P->Count() > 0);
    if (ReIndex && Pos < P->Count()) UpdateNodeIndexes(P, false, -1, -1);
    NodeLocationChanged(Node, true, Pos, P);
}

void TTreeListVz::DeleteChildren(TBaseTreeNodeVz* Node) {
    if (!Node) return;
    for (Integer I = 0; I < Node->Count(); ++I) Node->Item(I)->Free();
    Node->Clear();
    Node->SetHasChildren(false);
}

void TTreeListVz::DeleteNode(TBaseTreeNodeVz* Node, bool ReIndex) {
    if (!Node) return;
    DeleteChildren(Node);
    if (Node == FRoot) return;  // the root stays: it only loses its children
    DetachNode(Node, ReIndex);
    Node->Free();
}

void TTreeListVz::Clear() { DeleteChildren(FRoot); }

void TTreeListVz::UpdateNodeIndexes(TBaseTreeNodeVz* Node, bool Recurse, Integer FromIndex, Integer ToIndex) {
    if (!Node) Node = FRoot;
    Node->VisibleItemsList()->Clear();
    if (FromIndex == -1) FromIndex = 0;
    if (ToIndex == -1) ToIndex = Node->Count() - 1;
    for (Integer I = FromIndex; I <= ToIndex; ++I) {
        TBaseTreeNodeVz* C = Node->Item(I);
        C->SetIndex(I);
        if (Recurse) UpdateNodeIndexes(C, true, -1, -1);
    }
    Node->VisibleItemsBecomeObsolete();
}

// ---- expansion ----

void TTreeListVz::Expand(TBaseTreeNodeVz* Node, bool Recurse) {
    if (!Node) Node = FRoot;
    if (Node->Count() == 0) return;
    if (Node != FRoot) Node->SetExpanded(true);
    if (Recurse)
        for (Integer I = 0; I < Node->Count(); ++I) Expand(Node->Item(I), true);
}

void TTreeListVz::Collapse(TBaseTreeNodeVz* Node, bool Recurse) {
    if (!Node) Node = FRoot;
    Node->SetExpanded(false);
    if (Recurse)
        for (Integer I = 0; I < Node->Count(); ++I) Collapse(Node->Item(I), true);
}

bool TTreeListVz::ExpandedChanging(TBaseTreeNodeVz* Node) {
    return OnExpandedChanging ? OnExpandedChanging(Node) : true;
}

void TTreeListVz::ExpandedChanged(TBaseTreeNodeVz* Node) {
    if (OnExpandedChanged) OnExpandedChanged(Node);
}

void TTreeListVz::NodeLocationChanged(TBaseTreeNodeVz* /*Node*/, bool /*Detached*/, Integer /*OldIndex*/,
                                      TBaseTreeNodeVz* /*OldParent*/) {}

Integer TTreeListVz::CompareTreeNodes(TBaseTreeNodeVz* /*Node1*/, TBaseTreeNodeVz* /*Node2*/,
                                      TObject* /*ParamSort*/) {
    return 0;
}

void TTreeListVz::SortData(const TCompareNodesVz& CompareProg, TObject* ParamSort, bool ARecurse) {
    FRoot->SortData(CompareProg, ParamSort, ARecurse);
}

void TTreeListVz::MoveTo(TBaseTreeNodeVz* Node, TBaseTreeNodeVz* Destination, TNodeAttachModeVz Mode,
                         bool ReIndex) {
    if (!Node || Node == FRoot || !Destination) return;
    if (Destination == FRoot && !IsChildMode(Mode)) return;
    if (Destination->IsNodeOrAncestor(Node)) throw Exception(QString::fromLatin1(SReferenceLoop));

    // Refuse what the attach would refuse before the node is unlinked, so a failed move does
    // not leave it hanging nowhere.
    TBaseTreeNodeVz* NewParent = Destination;
    if (!IsChildMode(Mode)) {
        NewParent = Destination->Parent();
        if (Mode == naInsertVz || Mode == naAddAfterVz) {
            if (PositionInParent(Destination) < 0) return;
        } else if (!NewParent) {
            NewParent = FRoot;
        }
    }
    if (Node->Owner() != NewParent->Owner()) throw Exception(QString::fromLatin1(SDifferentOwners));
    if (NewParent->Level() + 1 != Node->Level()) Node->CheckLevel(NewParent->Level() + 1);

    TBaseTreeNodeVz* OldParent = Node->Parent();
    Integer Pos = PositionInParent(Node);
    if (Pos >= 0) {
        OldParent->Delete(Pos);
        OldParent->SetHasChildren(OldParent->Count() > 0);
        if (ReIndex) UpdateNodeIndexes(OldParent, false, -1, -1);
    }
    AttachNode(Node, Destination, Mode, ReIndex);
}

// ---- navigation ----

TBaseTreeNodeVz* TTreeListVz::GetFirstChild(TBaseTreeNodeVz* Node) const {
    return Node && Node->Count() > 0 ? Node->Item(0) : nullptr;
}

TBaseTreeNodeVz* TTreeListVz::GetLastChild(TBaseTreeNodeVz* Node) const {
    return Node && Node->Count() > 0 ? Node->Item(Node->Count() - 1) : nullptr;
}

TBaseTreeNodeVz* TTreeListVz::GetPrevSibling(TBaseTreeNodeVz* Node) const {
    Integer Pos = PositionInParent(Node);
    return Pos > 0 ? Node->Parent()->Item(Pos - 1) : nullptr;
}

TBaseTreeNodeVz* TTreeListVz::GetNextSibling(TBaseTreeNodeVz* Node) const {
    Integer Pos = PositionInParent(Node);
    if (Pos < 0 || Pos >= Node->Parent()->Count() - 1) return nullptr;
    return Node->Parent()->Item(Pos + 1);
}

TBaseTreeNodeVz* TTreeListVz::GetFirst() const { return GetFirstChild(FRoot); }

TBaseTreeNodeVz* TTreeListVz::GetLast(TBaseTreeNodeVz* Node) const {
    if (!Node) Node = FRoot;
    if (Node->Count() == 0) return nullptr;
    while (Node->Count() > 0) Node = Node->Item(Node->Count() - 1);
    return Node;
}

TBaseTreeNodeVz* TTreeListVz::GetNext(TBaseTreeNodeVz* Node) const {
    if (!Node || Node == FRoot) return Node;
    if (Node->Count() > 0) return Node->Item(0);
    for (TBaseTreeNodeVz* N = Node; N && N != FRoot; N = N->Parent())
        if (TBaseTreeNodeVz* S = GetNextSibling(N)) return S;
    return nullptr;
}

TBaseTreeNodeVz* TTreeListVz::GetPrevious(TBaseTreeNodeVz* Node) const {
    if (!Node || Node == FRoot) return Node;
    if (TBaseTreeNodeVz* S = GetPrevSibling(Node)) {
        TBaseTreeNodeVz* L = GetLast(S);
        return L ? L : S;
    }
    TBaseTreeNodeVz* P = Node->Parent();
    return P == FRoot ? nullptr : P;
}

bool TTreeListVz::HasChildNodes(TBaseTreeNodeVz* Node) const { return (Node ? Node : FRoot)->Count() > 0; }

TBaseTreeNodeVz* TTreeListVz::GetNode(TBaseTreeNodeVz* StartNode, TObject* Data) const {
    if (!StartNode) StartNode = FRoot;
    TBaseTreeNodeVz* N = GetFirstChild(StartNode);
    while (N) {
        if (N->Data() == Data) return N;
        if (N->Count() > 0) {
            N = N->Item(0);
            continue;
        }
        // Climb to the next sibling, staying below StartNode.
        while (N != StartNode) {
            TBaseTreeNodeVz* S = GetNextSibling(N);
            if (S) {
                N = S;
                break;
            }
            N = N->Parent();
        }
        if (N == StartNode) return nullptr;
    }
    return nullptr;
}

TBaseTreeNodeVz* TTreeListVz::GetFirstVisible() const {
    for (Integer I = 0; I < FRoot->Count(); ++I)
        if (FRoot->Item(I)->Visible()) return FRoot->Item(I);
    return nullptr;
}

bool TTreeListVz::NodeParentsVisible(TBaseTreeNodeVz* Node, bool ConsiderCollapsed) const {
    if (!Node || Node == FRoot) return false;
    for (TBaseTreeNodeVz* P = Node->Parent(); P && P != FRoot; P = P->Parent())
        if (!P->Visible() || (ConsiderCollapsed && !P->Expanded())) return false;
    return true;
}

TBaseTreeNodeVz* TTreeListVz::GetNextVisible(TBaseTreeNodeVz* Node, bool ConsiderCollapsed) const {
    if (!Node || Node == FRoot) return nullptr;
    TBaseTreeNodeVz* Cur = Node;
    if (Node->Visible() && NodeParentsVisible(Node, ConsiderCollapsed)) {
        if (Node->Count() > 0 && (Node->Expanded() || !ConsiderCollapsed)) {
            TBaseTreeNodeVz* C = Node->Item(0);
            if (C->Visible()) return C;
            Cur = C;
        }
    } else {
        // Out of reach: go on after the outermost node on the path that hides the start node
        // (a hidden node, or with ConsiderCollapsed a collapsed one).
        TBaseTreeNodeVz* Block = nullptr;
        for (TBaseTreeNodeVz* N = Node; N && N != FRoot; N = N->Parent()) {
            if (!N->Visible() || (ConsiderCollapsed && N != Node && !N->Expanded())) Block = N;
        }
        if (!Block) return nullptr;
        Cur = Block;
    }
    for (;;) {
        if (TBaseTreeNodeVz* S = GetNextSibling(Cur)) {
            if (S->Visible()) return S;
            Cur = S;
        } else {
            Cur = Cur->Parent();
            if (!Cur || Cur == FRoot) return nullptr;
        }
    }
}

TBaseTreeNodeVz* TTreeListVz::GetNextVisibleSibling(TBaseTreeNodeVz* Node) const {
    TBaseTreeNodeVz* P = Node ? Node->Parent() : nullptr;
    if (!P) return nullptr;
    if (P->VisibleCount() == P->Count()) return GetNextSibling(Node);
    if (Node->Visible()) {
        Integer I = Node->VisibleIndex() + 1;
        return I < P->VisibleCount() ? P->VisibleItem(I) : nullptr;
    }
    // A hidden node has no place in the visible list: take the next visible one after it.
    for (Integer I = PositionInParent(Node) + 1; I > 0 && I < P->Count(); ++I)
        if (P->Item(I)->Visible()) return P->Item(I);
    return nullptr;
}

TBaseTreeNodeVz* TTreeListVz::GetPriorVisibleSibling(TBaseTreeNodeVz* Node) const {
    TBaseTreeNodeVz* P = Node ? Node->Parent() : nullptr;
    if (!P) return nullptr;
    if (P->VisibleCount() == P->Count()) return GetPrevSibling(Node);
    if (Node->Visible()) {
        Integer I = Node->VisibleIndex() - 1;
        return I >= 0 ? P->VisibleItem(I) : nullptr;
    }
    for (Integer I = PositionInParent(Node) - 1; I >= 0; --I)
        if (P->Item(I)->Visible()) return P->Item(I);
    return nullptr;
}
