#pragma once
// The backend of an X11 desktop session: windows and restrictions through the X server and its
// EWMH window manager, the session's end through logind, programs started as on any Linux machine.
// The workstation program hands it to the kernel when DISPLAY is set.

#include "platform/ZRVPlatform.h"

#include <memory>

struct xcb_connection_t;

// The backend on the display named by $DISPLAY; nullptr when the X server cannot be reached.
// aWindowsConnection is the connection the program's own windows were made on (under Qt:
// qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection()): the X server hands
// the input grabbed for a window only to the connection that took the grab, so the lock screen's
// grab is taken through it. Without one, the backend's own connection takes it (and the program's
// windows then receive no keys while it is held).
std::unique_ptr<TZRVPlatform> CreateX11Platform(xcb_connection_t* aWindowsConnection = nullptr);
