#pragma once
// The X server's own escapes live in its keymap as XKB actions: switching to a text console
// (Ctrl+Alt+F1 ... F12, action SwitchScreen) and killing the server (Ctrl+Alt+Backspace, action
// Terminate). Taking them away replaces those actions by none; the removed ones are kept on the
// root window, so that they are put back exactly as they were even by a workstation program that
// was restarted meanwhile. The keymap is read back from the server each time.

#include "ZRVX11Connection.h"

class TZRVX11Keymap {
public:
    explicit TZRVX11Keymap(TZRVX11Connection& aX);

    // False while escapes we removed are kept aside (the server cannot tell whether a keymap
    // without escapes ever had any).
    bool EscapesEnabled();
    // Whether afterwards the keymap holds no escape action (disabled) or every removed one is back
    // (enabled).
    bool SetEscapesEnabled(bool aEnabled);
    // The escape actions the keymap holds now; -1 when it cannot be read.
    int EscapeCount();

private:
    // The actions of a range of keys as the server sends them: a count per key, then 8 bytes per
    // action, the keys one after the other.
    struct TActions {
        xcb_keycode_t First = 0;
        QList<uint8_t> Counts;
        QByteArray Data;
        QList<qsizetype> Offsets; // where each key's actions start in Data

        bool Has(xcb_keycode_t aKey, int aIndex) const;
        char* At(xcb_keycode_t aKey, int aIndex) { return Data.data() + Offsets[aKey - First] + aIndex * 8; }
    };
    // One removed action: its key, its place among the key's actions, its 8 bytes.
    static constexpr qsizetype c_RecordSize = 10;

    bool Available();
    bool Read(TActions& aActions);
    bool Write(const TActions& aActions, xcb_keycode_t aFirst, xcb_keycode_t aLast);
    QByteArray Removed();
    bool SetRemoved(const QByteArray& aRecords);
    bool Disable();
    bool Enable();

    TZRVX11Connection& fX;
    int fAvailable = -1; // unknown, 0 or 1
};
