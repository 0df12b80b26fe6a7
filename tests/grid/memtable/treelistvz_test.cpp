#include "grid/memtable/treelistvz.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// A node class that counts its living instances, so freeing a subtree can be checked.
class TCountingNodeVz : public TBaseTreeNodeVz {
    SDELKA_CLASS(TCountingNodeVz, TBaseTreeNodeVz)
public:
    static inline int Alive = 0;
    TCountingNodeVz() { ++Alive; }
    ~TCountingNodeVz() override { --Alive; }
};

struct LocationCall {
    TBaseTreeNodeVz* Node;
    bool Detached;
    Integer OldIndex;
    TBaseTreeNodeVz* OldParent;
    bool operator==(const LocationCall&) const = default;
};

// Records the location hook and sorts by text through its own compare operation.
class TRecordingTreeVz : public TTreeListVz {
    SDELKA_CLASS(TRecordingTreeVz, TTreeListVz)
protected:
    ~TRecordingTreeVz() override = default;

private:
public:
    using TTreeListVz::TTreeListVz;
    std::vector<LocationCall> Calls;
    void NodeLocationChanged(TBaseTreeNodeVz* Node, bool Detached, Integer OldIndex,
                             TBaseTreeNodeVz* OldParent) override {
        Calls.push_back({Node, Detached, OldIndex, OldParent});
    }
    Integer CompareTreeNodes(TBaseTreeNodeVz* Node1, TBaseTreeNodeVz* Node2, TObject* ParamSort) override {
        int c = QString::compare(Node1->Text(), Node2->Text());
        return ParamSort ? -c : c;  // any ParamSort sorts descending
    }
};

// The children of Node as "a(b,c),d".
String Dump(TBaseTreeNodeVz* Node) {
    String S;
    for (int i = 0; i < Node->Count(); ++i) {
        if (i) S += ",";
        TBaseTreeNodeVz* C = Node->Item(i);
        S += C->Text();
        if (C->Count()) S += "(" + Dump(C) + ")";
    }
    return S;
}

// The visible children of Node the same way.
String DumpVisible(TBaseTreeNodeVz* Node) {
    String S;
    for (int i = 0; i < Node->VisibleCount(); ++i) {
        if (i) S += ",";
        S += Node->VisibleItem(i)->Text();
    }
    return S;
}

std::vector<Integer> Indexes(TBaseTreeNodeVz* Node) {
    std::vector<Integer> R;
    for (int i = 0; i < Node->Count(); ++i) R.push_back(Node->Item(i)->Index());
    return R;
}

// Every linked node knows its parent, level, owner and (fresh) index.
void ExpectConsistent(TTreeListVz* Tree, TBaseTreeNodeVz* Node = nullptr) {
    if (!Node) Node = Tree->Root();
    for (int i = 0; i < Node->Count(); ++i) {
        TBaseTreeNodeVz* C = Node->Item(i);
        EXPECT_EQ(C->Parent(), Node) << C->Text().toStdString();
        EXPECT_EQ(C->Index(), i) << C->Text().toStdString();
        EXPECT_EQ(C->Level(), Node->Level() + 1) << C->Text().toStdString();
        EXPECT_EQ(C->Owner(), Tree);
        ExpectConsistent(Tree, C);
    }
    if (Node->Count() > 0 || Node != Tree->Root()) {
        EXPECT_EQ(Node->HasChildren(), Node->Count() > 0);
    }
}

struct TreeFixture : ::testing::Test {
    TRecordingTreeVz* Tree = New<TRecordingTreeVz>(TCountingNodeVz::StaticClass());
    ~TreeFixture() override {
        Tree->Free();
        EXPECT_EQ(TCountingNodeVz::Alive, 0) << "nodes left alive after the tree was freed";
    }
    TBaseTreeNodeVz* Add(const char* Text, TBaseTreeNodeVz* Parent = nullptr) {
        return Tree->AddChild(QString::fromLatin1(Text), Parent, nullptr);
    }
    TBaseTreeNodeVz* Find(const char* Text) {
        for (auto* N = Tree->GetFirst(); N; N = Tree->GetNext(N))
            if (N->Text() == QLatin1String(Text)) return N;
        return nullptr;
    }
    // a(a1(a11),a2),b(b1),c
    void BuildSample() {
        auto* a = Add("a");
        auto* a1 = Add("a1", a);
        Add("a11", a1);
        Add("a2", a);
        auto* b = Add("b");
        Add("b1", b);
        Add("c");
        Tree->Calls.clear();
    }
};

TEST_F(TreeFixture, BuildsAndCreatesNodesOfTheItemClass) {
    auto* a = Add("a");
    auto* b = Add("b");
    auto* c = Add("c");
    EXPECT_EQ(Indexes(Tree->Root()), (std::vector<Integer>{0, 1, 2}));
    for (auto* n : {a, b, c}) {
        EXPECT_EQ(n->Level(), 1);
        EXPECT_TRUE(n->InheritsFrom(TCountingNodeVz::StaticClass()));
        EXPECT_TRUE(n->Visible());
        EXPECT_FALSE(n->Expanded());
    }
    EXPECT_TRUE(Tree->Root()->InheritsFrom(TCountingNodeVz::StaticClass()));
    EXPECT_EQ(Tree->Root()->Level(), 0);
    EXPECT_EQ(Tree->Root()->Parent(), nullptr);
    EXPECT_TRUE(Tree->Root()->HasChildren());
    EXPECT_EQ(Tree->MaxLevel(), 1000);

    TObject data;
    auto* d = Tree->CreateNode("d", &data);
    EXPECT_EQ(d->Index(), -1);
    EXPECT_EQ(d->Parent(), nullptr);
    EXPECT_EQ(d->Owner(), Tree);
    EXPECT_EQ(d->Data(), &data);
    EXPECT_EQ(Tree->Root()->Count(), 3);
    Tree->AttachNode(d, b, naAddChildVz, true);
    EXPECT_EQ(Dump(Tree->Root()), "a,b(d),c");
    EXPECT_EQ(Tree->GetNode(nullptr, &data), d);
    EXPECT_EQ(Tree->GetNode(b, &data), d);
    EXPECT_EQ(Tree->GetNode(a, &data), nullptr);
    EXPECT_EQ(Tree->GetNode(d, &data), nullptr) << "the start node itself is not tested";
    ExpectConsistent(Tree);
}

TEST(TreeListVz, RefusesAClassThatIsNotANodeClass) {
    EXPECT_THROW(New<TTreeListVz>(TObject::StaticClass()), EInvalidCast);
}

// The attach modes relative to the middle child b of a,b,c (b has a child b1).
TEST_F(TreeFixture, AttachModes) {
    struct Case {
        TNodeAttachModeVz Mode;
        const char* Dest;
        bool ReIndex;
        const char* Expected;
        std::vector<Integer> IndexesAfter;  // of the root's children
        int HookCalls;
    };
    const Case Cases[] = {
        {naAddVz, "b", true, "a,b(b1),c,n", {0, 1, 2, 3}, 2},
        {naAddFirstVz, "b", true, "n,a,b(b1),c", {0, 1, 2, 3}, 2},
        {naAddFirstVz, "b", false, "n,a,b(b1),c", {0, 0, 1, 2}, 2},
        {naAddChildVz, "b", true, "a,b(b1,n),c", {0, 1, 2}, 1},
        {naAddChildFirstVz, "b", true, "a,b(n,b1),c", {0, 1, 2}, 1},
        {naInsertVz, "a", false, "n,a,b(b1),c", {0, 0, 1, 2}, 1},
        {naInsertVz, "a", true, "n,a,b(b1),c", {0, 1, 2, 3}, 1},
        {naInsertVz, "b", true, "a,n,b(b1),c", {0, 1, 2, 3}, 1},
        {naAddAfterVz, "b", true, "a,b(b1),n,c", {0, 1, 2, 3}, 2},
        {naAddAfterVz, "c", true, "a,b(b1),c,n", {0, 1, 2, 3}, 3},
        {naAddAfterVz, "b1", true, "a,b(b1,n),c", {0, 1, 2}, 3},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.Expected);
        Tree->Clear();
        Add("a");
        Add("b1", Add("b"));
        Add("c");
        Tree->Calls.clear();
        auto* n = Tree->CreateNode("n", nullptr);
        Tree->AttachNode(n, Find(K.Dest), K.Mode, K.ReIndex);
        EXPECT_EQ(Dump(Tree->Root()), K.Expected);
        EXPECT_EQ(Indexes(Tree->Root()), K.IndexesAfter);
        EXPECT_EQ(n->Level(), Find(K.Dest)->Level() + (K.Mode == naAddChildVz || K.Mode == naAddChildFirstVz));
        ASSERT_EQ(static_cast<int>(Tree->Calls.size()), K.HookCalls);
        for (const auto& C : Tree->Calls) EXPECT_EQ(C, (LocationCall{n, false, -1, nullptr}));
    }
}

TEST_F(TreeFixture, RootTakesOnlyChildModes) {
    Add("a");
    for (auto Mode : {naAddVz, naAddFirstVz, naInsertVz, naAddAfterVz}) {
        auto* n = Tree->CreateNode("n", nullptr);
        Tree->Calls.clear();
        Tree->AttachNode(n, nullptr, Mode, true);
        Tree->AttachNode(n, Tree->Root(), Mode, true);
        EXPECT_EQ(n->Parent(), nullptr);
        EXPECT_TRUE(Tree->Calls.empty());
        n->Free();
    }
    EXPECT_EQ(Dump(Tree->Root()), "a");
    Tree->AttachNode(Tree->Root(), Find("a"), naAddChildVz, true);  // the root is never attached
    EXPECT_EQ(Dump(Tree->Root()), "a");
    Tree->AttachNode(Tree->CreateNode("n", nullptr), nullptr, naAddChildFirstVz, true);
    EXPECT_EQ(Dump(Tree->Root()), "n,a");
    ExpectConsistent(Tree);
}

// Without renumbering, siblings keep stale indexes; a later insert or detach relative to such
// a sibling must still act on the node itself, not on whatever now sits at its old index.
TEST_F(TreeFixture, StaleIndexesDoNotMisplaceOrUnlinkSiblings) {
    auto* a = Add("a");
    auto* b = Add("b");
    Add("c");
    Tree->AttachNode(Tree->CreateNode("n", nullptr), a, naInsertVz, false);
    ASSERT_EQ(Indexes(Tree->Root()), (std::vector<Integer>{0, 0, 1, 2}));
    Tree->AttachNode(Tree->CreateNode("m", nullptr), b, naInsertVz, false);
    EXPECT_EQ(Dump(Tree->Root()), "n,a,m,b,c");
    EXPECT_EQ(Find("m")->Index(), 2);

    Tree->Calls.clear();
    Tree->DetachNode(b, false);  // b's Index says 1, it sits at 3
    EXPECT_EQ(Dump(Tree->Root()), "n,a,m,c");
    EXPECT_EQ(Tree->Calls, (std::vector<LocationCall>{{b, true, 3, Tree->Root()}}));
    EXPECT_EQ(b->Parent(), Tree->Root()) << "a detached node keeps its Parent field";
    Tree->DetachNode(b, true);  // not linked any more: nothing to do
    EXPECT_EQ(Dump(Tree->Root()), "n,a,m,c");
    Tree->DeleteNode(b, true);
    EXPECT_EQ(Dump(Tree->Root()), "n,a,m,c");
    Tree->UpdateNodeIndexes(nullptr, true, -1, -1);
    ExpectConsistent(Tree);
}

TEST_F(TreeFixture, DetachAndDeleteRenumberAndNotify) {
    BuildSample();
    auto* a = Find("a");
    auto* a1 = Find("a1");
    int Before = TCountingNodeVz::Alive;
    Tree->DeleteNode(a1, true);
    EXPECT_EQ(TCountingNodeVz::Alive, Before - 2) << "a1 and a11 freed";
    EXPECT_EQ(Dump(Tree->Root()), "a(a2),b(b1),c");
    EXPECT_EQ(Tree->Calls, (std::vector<LocationCall>{{a1, true, 0, a}}));
    ExpectConsistent(Tree);

    Tree->DeleteNode(Find("a2"), true);
    EXPECT_FALSE(a->HasChildren());
    Tree->DeleteNode(Find("b1"), false);
    EXPECT_FALSE(Find("b")->HasChildren());

    Tree->DeleteChildren(Tree->Root());
    EXPECT_EQ(Tree->Root()->Count(), 0);
    EXPECT_FALSE(Tree->Root()->HasChildren());
    EXPECT_EQ(TCountingNodeVz::Alive, 1) << "only the root is left";
}

TEST_F(TreeFixture, DeletingTheRootOnlyEmptiesIt) {
    BuildSample();
    TBaseTreeNodeVz* Root = Tree->Root();
    Tree->DeleteNode(Root, true);
    EXPECT_EQ(Tree->Root(), Root);
    EXPECT_EQ(Root->Count(), 0);
    Add("x");
    EXPECT_EQ(Dump(Tree->Root()), "x");
}

TEST_F(TreeFixture, FreeingTheTreeOrADetachedSubtreeFreesEveryNode) {
    BuildSample();
    auto* a = Find("a");
    Tree->DetachNode(a, true);
    int Before = TCountingNodeVz::Alive;
    a->Free();
    EXPECT_EQ(TCountingNodeVz::Alive, Before - 4);
    EXPECT_EQ(Dump(Tree->Root()), "b(b1),c");
    ExpectConsistent(Tree);
    // The fixture frees the tree with the rest and checks that no node is left.
}

TEST_F(TreeFixture, MoveTo) {
    BuildSample();
    auto* a = Find("a");
    auto* a1 = Find("a1");
    auto* c = Find("c");
    Tree->MoveTo(a1, c, naAddChildVz, true);
    EXPECT_EQ(Dump(Tree->Root()), "a(a2),b(b1),c(a1(a11))");
    EXPECT_EQ(Find("a11")->Level(), 3);
    ExpectConsistent(Tree);
    // The removal is silent; only the attach reaches the hook.
    EXPECT_EQ(Tree->Calls, (std::vector<LocationCall>{{a1, false, -1, nullptr}}));

    Tree->MoveTo(a1, a, naInsertVz, true);  // up to the top level, before a
    EXPECT_EQ(Dump(Tree->Root()), "a1(a11),a(a2),b(b1),c");
    EXPECT_EQ(a1->Level(), 1);
    EXPECT_EQ(Find("a11")->Level(), 2);
    EXPECT_FALSE(c->HasChildren());
    ExpectConsistent(Tree);

    Tree->MoveTo(a1, c, naAddAfterVz, true);  // within one parent, to the end
    EXPECT_EQ(Dump(Tree->Root()), "a(a2),b(b1),c,a1(a11)");
    ExpectConsistent(Tree);
    Tree->MoveTo(a1, Tree->Root(), naAddChildFirstVz, true);
    EXPECT_EQ(Dump(Tree->Root()), "a1(a11),a(a2),b(b1),c");
    ExpectConsistent(Tree);

    Tree->MoveTo(a1, Tree->Root(), naAddVz, true);  // not a child mode on the root
    Tree->MoveTo(a1, nullptr, naAddChildVz, true);  // no destination
    Tree->MoveTo(Tree->Root(), c, naAddChildVz, true);
    EXPECT_EQ(Dump(Tree->Root()), "a1(a11),a(a2),b(b1),c");
}

TEST_F(TreeFixture, MovingUnderItselfIsAReferenceLoop) {
    BuildSample();
    auto* a = Find("a");
    for (const char* Dest : {"a", "a1", "a11"}) {
        for (auto Mode : {naAddChildVz, naInsertVz}) {
            SCOPED_TRACE(Dest);
            try {
                Tree->MoveTo(a, Find(Dest), Mode, true);
                ADD_FAILURE() << "no exception";
            } catch (const Exception& E) {
                EXPECT_EQ(E.Message(), "Reference-loop found");
            }
            EXPECT_EQ(Dump(Tree->Root()), "a(a1(a11),a2),b(b1),c");
        }
    }
    ExpectConsistent(Tree);
}

TEST_F(TreeFixture, NodesOfAnotherTreeAreRefused) {
    BuildSample();
    auto* Other = New<TTreeListVz>(TBaseTreeNodeVz::StaticClass());
    auto* x = Other->AddChild("x", nullptr, nullptr);
    const QString Msg = "TBaseTreeNodeVz.Add: Tree nodes can not has different Owners";
    auto* stranger = Other->CreateNode("s", nullptr);
    for (auto Mode : {naAddChildVz, naAddChildFirstVz, naInsertVz}) {
        try {
            Tree->AttachNode(stranger, Find("b"), Mode, true);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& E) {
            EXPECT_EQ(E.Message(), Msg);
        }
    }
    EXPECT_EQ(stranger->Parent(), nullptr);
    stranger->Free();
    try {
        Tree->MoveTo(x, Find("b"), naAddChildVz, true);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), Msg);
    }
    EXPECT_EQ(x->Parent(), Other->Root()) << "a refused move leaves the node where it was";
    EXPECT_EQ(Other->Root()->Count(), 1);
    EXPECT_EQ(Dump(Tree->Root()), "a(a1(a11),a2),b(b1),c");
    Other->Free();
}

TEST_F(TreeFixture, MaxLevelIsEnforcedBeforeAnythingChanges) {
    TBaseTreeNodeVz* Deepest = nullptr;
    for (int i = 0; i < 1000; ++i) Deepest = Tree->AddChild("n", Deepest, nullptr);
    EXPECT_EQ(Deepest->Level(), 1000);
    const QString Msg = "TBaseTreeNodeVz.SetLevel: Max level exceed - 1000";
    try {
        Tree->AddChild("too deep", Deepest, nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), Msg);
    }
    EXPECT_EQ(Deepest->Count(), 0);
    EXPECT_FALSE(Deepest->HasChildren());

    // A two-level subtree moved to where its leaf would be at 1001: refused, nothing renumbered.
    auto* top = Add("top");
    auto* leaf = Add("leaf", top);
    TBaseTreeNodeVz* Target = Deepest->Parent();  // level 999
    try {
        Tree->MoveTo(top, Target, naAddChildVz, true);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), Msg);
    }
    EXPECT_EQ(top->Parent(), Tree->Root());
    EXPECT_EQ(top->Level(), 1);
    EXPECT_EQ(leaf->Level(), 2);
    EXPECT_EQ(Target->Count(), 1);
    Tree->MoveTo(top, Target->Parent(), naAddChildVz, true);  // leaf lands exactly at 1000
    EXPECT_EQ(leaf->Level(), 1000);

    Tree->SetMaxLevel(3);
    try {
        top->SetLevel(3);  // its leaf would be at 4
        ADD_FAILURE() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "TBaseTreeNodeVz.SetLevel: Max level exceed - 3");
    }
    EXPECT_EQ(top->Level(), 999);
}

TEST_F(TreeFixture, VisibleChildren) {
    auto* a = Add("a");
    auto* b = Add("b");
    auto* c = Add("c");
    TBaseTreeNodeVz* Root = Tree->Root();
    EXPECT_EQ(Root->VisibleItems(), Root->Items());
    EXPECT_TRUE(Root->HasVisibleChildren());

    b->SetVisible(false);
    EXPECT_TRUE(Root->VisibleItemsObsolete());
    EXPECT_EQ(Root->VisibleCount(), 2);
    EXPECT_EQ(Root->VisibleItem(1), c);
    EXPECT_EQ(c->VisibleIndex(), 1);
    EXPECT_NE(Root->VisibleItems(), Root->Items());
    EXPECT_EQ(Tree->GetNextVisibleSibling(a), c);
    EXPECT_EQ(Tree->GetPriorVisibleSibling(c), a);
    EXPECT_EQ(Tree->GetNextVisibleSibling(c), nullptr);
    EXPECT_EQ(Tree->GetPriorVisibleSibling(a), nullptr);
    EXPECT_EQ(Tree->GetNextVisibleSibling(b), c);
    EXPECT_EQ(Tree->GetPriorVisibleSibling(b), a);

    // Inserting a visible child while one is hidden, adding, sorting: the view follows.
    Tree->AttachNode(Tree->CreateNode("d", nullptr), a, naAddFirstVz, true);
    Add("e");
    EXPECT_EQ(DumpVisible(Root), "d,a,c,e");
    Tree->SortData(TCompareNodesVz(Tree, &TTreeListVz::CompareTreeNodes), Tree, false);
    EXPECT_EQ(Dump(Root), "e,d,c,b,a");
    EXPECT_EQ(DumpVisible(Root), "e,d,c,a");

    b->SetVisible(true);
    EXPECT_EQ(Root->VisibleCount(), 5);
    EXPECT_EQ(Root->VisibleItems(), Root->Items());
    EXPECT_EQ(Tree->GetNextVisibleSibling(c), b);

    // Inserting into an all-visible list keeps using Items.
    Tree->AttachNode(Tree->CreateNode("f", nullptr), c, naInsertVz, true);
    EXPECT_EQ(DumpVisible(Root), "e,d,f,c,b,a");

    Root->SetVisible(false);
    EXPECT_TRUE(Root->Visible()) << "the root's Visible never changes";

    // A node hidden before it is attached stays out of the visible view.
    auto* g = Tree->CreateNode("g", nullptr);
    g->SetVisible(false);
    Tree->AttachNode(g, nullptr, naAddChildVz, true);
    EXPECT_EQ(DumpVisible(Root), "e,d,f,c,b,a");
    EXPECT_EQ(Tree->GetNextVisibleSibling(a), nullptr);

    for (int i = 0; i < Root->Count(); ++i) Root->Item(i)->SetVisible(false);
    EXPECT_FALSE(Root->HasVisibleChildren());
    EXPECT_EQ(Tree->GetFirstVisible(), nullptr);
    b->SetVisible(true);
    EXPECT_EQ(Tree->GetFirstVisible(), b);
}

TEST_F(TreeFixture, ClearingChildrenResetsTheVisibleView) {
    Add("a");
    Add("b");
    ASSERT_EQ(Tree->Root()->VisibleCount(), 2);
    Tree->Clear();
    EXPECT_EQ(Tree->Root()->VisibleCount(), 0);
    EXPECT_FALSE(Tree->Root()->HasVisibleChildren());
    EXPECT_FALSE(Tree->Root()->HasChildren());
    EXPECT_EQ(Tree->GetFirstVisible(), nullptr);
    Add("c");
    EXPECT_EQ(DumpVisible(Tree->Root()), "c");
}

TEST_F(TreeFixture, DepthFirstWalk) {
    BuildSample();
    std::vector<String> Forward, Backward;
    for (auto* N = Tree->GetFirst(); N; N = Tree->GetNext(N)) Forward.push_back(N->Text());
    EXPECT_EQ(Forward, (std::vector<String>{"a", "a1", "a11", "a2", "b", "b1", "c"}));
    EXPECT_EQ(Tree->GetLast(nullptr)->Text(), "c");
    for (auto* N = Tree->GetLast(nullptr); N; N = Tree->GetPrevious(N)) Backward.push_back(N->Text());
    EXPECT_EQ(Backward, (std::vector<String>{"c", "b1", "b", "a2", "a11", "a1", "a"}));

    EXPECT_EQ(Tree->GetLast(Find("a"))->Text(), "a2");
    EXPECT_EQ(Tree->GetLast(Find("c")), nullptr);
    EXPECT_EQ(Tree->GetPrevious(Find("b")), Find("a2")) << "a childless previous sibling is itself the answer";
    EXPECT_EQ(Tree->GetNext(Tree->Root()), Tree->Root());
    EXPECT_EQ(Tree->GetNext(nullptr), nullptr);
    EXPECT_EQ(Tree->GetPrevious(Tree->Root()), Tree->Root());
    EXPECT_EQ(Tree->GetPrevSibling(Find("a")), nullptr);
    EXPECT_EQ(Tree->GetNextSibling(Find("c")), nullptr);
    EXPECT_EQ(Tree->GetFirstChild(Find("c")), nullptr);
    EXPECT_EQ(Tree->GetLastChild(Find("a"))->Text(), "a2");
    EXPECT_TRUE(Tree->HasChildNodes(nullptr));
    EXPECT_FALSE(Tree->HasChildNodes(Find("c")));
}

TEST_F(TreeFixture, NextVisible) {
    BuildSample();  // a(a1(a11),a2),b(b1),c
    auto Walk = [this](bool ConsiderCollapsed) {
        String S;
        for (auto* N = Tree->GetFirstVisible(); N; N = Tree->GetNextVisible(N, ConsiderCollapsed))
            S += (S.isEmpty() ? "" : ",") + N->Text();
        return S;
    };
    EXPECT_EQ(Walk(false), "a,a1,a11,a2,b,b1,c");
    EXPECT_EQ(Walk(true), "a,b,c") << "every node is collapsed";
    Tree->Expand(Find("a"), false);
    EXPECT_EQ(Walk(true), "a,a1,a2,b,c");

    Find("a1")->SetVisible(false);
    Find("b")->SetVisible(false);
    EXPECT_EQ(Walk(false), "a,a2,c") << "hidden nodes and their subtrees are skipped";
    Find("a")->Item(0)->SetVisible(true);
    Find("a2")->SetVisible(false);
    EXPECT_EQ(Walk(true), "a,a1,c");

    // From nodes out of reach the search goes on after the node that hides them.
    EXPECT_EQ(Tree->GetNextVisible(Find("a11"), true), Find("c")) << "under collapsed a1";
    EXPECT_EQ(Tree->GetNextVisible(Find("b1"), false), Find("c")) << "under hidden b";
    EXPECT_EQ(Tree->GetNextVisible(Find("a2"), true), Find("c")) << "itself hidden";
    Tree->Collapse(nullptr, true);
    EXPECT_EQ(Tree->GetNextVisible(Find("a11"), true), Find("c"));
    EXPECT_EQ(Tree->GetNextVisible(Find("c"), true), nullptr);
    EXPECT_EQ(Tree->GetNextVisible(Tree->Root(), false), nullptr);
    EXPECT_FALSE(Tree->NodeParentsVisible(Tree->Root(), false));
    EXPECT_FALSE(Tree->NodeParentsVisible(Find("b1"), false));
    EXPECT_TRUE(Tree->NodeParentsVisible(Find("a1"), false));
    EXPECT_FALSE(Tree->NodeParentsVisible(Find("a1"), true));
}

TEST_F(TreeFixture, ExpandCollapseAndTheVeto) {
    BuildSample();
    std::vector<String> Changed;
    Tree->OnExpandedChanged = [&](TBaseTreeNodeVz* N) { Changed.push_back(N->Text()); };
    Tree->Expand(nullptr, true);
    EXPECT_EQ(Changed, (std::vector<String>{"a", "a1", "b"}));
    EXPECT_FALSE(Tree->Root()->Expanded());
    EXPECT_FALSE(Find("c")->Expanded()) << "childless nodes stay as they are";

    Tree->Root()->SetExpanded(true);
    Changed.clear();
    Tree->Collapse(nullptr, false);
    EXPECT_FALSE(Tree->Root()->Expanded());
    EXPECT_TRUE(Find("a")->Expanded());
    EXPECT_EQ(Changed, (std::vector<String>{""}));

    Changed.clear();
    Tree->OnExpandedChanging = [](TBaseTreeNodeVz* N) { return N->Text() != "a1"; };
    Tree->Collapse(nullptr, true);
    EXPECT_TRUE(Find("a1")->Expanded()) << "vetoed";
    EXPECT_FALSE(Find("a")->Expanded());
    EXPECT_EQ(Changed, (std::vector<String>{"a", "b"}));
    Find("c")->SetExpanded(true);  // a childless node may still be expanded directly
    EXPECT_TRUE(Find("c")->Expanded());
}

TEST_F(TreeFixture, SortsRecursivelyThroughACompareMethod) {
    for (const char* t : {"d", "b", "e", "a", "c"}) {
        auto* n = Add(t);
        for (const char* u : {"z", "x", "y"}) Add(u, n);
    }
    Tree->SortData(TCompareNodesVz(Tree, &TTreeListVz::CompareTreeNodes), nullptr, false);
    EXPECT_EQ(Dump(Tree->Root()), "a(z,x,y),b(z,x,y),c(z,x,y),d(z,x,y),e(z,x,y)");
    ExpectConsistent(Tree);
    Tree->SortData(TCompareNodesVz(Tree, &TTreeListVz::CompareTreeNodes), nullptr, true);
    EXPECT_EQ(Dump(Tree->Root()), "a(x,y,z),b(x,y,z),c(x,y,z),d(x,y,z),e(x,y,z)");
    ExpectConsistent(Tree);

    // The base tree compares every pair as equal: no crash, every node kept.
    auto* Plain = New<TTreeListVz>(TBaseTreeNodeVz::StaticClass());
    for (int i = 0; i < 9; ++i) Plain->AddChild(QString::number(i), nullptr, nullptr);
    Plain->SortData(TCompareNodesVz(Plain, &TTreeListVz::CompareTreeNodes), nullptr, true);
    EXPECT_EQ(Plain->Root()->Count(), 9);
    ExpectConsistent(Plain);
    Plain->Free();
}

}  // namespace
