// The restrictions on a real X server and window manager: the desktop and the panel hidden and
// shown, the shell switched, task switching and the start menu taken away in our openbox and under
// another configuration, and the server's own escapes removed from its keymap and put back.
#include "X11Fixture.h"

#include "ZRVClientConfig.h"
#include "ZRVSystem.h"
#include "platform/ZRVRegistry.h"

#include "support/TempDirs.h"

#include <QFile>

namespace {

using zrvtest::TProbe;
using zrvtest::WaitUntil;

class X11Restrictions : public X11Test {};

TEST_F(X11Restrictions, TheDesktopAndThePanelAreHiddenAndShownButNotOurOwnDock) {
    auto desktop = fX.Probe({"--type", "desktop", "--title", "Desktop"});
    auto panel = fX.Probe({"--type", "dock", "--strut-bottom", "30", "--title", "Panel"});
    const xcb_window_t desktopWindow = desktop->Window(), panelWindow = panel->Window();
    const xcb_window_t ownBar = fX.OwnWindow("Our task bar");
    ASSERT_TRUE(Desktop().ReserveScreenEdge(ownBar, TZRVScreenEdge::Top, 24));
    IZRVRestrictions& r = Restrictions();
    EXPECT_TRUE(r.DesktopVisible());
    EXPECT_TRUE(r.ShellTrayVisible());
    EXPECT_TRUE(r.ShellRunning());

    EXPECT_TRUE(r.SetDesktopVisible(false));
    EXPECT_FALSE(fX.Viewable(desktopWindow));
    EXPECT_TRUE(r.ShellTrayVisible());
    EXPECT_TRUE(r.SetShellTrayVisible(false));
    EXPECT_FALSE(fX.Viewable(panelWindow));
    EXPECT_TRUE(fX.Viewable(ownBar));
    EXPECT_TRUE(r.ShellRunning()); // hidden, still running
    EXPECT_FALSE(r.DesktopVisible());

    // A workstation program started again finds the windows its predecessor hid.
    SetPlatform(CreateX11Platform());
    IZRVRestrictions& again = Platform().Restrictions();
    EXPECT_FALSE(again.ShellTrayVisible());
    again.SetDesktopVisible(true);
    again.SetShellTrayVisible(true);
    EXPECT_TRUE(WaitUntil([&] { return again.DesktopVisible() && again.ShellTrayVisible(); }));
    EXPECT_TRUE(fX.Viewable(desktopWindow));
    EXPECT_TRUE(fX.Viewable(panelWindow));
}

TEST_F(X11Restrictions, WithoutADesktopNothingIsShownAndHidingSucceeds) {
    IZRVRestrictions& r = Restrictions();
    EXPECT_FALSE(r.DesktopVisible());
    EXPECT_TRUE(r.SetDesktopVisible(false));
    EXPECT_FALSE(r.SetShellTrayVisible(true));
    EXPECT_FALSE(r.ShellRunning());
}

QString StoredShell() {
    TZRVRegistry store;
    return store.OpenKeyReadOnly(c_WinLogonKey) ? store.ReadString(c_WinLogonShell) : QString();
}

TEST_F(X11Restrictions, SwitchingTheShellEndsAndStartsThePanel) {
    zrvtest::TempRegistry registry;
    const QString panelCommand =
        QStringLiteral(ZRV_X11_PROBE " --type dock --class StubPanel --strut-bottom 24");
    TZRVClientConfig().SetPanelCommand(panelCommand);
    auto panel = fX.Probe({"--type", "dock", "--class", "StubPanel"});
    ASSERT_NE(panel->Window(), 0u);

    TZRVLockWindows service;
    EXPECT_TRUE(service.GetExplorerEnabled());
    service.SetShellProcess(QStringLiteral("/usr/bin/Client"));
    service.SetExplorerEnabled(false);
    EXPECT_TRUE(WaitUntil([&] { return !panel->Running(); }));
    EXPECT_EQ(StoredShell(), "/usr/bin/Client");
    EXPECT_TRUE(WaitUntil([&] { return !service.GetExplorerEnabled(); }));

    service.SetExplorerEnabled(true);
    EXPECT_EQ(StoredShell(), panelCommand);
    EXPECT_EQ(service.ShellProcess(), panelCommand);
    EXPECT_TRUE(WaitUntil([&] { return service.GetExplorerEnabled(); }, 10000));
    EXPECT_TRUE(Restrictions().TerminateShell()); // the panel we started goes with the test
}

// Presses aKeys, then the sentinel key; once the sentinel's binding ran, the window manager has
// seen aKeys too. How many times the binding of aMarker ran then.
int MarkersAfter(zrvtest::TXSession& aX, const QString& aKeys, const QString& aMarker) {
    const int sentinels = aX.Markers(QStringLiteral("sentinel"));
    EXPECT_TRUE(aX.Key(aKeys));
    EXPECT_TRUE(aX.Key(QStringLiteral("ctrl+F12")));
    EXPECT_TRUE(WaitUntil([&] { return aX.Markers(QStringLiteral("sentinel")) > sentinels; }));
    zrvtest::RunEventsFor(50); // commands of the window manager start in turn, not at once
    return aX.Markers(aMarker);
}

TEST_F(X11Restrictions, TaskSwitchingAndTheStartMenuLeaveOurOpenbox) {
    auto focused = fX.Probe({"--title", "Application"});
    ASSERT_NE(focused->Window(), 0u);
    QFile config(fX.OpenboxConfig());
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    const QByteArray before = config.readAll();
    config.close();
    IZRVRestrictions& r = Restrictions();
    EXPECT_TRUE(r.FastTaskSwitchEnabled());
    EXPECT_TRUE(r.StartMenuEnabled());
    EXPECT_EQ(MarkersAfter(fX, "alt+Tab", "alt-tab"), 1);
    EXPECT_EQ(MarkersAfter(fX, "super", "super"), 1);
    EXPECT_EQ(MarkersAfter(fX, "alt+F2", "alt-f2"), 1);

    r.SetFastTaskSwitchEnabled(false);
    r.SetStartMenuEnabled(false);
    ASSERT_TRUE(WaitUntil([&] { return !r.FastTaskSwitchEnabled() && !r.StartMenuEnabled(); },
                          1500)); // confirmed, not given up on
    EXPECT_EQ(MarkersAfter(fX, "alt+Tab", "alt-tab"), 1);
    EXPECT_EQ(MarkersAfter(fX, "super", "super"), 1);
    EXPECT_EQ(MarkersAfter(fX, "alt+F2", "alt-f2"), 1);
    EXPECT_EQ(MarkersAfter(fX, "alt+F4", "alt-f4"), 1); // not a restriction of its own

    r.SetFastTaskSwitchEnabled(true);
    r.SetStartMenuEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return r.FastTaskSwitchEnabled() && r.StartMenuEnabled(); }, 1500));
    EXPECT_EQ(MarkersAfter(fX, "alt+Tab", "alt-tab"), 2);
    EXPECT_EQ(MarkersAfter(fX, "super", "super"), 2);
    EXPECT_EQ(MarkersAfter(fX, "alt+F2", "alt-f2"), 2);
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    EXPECT_EQ(config.readAll(), before); // the very same file back
}

// Openbox run with a configuration that is not ours: the backend takes the keys itself where the
// window manager leaves them, and says so where it cannot.
class X11ForeignWindowManager : public X11Test {
protected:
    X11ForeignWindowManager() : X11Test(false) {}
    void SetUp() override {
        ASSERT_TRUE(fX.StartWindowManager(fX.FixtureConfig(false, false))) << qPrintable(fX.Error());
        X11Test::SetUp();
    }
};

TEST_F(X11ForeignWindowManager, KeysTheWindowManagerHoldsStayAndTheOthersAreTaken) {
    auto focused = fX.Probe({"--title", "Application"});
    const xcb_window_t window = focused->Window();
    ASSERT_TRUE(Desktop().ForceForeground(window));
    IZRVRestrictions& r = Restrictions();

    EXPECT_FALSE(r.SetFastTaskSwitchEnabled(false)); // openbox holds Alt+Tab
    EXPECT_TRUE(r.FastTaskSwitchEnabled());
    EXPECT_EQ(MarkersAfter(fX, "alt+Tab", "alt-tab"), 1);

    EXPECT_TRUE(r.SetStartMenuEnabled(false));
    EXPECT_FALSE(r.StartMenuEnabled());
    EXPECT_TRUE(fX.Key("super"));
    EXPECT_TRUE(fX.Key("a"));
    EXPECT_TRUE(WaitUntil([&] { return focused->Reported("key 38"); }));
    EXPECT_FALSE(focused->Reported("key 133")); // the Windows key reached nobody

    EXPECT_TRUE(r.SetStartMenuEnabled(true));
    EXPECT_TRUE(r.StartMenuEnabled());
    EXPECT_TRUE(fX.Key("super"));
    EXPECT_TRUE(WaitUntil([&] { return focused->Reported("key 133"); }));
}

TEST_F(X11Restrictions, TheServersEscapesAreRemovedAndPutBackExactly) {
    ASSERT_TRUE(fX.AddZapKey());
    const QByteArray keymap = fX.Keymap();
    ASSERT_TRUE(keymap.contains("Terminate()"));
    TZRVX11Keymap& escapes = Restrictions().Keymap();
    const int count = escapes.EscapeCount();
    EXPECT_EQ(count, 13); // twelve consoles and the server kill
    EXPECT_TRUE(escapes.EscapesEnabled());

    EXPECT_TRUE(Restrictions().SetTaskManagerEnabled(false));
    EXPECT_EQ(escapes.EscapeCount(), 0);
    EXPECT_FALSE(Restrictions().TaskManagerEnabled());
    EXPECT_TRUE(Restrictions().SetTaskManagerEnabled(false)); // nothing more to remove

    // A workstation program started again puts back what its predecessor removed.
    SetPlatform(CreateX11Platform());
    EXPECT_FALSE(Platform().Restrictions().TaskManagerEnabled());
    EXPECT_TRUE(Platform().Restrictions().SetTaskManagerEnabled(true));
    EXPECT_TRUE(Platform().Restrictions().TaskManagerEnabled());
    EXPECT_EQ(fX.Keymap(), keymap);
}

// The server kill on sessions of its own, since it ends the server when it works.
class X11Zap : public ::testing::Test {
protected:
    void TearDown() override { SetPlatform(nullptr); }
};

TEST_F(X11Zap, TheServerKillWorksUntilItIsTakenAwayAndAgainWhenItIsBack) {
    {
        zrvtest::TXSession shown(false);
        ASSERT_TRUE(shown.Error().isEmpty()) << qPrintable(shown.Error());
        ASSERT_TRUE(shown.AddZapKey());
        shown.Key("ctrl+alt+BackSpace");
        EXPECT_TRUE(WaitUntil([&] { return !shown.Alive(); }, 5000));
    }
    zrvtest::TXSession x(false);
    ASSERT_TRUE(x.Error().isEmpty()) << qPrintable(x.Error());
    ASSERT_TRUE(x.AddZapKey());
    SetPlatform(CreateX11Platform());
    ASSERT_TRUE(Platform().Restrictions().SetTaskManagerEnabled(false));
    EXPECT_TRUE(x.Key("ctrl+alt+BackSpace"));
    zrvtest::RunEventsFor(300);
    EXPECT_TRUE(x.Alive());
    ASSERT_TRUE(Platform().Restrictions().SetTaskManagerEnabled(true));
    x.Key("ctrl+alt+BackSpace");
    EXPECT_TRUE(WaitUntil([&] { return !x.Alive(); }, 5000));
}

} // namespace
