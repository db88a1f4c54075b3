#pragma once
// An in-memory desktop for tests: a desktop window, a shell with its task bar, and the keyboard
// switches, each a flag that tests can script. Every request is recorded, in order, as a call text
// such as "SetDesktopVisible(false)", so that tests can check what was asked.

#include "platform/ZRVPlatform.h"

#include <QHash>
#include <QStringList>

class TZRVFakeRestrictions : public IZRVRestrictions {
public:
    bool DesktopVisible() const override { return fDesktopExists && fDesktopVisible; }
    bool SetDesktopVisible(bool aVisible) override;
    bool ShellTrayVisible() const override { return fShellRunning && fShellTrayVisible; }
    bool SetShellTrayVisible(bool aVisible) override;

    bool ShellRunning() const override { return fShellRunning; }
    bool StartShell(const QString& aProgram) override;
    bool TerminateShell() override;

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
    bool TaskManagerEnabled() const { return fTaskManagerEnabled; }
    bool KeyboardHookInstalled() const { return fKeyboardHookInstalled; }
    const QStringList& Calls() const { return fCalls; }
    void ClearCalls() { fCalls.clear(); }

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
    QStringList fCalls;
};

// A scripted list of windows. Requests are recorded as "RequestClose(7)", "Activate(7)",
// "TerminateProcess(42)"; a process ends with the result scripted for it (1 by default), and its
// windows leave the list when the result is 1 or 2.
class TZRVFakeWindows : public IZRVWindows {
public:
    bool TopLevelWindows(QList<TZRVWindowInfo>& aWindows) override;
    bool WindowInfo(TZRVWindowHandle aWindow, TZRVWindowInfo& aInfo) override;
    bool RequestClose(TZRVWindowHandle aWindow) override;
    bool Activate(TZRVWindowHandle aWindow) override;
    void TerminateProcess(qint64 aProcessID, int aTimeoutMs, QObject* aContext,
                          std::function<void(int aResult)> aDone) override;

    void SetWindows(const QList<TZRVWindowInfo>& aWindows) { fWindows = aWindows; }
    void SetTerminateResult(qint64 aProcessID, int aResult) { fTerminateResults[aProcessID] = aResult; }
    TZRVWindowHandle Active() const { return fActive; }
    const QStringList& Calls() const { return fCalls; }
    void ClearCalls() { fCalls.clear(); }

private:
    const TZRVWindowInfo* Find(TZRVWindowHandle aWindow) const;

    QList<TZRVWindowInfo> fWindows;
    QHash<qint64, int> fTerminateResults;
    TZRVWindowHandle fActive = 0;
    QStringList fCalls;
};

class TZRVFakePlatform : public TZRVPlatform {
public:
    QString Name() const override { return QStringLiteral("fake"); }
    IZRVRestrictions& Restrictions() override { return fRestrictions; }
    TZRVFakeRestrictions& FakeRestrictions() { return fRestrictions; }
    IZRVWindows& Windows() override { return fWindows; }
    TZRVFakeWindows& FakeWindows() { return fWindows; }

private:
    TZRVFakeRestrictions fRestrictions;
    TZRVFakeWindows fWindows;
};
