#pragma once
// The workstation's customer login: opens a user connection with an account, a ticket code or a
// local account, asks the server to create or update an account, applies the server's credit
// answers to the session, and reports the session while it runs (or keeps the report while the
// server cannot be reached). Owned by the client connection, whose Send it uses.

#include "ZRVUserSession.h"

#include <QTimer>

class TZRVCrypt;
class TZRVCustomClientConnection;
class TZRVErrorLogger;

// The credentials of the open user connection.
class TZRVOpenConnectionInfo : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const QString& AccountName() const { return fAccountName; }
    const QString& AccountPassword() const { return fAccountPassword; }
    const QString& TicketCode() const { return fTicketCode; }
    const QString& SecretQuestion() const { return fSecretQuestion; }
    const QString& SecretAnswer() const { return fSecretAnswer; }
    bool Active() const { return fActive; }
    bool IsTicket() const { return !fTicketCode.isEmpty(); }
    bool IsAccount() const { return fTicketCode.isEmpty(); }

    void SetAccountName(const QString& aValue);
    void SetAccountPassword(const QString& aValue);
    void SetTicketCode(const QString& aValue);
    void SetSecretQuestion(const QString& aValue);
    void SetSecretAnswer(const QString& aValue) { fSecretAnswer = aValue; }
    // Empties the name, the ticket code and the password; the secret question and answer stay.
    void Clear();
    // Writes the fields of an opened account or ticket without making the information active.
    void SetOpenedAccount(const TZRVCustomUserAccount& aAccount);
    void SetOpenedTicket(const QString& aCode);

private:
    QString fAccountName;
    QString fAccountPassword;
    QString fTicketCode;
    QString fSecretQuestion;
    QString fSecretAnswer;
    bool fActive = false;
};

class TZRVCustomUserConnection : public QObject {
    Q_OBJECT
public:
    static constexpr uint32_t c_DefaultSessionUpdateInterval = 2;
    static constexpr int c_DefaultBusyTimeOut = 5;

    explicit TZRVCustomUserConnection(QObject* aOwner = nullptr);
    ~TZRVCustomUserConnection() override;

    // Login requests; they raise "Busy" or "Already connected".
    void OpenAccount(const QString& aAccountName, const QString& aAccountPassword);
    void OpenTicket(const QString& aTicketCode);
    // Looks the pair up in the workstation's local accounts; false when it is not there.
    bool OpenLocalAccount(const QString& aAccountName, const QString& aAccountPassword);
    void RequestCreateAccount(const TZRVCustomUserAccount* aAccount);
    void RequestUpdateAccount(const TZRVCustomUserAccount* aAccount);
    // Asks the server for an account's password by its secret question and answer.
    void RetrievePassword(const QString& aAccountName, const QString& aSecretQuestion,
                          const QString& aSecretAnswer);
    void Close();
    // Reports the running session to the server, or keeps the report while it is unreachable, for
    // the replay at the next ready exchange.
    void UpdateSession();
    // With aKeep, the running session's last report stays in the settings store from the session's
    // start to its end, so that the server hears of the session even when the program ends without
    // leave (killed, crashed) and starts again. Off by default: one program per settings store.
    void SetKeepSession(bool aKeep) { fKeepSession = aKeep; }
    // Stores the running session's report now, when sessions are kept.
    void KeepRunningSession() const;
    // Handles one user-level message from the server.
    void ProcessMessage(QObject* Sender, const QString& aData);

    // The owning client connection, or nothing.
    TZRVCustomClientConnection* ClientConnection() const;

    bool Connected() const { return fConnected; }
    bool Busy() const { return fBusy; }
    void SetBusy(bool aValue);
    int BusyTimeOut() const { return fBusyTimeOut; }
    void SetBusyTimeOut(int aSeconds);
    uint32_t SessionUpdateInterval() const { return fSessionUpdateInterval; }
    // Minutes between session reports, 0 ... 15 (0 stops them).
    void SetSessionUpdateInterval(uint32_t aMinutes);
    // The report and busy timers; tests shorten them.
    QTimer* TimerUpdate() const { return fTimerUpdate; }
    QTimer* TimerBusy() const { return fTimerBusy; }
    const QString& FailMessage() const { return fFailMessage; }
    int FailCode() const { return fFailCode; }
    const QString& RetrievedPassword() const { return fRetrievedPassword; }
    // The token the server gave the open user connection's session; it goes with a kept report,
    // so that the server lets this workstation carry the session on. Empty when none.
    const QString& SessionToken() const { return fSessionToken; }
    TZRVUserSession* Session() const { return fSession; }
    TZRVOpenConnectionInfo* OpenConnectionInfo() const { return fOpenConnectionInfo; }
    void SetOpenConnectionInfo(TZRVOpenConnectionInfo* aValue) { fOpenConnectionInfo = aValue; }
    const QString& SessionFile() const { return fSessionFile; }
    void SetSessionFile(const QString& aValue) { fSessionFile = aValue; }
    const QString& SessionTypeFile() const { return fSessionTypeFile; }
    void SetSessionTypeFile(const QString& aValue) { fSessionTypeFile = aValue; }
    TZRVErrorLogger* ErrorLogger() const { return fErrorLogger; }
    void SetErrorLogger(TZRVErrorLogger* aValue);

    ZRV_EVENT_PROPERTY(TNotifyEvent, Open)
    ZRV_EVENT_PROPERTY(TNotifyEvent, Close)
    ZRV_EVENT_PROPERTY(TNotifyEvent, Fail)
    ZRV_EVENT_PROPERTY(TNotifyEvent, SessionStart)
    ZRV_EVENT_PROPERTY(TNotifyEvent, SessionStop)
    ZRV_EVENT_PROPERTY(TNotifyEvent, SessionCreditEmpty)
    ZRV_EVENT_PROPERTY(TNotifyEvent, SessionWarnCredit)
    ZRV_EVENT_PROPERTY(TNotifyEvent, AddCredit)
    ZRV_EVENT_PROPERTY(TNotifyEvent, FixCredit)
    ZRV_EVENT_PROPERTY(TNotifyEvent, AccountCreated)
    ZRV_EVENT_PROPERTY(TNotifyEvent, AccountUpdated)
    ZRV_EVENT_PROPERTY(TNotifyEvent, PasswordRetrieved)

    void LogError(const QString& aMessage, const QString& aUnitName, const QString& aRoutineName,
                  const QString& aAction) const;

protected:
    virtual void DoAddCredit();
    virtual void DoAccountCreated();
    virtual void DoAccountUpdated();
    virtual void DoOpen();
    virtual void DoClose();
    virtual void DoFail();
    virtual void DoSessionCreditEmpty();
    virtual void DoSessionStart();
    virtual void DoSessionStop();
    virtual void DoSessionWarnCredit();
    virtual void DoFixCredit();
    virtual void DoPasswordRetrieved();

private:
    void CheckCanOpen() const;
    void CheckCanRequest(const TZRVCustomUserAccount* aAccount) const;
    void SendRequest(const TStringList& aMessage);
    void SendAccountRequest(const TZRVCustomUserAccount* aAccount, const QString& aReason);
    void StartSession(TZRVSessionType aType, uint32_t aCredit, bool aIncremental);
    void Fail(const QString& aMessage, bool aClearInfo);
    void AccountFound(const TStringList& aMessage);
    void TicketFound(const TStringList& aMessage);
    void ChangeCredit(const TStringList& aMessage, bool aAdd);
    bool ClientReady() const;
    bool Reports() const;
    TStringList Report() const;
    void StoreSession(TStringList aReport) const;
    void Handler_SessionStart();
    void Handler_SessionStop();
    void Raise(const TNotifyEvent& aEvent);

    TZRVErrorLogger* fErrorLogger = nullptr;
    TZRVCrypt* fCrypt;
    bool fConnected = false;
    bool fKeepSession = false;
    QString fSessionFile;
    QString fSessionTypeFile;
    TZRVOpenConnectionInfo* fOpenConnectionInfo;
    TZRVUserSession* fSession;
    QTimer* fTimerUpdate;
    QTimer* fTimerBusy;
    TNotifyEvent fOnOpen, fOnSessionStop, fOnSessionStart, fOnClose, fOnFail;
    int fFailCode = 0;
    QString fFailMessage;
    QString fRetrievedPassword;
    QString fSessionToken;
    uint32_t fSessionUpdateInterval = 0;
    bool fBusy = false;
    TNotifyEvent fOnSessionCreditEmpty, fOnAddCredit, fOnAccountCreated, fOnSessionWarnCredit;
    int fBusyTimeOut = 0;
    TNotifyEvent fOnAccountUpdated, fOnFixCredit, fOnPasswordRetrieved;
};

class TZRVUserConnection : public TZRVCustomUserConnection {
    Q_OBJECT
public:
    using TZRVCustomUserConnection::TZRVCustomUserConnection;
};
