#pragma once
// A local mirror of the server's clock: set from the server's handshake, then advanced by exactly
// one second on every tick of a one-second timer; raises OnTimer every Interval ticks while Active.

#include "ZRVCommon.h"

#include <QTimer>

class TZRVCustomServerTimerSync : public QObject {
    Q_OBJECT
public:
    explicit TZRVCustomServerTimerSync(QObject* aOwner = nullptr);

    TDateTime sDateTime() const { return fsDateTime; }
    void SetsDateTime(TDateTime aValue) { fsDateTime = aValue; }
    bool Active() const { return fActive; }
    void SetActive(bool aValue);
    uint32_t Interval() const { return fInterval; }
    void SetInterval(uint32_t aValue);
    uint32_t Counter() const { return fCounter; }
    // The one-second tick; tests shorten it.
    QTimer* Timer() const { return fTimer; }

    const TNotifyEvent& OnTimer() const { return fOnTimer; }
    void SetOnTimer(TNotifyEvent aEvent) { fOnTimer = std::move(aEvent); }

protected:
    virtual void DoTimer();

private:
    void Handler_Timer();

    QTimer* fTimer;
    uint32_t fCounter = 0;
    bool fActive = false;
    uint32_t fInterval = 60;
    TDateTime fsDateTime;
    TNotifyEvent fOnTimer;
};

class TZRVServerTimerSync : public TZRVCustomServerTimerSync {
    Q_OBJECT
public:
    using TZRVCustomServerTimerSync::TZRVCustomServerTimerSync;
};
