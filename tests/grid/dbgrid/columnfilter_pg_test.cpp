// Column filters typed as a user types them filter the in-memory dataset to the rows the server's
// WHERE gives, and their text form reads back to the same filter.
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/ado/adodb.h"
#include "platform/rtl/formatsettings.h"

#include "filtergrid.h"
#include "support/pg_fixture.h"

#include <gtest/gtest.h>

namespace {

class ColumnFilterPgTest : public sdelka::test::PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec(
            "drop table if exists ft_src;"
            "create table ft_src (id int primary key, name text, d timestamp, amount numeric(12,2), qty int);"
            "insert into ft_src select g,"
            " case when g % 7 = 0 then null else"
            "  (array['Иванов','петров','O''Brien','Сидорова','д''Артаньян','Adams','Ёжиков'])[1 + g % 7] || ' ' || (g % 5) end,"
            " case when g % 11 = 0 then null else timestamp '2024-01-01 00:00' + g * interval '37 minutes' end,"
            " case when g % 5 = 0 then null else (g % 400) * 0.25 end,"
            " case when g % 13 = 0 then null else g % 17 end"
            " from generate_series(1, 3000) g;");
        Conn = NewOwned<TADOConnection>(nullptr);
        Conn->SetLoginPrompt(false);
        Conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        auto q = NewOwned<TADOQuery>(nullptr);
        q->SetConnection(Conn.get());
        q->SQL()->SetText(u"select id, name, d, amount, qty from ft_src order by id"_S);
        T = NewOwned<TMemTableVz>(nullptr);
        ASSERT_EQ(T->LoadFromDataSet(q.get(), 0, lmCopy, false), 3000);
    }
    void TearDown() override {
        T.reset();
        Conn.reset();
    }

    std::string ShownIds() {
        std::string ids;
        for (T->First(); !T->Eof(); T->Next()) ids += (ids.empty() ? "" : ",") + std::to_string(T->FieldByName(u"id"_S)->AsInteger());
        return ids;
    }
    std::string ServerIds(const std::string& Where) {
        return Db().Value("select coalesce(string_agg(id::text, ',' order by id), '') from ft_src where " + Where);
    }

    TOwned<TADOConnection> Conn;
    TOwned<TMemTableVz> T;
};

TEST_F(ColumnFilterPgTest, TypedFiltersShowTheRowsOfTheServersWhere) {
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.DateSeparator = u'.';
    FormatSettings.TimeSeparator = u':';
    FormatSettings.ShortDateFormat = u"dd.mm.yyyy"_S;
    FormatSettings.LongTimeFormat = u"hh:nn:ss"_S;
    TTestFilterGrid grid(T.get(), {u"id", u"name", u"d", u"amount", u"qty"});
    const struct {
        int Column;
        const char16_t* Text;
        const char* Where;
    } cases[] = {
        {1, u"Иванов%", "name like 'Иванов%'"},
        {1, u"= 'O''Brien 2'", "name = 'O''Brien 2'"},
        {1, u"~ д'Артаньян%", "name like 'д''Артаньян%'"},
        {1, u"in ('Иванов 3', 'O''Brien 2',null)", "name in ('Иванов 3', 'O''Brien 2') or name is null"},
        // NOT IN with a Null leaves out the empty names too.
        {1, u"not in ('Иванов 3',null)", "name <> 'Иванов 3' and name is not null"},
        {1, u"=Null", "name is null"},
        {1, u"<>Null", "name is not null"},
        {1, u"=Ёжиков 1 OR =петров 3", "name in ('Ёжиков 1', 'петров 3')"},
        {3, u">=100.5 AND <200", "amount >= 100.5 and amount < 200"},
        {3, u"in (10.25, 55.5,null)", "amount in (10.25, 55.5) or amount is null"},
        {3, u"-0", "amount = 0"},
        {2, u">= 05.02.2024 10:30:00 AND < 07.02.2024", "d >= '2024-02-05 10:30' and d < '2024-02-07'"},
        {2, u"=Null OR >= 01.03.2024 12:00:00", "d is null or d >= '2024-03-01 12:00'"},
        {4, u"5", "qty = 5"},
        // Without a Null in the list the empty values stay: the grid filter does not drop them.
        {4, u"not in (1,2,3)", "qty not in (1, 2, 3) or qty is null"},
    };
    for (const auto& c : cases) {
        const String text = String::fromUtf16(c.Text);
        SCOPED_TRACE(text.toStdString());
        TSTColumnFilterVz* f = grid.Column(c.Column)->Filter.get();
        f->SetExpressionStr(text);
        grid.STFilterApply();
        const String filter = BuildGridFilterText(&grid, BuildFilterOperationText, nullptr, false, true, false, true);
        EXPECT_EQ(ShownIds(), ServerIds(c.Where)) << filter.toStdString();
        // The text form reads back to the same condition.
        f->SetExpressionStr(f->GetExpressionAsText());
        EXPECT_EQ(BuildGridFilterText(&grid, BuildFilterOperationText, nullptr, false, true, false, true), filter)
            << f->ExpressionStr().toStdString();
        f->Clear();
    }
    // Two columns at once; then cleared, every row shows again.
    grid.Column(1)->Filter->SetExpressionStr(u"~п%"_S);
    grid.Column(4)->Filter->SetExpressionStr(u">10"_S);
    grid.STFilterApply();
    EXPECT_EQ(ShownIds(), ServerIds("name like 'п%' and qty > 10"));
    grid.Column(1)->Filter->Clear();
    grid.Column(4)->Filter->Clear();
    grid.STFilterApply();
    EXPECT_EQ(T->RecordCount(), 3000);
    EXPECT_EQ(T->ExtraFilters()->Count(), 0);
}

}  // namespace
