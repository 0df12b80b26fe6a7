// The group tree over 10 000 piece-work rows read from the private cluster: its group rows and
// footer sums equal the server's GROUP BY ROLLUP, before and after the rows change.
#include "groupstestgrid.h"

#include "platform/ado/adodb.h"
#include "platform/rtl/sysutils.h"

#include "support/pg_fixture.h"
#include "support/tools.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace groupstest;

namespace {

class GroupTreePgTest : public sdelka::test::PgSuite<> {
protected:
    static constexpr int Rows = 10000;

    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec(
            "drop table if exists grp_work;"
            "create table grp_work (id int primary key, ceh text, nom text, fio text, summa numeric(12,2), kol int);"
            "insert into grp_work select g,"
            " case when g % 23 = 0 then null else"
            "  (array['Механический','Сборочный','Литейный','Кузнечный','Инструментальный'])[1 + g % 5] end,"
            " case when g % 31 = 0 then null else"
            "  (array['Валы','Втулки','Корпуса','Шестерни','Фланцы','Крышки','Оси'])[1 + (g / 7) % 7] || ' гр.' || (g % 3) end,"
            " 'Рабочий ' || (g % 97),"
            " case when g % 17 = 0 then null else ((g * 7919) % 250000) / 100.0 end,"
            " case when g % 13 = 0 then null else g % 40 end"
            " from generate_series(1, 10000) g;");
        Conn = NewOwned<TADOConnection>(nullptr);
        Conn->SetLoginPrompt(false);
        Conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        auto q = NewOwned<TADOQuery>(nullptr);
        q->SetConnection(Conn.get());
        q->SQL()->SetText(u"select id, ceh, nom, fio, summa, kol from grp_work order by id"_S);
        T = NewOwned<TMemTableVz>(nullptr);
        ASSERT_EQ(T->LoadFromDataSet(q.get(), 0, lmCopy, false), Rows);

        G = NewOwned<TTestGroupGrid>(nullptr);
        for (const char16_t* F : {u"id", u"ceh", u"nom", u"fio", u"summa", u"kol"})
            G->Columns->Add(T.get(), String::fromUtf16(F));
        G->Bind(T.get());
        TGridDataGroupFooterVz* F = G->Groups->Footers()->Add();
        F->SetVisible(true);
        F->ColumnItems()->Items(3)->SetValueType(gfvStaticTextVz);
        F->ColumnItems()->Items(3)->SetText(u"ИТОГО:"_S);
        F->ColumnItems()->Items(4)->SetValueType(gfvSumVz);
        F->ColumnItems()->Items(5)->SetValueType(gfvCountVz);
        G->Groups->GroupLevels()->Add()->SetColumn(G->Columns->Items(1));
        G->Groups->GroupLevels()->Add()->SetColumn(G->Columns->Items(2));
        G->Groups->SetDefaultStateExpanded(true);
        G->Groups->SetActive(true);
    }
    void TearDown() override {
        G.reset();
        T.reset();
        Conn.reset();
    }

    QStringList Psql(const std::string& Sql) {
        sdelka::test::TRun R;
        QStringList Lines = sdelka::test::PsqlLines(QString::fromStdString(Db().ConnInfo()), QString::fromStdString(Sql), &R);
        EXPECT_EQ(R.Code, 0) << R.Err.toStdString();
        return Lines;
    }
    // The rollup as the server computes it: "grouping bits|ceh|nom|sum|count|rows" per line.
    QStringList ServerRollup() {
        QStringList L = Psql(
            "select grouping(ceh) || '' || grouping(nom), coalesce(ceh, ''), coalesce(nom, ''),"
            " coalesce(to_char(sum(summa), 'FM999999990.00'), ''), count(kol), count(*)"
            " from grp_work group by rollup (ceh, nom)");
        L.sort();
        return L;
    }
    static String Money(const Variant& V) {
        if (VarIsNullish(V)) return String();
        return QString::number(V.AsCurrency().ToDouble(), 'f', 2);
    }
    static String Line(const char* Bits, TGroupDataTreeNodeVz* Outer, TGroupDataTreeNodeVz* Inner, TGroupDataTreeNodeVz* Footer,
                       int Records) {
        return QStringList{QString::fromLatin1(Bits), Outer ? VarToStr(Outer->KeyValue()) : String(),
                           Inner ? VarToStr(Inner->KeyValue()) : String(), Money(Footer->FooterValues(4)),
                           VarToStr(Footer->FooterValues(5)), QString::number(Records)}
            .join(u'|');
    }
    // The same from the tree: every group of both levels with its footer, and the grand totals.
    QStringList TreeRollup() {
        QStringList L;
        TGroupDataTreeNodeVz* Root = G->Tree()->Root();
        int All = 0;
        for (Integer I = 0; I < Root->Count(); ++I) {
            TGroupDataTreeNodeVz* Outer = Root->Items(I);
            int InOuter = 0;
            for (Integer J = 0; J < Outer->Count(); ++J) {
                TGroupDataTreeNodeVz* Inner = Outer->Items(J);
                L << Line("00", Outer, Inner, Inner->FooterItems(0), Inner->Count());
                InOuter += Inner->Count();
                EXPECT_EQ(Inner->FooterItems(0)->FooterValues(3).AsString(), u"ИТОГО:"_S);
            }
            L << Line("01", Outer, nullptr, Outer->FooterItems(0), InOuter);
            All += InOuter;
        }
        L << Line("11", nullptr, nullptr, Root->FooterItems(0), All);
        L.sort();
        return L;
    }
    void ExpectRollupsEqual(const char* When) {
        SCOPED_TRACE(When);
        const QStringList Ours = TreeRollup();
        const QStringList Server = ServerRollup();
        ASSERT_EQ(Ours.size(), Server.size());
        for (int I = 0; I < Ours.size(); ++I) ASSERT_EQ(Ours[I].toStdString(), Server[I].toStdString()) << "line " << I;
    }
    // Every group, record and group footer is a row while all is expanded.
    int ExpandedRows() {
        const QStringList L = ServerRollup();
        int Groups = 0;
        for (const String& S : L)
            if (!S.startsWith(u"11"_S)) ++Groups;
        return Groups * 2 + T->RecordCount();
    }

    TOwned<TADOConnection> Conn;
    TOwned<TMemTableVz> T;
    TOwned<TTestGroupGrid> G;
};

TEST_F(GroupTreePgTest, GroupsAndSumsEqualTheServersRollup) {
    ExpectRollupsEqual("built");
    EXPECT_EQ(G->Tree()->FlatVisibleCount(), ExpandedRows());

    // Collapsing and expanding change the rows, not the sums.
    G->Groups->GroupLevels()->Items(0)->CollapseNodes();
    EXPECT_EQ(G->Tree()->FlatVisibleCount(), G->Tree()->Root()->Count());
    ExpectRollupsEqual("collapsed");
    G->Groups->GroupLevels()->Items(0)->ExpandNodes();
    EXPECT_EQ(G->Tree()->FlatVisibleCount(), ExpandedRows());

    // An insert into an existing group, one that makes new groups, an edit inside a group, an
    // edit that moves a record to another group and a delete: the server is told the same.
    T->AppendRecord({Variant(10001), Variant(u"Сборочный"_S), Variant(u"Валы гр.1"_S), Variant(u"Рабочий 1"_S),
                     Variant(Currency(1234.56)), Variant(3)});
    Db().Exec("insert into grp_work values (10001, 'Сборочный', 'Валы гр.1', 'Рабочий 1', 1234.56, 3)");
    ExpectRollupsEqual("insert into a group");
    T->AppendRecord({Variant(10002), Variant(u"Малярный"_S), Variant(u"Рамы"_S), Null(), Variant(Currency(10.5)), Null()});
    Db().Exec("insert into grp_work values (10002, 'Малярный', 'Рамы', null, 10.5, null)");
    ExpectRollupsEqual("insert of new groups");

    ASSERT_TRUE(T->Locate(u"id"_S, Variant(500), {}));
    T->Edit();
    T->FieldByName(u"summa"_S)->SetValue(Variant(Currency(99999.99)));
    T->Post();
    Db().Exec("update grp_work set summa = 99999.99 where id = 500");
    ExpectRollupsEqual("edit inside a group");

    ASSERT_TRUE(T->Locate(u"id"_S, Variant(501), {}));
    T->Edit();
    T->FieldByName(u"ceh"_S)->SetValue(Null());
    T->FieldByName(u"nom"_S)->SetValue(Variant(u"Рамы"_S));
    T->Post();
    Db().Exec("update grp_work set ceh = null, nom = 'Рамы' where id = 501");
    ExpectRollupsEqual("edit into another group");

    ASSERT_TRUE(T->Locate(u"id"_S, Variant(10002), {}));
    T->Delete();
    Db().Exec("delete from grp_work where id = 10002");
    ExpectRollupsEqual("delete");
    EXPECT_EQ(G->Tree()->FlatVisibleCount(), ExpandedRows());
    EXPECT_EQ(G->FullRebuilds, 0);
}

}  // namespace
