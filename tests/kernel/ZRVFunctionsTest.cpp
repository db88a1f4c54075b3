#include "ZRVFunctions.h"

#include "gui/ZRVItemModelListView.h"
#include "platform/ZRVRegistry.h"

#include "support/EventLoop.h"
#include "support/FakePlatform.h"
#include "support/TempDirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

#include <type_traits>

namespace {

// ----- conditional value

template <class A>
concept IIFAccepts = requires(A a) {
    IIF(true, a, a);
};
static_assert(std::is_same_v<decltype(IIF(true, uint8_t(1), uint8_t(2))), uint8_t>);
static_assert(std::is_same_v<decltype(IIF(true, 1u, 2u)), uint32_t>);
static_assert(std::is_same_v<decltype(IIF(true, 1.5, 2.5)), TDateTime>);
static_assert(std::is_same_v<decltype(IIF(true, QString(), QString())), QString>);
static_assert(!IIFAccepts<const char*>, "a bare literal must not choose the Boolean overload");

// ----- numbers

TEST(FunctionsNValue, DecimalIntegerOrZero) {
    struct Case {
        const char* Text;
        int Expected;
    } cases[] = {
        {"42", 42},        {"-7", -7}, {"2147483647", 2147483647},
        {"2147483648", 0}, {"", 0},    {"12a", 0},
        {"0x1F", 0},       {" 5", 0},  {"1.5", 0},
        {"abc", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NValue(c.Text), c.Expected) << c.Text;
}

// ----- credit text

TEST(FunctionsCredit, FormatsHoursMinutesSecondsWithTwoDigitsAtLeast) {
    EXPECT_EQ(CreditFormatted(0), "00h00m00s");
    EXPECT_EQ(CreditFormatted(3725), "01h02m05s");
    EXPECT_EQ(CreditFormatted(360000), "100h00m00s");
    EXPECT_EQ(CreditFormatted(4294967295u), "1193046h28m15s");
}

TEST(FunctionsCredit, ReadsBackOnlyNineCharacters) {
    struct Case {
        const char* Text;
        uint32_t Expected;
    } cases[] = {
        {"01h02m05s", 3725}, {"99h59m59s", 359999}, {"00:00:07x", 7}, // separators are not read
        {"1h02m05s", 0},     {"100h00m00s", 0},     {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnformatCredit(c.Text), c.Expected) << c.Text;
    for (uint32_t s : {0u, 59u, 3600u, 86399u, 359999u})
        EXPECT_EQ(UnformatCredit(CreditFormatted(s)), s);
}

TEST(FunctionsCredit, NonDigitsRaiseConversionError) {
    for (const char* bad : {"0ah02m05s", "01h-2m05s", "01h02m+5s", "01h 2m05s", "xxhxxmxxs"})
        EXPECT_THROW(UnformatCredit(bad), EConvertError) << bad;
}

// ----- hour formula

TEST(FunctionsHourFormula, FieldsOfThePackedValue) {
    TZRVHourFormulaData f;
    f.SetStartDay(2);
    f.SetStartHour(8);
    f.SetEndDay(6);
    f.SetEndHour(23);
    const int32_t v = f.GetValue();
    EXPECT_EQ(GetStartDay(v), 2);
    EXPECT_EQ(GetStartHour(v), 8);
    EXPECT_EQ(GetEndDay(v), 6);
    EXPECT_EQ(GetEndHour(v), 23);
    EXPECT_EQ(GetEndHour(0xFFFF), 31); // every field masked to its bits
    EXPECT_EQ(GetStartDay(0xFFFF), 7);
}

// ----- paths

TEST(FunctionsPaths, LastDirectoryIsThePartAfterTheLastSeparator) {
    struct Case {
        const char* Path;
        const char* Expected;
    } cases[] = {
        {"C:\\WINDOWS\\system32", "system32"},
        {"/var/lib/zrv2", "zrv2"},
        {"C:\\Program Files/zrv\\Client", "Client"},
        {"/usr/share\\mixed", "mixed"},
        {"Client", "Client"},
        {"C:\\WINDOWS\\", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetLastDirectory(c.Path), c.Expected) << c.Path;
}

// ----- ending the session

std::optional<bool> WinExitAnswer(TZRVWinExitFlags aFlags) {
    std::optional<bool> ended;
    WinExit(aFlags, QCoreApplication::instance(), [&ended](bool aEnded) { ended = aEnded; });
    zrvtest::WaitUntil([&] { return ended.has_value(); });
    return ended;
}

TEST(FunctionsWinExit, TheFlagsChooseTheEnd) {
    struct Case {
        TZRVWinExitFlags Flags;
        const char* Call;
    } cases[] = {
        {4, "End(LogOff,force)"},  {6, "End(Reboot,force)"}, {13, "End(PowerOff,force)"},
        {14, "End(Reboot,force)"}, {0, "End(LogOff)"},       {1, "End(PowerOff)"},
    };
    for (const auto& c : cases) {
        FakePlatform().FakeSession().ClearCalls();
        EXPECT_EQ(WinExitAnswer(c.Flags), true) << c.Flags;
        EXPECT_EQ(FakePlatform().FakeSession().Calls(), QStringList{c.Call}) << c.Flags;
    }
}

TEST(FunctionsWinExit, ARefusalOrOurOwnBlockWithoutForceIsFalse) {
    TZRVFakeSession& session = FakePlatform().FakeSession();
    session.SetEndBlocked(true, QStringLiteral("session"));
    EXPECT_EQ(WinExitAnswer(c_EWX_REBOOT), false);
    EXPECT_EQ(WinExitAnswer(c_EWX_REBOOT | c_EWX_FORCE), true);
    EXPECT_FALSE(session.EndBlocked());
    session.SetRefuses(true);
    EXPECT_EQ(WinExitAnswer(14), false);
    EXPECT_TRUE(SetPrivilege(QStringLiteral("seshutdownprivilege"), true));
    EXPECT_FALSE(SetPrivilege(QStringLiteral("SeDebugPrivilege"), true));
}

// ----- windows, keys, the desktop

TEST(FunctionsDesktop, ForegroundModifiersAndTheDesktopGoThroughThePlatform) {
    TZRVFakeDesktop& desktop = FakePlatform().FakeDesktop();
    EXPECT_TRUE(ForceForegroundWindow(7));
    MinimizeForegroundWindow(7);
    desktop.SetModifiers(Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(CtrlDown());
    EXPECT_FALSE(ShiftDown());
    EXPECT_TRUE(AltDown());

    QTemporaryDir folder;
    EXPECT_FALSE(ShowDesktop(folder.filePath("missing")));
    EXPECT_TRUE(ShowDesktop(folder.path()));
    EXPECT_TRUE(ShowDesktop(folder.path())); // the second time gives the windows back
    EXPECT_EQ(desktop.Calls(), QStringList({"ForceForeground(7)", "MinimizeForeground(7)",
                                            "ShowDesktop(true)", "ShowDesktop(false)"}));
}

TEST(FunctionsDesktop, ClosersAskTheirWindowsOnly) {
    QList<TZRVWindowInfo> windows;
    const char* classes[] = {"ieframe", "firefox-esr",   "chrome_widgetwin_0", "tfrmavantbrowser.x",
                             "thunar",  "cabinetwclass", "mousepad",           "org.gnome.nautilus"};
    TZRVWindowHandle handle = 1;
    for (const char* c : classes) {
        TZRVWindowInfo w;
        w.Handle = handle++;
        w.ClassName = QLatin1String(c);
        windows.append(w);
    }
    TZRVFakeWindows& fake = FakePlatform().FakeWindows();
    fake.SetWindows(windows);
    EXPECT_EQ(CloseAllInternetExplorer(), 1);
    EXPECT_EQ(CloseAllNavigators(), 4);
    EXPECT_EQ(CloseAllExplorer(), 3);
    EXPECT_EQ(fake.Calls(),
              QStringList({"RequestClose(1)", "RequestClose(1)", "RequestClose(2)", "RequestClose(3)",
                           "RequestClose(4)", "RequestClose(5)", "RequestClose(6)", "RequestClose(8)"}));
}

TEST(FunctionsDesktop, AddressesGoToTheDefaultHandlerOrTheConfiguredBrowser) {
    EXPECT_TRUE(OpenUrl(QStringLiteral("http://cafe.example/"), false));
    EXPECT_TRUE(OpenUrl(QStringLiteral("http://cafe.example/"), true));
    EXPECT_EQ(FakePlatform().FakeLauncher().Calls(),
              QStringList({"Open(http://cafe.example/)", "Start(x-www-browser http://cafe.example/)"}));
}

// ----- typed start pages

TEST(FunctionsHistory, TheListStopsAtTheFirstMissingAddress) {
    zrvtest::TempRegistry registry;
    QStringList list{"stale"};
    EXPECT_FALSE(GetIEHistoryList(nullptr));
    EXPECT_TRUE(GetIEHistoryList(&list));
    EXPECT_TRUE(list.isEmpty());
    {
        TZRVRegistry store(TZRVRootKey::HKEY_CURRENT_USER);
        ASSERT_TRUE(store.OpenKey(c_IEUrlsKey, true));
        store.WriteString("url1", "http://one.example/");
        store.WriteString("url3", "http://three.example/");
    }
    EXPECT_TRUE(GetIEHistoryList(&list));
    EXPECT_EQ(list, QStringList{"http://one.example/"});
}

TEST(FunctionsHistory, AddedAddressesComeFirstOnceAndAreBounded) {
    zrvtest::TempRegistry registry;
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(AddIEHistoryUrl(QStringLiteral("http://%1.example/").arg(i), 4));
    ASSERT_TRUE(AddIEHistoryUrl(QStringLiteral("http://3.example/"), 4));
    EXPECT_FALSE(AddIEHistoryUrl(QStringLiteral("  ")));
    QStringList list;
    ASSERT_TRUE(GetIEHistoryList(&list));
    EXPECT_EQ(list, QStringList({"http://3.example/", "http://5.example/", "http://4.example/",
                                 "http://2.example/"}));
    ASSERT_TRUE(AddIEHistoryUrl(QStringLiteral("http://new.example/"), 2)); // a smaller bound cuts the rest
    ASSERT_TRUE(GetIEHistoryList(&list));
    EXPECT_EQ(list, QStringList({"http://new.example/", "http://3.example/"}));
    ASSERT_TRUE(AddIEHistoryUrl(QStringLiteral("http://newer.example/"), 4)); // the cut ones stay gone
    ASSERT_TRUE(GetIEHistoryList(&list));
    EXPECT_EQ(list, QStringList({"http://newer.example/", "http://new.example/", "http://3.example/"}));
}

// ----- folders

TEST(FunctionsFolders, TheLinuxCounterpartsAndTheirFallbacks) {
    zrvtest::TempRegistry registry;
    EXPECT_EQ(GetWindowsDir(), "/etc");
    EXPECT_EQ(GetSystemDir(), "/usr/bin");
    EXPECT_EQ(GetProgramFilesDir(), "/usr");
    EXPECT_EQ(GetLastDirectory(GetSystemDir("System")).toUpper(), "BIN");
    {
        TZRVRegistry store;
        ASSERT_TRUE(store.OpenKey(c_CurrentVersionKey, true));
        store.WriteString("ProgramFilesDir", "/nonexistent/Program Files");
    }
    EXPECT_EQ(GetProgramFilesDir("Program Files"), "Program Files");
    EXPECT_THROW(GetProgramFilesDir(), EZRVError);
    QTemporaryDir opt;
    {
        TZRVRegistry store;
        ASSERT_TRUE(store.OpenKey(c_CurrentVersionKey, true));
        store.WriteString("ProgramFilesDir", opt.path());
    }
    EXPECT_EQ(GetProgramFilesDir(), opt.path());
}

// ----- startup programs

TEST(FunctionsStartup, AutostartEntries) {
    const QStringList ours{"ZRV2"};
    struct Case {
        const char* Label;
        QString Entry;
        QStringList Command;
    } cases[] = {
        {"plain", "[Desktop Entry]\nType=Application\nExec=prog --flag\n", {"prog", "--flag"}},
        {"quoted and field codes",
         R"([Desktop Entry]
Exec="/opt/My App/run" "a \\"b\\"" %U 100%%
)",
         {"/opt/My App/run", R"(a "b")", "100%"}},
        {"escapes", "[Desktop Entry]\nExec=prog\\sone two\n", {"prog", "one", "two"}},
        {"hidden", "[Desktop Entry]\nExec=prog\nHidden=true\n", {}},
        {"other desktops", "[Desktop Entry]\nExec=prog\nOnlyShowIn=GNOME;KDE;\n", {}},
        {"ours only", "[Desktop Entry]\nExec=prog\nOnlyShowIn=XFCE;ZRV2;\n", {"prog"}},
        {"not ours", "[Desktop Entry]\nExec=prog\nNotShowIn=ZRV2;\n", {}},
        {"switched off", "[Desktop Entry]\nExec=prog\nX-GNOME-Autostart-enabled=false\n", {}},
        {"missing program", "[Desktop Entry]\nExec=prog\nTryExec=/nonexistent/prog\n", {}},
        {"a link", "[Desktop Entry]\nType=Link\nExec=prog\n", {}},
        {"another group", "[Desktop Action new]\nExec=other\n[Desktop Entry]\nExec=prog\n", {"prog"}},
        {"no entry", "Exec=prog\n", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AutostartCommand(c.Entry, ours), c.Command) << c.Label;
}

class FunctionsLaunchers : public ::testing::Test {
protected:
    void WriteEntry(const QString& aFolder, const QString& aName, const QString& aText) {
        QDir().mkpath(aFolder);
        QFile file(aFolder + u'/' + aName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(aText.toUtf8());
    }
    QStringList Started() const { return FakePlatform().FakeLauncher().Calls(); }

    zrvtest::TempRegistry fRegistry;
    QTemporaryDir fConfig;
    zrvtest::ScopedEnv fHome{"XDG_CONFIG_HOME", fConfig.filePath("home")};
    zrvtest::ScopedEnv fDirs{"XDG_CONFIG_DIRS",
                             fConfig.filePath("first") + u':' + fConfig.filePath("second")};
    zrvtest::ScopedEnv fDesktop{"XDG_CURRENT_DESKTOP", "ZRV2"};
};

TEST_F(FunctionsLaunchers, RunValuesStartInTheStoresOrder) {
    for (TZRVRootKey root : {TZRVRootKey::HKEY_LOCAL_MACHINE, TZRVRootKey::HKEY_CURRENT_USER}) {
        TZRVRegistry store(root);
        ASSERT_TRUE(store.OpenKey(c_RunKey, true));
        const QString prefix = root == TZRVRootKey::HKEY_LOCAL_MACHINE ? "machine" : "user";
        store.WriteString("zrv2_client", prefix + "-b REGISTRYRUN");
        store.WriteString("Another", '"' + prefix + " a\" --x");
        store.WriteInteger("NotAText", 1);
    }
    LM_Run();
    CU_Run();
    EXPECT_EQ(Started(), QStringList({"Start(machine-b REGISTRYRUN)", "Start(machine a --x)",
                                      "Start(user-b REGISTRYRUN)", "Start(user a --x)"}));
}

TEST_F(FunctionsLaunchers, AutostartFoldersOfTheSystemAndTheUser) {
    const QString first = fConfig.filePath("first/autostart"), second = fConfig.filePath("second/autostart"),
                  user = fConfig.filePath("home/autostart");
    WriteEntry(first, "b.desktop", "[Desktop Entry]\nExec=first-b\n");
    WriteEntry(second, "b.desktop", "[Desktop Entry]\nExec=second-b\n");
    WriteEntry(second, "a.desktop", "[Desktop Entry]\nExec=second-a\n");
    WriteEntry(second, "c.desktop", "[Desktop Entry]\nExec=system-c\n");
    WriteEntry(second, "d.desktop", "[Desktop Entry]\nExec=hidden-d\nHidden=true\n");
    WriteEntry(second, "notes.txt", "[Desktop Entry]\nExec=not-an-entry\n");
    WriteEntry(user, "c.desktop", "[Desktop Entry]\nExec=user-c\n");
    WriteEntry(user, "e.desktop", "[Desktop Entry]\nExec=user-e\nNotShowIn=ZRV2;\n");
    AllUsersStartUp();
    UserStartUp();
    EXPECT_EQ(Started(), QStringList({"Start(first-b)", "Start(second-a)", "Start(user-c)"}));
}

TEST_F(FunctionsLaunchers, NothingStartsInADesktopSessionThatStartsItsOwn) {
    zrvtest::ScopedEnv desktop("XDG_CURRENT_DESKTOP", "XFCE");
    EXPECT_FALSE(ClientIsTheShell());
    WriteEntry(fConfig.filePath("home/autostart"), "a.desktop", "[Desktop Entry]\nExec=a\n");
    TZRVRegistry store;
    ASSERT_TRUE(store.OpenKey(c_RunKey, true));
    store.WriteString("x", "x");
    LM_Run();
    CU_Run();
    AllUsersStartUp();
    UserStartUp();
    EXPECT_TRUE(Started().isEmpty());
}

// ----- list-view files

class FunctionsListViewFiles : public ::testing::Test {
protected:
    void Fill(TZRVListView& aView) {
        for (int i = 0; i < 3; ++i) {
            const int row = aView.Add();
            aView.SetCaption(row, QStringLiteral("Poste %1 é").arg(i));
            aView.SetImageIndex(row, i + 1);
            aView.SetSubItem(row, 0, QStringLiteral("192.168.0.%1").arg(i));
            aView.SetSubItem(row, 7, QStringLiteral("last"));
        }
    }
    static QStringList Rows(const TZRVListView& aView, bool aImages) {
        QStringList rows;
        for (int r = 0; r < aView.Count(); ++r) {
            QStringList cells{aView.Caption(r)};
            for (int i = 0; i < TZRVListView::c_SubItemCount; ++i)
                cells.append(aView.SubItem(r, i));
            if (aImages)
                cells.append(QString::number(aView.ImageIndex(r)));
            rows.append(cells.join(u'|'));
        }
        return rows;
    }
    QTemporaryDir fDir;
};

TEST_F(FunctionsListViewFiles, BothFilesReadBackWhatWasWritten) {
    TZRVItemModelListView original, ini, binary;
    Fill(original);
    ini.Add(); // replaced by the file's rows
    ini.SetVisible(false);
    SaveListViewItems(&original, fDir.filePath("list.ini"), false);
    LoadListViewItems(&ini, fDir.filePath("list.ini"), true);
    EXPECT_EQ(Rows(ini, false), Rows(original, false));
    EXPECT_TRUE(ini.Visible());

    SauverListViewDansFichier(&original, fDir.filePath("list.lvf"));
    ChargerListViewDuFichier(&binary, fDir.filePath("list.lvf"));
    EXPECT_EQ(Rows(binary, true), Rows(original, true));
    QFile file(fDir.filePath("list.lvf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(8), QByteArray("L\0V\0F\0\x03\0", 8));
}

TEST_F(FunctionsListViewFiles, BadArgumentsAndBadFilesRaiseAndLeaveTheRows) {
    TZRVItemModelListView view;
    Fill(view);
    const QStringList before = Rows(view, true);
    auto message = [](const std::function<void()>& aCall) {
        try {
            aCall();
        } catch (const EZRVError& e) {
            return e.Message();
        }
        return QString();
    };
    EXPECT_EQ(message([&] { SaveListViewItems(nullptr, "x", false); }), "Objet vue liste absent");
    EXPECT_EQ(message([&] { LoadListViewItems(&view, "", false); }), "Nom de fichier absent");
    EXPECT_EQ(message([&] { ChargerListViewDuFichier(&view, fDir.filePath("none")); }),
              QStringLiteral("Le fichier \"%1\" n'existe pas!").arg(fDir.filePath("none")));

    const QString wrong = fDir.filePath("wrong");
    QFile file(wrong);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("NOT A LIST");
    file.close();
    EXPECT_EQ(message([&] { ChargerListViewDuFichier(&view, wrong); }),
              QStringLiteral("\"%1\" n'est pas un fichier de vue liste correct!").arg(wrong));

    // A file cut short in the middle of a row.
    SauverListViewDansFichier(&view, fDir.filePath("cut"));
    QFile cut(fDir.filePath("cut"));
    ASSERT_TRUE(cut.resize(cut.size() - 3));
    TZRVItemModelListView other;
    other.Add();
    EXPECT_FALSE(message([&] { ChargerListViewDuFichier(&other, fDir.filePath("cut")); }).isEmpty());
    EXPECT_EQ(other.Count(), 1);
    EXPECT_EQ(Rows(view, true), before);
}

} // namespace
