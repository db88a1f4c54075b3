#pragma once
// The café's database: one SQLite file, or one PostgreSQL database named by its address
// (postgresql://user@host:port/dbname, the password coming from PostgreSQL's password file or the
// environment), holding accounts, tickets, groups, machines, applications,
// games, authorisations, secret questions, hour formulas, products and the till. The database
// object opens (creating the schema for a new file), closes, compacts and backs up the file, and
// moves records in and out of it. The tickets generator proposes batches of fresh ticket codes.

#include "ZRVCommon.h"
#include "ZRVDataBaseSql.h"
#include "ZRVDataBaseStatements.h"

#include <QObject>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class TZRVUserAccount;
class TZRVUserTicket;
class TZRVGroup;
class TZRVMachine;

// A session the server holds open for a workstation (a row of tblSessions): what it knew of the
// session when it last wrote its use back to the account or ticket paying for it.
struct TZRVSessionRow {
    // Random and unguessable; the workstation proves with it that the session is its own.
    QString Token;
    TZRVSessionType SessionType = stNone;
    // The AccountID or TicketID of the record paying for the session.
    uint32_t RecordID = 0;
    // The credit counts the time used up (post-paid) rather than down.
    bool Incremental = false;
    // The session's credit, in seconds, when last written.
    uint32_t Credit = 0;
    // The seconds of use written so far.
    uint32_t Used = 0;
    // The seconds the workstation's reports may still lag behind the server's own count.
    uint32_t Slack = 0;
    // When the session first started; 0 before.
    TDateTime StartDate = 0;
};

// A server among those sharing one database, as its claims name it.
struct TZRVServerIdentity {
    static constexpr int c_DefaultSilence = 300;
    // Unique among the servers; the same after a restart, so that the server keeps its claims.
    QString Name;
    // The seconds after which a claim no server renewed may be taken over.
    int Silence = c_DefaultSilence;
};

// A job's run among the servers sharing one database.
struct TZRVJobRun {
    // This server took the run: the job's writes are its own to make.
    bool Won = false;
    // The day (a whole day count) of the job's last run by any server.
    qint64 LastRun = 0;
};

// Statements that remove for good the accounts and tickets marked as deleted.
extern const QString c_SqlDeleteTickets;
extern const QString c_SqlDeleteAccounts;

class TZRVCustomDataBase : public QObject {
public:
    explicit TZRVCustomDataBase(QObject* aOwner = nullptr);
    ~TZRVCustomDataBase() override;

    const QString& BackupPath() const { return fDBBackupPath; }
    const QString& DBName() const { return fDBName; }
    const QString& Password() const { return fPassword; }
    // The name of the connection in use: the object's own, or another object's it shares.
    const QString& ADOConnection() const { return fADOCOnnection; }
    // How long a statement waits for a lock held by another process (applies at the next Open).
    int BusyTimeout() const { return fBusyTimeout; }
    // The engine DBName designates, and the statements of the connection in use.
    ZRVSql::TEngine Engine() const { return ZRVSql::EngineOf(fDBName); }
    const ZRVSql::TDialect& Sql() const;
    // Why the last Save failed; empty after one that succeeded.
    const QString& LastSaveError() const { return fLastSaveError; }

    void SetDBBackupPath(const QString& aValue) { fDBBackupPath = aValue; }
    void SetDBName(const QString& aValue) { fDBName = aValue; }
    void SetPassword(const QString& aValue) { fPassword = aValue; }
    // Uses the named connection of another database object; the empty name returns to the
    // object's own connection. A shared connection is never closed by the borrower's destruction.
    void SetADOConnection(const QString& aConnectionName);
    void SetBusyTimeout(int aMilliseconds) { fBusyTimeout = aMilliseconds; }

    // Opens DBName (closing it first when open). A missing or empty file (a PostgreSQL database
    // without tables) is created with the whole schema and the rows the system presumes, and
    // remembers Password; an existing one is opened as it is and must hold the same password.
    // Raises EZRVError when the file is not a database, is locked by another process, the address
    // is malformed or carries a password, the server refuses, or the password is wrong; nothing is
    // written then.
    bool Open();
    bool Close();
    bool GetOpenned() const;
    // Runs one statement; the number of rows it changed (through the views' triggers included),
    // 0 when closed or empty. A failing statement raises EZRVError.
    int ExecuteSQLAction(const QString& aSql);
    // The same with aValues bound, in order, to the statement's "?" marks.
    int ExecuteSQLAction(const QString& aSql, const QVariantList& aValues);
    // Runs one statement with aValues bound and gives its rows (and the key an insert assigned).
    // Raises EZRVError when the database is closed or the statement fails.
    QSqlQuery OpenQuery(const QString& aSql, const QVariantList& aValues = {}) const;
    // Inserts one row with aValues bound to aColumns, in order; the key the database gave it (0 for
    // a table without one). Raises EZRVError when the database is closed or refuses.
    qint64 InsertInto(const QString& aTable, const QStringList& aColumns, const QVariantList& aValues);
    // Runs aWork inside a savepoint: all of its writes or none. What aWork raises (the database's
    // own reason included) travels on to the caller once the writes are undone.
    template <class F> auto RunAtomically(F&& aWork);
    // Removes the rows marked as deleted (when open), closes, and writes a compacted copy to the
    // file named like the database with "COMPACTED" after its base name. On PostgreSQL, which
    // needs no copy, it removes those rows and runs the server's own maintenance (VACUUM) instead.
    // Raises on failure.
    bool Compact();
    // Writes a consistent copy to aDirectory/dd-mm-yyyy-hh-nn-ss.bak (on PostgreSQL a pg_dump
    // archive, for pg_restore); the database stays as open or closed as it was. False, with the
    // reason in LastSaveError, when the directory is empty, the file is missing or the copy fails.
    bool Save(const QString& aDirectory);
    // dir/baseCOMPACTED.ext for dir/base.ext.
    static QString CompactedFileName(const QString& aDBName);
    // aDirectory/dd-mm-yyyy-hh-nn-ss.bak, without doubling a trailing separator.
    static QString BackupFileName(const QString& aDirectory, const QDateTime& aWhen);
    // Restoring a backup is the host's business.
    bool Restore(TDateTime aFrom, TDateTime aTo, const QString& aFileName);
    void Assign(const TZRVCustomDataBase& Source);
    // The connection in use, for units that run statements of their own (the till).
    QSqlDatabase Connection() const;
    // The keys of a table's rows in key order; none when closed.
    std::vector<uint32_t> Keys(const ZRVSql::Table& aTable);

    // ----- existence checks by name: the key of exactly one row, or 0
    int AccountExists(const QString& aName);
    int TicketExists(const QString& aCode);
    int GroupExists(const QString& aName);
    int ApplicationExists(const QString& aName, const QString& aCommandLine);
    int GameExists(const QString& aName, const QString& aCommandLine);
    int AuthorisationExists(const QString& aName);
    int SecretQuestionExists(const QString& aQuestion);
    // The lowest key of the rows with that name, or 0.
    int MachineExists(const QString& aName);
    // The first row's key, or 0.
    int HourFormulaExists(const QString& aName);
    int ProductExists(const QString& aName);

    // ----- existence checks by key and of links
    bool AccountExists(uint32_t aID);
    bool TicketExists(uint32_t aID);
    bool GroupExists(uint32_t aID);
    bool ApplicationExists(uint32_t aID);
    bool GameExists(uint32_t aID);
    bool AuthorisationExists(uint32_t aID);
    bool MachineExists(uint32_t aID);
    bool SecretQuestionExists(uint32_t aID);
    bool GroupApplicationExists(uint32_t aGroupID, uint32_t aApplicationID);
    bool GroupGameExists(uint32_t aGroupID, uint32_t aGameID);
    bool GroupAuthorisationExists(uint32_t aGroupID, uint32_t aAuthorisationID);
    bool MachineApplicationExists(uint32_t aMachineID, uint32_t aApplicationID);
    bool MachineGameExists(uint32_t aMachineID, uint32_t aGameID);

    // ----- reads: a new record the caller owns, or nothing
    std::unique_ptr<TZRVUserTicket> ReadTicket(uint32_t aID);
    std::unique_ptr<TZRVUserAccount> ReadAccount(uint32_t aID);
    std::unique_ptr<TZRVGroup> ReadGroup(uint32_t aID);
    std::unique_ptr<TZRVMachine> ReadMachine(uint32_t aID);
    std::unique_ptr<TZRVApplication> ReadApplication(uint32_t aID);
    std::unique_ptr<TZRVGame> ReadGame(uint32_t aID);
    std::unique_ptr<TZRVAuthorisation> ReadAuthorisation(uint32_t aID);
    std::unique_ptr<TZRVSecretQuestion> ReadSecretQuestion(uint32_t aID);
    std::unique_ptr<TZRVGroupAuthorisation> ReadGroupAuthorisation(uint32_t aAuthorisationID,
                                                                   uint32_t aGroupID);
    // The same into a variable; whether a record was read.
    bool ReadTicket(uint32_t aID, std::unique_ptr<TZRVUserTicket>& Ticket);
    bool ReadAccount(uint32_t aID, std::unique_ptr<TZRVUserAccount>& Account);
    bool ReadGroup(uint32_t aID, std::unique_ptr<TZRVGroup>& Group);
    bool ReadMachine(uint32_t aID, std::unique_ptr<TZRVMachine>& Machine);
    bool ReadApplication(uint32_t aID, std::unique_ptr<TZRVApplication>& Application);
    bool ReadGame(uint32_t aID, std::unique_ptr<TZRVGame>& Game);
    bool ReadAuthorisation(uint32_t aID, std::unique_ptr<TZRVAuthorisation>& Authorisation);
    bool ReadSecretQuestion(uint32_t aID, std::unique_ptr<TZRVSecretQuestion>& Question);
    // Hour formulas travel packed (days and hours in one integer); products as plain values.
    bool ReadHourFormula(const QString& aName, int& aID, int& aPacked);
    bool ReadHourFormula(int aID, QString& aName, int& aPacked);
    bool ReadProduct(int aID, QString& aName, int& aQuantityPerUnit, int& aUnitCost);
    bool ReadProduct(const QString& aName, int& aID, int& aQuantityPerUnit, int& aUnitCost);

    // ----- inserts: false (or 0) when refused
    bool AddAccount(TZRVUserAccount* Account);
    // The record's TicketID stays 0; aFlag has no effect.
    bool AddTicket(TZRVUserTicket* Ticket, uint32_t aOwnerID, bool aFlag);
    // The variable is replaced by the group (machine) read back with its links.
    bool AddGroup(std::unique_ptr<TZRVGroup>& Group);
    bool AddMachine(std::unique_ptr<TZRVMachine>& Machine);
    bool AddApplication(TZRVApplication* Application);
    bool AddGame(TZRVGame* Game);
    bool AddAuthorisation(TZRVAuthorisation* Authorisation);
    bool AddSecretQuestion(TZRVSecretQuestion* Question);
    bool AddGroupAuthorisation(TZRVGroupAuthorisation* GroupAuthorisation);
    bool AddGroupApplication(uint32_t aGroupID, uint32_t aApplicationID);
    bool AddGroupGame(uint32_t aGroupID, uint32_t aGameID);
    bool AddMachineApplication(uint32_t aMachineID, uint32_t aApplicationID);
    bool AddMachineGame(uint32_t aMachineID, uint32_t aGameID);
    // The new key, or 0.
    int AddHourFormula(const QString& aName, int aStartDay, int aStartHour, int aEndDay, int aEndHour);
    int AddProduct(const QString& aName, int aQuantityPerUnit, int aUnitCost);

    // ----- updates by key: false when refused or when no row changed
    bool UpdateAccount(TZRVUserAccount* Account);
    bool UpdateTicket(TZRVUserTicket* Ticket);
    // Rewrites the row and replaces all its application and game links, in one transaction.
    bool UpdateGroup(TZRVGroup* Group);
    bool UpdateMachine(TZRVMachine* Machine);
    bool UpdateApplication(TZRVApplication* Application);
    bool UpdateGame(TZRVGame* Game);
    bool UpdateGroupAuthorisation(TZRVGroupAuthorisation* GroupAuthorisation);
    bool UpdateHourFormula(const QString& aName, int aStartDay, int aStartHour, int aEndDay, int aEndHour);
    bool UpdateProduct(const QString& aName, int aQuantityPerUnit, int aUnitCost);

    // ----- the sessions the server holds open, and reload codes
    // Raises EZRVError when the database refuses.
    void AddSession(const TZRVSessionRow& aRow);
    std::optional<TZRVSessionRow> ReadSession(const QString& aToken);
    // Removes the session's row and its claim.
    bool DeleteSession(const QString& aToken);
    // Writes a session's use since its last write, all or nothing: the paying record's credit
    // changes by aChange seconds (negative for time used; it stays within 0 ... 2147483647), its
    // use columns follow (aUsed seconds more of use; the workstation aMachineID when not 0) and
    // the session's row becomes aRow. A session that never started changes only the workstation.
    void WriteSessionUse(const TZRVSessionRow& aRow, qint64 aChange, uint32_t aUsed, uint32_t aMachineID);
    // Spends the reload code aTicketID, read holding aCredit, and gives the credit to the session
    // aPayer, all or nothing; false (and nothing changed) when the code was spent meanwhile.
    bool SpendReloadCode(uint32_t aTicketID, uint32_t aCredit, const TZRVSessionRow& aPayer);

    // ----- servers sharing one database
    // Claims the session's account or ticket for aServer (taking over its own claims of other
    // sessions) and adds the session's row, all or nothing: false, and nothing written, when a
    // session of another server holds the claim. Raises EZRVError when the database refuses.
    bool OpenSession(const TZRVSessionRow& aRow, const TZRVServerIdentity& aServer);
    // Claims the session's account or ticket in one statement: taken when free, already the
    // session's, held by another session of aServer when aTakeOwn, or not renewed for longer than
    // aServer's silence. Whether taken.
    bool ClaimRecord(const TZRVSessionRow& aRow, const TZRVServerIdentity& aServer, bool aTakeOwn);
    // Renews the claims of aServer's sessions of those tokens, which run; the number renewed.
    int RenewClaims(const QString& aServer, const QStringList& aTokens);
    // Takes aJob's run for the day aDay when no server ran it after aLastKnown, the last run the
    // caller knows, in one statement. Run inside the job's own transaction (RunAtomically), so
    // that a job whose writes fail leaves its day to be taken again.
    TZRVJobRun ClaimJob(const QString& aJob, qint64 aLastKnown, qint64 aDay);
    // Adds a secret question a customer wrote on a workstation; as AddSecretQuestion otherwise.
    bool AddCustomerSecretQuestion(TZRVSecretQuestion* Question);
    // At most aMaxCount secret questions: the cafe's own first, then those customers wrote.
    QStringList SecretQuestionList(int aMaxCount);

    // ----- deletions: true when a row was deleted (or marked, for soft deletions)
    bool DeleteAccount(uint32_t aID, bool aSoft);
    bool DeleteTicket(uint32_t aID, bool aSoft);
    // Clears the record after a successful deletion when aClear is true.
    bool DeleteAccount(TZRVUserAccount* Account, bool aClear, bool aSoft);
    bool DeleteTicket(TZRVUserTicket* Ticket, bool aClear, bool aSoft);
    // The group's link rows stay.
    bool DeleteGroup(uint32_t aID);
    bool DeleteGroupApplication(uint32_t aGroupID, uint32_t aApplicationID);
    bool DeleteGroupAuthorisation(uint32_t aGroupID, uint32_t aAuthorisationID);
    bool DeleteGroupGame(uint32_t aGroupID, uint32_t aGameID);
    bool DeleteMachineApplication(uint32_t aMachineID, uint32_t aApplicationID);
    bool DeleteMachineGame(uint32_t aMachineID, uint32_t aGameID);
    bool DeleteHourFormula(int aID);
    bool DeleteHourFormula(const QString& aName);
    bool DeleteProduct(int aID);
    bool DeleteProduct(const QString& aName);

private:
    using TValues = QVariantList;
    using TColumns = std::vector<std::pair<QString, QVariant>>;

    // Runs one statement with its values bound; raises EZRVError when it fails.
    QSqlQuery Run(const QString& aSql, const TValues& aValues) const;
    // The same with the statement kept prepared on the object's own connection, read column by column.
    TZRVStatementRun RunPrepared(const QString& aSql, const TValues& aValues) const;
    // The key of the one row a selection yields; 0 for none or several.
    int SingleKey(const QString& aSql, const TValues& aValues);
    int FirstKey(const QString& aSql, const TValues& aValues);
    bool AnyRow(const QString& aSql, const TValues& aValues);
    int KeyByColumns(const ZRVSql::Table& aTable, const TColumns& aWhere);
    bool KeyExists(const ZRVSql::Table& aTable, uint32_t aID);
    // Inserts one row and returns its new key.
    int InsertRow(const QString& aTable, const TColumns& aColumns);
    // The number of rows changed.
    int UpdateRows(const QString& aTable, const TColumns& aColumns, const TColumns& aWhere);
    bool DeleteRows(const QString& aTable, const TColumns& aWhere);
    // Inserts a link (with aValues) between two existing rows that are not linked yet.
    bool AddLink(const QString& aLinkTable, const ZRVSql::Table& aLeft, uint32_t aLeftID,
                 const ZRVSql::Table& aRight, uint32_t aRightID, const TColumns& aValues = {});
    bool LinkExists(const QString& aLinkTable, const ZRVSql::Table& aLeft, uint32_t aLeftID,
                    const ZRVSql::Table& aRight, uint32_t aRightID);
    bool DeleteLink(const QString& aLinkTable, const ZRVSql::Table& aLeft, uint32_t aLeftID,
                    const ZRVSql::Table& aRight, uint32_t aRightID);
    // The row of aTable with key aID filled into a new record by aFill, or nothing.
    template <class T, class Fill>
    std::unique_ptr<T> ReadByKey(const ZRVSql::Table& aTable, uint32_t aID, Fill&& aFill);
    template <class T, class L>
    void ReadLinked(const QString& aLinkTable, const ZRVSql::Table& aOwner, uint32_t aOwnerID,
                    const ZRVSql::Table& aItem, std::unique_ptr<T> (TZRVCustomDataBase::*aRead)(uint32_t),
                    L* aList);
    // Replaces the application and game links of a group or machine by those of its lists.
    void WriteLinks(const QString& aApplicationLinks, const QString& aGameLinks, const ZRVSql::Table& aOwner,
                    uint32_t aOwnerID, const TZRVApplications* aApplications, const TZRVGames* aGames);
    // Links the owner to each row of aItems among aIDs, once however often it is named; IDs of rows
    // that do not exist get no link.
    void InsertLinks(const QString& aLinkTable, const ZRVSql::Table& aOwner, uint32_t aOwnerID,
                     const ZRVSql::Table& aItems, std::vector<uint32_t> aIDs);

    void OpenChecked(QSqlDatabase& aDb, bool aIsNew) const;
    void CreateSchema(QSqlDatabase& aDb) const;
    void CheckExisting(QSqlDatabase& aDb) const;
    // SQLite: the write-ahead log, flushed at checkpoints (see ZRVSql::c_WriteAheadLog).
    void UseWriteAheadLog(QSqlDatabase& aDb) const;
    // Brings a file of an older schema version up to date.
    void UpgradeSchema(QSqlDatabase& aDb) const;
    bool InsertSecretQuestion(TZRVSecretQuestion* Question, bool aFromWorkstation);
    // A consistent copy of the database file into aTarget; the database need not be open.
    void CopyInto(const QString& aTarget);
    // pg_dump's archive of the PostgreSQL database in aTarget.
    void DumpInto(const QString& aTarget) const;
    // Whether the object works on another's connection rather than its own.
    bool Borrowed() const;
    // Makes the object's own connection one of the driver aDriver.
    void UseDriver(const QString& aDriver);
    // Starts an all-or-nothing write: a savepoint, or a transaction where the engine allows no
    // savepoint outside one; whether it began a transaction. Ends it by keeping or undoing it.
    bool BeginAtomic();
    void EndAtomic(bool aTransaction, bool aKeep);

    // The key written for the account's group: by its name first, then by its own key; 0 for none.
    int AccountGroupKey(const TZRVUserAccount* Account);
    // The key of the account's secret question, inserting a new question; 0 when refused.
    int AccountSecretQuestionKey(TZRVUserAccount* Account);
    void AttachSubRecords(TZRVUserAccount* Account, uint32_t aGroupID, uint32_t aMachineID,
                          uint32_t aQuestionID);

    QString fDBBackupPath;
    QString fDBName;
    QString fPassword;
    QString fADOCOnnection;
    QString fOwnConnection;
    // The object's own connection, kept at hand: looking a connection up by its name takes a lock.
    QSqlDatabase fOwn;
    int fBusyTimeout = 1000;
    QString fLastSaveError;
    // The statements kept prepared on the object's own connection.
    mutable TZRVStatements fStatements;
};

template <class F> auto TZRVCustomDataBase::RunAtomically(F&& aWork) {
    const bool transaction = BeginAtomic();
    try {
        auto result = aWork();
        EndAtomic(transaction, true);
        return result;
    } catch (...) {
        try {
            EndAtomic(transaction, false);
        } catch (const EZRVError&) {
            // The first error is the one worth reporting.
        }
        throw;
    }
}

class TZRVDataBase : public TZRVCustomDataBase {
public:
    using TZRVCustomDataBase::TZRVCustomDataBase;
};

enum TZRVTicketCodeStyle { tcsNumericOnly, tcsAlphaNumericUpper, tcsAlphaNumericLower, tcsAlphaNumericBoth };

class TZRVTicketsGenerator : public QObject {
public:
    explicit TZRVTicketsGenerator(QObject* aOwner = nullptr);

    TZRVDataBase* DB() const { return fDb; }
    void SetDB(TZRVDataBase* aValue) { fDb = aValue; }
    const TZRVProgressEvent& OnProgress() const { return fOnProgress; }
    void SetOnProgress(TZRVProgressEvent aValue) { fOnProgress = std::move(aValue); }
    // The codes of the last batch.
    const TStringList& Codes() const { return fCodes; }
    // The database's reason when it ended the last batch; empty otherwise.
    const QString& LastError() const { return fLastError; }

    // Fills the batch with aCount codes found neither in the batch nor in the database. Raises
    // "Invalid tickets number", "Database object not assigned" or "Database not openned" before it
    // starts; false when a database error ends the batch (its reason in LastError) or no fresh
    // code can be found any more (LastError empty).
    bool Generate(int aCount, int aLength, TZRVTicketCodeStyle aStyle);
    bool Generate(int aCount, int aLength, bool aNumericOnly);
    static QString RandomCode(int aLength, TZRVTicketCodeStyle aStyle);
    static QString RandomCode(int aLength, bool aNumericOnly);
    // No code of the batch equals aCode without regard to case.
    bool Unique(const QString& aCode) const;
    void Clear();

    // Consecutive draws rejected before a batch gives up (the alphabet cannot hold enough codes).
    static constexpr int c_MaxRejectedDraws = 1000;

protected:
    virtual void DoProgress(uint32_t aPercent);

private:
    TZRVProgressEvent fOnProgress;
    TStringList fCodes;
    QSet<QString> fFolded; // the batch's codes in lower case
    QString fLastError;
    TZRVDataBase* fDb = nullptr;
};
