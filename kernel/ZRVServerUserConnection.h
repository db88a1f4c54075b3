#pragma once
// The server's side of the customer logged in at one workstation: it answers the workstation's
// user-level requests (account and ticket logins, credit reloads, account creation and update,
// password recovery) and keeps the server's copy of the running session. Requests that touch the
// database run as deferred calls on the event loop, in the order they arrived, and only for the
// workstation that asked; guesses wait as the listener's throttle says.
//
// The server trusts nothing a workstation says about credit: it counts the session's time itself,
// accepts a reported credit only as far as that count allows, and writes back only the time used
// since its previous write. A login hands the workstation a session token, which alone lets a
// workstation carry a session on after the link (or the server) went away.

#include "ZRVCommon.h"
#include "ZRVDataBase.h"

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
    // Runs aRun after the requests queued before it (and, for a guess, the throttle's wait).
    void QueueRequest(bool aGuess, std::function<void()> aRun);

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
    // The listener's database when this object belongs to a slot of a listener, else nothing.
    TZRVDataBase* DataBase() const;
    TZRVWriteBackJournal* WriteBacks() const;
    uint32_t Tolerance() const;
    uint32_t MachineID() const;

    void SessionStarted();
    void SessionStopped(const TStringList& aMessage);
    void SessionUpdate(const TStringList& aMessage);
    void SessionReport(std::optional<uint32_t> aReported);
    // Writes the session's use since the last write.
    void WriteBack(TZRVDataBase& aDb);
    void EndSession(bool aLogOut);
    // A session the workstation kept while the server could not be reached: accepted only with the
    // token of a session still open and for its own record, and only to lower the credit; when
    // the workstation carries on with it, it becomes this slot's session.
    template <class Kind> void RestoreSession(TZRVDataBase& aDb, const TStringList& aMessage);
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
        std::function<void()> Run;
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

class TZRVSvrTasks {
public:
    // Queues aTask for aClient with a copy of the request; aDelayMs postpones it instead (machine
    // registration). Raises "Objet client invalide" without a client.
    static void Create(TZRVServerClientConnection* aClient, TZRVSvrTasksEnum aTask,
                       const TStringList& aData = TStringList(), int aDelayMs = 0);

private:
    TZRVSvrTasks(TZRVServerClientConnection* aClient, TZRVSvrTasksEnum aTask, const TStringList& aData);
    void Execute();
    void Run(TZRVDataBase* aDb);
    // A request that could not be read (or failed) still gets its answer.
    void AnswerInvalid() const;
    // The request's value of aName; a missing line makes the request unreadable.
    QString Field(const QString& aName) const;
    // The account the request carries; an unreadable or nameless one makes it unreadable.
    std::unique_ptr<TZRVUserAccount> RequestAccount() const;
    // Counts a wrong guess of the workstation's address.
    void NoteGuess() const;

    void GetList(TZRVDataBase* aDb);
    void GetAccount(TZRVDataBase* aDb);
    void GetTicket(TZRVDataBase* aDb);
    void AddCredit(TZRVDataBase* aDb);
    void CreateAccount(TZRVDataBase* aDb);
    void AddUpdateMachine(TZRVDataBase* aDb);
    void UpdateAccount(TZRVDataBase* aDb);
    void RetrievePassword(TZRVDataBase* aDb);

    // The refusal of a request, or the empty text when it may go on.
    QString AccountRefusal(TZRVDataBase* aDb, std::unique_ptr<TZRVUserAccount>& aAccount) const;
    QString TicketRefusal(TZRVDataBase* aDb, std::unique_ptr<TZRVUserTicket>& aTicket) const;
    QString ReloadRefusal(TZRVDataBase* aDb, std::unique_ptr<TZRVUserTicket>& aTicket) const;
    QString CreateRefusal(TZRVDataBase* aDb, TZRVUserAccount& aAccount) const;
    QString UpdateRefusal(TZRVDataBase* aDb, const TZRVUserAccount& aRequest,
                          std::unique_ptr<TZRVUserAccount>& aStored) const;
    // Moves the code's credit to the session; false when the code was spent meanwhile.
    bool ConsumeReloadCode(TZRVDataBase& aDb, const TZRVUserTicket& aTicket);
    // Holds a new session for the record logged in with and writes its row.
    TZRVSessionRow NewSession(TZRVDataBase& aDb, TZRVSessionType aType, uint32_t aID, uint32_t aCredit,
                              bool aIncremental) const;
    void SendReply(const TStringList& aReply) const;
    TZRVServerUserConnection* User() const;

    QPointer<TZRVServerClientConnection> fSCCnn;
    TZRVSvrTasksEnum fTask;
    TStringList fData;
    // The connection of the slot that made the request.
    quint64 fSerial;
};

// The secret-question list request, run like the other requests.
class TZRVSvrSQList {
public:
    static void Create(TZRVServerClientConnection* aClient);
};
