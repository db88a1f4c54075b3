#pragma once
// The write-backs that end a session's count (its last use, and its row going at logout) must
// reach the database even while the database refuses them (locked by another process, read-only,
// disk full): they are kept in memory and in a small journal file beside the database, and tried
// again until they land, after a restart of the server too.

#include "ZRVDataBase.h"

#include <QObject>

#include <functional>

class QTimer;

// A session's last write-back: its row as it is to be written, the change of credit and the
// seconds of use since the last write, and whether the session's row goes afterwards.
struct TZRVWriteBack {
    TZRVSessionRow Row;
    qint64 Change = 0;
    uint32_t Used = 0;
    uint32_t MachineID = 0;
    bool EndSession = false;
};

class TZRVWriteBackJournal : public QObject {
public:
    static constexpr int c_DefaultRetryInterval = 5000;

    explicit TZRVWriteBackJournal(QObject* aOwner = nullptr);

    // The database written to.
    void SetDataBase(TZRVDataBase* aDb);
    // Reads the journal beside the database (once) and tries what waits.
    void Start();
    void SetRetryInterval(int aMilliseconds);
    void SetOnError(std::function<void(const QString&)> aEvent) { fOnError = std::move(aEvent); }

    // Writes aWork now; when the database refuses, keeps it and tries again every retry interval.
    // True when it was written now.
    bool Write(const TZRVWriteBack& aWork);
    // The write-backs still waiting for the database.
    qsizetype Pending() const { return fPending.size(); }
    // The journal kept beside the database aDBName (for a PostgreSQL address, in the data folder).
    static QString FileFor(const QString& aDBName);

private:
    bool Apply(const TZRVWriteBack& aWork);
    void Retry();
    void Load();
    void Save();

    TZRVDataBase* fDb = nullptr;
    QString fFile;
    QList<TZRVWriteBack> fPending;
    bool fStarted = false;
    QTimer* fRetry;
    std::function<void(const QString&)> fOnError;
};
