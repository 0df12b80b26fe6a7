// The application object at the program's start: Initialize(argc, argv) makes the Qt application
// only when there is none (the test runner has one already).
#include "platform/gui/forms.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace {

TEST(ApplicationInitializeTest, KeepsTheQtApplicationThatIsThereAndItsArguments) {
    QCoreApplication* before = QCoreApplication::instance();
    ASSERT_NE(before, nullptr);
    char arg0[] = "sdelka";
    char arg1[] = "-platform";
    char arg2[] = "offscreen";
    char* argv[] = {arg0, arg1, arg2, nullptr};
    int argc = 3;
    Application->Initialize(argc, argv);
    EXPECT_EQ(QCoreApplication::instance(), before);
    EXPECT_EQ(argc, 3) << "a second Qt application would have taken its own options out";
    EXPECT_STREQ(argv[1], "-platform");
}

}  // namespace
