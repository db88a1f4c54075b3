// Two cafés of a chain: two zrv2server processes on one PostgreSQL database, each with its own
// settings, data folder and workstation. What one server does is safe against the other: a ticket
// logging in at both at once is taken once, a reload code used at both at once credits once, and
// the daily credit both servers find due at once is given once.

#include "ZRVServerConfig.h"
#include "ZRVUserTicket.h"

#include "kernel/ZRVServerTestFixture.h"
#include "support/TestDataBases.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <array>

using namespace zrvtest;

namespace {

constexpr int c_Cafes = 2;
constexpr uint32_t c_DailyCredit = 7200;

// One café's server: its own settings store and data folder, on the shared database.
class CafeServer {
public:
    bool Start(const QString& aDataBase, const QString& aName) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost))
            return false;
        fPort = probe.serverPort();
        probe.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZRV_REGISTRY_DIR"), Registry());
        env.insert(QStringLiteral("ZRV_DATA_DIR"), fData.path());
        fProcess.setProcessEnvironment(env);
        fProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The automatic jobs are checked every second rather than every hour.
        fProcess.start(ZRV_SERVER_EXE,
                       {"serve", "--database", aDataBase, "--port", QString::number(fPort),
                        "--discovery-port", "0", "--http", "off", "--log", fData.filePath("server.lgf"),
                        "--server-name", aName, "--jobs-interval", "1"});
        return fProcess.waitForStarted() && WaitUntil(
                                                [&] {
                                                    QTcpSocket socket;
                                                    socket.connectToHost(QHostAddress::LocalHost, fPort);
                                                    return socket.waitForConnected(100);
                                                },
                                                10000);
    }
    ~CafeServer() {
        fProcess.terminate();
        fProcess.waitForFinished();
    }
    quint16 Port() const { return fPort; }
    QString Registry() const { return fRegistry.path(); }
    // The day the server's settings say it last gave the daily credit.
    TDateTime LastAutoCreditDate() const {
        ScopedEnv registry("ZRV_REGISTRY_DIR", Registry());
        return TZRVServerConfig().GetLastAutoCreditDate();
    }

private:
    QTemporaryDir fRegistry;
    QTemporaryDir fData;
    QProcess fProcess;
    quint16 fPort = 0;
};

class Chain : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fTestDb.Unavailable().isEmpty())
            GTEST_SKIP() << fTestDb.Unavailable().toStdString();
        fDb.SetDBName(fTestDb.Name());
        ASSERT_TRUE(fDb.Open());
        TZRVUserAccount owner;
        owner.SetAccountName("gerant");
        owner.SecretQuestion()->SetQuestion("Ville natale ?");
        owner.Group()->SetGroupID(1);
        ASSERT_TRUE(fDb.AddAccount(&owner));
        fOwner = owner.AccountID();
        for (const char* code : {"TICKET01", "CAFEA", "CAFEB"})
            AddTicket(code, 3600);
        AddTicket("RELOAD01", 1800);
        // A customer of a group with a daily allowance; every time the allowance is set is counted.
        const qint64 group =
            fDb.InsertInto("tblGroups", {"GroupName", "AutoCredit"}, {"Abonnés", c_DailyCredit});
        fCustomer = fDb.InsertInto("tblAccounts", {"AccountName", "Group", "Credit"}, {"abonne", group, 100});
        fDb.ExecuteSQLAction("CREATE TABLE given (\"Account_ID\" BIGINT)");
        fDb.ExecuteSQLAction("CREATE FUNCTION count_given() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                             "INSERT INTO given VALUES (NEW.\"Account_ID\"); RETURN NEW; END $$");
        fDb.ExecuteSQLAction(
            QStringLiteral("CREATE TRIGGER count_given AFTER UPDATE ON \"tblAccounts\" FOR EACH "
                           "ROW WHEN (NEW.\"Credit\" = %1) EXECUTE FUNCTION count_given()")
                .arg(c_DailyCredit));
        for (int i = 0; i < c_Cafes; ++i) {
            ASSERT_TRUE(fCafes[i].Start(fTestDb.Name(), QStringLiteral("cafe-%1").arg(i))) << i;
            fStations[i] = std::make_unique<Workstation>(fCafes[i].Port(), QStringLiteral("PC%1").arg(i));
            ASSERT_TRUE(fStations[i]->ConnectReady()) << i;
        }
    }

    void AddTicket(const QString& aCode, uint32_t aCredit) {
        TZRVUserTicket ticket;
        ticket.SetCode(aCode);
        ticket.SetCredit(aCredit);
        ticket.SetDaysAllowed(30);
        ticket.SetHourFormulaName("Default");
        ticket.Group()->SetGroupName("Default");
        ASSERT_TRUE(fDb.AddTicket(&ticket, fOwner, false));
        auto stored = fDb.ReadTicket(uint32_t(fDb.TicketExists(aCode)));
        stored->SetActive(true);
        stored->SetActivationDate(Now());
        ASSERT_TRUE(fDb.UpdateTicket(stored.get()));
    }
    uint32_t Credit(const QString& aCode) {
        return fDb.ReadTicket(uint32_t(fDb.TicketExists(aCode)))->Credit();
    }
    qint64 Count(const QString& aSql) {
        QSqlQuery q = fDb.OpenQuery(aSql);
        return q.next() ? q.value(0).toLongLong() : -1;
    }
    // Each workstation's outcome of the same request sent at both at once.
    QStringList AtBothAtOnce(const std::function<void(Workstation&)>& aRequest, const QString& aSuccess) {
        for (auto& ws : fStations) {
            ws->ClearEvents();
            aRequest(*ws);
        }
        QStringList outcomes;
        for (auto& ws : fStations)
            outcomes << ws->Outcome(aSuccess);
        outcomes.sort();
        return outcomes;
    }

    TestDataBase fTestDb{ZRVSql::TEngine::PostgreSql};
    TZRVDataBase fDb;
    uint32_t fOwner = 0;
    qint64 fCustomer = 0;
    std::array<CafeServer, c_Cafes> fCafes;
    std::array<std::unique_ptr<Workstation>, c_Cafes> fStations;
};

TEST_F(Chain, TheSameTicketLoggingInAtBothCafesAtOnceIsTakenOnce) {
    const QStringList outcomes =
        AtBothAtOnce([](Workstation& ws) { ws.User().OpenTicket("TICKET01"); }, "Open");
    EXPECT_EQ(outcomes, QStringList({"Fail:Ticket en cours d'utilisation", "Open"}));
    EXPECT_EQ(Count("SELECT count(*) FROM \"tblSessions\""), 1);
    EXPECT_EQ(Count("SELECT count(*) FROM \"tblClaims\" WHERE \"SessionType\" = 2"), 1);
}

TEST_F(Chain, TheSameReloadCodeUsedAtBothCafesAtOnceCreditsOnce) {
    fStations[0]->User().OpenTicket("CAFEA");
    ASSERT_EQ(fStations[0]->Outcome("Open"), "Open");
    fStations[1]->User().OpenTicket("CAFEB");
    ASSERT_EQ(fStations[1]->Outcome("Open"), "Open");

    const QStringList outcomes =
        AtBothAtOnce([](Workstation& ws) { ws.Session().AddCredit("RELOAD01"); }, "AddCredit");
    EXPECT_EQ(outcomes, QStringList({"AddCredit", "Fail:Ce code de recharge a déjà été utilisé !"}));
    EXPECT_EQ(Credit("RELOAD01"), 0u);
    EXPECT_EQ(Credit("CAFEA") + Credit("CAFEB"), 3600u + 3600u + 1800u);
}

TEST_F(Chain, TheDailyCreditBothServersFindDueAtOnceIsGivenOnce) {
    const TDateTime today = Date();
    // Both servers tick every second: each has found the credit due and settled it.
    ASSERT_TRUE(WaitUntil(
        [&] {
            return std::ranges::all_of(fCafes,
                                       [&](const CafeServer& c) { return c.LastAutoCreditDate() == today; });
        },
        10000));
    EXPECT_EQ(Count(QStringLiteral("SELECT count(*) FROM given WHERE \"Account_ID\" = %1").arg(fCustomer)),
              1);
    EXPECT_EQ(Count("SELECT \"Credit\" FROM \"tblAccounts\" WHERE \"AccountName\" = 'abonne'"),
              c_DailyCredit);
}

} // namespace
