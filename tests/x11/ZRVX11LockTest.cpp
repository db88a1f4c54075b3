// The lock as a customer meets it: a full-screen window of ours holds the keyboard and the pointer
// with everything locked, and every way out a customer may try (the window manager's keys, the
// console keys, the server kill, a click on another window, activating another window) reaches
// nothing; once unlocked, each works again.
#include "X11Fixture.h"

#include "ZRVSystem.h"

#include "support/TempDirs.h"

namespace {

using zrvtest::WaitUntil;

class X11Lock : public X11Test {
protected:
    // Presses aKeys while the lock holds the input: the lock's window receives them, nothing else.
    void PressLocked(const QString& aKeys) {
        const qsizetype before = fX.OwnEvents().size();
        EXPECT_TRUE(fX.Key(aKeys)) << qPrintable(aKeys);
        EXPECT_TRUE(WaitUntil([&] { return fX.OwnEvents().size() > before; })) << qPrintable(aKeys);
    }
    int Markers() {
        int all = 0;
        for (const char* key : {"alt-tab", "super", "alt-f2", "alt-f4"})
            all += fX.Markers(QLatin1String(key));
        return all;
    }
    bool KeysWork() {
        const int before = Markers();
        for (const char* keys : {"alt+Tab", "super", "alt+F2", "alt+F4"})
            fX.Key(QLatin1String(keys));
        return WaitUntil([&] { return Markers() == before + 4; });
    }
    zrvtest::TempRegistry fRegistry;
};

TEST_F(X11Lock, NothingReachesPastTheLockAndEverythingWorksAgainAfter) {
    ASSERT_TRUE(fX.AddZapKey());
    const QByteArray keymap = fX.Keymap();
    auto probe = fX.Probe({"--title", "Customer's application", "--geometry", "300x200+100+100"});
    const xcb_window_t probeWindow = probe->Window();
    ASSERT_TRUE(Desktop().ForceForeground(probeWindow));
    ASSERT_TRUE(KeysWork());

    // The lock screen: full screen, above the others, holding the input, everything locked.
    const xcb_window_t lock = fX.OwnWindow("Lock screen", zrvtest::TXSession::wsFullScreen);
    TZRVLockWindows restrictions;
    restrictions.LockAll();
    ASSERT_TRUE(Desktop().GrabInput(lock));
    ASSERT_TRUE(WaitUntil(
        [&] { return !Restrictions().FastTaskSwitchEnabled() && !Restrictions().StartMenuEnabled(); }));
    EXPECT_TRUE(restrictions.LockAll());
    EXPECT_EQ(Restrictions().Keymap().EscapeCount(), 0);

    const int markers = Markers();
    const qsizetype probeLines = probe->Lines().size();
    for (const char* keys : {"alt+Tab", "super", "alt+F2", "alt+F4", "ctrl+alt+F2", "ctrl+alt+BackSpace"})
        PressLocked(QLatin1String(keys));
    EXPECT_TRUE(fX.Run("xdotool", {"mousemove", "150", "150", "click", "1"}));
    EXPECT_TRUE(WaitUntil([&] { return fX.OwnEvents().contains("button 1"); }));
    // Activating another window through the window manager gives the focus straight back.
    EXPECT_TRUE(fX.Run("xdotool", {"windowactivate", QString::number(probeWindow)}));
    EXPECT_TRUE(WaitUntil([&] { return fX.ActiveWindow() == lock; }));
    PressLocked("a");

    zrvtest::RunEventsFor(100);
    EXPECT_TRUE(fX.Alive());
    EXPECT_EQ(Markers(), markers);
    for (const QString& line : probe->Lines().mid(probeLines))
        EXPECT_FALSE(line.startsWith(u"key") || line.startsWith(u"button")) << qPrintable(line);

    // Unlocked, the lock screen gone: every key works again, the keymap is as it was.
    Desktop().ReleaseInput();
    restrictions.UnLockAll();
    xcb_destroy_window(fX.Xcb(), lock);
    xcb_flush(fX.Xcb());
    ASSERT_TRUE(WaitUntil(
        [&] { return Restrictions().FastTaskSwitchEnabled() && Restrictions().StartMenuEnabled(); }));
    EXPECT_EQ(fX.Keymap(), keymap);
    ASSERT_TRUE(Desktop().ForceForeground(probeWindow));
    EXPECT_TRUE(KeysWork());
    EXPECT_TRUE(fX.Run("xdotool", {"mousemove", "150", "150", "click", "1"}));
    EXPECT_TRUE(WaitUntil([&] { return probe->Reported("button 1"); }));
}

// Whether aXcb could take the keyboard (then gives it back at once).
bool KeyboardFree(xcb_connection_t* aXcb, xcb_window_t aRoot) {
    xcb_grab_keyboard_reply_t* grab = xcb_grab_keyboard_reply(
        aXcb, xcb_grab_keyboard(aXcb, 0, aRoot, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr);
    const bool free = grab && grab->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(grab);
    if (free) {
        xcb_ungrab_keyboard(aXcb, XCB_CURRENT_TIME);
        xcb_flush(aXcb);
    }
    return free;
}

TEST_F(X11Lock, TheGrabWaitsForAnotherProgramToLetGoAndIsTakenAgainWhenLost) {
    const xcb_window_t lock = fX.OwnWindow("Lock screen", zrvtest::TXSession::wsFullScreen);
    // Another program holds the keyboard, as its open menu does.
    xcb_connection_t* other = xcb_connect(qPrintable(fX.Display()), nullptr);
    ASSERT_FALSE(xcb_connection_has_error(other));
    xcb_grab_keyboard_reply_t* held = xcb_grab_keyboard_reply(
        other,
        xcb_grab_keyboard(other, 0, fX.Root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr);
    ASSERT_TRUE(held && held->status == XCB_GRAB_STATUS_SUCCESS);
    std::free(held);
    EXPECT_FALSE(Desktop().GrabInput(lock));
    zrvtest::RunEventsFor(250);
    EXPECT_FALSE(Desktop().InputGrabbed());
    xcb_ungrab_keyboard(other, XCB_CURRENT_TIME);
    xcb_flush(other);
    EXPECT_TRUE(WaitUntil([&] { return Desktop().InputGrabbed(); }));
    EXPECT_FALSE(KeyboardFree(other, fX.Root()));

    // A menu of the program took the grab and let it go: the lock takes it again.
    xcb_ungrab_keyboard(fX.Xcb(), XCB_CURRENT_TIME);
    xcb_flush(fX.Xcb());
    EXPECT_TRUE(WaitUntil([&] { return !KeyboardFree(other, fX.Root()); }));
    PressLocked("a");
    xcb_disconnect(other);

    Desktop().ReleaseInput();
    EXPECT_FALSE(Desktop().InputGrabbed());
}

} // namespace
