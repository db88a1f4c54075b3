// The server's listener: the slot table and its look-ups, the events it relays to its host, the
// discovery responder, and starting and stopping, with real workstation connections.

#include "ZRVServerTestFixture.h"

#include <QHostInfo>
#include <QNetworkDatagram>
#include <QUdpSocket>

using namespace zrvtest;

namespace {

class ServerConnection : public ServerTest {};

TEST_F(ServerConnection, FullTableRefusesTheNextWorkstation) {
    fServer->SetMaxConnections(2);
    int accepted = 0;
    fServer->SetOnNewClientConnection([&](QObject*, TZRVServerClientConnection*) { ++accepted; });
    auto first = Join("PC01");
    auto second = Join("PC02");
    Workstation third(Port(), "PC03");
    third.Conn().OpenConnection();
    EXPECT_TRUE(third.WaitFor("Disconnect"));
    EXPECT_FALSE(third.Saw("Ready"));
    EXPECT_EQ(accepted, 2);
    EXPECT_EQ(fServer->GetConnectionsCount(), 2);
    EXPECT_TRUE(first->Conn().Connected());
    EXPECT_TRUE(second->Conn().Connected());
}

TEST_F(ServerConnection, FreedSlotIsTakenFirstAndLookUpsFollowTheTable) {
    const uint32_t alice = AddAccount("alice", "pw");
    AddTicket("TICKET01");
    auto first = Join("PC01");
    auto second = Join("PC02");
    second->User().OpenAccount("alice", "pw");
    ASSERT_EQ(second->Outcome("Open"), "Open");
    auto third = Join("PC03");
    third->User().OpenTicket("TICKET01");
    ASSERT_EQ(third->Outcome("Open"), "Open");
    const uint32_t ticket = Slot(3)->UserConnection()->Session()->Ticket()->TicketID();

    first->Conn().ShutDownConnection();
    ASSERT_TRUE(WaitUntil([&] { return !Slot(1)->Connected(); }));
    EXPECT_EQ(fServer->GetFreeConnection(), 1);
    EXPECT_EQ(fServer->GetConnectionsCount(), 2);
    EXPECT_EQ(fServer->GetActiveConnections(1), Slot(2));
    EXPECT_EQ(fServer->GetActiveConnections(2), Slot(3));
    EXPECT_EQ(fServer->GetActiveConnections(3), nullptr);
    EXPECT_EQ(fServer->GetConnection(0), nullptr);
    EXPECT_EQ(fServer->GetConnection(11), nullptr);
    EXPECT_EQ(fServer->SocketToConnectionIndex(Slot(3)->WinSocket()), 3);
    EXPECT_EQ(fServer->SocketToConnectionIndex(nullptr), 0);
    EXPECT_EQ(fServer->DuplicatedAccount("ALICE"), 1);
    EXPECT_EQ(fServer->DuplicatedTicket("ticket01"), 1);
    EXPECT_EQ(fServer->DuplicatedSession(Slot(2)->UserConnection()->Session()), 1);
    // Positions among the slots with a workstation, not slot numbers.
    EXPECT_EQ(fServer->AccountSessionRunning(alice), 1);
    EXPECT_EQ(fServer->TicketSessionRunning(ticket), 2);
    EXPECT_EQ(fServer->AccountSessionRunning(0), 0);
    EXPECT_EQ(fServer->TicketSessionRunning(0), 0);

    auto fourth = Join("PC04");
    EXPECT_EQ(Slot(1)->RemoteHost(), "PC04");
    EXPECT_EQ(fServer->GetFreeConnection(), 4);
}

TEST_F(ServerConnection, RelaysTheEventsOfAWorkstationToItsHost) {
    AddTicket("TICKET01");
    QStringList events;
    const auto record = [&](const char* aName) {
        return [this, &events, aName](QObject* Sender, TZRVServerClientConnection* c) {
            EXPECT_EQ(Sender, fServer.get());
            EXPECT_EQ(c, Slot(1));
            events << aName;
        };
    };
    fServer->SetOnNewClientConnection(record("new"));
    fServer->SetOnClientConnectionReady(record("ready"));
    fServer->SetOnUserConnectionOpen(record("open"));
    fServer->SetOnClientSessionStart(record("start"));
    fServer->SetOnClientSessionStop(record("stop"));
    fServer->SetOnUserConnectionClose(record("close"));
    fServer->SetOnClientDisconnection(record("gone"));
    fServer->SetOnClientConnectionInfoMessage(
        [&](QObject*, TZRVServerClientConnection*, const QString& aMsg) { events << "info:" + aMsg; });

    auto ws = Join("PC01");
    ws->Conn().SendServerMessage("Imprimante vide");
    ASSERT_TRUE(WaitUntil([&] { return events.contains("info:Imprimante vide"); }));
    ws->User().OpenTicket("TICKET01");
    ASSERT_EQ(ws->Outcome("Open"), "Open");
    ws->Session().SetAutoChangeCredit(false);
    ASSERT_TRUE(ws->Session().Open());
    ASSERT_TRUE(WaitUntil([&] { return events.contains("start"); }));
    ws->User().Close();
    ASSERT_TRUE(WaitUntil([&] { return events.contains("close"); }));
    ws->Conn().ShutDownConnection();
    ASSERT_TRUE(WaitUntil([&] { return events.contains("gone"); }));
    EXPECT_EQ(events, QStringList({"new", "ready", "info:Imprimante vide", "open", "start", "stop", "close",
                                   "close", "gone"}));
}

TEST_F(ServerConnection, DiscoveryAnswersWithHostNameAndPort) {
    QUdpSocket asker;
    ASSERT_TRUE(asker.bind(QHostAddress::LocalHost, 0));
    for (const QByteArray& question :
         {QByteArray("who is the server?"), QByteArray(), QByteArray(600, '\xff')}) {
        asker.writeDatagram(question, QHostAddress::LocalHost, fServer->DiscoveryPort());
        ASSERT_TRUE(WaitUntil([&] { return asker.hasPendingDatagrams(); }));
        const QNetworkDatagram answer = asker.receiveDatagram();
        EXPECT_EQ(QString::fromUtf8(answer.data()),
                  QStringLiteral("%1:%2").arg(QHostInfo::localHostName()).arg(Port()));
    }
}

TEST_F(ServerConnection, SettingsOfAnActiveServer) {
    const int port = fServer->ServerPort();
    fServer->SetServerPort(port + 1);
    EXPECT_EQ(fServer->ServerPort(), port);
    EXPECT_TRUE(fServer->Active());

    // Settings reach the slots that exist when they are made.
    fServer->SetServerPingEnabled(true);
    fServer->SetAutoDBUpdateSession(true);
    fServer->SetServerPingInterval(5000);
    fServer->SetMaxConnections(20);
    EXPECT_EQ(fServer->MaxConnections(), 20);
    EXPECT_TRUE(Slot(10)->ServerPingEnabled());
    EXPECT_EQ(Slot(10)->ServerPingInterval(), 5000u);
    EXPECT_FALSE(Slot(11)->ServerPingEnabled());
    EXPECT_FALSE(Slot(20)->UserConnection()->AutoDBUpdateSession());
    EXPECT_EQ(Slot(20)->ServerPingInterval(), 120000u);
    EXPECT_TRUE(fServer->AutoDBUpdateSession());
    EXPECT_FALSE(fServer->WatchDogTimer()->isActive());
}

TEST_F(ServerConnection, ShrinkingTheTableShutsDownTheRemovedSlots) {
    AddTicket("TICKET02");
    auto first = Join("PC01");
    auto second = Join("PC02");
    second->User().OpenTicket("TICKET02");
    ASSERT_EQ(second->Outcome("Open"), "Open");
    StartSession(*second, 2);
    second->Session().Credit()->SetCreditValue(1234);
    second->User().UpdateSession();
    ASSERT_TRUE(
        WaitUntil([&] { return Slot(2)->UserConnection()->Session()->Credit()->CreditValue() == 1234; }));

    fServer->SetMaxConnections(1);
    EXPECT_EQ(fServer->MaxConnections(), 1);
    EXPECT_TRUE(second->WaitFor("Disconnect"));
    EXPECT_EQ(fDb.ReadTicket(uint32_t(fDb.TicketExists("TICKET02")))->Credit(), 1234u);
    EXPECT_TRUE(first->Conn().Connected());
}

TEST_F(ServerConnection, CloseEndsEveryLinkAndOpenServesAgain) {
    AddTicket("TICKET01");
    int closed = 0;
    fServer->SetOnServerConnectionClosed([&](QObject*) { ++closed; });
    auto ws = Join("PC01");
    ws->User().OpenTicket("TICKET01");
    ASSERT_EQ(ws->Outcome("Open"), "Open");

    fServer->Close();
    EXPECT_FALSE(fServer->Active());
    EXPECT_EQ(closed, 1);
    EXPECT_TRUE(ws->WaitFor("Disconnect"));
    EXPECT_FALSE(Slot(1)->UserConnection()->Connected());
    EXPECT_EQ(fServer->DuplicatedTicket("TICKET01"), 0);

    fServer->Open();
    ws->ClearEvents();
    ws->Conn().SetServerPort(Port());
    ASSERT_TRUE(ws->ConnectReady());
    EXPECT_EQ(fServer->GetConnectionsCount(), 1);
}

TEST_F(ServerConnection, PortInUseIsReported) {
    TZRVServerConnection other;
    other.SetServerPort(Port());
    other.SetDiscoveryPort(0);
    EXPECT_THROW(other.Open(), EZRVError);
    EXPECT_FALSE(other.Active());
}

} // namespace
