// Named expressions: lookups, references between entries, self-reference, settable constants,
// preparation counting, the global environment and the "DATA" stream form.
#include "platform/testing/memdata.h"
#include "platform/gui/forms.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "report/rpevenvironment.h"
#include "rpev_support.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

// A component with an environment as a published sub-object, as the report component has.
class TEnvHolder : public TComponent {
    SDELKA_CLASS(TEnvHolder, TComponent)
protected:
    explicit TEnvHolder(TComponent* AOwner) : TComponent(AOwner), FFunctions(New<TRpEvEnvironment>()) {}
    ~TEnvHolder() override { FFunctions->Free(); }

public:
    TRpEvEnvironment* Functions() const { return FFunctions; }
    static void Published(TPublished<TEnvHolder>& P) { P.Object("Functions", &TEnvHolder::Functions); }

private:
    TRpEvEnvironment* FFunctions;
};

class RpEvEnvironmentTest : public ::testing::Test {
protected:
    void SetUp() override { Env = New<TRpEvEnvironment>(); }
    void TearDown() override { Env->Free(); }
    std::string ValueOf(const char* Name) {
        TRpEvResult r;
        Env->Value(QString::fromLatin1(Name), r);
        return Show(r);
    }
    std::string E(const char* Expr) { return Eval(QString::fromLatin1(Expr), nullptr, Env); }

    FormatSettingsGuard Guard;
    TRpEvEnvironment* Env = nullptr;
};

TEST_F(RpEvEnvironmentTest, NamesAreUpperCasedAndTheFirstExpressionStays) {
    Env->AddFunction(QStringLiteral("price"), QStringLiteral("2.5"));
    Env->AddFunction(QStringLiteral("PRICE"), QStringLiteral("99"));
    ASSERT_EQ(Env->Count(), 1);
    EXPECT_EQ(Env->Strings(0), u"PRICE");
    EXPECT_EQ(Env->EmbeddedFunction(0)->Expression(), u"2.5");
    Env->Prepare();
    EXPECT_EQ(ValueOf("Price"), "D:2.5");
    EXPECT_EQ(ValueOf("nothing"), "E:");
    TRpEvElement* e = Env->Element(QStringLiteral("Nothing"));
    TRpEvResult r;
    e->Value(nullptr, r);
    EXPECT_EQ(Show(r), "E:Unknown function : Nothing");
    e->Free();
    Env->Unprepare();
}

TEST_F(RpEvEnvironmentTest, EntriesReferToEachOtherAndACycleIsAnError) {
    Env->AddFunction(QStringLiteral("TOTAL"), QStringLiteral("PRICE*QTY"));
    Env->AddFunction(QStringLiteral("PRICE"), QStringLiteral("2.5"));
    Env->AddFunction(QStringLiteral("QTY"), QStringLiteral("4"));
    Env->AddFunction(QStringLiteral("A"), QStringLiteral("A+1"));
    Env->AddFunction(QStringLiteral("B"), QStringLiteral("C*2"));
    Env->AddFunction(QStringLiteral("C"), QStringLiteral("1+B"));
    Env->Prepare();
    EXPECT_EQ(ValueOf("TOTAL"), "D:10");
    EXPECT_EQ(E("total+qty"), "D:14");
    EXPECT_EQ(ValueOf("A"), "E:Recursive calls not allowed");
    EXPECT_EQ(ValueOf("B"), "E:Recursive calls not allowed");
    EXPECT_EQ(E("C"), "E:Recursive calls not allowed");
    // The guard is released after each evaluation.
    EXPECT_EQ(ValueOf("TOTAL"), "D:10");
    Env->Unprepare();
}

TEST_F(RpEvEnvironmentTest, SettableConstantsChangeWhatReferencesSee) {
    Env->AddFunction(QStringLiteral("PAGENUMBER"), QStringLiteral("0"));
    Env->AddFunction(QStringLiteral("REPORTTITLE"), QStringLiteral("''"));
    Env->AddFunction(QStringLiteral("SUMMED"), QStringLiteral("1+2"));
    EXPECT_EQ(Env->GetConstant(QStringLiteral("PAGENUMBER")), nullptr);  // not prepared
    TRpEvResult five;
    five.Kind = resInt;
    five.intResult = 5;
    Env->UpdateConstant(QStringLiteral("PAGENUMBER"), five);  // nothing to update

    Env->Prepare();
    TRpEvaluator* ev = New<TRpEvaluator>();
    ev->SetEnvironment(Env);
    ev->Prepare(QStringLiteral("'Стр. '+STR(PageNumber)+' '+ReportTitle"));
    EXPECT_EQ(ev->AsString(), u"Стр. 0 ");

    TRpEvElement* page = Env->GetConstant(QStringLiteral("pagenumber"));
    TRpEvElement* title = Env->GetConstant(QStringLiteral("REPORTTITLE"));
    ASSERT_NE(page, nullptr);
    ASSERT_NE(title, nullptr);
    TRpEvEnvironment::SetIntegerConstant(page, 5);
    TRpEvEnvironment::SetStringConstant(page, QStringLiteral("ignored"));
    TRpEvEnvironment::SetStringConstant(title, QStringLiteral("Табель"));
    TRpEvEnvironment::SetIntegerConstant(title, 7);
    EXPECT_EQ(ev->AsString(), u"Стр. 5 Табель");
    TRpEvEnvironment::SetFloatConstant(page, 1.5);
    EXPECT_EQ(ev->AsString(), u"Стр. 1,5 Табель");
    TRpEvEnvironment::SetBooleanConstant(page, true);
    EXPECT_EQ(ev->AsString(), u"Стр. True Табель");
    Env->UpdateConstant(QStringLiteral("PAGENUMBER"), five);
    EXPECT_EQ(ev->AsString(), u"Стр. 5 Табель");

    // An entry that is no single literal has no settable constant.
    TRpEvElement* op = Env->GetConstant(QStringLiteral("SUMMED"));
    TRpEvEnvironment::SetIntegerConstant(op, 100);
    EXPECT_EQ(ValueOf("SUMMED"), "I:3");
    EXPECT_EQ(Env->GetConstant(QStringLiteral("NOSUCH")), nullptr);
    TRpEvEnvironment::SetIntegerConstant(nullptr, 1);

    ev->Free();
    Env->Unprepare();
    EXPECT_EQ(Env->GetConstant(QStringLiteral("PAGENUMBER")), nullptr);
}

TEST_F(RpEvEnvironmentTest, PreparationIsCountedAndNewEntriesJoinAPreparedEnvironment) {
    Env->AddFunction(QStringLiteral("X"), QStringLiteral("1"));
    Env->Prepare();
    Env->Prepare();
    Env->AddFunction(QStringLiteral("Y"), QStringLiteral("X+1"));
    EXPECT_EQ(ValueOf("Y"), "I:2");
    Env->Unprepare();
    EXPECT_TRUE(Env->Prepared());
    EXPECT_EQ(ValueOf("Y"), "I:2");
    Env->Unprepare();
    EXPECT_FALSE(Env->Prepared());
    EXPECT_FALSE(Env->EmbeddedFunction(0)->Evaluator()->Prepared());
    try {
        ValueOf("X");
        ADD_FAILURE() << "an unprepared entry must raise";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"Evaluator not prepared");
    }
    Env->Unprepare();  // one too many: stays unprepared
    EXPECT_FALSE(Env->Prepared());
}

TEST_F(RpEvEnvironmentTest, DeleteAndClearFreeTheEntries) {
    Env->AddFunction(QStringLiteral("A"), QStringLiteral("1"));
    Env->AddFunction(QStringLiteral("B"), QStringLiteral("2"));
    Env->AddFunction(QStringLiteral("C"), QStringLiteral("3"));
    Env->DeleteFunction(QStringLiteral("b"));
    Env->DeleteFunction(QStringLiteral("nothing"));
    ASSERT_EQ(Env->Count(), 2);
    EXPECT_EQ(Env->Strings(1), u"C");
    Env->Clear();
    EXPECT_EQ(Env->Count(), 0);
}

TEST_F(RpEvEnvironmentTest, AssignCopiesExpressionsWithoutSharingThem) {
    TRpEvEnvironment* other = New<TRpEvEnvironment>();
    other->AddFunction(QStringLiteral("A"), QStringLiteral("1"));
    other->AddFunction(QStringLiteral("B"), QStringLiteral("A+1"));
    Env->AddFunction(QStringLiteral("OLD"), QStringLiteral("0"));
    Env->Assign(other);
    other->Free();  // the copies are the environment's own
    ASSERT_EQ(Env->Count(), 2);
    Env->Prepare();
    EXPECT_EQ(ValueOf("B"), "I:2");
    Env->Unprepare();
}

TEST_F(RpEvEnvironmentTest, EntriesReadTheEnvironmentsDatasets) {
    TTestTableDataSet* ds = New<TTestTableDataSet>(nullptr);
    ds->SetName(QStringLiteral("t_Report"));
    ds->FieldDefs()->Add(QStringLiteral("fio"), ftString, 40);
    ds->CreateDataSet();
    ds->AppendRecord({u"Иванов И.И."_S});
    ds->First();
    TRpDataSetList* list = New<TRpDataSetList>();
    list->Add(ds);
    Env->SetDatasets(list);
    Env->AddFunction(QStringLiteral("WHO"), QStringLiteral("'Рабочий: '+t_Report.fio"));
    Env->Prepare();
    EXPECT_EQ(E("WHO"), "S:Рабочий: Иванов И.И.");
    Env->Unprepare();
    Env->SetDatasets(nullptr);
    list->Free();
    ds->Free();
}

TEST_F(RpEvEnvironmentTest, GlobalEnvironmentHoldsTheStartValues) {
    TRpEvEnvironment* g = GlobalEnvironment();
    EXPECT_GE(g->IndexOf(QStringLiteral("APPSTARTTIME")), 0);
    EXPECT_GE(g->IndexOf(QStringLiteral("APPSTARTDATE")), 0);
    EXPECT_EQ(Eval(QStringLiteral("AppName")), "S:" + Application->Title().toStdString());
    const std::string date = Eval(QStringLiteral("AppStartDate"));
    EXPECT_TRUE(QString::fromStdString(date).contains(QRegularExpression(QStringLiteral("^S:\\d\\d\\.\\d\\d\\.\\d{4}$"))))
        << date;
    const std::string time = Eval(QStringLiteral("appstarttime"));
    EXPECT_TRUE(QString::fromStdString(time).contains(QRegularExpression(QStringLiteral("^S:\\d{1,2}:\\d\\d:\\d\\d$"))))
        << time;
    // A local entry of the same name comes first.
    Env->AddFunction(QStringLiteral("AppName"), QStringLiteral("'local'"));
    Env->Prepare();
    EXPECT_EQ(E("AppName"), "S:local");
    Env->Unprepare();
    EXPECT_TRUE(g->Prepared());
}

// ---- stream form ------------------------------------------------------------------------------

TEST_F(RpEvEnvironmentTest, NamesAndDataSurviveAStreamRoundTrip) {
    TEnvHolder* src = New<TEnvHolder>(nullptr);
    src->SetName(QStringLiteral("Holder"));
    src->Functions()->AddFunction(QStringLiteral("PAGENUMBER"), QStringLiteral("0"));
    src->Functions()->AddFunction(QStringLiteral("REPORTTITLE"), QStringLiteral("''"));
    src->Functions()->AddFunction(QStringLiteral("ITOG"), QStringLiteral("(sum(summa)+f_sum7_all)/1.2"));

    const String text = ComponentToText(src);
    EXPECT_TRUE(text.contains(QStringLiteral("Functions.Strings = (")));
    EXPECT_TRUE(text.contains(QStringLiteral("Functions.DATA = (")));

    TMemoryStream* stream = New<TMemoryStream>();
    WriteComponentToStream(stream, src);
    stream->SetPosition(0);
    TEnvHolder* dst = New<TEnvHolder>(nullptr);
    dst->Functions()->AddFunction(QStringLiteral("STALE"), QStringLiteral("1"));
    ReadComponentFromStream(stream, dst);
    TRpEvEnvironment* env = dst->Functions();
    ASSERT_EQ(env->Count(), 3);
    EXPECT_EQ(env->Strings(0), u"PAGENUMBER");
    EXPECT_EQ(env->Strings(1), u"REPORTTITLE");
    EXPECT_EQ(env->Strings(2), u"ITOG");
    EXPECT_EQ(env->EmbeddedFunction(0)->Expression(), u"0");
    EXPECT_EQ(env->EmbeddedFunction(1)->Expression(), u"''");
    EXPECT_EQ(env->EmbeddedFunction(2)->Expression(), u"(sum(summa)+f_sum7_all)/1.2");
    env->Prepare();
    TRpEvResult r;
    env->Value(QStringLiteral("PAGENUMBER"), r);
    EXPECT_EQ(Show(r), "I:0");
    env->Unprepare();

    stream->Free();
    dst->Free();
    src->Free();
}

TEST_F(RpEvEnvironmentTest, AnEmptyEnvironmentStreamsAnEmptyData) {
    TEnvHolder* src = New<TEnvHolder>(nullptr);
    src->SetName(QStringLiteral("Holder"));
    const String text = ComponentToText(src);
    EXPECT_TRUE(text.contains(QStringLiteral("Functions.DATA = (")));
    EXPECT_FALSE(text.contains(QStringLiteral("Functions.Strings")));
    TEnvHolder* dst = New<TEnvHolder>(nullptr);
    TextToComponent(text, dst);
    EXPECT_EQ(dst->Functions()->Count(), 0);
    dst->Free();
    src->Free();
}

TEST_F(RpEvEnvironmentTest, MoreExpressionsThanNamesIsAStreamError) {
    TEnvHolder* src = New<TEnvHolder>(nullptr);
    src->SetName(QStringLiteral("Holder"));
    src->Functions()->AddFunction(QStringLiteral("A"), QStringLiteral("1"));
    String text = ComponentToText(src);
    // One more text in the DATA list than names.
    const int at = static_cast<int>(text.indexOf(QStringLiteral("Functions.DATA = (")));
    ASSERT_GE(at, 0);
    const int close = static_cast<int>(text.indexOf(u')', at));
    text.insert(close, QStringLiteral(" '2'"));
    TEnvHolder* dst = New<TEnvHolder>(nullptr);
    EXPECT_ANY_THROW(TextToComponent(text, dst));
    dst->Free();
    src->Free();
}

}  // namespace
