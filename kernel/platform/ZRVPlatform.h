#pragma once
// The platform layer: what the kernel asks of the operating system, one interface per concern,
// and the factory that picks the backend once per process from ZRV_PLATFORM:
//   x11   the desktop session of the X server (the default when DISPLAY is set);
//   fake  an in-memory desktop that records what it was asked (tests);
//   none  no desktop at all: every feature is unavailable, said once in the log.
// A backend never reports success it did not have.

#include <QList>
#include <QLoggingCategory>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcZRVPlatform)

// Restrictions of the desktop session while the workstation is locked or a session runs. Setters
// return whether the session is now in the asked state; getters report the actual state.
class IZRVRestrictions {
public:
    virtual ~IZRVRestrictions() = default;

    // The desktop window (icons and background) and the shell's task bar; false when there is none.
    virtual bool DesktopVisible() const = 0;
    virtual bool SetDesktopVisible(bool aVisible) = 0;
    virtual bool ShellTrayVisible() const = 0;
    virtual bool SetShellTrayVisible(bool aVisible) = 0;

    // The desktop shell: whether it runs (its task bar exists), starting it, and ending the process
    // that owns its task bar (never our own).
    virtual bool ShellRunning() const = 0;
    virtual bool StartShell(const QString& aProgram) = 0;
    virtual bool TerminateShell() = 0;

    // The keys that leave the session or reach a task manager (Ctrl+Alt+Del and the like).
    virtual bool SetTaskManagerEnabled(bool aEnabled) = 0;
    // The start menu key and task switching (Alt+Tab).
    virtual bool StartMenuEnabled() const = 0;
    virtual bool SetStartMenuEnabled(bool aEnabled) = 0;
    virtual bool FastTaskSwitchEnabled() const = 0;
    virtual bool SetFastTaskSwitchEnabled(bool aEnabled) = 0;
    // The keyboard filter held while the restriction service lives.
    virtual bool SetKeyboardHookInstalled(bool aInstalled) = 0;
};

// A top-level window of the desktop session.
using TZRVWindowHandle = quint32;

struct TZRVWindowInfo {
    TZRVWindowHandle Handle = 0;
    QString Caption;
    // Lower-cased.
    QString ClassName;
    // The owning process; 0 when the window does not tell.
    qint64 ProcessID = 0;
    bool Visible = false;
    // The window it belongs to (a dialog's main window); 0 for none or the desktop.
    TZRVWindowHandle Owner = 0;
    // A tool window (palette, tear-off) and whether it asks to be listed with the applications anyway.
    bool ToolWindow = false;
    bool AppWindow = false;
};

// The desktop's windows and the processes behind them.
class IZRVWindows {
public:
    virtual ~IZRVWindows() = default;

    // The top-level windows in stacking order; false when they cannot be listed.
    virtual bool TopLevelWindows(QList<TZRVWindowInfo>& aWindows) = 0;
    // One window's description; false when there is no such window.
    virtual bool WindowInfo(TZRVWindowHandle aWindow, TZRVWindowInfo& aInfo) = 0;
    // Asks the window to close as its close button would (the application may still ask the user).
    virtual bool RequestClose(TZRVWindowHandle aWindow) = 0;
    // Raises the window (restoring it when minimised) and gives it the focus.
    virtual bool Activate(TZRVWindowHandle aWindow) = 0;
    // Ends a process: asks its windows to close, gives it aTimeoutMs, then kills it. aDone is called
    // later on the event loop (never once aContext is gone) with 0 when nothing could be done (our
    // own process, no such process, no right to end it), 1 when it closed by itself, 2 when killed.
    virtual void TerminateProcess(qint64 aProcessID, int aTimeoutMs, QObject* aContext,
                                  std::function<void(int aResult)> aDone) = 0;
};

// One backend: the interfaces of every concern it serves.
class TZRVPlatform {
public:
    virtual ~TZRVPlatform() = default;
    // "x11", "fake" or "none".
    virtual QString Name() const = 0;
    virtual IZRVRestrictions& Restrictions() = 0;
    virtual IZRVWindows& Windows() = 0;
};

// The backend name asked for by the environment: ZRV_PLATFORM, else "x11" when DISPLAY is set,
// else "none".
QString PlatformNameFromEnvironment();
// A new backend of that name; a name that is unknown or not built gives "none", with a log line.
std::unique_ptr<TZRVPlatform> CreatePlatform(const QString& aName);
// The process's backend, created from the environment on first use and kept until exit.
TZRVPlatform& Platform();
