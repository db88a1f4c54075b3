// What the server tells the workstation (close the session, sleep, wake, a message, reboot, shut
// down), the link lost and found again, and the desktop session's end refused while it must be.

#include "ClientTestFixture.h"

#include <QTcpServer>

using namespace zrvtest;

namespace {

class ServerCommands : public ClientTest {
protected:
    void StartLoggedIn() {
        StartServer();
        AddTicket(QStringLiteral("TICKET10"), 3600);
        StartClient();
        ASSERT_TRUE(WaitReady());
        ASSERT_TRUE(WaitUntil([this] { return Slot() && Slot()->Ready(); }));
        ASSERT_TRUE(LoginTicket(QStringLiteral("TICKET10")));
        Session()->SetChangeInterval(3600000);
    }
};

TEST_F(ServerCommands, CloseTheSessionAndLogTheCustomerOut) {
    StartLoggedIn();
    ASSERT_TRUE(OpenSession());
    Slot()->CommandCloseUserSession();
    ASSERT_TRUE(WaitUntil([] { return frmClient->isVisible(); }));
    EXPECT_FALSE(frmTaskBar->isVisible());
    EXPECT_TRUE(frmClient->PanelUserConnected->isVisible());
    EXPECT_TRUE(User()->Connected());

    // "Continuer ma session" goes on without touching the browsers or the start page.
    const QStringList launched = FakePlatform().FakeLauncher().Calls();
    ASSERT_TRUE(WaitUntil([this] { return !Slot()->UserConnection()->Session()->Openned(); }));
    Click(frmClient->ButtonContinueSession);
    ASSERT_TRUE(WaitUntil([] { return frmTaskBar->isVisible(); }));
    EXPECT_TRUE(Session()->Openned());
    EXPECT_EQ(FakePlatform().FakeLauncher().Calls(), launched);
    Slot()->CommandCloseUserSession();
    ASSERT_TRUE(WaitUntil([] { return frmClient->isVisible(); }));

    Slot()->CommandCloseUserConnection();
    ASSERT_TRUE(WaitUntil([this] { return !User()->Connected(); }));
    EXPECT_TRUE(frmClient->PageControl->isVisible());
    EXPECT_FALSE(frmClient->PanelUserConnected->isVisible());
}

TEST_F(ServerCommands, SleepAndWake) {
    StartLoggedIn();
    ASSERT_TRUE(OpenSession());
    Slot()->CommandCloseClientModule();
    ASSERT_TRUE(WaitUntil([] { return frmMain->ZRVClientConnection->ShuttedDown(); }));
    EXPECT_FALSE(frmClient->isVisible());
    EXPECT_FALSE(frmTaskBar->isVisible());
    EXPECT_FALSE(User()->Connected());
    EXPECT_TRUE(FakePlatform().FakeRestrictions().DesktopVisible());
    EXPECT_TRUE(FakePlatform().FakeRestrictions().StartMenuEnabled());
    EXPECT_FALSE(FakePlatform().FakeDesktop().InputGrabbed());
    // Asleep, the desktop session may end.
    EXPECT_FALSE(FakePlatform().FakeSession().EndBlocked());
    EXPECT_TRUE(frmMain->QueryEndSession());
    EXPECT_TRUE(WaitUntil([this] { return Slot()->ShuttedDown(); }));

    Slot()->CommandLaunchClientModule();
    ASSERT_TRUE(WaitUntil([] { return frmClient->isVisible(); }));
    EXPECT_FALSE(frmMain->ZRVClientConnection->ShuttedDown());
    EXPECT_FALSE(FakePlatform().FakeRestrictions().DesktopVisible());
    EXPECT_TRUE(FakePlatform().FakeDesktop().InputGrabbed());
    EXPECT_TRUE(FakePlatform().FakeSession().EndBlocked());
}

TEST_F(ServerCommands, SleepIsRefusedWhenTheProgramIsTheShell) {
    StartLoggedIn();
    FakePlatform().FakeRestrictions().SetShellRunningState(false);
    Slot()->CommandCloseClientModule();
    RunEventsFor(100);
    EXPECT_FALSE(frmMain->ZRVClientConnection->ShuttedDown());
    EXPECT_TRUE(frmClient->isVisible());
}

TEST_F(ServerCommands, AMessageIsShownOnlyToALoggedInCustomer) {
    StartServer();
    AddTicket(QStringLiteral("TICKET11"), 3600);
    StartClient();
    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(WaitUntil([this] { return Slot() && Slot()->Ready(); }));
    Slot()->SendClientMessage(QStringLiteral("Personne"));
    RunEventsFor(100);
    EXPECT_EQ(NoticesSaying(QStringLiteral("Personne")), 0);

    ASSERT_TRUE(LoginTicket(QStringLiteral("TICKET11")));
    Slot()->SendClientMessage(QStringLiteral("Le café ferme dans dix minutes"));
    ASSERT_TRUE(
        WaitUntil([this] { return NoticesSaying(QStringLiteral("Le café ferme dans dix minutes")) == 1; }));
    const TZRVPopupInfos& infos = Notice(QStringLiteral("Le café ferme dans dix minutes"))->Infos();
    EXPECT_EQ(infos.Title, QStringLiteral("Message du serveur"));
    EXPECT_EQ(infos.FontSize, 10);
    EXPECT_FALSE(infos.FontBold);
    EXPECT_EQ(infos.FontColor, ZRVColor::Black);
    EXPECT_EQ(infos.TimeOut, 60);
}

TEST_F(ServerCommands, RebootAndShutdownEndTheDesktopSession) {
    struct Case {
        void (TZRVServerClientConnection::*Command)();
        QString Call;
    };
    const Case cases[] = {
        {&TZRVServerClientConnection::CommandRebootWorkStation, QStringLiteral("End(Reboot,force)")},
        {&TZRVServerClientConnection::CommandShutdownWorkStation, QStringLiteral("End(PowerOff,force)")}};
    StartLoggedIn();
    ASSERT_TRUE(OpenSession());
    EXPECT_FALSE(frmMain->QueryEndSession());
    EXPECT_NE(Notice(QStringLiteral(
                  "Vous n'avez pas le droit d'arrêter la session windows, redémarrer ou éteindre la "
                  "station de travail !")),
              nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Call.toStdString());
        (Slot()->*c.Command)();
        ASSERT_TRUE(WaitUntil([&] { return FakePlatform().FakeSession().Calls().contains(c.Call); }))
            << FakePlatform().FakeSession().Calls().join(u' ').toStdString();
        EXPECT_TRUE(frmMain->CanCloseApp);
        EXPECT_TRUE(frmMain->CanExitWindows());
        EXPECT_TRUE(frmMain->QueryEndSession());
        EXPECT_FALSE(FakePlatform().FakeSession().EndBlocked());
    }
}

TEST_F(ServerCommands, AnUnreachableServerIsTriedAgainUntilItAnswers) {
    // A port nobody listens on, taken by the server later.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    fPort = probe.serverPort();
    probe.close();
    StartClient();
    ASSERT_TRUE(WaitInfo(QStringLiteral("Erreur de connection")));
    EXPECT_EQ(frmClient->ShapeConnectState->Brush(), QColor(Qt::red));
    EXPECT_EQ(BackgroundColor(frmTaskBar->PanelTaskbar), QColor(Qt::red));
    Click(frmClient->ButtonOpenTicket);
    Type(frmClient->LabeledEditTicketCode, QStringLiteral("TICKET12"));
    Click(frmClient->ButtonOpenTicket);
    EXPECT_EQ(Info(), QStringLiteral("Communication avec le serveur impossible"));
    QTest::mouseClick(frmClient->LabelCreateAccount, Qt::LeftButton);
    EXPECT_EQ(Info(), QStringLiteral("Connection avec le serveur nécéssaire pour exécuter cette action"));
    EXPECT_FALSE(frmClient->PanelAccountCreation->isVisible());

    StartServer(fPort);
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(frmClient->ShapeConnectState->Brush(), QColor(Qt::green));
    // The indicator shows the link's state when clicked.
    SetBackgroundColor(frmClient->ShapeConnectState, ZRVColor::Red);
    QTest::mouseClick(frmClient->ShapeConnectState, Qt::LeftButton);
    EXPECT_EQ(frmClient->ShapeConnectState->Brush(), QColor(Qt::green));

    fHost.reset();
    ASSERT_TRUE(WaitInfo(QStringLiteral("Connection avec le serveur interrompue")));
    EXPECT_EQ(frmClient->ShapeConnectState->Brush(), QColor(Qt::red));
}

} // namespace
