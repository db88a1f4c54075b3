#include "ZRVX11Keys.h"

#include "platform/ZRVPlatform.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// openbox --reconfigure sends this to the root window.
constexpr uint32_t c_OpenboxReconfigure = 1;
// How long openbox may take to confirm a configuration before we stop waiting for it.
constexpr int c_OpenboxAnswerMs = 2000;
// Configurations are a few kilobytes; a larger file is not one of ours.
constexpr qint64 c_MaxConfigSize = 1 << 20;

// Key symbols of the keys taken in grab mode.
constexpr uint32_t c_XK_Tab = 0xff09, c_XK_Escape = 0xff1b, c_XK_F1 = 0xffbe, c_XK_F2 = 0xffbf,
                   c_XK_Super_L = 0xffeb, c_XK_Super_R = 0xffec;
constexpr uint16_t c_Alt = XCB_MOD_MASK_1, c_Super = XCB_MOD_MASK_4;
// A grab is exact about modifiers: take each key with Caps Lock and Num Lock on and off too.
constexpr uint16_t c_LockCombinations[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                           XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

} // namespace

// The restrictions ask several times a second: the text is read again only when the file changed.
const QString& TZRVX11Keys::ReadConfig(const QString& aFile) {
    const QFileInfo info(aFile);
    const QDateTime modified = info.lastModified();
    if (aFile != fText.File || modified != fText.Modified || info.size() != fText.Size) {
        QFile file(aFile);
        const bool readable = file.open(QIODevice::ReadOnly) && file.size() <= c_MaxConfigSize;
        fText = {aFile, modified, info.size(), readable ? QString::fromUtf8(file.readAll()) : QString()};
    }
    return fText.Text;
}

TZRVX11Keys::TZRVX11Keys(TZRVX11Connection& aX) : fX(aX) {
    // A window of ours, never shown, whose frame extents openbox sets when asked: asked after it
    // read its configuration, its answer tells that it also took the keys of that configuration.
    fProbe = xcb_generate_id(fX.Xcb());
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(fX.Xcb(), XCB_COPY_FROM_PARENT, fProbe, fX.Root(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    fX.Flush();
    fX.AddEventHandler([this](const xcb_generic_event_t& aEvent) { HandleEvent(aEvent); });
    fGiveUp.setSingleShot(true);
    QObject::connect(&fGiveUp, &QTimer::timeout, [this] { Confirmed(fConfigFile); });
}

TZRVX11Keys::~TZRVX11Keys() {
    xcb_destroy_window(fX.Xcb(), fProbe);
    fX.Flush();
}

QString TZRVX11Keys::OurOpenboxConfig() {
    // Read again only when the root window says it changed (see HandleEvent).
    if (!fObConfigFile) {
        const std::optional<TZRVX11Property> value =
            fX.ReadProperty(fX.Root(), fX.Atom(TZRVX11Atom::OB_CONFIG_FILE), 4096);
        fObConfigFile = value ? TZRVX11Connection::Text(*value) : QString();
    }
    const QString& file = *fObConfigFile;
    if (file.isEmpty() || !QFileInfo(file).isWritable() || !ReadConfig(file).contains(ZRVOpenbox::c_Marker))
        return QString();
    if (file != fConfigFile) {
        fConfigFile = file;
        fLoaded[0] = fLoaded[1] = fWished[0] = fWished[1] = std::nullopt;
    }
    return file;
}

bool TZRVX11Keys::Enabled(TZRVKeyGroup aGroup) {
    const QString config = OurOpenboxConfig();
    if (config.isEmpty())
        return !fGrabbed[Index(aGroup)];
    std::optional<bool>& loaded = fLoaded[Index(aGroup)];
    // Until we changed it, openbox runs what the file says.
    if (!loaded)
        loaded = ZRVOpenbox::GroupEnabled(ReadConfig(config), aGroup);
    return *loaded;
}

bool TZRVX11Keys::SetEnabled(TZRVKeyGroup aGroup, bool aEnabled) {
    const QString config = OurOpenboxConfig();
    if (!config.isEmpty())
        return SetInOpenbox(config, aGroup, aEnabled);
    if (!aEnabled)
        return Grab(aGroup);
    if (fGrabbed[Index(aGroup)])
        Ungrab(aGroup);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Openbox mode

bool TZRVX11Keys::SetInOpenbox(const QString& aConfig, TZRVKeyGroup aGroup, bool aEnabled) {
    fWished[Index(aGroup)] = aEnabled;
    // One change at a time: a wish made meanwhile is written once openbox confirmed the last one.
    // When openbox runs what is wished (the usual tick) the file is not even read.
    if (fPhase == TPhase::Idle && Enabled(aGroup) != aEnabled)
        WriteWished(aConfig);
    return Enabled(aGroup) == aEnabled;
}

void TZRVX11Keys::WriteWished(const QString& aConfig) {
    const QString text = ReadConfig(aConfig);
    QString wished = text;
    for (TZRVKeyGroup group : {TZRVKeyGroup::TaskSwitching, TZRVKeyGroup::StartMenu})
        if (const std::optional<bool>& w = fWished[Index(group)])
            wished = ZRVOpenbox::WithGroup(wished, group, *w);
    if (wished == text)
        return;
    QSaveFile file(aConfig);
    if (!file.open(QIODevice::WriteOnly) || file.write(wished.toUtf8()) < 0 || !file.commit()) {
        qCWarning(lcZRVPlatform).noquote() << "Cannot rewrite the window manager's configuration" << aConfig;
        return;
    }
    fPhase = TPhase::Reading;
    fGiveUp.start(c_OpenboxAnswerMs);
    fX.SendToRoot(fX.Root(), fX.Atom(TZRVX11Atom::OB_CONTROL), {c_OpenboxReconfigure, 0, 0, 0, 0});
}

void TZRVX11Keys::HandleEvent(const xcb_generic_event_t& aEvent) {
    if ((aEvent.response_type & 0x7F) != XCB_PROPERTY_NOTIFY)
        return;
    const auto& change = reinterpret_cast<const xcb_property_notify_event_t&>(aEvent);
    if (change.window == fX.Root() && change.atom == fX.Atom(TZRVX11Atom::OB_CONFIG_FILE))
        fObConfigFile.reset();
    // Openbox names its configuration file anew each time it has read it, then takes the keys,
    // then serves requests again: the frame extents asked now come after the keys.
    if (fPhase == TPhase::Reading && change.window == fX.Root() &&
        change.atom == fX.Atom(TZRVX11Atom::OB_CONFIG_FILE)) {
        fPhase = TPhase::Grabbing;
        fX.SendToRoot(fProbe, fX.Net()._NET_REQUEST_FRAME_EXTENTS, {0, 0, 0, 0, 0});
    } else if (fPhase == TPhase::Grabbing && change.window == fProbe &&
               change.atom == fX.Net()._NET_FRAME_EXTENTS) {
        Confirmed(fConfigFile);
    }
}

void TZRVX11Keys::Confirmed(const QString& aConfig) {
    fGiveUp.stop();
    fPhase = TPhase::Idle;
    const QString text = ReadConfig(aConfig);
    for (TZRVKeyGroup group : {TZRVKeyGroup::TaskSwitching, TZRVKeyGroup::StartMenu})
        fLoaded[Index(group)] = ZRVOpenbox::GroupEnabled(text, group);
    WriteWished(aConfig);
}

// ---------------------------------------------------------------------------------------------
// Grab mode

QList<TZRVX11Keys::TGrabKey> TZRVX11Keys::GrabKeys(TZRVKeyGroup aGroup) {
    if (aGroup == TZRVKeyGroup::TaskSwitching)
        return {{c_XK_Tab, c_Alt},
                {c_XK_Tab, c_Alt | XCB_MOD_MASK_SHIFT},
                {c_XK_Tab, c_Super},
                {c_XK_Escape, c_Alt}};
    return {{c_XK_Super_L, 0},
            {c_XK_Super_R, 0},
            {c_XK_F1, c_Alt},
            {c_XK_F2, c_Alt},
            {c_XK_Escape, XCB_MOD_MASK_CONTROL}};
}

QList<xcb_keycode_t> TZRVX11Keys::KeyCodes(uint32_t aKeySym) {
    const xcb_setup_t* setup = xcb_get_setup(fX.Xcb());
    const uint8_t count = uint8_t(setup->max_keycode - setup->min_keycode + 1);
    TZRVX11Reply<xcb_get_keyboard_mapping_reply_t> map = fX.Reply(
        xcb_get_keyboard_mapping_reply, xcb_get_keyboard_mapping(fX.Xcb(), setup->min_keycode, count));
    QList<xcb_keycode_t> codes;
    if (!map || map->keysyms_per_keycode == 0)
        return codes;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int length = xcb_get_keyboard_mapping_keysyms_length(map.get());
    for (int i = 0; i < length; ++i)
        if (syms[i] == aKeySym) {
            const auto code = xcb_keycode_t(setup->min_keycode + i / map->keysyms_per_keycode);
            if (!codes.contains(code))
                codes.append(code);
        }
    return codes;
}

bool TZRVX11Keys::Grab(TZRVKeyGroup aGroup) {
    if (fGrabbed[Index(aGroup)])
        return true;
    QList<xcb_void_cookie_t> grabs;
    for (const TGrabKey& key : GrabKeys(aGroup))
        for (xcb_keycode_t code : KeyCodes(key.KeySym))
            for (uint16_t locks : c_LockCombinations)
                grabs.append(xcb_grab_key_checked(fX.Xcb(), 1, fX.Root(), key.Modifiers | locks, code,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool all = true;
    for (xcb_void_cookie_t grab : grabs)
        all = fX.Check(grab) && all;
    fGrabbed[Index(aGroup)] = all;
    // The window manager holds some of them: the keys still work, so take none.
    if (!all)
        Ungrab(aGroup);
    return all;
}

void TZRVX11Keys::Ungrab(TZRVKeyGroup aGroup) {
    for (const TGrabKey& key : GrabKeys(aGroup))
        for (xcb_keycode_t code : KeyCodes(key.KeySym))
            for (uint16_t locks : c_LockCombinations)
                xcb_ungrab_key(fX.Xcb(), code, fX.Root(), key.Modifiers | locks);
    fX.Flush();
    fGrabbed[Index(aGroup)] = false;
}
