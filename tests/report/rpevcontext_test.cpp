// What an evaluator reaches besides its own environment: a shared environment, a function library
// and an argument separator of its own, the process-wide ones by default. Two evaluators with
// different contexts side by side, and on two threads, see only their own.
#include "report/rpevenvironment.h"
#include "report/rpevfunctions.h"
#include "rpev_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// TWICE(X): a function only the private libraries of these tests know.
class TRpEvTwiceFunction : public TRpEvElementFunction {
    SDELKA_CLASS(TRpEvTwiceFunction, TRpEvElementFunction)
public:
    TRpEvTwiceFunction() = default;
    void Calculate(TRpEvResult& Result) override {
        if (ArgCount() != 1 || Arg(0).Kind != resInt) {
            SetErrorResult(QStringLiteral("TWICE wants one integer"), Result);
            return;
        }
        Result.Kind = resInt;
        Result.intResult = Arg(0).intResult * 2;
    }
};

// A report's own expression world: a shared environment with TITLE and a library with TWICE.
struct TPrivateWorld {
    TOwned<TRpEvEnvironment> Shared = NewOwned<TRpEvEnvironment>();
    TOwned<TRpFunctionLibrary> Library = NewOwned<TRpFunctionLibrary>();
    TRpEvContext Context;

    TPrivateWorld(const String& Title, Char Separator) {
        Library->Add(TRpEvTwiceFunction::StaticClass(), QStringLiteral("TWICE"), QStringLiteral("TWICE(X)|"),
                     QStringLiteral("tests"), QStringLiteral("1N"));
        Context.SharedEnvironment = Shared.get();
        Context.FunctionLibrary = Library.get();
        Context.ArgumentSeparator = Separator;
        Shared->SetContext(Context);
        Shared->AddFunction(QStringLiteral("TITLE"), u'\'' + Title + u'\'');
        Shared->AddFunction(QStringLiteral("DOUBLED"), QStringLiteral("TWICE(21)"));
    }

    std::string Eval(const String& Expr) {
        TOwned<TRpEvaluator> ev = NewOwned<TRpEvaluator>();
        ev->SetContext(Context);
        ev->Prepare(Expr);
        TRpEvResult r;
        ev->Value(r);
        return Show(r);
    }
};

std::string EvalGlobal(const String& Expr) { return Eval(Expr); }

}  // namespace

TEST(RpEvContextTest, EvaluatorsWithDifferentContextsSeeOnlyTheirOwn) {
    TPrivateWorld a(QStringLiteral("Отчёт А"), u',');
    TPrivateWorld b(QStringLiteral("Отчёт Б"), u';');
    const std::string doubled = a.Eval(QStringLiteral("DOUBLED"));

    EXPECT_EQ(a.Eval(QStringLiteral("TITLE")), "S:Отчёт А");
    EXPECT_EQ(b.Eval(QStringLiteral("TITLE")), "S:Отчёт Б");
    // Entries of the shared environment compile against the same library.
    EXPECT_EQ(doubled, "I:42");
    // Each evaluator cuts arguments at its own separator.
    EXPECT_EQ(a.Eval(QStringLiteral("TWICE(3)")), "I:6");
    EXPECT_EQ(b.Eval(QStringLiteral("TWICE(4)")), "I:8");
    EXPECT_EQ(b.Eval(QStringLiteral("TWICE(4,5)")), "E:TWICE wants one integer");
    // The private worlds know neither the process-wide names nor the built-ins...
    EXPECT_EQ(a.Eval(QStringLiteral("APPNAME")), "E:Unknown function : APPNAME");
    EXPECT_EQ(a.Eval(QStringLiteral("IF(1=1,1,2)")), "E:Unknown function : IF");
    // ...and the process-wide evaluator knows none of theirs.
    EXPECT_EQ(EvalGlobal(QStringLiteral("TWICE(3)")), "E:Unknown function : TWICE");
    EXPECT_EQ(EvalGlobal(QStringLiteral("TITLE")), "E:Unknown function : TITLE");
    EXPECT_EQ(EvalGlobal(QStringLiteral("IF(1=1,'y','n')")), "S:y");
}

TEST(RpEvContextTest, OwnEnvironmentComesBeforeTheSharedOne) {
    TPrivateWorld world(QStringLiteral("общий"), u',');
    TOwned<TRpEvEnvironment> own = NewOwned<TRpEvEnvironment>();
    own->SetContext(world.Context);
    own->AddFunction(QStringLiteral("TITLE"), QStringLiteral("'свой'"));
    own->Prepare();  // as the report prepares its own environment for a run
    TOwned<TRpEvaluator> ev = NewOwned<TRpEvaluator>();
    ev->SetContext(world.Context);
    ev->SetEnvironment(own.get());
    ev->Prepare(QStringLiteral("TITLE+' '+STR(TWICE(5))"));
    TRpEvResult r;
    ev->Value(r);
    // STR is a built-in the private library does not have: the fault shows in the value.
    EXPECT_EQ(Show(r), "E:Unknown function : STR");
    ev->Prepare(QStringLiteral("TITLE"));
    ev->Value(r);
    EXPECT_EQ(Show(r), "S:свой");
    ev->UnPrepare();
    own->Unprepare();
}

TEST(RpEvContextTest, TwoThreadsEvaluateSideBySide) {
    GlobalFunctionLibrary();  // the process-wide unit is started before the threads
    std::atomic<int> faults{0};
    auto run = [&faults](const char16_t* Title, Char Separator, int Seed) {
        TPrivateWorld world(String::fromUtf16(Title), Separator);
        const String call = QStringLiteral("TWICE(%1)");
        for (int i = 0; i < 400; ++i) {
            if (world.Eval(QStringLiteral("TITLE")) != "S:" + String::fromUtf16(Title).toStdString()) ++faults;
            if (world.Eval(call.arg(Seed + i)) != "I:" + std::to_string(2 * (Seed + i))) ++faults;
            if (world.Eval(QStringLiteral("DOUBLED")) != "I:42") ++faults;
        }
    };
    std::thread report(run, u"фоновый", u';', 1000);
    run(u"главный", u',', 0);
    report.join();
    EXPECT_EQ(faults.load(), 0);
}
