#pragma once
// The SQL text of the café database in SQLite's dialect: the schema with its views and trigger,
// the statement shapes the record operations are made of, and the few engine-specific statements
// (row counting, savepoints, consistent copies). Another engine needs another version of this file
// and nothing else. Statements are built from the schema's own names only; every value goes in as
// a bound parameter.

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
inline const QString GroupsApplications = QStringLiteral("tblGroups+Applications");
inline const QString GroupsGames = QStringLiteral("tblGroups+Games");
inline const QString GroupsAuthorisations = QStringLiteral("tblGroups+Authorisations");
inline const QString MachinesApplications = QStringLiteral("tblMachines+Applications");
inline const QString MachinesGames = QStringLiteral("tblMachines+Games");

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

// Every row changed so far on the connection, those changed by triggers (the views' updates)
// included; the difference around a statement is its count of rows.
inline const QString c_TotalChanges = QStringLiteral("SELECT total_changes()");

// Multi-row writes nest as savepoints, so they also work inside a transaction the host opened.
inline const QString c_Savepoint = QStringLiteral("SAVEPOINT zrv_write");
inline const QString c_ReleaseSavepoint = QStringLiteral("RELEASE SAVEPOINT zrv_write");
inline const QString c_RollbackSavepoint = QStringLiteral("ROLLBACK TO SAVEPOINT zrv_write");

// A consistent copy of the open database into a new file (bound: the file's path).
inline const QString c_CopyInto = QStringLiteral("VACUUM INTO ?");

inline const QString c_DeleteDeletedTickets = QStringLiteral("DELETE FROM tblTickets WHERE DeletedFlag <> 0");
inline const QString c_DeleteDeletedAccounts =
    QStringLiteral("DELETE FROM tblAccounts WHERE DeletedFlag <> 0");

// Connection options: how long a statement waits for another process's lock.
inline QString ConnectOptions(int aBusyTimeoutMs, bool aReadOnly) {
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=") + QString::number(aBusyTimeoutMs);
    if (aReadOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    return options;
}

// Native error codes of the engine that Open reports in words.
inline constexpr int c_ErrorBusy = 5;
inline constexpr int c_ErrorLocked = 6;
inline constexpr int c_ErrorNotADatabase = 26;

// Today's date as a date-time value (days since 30 December 1899, local time, no time of day).
#define ZRV_SQL_TODAY "CAST(julianday('now', 'localtime') - 2415018.5 AS INTEGER)"
#define ZRV_SQL_TEXT " TEXT COLLATE NOCASE DEFAULT ''"
#define ZRV_SQL_INT " INTEGER DEFAULT 0"
#define ZRV_SQL_DATE " REAL DEFAULT 0"
#define ZRV_SQL_KEY " INTEGER PRIMARY KEY AUTOINCREMENT"

// The sessions the server holds open for workstations, one row per session token, gone when the
// customer logs out. The token is compared exactly.
inline const QString c_CreateSessions =
    QStringLiteral("CREATE TABLE tblSessions (Token TEXT PRIMARY KEY, SessionType" ZRV_SQL_INT
                   ", Record_ID" ZRV_SQL_INT ", Incremental" ZRV_SQL_INT ", Credit" ZRV_SQL_INT
                   ", Used" ZRV_SQL_INT ", Slack" ZRV_SQL_INT ", StartDate" ZRV_SQL_DATE ")");

// The whole schema, run once in one transaction when a database file is created. Texts compare
// without regard to letter case; yes/no columns hold 1 or 0; date-times are day counts.
inline const QStringList c_Schema = {
    QStringLiteral("CREATE TABLE tblDatabaseInfo (Name TEXT PRIMARY KEY COLLATE NOCASE, Value TEXT)"),
    QStringLiteral("CREATE TABLE tblAccounts (Account_ID" ZRV_SQL_KEY ", AccountName" ZRV_SQL_TEXT
                   ", AccountPassword" ZRV_SQL_TEXT ", Active" ZRV_SQL_INT ", CreationDate" ZRV_SQL_DATE
                   ", Credit" ZRV_SQL_INT ", CreditTotal" ZRV_SQL_INT ", DaysAllowed" ZRV_SQL_INT
                   ", DeletedFlag" ZRV_SQL_INT ", Description" ZRV_SQL_TEXT ", Email" ZRV_SQL_TEXT
                   ", FirstName" ZRV_SQL_TEXT ", SecondName" ZRV_SQL_TEXT ", Pseudo" ZRV_SQL_TEXT
                   ", Phone" ZRV_SQL_TEXT ", SecretAnswer" ZRV_SQL_TEXT ", LastUpdateDate" ZRV_SQL_DATE
                   ", LastUseDate" ZRV_SQL_DATE ", LastUseTime" ZRV_SQL_INT ", Old" ZRV_SQL_INT
                   ", Sex" ZRV_SQL_INT ", \"Group\"" ZRV_SQL_INT ", LastUsePC" ZRV_SQL_INT
                   ", SecretQuestion" ZRV_SQL_INT ")"),
    QStringLiteral("CREATE INDEX idxAccountsName ON tblAccounts (AccountName)"),
    QStringLiteral("CREATE TABLE tblTickets (Ticket_ID" ZRV_SQL_KEY ", Code" ZRV_SQL_TEXT
                   ", Owner" ZRV_SQL_INT ", \"Group\"" ZRV_SQL_INT ", LastUsePC" ZRV_SQL_INT
                   ", Active" ZRV_SQL_INT ", ActivationDate" ZRV_SQL_DATE ", Cost" ZRV_SQL_INT
                   ", CreationDate" ZRV_SQL_DATE ", Credit" ZRV_SQL_INT ", DaysAllowed" ZRV_SQL_INT
                   ", DeletedFlag" ZRV_SQL_INT ", LastUseDate" ZRV_SQL_DATE ", LastUseTime" ZRV_SQL_INT
                   ", PrintFlag" ZRV_SQL_INT ", UsedFlag" ZRV_SQL_INT ", HourFormulaName" ZRV_SQL_INT ")"),
    QStringLiteral("CREATE INDEX idxTicketsCode ON tblTickets (Code)"),
    QStringLiteral("CREATE TABLE tblGroups (Group_ID" ZRV_SQL_KEY ", GroupName" ZRV_SQL_TEXT
                   ", GroupDescription" ZRV_SQL_TEXT ", AutoCredit" ZRV_SQL_INT
                   ", IncrementalCredit" ZRV_SQL_INT ", Authorisations1" ZRV_SQL_INT ")"),
    QStringLiteral("CREATE TABLE tblMachines (Machine_ID" ZRV_SQL_KEY ", MachineName" ZRV_SQL_TEXT
                   ", Cpu" ZRV_SQL_TEXT ", Ram" ZRV_SQL_INT ", Geography" ZRV_SQL_TEXT ", Os" ZRV_SQL_TEXT
                   ")"),
    QStringLiteral("CREATE TABLE tblApplications (Application_ID" ZRV_SQL_KEY ", ApplicationName" ZRV_SQL_TEXT
                   ", CommandLine" ZRV_SQL_TEXT ")"),
    QStringLiteral("CREATE TABLE tblGames (Game_ID" ZRV_SQL_KEY ", GameName" ZRV_SQL_TEXT
                   ", CommandLine" ZRV_SQL_TEXT ", Description" ZRV_SQL_TEXT ")"),
    QStringLiteral("CREATE TABLE tblAuthorisations (Authorisation_ID" ZRV_SQL_KEY
                   ", AuthorisationName" ZRV_SQL_TEXT ", Description" ZRV_SQL_TEXT ")"),
    QStringLiteral("CREATE TABLE tblSecretQuestions (SecretQuestion_ID" ZRV_SQL_KEY ", Question" ZRV_SQL_TEXT
                   ", FromWorkstation" ZRV_SQL_INT ")"),
    QStringLiteral("CREATE TABLE tblHourFormulas (HourFormula_id" ZRV_SQL_KEY ", Intitule" ZRV_SQL_TEXT
                   ", StartDay INTEGER DEFAULT 1 CHECK (StartDay BETWEEN 1 AND 7)"
                   ", StartHour INTEGER DEFAULT 0 CHECK (StartHour BETWEEN 0 AND 23)"
                   ", EndDay INTEGER DEFAULT 7 CHECK (EndDay BETWEEN 1 AND 7)"
                   ", EndHour INTEGER DEFAULT 23 CHECK (EndHour BETWEEN 0 AND 23))"),
    QStringLiteral("CREATE TABLE tblProducts (Product_id" ZRV_SQL_KEY ", Name" ZRV_SQL_TEXT
                   ", QuantityPerUnit" ZRV_SQL_INT ", UnitCost" ZRV_SQL_INT ")"),
    QStringLiteral("CREATE TABLE \"tblGroups+Applications\" (Group_ID" ZRV_SQL_INT
                   ", Application_ID" ZRV_SQL_INT ")"),
    QStringLiteral("CREATE INDEX idxGroupsApplications ON \"tblGroups+Applications\" (Group_ID)"),
    QStringLiteral("CREATE TABLE \"tblGroups+Games\" (Group_ID" ZRV_SQL_INT ", Game_ID" ZRV_SQL_INT ")"),
    QStringLiteral("CREATE INDEX idxGroupsGames ON \"tblGroups+Games\" (Group_ID)"),
    QStringLiteral("CREATE TABLE \"tblGroups+Authorisations\" (Group_ID" ZRV_SQL_INT
                   ", Authorisation_ID" ZRV_SQL_INT ", Value" ZRV_SQL_INT ", ValueEx" ZRV_SQL_TEXT ")"),
    QStringLiteral("CREATE INDEX idxGroupsAuthorisations ON \"tblGroups+Authorisations\" (Group_ID)"),
    QStringLiteral("CREATE TABLE \"tblMachines+Applications\" (Machine_ID" ZRV_SQL_INT
                   ", Application_ID" ZRV_SQL_INT ")"),
    QStringLiteral("CREATE INDEX idxMachinesApplications ON \"tblMachines+Applications\" (Machine_ID)"),
    QStringLiteral("CREATE TABLE \"tblMachines+Games\" (Machine_ID" ZRV_SQL_INT ", Game_ID" ZRV_SQL_INT ")"),
    QStringLiteral("CREATE INDEX idxMachinesGames ON \"tblMachines+Games\" (Machine_ID)"),
    // The till.
    QStringLiteral("CREATE TABLE tblOperations (Operation_id" ZRV_SQL_KEY ", DateOperation" ZRV_SQL_DATE
                   ", CodeRubrique" ZRV_SQL_TEXT ", Intitule" ZRV_SQL_TEXT ", CodeBudget" ZRV_SQL_INT
                   ", Recette" ZRV_SQL_INT ", Solde" ZRV_SQL_INT ", Employe" ZRV_SQL_INT ")"),
    QStringLiteral("CREATE INDEX idxOperationsEmploye ON tblOperations (Employe, DateOperation)"),
    QStringLiteral("CREATE TABLE tblBonus (Bonus_id" ZRV_SQL_KEY ", DateBonus" ZRV_SQL_DATE
                   ", ValeurCredit" ZRV_SQL_INT ", Beneficiaire" ZRV_SQL_TEXT ", TypeCompte" ZRV_SQL_INT
                   ", Employe" ZRV_SQL_INT ")"),
    QStringLiteral("CREATE TABLE tblCaisses (Caisse_id" ZRV_SQL_KEY ", Caissier_id" ZRV_SQL_INT
                   ", DateDebut" ZRV_SQL_DATE ", DateFin" ZRV_SQL_DATE ")"),
    QStringLiteral("CREATE TABLE tblBudgets (Budget_id" ZRV_SQL_KEY ")"),
    c_CreateSessions,
    // Every ticket with the window of its hour formula (empty when the formula is gone).
    QStringLiteral("CREATE VIEW rqtTickets AS SELECT t.*, h.Intitule, h.StartDay, h.StartHour, h.EndDay, "
                   "h.EndHour FROM tblTickets t LEFT JOIN tblHourFormulas h ON h.HourFormula_id = "
                   "t.HourFormulaName"),
    // Sold tickets, not deleted, whose activation day plus their days of validity lies before today.
    QStringLiteral("CREATE VIEW rqtGetExpiredTickets AS SELECT Ticket_ID, Code, Credit, DeletedFlag, "
                   "ActivationDate, DaysAllowed FROM tblTickets WHERE Active <> 0 AND DeletedFlag = 0 AND "
                   "ActivationDate <> 0 AND CAST(ActivationDate AS INTEGER) + DaysAllowed < " ZRV_SQL_TODAY),
    QStringLiteral("CREATE TRIGGER rqtGetExpiredTicketsUpdate INSTEAD OF UPDATE ON rqtGetExpiredTickets "
                   "BEGIN UPDATE tblTickets SET Credit = NEW.Credit, DeletedFlag = NEW.DeletedFlag "
                   "WHERE Ticket_ID = OLD.Ticket_ID; END"),
};

// What a file of the first schema version lacks, in order.
inline const QStringList c_SchemaUpgrade2 = {
    QStringLiteral("ALTER TABLE tblSecretQuestions ADD COLUMN FromWorkstation" ZRV_SQL_INT),
    c_CreateSessions,
};
inline constexpr int c_SchemaVersion = 2;

#undef ZRV_SQL_TODAY
#undef ZRV_SQL_TEXT
#undef ZRV_SQL_INT
#undef ZRV_SQL_DATE
#undef ZRV_SQL_KEY

// ----- sessions and reloads; credits stay within 0 ... 2147483647 seconds

// A session's use written back to its account: the credit changes by the bound number of seconds
// (negative for time used) and the other columns follow the session; whatever else the row holds
// stays as stored (bound: the change; the seconds used since the last write; the session's start;
// its length so far; the workstation's key, 0 keeping the stored one; the account's key).
inline const QString c_WriteAccountUse =
    QStringLiteral("UPDATE tblAccounts SET Credit = min(max(Credit + ?, 0), 2147483647), "
                   "CreditTotal = min(CreditTotal + ?, 2147483647), LastUseDate = ?, LastUseTime = ?, "
                   "LastUsePC = coalesce(nullif(?, 0), LastUsePC) WHERE Account_ID = ?");
// The same for a ticket (bound: the change; the session's start; its length so far; the
// workstation's key, 0 keeping the stored one; the ticket's key).
inline const QString c_WriteTicketUse = QStringLiteral(
    "UPDATE tblTickets SET Credit = min(max(Credit + ?, 0), 2147483647), UsedFlag = 1, LastUseDate = ?, "
    "LastUseTime = ?, LastUsePC = coalesce(nullif(?, 0), LastUsePC) WHERE Ticket_ID = ?");
// Spends a reload code: no credit left, used, and valid from now when its validity never started
// (bound: now; the code's key; the credit it held when read). Changes no row when the code was
// spent or its credit changed meanwhile, so that two takers cannot both have it.
inline const QString c_SpendReloadCode = QStringLiteral(
    "UPDATE tblTickets SET Credit = 0, UsedFlag = 1, ActivationDate = CASE WHEN ActivationDate = 0 "
    "THEN ? ELSE ActivationDate END WHERE Ticket_ID = ? AND UsedFlag = 0 AND Credit = ?");
// A reload given to an account, which it activates, to a ticket, and to the session's row (bound:
// the seconds; the key).
inline const QString c_GrantAccountCredit = QStringLiteral(
    "UPDATE tblAccounts SET Credit = min(Credit + ?, 2147483647), Active = 1 WHERE Account_ID = ?");
inline const QString c_GrantTicketCredit =
    QStringLiteral("UPDATE tblTickets SET Credit = min(Credit + ?, 2147483647) WHERE Ticket_ID = ?");
inline const QString c_GrantSessionCredit =
    QStringLiteral("UPDATE tblSessions SET Credit = min(Credit + ?, 2147483647) WHERE Token = ?");
// The secret questions offered to workstations: the cafe's own first, then those customers wrote,
// each in the order they were added (bound: how many at most).
inline const QString c_SecretQuestionList = QStringLiteral(
    "SELECT Question FROM tblSecretQuestions ORDER BY FromWorkstation, SecretQuestion_ID LIMIT ?");

inline const QString c_InsertDefaultBudget = QStringLiteral("INSERT INTO tblBudgets DEFAULT VALUES");
// Whether the file holds this system's schema.
inline const QString c_HasDatabaseInfo =
    QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'tblDatabaseInfo'");

// ----- the server's automatic jobs

// The groups in table order with what the daily credit needs.
inline const QString c_GroupsAutoCredit =
    QStringLiteral("SELECT Group_ID, AutoCredit, Authorisations1 FROM tblGroups ORDER BY Group_ID");
// Sets the credit of a group's accounts (bound: the credit, the group's key).
inline const QString c_SetGroupCredit =
    QStringLiteral("UPDATE tblAccounts SET Credit = ? WHERE \"Group\" = ?");
// The bonus to every account not marked deleted, which then starts counting its used time again
// (bound: seconds added; percent of the used time given back, in whole seconds). Credits stay
// within what the records carry, 0 ... 2147483647 seconds, whatever a bonus adds.
inline const QString c_BonusMinutes =
    QStringLiteral("UPDATE tblAccounts SET Credit = min(max(Credit + ?, 0), "
                   "2147483647), CreditTotal = 0 WHERE DeletedFlag = 0");
inline const QString c_BonusPercent =
    QStringLiteral("UPDATE tblAccounts SET Credit = min(max(Credit + CreditTotal * ? / 100, 0), 2147483647), "
                   "CreditTotal = 0 WHERE DeletedFlag = 0");
// Removes the accounts marked as deleted and those of limited validity whose last use (creation
// when never used) plus their days of validity lies before today (bound: today's date).
inline const QString c_DeleteExpiredAccounts = QStringLiteral(
    "DELETE FROM tblAccounts WHERE DeletedFlag <> 0 OR (DaysAllowed <> -1 AND (CASE WHEN LastUseDate IS NULL "
    "OR LastUseDate = 0 THEN CreationDate ELSE LastUseDate END) + DaysAllowed < ?)");
// Removes the tickets marked as deleted and the sold ones whose sale plus their days of validity
// lies before today (bound: today's date).
inline const QString c_DeleteExpiredTickets = QStringLiteral(
    "DELETE FROM tblTickets WHERE DeletedFlag <> 0 OR (Active <> 0 AND ActivationDate + DaysAllowed < ?)");
// Marks as deleted the tickets of rqtGetExpiredTickets holding less credit than the bound number
// of seconds (bound: the seconds, then today's date). The rule of the view, with the kernel's own
// today in place of the engine's clock.
inline const QString c_MarkEmptyExpiredTickets = QStringLiteral(
    "UPDATE tblTickets SET DeletedFlag = 1 WHERE Credit < ? AND Active <> 0 AND DeletedFlag = 0 AND "
    "ActivationDate <> 0 AND CAST(ActivationDate AS INTEGER) + DaysAllowed < ?");

// ----- the till

// The cashier's most recent till still open (bound: the cashier's key); NULL when none.
inline const QString c_LastOpenTill =
    QStringLiteral("SELECT max(Caisse_id) AS TillId FROM tblCaisses WHERE Caissier_id = ? AND DateFin = 0");
inline const QString c_CurrentBudget =
    QStringLiteral("SELECT max(Budget_id) AS CurrentBudgetId FROM tblBudgets");
// The money the cashier took since a moment (bound: the moment, the cashier's key); NULL when none.
inline const QString c_CashierBalance = QStringLiteral(
    "SELECT sum(Solde) AS Balance FROM tblOperations WHERE DateOperation >= ? AND Employe = ?");
// The cashier's operations since a moment, in the order they were written (bound: cashier, moment).
inline const QString c_CashierOperations = QStringLiteral(
    "SELECT * FROM tblOperations WHERE Employe = ? AND DateOperation >= ? ORDER BY Operation_id");
// Removes the operations with that title written within one second of a moment (bound: the title,
// the moment). Both date-times count in whole seconds, so the difference is the number of second
// boundaries between them.
inline const QString c_DeleteRefillRecord = QStringLiteral(
    "DELETE FROM tblOperations WHERE Intitule = ? AND CAST(round(? * 86400000) AS INTEGER) / 1000 "
    "- CAST(round(DateOperation * 86400000) AS INTEGER) / 1000 BETWEEN -1 AND 1");

} // namespace ZRVSql
