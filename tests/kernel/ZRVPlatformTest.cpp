#include "platform/ZRVPlatform.h"

#include "platform/ZRVPlatformNone.h"

#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(Platform, TheKernelWorksWithNoneUntilABackendIsHandedIn) {
    SetPlatform(nullptr);
    EXPECT_EQ(Platform().Name(), "none");
    SetPlatform(std::make_unique<TZRVFakePlatform>());
    EXPECT_EQ(Platform().Name(), "fake");
}

TEST(PlatformNone, OnlyLiftingRestrictionsSucceeds) {
    TZRVNoneRestrictions none;
    struct Case {
        const char* Label;
        std::function<bool()> Request;
        bool Expected;
    } cases[] = {
        {"show desktop", [&] { return none.SetDesktopVisible(true); }, false},
        {"hide desktop", [&] { return none.SetDesktopVisible(false); }, true},
        {"show task bar", [&] { return none.SetShellTrayVisible(true); }, false},
        {"start shell", [&] { return none.StartShell("Explorer.exe"); }, false},
        {"block task manager", [&] { return none.SetTaskManagerEnabled(false); }, false},
        {"allow task manager", [&] { return none.SetTaskManagerEnabled(true); }, true},
        {"disable start menu", [&] { return none.SetStartMenuEnabled(false); }, false},
        {"disable task switching", [&] { return none.SetFastTaskSwitchEnabled(false); }, false},
        {"install keyboard filter", [&] { return none.SetKeyboardHookInstalled(true); }, false},
        {"remove keyboard filter", [&] { return none.SetKeyboardHookInstalled(false); }, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Request(), c.Expected) << c.Label;
    EXPECT_TRUE(none.FastTaskSwitchEnabled());
    EXPECT_FALSE(none.ShellRunning());
}

} // namespace
