#pragma once
// Workstation control: the list of running applications (one entry per main application window)
// that the task bar and the server use to list, activate and close them, and the restriction service that
// locks the desktop session down while the lock screen is shown and applies the café's restrictions while a
// session runs. It acts through the platform layer's restrictions and keeps the shell program and the task
// manager policy in the settings store.

#include "ZRVCommon.h"
#include "platform/ZRVPlatform.h"

class IZRVRestrictions;

// Where the shell program and the task manager policy are kept.
inline const QString c_WinLogonKey =
    QStringLiteral("\\Software\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon");
inline const QString c_WinLogonShell = QStringLiteral("Shell");
inline const QString c_WinLogonAutoRestartShell = QStringLiteral("AutoRestartShell");
inline const QString c_SystemPoliciesKey =
    QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System");
inline const QString c_DisableTaskMgr = QStringLiteral("DisableTaskMgr");
inline const QString c_ExplorerShell = QStringLiteral("Explorer.exe");

class TZRVLockWindows : public QObject {
    Q_OBJECT
public:
    // Uses the process's platform backend.
    explicit TZRVLockWindows(QObject* aOwner = nullptr);
    TZRVLockWindows(IZRVRestrictions& aBackend, QObject* aOwner = nullptr);
    // Leaves the shell set to restart by itself and removes the keyboard filter.
    ~TZRVLockWindows() override;

    // Hides the desktop and the task bar and disables the task manager keys, task switching and the
    // start menu. True when afterwards the desktop and the task bar are hidden and the task manager
    // keys and task switching are disabled.
    bool LockAll();
    // The same steps the other way; true when all four show or are enabled.
    bool UnLockAll();

    bool GetDesktopVisible() const;
    void SetDesktopVisible(bool Value);
    bool GetShellTrayWindowVisible() const;
    void SetShellTrayWindowVisible(bool Value);
    // The task manager policy: true unless the store holds a non-zero "DisableTaskMgr".
    bool GetCtrlAltDelEnabled() const;
    void SetCtrlAltDelEnabled(bool Value);
    // Whether the desktop shell runs: a panel of the desktop (a dock window not ours) is there.
    bool GetExplorerEnabled() const;
    // Enabling (or disabling without a shell program set) writes the panel command of the client
    // configuration as the shell and starts it, when no panel runs; disabling writes ShellProcess
    // (the workstation program) as the shell and ends the running panel.
    void SetExplorerEnabled(bool Value);
    bool FaskTaskSwitchEnabled() const { return fFaskTaskSwitchEnabled; }
    void SetFaskTaskSwitchEnabled(bool Value);
    bool GetStartMenuEnabled() const;
    void SetStartMenuEnabled(bool Value);
    const QString& ShellProcess() const { return fShellProcess; }
    // Stores the program only; nothing is written until the shell is switched.
    void SetShellProcess(const QString& Value) { fShellProcess = Value; }

protected:
    // The last state of the task manager keys that was fully applied.
    bool fCtrlAltDelEnabled = true;
    bool fFaskTaskSwitchEnabled = false;
    QString fShellProcess;

private:
    bool ApplyAll(bool aEnabled);
    // The store holds fCtrlAltDelEnabled as this object last wrote or found it.
    bool fPolicyStored = false;
    void WriteShell(const QString& aProgram);

    IZRVRestrictions& fBackend;
};

// The same service with its state published as properties.
class TZRVWinRestrictions : public TZRVLockWindows {
    Q_OBJECT
    Q_PROPERTY(bool DesktopVisible READ GetDesktopVisible WRITE SetDesktopVisible)
    Q_PROPERTY(bool ShellTrayWindowVisible READ GetShellTrayWindowVisible WRITE SetShellTrayWindowVisible)
    Q_PROPERTY(bool CtrlAltDelEnabled READ GetCtrlAltDelEnabled WRITE SetCtrlAltDelEnabled)
    Q_PROPERTY(bool ExplorerEnabled READ GetExplorerEnabled WRITE SetExplorerEnabled)
    Q_PROPERTY(bool FaskTaskSwitchEnabled READ FaskTaskSwitchEnabled WRITE SetFaskTaskSwitchEnabled)
    Q_PROPERTY(bool StartMenuEnabled READ GetStartMenuEnabled WRITE SetStartMenuEnabled)
    Q_PROPERTY(QString ShellProcess READ ShellProcess WRITE SetShellProcess)
public:
    using TZRVLockWindows::TZRVLockWindows;
};

// ---------------------------------------------------------------------------------------------
// Running applications

// Whether a window is a main application window: visible, without an owner, and not a tool window
// unless it also asks to be listed with the applications.
bool IsMainAppWindow(const TZRVWindowInfo& aWindow);

// The sizes of the large and the small icons.
constexpr int c_LargeIconSize = 32;
constexpr int c_SmallIconSize = 16;

// The window's icon closest to the large or the small size; empty when it has none.
TZRVIcon GetWindowIcon(TZRVWindowHandle aWindow, bool aBig);
// The window's title and its class (lower-cased); empty when there is no such window.
QString GetWindowCaption(TZRVWindowHandle aWindow);
QString GetWindowClassName(TZRVWindowHandle aWindow);
// Whether the application behind the window answers within aTimeoutMs; aDone is called later on the
// event loop (never once aContext is gone).
void IsWindowResponding(TZRVWindowHandle aWindow, int aTimeoutMs, QObject* aContext,
                        std::function<void(bool)> aDone);
// Closing an application: its windows are asked to close, it is given aTimeoutMs, then killed.
// aDone is called later on the event loop with 0 when nothing could be done (our own process, no
// such process or window, no right to end it), 1 when it closed by itself, 2 when it was killed.
void TerminateApp(qint64 aProcessID, int aTimeoutMs, QObject* aContext, std::function<void(int)> aDone);
// The same for the application of a window (0 when the window names no process of this machine).
void TerminateTask(TZRVWindowHandle aWindow, int aTimeoutMs, QObject* aContext,
                   std::function<void(int)> aDone);

// One running application: its main window as it was when the entry was made.
class TZRVTaskEx {
public:
    TZRVTaskEx(IZRVWindows& aWindows, TZRVWindowHandle aWindow);

    const QString& Caption() const { return fCaption; }
    TZRVWindowHandle WindowHandle() const { return fWindowHandle; }
    qint64 ProcessID() const { return fProcessID; }
    // A different handle reads that window's caption and process.
    void SetWindowHandle(TZRVWindowHandle aValue);
    void SetCaption(const QString& aValue) { fCaption = aValue; }
    void SetProcessID(qint64 aValue) { fProcessID = aValue; }

    bool Activate();
    TZRVIcon GetTaskIcon(bool aBig) const;
    // Ends the application (never this program): aDone(true) when it closed or was killed.
    void Terminate(int aTimeoutMs, QObject* aContext, std::function<void(bool)> aDone);

private:
    IZRVWindows& fWindows;
    QString fCaption;
    TZRVWindowHandle fWindowHandle = 0;
    qint64 fProcessID = 0;
};

class TZRVTaskListEx;
// Lists the main application windows into aList (its Refresh).
bool GetTasksList(TZRVTaskListEx& aList);

class TZRVTaskListEx {
public:
    static constexpr int c_DefaultHungTimeout = 500;

    // Uses the process's platform backend unless given one.
    TZRVTaskListEx();
    explicit TZRVTaskListEx(IZRVWindows& aWindows) : fWindows(aWindows) {}
    virtual ~TZRVTaskListEx() = default;

    // Lists the main application windows in stacking order; false when they cannot be listed.
    bool Refresh();
    int Count() const { return int(fTasks.size()); }
    TZRVTaskEx* Tasks(int Index) const;

    // The first entry of that process or window; false when there is none.
    bool ActivateByProcessId(qint64 aProcessID);
    bool ActivateByWindowHAndle(TZRVWindowHandle aWindow);
    void TerminateByProcessId(qint64 aProcessID, QObject* aContext, std::function<void(bool)> aDone);
    void TerminateByWindowHandle(TZRVWindowHandle aWindow, QObject* aContext,
                                 std::function<void(bool)> aDone);

    int HungTimeout() const { return fHungTimeout; }
    void SetHungTimeout(int aMSecs) { fHungTimeout = aMSecs; }
    IZRVWindows& Windows() const { return fWindows; }

private:
    template <class Match> TZRVTaskEx* Find(Match aMatch) const;
    void Terminate(TZRVTaskEx* aTask, QObject* aContext, std::function<void(bool)> aDone);

    IZRVWindows& fWindows;
    std::vector<std::unique_ptr<TZRVTaskEx>> fTasks;
    int fHungTimeout = c_DefaultHungTimeout;
};

class TZRVSystemEx : public TZRVTaskListEx {
public:
    using TZRVTaskListEx::TZRVTaskListEx;
};
