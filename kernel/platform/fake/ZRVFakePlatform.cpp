#include "ZRVFakePlatform.h"

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
