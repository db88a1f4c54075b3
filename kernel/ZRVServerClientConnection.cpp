#include "ZRVServerClientConnection.h"

#include "ZRVCrypt.h"
#include "ZRVDataBase.h"
#include "ZRVErrorLogger.h"
#include "ZRVMachine.h"
#include "ZRVServerConfig.h"
#include "ZRVServerConnection.h"
#include "ZRVUserAccount.h"
#include "ZRVUserSession.h"

#include <QHash>
#include <QTcpSocket>
#include <QTimer>

#include <climits>

namespace {

const QString c_Unit = QStringLiteral("ZRVServerConnection");
constexpr int c_DefaultPingInterval = 120000;
constexpr int c_DefaultPingTimeOut = 60000;
// How long a closing link may wait for the workstation to take what is still to be sent.
constexpr int c_CloseTimeOut = 5000;

int TimerInterval(uint32_t aValue) {
    return int(std::min<uint32_t>(aValue, INT_MAX));
}

// The dotted address of an IPv4 peer reached through a dual-stack socket.
QString AddressText(const QHostAddress& aAddress) {
    bool isIPv4 = false;
    const quint32 v4 = aAddress.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(v4).toString() : aAddress.toString();
}

// The error kinds of the socket layer the log distinguishes.
enum TErrorKind { ekGeneral, ekSend, ekReceive, ekConnect, ekDisconnect, ekOther };

TErrorKind ErrorKind(QAbstractSocket::SocketError aError) {
    switch (aError) {
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::SocketTimeoutError:
        return ekConnect;
    case QAbstractSocket::NetworkError:
        return ekDisconnect;
    case QAbstractSocket::SocketResourceError:
    case QAbstractSocket::SocketAccessError:
        return ekGeneral;
    case QAbstractSocket::DatagramTooLargeError:
        return ekSend;
    case QAbstractSocket::TemporaryError:
        return ekReceive;
    default:
        return ekOther;
    }
}

// The value of the first line of each name (names in lower case), for lists looked up by many keys.
QHash<QString, QString> FirstValues(const TStringList& aList) {
    QHash<QString, QString> values;
    for (int i = 0; i < aList.Count(); ++i) {
        if (!aList[i].contains(u'='))
            continue; // not a Name=Value line
        const QString name = aList.Names(i).toLower();
        if (!values.contains(name))
            values.insert(name, aList.ValueFromIndex(i));
    }
    return values;
}

} // namespace

TZRVServerClientConnection::TZRVServerClientConnection(QObject* aOwner)
    : QObject(aOwner), fCrypt(new TZRVCrypt(this)), fClientMachine(std::make_unique<TZRVMachine>()),
      fUserConnection(new TZRVServerUserConnection(this)),
      fClientConfig(std::make_unique<TZRVServerClientConfig>()), fPingTimer(new QTimer(this)),
      fPingTimeOutTimer(new QTimer(this)), fReader(new TZRVMessageReader(this)),
      fHandshakeTimer(new QTimer(this)) {
    fUserConnection->SetOnOpen([this](QObject*) { Handler_OnUserConnectionOpen(); });
    fUserConnection->SetOnClose([this](QObject*) { Handler_OnUserConnectionClose(); });
    fUserConnection->Session()->SetOnStart([this](QObject*) { Handler_OnSessionStart(); });
    fUserConnection->Session()->SetOnStop([this](QObject*) { Handler_OnSessionStop(); });
    fPingTimer->setInterval(c_DefaultPingInterval);
    fPingTimeOutTimer->setInterval(c_DefaultPingTimeOut);
    connect(fPingTimer, &QTimer::timeout, this, [this] { Handler_Timer(fPingTimer); });
    connect(fPingTimeOutTimer, &QTimer::timeout, this, [this] { Handler_Timer(fPingTimeOutTimer); });
    fHandshakeTimer->setSingleShot(true);
    fHandshakeTimer->setInterval(c_DefaultHandshakeDeadline);
    connect(fHandshakeTimer, &QTimer::timeout, this, &TZRVServerClientConnection::HandshakeOverdue);
    fReader->Buffer().SetMaxTail(c_MaxMessageSize);
    fReader->SetOnBody([this](const QString& aBody) { HandleBody(aBody); });
    fReader->Buffer().SetOnTailDropped([this](qsizetype aBytes) {
        LogError(QStringLiteral("Message of more than %1 bytes dropped").arg(aBytes), c_Unit,
                 QStringLiteral("TZRVServerClientConnection.Handler_OnClientRead"), QStringLiteral("Log"));
    });
}

TZRVServerClientConnection::~TZRVServerClientConnection() {
    fDestroying = true;
    if (fConnected) {
        ShutDownConnection();
        AbortConnection();
    }
    delete fUserConnection; // before the records it writes back go
}

TZRVCustomServerConnection* TZRVServerClientConnection::Server() const {
    return qobject_cast<TZRVCustomServerConnection*>(parent());
}

// =============================================================================================
// Socket handlers

void TZRVServerClientConnection::AttachSocket(QTcpSocket* aSocket) {
    SetLinkSocketOptions(*aSocket);
    fWinSocket = aSocket;
    fRemoteAddress = AddressText(aSocket->peerAddress());
    fSocketHandle = int32_t(aSocket->socketDescriptor());
    fReader->Clear();
    ++fConnectionSerial;
    fRemoteHost.clear(); // the slot's previous workstation is not the new one
}

void TZRVServerClientConnection::Handler_OnClientConnect() {
    fConnected = true;
    fReady = false;
    fHandshaken = false;
    fClientReady = false;
    fUserConnection->Session()->Clear();
    // A peer that never finishes the handshake must not hold the slot.
    fHandshakeTimer->start();
    DoConnect();
    OpenConnection();
}

void TZRVServerClientConnection::HandshakeOverdue() {
    if (!fConnected)
        return;
    LogError(QStringLiteral("The workstation %1 did not finish the handshake within %2 ms: link dropped")
                 .arg(fRemoteAddress)
                 .arg(HandshakeDeadline()),
             c_Unit, QStringLiteral("TZRVServerClientConnection.HandshakeOverdue"), QStringLiteral("Log"));
    AbortConnection();
}

int TZRVServerClientConnection::HandshakeDeadline() const {
    return fHandshakeTimer->interval();
}

void TZRVServerClientConnection::SetHandshakeDeadline(int aMSecs) {
    fHandshakeTimer->setInterval(aMSecs);
}

void TZRVServerClientConnection::Handler_OnClientDisconnect() {
    fReady = false;
    fClientReady = false;
    fConnected = false;
    fUserConnection->Suspend();
    DoDisconnect();
    fWinSocket = nullptr;
    fReader->Clear();
}

void TZRVServerClientConnection::Handler_OnClientRead() {
    if (fWinSocket)
        Receive(fWinSocket->readAll());
}

void TZRVServerClientConnection::Receive(QByteArrayView aBytes) {
    fReader->Feed(aBytes);
}

void TZRVServerClientConnection::HandleBody(QString aBody) {
    if (!fConnected)
        return; // the link went while the bytes read were handled
    if (aBody.size() > c_MaxMessageSize) {
        LogError(QStringLiteral("Message of %1 characters dropped").arg(aBody.size()), c_Unit,
                 QStringLiteral("TZRVServerClientConnection.Handler_OnClientRead"), QStringLiteral("Log"));
        return;
    }
    try {
        fCrypt->Decrypt(aBody);
        Dispatch(aBody);
    } catch (const std::exception& e) {
        LogError(QString::fromUtf8(e.what()), QStringLiteral("ZRVClientConnection"),
                 QStringLiteral("TZRVClientConnection.SocketReadHandler"),
                 QStringLiteral("free objects and exit"));
    }
}

void TZRVServerClientConnection::Dispatch(const QString& aPiece) {
    TStringList message;
    switch (LoadMessage(aPiece, message)) {
    case mkClientConnection:
        DoClientConnection_msgid(aPiece);
        break;
    case mkUserConnection:
        DoUserConnection_msgid(aPiece);
        break;
    case mkCustomMessage:
        DoCustomMessage(aPiece);
        break;
    case mkUnknown:
        break; // not ours: dropped
    }
}

void TZRVServerClientConnection::Handler_OnClientError(QAbstractSocket::SocketError aError) {
    struct TKindLog {
        const char* Suffix;
        const char* Action;
    };
    static const TKindLog logs[] = {
        {"/General", "Exit"},
        {"/Send", "Exit"},
        {"/Receive", "Exit"},
        {"/Connect", "Call SocketDisconnectHandler and Exit"},
        {"/Disconnect", "Call SocketDisconnectHandler and Exit"},
        {nullptr, "Log and exit"},
    };
    // Connect and disconnect errors end the link: the socket then reports its disconnect, which
    // runs the disconnect handler.
    const TKindLog& log = logs[ErrorKind(aError)];
    const QString message = log.Suffix ? QString::number(int(aError)) + QLatin1String(log.Suffix) : QString();
    LogError(message, QStringLiteral("ZRVClientConnection"),
             QStringLiteral("TZRVClientConnection.SocketErrorHandler"), QString::fromLatin1(log.Action));
}

// =============================================================================================
// Sending

bool TZRVServerClientConnection::Send(const QString& aText) {
    if (!fConnected || !fWinSocket)
        return false;
    const QByteArray bytes = EncodeMessage(aText, *fCrypt);
    if (fWinSocket->bytesToWrite() + bytes.size() > c_MaxPendingOutput) {
        LogError(
            QStringLiteral("The workstation %1 does not read what is sent: link dropped").arg(fRemoteAddress),
            c_Unit, QStringLiteral("TZRVServerClientConnection.Send"), QStringLiteral("Log"));
        AbortConnection();
        return false;
    }
    // Handed to the system at once rather than at the event loop's next turn, which would first
    // poll every workstation's socket again.
    fWinSocket->write(bytes);
    fWinSocket->flush();
    return true;
}

bool TZRVServerClientConnection::SendLines(const QStringList& aLines) {
    return Send(TStringList(aLines).Text());
}

void TZRVServerClientConnection::SendCommand(const QString& aReasonLine) {
    SendLines({c_msgid_ClientConnection, aReasonLine});
}

bool TZRVServerClientConnection::SendClientMessage(const QString& aMsg) {
    if (!fReady)
        return false;
    return SendLines({c_msgid_ClientConnection, c_msgreason_InfoMessage, c_INFOMESSAGE + u'=' + aMsg});
}

void TZRVServerClientConnection::CommandCloseClientConnection() {
    SendCommand(c_msgreason_CommandCloseClientConnection);
}
void TZRVServerClientConnection::CommandCloseClientModule() {
    SendCommand(c_msgreason_CommandCloseClientModule);
}
void TZRVServerClientConnection::CommandCloseUserConnection() {
    SendCommand(c_msgreason_CommandCloseUserConnection);
}
void TZRVServerClientConnection::CommandCloseUserSession() {
    SendCommand(c_msgreason_CommandCloseUserSession);
}
void TZRVServerClientConnection::CommandLaunchClientModule() {
    SendCommand(c_msgreason_CommandLaunchClientModule);
}
void TZRVServerClientConnection::CommandRebootWorkStation() {
    SendCommand(c_msgreason_CommandRebootWorkStation);
}
void TZRVServerClientConnection::CommandShutdownWorkStation() {
    SendCommand(c_msgreason_CommandShutdownWorkStation);
}
void TZRVServerClientConnection::RequestRunningApplications() {
    SendCommand(c_msgreason_GetRunningApplicationsList);
}

void TZRVServerClientConnection::TerminateApplication(uint32_t aHandle, bool aNotify) {
    SendLines({c_msgid_ClientConnection, c_msgreason_TerminateApplication,
               QStringLiteral("Handle=") + IntToStr(aHandle),
               QStringLiteral("Notify=") + BoolToStr(aNotify)});
}

void TZRVServerClientConnection::RequestClientConfigList() {
    if (fConnected)
        SendCommand(c_msgreason_GetConfigList);
}

void TZRVServerClientConnection::SendClientConfigList(TStringList& aList) {
    if (!fConnected || aList.IsEmpty())
        return;
    aList.Add(c_msgid_ClientConnection);
    aList.Add(c_msgreason_SetConfigList);
    Send(aList.Text());
}

void TZRVServerClientConnection::ApplyClientConfig() {
    TStringList list = fClientConfig->SaveToStringList();
    list.Add(c_msgid_ClientConnection);
    list.Add(c_msgreason_SetConfigList);
    Send(list.Text());
}

void TZRVServerClientConnection::SetShuttedDown(bool aValue) {
    if (aValue == fShuttedDown)
        return;
    if (aValue)
        CommandCloseClientModule();
    else
        CommandLaunchClientModule();
}

QString TZRVServerClientConnection::CreateAccountIn(TZRVDataBase& aDb, TZRVUserAccount& aAccount) {
    if (!aDb.GetOpenned())
        return QStringLiteral("Base de données non ouverte");
    if (aDb.AccountExists(aAccount.AccountName()) != 0)
        return QStringLiteral("Nom de compte déjà existant");
    if (!aDb.AddAccount(&aAccount))
        return QStringLiteral("Une erreur est survenue lors de la création du compte");
    return QString();
}

void TZRVServerClientConnection::RequestCreateAccount(const TZRVUserAccount& aAccount,
                                                      std::function<void(uint32_t)> aAdded) {
    const TZRVCustomServerConnection* server = Server();
    TZRVDataBaseWorker* db = server ? server->DataBase() : nullptr;
    if (!db)
        return AnswerCreateAccount(QStringLiteral("Base de données non prête"), nullptr);
    auto account = std::make_shared<TZRVUserAccount>();
    account->Copy(&aAccount);
    db->Post(
        this,
        [account](TZRVDataBase& aDb) {
            const QString refusal = CreateAccountIn(aDb, *account);
            return std::make_pair(refusal, account);
        },
        [this, serial = fConnectionSerial, aAdded](auto aOutcome) {
            if (!aOutcome.Ok() && !aOutcome.Late)
                return LogError(aOutcome.Error, c_Unit,
                                QStringLiteral("TZRVServerClientConnection.RequestCreateAccount"),
                                QStringLiteral("free and exit"));
            const QString refusal =
                aOutcome.Ok() ? aOutcome.Value->first : QStringLiteral("Base de données non ouverte");
            if (refusal.isEmpty() && aAdded)
                aAdded(aOutcome.Value->second->AccountID());
            if (serial == fConnectionSerial && fConnected)
                AnswerCreateAccount(refusal, refusal.isEmpty() ? aOutcome.Value->second.get() : nullptr);
        });
}

void TZRVServerClientConnection::AnswerCreateAccount(const QString& aRefusal,
                                                     const TZRVUserAccount* aAccount) {
    TStringList reply = aAccount ? aAccount->SaveToStringList() : TStringList();
    reply.Add(c_msgid_ClientConnection);
    reply.Add(c_msgreason_CreateAccount);
    reply.Add(QStringLiteral("Success"), BoolToStr(aRefusal.isEmpty()));
    reply.Add(QStringLiteral("Message"),
              aRefusal.isEmpty() ? QStringLiteral("Compte crée avec succès") : aRefusal);
    Send(reply.Text());
}

void TZRVServerClientConnection::ShutDownConnection() {
    if (!fConnected)
        return;
    try {
        fUserConnection->Suspend();
        if (QTcpSocket* socket = fWinSocket) {
            socket->disconnectFromHost();
            // A workstation that never takes the rest must not hold the slot.
            if (socket->state() != QAbstractSocket::UnconnectedState)
                QTimer::singleShot(c_CloseTimeOut, socket, [socket] { socket->abort(); });
        }
    } catch (const std::exception& e) {
        LogError(QString::fromUtf8(e.what()), c_Unit,
                 QStringLiteral("TZRVServerClientConnection.ShutDownConnection"),
                 QStringLiteral("Log, and call <Handler_OnClientDisconnect> event handler manually"));
        Handler_OnClientDisconnect();
    }
}

void TZRVServerClientConnection::AbortConnection() {
    if (fWinSocket)
        fWinSocket->abort();
    if (fConnected) // no listener took the socket's disconnect
        Handler_OnClientDisconnect();
}

// =============================================================================================
// Handshake and the default handler

void TZRVServerClientConnection::OpenConnection() {
    fConnected = true;
    TStringList handshake({c_msgid_ClientConnection, c_msgreason_ServerHandshake,
                           QStringLiteral("SvrVersion=2.3"), QStringLiteral("SvrProtocolVersion=0.4"),
                           QStringLiteral("SvrDateTime=") + DateTimeToStr(Now())});
    TZRVCustomServerConnection* server = Server();
    if (server)
        for (const QString& line : server->ServerInfos().Lines())
            handshake.Add(QStringLiteral("Nfos_") + line);
    DoServerHandShake(server ? server->ServerInfos() : TStringList());
    Send(handshake.Text());
}

void TZRVServerClientConnection::DefaultHandler_ClientConnection_msgid(QObject* /*Sender*/,
                                                                       const QString& aMessage) {
    TStringList m;
    m.SetText(aMessage);
    const QString reason = m.Values(c_MessageReason);
    const auto is = [&](const QString& aReason) { return reason.compare(aReason, Qt::CaseInsensitive) == 0; };
    if (is(c_CLIENT_HANDSHAKE)) {
        ClientHandShake(m);
    } else if (is(c_CLIENT_READY)) {
        ClientReady(m);
    } else if (is(c_CLIENT_SHUTDOWN_STATE)) {
        fShuttedDown = ReadBool(m, QStringLiteral("NewState"));
        DoShutdownStateChange();
    } else if (is(c_GET_CONFIG_LIST)) {
        fClientConfig->LoadFromStringList(m);
        DoClientConfigListAvailable(m);
    } else if (is(c_INFOMESSAGE)) {
        DoInfoMessage(m.Values(c_INFOMESSAGE));
    } else if (is(c_GET_RUNNING_APPLICATIONS_LIST)) {
        RunningApplications(m);
    } else if (is(c_TERMINATE_APPLICATION)) {
        fKillResult = ReadBool(m, QStringLiteral("Success"));
        RequestRunningApplications();
        DoClientAppKillResult();
    } else if (is(c_SERVER_PING)) {
        fPingTimeOutTimer->stop();
    } else if (is(c_CLIENT_PING)) {
        Send(aMessage);
        DoClientPing();
    } else if (!fClientReady) { // user requests only once the workstation is ready
        LogError(QStringLiteral("Request of the workstation %1 before its ready answer dropped: %2")
                     .arg(fRemoteAddress, reason.left(64)),
                 c_Unit, QStringLiteral("TZRVServerClientConnection.DefaultHandler_ClientConnection_msgid"),
                 QStringLiteral("Log and ignore"));
    } else if (is(c_GET_SECRETQUESTIONS_LIST)) {
        TZRVSvrSQList::Create(this);
    } else {
        fUserConnection->ProcessMessage(this, aMessage);
    }
}

void TZRVServerClientConnection::ClientHandShake(const TStringList& aMessage) {
    if (fHandshaken) { // one workstation, one machine per connection
        LogError(QStringLiteral("Repeated handshake of the workstation %1 ignored").arg(fRemoteAddress),
                 c_Unit,
                 QStringLiteral(
                     "TZRVServerClientConnection.DefaultHandler_ClientConnection_msgid::CLIENTHANDSHAKE"),
                 QStringLiteral("Log and ignore"));
        return;
    }
    fHandshaken = true;
    const QString prefix = QStringLiteral("Infos_");
    fClientInfos.Clear();
    for (const QString& line : aMessage.Lines())
        if (line.startsWith(prefix, Qt::CaseInsensitive))
            fClientInfos.Add(line.mid(prefix.size()));
    try {
        // A record that does not read leaves the previous one whole.
        auto machine = std::make_unique<TZRVMachine>();
        machine->LoadFromStringList(aMessage);
        machine->SetMachineID(0); // the server gives it its key when it registers it
        fClientMachine = std::move(machine);
        fRemoteHost = fClientMachine->MachineName();
        RegisterMachine();
    } catch (const std::exception& e) {
        LogError(QString::fromUtf8(e.what()), c_Unit,
                 QStringLiteral(
                     "TZRVServerClientConnection.DefaultHandler_ClientConnection_msgid::CLIENTHANDSHAKE"),
                 QStringLiteral("free and exit"));
    }
    DoClientHandShake(fClientInfos);
    fReady = true;
    SendLines({c_msgid_ClientConnection, c_msgreason_ServerReady, c_ReadyValue + QStringLiteral("=-1")});
}

void TZRVServerClientConnection::RegisterMachine() {
    const TZRVCustomServerConnection* server = Server();
    if (server && server->DataBase())
        TZRVSvrTasks::Create(this, steAddUpdateMachine, TStringList(), server->MachineRegistrationDelay());
}

void TZRVServerClientConnection::ClientReady(const TStringList& aMessage) {
    const QString value = aMessage.Values(c_ReadyValue);
    if (StrToBool(value.isEmpty() ? QStringLiteral("0") : value)) {
        fHandshakeTimer->stop();
        fReady = true;
        fClientReady = fHandshaken;
        fShuttedDown = ReadBool(aMessage, QStringLiteral("ShutdownState"));
        fClientConfig->LoadFromStringList(aMessage);
    } else {
        fReady = false;
        LogError(QStringLiteral("The workstation %1 is not ready: %2")
                     .arg(fRemoteAddress, aMessage.Values(c_ReadyComment)),
                 c_Unit, QStringLiteral("TZRVServerClientConnection.DefaultHandler_ClientConnection_msgid"),
                 QStringLiteral("Shut down the connection"));
        ShutDownConnection();
    }
    DoReady();
}

void TZRVServerClientConnection::RunningApplications(const TStringList& aMessage) {
    const QHash<QString, QString> values = FirstValues(aMessage);
    fAppsNames.Clear();
    fAppsHandles.Clear();
    for (int i = 1;; ++i) {
        const QString handle = values.value(QStringLiteral("handle") + QString::number(i));
        if (handle.isEmpty())
            break;
        fAppsNames.Add(values.value(QStringLiteral("name") + QString::number(i)));
        fAppsHandles.Add(handle);
    }
    DoClientAppsListAvailable();
}

// =============================================================================================
// Pings

void TZRVServerClientConnection::SetServerPingEnabled(bool aValue) {
    f_ServerPingEnabled = aValue;
    if (aValue)
        fPingTimer->start();
    else
        fPingTimer->stop();
}

uint32_t TZRVServerClientConnection::ServerPingInterval() const {
    return uint32_t(fPingTimer->interval());
}

void TZRVServerClientConnection::SetServerPingInterval(uint32_t aValue) {
    fPingTimer->setInterval(TimerInterval(aValue));
}

uint32_t TZRVServerClientConnection::ServerPingTimeOut() const {
    return uint32_t(fPingTimeOutTimer->interval());
}

void TZRVServerClientConnection::SetServerPingTimeOut(uint32_t aValue) {
    fPingTimeOutTimer->setInterval(TimerInterval(aValue));
}

void TZRVServerClientConnection::Handler_Timer(QTimer* aTimer) {
    if (aTimer == fPingTimer) {
        SendServerPing();
        return;
    }
    fPingTimeOutTimer->stop();
    DoServerPingTimeOut();
}

void TZRVServerClientConnection::SendServerPing() {
    if (!f_ServerPingEnabled) {
        fPingTimer->stop();
        return;
    }
    if (!fReady)
        return;
    SendCommand(c_msgreason_ServerPing);
    // The wait runs from the first unanswered ping: a ping interval shorter than the time-out
    // must not put the time-out off for ever.
    if (!fPingTimeOutTimer->isActive())
        fPingTimeOutTimer->start();
}

// =============================================================================================
// The user connection's events

void TZRVServerClientConnection::Handler_OnUserConnectionOpen() {
    DoUserConnectionOpen();
}
void TZRVServerClientConnection::Handler_OnUserConnectionClose() {
    DoUserConnectionClose();
}
void TZRVServerClientConnection::Handler_OnSessionStart() {
    DoSessionStart();
}
void TZRVServerClientConnection::Handler_OnSessionStop() {
    DoSessionStop();
}

void TZRVServerClientConnection::SetErrorLogger(TZRVErrorLogger* aValue) {
    fErrorLogger = aValue;
    fUserConnection->SetErrorLogger(aValue);
}

QString TZRVServerClientConnection::PingTimeOutMessage(uint32_t aInterval, uint32_t aTimeOut) const {
    return QString::asprintf(
        "ServerClient shutdown connection (%s:%s) because default ping timeout (pi=%u to=%u)",
        qUtf8Printable(fRemoteHost), qUtf8Printable(fRemoteAddress), aInterval, aTimeOut);
}

void TZRVServerClientConnection::LogError(const QString& aMessage, const QString& aUnitName,
                                          const QString& aRoutineName, const QString& aAction) const {
    LogErrorTo(fErrorLogger, aMessage, aUnitName, aRoutineName, aAction);
}

// =============================================================================================
// Events

void TZRVServerClientConnection::DoCustomMessage(const QString& aMsg) {
    if (fOnCustomMessage)
        fOnCustomMessage(this, aMsg);
}

void TZRVServerClientConnection::DoConnect() {
    if (fOnConnect)
        fOnConnect(this);
}

void TZRVServerClientConnection::DoDisconnect() {
    fPingTimer->stop();
    fPingTimeOutTimer->stop();
    fHandshakeTimer->stop();
    if (fOnDisconnect)
        fOnDisconnect(this);
}

void TZRVServerClientConnection::DoClientConnection_msgid(const QString& aData) {
    if (fOnClientConnection_msgid)
        fOnClientConnection_msgid(this, aData);
    else
        DefaultHandler_ClientConnection_msgid(this, aData);
}

void TZRVServerClientConnection::DoUserConnection_msgid(const QString& aData) {
    if (fOnUserConnection_msgid)
        fOnUserConnection_msgid(this, aData);
    else
        DefaultHandler_ClientConnection_msgid(this, aData);
}

void TZRVServerClientConnection::DoReady() {
    if (fConnected) // a refused workstation is already gone
        fPingTimer->start();
    if (fOnReady)
        fOnReady(this);
}

void TZRVServerClientConnection::DoClientHandShake(const TStringList& aInfos) {
    if (fOnClientHandShake)
        fOnClientHandShake(this, aInfos);
}

void TZRVServerClientConnection::DoServerHandShake(const TStringList& aInfos) {
    if (fOnServerHandShake)
        fOnServerHandShake(this, aInfos);
}

void TZRVServerClientConnection::DoSessionStart() {
    if (fOnSessionStart)
        fOnSessionStart(this);
}

void TZRVServerClientConnection::DoSessionStop() {
    if (fOnSessionStop)
        fOnSessionStop(this);
}

void TZRVServerClientConnection::DoShutdownStateChange() {
    if (fOnShutdownStateChange)
        fOnShutdownStateChange(this);
}

void TZRVServerClientConnection::DoUserConnectionOpen() {
    if (fOnUserConnectionOpen)
        fOnUserConnectionOpen(this);
}

void TZRVServerClientConnection::DoUserConnectionClose() {
    if (fOnUserConnectionClose)
        fOnUserConnectionClose(this);
}

void TZRVServerClientConnection::DoClientConfigListAvailable(const TStringList& aList) {
    if (fOnClientConfigListAvailable)
        fOnClientConfigListAvailable(this, aList);
}

void TZRVServerClientConnection::DoInfoMessage(const QString& aMsg) {
    if (fOnInfoMessage && !fDestroying)
        fOnInfoMessage(this, aMsg);
}

void TZRVServerClientConnection::DoClientAppsListAvailable() {
    if (fOnClientAppsListAvailable)
        fOnClientAppsListAvailable(this);
}

void TZRVServerClientConnection::DoClientAppKillResult() {
    if (fOnClientAppKillResult)
        fOnClientAppKillResult(this);
}

void TZRVServerClientConnection::DoClientPing() {
    if (fOnClientPing)
        fOnClientPing(this);
}

void TZRVServerClientConnection::DoServerPingTimeOut() {
    if (fOnServerPingTimeOut) {
        fOnServerPingTimeOut(this);
        return;
    }
    ShutDownConnection();
    LogError(PingTimeOutMessage(ServerPingInterval(), ServerPingTimeOut()), c_Unit,
             QStringLiteral("TZRVServerClientConnection.DoServerPingTimeOut"),
             QStringLiteral("LOG-CONTINUE"));
}

void TZRVServerClientConnection::DoTicketAddCredit(TZRVUserTicket* aTicket) {
    if (fOnTicketAddCredit)
        fOnTicketAddCredit(this, aTicket);
}
