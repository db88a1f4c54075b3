#include "ZRVThrottle.h"

#include <QDateTime>
#include <QTimer>

#include <climits>

namespace {

// Enough failures to reach any lock-out; older ones beyond these change nothing.
constexpr size_t c_MaxKeptFailures = 64;
// The table is cleaned of forgotten addresses once it holds this many.
constexpr qsizetype c_PruneAbove = 1024;

qint64 ClockMSecs() {
    return DateTimeToQDateTime(Now()).toMSecsSinceEpoch();
}

} // namespace

TZRVThrottle::TZRVThrottle(QObject* aOwner) : QObject(aOwner) {}

void TZRVThrottle::SetSettings(const TZRVThrottleSettings& aSettings) {
    fSettings.FreeFailures = std::max(aSettings.FreeFailures, 0);
    fSettings.WindowSecs = std::max(aSettings.WindowSecs, 1);
    fSettings.FirstDelayMs = std::max(aSettings.FirstDelayMs, 0);
    fSettings.LockOutSecs = std::max(aSettings.LockOutSecs, 0);
}

TZRVThrottle::TAddress& TZRVThrottle::Entry(const QString& aAddress) {
    if (!fAddresses.contains(aAddress))
        Prune();
    return fAddresses[aAddress];
}

void TZRVThrottle::Expire(TAddress& aEntry) const {
    const qint64 oldest = ClockMSecs() - qint64(fSettings.WindowSecs) * 1000;
    while (!aEntry.Failures.empty() && aEntry.Failures.front() <= oldest)
        aEntry.Failures.pop_front();
}

void TZRVThrottle::Note(const QString& aAddress) {
    TAddress& entry = Entry(aAddress);
    entry.Failures.push_back(ClockMSecs());
    if (entry.Failures.size() > c_MaxKeptFailures)
        entry.Failures.pop_front();
}

int TZRVThrottle::Count(const QString& aAddress) {
    const auto found = fAddresses.find(aAddress);
    if (found == fAddresses.end())
        return 0;
    Expire(*found);
    return int(found->Failures.size());
}

qint64 TZRVThrottle::Delay(const QString& aAddress) {
    const int beyond = Count(aAddress) - fSettings.FreeFailures;
    if (beyond < 0)
        return 0;
    const qint64 lockOut = qint64(fSettings.LockOutSecs) * 1000;
    qint64 delay = fSettings.FirstDelayMs;
    for (int i = 0; i < beyond && delay < lockOut; ++i)
        delay *= 2;
    return std::min(delay, lockOut);
}

void TZRVThrottle::Answer(const QString& aAddress, QObject* aContext, std::function<void()> aAnswer) {
    TAddress& entry = Entry(aAddress);
    entry.Pending.push_back({aContext, std::move(aAnswer)});
    if (!entry.Waiting)
        StartNext(aAddress);
}

void TZRVThrottle::StartNext(const QString& aAddress) {
    TAddress& entry = fAddresses[aAddress];
    entry.Waiting = !entry.Pending.empty();
    if (entry.Waiting)
        QTimer::singleShot(int(std::min<qint64>(Delay(aAddress), INT_MAX)), this,
                           [this, aAddress] { RunFirst(aAddress); });
}

void TZRVThrottle::RunFirst(const QString& aAddress) {
    TAddress& entry = fAddresses[aAddress];
    if (!entry.Pending.empty()) {
        const TPending pending = std::move(entry.Pending.front());
        entry.Pending.pop_front();
        if (pending.Context)
            pending.Work(); // may count a failure, which lengthens the next wait
    }
    StartNext(aAddress);
}

void TZRVThrottle::Prune() {
    if (fAddresses.size() < c_PruneAbove)
        return;
    for (auto it = fAddresses.begin(); it != fAddresses.end();) {
        Expire(*it);
        if (it->Failures.empty() && it->Pending.empty() && !it->Waiting)
            it = fAddresses.erase(it);
        else
            ++it;
    }
}
