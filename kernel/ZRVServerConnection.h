#pragma once
// The server's listener: it accepts the workstations' TCP connections into a fixed table of slots,
// routes each accepted socket's events to its slot, answers discovery datagrams on UDP, offers
// look-ups over the table, and turns the slots' events into events of the one listener.

#include "ZRVServerClientConnection.h"
#include "ZRVThrottle.h"

#include <QHash>

#include <vector>

class QTcpServer;
class QUdpSocket;
class TZRVDataBaseWorker;
class TZRVServerClaims;
class TZRVWriteBackJournal;

using TZRVClientConnectionEvent =
    std::function<void(QObject* Sender, TZRVServerClientConnection* aConnection)>;
using TZRVClientConfigConnectionEvent =
    std::function<void(QObject* Sender, TZRVServerClientConnection* aConnection, const TStringList& cfgList)>;
using TZRVClientConnectionInfoMessageEvent =
    std::function<void(QObject* Sender, TZRVServerClientConnection* aConnection, const QString& msg)>;
using TZRVClientTicketAddCreditEvent =
    std::function<void(QObject* Sender, TZRVServerClientConnection* aConnection, TZRVUserTicket* aTicket)>;

class TZRVCustomServerConnection : public QObject {
    Q_OBJECT
public:
    static constexpr int c_DefaultServerPort = 12345;
    static constexpr quint16 c_DefaultDiscoveryPort = 12346;
    static constexpr int c_DefaultMachineRegistrationDelay = 500;
    static constexpr uint32_t c_DefaultSessionCountTolerance = 30;

    explicit TZRVCustomServerConnection(QObject* aOwner = nullptr);
    ~TZRVCustomServerConnection() override;

    // Starts the discovery responder (a failure there is ignored) and the listener. Raises
    // EZRVError when the port cannot be listened on.
    void Open();
    // Logs every customer out, closes every link, stops listening and answering discovery.
    void Close();
    bool Active() const;
    void SetActive(bool aValue);
    // The port listened on (the one the system chose when 0 was asked); set only while inactive.
    int ServerPort() const;
    void SetServerPort(int aValue);
    // The UDP port of the discovery responder (0: any free port); set only while inactive.
    quint16 DiscoveryPort() const;
    void SetDiscoveryPort(quint16 aValue) { fDiscoveryPort = aValue; }
    // Why the discovery responder could not start at the last Open; empty when it answers.
    const QString& DiscoveryError() const { return fDiscoveryError; }
    // How long after a workstation's handshake its machine is registered in the database.
    int MachineRegistrationDelay() const { return fMachineRegistrationDelay; }
    void SetMachineRegistrationDelay(int aMilliseconds) { fMachineRegistrationDelay = aMilliseconds; }

    // Guessing from one address (ticket codes, passwords, secret answers, reload codes) is slowed.
    TZRVThrottle* GuessThrottle() const { return fGuessThrottle; }
    // Account creations from one address within the window, beyond its free ones, are refused.
    TZRVThrottle* AccountCreationThrottle() const { return fAccountCreationThrottle; }
    // The seconds a workstation's credit reports may lag behind the server's own count of a session.
    uint32_t SessionCountTolerance() const { return fSessionCountTolerance; }
    void SetSessionCountTolerance(uint32_t aSeconds) { fSessionCountTolerance = aSeconds; }

    // The worker the server's database work runs on (never the event loop), and the journal of the
    // session write-backs the database refused (read when the listener opens).
    TZRVDataBaseWorker* DataBase() const { return fDataBase; }
    void SetDataBase(TZRVDataBaseWorker* aValue);
    TZRVWriteBackJournal* WriteBacks() const { return fWriteBacks; }
    // The server's name on the database, and the renewal of its sessions' claims (while open).
    TZRVServerClaims* Claims() const { return fClaims; }
    TZRVErrorLogger* ErrorLogger() const { return fErrorLogger; }
    void SetErrorLogger(TZRVErrorLogger* aValue);
    TStringList& ServerInfos() { return fServerInfos; }
    // A free number for the host (the connections view counts its refreshes in it).
    int Tag() const { return fTag; }
    void SetTag(int aValue) { fTag = aValue; }

    // ----- the table: slots 1 ... MaxConnections (at most 255)
    uint8_t MaxConnections() const { return fMaxConnections; }
    void SetMaxConnections(uint8_t aValue);
    // The object of slot aIndex, or nothing outside 1 ... MaxConnections.
    TZRVServerClientConnection* GetConnection(uint8_t aIndex) const;
    // The number of slots with a workstation.
    uint8_t GetConnectionsCount() const;
    // The lowest slot without a workstation; 0 when the table is full or empty.
    uint8_t GetFreeConnection() const;
    // The aIndex-th slot with a workstation, counted from 1 in slot order, or nothing.
    TZRVServerClientConnection* GetActiveConnections(uint8_t aIndex) const;
    // The lowest slot holding aSocket; 0 when none.
    uint8_t SocketToConnectionIndex(const QTcpSocket* aSocket) const;

    // The position among the slots with a workstation of the first one whose customer is logged
    // in with that account (ticket); 0 when none or for ID 0.
    int32_t AccountSessionRunning(uint32_t aAccountID) const;
    int32_t TicketSessionRunning(uint32_t aTicketID) const;
    // The number of slots whose customer is logged in with that account name (ticket code,
    // session), compared without regard to case; a login under way that claimed it counts too.
    int DuplicatedAccount(const QString& aName) const;
    int DuplicatedTicket(const QString& aCode) const;
    int DuplicatedSession(const TZRVUserSession* aSession) const;
    // A login under way holds its account name (ticket code) from its request to its answer, so
    // that no other workstation logs in with it meanwhile. Each claim is released once.
    void ClaimAccount(const QString& aName) { ++fAccountClaims[aName.toCaseFolded()]; }
    void ReleaseAccount(const QString& aName) { Release(fAccountClaims, aName); }
    void ClaimTicket(const QString& aCode) { ++fTicketClaims[aCode.toCaseFolded()]; }
    void ReleaseTicket(const QString& aCode) { Release(fTicketClaims, aCode); }
    // The slot whose customer holds the session of that token, or nothing.
    TZRVServerClientConnection* SessionHolder(const QString& aToken) const;

    // Written into every existing slot; read from slot 1 (the slot defaults when there is none).
    uint32_t ServerPingTimeOut() const;
    void SetServerPingTimeOut(uint32_t aValue);
    uint32_t ServerPingInterval() const;
    void SetServerPingInterval(uint32_t aValue);
    bool ServerPingEnabled() const;
    void SetServerPingEnabled(bool aValue);
    // Kept for the settings: every session report is written when it arrives, whatever it says.
    bool AutoDBUpdateSession() const;
    void SetAutoDBUpdateSession(bool aValue);
    // Milliseconds a workstation has from the accept to its ready answer before it is dropped and
    // its slot freed; every slot, also those added later, takes it.
    int HandshakeDeadline() const { return fHandshakeDeadline; }
    void SetHandshakeDeadline(int aMSecs);

    // A timer offered to the host; never started here.
    QTimer* WatchDogTimer() const { return fWatchDogTimer; }
    uint32_t WatchDogInterval() const;
    void SetWatchDogInterval(uint32_t aValue);
    const TNotifyEvent& OnWatchDog() const { return fOnWatchDog; }
    void SetOnWatchDog(TNotifyEvent aEvent) { fOnWatchDog = std::move(aEvent); }

    void LogError(const QString& aMessage, const QString& aUnitName, const QString& aRoutineName,
                  const QString& aAction) const;

    ZRV_EVENT_PROPERTY(TNotifyEvent, ServerConnectionClosed)
    ZRV_EVENT_PROPERTY(TNotifyEvent, Listen)
    ZRV_EVENT_PROPERTY(TZRVClientConnectionEvent, NewClientConnection)
    ZRV_EVENT_PROPERTY(TZRVClientConnectionEvent, ClientDisconnection)
    ZRV_EVENT_PROPERTY(TZRVClientConnectionEvent, ClientSessionStart)
    ZRV_EVENT_PROPERTY(TZRVClientConnectionEvent, ClientSessionStop)
    ZRV_EVENT_PROPERTY(TZRVClientConnectionEvent, UserConnectionClose)
    ZRV_EVENT_PROPERTY(TZRVClientConnectionEvent, UserConnectionOpen)
    ZRV_EVENT_PROPERTY(TZRVClientConnectionEvent, ClientConnectionReady)
    ZRV_EVENT_PROPERTY(TZRVClientConnectionEvent, ClientShutdownStateChange)
    ZRV_EVENT_PROPERTY(TZRVClientConfigConnectionEvent, ClientConfigListAvailable)
    ZRV_EVENT_PROPERTY(TZRVClientConnectionInfoMessageEvent, ClientConnectionInfoMessage)
    ZRV_EVENT_PROPERTY(TZRVClientConnectionEvent, ClientAppsListAvailable)
    ZRV_EVENT_PROPERTY(TZRVClientConnectionEvent, ClientAppKillResult)
    ZRV_EVENT_PROPERTY(TZRVClientConnectionEvent, ClientPing)
    ZRV_EVENT_PROPERTY(TZRVClientConnectionEvent, ServerPingTimeOut)
    ZRV_EVENT_PROPERTY(TZRVClientTicketAddCreditEvent, ClientTicketAddCredit)

protected:
    virtual void DoServerConnectionClosed();
    virtual void DoListen();
    virtual void DoNewClientConnection(TZRVServerClientConnection* aConnection);
    virtual void DoClientConnectionReady(TZRVServerClientConnection* aConnection);
    virtual void DoClientConnectionInfoMessage(TZRVServerClientConnection* aConnection, const QString& aMsg);
    virtual void DoClientDisconnection(TZRVServerClientConnection* aConnection);
    virtual void DoUserConnectionOpen(TZRVServerClientConnection* aConnection);
    virtual void DoUserConnectionClose(TZRVServerClientConnection* aConnection);
    virtual void DoClientSessionStart(TZRVServerClientConnection* aConnection);
    virtual void DoClientSessionStop(TZRVServerClientConnection* aConnection);
    virtual void DoClientShutdownStateChange(TZRVServerClientConnection* aConnection);
    virtual void DoClientConfigListAvailable(TZRVServerClientConnection* aConnection,
                                             const TStringList& aList);
    virtual void DoClientAppsListAvailable(TZRVServerClientConnection* aConnection);
    virtual void DoClientAppKillResult(TZRVServerClientConnection* aConnection);
    virtual void DoClientPing(TZRVServerClientConnection* aConnection);
    virtual void DoServerPingTimeOut(TZRVServerClientConnection* aConnection);
    virtual void DoClientTicketAddCredit(TZRVServerClientConnection* aConnection, TZRVUserTicket* aTicket);

private:
    void Handler_OnClientConnect();
    void Accept(QTcpSocket* aSocket);
    void Handler_OnClientDisconnect(QTcpSocket* aSocket);
    void Handler_OnClientRead(QTcpSocket* aSocket);
    void Handler_OnClientError(QTcpSocket* aSocket, QAbstractSocket::SocketError aError);
    // The slot holding aSocket, or nothing (logged for the routine).
    TZRVServerClientConnection* ConnectionOf(QTcpSocket* aSocket, const char* aRoutine) const;
    void OnUDPServerRead();

    void AddSlot();
    void RemoveLastSlot();
    void AttachRelays(TZRVServerClientConnection* aConnection);
    // Calls aWork on every slot with a workstation.
    template <class F> void ForEachConnected(F&& aWork) const;
    template <class F> int CountConnected(F&& aTest) const;
    static void Release(QHash<QString, int>& aClaims, const QString& aKey);

    TZRVErrorLogger* fErrorLogger = nullptr;
    TNotifyEvent fOnServerConnectionClosed;
    TNotifyEvent fOnListen;
    std::vector<TZRVServerClientConnection*> fServerClientConnection;
    QTcpServer* fServerSocket;
    TStringList fServerInfos;
    TZRVDataBaseWorker* fDataBase = nullptr;
    QHash<QString, int> fAccountClaims;
    QHash<QString, int> fTicketClaims;
    TZRVClientConnectionEvent fOnNewClientConnection;
    TZRVClientConnectionEvent fOnClientDisconnection;
    TZRVClientConnectionEvent fOnClientSessionStart;
    TZRVClientConnectionEvent fOnClientSessionStop;
    TZRVClientConnectionEvent fOnUserConnectionClose;
    TZRVClientConnectionEvent fOnUserConnectionOpen;
    TZRVClientConnectionEvent fOnClientConnectionReady;
    TZRVClientConnectionEvent fOnClientShutdownStateChange;
    TZRVClientConfigConnectionEvent fOnClientConfigListAvailable;
    uint8_t fMaxConnections = 0;
    TZRVClientConnectionInfoMessageEvent fOnClientConnectionInfoMessage;
    TZRVClientConnectionEvent fOnClientAppsListAvailable;
    TZRVClientConnectionEvent fOnClientAppKillResult;
    QTimer* fWatchDogTimer;
    TNotifyEvent fOnWatchDog;
    TZRVClientConnectionEvent fOnClientPing;
    TZRVClientConnectionEvent fOnServerPingTimeOut;
    TZRVClientTicketAddCreditEvent fOnClientTicketAddCredit;
    QUdpSocket* FDhcpUDPServer;

    int fServerPort = c_DefaultServerPort;
    quint16 fDiscoveryPort = c_DefaultDiscoveryPort;
    QString fDiscoveryError;
    int fMachineRegistrationDelay = c_DefaultMachineRegistrationDelay;
    int fHandshakeDeadline = TZRVServerClientConnection::c_DefaultHandshakeDeadline;
    int fTag = 0;
    TZRVThrottle* fGuessThrottle;
    TZRVThrottle* fAccountCreationThrottle;
    TZRVWriteBackJournal* fWriteBacks;
    TZRVServerClaims* fClaims;
    uint32_t fSessionCountTolerance = c_DefaultSessionCountTolerance;
    bool fDestroying = false;
};

// The published listener: the same component with its properties and events.
class TZRVServerConnection : public TZRVCustomServerConnection {
    Q_OBJECT
public:
    using TZRVCustomServerConnection::TZRVCustomServerConnection;
};
