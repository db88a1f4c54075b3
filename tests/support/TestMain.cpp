// Test entry: the Qt application object lives for the whole run, so sockets, timers and
// deferred calls work in every test.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Tests act on the in-memory desktop, never on the real one.
    qputenv("ZRV_PLATFORM", "fake");
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
