#include "ZRVSystem.h"

#include "platform/ZRVPlatform.h"
#include "platform/ZRVRegistry.h"

#include <QTimer>

#include <optional>

namespace {

// Runs aWork on aKey of the store (created when missing); false when the key cannot be opened or
// aWork raises.
template <class F> bool WithKey(TZRVRootKey aRoot, const QString& aKey, F aWork) {
    TZRVRegistry reg(aRoot);
    try {
        if (!reg.OpenKey(aKey, true))
            return false;
        aWork(reg);
        return true;
    } catch (const EZRVError&) {
        return false;
    }
}

} // namespace

TZRVLockWindows::TZRVLockWindows(QObject* aOwner) : TZRVLockWindows(Platform().Restrictions(), aOwner) {}

TZRVLockWindows::TZRVLockWindows(IZRVRestrictions& aBackend, QObject* aOwner)
    : QObject(aOwner), fBackend(aBackend) {
    fBackend.SetKeyboardHookInstalled(true);
    fFaskTaskSwitchEnabled = fBackend.FastTaskSwitchEnabled();
    WithKey(TZRVRootKey::HKEY_LOCAL_MACHINE, c_WinLogonKey,
            [this](TZRVRegistry& R) { fShellProcess = R.ReadString(c_WinLogonShell); });
}

TZRVLockWindows::~TZRVLockWindows() {
    WithKey(TZRVRootKey::HKEY_LOCAL_MACHINE, c_WinLogonKey,
            [](TZRVRegistry& R) { R.WriteString(c_WinLogonAutoRestartShell, QStringLiteral("1")); });
    fBackend.SetKeyboardHookInstalled(false);
}

bool TZRVLockWindows::ApplyAll(bool aEnabled) {
    SetDesktopVisible(aEnabled);
    SetShellTrayWindowVisible(aEnabled);
    SetCtrlAltDelEnabled(aEnabled);
    SetFaskTaskSwitchEnabled(aEnabled);
    SetStartMenuEnabled(aEnabled);
    return GetDesktopVisible() == aEnabled && GetShellTrayWindowVisible() == aEnabled &&
           fCtrlAltDelEnabled == aEnabled && fFaskTaskSwitchEnabled == aEnabled;
}

bool TZRVLockWindows::LockAll() {
    return ApplyAll(false);
}

bool TZRVLockWindows::UnLockAll() {
    return ApplyAll(true);
}

bool TZRVLockWindows::GetDesktopVisible() const {
    return fBackend.DesktopVisible();
}

void TZRVLockWindows::SetDesktopVisible(bool Value) {
    fBackend.SetDesktopVisible(Value);
}

bool TZRVLockWindows::GetShellTrayWindowVisible() const {
    return fBackend.ShellTrayVisible();
}

void TZRVLockWindows::SetShellTrayWindowVisible(bool Value) {
    fBackend.SetShellTrayVisible(Value);
}

bool TZRVLockWindows::GetCtrlAltDelEnabled() const {
    std::optional<int> disabled;
    WithKey(TZRVRootKey::HKEY_CURRENT_USER, c_SystemPoliciesKey,
            [&disabled](TZRVRegistry& R) { disabled = R.ReadInteger(c_DisableTaskMgr); });
    return !disabled || *disabled == 0;
}

// The policy value is kept for whatever reads it; the backend blocks the keys themselves.
void TZRVLockWindows::SetCtrlAltDelEnabled(bool Value) {
    const bool written =
        WithKey(TZRVRootKey::HKEY_CURRENT_USER, c_SystemPoliciesKey,
                [Value](TZRVRegistry& R) { R.WriteInteger(c_DisableTaskMgr, Value ? 0 : 1); });
    const bool applied = fBackend.SetTaskManagerEnabled(Value);
    if (written && applied)
        fCtrlAltDelEnabled = Value;
}

bool TZRVLockWindows::GetExplorerEnabled() const {
    return fBackend.ShellRunning();
}

void TZRVLockWindows::WriteShell(const QString& aProgram) {
    WithKey(TZRVRootKey::HKEY_LOCAL_MACHINE, c_WinLogonKey,
            [&aProgram](TZRVRegistry& R) { R.WriteString(c_WinLogonShell, aProgram); });
}

void TZRVLockWindows::SetExplorerEnabled(bool Value) {
    const bool running = fBackend.ShellRunning();
    if (Value || fShellProcess.isEmpty()) {
        if (running)
            return;
        fShellProcess = c_ExplorerShell;
        WriteShell(fShellProcess);
        fBackend.StartShell(fShellProcess);
    } else if (running) {
        WriteShell(fShellProcess);
        fBackend.TerminateShell();
    }
}

void TZRVLockWindows::SetFaskTaskSwitchEnabled(bool Value) {
    fBackend.SetFastTaskSwitchEnabled(Value);
    fFaskTaskSwitchEnabled = fBackend.FastTaskSwitchEnabled();
}

bool TZRVLockWindows::GetStartMenuEnabled() const {
    return fBackend.StartMenuEnabled();
}

void TZRVLockWindows::SetStartMenuEnabled(bool Value) {
    fBackend.SetStartMenuEnabled(Value);
}

// ---------------------------------------------------------------------------------------------
// Running applications

namespace {
// Reports a result later on the event loop, as the platform does.
void AnswerLater(QObject* aContext, std::function<void(bool)> aDone, bool aResult) {
    QTimer::singleShot(0, aContext, [aDone = std::move(aDone), aResult] { aDone(aResult); });
}
} // namespace

bool IsMainAppWindow(const TZRVWindowInfo& aWindow) {
    return aWindow.Visible && aWindow.Owner == 0 && (!aWindow.ToolWindow || aWindow.AppWindow);
}

TZRVTaskEx::TZRVTaskEx(IZRVWindows& aWindows, TZRVWindowHandle aWindow) : fWindows(aWindows) {
    SetWindowHandle(aWindow);
}

void TZRVTaskEx::SetWindowHandle(TZRVWindowHandle aValue) {
    if (aValue == fWindowHandle)
        return;
    fWindowHandle = aValue;
    TZRVWindowInfo info;
    fWindows.WindowInfo(aValue, info);
    fCaption = info.Caption;
    fProcessID = info.ProcessID;
}

bool TZRVTaskEx::Activate() {
    return fWindows.Activate(fWindowHandle);
}

void TZRVTaskEx::Terminate(int aTimeoutMs, QObject* aContext, std::function<void(bool)> aDone) {
    if (fProcessID == 0)
        return AnswerLater(aContext, std::move(aDone), false);
    fWindows.TerminateProcess(fProcessID, aTimeoutMs, aContext,
                              [aDone](int aResult) { aDone(aResult != 0); });
}

TZRVTaskListEx::TZRVTaskListEx() : fWindows(Platform().Windows()) {}

bool TZRVTaskListEx::Refresh() {
    fTasks.clear();
    QList<TZRVWindowInfo> windows;
    if (!fWindows.TopLevelWindows(windows))
        return false;
    for (const TZRVWindowInfo& w : windows)
        if (IsMainAppWindow(w))
            fTasks.push_back(std::make_unique<TZRVTaskEx>(fWindows, w.Handle));
    return true;
}

TZRVTaskEx* TZRVTaskListEx::Tasks(int Index) const {
    return Index >= 0 && Index < Count() ? fTasks[size_t(Index)].get() : nullptr;
}

template <class Match> TZRVTaskEx* TZRVTaskListEx::Find(Match aMatch) const {
    for (const auto& task : fTasks)
        if (aMatch(*task))
            return task.get();
    return nullptr;
}

bool TZRVTaskListEx::ActivateByProcessId(qint64 aProcessID) {
    TZRVTaskEx* task = Find([aProcessID](const TZRVTaskEx& t) { return t.ProcessID() == aProcessID; });
    return task && task->Activate();
}

bool TZRVTaskListEx::ActivateByWindowHAndle(TZRVWindowHandle aWindow) {
    TZRVTaskEx* task = Find([aWindow](const TZRVTaskEx& t) { return t.WindowHandle() == aWindow; });
    return task && task->Activate();
}

void TZRVTaskListEx::Terminate(TZRVTaskEx* aTask, QObject* aContext, std::function<void(bool)> aDone) {
    if (!aTask)
        return AnswerLater(aContext, std::move(aDone), false);
    aTask->Terminate(fHungTimeout, aContext, std::move(aDone));
}

void TZRVTaskListEx::TerminateByProcessId(qint64 aProcessID, QObject* aContext,
                                          std::function<void(bool)> aDone) {
    Terminate(Find([aProcessID](const TZRVTaskEx& t) { return t.ProcessID() == aProcessID; }), aContext,
              std::move(aDone));
}

void TZRVTaskListEx::TerminateByWindowHandle(TZRVWindowHandle aWindow, QObject* aContext,
                                             std::function<void(bool)> aDone) {
    Terminate(Find([aWindow](const TZRVTaskEx& t) { return t.WindowHandle() == aWindow; }), aContext,
              std::move(aDone));
}
