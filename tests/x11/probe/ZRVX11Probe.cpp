// A small X11 program the tests own: it shows windows described by its arguments and reports on
// its standard output, one line each, what happens to them:
//   "window <id>"        a window was mapped (by the window manager)
//   "key <keycode>"      a key was pressed in one of them
//   "button <button>"    a mouse button was pressed in one of them
//   "close <id>"         the window manager asked it to close (it ends when told to obey)
//
// Arguments: --class NAME --title TEXT --type normal|dialog|utility|dock|desktop
//            --transient-for ID --machine HOST --no-pid --windows N
//            --ping answer|ignore|none --close obey|ignore --ignore-term --icon
//            --strut-bottom N --minimized --skip-taskbar --geometry WxH+X+Y
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Options {
    std::string Class = "Probe";
    std::string Title = "probe";
    std::string Type = "normal";
    std::string Machine;
    std::string Ping = "answer";
    std::string Close = "obey";
    xcb_window_t TransientFor = 0;
    bool Pid = true;
    bool Icon = false;
    bool Minimized = false;
    bool SkipTaskbar = false;
    int Windows = 1;
    int StrutBottom = 0;
    int X = 10, Y = 10, Width = 200, Height = 150;
};

xcb_connection_t* c;
xcb_screen_t* screen;

xcb_atom_t Atom(const char* aName) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(aName)), aName), nullptr);
    const xcb_atom_t atom = r ? r->atom : XCB_NONE;
    std::free(r);
    return atom;
}

void Set(xcb_window_t aWindow, const char* aProperty, xcb_atom_t aType, uint8_t aFormat, uint32_t aLength,
         const void* aData) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, aWindow, Atom(aProperty), aType, aFormat, aLength, aData);
}

void SetText(xcb_window_t aWindow, const char* aProperty, xcb_atom_t aType, const std::string& aText) {
    Set(aWindow, aProperty, aType, 8, uint32_t(aText.size()), aText.data());
}

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (arg == "--class")
            o.Class = next();
        else if (arg == "--title")
            o.Title = next();
        else if (arg == "--type")
            o.Type = next();
        else if (arg == "--machine")
            o.Machine = next();
        else if (arg == "--ping")
            o.Ping = next();
        else if (arg == "--close")
            o.Close = next();
        else if (arg == "--transient-for")
            o.TransientFor = xcb_window_t(std::strtoul(next().c_str(), nullptr, 0));
        else if (arg == "--windows")
            o.Windows = std::atoi(next().c_str());
        else if (arg == "--strut-bottom")
            o.StrutBottom = std::atoi(next().c_str());
        else if (arg == "--geometry")
            std::sscanf(next().c_str(), "%dx%d+%d+%d", &o.Width, &o.Height, &o.X, &o.Y);
        else if (arg == "--no-pid")
            o.Pid = false;
        else if (arg == "--icon")
            o.Icon = true;
        else if (arg == "--minimized")
            o.Minimized = true;
        else if (arg == "--skip-taskbar")
            o.SkipTaskbar = true;
        else if (arg == "--ignore-term")
            std::signal(SIGTERM, SIG_IGN);
    }
    if (o.Machine.empty()) {
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        o.Machine = host;
    }
    return o;
}

xcb_window_t Create(const Options& o, int aIndex) {
    const xcb_window_t w = xcb_generate_id(c);
    const uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_BUTTON_PRESS |
                                                        XCB_EVENT_MASK_STRUCTURE_NOTIFY |
                                                        XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, int16_t(o.X), int16_t(o.Y), uint16_t(o.Width),
                      uint16_t(o.Height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    const std::string title = o.Windows > 1 ? o.Title + " " + std::to_string(aIndex) : o.Title;
    SetText(w, "WM_NAME", XCB_ATOM_STRING, title);
    SetText(w, "_NET_WM_NAME", Atom("UTF8_STRING"), title);
    std::string wmClass = o.Class;
    for (char& ch : wmClass)
        ch = char(std::tolower(ch));
    wmClass += '\0' + o.Class + '\0';
    SetText(w, "WM_CLASS", XCB_ATOM_STRING, wmClass);
    SetText(w, "WM_CLIENT_MACHINE", XCB_ATOM_STRING, o.Machine);
    if (o.Pid) {
        const uint32_t pid = uint32_t(getpid());
        Set(w, "_NET_WM_PID", XCB_ATOM_CARDINAL, 32, 1, &pid);
    }
    std::vector<xcb_atom_t> protocols = {Atom("WM_DELETE_WINDOW")};
    if (o.Ping != "none")
        protocols.push_back(Atom("_NET_WM_PING"));
    Set(w, "WM_PROTOCOLS", XCB_ATOM_ATOM, 32, uint32_t(protocols.size()), protocols.data());
    const std::string typeName = "_NET_WM_WINDOW_TYPE_" + [&] {
        std::string t = o.Type;
        for (char& ch : t)
            ch = char(std::toupper(ch));
        return t;
    }();
    const xcb_atom_t type = Atom(typeName.c_str());
    Set(w, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, 32, 1, &type);
    if (o.TransientFor)
        Set(w, "WM_TRANSIENT_FOR", XCB_ATOM_WINDOW, 32, 1, &o.TransientFor);
    if (o.SkipTaskbar) {
        const xcb_atom_t skip = Atom("_NET_WM_STATE_SKIP_TASKBAR");
        Set(w, "_NET_WM_STATE", XCB_ATOM_ATOM, 32, 1, &skip);
    }
    if (o.Icon) {
        // A 16x16 red icon, then a 32x32 blue one.
        std::vector<uint32_t> icon = {16, 16};
        icon.insert(icon.end(), 16 * 16, 0xFFFF0000u);
        icon.push_back(32), icon.push_back(32);
        icon.insert(icon.end(), 32 * 32, 0xFF0000FFu);
        Set(w, "_NET_WM_ICON", XCB_ATOM_CARDINAL, 32, uint32_t(icon.size()), icon.data());
    }
    if (o.StrutBottom > 0) {
        const uint32_t strut[12] = {0, 0, 0, uint32_t(o.StrutBottom),     0, 0, 0, 0,
                                    0, 0, 0, screen->width_in_pixels - 1u};
        Set(w, "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL, 32, 12, strut);
    }
    // The position asked for is the user's own, which window managers keep.
    xcb_size_hints_t size;
    std::memset(&size, 0, sizeof size);
    xcb_icccm_size_hints_set_position(&size, 1, o.X, o.Y);
    xcb_icccm_size_hints_set_size(&size, 1, o.Width, o.Height);
    xcb_icccm_set_wm_normal_hints(c, w, &size);
    xcb_icccm_wm_hints_t hints;
    std::memset(&hints, 0, sizeof hints);
    xcb_icccm_wm_hints_set_input(&hints, 1);
    if (o.Minimized)
        xcb_icccm_wm_hints_set_iconic(&hints);
    else
        xcb_icccm_wm_hints_set_normal(&hints);
    xcb_icccm_set_wm_hints(c, w, &hints);
    xcb_map_window(c, w);
    return w;
}

void Report(const char* aFormat, unsigned long aValue) {
    std::printf(aFormat, aValue);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const Options o = Parse(argc, argv);
    c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 3;
    screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    std::vector<xcb_window_t> windows;
    for (int i = 0; i < o.Windows; ++i)
        windows.push_back(Create(o, i));
    xcb_flush(c);
    const xcb_atom_t protocols = Atom("WM_PROTOCOLS"), deleteWindow = Atom("WM_DELETE_WINDOW"),
                     ping = Atom("_NET_WM_PING");
    // A minimised window is never mapped: report it at once.
    if (o.Minimized)
        for (xcb_window_t w : windows)
            Report("window %lu\n", w);
    while (xcb_generic_event_t* e = xcb_wait_for_event(c)) {
        switch (e->response_type & 0x7F) {
        case XCB_MAP_NOTIFY:
            Report("window %lu\n", reinterpret_cast<xcb_map_notify_event_t*>(e)->window);
            break;
        case XCB_KEY_PRESS:
            Report("key %lu\n", reinterpret_cast<xcb_key_press_event_t*>(e)->detail);
            break;
        case XCB_BUTTON_PRESS:
            Report("button %lu\n", reinterpret_cast<xcb_button_press_event_t*>(e)->detail);
            break;
        case XCB_CLIENT_MESSAGE: {
            auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
            if (m->type != protocols)
                break;
            if (m->data.data32[0] == deleteWindow) {
                Report("close %lu\n", m->window);
                if (o.Close == "obey")
                    return 0;
            } else if (m->data.data32[0] == ping && o.Ping == "answer") {
                m->window = screen->root;
                xcb_send_event(c, 0, screen->root,
                               XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                               reinterpret_cast<const char*>(m));
                xcb_flush(c);
            }
            break;
        }
        default:
            break;
        }
        std::free(e);
    }
    return 0;
}
