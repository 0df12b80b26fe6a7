// Rebuilds of a month's timesheet rows from the daily records, against a database of its own:
// what the rows hold afterwards, the rows of the other kind and of other months left alone, a
// server failure on a late day leaving the month as it was, and two rebuilds (or a rebuild and a
// save) of one month running one after the other.
#include "app/daycell.h"
#include "app/timesheetrebuild.h"
#include "platform/ado/adodb.h"
#include "platform/rtl/dateutils.h"
#include "support/pg_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

class TimesheetRebuildTest : public sdelka::test::PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec("delete from accounts_dep.smena; delete from accounts_dep.h_dizuv; delete from accounts_dep.fatigue;"
                  "drop trigger if exists fail_late on accounts_dep.h_dizuv;");
        Conn = Connect();
    }
    TOwned<TADOConnection> Connect() {
        TOwned<TADOConnection> c = NewOwned<TADOConnection>(nullptr);
        c->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        c->Open();
        return c;
    }
    // Production records of March 2024: (worker, shift, day, hours).
    void Records(std::initializer_list<std::array<int, 4>> Rows) {
        for (const auto& r : Rows)
            Db().Exec("insert into accounts_dep.smena(w_id, smena, data, time, kol_vo, brak, cena, o_id) values (" +
                      std::to_string(r[0]) + ", " + std::to_string(r[1]) + ", '2024-03-" + std::to_string(r[2]) + "', " +
                      std::to_string(r[3]) + ", 1, 0, 1, 1)");
    }
    // Auxiliary hours of March 2024: (worker, kind, night, group (0: none), day, hours).
    void Hours(std::initializer_list<std::array<int, 6>> Rows) {
        for (const auto& r : Rows)
            Db().Exec("insert into accounts_dep.fatigue(id_p, id_o, i_night, id_nom, d_date, cnt, price) values (" +
                      std::to_string(r[0]) + ", " + std::to_string(r[1]) + ", " + std::to_string(r[2]) + ", " +
                      (r[3] ? std::to_string(r[3]) : "null") + ", '2024-03-" + std::to_string(r[4]) + "', " +
                      std::to_string(r[5]) + ", 10)");
    }
    // The rows of a month, as "w_id smena i_type i_night id_nom: day=hours ..." in a fixed order.
    std::string Rows(int Month = 3, int Year = 2024) {
        std::string days;
        for (int d = 1; d <= 31; ++d)
            days += " || case when d" + std::to_string(d) + " is null then '' else ' " + std::to_string(d) + "=' || d" +
                    std::to_string(d) + " end";
        return Db().Value("select string_agg(concat_ws(' ', w_id, smena, i_type, coalesce(i_night::text, '-'), coalesce(id_nom::text, '-')) || ':'" +
                          days + ", '; ' order by w_id, smena, i_type, i_night, id_nom) from accounts_dep.h_dizuv "
                          "where month=" + std::to_string(Month) + " and year=" + std::to_string(Year));
    }
    TOwned<TADOConnection> Conn;
};

TEST_F(TimesheetRebuildTest, RowsFollowTheRecordsAndLeaveTheOtherKindAlone) {
    Records({{1, 1, 5, 5}, {1, 2, 5, 3}, {1, 1, 5, 2},  // two shifts on one day; one shift's hours add up
             {1, 4, 9, 6},                                // overtime makes a row of shift 4
             {2, 3, 31, 8}});
    Hours({{7, 7777, 0, 3, 5, 2}, {7, 7777, 0, 3, 5, 4},  // the same key on one day adds up
           {7, 7777, 0, 4, 6, 1},                         // another group, another row
           {7, 7777, 1, 3, 6, 9},                         // night hours, another row
           {8, 7778, 0, 0, 7, 4}});                       // no group
    // rows that drifted, a row of another month, and a row of a key with no records any more
    Db().Exec("insert into accounts_dep.h_dizuv(w_id, smena, month, year, d5, d20) values (1, 1, 3, 2024, 99, 4), "
              "(1, 1, 4, 2024, 8, null), (3, 2, 3, 2024, 8, null)");
    Db().Exec("insert into accounts_dep.h_dizuv(w_id, smena, i_type, i_night, id_nom, month, year, d5) values "
              "(7, 0, 7777, 0, 3, 3, 2024, 1), (9, 0, 7778, 0, 3, 3, 2024, 5)");

    std::vector<int> days;
    RebuildShiftTimesheet(Conn.get(), 3, 2024, [&](int Day, int Days) {
        EXPECT_EQ(Days, 31);
        days.push_back(Day);
    });
    EXPECT_EQ(days, std::vector<int>{31});
    EXPECT_EQ(Rows(), "1 1 0 - -: 5=7; 1 2 0 - -: 5=3; 1 4 0 - -: 9=6; 2 3 0 - -: 31=8; "
                      "7 0 7777 0 3: 5=1; 9 0 7778 0 3: 5=5");
    EXPECT_EQ(Rows(4), "1 1 0 - -: 5=8");

    RebuildAuxiliaryTimesheet(Conn.get(), 3, 2024);
    EXPECT_EQ(Rows(), "1 1 0 - -: 5=7; 1 2 0 - -: 5=3; 1 4 0 - -: 9=6; 2 3 0 - -: 31=8; "
                      "7 0 7777 0 3: 5=6; 7 0 7777 0 4: 6=1; 7 0 7777 1 3: 6=9; 8 0 7778 0 -: 7=4");

    // all records of the month gone: no rows of either kind are left; February of a leap year
    // has its 29 days
    Db().Exec("delete from accounts_dep.smena; delete from accounts_dep.fatigue");
    RebuildShiftTimesheet(Conn.get(), 3, 2024);
    RebuildAuxiliaryTimesheet(Conn.get(), 3, 2024);
    EXPECT_EQ(Rows(), "");
    int last = 0;
    RebuildShiftTimesheet(Conn.get(), 2, 2024, [&](int Day, int) { last = Day; });
    EXPECT_EQ(last, 29);
    EXPECT_FALSE(Conn->InTransaction());
}

// A worker whose records carry no hours keeps his row, with 0 on the days he has records, as the
// save of a record leaves it; a day without records stays empty.
TEST_F(TimesheetRebuildTest, RecordsWithoutHoursKeepTheWorkersRow) {
    Records({{5, 1, 3, 0}, {5, 1, 3, 0}, {5, 1, 7, 0},  // no hours at all in the month
             {6, 2, 4, 0}, {6, 2, 4, 3}, {6, 2, 8, 0}});  // hours on one day, none on another
    Hours({{7, 7777, 0, 3, 5, 0}});
    RebuildShiftTimesheet(Conn.get(), 3, 2024);
    RebuildAuxiliaryTimesheet(Conn.get(), 3, 2024);
    const std::string rebuilt = Rows();
    EXPECT_EQ(rebuilt, "5 1 0 - -: 3=0 7=0; 6 2 0 - -: 4=3 8=0; 7 0 7777 0 3: 5=0");

    // the record save path leaves the same cells
    Db().Exec("delete from accounts_dep.h_dizuv");
    std::vector<TDayCell> cells;
    for (auto [worker, shift, day] : {std::array<int, 3>{5, 1, 3}, {5, 1, 7}, {6, 2, 4}, {6, 2, 8}})
        cells.push_back(ProductionDayCell(worker, shift, EncodeDate(2024, 3, day)));
    cells.push_back(AuxiliaryDayCell(7, 7777, 3, 0, EncodeDate(2024, 3, 5)));
    RecomputeDayCells(Conn.get(), cells);
    EXPECT_EQ(Rows(), rebuilt);
}

TEST_F(TimesheetRebuildTest, FailureOnALateDayLeavesTheMonthAsItWas) {
    Records({{1, 1, 5, 5}, {1, 1, 25, 8}});
    Db().Exec("insert into accounts_dep.h_dizuv(w_id, smena, month, year, d5, d25) values (1, 1, 3, 2024, 4, 4)");
    const std::string before = Rows();
    Db().Exec("create or replace function fail_late() returns trigger language plpgsql as $$ begin "
              "if new.d25 is not null then raise exception 'нет места'; end if; return new; end $$; "
              "create trigger fail_late before insert or update on accounts_dep.h_dizuv for each row execute function fail_late()");
    for (auto rebuild : {&RebuildShiftTimesheet, &RebuildAuxiliaryTimesheet}) {
        if (rebuild == &RebuildAuxiliaryTimesheet) Hours({{7, 7777, 0, 3, 25, 2}});
        try {
            rebuild(Conn.get(), 3, 2024, {});
            ADD_FAILURE() << "the rebuild went through";
        } catch (const EDatabaseError& E) {
            EXPECT_TRUE(E.Message().contains(QStringLiteral("нет места"))) << E.Message().toStdString();
        }
        EXPECT_EQ(Rows(), before);
        EXPECT_FALSE(Conn->InTransaction());
    }
    Db().Exec("drop trigger fail_late on accounts_dep.h_dizuv");
    RebuildShiftTimesheet(Conn.get(), 3, 2024);
    EXPECT_EQ(Rows(), "1 1 0 - -: 5=5 25=8");
}

TEST_F(TimesheetRebuildTest, OneMonthIsRebuiltByOneClientAtATime) {
    Records({{1, 1, 5, 5}});
    // another client's rebuild of March that has not committed yet
    TOwned<TADOConnection> other = Connect();
    other->BeginTrans();
    RebuildShiftTimesheet(other.get(), 3, 2024);
    auto waiting = [this] {
        for (int i = 0; i < 200; ++i) {
            if (Db().Value("select count(*) from pg_locks where locktype='advisory' and not granted") != "0") return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return false;
    };
    // this client's rebuild of the same month waits for it, and so does a save of a record of March
    std::atomic<bool> done{false};
    std::thread rebuild([&] {
        RebuildShiftTimesheet(Conn.get(), 3, 2024);
        done = true;
    });
    EXPECT_TRUE(waiting());
    EXPECT_FALSE(done);
    TOwned<TADOConnection> card = Connect();
    std::atomic<bool> saved{false};
    std::thread save([&] {
        RecomputeDayCell(card.get(), ProductionDayCell(2, 3, EncodeDate(2024, 3, 6)));
        saved = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(saved);
    // a rebuild of another month does not wait
    TOwned<TADOConnection> april = Connect();
    RebuildShiftTimesheet(april.get(), 4, 2024);

    Records({{2, 3, 6, 7}});
    other->CommitTrans();
    rebuild.join();
    save.join();
    EXPECT_TRUE(done && saved);
    EXPECT_EQ(Rows(), "1 1 0 - -: 5=5; 2 3 0 - -: 6=7");
}

}  // namespace
