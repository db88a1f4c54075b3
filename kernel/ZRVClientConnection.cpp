#include "ZRVClientConnection.h"

#include "ZRVClientConfig.h"
#include "ZRVCrypt.h"
#include "ZRVErrorLogger.h"
#include "ZRVFunctions.h"
#include "ZRVSystem.h"

namespace {
const QString c_Unit = QStringLiteral("ZRVClientConnection");
const QString c_HandlerRoutine =
    QStringLiteral("TZRVCustomClientConnection.DefaultHandler_ClientConnection_msgid");

TStringList Message(const QString& aReasonLine) {
    TStringList L;
    L.Add(c_msgid_ClientConnection);
    L.Add(aReasonLine);
    return L;
}

bool IsReason(const QString& aReason, const QString& aExpected) {
    return aReason.compare(aExpected, Qt::CaseInsensitive) == 0;
}
} // namespace

TZRVCustomClientConnection::TZRVCustomClientConnection(QObject* aOwner)
    : QObject(aOwner), fCrypt(new TZRVCrypt(this)), fReader(new TZRVMessageReader(this)),
      fServerTime(new TZRVServerTimerSync(this)), fMachine(std::make_unique<TZRVMachine>()),
      fPingTimer(new QTimer(this)), fPingTimeOutTimer(new QTimer(this)) {
    SetSocket(new QTcpSocket(this));
    SetUserConnection(new TZRVUserConnection(this));
    fSystem = std::make_unique<TZRVSystemEx>();
    fPingTimer->setInterval(c_DefaultPingInterval);
    fPingTimeOutTimer->setInterval(c_DefaultPingTimeOut);
    connect(fPingTimer, &QTimer::timeout, this, &TZRVCustomClientConnection::SendClientPing);
    connect(fPingTimeOutTimer, &QTimer::timeout, this, &TZRVCustomClientConnection::DoClientPingTimeOut);
    fReader->SetOnBody([this](const QString& aBody) { Dispatch(aBody); });
    fReader->Buffer().SetOnTailDropped([this](qsizetype aBytes) {
        LogError(QStringLiteral("Incomplete message of %1 bytes dropped").arg(aBytes), c_Unit,
                 QStringLiteral("TZRVCustomClientConnection.Handler_SocketRead"),
                 QStringLiteral("LOG-CONTINUE"));
    });
}

TZRVCustomClientConnection::~TZRVCustomClientConnection() {
    fDestroying = true;
    if (fConnected)
        ShutDownConnection();
    delete fPingTimer;
    delete fPingTimeOutTimer;
    delete fUserConnection;
    if (fSocket)
        fSocket->disconnect(this);
}

// ---------------------------------------------------------------------------------------------
// Properties

void TZRVCustomClientConnection::SetServerAddress(const QString& aValue) {
    if (aValue.size() >= 7 && aValue.size() <= 15 && aValue.count(u'.') == 4)
        fAddress = aValue;
    else
        fHostName = aValue;
}

void TZRVCustomClientConnection::SetClientPingEnabled(bool aValue) {
    f_ClientPingEnabled = aValue;
    if (aValue)
        fPingTimer->start();
    else
        fPingTimer->stop();
}

void TZRVCustomClientConnection::SetShuttedDown(bool aValue) {
    fShuttedDown = aValue;
    TStringList L = Message(c_msgreason_ClientShutdownState);
    L.Add(QStringLiteral("NewState"), BoolToStr(aValue));
    Send(L.Text());
    DoShutdownStateChange();
}

void TZRVCustomClientConnection::SetErrorLogger(TZRVErrorLogger* aValue) {
    fErrorLogger = aValue;
    if (fUserConnection)
        fUserConnection->SetErrorLogger(aValue);
}

void TZRVCustomClientConnection::SetUserConnection(TZRVUserConnection* aValue) {
    fUserConnection = aValue;
    if (!fUserConnection)
        return;
    fUserConnection->SetErrorLogger(fErrorLogger);
    AttachUserConnection();
}

void TZRVCustomClientConnection::AttachUserConnection() {
    TZRVUserConnection* uc = fUserConnection;
    uc->SetOnAccountCreated([this](QObject* s) { Relay(fOnUserConnectionAccountCreated, s); });
    uc->SetOnAccountUpdated([this](QObject* s) { Relay(fOnUserConnectionAccountUpdated, s); });
    uc->SetOnAddCredit([this](QObject* s) { Relay(fOnUserConnectionAddCredit, s); });
    uc->SetOnFixCredit([this](QObject* s) { Relay(fOnUserConnectionFixCredit, s); });
    uc->SetOnOpen([this](QObject* s) { Relay(fOnUserConnectionOpen, s); });
    uc->SetOnClose([this](QObject* s) { Relay(fOnUserConnectionClose, s); });
    uc->SetOnFail([this](QObject* s) { Relay(fOnUserConnectionFail, s); });
    uc->SetOnPasswordRetrieved([this](QObject* s) { Relay(fOnUserConnectionPasswordRetrieved, s); });
    uc->SetOnSessionStart([this](QObject*) { Relay(fOnUserSessionStart, fUserConnection->Session()); });
    uc->SetOnSessionStop([this](QObject*) { Relay(fOnUserSessionStop, fUserConnection->Session()); });
    uc->SetOnSessionWarnCredit([this](QObject*) { Raise(fOnUserSessionWarnCredit, false); });
    uc->Session()->SetOnCreditChange([this](QObject* s) { Relay(fOnUserSessionCreditChange, s); });
    uc->Session()->SetOnCreditEmpty([this](QObject* s) { Relay(fOnUserSessionCreditEmpty, s); });
}

void TZRVCustomClientConnection::SetServerTime(TZRVServerTimerSync* aValue) {
    fServerTime = aValue;
    if (fUserConnection)
        fUserConnection->Session()->SetSTimer(aValue);
}

void TZRVCustomClientConnection::SetSocket(QTcpSocket* aValue) {
    if (fSocket)
        fSocket->disconnect(this);
    fSocket = aValue;
    if (fSocket)
        SetupSocket();
}

void TZRVCustomClientConnection::SetupSocket() {
    connect(fSocket, &QAbstractSocket::stateChanged, this, &TZRVCustomClientConnection::Handler_SocketState);
    connect(fSocket, &QAbstractSocket::connected, this, &TZRVCustomClientConnection::Handler_SocketConnect);
    connect(fSocket, &QAbstractSocket::disconnected, this,
            &TZRVCustomClientConnection::Handler_SocketDisconnect);
    connect(fSocket, &QIODevice::readyRead, this, &TZRVCustomClientConnection::Handler_SocketRead);
    connect(fSocket, &QAbstractSocket::errorOccurred, this, &TZRVCustomClientConnection::Handler_SocketError);
}

// ---------------------------------------------------------------------------------------------
// Link operations

void TZRVCustomClientConnection::OpenConnection() {
    if (fConnected || !fSocket || fSocket->state() != QAbstractSocket::UnconnectedState)
        return;
    fReader->Clear();
    fSocket->connectToHost(fHostName.isEmpty() ? fAddress : fHostName, fServerPort);
}

void TZRVCustomClientConnection::ShutDownConnection() {
    if (fSocket && fSocket->state() != QAbstractSocket::UnconnectedState)
        fSocket->abort();
}

bool TZRVCustomClientConnection::Send(const QString& aData) {
    if (!fConnected || !fSocket || fSocket->state() != QAbstractSocket::ConnectedState)
        return false;
    // Handed to the system at once rather than at the event loop's next turn.
    if (fSocket->write(EncodeMessage(aData, *fCrypt)) < 0)
        return false;
    fSocket->flush();
    return true;
}

bool TZRVCustomClientConnection::SendServerMessage(const QString& aMsg) {
    if (!fReady)
        return false;
    TStringList L = Message(c_msgreason_InfoMessage);
    L.Add(c_INFOMESSAGE, aMsg);
    return Send(L.Text());
}

void TZRVCustomClientConnection::RequestSQList() {
    if (fReady)
        Send(Message(c_msgreason_GetSecretQuestionsList).Text());
}

void TZRVCustomClientConnection::SendGeneralRequest(const QString& aReasonLine,
                                                    const TZRVCustomUserAccount* aAccount) {
    if (!aAccount)
        return;
    TStringList L;
    L.Add(c_msgid_GeneralRequest);
    L.Add(aReasonLine);
    L.AddStrings(aAccount->SaveToStringList());
    Send(L.Text());
}

void TZRVCustomClientConnection::RequestCreateAccount(const TZRVCustomUserAccount* aAccount) {
    SendGeneralRequest(c_msgreason_CreateAccount, aAccount);
}

void TZRVCustomClientConnection::RequestUpdateAccount(const TZRVCustomUserAccount* aAccount) {
    SendGeneralRequest(c_msgreason_UpdateAccount, aAccount);
}

// ---------------------------------------------------------------------------------------------
// Receiving and the default handler

void TZRVCustomClientConnection::Handler_SocketRead() {
    fReader->Feed(fSocket->readAll());
}

void TZRVCustomClientConnection::Dispatch(QString aPiece) {
    try {
        fCrypt->Decrypt(aPiece);
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
            LogError(QStringLiteral("Message not recognized := ") + aPiece, c_Unit,
                     QStringLiteral("TZRVCustomClientConnection.Handler_SocketRead"),
                     QStringLiteral("Log and continue messages loop"));
            break;
        }
    } catch (const std::exception& e) {
        LogError(QString::fromStdString(e.what()), c_Unit,
                 QStringLiteral("TZRVClientConnection.SocketReadHandler"),
                 QStringLiteral("free objects and exit"));
    }
}

void TZRVCustomClientConnection::DoClientConnection_msgid(const QString& aData) {
    if (fOnClientConnection_msgid)
        fOnClientConnection_msgid(this, aData);
    else
        DefaultHandler_ClientConnection_msgid(this, aData);
}

void TZRVCustomClientConnection::DoUserConnection_msgid(const QString& aData) {
    if (fOnUserConnection_msgid)
        fOnUserConnection_msgid(this, aData);
    else
        DefaultHandler_ClientConnection_msgid(this, aData);
}

void TZRVCustomClientConnection::DefaultHandler_ClientConnection_msgid(QObject* Sender,
                                                                       const QString& aData) {
    TStringList L;
    L.SetText(aData);
    TStringList answer;
    answer.Add(c_msgid_ClientConnection);
    const QString reason = L.Values(c_MessageReason);
    auto is = [&reason](const QString& aReason) { return IsReason(reason, aReason); };
    try {
        if (is(c_SERVER_HANDSHAKE)) {
            AnswerHandShake(L, answer);
        } else if (is(c_SERVER_READY)) {
            AnswerReady(L, answer);
        } else if (is(c_cmdCLOSE_CLIENT_CONNECTION)) {
            ShutDownConnection();
            LogError(QStringLiteral("Server sends the command to shutdown connection"), c_Unit,
                     c_HandlerRoutine, QStringLiteral("Log"));
        } else if (is(c_cmdCLOSE_CLIENT_MODULE)) {
            DoQueryCloseClientModule();
        } else if (is(c_cmdLAUNCH_CLIENT_MODULE)) {
            DoQueryLaunchClientModule();
        } else if (is(c_cmdCLOSE_USER_CONNECTION)) {
            fUserConnection->Close();
        } else if (is(c_cmdCLOSE_USER_SESSION)) {
            fUserConnection->Session()->Close();
        } else if (is(c_cmdREBOOT_WORKSTATION)) {
            DoQueryRebootWorkStation();
        } else if (is(c_cmdSHUTDOWN_WORKSTATION)) {
            DoQueryShutdownWorkStation();
        } else if (is(c_GET_CONFIG_LIST)) {
            answer.Add(c_msgreason_GetConfigList);
            answer.AddStrings(TZRVClientConfig().SaveToStringList());
            Send(answer.Text());
        } else if (is(c_SET_CONFIG_LIST)) {
            TZRVClientConfig().LoadFromStringList(L);
        } else if (is(c_GET_SECRETQUESTIONS_LIST)) {
            ReplaceSecretQuestions(L);
        } else if (is(c_INFOMESSAGE)) {
            DoInfoMessage(L.Values(c_INFOMESSAGE));
        } else if (is(c_GET_RUNNING_APPLICATIONS_LIST)) {
            AnswerRunningApplications(answer);
        } else if (is(c_TERMINATE_APPLICATION)) {
            TerminateApplication(L);
        } else if (is(c_CLIENT_PING)) {
            fPingTimeOutTimer->stop();
        } else if (is(c_SERVER_PING)) {
            Send(aData);
            DoServerPing();
        } else {
            fUserConnection->ProcessMessage(Sender, aData);
        }
    } catch (const std::exception& e) {
        LogError(QString::fromStdString(e.what()), c_Unit,
                 QStringLiteral("ClientConnection_MsgIDDefaultHandler"),
                 QStringLiteral("free objects and exit"));
    }
}

void TZRVCustomClientConnection::AnswerHandShake(const TStringList& aMessage, TStringList& aAnswer) {
    aAnswer.Add(c_msgreason_ClientHandshake);
    const TDateTime serverTime = ReadDateTime(aMessage, QStringLiteral("SvrDateTime"));
    fServerTime->SetsDateTime(serverTime);
    if (TZRVServerTimerSync* sessionClock = fUserConnection->Session()->STimer())
        sessionClock->SetsDateTime(serverTime);
    fServerInfos = CollectPrefixed(aMessage, QStringLiteral("Nfos_"));
    aAnswer.AddStrings(fMachine->SaveToStringList());
    DoHandShake(fClientInfos);
    Send(aAnswer.Text());
}

void TZRVCustomClientConnection::AnswerReady(const TStringList& aMessage, TStringList& aAnswer) {
    aAnswer.Add(c_msgreason_ClientReady);
    QString value = aMessage.Values(c_ReadyValue);
    if (value.isEmpty())
        value = QStringLiteral("0");
    if (StrToBool(value)) {
        fReady = true;
        aAnswer.Add(c_ReadyValue, BoolToStr(true));
        aAnswer.Add(QStringLiteral("ShutdownState"), BoolToStr(fShuttedDown));
        aAnswer.AddStrings(TZRVClientConfig().SaveToStringList());
        Send(aAnswer.Text());
    } else {
        fReady = false;
        const QString comment = aMessage.Values(c_ReadyComment);
        ShutDownConnection();
        LogError(QStringLiteral("Authentication sequence aborted by server::") + comment, c_Unit,
                 c_HandlerRoutine, QStringLiteral("Log"));
    }
    DoReady();
}

void TZRVCustomClientConnection::ReplaceSecretQuestions(const TStringList& aMessage) {
    fSecretQuestionList.Clear();
    for (int i = 2; i < aMessage.Count(); ++i)
        fSecretQuestionList.Add(aMessage[i]);
    DoSecretQuestionListAvailable();
}

void TZRVCustomClientConnection::AnswerRunningApplications(TStringList& aAnswer) {
    aAnswer.Add(c_msgreason_GetRunningApplicationsList);
    fSystem->Refresh();
    for (int i = 0; i < fSystem->Count(); ++i) {
        const TZRVTaskEx* task = fSystem->Tasks(i);
        aAnswer.Add(QStringLiteral("Name%1=%2").arg(i + 1).arg(task->Caption()));
        aAnswer.Add(QStringLiteral("Handle%1=%2").arg(i + 1).arg(task->WindowHandle()));
    }
    Send(aAnswer.Text());
}

void TZRVCustomClientConnection::TerminateApplication(const TStringList& aMessage) {
    const int handle = NValue(aMessage.Values(QStringLiteral("Handle")));
    const bool notify = NValue(aMessage.Values(QStringLiteral("Notify"))) != 0;
    auto answer = [this, notify](bool aSuccess) {
        TStringList L = Message(c_msgreason_TerminateApplication);
        L.Add(QStringLiteral("Success"), BoolToStr(aSuccess));
        if (aSuccess && notify)
            DoInfoMessage(QStringLiteral("Une application a été fermée sur ordre du serveur !"));
        Send(L.Text());
    };
    // Browsers and file managers are asked to close; other applications are ended.
    static const QStringList c_CloseOnRequest = {c_IEFrame, c_CabinetWClass, QStringLiteral("cconvwndbase"),
                                                 c_MozillaClass};
    TZRVWindowInfo window;
    fSystem->Windows().WindowInfo(TZRVWindowHandle(handle), window);
    if (c_CloseOnRequest.contains(window.ClassName))
        answer(fSystem->Windows().RequestClose(TZRVWindowHandle(handle)));
    else
        fSystem->TerminateByWindowHandle(TZRVWindowHandle(handle), this, answer);
}

// ---------------------------------------------------------------------------------------------
// Ready, pings

void TZRVCustomClientConnection::DoReady() {
    // The workstation gives the server a moment to take its ready answer before the replay.
    QTimer::singleShot(fReadyDelay, this, &TZRVCustomClientConnection::FinishReady);
}

void TZRVCustomClientConnection::FinishReady() {
    fPingTimer->start();
    if (fReady) {
        TZRVClientConfig config;
        QString stored = config.getStoredSession();
        if (!stored.isEmpty()) {
            fCrypt->Decrypt(stored);
            // The line gets its own line end, so that the replay reads as a complete body.
            Send(stored + QStringLiteral("\r\nSessionOpenned=") + BoolToStr(fUserConnection->Connected()) +
                 QStringLiteral("\r\n"));
            config.setStoredSession(QString());
            // A session that goes on stays kept for a program started again.
            fUserConnection->KeepRunningSession();
        }
    }
    Raise(fOnReady);
}

void TZRVCustomClientConnection::SendClientPing() {
    if (!f_ClientPingEnabled) {
        fPingTimer->stop();
        return;
    }
    if (!fReady)
        return;
    Send(Message(c_msgreason_ClientPing).Text());
    fPingTimeOutTimer->start();
}

void TZRVCustomClientConnection::DoClientPingTimeOut() {
    fPingTimeOutTimer->stop();
    if (fOnClientPingTimeOut) {
        fOnClientPingTimeOut(this);
        return;
    }
    ShutDownConnection();
    LogError(QStringLiteral("Connection shutted down because timeout default handler (pi=%1 to=%2)")
                 .arg(ClientPingInterval())
                 .arg(ClientPingTimeOut()),
             QStringLiteral("ZRVCLientConnection"),
             QStringLiteral("TZRVCustomClientConnection.DoClientPingTimeOut"), QStringLiteral("Log"));
}

// ---------------------------------------------------------------------------------------------
// Socket handlers

void TZRVCustomClientConnection::Handler_SocketState(QAbstractSocket::SocketState aState) {
    if (aState == QAbstractSocket::HostLookupState || aState == QAbstractSocket::ConnectingState)
        DoLookUp();
}

void TZRVCustomClientConnection::Handler_SocketConnect() {
    SetLinkSocketOptions(*fSocket);
    fConnected = true;
    fReady = false;
    // A local-account session ends as soon as the server can be reached again.
    if (fUserConnection->Connected() && fUserConnection->Session()->SessionType() == stLocalAccount)
        fUserConnection->Close();
    DoConnect();
}

void TZRVCustomClientConnection::Handler_SocketDisconnect() {
    fConnected = false;
    fReady = false;
    fReader->Clear();
    DoDisconnect();
}

void TZRVCustomClientConnection::Handler_SocketError(QAbstractSocket::SocketError aError) {
    // The peer closing is an ordinary disconnect, reported by the disconnected signal.
    if (aError == QAbstractSocket::RemoteHostClosedError)
        return;
    const bool connecting = !fConnected;
    HandleSocketError(connecting ? sekConnect : sekGeneral, int(aError));
}

void TZRVCustomClientConnection::HandleSocketError(TZRVSocketErrorKind aKind, int aCode) {
    if (fDestroying)
        return;
    static const struct {
        const char* Suffix;
        const char* Action;
        bool Disconnect;
    } kinds[] = {
        {"/General", "Exit", false},
        {"/Send", "Exit", false},
        {"/Receive", "Exit", false},
        {"/Connect", "Call SocketDisconnectHandler and Exit", true},
        {"/Disconnect", "Call SocketDisconnectHandler and Exit", true},
    };
    const QString routine = QStringLiteral("TZRVClientConnection.SocketErrorHandler");
    if (aKind <= sekDisconnect) {
        const auto& k = kinds[aKind];
        if (k.Disconnect)
            Handler_SocketDisconnect();
        LogError(QString::number(aCode) + QLatin1String(k.Suffix), c_Unit, routine, QLatin1String(k.Action));
    } else {
        LogError(QStringLiteral("Unknow socket error"), c_Unit, routine, QStringLiteral("Log and exit"));
    }
    fUserConnection->SetBusy(false);
    DoSocketError();
}

// ---------------------------------------------------------------------------------------------
// Events

void TZRVCustomClientConnection::LogError(const QString& aMessage, const QString& aUnitName,
                                          const QString& aRoutineName, const QString& aAction) const {
    LogErrorTo(fErrorLogger, aMessage, aUnitName, aRoutineName, aAction);
}

void TZRVCustomClientConnection::Raise(const TNotifyEvent& aEvent, bool aSkipWhileDestroying) {
    if (aEvent && !(aSkipWhileDestroying && fDestroying))
        aEvent(this);
}

void TZRVCustomClientConnection::Relay(const TNotifyEvent& aEvent, QObject* aSender) {
    if (aEvent && !fDestroying)
        aEvent(aSender);
}

void TZRVCustomClientConnection::DoLookUp() {
    Raise(fOnLookUp);
}
void TZRVCustomClientConnection::DoConnect() {
    Raise(fOnConnect);
}

void TZRVCustomClientConnection::DoDisconnect() {
    fPingTimer->stop();
    if (fUserConnection)
        fUserConnection->SetBusy(false);
    Raise(fOnDisconnect);
}

void TZRVCustomClientConnection::DoHandShake(TStringList& aInfos) {
    if (fOnHandShake && !fDestroying)
        fOnHandShake(this, aInfos);
}

void TZRVCustomClientConnection::DoCustomMessage(const QString& aMsg) {
    if (fOnCustomMessage && !fDestroying)
        fOnCustomMessage(this, aMsg);
}

void TZRVCustomClientConnection::DoInfoMessage(const QString& aMsg) {
    if (fOnInfoMessage && !fDestroying)
        fOnInfoMessage(this, aMsg);
}

void TZRVCustomClientConnection::DoSocketError() {
    Raise(fOnSocketError, false);
}
void TZRVCustomClientConnection::DoQueryCloseClientModule() {
    Raise(fOnQueryCloseClientModule);
}
void TZRVCustomClientConnection::DoQueryLaunchClientModule() {
    Raise(fOnQueryLaunchClientModule);
}
void TZRVCustomClientConnection::DoQueryRebootWorkStation() {
    Raise(fOnQueryRebootWorkStation);
}
void TZRVCustomClientConnection::DoQueryShutdownWorkStation() {
    Raise(fOnQueryShutdownWorkStation);
}
void TZRVCustomClientConnection::DoShutdownStateChange() {
    Raise(fOnShutdownStateChange, false);
}
void TZRVCustomClientConnection::DoSecretQuestionListAvailable() {
    Raise(fOnSecretQuestionListAvailable, false);
}
void TZRVCustomClientConnection::DoServerPing() {
    Raise(fOnServerPing, false);
}
