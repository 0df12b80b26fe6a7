// A started client whose server goes away under it: a session ended between two saves, a session
// ended in the middle of a month's rebuild, a server that stops answering during a save, and the
// build-stamp check while the server is away. Driven through the windows, as the user does.
#include "app/timesheetrebuild.h"
#include "app_fixture.h"
#include "platform/ado/adodb.h"
#include "platform/ado/pgclient.h"
#include "support/input.h"

#include <QApplication>
#include <QCursor>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <unistd.h>

namespace {

using sdelka::test::AppSuite;
using sdelka::test::Click;

// Shortened waits for one test; sessions opened from now on take them.
struct TShortWaits {
    TPgWaitLimits Saved = PgWaitLimits();
    TShortWaits(int AStatementTimeout, int AGrace) {
        PgWaitLimits().StatementTimeout = AStatementTimeout;
        PgWaitLimits().ServerGrace = AGrace;
    }
    ~TShortWaits() { PgWaitLimits() = Saved; }
};

class ConnectionLoss : public AppSuite<true> {
protected:
    void SetUp() override {
        AppSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Start();
        ASSERT_NE(Form9, nullptr);
    }
    void TearDown() override {
        if (Stopped) ::kill(Stopped, SIGCONT);
        AppSuite::TearDown();
    }
    std::string ClientPid() {
        return DataModule6->ADO_DB->Client().Execute(QStringLiteral("select pg_backend_pid()")).Text(0, 0).toStdString();
    }
    // Ends the session as pg_terminate_backend (or a server restart) does, and waits until it is gone.
    void Terminate(const std::string& Pid) {
        Db().Exec("select pg_terminate_backend(" + Pid + ")");
        WaitGone(Pid);
    }
    void WaitGone(const std::string& Pid) {
        for (int i = 0; i < 500 && Db().Value("select count(*) from pg_stat_activity where pid = " + Pid) != "0"; ++i)
            usleep(10000);
    }
    // The client's session takes the current wait limits.
    void Reconnect() {
        Terminate(ClientPid());
        DataModule6->ADO_DB->Execute(QStringLiteral("select 1"));
    }
    // Adds an operation kind from the kinds list, as the user does; Midway runs once the card is
    // filled, just before its save is clicked.
    void AddKind(const String& Name, const std::function<void()>& Midway = {}, const std::function<void()>& InList = {}) {
        Responder.AnswerModal([&](TCustomForm*) {
            Responder.AnswerModal([&](TCustomForm*) {
                Form9->Edit1->SetText(Name);
                if (Midway) Midway();
                Click(Form9->Button1);
            });
            Click(Form8->Button1);
            if (InList) InList();
        });
        Form8->ShowDirectory();
    }
    std::string Kinds(const char* Name) {
        return Db().Value(std::string("select count(*) from accounts_dep.vid_oper where vid = '") + Name + "'");
    }
    pid_t Stopped = 0;
};

TEST_F(ConnectionLoss, TheSecondSaveAfterTheSessionEndedWorksAfterOneReconnect) {
    AddKind(QStringLiteral("Первая"));
    EXPECT_EQ(Kinds("Первая"), "1");
    const std::string before = ClientPid();
    Terminate(before);
    Responder.Clear();
    AddKind(QStringLiteral("Вторая"), {}, [&] {
        // the data module's list shows the new kind, and its other rows are still there
        EXPECT_TRUE(DataModule6->Vid_oper->Active());
        EXPECT_TRUE(DataModule6->Vid_oper->Locate(QStringLiteral("vid"), QStringLiteral("Вторая"), {}));
        EXPECT_TRUE(DataModule6->Vid_oper->Locate(QStringLiteral("vid"), QStringLiteral("Первая"), {}));
    });
    EXPECT_TRUE(Messages().empty()) << Messages().front().toStdString();
    EXPECT_EQ(Kinds("Вторая"), "1");
    EXPECT_NE(ClientPid(), before);
}

TEST_F(ConnectionLoss, ASessionEndedDuringAMonthsRebuildLeavesTheMonthAsItWas) {
    const std::string rows = "select string_agg(concat_ws('|', w_id, smena, d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, "
                             "d12, d13, d14, d15), ';' order by id) from accounts_dep.h_dizuv where month=3 and year=2024";
    Db().Exec("insert into accounts_dep.smena(w_id, smena, data, time, kol_vo, brak, cena, o_id) values "
              "(5, 1, '2024-03-05', 7, 1, 0, 1, 1)");
    Db().Exec("insert into accounts_dep.h_dizuv(w_id, smena, month, year, d5) values (5, 1, 3, 2024, 3)");
    const std::string before = Db().Value(rows);
    // the rebuild's session ends on its tenth day, as a restarted server ends it
    const std::string pid = ClientPid();
    int days = 0;
    try {
        RebuildShiftTimesheet(DataModule6->ADO_DB, 3, 2024, [&](int Day, int) {
            if (++days == 10) Terminate(pid);
        });
        ADD_FAILURE() << "the rebuild went through";
    } catch (const EPgError& E) {
        EXPECT_TRUE(E.ConnectionLost());
        EXPECT_TRUE(E.Message().startsWith(QStringLiteral("Связь с сервером базы данных потеряна, действие не выполнено.")))
            << E.Message().toStdString();
    }
    EXPECT_EQ(Db().Value(rows), before);
    EXPECT_FALSE(DataModule6->ADO_DB->InTransaction());
    // the next rebuild works on a new session
    RebuildShiftTimesheet(DataModule6->ADO_DB, 3, 2024);
    EXPECT_NE(Db().Value(rows), before);
    EXPECT_EQ(Db().Value("select d5 from accounts_dep.h_dizuv where w_id=5 and smena=1 and month=3 and year=2024"), "7");
}

TEST_F(ConnectionLoss, ASaveOnAStoppedServerGivesUpAfterTheTimeoutAndEscapeEndsItSooner) {
    TShortWaits waits(1500, 500);
    Reconnect();
    using Clock = std::chrono::steady_clock;
    auto freeze = [&] {
        Stopped = static_cast<pid_t>(std::stoi(ClientPid()));
        ASSERT_EQ(::kill(Stopped, SIGSTOP), 0);
    };
    auto thaw = [&] {
        ::kill(Stopped, SIGCONT);
        WaitGone(std::to_string(Stopped));
        Stopped = 0;
    };

    Responder.Clear();
    Clock::time_point start;
    AddKind(QStringLiteral("Замороженная"), [&] {
        freeze();
        start = Clock::now();
    });
    const auto waited = Clock::now() - start;
    thaw();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].contains(QStringLiteral("Связь с сервером базы данных потеряна, действие не выполнено.")))
        << Messages()[0].toStdString();
    EXPECT_TRUE(Messages()[0].contains(QStringLiteral("Сервер базы данных не отвечает"))) << Messages()[0].toStdString();
    EXPECT_GE(waited, std::chrono::milliseconds(1500));
    EXPECT_LT(waited, std::chrono::seconds(6));
    EXPECT_EQ(Kinds("Замороженная"), "0");

    // with a long timeout, Escape pressed in the card after a second and a half ends the wait
    PgWaitLimits().StatementTimeout = 60000;
    Reconnect();
    Responder.Clear();
    bool sawWaitCursor = false;
    AddKind(QStringLiteral("Отменённая"), [&] {
        freeze();
        start = Clock::now();
        QTimer::singleShot(1500, [&] {
            sawWaitCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            sdelka::test::SendKey(Form9->Edit1->Handle(), Qt::Key_Escape);
        });
    });
    const auto cancelled = Clock::now() - start;
    thaw();
    EXPECT_TRUE(sawWaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].contains(QStringLiteral("Запрос отменён, действие не выполнено."))) << Messages()[0].toStdString();
    EXPECT_LT(cancelled, std::chrono::seconds(10));
    EXPECT_EQ(Kinds("Отменённая"), "0");

    // and the next save works
    Responder.Clear();
    AddKind(QStringLiteral("После"));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Kinds("После"), "1");
}

TEST_F(ConnectionLoss, TheBuildStampCheckSaysOnceThatTheServerIsAway) {
    // the server refuses new sessions of the database, as one that is restarting does
    const std::string name = Db().Name();
    sdelka::test::PgConnection admin("host=" + sdelka::test::PgDatabase::Host() + " port=" + sdelka::test::PgDatabase::Port() +
                                     " user=" + sdelka::test::PgDatabase::User() + " dbname=postgres");
    admin.Exec("alter database \"" + name + "\" allow_connections false");
    Terminate(ClientPid());
    auto tick = [] {
        try {
            Form1->Timer1Timer(Form1->Timer1);
        } catch (...) {
            Application->HandleException(Form1);
        }
    };
    // the timer ticks on while the first message is open, and again after it
    struct TTicking : TScriptedResponder {
        std::function<void()> Tick;
        int Message(const TMessageRequest& Request) override {
            Tick();
            return TScriptedResponder::Message(Request);
        }
    } ticking;
    ticking.Tick = tick;
    TResponderScope scope(&ticking);
    tick();
    tick();
    ASSERT_EQ(ticking.Calls().size(), 1u);
    EXPECT_TRUE(ticking.Calls()[0].Text.contains(QStringLiteral("Связь с сервером базы данных потеряна")))
        << ticking.Calls()[0].Text.toStdString();
    admin.Exec("alter database \"" + name + "\" allow_connections true");
    tick();
    EXPECT_EQ(ticking.Calls().size(), 1u);
    EXPECT_FALSE(Application->Terminated());
}

}  // namespace
