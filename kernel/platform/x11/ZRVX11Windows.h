#pragma once
// The desktop's windows as EWMH and ICCCM describe them: the window manager's client list, names,
// classes, processes, owners, types and states; closing, activating, pinging, and ending the
// processes behind them.
//
// What the server told of a window's properties is kept until the server says it changed: we
// listen to the property changes and the destruction of every window we read, and the server sends
// those before any later reply. The restrictions and the folder killer look at every window every
// two seconds; kept, a window's properties cost nothing until they change. Map states are asked
// for each time (they hang on the window manager's frames too).

#include "platform/ZRVPlatform.h"

#include "ZRVX11Connection.h"

#include <QHash>
#include <QPointer>
#include <QSet>

// A window with what the backend itself needs beside the public description.
struct TZRVX11Window {
    TZRVWindowInfo Info;
    // The first window type it names that EWMH defines; XCB_NONE without one (or when not read).
    xcb_atom_t Type = XCB_NONE;
    bool Exists = false;
    bool Viewable = false;
    // Run by our own process on this machine.
    bool Ours = false;
};

// What the backend reads beside the public fields (TZRVWindowField).
constexpr int wfType = 0x10;
constexpr int wfMapState = 0x20;

class TZRVX11Windows : public IZRVWindows {
public:
    explicit TZRVX11Windows(TZRVX11Connection& aX);

    bool TopLevelWindows(QList<TZRVWindowInfo>& aWindows, int aFields = wfAll) override;
    bool WindowInfo(TZRVWindowHandle aWindow, TZRVWindowInfo& aInfo) override;
    bool WindowIcon(TZRVWindowHandle aWindow, QSize aSize, TZRVIcon& aIcon) override;
    bool RequestClose(TZRVWindowHandle aWindow) override;
    bool Activate(TZRVWindowHandle aWindow) override;
    void TerminateProcess(qint64 aProcessID, int aTimeoutMs, QObject* aContext,
                          std::function<void(int aResult)> aDone) override;
    void Responding(TZRVWindowHandle aWindow, int aTimeoutMs, QObject* aContext,
                    std::function<void(bool aResponding)> aDone) override;

    // The windows the window manager manages, topmost first; empty without a window manager.
    QList<xcb_window_t> ClientList();
    // aFields (public and backend fields) of each window, read in one go.
    QList<TZRVX11Window> Read(const QList<xcb_window_t>& aWindows, int aFields);
    TZRVX11Window Read(xcb_window_t aWindow, int aFields) {
        return Read(QList<xcb_window_t>{aWindow}, aFields).value(0);
    }
    // Whether the keyboard focus is on aWindow or inside it.
    bool HasFocus(xcb_window_t aWindow);
    // The active window as the window manager says; XCB_NONE for none.
    xcb_window_t ActiveWindow();

private:
    // What the server said of a window, until it says it changed.
    struct TKnown {
        QHash<xcb_atom_t, std::optional<TZRVX11Property>> Properties;
    };
    struct TPing {
        xcb_window_t Window;
        QPointer<QObject> Context;
        bool HasContext;
        std::function<void(bool)> Done;
    };
    void HandleEvent(const xcb_generic_event_t& aEvent);
    void AnswerPing(uint32_t aStamp, bool aAnswered);
    // Starts listening to the windows not known yet; those that do not exist are left out.
    void Learn(const QList<xcb_window_t>& aWindows);
    // The properties aAtoms of aWindows, asked for where not known.
    void Fill(const QList<xcb_window_t>& aWindows, const QList<xcb_atom_t>& aAtoms);
    // Those of aWindows that are shown now.
    QSet<xcb_window_t> Viewable(const QList<xcb_window_t>& aWindows);
    const std::optional<TZRVX11Property>& Known(xcb_window_t aWindow, xcb_atom_t aAtom) const;

    TZRVX11Connection& fX;
    QHash<xcb_window_t, TKnown> fKnown;
    QHash<uint32_t, TPing> fPings;
    uint32_t fNextPing = 1;
};
