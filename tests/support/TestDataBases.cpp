#include "support/TestDataBases.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <atomic>
#include <sstream>

namespace zrvtest {

namespace {

QString UniqueName(const QString& aPrefix) {
    static std::atomic<int> counter{0};
    return aPrefix + QString::number(QCoreApplication::applicationPid()) + u'_' + QString::number(++counter);
}

// Runs one statement on the server's administration database through a connection of its own;
// the server's error, or empty.
QString RunOnServer(const QString& aStatement) {
    const QUrl server(PostgreSqlTestServer());
    const QString connection = UniqueName(QStringLiteral("zrvtest-admin-"));
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        db.setHostName(server.host());
        db.setPort(server.port(-1));
        db.setUserName(server.userName());
        db.setDatabaseName(server.path().mid(1));
        if (!db.open())
            error = db.lastError().text();
        else if (QSqlQuery q(db); !q.exec(aStatement))
            error = q.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return error;
}

} // namespace

QString PostgreSqlTestServer() {
    return qEnvironmentVariable("ZRV_TEST_PG");
}

TestDataBase::TestDataBase(ZRVSql::TEngine aEngine) : fEngine(aEngine) {
    if (fEngine == ZRVSql::TEngine::PostgreSql && PostgreSqlTestServer().isEmpty())
        fUnavailable = QStringLiteral("ZRV_TEST_PG is not set: no PostgreSQL server to test on");
    else
        fName = Other(QStringLiteral("cafe.db"));
}

TestDataBase::~TestDataBase() {
    DropAll();
}

QString TestDataBase::Other(const QString& aFileName) {
    if (fEngine == ZRVSql::TEngine::Sqlite)
        return fDir.filePath(aFileName);
    const QString name = UniqueName(QStringLiteral("zrv_test_"));
    // The name is the test's own, of letters, digits and underscores only.
    if (const QString error = RunOnServer(QStringLiteral("CREATE DATABASE ") + name); !error.isEmpty()) {
        fUnavailable = QStringLiteral("The PostgreSQL test server refused a database: ") + error;
        return QString();
    }
    fCreated << name;
    QUrl address(PostgreSqlTestServer());
    address.setPath(u'/' + name);
    return address.toString();
}

void TestDataBase::DropAll() {
    for (const QString& name : std::as_const(fCreated))
        RunOnServer(QStringLiteral("DROP DATABASE IF EXISTS ") + name + QStringLiteral(" WITH (FORCE)"));
    fCreated.clear();
}

void BothEngines::Refuse(TZRVCustomDataBase& aDb, const QString& aEvent, const QString& aTable,
                         const QString& aWhen) const {
    static std::atomic<int> counter{0};
    const QString trigger = QStringLiteral("refuse") + QString::number(++counter);
    const QString on = u' ' + aEvent + QStringLiteral(" ON ") + ZRVSql::Name(aTable);
    if (!OnPostgreSql()) {
        aDb.ExecuteSQLAction(QStringLiteral("CREATE TRIGGER ") + trigger + QStringLiteral(" BEFORE") + on +
                             QStringLiteral(" WHEN ") + aWhen +
                             QStringLiteral(" BEGIN SELECT RAISE(ABORT, 'refused by the test'); END"));
        return;
    }
    aDb.ExecuteSQLAction(
        QStringLiteral("CREATE OR REPLACE FUNCTION zrv_refuse() RETURNS trigger LANGUAGE plpgsql "
                       "AS $$ BEGIN RAISE EXCEPTION 'refused by the test'; END $$"));
    aDb.ExecuteSQLAction(QStringLiteral("CREATE TRIGGER ") + trigger + QStringLiteral(" BEFORE") + on +
                         QStringLiteral(" FOR EACH ROW WHEN (") + aWhen +
                         QStringLiteral(") EXECUTE FUNCTION zrv_refuse()"));
}

std::string EngineName(const ::testing::TestParamInfo<ZRVSql::TEngine>& aInfo) {
    std::ostringstream name;
    ZRVSql::PrintTo(aInfo.param, &name);
    return name.str();
}

} // namespace zrvtest
