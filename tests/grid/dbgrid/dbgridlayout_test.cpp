// Column titles on several levels and the saved column layout: the title tree built from captions,
// the layout written to an INI file (or a settings keeper) and restored into another grid.
#include "dbgridfixture.h"

#include "grid/core/settingskeepervz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/registry.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

// ---- the title tree ----------------------------------------------------------------------------

struct TitleTree {
    TOwned<TDBGridMultiTitleTreeListVz> Tree = NewOwned<TDBGridMultiTitleTreeListVz>();
    std::vector<TDBGridMultiTitleNodeVz*> Leaves;
    explicit TitleTree(std::initializer_list<const char16_t*> Captions) {
        for (const char16_t* c : Captions)
            Leaves.push_back(Tree->AddChild(Tree->Root(), String::fromUtf16(c), naAddChildVz, 50, 60));
        Tree->GroupLeaves(Leaves);
    }
    // The tree as text: "A(x,y)" for a node A over leaves x and y.
    static String Dump(TDBGridMultiTitleNodeVz* N) {
        String s = N->Text();
        if (N->Count() == 0) return s;
        s += u"("_S;
        for (int i = 0; i < N->Count(); ++i) s += (i ? u","_S : String()) + Dump(N->Child(i));
        return s + u")"_S;
    }
    String Dump() const {
        String s;
        for (int i = 0; i < Tree->Root()->Count(); ++i) s += (i ? u" "_S : String()) + Dump(Tree->Root()->Child(i));
        return s;
    }
};

TEST(MultiTitleTree, CaptionsGroupByTheirWords) {
    struct Case {
        std::initializer_list<const char16_t*> Captions;
        const char16_t* Tree;
    };
    const Case cases[] = {
        {{u"Year|Q1", u"Year|Q2"}, u"Year(Q1,Q2)"},
        {{u"Year|Q1", u"Other", u"Year|Q2"}, u"Year(Q1) Other Year(Q2)"},
        {{u"Plain"}, u"Plain"},
        {{u"A|B|x", u"A|B|y", u"A|D|z"}, u"A(B(x,y),D(z))"},
        // The same inner word under two super-titles stays two: no run crosses a parent.
        {{u"A|Q|x", u"A|Q|y", u"B|Q|z"}, u"A(Q(x,y)) B(Q(z))"},
    };
    for (const Case& c : cases) {
        TitleTree t(c.Captions);
        EXPECT_EQ(t.Dump(), String::fromUtf16(c.Tree));
    }
}

TEST(MultiTitleTree, UnionSumsWidthsAndShortensTheChildren) {
    TitleTree t({u"A|x", u"A|y", u"A|z"});
    TDBGridMultiTitleNodeVz* a = t.Tree->Root()->Child(0);
    EXPECT_EQ(a->Height, 20);
    EXPECT_EQ(a->Width, 150);  // no vertical lines between them
    for (TDBGridMultiTitleNodeVz* leaf : t.Leaves) {
        EXPECT_EQ(leaf->Height, 40);
        EXPECT_EQ(leaf->ParentNode(), a);
    }
    EXPECT_EQ(a->Child(2)->NextSibling(), a->Child(0));  // the sibling after the last is the first
    // Union of nodes that are not siblings is refused.
    TitleTree u({u"A|x", u"B|y"});
    EXPECT_THROW(u.Tree->Union(u.Leaves[0], u.Leaves[1], 20, u"C"_S), Exception);
}

TEST_F(DBGridFixture, MultiTitlesMakeTheTitleRowTaller) {
    Customise(G);
    const int single = G->TitleRowHeight();
    for (int i = 0; i < 10; ++i) G->Columns()->Items(i)->Title()->SetCaption((i < 5 ? u"Left|C"_S : u"Right|C"_S) + IntToStr(i));
    G->SetUseMultiTitle(true);
    ASSERT_EQ(G->LeafFieldArr().size(), 10u);
    EXPECT_EQ(G->LeafFieldArr()[7]->Text(), u"C7"_S);
    EXPECT_EQ(G->LeafFieldArr()[7]->ParentNode()->Text(), u"Right"_S);
    EXPECT_GT(G->TitleRowHeight(), single);
    EXPECT_EQ(G->RowHeights(0), G->TitleRowHeight());
}

// ---- layout persistence ------------------------------------------------------------------------

class GridLayout : public DBGridFixture {
protected:
    void SetUp() override {
        DBGridFixture::SetUp();
        Customise(G);
        Form2 = New<TForm>(nullptr);
        Form2->SetBounds(0, 0, 640, 260);
        G2 = New<TDBGridVz>(Form2);
        G2->SetName(u"Grid1"_S);
        G2->SetBounds(0, 0, 640, 260);
        G2->SetParent(Form2);
        G2->SetDataSource(Src);
        Customise(G2);
        Ini = Dir.filePath(u"layout.ini"_S);
    }
    void TearDown() override {
        FreeAndNil(Form2);
        DBGridFixture::TearDown();
    }
    struct ColState {
        String Field;
        int Width;
        bool Visible;
        TSortMarkerVz Marker;
        int SortIndex;
        bool operator==(const ColState&) const = default;
    };
    static std::vector<ColState> State(TDBGridVz* Grid) {
        std::vector<ColState> r;
        for (int i = 0; i < Grid->Columns()->Count(); ++i) {
            TColumnVz* c = Grid->Columns()->Items(i);
            r.push_back({c->FieldName(), c->Width(), c->Visible(), c->Title()->SortMarker(), c->Title()->SortIndex()});
        }
        return r;
    }
    // Two title levels, a frozen column, widths, a new order, a hidden column and two sort markers.
    void Arrange(TDBGridVz* Grid) {
        for (int i = 0; i < 10; ++i) {
            TColumnVz* c = Grid->Columns()->Items(i);
            c->Title()->SetCaption((i < 5 ? u"Норма|C"_S : u"Факт|C"_S) + IntToStr(i));
            c->SetWidth(30 + 7 * i);
        }
        Grid->SetUseMultiTitle(true);
        Grid->SetFrozenCols(1);
        Grid->SetOptionsVz(Grid->OptionsVz() + dghMultiSortMarking);
        Grid->Columns()->Items(3)->SetIndex(7);
        Grid->Columns()->Items(5)->SetVisible(false);
        Grid->Columns()->Items(8)->Title()->SetSortMarker(smUpVz);
        Grid->Columns()->Items(1)->Title()->SetSortMarker(smDownVz);
    }
    QTemporaryDir Dir;
    String Ini;
    TForm* Form2 = nullptr;
    TDBGridVz* G2 = nullptr;
};

const TDBGridVzRestoreParams AllGrid{grpColIndexVz,    grpColWidthsVz,     grpSortMarkerVz,   grpColVisibleVz,
                                     grpRowHeightVz,   grpDropDownRowsVz,  grpDropDownWidthVz, grpRowPanelColPlacementVz};

TEST_F(GridLayout, SavedLayoutComesBackIdenticallyInANewGrid) {
    Arrange(G);
    G->SetRowHeight(22);
    G->Columns()->Items(2)->SetDropDownRows(12);
    G->SaveGridLayoutIni(Ini, u"Layout"_S, true);
    // The record of a column: index, width, marker, visible, sort index, drop-down rows and width,
    // row-panel line position and height.
    TMemIniFile check(Ini);
    const TColumnVz* c8 = G->FindColumn(u"C8"_S);
    EXPECT_EQ(check.ReadString(u"Layout"_S, u"Grid1.C8"_S, String()),
              Format(u"%d,86,2,1,1,7,0,0,1"_S, {c8->Index()}));
    EXPECT_EQ(check.ReadString(u"Layout"_S, u"(Default)"_S, String()), u"22,0"_S);

    G2->SetOptionsVz(G2->OptionsVz() + dghMultiSortMarking);
    G2->RestoreGridLayoutIni(Ini, u"Layout"_S, AllGrid);
    EXPECT_EQ(State(G2), State(G));
    EXPECT_EQ(G2->RowHeight(), 22);
    EXPECT_EQ(G2->FindColumn(u"C2"_S)->DropDownRows(), 12u);
    ASSERT_EQ(G2->SortMarkedColumns().Count(), 2);
    EXPECT_EQ(G2->SortMarkedColumns().Items(0)->FieldName(), u"C8"_S);
    // The grid columns follow: same widths on screen, hidden column of width 0.
    for (int i = 1; i < G->ColCount(); ++i) EXPECT_EQ(G2->ColWidths(i), G->ColWidths(i)) << i;

    // Shown side by side, the two grids paint alike.
    G2->SetFrozenCols(1);
    G2->SetUseMultiTitle(true);
    for (int i = 0; i < 10; ++i) G2->Columns()->Items(i)->Title()->SetCaption(G->Columns()->Items(i)->Title()->Caption());
    Show();
    Form2->SetBorderStyle(bsNone);
    Form2->Show();
    Application->ProcessMessages();
    const QImage a = Grab(G), b = Grab(G2);
    Save(a, "layout-saved.png");
    Save(b, "layout-restored.png");
    // The titles and the rows below the current one match pixel for pixel (the current cell's
    // colour depends on which window has the focus).
    const int titleBottom = G->RowHeights(0);
    EXPECT_EQ(a.copy(0, 0, a.width(), titleBottom), b.copy(0, 0, b.width(), titleBottom));
    const TRect row2 = G->CellRect(0, 2);
    EXPECT_EQ(a.copy(0, row2.Top, a.width(), a.height() - row2.Top), b.copy(0, row2.Top, b.width(), b.height() - row2.Top));
}

TEST_F(GridLayout, RestoreTakesOnlyWhatItIsAskedFor) {
    Arrange(G);
    G->SaveColumnsLayoutIni(Ini, u"L"_S, true);
    const auto before = State(G2);
    // Without the index the order stays, although each record carries one.
    G2->RestoreColumnsLayoutIni(Ini, u"L"_S, TColumnVzRestoreParams{crpColWidthsVz});
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(G2->Columns()->Items(i)->FieldName(), before[static_cast<std::size_t>(i)].Field);
        EXPECT_EQ(G2->Columns()->Items(i)->Width(), G->FindColumn(before[static_cast<std::size_t>(i)].Field)->Width());
        EXPECT_TRUE(G2->Columns()->Items(i)->Visible());
        EXPECT_EQ(G2->Columns()->Items(i)->Title()->SortMarker(), smNoneVz);
    }
}

TEST_F(GridLayout, ShortRecordsUnknownKeysAndDuplicateFields) {
    {
        TMemIniFile ini(Ini);
        ini.WriteString(u"L"_S, u"Grid1.C4"_S, u"0, 99"_S);     // index and width only
        ini.WriteString(u"L"_S, u"Grid1.C0"_S, u"4"_S);
        ini.WriteString(u"L"_S, u"Grid1.C6"_S, u"x,55,0,0"_S);  // a word that is no number is skipped
        ini.WriteString(u"L"_S, u"Grid1.Gone"_S, u"1,10,1,0"_S);  // a field the grid has not
        ini.UpdateFile();
    }
    G2->Columns()->Items(6)->SetDropDownWidth(33);
    G2->RestoreColumnsLayoutIni(Ini, u"L"_S,
                                TColumnVzRestoreParams{crpColIndexVz, crpColWidthsVz, crpColVisibleVz, crpDropDownWidthVz});
    EXPECT_EQ(G2->Columns()->Items(0)->FieldName(), u"C4"_S);
    EXPECT_EQ(G2->FindColumn(u"C4"_S)->Width(), 99);
    EXPECT_TRUE(G2->FindColumn(u"C4"_S)->Visible());
    EXPECT_EQ(G2->FindColumn(u"C6"_S)->Width(), 55);
    EXPECT_FALSE(G2->FindColumn(u"C6"_S)->Visible());
    EXPECT_EQ(G2->FindColumn(u"C6"_S)->DropDownWidth(), 33);

    // A second column on a field and a column without a field write no record of their own.
    G->Columns()->Add()->SetFieldName(u"C2"_S);
    G->Columns()->Add();
    G->Columns()->Items(2)->SetWidth(71);
    G->Columns()->Items(10)->SetWidth(12);
    G->SaveColumnsLayoutIni(Ini, u"D"_S, true);
    TMemIniFile check(Ini);
    auto keys = NewOwned<TStringList>();
    check.ReadSection(u"D"_S, keys.get());
    EXPECT_EQ(keys->Count(), 10);
    EXPECT_EQ(check.ReadString(u"D"_S, u"Grid1.C2"_S, String()).split(u',')[1], u"71"_S);
}

TEST_F(GridLayout, FailedRestoreGivesBackAutoFitAndTheBracket) {
    class TFailingIni : public TMemIniFile {
    public:
        using TMemIniFile::TMemIniFile;
        String ReadString(const String&, const String&, const String&) override { throw Exception(u"unreadable"_S); }
    };
    G2->SetAutoFitColWidths(true);
    TFailingIni ini(Ini);
    EXPECT_THROW(G2->RestoreGridLayout(&ini, u"L"_S, AllGrid), Exception);
    EXPECT_TRUE(G2->AutoFitColWidths());
    EXPECT_EQ(G2->UpdateLock(), 0);
    EXPECT_EQ(G2->LayoutLock(), 0);
}

TEST_F(GridLayout, RestoredLayoutKeepsFrozenColumnsInsideTheGrid) {
    auto* g = New<TDBGridVz>(Form2);
    g->SetName(u"Grid3"_S);
    g->SetFrozenCols(8);  // no data yet: stored as given
    g->Columns()->Add()->SetFieldName(u"C0"_S);
    g->Columns()->Add()->SetFieldName(u"C1"_S);
    g->Columns()->Add()->SetFieldName(u"C2"_S);
    g->RestoreColumnsLayoutIni(Ini, u"Nothing"_S, TColumnVzRestoreParams{crpColWidthsVz});
    EXPECT_EQ(g->FrozenCols(), 2);
}

TEST_F(GridLayout, SettingsKeeperRoundTrip) {
    Arrange(G);
    auto keeper = NewOwned<TSettingsKeeperVz>();
    const TColumnVzSettingsKeeperOptions all{cskoColIndexVz,     cskoColWidthsVz,     cskoSortMarkerVz,
                                             cskoColVisibleVz,   cskoDropDownRowsVz,  cskoDropDownWidthVz,
                                             cskoRowPanelColPlacementVz};
    G->SetRowLines(2);
    G->WriteSettings(keeper.get(), TDBGridVzSettingsKeeperOptions{gskoRowHeightVz}, all);
    TSettingsKeeperVz* cols = nullptr;
    ASSERT_TRUE(keeper->TryGetSubsettingsValue(u"Columns"_S, cols));
    TSettingsKeeperVz* c8 = nullptr;
    ASSERT_TRUE(cols->TryGetSubsettingsValue(u"C8"_S, c8));
    String s;
    ASSERT_TRUE(c8->TryGetStringValue(u"TitleSortMarker"_S, s));
    EXPECT_EQ(s, u"smUpVz"_S);
    // A field the grid no longer has is skipped.
    auto gone = New<TSettingsKeeperVz>();
    gone->Add(u"ColIndex"_S, 0);
    cols->Add(u"Gone"_S, gone);
    G2->SetOptionsVz(G2->OptionsVz() + dghMultiSortMarking);
    G2->ReadSettings(keeper.get(), TDBGridVzSettingsKeeperOptions{gskoRowHeightVz}, all);
    EXPECT_EQ(State(G2), State(G));
    EXPECT_EQ(G2->RowLines(), 2);
}

TEST_F(GridLayout, RegistryFormUsesTheComponentPathAndErasesFirst) {
    TRegistry::SetStorageFileName(Dir.filePath(u"reg/registry.ini"_S));
    struct Reset {
        ~Reset() { TRegistry::SetStorageFileName(String()); }
    } reset;
    // A grid on a frame on a form: the form's class, the frame's name, the grid's name.
    auto* frame = New<TComponent>(Form2);
    frame->SetName(u"Frame1"_S);
    auto* g = New<TDBGridVz>(frame);
    g->SetName(u"G"_S);
    EXPECT_EQ(g->DefaultLayoutSection(), u"TFormFrame1.G"_S);
    EXPECT_EQ(G2->DefaultLayoutSection(), u"TFormGrid1"_S);

    Arrange(G);
    G->SetRowHeight(21);
    TRegIniFile reg(u"Software\\Sdelka\\Layouts"_S);
    reg.WriteString(u"TFormGrid1"_S, u"Grid1.Stale"_S, u"1,2"_S);
    G->SaveGridLayout(&reg);
    EXPECT_FALSE(reg.ValueExists(u"TFormGrid1"_S, u"Grid1.Stale"_S));
    EXPECT_EQ(reg.ReadString(u"TFormGrid1"_S, String(), String()), u"21,0"_S);
    G2->SetOptionsVz(G2->OptionsVz() + dghMultiSortMarking);
    G2->RestoreGridLayout(&reg, AllGrid);
    EXPECT_EQ(State(G2), State(G));
    EXPECT_EQ(G2->RowHeight(), 21);
}

TEST_F(GridLayout, ColumnFiltersComeBackAndApplyOnce) {
    G->FindColumn(u"C2"_S)->GetSTFilter()->SetExpressionStr(u"=5"_S);
    auto keeper = NewOwned<TSettingsKeeperVz>();
    const TColumnVzSettingsKeeperOptions filters{cskoColSTFilterVz};
    G->WriteSettings(keeper.get(), TDBGridVzSettingsKeeperOptions{}, filters);
    TSettingsKeeperVz* cols = nullptr;
    ASSERT_TRUE(keeper->TryGetSubsettingsValue(u"Columns"_S, cols));
    TSettingsKeeperVz* c2 = nullptr;
    ASSERT_TRUE(cols->TryGetSubsettingsValue(u"C2"_S, c2));
    String text;
    ASSERT_TRUE(c2->TryGetStringValue(u"STFilterExpressionStr"_S, text));
    EXPECT_EQ(text, u"=5"_S);
    // A text that no longer parses (the field's type changed since) is skipped, not raised.
    auto read = NewOwned<TSettingsKeeperVz>();
    auto* readCols = New<TSettingsKeeperVz>();
    read->Add(u"Columns"_S, readCols);
    auto* good = New<TSettingsKeeperVz>();
    good->Add(u"STFilterExpressionStr"_S, u"=5");
    readCols->Add(u"C2"_S, good);
    auto* bad = New<TSettingsKeeperVz>();
    bad->Add(u"STFilterExpressionStr"_S, u"=abc");
    readCols->Add(u"C3"_S, bad);
    int applied = 0;
    TDBGridVzCenter* center = DBGridVzCenter();
    center->OnApplyFilter = [&](ISTFilterGridVz* Grid) {
        EXPECT_EQ(Grid, G2->FilterHost());
        ++applied;
    };
    G2->ReadSettings(read.get(), TDBGridVzSettingsKeeperOptions{}, filters);
    center->OnApplyFilter = nullptr;
    EXPECT_EQ(G2->FindColumn(u"C2"_S)->GetSTFilter()->ExpressionStr(), u"=5"_S);
    EXPECT_EQ(G2->FindColumn(u"C3"_S)->GetSTFilter()->ExpressionStr(), String());
    EXPECT_EQ(applied, 1);
}

}  // namespace
