#include "ZRVServerInitialisations.h"

#include "ZRVDataBase.h"
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

int TZRVCustomServerInitialisations::GiveAutomaticCredit() {
    CheckDataBase("Database property not assigned", "Database not ready");
    const auto config = NewConfig();
    if (!Due(IncDay(config->GetLastAutoCreditDate(), 1)))
        return 0;
    // Today counts as done even when a statement fails: the allowance is never given twice a day.
    const auto stamp = qScopeGuard([&] { config->SetLastAutoCreditDate(Today()); });
    std::vector<TGroupCredit> groups;
    QSqlQuery q = fDb->OpenQuery(ZRVSql::c_GroupsAutoCredit);
    while (q.next()) {
        const auto rights = TZRVUserRights::FromMask(uint32_t(q.value(2).toLongLong()));
        groups.push_back(
            {q.value(0).toLongLong(), q.value(1).toLongLong(), rights.Contains(urInfiniteCredit)});
    }
    int result = 0;
    for (const TGroupCredit& g : groups) {
        if (g.Infinite)
            result += fDb->ExecuteSQLAction(ZRVSql::c_SetGroupCredit, {0, g.ID});
        else if (g.AutoCredit > 0)
            result += fDb->ExecuteSQLAction(ZRVSql::c_SetGroupCredit, {g.AutoCredit, g.ID});
    }
    return result;
}

int TZRVCustomServerInitialisations::GiveAutomaticBonus() {
    CheckDataBase("Objet base de données non assigné", "Base de données non prête");
    const auto config = NewConfig();
    if (!config->GetBonus_AutoBonus())
        return 0;
    // A period of fewer than one day would give the bonus at every tick.
    const TZRVPeriod table[] = {{7, 0}, {0, 1}, {0, 2}, {std::max(config->GetBonus_DaysInterval(), 1), 0}};
    const TZRVPeriod p =
        Period(config->GetBonus_Frequency(), table, 1, "Bonus_Frequency", fBonusFrequencyReported);
    if (!Due(IncMonth(IncDay(config->GetBonus_LastBonusDate(), p.Days), p.Months)))
        return 0;
    const int result =
        config->GetBonus_ValueMode() == 0
            ? fDb->ExecuteSQLAction(fDb->Sql().BonusMinutes, {qint64(config->GetBonus_Minutes()) * 60})
            : fDb->ExecuteSQLAction(fDb->Sql().BonusPercent, {qint64(config->GetBonus_Percent())});
    config->SetBonus_LastBonusDate(Today());
    return result;
}

int TZRVCustomServerInitialisations::Clean(const TZRVServerConfig& aConfig) {
    int result = 0;
    if (aConfig.GetDB_CleanExpiredAccounts())
        result += fDb->ExecuteSQLAction(c_rqtDeleteExpiredAccounts, {Today()});
    if (aConfig.GetDB_CleanExpiredTickets())
        result += fDb->ExecuteSQLAction(c_rqtDeleteExpiredTickets, {Today()});
    if (aConfig.GetDB_CleanEmptyTickets())
        result += fDb->ExecuteSQLAction(fDb->Sql().MarkEmptyExpiredTickets,
                                        {aConfig.GetDB_EmptyTicketsValue(), Today()});
    return result;
}

int TZRVCustomServerInitialisations::FreeDataBase() {
    CheckDataBase("Objet base de données inassigné", "Base de données non prête");
    const auto config = NewConfig();
    const int result = Clean(*config);
    config->SetDB_LastCleanDate(Today());
    return result;
}

void TZRVCustomServerInitialisations::AutomaticFreeDataBase() {
    CheckDataBase("Objet base de données inassigné", "Base de données non prête");
    const auto config = NewConfig();
    if (!config->GetDB_AutoClean())
        return;
    static constexpr TZRVPeriod c_Table[] = {{1, 0}, {7, 0}, {14, 0}, {0, 1}};
    const TZRVPeriod p =
        Period(config->GetDB_CleanFrequency(), c_Table, 3, "DB_CleanFrequency", fCleanFrequencyReported);
    if (!Due(IncMonth(IncDay(config->GetDB_LastCleanDate(), p.Days), p.Months)))
        return;
    Clean(*config);
    config->SetDB_LastCleanDate(Today());
}

void TZRVCustomServerInitialisations::Handler_OnTimer(QObject* /*Sender*/) {
    try {
        GiveAutomaticCredit();
        GiveAutomaticBonus();
        AutomaticFreeDataBase();
    } catch (const std::exception& e) {
        LogErrorTo(fErrorLogger, QString::fromUtf8(e.what()), c_Unit,
                   u"TZRVCustomServerInitialisations.Handler_OnTimer"_s, u"Nothing"_s);
    }
}
