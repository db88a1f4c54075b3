#include "ZRVSystem.h"

#include "ZRVClientConfig.h"
#include "ZRVKiller.h"

#include "platform/ZRVPlatformNone.h"
#include "platform/ZRVRegistry.h"
#include "support/FakePlatform.h"

#include "support/EventLoop.h"
#include "support/TempDirs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>

#include <optional>

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
        {"enable", false, true, "/usr/bin/Client", {"StartShell(xfce4-panel -r)"}, "xfce4-panel -r", true},
        {"disable", true, false, "/usr/bin/Client", {"TerminateShell()"}, "/usr/bin/Client", false},
        {"disable while stopped", false, false, "/usr/bin/Client", {}, "<missing>", false},
        {"disable without a program",
         false,
         false,
         "",
         {"StartShell(xfce4-panel -r)"},
         "xfce4-panel -r",
         true},
    };
    for (const auto& c : cases) {
        zrvtest::TempRegistry temp;
        TZRVClientConfig().SetPanelCommand(QStringLiteral("xfce4-panel -r"));
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

TEST_F(LockWindows, ThePanelCommandIsTheOneSetOrAPanelFoundOnTheSystem) {
    TZRVClientConfig config;
    QTemporaryDir bin;
    QFile panel(bin.filePath("lxpanel"));
    ASSERT_TRUE(panel.open(QIODevice::WriteOnly));
    panel.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    panel.close();
    {
        zrvtest::ScopedEnv path("PATH", bin.path());
        EXPECT_EQ(config.PanelCommand(), bin.filePath("lxpanel"));
        config.SetPanelCommand(QStringLiteral("tint2 -c /etc/tint2.rc"));
        EXPECT_EQ(config.PanelCommand(), "tint2 -c /etc/tint2.rc");
    }
    EXPECT_EQ(StoredShell(ZRVClientConfig::c_KeyPanelCommand),
              "tint2 -c /etc/tint2.rc"); // beside the shell setting
}

TEST_F(LockWindows, ThePolicyValueIsWrittenOnlyWhenItChanges) {
    TZRVLockWindows service(fDesktop);
    service.SetCtrlAltDelEnabled(false);
    const QString file = TZRVRegistry::StoreFile(TZRVRootKey::HKEY_CURRENT_USER);
    const QDateTime written = QFileInfo(file).lastModified();
    service.SetCtrlAltDelEnabled(false);
    EXPECT_EQ(QFileInfo(file).lastModified(), written);
    EXPECT_EQ(StoredTaskMgrPolicy(), 1);
    EXPECT_FALSE(fDesktop.TaskManagerEnabled());
}

// The task bar reads the policy every two seconds: a read takes no write, and where nothing was
// ever set it creates nothing.
TEST_F(LockWindows, ReadingThePoliciesWritesNothing) {
    TZRVLockWindows service(fDesktop);
    EXPECT_TRUE(service.GetCtrlAltDelEnabled());
    EXPECT_TRUE(service.ShellProcess().isEmpty());
    EXPECT_FALSE(QFile::exists(TZRVRegistry::StoreFile(TZRVRootKey::HKEY_CURRENT_USER)));
    EXPECT_FALSE(QFile::exists(TZRVRegistry::StoreFile(TZRVRootKey::HKEY_LOCAL_MACHINE)));
}

// ----- running applications

class RunningApplications : public ::testing::Test {
protected:
    RunningApplications() {
        TZRVWindowInfo w;
        w.Handle = 7;
        w.Caption = QStringLiteral("Notes");
        w.ClassName = QStringLiteral("mousepad");
        w.ProcessID = 4242;
        w.Visible = true;
        TZRVWindowInfo remote = w;
        remote.Handle = 8;
        remote.ProcessID = 0;
        fWindows.SetWindows({w, remote});
        fWindows.SetHung(8);
    }
    template <class T> T Later(const std::function<void(std::function<void(T)>)>& aCall) {
        std::optional<T> answer;
        aCall([&answer](T aValue) { answer = aValue; });
        EXPECT_FALSE(answer.has_value());
        zrvtest::WaitUntil([&] { return answer.has_value(); });
        return answer.value_or(T(-1));
    }
    TZRVFakeWindows& fWindows = FakePlatform().FakeWindows();
    QObject fContext;
};

TEST_F(RunningApplications, CaptionClassIconAndAnswers) {
    EXPECT_EQ(GetWindowCaption(7), "Notes");
    EXPECT_EQ(GetWindowClassName(7), "mousepad");
    EXPECT_EQ(GetWindowCaption(99), "");
    EXPECT_EQ(GetWindowIcon(7, true).Size, QSize(2, 2));
    EXPECT_TRUE(GetWindowIcon(99, false).Pixels.isEmpty());
    EXPECT_TRUE(Later<bool>([&](auto aDone) { IsWindowResponding(7, 100, &fContext, aDone); }));
    EXPECT_FALSE(Later<bool>([&](auto aDone) { IsWindowResponding(8, 100, &fContext, aDone); }));
}

TEST_F(RunningApplications, ClosingReportsItsCodeLater) {
    fWindows.SetTerminateResult(4242, 2);
    EXPECT_EQ(Later<int>([&](auto aDone) { TerminateTask(7, 500, &fContext, aDone); }), 2);
    EXPECT_EQ(Later<int>([&](auto aDone) { TerminateTask(8, 500, &fContext, aDone); }), 0); // no process here
    EXPECT_EQ(Later<int>([&](auto aDone) {
                  TerminateApp(QCoreApplication::applicationPid(), 500, &fContext, aDone);
              }),
              0);
    EXPECT_EQ(fWindows.Calls(),
              QStringList({"TerminateProcess(4242)",
                           QStringLiteral("TerminateProcess(%1)").arg(QCoreApplication::applicationPid())}));
}

TEST(FolderKiller, ShowsAFolderAsAWholeWordOrPathPart) {
    struct Case {
        const char* Title;
        const char* Name;
        bool Shows;
    } cases[] = {
        {"/USR/BIN", "BIN", true}, {"BIN - FILE MANAGER", "BIN", true},
        {"CABINET", "BIN", false}, {"C:\\WINDOWS\\SYSTEM32", "SYSTEM32", true},
        {"BINS", "BIN", false},    {"", "BIN", false},
        {"ETC", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TZRVKiller::ShowsFolder(c.Title, c.Name), c.Shows) << c.Title;
}

TEST(FolderKiller, EachRuleClosesOnlyWhenItsFolderIsLocked) {
    zrvtest::TempRegistry registry;
    struct Case {
        bool ProgramFiles, System, Windows;
        const char* Title;
        bool Closed;
    } cases[] = {
        {true, false, false, "/usr/bin", true}, // program files first
        {false, true, false, "/usr/bin", true}, // then the system folder
        {false, false, true, "/usr/bin", false}, {false, false, true, "etc", true},
        {false, false, false, "etc", false},     {true, true, true, "Explorateur Windows", false},
    };
    for (const auto& c : cases) {
        TZRVClientConfig config;
        config.SetWRLockProgramFilesFolder(c.ProgramFiles);
        config.SetWRLockSystemFolder(c.System);
        config.SetWRLockWindowsFolder(c.Windows);
        TZRVWindowInfo w;
        w.Handle = 3;
        w.Caption = QLatin1String(c.Title);
        w.ClassName = QStringLiteral("thunar");
        w.Visible = true;
        TZRVFakeWindows& windows = FakePlatform().FakeWindows();
        windows.SetWindows({w});
        windows.ClearCalls();
        EXPECT_EQ(TZRVKiller(true).Execute(), c.Closed ? 1 : 0) << c.Title;
        EXPECT_EQ(windows.Calls().contains("RequestClose(3)"), c.Closed) << c.Title;
    }
}

} // namespace
