#pragma once
// The platform layer: everything the kernel asks of the operating system, one interface per
// concern. A program hands the kernel its backend once, at start (the workstation program the X11
// backend of its desktop session, the tests their doubles); until then, and in programs that hand
// none, the kernel works with `none`: real machine facts and program launching, no desktop at all.
// A backend never reports success it did not have.

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QLoggingCategory>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcZRVPlatform)

// Calls aDone(aValue) later on the event loop, unless aContext is gone by then (without a context,
// while the application runs); nothing when aDone is empty.
template <class T> void AnswerLater(QObject* aContext, std::function<void(T)> aDone, T aValue) {
    if (!aDone)
        return;
    QObject* context = aContext ? aContext : QCoreApplication::instance();
    QTimer::singleShot(0, context, [aDone = std::move(aDone), aValue] { aDone(aValue); });
}

// What the machine is: the record a workstation describes itself with.
class IZRVMachineFacts {
public:
    virtual ~IZRVMachineFacts() = default;
    // The host name; empty when it cannot be read.
    virtual QString HostName() = 0;
    // The name of the user running the process; empty when unknown.
    virtual QString UserName() = 0;
    // The processor clock in MHz; -1 when the system does not tell.
    virtual int CpuMhz() = 0;
    // Physical memory in megabytes; 0 when unknown.
    virtual uint32_t RamMegabytes() = 0;
    // "<distribution> [Linux v<kernel release>]".
    virtual QString OSystem() = 0;
};

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

    // The keys that leave the session or reach a task manager (Ctrl+Alt+Del and the like, and the
    // display server's own escapes: switching to a text console, killing the display server).
    virtual bool TaskManagerEnabled() const = 0;
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
    // The owning process on this machine; 0 when the window does not tell, or belongs to a program
    // running on another machine.
    qint64 ProcessID = 0;
    // Shown to the user, minimised included.
    bool Visible = false;
    // The window it belongs to (a dialog's main window); 0 for none or the desktop.
    TZRVWindowHandle Owner = 0;
    // A tool window (palette, tear-off) and whether it asks to be listed with the applications anyway.
    bool ToolWindow = false;
    bool AppWindow = false;
    bool Minimized = false;
};

// A window's icon as 32-bit ARGB pixels, row by row; empty when the window has none.
struct TZRVIcon {
    QSize Size;
    QList<quint32> Pixels;
};

// What a listing of windows reads of each; the other fields keep their defaults. Reading less
// costs less on desktops with many windows.
enum TZRVWindowField {
    wfCaption = 0x1,
    wfClassName = 0x2,
    wfProcessID = 0x4,
    // Visible, Owner, ToolWindow, AppWindow, Minimized.
    wfState = 0x8,
    wfAll = 0xF
};

// The desktop's windows and the processes behind them.
class IZRVWindows {
public:
    virtual ~IZRVWindows() = default;

    // The top-level windows in stacking order, the topmost first; false when they cannot be listed.
    virtual bool TopLevelWindows(QList<TZRVWindowInfo>& aWindows, int aFields = wfAll) = 0;
    // One window's description; false when there is no such window.
    virtual bool WindowInfo(TZRVWindowHandle aWindow, TZRVWindowInfo& aInfo) = 0;
    // The window's icon closest to aSize; false when it has none.
    virtual bool WindowIcon(TZRVWindowHandle aWindow, QSize aSize, TZRVIcon& aIcon) = 0;
    // Asks the window to close as its close button would (the application may still ask the user).
    virtual bool RequestClose(TZRVWindowHandle aWindow) = 0;
    // Raises the window (restoring it when minimised) and gives it the focus.
    virtual bool Activate(TZRVWindowHandle aWindow) = 0;
    // Ends a process: asks its windows to close, gives it aTimeoutMs, then kills it. aDone is called
    // later on the event loop (never once aContext is gone) with 0 when nothing could be done (our
    // own process, no such process, no right to end it), 1 when it closed by itself, 2 when killed.
    virtual void TerminateProcess(qint64 aProcessID, int aTimeoutMs, QObject* aContext,
                                  std::function<void(int aResult)> aDone) = 0;
    // Whether the application behind the window answers within aTimeoutMs; a window that cannot be
    // asked counts as answering. aDone is called later on the event loop, as above.
    virtual void Responding(TZRVWindowHandle aWindow, int aTimeoutMs, QObject* aContext,
                            std::function<void(bool aResponding)> aDone) = 0;
};

// Where a dock window stands on the screen.
enum class TZRVScreenEdge { Top, Bottom, Left, Right };

// The input and the screen of the desktop session as our own windows need them.
class IZRVDesktop {
public:
    virtual ~IZRVDesktop() = default;

    // Holds the keyboard and the pointer for aWindow, so that nothing else receives input; while
    // another program holds them the backend retries on the event loop until it gets them or
    // ReleaseInput is called. Whether the grab is held now.
    virtual bool GrabInput(TZRVWindowHandle aWindow) = 0;
    virtual void ReleaseInput() = 0;
    virtual bool InputGrabbed() const = 0;
    // Brings the window to the front and gives it the focus; whether it has the focus.
    virtual bool ForceForeground(TZRVWindowHandle aWindow) = 0;
    // Minimises the window that has the focus unless it is aWindow or belongs to our own process.
    virtual void MinimizeForeground(TZRVWindowHandle aWindow) = 0;
    // Asks the window manager to show the desktop (every application window minimised) or to give
    // the windows back; false when there is none to ask. The window manager answers later:
    // ShowingDesktop says what holds.
    virtual bool ShowDesktop(bool aShow) = 0;
    virtual bool ShowingDesktop() const = 0;
    // Makes aWindow a dock at aEdge that keeps aThickness pixels of the screen for itself (0 gives
    // the strip back); maximised windows leave the strip free.
    virtual bool ReserveScreenEdge(TZRVWindowHandle aWindow, TZRVScreenEdge aEdge, int aThickness) = 0;
    // Whether the modifier key is held down now (Qt::ControlModifier, ShiftModifier, AltModifier).
    virtual bool ModifierDown(Qt::KeyboardModifier aModifier) const = 0;
};

// How the session of the workstation's user ends.
enum class TZRVSessionEnd { LogOff, Reboot, PowerOff };

// The user's session as the session manager sees it.
class IZRVSession {
public:
    virtual ~IZRVSession() = default;

    // Ends the session. Without aForce, our own block (below) refuses it as it refuses anyone;
    // aForce lifts our block first. aDone is called later on the event loop (never once aContext is
    // gone) with true when the session manager took the request, false when it refused it (the
    // system's answer: no right, another program's block) or cannot be asked here.
    virtual void End(TZRVSessionEnd aHow, bool aForce, QObject* aContext,
                     std::function<void(bool aEnded)> aDone) = 0;
    // Asks the session manager to refuse the system's reboot and power-off (and ours without
    // aForce) while the block is held; aWhy is shown to the user who tries. Lifting is immediate;
    // the block holds once the session manager granted it: EndBlocked says what holds.
    virtual void SetEndBlocked(bool aBlocked, const QString& aWhy) = 0;
    virtual bool EndBlocked() const = 0;
};

// Starting programs and opening documents and addresses.
class IZRVLauncher {
public:
    virtual ~IZRVLauncher() = default;

    // Starts aProgram with aArguments, detached from us; whether it started.
    virtual bool Start(const QString& aProgram, const QStringList& aArguments) = 0;
    // Opens a file, folder or address with the desktop's default handler; whether it was handed on.
    virtual bool Open(const QString& aTarget) = 0;
};

// One backend: the interfaces of every concern it serves.
class TZRVPlatform {
public:
    virtual ~TZRVPlatform() = default;
    // "x11", "none", or the name of a test double.
    virtual QString Name() const = 0;
    virtual IZRVMachineFacts& Machine() = 0;
    virtual IZRVRestrictions& Restrictions() = 0;
    virtual IZRVWindows& Windows() = 0;
    virtual IZRVDesktop& Desktop() = 0;
    virtual IZRVSession& Session() = 0;
    virtual IZRVLauncher& Launcher() = 0;
};

// The backend handed to the kernel, or `none` when none was.
TZRVPlatform& Platform();
// Hands the kernel its backend; the one before is destroyed. Call it before any kernel object that
// uses the platform exists (at start, or at the start of a test).
void SetPlatform(std::unique_ptr<TZRVPlatform> aPlatform);
