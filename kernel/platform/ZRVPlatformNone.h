#pragma once
// The backend of a machine without a desktop session: there is no desktop, task bar or shell to
// act on. Asking to lock something down fails, and the first such request of each feature is
// logged; asking to lift a restriction succeeds, as nothing is restricted. The machine's facts
// and program launching are real.

#include "ZRVPlatform.h"
#include "posix/ZRVPosix.h"

#include <QSet>

// Logs, the first time only for each feature, that it cannot be had without a desktop session.
class TZRVUnavailable {
public:
    // False, after the log line of the first call for aFeature.
    bool operator()(const char* aFeature);

private:
    QSet<QString> fReported;
};

class TZRVNoneRestrictions : public IZRVRestrictions {
public:
    bool DesktopVisible() const override { return false; }
    bool SetDesktopVisible(bool aVisible) override;
    bool ShellTrayVisible() const override { return false; }
    bool SetShellTrayVisible(bool aVisible) override;

    bool ShellRunning() const override { return false; }
    bool StartShell(const QString& aProgram) override;
    bool TerminateShell() override { return true; }

    bool TaskManagerEnabled() const override { return true; }
    bool SetTaskManagerEnabled(bool aEnabled) override;
    bool StartMenuEnabled() const override { return true; }
    bool SetStartMenuEnabled(bool aEnabled) override;
    bool FastTaskSwitchEnabled() const override { return true; }
    bool SetFastTaskSwitchEnabled(bool aEnabled) override;
    bool SetKeyboardHookInstalled(bool aInstalled) override;

private:
    TZRVUnavailable Unavailable;
};

class TZRVNoneWindows : public IZRVWindows {
public:
    bool TopLevelWindows(QList<TZRVWindowInfo>& aWindows, int aFields = wfAll) override;
    bool WindowInfo(TZRVWindowHandle, TZRVWindowInfo&) override { return false; }
    bool WindowIcon(TZRVWindowHandle, QSize, TZRVIcon&) override { return false; }
    bool RequestClose(TZRVWindowHandle) override { return false; }
    bool Activate(TZRVWindowHandle) override { return false; }
    void TerminateProcess(qint64 aProcessID, int aTimeoutMs, QObject* aContext,
                          std::function<void(int aResult)> aDone) override;
    void Responding(TZRVWindowHandle aWindow, int aTimeoutMs, QObject* aContext,
                    std::function<void(bool aResponding)> aDone) override;

private:
    TZRVUnavailable Unavailable;
};

class TZRVNoneDesktop : public IZRVDesktop {
public:
    bool GrabInput(TZRVWindowHandle) override { return Unavailable("hold the keyboard and the pointer"); }
    void ReleaseInput() override {}
    bool InputGrabbed() const override { return false; }
    bool ForceForeground(TZRVWindowHandle) override { return Unavailable("bring a window to the front"); }
    void MinimizeForeground(TZRVWindowHandle) override {}
    bool ShowDesktop(bool) override { return Unavailable("show the desktop"); }
    bool ShowingDesktop() const override { return false; }
    bool ReserveScreenEdge(TZRVWindowHandle, TZRVScreenEdge, int aThickness) override {
        return aThickness == 0 || Unavailable("keep a strip of the screen");
    }
    bool ModifierDown(Qt::KeyboardModifier) const override { return false; }

private:
    TZRVUnavailable Unavailable;
};

class TZRVNoneSession : public IZRVSession {
public:
    void End(TZRVSessionEnd, bool, QObject* aContext, std::function<void(bool aEnded)> aDone) override;
    void SetEndBlocked(bool aBlocked, const QString&) override {
        if (aBlocked)
            Unavailable("block the end of the session");
    }
    bool EndBlocked() const override { return false; }

private:
    TZRVUnavailable Unavailable;
};

class TZRVNonePlatform : public TZRVPlatform {
public:
    QString Name() const override { return QStringLiteral("none"); }
    IZRVMachineFacts& Machine() override { return fMachine; }
    IZRVRestrictions& Restrictions() override { return fRestrictions; }
    IZRVWindows& Windows() override { return fWindows; }
    IZRVDesktop& Desktop() override { return fDesktop; }
    IZRVSession& Session() override { return fSession; }
    IZRVLauncher& Launcher() override { return fLauncher; }

private:
    TZRVPosixMachineFacts fMachine;
    TZRVNoneRestrictions fRestrictions;
    TZRVNoneWindows fWindows;
    TZRVNoneDesktop fDesktop;
    TZRVNoneSession fSession;
    TZRVProcessLauncher fLauncher;
};
