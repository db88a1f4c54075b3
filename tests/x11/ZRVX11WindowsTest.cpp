// The desktop's windows on a real X server and window manager: listing, activating, icons, pings,
// closing and ending applications, and the browser and folder closers.
#include "X11Fixture.h"

#include "ZRVFunctions.h"
#include "ZRVKiller.h"
#include "ZRVSystem.h"

#include "support/TempDirs.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

using zrvtest::TProbe;
using zrvtest::WaitUntil;

class X11Windows : public X11Test {
protected:
    std::unique_ptr<TProbe> Probe(const QStringList& aArguments) { return fX.Probe(aArguments); }
    // A probe whose window is shown.
    std::unique_ptr<TProbe> Shown(const QStringList& aArguments) {
        std::unique_ptr<TProbe> probe = fX.Probe(aArguments);
        EXPECT_NE(probe->Window(), 0u) << qPrintable(aArguments.join(u' '));
        return probe;
    }

    // The result of an asynchronous request, once it came.
    template <class T> struct TAnswer {
        std::optional<T> Value;
        auto Callback() {
            return [this](T aValue) { Value = aValue; };
        }
        T Wait() {
            WaitUntil([this] { return Value.has_value(); }, 10000);
            return Value.value_or(T(-1));
        }
    };
};

TEST_F(X11Windows, ListsTheMainApplicationWindowsTopmostFirst) {
    auto main = Probe({"--class", "Mousepad", "--title", "notes.txt - Mousepad"});
    const xcb_window_t mainWindow = main->Window();
    // Shown one after the other, so that the stacking order is known.
    auto owned =
        Shown({"--type", "dialog", "--title", "Save as", "--transient-for", QString::number(mainWindow)});
    auto tool = Shown({"--type", "utility", "--title", "Palette"});
    auto skipped = Shown({"--title", "Skips the task bar", "--skip-taskbar"});
    auto minimised = Shown({"--class", "Gimp", "--title", "Picture", "--minimized"});
    auto top = Shown({"--class", "Xterm", "--title", "Terminal"});
    // Our own task bar is a dock: a tool window, never listed; an ordinary window of ours is.
    const xcb_window_t ownBar = fX.OwnWindow("Task bar");
    ASSERT_TRUE(Desktop().ReserveScreenEdge(ownBar, TZRVScreenEdge::Bottom, 30));
    const xcb_window_t ownWindow = fX.OwnWindow("Own window");
    // Raised by its activation (a new window the window manager does not focus may stay below).
    Desktop().ForceForeground(ownWindow);
    ASSERT_TRUE(WaitUntil([&] { return fX.ActiveWindow() == ownWindow; }));

    TZRVTaskListEx tasks;
    ASSERT_TRUE(WaitUntil([&] { return GetTasksList(tasks) && tasks.Count() == 4; }, 5000)) << tasks.Count();
    QList<TZRVWindowHandle> listed;
    for (int i = 0; i < tasks.Count(); ++i)
        listed.append(tasks.Tasks(i)->WindowHandle());
    // A minimised window keeps its place in the stacking order.
    EXPECT_EQ(listed, (QList<TZRVWindowHandle>{ownWindow, top->Window(), minimised->Window(), mainWindow}));
    const TZRVTaskEx* first = tasks.Tasks(3);
    EXPECT_EQ(first->Caption(), "notes.txt - Mousepad");
    EXPECT_EQ(first->ProcessID(), main->Pid());
    EXPECT_EQ(GetWindowClassName(mainWindow), "mousepad");
    EXPECT_EQ(GetWindowCaption(minimised->Window()), "Picture");

    TZRVWindowInfo info;
    ASSERT_TRUE(Windows().WindowInfo(owned->Window(), info));
    EXPECT_EQ(info.Owner, mainWindow);
    ASSERT_TRUE(Windows().WindowInfo(minimised->Window(), info));
    EXPECT_TRUE(info.Minimized);
    EXPECT_TRUE(info.Visible);
    ASSERT_TRUE(Windows().WindowInfo(tool->Window(), info));
    EXPECT_TRUE(info.ToolWindow);
    EXPECT_FALSE(Windows().WindowInfo(0x7ffffff, info));
}

TEST_F(X11Windows, AWindowOfAnotherMachineNamesNoProcess) {
    auto remote = Probe({"--machine", "another-host", "--title", "Remote"});
    const xcb_window_t window = remote->Window();
    TZRVWindowInfo info;
    ASSERT_TRUE(Windows().WindowInfo(window, info));
    EXPECT_EQ(info.ProcessID, 0);
    TAnswer<int> result;
    TerminateTask(window, 100, QCoreApplication::instance(), result.Callback());
    EXPECT_EQ(result.Wait(), 0);
    EXPECT_TRUE(remote->Running());
}

TEST_F(X11Windows, ActivatingRaisesAndFocusesEvenAMinimisedWindow) {
    auto back = Probe({"--title", "Back"});
    auto front = Probe({"--title", "Front"});
    const xcb_window_t backWindow = back->Window();
    ASSERT_NE(front->Window(), 0u);
    EXPECT_TRUE(ForceForegroundWindow(backWindow));
    EXPECT_TRUE(WaitUntil([&] { return fX.ActiveWindow() == backWindow; }));

    auto minimised = Probe({"--title", "Minimised", "--minimized"});
    const xcb_window_t window = minimised->Window();
    TZRVTaskListEx tasks;
    ASSERT_TRUE(WaitUntil([&] { // once the window manager took it
        tasks.Refresh();
        for (int i = 0; i < tasks.Count(); ++i)
            if (tasks.Tasks(i)->ProcessID() == minimised->Pid())
                return true;
        return false;
    }));
    tasks.ActivateByProcessId(minimised->Pid());
    EXPECT_TRUE(WaitUntil([&] { return fX.ActiveWindow() == window && fX.Viewable(window); }));
    TZRVWindowInfo info;
    ASSERT_TRUE(Windows().WindowInfo(window, info));
    EXPECT_FALSE(info.Minimized);
}

TEST_F(X11Windows, TheIconClosestToTheAskedSize) {
    auto withIcon = Probe({"--icon", "--title", "With icon"});
    const TZRVIcon big = GetWindowIcon(withIcon->Window(), true);
    EXPECT_EQ(big.Size, QSize(32, 32));
    ASSERT_EQ(big.Pixels.size(), 32 * 32);
    EXPECT_EQ(big.Pixels.first(), 0xFF0000FFu);
    const TZRVIcon small = GetWindowIcon(withIcon->Window(), false);
    EXPECT_EQ(small.Size, QSize(16, 16));
    EXPECT_EQ(small.Pixels.first(), 0xFFFF0000u);
    // (openbox gives windows without an icon one of its own)
    EXPECT_TRUE(GetWindowIcon(0x7ffffff, true).Pixels.isEmpty());
}

TEST_F(X11Windows, AWindowRespondsWhenItAnswersThePingInTime) {
    struct Case {
        const char* Ping;
        bool Responding;
    } cases[] = {{"answer", true}, {"ignore", false}, {"none", true}};
    for (const auto& c : cases) {
        auto probe = Probe({"--ping", c.Ping});
        TAnswer<bool> answer;
        IsWindowResponding(probe->Window(), 300, QCoreApplication::instance(), answer.Callback());
        ASSERT_TRUE(WaitUntil([&] { return answer.Value.has_value(); }, 5000)) << c.Ping;
        EXPECT_EQ(*answer.Value, c.Responding) << c.Ping;
    }
}

TEST_F(X11Windows, ClosingAnApplicationCleanlyOrByKillingIt) {
    auto obeys = Probe({"--close", "obey", "--title", "Obeys"});
    auto ignores = Probe({"--close", "ignore", "--ignore-term", "--title", "Ignores"});
    ASSERT_NE(obeys->Window(), 0u);
    ASSERT_NE(ignores->Window(), 0u);

    TAnswer<int> clean, killed, own, gone;
    TerminateApp(obeys->Pid(), 2000, QCoreApplication::instance(), clean.Callback());
    EXPECT_EQ(clean.Wait(), 1);
    EXPECT_TRUE(obeys->Reported(QStringLiteral("close %1").arg(obeys->Window())));
    TerminateTask(ignores->Window(), 200, QCoreApplication::instance(), killed.Callback());
    EXPECT_EQ(killed.Wait(), 2);
    EXPECT_TRUE(ignores->Reported(QStringLiteral("close %1").arg(ignores->Window())));
    EXPECT_TRUE(WaitUntil([&] { return !ignores->Running(); }));

    TerminateApp(QCoreApplication::applicationPid(), 100, QCoreApplication::instance(), own.Callback());
    EXPECT_EQ(own.Wait(), 0);
    TerminateApp(obeys->Pid(), 100, QCoreApplication::instance(), gone.Callback());
    EXPECT_EQ(gone.Wait(), 0);
}

TEST_F(X11Windows, TheTaskListEndsAnApplicationAndReportsItLater) {
    auto probe = Probe({"--close", "ignore", "--title", "Stubborn"});
    const xcb_window_t window = probe->Window();
    TZRVSystemEx tasks;
    tasks.SetHungTimeout(100);
    ASSERT_TRUE(WaitUntil([&] { return tasks.Refresh() && tasks.Count() == 1; }));
    TAnswer<bool> done;
    tasks.TerminateByWindowHandle(window, QCoreApplication::instance(), done.Callback());
    EXPECT_FALSE(done.Value.has_value()); // nothing waits on the event loop
    EXPECT_TRUE(done.Wait());
    EXPECT_TRUE(WaitUntil([&] { return !probe->Running(); }));
}

// Which windows a closer asked to close, by title.
QStringList Closed(const std::vector<std::pair<QString, std::unique_ptr<TProbe>>>& aProbes) {
    QStringList closed;
    for (const auto& [title, probe] : aProbes) {
        const QStringList lines = probe->Lines();
        if (std::any_of(lines.begin(), lines.end(), [](const QString& l) { return l.startsWith(u"close "); }))
            closed.append(title);
    }
    return closed;
}

TEST_F(X11Windows, TheBrowserAndFolderClosersCloseExactlyTheirWindows) {
    std::vector<std::pair<QString, std::unique_ptr<TProbe>>> probes;
    const QList<std::pair<const char*, const char*>> windows = {
        {"Firefox-esr", "Mozilla Firefox"}, {"Chromium", "New tab - Chromium"},
        {"IEFrame", "Internet Explorer"},   {"Thunar", "Documents - File Manager"},
        {"CabinetWClass", "C:\\WINDOWS"},   {"Mousepad", "Firefox notes"}};
    for (const auto& [cls, title] : windows) {
        probes.emplace_back(QLatin1String(title), Probe({"--class", QLatin1String(cls), "--title",
                                                         QLatin1String(title), "--close", "ignore"}));
        ASSERT_NE(probes.back().second->Window(), 0u);
    }
    auto closedAfter = [&](int aAsked, QStringList aExpected) {
        EXPECT_TRUE(WaitUntil([&] { return Closed(probes).size() == aExpected.size(); }));
        zrvtest::RunEventsFor(100);
        EXPECT_EQ(Closed(probes), aExpected);
        return aAsked;
    };
    EXPECT_EQ(closedAfter(CloseAllInternetExplorer(), {"Internet Explorer"}), 1);
    EXPECT_EQ(
        closedAfter(CloseAllNavigators(), {"Mozilla Firefox", "New tab - Chromium", "Internet Explorer"}), 3);
    EXPECT_EQ(closedAfter(CloseAllExplorer(), {"Mozilla Firefox", "New tab - Chromium", "Internet Explorer",
                                               "Documents - File Manager", "C:\\WINDOWS"}),
              2);
}

TEST_F(X11Windows, TheFolderKillerClosesTheFileManagersShowingLockedFolders) {
    zrvtest::TempRegistry registry;
    struct Case {
        const char* Class;
        const char* Title;
        bool Closed;
    } cases[] = {
        {"Thunar", "bin - File Manager", true}, // the system folder
        {"Pcmanfm", "/usr/share/doc", true},    // under the program files
        {"Nautilus", "etc", true},              // the Windows folder
        {"CabinetWClass", "C:\\WINDOWS\\system32", false},
        {"Thunar", "Cabinet - File Manager", false}, // "BIN" inside a word
        {"Thunar", "Documents - File Manager", false},
        {"CabinetWClass", "Explorateur Windows", false},
        {"Mousepad", "/usr/bin/notes", false}, // not a file manager
    };
    std::vector<std::unique_ptr<TProbe>> probes;
    for (const auto& c : cases) {
        probes.push_back(Probe({"--class", c.Class, "--title", c.Title, "--close", "ignore"}));
        ASSERT_NE(probes.back()->Window(), 0u);
    }
    auto* killer = new TZRVKiller(true);
    EXPECT_EQ(killer->ExclusionList(), QStringList({"USR", "BIN", "ETC"}));
    QPointer<TZRVKiller> running = killer;
    killer->Start();
    EXPECT_TRUE(WaitUntil([&] { return running.isNull(); })); // ran once, then went
    auto closed = [&](size_t i) {
        return probes[i]->Reported(QStringLiteral("close %1").arg(probes[i]->Window()));
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        if (cases[i].Closed) {
            EXPECT_TRUE(WaitUntil([&] { return closed(i); })) << cases[i].Title;
        }
    }
    zrvtest::RunEventsFor(100);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(closed(i), cases[i].Closed) << cases[i].Title;

    // With the three folders unlocked nothing is closed.
    TZRVClientConfig config;
    config.SetWRLockProgramFilesFolder(false);
    config.SetWRLockSystemFolder(false);
    config.SetWRLockWindowsFolder(false);
    auto open = Probe({"--class", "Thunar", "--title", "bin", "--close", "ignore"});
    ASSERT_NE(open->Window(), 0u);
    EXPECT_EQ(TZRVKiller(true).Execute(), 0);
}

} // namespace
