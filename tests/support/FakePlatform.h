#pragma once
// An in-memory desktop for tests, handed to the kernel by the test main before every test: a
// machine of fixed facts, a desktop window, a shell with its task bar, the keyboard switches,
// windows, the input grab, the session manager and the launcher, each scripted by the tests.
// Every request is recorded, in order, as a call text such as "SetDesktopVisible(false)", so
// that tests can check what was asked.

#include "platform/ZRVPlatform.h"

#include <QHash>
#include <QSet>
#include <QStringList>

// Records the calls made to one double.
class TZRVCallLog {
public:
    const QStringList& Calls() const { return fCalls; }
    void ClearCalls() { fCalls.clear(); }

protected:
    void Record(const QString& aCall) const { fCalls.append(aCall); }

private:
    mutable QStringList fCalls;
};

class TZRVFakeMachineFacts : public IZRVMachineFacts {
public:
    QString HostName() override { return QStringLiteral("PC-TEST"); }
    QString UserName() override { return QStringLiteral("client"); }
    int CpuMhz() override { return 2400; }
    uint32_t RamMegabytes() override { return 4096; }
    QString OSystem() override { return QStringLiteral("Debian GNU/Linux 12 (bookworm) [Linux v6.1.0]"); }
};

class TZRVFakeRestrictions : public IZRVRestrictions, public TZRVCallLog {
public:
    bool DesktopVisible() const override { return fDesktopExists && fDesktopVisible; }
    bool SetDesktopVisible(bool aVisible) override;
    bool ShellTrayVisible() const override { return fShellRunning && fShellTrayVisible; }
    bool SetShellTrayVisible(bool aVisible) override;

    bool ShellRunning() const override { return fShellRunning; }
    bool StartShell(const QString& aProgram) override;
    bool TerminateShell() override;

    bool TaskManagerEnabled() const override { return fTaskManagerEnabled; }
    bool SetTaskManagerEnabled(bool aEnabled) override;
    bool StartMenuEnabled() const override { return fStartMenuEnabled; }
    bool SetStartMenuEnabled(bool aEnabled) override;
    bool FastTaskSwitchEnabled() const override { return fFastTaskSwitchEnabled; }
    bool SetFastTaskSwitchEnabled(bool aEnabled) override;
    bool SetKeyboardHookInstalled(bool aInstalled) override;

    // Script and inspect the desktop.
    void SetDesktopExists(bool aValue) { fDesktopExists = aValue; }
    void SetShellRunningState(bool aValue) { fShellRunning = aValue; }
    // A switch that fails makes every request of the keyboard switches fail and change nothing.
    void SetSwitchesFail(bool aValue) { fSwitchesFail = aValue; }
    bool KeyboardHookInstalled() const { return fKeyboardHookInstalled; }

private:
    void Record(const char* aOperation, const QString& aArgument);
    bool Switch(const char* aOperation, bool& aFlag, bool aValue);

    bool fDesktopExists = true;
    bool fDesktopVisible = true;
    bool fShellRunning = true;
    bool fShellTrayVisible = true;
    bool fTaskManagerEnabled = true;
    bool fStartMenuEnabled = true;
    bool fFastTaskSwitchEnabled = true;
    bool fKeyboardHookInstalled = false;
    bool fSwitchesFail = false;
};

// A scripted list of windows. Requests are recorded as "RequestClose(7)", "Activate(7)",
// "TerminateProcess(42)"; a process ends with the result scripted for it (1 by default), and its
// windows leave the list when the result is 1 or 2. Windows answer unless scripted as hung.
class TZRVFakeWindows : public IZRVWindows, public TZRVCallLog {
public:
    // Every field, whatever is asked.
    bool TopLevelWindows(QList<TZRVWindowInfo>& aWindows, int aFields = wfAll) override;
    bool WindowInfo(TZRVWindowHandle aWindow, TZRVWindowInfo& aInfo) override;
    // A 2 by 2 icon of the window's handle as its colour, for every window of the list.
    bool WindowIcon(TZRVWindowHandle aWindow, QSize aSize, TZRVIcon& aIcon) override;
    bool RequestClose(TZRVWindowHandle aWindow) override;
    bool Activate(TZRVWindowHandle aWindow) override;
    void TerminateProcess(qint64 aProcessID, int aTimeoutMs, QObject* aContext,
                          std::function<void(int aResult)> aDone) override;
    void Responding(TZRVWindowHandle aWindow, int aTimeoutMs, QObject* aContext,
                    std::function<void(bool aResponding)> aDone) override;

    void SetWindows(const QList<TZRVWindowInfo>& aWindows) { fWindows = aWindows; }
    void SetTerminateResult(qint64 aProcessID, int aResult) { fTerminateResults[aProcessID] = aResult; }
    void SetHung(TZRVWindowHandle aWindow) { fHung.insert(aWindow); }
    TZRVWindowHandle Active() const { return fActive; }

private:
    const TZRVWindowInfo* Find(TZRVWindowHandle aWindow) const;

    QList<TZRVWindowInfo> fWindows;
    QHash<qint64, int> fTerminateResults;
    QSet<TZRVWindowHandle> fHung;
    TZRVWindowHandle fActive = 0;
};

// The grab is had at once unless the script says another program holds the input.
class TZRVFakeDesktop : public IZRVDesktop, public TZRVCallLog {
public:
    bool GrabInput(TZRVWindowHandle aWindow) override;
    void ReleaseInput() override;
    bool InputGrabbed() const override { return fGrabbedBy != 0; }
    bool ForceForeground(TZRVWindowHandle aWindow) override;
    void MinimizeForeground(TZRVWindowHandle aWindow) override;
    bool ShowDesktop(bool aShow) override;
    bool ShowingDesktop() const override { return fShowingDesktop; }
    bool ReserveScreenEdge(TZRVWindowHandle aWindow, TZRVScreenEdge aEdge, int aThickness) override;
    bool ModifierDown(Qt::KeyboardModifier aModifier) const override {
        return fModifiers.testFlag(aModifier);
    }

    void SetInputHeldElsewhere(bool aValue) { fInputHeldElsewhere = aValue; }
    TZRVWindowHandle GrabbedBy() const { return fGrabbedBy; }
    TZRVWindowHandle Foreground() const { return fForeground; }
    // The strip kept by each window that reserved one.
    QHash<TZRVWindowHandle, int> Reserved() const { return fReserved; }
    void SetModifiers(Qt::KeyboardModifiers aValue) { fModifiers = aValue; }

private:
    bool fInputHeldElsewhere = false;
    bool fShowingDesktop = false;
    TZRVWindowHandle fGrabbedBy = 0;
    TZRVWindowHandle fForeground = 0;
    QHash<TZRVWindowHandle, int> fReserved;
    Qt::KeyboardModifiers fModifiers;
};

// Records "End(Reboot,force)" and "SetEndBlocked(true)"; the session manager refuses when told.
// As the real one, an end without force is refused while our own block holds.
class TZRVFakeSession : public IZRVSession, public TZRVCallLog {
public:
    void End(TZRVSessionEnd aHow, bool aForce, QObject* aContext,
             std::function<void(bool aEnded)> aDone) override;
    void SetEndBlocked(bool aBlocked, const QString& aWhy) override;
    bool EndBlocked() const override { return fBlocked; }

    void SetRefuses(bool aValue) { fRefuses = aValue; }
    const QString& BlockReason() const { return fWhy; }

private:
    bool fRefuses = false;
    bool fBlocked = false;
    QString fWhy;
};

// Records "Start(program a b)" and "Open(target)"; nothing is started. Programs named in
// SetMissing do not start.
class TZRVFakeLauncher : public IZRVLauncher, public TZRVCallLog {
public:
    bool Start(const QString& aProgram, const QStringList& aArguments) override;
    bool Open(const QString& aTarget) override;

    void SetMissing(const QStringList& aPrograms) { fMissing = aPrograms; }

private:
    QStringList fMissing;
};

class TZRVFakePlatform : public TZRVPlatform {
public:
    QString Name() const override { return QStringLiteral("fake"); }
    IZRVMachineFacts& Machine() override { return fMachine; }
    IZRVRestrictions& Restrictions() override { return fRestrictions; }
    IZRVWindows& Windows() override { return fWindows; }
    IZRVDesktop& Desktop() override { return fDesktop; }
    IZRVSession& Session() override { return fSession; }
    IZRVLauncher& Launcher() override { return fLauncher; }

    TZRVFakeRestrictions& FakeRestrictions() { return fRestrictions; }
    TZRVFakeWindows& FakeWindows() { return fWindows; }
    TZRVFakeDesktop& FakeDesktop() { return fDesktop; }
    TZRVFakeSession& FakeSession() { return fSession; }
    TZRVFakeLauncher& FakeLauncher() { return fLauncher; }

private:
    TZRVFakeMachineFacts fMachine;
    TZRVFakeRestrictions fRestrictions;
    TZRVFakeWindows fWindows;
    TZRVFakeDesktop fDesktop;
    TZRVFakeSession fSession;
    TZRVFakeLauncher fLauncher;
};

// The double the test main handed to the kernel for the running test.
TZRVFakePlatform& FakePlatform();
