// zrvbench_x11: what the workstation's two repeating jobs cost on a real X server with 50 windows
// open. The task bar applies the restrictions every 2 seconds and the main controller runs the
// folder killer every 1.5 seconds, all day: each tick should stay within 20 times one bare read of
// the window manager's client list (_NET_CLIENT_LIST), measured in the same run.
#include "Bench.h"

#include "ZRVClientConfig.h"
#include "ZRVKiller.h"
#include "ZRVSystem.h"
#include "ZRVX11Platform.h"

#include "support/EventLoop.h"
#include "support/TempDirs.h"
#include "support/XSession.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr double c_Budget = 20;

xcb_atom_t Atom(xcb_connection_t* aXcb, const char* aName) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(aXcb, xcb_intern_atom(aXcb, 0, uint16_t(std::strlen(aName)), aName), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

void Report(const char* aWhat, double aSeconds, double aBaseline) {
    zrvbench::PrintRatio(aWhat, aSeconds, "one _NET_CLIENT_LIST read", aBaseline);
    std::printf("%-48s %s (budget %.0fx)\n", "",
                aSeconds <= c_Budget * aBaseline ? "within budget" : "OVER BUDGET", c_Budget);
}

} // namespace

ZRV_BENCHMARK(X11TicksWithFiftyWindows) {
    zrvtest::TXSession x;
    if (!x.Error().isEmpty()) {
        std::printf("no X session: %s\n", qPrintable(x.Error()));
        return;
    }
    zrvtest::TempRegistry registry;
    auto applications = x.Probe({"--windows", "45", "--title", "Application"});
    auto folders = x.Probe({"--windows", "5", "--class", "Thunar", "--title", "Documents - File Manager"});
    applications->Windows(45);
    folders->Windows(5);
    SetPlatform(CreateX11Platform(x.Xcb()));

    xcb_connection_t* xcb = x.Xcb();
    const xcb_window_t root = x.Root();
    const xcb_atom_t clientList = Atom(xcb, "_NET_CLIENT_LIST");
    auto readClientList = [&] {
        std::free(xcb_get_property_reply(
            xcb, xcb_get_property(xcb, 0, root, clientList, XCB_ATOM_WINDOW, 0, 1024), nullptr));
    };
    zrvtest::WaitUntil([&] { return x.Cardinals(root, "_NET_CLIENT_LIST").size() >= 50; }, 10000);

    // The task bar's restrictions timer, with the café's default settings, once they are applied.
    TZRVClientConfig config;
    TZRVLockWindows restrictions;
    auto restrictionsTick = [&] {
        restrictions.SetDesktopVisible(config.WRDesktopVisible());
        if (!config.WRShellTrayVisible())
            restrictions.SetShellTrayWindowVisible(false);
        restrictions.SetCtrlAltDelEnabled(config.WRTaskMgrEnabled());
        restrictions.SetFaskTaskSwitchEnabled(config.WRFastTaskSwitchEnabled());
        restrictions.SetStartMenuEnabled(config.WRStartMenuEnabled());
    };
    restrictionsTick();
    zrvtest::RunEventsFor(200);
    const bool keys = config.WRFastTaskSwitchEnabled(), menu = config.WRStartMenuEnabled(),
               desktop = config.WRDesktopVisible(), taskManager = config.WRTaskMgrEnabled();
    auto restrictionsOnly = [&] {
        restrictions.SetDesktopVisible(desktop);
        restrictions.SetCtrlAltDelEnabled(taskManager);
        restrictions.SetFaskTaskSwitchEnabled(keys);
        restrictions.SetStartMenuEnabled(menu);
    };

    // The machine's load changes while we measure: rounds of each in turn, and the median of each.
    struct TMeasure {
        const char* What;
        int Calls;
        std::function<void()> Work;
        std::vector<double> Seconds;
    };
    std::vector<TMeasure> measures = {
        {"one _NET_CLIENT_LIST read", 200, readClientList, {}},
        {"restrictions tick, 50 windows", 20, restrictionsTick, {}},
        {"  the same, its 5 settings read before", 20, restrictionsOnly, {}},
        {"folder killer tick, 50 windows, 5 file managers", 20, [] { TZRVKiller(true).Execute(); }, {}},
        {"(one read of the settings store)", 20, [&] { config.WRDesktopVisible(); }, {}},
    };
    for (int round = 0; round < 9; ++round)
        for (TMeasure& m : measures)
            m.Seconds.push_back(zrvbench::SecondsPerCall(m.Calls, m.Work));
    auto median = [](std::vector<double> aValues) {
        std::sort(aValues.begin(), aValues.end());
        return aValues[aValues.size() / 2];
    };
    const double baseline = median(measures[0].Seconds);
    for (size_t i = 1; i < measures.size(); ++i) {
        if (i + 1 < measures.size())
            Report(measures[i].What, median(measures[i].Seconds), baseline);
        else
            zrvbench::PrintRatio(measures[i].What, median(measures[i].Seconds), measures[0].What, baseline);
    }
    SetPlatform(nullptr);
}
