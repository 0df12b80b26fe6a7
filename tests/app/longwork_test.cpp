// Long database work on a thread of its own: the event loop runs while the statement does, the
// other windows take no input meanwhile, "Отмена" cancels it through the installed canceller and
// leaves the dataset closed without a word, and a server error comes back on the UI thread.
#include "app/longwork.h"
#include "platform/ado/adodb.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"
#include "support/pg_fixture.h"

#include <gtest/gtest.h>

#include <QTimer>

namespace {

class LongWorkTest : public sdelka::test::PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Conn = NewOwned<TADOConnection>(nullptr);
        Conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        Conn->Open();
        Query = NewOwned<TADOQuery>(nullptr);
        Query->SetConnection(Conn.get());
    }
    void TearDown() override { SetStatementCanceller({}); }

    // The small window of the running work, or none.
    static TForm* WorkWindow() {
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (Screen->Forms(i)->Name() == u"LongWorkForm" && Screen->Forms(i)->Visible())
                return static_cast<TForm*>(Screen->Forms(i));
        return nullptr;
    }

    TOwned<TADOConnection> Conn;
    TOwned<TADOQuery> Query;
};

TEST_F(LongWorkTest, TheEventLoopRunsWhileTheStatementDoes) {
    TOwned<TForm> other = NewOwned<TForm>(nullptr);
    other->Show();
    int ticks = 0;
    bool shown = false, otherEnabled = true;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        if (WorkWindow()) {
            shown = true;
            otherEnabled = other->Enabled();
        }
    });
    timer.start(10);
    Query->SQL()->SetText(QStringLiteral("select pg_sleep(0.4), 7 as x"));
    EXPECT_TRUE(RunLongOpen(Query.get(), Conn.get(), QStringLiteral("Запрос")));
    EXPECT_GT(ticks, 10);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(otherEnabled);
    EXPECT_TRUE(other->Enabled());
    EXPECT_FALSE(LongWorkRunning());
    EXPECT_EQ(WorkWindow(), nullptr);
    EXPECT_EQ(Query->FieldByName(QStringLiteral("x"))->AsInteger(), 7);
}

TEST_F(LongWorkTest, CancelLeavesTheDatasetClosedAndSaysNothing) {
    // the server's cancel of the backend stands in for the data layer's
    const std::string pid = [&] {
        TOwned<TADOQuery> q = NewOwned<TADOQuery>(nullptr);
        q->SetConnection(Conn.get());
        q->SQL()->SetText(QStringLiteral("select pg_backend_pid() as pid"));
        q->Open();
        return q->FieldByName(QStringLiteral("pid"))->AsString().toStdString();
    }();
    int cancels = 0;
    SetStatementCanceller([&](TADOConnection* C) {
        EXPECT_EQ(C, Conn.get());
        ++cancels;
        Db().Exec("select pg_cancel_backend(" + pid + ")");
    });
    QTimer::singleShot(100, [] {
        if (TForm* w = WorkWindow()) static_cast<TButton*>(w->FindComponent(QStringLiteral("CancelButton")))->Click();
    });
    Query->SQL()->SetText(QStringLiteral("select pg_sleep(30), 1 as x"));
    EXPECT_FALSE(RunLongOpen(Query.get(), Conn.get(), QStringLiteral("Запрос")));
    EXPECT_EQ(cancels, 1);
    EXPECT_FALSE(Query->Active());
    // the connection serves the next statement
    Query->SQL()->SetText(QStringLiteral("select 2 as x"));
    EXPECT_TRUE(RunLongOpen(Query.get(), Conn.get(), QStringLiteral("Запрос")));
}

TEST_F(LongWorkTest, ServerErrorComesBackOnTheUiThread) {
    Query->SQL()->SetText(QStringLiteral("select 1/0 as x"));
    try {
        RunLongOpen(Query.get(), Conn.get(), QStringLiteral("Запрос"));
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& E) {
        EXPECT_TRUE(E.Message().contains(QStringLiteral("division by zero"))) << E.Message().toStdString();
    }
    EXPECT_FALSE(Query->Active());
    EXPECT_FALSE(LongWorkRunning());
}

}  // namespace
