#include "ZRVDataBase.h"

#include "ZRVDataBaseStatements.h"
#include "ZRVGroup.h"
#include "ZRVMachine.h"
#include "ZRVUserAccount.h"
#include "ZRVUserTicket.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QVarLengthArray>

#include <algorithm>
#include <atomic>
#include <limits>
#include <span>
#include <unordered_map>

using namespace Qt::StringLiterals;
using ZRVSql::Name;

const QString c_SqlDeleteTickets = ZRVSql::c_DeleteDeletedTickets;
const QString c_SqlDeleteAccounts = ZRVSql::c_DeleteDeletedAccounts;

namespace {

const QString c_SchemaVersionName = u"SchemaVersion"_s;
constexpr int c_MaxNameLength = 20;

[[noreturn]] void Fail(const QString& aText) {
    ZRVDataBaseFail(aText);
}

bool IsPostgreSql(const QSqlDatabase& aDb) {
    return aDb.driverName() == ZRVSql::c_PostgreSql.Driver;
}

const ZRVSql::TDialect& DialectOf(const QSqlDatabase& aDb) {
    return IsPostgreSql(aDb) ? ZRVSql::c_PostgreSql : ZRVSql::c_Sqlite;
}

QSqlQuery RunOn(const QSqlDatabase& aDb, const QString& aSql, const QVariantList& aValues) {
    return ZRVRunQuery(aDb, aSql, aValues);
}

// The parts of a statement text's key, looked up without copying them.
using TTextKey = QVarLengthArray<QStringView, 8>;

// Hashes and compares keys kept as string lists with keys given as parts, alike.
struct TTextKeyHash : TZRVTextHash {
    using is_transparent = void;
    using TZRVTextHash::operator();
    std::size_t operator()(const TTextKey& aParts) const noexcept {
        std::size_t hash = 0;
        for (QStringView part : aParts)
            hash = hash * 31 + (*this)(part);
        return hash;
    }
};
struct TTextKeyEqual {
    using is_transparent = void;
    bool operator()(const QStringList& aKept, const TTextKey& aParts) const noexcept {
        return aKept.size() == aParts.size() && std::equal(aKept.begin(), aKept.end(), aParts.begin());
    }
    bool operator()(const TTextKey& aParts, const QStringList& aKept) const noexcept {
        return (*this)(aKept, aParts);
    }
    bool operator()(const QStringList& aLeft, const QStringList& aRight) const noexcept {
        return aLeft == aRight;
    }
};

// The text of a statement built from aKey's parts by aBuild, built once per thread: the database
// runs the same few selections and inserts over and over.
template <class B> QString KeptText(const TTextKey& aKey, B&& aBuild) {
    thread_local std::unordered_map<QStringList, QString, TTextKeyHash, TTextKeyEqual> texts;
    auto found = texts.find(aKey);
    if (found == texts.end()) {
        QStringList key;
        for (QStringView part : aKey)
            key << part.toString();
        found = texts.emplace(std::move(key), aBuild()).first;
    }
    return found->second;
}

// The selection of aWhat (a column's name when aColumn, else the text as written) from aTable's
// rows where each of aWhere equals its bound value.
QString SelectText(bool aColumn, const QString& aWhat, const QString& aTable, std::span<const QString> aWhere,
                   const QString& aOrderBy, int aLimit) {
    const char16_t limit[2] = {char16_t(aLimit & 0xFFFF), char16_t(unsigned(aLimit) >> 16)};
    TTextKey key{aColumn ? u"column" : u"text", aWhat, aTable, aOrderBy, QStringView(limit, 2)};
    for (const QString& column : aWhere)
        key.append(column);
    return KeptText(key, [&] {
        return ZRVSql::Select(aColumn ? Name(aWhat) : aWhat, aTable,
                              QStringList(aWhere.begin(), aWhere.end()), aOrderBy, aLimit);
    });
}

QString Select(const QString& aWhat, const QString& aTable, std::initializer_list<QString> aWhere,
               const QString& aOrderBy = QString(), int aLimit = 0) {
    return SelectText(false, aWhat, aTable, aWhere, aOrderBy, aLimit);
}

// The selection of the column aColumn; see Select.
QString SelectColumn(const QString& aColumn, const QString& aTable, std::span<const QString> aWhere,
                     const QString& aOrderBy = QString(), int aLimit = 0) {
    return SelectText(true, aColumn, aTable, aWhere, aOrderBy, aLimit);
}
QString SelectColumn(const QString& aColumn, const QString& aTable, std::initializer_list<QString> aWhere,
                     const QString& aOrderBy = QString(), int aLimit = 0) {
    return SelectText(true, aColumn, aTable, aWhere, aOrderBy, aLimit);
}

// The insert of a row into aTable; on PostgreSQL it returns the key the database assigns.
QString InsertText(bool aPostgreSql, const QString& aTable, const QStringList& aColumns) {
    TTextKey parts{aPostgreSql ? u"INSERT RETURNING" : u"INSERT", aTable};
    for (const QString& column : aColumns)
        parts.append(column);
    return KeptText(parts, [&] {
        const QString key = aPostgreSql ? ZRVSql::AssignedKey(aTable) : QString();
        return ZRVSql::Insert(aTable, aColumns) + (key.isEmpty() ? QString() : u" RETURNING "_s + Name(key));
    });
}

// Splits column-value pairs into the names and the values to bind, appending to both.
void Split(const std::vector<std::pair<QString, QVariant>>& aColumns, QStringList& aNames,
           QVariantList& aValues) {
    for (const auto& [column, value] : aColumns) {
        aNames << column;
        aValues << value;
    }
}

// Inserts one row through aRun, which runs a statement; the key the database gave the row (0 for
// a table without one). PostgreSQL tells it through RETURNING; SQLite through the last inserted row.
template <class R>
qint64 InsertWith(bool aPostgreSql, const QString& aTable, const QStringList& aColumns,
                  const QVariantList& aValues, R&& aRun) {
    TZRVStatementRun q = aRun(InsertText(aPostgreSql, aTable, aColumns), aValues);
    if (!aPostgreSql)
        return q.LastInsertId();
    return q.Next() ? q.Number(0) : 0;
}

int InsertOn(const QSqlDatabase& aDb, const QString& aTable,
             const std::vector<std::pair<QString, QVariant>>& aColumns) {
    QStringList names;
    QVariantList values;
    Split(aColumns, names, values);
    return int(InsertWith(IsPostgreSql(aDb), aTable, names, values,
                          [&aDb](const QString& aSql, const QVariantList& aBound) {
                              return TZRVStatementRun::Once(aDb, aSql, aBound);
                          }));
}

// Runs aWork, which reads with several statements, in one transaction on SQLite: one lock for all
// of them rather than one each, and one state of the file. PostgreSQL's statements need none.
template <class F> auto ReadAtOnce(TZRVCustomDataBase& aDb, F&& aWork) {
    if (IsPostgreSql(aDb.Connection()))
        return aWork();
    return aDb.RunAtomically(std::forward<F>(aWork));
}

// ----- reading columns; values out of range of the record's field are clamped

qint64 Number(const TZRVStatementRun& q, const QString& aColumn) {
    return q.Number(q.Column(aColumn));
}
int32_t Int32(const TZRVStatementRun& q, const QString& aColumn) {
    return int32_t(std::clamp<qint64>(Number(q, aColumn), std::numeric_limits<int32_t>::min(),
                                      std::numeric_limits<int32_t>::max()));
}
uint32_t UInt32(const TZRVStatementRun& q, const QString& aColumn) {
    return uint32_t(std::clamp<qint64>(Number(q, aColumn), 0, std::numeric_limits<int32_t>::max()));
}
bool Flag(const TZRVStatementRun& q, const QString& aColumn) {
    return Number(q, aColumn) != 0;
}
TDateTime DateTimeOf(const TZRVStatementRun& q, const QString& aColumn) {
    return q.Real(q.Column(aColumn));
}
QString Text(const TZRVStatementRun& q, const QString& aColumn) {
    return q.Text(q.Column(aColumn));
}

// The packed hour formula of a row's StartDay, StartHour, EndDay and EndHour.
int PackedHourFormula(const TZRVStatementRun& q) {
    TZRVHourFormulaData formula;
    formula.SetStartDay(int16_t(Int32(q, u"StartDay"_s) & 0x7));
    formula.SetStartHour(int16_t(Int32(q, u"StartHour"_s) & 0x1F));
    formula.SetEndDay(int16_t(Int32(q, u"EndDay"_s) & 0x7));
    formula.SetEndHour(int16_t(Int32(q, u"EndHour"_s) & 0x1F));
    return formula.GetValue();
}

void FillApplication(const TZRVStatementRun& q, TZRVApplication& a) {
    a.SetApplicationID(UInt32(q, u"Application_ID"_s));
    a.SetApplicationName(Text(q, u"ApplicationName"_s));
    a.SetCommandLine(Text(q, u"CommandLine"_s));
}

void FillGame(const TZRVStatementRun& q, TZRVGame& g) {
    g.SetGameID(UInt32(q, u"Game_ID"_s));
    g.SetGameName(Text(q, u"GameName"_s));
    g.SetCommandLine(Text(q, u"CommandLine"_s));
    g.SetDescription(Text(q, u"Description"_s));
}

void FillAuthorisation(const TZRVStatementRun& q, TZRVAuthorisation& a) {
    a.SetAuthorisationID(UInt32(q, u"Authorisation_ID"_s));
    a.SetAuthorisationName(Text(q, u"AuthorisationName"_s));
    a.SetDescription(Text(q, u"Description"_s));
}

void FillSecretQuestion(const TZRVStatementRun& q, TZRVSecretQuestion& s) {
    s.SetSecretQuestionID(UInt32(q, u"SecretQuestion_ID"_s));
    s.SetQuestion(Text(q, u"Question"_s));
}

void FillGroup(const TZRVStatementRun& q, TZRVGroup& g) {
    g.SetGroupID(UInt32(q, u"Group_ID"_s));
    g.SetGroupName(Text(q, u"GroupName"_s));
    g.SetGroupDescription(Text(q, u"GroupDescription"_s));
    g.SetAutoCredit(UInt32(q, u"AutoCredit"_s));
    g.SetIncrementalCredit(Flag(q, u"IncrementalCredit"_s));
    g.SetAuthorisations(TZRVUserRights::FromMask(UInt32(q, u"Authorisations1"_s)));
}

void FillMachine(const TZRVStatementRun& q, TZRVMachine& m) {
    m.SetMachineID(UInt32(q, u"Machine_ID"_s));
    m.SetMachineName(Text(q, u"MachineName"_s));
    m.SetCpu(Text(q, u"Cpu"_s));
    m.SetRam(UInt32(q, u"Ram"_s));
    m.SetGeography(Text(q, u"Geography"_s));
    m.SetOSystem(Text(q, u"Os"_s));
}

void FillTicket(const TZRVStatementRun& q, TZRVUserTicket& t) {
    t.SetTicketID(UInt32(q, u"Ticket_ID"_s));
    t.SetActive(Flag(q, u"Active"_s));
    t.SetActivationDate(DateTimeOf(q, u"ActivationDate"_s));
    t.SetCode(Text(q, u"Code"_s));
    t.SetCost(Int32(q, u"Cost"_s));
    t.SetCreationDate(DateTimeOf(q, u"CreationDate"_s));
    t.SetCredit(UInt32(q, u"Credit"_s));
    t.SetDaysAllowed(Int32(q, u"DaysAllowed"_s));
    t.SetDeletedFlag(Flag(q, u"DeletedFlag"_s));
    t.SetLastUseDate(DateTimeOf(q, u"LastUseDate"_s));
    t.SetLastUseTime(UInt32(q, u"LastUseTime"_s));
    t.SetPrintFlag(Flag(q, u"PrintFlag"_s));
    t.SetUsedFlag(Flag(q, u"UsedFlag"_s));
    t.SetOnwerID(UInt32(q, u"Owner"_s));
    t.SetHourFormulaName(Text(q, u"Intitule"_s));
    t.SetHourFormula(PackedHourFormula(q));
}

void FillAccount(const TZRVStatementRun& q, TZRVUserAccount& a) {
    a.SetAccountID(UInt32(q, u"Account_ID"_s));
    a.SetAccountName(Text(q, u"AccountName"_s));
    a.SetAccountPassword(Text(q, u"AccountPassword"_s));
    a.SetActive(Flag(q, u"Active"_s));
    a.SetCreationDate(DateTimeOf(q, u"CreationDate"_s));
    a.SetCredit(UInt32(q, u"Credit"_s));
    a.SetCreditTotal(UInt32(q, u"CreditTotal"_s));
    a.SetDaysAllowed(Int32(q, u"DaysAllowed"_s));
    a.SetDeletedFlag(Flag(q, u"DeletedFlag"_s));
    a.SetDescription(Text(q, u"Description"_s));
    a.SetEmail(Text(q, u"Email"_s));
    a.SetFirstName(Text(q, u"FirstName"_s));
    a.SetSecondName(Text(q, u"SecondName"_s));
    a.SetPseudo(Text(q, u"Pseudo"_s));
    a.SetPhone(Text(q, u"Phone"_s));
    a.SetSecretAnswer(Text(q, u"SecretAnswer"_s));
    a.SetLastUpdateDate(DateTimeOf(q, u"LastUpdateDate"_s));
    a.SetLastUseDate(DateTimeOf(q, u"LastUseDate"_s));
    a.SetLastUseTime(UInt32(q, u"LastUseTime"_s));
    a.SetOld(Int32(q, u"Old"_s));
    a.SetSex(TZRVSex(std::clamp<int32_t>(Int32(q, u"Sex"_s), sNone, sCouple)));
}

// The columns that inserts and updates of an account both write as the record holds them.
std::vector<std::pair<QString, QVariant>> AccountColumns(const TZRVUserAccount& a) {
    return {{u"AccountPassword"_s, a.AccountPassword()},
            {u"Active"_s, a.Active()},
            {u"Credit"_s, a.Credit()},
            {u"DaysAllowed"_s, a.DaysAllowed()},
            {u"Description"_s, a.Description()},
            {u"Email"_s, a.Email()},
            {u"FirstName"_s, a.FirstName()},
            {u"LastUseDate"_s, a.LastUseDate()},
            {u"LastUseTime"_s, a.LastUseTime()},
            {u"Old"_s, a.Old()},
            {u"Phone"_s, a.Phone()},
            {u"Pseudo"_s, a.Pseudo()},
            {u"SecondName"_s, a.SecondName()},
            {u"SecretAnswer"_s, a.SecretAnswer()},
            {u"Sex"_s, int(a.Sex())},
            {u"LastUsePC"_s, a.LastUsePC()->MachineID()},
            {u"SecretQuestion"_s, a.SecretQuestion()->SecretQuestionID()}};
}

// An account whose last use lies on an earlier day than its creation (or that was never used)
// takes today as its last use.
void ApplyLastUseRule(TZRVUserAccount& a) {
    if (DateOf(a.CreationDate()) > DateOf(a.LastUseDate()))
        a.SetLastUseDate(Date());
}

bool ValidName(const QString& aName) {
    return !aName.isEmpty() && aName.size() <= c_MaxNameLength;
}

bool ValidHourFormula(const QString& aName, int aStartDay, int aStartHour, int aEndDay, int aEndHour) {
    const auto day = [](int d) { return d >= 1 && d <= 7; };
    const auto hour = [](int h) { return h >= 0 && h <= 23; };
    return ValidName(aName) && day(aStartDay) && day(aEndDay) && hour(aStartHour) && hour(aEndHour);
}

std::vector<std::pair<QString, QVariant>> HourFormulaColumns(int aStartDay, int aStartHour, int aEndDay,
                                                             int aEndHour) {
    return {{u"StartDay"_s, aStartDay},
            {u"StartHour"_s, aStartHour},
            {u"EndDay"_s, aEndDay},
            {u"EndHour"_s, aEndHour}};
}

QString PasswordHash(const QString& aSalt, const QString& aPassword) {
    return QString::fromLatin1(
        QCryptographicHash::hash((aSalt + aPassword).toUtf8(), QCryptographicHash::Sha256).toHex());
}

QString NewConnectionName() {
    static std::atomic<quint64> counter{0};
    return u"ZRVDataBase-"_s + QString::number(++counter);
}

// The authorisations a new database lists, one per group right, in the order of the rights.
struct TAuthorisationRow {
    const char* Name;
    const char* Description;
};
const TAuthorisationRow c_Authorisations[c_UserRightCount] = {
    {"urNone", "Aucun droit particulier"},
    {"urOpenServer", "Ouvrir le serveur"},
    {"urSeeClientApplications", "Voir les applications des postes"},
    {"urStopSession", "Arrêter une session"},
    {"urShutdownClientModule", "Arrêter le module client"},
    {"urRebootWorkstation", "Redémarrer un poste"},
    {"urShutdownWorkStation", "Éteindre un poste"},
    {"urCloseClientConnection", "Fermer la connexion d'un poste"},
    {"urSellsView", "Ouvrir la caisse"},
    {"urGenerateTickets", "Générer des tickets"},
    {"urCreateAccounts", "Créer des comptes"},
    {"urDeleteAccounts", "Supprimer des comptes"},
    {"urGetMails", "Relever les courriels"},
    {"urDeleteTicket", "Supprimer des tickets"},
    {"urPrintTickets", "Imprimer des tickets"},
    {"urAdministrationView", "Ouvrir l'administration"},
    {"urGroupsConfig", "Configurer les groupes"},
    {"urBonus", "Donner des bonus"},
    {"urBonusConfig", "Configurer les bonus"},
    {"urClientModuleConfig", "Configurer les modules clients"},
    {"urDbCleanConfig", "Configurer le nettoyage de la base"},
    {"urDbRestore", "Restaurer la base"},
    {"urPersonalData", "Voir les données personnelles"},
    {"urTarificationsConfig", "Configurer les tarifs"},
    {"urSellsConfig", "Configurer les ventes"},
    {"urInfiniteCredit", "Crédit illimité"},
    {"urGamesAll", "Lancer tous les jeux"},
    {"urApplicationsAll", "Lancer toutes les applications"},
    {"urCanAddUserCredit", "Ajouter du crédit aux comptes"},
};

const QString c_DefaultName = u"Default"_s;

// The address as it may be shown: without a password, should it carry one.
QString Shown(const QString& aDBName) {
    if (ZRVSql::EngineOf(aDBName) == ZRVSql::TEngine::Sqlite)
        return aDBName;
    return QUrl(aDBName).toString(QUrl::RemovePassword);
}

// A PostgreSQL database without any table is a new one; its owner made it empty for the café.
bool HoldsNoTable(const QSqlDatabase& aDb) {
    if (!IsPostgreSql(aDb))
        return false;
    QSqlQuery q = RunOn(aDb, ZRVSql::c_PostgreSql.HasTables, {});
    return q.next() && q.value(0).toInt() == 0;
}

// Points a PostgreSQL connection at postgresql://user@host:port/dbname. The password is never
// part of the address: libpq reads it from PostgreSQL's password file (PGPASSFILE, ~/.pgpass) or
// the environment (PGPASSWORD), so that it shows in no process list, unit file or log.
void UsePostgreSqlAddress(QSqlDatabase& aDb, const QString& aAddress) {
    const QUrl url(aAddress, QUrl::StrictMode);
    const QString database = url.path().mid(1);
    if (!url.password().isEmpty())
        Fail(u"The database address "_s + Shown(aAddress) +
             u" carries a password; PostgreSQL's password file (PGPASSFILE) or the environment (PGPASSWORD) "
             "gives it"_s);
    if (!url.isValid() || url.scheme().compare(ZRVSql::c_PostgreSqlScheme, Qt::CaseInsensitive) != 0 ||
        database.isEmpty() || database.contains(u'/') || url.hasQuery() || url.hasFragment())
        Fail(u"The database address "_s + Shown(aAddress) +
             u" is not of the form postgresql://user@host:port/dbname"_s);
    aDb.setDatabaseName(database);
    aDb.setHostName(url.host());
    aDb.setPort(url.port(-1));
    aDb.setUserName(url.userName());
    aDb.setPassword(QString());
    aDb.setConnectOptions(ZRVSql::c_PostgreSqlConnectOptions);
}

// Closes and forgets a connection of its own when it goes.
class TTemporaryConnection {
public:
    TTemporaryConnection() : fName(NewConnectionName()) { QSqlDatabase::addDatabase(u"QSQLITE"_s, fName); }
    ~TTemporaryConnection() {
        QSqlDatabase::database(fName, false).close();
        QSqlDatabase::removeDatabase(fName);
    }
    TTemporaryConnection(const TTemporaryConnection&) = delete;
    TTemporaryConnection& operator=(const TTemporaryConnection&) = delete;
    QSqlDatabase Database() const { return QSqlDatabase::database(fName, false); }

private:
    QString fName;
};

} // namespace

// =============================================================================================
// Connection, schema, compaction and backups

TZRVCustomDataBase::TZRVCustomDataBase(QObject* aOwner)
    : QObject(aOwner), fOwnConnection(NewConnectionName()) {
    fOwn = QSqlDatabase::addDatabase(u"QSQLITE"_s, fOwnConnection);
    fADOCOnnection = fOwnConnection;
}

TZRVCustomDataBase::~TZRVCustomDataBase() {
    fStatements.Forget();
    fOwn.close();
    fOwn = QSqlDatabase();
    QSqlDatabase::removeDatabase(fOwnConnection);
}

void TZRVCustomDataBase::SetADOConnection(const QString& aConnectionName) {
    fStatements.Forget();
    fADOCOnnection = aConnectionName.isEmpty() ? fOwnConnection : aConnectionName;
}

QSqlDatabase TZRVCustomDataBase::Connection() const {
    return Borrowed() ? QSqlDatabase::database(fADOCOnnection, false) : fOwn;
}

bool TZRVCustomDataBase::Borrowed() const {
    return fADOCOnnection != fOwnConnection;
}

const ZRVSql::TDialect& TZRVCustomDataBase::Sql() const {
    return DialectOf(Connection());
}

void TZRVCustomDataBase::UseDriver(const QString& aDriver) {
    if (Borrowed() || fOwn.driverName() == aDriver)
        return;
    fOwn = QSqlDatabase();
    QSqlDatabase::removeDatabase(fOwnConnection);
    fOwn = QSqlDatabase::addDatabase(aDriver, fOwnConnection);
}

bool TZRVCustomDataBase::GetOpenned() const {
    const QSqlDatabase db = Connection();
    return db.isValid() && db.isOpen();
}

bool TZRVCustomDataBase::Open() {
    Close();
    if (fDBName.isEmpty())
        Fail(u"The database file name is not set"_s);
    const bool postgres = Engine() == ZRVSql::TEngine::PostgreSql;
    const QString driver = ZRVSql::DialectOf(Engine()).Driver;
    if (!QSqlDatabase::isDriverAvailable(driver))
        Fail(u"The database driver "_s + driver + u" is not installed"_s);
    UseDriver(driver);
    QSqlDatabase db = Connection();
    if (!db.isValid())
        Fail(u"The database connection "_s + fADOCOnnection + u" does not exist"_s);
    const QFileInfo file(fDBName);
    if (postgres) {
        UsePostgreSqlAddress(db, fDBName);
    } else {
        db.setDatabaseName(fDBName);
        db.setConnectOptions(ZRVSql::ConnectOptions(fBusyTimeout, false));
    }
    const bool isNew = !postgres && (!file.exists() || file.size() == 0);
    OpenChecked(db, isNew);
    if (!postgres)
        UseWriteAheadLog(db);
    if (!isNew)
        UpgradeSchema(db);
    return db.isOpen();
}

void TZRVCustomDataBase::UseWriteAheadLog(QSqlDatabase& aDb) const {
    QSqlQuery q(aDb);
    // A file this process may not write (rights, read-only medium) is read in the mode it has.
    const bool set = q.exec(ZRVSql::c_WriteAheadLog) ||
                     (q.lastError().nativeErrorCode().toInt() & 0xFF) == ZRVSql::c_ErrorReadOnly;
    if (set && q.exec(ZRVSql::c_SyncAtCheckpoints))
        return;
    const QString reason = q.lastError().text();
    q.clear();
    aDb.close();
    Fail(u"Unable to open the database "_s + aDb.databaseName() + u": "_s + reason);
}

void TZRVCustomDataBase::OpenChecked(QSqlDatabase& aDb, bool aIsNew) const {
    if (!aDb.open())
        Fail(u"Unable to open the database "_s + (IsPostgreSql(aDb) ? Shown(fDBName) : aDb.databaseName()) +
             u": "_s + aDb.lastError().text());
    try {
        if (aIsNew || HoldsNoTable(aDb))
            CreateSchema(aDb);
        else
            CheckExisting(aDb);
    } catch (...) {
        aDb.close();
        throw;
    }
}

void TZRVCustomDataBase::CreateSchema(QSqlDatabase& aDb) const {
    if (!aDb.transaction())
        Fail(aDb.lastError().text());
    try {
        if (!DialectOf(aDb).SchemaLock.isEmpty()) {
            RunOn(aDb, DialectOf(aDb).SchemaLock, {});
            if (!HoldsNoTable(aDb)) { // another server created it meanwhile
                aDb.rollback();
                CheckExisting(aDb);
                return;
            }
        }
        for (const QString& statement : DialectOf(aDb).Schema)
            RunOn(aDb, statement, {});
        const QString salt = QString::number(QRandomGenerator::system()->generate64(), 16);
        InsertOn(aDb, ZRVSql::DatabaseInfo.Name,
                 {{u"Name"_s, c_SchemaVersionName}, {u"Value"_s, QString::number(ZRVSql::c_SchemaVersion)}});
        InsertOn(aDb, ZRVSql::DatabaseInfo.Name, {{u"Name"_s, u"PasswordSalt"_s}, {u"Value"_s, salt}});
        InsertOn(aDb, ZRVSql::DatabaseInfo.Name,
                 {{u"Name"_s, u"PasswordHash"_s}, {u"Value"_s, PasswordHash(salt, fPassword)}});
        InsertOn(aDb, ZRVSql::Groups.Name,
                 {{u"GroupName"_s, c_DefaultName},
                  {u"GroupDescription"_s, u"Groupe par défaut"_s},
                  {u"Authorisations1"_s, TZRVUserRights{urNone}.Mask()}});
        InsertOn(aDb, ZRVSql::Machines.Name, {{u"MachineName"_s, c_DefaultName}});
        InsertOn(aDb, ZRVSql::HourFormulas.Name,
                 {{u"Intitule"_s, c_DefaultName},
                  {u"StartDay"_s, 1},
                  {u"StartHour"_s, 0},
                  {u"EndDay"_s, 7},
                  {u"EndHour"_s, 23}});
        RunOn(aDb, ZRVSql::c_InsertDefaultBudget, {});
        for (const TAuthorisationRow& row : c_Authorisations)
            InsertOn(aDb, ZRVSql::Authorisations.Name,
                     {{u"AuthorisationName"_s, QString::fromUtf8(row.Name)},
                      {u"Description"_s, QString::fromUtf8(row.Description)}});
    } catch (...) {
        aDb.rollback();
        throw;
    }
    if (!aDb.commit())
        Fail(aDb.lastError().text());
}

void TZRVCustomDataBase::CheckExisting(QSqlDatabase& aDb) const {
    const QString file = aDb.databaseName();
    QSqlQuery q(aDb);
    q.setForwardOnly(true);
    if (!q.exec(DialectOf(aDb).HasDatabaseInfo)) {
        const int code = q.lastError().nativeErrorCode().toInt() & 0xFF;
        if (code == ZRVSql::c_ErrorNotADatabase)
            Fail(u"The file "_s + file + u" is not a database"_s);
        if (code == ZRVSql::c_ErrorBusy || code == ZRVSql::c_ErrorLocked)
            Fail(u"The database "_s + file + u" is locked by another process"_s);
        Fail(u"Unable to read the database "_s + file + u": "_s + q.lastError().text());
    }
    if (!q.next() || q.value(0).toInt() == 0)
        Fail(u"The file "_s + file + u" is not a database of this system"_s);
    const auto info = [&aDb](const QString& aName) {
        QSqlQuery v = RunOn(aDb, SelectColumn(u"Value"_s, ZRVSql::DatabaseInfo.Name, {u"Name"_s}), {aName});
        return v.next() ? v.value(0).toString() : QString();
    };
    if (info(u"PasswordHash"_s) != PasswordHash(info(u"PasswordSalt"_s), fPassword))
        Fail(u"Wrong database password"_s);
}

void TZRVCustomDataBase::UpgradeSchema(QSqlDatabase& aDb) const {
    const auto version = [&aDb] {
        const QString select = SelectColumn(u"Value"_s, ZRVSql::DatabaseInfo.Name, {u"Name"_s});
        QSqlQuery v = RunOn(aDb, select, {c_SchemaVersionName});
        return v.next() ? v.value(0).toInt() : 1;
    };
    if (version() >= ZRVSql::c_SchemaVersion)
        return;
    if (!aDb.transaction())
        Fail(aDb.lastError().text());
    try {
        // Servers opening the database together upgrade it once.
        if (!DialectOf(aDb).SchemaLock.isEmpty())
            RunOn(aDb, DialectOf(aDb).SchemaLock, {});
        const int from = version();
        const std::pair<int, const QStringList*> steps[] = {{2, &DialectOf(aDb).SchemaUpgrade2},
                                                            {3, &DialectOf(aDb).SchemaUpgrade3}};
        for (const auto& [to, statements] : steps)
            if (from < to)
                for (const QString& statement : *statements)
                    RunOn(aDb, statement, {});
        RunOn(aDb, ZRVSql::Update(ZRVSql::DatabaseInfo.Name, {u"Value"_s}, {u"Name"_s}),
              {QString::number(ZRVSql::c_SchemaVersion), c_SchemaVersionName});
    } catch (...) {
        aDb.rollback();
        aDb.close();
        throw;
    }
    if (!aDb.commit())
        Fail(aDb.lastError().text());
}

bool TZRVCustomDataBase::Close() {
    fStatements.Forget();
    QSqlDatabase db = Connection();
    if (db.isOpen())
        db.close();
    return !db.isOpen();
}

int TZRVCustomDataBase::ExecuteSQLAction(const QString& aSql) {
    return ExecuteSQLAction(aSql, {});
}

int TZRVCustomDataBase::ExecuteSQLAction(const QString& aSql, const QVariantList& aValues) {
    if (!GetOpenned() || aSql.isEmpty())
        return 0;
    const auto total = [this] {
        QSqlQuery q = Run(ZRVSql::c_TotalChanges, {});
        return q.next() ? q.value(0).toLongLong() : 0;
    };
    if (IsPostgreSql(Connection())) // its count includes the rows the views' triggers changed
        return std::max(Run(aSql, aValues).numRowsAffected(), 0);
    const qint64 before = total();
    Run(aSql, aValues);
    return int(total() - before);
}

std::vector<uint32_t> TZRVCustomDataBase::Keys(const ZRVSql::Table& aTable) {
    std::vector<uint32_t> keys;
    if (!GetOpenned())
        return keys;
    QSqlQuery q = Run(SelectColumn(aTable.Key, aTable.Name, {}, aTable.Key), {});
    while (q.next())
        keys.push_back(q.value(0).toUInt());
    return keys;
}

QSqlQuery TZRVCustomDataBase::OpenQuery(const QString& aSql, const QVariantList& aValues) const {
    if (!GetOpenned())
        Fail(u"The database is not open"_s);
    return Run(aSql, aValues);
}

qint64 TZRVCustomDataBase::InsertInto(const QString& aTable, const QStringList& aColumns,
                                      const QVariantList& aValues) {
    if (!GetOpenned())
        Fail(u"The database is not open"_s);
    return InsertWith(
        IsPostgreSql(Connection()), aTable, aColumns, aValues,
        [this](const QString& aSql, const QVariantList& aBound) { return RunPrepared(aSql, aBound); });
}

bool TZRVCustomDataBase::BeginAtomic() {
    if (!IsPostgreSql(Connection())) {
        RunPrepared(ZRVSql::c_Savepoint, {});
        return false;
    }
    QSqlQuery q(Connection());
    if (q.exec(ZRVSql::c_Savepoint))
        return false;
    if (q.lastError().nativeErrorCode() != ZRVSql::c_PostgreSqlNoTransaction)
        Fail(q.lastError().text());
    Run(ZRVSql::c_Begin, {});
    return true;
}

void TZRVCustomDataBase::EndAtomic(bool aTransaction, bool aKeep) {
    if (aTransaction) {
        RunPrepared(aKeep ? ZRVSql::c_Commit : ZRVSql::c_Rollback, {});
        return;
    }
    if (!aKeep)
        RunPrepared(ZRVSql::c_RollbackSavepoint, {});
    RunPrepared(ZRVSql::c_ReleaseSavepoint, {});
}

void TZRVCustomDataBase::CopyInto(const QString& aTarget) {
    QFile::remove(aTarget);
    if (GetOpenned()) {
        Run(ZRVSql::c_CopyInto, {aTarget});
        return;
    }
    const TTemporaryConnection temporary;
    QSqlDatabase db = temporary.Database();
    db.setDatabaseName(fDBName);
    db.setConnectOptions(ZRVSql::ConnectOptions(fBusyTimeout, true));
    OpenChecked(db, false);
    RunOn(db, ZRVSql::c_CopyInto, {aTarget});
}

QString TZRVCustomDataBase::CompactedFileName(const QString& aDBName) {
    const QFileInfo file(aDBName);
    const QString suffix = file.suffix().isEmpty() ? QString() : u'.' + file.suffix();
    return file.dir().filePath(file.completeBaseName() + u"COMPACTED"_s + suffix);
}

QString TZRVCustomDataBase::BackupFileName(const QString& aDirectory, const QDateTime& aWhen) {
    const QString separator = aDirectory.endsWith(u'/') ? QString() : u"/"_s;
    return aDirectory + separator + aWhen.toString(u"dd-MM-yyyy-HH-mm-ss"_s) + u".bak"_s;
}

bool TZRVCustomDataBase::Compact() {
    if (Engine() == ZRVSql::TEngine::PostgreSql) {
        // The server keeps its own files compact: removing the marked rows and its maintenance do.
        if (!GetOpenned())
            Open();
        const auto close = qScopeGuard([this] { Close(); });
        ExecuteSQLAction(c_SqlDeleteTickets);
        ExecuteSQLAction(c_SqlDeleteAccounts);
        Run(ZRVSql::c_Maintain, {});
        return true;
    }
    if (GetOpenned()) {
        for (const QString& statement : {c_SqlDeleteTickets, c_SqlDeleteAccounts}) {
            try {
                ExecuteSQLAction(statement);
            } catch (const EZRVError&) {
                // The rows stay; the copy is compacted all the same.
            }
        }
    }
    const QString target = CompactedFileName(fDBName);
    try {
        if (!QFileInfo::exists(fDBName))
            Fail(u"Unable to copy database for compact operation"_s);
        CopyInto(target);
    } catch (...) {
        Close();
        QFile::remove(target);
        throw;
    }
    Close();
    return true;
}

bool TZRVCustomDataBase::Save(const QString& aDirectory) {
    const bool postgres = Engine() == ZRVSql::TEngine::PostgreSql;
    fLastSaveError.clear();
    if (aDirectory.isEmpty())
        fLastSaveError = u"No backup folder is set"_s;
    else if (!postgres && !QFileInfo::exists(fDBName))
        fLastSaveError = u"The database file "_s + fDBName + u" does not exist"_s;
    else if (!QDir().mkpath(aDirectory))
        fLastSaveError = u"Unable to create the backup folder "_s + aDirectory;
    if (!fLastSaveError.isEmpty())
        return false;
    const QString target = BackupFileName(aDirectory, DateTimeToQDateTime(Now()));
    try {
        if (postgres)
            DumpInto(target);
        else
            CopyInto(target);
        return true;
    } catch (const EZRVError& e) {
        QFile::remove(target);
        fLastSaveError = e.Message();
        return false;
    }
}

void TZRVCustomDataBase::DumpInto(const QString& aTarget) const {
    const QString program = QStandardPaths::findExecutable(u"pg_dump"_s);
    if (program.isEmpty())
        Fail(u"No backup was made: pg_dump, PostgreSQL's backup program, is not installed"_s);
    // A failed or hung dump must not stop the server for ever.
    constexpr int c_DumpTimeoutMs = 30 * 60 * 1000;
    QProcess dump;
    dump.setProgram(program);
    dump.setArguments(
        {u"--format=custom"_s, u"--no-password"_s, u"--file="_s + aTarget, u"--dbname="_s + Shown(fDBName)});
    dump.start();
    if (!dump.waitForFinished(c_DumpTimeoutMs)) {
        dump.kill();
        dump.waitForFinished();
        Fail(u"No backup was made: pg_dump did not finish"_s);
    }
    if (dump.exitStatus() != QProcess::NormalExit || dump.exitCode() != 0)
        Fail(u"No backup was made: pg_dump failed: "_s +
             QString::fromLocal8Bit(dump.readAllStandardError()).trimmed().left(1000));
}

bool TZRVCustomDataBase::Restore(TDateTime, TDateTime, const QString&) {
    return false;
}

void TZRVCustomDataBase::Assign(const TZRVCustomDataBase& Source) {
    fDBBackupPath = Source.fDBBackupPath;
    fDBName = Source.fDBName;
    fPassword = Source.fPassword;
    fBusyTimeout = Source.fBusyTimeout;
}

// =============================================================================================
// Statement helpers

QSqlQuery TZRVCustomDataBase::Run(const QString& aSql, const TValues& aValues) const {
    return RunOn(Connection(), aSql, aValues);
}

TZRVStatementRun TZRVCustomDataBase::RunPrepared(const QString& aSql, const TValues& aValues) const {
    // A borrowed connection may close under the borrower, which keeps nothing on it.
    if (Borrowed() || !fOwn.isOpen())
        return TZRVStatementRun::Once(Connection(), aSql, aValues);
    return fStatements.Run(fOwn, aSql, aValues);
}

int TZRVCustomDataBase::SingleKey(const QString& aSql, const TValues& aValues) {
    if (!GetOpenned())
        return 0;
    TZRVStatementRun q = RunPrepared(aSql, aValues);
    int key = 0;
    int rows = 0;
    while (q.Next() && ++rows < 2)
        key = int(q.Number(0));
    return rows == 1 ? key : 0;
}

int TZRVCustomDataBase::FirstKey(const QString& aSql, const TValues& aValues) {
    if (!GetOpenned())
        return 0;
    TZRVStatementRun q = RunPrepared(aSql, aValues);
    return q.Next() ? int(q.Number(0)) : 0;
}

bool TZRVCustomDataBase::AnyRow(const QString& aSql, const TValues& aValues) {
    if (!GetOpenned())
        return false;
    return RunPrepared(aSql, aValues).Next();
}

int TZRVCustomDataBase::KeyByColumns(const ZRVSql::Table& aTable, const TColumns& aWhere) {
    QStringList columns;
    TValues values;
    Split(aWhere, columns, values);
    return SingleKey(SelectColumn(aTable.Key, aTable.Name, columns, QString(), 2), values);
}

bool TZRVCustomDataBase::KeyExists(const ZRVSql::Table& aTable, uint32_t aID) {
    return KeyByColumns(aTable, {{aTable.Key, aID}}) != 0;
}

int TZRVCustomDataBase::InsertRow(const QString& aTable, const TColumns& aColumns) {
    QStringList names;
    TValues values;
    Split(aColumns, names, values);
    return int(InsertInto(aTable, names, values));
}

int TZRVCustomDataBase::UpdateRows(const QString& aTable, const TColumns& aColumns, const TColumns& aWhere) {
    QStringList set;
    QStringList where;
    TValues values;
    Split(aColumns, set, values);
    Split(aWhere, where, values);
    return RunPrepared(ZRVSql::Update(aTable, set, where), values).Changes();
}

bool TZRVCustomDataBase::DeleteRows(const QString& aTable, const TColumns& aWhere) {
    if (!GetOpenned())
        return false;
    QStringList where;
    TValues values;
    Split(aWhere, where, values);
    return RunPrepared(ZRVSql::Delete(aTable, where), values).Changes() > 0;
}

template <class T, class Fill>
std::unique_ptr<T> TZRVCustomDataBase::ReadByKey(const ZRVSql::Table& aTable, uint32_t aID, Fill&& aFill) {
    if (!GetOpenned())
        return nullptr;
    TZRVStatementRun q = RunPrepared(Select(u"*"_s, aTable.Name, {aTable.Key}, QString(), 1), {aID});
    if (!q.Next())
        return nullptr;
    auto record = std::make_unique<T>();
    aFill(q, *record);
    return record;
}

template <class T, class L>
void TZRVCustomDataBase::ReadLinked(const QString& aLinkTable, const ZRVSql::Table& aOwner, uint32_t aOwnerID,
                                    const ZRVSql::Table& aItem,
                                    std::unique_ptr<T> (TZRVCustomDataBase::*aRead)(uint32_t), L* aList) {
    std::vector<uint32_t> ids;
    {
        TZRVStatementRun q = RunPrepared(SelectColumn(aItem.Key, aLinkTable, {aOwner.Key}), {aOwnerID});
        while (q.Next())
            ids.push_back(uint32_t(q.Number(0)));
    }
    for (uint32_t id : ids)
        aList->Add((this->*aRead)(id));
}

void TZRVCustomDataBase::WriteLinks(const QString& aApplicationLinks, const QString& aGameLinks,
                                    const ZRVSql::Table& aOwner, uint32_t aOwnerID,
                                    const TZRVApplications* aApplications, const TZRVGames* aGames) {
    DeleteRows(aApplicationLinks, {{aOwner.Key, aOwnerID}});
    DeleteRows(aGameLinks, {{aOwner.Key, aOwnerID}});
    std::vector<uint32_t> applications, games;
    for (int i = 0; i < aApplications->Count(); ++i)
        applications.push_back(aApplications->Item(i)->ApplicationID());
    for (int i = 0; i < aGames->Count(); ++i)
        games.push_back(aGames->Item(i)->GameID());
    InsertLinks(aApplicationLinks, aOwner, aOwnerID, ZRVSql::Applications, std::move(applications));
    InsertLinks(aGameLinks, aOwner, aOwnerID, ZRVSql::Games, std::move(games));
}

void TZRVCustomDataBase::InsertLinks(const QString& aLinkTable, const ZRVSql::Table& aOwner,
                                     uint32_t aOwnerID, const ZRVSql::Table& aItems,
                                     std::vector<uint32_t> aIDs) {
    std::sort(aIDs.begin(), aIDs.end());
    aIDs.erase(std::unique(aIDs.begin(), aIDs.end()), aIDs.end());
    if (aIDs.empty())
        return;
    // A workstation names what it likes; the café's rows are few, so they are read once.
    std::vector<uint32_t> existing;
    TZRVStatementRun q = RunPrepared(SelectColumn(aItems.Key, aItems.Name, {}), {});
    while (q.Next())
        existing.push_back(uint32_t(q.Number(0)));
    std::sort(existing.begin(), existing.end());
    for (uint32_t id : aIDs)
        if (std::binary_search(existing.begin(), existing.end(), id))
            InsertRow(aLinkTable, {{aOwner.Key, aOwnerID}, {aItems.Key, id}});
}

bool TZRVCustomDataBase::LinkExists(const QString& aLinkTable, const ZRVSql::Table& aLeft, uint32_t aLeftID,
                                    const ZRVSql::Table& aRight, uint32_t aRightID) {
    return AnyRow(Select(u"1"_s, aLinkTable, {aLeft.Key, aRight.Key}, QString(), 1), {aLeftID, aRightID});
}

bool TZRVCustomDataBase::AddLink(const QString& aLinkTable, const ZRVSql::Table& aLeft, uint32_t aLeftID,
                                 const ZRVSql::Table& aRight, uint32_t aRightID, const TColumns& aValues) {
    if (!GetOpenned() || aLeftID == 0 || aRightID == 0 ||
        LinkExists(aLinkTable, aLeft, aLeftID, aRight, aRightID) || !KeyExists(aLeft, aLeftID) ||
        !KeyExists(aRight, aRightID))
        return false;
    TColumns columns{{aLeft.Key, aLeftID}, {aRight.Key, aRightID}};
    columns.insert(columns.end(), aValues.begin(), aValues.end());
    InsertRow(aLinkTable, columns);
    return true;
}

bool TZRVCustomDataBase::DeleteLink(const QString& aLinkTable, const ZRVSql::Table& aLeft, uint32_t aLeftID,
                                    const ZRVSql::Table& aRight, uint32_t aRightID) {
    return DeleteRows(aLinkTable, {{aLeft.Key, aLeftID}, {aRight.Key, aRightID}});
}

// =============================================================================================
// Existence checks

int TZRVCustomDataBase::AccountExists(const QString& aName) {
    return KeyByColumns(ZRVSql::Accounts, {{u"AccountName"_s, aName}});
}

int TZRVCustomDataBase::TicketExists(const QString& aCode) {
    return KeyByColumns(ZRVSql::Tickets, {{u"Code"_s, aCode}});
}

int TZRVCustomDataBase::GroupExists(const QString& aName) {
    return KeyByColumns(ZRVSql::Groups, {{u"GroupName"_s, aName}});
}

int TZRVCustomDataBase::ApplicationExists(const QString& aName, const QString& aCommandLine) {
    return KeyByColumns(ZRVSql::Applications,
                        {{u"ApplicationName"_s, aName}, {u"CommandLine"_s, aCommandLine}});
}

int TZRVCustomDataBase::GameExists(const QString& aName, const QString& aCommandLine) {
    return KeyByColumns(ZRVSql::Games, {{u"GameName"_s, aName}, {u"CommandLine"_s, aCommandLine}});
}

int TZRVCustomDataBase::AuthorisationExists(const QString& aName) {
    return KeyByColumns(ZRVSql::Authorisations, {{u"AuthorisationName"_s, aName}});
}

int TZRVCustomDataBase::SecretQuestionExists(const QString& aQuestion) {
    return KeyByColumns(ZRVSql::SecretQuestions, {{u"Question"_s, aQuestion}});
}

int TZRVCustomDataBase::MachineExists(const QString& aName) {
    const auto& t = ZRVSql::Machines;
    return FirstKey(SelectColumn(t.Key, t.Name, {u"MachineName"_s}, t.Key, 1), {aName});
}

int TZRVCustomDataBase::HourFormulaExists(const QString& aName) {
    const auto& t = ZRVSql::HourFormulas;
    return FirstKey(SelectColumn(t.Key, t.Name, {u"Intitule"_s}, t.Key, 1), {aName});
}

int TZRVCustomDataBase::ProductExists(const QString& aName) {
    const auto& t = ZRVSql::Products;
    return FirstKey(SelectColumn(t.Key, t.Name, {u"Name"_s}, t.Key, 1), {aName});
}

bool TZRVCustomDataBase::AccountExists(uint32_t aID) {
    return KeyExists(ZRVSql::Accounts, aID);
}
bool TZRVCustomDataBase::TicketExists(uint32_t aID) {
    return KeyExists(ZRVSql::Tickets, aID);
}
bool TZRVCustomDataBase::GroupExists(uint32_t aID) {
    return KeyExists(ZRVSql::Groups, aID);
}
bool TZRVCustomDataBase::ApplicationExists(uint32_t aID) {
    return KeyExists(ZRVSql::Applications, aID);
}
bool TZRVCustomDataBase::GameExists(uint32_t aID) {
    return KeyExists(ZRVSql::Games, aID);
}
bool TZRVCustomDataBase::AuthorisationExists(uint32_t aID) {
    return KeyExists(ZRVSql::Authorisations, aID);
}
bool TZRVCustomDataBase::MachineExists(uint32_t aID) {
    return KeyExists(ZRVSql::Machines, aID);
}
bool TZRVCustomDataBase::SecretQuestionExists(uint32_t aID) {
    return KeyExists(ZRVSql::SecretQuestions, aID);
}

bool TZRVCustomDataBase::GroupApplicationExists(uint32_t aGroupID, uint32_t aApplicationID) {
    return LinkExists(ZRVSql::GroupsApplications, ZRVSql::Groups, aGroupID, ZRVSql::Applications,
                      aApplicationID);
}
bool TZRVCustomDataBase::GroupGameExists(uint32_t aGroupID, uint32_t aGameID) {
    return LinkExists(ZRVSql::GroupsGames, ZRVSql::Groups, aGroupID, ZRVSql::Games, aGameID);
}
bool TZRVCustomDataBase::GroupAuthorisationExists(uint32_t aGroupID, uint32_t aAuthorisationID) {
    return LinkExists(ZRVSql::GroupsAuthorisations, ZRVSql::Groups, aGroupID, ZRVSql::Authorisations,
                      aAuthorisationID);
}
bool TZRVCustomDataBase::MachineApplicationExists(uint32_t aMachineID, uint32_t aApplicationID) {
    return LinkExists(ZRVSql::MachinesApplications, ZRVSql::Machines, aMachineID, ZRVSql::Applications,
                      aApplicationID);
}
bool TZRVCustomDataBase::MachineGameExists(uint32_t aMachineID, uint32_t aGameID) {
    return LinkExists(ZRVSql::MachinesGames, ZRVSql::Machines, aMachineID, ZRVSql::Games, aGameID);
}

// =============================================================================================
// Reads

std::unique_ptr<TZRVUserTicket> TZRVCustomDataBase::ReadTicket(uint32_t aID) {
    if (!GetOpenned())
        return nullptr;
    return ReadAtOnce(*this, [&] {
        uint32_t groupID = 0;
        uint32_t machineID = 0;
        auto ticket = ReadByKey<TZRVUserTicket>(ZRVSql::TicketsView, aID,
                                                [&](const TZRVStatementRun& q, TZRVUserTicket& t) {
                                                    FillTicket(q, t);
                                                    groupID = UInt32(q, u"Group"_s);
                                                    machineID = UInt32(q, u"LastUsePC"_s);
                                                });
        if (ticket) {
            ticket->SetGroup(ReadGroup(groupID));
            ticket->SetLastUsePC(ReadMachine(machineID));
        }
        return ticket;
    });
}

std::unique_ptr<TZRVUserAccount> TZRVCustomDataBase::ReadAccount(uint32_t aID) {
    if (aID == 0)
        return nullptr;
    uint32_t groupID = 0;
    uint32_t machineID = 0;
    uint32_t questionID = 0;
    auto account =
        ReadByKey<TZRVUserAccount>(ZRVSql::Accounts, aID, [&](const TZRVStatementRun& q, TZRVUserAccount& a) {
            FillAccount(q, a);
            groupID = UInt32(q, u"Group"_s);
            machineID = UInt32(q, u"LastUsePC"_s);
            questionID = UInt32(q, u"SecretQuestion"_s);
        });
    if (account)
        AttachSubRecords(account.get(), groupID, machineID, questionID);
    return account;
}

void TZRVCustomDataBase::AttachSubRecords(TZRVUserAccount* Account, uint32_t aGroupID, uint32_t aMachineID,
                                          uint32_t aQuestionID) {
    Account->SetGroup(ReadGroup(aGroupID));
    Account->SetLastUsePC(ReadMachine(aMachineID));
    Account->SetSecretQuestion(ReadSecretQuestion(aQuestionID));
}

std::unique_ptr<TZRVGroup> TZRVCustomDataBase::ReadGroup(uint32_t aID) {
    auto group = ReadByKey<TZRVGroup>(ZRVSql::Groups, aID, FillGroup);
    if (group) {
        ReadLinked(ZRVSql::GroupsApplications, ZRVSql::Groups, aID, ZRVSql::Applications,
                   &TZRVCustomDataBase::ReadApplication, group->AllowedApplications());
        ReadLinked(ZRVSql::GroupsGames, ZRVSql::Groups, aID, ZRVSql::Games, &TZRVCustomDataBase::ReadGame,
                   group->AllowedGames());
    }
    return group;
}

std::unique_ptr<TZRVMachine> TZRVCustomDataBase::ReadMachine(uint32_t aID) {
    auto machine = ReadByKey<TZRVMachine>(ZRVSql::Machines, aID, FillMachine);
    if (machine) {
        ReadLinked(ZRVSql::MachinesApplications, ZRVSql::Machines, aID, ZRVSql::Applications,
                   &TZRVCustomDataBase::ReadApplication, machine->Applications());
        ReadLinked(ZRVSql::MachinesGames, ZRVSql::Machines, aID, ZRVSql::Games, &TZRVCustomDataBase::ReadGame,
                   machine->Games());
    }
    return machine;
}

std::unique_ptr<TZRVApplication> TZRVCustomDataBase::ReadApplication(uint32_t aID) {
    return ReadByKey<TZRVApplication>(ZRVSql::Applications, aID, FillApplication);
}

std::unique_ptr<TZRVGame> TZRVCustomDataBase::ReadGame(uint32_t aID) {
    return ReadByKey<TZRVGame>(ZRVSql::Games, aID, FillGame);
}

std::unique_ptr<TZRVAuthorisation> TZRVCustomDataBase::ReadAuthorisation(uint32_t aID) {
    return ReadByKey<TZRVAuthorisation>(ZRVSql::Authorisations, aID, FillAuthorisation);
}

std::unique_ptr<TZRVSecretQuestion> TZRVCustomDataBase::ReadSecretQuestion(uint32_t aID) {
    return ReadByKey<TZRVSecretQuestion>(ZRVSql::SecretQuestions, aID, FillSecretQuestion);
}

std::unique_ptr<TZRVGroupAuthorisation> TZRVCustomDataBase::ReadGroupAuthorisation(uint32_t aAuthorisationID,
                                                                                   uint32_t aGroupID) {
    if (!GetOpenned() || !GroupAuthorisationExists(aGroupID, aAuthorisationID))
        return nullptr;
    auto link = std::make_unique<TZRVGroupAuthorisation>();
    {
        TZRVStatementRun q = RunPrepared(Select(u"*"_s, ZRVSql::GroupsAuthorisations,
                                                {u"Group_ID"_s, u"Authorisation_ID"_s}, QString(), 1),
                                         {aGroupID, aAuthorisationID});
        q.Next();
        link->SetGroupID(UInt32(q, u"Group_ID"_s));
        link->SetValue(Flag(q, u"Value"_s));
        link->SetValueEx(Text(q, u"ValueEx"_s));
    }
    if (auto authorisation = ReadAuthorisation(aAuthorisationID))
        link->Authorisation()->Copy(authorisation.get());
    else
        link->Authorisation()->SetAuthorisationID(aAuthorisationID);
    return link;
}

namespace {
template <class T> bool Assigned(std::unique_ptr<T> aRecord, std::unique_ptr<T>& aVariable) {
    aVariable = std::move(aRecord);
    return aVariable != nullptr;
}
} // namespace

bool TZRVCustomDataBase::ReadTicket(uint32_t aID, std::unique_ptr<TZRVUserTicket>& Ticket) {
    return Assigned(ReadTicket(aID), Ticket);
}
bool TZRVCustomDataBase::ReadAccount(uint32_t aID, std::unique_ptr<TZRVUserAccount>& Account) {
    return Assigned(ReadAccount(aID), Account);
}
bool TZRVCustomDataBase::ReadGroup(uint32_t aID, std::unique_ptr<TZRVGroup>& Group) {
    return Assigned(ReadGroup(aID), Group);
}
bool TZRVCustomDataBase::ReadMachine(uint32_t aID, std::unique_ptr<TZRVMachine>& Machine) {
    return Assigned(ReadMachine(aID), Machine);
}
bool TZRVCustomDataBase::ReadApplication(uint32_t aID, std::unique_ptr<TZRVApplication>& Application) {
    return Assigned(ReadApplication(aID), Application);
}
bool TZRVCustomDataBase::ReadGame(uint32_t aID, std::unique_ptr<TZRVGame>& Game) {
    return Assigned(ReadGame(aID), Game);
}
bool TZRVCustomDataBase::ReadAuthorisation(uint32_t aID, std::unique_ptr<TZRVAuthorisation>& Authorisation) {
    return Assigned(ReadAuthorisation(aID), Authorisation);
}
bool TZRVCustomDataBase::ReadSecretQuestion(uint32_t aID, std::unique_ptr<TZRVSecretQuestion>& Question) {
    return Assigned(ReadSecretQuestion(aID), Question);
}

bool TZRVCustomDataBase::ReadHourFormula(const QString& aName, int& aID, int& aPacked) {
    if (!GetOpenned())
        return false;
    const auto& t = ZRVSql::HourFormulas;
    TZRVStatementRun q = RunPrepared(Select(u"*"_s, t.Name, {u"Intitule"_s}, t.Key, 1), {aName});
    if (!q.Next())
        return false;
    aID = Int32(q, t.Key);
    aPacked = PackedHourFormula(q);
    return true;
}

bool TZRVCustomDataBase::ReadHourFormula(int aID, QString& aName, int& aPacked) {
    if (!GetOpenned())
        return false;
    const auto& t = ZRVSql::HourFormulas;
    TZRVStatementRun q = RunPrepared(Select(u"*"_s, t.Name, {t.Key}, QString(), 1), {aID});
    if (!q.Next())
        return false;
    aName = Text(q, u"Intitule"_s);
    aPacked = PackedHourFormula(q);
    return true;
}

bool TZRVCustomDataBase::ReadProduct(int aID, QString& aName, int& aQuantityPerUnit, int& aUnitCost) {
    if (!GetOpenned())
        return false;
    const auto& t = ZRVSql::Products;
    TZRVStatementRun q = RunPrepared(Select(u"*"_s, t.Name, {t.Key}, QString(), 1), {aID});
    if (!q.Next())
        return false;
    aName = Text(q, u"Name"_s);
    aQuantityPerUnit = Int32(q, u"QuantityPerUnit"_s);
    aUnitCost = Int32(q, u"UnitCost"_s);
    return true;
}

bool TZRVCustomDataBase::ReadProduct(const QString& aName, int& aID, int& aQuantityPerUnit, int& aUnitCost) {
    if (!GetOpenned())
        return false;
    const auto& t = ZRVSql::Products;
    TZRVStatementRun q = RunPrepared(Select(u"*"_s, t.Name, {u"Name"_s}, t.Key, 1), {aName});
    if (!q.Next())
        return false;
    aID = Int32(q, t.Key);
    aQuantityPerUnit = Int32(q, u"QuantityPerUnit"_s);
    aUnitCost = Int32(q, u"UnitCost"_s);
    return true;
}

// =============================================================================================
// Inserts

int TZRVCustomDataBase::AccountGroupKey(const TZRVUserAccount* Account) {
    const TZRVGroup* group = Account->Group();
    if (const int byName = GroupExists(group->GroupName()))
        return byName;
    return GroupExists(group->GroupID()) ? int(group->GroupID()) : 0;
}

int TZRVCustomDataBase::AccountSecretQuestionKey(TZRVUserAccount* Account) {
    TZRVSecretQuestion* question = Account->SecretQuestion();
    if (const int key = SecretQuestionExists(question->Question())) {
        if (uint32_t(key) != question->SecretQuestionID())
            Account->SetSecretQuestion(ReadSecretQuestion(uint32_t(key)));
        return key;
    }
    return AddSecretQuestion(question) ? int(question->SecretQuestionID()) : 0;
}

bool TZRVCustomDataBase::AddAccount(TZRVUserAccount* Account) {
    if (!GetOpenned() || !Account || Account->AccountName().isEmpty() ||
        AccountExists(Account->AccountName()) != 0)
        return false;
    const int groupKey = AccountGroupKey(Account);
    if (groupKey == 0)
        return false;
    ApplyLastUseRule(*Account);
    const TDateTime created = Now();
    int questionKey = 0;
    const int key = RunAtomically([&] {
        questionKey = AccountSecretQuestionKey(Account);
        if (questionKey == 0)
            return 0;
        TColumns columns = AccountColumns(*Account);
        columns.insert(columns.end(), {{u"AccountName"_s, Account->AccountName()},
                                       {u"CreationDate"_s, created},
                                       {u"CreditTotal"_s, 0},
                                       {u"DeletedFlag"_s, false},
                                       {u"LastUpdateDate"_s, Account->LastUpdateDate()},
                                       {u"Group"_s, groupKey}});
        return InsertRow(ZRVSql::Accounts.Name, columns);
    });
    if (key == 0)
        return false;
    Account->SetAccountID(uint32_t(key));
    Account->SetCreationDate(created);
    Account->SetCreditTotal(0);
    Account->SetDeletedFlag(false);
    AttachSubRecords(Account, uint32_t(groupKey), Account->LastUsePC()->MachineID(), uint32_t(questionKey));
    return true;
}

bool TZRVCustomDataBase::AddTicket(TZRVUserTicket* Ticket, uint32_t aOwnerID, bool /*aFlag*/) {
    if (!GetOpenned() || !Ticket || Ticket->Code().isEmpty() || TicketExists(Ticket->Code()) != 0)
        return false;
    const int groupKey = GroupExists(Ticket->Group()->GroupName());
    if (groupKey == 0 || !AccountExists(aOwnerID))
        return false;
    const int formulaKey = HourFormulaExists(Ticket->HourFormulaName());
    if (formulaKey <= 0)
        return false;
    InsertRow(ZRVSql::Tickets.Name, {{u"Owner"_s, aOwnerID},
                                     {u"Group"_s, groupKey},
                                     {u"LastUsePC"_s, 1},
                                     {u"Active"_s, false},
                                     {u"ActivationDate"_s, 0.0},
                                     {u"Code"_s, Ticket->Code()},
                                     {u"Cost"_s, Ticket->Cost()},
                                     {u"CreationDate"_s, Date()},
                                     {u"Credit"_s, Ticket->Credit()},
                                     {u"DaysAllowed"_s, Ticket->DaysAllowed()},
                                     {u"DeletedFlag"_s, false},
                                     {u"LastUseDate"_s, Ticket->LastUseDate()},
                                     {u"LastUseTime"_s, Ticket->LastUseTime()},
                                     {u"PrintFlag"_s, false},
                                     {u"UsedFlag"_s, false},
                                     {u"HourFormulaName"_s, formulaKey}});
    return true;
}

bool TZRVCustomDataBase::AddGroup(std::unique_ptr<TZRVGroup>& Group) {
    if (!GetOpenned() || !Group || Group->GroupName().isEmpty() || GroupExists(Group->GroupName()) != 0)
        return false;
    const int key = RunAtomically([&] {
        const int k =
            InsertRow(ZRVSql::Groups.Name, {{u"AutoCredit"_s, Group->AutoCredit()},
                                            {u"GroupName"_s, Group->GroupName()},
                                            {u"GroupDescription"_s, Group->GroupDescription()},
                                            {u"IncrementalCredit"_s, Group->IncrementalCredit()},
                                            {u"Authorisations1"_s, Group->Authorisations().Mask()}});
        WriteLinks(ZRVSql::GroupsApplications, ZRVSql::GroupsGames, ZRVSql::Groups, uint32_t(k),
                   Group->AllowedApplications(), Group->AllowedGames());
        return k;
    });
    Group = ReadGroup(uint32_t(key));
    return true;
}

bool TZRVCustomDataBase::AddMachine(std::unique_ptr<TZRVMachine>& Machine) {
    if (!GetOpenned() || !Machine || Machine->MachineName().isEmpty() ||
        MachineExists(Machine->MachineName()) != 0)
        return false;
    const int key = RunAtomically([&] {
        const int k = InsertRow(ZRVSql::Machines.Name, {{u"MachineName"_s, Machine->MachineName()},
                                                        {u"Ram"_s, Machine->Ram()},
                                                        {u"Cpu"_s, Machine->Cpu()},
                                                        {u"Geography"_s, Machine->Geography()},
                                                        {u"Os"_s, Machine->OSystem()}});
        WriteLinks(ZRVSql::MachinesApplications, ZRVSql::MachinesGames, ZRVSql::Machines, uint32_t(k),
                   Machine->Applications(), Machine->Games());
        return k;
    });
    Machine = ReadMachine(uint32_t(key));
    return true;
}

bool TZRVCustomDataBase::AddApplication(TZRVApplication* Application) {
    if (!GetOpenned() || !Application || Application->ApplicationName().isEmpty() ||
        Application->CommandLine().isEmpty())
        return false;
    if (const int existing = ApplicationExists(Application->ApplicationName(), Application->CommandLine())) {
        Application->SetApplicationID(uint32_t(existing));
        return false;
    }
    Application->SetApplicationID(
        uint32_t(InsertRow(ZRVSql::Applications.Name, {{u"ApplicationName"_s, Application->ApplicationName()},
                                                       {u"CommandLine"_s, Application->CommandLine()}})));
    return true;
}

bool TZRVCustomDataBase::AddGame(TZRVGame* Game) {
    if (!GetOpenned() || !Game || Game->GameName().isEmpty() || Game->CommandLine().isEmpty() ||
        GameExists(Game->GameName(), Game->CommandLine()) != 0)
        return false;
    Game->SetGameID(uint32_t(InsertRow(ZRVSql::Games.Name, {{u"GameName"_s, Game->GameName()},
                                                            {u"CommandLine"_s, Game->CommandLine()},
                                                            {u"Description"_s, Game->Description()}})));
    return true;
}

bool TZRVCustomDataBase::AddAuthorisation(TZRVAuthorisation* Authorisation) {
    if (!GetOpenned() || !Authorisation || Authorisation->AuthorisationName().isEmpty() ||
        AuthorisationExists(Authorisation->AuthorisationName()) != 0)
        return false;
    Authorisation->SetAuthorisationID(uint32_t(
        InsertRow(ZRVSql::Authorisations.Name, {{u"AuthorisationName"_s, Authorisation->AuthorisationName()},
                                                {u"Description"_s, Authorisation->Description()}})));
    return true;
}

bool TZRVCustomDataBase::AddSecretQuestion(TZRVSecretQuestion* Question) {
    return InsertSecretQuestion(Question, false);
}

bool TZRVCustomDataBase::AddCustomerSecretQuestion(TZRVSecretQuestion* Question) {
    return InsertSecretQuestion(Question, true);
}

bool TZRVCustomDataBase::InsertSecretQuestion(TZRVSecretQuestion* Question, bool aFromWorkstation) {
    if (!GetOpenned() || !Question || Question->Question().isEmpty())
        return false;
    if (const int existing = SecretQuestionExists(Question->Question())) {
        Question->SetSecretQuestionID(uint32_t(existing));
        return false;
    }
    Question->SetSecretQuestionID(
        uint32_t(InsertRow(ZRVSql::SecretQuestions.Name, {{u"Question"_s, Question->Question()},
                                                          {u"FromWorkstation"_s, int(aFromWorkstation)}})));
    return true;
}

QStringList TZRVCustomDataBase::SecretQuestionList(int aMaxCount) {
    QStringList questions;
    QSqlQuery q = OpenQuery(ZRVSql::c_SecretQuestionList, {aMaxCount});
    while (q.next())
        questions << q.value(0).toString();
    return questions;
}

// =============================================================================================
// Sessions and reload codes

void TZRVCustomDataBase::AddSession(const TZRVSessionRow& aRow) {
    if (!GetOpenned())
        Fail(u"The database is not open"_s);
    InsertRow(ZRVSql::Sessions.Name, {{ZRVSql::Sessions.Key, aRow.Token},
                                      {u"SessionType"_s, int(aRow.SessionType)},
                                      {u"Record_ID"_s, aRow.RecordID},
                                      {u"Incremental"_s, int(aRow.Incremental)},
                                      {u"Credit"_s, aRow.Credit},
                                      {u"Used"_s, aRow.Used},
                                      {u"Slack"_s, aRow.Slack},
                                      {u"StartDate"_s, aRow.StartDate}});
}

std::optional<TZRVSessionRow> TZRVCustomDataBase::ReadSession(const QString& aToken) {
    if (!GetOpenned() || aToken.isEmpty())
        return std::nullopt;
    TZRVStatementRun q =
        RunPrepared(Select(u"*"_s, ZRVSql::Sessions.Name, {ZRVSql::Sessions.Key}, QString(), 1), {aToken});
    if (!q.Next())
        return std::nullopt;
    TZRVSessionRow row;
    row.Token = Text(q, ZRVSql::Sessions.Key);
    const int type = Int32(q, u"SessionType"_s);
    row.SessionType = type == stAccount || type == stTicket ? TZRVSessionType(type) : stNone;
    row.RecordID = UInt32(q, u"Record_ID"_s);
    row.Incremental = Flag(q, u"Incremental"_s);
    row.Credit = UInt32(q, u"Credit"_s);
    row.Used = UInt32(q, u"Used"_s);
    row.Slack = UInt32(q, u"Slack"_s);
    row.StartDate = DateTimeOf(q, u"StartDate"_s);
    return row;
}

bool TZRVCustomDataBase::DeleteSession(const QString& aToken) {
    if (!GetOpenned())
        return false;
    return RunAtomically([&] {
        RunPrepared(ZRVSql::c_ReleaseClaim, {aToken});
        return DeleteRows(ZRVSql::Sessions.Name, {{ZRVSql::Sessions.Key, aToken}});
    });
}

bool TZRVCustomDataBase::OpenSession(const TZRVSessionRow& aRow, const TZRVServerIdentity& aServer) {
    if (!GetOpenned())
        Fail(u"The database is not open"_s);
    return RunAtomically([&] {
        if (!ClaimRecord(aRow, aServer, true))
            return false;
        AddSession(aRow);
        return true;
    });
}

bool TZRVCustomDataBase::ClaimRecord(const TZRVSessionRow& aRow, const TZRVServerIdentity& aServer,
                                     bool aTakeOwn) {
    if (!GetOpenned())
        Fail(u"The database is not open"_s);
    return RunPrepared(Sql().Claim, {int(aRow.SessionType), aRow.RecordID, aRow.Token, aServer.Name,
                                     int(aTakeOwn), aServer.Silence})
               .Changes() == 1;
}

int TZRVCustomDataBase::RenewClaims(const QString& aServer, const QStringList& aTokens) {
    if (!GetOpenned())
        Fail(u"The database is not open"_s);
    return RunAtomically([&] {
        int renewed = 0;
        for (const QString& token : aTokens)
            renewed += std::max(RunPrepared(Sql().RenewClaim, {aServer, token}).Changes(), 0);
        return renewed;
    });
}

TZRVJobRun TZRVCustomDataBase::ClaimJob(const QString& aJob, qint64 aLastKnown, qint64 aDay) {
    if (!GetOpenned())
        Fail(u"The database is not open"_s);
    RunPrepared(ZRVSql::c_AddJob, {aJob});
    TZRVJobRun run;
    run.Won = RunPrepared(ZRVSql::c_ClaimJob, {aDay, aJob, aLastKnown, aDay}).Changes() == 1;
    TZRVStatementRun q = RunPrepared(ZRVSql::c_JobLastRun, {aJob});
    run.LastRun = q.Next() ? q.Number(0) : 0;
    return run;
}

void TZRVCustomDataBase::WriteSessionUse(const TZRVSessionRow& aRow, qint64 aChange, uint32_t aUsed,
                                         uint32_t aMachineID) {
    if (!GetOpenned())
        Fail(u"The database is not open"_s);
    const bool account = aRow.SessionType == stAccount;
    const ZRVSql::Table& table = account ? ZRVSql::Accounts : ZRVSql::Tickets;
    RunAtomically([&] {
        if (aRow.StartDate == 0) {
            if (aMachineID != 0)
                UpdateRows(table.Name, {{u"LastUsePC"_s, aMachineID}}, {{table.Key, aRow.RecordID}});
        } else if (account) {
            RunPrepared(Sql().WriteAccountUse,
                        {aChange, aUsed, aRow.StartDate, aRow.Used, aMachineID, aRow.RecordID});
        } else {
            RunPrepared(Sql().WriteTicketUse,
                        {aChange, aRow.StartDate, aRow.Used, aMachineID, aRow.RecordID});
        }
        UpdateRows(ZRVSql::Sessions.Name,
                   {{u"Credit"_s, aRow.Credit},
                    {u"Used"_s, aRow.Used},
                    {u"Slack"_s, aRow.Slack},
                    {u"StartDate"_s, aRow.StartDate}},
                   {{ZRVSql::Sessions.Key, aRow.Token}});
        return true;
    });
}

bool TZRVCustomDataBase::SpendReloadCode(uint32_t aTicketID, uint32_t aCredit, const TZRVSessionRow& aPayer) {
    if (!GetOpenned())
        Fail(u"The database is not open"_s);
    return RunAtomically([&] {
        if (RunPrepared(ZRVSql::c_SpendReloadCode, {Now(), aTicketID, aCredit}).Changes() != 1)
            return false;
        RunPrepared(aPayer.SessionType == stAccount ? Sql().GrantAccountCredit : Sql().GrantTicketCredit,
                    {aCredit, aPayer.RecordID});
        RunPrepared(Sql().GrantSessionCredit, {aCredit, aPayer.Token});
        return true;
    });
}

bool TZRVCustomDataBase::AddGroupAuthorisation(TZRVGroupAuthorisation* GroupAuthorisation) {
    if (!GetOpenned() || !GroupAuthorisation || !GroupAuthorisation->Authorisation())
        return false;
    const uint32_t group = GroupAuthorisation->GroupID();
    const uint32_t authorisation = GroupAuthorisation->Authorisation()->AuthorisationID();
    return AddLink(
        ZRVSql::GroupsAuthorisations, ZRVSql::Groups, group, ZRVSql::Authorisations, authorisation,
        {{u"Value"_s, GroupAuthorisation->Value()}, {u"ValueEx"_s, GroupAuthorisation->ValueEx()}});
}

bool TZRVCustomDataBase::AddGroupApplication(uint32_t aGroupID, uint32_t aApplicationID) {
    return AddLink(ZRVSql::GroupsApplications, ZRVSql::Groups, aGroupID, ZRVSql::Applications,
                   aApplicationID);
}
bool TZRVCustomDataBase::AddGroupGame(uint32_t aGroupID, uint32_t aGameID) {
    return AddLink(ZRVSql::GroupsGames, ZRVSql::Groups, aGroupID, ZRVSql::Games, aGameID);
}
bool TZRVCustomDataBase::AddMachineApplication(uint32_t aMachineID, uint32_t aApplicationID) {
    return AddLink(ZRVSql::MachinesApplications, ZRVSql::Machines, aMachineID, ZRVSql::Applications,
                   aApplicationID);
}
bool TZRVCustomDataBase::AddMachineGame(uint32_t aMachineID, uint32_t aGameID) {
    return AddLink(ZRVSql::MachinesGames, ZRVSql::Machines, aMachineID, ZRVSql::Games, aGameID);
}

int TZRVCustomDataBase::AddHourFormula(const QString& aName, int aStartDay, int aStartHour, int aEndDay,
                                       int aEndHour) {
    if (!GetOpenned() || !ValidHourFormula(aName, aStartDay, aStartHour, aEndDay, aEndHour) ||
        HourFormulaExists(aName) != 0)
        return 0;
    TColumns columns = HourFormulaColumns(aStartDay, aStartHour, aEndDay, aEndHour);
    columns.insert(columns.begin(), {u"Intitule"_s, aName});
    return InsertRow(ZRVSql::HourFormulas.Name, columns);
}

int TZRVCustomDataBase::AddProduct(const QString& aName, int aQuantityPerUnit, int aUnitCost) {
    if (!GetOpenned() || !ValidName(aName) || ProductExists(aName) != 0)
        return 0;
    return InsertRow(
        ZRVSql::Products.Name,
        {{u"Name"_s, aName}, {u"QuantityPerUnit"_s, aQuantityPerUnit}, {u"UnitCost"_s, aUnitCost}});
}

// =============================================================================================
// Updates

bool TZRVCustomDataBase::UpdateAccount(TZRVUserAccount* Account) {
    if (!GetOpenned() || !Account || Account->AccountID() == 0)
        return false;
    ApplyLastUseRule(*Account);
    const TDateTime updated = Now();
    TColumns columns = AccountColumns(*Account);
    columns.insert(columns.end(), {{u"CreditTotal"_s, Account->CreditTotal()},
                                   {u"DeletedFlag"_s, Account->DeletedFlag()},
                                   {u"LastUpdateDate"_s, updated},
                                   {u"Group"_s, Account->Group()->GroupID()}});
    if (UpdateRows(ZRVSql::Accounts.Name, columns, {{ZRVSql::Accounts.Key, Account->AccountID()}}) == 0)
        return false;
    Account->SetLastUpdateDate(updated);
    return true;
}

bool TZRVCustomDataBase::UpdateTicket(TZRVUserTicket* Ticket) {
    if (!GetOpenned() || !Ticket || Ticket->TicketID() == 0)
        return false;
    return UpdateRows(ZRVSql::Tickets.Name,
                      {{u"Active"_s, Ticket->Active()},
                       {u"ActivationDate"_s, Ticket->ActivationDate()},
                       {u"Credit"_s, Ticket->Credit()},
                       {u"DaysAllowed"_s, Ticket->DaysAllowed()},
                       {u"DeletedFlag"_s, Ticket->DeletedFlag()},
                       {u"LastUseDate"_s, Ticket->LastUseDate()},
                       {u"LastUseTime"_s, Ticket->LastUseTime()},
                       {u"PrintFlag"_s, Ticket->PrintFlag()},
                       {u"UsedFlag"_s, Ticket->UsedFlag()},
                       {u"Group"_s, Ticket->Group()->GroupID()},
                       {u"LastUsePC"_s, Ticket->LastUsePC()->MachineID()}},
                      {{ZRVSql::Tickets.Key, Ticket->TicketID()}}) > 0;
}

bool TZRVCustomDataBase::UpdateGroup(TZRVGroup* Group) {
    if (!GetOpenned() || !Group)
        return false;
    const uint32_t id = Group->GroupID();
    return RunAtomically([&] {
        if (UpdateRows(ZRVSql::Groups.Name,
                       {{u"AutoCredit"_s, Group->AutoCredit()},
                        {u"GroupName"_s, Group->GroupName()},
                        {u"GroupDescription"_s, Group->GroupDescription()},
                        {u"IncrementalCredit"_s, Group->IncrementalCredit()},
                        {u"Authorisations1"_s, Group->Authorisations().Mask()}},
                       {{ZRVSql::Groups.Key, id}}) == 0)
            return false;
        WriteLinks(ZRVSql::GroupsApplications, ZRVSql::GroupsGames, ZRVSql::Groups, id,
                   Group->AllowedApplications(), Group->AllowedGames());
        return true;
    });
}

bool TZRVCustomDataBase::UpdateMachine(TZRVMachine* Machine) {
    if (!GetOpenned() || !Machine)
        return false;
    const uint32_t id = Machine->MachineID();
    return RunAtomically([&] {
        if (UpdateRows(ZRVSql::Machines.Name,
                       {{u"Cpu"_s, Machine->Cpu()},
                        {u"MachineName"_s, Machine->MachineName()},
                        {u"Geography"_s, Machine->Geography()},
                        {u"Os"_s, Machine->OSystem()},
                        {u"Ram"_s, Machine->Ram()}},
                       {{ZRVSql::Machines.Key, id}}) == 0)
            return false;
        WriteLinks(ZRVSql::MachinesApplications, ZRVSql::MachinesGames, ZRVSql::Machines, id,
                   Machine->Applications(), Machine->Games());
        return true;
    });
}

bool TZRVCustomDataBase::UpdateApplication(TZRVApplication* Application) {
    if (!GetOpenned() || !Application)
        return false;
    return UpdateRows(ZRVSql::Applications.Name,
                      {{u"ApplicationName"_s, Application->ApplicationName()},
                       {u"CommandLine"_s, Application->CommandLine()}},
                      {{ZRVSql::Applications.Key, Application->ApplicationID()}}) > 0;
}

bool TZRVCustomDataBase::UpdateGame(TZRVGame* Game) {
    if (!GetOpenned() || !Game)
        return false;
    return UpdateRows(ZRVSql::Games.Name,
                      {{u"GameName"_s, Game->GameName()},
                       {u"CommandLine"_s, Game->CommandLine()},
                       {u"Description"_s, Game->Description()}},
                      {{ZRVSql::Games.Key, Game->GameID()}}) > 0;
}

bool TZRVCustomDataBase::UpdateGroupAuthorisation(TZRVGroupAuthorisation* GroupAuthorisation) {
    if (!GetOpenned() || !GroupAuthorisation || !GroupAuthorisation->Authorisation())
        return false;
    return UpdateRows(
               ZRVSql::GroupsAuthorisations,
               {{u"Value"_s, GroupAuthorisation->Value()}, {u"ValueEx"_s, GroupAuthorisation->ValueEx()}},
               {{ZRVSql::Groups.Key, GroupAuthorisation->GroupID()},
                {ZRVSql::Authorisations.Key, GroupAuthorisation->Authorisation()->AuthorisationID()}}) > 0;
}

bool TZRVCustomDataBase::UpdateHourFormula(const QString& aName, int aStartDay, int aStartHour, int aEndDay,
                                           int aEndHour) {
    if (!GetOpenned() || !ValidHourFormula(aName, aStartDay, aStartHour, aEndDay, aEndHour))
        return false;
    return UpdateRows(ZRVSql::HourFormulas.Name, HourFormulaColumns(aStartDay, aStartHour, aEndDay, aEndHour),
                      {{u"Intitule"_s, aName}}) > 0;
}

bool TZRVCustomDataBase::UpdateProduct(const QString& aName, int aQuantityPerUnit, int aUnitCost) {
    if (!GetOpenned() || !ValidName(aName))
        return false;
    return UpdateRows(ZRVSql::Products.Name,
                      {{u"QuantityPerUnit"_s, aQuantityPerUnit}, {u"UnitCost"_s, aUnitCost}},
                      {{u"Name"_s, aName}}) > 0;
}

// =============================================================================================
// Deletions

bool TZRVCustomDataBase::DeleteAccount(uint32_t aID, bool aSoft) {
    const TColumns key{{ZRVSql::Accounts.Key, aID}};
    if (!aSoft)
        return DeleteRows(ZRVSql::Accounts.Name, key);
    return GetOpenned() && UpdateRows(ZRVSql::Accounts.Name, {{u"DeletedFlag"_s, true}}, key) > 0;
}

bool TZRVCustomDataBase::DeleteTicket(uint32_t aID, bool aSoft) {
    const TColumns key{{ZRVSql::Tickets.Key, aID}};
    if (!aSoft)
        return DeleteRows(ZRVSql::Tickets.Name, key);
    return GetOpenned() && UpdateRows(ZRVSql::Tickets.Name, {{u"DeletedFlag"_s, true}}, key) > 0;
}

bool TZRVCustomDataBase::DeleteAccount(TZRVUserAccount* Account, bool aClear, bool aSoft) {
    if (!Account || !DeleteAccount(Account->AccountID(), aSoft))
        return false;
    if (aClear)
        Account->Clear();
    return true;
}

bool TZRVCustomDataBase::DeleteTicket(TZRVUserTicket* Ticket, bool aClear, bool aSoft) {
    if (!Ticket || !DeleteTicket(Ticket->TicketID(), aSoft))
        return false;
    if (aClear)
        Ticket->Clear();
    return true;
}

bool TZRVCustomDataBase::DeleteGroup(uint32_t aID) {
    return DeleteRows(ZRVSql::Groups.Name, {{ZRVSql::Groups.Key, aID}});
}

bool TZRVCustomDataBase::DeleteGroupApplication(uint32_t aGroupID, uint32_t aApplicationID) {
    return DeleteLink(ZRVSql::GroupsApplications, ZRVSql::Groups, aGroupID, ZRVSql::Applications,
                      aApplicationID);
}
bool TZRVCustomDataBase::DeleteGroupAuthorisation(uint32_t aGroupID, uint32_t aAuthorisationID) {
    return DeleteLink(ZRVSql::GroupsAuthorisations, ZRVSql::Groups, aGroupID, ZRVSql::Authorisations,
                      aAuthorisationID);
}
bool TZRVCustomDataBase::DeleteGroupGame(uint32_t aGroupID, uint32_t aGameID) {
    return DeleteLink(ZRVSql::GroupsGames, ZRVSql::Groups, aGroupID, ZRVSql::Games, aGameID);
}
bool TZRVCustomDataBase::DeleteMachineApplication(uint32_t aMachineID, uint32_t aApplicationID) {
    return DeleteLink(ZRVSql::MachinesApplications, ZRVSql::Machines, aMachineID, ZRVSql::Applications,
                      aApplicationID);
}
bool TZRVCustomDataBase::DeleteMachineGame(uint32_t aMachineID, uint32_t aGameID) {
    return DeleteLink(ZRVSql::MachinesGames, ZRVSql::Machines, aMachineID, ZRVSql::Games, aGameID);
}

bool TZRVCustomDataBase::DeleteHourFormula(int aID) {
    return DeleteRows(ZRVSql::HourFormulas.Name, {{ZRVSql::HourFormulas.Key, aID}});
}
bool TZRVCustomDataBase::DeleteHourFormula(const QString& aName) {
    return DeleteRows(ZRVSql::HourFormulas.Name, {{u"Intitule"_s, aName}});
}
bool TZRVCustomDataBase::DeleteProduct(int aID) {
    return DeleteRows(ZRVSql::Products.Name, {{ZRVSql::Products.Key, aID}});
}
bool TZRVCustomDataBase::DeleteProduct(const QString& aName) {
    return DeleteRows(ZRVSql::Products.Name, {{u"Name"_s, aName}});
}

// =============================================================================================
// Tickets generator

TZRVTicketsGenerator::TZRVTicketsGenerator(QObject* aOwner) : QObject(aOwner) {}

namespace {
QLatin1StringView Alphabet(TZRVTicketCodeStyle aStyle) {
    switch (aStyle) {
    case tcsNumericOnly:
        return QLatin1StringView(Digits, sizeof(Digits));
    case tcsAlphaNumericUpper:
        return QLatin1StringView(Alphanum_upper, sizeof(Alphanum_upper));
    case tcsAlphaNumericLower:
        return QLatin1StringView(Alphanum_lower, sizeof(Alphanum_lower));
    case tcsAlphaNumericBoth:
        break;
    }
    return QLatin1StringView(Alphanum, sizeof(Alphanum));
}

TZRVTicketCodeStyle StyleOf(bool aNumericOnly) {
    return aNumericOnly ? tcsNumericOnly : tcsAlphaNumericBoth;
}
} // namespace

QString TZRVTicketsGenerator::RandomCode(int aLength, TZRVTicketCodeStyle aStyle) {
    const QLatin1StringView alphabet = Alphabet(aStyle);
    QString code;
    for (int i = 0; i < aLength; ++i)
        code += QChar(alphabet[QRandomGenerator::system()->bounded(int(alphabet.size()))]);
    return code;
}

QString TZRVTicketsGenerator::RandomCode(int aLength, bool aNumericOnly) {
    return RandomCode(aLength, StyleOf(aNumericOnly));
}

bool TZRVTicketsGenerator::Unique(const QString& aCode) const {
    return !fFolded.contains(aCode.toLower());
}

void TZRVTicketsGenerator::Clear() {
    fCodes.Clear();
    fFolded.clear();
}

bool TZRVTicketsGenerator::Generate(int aCount, int aLength, bool aNumericOnly) {
    return Generate(aCount, aLength, StyleOf(aNumericOnly));
}

bool TZRVTicketsGenerator::Generate(int aCount, int aLength, TZRVTicketCodeStyle aStyle) {
    if (aCount < 1)
        throw EZRVError(u"Invalid tickets number"_s);
    if (!fDb)
        throw EZRVError(u"Database object not assigned"_s);
    if (!fDb->GetOpenned())
        throw EZRVError(u"Database not openned"_s);
    Clear();
    fLastError.clear();
    try {
        int rejected = 0;
        while (fCodes.Count() < aCount) {
            const QString code = RandomCode(aLength, aStyle);
            if (!Unique(code) || fDb->TicketExists(code) != 0) {
                if (++rejected >= c_MaxRejectedDraws)
                    return false;
                continue;
            }
            rejected = 0;
            fCodes.Add(code);
            fFolded.insert(code.toLower());
            const int accepted = fCodes.Count();
            DoProgress(accepted == aCount ? 100 : uint32_t(qint64(accepted) * 100 / aCount));
        }
    } catch (const std::exception& e) {
        fLastError = QString::fromUtf8(e.what());
        return false;
    }
    return true;
}

void TZRVTicketsGenerator::DoProgress(uint32_t aPercent) {
    if (fOnProgress)
        fOnProgress(this, aPercent);
}
