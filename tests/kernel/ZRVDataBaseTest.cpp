// The database: creation with its schema and first rows, opening existing ones (password, foreign
// or locked files), statements, shared connections, compaction, backups, and the tickets generator;
// what does not depend on the file runs on SQLite and on PostgreSQL.
#include "ZRVDataBase.h"
#include "ZRVUserAccount.h"
#include "ZRVUserTicket.h"

#include "support/Files.h"
#include "support/TestDataBases.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A scalar read straight from the connection, bypassing the record operations.
QVariant Scalar(const TZRVCustomDataBase& aDb, const QString& aSql) {
    QSqlQuery q(aDb.Connection());
    if (!q.exec(aSql) || !q.next())
        return QVariant();
    return q.value(0);
}

// Expects aCall to raise EZRVError whose text contains aText.
template <class F> void ExpectError(F&& aCall, const QString& aText) {
    try {
        aCall();
        ADD_FAILURE() << "no error, expected: " << aText.toStdString();
    } catch (const EZRVError& e) {
        EXPECT_TRUE(e.Message().contains(aText)) << e.Message().toStdString();
    }
}

class DataBaseFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fDir.isValid());
        fDb.SetDBName(File("cafe.db"));
    }
    QString File(const QString& aName) const { return fDir.filePath(aName); }
    void OpenNew() { ASSERT_TRUE(fDb.Open()); }

    QTemporaryDir fDir;
    TZRVDataBase fDb;
};

// The same on each engine, with the database of the test's own.
class DataBase : public zrvtest::BothEngines {
protected:
    void SetUp() override {
        BothEngines::SetUp();
        if (!IsSkipped())
            fDb.SetDBName(fDbName);
    }
    void OpenNew() { ASSERT_TRUE(fDb.Open()); }

    TZRVDataBase fDb;
};

// ----- creation and opening

TEST_P(DataBase, NewDatabaseGetsTheWholeSchemaAndThePresumedRows) {
    OpenNew();
    for (const char* name : {"tblAccounts",
                             "tblTickets",
                             "tblGroups",
                             "tblMachines",
                             "tblApplications",
                             "tblGames",
                             "tblAuthorisations",
                             "tblSecretQuestions",
                             "tblHourFormulas",
                             "tblProducts",
                             "tblGroups+Applications",
                             "tblGroups+Games",
                             "tblGroups+Authorisations",
                             "tblMachines+Applications",
                             "tblMachines+Games",
                             "tblOperations",
                             "tblBonus",
                             "tblCaisses",
                             "tblBudgets",
                             "rqtTickets",
                             "rqtGetExpiredTickets"})
        EXPECT_TRUE(Scalar(fDb, QStringLiteral("SELECT count(*) FROM \"%1\"").arg(name)).isValid()) << name;

    const auto group = fDb.ReadGroup(1);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->GroupName(), "Default");
    EXPECT_EQ(fDb.ReadMachine(1)->MachineName(), "Default");
    int id = 0, packed = 0;
    ASSERT_TRUE(fDb.ReadHourFormula("Default", id, packed));
    EXPECT_EQ(id, 1);
    EXPECT_EQ(packed, 48897); // Monday 0 h to Sunday 23 h
    EXPECT_EQ(Scalar(fDb, "SELECT \"Budget_id\" FROM \"tblBudgets\"").toInt(), 1);
    EXPECT_EQ(Scalar(fDb, "SELECT count(*) FROM \"tblAuthorisations\"").toInt(), c_UserRightCount);
    EXPECT_EQ(fDb.ReadAuthorisation(1)->AuthorisationName(), "urNone");
    EXPECT_EQ(fDb.ReadAuthorisation(c_UserRightCount)->AuthorisationName(), "urCanAddUserCredit");
}

TEST_P(DataBase, ExistingDatabaseIsOpenedAsItIs) {
    OpenNew();
    ASSERT_NE(fDb.AddProduct("Café", 1, 150), 0);
    ASSERT_TRUE(fDb.Close());
    EXPECT_FALSE(fDb.GetOpenned());
    ASSERT_TRUE(fDb.Open());
    EXPECT_NE(fDb.ProductExists("Café"), 0);
    EXPECT_EQ(Scalar(fDb, "SELECT count(*) FROM \"tblGroups\"").toInt(), 1);
}

TEST_P(DataBase, PasswordMustMatchTheOneGivenAtCreation) {
    struct Case {
        const char* Created;
        const char* Given;
        bool Opens;
    } cases[] = {{"", "", true},
                 {"s3cret", "s3cret", true},
                 {"s3cret", "S3CRET", false},
                 {"s3cret", "", false},
                 {"", "s3cret", false}};
    int n = 0;
    for (const auto& c : cases) {
        TZRVDataBase db;
        db.SetDBName(fTestDb.Other(QStringLiteral("pw%1.db").arg(n++)));
        db.SetPassword(c.Created);
        ASSERT_TRUE(db.Open());
        db.Close();
        db.SetPassword(c.Given);
        if (c.Opens)
            EXPECT_TRUE(db.Open()) << c.Created << "/" << c.Given;
        else
            ExpectError([&] { db.Open(); }, "Wrong database password");
        EXPECT_EQ(db.GetOpenned(), c.Opens);
    }
}

TEST_F(DataBaseFile, FilesThatAreNotCafeDatabasesFailWithoutBeingWritten) {
    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other-app");
        other.setDatabaseName(File("other.db"));
        ASSERT_TRUE(other.open());
        QSqlQuery(other).exec("CREATE TABLE notes (text TEXT)");
        other.close();
    }
    QSqlDatabase::removeDatabase("other-app");
    ASSERT_TRUE(zrvtest::WriteFile(File("junk.db"), QByteArray(4096, 'x')));
    struct Case {
        const char* FileName;
        const char* Error;
    } cases[] = {{"junk.db", "is not a database"}, {"other.db", "is not a database of this system"}};
    for (const auto& c : cases) {
        const QByteArray before = zrvtest::ReadFile(File(c.FileName));
        fDb.SetDBName(File(c.FileName));
        ExpectError([&] { fDb.Open(); }, c.Error);
        EXPECT_FALSE(fDb.GetOpenned());
        EXPECT_EQ(zrvtest::ReadFile(File(c.FileName)), before) << c.FileName;
    }
    EXPECT_EQ(QDir(fDir.path()).entryList(QDir::Files).size(), 2);
}

TEST_F(DataBaseFile, FileLockedByAnotherConnectionFailsClearly) {
    OpenNew();
    fDb.Close();
    {
        QSqlDatabase locker = QSqlDatabase::addDatabase("QSQLITE", "locker");
        locker.setDatabaseName(fDb.DBName());
        ASSERT_TRUE(locker.open());
        // Readers pass a writer through the write-ahead log; a process holding the file for itself
        // stops them.
        ASSERT_TRUE(QSqlQuery(locker).exec("PRAGMA locking_mode = EXCLUSIVE"));
        ASSERT_TRUE(QSqlQuery(locker).exec("BEGIN EXCLUSIVE"));
        fDb.SetBusyTimeout(0);
        ExpectError([&] { fDb.Open(); }, "locked by another process");
        EXPECT_FALSE(fDb.GetOpenned());
        QSqlQuery(locker).exec("ROLLBACK");
        locker.close();
    }
    QSqlDatabase::removeDatabase("locker");
    EXPECT_TRUE(fDb.Open());
}

TEST_F(DataBaseFile, UnreachableFileOrNoNameFails) {
    fDb.SetDBName(File("missing/folder/cafe.db"));
    ExpectError([&] { fDb.Open(); }, "Unable to open the database");
    fDb.SetDBName("");
    ExpectError([&] { fDb.Open(); }, "file name is not set");
}

// ----- statements

TEST_P(DataBase, ExecuteSqlActionCountsChangedRows) {
    EXPECT_EQ(fDb.ExecuteSQLAction("DELETE FROM \"tblProducts\""), 0); // closed
    OpenNew();
    EXPECT_EQ(fDb.ExecuteSQLAction(""), 0);
    fDb.AddProduct("a", 1, 1);
    fDb.AddProduct("b", 1, 1);
    EXPECT_EQ(fDb.ExecuteSQLAction("UPDATE \"tblProducts\" SET \"UnitCost\" = 5"), 2);
    EXPECT_THROW(fDb.ExecuteSQLAction("UPDATE nowhere SET x = 1"), EZRVError);
}

TEST_P(DataBase, ExpiredTicketsViewMarksThroughItsTrigger) {
    OpenNew();
    auto owner = std::make_unique<TZRVUserAccount>();
    owner->SetAccountName("caissier");
    owner->Group()->SetGroupName("Default");
    owner->SecretQuestion()->SetQuestion("?");
    ASSERT_TRUE(fDb.AddAccount(owner.get()));
    struct Case {
        const char* Code;
        bool Sold;
        int DaysAgo;
        int Credit;
        bool Marked;
    } cases[] = {{"A", true, 10, 59, true},
                 {"B", true, 10, 60, false},
                 {"C", false, 10, 0, false},
                 {"D", true, 0, 0, false},
                 {"E", true, 1, 0, false}};
    for (const auto& c : cases) {
        TZRVUserTicket t;
        t.SetCode(c.Code);
        t.Group()->SetGroupName("Default");
        ASSERT_TRUE(fDb.AddTicket(&t, owner->AccountID(), false));
        auto stored = fDb.ReadTicket(uint32_t(fDb.TicketExists(c.Code)));
        stored->SetActive(c.Sold);
        stored->SetActivationDate(c.Sold ? IncDay(Now(), -c.DaysAgo) : 0);
        stored->SetDaysAllowed(1);
        stored->SetCredit(uint32_t(c.Credit));
        ASSERT_TRUE(fDb.UpdateTicket(stored.get()));
    }
    EXPECT_EQ(
        fDb.ExecuteSQLAction("UPDATE \"rqtGetExpiredTickets\" SET \"DeletedFlag\" = 1 WHERE \"Credit\" < 60"),
        1);
    for (const auto& c : cases)
        EXPECT_EQ(fDb.ReadTicket(uint32_t(fDb.TicketExists(c.Code)))->DeletedFlag(), c.Marked) << c.Code;
}

TEST_F(DataBaseFile, ClosedDatabaseDoesNothing) {
    EXPECT_FALSE(fDb.GetOpenned());
    EXPECT_EQ(fDb.AccountExists(QString("x")), 0);
    EXPECT_FALSE(fDb.GroupExists(1u));
    EXPECT_EQ(fDb.ReadGroup(1), nullptr);
    EXPECT_EQ(fDb.AddHourFormula("x", 1, 0, 7, 23), 0);
    EXPECT_FALSE(fDb.DeleteAccount(1, false));
    EXPECT_FALSE(fDb.DeleteAccount(1, true));
    EXPECT_FALSE(fDb.Restore(0, 0, ""));
}

// ----- shared connections

TEST_F(DataBaseFile, SharedConnectionSeesTheLendersStateAndOutlivesNothing) {
    OpenNew();
    {
        TZRVDataBase borrower;
        borrower.Assign(fDb);
        EXPECT_EQ(borrower.DBName(), fDb.DBName());
        EXPECT_FALSE(borrower.GetOpenned());
        borrower.SetADOConnection(fDb.ADOConnection());
        EXPECT_TRUE(borrower.GetOpenned());
        EXPECT_EQ(borrower.GroupExists("Default"), 1);
        ASSERT_NE(borrower.AddProduct("Soda", 1, 100), 0);
    }
    EXPECT_TRUE(fDb.GetOpenned()); // the borrower's end leaves the lender's connection alone
    EXPECT_NE(fDb.ProductExists("Soda"), 0);

    TZRVDataBase borrower;
    borrower.SetADOConnection(fDb.ADOConnection());
    fDb.Close();
    EXPECT_FALSE(borrower.GetOpenned());
    ASSERT_TRUE(fDb.Open());
    borrower.SetADOConnection("");
    EXPECT_FALSE(borrower.GetOpenned());
    EXPECT_NE(borrower.ADOConnection(), fDb.ADOConnection());
}

TEST(DataBaseConnection, BorrowedConnectionOfADestroyedLenderReadsAsClosed) {
    QTemporaryDir dir;
    TZRVDataBase borrower;
    {
        TZRVDataBase lender;
        lender.SetDBName(dir.filePath("cafe.db"));
        ASSERT_TRUE(lender.Open());
        borrower.SetADOConnection(lender.ADOConnection());
        ASSERT_TRUE(borrower.GetOpenned());
    }
    EXPECT_FALSE(borrower.GetOpenned());
    EXPECT_EQ(borrower.GroupExists("Default"), 0);
}

// ----- compaction

TEST(DataBaseNames, CompactedFileKeepsTheFolderAndExtension) {
    EXPECT_EQ(TZRVDataBase::CompactedFileName("/data/db.mdb"), "/data/dbCOMPACTED.mdb");
    EXPECT_EQ(TZRVDataBase::CompactedFileName("/data/cafe.v2.sqlite"), "/data/cafe.v2COMPACTED.sqlite");
    EXPECT_EQ(TZRVDataBase::CompactedFileName("/data/cafe"), "/data/cafeCOMPACTED");
}

TEST_F(DataBaseFile, CompactWritesTheCompactedCopyWithoutDeletedRowsAndCloses) {
    OpenNew();
    fDb.AddProduct("kept", 1, 1);
    fDb.ExecuteSQLAction(
        "INSERT INTO tblAccounts (AccountName, DeletedFlag) VALUES ('gone', 1), ('kept', 0)");
    EXPECT_TRUE(fDb.Compact());
    EXPECT_FALSE(fDb.GetOpenned());
    EXPECT_EQ(QDir(fDir.path()).entryList(QDir::Files), QStringList({"cafe.db", "cafeCOMPACTED.db"}));

    TZRVDataBase compacted;
    compacted.SetDBName(File("cafeCOMPACTED.db"));
    ASSERT_TRUE(compacted.Open());
    EXPECT_EQ(compacted.AccountExists("gone"), 0);
    EXPECT_NE(compacted.AccountExists("kept"), 0);
    EXPECT_NE(compacted.ProductExists("kept"), 0);
}

TEST_F(DataBaseFile, CompactOfAClosedFileAndOfAMissingFile) {
    OpenNew();
    fDb.Close();
    EXPECT_TRUE(fDb.Compact()); // an earlier copy would be replaced
    EXPECT_TRUE(fDb.Compact());
    EXPECT_TRUE(QFile::exists(File("cafeCOMPACTED.db")));
    fDb.SetDBName(File("none.db"));
    ExpectError([&] { fDb.Compact(); }, "Unable to copy database for compact operation");
    EXPECT_FALSE(QFile::exists(File("noneCOMPACTED.db")));
}

// ----- backups

TEST(DataBaseNames, BackupFileIsNamedByTheMomentWithoutDoublingTheSeparator) {
    const QDateTime when(QDate(2011, 7, 20), QTime(14, 5, 9));
    EXPECT_EQ(TZRVDataBase::BackupFileName("/backup", when), "/backup/20-07-2011-14-05-09.bak");
    EXPECT_EQ(TZRVDataBase::BackupFileName("/backup/", when), "/backup/20-07-2011-14-05-09.bak");
}

TEST_F(DataBaseFile, SaveCopiesTheDatabaseAndKeepsItOpenOrClosed) {
    for (bool open : {true, false}) {
        OpenNew();
        if (!open)
            fDb.Close();
        const QString folder = File(open ? "backups/open" : "backups/closed");
        // The backup is named after the kernel's clock, which the tests stop.
        const QDateTime before = DateTimeToQDateTime(Now()).addSecs(-1);
        ASSERT_TRUE(fDb.Save(folder + "/"));
        const QDateTime after = DateTimeToQDateTime(Now()).addSecs(1);
        EXPECT_EQ(fDb.GetOpenned(), open);

        const QStringList files = QDir(folder).entryList(QDir::Files);
        ASSERT_EQ(files.size(), 1);
        const QDateTime stamp = QDateTime::fromString(files[0], "dd-MM-yyyy-HH-mm-ss'.bak'");
        EXPECT_TRUE(stamp >= before && stamp <= after) << files[0].toStdString();
        TZRVDataBase copy;
        copy.SetDBName(QDir(folder).filePath(files[0]));
        ASSERT_TRUE(copy.Open());
        EXPECT_EQ(copy.GroupExists("Default"), 1);
    }
}

// Commits go to the write-ahead log beside the file; a copy made meanwhile through another
// connection holds them, and the last connection to close puts them into the file.
TEST_F(DataBaseFile, CommitsGoThroughTheWriteAheadLogAndCopiesHoldThem) {
    OpenNew();
    EXPECT_EQ(Scalar(fDb, "PRAGMA journal_mode").toString(), "wal");
    EXPECT_EQ(Scalar(fDb, "PRAGMA synchronous").toInt(), 1); // NORMAL: flushed at checkpoints
    ASSERT_NE(fDb.AddProduct("logged", 1, 1), 0);
    EXPECT_GT(QFileInfo(File("cafe.db-wal")).size(), 0);

    TZRVDataBase other; // closed: its copies go through a connection of their own
    other.SetDBName(fDb.DBName());
    ASSERT_TRUE(other.Save(File("backups")));
    ASSERT_TRUE(other.Compact());
    const QStringList backups = QDir(File("backups")).entryList(QDir::Files);
    ASSERT_EQ(backups.size(), 1);
    for (const QString& name : {QDir(File("backups")).filePath(backups[0]), File("cafeCOMPACTED.db")}) {
        TZRVDataBase copy;
        copy.SetDBName(name);
        ASSERT_TRUE(copy.Open());
        EXPECT_NE(copy.ProductExists("logged"), 0) << name.toStdString();
    }

    fDb.Close();
    EXPECT_FALSE(QFile::exists(File("cafe.db-wal")));
    ASSERT_TRUE(fDb.Open());
    EXPECT_NE(fDb.ProductExists("logged"), 0);
}

// A file in the rollback journal's mode that this process may not write is read as it is.
TEST_F(DataBaseFile, AFileThatCannotBeWrittenIsReadInItsOwnMode) {
    OpenNew();
    fDb.ExecuteSQLAction("PRAGMA journal_mode = DELETE");
    fDb.Close();
    ASSERT_TRUE(QFile::setPermissions(fDb.DBName(), QFile::ReadOwner | QFile::ReadGroup));
    if (QFile(fDb.DBName()).open(QIODevice::ReadWrite)) {
        QFile::setPermissions(fDb.DBName(), QFile::ReadOwner | QFile::WriteOwner);
        GTEST_SKIP() << "permissions do not bind this user (root)";
    }
    ASSERT_TRUE(fDb.Open());
    EXPECT_EQ(fDb.GroupExists("Default"), 1);
    EXPECT_EQ(Scalar(fDb, "PRAGMA journal_mode").toString(), "delete");
    fDb.Close();
    QFile::setPermissions(fDb.DBName(), QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(DataBaseFile, SaveRefusesWhatCannotBeCopied) {
    EXPECT_FALSE(fDb.Save(File("backups"))); // no database file yet
    OpenNew();
    EXPECT_FALSE(fDb.Save(""));
    ASSERT_TRUE(zrvtest::WriteFile(File("plain"), "x"));
    EXPECT_FALSE(fDb.Save(File("plain/sub")));
    EXPECT_TRUE(fDb.GetOpenned());
}

// ----- tickets generator

class DataBaseGenerator : public DataBase {
protected:
    void SetUp() override {
        DataBase::SetUp();
        if (IsSkipped())
            return;
        OpenNew();
        fGenerator.SetDB(&fDb);
    }
    TZRVTicketsGenerator fGenerator;
};

TEST_P(DataBaseGenerator, RefusesBeforeStarting) {
    ExpectError([&] { fGenerator.Generate(0, 8, tcsNumericOnly); }, "Invalid tickets number");
    fDb.Close();
    ExpectError([&] { fGenerator.Generate(5, 8, tcsNumericOnly); }, "Database not openned");
    fGenerator.SetDB(nullptr);
    ExpectError([&] { fGenerator.Generate(5, 8, tcsNumericOnly); }, "Database object not assigned");
}

TEST_P(DataBaseGenerator, CodesComeFromTheStylesAlphabet) {
    struct Case {
        TZRVTicketCodeStyle Style;
        const char* Pattern;
    } cases[] = {{tcsNumericOnly, "^[0-9]{12}$"},
                 {tcsAlphaNumericUpper, "^[0-9A-Z]{12}$"},
                 {tcsAlphaNumericLower, "^[0-9a-z]{12}$"},
                 {tcsAlphaNumericBoth, "^[0-9A-Za-z]{12}$"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(fGenerator.Generate(50, 12, c.Style));
        ASSERT_EQ(fGenerator.Codes().Count(), 50);
        const QRegularExpression pattern(c.Pattern);
        for (const QString& code : fGenerator.Codes().Lines())
            EXPECT_TRUE(pattern.match(code).hasMatch()) << code.toStdString();
    }
    const QString both = fGenerator.Codes().Lines().join("");
    EXPECT_TRUE(both.contains(QRegularExpression("[a-z]")) && both.contains(QRegularExpression("[A-Z]")));
    EXPECT_TRUE(QRegularExpression("^[0-9]{6}$").match(TZRVTicketsGenerator::RandomCode(6, true)).hasMatch());
    EXPECT_EQ(TZRVTicketsGenerator::RandomCode(0, false), "");
}

TEST_P(DataBaseGenerator, ReportsProgressByTenths) {
    std::vector<uint32_t> progress;
    fGenerator.SetOnProgress([&](QObject* aSender, uint32_t aPercent) {
        EXPECT_EQ(aSender, &fGenerator);
        progress.push_back(aPercent);
    });
    ASSERT_TRUE(fGenerator.Generate(10, 8, tcsNumericOnly));
    EXPECT_EQ(progress, std::vector<uint32_t>({10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
}

TEST_P(DataBaseGenerator, CodesAreUniqueInTheBatchAndAgainstTheDatabase) {
    // One-digit codes: the whole alphabet fits in one batch, and no eleventh code exists.
    ASSERT_TRUE(fGenerator.Generate(10, 1, tcsNumericOnly));
    QStringList codes = fGenerator.Codes().Lines();
    codes.sort();
    EXPECT_EQ(codes, QStringList({"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_FALSE(fGenerator.Generate(11, 1, tcsNumericOnly));

    auto owner = std::make_unique<TZRVUserAccount>();
    owner->SetAccountName("caissier");
    owner->Group()->SetGroupName("Default");
    owner->SecretQuestion()->SetQuestion("?");
    ASSERT_TRUE(fDb.AddAccount(owner.get()));
    for (const char* used : {"0", "1", "2", "3", "4", "5", "6", "8", "9"}) {
        TZRVUserTicket t;
        t.SetCode(used);
        t.Group()->SetGroupName("Default");
        ASSERT_TRUE(fDb.AddTicket(&t, owner->AccountID(), false));
    }
    ASSERT_TRUE(fGenerator.Generate(1, 1, tcsNumericOnly));
    EXPECT_EQ(fGenerator.Codes().Lines(), QStringList({"7"}));
}

TEST_P(DataBaseGenerator, UniqueIgnoresLetterCaseAndClearEmptiesTheBatch) {
    ASSERT_TRUE(fGenerator.Generate(3, 6, tcsAlphaNumericLower));
    const QString code = fGenerator.Codes()[0];
    EXPECT_FALSE(fGenerator.Unique(code.toUpper()));
    fGenerator.Clear();
    EXPECT_TRUE(fGenerator.Unique(code));
    EXPECT_EQ(fGenerator.Codes().Count(), 0);
}

// ----- statements kept prepared on the connection

// A failing statement the database keeps says what Qt's driver says for the same statement, and
// runs again afterwards, failing or not.
TEST_P(DataBase, AKeptStatementFailsAsQtSaysAndRunsAgain) {
    OpenNew();
    Refuse(fDb, "INSERT", ZRVSql::Products.Name, "NEW.\"Name\" = 'Bad'");
    const QStringList columns{"Name", "QuantityPerUnit", "UnitCost"};
    const auto failure = [](auto&& aCall) {
        try {
            aCall();
        } catch (const EZRVError& e) {
            return e.Message();
        }
        return QString();
    };
    const QString byQt = failure([&] {
        fDb.OpenQuery(ZRVSql::Insert(ZRVSql::Products.Name, columns), {"Bad", 1, 1});
    });
    ASSERT_TRUE(byQt.contains("refused by the test")) << byQt.toStdString();
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(failure([&] { fDb.InsertInto(ZRVSql::Products.Name, columns, {"Bad", 1, 1}); }), byQt);
    const qint64 key = fDb.InsertInto(ZRVSql::Products.Name, columns, {"Good", 1, 1});
    EXPECT_GT(key, 0);
    EXPECT_EQ(fDb.ProductExists("Good"), key);
    EXPECT_EQ(fDb.ProductExists("Bad"), 0);
}

// Texts come back as they were stored, whatever their characters or length; a NULL reads as an
// empty text and a number stored as text reads as a number.
TEST_P(DataBase, ReadsGiveTextsAndNumbersAsStored) {
    OpenNew();
    const QString name = QStringLiteral("Poste é € \U0001F600");
    const QString os = QString(5000, QChar(u'ç'));
    ASSERT_EQ(fDb.ExecuteSQLAction("INSERT INTO \"tblMachines\" (\"MachineName\", \"Cpu\", \"Ram\", "
                                   "\"Geography\", \"Os\") VALUES (?, NULL, '12', '', ?)",
                                   {name, os}),
              1);
    const auto machine = fDb.ReadMachine(uint32_t(fDb.MachineExists(name)));
    ASSERT_NE(machine, nullptr);
    EXPECT_EQ(machine->MachineName(), name);
    EXPECT_TRUE(machine->Cpu().isEmpty());
    EXPECT_EQ(machine->Ram(), 12u);
    EXPECT_TRUE(machine->Geography().isEmpty());
    EXPECT_EQ(machine->OSystem(), os);
}

TEST_P(DataBase, ReopeningAnotherDatabaseRunsOnThatOne) {
    OpenNew();
    ASSERT_NE(fDb.AddProduct("Soda", 1, 100), 0);
    EXPECT_NE(fDb.ProductExists("Soda"), 0);
    fDb.SetDBName(fTestDb.Other("other.db"));
    ASSERT_TRUE(fDb.Open());
    EXPECT_EQ(fDb.ProductExists("Soda"), 0);
    ASSERT_NE(fDb.AddProduct("Tea", 1, 100), 0);
    EXPECT_NE(fDb.ProductExists("Tea"), 0);
    fDb.SetDBName(fDbName);
    ASSERT_TRUE(fDb.Open());
    EXPECT_NE(fDb.ProductExists("Soda"), 0);
    EXPECT_EQ(fDb.ProductExists("Tea"), 0);
}

// Reads, those of a ticket in one transaction among them, hold no lock once done: another
// connection writes at once, and the reader sees what it wrote.
TEST_F(DataBaseFile, AReadLeavesNoLockBehindForAnotherConnection) {
    OpenNew();
    ASSERT_NE(fDb.AddProduct("Soda", 1, 100), 0);
    int id = 0, quantity = 0, cost = 0;
    ASSERT_TRUE(fDb.ReadProduct("Soda", id, quantity, cost));
    EXPECT_EQ(fDb.ReadTicket(1), nullptr);
    EXPECT_NE(fDb.GroupExists("Default"), 0);
    TZRVDataBase other;
    other.SetDBName(fDb.DBName());
    other.SetBusyTimeout(0);
    ASSERT_TRUE(other.Open());
    EXPECT_TRUE(other.UpdateProduct("Soda", 2, 150));
    ASSERT_TRUE(fDb.ReadProduct("Soda", id, quantity, cost));
    EXPECT_EQ(cost, 150);
}

// SQLite cannot close a connection that still has prepared statements.
TEST_F(DataBaseFile, ClosingLetsGoOfTheKeptStatements) {
    OpenNew();
    EXPECT_NE(fDb.GroupExists("Default"), 0);
    EXPECT_EQ(fDb.ReadTicket(1), nullptr);
    ASSERT_TRUE(fDb.Close());
    EXPECT_EQ(fDb.Connection().lastError().type(), QSqlError::NoError)
        << fDb.Connection().lastError().text().toStdString();
}

ZRV_ON_BOTH_ENGINES(DataBase);
ZRV_ON_BOTH_ENGINES(DataBaseGenerator);

} // namespace
