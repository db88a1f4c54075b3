// The database on PostgreSQL: the address and where its password comes from, the server's own
// maintenance in place of a compacted copy, pg_dump backups; and, on both engines, a session's use
// written back and a reload code spent once.
#include "ZRVDataBase.h"
#include "ZRVUserAccount.h"

#include "support/Errors.h"
#include "support/Files.h"
#include "support/TestDataBases.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

class DataBaseOnPostgreSql : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fTestDb.Unavailable().isEmpty())
            GTEST_SKIP() << fTestDb.Unavailable().toStdString();
        fDb.SetDBName(fTestDb.Name());
    }
    int Count(const QString& aTable) {
        QSqlQuery q = fDb.OpenQuery(u"SELECT count(*) FROM "_s + ZRVSql::Name(aTable));
        return q.next() ? q.value(0).toInt() : -1;
    }
    // The test database's address with another part.
    QString Address(void (QUrl::*aSet)(const QString&, QUrl::ParsingMode), const QString& aValue) const {
        QUrl url(fTestDb.Name());
        (url.*aSet)(aValue, QUrl::DecodedMode);
        return url.toString();
    }

    zrvtest::TestDataBase fTestDb{ZRVSql::TEngine::PostgreSql};
    TZRVDataBase fDb;
    QTemporaryDir fDir;
};

TEST_F(DataBaseOnPostgreSql, TheAddressChoosesTheEngine) {
    EXPECT_EQ(fDb.Engine(), ZRVSql::TEngine::PostgreSql);
    TZRVDataBase file;
    file.SetDBName(fDir.filePath(u"postgresql.db"_s));
    EXPECT_EQ(file.Engine(), ZRVSql::TEngine::Sqlite);
    ASSERT_TRUE(fDb.Open());
    EXPECT_EQ(fDb.Sql().Driver, u"QPSQL"_s);
}

TEST_F(DataBaseOnPostgreSql, AnAddressWithAPasswordOrOfAnotherFormIsRefusedWithoutShowingIt) {
    fDb.SetDBName(Address(&QUrl::setPassword, u"Secret-42"_s));
    const QString error = zrvtest::ErrorOf([&] { fDb.Open(); });
    EXPECT_TRUE(error.contains(u"PGPASSFILE"_s)) << error.toStdString();
    EXPECT_FALSE(error.contains(u"Secret-42"_s)) << error.toStdString();
    for (const QString& address : {Address(&QUrl::setPath, u"/"_s), Address(&QUrl::setPath, u"/a/b"_s),
                                   Address(&QUrl::setQuery, u"sslmode=disable"_s)}) {
        fDb.SetDBName(address);
        EXPECT_TRUE(zrvtest::ErrorOf([&] { fDb.Open(); }).contains(u"postgresql://user@host:port/dbname"_s))
            << address.toStdString();
        EXPECT_FALSE(fDb.GetOpenned());
    }
}

TEST_F(DataBaseOnPostgreSql, AMissingDatabaseOrServerFailsClearly) {
    fDb.SetDBName(Address(&QUrl::setPath, u"/zrv_no_such_database"_s));
    EXPECT_TRUE(zrvtest::ErrorOf([&] { fDb.Open(); }).contains(u"Unable to open the database"_s));
    EXPECT_FALSE(fDb.GetOpenned());
}

TEST_F(DataBaseOnPostgreSql, ADatabaseWithOtherTablesIsNotTakenOver) {
    ASSERT_TRUE(fDb.Open());
    fDb.ExecuteSQLAction(u"DROP TABLE \"tblDatabaseInfo\""_s);
    fDb.Close();
    EXPECT_TRUE(zrvtest::ErrorOf([&] { fDb.Open(); }).contains(u"not a database of this system"_s));
}

TEST_F(DataBaseOnPostgreSql, ServersStartingTogetherOnAnEmptyDatabaseCreateItOnce) {
    constexpr int c_Servers = 4;
    std::vector<std::thread> servers;
    std::atomic<int> opened{0};
    for (int i = 0; i < c_Servers; ++i)
        servers.emplace_back([&] {
            TZRVDataBase db;
            db.SetDBName(fTestDb.Name());
            try {
                opened += db.Open() ? 1 : 0;
            } catch (const EZRVError& e) {
                ADD_FAILURE() << e.Message().toStdString();
            }
        });
    for (std::thread& t : servers)
        t.join();
    EXPECT_EQ(opened, c_Servers);
    ASSERT_TRUE(fDb.Open());
    EXPECT_EQ(Count(u"tblGroups"_s), 1);
    EXPECT_EQ(Count(u"tblDatabaseInfo"_s), 3);
}

TEST_F(DataBaseOnPostgreSql, CompactionIsTheServersMaintenanceAndWritesNoCopy) {
    ASSERT_TRUE(fDb.Open());
    ASSERT_NE(fDb.AddProduct(u"Café"_s, 1, 150), 0);
    fDb.ExecuteSQLAction(
        u"INSERT INTO \"tblTickets\" (\"Code\", \"DeletedFlag\") VALUES ('a', 1), ('b', 0)"_s);
    EXPECT_TRUE(fDb.Compact());
    EXPECT_FALSE(fDb.GetOpenned());
    ASSERT_TRUE(fDb.Open());
    EXPECT_EQ(Count(u"tblTickets"_s), 1);
    EXPECT_NE(fDb.ProductExists(u"Café"_s), 0);
    fDb.Close();
    EXPECT_TRUE(fDb.Compact()); // closed: it opens for the maintenance
    EXPECT_FALSE(fDb.GetOpenned());
}

TEST_F(DataBaseOnPostgreSql, ABackupIsAPgDumpArchiveOrAClearFailure) {
    ASSERT_TRUE(fDb.Open());
    ASSERT_TRUE(fDb.Save(fDir.filePath(u"backups"_s))) << fDb.LastSaveError().toStdString();
    EXPECT_TRUE(fDb.LastSaveError().isEmpty());
    EXPECT_TRUE(fDb.GetOpenned());
    const QStringList saved = QDir(fDir.filePath(u"backups"_s)).entryList(QDir::Files);
    ASSERT_EQ(saved.size(), 1);
    EXPECT_TRUE(zrvtest::ReadFile(fDir.filePath(u"backups/"_s + saved[0])).startsWith("PGDMP"));

    fDb.SetDBName(Address(&QUrl::setPath, u"/zrv_no_such_database"_s));
    EXPECT_FALSE(fDb.Save(fDir.filePath(u"failed"_s)));
    EXPECT_TRUE(fDb.LastSaveError().contains(u"No backup was made: pg_dump failed"_s))
        << fDb.LastSaveError().toStdString();
    EXPECT_TRUE(QDir(fDir.filePath(u"failed"_s)).entryList(QDir::Files).isEmpty());
}

// ----- on both engines

class DataBaseSessions : public zrvtest::OpenBothEngines {
protected:
    void SetUp() override {
        OpenBothEngines::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        auto account = std::make_unique<TZRVUserAccount>();
        account->SetAccountName(u"bob"_s);
        account->SetCredit(600);
        account->Group()->SetGroupName(u"Default"_s);
        account->SecretQuestion()->SetQuestion(u"?"_s);
        ASSERT_TRUE(fDb.AddAccount(account.get()));
        fAccount = account->AccountID();
        fCode = uint32_t(fDb.InsertInto(u"tblTickets"_s, {u"Code"_s, u"Credit"_s}, {u"RELOAD"_s, 300}));
    }
    uint32_t Credit() { return fDb.ReadAccount(fAccount)->Credit(); }

    uint32_t fAccount = 0;
    uint32_t fCode = 0;
};

TEST_P(DataBaseSessions, UseIsWrittenBackWithinTheCreditsBoundsAndAReloadCodeIsSpentOnce) {
    TZRVSessionRow row{u"token"_s, stAccount, fAccount, false, 600, 0, 0, Now()};
    fDb.AddSession(row);
    row.Used = 100;
    fDb.WriteSessionUse(row, -100, 100, 1);
    EXPECT_EQ(Credit(), 500u);
    fDb.WriteSessionUse(row, -1000, 0, 0);
    EXPECT_EQ(Credit(), 0u); // never below 0
    fDb.WriteSessionUse(row, qint64(3000000000), 0, 0);
    EXPECT_EQ(Credit(), 2147483647u); // nor above what records carry

    fDb.ExecuteSQLAction(u"UPDATE \"tblAccounts\" SET \"Credit\" = ?"_s, {10});
    EXPECT_FALSE(fDb.SpendReloadCode(fCode, 299, row)); // read with another credit
    EXPECT_TRUE(fDb.SpendReloadCode(fCode, 300, row));
    EXPECT_FALSE(fDb.SpendReloadCode(fCode, 300, row)); // spent
    EXPECT_EQ(Credit(), 310u);
    EXPECT_EQ(fDb.ReadSession(u"token"_s)->Credit, 900u);
    EXPECT_TRUE(fDb.DeleteSession(u"token"_s));
    EXPECT_FALSE(fDb.ReadSession(u"token"_s));
}

ZRV_ON_BOTH_ENGINES(DataBaseSessions);

} // namespace
