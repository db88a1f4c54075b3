#pragma once
// A session's write-backs (its use as reported, its last use, and its row going at logout) must
// reach the database even while the database refuses them (locked by another process, read-only,
// disk full): they go to the database worker one after the other, in their order; a refused one is
// kept, with those behind it, in memory and in a small journal file beside the database, and tried
// again until it lands, after a restart of the server too.

#include "ZRVDataBase.h"
#include "ZRVDataBaseWorker.h"

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
    // What still waits stays in the journal file for the next server.
    ~TZRVWriteBackJournal() override;

    // The worker of the database written to.
    void SetDataBase(TZRVDataBaseWorker* aDb);
    // Reads the journal beside the database (once) and sends what waits.
    void Start();
    void SetRetryInterval(int aMilliseconds);
    void SetOnError(std::function<void(const QString&)> aEvent) { fOnError = std::move(aEvent); }

    // Sends aWork to the database behind the write-backs still waiting; once the database refuses
    // one, it is kept with those behind it and tried again every retry interval.
    void Write(const TZRVWriteBack& aWork);
    // The write-backs that have not landed yet (the one on its way included).
    qsizetype Pending() const { return fPending.size(); }
    // The journal kept beside the database aDBName (for a PostgreSQL address, in the data folder).
    static QString FileFor(const QString& aDBName);
    // Writes aWork unless the database already has it; raises what the database raises.
    static void Apply(TZRVDataBase& aDb, const TZRVWriteBack& aWork);

private:
    // Sends the first write-back waiting, unless one is on its way.
    void Send();
    void Landed(const TZRVDataBaseOutcome<bool>& aOutcome);
    void Load();
    // Applies a line of the journal to what waits; false when the line is damaged.
    bool Replay(const QByteArray& aLine);
    // Appends the change to what waits (aChange: the last one kept or joined, or the first landed)
    // to the journal, or writes it afresh when it does not hold what waited before.
    void Append(char aChange);
    void Rewrite();

    TZRVDataBaseWorker* fDb = nullptr;
    QString fFile;
    QList<TZRVWriteBack> fPending;
    bool fStarted = false;
    bool fSending = false;
    // The database refused the first write-back: the rest waits for the retry.
    bool fRefused = false;
    // The journal file may exist: it goes once nothing waits.
    bool fInFile = false;
    // The journal file holds exactly what waits: a change may be appended to it.
    bool fLogged = false;
    // Changes appended since the journal was last written afresh.
    qsizetype fAppended = 0;
    QTimer* fRetry;
    std::function<void(const QString&)> fOnError;
};
