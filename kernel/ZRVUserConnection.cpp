#include "ZRVUserConnection.h"

#include "ZRVClientConfig.h"
#include "ZRVClientConnection.h"
#include "ZRVCrypt.h"
#include "ZRVErrorLogger.h"
#include "ZRVLocalAccount.h"

namespace {
const QString c_Unit = QStringLiteral("ZRVUserConnection");
const QString c_MessageRoutine = QStringLiteral("MessageID_UserConnection");
} // namespace

// ---------------------------------------------------------------------------------------------
// TZRVOpenConnectionInfo

void TZRVOpenConnectionInfo::SetAccountName(const QString& aValue) {
    fAccountName = aValue;
    fActive = !fAccountName.isEmpty() && !fAccountPassword.isEmpty();
}

void TZRVOpenConnectionInfo::SetAccountPassword(const QString& aValue) {
    fAccountPassword = aValue;
    fActive = !fAccountName.isEmpty() && !fAccountPassword.isEmpty();
}

void TZRVOpenConnectionInfo::SetTicketCode(const QString& aValue) {
    fTicketCode = aValue;
    fActive = !fTicketCode.isEmpty();
}

void TZRVOpenConnectionInfo::SetSecretQuestion(const QString& aValue) {
    fSecretQuestion = aValue;
    fActive = !fSecretQuestion.isEmpty();
}

void TZRVOpenConnectionInfo::Clear() {
    fAccountName.clear();
    fTicketCode.clear();
    fAccountPassword.clear();
    fActive = false;
}

void TZRVOpenConnectionInfo::SetOpenedAccount(const TZRVCustomUserAccount& aAccount) {
    Clear();
    fAccountName = aAccount.AccountName();
    fAccountPassword = aAccount.AccountPassword();
    fSecretAnswer = aAccount.SecretAnswer();
    fSecretQuestion = aAccount.SecretQuestion()->Question();
}

void TZRVOpenConnectionInfo::SetOpenedTicket(const QString& aCode) {
    Clear();
    fTicketCode = aCode;
}

// ---------------------------------------------------------------------------------------------
// TZRVCustomUserConnection

TZRVCustomUserConnection::TZRVCustomUserConnection(QObject* aOwner)
    : QObject(aOwner), fCrypt(new TZRVCrypt(this)), fOpenConnectionInfo(new TZRVOpenConnectionInfo(this)),
      fSession(new TZRVUserSession(this)), fTimerUpdate(new QTimer(this)), fTimerBusy(new QTimer(this)) {
    fSession->SetOnStart([this](QObject*) { Handler_SessionStart(); });
    fSession->SetOnStop([this](QObject*) { Handler_SessionStop(); });
    fSession->SetOnCreditEmpty([this](QObject*) { DoSessionCreditEmpty(); });
    fSession->SetOnWarnCredit([this](QObject*) { DoSessionWarnCredit(); });
    connect(fTimerUpdate, &QTimer::timeout, this, &TZRVCustomUserConnection::UpdateSession);
    SetSessionUpdateInterval(c_DefaultSessionUpdateInterval);
    connect(fTimerBusy, &QTimer::timeout, this, [this] { SetBusy(false); });
    SetBusyTimeOut(c_DefaultBusyTimeOut);
}

TZRVCustomUserConnection::~TZRVCustomUserConnection() {
    if (fConnected)
        Close();
}

TZRVCustomClientConnection* TZRVCustomUserConnection::ClientConnection() const {
    return qobject_cast<TZRVCustomClientConnection*>(parent());
}

bool TZRVCustomUserConnection::ClientReady() const {
    return ClientConnection() && ClientConnection()->Ready();
}

void TZRVCustomUserConnection::SetErrorLogger(TZRVErrorLogger* aValue) {
    fErrorLogger = aValue;
    fSession->SetErrorLogger(aValue);
}

void TZRVCustomUserConnection::SetBusy(bool aValue) {
    fBusy = aValue;
    if (aValue)
        fTimerBusy->start();
    else
        fTimerBusy->stop();
}

void TZRVCustomUserConnection::SetBusyTimeOut(int aSeconds) {
    if (aSeconds == fBusyTimeOut)
        return;
    fBusyTimeOut = std::clamp(aSeconds, 1, 30);
    fTimerBusy->setInterval(fBusyTimeOut * 1000);
}

void TZRVCustomUserConnection::SetSessionUpdateInterval(uint32_t aMinutes) {
    if (aMinutes >= 16)
        throw EZRVError(QStringLiteral("Out of range interval value (0->15)"));
    fSessionUpdateInterval = aMinutes;
    if (aMinutes == 0) {
        fTimerUpdate->stop();
        return;
    }
    fTimerUpdate->start(int(aMinutes) * 60000);
}

// ----- requests

void TZRVCustomUserConnection::CheckCanOpen() const {
    if (fBusy)
        throw EZRVError(QStringLiteral("Busy"));
    if (fConnected)
        throw EZRVError(QStringLiteral("Already connected"));
}

void TZRVCustomUserConnection::SendRequest(const TStringList& aMessage) {
    if (auto* connection = ClientConnection()) {
        connection->Send(aMessage.Text());
        SetBusy(true);
    }
}

void TZRVCustomUserConnection::OpenAccount(const QString& aAccountName, const QString& aAccountPassword) {
    CheckCanOpen();
    TStringList L;
    L.Add(c_msgid_UserConnection);
    L.Add(c_msgreason_GetAccount);
    L.Add(QStringLiteral("AccountName"), aAccountName);
    L.Add(QStringLiteral("AccountPassword"), aAccountPassword);
    SendRequest(L);
}

void TZRVCustomUserConnection::OpenTicket(const QString& aTicketCode) {
    CheckCanOpen();
    TStringList L;
    L.Add(c_msgid_UserConnection);
    L.Add(c_msgreason_GetTicket);
    L.Add(QStringLiteral("TicketCode"), aTicketCode);
    SendRequest(L);
}

bool TZRVCustomUserConnection::OpenLocalAccount(const QString& aAccountName,
                                                const QString& aAccountPassword) {
    if (fConnected)
        throw EZRVError(QStringLiteral("Already connected"));
    TZRVLocalAccount store;
    store.SetErrorLogger(fErrorLogger);
    const int index = store.FindAccount(aAccountName, aAccountPassword);
    if (index == 0)
        return false;
    fSession->Clear();
    fSession->Account()->LoadFromBuffer(store.GetAccount(index));
    const TZRVUserAccount* account = fSession->Account();
    StartSession(stLocalAccount, account->Credit(),
                 account->Group()->Authorisations().Contains(urInfiniteCredit));
    return true;
}

void TZRVCustomUserConnection::CheckCanRequest(const TZRVCustomUserAccount* aAccount) const {
    if (!aAccount)
        throw EZRVError(QStringLiteral("Invalid account object parameter"));
    if (!ClientConnection())
        throw EZRVError(QStringLiteral("Owner object is not a TZRVClientConnection type"));
    if (!ClientConnection()->Connected())
        throw EZRVError(QStringLiteral("Server connection required to perform this action"));
}

void TZRVCustomUserConnection::SendAccountRequest(const TZRVCustomUserAccount* aAccount,
                                                  const QString& aReason) {
    CheckCanRequest(aAccount);
    TStringList L = aAccount->SaveToStringList();
    L.Add(c_msgid_UserConnection);
    L.Add(aReason);
    ClientConnection()->Send(L.Text());
}

void TZRVCustomUserConnection::RequestCreateAccount(const TZRVCustomUserAccount* aAccount) {
    SendAccountRequest(aAccount, c_msgreason_CreateAccount);
}

void TZRVCustomUserConnection::RequestUpdateAccount(const TZRVCustomUserAccount* aAccount) {
    SendAccountRequest(aAccount, c_msgreason_UpdateAccount);
}

void TZRVCustomUserConnection::RetrievePassword(const QString& aAccountName, const QString& aSecretQuestion,
                                                const QString& aSecretAnswer) {
    const TZRVUserAccount anyAccount;
    CheckCanRequest(&anyAccount);
    TStringList L;
    L.Add(c_msgid_UserConnection);
    L.Add(c_msgreason_RetrievePassword);
    L.Add(QStringLiteral("AccountName"), aAccountName);
    L.Add(QStringLiteral("SecretQuestion"), aSecretQuestion);
    L.Add(QStringLiteral("SecretAnswer"), aSecretAnswer);
    ClientConnection()->Send(L.Text());
}

// ----- closing and reports

void TZRVCustomUserConnection::Close() {
    SetBusy(true);
    if (fConnected) {
        try {
            if (fSession->Openned())
                fSession->Close();
            const TZRVSessionType type = fSession->SessionType();
            if (ClientReady() && type != stLocalAccount) {
                TStringList L;
                L.Add(c_msgid_UserConnection);
                L.Add(c_msgreason_UserConnectionClosed);
                L.Add(QStringLiteral("SessionType"), IntToStr(type));
                if (type == stAccount)
                    L.AddStrings(fSession->Account()->SaveToStringList());
                else if (type == stTicket)
                    L.AddStrings(fSession->Ticket()->SaveToStringList());
                ClientConnection()->Send(L.Text());
                // The server has the session's end: nothing is left to replay.
                if (fKeepSession)
                    TZRVClientConfig().setStoredSession(QString());
            }
            fSession->Clear();
            fSessionToken.clear();
            fConnected = false;
            DoClose();
        } catch (const std::exception& e) {
            LogError(QString::fromStdString(e.what()), c_Unit,
                     QStringLiteral("TZRVCustomUserConnection.Close"), QStringLiteral("free and exit"));
        }
    }
    SetBusy(false);
}

void TZRVCustomUserConnection::UpdateSession() {
    if (!Reports())
        return;
    const TStringList L = Report();
    if (ClientReady()) {
        ClientConnection()->Send(L.Text());
        if (!fKeepSession)
            return;
    }
    StoreSession(L);
}

TStringList TZRVCustomUserConnection::Report() const {
    TStringList L;
    L.Add(c_msgid_UserConnection);
    L.Add(c_msgreason_SessionUpdate);
    L.Add(QStringLiteral("CreditValue"), IntToStr(fSession->Credit()->CreditValue()));
    return L;
}

bool TZRVCustomUserConnection::Reports() const {
    return fSession->Openned() && fSession->SessionType() != stLocalAccount && ClientConnection();
}

void TZRVCustomUserConnection::KeepRunningSession() const {
    if (fKeepSession && Reports())
        StoreSession(Report());
}

void TZRVCustomUserConnection::StoreSession(TStringList aReport) const {
    const TZRVSessionType type = fSession->SessionType();
    const uint32_t id = type == stAccount  ? fSession->Account()->AccountID()
                        : type == stTicket ? fSession->Ticket()->TicketID()
                                           : 0;
    aReport.Add(QStringLiteral("SessionType"), IntToStr(type));
    aReport.Add(QStringLiteral("SessionTypeID"), IntToStr(id));
    aReport.Add(QStringLiteral("SessionToken"), fSessionToken);
    QString text = aReport.Text();
    TZRVCrypt().Encrypt(text);
    TZRVClientConfig config;
    config.setStoredSession(text);
}

// ----- answers from the server

void TZRVCustomUserConnection::StartSession(TZRVSessionType aType, uint32_t aCredit, bool aIncremental) {
    fSession->SetSessionType(aType);
    fSession->Credit()->SetCreditValue(aCredit);
    fSession->Credit()->SetIncremental(aIncremental);
    fConnected = true;
    DoOpen();
}

void TZRVCustomUserConnection::Fail(const QString& aMessage, bool aClearInfo) {
    fFailMessage = aMessage;
    if (aClearInfo)
        fOpenConnectionInfo->Clear();
    DoFail();
}

void TZRVCustomUserConnection::AccountFound(const TStringList& aMessage) {
    fSessionToken = aMessage.Values(QStringLiteral("SessionToken"));
    TZRVUserAccount* account = fSession->Account();
    account->LoadFromStringList(aMessage);
    fOpenConnectionInfo->SetOpenedAccount(*account);
    StartSession(stAccount, account->Credit(), account->Group()->Authorisations().Contains(urInfiniteCredit));
}

void TZRVCustomUserConnection::TicketFound(const TStringList& aMessage) {
    fSessionToken = aMessage.Values(QStringLiteral("SessionToken"));
    TZRVUserTicket* ticket = fSession->Ticket();
    ticket->LoadFromStringList(aMessage);
    fOpenConnectionInfo->SetOpenedTicket(ticket->Code());
    StartSession(stTicket, ticket->Credit(), ticket->Group()->IncrementalCredit());
}

void TZRVCustomUserConnection::ChangeCredit(const TStringList& aMessage, bool aAdd) {
    const int seconds = ReadInt(aMessage, QStringLiteral("Seconds"));
    const int minutes = ReadInt(aMessage, QStringLiteral("Minutes"));
    const int hours = ReadInt(aMessage, QStringLiteral("Hours"));
    TZRVCredit* credit = fSession->Credit();
    if (aAdd)
        credit->Add(seconds, minutes, hours);
    else
        credit->Remove(seconds, minutes, hours);
    fSession->SetCreditLow(credit->CreditValue() <= fSession->WarnCreditLevel());
    if (aAdd)
        DoAddCredit();
    else
        DoFixCredit();
}

void TZRVCustomUserConnection::ProcessMessage(QObject* Sender, const QString& aData) {
    Q_UNUSED(Sender);
    TStringList L;
    L.SetText(aData);
    const QString reason = L.Values(c_MessageReason);
    auto is = [&reason](const QString& aReason) { return reason.compare(aReason, Qt::CaseInsensitive) == 0; };
    auto flag = [&L](const char* aKey) { return ReadBool(L, QString::fromLatin1(aKey)); };
    const QString message = L.Values(QStringLiteral("Message"));
    try {
        if (is(c_CLOSE_USER_CONNECTION)) {
            Close();
        } else if (is(c_CLOSE_USER_SESSION)) {
            fSession->Close();
        } else if (is(c_GET_ACCOUNT)) {
            flag("Found") ? AccountFound(L) : Fail(message, true);
        } else if (is(c_GET_TICKET)) {
            flag("Found") ? TicketFound(L) : Fail(message, true);
        } else if (is(c_ADD_CREDIT)) {
            flag("Found") ? ChangeCredit(L, true) : Fail(message, false);
        } else if (is(c_FIX_CREDIT)) {
            flag("Found") ? ChangeCredit(L, false) : Fail(message, false);
        } else if (is(c_CREATE_ACCOUNT)) {
            flag("Success") ? DoAccountCreated() : Fail(message, false);
        } else if (is(c_UPDATE_ACCOUNT)) {
            flag("Success") ? DoAccountUpdated() : Fail(message, false);
        } else if (is(c_RETRIEVE_PASSWORD)) {
            if (flag("Found")) {
                fRetrievedPassword = L.Values(QStringLiteral("AccountPassword"));
                DoPasswordRetrieved();
            } else {
                Fail(message, false);
            }
        } else {
            LogError(QStringLiteral("Message not recognized := ") + aData, QStringLiteral("uUserConnection"),
                     c_MessageRoutine, QStringLiteral("log and exit"));
        }
    } catch (const std::exception& e) {
        LogError(QString::fromStdString(e.what()), c_Unit, c_MessageRoutine,
                 QStringLiteral("handle, free and exit"));
    }
}

// ----- session hooks

void TZRVCustomUserConnection::Handler_SessionStart() {
    DoSessionStart();
    if (ClientConnection() && ClientConnection()->Connected()) {
        TStringList L;
        L.Add(c_msgid_UserConnection);
        L.Add(c_msgreason_SessionStarted);
        ClientConnection()->Send(L.Text());
    }
    KeepRunningSession();
}

void TZRVCustomUserConnection::Handler_SessionStop() {
    DoSessionStop();
    if (ClientReady() && fSession->SessionType() != stLocalAccount) {
        TStringList L;
        L.Add(c_msgid_UserConnection);
        L.Add(c_msgreason_SessionStopped);
        L.Add(QStringLiteral("CreditValue"), IntToStr(fSession->Credit()->CreditValue()));
        ClientConnection()->Send(L.Text());
    }
}

// ----- events

void TZRVCustomUserConnection::LogError(const QString& aMessage, const QString& aUnitName,
                                        const QString& aRoutineName, const QString& aAction) const {
    LogErrorTo(fErrorLogger, aMessage, aUnitName, aRoutineName, aAction);
}

void TZRVCustomUserConnection::Raise(const TNotifyEvent& aEvent) {
    if (aEvent)
        aEvent(this);
}

void TZRVCustomUserConnection::DoAddCredit() {
    Raise(fOnAddCredit);
}
void TZRVCustomUserConnection::DoAccountCreated() {
    Raise(fOnAccountCreated);
}
void TZRVCustomUserConnection::DoAccountUpdated() {
    Raise(fOnAccountUpdated);
}
void TZRVCustomUserConnection::DoOpen() {
    Raise(fOnOpen);
}
void TZRVCustomUserConnection::DoClose() {
    Raise(fOnClose);
}
void TZRVCustomUserConnection::DoFail() {
    Raise(fOnFail);
}
void TZRVCustomUserConnection::DoSessionCreditEmpty() {
    Raise(fOnSessionCreditEmpty);
}
void TZRVCustomUserConnection::DoSessionStart() {
    Raise(fOnSessionStart);
}
void TZRVCustomUserConnection::DoSessionStop() {
    Raise(fOnSessionStop);
}
void TZRVCustomUserConnection::DoSessionWarnCredit() {
    Raise(fOnSessionWarnCredit);
}
void TZRVCustomUserConnection::DoFixCredit() {
    Raise(fOnFixCredit);
}
void TZRVCustomUserConnection::DoPasswordRetrieved() {
    Raise(fOnPasswordRetrieved);
}
