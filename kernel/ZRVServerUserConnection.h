#pragma once
// The server's side of the customer logged in at one workstation: it answers the workstation's
// user-level requests (account and ticket logins, credit reloads, account creation and update,
// password recovery) and keeps the server's copy of the running session. A request's database
// work runs on the database worker, one request of a workstation after the other, and only for the
// workstation that asked; its answer goes when the work is done. Guesses wait as the listener's
// throttle says.
//
// The server trusts nothing a workstation says about credit: it counts the session's time itself,
// accepts a reported credit only as far as that count allows, and writes back only the time used
// since its previous write. A login hands the workstation a session token, which alone lets a
// workstation carry a session on after the link (or the server) went away.

#include "ZRVCommon.h"
#include "ZRVDataBase.h"
#include "ZRVDataBaseWorker.h"

#include <QPointer>

#include <deque>
#include <optional>

class TZRVErrorLogger;
class TZRVMachine;
class TZRVServerClientConnection;
class TZRVUserAccount;
class TZRVUserSession;
class TZRVWriteBackJournal;
class TZRVUserTicket;

// The server's own account of a session it holds: the session's credit as last written, the credit
// accepted from the workstation's reports since, and the time the server counted itself while the
// session ran (on the kernel's clock). A report is accepted only as far as that count allows: the
// workstation may lag behind it by a few seconds of tolerance, which time reported beyond the
// count wins back, never past the tolerance itself.
class TZRVSessionCount {
public:
    // Holds aRow as written; the accepted credit is its credit, nothing counted yet.
    void Hold(const TZRVSessionRow& aRow);
    void Release() { *this = TZRVSessionCount(); }
    bool Held() const { return !fRow.Token.isEmpty(); }
    const QString& Token() const { return fRow.Token; }
    const TZRVSessionRow& Row() const { return fRow; }
    uint32_t Credit() const { return fCredit; }
    bool Running() const { return fRunningSince >= 0; }
    // The workstation's session started: the server counts from now.
    void Start();
    // It stopped: what was counted waits for the next report.
    void Stop();
    // Takes the workstation's report of its credit (none: the server's count alone) and returns
    // the credit accepted.
    uint32_t Report(std::optional<uint32_t> aReported, uint32_t aTolerance);
    // Takes a report kept while the server could not count: it may only make the credit worse for
    // the customer.
    uint32_t ReportUncounted(uint32_t aReported);
    // A reload of aSeconds, already written to the database.
    void Grant(uint32_t aSeconds);
    // The row to write now, with the change of credit and the seconds used since the last write.
    TZRVSessionRow Pending(qint64& aChange, uint32_t& aUsed) const;
    // aRow (from Pending) was written.
    void Written(const TZRVSessionRow& aRow);

private:
    void Count();

    TZRVSessionRow fRow; // as last written
    uint32_t fCredit = 0;
    uint32_t fSlack = 0;
    TDateTime fStartDate = 0;
    qint64 fCountedMs = 0;
    qint64 fRunningSince = -1;
};

class TZRVServerUserConnection : public QObject {
    Q_OBJECT
public:
    explicit TZRVServerUserConnection(QObject* aOwner = nullptr);
    ~TZRVServerUserConnection() override;

    // A customer (account or ticket) is logged in on this slot.
    bool Connected() const { return fConnected; }
    // The server's copy of the workstation's session: type, account or ticket, credit. Its start
    // and stop are the slot's events.
    TZRVUserSession* Session() const { return fSession; }
    // Kept for the settings and the host: every report is written when it arrives whatever it says,
    // so that a server stopped by force (or a power cut) loses no session's use.
    bool AutoDBUpdateSession() const { return f_AutoDBUpdateSession; }
    void SetAutoDBUpdateSession(bool aValue) { f_AutoDBUpdateSession = aValue; }
    TZRVErrorLogger* ErrorLogger() const { return fErrorLogger; }
    void SetErrorLogger(TZRVErrorLogger* aValue);

    // The token of the session held for the workstation; empty when none.
    const QString& SessionToken() const { return fCount.Token(); }
    // The refusal of the last login request, empty when it succeeded.
    const QString& LoginRefusal() const { return fLoginRefusal; }

    // Handles one user-level message of the workstation (any reason the link level does not know).
    void ProcessMessage(QObject* Sender, const QString& aData);
    // The customer logged out: the session's use is written back and its token ends.
    void Close();
    // The link went (or the server stops): the session's use is written back and the slot lets the
    // customer go, but the token stays valid so that the workstation can carry the session on.
    void Suspend();
    // Runs aRun after the requests queued before it have been answered (and, for a guess, after
    // the throttle's wait); aRun calls what it is given once it has answered.
    void QueueRequest(bool aGuess, std::function<void(std::function<void()>)> aRun);

    void LogError(const QString& aMessage, const QString& aUnitName, const QString& aRoutineName,
                  const QString& aAction) const;

    ZRV_EVENT_PROPERTY(TNotifyEvent, Open)
    ZRV_EVENT_PROPERTY(TNotifyEvent, Close)

protected:
    virtual void DoOpen();
    virtual void DoClose();

private:
    friend class TZRVSvrTasks;

    TZRVServerClientConnection* Slot() const;
    // The listener's database worker when this object belongs to a slot of a listener, else nothing.
    TZRVDataBaseWorker* DataBase() const;
    TZRVWriteBackJournal* WriteBacks() const;
    uint32_t Tolerance() const;
    uint32_t MachineID() const;

    void SessionStarted();
    void SessionStopped(const TStringList& aMessage);
    void SessionUpdate(const TStringList& aMessage);
    void SessionReport(std::optional<uint32_t> aReported);
    // Sends the session's use since the last write to the database; aEndSession: its row goes.
    void WriteBack(bool aEndSession);
    // A reload of aSeconds was written to the session of aToken.
    void Granted(const QString& aToken, uint32_t aSeconds);
    void EndSession(bool aLogOut);
    // A session the workstation kept while the server could not be reached: accepted only with the
    // token of a session still open and for its own record, and only to lower the credit; when
    // the workstation carries on with it, it becomes this slot's session.
    // What the workstation tells of the session it kept, read as its message arrives.
    struct TRestoreRequest {
        QString Token;
        uint32_t ID = 0;
        uint32_t Reported = 0;
        // Whether it says if the customer carries on, and what it says.
        bool Told = false;
        bool Openned = false;
    };
    static TRestoreRequest ReadRestoreRequest(const TStringList& aMessage);
    template <class Kind>
    void RestoreSession(const TRestoreRequest& aRequest, std::function<void()> aFinished);
    template <class Kind>
    void Restore(const TRestoreRequest& aRequest, const std::optional<TZRVSessionRow>& aRow,
                 const std::shared_ptr<typename Kind::Record>& aRecord, bool aClaimedElsewhere);
    void RefuseRestore(const QString& aWhy) const;

    // Makes the record the session's payer, holding aRow, and marks the customer logged in. A
    // customer still logged in on the slot is logged out first.
    void LogIn(const TZRVUserAccount& aAccount, const TZRVSessionRow& aRow);
    void LogIn(const TZRVUserTicket& aTicket, const TZRVSessionRow& aRow);
    void PrepareLogIn(const TZRVSessionRow& aRow);
    void RunNextRequest();

    TZRVErrorLogger* fErrorLogger = nullptr;
    bool fConnected = false;
    TZRVUserSession* fSession;
    TNotifyEvent fOnOpen;
    TNotifyEvent fOnClose;
    bool f_AutoDBUpdateSession = false;
    TZRVSessionCount fCount;
    QString fLoginRefusal;

    struct TRequest {
        bool Guess;
        std::function<void(std::function<void()>)> Run;
    };
    std::deque<TRequest> fRequests;
    // The workstation the queued requests came from.
    quint64 fRequestsSerial = 0;
    bool fRequestRunning = false;
};

// ---------------------------------------------------------------------------------------------
// The server's requests of one workstation, run later on the event loop in the order they were
// made. A request is dropped when the workstation that made it has gone by the time it runs, even
// if another workstation has taken the slot since.

enum TZRVSvrTasksEnum {
    steGetList,
    steGetAccount,
    steGetTicket,
    steAddCredit,
    steCreateAccount,
    steAddUpdateMachine,
    steUpdateAccount,
    steRetrievePassword
};

class TZRVSvrTasks : public std::enable_shared_from_this<TZRVSvrTasks> {
public:
    // Queues aTask for aClient with a copy of the request; aDelayMs postpones it instead (machine
    // registration). Raises "Objet client invalide" without a client.
    static void Create(TZRVServerClientConnection* aClient, TZRVSvrTasksEnum aTask,
                       const TStringList& aData = TStringList(), int aDelayMs = 0);

private:
    // What the request takes to the database worker, read from the server's memory before.
    struct TInput {
        TZRVSvrTasksEnum Task = steGetList;
        // The account name, ticket code or reload code.
        QString Name;
        // The password, or the secret answer.
        QString Secret;
        QString Question;
        // The request's account (creation, update), or the workstation's machine.
        std::shared_ptr<TZRVUserAccount> Account;
        std::shared_ptr<TZRVMachine> Machine;
        // Another workstation (or a login under way) holds the account or ticket.
        bool InUse = false;
        // The slot's state lets the request go on (a customer logged in, the account his own,
        // account creations left).
        bool Allowed = false;
        uint32_t Tolerance = 0;
        // The session a reload goes to.
        TZRVSessionRow Payer;
        // The server claiming the account or ticket of a login among those sharing the database.
        TZRVServerIdentity Server;
    };
    // What the database said: the refusal (empty when the request may go on) and what was read.
    struct TResult {
        QString Refusal;
        // The refusal tells a guesser something.
        bool Guess = false;
        std::unique_ptr<TZRVUserAccount> Account;
        std::unique_ptr<TZRVUserTicket> Ticket;
        TZRVSessionRow Row;
        QStringList List;
        uint32_t ID = 0;
    };

    TZRVSvrTasks(TZRVServerClientConnection* aClient, TZRVSvrTasksEnum aTask, const TStringList& aData);
    // Runs the request; aFinished once its answer is sent (or the workstation has gone).
    void Execute(std::function<void()> aFinished);
    // The workstation that asked is still there.
    bool Current() const;
    void Answer(TZRVDataBaseOutcome<TResult>& aOutcome);
    void Finish(TResult& aResult);
    // A request that could not be read (or failed) still gets its answer.
    void Fail(const QString& aError);
    void Finished();
    void AnswerInvalid() const;
    QString NotAssigned() const;
    // The request's value of aName; a missing line makes the request unreadable.
    QString Field(const QString& aName) const;
    // The account the request carries; an unreadable or nameless one makes it unreadable.
    std::shared_ptr<TZRVUserAccount> RequestAccount() const;
    // Counts a wrong guess of the workstation's address.
    void NoteGuess() const;
    // Holds the ticket code (account name) until the answer.
    void Claim(bool aTicket, const QString& aKey);
    void Release();
    void Forget(const TResult& aResult) const;

    // Before, on the event loop.
    TInput Prepare();
    // On the database worker: nothing of the server's memory.
    static TResult Query(TInput& aIn, TZRVDataBase& aDb);
    // The new session's row; nothing when a session of another server holds the record.
    static std::optional<TZRVSessionRow> NewSession(TZRVDataBase& aDb, const TInput& aIn,
                                                    TZRVSessionType aType, uint32_t aID, uint32_t aCredit,
                                                    bool aIncremental);
    static QString AccountRefusal(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut);
    static void QueryAccount(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut);
    static QString TicketRefusal(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut);
    static void QueryTicket(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut);
    static QString ReloadRefusal(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut);
    static void QueryReload(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut);
    static QString CreateRefusal(const TInput& aIn, TZRVDataBase& aDb);
    static void QueryUpdate(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut);
    static void QueryPassword(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut);
    static uint32_t RegisterMachine(const TZRVMachine& aMachine, TZRVDataBase& aDb);
    // After, on the event loop: the answer, and what it changes in the server's memory.
    void Apply(TResult& aResult);
    void AnswerList(const TResult& aResult) const;
    void AnswerLogIn(const TResult& aResult) const;
    void AnswerReload(const TResult& aResult) const;
    void AnswerCreate(const TResult& aResult) const;
    void AnswerUpdate(const TResult& aResult) const;
    void AnswerPassword(const TResult& aResult) const;

    void SendReply(const TStringList& aReply) const;
    TZRVServerUserConnection* User() const;

    QPointer<TZRVServerClientConnection> fSCCnn;
    TZRVSvrTasksEnum fTask;
    TStringList fData;
    // The connection of the slot that made the request.
    quint64 fSerial;
    std::function<void()> fFinished;
    // The ticket code (true) or account name held by this request.
    std::optional<std::pair<bool, QString>> fClaim;
    QString fPayerToken;
};

// The secret-question list request, run like the other requests.
class TZRVSvrSQList {
public:
    static void Create(TZRVServerClientConnection* aClient);
};
