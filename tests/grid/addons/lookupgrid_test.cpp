// The lookup grid: binding key and list fields, the key value and the text that stands for it,
// writing the chosen key into the master record, keys with a special row, type-ahead search, and
// the popup box's row count.
#include "grid/addons/lookupgridvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "tests/support/input.h"

#include <gtest/gtest.h>

namespace {

struct LookupGrid : ::testing::Test {
    TForm* Form = nullptr;
    TMemTableVz* Workers = nullptr;
    TMemTableVz* Master = nullptr;
    TDataSource* ListSrc = nullptr;
    TDataSource* MasterSrc = nullptr;
    TDBLookupGridVz* G = nullptr;

    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBounds(400, 400, 300, 300);
        Workers = New<TMemTableVz>(Form);
        Workers->FieldDefs()->Add(u"Id"_S, ftInteger);
        Workers->FieldDefs()->Add(u"Fio"_S, ftString, 40);
        Workers->FieldDefs()->Add(u"Tab"_S, ftString, 10);
        Workers->CreateDataSet();
        const char16_t* names[] = {u"Абрамов А.А.", u"Иванов И.И.", u"Иванова М.С.", u"Петров П.П.", u"Сидоров С.С."};
        for (int i = 0; i < 5; ++i)
            Workers->AppendRecord({Variant(10 + i), String::fromUtf16(names[i]), String::number(100 + i)});
        Master = New<TMemTableVz>(Form);
        Master->FieldDefs()->Add(u"WorkerId"_S, ftInteger);
        Master->CreateDataSet();
        Master->AppendRecord({Variant(12)});
        ListSrc = New<TDataSource>(Form);
        ListSrc->SetDataSet(Workers);
        MasterSrc = New<TDataSource>(Form);
        MasterSrc->SetDataSet(Master);
        G = New<TDBLookupGridVz>(Form);
        G->SetParent(Form);
        G->SetBounds(0, 0, 280, 200);
        Form->Show();
    }
    void TearDown() override { FreeAndNil(Form); }
    void Bind() {
        G->SetListSource(ListSrc);
        G->SetKeyField(u"Id"_S);
        G->SetListField(u"Fio;Tab"_S);
    }
    int Current() { return Workers->FieldByName(u"Id"_S)->AsInteger(); }
    void Key(Qt::Key K) { sdelka::test::SendKey(G->Handle(), K); }
};

TEST_F(LookupGrid, BindsListFieldsAndTellsTheKeysText) {
    Bind();
    EXPECT_TRUE(G->ListActive());
    ASSERT_EQ(G->ListFields().size(), 2u);
    EXPECT_EQ(G->Columns()->Count(), 2);  // the default columns are the list fields
    EXPECT_EQ(G->Columns()->Items(0)->FieldName(), u"Fio"_S);
    G->SetKeyValue(13);
    EXPECT_EQ(Current(), 13);
    EXPECT_EQ(G->SelectedItem(), u"Петров П.П."_S);
    G->SetListFieldIndex(1);  // takes effect at the next binding
    EXPECT_EQ(G->SelectedItem(), u"Петров П.П."_S);
    G->SetListField(u"Tab;Fio"_S);
    G->SetKeyValue(14);
    EXPECT_EQ(G->SelectedItem(), u"Сидоров С.С."_S);
    G->SetListFieldIndex(7);  // out of range: the first list field
    G->SetListField(u"Tab"_S);
    EXPECT_EQ(G->SelectedItem(), u"104"_S);
    // An empty list field makes the key fields the list fields.
    G->SetListField(String());
    ASSERT_EQ(G->ListFields().size(), 1u);
    EXPECT_EQ(G->ListFields().front()->FieldName(), u"Id"_S);
    // A value not in the list: nothing selected, the list on its first record.
    G->SetKeyValue(99);
    EXPECT_EQ(G->SelectedItem(), String());
    EXPECT_EQ(Current(), 10);
    EXPECT_THROW(G->SetListField(u"Nope"_S), EDatabaseError);
    EXPECT_FALSE(G->ListActive());
}

TEST_F(LookupGrid, TheChosenKeyGoesIntoTheMasterRecord) {
    Bind();
    G->SetMasterSource(MasterSrc);
    G->SetDataField(u"WorkerId"_S);
    EXPECT_EQ(G->KeyValue(), Variant(12));
    EXPECT_EQ(G->SelectedItem(), u"Иванова М.С."_S);
    Key(Qt::Key_Down);
    EXPECT_EQ(Master->FieldByName(u"WorkerId"_S)->AsInteger(), 13);
    EXPECT_EQ(Master->State(), dsEdit);
    EXPECT_EQ(G->SelectedItem(), u"Петров П.П."_S);
    Key(Qt::Key_Home);
    EXPECT_EQ(Master->FieldByName(u"WorkerId"_S)->AsInteger(), 10);
    // The master link going inactive leaves no fields of its data set behind.
    G->SetMasterSource(nullptr);
    EXPECT_TRUE(G->MasterFields().empty());
    EXPECT_EQ(G->Field(), nullptr);
    EXPECT_TRUE(VarIsNull(G->KeyValue()));
}

TEST_F(LookupGrid, TheSpecialRowStandsAboveTheList) {
    Bind();
    G->SpecRow()->SetCellsText(u"<нет>"_S);
    G->SpecRow()->SetValue(Null());
    G->SpecRow()->SetVisible(true);
    G->SetKeyValue(11);
    G->SetKeyValue(Null());  // Null is never located: the special row
    EXPECT_TRUE(G->SpecRowSelected());
    EXPECT_EQ(G->SelectedItem(), u"<нет>"_S);
    Key(Qt::Key_Down);  // from the special row to the first record
    EXPECT_FALSE(G->SpecRowSelected());
    EXPECT_EQ(G->KeyValue(), Variant(10));
    Key(Qt::Key_Up);  // Up on the first record: the special row
    EXPECT_TRUE(G->SpecRowSelected());
    EXPECT_TRUE(VarIsNull(G->KeyValue()));
    Key(Qt::Key_End);  // forward from the special row: the first record
    EXPECT_EQ(G->KeyValue(), Variant(10));
    Key(Qt::Key_End);
    EXPECT_EQ(G->KeyValue(), Variant(14));
    Key(Qt::Key_Home);
    EXPECT_EQ(G->KeyValue(), Variant(10));
    Key(Qt::Key_Home);  // Home at BOF selects the special row
    EXPECT_TRUE(G->SpecRowSelected());
}

TEST_F(LookupGrid, TypeAheadFindsByAPrefixInAnyCase) {
    Bind();
    for (Char c : String(u"иванова"_S)) G->ProcessSearchKey(c);
    EXPECT_EQ(G->KeyValue(), Variant(12));
    EXPECT_EQ(G->SearchText(), u"иванова"_S);
    G->ProcessSearchKey(Char(27));
    EXPECT_TRUE(G->SearchText().isEmpty());
    G->ProcessSearchKey(u'п');
    EXPECT_EQ(G->KeyValue(), Variant(13));
    G->ProcessSearchKey(u'я');  // no match: the text grows, the key stays
    EXPECT_EQ(G->SearchText(), u"пя"_S);
    EXPECT_EQ(G->KeyValue(), Variant(13));
}

TEST_F(LookupGrid, ThePopupBoxHoldsOneToAHundredRows) {
    auto* box = New<TPopupDataGridBoxVz>(Form);
    box->SetListSource(ListSrc);
    box->SetKeyField(u"Id"_S);
    box->SetListField(u"Fio"_S);
    const int one = box->InnerDataGrid()->CalcAutoHeightForRowCount(1);
    for (auto [asked, rows] : {std::pair{-3, 1}, {0, 1}, {5, 5}, {150, 100}}) {
        box->SetRowCount(asked);
        EXPECT_EQ(box->RowCount(), rows);
    }
    box->SetRowCount(1);
    EXPECT_EQ(box->ClientHeight(), one);
    box->SetKeyValue(11);
    EXPECT_EQ(box->SelectedItem(), u"Иванов И.И."_S);
}

}  // namespace
