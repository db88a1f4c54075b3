// A session's last write-back that the database refuses (another process holds it locked) is kept
// and lands once the database takes it again, in the same server or in the next one started on the
// same file; a journal that already landed is not written twice.

#include "ZRVServerTestFixture.h"

#include "support/Files.h"
#include "support/TempDirs.h"

#include "ZRVWriteBackJournal.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

using namespace zrvtest;

namespace {

class WriteBackJournal : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        fDb.SetBusyTimeout(10); // a refusal comes at once while the lock is held
        ASSERT_TRUE(fDb.Open());
        fServer->WriteBacks()->SetRetryInterval(20);
        AddTicket(c_Code);
    }
    void TearDown() override {
        Unlock();
        ServerTest::TearDown();
    }

    // Another process's transaction holds the database file.
    void Lock() {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), c_Other);
        other.setDatabaseName(fDb.DBName());
        ASSERT_TRUE(other.open());
        ASSERT_TRUE(QSqlQuery(other).exec(QStringLiteral("BEGIN EXCLUSIVE")));
    }
    void Unlock() {
        if (!QSqlDatabase::contains(c_Other))
            return;
        {
            QSqlDatabase other = QSqlDatabase::database(c_Other);
            QSqlQuery(other).exec(QStringLiteral("ROLLBACK"));
            other.close();
        }
        QSqlDatabase::removeDatabase(c_Other);
    }

    // The customer used 2 600 s of the ticket and logged out while the database was locked.
    QString LogOutWhileLocked() {
        auto ws = Join();
        ws->User().OpenTicket(c_Code);
        EXPECT_EQ(ws->Outcome("Open"), "Open");
        StartSession(*ws, 1);
        const QString token = Slot(1)->UserConnection()->SessionToken();
        Lock();
        ws->Session().Credit()->SetCreditValue(1000);
        ws->User().Close();
        EXPECT_TRUE(WaitUntil([&] { return !Slot(1)->UserConnection()->Connected(); }));
        return token;
    }
    uint32_t StoredCredit() { return fDb.ReadTicket(uint32_t(fDb.TicketExists(c_Code)))->Credit(); }
    QString Log() const { return QString::fromUtf8(ReadFile(fLogger.LogFile())); }
    QString Journal() const { return TZRVWriteBackJournal::FileFor(fDb.DBName()); }

    const QString c_Code = QStringLiteral("JOURNAL1");
    const QString c_Other = QStringLiteral("another process");
};

TEST_F(WriteBackJournal, ALogoutTheDatabaseRefusesLandsOnceTheLockIsGone) {
    const QString token = LogOutWhileLocked();
    EXPECT_EQ(fServer->WriteBacks()->Pending(), 1);
    EXPECT_TRUE(QFile::exists(Journal()));
    zrvtest::RunEventsFor(100); // retried meanwhile, and refused again
    EXPECT_EQ(fServer->WriteBacks()->Pending(), 1);

    Unlock();
    ASSERT_TRUE(WaitUntil([&] { return fServer->WriteBacks()->Pending() == 0; }));
    EXPECT_EQ(StoredCredit(), 1000u);
    EXPECT_FALSE(fDb.ReadSession(token).has_value());
    EXPECT_FALSE(QFile::exists(Journal()));
    EXPECT_TRUE(Log().contains("Session write-back kept to try again"));
}

TEST_F(WriteBackJournal, TheJournalOutlivesTheServerAndLandsOnlyOnce) {
    const QString token = LogOutWhileLocked();
    fServer.reset();
    Unlock();
    ASSERT_TRUE(QFile::exists(Journal()));
    QFile::copy(Journal(), Journal() + QStringLiteral(".copy"));
    EXPECT_EQ(StoredCredit(), 3600u);

    StartServer();
    EXPECT_EQ(fServer->WriteBacks()->Pending(), 0);
    EXPECT_EQ(StoredCredit(), 1000u);
    EXPECT_FALSE(fDb.ReadSession(token).has_value());
    EXPECT_FALSE(QFile::exists(Journal()));

    // The same journal again, as if the server had stopped before it could remove it.
    fServer.reset();
    ASSERT_TRUE(QFile::rename(Journal() + QStringLiteral(".copy"), Journal()));
    StartServer();
    EXPECT_EQ(fServer->WriteBacks()->Pending(), 0);
    EXPECT_EQ(StoredCredit(), 1000u);
    EXPECT_FALSE(QFile::exists(Journal()));
}

TEST_F(WriteBackJournal, DamagedLinesAreDroppedWithALogLine) {
    fServer.reset();
    QFile journal(Journal());
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    journal.write("ZRVWRITEBACKS 1\n"
                  "garbage\n"
                  "tok\t2\t1\t0\t10\t5\t0\t46000\t-5\t5\t1\n"        // a field missing
                  "tok\t9\t1\t0\t10\t5\t0\t46000\t-5\t5\t1\t1\n"     // no such session type
                  "tok\t2\tone\t0\t10\t5\t0\t46000\t-5\t5\t1\t1\n"); // not a number
    journal.close();
    StartServer();
    EXPECT_EQ(fServer->WriteBacks()->Pending(), 0);
    EXPECT_FALSE(QFile::exists(Journal()));
    EXPECT_EQ(Log().count("Damaged line of the session write-back journal dropped"), 4);
    EXPECT_EQ(StoredCredit(), 3600u);
}

TEST(WriteBackJournalFile, IsBesideAFileAndInTheDataFolderForAPostgreSqlDatabase) {
    const zrvtest::TempDataDir data;
    EXPECT_EQ(TZRVWriteBackJournal::FileFor(QStringLiteral("/data/cafe.db")), "/data/cafe.db-writebacks");
    EXPECT_EQ(TZRVWriteBackJournal::FileFor(QStringLiteral("postgresql://zrv@db.lan:5433/café/../x")),
              data.File(QStringLiteral("postgresql-db.lan-5433-café_.._x-writebacks")));
    EXPECT_EQ(TZRVWriteBackJournal::FileFor(QStringLiteral("postgresql://zrv@db.lan/cafe")),
              data.File(QStringLiteral("postgresql-db.lan-5432-cafe-writebacks")));
}

} // namespace
