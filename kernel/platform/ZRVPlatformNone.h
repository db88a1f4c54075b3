#pragma once
// The backend of a machine without a desktop session: there is no desktop, task bar or shell to
// act on. Asking to lock something down fails, and the first such request of each feature is
// logged; asking to lift a restriction succeeds, as nothing is restricted.

#include "ZRVPlatform.h"

#include <QSet>

class TZRVNoneRestrictions : public IZRVRestrictions {
public:
    bool DesktopVisible() const override { return false; }
    bool SetDesktopVisible(bool aVisible) override;
    bool ShellTrayVisible() const override { return false; }
    bool SetShellTrayVisible(bool aVisible) override;

    bool ShellRunning() const override { return false; }
    bool StartShell(const QString& aProgram) override;
    bool TerminateShell() override { return true; }

    bool SetTaskManagerEnabled(bool aEnabled) override;
    bool StartMenuEnabled() const override { return true; }
    bool SetStartMenuEnabled(bool aEnabled) override;
    bool FastTaskSwitchEnabled() const override { return true; }
    bool SetFastTaskSwitchEnabled(bool aEnabled) override;
    bool SetKeyboardHookInstalled(bool aInstalled) override;

private:
    // Logs, the first time only, that aFeature cannot be had here; returns false.
    bool Unavailable(const char* aFeature);

    QSet<QString> fReported;
};

class TZRVNoneWindows : public IZRVWindows {
public:
    bool TopLevelWindows(QList<TZRVWindowInfo>& aWindows) override;
    bool WindowInfo(TZRVWindowHandle, TZRVWindowInfo&) override { return false; }
    bool RequestClose(TZRVWindowHandle) override { return false; }
    bool Activate(TZRVWindowHandle) override { return false; }
    void TerminateProcess(qint64 aProcessID, int aTimeoutMs, QObject* aContext,
                          std::function<void(int aResult)> aDone) override;

private:
    bool fReported = false;
};

class TZRVNonePlatform : public TZRVPlatform {
public:
    QString Name() const override { return QStringLiteral("none"); }
    IZRVRestrictions& Restrictions() override { return fRestrictions; }
    IZRVWindows& Windows() override { return fWindows; }

private:
    TZRVNoneRestrictions fRestrictions;
    TZRVNoneWindows fWindows;
};
