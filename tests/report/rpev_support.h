// Helpers of the expression tests: a result as a short text ("I:7", "D:3.5", "S:abc",
// "B:True", "E:message") and one-shot evaluation.
#pragma once

#include "platform/rtl/formatsettings.h"
#include "report/rpevaluator.h"
#include "support/globals_guard.h"

#include <gtest/gtest.h>
#include <string>

inline std::string Show(const TRpEvResult& R) {
    switch (R.Kind) {
        case resInt: return "I:" + std::to_string(R.intResult);
        case resDouble: return "D:" + QString::number(R.dblResult, 'g', 15).toStdString();
        case resString: return "S:" + R.StringVal.toStdString();
        case resBool: return R.booResult ? "B:True" : "B:False";
        default: return "E:" + R.StringVal.toStdString();
    }
}

// Prepares Expr with the given datasets and environment, evaluates once.
inline std::string Eval(const String& Expr, TRpDataSetList* DataSets = nullptr, TRpEvEnvironment* Env = nullptr) {
    TRpEvaluator* ev = New<TRpEvaluator>();
    if (DataSets) ev->SetDataSets(DataSets);
    ev->SetEnvironment(Env);
    TRpEvResult r;
    std::string out;
    try {
        ev->Prepare(Expr);
        ev->Value(r);
        out = Show(r);
    } catch (...) {
        ev->Free();
        throw;
    }
    ev->Free();
    return out;
}

inline std::string Eval(const char16_t* Expr) { return Eval(String::fromUtf16(Expr)); }

struct TExprCase {
    const char16_t* Expr;
    const char* Expected;
};

// A test that changes the format settings for part of its body keeps a guard of its own.
using FormatSettingsGuard = sdelka::test::TGlobalsGuard;
