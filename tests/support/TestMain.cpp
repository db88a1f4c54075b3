// Test entry: the Qt application object lives for the whole run, so sockets, timers and
// deferred calls work in every test; each test starts as TestStart.h says.
#include "TestStart.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!zrvtest::InstallTestStart())
        return 2;
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
