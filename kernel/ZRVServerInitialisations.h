#pragma once
// The server's unattended jobs on the café database: the daily credit of each customer group, the
// periodic bonus to every account, and the cleaning of expired accounts and tickets. An hourly
// tick runs the jobs that are due; each job reads its settings afresh from the server
// configuration and keeps its last-run date there, so schedules survive restarts. A server hands
// the tick's statements to its database worker, so that its event loop never waits on the
// database; the settings are still read and written on the event loop. There, servers sharing one
// database take each job's run of a day once, on the database, in the job's own transaction.

#include "ZRVCommon.h"

#include <functional>
#include <optional>

class QTimer;
class TZRVDataBase;
class TZRVDataBaseWorker;
class TZRVErrorLogger;
class TZRVServerConfig;

// Remove for good the accounts (tickets) marked as deleted and the expired ones (bound: today).
extern const QString c_rqtDeleteExpiredAccounts;
extern const QString c_rqtDeleteExpiredTickets;

class TZRVCustomServerInitialisations : public QObject {
    Q_OBJECT
public:
    static constexpr int c_DefaultInterval = 3600000;

    explicit TZRVCustomServerInitialisations(QObject* aOwner = nullptr);
    ~TZRVCustomServerInitialisations() override;

    // Sets each group's accounts to the group's daily allowance (0 for groups of infinite credit)
    // once a day; the number of accounts set.
    int GiveAutomaticCredit();
    // The periodic bonus, minutes or a percentage of the time used, when switched on and due; the
    // number of accounts given it.
    int GiveAutomaticBonus();
    // The cleaning ordered at the counter, whatever the schedule; the rows deleted or marked.
    int FreeDataBase();
    // The cleaning when switched on and due.
    void AutomaticFreeDataBase();
    // The hourly tick: the three jobs in turn; a failure skips the rest and is logged.
    void Handler_OnTimer(QObject* Sender);
    // The tick's statements run on aWorker from now on, in place of the database of SetDB.
    void SetWorker(TZRVDataBaseWorker* aValue) { fWorker = aValue; }

    // Whether the hourly tick runs; switching it on runs nothing at once.
    bool Automatic() const;
    void SetAutomatic(bool aValue);
    TZRVDataBase* DB() const { return fDb; }
    void SetDB(TZRVDataBase* aValue) { fDb = aValue; }
    TZRVErrorLogger* ErrorLogger() const { return fErrorLogger; }
    void SetErrorLogger(TZRVErrorLogger* aValue) { fErrorLogger = aValue; }
    // The tick's period in milliseconds (an hour).
    int Interval() const;
    void SetInterval(int aMilliseconds);

private:
    struct TZRVPeriod;
    // What a tick does, decided from the settings before its statements run.
    struct TZRVBonusOrder {
        int ValueMode = 0;
        qint64 Seconds = 0;
        qint64 Percent = 0;
    };
    struct TZRVCleanOrder {
        bool Accounts = false;
        bool Tickets = false;
        bool EmptyTickets = false;
        qint64 EmptyTicketsValue = 0;
        TDateTime Today = 0;
    };
    struct TZRVTickOrder;
    struct TZRVTickDone;
    // Raises aUnset or aClosed when the database is missing or closed.
    void CheckDataBase(const char* aUnset, const char* aClosed) const;
    TDateTime Today() const;
    bool Due(TDateTime aNext) const;
    // The period of a frequency setting; a value outside the table counts as its default, logged once.
    TZRVPeriod Period(int aFrequency, const TZRVPeriod* aTable, int aDefault, const char* aSetting,
                      bool& aReported);
    std::unique_ptr<TZRVServerConfig> NewConfig();
    bool CreditDue(const TZRVServerConfig& aConfig) const;
    std::optional<TZRVBonusOrder> BonusDue(const TZRVServerConfig& aConfig);
    std::optional<TZRVCleanOrder> CleanDue(const TZRVServerConfig& aConfig);
    TZRVCleanOrder CleanOrder(const TZRVServerConfig& aConfig) const;
    // The statements of each job on aDb; the rows they changed.
    static int SetGroupsCredit(TZRVDataBase& aDb);
    static int GiveBonus(TZRVDataBase& aDb, const TZRVBonusOrder& aOrder);
    static int Clean(TZRVDataBase& aDb, const TZRVCleanOrder& aOrder);
    // Runs aWork, all or nothing, when this server takes aJob's run for aDay among the servers
    // sharing the database (none ran it after aLast, the last run this server knows); the day of
    // the job's last run by any server.
    static qint64 RunOnce(TZRVDataBase& aDb, const QString& aJob, qint64 aLast, TDateTime aDay,
                          const std::function<void()>& aWork);
    static TZRVTickDone RunTick(TZRVDataBase& aDb, const TZRVTickOrder& aOrder);
    // The tick on the worker: the dates of the jobs that ran are kept once it is done.
    void PostTick();
    void KeepTick(const TZRVTickOrder& aOrder, const TZRVTickDone& aDone, const QString& aFailure);

    QTimer* TimerHour;
    TZRVDataBase* fDb = nullptr;
    TZRVDataBaseWorker* fWorker = nullptr;
    TZRVErrorLogger* fErrorLogger = nullptr;
    bool fBonusFrequencyReported = false;
    bool fCleanFrequencyReported = false;
};

class TZRVServerInitialisations : public TZRVCustomServerInitialisations {
    Q_OBJECT
public:
    using TZRVCustomServerInitialisations::TZRVCustomServerInitialisations;
};
