#pragma once
// A private X session for the tests and benchmarks: Xvfb on a free display with openbox, started
// by the fixture, and the programs the tests own on it. DISPLAY points at it while it runs, so
// nothing ever reaches the developer's own display.

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <memory>
#include <optional>

namespace zrvtest {

// What the X tests need; the first missing program, empty when all are there.
QString MissingXTool();

// One program of ours on the X session (the probe), with the lines it reported.
class TProbe {
public:
    TProbe(const QStringList& aArguments, const QStringList& aEnvironment);
    ~TProbe();

    qint64 Pid() const { return fProcess.processId(); }
    // The windows it mapped, in order; waits for the first aCount of them.
    QList<xcb_window_t> Windows(int aCount = 1);
    xcb_window_t Window() { return Windows(1).value(0); }
    // Every line it printed so far.
    QStringList Lines();
    bool Reported(const QString& aLine) { return Lines().contains(aLine); }
    bool Running() const { return fProcess.state() != QProcess::NotRunning; }
    QProcess& Process() { return fProcess; }

private:
    QProcess fProcess;
    QStringList fLines;
};

class TXSession {
public:
    // Starts Xvfb and, unless told not to, openbox with aOpenboxConfig (the fixture's own when
    // empty). Check Error() afterwards.
    explicit TXSession(bool aWithWindowManager = true, const QString& aOpenboxConfig = QString());
    ~TXSession();

    // Why the session could not start; empty when it runs.
    const QString& Error() const { return fError; }
    QString Display() const { return fDisplay; }
    // A file of the session's own temporary folder.
    QString File(const QString& aName) const { return fDir.filePath(aName); }
    QString OpenboxConfig() const { return File(QStringLiteral("rc.xml")); }

    // The fixture's openbox configuration: Alt+Tab, the Windows key, Alt+F2, Alt+F4 and Ctrl+F12
    // each append a line to a marker file (MarkerFile), and the configuration is ours to rewrite
    // unless aOurs is false. Without aStartMenuKeys the Windows key and Alt+F2 are left unbound.
    QString FixtureConfig(bool aOurs = true, bool aStartMenuKeys = true) const;
    QString MarkerFile(const QString& aKey) const { return File(QStringLiteral("marker-") + aKey); }
    // How many times the key's binding ran.
    int Markers(const QString& aKey) const;

    // Starts openbox on the session (when started without it).
    bool StartWindowManager(const QString& aConfig = QString());
    // Runs a program of the X tools (xdotool, setxkbmap) on the session and waits for its end;
    // what it printed in aOutput.
    bool Run(const QString& aProgram, const QStringList& aArguments, QByteArray* aOutput = nullptr);
    // Presses keys as a customer would (xdotool's names: "alt+Tab", "super", "ctrl+alt+F2").
    bool Key(const QString& aKeys) { return Run(QStringLiteral("xdotool"), {QStringLiteral("key"), aKeys}); }
    // The keymap as xkbcomp writes it.
    QByteArray Keymap();
    // Adds the server-kill key (Ctrl+Alt+Backspace) to the keymap.
    bool AddZapKey() {
        return Run(QStringLiteral("setxkbmap"),
                   {QStringLiteral("-option"), QStringLiteral("terminate:ctrl_alt_bksp")});
    }
    // Starts the probe with aArguments.
    std::unique_ptr<TProbe> Probe(const QStringList& aArguments);
    // The environment the session's programs run with.
    QStringList Environment() const;
    bool Alive();

    // A connection of the test itself, for windows of its own and to look at properties.
    xcb_connection_t* Xcb() const { return fXcb; }
    xcb_window_t Root() const;
    xcb_atom_t Atom(const char* aName) const;
    // A window of the test process (its _NET_WM_PID is ours); mapped, shown full screen above all
    // others or maximised when asked.
    enum TWindowState { wsNormal, wsFullScreen, wsMaximized };
    xcb_window_t OwnWindow(const QString& aTitle, TWindowState aState = wsNormal);
    // The bytes of a property of aWindow, and its 32-bit items.
    QByteArray Property(xcb_window_t aWindow, const char* aProperty) const;
    QList<uint32_t> Cardinals(xcb_window_t aWindow, const char* aProperty) const;
    bool Viewable(xcb_window_t aWindow) const;
    xcb_window_t ActiveWindow() const { return Cardinals(Root(), "_NET_ACTIVE_WINDOW").value(0); }
    // The key and button presses our own windows received, as "key <code>" and "button <n>".
    QStringList OwnEvents();

private:
    bool StartServer();
    bool WaitForWindowManager();

    QTemporaryDir fDir;
    QProcess fServer;
    QProcess fWindowManager;
    QString fDisplay;
    QString fError;
    QByteArray fOldDisplay;
    bool fHadDisplay = false;
    xcb_connection_t* fXcb = nullptr;
    QStringList fOwnEvents;
};

} // namespace zrvtest
