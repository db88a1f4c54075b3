#include "FakePlatform.h"

#include <QCoreApplication>

namespace {

QString BoolText(bool aValue) {
    return aValue ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

void TZRVFakeRestrictions::Record(const char* aOperation, const QString& aArgument) {
    TZRVCallLog::Record(QLatin1String(aOperation) + u'(' + aArgument + u')');
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

bool TZRVFakeWindows::TopLevelWindows(QList<TZRVWindowInfo>& aWindows, int) {
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
    Record(QStringLiteral("RequestClose(%1)").arg(aWindow));
    return Find(aWindow);
}

bool TZRVFakeWindows::Activate(TZRVWindowHandle aWindow) {
    Record(QStringLiteral("Activate(%1)").arg(aWindow));
    if (!Find(aWindow))
        return false;
    fActive = aWindow;
    return true;
}

void TZRVFakeWindows::TerminateProcess(qint64 aProcessID, int aTimeoutMs, QObject* aContext,
                                       std::function<void(int aResult)> aDone) {
    Q_UNUSED(aTimeoutMs);
    Record(QStringLiteral("TerminateProcess(%1)").arg(aProcessID));
    const int result =
        aProcessID == QCoreApplication::applicationPid() ? 0 : fTerminateResults.value(aProcessID, 1);
    if (result != 0)
        fWindows.removeIf([aProcessID](const TZRVWindowInfo& w) { return w.ProcessID == aProcessID; });
    AnswerLater(aContext, std::move(aDone), result);
}

void TZRVFakeWindows::Responding(TZRVWindowHandle aWindow, int, QObject* aContext,
                                 std::function<void(bool aResponding)> aDone) {
    AnswerLater(aContext, std::move(aDone), !fHung.contains(aWindow));
}

bool TZRVFakeWindows::WindowIcon(TZRVWindowHandle aWindow, QSize, TZRVIcon& aIcon) {
    if (!Find(aWindow))
        return false;
    aIcon.Size = QSize(2, 2);
    aIcon.Pixels = QList<quint32>(4, 0xFF000000u | aWindow);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Desktop, session, launcher

bool TZRVFakeDesktop::GrabInput(TZRVWindowHandle aWindow) {
    Record(QStringLiteral("GrabInput(%1)").arg(aWindow));
    if (!fInputHeldElsewhere)
        fGrabbedBy = aWindow;
    return InputGrabbed();
}

void TZRVFakeDesktop::ReleaseInput() {
    Record(QStringLiteral("ReleaseInput()"));
    fGrabbedBy = 0;
}

bool TZRVFakeDesktop::ForceForeground(TZRVWindowHandle aWindow) {
    Record(QStringLiteral("ForceForeground(%1)").arg(aWindow));
    fForeground = aWindow;
    return true;
}

void TZRVFakeDesktop::MinimizeForeground(TZRVWindowHandle aWindow) {
    Record(QStringLiteral("MinimizeForeground(%1)").arg(aWindow));
}

bool TZRVFakeDesktop::ShowDesktop(bool aShow) {
    Record(QStringLiteral("ShowDesktop(%1)").arg(BoolText(aShow)));
    fShowingDesktop = aShow;
    return true;
}

bool TZRVFakeDesktop::ReserveScreenEdge(TZRVWindowHandle aWindow, TZRVScreenEdge aEdge, int aThickness) {
    Record(QStringLiteral("ReserveScreenEdge(%1,%2,%3)").arg(aWindow).arg(int(aEdge)).arg(aThickness));
    if (aThickness == 0)
        fReserved.remove(aWindow);
    else
        fReserved.insert(aWindow, aThickness);
    return true;
}

void TZRVFakeSession::End(TZRVSessionEnd aHow, bool aForce, QObject* aContext,
                          std::function<void(bool aEnded)> aDone) {
    static const char* const names[] = {"LogOff", "Reboot", "PowerOff"};
    Record(QStringLiteral("End(%1%2)")
               .arg(QLatin1String(names[int(aHow)]), aForce ? QStringLiteral(",force") : QString()));
    if (aForce) {
        fBlocked = false;
        fWhy.clear();
    }
    AnswerLater(aContext, std::move(aDone), !fRefuses && !fBlocked);
}

void TZRVFakeSession::SetEndBlocked(bool aBlocked, const QString& aWhy) {
    Record(QStringLiteral("SetEndBlocked(%1)").arg(BoolText(aBlocked)));
    if (fRefuses && aBlocked)
        return;
    fBlocked = aBlocked;
    fWhy = aBlocked ? aWhy : QString();
}

bool TZRVFakeLauncher::Start(const QString& aProgram, const QStringList& aArguments) {
    Record(QStringLiteral("Start(%1)").arg(QStringList(QStringList{aProgram} + aArguments).join(u' ')));
    return !aProgram.isEmpty() && !fMissing.contains(aProgram);
}

bool TZRVFakeLauncher::Open(const QString& aTarget) {
    Record(QStringLiteral("Open(%1)").arg(aTarget));
    return !aTarget.isEmpty();
}

TZRVFakePlatform& FakePlatform() {
    return static_cast<TZRVFakePlatform&>(Platform());
}
