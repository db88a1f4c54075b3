#include "ZRVFakePlatform.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

QString BoolText(bool aValue) {
    return aValue ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

void TZRVFakeRestrictions::Record(const char* aOperation, const QString& aArgument) {
    fCalls.append(QLatin1String(aOperation) + u'(' + aArgument + u')');
}

bool TZRVFakeRestrictions::Switch(const char* aOperation, bool& aFlag, bool aValue) {
    Record(aOperation, BoolText(aValue));
    if (fSwitchesFail)
        return false;
    aFlag = aValue;
    return true;
}

// Like window show and hide calls: a missing window is left alone.
bool TZRVFakeRestrictions::SetDesktopVisible(bool aVisible) {
    Record("SetDesktopVisible", BoolText(aVisible));
    if (fDesktopExists)
        fDesktopVisible = aVisible;
    return DesktopVisible() == aVisible;
}

bool TZRVFakeRestrictions::SetShellTrayVisible(bool aVisible) {
    Record("SetShellTrayVisible", BoolText(aVisible));
    if (fShellRunning)
        fShellTrayVisible = aVisible;
    return ShellTrayVisible() == aVisible;
}

bool TZRVFakeRestrictions::StartShell(const QString& aProgram) {
    Record("StartShell", aProgram);
    fShellRunning = true;
    fShellTrayVisible = true;
    return true;
}

bool TZRVFakeRestrictions::TerminateShell() {
    Record("TerminateShell", QString());
    fShellRunning = false;
    return true;
}

bool TZRVFakeRestrictions::SetTaskManagerEnabled(bool aEnabled) {
    return Switch("SetTaskManagerEnabled", fTaskManagerEnabled, aEnabled);
}

bool TZRVFakeRestrictions::SetStartMenuEnabled(bool aEnabled) {
    return Switch("SetStartMenuEnabled", fStartMenuEnabled, aEnabled);
}

bool TZRVFakeRestrictions::SetFastTaskSwitchEnabled(bool aEnabled) {
    return Switch("SetFastTaskSwitchEnabled", fFastTaskSwitchEnabled, aEnabled);
}

bool TZRVFakeRestrictions::SetKeyboardHookInstalled(bool aInstalled) {
    return Switch("SetKeyboardHookInstalled", fKeyboardHookInstalled, aInstalled);
}

// ---------------------------------------------------------------------------------------------
// Windows

bool TZRVFakeWindows::TopLevelWindows(QList<TZRVWindowInfo>& aWindows) {
    aWindows = fWindows;
    return true;
}

const TZRVWindowInfo* TZRVFakeWindows::Find(TZRVWindowHandle aWindow) const {
    for (const TZRVWindowInfo& w : fWindows)
        if (w.Handle == aWindow)
            return &w;
    return nullptr;
}

bool TZRVFakeWindows::WindowInfo(TZRVWindowHandle aWindow, TZRVWindowInfo& aInfo) {
    const TZRVWindowInfo* w = Find(aWindow);
    if (w)
        aInfo = *w;
    return w;
}

bool TZRVFakeWindows::RequestClose(TZRVWindowHandle aWindow) {
    fCalls.append(QStringLiteral("RequestClose(%1)").arg(aWindow));
    return Find(aWindow);
}

bool TZRVFakeWindows::Activate(TZRVWindowHandle aWindow) {
    fCalls.append(QStringLiteral("Activate(%1)").arg(aWindow));
    if (!Find(aWindow))
        return false;
    fActive = aWindow;
    return true;
}

void TZRVFakeWindows::TerminateProcess(qint64 aProcessID, int aTimeoutMs, QObject* aContext,
                                       std::function<void(int aResult)> aDone) {
    Q_UNUSED(aTimeoutMs);
    fCalls.append(QStringLiteral("TerminateProcess(%1)").arg(aProcessID));
    const int result =
        aProcessID == QCoreApplication::applicationPid() ? 0 : fTerminateResults.value(aProcessID, 1);
    if (result != 0)
        fWindows.removeIf([aProcessID](const TZRVWindowInfo& w) { return w.ProcessID == aProcessID; });
    QTimer::singleShot(0, aContext, [aDone, result] { aDone(result); });
}
