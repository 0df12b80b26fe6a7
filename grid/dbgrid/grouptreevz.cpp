#include "grid/dbgrid/grouptreevz.h"

#include "grid/core/valueutilsvz.h"
#include "grid/dbgrid/groupsvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>
#include <climits>

namespace {

// Where a child stands against a key under a sort order: vrLessThan when it lies before the key,
// vrGreaterThan after it, vrEqual for a match (equal or not comparable).
TVariantRelationship GroupTreeChildPlace(const Variant& ChildKey, const Variant& Key, TSortOrderVz SortOrder) {
    TVariantRelationship R = CompareVarValuesVz(ChildKey, Key);
    if (R != vrLessThan && R != vrGreaterThan) return vrEqual;
    if (SortOrder == soDescVz) return R == vrLessThan ? vrGreaterThan : vrLessThan;
    return R;
}

// The last element of a key array: the record's view number.
void SetGroupTreeKeyTail(Variant& Key, Integer ViewNo) {
    if (VarIsArray(Key)) Key.PutElement(VarArrayHighBound(Key, 1), Variant(ViewNo));
}

}  // namespace

// ---- TGroupDataTreeNodeVz ----

TGridGroupDataTreeVz* TGroupDataTreeNodeVz::Owner() const {
    return static_cast<TGridGroupDataTreeVz*>(TBaseTreeNodeVz::Owner());
}

Integer TGroupDataTreeNodeVz::Count() const { return std::max<Integer>(0, FullItemCount() - FFooterItemCount); }

void TGroupDataTreeNodeVz::SetFooterItemCount(Integer Value) {
    if (Value < 0) Value = 0;
    TGridGroupDataTreeVz* T = Owner();
    while (FFooterItemCount < Value) {
        auto* F = static_cast<TGroupDataTreeNodeVz*>(T->CreateNode(String(), nullptr));
        F->SetNodeType(dntDataGroupFooterVz);
        T->AttachNode(F, this, naAddChildVz, false);
        ++FFooterItemCount;
    }
    while (FFooterItemCount > Value && FullItemCount() > 0) {
        T->DeleteNode(Item(FullItemCount() - 1), false);
        --FFooterItemCount;
    }
    FFooterItemCount = Value;
}

Variant TGroupDataTreeNodeVz::FooterValues(int Index) const {
    if (Index < 0 || Index >= static_cast<int>(FFooterValue.size())) return Unassigned();
    return FFooterValue[std::size_t(Index)];
}

Integer TGroupDataTreeNodeVz::RowHeight() {
    if (FRowHeightNeedUpdate) UpdateRowHeight();
    return FRowHeight;
}

void TGroupDataTreeNodeVz::UpdateRowHeight() {
    TGridDataGroupsVz* G = Owner() ? Owner()->GridDataGroups() : nullptr;
    if (!G) return;
    if (FGroupDataTreeNodeType != dntDataSetRecordVz) {
        SetRowHeight(G->GroupRowHeight(this));
        return;
    }
    IMemTableVz* MT = G->GridMemTable();
    if (MT) MT->InstantReadEnter(FDataSetRecordViewNo);
    TGroupFinallyVz Leave([MT] {
        if (MT) MT->InstantReadLeave();
    });
    SetRowHeight(G->CalcStdDataRowHeight());
}

void TGroupDataTreeNodeVz::SortData(const TCompareNodesVz& CompareProg, TObject* ParamSort, bool /*ARecurse*/) {
    if (Count() > 1) QuickSort(0, Count() - 1, CompareProg, ParamSort);
}

void TGroupDataTreeNodeVz::ResetFooters() {
    TGridGroupDataTreeVz* T = Owner();
    TGridDataGroupsVz* G = T ? T->GridDataGroups() : nullptr;
    if (!G) return;
    const bool IsRoot = Parent() == nullptr;
    Integer N = 0;
    if (IsRoot)
        N = G->Footers() ? G->Footers()->Count() : 0;
    else if (FDataGroupLevel)
        N = FDataGroupLevel->VisibleFootersCount();
    SetFooterItemCount(N);
    for (Integer I = 0; I < N; ++I) {
        TGroupDataTreeNodeVz* F = FooterItems(I);
        TGridDataGroupFooterVz* Footer = IsRoot ? G->Footers()->Items(I) : FDataGroupLevel->GetVisibleFooter(I);
        F->SetNodeType(dntDataGroupFooterVz);
        F->SetDataGroupFooter(Footer);
        F->FooterValue().assign(std::size_t(Footer->ColumnItems()->Count()), Variant());
        F->FooterAcc().clear();
        F->RowDataChanged();
    }
}

bool TGroupDataTreeNodeVz::RecordNodeLastInGroup() const {
    if (FGroupDataTreeNodeType != dntDataSetRecordVz || !Parent()) return false;
    return Parent()->Count() > 0 && Parent()->Items(Parent()->Count() - 1) == this;
}

bool TGroupDataTreeNodeVz::CanAppendDataRec() const {
    TGridDataGroupsVz* G = Owner() ? Owner()->GridDataGroups() : nullptr;
    if (!G || G->ActiveGroupLevelsCount() == 0) return false;
    const Integer Deepest = G->ActiveGroupLevelsCount();
    if (FGroupDataTreeNodeType == dntDataGroupVz) return Level() == Deepest;
    if (FGroupDataTreeNodeType == dntDataGroupFooterVz) {
        TGroupDataTreeNodeVz* P = Parent();
        return P && P->Parent() && P->NodeType() == dntDataGroupVz && P->Level() == Deepest &&
               P->FooterItemCount() > 0 && P->FooterItems(0) == this;
    }
    return false;
}

void TGroupDataTreeNodeVz::AppendDataRec(IMemTableVz* AIntMemTable, TDataSet* ADataSet) {
    TGroupDataTreeNodeVz* Group = FGroupDataTreeNodeType == dntDataGroupFooterVz ? Parent() : this;
    Owner()->AppendDataRec(Group, AIntMemTable, ADataSet);
}

TCheckBoxState TGroupDataTreeNodeVz::ChildSelectionState() {
    TGridGroupDataTreeVz* T = Owner();
    TGridDataGroupsVz* G = T ? T->GridDataGroups() : nullptr;
    if (!G) return cbUnchecked;
    IMemTableVz* MT = G->GridMemTable();
    Integer Total = 0;
    Integer Selected = 0;
    // The records of the subtree: the nodes after this one down to the next node at its depth.
    for (TGroupDataTreeNodeVz* N = T->GetNext(this); N && N->Level() > Level(); N = T->GetNext(N)) {
        if (N->NodeType() != dntDataSetRecordVz) continue;
        ++Total;
        if (MT) MT->InstantReadEnter(N->DataSetRecordViewNo());
        TGroupFinallyVz Leave([MT] {
            if (MT) MT->InstantReadLeave();
        });
        if (G->IsCurrentRecordSelected()) ++Selected;
    }
    if (Selected == 0) return cbUnchecked;
    return Selected == Total ? cbChecked : cbGrayed;
}

// ---- TGridGroupDataTreeVz ----

TGridGroupDataTreeVz::TGridGroupDataTreeVz(TGridDataGroupsVz* AGridDataGroups, TTreeNodeClassVz ItemClass)
    : TTreeListVz(ItemClass), FGridDataGroups(AGridDataGroups) {}

TGridGroupDataTreeVz::~TGridGroupDataTreeVz() = default;

Integer TGridGroupDataTreeVz::ActiveCount() const { return FGridDataGroups ? FGridDataGroups->ActiveGroupLevelsCount() : 0; }

TGroupDataTreeNodeVz* TGridGroupDataTreeVz::FlatVisibleItem(Integer Index) const {
    if (Index < 0 || Index >= FlatVisibleCount()) throw EListError(Format(u"List index out of bounds (%d)"_S, {Index}));
    return FFlatVisibleList[std::size_t(Index)];
}

Integer TGridGroupDataTreeVz::IndexOfVisibleNode(TGroupDataTreeNodeVz* Node) const {
    auto It = std::find(FFlatVisibleList.begin(), FFlatVisibleList.end(), Node);
    return It == FFlatVisibleList.end() ? -1 : static_cast<Integer>(It - FFlatVisibleList.begin());
}

Integer TGridGroupDataTreeVz::IndexOfVisibleRecordViewNo(Integer RecordViewNo) const {
    for (std::size_t I = 0; I < FFlatVisibleList.size(); ++I)
        if (FFlatVisibleList[I]->DataSetRecordViewNo() == RecordViewNo) return static_cast<Integer>(I);
    return -1;
}

void TGridGroupDataTreeVz::RebuildFlatVisibleList() {
    FFlatVisibleList.clear();
    for (TGroupDataTreeNodeVz* N = GetFirstVisible(); N; N = GetNextVisible(N, true)) {
        if (N->NodeType() == dntDataGroupFooterVz) {
            TGroupDataTreeNodeVz* P = N->Parent();
            if (P == Root()) continue;
            TGridDataGroupFooterVz* F = N->DataGroupFooter();
            if (!F || !F->Visible()) continue;
            if (P && P->DataGroupLevel() && P->DataGroupLevel()->FooterInGroupRow() && P->FooterItemCount() > 0 &&
                P->FooterItems(0) == N)
                continue;
        }
        FFlatVisibleList.push_back(N);
    }
    if (FGridDataGroups) FGridDataGroups->UpdateGroupingRowCount();
}

void TGridGroupDataTreeVz::ExpandedChanged(TBaseTreeNodeVz* Node) {
    inherited::ExpandedChanged(Node);
    if (FUpateCount == 0) RebuildFlatVisibleList();
}

void TGridGroupDataTreeVz::IndexRecordNodes() {
    FRecordNodes.clear();
    for (TGroupDataTreeNodeVz* N = GetFirst(); N; N = GetNext(N)) {
        if (N->NodeType() != dntDataSetRecordVz) continue;
        const Integer V = N->DataSetRecordViewNo();
        if (V < 0) continue;
        if (std::size_t(V) >= FRecordNodes.size()) FRecordNodes.resize(std::size_t(V) + 1, nullptr);
        if (!FRecordNodes[std::size_t(V)]) FRecordNodes[std::size_t(V)] = N;
    }
    FRecordNodesValid = true;
}

TGroupDataTreeNodeVz* TGridGroupDataTreeVz::GetNodeByRecordViewNo(Integer RecordViewNo) const {
    if (RecordViewNo < 0) return nullptr;
    if (!FRecordNodesValid) const_cast<TGridGroupDataTreeVz*>(this)->IndexRecordNodes();
    if (std::size_t(RecordViewNo) >= FRecordNodes.size()) return nullptr;
    return FRecordNodes[std::size_t(RecordViewNo)];
}

// The next node at depth Level after Node, not descending below Level.
TGroupDataTreeNodeVz* TGridGroupDataTreeVz::GetNextNodeAtLevel(TGroupDataTreeNodeVz* Node, Integer Level) const {
    TBaseTreeNodeVz* N = Node;
    bool Descend = false;
    while (N) {
        if (Descend && N->Level() < Level && N->Count() > 0) {
            N = N->Item(0);
        } else {
            while (N && N != TTreeListVz::Root() && !GetNextSibling(N)) N = N->Parent();
            if (!N || N == TTreeListVz::Root()) return nullptr;
            N = GetNextSibling(N);
        }
        if (N->Level() == Level) return Cast(N);
        Descend = true;
    }
    return nullptr;
}

TGroupDataTreeNodeVz* TGridGroupDataTreeVz::GetFirstNodeAtLevel(Integer Level) const {
    TBaseTreeNodeVz* R = TTreeListVz::Root();
    if (Level <= 0) return Level == 0 ? Cast(R) : nullptr;
    if (R->Count() == 0) return nullptr;
    TBaseTreeNodeVz* First = R->Item(0);
    if (First->Level() == Level) return Cast(First);
    // Start the walk from the first child as if it had just been reached.
    TBaseTreeNodeVz* N = First;
    while (N) {
        if (N->Level() < Level && N->Count() > 0) {
            N = N->Item(0);
        } else {
            while (N && N != R && !GetNextSibling(N)) N = N->Parent();
            if (!N || N == R) return nullptr;
            N = GetNextSibling(N);
        }
        if (N->Level() == Level) return Cast(N);
    }
    return nullptr;
}

Integer TGridGroupDataTreeVz::CompareNodes(TBaseTreeNodeVz* Node1, TBaseTreeNodeVz* Node2, TSortOrderVz SortOrder) {
    auto* A = Cast(Node1);
    auto* B = Cast(Node2);
    if (A->NodeType() != dntDataGroupVz) return 0;
    const TVariantRelationship R = CompareVarValuesVz(A->KeyValue(), B->KeyValue());
    Integer Result = R == vrLessThan ? -1 : R == vrGreaterThan ? 1 : 0;
    return SortOrder == soDescVz ? -Result : Result;
}

TGroupDataTreeNodeVz* TGridGroupDataTreeVz::GetNodeToInsertForKey1(TGroupDataTreeNodeVz* ParentNode, const Variant& Key1,
                                                                   TNodeAttachModeVz& InsertMode, TSortOrderVz SortOrder) {
    const Integer N = ParentNode->Count();
    if (N == 0) {
        InsertMode = naAddChildVz;
        return nullptr;
    }
    TGroupDataTreeNodeVz* First = ParentNode->Items(0);
    if (GroupTreeChildPlace(First->KeyValue(), Key1, SortOrder) == vrGreaterThan) {
        InsertMode = naInsertVz;
        return First;
    }
    TGroupDataTreeNodeVz* Last = ParentNode->Items(N - 1);
    if (GroupTreeChildPlace(Last->KeyValue(), Key1, SortOrder) == vrLessThan) {
        InsertMode = naAddVz;
        return Last;
    }
    Integer Low = 0, High = N - 1, Mid = High / 2;
    for (;;) {
        TGroupDataTreeNodeVz* C = ParentNode->Items(Mid);
        const TVariantRelationship R = GroupTreeChildPlace(C->KeyValue(), Key1, SortOrder);
        Integer Next;
        if (R == vrGreaterThan) {
            High = Mid;
            Next = (Mid + Low) / 2;
        } else if (R == vrLessThan) {
            Low = Mid;
            Next = (Mid + High) / 2;
        } else {
            InsertMode = naAddChildVz;
            return C;
        }
        if (Next == Mid) {
            TGroupDataTreeNodeVz* After = ParentNode->Items(std::min(Mid + 1, N - 1));
            InsertMode = CompareVarValuesVz(After->KeyValue(), Key1) == vrEqual ? naAddChildVz : naInsertVz;
            return After;
        }
        Mid = Next;
    }
}

void TGridGroupDataTreeVz::AddDataNode(TGroupDataTreeNodeVz* Node, TGroupDataTreeNodeVz* Destination, bool ReIndex,
                                       TNodeAttachModeVz Mode) {
    if (Mode == naAddChildVz && Destination && Destination->FooterItemCount() > 0 && Destination->FullItemCount() > 0) {
        Destination = Destination->FooterItems(0);
        Mode = naInsertVz;
    } else if (Mode == naAddVz && Destination && Destination->Parent() && Destination->Parent()->FooterItemCount() > 0) {
        Destination = Destination->Parent()->FooterItems(0);
        Mode = naInsertVz;
    }
    AttachNode(Node, Destination, Mode, ReIndex);
}

TGroupDataTreeNodeVz* TGridGroupDataTreeVz::AddChildDataNode(const String& Text, TGroupDataTreeNodeVz* Parent, TObject* Data) {
    auto* Node = Cast(CreateNode(Text, Data));
    if (Parent->FooterItemCount() == 0 || Parent->FullItemCount() == 0)
        AttachNode(Node, Parent, naAddChildVz, false);
    else
        AttachNode(Node, Parent->TBaseTreeNodeVz::Item(Parent->Count()), naInsertVz, true);
    return Node;
}

TGroupDataTreeNodeVz* TGridGroupDataTreeVz::AddRecordNodeForKey(const Variant& AKey, Integer RecViewNo) {
    TGridDataGroupsVz* G = FGridDataGroups;
    const Integer N = ActiveCount();
    BeginUpdate();
    TGroupFinallyVz End([this] { EndUpdate(); });
    TGroupDataTreeNodeVz* Node = Root();
    TGroupDataTreeNodeVz* Parent = Root();
    TNodeAttachModeVz InsertMode = naAddChildVz;
    for (Integer I = 0; I < N; ++I) {
        TGridDataGroupLevelVz* L = G->ActiveGroupLevels(I);
        const Variant K = AKey.GetElement(I);
        if (InsertMode == naAddChildVz && Node) Node = GetNodeToInsertForKey1(Parent, K, InsertMode, L->SortOrder());
        if (InsertMode == naAddChildVz && Node) {
            if (Node->DataSetRecordViewNo() == -1) Node->SetDataSetRecordViewNo(RecViewNo);
            Parent = Node;
            continue;
        }
        TGroupDataTreeNodeVz* Group;
        if (Node) {
            Group = Cast(CreateNode(String(), nullptr));
            AddDataNode(Group, Node, true, InsertMode);
        } else {
            Group = AddChildDataNode(String(), Parent, nullptr);
        }
        Group->SetDataGroupLevel(L);
        Group->SetNodeType(dntDataGroupVz);
        Group->SetDataSetRecordViewNo(RecViewNo);
        Group->SetKeyValue(K);
        Group->SetDisplayValue(L->GetKeyValueAsText(Group));
        Group->SetExpanded(G->DefaultStateExpanded());
        Group->RowDataChanged();
        Group->ResetFooters();
        Parent = Group;
        Node = nullptr;
    }
    TGroupDataTreeNodeVz* Destination = GetNodeToInsertForKey1(Parent, AKey.GetElement(N), InsertMode, soAscVz);
    if (!Destination) return AddChildDataNode(String(), Parent, nullptr);
    if (InsertMode == naAddChildVz) InsertMode = naInsertVz;
    auto* Rec = Cast(CreateNode(String(), nullptr));
    AddDataNode(Rec, Destination, true, InsertMode);
    return Rec;
}

void TGridGroupDataTreeVz::FillRecordNode(TGroupDataTreeNodeVz* Node, Integer ViewNo, const Variant& FullKey) {
    Node->SetDataGroupLevel(nullptr);
    Node->SetNodeType(dntDataSetRecordVz);
    Node->SetDataSetRecordViewNo(ViewNo);
    Node->SetFullKey(FullKey);
    Node->SetKeyValue(Variant(ViewNo));
    Node->RowDataChanged();
}

void TGridGroupDataTreeVz::ShiftViewNumbers(Integer From, Integer Delta) {
    for (TGroupDataTreeNodeVz* N = GetFirst(); N; N = GetNext(N)) {
        const Integer V = N->DataSetRecordViewNo();
        if (V < From) continue;
        N->SetDataSetRecordViewNo(V + Delta);
        if (N->NodeType() == dntDataSetRecordVz) {
            N->SetKeyValue(Variant(V + Delta));
            Variant K = N->FullKey();
            SetGroupTreeKeyTail(K, V + Delta);
            N->SetFullKey(K);
        }
    }
}

void TGridGroupDataTreeVz::DeleteRecordNodes() {
    FRecordNodesValid = false;
    FRecordNodes.clear();
    // Records are leaves standing first among their parent's children: each parent loses them
    // from the last one down and is renumbered once.
    std::vector<TGroupDataTreeNodeVz*> Parents;
    struct Collect {
        std::vector<TGroupDataTreeNodeVz*>& Out;
        void operator()(TGroupDataTreeNodeVz* P) const {
            if (P->Count() == 0) return;
            if (P->Items(0)->NodeType() == dntDataSetRecordVz) {
                Out.push_back(P);
                return;
            }
            for (Integer I = 0; I < P->Count(); ++I) (*this)(P->Items(I));
        }
    };
    Collect{Parents}(Root());
    for (TGroupDataTreeNodeVz* P : Parents) {
        for (Integer I = P->Count() - 1; I >= 0; --I)
            if (P->Items(I)->NodeType() == dntDataSetRecordVz) DeleteNode(P->Items(I), false);
        UpdateNodeIndexes(P, false, -1, -1);
    }
    const Integer Active = ActiveCount();
    for (TGroupDataTreeNodeVz* N = GetFirst(); N;) {
        N->SetDataSetRecordViewNo(-1);
        if (N->NodeType() == dntDataGroupVz && N->Count() == 0) {
            const Integer Depth = N->Level();
            const bool LevelGone =
                Depth > Active || FGridDataGroups->ActiveGroupLevels(Depth - 1) != N->DataGroupLevel();
            if (LevelGone) {
                // Continue after the deleted subtree.
                TGroupDataTreeNodeVz* After = nullptr;
                for (TGroupDataTreeNodeVz* A = N; A && A != Root() && !After; A = A->Parent()) After = Cast(GetNextSibling(A));
                DeleteNode(N, true);
                N = After;
                continue;
            }
        }
        N = GetNext(N);
    }
}

void TGridGroupDataTreeVz::DeleteEmptyNodes() {
    // Deepest first, so that a parent emptied by its children's deletion goes too.
    struct Walk {
        TGridGroupDataTreeVz* T;
        void operator()(TGroupDataTreeNodeVz* P) const {
            bool Deleted = false;
            for (Integer I = P->Count() - 1; I >= 0; --I) {
                TGroupDataTreeNodeVz* C = P->Items(I);
                if (C->NodeType() != dntDataGroupVz) continue;
                (*this)(C);
                if (C->Count() == 0) {
                    T->DeleteNode(C, false);
                    Deleted = true;
                }
            }
            if (Deleted) T->UpdateNodeIndexes(P, false, -1, -1);
        }
    };
    Walk{this}(Root());
}

void TGridGroupDataTreeVz::DeleteRecordNode(TGroupDataTreeNodeVz* RecNode) {
    if (!RecNode) return;
    const Integer V = RecNode->DataSetRecordViewNo();
    if (FRecordNodesValid && V >= 0 && std::size_t(V) < FRecordNodes.size() && FRecordNodes[std::size_t(V)] == RecNode)
        FRecordNodes[std::size_t(V)] = nullptr;
    TGroupDataTreeNodeVz* P = RecNode->Parent();
    DeleteNode(RecNode, true);
    for (Integer K = 0; K < ActiveCount() && P && P != Root() && P->Count() == 0; ++K) {
        TGroupDataTreeNodeVz* Up = P->Parent();
        DeleteNode(P, true);
        P = Up;
    }
    FSurvivingParent = P;
}

void TGridGroupDataTreeVz::DeleteRecordNodesUpToLevel(Integer Level) {
    if (Level < 1) return;
    FRecordNodesValid = false;
    for (TGroupDataTreeNodeVz* P = GetFirstNodeAtLevel(Level - 1); P; P = GetNextNodeAtLevel(P, Level - 1)) {
        bool Deleted = false;
        for (Integer I = P->Count() - 1; I >= 0; --I)
            if (P->Items(I)->NodeType() == dntDataGroupVz) {
                DeleteNode(P->Items(I), false);
                Deleted = true;
            }
        if (Deleted) UpdateNodeIndexes(P, false, -1, -1);
    }
}

void TGridGroupDataTreeVz::RebuildDataTreeEx(IMemTableVz* AIntMemTable) {
    TGridDataGroupsVz* G = FGridDataGroups;
    {
        BeginUpdate();
        TGroupFinallyVz End([this] { EndUpdate(); });
        DeleteRecordNodes();
        if (Root()->FooterItemCount() != (G->Footers() ? G->Footers()->Count() : 0)) Root()->ResetFooters();
        const Integer N = ActiveCount();
        const Integer Rows = AIntMemTable ? AIntMemTable->InstantReadRowCount() : 0;
        FRecordNodes.assign(std::size_t(std::max(Rows, 0)), nullptr);
        for (Integer R = 0; R < Rows; ++R) {
            AIntMemTable->InstantReadEnter(R);
            TGroupFinallyVz Leave([AIntMemTable] { AIntMemTable->InstantReadLeave(); });
            Variant Key = VarArrayCreate({0, N}, varVariant);
            for (Integer I = 0; I < N; ++I) Key.PutElement(I, G->ActiveGroupLevels(I)->GetKeyValue());
            Key.PutElement(N, Variant(R));
            TGroupDataTreeNodeVz* Node = AddRecordNodeForKey(Key, R);
            FillRecordNode(Node, R, Key);
            FRecordNodes[std::size_t(R)] = Node;
        }
        FRecordNodesValid = true;
        DeleteEmptyNodes();
    }
    RecalculateFootersValues();
    RebuildFlatVisibleList();
    UpdateAllDataRowHeights();
}

void TGridGroupDataTreeVz::RebuildDataTree(IMemTableVz* AIntMemTable) {
    TGridDataGroupsVz* G = FGridDataGroups;
    {
        BeginUpdate();
        TGroupFinallyVz End([this] { EndUpdate(); });
        Clear();
        Root()->SetFooterItemCount(0);
        FRecordNodes.clear();
        FRecordNodesValid = false;
        const Integer N = ActiveCount();
        const Integer Rows = AIntMemTable ? AIntMemTable->InstantReadRowCount() : 0;
        for (Integer R = 0; R < Rows; ++R) {
            AIntMemTable->InstantReadEnter(R);
            TGroupFinallyVz Leave([AIntMemTable] { AIntMemTable->InstantReadLeave(); });
            Variant Key = VarArrayCreate({0, N}, varVariant);
            for (Integer I = 0; I < N; ++I) Key.PutElement(I, G->ActiveGroupLevels(I)->GetKeyValue());
            Key.PutElement(N, Variant(R));
            FillRecordNode(AddRecordNodeForKey(Key, R), R, Key);
        }
    }
    RebuildFlatVisibleList();
    UpdateAllDataRowHeights();
}

void TGridGroupDataTreeVz::SetDataSetkeyValue() {
    TGridDataGroupsVz* G = FGridDataGroups;
    const Variant& Key = G->InsertingKeyValue();
    if (VarIsEmpty(Key) || !VarIsArray(Key)) return;
    for (Integer I = 0; I < ActiveCount(); ++I) {
        IDataGroupsColumnVz* C = DataGroupsColumnVz(G->ActiveGroupLevels(I)->Column());
        if (TField* F = C ? C->GroupingField() : nullptr) F->SetValue(Key.GetElement(I));
    }
}

void TGridGroupDataTreeVz::RecordInserted(Integer RecNum) {
    TGridDataGroupsVz* G = FGridDataGroups;
    IMemTableVz* MT = G->GridMemTable();
    ShiftViewNumbers(RecNum, 1);
    if (FRecordNodesValid && RecNum >= 0 && std::size_t(RecNum) <= FRecordNodes.size())
        FRecordNodes.insert(FRecordNodes.begin() + RecNum, nullptr);
    else
        FRecordNodesValid = false;

    TDataSet* DS = G->GridDataSet();
    const bool UserInsert = DS && DS->State() == dsInsert && MT && MT->GetInstantReadCurRow() == RecNum;
    // The key fields of the record being inserted are written before it is read as the instant
    // record, so that the write goes to the record itself.
    if (UserInsert) SetDataSetkeyValue();
    TGroupDataTreeNodeVz* Node;
    {
        if (MT) MT->InstantReadEnter(RecNum);
        TGroupFinallyVz Leave([MT] {
            if (MT) MT->InstantReadLeave();
        });
        Variant Key = G->GetKeyValueForViewRecNo(RecNum);
        if (UserInsert) {
            if (!VarIsEmpty(G->InsertingKeyValue())) Key = G->InsertingKeyValue();
            G->SetInsertingKeyValue(Unassigned());
        }
        Node = AddRecordNodeForKey(Key, RecNum);
        FillRecordNode(Node, RecNum, Key);
    }
    if (FRecordNodesValid) FRecordNodes[std::size_t(RecNum)] = Node;
    if (UserInsert) ExpandNodePathToView(Node);
    RecalculateFootersOnPaths({Node->Parent()});
    RebuildFlatVisibleList();
    G->UpdateGroupingRowCount();
}

void TGridGroupDataTreeVz::RecordChanged(Integer RecNum) {
    TGridDataGroupsVz* G = FGridDataGroups;
    TGroupDataTreeNodeVz* Node = GetNodeByRecordViewNo(RecNum);
    if (!Node) return;
    const Variant Key = G->GetKeyValueForViewRecNo(RecNum);
    if (CompareVarValuesVz(Key, Node->FullKey()) != vrEqual) {
        Node->SetFullKey(Key);
        UpdateRecordNodePosInTree(Node);
        TGroupDataTreeNodeVz* Moved = GetNodeByRecordViewNo(RecNum);
        RecalculateFootersOnPaths({FSurvivingParent, Moved ? Moved->Parent() : nullptr});
        RebuildFlatVisibleList();
        G->UpdateGroupingRowCount();
    } else {
        const Integer I = IndexOfVisibleNode(Node);
        if (I >= 0) G->UpdateDataRowHeight(I);
        RecalculateFootersOnPaths({Node->Parent()});
    }
}

void TGridGroupDataTreeVz::UpdateRecordNodePosInTree(TGroupDataTreeNodeVz* RecNode) {
    const Variant Key = RecNode->FullKey();
    const Integer V = RecNode->DataSetRecordViewNo();
    DeleteRecordNode(RecNode);
    IMemTableVz* MT = FGridDataGroups->GridMemTable();
    if (MT) MT->InstantReadEnter(V);
    TGroupFinallyVz Leave([MT] {
        if (MT) MT->InstantReadLeave();
    });
    TGroupDataTreeNodeVz* Node = AddRecordNodeForKey(Key, V);
    FillRecordNode(Node, V, Key);
    if (FRecordNodesValid && V >= 0 && std::size_t(V) < FRecordNodes.size()) FRecordNodes[std::size_t(V)] = Node;
}

void TGridGroupDataTreeVz::RecordDeleted(Integer RecNum) {
    TGridDataGroupsVz* G = FGridDataGroups;
    TGroupDataTreeNodeVz* Survivor = nullptr;
    if (TGroupDataTreeNodeVz* Node = GetNodeByRecordViewNo(RecNum)) {
        DeleteRecordNode(Node);
        Survivor = FSurvivingParent;
    }
    if (FRecordNodesValid && RecNum >= 0 && std::size_t(RecNum) < FRecordNodes.size())
        FRecordNodes.erase(FRecordNodes.begin() + RecNum);
    ShiftViewNumbers(RecNum + 1, -1);
    RecalculateFootersOnPaths({Survivor});
    RebuildFlatVisibleList();
    G->UpdateGroupingRowCount();
}

void TGridGroupDataTreeVz::ExpandNodePathToView(TGroupDataTreeNodeVz* Node) {
    if (!Node) return;
    BeginUpdate();
    TGroupFinallyVz End([this] { EndUpdate(); });
    for (TGroupDataTreeNodeVz* P = Node->Parent(); P && P != Root(); P = P->Parent()) P->SetExpanded(true);
}

void TGridGroupDataTreeVz::SetLevelExpanded(Integer Level, bool Expanded) {
    {
        BeginUpdate();
        TGroupFinallyVz End([this] { EndUpdate(); });
        for (TGroupDataTreeNodeVz* N = GetFirstNodeAtLevel(Level); N; N = GetNextNodeAtLevel(N, Level))
            if (N->NodeType() == dntDataGroupVz) N->SetExpanded(Expanded);
    }
    RebuildFlatVisibleList();
}

void TGridGroupDataTreeVz::ResortLevel(Integer LevelIndex, TSortOrderVz SortOrder) {
    const TCompareNodesVz Compare = [this, SortOrder](TBaseTreeNodeVz* A, TBaseTreeNodeVz* B, TObject*) {
        return CompareNodes(A, B, SortOrder);
    };
    if (LevelIndex == 0) {
        Root()->SortData(Compare, nullptr, false);
    } else {
        BeginUpdate();
        TGroupFinallyVz End([this] { EndUpdate(); });
        for (TGroupDataTreeNodeVz* N = GetFirstNodeAtLevel(LevelIndex); N; N = GetNextNodeAtLevel(N, LevelIndex))
            if (N->NodeType() == dntDataGroupVz) N->SortData(Compare, nullptr, false);
    }
    RebuildFlatVisibleList();
}

void TGridGroupDataTreeVz::RebuildFooters() {
    Root()->ResetFooters();
    for (TGroupDataTreeNodeVz* N = GetFirst(); N; N = GetNext(N))
        if (N->NodeType() == dntDataGroupVz) N->ResetFooters();
    if (FGridDataGroups->Active()) {
        RecalculateFootersValues();
        UpdateAllDataRowHeights();
        RebuildFlatVisibleList();
    }
}

void TGridGroupDataTreeVz::UpdateAllDataRowHeights() {
    // Every row is measured again when the grid next reads its height.
    for (TGroupDataTreeNodeVz* N = GetFirst(); N; N = GetNext(N)) N->RowDataChanged();
}

void TGridGroupDataTreeVz::AppendDataRec(TGroupDataTreeNodeVz* Group, IMemTableVz* AIntMemTable, TDataSet* ADataSet) {
    TGridDataGroupsVz* G = FGridDataGroups;
    if (!Group || !AIntMemTable || !ADataSet || Group->Count() == 0) return;
    TGroupDataTreeNodeVz* Last = Group->Items(Group->Count() - 1);
    if (Last->NodeType() != dntDataSetRecordVz) return;
    const Integer V = Last->DataSetRecordViewNo();
    Variant Key = G->GetKeyValueForViewRecNo(V);
    SetGroupTreeKeyTail(Key, INT_MAX);
    const bool SetGuard = !G->InternalUpdatingDatasetPos();
    if (SetGuard) G->SetInternalUpdatingDatasetPos(true);
    G->SetInsertingKeyValue(Key);
    // The key serves this insert only: whatever happens, a later insert does not find it.
    TGroupFinallyVz Done([G, SetGuard] {
        G->SetInsertingKeyValue(Unassigned());
        if (SetGuard) {
            G->CurrentGroupNodeToDataSetRow();
            G->SetInternalUpdatingDatasetPos(false);
        }
    });
    if (V == AIntMemTable->InstantReadRowCount() - 1) {
        ADataSet->Append();
    } else {
        TBookmark BM;
        {
            AIntMemTable->InstantReadEnter(V);
            TGroupFinallyVz Leave([AIntMemTable] { AIntMemTable->InstantReadLeave(); });
            BM = ADataSet->GetBookmark();
        }
        ADataSet->GotoBookmark(BM);
        ADataSet->Next();
        ADataSet->Insert();
    }
}
