#include "ZRVX11Connection.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QSysInfo>
#include <QTimer>

#include <cstring>

namespace {

const char* const c_AtomNames[] = {
    "WM_STATE",    "WM_CHANGE_STATE",      "WM_DELETE_WINDOW",     "_OB_CONFIG_FILE",
    "_OB_CONTROL", "_ZRV2_HIDDEN_WINDOWS", "_ZRV2_REMOVED_ACTIONS"};
static_assert(std::size(c_AtomNames) == size_t(TZRVX11Atom::Count));

// The event mask of client messages meant for the window manager.
constexpr uint32_t c_ToWindowManager =
    XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;

xcb_client_message_event_t ClientMessage(xcb_window_t aWindow, xcb_atom_t aType,
                                         const std::array<uint32_t, 5>& aData) {
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = aWindow;
    event.type = aType;
    for (size_t i = 0; i < aData.size(); ++i)
        event.data.data32[i] = aData[i];
    return event;
}

} // namespace

QList<uint32_t> TZRVX11Property::Cardinals() const {
    QList<uint32_t> items;
    if (Format != 32 || Data.size() < 4)
        return items; // an empty list has no storage to copy into
    items.resize(Data.size() / 4);
    std::memcpy(items.data(), Data.constData(), size_t(items.size()) * 4);
    return items;
}

std::unique_ptr<TZRVX11Connection> TZRVX11Connection::Open(const char* aDisplay) {
    int screen = 0;
    xcb_connection_t* xcb = xcb_connect(aDisplay, &screen);
    if (xcb_connection_has_error(xcb)) {
        xcb_disconnect(xcb);
        return nullptr;
    }
    std::unique_ptr<TZRVX11Connection> connection(new TZRVX11Connection(xcb, screen));
    if (!connection->Init())
        return nullptr;
    return connection;
}

TZRVX11Connection::TZRVX11Connection(xcb_connection_t* aXcb, int aScreenNumber)
    : fXcb(aXcb), fScreenNumber(aScreenNumber) {}

TZRVX11Connection::~TZRVX11Connection() {
    delete fNotifier;
    if (fEwmhReady)
        xcb_ewmh_connection_wipe(&fEwmh);
    xcb_disconnect(fXcb);
}

bool TZRVX11Connection::Init() {
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(fXcb));
    for (int i = 0; i < fScreenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return false;
    fScreen = screens.data;

    xcb_intern_atom_cookie_t* ewmhCookies = xcb_ewmh_init_atoms(fXcb, &fEwmh);
    std::array<xcb_intern_atom_cookie_t, size_t(TZRVX11Atom::Count)> cookies;
    for (size_t i = 0; i < cookies.size(); ++i)
        cookies[i] = xcb_intern_atom(fXcb, 0, uint16_t(std::strlen(c_AtomNames[i])), c_AtomNames[i]);
    fEwmhReady = xcb_ewmh_init_atoms_replies(&fEwmh, ewmhCookies, nullptr) != 0;
    for (size_t i = 0; i < cookies.size(); ++i) {
        TZRVX11Reply<xcb_intern_atom_reply_t> reply = Reply(xcb_intern_atom_reply, cookies[i]);
        fAtoms[i] = reply ? reply->atom : XCB_NONE;
    }
    if (!fEwmhReady)
        return false;

    // Property changes of the root window (the active window, the window manager's answers) and the
    // replies to our pings, which clients send to the root window.
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(fXcb, Root(), XCB_CW_EVENT_MASK, &mask);
    Flush();

    fOwnPid = QCoreApplication::applicationPid();
    fHostName = QSysInfo::machineHostName();
    fNotifier = new QSocketNotifier(xcb_get_file_descriptor(fXcb), QSocketNotifier::Read);
    connect(fNotifier, &QSocketNotifier::activated, this, &TZRVX11Connection::ProcessEvents);
    return Alive();
}

void TZRVX11Connection::ScheduleEvents() {
    if (fEventsScheduled)
        return;
    fEventsScheduled = true;
    QTimer::singleShot(0, this, &TZRVX11Connection::ProcessEvents);
}

void TZRVX11Connection::ProcessEvents() {
    fEventsScheduled = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(fXcb)) {
        TZRVX11Reply<xcb_generic_event_t> owned(event);
        for (const TEventHandler& handler : fHandlers)
            handler(*event);
    }
    if (!Alive())
        fNotifier->setEnabled(false);
}

bool TZRVX11Connection::Check(xcb_void_cookie_t aCookie, uint8_t* aError) {
    TZRVX11Reply<xcb_generic_error_t> error(xcb_request_check(fXcb, aCookie));
    ScheduleEvents();
    if (aError)
        *aError = error ? error->error_code : 0;
    return !error && Alive();
}

xcb_get_property_cookie_t TZRVX11Connection::AskProperty(xcb_window_t aWindow, xcb_atom_t aProperty,
                                                         uint32_t aMaxBytes) {
    return xcb_get_property(fXcb, 0, aWindow, aProperty, XCB_GET_PROPERTY_TYPE_ANY, 0, (aMaxBytes + 3) / 4);
}

std::optional<TZRVX11Property> TZRVX11Connection::Property(xcb_get_property_cookie_t aCookie) {
    TZRVX11Reply<xcb_get_property_reply_t> reply = Reply(xcb_get_property_reply, aCookie);
    if (!reply || reply->type == XCB_NONE)
        return std::nullopt;
    TZRVX11Property property;
    property.Type = reply->type;
    property.Format = reply->format;
    const int length = xcb_get_property_value_length(reply.get());
    property.Data = QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
    return property;
}

QList<uint32_t> TZRVX11Connection::ReadCardinals(xcb_window_t aWindow, xcb_atom_t aProperty,
                                                 uint32_t aMaxItems) {
    const std::optional<TZRVX11Property> value = ReadProperty(aWindow, aProperty, aMaxItems * 4);
    return value ? value->Cardinals() : QList<uint32_t>();
}

QString TZRVX11Connection::Text(const TZRVX11Property& aProperty) {
    if (aProperty.Format != 8)
        return QString();
    QByteArray bytes = aProperty.Data;
    // Some programs count the closing zero in.
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    return aProperty.Type == XCB_ATOM_STRING ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes);
}

bool TZRVX11Connection::SetCardinals(xcb_window_t aWindow, xcb_atom_t aProperty, xcb_atom_t aType,
                                     const QList<uint32_t>& aValues) {
    return Check(xcb_change_property_checked(fXcb, XCB_PROP_MODE_REPLACE, aWindow, aProperty, aType, 32,
                                             uint32_t(aValues.size()), aValues.constData()));
}

void TZRVX11Connection::SendToRoot(xcb_window_t aWindow, xcb_atom_t aType,
                                   const std::array<uint32_t, 5>& aData) {
    const xcb_client_message_event_t event = ClientMessage(aWindow, aType, aData);
    xcb_send_event(fXcb, 0, Root(), c_ToWindowManager, reinterpret_cast<const char*>(&event));
    Flush();
}

void TZRVX11Connection::SendToWindow(xcb_window_t aWindow, xcb_atom_t aType,
                                     const std::array<uint32_t, 5>& aData) {
    const xcb_client_message_event_t event = ClientMessage(aWindow, aType, aData);
    xcb_send_event(fXcb, 0, aWindow, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    Flush();
}

bool TZRVX11Connection::Supported(xcb_atom_t aAtom) {
    return ReadCardinals(Root(), fEwmh._NET_SUPPORTED, 4096).contains(aAtom);
}

bool TZRVX11Connection::Exists(xcb_window_t aWindow, bool* aViewable) {
    if (aWindow == XCB_NONE)
        return false;
    TZRVX11Reply<xcb_get_window_attributes_reply_t> attributes =
        Reply(xcb_get_window_attributes_reply, xcb_get_window_attributes(fXcb, aWindow));
    if (aViewable)
        *aViewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    return bool(attributes);
}
