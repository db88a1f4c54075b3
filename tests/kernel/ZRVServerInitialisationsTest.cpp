// The server's automatic jobs on a real database file: the daily credit, the bonus and the cleaning
// with their schedules, failures and settings, and the hourly tick.
#include "ZRVServerInitialisations.h"

#include "ZRVDataBase.h"
#include "ZRVDataBaseWorker.h"
#include "ZRVErrorLogger.h"
#include "ZRVServerConfig.h"

#include "support/EventLoop.h"
#include "support/TempDirs.h"
#include "support/TestDataBases.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct TAccountRow {
    qint64 Group = 1;
    qint64 Credit = 0;
    qint64 CreditTotal = 0;
    bool Deleted = false;
    int DaysAllowed = -1;
    TDateTime Created = 0;
    TDateTime LastUse = 0;
};

struct TTicketRow {
    bool Active = false;
    TDateTime Activation = 0;
    int DaysAllowed = 0;
    qint64 Credit = 0;
    bool Deleted = false;
};

class ServerInitialisations : public zrvtest::OpenBothEngines {
protected:
    void SetUp() override {
        OpenBothEngines::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(fDir.isValid());
        fLogger.SetLogFile(fDir.filePath(u"server.lgf"_s));
        fJobs.SetDB(&fDb);
        fJobs.SetErrorLogger(&fLogger);
        SetNow(fNow);
    }

    // The jobs read the kernel's clock.
    void SetNow(TDateTime aNow) {
        fNow = aNow;
        TZRVClock::Stop(aNow);
    }
    QVariant Scalar(const QString& aSql, const QVariantList& aValues = {}) {
        QSqlQuery q = fDb.OpenQuery(aSql, aValues);
        return q.next() ? q.value(0) : QVariant();
    }
    qint64 Insert(const QString& aTable, const QStringList& aColumns, const QVariantList& aValues) {
        return fDb.InsertInto(aTable, aColumns, aValues);
    }
    qint64 AddGroup(qint64 aAutoCredit, TZRVUserRights aRights = {}) {
        return Insert(u"tblGroups"_s, {u"AutoCredit"_s, u"Authorisations1"_s}, {aAutoCredit, aRights.Mask()});
    }
    qint64 AddAccount(const TAccountRow& r) {
        return Insert(
            u"tblAccounts"_s,
            {u"Group"_s, u"Credit"_s, u"CreditTotal"_s, u"DeletedFlag"_s, u"DaysAllowed"_s, u"CreationDate"_s,
             u"LastUseDate"_s},
            {r.Group, r.Credit, r.CreditTotal, int(r.Deleted), r.DaysAllowed, r.Created, r.LastUse});
    }
    qint64 AddTicket(const TTicketRow& r) {
        return Insert(u"tblTickets"_s,
                      {u"Active"_s, u"ActivationDate"_s, u"DaysAllowed"_s, u"Credit"_s, u"DeletedFlag"_s},
                      {int(r.Active), r.Activation, r.DaysAllowed, r.Credit, int(r.Deleted)});
    }
    qint64 Account(qint64 aID, const QString& aColumn) {
        return Scalar(u"SELECT "_s + ZRVSql::Name(aColumn) +
                          u" FROM \"tblAccounts\" WHERE \"Account_ID\" = ?"_s,
                      {aID})
            .toLongLong();
    }
    bool AccountExists(qint64 aID) {
        return Scalar(u"SELECT 1 FROM \"tblAccounts\" WHERE \"Account_ID\" = ?"_s, {aID}).isValid();
    }
    bool TicketExists(qint64 aID) {
        return Scalar(u"SELECT 1 FROM \"tblTickets\" WHERE \"Ticket_ID\" = ?"_s, {aID}).isValid();
    }
    bool TicketDeleted(qint64 aID) {
        return Scalar(u"SELECT \"DeletedFlag\" FROM \"tblTickets\" WHERE \"Ticket_ID\" = ?"_s, {aID})
                   .toInt() != 0;
    }
    QString Log() {
        QFile f(fLogger.LogFile());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    void UseMinutesBonus(int aMinutes) {
        fConfig.SetBonus_AutoBonus(true);
        fConfig.SetBonus_ValueMode(0);
        fConfig.SetBonus_Minutes(aMinutes);
    }
    // Cleaning settings: expired accounts, expired tickets, empty tickets.
    void UseCleaning(bool aAccounts, bool aTickets, bool aEmpty) {
        fConfig.SetDB_CleanExpiredAccounts(aAccounts);
        fConfig.SetDB_CleanExpiredTickets(aTickets);
        fConfig.SetDB_CleanEmptyTickets(aEmpty);
    }

    zrvtest::TempRegistry fRegistry;
    QTemporaryDir fDir;
    TZRVErrorLogger fLogger;
    TZRVServerInitialisations fJobs;
    TZRVServerConfig fConfig;
    TDateTime fNow = EncodeDateTime(2011, 7, 20, 10, 0, 0);
};

// ----- the whole tick

TEST_P(ServerInitialisations, AFreshInstallationCreditsGivesTheBonusAndCleansAtTheFirstTick) {
    const qint64 account = AddAccount({.Group = AddGroup(7200), .Credit = 100});
    const qint64 expired = AddTicket({.Active = true, .Activation = fNow - 10, .DaysAllowed = 5});
    UseMinutesBonus(15);

    fJobs.Handler_OnTimer(nullptr);

    EXPECT_EQ(Account(account, u"Credit"_s), 7200 + 900);
    EXPECT_FALSE(TicketExists(expired));
    const TDateTime today = EncodeDate(2011, 7, 20);
    EXPECT_EQ(fConfig.GetLastAutoCreditDate(), today);
    EXPECT_EQ(fConfig.GetBonus_LastBonusDate(), today);
    EXPECT_EQ(fConfig.GetDB_LastCleanDate(), today);
}

TEST_P(ServerInitialisations, TheTimerTicksOnlyOnceSwitchedOn) {
    EXPECT_FALSE(fJobs.Automatic());
    EXPECT_EQ(fJobs.Interval(), 3600000);
    fJobs.SetInterval(10);
    fJobs.SetAutomatic(true);
    EXPECT_TRUE(zrvtest::WaitUntil([&] { return fConfig.GetLastAutoCreditDate() != 0; }));
    fJobs.SetAutomatic(false);
    EXPECT_FALSE(fJobs.Automatic());
}

TEST_P(ServerInitialisations, AFailingJobSkipsTheNextOnesAndIsLoggedWhileTheTimerRuns) {
    const qint64 account = AddAccount({.Group = AddGroup(7200), .CreditTotal = 50});
    UseMinutesBonus(15);
    // The daily credit keeps CreditTotal, the bonus clears it: only the first is refused.
    Refuse(fDb, u"UPDATE"_s, u"tblAccounts"_s, u"NEW.\"CreditTotal\" = OLD.\"CreditTotal\""_s);
    fJobs.SetAutomatic(true);

    fJobs.Handler_OnTimer(nullptr);

    EXPECT_TRUE(fJobs.Automatic());
    EXPECT_EQ(Account(account, u"CreditTotal"_s), 50);
    EXPECT_EQ(fConfig.GetBonus_LastBonusDate(), 0);
    EXPECT_EQ(fConfig.GetDB_LastCleanDate(), 0);
    EXPECT_TRUE(Log().contains(u"refused by the test"_s)) << Log().toStdString();
    EXPECT_TRUE(Log().contains(
        u";ZRVServerInitialisations;TZRVCustomServerInitialisations.Handler_OnTimer;Nothing;"_s));
}

// ----- the tick on a server's database worker

class ServerInitialisationsOnWorker : public ServerInitialisations {
protected:
    void SetUp() override {
        ServerInitialisations::SetUp();
        if (IsSkipped())
            return;
        fWorker.SetDataBase(fDb);
        fJobs.SetWorker(&fWorker);
    }
    // Ticks, and waits until the worker has run the tick and its dates are kept.
    bool Tick() {
        fJobs.Handler_OnTimer(nullptr);
        return zrvtest::WaitUntil([&] { return fWorker.Idle(); }) && (zrvtest::RunDeferredCalls(), true);
    }

    TZRVDataBaseWorker fWorker;
};

TEST_P(ServerInitialisationsOnWorker, TheTickRunsTheDueJobsThereAndKeepsTheirDates) {
    const qint64 account = AddAccount({.Group = AddGroup(7200), .Credit = 100});
    const qint64 expired = AddTicket({.Active = true, .Activation = fNow - 10, .DaysAllowed = 5});
    UseMinutesBonus(15);
    fWorker.Start();

    ASSERT_TRUE(Tick());

    EXPECT_EQ(Account(account, u"Credit"_s), 7200 + 900);
    EXPECT_FALSE(TicketExists(expired));
    const TDateTime today = EncodeDate(2011, 7, 20);
    EXPECT_EQ(fConfig.GetLastAutoCreditDate(), today);
    EXPECT_EQ(fConfig.GetBonus_LastBonusDate(), today);
    EXPECT_EQ(fConfig.GetDB_LastCleanDate(), today);
    // Nothing is due any more today: the next tick leaves the database alone.
    ASSERT_TRUE(Tick());
    EXPECT_EQ(Account(account, u"Credit"_s), 7200 + 900);
}

TEST_P(ServerInitialisationsOnWorker, ServersOnOneDataBaseTickingTogetherRunTheDaysJobsOnce) {
    const qint64 account = AddAccount({.Group = AddGroup(7200), .Credit = 100});
    UseMinutesBonus(15);
    TZRVDataBase otherDb;
    otherDb.SetDBName(fDbName);
    TZRVDataBaseWorker otherWorker;
    otherWorker.SetDataBase(otherDb);
    TZRVServerInitialisations other;
    other.SetWorker(&otherWorker);
    fWorker.Start();
    otherWorker.Start();

    // Both find the jobs due before either has run them.
    fJobs.Handler_OnTimer(nullptr);
    other.Handler_OnTimer(nullptr);
    ASSERT_TRUE(zrvtest::WaitUntil([&] { return fWorker.Idle() && otherWorker.Idle(); }));
    zrvtest::RunDeferredCalls();

    EXPECT_EQ(Account(account, u"Credit"_s), 7200 + 900);
    // Each job ran once, for today: the run is taken on the database.
    EXPECT_EQ(Scalar(u"SELECT count(*) FROM \"tblJobs\" WHERE \"Job\" IN ('AutoCredit', 'AutoBonus') AND "
                     u"\"LastRun\" = ?"_s,
                     {qint64(EncodeDate(2011, 7, 20))})
                  .toInt(),
              2);
}

TEST_P(ServerInitialisationsOnWorker, AServerFindingTheDaysCreditGivenByAnotherKeepsItsDate) {
    const qint64 account = AddAccount({.Group = AddGroup(7200), .Credit = 100});
    fWorker.Start();
    ASSERT_TRUE(Tick());
    ASSERT_EQ(Account(account, u"Credit"_s), 7200);

    // Another server, whose settings say the credit is due, ticks later the same day.
    fDb.ExecuteSQLAction(u"UPDATE \"tblAccounts\" SET \"Credit\" = 50"_s);
    fConfig.SetLastAutoCreditDate(EncodeDate(2011, 7, 19));
    ASSERT_TRUE(Tick());
    EXPECT_EQ(Account(account, u"Credit"_s), 50) << "the time used since stays used";
    EXPECT_EQ(fConfig.GetLastAutoCreditDate(), EncodeDate(2011, 7, 20));

    // The next day the first server to tick gives it.
    SetNow(EncodeDateTime(2011, 7, 21, 9, 0, 0));
    ASSERT_TRUE(Tick());
    EXPECT_EQ(Account(account, u"Credit"_s), 7200);
}

TEST_P(ServerInitialisationsOnWorker, AFailingJobSkipsTheNextOnesAndIsLogged) {
    const qint64 account = AddAccount({.Group = AddGroup(7200), .CreditTotal = 50});
    UseMinutesBonus(15);
    Refuse(fDb, u"UPDATE"_s, u"tblAccounts"_s, u"NEW.\"CreditTotal\" = OLD.\"CreditTotal\""_s);
    fWorker.Start();

    ASSERT_TRUE(Tick());

    EXPECT_EQ(Account(account, u"CreditTotal"_s), 50);
    EXPECT_EQ(fConfig.GetLastAutoCreditDate(), EncodeDate(2011, 7, 20)); // never twice a day
    EXPECT_EQ(fConfig.GetBonus_LastBonusDate(), 0);
    EXPECT_EQ(fConfig.GetDB_LastCleanDate(), 0);
    EXPECT_TRUE(Log().contains(u"refused by the test"_s)) << Log().toStdString();
}

TEST_P(ServerInitialisationsOnWorker, ATickTheWorkerCannotServeKeepsNoDateAndIsLogged) {
    const qint64 account = AddAccount({.Group = AddGroup(7200), .Credit = 100});
    // The worker does not serve: the allowance is given at the next tick it serves.
    ASSERT_TRUE(Tick());
    EXPECT_EQ(Account(account, u"Credit"_s), 100);
    EXPECT_EQ(fConfig.GetLastAutoCreditDate(), 0);
    EXPECT_TRUE(Log().contains(TZRVDataBaseWorker::c_NotServedInTime)) << Log().toStdString();

    fWorker.Start();
    ASSERT_TRUE(Tick());
    EXPECT_EQ(Account(account, u"Credit"_s), 7200);
}

TEST_P(ServerInitialisations, EveryJobRefusesAMissingOrClosedDatabase) {
    struct TCase {
        std::function<void(TZRVServerInitialisations&)> Job;
        QString Unset;
        QString Closed;
    };
    const TCase cases[] = {
        {[](auto& j) { j.GiveAutomaticCredit(); }, u"Database property not assigned"_s,
         u"Database not ready"_s},
        {[](auto& j) { j.GiveAutomaticBonus(); }, u"Objet base de données non assigné"_s,
         u"Base de données non prête"_s},
        {[](auto& j) { j.FreeDataBase(); }, u"Objet base de données inassigné"_s,
         u"Base de données non prête"_s},
        {[](auto& j) { j.AutomaticFreeDataBase(); }, u"Objet base de données inassigné"_s,
         u"Base de données non prête"_s},
    };
    TZRVDataBase closed;
    for (const TCase& c : cases) {
        for (auto [db, message] :
             {std::pair{(TZRVDataBase*)nullptr, c.Unset}, std::pair{&closed, c.Closed}}) {
            fJobs.SetDB(db);
            try {
                c.Job(fJobs);
                ADD_FAILURE() << "no error, expected " << message.toStdString();
            } catch (const EZRVError& e) {
                EXPECT_EQ(e.Message(), message);
            }
        }
    }
    fJobs.SetDB(nullptr);
    fJobs.Handler_OnTimer(nullptr);
    EXPECT_TRUE(Log().contains(u"Database property not assigned;"_s));
}

// ----- the daily credit

TEST_P(ServerInitialisations, TheDailyCreditComesOncePerCalendarDay) {
    struct TCase {
        const char* Name;
        TDateTime Last;
        TDateTime Now;
        bool Given;
    };
    const TCase cases[] = {
        {"never given", 0, EncodeDateTime(2011, 7, 20, 10, 0, 0), true},
        {"given today, later tick", EncodeDate(2011, 7, 20), EncodeDateTime(2011, 7, 20, 23, 59, 0), false},
        {"given yesterday, first tick after midnight", EncodeDate(2011, 7, 19),
         EncodeDateTime(2011, 7, 20, 0, 1, 0), true},
        {"given yesterday late, dates only", EncodeDateTime(2011, 7, 19, 23, 0, 0),
         EncodeDateTime(2011, 7, 20, 0, 1, 0), true},
    };
    const qint64 account = AddAccount({.Group = AddGroup(7200)});
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        fDb.ExecuteSQLAction(u"UPDATE \"tblAccounts\" SET \"Credit\" = 1"_s);
        fConfig.SetLastAutoCreditDate(c.Last);
        SetNow(c.Now);
        EXPECT_EQ(fJobs.GiveAutomaticCredit(), c.Given ? 1 : 0);
        EXPECT_EQ(Account(account, u"Credit"_s), c.Given ? 7200 : 1);
        EXPECT_EQ(fConfig.GetLastAutoCreditDate(), c.Given ? DateOf(c.Now) : c.Last);
    }
}

TEST_P(ServerInitialisations, TheDailyCreditSetsEachGroupsAllowance) {
    const qint64 infinite = AddGroup(500, {urInfiniteCredit});
    const qint64 none = AddGroup(0);
    const qint64 allowance = AddGroup(7200);
    const qint64 unlimited = AddAccount({.Group = infinite, .Credit = 3000});
    const qint64 untouched = AddAccount({.Group = none, .Credit = 3000});
    const qint64 less = AddAccount({.Group = allowance, .Credit = 100});
    const qint64 more = AddAccount({.Group = allowance, .Credit = 9000});
    const qint64 deleted = AddAccount({.Group = allowance, .Credit = 5, .Deleted = true});

    EXPECT_EQ(fJobs.GiveAutomaticCredit(), 4);

    EXPECT_EQ(Account(unlimited, u"Credit"_s), 0);
    EXPECT_EQ(Account(untouched, u"Credit"_s), 3000);
    for (qint64 id : {less, more, deleted})
        EXPECT_EQ(Account(id, u"Credit"_s), 7200);
}

TEST_P(ServerInitialisations, AFailingDailyCreditStillRecordsTheDay) {
    AddAccount({.Group = AddGroup(7200)});
    Refuse(fDb, u"UPDATE"_s, u"tblAccounts"_s);
    EXPECT_THROW(fJobs.GiveAutomaticCredit(), EZRVError);
    EXPECT_EQ(fConfig.GetLastAutoCreditDate(), EncodeDate(2011, 7, 20));
}

// ----- the bonus

TEST_P(ServerInitialisations, TheBonusAddsMinutesOrAPercentOfTheTimeUsed) {
    struct TCase {
        const char* Name;
        int Mode;
        int Value;
        qint64 Credit;
        qint64 CreditTotal;
        qint64 Expected;
    };
    const TCase cases[] = {
        {"15 minutes", 0, 15, 100, 50, 1000},
        {"10 percent of 3600 s", 1, 10, 100, 3600, 460},
        {"percent in whole seconds", 1, 10, 0, 1239, 123},
        {"a negative bonus stops at 0", 0, -10, 100, 0, 0},
        {"a huge bonus stops at the largest credit", 0, 40000000, 100, 0, 2147483647},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const qint64 account = AddAccount({.Credit = c.Credit, .CreditTotal = c.CreditTotal});
        const qint64 deleted =
            AddAccount({.Credit = c.Credit, .CreditTotal = c.CreditTotal, .Deleted = true});
        fConfig.SetBonus_AutoBonus(true);
        fConfig.SetBonus_ValueMode(c.Mode);
        if (c.Mode == 0)
            fConfig.SetBonus_Minutes(c.Value);
        else
            fConfig.SetBonus_Percent(c.Value);
        fConfig.SetBonus_LastBonusDate(0);

        EXPECT_EQ(fJobs.GiveAutomaticBonus(), 1);

        EXPECT_EQ(Account(account, u"Credit"_s), c.Expected);
        EXPECT_EQ(Account(account, u"CreditTotal"_s), 0);
        EXPECT_EQ(Account(deleted, u"Credit"_s), c.Credit);
        EXPECT_EQ(Account(deleted, u"CreditTotal"_s), c.CreditTotal);
        fDb.ExecuteSQLAction(u"DELETE FROM \"tblAccounts\""_s);
    }
}

TEST_P(ServerInitialisations, TheBonusIsOffByDefault) {
    AddAccount({.Credit = 100});
    EXPECT_EQ(fJobs.GiveAutomaticBonus(), 0);
    EXPECT_EQ(fConfig.GetBonus_LastBonusDate(), 0);
}

TEST_P(ServerInitialisations, AFailingBonusIsTriedAgainAtTheNextTick) {
    AddAccount({.Credit = 100});
    UseMinutesBonus(15);
    Refuse(fDb, u"UPDATE"_s, u"tblAccounts"_s);
    EXPECT_THROW(fJobs.GiveAutomaticBonus(), EZRVError);
    EXPECT_EQ(fConfig.GetBonus_LastBonusDate(), 0);
}

// ----- schedules of the bonus and the automatic cleaning

enum TJob { jBonus, jClean };

struct TScheduleCase {
    const char* Name;
    TJob Job;
    int Frequency;
    TDateTime Last;
    TDateTime Now;
    bool Due;
};

TEST_P(ServerInitialisations, TheBonusAndTheCleaningRunWhenTheirPeriodIsOver) {
    const auto at = [](int d, int m, int h = 0) { return EncodeDateTime(2011, m, d, h, 0, 0); };
    const TScheduleCase cases[] = {
        // Monday 18 July 2011 at 15:00: the Sunday after is too early, the next Monday is due.
        {"weekly bonus, Sunday", jBonus, 0, at(18, 7, 15), at(24, 7, 23), false},
        {"weekly bonus, next Monday", jBonus, 0, at(18, 7, 15), at(25, 7, 0), true},
        {"monthly bonus, 31 January to 27 February", jBonus, 1, at(31, 1), at(27, 2, 23), false},
        {"monthly bonus, 31 January to 28 February", jBonus, 1, at(31, 1), at(28, 2), true},
        {"two-monthly bonus, early", jBonus, 2, at(15, 1), at(14, 3, 23), false},
        {"two-monthly bonus, due", jBonus, 2, at(15, 1), at(15, 3), true},
        {"every 3 days, early", jBonus, 3, at(18, 7), at(20, 7, 23), false},
        {"every 3 days, due", jBonus, 3, at(18, 7), at(21, 7), true},
        {"frequency 7 counts as monthly, early", jBonus, 7, at(1, 7), at(31, 7, 23), false},
        {"frequency 7 counts as monthly, due", jBonus, 7, at(1, 7), at(1, 8), true},
        {"daily cleaning, same day", jClean, 0, at(20, 7), at(20, 7, 23), false},
        {"daily cleaning, next day", jClean, 0, at(20, 7), at(21, 7), true},
        {"weekly cleaning, early", jClean, 1, at(18, 7), at(24, 7), false},
        {"weekly cleaning, due", jClean, 1, at(18, 7), at(25, 7), true},
        {"fortnightly cleaning, early", jClean, 2, at(1, 7), at(14, 7), false},
        {"fortnightly cleaning, due", jClean, 2, at(1, 7), at(15, 7), true},
        {"monthly cleaning, early", jClean, 3, at(31, 1), at(27, 2), false},
        {"monthly cleaning, due", jClean, 3, at(31, 1), at(28, 2), true},
        {"frequency -1 counts as monthly, early", jClean, -1, at(1, 7), at(31, 7), false},
        {"frequency -1 counts as monthly, due", jClean, -1, at(1, 7), at(1, 8), true},
    };
    UseMinutesBonus(1);
    fConfig.SetBonus_DaysInterval(3);
    for (const TScheduleCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const qint64 ticket = AddTicket({.Deleted = true});
        const qint64 account = AddAccount({});
        SetNow(c.Now);
        TDateTime stamped;
        if (c.Job == jBonus) {
            fConfig.SetBonus_Frequency(c.Frequency);
            fConfig.SetBonus_LastBonusDate(c.Last);
            EXPECT_EQ(fJobs.GiveAutomaticBonus() > 0, c.Due);
            EXPECT_EQ(Account(account, u"Credit"_s), c.Due ? 60 : 0);
            stamped = fConfig.GetBonus_LastBonusDate();
        } else {
            fConfig.SetDB_CleanFrequency(c.Frequency);
            fConfig.SetDB_LastCleanDate(c.Last);
            fJobs.AutomaticFreeDataBase();
            EXPECT_EQ(TicketExists(ticket), !c.Due);
            stamped = fConfig.GetDB_LastCleanDate();
        }
        EXPECT_EQ(stamped, c.Due ? DateOf(c.Now) : c.Last);
    }
}

TEST_P(ServerInitialisations, ABonusIntervalUnderOneDayWaitsForTheNextDay) {
    AddAccount({});
    UseMinutesBonus(1);
    fConfig.SetBonus_Frequency(3);
    fConfig.SetBonus_DaysInterval(0);
    fConfig.SetBonus_LastBonusDate(EncodeDate(2011, 7, 20));
    EXPECT_EQ(fJobs.GiveAutomaticBonus(), 0);
    SetNow(EncodeDate(2011, 7, 21));
    EXPECT_EQ(fJobs.GiveAutomaticBonus(), 1);
}

TEST_P(ServerInitialisations, AFrequencyOutsideTheTableIsLoggedOnce) {
    UseMinutesBonus(1);
    fConfig.SetBonus_Frequency(9);
    fConfig.SetDB_CleanFrequency(-2);
    for (int i = 0; i < 3; ++i) {
        fJobs.GiveAutomaticBonus();
        fJobs.AutomaticFreeDataBase();
    }
    EXPECT_EQ(Log().count(u"Bonus_Frequency holds 9"_s), 1) << Log().toStdString();
    EXPECT_EQ(Log().count(u"DB_CleanFrequency holds -2"_s), 1) << Log().toStdString();
}

// ----- the cleaning

TEST_P(ServerInitialisations, TheCleaningRemovesExpiredAndDeletedRowsOnly) {
    fNow = Now();
    struct TAccountCase {
        const char* Name;
        TAccountRow Row;
        bool Kept;
    };
    const TAccountCase accounts[] = {
        {"never expires", {.DaysAllowed = -1, .Created = fNow - 400}, true},
        {"never expires but deleted", {.Deleted = true, .DaysAllowed = -1, .Created = fNow - 400}, false},
        {"never used, created 40 days ago, 30 days", {.DaysAllowed = 30, .Created = fNow - 40}, false},
        {"used 5 days ago, 30 days", {.DaysAllowed = 30, .Created = fNow - 40, .LastUse = fNow - 5}, true},
        {"created today, 0 days", {.DaysAllowed = 0, .Created = fNow}, true},
    };
    struct TTicketCase {
        const char* Name;
        TTicketRow Row;
        bool Kept;
    };
    const TTicketCase tickets[] = {
        {"unsold", {.Active = false, .DaysAllowed = 1}, true},
        {"sold 10 days ago, 5 days", {.Active = true, .Activation = fNow - 10, .DaysAllowed = 5}, false},
        {"sold yesterday, 5 days", {.Active = true, .Activation = fNow - 1, .DaysAllowed = 5}, true},
        {"unsold but deleted", {.Deleted = true}, false},
    };
    std::vector<qint64> accountIDs, ticketIDs;
    for (const auto& c : accounts)
        accountIDs.push_back(AddAccount(c.Row));
    for (const auto& c : tickets)
        ticketIDs.push_back(AddTicket(c.Row));
    UseCleaning(true, true, false);

    EXPECT_EQ(fJobs.FreeDataBase(), 4);

    for (size_t i = 0; i < std::size(accounts); ++i)
        EXPECT_EQ(AccountExists(accountIDs[i]), accounts[i].Kept) << accounts[i].Name;
    for (size_t i = 0; i < std::size(tickets); ++i)
        EXPECT_EQ(TicketExists(ticketIDs[i]), tickets[i].Kept) << tickets[i].Name;
}

TEST_P(ServerInitialisations, ExpiredTicketsUnderTheEmptyValueAreMarkedDeleted) {
    fNow = Now();
    const TTicketRow expired{.Active = true, .Activation = fNow - 10, .DaysAllowed = 5};
    TTicketRow almostEmpty = expired, notEmpty = expired, validEmpty = expired;
    almostEmpty.Credit = 59;
    notEmpty.Credit = 60;
    validEmpty.Credit = 0;
    validEmpty.Activation = fNow;
    const qint64 marked = AddTicket(almostEmpty);
    const qint64 kept = AddTicket(notEmpty);
    const qint64 valid = AddTicket(validEmpty);
    UseCleaning(false, false, true);
    fConfig.SetDB_EmptyTicketsValue(60);

    EXPECT_EQ(fJobs.FreeDataBase(), 1);

    EXPECT_TRUE(TicketDeleted(marked));
    EXPECT_FALSE(TicketDeleted(kept));
    EXPECT_FALSE(TicketDeleted(valid));
    EXPECT_TRUE(TicketExists(marked));
}

TEST_P(ServerInitialisations, ACleaningWithEverythingOffStillRecordsTheDay) {
    const qint64 ticket = AddTicket({.Deleted = true});
    UseCleaning(false, false, false);
    EXPECT_EQ(fJobs.FreeDataBase(), 0);
    EXPECT_TRUE(TicketExists(ticket));
    EXPECT_EQ(fConfig.GetDB_LastCleanDate(), EncodeDate(2011, 7, 20));
}

TEST_P(ServerInitialisations, TheAutomaticCleaningWaitsWhenSwitchedOff) {
    const qint64 ticket = AddTicket({.Deleted = true});
    fConfig.SetDB_AutoClean(false);
    fJobs.AutomaticFreeDataBase();
    EXPECT_TRUE(TicketExists(ticket));
    EXPECT_EQ(fConfig.GetDB_LastCleanDate(), 0);
}

TEST_P(ServerInitialisations, AFailingCleaningKeepsItsDate) {
    AddTicket({.Deleted = true});
    Refuse(fDb, u"DELETE"_s, u"tblTickets"_s);
    for (auto clean : {+[](TZRVServerInitialisations& j) { j.FreeDataBase(); },
                       +[](TZRVServerInitialisations& j) { j.AutomaticFreeDataBase(); }}) {
        EXPECT_THROW(clean(fJobs), EZRVError);
        EXPECT_EQ(fConfig.GetDB_LastCleanDate(), 0);
    }
}

ZRV_ON_BOTH_ENGINES(ServerInitialisations);
ZRV_ON_BOTH_ENGINES(ServerInitialisationsOnWorker);

} // namespace
