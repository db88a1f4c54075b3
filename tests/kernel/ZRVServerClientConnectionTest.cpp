// The server's side of one workstation link: handshake, readiness, machine registration, pings,
// commands and the workstation's link-level answers, with the real workstation connection, and
// what no workstation sends with a bare socket.

#include "ZRVServerTestFixture.h"

#include "ZRVServerConfig.h"
#include "support/FakePlatform.h"

#include <QSqlQuery>

using namespace zrvtest;

namespace {

class ServerClientConnection : public ServerTest {
protected:
    int MachineRows(const QString& aName) {
        QSqlQuery q(fDb.Connection());
        q.prepare("SELECT count(*) FROM tblMachines WHERE MachineName = ?");
        q.addBindValue(aName);
        return q.exec() && q.next() ? q.value(0).toInt() : -1;
    }
    // A ping message answered and the link still up afterwards.
    void ExpectPingEchoed(RawPeer& aPeer) {
        aPeer.ClearReceived();
        aPeer.Send({c_msgid_ClientConnection, c_msgreason_ClientPing});
        EXPECT_TRUE(aPeer.WaitFor(c_CLIENT_PING));
    }
};

TEST_F(ServerClientConnection, HandshakeReadinessAndMachineRegistration) {
    fServer->ServerInfos().Add("Café du port");
    auto ws = Join("PC01");
    EXPECT_EQ(ws->Conn().ServerInfos().Lines(), QStringList({"Café du port"}));
    TZRVServerClientConnection* slot = Slot(1);
    EXPECT_TRUE(slot->Ready());
    EXPECT_EQ(slot->RemoteHost(), "PC01");
    EXPECT_EQ(slot->RemoteAddress(), "127.0.0.1");
    ASSERT_TRUE(WaitUntil([&] { return fDb.MachineExists("PC01") != 0; }));
    const uint32_t id = uint32_t(fDb.MachineExists("PC01"));
    EXPECT_TRUE(WaitUntil([&] { return slot->ClientMachine()->MachineID() == id; }));

    // The same workstation again: its row is updated, not added.
    ws->Conn().ShutDownConnection();
    ASSERT_TRUE(WaitUntil([&] { return !slot->Connected(); }));
    auto again = Join("PC01");
    ASSERT_TRUE(WaitUntil([&] { return slot->ClientMachine()->MachineID() == id; }));
    EXPECT_EQ(MachineRows("PC01"), 1);
}

TEST_F(ServerClientConnection, ServerPingsAnsweredKeepTheLinkAndUnansweredDropIt) {
    int timeOuts = 0;
    fServer->SetServerPingInterval(200);
    fServer->SetServerPingTimeOut(400);
    fServer->SetServerPingEnabled(true);
    auto ws = Join("PC01");
    ASSERT_TRUE(WaitUntil([&] { return ws->Events().count("ServerPing") >= 3; }));
    EXPECT_TRUE(ws->Conn().Connected());
    EXPECT_FALSE(Log().contains("default ping timeout"));

    auto silent = Join("PC02");
    silent->Conn().SetOnClientConnection_msgid([](QObject*, const QString&) {}); // answers nothing
    ASSERT_TRUE(silent->WaitFor("Disconnect"));
    EXPECT_TRUE(Log().contains(
        "ServerClient shutdown connection (PC02:127.0.0.1) because default ping timeout (pi=200 to=400)"));
    EXPECT_TRUE(Log().contains("LOG-CONTINUE"));
    EXPECT_TRUE(ws->Conn().Connected());

    // A host that handles the time-out itself decides what happens.
    fServer->SetOnServerPingTimeOut([&](QObject*, TZRVServerClientConnection*) { ++timeOuts; });
    auto kept = Join("PC03");
    kept->Conn().SetOnClientConnection_msgid([](QObject*, const QString&) {});
    ASSERT_TRUE(WaitUntil([&] { return timeOuts > 0; }));
    EXPECT_TRUE(kept->Conn().Connected());
}

TEST_F(ServerClientConnection, ClientPingsAreEchoed) {
    int pings = 0;
    fServer->SetOnClientPing([&](QObject*, TZRVServerClientConnection*) { ++pings; });
    auto ws = Join("PC01");
    ws->Conn().SetClientPingInterval(400);
    ws->Conn().SetClientPingTimeOut(300);
    ws->Conn().SetClientPingEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return pings >= 3; }));
    EXPECT_TRUE(ws->Conn().Connected());

    // A server that stops echoing is left by the workstation.
    Slot(1)->SetOnClientConnection_msgid([](QObject*, const QString&) {});
    EXPECT_TRUE(ws->WaitFor("Disconnect"));
}

TEST_F(ServerClientConnection, CommandsReachTheWorkstation) {
    using Command = void (TZRVServerClientConnection::*)();
    const struct {
        Command Send;
        const char* Event;
    } commands[] = {
        {&TZRVServerClientConnection::CommandCloseClientModule, "QueryCloseClientModule"},
        {&TZRVServerClientConnection::CommandLaunchClientModule, "QueryLaunchClientModule"},
        {&TZRVServerClientConnection::CommandRebootWorkStation, "QueryRebootWorkStation"},
        {&TZRVServerClientConnection::CommandShutdownWorkStation, "QueryShutdownWorkStation"},
        {&TZRVServerClientConnection::CommandCloseClientConnection, "Disconnect"},
    };
    auto ws = Join("PC01");
    for (const auto& c : commands) {
        (Slot(1)->*c.Send)();
        EXPECT_TRUE(ws->WaitFor(c.Event)) << c.Event;
    }
    EXPECT_FALSE(ws->Conn().Connected());
    ASSERT_TRUE(WaitUntil([&] { return !Slot(1)->Connected(); }));

    auto next = Join("PC02");
    EXPECT_TRUE(Slot(1)->SendClientMessage("Fermeture à 22 h"));
    EXPECT_TRUE(next->WaitFor("Info:Fermeture à 22 h"));

    // The workstation reports its sleep state; the server only asks for it.
    bool reported = false;
    fServer->SetOnClientShutdownStateChange([&](QObject*, TZRVServerClientConnection*) { reported = true; });
    next->Conn().SetOnQueryCloseClientModule([&](QObject*) { next->Conn().SetShuttedDown(true); });
    Slot(1)->SetShuttedDown(true);
    ASSERT_TRUE(WaitUntil([&] { return reported; }));
    EXPECT_TRUE(Slot(1)->ShuttedDown());
}

TEST_F(ServerClientConnection, UserCommandsCloseTheSessionAndTheLogin) {
    AddTicket("TICKET01");
    auto ws = Join("PC01");
    ws->User().OpenTicket("TICKET01");
    ASSERT_EQ(ws->Outcome("Open"), "Open");
    StartSession(*ws, 1);
    TZRVServerUserConnection* user = Slot(1)->UserConnection();

    Slot(1)->CommandCloseUserSession();
    ASSERT_TRUE(WaitUntil([&] { return !user->Session()->Openned(); }));
    EXPECT_TRUE(user->Connected());
    Slot(1)->CommandCloseUserConnection();
    ASSERT_TRUE(WaitUntil([&] { return !user->Connected(); }));
    EXPECT_FALSE(ws->User().Connected());
}

TEST_F(ServerClientConnection, RunningApplicationsAndTheirTermination) {
    auto& windows = FakePlatform().FakeWindows();
    TZRVWindowInfo notepad;
    notepad.Handle = 11;
    notepad.Caption = "Bloc-notes";
    notepad.Visible = true;
    TZRVWindowInfo browser = notepad;
    browser.Handle = 12;
    browser.Caption = "Navigateur";
    browser.ClassName = "ieframe";
    windows.SetWindows({notepad, browser});
    int lists = 0;
    int kills = 0;
    fServer->SetOnClientAppsListAvailable([&](QObject*, TZRVServerClientConnection*) { ++lists; });
    fServer->SetOnClientAppKillResult([&](QObject*, TZRVServerClientConnection*) { ++kills; });
    auto ws = Join("PC01");

    Slot(1)->RequestRunningApplications();
    ASSERT_TRUE(WaitUntil([&] { return lists == 1; }));
    EXPECT_EQ(Slot(1)->AppsNames().Lines(), QStringList({"Bloc-notes", "Navigateur"}));
    EXPECT_EQ(Slot(1)->AppsHandles().Lines(), QStringList({"11", "12"}));

    Slot(1)->TerminateApplication(12, true);
    ASSERT_TRUE(WaitUntil([&] { return kills == 1; }));
    EXPECT_TRUE(Slot(1)->KillResult());
    EXPECT_TRUE(ws->WaitFor("Info:Une application a été fermée sur ordre du serveur !"));
    EXPECT_TRUE(WaitUntil([&] { return lists == 2; })); // asked again after the termination
}

TEST_F(ServerClientConnection, ConfigurationAndSecretQuestions) {
    AddAccount("alice", "pw", true, 3600, "Ville natale ?", "Douala");
    AddAccount("bob", "pw", true, 3600, "Plat préféré ?", "Ndolé");
    TZRVClientConfig().SetUICompanyName("Ancien nom");
    auto ws = Join("PC01");
    // The ready message carries the workstation's settings.
    EXPECT_TRUE(WaitUntil([&] { return Slot(1)->ClientConfig()->UICompanyName() == "Ancien nom"; }));

    TStringList received;
    fServer->SetOnClientConfigListAvailable(
        [&](QObject*, TZRVServerClientConnection*, const TStringList& aList) { received = aList; });
    Slot(1)->RequestClientConfigList();
    ASSERT_TRUE(WaitUntil([&] { return !received.IsEmpty(); }));
    EXPECT_EQ(received.Values("ClC_UICN"), "Ancien nom");

    Slot(1)->ClientConfig()->SetUICompanyName("Café du port");
    Slot(1)->ApplyClientConfig();
    EXPECT_TRUE(WaitUntil([&] { return TZRVClientConfig().UICompanyName() == "Café du port"; }));

    ws->Conn().RequestSQList();
    ASSERT_TRUE(ws->WaitFor("SecretQuestionList"));
    EXPECT_EQ(ws->Conn().SecretQuestionList().Lines(), QStringList({"Ville natale ?", "Plat préféré ?"}));
}

TEST_F(ServerClientConnection, OperatorCreatesAnAccountForTheWorkstation) {
    AddAccount("alice", "pw");
    auto ws = Join("PC01");
    TZRVUserAccount account;
    account.SetAccountName("alice");
    account.SetAccountPassword("x");
    account.SecretQuestion()->SetQuestion("Ville natale ?");
    account.Group()->SetGroupID(1);
    uint32_t added = 0;
    const auto note = [&](uint32_t aID) { added = aID; };
    Slot(1)->RequestCreateAccount(account, note);
    EXPECT_EQ(ws->Outcome("AccountCreated"), "Fail:Nom de compte déjà existant");
    EXPECT_EQ(added, 0u);

    ws->ClearEvents();
    account.SetAccountName("zoe");
    Slot(1)->RequestCreateAccount(account, note);
    EXPECT_EQ(ws->Outcome("AccountCreated"), "AccountCreated");
    EXPECT_NE(added, 0u);
    EXPECT_EQ(fDb.AccountExists("zoe"), int(added));
}

TEST_F(ServerClientConnection, HandshakeComesRightAfterTheAccept) {
    fServer->ServerInfos().Add("Bienvenue");
    RawPeer peer(Port());
    TStringList handshake;
    ASSERT_TRUE(peer.WaitFor(c_SERVER_HANDSHAKE, &handshake));
    EXPECT_EQ(handshake.Values("SvrVersion"), "2.3");
    EXPECT_EQ(handshake.Values("SvrProtocolVersion"), "0.4");
    EXPECT_NO_THROW(StrToDateTime(handshake.Values("SvrDateTime")));
    EXPECT_TRUE(handshake.Lines().contains("Nfos_Bienvenue"));
}

TEST_F(ServerClientConnection, ReadyWithoutValueClosesTheLink) {
    QList<bool> readies;
    fServer->SetOnClientConnectionReady(
        [&](QObject*, TZRVServerClientConnection* c) { readies << c->Ready(); });
    RawPeer peer(Port());
    ASSERT_TRUE(peer.WaitFor(c_SERVER_HANDSHAKE));
    peer.Send({c_msgid_ClientConnection, c_msgreason_ClientReady, "ReadyComment=pas prêt"});
    EXPECT_TRUE(peer.WaitClosed());
    EXPECT_EQ(readies, QList<bool>({false}));
    EXPECT_FALSE(Slot(1)->Connected());
}

TEST_F(ServerClientConnection, RunningApplicationsStopAtTheFirstMissingHandle) {
    RawPeer peer(Port());
    ASSERT_TRUE(peer.MakeReady("RAW"));
    int lists = 0;
    fServer->SetOnClientAppsListAvailable([&](QObject*, TZRVServerClientConnection*) { ++lists; });
    peer.Send({c_msgid_ClientConnection, c_msgreason_GetRunningApplicationsList, "Name1=Jeu", "Handle1=11",
               "Handle2=12", "Name4=Perdu", "Handle4=14"});
    ASSERT_TRUE(WaitUntil([&] { return lists == 1; }));
    EXPECT_EQ(Slot(1)->AppsNames().Lines(), QStringList({"Jeu", ""}));
    EXPECT_EQ(Slot(1)->AppsHandles().Lines(), QStringList({"11", "12"}));
}

TEST_F(ServerClientConnection, PingUnderEitherIdentifierIsEchoedByteForByte) {
    RawPeer peer(Port());
    ASSERT_TRUE(peer.MakeReady("RAW"));
    for (const QString& id : {c_msgid_UserConnection, QStringLiteral("messageid=client_connection")}) {
        const QStringList lines = {id, "MessageReason=client_ping", "Extra=été"};
        peer.ClearReceived();
        peer.Send(lines);
        ASSERT_TRUE(peer.WaitFor(c_CLIENT_PING)) << id.toStdString();
        EXPECT_EQ(peer.Received().last(), TStringList(lines).Text());
    }
}

TEST_F(ServerClientConnection, HostileInputNeitherStopsNorCorruptsTheLink) {
    RawPeer peer(Port());
    ASSERT_TRUE(peer.MakeReady("RAW"));
    QStringList manyApps = {c_msgid_ClientConnection, c_msgreason_GetRunningApplicationsList};
    for (int i = 1; i <= 3000; ++i)
        manyApps << QStringLiteral("Handle%1=%1").arg(i);
    const QByteArray marker = "#ZRV2_SC_DATA#";
    const struct {
        const char* What;
        QByteArray Bytes;
    } inputs[] = {
        {"no marker", QByteArray("garbage without any frame\r\n\x01\x02\xff")},
        {"marker only", marker},
        {"unknown identifier", marker + "MessageID=SOMEONE_ELSE\r\nMessageReason=CLIENT_PING\r\n"},
        {"malformed flag",
         marker + "MessageID=CLIENT_CONNECTION\r\nMessageReason=CLIENT_READY\r\nReadyValue=abc\r\n"},
        {"malformed state",
         marker + "MessageID=CLIENT_CONNECTION\r\nMessageReason=CLIENT_SHUTDOWN_STATE\r\n"},
        {"huge count", marker + "MessageID=CLIENT_CONNECTION\r\nMessageReason=CLIENT_HANDSHAKE\r\n"
                                "Mcn_MNm=X\r\nMcn_Gam_Games_Count=999999999\r\n"},
        {"session report of nobody", marker + "MessageID=USER_CONNECTION\r\nMessageReason=SESSION_UPDATE\r\n"
                                              "CreditValue=-5\r\n"},
        {"oversized message", marker + "MessageID=CLIENT_CONNECTION\r\nMessageReason=CLIENT_PING\r\nPad=" +
                                  QByteArray(200 * 1024, 'x') + "\r\n"},
        {"many applications", EncodeMessage(TStringList(manyApps).Text(), TZRVCrypt())},
    };
    for (const auto& input : inputs) {
        peer.SendRaw(input.Bytes);
        ExpectPingEchoed(peer);
        EXPECT_TRUE(Slot(1)->Connected()) << input.What;
    }
    EXPECT_EQ(Slot(1)->AppsHandles().Count(), 3000);
    EXPECT_EQ(Slot(1)->RemoteHost(), "RAW"); // a record that does not read leaves the last one whole
    EXPECT_TRUE(Log().contains("dropped"));
}

TEST_F(ServerClientConnection, WorkstationThatDoesNotReadIsDropped) {
    QTcpSocket deaf; // reads nothing
    deaf.setReadBufferSize(1);
    deaf.connectToHost(QHostAddress::LocalHost, Port());
    ASSERT_TRUE(WaitUntil([&] { return Slot(1)->Connected(); }));
    const QByteArray ping = EncodeMessage(
        TStringList({c_msgid_ClientConnection, c_msgreason_ClientPing, "Pad=" + QString(100000, u'x')})
            .Text(),
        TZRVCrypt());
    for (int i = 0; i < 400 && Slot(1)->Connected(); ++i) {
        deaf.write(ping);
        WaitUntil([&] { return deaf.bytesToWrite() == 0; }, 200);
    }
    EXPECT_TRUE(WaitUntil([&] { return !Slot(1)->Connected(); }));
    EXPECT_TRUE(Log().contains("does not read what is sent"));
}

TEST_F(ServerClientConnection, SlotFedWithoutASocketRunsItsRequests) {
    // The fuzzing of the server feeds a slot its bytes directly; its requests reach the database.
    AddTicket("AB12CD34");
    TZRVServerClientConnection* slot = Slot(1);
    slot->Handler_OnClientConnect();
    const auto feed = [&](const QStringList& aLines) {
        slot->Receive(EncodeMessage(TStringList(aLines).Text(), TZRVCrypt()));
    };
    feed(RawPeer::Handshake("SANS-SOCKET"));
    feed(RawPeer::Ready());
    feed({c_msgid_UserConnection, c_msgreason_GetTicket, "TicketCode=AB12CD34"});
    EXPECT_TRUE(WaitUntil([&] { return slot->UserConnection()->Connected(); }));
    EXPECT_TRUE(WaitUntil([&] { return fDb.MachineExists("SANS-SOCKET") != 0; }));
    slot->Handler_OnClientDisconnect();
    EXPECT_FALSE(slot->UserConnection()->Connected());
}

} // namespace
