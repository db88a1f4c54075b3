#include "ZRVX11Desktop.h"

namespace {

constexpr int c_GrabRetryMs = 100;
constexpr int c_GrabCheckMs = 500;
// The window manager climbs from a dialog to the window it belongs to; so do we, this far at most.
constexpr int c_MaxOwners = 16;
constexpr uint32_t c_IconicState = 3;
constexpr uint32_t c_PointerEvents =
    XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION;

} // namespace

TZRVX11Desktop::TZRVX11Desktop(TZRVX11Connection& aX, TZRVX11Windows& aWindows,
                               xcb_connection_t* aWindowsConnection)
    : fX(aX), fWindows(aWindows), fInput(aWindowsConnection ? aWindowsConnection : aX.Xcb()) {
    fRetry.setInterval(c_GrabRetryMs);
    QObject::connect(&fRetry, &QTimer::timeout, [this] { TryGrab(); });
    fCheck.setInterval(c_GrabCheckMs);
    QObject::connect(&fCheck, &QTimer::timeout, [this] {
        if (InputGrabbed() && !InputHeld()) {
            fKeyboard = fPointer = false;
            TryGrab();
        }
    });
    fX.AddEventHandler([this](const xcb_generic_event_t& aEvent) { HandleEvent(aEvent); });
}

bool TZRVX11Desktop::GrabInput(TZRVWindowHandle aWindow) {
    if (aWindow != fGrabWindow)
        ReleaseInput();
    fGrabWindow = aWindow;
    TryGrab();
    return InputGrabbed();
}

namespace {

bool GrabKeyboard(xcb_connection_t* aXcb, xcb_window_t aWindow) {
    TZRVX11Reply<xcb_grab_keyboard_reply_t> grab(xcb_grab_keyboard_reply(
        aXcb, xcb_grab_keyboard(aXcb, 0, aWindow, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr));
    return grab && grab->status == XCB_GRAB_STATUS_SUCCESS;
}

// The program's own windows (notices, the advertisement page) keep their clicks; every other
// window's go to aWindow.
bool GrabPointer(xcb_connection_t* aXcb, xcb_window_t aWindow) {
    TZRVX11Reply<xcb_grab_pointer_reply_t> grab(
        xcb_grab_pointer_reply(aXcb,
                               xcb_grab_pointer(aXcb, 1, aWindow, c_PointerEvents, XCB_GRAB_MODE_ASYNC,
                                                XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
                               nullptr));
    return grab && grab->status == XCB_GRAB_STATUS_SUCCESS;
}

} // namespace

void TZRVX11Desktop::TryGrab() {
    if (!fKeyboard)
        fKeyboard = GrabKeyboard(fInput, fGrabWindow);
    if (!fPointer)
        fPointer = GrabPointer(fInput, fGrabWindow);
    // Another program holds them (a menu open, a drag), or the window is not shown yet.
    if (InputGrabbed()) {
        fRetry.stop();
        if (fInput != fX.Xcb())
            fCheck.start();
    } else if (!fRetry.isActive()) {
        fRetry.start();
    }
}

bool TZRVX11Desktop::InputHeld() {
    const bool free = GrabKeyboard(fX.Xcb(), fX.Root());
    if (free) {
        xcb_ungrab_keyboard(fX.Xcb(), XCB_CURRENT_TIME);
        fX.Flush();
    }
    return !free;
}

void TZRVX11Desktop::ReleaseInput() {
    fRetry.stop();
    fCheck.stop();
    if (fKeyboard)
        xcb_ungrab_keyboard(fInput, XCB_CURRENT_TIME);
    if (fPointer)
        xcb_ungrab_pointer(fInput, XCB_CURRENT_TIME);
    xcb_flush(fInput);
    fKeyboard = fPointer = false;
    fGrabWindow = XCB_NONE;
}

void TZRVX11Desktop::HandleEvent(const xcb_generic_event_t& aEvent) {
    if (fGrabWindow == XCB_NONE || (aEvent.response_type & 0x7F) != XCB_PROPERTY_NOTIFY)
        return;
    const auto& change = reinterpret_cast<const xcb_property_notify_event_t&>(aEvent);
    // While the lock screen holds the input, no other window stays active.
    if (change.window == fX.Root() && change.atom == fX.Net()._NET_ACTIVE_WINDOW) {
        const xcb_window_t active = fWindows.ActiveWindow();
        if (active != XCB_NONE && active != fGrabWindow)
            fWindows.Activate(fGrabWindow);
    }
}

void TZRVX11Desktop::MinimizeForeground(TZRVWindowHandle aWindow) {
    xcb_window_t top = fWindows.ActiveWindow();
    TZRVX11Window foreground = fWindows.Read(top, wfState | wfType | wfProcessID);
    for (int i = 0; i < c_MaxOwners && foreground.Info.Owner != XCB_NONE; ++i) {
        top = foreground.Info.Owner;
        foreground = fWindows.Read(top, wfState | wfType | wfProcessID);
    }
    const TZRVX11Window mine = fWindows.Read(aWindow, wfProcessID);
    const xcb_ewmh_connection_t& net = fX.Net();
    if (top == XCB_NONE || !foreground.Exists || top == aWindow || foreground.Ours ||
        (foreground.Info.ProcessID != 0 && foreground.Info.ProcessID == mine.Info.ProcessID) ||
        foreground.Type == net._NET_WM_WINDOW_TYPE_DESKTOP || foreground.Type == net._NET_WM_WINDOW_TYPE_DOCK)
        return;
    fX.SendToRoot(top, fX.Atom(TZRVX11Atom::WM_CHANGE_STATE), {c_IconicState, 0, 0, 0, 0});
}

bool TZRVX11Desktop::ShowDesktop(bool aShow) {
    if (!fX.Supported(fX.Net()._NET_SHOWING_DESKTOP))
        return false;
    fX.SendToRoot(fX.Root(), fX.Net()._NET_SHOWING_DESKTOP, {aShow ? 1u : 0u, 0, 0, 0, 0});
    return true;
}

bool TZRVX11Desktop::ShowingDesktop() const {
    return fX.ReadCardinals(fX.Root(), fX.Net()._NET_SHOWING_DESKTOP, 1).value(0) != 0;
}

bool TZRVX11Desktop::ReserveScreenEdge(TZRVWindowHandle aWindow, TZRVScreenEdge aEdge, int aThickness) {
    const xcb_ewmh_connection_t& net = fX.Net();
    if (aThickness <= 0)
        return fX.Check(xcb_delete_property_checked(fX.Xcb(), aWindow, net._NET_WM_STRUT_PARTIAL)) &&
               fX.Check(xcb_delete_property_checked(fX.Xcb(), aWindow, net._NET_WM_STRUT));
    const auto thickness = uint32_t(aThickness);
    const uint32_t width = fX.Screen()->width_in_pixels, height = fX.Screen()->height_in_pixels;
    // left, right, top, bottom, then the start and end of each strip along its edge.
    QList<uint32_t> partial(12, 0);
    switch (aEdge) {
    case TZRVScreenEdge::Left:
        partial[0] = thickness, partial[5] = height - 1;
        break;
    case TZRVScreenEdge::Right:
        partial[1] = thickness, partial[7] = height - 1;
        break;
    case TZRVScreenEdge::Top:
        partial[2] = thickness, partial[9] = width - 1;
        break;
    case TZRVScreenEdge::Bottom:
        partial[3] = thickness, partial[11] = width - 1;
        break;
    }
    return fX.SetCardinals(aWindow, net._NET_WM_WINDOW_TYPE, XCB_ATOM_ATOM, {net._NET_WM_WINDOW_TYPE_DOCK}) &&
           fX.SetCardinals(aWindow, net._NET_WM_STRUT_PARTIAL, XCB_ATOM_CARDINAL, partial) &&
           fX.SetCardinals(aWindow, net._NET_WM_STRUT, XCB_ATOM_CARDINAL, partial.mid(0, 4));
}

bool TZRVX11Desktop::ModifierDown(Qt::KeyboardModifier aModifier) const {
    TZRVX11Reply<xcb_query_pointer_reply_t> pointer =
        fX.Reply(xcb_query_pointer_reply, xcb_query_pointer(fX.Xcb(), fX.Root()));
    if (!pointer)
        return false;
    switch (aModifier) {
    case Qt::ShiftModifier:
        return pointer->mask & XCB_MOD_MASK_SHIFT;
    case Qt::ControlModifier:
        return pointer->mask & XCB_MOD_MASK_CONTROL;
    case Qt::AltModifier:
        return pointer->mask & XCB_MOD_MASK_1;
    default:
        return false;
    }
}
