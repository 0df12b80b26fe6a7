// The additional functions: day-number arithmetic, date and time texts, conversions, INI files
// and the registry, and lookups on the open forms and data modules.
#include "platform/testing/memdata.h"
#include "platform/gui/forms.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/registry.h"
#include "report/rpevextra.h"
#include "rpev_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class RpEvExtraTest : public ::testing::Test {
protected:
    FormatSettingsGuard Guard;
};

TEST_F(RpEvExtraTest, DayNumbersMatchTheCalendarOverTheWholeRange) {
    EXPECT_EQ(DateToDayNumber(1, 1, 1900), 0);
    EXPECT_EQ(DateToDayNumber(28, 2, 1900), 58);
    EXPECT_EQ(DateToDayNumber(1, 3, 1900), 59);
    EXPECT_EQ(DateToDayNumber(6, 6, 2079), 65535);
    // Every day of the range is its calendar date's distance from 1 January 1900.
    const TDateTime first = EncodeDate(1900, 1, 1);
    for (int n = 0; n <= 65535; ++n) {
        Word y, m, d;
        DecodeDate(first + n, y, m, d);
        ASSERT_EQ(DateToDayNumber(d, m, y), n) << y << "-" << m << "-" << d;
        Integer dd, mm, yy;
        DayNumberToDate(static_cast<Word>(n), dd, mm, yy);
        ASSERT_EQ(dd * 10000 + mm * 100 + (yy - 1900), d * 10000 + m * 100 + (y - 1900)) << n;
    }
    // The day of the month runs on into the next month.
    Integer d, m, y;
    DayNumberToDate(ShiftDayNumber(DateToDayNumber(31, 1, 2021), 0, 1, 0), d, m, y);
    EXPECT_EQ(d * 10000 + m * 100 + (y - 2000), 30321);
}

TEST_F(RpEvExtraTest, DatesAndTimesAsTexts) {
    const TExprCase cases[] = {
        {u"CALCDATE('31.01.2021',0,1,0)", "S:03.03.2021"},
        {u"CALCDATE('31.01.2020',0,1,0)", "S:02.03.2020"},
        {u"CALCDATE('15.01.2020',0,-12,0)", "S:15.01.2019"},
        {u"CALCDATE('15.01.2020',0,-1,0)", "S:15.12.2019"},
        {u"CALCDATE('15.01.2020',0,-13,0)", "S:15.12.2018"},
        {u"CALCDATE('15.01.2020',10,0,0)", "S:25.01.2020"},
        {u"CALCDATE('15.01.2020',0,0,-3)", "S:15.01.2017"},
        {u"CALCDATE('15.01.2020 10:30:00',-15,0,0)", "S:31.12.2019"},
        // Outside 1 January 1900 .. 6 June 2079 the day numbers would wrap into another date.
        {u"CALCDATE('01.01.2100',0,0,0)", "E:"},
        {u"CALCDATE('01.06.2079',10,0,0)", "E:"},
        {u"CALCDATE('01.01.1900',-1,0,0)", "E:"},
        {u"CALCDATE('15.01.2020',1.5,0,0)", "E:"},
        {u"CALCDATE('not a date',1,0,0)", "E:"},
        {u"CALCTIME('10:00:00',0,0,60)", "S:10:01:00"},
        {u"CALCTIME('10:00:00',14,0,0)", "S:0:00:00"},  // the long time format h:nn:ss
        {u"CALCTIME('10:00:00',-11,0,0)", "S:23:00:00"},
        {u"CALCTIME('10:00:00',0,-601,0)", "S:23:59:00"},
        {u"CALCTIME('10:00:00',0,0,-1)", "S:9:59:59"},
        {u"CALCTIME('10:00',0,0,'1')", "E:"},
        {u"DAYOFWEEK('07.01.2024')", "I:1"},
        {u"DAYOFWEEK('13.01.2024')", "I:7"},
        {u"DAYSTRING(1)", "S:воскресенье"},
        {u"DAYSTRING(8)", "E:"},
        {u"MONTHSTRING(12)", "S:Декабрь"},
        {u"MONTHSTRING(0)", "E:"},
        {u"EXTRACTDAY('15.03.2024')", "I:15"},
        {u"EXTRACTMONTH('15.03.2024')", "I:3"},
        {u"EXTRACTYEAR('15.03.2024')", "I:2024"},
        {u"EXTRACTDAY('x')", "E:"},
        {u"EXTRACTDAY(15)", "E:"},
        {u"REFORMATDATE('15.03.2024 10:30:00','yyyy-mm-dd hh:nn')", "S:2024-03-15 10:30"},
    };
    for (const auto& c : cases) EXPECT_EQ(Eval(c.Expr), c.Expected) << String::fromUtf16(c.Expr).toStdString();
}

TEST_F(RpEvExtraTest, ConversionsAndTexts) {
    const TExprCase cases[] = {
        {u"STRTOINT('12')", "I:12"},
        {u"STRTOINT('1.5')", "E:"},
        {u"STRTOINT(12)", "E:"},
        {u"STRTONUM('1,5')", "D:1.5"},
        {u"STRTONUM('1.5')", "E:"},
        {u"PADLEFT('ab',4)", "S:  ab"},
        {u"PADLEFT('ab',1)", "S:ab"},
        {u"PADRIGHT('ab',4)+'|'", "S:ab  |"},
        {u"PADRIGHT('ab','4')", "E:"},
        {u"TRIM('  a b ')", "S:a b"},
        {u"TRIM(' '+CHR(9)+'a ')", "S:\ta"},
        {u"CHR(65)", "S:A"},
        {u"CHR(65536+66)", "S:B"},
        {u"CHR(1040)", "S:А"},
        {u"CHR(1.5)", "E:"},
        {u"ABS(-5)", "I:5"},
        {u"ABS(-2.5)", "D:2.5"},
        {u"ABS(-2147483647-1)", "I:-2147483648"},
        {u"ABS('a')", "E:"},
        {u"CURRENCY", "S:₽"},
        {u"QUERYPARAM('q','p')", "E:"},
    };
    for (const auto& c : cases) EXPECT_EQ(Eval(c.Expr), c.Expected) << String::fromUtf16(c.Expr).toStdString();
}

TEST_F(RpEvExtraTest, ReadIniWithAFullOrRelativeName) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile f(dir.filePath(QStringLiteral("report.ini")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Main]\r\nTitle=Табель учёта\r\n; comment\r\nEmpty=\r\n");
    f.close();
    const String path = dir.filePath(QStringLiteral("report.ini"));
    EXPECT_EQ(Eval(u"READINI('"_S + path + u"','main','TITLE')"_S), "S:Табель учёта");
    EXPECT_EQ(Eval(u"READINI('"_S + path + u"','Main','Missing')"_S), "S:");
    EXPECT_EQ(Eval(u"READINI('"_S + path + u"','Main',1)"_S), "E:");

    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    EXPECT_EQ(Eval(u"READINI('report.ini','Main','Title')"_S), "S:Табель учёта");
    QDir::setCurrent(saved);
}

TEST_F(RpEvExtraTest, ReadRegistryThroughTheIniStyleReader) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TRegistry::SetStorageFileName(dir.filePath(QStringLiteral("registry.ini")));
    {
        TRegIniFile reg(QStringLiteral("Software\\Sdelka"));
        reg.WriteString(QStringLiteral("Report"), QStringLiteral("Title"), QStringLiteral("Сводка"));
    }
    EXPECT_EQ(Eval(u"READREGISTRY('Software\\Sdelka','Report','Title')"), "S:Сводка");
    EXPECT_EQ(Eval(u"READREGISTRY('Software\\Sdelka','Report','Other')"), "S:");
    EXPECT_EQ(Eval(u"READREGISTRY('Software\\Nothing','Report','Title')"), "S:");
    TRegistry::SetStorageFileName(String());
}

TEST_F(RpEvExtraTest, PublishedPropertyLookups) {
    TComponent* c = New<TComponent>(nullptr);
    c->SetName(QStringLiteral("Comp"));
    c->SetTag(1);
    EXPECT_TRUE(HasPublishedProperty(c, QStringLiteral("tag")));
    EXPECT_FALSE(HasPublishedProperty(c, QStringLiteral("Caption")));
    EXPECT_TRUE(PublishedPropertyIsTrue(c, QStringLiteral("Tag")));
    c->SetTag(2);
    EXPECT_FALSE(PublishedPropertyIsTrue(c, QStringLiteral("Tag")));
    EXPECT_FALSE(PublishedPropertyIsTrue(c, QStringLiteral("Nothing")));
    EXPECT_EQ(PublishedStringProperty(c, QStringLiteral("Name")), u"Comp");
    EXPECT_EQ(PublishedStringProperty(c, QStringLiteral("Nothing")), u"");
    c->Free();
}

// ---- lookups on forms and data modules -------------------------------------------------------

// A component with a published caption, and one that stands in for the report component.
class TCaptioned : public TComponent {
    SDELKA_CLASS(TCaptioned, TComponent)
protected:
    explicit TCaptioned(TComponent* AOwner) : TComponent(AOwner) {}
    ~TCaptioned() override = default;

public:
    const String& Caption() const { return FCaption; }
    void SetCaption(const String& V) { FCaption = V; }
    static void Published(TPublished<TCaptioned>& P) { P.String("Caption", &TCaptioned::Caption, &TCaptioned::SetCaption); }

private:
    String FCaption;
};

class TFakeEventReport : public TComponent {
    SDELKA_CLASS(TFakeEventReport, TComponent)
public:
    explicit TFakeEventReport(TComponent* AOwner) : TComponent(AOwner) {}
    Integer Pages = 0, Records = 0, RecNo = 0, Column = 0;
};

class RpEvExtraFormTest : public RpEvExtraTest {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetName(QStringLiteral("Form7"));
        Workers = New<TTestTableDataSet>(Form);
        Workers->SetName(QStringLiteral("Workers"));
        Workers->FieldDefs()->Add(QStringLiteral("NAME"), ftString, 30);
        Workers->FieldDefs()->Add(QStringLiteral("HOURS"), ftFloat);
        Workers->CreateDataSet();
        Workers->AppendRecord({u"Иванов"_S, Null()});
        Workers->AppendRecord({u"Петров"_S, 8.0});
        Workers->First();
        auto* label = New<TCaptioned>(Form);
        label->SetName(QStringLiteral("Label1"));
        label->SetCaption(QStringLiteral("Итого за месяц"));

        Module = New<TDataModule>(nullptr);
        Module->SetName(QStringLiteral("DataModule6"));
        Hidden = New<TTestTableDataSet>(Module);
        Hidden->SetName(QStringLiteral("Hidden"));
        Hidden->FieldDefs()->Add(QStringLiteral("X"), ftInteger);
        Hidden->CreateDataSet();
        Hidden->AppendRecord({1});
    }
    void TearDown() override {
        RpEvReportAccess() = TRpEvReportAccess();
        Module->Free();
        Form->Free();
    }

    TForm* Form = nullptr;
    TTestTableDataSet* Workers = nullptr;
    TDataModule* Module = nullptr;
    TTestTableDataSet* Hidden = nullptr;
};

TEST_F(RpEvExtraFormTest, DatasetsAndCaptionsOnTheOpenForms) {
    const TExprCase cases[] = {
        {u"RECORDCOUNT('Workers')", "I:2"},
        {u"RECORDCOUNT('workers')", "I:2"},
        {u"RECORDCOUNT('Nobody')", "E:"},
        {u"RECORDCOUNT('Label1')", "E:"},   // not a dataset
        {u"RECORDCOUNT('Hidden')", "E:"},   // data modules are not searched
        {u"ISNULL('Workers','HOURS')", "B:True"},
        {u"ISNULL('Workers','NAME')", "B:False"},
        {u"ISNULL('Workers','NOFIELD')", "E:"},
        {u"ISNULL('Hidden','X')", "E:"},
        {u"FIELDLEN('Workers','NAME')", "I:30"},
        {u"FIELDLEN('Workers','HOURS')", "I:0"},
        {u"FIELDLEN('Hidden','X')", "E:"},
        {u"GETCAPTION('Label1')", "S:Итого за месяц"},
        {u"GETCAPTION('Workers')", "E:"},
        {u"PAGECOUNT", "E:"},
        {u"DETAILNO", "E:"},
    };
    for (const auto& c : cases) EXPECT_EQ(Eval(c.Expr), c.Expected) << String::fromUtf16(c.Expr).toStdString();
    Workers->Next();
    EXPECT_EQ(Eval(u"ISNULL('Workers','HOURS')"), "B:False");
}

TEST_F(RpEvExtraFormTest, NamedComponentSearchOrderAndFieldCondition) {
    EXPECT_EQ(FindNamedComponent(QStringLiteral("Hidden"), TDataSet::StaticClass(), String()), Hidden);
    EXPECT_EQ(FindNamedComponent(QStringLiteral("Hidden"), TDataSet::StaticClass(), String(), false), nullptr);
    EXPECT_EQ(FindNamedComponent(QStringLiteral("Workers"), TDataSet::StaticClass(), QStringLiteral("hours")), Workers);
    EXPECT_EQ(FindNamedComponent(QStringLiteral("Workers"), TDataSet::StaticClass(), QStringLiteral("X")), nullptr);
    EXPECT_EQ(FindNamedComponent(QStringLiteral("Label1"), TDataSet::StaticClass(), String()), nullptr);
}

TEST_F(RpEvExtraFormTest, ReportFunctionsReadTheReportThroughItsAccess) {
    auto* onModule = New<TFakeEventReport>(Module);
    onModule->SetName(QStringLiteral("RpReport"));
    onModule->Pages = 12;
    auto* onForm = New<TFakeEventReport>(Form);
    onForm->SetName(QStringLiteral("Report1"));
    onForm->Records = 40;
    onForm->RecNo = 7;
    onForm->Column = 2;

    TRpEvReportAccess& a = RpEvReportAccess();
    a.ReportClass = TFakeEventReport::StaticClass();
    a.PageCountReportClass = TFakeEventReport::StaticClass();
    a.PageCount = [](TComponent* c) { return static_cast<TFakeEventReport*>(c)->Pages; };
    a.RecordCount = [](TComponent* c) { return static_cast<TFakeEventReport*>(c)->Records; };
    a.RecordNumber = [](TComponent* c) { return static_cast<TFakeEventReport*>(c)->RecNo; };
    a.CurrentColumn = [](TComponent* c) { return static_cast<TFakeEventReport*>(c)->Column; };
    a.ExprClass = TFakeEventReport::StaticClass();
    a.ExprCaption = [](TComponent* c) { return u"expr of "_S + c->Name(); };

    EXPECT_EQ(FindFirstReport(), onForm);
    EXPECT_EQ(Eval(u"PAGECOUNT"), "I:12");   // found on the data module by its name
    EXPECT_EQ(Eval(u"PAGECOUNT(1)"), "E:");
    EXPECT_EQ(Eval(u"DETAILCOUNT"), "I:40");
    EXPECT_EQ(Eval(u"DETAILNO"), "I:7");
    EXPECT_EQ(Eval(u"COLUMNNO"), "I:2");
    EXPECT_EQ(Eval(u"GETCAPTION('Report1')"), "S:expr of Report1");
}

}  // namespace
