#include "platform/ZRVRegistry.h"

#include "platform/ZRVFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <sqlite3.h>

#include <sys/stat.h>

#include <bit>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <string>

namespace {

// Kinds as the store keeps them, numbered as the Windows registry numbers its value types.
enum TStoredKind { skString = 1, skBinary = 3, skInteger = 4 };

constexpr int c_SchemaVersion = 1;
constexpr int c_BusyTimeoutMs = 5000;

const char* const c_Schema = "CREATE TABLE IF NOT EXISTS reg_key("
                             " id INTEGER PRIMARY KEY,"
                             " path TEXT NOT NULL,"
                             " fold TEXT NOT NULL UNIQUE);"
                             "CREATE TABLE IF NOT EXISTS reg_value("
                             " id INTEGER PRIMARY KEY,"
                             " key_id INTEGER NOT NULL REFERENCES reg_key(id),"
                             " name TEXT NOT NULL,"
                             " fold TEXT NOT NULL,"
                             " kind INTEGER NOT NULL,"
                             " data,"
                             " UNIQUE(key_id, fold));"
                             "PRAGMA user_version = 1;";

// The keys below ?1, a folded path. Folded paths compare as UTF-8 bytes, so the keys below "a\b"
// are exactly those from "a\b\" up to, not including, "a\b]" ("]" follows "\").
const std::string c_Below = "(fold >= ?1 || '\\' AND fold < ?1 || ']')";
// The key ?1 and every key below it.
const std::string c_Subtree = "(fold = ?1 OR " + c_Below + ")";

// Any failure of the store itself: no rights, a damaged or foreign file, a lock held too long.
struct StoreFailure {};

QString Fold(const QString& aText) {
    return aText.toCaseFolded();
}

QString StoreFolder(TZRVRootKey aRootKey) {
    if (aRootKey == TZRVRootKey::HKEY_LOCAL_MACHINE || qEnvironmentVariableIsSet("ZRV_REGISTRY_DIR"))
        return ZRVMachineFolder("ZRV_REGISTRY_DIR");
    return ZRVUserFolder();
}

void Check(int aResult) {
    if (aResult != SQLITE_OK)
        throw StoreFailure();
}

// Prepared statements of a kept connection that no one uses now, ready to run again.
class StatementPool {
public:
    StatementPool() = default;
    StatementPool(const StatementPool&) = delete;
    StatementPool& operator=(const StatementPool&) = delete;
    ~StatementPool() {
        for (const auto& [sql, statement] : fIdle)
            sqlite3_finalize(statement);
    }
    sqlite3_stmt* Take(const std::string& aSql) {
        const auto found = fIdle.find(aSql);
        if (found == fIdle.end())
            return nullptr;
        sqlite3_stmt* statement = found->second;
        fIdle.erase(found);
        return statement;
    }
    void Give(const std::string& aSql, sqlite3_stmt* aStatement) {
        sqlite3_reset(aStatement);
        sqlite3_clear_bindings(aStatement);
        fIdle.emplace(aSql, aStatement);
    }

private:
    std::multimap<std::string, sqlite3_stmt*> fIdle;
};

class Statement {
public:
    // With a pool, the statement comes from it when it holds one and goes back to it afterwards.
    Statement(sqlite3* aDb, const std::string& aSql, StatementPool* aPool = nullptr)
        : fPool(aPool), fSql(aPool ? aSql : std::string()) {
        fStmt = aPool ? aPool->Take(aSql) : nullptr;
        if (!fStmt && sqlite3_prepare_v2(aDb, aSql.c_str(), -1, &fStmt, nullptr) != SQLITE_OK) {
            sqlite3_finalize(fStmt);
            throw StoreFailure();
        }
    }
    ~Statement() {
        if (fPool)
            fPool->Give(fSql, fStmt);
        else
            sqlite3_finalize(fStmt);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& BindText(int aIndex, const QString& aValue) {
        const QByteArray utf8 = aValue.toUtf8();
        Check(sqlite3_bind_text(fStmt, aIndex, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement& BindInt(int aIndex, qint64 aValue) {
        Check(sqlite3_bind_int64(fStmt, aIndex, aValue));
        return *this;
    }
    Statement& BindBlob(int aIndex, const QByteArray& aValue) {
        // constData() is never null, so an empty array stays a zero-length blob rather than NULL.
        Check(sqlite3_bind_blob(fStmt, aIndex, aValue.constData(), int(aValue.size()), SQLITE_TRANSIENT));
        return *this;
    }
    // True while rows come; false when the statement is done.
    bool Step() {
        const int result = sqlite3_step(fStmt);
        if (result == SQLITE_ROW)
            return true;
        if (result == SQLITE_DONE)
            return false;
        throw StoreFailure();
    }
    int Type(int aColumn) const { return sqlite3_column_type(fStmt, aColumn); }
    qint64 Int(int aColumn) const { return sqlite3_column_int64(fStmt, aColumn); }
    QByteArray Bytes(int aColumn) const {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(fStmt, aColumn));
        return QByteArray(data, sqlite3_column_bytes(fStmt, aColumn));
    }
    QString Text(int aColumn) const { return QString::fromUtf8(Bytes(aColumn)); }

private:
    StatementPool* fPool;
    std::string fSql;
    sqlite3_stmt* fStmt = nullptr;
};

struct Closer {
    void operator()(sqlite3* aDb) const { sqlite3_close(aDb); } // rolls back what was not committed
};
using TDbHandle = std::unique_ptr<sqlite3, Closer>;

TDbHandle OpenFile(const QString& aFile, int aFlags) {
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(QFile::encodeName(aFile).constData(), &db, aFlags, nullptr);
    TDbHandle handle(db);
    Check(opened);
    sqlite3_busy_timeout(db, c_BusyTimeoutMs);
    return handle;
}

int UserVersion(sqlite3* aDb, StatementPool* aPool) {
    Statement query(aDb, "PRAGMA user_version", aPool);
    return query.Step() ? int(query.Int(0)) : 0;
}

// Readers keep one read-only connection per file and thread (a few files at most): opening the file
// costs far more than a lookup, and the workstation reads its settings every few seconds. SQLite
// shows every read the writes committed since, by any process; a file deleted or replaced since is
// opened again.
struct KeptReader {
    TDbHandle Db; // closed after the pool's statements are finalized
    dev_t Device;
    ino_t Inode;
    int Version = 0; // read once set up: only a new file (another inode) starts empty
    StatementPool Statements;
};

class ReadConnections {
public:
    std::shared_ptr<KeptReader> For(const QString& aFile) {
        struct stat now {};
        if (::stat(QFile::encodeName(aFile).constData(), &now) != 0) {
            fOpen.erase(aFile);
            return nullptr;
        }
        auto found = fOpen.find(aFile);
        if (found != fOpen.end() &&
            (found->second->Device != now.st_dev || found->second->Inode != now.st_ino)) {
            fOpen.erase(found);
            found = fOpen.end();
        }
        if (found == fOpen.end()) {
            if (fOpen.size() >= c_MaxKept) // the stores of earlier folders are not read again
                fOpen.clear();
            auto reader = std::make_shared<KeptReader>();
            reader->Db = OpenFile(aFile, SQLITE_OPEN_READONLY);
            reader->Device = now.st_dev;
            reader->Inode = now.st_ino;
            found = fOpen.emplace(aFile, std::move(reader)).first;
        }
        return found->second;
    }

private:
    static constexpr size_t c_MaxKept = 4;
    // Shared with the operations under way, which may outlive a replaced file's entry.
    std::map<QString, std::shared_ptr<KeptReader>> fOpen;
};

// One opened store for one operation. A writer works on a connection of its own inside one
// transaction, committed by Commit() and rolled back otherwise; a reader of a store that does not
// exist yet sees it empty.
class Store {
public:
    Store(TZRVRootKey aRootKey, bool aWrite) {
        const QString file = TZRVRegistry::StoreFile(aRootKey);
        if (!aWrite) {
            thread_local ReadConnections connections;
            fReader = connections.For(file);
            if (!fReader)
                return;
            fDb = fReader->Db.get();
        } else {
            QDir().mkpath(QFileInfo(file).absolutePath());
            fWriter = OpenFile(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            fDb = fWriter.get();
            Exec("BEGIN IMMEDIATE");
        }
        int version = fReader && fReader->Version ? fReader->Version : UserVersion(fDb, Pool());
        if (fReader)
            fReader->Version = version;
        if (aWrite && version == 0) {
            Exec(c_Schema);
            version = c_SchemaVersion;
        }
        if (!aWrite && version == 0)
            fDb = nullptr; // an empty file, or one still being set up: nothing stored yet
        else if (version != c_SchemaVersion)
            throw StoreFailure();
    }

    bool IsEmpty() const { return !fDb; }
    Statement Prepare(const std::string& aSql) const { return Statement(fDb, aSql, Pool()); }
    void Exec(const char* aSql) const { Check(sqlite3_exec(fDb, aSql, nullptr, nullptr, nullptr)); }
    // The rows the last statement changed.
    int Changes() const { return sqlite3_changes(fDb); }
    void Commit() const { Exec("COMMIT"); }

private:
    StatementPool* Pool() const { return fReader ? &fReader->Statements : nullptr; }

    std::shared_ptr<KeptReader> fReader;
    TDbHandle fWriter;
    sqlite3* fDb = nullptr;
};

bool KeyIn(const Store& aStore, const QString& aPath) {
    if (aPath.isEmpty())
        return true;
    if (aStore.IsEmpty())
        return false;
    return aStore.Prepare("SELECT 1 FROM reg_key WHERE fold = ?1").BindText(1, Fold(aPath)).Step();
}

std::optional<qint64> KeyId(const Store& aStore, const QString& aPath) {
    Statement query = aStore.Prepare("SELECT id FROM reg_key WHERE fold = ?1");
    if (!query.BindText(1, Fold(aPath)).Step())
        return std::nullopt;
    return query.Int(0);
}

// Creates the key and every key above it, the root included, as far as they are missing.
void EnsureKey(const Store& aStore, const QString& aPath) {
    const QStringList parts = aPath.split(u'\\', Qt::SkipEmptyParts);
    for (qsizetype count = 0; count <= parts.size(); ++count) {
        const QString path = parts.first(count).join(u'\\');
        aStore.Prepare("INSERT OR IGNORE INTO reg_key(path, fold) VALUES(?1, ?2)")
            .BindText(1, path)
            .BindText(2, Fold(path))
            .Step();
    }
}

QVariant DecodeData(const Statement& aQuery, TZRVRegDataType aType) {
    const int column = 1;
    const int type = aQuery.Type(column);
    switch (aType) {
    case TZRVRegDataType::rdInteger: {
        const qint64 value = aQuery.Int(column);
        const bool fits =
            value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
        return type == SQLITE_INTEGER && fits ? QVariant(int(value)) : QVariant();
    }
    case TZRVRegDataType::rdString:
        return type == SQLITE_TEXT ? QVariant(aQuery.Text(column)) : QVariant();
    case TZRVRegDataType::rdBinary:
        return type == SQLITE_BLOB || type == SQLITE_NULL ? QVariant(aQuery.Bytes(column)) : QVariant();
    case TZRVRegDataType::rdUnknown:
        break;
    }
    return QVariant();
}

TZRVRegDataType TypeOfKind(qint64 aKind) {
    switch (aKind) {
    case skString:
        return TZRVRegDataType::rdString;
    case skBinary:
        return TZRVRegDataType::rdBinary;
    case skInteger:
        return TZRVRegDataType::rdInteger;
    default:
        return TZRVRegDataType::rdUnknown;
    }
}

TStoredKind KindOfType(TZRVRegDataType aType) {
    switch (aType) {
    case TZRVRegDataType::rdString:
        return skString;
    case TZRVRegDataType::rdInteger:
        return skInteger;
    default:
        return skBinary;
    }
}

void BindData(Statement& aStatement, int aIndex, const QVariant& aData) {
    switch (aData.typeId()) {
    case QMetaType::Int:
        aStatement.BindInt(aIndex, aData.toInt());
        break;
    case QMetaType::QString:
        aStatement.BindText(aIndex, aData.toString());
        break;
    default:
        aStatement.BindBlob(aIndex, aData.toByteArray());
        break;
    }
}

ERegistryException Failure(const char* aFormat, const QString& aName) {
    return ERegistryException(QString::fromLatin1(aFormat).arg(aName));
}

// Runs aWork; a failure of the store gives aFallback.
template <typename T, typename Work> T OrFallback(Work aWork, T aFallback) {
    try {
        return aWork();
    } catch (const StoreFailure&) {
        return aFallback;
    }
}

} // namespace

TZRVRegistry::TZRVRegistry(TZRVRootKey aRootKey) : fRootKey(aRootKey) {}

void TZRVRegistry::SetRootKey(TZRVRootKey aRootKey) {
    CloseKey();
    fRootKey = aRootKey;
}

QString TZRVRegistry::StoreFile(TZRVRootKey aRootKey) {
    const QString name = aRootKey == TZRVRootKey::HKEY_LOCAL_MACHINE ? QStringLiteral("machine.db")
                                                                     : QStringLiteral("user.db");
    return QDir(StoreFolder(aRootKey)).filePath(name);
}

QString TZRVRegistry::Resolve(const QString& aKey) const {
    QStringList parts;
    if (fKeyOpen && !aKey.startsWith(u'\\'))
        parts = fCurrentPath.split(u'\\', Qt::SkipEmptyParts);
    parts += aKey.split(u'\\', Qt::SkipEmptyParts);
    return parts.join(u'\\');
}

bool TZRVRegistry::SelectKey(const QString& aPath, bool aCreate, bool aReadOnly) {
    fFound.reset();
    const bool found = OrFallback(
        [&] {
            const Store store(fRootKey, aCreate);
            if (!aCreate)
                return KeyIn(store, aPath);
            EnsureKey(store, aPath);
            store.Commit();
            return true;
        },
        false);
    if (found) {
        fCurrentPath = aPath;
        fKeyOpen = true;
        fKeyReadOnly = aReadOnly;
    }
    return found;
}

bool TZRVRegistry::OpenKey(const QString& aKey, bool aCanCreate) {
    return SelectKey(Resolve(aKey), aCanCreate, false);
}

bool TZRVRegistry::OpenKeyReadOnly(const QString& aKey) {
    return SelectKey(Resolve(aKey), false, true);
}

bool TZRVRegistry::OpenKeyToRead(const QString& aKey, const QString& aName) {
    const QString path = Resolve(aKey);
    if (path.isEmpty())
        return OpenKey(aKey, false);
    std::optional<TFound> found;
    const bool exists = OrFallback(
        [&] {
            const Store store(fRootKey, false);
            if (store.IsEmpty())
                return false;
            Statement query = store.Prepare("SELECT v.kind, v.data FROM reg_key k LEFT JOIN reg_value v"
                                            " ON v.key_id = k.id AND v.fold = ?2 WHERE k.fold = ?1");
            query.BindText(1, Fold(path)).BindText(2, Fold(aName));
            if (!query.Step())
                return false;
            found.emplace(TFound{Fold(aName), std::nullopt});
            if (query.Type(0) != SQLITE_NULL) {
                TStoredValue value;
                value.DataType = TypeOfKind(query.Int(0));
                value.Data = DecodeData(query, value.DataType);
                found->Value = std::move(value);
            }
            return true;
        },
        false);
    if (!exists)
        return false;
    CloseKey();
    fCurrentPath = path;
    fKeyOpen = true;
    fFound = std::move(found);
    return true;
}

void TZRVRegistry::CloseKey() {
    fFound.reset();
    fCurrentPath.clear();
    fKeyOpen = false;
    fKeyReadOnly = false;
}

bool TZRVRegistry::KeyExists(const QString& aKey) const {
    const QString path = Resolve(aKey);
    return OrFallback([&] { return KeyIn(Store(fRootKey, false), path); }, false);
}

bool TZRVRegistry::DeleteKey(const QString& aKey) {
    fFound.reset();
    const QString path = Resolve(aKey);
    if (path.isEmpty())
        return false;
    return OrFallback(
        [&] {
            const Store store(fRootKey, true);
            const QString fold = Fold(path);
            store
                .Prepare("DELETE FROM reg_value WHERE key_id IN (SELECT id FROM reg_key WHERE " + c_Subtree +
                         ")")
                .BindText(1, fold)
                .Step();
            store.Prepare("DELETE FROM reg_key WHERE " + c_Subtree).BindText(1, fold).Step();
            const bool existed = store.Changes() > 0;
            store.Commit();
            return existed;
        },
        false);
}

QStringList TZRVRegistry::GetKeyNames() const {
    const QString fold = fKeyOpen ? Fold(fCurrentPath) : QString();
    const qsizetype prefixSize = fold.isEmpty() ? 0 : fold.size() + 1;
    return OrFallback(
        [&] {
            QStringList names;
            const Store store(fRootKey, false);
            if (store.IsEmpty())
                return names;
            Statement query =
                store.Prepare("SELECT path, fold FROM reg_key WHERE fold <> '' AND (?1 = '' OR " + c_Below +
                              ") ORDER BY fold");
            query.BindText(1, fold);
            while (query.Step()) {
                if (!query.Text(1).mid(prefixSize).contains(u'\\'))
                    names.append(query.Text(0).section(u'\\', -1));
            }
            return names;
        },
        QStringList());
}

std::optional<TZRVRegistry::TStoredValue> TZRVRegistry::FindValue(const QString& aName) const {
    if (!fKeyOpen)
        return std::nullopt;
    if (fFound && fFound->Fold == Fold(aName))
        return fFound->Value;
    const Store store(fRootKey, false);
    if (store.IsEmpty())
        return std::nullopt;
    Statement query = store.Prepare("SELECT v.kind, v.data FROM reg_value v JOIN reg_key k ON k.id = v.key_id"
                                    " WHERE k.fold = ?1 AND v.fold = ?2");
    query.BindText(1, Fold(fCurrentPath)).BindText(2, Fold(aName));
    if (!query.Step())
        return std::nullopt;
    TStoredValue value;
    value.DataType = TypeOfKind(query.Int(0));
    value.Data = DecodeData(query, value.DataType);
    return value;
}

bool TZRVRegistry::ValueExists(const QString& aName) const {
    return OrFallback([&] { return FindValue(aName).has_value(); }, false);
}

TZRVRegDataType TZRVRegistry::GetDataType(const QString& aName) const {
    return OrFallback(
        [&] {
            const auto value = FindValue(aName);
            return value ? value->DataType : TZRVRegDataType::rdUnknown;
        },
        TZRVRegDataType::rdUnknown);
}

QStringList TZRVRegistry::GetValueNames() const {
    if (!fKeyOpen)
        return {};
    return OrFallback(
        [&] {
            QStringList names;
            const Store store(fRootKey, false);
            if (store.IsEmpty())
                return names;
            Statement query = store.Prepare("SELECT v.name FROM reg_value v JOIN reg_key k ON k.id = v.key_id"
                                            " WHERE k.fold = ?1 ORDER BY v.id");
            query.BindText(1, Fold(fCurrentPath));
            while (query.Step())
                names.append(query.Text(0));
            return names;
        },
        QStringList());
}

bool TZRVRegistry::DeleteValue(const QString& aName) {
    fFound.reset();
    if (!fKeyOpen || fKeyReadOnly)
        return false;
    return OrFallback(
        [&] {
            const Store store(fRootKey, true);
            store
                .Prepare("DELETE FROM reg_value WHERE fold = ?2 AND key_id = (SELECT id FROM reg_key WHERE "
                         "fold = ?1)")
                .BindText(1, Fold(fCurrentPath))
                .BindText(2, Fold(aName))
                .Step();
            const bool existed = store.Changes() > 0;
            store.Commit();
            return existed;
        },
        false);
}

std::optional<QVariant> TZRVRegistry::ReadValue(const QString& aName, TZRVRegDataType aType) const {
    std::optional<TStoredValue> value;
    try {
        value = FindValue(aName);
    } catch (const StoreFailure&) {
        throw Failure("Failed to get data for '%1'", aName);
    }
    if (!value)
        return std::nullopt;
    if (value->DataType != aType || !value->Data.isValid())
        throw Failure("Invalid data type for '%1'", aName);
    return value->Data;
}

QVariant TZRVRegistry::GetValue(const QString& aName, TZRVRegDataType aType) const {
    const std::optional<QVariant> data = ReadValue(aName, aType);
    if (!data)
        throw Failure("Failed to get data for '%1'", aName);
    return *data;
}

int TZRVRegistry::ReadInteger(const QString& aName) const {
    return GetValue(aName, TZRVRegDataType::rdInteger).toInt();
}

QString TZRVRegistry::ReadString(const QString& aName) const {
    return ReadValue(aName, TZRVRegDataType::rdString).value_or(QVariant()).toString();
}

QByteArray TZRVRegistry::ReadBinaryData(const QString& aName) const {
    return GetValue(aName, TZRVRegDataType::rdBinary).toByteArray();
}

double TZRVRegistry::ReadFloat(const QString& aName) const {
    const QByteArray bytes = ReadBinaryData(aName);
    if (bytes.size() != qsizetype(sizeof(double)))
        throw Failure("Invalid data type for '%1'", aName);
    const double value = std::bit_cast<double>(qFromLittleEndian<quint64>(bytes.constData()));
    if (!std::isfinite(value))
        throw Failure("Invalid data type for '%1'", aName);
    return value;
}

void TZRVRegistry::PutValue(const QString& aName, TZRVRegDataType aType, const QVariant& aData) {
    fFound.reset();
    try {
        if (!fKeyOpen || fKeyReadOnly)
            throw StoreFailure();
        const Store store(fRootKey, true);
        if (fCurrentPath.isEmpty())
            EnsureKey(store, fCurrentPath);
        const std::optional<qint64> keyId = KeyId(store, fCurrentPath);
        if (!keyId)
            throw StoreFailure(); // removed since it was opened
        Statement insert = store.Prepare("INSERT INTO reg_value(key_id, name, fold, kind, data)"
                                         " VALUES(?1, ?2, ?3, ?4, ?5) ON CONFLICT(key_id, fold)"
                                         " DO UPDATE SET kind = excluded.kind, data = excluded.data");
        insert.BindInt(1, *keyId).BindText(2, aName).BindText(3, Fold(aName)).BindInt(4, KindOfType(aType));
        BindData(insert, 5, aData);
        insert.Step();
        store.Commit();
    } catch (const StoreFailure&) {
        throw Failure("Failed to set data for '%1'", aName);
    }
}

void TZRVRegistry::WriteInteger(const QString& aName, int aValue) {
    PutValue(aName, TZRVRegDataType::rdInteger, QVariant(aValue));
}

void TZRVRegistry::WriteString(const QString& aName, const QString& aValue) {
    PutValue(aName, TZRVRegDataType::rdString, QVariant(aValue));
}

void TZRVRegistry::WriteBinaryData(const QString& aName, const QByteArray& aValue) {
    PutValue(aName, TZRVRegDataType::rdBinary, QVariant(aValue));
}

void TZRVRegistry::WriteFloat(const QString& aName, double aValue) {
    QByteArray bytes(sizeof(double), Qt::Uninitialized);
    qToLittleEndian(std::bit_cast<quint64>(aValue), bytes.data());
    WriteBinaryData(aName, bytes);
}
