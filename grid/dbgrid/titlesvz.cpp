#include "grid/dbgrid/titlesvz.h"

#include "grid/dbgrid/dbgridvz.h"

// ---- nodes -------------------------------------------------------------------------------------

TDBGridMultiTitleNodeVz* TDBGridMultiTitleNodeVz::FirstChild() const {
    return Count() > 0 ? Child(0) : nullptr;
}

TDBGridMultiTitleNodeVz* TDBGridMultiTitleNodeVz::NextSibling() const {
    TBaseTreeNodeVz* p = Parent();
    if (!p || p->Count() == 0) return nullptr;
    const int i = Index() + 1;
    return static_cast<TDBGridMultiTitleNodeVz*>(p->Item(i < p->Count() ? i : 0));
}

String ExtractMultiTitleWordVz(const String& Text, int N, int* Position) {
    int start = 0;
    for (int w = 1;; ++w) {
        const int bar = Text.indexOf(u'|', start);
        if (w == N) {
            if (Position) *Position = start + 1;
            return bar < 0 ? Text.mid(start) : Text.mid(start, bar - start);
        }
        if (bar < 0) break;
        start = bar + 1;
    }
    if (Position) *Position = 0;
    return String();
}

namespace {
bool HasSecondTitleWord(const String& Text) { return Text.indexOf(u'|') >= 0; }
}  // namespace

// ---- the tree ----------------------------------------------------------------------------------

void TDBGridMultiTitleTreeListVz::AfterConstruction() {
    TTreeListVz::AfterConstruction();
    Root()->NodeType = gmtnRootVz;
}

TDBGridMultiTitleNodeVz* TDBGridMultiTitleTreeListVz::CreateChild(const String& Text, int Height, int Width) {
    auto* n = static_cast<TDBGridMultiTitleNodeVz*>(CreateNode(Text, nullptr));
    n->Height = Height;
    n->Width = Width;
    return n;
}

TDBGridMultiTitleNodeVz* TDBGridMultiTitleTreeListVz::Add(TDBGridMultiTitleNodeVz* After, const String& Text,
                                                          int Width, int Height) {
    return AddChild(After, Text, naAddAfterVz, Width, Height);
}

TDBGridMultiTitleNodeVz* TDBGridMultiTitleTreeListVz::AddChild(TDBGridMultiTitleNodeVz* Node, const String& Text,
                                                               TNodeAttachModeVz Mode, int Width, int Height) {
    TDBGridMultiTitleNodeVz* n = CreateChild(Text, Height, Width);
    AttachNode(n, Node, Mode, true);
    return n;
}

TDBGridMultiTitleNodeVz* TDBGridMultiTitleTreeListVz::Union(TDBGridMultiTitleNodeVz* From,
                                                            TDBGridMultiTitleNodeVz* To, int Height,
                                                            const String& Text) {
    TBaseTreeNodeVz* parent = From->Parent();
    if (!parent || To->Parent() != parent || To->Index() < From->Index()) throw Exception(u"ATo not in level"_S);
    TDBGridMultiTitleNodeVz* n = Add(To, Text, 0, Height);
    n->VLineWidth = To->VLineWidth;
    const int first = From->Index(), last = To->Index();
    std::vector<TDBGridMultiTitleNodeVz*> run;
    for (int i = first; i <= last; ++i) run.push_back(static_cast<TDBGridMultiTitleNodeVz*>(parent->Item(i)));
    int width = 0;
    for (TDBGridMultiTitleNodeVz* c : run) {
        MoveTo(c, n, naAddChildVz, true);
        c->Height -= Height;
        width += c->Width + n->VLineWidth;
    }
    if (n->VLineWidth > 0) width -= n->VLineWidth;
    n->Width = width;
    return n;
}

void TDBGridMultiTitleTreeListVz::GroupLeaves(const std::vector<TDBGridMultiTitleNodeVz*>& Leaves) {
    bool changed = true;
    while (changed) {
        changed = false;
        for (std::size_t i = 0; i < Leaves.size(); ++i) {
            TDBGridMultiTitleNodeVz* leaf = Leaves[i];
            if (!HasSecondTitleWord(leaf->Text())) continue;
            const String w = ExtractMultiTitleWordVz(leaf->Text(), 1);
            int p = 0;
            ExtractMultiTitleWordVz(leaf->Text(), 2, &p);
            // The run stays among the leaf's siblings: two runs of the same word under different
            // super-titles are two super-titles, never one across them.
            std::size_t j = i;
            while (j + 1 < Leaves.size() && Leaves[j + 1]->Parent() == leaf->Parent() &&
                   HasSecondTitleWord(Leaves[j + 1]->Text()) && ExtractMultiTitleWordVz(Leaves[j + 1]->Text(), 1) == w)
                ++j;
            for (std::size_t k = i; k <= j; ++k) Leaves[k]->SetText(Leaves[k]->Text().mid(p - 1));
            {
                Union(leaf, Leaves[j], 20, w);
                changed = true;
                break;
            }
        }
    }
}

void TDBGridMultiTitleTreeListVz::CreateFieldTree(TCustomDBGridVz* Grid, std::vector<TDBGridMultiTitleNodeVz*>& Leaves) {
    Clear();
    Leaves.assign(static_cast<std::size_t>(Grid->Columns()->Count()), nullptr);
    const bool colLines = Grid->Options().Contains(dgColLines);
    const bool titleVLines = Grid->TitleParams()->VertLines();
    const int h = Grid->RowCount() > 0 && Grid->TitleRowCount() > 0 ? Grid->RowHeights(0) : Grid->TitleRowHeight();
    for (int i = 0; i < Grid->Columns()->Count(); ++i) {
        TColumnVz* c = Grid->Columns()->Items(i);
        const int w = c->Visible() ? c->FullWidth() : (colLines ? -1 : 0);
        TDBGridMultiTitleNodeVz* n = AddChild(Root(), c->Title()->Caption(), naAddChildVz, w, h);
        n->Column = c;
        n->NodeType = gmtnColumnTitleVz;
        n->Indent = c->Title()->SortMarker() != smNoneVz ? 16 : 0;
        if (titleVLines) {
            n->VLineWidth = 1;
            if (!colLines) n->Width -= 1;
        } else {
            n->VLineWidth = 0;
            if (colLines) n->Width += 1;
        }
        Leaves[static_cast<std::size_t>(i)] = n;
    }
    GroupLeaves(Leaves);
}

void TDBGridMultiTitleTreeListVz::ResetDrawnFlags() {
    for (TBaseTreeNodeVz* n = GetFirst(); n; n = GetNext(n)) static_cast<TDBGridMultiTitleNodeVz*>(n)->Drawn = false;
}
