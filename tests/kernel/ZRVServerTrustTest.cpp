// What the server believes of a workstation, tried as a hostile one would: bare sockets speaking
// the protocol to the real server on 127.0.0.1 and a real SQLite file, and the real workstation
// connection where the honest side is shown.

#include "ZRVServerTestFixture.h"

#include "ZRVClientConfig.h"
#include "ZRVUserSession.h"

using namespace zrvtest;

namespace {

constexpr qint64 c_Minute = 60000;

class ServerTrust : public ServerTest {
protected:
    // A bare peer past the handshake and the ready exchange.
    std::unique_ptr<RawPeer> Ready(const QString& aMachine = "RAW", const QString& aFrom = QString()) {
        auto peer = std::make_unique<RawPeer>(Port(), aFrom);
        EXPECT_TRUE(peer->MakeReady(aMachine));
        Sync(*peer);
        return peer;
    }
    // Returns once the server has handled what the peer sent before (its ping comes back).
    void Sync(RawPeer& aPeer) {
        const QString mark = QStringLiteral("Sync=%1").arg(++fSyncs);
        aPeer.Send({c_msgid_ClientConnection, c_msgreason_ClientPing, mark});
        EXPECT_TRUE(WaitUntil([&] {
            return std::any_of(aPeer.Received().begin(), aPeer.Received().end(),
                               [&](const QString& aBody) { return aBody.contains(mark); });
        }));
    }
    void Tell(RawPeer& aPeer, const QStringList& aMessage) {
        aPeer.Send(aMessage);
        Sync(aPeer);
    }
    // Sends a request and returns the answer of that reason (empty when none came in time).
    TStringList Ask(RawPeer& aPeer, const QStringList& aRequest, const QString& aReason,
                    int aTimeoutMs = c_EventTimeoutMs) {
        aPeer.ClearReceived();
        aPeer.Send(aRequest);
        TStringList answer;
        aPeer.WaitFor(aReason, &answer, aTimeoutMs);
        return answer;
    }
    TStringList AskAccount(RawPeer& aPeer, const QString& aName, const QString& aPassword,
                           int aTimeoutMs = c_EventTimeoutMs) {
        return Ask(aPeer,
                   {c_msgid_UserConnection, c_msgreason_GetAccount, "AccountName=" + aName,
                    "AccountPassword=" + aPassword},
                   c_GET_ACCOUNT, aTimeoutMs);
    }
    // Logs the peer in with the ticket and starts its session; the session token.
    QString StartTicket(RawPeer& aPeer, const QString& aCode) {
        const TStringList answer =
            Ask(aPeer, {c_msgid_UserConnection, c_msgreason_GetTicket, "TicketCode=" + aCode}, c_GET_TICKET);
        EXPECT_EQ(answer.Values("Found"), "-1") << aCode.toStdString();
        Tell(aPeer, {c_msgid_UserConnection, c_msgreason_SessionStarted});
        return answer.Values("SessionToken");
    }
    // The message of that reason the peer received, if any, without waiting.
    static bool Has(const RawPeer& aPeer, const QString& aReason, TStringList& aMessage) {
        for (const QString& body : aPeer.Received()) {
            aMessage.SetText(body);
            if (aMessage.Values(c_MessageReason) == aReason)
                return true;
        }
        return false;
    }
    static QStringList Restore(int aType, uint32_t aID, const QString& aToken, uint32_t aCredit,
                               const QString& aOpenned = "-1") {
        return {c_msgid_UserConnection,
                c_msgreason_SessionUpdate,
                QStringLiteral("CreditValue=%1").arg(aCredit),
                QStringLiteral("SessionType=%1").arg(aType),
                QStringLiteral("SessionTypeID=%1").arg(aID),
                "SessionToken=" + aToken,
                "",
                "SessionOpenned=" + aOpenned};
    }
    static QStringList Report(const QString& aReasonLine, uint32_t aCredit) {
        return {c_msgid_UserConnection, aReasonLine, QStringLiteral("CreditValue=%1").arg(aCredit)};
    }
    static QStringList LogOut() {
        return {c_msgid_UserConnection, c_msgreason_UserConnectionClosed, "SessionType=2"};
    }

    uint32_t AddGroup(const QString& aName, bool aIncremental) {
        auto group = std::make_unique<TZRVGroup>();
        group->SetGroupName(aName);
        group->SetIncrementalCredit(aIncremental);
        EXPECT_TRUE(fDb.AddGroup(group));
        return group->GroupID();
    }
    uint32_t AddTicketOfGroup(const QString& aCode, uint32_t aCredit, uint32_t aGroupID) {
        const uint32_t id = AddTicket(aCode, {.Credit = aCredit});
        auto stored = fDb.ReadTicket(id);
        stored->Group()->SetGroupID(aGroupID);
        EXPECT_TRUE(fDb.UpdateTicket(stored.get()));
        return id;
    }

private:
    int fSyncs = 0;
};

// ---------------------------------------------------------------------------------------------
// Restored sessions

TEST_F(ServerTrust, ForgedRestoresChangeNothing) {
    const uint32_t alice = AddAccount("alice", "Secret1", true, 3600);
    const uint32_t bob = AddAccount("bob", "pw", true, 3600);
    auto victim = Join("PC01");
    victim->User().OpenAccount("alice", "Secret1");
    ASSERT_EQ(victim->Outcome("Open"), "Open");
    const QString aliceToken = victim->User().SessionToken();
    EXPECT_EQ(aliceToken.size(), 32);
    EXPECT_EQ(aliceToken, Slot(1)->UserConnection()->SessionToken());
    auto bobPeer = Ready("PC02");
    const QString bobToken = AskAccount(*bobPeer, "bob", "pw").Values("SessionToken");
    ASSERT_FALSE(bobToken.isEmpty());

    const struct {
        const char* Machine;
        QString Token;
        uint32_t ID;
    } forgeries[] = {
        {"RAW", "", alice},                                 // no token
        {"PC01", "", alice},                                // the victim's own machine name
        {"RAW", "0123456789abcdef0123456789abcdef", alice}, // a made-up token
        {"RAW", bobToken, alice},                           // another session's token
        {"RAW", aliceToken, bob},                           // the token, for another record
    };
    for (const auto& f : forgeries) {
        SCOPED_TRACE(f.Machine + (" " + f.Token.toStdString()));
        auto peer = Ready(f.Machine);
        Tell(*peer, Restore(stAccount, f.ID, f.Token, 999999));
        Tell(*peer, Report(c_msgreason_SessionUpdate, 999999));
        Tell(*peer, Report(c_msgreason_SessionStopped, 999999));
        EXPECT_EQ(fServer->DuplicatedAccount("alice"), 1);
        EXPECT_EQ(fServer->DuplicatedAccount("bob"), 1);
        EXPECT_EQ(fServer->SessionHolder(aliceToken), Slot(1));
    }
    EXPECT_EQ(StoredAccount("alice")->Credit(), 3600u);
    EXPECT_EQ(StoredAccount("bob")->Credit(), 3600u);
    EXPECT_TRUE(Log().contains("Restored session refused"));
}

TEST_F(ServerTrust, RequestsBeforeTheReadyExchangeAreDropped) {
    AddTicket("TICKET01");
    const QStringList login = {c_msgid_UserConnection, c_msgreason_GetTicket, "TicketCode=TICKET01"};
    RawPeer peer(Port());
    ASSERT_TRUE(peer.Connected());
    ASSERT_TRUE(peer.WaitFor(c_SERVER_HANDSHAKE));
    Tell(peer, login); // before the handshake
    peer.Send({c_msgid_ClientConnection, c_msgreason_ClientHandshake, "Mcn_MNm=RAW"});
    ASSERT_TRUE(peer.WaitFor(c_SERVER_READY));
    Tell(peer, login); // before the ready answer
    Tell(peer, {c_msgid_ClientConnection, c_msgreason_GetSecretQuestionsList});
    // Each of the three is dropped as it arrives, and said so in the log.
    ASSERT_TRUE(WaitUntil([this] { return Log().count("before its ready answer dropped") == 3; }));
    EXPECT_EQ(fServer->DuplicatedTicket("TICKET01"), 0);

    peer.Send({c_msgid_ClientConnection, c_msgreason_ClientReady, "ReadyValue=-1", "ShutdownState=0"});
    EXPECT_EQ(Ask(peer, login, c_GET_TICKET).Values("Found"), "-1");
    // The only answers are those of the requests made after the ready answer.
    const auto answers = [&](const QString& aReason) {
        return std::count_if(peer.Received().begin(), peer.Received().end(), [&](const QString& aBody) {
            return aBody.contains(QStringLiteral("MessageReason=") + aReason);
        });
    };
    EXPECT_EQ(answers(c_GET_TICKET), 1);
    EXPECT_EQ(answers(c_GET_SECRETQUESTIONS_LIST), 0);
}

TEST_F(ServerTrust, ARestoreCanOnlyLowerTheCreditAndEndsWithTheLogout) {
    AddTicket("TICKET01");
    auto peer = Ready();
    const QString token = StartTicket(*peer, "TICKET01");
    const uint32_t id = uint32_t(fDb.TicketExists("TICKET01"));
    peer->Socket().abort();
    ASSERT_TRUE(WaitUntil([&] { return !Slot(1)->Connected(); }));

    // Higher than the session had: kept as it was. The customer then logged out while away.
    auto back = Ready();
    Tell(*back, Restore(stTicket, id, token, 999999, "0"));
    EXPECT_EQ(StoredTicket("TICKET01")->Credit(), 3600u);
    EXPECT_FALSE(fDb.ReadSession(token).has_value());
    // The token of a session that ended restores nothing.
    Tell(*back, Restore(stTicket, id, token, 100));
    EXPECT_EQ(fServer->DuplicatedTicket("TICKET01"), 0);
    EXPECT_EQ(StoredTicket("TICKET01")->Credit(), 3600u);
}

TEST_F(ServerTrust, AWorkstationBackOnANewLinkTakesItsSessionOverFromTheOldOne) {
    AddTicket("TICKET01");
    auto old = Ready("PC01");
    const QString token = StartTicket(*old, "TICKET01");
    TZRVClock::Advance(2 * c_Minute);
    // The old link looks alive to the server; the workstation reconnects with its kept report.
    auto fresh = Ready("PC01");
    Tell(*fresh, Restore(stTicket, uint32_t(fDb.TicketExists("TICKET01")), token, 3480));
    EXPECT_TRUE(old->WaitClosed());
    TZRVServerClientConnection* holder = fServer->SessionHolder(token);
    ASSERT_NE(holder, nullptr);
    EXPECT_NE(holder, Slot(1));
    EXPECT_TRUE(holder->UserConnection()->Session()->Openned());
    EXPECT_EQ(StoredTicket("TICKET01")->Credit(), 3480u);
}

// ---------------------------------------------------------------------------------------------
// Credit

TEST_F(ServerTrust, ReportedCreditIsBoundedByTheServersOwnCount) {
    const uint32_t postpaid = AddGroup("Postpaid", true);
    const struct {
        const char* Code;
        uint32_t GroupID;
        uint32_t Credit;
        QStringList Message; // sent after 10 minutes of session
        uint32_t Stored;
    } cases[] = {
        // 600 s counted, less the 30 s of tolerance
        {"UPDATE", 1, 3600, Report(c_msgreason_SessionUpdate, 2000000000), 3030},
        {"STOPPED", 1, 3600, Report(c_msgreason_SessionStopped, 2000000000), 3030},
        {"CLOSED",
         1,
         3600,
         {c_msgid_UserConnection, c_msgreason_UserConnectionClosed, "SessionType=2", "UTt_Cdt=2000000000"},
         3030},
        {"HONEST", 1, 3600, Report(c_msgreason_SessionUpdate, 3000), 3000},
        // a post-paid ticket counts up: a report of no use is raised to the count
        {"POSTPAID", postpaid, 0, Report(c_msgreason_SessionUpdate, 0), 570},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Code);
        AddTicketOfGroup(c.Code, c.Credit, c.GroupID);
        auto peer = Ready();
        StartTicket(*peer, c.Code);
        TZRVClock::Advance(10 * c_Minute);
        Tell(*peer, c.Message);
        Tell(*peer, LogOut());
        EXPECT_EQ(StoredTicket(c.Code)->Credit(), c.Stored);
        EXPECT_EQ(StoredTicket(c.Code)->LastUseTime(), c.Credit > c.Stored ? c.Credit - c.Stored : c.Stored);
    }
}

TEST_F(ServerTrust, ToleranceIsSpentOnceNotAtEveryReport) {
    AddTicket("TICKET01");
    fServer->SetAutoDBUpdateSession(true);
    auto peer = Ready();
    StartTicket(*peer, "TICKET01");
    // A report every second that claims no use at all.
    for (int i = 0; i < 90; ++i) {
        TZRVClock::Advance(1000);
        peer->Send(Report(c_msgreason_SessionUpdate, 3600));
    }
    Sync(*peer);
    EXPECT_EQ(StoredTicket("TICKET01")->Credit(), 3600u - 90u + 30u);
}

TEST_F(ServerTrust, CounterSaleDuringASessionSurvivesTheLogout) {
    AddAccount("alice", "Secret1", true, 3600);
    auto ws = Join("PC01");
    ws->User().OpenAccount("alice", "Secret1");
    ASSERT_EQ(ws->Outcome("Open"), "Open");
    StartSession(*ws, 1);

    auto sold = StoredAccount("alice"); // the cashier sells half an hour at the counter
    sold->SetCredit(sold->Credit() + 1800);
    ASSERT_TRUE(fDb.UpdateAccount(sold.get()));
    TZRVClock::Advance(10 * c_Minute);
    ws->Session().Credit()->SetCreditValue(3000);
    ws->User().Close();
    ASSERT_TRUE(WaitUntil([&] { return !Slot(1)->UserConnection()->Connected(); }));

    const auto stored = StoredAccount("alice");
    EXPECT_EQ(stored->Credit(), 3600u + 1800u - 600u);
    EXPECT_EQ(stored->CreditTotal(), 600u);
    EXPECT_EQ(stored->LastUseTime(), 600u);
    EXPECT_EQ(stored->LastUsePC()->MachineID(), uint32_t(fDb.MachineExists("PC01")));
}

TEST_F(ServerTrust, EveryWriteBackSubtractsOnlyTheUseSinceThePreviousOne) {
    AddTicket("TICKET01");
    fServer->SetAutoDBUpdateSession(true);
    auto peer = Ready();
    StartTicket(*peer, "TICKET01");
    for (const uint32_t credit : {3480u, 3360u}) {
        TZRVClock::Advance(2 * c_Minute);
        Tell(*peer, Report(c_msgreason_SessionUpdate, credit));
        EXPECT_EQ(StoredTicket("TICKET01")->Credit(), credit);
    }
    // The link goes a minute later: the server writes what it counted itself.
    TZRVClock::Advance(c_Minute);
    peer->Socket().abort();
    ASSERT_TRUE(WaitUntil([&] { return !Slot(1)->Connected(); }));
    EXPECT_EQ(StoredTicket("TICKET01")->Credit(), 3360u - 60u + 30u);
    EXPECT_EQ(StoredTicket("TICKET01")->LastUseTime(), 3600u - (3360u - 60u + 30u));
}

// ---------------------------------------------------------------------------------------------
// Guessing

TEST_F(ServerTrust, GuessingIsSlowedWhileAnHonestRetryIsNot) {
    AddAccount("alice", "Secret1");
    fServer->GuessThrottle()->SetSettings(
        {.FreeFailures = 3, .WindowSecs = 600, .FirstDelayMs = 10, .LockOutSecs = 300});
    auto guesser = Ready("RAW");
    QList<qint64> waits;
    for (int i = 0; i < 6; ++i) {
        waits << fServer->GuessThrottle()->Delay("127.0.0.1");
        EXPECT_EQ(AskAccount(*guesser, "alice", QStringLiteral("guess%1").arg(i)).Values("Message"),
                  "Mot de passe incorrect");
    }
    EXPECT_EQ(waits, QList<qint64>({0, 0, 0, 10, 20, 40}));

    // From another address, a customer who mistypes twice is not slowed.
    auto honest = Ready("PC02", "127.0.0.2");
    for (const char* password : {"secret", "Secret!"})
        EXPECT_EQ(AskAccount(*honest, "alice", password).Values("Found"), "0");
    EXPECT_EQ(fServer->GuessThrottle()->Delay("127.0.0.2"), 0);
    EXPECT_EQ(AskAccount(*honest, "alice", "Secret1").Values("Found"), "-1");

    // Failures age out of the window.
    TZRVClock::Advance(11 * c_Minute);
    EXPECT_EQ(fServer->GuessThrottle()->Delay("127.0.0.1"), 0);
}

TEST_F(ServerTrust, ASlowedAnswerWaitsAndTheAddressGainsNothingFromMoreLinks) {
    AddTicket("TICKET01");
    fServer->GuessThrottle()->SetSettings(
        {.FreeFailures = 3, .WindowSecs = 600, .FirstDelayMs = 60000, .LockOutSecs = 300});
    auto guesser = Ready("RAW");
    for (const char* code : {"AAAA", "BBBB", "CCCC"})
        EXPECT_EQ(Ask(*guesser,
                      {c_msgid_UserConnection, c_msgreason_GetTicket, QStringLiteral("TicketCode=") + code},
                      c_GET_TICKET)
                      .Values("Message"),
                  "Ticket introuvable");
    const QStringList guess = {c_msgid_UserConnection, c_msgreason_GetTicket, "TicketCode=TICKET01"};
    auto second = Ready("RAW2");
    EXPECT_TRUE(Ask(*guesser, guess, c_GET_TICKET, 200).IsEmpty());
    EXPECT_TRUE(Ask(*second, guess, c_GET_TICKET, 200).IsEmpty());
    EXPECT_EQ(fServer->DuplicatedTicket("TICKET01"), 0);
    // Another address is answered at once.
    auto other = Ready("PC02", "127.0.0.2");
    EXPECT_EQ(Ask(*other, guess, c_GET_TICKET).Values("Found"), "-1");
}

TEST_F(ServerTrust, AnAccountInUseIsToldOnlyToWhoKnowsItsPassword) {
    AddAccount("alice", "Secret1");
    auto ws = Join("PC01");
    ws->User().OpenAccount("alice", "Secret1");
    ASSERT_EQ(ws->Outcome("Open"), "Open");
    auto peer = Ready();
    EXPECT_EQ(AskAccount(*peer, "alice", "guess").Values("Message"), "Mot de passe incorrect");
    EXPECT_EQ(AskAccount(*peer, "alice", "Secret1").Values("Message"), "Compte en cours d'utilisation");
}

// ---------------------------------------------------------------------------------------------
// What leaves the server

TEST_F(ServerTrust, AFoundAccountCarriesWhatWasTypedAndNoSecretAnswer) {
    AddAccount("alice", "Secret1", true, 3600, "Ville natale ?", "Douala");
    auto peer = Ready();
    const TStringList answer = AskAccount(*peer, "alice", "sECRET1");
    EXPECT_EQ(answer.Values("Found"), "-1");
    EXPECT_EQ(answer.Values("UAt_APw"), "sECRET1");
    EXPECT_EQ(answer.Values("UAt_SAw"), "");
    EXPECT_GE(answer.IndexOfName("UAt_SAw"), 0);
    EXPECT_EQ(answer.Values("UAt_SQt_Qst"), "Ville natale ?");
    EXPECT_EQ(answer.Values("SessionToken"), Slot(1)->UserConnection()->SessionToken());
    EXPECT_TRUE(fDb.ReadSession(answer.Values("SessionToken")).has_value());
}

TEST_F(ServerTrust, AnUpdateWithoutTheSecretAnswerKeepsIt) {
    AddAccount("alice", "Secret1", true, 3600, "Ville natale ?", "Douala");
    auto ws = Join("PC01");
    ws->User().OpenAccount("alice", "Secret1");
    ASSERT_EQ(ws->Outcome("Open"), "Open");
    TZRVUserAccount changed;
    changed.Copy(ws->Session().Account());
    changed.SetFirstName("Alice");
    ws->User().RequestUpdateAccount(&changed);
    ASSERT_EQ(ws->Outcome("AccountUpdated"), "AccountUpdated");
    EXPECT_EQ(StoredAccount("alice")->FirstName(), "Alice");
    EXPECT_EQ(StoredAccount("alice")->SecretAnswer(), "Douala");
    EXPECT_EQ(StoredAccount("alice")->AccountPassword(), "Secret1");
}

// ---------------------------------------------------------------------------------------------
// Reload codes

TEST_F(ServerTrust, AReloadCodeIsSpentOnceAndOnlyOnASession) {
    AddTicket("TICKET01");
    AddTicket("TICKET02");
    AddTicket("RELOAD", {.Credit = 5400});
    const QStringList reload = {c_msgid_UserConnection, c_msgreason_AddCredit, "ReloadCode=RELOAD"};

    auto nobody = Ready("RAW");
    const TStringList refused = Ask(*nobody, reload, c_GET_TICKET);
    EXPECT_EQ(refused.Values("Found"), "0");
    EXPECT_EQ(refused.Values("Message"), "Aucune session ouverte");
    EXPECT_EQ(StoredTicket("RELOAD")->Credit(), 5400u);
    EXPECT_FALSE(StoredTicket("RELOAD")->UsedFlag());

    // Two workstations use the one code at once.
    auto first = Ready("PC01");
    auto second = Ready("PC02");
    StartTicket(*first, "TICKET01");
    StartTicket(*second, "TICKET02");
    first->ClearReceived();
    second->ClearReceived();
    first->Send(reload);
    second->Send(reload);
    QStringList outcomes;
    for (RawPeer* peer : {first.get(), second.get()}) {
        TStringList answer;
        ASSERT_TRUE(
            WaitUntil([&] { return Has(*peer, c_ADD_CREDIT, answer) || Has(*peer, c_GET_TICKET, answer); }));
        outcomes << (answer.Values("Found") == "-1" ? QStringLiteral("credited") : answer.Values("Message"));
    }
    outcomes.sort();
    EXPECT_EQ(outcomes, QStringList({"Ce code de recharge a déjà été utilisé !", "credited"}));
    EXPECT_EQ(StoredTicket("RELOAD")->Credit(), 0u);
    EXPECT_EQ(StoredTicket("TICKET01")->Credit() + StoredTicket("TICKET02")->Credit(), 3600u + 3600u + 5400u);
}

TEST_F(ServerTrust, TwoServersSpendingOneCodeCreditItOnce) {
    const uint32_t code = AddTicket("RELOAD", {.Credit = 5400});
    const uint32_t payer = AddTicket("TICKET01");
    TZRVSessionRow session;
    session.Token = "t";
    session.SessionType = stTicket;
    session.RecordID = payer;
    fDb.AddSession(session);
    // Both read the code holding 5400 seconds; the second to write finds it spent.
    EXPECT_TRUE(fDb.SpendReloadCode(code, 5400, session));
    EXPECT_FALSE(fDb.SpendReloadCode(code, 5400, session));
    EXPECT_EQ(StoredTicket("TICKET01")->Credit(), 3600u + 5400u);
    EXPECT_EQ(fDb.ReadSession("t")->Credit, 5400u);
}

// ---------------------------------------------------------------------------------------------
// Requests that cannot be read, account creation, the question list, machines

TEST_F(ServerTrust, EveryRequestThatCannotBeReadIsAnswered) {
    AddAccount("alice", "Secret1");
    auto peer = Ready();
    TZRVUserAccount dave;
    dave.SetAccountName("dave");
    TStringList malformed = dave.SaveToStringList();
    malformed.SetValues("UAt_Cdt", "beaucoup");
    malformed.Add(c_msgid_UserConnection);
    malformed.Add(c_msgreason_CreateAccount);
    const struct {
        QStringList Request;
        const QString& Reason;
        const char* Flag;
    } cases[] = {
        {{c_msgid_UserConnection, c_msgreason_GetAccount, "AccountPassword=x"}, c_GET_ACCOUNT, "Found"},
        {{c_msgid_UserConnection, c_msgreason_GetTicket}, c_GET_TICKET, "Found"},
        {{c_msgid_UserConnection, c_msgreason_AddCredit}, c_ADD_CREDIT, "Found"},
        {{c_msgid_UserConnection, c_msgreason_RetrievePassword, "AccountName=alice"},
         c_RETRIEVE_PASSWORD,
         "Found"},
        {malformed.Lines(), c_CREATE_ACCOUNT, "Success"},
        {{c_msgid_UserConnection, c_msgreason_CreateAccount}, c_CREATE_ACCOUNT, "Success"},
        {{"UAt_AID=x", c_msgid_UserConnection, c_msgreason_UpdateAccount}, c_UPDATE_ACCOUNT, "Success"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Request.join(" ").toStdString());
        const TStringList answer = Ask(*peer, c.Request, c.Reason);
        EXPECT_EQ(answer.Values(c.Flag), "0");
        EXPECT_EQ(answer.Values("Message"), "Requête invalide");
    }
    EXPECT_EQ(fDb.AccountExists("dave"), 0);
    EXPECT_TRUE(Log().contains("TZRVSvrTasks.Execute"));
}

TEST_F(ServerTrust, APeerFloodingRequestsIsDropped) {
    auto peer = Ready();
    QByteArray flood;
    TZRVCrypt crypt;
    for (int i = 0; i < 40; ++i)
        flood += EncodeMessage(
            TStringList({c_msgid_UserConnection, c_msgreason_GetTicket, "TicketCode=X"}).Text(), crypt);
    peer->SendRaw(flood);
    EXPECT_TRUE(peer->WaitClosed());
    EXPECT_EQ(Log().count("sends requests faster than they are answered"), 1);
    auto next = Ready(); // the slot serves the next workstation
    EXPECT_EQ(Ask(*next, {c_msgid_UserConnection, c_msgreason_GetTicket, "TicketCode=X"}, c_GET_TICKET)
                  .Values("Message"),
              "Ticket introuvable");
}

TEST_F(ServerTrust, AccountCreationIsLimitedPerAddressAndQuestionsAreShort) {
    auto peer = Ready();
    const auto create = [&](const QString& aName, const QString& aQuestion) {
        TZRVUserAccount account;
        account.SetAccountName(aName);
        account.SetAccountPassword("pw");
        account.SecretQuestion()->SetQuestion(aQuestion);
        account.SetSecretAnswer("oui");
        TStringList request = account.SaveToStringList();
        request.Add(c_msgid_UserConnection);
        request.Add(c_msgreason_CreateAccount);
        const TStringList answer = Ask(*peer, request.Lines(), c_CREATE_ACCOUNT);
        return answer.Values("Success") == "-1" ? QStringLiteral("created") : answer.Values("Message");
    };
    const QString fifty(50, u'q');
    EXPECT_EQ(create("long", fifty + "?"), "Question secrète trop longue (50 caractères au plus)");
    EXPECT_EQ(create("one", fifty), "created");
    EXPECT_EQ(create("two", "Ville natale ?"), "created");
    EXPECT_EQ(create("three", "Ville natale ?"), "created");
    EXPECT_EQ(create("four", "Ville natale ?"),
              "Trop de comptes créés depuis ce poste, veuillez réessayer plus tard");
    EXPECT_EQ(fDb.AccountExists("four"), 0);
    TZRVClock::Advance(61 * c_Minute);
    EXPECT_EQ(create("four", "Ville natale ?"), "created");
}

TEST_F(ServerTrust, TheQuestionListIsBoundedWithTheCafesOwnFirst) {
    fDb.ExecuteSQLAction("BEGIN");
    for (int i = 0; i < 150; ++i) {
        TZRVSecretQuestion question;
        question.SetQuestion(QStringLiteral("Question du client %1 ?").arg(i));
        ASSERT_TRUE(fDb.AddCustomerSecretQuestion(&question));
    }
    fDb.ExecuteSQLAction("COMMIT");
    TZRVSecretQuestion own;
    own.SetQuestion("Nom de votre premier animal ?");
    ASSERT_TRUE(fDb.AddSecretQuestion(&own));
    auto peer = Ready();
    const TStringList list = Ask(*peer, {c_msgid_ClientConnection, c_msgreason_GetSecretQuestionsList},
                                 c_GET_SECRETQUESTIONS_LIST);
    ASSERT_EQ(list.Count(), 2 + 100);
    EXPECT_EQ(list[2], "Ville natale ?"); // the cashier's account's, made at the counter
    EXPECT_EQ(list[3], "Nom de votre premier animal ?");
    EXPECT_EQ(list[4], "Question du client 0 ?");
}

TEST_F(ServerTrust, AConnectionRegistersOneMachineAtMost) {
    RawPeer peer(Port());
    ASSERT_TRUE(peer.MakeReady("PC-ONE"));
    for (const char* name : {"PC-TWO", "PC-THREE"})
        peer.Send({c_msgid_ClientConnection, c_msgreason_ClientHandshake, QStringLiteral("Mcn_MNm=") + name});
    Sync(peer);
    ASSERT_TRUE(WaitUntil([&] { return fDb.MachineExists("PC-ONE") != 0; }));
    EXPECT_EQ(Slot(1)->RemoteHost(), "PC-ONE");
    EXPECT_EQ(fDb.MachineExists("PC-TWO"), 0);
    EXPECT_EQ(fDb.MachineExists("PC-THREE"), 0);
    EXPECT_TRUE(Log().contains("Repeated handshake"));

    // The next workstation in the slot shows nothing of this one.
    peer.Socket().abort();
    ASSERT_TRUE(WaitUntil([&] { return !Slot(1)->Connected(); }));
    RawPeer next(Port());
    ASSERT_TRUE(next.Connected());
    ASSERT_TRUE(WaitUntil([&] { return Slot(1)->Connected(); }));
    EXPECT_EQ(Slot(1)->RemoteHost(), "");
}

// ---------------------------------------------------------------------------------------------
// The database's part

TEST_F(ServerTrust, AnOlderDatabaseFileGetsTheSessionTable) {
    fServer.reset();
    for (const char* sql : {"DROP TABLE tblSessions", "DROP TABLE tblClaims", "DROP TABLE tblJobs",
                            "ALTER TABLE tblSecretQuestions DROP COLUMN FromWorkstation",
                            "UPDATE tblDatabaseInfo SET Value = '1' WHERE Name = 'SchemaVersion'"})
        fDb.ExecuteSQLAction(QString::fromLatin1(sql));
    fDb.Close();
    ASSERT_TRUE(fDb.Open());
    TZRVSessionRow row;
    row.Token = "t";
    fDb.AddSession(row);
    EXPECT_TRUE(fDb.ReadSession("t").has_value());
    EXPECT_EQ(fDb.SecretQuestionList(10), QStringList({"Ville natale ?"}));
    QSqlQuery version = fDb.OpenQuery("SELECT Value FROM tblDatabaseInfo WHERE Name = 'SchemaVersion'");
    ASSERT_TRUE(version.next());
    EXPECT_EQ(version.value(0).toString(), QString::number(ZRVSql::c_SchemaVersion));
}

} // namespace
