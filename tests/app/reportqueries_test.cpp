// The period reports' statements that join the period's auxiliary and average-rate sums once per
// worker give the rows the statements with a subquery per line gave (kept below as the reference):
// on the demo data, and on a generated month with workers of no hours, no group, night hours,
// several groups, namesakes and hours of workers without piece work. And the step that gives an
// older database the index these sums use.
#include "app/periodreports.h"
#include "platform/ado/adodb.h"
#include "platform/rtl/dateutils.h"
#include "support/pg_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The statements as first written: ten (and five) correlated subqueries per output line.
const char* const kWorkersReference =
    "select person.s_caption fio, smena.w_id, izdel.id_nom as nom_id, "
    "sum(smena.kol_vo-smena.brak)::numeric(10,2) as kolvo,vid_oper.vid, \n"
    "sum((kol_vo-brak)*smena.cena)::numeric(10,2) as summa,izdel.nom, oper.naimen, color,\n"
    "(select coalesce(sum(f.cnt*f.price),0)::numeric(10,2) f_sum7 from accounts_dep.fatigue f where f.d_date<:data4 and f.d_date>=:data3 and f.id_p=smena.w_id and f.id_nom=izdel.id_nom and f.id_o=7777),\n"
    "(select coalesce(sum(f.cnt*f.price),0)::numeric(10,2) f_sum8 from accounts_dep.fatigue f where f.d_date<:data6 and f.d_date>=:data5 and f.id_p=smena.w_id and f.id_nom=izdel.id_nom and f.id_o=7778),\n"
    "(select coalesce(sum(f.cnt*f.price),0)::numeric(10,2) f_sum78 from accounts_dep.fatigue f where f.d_date<:data8 and f.d_date>=:data7 and f.id_p=smena.w_id),\n"
    "(select coalesce(sum(f.cnt*f.price),0)::numeric(10,2) f_sum7_all from accounts_dep.fatigue f where f.d_date<:data10 and f.d_date>=:data9 and f.id_o=7777),\n"
    "(select coalesce(sum(f.cnt*f.price),0)::numeric(10,2) f_sum8_all from accounts_dep.fatigue f where f.d_date<:data12 and f.d_date>=:data11 and f.id_o=7778)\n"
    "from cmn_contractor.person person,accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper,\n"
    "accounts_dep.oper where w_id=s_code::integer and izdel.id=smena.i_id and vid_oper.id=oper.vid\n"
    "and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1\n"
    "group by fio, izdel.nom, vid_oper.vid, smena.w_id, izdel.id_nom, oper.naimen, color\n"
    "order by fio, smena.w_id, izdel.nom, izdel.id_nom";

const char* const kDetailedReference =
    "select s_caption fio, w_id, izdel.marka, vid_oper.vid, oper.naimen, sum(time) as sum_time,\n"
    "sum(smena.kol_vo)::numeric(10,2) as kolvo, sum(smena.brak) as brk, sum((kol_vo-brak)*\n"
    "smena.cena)::numeric(10,2) as summa, color, sum(prize*(kol_vo-brak)*smena.cena/100)::numeric(10,2) as s_prize,\n"
    "(select coalesce(sum(f.cnt*f.price),0)::numeric(10,2) f_sum7 from accounts_dep.fatigue f where f.d_date<:data2 and f.d_date>=:data1 and f.id_p=smena.w_id and f.id_o=7777 and f.i_night=0),\n"
    "(select coalesce(sum(f.cnt*f.price),0)::numeric(10,2) f_sum7_n from accounts_dep.fatigue f where f.d_date<:data4 and f.d_date>=:data3 and f.id_p=smena.w_id and f.id_o=7777 and f.i_night=1),\n"
    "(select coalesce(sum(f.cnt*f.price),0)::numeric(10,2) f_sum8 from accounts_dep.fatigue f where f.d_date<:data6 and f.d_date>=:data5 and f.id_p=smena.w_id and f.id_o=7778 and f.i_night=0),\n"
    "(select coalesce(sum(f.cnt*f.price),0)::numeric(10,2) f_sum8_n from accounts_dep.fatigue f where f.d_date<:data8 and f.d_date>=:data7 and f.id_p=smena.w_id and f.id_o=7778 and f.i_night=1),\n"
    "(select coalesce(sum(f.cnt),0)::numeric(10,2) f_sum7h from accounts_dep.fatigue f where f.d_date<:data12 and f.d_date>=:data11 and f.id_p=smena.w_id and f.id_o=7777 and f.i_night=0),\n"
    "(select coalesce(sum(f.cnt),0)::numeric(10,2) f_sum7h_n from accounts_dep.fatigue f where f.d_date<:data14 and f.d_date>=:data13 and f.id_p=smena.w_id and f.id_o=7777 and f.i_night=1),\n"
    "(select coalesce(sum(f.cnt),0)::numeric(10,2) f_sum8h from accounts_dep.fatigue f where f.d_date<:data16 and f.d_date>=:data15 and f.id_p=smena.w_id and f.id_o=7778 and f.i_night=0),\n"
    "(select coalesce(sum(f.cnt),0)::numeric(10,2) f_sum8h_n from accounts_dep.fatigue f where f.d_date<:data18 and f.d_date>=:data17 and f.id_p=smena.w_id and f.id_o=7778 and f.i_night=1),\n"
    "(select coalesce(sum(f.cnt*f.price),0)::numeric(10,2) f_sum7_all from accounts_dep.fatigue f where f.d_date<:data20 and f.d_date>=:data19 and f.id_o=7777),\n"
    "(select coalesce(sum(f.cnt*f.price),0)::numeric(10,2) f_sum8_all from accounts_dep.fatigue f where f.d_date<:data22 and f.d_date>=:data21 and f.id_o=7778)\n"
    "from cmn_contractor.person person,accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper \n"
    "where smena.o_id=oper.id and smena.w_id=s_code::integer and smena.i_id=izdel.id \n"
    "and smena.o_id=oper.id and w_id=s_code::integer and oper.vid=vid_oper.id \n"
    "and smena.data<:data10 and smena.data>=:data9 \n"
    "group by fio, marka,vid_oper.vid, oper.naimen, color, w_id \n"
    "order by fio, w_id, marka, vid_oper.vid, oper.naimen";

class ReportQueriesTest : public sdelka::test::PgSuite<true> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Conn = NewOwned<TADOConnection>(nullptr);
        Conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        Conn->Open();
    }

    // The rows of a statement over [From, To): each row's field names, types and texts, in the
    // order the statement returns them.
    std::vector<String> Rows(const String& Sql, TDateTime From, TDateTime To) {
        TOwned<TADOQuery> q = NewOwned<TADOQuery>(nullptr);
        q->SetConnection(Conn.get());
        q->SQL()->SetText(Sql);
        BindPeriod(q->Parameters(), From, To);
        q->Open();
        std::vector<String> rows;
        for (q->First(); !q->Eof(); q->Next()) {
            QStringList values;
            for (int i = 0; i < q->FieldCount(); ++i) {
                TField* f = q->Fields()->Fields(i);
                values << f->FieldName() + u':' + QString::number(f->DataType()) + u'=' + (f->IsNull() ? QStringLiteral("null") : f->AsString());
            }
            rows.push_back(values.join(u'|'));
        }
        return rows;
    }

    // The same rows as the reference, in the same order of the first SortKeys columns (the sort
    // keys, or what decides them; rows equal in those may come in any order, in either statement).
    void ExpectSameRows(const String& Sql, const char* Reference, int SortKeys, TDateTime From, TDateTime To) {
        std::vector<String> now = Rows(Sql, From, To), before = Rows(QString::fromUtf8(Reference), From, To);
        ASSERT_FALSE(before.empty());
        ASSERT_EQ(now.size(), before.size());
        auto keys = [SortKeys](const String& Row) { return Row.section(u'|', 0, SortKeys - 1); };
        for (std::size_t i = 0; i < now.size(); ++i) ASSERT_EQ(keys(now[i]), keys(before[i])) << "row " << i;
        std::sort(now.begin(), now.end());
        std::sort(before.begin(), before.end());
        for (std::size_t i = 0; i < now.size(); ++i) EXPECT_EQ(now[i], before[i]);
    }

    TOwned<TADOConnection> Conn;
};

TEST_F(ReportQueriesTest, DemoDataGiveTheRowsOfTheSubqueryStatements) {
    // the demo's records lie in the previous month and the current one
    const TDateTime today = Date();
    const TDateTime from = IncMonth(EncodeDate(YearOf(today), MonthOf(today), 1), -1), to = IncMonth(from, 2);
    ExpectSameRows(WorkersReportSql(), kWorkersReference, 3, from, to);
    ExpectSameRows(DetailedWorkersReportSql(), kDetailedReference, 5, from, to);
}

TEST_F(ReportQueriesTest, GeneratedMonthGivesTheRowsOfTheSubqueryStatements) {
    // March 2030: 40 workers of the demo's products, some with hours of no group, at night, in
    // several groups, one namesake pair, one worker of no hours and one with only auxiliary hours
    Db().Exec(
        "insert into accounts_dep.person(id, fio, s_staffpos_hl) select 900 + w, case when w in (1, 2) then 'Тёзка Т.Т.' "
        "else 'Рабочий ' || w end, '' from generate_series(1, 40) w;"
        "insert into accounts_dep.smena(w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, time, ok, prize) "
        "select 900 + g % 39 + 1, (g % 48) / 6 + 1, g % 48 + 1, 1.5 + g % 7, 3 + g % 11, g % 2, date '2030-03-01' + g % 31, "
        "1 + g % 3, g % 4, case when g % 39 = 5 then 0 else g % 9 end, 'ok', g % 3 * 5 from generate_series(0, 2999) g;"
        "insert into accounts_dep.fatigue(id_nom, id_o, id_p, d_date, cnt, price, i_night) "
        "select case when g % 7 = 0 then null else 10 + g % 5 end, case when g % 3 = 0 then 7778 else 7777 end, 900 + g % 41 + 1, "
        "date '2030-03-01' + g % 31, 1 + g % 8, 100 + g % 13, g % 2 from generate_series(0, 599) g;"
        "insert into accounts_dep.fatigue(id_nom, id_o, id_p, d_date, cnt, price, i_night) values "
        "(10, 7777, 905, '2030-02-28', 5, 100, 0), (10, 7777, 905, '2030-04-01', 5, 100, 0), (10, 9999, 905, '2030-03-10', 5, 100, 0)");
    const TDateTime from = EncodeDate(2030, 3, 1), to = EncodeDate(2030, 4, 1);
    ExpectSameRows(WorkersReportSql(), kWorkersReference, 3, from, to);
    ExpectSameRows(DetailedWorkersReportSql(), kDetailedReference, 5, from, to);
    // half a month
    ExpectSameRows(WorkersReportSql(), kWorkersReference, 3, from, EncodeDate(2030, 3, 16));
    ExpectSameRows(DetailedWorkersReportSql(), kDetailedReference, 5, from, EncodeDate(2030, 3, 16));
}

// A database made before the index the monthly sums per worker use gets it from db/upgrade.sql,
// which can run again over a current database.
TEST_F(ReportQueriesTest, UpgradeAddsTheIndexesToAnOlderDatabase) {
    const std::string indexes = "select count(*) from pg_indexes where schemaname='accounts_dep' and indexname='fatigue_id_p_d_date_idx'";
    ASSERT_EQ(Db().Value(indexes), "1");
    Db().Exec("drop index accounts_dep.fatigue_id_p_d_date_idx");
    const std::string upgrade = sdelka::test::PgReadSqlFile(sdelka::test::PgSourceDir() + "/db/upgrade.sql");
    Db().Exec(upgrade);
    EXPECT_EQ(Db().Value(indexes), "1");
    Db().Exec(upgrade);
    EXPECT_EQ(Db().Value(indexes), "1");
}

}  // namespace
