// The expression compiler and evaluator: precedence, operand kinds, literals, compile faults as
// error results, field references and aggregation passes.
#include "platform/testing/memdata.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/rtlmath.h"
#include "report/rperror.h"
#include "report/rpevenvironment.h"
#include "report/rpevfunctions.h"
#include "rpev_support.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

class RpEvaluatorTest : public ::testing::Test {
protected:
    FormatSettingsGuard Guard;  // Russian defaults: decimal comma, dd.mm.yyyy
};

TEST_F(RpEvaluatorTest, PrecedenceAndChainsGiveLeftToRightResults) {
    const TExprCase cases[] = {
        {u"1+2*3", "I:7"},
        {u"7/2", "D:3.5"},
        {u"10-4-3", "I:3"},
        {u"10-4+3", "I:9"},
        {u"2-3+4-5", "I:-2"},
        {u"24/4/2", "D:3"},
        {u"24/4*2", "D:12"},
        {u"2*3-4*5", "I:-14"},
        {u"(1+2)*3", "I:9"},
        {u"((2))", "I:2"},
        {u"-5", "I:-5"},
        {u"-(2+3)*2", "I:-10"},
        {u"+7", "I:7"},
        {u" 1 + 2 ", "I:3"},
        {u"2147483647+1", "I:-2147483648"},
        {u"65536*65536", "I:0"},
        {u"3 or 5", "I:7"},
        {u"3 AND 6", "I:2"},
        {u"(1<2) and (2<3)", "B:True"},
        {u"TRUE or FALSE", "B:True"},
        {u"TRUE Or FALSE and FALSE", "B:True"},
        {u"1+2=3", "B:True"},
        {u"1+2<>3", "B:False"},
        {u"2>=2", "B:True"},
        {u"2<=1", "B:False"},
        {u"1.5>1", "B:True"},
        {u"1.5+1", "D:2.5"},
    };
    for (const auto& c : cases) EXPECT_EQ(Eval(c.Expr), c.Expected) << String::fromUtf16(c.Expr).toStdString();
}

TEST_F(RpEvaluatorTest, OperandKindsAreMatchedBeforeTheOperator) {
    const TExprCase cases[] = {
        {u"'a'+5", "S:a5"},
        {u"5+'a'", "S:5a"},
        {u"5='5'", "B:True"},
        {u"1=TRUE", "B:False"},
        {u"'True'=TRUE", "B:True"},
        {u"'abc'<'abd'", "B:True"},
        {u"'B'<'a'", "B:True"},
        {u"'abc'='ABC'", "B:False"},
        {u"TRUE=TRUE", "B:True"},
        {u"TRUE<>FALSE", "B:True"},
        {u"'x'+1.5", "S:x1,5"},
        {u"'Готовая '+'продукция'", "S:Готовая продукция"},
    };
    for (const auto& c : cases) EXPECT_EQ(Eval(c.Expr), c.Expected) << String::fromUtf16(c.Expr).toStdString();
}

TEST_F(RpEvaluatorTest, OperatorErrorsAreResultsWithTheirMessages) {
    const TExprCase cases[] = {
        {u"TRUE<FALSE", "E:Operator < is not compatible with boolean expressions"},
        {u"TRUE>=FALSE", "E:Operator >= is not compatible with boolean expressions"},
        {u"1.5 or 2", "E:Operator OR is not compatible with numeric expressions"},
        {u"'a' and 'b'", "E:Operator AND is not compatible with string expressions"},
        {u"TRUE+TRUE", "E:Cannot add boolean expressions"},
        {u"-'a'", "E:Cannot subtract string expressions"},
        {u"TRUE-FALSE", "E:Cannot subtract boolean expressions"},
        {u"'a'*2", "E:Cannot multiply string expressions"},
        {u"'a'/'b'", "E:Cannot divide string expressions"},
        {u"TRUE/TRUE", "E:Cannot divide boolean expressions"},
        {u"1/0", "E:Cannot divide by 0"},
        {u"1.0/0", "E:Cannot divide by 0"},
        {u"not TRUE", "B:False"},
        {u"NOT (1=2)", "B:True"},
        {u"not 1", "E:Invalid use of NOT"},
        // The left error wins; both operands are evaluated.
        {u"1/0+(TRUE+TRUE)", "E:Cannot divide by 0"},
        {u"1+(TRUE+TRUE)", "E:Cannot add boolean expressions"},
    };
    for (const auto& c : cases) EXPECT_EQ(Eval(c.Expr), c.Expected) << String::fromUtf16(c.Expr).toStdString();
}

TEST_F(RpEvaluatorTest, LiteralsNumbersAndCompileFaults) {
    const TExprCase cases[] = {
        {u"", "S: "},
        {u"'It''s'", "S:It''s"},
        {u"'(a, b)'", "S:(a, b)"},
        {u"'", "S:"},
        {u"''", "S:"},
        {u"'abc", "E:Missing '"},
        {u"(1+2", "E:Missing )"},
        {u"[abc", "E:Missing ]"},
        {u"()", "E:Error in expression : "},
        {u"+", "E:Error in expression : "},
        {u"1<=", "E:Error in expression : "},
        // The last character is never an operator.
        {u"1+", "E:Illegal character in numeric contant \"1+\""},
        {u"#1", "E:Error in expression : #1"},
        {u"2147483648", "D:2147483648"},
        {u"99999999999", "D:99999999999"},
        {u"1e5", "D:100000"},
        {u"1.25", "D:1.25"},
        {u"1,5", "E:Illegal character in numeric contant \"1,5\""},
        {u"12ab", "E:Illegal character in numeric contant \"12ab\""},
        {u"1.2.3", "E:Illegal character in numeric contant \"1.2.3\""},
        // A sign after the exponent letter is an operator: the left part "1e" is no number.
        {u"1e-5", "E:Illegal character in numeric contant \"1e\""},
        // The minus splits first, so "2*" is the left number.
        {u"2*-3", "E:Illegal character in numeric contant \"2*\""},
        {u"TRUE()", "B:True"},
        {u"TRUE()=TRUE", "B:True"},
        {u"IF (1=1,1,2)", "E:Unknown function : IF "},
        {u"nosuch(1)", "E:Unknown function : NOSUCH"},
        {u"nosuch", "E:Unknown function : NOSUCH"},
        {u"[lower name]", "E:Unknown function : lower name"},
        {u"1<b<c", "E:Unknown function : B<C"},
        // "or" needs a blank on both sides.
        {u"TRUE or(FALSE)", "E:Unknown function : TRUE OR"},
        {u"(TRUE)or FALSE", "E:Missing )"},
    };
    for (const auto& c : cases) EXPECT_EQ(Eval(c.Expr), c.Expected) << String::fromUtf16(c.Expr).toStdString();
}

TEST_F(RpEvaluatorTest, FloatsFollowTheLocaleDecimalSeparator) {
    FormatSettings.DecimalSeparator = u'.';
    EXPECT_EQ(Eval(u"'v='+2.5"), "S:v=2.5");
    EXPECT_EQ(Eval(u"1.5*2"), "D:3");
    FormatSettings.DecimalSeparator = u',';
    EXPECT_EQ(Eval(u"'v='+2.5"), "S:v=2,5");
}

TEST_F(RpEvaluatorTest, ValueBeforePrepareRaisesAndConversions) {
    TRpEvaluator* ev = New<TRpEvaluator>();
    TRpEvResult r;
    try {
        ev->Value(r);
        ADD_FAILURE() << "Value of an unprepared evaluator must raise";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"Evaluator not prepared");
    }

    ev->Prepare(QStringLiteral("2.5"));
    EXPECT_EQ(ev->AsInteger(), 2);  // halves to the even neighbour
    EXPECT_DOUBLE_EQ(ev->AsFloat(), 2.5);
    EXPECT_EQ(ev->AsString(), u"2,5");
    EXPECT_EQ(ev->AsVariant().VType(), varDouble);
    ev->Prepare(QStringLiteral("3.5"));
    EXPECT_EQ(ev->AsInteger(), 4);
    ev->Prepare(QStringLiteral("'true'"));
    EXPECT_TRUE(ev->AsBoolean());
    try {
        ev->AsInteger();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"Not a numeric value");
    }
    ev->Prepare(QStringLiteral("'maybe'"));
    try {
        ev->AsBoolean();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"Not a boolean value");
    }
    ev->Prepare(QStringLiteral("1/0"));
    try {
        ev->AsString();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"Error in expression : Cannot divide by 0");
    }
    try {
        ev->AsVariant();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"Error in expression : Cannot divide by 0");
    }
    ev->UnPrepare();
    EXPECT_FALSE(ev->Prepared());
    ev->Free();
}

TEST_F(RpEvaluatorTest, SwapTopLevelCharsLeavesNestedTextAlone) {
    EXPECT_EQ(SwapTopLevelChars(QStringLiteral("a+b-(c+d)-'x+y'+[p-q]"), u'+', u'-'),
              u"a-b+(c+d)+'x+y'-[p-q]");
}

TEST_F(RpEvaluatorTest, ResultAsTextOfEachKind) {
    TRpEvResult r;
    r.Kind = resInt;
    r.intResult = -12;
    EXPECT_EQ(ResultAsText(r), u"-12");
    r.Kind = resDouble;
    r.dblResult = 1.0 / 3.0;
    EXPECT_EQ(ResultAsText(r), u"0,333333333333333");
    r.Kind = resBool;
    r.booResult = false;
    EXPECT_EQ(ResultAsText(r), u"False");
    SetErrorResult(QStringLiteral("boom"), r);
    EXPECT_THROW(ResultAsText(r), Exception);
}

// The whole numbers of the language (INT, DIV, SUM of integers, AsInteger) are taken from a double
// as Round and Trunc take the same value, wrapping to 32 bits, and raise where they raise.
TEST_F(RpEvaluatorTest, WholeNumbersOfDoublesAreRoundAndTruncOfThem) {
    const double values[] = {0.0, -0.0, 0.5, -0.5, 1.5, 2.5, -2.5, -3.5, 0.49999999999999994, 2.4999999999999996,
                             4503599627370495.5, 4503599627370496.5, 9007199254740993.0, 1e15 + 0.5, -1e15 - 0.5,
                             2147483647.5, 2147483648.0, -2147483648.5, 4294967296.7, 9.2233720368547748e18,
                             -9.2233720368547758e18, 1e-300, -1e-300};
    for (double v : values) {
        EXPECT_EQ(RoundToInteger(v), static_cast<Integer>(Round(static_cast<Extended>(v)))) << v;
        EXPECT_EQ(TruncToInteger(v), static_cast<Integer>(Trunc(static_cast<Extended>(v)))) << v;
    }
    for (double v : {9.2233720368547758e18, -9.3e18, 1e300, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_THROW(RoundToInteger(v), EInvalidOp) << v;
        EXPECT_THROW(TruncToInteger(v), EInvalidOp) << v;
    }
}

// ---- fields -----------------------------------------------------------------------------------

class RpEvaluatorFieldTest : public RpEvaluatorTest {
protected:
    void SetUp() override {
        Workers = New<TTestTableDataSet>(nullptr);
        Workers->SetName(QStringLiteral("Workers"));
        Workers->FieldDefs()->Add(QStringLiteral("NAME"), ftString, 30);
        Workers->FieldDefs()->Add(QStringLiteral("QTY"), ftInteger);
        Workers->FieldDefs()->Add(QStringLiteral("PRICE"), ftFloat);
        Workers->FieldDefs()->Add(QStringLiteral("OK"), ftBoolean);
        Workers->FieldDefs()->Add(QStringLiteral("DT"), ftDate);
        Workers->FieldDefs()->Add(QStringLiteral("NOTE"), ftMemo);
        Workers->CreateDataSet();
        Workers->AppendRecord({u"Иванов"_S, 1, 1.5, true, VarFromDateTime(EncodeDate(2024, 1, 15)), u"x"_S});
        Workers->AppendRecord({u"Петров"_S, 2, 2.5, false, VarFromDateTime(EncodeDate(2024, 2, 1)), u"y"_S});
        Workers->AppendRecord({u"Сидоров"_S, 3, Null(), Null(), Null(), Null()});
        Workers->First();

        Products = New<TTestTableDataSet>(nullptr);
        Products->SetName(QStringLiteral("Products"));
        Products->FieldDefs()->Add(QStringLiteral("NAME"), ftString, 30);
        Products->CreateDataSet();
        Products->AppendRecord({u"Шкаф"_S});
        Products->First();

        List = New<TRpDataSetList>();
        List->Add(Workers);
        List->Add(Products);
    }
    void TearDown() override {
        List->Free();
        Products->Free();
        Workers->Free();
    }
    std::string E(const char16_t* Expr) { return Eval(String::fromUtf16(Expr), List); }

    TTestTableDataSet* Workers = nullptr;
    TTestTableDataSet* Products = nullptr;
    TRpDataSetList* List = nullptr;
};

TEST_F(RpEvaluatorFieldTest, FieldsReadByTheirKind) {
    const TExprCase cases[] = {
        {u"NAME", "S:Иванов"},
        {u"name", "S:Иванов"},
        {u"Products.NAME", "S:Шкаф"},
        {u"[products.name]", "S:Шкаф"},
        {u"Workers.Name+' '+Products.Name", "S:Иванов Шкаф"},
        {u"QTY*PRICE", "D:1.5"},
        {u"QTY+1", "I:2"},
        {u"OK", "B:True"},
        {u"not OK", "B:False"},
        {u"DT", "S:15.01.2024"},
        {u"[NOTE]", "E:Field NOTE is of unknown type"},
        // A name that begins with "not" reads as a negation unless written in brackets.
        {u"NOTE", "E:Invalid use of NOT"},
        {u"Products.QTY", "E:Unknown function : PRODUCTS.QTY"},
        {u"Nobody.NAME", "E:Unknown function : NOBODY.NAME"},
        {u"IF(QTY>0,'есть','нет')", "S:есть"},
    };
    for (const auto& c : cases) EXPECT_EQ(E(c.Expr), c.Expected) << String::fromUtf16(c.Expr).toStdString();
}

TEST_F(RpEvaluatorFieldTest, NullFieldsReadAsTheAccessorsGiveThem) {
    Workers->Last();
    EXPECT_EQ(E(u"PRICE"), "D:0");
    EXPECT_EQ(E(u"OK"), "B:False");
    EXPECT_EQ(E(u"DT"), "S:");
}

TEST_F(RpEvaluatorFieldTest, OneCompiledExpressionFollowsTheCursorAndSurvivesReopen) {
    TRpEvaluator* ev = New<TRpEvaluator>();
    ev->SetDataSets(List);
    ev->Prepare(QStringLiteral("NAME+':'+STR(QTY)"));
    EXPECT_EQ(ev->AsString(), u"Иванов:1");
    Workers->Next();
    EXPECT_EQ(ev->AsString(), u"Петров:2");
    // The dataset makes its fields itself: they are made anew when it reopens.
    Workers->Close();
    Workers->Open();
    Workers->Last();
    EXPECT_EQ(ev->AsString(), u"Сидоров:3");
    ev->SetDataSets(nullptr);
    ev->Free();
}

// A compiled expression keeps storage between evaluations (the arguments of its calls, how each
// field is read): evaluated again and again over the records it must give what a freshly compiled
// one gives on each record.
TEST_F(RpEvaluatorFieldTest, RepeatedEvaluationsGiveWhatAFreshExpressionGives) {
    const char16_t* const cases[] = {
        u"COPY(UPPER(NAME),1,3)+STR(QTY)",
        u"IF(QTY>1,NAME,'мало')",
        u"IF(QTY>1,PRICE,QTY)+IF(OK,1,0)",
        u"TYPEOF(IF(OK,PRICE,NAME))",
        u"COPY(NAME,QTY,DIV(QTY+2,2))",
        u"UPPER(QTY)",          // the error carries the text of the argument: none
        u"COPY(NAME,1)",        // too few arguments
        u"IF(QTY,1,2)",         // not a boolean
        u"PADLEFT(TRIM(NAME),QTY*4)+DT",
    };
    for (const char16_t* c : cases) {
        const String expr = String::fromUtf16(c);
        TOwned<TRpEvaluator> ev = NewOwned<TRpEvaluator>();
        ev->SetDataSets(List);
        ev->Prepare(expr);
        for (int pass = 0; pass < 2; ++pass)
            for (Workers->First(); !Workers->Eof(); Workers->Next()) {
                TRpEvResult r;
                ev->Value(r);
                EXPECT_EQ(Show(r), E(c)) << expr.toStdString() << " on record " << Workers->RecNo();
                if (expr == u"UPPER(QTY)") {
                    EXPECT_EQ(Show(r), "E:");
                }
            }
        ev->SetDataSets(nullptr);
    }
}

// The dataset makes its fields itself: reopened with another structure, the field at the same
// place may be of another type, and is read by its new type.
TEST_F(RpEvaluatorFieldTest, AFieldIsReadByItsTypeAfterTheDataSetChangesIt) {
    TOwned<TRpEvaluator> ev = NewOwned<TRpEvaluator>();
    ev->SetDataSets(List);
    ev->Prepare(QStringLiteral("NAME"));
    EXPECT_EQ(Show([&] { TRpEvResult r; ev->Value(r); return r; }()), "S:Иванов");
    for (TFieldType type : {ftInteger, ftFloat, ftBoolean, ftString}) {
        Workers->Close();
        Workers->FieldDefs()->Clear();
        Workers->FieldDefs()->Add(QStringLiteral("NAME"), type, type == ftString ? 10 : 0);
        Workers->CreateDataSet();
        Workers->AppendRecord({type == ftBoolean ? Variant(true) : Variant(7)});
        Workers->First();
        TRpEvResult r;
        ev->Value(r);
        const char* expected = type == ftInteger ? "I:7" : type == ftFloat ? "D:7" : type == ftBoolean ? "B:True" : "S:7";
        EXPECT_EQ(Show(r), expected) << static_cast<int>(type);
    }
    ev->SetDataSets(nullptr);
}

TEST_F(RpEvaluatorFieldTest, AggregationPassesAccumulateUntilReset) {
    TRpEvaluator* ev = New<TRpEvaluator>();
    ev->SetDataSets(List);
    ev->Prepare(QStringLiteral("SUM(QTY)"));
    EXPECT_TRUE(ev->IsAggreg());
    TRpEvResult r;
    ev->Value(r);
    EXPECT_EQ(Show(r), "I:0");  // no pass yet
    ev->Reset();
    for (Workers->First(); !Workers->Eof(); Workers->Next()) ev->DoAggregate();
    ev->Value(r);
    EXPECT_EQ(Show(r), "I:6");
    ev->Value(r);
    EXPECT_EQ(Show(r), "I:6");  // evaluating does not accumulate
    ev->Reset();
    ev->Value(r);
    EXPECT_EQ(Show(r), "I:0");

    ev->Prepare(QStringLiteral("QTY*2"));
    EXPECT_FALSE(ev->IsAggreg());
    ev->Free();
}

TEST_F(RpEvaluatorFieldTest, FieldsComeBeforeNamedExpressions) {
    TRpEvEnvironment* env = New<TRpEvEnvironment>();
    env->AddFunction(QStringLiteral("QTY"), QStringLiteral("100"));
    env->AddFunction(QStringLiteral("BONUS"), QStringLiteral("10"));
    env->Prepare();
    EXPECT_EQ(Eval(QStringLiteral("QTY+BONUS"), List, env), "I:11");
    // Without a dataset list names go straight to the environments.
    EXPECT_EQ(Eval(QStringLiteral("QTY+BONUS"), nullptr, env), "I:110");
    env->Unprepare();
    env->Free();
}

}  // namespace

// An expression nested deeper than any report needs is refused with the engine's error before it
// exhausts the stack of the compiler or of the evaluation; ordinary depths still work.
TEST_F(RpEvaluatorTest, DeepNestingIsRefused) {
    const int deep = 5000;
    auto repeat = [](const char* s, int n) { return QString::fromLatin1(s).repeated(n); };
    const String cases[] = {
        repeat("(", deep) + "1" + repeat(")", deep),
        repeat("1+", deep) + "1",
        repeat("2*", deep) + "1",
        repeat("not ", deep) + "TRUE",
        repeat("-", deep) + "1",
        repeat("UPPER(", deep) + "'a'" + repeat(")", deep),
    };
    for (const String& text : cases) {
        try {
            Eval(text);
            ADD_FAILURE() << "accepted: " << text.left(20).toStdString();
        } catch (const ERpError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Expression nested too deeply"));
        }
    }
    EXPECT_EQ(Eval(repeat("(", 50) + "1+2" + repeat(")", 50)), "I:3");
    EXPECT_EQ(Eval(repeat("1+", 200) + "1"), "I:201");
}
