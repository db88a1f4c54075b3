#include "ZRVPlatformNone.h"

bool TZRVUnavailable::operator()(const char* aFeature) {
    const QString feature = QLatin1String(aFeature);
    if (!fReported.contains(feature)) {
        fReported.insert(feature);
        qCWarning(lcZRVPlatform).noquote() << "No desktop session: cannot" << feature;
    }
    return false;
}

// Showing needs a window to show; hiding one that does not exist leaves nothing visible.
bool TZRVNoneRestrictions::SetDesktopVisible(bool aVisible) {
    return aVisible ? Unavailable("show the desktop") : true;
}

bool TZRVNoneRestrictions::SetShellTrayVisible(bool aVisible) {
    return aVisible ? Unavailable("show the task bar") : true;
}

bool TZRVNoneRestrictions::StartShell(const QString&) {
    return Unavailable("start the desktop shell");
}

bool TZRVNoneRestrictions::SetTaskManagerEnabled(bool aEnabled) {
    return aEnabled || Unavailable("block the session's escape keys");
}

bool TZRVNoneRestrictions::SetStartMenuEnabled(bool aEnabled) {
    return aEnabled || Unavailable("disable the start menu");
}

bool TZRVNoneRestrictions::SetFastTaskSwitchEnabled(bool aEnabled) {
    return aEnabled || Unavailable("disable task switching");
}

bool TZRVNoneRestrictions::SetKeyboardHookInstalled(bool aInstalled) {
    return !aInstalled || Unavailable("filter the keyboard");
}

bool TZRVNoneWindows::TopLevelWindows(QList<TZRVWindowInfo>& aWindows, int) {
    aWindows.clear();
    return Unavailable("list the windows");
}

void TZRVNoneWindows::TerminateProcess(qint64, int, QObject* aContext,
                                       std::function<void(int aResult)> aDone) {
    AnswerLater(aContext, std::move(aDone), 0);
}

// There is no window to ask, and no window means nothing hangs.
void TZRVNoneWindows::Responding(TZRVWindowHandle, int, QObject* aContext,
                                 std::function<void(bool aResponding)> aDone) {
    AnswerLater(aContext, std::move(aDone), true);
}

void TZRVNoneSession::End(TZRVSessionEnd, bool, QObject* aContext, std::function<void(bool aEnded)> aDone) {
    Unavailable("end the session");
    AnswerLater(aContext, std::move(aDone), false);
}
