#pragma once
// One connection to the X server for the whole backend: its atoms, bounded property reads, client
// messages as EWMH wants them, and the events the server sends, handed to the parts that asked.
// Replies are awaited (a round trip to the local display server, never to a client program);
// events read meanwhile are handled on the next turn of the event loop.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;

// Atoms of our own and those xcb-ewmh does not hold.
enum class TZRVX11Atom {
    WM_STATE,
    WM_CHANGE_STATE,
    WM_DELETE_WINDOW,
    OB_CONFIG_FILE,
    OB_CONTROL,
    // The windows of other programs we hid, kept on the root window so that a restarted
    // workstation program finds them again.
    ZRV2_HIDDEN_WINDOWS,
    // The keymap actions we removed, kept the same way.
    ZRV2_REMOVED_ACTIONS,
    Count
};

// Frees what libxcb allocated.
struct TZRVX11Free {
    void operator()(void* aPointer) const { std::free(aPointer); }
};
template <class R> using TZRVX11Reply = std::unique_ptr<R, TZRVX11Free>;

// A property value as read: its type, format (8, 16 or 32) and bytes.
struct TZRVX11Property {
    xcb_atom_t Type = XCB_NONE;
    uint8_t Format = 0;
    QByteArray Data;

    // The 32-bit items of a format-32 value; empty for another format.
    QList<uint32_t> Cardinals() const;
};

class TZRVX11Connection : public QObject {
    Q_OBJECT
public:
    // The connection to aDisplay ($DISPLAY when null); nullptr when it cannot be reached.
    static std::unique_ptr<TZRVX11Connection> Open(const char* aDisplay = nullptr);
    ~TZRVX11Connection() override;

    xcb_connection_t* Xcb() const { return fXcb; }
    xcb_ewmh_connection_t* Ewmh() { return &fEwmh; }
    const xcb_ewmh_connection_t& Net() const { return fEwmh; }
    xcb_screen_t* Screen() const { return fScreen; }
    int ScreenNumber() const { return fScreenNumber; }
    xcb_window_t Root() const { return fScreen->root; }
    xcb_atom_t Atom(TZRVX11Atom aAtom) const { return fAtoms[size_t(aAtom)]; }
    // False once the server went away.
    bool Alive() const { return xcb_connection_has_error(fXcb) == 0; }

    // The reply of a request, or nullptr when the server answered with an error.
    template <class R, class Cookie>
    TZRVX11Reply<R> Reply(R* (*aReader)(xcb_connection_t*, Cookie, xcb_generic_error_t**), Cookie aCookie) {
        xcb_generic_error_t* error = nullptr;
        R* reply = aReader(fXcb, aCookie, &error);
        std::free(error);
        ScheduleEvents();
        return TZRVX11Reply<R>(reply);
    }
    // Whether a checked request was accepted; the X error code (or 0) in aError.
    bool Check(xcb_void_cookie_t aCookie, uint8_t* aError = nullptr);
    void Flush() { xcb_flush(fXcb); }

    // Asks for a property of at most aMaxBytes; read the answer with Property.
    xcb_get_property_cookie_t AskProperty(xcb_window_t aWindow, xcb_atom_t aProperty, uint32_t aMaxBytes);
    std::optional<TZRVX11Property> Property(xcb_get_property_cookie_t aCookie);
    std::optional<TZRVX11Property> ReadProperty(xcb_window_t aWindow, xcb_atom_t aProperty,
                                                uint32_t aMaxBytes) {
        return Property(AskProperty(aWindow, aProperty, aMaxBytes));
    }
    // A WINDOW or CARDINAL property read as 32-bit items (at most aMaxItems).
    QList<uint32_t> ReadCardinals(xcb_window_t aWindow, xcb_atom_t aProperty, uint32_t aMaxItems);
    // Text properties: UTF8_STRING as UTF-8, anything else as Latin-1.
    static QString Text(const TZRVX11Property& aProperty);

    // Replaces a format-32 property.
    bool SetCardinals(xcb_window_t aWindow, xcb_atom_t aProperty, xcb_atom_t aType,
                      const QList<uint32_t>& aValues);
    // A client message of format 32 to aWindow, sent to the root window with the masks a window
    // manager listens to (EWMH, ICCCM requests).
    void SendToRoot(xcb_window_t aWindow, xcb_atom_t aType, const std::array<uint32_t, 5>& aData);
    // A client message of format 32 sent to the window itself (a ping, a delete request).
    void SendToWindow(xcb_window_t aWindow, xcb_atom_t aType, const std::array<uint32_t, 5>& aData);

    // Whether the window manager says it understands aAtom (_NET_SUPPORTED).
    bool Supported(xcb_atom_t aAtom);
    // Whether aWindow exists; its map state in aViewable.
    bool Exists(xcb_window_t aWindow, bool* aViewable = nullptr);

    // The process that runs us and the machine it runs on, as windows name them.
    qint64 OwnProcessID() const { return fOwnPid; }
    const QString& HostName() const { return fHostName; }

    // Called with every event the server sends, in order, on the event loop.
    using TEventHandler = std::function<void(const xcb_generic_event_t& aEvent)>;
    void AddEventHandler(TEventHandler aHandler) { fHandlers.push_back(std::move(aHandler)); }
    // Handles the events read so far (tests and benchmarks call it to see their effects at once).
    void ProcessEvents();

private:
    TZRVX11Connection(xcb_connection_t* aXcb, int aScreenNumber);
    bool Init();
    // Handles on the next turn of the event loop what waiting for replies has read.
    void ScheduleEvents();

    xcb_connection_t* fXcb;
    int fScreenNumber;
    xcb_screen_t* fScreen = nullptr;
    xcb_ewmh_connection_t fEwmh{};
    bool fEwmhReady = false;
    std::array<xcb_atom_t, size_t(TZRVX11Atom::Count)> fAtoms{};
    QSocketNotifier* fNotifier = nullptr;
    bool fEventsScheduled = false;
    std::vector<TEventHandler> fHandlers;
    qint64 fOwnPid = 0;
    QString fHostName;
};
