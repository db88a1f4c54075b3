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

// One window's requests in flight.
struct TAsked {
    xcb_get_property_cookie_t NetName{}, Name{}, Class{}, Pid{}, Machine{}, Transient{}, Type{}, State{},
        WmState{};
    xcb_get_window_attributes_cookie_t Attributes{};
};

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

QList<TZRVX11Window> TZRVX11Windows::Read(const QList<xcb_window_t>& aWindows, int aFields) {
    const xcb_ewmh_connection_t& net = fX.Net();
    const bool attributes = aFields & (wfState | wfMapState);
    std::vector<TAsked> asked(size_t(aWindows.size()));
    for (qsizetype i = 0; i < aWindows.size(); ++i) {
        const xcb_window_t w = aWindows[i];
        TAsked& a = asked[size_t(i)];
        if (aFields & wfCaption) {
            a.NetName = fX.AskProperty(w, net._NET_WM_NAME, c_MaxText);
            a.Name = fX.AskProperty(w, XCB_ATOM_WM_NAME, c_MaxText);
        }
        if (aFields & wfClassName)
            a.Class = fX.AskProperty(w, XCB_ATOM_WM_CLASS, c_MaxText);
        if (aFields & wfProcessID) {
            a.Pid = fX.AskProperty(w, net._NET_WM_PID, 4);
            a.Machine = fX.AskProperty(w, XCB_ATOM_WM_CLIENT_MACHINE, c_MaxText);
        }
        if (aFields & (wfState | wfType))
            a.Type = fX.AskProperty(w, net._NET_WM_WINDOW_TYPE, c_MaxAtoms * 4);
        if (aFields & wfState) {
            a.Transient = fX.AskProperty(w, XCB_ATOM_WM_TRANSIENT_FOR, 4);
            a.State = fX.AskProperty(w, net._NET_WM_STATE, c_MaxAtoms * 4);
            a.WmState = fX.AskProperty(w, fX.Atom(TZRVX11Atom::WM_STATE), 8);
        }
        if (attributes)
            a.Attributes = xcb_get_window_attributes(fX.Xcb(), w);
    }

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
    for (qsizetype i = 0; i < aWindows.size(); ++i) {
        const TAsked& a = asked[size_t(i)];
        TZRVX11Window w;
        w.Info.Handle = aWindows[i];
        w.Exists = true;
        if (attributes) {
            TZRVX11Reply<xcb_get_window_attributes_reply_t> reply =
                fX.Reply(xcb_get_window_attributes_reply, a.Attributes);
            w.Exists = bool(reply);
            w.Viewable = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
        }
        if (aFields & wfCaption) {
            const std::optional<TZRVX11Property> netName = fX.Property(a.NetName);
            const std::optional<TZRVX11Property> name = fX.Property(a.Name);
            w.Info.Caption = netName ? TZRVX11Connection::Text(*netName) : QString();
            if (w.Info.Caption.isEmpty() && name)
                w.Info.Caption = TZRVX11Connection::Text(*name);
        }
        if (aFields & wfClassName)
            w.Info.ClassName = ClassOf(fX.Property(a.Class));
        if (aFields & wfProcessID) {
            const uint32_t pid = FirstCardinal(fX.Property(a.Pid));
            const std::optional<TZRVX11Property> machine = fX.Property(a.Machine);
            const bool local =
                machine && TZRVX11Connection::Text(*machine).compare(fX.HostName(), Qt::CaseInsensitive) == 0;
            w.Info.ProcessID = local ? qint64(pid) : 0;
            w.Ours = local && pid == fX.OwnProcessID();
        }
        if (aFields & (wfState | wfType)) {
            const std::optional<TZRVX11Property> types = fX.Property(a.Type);
            for (uint32_t type : types ? types->Cardinals() : QList<uint32_t>())
                if (std::find(known.begin(), known.end(), type) != known.end()) {
                    w.Type = type;
                    break;
                }
        }
        if (aFields & wfState) {
            const xcb_window_t owner = FirstCardinal(fX.Property(a.Transient));
            const QList<uint32_t> states = fX.Property(a.State).value_or(TZRVX11Property()).Cardinals();
            const uint32_t wmState = FirstCardinal(fX.Property(a.WmState), c_WithdrawnState);
            w.Info.Owner = owner == fX.Root() ? 0 : owner;
            w.Info.Minimized = wmState == c_IconicState || states.contains(net._NET_WM_STATE_HIDDEN);
            // Managed windows are shown or minimised; the others are shown when mapped.
            w.Info.Visible = wmState == c_NormalState || wmState == c_IconicState || w.Viewable;
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
    if ((aEvent.response_type & 0x7F) != XCB_CLIENT_MESSAGE)
        return;
    const auto& message = reinterpret_cast<const xcb_client_message_event_t&>(aEvent);
    // A client's answer to our ping comes back to the root window, naming the stamp and the window.
    if (message.format == 32 && message.type == fX.Net().WM_PROTOCOLS &&
        message.data.data32[0] == fX.Net()._NET_WM_PING && message.window == fX.Root()) {
        const auto ping = fPings.constFind(message.data.data32[1]);
        if (ping != fPings.constEnd() && ping->Window == message.data.data32[2])
            AnswerPing(message.data.data32[1], true);
    }
}
