// The hidden import: the older database is a second database of the cluster, named by a
// connection service of a service file the test writes; the client's database by another.
#include "app/legacyimport.h"
#include "app_fixture.h"
#include "platform/gui/dialogs.h"

#include <cstdlib>
#include <fstream>

namespace sdelka::test {
namespace {

// The older database: its seven tables in the default schema, with a few rows each.
const char* const LegacyTables = R"SQL(
create table h_dizuv (id integer, w_id integer, month integer, year integer, smena integer,
  d1 integer, d2 integer, d3 integer, d4 integer, d5 integer, d6 integer, d7 integer, d8 integer,
  d9 integer, d10 integer, d11 integer, d12 integer, d13 integer, d14 integer, d15 integer,
  d16 integer, d17 integer, d18 integer, d19 integer, d20 integer, d21 integer, d22 integer,
  d23 integer, d24 integer, d25 integer, d26 integer, d27 integer, d28 integer, d29 integer,
  d30 integer, d31 integer);
insert into h_dizuv(id, w_id, month, year, smena, d1, d2, d31) values
  (21, 901, 3, 2009, 1, 8, null, 4), (20, 902, 3, 2009, 2, null, 12, null), (22, 903, 3, 2009, null, 8, 8, 8);
create table izdel (id integer, marka varchar(50), nom varchar(50), massa double precision);
insert into izdel values (31, 'Стеллаж С-1', 'Стеллажи', 2.5), (32, 'Ящик Я-2', 'Нет такой группы', null);
create table nomenkl (marka varchar(50), nom varchar(50));
create table oper (id integer, vid integer, naimen integer, cena double precision, i_id integer);
insert into oper values (41, 51, 0, 12.75, 31), (42, 52, 1, 3.5, 32);
create table vid_oper (id integer, vid varchar(50));
insert into vid_oper values (52, 'Сварка'), (51, 'Покраска');
create table workers (id integer, fio varchar(50), addr varchar(50));
insert into workers values (901, 'Петров П. П.', 'ул. Заводская, 1'), (902, 'Сидоров С. С.', null);
create table smena (id integer, w_id integer, i_id integer, o_id integer, kol_vo integer, brak integer,
  smena integer, cena double precision, color integer, ok varchar(10), data date, "time" integer, vvod timestamp);
insert into smena values
  (61, 901, 31, 41, 10, 1, 1, 12.75, 0, 'ok', '2009-03-02', 8, '2009-03-02 17:45:10'),
  (62, 902, 32, 42, 4, 0, 2, 3.5, 3005, null, '2009-03-03', 12, null);
)SQL";

class LegacyImportTest : public AppSuite<true> {
protected:
    void SetUp() override {
        AppSuite<true>::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Legacy = std::make_unique<PgDatabase>("legacy");
        Legacy->Exec(LegacyTables);
        const char* old = std::getenv("PGSERVICEFILE");
        FOldServiceFile = old ? old : "";
        FHadServiceFile = old != nullptr;
        FServiceFile = ::testing::TempDir() + "sdelka_pg_service_" + std::to_string(getpid()) + ".conf";
    }
    void TearDown() override {
        if (FHadServiceFile) setenv("PGSERVICEFILE", FOldServiceFile.c_str(), 1);
        else unsetenv("PGSERVICEFILE");
        std::remove(FServiceFile.c_str());
        AppSuite<true>::TearDown();
        Legacy.reset();
    }

    // Writes the service file: the client's database, and the older one unless left out.
    void WriteServices(bool WithLegacy = true) {
        std::ofstream f(FServiceFile);
        auto service = [&](const char* Name, const std::string& Db) {
            f << '[' << Name << "]\nhost=" << PgDatabase::Host() << "\nport=" << PgDatabase::Port() << "\ndbname=" << Db
              << '\n';
            if (!PgDatabase::User().empty()) f << "user=" << PgDatabase::User() << '\n';
        };
        service("Dizuv_PgSQL", Db().Name());
        if (WithLegacy) service("Dizuv", Legacy->Name());
        f.close();
        setenv("PGSERVICEFILE", FServiceFile.c_str(), 1);
    }

    // The rows of a table as one text, in id order.
    std::string Rows(const std::string& Table, const std::string& Columns) {
        return Db().Value("select string_agg(concat_ws('|', " + Columns + "), E'\\n' order by id) from " + Table);
    }
    std::string LegacyRows(const std::string& Table, const std::string& Columns) {
        return Legacy->Value("select string_agg(concat_ws('|', " + Columns + "), E'\\n' order by id) from " + Table);
    }

    std::unique_ptr<PgDatabase> Legacy;

private:
    std::string FServiceFile, FOldServiceFile;
    bool FHadServiceFile = false;
};

TEST_F(LegacyImportTest, CopiesTheSevenTablesOfTheOlderDatabase) {
    // rows at or below id 0 stay beside the copied ones; an empty source leaves its target empty
    Db().Exec("insert into accounts_dep.vid_oper(id, vid) values (0, 'Служебная'), (-1, 'Старая');"
              "insert into accounts_dep.nomenkl(id, nom, marka) values (5, 'Лишняя', 'Л-5'), (-5, 'Своя', 'С-5')");
    WriteServices();
    Start();
    Form1->N12->Click();
    EXPECT_EQ(Messages(), std::vector<String>());

    const std::string days = "id, w_id, month, year, smena, d1, d2, d3, d31";
    EXPECT_EQ(Rows("accounts_dep.h_dizuv", days),
              "20|902|3|2009|2|12\n21|901|3|2009|1|8|4\n22|903|3|2009|0|8|8|8");
    EXPECT_EQ(Db().Value("select count(*) from accounts_dep.h_dizuv where d1 is null or d31 is null"), "1");
    // products land as goods rows: the group is the one of the older caption, if any
    EXPECT_EQ(Rows("accounts_dep.izdel", "id, marka, nom, massa"), "31|Стеллаж С-1|Стеллажи|2.500000\n32|Ящик Я-2");
    EXPECT_EQ(Db().Value("select count(*) from cmn_gds_and_srv.gds_and_srv"), "2");
    EXPECT_EQ(Rows("accounts_dep.nomenkl", "id, nom, marka"), "-5|Своя|С-5");
    EXPECT_EQ(Rows("accounts_dep.oper", "id, vid, naimen, cena, i_id"), LegacyRows("oper", "id, vid, naimen, cena, i_id"));
    EXPECT_EQ(Rows("accounts_dep.vid_oper", "id, vid"), "-1|Старая\n0|Служебная\n51|Покраска\n52|Сварка");
    EXPECT_EQ(Rows("accounts_dep.workers", "id, fio, addr"), LegacyRows("workers", "id, fio, addr"));
    const std::string record = "id, w_id, i_id, o_id, kol_vo, brak, smena, cena, color, ok, data, \"time\", vvod";
    EXPECT_EQ(Rows("accounts_dep.smena", record), LegacyRows("smena", record));
    EXPECT_EQ(Form1->Label1->Caption(), QStringLiteral("SMENA: 2 из 2 записей"));

    // the client's next rows get ids past the copied ones
    Db().Exec("insert into accounts_dep.smena(w_id) values (901); insert into accounts_dep.workers(fio) values ('Н')");
    EXPECT_EQ(Db().Value("select max(id) > 62 from accounts_dep.smena"), "t");
    EXPECT_EQ(Db().Value("select max(id) > 902 from accounts_dep.workers"), "t");
}

TEST_F(LegacyImportTest, AFailingStepLeavesItsTableAndStopsWithTheServersMessage) {
    // the older operations hold one id twice: step 4 fails on its second row
    Legacy->Exec("insert into oper values (41, 53, 0, 1, 31)");
    const std::string oper = Rows("accounts_dep.oper", "id, vid, naimen, cena_new, cena, i_id");
    const std::string kinds = Rows("accounts_dep.vid_oper", "id, vid");
    const std::string records = Rows("accounts_dep.smena", "id, w_id, o_id, data");
    ASSERT_FALSE(oper.empty());
    WriteServices();
    Start();
    Form1->N12->Click();

    const auto m = Messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_TRUE(m[0].startsWith(QStringLiteral(
        "Ошибка|Импорт остановлен на шаге 4 (OPER → accounts_dep.oper): таблица accounts_dep.oper оставлена как была.\n")))
        << m[0].toStdString();
    EXPECT_TRUE(m[0].contains(QStringLiteral("duplicate key"))) << m[0].toStdString();
    EXPECT_EQ(Rows("accounts_dep.oper", "id, vid, naimen, cena_new, cena, i_id"), oper);
    // the steps before it are done, the ones after it did not run
    EXPECT_EQ(Db().Value("select string_agg(id::text, ',' order by id) from accounts_dep.h_dizuv"), "20,21,22");
    EXPECT_EQ(Db().Value("select string_agg(id::text, ',' order by id) from accounts_dep.izdel"), "31,32");
    EXPECT_EQ(Rows("accounts_dep.vid_oper", "id, vid"), kinds);
    EXPECT_EQ(Rows("accounts_dep.smena", "id, w_id, o_id, data"), records);
}

TEST_F(LegacyImportTest, NoOlderDatabaseWritesNothingAndTheStructureItemDoesNothing) {
    const std::string days = Rows("accounts_dep.h_dizuv", "id, w_id, month, year");
    const std::string aux = Db().Value("select count(*) from accounts_dep.fatigue");
    WriteServices(/*WithLegacy=*/false);
    Start();
    Form1->N12->Click();
    const auto m = Messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_TRUE(m[0].startsWith(QStringLiteral("Ошибка|") + DatabaseErrorLead + u'\n')) << m[0].toStdString();
    EXPECT_TRUE(m[0].contains(QStringLiteral("Dizuv"))) << m[0].toStdString();
    EXPECT_EQ(Rows("accounts_dep.h_dizuv", "id, w_id, month, year"), days);

    Responder.Clear();
    Form1->N16->Click();
    EXPECT_EQ(Messages(), std::vector<String>());
    EXPECT_EQ(Db().Value("select count(*) from accounts_dep.fatigue"), aux);
    // both items stay hidden
    EXPECT_FALSE(Form1->N12->Visible());
    EXPECT_FALSE(Form1->N16->Visible());
}

}  // namespace
}  // namespace sdelka::test
