#include "ZRVX11Keymap.h"

// xkb.h names a field "explicit", a C++ keyword.
#define explicit xkb_explicit
#include <xcb/xkb.h>
#undef explicit

#include <algorithm>
#include <cstring>

namespace {

constexpr xcb_xkb_device_spec_t c_CoreKeyboard = XCB_XKB_ID_USE_CORE_KBD;
constexpr qsizetype c_ActionSize = 8;
// Records of removed actions beyond this are not ours.
constexpr uint32_t c_MaxRemovedBytes = 64 * 1024;

bool IsEscape(const char* aAction) {
    const auto type = uint8_t(aAction[0]);
    return type == XCB_XKB_SA_TYPE_TERMINATE || type == XCB_XKB_SA_TYPE_SWITCH_SCREEN;
}

} // namespace

TZRVX11Keymap::TZRVX11Keymap(TZRVX11Connection& aX) : fX(aX) {}

bool TZRVX11Keymap::Available() {
    if (fAvailable < 0) {
        const xcb_query_extension_reply_t* extension = xcb_get_extension_data(fX.Xcb(), &xcb_xkb_id);
        TZRVX11Reply<xcb_xkb_use_extension_reply_t> use;
        if (extension && extension->present)
            use = fX.Reply(xcb_xkb_use_extension_reply, xcb_xkb_use_extension(fX.Xcb(), 1, 0));
        fAvailable = use && use->supported ? 1 : 0;
    }
    return fAvailable == 1;
}

bool TZRVX11Keymap::TActions::Has(xcb_keycode_t aKey, int aIndex) const {
    return aKey >= First && aKey - First < Counts.size() && aIndex < Counts[aKey - First];
}

bool TZRVX11Keymap::Read(TActions& aActions) {
    if (!Available())
        return false;
    TZRVX11Reply<xcb_xkb_get_map_reply_t> map = fX.Reply(
        xcb_xkb_get_map_reply, xcb_xkb_get_map(fX.Xcb(), c_CoreKeyboard, XCB_XKB_MAP_PART_KEY_ACTIONS, 0, 0,
                                               0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
    if (!map)
        return false;
    // The reply's bytes after its fixed part: the counts, padded to 4 bytes, then the actions.
    const qsizetype size = 32 + qsizetype(map->length) * 4 - qsizetype(sizeof(xcb_xkb_get_map_reply_t));
    const auto* bytes = static_cast<const char*>(xcb_xkb_get_map_map(map.get()));
    const qsizetype countsSize = (map->nKeyActions + 3) & ~3;
    const qsizetype actionsSize = qsizetype(map->totalActions) * c_ActionSize;
    if (size < countsSize + actionsSize)
        return false;
    aActions.First = map->firstKeyAction;
    aActions.Counts.clear();
    aActions.Offsets.clear();
    qsizetype offset = 0;
    for (int i = 0; i < map->nKeyActions; ++i) {
        aActions.Counts.append(uint8_t(bytes[i]));
        aActions.Offsets.append(offset);
        offset += uint8_t(bytes[i]) * c_ActionSize;
    }
    if (offset != actionsSize)
        return false;
    aActions.Data = QByteArray(bytes + countsSize, actionsSize);
    return true;
}

bool TZRVX11Keymap::Write(const TActions& aActions, xcb_keycode_t aFirst, xcb_keycode_t aLast) {
    const qsizetype from = aFirst - aActions.First, to = aLast - aActions.First;
    const qsizetype keys = to - from + 1;
    QByteArray values((keys + 3) & ~3, '\0');
    qsizetype total = 0;
    for (qsizetype i = 0; i < keys; ++i) {
        values[i] = char(aActions.Counts[from + i]);
        total += aActions.Counts[from + i];
    }
    values += aActions.Data.mid(aActions.Offsets[from], total * c_ActionSize);
    const xcb_setup_t* setup = xcb_get_setup(fX.Xcb());
    return fX.Check(xcb_xkb_set_map_checked(fX.Xcb(), c_CoreKeyboard, XCB_XKB_MAP_PART_KEY_ACTIONS, 0,
                                            setup->min_keycode, setup->max_keycode, 0, 0, 0, 0, 0, aFirst,
                                            uint8_t(keys), uint16_t(total), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                            0, 0, values.constData()));
}

QByteArray TZRVX11Keymap::Removed() {
    const std::optional<TZRVX11Property> value =
        fX.ReadProperty(fX.Root(), fX.Atom(TZRVX11Atom::ZRV2_REMOVED_ACTIONS), c_MaxRemovedBytes);
    if (!value || value->Format != 8 || value->Data.size() % c_RecordSize != 0)
        return QByteArray();
    return value->Data;
}

bool TZRVX11Keymap::SetRemoved(const QByteArray& aRecords) {
    const xcb_atom_t property = fX.Atom(TZRVX11Atom::ZRV2_REMOVED_ACTIONS);
    if (aRecords.isEmpty())
        return fX.Check(xcb_delete_property_checked(fX.Xcb(), fX.Root(), property));
    return fX.Check(xcb_change_property_checked(fX.Xcb(), XCB_PROP_MODE_REPLACE, fX.Root(), property,
                                                XCB_ATOM_INTEGER, 8, uint32_t(aRecords.size()),
                                                aRecords.constData()));
}

int TZRVX11Keymap::EscapeCount() {
    TActions actions;
    if (!Read(actions))
        return -1;
    int count = 0;
    for (qsizetype at = 0; at < actions.Data.size(); at += c_ActionSize)
        count += IsEscape(actions.Data.constData() + at);
    return count;
}

bool TZRVX11Keymap::EscapesEnabled() {
    return Removed().isEmpty();
}

bool TZRVX11Keymap::SetEscapesEnabled(bool aEnabled) {
    return aEnabled ? Enable() : Disable();
}

bool TZRVX11Keymap::Disable() {
    TActions actions;
    if (!Read(actions))
        return false;
    QByteArray found;
    int first = 256, last = -1;
    for (qsizetype key = 0; key < actions.Counts.size(); ++key)
        for (int i = 0; i < actions.Counts[key]; ++i) {
            const auto code = xcb_keycode_t(actions.First + key);
            char* action = actions.At(code, i);
            if (!IsEscape(action))
                continue;
            found += char(code);
            found += char(i);
            found += QByteArray(action, c_ActionSize);
            std::memset(action, 0, c_ActionSize); // no action
            first = std::min(first, int(code));
            last = std::max(last, int(code));
        }
    // Nothing left to remove: the keymap just read holds no escape (the usual tick).
    if (last < 0)
        return true;
    // Kept first, beside those removed before, so that nothing is lost if the server refuses.
    if (!(SetRemoved(Removed() + found) && Write(actions, xcb_keycode_t(first), xcb_keycode_t(last))))
        return false;
    return EscapeCount() == 0;
}

bool TZRVX11Keymap::Enable() {
    const QByteArray removed = Removed();
    if (removed.isEmpty())
        return true;
    TActions actions;
    if (!Read(actions))
        return false;
    int first = 256, last = -1;
    QList<qsizetype> restored;
    for (qsizetype at = 0; at < removed.size(); at += c_RecordSize) {
        const auto code = xcb_keycode_t(uint8_t(removed[at]));
        const int index = uint8_t(removed[at + 1]);
        // A key the keymap gave another action since (a new layout) keeps it.
        if (!actions.Has(code, index) || actions.At(code, index)[0] != XCB_XKB_SA_TYPE_NO_ACTION)
            continue;
        std::memcpy(actions.At(code, index), removed.constData() + at + 2, c_ActionSize);
        restored.append(at);
        first = std::min(first, int(code));
        last = std::max(last, int(code));
    }
    if (last >= 0 && !Write(actions, xcb_keycode_t(first), xcb_keycode_t(last)))
        return false;
    TActions now;
    if (!Read(now))
        return false;
    for (qsizetype at : restored) {
        const auto code = xcb_keycode_t(uint8_t(removed[at]));
        const int index = uint8_t(removed[at + 1]);
        if (!now.Has(code, index) ||
            std::memcmp(now.At(code, index), removed.constData() + at + 2, c_ActionSize) != 0)
            return false;
    }
    return SetRemoved(QByteArray());
}
