#include "ZRVX11Restrictions.h"

#include "platform/posix/ZRVPosix.h"

#include <QProcess>

#include <signal.h>
#include <unistd.h>

namespace {

constexpr uint32_t c_MaxHidden = 1024;

} // namespace

TZRVX11Restrictions::TZRVX11Restrictions(TZRVX11Connection& aX, TZRVX11Windows& aWindows,
                                         IZRVLauncher& aLauncher)
    : fX(aX), fWindows(aWindows), fLauncher(aLauncher), fKeys(aX), fKeymap(aX) {}

void TZRVX11Restrictions::SetHidden(const QList<uint32_t>& aWindows) {
    const xcb_atom_t property = fX.Atom(TZRVX11Atom::ZRV2_HIDDEN_WINDOWS);
    if (aWindows.isEmpty())
        xcb_delete_property(fX.Xcb(), fX.Root(), property);
    else
        fX.SetCardinals(fX.Root(), property, XCB_ATOM_WINDOW, aWindows);
    fX.Flush();
}

QList<TZRVX11Window> TZRVX11Restrictions::WindowsOfType(xcb_atom_t aType, QList<uint32_t>* aHidden) const {
    // The hidden list is asked beside the client list: both come back in one round trip.
    const xcb_get_property_cookie_t asked =
        fX.AskProperty(fX.Root(), fX.Atom(TZRVX11Atom::ZRV2_HIDDEN_WINDOWS), c_MaxHidden * 4);
    QList<xcb_window_t> candidates = fWindows.ClientList();
    const std::optional<TZRVX11Property> listed = fX.Property(asked);
    const QList<uint32_t> hidden = listed ? listed->Cardinals() : QList<uint32_t>();
    for (uint32_t w : hidden)
        if (!candidates.contains(w))
            candidates.append(w);
    if (aHidden)
        *aHidden = hidden;
    // The types of all, then the rest of the few of that type.
    QList<xcb_window_t> ofType;
    for (const TZRVX11Window& w : fWindows.Read(candidates, wfType))
        if (w.Type == aType)
            ofType.append(w.Info.Handle);
    QList<TZRVX11Window> found;
    for (const TZRVX11Window& w : fWindows.Read(ofType, wfType | wfMapState | wfProcessID))
        if (w.Exists && w.Type == aType && !w.Ours)
            found.append(w);
    return found;
}

bool TZRVX11Restrictions::Visible(xcb_atom_t aType) const {
    const QList<TZRVX11Window> windows = WindowsOfType(aType);
    return std::any_of(windows.begin(), windows.end(), [](const TZRVX11Window& w) { return w.Viewable; });
}

bool TZRVX11Restrictions::SetVisible(xcb_atom_t aType, bool aVisible) {
    QList<uint32_t> listed;
    const QList<TZRVX11Window> windows = WindowsOfType(aType, &listed);
    const bool visible =
        std::any_of(windows.begin(), windows.end(), [](const TZRVX11Window& w) { return w.Viewable; });
    const bool hiddenByUs = std::any_of(windows.begin(), windows.end(), [&listed](const TZRVX11Window& w) {
        return !w.Viewable && listed.contains(w.Info.Handle);
    });
    // The usual tick: nothing to change.
    if (aVisible ? (visible && !hiddenByUs) || windows.isEmpty() : !visible)
        return visible == aVisible;
    QList<uint32_t> hidden;
    for (const TZRVX11Window& w : fWindows.Read(listed, wfMapState))
        if (w.Exists)
            hidden.append(w.Info.Handle);
    for (const TZRVX11Window& w : windows) {
        const xcb_window_t window = w.Info.Handle;
        if (!aVisible && w.Viewable) {
            // The window manager takes an unmapped window for one its program withdrew.
            xcb_unmap_window(fX.Xcb(), window);
            if (!hidden.contains(window))
                hidden.append(window);
        } else if (aVisible && !w.Viewable && hidden.removeAll(window) > 0) {
            xcb_map_window(fX.Xcb(), window);
        }
    }
    SetHidden(hidden);
    return Visible(aType) == aVisible;
}

bool TZRVX11Restrictions::ShellRunning() const {
    return !WindowsOfType(Dock()).isEmpty();
}

bool TZRVX11Restrictions::StartShell(const QString& aProgram) {
    QStringList command = QProcess::splitCommand(aProgram);
    if (command.isEmpty())
        return false;
    const QString program = command.takeFirst();
    return fLauncher.Start(program, command);
}

bool TZRVX11Restrictions::TerminateShell() {
    bool all = true;
    for (const TZRVX11Window& dock : WindowsOfType(Dock())) {
        TZRVProcessInfo process;
        const bool ours = ProcessInfo(dock.Info.ProcessID, process) && process.UserID == getuid();
        all = ours && ::kill(pid_t(dock.Info.ProcessID), SIGTERM) == 0 && all;
    }
    return all;
}
