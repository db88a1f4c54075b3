#include "XSession.h"

#include "support/EventLoop.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QSysInfo>

#include <cstdlib>
#include <cstring>

namespace zrvtest {

namespace {

constexpr int c_StartMs = 10000;

template <class R> struct TFree {
    void operator()(R* aReply) const { std::free(aReply); }
};
template <class R> using TReply = std::unique_ptr<R, TFree<R>>;

void SetText(xcb_connection_t* aXcb, xcb_window_t aWindow, xcb_atom_t aProperty, xcb_atom_t aType,
             const QByteArray& aText) {
    xcb_change_property(aXcb, XCB_PROP_MODE_REPLACE, aWindow, aProperty, aType, 8, uint32_t(aText.size()),
                        aText.constData());
}

// The keys the fixture binds, with openbox's name of each.
const QList<std::pair<const char*, const char*>> c_FixtureKeys = {{"A-Tab", "alt-tab"},
                                                                  {"Super_L", "super"},
                                                                  {"A-F2", "alt-f2"},
                                                                  {"A-F4", "alt-f4"},
                                                                  {"C-F12", "sentinel"}};

} // namespace

QString MissingXTool() {
    for (const char* tool : {"Xvfb", "openbox", "xdotool", "setxkbmap", "xkbcomp", "dbus-daemon"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            return QLatin1String(tool);
    return QString();
}

// ---------------------------------------------------------------------------------------------
// Probe

TProbe::TProbe(const QStringList& aArguments, const QStringList& aEnvironment) {
    fProcess.setEnvironment(aEnvironment);
    fProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    fProcess.start(QStringLiteral(ZRV_X11_PROBE), aArguments);
}

TProbe::~TProbe() {
    if (fProcess.state() != QProcess::NotRunning) {
        fProcess.kill();
        fProcess.waitForFinished(2000);
    }
}

QStringList TProbe::Lines() {
    while (fProcess.canReadLine())
        fLines.append(QString::fromUtf8(fProcess.readLine()).trimmed());
    return fLines;
}

QList<xcb_window_t> TProbe::Windows(int aCount) {
    QList<xcb_window_t> windows;
    WaitUntil(
        [&] {
            windows.clear();
            for (const QString& line : Lines())
                if (line.startsWith(u"window "))
                    windows.append(xcb_window_t(line.mid(7).toULong()));
            return windows.size() >= aCount;
        },
        c_StartMs);
    return windows;
}

// ---------------------------------------------------------------------------------------------
// Session

TXSession::TXSession(bool aWithWindowManager, const QString& aOpenboxConfig) {
    fHadDisplay = qEnvironmentVariableIsSet("DISPLAY");
    fOldDisplay = qgetenv("DISPLAY");
    if (!StartServer())
        return;
    if (aWithWindowManager)
        StartWindowManager(aOpenboxConfig);
}

TXSession::~TXSession() {
    if (fXcb)
        xcb_disconnect(fXcb);
    for (QProcess* p : {&fWindowManager, &fServer})
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(3000)) {
                p->kill();
                p->waitForFinished(1000);
            }
        }
    if (fHadDisplay)
        qputenv("DISPLAY", fOldDisplay);
    else
        qunsetenv("DISPLAY");
}

bool TXSession::StartServer() {
    const QString missing = MissingXTool();
    if (!missing.isEmpty()) {
        fError = QStringLiteral("%1 is missing: run scripts/bootstrap").arg(missing);
        return false;
    }
    // Xvfb picks a free display itself and names it on the descriptor given.
    fServer.start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!WaitUntil([this] { return fServer.canReadLine() || fServer.state() == QProcess::NotRunning; },
                   c_StartMs) ||
        !fServer.canReadLine()) {
        fError =
            QStringLiteral("Xvfb did not start: ") + QString::fromLocal8Bit(fServer.readAllStandardError());
        return false;
    }
    fDisplay = u':' + QString::fromLatin1(fServer.readLine()).trimmed();
    qputenv("DISPLAY", fDisplay.toLatin1());
    fXcb = xcb_connect(fDisplay.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(fXcb)) {
        fError = QStringLiteral("cannot connect to Xvfb on ") + fDisplay;
        return false;
    }
    return true;
}

QString TXSession::FixtureConfig(bool aOurs, bool aStartMenuKeys) const {
    QString keys;
    for (const auto& [key, name] : c_FixtureKeys)
        if (aStartMenuKeys || (qstrcmp(name, "super") != 0 && qstrcmp(name, "alt-f2") != 0))
            keys += QStringLiteral(
                        "    <keybind key=\"%1\"><action name=\"Execute\"><command>sh -c 'echo x &gt;&gt; %2'"
                        "</command></action></keybind>\n")
                        .arg(QLatin1String(key), MarkerFile(QLatin1String(name)));
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") +
           (aOurs ? QStringLiteral("<!-- zrv2-session: the test fixture's window manager -->\n")
                  : QString()) +
           QStringLiteral("<openbox_config xmlns=\"http://openbox.org/3.4/rc\">\n"
                          "  <desktops><number>1</number></desktops>\n"
                          "  <keyboard>\n") +
           keys + QStringLiteral("  </keyboard>\n  <mouse></mouse>\n</openbox_config>\n");
}

int TXSession::Markers(const QString& aKey) const {
    QFile file(MarkerFile(aKey));
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
}

bool TXSession::StartWindowManager(const QString& aConfig) {
    QFile config(OpenboxConfig());
    if (!config.open(QIODevice::WriteOnly) ||
        config.write((aConfig.isEmpty() ? FixtureConfig() : aConfig).toUtf8()) < 0) {
        fError = QStringLiteral("cannot write the openbox configuration");
        return false;
    }
    config.close();
    fWindowManager.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    fWindowManager.start(QStringLiteral("openbox"),
                         {QStringLiteral("--sm-disable"), QStringLiteral("--config-file"), OpenboxConfig()});
    return WaitForWindowManager();
}

// Openbox has taken the keys of its configuration once it answers a request after reading it;
// while it starts it may drop requests, so the request is repeated until answered.
bool TXSession::WaitForWindowManager() {
    if (!WaitUntil([this] { return !Property(Root(), "_OB_CONFIG_FILE").isEmpty(); }, c_StartMs)) {
        fError = QStringLiteral("openbox did not start");
        return false;
    }
    const xcb_window_t probe = xcb_generate_id(fXcb);
    xcb_create_window(fXcb, XCB_COPY_FROM_PARENT, probe, Root(), 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_client_message_event_t request;
    std::memset(&request, 0, sizeof request);
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = probe;
    request.type = Atom("_NET_REQUEST_FRAME_EXTENTS");
    const bool ready = WaitUntil(
        [&] {
            xcb_send_event(fXcb, 0, Root(),
                           XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                           reinterpret_cast<const char*>(&request));
            xcb_flush(fXcb);
            RunEventsFor(20);
            return !Cardinals(probe, "_NET_FRAME_EXTENTS").isEmpty();
        },
        c_StartMs);
    xcb_destroy_window(fXcb, probe);
    xcb_flush(fXcb);
    if (!ready)
        fError = QStringLiteral("openbox did not answer");
    return ready;
}

bool TXSession::Run(const QString& aProgram, const QStringList& aArguments, QByteArray* aOutput) {
    QProcess process;
    process.setProcessChannelMode(aOutput ? QProcess::ForwardedErrorChannel : QProcess::ForwardedChannels);
    process.start(aProgram, aArguments);
    const bool ended = WaitUntil([&] { return process.state() == QProcess::NotRunning; }, c_StartMs);
    if (aOutput)
        *aOutput = process.readAllStandardOutput();
    return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QByteArray TXSession::Keymap() {
    QByteArray keymap;
    Run(QStringLiteral("xkbcomp"), {QStringLiteral("-xkb"), fDisplay, QStringLiteral("-")}, &keymap);
    return keymap;
}

std::unique_ptr<TProbe> TXSession::Probe(const QStringList& aArguments) {
    return std::make_unique<TProbe>(aArguments, Environment());
}

QStringList TXSession::Environment() const {
    return QProcessEnvironment::systemEnvironment().toStringList();
}

bool TXSession::Alive() {
    if (!fXcb || xcb_connection_has_error(fXcb))
        return false;
    TReply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(fXcb, xcb_get_input_focus(fXcb), nullptr));
    return focus != nullptr;
}

xcb_window_t TXSession::Root() const {
    return xcb_setup_roots_iterator(xcb_get_setup(fXcb)).data->root;
}

xcb_atom_t TXSession::Atom(const char* aName) const {
    TReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(fXcb, xcb_intern_atom(fXcb, 0, uint16_t(std::strlen(aName)), aName), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

QByteArray TXSession::Property(xcb_window_t aWindow, const char* aProperty) const {
    TReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        fXcb, xcb_get_property(fXcb, 0, aWindow, Atom(aProperty), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
        nullptr));
    if (!reply)
        return QByteArray();
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

QList<uint32_t> TXSession::Cardinals(xcb_window_t aWindow, const char* aProperty) const {
    const QByteArray bytes = Property(aWindow, aProperty);
    QList<uint32_t> items(bytes.size() / 4);
    if (items.isEmpty())
        return items; // nothing to copy, and no storage to copy into
    std::memcpy(items.data(), bytes.constData(), size_t(items.size()) * 4);
    return items;
}

bool TXSession::Viewable(xcb_window_t aWindow) const {
    TReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(fXcb, xcb_get_window_attributes(fXcb, aWindow), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

xcb_window_t TXSession::OwnWindow(const QString& aTitle, TWindowState aState) {
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(fXcb)).data;
    const xcb_window_t w = xcb_generate_id(fXcb);
    const uint32_t values[] = {screen->black_pixel, XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_BUTTON_PRESS};
    xcb_create_window(fXcb, XCB_COPY_FROM_PARENT, w, Root(), 0, 0, 300, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    const uint32_t pid = uint32_t(QCoreApplication::applicationPid());
    xcb_change_property(fXcb, XCB_PROP_MODE_REPLACE, w, Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
    SetText(fXcb, w, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, QSysInfo::machineHostName().toLatin1());
    SetText(fXcb, w, Atom("_NET_WM_NAME"), Atom("UTF8_STRING"), aTitle.toUtf8());
    SetText(fXcb, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, QByteArray("zrvtest\0ZrvTest\0", 16));
    if (aState != wsNormal) {
        const xcb_atom_t states[] = {
            Atom(aState == wsFullScreen ? "_NET_WM_STATE_FULLSCREEN" : "_NET_WM_STATE_MAXIMIZED_VERT"),
            Atom(aState == wsFullScreen ? "_NET_WM_STATE_ABOVE" : "_NET_WM_STATE_MAXIMIZED_HORZ")};
        xcb_change_property(fXcb, XCB_PROP_MODE_REPLACE, w, Atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 2,
                            states);
    }
    xcb_map_window(fXcb, w);
    xcb_flush(fXcb);
    WaitUntil([&] { return Viewable(w); }, c_StartMs);
    return w;
}

QStringList TXSession::OwnEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(fXcb)) {
        const uint8_t type = event->response_type & 0x7F;
        if (type == XCB_KEY_PRESS)
            fOwnEvents.append(
                QStringLiteral("key %1").arg(reinterpret_cast<xcb_key_press_event_t*>(event)->detail));
        else if (type == XCB_BUTTON_PRESS)
            fOwnEvents.append(
                QStringLiteral("button %1").arg(reinterpret_cast<xcb_button_press_event_t*>(event)->detail));
        std::free(event);
    }
    return fOwnEvents;
}

} // namespace zrvtest
