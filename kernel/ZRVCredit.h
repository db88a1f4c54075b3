#pragma once
// The credit counter of a session: seconds of prepaid credit counted down one step at a time, or
// post-paid ("incremental") credit counted up.

#include "ZRVCommon.h"

class TZRVCustomCredit : public QObject {
    Q_OBJECT
public:
    explicit TZRVCustomCredit(QObject* aOwner = nullptr) : QObject(aOwner) {}
    ~TZRVCustomCredit() override { fDestroying = true; }

    uint32_t CreditValue() const { return fCreditValue; }
    bool Incremental() const { return fIncremental; }
    TZRVHour Hour() const { return fHour; }
    TZRVMinute Minute() const { return fMinute; }
    TZRVSecond Second() const { return fSecond; }
    void SetCreditValue(uint32_t aValue);
    void SetIncremental(bool aValue) { fIncremental = aValue; }

    // Add and Remove take signed amounts as they come from the server; the value stays within
    // 0 ... 4294967295. Removing never raises credit-empty.
    QString Add(int aSecond, int aMinute, int aHour);
    QString Remove(int aSecond, int aMinute, int aHour);
    // One step of the count: down (raising credit-empty at 0) or up when incremental.
    QString Next();
    // The hours, minutes and seconds in aFormat, "%.2uh%.2um%.2us" when it is empty.
    QString CreditFormatted(const QString& aFormat = QString()) const;

    void Clear();
    void LoadFromStringList(const TStringList& List);
    TStringList SaveToStringList() const;
    void LoadFromBuffer(const QString& aBuffer);
    QString SaveToBuffer() const;

    const TNotifyEvent& OnCreditEmpty() const { return fOnCreditEmpty; }
    void SetOnCreditEmpty(TNotifyEvent aEvent) { fOnCreditEmpty = std::move(aEvent); }

protected:
    virtual void DoCreditEmpty();

private:
    static int64_t Amount(int aSecond, int aMinute, int aHour);
    void SetClamped(int64_t aValue);

    bool fIncremental = false;
    uint32_t fCreditValue = 0;
    TZRVHour fHour = 0;
    TZRVMinute fMinute = 0;
    TZRVSecond fSecond = 0;
    TNotifyEvent fOnCreditEmpty;
    bool fDestroying = false;
};

class TZRVCredit : public TZRVCustomCredit {
    Q_OBJECT
public:
    using TZRVCustomCredit::TZRVCustomCredit;
};
