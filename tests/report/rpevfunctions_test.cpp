// The function registry and the built-in functions, aggregates included.
#include "platform/rtl/dateutils.h"
#include "report/rpevenvironment.h"
#include "report/rpevextra.h"
#include "report/rpevfunctions.h"
#include "rpev_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

class RpEvFunctionsTest : public ::testing::Test {
protected:
    FormatSettingsGuard Guard;
    void TearDown() override { SetClock(nullptr); }
};

TEST_F(RpEvFunctionsTest, BuiltInsOnGoodAndBadArguments) {
    const TExprCase cases[] = {
        {u"TYPEOF(1)", "S:INTEGER"},
        {u"TYPEOF(1.5)", "S:FLOAT"},
        {u"TYPEOF('x')", "S:STRING"},
        {u"TYPEOF(TRUE)", "S:BOOLEAN"},
        {u"TYPEOF(nosuch)", "S:ERROR"},
        {u"TYPEOF()", "E:Wrong arguments for TypeOf"},
        {u"TYPEOF(1,2)", "E:Wrong arguments for TypeOf"},
        {u"TRUE(1)", "E:Too many arguments"},
        {u"false", "B:False"},
        {u"IF(1=1,'a',1/0)", "S:a"},
        {u"IF(1=2,'a',1/0)", "E:Cannot divide by 0"},
        {u"if(2>1,if(2=1,' (грунт)',' (RAL: '+STR(2)+')'),' ')", "S: (RAL: 2)"},
        {u"IF(1,2,3)", "E:Wrong arguments for IF"},
        {u"IF(TRUE,1)", "E:Wrong arguments for IF"},
        {u"INT(-3.7)", "I:-3"},
        {u"INT(5)", "I:5"},
        {u"INT('5')", "E:Wrong arguments for INT"},
        {u"FRAC(-3.7)", "D:-0.7"},
        {u"FRAC(5)", "D:0"},
        {u"FRAC('a')", "E:"},
        {u"SQRT(4)", "D:2"},
        {u"SQRT(-1)", "E:Invalid argument to SQRT function"},
        {u"SQRT('4')", "E:Invalid argument to SQRT function"},
        {u"DIV(7,2)", "I:3"},
        {u"DIV(-7,2)", "I:-3"},
        {u"DIV(7.5,2)", "I:4"},
        {u"DIV(2.5,1)", "I:2"},
        {u"DIV(1,0)", "E:Division by Zero"},
        {u"DIV(1,0.4)", "E:Division by Zero"},
        {u"DIV(-2147483647-1,-1)", "I:-2147483648"},
        {u"DIV('7',2)", "E:Wrong arguments for DIV"},
        {u"STR(12)", "S:12"},
        {u"STR(1.5)", "S:1,5"},
        {u"STR(TRUE)", "S:True"},
        {u"STR('a')", "E:Conversion error"},
        {u"UPPER('иванов')", "S:ИВАНОВ"},
        {u"LOWER('ПЕТРОВ')", "S:петров"},
        {u"UPPER(5)", "E:"},
        {u"UPPER(1/0)", "E:Cannot divide by 0"},
        {u"UPPER()", "E:Missing argument for UPPER"},
        {u"LOWER('a','b')", "E:Missing argument for LOWER"},
        {u"PRETTY('jOHN')", "S:John"},
        {u"PRETTY('иВАН')", "S:Иван"},
        {u"PRETTY('')", "S:"},
        {u"PRETTY()", "E:Missing argument for PRETTY"},
        {u"COPY('abcdef',0,3)", "S:abc"},
        {u"COPY('abcdef',5,10)", "S:ef"},
        {u"COPY('abcdef',7,1)", "S:"},
        {u"COPY('abcdef',-2,2)", "S:ab"},
        {u"COPY('abcdef',2,-1)", "S:"},
        {u"COPY('abcdef',1.5,2)", "E:"},
        {u"COPY('abcdef',1)", "E:"},
        {u"COPY('a😀b',2,2)", "S:😀"},
        {u"COPY('a😀b',3,2)", "S:b"},
        {u"COPY('a😀b',2,1)", "S:"},
        {u"FORMATNUMERIC('0.00',1234.5)", "S:1234,50"},
        {u"FORMATNUMERIC('0.00',2)", "S:2,00"},
        {u"FORMATNUMERIC('0.00','2')", "E:"},
        {u"FORMATNUMERIC('%m %d',1.5)", "E:Invalid format or value specified"},
    };
    for (const auto& c : cases) EXPECT_EQ(Eval(c.Expr), c.Expected) << String::fromUtf16(c.Expr).toStdString();
}

TEST_F(RpEvFunctionsTest, TimeAndDateReadTheClock) {
    SetClock([] { return EncodeDateTime(2024, 3, 5, 14, 7, 9, 0); });
    EXPECT_EQ(Eval(u"DATE"), "S:05.03.2024");
    EXPECT_EQ(Eval(u"TIME"), "S:14:07:09");
    EXPECT_EQ(Eval(u"DATE(1)"), "E:");
    EXPECT_EQ(Eval(u"TIME('x')"), "E:");
}

TEST_F(RpEvFunctionsTest, AnErrorWithoutMessageDoesNotShowEarlierText) {
    TRpEvaluator* ev = New<TRpEvaluator>();
    TRpEvResult r;
    r.Kind = resString;
    r.StringVal = QStringLiteral("previous record");
    ev->Prepare(QStringLiteral("FRAC('a')"));
    ev->Value(r);
    EXPECT_EQ(Show(r), "E:");
    ev->Free();
}

TEST_F(RpEvFunctionsTest, RegistryLookupAndEntries) {
    TRpFunctionLibrary* lib = GlobalFunctionLibrary();
    TRpEvElement* e = lib->GetFunction(QStringLiteral("sum"));
    EXPECT_TRUE(e->InheritsFrom(TRpEvSumFunction::StaticClass()));
    EXPECT_TRUE(e->IsAggreg());
    e->Free();

    e = lib->GetFunction(QStringLiteral("nope"));
    TRpEvResult r;
    e->Value(nullptr, r);
    EXPECT_EQ(Show(r), "E:Unknown function : nope");
    e->Free();

    // 21 built-ins, then the 28 additional functions, in registration order.
    ASSERT_GE(lib->EntryList()->Count(), 49);
    EXPECT_EQ(lib->GetEntry(0)->Name(), u"IF");
    EXPECT_EQ(lib->GetEntry(20)->Name(), u"FORMATNUMERIC");
    EXPECT_EQ(lib->GetEntry(21)->Name(), u"PAGECOUNT");
    EXPECT_EQ(lib->GetEntry(48)->Name(), u"PADRIGHT");
    TRpLibraryEntry* sum = lib->GetEntry(lib->EntryList()->IndexOf(QStringLiteral("SUM")));
    EXPECT_EQ(sum->Description(), u"SUM(<X>)|Sums the numeric <X>");
    EXPECT_EQ(sum->Data(), u"3N");
    EXPECT_EQ(sum->Item(), TRpEvSumFunction::StaticClass());
    EXPECT_NE(sum->Vendor(), lib->GetEntry(21)->Vendor());

    // A later registration of a name that exists leaves the first class in place.
    const int count = lib->EntryList()->Count();
    RegisterAdditionalFunction(TRpEvTrimFunction::StaticClass(), QStringLiteral("sum"), QStringLiteral("x|y"),
                               QStringLiteral("v"), QStringLiteral("7S"));
    EXPECT_EQ(lib->EntryList()->Count(), count);
    e = lib->GetFunction(QStringLiteral("SUM"));
    EXPECT_TRUE(e->InheritsFrom(TRpEvSumFunction::StaticClass()));
    e->Free();
}

// ---- aggregates -------------------------------------------------------------------------------

// Feeds values to an aggregate through the settable constant X of an environment.
class RpEvAggregateTest : public RpEvFunctionsTest {
protected:
    void SetUp() override {
        Env = New<TRpEvEnvironment>();
        Env->AddFunction(QStringLiteral("X"), QStringLiteral("0"));
        Env->Prepare();
        Ev = New<TRpEvaluator>();
        Ev->SetEnvironment(Env);
    }
    void TearDown() override {
        Ev->Free();
        Env->Unprepare();
        Env->Free();
        RpEvFunctionsTest::TearDown();
    }
    static TRpEvResult I(Integer v) { TRpEvResult r; r.Kind = resInt; r.intResult = v; return r; }
    static TRpEvResult D(double v) { TRpEvResult r; r.Kind = resDouble; r.dblResult = v; return r; }
    static TRpEvResult S(const char* v) { TRpEvResult r; r.Kind = resString; r.StringVal = QString::fromUtf8(v); return r; }
    static TRpEvResult B(bool v) { TRpEvResult r; r.Kind = resBool; r.booResult = v; return r; }

    std::string Run(const char* Expr, const std::vector<TRpEvResult>& Values) {
        Ev->Prepare(QString::fromLatin1(Expr));
        Ev->Reset();
        for (const auto& v : Values) {
            Env->UpdateConstant(QStringLiteral("X"), v);
            Ev->DoAggregate();
        }
        TRpEvResult r;
        Ev->Value(r);
        return Show(r);
    }

    TRpEvEnvironment* Env = nullptr;
    TRpEvaluator* Ev = nullptr;
};

TEST_F(RpEvAggregateTest, SumAverageMaxMinCount) {
    EXPECT_EQ(Run("SUM(X)", {I(1), I(2), I(3)}), "I:6");
    EXPECT_EQ(Run("SUM(X)", {D(1.5), D(2.5)}), "D:4");
    EXPECT_EQ(Run("SUM(X)", {I(1), B(true), I(2)}), "I:3");   // booleans are skipped
    EXPECT_EQ(Run("SUM(X)", {I(1), S("a"), I(2)}), "E:");     // a text spoils the sum
    EXPECT_EQ(Run("SUM(X)", {S("a")}), "E:");
    EXPECT_EQ(Run("SUM(X)", {I(1), D(2.5)}), "I:3");          // the sum keeps the first kind
    EXPECT_EQ(Run("SUM(X)", {D(0.5), I(2)}), "D:2.5");
    EXPECT_EQ(Run("SUM(X)", {}), "I:0");
    EXPECT_EQ(Run("SUM(X,1)", {I(1), I(2)}), "I:0");
    EXPECT_EQ(Run("SUM(X)*2", {I(1), I(2)}), "I:6");
    EXPECT_EQ(Run("AVERAGE(X)", {I(1), I(2), I(3)}), "D:2");
    EXPECT_EQ(Run("AVERAGE(X)", {}), "D:0");
    EXPECT_EQ(Run("MAX(X)", {I(3), I(7), I(5)}), "I:7");
    EXPECT_EQ(Run("MIN(X)", {D(3.5), I(7), D(-1)}), "D:-1");
    EXPECT_EQ(Run("MIN(X)", {S("b"), S("a"), S("c")}), "S:a");
    EXPECT_EQ(Run("MAX(X)", {S("b"), S("a"), S("c")}), "S:c");
    EXPECT_EQ(Run("MIN(X)", {B(true), B(false)}), "B:False");
    EXPECT_EQ(Run("MAX(X)", {B(true), B(false)}), "B:True");
    EXPECT_EQ(Run("MAX(X)", {I(3), S("zzz"), I(2)}), "I:3");  // other kinds are skipped
    EXPECT_EQ(Run("MAX(X)", {}), "I:0");
    EXPECT_EQ(Run("MIN(X)", {}), "I:0");
    EXPECT_EQ(Run("COUNT", {I(0), I(0), I(0)}), "I:3");
    EXPECT_EQ(Run("COUNT", {}), "I:0");
    EXPECT_EQ(Run("COUNT(1)", {I(0)}), "E:COUNT - Too many arguments");
}

TEST_F(RpEvAggregateTest, AnAggregateErrorLastsUntilReset) {
    EXPECT_EQ(Run("SUM(X)", {I(1), S("a")}), "E:");
    Env->UpdateConstant(QStringLiteral("X"), I(5));
    Ev->DoAggregate();
    TRpEvResult r;
    Ev->Value(r);
    EXPECT_EQ(Show(r), "E:");
    Ev->Reset();
    Ev->DoAggregate();
    Ev->Value(r);
    EXPECT_EQ(Show(r), "I:5");
}

TEST_F(RpEvAggregateTest, AverageBeforeItsFirstResetIsZero) {
    Ev->Prepare(QStringLiteral("AVERAGE(X)"));
    TRpEvResult r;
    Ev->Value(r);
    EXPECT_EQ(Show(r), "I:0");
    Ev->Reset();
    Ev->Value(r);
    EXPECT_EQ(Show(r), "D:0");
}

}  // namespace
