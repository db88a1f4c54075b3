#pragma once
// The server's side of one workstation link, one object per slot of the listener's table, reused
// for every workstation that lands in the slot: the server half of the handshake, pings, the
// operator's commands, the workstation's link-level requests, and its user connection.

#include "ZRVMessage.h"
#include "ZRVServerUserConnection.h"

#include <QAbstractSocket>
#include <QVariant>

#include <memory>

class QTcpSocket;
class QTimer;
class TZRVCrypt;
class TZRVCustomServerConnection;
class TZRVMachine;
class TZRVServerClientConfig;

using TZRVTicketAddCreditEvent = std::function<void(QObject* Sender, TZRVUserTicket* Ticket)>;

class TZRVServerClientConnection : public QObject {
    Q_OBJECT
public:
    // The largest message a workstation may send; longer ones are dropped with a log line.
    static constexpr qsizetype c_MaxMessageSize = 128 * 1024;
    // Bytes a workstation may leave unread before the server gives up on it.
    static constexpr qint64 c_MaxPendingOutput = 1024 * 1024;
    // How long a workstation may take from the accept to its ready answer.
    static constexpr int c_DefaultHandshakeDeadline = 15000;

    explicit TZRVServerClientConnection(QObject* aOwner = nullptr);
    ~TZRVServerClientConnection() override;

    // ----- socket handlers, called by the listener
    void Handler_OnClientConnect();
    void Handler_OnClientDisconnect();
    void Handler_OnClientRead();
    void Handler_OnClientError(QAbstractSocket::SocketError aError);
    // Handles bytes as the workstation's socket delivers them; a connection fed this way needs no
    // socket (the fuzzing of the server feeds it so).
    void Receive(QByteArrayView aBytes);

    // ----- sending
    // Frames and sends one message body; false and nothing sent when no workstation is attached.
    bool Send(const QString& aText);
    bool SendClientMessage(const QString& aMsg);
    void SendServerPing();
    void CommandCloseClientConnection();
    void CommandCloseClientModule();
    void CommandCloseUserConnection();
    void CommandCloseUserSession();
    void CommandLaunchClientModule();
    void CommandRebootWorkStation();
    void CommandShutdownWorkStation();
    void RequestRunningApplications();
    void TerminateApplication(uint32_t aHandle, bool aNotify);
    void RequestClientConfigList();
    // Appends the two header lines to aList (which keeps them) and sends it; an empty list sends nothing.
    void SendClientConfigList(TStringList& aList);
    void ApplyClientConfig();
    // Creates a copy of the account in the database and tells the workstation the outcome;
    // aAdded gets the new account's key.
    void RequestCreateAccount(const TZRVUserAccount& aAccount, std::function<void(uint32_t)> aAdded = {});
    // Logs the customer out (writing the record back) and closes the link.
    void ShutDownConnection();

    // ----- state
    bool Connected() const { return fConnected; }
    bool Ready() const { return fReady; }
    void SetReady(bool aValue) { fReady = aValue; }
    QTcpSocket* WinSocket() const { return fWinSocket; }
    const QString& RemoteHost() const { return fRemoteHost; }
    const QString& RemoteAddress() const { return fRemoteAddress; }
    int32_t SocketHandle() const { return fSocketHandle; }
    // Counts the workstations the slot has taken; a deferred request runs only for its own.
    quint64 ConnectionSerial() const { return fConnectionSerial; }
    TZRVMachine* ClientMachine() const { return fClientMachine.get(); }
    TZRVServerClientConfig* ClientConfig() const { return fClientConfig.get(); }
    const TStringList& ClientInfos() const { return fClientInfos; }
    TZRVServerUserConnection* UserConnection() const { return fUserConnection; }
    TZRVCrypt* Crypt() const { return fCrypt; }
    TZRVMessageReader* Reader() const { return fReader; }
    const TStringList& AppsNames() const { return fAppsNames; }
    const TStringList& AppsHandles() const { return fAppsHandles; }
    bool KillResult() const { return fKillResult; }
    bool ShuttedDown() const { return fShuttedDown; }
    // Asks the workstation to put its client module to sleep or wake it; the flag itself follows
    // the workstation's report.
    void SetShuttedDown(bool aValue);
    // The row that shows this slot in a connections view; the view decides what it holds.
    const QVariant& ListItem() const { return fListItem; }
    void SetListItem(const QVariant& aValue) { fListItem = aValue; }
    // The listener that owns the slot, or nothing.
    TZRVCustomServerConnection* Server() const;

    TZRVErrorLogger* ErrorLogger() const { return fErrorLogger; }
    void SetErrorLogger(TZRVErrorLogger* aValue);
    bool ServerPingEnabled() const { return f_ServerPingEnabled; }
    void SetServerPingEnabled(bool aValue);
    uint32_t ServerPingInterval() const;
    void SetServerPingInterval(uint32_t aValue);
    uint32_t ServerPingTimeOut() const;
    void SetServerPingTimeOut(uint32_t aValue);
    // Milliseconds from the accept to the ready answer, after which a workstation is dropped.
    int HandshakeDeadline() const;
    void SetHandshakeDeadline(int aMSecs);

    void LogError(const QString& aMessage, const QString& aUnitName, const QString& aRoutineName,
                  const QString& aAction) const;
    // The log line of a link dropped because the workstation did not answer a ping.
    QString PingTimeOutMessage(uint32_t aInterval, uint32_t aTimeOut) const;

    // The default handling of CLIENT_CONNECTION and USER_CONNECTION messages.
    void DefaultHandler_ClientConnection_msgid(QObject* Sender, const QString& aMessage);

    ZRV_EVENT_PROPERTY(TZRVMessageIDEvent, ClientConnection_msgid)
    ZRV_EVENT_PROPERTY(TZRVCustomMessageEvent, CustomMessage)
    ZRV_EVENT_PROPERTY(TZRVMessageIDEvent, UserConnection_msgid)
    ZRV_EVENT_PROPERTY(TNotifyEvent, Disconnect)
    ZRV_EVENT_PROPERTY(TNotifyEvent, Ready)
    ZRV_EVENT_PROPERTY(TNotifyEvent, Connect)
    ZRV_EVENT_PROPERTY(TZRVHandShakeEvent, ServerHandShake)
    ZRV_EVENT_PROPERTY(TZRVHandShakeEvent, ClientHandShake)
    ZRV_EVENT_PROPERTY(TNotifyEvent, SessionStart)
    ZRV_EVENT_PROPERTY(TNotifyEvent, SessionStop)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserConnectionClose)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserConnectionOpen)
    ZRV_EVENT_PROPERTY(TNotifyEvent, ShutdownStateChange)
    ZRV_EVENT_PROPERTY(TZRVClientConfigListAvailableEvent, ClientConfigListAvailable)
    ZRV_EVENT_PROPERTY(TZRVInfoMessageEvent, InfoMessage)
    ZRV_EVENT_PROPERTY(TNotifyEvent, ClientAppKillResult)
    ZRV_EVENT_PROPERTY(TNotifyEvent, ClientAppsListAvailable)
    ZRV_EVENT_PROPERTY(TNotifyEvent, ClientPing)
    ZRV_EVENT_PROPERTY(TNotifyEvent, ServerPingTimeOut)
    ZRV_EVENT_PROPERTY(TZRVTicketAddCreditEvent, TicketAddCredit)

protected:
    virtual void DoCustomMessage(const QString& aMsg);
    virtual void DoConnect();
    virtual void DoDisconnect();
    virtual void DoClientConnection_msgid(const QString& aData);
    virtual void DoUserConnection_msgid(const QString& aData);
    virtual void DoReady();
    virtual void DoClientHandShake(const TStringList& aInfos);
    virtual void DoServerHandShake(const TStringList& aInfos);
    void DoSessionStart();
    virtual void DoSessionStop();
    virtual void DoShutdownStateChange();
    virtual void DoUserConnectionOpen();
    virtual void DoUserConnectionClose();
    virtual void DoClientConfigListAvailable(const TStringList& aList);
    virtual void DoInfoMessage(const QString& aMsg);
    virtual void DoClientAppsListAvailable();
    virtual void DoClientAppKillResult();
    virtual void DoClientPing();
    virtual void DoServerPingTimeOut();
    virtual void DoTicketAddCredit(TZRVUserTicket* aTicket);

private:
    friend class TZRVCustomServerConnection;
    friend class TZRVSvrTasks;

    // Attaches an accepted socket (the listener's part of accepting).
    void AttachSocket(QTcpSocket* aSocket);
    // Drops the link at once, without flushing what is still to be sent.
    void AbortConnection();
    // Sends the server handshake right after the accept.
    void OpenConnection();
    // One message body from the workstation.
    void HandleBody(QString aBody);
    void Dispatch(const QString& aPiece);
    bool SendLines(const QStringList& aLines);
    void SendCommand(const QString& aReasonLine);
    void Handler_Timer(QTimer* aTimer);
    void HandshakeOverdue();
    void Handler_OnUserConnectionOpen();
    void Handler_OnUserConnectionClose();
    void Handler_OnSessionStart();
    void Handler_OnSessionStop();

    void ClientHandShake(const TStringList& aMessage);
    void RegisterMachine();
    void ClientReady(const TStringList& aMessage);
    void RunningApplications(const TStringList& aMessage);
    // Adds the account to the database (on the database worker); the refusal text, or the empty
    // text when it was added.
    static QString CreateAccountIn(TZRVDataBase& aDb, TZRVUserAccount& aAccount);
    void AnswerCreateAccount(const QString& aRefusal, const TZRVUserAccount* aAccount);

    QTcpSocket* fWinSocket = nullptr;
    TZRVCrypt* fCrypt;
    bool fReady = false;
    bool fConnected = false;
    std::unique_ptr<TZRVMachine> fClientMachine;
    TZRVMessageIDEvent fOnClientConnection_msgid;
    TZRVCustomMessageEvent fOnCustomMessage;
    TZRVMessageIDEvent fOnUserConnection_msgid;
    TNotifyEvent fOnDisconnect;
    TNotifyEvent fOnReady;
    TNotifyEvent fOnConnect;
    TZRVErrorLogger* fErrorLogger = nullptr;
    TZRVServerUserConnection* fUserConnection;
    TZRVHandShakeEvent fOnServerHandShake;
    TZRVHandShakeEvent fOnClientHandShake;
    TStringList fClientInfos;
    TNotifyEvent fOnSessionStart;
    TNotifyEvent fOnSessionStop;
    TNotifyEvent fOnUserConnectionClose;
    TNotifyEvent fOnUserConnectionOpen;
    bool fShuttedDown = false;
    TNotifyEvent fOnShutdownStateChange;
    TZRVClientConfigListAvailableEvent fOnClientConfigListAvailable;
    std::unique_ptr<TZRVServerClientConfig> fClientConfig;
    QString fRemoteHost;
    QString fRemoteAddress;
    int32_t fSocketHandle = -1;
    QVariant fListItem;
    TZRVInfoMessageEvent fOnInfoMessage;
    TNotifyEvent fOnClientAppKillResult;
    TNotifyEvent fOnClientAppsListAvailable;
    TStringList fAppsHandles;
    TStringList fAppsNames;
    bool fKillResult = false;
    QTimer* fPingTimer;
    QTimer* fPingTimeOutTimer;
    TNotifyEvent fOnClientPing;
    TNotifyEvent fOnServerPingTimeOut;
    TZRVTicketAddCreditEvent fOnTicketAddCredit;
    bool f_ServerPingEnabled = false;

    TZRVMessageReader* fReader;
    QTimer* fHandshakeTimer;
    quint64 fConnectionSerial = 0;
    // The workstation sent its handshake, and its ready answer: user requests may come.
    bool fHandshaken = false;
    bool fClientReady = false;
    bool fDestroying = false;
};
