// The server's claims on the database it shares with the other servers of a chain: a login, a
// reload or a carried-on session finds a ticket or account held by another server's session
// refused, a claim left silent too long taken over, and the claims of the sessions that run renewed.

#include "ZRVServerClaims.h"
#include "ZRVServerTestFixture.h"

using namespace zrvtest;

namespace {

const TZRVServerIdentity c_OtherCafe{QStringLiteral("other-cafe:12345"),
                                     TZRVServerIdentity::c_DefaultSilence};

class ServerClaims : public ServerTest {
protected:
    // Another server's session holds the record.
    void ClaimElsewhere(TZRVSessionType aType, uint32_t aID) {
        TZRVSessionRow row;
        row.Token = QStringLiteral("elsewhere");
        row.SessionType = aType;
        row.RecordID = aID;
        ASSERT_TRUE(fDb.ClaimRecord(row, c_OtherCafe, false));
    }
    // The server named in the record's claim.
    QString Holder(TZRVSessionType aType, uint32_t aID) {
        QSqlQuery q = fDb.OpenQuery(
            QStringLiteral(
                "SELECT \"Server\" FROM \"tblClaims\" WHERE \"SessionType\" = ? AND \"Record_ID\" = ?"),
            {int(aType), aID});
        return q.next() ? q.value(0).toString() : QString();
    }
    qint64 SecondsSinceRenewal(const QString& aServer) {
        QSqlQuery q =
            fDb.OpenQuery(QStringLiteral("SELECT CAST(strftime('%s', 'now') AS INTEGER) - \"LastSeen\" "
                                         "FROM \"tblClaims\" WHERE \"Server\" = ?"),
                          {aServer});
        return q.next() ? q.value(0).toLongLong() : -1;
    }
    void AgeClaims(int aSeconds) {
        fDb.ExecuteSQLAction(QStringLiteral("UPDATE \"tblClaims\" SET \"LastSeen\" = \"LastSeen\" - ?"),
                             {aSeconds});
    }
};

TEST_F(ServerClaims, ARecordHeldByAnotherServersSessionIsRefusedUntilItsClaimGoesSilent) {
    const uint32_t ticket = AddTicket("TICKET01");
    const uint32_t alice = AddAccount("alice", "Secret1");
    ClaimElsewhere(stTicket, ticket);
    ClaimElsewhere(stAccount, alice);
    const struct {
        std::function<void(Workstation&)> LogIn;
        const char* Refusal;
    } cases[] = {
        {[](Workstation& ws) { ws.User().OpenTicket("TICKET01"); }, "Fail:Ticket en cours d'utilisation"},
        {[](Workstation& ws) { ws.User().OpenAccount("alice", "Secret1"); },
         "Fail:Compte en cours d'utilisation"},
    };
    for (const auto& c : cases) {
        auto ws = Join();
        c.LogIn(*ws);
        EXPECT_EQ(ws->Outcome("Open"), c.Refusal);
        EXPECT_FALSE(Slot(1)->UserConnection()->Connected());
    }

    AgeClaims(TZRVServerIdentity::c_DefaultSilence + 1);
    auto ws = Join();
    cases[0].LogIn(*ws);
    EXPECT_EQ(ws->Outcome("Open"), "Open");
    EXPECT_EQ(fServer->Claims()->Identity().Name, TZRVServerClaims::DefaultName(Port()));
    EXPECT_EQ(Holder(stTicket, ticket), fServer->Claims()->Identity().Name);
    EXPECT_EQ(Holder(stAccount, alice), c_OtherCafe.Name);
}

TEST_F(ServerClaims, ACodeLoggedInAsATicketAtAnotherServerIsNotSpentAsAReload) {
    AddTicket("TICKET01");
    const uint32_t inUse = AddTicket("RELOAD01", {.Credit = 1800});
    AddTicket("RELOAD02", {.Credit = 600});
    ClaimElsewhere(stTicket, inUse);
    auto ws = Join();
    ws->User().OpenTicket("TICKET01");
    ASSERT_EQ(ws->Outcome("Open"), "Open");

    const struct {
        const char* Code;
        const char* Outcome;
    } cases[] = {{"RELOAD01", "Fail:Ticket en cours d'utilisation"}, {"RELOAD02", "AddCredit"}};
    for (const auto& c : cases) {
        ws->ClearEvents();
        ws->Session().AddCredit(c.Code);
        EXPECT_EQ(ws->Outcome("AddCredit"), c.Outcome) << c.Code;
    }
    EXPECT_EQ(StoredTicket("RELOAD01")->Credit(), 1800u);
    EXPECT_EQ(StoredTicket("TICKET01")->Credit(), 3600u + 600u);
    EXPECT_EQ(Holder(stTicket, inUse), c_OtherCafe.Name);
    QSqlQuery q = fDb.OpenQuery(QStringLiteral("SELECT count(*) FROM \"tblClaims\""));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 2) << "the reload holds its code only while it spends it";
}

TEST_F(ServerClaims, TheClaimsOfTheSessionsThatRunAreRenewed) {
    AddTicket("TICKET01");
    const uint32_t other = AddTicket("TICKET02");
    auto ws = Join();
    ws->User().OpenTicket("TICKET01");
    ASSERT_EQ(ws->Outcome("Open"), "Open");
    ClaimElsewhere(stTicket, other);
    AgeClaims(200);
    const QString name = fServer->Claims()->Identity().Name;
    ASSERT_GE(SecondsSinceRenewal(name), 200);

    fServer->Claims()->SetRenewInterval(10);
    ASSERT_TRUE(WaitUntil([&] { return SecondsSinceRenewal(name) < 100; }));
    EXPECT_GE(SecondsSinceRenewal(c_OtherCafe.Name), 200) << "another server's claims are its own to renew";
}

TEST_F(ServerClaims, ASessionWhoseTicketAnotherServerTookMeanwhileIsNotCarriedOn) {
    const uint32_t ticket = AddTicket("TICKET01");
    auto ws = Join();
    ws->User().OpenTicket("TICKET01");
    ASSERT_EQ(ws->Outcome("Open"), "Open");
    StartSession(*ws, 1);

    // The server stays away longer than the silence; another café takes the ticket meanwhile.
    fServer.reset();
    ASSERT_TRUE(ws->WaitFor("Disconnect"));
    ws->User().UpdateSession(); // kept for the next link
    AgeClaims(TZRVServerIdentity::c_DefaultSilence + 1);
    ClaimElsewhere(stTicket, ticket);

    StartServer();
    ws->ClearEvents();
    ws->Conn().SetServerPort(Port());
    ASSERT_TRUE(ws->ConnectReady());
    ASSERT_TRUE(WaitUntil([&] { return Log().contains("in use at another server"); })) << Log().toStdString();
    EXPECT_FALSE(Slot(1)->UserConnection()->Connected());
    EXPECT_EQ(Holder(stTicket, ticket), c_OtherCafe.Name);
}

} // namespace
