// Test entry point: a Qt application object for the whole run (offscreen platform in CTest),
// then GoogleTest, with the process-wide settings put back after every test.
//
// SDELKA_TEST_SHARD="<index>/<count>" (set by CTest, which runs a large executable as several
// tests side by side) runs one share of the test suites: whole suites, so that a suite's database
// is made once, dealt out by their number of tests, largest first, each to the share that has
// the fewest tests so far. Every share of one executable deals the same way.
#include "support/globals_guard.h"

#include <gtest/gtest.h>
#ifdef SDELKA_TEST_GUI
#include <QApplication>
using TestApp = QApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// One guard per test, from its start to its end (after the fixture is gone).
class TGlobalsListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { FGuard = std::make_unique<sdelka::test::TGlobalsGuard>(); }
    void OnTestEnd(const ::testing::TestInfo&) override {
        // a window left showing would take part in the next test (and stays on the screen)
        const std::string Open = sdelka::test::TGlobalsGuard::LeftOpen();
        if (!Open.empty()) ADD_FAILURE() << "The test left windows showing: " << Open;
        FGuard.reset();
    }
    std::unique_ptr<sdelka::test::TGlobalsGuard> FGuard;
};

// The filter that runs share Index of Count, or "" when the whole executable runs.
std::string ShardFilter(int Index, int Count) {
    ::testing::UnitTest* U = ::testing::UnitTest::GetInstance();
    struct Suite { std::string Name; int Tests; };
    std::vector<Suite> Suites;
    for (int i = 0; i < U->total_test_suite_count(); ++i) {
        const ::testing::TestSuite* S = U->GetTestSuite(i);
        Suites.push_back({S->name(), S->total_test_count()});
    }
    std::stable_sort(Suites.begin(), Suites.end(), [](const Suite& A, const Suite& B) { return A.Tests > B.Tests; });
    std::vector<int> Load(static_cast<size_t>(Count), 0);
    std::string Filter;
    for (const Suite& S : Suites) {
        const int To = static_cast<int>(std::min_element(Load.begin(), Load.end()) - Load.begin());
        Load[static_cast<size_t>(To)] += S.Tests;
        if (To == Index) Filter += (Filter.empty() ? "" : ":") + S.Name + ".*";
    }
    return Filter.empty() ? "-*" : Filter;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TestApp app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (const char* Shard = std::getenv("SDELKA_TEST_SHARD")) {
        int Index = 0, Count = 0;
        // a filter given on the command line runs as given
        if (std::sscanf(Shard, "%d/%d", &Index, &Count) == 2 && Count > 1 && Index >= 0 && Index < Count &&
            ::testing::GTEST_FLAG(filter) == "*")
            GTEST_FLAG_SET(filter, ShardFilter(Index, Count));
    }
    ::testing::UnitTest::GetInstance()->listeners().Append(new TGlobalsListener);
    return RUN_ALL_TESTS();
}
