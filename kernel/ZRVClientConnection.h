#pragma once
// The workstation's end of the link to the server: connects when told to, answers the handshake
// and the ready exchange, answers the server's pings and sends its own, carries out or relays the
// server's commands and requests, and re-raises the events of the user connection and session it
// owns, so that the workstation program wires one component.

#include "ZRVMachine.h"
#include "ZRVMessage.h"
#include "ZRVServerTimerSync.h"
#include "ZRVUserConnection.h"

#include <QAbstractSocket>
#include <QTcpSocket>
#include <QTimer>

class TZRVCrypt;
class TZRVErrorLogger;
class TZRVSystemEx;

// The socket error kinds of the link.
enum TZRVSocketErrorKind { sekGeneral, sekSend, sekReceive, sekConnect, sekDisconnect, sekAccept, sekLookup };

class TZRVCustomClientConnection : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 c_DefaultServerPort = 12345;
    static constexpr int c_DefaultPingInterval = 120000;
    static constexpr int c_DefaultPingTimeOut = 60000;
    static constexpr int c_ReadyDelay = 100;

    explicit TZRVCustomClientConnection(QObject* aOwner = nullptr);
    ~TZRVCustomClientConnection() override;

    // Starts an asynchronous connect to ServerAddress:ServerPort when not connected.
    void OpenConnection();
    void ShutDownConnection();
    // Sends one message body; false when the link is down.
    bool Send(const QString& aData);
    bool SendServerMessage(const QString& aMsg);
    void RequestSQList();
    void RequestCreateAccount(const TZRVCustomUserAccount* aAccount);
    void RequestUpdateAccount(const TZRVCustomUserAccount* aAccount);

    bool Ready() const { return fReady; }
    bool Connected() const { return fConnected; }
    // The host name to connect to (empty until set); a text of 7 to 15 characters with exactly four
    // dots is kept as the numeric address instead, which is used when no host name is set.
    QString ServerAddress() const { return fHostName; }
    void SetServerAddress(const QString& aValue);
    quint16 ServerPort() const { return fServerPort; }
    void SetServerPort(quint16 aValue) { fServerPort = aValue; }
    uint32_t ClientPingInterval() const { return uint32_t(fPingTimer->interval()); }
    void SetClientPingInterval(uint32_t aMSecs) { fPingTimer->setInterval(int(aMSecs)); }
    uint32_t ClientPingTimeOut() const { return uint32_t(fPingTimeOutTimer->interval()); }
    void SetClientPingTimeOut(uint32_t aMSecs) { fPingTimeOutTimer->setInterval(int(aMSecs)); }
    bool ClientPingEnabled() const { return f_ClientPingEnabled; }
    // Whether the ping timer runs, and whether a ping waits for its answer.
    bool ClientPingRunning() const { return fPingTimer->isActive(); }
    bool ClientPingPending() const { return fPingTimeOutTimer->isActive(); }
    void SetClientPingEnabled(bool aValue);
    bool ShuttedDown() const { return fShuttedDown; }
    // Stores the state, reports it to the server when connected, raises OnShutdownStateChange.
    void SetShuttedDown(bool aValue);
    void SetTimeOut(uint8_t aValue) { fTimeOut = aValue; }
    // Delay between a ready answer and the stored-session replay and OnReady; tests shorten it.
    int ReadyDelay() const { return fReadyDelay; }
    void SetReadyDelay(int aMSecs) { fReadyDelay = aMSecs; }

    TZRVErrorLogger* ErrorLogger() const { return fErrorLogger; }
    void SetErrorLogger(TZRVErrorLogger* aValue);
    TZRVUserConnection* UserConnection() const { return fUserConnection; }
    void SetUserConnection(TZRVUserConnection* aValue);
    TZRVServerTimerSync* ServerTime() const { return fServerTime; }
    void SetServerTime(TZRVServerTimerSync* aValue);
    QTcpSocket* Socket() const { return fSocket; }
    void SetSocket(QTcpSocket* aValue);
    TZRVMachine* Machine() const { return fMachine.get(); }
    TZRVSystemEx* System() const { return fSystem.get(); }
    TZRVCrypt* Crypt() const { return fCrypt; }
    TZRVMessageReader* Reader() const { return fReader; }
    const TStringList& ClientInfos() const { return fClientInfos; }
    const TStringList& ServerInfos() const { return fServerInfos; }
    const TStringList& SecretQuestionList() const { return fSecretQuestionList; }

    ZRV_EVENT_PROPERTY(TZRVCustomMessageEvent, CustomMessage)
    ZRV_EVENT_PROPERTY(TZRVHandShakeEvent, HandShake)
    ZRV_EVENT_PROPERTY(TNotifyEvent, LookUp)
    ZRV_EVENT_PROPERTY(TNotifyEvent, Connect)
    ZRV_EVENT_PROPERTY(TZRVMessageIDEvent, ClientConnection_msgid)
    ZRV_EVENT_PROPERTY(TNotifyEvent, Disconnect)
    ZRV_EVENT_PROPERTY(TZRVMessageIDEvent, UserConnection_msgid)
    ZRV_EVENT_PROPERTY(TNotifyEvent, Ready)
    ZRV_EVENT_PROPERTY(TNotifyEvent, QueryCloseClientModule)
    ZRV_EVENT_PROPERTY(TNotifyEvent, QueryLaunchClientModule)
    ZRV_EVENT_PROPERTY(TNotifyEvent, QueryRebootWorkStation)
    ZRV_EVENT_PROPERTY(TNotifyEvent, QueryShutdownWorkStation)
    ZRV_EVENT_PROPERTY(TNotifyEvent, SocketError)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserConnectionAccountCreated)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserConnectionAccountUpdated)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserConnectionAddCredit)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserConnectionFixCredit)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserConnectionClose)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserConnectionFail)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserConnectionOpen)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserConnectionPasswordRetrieved)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserSessionStart)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserSessionStop)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserSessionCreditChange)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserSessionCreditEmpty)
    ZRV_EVENT_PROPERTY(TNotifyEvent, UserSessionWarnCredit)
    ZRV_EVENT_PROPERTY(TNotifyEvent, ShutdownStateChange)
    ZRV_EVENT_PROPERTY(TNotifyEvent, SecretQuestionListAvailable)
    ZRV_EVENT_PROPERTY(TZRVInfoMessageEvent, InfoMessage)
    ZRV_EVENT_PROPERTY(TNotifyEvent, ClientPingTimeOut)
    ZRV_EVENT_PROPERTY(TNotifyEvent, ServerPing)

    void LogError(const QString& aMessage, const QString& aUnitName, const QString& aRoutineName,
                  const QString& aAction) const;

protected:
    virtual void DoLookUp();
    virtual void DoConnect();
    virtual void DoDisconnect();
    virtual void DoClientConnection_msgid(const QString& aData);
    virtual void DoUserConnection_msgid(const QString& aData);
    virtual void DoReady();
    virtual void DoHandShake(TStringList& aInfos);
    virtual void DoCustomMessage(const QString& aMsg);
    virtual void DoSocketError();
    virtual void DoQueryCloseClientModule();
    virtual void DoQueryLaunchClientModule();
    virtual void DoQueryRebootWorkStation();
    virtual void DoQueryShutdownWorkStation();
    virtual void DoShutdownStateChange();
    virtual void DoSecretQuestionListAvailable();
    virtual void DoInfoMessage(const QString& aMsg);
    virtual void DoClientPingTimeOut();
    virtual void DoServerPing();

public:
    // The handling of a "CLIENT_CONNECTION" or "USER_CONNECTION" message that no host event replaces.
    void DefaultHandler_ClientConnection_msgid(QObject* Sender, const QString& aData);

private:
    void SetupSocket();
    void SendGeneralRequest(const QString& aReasonLine, const TZRVCustomUserAccount* aAccount);
    void SendClientPing();
    void AnswerHandShake(const TStringList& aMessage, TStringList& aAnswer);
    void AnswerReady(const TStringList& aMessage, TStringList& aAnswer);
    void FinishReady();
    void AnswerRunningApplications(TStringList& aAnswer);
    void TerminateApplication(const TStringList& aMessage);
    void ReplaceSecretQuestions(const TStringList& aMessage);
    void Handler_SocketState(QAbstractSocket::SocketState aState);
    void Handler_SocketConnect();
    void Handler_SocketDisconnect();
    void Handler_SocketRead();
    void Dispatch(QString aPiece);
    void Handler_SocketError(QAbstractSocket::SocketError aError);
    void HandleSocketError(TZRVSocketErrorKind aKind, int aCode);
    void AttachUserConnection();
    // Raises aEvent with this connection as Sender, unless the connection is being destroyed.
    void Raise(const TNotifyEvent& aEvent, bool aSkipWhileDestroying = true);
    void Relay(const TNotifyEvent& aEvent, QObject* aSender);

    TZRVCrypt* fCrypt;
    std::unique_ptr<TZRVSystemEx> fSystem;
    bool fReady = false;
    bool fConnected = false;
    TZRVErrorLogger* fErrorLogger = nullptr;
    TZRVUserConnection* fUserConnection = nullptr;
    QTcpSocket* fSocket = nullptr;
    QString fHostName;
    QString fAddress = QStringLiteral("127.0.0.1");
    quint16 fServerPort = c_DefaultServerPort;
    TZRVMessageReader* fReader;
    TZRVServerTimerSync* fServerTime;
    TStringList fServerInfos;
    TStringList fClientInfos;
    TStringList fSecretQuestionList;
    std::unique_ptr<TZRVMachine> fMachine;
    bool fShuttedDown = false;
    uint8_t fTimeOut = 0;
    QTimer* fPingTimer;
    QTimer* fPingTimeOutTimer;
    bool f_ClientPingEnabled = false;
    int fReadyDelay = c_ReadyDelay;
    bool fDestroying = false;

    TZRVCustomMessageEvent fOnCustomMessage;
    TZRVHandShakeEvent fOnHandShake;
    TZRVMessageIDEvent fOnClientConnection_msgid, fOnUserConnection_msgid;
    TZRVInfoMessageEvent fOnInfoMessage;
    TNotifyEvent fOnLookUp, fOnConnect, fOnDisconnect, fOnReady, fOnQueryCloseClientModule,
        fOnQueryLaunchClientModule, fOnQueryRebootWorkStation, fOnQueryShutdownWorkStation, fOnSocketError,
        fOnUserConnectionAccountCreated, fOnUserConnectionAccountUpdated, fOnUserConnectionAddCredit,
        fOnUserConnectionFixCredit, fOnUserConnectionClose, fOnUserConnectionFail, fOnUserConnectionOpen,
        fOnUserConnectionPasswordRetrieved, fOnUserSessionStart, fOnUserSessionStop,
        fOnUserSessionCreditChange, fOnUserSessionCreditEmpty, fOnUserSessionWarnCredit,
        fOnShutdownStateChange, fOnSecretQuestionListAvailable, fOnClientPingTimeOut, fOnServerPing;
};

class TZRVClientConnection : public TZRVCustomClientConnection {
    Q_OBJECT
public:
    using TZRVCustomClientConnection::TZRVCustomClientConnection;
};
