#pragma once
// A fresh database of its own for one test, on either engine: an SQLite file in a temporary
// folder, or a PostgreSQL database created on the server ZRV_TEST_PG names
// (postgresql://user@host:port/dbname of a role that may create databases) and dropped after.
// Fixtures take the engine as their parameter, so that one set of cases runs on both; without
// ZRV_TEST_PG the PostgreSQL cases are skipped with a message.

#include "ZRVDataBase.h"

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <ostream>

namespace zrvtest {

// The server's address for the tests, or empty.
QString PostgreSqlTestServer();

class TestDataBase {
public:
    explicit TestDataBase(ZRVSql::TEngine aEngine);
    ~TestDataBase();
    TestDataBase(const TestDataBase&) = delete;
    TestDataBase& operator=(const TestDataBase&) = delete;

    // Why the database could not be made (no server for the engine, or the server's refusal);
    // empty when Name() is ready.
    const QString& Unavailable() const { return fUnavailable; }
    // What TZRVDataBase::SetDBName takes.
    const QString& Name() const { return fName; }
    // Another database of the same engine, for a test that needs two.
    QString Other(const QString& aFileName);

private:
    void DropAll();

    ZRVSql::TEngine fEngine;
    QTemporaryDir fDir;
    QString fName;
    QString fUnavailable;
    QStringList fCreated;
};

// The base of the fixtures that run on both engines: fDbName is a fresh database of the engine.
class BothEngines : public ::testing::TestWithParam<ZRVSql::TEngine> {
protected:
    void SetUp() override {
        if (!fTestDb.Unavailable().isEmpty())
            GTEST_SKIP() << fTestDb.Unavailable().toStdString();
        fDbName = fTestDb.Name();
    }
    bool OnPostgreSql() const { return GetParam() == ZRVSql::TEngine::PostgreSql; }
    // Makes every aEvent (INSERT, UPDATE, DELETE) on aTable for which aWhen holds (NEW and OLD name
    // the rows, names quoted) fail with "refused by the test".
    void Refuse(TZRVCustomDataBase& aDb, const QString& aEvent, const QString& aTable,
                const QString& aWhen = QStringLiteral("1 = 1")) const;

    TestDataBase fTestDb{GetParam()};
    QString fDbName;
};

// The same with fDb open on that database. A fixture's own SetUp goes on after this one's unless
// IsSkipped() or HasFatalFailure().
class OpenBothEngines : public BothEngines {
protected:
    void SetUp() override {
        BothEngines::SetUp();
        if (IsSkipped())
            return;
        fDb.SetDBName(fDbName);
        ASSERT_TRUE(fDb.Open());
    }

    TZRVDataBase fDb;
};

std::string EngineName(const ::testing::TestParamInfo<ZRVSql::TEngine>& aInfo);

} // namespace zrvtest

// Runs the fixture's TEST_P cases on SQLite and on PostgreSQL.
#define ZRV_ON_BOTH_ENGINES(Fixture)                                                                         \
    INSTANTIATE_TEST_SUITE_P(, Fixture,                                                                      \
                             ::testing::Values(ZRVSql::TEngine::Sqlite, ZRVSql::TEngine::PostgreSql),        \
                             zrvtest::EngineName)

namespace ZRVSql {
// Names the engine in gtest's messages.
inline void PrintTo(TEngine aEngine, std::ostream* aOut) {
    *aOut << (aEngine == TEngine::PostgreSql ? "PostgreSql" : "Sqlite");
}
} // namespace ZRVSql
