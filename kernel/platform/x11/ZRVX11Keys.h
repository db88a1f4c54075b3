#pragma once
// Task switching (Alt+Tab and the like) and the start menu (the Windows key, Alt+F1, Alt+F2, ...) are
// the window manager's key bindings. Under the openbox of our session (its configuration carries
// our marker) they are switched off in that configuration and openbox is asked to read it again;
// the state is what openbox confirmed it loaded. Under any other window manager we take the keys
// ourselves with passive grabs on the root window, which the X server refuses (BadAccess) where the
// window manager holds them; the state is the grabs we hold. The X server cannot list another
// client's grabs, so both states are tracked, never guessed.

#include "ZRVOpenboxConfig.h"
#include "ZRVX11Connection.h"

#include <QDateTime>
#include <QTimer>

#include <optional>

class TZRVX11Keys {
public:
    explicit TZRVX11Keys(TZRVX11Connection& aX);
    ~TZRVX11Keys();

    bool Enabled(TZRVKeyGroup aGroup);
    // Whether the group is now in the asked state (openbox answers later: see Enabled).
    bool SetEnabled(TZRVKeyGroup aGroup, bool aEnabled);

    // The configuration file of the running openbox when it is ours to rewrite; empty otherwise.
    QString OurOpenboxConfig();
    // Whether a configuration change is waiting for openbox to confirm it.
    bool Pending() const { return fPhase != TPhase::Idle; }

private:
    enum class TPhase { Idle, Reading, Grabbing };
    struct TGrabKey {
        uint32_t KeySym;
        uint16_t Modifiers;
    };

    static size_t Index(TZRVKeyGroup aGroup) { return size_t(aGroup); }
    const QString& ReadConfig(const QString& aFile);
    // Openbox mode.
    bool SetInOpenbox(const QString& aConfig, TZRVKeyGroup aGroup, bool aEnabled);
    void WriteWished(const QString& aConfig);
    void HandleEvent(const xcb_generic_event_t& aEvent);
    void Confirmed(const QString& aConfig);
    // Grab mode.
    bool Grab(TZRVKeyGroup aGroup);
    void Ungrab(TZRVKeyGroup aGroup);
    QList<xcb_keycode_t> KeyCodes(uint32_t aKeySym);
    static QList<TGrabKey> GrabKeys(TZRVKeyGroup aGroup);

    TZRVX11Connection& fX;
    struct {
        QString File;
        QDateTime Modified;
        qint64 Size = -1;
        QString Text;
    } fText;
    // The configuration file the running openbox names on the root window, once read.
    std::optional<QString> fObConfigFile;
    // Openbox mode: what openbox loaded, what we want, where we are in the exchange.
    std::optional<bool> fLoaded[2];
    std::optional<bool> fWished[2];
    QString fConfigFile;
    TPhase fPhase = TPhase::Idle;
    xcb_window_t fProbe = XCB_NONE;
    QTimer fGiveUp;
    // Grab mode: the groups whose keys we hold.
    bool fGrabbed[2] = {false, false};
};
