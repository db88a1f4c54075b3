#pragma once
// The SQL text of the café database: the schema with its views and trigger, the statement shapes
// the record operations are made of, and the statements of the two engines it runs on (an SQLite
// file, or a PostgreSQL database named by a postgresql:// address). What the engines share is
// written once with every name quoted; what differs lives in the two TDialect values at the end.
// Statements are built from the schema's own names only; every value goes in as a bound parameter.

#include <QString>
#include <QStringList>

namespace ZRVSql {

// A table and its key column. A link table's columns are named like the keys of the two tables it
// links.
struct Table {
    QString Name;
    QString Key;
};
inline const Table Accounts{QStringLiteral("tblAccounts"), QStringLiteral("Account_ID")};
inline const Table Tickets{QStringLiteral("tblTickets"), QStringLiteral("Ticket_ID")};
inline const Table TicketsView{QStringLiteral("rqtTickets"), QStringLiteral("Ticket_ID")};
inline const Table Groups{QStringLiteral("tblGroups"), QStringLiteral("Group_ID")};
inline const Table Machines{QStringLiteral("tblMachines"), QStringLiteral("Machine_ID")};
inline const Table Applications{QStringLiteral("tblApplications"), QStringLiteral("Application_ID")};
inline const Table Games{QStringLiteral("tblGames"), QStringLiteral("Game_ID")};
inline const Table Authorisations{QStringLiteral("tblAuthorisations"), QStringLiteral("Authorisation_ID")};
inline const Table SecretQuestions{QStringLiteral("tblSecretQuestions"), QStringLiteral("SecretQuestion_ID")};
inline const Table HourFormulas{QStringLiteral("tblHourFormulas"), QStringLiteral("HourFormula_id")};
inline const Table Products{QStringLiteral("tblProducts"), QStringLiteral("Product_id")};
inline const Table Budgets{QStringLiteral("tblBudgets"), QStringLiteral("Budget_id")};
inline const Table DatabaseInfo{QStringLiteral("tblDatabaseInfo"), QStringLiteral("Name")};
inline const Table Sessions{QStringLiteral("tblSessions"), QStringLiteral("Token")};
inline const Table Tills{QStringLiteral("tblCaisses"), QStringLiteral("Caisse_id")};
inline const Table Operations{QStringLiteral("tblOperations"), QStringLiteral("Operation_id")};
inline const Table Bonuses{QStringLiteral("tblBonus"), QStringLiteral("Bonus_id")};
inline const QString GroupsApplications = QStringLiteral("tblGroups+Applications");
inline const QString GroupsGames = QStringLiteral("tblGroups+Games");
inline const QString GroupsAuthorisations = QStringLiteral("tblGroups+Authorisations");
inline const QString MachinesApplications = QStringLiteral("tblMachines+Applications");
inline const QString MachinesGames = QStringLiteral("tblMachines+Games");

// The tables whose key the database assigns on insert.
inline const Table* const c_KeyedTables[] = {
    &Accounts,        &Tickets,      &Groups,   &Machines, &Applications, &Games,      &Authorisations,
    &SecretQuestions, &HourFormulas, &Products, &Budgets,  &Tills,        &Operations, &Bonuses};

// The key column the database assigns in aTable; empty for a table without one.
inline QString AssignedKey(const QString& aTable) {
    for (const Table* t : c_KeyedTables)
        if (t->Name == aTable)
            return t->Key;
    return QString();
}

// The engine a database name designates: a postgresql:// address, or else an SQLite file.
enum class TEngine { Sqlite, PostgreSql };
inline const QString c_PostgreSqlScheme = QStringLiteral("postgresql");
inline TEngine EngineOf(const QString& aDBName) {
    return aDBName.startsWith(c_PostgreSqlScheme + QStringLiteral("://"), Qt::CaseInsensitive)
               ? TEngine::PostgreSql
               : TEngine::Sqlite;
}

// Names are quoted, so that the column Group and the link tables such as tblGroups+Games work.
inline QString Name(const QString& aName) {
    return u'"' + aName + u'"';
}

inline QString Names(const QStringList& aNames) {
    QStringList quoted;
    for (const QString& n : aNames)
        quoted << Name(n);
    return quoted.join(QStringLiteral(", "));
}

// "A = ? AND B = ?"; no columns gives no condition.
inline QString Where(const QStringList& aColumns) {
    if (aColumns.isEmpty())
        return QString();
    QStringList terms;
    for (const QString& c : aColumns)
        terms << Name(c) + QStringLiteral(" = ?");
    return QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
}

// SELECT aWhat FROM aTable WHERE ... ORDER BY aOrderBy LIMIT aLimit (aLimit 0: no limit).
inline QString Select(const QString& aWhat, const QString& aTable, const QStringList& aWhere,
                      const QString& aOrderBy = QString(), int aLimit = 0) {
    QString sql = QStringLiteral("SELECT ") + aWhat + QStringLiteral(" FROM ") + Name(aTable) + Where(aWhere);
    if (!aOrderBy.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + Name(aOrderBy);
    if (aLimit > 0)
        sql += QStringLiteral(" LIMIT ") + QString::number(aLimit);
    return sql;
}

inline QString Insert(const QString& aTable, const QStringList& aColumns) {
    QStringList marks;
    for (qsizetype i = 0; i < aColumns.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO ") + Name(aTable) + QStringLiteral(" (") + Names(aColumns) +
           QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + u')';
}

inline QString Update(const QString& aTable, const QStringList& aColumns, const QStringList& aWhere) {
    QStringList sets;
    for (const QString& c : aColumns)
        sets << Name(c) + QStringLiteral(" = ?");
    return QStringLiteral("UPDATE ") + Name(aTable) + QStringLiteral(" SET ") +
           sets.join(QStringLiteral(", ")) + Where(aWhere);
}

inline QString Delete(const QString& aTable, const QStringList& aWhere) {
    return QStringLiteral("DELETE FROM ") + Name(aTable) + Where(aWhere);
}

// SQLite: every row changed so far on the connection, those changed by triggers (the views'
// updates) included; the difference around a statement is its count of rows.
inline const QString c_TotalChanges = QStringLiteral("SELECT total_changes()");
// SQLite: a consistent copy of the open database into a new file (bound: the file's path).
inline const QString c_CopyInto = QStringLiteral("VACUUM INTO ?");
// PostgreSQL: its own maintenance of the tables, once the rows marked as deleted are gone.
inline const QString c_Maintain = QStringLiteral("VACUUM (ANALYZE)");

// Multi-row writes nest as savepoints, so they also work inside a transaction the host opened.
inline const QString c_Savepoint = QStringLiteral("SAVEPOINT zrv_write");
inline const QString c_ReleaseSavepoint = QStringLiteral("RELEASE SAVEPOINT zrv_write");
inline const QString c_RollbackSavepoint = QStringLiteral("ROLLBACK TO SAVEPOINT zrv_write");
// Outside a transaction, where PostgreSQL refuses savepoints.
inline const QString c_Begin = QStringLiteral("BEGIN");
inline const QString c_Commit = QStringLiteral("COMMIT");
inline const QString c_Rollback = QStringLiteral("ROLLBACK");

inline const QString c_DeleteDeletedTickets =
    QStringLiteral("DELETE FROM \"tblTickets\" WHERE \"DeletedFlag\" <> 0");
inline const QString c_DeleteDeletedAccounts =
    QStringLiteral("DELETE FROM \"tblAccounts\" WHERE \"DeletedFlag\" <> 0");

// Connection options: how long a statement waits for another process's lock.
inline QString ConnectOptions(int aBusyTimeoutMs, bool aReadOnly) {
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=") + QString::number(aBusyTimeoutMs);
    if (aReadOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    return options;
}
// SQLite, on every connection that may write, as it opens: commits go to the write-ahead log
// beside the file (<file>-wal, with its index <file>-shm), readers are not held up by a writer, and
// a commit reaches the disk at the next checkpoint instead of waiting for it. A commit survives the
// end of the process at any moment; a power cut may lose the last ones, never the file's
// consistency. The log mode stays in the file.
inline const QString c_WriteAheadLog = QStringLiteral("PRAGMA journal_mode = WAL");
inline const QString c_SyncAtCheckpoints = QStringLiteral("PRAGMA synchronous = NORMAL");
// PostgreSQL's: how long connecting may take, in seconds, and the name the server lists.
inline const QString c_PostgreSqlConnectOptions = QStringLiteral("connect_timeout=10;application_name=zrv2");

// Native error codes of the engine that Open reports in words.
inline constexpr int c_ErrorBusy = 5;
inline constexpr int c_ErrorLocked = 6;
inline constexpr int c_ErrorReadOnly = 8;
inline constexpr int c_ErrorNotADatabase = 26;
// PostgreSQL's state of a savepoint asked for outside a transaction.
inline const QString c_PostgreSqlNoTransaction = QStringLiteral("25P01");

// ----- the schema, written once for both engines with their types as arguments: TEXT a text
// compared without regard to letter case, KEY a key the database assigns, INT an integer, DATE a
// date-time (a day count). Names are quoted, so that PostgreSQL keeps their letter case.
#define ZRV_SQL_TABLES(TEXT, KEY, INT, DATE)                                                                 \
    QStringLiteral("CREATE TABLE \"tblDatabaseInfo\" (\"Name\"" TEXT " PRIMARY KEY, \"Value\" TEXT)"),       \
        QStringLiteral("CREATE TABLE \"tblAccounts\" (\"Account_ID\"" KEY ", \"AccountName\"" TEXT           \
                       ", \"AccountPassword\"" TEXT ", \"Active\"" INT ", \"CreationDate\"" DATE             \
                       ", \"Credit\"" INT ", \"CreditTotal\"" INT ", \"DaysAllowed\"" INT                    \
                       ", \"DeletedFlag\"" INT ", \"Description\"" TEXT ", \"Email\"" TEXT                   \
                       ", \"FirstName\"" TEXT ", \"SecondName\"" TEXT ", \"Pseudo\"" TEXT ", \"Phone\"" TEXT \
                       ", \"SecretAnswer\"" TEXT ", \"LastUpdateDate\"" DATE ", \"LastUseDate\"" DATE        \
                       ", \"LastUseTime\"" INT ", \"Old\"" INT ", \"Sex\"" INT ", \"Group\"" INT             \
                       ", \"LastUsePC\"" INT ", \"SecretQuestion\"" INT ")"),                                \
        QStringLiteral("CREATE INDEX \"idxAccountsName\" ON \"tblAccounts\" (\"AccountName\")"),             \
        QStringLiteral("CREATE TABLE \"tblTickets\" (\"Ticket_ID\"" KEY ", \"Code\"" TEXT ", \"Owner\"" INT  \
                       ", \"Group\"" INT ", \"LastUsePC\"" INT ", \"Active\"" INT                            \
                       ", \"ActivationDate\"" DATE ", \"Cost\"" INT ", \"CreationDate\"" DATE                \
                       ", \"Credit\"" INT ", \"DaysAllowed\"" INT ", \"DeletedFlag\"" INT                    \
                       ", \"LastUseDate\"" DATE ", \"LastUseTime\"" INT ", \"PrintFlag\"" INT                \
                       ", \"UsedFlag\"" INT ", \"HourFormulaName\"" INT ")"),                                \
        QStringLiteral("CREATE INDEX \"idxTicketsCode\" ON \"tblTickets\" (\"Code\")"),                      \
        QStringLiteral("CREATE TABLE \"tblGroups\" (\"Group_ID\"" KEY ", \"GroupName\"" TEXT                 \
                       ", \"GroupDescription\"" TEXT ", \"AutoCredit\"" INT ", \"IncrementalCredit\"" INT    \
                       ", \"Authorisations1\"" INT ")"),                                                     \
        QStringLiteral("CREATE TABLE \"tblMachines\" (\"Machine_ID\"" KEY ", \"MachineName\"" TEXT           \
                       ", \"Cpu\"" TEXT ", \"Ram\"" INT ", \"Geography\"" TEXT ", \"Os\"" TEXT ")"),         \
        QStringLiteral("CREATE TABLE \"tblApplications\" (\"Application_ID\"" KEY                            \
                       ", \"ApplicationName\"" TEXT ", \"CommandLine\"" TEXT ")"),                           \
        QStringLiteral("CREATE TABLE \"tblGames\" (\"Game_ID\"" KEY ", \"GameName\"" TEXT                    \
                       ", \"CommandLine\"" TEXT ", \"Description\"" TEXT ")"),                               \
        QStringLiteral("CREATE TABLE \"tblAuthorisations\" (\"Authorisation_ID\"" KEY                        \
                       ", \"AuthorisationName\"" TEXT ", \"Description\"" TEXT ")"),                         \
        QStringLiteral("CREATE TABLE \"tblSecretQuestions\" (\"SecretQuestion_ID\"" KEY                      \
                       ", \"Question\"" TEXT ", \"FromWorkstation\"" INT ")"),                               \
        QStringLiteral("CREATE TABLE \"tblHourFormulas\" (\"HourFormula_id\"" KEY ", \"Intitule\"" TEXT      \
                       ", \"StartDay\" INTEGER DEFAULT 1 CHECK (\"StartDay\" BETWEEN 1 AND 7)"               \
                       ", \"StartHour\" INTEGER DEFAULT 0 CHECK (\"StartHour\" BETWEEN 0 AND 23)"            \
                       ", \"EndDay\" INTEGER DEFAULT 7 CHECK (\"EndDay\" BETWEEN 1 AND 7)"                   \
                       ", \"EndHour\" INTEGER DEFAULT 23 CHECK (\"EndHour\" BETWEEN 0 AND 23))"),            \
        QStringLiteral("CREATE TABLE \"tblProducts\" (\"Product_id\"" KEY ", \"Name\"" TEXT                  \
                       ", \"QuantityPerUnit\"" INT ", \"UnitCost\"" INT ")"),                                \
        QStringLiteral("CREATE TABLE \"tblGroups+Applications\" (\"Group_ID\"" INT                           \
                       ", \"Application_ID\"" INT ")"),                                                      \
        QStringLiteral(                                                                                      \
            "CREATE INDEX \"idxGroupsApplications\" ON \"tblGroups+Applications\" (\"Group_ID\")"),          \
        QStringLiteral("CREATE TABLE \"tblGroups+Games\" (\"Group_ID\"" INT ", \"Game_ID\"" INT ")"),        \
        QStringLiteral("CREATE INDEX \"idxGroupsGames\" ON \"tblGroups+Games\" (\"Group_ID\")"),             \
        QStringLiteral("CREATE TABLE \"tblGroups+Authorisations\" (\"Group_ID\"" INT                         \
                       ", \"Authorisation_ID\"" INT ", \"Value\"" INT ", \"ValueEx\"" TEXT ")"),             \
        QStringLiteral("CREATE INDEX \"idxGroupsAuthorisations\" ON \"tblGroups+Authorisations\" "           \
                       "(\"Group_ID\")"),                                                                    \
        QStringLiteral("CREATE TABLE \"tblMachines+Applications\" (\"Machine_ID\"" INT                       \
                       ", \"Application_ID\"" INT ")"),                                                      \
        QStringLiteral("CREATE INDEX \"idxMachinesApplications\" ON \"tblMachines+Applications\" "           \
                       "(\"Machine_ID\")"),                                                                  \
        QStringLiteral("CREATE TABLE \"tblMachines+Games\" (\"Machine_ID\"" INT ", \"Game_ID\"" INT ")"),    \
        QStringLiteral("CREATE INDEX \"idxMachinesGames\" ON \"tblMachines+Games\" (\"Machine_ID\")"),       \
        QStringLiteral("CREATE TABLE \"tblOperations\" (\"Operation_id\"" KEY ", \"DateOperation\"" DATE     \
                       ", \"CodeRubrique\"" TEXT ", \"Intitule\"" TEXT ", \"CodeBudget\"" INT                \
                       ", \"Recette\"" INT ", \"Solde\"" INT ", \"Employe\"" INT ")"),                       \
        QStringLiteral("CREATE INDEX \"idxOperationsEmploye\" ON \"tblOperations\" (\"Employe\", "           \
                       "\"DateOperation\")"),                                                                \
        QStringLiteral("CREATE TABLE \"tblBonus\" (\"Bonus_id\"" KEY ", \"DateBonus\"" DATE                  \
                       ", \"ValeurCredit\"" INT ", \"Beneficiaire\"" TEXT ", \"TypeCompte\"" INT             \
                       ", \"Employe\"" INT ")"),                                                             \
        QStringLiteral("CREATE TABLE \"tblCaisses\" (\"Caisse_id\"" KEY ", \"Caissier_id\"" INT              \
                       ", \"DateDebut\"" DATE ", \"DateFin\"" DATE ")"),                                     \
        QStringLiteral("CREATE TABLE \"tblBudgets\" (\"Budget_id\"" KEY ")"), ZRV_SQL_SESSIONS(INT, DATE),   \
        QStringLiteral("CREATE VIEW \"rqtTickets\" AS SELECT t.*, h.\"Intitule\", h.\"StartDay\", "          \
                       "h.\"StartHour\", h.\"EndDay\", h.\"EndHour\" FROM \"tblTickets\" t LEFT JOIN "       \
                       "\"tblHourFormulas\" h ON h.\"HourFormula_id\" = t.\"HourFormulaName\"")
// The sessions the server holds open for workstations, one row per session token, gone when the
// customer logs out. The token is compared exactly.
#define ZRV_SQL_SESSIONS(INT, DATE)                                                                          \
    QStringLiteral("CREATE TABLE \"tblSessions\" (\"Token\" TEXT PRIMARY KEY, \"SessionType\"" INT           \
                   ", \"Record_ID\"" INT ", \"Incremental\"" INT ", \"Credit\"" INT ", \"Used\"" INT         \
                   ", \"Slack\"" INT ", \"StartDate\"" DATE ")")
// Sold tickets, not deleted, whose activation day plus their days of validity lies before today;
// DAY is the day of an activation date, TODAY today's date.
#define ZRV_SQL_EXPIRED_TICKETS(DAY, TODAY)                                                                  \
    "CREATE VIEW \"rqtGetExpiredTickets\" AS SELECT \"Ticket_ID\", \"Code\", \"Credit\", \"DeletedFlag\", "  \
    "\"ActivationDate\", \"DaysAllowed\" FROM \"tblTickets\" WHERE \"Active\" <> 0 AND \"DeletedFlag\" = 0 " \
    "AND \"ActivationDate\" <> 0 AND " DAY " + \"DaysAllowed\" < " TODAY
// The view's update writes Credit and DeletedFlag back to the ticket.
#define ZRV_SQL_EXPIRED_TICKETS_UPDATE                                                                       \
    "UPDATE \"tblTickets\" SET \"Credit\" = NEW.\"Credit\", \"DeletedFlag\" = NEW.\"DeletedFlag\" "          \
    "WHERE \"Ticket_ID\" = OLD.\"Ticket_ID\";"

// ----- sessions and reloads; credits stay within 0 ... 2147483647 seconds; LEAST and GREATEST are
// the engine's names of the smaller and greater of two values.

// A session's use written back to its account: the credit changes by the bound number of seconds
// (negative for time used) and the other columns follow the session; whatever else the row holds
// stays as stored (bound: the change; the seconds used since the last write; the session's start;
// its length so far; the workstation's key, 0 keeping the stored one; the account's key).
#define ZRV_SQL_WRITE_ACCOUNT_USE(LEAST, GREATEST)                                                           \
    "UPDATE \"tblAccounts\" SET \"Credit\" = " LEAST "(" GREATEST "(\"Credit\" + ?, 0), 2147483647), "       \
    "\"CreditTotal\" = " LEAST                                                                               \
    "(\"CreditTotal\" + ?, 2147483647), \"LastUseDate\" = ?, \"LastUseTime\" = ?, "                          \
    "\"LastUsePC\" = coalesce(nullif(?, 0), \"LastUsePC\") WHERE \"Account_ID\" = ?"
// The same for a ticket (bound: the change; the session's start; its length so far; the
// workstation's key, 0 keeping the stored one; the ticket's key).
#define ZRV_SQL_WRITE_TICKET_USE(LEAST, GREATEST)                                                            \
    "UPDATE \"tblTickets\" SET \"Credit\" = " LEAST "(" GREATEST "(\"Credit\" + ?, 0), 2147483647), "        \
    "\"UsedFlag\" = 1, \"LastUseDate\" = ?, \"LastUseTime\" = ?, "                                           \
    "\"LastUsePC\" = coalesce(nullif(?, 0), \"LastUsePC\") WHERE \"Ticket_ID\" = ?"
// A reload given to an account, which it activates, to a ticket, and to the session's row (bound:
// the seconds; the key).
#define ZRV_SQL_GRANT_CREDIT(LEAST, TABLE, KEY, MORE)                                                        \
    "UPDATE \"" TABLE "\" SET \"Credit\" = " LEAST "(\"Credit\" + ?, 2147483647)" MORE " WHERE \"" KEY       \
    "\" = ?"
// The bonus to every account not marked deleted, which then starts counting its used time again
// (bound: seconds added; percent of the used time given back, in whole seconds).
#define ZRV_SQL_BONUS(LEAST, GREATEST, ADDED)                                                                \
    "UPDATE \"tblAccounts\" SET \"Credit\" = " LEAST "(" GREATEST "(\"Credit\" + " ADDED                     \
    ", 0), 2147483647), "                                                                                    \
    "\"CreditTotal\" = 0 WHERE \"DeletedFlag\" = 0"
// Marks as deleted the tickets of rqtGetExpiredTickets holding less credit than the bound number
// of seconds (bound: the seconds, then today's date). The rule of the view, with the kernel's own
// today in place of the engine's clock.
#define ZRV_SQL_MARK_EMPTY_EXPIRED_TICKETS(DAY)                                                              \
    "UPDATE \"tblTickets\" SET \"DeletedFlag\" = 1 WHERE \"Credit\" < ? AND \"Active\" <> 0 AND "            \
    "\"DeletedFlag\" = 0 AND \"ActivationDate\" <> 0 AND " DAY " + \"DaysAllowed\" < ?"

// The statements whose text depends on the engine.
struct TDialect {
    // Qt's driver.
    QString Driver;
    // The whole schema, run once in one transaction when a database is created, and what a database
    // of the first schema version lacks, in order.
    QStringList Schema;
    QStringList SchemaUpgrade2;
    // Whether the database holds this system's schema; whether it holds any table at all.
    QString HasDatabaseInfo;
    QString HasTables;
    // Held until the schema's transaction ends, so that servers starting together on an empty
    // database create it once; empty where the engine's own locks do that.
    QString SchemaLock;
    QString WriteAccountUse;
    QString WriteTicketUse;
    QString GrantAccountCredit;
    QString GrantTicketCredit;
    QString GrantSessionCredit;
    QString BonusMinutes;
    QString BonusPercent;
    QString MarkEmptyExpiredTickets;
};

#define ZRV_SQL_SQLITE_TEXT " TEXT COLLATE NOCASE DEFAULT ''"
#define ZRV_SQL_SQLITE_DAY "CAST(\"ActivationDate\" AS INTEGER)"
inline const TDialect c_Sqlite{
    QStringLiteral("QSQLITE"),
    {ZRV_SQL_TABLES(ZRV_SQL_SQLITE_TEXT, " INTEGER PRIMARY KEY AUTOINCREMENT", " INTEGER DEFAULT 0",
                    " REAL DEFAULT 0"),
     QStringLiteral(ZRV_SQL_EXPIRED_TICKETS(ZRV_SQL_SQLITE_DAY,
                                            "CAST(julianday('now', 'localtime') - 2415018.5 AS INTEGER)")),
     QStringLiteral(
         "CREATE TRIGGER \"rqtGetExpiredTicketsUpdate\" INSTEAD OF UPDATE ON \"rqtGetExpiredTickets\" "
         "BEGIN " ZRV_SQL_EXPIRED_TICKETS_UPDATE " END")},
    {QStringLiteral("ALTER TABLE \"tblSecretQuestions\" ADD COLUMN \"FromWorkstation\" INTEGER DEFAULT 0"),
     ZRV_SQL_SESSIONS(" INTEGER DEFAULT 0", " REAL DEFAULT 0")},
    QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'tblDatabaseInfo'"),
    QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'"),
    QString(),
    QStringLiteral(ZRV_SQL_WRITE_ACCOUNT_USE("min", "max")),
    QStringLiteral(ZRV_SQL_WRITE_TICKET_USE("min", "max")),
    QStringLiteral(ZRV_SQL_GRANT_CREDIT("min", "tblAccounts", "Account_ID", ", \"Active\" = 1")),
    QStringLiteral(ZRV_SQL_GRANT_CREDIT("min", "tblTickets", "Ticket_ID", "")),
    QStringLiteral(ZRV_SQL_GRANT_CREDIT("min", "tblSessions", "Token", "")),
    QStringLiteral(ZRV_SQL_BONUS("min", "max", "?")),
    QStringLiteral(ZRV_SQL_BONUS("min", "max", "\"CreditTotal\" * ? / 100")),
    QStringLiteral(ZRV_SQL_MARK_EMPTY_EXPIRED_TICKETS(ZRV_SQL_SQLITE_DAY)),
};

// PostgreSQL: texts compare through a case-insensitive collation of the database's own; integers
// are 64 bits wide as in SQLite; a day is the floor of a date-time (a cast would round it).
#define ZRV_SQL_PG_TEXT " TEXT COLLATE zrv_nocase DEFAULT ''"
#define ZRV_SQL_PG_DAY "floor(\"ActivationDate\")"
inline const TDialect c_PostgreSql{
    QStringLiteral("QPSQL"),
    {QStringLiteral("CREATE COLLATION zrv_nocase (provider = icu, locale = 'und-u-ks-level2', "
                    "deterministic = false)"),
     ZRV_SQL_TABLES(ZRV_SQL_PG_TEXT, " BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY",
                    " BIGINT DEFAULT 0", " DOUBLE PRECISION DEFAULT 0"),
     QStringLiteral(ZRV_SQL_EXPIRED_TICKETS(ZRV_SQL_PG_DAY, "(CURRENT_DATE - DATE '1899-12-30')")),
     QStringLiteral("CREATE FUNCTION \"rqtGetExpiredTicketsUpdate\"() RETURNS trigger LANGUAGE plpgsql AS "
                    "$$ BEGIN " ZRV_SQL_EXPIRED_TICKETS_UPDATE " RETURN NEW; END $$"),
     QStringLiteral(
         "CREATE TRIGGER \"rqtGetExpiredTicketsUpdate\" INSTEAD OF UPDATE ON \"rqtGetExpiredTickets\" "
         "FOR EACH ROW EXECUTE FUNCTION \"rqtGetExpiredTicketsUpdate\"()")},
    {},
    QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_schema = current_schema() AND "
                   "table_name = 'tblDatabaseInfo'"),
    QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_schema = current_schema()"),
    QStringLiteral("SELECT pg_advisory_xact_lock(7402000)"),
    QStringLiteral(ZRV_SQL_WRITE_ACCOUNT_USE("LEAST", "GREATEST")),
    QStringLiteral(ZRV_SQL_WRITE_TICKET_USE("LEAST", "GREATEST")),
    QStringLiteral(ZRV_SQL_GRANT_CREDIT("LEAST", "tblAccounts", "Account_ID", ", \"Active\" = 1")),
    QStringLiteral(ZRV_SQL_GRANT_CREDIT("LEAST", "tblTickets", "Ticket_ID", "")),
    QStringLiteral(ZRV_SQL_GRANT_CREDIT("LEAST", "tblSessions", "Token", "")),
    QStringLiteral(ZRV_SQL_BONUS("LEAST", "GREATEST", "?")),
    QStringLiteral(ZRV_SQL_BONUS("LEAST", "GREATEST", "\"CreditTotal\" * ? / 100")),
    QStringLiteral(ZRV_SQL_MARK_EMPTY_EXPIRED_TICKETS(ZRV_SQL_PG_DAY)),
};

inline const TDialect& DialectOf(TEngine aEngine) {
    return aEngine == TEngine::PostgreSql ? c_PostgreSql : c_Sqlite;
}

inline constexpr int c_SchemaVersion = 2;

#undef ZRV_SQL_TABLES
#undef ZRV_SQL_SESSIONS
#undef ZRV_SQL_EXPIRED_TICKETS
#undef ZRV_SQL_EXPIRED_TICKETS_UPDATE
#undef ZRV_SQL_WRITE_ACCOUNT_USE
#undef ZRV_SQL_WRITE_TICKET_USE
#undef ZRV_SQL_GRANT_CREDIT
#undef ZRV_SQL_BONUS
#undef ZRV_SQL_MARK_EMPTY_EXPIRED_TICKETS
#undef ZRV_SQL_SQLITE_TEXT
#undef ZRV_SQL_SQLITE_DAY
#undef ZRV_SQL_PG_TEXT
#undef ZRV_SQL_PG_DAY

// ----- statements both engines share

// Spends a reload code: no credit left, used, and valid from now when its validity never started
// (bound: now; the code's key; the credit it held when read). Changes no row when the code was
// spent or its credit changed meanwhile, so that two takers cannot both have it.
inline const QString c_SpendReloadCode = QStringLiteral(
    "UPDATE \"tblTickets\" SET \"Credit\" = 0, \"UsedFlag\" = 1, \"ActivationDate\" = CASE WHEN "
    "\"ActivationDate\" = 0 THEN ? ELSE \"ActivationDate\" END WHERE \"Ticket_ID\" = ? AND \"UsedFlag\" = 0 "
    "AND \"Credit\" = ?");
// The secret questions offered to workstations: the cafe's own first, then those customers wrote,
// each in the order they were added (bound: how many at most).
inline const QString c_SecretQuestionList =
    QStringLiteral("SELECT \"Question\" FROM \"tblSecretQuestions\" ORDER BY \"FromWorkstation\", "
                   "\"SecretQuestion_ID\" LIMIT ?");

inline const QString c_InsertDefaultBudget = QStringLiteral("INSERT INTO \"tblBudgets\" DEFAULT VALUES");

// ----- the server's automatic jobs

// The groups in table order with what the daily credit needs.
inline const QString c_GroupsAutoCredit = QStringLiteral(
    "SELECT \"Group_ID\", \"AutoCredit\", \"Authorisations1\" FROM \"tblGroups\" ORDER BY \"Group_ID\"");
// Sets the credit of a group's accounts (bound: the credit, the group's key).
inline const QString c_SetGroupCredit =
    QStringLiteral("UPDATE \"tblAccounts\" SET \"Credit\" = ? WHERE \"Group\" = ?");
// Removes the accounts marked as deleted and those of limited validity whose last use (creation
// when never used) plus their days of validity lies before today (bound: today's date).
inline const QString c_DeleteExpiredAccounts = QStringLiteral(
    "DELETE FROM \"tblAccounts\" WHERE \"DeletedFlag\" <> 0 OR (\"DaysAllowed\" <> -1 AND (CASE WHEN "
    "\"LastUseDate\" IS NULL OR \"LastUseDate\" = 0 THEN \"CreationDate\" ELSE \"LastUseDate\" END) + "
    "\"DaysAllowed\" < ?)");
// Removes the tickets marked as deleted and the sold ones whose sale plus their days of validity
// lies before today (bound: today's date).
inline const QString c_DeleteExpiredTickets =
    QStringLiteral("DELETE FROM \"tblTickets\" WHERE \"DeletedFlag\" <> 0 OR (\"Active\" <> 0 AND "
                   "\"ActivationDate\" + \"DaysAllowed\" < ?)");

// ----- the till

// The cashier's most recent till still open (bound: the cashier's key); NULL when none.
inline const QString c_LastOpenTill =
    QStringLiteral("SELECT max(\"Caisse_id\") AS \"TillId\" FROM \"tblCaisses\" WHERE \"Caissier_id\" = ? "
                   "AND \"DateFin\" = 0");
inline const QString c_CurrentBudget =
    QStringLiteral("SELECT max(\"Budget_id\") AS \"CurrentBudgetId\" FROM \"tblBudgets\"");
// The money the cashier took since a moment (bound: the moment, the cashier's key); NULL when none.
inline const QString c_CashierBalance =
    QStringLiteral("SELECT sum(\"Solde\") AS \"Balance\" FROM \"tblOperations\" WHERE \"DateOperation\" >= ? "
                   "AND \"Employe\" = ?");
// The cashier's operations since a moment, in the order they were written (bound: cashier, moment).
inline const QString c_CashierOperations = QStringLiteral(
    "SELECT * FROM \"tblOperations\" WHERE \"Employe\" = ? AND \"DateOperation\" >= ? ORDER BY "
    "\"Operation_id\"");
// Removes the operations with that title written within one second of a moment (bound: the title,
// the moment). Both date-times count in whole seconds, so the difference is the number of second
// boundaries between them.
inline const QString c_DeleteRefillRecord = QStringLiteral(
    "DELETE FROM \"tblOperations\" WHERE \"Intitule\" = ? AND CAST(round(? * 86400000.0) AS BIGINT) / 1000 "
    "- CAST(round(\"DateOperation\" * 86400000.0) AS BIGINT) / 1000 BETWEEN -1 AND 1");

} // namespace ZRVSql
