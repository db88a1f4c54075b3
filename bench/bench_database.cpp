// The database's ticket work against bare SQLite doing the same work with plain prepared
// statements in one transaction, on files in a temporary folder; and, when ZRV_BENCH_PG names a
// PostgreSQL server (postgresql://user@host:port/dbname of a role that may create databases), the
// same work on a database made there for the run, beside the SQLite figures.
#include "Bench.h"
#include "ZRVDataBase.h"
#include "ZRVUserAccount.h"
#include "ZRVUserTicket.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <sqlite3.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int c_Tickets = 10000;
constexpr int c_CodeLength = 10;

// A new database file with an owner account for the tickets; nullptr when it cannot be made.
std::unique_ptr<TZRVDataBase> NewDataBase(const QString& aFile, uint32_t& aOwner) {
    auto db = std::make_unique<TZRVDataBase>();
    db->SetDBName(aFile);
    try {
        db->Open();
    } catch (const EZRVError& e) {
        std::printf("%s\n", qPrintable(e.Message()));
        return nullptr;
    }
    TZRVUserAccount owner;
    owner.SetAccountName(QStringLiteral("caissier"));
    owner.Group()->SetGroupName(QStringLiteral("Default"));
    owner.SecretQuestion()->SetQuestion(QStringLiteral("?"));
    if (!db->AddAccount(&owner))
        return nullptr;
    aOwner = owner.AccountID();
    return db;
}

// Generates c_Tickets codes and inserts one ticket per code.
bool GenerateAndInsert(TZRVDataBase& aDb, uint32_t aOwner) {
    TZRVTicketsGenerator generator;
    generator.SetDB(&aDb);
    if (!generator.Generate(c_Tickets, c_CodeLength, tcsAlphaNumericUpper))
        return false;
    TZRVUserTicket ticket;
    ticket.Group()->SetGroupName(QStringLiteral("Default"));
    ticket.SetCredit(3600);
    for (const QString& code : generator.Codes().Lines()) {
        ticket.SetCode(code);
        if (!aDb.AddTicket(&ticket, aOwner, false))
            return false;
    }
    return true;
}

class TBareSqlite {
public:
    explicit TBareSqlite(const QString& aFile) { sqlite3_open(aFile.toUtf8().constData(), &fDb); }
    ~TBareSqlite() { sqlite3_close(fDb); }
    TBareSqlite(const TBareSqlite&) = delete;
    TBareSqlite& operator=(const TBareSqlite&) = delete;

    void Exec(const char* aSql) { sqlite3_exec(fDb, aSql, nullptr, nullptr, nullptr); }
    sqlite3_stmt* Prepare(const char* aSql) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(fDb, aSql, -1, &statement, nullptr);
        return statement;
    }

private:
    sqlite3* fDb = nullptr;
};

// The same work straight on SQLite: draw a code, check it is free, insert the ticket.
void BareGenerateAndInsert(const QString& aFile, uint32_t aOwner) {
    TBareSqlite db(aFile);
    sqlite3_stmt* exists = db.Prepare("SELECT Ticket_ID FROM tblTickets WHERE Code = ? LIMIT 2");
    sqlite3_stmt* insert =
        db.Prepare("INSERT INTO tblTickets (Owner, \"Group\", LastUsePC, Code, CreationDate, "
                   "Credit, HourFormulaName) VALUES (?, 1, 1, ?, ?, 3600, 1)");
    db.Exec("BEGIN");
    for (int i = 0; i < c_Tickets; ++i) {
        const QByteArray code = TZRVTicketsGenerator::RandomCode(c_CodeLength, tcsAlphaNumericUpper).toUtf8();
        sqlite3_bind_text(exists, 1, code.constData(), int(code.size()), SQLITE_TRANSIENT);
        const bool taken = sqlite3_step(exists) == SQLITE_ROW;
        sqlite3_reset(exists);
        if (taken)
            continue;
        sqlite3_bind_int64(insert, 1, aOwner);
        sqlite3_bind_text(insert, 2, code.constData(), int(code.size()), SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 3, Date());
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    db.Exec("COMMIT");
    sqlite3_finalize(exists);
    sqlite3_finalize(insert);
}

// Steps one prepared statement bound to aKey and sums every integer column of its rows.
qint64 StepAll(sqlite3_stmt* aStatement, qint64 aKey) {
    qint64 sum = 0;
    sqlite3_bind_int64(aStatement, 1, aKey);
    while (sqlite3_step(aStatement) == SQLITE_ROW)
        for (int column = 0; column < sqlite3_column_count(aStatement); ++column)
            sum += sqlite3_column_int64(aStatement, column);
    sqlite3_reset(aStatement);
    return sum;
}

// What a ticket read does, with prepared statements in one transaction: the ticket row with its
// hour formula, then its group and machine, each with its application and game links.
void BareReadTickets(const QString& aFile) {
    TBareSqlite db(aFile);
    sqlite3_stmt* statements[] = {
        db.Prepare("SELECT * FROM rqtTickets WHERE Ticket_ID = ?"),
        db.Prepare("SELECT * FROM tblGroups WHERE Group_ID = ?"),
        db.Prepare("SELECT Application_ID FROM \"tblGroups+Applications\" WHERE Group_ID = ?"),
        db.Prepare("SELECT Game_ID FROM \"tblGroups+Games\" WHERE Group_ID = ?"),
        db.Prepare("SELECT * FROM tblMachines WHERE Machine_ID = ?"),
        db.Prepare("SELECT Application_ID FROM \"tblMachines+Applications\" WHERE Machine_ID = ?"),
        db.Prepare("SELECT Game_ID FROM \"tblMachines+Games\" WHERE Machine_ID = ?"),
    };
    db.Exec("BEGIN");
    qint64 sum = 0;
    for (int id = 1; id <= c_Tickets; ++id)
        for (sqlite3_stmt* statement : statements)
            sum += StepAll(statement, statement == statements[0] ? id : 1);
    db.Exec("COMMIT");
    for (sqlite3_stmt* statement : statements)
        sqlite3_finalize(statement);
    if (sum == 0)
        std::printf("bare read found no tickets\n");
}

// Runs one statement on the PostgreSQL server's own database; whether it succeeded.
bool RunOnServer(const QUrl& aServer, const QString& aStatement) {
    const QString connection = QStringLiteral("zrvbench-admin");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        db.setHostName(aServer.host());
        db.setPort(aServer.port(-1));
        db.setUserName(aServer.userName());
        db.setDatabaseName(aServer.path().mid(1));
        ok = db.open() && QSqlQuery(db).exec(aStatement);
        if (!ok)
            std::printf("PostgreSQL: %s\n", qPrintable(db.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

// The ticket figures of one database: generating and adding tickets one commit each and in one
// transaction, reading them by key; the reads count the tickets found.
struct TTicketFigures {
    double PerTicket = 0;
    double PerBatchedTicket = 0;
    double PerRead = 0;
};
TTicketFigures MeasureTickets(TZRVDataBase& aDb, TZRVDataBase& aBatched, uint32_t aOwner, bool& aOk,
                              int& aFound) {
    TTicketFigures f;
    f.PerTicket =
        zrvbench::SecondsPerCall(1, [&] { aOk = aOk && GenerateAndInsert(aDb, aOwner); }) / c_Tickets;
    f.PerBatchedTicket = zrvbench::SecondsPerCall(1,
                                                  [&] {
                                                      aBatched.ExecuteSQLAction(QStringLiteral("BEGIN"));
                                                      aOk = aOk && GenerateAndInsert(aBatched, aOwner);
                                                      aBatched.ExecuteSQLAction(QStringLiteral("COMMIT"));
                                                  }) /
                         c_Tickets;
    f.PerRead = zrvbench::SecondsPerCall(1,
                                         [&] {
                                             for (uint32_t id = 1; id <= uint32_t(c_Tickets); ++id)
                                                 aFound += aDb.ReadTicket(id) ? 1 : 0;
                                         }) /
                c_Tickets;
    return f;
}

} // namespace

ZRV_BENCHMARK(DataBaseTicketsPostgreSql) {
    const QUrl server(qEnvironmentVariable("ZRV_BENCH_PG"));
    if (server.isEmpty()) {
        std::printf("PostgreSQL: ZRV_BENCH_PG is not set, no PostgreSQL figures\n");
        return;
    }
    // Two databases of the run's own, dropped at the end.
    const QString base = QStringLiteral("zrv_bench_") + QString::number(QCoreApplication::applicationPid());
    const QStringList names{base + QStringLiteral("_a"), base + QStringLiteral("_b")};
    QStringList addresses;
    for (const QString& name : names) {
        if (!RunOnServer(server, QStringLiteral("CREATE DATABASE ") + name))
            return;
        QUrl address(server);
        address.setPath(u'/' + name);
        addresses << address.toString();
    }
    QTemporaryDir dir;
    uint32_t owner = 0;
    bool ok = true;
    int found = 0;
    TTicketFigures figures[2];
    {
        auto sqlite = NewDataBase(dir.filePath(QStringLiteral("cafe.db")), owner);
        auto sqliteBatched = NewDataBase(dir.filePath(QStringLiteral("batched.db")), owner);
        auto postgres = NewDataBase(addresses[0], owner);
        auto postgresBatched = NewDataBase(addresses[1], owner);
        if (sqlite && sqliteBatched && postgres && postgresBatched) {
            figures[0] = MeasureTickets(*sqlite, *sqliteBatched, owner, ok, found);
            figures[1] = MeasureTickets(*postgres, *postgresBatched, owner, ok, found);
        } else {
            ok = false;
        }
    }
    for (const QString& name : names)
        RunOnServer(server,
                    QStringLiteral("DROP DATABASE IF EXISTS ") + name + QStringLiteral(" WITH (FORCE)"));
    if (!ok || found != 2 * c_Tickets) {
        std::printf("PostgreSQL: the ticket work failed (%d tickets read of %d)\n", found, 2 * c_Tickets);
        return;
    }
    zrvbench::PrintRatio("PostgreSQL: generate+AddTicket, one commit each", figures[1].PerTicket,
                         "SQLite, the same", figures[0].PerTicket);
    zrvbench::PrintRatio("PostgreSQL: generate+AddTicket, in BEGIN/COMMIT", figures[1].PerBatchedTicket,
                         "SQLite, the same", figures[0].PerBatchedTicket);
    zrvbench::PrintRatio("PostgreSQL: ReadTicket by key", figures[1].PerRead, "SQLite, the same",
                         figures[0].PerRead);
}

ZRV_BENCHMARK(DataBaseTickets) {
    QTemporaryDir dir;
    uint32_t owner = 0;
    auto db = NewDataBase(dir.filePath(QStringLiteral("cafe.db")), owner);
    auto batched = NewDataBase(dir.filePath(QStringLiteral("batched.db")), owner);
    auto bare = NewDataBase(dir.filePath(QStringLiteral("bare.db")), owner);
    if (!db || !batched || !bare) {
        std::printf("cannot create the databases\n");
        return;
    }
    bare->Close();

    bool ok = true;
    const double perTicket =
        zrvbench::SecondsPerCall(1, [&] { ok = ok && GenerateAndInsert(*db, owner); }) / c_Tickets;
    const double perBatchedTicket =
        zrvbench::SecondsPerCall(1,
                                 [&] {
                                     batched->ExecuteSQLAction(QStringLiteral("BEGIN"));
                                     ok = ok && GenerateAndInsert(*batched, owner);
                                     batched->ExecuteSQLAction(QStringLiteral("COMMIT"));
                                 }) /
        c_Tickets;
    const double perBareTicket =
        zrvbench::SecondsPerCall(1, [&] { BareGenerateAndInsert(bare->DBName(), owner); }) / c_Tickets;
    if (!ok)
        std::printf("generating or inserting tickets failed\n");
    zrvbench::PrintRatio("generate+AddTicket, one commit each", perTicket, "bare SQLite, one transaction",
                         perBareTicket);
    zrvbench::PrintRatio("generate+AddTicket, inside BEGIN/COMMIT", perBatchedTicket,
                         "bare SQLite, one transaction", perBareTicket);

    int found = 0;
    const auto readAll = [&](TZRVDataBase& aDb) {
        for (uint32_t id = 1; id <= uint32_t(c_Tickets); ++id)
            found += aDb.ReadTicket(id) ? 1 : 0;
    };
    const double perRead = zrvbench::SecondsPerCall(1, [&] { readAll(*db); }) / c_Tickets;
    const double perBatchedRead = zrvbench::SecondsPerCall(1,
                                                           [&] {
                                                               db->ExecuteSQLAction(QStringLiteral("BEGIN"));
                                                               readAll(*db);
                                                               db->ExecuteSQLAction(QStringLiteral("COMMIT"));
                                                           }) /
                                  c_Tickets;
    const double perBareRead =
        zrvbench::SecondsPerCall(1, [&] { BareReadTickets(bare->DBName()); }) / c_Tickets;
    if (found != 2 * c_Tickets)
        std::printf("read %d tickets of %d\n", found, 2 * c_Tickets);
    zrvbench::PrintRatio("ReadTicket by key", perRead, "bare SQLite, one transaction", perBareRead);
    zrvbench::PrintRatio("ReadTicket by key, inside BEGIN/COMMIT", perBatchedRead,
                         "bare SQLite, one transaction", perBareRead);
}
