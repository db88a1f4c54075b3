// The server's answers to the workstations' user-level requests, end to end: real workstation
// connections against the real server on a real SQLite file.

#include "ZRVServerTestFixture.h"

#include "ZRVClientConfig.h"
#include "ZRVFunctions.h"

using namespace zrvtest;

namespace {

class ServerUserConnection : public ServerTest {
protected:
    std::unique_ptr<Workstation> LoggedInWithTicket(const QString& aCode, const QString& aMachine = "PC01") {
        auto ws = Join(aMachine);
        ws->User().OpenTicket(aCode);
        EXPECT_EQ(ws->Outcome("Open"), "Open") << aCode.toStdString();
        return ws;
    }
    std::unique_ptr<Workstation> LoggedInWithAccount(const QString& aName, const QString& aPassword,
                                                     const QString& aMachine = "PC01") {
        auto ws = Join(aMachine);
        ws->User().OpenAccount(aName, aPassword);
        EXPECT_EQ(ws->Outcome("Open"), "Open") << aName.toStdString();
        return ws;
    }
};

TEST_F(ServerUserConnection, TicketLoginFoundMissingAndInUseElsewhere) {
    AddTicket("TICKET01", {.Credit = 5400});
    QStringList opened;
    fServer->SetOnUserConnectionOpen([&](QObject*, TZRVServerClientConnection* c) {
        opened << (c->UserConnection()->Connected() ? "in" : "out");
    });

    auto first = LoggedInWithTicket("TICKET01");
    const TZRVUserSession* session = Slot(1)->UserConnection()->Session();
    EXPECT_TRUE(Slot(1)->UserConnection()->Connected());
    EXPECT_EQ(session->SessionType(), stTicket);
    EXPECT_EQ(session->Ticket()->Code(), "TICKET01");
    EXPECT_EQ(session->Credit()->CreditValue(), 5400u);
    EXPECT_EQ(first->Session().Credit()->CreditValue(), 5400u);

    const struct {
        const char* Code;
        const char* Outcome;
    } refused[] = {{"NOPE", "Fail:Ticket introuvable"}, {"ticket01", "Fail:Ticket en cours d'utilisation"}};
    for (const auto& c : refused) {
        auto other = Join("PC02");
        other->User().OpenTicket(c.Code);
        EXPECT_EQ(other->Outcome("Open"), c.Outcome) << c.Code;
        EXPECT_FALSE(Slot(2)->UserConnection()->Connected()) << c.Code;
    }
    // The host hears of every answer; it tells a login by the user connection's state.
    EXPECT_EQ(opened, QStringList({"in", "out", "out"}));
}

TEST_F(ServerUserConnection, AccountLoginChecksThePasswordBeforeAnythingElseSucceeds) {
    AddAccount("alice", "Secret1");
    AddAccount("bob", "pw", /*aActive*/ false);
    AddAccount("carol", "pw");
    auto carol = LoggedInWithAccount("carol", "pw", "PC09");

    const struct {
        const char* Name;
        const char* Password;
        const char* Outcome;
    } cases[] = {
        {"alice", "wrong", "Fail:Mot de passe incorrect"},
        {"alice", "", "Fail:Mot de passe incorrect"},
        {"alice", "Secret1x", "Fail:Mot de passe incorrect"},
        {"bob", "pw", "Fail:Ce compte est désactivé ! Veuillez contacter le serveur"},
        {"nobody", "pw", "Fail:Compte inexistant"},
        {"CAROL", "pw", "Fail:Compte en cours d'utilisation"},
        {"alice", "sECRET1", "Open"},
    };
    for (const auto& c : cases) {
        auto ws = Join();
        ws->User().OpenAccount(c.Name, c.Password);
        EXPECT_EQ(ws->Outcome("Open"), c.Outcome) << c.Name << " / " << c.Password;
    }
}

TEST_F(ServerUserConnection, RefusedAccountLoginCarriesNoRecord) {
    AddAccount("alice", "Secret1");
    RawPeer peer(Port());
    ASSERT_TRUE(peer.MakeReady("RAW"));
    peer.Send({c_msgid_UserConnection, c_msgreason_GetAccount, "AccountName=alice", "AccountPassword="});
    TStringList answer;
    ASSERT_TRUE(peer.WaitFor(c_GET_ACCOUNT, &answer));
    EXPECT_EQ(answer.Values("Found"), "0");
    EXPECT_EQ(answer.Values("Message"), "Mot de passe incorrect");
    EXPECT_EQ(answer.IndexOfName("UAt_AccountPassword"), -1);
    EXPECT_EQ(answer.Count(), 4) << answer.Text().toStdString();
}

TEST_F(ServerUserConnection, PasswordRecoveryNeedsTheExactQuestionAndAnswer) {
    AddAccount("alice", "Secret1", true, 3600, "Ville natale ?", "Douala");
    AddAccount("dave", "pw", true, 3600, "Ville natale ?", "");
    auto ws = Join();
    const struct {
        const char* Name;
        const char* Question;
        const char* Answer;
        const char* Outcome;
    } cases[] = {
        {"alice", "Ville natale ?", "douala", "Fail:Question ou réponse incorrecte !"},
        {"alice", "ville natale ?", "Douala", "Fail:Question ou réponse incorrecte !"},
        {"nobody", "Ville natale ?", "Douala", "Fail:Question ou réponse incorrecte !"},
        {"dave", "Ville natale ?", "", "Fail:Question ou réponse incorrecte !"},
        {"ALICE", "Ville natale ?", "Douala", "PasswordRetrieved"},
    };
    for (const auto& c : cases) {
        ws->ClearEvents();
        ws->User().RetrievePassword(c.Name, c.Question, c.Answer);
        EXPECT_EQ(ws->Outcome("PasswordRetrieved"), c.Outcome) << c.Name << " / " << c.Answer;
    }
    EXPECT_EQ(ws->User().RetrievedPassword(), "Secret1");
    EXPECT_FALSE(ws->User().Connected());
    EXPECT_FALSE(Slot(1)->UserConnection()->Connected());
}

TEST_F(ServerUserConnection, ReloadCodes) {
    AddTicket("TICKET01");
    AddTicket("INUSE");
    AddTicket("UNSOLD", {.Sold = false});
    AddTicket("OLD", {.ActivationDate = Now() - 40, .DaysAllowed = 30});
    const int tomorrow = DayOfTheWeek(Now()) % 7 + 1;
    ASSERT_NE(fDb.AddHourFormula("Demain", tomorrow, 0, tomorrow, 23), 0);
    AddTicket("LATER", {.HourFormula = "Demain"});
    AddTicket("RELOAD", {.Credit = 5430});
    auto elsewhere = LoggedInWithTicket("INUSE", "PC02");
    auto ws = LoggedInWithTicket("TICKET01");
    StartSession(*ws, 2);
    QList<uint32_t> hostCredits;
    fServer->SetOnClientTicketAddCredit(
        [&](QObject*, TZRVServerClientConnection*, TZRVUserTicket* t) { hostCredits << t->Credit(); });
    QStringList answers;
    ws->Conn().SetOnUserConnection_msgid([&](QObject* Sender, const QString& aData) {
        answers << aData;
        ws->Conn().DefaultHandler_ClientConnection_msgid(Sender, aData);
    });

    const struct {
        const char* Code;
        const char* Outcome;
    } refused[] = {
        {"UNSOLD", "Fail:Ce code de recharge n'est pas encore vendu !"},
        {"LATER", "Fail:Ce code de recharge ne peut pas être utilisé actuellement !"},
        {"OLD", "Fail:Ce code de recharge est expiré !"},
        {"INUSE", "Fail:Ticket en cours d'utilisation"},
        {"MISSING", "Fail:Code de recharge introuvable"},
    };
    for (const auto& c : refused) {
        ws->ClearEvents();
        ws->Session().AddCredit(c.Code);
        EXPECT_EQ(ws->Outcome("AddCredit"), c.Outcome) << c.Code;
        EXPECT_TRUE(answers.last().contains("MessageReason=GET_TICKET")) << c.Code;
    }
    EXPECT_EQ(ws->Session().Credit()->CreditValue(), 3600u);

    ws->ClearEvents();
    ws->Session().AddCredit("RELOAD");
    ASSERT_EQ(ws->Outcome("AddCredit"), "AddCredit");
    TStringList reply;
    reply.SetText(answers.last());
    EXPECT_EQ(reply.Values("Seconds"), "30");
    EXPECT_EQ(reply.Values("Minutes"), "30");
    EXPECT_EQ(reply.Values("Hours"), "1");
    EXPECT_EQ(reply.Values("Message"), "Ajout de crédit (01h30m30s) effectué");
    EXPECT_EQ(ws->Session().Credit()->CreditValue(), 3600u + 5430u);
    EXPECT_EQ(ServerSession(2)->Credit()->CreditValue(), 3600u + 5430u);
    EXPECT_EQ(hostCredits, QList<uint32_t>({5430}));
    const auto spent = StoredTicket("RELOAD");
    EXPECT_EQ(spent->Credit(), 0u);
    EXPECT_TRUE(spent->UsedFlag());
}

TEST_F(ServerUserConnection, CreatedAccountIsWhatTheLockScreenCreates) {
    std::unique_ptr<TZRVGroup> vip = std::make_unique<TZRVGroup>();
    vip->SetGroupName("VIP");
    ASSERT_TRUE(fDb.AddGroup(vip));
    auto ws = Join();
    TZRVUserAccount account;
    account.SetAccountName("dave");
    account.SetAccountPassword("pw");
    account.SetFirstName("Dave");
    account.SecretQuestion()->SetQuestion("Ville natale ?");
    account.SetSecretAnswer("Kribi");
    account.Group()->Copy(vip.get());
    account.SetCredit(99999);
    account.SetCreditTotal(5000);
    account.SetActive(true);
    account.SetDeletedFlag(true);
    account.SetDaysAllowed(10);

    ws->User().RequestCreateAccount(&account);
    ASSERT_EQ(ws->Outcome("AccountCreated"), "AccountCreated");
    const auto stored = StoredAccount("dave");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->FirstName(), "Dave");
    EXPECT_EQ(stored->AccountPassword(), "pw");
    EXPECT_EQ(stored->Group()->GroupID(), 1u);
    EXPECT_EQ(stored->Credit(), 0u);
    EXPECT_EQ(stored->CreditTotal(), 0u);
    EXPECT_FALSE(stored->Active());
    EXPECT_FALSE(stored->DeletedFlag());
    EXPECT_EQ(stored->DaysAllowed(), -1);

    ws->ClearEvents();
    ws->User().RequestCreateAccount(&account);
    EXPECT_EQ(ws->Outcome("AccountCreated"), "Fail:Nom de compte déjà existant");
}

TEST_F(ServerUserConnection, UpdateChangesOnlyWhatTheCustomerMayOfTheLoggedInAccount) {
    AddAccount("alice", "Secret1", true, 3600);
    const uint32_t bob = AddAccount("bob", "pw");
    auto stranger = Join("PC02");
    auto ws = LoggedInWithAccount("alice", "Secret1");
    TZRVUserAccount changed;
    changed.Copy(ws->Session().Account());
    changed.SetAccountPassword("New1");
    changed.SetFirstName("Alice");
    changed.SecretQuestion()->SetQuestion("Plat préféré ?");
    changed.SetSecretAnswer("Ndolé");
    changed.SetCredit(99999);
    changed.SetCreditTotal(7777);
    changed.SetActive(false);
    changed.SetDeletedFlag(true);
    changed.SetDaysAllowed(5);

    ws->User().RequestUpdateAccount(&changed);
    ASSERT_EQ(ws->Outcome("AccountUpdated"), "AccountUpdated");
    auto stored = StoredAccount("alice");
    EXPECT_EQ(stored->AccountPassword(), "New1");
    EXPECT_EQ(stored->FirstName(), "Alice");
    EXPECT_EQ(stored->SecretQuestion()->Question(), "Plat préféré ?");
    EXPECT_EQ(stored->SecretAnswer(), "Ndolé");
    EXPECT_EQ(stored->Credit(), 3600u);
    EXPECT_EQ(stored->CreditTotal(), 0u);
    EXPECT_TRUE(stored->Active());
    EXPECT_FALSE(stored->DeletedFlag());
    EXPECT_EQ(stored->DaysAllowed(), -1);

    // Another account, from the logged-in slot or from a slot without a login: refused.
    changed.SetAccountID(bob);
    changed.SetAccountName("bob");
    for (Workstation* from : {ws.get(), stranger.get()}) {
        from->ClearEvents();
        from->User().RequestUpdateAccount(&changed);
        EXPECT_EQ(from->Outcome("AccountUpdated"), "Fail:Compte introuvable dans la base de données");
    }
    EXPECT_EQ(StoredAccount("bob")->AccountPassword(), "pw");

    // Logging out writes the server's copy of the account, which has the change.
    ws->User().Close();
    ASSERT_TRUE(WaitUntil([&] { return !Slot(2)->UserConnection()->Connected(); }));
    EXPECT_EQ(StoredAccount("alice")->AccountPassword(), "New1");
}

// Every report reaches the database when it arrives, whatever the setting says: a server stopped
// by force loses no session's use.
TEST_F(ServerUserConnection, SessionReportsAreWrittenWhenTheyArrive) {
    for (const bool autoUpdate : {false, true}) {
        SCOPED_TRACE(autoUpdate ? "AutoDBUpdateSession" : "AutoDBUpdateSession off");
        const QString code = autoUpdate ? "AUTO" : "LATE";
        AddTicket(code);
        fServer->SetAutoDBUpdateSession(autoUpdate);
        auto ws = LoggedInWithTicket(code);
        StartSession(*ws, 1);
        ws->Session().Credit()->SetCreditValue(1000);
        ws->User().UpdateSession();
        ASSERT_TRUE(WaitUntil([&] { return ServerSession(1)->Credit()->CreditValue() == 1000; }));
        EXPECT_EQ(StoredTicket(code)->Credit(), 1000u);

        ws->Session().Credit()->SetCreditValue(900);
        ws->User().Close();
        ASSERT_TRUE(WaitUntil([&] { return !Slot(1)->UserConnection()->Connected(); }));
        const auto stored = StoredTicket(code);
        EXPECT_EQ(stored->Credit(), 900u);
        EXPECT_EQ(stored->LastUsePC()->MachineID(), uint32_t(fDb.MachineExists("PC01")));
        ws->Conn().ShutDownConnection();
        ASSERT_TRUE(WaitUntil([&] { return !Slot(1)->Connected(); }));
    }
}

TEST_F(ServerUserConnection, LostLinkWritesTheSessionBack) {
    AddTicket("TICKET01");
    auto ws = LoggedInWithTicket("TICKET01");
    StartSession(*ws, 1);
    ws->Session().Credit()->SetCreditValue(1500);
    ws->User().UpdateSession();
    ASSERT_TRUE(WaitUntil([&] { return ServerSession(1)->Credit()->CreditValue() == 1500; }));
    ws->Conn().ShutDownConnection();
    ASSERT_TRUE(WaitUntil([&] { return !Slot(1)->Connected(); }));
    EXPECT_EQ(StoredTicket("TICKET01")->Credit(), 1500u);
    EXPECT_EQ(fServer->DuplicatedTicket("TICKET01"), 0);
}

TEST_F(ServerUserConnection, SessionRestoredAfterServerRestart) {
    const uint32_t alice = AddAccount("alice", "Secret1", true, 3600);
    auto ws = LoggedInWithAccount("alice", "Secret1");
    StartSession(*ws, 1);

    fServer.reset();
    ASSERT_TRUE(ws->WaitFor("Disconnect"));
    EXPECT_TRUE(ws->User().Connected()); // the customer carries on while the server is away
    ws->Session().Credit()->SetCreditValue(777);
    ws->User().UpdateSession(); // kept for the next link, with the session's token
    const QString token = ws->User().SessionToken();
    ASSERT_FALSE(token.isEmpty());
    EXPECT_TRUE(TZRVClientConfig().getStoredSession().contains("SessionToken=" + token));

    StartServer();
    ws->ClearEvents();
    ws->Conn().SetServerPort(Port());
    ASSERT_TRUE(ws->ConnectReady());
    ASSERT_TRUE(WaitUntil([&] { return Slot(1)->UserConnection()->Connected(); }));
    const TZRVUserSession* session = ServerSession(1);
    EXPECT_EQ(session->SessionType(), stAccount);
    EXPECT_EQ(session->Account()->AccountID(), alice);
    EXPECT_TRUE(session->Openned());
    EXPECT_EQ(session->Credit()->CreditValue(), 777u);
    EXPECT_EQ(StoredAccount("alice")->Credit(), 777u);
    EXPECT_EQ(fServer->DuplicatedAccount("alice"), 1);
    EXPECT_EQ(Slot(1)->UserConnection()->SessionToken(), token);

    // The restored session goes on like any other, to its logout.
    TZRVClock::Advance(60000);
    ws->Session().Credit()->SetCreditValue(717);
    ws->User().Close();
    ASSERT_TRUE(WaitUntil([&] { return !Slot(1)->UserConnection()->Connected(); }));
    ASSERT_TRUE(DataBaseSettled());
    EXPECT_EQ(StoredAccount("alice")->Credit(), 717u);
    EXPECT_FALSE(fDb.ReadSession(token).has_value());
}

TEST_F(ServerUserConnection, RestoredSessionOfAnAccountInUseIsRefused) {
    const uint32_t alice = AddAccount("alice", "Secret1", true, 3600);
    auto ws = LoggedInWithAccount("alice", "Secret1");
    RawPeer peer(Port());
    ASSERT_TRUE(peer.MakeReady("RAW"));
    peer.Send({c_msgid_UserConnection, c_msgreason_SessionUpdate, "CreditValue=999999", "SessionType=1",
               QStringLiteral("SessionTypeID=%1").arg(alice), "", "SessionOpenned=-1"});
    ASSERT_TRUE(WaitUntil([&] { return Log().contains("Restored session refused"); }));
    EXPECT_FALSE(Slot(2)->UserConnection()->Connected());
    EXPECT_EQ(StoredAccount("alice")->Credit(), 3600u);
}

TEST_F(ServerUserConnection, RequestOfAWorkstationThatLeftIsDropped) {
    fServer->SetMachineRegistrationDelay(1000);
    {
        RawPeer leaving(Port());
        ASSERT_TRUE(leaving.MakeReady("PC-LEFT"));
        leaving.Socket().disconnectFromHost();
        ASSERT_TRUE(WaitUntil([&] { return !Slot(1)->Connected(); }));
    }
    RawPeer next(Port());
    ASSERT_TRUE(next.MakeReady("PC-NEXT"));
    ASSERT_TRUE(WaitUntil([&] { return fDb.MachineExists("PC-NEXT") != 0; }));
    EXPECT_EQ(Slot(1)->ClientMachine()->MachineName(), "PC-NEXT");
    EXPECT_EQ(fDb.MachineExists("PC-LEFT"), 0);
}

TEST_F(ServerUserConnection, UnknownReasonIsLoggedAndTheLinkGoesOn) {
    RawPeer peer(Port());
    ASSERT_TRUE(peer.MakeReady("RAW"));
    peer.Send({c_msgid_UserConnection, "MessageReason=DANCE", "Steps=3"});
    peer.Send({c_msgid_UserConnection, c_msgreason_ClientPing});
    ASSERT_TRUE(peer.WaitFor(c_CLIENT_PING));
    EXPECT_TRUE(Log().contains("Message not recognized : MessageID=USER_CONNECTION\r\nMessageReason=DANCE"));
}

} // namespace
