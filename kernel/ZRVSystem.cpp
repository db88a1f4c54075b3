#include "ZRVSystem.h"

#include "ZRVClientConfig.h"
#include "platform/ZRVPlatform.h"
#include "platform/ZRVRegistry.h"

#include <QTimer>

#include <optional>

namespace {

// Reads open a key as it is, and find nothing where it is missing; writes create it. The task bar
// reads its policy every two seconds: that must cost the settings store no write.
enum class TKeyUse { Read, Write };

// Runs aWork on aKey of the store, opened for aUse; false when the key cannot be opened (for a
// read, when it is missing) or aWork raises.
template <class F> bool WithKey(TZRVRootKey aRoot, const QString& aKey, TKeyUse aUse, F aWork) {
    TZRVRegistry reg(aRoot);
    try {
        if (!(aUse == TKeyUse::Read ? reg.OpenKeyReadOnly(aKey) : reg.OpenKey(aKey, true)))
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
    WithKey(TZRVRootKey::HKEY_LOCAL_MACHINE, c_WinLogonKey, TKeyUse::Read,
            [this](TZRVRegistry& R) { fShellProcess = R.ReadString(c_WinLogonShell); });
}

TZRVLockWindows::~TZRVLockWindows() {
    WithKey(TZRVRootKey::HKEY_LOCAL_MACHINE, c_WinLogonKey, TKeyUse::Write,
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
    WithKey(TZRVRootKey::HKEY_CURRENT_USER, c_SystemPoliciesKey, TKeyUse::Read,
            [&disabled](TZRVRegistry& R) { disabled = R.ReadInteger(c_DisableTaskMgr); });
    return !disabled || *disabled == 0;
}

// The policy value is kept for whatever reads it; the backend blocks the keys themselves. The value
// is written only when it changes: the task bar applies it every two seconds.
void TZRVLockWindows::SetCtrlAltDelEnabled(bool Value) {
    const bool written =
        GetCtrlAltDelEnabled() == Value ||
        WithKey(TZRVRootKey::HKEY_CURRENT_USER, c_SystemPoliciesKey, TKeyUse::Write,
                [Value](TZRVRegistry& R) { R.WriteInteger(c_DisableTaskMgr, Value ? 0 : 1); });
    const bool applied = fBackend.SetTaskManagerEnabled(Value);
    if (written && applied)
        fCtrlAltDelEnabled = Value;
}

bool TZRVLockWindows::GetExplorerEnabled() const {
    return fBackend.ShellRunning();
}

void TZRVLockWindows::WriteShell(const QString& aProgram) {
    WithKey(TZRVRootKey::HKEY_LOCAL_MACHINE, c_WinLogonKey, TKeyUse::Write,
            [&aProgram](TZRVRegistry& R) { R.WriteString(c_WinLogonShell, aProgram); });
}

void TZRVLockWindows::SetExplorerEnabled(bool Value) {
    const bool running = fBackend.ShellRunning();
    if (Value || fShellProcess.isEmpty()) {
        if (running)
            return;
        fShellProcess = TZRVClientConfig().PanelCommand();
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

namespace {

TZRVIcon IconOf(IZRVWindows& aWindows, TZRVWindowHandle aWindow, bool aBig) {
    const int size = aBig ? c_LargeIconSize : c_SmallIconSize;
    TZRVIcon icon;
    aWindows.WindowIcon(aWindow, QSize(size, size), icon);
    return icon;
}

} // namespace

TZRVIcon TZRVTaskEx::GetTaskIcon(bool aBig) const {
    return IconOf(fWindows, fWindowHandle, aBig);
}

void TZRVTaskEx::Terminate(int aTimeoutMs, QObject* aContext, std::function<void(bool)> aDone) {
    if (fProcessID == 0)
        return AnswerLater(aContext, std::move(aDone), false);
    fWindows.TerminateProcess(fProcessID, aTimeoutMs, aContext,
                              [aDone](int aResult) { aDone(aResult != 0); });
}

TZRVIcon GetWindowIcon(TZRVWindowHandle aWindow, bool aBig) {
    return IconOf(Platform().Windows(), aWindow, aBig);
}

QString GetWindowCaption(TZRVWindowHandle aWindow) {
    TZRVWindowInfo info;
    Platform().Windows().WindowInfo(aWindow, info);
    return info.Caption;
}

QString GetWindowClassName(TZRVWindowHandle aWindow) {
    TZRVWindowInfo info;
    Platform().Windows().WindowInfo(aWindow, info);
    return info.ClassName;
}

void IsWindowResponding(TZRVWindowHandle aWindow, int aTimeoutMs, QObject* aContext,
                        std::function<void(bool)> aDone) {
    Platform().Windows().Responding(aWindow, aTimeoutMs, aContext, std::move(aDone));
}

void TerminateApp(qint64 aProcessID, int aTimeoutMs, QObject* aContext, std::function<void(int)> aDone) {
    Platform().Windows().TerminateProcess(aProcessID, aTimeoutMs, aContext, std::move(aDone));
}

void TerminateTask(TZRVWindowHandle aWindow, int aTimeoutMs, QObject* aContext,
                   std::function<void(int)> aDone) {
    TZRVWindowInfo info;
    if (!Platform().Windows().WindowInfo(aWindow, info) || info.ProcessID == 0)
        return AnswerLater(aContext, std::move(aDone), 0);
    TerminateApp(info.ProcessID, aTimeoutMs, aContext, std::move(aDone));
}

bool GetTasksList(TZRVTaskListEx& aList) {
    return aList.Refresh();
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
