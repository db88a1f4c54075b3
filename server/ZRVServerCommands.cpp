#include "ZRVServerCommands.h"

#include "ZRVDashboard.h"
#include "ZRVErrorLogger.h"
#include "ZRVOperatorService.h"
#include "ZRVServerHost.h"
#include "ZRVTextTable.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <climits>

namespace {

const QString c_Program = QStringLiteral("zrv2server");
// The longest server name kept.
constexpr int c_MaxServerName = 100;

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

// Creates the folder of a database file; a PostgreSQL address names no folder.
void MakeFolderOf(const QString& aDataBase) {
    if (ZRVSql::EngineOf(aDataBase) == ZRVSql::TEngine::Sqlite)
        QDir().mkpath(QFileInfo(aDataBase).absolutePath());
}

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
    // The operator's service on the command's database.
    TZRVOperatorService Service() {
        if (!fDb) {
            fDb = std::make_unique<TZRVDataBase>();
            MakeFolderOf(DataBaseFile());
            fDb->SetDBName(DataBaseFile());
            fDb->SetPassword(Value(QStringLiteral("db-password")));
            fDb->Open();
        }
        return TZRVOperatorService(*fDb);
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

QString WindowText(const TZRVHourWindow& aWindow) {
    return QStringLiteral("%1 %2h - %3 %4h")
        .arg(DayName(aWindow.StartDay))
        .arg(aWindow.StartHour, 2, 10, QLatin1Char('0'))
        .arg(DayName(aWindow.EndDay))
        .arg(aWindow.EndHour, 2, 10, QLatin1Char('0'));
}

QString Money(int64_t aAmount) {
    return QString::number(aAmount) + QStringLiteral(" F");
}

// "<What> <id> created: <name>"; the command's exit code.
int Created(TContext& c, const char* aWhat, uint32_t aId, const QString& aName) {
    c.Out << QStringLiteral("%1 %2 created: %3").arg(QLatin1String(aWhat)).arg(aId).arg(aName) << Qt::endl;
    return 0;
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
    if (c.IsSet(QStringLiteral("server-name")))
        options.ServerName = c.Required(QStringLiteral("server-name")).left(c_MaxServerName);
    if (c.IsSet(QStringLiteral("jobs-interval")))
        options.JobsInterval = c.Number(QStringLiteral("jobs-interval"), 1, 86400) * 1000;
    MakeFolderOf(options.DataBase);
    QDir().mkpath(QFileInfo(options.LogFile).absolutePath());
    TZRVDashboardOptions web;
    web.SetHttp(c.Value(QStringLiteral("http")));
    web.CertFile = c.Value(QStringLiteral("http-cert"));
    web.KeyFile = c.Value(QStringLiteral("http-key"));
    TZRVServerHost host(options, c.Out);
    host.SetOnStopped([] { QCoreApplication::quit(); });
    host.CatchStopSignals();
    host.Start();
    TZRVDashboard dashboard(host, web);
    if (web.Enabled) {
        dashboard.Start();
        c.Out << QStringLiteral("zrv2server: dashboard on %1").arg(dashboard.Url()) << Qt::endl;
    }
    return QCoreApplication::exec();
}

int AccountCreate(TContext& c) {
    TZRVNewAccount account;
    account.Name = c.Argument(0);
    account.Password = c.Required(QStringLiteral("password"));
    account.Credit = uint32_t(c.Number(QStringLiteral("credit"), 0, INT_MAX));
    account.DaysAllowed = c.Number(QStringLiteral("days"), -1, INT_MAX);
    account.Active = !c.IsSet(QStringLiteral("inactive"));
    account.FirstName = c.Value(QStringLiteral("first-name"));
    account.SecondName = c.Value(QStringLiteral("second-name"));
    account.Question = c.Value(QStringLiteral("question"));
    account.Answer = c.Value(QStringLiteral("answer"));
    account.Group = c.Value(QStringLiteral("group"));
    const TZRVAccountSummary created = c.Service().CreateAccount(account);
    return Created(c, "Account", created.Id, created.Name);
}

int SetActive(TContext& c, bool aActive) {
    const TZRVAccountSummary account = c.Service().SetAccountActive(c.Argument(0), aActive);
    c.Out << QStringLiteral("Account %1 %2")
                 .arg(account.Name, aActive ? QStringLiteral("reactivated") : QStringLiteral("deactivated"))
          << Qt::endl;
    return 0;
}

int AccountDeactivate(TContext& c) {
    return SetActive(c, false);
}

int AccountReactivate(TContext& c) {
    return SetActive(c, true);
}

int AccountList(TContext& c) {
    QList<QStringList> rows = {{"ID", "NAME", "ACTIVE", "CREDIT", "GROUP", "LAST USE"}};
    for (const TZRVAccountSummary& a : c.Service().ListAccounts())
        rows << QStringList{QString::number(a.Id),  a.Name,  YesNo(a.Active),
                            FormatCredit(a.Credit), a.Group, DateText(a.LastUseDate)};
    PrintTable(c.Out, rows);
    return 0;
}

int GroupCreate(TContext& c) {
    TZRVNewGroup group;
    group.Name = c.Argument(0);
    group.Description = c.Value(QStringLiteral("description"));
    group.Incremental = c.IsSet(QStringLiteral("incremental"));
    group.Rights = c.Values(QStringLiteral("right"));
    const TZRVGroupSummary created = c.Service().CreateGroup(group);
    return Created(c, "Group", created.Id, created.Name);
}

int GroupList(TContext& c) {
    QList<QStringList> rows = {{"ID", "NAME", "INCREMENTAL", "DESCRIPTION"}};
    for (const TZRVGroupSummary& g : c.Service().ListGroups())
        rows << QStringList{QString::number(g.Id), g.Name, YesNo(g.Incremental), g.Description};
    PrintTable(c.Out, rows);
    return 0;
}

int HourFormulaCreate(TContext& c) {
    const TZRVHourWindow window{
        c.Number(QStringLiteral("start-day"), 1, 7), c.Number(QStringLiteral("start-hour"), 0, 23),
        c.Number(QStringLiteral("end-day"), 1, 7), c.Number(QStringLiteral("end-hour"), 0, 23)};
    const TZRVHourFormulaSummary created = c.Service().CreateHourFormula(c.Argument(0), window);
    return Created(c, "Hour formula", created.Id, created.Name);
}

int HourFormulaList(TContext& c) {
    QList<QStringList> rows = {{"ID", "NAME", "WINDOW"}};
    for (const TZRVHourFormulaSummary& h : c.Service().ListHourFormulas())
        rows << QStringList{QString::number(h.Id), h.Name, WindowText(h.Window)};
    PrintTable(c.Out, rows);
    return 0;
}

TZRVTicketCodeStyle CodeStyle(const QString& aName) {
    if (const std::optional<TZRVTicketCodeStyle> style = TicketCodeStyleNamed(aName))
        return *style;
    throw EZRVError(QStringLiteral("--style is numeric, upper, lower or mixed, not \"%1\"").arg(aName));
}

int TicketGenerate(TContext& c) {
    TZRVTicketBatch batch;
    batch.Owner = c.Required(QStringLiteral("owner"));
    batch.Count = c.Number(QStringLiteral("count"), 1, TZRVOperatorService::c_MaxBatch);
    batch.Length = c.Number(QStringLiteral("length"), TZRVOperatorService::c_MinCodeLength,
                            TZRVOperatorService::c_MaxCodeLength);
    batch.Style = CodeStyle(c.Value(QStringLiteral("style")));
    batch.Credit = uint32_t(c.Number(QStringLiteral("credit"), 0, INT_MAX));
    batch.Cost = c.Number(QStringLiteral("cost"), 0, INT_MAX);
    batch.DaysAllowed = c.Number(QStringLiteral("days"), 0, INT_MAX);
    batch.HourFormula = c.Value(QStringLiteral("hourformula"));
    batch.Group = c.Value(QStringLiteral("group"));
    batch.Sold = c.IsSet(QStringLiteral("sold"));
    for (const QString& code : c.Service().GenerateTickets(batch))
        c.Out << code << Qt::endl;
    return 0;
}

int TicketSell(TContext& c) {
    const TZRVTicketSummary ticket = c.Service().SellTicket(c.Argument(0));
    c.Out << QStringLiteral("Ticket %1 sold").arg(ticket.Code) << Qt::endl;
    return 0;
}

int TicketShow(TContext& c) {
    const TZRVTicketSummary t = c.Service().FindTicket(c.Argument(0));
    PrintTable(c.Out, {{"Code:", t.Code},
                       {"ID:", QString::number(t.Id)},
                       {"Credit:", FormatCredit(t.Credit)},
                       {"Cost:", QString::number(t.Cost)},
                       {"Sold:", YesNo(t.Sold)},
                       {"Activated:", DateText(t.ActivationDate)},
                       {"Valid for:", QStringLiteral("%1 days").arg(t.DaysAllowed)},
                       {"Used:", YesNo(t.Used)},
                       {"Deleted:", YesNo(t.Deleted)},
                       {"Last use:", DateText(t.LastUseDate)},
                       {"Hours:", t.HourFormula + QStringLiteral(" (") + WindowText(t.HourWindow) + u')'},
                       {"Group:", t.Group},
                       {"Created:", DateText(t.CreationDate)}});
    return 0;
}

int TicketList(TContext& c) {
    QList<QStringList> rows = {{"ID", "CODE", "CREDIT", "SOLD", "USED", "ACTIVATED", "DAYS"}};
    for (const TZRVTicketSummary& t : c.Service().ListTickets())
        rows << QStringList{QString::number(t.Id),
                            t.Code,
                            FormatCredit(t.Credit),
                            YesNo(t.Sold),
                            YesNo(t.Used),
                            DateText(t.ActivationDate),
                            QString::number(t.DaysAllowed)};
    PrintTable(c.Out, rows);
    return 0;
}

int ProductCreate(TContext& c) {
    const TZRVProductSummary created =
        c.Service().CreateProduct(c.Argument(0), c.Number(QStringLiteral("quantity-per-unit"), 1, INT_MAX),
                                  c.Number(QStringLiteral("cost"), 0, INT_MAX));
    return Created(c, "Product", created.Id, created.Name);
}

int ProductList(TContext& c) {
    QList<QStringList> rows = {{"ID", "NAME", "PER UNIT", "COST"}};
    for (const TZRVProductSummary& p : c.Service().ListProducts())
        rows << QStringList{QString::number(p.Id), p.Name, QString::number(p.QuantityPerUnit),
                            QString::number(p.UnitCost)};
    PrintTable(c.Out, rows);
    return 0;
}

// ----- the till: the cashier is the first argument.

QString Cashier(const TContext& c) {
    return c.Argument(0);
}

int TillOpen(TContext& c) {
    const TZRVTillSummary till = c.Service().TillOpen(Cashier(c));
    c.Out << QStringLiteral("Till %1 opened for %2").arg(till.Id).arg(till.Cashier) << Qt::endl;
    return 0;
}

int TillClose(TContext& c) {
    const TZRVTillSummary till = c.Service().TillClose(Cashier(c));
    c.Out << QStringLiteral("Till %1 closed, balance %2").arg(till.Id).arg(Money(till.Balance)) << Qt::endl;
    return 0;
}

int TillBalance(TContext& c) {
    const TZRVTillSummary till = c.Service().TillResume(Cashier(c));
    c.Out << QStringLiteral("Till %1 of %2, open since %3: balance %4")
                 .arg(till.Id)
                 .arg(till.Cashier, DateTimeToStr(till.StartDate), Money(till.Balance))
          << Qt::endl;
    return 0;
}

int TillOperations(TContext& c) {
    QList<QStringList> rows = {{"DATE", "N", "RUBRIC", "AMOUNT", "TITLE"}};
    for (const TZRVOperationInfos& o : c.Service().TillOperations(Cashier(c)))
        rows << QStringList{DateTimeToStr(o.Date), QString::number(rows.size()), o.Rubric, Money(o.Amount),
                            o.Title};
    PrintTable(c.Out, rows);
    return 0;
}

int TillSellTicket(TContext& c) {
    const TZRVTicketSummary ticket = c.Service().TillSellTicket(Cashier(c), c.Argument(1));
    c.Out << QStringLiteral("Ticket %1 sold for %2").arg(ticket.Code, Money(ticket.Cost)) << Qt::endl;
    return 0;
}

// One basket line from "NAME" or "NAME:QUANTITY".
TZRVBasketLine BasketLine(const QString& aItem) {
    const qsizetype colon = aItem.lastIndexOf(u':');
    if (colon < 0)
        return {aItem, 1};
    return {aItem.left(colon),
            uint32_t(TContext::NumberIn(aItem.mid(colon + 1), QStringLiteral("product"), 1, 10000))};
}

int TillSellProducts(TContext& c) {
    std::vector<TZRVBasketLine> basket;
    for (const QString& item : c.Values(QStringLiteral("product")))
        basket.push_back(BasketLine(item));
    if (basket.empty())
        throw EZRVError(QStringLiteral("--product is required"));
    const TZRVBasketSale sale =
        c.Service().TillSellProducts(Cashier(c), basket, c.Number(QStringLiteral("discount"), 0, INT_MAX));
    c.Out << QStringLiteral("%1 products sold for %2").arg(sale.Lines).arg(Money(sale.Total)) << Qt::endl;
    return 0;
}

// Who receives credit: the account (--account) or the ticket (--ticket) named.
TZRVCreditTarget CreditTarget(const TContext& c) {
    const bool account = c.IsSet(QStringLiteral("account"));
    if (account == c.IsSet(QStringLiteral("ticket")))
        throw EZRVError(QStringLiteral("Name either --account or --ticket"));
    return {account ? TZRVCreditTarget::Account : TZRVCreditTarget::Ticket,
            c.Value(account ? QStringLiteral("account") : QStringLiteral("ticket"))};
}

QString TargetText(const TZRVCreditTarget& aTarget) {
    return (aTarget.Kind == TZRVCreditTarget::Account ? QStringLiteral("account ")
                                                      : QStringLiteral("ticket ")) +
           aTarget.Name;
}

uint32_t Seconds(const TContext& c) {
    return uint32_t(c.Number(QStringLiteral("seconds"), 1, INT_MAX));
}

int TillAddCredit(TContext& c) {
    const TZRVCreditTarget target = CreditTarget(c);
    const uint32_t seconds = Seconds(c);
    const int cost = c.Number(QStringLiteral("cost"), 0, INT_MAX);
    const uint32_t credit = c.Service().TillAddCredit(Cashier(c), target, seconds, cost);
    c.Out << QStringLiteral("Added %1 to %2 for %3; its credit is now %4")
                 .arg(FormatCredit(seconds), TargetText(target), Money(cost), FormatCredit(credit))
          << Qt::endl;
    return 0;
}

int TillBonus(TContext& c) {
    const TZRVCreditTarget target = CreditTarget(c);
    const uint32_t seconds = Seconds(c);
    const uint32_t credit = c.Service().TillBonus(Cashier(c), target, seconds);
    c.Out << QStringLiteral("Gave %1 to %2 as a bonus; its credit is now %3")
                 .arg(FormatCredit(seconds), TargetText(target), FormatCredit(credit))
          << Qt::endl;
    return 0;
}

int Clean(TContext& c) {
    c.Out << QStringLiteral("Cleaning done: rows deleted or marked deleted: %1").arg(c.Service().Clean())
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
          Option("log", "Error log file (default: <data folder>/<year>-<month>.lgf).", "file"),
          Option("server-name",
                 "The server's name among the servers of a chain sharing one database (default: the host's "
                 "name and the port).",
                 "name"),
          Option("jobs-interval", "Seconds between two checks of the automatic jobs (default: 3600).",
                 "seconds"),
          Option("http", "The operator's web page: [ADDRESS:]PORT, or off.", "address", "127.0.0.1:8080"),
          Option("http-cert", "Serves the page over HTTPS with this PEM certificate (with --http-key).",
                 "file"),
          Option("http-key", "The PEM private key of --http-cert.", "file")},
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
        {"account deactivate",
         "Deactivates an account: it can no longer log in; its credit and history stay.",
         {},
         {{"name", "The account name."}},
         AccountDeactivate},
        {"account reactivate",
         "Reactivates a deactivated account.",
         {},
         {{"name", "The account name."}},
         AccountReactivate},
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
          Option("sold", "Marks the tickets sold at once, as ticket sell does.")},
         {},
         TicketGenerate},
        {"ticket sell",
         "Marks a ticket sold without a till (no money is recorded): it may be used from now on, its days "
         "of validity counting from today.",
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
         "Gives credit to an account or a ticket for nothing (the cashier's group needs urBonus); bonuses "
         "are listed apart from the money.",
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
                           "  --database <file>      the database (default: %1), or the address\n"
                           "                         postgresql://user@host:port/dbname of a PostgreSQL one\n"
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
        Option("database",
               "The database file, created on first use, or a PostgreSQL database's address "
               "postgresql://user@host:port/dbname (the password from PGPASSFILE or PGPASSWORD).",
               "file", ZRVDefaultDataBase()));
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
