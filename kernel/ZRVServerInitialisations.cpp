#include "ZRVServerInitialisations.h"

#include "ZRVDataBase.h"
#include "ZRVDataBaseWorker.h"
#include "ZRVErrorLogger.h"
#include "ZRVServerConfig.h"

#include <QDateTime>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTimer>

using namespace Qt::StringLiterals;

const QString c_rqtDeleteExpiredAccounts = ZRVSql::c_DeleteExpiredAccounts;
const QString c_rqtDeleteExpiredTickets = ZRVSql::c_DeleteExpiredTickets;

// A schedule's step: days, then calendar months (a shorter month ends on its last day).
struct TZRVCustomServerInitialisations::TZRVPeriod {
    int Days;
    int Months;
};

namespace {

const QString c_Unit = u"ZRVServerInitialisations"_s;
// The jobs' names on the database, where the servers sharing it take each day's run once.
const QString c_CreditJob = u"AutoCredit"_s;
const QString c_BonusJob = u"AutoBonus"_s;
const QString c_CleanJob = u"AutoClean"_s;

TDateTime IncMonth(TDateTime aValue, int aMonths) {
    const QDateTime when = DateTimeToQDateTime(aValue);
    return QDateTimeToDateTime(QDateTime(when.date().addMonths(aMonths), when.time()));
}

struct TGroupCredit {
    qint64 ID;
    qint64 AutoCredit;
    bool Infinite;
};

} // namespace

TZRVCustomServerInitialisations::TZRVCustomServerInitialisations(QObject* aOwner)
    : QObject(aOwner), TimerHour(new QTimer(this)) {
    TimerHour->setInterval(c_DefaultInterval);
    connect(TimerHour, &QTimer::timeout, this, [this] { Handler_OnTimer(TimerHour); });
}

TZRVCustomServerInitialisations::~TZRVCustomServerInitialisations() {
    delete TimerHour;
}

bool TZRVCustomServerInitialisations::Automatic() const {
    return TimerHour->isActive();
}

void TZRVCustomServerInitialisations::SetAutomatic(bool aValue) {
    if (aValue == Automatic())
        return;
    if (aValue)
        TimerHour->start();
    else
        TimerHour->stop();
}

int TZRVCustomServerInitialisations::Interval() const {
    return TimerHour->interval();
}

void TZRVCustomServerInitialisations::SetInterval(int aMilliseconds) {
    TimerHour->setInterval(aMilliseconds);
}

void TZRVCustomServerInitialisations::CheckDataBase(const char* aUnset, const char* aClosed) const {
    if (!fDb)
        throw EZRVError(QString::fromUtf8(aUnset));
    if (!fDb->GetOpenned())
        throw EZRVError(QString::fromUtf8(aClosed));
}

TDateTime TZRVCustomServerInitialisations::Today() const {
    return Date();
}

bool TZRVCustomServerInitialisations::Due(TDateTime aNext) const {
    return Today() >= DateOf(aNext);
}

TZRVCustomServerInitialisations::TZRVPeriod
TZRVCustomServerInitialisations::Period(int aFrequency, const TZRVPeriod* aTable, int aDefault,
                                        const char* aSetting, bool& aReported) {
    if (aFrequency >= 0 && aFrequency <= 3)
        return aTable[aFrequency];
    if (!aReported) {
        aReported = true;
        LogErrorTo(fErrorLogger,
                   QString::fromUtf8(aSetting) + u" holds "_s + QString::number(aFrequency) +
                       u", not 0 to 3: the default frequency applies"_s,
                   c_Unit, u"TZRVCustomServerInitialisations.Period"_s, u"LOG-CONTINUE"_s);
    }
    return aTable[aDefault];
}

std::unique_ptr<TZRVServerConfig> TZRVCustomServerInitialisations::NewConfig() {
    auto config = std::make_unique<TZRVServerConfig>(this);
    config->SetErrorLogger(fErrorLogger);
    return config;
}

bool TZRVCustomServerInitialisations::CreditDue(const TZRVServerConfig& aConfig) const {
    return Due(IncDay(aConfig.GetLastAutoCreditDate(), 1));
}

std::optional<TZRVCustomServerInitialisations::TZRVBonusOrder>
TZRVCustomServerInitialisations::BonusDue(const TZRVServerConfig& aConfig) {
    if (!aConfig.GetBonus_AutoBonus())
        return std::nullopt;
    // A period of fewer than one day would give the bonus at every tick.
    const TZRVPeriod table[] = {{7, 0}, {0, 1}, {0, 2}, {std::max(aConfig.GetBonus_DaysInterval(), 1), 0}};
    const TZRVPeriod p =
        Period(aConfig.GetBonus_Frequency(), table, 1, "Bonus_Frequency", fBonusFrequencyReported);
    if (!Due(IncMonth(IncDay(aConfig.GetBonus_LastBonusDate(), p.Days), p.Months)))
        return std::nullopt;
    return TZRVBonusOrder{aConfig.GetBonus_ValueMode(), qint64(aConfig.GetBonus_Minutes()) * 60,
                          qint64(aConfig.GetBonus_Percent())};
}

TZRVCustomServerInitialisations::TZRVCleanOrder
TZRVCustomServerInitialisations::CleanOrder(const TZRVServerConfig& aConfig) const {
    return {aConfig.GetDB_CleanExpiredAccounts(), aConfig.GetDB_CleanExpiredTickets(),
            aConfig.GetDB_CleanEmptyTickets(), aConfig.GetDB_EmptyTicketsValue(), Today()};
}

std::optional<TZRVCustomServerInitialisations::TZRVCleanOrder>
TZRVCustomServerInitialisations::CleanDue(const TZRVServerConfig& aConfig) {
    if (!aConfig.GetDB_AutoClean())
        return std::nullopt;
    static constexpr TZRVPeriod c_Table[] = {{1, 0}, {7, 0}, {14, 0}, {0, 1}};
    const TZRVPeriod p =
        Period(aConfig.GetDB_CleanFrequency(), c_Table, 3, "DB_CleanFrequency", fCleanFrequencyReported);
    if (!Due(IncMonth(IncDay(aConfig.GetDB_LastCleanDate(), p.Days), p.Months)))
        return std::nullopt;
    return CleanOrder(aConfig);
}

int TZRVCustomServerInitialisations::SetGroupsCredit(TZRVDataBase& aDb) {
    std::vector<TGroupCredit> groups;
    QSqlQuery q = aDb.OpenQuery(ZRVSql::c_GroupsAutoCredit);
    while (q.next()) {
        const auto rights = TZRVUserRights::FromMask(uint32_t(q.value(2).toLongLong()));
        groups.push_back(
            {q.value(0).toLongLong(), q.value(1).toLongLong(), rights.Contains(urInfiniteCredit)});
    }
    int result = 0;
    for (const TGroupCredit& g : groups) {
        if (g.Infinite)
            result += aDb.ExecuteSQLAction(ZRVSql::c_SetGroupCredit, {0, g.ID});
        else if (g.AutoCredit > 0)
            result += aDb.ExecuteSQLAction(ZRVSql::c_SetGroupCredit, {g.AutoCredit, g.ID});
    }
    return result;
}

int TZRVCustomServerInitialisations::GiveBonus(TZRVDataBase& aDb, const TZRVBonusOrder& aOrder) {
    return aOrder.ValueMode == 0 ? aDb.ExecuteSQLAction(aDb.Sql().BonusMinutes, {aOrder.Seconds})
                                 : aDb.ExecuteSQLAction(aDb.Sql().BonusPercent, {aOrder.Percent});
}

int TZRVCustomServerInitialisations::Clean(TZRVDataBase& aDb, const TZRVCleanOrder& aOrder) {
    int result = 0;
    if (aOrder.Accounts)
        result += aDb.ExecuteSQLAction(c_rqtDeleteExpiredAccounts, {aOrder.Today});
    if (aOrder.Tickets)
        result += aDb.ExecuteSQLAction(c_rqtDeleteExpiredTickets, {aOrder.Today});
    if (aOrder.EmptyTickets)
        result +=
            aDb.ExecuteSQLAction(aDb.Sql().MarkEmptyExpiredTickets, {aOrder.EmptyTicketsValue, aOrder.Today});
    return result;
}

int TZRVCustomServerInitialisations::GiveAutomaticCredit() {
    CheckDataBase("Database property not assigned", "Database not ready");
    const auto config = NewConfig();
    if (!CreditDue(*config))
        return 0;
    // Today counts as done even when a statement fails: the allowance is never given twice a day.
    const auto stamp = qScopeGuard([&] { config->SetLastAutoCreditDate(Today()); });
    return SetGroupsCredit(*fDb);
}

int TZRVCustomServerInitialisations::GiveAutomaticBonus() {
    CheckDataBase("Objet base de données non assigné", "Base de données non prête");
    const auto config = NewConfig();
    const std::optional<TZRVBonusOrder> order = BonusDue(*config);
    if (!order)
        return 0;
    const int result = GiveBonus(*fDb, *order);
    config->SetBonus_LastBonusDate(Today());
    return result;
}

int TZRVCustomServerInitialisations::FreeDataBase() {
    CheckDataBase("Objet base de données inassigné", "Base de données non prête");
    const auto config = NewConfig();
    const int result = Clean(*fDb, CleanOrder(*config));
    config->SetDB_LastCleanDate(Today());
    return result;
}

void TZRVCustomServerInitialisations::AutomaticFreeDataBase() {
    CheckDataBase("Objet base de données inassigné", "Base de données non prête");
    const auto config = NewConfig();
    const std::optional<TZRVCleanOrder> order = CleanDue(*config);
    if (!order)
        return;
    Clean(*fDb, *order);
    config->SetDB_LastCleanDate(Today());
}

void TZRVCustomServerInitialisations::Handler_OnTimer(QObject* /*Sender*/) {
    if (fWorker)
        return PostTick();
    try {
        GiveAutomaticCredit();
        GiveAutomaticBonus();
        AutomaticFreeDataBase();
    } catch (const std::exception& e) {
        LogErrorTo(fErrorLogger, QString::fromUtf8(e.what()), c_Unit,
                   u"TZRVCustomServerInitialisations.Handler_OnTimer"_s, u"Nothing"_s);
    }
}

// =============================================================================================
// The tick on the database worker

struct TZRVCustomServerInitialisations::TZRVTickOrder {
    TDateTime Day = 0;
    bool Credit = false;
    std::optional<TZRVBonusOrder> Bonus;
    std::optional<TZRVCleanOrder> Clean;
    // Each job's last run as this server's settings know it: a whole day count.
    qint64 CreditLast = 0;
    qint64 BonusLast = 0;
    qint64 CleanLast = 0;
};

// The jobs the tick got to, each with the day of its last run by any server (0: not got to); a
// failure stops it where it happened.
struct TZRVCustomServerInitialisations::TZRVTickDone {
    bool CreditTried = false;
    qint64 Credit = 0;
    qint64 Bonus = 0;
    qint64 Clean = 0;
    QString Failure;
};

qint64 TZRVCustomServerInitialisations::RunOnce(TZRVDataBase& aDb, const QString& aJob, qint64 aLast,
                                                TDateTime aDay, const std::function<void()>& aWork) {
    return aDb.RunAtomically([&] {
        const TZRVJobRun run = aDb.ClaimJob(aJob, aLast, qint64(aDay));
        if (run.Won)
            aWork();
        return run.LastRun;
    });
}

TZRVCustomServerInitialisations::TZRVTickDone
TZRVCustomServerInitialisations::RunTick(TZRVDataBase& aDb, const TZRVTickOrder& aOrder) {
    TZRVTickDone done;
    try {
        done.CreditTried = aOrder.Credit;
        if (aOrder.Credit)
            done.Credit =
                RunOnce(aDb, c_CreditJob, aOrder.CreditLast, aOrder.Day, [&] { SetGroupsCredit(aDb); });
        if (aOrder.Bonus)
            done.Bonus = RunOnce(aDb, c_BonusJob, aOrder.BonusLast, aOrder.Day,
                                 [&] { GiveBonus(aDb, *aOrder.Bonus); });
        if (aOrder.Clean)
            done.Clean =
                RunOnce(aDb, c_CleanJob, aOrder.CleanLast, aOrder.Day, [&] { Clean(aDb, *aOrder.Clean); });
    } catch (const std::exception& e) {
        done.Failure = QString::fromUtf8(e.what());
    }
    return done;
}

void TZRVCustomServerInitialisations::PostTick() {
    TZRVTickOrder order;
    try {
        const auto config = NewConfig();
        order.Day = Today();
        order.Credit = CreditDue(*config);
        order.Bonus = BonusDue(*config);
        order.Clean = CleanDue(*config);
        order.CreditLast = qint64(DateOf(config->GetLastAutoCreditDate()));
        order.BonusLast = qint64(DateOf(config->GetBonus_LastBonusDate()));
        order.CleanLast = qint64(DateOf(config->GetDB_LastCleanDate()));
    } catch (const std::exception& e) {
        return KeepTick(order, {}, QString::fromUtf8(e.what()));
    }
    if (!order.Credit && !order.Bonus && !order.Clean)
        return;
    fWorker->Post(
        this, [order](TZRVDataBase& aDb) { return RunTick(aDb, order); },
        [this, order](const TZRVDataBaseOutcome<TZRVTickDone>& aOutcome) {
            const TZRVTickDone done = aOutcome.Value.value_or(TZRVTickDone{});
            KeepTick(order, done, aOutcome.Ok() ? done.Failure : aOutcome.Error);
        });
}

void TZRVCustomServerInitialisations::KeepTick(const TZRVTickOrder& aOrder, const TZRVTickDone& aDone,
                                               const QString& aFailure) {
    QString failure = aFailure;
    try {
        const auto config = NewConfig();
        // The allowance tried counts as given, even when a statement failed: never twice a day.
        // A job another server ran takes its date from that run, so that the schedules stay one.
        if (aDone.CreditTried)
            config->SetLastAutoCreditDate(aDone.Credit != 0 ? TDateTime(aDone.Credit) : aOrder.Day);
        if (aDone.Bonus != 0)
            config->SetBonus_LastBonusDate(TDateTime(aDone.Bonus));
        if (aDone.Clean != 0)
            config->SetDB_LastCleanDate(TDateTime(aDone.Clean));
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    }
    if (!failure.isEmpty())
        LogErrorTo(fErrorLogger, failure, c_Unit, u"TZRVCustomServerInitialisations.Handler_OnTimer"_s,
                   u"Nothing"_s);
}
