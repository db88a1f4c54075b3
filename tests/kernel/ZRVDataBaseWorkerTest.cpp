// The database worker: works run on its own thread in the order they were posted, with its own
// connection; outcomes come back on the asking object's thread, or not at all when it has gone;
// what a work raises comes back as a failure; a work that could not start in time is not run; a
// stop finishes the work in hand and runs nothing more.

#include "ZRVDataBaseWorker.h"
#include "ZRVUserAccount.h"

#include "support/EventLoop.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <future>

using namespace zrvtest;

namespace {

class DataBaseWorker : public ::testing::Test {
protected:
    void SetUp() override {
        fDb.SetDBName(fDir.filePath(QStringLiteral("cafe.db")));
        ASSERT_TRUE(fDb.Open());
        fWorker.SetDataBase(fDb);
        fWorker.Start();
    }

    // A work that holds the worker until the test lets it go.
    void Hold() {
        fWorker.Post(
            &fContext,
            [released = fRelease.get_future().share()](TZRVDataBase&) {
                released.wait();
                return true;
            },
            [](TZRVDataBaseOutcome<bool>) {});
    }
    void Release() { fRelease.set_value(); }

    QTemporaryDir fDir;
    TZRVDataBase fDb;
    TZRVDataBaseWorker fWorker;
    QObject fContext;
    std::promise<void> fRelease;
};

TEST_F(DataBaseWorker, WorksRunInOrderOnTheWorkerWithItsOwnConnection) {
    QList<int> order;
    QList<QThread*> ranOn;
    QList<QThread*> answeredOn;
    for (int i = 0; i < 5; ++i)
        fWorker.Post(
            &fContext,
            [i, &ranOn](TZRVDataBase& aDb) {
                ranOn << QThread::currentThread();
                return std::make_pair(i, aDb.ADOConnection());
            },
            [&](TZRVDataBaseOutcome<std::pair<int, QString>> aOutcome) {
                answeredOn << QThread::currentThread();
                ASSERT_TRUE(aOutcome.Ok());
                order << aOutcome.Value->first;
                EXPECT_NE(aOutcome.Value->second, fDb.ADOConnection());
            });
    ASSERT_TRUE(WaitUntil([&] { return order.size() == 5; }));
    EXPECT_EQ(order, QList<int>({0, 1, 2, 3, 4}));
    EXPECT_NE(ranOn.first(), QThread::currentThread());
    EXPECT_EQ(ranOn.count(ranOn.first()), 5);
    EXPECT_EQ(answeredOn.count(QThread::currentThread()), 5);
}

TEST_F(DataBaseWorker, TheWorkSeesTheSameFile) {
    TZRVUserAccount account;
    account.SetAccountName(QStringLiteral("alice"));
    account.Group()->SetGroupID(1);
    account.SecretQuestion()->SetQuestion(QStringLiteral("Ville natale ?"));
    ASSERT_TRUE(fDb.AddAccount(&account));
    std::optional<int> found;
    fWorker.Post(
        &fContext, [](TZRVDataBase& aDb) { return aDb.AccountExists(QStringLiteral("alice")); },
        [&](TZRVDataBaseOutcome<int> aOutcome) { found = aOutcome.Value; });
    ASSERT_TRUE(WaitUntil([&] { return found.has_value(); }));
    EXPECT_EQ(*found, int(account.AccountID()));
}

TEST_F(DataBaseWorker, AnOutcomeIsDroppedWhenItsContextHasGone) {
    Hold();
    auto context = std::make_unique<QObject>();
    bool answered = false;
    bool ran = false;
    fWorker.Post(
        context.get(),
        [&ran](TZRVDataBase&) {
            ran = true;
            return 1;
        },
        [&](TZRVDataBaseOutcome<int>) { answered = true; });
    context.reset();
    Release();
    ASSERT_TRUE(WaitUntil([&] { return fWorker.Idle(); }));
    RunEventsFor(20);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(answered);
}

TEST_F(DataBaseWorker, WhatAWorkRaisesComesBackAsAFailure) {
    const struct {
        std::function<int(TZRVDataBase&)> Work;
        QString Error;
    } cases[] = {
        {[](TZRVDataBase&) -> int { throw EZRVError(QStringLiteral("refused")); }, "refused"},
        {[](TZRVDataBase& aDb) { return aDb.ExecuteSQLAction(QStringLiteral("NOT SQL")); }, "syntax error"},
        {[](TZRVDataBase&) -> int { throw 42; }, "Unknown error"},
    };
    for (const auto& c : cases) {
        std::optional<TZRVDataBaseOutcome<int>> outcome;
        fWorker.Post(&fContext, c.Work, [&](TZRVDataBaseOutcome<int> aOutcome) { outcome = aOutcome; });
        ASSERT_TRUE(WaitUntil([&] { return outcome.has_value(); }));
        EXPECT_FALSE(outcome->Ok());
        EXPECT_FALSE(outcome->Late);
        EXPECT_TRUE(outcome->Error.contains(c.Error)) << outcome->Error.toStdString();
    }
    // The worker goes on.
    std::optional<int> value;
    fWorker.Post(
        &fContext, [](TZRVDataBase&) { return 7; },
        [&](TZRVDataBaseOutcome<int> aOutcome) { value = aOutcome.Value; });
    ASSERT_TRUE(WaitUntil([&] { return value.has_value(); }));
    EXPECT_EQ(*value, 7);
}

TEST_F(DataBaseWorker, AWorkThatCannotStartInTimeIsNotRun) {
    fWorker.SetDeadline(30);
    Hold();
    bool ran = false;
    std::optional<TZRVDataBaseOutcome<int>> outcome;
    fWorker.Post(
        &fContext,
        [&ran](TZRVDataBase&) {
            ran = true;
            return 1;
        },
        [&](TZRVDataBaseOutcome<int> aOutcome) { outcome = aOutcome; });
    RunEventsFor(60);
    Release();
    ASSERT_TRUE(WaitUntil([&] { return outcome.has_value(); }));
    EXPECT_FALSE(ran);
    EXPECT_TRUE(outcome->Late);
    EXPECT_FALSE(outcome->Ok());
    EXPECT_EQ(outcome->Error, TZRVDataBaseWorker::c_NotServedInTime);
}

TEST_F(DataBaseWorker, AStopFinishesTheWorkInHandAndRunsNothingMore) {
    std::atomic<bool> inHand = false;
    std::atomic<bool> finished = false;
    std::atomic<bool> ranLater = false;
    fWorker.Post(
        &fContext,
        [&](TZRVDataBase&) {
            inHand = true;
            QThread::msleep(50);
            finished = true;
            return 1;
        },
        [](TZRVDataBaseOutcome<int>) {});
    for (int i = 0; i < 3; ++i)
        fWorker.Post(
            &fContext,
            [&](TZRVDataBase&) {
                ranLater = true;
                return 1;
            },
            [](TZRVDataBaseOutcome<int>) {});
    ASSERT_TRUE(WaitUntil([&] { return inHand.load(); }));
    fWorker.Stop();
    EXPECT_TRUE(finished);
    EXPECT_FALSE(ranLater);
    EXPECT_FALSE(fWorker.Running());
    EXPECT_TRUE(fWorker.Idle());

    // Posted to a stopped worker: not run, and told so.
    std::optional<TZRVDataBaseOutcome<int>> outcome;
    fWorker.Post(
        &fContext, [](TZRVDataBase&) { return 1; },
        [&](TZRVDataBaseOutcome<int> aOutcome) { outcome = aOutcome; });
    ASSERT_TRUE(WaitUntil([&] { return outcome.has_value(); }));
    EXPECT_TRUE(outcome->Late);
}

TEST_F(DataBaseWorker, ADataBaseThatDoesNotOpenFailsEachWorkWithItsReason) {
    fWorker.Stop();
    TZRVDataBase wrong;
    wrong.Assign(fDb);
    wrong.SetPassword(QStringLiteral("not the one"));
    fWorker.SetDataBase(wrong);
    fWorker.Start();
    std::optional<TZRVDataBaseOutcome<int>> outcome;
    fWorker.Post(
        &fContext, [](TZRVDataBase&) { return 1; },
        [&](TZRVDataBaseOutcome<int> aOutcome) { outcome = aOutcome; });
    ASSERT_TRUE(WaitUntil([&] { return outcome.has_value(); }));
    EXPECT_FALSE(outcome->Ok());
    EXPECT_FALSE(outcome->Late);
    EXPECT_FALSE(outcome->Error.isEmpty());
}

} // namespace
