// The filter drop-down: the search text narrows the shown values, ticks belong to the values and
// survive the search, the select-all row follows the shown ticks, a drag ticks a range, and the
// grid variant's commands sort, clear and filter the grid's column.
#include "grid/addons/filterdropdownvz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/editors/dbeditvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/gui/messages.h"
#include "platform/testing/scriptedresponder.h"
#include "tests/support/input.h"

#include <gtest/gtest.h>

namespace {


std::string Shown(TFilterDropDownForm* F) {
    std::string s;
    TCustomListboxVz* l = F->FilterList();
    for (int i = 1; i < l->Items()->Count(); ++i)
        s += (s.empty() ? "" : "|") + l->GetDisplayItemText(i).toStdString();
    return s;
}

std::string Ticks(TFilterDropDownForm* F) {
    std::string s;
    for (bool b : F->ListValuesCheckingState()) s += b ? '1' : '0';
    return s;
}

struct FilterDropDown : ::testing::Test {
    TFilterDropDownForm* F = nullptr;
    void SetUp() override {
        F = GetFilterDropDownForm();
        F->BaseList()->Clear();
        for (const char16_t* v : {u"Abba", u"cab", u"xyz", u"", u"ABC", u"Бабочка"}) F->BaseList()->Add(String::fromUtf16(v));
        F->InitDataForBaseList();
        F->InitForm(nullptr, nullptr);
    }
    TCustomListboxVz* L() { return F->FilterList(); }
    void Click(int Row) {
        F->PopupListboxDownIndex = -1;
        L()->ItemObject(Row)->MouseDown(L(), Row, TPoint(), mbLeft, TShiftState());
        L()->ItemObject(Row)->MouseUp(L(), Row, TPoint(), mbLeft, TShiftState());
    }
};

TEST_F(FilterDropDown, SearchNarrowsTheValuesAndTicksSurviveIt) {
    EXPECT_EQ(Shown(F), "Abba|cab|xyz|(Пустые)|ABC|Бабочка");
    EXPECT_EQ(L()->Items()->Strings(0), u"(Выбрать все элементы)"_S);
    F->SearchEdit()->SetText(u"ab"_S);
    EXPECT_EQ(Shown(F), "Abba|cab|ABC");
    EXPECT_TRUE(F->SearchEdit()->EditButtons()->Items(0)->Enabled());
    Click(0);  // select all: only the shown values
    EXPECT_EQ(Ticks(F), "110010");
    EXPECT_EQ(F->SelectAllState(), cbChecked);
    F->SearchEdit()->SetText(u"аб"_S);  // case-insensitive in Cyrillic too
    EXPECT_EQ(Shown(F), "Бабочка");
    EXPECT_EQ(F->SelectAllState(), cbUnchecked);
    F->SearchEdit()->SetText(u"zzz"_S);
    EXPECT_EQ(L()->Items()->Count(), 1);
    EXPECT_EQ(F->SelectAllState(), cbUnchecked);
    F->SearchEditButtonClick();
    EXPECT_FALSE(F->SearchEdit()->EditButtons()->Items(0)->Enabled());
    EXPECT_EQ(Shown(F), "Abba|cab|xyz|(Пустые)|ABC|Бабочка");
    EXPECT_EQ(F->SelectAllState(), cbGrayed);
    Click(0);  // grayed: untick every shown value
    EXPECT_EQ(Ticks(F), "000000");
}

TEST_F(FilterDropDown, ClicksDragsAndSpaceTickValues) {
    Click(2);
    Click(3);
    EXPECT_EQ(Ticks(F), "011000");
    // A press on row 2 released on row 5: rows 2 to 5 take the opposite of row 2's old tick.
    F->PopupListboxDownIndex = -1;
    L()->ItemObject(2)->MouseDown(L(), 2, TPoint(), mbLeft, TShiftState());
    L()->ItemObject(5)->MouseMove(L(), 5, TPoint(), TShiftState{ssLeft});
    EXPECT_EQ(F->PopupListboxDragHoverIndex, 5);
    L()->ItemObject(5)->MouseUp(L(), 5, TPoint(), mbLeft, TShiftState());
    EXPECT_EQ(Ticks(F), "000000");
    EXPECT_EQ(F->PopupListboxDownIndex, -1);
    // A drag that starts on the select-all row counts from row 1 and never ticks the row itself.
    L()->ItemObject(0)->MouseDown(L(), 0, TPoint(), mbLeft, TShiftState());
    L()->ItemObject(3)->MouseMove(L(), 3, TPoint(), TShiftState{ssLeft});
    L()->ItemObject(3)->MouseUp(L(), 3, TPoint(), mbLeft, TShiftState());
    EXPECT_EQ(Ticks(F), "111000");
    EXPECT_EQ(F->SelectAllState(), cbGrayed);
    // Space on the selected row inverts its tick; without a selected row it does nothing; it is
    // consumed either way.
    L()->SetItemIndex(-1);
    Char key = u' ';
    F->FilterListKeyPress(key);
    EXPECT_EQ(key, Char());
    EXPECT_EQ(Ticks(F), "111000");
    L()->SetItemIndex(6);
    key = u' ';
    F->FilterListKeyPress(key);
    EXPECT_EQ(Ticks(F), "111001");
}

TEST_F(FilterDropDown, AKeyWaitingStopsTheFillAndTheListIsFilledAfterIt) {
    F->SearchEdit()->HandleNeeded();
    PostMessage(F->SearchEdit()->Handle(), WM_KEYDOWN, VK_SHIFT, 0);  // a key that changes no text
    F->UpdateFilterList();
    EXPECT_EQ(L()->Items()->Count(), 1);  // stopped before the first value
    Application->ProcessMessages();
    EXPECT_EQ(Shown(F), "Abba|cab|xyz|(Пустые)|ABC|Бабочка");
}

TEST_F(FilterDropDown, EscapeClosesWithCancel) {
    F->SetModalResult(mrNone);
    sdelka::test::SendKey(F->Handle(), Qt::Key_Escape);
    EXPECT_EQ(F->ModalResult(), mrCancel);
}

struct GridFilterDropDown : ::testing::Test {
    TScriptedResponder Resp;
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDBGridVz* G = nullptr;
    TDBGridFilterDropDownForm* F = nullptr;

    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"Id"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftString, 20);
        T->CreateDataSet();
        const char16_t* names[] = {u"O'Neil", u"Петров", u"Сидоров", u"Петров", u"O'Neil"};
        for (int i = 0; i < 5; ++i) T->AppendRecord({Variant(i + 1), String::fromUtf16(names[i])});
        auto* src = New<TDataSource>(Form);
        src->SetDataSet(T);
        G = New<TDBGridVz>(Form);
        G->SetParent(Form);
        G->SetBounds(0, 0, 300, 200);
        G->SetDataSource(src);
        Form->Show();
        Application->ProcessMessages();
        F = GetDBGridFilterDropDownForm();
    }
    void TearDown() override {
        F->SetColumn(nullptr);
        FreeAndNil(Form);
        Application->ProcessMessages();
        SetResponder(nullptr);
    }
    TColumnVz* Col(int I) { return G->Columns()->Items(I); }
    std::string Ids() {
        std::string s;
        for (T->First(); !T->Eof(); T->Next()) s += std::to_string(T->FieldByName(u"Id"_S)->AsInteger());
        return s;
    }
    void Open(TColumnVz* C) {
        F->FillForColumn(C);
        F->InitForm(nullptr, nullptr);
    }
};

TEST_F(GridFilterDropDown, TickedValuesFilterTheColumnOnOk) {
    Open(Col(1));
    EXPECT_EQ(Shown(F), "O'Neil|Петров|Сидоров");
    F->ListValuesCheckingState()[0] = true;
    F->ListValuesCheckingState()[2] = true;
    F->ApplyCheckedValues();
    EXPECT_EQ(Ids(), "135");
    // Opened again, the ticks come from the filter.
    Open(Col(1));
    EXPECT_EQ(Ticks(F), "101");
}

TEST_F(GridFilterDropDown, SortCommandsShowOnlyForSortableTitles) {
    Col(1)->Title()->SetTitleButton(true);
    G->SetOptionsVz(G->OptionsVz() - TDBGridVzOptions{dghAutoSortMarking});
    Open(Col(1));
    EXPECT_FALSE(F->SortButton1->Visible());
    EXPECT_EQ(F->ClearFilterButton->Top(), 0);
    G->SetOptionsVz(G->OptionsVz() + TDBGridVzOptions{dghAutoSortMarking});
    Open(Col(1));
    EXPECT_TRUE(F->SortButton1->Visible());
    EXPECT_EQ(F->SortButton1->Caption(), u"(Сортировка по возрастанию)"_S);
    EXPECT_EQ(F->SortButton2->Top(), F->SortButton1->Height());
    EXPECT_EQ(F->ClearFilterButton->Top(), F->LineMenuButton1->Top() + F->LineMenuButton1->Height());
    EXPECT_GT(F->SearchEdit()->Top(), F->LineMenuButton2->Top());
    // Sorting ascending marks the title (and sorts) and leaves the ticked values unapplied.
    F->ListValuesCheckingState()[0] = true;
    F->SetModalResult(mrNone);
    F->MenuButtonClick(F->SortButton1);
    EXPECT_EQ(Col(1)->Title()->SortMarker(), smUpVz);
    EXPECT_EQ(F->ModalResult(), mrCancel);
    // The grid sorts by the marked title at once; no record is filtered out.
    EXPECT_EQ(Ids(), "15243");
}

TEST_F(GridFilterDropDown, ClearCommandsClearAndApplyAtOnce) {
    Col(0)->STFilter()->SetExpressionStr(u">1"_S);
    Col(1)->STFilter()->SetExpressionStr(u"Петров"_S);
    G->FilterHost()->STFilterApply();
    EXPECT_EQ(Ids(), "24");
    Open(Col(1));
    F->MenuButtonClick(F->ClearColumnFilterButton);
    EXPECT_EQ(Col(1)->STFilter()->ExpressionStr(), String());
    EXPECT_EQ(Col(0)->STFilter()->ExpressionStr(), u">1"_S);
    EXPECT_EQ(Ids(), "2345");
    Open(Col(1));
    F->MenuButtonClick(F->ClearFilterButton);
    EXPECT_EQ(Ids(), "12345");
    // The custom filter closed with Cancel changes nothing.
    Open(Col(1));
    F->MenuButtonClick(F->CustomFilterButton);
    EXPECT_EQ(Ids(), "12345");
    EXPECT_EQ(Col(1)->STFilter()->ExpressionStr(), String());
}

}  // namespace
