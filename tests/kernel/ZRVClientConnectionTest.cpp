#include "ZRVClientConnection.h"
#include "ZRVClientConfig.h"
#include "ZRVCrypt.h"
#include "ZRVErrorLogger.h"
#include "ZRVLocalAccount.h"
#include "support/FakePlatform.h"

#include "support/EventLoop.h"
#include "support/Files.h"
#include "support/ScriptedPeer.h"
#include "support/TempDirs.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using zrvtest::WaitUntil;

namespace {

const QStringList c_Handshake = {"MessageID=CLIENT_CONNECTION",
                                 "MessageReason=SERVER_HANDSHAKE",
                                 "SvrVersion=2.3",
                                 "SvrProtocolVersion=0.4",
                                 "SvrDateTime=20/07/2011 14:05:09",
                                 "Nfos_Café du port",
                                 "nfos_Second line"};
const QStringList c_Ready = {"MessageID=CLIENT_CONNECTION", "MessageReason=SERVER_READY", "ReadyValue=-1"};

QStringList Command(const QString& aReason, const QStringList& aMore = {}) {
    return QStringList{"MessageID=CLIENT_CONNECTION", "MessageReason=" + aReason} + aMore;
}

QStringList UserAnswer(const QString& aReason, const QStringList& aMore) {
    return QStringList{"MessageID=USER_CONNECTION", "MessageReason=" + aReason} + aMore;
}

QStringList TicketLines(uint32_t aCredit) {
    TZRVUserTicket ticket;
    ticket.SetTicketID(7);
    ticket.SetCode("AB12CD34");
    ticket.SetCredit(aCredit);
    return ticket.SaveToStringList().Lines();
}

QStringList AccountLines(const QString& aName, uint32_t aCredit) {
    TZRVUserAccount account;
    account.SetAccountID(5);
    account.SetAccountName(aName);
    account.SetAccountPassword("pw");
    account.SetCredit(aCredit);
    return account.SaveToStringList().Lines();
}

TZRVFakeWindows& FakeWindows() {
    return FakePlatform().FakeWindows();
}

// A workstation connection against a scripted server.
const QString c_Token = QStringLiteral("5eed5eed5eed5eed5eed5eed5eed5eed");

class ClientLink : public ::testing::Test {
protected:
    zrvtest::TempRegistry fRegistry;
    QTemporaryDir fLogDir;
    TZRVErrorLogger fLogger;
    zrvtest::ScriptedPeer fPeer;
    QStringList fEvents;
    TZRVClientConnection fConn;

    void SetUp() override {
        fLogger.SetLogFile(fLogDir.filePath("client.lgf"));
        fConn.SetErrorLogger(&fLogger);
        fConn.SetServerPort(fPeer.Port());
        fConn.SetReadyDelay(1);
        fConn.Reader()->SetQuietTime(1);
        auto record = [this](const char* aName) { return [this, aName](QObject*) { fEvents << aName; }; };
        fConn.SetOnReady(record("Ready"));
        fConn.SetOnDisconnect(record("Disconnect"));
        fConn.SetOnUserConnectionOpen(record("Open"));
        fConn.SetOnUserConnectionFail(record("Fail"));
        fConn.SetOnUserConnectionClose(record("Close"));
        fConn.SetOnUserConnectionAddCredit(record("AddCredit"));
        fConn.SetOnUserConnectionFixCredit(record("FixCredit"));
        fConn.SetOnUserSessionStart(record("SessionStart"));
        fConn.SetOnUserSessionStop(record("SessionStop"));
        fConn.SetOnServerPing(record("ServerPing"));
    }

    QString Log() const { return QString::fromUtf8(zrvtest::ReadFile(fLogger.LogFile())); }
    // Everything the workstation sent before it echoed this ping has reached the peer.
    void SyncWithWorkstation() {
        const qsizetype echoes = fPeer.ReceivedWithReason("SERVER_PING").size();
        fPeer.Send(Command("SERVER_PING"));
        ASSERT_TRUE(WaitUntil([&] { return fPeer.ReceivedWithReason("SERVER_PING").size() > echoes; }));
    }
    bool Saw(const char* aEvent) const { return fEvents.contains(QLatin1String(aEvent)); }

    void Connect() {
        fConn.OpenConnection();
        ASSERT_TRUE(fPeer.WaitForClient());
        ASSERT_TRUE(WaitUntil([this] { return fConn.Connected(); }));
    }
    void MakeReady() {
        Connect();
        fPeer.Send(c_Handshake);
        ASSERT_TRUE(fPeer.WaitForReason("CLIENT_HANDSHAKE"));
        fPeer.Send(c_Ready);
        ASSERT_TRUE(WaitUntil([this] { return Saw("Ready"); }));
        ASSERT_TRUE(fConn.Ready());
        // The answer has arrived, so that nothing of the exchange reaches what a test sends next.
        ASSERT_TRUE(fPeer.WaitForReason("CLIENT_READY"));
    }
    // Sends a server message and waits for the answer with that reason.
    TStringList Ask(const QStringList& aLines, const QString& aReason) {
        fPeer.ClearReceived();
        fPeer.Send(aLines);
        TStringList answer;
        EXPECT_TRUE(fPeer.WaitForReason(aReason, &answer)) << aReason.toStdString();
        return answer;
    }
    void OpenTicketSession(uint32_t aCredit) {
        fConn.UserConnection()->OpenTicket("AB12CD34");
        ASSERT_TRUE(fPeer.WaitForReason("GET_TICKET"));
        fPeer.Send(UserAnswer("GET_TICKET", QStringList{"Found=-1", "Message=", "SessionToken=" + c_Token} +
                                                TicketLines(aCredit)));
        ASSERT_TRUE(WaitUntil([this] { return Saw("Open"); }));
        ASSERT_TRUE(fConn.UserConnection()->Session()->Open());
    }
};

// ----- handshake and readiness

TEST_F(ClientLink, HandshakeSendsTheMachineAndKeepsServerInfosAndClock) {
    Connect();
    TStringList received;
    fConn.SetOnHandShake([&](QObject*, const TStringList&) {
        received = fPeer.ReceivedWithReason("CLIENT_HANDSHAKE").value(0);
    });
    const TStringList answer = Ask(c_Handshake, "CLIENT_HANDSHAKE");
    EXPECT_TRUE(received.IsEmpty()); // the event comes before the answer is sent
    EXPECT_EQ(answer.Values("MessageID"), "CLIENT_CONNECTION");
    EXPECT_EQ(answer.Values("Mcn_MID"), "1");
    EXPECT_EQ(answer.Values("Mcn_MNm"), fConn.Machine()->MachineName());
    EXPECT_EQ(fConn.ServerInfos().Lines(), QStringList({"Café du port", "Second line"}));
    const TDateTime expected = EncodeDateTime(2011, 7, 20, 14, 5, 9);
    EXPECT_NEAR(fConn.ServerTime()->sDateTime(), expected, 2.0 / 86400);
    EXPECT_NEAR(fConn.UserConnection()->Session()->STimer()->sDateTime(), expected, 2.0 / 86400);
}

TEST_F(ClientLink, HandshakeWithoutServerTimeIsLoggedAndNotAnswered) {
    Connect();
    fPeer.Send(Command("SERVER_HANDSHAKE"));
    ASSERT_TRUE(WaitUntil([this] { return Log().contains("ClientConnection_MsgIDDefaultHandler"); }));
    SyncWithWorkstation();
    EXPECT_TRUE(fPeer.ReceivedWithReason("CLIENT_HANDSHAKE").isEmpty());
    EXPECT_TRUE(fConn.Connected());
}

TEST_F(ClientLink, AcceptedReadySendsStateAndConfiguration) {
    Connect();
    fConn.SetShuttedDown(true);
    fPeer.Send(c_Handshake);
    const TStringList answer = Ask(c_Ready, "CLIENT_READY");
    EXPECT_EQ(answer.Values("ReadyValue"), "-1");
    EXPECT_EQ(answer.Values("ShutdownState"), "-1");
    EXPECT_EQ(CollectPrefixed(answer, "ClC_").Count(), 32);
    ASSERT_TRUE(WaitUntil([this] { return Saw("Ready"); }));
    EXPECT_TRUE(fConn.Ready());
}

TEST_F(ClientLink, ReadyWithoutValueIsARefusalThatClosesTheLink) {
    Connect();
    fPeer.Send(Command("SERVER_READY", {"ReadyComment=Poste inconnu"}));
    ASSERT_TRUE(WaitUntil([this] { return Saw("Ready"); }));
    EXPECT_FALSE(fConn.Ready());
    EXPECT_FALSE(fConn.Connected());
    EXPECT_TRUE(Saw("Disconnect"));
    EXPECT_TRUE(Log().contains("Authentication sequence aborted by server::Poste inconnu"));
    EXPECT_TRUE(fPeer.ReceivedWithReason("CLIENT_READY").isEmpty());
}

// ----- pings

TEST_F(ClientLink, ServerPingIsEchoedByteForByte) {
    MakeReady();
    const QStringList ping = Command("SERVER_PING", {"Stamp=12:00:01", "Extra"});
    fPeer.ClearReceived();
    fPeer.Send(ping);
    ASSERT_TRUE(fPeer.WaitForReason("SERVER_PING"));
    EXPECT_EQ(fPeer.Received(), QStringList({zrvtest::Body(ping)}));
    EXPECT_TRUE(Saw("ServerPing"));
}

TEST_F(ClientLink, ClientPingIsAnsweredOrTimesOut) {
    MakeReady();
    fConn.SetClientPingTimeOut(zrvtest::c_EventTimeoutMs);
    fConn.SetClientPingInterval(20);
    fConn.SetClientPingEnabled(true);
    ASSERT_TRUE(fPeer.WaitForReason("CLIENT_PING"));
    fConn.SetClientPingInterval(zrvtest::c_EventTimeoutMs); // no second ping meanwhile
    EXPECT_TRUE(fConn.ClientPingPending());
    // The answer ends the wait and keeps the link.
    fPeer.Send(Command("CLIENT_PING"));
    ASSERT_TRUE(WaitUntil([this] { return !fConn.ClientPingPending(); }));
    EXPECT_TRUE(fConn.Connected());
    // Unanswered: the link is shut down and the intervals are logged. Each ping restarts the
    // time-out, so it is shorter than the interval.
    fConn.SetClientPingTimeOut(30);
    fConn.SetClientPingInterval(50);
    ASSERT_TRUE(WaitUntil([this] { return !fConn.Connected(); }));
    EXPECT_TRUE(Log().contains("Connection shutted down because timeout default handler (pi=50 to=30)"));
}

TEST_F(ClientLink, AssignedPingTimeOutEventReplacesTheDefault) {
    MakeReady();
    int timeouts = 0;
    fConn.SetOnClientPingTimeOut([&](QObject*) { ++timeouts; });
    fConn.SetClientPingTimeOut(5);
    fConn.SetClientPingInterval(20);
    fConn.SetClientPingEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return timeouts > 0; }));
    EXPECT_TRUE(fConn.Connected());
}

TEST_F(ClientLink, DisabledPingingStopsItsTimerInsteadOfPinging) {
    MakeReady(); // readiness starts the ping timer with pinging disabled
    EXPECT_TRUE(fConn.ClientPingRunning());
    fConn.SetClientPingInterval(1);
    ASSERT_TRUE(WaitUntil([this] { return !fConn.ClientPingRunning(); }));
    SyncWithWorkstation();
    EXPECT_TRUE(fPeer.ReceivedWithReason("CLIENT_PING").isEmpty());
}

// ----- server commands and requests

TEST_F(ClientLink, ServerCommandsRaiseTheirQueries) {
    MakeReady();
    QStringList queries;
    auto record = [&](const char* aName) { return [&queries, aName](QObject*) { queries << aName; }; };
    fConn.SetOnQueryCloseClientModule(record("close module"));
    fConn.SetOnQueryLaunchClientModule(record("launch module"));
    fConn.SetOnQueryRebootWorkStation(record("reboot"));
    fConn.SetOnQueryShutdownWorkStation(record("shutdown"));
    for (const char* reason : {"cmdCLOSE_CLIENT_MODULE", "cmdlaunch_client_module", "cmdREBOOT_WORKSTATION",
                               "cmdSHUTDOWN_WORKSTATION"})
        fPeer.Send(Command(reason));
    ASSERT_TRUE(WaitUntil([&] { return queries.size() == 4; }));
    EXPECT_EQ(queries, QStringList({"close module", "launch module", "reboot", "shutdown"}));
    fPeer.Send(Command("cmdCLOSE_CLIENT_CONNECTION"));
    ASSERT_TRUE(WaitUntil([this] { return !fConn.Connected(); }));
    EXPECT_TRUE(Log().contains("Server sends the command to shutdown connection"));
}

TEST_F(ClientLink, ServerClosesTheSessionThenTheUserConnection) {
    MakeReady();
    OpenTicketSession(600);
    TZRVUserConnection* uc = fConn.UserConnection();
    TStringList stopped;
    fPeer.Send(Command("cmdCLOSE_USER_SESSION"));
    ASSERT_TRUE(fPeer.WaitForReason("SESSION_STOPPED", &stopped));
    EXPECT_FALSE(uc->Session()->Openned());
    EXPECT_TRUE(uc->Connected());
    fPeer.Send(Command("cmdCLOSE_USER_CONNECTION"));
    TStringList closed;
    ASSERT_TRUE(fPeer.WaitForReason("USER_CONNECTION_CLOSED", &closed));
    EXPECT_EQ(closed.Values("UTt_Cdt"), stopped.Values("CreditValue"));
    EXPECT_FALSE(uc->Connected());
    EXPECT_TRUE(Saw("Close"));
}

TEST_F(ClientLink, InfoMessagesAndCustomMessagesReachTheHost) {
    MakeReady();
    QString info, custom;
    fConn.SetOnInfoMessage([&](QObject*, const QString& aMsg) { info = aMsg; });
    fConn.SetOnCustomMessage([&](QObject*, const QString& aMsg) { custom = aMsg; });
    fPeer.Send(Command("INFOMESSAGE", {"INFOMESSAGE=Fermeture à 22h"}));
    const QStringList customLines = {"MessageID=custom_message", "Anything=1"};
    fPeer.Send(customLines);
    fPeer.Send({"MessageID=GENERAL_REQUEST", "MessageReason=CREATE_ACCOUNT"});
    ASSERT_TRUE(WaitUntil([&] { return !info.isEmpty() && !custom.isEmpty(); }));
    EXPECT_EQ(info, "Fermeture à 22h");
    EXPECT_EQ(custom, zrvtest::Body(customLines));
    ASSERT_TRUE(
        WaitUntil([this] { return Log().contains("Message not recognized := MessageID=GENERAL_REQUEST"); }));
    EXPECT_TRUE(fConn.SendServerMessage("Imprimante en panne"));
    TStringList sent;
    ASSERT_TRUE(fPeer.WaitForReason("INFOMESSAGE", &sent));
    EXPECT_EQ(sent.Values("INFOMESSAGE"), "Imprimante en panne");
}

TEST_F(ClientLink, ConfigurationIsSentAndApplied) {
    MakeReady();
    const TStringList answer = Ask(Command("GET_CONFIG_LIST"), "GET_CONFIG_LIST");
    EXPECT_EQ(CollectPrefixed(answer, "ClC_").Count(), 32);
    TZRVClientConfig config;
    TStringList push = config.SaveToStringList();
    push.SetValues("ClC_SPt", "4321");
    push.Add(c_msgid_ClientConnection);
    push.Add(c_msgreason_SetConfigList);
    fPeer.Send(push.Lines());
    ASSERT_TRUE(WaitUntil([&] { return config.ServerPort() == 4321; }));
}

TEST_F(ClientLink, SecretQuestionListIsTakenFromTheThirdLine) {
    MakeReady();
    bool available = false;
    fConn.SetOnSecretQuestionListAvailable([&](QObject*) { available = true; });
    fConn.RequestSQList();
    ASSERT_TRUE(fPeer.WaitForReason("GET_SECRETQUESTIONS_LIST"));
    fPeer.Send(Command("GET_SECRETQUESTIONS_LIST", {"Nom de votre chien ?", "Ville natale ?"}));
    ASSERT_TRUE(WaitUntil([&] { return available; }));
    EXPECT_EQ(fConn.SecretQuestionList().Lines(), QStringList({"Nom de votre chien ?", "Ville natale ?"}));
}

TEST_F(ClientLink, RunningApplicationsAreListedAndTerminated) {
    FakeWindows().SetWindows({
        {11, "Bloc-notes", "notepad", 501, true, 0, false, false},
        {12, "Palette", "gimp", 502, true, 0, true, false}, // tool window: not an application
        {13, "Hidden", "daemon", 503, false, 0, false, false},
        {14, "Navigateur", "mozillawindowclass", 504, true, 0, false, false},
        {15, "Jeu", "game", 505, true, 0, true, true}, // tool window that asks to be listed
    });
    FakeWindows().ClearCalls();
    MakeReady();
    const TStringList list = Ask(Command("GET_RUNNING_APPLICATIONS_LIST"), "GET_RUNNING_APPLICATIONS_LIST");
    EXPECT_EQ(list.Lines().mid(2), QStringList({"Name1=Bloc-notes", "Handle1=11", "Name2=Navigateur",
                                                "Handle2=14", "Name3=Jeu", "Handle3=15"}));

    QString info;
    fConn.SetOnInfoMessage([&](QObject*, const QString& aMsg) { info = aMsg; });
    struct Case {
        const char* Handle;
        const char* Notify;
        const char* Success;
        const char* Call;
    } cases[] = {
        {"11", "0", "-1", "TerminateProcess(501)"},
        {"14", "-1", "-1", "RequestClose(14)"}, // a browser is asked to close
        {"99", "-1", "0", nullptr},             // no such application
        {"x", "0", "0", nullptr},               // not a number reads as 0
    };
    for (const auto& c : cases) {
        FakeWindows().ClearCalls();
        const TStringList answer =
            Ask(Command("TERMINATE_APPLICATION",
                        {QStringLiteral("Handle=") + c.Handle, QStringLiteral("Notify=") + c.Notify}),
                "TERMINATE_APPLICATION");
        EXPECT_EQ(answer.Values("Success"), c.Success) << c.Handle;
        EXPECT_EQ(FakeWindows().Calls(), c.Call ? QStringList{c.Call} : QStringList()) << c.Handle;
    }
    EXPECT_EQ(info, "Une application a été fermée sur ordre du serveur !");
}

// ----- logins

TEST_F(ClientLink, TicketLoginOpensTheSessionOrFails) {
    MakeReady();
    TZRVUserConnection* uc = fConn.UserConnection();
    uc->OpenTicket("ZZZZ");
    TStringList request;
    ASSERT_TRUE(fPeer.WaitForReason("GET_TICKET", &request));
    EXPECT_EQ(request.Values("TicketCode"), "ZZZZ");
    EXPECT_THROW(uc->OpenTicket("again"), EZRVError); // busy until the time-out
    fPeer.Send(UserAnswer("GET_TICKET", {"Found=0", "Message=Ticket inexistant"}));
    ASSERT_TRUE(WaitUntil([this] { return Saw("Fail"); }));
    EXPECT_EQ(uc->FailMessage(), "Ticket inexistant");
    EXPECT_FALSE(uc->Connected());

    uc->TimerBusy()->setInterval(5);
    uc->SetBusy(true);
    ASSERT_TRUE(WaitUntil([uc] { return !uc->Busy(); }));
    fPeer.ClearReceived();
    uc->OpenTicket("AB12CD34");
    ASSERT_TRUE(fPeer.WaitForReason("GET_TICKET"));
    fPeer.Send(UserAnswer("GET_TICKET", QStringList{"Found=-1", "Message="} + TicketLines(600)));
    ASSERT_TRUE(WaitUntil([this] { return Saw("Open"); }));
    EXPECT_TRUE(uc->Connected());
    EXPECT_EQ(uc->Session()->SessionType(), stTicket);
    EXPECT_EQ(uc->Session()->Credit()->CreditValue(), 600u);
    EXPECT_EQ(uc->OpenConnectionInfo()->TicketCode(), "AB12CD34");
    EXPECT_FALSE(uc->OpenConnectionInfo()->Active());
}

TEST_F(ClientLink, AccountLoginOpensTheSessionOrFails) {
    MakeReady();
    TZRVUserConnection* uc = fConn.UserConnection();
    uc->TimerBusy()->setInterval(5);
    uc->OpenAccount("Bob", "pw");
    TStringList request;
    ASSERT_TRUE(fPeer.WaitForReason("GET_ACCOUNT", &request));
    EXPECT_EQ(request.Values("AccountName"), "Bob");
    EXPECT_EQ(request.Values("AccountPassword"), "pw");
    fPeer.Send(UserAnswer("GET_ACCOUNT", {"Found=0", "Message=Compte inexistant"}));
    ASSERT_TRUE(WaitUntil([this] { return Saw("Fail") && !fConn.UserConnection()->Busy(); }));
    EXPECT_EQ(uc->FailMessage(), "Compte inexistant");

    uc->OpenAccount("Bob", "pw");
    fPeer.Send(UserAnswer("GET_ACCOUNT", QStringList{"Found=-1", "Message="} + AccountLines("Bob", 3600)));
    ASSERT_TRUE(WaitUntil([this] { return Saw("Open"); }));
    EXPECT_EQ(uc->Session()->SessionType(), stAccount);
    EXPECT_EQ(uc->Session()->Account()->AccountName(), "Bob");
    EXPECT_EQ(uc->Session()->Credit()->CreditValue(), 3600u);
    EXPECT_EQ(uc->OpenConnectionInfo()->AccountPassword(), "pw");
    EXPECT_THROW(uc->OpenAccount("Bob", "pw"), EZRVError);
}

TEST_F(ClientLink, MalformedAnswerIsLoggedAndTheLinkStays) {
    MakeReady();
    fPeer.Send(UserAnswer("GET_TICKET", {"Found=peut-être"}));
    fPeer.Send(UserAnswer("NO_SUCH_REASON", {}));
    ASSERT_TRUE(WaitUntil([this] { return Log().contains("'peut-être' is not a valid boolean value"); }));
    ASSERT_TRUE(
        WaitUntil([this] { return Log().contains("Message not recognized := MessageID=USER_CONNECTION"); }));
    EXPECT_TRUE(fConn.Connected());
    EXPECT_FALSE(Saw("Fail"));
}

// ----- credit reload and correction

TEST_F(ClientLink, CreditIsReloadedAndCorrected) {
    MakeReady();
    OpenTicketSession(600);
    TZRVUserSession* session = fConn.UserConnection()->Session();
    EXPECT_THROW(session->AddCredit(""), EZRVError);
    session->AddCredit("RELOAD1");
    TStringList request;
    ASSERT_TRUE(fPeer.WaitForReason("ADD_CREDIT", &request));
    EXPECT_EQ(request.Values("ReloadCode"), "RELOAD1");
    const uint32_t before = session->Credit()->CreditValue();
    fPeer.Send(UserAnswer("ADD_CREDIT", {"Found=-1", "Message=", "Seconds=0", "Minutes=30", "Hours=1"}));
    ASSERT_TRUE(WaitUntil([this] { return Saw("AddCredit"); }));
    EXPECT_GE(session->Credit()->CreditValue(), before + 5400 - 2);
    EXPECT_FALSE(session->CreditLow());

    fPeer.Send(UserAnswer("FIX_CREDIT", {"Found=-1", "Message=", "Seconds=0", "Minutes=0", "Hours=5"}));
    ASSERT_TRUE(WaitUntil([this] { return Saw("FixCredit"); }));
    EXPECT_EQ(session->Credit()->CreditValue(), 0u);
    EXPECT_TRUE(session->CreditLow());

    fPeer.Send(UserAnswer("GET_TICKET", {"Found=0", "Message=Code déjà utilisé"})); // a refused reload
    ASSERT_TRUE(WaitUntil([this] { return Saw("Fail"); }));
    EXPECT_EQ(fConn.UserConnection()->FailMessage(), "Code déjà utilisé");
    EXPECT_TRUE(fConn.UserConnection()->Connected());
}

// ----- session reports

TEST_F(ClientLink, SessionIsReportedWhileItRunsAndWhenItCloses) {
    MakeReady();
    TZRVUserConnection* uc = fConn.UserConnection();
    uc->TimerUpdate()->setInterval(15);
    OpenTicketSession(600);
    EXPECT_EQ(uc->SessionToken(), c_Token);
    ASSERT_TRUE(fPeer.WaitForReason("SESSION_STARTED"));
    ASSERT_TRUE(fPeer.WaitForReason("SESSION_UPDATE"));
    EXPECT_EQ(fPeer.ReceivedWithReason("SESSION_UPDATE").last().Values("CreditValue"),
              QString::number(uc->Session()->Credit()->CreditValue()));
    uc->TimerUpdate()->stop();
    fPeer.ClearReceived();
    uc->Close();
    ASSERT_TRUE(fPeer.WaitForReason("USER_CONNECTION_CLOSED"));
    QStringList reasons;
    for (const QString& body : fPeer.Received())
        reasons << TStringList(body.split("\r\n")).Values("MessageReason");
    ASSERT_GE(reasons.size(), 3); // a periodic report may still have been on its way
    EXPECT_EQ(reasons.mid(reasons.size() - 3),
              QStringList({"SESSION_UPDATE", "SESSION_STOPPED", "USER_CONNECTION_CLOSED"}));
    const TStringList closed = fPeer.ReceivedWithReason("USER_CONNECTION_CLOSED").last();
    EXPECT_EQ(closed.Values("SessionType"), "2");
    EXPECT_EQ(closed.Values("UTt_Cod"), "AB12CD34");
    EXPECT_EQ(closed.Values("UTt_UFg"), "-1");
    EXPECT_EQ(fEvents.filter("Session"), QStringList({"SessionStart", "SessionStop"}));
    EXPECT_TRUE(Saw("Close"));
    EXPECT_FALSE(uc->Connected());
    EXPECT_EQ(uc->SessionToken(), ""); // the session's token ends with it
}

TEST_F(ClientLink, ReportMadeWhileTheServerIsAwayIsReplayedOnceAfterReady) {
    MakeReady();
    OpenTicketSession(600);
    fPeer.CloseClient();
    ASSERT_TRUE(WaitUntil([this] { return !fConn.Connected(); }));
    TZRVUserConnection* uc = fConn.UserConnection();
    uc->UpdateSession();
    uc->UpdateSession(); // the latest report replaces the first
    const QString stored = TZRVClientConfig().getStoredSession();
    EXPECT_TRUE(stored.contains("SessionType=2\r\nSessionTypeID=7\r\nSessionToken=" + c_Token + "\r\n"));

    fEvents.clear();
    fPeer.ClearReceived();
    MakeReady();
    TStringList replay;
    ASSERT_TRUE(fPeer.WaitForReason("SESSION_UPDATE", &replay));
    EXPECT_EQ(replay.Values("SessionOpenned"), "-1");
    EXPECT_EQ(replay.Values("SessionTypeID"), "7");
    EXPECT_EQ(replay.Values("SessionToken"), c_Token);
    EXPECT_EQ(replay[replay.Count() - 2], ""); // the replayed text ends with its own line break
    EXPECT_EQ(TZRVClientConfig().getStoredSession(), "");

    // A later ready exchange has nothing left to replay.
    fPeer.CloseClient();
    ASSERT_TRUE(WaitUntil([this] { return !fConn.Connected(); }));
    fEvents.clear();
    fPeer.ClearReceived();
    MakeReady();
    SyncWithWorkstation();
    EXPECT_TRUE(fPeer.ReceivedWithReason("SESSION_UPDATE").isEmpty());
}

TEST_F(ClientLink, RunningSessionStaysStoredForAProgramStartedAgainUntilTheServerHasItsEnd) {
    MakeReady();
    fConn.UserConnection()->SetKeepSession(true);
    OpenTicketSession(600);
    const auto storedToken = [] {
        QString stored = TZRVClientConfig().getStoredSession();
        if (!TZRVCrypt().Decrypt(stored))
            return QString();
        return TStringList(stored.split("\r\n")).Values("SessionToken");
    };
    // Stored from the session's start, while the server is there, and kept up to date by each report.
    EXPECT_EQ(storedToken(), c_Token);
    TZRVUserConnection* uc = fConn.UserConnection();
    uc->Session()->Credit()->SetCreditValue(321);
    uc->UpdateSession();
    QString stored = TZRVClientConfig().getStoredSession();
    ASSERT_TRUE(TZRVCrypt().Decrypt(stored));
    EXPECT_EQ(TStringList(stored.split("\r\n")).Values("CreditValue"), "321");

    // The replay at the next ready exchange leaves the session that goes on kept.
    fPeer.CloseClient();
    ASSERT_TRUE(WaitUntil([this] { return !fConn.Connected(); }));
    fEvents.clear();
    fPeer.ClearReceived();
    MakeReady();
    ASSERT_TRUE(fPeer.WaitForReason("SESSION_UPDATE"));
    EXPECT_EQ(storedToken(), c_Token);

    uc->Close();
    ASSERT_TRUE(fPeer.WaitForReason("USER_CONNECTION_CLOSED"));
    EXPECT_EQ(TZRVClientConfig().getStoredSession(), "");
}

TEST_F(ClientLink, LocalAccountSessionNeverReportsAndEndsWhenTheServerIsBack) {
    TZRVUserAccount account;
    account.SetAccountName("Local");
    account.SetAccountPassword("secret");
    account.SetCredit(900);
    TZRVLocalAccount store;
    ASSERT_EQ(store.AddAccount(&account), 1);

    TZRVUserConnection* uc = fConn.UserConnection();
    EXPECT_FALSE(uc->OpenLocalAccount("Local", "wrong"));
    EXPECT_FALSE(Saw("Open"));
    ASSERT_TRUE(uc->OpenLocalAccount("Local", "secret"));
    EXPECT_EQ(uc->Session()->SessionType(), stLocalAccount);
    EXPECT_EQ(uc->Session()->Credit()->CreditValue(), 900u);
    ASSERT_TRUE(uc->Session()->Open());
    uc->UpdateSession();
    EXPECT_EQ(TZRVClientConfig().getStoredSession(), "");

    Connect(); // the link comes up: the local session ends at once, silently for the server
    EXPECT_FALSE(uc->Connected());
    EXPECT_TRUE(Saw("Close"));
    SyncWithWorkstation();
    for (const char* reason : {"SESSION_UPDATE", "SESSION_STOPPED", "USER_CONNECTION_CLOSED"})
        EXPECT_TRUE(fPeer.ReceivedWithReason(reason).isEmpty()) << reason;
}

TEST_F(ClientLink, AccountRequestsNeedAnAccountAndALink) {
    TZRVUserConnection* uc = fConn.UserConnection();
    TZRVUserAccount account;
    account.SetAccountName("Nouveau");
    EXPECT_THROW(uc->RequestCreateAccount(nullptr), EZRVError);
    try {
        uc->RequestCreateAccount(&account);
        FAIL();
    } catch (const EZRVError& e) {
        EXPECT_EQ(e.Message(), "Server connection required to perform this action");
    }
    TZRVUserConnection orphan;
    try {
        orphan.RequestUpdateAccount(&account);
        FAIL();
    } catch (const EZRVError& e) {
        EXPECT_EQ(e.Message(), "Owner object is not a TZRVClientConnection type");
    }
    MakeReady();
    uc->RequestCreateAccount(&account);
    TStringList request;
    ASSERT_TRUE(fPeer.WaitForReason("CREATE_ACCOUNT", &request));
    EXPECT_EQ(request.Values("UAt_ANm"), "Nouveau");
    EXPECT_EQ(request[request.Count() - 1], "MessageReason=CREATE_ACCOUNT"); // header lines come last
    bool created = false;
    fConn.SetOnUserConnectionAccountCreated([&](QObject*) { created = true; });
    fPeer.Send(UserAnswer("CREATE_ACCOUNT", {"Success=-1", "Message="}));
    ASSERT_TRUE(WaitUntil([&] { return created; }));
}

TEST_F(ClientLink, PasswordRecoveryAsksTheServer) {
    MakeReady();
    TZRVUserConnection* uc = fConn.UserConnection();
    bool retrieved = false;
    fConn.SetOnUserConnectionPasswordRetrieved([&](QObject*) { retrieved = true; });
    uc->RetrievePassword("Bob", "Ville natale ?", "Brest");
    TStringList request;
    ASSERT_TRUE(fPeer.WaitForReason("RETRIEVE_PASSWORD", &request));
    EXPECT_EQ(request.Values("SecretQuestion"), "Ville natale ?");
    EXPECT_EQ(request.Values("SecretAnswer"), "Brest");
    fPeer.Send(UserAnswer("RETRIEVE_PASSWORD", {"Found=0", "Message=Question ou réponse incorrecte !"}));
    ASSERT_TRUE(WaitUntil([this] { return Saw("Fail"); }));
    EXPECT_EQ(uc->FailMessage(), "Question ou réponse incorrecte !");
    fPeer.Send(UserAnswer("RETRIEVE_PASSWORD", {"Found=-1", "Message=", "AccountPassword=pw"}));
    ASSERT_TRUE(WaitUntil([&] { return retrieved; }));
    EXPECT_EQ(uc->RetrievedPassword(), "pw");
    EXPECT_FALSE(uc->Connected());
}

// ----- framing and hostile input

TEST_F(ClientLink, SplitMessageIsHandledWholeAndOnce) {
    MakeReady();
    fConn.Reader()->SetQuietTime(200);
    const QByteArray wire =
        EncodeMessage(zrvtest::Body(Command("SERVER_PING", {"Part=one", "Rest=two"})), TZRVCrypt());
    fPeer.ClearReceived();
    const qsizetype cut = wire.indexOf("Part=one\r\n") + 10; // right after a line end
    fPeer.SendRaw(wire.left(cut));
    zrvtest::RunEventsFor(20);
    fPeer.SendRaw(wire.mid(cut));
    ASSERT_TRUE(fPeer.WaitForReason("SERVER_PING"));
    const QString echo = fPeer.Received().value(0);
    SyncWithWorkstation();
    ASSERT_EQ(fPeer.Received().size(), 2); // the split message's echo, then the plain ping's
    EXPECT_TRUE(echo.endsWith("Rest=two\r\n"));
}

TEST_F(ClientLink, GarbageAndHugeMessagesDoNotHurtTheLink) {
    MakeReady();
    fPeer.SendRaw(QByteArray(2 * 1024 * 1024, 'z'));
    fPeer.SendRaw("#ZRV2_SC_DATA#Huge=" + QByteArray(5 * 1024 * 1024, 'y'));
    fPeer.SendRaw(QByteArray("\r\n"));
    ASSERT_TRUE(WaitUntil([this] { return Log().contains("dropped"); }, 10000));
    EXPECT_LE(fConn.Reader()->Buffer().Pending(), TZRVReceiveBuffer::c_DefaultMaxTail);
    fPeer.ClearReceived();
    fPeer.Send(Command("SERVER_PING"));
    EXPECT_TRUE(fPeer.WaitForReason("SERVER_PING"));
    EXPECT_TRUE(fConn.Connected());
}

TEST_F(ClientLink, ServerAddressRules) {
    EXPECT_EQ(fConn.ServerAddress(), "");
    fConn.SetServerAddress("127.0.0.1"); // an ordinary address is a host name to resolve
    EXPECT_EQ(fConn.ServerAddress(), "127.0.0.1");
    fConn.SetServerAddress("localhost");
    EXPECT_EQ(fConn.ServerAddress(), "localhost");
    Connect();
    fConn.ShutDownConnection();
    ASSERT_TRUE(WaitUntil([this] { return !fConn.Connected(); }));
    EXPECT_FALSE(fConn.Send("MessageID=CLIENT_CONNECTION\r\n"));
}

TEST_F(ClientLink, ConnectFailureRunsTheDisconnectPathAndIsLogged) {
    fConn.SetServerPort(1); // nothing listens there
    int errors = 0;
    fConn.SetOnSocketError([&](QObject*) { ++errors; });
    fConn.OpenConnection();
    ASSERT_TRUE(WaitUntil([&] { return errors == 1; }));
    EXPECT_TRUE(Saw("Disconnect"));
    EXPECT_TRUE(Log().contains("/Connect;ZRVClientConnection;TZRVClientConnection.SocketErrorHandler;"
                               "Call SocketDisconnectHandler and Exit;"));
}

TEST_F(ClientLink, ShutdownStateIsReportedWhenConnected) {
    int changes = 0;
    fConn.SetOnShutdownStateChange([&](QObject*) { ++changes; });
    fConn.SetShuttedDown(true); // disconnected: only the event
    EXPECT_EQ(changes, 1);
    Connect();
    fConn.SetShuttedDown(false);
    TStringList state;
    ASSERT_TRUE(fPeer.WaitForReason("CLIENT_SHUTDOWN_STATE", &state));
    EXPECT_EQ(state.Values("NewState"), "0");
    EXPECT_EQ(changes, 2);
}

} // namespace
