#include "ZRVX11Windows.h"

#include "platform/posix/ZRVPosix.h"

#include <unistd.h>

#include <algorithm>
#include <array>

namespace {

// Bounds of what is read from a window: names and classes are short, lists of atoms shorter.
constexpr uint32_t c_MaxText = 4096;
constexpr uint32_t c_MaxAtoms = 64;
constexpr uint32_t c_MaxClients = 65536;
// Icons beyond this (4 MiB of pixels) are not read.
constexpr uint32_t c_MaxIconBytes = 4u << 20;
constexpr uint32_t c_MaxIconSide = 1024;

// ICCCM window states.
constexpr uint32_t c_WithdrawnState = 0;
constexpr uint32_t c_NormalState = 1;
constexpr uint32_t c_IconicState = 3;

// The source of our requests to the window manager: a pager, as a task bar is, whose requests
// the window manager follows without second-guessing them.
constexpr uint32_t c_SourcePager = 2;

// Windows kept beyond this are forgotten all at once (windows whose end we could not see).
constexpr qsizetype c_MaxKnown = 8192;
// How much of each property is read.
uint32_t MaxBytes(xcb_atom_t aAtom, const xcb_ewmh_connection_t& aNet) {
    if (aAtom == aNet._NET_WM_WINDOW_TYPE || aAtom == aNet._NET_WM_STATE)
        return c_MaxAtoms * 4;
    if (aAtom == aNet._NET_WM_PID || aAtom == XCB_ATOM_WM_TRANSIENT_FOR)
        return 4;
    return c_MaxText;
}

// WM_CLASS holds the instance and the class, each closed by a zero; the class names the program.
QString ClassOf(const std::optional<TZRVX11Property>& aValue) {
    if (!aValue || aValue->Format != 8)
        return QString();
    const QList<QByteArray> parts = aValue->Data.split('\0');
    const QByteArray name = parts.size() > 1 && !parts[1].isEmpty() ? parts[1] : parts.value(0);
    return QString::fromLatin1(name).toLower();
}

uint32_t FirstCardinal(const std::optional<TZRVX11Property>& aValue, uint32_t aDefault = 0) {
    const QList<uint32_t> items = aValue ? aValue->Cardinals() : QList<uint32_t>();
    return items.isEmpty() ? aDefault : items.first();
}

} // namespace

TZRVX11Windows::TZRVX11Windows(TZRVX11Connection& aX) : fX(aX) {
    fX.AddEventHandler([this](const xcb_generic_event_t& aEvent) { HandleEvent(aEvent); });
}

QList<xcb_window_t> TZRVX11Windows::ClientList() {
    QList<uint32_t> windows = fX.ReadCardinals(fX.Root(), fX.Net()._NET_CLIENT_LIST_STACKING, c_MaxClients);
    if (windows.isEmpty())
        windows = fX.ReadCardinals(fX.Root(), fX.Net()._NET_CLIENT_LIST, c_MaxClients);
    else
        std::reverse(windows.begin(), windows.end()); // EWMH lists the bottom one first
    return windows;
}

void TZRVX11Windows::Learn(const QList<xcb_window_t>& aWindows) {
    if (fKnown.size() > c_MaxKnown)
        fKnown.clear();
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    QList<std::pair<xcb_window_t, xcb_void_cookie_t>> listening;
    for (xcb_window_t w : aWindows)
        if (!fKnown.contains(w))
            listening.append(
                {w, xcb_change_window_attributes_checked(fX.Xcb(), w, XCB_CW_EVENT_MASK, &mask)});
    for (const auto& [window, cookie] : listening)
        if (fX.Check(cookie))
            fKnown.insert(window, TKnown());
}

void TZRVX11Windows::Fill(const QList<xcb_window_t>& aWindows, const QList<xcb_atom_t>& aAtoms) {
    // Learn's replies came after every event of what happened before: handle those first.
    Learn(aWindows);
    fX.ProcessEvents();
    struct TAsk {
        xcb_window_t Window;
        xcb_atom_t Atom;
        xcb_get_property_cookie_t Cookie;
    };
    std::vector<TAsk> properties;
    for (xcb_window_t w : aWindows) {
        const auto known = fKnown.constFind(w);
        if (known == fKnown.constEnd())
            continue;
        for (xcb_atom_t atom : aAtoms)
            if (!known->Properties.contains(atom))
                properties.push_back({w, atom, fX.AskProperty(w, atom, MaxBytes(atom, fX.Net()))});
    }
    for (const TAsk& a : properties) {
        std::optional<TZRVX11Property> value = fX.Property(a.Cookie);
        if (fKnown.contains(a.Window))
            fKnown[a.Window].Properties.insert(a.Atom, std::move(value));
    }
}

// A map state hangs on the window manager's frame too: it is asked for each time.
QSet<xcb_window_t> TZRVX11Windows::Viewable(const QList<xcb_window_t>& aWindows) {
    std::vector<std::pair<xcb_window_t, xcb_get_window_attributes_cookie_t>> attributes;
    for (xcb_window_t w : aWindows)
        attributes.emplace_back(w, xcb_get_window_attributes(fX.Xcb(), w));
    QSet<xcb_window_t> viewable;
    for (const auto& [window, cookie] : attributes) {
        TZRVX11Reply<xcb_get_window_attributes_reply_t> reply =
            fX.Reply(xcb_get_window_attributes_reply, cookie);
        if (!reply)
            fKnown.remove(window); // gone meanwhile
        else if (reply->map_state == XCB_MAP_STATE_VIEWABLE)
            viewable.insert(window);
    }
    return viewable;
}

const std::optional<TZRVX11Property>& TZRVX11Windows::Known(xcb_window_t aWindow, xcb_atom_t aAtom) const {
    static const std::optional<TZRVX11Property> none;
    const auto known = fKnown.constFind(aWindow);
    if (known == fKnown.constEnd())
        return none;
    const auto value = known->Properties.constFind(aAtom);
    return value == known->Properties.constEnd() ? none : *value;
}

QList<TZRVX11Window> TZRVX11Windows::Read(const QList<xcb_window_t>& aWindows, int aFields) {
    const xcb_ewmh_connection_t& net = fX.Net();
    const xcb_atom_t wmState = fX.Atom(TZRVX11Atom::WM_STATE);
    QList<xcb_atom_t> atoms;
    if (aFields & wfCaption)
        atoms << net._NET_WM_NAME << XCB_ATOM_WM_NAME;
    if (aFields & wfClassName)
        atoms << XCB_ATOM_WM_CLASS;
    if (aFields & wfProcessID)
        atoms << net._NET_WM_PID << XCB_ATOM_WM_CLIENT_MACHINE;
    if (aFields & (wfState | wfType))
        atoms << net._NET_WM_WINDOW_TYPE;
    if (aFields & wfState)
        atoms << XCB_ATOM_WM_TRANSIENT_FOR << net._NET_WM_STATE << wmState;
    Fill(aWindows, atoms);
    // Managed windows tell their state (WM_STATE); the map state is asked for the others only.
    QList<xcb_window_t> unmanaged;
    for (xcb_window_t w : aWindows) {
        const uint32_t state = FirstCardinal(Known(w, wmState), c_WithdrawnState);
        if (fKnown.contains(w) && ((aFields & wfMapState) ||
                                   ((aFields & wfState) && state != c_NormalState && state != c_IconicState)))
            unmanaged.append(w);
    }
    const QSet<xcb_window_t> viewable = Viewable(unmanaged);

    const std::array<xcb_atom_t, 2> listed = {net._NET_WM_WINDOW_TYPE_NORMAL, net._NET_WM_WINDOW_TYPE_DIALOG};
    const std::array<xcb_atom_t, 14> known = {
        net._NET_WM_WINDOW_TYPE_DESKTOP,      net._NET_WM_WINDOW_TYPE_DOCK,
        net._NET_WM_WINDOW_TYPE_TOOLBAR,      net._NET_WM_WINDOW_TYPE_MENU,
        net._NET_WM_WINDOW_TYPE_UTILITY,      net._NET_WM_WINDOW_TYPE_SPLASH,
        net._NET_WM_WINDOW_TYPE_DIALOG,       net._NET_WM_WINDOW_TYPE_DROPDOWN_MENU,
        net._NET_WM_WINDOW_TYPE_POPUP_MENU,   net._NET_WM_WINDOW_TYPE_TOOLTIP,
        net._NET_WM_WINDOW_TYPE_NOTIFICATION, net._NET_WM_WINDOW_TYPE_COMBO,
        net._NET_WM_WINDOW_TYPE_DND,          net._NET_WM_WINDOW_TYPE_NORMAL};
    QList<TZRVX11Window> result;
    result.reserve(aWindows.size());
    for (xcb_window_t window : aWindows) {
        TZRVX11Window w;
        w.Info.Handle = window;
        w.Exists = fKnown.contains(window);
        if (!w.Exists) {
            result.append(w);
            continue;
        }
        w.Viewable = viewable.contains(window);
        if (aFields & wfCaption) {
            const std::optional<TZRVX11Property>& netName = Known(window, net._NET_WM_NAME);
            const std::optional<TZRVX11Property>& name = Known(window, XCB_ATOM_WM_NAME);
            w.Info.Caption = netName ? TZRVX11Connection::Text(*netName) : QString();
            if (w.Info.Caption.isEmpty() && name)
                w.Info.Caption = TZRVX11Connection::Text(*name);
        }
        if (aFields & wfClassName)
            w.Info.ClassName = ClassOf(Known(window, XCB_ATOM_WM_CLASS));
        if (aFields & wfProcessID) {
            const uint32_t pid = FirstCardinal(Known(window, net._NET_WM_PID));
            const std::optional<TZRVX11Property>& machine = Known(window, XCB_ATOM_WM_CLIENT_MACHINE);
            const bool local =
                machine && TZRVX11Connection::Text(*machine).compare(fX.HostName(), Qt::CaseInsensitive) == 0;
            w.Info.ProcessID = local ? qint64(pid) : 0;
            w.Ours = local && pid == fX.OwnProcessID();
        }
        if (aFields & (wfState | wfType)) {
            const std::optional<TZRVX11Property>& types = Known(window, net._NET_WM_WINDOW_TYPE);
            for (uint32_t type : types ? types->Cardinals() : QList<uint32_t>())
                if (std::find(known.begin(), known.end(), type) != known.end()) {
                    w.Type = type;
                    break;
                }
        }
        if (aFields & wfState) {
            const xcb_window_t owner = FirstCardinal(Known(window, XCB_ATOM_WM_TRANSIENT_FOR));
            const std::optional<TZRVX11Property>& state = Known(window, net._NET_WM_STATE);
            const QList<uint32_t> states = state ? state->Cardinals() : QList<uint32_t>();
            const uint32_t iccState = FirstCardinal(Known(window, wmState), c_WithdrawnState);
            w.Info.Owner = owner == fX.Root() ? 0 : owner;
            w.Info.Minimized = iccState == c_IconicState || states.contains(net._NET_WM_STATE_HIDDEN);
            // Managed windows are shown or minimised; the others are shown when mapped.
            w.Info.Visible = iccState == c_NormalState || iccState == c_IconicState || w.Viewable;
            w.Info.ToolWindow =
                states.contains(net._NET_WM_STATE_SKIP_TASKBAR) ||
                (w.Type != XCB_NONE && std::find(listed.begin(), listed.end(), w.Type) == listed.end());
        }
        result.append(w);
    }
    return result;
}

bool TZRVX11Windows::TopLevelWindows(QList<TZRVWindowInfo>& aWindows, int aFields) {
    aWindows.clear();
    if (!fX.Alive())
        return false;
    for (const TZRVX11Window& w : Read(ClientList(), aFields & wfAll))
        aWindows.append(w.Info);
    return true;
}

bool TZRVX11Windows::WindowInfo(TZRVWindowHandle aWindow, TZRVWindowInfo& aInfo) {
    const TZRVX11Window w = Read(aWindow, wfAll);
    if (w.Exists)
        aInfo = w.Info;
    return w.Exists;
}

bool TZRVX11Windows::WindowIcon(TZRVWindowHandle aWindow, QSize aSize, TZRVIcon& aIcon) {
    const std::optional<TZRVX11Property> value =
        fX.ReadProperty(aWindow, fX.Net()._NET_WM_ICON, c_MaxIconBytes);
    const QList<uint32_t> data = value ? value->Cardinals() : QList<uint32_t>();
    // Icons one after the other: width, height, then width x height ARGB pixels.
    qsizetype best = -1;
    QSize bestSize;
    for (qsizetype at = 0; at + 2 <= data.size();) {
        const uint32_t width = data[at], height = data[at + 1];
        if (width == 0 || height == 0 || width > c_MaxIconSide || height > c_MaxIconSide ||
            qsizetype(width) * height > data.size() - at - 2)
            break;
        const QSize size{int(width), int(height)};
        const auto distance = [&aSize](QSize s) {
            return std::abs(s.width() - aSize.width()) + std::abs(s.height() - aSize.height());
        };
        if (best < 0 || distance(size) < distance(bestSize)) {
            best = at;
            bestSize = size;
        }
        at += 2 + qsizetype(width) * height;
    }
    if (best < 0)
        return false;
    aIcon.Size = bestSize;
    aIcon.Pixels = data.mid(best + 2, qsizetype(bestSize.width()) * bestSize.height());
    return true;
}

bool TZRVX11Windows::RequestClose(TZRVWindowHandle aWindow) {
    if (!fX.Exists(aWindow))
        return false;
    if (fX.Supported(fX.Net()._NET_CLOSE_WINDOW)) {
        fX.SendToRoot(aWindow, fX.Net()._NET_CLOSE_WINDOW, {0, c_SourcePager, 0, 0, 0});
        return true;
    }
    // Without a window manager, the application's own close request.
    const xcb_atom_t deleteWindow = fX.Atom(TZRVX11Atom::WM_DELETE_WINDOW);
    if (!fX.ReadCardinals(aWindow, fX.Net().WM_PROTOCOLS, c_MaxAtoms).contains(deleteWindow))
        return false;
    fX.SendToWindow(aWindow, fX.Net().WM_PROTOCOLS, {deleteWindow, XCB_CURRENT_TIME, 0, 0, 0});
    return true;
}

xcb_window_t TZRVX11Windows::ActiveWindow() {
    return fX.ReadCardinals(fX.Root(), fX.Net()._NET_ACTIVE_WINDOW, 1).value(0, XCB_NONE);
}

bool TZRVX11Windows::HasFocus(xcb_window_t aWindow) {
    TZRVX11Reply<xcb_get_input_focus_reply_t> focus =
        fX.Reply(xcb_get_input_focus_reply, xcb_get_input_focus(fX.Xcb()));
    xcb_window_t w = focus ? focus->focus : XCB_NONE;
    // The focus may be on a window inside aWindow.
    for (int depth = 0; depth < 32 && w != XCB_NONE && w != fX.Root(); ++depth) {
        if (w == aWindow)
            return true;
        TZRVX11Reply<xcb_query_tree_reply_t> tree =
            fX.Reply(xcb_query_tree_reply, xcb_query_tree(fX.Xcb(), w));
        w = tree ? tree->parent : XCB_NONE;
    }
    return false;
}

bool TZRVX11Windows::Activate(TZRVWindowHandle aWindow) {
    bool viewable = false;
    if (!fX.Exists(aWindow, &viewable))
        return false;
    // The window manager restores, raises and focuses it; a shown window gets the focus at once,
    // so that what follows (typing, a second request) finds it there.
    fX.SendToRoot(aWindow, fX.Net()._NET_ACTIVE_WINDOW, {c_SourcePager, XCB_CURRENT_TIME, 0, 0, 0});
    if (viewable)
        xcb_set_input_focus(fX.Xcb(), XCB_INPUT_FOCUS_POINTER_ROOT, aWindow, XCB_CURRENT_TIME);
    return HasFocus(aWindow);
}

void TZRVX11Windows::TerminateProcess(qint64 aProcessID, int aTimeoutMs, QObject* aContext,
                                      std::function<void(int aResult)> aDone) {
    TZRVProcessInfo process;
    if (aProcessID == fX.OwnProcessID() || !ProcessInfo(aProcessID, process) || process.UserID != getuid())
        return AnswerLater(aContext, std::move(aDone), 0);
    for (const TZRVX11Window& w : Read(ClientList(), wfProcessID))
        if (w.Info.ProcessID == aProcessID)
            RequestClose(w.Info.Handle);
    AwaitOrKill(aProcessID, aTimeoutMs, aContext, std::move(aDone));
}

void TZRVX11Windows::Responding(TZRVWindowHandle aWindow, int aTimeoutMs, QObject* aContext,
                                std::function<void(bool aResponding)> aDone) {
    if (!fX.Exists(aWindow))
        return AnswerLater(aContext, std::move(aDone), false);
    if (!fX.ReadCardinals(aWindow, fX.Net().WM_PROTOCOLS, c_MaxAtoms).contains(fX.Net()._NET_WM_PING))
        return AnswerLater(aContext, std::move(aDone), true);
    const uint32_t stamp = fNextPing++;
    fPings.insert(stamp, TPing{aWindow, aContext, aContext != nullptr, std::move(aDone)});
    fX.SendToWindow(aWindow, fX.Net().WM_PROTOCOLS, {fX.Net()._NET_WM_PING, stamp, aWindow, 0, 0});
    QTimer::singleShot(std::max(aTimeoutMs, 0), &fX, [this, stamp] { AnswerPing(stamp, false); });
}

void TZRVX11Windows::AnswerPing(uint32_t aStamp, bool aAnswered) {
    const auto ping = fPings.find(aStamp);
    if (ping == fPings.end())
        return;
    const TPing done = ping.value();
    fPings.erase(ping);
    if ((!done.HasContext || done.Context) && done.Done)
        done.Done(aAnswered);
}

void TZRVX11Windows::HandleEvent(const xcb_generic_event_t& aEvent) {
    switch (aEvent.response_type & 0x7F) {
    case XCB_PROPERTY_NOTIFY: {
        const auto& change = reinterpret_cast<const xcb_property_notify_event_t&>(aEvent);
        const auto known = fKnown.find(change.window);
        if (known != fKnown.end())
            known->Properties.remove(change.atom);
        return;
    }
    case XCB_DESTROY_NOTIFY:
        fKnown.remove(reinterpret_cast<const xcb_destroy_notify_event_t&>(aEvent).window);
        return;
    case XCB_CLIENT_MESSAGE:
        break;
    default:
        return;
    }
    const auto& message = reinterpret_cast<const xcb_client_message_event_t&>(aEvent);
    // A client's answer to our ping comes back to the root window, naming the stamp and the window.
    if (message.format == 32 && message.type == fX.Net().WM_PROTOCOLS &&
        message.data.data32[0] == fX.Net()._NET_WM_PING && message.window == fX.Root()) {
        const auto ping = fPings.constFind(message.data.data32[1]);
        if (ping != fPings.constEnd() && ping->Window == message.data.data32[2])
            AnswerPing(message.data.data32[1], true);
    }
}
