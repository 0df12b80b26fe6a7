// Test entry point: a Qt application object for the whole run (offscreen platform in CTest),
// then GoogleTest, with the process-wide settings put back after every test.
#include "support/globals_guard.h"

#include <gtest/gtest.h>
#ifdef SDELKA_TEST_GUI
#include <QApplication>
using TestApp = QApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif
#include <cstdlib>
#include <memory>

namespace {

// One guard per test, from its start to its end (after the fixture is gone).
class TGlobalsListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { FGuard = std::make_unique<sdelka::test::TGlobalsGuard>(); }
    void OnTestEnd(const ::testing::TestInfo&) override { FGuard.reset(); }
    std::unique_ptr<sdelka::test::TGlobalsGuard> FGuard;
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TestApp app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new TGlobalsListener);
    return RUN_ALL_TESTS();
}
