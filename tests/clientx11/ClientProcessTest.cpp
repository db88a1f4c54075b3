// The workstation program as it runs in the café: the real `Client` process on a private X session
// (Xvfb and openbox) against the real server on 127.0.0.1, the customer typing on the lock screen.
// A killed program comes back locked under its supervisor and hands its session back to the
// server; quit signals from outside do not free the PC; the lock screen covers the screen, holds
// the keyboard and the pointer, and comes back above a full-screen window when a session ends.
#include "X11Fixture.h"

#include "ZRVClientConfig.h"
#include "ZRVCrypt.h"
#include "ZRVServerHost.h"
#include "ZRVUserAccount.h"
#include "ZRVUserSession.h"
#include "ZRVUserTicket.h"

#include "support/TempDirs.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRect>
#include <QTemporaryDir>

#include <cstring>

#include <signal.h>

namespace {

using zrvtest::WaitUntil;

constexpr int c_StartMs = 20000;
const QString c_Code = QStringLiteral("31265128");

template <class R> struct TFree {
    void operator()(R* aReply) const { std::free(aReply); }
};
template <class R> using TReply = std::unique_ptr<R, TFree<R>>;

class ClientProcess : public X11Test {
protected:
    void SetUp() override {
        if (!zrvtest::MissingXTool().isEmpty())
            GTEST_SKIP() << qPrintable(zrvtest::MissingXTool()) << " is missing: run scripts/bootstrap";
        X11Test::SetUp();
        StartServer();
    }

    void TearDown() override {
        // The program refuses to quit while it locks the PC: it is killed, after its supervisor.
        for (QProcess* p : {&fSupervisor, &fClient})
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                p->waitForFinished(2000);
            }
        for (qint64 pid : fPids)
            ::kill(pid_t(pid), SIGKILL);
        for (QProcess* p : {&fSupervisor, &fClient})
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(2000);
            }
        fHost.reset();
        X11Test::TearDown();
    }

    void StartServer() {
        TZRVServeOptions options;
        options.DataBase = fDir.filePath(QStringLiteral("cafe.db"));
        options.LogFile = fDir.filePath(QStringLiteral("server.lgf"));
        options.Port = 0;
        options.DiscoveryPort = 0;
        fHost = std::make_unique<TZRVServerHost>(options, fServerOut);
        fHost->Start();
        TZRVUserAccount owner;
        owner.SetAccountName(QStringLiteral("gerant"));
        owner.SetAccountPassword(QStringLiteral("gerant"));
        owner.SecretQuestion()->SetQuestion(QStringLiteral("Ville natale ?"));
        owner.Group()->SetGroupID(1);
        ASSERT_TRUE(Db().AddAccount(&owner));
        TZRVUserTicket ticket;
        ticket.SetCode(c_Code);
        ticket.SetCredit(3600);
        ticket.SetDaysAllowed(30);
        ticket.SetHourFormulaName(QStringLiteral("Default"));
        ticket.Group()->SetGroupName(QStringLiteral("Default"));
        ASSERT_TRUE(Db().AddTicket(&ticket, owner.AccountID(), false));
        auto stored = Db().ReadTicket(uint32_t(Db().TicketExists(c_Code)));
        ASSERT_TRUE(stored);
        stored->SetActive(true);
        stored->SetActivationDate(Now());
        ASSERT_TRUE(Db().UpdateTicket(stored.get()));
    }
    TZRVDataBase& Db() { return fHost->DataBase(); }
    TZRVServerClientConnection* Slot() { return fHost->Server()->GetConnection(1); }

    // The program's own folders and the private X session; the server on the command line.
    QStringList ClientArguments(bool aWindowed = false) const {
        QStringList arguments{QStringLiteral("--server"),
                              QStringLiteral("127.0.0.1:%1").arg(fHost->Server()->ServerPort())};
        if (aWindowed)
            arguments << QStringLiteral("--windowed");
        return arguments;
    }
    QProcessEnvironment ClientEnvironment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), fDir.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), fDir.filePath(QStringLiteral("config")));
        environment.remove(QStringLiteral("ZRV_PLATFORM"));
        return environment;
    }
    void Start(QProcess& aProcess, const QString& aProgram, const QStringList& aArguments) {
        aProcess.setProcessEnvironment(ClientEnvironment());
        aProcess.setProcessChannelMode(QProcess::ForwardedChannels);
        aProcess.start(aProgram, aArguments);
    }
    void StartClient(bool aWindowed = false, const QStringList& aMore = {}) {
        Start(fClient, QStringLiteral(ZRV_CLIENT_EXE), ClientArguments(aWindowed) + aMore);
    }
    void StartSupervised() {
        Start(fSupervisor, QStringLiteral(ZRV_SESSION_BIN "/zrv2-supervise"),
              QStringList{QStringLiteral(ZRV_CLIENT_EXE)} + ClientArguments());
    }

    // The covering window of a program other than aNotProcess, once shown; its process in aPid.
    xcb_window_t LockWindow(qint64& aPid, qint64 aNotProcess = 0) {
        xcb_window_t found = 0;
        WaitUntil(
            [&] {
                QList<TZRVWindowInfo> windows;
                Windows().TopLevelWindows(windows);
                for (const TZRVWindowInfo& w : windows)
                    if (w.ProcessID != 0 && w.ProcessID != aNotProcess && w.Visible &&
                        fX.Viewable(xcb_window_t(w.Handle)) && Covers(xcb_window_t(w.Handle))) {
                        found = xcb_window_t(w.Handle);
                        aPid = w.ProcessID;
                        if (!fPids.contains(aPid))
                            fPids.append(aPid);
                    }
                return found != 0;
            },
            c_StartMs);
        return found;
    }

    // Where aWindow stands on the screen, in the root's coordinates; empty when it is gone.
    QRect Place(xcb_window_t aWindow) const {
        xcb_connection_t* c = fX.Xcb();
        TReply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, aWindow), nullptr));
        TReply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, aWindow, fX.Root(), 0, 0), nullptr));
        if (!geometry || !at)
            return QRect();
        return QRect(at->dst_x, at->dst_y, geometry->width, geometry->height);
    }
    QRect Screen() const {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(fX.Xcb())).data;
        return QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    }
    bool Covers(xcb_window_t aWindow) const { return Place(aWindow).contains(Screen()); }
    // The height of the screen that the window manager gives to maximised windows.
    int WorkAreaHeight() const { return int(fX.Cardinals(fX.Root(), "_NET_WORKAREA").value(3)); }

    // Whether someone else holds the keyboard and the pointer: the test cannot take them.
    bool InputHeldElsewhere() const {
        xcb_connection_t* c = fX.Xcb();
        TReply<xcb_grab_keyboard_reply_t> keyboard(xcb_grab_keyboard_reply(
            c, xcb_grab_keyboard(c, 0, fX.Root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
            nullptr));
        TReply<xcb_grab_pointer_reply_t> pointer(xcb_grab_pointer_reply(
            c,
            xcb_grab_pointer(c, 0, fX.Root(), 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
                             XCB_CURRENT_TIME),
            nullptr));
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
        xcb_flush(c);
        return keyboard && pointer && keyboard->status == XCB_GRAB_STATUS_ALREADY_GRABBED &&
               pointer->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
    }
    bool WaitInputHeld(bool aHeld) {
        return WaitUntil([&] { return InputHeldElsewhere() == aHeld; });
    }

    // Window aAbove is stacked above aBelow.
    bool StackedAbove(xcb_window_t aAbove, xcb_window_t aBelow) const {
        const QList<uint32_t> stack = fX.Cardinals(fX.Root(), "_NET_CLIENT_LIST_STACKING");
        return stack.contains(aBelow) && stack.indexOf(aAbove) > stack.indexOf(aBelow);
    }

    bool Ready() {
        return WaitUntil([this] { return Slot() && Slot()->Ready(); }, c_StartMs);
    }

    // The customer types the ticket's code on the lock screen: the logged-in panel shows.
    ::testing::AssertionResult LogIn(xcb_window_t aLock) {
        // Keys reach the program's widgets once its window has the focus, not merely the grab.
        if (!WaitUntil([&] { return fX.ActiveWindow() == aLock; }, c_StartMs))
            return ::testing::AssertionFailure() << "the lock screen never had the focus";
        // Keys typed while the program is still settling may be lost, as a customer's would: the
        // code is then typed again over what arrived.
        bool in = false;
        for (int attempt = 0; attempt < 3 && !in; ++attempt)
            in = fX.Key(QStringLiteral("ctrl+a")) &&
                 fX.Run(QStringLiteral("xdotool"),
                        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("10"), c_Code}) &&
                 fX.Key(QStringLiteral("Return")) &&
                 WaitUntil([this] { return Slot()->UserConnection()->Connected(); }, c_StartMs / 4);
        if (!in)
            return ::testing::AssertionFailure() << "the ticket typed three times did not log in";
        return ::testing::AssertionSuccess();
    }

    // The customer logs in, then opens the session from the logged-in panel; the lock screen goes.
    ::testing::AssertionResult OpenSession(xcb_window_t aLock) {
        if (::testing::AssertionResult in = LogIn(aLock); !in)
            return in;
        // The logged-in panel puts the focus on its open button once it shows, which may come after
        // the server's answer: the key is pressed again while the session is not open.
        bool open = false;
        for (int attempt = 0; attempt < 3 && !open; ++attempt)
            open =
                fX.Key(QStringLiteral("space")) &&
                WaitUntil([this] { return Slot()->UserConnection()->Session()->Openned(); }, c_StartMs / 4);
        if (!open)
            return ::testing::AssertionFailure() << "the session did not open";
        if (!WaitUntil([&] { return !fX.Viewable(aLock); }))
            return ::testing::AssertionFailure() << "the lock screen stayed";
        return ::testing::AssertionSuccess();
    }

    // The token of the session the program keeps in its settings, empty when none.
    static QString StoredToken() {
        QString stored = TZRVClientConfig().getStoredSession();
        if (stored.isEmpty() || !TZRVCrypt().Decrypt(stored))
            return QString();
        TStringList lines;
        lines.SetText(stored);
        return lines.Values(QStringLiteral("SessionToken"));
    }

    zrvtest::TempRegistry fRegistry;
    zrvtest::TempDataDir fData;
    QTemporaryDir fDir;
    QString fServerOutput;
    QTextStream fServerOut{&fServerOutput};
    std::unique_ptr<TZRVServerHost> fHost;
    QProcess fSupervisor;
    QProcess fClient;
    QList<qint64> fPids;
};

TEST_F(ClientProcess, KilledWithASessionRunningItComesBackLockedAndHandsTheSessionBack) {
    StartSupervised();
    qint64 first = 0;
    const xcb_window_t lock = LockWindow(first);
    ASSERT_NE(lock, 0u);
    ASSERT_TRUE(WaitInputHeld(true)); // the customer's keys reach the lock screen from now on
    ASSERT_TRUE(Ready());
    ASSERT_TRUE(OpenSession(lock));
    QString token;
    ASSERT_TRUE(WaitUntil([&] { return !(token = StoredToken()).isEmpty(); })) << qPrintable(fServerOutput);
    ASSERT_TRUE(Db().ReadSession(token));

    QElapsedTimer back;
    back.start();
    ASSERT_EQ(::kill(pid_t(first), SIGKILL), 0);
    qint64 second = 0;
    const xcb_window_t again = LockWindow(second, first);
    ASSERT_NE(again, 0u) << "the program did not come back";
    EXPECT_TRUE(WaitInputHeld(true));
    RecordProperty("back_locked_ms", int(back.elapsed()));
    std::printf("back locked after %lld ms\n", static_cast<long long>(back.elapsed()));

    // Its first link hands the session to the server, which writes what was used and ends it: the
    // ticket is free to log in again.
    EXPECT_TRUE(WaitUntil([&] { return !Db().ReadSession(token); }, c_StartMs));
    EXPECT_TRUE(WaitUntil([] { return StoredToken().isEmpty(); }));
    EXPECT_TRUE(fX.Viewable(again));
    EXPECT_FALSE(Slot()->UserConnection()->Connected());
    EXPECT_EQ(fSupervisor.state(), QProcess::Running);
}

TEST_F(ClientProcess, QuitSignalsFromOutsideEndOnlyTheProgramTriedInAWindow) {
    // In a window, the program is being tried: the signal ends it normally.
    StartClient(true);
    ASSERT_TRUE(Ready());
    ASSERT_EQ(::kill(pid_t(fClient.processId()), SIGTERM), 0);
    ASSERT_TRUE(WaitUntil([this] { return fClient.state() == QProcess::NotRunning; }, c_StartMs));
    EXPECT_EQ(fClient.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(fClient.exitCode(), 0);

    // Locking the PC, it refuses them all and keeps the screen and the input.
    StartClient();
    qint64 pid = 0;
    const xcb_window_t lock = LockWindow(pid);
    ASSERT_NE(lock, 0u);
    ASSERT_TRUE(WaitInputHeld(true));
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ASSERT_EQ(::kill(pid_t(pid), signal), 0);
    zrvtest::RunEventsFor(300);
    EXPECT_EQ(fClient.state(), QProcess::Running);
    EXPECT_TRUE(fX.Viewable(lock));
    EXPECT_TRUE(Covers(lock));
    EXPECT_TRUE(InputHeldElsewhere());
}

TEST_F(ClientProcess, TheLockScreenCoversTheScreenHoldsTheInputAndComesBackAboveAFullScreenWindow) {
    StartClient();
    qint64 pid = 0;
    const xcb_window_t lock = LockWindow(pid);
    ASSERT_NE(lock, 0u);
    EXPECT_TRUE(WaitInputHeld(true));
    ASSERT_TRUE(Ready());
    ASSERT_TRUE(OpenSession(lock));
    EXPECT_TRUE(WaitInputHeld(false));

    // The customer's game goes full screen; the session ends from the counter.
    const xcb_window_t game = fX.OwnWindow(QStringLiteral("Jeu"), zrvtest::TXSession::wsFullScreen);
    ASSERT_TRUE(WaitUntil([&] {
        return StackedAbove(game, lock) ||
               !fX.Cardinals(fX.Root(), "_NET_CLIENT_LIST_STACKING").contains(lock);
    }));
    Slot()->CommandCloseUserSession();
    ASSERT_TRUE(WaitUntil([&] { return fX.Viewable(lock); }, c_StartMs));
    EXPECT_TRUE(WaitUntil([&] { return StackedAbove(lock, game); }));
    EXPECT_TRUE(Covers(lock));
    EXPECT_TRUE(WaitInputHeld(true));
}

// The advertisement page is a window of the program's own, laid over the logged-in panel's place
// for it and above the lock screen, and the customer sees the page there.
TEST_F(ClientProcess, TheAdvertisementPageShowsOverTheLoggedInPanel) {
    QFile page(fData.Path() + QStringLiteral("/Client.htm"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html><body style='margin:0;background:#00ff00'></body></html>");
    page.close();
    StartClient(false, {QStringLiteral("showbrowser")});
    qint64 pid = 0;
    const xcb_window_t lock = LockWindow(pid);
    ASSERT_NE(lock, 0u);
    ASSERT_TRUE(Ready());
    ASSERT_TRUE(LogIn(lock));

    // The page's window, once the window manager has put it above the lock screen; looked up afresh
    // each time, since the panel may lay itself out again while it settles.
    const auto advertWindow = [&] {
        QList<TZRVWindowInfo> windows;
        Windows().TopLevelWindows(windows);
        for (const TZRVWindowInfo& w : windows)
            if (w.ProcessID == pid && xcb_window_t(w.Owner) == lock && fX.Viewable(xcb_window_t(w.Handle)) &&
                StackedAbove(xcb_window_t(w.Handle), lock))
                return xcb_window_t(w.Handle);
        return xcb_window_t(0);
    };
    ASSERT_TRUE(WaitUntil([&] { return advertWindow() != 0; }, c_StartMs));
    EXPECT_TRUE(fX.Viewable(lock));
    EXPECT_TRUE(WaitInputHeld(true));

    // The screen shows the page's colour in the middle of a window of a sensible size.
    xcb_connection_t* c = fX.Xcb();
    const auto middle = [&]() -> uint32_t {
        const QRect place = Place(advertWindow());
        if (place.width() <= 100 || place.height() <= 100)
            return ~0u;
        TReply<xcb_get_image_reply_t> image(xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, fX.Root(), int16_t(place.center().x()),
                          int16_t(place.center().y()), 1, 1, ~0u),
            nullptr));
        uint32_t pixel = 0;
        if (image && xcb_get_image_data_length(image.get()) >= 4)
            std::memcpy(&pixel, xcb_get_image_data(image.get()), 4);
        return pixel & 0xffffffu;
    };
    EXPECT_TRUE(WaitUntil([&] { return middle() == 0x00ff00u; }, c_StartMs)) << std::hex << middle();
}

// The session's bar keeps its strip at the bottom of the screen: a maximised window stops above
// it, and gets the whole screen back once the session ends.
TEST_F(ClientProcess, AMaximisedWindowLeavesTheBarVisibleUntilTheSessionEnds) {
    StartClient();
    qint64 pid = 0;
    const xcb_window_t lock = LockWindow(pid);
    ASSERT_NE(lock, 0u);
    ASSERT_TRUE(Ready());
    const int height = Screen().height(), bar = 33;
    ASSERT_EQ(WorkAreaHeight(), height);
    ASSERT_TRUE(OpenSession(lock));

    xcb_window_t barWindow = 0;
    ASSERT_TRUE(WaitUntil([&] {
        QList<TZRVWindowInfo> windows;
        Windows().TopLevelWindows(windows);
        for (const TZRVWindowInfo& w : windows)
            if (w.ProcessID == pid && fX.Viewable(xcb_window_t(w.Handle)) &&
                Place(xcb_window_t(w.Handle)) == QRect(0, height - bar, Screen().width(), bar))
                barWindow = xcb_window_t(w.Handle);
        return barWindow != 0;
    }));
    EXPECT_TRUE(WaitUntil([&] { return WorkAreaHeight() == height - bar; }));

    const xcb_window_t browser = fX.OwnWindow(QStringLiteral("Navigateur"), zrvtest::TXSession::wsMaximized);
    EXPECT_TRUE(WaitUntil([&] {
        const QRect place = Place(browser);
        return place.height() > height / 2 && place.bottom() < height - bar &&
               place.bottom() > height - bar - 10;
    })) << Place(browser).bottom();
    EXPECT_TRUE(StackedAbove(barWindow, browser));
    EXPECT_TRUE(fX.Viewable(barWindow));

    Slot()->CommandCloseUserSession();
    EXPECT_TRUE(WaitUntil([&] { return WorkAreaHeight() == height; }, c_StartMs));
    EXPECT_TRUE(WaitUntil([&] { return Place(browser).bottom() >= height - bar; }))
        << Place(browser).bottom();
}

} // namespace
