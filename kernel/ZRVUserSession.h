#pragma once
// The customer's session on the workstation: who pays (account, local account or ticket), the
// credit counter driven by a one-second timer, the running values written back into the account
// or ticket, and the low-credit and credit-empty signals. The start is stamped with the mirrored
// server clock.

#include "ZRVCredit.h"
#include "ZRVServerTimerSync.h"
#include "ZRVUserAccount.h"
#include "ZRVUserTicket.h"

#include <QPointer>
#include <QTimer>

class TZRVErrorLogger;

class TZRVCustomUserSession : public QObject {
    Q_OBJECT
public:
    static constexpr uint32_t c_DefaultWarnCreditLevel = 300;

    explicit TZRVCustomUserSession(QObject* aOwner = nullptr);
    ~TZRVCustomUserSession() override;

    // Starts the count; false (and nothing changes) when a closed session has no credit to spend.
    bool Open();
    // Stops the count, lets the owning user connection report it, raises OnStop.
    void Close();
    void Clear();
    // Asks the server to add the credit of a reload code; needs an open user connection.
    void AddCredit(const QString& aReloadCode);

    bool Openned() const { return fOpenned; }
    bool AutoChangeCredit() const { return fAutoChangeCredit; }
    void SetAutoChangeCredit(bool aValue) { fAutoChangeCredit = aValue; }
    int ChangeInterval() const { return fTimerSecond->interval(); }
    void SetChangeInterval(int aMSecs);
    TZRVCredit* Credit() const { return fCredit; }
    TZRVSessionType SessionType() const { return fSessionType; }
    void SetSessionType(TZRVSessionType aValue) { fSessionType = aValue; }
    TZRVUserAccount* Account() const { return fAccount.get(); }
    TZRVUserTicket* Ticket() const { return fTicket.get(); }
    TDateTime StartDateTime() const { return fStartDateTime; }
    // The server clock mirror used for the start time; the session's own one at creation.
    TZRVServerTimerSync* STimer() const { return fSTimer; }
    void SetSTimer(TZRVServerTimerSync* aValue) { fSTimer = aValue; }
    QTimer* TimerSecond() const { return fTimerSecond; }
    uint32_t WarnCreditLevel() const { return fWarnCreditLevel; }
    void SetWarnCreditLevel(uint32_t aValue) { fWarnCreditLevel = aValue; }
    bool CreditLow() const { return fCreditLow; }
    void SetCreditLow(bool aValue) { fCreditLow = aValue; }
    TZRVErrorLogger* ErrorLogger() const { return fErrorLogger; }
    void SetErrorLogger(TZRVErrorLogger* aValue) { fErrorLogger = aValue; }

    // The session record (Ssn_ keys); reading logs a malformed value and stops there.
    void LoadFromStringList(const TStringList& List);
    TStringList SaveToStringList() const;
    void LoadFromBuffer(const QString& aBuffer);
    QString SaveToBuffer() const;

    const TNotifyEvent& OnStart() const { return fOnStart; }
    void SetOnStart(TNotifyEvent aEvent) { fOnStart = std::move(aEvent); }
    const TNotifyEvent& OnStop() const { return fOnStop; }
    void SetOnStop(TNotifyEvent aEvent) { fOnStop = std::move(aEvent); }
    const TNotifyEvent& OnCreditEmpty() const { return fOnCreditEmpty; }
    void SetOnCreditEmpty(TNotifyEvent aEvent) { fOnCreditEmpty = std::move(aEvent); }
    const TNotifyEvent& OnCreditChange() const { return fOnCreditChange; }
    void SetOnCreditChange(TNotifyEvent aEvent) { fOnCreditChange = std::move(aEvent); }
    const TNotifyEvent& OnWarnCredit() const { return fOnWarnCredit; }
    void SetOnWarnCredit(TNotifyEvent aEvent) { fOnWarnCredit = std::move(aEvent); }

    void LogError(const QString& aMessage, const QString& aUnitName, const QString& aRoutineName,
                  const QString& aAction) const;

protected:
    virtual void DoStart();
    virtual void DoStop();
    virtual void DoCreditEmpty();
    virtual void DoCreditChange();
    virtual void DoWarnCredit();

private:
    bool PaidByAccount() const { return fSessionType == stAccount || fSessionType == stLocalAccount; }
    void Handler_TimerSecond();
    void Handler_CreditEmpty();
    void Raise(const TNotifyEvent& aEvent);

    bool fOpenned = false;
    bool fAutoChangeCredit = true;
    TZRVCredit* fCredit;
    TZRVSessionType fSessionType = stNone;
    std::unique_ptr<TZRVUserAccount> fAccount;
    std::unique_ptr<TZRVUserTicket> fTicket;
    TDateTime fStartDateTime = 0;
    TNotifyEvent fOnCreditEmpty;
    TNotifyEvent fOnCreditChange;
    TNotifyEvent fOnStop;
    TNotifyEvent fOnStart;
    QTimer* fTimerSecond;
    TZRVErrorLogger* fErrorLogger = nullptr;
    QPointer<TZRVServerTimerSync> fSTimer;
    uint32_t fWarnCreditLevel = c_DefaultWarnCreditLevel;
    TNotifyEvent fOnWarnCredit;
    bool fCreditLow = false;
    bool fDestroying = false;
};

class TZRVUserSession : public TZRVCustomUserSession {
    Q_OBJECT
public:
    using TZRVCustomUserSession::TZRVCustomUserSession;
};
