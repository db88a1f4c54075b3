#pragma once
// Input and screen of the X11 desktop for our own windows: the keyboard and pointer grab of the
// lock screen, the foreground, minimising, showing the desktop, the dock strip of the task bar and
// the modifier keys.
//
// The grab is taken through the connection of the program's windows, the only one the server then
// hands the input to. While it is wanted: it is asked for again while another program holds the
// input; it is looked after (our own connection tries to grab: when that succeeds, nobody holds the
// input any more, as after a menu of the program closed, and the grab is taken again); and the
// lock's window is activated again whenever the window manager activates another.

#include "platform/ZRVPlatform.h"

#include "ZRVX11Windows.h"

#include <QTimer>

class TZRVX11Desktop : public IZRVDesktop {
public:
    // aWindowsConnection: the connection the program's windows live on; ours when null.
    TZRVX11Desktop(TZRVX11Connection& aX, TZRVX11Windows& aWindows,
                   xcb_connection_t* aWindowsConnection = nullptr);

    bool GrabInput(TZRVWindowHandle aWindow) override;
    void ReleaseInput() override;
    bool InputGrabbed() const override { return fKeyboard && fPointer; }
    bool ForceForeground(TZRVWindowHandle aWindow) override { return fWindows.Activate(aWindow); }
    void MinimizeForeground(TZRVWindowHandle aWindow) override;
    bool ShowDesktop(bool aShow) override;
    bool ShowingDesktop() const override;
    bool ReserveScreenEdge(TZRVWindowHandle aWindow, TZRVScreenEdge aEdge, int aThickness) override;
    bool ModifierDown(Qt::KeyboardModifier aModifier) const override;

    // How often a grab another program holds is asked for again, and a held one looked after.
    void SetGrabRetryMs(int aMs) { fRetry.setInterval(aMs); }
    void SetGrabCheckMs(int aMs) { fCheck.setInterval(aMs); }

private:
    void TryGrab();
    // Whether the input is still held by someone (our grab, or a menu of the program).
    bool InputHeld();
    void HandleEvent(const xcb_generic_event_t& aEvent);

    TZRVX11Connection& fX;
    TZRVX11Windows& fWindows;
    xcb_connection_t* fInput;
    xcb_window_t fGrabWindow = XCB_NONE;
    bool fKeyboard = false;
    bool fPointer = false;
    QTimer fRetry;
    QTimer fCheck;
};
