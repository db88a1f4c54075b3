#pragma once
// The platform layer: what the kernel asks of the operating system, one interface per concern,
// and the factory that picks the backend once per process from ZRV_PLATFORM:
//   x11   the desktop session of the X server (the default when DISPLAY is set);
//   fake  an in-memory desktop that records what it was asked (tests);
//   none  no desktop at all: every feature is unavailable, said once in the log.
// A backend never reports success it did not have.

#include <QLoggingCategory>
#include <QString>

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

// One backend: the interfaces of every concern it serves.
class TZRVPlatform {
public:
    virtual ~TZRVPlatform() = default;
    // "x11", "fake" or "none".
    virtual QString Name() const = 0;
    virtual IZRVRestrictions& Restrictions() = 0;
};

// The backend name asked for by the environment: ZRV_PLATFORM, else "x11" when DISPLAY is set,
// else "none".
QString PlatformNameFromEnvironment();
// A new backend of that name; a name that is unknown or not built gives "none", with a log line.
std::unique_ptr<TZRVPlatform> CreatePlatform(const QString& aName);
// The process's backend, created from the environment on first use and kept until exit.
TZRVPlatform& Platform();
