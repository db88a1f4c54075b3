// Ending the session and blocking its end through logind, against a fake logind served on a
// private D-Bus bus of the test's own.
#include "ZRVLogind.h"

#include "support/FakeLogind.h"

#include "support/EventLoop.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <optional>

namespace {

using zrvtest::WaitUntil;

class Logind : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fBus.Error().isEmpty()) << qPrintable(fBus.Error()); }

    // The session manager's answer to an end.
    std::optional<bool> End(TZRVSessionEnd aHow, bool aForce) {
        std::optional<bool> ended;
        fSession.End(aHow, aForce, QCoreApplication::instance(), [&ended](bool aEnded) { ended = aEnded; });
        EXPECT_FALSE(ended.has_value()); // answered later, on the event loop
        WaitUntil([&] { return ended.has_value(); }, 5000);
        return ended;
    }
    QStringList& Calls() { return fBus.Logind().Calls; }

    zrvtest::TPrivateBus fBus;
    TZRVLogindSession fSession{fBus.Client()};
};

TEST_F(Logind, EndsTheSessionAsAsked) {
    const QString session = zrvtest::TPrivateBus::c_SessionPath;
    struct Case {
        TZRVSessionEnd How;
        QStringList Calls;
    } cases[] = {
        {TZRVSessionEnd::LogOff,
         {QStringLiteral("GetSessionByPID(%1)").arg(QCoreApplication::applicationPid()),
          "Terminate(" + session + ")"}},
        {TZRVSessionEnd::Reboot, {"CanReboot", "Reboot(false)"}},
        {TZRVSessionEnd::PowerOff, {"CanPowerOff", "PowerOff(false)"}},
    };
    for (const auto& c : cases) {
        Calls().clear();
        EXPECT_EQ(End(c.How, true), true);
        EXPECT_EQ(Calls(), c.Calls);
    }
}

TEST_F(Logind, ARefusalOrAMissingRightIsAFalseResult) {
    fBus.Logind().Refuse = true;
    for (TZRVSessionEnd how : {TZRVSessionEnd::LogOff, TZRVSessionEnd::Reboot, TZRVSessionEnd::PowerOff})
        EXPECT_EQ(End(how, true), false);
    fBus.Logind().Refuse = false;
    for (const char* answer : {"no", "challenge", "na"}) {
        fBus.Logind().Can = QLatin1String(answer);
        Calls().clear();
        EXPECT_EQ(End(TZRVSessionEnd::Reboot, true), false) << answer;
        EXPECT_EQ(Calls(), QStringList{"CanReboot"}) << answer; // never asked to reboot
    }
}

TEST_F(Logind, TheBlockHoldsUntilLiftedAndRefusesAnEndWithoutForce) {
    fSession.SetEndBlocked(true, QStringLiteral("Une session est en cours"));
    EXPECT_TRUE(WaitUntil([&] { return fSession.EndBlocked(); }));
    EXPECT_TRUE(fBus.Logind().InhibitorHeld());
    EXPECT_EQ(Calls(), QStringList{"Inhibit(shutdown,block)"});

    EXPECT_EQ(End(TZRVSessionEnd::Reboot, false), false);
    EXPECT_EQ(Calls(), QStringList{"Inhibit(shutdown,block)"}); // refused by ourselves
    EXPECT_EQ(End(TZRVSessionEnd::Reboot, true), true);
    EXPECT_FALSE(fSession.EndBlocked());
    EXPECT_FALSE(fBus.Logind().InhibitorHeld());

    // Lifted while the session manager's answer is still on its way: the block it brings is let
    // go as soon as it arrives.
    fSession.SetEndBlocked(true, QString());
    EXPECT_TRUE(WaitUntil([&] { return fBus.Logind().InhibitorHeld(); }));
    fSession.SetEndBlocked(false, QString());
    EXPECT_FALSE(fSession.EndBlocked());
    EXPECT_TRUE(WaitUntil([&] { return !fBus.Logind().InhibitorHeld(); }));
}

TEST_F(Logind, ARefusedBlockIsNotHeld) {
    fBus.Logind().Refuse = true;
    fSession.SetEndBlocked(true, QString());
    EXPECT_TRUE(WaitUntil([&] { return Calls().size() == 1; }));
    zrvtest::RunEventsFor(50);
    EXPECT_FALSE(fSession.EndBlocked());
}

TEST(LogindAbsent, WithoutASessionManagerNothingEnds) {
    TZRVLogindSession session(QDBusConnection(QStringLiteral("not connected")));
    std::optional<bool> ended;
    session.End(TZRVSessionEnd::PowerOff, true, QCoreApplication::instance(),
                [&](bool aEnded) { ended = aEnded; });
    EXPECT_TRUE(WaitUntil([&] { return ended.has_value(); }));
    EXPECT_FALSE(*ended);
}

} // namespace
