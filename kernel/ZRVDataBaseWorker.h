#pragma once
// The server's database work runs on one thread of its own, with a connection of its own to the
// database file: SQLite waits there for a lock another process holds, and the event loop never
// does. Work runs in the order it was posted. Its outcome comes back on the thread of the object
// that posted it, through a queued call, and is dropped when that object has gone meanwhile.
// Work that could not start before its deadline is not run: its outcome says so, so that the one
// who asked can refuse in time. Nothing is shared between the threads but what the posted work
// carries in (by value) and its outcome carries out.

#include "ZRVDataBase.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>

class QThread;

// What a work on the database gave: its value, or why it has none.
template <class T> struct TZRVDataBaseOutcome {
    std::optional<T> Value;
    // Why the work failed (what it raised, or why the database could not be opened).
    QString Error;
    // The work was not run: it could not start before its deadline, or the worker was not serving.
    bool Late = false;

    bool Ok() const { return Value.has_value(); }
};

class TZRVDataBaseWorker : public QObject {
public:
    static constexpr int c_DefaultDeadline = 5000;
    // The reason of a work not run in time.
    static const QString c_NotServedInTime;

    explicit TZRVDataBaseWorker(QObject* aOwner = nullptr);
    // Stops: see Stop.
    ~TZRVDataBaseWorker() override;

    // Takes the file, password and busy time-out of aDb; used from the next Start on.
    void SetDataBase(const TZRVCustomDataBase& aDb);
    const QString& DBName() const { return fSettings.DBName(); }
    // Starts the thread. Its connection opens with the first work (again after a failed opening).
    void Start();
    // Finishes the work in hand, runs nothing more (what waits is dropped, outcomes untold), closes
    // the connection and joins the thread.
    void Stop();
    bool Running() const { return fThread != nullptr; }
    // How long (milliseconds) a work may wait for its turn.
    int Deadline() const { return fDeadline; }
    void SetDeadline(int aMilliseconds) { fDeadline = std::max(aMilliseconds, 0); }
    // Nothing waits or runs.
    bool Idle() const { return fBusy.load() == 0; }

    // Runs aWork(database) on the worker, after the work posted before it, and hands its outcome to
    // aDone on aContext's thread, unless aContext has gone. What aWork raises comes back as a
    // failure. Without a serving worker the outcome is a late one.
    template <class Work, class Done> void Post(QObject* aContext, Work aWork, Done aDone);

private:
    // Called on the worker with the database, or with nothing when the work is not to run; returns
    // what hands the outcome over.
    using TRun = std::function<std::function<void()>(TZRVDataBase*)>;
    struct TJob;

    void Enqueue(QObject* aContext, TRun aRun);
    void Loop();
    // The open database, or the reason it does not open.
    static QString OpenFailure(TZRVDataBase& aDb);
    template <class T, class Work> static TZRVDataBaseOutcome<T> Attempt(Work& aWork, TZRVDataBase* aDb);

    TZRVDataBase fSettings;
    int fDeadline = c_DefaultDeadline;
    QThread* fThread = nullptr;
    std::mutex fMutex;
    std::condition_variable fWake;
    std::deque<std::unique_ptr<TJob>> fJobs;
    bool fStopping = false;
    std::atomic<int> fBusy = 0;
};

template <class T, class Work>
TZRVDataBaseOutcome<T> TZRVDataBaseWorker::Attempt(Work& aWork, TZRVDataBase* aDb) {
    TZRVDataBaseOutcome<T> outcome;
    if (!aDb) {
        outcome.Late = true;
        outcome.Error = c_NotServedInTime;
        return outcome;
    }
    try {
        if (const QString failure = OpenFailure(*aDb); !failure.isEmpty())
            outcome.Error = failure;
        else
            outcome.Value.emplace(aWork(*aDb));
    } catch (const std::exception& e) {
        outcome.Error = QString::fromUtf8(e.what());
    } catch (...) {
        outcome.Error = QStringLiteral("Unknown error");
    }
    return outcome;
}

template <class Work, class Done> void TZRVDataBaseWorker::Post(QObject* aContext, Work aWork, Done aDone) {
    using T = std::invoke_result_t<Work&, TZRVDataBase&>;
    static_assert(!std::is_void_v<T>, "a work on the database gives a value");
    // Shared, so that works and answers carrying records they own still make copyable calls.
    auto work = std::make_shared<Work>(std::move(aWork));
    auto done = std::make_shared<Done>(std::move(aDone));
    Enqueue(aContext, [work, done](TZRVDataBase* aDb) -> std::function<void()> {
        auto outcome = std::make_shared<TZRVDataBaseOutcome<T>>(Attempt<T>(*work, aDb));
        return [done, outcome] { (*done)(std::move(*outcome)); };
    });
}
