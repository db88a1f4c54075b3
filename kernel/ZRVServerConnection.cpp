#include "ZRVServerConnection.h"

#include "ZRVErrorLogger.h"
#include "ZRVServerClaims.h"
#include "ZRVUserAccount.h"
#include "ZRVUserSession.h"
#include "ZRVUserTicket.h"
#include "ZRVWriteBackJournal.h"

#include <QHostInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

namespace {

const QString c_Unit = QStringLiteral("ZRVServerConnection");
// Enough for every workstation of a full table connecting at once.
constexpr int c_ListenBacklog = 256;
constexpr int c_DefaultWatchDogInterval = 10000;
constexpr uint32_t c_DefaultPingInterval = 120000;
constexpr uint32_t c_DefaultPingTimeOut = 60000;
// Three account creations per address and hour.
constexpr TZRVThrottleSettings c_DefaultAccountCreations{.FreeFailures = 3, .WindowSecs = 3600};

bool AccountSessionOf(const TZRVServerClientConnection* aConnection, uint32_t aAccountID) {
    const TZRVUserSession* session = aConnection->UserConnection()->Session();
    return session->SessionType() == stAccount && session->Account()->AccountID() == aAccountID;
}

bool TicketSessionOf(const TZRVServerClientConnection* aConnection, uint32_t aTicketID) {
    const TZRVUserSession* session = aConnection->UserConnection()->Session();
    return session->SessionType() == stTicket && session->Ticket()->TicketID() == aTicketID;
}

} // namespace

TZRVCustomServerConnection::TZRVCustomServerConnection(QObject* aOwner)
    : QObject(aOwner), fServerSocket(new QTcpServer(this)), fWatchDogTimer(new QTimer(this)),
      FDhcpUDPServer(new QUdpSocket(this)), fGuessThrottle(new TZRVThrottle(this)),
      fAccountCreationThrottle(new TZRVThrottle(this)), fWriteBacks(new TZRVWriteBackJournal(this)),
      fClaims(new TZRVServerClaims(this)) {
    fAccountCreationThrottle->SetSettings(c_DefaultAccountCreations);
    fWriteBacks->SetOnError([this](const QString& aMessage) {
        LogError(aMessage, c_Unit, QStringLiteral("TZRVCustomServerConnection.WriteBacks"),
                 QStringLiteral("keep and try again"));
    });
    fServerSocket->setListenBacklogSize(c_ListenBacklog);
    connect(fServerSocket, &QTcpServer::newConnection, this,
            &TZRVCustomServerConnection::Handler_OnClientConnect);
    SetMaxConnections(10);
    fWatchDogTimer->setInterval(c_DefaultWatchDogInterval);
    connect(fWatchDogTimer, &QTimer::timeout, this, [this] {
        if (fOnWatchDog)
            fOnWatchDog(fWatchDogTimer);
    });
    connect(FDhcpUDPServer, &QUdpSocket::readyRead, this, &TZRVCustomServerConnection::OnUDPServerRead);
}

TZRVCustomServerConnection::~TZRVCustomServerConnection() {
    fDestroying = true;
    fWatchDogTimer->stop();
    Close();
    SetMaxConnections(0);
}

// =============================================================================================
// Listening

void TZRVCustomServerConnection::Open() {
    // Discovery is optional: the listener opens without it, and the host asks DiscoveryError.
    if (FDhcpUDPServer->state() != QAbstractSocket::BoundState)
        fDiscoveryError =
            FDhcpUDPServer->bind(QHostAddress::AnyIPv4, fDiscoveryPort, QUdpSocket::DontShareAddress)
                ? QString()
                : FDhcpUDPServer->errorString();
    if (fServerSocket->isListening())
        return;
    if (fServerPort < 0 || fServerPort > 65535 ||
        !fServerSocket->listen(QHostAddress::Any, quint16(fServerPort))) {
        FDhcpUDPServer->close();
        throw EZRVError(QStringLiteral("Unable to listen on port %1: %2")
                            .arg(fServerPort)
                            .arg(fServerSocket->errorString()));
    }
    fWriteBacks->Start();
    fClaims->Start();
    DoListen();
}

void TZRVCustomServerConnection::Close() {
    if (!Active())
        return;
    ForEachConnected([](TZRVServerClientConnection* c) { c->ShutDownConnection(); });
    fServerSocket->close();
    FDhcpUDPServer->close();
    fClaims->Stop();
    DoServerConnectionClosed();
}

bool TZRVCustomServerConnection::Active() const {
    return fServerSocket->isListening();
}

void TZRVCustomServerConnection::SetActive(bool aValue) {
    if (aValue == Active())
        return;
    if (aValue)
        Open();
    else
        Close();
}

int TZRVCustomServerConnection::ServerPort() const {
    return Active() ? fServerSocket->serverPort() : fServerPort;
}

void TZRVCustomServerConnection::SetServerPort(int aValue) {
    if (!Active())
        fServerPort = aValue;
}

quint16 TZRVCustomServerConnection::DiscoveryPort() const {
    return FDhcpUDPServer->state() == QAbstractSocket::BoundState ? FDhcpUDPServer->localPort()
                                                                  : fDiscoveryPort;
}

void TZRVCustomServerConnection::SetErrorLogger(TZRVErrorLogger* aValue) {
    if (aValue == fErrorLogger)
        return;
    fErrorLogger = aValue;
    for (TZRVServerClientConnection* c : fServerClientConnection)
        c->SetErrorLogger(aValue);
}

void TZRVCustomServerConnection::OnUDPServerRead() {
    // Whatever a datagram holds, the answer is where to connect.
    const QByteArray answer =
        QStringLiteral("%1:%2").arg(QHostInfo::localHostName()).arg(ServerPort()).toUtf8();
    while (FDhcpUDPServer->hasPendingDatagrams()) {
        QHostAddress sender;
        quint16 port = 0;
        if (FDhcpUDPServer->readDatagram(nullptr, 0, &sender, &port) >= 0 && port != 0)
            FDhcpUDPServer->writeDatagram(answer, sender, port);
    }
}

// =============================================================================================
// Accepted sockets

void TZRVCustomServerConnection::Handler_OnClientConnect() {
    while (fServerSocket->hasPendingConnections())
        Accept(fServerSocket->nextPendingConnection());
}

void TZRVCustomServerConnection::Accept(QTcpSocket* aSocket) {
    const uint8_t slot = GetFreeConnection();
    if (slot == 0) {
        aSocket->abort();
        aSocket->deleteLater();
        return;
    }
    connect(aSocket, &QTcpSocket::disconnected, this,
            [this, aSocket] { Handler_OnClientDisconnect(aSocket); });
    connect(aSocket, &QTcpSocket::readyRead, this, [this, aSocket] { Handler_OnClientRead(aSocket); });
    connect(aSocket, &QTcpSocket::errorOccurred, this,
            [this, aSocket](QAbstractSocket::SocketError e) { Handler_OnClientError(aSocket, e); });
    TZRVServerClientConnection* connection = GetConnection(slot);
    connection->AttachSocket(aSocket);
    connection->Handler_OnClientConnect();
    DoNewClientConnection(connection);
}

TZRVServerClientConnection* TZRVCustomServerConnection::ConnectionOf(QTcpSocket* aSocket,
                                                                     const char* aRoutine) const {
    if (const uint8_t slot = SocketToConnectionIndex(aSocket))
        return GetConnection(slot);
    LogError(QStringLiteral("SocketToConnectionIndex not found (scc not assigned)"), c_Unit,
             QString::fromLatin1(aRoutine), QStringLiteral("Nothing"));
    return nullptr;
}

void TZRVCustomServerConnection::Handler_OnClientDisconnect(QTcpSocket* aSocket) {
    aSocket->deleteLater();
    TZRVServerClientConnection* connection =
        ConnectionOf(aSocket, "TZRVCustomServerConnection.Handler_OnClientDisconnect");
    if (!connection)
        return;
    connection->Handler_OnClientDisconnect();
    DoClientDisconnection(connection);
}

void TZRVCustomServerConnection::Handler_OnClientRead(QTcpSocket* aSocket) {
    if (TZRVServerClientConnection* c =
            ConnectionOf(aSocket, "TZRVCustomServerConnection.Handler_OnClientRead"))
        c->Handler_OnClientRead();
    else
        aSocket->readAll(); // nobody will read it
}

void TZRVCustomServerConnection::Handler_OnClientError(QTcpSocket* aSocket,
                                                       QAbstractSocket::SocketError aError) {
    if (aError == QAbstractSocket::RemoteHostClosedError)
        return; // a workstation leaving is not an error: its disconnect follows
    if (TZRVServerClientConnection* c =
            ConnectionOf(aSocket, "TZRVCustomServerConnection.Handler_OnClientError"))
        c->Handler_OnClientError(aError);
}

// =============================================================================================
// The table

void TZRVCustomServerConnection::SetMaxConnections(uint8_t aValue) {
    try {
        while (fServerClientConnection.size() > aValue)
            RemoveLastSlot();
        while (fServerClientConnection.size() < aValue)
            AddSlot();
    } catch (const std::exception& e) {
        LogError(QString::fromUtf8(e.what()), c_Unit,
                 QStringLiteral("TZRVCustomServerConnection.SetMaxConnections"), QStringLiteral("Nothing"));
    }
    fMaxConnections = uint8_t(fServerClientConnection.size());
}

void TZRVCustomServerConnection::AddSlot() {
    auto* connection = new TZRVServerClientConnection(this);
    fServerClientConnection.push_back(connection);
    AttachRelays(connection);
    connection->SetErrorLogger(fErrorLogger);
    connection->SetHandshakeDeadline(fHandshakeDeadline);
}

void TZRVCustomServerConnection::RemoveLastSlot() {
    TZRVServerClientConnection* connection = fServerClientConnection.back();
    if (connection->Connected()) {
        connection->ShutDownConnection();
        connection->AbortConnection(); // the slot goes now: no waiting for the workstation to read
    }
    fServerClientConnection.pop_back();
    delete connection;
}

void TZRVCustomServerConnection::AttachRelays(TZRVServerClientConnection* aConnection) {
    using Operation = void (TZRVCustomServerConnection::*)(TZRVServerClientConnection*);
    const auto relay = [this](Operation aDo) -> TNotifyEvent {
        return [this, aDo](QObject* Sender) {
            if (auto* c = qobject_cast<TZRVServerClientConnection*>(Sender))
                (this->*aDo)(c);
        };
    };
    aConnection->SetOnReady(relay(&TZRVCustomServerConnection::DoClientConnectionReady));
    aConnection->SetOnSessionStart(relay(&TZRVCustomServerConnection::DoClientSessionStart));
    aConnection->SetOnSessionStop(relay(&TZRVCustomServerConnection::DoClientSessionStop));
    aConnection->SetOnUserConnectionOpen(relay(&TZRVCustomServerConnection::DoUserConnectionOpen));
    aConnection->SetOnUserConnectionClose(relay(&TZRVCustomServerConnection::DoUserConnectionClose));
    aConnection->SetOnShutdownStateChange(relay(&TZRVCustomServerConnection::DoClientShutdownStateChange));
    aConnection->SetOnClientAppsListAvailable(relay(&TZRVCustomServerConnection::DoClientAppsListAvailable));
    aConnection->SetOnClientAppKillResult(relay(&TZRVCustomServerConnection::DoClientAppKillResult));
    aConnection->SetOnClientPing(relay(&TZRVCustomServerConnection::DoClientPing));
    aConnection->SetOnServerPingTimeOut(relay(&TZRVCustomServerConnection::DoServerPingTimeOut));
    aConnection->SetOnInfoMessage([this](QObject* Sender, const QString& aMsg) {
        if (auto* c = qobject_cast<TZRVServerClientConnection*>(Sender))
            DoClientConnectionInfoMessage(c, aMsg);
    });
    aConnection->SetOnClientConfigListAvailable([this](QObject* Sender, const TStringList& aList) {
        if (auto* c = qobject_cast<TZRVServerClientConnection*>(Sender))
            DoClientConfigListAvailable(c, aList);
    });
    aConnection->SetOnTicketAddCredit([this](QObject* Sender, TZRVUserTicket* aTicket) {
        DoClientTicketAddCredit(qobject_cast<TZRVServerClientConnection*>(Sender), aTicket);
    });
}

template <class F> void TZRVCustomServerConnection::ForEachConnected(F&& aWork) const {
    for (TZRVServerClientConnection* c : fServerClientConnection)
        if (c->Connected())
            aWork(c);
}

template <class F> int TZRVCustomServerConnection::CountConnected(F&& aTest) const {
    int count = 0;
    ForEachConnected([&](const TZRVServerClientConnection* c) { count += aTest(c) ? 1 : 0; });
    return count;
}

TZRVServerClientConnection* TZRVCustomServerConnection::GetConnection(uint8_t aIndex) const {
    if (aIndex == 0 || aIndex > fServerClientConnection.size())
        return nullptr;
    return fServerClientConnection[aIndex - 1];
}

uint8_t TZRVCustomServerConnection::GetConnectionsCount() const {
    return uint8_t(CountConnected([](const TZRVServerClientConnection*) { return true; }));
}

uint8_t TZRVCustomServerConnection::GetFreeConnection() const {
    for (size_t i = 0; i < fServerClientConnection.size(); ++i)
        if (!fServerClientConnection[i]->Connected())
            return uint8_t(i + 1);
    return 0;
}

TZRVServerClientConnection* TZRVCustomServerConnection::GetActiveConnections(uint8_t aIndex) const {
    int position = 0;
    for (TZRVServerClientConnection* c : fServerClientConnection)
        if (c->Connected() && ++position == aIndex)
            return c;
    return nullptr;
}

uint8_t TZRVCustomServerConnection::SocketToConnectionIndex(const QTcpSocket* aSocket) const {
    if (!aSocket)
        return 0;
    for (size_t i = 0; i < fServerClientConnection.size(); ++i) {
        const TZRVServerClientConnection* c = fServerClientConnection[i];
        if (c->Connected() && c->WinSocket() == aSocket)
            return uint8_t(i + 1);
    }
    return 0;
}

int32_t TZRVCustomServerConnection::AccountSessionRunning(uint32_t aAccountID) const {
    if (aAccountID == 0)
        return 0;
    int position = 0;
    for (const TZRVServerClientConnection* c : fServerClientConnection) {
        if (!c->Connected())
            continue;
        ++position;
        if (c->Ready() && c->UserConnection()->Connected() && AccountSessionOf(c, aAccountID))
            return position;
    }
    return 0;
}

int32_t TZRVCustomServerConnection::TicketSessionRunning(uint32_t aTicketID) const {
    if (aTicketID == 0)
        return 0;
    int position = 0;
    for (const TZRVServerClientConnection* c : fServerClientConnection) {
        if (!c->Connected())
            continue;
        ++position;
        if (c->Ready() && c->UserConnection()->Connected() && TicketSessionOf(c, aTicketID))
            return position;
    }
    return 0;
}

void TZRVCustomServerConnection::Release(QHash<QString, int>& aClaims, const QString& aKey) {
    const auto claim = aClaims.find(aKey.toCaseFolded());
    if (claim != aClaims.end() && --claim.value() <= 0)
        aClaims.erase(claim);
}

int TZRVCustomServerConnection::DuplicatedAccount(const QString& aName) const {
    return fAccountClaims.value(aName.toCaseFolded()) +
           CountConnected([&](const TZRVServerClientConnection* c) {
               const TZRVUserSession* s = c->UserConnection()->Session();
               return c->UserConnection()->Connected() && s->SessionType() == stAccount &&
                      s->Account()->AccountName().compare(aName, Qt::CaseInsensitive) == 0;
           });
}

int TZRVCustomServerConnection::DuplicatedTicket(const QString& aCode) const {
    return fTicketClaims.value(aCode.toCaseFolded()) +
           CountConnected([&](const TZRVServerClientConnection* c) {
               const TZRVUserSession* s = c->UserConnection()->Session();
               return c->UserConnection()->Connected() && s->SessionType() == stTicket &&
                      s->Ticket()->Code().compare(aCode, Qt::CaseInsensitive) == 0;
           });
}

int TZRVCustomServerConnection::DuplicatedSession(const TZRVUserSession* aSession) const {
    if (!aSession)
        return 0;
    const auto id = [](const TZRVUserSession* s) -> uint32_t {
        switch (s->SessionType()) {
        case stAccount:
            return s->Account()->AccountID();
        case stTicket:
            return s->Ticket()->TicketID();
        default:
            return 0;
        }
    };
    const uint32_t wanted = id(aSession);
    if (wanted == 0)
        return 0;
    return CountConnected([&](const TZRVServerClientConnection* c) {
        const TZRVUserSession* s = c->UserConnection()->Session();
        return c->UserConnection()->Connected() && s->SessionType() == aSession->SessionType() &&
               id(s) == wanted;
    });
}

TZRVServerClientConnection* TZRVCustomServerConnection::SessionHolder(const QString& aToken) const {
    if (aToken.isEmpty())
        return nullptr;
    for (TZRVServerClientConnection* c : fServerClientConnection)
        if (c->Connected() && c->UserConnection()->Connected() &&
            c->UserConnection()->SessionToken() == aToken)
            return c;
    return nullptr;
}

// =============================================================================================
// Settings passed on to the slots

uint32_t TZRVCustomServerConnection::ServerPingTimeOut() const {
    return fServerClientConnection.empty() ? c_DefaultPingTimeOut
                                           : fServerClientConnection[0]->ServerPingTimeOut();
}

void TZRVCustomServerConnection::SetServerPingTimeOut(uint32_t aValue) {
    for (TZRVServerClientConnection* c : fServerClientConnection)
        c->SetServerPingTimeOut(aValue);
}

uint32_t TZRVCustomServerConnection::ServerPingInterval() const {
    return fServerClientConnection.empty() ? c_DefaultPingInterval
                                           : fServerClientConnection[0]->ServerPingInterval();
}

void TZRVCustomServerConnection::SetServerPingInterval(uint32_t aValue) {
    for (TZRVServerClientConnection* c : fServerClientConnection)
        c->SetServerPingInterval(aValue);
}

bool TZRVCustomServerConnection::ServerPingEnabled() const {
    return !fServerClientConnection.empty() && fServerClientConnection[0]->ServerPingEnabled();
}

void TZRVCustomServerConnection::SetServerPingEnabled(bool aValue) {
    for (TZRVServerClientConnection* c : fServerClientConnection)
        c->SetServerPingEnabled(aValue);
}

bool TZRVCustomServerConnection::AutoDBUpdateSession() const {
    return !fServerClientConnection.empty() &&
           fServerClientConnection[0]->UserConnection()->AutoDBUpdateSession();
}

void TZRVCustomServerConnection::SetAutoDBUpdateSession(bool aValue) {
    for (TZRVServerClientConnection* c : fServerClientConnection)
        c->UserConnection()->SetAutoDBUpdateSession(aValue);
}

void TZRVCustomServerConnection::SetHandshakeDeadline(int aMSecs) {
    fHandshakeDeadline = aMSecs;
    for (TZRVServerClientConnection* c : fServerClientConnection)
        c->SetHandshakeDeadline(aMSecs);
}

uint32_t TZRVCustomServerConnection::WatchDogInterval() const {
    return uint32_t(fWatchDogTimer->interval());
}

void TZRVCustomServerConnection::SetWatchDogInterval(uint32_t aValue) {
    fWatchDogTimer->setInterval(int(std::min<uint32_t>(aValue, INT_MAX)));
}

void TZRVCustomServerConnection::SetDataBase(TZRVDataBaseWorker* aValue) {
    fDataBase = aValue;
    fWriteBacks->SetDataBase(aValue);
}

void TZRVCustomServerConnection::LogError(const QString& aMessage, const QString& aUnitName,
                                          const QString& aRoutineName, const QString& aAction) const {
    LogErrorTo(fErrorLogger, aMessage, aUnitName, aRoutineName, aAction);
}

// =============================================================================================
// Events

void TZRVCustomServerConnection::DoServerConnectionClosed() {
    if (fOnServerConnectionClosed)
        fOnServerConnectionClosed(this);
}

void TZRVCustomServerConnection::DoListen() {
    if (fOnListen)
        fOnListen(this);
}

void TZRVCustomServerConnection::DoNewClientConnection(TZRVServerClientConnection* aConnection) {
    if (fOnNewClientConnection)
        fOnNewClientConnection(this, aConnection);
}

void TZRVCustomServerConnection::DoClientConnectionReady(TZRVServerClientConnection* aConnection) {
    if (fOnClientConnectionReady)
        fOnClientConnectionReady(this, aConnection);
}

void TZRVCustomServerConnection::DoClientConnectionInfoMessage(TZRVServerClientConnection* aConnection,
                                                               const QString& aMsg) {
    if (fOnClientConnectionInfoMessage)
        fOnClientConnectionInfoMessage(this, aConnection, aMsg);
}

void TZRVCustomServerConnection::DoClientDisconnection(TZRVServerClientConnection* aConnection) {
    if (fOnClientDisconnection && !fDestroying)
        fOnClientDisconnection(this, aConnection);
}

void TZRVCustomServerConnection::DoUserConnectionOpen(TZRVServerClientConnection* aConnection) {
    if (fOnUserConnectionOpen)
        fOnUserConnectionOpen(this, aConnection);
}

void TZRVCustomServerConnection::DoUserConnectionClose(TZRVServerClientConnection* aConnection) {
    if (fOnUserConnectionClose)
        fOnUserConnectionClose(this, aConnection);
}

void TZRVCustomServerConnection::DoClientSessionStart(TZRVServerClientConnection* aConnection) {
    if (fOnClientSessionStart)
        fOnClientSessionStart(this, aConnection);
}

void TZRVCustomServerConnection::DoClientSessionStop(TZRVServerClientConnection* aConnection) {
    if (fOnClientSessionStop)
        fOnClientSessionStop(this, aConnection);
}

void TZRVCustomServerConnection::DoClientShutdownStateChange(TZRVServerClientConnection* aConnection) {
    if (fOnClientShutdownStateChange)
        fOnClientShutdownStateChange(this, aConnection);
}

void TZRVCustomServerConnection::DoClientConfigListAvailable(TZRVServerClientConnection* aConnection,
                                                             const TStringList& aList) {
    if (fOnClientConfigListAvailable)
        fOnClientConfigListAvailable(this, aConnection, aList);
}

void TZRVCustomServerConnection::DoClientAppsListAvailable(TZRVServerClientConnection* aConnection) {
    if (fOnClientAppsListAvailable)
        fOnClientAppsListAvailable(this, aConnection);
}

void TZRVCustomServerConnection::DoClientAppKillResult(TZRVServerClientConnection* aConnection) {
    if (fOnClientAppKillResult)
        fOnClientAppKillResult(this, aConnection);
}

void TZRVCustomServerConnection::DoClientPing(TZRVServerClientConnection* aConnection) {
    if (fOnClientPing)
        fOnClientPing(this, aConnection);
}

void TZRVCustomServerConnection::DoServerPingTimeOut(TZRVServerClientConnection* aConnection) {
    if (fOnServerPingTimeOut) {
        fOnServerPingTimeOut(this, aConnection);
        return;
    }
    aConnection->ShutDownConnection();
    LogError(aConnection->PingTimeOutMessage(ServerPingInterval(), ServerPingTimeOut()), c_Unit,
             QStringLiteral("TZRVCustomServerConnection.DoServerPingTimeOut"),
             QStringLiteral("LOG-CONTINUE"));
}

void TZRVCustomServerConnection::DoClientTicketAddCredit(TZRVServerClientConnection* aConnection,
                                                         TZRVUserTicket* aTicket) {
    if (fOnClientTicketAddCredit)
        fOnClientTicketAddCredit(this, aConnection, aTicket);
}
