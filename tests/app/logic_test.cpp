// The client's pure rules: the connection string, the build stamp, the access words and roles,
// the number normaliser.
#include "app/buildstamp.h"
#include "app/datamodule.h"
#include "app/roles.h"
#include "platform/ado/pgsqltext.h"

#include <gtest/gtest.h>

namespace {

// What the client's arguments make of the connection: the database and server libpq is given, on
// the port, login and encryption every client uses.
TEST(ConnectionString, ArgumentsChooseTheDatabaseAndServer) {
    struct Case {
        const char* Db;
        const char* Server;
        const char* Target;  // what libpq is told before the common part
    } cases[] = {
        {"sdelka", "/tmp/sock", "dbname='sdelka' host='/tmp/sock' "},
        {"", "db.factory", "host='db.factory' "},              // a server without a database name
        {"", "", "dbname='mervadb' host='127.0.0.1' "},        // no arguments: the factory's server
        {"sdelka", "", "dbname='mervadb' host='127.0.0.1' "},  // only the database name
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PgConnInfo(SdelkaConnectionString(QString::fromUtf8(c.Db), QString::fromUtf8(c.Server))),
                  QString::fromUtf8(c.Target) +
                      QStringLiteral("port='5432' user='sys' password='vexplum' sslmode='allow' client_encoding='UTF8'"))
            << c.Db << " / " << c.Server;
    }
}

TEST(BuildStamp, DateAndTimeTexts) {
    struct Case {
        const char* Date;
        int Expected;
    } cases[] = {
        {"Jan 31 2026", 20260131}, {"Feb 28 2025", 20250228}, {"Mar  1 2026", 20260301},
        {"Apr 10 2026", 20260410}, {"May 15 2026", 20260515}, {"Jun 30 2026", 20260630},
        {"Jul  4 2026", 20260704}, {"Aug 21 2026", 20260821}, {"Sep  9 2026", 20260909},
        {"Oct 12 2026", 20261012}, {"Nov 11 2026", 20261111}, {"Dec  5 2026", 20261205},
        {"??? ?? ????", 19000101},
    };
    for (const auto& c : cases) EXPECT_EQ(BuildDateOf(c.Date), c.Expected) << c.Date;
    EXPECT_EQ(BuildSecondsOf("00:00:00"), 0);
    EXPECT_EQ(BuildSecondsOf("23:59:59"), 86399);
    EXPECT_EQ(BuildSecondsOf("14:03:27"), 14 * 3600 + 3 * 60 + 27);
}

TEST(BuildStamp, OrderAndThisBuild) {
    EXPECT_LT(CompareBuildStamps({20260101, 86000}, {20260102, 0}), 0);  // an earlier day, whatever its seconds
    EXPECT_LT(CompareBuildStamps({20260102, 10}, {20260102, 11}), 0);
    EXPECT_EQ(CompareBuildStamps({20260102, 11}, {20260102, 11}), 0);
    EXPECT_GT(CompareBuildStamps({20260103, 0}, {20260102, 86399}), 0);
    // This program's stamp is today's build: a real date and a time of day.
    const TBuildStamp now = CurrentBuildStamp();
    EXPECT_GT(now.Date, 20200101);
    EXPECT_GE(now.Seconds, 0);
    EXPECT_LT(now.Seconds, 86400);
}

TEST(Roles, AccessWords) {
    struct Case {
        const char* Word;
        TRole Role;
    } cases[] = {
        {"57203816", rlAdministrator}, {"0583", rlAdministrator}, {"plavor", rlPlanning},
        {"brendik", rlForemen},        {"  brendik \t", rlForemen}, {"Brendik", rlNone},
        {"tovik", rlStorekeeper},      {"", rlNone},                {"0584", rlNone},
    };
    for (const auto& c : cases) EXPECT_EQ(RoleOfWord(QString::fromUtf8(c.Word)), c.Role) << c.Word;
}

TEST(Roles, SwitchedOffControls) {
    // One row per control: administrator, planning, foremen, storekeeper (true: switched off).
    struct Row {
        TRoleControl Control;
        bool Off[4];
    } table[] = {
        {rcAdd, {false, true, false, true}},
        {rcEdit, {false, true, true, true}},
        {rcDelete, {false, true, true, true}},
        {rcRefresh, {false, true, false, false}},
        {rcShiftButtons, {false, true, false, false}},
        {rcWeekend, {false, true, false, false}},
        {rcDatePicker, {false, true, false, false}},
        {rcGrid, {false, true, false, false}},
        {rcMenuDirectories, {false, true, true, true}},
        {rcMenuTimesheet, {false, true, true, true}},
        {rcReportDetailWorkers, {false, false, true, true}},
        {rcReportProducts, {false, false, true, true}},
        {rcReportWorkers, {false, false, true, true}},
        {rcReportExcel, {false, false, true, true}},
        {rcReportKind, {false, false, false, true}},
    };
    const TRole roles[] = {rlAdministrator, rlPlanning, rlForemen, rlStorekeeper};
    for (const auto& row : table)
        for (int r = 0; r < 4; ++r)
            EXPECT_EQ(SwitchedOffControls(roles[r]).Contains(row.Control), row.Off[r])
                << "control " << row.Control << ", role " << roles[r];
    EXPECT_TRUE(SwitchedOffControls(rlNone).Empty());
}

TEST(DataModule, FixDecimalSeparator) {
    auto* dm = New<TDataModule6>(nullptr);
    struct Case {
        const char* Separator;
        const char* Text;
        const char* Expected;
    } cases[] = {
        {".", "12,5", "12.5"}, {",", "12.5", "12,5"}, {".", "125", "125"},
        {".", "1,234.5", "1.234.5"}, {"", "7,25", "7.25"},  // no separator read yet: a full stop
    };
    for (const auto& c : cases) {
        dm->SqlDecimalSeparator = QString::fromUtf8(c.Separator);
        EXPECT_EQ(dm->FixDecimalSeparator(QString::fromUtf8(c.Text)), QString::fromUtf8(c.Expected)) << c.Text;
    }
    EXPECT_EQ(dm->SqlDecimalSeparator, QStringLiteral("."));  // set by the last case
    dm->Free();
}

}  // namespace
