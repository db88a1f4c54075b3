// The throttle that slows guessing per address: free failures, doubling waits up to the lock-out,
// the window on the kernel's clock, and answers of one address going out one after the other.

#include "ZRVThrottle.h"

#include "support/EventLoop.h"

#include <gtest/gtest.h>

using namespace zrvtest;

namespace {

constexpr TZRVThrottleSettings c_Fast{
    .FreeFailures = 3, .WindowSecs = 600, .FirstDelayMs = 5, .LockOutSecs = 1};

TEST(Throttle, WaitsDoubleAfterTheFreeFailuresUpToTheLockOut) {
    TZRVThrottle throttle;
    EXPECT_EQ(throttle.Settings().FreeFailures, 3); // the server's defaults
    EXPECT_EQ(throttle.Settings().WindowSecs, 600);
    EXPECT_EQ(throttle.Settings().FirstDelayMs, 1000);
    EXPECT_EQ(throttle.Settings().LockOutSecs, 300);
    QList<qint64> delays;
    for (int i = 0; i < 14; ++i) {
        delays << throttle.Delay("10.0.0.7");
        throttle.Note("10.0.0.7");
    }
    EXPECT_EQ(delays, QList<qint64>({0, 0, 0, 1000, 2000, 4000, 8000, 16000, 32000, 64000, 128000, 256000,
                                     300000, 300000}));
    EXPECT_EQ(throttle.Delay("10.0.0.8"), 0);
    EXPECT_EQ(throttle.Count("10.0.0.7"), 14);
    EXPECT_TRUE(throttle.Exhausted("10.0.0.7"));
    EXPECT_FALSE(throttle.Exhausted("10.0.0.8"));
}

TEST(Throttle, FailuresAgeOutOfTheWindow) {
    TZRVThrottle throttle;
    for (int i = 0; i < 4; ++i)
        throttle.Note("10.0.0.7");
    TZRVClock::Advance(5 * 60000);
    throttle.Note("10.0.0.7");
    EXPECT_EQ(throttle.Delay("10.0.0.7"), 4000);
    TZRVClock::Advance(5 * 60000); // the first four are ten minutes old
    EXPECT_EQ(throttle.Count("10.0.0.7"), 1);
    EXPECT_EQ(throttle.Delay("10.0.0.7"), 0);
}

TEST(Throttle, SettingsAreKeptSensible) {
    TZRVThrottle throttle;
    throttle.SetSettings({.FreeFailures = -2, .WindowSecs = 0, .FirstDelayMs = -1, .LockOutSecs = -5});
    EXPECT_EQ(throttle.Settings().FreeFailures, 0);
    EXPECT_EQ(throttle.Settings().WindowSecs, 1);
    EXPECT_EQ(throttle.Settings().FirstDelayMs, 0);
    EXPECT_EQ(throttle.Settings().LockOutSecs, 0);
    throttle.Note("a");
    EXPECT_EQ(throttle.Delay("a"), 0);
}

TEST(Throttle, AnswersOfOneAddressGoOutInTurnAndEachFailureLengthensTheNext) {
    TZRVThrottle throttle;
    throttle.SetSettings(c_Fast);
    QStringList order;
    QList<qint64> waits;
    for (int i = 0; i < 6; ++i)
        throttle.Answer("10.0.0.7", &throttle, [&, i] {
            waits << throttle.Delay("10.0.0.7");
            order << QString::number(i);
            throttle.Note("10.0.0.7"); // every answer a failure
        });
    bool other = false;
    throttle.Answer("10.0.0.8", &throttle, [&] { other = true; });
    ASSERT_TRUE(WaitUntil([&] { return order.size() == 6; }));
    EXPECT_TRUE(other);
    EXPECT_EQ(order, QStringList({"0", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(waits, QList<qint64>({0, 0, 0, 5, 10, 20}));
}

TEST(Throttle, AnAnswerWhoseAskerHasGoneIsNotGiven) {
    TZRVThrottle throttle;
    auto asker = std::make_unique<QObject>();
    bool given = false;
    bool next = false;
    throttle.Answer("10.0.0.7", asker.get(), [&] { given = true; });
    throttle.Answer("10.0.0.7", &throttle, [&] { next = true; });
    asker.reset();
    ASSERT_TRUE(WaitUntil([&] { return next; }));
    EXPECT_FALSE(given);
}

} // namespace
