#pragma once
// Slows down guessing from one network address: what is guessed (ticket codes, passwords, secret
// answers, reload codes, a sign-in's password) may fail a few times within a window for free;
// after that every answer to that address waits, twice as long after each further failure, up to
// a lock-out. The waits are event-loop timers, and the answers of one address go out one after the
// other, so that opening more connections gains nothing. The same counting serves plain limits
// (so many account creations per address and hour). Failures age with the kernel's clock.

#include "ZRVCommon.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <deque>

struct TZRVThrottleSettings {
    // Failures (or events) within the window that cost nothing.
    int FreeFailures = 3;
    // How long a failure counts, in seconds.
    int WindowSecs = 600;
    // The wait after the free failures, in milliseconds; it doubles with each further failure.
    int FirstDelayMs = 1000;
    // The longest wait, in seconds.
    int LockOutSecs = 300;
};

class TZRVThrottle : public QObject {
    Q_OBJECT
public:
    explicit TZRVThrottle(QObject* aOwner = nullptr);

    const TZRVThrottleSettings& Settings() const { return fSettings; }
    // Values below their least sensible value are raised to it.
    void SetSettings(const TZRVThrottleSettings& aSettings);

    // Counts one failure (or event) of aAddress now.
    void Note(const QString& aAddress);
    // The failures (events) of aAddress within the window.
    int Count(const QString& aAddress);
    // Whether aAddress has used up its free failures (its events) within the window.
    bool Exhausted(const QString& aAddress) { return Count(aAddress) >= fSettings.FreeFailures; }
    // How long the next answer to aAddress waits once the answers before it have gone, in ms.
    qint64 Delay(const QString& aAddress);
    // Runs aAnswer on the event loop after the answers to aAddress queued before it and its own
    // wait; nothing runs when aContext has gone by then.
    void Answer(const QString& aAddress, QObject* aContext, std::function<void()> aAnswer);

private:
    struct TPending {
        QPointer<QObject> Context;
        std::function<void()> Work;
    };
    struct TAddress {
        std::deque<qint64> Failures; // clock milliseconds, oldest first
        std::deque<TPending> Pending;
        bool Waiting = false;
    };

    TAddress& Entry(const QString& aAddress);
    void Expire(TAddress& aEntry) const;
    // Starts the wait of the first pending answer of aAddress.
    void StartNext(const QString& aAddress);
    void RunFirst(const QString& aAddress);
    // Forgets addresses with nothing to remember, so that the table stays small.
    void Prune();

    TZRVThrottleSettings fSettings;
    QHash<QString, TAddress> fAddresses;
};
