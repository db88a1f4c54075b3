#include "ZRVServerCommands.h"

#include "ZRVAuctions.h"
#include "ZRVDataBase.h"
#include "ZRVErrorLogger.h"
#include "ZRVFunctions.h"
#include "ZRVServerHost.h"
#include "ZRVServerInitialisations.h"
#include "ZRVTextListView.h"
#include "ZRVUserAccount.h"
#include "ZRVUserTicket.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>

#include <climits>

namespace {

const QString c_Program = QStringLiteral("zrv2server");

class TContext;
using TRun = int (*)(TContext&);

struct TCommand {
    QString Path;
    QString Summary;
    QList<QCommandLineOption> Options;
    // Positional arguments: name and description.
    QList<std::pair<QString, QString>> Arguments;
    TRun Run;
};

// One command being run: its parsed line, its output, and the database opened on first use.
class TContext {
public:
    TContext(const QCommandLineParser& aParser, QTextStream& aOut) : Out(aOut), fParser(aParser) {}
    ~TContext() {
        if (fDb)
            fDb->Close();
    }

    QString Value(const QString& aOption) const { return fParser.value(aOption); }
    QStringList Values(const QString& aOption) const { return fParser.values(aOption); }
    bool IsSet(const QString& aOption) const { return fParser.isSet(aOption); }
    QString Argument(int aIndex) const { return fParser.positionalArguments().value(aIndex); }
    // The option's value as a whole number within the bounds; raises otherwise.
    int Number(const QString& aOption, int aMin, int aMax) const {
        return NumberIn(Value(aOption), aOption, aMin, aMax);
    }
    static int NumberIn(const QString& aText, const QString& aOption, int aMin, int aMax) {
        bool ok = false;
        const int value = aText.toInt(&ok);
        if (!ok || value < aMin || value > aMax)
            throw EZRVError(QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\"")
                                .arg(aOption)
                                .arg(aMin)
                                .arg(aMax)
                                .arg(aText));
        return value;
    }
    // The option's value, which must be given.
    QString Required(const QString& aOption) const {
        if (Value(aOption).isEmpty())
            throw EZRVError(QStringLiteral("--%1 is required").arg(aOption));
        return Value(aOption);
    }
    QString DataBaseFile() const { return Value(QStringLiteral("database")); }
    TZRVDataBase& DataBase() {
        if (!fDb) {
            fDb = std::make_unique<TZRVDataBase>();
            OpenDataBase(*fDb, DataBaseFile(), Value(QStringLiteral("db-password")));
        }
        return *fDb;
    }
    static void OpenDataBase(TZRVDataBase& aDb, const QString& aFile, const QString& aPassword) {
        QDir().mkpath(QFileInfo(aFile).absolutePath());
        aDb.SetDBName(aFile);
        aDb.SetPassword(aPassword);
        aDb.Open();
    }

    QTextStream& Out;

private:
    const QCommandLineParser& fParser;
    std::unique_ptr<TZRVDataBase> fDb;
};

// ---------------------------------------------------------------------------------------------
// Output

QString YesNo(bool aValue) {
    return aValue ? QStringLiteral("yes") : QStringLiteral("no");
}

QString DateText(TDateTime aValue) {
    return aValue == 0 ? QStringLiteral("-") : DateTimeToStr(aValue);
}

QString DayName(int aDay) {
    static const char* const names[] = {"?", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    return QString::fromLatin1(names[aDay >= 1 && aDay <= 7 ? aDay : 0]);
}

QString HourWindow(int32_t aPacked) {
    return QStringLiteral("%1 %2h - %3 %4h")
        .arg(DayName(GetStartDay(aPacked)))
        .arg(GetStartHour(aPacked), 2, 10, QLatin1Char('0'))
        .arg(DayName(GetEndDay(aPacked)))
        .arg(GetEndHour(aPacked), 2, 10, QLatin1Char('0'));
}

// The keys of a table's rows in key order.
QList<uint32_t> Keys(TZRVDataBase& aDb, const ZRVSql::Table& aTable) {
    QSqlQuery q(aDb.Connection());
    q.setForwardOnly(true);
    if (!q.exec(ZRVSql::Select(ZRVSql::Name(aTable.Key), aTable.Name, {}, aTable.Key)))
        throw EZRVError(QStringLiteral("%1 could not be read").arg(aTable.Name));
    QList<uint32_t> keys;
    while (q.next())
        keys << q.value(0).toUInt();
    return keys;
}

// ---------------------------------------------------------------------------------------------
// Look-ups that refuse with a sentence

std::unique_ptr<TZRVGroup> GroupNamed(TZRVDataBase& aDb, const QString& aName) {
    auto group = aDb.ReadGroup(uint32_t(aDb.GroupExists(aName)));
    if (!group)
        throw EZRVError(QStringLiteral("There is no group named \"%1\"").arg(aName));
    return group;
}

uint32_t AccountNamed(TZRVDataBase& aDb, const QString& aName) {
    const int id = aDb.AccountExists(aName);
    if (id == 0)
        throw EZRVError(QStringLiteral("There is no account named \"%1\"").arg(aName));
    return uint32_t(id);
}

std::unique_ptr<TZRVUserTicket> TicketCoded(TZRVDataBase& aDb, const QString& aCode) {
    auto ticket = aDb.ReadTicket(uint32_t(aDb.TicketExists(aCode)));
    if (!ticket)
        throw EZRVError(QStringLiteral("There is no ticket \"%1\"").arg(aCode));
    return ticket;
}

// ---------------------------------------------------------------------------------------------
// The commands

int Serve(TContext& c) {
    TZRVServeOptions options;
    options.DataBase = c.DataBaseFile();
    options.DataBasePassword = c.Value(QStringLiteral("db-password"));
    options.LogFile = c.IsSet(QStringLiteral("log"))
                          ? c.Value(QStringLiteral("log"))
                          : ZRVDataFolder() + u'/' + TZRVErrorLogger::AutoFileName();
    if (c.IsSet(QStringLiteral("port")))
        options.Port = c.Number(QStringLiteral("port"), 0, 65535);
    if (c.IsSet(QStringLiteral("max-connections")))
        options.MaxConnections = c.Number(QStringLiteral("max-connections"), 1, 255);
    options.DiscoveryPort = c.Number(QStringLiteral("discovery-port"), 0, 65535);
    QDir().mkpath(QFileInfo(options.DataBase).absolutePath());
    QDir().mkpath(QFileInfo(options.LogFile).absolutePath());
    TZRVServerHost host(options, c.Out);
    host.SetOnStopped([] { QCoreApplication::quit(); });
    host.CatchStopSignals();
    host.Start();
    return QCoreApplication::exec();
}

int AccountCreate(TContext& c) {
    TZRVDataBase& db = c.DataBase();
    const QString name = c.Argument(0);
    if (db.AccountExists(name) != 0)
        throw EZRVError(QStringLiteral("An account named \"%1\" exists already").arg(name));
    TZRVUserAccount account;
    account.SetAccountName(name);
    account.SetAccountPassword(c.Required(QStringLiteral("password")));
    account.SetCredit(uint32_t(c.Number(QStringLiteral("credit"), 0, INT_MAX)));
    account.SetDaysAllowed(c.Number(QStringLiteral("days"), -1, INT_MAX));
    account.SetActive(!c.IsSet(QStringLiteral("inactive")));
    account.SetFirstName(c.Value(QStringLiteral("first-name")));
    account.SetSecondName(c.Value(QStringLiteral("second-name")));
    account.SecretQuestion()->SetQuestion(c.Value(QStringLiteral("question")));
    account.SetSecretAnswer(c.Value(QStringLiteral("answer")));
    account.SetGroup(GroupNamed(db, c.Value(QStringLiteral("group"))));
    account.SetCreationDate(Now());
    if (!db.AddAccount(&account))
        throw EZRVError(QStringLiteral("The account \"%1\" could not be created").arg(name));
    c.Out << QStringLiteral("Account %1 created: %2").arg(account.AccountID()).arg(name) << Qt::endl;
    return 0;
}

int AccountList(TContext& c) {
    TZRVDataBase& db = c.DataBase();
    QList<QStringList> rows = {{"ID", "NAME", "ACTIVE", "CREDIT", "GROUP", "LAST USE"}};
    for (const uint32_t id : Keys(db, ZRVSql::Accounts))
        if (const auto a = db.ReadAccount(id))
            rows << QStringList{QString::number(id),     a->AccountName(),
                                YesNo(a->Active()),      FormatCredit(a->Credit()),
                                a->Group()->GroupName(), DateText(a->LastUseDate())};
    PrintTable(c.Out, rows);
    return 0;
}

int GroupCreate(TContext& c) {
    TZRVDataBase& db = c.DataBase();
    auto group = std::make_unique<TZRVGroup>();
    group->SetGroupName(c.Argument(0));
    group->SetGroupDescription(c.Value(QStringLiteral("description")));
    group->SetIncrementalCredit(c.IsSet(QStringLiteral("incremental")));
    TZRVUserRights rights;
    for (const QString& right : c.Values(QStringLiteral("right"))) {
        // The authorisations are listed in the order of the rights, from key 1.
        const int key = db.AuthorisationExists(right);
        if (key < 1 || key > c_UserRightCount)
            throw EZRVError(QStringLiteral("There is no right named \"%1\"").arg(right));
        rights.Include(TZRVUserRight(key - 1));
    }
    group->SetAuthorisations(rights);
    if (db.GroupExists(group->GroupName()) != 0 || !db.AddGroup(group) || !group)
        throw EZRVError(QStringLiteral("The group \"%1\" could not be created").arg(c.Argument(0)));
    c.Out << QStringLiteral("Group %1 created: %2").arg(group->GroupID()).arg(group->GroupName()) << Qt::endl;
    return 0;
}

int GroupList(TContext& c) {
    TZRVDataBase& db = c.DataBase();
    QList<QStringList> rows = {{"ID", "NAME", "INCREMENTAL", "DESCRIPTION"}};
    for (const uint32_t id : Keys(db, ZRVSql::Groups))
        if (const auto g = db.ReadGroup(id))
            rows << QStringList{QString::number(id), g->GroupName(), YesNo(g->IncrementalCredit()),
                                g->GroupDescription()};
    PrintTable(c.Out, rows);
    return 0;
}

int HourFormulaCreate(TContext& c) {
    TZRVDataBase& db = c.DataBase();
    const QString name = c.Argument(0);
    const int id = db.AddHourFormula(
        name, c.Number(QStringLiteral("start-day"), 1, 7), c.Number(QStringLiteral("start-hour"), 0, 23),
        c.Number(QStringLiteral("end-day"), 1, 7), c.Number(QStringLiteral("end-hour"), 0, 23));
    if (id == 0)
        throw EZRVError(QStringLiteral("The hour formula \"%1\" could not be created").arg(name));
    c.Out << QStringLiteral("Hour formula %1 created: %2").arg(id).arg(name) << Qt::endl;
    return 0;
}

int HourFormulaList(TContext& c) {
    TZRVDataBase& db = c.DataBase();
    QList<QStringList> rows = {{"ID", "NAME", "WINDOW"}};
    for (const uint32_t id : Keys(db, ZRVSql::HourFormulas)) {
        QString name;
        int packed = 0;
        if (db.ReadHourFormula(int(id), name, packed))
            rows << QStringList{QString::number(id), name, HourWindow(packed)};
    }
    PrintTable(c.Out, rows);
    return 0;
}

TZRVTicketCodeStyle CodeStyle(const QString& aName) {
    const std::pair<const char*, TZRVTicketCodeStyle> styles[] = {{"numeric", tcsNumericOnly},
                                                                  {"upper", tcsAlphaNumericUpper},
                                                                  {"lower", tcsAlphaNumericLower},
                                                                  {"mixed", tcsAlphaNumericBoth}};
    for (const auto& [name, style] : styles)
        if (aName == QLatin1String(name))
            return style;
    throw EZRVError(QStringLiteral("--style is numeric, upper, lower or mixed, not \"%1\"").arg(aName));
}

// Sold: the ticket may be used, its validity running from now.
void MarkSold(TZRVDataBase& aDb, TZRVUserTicket& aTicket) {
    aTicket.SetActive(true);
    if (aTicket.ActivationDate() == 0)
        aTicket.SetActivationDate(Now());
    if (!aDb.UpdateTicket(&aTicket))
        throw EZRVError(QStringLiteral("The ticket \"%1\" could not be written").arg(aTicket.Code()));
}

int TicketGenerate(TContext& c) {
    TZRVDataBase& db = c.DataBase();
    const uint32_t owner = AccountNamed(db, c.Required(QStringLiteral("owner")));
    const int count = c.Number(QStringLiteral("count"), 1, 10000);
    TZRVTicketsGenerator generator;
    generator.SetDB(&db);
    if (!generator.Generate(count, c.Number(QStringLiteral("length"), 4, 32),
                            CodeStyle(c.Value(QStringLiteral("style")))))
        throw EZRVError(QStringLiteral("No batch of %1 fresh codes could be drawn").arg(count));
    const QString formula = c.Value(QStringLiteral("hourformula"));
    if (db.HourFormulaExists(formula) == 0)
        throw EZRVError(QStringLiteral("There is no hour formula named \"%1\"").arg(formula));
    const auto group = GroupNamed(db, c.Value(QStringLiteral("group")));
    for (const QString& code : generator.Codes().Lines()) {
        TZRVUserTicket ticket;
        ticket.SetCode(code);
        ticket.SetCredit(uint32_t(c.Number(QStringLiteral("credit"), 0, INT_MAX)));
        ticket.SetCost(c.Number(QStringLiteral("cost"), 0, INT_MAX));
        ticket.SetDaysAllowed(c.Number(QStringLiteral("days"), 0, INT_MAX));
        ticket.SetHourFormulaName(formula);
        ticket.Group()->Copy(group.get());
        if (!db.AddTicket(&ticket, owner, false))
            throw EZRVError(QStringLiteral("The ticket \"%1\" could not be created").arg(code));
        if (c.IsSet(QStringLiteral("sold")))
            MarkSold(db, *TicketCoded(db, code));
        c.Out << code << Qt::endl;
    }
    return 0;
}

int TicketSell(TContext& c) {
    TZRVDataBase& db = c.DataBase();
    const auto ticket = TicketCoded(db, c.Argument(0));
    if (ticket->Active())
        throw EZRVError(QStringLiteral("The ticket \"%1\" is sold already").arg(ticket->Code()));
    MarkSold(db, *ticket);
    c.Out << QStringLiteral("Ticket %1 sold").arg(ticket->Code()) << Qt::endl;
    return 0;
}

int TicketShow(TContext& c) {
    TZRVDataBase& db = c.DataBase();
    const auto t = TicketCoded(db, c.Argument(0));
    PrintTable(c.Out,
               {{"Code:", t->Code()},
                {"ID:", QString::number(t->TicketID())},
                {"Credit:", FormatCredit(t->Credit())},
                {"Cost:", QString::number(t->Cost())},
                {"Sold:", YesNo(t->Active())},
                {"Activated:", DateText(t->ActivationDate())},
                {"Valid for:", QStringLiteral("%1 days").arg(t->DaysAllowed())},
                {"Used:", YesNo(t->UsedFlag())},
                {"Deleted:", YesNo(t->DeletedFlag())},
                {"Last use:", DateText(t->LastUseDate())},
                {"Hours:", t->HourFormulaName() + QStringLiteral(" (") + HourWindow(t->HourFormula()) + u')'},
                {"Group:", t->Group()->GroupName()},
                {"Created:", DateText(t->CreationDate())}});
    return 0;
}

int TicketList(TContext& c) {
    TZRVDataBase& db = c.DataBase();
    QList<QStringList> rows = {{"ID", "CODE", "CREDIT", "SOLD", "USED", "ACTIVATED", "DAYS"}};
    for (const uint32_t id : Keys(db, ZRVSql::Tickets))
        if (const auto t = db.ReadTicket(id))
            rows << QStringList{QString::number(id),
                                t->Code(),
                                FormatCredit(t->Credit()),
                                YesNo(t->Active()),
                                YesNo(t->UsedFlag()),
                                DateText(t->ActivationDate()),
                                QString::number(t->DaysAllowed())};
    PrintTable(c.Out, rows);
    return 0;
}

int ProductCreate(TContext& c) {
    TZRVDataBase& db = c.DataBase();
    const QString name = c.Argument(0);
    if (db.ProductExists(name) != 0)
        throw EZRVError(QStringLiteral("A product named \"%1\" exists already").arg(name));
    const int id = db.AddProduct(name, c.Number(QStringLiteral("quantity-per-unit"), 1, INT_MAX),
                                 c.Number(QStringLiteral("cost"), 0, INT_MAX));
    if (id == 0)
        throw EZRVError(QStringLiteral("The product \"%1\" could not be created").arg(name));
    c.Out << QStringLiteral("Product %1 created: %2").arg(id).arg(name) << Qt::endl;
    return 0;
}

int ProductList(TContext& c) {
    TZRVDataBase& db = c.DataBase();
    QList<QStringList> rows = {{"ID", "NAME", "PER UNIT", "COST"}};
    for (const uint32_t id : Keys(db, ZRVSql::Products)) {
        QString name;
        int perUnit = 0;
        int cost = 0;
        if (db.ReadProduct(int(id), name, perUnit, cost))
            rows << QStringList{QString::number(id), name, QString::number(perUnit), QString::number(cost)};
    }
    PrintTable(c.Out, rows);
    return 0;
}

// ----- the till: the cashier is the first argument; every command but `till open` takes up the
// cashier's till left open.

QString Money(int64_t aAmount) {
    return QString::number(aAmount) + QStringLiteral(" F");
}

std::unique_ptr<TZRVUserAccount> Cashier(TContext& c) {
    TZRVDataBase& db = c.DataBase();
    return db.ReadAccount(AccountNamed(db, c.Argument(0)));
}

void ResumeTill(TContext& c, TZRVAuctions& aTill) {
    aTill.SetDataBase(&c.DataBase());
    aTill.OpenTill(*Cashier(c), true);
    if (!aTill.Ok())
        throw EZRVError(QStringLiteral("%1 has no open till; see till open").arg(c.Argument(0)));
}

// Raised when the till refused to record what the command did.
[[noreturn]] void NotRecorded() {
    throw EZRVError(QStringLiteral("The till could not record it; nothing was changed"));
}

int TillOpen(TContext& c) {
    TZRVAuctions till;
    till.SetDataBase(&c.DataBase());
    const auto cashier = Cashier(c);
    if (const uint32_t open = till.GetLastOpennedTill(*cashier))
        throw EZRVError(QStringLiteral("Till %1 of %2 is open already").arg(open).arg(c.Argument(0)));
    till.OpenTill(*cashier, false);
    c.Out << QStringLiteral("Till %1 opened for %2").arg(till.TillId()).arg(c.Argument(0)) << Qt::endl;
    return 0;
}

int TillClose(TContext& c) {
    TZRVAuctions till;
    ResumeTill(c, till);
    const int64_t balance = till.CheckBalance();
    if (!till.CloseTill())
        NotRecorded();
    c.Out << QStringLiteral("Till %1 closed, balance %2").arg(till.TillId()).arg(Money(balance)) << Qt::endl;
    return 0;
}

int TillBalance(TContext& c) {
    TZRVAuctions till;
    ResumeTill(c, till);
    c.Out << QStringLiteral("Till %1 of %2, open since %3: balance %4")
                 .arg(till.TillId())
                 .arg(c.Argument(0), DateTimeToStr(till.StartDate()), Money(till.CheckBalance()))
          << Qt::endl;
    return 0;
}

int TillOperations(TContext& c) {
    TZRVAuctions till;
    ResumeTill(c, till);
    TZRVTextListView view;
    if (!till.FillListView(view))
        throw EZRVError(QStringLiteral("The operations could not be read"));
    view.Print(c.Out, {"DATE", "N", "RUBRIC", "AMOUNT", "TITLE"});
    return 0;
}

int TillSellTicket(TContext& c) {
    TZRVAuctions till;
    ResumeTill(c, till);
    const auto ticket = TicketCoded(c.DataBase(), c.Argument(1));
    if (ticket->Active())
        throw EZRVError(QStringLiteral("The ticket \"%1\" is sold already").arg(ticket->Code()));
    TZRVTicketInfos infos;
    infos.TicketId = ticket->TicketID();
    infos.Code = ticket->Code();
    infos.Credit = ticket->Credit();
    infos.Cost = ticket->Cost();
    if (!till.SellTicket(infos))
        NotRecorded();
    c.Out << QStringLiteral("Ticket %1 sold for %2").arg(infos.Code, Money(infos.Cost)) << Qt::endl;
    return 0;
}

// One basket line from "NAME" or "NAME:QUANTITY", priced from the products table.
TZRVProductSellInfos BasketLine(TZRVDataBase& aDb, const QString& aItem) {
    const qsizetype colon = aItem.lastIndexOf(u':');
    const QString name = colon < 0 ? aItem : aItem.left(colon);
    const int quantity =
        colon < 0 ? 1 : TContext::NumberIn(aItem.mid(colon + 1), QStringLiteral("product"), 1, 10000);
    int id = 0;
    int perUnit = 0;
    int cost = 0;
    if (!aDb.ReadProduct(name, id, perUnit, cost))
        throw EZRVError(QStringLiteral("There is no product named \"%1\"").arg(name));
    const qint64 total = qint64(cost) * quantity;
    if (total > INT_MAX)
        throw EZRVError(QStringLiteral("%1 × %2 costs more than a sale can hold").arg(quantity).arg(name));
    return {uint32_t(id), name, uint32_t(quantity), int32_t(total)};
}

int TillSellProducts(TContext& c) {
    TZRVAuctions till;
    ResumeTill(c, till);
    TZRVSellCommand basket;
    for (const QString& item : c.Values(QStringLiteral("product")))
        basket.AddProduct(BasketLine(c.DataBase(), item));
    if (basket.GetCount() == 0)
        throw EZRVError(QStringLiteral("--product is required"));
    basket.SetDiscount(c.Number(QStringLiteral("discount"), 0, INT_MAX));
    if (!till.SellProducts(basket))
        NotRecorded();
    c.Out << QStringLiteral("%1 products sold for %2").arg(basket.GetCount()).arg(Money(basket.GetTotal()))
          << Qt::endl;
    return 0;
}

// Who receives credit: the account (--account) or the ticket (--ticket) named, and how much.
struct TCreditTarget {
    bool Account;
    QString Name;
    uint32_t Seconds;
    QString Text() const { return (Account ? QStringLiteral("account ") : QStringLiteral("ticket ")) + Name; }
};

TCreditTarget CreditTarget(TContext& c) {
    const bool account = c.IsSet(QStringLiteral("account"));
    if (account == c.IsSet(QStringLiteral("ticket")))
        throw EZRVError(QStringLiteral("Name either --account or --ticket"));
    return {account, c.Value(account ? QStringLiteral("account") : QStringLiteral("ticket")),
            uint32_t(c.Number(QStringLiteral("seconds"), 1, INT_MAX))};
}

// Adds the seconds to the target's credit and records that with aRecord(key, name), both or
// neither; the new credit.
template <class Record>
uint32_t AddCreditTo(TZRVDataBase& aDb, const TCreditTarget& aTarget, Record&& aRecord) {
    const auto write = [&](auto& aHolder, auto aUpdate, uint32_t aID, const QString& aName) {
        aHolder.SetCredit(uint32_t(std::min<qint64>(qint64(aHolder.Credit()) + aTarget.Seconds, INT_MAX)));
        if (!(aDb.*aUpdate)(&aHolder) || !aRecord(aID, aName))
            NotRecorded();
        return aHolder.Credit();
    };
    return aDb.Atomically([&] {
        if (aTarget.Account) {
            const auto account = aDb.ReadAccount(AccountNamed(aDb, aTarget.Name));
            return write(*account, &TZRVDataBase::UpdateAccount, account->AccountID(),
                         account->AccountName());
        }
        const auto ticket = TicketCoded(aDb, aTarget.Name);
        return write(*ticket, &TZRVDataBase::UpdateTicket, ticket->TicketID(), ticket->Code());
    });
}

int TillAddCredit(TContext& c) {
    TZRVAuctions till;
    ResumeTill(c, till);
    const TCreditTarget target = CreditTarget(c);
    const int cost = c.Number(QStringLiteral("cost"), 0, INT_MAX);
    const uint32_t credit = AddCreditTo(c.DataBase(), target, [&](uint32_t aID, const QString&) {
        return target.Account ? till.AddAccountCredit(aID, cost) : till.AddTicketCredit(aID, cost);
    });
    c.Out << QStringLiteral("Added %1 to %2 for %3; its credit is now %4")
                 .arg(FormatCredit(target.Seconds), target.Text(), Money(cost), FormatCredit(credit))
          << Qt::endl;
    return 0;
}

int TillBonus(TContext& c) {
    TZRVAuctions till;
    ResumeTill(c, till);
    const TCreditTarget target = CreditTarget(c);
    const uint32_t credit = AddCreditTo(c.DataBase(), target, [&](uint32_t aID, const QString& aName) {
        return target.Account ? till.AddAccountBonus(aName, target.Seconds)
                              : till.AddTicketBonus(aID, target.Seconds);
    });
    c.Out << QStringLiteral("Gave %1 to %2 as a bonus; its credit is now %3")
                 .arg(FormatCredit(target.Seconds), target.Text(), FormatCredit(credit))
          << Qt::endl;
    return 0;
}

int Clean(TContext& c) {
    TZRVServerInitialisations jobs;
    jobs.SetDB(&c.DataBase());
    c.Out << QStringLiteral("Cleaning done: rows deleted or marked deleted: %1").arg(jobs.FreeDataBase())
          << Qt::endl;
    return 0;
}

QCommandLineOption Option(const QString& aName, const QString& aDescription,
                          const QString& aValueName = QString(), const QString& aDefault = QString()) {
    const QString shown =
        aDefault.isEmpty() ? aDescription : aDescription + QStringLiteral(" Default: ") + aDefault;
    return QCommandLineOption(aName, shown, aValueName, aDefault);
}

const std::pair<QString, QString> c_CashierArgument{"cashier", "The cashier's account."};
const QCommandLineOption c_AccountTarget = Option("account", "The account receiving the credit.", "name");
const QCommandLineOption c_TicketTarget = Option("ticket", "The ticket receiving the credit.", "code");
const QCommandLineOption c_SecondsOption = Option("seconds", "The credit given, in seconds.", "seconds");

const QList<TCommand>& Commands() {
    static const QList<TCommand> commands = {
        {"serve",
         "Serves the workstations until SIGINT or SIGTERM, then logs every customer out and writes the "
         "sessions back.",
         {Option("port", "TCP port to listen on (default: the server settings, 12345).", "port"),
          Option("max-connections", "Workstation slots, 1 to 255 (default: the server settings, 10).", "n"),
          Option("discovery-port", "UDP port answering workstation discovery (0: any).", "port", "12346"),
          Option("log", "Error log file (default: <data folder>/<year>-<month>.lgf).", "file")},
         {},
         Serve},
        {"account create",
         "Creates a customer or employee account.",
         {Option("password", "The account's password.", "password"),
          Option("credit", "Credit in seconds.", "seconds", "0"),
          Option("days", "Days the account stays valid after its last use (-1: always).", "days", "-1"),
          Option("group", "The account's group.", "name", "Default"),
          Option("inactive", "Creates the account deactivated."), Option("first-name", "First name.", "text"),
          Option("second-name", "Second name.", "text"),
          Option("question", "Secret question for password recovery.", "text",
                 "Quelle est votre ville natale ?"),
          Option("answer", "Secret answer (empty: no recovery).", "text")},
         {{"name", "The account name."}},
         AccountCreate},
        {"account list", "Lists the accounts.", {}, {}, AccountList},
        {"group create",
         "Creates a group of customers.",
         {Option("description", "What the group is for.", "text"),
          Option("incremental", "Its tickets count time up (post-paid) instead of down."),
          Option("right",
                 "A right of the group's accounts, named as the authorisations are (urSellsView lets a "
                 "cashier open a till); repeat for more.",
                 "name")},
         {{"name", "The group name."}},
         GroupCreate},
        {"group list", "Lists the groups.", {}, {}, GroupList},
        {"hourformula create",
         "Creates an hour formula: the days (1 Monday ... 7 Sunday) and hours in which a ticket may be used.",
         {Option("start-day", "First day, 1 to 7.", "day", "1"),
          Option("start-hour", "First hour, 0 to 23.", "hour", "0"),
          Option("end-day", "Last day, 1 to 7.", "day", "7"),
          Option("end-hour", "Last hour, 0 to 23.", "hour", "23")},
         {{"name", "The formula's name."}},
         HourFormulaCreate},
        {"hourformula list", "Lists the hour formulas.", {}, {}, HourFormulaList},
        {"ticket generate",
         "Generates tickets with fresh codes and prints their codes.",
         {Option("owner", "The employee account that owns the tickets.", "account"),
          Option("count", "How many tickets.", "n", "1"), Option("length", "Code length, 4 to 32.", "n", "8"),
          Option("style", "Code characters: numeric, upper, lower or mixed.", "style", "numeric"),
          Option("credit", "Credit of each ticket in seconds.", "seconds", "3600"),
          Option("cost", "Price of each ticket.", "amount", "0"),
          Option("days", "Days a ticket stays valid once sold.", "days", "30"),
          Option("hourformula", "The hour formula limiting when the tickets may be used.", "name", "Default"),
          Option("group", "The tickets' group.", "name", "Default"),
          Option("sold", "Marks the tickets sold at once.")},
         {},
         TicketGenerate},
        {"ticket sell",
         "Marks a ticket sold: it may be used from now on.",
         {},
         {{"code", "The ticket's code."}},
         TicketSell},
        {"ticket show", "Shows a ticket.", {}, {{"code", "The ticket's code."}}, TicketShow},
        {"ticket list", "Lists the tickets.", {}, {}, TicketList},
        {"product create",
         "Creates a product the till sells.",
         {Option("cost", "Price of one unit.", "amount", "0"),
          Option("quantity-per-unit", "Items in one unit.", "n", "1")},
         {{"name", "The product's name, at most 20 characters."}},
         ProductCreate},
        {"product list", "Lists the products.", {}, {}, ProductList},
        {"till open",
         "Opens a till for a cashier whose group holds the right urSellsView; the other till commands "
         "work on it until it is closed.",
         {},
         {c_CashierArgument},
         TillOpen},
        {"till close",
         "Closes the cashier's till and prints its balance.",
         {},
         {c_CashierArgument},
         TillClose},
        {"till sell-ticket",
         "Sells a ticket at its price: records the sale and marks the ticket sold today.",
         {},
         {c_CashierArgument, {"code", "The ticket's code."}},
         TillSellTicket},
        {"till sell-products",
         "Sells a basket of products, priced from the products, as one operation.",
         {Option("product", "A line of the basket, NAME or NAME:QUANTITY; repeat for more.", "name[:n]"),
          Option("discount", "Taken off the basket's total.", "amount", "0")},
         {c_CashierArgument},
         TillSellProducts},
        {"till add-credit",
         "Sells credit to an account or a ticket.",
         {c_AccountTarget, c_TicketTarget, c_SecondsOption, Option("cost", "The price paid.", "amount", "0")},
         {c_CashierArgument},
         TillAddCredit},
        {"till bonus",
         "Gives credit to an account or a ticket for nothing; bonuses are listed apart from the money.",
         {c_AccountTarget, c_TicketTarget, c_SecondsOption},
         {c_CashierArgument},
         TillBonus},
        {"till balance",
         "Prints what the cashier took since the till opened.",
         {},
         {c_CashierArgument},
         TillBalance},
        {"till operations",
         "Lists the cashier's operations since the till opened.",
         {},
         {c_CashierArgument},
         TillOperations},
        {"clean",
         "Cleans the database now, as the cleaning settings say (by default: removes the expired tickets "
         "and marks deleted those left with less than a minute).",
         {},
         {},
         Clean},
    };
    return commands;
}

QString GeneralHelp() {
    QString text =
        QStringLiteral("Usage: %1 <command> [options]\n\n"
                       "The headless café server and its operator's commands on the same database.\n\n"
                       "Commands:\n")
            .arg(c_Program);
    for (const TCommand& command : Commands())
        text += QStringLiteral("  %1%2\n").arg(command.Path.leftJustified(20), command.Summary);
    text += QStringLiteral("\nEvery command takes:\n"
                           "  --database <file>      the database (default: %1)\n"
                           "  --db-password <text>   its password (set when the file is created)\n"
                           "  -h, --help             the command's own help\n")
                .arg(ZRVDefaultDataBase());
    return text;
}

// The command named by the first words of aArguments, and how many words name it.
std::pair<const TCommand*, qsizetype> FindCommand(const QStringList& aArguments) {
    for (const TCommand& command : Commands()) {
        const QStringList words = command.Path.split(u' ');
        if (aArguments.mid(0, words.size()) == words)
            return {&command, words.size()};
    }
    return {nullptr, 0};
}

QString CommandHelp(const QCommandLineParser& aParser, const TCommand& aCommand) {
    QString usage = QStringLiteral("Usage: %1 %2 [options]").arg(c_Program, aCommand.Path);
    for (const auto& argument : aCommand.Arguments)
        usage += QStringLiteral(" <%1>").arg(argument.first);
    // The parser's own usage line names the running program; ours names the command.
    QString help = aParser.helpText();
    return usage + help.mid(help.indexOf(u'\n'));
}

int RunCommand(const TCommand& aCommand, const QStringList& aArguments, QTextStream& aOut,
               QTextStream& aErr) {
    QCommandLineParser parser;
    parser.setApplicationDescription(aCommand.Summary);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    parser.addOption(help);
    parser.addOption(
        Option("database", "The database file; created on first use.", "file", ZRVDefaultDataBase()));
    parser.addOption(Option("db-password", "The database's password.", "text"));
    parser.addOptions(aCommand.Options);
    for (const auto& [name, description] : aCommand.Arguments)
        parser.addPositionalArgument(name, description);
    const QString name = c_Program + u' ' + aCommand.Path;
    if (!parser.parse(QStringList{name} + aArguments)) {
        aErr << name << QStringLiteral(": ") << parser.errorText() << Qt::endl;
        return 2;
    }
    if (parser.isSet(help)) {
        aOut << CommandHelp(parser, aCommand);
        return 0;
    }
    if (parser.positionalArguments().size() != aCommand.Arguments.size()) {
        aErr << name << QStringLiteral(": wrong number of arguments; see --help") << Qt::endl;
        return 2;
    }
    try {
        TContext context(parser, aOut);
        return aCommand.Run(context);
    } catch (const EZRVError& e) {
        aErr << name << QStringLiteral(": ") << e.Message() << Qt::endl;
        return 1;
    }
}

} // namespace

QString ZRVDefaultDataBase() {
    return ZRVDataFolder() + QStringLiteral("/zrv2server.db");
}

int ZRVServerMain(const QStringList& aArguments, QTextStream& aOut, QTextStream& aErr) {
    const QStringList arguments = aArguments.mid(1);
    const QString first = arguments.value(0);
    if (arguments.isEmpty() || first == QLatin1String("--help") || first == QLatin1String("-h") ||
        first == QLatin1String("help")) {
        (arguments.isEmpty() ? aErr : aOut) << GeneralHelp();
        return arguments.isEmpty() ? 2 : 0;
    }
    if (first == QLatin1String("--version")) {
        aOut << c_Program << u' ' << QStringLiteral(ZRV_VERSION) << Qt::endl;
        return 0;
    }
    const auto [command, words] = FindCommand(arguments);
    if (!command) {
        aErr << QStringLiteral("%1: unknown command \"%2\"; see %1 --help")
                    .arg(c_Program, arguments.mid(0, 2).join(u' '))
             << Qt::endl;
        return 2;
    }
    return RunCommand(*command, arguments.mid(words), aOut, aErr);
}
