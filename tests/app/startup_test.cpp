// Start-up: the windows in their order, the login window as the main window, the connection from
// the command line and a refused connection; the shared datasets of the data module.
#include "app_fixture.h"
#include "platform/gui/dialogs.h"

namespace sdelka::test {
namespace {

class StartupTest : public AppSuite<true> {};

TEST_F(StartupTest, LoginWindowBecomesTheMainWindow) {
    SetClock([] { return EncodeDate(2031, 2, 10) + 0.5; });
    Start();
    ASSERT_NE(DataModule6, nullptr);
    ASSERT_NE(Form23, nullptr);
    EXPECT_TRUE(DataModule6->ADO_DB->Connected());
    EXPECT_EQ(Application->MainForm(), Form23);
    EXPECT_FALSE(Form1->Visible());
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(Application->Terminated());
    // Every window exists, with its caption.
    EXPECT_EQ(Form1->Caption(), QStringLiteral("Табель"));
    EXPECT_EQ(Form23->Caption(), QStringLiteral("Авторизация"));
    EXPECT_EQ(Form18->Caption(), QStringLiteral("Отчеты (8)"));
    EXPECT_EQ(Form27->Caption(), QStringLiteral("Табель сделка (27)"));
    EXPECT_EQ(Form31->Caption(), QStringLiteral("Табель по номенклатурным группам (31)"));
    EXPECT_EQ(Form132->Caption(), QStringLiteral("Ввод данных (132)"));
    // the year list runs from 2007 to the year after the current one
    TStrings* years = Form19->ComboBox2->Items();
    ASSERT_EQ(years->Count(), 2032 - 2007 + 1);
    EXPECT_EQ(years->Strings(0), QStringLiteral("2007"));
    EXPECT_EQ(years->Strings(years->Count() - 1), QStringLiteral("2032"));
    EXPECT_TRUE(Form1->Timer1->Enabled());
    EXPECT_EQ(Form1->Timer1->Interval(), 30000u);
    EXPECT_FALSE(Form23->Timer1->Enabled());
}

TEST_F(StartupTest, UnreachableServerEndsWithoutLogin) {
    SetCommandLineArguments({QStringLiteral("sdelka"), QStringLiteral("sdelka"), QStringLiteral("/nonexistent/socket")});
    Start();
    EXPECT_EQ(Messages(), std::vector<String>{QStringLiteral("Ошибка!|Подключение к БД отсутсвует!!!")});
    EXPECT_EQ(Responder.LastCall().DlgType, mtError);
    EXPECT_EQ(Form23, nullptr);
    EXPECT_TRUE(Application->Terminated());
    Application->Run();  // returns at once: nothing is shown
    EXPECT_EQ(Responder.CallCount(), 1);
}

TEST_F(StartupTest, SharedListsOpen) {
    Start();
    // The lists of the data module run as given against the schema.
    for (TADOQuery* q : {DataModule6->Workers, DataModule6->Izdel, DataModule6->Oper, DataModule6->Vid_oper}) {
        q->Open();
        EXPECT_FALSE(q->IsEmpty()) << q->Name().toStdString();
        q->Close();
    }
    // An operation is listed only with a norm; norma counts the norm rows, cena is the lowest price.
    Db().Exec("insert into accounts_dep.oper(vid, naimen, i_id, cena_new) "
              "select vid, naimen, i_id, 0 from accounts_dep.oper limit 1");
    const std::string without = Db().Value("select max(id) from accounts_dep.oper");
    DataModule6->Oper->Open();
    EXPECT_FALSE(DataModule6->Oper->Locate(QStringLiteral("id"), Variant(std::stoi(without)), {}));
    DataModule6->Oper->Close();

    const std::string day = Db().Value("select max(data) from accounts_dep.smena where smena = 1");
    ASSERT_FALSE(day.empty());
    TDateTime when = 0;
    ASSERT_TRUE(TryPgUserTextToDateTime(QString::fromStdString(day), when));
    TADOQuery* h = DataModule6->H_Dizuv_1;
    Word y, m, d;
    DecodeDate(when, y, m, d);
    h->Parameters()->ParamByName(QStringLiteral("mnth"))->SetValue(int(m));
    h->Parameters()->ParamByName(QStringLiteral("yea"))->SetValue(int(y));
    h->Parameters()->ParamByName(QStringLiteral("date1"))->SetValue(VarFromDateTime(EncodeDate(y, m, 1)));
    h->Parameters()->ParamByName(QStringLiteral("date2"))->SetValue(VarFromDateTime(IncMonth(EncodeDate(y, m, 1), 1)));
    h->Open();
    EXPECT_NE(h->FindField(QStringLiteral("summ")), nullptr);
    EXPECT_NE(h->FindField(QStringLiteral("average_price")), nullptr);
    EXPECT_NE(h->FindField(QStringLiteral("d31")), nullptr);
    h->Close();
}

TEST_F(StartupTest, CheckCountShowsTheMessageOnce) {
    Start();
    const String sql = QStringLiteral("select count(*)::integer as cnt from accounts_dep.smena where smena = :s");
    EXPECT_EQ(DataModule6->CheckCount(sql, QStringLiteral("Позиция с такими параметрами уже заведена!"),
                                      {{QStringLiteral("s"), 77}}),
              0);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(DataModule6->CheckCount(sql, QStringLiteral("Позиция с такими параметрами уже заведена!"),
                                      {{QStringLiteral("s"), 1}}),
              1);
    EXPECT_EQ(Messages(), std::vector<String>{QStringLiteral("Ошибка|Позиция с такими параметрами уже заведена!")});
    EXPECT_FALSE(DataModule6->Control->Active());
    // A value that looks like SQL stays a value.
    EXPECT_EQ(DataModule6->CheckCount(QStringLiteral("select count(*)::integer as cnt from accounts_dep.vid_oper "
                                                     "where vid = :v"),
                                      QString(), {{QStringLiteral("v"), QStringLiteral("x' or '1'='1")}}),
              0);
}

}  // namespace
}  // namespace sdelka::test
