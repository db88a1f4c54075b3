// The link between workstation and server as a whole: messages that TCP delays in transit arrive
// whole and complete ones without waiting, both ends' socket options, peers that never finish the
// handshake, and a handshake announcing thousands of games.

#include "ZRVServerTestFixture.h"
#include "support/ScriptedPeer.h"

#include <QSqlQuery>
#include <QTimer>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

using namespace zrvtest;

namespace {

// Sends aWire in the pieces cut at aCuts, each 300 ms after the one before (the rest of a message
// after a lost segment), from the event loop's timers.
void SendWithGaps(QObject* aSender, const std::function<void(const QByteArray&)>& aSend,
                  const QByteArray& aWire, const QList<qsizetype>& aCuts) {
    constexpr int c_Gap = 300;
    qsizetype from = 0;
    int delay = 0;
    for (const qsizetype cut : aCuts + QList<qsizetype>{aWire.size()}) {
        QTimer::singleShot(delay, aSender, [aSend, piece = aWire.mid(from, cut - from)] { aSend(piece); });
        from = cut;
        delay += c_Gap;
    }
}

QByteArray Wire(const QStringList& aLines) {
    return EncodeMessage(TStringList(aLines).Text(), TZRVCrypt());
}

int SocketOption(const QTcpSocket* aSocket, int aLevel, int aOption) {
    int value = -1;
    socklen_t size = sizeof value;
    getsockopt(int(aSocket->socketDescriptor()), aLevel, aOption, &value, &size);
    return value;
}

class Link : public ServerTest {};

TEST_F(Link, ARequestCutInsideItsLinesIsAnsweredWhole) {
    AddTicket("AB12CD34");
    RawPeer peer(Port());
    ASSERT_TRUE(peer.MakeReady("PC01"));
    const QByteArray wire = Wire({c_msgid_UserConnection, c_msgreason_GetTicket, "TicketCode=AB12CD34"});
    QTcpSocket* socket = &peer.Socket();
    SendWithGaps(socket, [socket](const QByteArray& aPiece) { socket->write(aPiece); }, wire,
                 {wire.indexOf("CD34"), wire.size() - 1}); // "AB12" | "CD34\r" | "\n"
    RunEventsFor(450);
    EXPECT_FALSE(peer.WaitFor(c_GET_TICKET, nullptr, 0)); // nothing handed on before the rest came
    TStringList reply;
    ASSERT_TRUE(peer.WaitFor(c_GET_TICKET, &reply));
    EXPECT_EQ(reply.Values("Found"), "-1");
    EXPECT_EQ(reply.Values("UTt_Cod"), "AB12CD34");
}

TEST_F(Link, AReplyCutInsideItsLinesLoadsWhole) {
    ScriptedPeer server;
    TZRVClientConnection conn;
    conn.SetServerPort(server.Port());
    conn.SetReadyDelay(1);
    QStringList events;
    conn.SetOnUserConnectionOpen([&](QObject*) { events << "Open"; });
    conn.SetOnUserConnectionFail([&](QObject*) { events << "Fail"; });
    conn.OpenConnection();
    ASSERT_TRUE(server.WaitForClient());
    server.Send({c_msgid_ClientConnection, c_msgreason_ServerHandshake, "SvrVersion=2.3",
                 "SvrProtocolVersion=0.4", "SvrDateTime=20/07/2011 14:05:09"});
    ASSERT_TRUE(server.WaitForReason(c_CLIENT_HANDSHAKE));
    server.Send({c_msgid_ClientConnection, c_msgreason_ServerReady, "ReadyValue=-1"});
    ASSERT_TRUE(server.WaitForReason(c_CLIENT_READY));
    conn.UserConnection()->OpenTicket("AB12CD34");
    ASSERT_TRUE(server.WaitForReason(c_GET_TICKET));

    TZRVUserTicket ticket;
    ticket.SetTicketID(7);
    ticket.SetCode("AB12CD34");
    ticket.SetCredit(5400);
    const QByteArray wire =
        Wire(QStringList{c_msgid_UserConnection, c_msgreason_GetTicket, "Found=-1", "Message=Ticket trouvé"} +
             ticket.SaveToStringList().Lines());
    SendWithGaps(&server, [&server](const QByteArray& aPiece) { server.SendRaw(aPiece); }, wire,
                 {wire.indexOf("UTt_Cdt=54") + 10, wire.indexOf("UTt_Grp_GNm=") + 5});
    RunEventsFor(450);
    EXPECT_TRUE(events.isEmpty()) << events.join(',').toStdString();
    ASSERT_TRUE(WaitUntil([&] { return !events.isEmpty(); }));
    EXPECT_EQ(events, QStringList({"Open"}));
    EXPECT_EQ(conn.UserConnection()->Session()->Ticket()->Credit(), 5400u);
}

// Both ends judge the messages of a login and a ping complete on arrival: with waits of a minute
// for anything else, they all come through at once.
TEST_F(Link, CompleteMessagesAreHandedOnWithoutWaiting) {
    AddTicket("AB12CD34");
    auto ws = Join();
    for (TZRVMessageReader* reader : {ws->Conn().Reader(), Slot(1)->Reader()}) {
        reader->SetQuietTime(60000);
        reader->SetStallTime(60000);
    }
    ws->User().OpenTicket("AB12CD34");
    EXPECT_EQ(ws->Outcome("Open"), "Open");
    ws->ClearEvents();
    Slot(1)->SetServerPingEnabled(true);
    Slot(1)->SendServerPing();
    EXPECT_TRUE(ws->WaitFor("ServerPing"));
}

TEST_F(Link, BothEndsSendAtOnceAndProbeASilentPeer) {
    auto ws = Join();
    for (const QTcpSocket* socket : {ws->Conn().Socket(), Slot(1)->WinSocket()}) {
        ASSERT_NE(socket, nullptr);
        EXPECT_EQ(SocketOption(socket, IPPROTO_TCP, TCP_NODELAY), 1);
        EXPECT_EQ(SocketOption(socket, SOL_SOCKET, SO_KEEPALIVE), 1);
        EXPECT_EQ(SocketOption(socket, IPPROTO_TCP, TCP_KEEPIDLE), c_LinkKeepAliveIdle);
        EXPECT_EQ(SocketOption(socket, IPPROTO_TCP, TCP_KEEPINTVL), c_LinkKeepAliveInterval);
        EXPECT_EQ(SocketOption(socket, IPPROTO_TCP, TCP_KEEPCNT), c_LinkKeepAliveProbes);
    }
    // A minute or two of silence, not the system's two hours.
    EXPECT_LE(c_LinkKeepAliveIdle + c_LinkKeepAliveInterval * c_LinkKeepAliveProbes, 180);
}

// Three silent connections filled a three-slot server for good; now they are dropped at the
// deadline and workstations get in again.
TEST_F(Link, SilentConnectionsAreDroppedAtTheHandshakeDeadline) {
    fServer.reset();
    StartServer(3);
    fServer->SetHandshakeDeadline(300);
    std::vector<std::unique_ptr<RawPeer>> silent;
    for (int i = 0; i < 3; ++i) {
        silent.push_back(std::make_unique<RawPeer>(Port()));
        ASSERT_TRUE(silent.back()->Connected());
    }
    ASSERT_TRUE(WaitUntil([&] { return fServer->GetConnectionsCount() == 3; }));
    RawPeer refused(Port());
    EXPECT_TRUE(refused.WaitClosed()); // the table is full
    for (const auto& peer : silent)
        EXPECT_TRUE(peer->WaitClosed());
    EXPECT_TRUE(WaitUntil([&] { return fServer->GetConnectionsCount() == 0; }));
    EXPECT_TRUE(Log().contains("did not finish the handshake within 300 ms"));

    RawPeer honest(Port());
    ASSERT_TRUE(honest.MakeReady("PC02"));
    RunEventsFor(500); // past the deadline
    EXPECT_EQ(honest.Socket().state(), QAbstractSocket::ConnectedState);
    EXPECT_EQ(fServer->GetConnectionsCount(), 1);
}

// A workstation announcing 6 300 games in one 110 KB handshake: read in one pass, answered, and
// registered with links to the games that exist only, each once.
TEST_F(Link, AHandshakeAnnouncingThousandsOfGamesLinksOnlyGamesThatExist) {
    TZRVGame chess;
    chess.SetGameName("Echecs");
    chess.SetCommandLine("echecs.exe");
    ASSERT_TRUE(fDb.AddGame(&chess));
    const QString id = QString::number(chess.GameID());
    QStringList lines = {c_msgid_ClientConnection,
                         c_msgreason_ClientHandshake,
                         "Mcn_MID=0",
                         "Mcn_Ram=0",
                         "Mcn_MNm=PC66",
                         "Mcn_Cpu=",
                         "Mcn_OSm=",
                         "Mcn_Geo=",
                         "Mcn_LUN=",
                         "Mcn_Gam_Games_OwnerID=0",
                         "Mcn_Gam_Games_Count=6300",
                         "Mcn_Gam_Games_0Game_GameID=" + id,
                         "Mcn_Gam_Games_1Game_GameID=" + id,
                         "Mcn_Gam_Games_2Game_GameID=4242"};
    for (int i = 3; i < 6300; ++i)
        lines << "Mcn_Gam_Games_=";
    lines << "Mcn_App_Applications_OwnerID=0"
          << "Mcn_App_Applications_Count=0";
    RawPeer peer(Port());
    ASSERT_TRUE(peer.WaitFor(c_SERVER_HANDSHAKE));
    peer.Send(lines);
    ASSERT_TRUE(peer.WaitFor(c_SERVER_READY));
    const TZRVGames* games = Slot(1)->ClientMachine()->Games();
    ASSERT_EQ(games->Count(), 6300);
    EXPECT_EQ(games->Games(2)->GameID(), 4242u);
    EXPECT_EQ(games->Games(6299)->GameID(), 0u);

    ASSERT_TRUE(WaitUntil([&] { return fDb.MachineExists(QStringLiteral("PC66")) != 0; }));
    QSqlQuery q(fDb.Connection());
    ASSERT_TRUE(q.exec("SELECT Game_ID FROM \"tblMachines+Games\""));
    QList<uint32_t> linked;
    while (q.next())
        linked << q.value(0).toUInt();
    EXPECT_EQ(linked, QList<uint32_t>({chess.GameID()}));
}

} // namespace
