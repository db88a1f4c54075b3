#pragma once
// The statements a database connection keeps prepared, and the runs of statements. On SQLite a
// statement runs straight on the connection's handle; on PostgreSQL through Qt's driver, which
// keeps a prepared statement on the server for each query kept. Both report failures with the
// texts Qt's drivers give, so that a caller cannot tell the two ways apart.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

// Raises EZRVError with the database's prefix before aText.
[[noreturn]] void ZRVDataBaseFail(const QString& aText);

// A value as it is bound: texts never go in as NULL, so that an empty text compares equal to an
// empty text; yes/no values go in as 1 or 0, which integer columns of every engine take.
QVariant ZRVBindable(const QVariant& aValue);

// Runs aSql with aValues bound through Qt's driver; raises EZRVError when it fails.
QSqlQuery ZRVRunQuery(const QSqlDatabase& aDb, const QString& aSql, const QVariantList& aValues);

// A quick hash of texts for the tables of statements and columns, which look the same few texts
// up over and over: Qt's own is made to resist hostile keys and costs far more. It takes four
// characters at a time.
struct TZRVTextHash {
    std::size_t operator()(QStringView aText) const noexcept {
        const char16_t* text = aText.utf16();
        const std::size_t size = std::size_t(aText.size());
        std::uint64_t hash = size * 0x9E3779B97F4A7C15ull;
        std::size_t i = 0;
        for (; i + 4 <= size; i += 4) {
            std::uint64_t chunk;
            std::memcpy(&chunk, text + i, sizeof chunk);
            hash = Mix(hash ^ chunk);
        }
        for (; i < size; ++i)
            hash = Mix(hash ^ text[i]);
        return std::size_t(hash);
    }
    std::size_t operator()(const QStringList& aTexts) const noexcept {
        std::size_t hash = 0;
        for (const QString& text : aTexts)
            hash = hash * 31 + (*this)(text);
        return hash;
    }

private:
    static std::uint64_t Mix(std::uint64_t aValue) noexcept {
        aValue *= 0xFF51AFD7ED558CCDull;
        return aValue ^ (aValue >> 32);
    }
};

// One statement prepared on a connection, and what is known of its columns.
struct TZRVStatement {
    TZRVStatement() = default;
    ~TZRVStatement();
    TZRVStatement(const TZRVStatement&) = delete;
    TZRVStatement& operator=(const TZRVStatement&) = delete;

    sqlite3_stmt* Handle = nullptr;                         // on SQLite
    std::optional<QSqlQuery> Query;                         // on PostgreSQL
    std::unordered_map<QString, int, TZRVTextHash> Columns; // each name's position, once looked up
    // How many names Columns keeps at most: the columns' own, then the names asked for.
    static constexpr std::size_t c_MaxColumnNames = 256;
    bool ColumnsKnown = false;
    bool Busy = false; // a run uses it
};

// One run of a statement with its values bound: the statement has run up to its first row, and
// the rows are read through the run, column by column. The run gives its statement back (and
// SQLite's read lock with it) when it goes. A column named that the statement lacks, or any
// column before the first row and after the last, reads as 0 or as an empty text.
class TZRVStatementRun {
public:
    TZRVStatementRun(TZRVStatementRun&& aOther) noexcept;
    TZRVStatementRun& operator=(TZRVStatementRun&&) = delete;
    TZRVStatementRun(const TZRVStatementRun&) = delete;
    TZRVStatementRun& operator=(const TZRVStatementRun&) = delete;
    ~TZRVStatementRun();

    // Runs a statement prepared for this run alone.
    static TZRVStatementRun Once(const QSqlDatabase& aDb, const QString& aSql, const QVariantList& aValues);

    // Moves to the next row; false after the last.
    bool Next();
    // The position of a column, -1 for none; as Qt's, names compare without regard to case.
    int Column(const QString& aName) const;
    qint64 Number(int aColumn) const;
    double Real(int aColumn) const;
    QString Text(int aColumn) const;
    // The rows the statement changed, and the key an insert gave its row on SQLite.
    int Changes() const;
    qint64 LastInsertId() const;

private:
    friend class TZRVStatements;
    TZRVStatementRun(TZRVStatement* aStatement, std::unique_ptr<TZRVStatement> aOwned);
    // Binds aValues and runs the statement up to its first row; raises EZRVError when it fails.
    void Start(const QVariantList& aValues);
    // Steps SQLite's statement; false at the end, or on a failure (kept in fError).
    bool Step();
    // The column as Qt's SQLite driver gives it.
    QVariant Value(int aColumn) const;
    bool HasValue(int aColumn) const;
    void KnowColumns() const;

    TZRVStatement* fStatement;
    std::unique_ptr<TZRVStatement> fOwned;
    bool fFirstRow = false; // the row Start reached is not read yet
    bool fOnRow = false;
    bool fDone = false;
};

// The statements one connection keeps prepared, by their text; the first run of a text prepares
// it. Statements are kept on the connection they were prepared on: Forget finalizes them, and must
// run before that connection closes or goes.
class TZRVStatements {
public:
    TZRVStatements() = default;
    ~TZRVStatements();
    TZRVStatements(const TZRVStatements&) = delete;
    TZRVStatements& operator=(const TZRVStatements&) = delete;

    // Runs aSql with aValues bound on aDb, an open connection. A statement already running, one
    // beyond the number kept, and on PostgreSQL one without values, runs prepared for once.
    TZRVStatementRun Run(const QSqlDatabase& aDb, const QString& aSql, const QVariantList& aValues);
    void Forget();
    // How many statements are kept.
    std::size_t Count() const { return fKept.size(); }

    // The statements one connection keeps at most.
    static constexpr std::size_t c_MaxKept = 256;

private:
    // Forgets the statements when aDb is not the connection they were prepared on.
    void Follow(const QSqlDatabase& aDb);
    TZRVStatement* Kept(const QSqlDatabase& aDb, const QString& aSql);

    std::unordered_map<QString, std::unique_ptr<TZRVStatement>, TZRVTextHash> fKept;
    // The engine's own connection (sqlite3 or PGconn) the statements were prepared on.
    const void* fOn = nullptr;
    bool fPostgreSql = false;
};
