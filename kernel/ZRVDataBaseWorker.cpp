#include "ZRVDataBaseWorker.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QThread>
#include <QTimer>

namespace {

Q_LOGGING_CATEGORY(lcZRVDataBaseWorker, "zrv.database.worker")

// Carries one outcome over to the thread of the object that asked: it lives on the worker, which
// signals once the outcome is ready; the queued connection to the asking object goes with that
// object, and the outcome with it.
class TZRVDataBaseRelay : public QObject {
    Q_OBJECT
signals:
    void Ready();
};

} // namespace

const QString TZRVDataBaseWorker::c_NotServedInTime = QStringLiteral("The database did not serve in time");

struct TZRVDataBaseWorker::TJob {
    TRun Run;
    QDeadlineTimer Deadline;
    // The outcome's hand-over, filled on the worker before the relay signals.
    std::shared_ptr<std::function<void()>> Deliver;
    TZRVDataBaseRelay* Relay = nullptr;

    ~TJob() { delete Relay; }
};

TZRVDataBaseWorker::TZRVDataBaseWorker(QObject* aOwner) : QObject(aOwner) {}

TZRVDataBaseWorker::~TZRVDataBaseWorker() {
    Stop();
}

void TZRVDataBaseWorker::SetDataBase(const TZRVCustomDataBase& aDb) {
    fSettings.Assign(aDb);
}

void TZRVDataBaseWorker::Start() {
    if (fThread)
        return;
    fStopping = false;
    fThread = QThread::create([this] { Loop(); });
    fThread->setObjectName(QStringLiteral("ZRVDataBaseWorker"));
    fThread->start();
}

void TZRVDataBaseWorker::Stop() {
    if (!fThread)
        return;
    {
        const std::lock_guard lock(fMutex);
        fStopping = true;
    }
    fWake.notify_one();
    fThread->wait();
    delete fThread;
    fThread = nullptr;
    // The thread is gone: its relays may go from here.
    fBusy -= int(fJobs.size());
    fJobs.clear();
}

void TZRVDataBaseWorker::Enqueue(QObject* aContext, TRun aRun) {
    if (!fThread) {
        QTimer::singleShot(0, aContext, aRun(nullptr));
        return;
    }
    auto job = std::make_unique<TJob>();
    job->Run = std::move(aRun);
    job->Deadline = QDeadlineTimer(fDeadline);
    job->Deliver = std::make_shared<std::function<void()>>();
    job->Relay = new TZRVDataBaseRelay;
    connect(
        job->Relay, &TZRVDataBaseRelay::Ready, aContext,
        [deliver = job->Deliver] {
            // What the outcome holds goes here, on the asking object's thread.
            const std::function<void()> handOver = std::move(*deliver);
            *deliver = nullptr;
            if (!handOver)
                return;
            // A handler's failure stays its own: it never reaches the event loop, which would end
            // the server.
            try {
                handOver();
            } catch (const std::exception& e) {
                qCCritical(lcZRVDataBaseWorker) << "A database outcome's handler failed:" << e.what();
            }
        },
        Qt::QueuedConnection);
    job->Relay->moveToThread(fThread);
    ++fBusy;
    {
        const std::lock_guard lock(fMutex);
        fJobs.push_back(std::move(job));
    }
    fWake.notify_one();
}

QString TZRVDataBaseWorker::OpenFailure(TZRVDataBase& aDb) {
    if (aDb.GetOpenned())
        return QString();
    try {
        aDb.Open();
        return QString();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}

void TZRVDataBaseWorker::Loop() {
    TZRVDataBase db;
    db.Assign(fSettings);
    for (;;) {
        std::unique_ptr<TJob> job;
        {
            std::unique_lock lock(fMutex);
            fWake.wait(lock, [this] { return fStopping || !fJobs.empty(); });
            if (fStopping)
                break;
            job = std::move(fJobs.front());
            fJobs.pop_front();
        }
        *job->Deliver = job->Run(job->Deadline.hasExpired() ? nullptr : &db);
        emit job->Relay->Ready();
        job.reset();
        --fBusy;
    }
    db.Close();
}

#include "ZRVDataBaseWorker.moc"
