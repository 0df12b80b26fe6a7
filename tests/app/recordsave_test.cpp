// Saving production records with their timesheet day cells, against a database of its own:
// sums, moves, duplicates, quoting, rollback on a server failure, and the lock that keeps two
// clients from inserting the same record.
#include "app/daycell.h"
#include "app/recordsave.h"
#include "app/sqlrun.h"
#include "app/workers.h"
#include "platform/gui/dialogs.h"
#include "platform/rtl/dateutils.h"
#include "support/pg_fixture.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

using sdelka::test::PgConnection;

class RecordSaveTest : public sdelka::test::PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec("delete from accounts_dep.smena; delete from accounts_dep.h_dizuv; delete from accounts_dep.fatigue;"
                  "delete from accounts_dep.person;"
                  "drop trigger if exists fail_second on accounts_dep.h_dizuv;"
                  "drop trigger if exists fail_update on accounts_dep.h_dizuv;");
        Conn = New<TADOConnection>(nullptr);
        Conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        Conn->Open();
        Scope = std::make_unique<TResponderScope>(&Responder);
    }
    void TearDown() override {
        Scope.reset();
        if (Conn) Conn->Free();
        Conn = nullptr;
    }

    static TProductionRecord Rec(int Worker, TDateTime Day, int Hours, int Operation = 100, int Colour = 0) {
        TProductionRecord r;
        r.WorkerId = Worker;
        r.ProductId = 10;
        r.OperationId = Operation;
        r.Price = 2.5;
        r.Quantity = 4;
        r.Defects = 1;
        r.Hours = Hours;
        r.Date = Day;
        r.Shift = 2;
        r.Colour = Colour;
        return r;
    }
    // The day cell of a worker's production month row ("" for null, "none" when no row).
    std::string Cell(int Worker, int Shift, int Day, int Month = 3, int Year = 2024) {
        const std::string where = " from accounts_dep.h_dizuv where w_id=" + std::to_string(Worker) +
                                  " and smena=" + std::to_string(Shift) + " and month=" + std::to_string(Month) +
                                  " and year=" + std::to_string(Year);
        if (Db().Value("select count(*)" + where) == "0") return "none";
        return Db().Value("select d" + std::to_string(Day) + where);
    }
    std::string Count(const std::string& table) { return Db().Value("select count(*) from " + table); }

    TADOConnection* Conn = nullptr;
    TScriptedResponder Responder;
    std::unique_ptr<TResponderScope> Scope;
    const TDateTime Mar5 = EncodeDate(2024, 3, 5);
    const TDateTime Mar6 = EncodeDate(2024, 3, 6);
};

TEST_F(RecordSaveTest, InsertWritesTheRecordAndSumsTheDayCell) {
    const TDateTime today = EncodeDate(2024, 3, 7);
    const auto first = SaveProductionRecord(Conn, Rec(7, Mar5, 5), 0, today);
    ASSERT_TRUE(first.Saved);
    EXPECT_GT(first.Id, 0);
    // the first record of the month makes the month row with only its day filled
    EXPECT_EQ(Cell(7, 2, 5), "5");
    EXPECT_EQ(Cell(7, 2, 6), "");
    const auto second = SaveProductionRecord(Conn, Rec(7, Mar5, 3, 101), 0, today);
    ASSERT_TRUE(second.Saved);
    EXPECT_NE(second.Id, first.Id);
    EXPECT_EQ(Cell(7, 2, 5), "8");
    EXPECT_EQ(Count("accounts_dep.h_dizuv"), "1");
    // what the insert wrote
    EXPECT_EQ(Db().Value("select concat_ws('|', w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, time, "
                         "vvod::date, ok, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use) "
                         "from accounts_dep.smena where id=" + std::to_string(first.Id)),
              "7|10|100|2.5|4|1|2024-03-05|2|0|5|2024-03-07|no|0|0|0|0|0|0");
    EXPECT_EQ(Responder.MessageCount(), 0);
}

TEST_F(RecordSaveTest, PriceIsRoundedToFourDecimalsHalfToEven) {
    auto r = Rec(7, Mar5, 1);
    r.Price = 1.23456;
    const auto saved = SaveProductionRecord(Conn, r, 0, Mar5);
    EXPECT_EQ(Db().Value("select cena from accounts_dep.smena where id=" + std::to_string(saved.Id)), "1.2346");
    r.Price = 0.00005;  // a tie goes to the even digit
    r.Date = Mar6;
    const auto tie = SaveProductionRecord(Conn, r, 0, Mar5);
    EXPECT_EQ(Db().Value("select cena from accounts_dep.smena where id=" + std::to_string(tie.Id)), "0");
}

TEST_F(RecordSaveTest, EditMovesTheHoursBetweenDaysAndWorkers) {
    const auto a = SaveProductionRecord(Conn, Rec(7, Mar5, 5), 0, Mar5);
    SaveProductionRecord(Conn, Rec(7, Mar6, 2, 101), 0, Mar6);  // another day of the same month row
    ASSERT_EQ(Cell(7, 2, 5), "5");

    // date changed: the old day is emptied (null), the new day gets the hours; the month row
    // stays because another day still holds hours
    auto moved = Rec(7, EncodeDate(2024, 3, 9), 5);
    ASSERT_TRUE(SaveProductionRecord(Conn, moved, a.Id, Mar6).Saved);
    EXPECT_EQ(Cell(7, 2, 5), "");
    EXPECT_EQ(Cell(7, 2, 9), "5");
    EXPECT_EQ(Cell(7, 2, 6), "2");

    // worker changed: the hours leave worker 7's row and go to worker 8's
    moved.WorkerId = 8;
    ASSERT_TRUE(SaveProductionRecord(Conn, moved, a.Id, Mar6).Saved);
    EXPECT_EQ(Cell(7, 2, 9), "");
    EXPECT_EQ(Cell(8, 2, 9), "5");

    // into another month: the old month row has no day with hours any more and goes
    moved.Date = EncodeDate(2024, 4, 1);
    ASSERT_TRUE(SaveProductionRecord(Conn, moved, a.Id, Mar6).Saved);
    EXPECT_EQ(Cell(8, 2, 9), "none");
    EXPECT_EQ(Cell(8, 2, 1, 4), "5");

    // shift changed (the main window's shift): the old shift's row goes as well
    moved.Shift = 3;
    ASSERT_TRUE(SaveProductionRecord(Conn, moved, a.Id, Mar6).Saved);
    EXPECT_EQ(Cell(8, 2, 1, 4), "none");
    EXPECT_EQ(Cell(8, 3, 1, 4), "5");
    EXPECT_EQ(Db().Value("select ok from accounts_dep.smena where id=" + std::to_string(a.Id)), "no");
}

TEST_F(RecordSaveTest, UpdateKeepsAcceptanceAndRewritesTheRest) {
    const auto a = SaveProductionRecord(Conn, Rec(7, Mar5, 5), 0, Mar5);
    Db().Exec("update accounts_dep.smena set ok='ok' where id=" + std::to_string(a.Id));
    auto r = Rec(7, Mar5, 6);
    r.Quantity = 9;
    r.Price = 3;
    ASSERT_TRUE(SaveProductionRecord(Conn, r, a.Id, Mar6).Saved);  // unchanged identity: its own id is excluded
    EXPECT_EQ(Db().Value("select concat_ws('|', kol_vo, cena, time, ok, vvod::date) from accounts_dep.smena"),
              "9|3|6|ok|2024-03-06");
    EXPECT_EQ(Cell(7, 2, 5), "6");
}

TEST_F(RecordSaveTest, DuplicateIsRefusedAndNothingWritten) {
    const auto a = SaveProductionRecord(Conn, Rec(7, Mar5, 5), 0, Mar5);
    const auto b = SaveProductionRecord(Conn, Rec(7, Mar5, 5, 101), 0, Mar5);

    struct Case {
        const char* What;
        TProductionRecord Rec;
        int EditId;
        bool Saved;
    } cases[] = {
        {"same identity, new", Rec(7, Mar5, 2), 0, false},
        {"same identity, other hours and price", [&] { auto r = Rec(7, Mar5, 9); r.Price = 7; r.Quantity = 1; return r; }(), 0, false},
        {"edit into another record", Rec(7, Mar5, 5), b.Id, false},
        {"another colour", Rec(7, Mar5, 1, 100, 1015), 0, true},
        {"another shift", [&] { auto r = Rec(7, Mar5, 1); r.Shift = 1; return r; }(), 0, true},
    };
    for (const auto& c : cases) {
        Responder.Clear();
        const std::string before = Count("accounts_dep.smena");
        const auto r = SaveProductionRecord(Conn, c.Rec, c.EditId, Mar5);
        EXPECT_EQ(r.Saved, c.Saved) << c.What;
        if (c.Saved) continue;
        EXPECT_EQ(Count("accounts_dep.smena"), before) << c.What;
        // the service asks nothing: the window tells the user
        EXPECT_EQ(Responder.MessageCount(), 0) << c.What;
    }
    EXPECT_EQ(Db().Value("select o_id from accounts_dep.smena where id=" + std::to_string(b.Id)), "101");
    EXPECT_EQ(Cell(7, 2, 5), "11");  // 5 + 5 + the other colour's 1 (the refused ones wrote nothing)
    (void)a;
    EXPECT_FALSE(Conn->InTransaction());
}

// A worker's date and shift hold at most a shift's hours, his helper rows included; an edit counts
// the other records only, and another shift or date is a fresh count.
TEST_F(RecordSaveTest, HoursPastAShiftAreRefusedAndNothingWritten) {
    const auto a = SaveProductionRecord(Conn, Rec(7, Mar5, 16), 0, Mar5);
    ASSERT_TRUE(a.Saved);
    Db().Exec("insert into accounts_dep.smena (w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, \"time\") "
              "values (7, 10, 7779, 1, 1, 0, '2024-03-05', 2, 0, 4)");  // a helper row: 20 hours in all
    struct Case {
        const char* What;
        TProductionRecord Rec;
        bool Edit;
        const char* Refusal;  // empty: saved
    } cases[] = {
        {"five more", Rec(7, Mar5, 5, 101), false, "уже записано 20 ч., с этой позицией было бы 25 ч."},
        {"the edited record's own hours do not count", Rec(7, Mar5, 21), true, "уже записано 4 ч., с этой позицией было бы 25 ч."},
        {"edit up to the limit", Rec(7, Mar5, 20), true, ""},
        {"another date", Rec(7, Mar6, 24, 101), false, ""},
        {"negative", Rec(7, Mar6, -1, 102), false, "было бы 23 ч."},
    };
    for (const auto& c : cases) {
        const std::string before = Db().Value("select string_agg(id || ':' || time, ',' order by id) from accounts_dep.smena");
        const auto r = SaveProductionRecord(Conn, c.Rec, c.Edit ? a.Id : 0, Mar5);
        EXPECT_EQ(r.Saved, !*c.Refusal) << c.What;
        if (*c.Refusal) {
            EXPECT_TRUE(r.Refusal.contains(QString::fromUtf8(c.Refusal))) << c.What << ": " << r.Refusal.toStdString();
            EXPECT_EQ(Db().Value("select string_agg(id || ':' || time, ',' order by id) from accounts_dep.smena"), before) << c.What;
        }
    }
    EXPECT_EQ(Cell(7, 2, 5), "24");
    EXPECT_EQ(Cell(7, 2, 6), "24");
    EXPECT_EQ(SaveProductionRecord(Conn, Rec(7, Mar5, 5), 0, Mar5).Refusal, DuplicateRecordMessage);
    EXPECT_FALSE(Conn->InTransaction());
}

TEST_F(RecordSaveTest, ServerFailureLeavesNoPartialWrite) {
    const auto a = SaveProductionRecord(Conn, Rec(7, Mar5, 5), 0, Mar5);
    // the day cell statement fails after the record statement has run
    Db().Exec("create or replace function accounts_dep.fail_test() returns trigger language plpgsql as "
              "$$ begin raise exception 'табель закрыт'; end $$;"
              "create trigger fail_update before insert or update on accounts_dep.h_dizuv "
              "for each row execute function accounts_dep.fail_test();");

    // a new record: the insert is rolled back with the failing cell
    try {
        SaveProductionRecord(Conn, Rec(7, Mar6, 3, 101), 0, Mar6);
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("табель закрыт"))) << e.Message().toStdString();
    }
    EXPECT_EQ(Count("accounts_dep.smena"), "1");

    // an edit: the record keeps its old values, and the old cell its hours
    EXPECT_THROW(SaveProductionRecord(Conn, Rec(8, Mar6, 3), a.Id, Mar6), EDatabaseError);
    EXPECT_EQ(Db().Value("select concat_ws('|', w_id, data, time) from accounts_dep.smena"), "7|2024-03-05|5");
    EXPECT_EQ(Cell(7, 2, 5), "5");
    EXPECT_FALSE(Conn->InTransaction());

    // the connection is usable again once the cause is gone
    Db().Exec("drop trigger fail_update on accounts_dep.h_dizuv");
    EXPECT_TRUE(SaveProductionRecord(Conn, Rec(7, Mar6, 3, 101), 0, Mar6).Saved);
    EXPECT_EQ(Cell(7, 2, 6), "3");
}

TEST_F(RecordSaveTest, EditOfARecordDeletedMeanwhileSavesNothing) {
    const auto a = SaveProductionRecord(Conn, Rec(7, Mar5, 5), 0, Mar5);
    Db().Exec("delete from accounts_dep.smena");
    EXPECT_THROW(SaveProductionRecord(Conn, Rec(7, Mar6, 5), a.Id, Mar6), EDatabaseError);
    EXPECT_EQ(Cell(7, 2, 5), "5");  // left for the record commands' own upkeep
    EXPECT_EQ(Cell(7, 2, 6), "");
}

TEST_F(RecordSaveTest, SecondStatementFailingInsideTheCellRollsBackTheFirst) {
    // a constraint that the month row's insert breaks: the record statement before it is undone
    Db().Exec("alter table accounts_dep.h_dizuv add constraint few_hours check (coalesce(d5,0) < 20)");
    EXPECT_THROW(SaveProductionRecord(Conn, Rec(7, Mar5, 22), 0, Mar5), EDatabaseError);
    Db().Exec("alter table accounts_dep.h_dizuv drop constraint few_hours");
    EXPECT_EQ(Count("accounts_dep.smena"), "0");
    EXPECT_EQ(Count("accounts_dep.h_dizuv"), "0");
}

TEST_F(RecordSaveTest, TwoClientsCannotBothInsertTheSameRecord) {
    // Another client saves the same record in a transaction it has not committed yet; this
    // client's save waits for it and then finds the duplicate.
    TOwned<TADOConnection> other = NewOwned<TADOConnection>(nullptr);
    other->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
    other->Open();
    other->BeginTrans();
    ASSERT_TRUE(SaveProductionRecord(other.get(), Rec(7, Mar5, 4), 0, Mar5).Saved);
    TRecordSaveResult result;
    result.Saved = true;
    std::thread client([&] { result = SaveProductionRecord(Conn, Rec(7, Mar5, 5), 0, Mar5); });
    // wait until the save is blocked on the other client's lock
    bool waiting = false;
    for (int i = 0; i < 200 && !waiting; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        waiting = Db().Value("select count(*) from pg_locks where locktype='advisory' and not granted") != "0";
    }
    EXPECT_TRUE(waiting);
    other->CommitTrans();
    client.join();
    EXPECT_FALSE(result.Saved);
    EXPECT_EQ(Count("accounts_dep.smena"), "1");
    EXPECT_EQ(Cell(7, 2, 5), "4");
}

TEST_F(RecordSaveTest, DayCellsOfAuxiliaryRows) {
    // worker 7, kind 7777, group 3, day work: two entries of one day, then none
    Db().Exec("insert into accounts_dep.fatigue(id_nom, id_o, id_p, d_date, cnt, i_night) values "
              "(3, 7777, 7, '2024-03-05', 2, 0), (3, 7777, 7, '2024-03-05', 4, 0), (3, 7777, 7, '2024-03-05', 9, 1)");
    RecomputeDayCell(Conn, AuxiliaryDayCell(7, 7777, 3, 0, Mar5));
    const std::string row = " from accounts_dep.h_dizuv where w_id=7 and i_type=7777 and id_nom=3 and i_night=0";
    EXPECT_EQ(Db().Value("select concat_ws('|', d5, smena, month, year)" + row), "6|0|3|2024");
    Db().Exec("delete from accounts_dep.fatigue where i_night=0");
    RecomputeDayCell(Conn, AuxiliaryDayCell(7, 7777, 3, 0, Mar5));
    EXPECT_EQ(Db().Value("select count(*)" + row), "0");
}

TEST_F(RecordSaveTest, DayWithoutHoursWritesNullAndKeepsTheMonthRowWhileOtherDaysHoldHours) {
    Db().Exec("insert into accounts_dep.h_dizuv(w_id, smena, month, year, d5, d20) values (7, 2, 3, 2024, 8, 4)");
    RecomputeDayCell(Conn, ProductionDayCell(7, 2, Mar5));  // no record on the 5th
    EXPECT_EQ(Cell(7, 2, 5), "");
    EXPECT_EQ(Cell(7, 2, 20), "4");
    Db().Exec("update accounts_dep.h_dizuv set d20=0");
    RecomputeDayCell(Conn, ProductionDayCell(7, 2, EncodeDate(2024, 3, 20)));
    EXPECT_EQ(Cell(7, 2, 20), "none");
    // nothing to write and no row: no row is made
    RecomputeDayCell(Conn, ProductionDayCell(7, 2, Mar5));
    EXPECT_EQ(Count("accounts_dep.h_dizuv"), "0");
}

TEST_F(RecordSaveTest, RecordWithoutHoursKeepsTheWorkersRow) {
    // a worker who books his work without hours has his month row, with 0 on the day
    ASSERT_TRUE(SaveProductionRecord(Conn, Rec(9, Mar5, 0), 0, Mar5).Saved);
    EXPECT_EQ(Cell(9, 2, 5), "0");
    EXPECT_EQ(Cell(9, 2, 6), "");
    // a row whose days hold only zeros stays; it goes with the day's last record
    const auto second = SaveProductionRecord(Conn, Rec(9, Mar6, 0, 101), 0, Mar6);
    EXPECT_EQ(Cell(9, 2, 6), "0");
    Db().Exec("delete from accounts_dep.smena where id=" + std::to_string(second.Id));
    RecomputeDayCell(Conn, ProductionDayCell(9, 2, Mar6));
    EXPECT_EQ(Cell(9, 2, 6), "");
    EXPECT_EQ(Cell(9, 2, 5), "0");
    Db().Exec("delete from accounts_dep.smena");
    RecomputeDayCell(Conn, ProductionDayCell(9, 2, Mar5));
    EXPECT_EQ(Cell(9, 2, 5), "none");
}

TEST_F(RecordSaveTest, WorkerNamesAreStoredAsTyped) {
    SaveWorker(Conn, 0, QStringLiteral("О'Брайен Д.'; drop table x; --"), QStringLiteral("Цех 'Б'"));
    EXPECT_EQ(Db().Value("select fio || '|' || s_staffpos_hl from accounts_dep.person"),
              "О'Брайен Д.'; drop table x; --|Цех 'Б'");
    const int id = std::stoi(Db().Value("select id from accounts_dep.person"));
    // the department lookup untouched: the stored position text stays
    SaveWorker(Conn, id, QStringLiteral("Д'Артаньян"), std::nullopt);
    EXPECT_EQ(Db().Value("select fio || '|' || s_staffpos_hl from accounts_dep.person"), "Д'Артаньян|Цех 'Б'");
    SaveWorker(Conn, id, QStringLiteral("Д'Артаньян"), QStringLiteral(""));
    EXPECT_EQ(Db().Value("select fio || '|' || s_staffpos_hl from accounts_dep.person"), "Д'Артаньян|");
    // the master row follows (the day lists read names there)
    EXPECT_EQ(Db().Value("select s_caption from cmn_contractor.person where id=" + std::to_string(id)), "Д'Артаньян");
    DeleteWorker(Conn, id);
    EXPECT_EQ(Count("accounts_dep.person"), "0");
}

}  // namespace
