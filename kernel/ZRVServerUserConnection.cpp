#include "ZRVServerUserConnection.h"

#include "ZRVDataBase.h"
#include "ZRVErrorLogger.h"
#include "ZRVServerConnection.h"
#include "ZRVUserAccount.h"
#include "ZRVUserSession.h"
#include "ZRVUserTicket.h"

#include <QSqlQuery>
#include <QTimer>

#include <optional>

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
    aTo.SetSecretAnswer(aFrom.SecretAnswer());
    aTo.SecretQuestion()->Copy(aFrom.SecretQuestion());
}

// Gives the account's secret question its key, adding a new question; false for an empty one.
bool ResolveSecretQuestion(TZRVDataBase& aDb, TZRVUserAccount& aAccount) {
    TZRVSecretQuestion* question = aAccount.SecretQuestion();
    if (question->Question().isEmpty())
        return false;
    if (const int key = aDb.SecretQuestionExists(question->Question())) {
        question->SetSecretQuestionID(uint32_t(key));
        return true;
    }
    return aDb.AddSecretQuestion(question);
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

// How a restored session finds, checks and writes its account or ticket.
struct TAccountRecord {
    using Record = TZRVUserAccount;
    static std::unique_ptr<Record> Read(TZRVDataBase& aDb, uint32_t aID) { return aDb.ReadAccount(aID); }
    static int InUse(const TZRVCustomServerConnection& aServer, const Record& aRecord) {
        return aServer.DuplicatedAccount(aRecord.AccountName());
    }
    static bool Update(TZRVDataBase& aDb, Record& aRecord) { return aDb.UpdateAccount(&aRecord); }
};

struct TTicketRecord {
    using Record = TZRVUserTicket;
    static std::unique_ptr<Record> Read(TZRVDataBase& aDb, uint32_t aID) { return aDb.ReadTicket(aID); }
    static int InUse(const TZRVCustomServerConnection& aServer, const Record& aRecord) {
        return aServer.DuplicatedTicket(aRecord.Code());
    }
    static bool Update(TZRVDataBase& aDb, Record& aRecord) { return aDb.UpdateTicket(&aRecord); }
};

} // namespace

// =============================================================================================
// The user connection

TZRVServerUserConnection::TZRVServerUserConnection(QObject* aOwner)
    : QObject(aOwner), fSession(new TZRVUserSession(this)) {}

TZRVServerUserConnection::~TZRVServerUserConnection() {
    if (fConnected)
        Close();
}

void TZRVServerUserConnection::SetErrorLogger(TZRVErrorLogger* aValue) {
    fErrorLogger = aValue;
    fSession->SetErrorLogger(aValue);
}

TZRVServerClientConnection* TZRVServerUserConnection::Slot() const {
    return qobject_cast<TZRVServerClientConnection*>(parent());
}

TZRVDataBase* TZRVServerUserConnection::DataBase() const {
    const TZRVServerClientConnection* slot = Slot();
    const TZRVCustomServerConnection* server = slot ? slot->Server() : nullptr;
    return server ? server->DB() : nullptr;
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
            if (fConnected) // nobody pays for a session before a login
                fSession->Open();
        } else if (is(c_SESSION_STOPPED)) {
            if (fSession->Openned()) {
                fSession->Credit()->SetCreditValue(ReadUInt(m, QStringLiteral("CreditValue")));
                fSession->Close();
            }
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

void TZRVServerUserConnection::SessionUpdate(const TStringList& aMessage) {
    const bool restored = aMessage.IndexOfName(QStringLiteral("SessionType")) >= 0;
    if (!restored)
        fSession->Credit()->SetCreditValue(ReadUInt(aMessage, QStringLiteral("CreditValue")));
    TZRVDataBase* db = DataBase();
    if (!db || !db->GetOpenned())
        return;
    if (!restored) {
        if (f_AutoDBUpdateSession)
            WriteSession(*db, nullptr);
        return;
    }
    switch (ReadInt(aMessage, QStringLiteral("SessionType"))) {
    case stAccount:
        RestoreSession<TAccountRecord>(*db, aMessage);
        break;
    case stTicket:
        RestoreSession<TTicketRecord>(*db, aMessage);
        break;
    default:
        break;
    }
}

void TZRVServerUserConnection::WriteSession(TZRVDataBase& aDb, std::unique_ptr<TZRVMachine> aLastUsePC) {
    const uint32_t credit = fSession->Credit()->CreditValue();
    switch (fSession->SessionType()) {
    case stAccount:
        fSession->Account()->SetCredit(credit);
        if (aLastUsePC)
            fSession->Account()->SetLastUsePC(std::move(aLastUsePC));
        aDb.UpdateAccount(fSession->Account());
        break;
    case stTicket:
        fSession->Ticket()->SetCredit(credit);
        if (aLastUsePC)
            fSession->Ticket()->SetLastUsePC(std::move(aLastUsePC));
        aDb.UpdateTicket(fSession->Ticket());
        break;
    default:
        break;
    }
}

template <class Kind>
void TZRVServerUserConnection::RestoreSession(TZRVDataBase& aDb, const TStringList& aMessage) {
    const auto record = Kind::Read(aDb, ReadUInt(aMessage, QStringLiteral("SessionTypeID")));
    if (!record)
        return; // gone from the database: nothing to write
    if (fConnected || Kind::InUse(*Slot()->Server(), *record) != 0) {
        LogError(QStringLiteral("Restored session refused: its account or ticket is in use"), c_Unit,
                 QStringLiteral("TZRVServerUserConnection.ProcessMessage"), QStringLiteral("Log and ignore"));
        return;
    }
    record->SetCredit(ReadUInt(aMessage, QStringLiteral("CreditValue")));
    Kind::Update(aDb, *record);
    const QString openned = QStringLiteral("SessionOpenned");
    if (aMessage.IndexOfName(openned) < 0 || !ReadBool(aMessage, openned))
        return;
    LogIn(*record);
    DoOpen();
    fSession->Open();
}

void TZRVServerUserConnection::PrepareLogIn() {
    if (fConnected)
        Close();
    fSession->Clear();
}

void TZRVServerUserConnection::LogIn(const TZRVUserAccount& aAccount) {
    PrepareLogIn();
    fSession->Account()->Copy(&aAccount);
    fSession->SetSessionType(stAccount);
    fSession->Credit()->SetCreditValue(aAccount.Credit());
    fSession->Credit()->SetIncremental(aAccount.Group()->Authorisations().Contains(urInfiniteCredit));
    fConnected = true;
}

void TZRVServerUserConnection::LogIn(const TZRVUserTicket& aTicket) {
    PrepareLogIn();
    fSession->Ticket()->Copy(&aTicket);
    fSession->SetSessionType(stTicket);
    fSession->Credit()->SetCreditValue(aTicket.Credit());
    fSession->Credit()->SetIncremental(aTicket.Group()->IncrementalCredit());
    fConnected = true;
}

void TZRVServerUserConnection::Close() {
    if (fConnected) {
        try {
            if (fSession->Openned())
                fSession->Close();
            if (TZRVDataBase* db = DataBase(); db && db->GetOpenned()) {
                auto machine = std::make_unique<TZRVMachine>();
                if (const TZRVServerClientConnection* slot = Slot())
                    machine->Copy(slot->ClientMachine());
                WriteSession(*db, std::move(machine));
            }
            fSession->Clear();
        } catch (const std::exception& e) {
            LogError(QString::fromUtf8(e.what()), QStringLiteral("UserConnection"),
                     QStringLiteral("TZRVCustomUserConnection.Close"), QStringLiteral("free and exit"));
        }
    }
    fConnected = false;
    DoClose();
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
    QTimer::singleShot(aDelayMs, aClient, [task] { task->Execute(); });
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
        slot->LogError(QString::fromUtf8(e.what()), c_Unit, QStringLiteral("TZRVSvrTasks.Execute"),
                       QStringLiteral("free and exit"));
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

TZRVServerUserConnection* TZRVSvrTasks::User() const {
    return fSCCnn->UserConnection();
}

void TZRVSvrTasks::SendReply(const TStringList& aReply) const {
    fSCCnn->Send(aReply.Text());
}

void TZRVSvrTasks::GetList(TZRVDataBase* aDb) {
    if (!aDb || !aDb->GetOpenned())
        return;
    TStringList reply = Reply(c_msgid_ClientConnection, c_msgreason_GetSecretQuestionsList);
    const auto& table = ZRVSql::SecretQuestions;
    QSqlQuery q(aDb->Connection());
    q.setForwardOnly(true);
    if (!q.exec(ZRVSql::Select(ZRVSql::Name(QStringLiteral("Question")), table.Name, {}, table.Key)))
        throw EZRVError(QStringLiteral("The secret questions could not be read"));
    while (q.next())
        reply.Add(q.value(0).toString());
    SendReply(reply);
}

QString TZRVSvrTasks::AccountRefusal(TZRVDataBase* aDb, std::unique_ptr<TZRVUserAccount>& aAccount) const {
    const QString name = fData.Values(QStringLiteral("AccountName"));
    if (QString refusal = DataBaseRefusal(aDb, c_NotAssigned); !refusal.isEmpty())
        return refusal;
    if (fSCCnn->Server()->DuplicatedAccount(name) != 0)
        return QStringLiteral("Compte en cours d'utilisation");
    const int id = aDb->AccountExists(name);
    if (id == 0)
        return QStringLiteral("Compte inexistant");
    aAccount = aDb->ReadAccount(uint32_t(id));
    if (!aAccount)
        return QStringLiteral("Erreur lors de la lecture du compte");
    if (!SamePassword(aAccount->AccountPassword(), fData.Values(QStringLiteral("AccountPassword"))))
        return QStringLiteral("Mot de passe incorrect");
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
        reply.AddStrings(account->SaveToStringList());
        User()->LogIn(*account);
    }
    SendReply(reply);
    if (fSCCnn->Connected())
        User()->DoOpen();
}

QString TZRVSvrTasks::TicketRefusal(TZRVDataBase* aDb, std::unique_ptr<TZRVUserTicket>& aTicket) const {
    const QString code = fData.Values(QStringLiteral("TicketCode"));
    if (QString refusal = DataBaseRefusal(aDb, c_NotAssigned); !refusal.isEmpty())
        return refusal;
    if (fSCCnn->Server()->DuplicatedTicket(code) != 0)
        return QStringLiteral("Ticket en cours d'utilisation");
    const int id = aDb->TicketExists(code);
    if (id == 0)
        return QStringLiteral("Ticket introuvable");
    aTicket = aDb->ReadTicket(uint32_t(id));
    return aTicket ? QString() : QStringLiteral("Erreur lors de la lecture du ticket");
}

void TZRVSvrTasks::GetTicket(TZRVDataBase* aDb) {
    std::unique_ptr<TZRVUserTicket> ticket;
    const QString refusal = TicketRefusal(aDb, ticket);
    TStringList reply = Reply(c_msgid_UserConnection, c_msgreason_GetTicket);
    AddOutcome(reply, c_Found, refusal, QStringLiteral("Ticket trouvé"));
    if (refusal.isEmpty()) {
        reply.AddStrings(ticket->SaveToStringList());
        User()->LogIn(*ticket);
    }
    SendReply(reply);
    if (fSCCnn->Connected())
        User()->DoOpen();
}

QString TZRVSvrTasks::ReloadRefusal(TZRVDataBase* aDb, std::unique_ptr<TZRVUserTicket>& aTicket) const {
    const QString code = fData.Values(QStringLiteral("ReloadCode"));
    if (QString refusal = DataBaseRefusal(aDb, c_NotAssignedReload); !refusal.isEmpty())
        return refusal;
    if (fSCCnn->Server()->DuplicatedTicket(code) != 0)
        return QStringLiteral("Ticket en cours d'utilisation");
    const int id = aDb->TicketExists(code);
    if (id == 0)
        return QStringLiteral("Code de recharge introuvable");
    aTicket = aDb->ReadTicket(uint32_t(id));
    if (!aTicket)
        return QStringLiteral("Erreur lors de la lecture du code de recharge");
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

void TZRVSvrTasks::ConsumeReloadCode(TZRVDataBase& aDb, TZRVUserTicket& aTicket) {
    const uint32_t credit = aTicket.Credit();
    aTicket.SetCredit(0);
    aTicket.SetUsedFlag(true);
    if (aTicket.ActivationDate() == 0)
        aTicket.SetActivationDate(Now());
    // The credit moves only once the code is spent, so that a code cannot be used twice.
    if (!aDb.UpdateTicket(&aTicket))
        throw EZRVError(QStringLiteral("The reload code %1 could not be written").arg(aTicket.Code()));
    aTicket.SetCredit(credit);
    TZRVUserSession* session = User()->Session();
    session->Credit()->SetCreditValue(AddClamped(session->Credit()->CreditValue(), credit));
    if (session->SessionType() == stAccount)
        session->Account()->SetActive(true);
}

void TZRVSvrTasks::AddCredit(TZRVDataBase* aDb) {
    std::unique_ptr<TZRVUserTicket> ticket;
    const QString refusal = ReloadRefusal(aDb, ticket);
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
    ConsumeReloadCode(*aDb, *ticket);
    SendReply(reply);
    fSCCnn->DoTicketAddCredit(ticket.get());
}

void TZRVSvrTasks::CreateAccount(TZRVDataBase* aDb) {
    TZRVUserAccount account;
    account.LoadFromStringList(fData);
    QString refusal = DataBaseRefusal(aDb, c_NotAssignedAccount);
    if (refusal.isEmpty() && aDb->AccountExists(account.AccountName()) != 0)
        refusal = QStringLiteral("Nom de compte déjà existant");
    if (refusal.isEmpty()) {
        MakeCustomerAccount(*aDb, account);
        if (!aDb->AddAccount(&account))
            refusal = QStringLiteral("Erreur lors de la création du compte utilisateur");
    }
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
    aStored = aDb->ReadAccount(id);
    return aStored ? QString() : c_AccountNotFound;
}

void TZRVSvrTasks::UpdateAccount(TZRVDataBase* aDb) {
    TZRVUserAccount request;
    request.LoadFromStringList(fData);
    std::unique_ptr<TZRVUserAccount> stored;
    QString refusal = UpdateRefusal(aDb, request, stored);
    if (refusal.isEmpty()) {
        if (!ResolveSecretQuestion(*aDb, request))
            request.SecretQuestion()->Copy(stored->SecretQuestion());
        CopyCustomerFields(request, *stored);
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
    QString refusal = DataBaseRefusal(aDb, c_NotAssigned);
    std::unique_ptr<TZRVUserAccount> account;
    if (refusal.isEmpty()) {
        const int id = aDb->AccountExists(fData.Values(QStringLiteral("AccountName")));
        account = id ? aDb->ReadAccount(uint32_t(id)) : nullptr;
        // An account without a secret answer cannot be recovered this way.
        const bool match =
            account && !account->SecretAnswer().isEmpty() &&
            account->SecretQuestion()->Question() == fData.Values(QStringLiteral("SecretQuestion")) &&
            account->SecretAnswer() == fData.Values(QStringLiteral("SecretAnswer"));
        if (!match)
            refusal = c_WrongSecret;
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
