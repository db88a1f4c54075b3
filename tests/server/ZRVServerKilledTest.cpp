// A server killed without warning (kill -9, a power cut) has already written every session report it
// took: the ticket's credit in the database is the last one the workstation reported.

#include "ZRVUserTicket.h"

#include "kernel/ZRVServerTestFixture.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

using namespace zrvtest;

namespace {

TEST(ServerKilled, EveryReportItTookIsInTheDatabase) {
    TempRegistry registry;
    QTemporaryDir dir;
    const QString file = dir.filePath("cafe.db");
    const QString code = "KILL0001";
    TZRVDataBase db;
    db.SetDBName(file);
    ASSERT_TRUE(db.Open());
    TZRVUserAccount owner;
    owner.SetAccountName("gerant");
    owner.SecretQuestion()->SetQuestion("Ville natale ?");
    owner.Group()->SetGroupID(1);
    ASSERT_TRUE(db.AddAccount(&owner));
    TZRVUserTicket ticket;
    ticket.SetCode(code);
    ticket.SetCredit(3600);
    ticket.Group()->SetGroupName("Default");
    ASSERT_TRUE(db.AddTicket(&ticket, owner.AccountID(), false));
    const auto stored = [&] { return db.ReadTicket(uint32_t(db.TicketExists(code)))->Credit(); };

    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(ZRV_SERVER_EXE,
                 {"serve", "--database", file, "--port", QString::number(port), "--discovery-port", "0",
                  "--http", "off", "--log", dir.filePath("server.lgf")});
    ASSERT_TRUE(server.waitForStarted());
    ASSERT_TRUE(WaitUntil(
        [&] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            return socket.waitForConnected(100);
        },
        10000));
    Workstation ws(port, "PC01");
    ASSERT_TRUE(ws.ConnectReady());
    ws.User().OpenTicket(code);
    ASSERT_EQ(ws.Outcome("Open"), "Open");
    ws.Session().SetAutoChangeCredit(false);
    ASSERT_TRUE(ws.Session().Open());
    for (const uint32_t credit : {3000u, 2940u}) {
        ws.Session().Credit()->SetCreditValue(credit);
        ws.User().UpdateSession();
        ASSERT_TRUE(WaitUntil([&] { return stored() == credit; })) << credit;
    }

    server.kill();
    ASSERT_TRUE(server.waitForFinished());
    EXPECT_EQ(stored(), 2940u);
}

} // namespace
