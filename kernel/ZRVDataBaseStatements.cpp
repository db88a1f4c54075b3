#include "ZRVDataBaseStatements.h"

#include "ZRVCommon.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

void ZRVDataBaseFail(const QString& aText) {
    throw EZRVError(u"ZRVDatabase error:\r\n"_s + aText);
}

QVariant ZRVBindable(const QVariant& aValue) {
    if (aValue.typeId() == QMetaType::QString && aValue.toString().isNull())
        return QVariant(u""_s);
    if (aValue.typeId() == QMetaType::Bool)
        return QVariant(int(aValue.toBool()));
    return aValue;
}

namespace {

bool IsPostgreSql(const QSqlDatabase& aDb) {
    return aDb.driverName() == u"QPSQL"_s;
}

// The engine's own connection under an open connection of Qt's.
const void* HandleOf(const QSqlDatabase& aDb) {
    const QVariant handle = aDb.driver()->handle();
    return handle.isValid() ? *static_cast<const void* const*>(handle.constData()) : nullptr;
}

// SQLite's reason with what failed, worded as Qt's driver words them.
[[noreturn]] void FailOn(sqlite3* aDb, const QString& aWhat) {
    ZRVDataBaseFail(QString::fromUtf16(static_cast<const char16_t*>(sqlite3_errmsg16(aDb))) + u' ' + aWhat);
}

sqlite3_stmt* Prepare(sqlite3* aDb, const QString& aSql) {
    sqlite3_stmt* statement = nullptr;
    const void* tail = nullptr;
    if (sqlite3_prepare16_v2(aDb, aSql.utf16(), int((aSql.size() + 1) * qsizetype(sizeof(QChar))), &statement,
                             &tail) != SQLITE_OK) {
        sqlite3_finalize(statement);
        FailOn(aDb, u"Unable to execute statement"_s);
    }
    if (tail && !QString::fromUtf16(static_cast<const char16_t*>(tail)).trimmed().isEmpty()) {
        sqlite3_finalize(statement);
        FailOn(aDb, u"Unable to execute multiple statements at a time"_s);
    }
    return statement;
}

// Qt's driver takes a QString, a QByteArray or a date and time that is null for NULL.
bool IsNull(const QVariant& aValue) {
    if (aValue.isNull())
        return true;
    switch (aValue.typeId()) {
    case QMetaType::QString:
        return static_cast<const QString*>(aValue.constData())->isNull();
    case QMetaType::QByteArray:
        return static_cast<const QByteArray*>(aValue.constData())->isNull();
    case QMetaType::QDateTime:
        return static_cast<const QDateTime*>(aValue.constData())->isNull();
    case QMetaType::QDate:
        return static_cast<const QDate*>(aValue.constData())->isNull();
    case QMetaType::QTime:
        return static_cast<const QTime*>(aValue.constData())->isNull();
    default:
        return false;
    }
}

int BindText(sqlite3_stmt* aStatement, int aIndex, const QString& aText) {
    return sqlite3_bind_text16(aStatement, aIndex, aText.utf16(),
                               int(aText.size() * qsizetype(sizeof(QChar))), SQLITE_TRANSIENT);
}

// Binds a value with the type Qt's driver gives it.
int Bind(sqlite3_stmt* aStatement, int aIndex, const QVariant& aValue) {
    if (IsNull(aValue))
        return sqlite3_bind_null(aStatement, aIndex);
    switch (aValue.typeId()) {
    case QMetaType::QByteArray: {
        const auto* bytes = static_cast<const QByteArray*>(aValue.constData());
        return sqlite3_bind_blob(aStatement, aIndex, bytes->constData(), int(bytes->size()),
                                 SQLITE_TRANSIENT);
    }
    case QMetaType::Int:
    case QMetaType::Bool:
        return sqlite3_bind_int(aStatement, aIndex, aValue.toInt());
    case QMetaType::Double:
        return sqlite3_bind_double(aStatement, aIndex, aValue.toDouble());
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return sqlite3_bind_int64(aStatement, aIndex, aValue.toLongLong());
    case QMetaType::QDateTime:
        return BindText(aStatement, aIndex, aValue.toDateTime().toString(Qt::ISODateWithMs));
    case QMetaType::QTime:
        return BindText(aStatement, aIndex, aValue.toTime().toString(u"hh:mm:ss.zzz"_s));
    case QMetaType::QString:
        return BindText(aStatement, aIndex, *static_cast<const QString*>(aValue.constData()));
    default:
        return BindText(aStatement, aIndex, aValue.toString());
    }
}

} // namespace

QSqlQuery ZRVRunQuery(const QSqlDatabase& aDb, const QString& aSql, const QVariantList& aValues) {
    QSqlQuery q(aDb);
    q.setForwardOnly(true);
    // PostgreSQL prepares only queries and row changes, not the schema's statements nor savepoints.
    if (aValues.isEmpty() && IsPostgreSql(aDb)) {
        if (!q.exec(aSql))
            ZRVDataBaseFail(q.lastError().text());
        return q;
    }
    if (!q.prepare(aSql))
        ZRVDataBaseFail(q.lastError().text());
    for (const QVariant& v : aValues)
        q.addBindValue(ZRVBindable(v));
    if (!q.exec())
        ZRVDataBaseFail(q.lastError().text());
    return q;
}

// =============================================================================================
// Statements and their runs

TZRVStatement::~TZRVStatement() {
    sqlite3_finalize(Handle);
}

TZRVStatementRun::TZRVStatementRun(TZRVStatement* aStatement, std::unique_ptr<TZRVStatement> aOwned)
    : fStatement(aStatement), fOwned(std::move(aOwned)) {
    fStatement->Busy = true;
}

TZRVStatementRun::TZRVStatementRun(TZRVStatementRun&& aOther) noexcept
    : fStatement(std::exchange(aOther.fStatement, nullptr)), fOwned(std::move(aOther.fOwned)),
      fFirstRow(aOther.fFirstRow), fOnRow(aOther.fOnRow), fDone(aOther.fDone) {}

TZRVStatementRun::~TZRVStatementRun() {
    if (!fStatement)
        return;
    if (fStatement->Handle) {
        sqlite3_reset(fStatement->Handle);
        sqlite3_clear_bindings(fStatement->Handle);
    } else {
        fStatement->Query->finish();
    }
    fStatement->Busy = false;
}

TZRVStatementRun TZRVStatementRun::Once(const QSqlDatabase& aDb, const QString& aSql,
                                        const QVariantList& aValues) {
    auto statement = std::make_unique<TZRVStatement>();
    if (IsPostgreSql(aDb) || !aDb.isOpen())
        statement->Query = ZRVRunQuery(aDb, aSql, aValues);
    else
        statement->Handle = Prepare(static_cast<sqlite3*>(const_cast<void*>(HandleOf(aDb))), aSql);
    TZRVStatement* raw = statement.get();
    TZRVStatementRun run(raw, std::move(statement));
    if (raw->Handle)
        run.Start(aValues);
    return run;
}

void TZRVStatementRun::Start(const QVariantList& aValues) {
    if (!fStatement->Handle) {
        QSqlQuery& q = *fStatement->Query;
        for (qsizetype i = 0; i < aValues.size(); ++i)
            q.bindValue(int(i), ZRVBindable(aValues[i]));
        if (!q.exec())
            ZRVDataBaseFail(q.lastError().text());
        return;
    }
    sqlite3_stmt* statement = fStatement->Handle;
    if (aValues.size() != sqlite3_bind_parameter_count(statement))
        ZRVDataBaseFail(u"Parameter count mismatch"_s);
    for (qsizetype i = 0; i < aValues.size(); ++i)
        if (Bind(statement, int(i + 1), ZRVBindable(aValues[i])) != SQLITE_OK)
            FailOn(sqlite3_db_handle(statement), u"Unable to bind parameters"_s);
    const int result = sqlite3_step(statement);
    if (result == SQLITE_ROW) {
        fFirstRow = true;
        return;
    }
    if (result == SQLITE_DONE) {
        sqlite3_reset(statement);
        fDone = true;
        return;
    }
    // As Qt's driver: a generic error tells its reason once the statement is reset.
    sqlite3* db = sqlite3_db_handle(statement);
    if (result == SQLITE_ERROR || result == SQLITE_CONSTRAINT) {
        sqlite3_reset(statement);
        FailOn(db, u"Unable to fetch row"_s);
    }
    const QString reason = QString::fromUtf16(static_cast<const char16_t*>(sqlite3_errmsg16(db)));
    sqlite3_reset(statement);
    ZRVDataBaseFail(reason + u" Unable to fetch row"_s);
}

bool TZRVStatementRun::Step() {
    // As with Qt's driver, a failure past the first row ends the rows.
    if (sqlite3_step(fStatement->Handle) == SQLITE_ROW)
        return true;
    sqlite3_reset(fStatement->Handle);
    fDone = true;
    return false;
}

bool TZRVStatementRun::Next() {
    if (!fStatement->Handle)
        return fStatement->Query->next();
    if (fFirstRow) {
        fFirstRow = false;
        fOnRow = true;
    } else {
        fOnRow = !fDone && Step();
    }
    return fOnRow;
}

void TZRVStatementRun::KnowColumns() const {
    if (fStatement->ColumnsKnown)
        return;
    QStringList names;
    if (fStatement->Handle) {
        for (int i = 0; i < sqlite3_column_count(fStatement->Handle); ++i)
            names << QString::fromUtf16(
                static_cast<const char16_t*>(sqlite3_column_name16(fStatement->Handle, i)));
    } else {
        const QSqlRecord record = fStatement->Query->record();
        for (int i = 0; i < record.count(); ++i)
            names << record.fieldName(i);
    }
    // Each name leads to the first column of that name, whatever its letter case.
    for (int i = 0; i < names.size(); ++i) {
        int first = 0;
        while (names[first].compare(names[i], Qt::CaseInsensitive) != 0)
            ++first;
        fStatement->Columns.emplace(names[i], first);
    }
    fStatement->ColumnsKnown = true;
}

int TZRVStatementRun::Column(const QString& aName) const {
    KnowColumns();
    auto& columns = fStatement->Columns;
    const auto found = columns.find(aName);
    if (found != columns.end())
        return found->second;
    int position = -1;
    for (const auto& [name, at] : columns)
        if (name.compare(aName, Qt::CaseInsensitive) == 0) {
            position = at;
            break;
        }
    // The name as written is kept too, found at once the next time; a few such names at most.
    if (columns.size() < TZRVStatement::c_MaxColumnNames)
        columns.emplace(aName, position);
    return position;
}

bool TZRVStatementRun::HasValue(int aColumn) const {
    if (!fStatement->Handle)
        return aColumn >= 0 && fStatement->Query->isValid();
    return fOnRow && aColumn >= 0 && aColumn < sqlite3_column_count(fStatement->Handle);
}

QVariant TZRVStatementRun::Value(int aColumn) const {
    if (!HasValue(aColumn))
        return QVariant();
    if (!fStatement->Handle)
        return fStatement->Query->value(aColumn);
    sqlite3_stmt* statement = fStatement->Handle;
    switch (sqlite3_column_type(statement, aColumn)) {
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, aColumn)),
                          sqlite3_column_bytes(statement, aColumn));
    case SQLITE_INTEGER:
        return qint64(sqlite3_column_int64(statement, aColumn));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, aColumn);
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    default:
        return QString(static_cast<const QChar*>(sqlite3_column_text16(statement, aColumn)),
                       sqlite3_column_bytes16(statement, aColumn) / qsizetype(sizeof(QChar)));
    }
}

qint64 TZRVStatementRun::Number(int aColumn) const {
    if (HasValue(aColumn) && fStatement->Handle &&
        sqlite3_column_type(fStatement->Handle, aColumn) == SQLITE_INTEGER)
        return sqlite3_column_int64(fStatement->Handle, aColumn);
    return Value(aColumn).toLongLong();
}

double TZRVStatementRun::Real(int aColumn) const {
    if (HasValue(aColumn) && fStatement->Handle) {
        const int type = sqlite3_column_type(fStatement->Handle, aColumn);
        if (type == SQLITE_FLOAT)
            return sqlite3_column_double(fStatement->Handle, aColumn);
        if (type == SQLITE_INTEGER)
            return double(sqlite3_column_int64(fStatement->Handle, aColumn));
    }
    return Value(aColumn).toDouble();
}

QString TZRVStatementRun::Text(int aColumn) const {
    // SQLite keeps texts in UTF-8: read as such, they need no conversion of SQLite's own.
    if (HasValue(aColumn) && fStatement->Handle &&
        sqlite3_column_type(fStatement->Handle, aColumn) == SQLITE_TEXT)
        return QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(fStatement->Handle, aColumn)),
            sqlite3_column_bytes(fStatement->Handle, aColumn));
    return Value(aColumn).toString();
}

int TZRVStatementRun::Changes() const {
    if (!fStatement->Handle)
        return fStatement->Query->numRowsAffected();
    return sqlite3_changes(sqlite3_db_handle(fStatement->Handle));
}

qint64 TZRVStatementRun::LastInsertId() const {
    if (!fStatement->Handle)
        return fStatement->Query->lastInsertId().toLongLong();
    return sqlite3_last_insert_rowid(sqlite3_db_handle(fStatement->Handle));
}

// =============================================================================================
// The statements of a connection

TZRVStatements::~TZRVStatements() {
    Forget();
}

void TZRVStatements::Forget() {
    fKept.clear();
    fOn = nullptr;
}

TZRVStatementRun TZRVStatements::Run(const QSqlDatabase& aDb, const QString& aSql,
                                     const QVariantList& aValues) {
    Follow(aDb);
    if (aValues.isEmpty() && fPostgreSql)
        return TZRVStatementRun::Once(aDb, aSql, aValues);
    TZRVStatement* statement = Kept(aDb, aSql);
    if (!statement)
        return TZRVStatementRun::Once(aDb, aSql, aValues);
    TZRVStatementRun run(statement, nullptr);
    run.Start(aValues);
    return run;
}

void TZRVStatements::Follow(const QSqlDatabase& aDb) {
    const void* on = HandleOf(aDb);
    if (on == fOn)
        return;
    Forget();
    fOn = on;
    fPostgreSql = IsPostgreSql(aDb);
}

TZRVStatement* TZRVStatements::Kept(const QSqlDatabase& aDb, const QString& aSql) {
    const auto found = fKept.find(aSql);
    if (found != fKept.end())
        return found->second->Busy ? nullptr : found->second.get();
    if (fKept.size() >= c_MaxKept)
        return nullptr;
    auto statement = std::make_unique<TZRVStatement>();
    if (fPostgreSql) {
        QSqlQuery& q = statement->Query.emplace(aDb);
        q.setForwardOnly(true);
        if (!q.prepare(aSql))
            ZRVDataBaseFail(q.lastError().text());
    } else {
        statement->Handle = Prepare(static_cast<sqlite3*>(const_cast<void*>(fOn)), aSql);
    }
    return fKept.emplace(aSql, std::move(statement)).first->second.get();
}
