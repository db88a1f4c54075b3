#include "ZRVSystem.h"

#include "platform/ZRVPlatformNone.h"
#include "platform/ZRVRegistry.h"
#include "support/FakePlatform.h"

#include "support/TempDirs.h"

#include <QVariant>
#include <gtest/gtest.h>

namespace {

QString StoredShell(const QString& aName = c_WinLogonShell) {
    TZRVRegistry reg;
    return reg.OpenKey(c_WinLogonKey, false) && reg.ValueExists(aName) ? reg.ReadString(aName)
                                                                       : QStringLiteral("<missing>");
}

void StoreShell(const QString& aProgram) {
    TZRVRegistry reg;
    ASSERT_TRUE(reg.OpenKey(c_WinLogonKey, true));
    reg.WriteString(c_WinLogonShell, aProgram);
}

int StoredTaskMgrPolicy() {
    TZRVRegistry reg(TZRVRootKey::HKEY_CURRENT_USER);
    return reg.OpenKey(c_SystemPoliciesKey, false) ? reg.ReadInteger(c_DisableTaskMgr) : -1;
}

class LockWindows : public ::testing::Test {
protected:
    zrvtest::TempRegistry fTemp;
    TZRVFakeRestrictions fDesktop;
};

TEST_F(LockWindows, HoldsTheKeyboardFilterForItsLifeAndLeavesTheShellRestarting) {
    StoreShell("/usr/bin/Client");
    {
        TZRVLockWindows service(fDesktop);
        EXPECT_TRUE(fDesktop.KeyboardHookInstalled());
        EXPECT_EQ(service.ShellProcess(), "/usr/bin/Client");
        EXPECT_EQ(StoredShell(c_WinLogonAutoRestartShell), "<missing>");
    }
    EXPECT_FALSE(fDesktop.KeyboardHookInstalled());
    EXPECT_EQ(StoredShell(c_WinLogonAutoRestartShell), "1");
}

TEST_F(LockWindows, LockAllAndUnLockAllApplyEveryStepInOrder) {
    TZRVLockWindows service(fDesktop);
    EXPECT_TRUE(service.GetCtrlAltDelEnabled()); // never written: enabled
    fDesktop.ClearCalls();

    EXPECT_TRUE(service.LockAll());
    EXPECT_EQ(
        fDesktop.Calls(),
        QStringList({"SetDesktopVisible(false)", "SetShellTrayVisible(false)", "SetTaskManagerEnabled(false)",
                     "SetFastTaskSwitchEnabled(false)", "SetStartMenuEnabled(false)"}));
    EXPECT_EQ(StoredTaskMgrPolicy(), 1);
    EXPECT_FALSE(service.GetCtrlAltDelEnabled());
    EXPECT_FALSE(service.FaskTaskSwitchEnabled());
    EXPECT_FALSE(service.GetStartMenuEnabled());
    EXPECT_FALSE(service.GetDesktopVisible());

    EXPECT_TRUE(service.UnLockAll());
    EXPECT_EQ(StoredTaskMgrPolicy(), 0);
    EXPECT_TRUE(service.GetCtrlAltDelEnabled());
    EXPECT_TRUE(service.GetShellTrayWindowVisible());
    EXPECT_TRUE(fDesktop.TaskManagerEnabled());
    EXPECT_TRUE(service.GetStartMenuEnabled());
}

TEST_F(LockWindows, LockAllWithoutADesktopOrShellStillLocksTheKeys) {
    fDesktop.SetDesktopExists(false);
    fDesktop.SetShellRunningState(false);
    TZRVLockWindows service(fDesktop);
    EXPECT_TRUE(service.LockAll());
    EXPECT_FALSE(fDesktop.TaskManagerEnabled());
    EXPECT_FALSE(fDesktop.FastTaskSwitchEnabled());
    EXPECT_FALSE(service.UnLockAll()); // nothing to show
}

TEST_F(LockWindows, LockAllReportsKeysThatCouldNotBeLocked) {
    TZRVLockWindows service(fDesktop);
    fDesktop.SetSwitchesFail(true);
    EXPECT_FALSE(service.LockAll());
    EXPECT_TRUE(service.FaskTaskSwitchEnabled());
}

TEST_F(LockWindows, WithoutADesktopSessionNothingClaimsToBeLocked) {
    TZRVNoneRestrictions none;
    TZRVLockWindows service(none);
    EXPECT_FALSE(service.LockAll());
    EXPECT_TRUE(service.FaskTaskSwitchEnabled());
    EXPECT_TRUE(service.GetStartMenuEnabled());
    EXPECT_FALSE(service.UnLockAll());
}

TEST_F(LockWindows, SwitchingTheShell) {
    struct Case {
        const char* Label;
        bool Running;
        bool Value;
        const char* ShellProcess;
        QStringList Calls;
        const char* StoredShell;
        bool RunningAfter;
    } cases[] = {
        {"enable while running", true, true, "/usr/bin/Client", {}, "<missing>", true},
        {"enable", false, true, "/usr/bin/Client", {"StartShell(Explorer.exe)"}, "Explorer.exe", true},
        {"disable", true, false, "/usr/bin/Client", {"TerminateShell()"}, "/usr/bin/Client", false},
        {"disable while stopped", false, false, "/usr/bin/Client", {}, "<missing>", false},
        {"disable without a program", false, false, "", {"StartShell(Explorer.exe)"}, "Explorer.exe", true},
    };
    for (const auto& c : cases) {
        zrvtest::TempRegistry temp;
        TZRVFakeRestrictions desktop;
        desktop.SetShellRunningState(c.Running);
        TZRVLockWindows service(desktop);
        service.SetShellProcess(c.ShellProcess);
        desktop.ClearCalls();
        service.SetExplorerEnabled(c.Value);
        EXPECT_EQ(desktop.Calls(), c.Calls) << c.Label;
        EXPECT_EQ(StoredShell(), c.StoredShell) << c.Label;
        EXPECT_EQ(service.GetExplorerEnabled(), c.RunningAfter) << c.Label;
    }
}

TEST_F(LockWindows, TwoServicesShareTheSystemState) {
    TZRVLockWindows main(fDesktop);
    TZRVWinRestrictions dialog(fDesktop);
    main.LockAll();
    EXPECT_FALSE(dialog.GetCtrlAltDelEnabled());
    EXPECT_FALSE(dialog.property("DesktopVisible").toBool());
    EXPECT_FALSE(dialog.property("StartMenuEnabled").toBool());
    dialog.setProperty("ShellTrayWindowVisible", true);
    EXPECT_TRUE(main.GetShellTrayWindowVisible());
}

} // namespace
