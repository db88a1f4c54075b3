#include "ZRVServerUserConnection.h"

#include "ZRVDataBase.h"
#include "ZRVErrorLogger.h"
#include "ZRVMachine.h"
#include "ZRVServerClaims.h"
#include "ZRVServerConnection.h"
#include "ZRVUserAccount.h"
#include "ZRVUserSession.h"
#include "ZRVUserTicket.h"
#include "ZRVWriteBackJournal.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>

namespace {

const QString c_Unit = QStringLiteral("ZRVServerConnection");
const QString c_Found = QStringLiteral("Found");
const QString c_Success = QStringLiteral("Success");
const QString c_Message = QStringLiteral("Message");
// Logged messages are cut here: a log line is not a place for a whole hostile message.
constexpr qsizetype c_MaxLoggedText = 1024;

const QString c_NotAssigned = QStringLiteral("Objet base de données non assigné");
const QString c_NotAssignedReload = QStringLiteral("Objet base données données non assigné");
const QString c_NotAssignedAccount = QStringLiteral("Objet base de données non assignée");
const QString c_NotOpen = QStringLiteral("Base de données non ouverte");
const QString c_AccountNotFound = QStringLiteral("Compte introuvable dans la base de données");
const QString c_WrongSecret = QStringLiteral("Question ou réponse incorrecte !");
const QString c_InvalidRequest = QStringLiteral("Requête invalide");
const QString c_NoSession = QStringLiteral("Aucune session ouverte");
const QString c_CodeUsed = QStringLiteral("Ce code de recharge a déjà été utilisé !");
const QString c_TicketInUse = QStringLiteral("Ticket en cours d'utilisation");
const QString c_AccountInUse = QStringLiteral("Compte en cours d'utilisation");
const QString c_TooManyAccounts =
    QStringLiteral("Trop de comptes créés depuis ce poste, veuillez réessayer plus tard");
const QString c_QuestionTooLong = QStringLiteral("Question secrète trop longue (50 caractères au plus)");
// The lock screen's own limit for a secret question.
constexpr qsizetype c_MaxQuestionLength = 50;
// What the secret-question list may hold, so that it always reaches the workstation whole.
constexpr int c_MaxListedQuestions = 100;
constexpr qsizetype c_MaxListedQuestionsSize = 16 * 1024;
// Requests a workstation may have waiting; one that sends more is not a workstation.
constexpr size_t c_MaxQueuedRequests = 16;
constexpr int32_t c_MaxCredit = INT32_MAX;

qint64 ClockMSecs() {
    return DateTimeToQDateTime(Now()).toMSecsSinceEpoch();
}

// 128 random bits from the system's source.
QString NewSessionToken() {
    quint64 bits[2];
    QRandomGenerator::system()->fillRange(bits);
    return QString::number(bits[0], 16).rightJustified(16, u'0') +
           QString::number(bits[1], 16).rightJustified(16, u'0');
}

uint32_t AddClamped(uint32_t aValue, uint32_t aAmount) {
    return uint32_t(std::min<uint64_t>(uint64_t(aValue) + aAmount, UINT32_MAX));
}

TStringList Reply(const QString& aIdentifierLine, const QString& aReasonLine) {
    return TStringList({aIdentifierLine, aReasonLine});
}

// The flag line (true when there is no refusal) and the message line.
void AddOutcome(TStringList& aReply, const QString& aFlag, const QString& aRefusal, const QString& aSuccess) {
    aReply.Add(aFlag, BoolToStr(aRefusal.isEmpty()));
    aReply.Add(c_Message, aRefusal.isEmpty() ? aSuccess : aRefusal);
}

// What a customer may change of the account: password, names, contact, age, sex, description,
// secret question and answer.
void CopyCustomerFields(const TZRVUserAccount& aFrom, TZRVUserAccount& aTo) {
    aTo.SetAccountPassword(aFrom.AccountPassword());
    aTo.SetFirstName(aFrom.FirstName());
    aTo.SetSecondName(aFrom.SecondName());
    aTo.SetPseudo(aFrom.Pseudo());
    aTo.SetEmail(aFrom.Email());
    aTo.SetPhone(aFrom.Phone());
    aTo.SetOld(aFrom.Old());
    aTo.SetSex(aFrom.Sex());
    aTo.SetDescription(aFrom.Description());
    // The workstation never learns the stored answer: an empty one keeps it.
    if (!aFrom.SecretAnswer().isEmpty())
        aTo.SetSecretAnswer(aFrom.SecretAnswer());
    aTo.SecretQuestion()->Copy(aFrom.SecretQuestion());
}

// Gives the account's secret question its key, adding it as a customer's question; false for an
// empty one.
bool ResolveSecretQuestion(TZRVDataBase& aDb, TZRVUserAccount& aAccount) {
    TZRVSecretQuestion* question = aAccount.SecretQuestion();
    if (question->Question().isEmpty())
        return false;
    if (const int key = aDb.SecretQuestionExists(question->Question())) {
        question->SetSecretQuestionID(uint32_t(key));
        return true;
    }
    return aDb.AddCustomerSecretQuestion(question);
}

// An account as the lock screen creates it, whatever the workstation sent for the rest.
void MakeCustomerAccount(TZRVDataBase& aDb, TZRVUserAccount& aAccount) {
    const TDateTime now = Now();
    aAccount.SetAccountID(0);
    aAccount.SetGroup(aDb.ReadGroup(1));
    aAccount.SetLastUsePC(aDb.ReadMachine(1));
    aAccount.SetCredit(0);
    aAccount.SetCreditTotal(0);
    aAccount.SetActive(false);
    aAccount.SetDeletedFlag(false);
    aAccount.SetDaysAllowed(-1);
    aAccount.SetLastUseDate(0);
    aAccount.SetLastUseTime(0);
    aAccount.SetCreationDate(now);
    aAccount.SetLastUpdateDate(now);
}

bool IncrementalCredit(const TZRVUserAccount& aAccount) {
    return aAccount.Group()->Authorisations().Contains(urInfiniteCredit);
}

bool IncrementalCredit(const TZRVUserTicket& aTicket) {
    return aTicket.Group()->IncrementalCredit();
}

// The requests whose refusals tell a guesser something: their answers wait when guessing is slowed.
bool IsGuess(TZRVSvrTasksEnum aTask) {
    return aTask == steGetAccount || aTask == steGetTicket || aTask == steAddCredit ||
           aTask == steRetrievePassword;
}

std::optional<TZRVSvrTasksEnum> RequestTask(const QString& aReason) {
    const std::pair<const QString&, TZRVSvrTasksEnum> tasks[] = {
        {c_GET_ACCOUNT, steGetAccount},       {c_GET_TICKET, steGetTicket},
        {c_ADD_CREDIT, steAddCredit},         {c_CREATE_ACCOUNT, steCreateAccount},
        {c_UPDATE_ACCOUNT, steUpdateAccount}, {c_RETRIEVE_PASSWORD, steRetrievePassword}};
    for (const auto& [reason, task] : tasks)
        if (aReason.compare(reason, Qt::CaseInsensitive) == 0)
            return task;
    return std::nullopt;
}

// How a restored session finds and checks its account or ticket.
struct TAccountRecord {
    using Record = TZRVUserAccount;
    static constexpr TZRVSessionType Type = stAccount;
    static std::unique_ptr<Record> Read(TZRVDataBase& aDb, uint32_t aID) { return aDb.ReadAccount(aID); }
    static int InUse(const TZRVCustomServerConnection& aServer, const Record& aRecord) {
        return aServer.DuplicatedAccount(aRecord.AccountName());
    }
};

struct TTicketRecord {
    using Record = TZRVUserTicket;
    static constexpr TZRVSessionType Type = stTicket;
    static std::unique_ptr<Record> Read(TZRVDataBase& aDb, uint32_t aID) { return aDb.ReadTicket(aID); }
    static int InUse(const TZRVCustomServerConnection& aServer, const Record& aRecord) {
        return aServer.DuplicatedTicket(aRecord.Code());
    }
};

} // namespace

// =============================================================================================
// The server's count of a session

void TZRVSessionCount::Hold(const TZRVSessionRow& aRow) {
    Release();
    fRow = aRow;
    fCredit = aRow.Credit;
    fSlack = aRow.Slack;
    fStartDate = aRow.StartDate;
}

void TZRVSessionCount::Start() {
    if (Running())
        return;
    if (fStartDate == 0)
        fStartDate = Now();
    fRunningSince = ClockMSecs();
}

void TZRVSessionCount::Stop() {
    Count();
    fRunningSince = -1;
}

void TZRVSessionCount::Count() {
    if (!Running())
        return;
    const qint64 now = ClockMSecs();
    fCountedMs += std::max<qint64>(now - fRunningSince, 0);
    fRunningSince = now;
}

uint32_t TZRVSessionCount::Report(std::optional<uint32_t> aReported, uint32_t aTolerance) {
    Count();
    const qint64 counted = fCountedMs / 1000;
    fCountedMs %= 1000;
    qint64 claimed = 0;
    if (aReported)
        claimed = std::max<qint64>(
            fRow.Incremental ? qint64(*aReported) - fCredit : qint64(fCredit) - *aReported, 0);
    // The time used is what the workstation says, but never less than the server counted beyond
    // the tolerance left.
    qint64 balance = qint64(fSlack) + claimed - counted;
    const qint64 used = balance < 0 ? claimed - balance : claimed;
    fSlack = uint32_t(std::clamp<qint64>(balance, 0, aTolerance));
    fCredit = fRow.Incremental ? uint32_t(std::min<qint64>(qint64(fCredit) + used, c_MaxCredit))
                               : uint32_t(std::max<qint64>(qint64(fCredit) - used, 0));
    return fCredit;
}

uint32_t TZRVSessionCount::ReportUncounted(uint32_t aReported) {
    fCredit = fRow.Incremental ? std::max(fCredit, aReported) : std::min(fCredit, aReported);
    return fCredit;
}

void TZRVSessionCount::Grant(uint32_t aSeconds) {
    fRow.Credit = uint32_t(std::min<qint64>(qint64(fRow.Credit) + aSeconds, c_MaxCredit));
    fCredit = uint32_t(std::min<qint64>(qint64(fCredit) + aSeconds, c_MaxCredit));
}

TZRVSessionRow TZRVSessionCount::Pending(qint64& aChange, uint32_t& aUsed) const {
    aChange = qint64(fCredit) - qint64(fRow.Credit);
    aUsed = uint32_t(aChange < 0 ? -aChange : aChange);
    TZRVSessionRow row = fRow;
    row.Credit = fCredit;
    row.Used = uint32_t(std::min<qint64>(qint64(fRow.Used) + aUsed, c_MaxCredit));
    row.Slack = fSlack;
    row.StartDate = fStartDate;
    return row;
}

void TZRVSessionCount::Written(const TZRVSessionRow& aRow) {
    fRow = aRow;
}

// =============================================================================================
// The user connection

TZRVServerUserConnection::TZRVServerUserConnection(QObject* aOwner)
    : QObject(aOwner), fSession(new TZRVUserSession(this)) {}

TZRVServerUserConnection::~TZRVServerUserConnection() {
    if (fConnected)
        Suspend(); // the server stops: the customer may carry on with the next one
}

void TZRVServerUserConnection::SetErrorLogger(TZRVErrorLogger* aValue) {
    fErrorLogger = aValue;
    fSession->SetErrorLogger(aValue);
}

TZRVServerClientConnection* TZRVServerUserConnection::Slot() const {
    return qobject_cast<TZRVServerClientConnection*>(parent());
}

TZRVWriteBackJournal* TZRVServerUserConnection::WriteBacks() const {
    const TZRVServerClientConnection* slot = Slot();
    const TZRVCustomServerConnection* server = slot ? slot->Server() : nullptr;
    return server && server->DataBase() ? server->WriteBacks() : nullptr;
}

TZRVDataBaseWorker* TZRVServerUserConnection::DataBase() const {
    const TZRVServerClientConnection* slot = Slot();
    const TZRVCustomServerConnection* server = slot ? slot->Server() : nullptr;
    return server ? server->DataBase() : nullptr;
}

uint32_t TZRVServerUserConnection::Tolerance() const {
    const TZRVServerClientConnection* slot = Slot();
    const TZRVCustomServerConnection* server = slot ? slot->Server() : nullptr;
    return server ? server->SessionCountTolerance()
                  : TZRVCustomServerConnection::c_DefaultSessionCountTolerance;
}

// The workstation's key in the database, once the server registered it; 0 before.
uint32_t TZRVServerUserConnection::MachineID() const {
    const TZRVServerClientConnection* slot = Slot();
    return slot ? slot->ClientMachine()->MachineID() : 0;
}

void TZRVServerUserConnection::ProcessMessage(QObject* /*Sender*/, const QString& aData) {
    try {
        TStringList m;
        m.SetText(aData);
        const QString reason = m.Values(c_MessageReason);
        const auto is = [&](const QString& aReason) {
            return reason.compare(aReason, Qt::CaseInsensitive) == 0;
        };
        if (is(c_USER_CONNECTION_CLOSED)) {
            if (fConnected)
                Close();
        } else if (is(c_SESSION_STARTED)) {
            SessionStarted();
        } else if (is(c_SESSION_STOPPED)) {
            SessionStopped(m);
        } else if (is(c_SESSION_UPDATE)) {
            SessionUpdate(m);
        } else if (const auto task = RequestTask(reason)) {
            TZRVSvrTasks::Create(Slot(), *task, m);
        } else {
            LogError(QStringLiteral("Message not recognized : ") + aData.left(c_MaxLoggedText),
                     QStringLiteral("ZRVServerConnection::ZRVServerUserConnection"),
                     QStringLiteral("MessageID_UserConnection"), QStringLiteral("log and exit"));
        }
    } catch (const std::exception& e) {
        LogError(QString::fromUtf8(e.what()), c_Unit,
                 QStringLiteral("TZRVServerUserConnection.ProcessMessage"),
                 QStringLiteral("handle, free and exit"));
    }
}

void TZRVServerUserConnection::SessionStarted() {
    if (!fConnected)
        return; // nobody pays for a session before a login
    fSession->Open();
    fCount.Start();
}

void TZRVServerUserConnection::SessionStopped(const TStringList& aMessage) {
    if (!fCount.Running())
        return;
    SessionReport(ReadUInt(aMessage, QStringLiteral("CreditValue")));
    fCount.Stop();
    fSession->Close();
    WriteBack(false);
}

void TZRVServerUserConnection::SessionUpdate(const TStringList& aMessage) {
    if (aMessage.IndexOfName(QStringLiteral("SessionType")) >= 0) {
        if (!DataBase())
            return RefuseRestore(QStringLiteral("no database"));
        // Read now, where a malformed message is refused; the restore itself runs later.
        const int type = ReadInt(aMessage, QStringLiteral("SessionType"));
        const TRestoreRequest request = ReadRestoreRequest(aMessage);
        switch (type) {
        case stAccount:
            return QueueRequest(false, [this, request](std::function<void()> aFinished) {
                RestoreSession<TAccountRecord>(request, std::move(aFinished));
            });
        case stTicket:
            return QueueRequest(false, [this, request](std::function<void()> aFinished) {
                RestoreSession<TTicketRecord>(request, std::move(aFinished));
            });
        default:
            return RefuseRestore(QStringLiteral("no such session type"));
        }
    }
    if (!fCount.Running()) {
        LogError(QStringLiteral("Session report without a running session ignored"), c_Unit,
                 QStringLiteral("TZRVServerUserConnection.ProcessMessage"), QStringLiteral("Log and ignore"));
        return;
    }
    SessionReport(ReadUInt(aMessage, QStringLiteral("CreditValue")));
    WriteBack(false);
}

void TZRVServerUserConnection::SessionReport(std::optional<uint32_t> aReported) {
    fSession->Credit()->SetCreditValue(fCount.Report(aReported, Tolerance()));
}

void TZRVServerUserConnection::WriteBack(bool aEndSession) {
    TZRVWriteBackJournal* journal = WriteBacks();
    if (!journal)
        return;
    TZRVWriteBack work;
    work.Row = fCount.Pending(work.Change, work.Used);
    work.MachineID = MachineID();
    work.EndSession = aEndSession;
    // Counted as written: the journal keeps it until the database has it.
    journal->Write(work);
    fCount.Written(work.Row);
}

void TZRVServerUserConnection::Granted(const QString& aToken, uint32_t aSeconds) {
    if (!fConnected || fCount.Token() != aToken)
        return; // the customer logged out meanwhile: the database has the reload all the same
    fCount.Grant(aSeconds);
    fSession->Credit()->SetCreditValue(AddClamped(fSession->Credit()->CreditValue(), aSeconds));
    if (fSession->SessionType() == stAccount)
        fSession->Account()->SetActive(true);
}

void TZRVServerUserConnection::RefuseRestore(const QString& aWhy) const {
    const TZRVServerClientConnection* slot = Slot();
    LogError(QStringLiteral("Restored session refused (%1): %2")
                 .arg(slot ? slot->RemoteAddress() : QString(), aWhy),
             c_Unit, QStringLiteral("TZRVServerUserConnection.ProcessMessage"),
             QStringLiteral("Log and ignore"));
}

TZRVServerUserConnection::TRestoreRequest
TZRVServerUserConnection::ReadRestoreRequest(const TStringList& aMessage) {
    TRestoreRequest request;
    request.Token = aMessage.Values(QStringLiteral("SessionToken"));
    request.ID = ReadUInt(aMessage, QStringLiteral("SessionTypeID"));
    request.Reported = ReadUInt(aMessage, QStringLiteral("CreditValue"));
    const QString openned = QStringLiteral("SessionOpenned");
    request.Told = aMessage.IndexOfName(openned) >= 0;
    request.Openned = request.Told && ReadBool(aMessage, openned);
    return request;
}

template <class Kind>
void TZRVServerUserConnection::RestoreSession(const TRestoreRequest& aRequest,
                                              std::function<void()> aFinished) {
    TZRVDataBaseWorker* db = DataBase();
    if (!db) {
        RefuseRestore(QStringLiteral("no database"));
        return aFinished();
    }
    const QString token = aRequest.Token;
    const uint32_t id = aRequest.ID;
    // The workstation came back on a new link before the server saw the old one go: that one's
    // write-back goes to the database before the session is read.
    if (TZRVServerClientConnection* holder = Slot()->Server()->SessionHolder(token)) {
        const TZRVSessionRow& held = holder->UserConnection()->fCount.Row();
        if (!fConnected && held.SessionType == Kind::Type && held.RecordID == id)
            holder->ShutDownConnection();
    }
    const quint64 serial = Slot()->ConnectionSerial();
    db->Post(
        this,
        [token, id, openned = aRequest.Openned,
         server = Slot()->Server()->Claims()->Identity()](TZRVDataBase& aDb) {
            std::optional<TZRVSessionRow> row = aDb.ReadSession(token);
            // Carrying the session on takes its claim back, unless another server's session has it.
            const bool elsewhere = openned && row && row->SessionType == Kind::Type && row->RecordID == id &&
                                   !aDb.ClaimRecord(*row, server, false);
            return std::make_tuple(row, std::shared_ptr(Kind::Read(aDb, id)), elsewhere);
        },
        [this, aRequest, serial, aFinished](auto aOutcome) {
            if (serial != Slot()->ConnectionSerial())
                return aFinished();
            if (!aOutcome.Ok())
                RefuseRestore(aOutcome.Error);
            else
                Restore<Kind>(aRequest, std::get<0>(*aOutcome.Value), std::get<1>(*aOutcome.Value),
                              std::get<2>(*aOutcome.Value));
            aFinished();
        });
}

template <class Kind>
void TZRVServerUserConnection::Restore(const TRestoreRequest& aRequest,
                                       const std::optional<TZRVSessionRow>& aRow,
                                       const std::shared_ptr<typename Kind::Record>& aRecord,
                                       bool aClaimedElsewhere) {
    const uint32_t id = aRequest.ID;
    const uint32_t reported = aRequest.Reported;
    if (fConnected)
        return RefuseRestore(QStringLiteral("a customer is logged in here"));
    if (!aRow || aRow->SessionType != Kind::Type || aRow->RecordID != id)
        return RefuseRestore(QStringLiteral("no open session with that token"));
    TZRVCustomServerConnection& server = *Slot()->Server();
    if (server.SessionHolder(aRow->Token))
        return RefuseRestore(QStringLiteral("its session is held by another workstation"));
    if (!aRecord)
        return RefuseRestore(QStringLiteral("its account or ticket is gone"));
    if (Kind::InUse(server, *aRecord) != 0)
        return RefuseRestore(QStringLiteral("its account or ticket is in use"));
    if (aClaimedElsewhere)
        return RefuseRestore(QStringLiteral("its account or ticket is in use at another server"));
    if (aRequest.Openned) {
        LogIn(*aRecord, *aRow);
        fSession->Credit()->SetCreditValue(fCount.ReportUncounted(reported));
        WriteBack(false);
        DoOpen();
        SessionStarted();
        return;
    }
    // The customer left while the server was away: the session ends with what it used.
    TZRVSessionCount count;
    count.Hold(*aRow);
    count.ReportUncounted(reported);
    TZRVWriteBack work;
    work.Row = count.Pending(work.Change, work.Used);
    work.EndSession = aRequest.Told;
    server.WriteBacks()->Write(work);
}

void TZRVServerUserConnection::PrepareLogIn(const TZRVSessionRow& aRow) {
    if (fConnected)
        Close();
    fSession->Clear();
    fCount.Hold(aRow);
    fLoginRefusal.clear();
}

void TZRVServerUserConnection::LogIn(const TZRVUserAccount& aAccount, const TZRVSessionRow& aRow) {
    PrepareLogIn(aRow);
    fSession->Account()->Copy(&aAccount);
    fSession->SetSessionType(stAccount);
    fSession->Credit()->SetCreditValue(fCount.Credit());
    fSession->Credit()->SetIncremental(aRow.Incremental);
    fConnected = true;
}

void TZRVServerUserConnection::LogIn(const TZRVUserTicket& aTicket, const TZRVSessionRow& aRow) {
    PrepareLogIn(aRow);
    fSession->Ticket()->Copy(&aTicket);
    fSession->SetSessionType(stTicket);
    fSession->Credit()->SetCreditValue(fCount.Credit());
    fSession->Credit()->SetIncremental(aRow.Incremental);
    fConnected = true;
}

void TZRVServerUserConnection::Close() {
    EndSession(true);
}

void TZRVServerUserConnection::Suspend() {
    EndSession(false);
}

void TZRVServerUserConnection::EndSession(bool aLogOut) {
    if (fConnected) {
        try {
            if (fSession->Openned())
                fSession->Close();
            SessionReport(std::nullopt);
            fCount.Stop();
            // The count ends here: what the database refuses waits in the server's journal.
            WriteBack(aLogOut);
        } catch (const std::exception& e) {
            LogError(QString::fromUtf8(e.what()), QStringLiteral("UserConnection"),
                     QStringLiteral("TZRVCustomUserConnection.Close"), QStringLiteral("free and exit"));
        }
        fSession->Clear();
        fCount.Release();
    }
    fConnected = false;
    DoClose();
}

void TZRVServerUserConnection::QueueRequest(bool aGuess, std::function<void(std::function<void()>)> aRun) {
    TZRVServerClientConnection* slot = Slot();
    if (!slot || !slot->Connected())
        return;
    // A socket that is closing: the link is going and nobody would read the answer. A slot fed its
    // bytes without a socket (the fuzzing of the server) runs its requests all the same.
    const QTcpSocket* socket = slot->WinSocket();
    if (socket && socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (slot->ConnectionSerial() != fRequestsSerial) { // a new workstation: the last one's requests go
        fRequests.clear();
        fRequestRunning = false;
        fRequestsSerial = slot->ConnectionSerial();
    }
    if (fRequests.size() >= c_MaxQueuedRequests) {
        LogError(
            QStringLiteral("The workstation %1 sends requests faster than they are answered: link dropped")
                .arg(slot->RemoteAddress()),
            c_Unit, QStringLiteral("TZRVServerUserConnection.QueueRequest"), QStringLiteral("Log"));
        slot->ShutDownConnection();
        return;
    }
    fRequests.push_back({aGuess, std::move(aRun)});
    if (!fRequestRunning)
        RunNextRequest();
}

void TZRVServerUserConnection::RunNextRequest() {
    fRequestRunning = !fRequests.empty();
    if (!fRequestRunning)
        return;
    const quint64 serial = fRequestsSerial;
    const auto run = [this, serial] {
        if (serial != fRequestsSerial || fRequests.empty())
            return; // the workstation that asked has gone
        const TRequest request = std::move(fRequests.front());
        fRequests.pop_front();
        // The next one starts once this one has answered.
        request.Run([this, serial] {
            if (serial == fRequestsSerial)
                RunNextRequest();
        });
    };
    const TZRVServerClientConnection* slot = Slot();
    TZRVCustomServerConnection* server = slot->Server();
    if (fRequests.front().Guess && server)
        server->GuessThrottle()->Answer(slot->RemoteAddress(), this, run);
    else
        QTimer::singleShot(0, this, run);
}

void TZRVServerUserConnection::LogError(const QString& aMessage, const QString& aUnitName,
                                        const QString& aRoutineName, const QString& aAction) const {
    LogErrorTo(fErrorLogger, aMessage, aUnitName, aRoutineName, aAction);
}

void TZRVServerUserConnection::DoOpen() {
    if (fOnOpen)
        fOnOpen(this);
}

void TZRVServerUserConnection::DoClose() {
    if (fOnClose)
        fOnClose(this);
}

// =============================================================================================
// Requests

void TZRVSvrTasks::Create(TZRVServerClientConnection* aClient, TZRVSvrTasksEnum aTask,
                          const TStringList& aData, int aDelayMs) {
    if (!aClient)
        throw EZRVError(QStringLiteral("Objet client invalide"));
    std::shared_ptr<TZRVSvrTasks> task(new TZRVSvrTasks(aClient, aTask, aData));
    if (aDelayMs > 0)
        QTimer::singleShot(aDelayMs, aClient, [task] { task->Execute({}); });
    else
        aClient->UserConnection()->QueueRequest(
            IsGuess(aTask), [task](std::function<void()> aFinished) { task->Execute(std::move(aFinished)); });
}

void TZRVSvrSQList::Create(TZRVServerClientConnection* aClient) {
    TZRVSvrTasks::Create(aClient, steGetList);
}

TZRVSvrTasks::TZRVSvrTasks(TZRVServerClientConnection* aClient, TZRVSvrTasksEnum aTask,
                           const TStringList& aData)
    : fSCCnn(aClient), fTask(aTask), fData(aData), fSerial(aClient->ConnectionSerial()) {}

bool TZRVSvrTasks::Current() const {
    return fSCCnn && fSCCnn->Connected() && fSCCnn->ConnectionSerial() == fSerial && fSCCnn->Server();
}

void TZRVSvrTasks::Execute(std::function<void()> aFinished) {
    fFinished = std::move(aFinished);
    if (!Current())
        return Finished(); // the workstation that asked has gone
    TInput input;
    try {
        input = Prepare();
    } catch (const std::exception& e) {
        return Fail(QString::fromUtf8(e.what()));
    }
    TZRVDataBaseWorker* worker = fSCCnn->Server()->DataBase();
    if (!worker) {
        TResult none;
        none.Refusal = NotAssigned();
        return Finish(none);
    }
    worker->Post(
        User(), [input = std::move(input)](TZRVDataBase& aDb) mutable { return Query(input, aDb); },
        [self = shared_from_this()](TZRVDataBaseOutcome<TResult> aOutcome) { self->Answer(aOutcome); });
}

void TZRVSvrTasks::Answer(TZRVDataBaseOutcome<TResult>& aOutcome) {
    if (aOutcome.Ok())
        return Finish(*aOutcome.Value);
    if (!aOutcome.Late) {
        Release();
        return Fail(aOutcome.Error);
    }
    // The database is held elsewhere for longer than the workstation should wait.
    TResult late;
    late.Refusal = c_NotOpen;
    Finish(late);
}

void TZRVSvrTasks::Finish(TResult& aResult) {
    Release();
    if (!Current()) {
        Forget(aResult);
        return Finished();
    }
    try {
        Apply(aResult);
    } catch (const std::exception& e) {
        return Fail(QString::fromUtf8(e.what()));
    }
    Finished();
}

void TZRVSvrTasks::Fail(const QString& aError) {
    if (Current()) {
        fSCCnn->LogError(QStringLiteral("%1 (%2)").arg(aError, fData.Values(c_MessageReason)), c_Unit,
                         QStringLiteral("TZRVSvrTasks.Execute"), QStringLiteral("Answer and exit"));
        AnswerInvalid();
    }
    Finished();
}

void TZRVSvrTasks::Finished() {
    if (fFinished)
        std::exchange(fFinished, nullptr)();
}

void TZRVSvrTasks::Claim(bool aTicket, const QString& aKey) {
    TZRVCustomServerConnection* server = fSCCnn->Server();
    if (aTicket)
        server->ClaimTicket(aKey);
    else
        server->ClaimAccount(aKey);
    fClaim = {aTicket, aKey};
}

void TZRVSvrTasks::Release() {
    if (!fClaim)
        return;
    if (TZRVCustomServerConnection* server = fSCCnn ? fSCCnn->Server() : nullptr) {
        if (fClaim->first)
            server->ReleaseTicket(fClaim->second);
        else
            server->ReleaseAccount(fClaim->second);
    }
    fClaim.reset();
}

// A session opened for a workstation that went before its answer: nobody will carry it on.
void TZRVSvrTasks::Forget(const TResult& aResult) const {
    const TZRVCustomServerConnection* server = fSCCnn ? fSCCnn->Server() : nullptr;
    if (aResult.Row.Token.isEmpty() || !server || !server->DataBase())
        return;
    server->DataBase()->Post(
        fSCCnn, [token = aResult.Row.Token](TZRVDataBase& aDb) { return aDb.DeleteSession(token); },
        [](const TZRVDataBaseOutcome<bool>&) {});
}

QString TZRVSvrTasks::NotAssigned() const {
    switch (fTask) {
    case steAddCredit:
        return c_NotAssignedReload;
    case steCreateAccount:
    case steUpdateAccount:
        return c_NotAssignedAccount;
    default:
        return c_NotAssigned;
    }
}

void TZRVSvrTasks::AnswerInvalid() const {
    struct TAnswer {
        TZRVSvrTasksEnum Task;
        const QString& Reason;
        const QString& Flag;
    };
    const TAnswer answers[] = {
        {steGetAccount, c_msgreason_GetAccount, c_Found},
        {steGetTicket, c_msgreason_GetTicket, c_Found},
        {steAddCredit, c_msgreason_AddCredit, c_Found},
        {steRetrievePassword, c_msgreason_RetrievePassword, c_Found},
        {steCreateAccount, c_msgreason_CreateAccount, c_Success},
        {steUpdateAccount, c_msgreason_UpdateAccount, c_Success},
    };
    for (const TAnswer& a : answers) {
        if (a.Task != fTask)
            continue;
        TStringList reply = Reply(c_msgid_UserConnection, a.Reason);
        AddOutcome(reply, a.Flag, c_InvalidRequest, QString());
        SendReply(reply);
    }
}

QString TZRVSvrTasks::Field(const QString& aName) const {
    if (fData.IndexOfName(aName) < 0)
        throw EZRVError(QStringLiteral("Request without ") + aName);
    return fData.Values(aName);
}

std::shared_ptr<TZRVUserAccount> TZRVSvrTasks::RequestAccount() const {
    auto account = std::make_shared<TZRVUserAccount>();
    account->LoadFromStringList(fData);
    if (account->AccountName().isEmpty())
        throw EZRVError(QStringLiteral("Account request without a name"));
    return account;
}

void TZRVSvrTasks::NoteGuess() const {
    if (TZRVCustomServerConnection* server = fSCCnn->Server())
        server->GuessThrottle()->Note(fSCCnn->RemoteAddress());
}

TZRVServerUserConnection* TZRVSvrTasks::User() const {
    return fSCCnn->UserConnection();
}

void TZRVSvrTasks::SendReply(const TStringList& aReply) const {
    fSCCnn->Send(aReply.Text());
}

// ---------------------------------------------------------------------------------------------
// Before: what the request takes from the server's memory

TZRVSvrTasks::TInput TZRVSvrTasks::Prepare() {
    TInput in;
    in.Task = fTask;
    TZRVCustomServerConnection* server = fSCCnn->Server();
    const TZRVServerUserConnection* user = User();
    switch (fTask) {
    case steGetList:
        break;
    case steGetAccount:
        in.Name = Field(QStringLiteral("AccountName"));
        in.Secret = Field(QStringLiteral("AccountPassword"));
        in.InUse = server->DuplicatedAccount(in.Name) != 0;
        in.Tolerance = user->Tolerance();
        in.Server = server->Claims()->Identity();
        if (!in.InUse)
            Claim(false, in.Name);
        break;
    case steGetTicket:
    case steAddCredit:
        in.Name = Field(fTask == steGetTicket ? QStringLiteral("TicketCode") : QStringLiteral("ReloadCode"));
        in.InUse = server->DuplicatedTicket(in.Name) != 0;
        in.Tolerance = user->Tolerance();
        in.Allowed = user->Connected();
        in.Payer = user->fCount.Row();
        in.Server = server->Claims()->Identity();
        fPayerToken = in.Payer.Token;
        // A reload code is spent once by the database itself; a login holds its ticket.
        if (!in.InUse && fTask == steGetTicket)
            Claim(true, in.Name);
        break;
    case steCreateAccount:
        in.Account = RequestAccount();
        in.Allowed = !server->AccountCreationThrottle()->Exhausted(fSCCnn->RemoteAddress());
        break;
    case steUpdateAccount: {
        in.Account = RequestAccount();
        // Only the account logged in on this slot may be changed from it.
        const TZRVUserSession* session = user->Session();
        const uint32_t id = in.Account->AccountID();
        in.Allowed = user->Connected() && session->SessionType() == stAccount && id != 0 &&
                     session->Account()->AccountID() == id;
        break;
    }
    case steRetrievePassword:
        in.Name = Field(QStringLiteral("AccountName"));
        in.Question = Field(QStringLiteral("SecretQuestion"));
        in.Secret = Field(QStringLiteral("SecretAnswer"));
        break;
    case steAddUpdateMachine:
        in.Machine = std::make_shared<TZRVMachine>();
        in.Machine->Copy(fSCCnn->ClientMachine());
        break;
    }
    return in;
}

// ---------------------------------------------------------------------------------------------
// On the database worker

TZRVSvrTasks::TResult TZRVSvrTasks::Query(TInput& aIn, TZRVDataBase& aDb) {
    TResult out;
    if (!aDb.GetOpenned()) {
        out.Refusal = c_NotOpen;
        return out;
    }
    switch (aIn.Task) {
    case steGetList:
        out.List = aDb.SecretQuestionList(c_MaxListedQuestions);
        break;
    case steGetAccount:
        QueryAccount(aIn, aDb, out);
        break;
    case steGetTicket:
        QueryTicket(aIn, aDb, out);
        break;
    case steAddCredit:
        QueryReload(aIn, aDb, out);
        break;
    case steCreateAccount:
        out.Refusal = CreateRefusal(aIn, aDb);
        break;
    case steUpdateAccount:
        QueryUpdate(aIn, aDb, out);
        break;
    case steRetrievePassword:
        QueryPassword(aIn, aDb, out);
        break;
    case steAddUpdateMachine:
        out.ID = RegisterMachine(*aIn.Machine, aDb);
        break;
    }
    return out;
}

std::optional<TZRVSessionRow> TZRVSvrTasks::NewSession(TZRVDataBase& aDb, const TInput& aIn,
                                                       TZRVSessionType aType, uint32_t aID, uint32_t aCredit,
                                                       bool aIncremental) {
    TZRVSessionRow row;
    row.Token = NewSessionToken();
    row.SessionType = aType;
    row.RecordID = aID;
    row.Incremental = aIncremental;
    row.Credit = aCredit;
    row.Slack = aIn.Tolerance;
    if (!aDb.OpenSession(row, aIn.Server))
        return std::nullopt;
    return row;
}

QString TZRVSvrTasks::AccountRefusal(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut) {
    const int id = aDb.AccountExists(aIn.Name);
    if (id == 0) {
        aOut.Guess = true;
        return QStringLiteral("Compte inexistant");
    }
    aOut.Account = aDb.ReadAccount(uint32_t(id));
    if (!aOut.Account)
        return QStringLiteral("Erreur lors de la lecture du compte");
    if (!SamePassword(aOut.Account->AccountPassword(), aIn.Secret)) {
        aOut.Guess = true;
        return QStringLiteral("Mot de passe incorrect");
    }
    // Only someone who knows the password learns that the account is in use.
    if (aIn.InUse)
        return c_AccountInUse;
    if (!aOut.Account->Active())
        return QStringLiteral("Ce compte est désactivé ! Veuillez contacter le serveur");
    return QString();
}

void TZRVSvrTasks::QueryAccount(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut) {
    aOut.Refusal = AccountRefusal(aIn, aDb, aOut);
    if (!aOut.Refusal.isEmpty())
        return;
    if (auto row = NewSession(aDb, aIn, stAccount, aOut.Account->AccountID(), aOut.Account->Credit(),
                              IncrementalCredit(*aOut.Account)))
        aOut.Row = *row;
    else
        aOut.Refusal = c_AccountInUse; // at another café of the chain
}

QString TZRVSvrTasks::TicketRefusal(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut) {
    if (aIn.InUse) {
        aOut.Guess = true; // it tells a guesser that the code exists
        return c_TicketInUse;
    }
    const int id = aDb.TicketExists(aIn.Name);
    if (id == 0) {
        aOut.Guess = true;
        return QStringLiteral("Ticket introuvable");
    }
    aOut.Ticket = aDb.ReadTicket(uint32_t(id));
    return aOut.Ticket ? QString() : QStringLiteral("Erreur lors de la lecture du ticket");
}

void TZRVSvrTasks::QueryTicket(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut) {
    aOut.Refusal = TicketRefusal(aIn, aDb, aOut);
    if (!aOut.Refusal.isEmpty())
        return;
    if (auto row = NewSession(aDb, aIn, stTicket, aOut.Ticket->TicketID(), aOut.Ticket->Credit(),
                              IncrementalCredit(*aOut.Ticket))) {
        aOut.Row = *row;
    } else { // at another café of the chain
        aOut.Guess = true;
        aOut.Refusal = c_TicketInUse;
    }
}

QString TZRVSvrTasks::ReloadRefusal(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut) {
    if (!aIn.Allowed)
        return c_NoSession; // the code stays as it is
    if (aIn.InUse) {
        aOut.Guess = true;
        return c_TicketInUse;
    }
    const int id = aDb.TicketExists(aIn.Name);
    if (id == 0) {
        aOut.Guess = true;
        return QStringLiteral("Code de recharge introuvable");
    }
    aOut.Ticket = aDb.ReadTicket(uint32_t(id));
    const TZRVUserTicket* ticket = aOut.Ticket.get();
    if (!ticket)
        return QStringLiteral("Erreur lors de la lecture du code de recharge");
    if (ticket->UsedFlag()) {
        aOut.Guess = true;
        return c_CodeUsed;
    }
    const TDateTime now = Now();
    if (!TZRVHourFormulaData::Contains(ticket->HourFormula(), DayOfTheWeek(now), HourOf(now)))
        return QStringLiteral("Ce code de recharge ne peut pas être utilisé actuellement !");
    if (!ticket->Active())
        return QStringLiteral("Ce code de recharge n'est pas encore vendu !");
    // A sold code never activated starts its validity with this reload.
    if (ticket->ActivationDate() != 0 && now > ticket->ActivationDate() + ticket->DaysAllowed())
        return QStringLiteral("Ce code de recharge est expiré !");
    return QString();
}

// Moves the code's credit to the session; the code may have been spent meanwhile.
// The code is held for the moment of its spending, so that a session of another server that logged
// in with it as a ticket keeps it.
void TZRVSvrTasks::QueryReload(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut) {
    aOut.Refusal = ReloadRefusal(aIn, aDb, aOut);
    if (!aOut.Refusal.isEmpty())
        return;
    TZRVSessionRow held;
    held.Token = QStringLiteral("reload:") + aIn.Payer.Token;
    held.SessionType = stTicket;
    held.RecordID = aOut.Ticket->TicketID();
    aOut.Refusal = aDb.RunAtomically([&] {
        if (!aDb.ClaimRecord(held, aIn.Server, true))
            return c_TicketInUse;
        const bool spent = aDb.SpendReloadCode(held.RecordID, aOut.Ticket->Credit(), aIn.Payer);
        aDb.DeleteSession(held.Token);
        return spent ? QString() : c_CodeUsed;
    });
    aOut.Guess = !aOut.Refusal.isEmpty();
}

QString TZRVSvrTasks::CreateRefusal(const TInput& aIn, TZRVDataBase& aDb) {
    TZRVUserAccount& account = *aIn.Account;
    if (!aIn.Allowed)
        return c_TooManyAccounts;
    if (account.SecretQuestion()->Question().size() > c_MaxQuestionLength)
        return c_QuestionTooLong;
    if (aDb.AccountExists(account.AccountName()) != 0)
        return QStringLiteral("Nom de compte déjà existant");
    MakeCustomerAccount(aDb, account);
    ResolveSecretQuestion(aDb, account);
    if (!aDb.AddAccount(&account))
        return QStringLiteral("Erreur lors de la création du compte utilisateur");
    return QString();
}

void TZRVSvrTasks::QueryUpdate(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut) {
    TZRVUserAccount& request = *aIn.Account;
    if (!aIn.Allowed) {
        aOut.Refusal = c_AccountNotFound;
        return;
    }
    if (request.SecretQuestion()->Question().size() > c_MaxQuestionLength) {
        aOut.Refusal = c_QuestionTooLong;
        return;
    }
    aOut.Account = aDb.ReadAccount(request.AccountID());
    if (!aOut.Account) {
        aOut.Refusal = c_AccountNotFound;
        return;
    }
    if (!ResolveSecretQuestion(aDb, request))
        request.SecretQuestion()->Copy(aOut.Account->SecretQuestion());
    CopyCustomerFields(request, *aOut.Account);
    if (!aDb.UpdateAccount(aOut.Account.get()))
        aOut.Refusal = QStringLiteral("Erreur lors de la mise à jour du compte utilisateur");
}

void TZRVSvrTasks::QueryPassword(const TInput& aIn, TZRVDataBase& aDb, TResult& aOut) {
    const int id = aDb.AccountExists(aIn.Name);
    aOut.Account = id ? aDb.ReadAccount(uint32_t(id)) : nullptr;
    const TZRVUserAccount* account = aOut.Account.get();
    // An account without a secret answer cannot be recovered this way.
    const bool match = account && !account->SecretAnswer().isEmpty() &&
                       account->SecretQuestion()->Question() == aIn.Question &&
                       account->SecretAnswer() == aIn.Secret;
    if (!match) {
        aOut.Guess = true;
        aOut.Refusal = c_WrongSecret;
    }
}

uint32_t TZRVSvrTasks::RegisterMachine(const TZRVMachine& aMachine, TZRVDataBase& aDb) {
    if (const int id = aDb.MachineExists(aMachine.MachineName())) {
        TZRVMachine updated;
        updated.Copy(&aMachine);
        updated.SetMachineID(uint32_t(id));
        aDb.UpdateMachine(&updated);
        return uint32_t(id);
    }
    auto added = std::make_unique<TZRVMachine>();
    added->Copy(&aMachine);
    return aDb.AddMachine(added) && added ? added->MachineID() : 0;
}

// ---------------------------------------------------------------------------------------------
// After: the answer, and what it changes in the server's memory

void TZRVSvrTasks::Apply(TResult& aResult) {
    if (aResult.Guess)
        NoteGuess();
    switch (fTask) {
    case steGetList:
        return AnswerList(aResult);
    case steGetAccount:
    case steGetTicket:
        return AnswerLogIn(aResult);
    case steAddCredit:
        return AnswerReload(aResult);
    case steCreateAccount:
        return AnswerCreate(aResult);
    case steUpdateAccount:
        return AnswerUpdate(aResult);
    case steRetrievePassword:
        return AnswerPassword(aResult);
    case steAddUpdateMachine:
        if (aResult.ID != 0)
            fSCCnn->ClientMachine()->SetMachineID(aResult.ID);
        return;
    }
}

void TZRVSvrTasks::AnswerList(const TResult& aResult) const {
    TStringList reply = Reply(c_msgid_ClientConnection, c_msgreason_GetSecretQuestionsList);
    qsizetype size = 0;
    for (const QString& question : aResult.List) {
        size += question.size();
        if (size > c_MaxListedQuestionsSize)
            break;
        reply.Add(question);
    }
    SendReply(reply);
}

void TZRVSvrTasks::AnswerLogIn(const TResult& aResult) const {
    const bool ticket = fTask == steGetTicket;
    TStringList reply =
        Reply(c_msgid_UserConnection, ticket ? c_msgreason_GetTicket : c_msgreason_GetAccount);
    AddOutcome(reply, c_Found, aResult.Refusal,
               ticket ? QStringLiteral("Ticket trouvé") : QStringLiteral("Compte trouvé"));
    TZRVServerUserConnection* user = User();
    if (aResult.Refusal.isEmpty()) {
        reply.Add(QStringLiteral("SessionToken"), aResult.Row.Token);
        if (ticket) {
            reply.AddStrings(aResult.Ticket->SaveToStringList());
            user->LogIn(*aResult.Ticket, aResult.Row);
        } else {
            // The workstation gets back what the customer typed, and never the secret answer.
            TZRVUserAccount shown;
            shown.Copy(aResult.Account.get());
            shown.SetAccountPassword(fData.Values(QStringLiteral("AccountPassword")));
            shown.SetSecretAnswer(QString());
            reply.AddStrings(shown.SaveToStringList());
            user->LogIn(*aResult.Account, aResult.Row);
        }
    }
    user->fLoginRefusal = aResult.Refusal;
    SendReply(reply);
    if (fSCCnn->Connected())
        user->DoOpen();
}

void TZRVSvrTasks::AnswerReload(const TResult& aResult) const {
    if (!aResult.Refusal.isEmpty()) {
        TStringList reply = Reply(c_msgid_UserConnection, c_msgreason_GetTicket);
        AddOutcome(reply, c_Found, aResult.Refusal, QString());
        SendReply(reply);
        return;
    }
    const uint32_t credit = aResult.Ticket->Credit();
    User()->Granted(fPayerToken, credit);
    TStringList reply = Reply(c_msgid_UserConnection, c_msgreason_AddCredit);
    AddOutcome(reply, c_Found, QString(),
               QStringLiteral("Ajout de crédit (%1) effectué").arg(FormatCredit(credit)));
    reply.Add(QStringLiteral("Seconds"), IntToStr(credit % 3600 % 60));
    reply.Add(QStringLiteral("Minutes"), IntToStr(credit % 3600 / 60));
    reply.Add(QStringLiteral("Hours"), IntToStr(credit / 3600));
    SendReply(reply);
    fSCCnn->DoTicketAddCredit(aResult.Ticket.get());
}

void TZRVSvrTasks::AnswerCreate(const TResult& aResult) const {
    if (aResult.Refusal.isEmpty())
        fSCCnn->Server()->AccountCreationThrottle()->Note(fSCCnn->RemoteAddress());
    TStringList reply = Reply(c_msgid_UserConnection, c_msgreason_CreateAccount);
    AddOutcome(reply, c_Success, aResult.Refusal, QStringLiteral("Compte utilisateur crée avec succès"));
    SendReply(reply);
}

void TZRVSvrTasks::AnswerUpdate(const TResult& aResult) const {
    TZRVServerUserConnection* user = User();
    // The customer may have logged out meanwhile: only his own session takes the change.
    if (aResult.Refusal.isEmpty() && user->Connected() && user->Session()->SessionType() == stAccount &&
        user->Session()->Account()->AccountID() == aResult.Account->AccountID())
        CopyCustomerFields(*aResult.Account, *user->Session()->Account());
    TStringList reply = Reply(c_msgid_UserConnection, c_msgreason_UpdateAccount);
    AddOutcome(reply, c_Success, aResult.Refusal,
               QStringLiteral("Compte utilisateur mis à jour avec succès"));
    SendReply(reply);
}

void TZRVSvrTasks::AnswerPassword(const TResult& aResult) const {
    TStringList reply = Reply(c_msgid_UserConnection, c_msgreason_RetrievePassword);
    AddOutcome(reply, c_Found, aResult.Refusal, QString());
    if (aResult.Refusal.isEmpty())
        reply.Add(QStringLiteral("AccountPassword"), aResult.Account->AccountPassword());
    SendReply(reply);
}
