#include "ZRVServerUserConnection.h"

#include "ZRVDataBase.h"
#include "ZRVErrorLogger.h"
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

// The workstation's rule for passwords: equal when only ASCII letters differ in case. An empty
// password never matches.
bool SamePassword(const QString& aStored, const QString& aGiven) {
    if (aGiven.isEmpty() || aStored.size() != aGiven.size())
        return false;
    const auto fold = [](QChar c) { return c >= u'A' && c <= u'Z' ? QChar(c.unicode() + 32) : c; };
    for (qsizetype i = 0; i < aStored.size(); ++i)
        if (fold(aStored[i]) != fold(aGiven[i]))
            return false;
    return true;
}

// The refusal of a request for want of a database, or the empty text.
QString DataBaseRefusal(const TZRVDataBase* aDb, const QString& aNotAssigned) {
    if (!aDb)
        return aNotAssigned;
    return aDb->GetOpenned() ? QString() : c_NotOpen;
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
    return server && server->DB() ? server->WriteBacks() : nullptr;
}

TZRVDataBase* TZRVServerUserConnection::DataBase() const {
    const TZRVServerClientConnection* slot = Slot();
    const TZRVCustomServerConnection* server = slot ? slot->Server() : nullptr;
    return server ? server->DB() : nullptr;
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
    if (TZRVDataBase* db = DataBase(); db && db->GetOpenned())
        WriteBack(*db);
}

void TZRVServerUserConnection::SessionUpdate(const TStringList& aMessage) {
    TZRVDataBase* db = DataBase();
    if (aMessage.IndexOfName(QStringLiteral("SessionType")) >= 0) {
        if (!db || !db->GetOpenned())
            return RefuseRestore(QStringLiteral("no database"));
        switch (ReadInt(aMessage, QStringLiteral("SessionType"))) {
        case stAccount:
            return RestoreSession<TAccountRecord>(*db, aMessage);
        case stTicket:
            return RestoreSession<TTicketRecord>(*db, aMessage);
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
    if (db && db->GetOpenned())
        WriteBack(*db);
}

void TZRVServerUserConnection::SessionReport(std::optional<uint32_t> aReported) {
    fSession->Credit()->SetCreditValue(fCount.Report(aReported, Tolerance()));
}

void TZRVServerUserConnection::WriteBack(TZRVDataBase& aDb) {
    qint64 change = 0;
    uint32_t used = 0;
    const TZRVSessionRow row = fCount.Pending(change, used);
    aDb.WriteSessionUse(row, change, used, MachineID());
    fCount.Written(row);
}

void TZRVServerUserConnection::RefuseRestore(const QString& aWhy) const {
    const TZRVServerClientConnection* slot = Slot();
    LogError(QStringLiteral("Restored session refused (%1): %2")
                 .arg(slot ? slot->RemoteAddress() : QString(), aWhy),
             c_Unit, QStringLiteral("TZRVServerUserConnection.ProcessMessage"),
             QStringLiteral("Log and ignore"));
}

template <class Kind>
void TZRVServerUserConnection::RestoreSession(TZRVDataBase& aDb, const TStringList& aMessage) {
    const QString token = aMessage.Values(QStringLiteral("SessionToken"));
    const uint32_t id = ReadUInt(aMessage, QStringLiteral("SessionTypeID"));
    const uint32_t reported = ReadUInt(aMessage, QStringLiteral("CreditValue"));
    const auto matches = [&](const std::optional<TZRVSessionRow>& aRow) {
        return aRow && aRow->SessionType == Kind::Type && aRow->RecordID == id;
    };
    if (fConnected)
        return RefuseRestore(QStringLiteral("a customer is logged in here"));
    std::optional<TZRVSessionRow> row = aDb.ReadSession(token);
    if (!matches(row))
        return RefuseRestore(QStringLiteral("no open session with that token"));
    TZRVCustomServerConnection& server = *Slot()->Server();
    // The workstation came back on a new link before the server saw the old one go.
    if (TZRVServerClientConnection* holder = server.SessionHolder(token)) {
        holder->ShutDownConnection();
        row = aDb.ReadSession(token);
        if (!matches(row))
            return RefuseRestore(QStringLiteral("no open session with that token"));
    }
    const std::unique_ptr<typename Kind::Record> record = Kind::Read(aDb, id);
    if (!record)
        return RefuseRestore(QStringLiteral("its account or ticket is gone"));
    if (Kind::InUse(server, *record) != 0)
        return RefuseRestore(QStringLiteral("its account or ticket is in use"));
    const QString openned = QStringLiteral("SessionOpenned");
    if (aMessage.IndexOfName(openned) >= 0 && ReadBool(aMessage, openned)) {
        LogIn(*record, *row);
        fSession->Credit()->SetCreditValue(fCount.ReportUncounted(reported));
        WriteBack(aDb);
        DoOpen();
        SessionStarted();
        return;
    }
    // The customer left while the server was away: the session ends with what it used.
    TZRVSessionCount count;
    count.Hold(*row);
    count.ReportUncounted(reported);
    TZRVWriteBack work;
    work.Row = count.Pending(work.Change, work.Used);
    work.EndSession = aMessage.IndexOfName(openned) >= 0;
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
            // The count ends here: what the database refuses now waits in the server's journal.
            if (TZRVWriteBackJournal* journal = WriteBacks()) {
                TZRVWriteBack work;
                work.Row = fCount.Pending(work.Change, work.Used);
                work.MachineID = MachineID();
                work.EndSession = aLogOut;
                journal->Write(work);
            }
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

void TZRVServerUserConnection::QueueRequest(bool aGuess, std::function<void()> aRun) {
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
        request.Run();
        RunNextRequest();
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
        QTimer::singleShot(aDelayMs, aClient, [task] { task->Execute(); });
    else
        aClient->UserConnection()->QueueRequest(IsGuess(aTask), [task] { task->Execute(); });
}

void TZRVSvrSQList::Create(TZRVServerClientConnection* aClient) {
    TZRVSvrTasks::Create(aClient, steGetList);
}

TZRVSvrTasks::TZRVSvrTasks(TZRVServerClientConnection* aClient, TZRVSvrTasksEnum aTask,
                           const TStringList& aData)
    : fSCCnn(aClient), fTask(aTask), fData(aData), fSerial(aClient->ConnectionSerial()) {}

void TZRVSvrTasks::Execute() {
    TZRVServerClientConnection* slot = fSCCnn;
    if (!slot || !slot->Connected() || slot->ConnectionSerial() != fSerial)
        return; // the workstation that asked has gone
    const TZRVCustomServerConnection* server = slot->Server();
    if (!server)
        return;
    try {
        Run(server->DB());
    } catch (const std::exception& e) {
        slot->LogError(
            QStringLiteral("%1 (%2)").arg(QString::fromUtf8(e.what()), fData.Values(c_MessageReason)), c_Unit,
            QStringLiteral("TZRVSvrTasks.Execute"), QStringLiteral("Answer and exit"));
        AnswerInvalid();
    }
}

void TZRVSvrTasks::Run(TZRVDataBase* aDb) {
    switch (fTask) {
    case steGetList:
        return GetList(aDb);
    case steGetAccount:
        return GetAccount(aDb);
    case steGetTicket:
        return GetTicket(aDb);
    case steAddCredit:
        return AddCredit(aDb);
    case steCreateAccount:
        return CreateAccount(aDb);
    case steAddUpdateMachine:
        return AddUpdateMachine(aDb);
    case steUpdateAccount:
        return UpdateAccount(aDb);
    case steRetrievePassword:
        return RetrievePassword(aDb);
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

std::unique_ptr<TZRVUserAccount> TZRVSvrTasks::RequestAccount() const {
    auto account = std::make_unique<TZRVUserAccount>();
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

void TZRVSvrTasks::GetList(TZRVDataBase* aDb) {
    TStringList reply = Reply(c_msgid_ClientConnection, c_msgreason_GetSecretQuestionsList);
    const bool open = aDb && aDb->GetOpenned();
    qsizetype size = 0;
    for (const QString& question : open ? aDb->SecretQuestionList(c_MaxListedQuestions) : QStringList()) {
        size += question.size();
        if (size > c_MaxListedQuestionsSize)
            break;
        reply.Add(question);
    }
    SendReply(reply);
}

TZRVSessionRow TZRVSvrTasks::NewSession(TZRVDataBase& aDb, TZRVSessionType aType, uint32_t aID,
                                        uint32_t aCredit, bool aIncremental) const {
    TZRVSessionRow row;
    row.Token = NewSessionToken();
    row.SessionType = aType;
    row.RecordID = aID;
    row.Incremental = aIncremental;
    row.Credit = aCredit;
    row.Slack = User()->Tolerance();
    aDb.AddSession(row);
    return row;
}

QString TZRVSvrTasks::AccountRefusal(TZRVDataBase* aDb, std::unique_ptr<TZRVUserAccount>& aAccount) const {
    const QString name = Field(QStringLiteral("AccountName"));
    const QString password = Field(QStringLiteral("AccountPassword"));
    if (QString refusal = DataBaseRefusal(aDb, c_NotAssigned); !refusal.isEmpty())
        return refusal;
    const int id = aDb->AccountExists(name);
    if (id == 0) {
        NoteGuess();
        return QStringLiteral("Compte inexistant");
    }
    aAccount = aDb->ReadAccount(uint32_t(id));
    if (!aAccount)
        return QStringLiteral("Erreur lors de la lecture du compte");
    if (!SamePassword(aAccount->AccountPassword(), password)) {
        NoteGuess();
        return QStringLiteral("Mot de passe incorrect");
    }
    // Only someone who knows the password learns that the account is in use.
    if (fSCCnn->Server()->DuplicatedAccount(name) != 0)
        return QStringLiteral("Compte en cours d'utilisation");
    if (!aAccount->Active())
        return QStringLiteral("Ce compte est désactivé ! Veuillez contacter le serveur");
    return QString();
}

void TZRVSvrTasks::GetAccount(TZRVDataBase* aDb) {
    std::unique_ptr<TZRVUserAccount> account;
    const QString refusal = AccountRefusal(aDb, account);
    TStringList reply = Reply(c_msgid_UserConnection, c_msgreason_GetAccount);
    AddOutcome(reply, c_Found, refusal, QStringLiteral("Compte trouvé"));
    if (refusal.isEmpty()) {
        const TZRVSessionRow row =
            NewSession(*aDb, stAccount, account->AccountID(), account->Credit(), IncrementalCredit(*account));
        reply.Add(QStringLiteral("SessionToken"), row.Token);
        // The workstation gets back what the customer typed, and never the secret answer.
        TZRVUserAccount shown;
        shown.Copy(account.get());
        shown.SetAccountPassword(fData.Values(QStringLiteral("AccountPassword")));
        shown.SetSecretAnswer(QString());
        reply.AddStrings(shown.SaveToStringList());
        User()->LogIn(*account, row);
    }
    User()->fLoginRefusal = refusal;
    SendReply(reply);
    if (fSCCnn->Connected())
        User()->DoOpen();
}

QString TZRVSvrTasks::TicketRefusal(TZRVDataBase* aDb, std::unique_ptr<TZRVUserTicket>& aTicket) const {
    const QString code = Field(QStringLiteral("TicketCode"));
    if (QString refusal = DataBaseRefusal(aDb, c_NotAssigned); !refusal.isEmpty())
        return refusal;
    if (fSCCnn->Server()->DuplicatedTicket(code) != 0) {
        NoteGuess(); // it tells a guesser that the code exists
        return QStringLiteral("Ticket en cours d'utilisation");
    }
    const int id = aDb->TicketExists(code);
    if (id == 0) {
        NoteGuess();
        return QStringLiteral("Ticket introuvable");
    }
    aTicket = aDb->ReadTicket(uint32_t(id));
    return aTicket ? QString() : QStringLiteral("Erreur lors de la lecture du ticket");
}

void TZRVSvrTasks::GetTicket(TZRVDataBase* aDb) {
    std::unique_ptr<TZRVUserTicket> ticket;
    const QString refusal = TicketRefusal(aDb, ticket);
    TStringList reply = Reply(c_msgid_UserConnection, c_msgreason_GetTicket);
    AddOutcome(reply, c_Found, refusal, QStringLiteral("Ticket trouvé"));
    if (refusal.isEmpty()) {
        const TZRVSessionRow row =
            NewSession(*aDb, stTicket, ticket->TicketID(), ticket->Credit(), IncrementalCredit(*ticket));
        reply.Add(QStringLiteral("SessionToken"), row.Token);
        reply.AddStrings(ticket->SaveToStringList());
        User()->LogIn(*ticket, row);
    }
    User()->fLoginRefusal = refusal;
    SendReply(reply);
    if (fSCCnn->Connected())
        User()->DoOpen();
}

QString TZRVSvrTasks::ReloadRefusal(TZRVDataBase* aDb, std::unique_ptr<TZRVUserTicket>& aTicket) const {
    const QString code = Field(QStringLiteral("ReloadCode"));
    if (QString refusal = DataBaseRefusal(aDb, c_NotAssignedReload); !refusal.isEmpty())
        return refusal;
    if (!User()->Connected())
        return c_NoSession; // the code stays as it is
    if (fSCCnn->Server()->DuplicatedTicket(code) != 0) {
        NoteGuess();
        return QStringLiteral("Ticket en cours d'utilisation");
    }
    const int id = aDb->TicketExists(code);
    if (id == 0) {
        NoteGuess();
        return QStringLiteral("Code de recharge introuvable");
    }
    aTicket = aDb->ReadTicket(uint32_t(id));
    if (!aTicket)
        return QStringLiteral("Erreur lors de la lecture du code de recharge");
    if (aTicket->UsedFlag()) {
        NoteGuess();
        return c_CodeUsed;
    }
    const TDateTime now = Now();
    if (!TZRVHourFormulaData::Contains(aTicket->HourFormula(), DayOfTheWeek(now), HourOf(now)))
        return QStringLiteral("Ce code de recharge ne peut pas être utilisé actuellement !");
    if (!aTicket->Active())
        return QStringLiteral("Ce code de recharge n'est pas encore vendu !");
    // A sold code never activated starts its validity with this reload.
    if (aTicket->ActivationDate() != 0 && now > aTicket->ActivationDate() + aTicket->DaysAllowed())
        return QStringLiteral("Ce code de recharge est expiré !");
    return QString();
}

bool TZRVSvrTasks::ConsumeReloadCode(TZRVDataBase& aDb, const TZRVUserTicket& aTicket) {
    const uint32_t credit = aTicket.Credit();
    TZRVServerUserConnection* user = User();
    if (!aDb.SpendReloadCode(aTicket.TicketID(), credit, user->fCount.Row()))
        return false;
    user->fCount.Grant(credit);
    TZRVUserSession* session = user->Session();
    session->Credit()->SetCreditValue(AddClamped(session->Credit()->CreditValue(), credit));
    if (session->SessionType() == stAccount)
        session->Account()->SetActive(true);
    return true;
}

void TZRVSvrTasks::AddCredit(TZRVDataBase* aDb) {
    std::unique_ptr<TZRVUserTicket> ticket;
    QString refusal = ReloadRefusal(aDb, ticket);
    if (refusal.isEmpty() && !ConsumeReloadCode(*aDb, *ticket)) {
        NoteGuess();
        refusal = c_CodeUsed;
    }
    if (!refusal.isEmpty()) {
        TStringList reply = Reply(c_msgid_UserConnection, c_msgreason_GetTicket);
        AddOutcome(reply, c_Found, refusal, QString());
        SendReply(reply);
        return;
    }
    const uint32_t credit = ticket->Credit();
    TStringList reply = Reply(c_msgid_UserConnection, c_msgreason_AddCredit);
    AddOutcome(reply, c_Found, QString(),
               QStringLiteral("Ajout de crédit (%1) effectué").arg(FormatCredit(credit)));
    reply.Add(QStringLiteral("Seconds"), IntToStr(credit % 3600 % 60));
    reply.Add(QStringLiteral("Minutes"), IntToStr(credit % 3600 / 60));
    reply.Add(QStringLiteral("Hours"), IntToStr(credit / 3600));
    SendReply(reply);
    fSCCnn->DoTicketAddCredit(ticket.get());
}

QString TZRVSvrTasks::CreateRefusal(TZRVDataBase* aDb, TZRVUserAccount& aAccount) const {
    if (QString refusal = DataBaseRefusal(aDb, c_NotAssignedAccount); !refusal.isEmpty())
        return refusal;
    if (fSCCnn->Server()->AccountCreationThrottle()->Exhausted(fSCCnn->RemoteAddress()))
        return c_TooManyAccounts;
    if (aAccount.SecretQuestion()->Question().size() > c_MaxQuestionLength)
        return c_QuestionTooLong;
    if (aDb->AccountExists(aAccount.AccountName()) != 0)
        return QStringLiteral("Nom de compte déjà existant");
    MakeCustomerAccount(*aDb, aAccount);
    ResolveSecretQuestion(*aDb, aAccount);
    if (!aDb->AddAccount(&aAccount))
        return QStringLiteral("Erreur lors de la création du compte utilisateur");
    fSCCnn->Server()->AccountCreationThrottle()->Note(fSCCnn->RemoteAddress());
    return QString();
}

void TZRVSvrTasks::CreateAccount(TZRVDataBase* aDb) {
    const std::unique_ptr<TZRVUserAccount> account = RequestAccount();
    const QString refusal = CreateRefusal(aDb, *account);
    TStringList reply = Reply(c_msgid_UserConnection, c_msgreason_CreateAccount);
    AddOutcome(reply, c_Success, refusal, QStringLiteral("Compte utilisateur crée avec succès"));
    SendReply(reply);
}

QString TZRVSvrTasks::UpdateRefusal(TZRVDataBase* aDb, const TZRVUserAccount& aRequest,
                                    std::unique_ptr<TZRVUserAccount>& aStored) const {
    if (QString refusal = DataBaseRefusal(aDb, c_NotAssignedAccount); !refusal.isEmpty())
        return refusal;
    // Only the account logged in on this slot may be changed from it.
    const TZRVServerUserConnection* user = User();
    const TZRVUserSession* session = user->Session();
    const uint32_t id = aRequest.AccountID();
    if (!user->Connected() || session->SessionType() != stAccount || id == 0 ||
        session->Account()->AccountID() != id)
        return c_AccountNotFound;
    if (aRequest.SecretQuestion()->Question().size() > c_MaxQuestionLength)
        return c_QuestionTooLong;
    aStored = aDb->ReadAccount(id);
    return aStored ? QString() : c_AccountNotFound;
}

void TZRVSvrTasks::UpdateAccount(TZRVDataBase* aDb) {
    const std::unique_ptr<TZRVUserAccount> request = RequestAccount();
    std::unique_ptr<TZRVUserAccount> stored;
    QString refusal = UpdateRefusal(aDb, *request, stored);
    if (refusal.isEmpty()) {
        if (!ResolveSecretQuestion(*aDb, *request))
            request->SecretQuestion()->Copy(stored->SecretQuestion());
        CopyCustomerFields(*request, *stored);
        if (aDb->UpdateAccount(stored.get()))
            CopyCustomerFields(*stored, *User()->Session()->Account());
        else
            refusal = QStringLiteral("Erreur lors de la mise à jour du compte utilisateur");
    }
    TStringList reply = Reply(c_msgid_UserConnection, c_msgreason_UpdateAccount);
    AddOutcome(reply, c_Success, refusal, QStringLiteral("Compte utilisateur mis à jour avec succès"));
    SendReply(reply);
}

void TZRVSvrTasks::RetrievePassword(TZRVDataBase* aDb) {
    const QString name = Field(QStringLiteral("AccountName"));
    const QString question = Field(QStringLiteral("SecretQuestion"));
    const QString answer = Field(QStringLiteral("SecretAnswer"));
    QString refusal = DataBaseRefusal(aDb, c_NotAssigned);
    std::unique_ptr<TZRVUserAccount> account;
    if (refusal.isEmpty()) {
        const int id = aDb->AccountExists(name);
        account = id ? aDb->ReadAccount(uint32_t(id)) : nullptr;
        // An account without a secret answer cannot be recovered this way.
        const bool match = account && !account->SecretAnswer().isEmpty() &&
                           account->SecretQuestion()->Question() == question &&
                           account->SecretAnswer() == answer;
        if (!match) {
            NoteGuess();
            refusal = c_WrongSecret;
        }
    }
    TStringList reply = Reply(c_msgid_UserConnection, c_msgreason_RetrievePassword);
    AddOutcome(reply, c_Found, refusal, QString());
    if (refusal.isEmpty())
        reply.Add(QStringLiteral("AccountPassword"), account->AccountPassword());
    SendReply(reply);
}

void TZRVSvrTasks::AddUpdateMachine(TZRVDataBase* aDb) {
    if (!aDb || !aDb->GetOpenned())
        return;
    TZRVMachine* machine = fSCCnn->ClientMachine();
    if (const int id = aDb->MachineExists(machine->MachineName())) {
        machine->SetMachineID(uint32_t(id));
        aDb->UpdateMachine(machine);
        return;
    }
    auto added = std::make_unique<TZRVMachine>();
    added->Copy(machine);
    if (aDb->AddMachine(added) && added)
        machine->SetMachineID(added->MachineID());
}
