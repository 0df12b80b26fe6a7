// A column filtered through the custom filter dialog or the filter drop-down shows the rows that
// the server's WHERE gives for the same condition, names with apostrophes included.
#include "grid/addons/filterdropdownvz.h"
#include "grid/addons/simplefiltervz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/editors/dbcomboboxvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/ado/adodb.h"
#include "platform/db/datasource.h"
#include "platform/gui/listctrls.h"
#include "platform/testing/scriptedresponder.h"

#include "support/pg_fixture.h"

#include <gtest/gtest.h>

namespace {

class GridFilterPgTest : public sdelka::test::PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec(
            "drop table if exists sf_src;"
            "create table sf_src (id int primary key, name text, qty int);"
            "insert into sf_src select g,"
            " case when g % 9 = 0 then null else"
            "  (array['Иванов','O''Neil','O''Neill','д''Артаньян','Сидорова','Ёжиков'])[1 + g % 6] || ' ' || (g % 4) end,"
            " g % 17 from generate_series(1, 600) g;");
        SetResponder(&Resp);
        Conn = NewOwned<TADOConnection>(nullptr);
        Conn->SetLoginPrompt(false);
        Conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        auto q = NewOwned<TADOQuery>(nullptr);
        q->SetConnection(Conn.get());
        q->SQL()->SetText(u"select id, name, qty from sf_src order by id"_S);
        Form = New<TForm>(nullptr);
        Form->SetBounds(400, 400, 420, 320);  // away from the pointer: hot-tracking a data cell raises
        T = New<TMemTableVz>(Form);
        ASSERT_EQ(T->LoadFromDataSet(q.get(), 0, lmCopy, false), 600);
        auto* src = New<TDataSource>(Form);
        src->SetDataSet(T);
        G = New<TDBGridVz>(Form);
        G->SetParent(Form);
        G->SetBounds(0, 0, 400, 300);
        G->SetDataSource(src);
        Form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override {
        FreeAndNil(Form);
        Conn.reset();
        SetResponder(nullptr);
    }
    std::string ShownIds() {
        std::string ids;
        for (T->First(); !T->Eof(); T->Next())
            ids += (ids.empty() ? "" : ",") + std::to_string(T->FieldByName(u"id"_S)->AsInteger());
        return ids;
    }
    std::string ServerIds(const std::string& Where) {
        return Db().Value("select coalesce(string_agg(id::text, ',' order by id), '') from sf_src where " + Where);
    }

    TScriptedResponder Resp;
    TOwned<TADOConnection> Conn;
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDBGridVz* G = nullptr;
};

TEST_F(GridFilterPgTest, DialogConditionsShowTheRowsOfTheServersWhere) {
    TColumnVz* name = G->Columns()->Items(1);
    TColumnVz* qty = G->Columns()->Items(2);
    name->STFilter()->SetExpressionStr(u"=x"_S);  // a text condition: typed values are quoted
    name->STFilter()->SetExpressionStr(String());
    const struct {
        TColumnVz* Column;
        int Tag1;
        const char16_t* Value1;
        bool Or;
        int Tag2;
        const char16_t* Value2;
        const char* Where;
    } cases[] = {
        {name, sftEqualsVz, u"O'Neil 1", false, sftNoneVz, u"", "name = 'O''Neil 1'"},
        {name, sftBeginsWithVz, u"O'Neil", false, sftNoneVz, u"", "name like 'O''Neil%'"},
        {name, sftContainsVz, u"'Ар", true, sftEndsWithVz, u"ов 2", "name like '%''Ар%' or name like '%ов 2'"},
        {name, sftNotEqualVz, u"д'Артаньян 3", false, sftIsNotBlankVz, u"", "name <> 'д''Артаньян 3'"},
        {name, sftIsBlankVz, u"", false, sftNoneVz, u"", "name is null"},
        {qty, sftGreaterOrEqualVz, u"5", false, sftLessVz, u"9", "qty >= 5 and qty < 9"},
        {qty, sftInListVz, u"1,3,16", true, sftGreaterVz, u"15", "qty in (1, 3, 16) or qty > 15"},
    };
    TDBGridVzSimpleFilterDialog* d = TDBGridVzSimpleFilterDialog::Shared();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Where);
        Resp.AnswerModal([&](TCustomForm* F) {
            d->SelectTag(d->ComboBox1, c.Tag1);
            d->DBComboBoxVz1->SetText(String::fromUtf16(c.Value1));
            d->SelectTag(d->ComboBox2, c.Tag2);
            d->DBComboBoxVz2->SetText(String::fromUtf16(c.Value2));
            (c.Or ? d->rbOr : d->rbAnd)->SetChecked(true);
            F->SetModalResult(mrOk);
        });
        ASSERT_TRUE(ShowSimpleFilterDialog(c.Column));
        G->FilterHost()->STFilterApply();
        EXPECT_EQ(ShownIds(), ServerIds(c.Where));
        c.Column->STFilter()->SetExpressionStr(String());
        G->FilterHost()->STFilterApply();
    }
}

TEST_F(GridFilterPgTest, TickedValuesShowTheRowsOfTheServersIn) {
    TDBGridFilterDropDownForm* f = GetDBGridFilterDropDownForm();
    f->FillForColumn(G->Columns()->Items(1));
    f->InitForm(nullptr, nullptr);
    f->SearchEdit()->SetText(u"'"_S);  // the names with an apostrophe
    f->FilterList()->ItemObject(0)->Execute(f->FilterList(), 0, TPoint(), TShiftState());
    f->SearchEdit()->SetText(String());
    f->ApplyCheckedValues();
    EXPECT_EQ(ShownIds(), ServerIds("name like '%''%'"));
    f->SetColumn(nullptr);
}

}  // namespace
