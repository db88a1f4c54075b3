#pragma once
// The server's side of the customer logged in at one workstation: it answers the workstation's
// user-level requests (account and ticket logins, credit reloads, account creation and update,
// password recovery) and keeps the server's copy of the running session from the workstation's
// reports. Requests that touch the database run as deferred calls on the event loop, in the order
// they arrived, and only for the workstation that asked.

#include "ZRVCommon.h"

#include <QPointer>

class TZRVDataBase;
class TZRVErrorLogger;
class TZRVMachine;
class TZRVServerClientConnection;
class TZRVUserAccount;
class TZRVUserSession;
class TZRVUserTicket;

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
    bool AutoDBUpdateSession() const { return f_AutoDBUpdateSession; }
    void SetAutoDBUpdateSession(bool aValue) { f_AutoDBUpdateSession = aValue; }
    TZRVErrorLogger* ErrorLogger() const { return fErrorLogger; }
    void SetErrorLogger(TZRVErrorLogger* aValue);

    // Handles one user-level message of the workstation (any reason the link level does not know).
    void ProcessMessage(QObject* Sender, const QString& aData);
    // Ends the user connection: closes the session and writes the account or ticket back.
    void Close();

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

    void SessionUpdate(const TStringList& aMessage);
    // Writes the session's account or ticket with the session's credit (and, at logout, the
    // workstation it was last used on).
    void WriteSession(TZRVDataBase& aDb, std::unique_ptr<TZRVMachine> aLastUsePC);
    // A session the workstation kept while the server could not be reached (after a restart):
    // the record named by the report takes its credit and, when the workstation carries on with
    // it, becomes this slot's session. Refused for a record in use, here or on another slot.
    template <class Kind> void RestoreSession(TZRVDataBase& aDb, const TStringList& aMessage);

    // Makes the record the session's payer and marks the customer logged in. A customer still
    // logged in on the slot is logged out first, so that its record is written back.
    void LogIn(const TZRVUserAccount& aAccount);
    void LogIn(const TZRVUserTicket& aTicket);
    void PrepareLogIn();

    TZRVErrorLogger* fErrorLogger = nullptr;
    bool fConnected = false;
    TZRVUserSession* fSession;
    TNotifyEvent fOnOpen;
    TNotifyEvent fOnClose;
    bool f_AutoDBUpdateSession = false;
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
    // Schedules aTask for aClient with a copy of the request; aDelayMs postpones it (machine
    // registration). Raises "Objet client invalide" without a client.
    static void Create(TZRVServerClientConnection* aClient, TZRVSvrTasksEnum aTask,
                       const TStringList& aData = TStringList(), int aDelayMs = 0);

private:
    TZRVSvrTasks(TZRVServerClientConnection* aClient, TZRVSvrTasksEnum aTask, const TStringList& aData);
    void Execute();
    void Run(TZRVDataBase* aDb);

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
    QString UpdateRefusal(TZRVDataBase* aDb, const TZRVUserAccount& aRequest,
                          std::unique_ptr<TZRVUserAccount>& aStored) const;
    void ConsumeReloadCode(TZRVDataBase& aDb, TZRVUserTicket& aTicket);
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
