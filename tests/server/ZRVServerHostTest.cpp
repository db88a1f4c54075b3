// The serve host: its objects, its settings, its lines per workstation event, and its clean stop
// on a signal with every session written back, and the operator's work on its database worker.

#include "ZRVServerHost.h"

#include "ZRVOperatorService.h"
#include "ZRVServerConfig.h"
#include "ZRVUserTicket.h"

#include "kernel/ZRVServerTestFixture.h"

#include <QThread>
#include <QUdpSocket>

#include <csignal>
#include <sys/resource.h>

using namespace zrvtest;

namespace {

class ServerHost : public ::testing::Test {
protected:
    TempRegistry fRegistry;
    QTemporaryDir fDir;
    QString fOutput;
    QTextStream fOut{&fOutput};

    TZRVServeOptions Options() const {
        TZRVServeOptions options;
        options.DataBase = fDir.filePath("cafe.db");
        options.LogFile = fDir.filePath("server.lgf");
        options.Port = 0;
        options.DiscoveryPort = 0;
        return options;
    }
    bool Printed(const QString& aText) {
        return WaitUntil([&] {
            fOut.flush();
            return fOutput.contains(aText);
        });
    }
};

TEST_F(ServerHost, ServesWithTheServerSettingsAndStopsOnASignalWritingSessionsBack) {
    TZRVServerConfig config;
    config.SetOthers_MaxPcs(3);
    config.SetOthers_CompanyName("Café du port");
    config.SetAutoDBUpdateSession(false);

    TZRVServerHost host(Options(), fOut);
    bool stopped = false;
    host.SetOnStopped([&] { stopped = true; });
    host.CatchStopSignals();
    host.Start();
    EXPECT_EQ(host.Server()->MaxConnections(), 3);
    EXPECT_TRUE(host.Jobs().Automatic()); // the hourly credit, bonus and cleaning
    EXPECT_EQ(host.Jobs().DB(), &host.DataBase());
    EXPECT_TRUE(QFile::exists(fDir.filePath("cafe.db")));

    // A ticket to log in with, made on the host's own database.
    TZRVDataBase& db = host.DataBase();
    TZRVUserAccount owner;
    owner.SetAccountName("gerant");
    owner.SecretQuestion()->SetQuestion("Ville natale ?");
    owner.Group()->SetGroupID(1);
    ASSERT_TRUE(db.AddAccount(&owner));
    TZRVUserTicket ticket;
    ticket.SetCode("TICKET01");
    ticket.SetCredit(3600);
    ticket.Group()->SetGroupName("Default");
    ASSERT_TRUE(db.AddTicket(&ticket, owner.AccountID(), false));

    Workstation ws(quint16(host.Server()->ServerPort()), "PC01");
    ASSERT_TRUE(ws.ConnectReady());
    EXPECT_EQ(ws.Conn().ServerInfos().Values("CompanyName"), "Café du port");
    ws.User().OpenTicket("TICKET01");
    ASSERT_EQ(ws.Outcome("Open"), "Open");
    ws.Session().SetAutoChangeCredit(false);
    ASSERT_TRUE(ws.Session().Open());
    ws.Session().Credit()->SetCreditValue(1800);
    ws.User().UpdateSession();
    EXPECT_TRUE(Printed("slot 1 127.0.0.1 PC01: logged in with ticket TICKET01"));
    EXPECT_TRUE(Printed("slot 1 127.0.0.1 PC01: session started"));
    TZRVUserSession* copy = host.Server()->GetConnection(1)->UserConnection()->Session();
    copy->SetChangeInterval(3600000);
    ASSERT_TRUE(WaitUntil([&] { return copy->Credit()->CreditValue() == 1800; }));

    std::raise(SIGTERM);
    ASSERT_TRUE(WaitUntil([&] { return stopped; }));
    EXPECT_FALSE(host.Server()->Active());
    EXPECT_FALSE(host.Jobs().Automatic());
    EXPECT_TRUE(ws.WaitFor("Disconnect"));
    EXPECT_TRUE(Printed("logged out (ticket TICKET01)"));
    EXPECT_EQ(db.ReadTicket(uint32_t(db.TicketExists("TICKET01")))->Credit(), 1800u);
    for (const char* line :
         {"slot 1 127.0.0.1: connected", "slot 1 127.0.0.1 PC01: ready", "zrv2server: stopping"})
        EXPECT_TRUE(fOutput.contains(line)) << line;
}

TEST_F(ServerHost, LinesTellOnlyWhatHappenedAndTheTrustSettingsApply) {
    TZRVServerConfig config;
    config.SetGuess_FirstDelay(5);
    config.SetGuess_LockOut(60);
    config.SetAccountCreations(7);
    config.SetSessionCountTolerance(12);
    TZRVServerHost host(Options(), fOut);
    host.Start();
    EXPECT_EQ(host.Server()->GuessThrottle()->Settings().FirstDelayMs, 5);
    EXPECT_EQ(host.Server()->GuessThrottle()->Settings().LockOutSecs, 60);
    EXPECT_EQ(host.Server()->GuessThrottle()->Settings().FreeFailures, 3);
    EXPECT_EQ(host.Server()->AccountCreationThrottle()->Settings().FreeFailures, 7);
    EXPECT_EQ(host.Server()->AccountCreationThrottle()->Settings().WindowSecs, 3600);
    EXPECT_EQ(host.Server()->SessionCountTolerance(), 12u);
    const quint16 port = quint16(host.Server()->ServerPort());
    {
        Workstation ws(port, "PC01");
        ASSERT_TRUE(ws.ConnectReady());
        ws.User().OpenTicket("NOPE");
        ASSERT_EQ(ws.Outcome("Open"), "Fail:Ticket introuvable");
        EXPECT_TRUE(Printed("slot 1 127.0.0.1 PC01: login refused (Ticket introuvable)"));
        ws.Conn().ShutDownConnection();
        ASSERT_TRUE(Printed("slot 1 127.0.0.1 PC01: disconnected"));
    }
    fOutput.clear();
    RawPeer next(port);
    ASSERT_TRUE(next.Connected());
    EXPECT_TRUE(Printed("slot 1 127.0.0.1: connected"));
    EXPECT_FALSE(fOutput.contains("PC01"));
    EXPECT_FALSE(fOutput.contains("logged in"));
}

TEST_F(ServerHost, RefusesADataBaseThatIsNotOne) {
    QFile notADataBase(fDir.filePath("cafe.db"));
    ASSERT_TRUE(notADataBase.open(QIODevice::WriteOnly));
    notADataBase.write("this is a letter, not a database");
    notADataBase.close();
    TZRVServerHost host(Options(), fOut);
    EXPECT_THROW(host.Start(), EZRVError);
}

TEST_F(ServerHost, ADiscoveryPortTakenIsAStartUpErrorWithItsReason) {
    QUdpSocket taken;
    ASSERT_TRUE(taken.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress));
    TZRVServeOptions options = Options();
    options.DiscoveryPort = taken.localPort();
    TZRVServerHost host(options, fOut);
    try {
        host.Start();
        FAIL() << "started without discovery";
    } catch (const EZRVError& e) {
        EXPECT_TRUE(e.Message().startsWith(
            QStringLiteral("Unable to answer workstation discovery on UDP port %1: ").arg(taken.localPort())))
            << e.Message().toStdString();
    }
    EXPECT_FALSE(host.Server()->Active());
    fOut.flush();
    EXPECT_FALSE(fOutput.contains("serving")); // no banner for a server that does not serve
}

TEST_F(ServerHost, SignalsThatCannotBeCaughtAreAStartUpErrorWithTheirReason) {
    TZRVServerHost host(Options(), fOut);
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit none{0, limit.rlim_max}; // no descriptor left for the signal pipe
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
    QString reason;
    try {
        host.CatchStopSignals();
        setrlimit(RLIMIT_NOFILE, &limit);
    } catch (const EZRVError& e) {
        setrlimit(RLIMIT_NOFILE, &limit); // first: the sanitizers' checks need descriptors too
        reason = e.Message();
    }
    EXPECT_TRUE(reason.startsWith("Unable to catch SIGINT and SIGTERM")) << reason.toStdString();
    EXPECT_TRUE(reason.contains("open files")) << reason.toStdString();
}

} // namespace

namespace {

TEST_F(ServerHost, RunsTheOperatorServiceOnTheDataBaseWorker) {
    TZRVServerHost host(Options(), fOut);
    host.Start();
    QObject dashboard;
    QThread* ranOn = nullptr;
    std::optional<TZRVDataBaseOutcome<QString>> outcome;
    host.RunOnDataBase<QString>(
        &dashboard,
        [&ranOn](TZRVDataBase& aDb) {
            ranOn = QThread::currentThread();
            return TZRVOperatorService(aDb).FindGroup("default").Name;
        },
        [&](TZRVDataBaseOutcome<QString> aOutcome) { outcome = aOutcome; });
    ASSERT_TRUE(WaitUntil([&] { return outcome.has_value(); }));
    ASSERT_TRUE(outcome->Ok()) << outcome->Error.toStdString();
    EXPECT_EQ(*outcome->Value, "Default");
    EXPECT_NE(ranOn, QThread::currentThread());
}

} // namespace
