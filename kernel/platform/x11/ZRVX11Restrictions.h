#pragma once
// The restrictions on an X11 desktop. The desktop window and the shell's task bar are the windows
// of type DESKTOP and DOCK of other programs (our own task bar is a DOCK too, and stays): hiding
// unmaps them and keeps them listed on the root window, showing maps them again. The shell runs
// while such a DOCK window (a panel) exists. The keys are TZRVX11Keys's and TZRVX11Keymap's.

#include "platform/ZRVPlatform.h"

#include "ZRVX11Keymap.h"
#include "ZRVX11Keys.h"
#include "ZRVX11Windows.h"

class TZRVX11Restrictions : public IZRVRestrictions {
public:
    TZRVX11Restrictions(TZRVX11Connection& aX, TZRVX11Windows& aWindows, IZRVLauncher& aLauncher);

    bool DesktopVisible() const override { return Visible(Desktop()); }
    bool SetDesktopVisible(bool aVisible) override { return SetVisible(Desktop(), aVisible); }
    bool ShellTrayVisible() const override { return Visible(Dock()); }
    bool SetShellTrayVisible(bool aVisible) override { return SetVisible(Dock(), aVisible); }

    bool ShellRunning() const override;
    // Starts the panel command (a program and its arguments, quoted as a shell would).
    bool StartShell(const QString& aProgram) override;
    bool TerminateShell() override;

    bool TaskManagerEnabled() const override { return fKeymap.EscapesEnabled(); }
    bool SetTaskManagerEnabled(bool aEnabled) override { return fKeymap.SetEscapesEnabled(aEnabled); }
    bool StartMenuEnabled() const override { return fKeys.Enabled(TZRVKeyGroup::StartMenu); }
    bool SetStartMenuEnabled(bool aEnabled) override {
        return fKeys.SetEnabled(TZRVKeyGroup::StartMenu, aEnabled);
    }
    bool FastTaskSwitchEnabled() const override { return fKeys.Enabled(TZRVKeyGroup::TaskSwitching); }
    bool SetFastTaskSwitchEnabled(bool aEnabled) override {
        return fKeys.SetEnabled(TZRVKeyGroup::TaskSwitching, aEnabled);
    }
    // Nothing filters the keyboard beside the switches above; the filter is always in place.
    bool SetKeyboardHookInstalled(bool) override { return true; }

    TZRVX11Keys& Keys() const { return fKeys; }
    TZRVX11Keymap& Keymap() const { return fKeymap; }

private:
    xcb_atom_t Desktop() const { return fX.Net()._NET_WM_WINDOW_TYPE_DESKTOP; }
    xcb_atom_t Dock() const { return fX.Net()._NET_WM_WINDOW_TYPE_DOCK; }
    // Other programs' windows of aType, managed or hidden by us, that still exist; aHidden, when
    // given, receives the list of the windows we hid.
    QList<TZRVX11Window> WindowsOfType(xcb_atom_t aType, QList<uint32_t>* aHidden = nullptr) const;
    bool Visible(xcb_atom_t aType) const;
    bool SetVisible(xcb_atom_t aType, bool aVisible);
    void SetHidden(const QList<uint32_t>& aWindows);

    TZRVX11Connection& fX;
    TZRVX11Windows& fWindows;
    IZRVLauncher& fLauncher;
    // The getters of the interface are const; the key switches read the server.
    mutable TZRVX11Keys fKeys;
    mutable TZRVX11Keymap fKeymap;
};
