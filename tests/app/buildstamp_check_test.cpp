// The build-stamp check against the database's stamp row.
#include "app_fixture.h"
#include "support/tools.h"
#include "platform/testing/scriptedresponder.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

namespace sdelka::test {
namespace {

class BuildStampCheckTest : public AppSuite<false> {
protected:
    void SetRow(const char* Values) {
        Db().Exec("delete from accounts_dep.ver");
        if (Values) Db().Exec(std::string("insert into accounts_dep.ver(d, t, delim) values ") + Values);
    }
    std::string Row() { return Db().Value("select d || '/' || t || '/' || coalesce(delim, '<null>') from accounts_dep.ver"); }
    std::string RowCount() { return Db().Value("select count(*) from accounts_dep.ver"); }
};

const char* const kRefusal = "Ошибка|Версия программы не соответсвует БД! Запустите программу через 5 мин.";

TEST_F(BuildStampCheckTest, OlderEqualNewerAndEmpty) {
    Start();
    struct Case {
        const char* Row;     // values of the stamp row, nullptr: empty table
        const char* Date;    // the build's compiler texts
        const char* Time;
        const char* After;   // the row after the check
        bool Refused;
    } cases[] = {
        // an earlier day, whatever its seconds: the row takes the build's stamp
        {"(20261204, 86000, '.')", "Dec  5 2026", "12:00:00", "20261205/43200/.", false},
        // same day, fewer seconds: overwritten
        {"(20261205, 100, ',')", "Dec  5 2026", "12:00:00", "20261205/43200/,", false},
        // equal: nothing written, the program runs on
        {"(20261205, 43200, '.')", "Dec  5 2026", "12:00:00", "20261205/43200/.", false},
        // a later day even at midnight against a late build: refused, the row stays
        {"(20261206, 0, '.')", "Dec  5 2026", "23:59:59", "20261206/0/.", true},
        // same day, more seconds: refused
        {"(20261205, 43201, '.')", "Dec  5 2026", "12:00:00", "20261205/43201/.", true},
        // an empty table: the first check inserts the row, without a separator
        {nullptr, "Dec  5 2026", "12:00:00", "20261205/43200/<null>", false},
        // a build without a date is older than any real stamp
        {"(20000101, 0, '.')", "??? ?? ????", "00:00:00", "20000101/0/.", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Row ? c.Row : "empty");
        SetRow(c.Row);
        Responder.Clear();
        Application->CancelTerminate();
        Form23->Timer1->SetEnabled(false);

        CheckBuildStamp(c.Date, c.Time);

        EXPECT_EQ(Row(), c.After);
        EXPECT_EQ(RowCount(), "1");
        EXPECT_EQ(Form1->BuildDate, BuildDateOf(c.Date));
        EXPECT_EQ(Form1->BuildSeconds, BuildSecondsOf(c.Time));
        EXPECT_FALSE(Form1->ver->Active());
        if (c.Refused) {
            EXPECT_EQ(Messages(), std::vector<String>{QString::fromUtf8(kRefusal)});
            EXPECT_EQ(Responder.LastCall().DlgType, mtError);
            EXPECT_TRUE(Form23->Timer1->Enabled());
            EXPECT_EQ(Form23->Timer1->Interval(), 5000u);
            EXPECT_TRUE(Application->Terminated());
        } else {
            EXPECT_TRUE(Messages().empty());
            EXPECT_FALSE(Form23->Timer1->Enabled());
            EXPECT_FALSE(Application->Terminated());
        }
    }
}

TEST_F(BuildStampCheckTest, DecimalSeparatorComesFromTheRow) {
    Start();
    SetRow("(20261205, 43200, ',')");
    CheckBuildStamp("Dec  5 2026", "12:00:00");
    EXPECT_EQ(DataModule6->SqlDecimalSeparator, QStringLiteral(","));
    EXPECT_EQ(DataModule6->FixDecimalSeparator(QStringLiteral("12.5")), QStringLiteral("12,5"));
    SetRow(nullptr);
    CheckBuildStamp("Dec  5 2026", "12:00:00");
    EXPECT_EQ(DataModule6->SqlDecimalSeparator, QString());
    EXPECT_EQ(DataModule6->FixDecimalSeparator(QStringLiteral("12,5")), QStringLiteral("12.5"));
}

// A responder whose message box lets the 30-second timer tick while it is open.
class TTickingResponder : public TScriptedResponder {
public:
    int Message(const TMessageRequest& Request) override {
        if (Ticks-- > 0) Form1->Timer1Timer(Form1->Timer1);
        return TScriptedResponder::Message(Request);
    }
    int Ticks = 2;
};

TEST_F(BuildStampCheckTest, NotReenteredWhileItsMessageIsOpen) {
    TTickingResponder ticking;
    TResponderScope scope(&ticking);
    Start();
    SetRow("(29991231, 0, '.')");  // a newer build has run here: this one is refused
    Form1->Timer1Timer(Form1->Timer1);
    EXPECT_EQ(ticking.MessageCount(), 1);
    EXPECT_TRUE(Application->Terminated());
    // Once the box is closed, the next tick checks again.
    Application->CancelTerminate();
    ticking.Ticks = 0;
    Form1->Timer1Timer(Form1->Timer1);
    EXPECT_EQ(ticking.MessageCount(), 2);
}

TEST_F(BuildStampCheckTest, LoginWindowShowsTheBuild) {
    Start();
    SetRow("(20000101, 0, '.')");
    Form23->Show();
    const TBuildStamp build = CurrentBuildStamp();
    EXPECT_EQ(Form23->Caption(), QStringLiteral("Авторизация (build: %1.%2)").arg(build.Date).arg(build.Seconds));
    EXPECT_EQ(Row(), std::to_string(build.Date) + "/" + std::to_string(build.Seconds) + "/.");
    // the window is wide enough for its whole caption in the title bar, its controls inside
    EXPECT_GE(Form23->Width(), TitleBarWidth(Form23->Caption()));
    EXPECT_GT(TitleBarWidth(Form23->Caption()), 330);  // wider than the window was
    EXPECT_LE(Form23->Button2->Left() + Form23->Button2->Width() + 8, Form23->ClientWidth());
    EXPECT_GE(Form23->Button1->Left(), Form23->Edit1->Left() + Form23->Edit1->Width());
    Form23->Handle()->grab().save(QString::fromStdString(::testing::TempDir()) + QStringLiteral("sdelka_form23.png"));
    EXPECT_TRUE(Messages().empty());
}

// A build with nothing to do keeps the stamp, so clients already running are not refused.
TEST(BuildStampFile, ANoOpBuildKeepsTheStamp) {
    const QString dir = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
    const QString stamp = dir + QStringLiteral("/generated/buildstamp_now.cpp");
    if (!QFileInfo::exists(dir + QStringLiteral("/build.ninja")) || !QFileInfo::exists(stamp))
        GTEST_SKIP() << "not run from its build directory";
    auto read = [&] {
        QFile f(stamp);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    auto build = [&] {
        return RunTool(QStringLiteral("ninja"), {QStringLiteral("-C"), dir, QStringLiteral("sdelka")}, 600000).Code == 0;
    };
    ASSERT_TRUE(build());  // the client as its code stands now
    const QByteArray before = read();
    const QDateTime written = QFileInfo(stamp).lastModified();
    ASSERT_FALSE(before.isEmpty());
    ASSERT_TRUE(build());  // nothing changed since
    EXPECT_EQ(read(), before);
    EXPECT_EQ(QFileInfo(stamp).lastModified(), written);
}

}  // namespace
}  // namespace sdelka::test
