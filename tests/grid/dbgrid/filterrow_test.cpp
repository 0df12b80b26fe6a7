// The filter row as a user meets it: the editor over a filter cell, typed conditions applied with
// Enter, the keys that move between filter cells, and the drop-down list of commands and values.
#include "grid/core/uitextsvz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/filterrowvz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "support/input.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

#include <QWidget>

using namespace sdelka::test;

namespace {

class FilterRowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 640, 300);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"Name"_S, ftWideString, 20);
        T->FieldDefs()->Add(u"Qty"_S, ftInteger);
        T->FieldDefs()->Add(u"Shop"_S, ftWideString, 20);
        T->CreateDataSet();
        const struct {
            const char16_t* Name;
            int Qty;
            const char16_t* Shop;
        } rows[] = {{u"Болт", 5, u"Литейный"}, {u"Гайка", 3, u"Сборочный"}, {u"Шайба", 7, u"Литейный"},
                    {u"Болт", 1, u"Сборочный"}, {u"Винт", 9, u"Литейный"}, {u"Шпилька", 2, u"Сборочный"}};
        for (const auto& r : rows)
            T->AppendRecord({Variant(String::fromUtf16(r.Name)), Variant(r.Qty), Variant(String::fromUtf16(r.Shop))});
        T->Append();
        T->FieldByName(u"Name"_S)->SetAsString(u"Гвоздь"_S);  // no quantity
        T->Post();
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        G = New<TDBGridVz>(Form);
        G->SetBounds(0, 0, 640, 300);
        G->SetParent(Form);
        G->SetDataSource(Src);
        G->STFilter()->SetVisible(true);
        Form->Show();
        G->SetFocus();
        ProcessEvents();
    }
    void TearDown() override {
        FreeAndNil(Form);
        ProcessEvents();
    }
    TSTColumnFilterVz* Filter(int Col) { return G->Columns()->Items(Col)->STFilter(); }
    QWidget* Edit() { return G->FilterEdit()->Handle(); }
    void Type(const String& Text) {
        for (QChar c : Text) SendKey(Edit(), 0, Qt::NoModifier, QString(c));
    }
    void Key(int K, Qt::KeyboardModifiers M = Qt::NoModifier) {
        SendKey(Edit(), K, M);
        ProcessEvents();
    }
    TPopupListboxFormVz* OpenList() {
        SendKey(Edit(), Qt::Key_Down, Qt::AltModifier);
        ProcessEvents();
        return G->FilterEdit()->PopupListbox();
    }
    int IndexOf(const String& Text) { return G->FilterEdit()->Items()->IndexOf(Text); }
    // Presses on one item and releases on another (the same for a click).
    void Drag(int From, int To) {
        QWidget* list = G->FilterEdit()->PopupListbox()->ListGrid()->Handle();
        const TRect a = G->FilterEdit()->PopupListbox()->ListGrid()->ItemRect(From);
        const TRect b = G->FilterEdit()->PopupListbox()->ListGrid()->ItemRect(To);
        const QPointF pa(a.Left + 20, (a.Top + a.Bottom) / 2.0), pb(b.Left + 20, (b.Top + b.Bottom) / 2.0);
        SendMouse(list, QEvent::MouseButtonPress, pa);
        SendMouse(list, QEvent::MouseMove, pb);
        SendMouse(list, QEvent::MouseButtonRelease, pb);
        ProcessEvents();
    }
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBGridVz* G = nullptr;
};

TEST_F(FilterRowTest, TheRowSitsUnderTheTitlesOnlyWhenPlacedThere) {
    EXPECT_EQ(G->FilterRowCount(), 1);
    EXPECT_EQ(G->TopDataOffset(), 2);
    EXPECT_TRUE(G->IsFilterRow(1));
    EXPECT_FALSE(G->IsFilterRow(2));
    EXPECT_TRUE(G->CanEditColumnFilter(1));
    G->SetSelectedIndex(1);
    G->SetFilterEditMode(true);
    ASSERT_NE(G->FilterEdit(), nullptr);
    EXPECT_TRUE(G->FilterEdit()->Visible());
    EXPECT_EQ(G->FilterCol(), 1);
    const TRect cell = G->CellRect(G->DataColToGridCol(1), 1);
    EXPECT_EQ(G->FilterEdit()->Left(), cell.Left + 1);
    EXPECT_EQ(G->FilterEdit()->Top(), cell.Top);
    G->SetFilterEditMode(false);
    EXPECT_FALSE(G->FilterEdit()->Visible());

    // In the titles there is no row and no editor.
    TDBGridVz* g2 = New<TDBGridVz>(Form);
    g2->SetParent(Form);
    g2->SetDataSource(Src);
    g2->STFilter()->SetVisible(true);
    g2->STFilter()->SetLocation(stflInTitleFilterVz);
    EXPECT_EQ(g2->FilterRowCount(), 0);
    for (int i = 0; i < g2->Columns()->Count(); ++i) EXPECT_FALSE(g2->CanEditColumnFilter(i));
    g2->StartFilterEdit(0);
    EXPECT_EQ(g2->FilterEdit(), nullptr);
}

TEST_F(FilterRowTest, TypedConditionsFilterOnEnterAndABadOneKeepsTheLast) {
    G->StartFilterEdit(0);
    Type(u"Болт"_S);
    Key(Qt::Key_Return);
    EXPECT_EQ(S(Filter(0)->ExpressionStr()), "Болт");
    EXPECT_EQ(T->RecordCount(), 2);
    G->StartFilterEdit(1);
    Type(u">=3"_S);
    Key(Qt::Key_Return);
    EXPECT_EQ(T->RecordCount(), 1);  // Болт with 5
    // The cell shows the text once the editor leaves it.
    G->StopFilterEdit();
    EXPECT_EQ(S(G->GetColumnFilterText(1)), ">=3");

    // A text that does not parse raises on applying and leaves the last good condition in force.
    G->StartFilterEdit(1);
    G->FilterEdit()->SetText(u">="_S);
    EXPECT_THROW(G->ApplyFilter(), Exception);
    EXPECT_EQ(S(Filter(1)->ExpressionStr()), ">=3");
    EXPECT_EQ(T->RecordCount(), 1);
}

TEST_F(FilterRowTest, KeysMoveBetweenFilterCells) {
    G->SetOptions(G->Options() + TDBGridOptions{dgTabs});
    G->StartFilterEdit(2);
    Key(Qt::Key_Tab);
    EXPECT_EQ(G->FilterCol(), 0);  // past the last cell to the first
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(G->FilterCol(), 2);
    Key(Qt::Key_Right);  // the caret is at the end of the last cell: nothing
    EXPECT_EQ(G->FilterCol(), 2);
    Key(Qt::Key_Left);
    EXPECT_EQ(G->FilterCol(), 1);
    Type(u"12"_S);
    Key(Qt::Key_Left);  // the caret moves inside the text
    EXPECT_EQ(G->FilterCol(), 1);
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(G->FilterCol(), 0);
    EXPECT_EQ(S(Filter(1)->ExpressionStr()), "12");  // leaving a cell commits its text
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(G->FilterCol(), 2);
    // A hidden filter is stepped over.
    Filter(1)->SetVisible(false);
    Key(Qt::Key_Left);
    EXPECT_EQ(G->FilterCol(), 0);
    Key(Qt::Key_Up);
    EXPECT_TRUE(G->FilterEditMode());
    T->Last();
    Key(Qt::Key_Down);  // to the first record of the column
    EXPECT_FALSE(G->FilterEditMode());
    EXPECT_EQ(G->SelectedIndex(), 0);
    EXPECT_TRUE(T->Bof());
}

TEST_F(FilterRowTest, TheListHoldsTheCommandsThenTheValues) {
    G->StartFilterEdit(2);
    OpenList();
    const auto* t = GetViZevLanguageConsts();
    TStrings* items = G->FilterEdit()->Items();
    std::vector<std::string> texts;
    for (int i = 0; i < items->Count(); ++i) texts.push_back(S(items->Strings(i)));
    const std::vector<std::string> want = {S(t->STFilterListItem_ClearFilter()),
                                           "(" + S(t->STFilterListItem_ApplyFilter()) + ")",
                                           S(t->STFilterListItem_CustomFilter()),
                                           S(t->STFilterListItem_All()),
                                           S(t->STFilterListItem_NotEmpties()),
                                           S(t->STFilterListItem_Empties()),
                                           "",
                                           "Литейный",
                                           "Сборочный"};
    EXPECT_EQ(texts, want);
    EXPECT_TRUE(dynamic_cast<TPopupListboxItemVzData*>(items->Objects(7)));
    EXPECT_TRUE(dynamic_cast<TPopupListboxItemVzSpec*>(items->Objects(0)));
    G->FilterEdit()->CloseUp(false);

    // Applying at every change leaves the apply command out; sort markers bring the sort commands.
    G->STFilter()->SetInstantApply(true);
    G->SetOptionsVz(G->OptionsVz() + TDBGridVzOptions{dghAutoSortMarking});
    G->Columns()->Items(2)->Title()->SetTitleButton(true);
    G->StartFilterEdit(2);
    G->InitFilterEditorForColumn(2);
    OpenList();
    EXPECT_EQ(IndexOf(u"("_S + t->STFilterListItem_ApplyFilter() + u")"_S), -1);
    EXPECT_EQ(IndexOf(u"("_S + t->STFilterListItem_SortingByAscend() + u")"_S), 0);
    EXPECT_TRUE(dynamic_cast<TPopupListboxItemVzLine*>(items->Objects(2)));
    G->FilterEdit()->CloseUp(false);
}

TEST_F(FilterRowTest, ClicksAddValuesAndEnterTakesOne) {
    G->StartFilterEdit(0);
    TPopupListboxFormVz* list = OpenList();
    const int bolt = IndexOf(u"Болт"_S), nut = IndexOf(u"Гайка"_S), washer = IndexOf(u"Шайба"_S);
    ASSERT_GE(bolt, 0);
    Drag(bolt, bolt);
    Drag(nut, nut);
    Drag(washer, washer);
    EXPECT_TRUE(list->Visible());
    EXPECT_EQ(S(Filter(0)->ExpressionStr()), "in ('Болт','Гайка','Шайба')");
    EXPECT_EQ(S(G->FilterEdit()->Text()), "in ('Болт','Гайка','Шайба')");
    Drag(nut, nut);  // a second click takes a value out
    EXPECT_EQ(S(Filter(0)->ExpressionStr()), "in ('Болт','Шайба')");
    Key(Qt::Key_Return);
    EXPECT_EQ(T->RecordCount(), 7);  // the list was open: Enter only closed it
    G->FilterEdit()->CloseUp(false);

    // Enter on a value filters on that value alone and closes the list.
    OpenList();
    list->SetItemIndex(IndexOf(u"Винт"_S));
    Key(Qt::Key_Return);
    EXPECT_FALSE(list->Visible());
    EXPECT_EQ(S(Filter(0)->ExpressionStr()), "='Винт'");
    Key(Qt::Key_Return);
    EXPECT_EQ(T->RecordCount(), 1);
}

TEST_F(FilterRowTest, ADragSetsEveryValueItCrosses) {
    G->StartFilterEdit(0);
    OpenList();
    const int first = IndexOf(u"Болт"_S);
    Drag(first, first + 3);
    const std::vector<bool>& checks = Filter(0)->ListValuesCheckingState;
    for (int i = first; i <= first + 3; ++i) EXPECT_TRUE(checks[size_t(i)]) << i;
    EXPECT_FALSE(checks[size_t(first + 4)]);
    EXPECT_EQ(S(Filter(0)->ExpressionStr()), "in ('Болт','Винт','Гайка','Гвоздь')");
    Drag(first + 3, first + 2);  // from a checked value: both off
    EXPECT_EQ(S(Filter(0)->ExpressionStr()), "in ('Болт','Винт')");
    G->FilterEdit()->CloseUp(false);
}

TEST_F(FilterRowTest, CommandsOfTheList) {
    const auto* t = GetViZevLanguageConsts();
    G->StartFilterEdit(1);
    OpenList();
    Drag(IndexOf(t->STFilterListItem_Empties()), IndexOf(t->STFilterListItem_Empties()));
    EXPECT_FALSE(G->FilterEdit()->ListVisible());
    EXPECT_EQ(S(Filter(1)->ExpressionStr()), "=Null");
    EXPECT_EQ(S(G->FilterEdit()->Text()), "=Null");
    OpenList();
    Drag(IndexOf(u"("_S + t->STFilterListItem_ApplyFilter() + u")"_S),
         IndexOf(u"("_S + t->STFilterListItem_ApplyFilter() + u")"_S));
    EXPECT_EQ(T->RecordCount(), 1);
    OpenList();
    Drag(IndexOf(t->STFilterListItem_NotEmpties()), IndexOf(t->STFilterListItem_NotEmpties()));
    EXPECT_EQ(S(Filter(1)->ExpressionStr()), "<>Null");

    // Clearing empties every filter without applying; applying then shows every record.
    Filter(0)->SetExpressionStr(u"Болт"_S);
    G->ApplyFilter();
    EXPECT_EQ(T->RecordCount(), 2);
    G->ClearFilter();
    EXPECT_FALSE(G->FilterEditMode());
    EXPECT_TRUE(Filter(0)->ExpressionStr().isEmpty());
    EXPECT_TRUE(Filter(1)->ExpressionStr().isEmpty());
    EXPECT_EQ(T->RecordCount(), 2);
    G->ApplyFilter();
    EXPECT_EQ(T->RecordCount(), 7);

    // The clear command of the list clears and applies.
    Filter(0)->SetExpressionStr(u"Болт"_S);
    G->ApplyFilter();
    G->StartFilterEdit(0);
    OpenList();
    Drag(IndexOf(t->STFilterListItem_ClearFilter()), IndexOf(t->STFilterListItem_ClearFilter()));
    EXPECT_EQ(T->RecordCount(), 7);
}

TEST_F(FilterRowTest, TheSortCommandMarksTheColumnAndSortsTheTable) {
    const auto* t = GetViZevLanguageConsts();
    G->SetOptionsVz(G->OptionsVz() + TDBGridVzOptions{dghAutoSortMarking});
    G->Columns()->Items(1)->Title()->SetTitleButton(true);
    G->StartFilterEdit(1);
    OpenList();
    const int down = IndexOf(u"("_S + t->STFilterListItem_SortingByDescend() + u")"_S);
    Drag(down, down);
    EXPECT_EQ(G->Columns()->Items(1)->Title()->SortMarker(), smDownVz);
    T->First();
    EXPECT_EQ(T->FieldByName(u"Qty"_S)->AsInteger(), 9);
    G->StartFilterEdit(1);
    G->InitFilterEditorForColumn(1);
    OpenList();
    const int up = IndexOf(u"("_S + t->STFilterListItem_SortingByAscend() + u")"_S);
    Drag(up, up);
    EXPECT_EQ(G->Columns()->Items(1)->Title()->SortMarker(), smUpVz);
    T->First();
    EXPECT_TRUE(T->FieldByName(u"Qty"_S)->IsNull());
    T->Next();
    EXPECT_EQ(T->FieldByName(u"Qty"_S)->AsInteger(), 1);
}

TEST_F(FilterRowTest, TheCentresSortMarkerRules) {
    TDBGridVzCenter* c = DBGridVzCenter();
    ISTFilterGridVz* host = G->FilterHost();
    EXPECT_EQ(c->GetFirstSortMarkerState(host, G->Columns()->Items(0)), smUpVz);    // text
    EXPECT_EQ(c->GetFirstSortMarkerState(host, G->Columns()->Items(1)), smDownVz);  // number
    EXPECT_EQ(c->GetFirstSortMarkerState(host, nullptr), smDownVz);
    EXPECT_EQ(G->Columns()->Items(0)->Title()->GetFirstSortMarkerState(), smUpVz);
    EXPECT_EQ(c->GetSortOrderForSortMarker(host, nullptr, smUpVz), soAscVz);
    EXPECT_EQ(c->GetSortOrderForSortMarker(host, nullptr, smDownVz), soDescVz);
    try {
        c->GetSortOrderForSortMarker(host, nullptr, smNoneVz);
        ADD_FAILURE() << "no marker has no order";
    } catch (const Exception& e) {
        EXPECT_EQ(S(e.Message()), "SortOrder for SortMarker None is not defined.");
    }
}

}  // namespace

namespace {
TEST_F(FilterRowTest, APressOnAFilterCellStartsEditingItAndOnItsButtonOpensTheList) {
    const TRect r = G->CellRect(G->DataColToGridCol(0), 1);
    SendMouseToWindow(G->Handle(), QEvent::MouseButtonPress, QPointF(r.Left + 10, (r.Top + r.Bottom) / 2.0));
    SendMouseToWindow(G->Handle(), QEvent::MouseButtonRelease, QPointF(r.Left + 10, (r.Top + r.Bottom) / 2.0));
    ProcessEvents();
    EXPECT_TRUE(G->FilterEditMode());
    EXPECT_EQ(G->FilterCol(), 0);
    ASSERT_NE(G->FilterEdit(), nullptr);
    EXPECT_TRUE(G->FilterEdit()->Focused());
    const TRect b = G->CellRect(G->DataColToGridCol(2), 1);
    Click(G->Handle(), QPointF(b.Right - 5, (b.Top + b.Bottom) / 2.0));
    ProcessEvents();
    EXPECT_EQ(G->FilterCol(), 2);
    EXPECT_TRUE(G->FilterEdit()->ListVisible());
    G->FilterEdit()->CloseUp(false);
    const TRect d = G->CellRect(G->DataColToGridCol(1), 3);
    Click(G->Handle(), QPointF(d.Left + 5, (d.Top + d.Bottom) / 2.0));
    ProcessEvents();
    EXPECT_FALSE(G->FilterEditMode());
}
}  // namespace

#include "grid/dbgrid/searchpanelparamsvz.h"
#include "platform/gui/menus.h"

namespace {
TEST_F(FilterRowTest, TheCentresMenus) {
    TDBGridVzCenter* c = DBGridVzCenter();
    // The indicator title's menu lists the columns; the last visible one cannot be hidden.
    TPopupMenu* menu = nullptr;
    c->BuildIndicatorTitleMenu(G, menu);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->Items()->Count(), 1);
    TMenuItem* columns = menu->Items()->Items(0);
    EXPECT_EQ(S(columns->Caption()), "Видимые столбцы");
    ASSERT_EQ(columns->Count(), 3);
    EXPECT_EQ(S(columns->Items(1)->Caption()), "Qty");
    EXPECT_FALSE(columns->Items(1)->CloseMenuOnClickRequested());
    columns->Items(1)->Click();
    columns->Items(2)->Click();
    EXPECT_FALSE(G->Columns()->Items(1)->Visible());
    EXPECT_FALSE(columns->Items(2)->Checked());
    columns->Items(0)->Click();  // the last one stays
    EXPECT_TRUE(G->Columns()->Items(0)->Visible());
    EXPECT_TRUE(columns->Items(0)->Checked());
    columns->Items(1)->Click();
    EXPECT_TRUE(G->Columns()->Items(1)->Visible());

    // The search panel's options: clicking the checked scope switches to the other.
    auto panel = NewOwned<TDBGridSearchPanelVz>(nullptr);
    panel->SetSearchScope(gssCurrentColumnVz);
    TPopupMenu* options = nullptr;
    c->BuildSearchPanelOptionsPopupMenu(panel.get(), options);
    TMenuItem* root = options->Items();
    ASSERT_EQ(root->Count(), 5);
    EXPECT_EQ(S(root->Items(4)->Caption()), "(Закрыть)");
    EXPECT_TRUE(root->Items(4)->CloseMenuOnClickRequested());
    TMenuItem* scope = root->Items(0);
    ASSERT_EQ(scope->Count(), 2);
    EXPECT_TRUE(scope->Items(0)->Checked());
    scope->Items(0)->Click();
    EXPECT_EQ(panel->SearchScope(), gssEntireGridVz);
    EXPECT_TRUE(scope->Items(1)->Checked());
    EXPECT_FALSE(scope->Items(0)->Checked());
    root->Items(1)->Click();
    EXPECT_TRUE(panel->CaseSensitive());
    root->Items(3)->Click();
    EXPECT_TRUE(panel->CellBeginsWithMode());
    // Without options the menu stays empty (no close item alone).
    panel->SetOptionsPopupMenuItems({});
    options = nullptr;
    c->BuildSearchPanelOptionsPopupMenu(panel.get(), options);
    EXPECT_EQ(options->Items()->Count(), 0);
}
}  // namespace

namespace {
TEST_F(FilterRowTest, UpAtTheFirstRecordEntersTheFilterRow) {
    G->SetSelectedIndex(2);
    T->Last();
    SendKey(G->Handle(), Qt::Key_Up);
    ProcessEvents();
    EXPECT_FALSE(G->FilterEditMode());  // not at the first record: the cursor moves
    SendKey(G->Handle(), Qt::Key_Up, Qt::ControlModifier);
    ProcessEvents();
    EXPECT_TRUE(G->FilterEditMode());  // Ctrl enters from anywhere
    EXPECT_EQ(G->FilterCol(), 2);
    Key(Qt::Key_Down);
    EXPECT_FALSE(G->FilterEditMode());
    EXPECT_TRUE(T->Bof());
    G->SetFocus();
    SendKey(G->Handle(), Qt::Key_Up);
    ProcessEvents();
    EXPECT_TRUE(G->FilterEditMode());
    EXPECT_EQ(G->FilterCol(), 2);
}
}  // namespace
