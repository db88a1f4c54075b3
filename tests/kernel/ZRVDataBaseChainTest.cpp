// Servers sharing one database, on both engines: an account or ticket claimed for a session is
// taken once across the servers, kept by its server while the session runs and across a restart,
// released when its session ends or its server has been silent too long; a job runs once a day
// for all the servers; an older database gets the tables on opening.
#include "ZRVDataBase.h"

#include "support/TestDataBases.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const TZRVServerIdentity c_CafeA{u"cafe-a:12345"_s, 300};
const TZRVServerIdentity c_CafeB{u"cafe-b:12345"_s, 300};
constexpr uint32_t c_Ticket = 7;

TZRVSessionRow Session(const QString& aToken, TZRVSessionType aType = stTicket, uint32_t aID = c_Ticket) {
    TZRVSessionRow row;
    row.Token = aToken;
    row.SessionType = aType;
    row.RecordID = aID;
    return row;
}

class ServersSharingADataBase : public zrvtest::OpenBothEngines {
protected:
    // Who holds the claim of the ticket, and under which token; empty when nobody.
    QString Holder(uint32_t aID = c_Ticket) {
        QSqlQuery q = fDb.OpenQuery(
            u"SELECT \"Server\", \"Token\" FROM \"tblClaims\" WHERE \"SessionType\" = 2 AND \"Record_ID\" = ?"_s,
            {aID});
        return q.next() ? q.value(0).toString() + u'/' + q.value(1).toString() : QString();
    }
    // The claims were last renewed aSeconds ago.
    void AgeClaims(int aSeconds) {
        fDb.ExecuteSQLAction(u"UPDATE \"tblClaims\" SET \"LastSeen\" = \"LastSeen\" - ?"_s, {aSeconds});
    }
};

TEST_P(ServersSharingADataBase, ATicketOrAccountIsClaimedOnceAndItsServerTakesOverItsOwnClaims) {
    ASSERT_TRUE(fDb.OpenSession(Session(u"a1"_s), c_CafeA));
    EXPECT_FALSE(fDb.OpenSession(Session(u"b1"_s), c_CafeB));
    EXPECT_FALSE(fDb.ReadSession(u"b1"_s)) << "a refused claim writes no session";
    EXPECT_EQ(Holder(), u"cafe-a:12345/a1"_s);
    // An account of the same key is another record.
    EXPECT_TRUE(fDb.OpenSession(Session(u"b2"_s, stAccount), c_CafeB));
    // The server knows its own sessions: a login it lets through takes its claim over.
    EXPECT_TRUE(fDb.OpenSession(Session(u"a2"_s), c_CafeA));
    EXPECT_EQ(Holder(), u"cafe-a:12345/a2"_s);
    // Ending the old session leaves the new one's claim.
    EXPECT_TRUE(fDb.DeleteSession(u"a1"_s));
    EXPECT_EQ(Holder(), u"cafe-a:12345/a2"_s);
    EXPECT_TRUE(fDb.DeleteSession(u"a2"_s));
    EXPECT_EQ(Holder(), QString());
    EXPECT_TRUE(fDb.OpenSession(Session(u"b3"_s), c_CafeB));
}

TEST_P(ServersSharingADataBase, AClaimNotRenewedForLongerThanTheSilenceIsTakenOverInTheSameStatement) {
    struct Case {
        int Age;
        bool Renewed;
        bool TakenOver;
    };
    const Case cases[] = {{200, false, false}, {400, false, true}, {400, true, false}};
    int n = 0;
    for (const Case& c : cases) {
        const QString a = u"a"_s + QString::number(++n);
        const QString b = u"b"_s + QString::number(n);
        ASSERT_TRUE(fDb.OpenSession(Session(a), c_CafeA));
        AgeClaims(c.Age);
        if (c.Renewed) {
            EXPECT_EQ(fDb.RenewClaims(c_CafeA.Name, {a, u"gone"_s}), 1);
        }
        EXPECT_EQ(fDb.OpenSession(Session(b), c_CafeB), c.TakenOver) << c.Age;
        EXPECT_EQ(Holder(), (c.TakenOver ? c_CafeB.Name + u'/' + b : c_CafeA.Name + u'/' + a)) << c.Age;
        fDb.DeleteSession(a);
        fDb.DeleteSession(b);
    }
    // Another server renews nothing of the claims it does not hold.
    ASSERT_TRUE(fDb.OpenSession(Session(u"a9"_s), c_CafeA));
    EXPECT_EQ(fDb.RenewClaims(c_CafeB.Name, {u"a9"_s}), 0);
}

TEST_P(ServersSharingADataBase, AServerRestartingUnderItsNameKeepsItsSessionsClaims) {
    ASSERT_TRUE(fDb.OpenSession(Session(u"a1"_s), c_CafeA));
    fDb.Close();
    TZRVDataBase restarted;
    restarted.SetDBName(fDbName);
    ASSERT_TRUE(restarted.Open());
    // The session carried on after the restart keeps its claim; another server finds it held.
    EXPECT_TRUE(restarted.ClaimRecord(Session(u"a1"_s), c_CafeA, false));
    EXPECT_FALSE(restarted.ClaimRecord(Session(u"b1"_s), c_CafeB, false));
    EXPECT_FALSE(restarted.OpenSession(Session(u"b1"_s), c_CafeB));
    // Carrying on a session never takes the claim of another session of the server.
    EXPECT_FALSE(restarted.ClaimRecord(Session(u"a0"_s), c_CafeA, false));
    // A session carried on after a long silence renews its claim when nobody took it meanwhile.
    fDb.Open();
    AgeClaims(1000);
    EXPECT_TRUE(restarted.ClaimRecord(Session(u"a1"_s), c_CafeA, false));
    EXPECT_FALSE(restarted.OpenSession(Session(u"b1"_s), c_CafeB)) << "the claim is renewed";
}

TEST_P(ServersSharingADataBase, ServersClaimingTogetherTakeTheTicketOnce) {
    constexpr int c_Servers = 6;
    std::atomic<int> taken{0};
    std::vector<std::thread> servers;
    for (int i = 0; i < c_Servers; ++i)
        servers.emplace_back([&, i] {
            TZRVDataBase db;
            db.SetDBName(fDbName);
            db.SetBusyTimeout(10000);
            try {
                db.Open();
                const TZRVServerIdentity server{u"cafe-"_s + QString::number(i), 300};
                taken += db.OpenSession(Session(u"t"_s + QString::number(i)), server) ? 1 : 0;
            } catch (const EZRVError& e) {
                ADD_FAILURE() << e.Message().toStdString();
            }
        });
    for (std::thread& t : servers)
        t.join();
    EXPECT_EQ(taken, 1);
    QSqlQuery q = fDb.OpenQuery(u"SELECT count(*) FROM \"tblSessions\""_s);
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
}

TEST_P(ServersSharingADataBase, AJobRunsOnceADayForAllTheServers) {
    const QString job = u"AutoCredit"_s;
    struct Case {
        qint64 LastKnown;
        qint64 Day;
        bool Won;
        qint64 LastRun;
    };
    const Case cases[] = {{0, 100, true, 100},  // the first server of the day
                          {0, 100, false, 100}, // another server the same day
                          {100, 100, false, 100},
                          {100, 101, true, 101},  // the next day
                          {99, 102, false, 101}}; // a server that missed a run follows the others' schedule
    for (const Case& c : cases) {
        const TZRVJobRun run = fDb.RunAtomically([&] { return fDb.ClaimJob(job, c.LastKnown, c.Day); });
        EXPECT_EQ(run.Won, c.Won) << c.LastKnown << " " << c.Day;
        EXPECT_EQ(run.LastRun, c.LastRun) << c.LastKnown << " " << c.Day;
    }
    // A job whose writes fail leaves its day to be taken again.
    EXPECT_THROW(fDb.RunAtomically([&] {
        EXPECT_TRUE(fDb.ClaimJob(job, 101, 103).Won);
        throw EZRVError(u"the job failed"_s);
        return 0;
    }),
                 EZRVError);
    EXPECT_TRUE(fDb.ClaimJob(job, 101, 103).Won);
    EXPECT_TRUE(fDb.ClaimJob(u"Bonus"_s, 101, 103).Won) << "each job has its own runs";
}

TEST_P(ServersSharingADataBase, ADataBaseOfTheVersionBeforeGetsTheClaimsAndJobsOnOpening) {
    for (const QString& sql :
         {u"DROP TABLE \"tblClaims\""_s, u"DROP TABLE \"tblJobs\""_s,
          u"UPDATE \"tblDatabaseInfo\" SET \"Value\" = '2' WHERE \"Name\" = 'SchemaVersion'"_s})
        fDb.ExecuteSQLAction(sql);
    fDb.Close();
    ASSERT_TRUE(fDb.Open());
    EXPECT_TRUE(fDb.OpenSession(Session(u"a1"_s), c_CafeA));
    EXPECT_TRUE(fDb.ClaimJob(u"AutoCredit"_s, 0, 1).Won);
    QSqlQuery version =
        fDb.OpenQuery(u"SELECT \"Value\" FROM \"tblDatabaseInfo\" WHERE \"Name\" = 'SchemaVersion'"_s);
    ASSERT_TRUE(version.next());
    EXPECT_EQ(version.value(0).toString(), QString::number(ZRVSql::c_SchemaVersion));
}

ZRV_ON_BOTH_ENGINES(ServersSharingADataBase);

} // namespace
