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

#include <sys/stat.h>

using namespace zrvtest;

namespace {

class WriteBackJournal : public ServerTest {
protected:
    void SetUp() override {
        fDb.SetBusyTimeout(10); // a refusal comes at once while the lock is held
        ServerTest::SetUp();
        fServer->WriteBacks()->SetRetryInterval(20);
        AddTicket(c_Code);
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
};

TEST_F(WriteBackJournal, ALogoutTheDatabaseRefusesLandsOnceTheLockIsGone) {
    const QString token = LogOutWhileLocked();
    // The session's last report and its logout: the logout joins the report unless the report
    // was already on its way.
    EXPECT_TRUE(WaitUntil([&] { return QFile::exists(Journal()); }));
    const qsizetype kept = fServer->WriteBacks()->Pending();
    EXPECT_GE(kept, 1);
    EXPECT_LE(kept, 2);
    zrvtest::RunEventsFor(100); // retried meanwhile, and refused again
    EXPECT_EQ(fServer->WriteBacks()->Pending(), kept);

    Unlock();
    ASSERT_TRUE(WaitUntil([&] { return fServer->WriteBacks()->Pending() == 0; }));
    EXPECT_EQ(StoredCredit(), 1000u);
    EXPECT_FALSE(fDb.ReadSession(token).has_value());
    EXPECT_FALSE(QFile::exists(Journal()));
    EXPECT_TRUE(Log().contains("Session write-back kept to try again"));
}

TEST_F(WriteBackJournal, TheJournalOutlivesTheServerAndLandsOnlyOnce) {
    const QString token = LogOutWhileLocked();
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(Journal()); }));
    fServer.reset();
    ASSERT_TRUE(WaitUntil([&] { return fWorker->Idle(); })); // a retry on its way is refused
    Unlock();
    ASSERT_TRUE(QFile::exists(Journal()));
    QFile::copy(Journal(), Journal() + QStringLiteral(".copy"));
    EXPECT_EQ(StoredCredit(), 3600u);

    StartServer();
    ASSERT_TRUE(DataBaseSettled());
    EXPECT_EQ(StoredCredit(), 1000u);
    EXPECT_FALSE(fDb.ReadSession(token).has_value());
    EXPECT_FALSE(QFile::exists(Journal()));

    // The same journal again, as if the server had stopped before it could remove it.
    fServer.reset();
    ASSERT_TRUE(QFile::rename(Journal() + QStringLiteral(".copy"), Journal()));
    StartServer();
    ASSERT_TRUE(DataBaseSettled());
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

// A journal of its own on the fixture's database worker, its errors collected.
class WriteBackJournalAlone : public WriteBackJournal {
protected:
    std::unique_ptr<TZRVWriteBackJournal> NewJournal() {
        auto journal = std::make_unique<TZRVWriteBackJournal>();
        journal->SetDataBase(fWorker.get());
        journal->SetRetryInterval(20);
        journal->SetOnError([this](const QString& aError) { fErrors << aError; });
        return journal;
    }
    // A write-back of the session aToken that has used aUsed seconds of the ticket in all, aChange
    // since the last one.
    TZRVWriteBack Work(const QString& aToken, uint32_t aUsed, qint64 aChange, bool aEnd = false) {
        TZRVWriteBack work;
        work.Row.Token = aToken;
        work.Row.SessionType = stTicket;
        work.Row.RecordID = uint32_t(fDb.TicketExists(c_Code));
        work.Row.Credit = uint32_t(3600 - aUsed);
        work.Row.Used = aUsed;
        work.Row.StartDate = 46000;
        work.Change = aChange;
        work.Used = uint32_t(-aChange);
        work.EndSession = aEnd;
        return work;
    }
    static ino_t Inode(const QString& aFile) {
        struct stat info = {};
        return stat(QFile::encodeName(aFile).constData(), &info) == 0 ? info.st_ino : 0;
    }

    QStringList fErrors;
};

// While the database refuses, a change to what waits is one line appended to the journal, and a
// refused retry writes nothing; the next server replays the lines.
TEST_F(WriteBackJournalAlone, ChangesAreAppendedAndReplayedByTheNextServer) {
    fServer.reset();
    TZRVSessionRow row = Work(QStringLiteral("tok1"), 0, 0).Row;
    row.StartDate = 0;
    fDb.AddSession(row);
    auto journal = NewJournal();
    journal->Start();
    Lock();
    journal->Write(Work(QStringLiteral("tok1"), 100, -100));
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(Journal()); }));
    const QByteArray first = ReadFile(Journal());
    const ino_t inode = Inode(Journal());

    journal->Write(Work(QStringLiteral("tok1"), 300, -200, true)); // joins the one waiting
    const QByteArray joined = ReadFile(Journal());
    EXPECT_TRUE(joined.startsWith(first));
    EXPECT_EQ(joined.count('\n'), first.count('\n') + 1);
    EXPECT_EQ(Inode(Journal()), inode);
    RunEventsFor(100); // refused again and again
    EXPECT_EQ(ReadFile(Journal()), joined);
    EXPECT_EQ(journal->Pending(), 1);

    ASSERT_TRUE(WaitUntil([&] { return fWorker->Idle(); }));
    journal.reset();
    EXPECT_EQ(ReadFile(Journal()), joined);
    Unlock();
    journal = NewJournal();
    journal->Start();
    ASSERT_TRUE(WaitUntil([&] { return journal->Pending() == 0; }));
    EXPECT_EQ(StoredCredit(), 3300u);
    EXPECT_FALSE(fDb.ReadSession(QStringLiteral("tok1")).has_value());
    EXPECT_FALSE(QFile::exists(Journal()));
    EXPECT_TRUE(fErrors.filter(QStringLiteral("Damaged")).isEmpty()) << fErrors.join('\n').toStdString();
}

TEST_F(WriteBackJournalAlone, ReplaysItsLinesAndDropsDamagedOnes) {
    fServer.reset();
    const QByteArray a = "tok1\t2\t1\t0\t3500\t100\t0\t46000\t-100\t100\t1\t0";
    const QByteArray b = "tok2\t2\t1\t0\t3400\t200\t0\t46000\t-200\t200\t1\t1";
    struct Case {
        QByteArray Text;
        qsizetype Pending;
        qsizetype Damaged;
    } cases[] = {
        {"ZRVWRITEBACKS 2\n+\t" + a + "\n+\t" + b + "\n-\n", 1, 0},
        {"ZRVWRITEBACKS 2\n+\t" + a + "\n=\t" + b + "\n", 1, 0},
        {"ZRVWRITEBACKS 2\n+\t" + a + "\n+\t" + b.left(20), 1, 1},  // cut short as it was written
        {"ZRVWRITEBACKS 2\n-\n=\t" + a + "\n+\t" + b + "\n", 1, 2}, // nothing waiting to land or join
        {"ZRVWRITEBACKS 2\n" + a + "\n*\t" + b + "\n", 0, 2},
        {"ZRVWRITEBACKS 1\n" + a + "\n" + b + "\n", 2, 0}, // an earlier server's journal
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFile(Journal(), c.Text));
        fErrors.clear();
        auto journal = NewJournal();
        journal->Start(); // what lands is known once the event loop runs again
        EXPECT_EQ(journal->Pending(), c.Pending) << c.Text.toStdString();
        EXPECT_EQ(fErrors.filter(QStringLiteral("Damaged")).size(), c.Damaged) << c.Text.toStdString();
        ASSERT_TRUE(WaitUntil([&] { return fWorker->Idle(); }));
        journal.reset();
        QFile::remove(Journal());
    }
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
