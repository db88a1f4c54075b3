#include "ZRVUserSession.h"

#include "ZRVClientConnection.h"
#include "ZRVErrorLogger.h"
#include "ZRVUserConnection.h"

TZRVCustomUserSession::TZRVCustomUserSession(QObject* aOwner)
    : QObject(aOwner), fCredit(new TZRVCredit(this)), fAccount(std::make_unique<TZRVUserAccount>()),
      fTicket(std::make_unique<TZRVUserTicket>()), fTimerSecond(new QTimer(this)),
      fSTimer(new TZRVServerTimerSync(this)) {
    fCredit->SetOnCreditEmpty([this](QObject*) { Handler_CreditEmpty(); });
    fTimerSecond->setInterval(1000);
    connect(fTimerSecond, &QTimer::timeout, this, &TZRVCustomUserSession::Handler_TimerSecond);
    Clear();
}

TZRVCustomUserSession::~TZRVCustomUserSession() {
    fDestroying = true;
}

void TZRVCustomUserSession::SetChangeInterval(int aMSecs) {
    if (aMSecs != fTimerSecond->interval())
        fTimerSecond->setInterval(aMSecs);
}

void TZRVCustomUserSession::Clear() {
    fOpenned = false;
    fAccount->Clear();
    fTicket->Clear();
    fStartDateTime = 0;
    fSessionType = stNone;
    fCredit->Clear();
    fWarnCreditLevel = c_DefaultWarnCreditLevel;
    fCreditLow = false;
}

bool TZRVCustomUserSession::Open() {
    if (!fOpenned && !fCredit->Incremental() && fCredit->CreditValue() == 0)
        return false;
    if (fAutoChangeCredit)
        fTimerSecond->start();
    fOpenned = true;
    fStartDateTime = fSTimer ? fSTimer->sDateTime() : Now();
    if (PaidByAccount()) {
        fAccount->SetLastUseTime(0);
        fAccount->SetLastUseDate(fStartDateTime);
    } else {
        fTicket->SetLastUseTime(0);
        fTicket->SetLastUseDate(fStartDateTime);
        fTicket->SetUsedFlag(true);
    }
    DoStart();
    return true;
}

void TZRVCustomUserSession::Close() {
    if (!fOpenned)
        return;
    fTimerSecond->stop();
    if (auto* owner = qobject_cast<TZRVCustomUserConnection*>(parent()))
        owner->UpdateSession();
    fOpenned = false;
    DoStop();
}

void TZRVCustomUserSession::AddCredit(const QString& aReloadCode) {
    if (aReloadCode.isEmpty())
        throw EZRVError(QStringLiteral("Invalid reload code"));
    auto* owner = qobject_cast<TZRVCustomUserConnection*>(parent());
    if (!owner || !owner->Connected() || !owner->ClientConnection())
        throw EZRVError(QStringLiteral("No user connection established"));
    TStringList L;
    L.Add(c_msgid_UserConnection);
    L.Add(c_msgreason_AddCredit);
    L.Add(QStringLiteral("ReloadCode"), aReloadCode);
    owner->ClientConnection()->Send(L.Text());
}

void TZRVCustomUserSession::Handler_TimerSecond() {
    if (fDestroying)
        return;
    if (fOpenned && fAutoChangeCredit) {
        fCredit->Next();
        const uint32_t value = fCredit->CreditValue();
        if (fSessionType == stTicket) {
            fTicket->SetCredit(value);
            fTicket->SetLastUseTime(fTicket->LastUseTime() + 1);
        } else if (PaidByAccount()) {
            fAccount->SetCredit(value);
            fAccount->SetCreditTotal(fAccount->CreditTotal() + 1);
            fAccount->SetLastUseTime(fAccount->LastUseTime() + 1);
        }
    }
    DoCreditChange();
    const bool low = fCredit->CreditValue() <= fWarnCreditLevel;
    if (low && !fCredit->Incremental())
        DoWarnCredit();
    fCreditLow = low;
}

void TZRVCustomUserSession::Handler_CreditEmpty() {
    if (fSessionType == stTicket)
        fTicket->SetCredit(fCredit->CreditValue());
    else if (PaidByAccount())
        fAccount->SetCredit(fCredit->CreditValue());
    if (!fCredit->Incremental())
        DoCreditEmpty();
}

void TZRVCustomUserSession::LoadFromStringList(const TStringList& List) {
    Clear();
    try {
        fStartDateTime = ReadDateTime(List, QStringLiteral("Ssn_SDT"));
        const int type = ReadInt(List, QStringLiteral("SSn_STp"));
        if (type < stNone || type > stLocalAccount)
            throw EConvertError(QStringLiteral("'%1' is not a valid session type").arg(type));
        fSessionType = TZRVSessionType(type);
        fAutoChangeCredit = ReadBool(List, QStringLiteral("Ssn_ACC"));
        if (fSessionType == stAccount)
            fAccount->LoadFromStringList(
                CollectPrefixed(List, QStringLiteral("Ssn_UAt_"), QStringLiteral("UAt_")));
        else if (fSessionType == stTicket)
            fTicket->LoadFromStringList(
                CollectPrefixed(List, QStringLiteral("Ssn_UTt_"), QStringLiteral("UTt_")));
        fCredit->LoadFromStringList(
            CollectPrefixed(List, QStringLiteral("Ssn_Cdt_"), QStringLiteral("Cdt_")));
    } catch (const EZRVError& e) {
        LogError(e.Message(), QStringLiteral("ZRVUserSession"),
                 QStringLiteral("TZRVCustomUserSession.LoadFromStringList"), QStringLiteral("Free Exit"));
    }
}

TStringList TZRVCustomUserSession::SaveToStringList() const {
    TStringList L;
    L.Add(QStringLiteral("Ssn_SDT"), DateTimeToStr(fStartDateTime));
    L.Add(QStringLiteral("Ssn_STp"), IntToStr(fSessionType));
    L.Add(QStringLiteral("Ssn_ACC"), BoolToStr(fAutoChangeCredit));
    if (fSessionType == stAccount)
        AddPrefixed(L, fAccount->SaveToStringList(), QStringLiteral("Ssn_"));
    else if (fSessionType == stTicket)
        AddPrefixed(L, fTicket->SaveToStringList(), QStringLiteral("Ssn_"));
    AddPrefixed(L, fCredit->SaveToStringList(), QStringLiteral("Ssn_"));
    return L;
}

void TZRVCustomUserSession::LoadFromBuffer(const QString& aBuffer) {
    TStringList L;
    L.SetText(aBuffer);
    LoadFromStringList(L);
}

QString TZRVCustomUserSession::SaveToBuffer() const {
    return SaveToStringList().Text();
}

void TZRVCustomUserSession::LogError(const QString& aMessage, const QString& aUnitName,
                                     const QString& aRoutineName, const QString& aAction) const {
    LogErrorTo(fErrorLogger, aMessage, aUnitName, aRoutineName, aAction);
}

void TZRVCustomUserSession::Raise(const TNotifyEvent& aEvent) {
    if (aEvent)
        aEvent(this);
}

void TZRVCustomUserSession::DoStart() {
    Raise(fOnStart);
}
void TZRVCustomUserSession::DoStop() {
    Raise(fOnStop);
}
void TZRVCustomUserSession::DoCreditEmpty() {
    Raise(fOnCreditEmpty);
}
void TZRVCustomUserSession::DoCreditChange() {
    Raise(fOnCreditChange);
}
void TZRVCustomUserSession::DoWarnCredit() {
    Raise(fOnWarnCredit);
}
