#include "ZRVSystem.h"

#include "platform/ZRVPlatform.h"
#include "platform/ZRVRegistry.h"

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
