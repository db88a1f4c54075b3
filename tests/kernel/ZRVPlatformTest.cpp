#include "platform/ZRVPlatform.h"

#include "platform/ZRVPlatformNone.h"

#include "support/TempDirs.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(PlatformFactory, TheEnvironmentChoosesTheBackend) {
    struct Case {
        const char* Asked;
        const char* Display;
        const char* Expected;
    } cases[] = {
        {"fake", ":0", "fake"},
        {" None ", ":0", "none"},
        {"", ":0", "x11"},
        {"", "", "none"},
    };
    for (const auto& c : cases) {
        zrvtest::ScopedEnv asked("ZRV_PLATFORM", c.Asked);
        zrvtest::ScopedEnv display("DISPLAY", c.Display);
        EXPECT_EQ(PlatformNameFromEnvironment(), c.Expected) << c.Asked << "/" << c.Display;
    }
}

TEST(PlatformFactory, CreatesTheNamedBackendAndFallsBackToNone) {
    EXPECT_EQ(CreatePlatform("fake")->Name(), "fake");
    EXPECT_EQ(CreatePlatform("none")->Name(), "none");
    EXPECT_EQ(CreatePlatform("amiga")->Name(), "none");
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
