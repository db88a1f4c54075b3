#include "ZRVDashboardRoutes.h"

#include "ZRVDashboardWorkstations.h"
#include "ZRVServerConnection.h"

#include <climits>

namespace {

using TCall = TZRVHttpCallPtr;

// ---------------------------------------------------------------------------------------------
// What the answers say

QString DateText(TDateTime aValue) {
    return aValue == 0 ? QString() : DateTimeToStr(aValue);
}

QJsonObject AccountJson(const TZRVAccountSummary& a) {
    return {{"id", qint64(a.Id)},         {"name", a.Name},
            {"active", a.Active},         {"credit", qint64(a.Credit)},
            {"group", a.Group},           {"firstName", a.FirstName},
            {"secondName", a.SecondName}, {"lastUse", DateText(a.LastUseDate)}};
}

QJsonObject TicketJson(const TZRVTicketSummary& t) {
    return {{"id", qint64(t.Id)},
            {"code", t.Code},
            {"credit", qint64(t.Credit)},
            {"cost", t.Cost},
            {"sold", t.Sold},
            {"activated", DateText(t.ActivationDate)},
            {"days", t.DaysAllowed},
            {"used", t.Used},
            {"deleted", t.Deleted},
            {"lastUse", DateText(t.LastUseDate)},
            {"hourFormula", t.HourFormula},
            {"group", t.Group},
            {"created", DateText(t.CreationDate)}};
}

QJsonObject TillJson(const TZRVTillSummary& t) {
    return {{"open", true},
            {"id", qint64(t.Id)},
            {"cashier", t.Cashier},
            {"start", DateText(t.StartDate)},
            {"balance", qint64(t.Balance)}};
}

QJsonArray OperationsJson(const std::vector<TZRVOperationInfos>& aOperations) {
    QJsonArray result;
    for (const TZRVOperationInfos& o : aOperations)
        result.append(QJsonObject{{"date", DateText(o.Date)},
                                  {"rubric", o.Rubric},
                                  {"title", o.Title},
                                  {"amount", qint64(o.Amount)}});
    return result;
}

template <class T, class F> QJsonArray ListJson(const std::vector<T>& aItems, F&& aJson) {
    QJsonArray result;
    for (const T& item : aItems)
        result.append(aJson(item));
    return result;
}

QJsonObject Credit(uint32_t aCredit) {
    return {{"credit", qint64(aCredit)}};
}

// ---------------------------------------------------------------------------------------------
// Sessions

void GetSession(TZRVDashboard& d, const TCall& c) {
    d.Reply(c, 200, TZRVDashboard::SessionJson(c->Session));
}

void SignIn(TZRVDashboard& d, const TCall& c) {
    d.SignIn(c);
}

void SignOut(TZRVDashboard& d, const TCall& c) {
    d.SignOut(c);
}

// ---------------------------------------------------------------------------------------------
// Workstations

void ListWorkstations(TZRVDashboard& d, const TCall& c) {
    d.Reply(c, 200,
            {{"workstations", ZRVWorkstationsJson(d.Server(), d.View())},
             {"slots", int(d.Server().MaxConnections())}});
}

// The workstation of the slot the path names.
TZRVServerClientConnection& Workstation(TZRVDashboard& d, const TCall& c) {
    bool ok = false;
    const int slot = c->Params.value(0).toInt(&ok);
    TZRVServerClientConnection* connection =
        ok && slot >= 1 && slot <= 255 ? d.Server().GetConnection(uint8_t(slot)) : nullptr;
    if (!connection || !connection->Connected())
        throw EZRVHttpError{404, QStringLiteral("Aucun poste sur l'emplacement %1").arg(c->Params.value(0))};
    return *connection;
}

template <void (TZRVServerClientConnection::*Command)()> void RunCommand(TZRVDashboard& d, const TCall& c) {
    (Workstation(d, c).*Command)();
    d.Reply(c, 200, {});
}

void SendMessage(TZRVDashboard& d, const TCall& c) {
    const QString text = TZRVJsonBody(c->Body).Text(QStringLiteral("text"), 500);
    if (!Workstation(d, c).SendClientMessage(text))
        throw EZRVHttpError{409, QStringLiteral("Le poste n'est pas prêt")};
    d.Reply(c, 200, {});
}

void CloseApplication(TZRVDashboard& d, const TCall& c) {
    const int handle = TZRVJsonBody(c->Body).Number(QStringLiteral("handle"), 0, INT_MAX);
    Workstation(d, c).TerminateApplication(uint32_t(handle), true);
    d.Reply(c, 200, {});
}

// ---------------------------------------------------------------------------------------------
// Tickets and accounts

TZRVTicketCodeStyle CodeStyle(const QString& aName) {
    if (const std::optional<TZRVTicketCodeStyle> style = TicketCodeStyleNamed(aName))
        return *style;
    throw EZRVHttpError{400, QStringLiteral("Le style est numeric, upper, lower ou mixed")};
}

void GenerateTickets(TZRVDashboard& d, const TCall& c) {
    const TZRVJsonBody body(c->Body);
    TZRVTicketBatch batch;
    batch.Owner = c->Session.Name;
    batch.Count = body.Number(QStringLiteral("count"), 1, 500);
    batch.Length = body.Number(QStringLiteral("length"), TZRVOperatorService::c_MinCodeLength,
                               TZRVOperatorService::c_MaxCodeLength, 8);
    const QString style = body.Text(QStringLiteral("style"), 10, false);
    batch.Style = CodeStyle(style.isEmpty() ? QStringLiteral("numeric") : style);
    batch.Credit = uint32_t(body.Number(QStringLiteral("credit"), 1, INT_MAX));
    batch.Cost = body.Number(QStringLiteral("cost"), 0, INT_MAX, 0);
    batch.DaysAllowed = body.Number(QStringLiteral("days"), 0, 36500, 30);
    if (const QString formula = body.Text(QStringLiteral("hourFormula"), 64, false); !formula.isEmpty())
        batch.HourFormula = formula;
    d.Operate<QStringList>(
        c, [batch](TZRVOperatorService& s) { return s.GenerateTickets(batch); },
        [batch](const QStringList& aCodes) {
            return QJsonObject{{"codes", QJsonArray::fromStringList(aCodes)},
                               {"credit", qint64(batch.Credit)},
                               {"cost", batch.Cost},
                               {"days", batch.DaysAllowed},
                               {"hourFormula", batch.HourFormula}};
        });
}

// The code the path names.
QString PathText(const TCall& c) {
    const QString text = c->Params.value(0);
    if (text.isEmpty() || text.size() > 64)
        throw EZRVHttpError{400, QStringLiteral("Code ou nom invalide")};
    return text;
}

void FindTicket(TZRVDashboard& d, const TCall& c) {
    const QString code = PathText(c);
    d.Operate<TZRVTicketSummary>(
        c, [code](TZRVOperatorService& s) { return s.FindTicket(code); }, TicketJson);
}

void SellTicket(TZRVDashboard& d, const TCall& c) {
    const QString code = PathText(c);
    d.Operate<TZRVTicketSummary>(
        c, [code](TZRVOperatorService& s) { return s.SellTicket(code); }, TicketJson);
}

void ListHourFormulas(TZRVDashboard& d, const TCall& c) {
    d.Operate<std::vector<TZRVHourFormulaSummary>>(
        c, [](TZRVOperatorService& s) { return s.ListHourFormulas(); },
        [](const std::vector<TZRVHourFormulaSummary>& aList) {
            return QJsonObject{{"hourFormulas", ListJson(aList, [](const TZRVHourFormulaSummary& h) {
                                    return QJsonValue(h.Name);
                                })}};
        });
}

constexpr qsizetype c_MaxListed = 200;

void SearchAccounts(TZRVDashboard& d, const TCall& c) {
    const QString search = c->Query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded).left(64);
    d.Operate<std::vector<TZRVAccountSummary>>(
        c,
        [search](TZRVOperatorService& s) {
            std::vector<TZRVAccountSummary> found;
            for (TZRVAccountSummary& a : s.ListAccounts())
                if (!a.Deleted && a.Name.contains(search, Qt::CaseInsensitive) &&
                    qsizetype(found.size()) < c_MaxListed)
                    found.push_back(std::move(a));
            return found;
        },
        [](const std::vector<TZRVAccountSummary>& aList) {
            return QJsonObject{{"accounts", ListJson(aList, AccountJson)}};
        });
}

void CreateAccount(TZRVDashboard& d, const TCall& c) {
    const TZRVJsonBody body(c->Body);
    TZRVNewAccount account;
    account.Name = body.Text(QStringLiteral("name"), 64);
    account.Password = body.Text(QStringLiteral("password"), 64);
    account.Credit = uint32_t(body.Number(QStringLiteral("credit"), 0, INT_MAX, 0));
    account.FirstName = body.Text(QStringLiteral("firstName"), 64, false);
    account.SecondName = body.Text(QStringLiteral("secondName"), 64, false);
    if (const QString group = body.Text(QStringLiteral("group"), 64, false); !group.isEmpty())
        account.Group = group;
    d.Operate<TZRVAccountSummary>(
        c, [account](TZRVOperatorService& s) { return s.CreateAccount(account); }, AccountJson);
}

void DeactivateAccount(TZRVDashboard& d, const TCall& c) {
    const QString name = PathText(c);
    d.Operate<TZRVAccountSummary>(
        c, [name](TZRVOperatorService& s) { return s.SetAccountActive(name, false); }, AccountJson);
}

// ---------------------------------------------------------------------------------------------
// The till: always the signed-in cashier's own

void TillState(TZRVDashboard& d, const TCall& c) {
    const QString cashier = c->Session.Name;
    ZRVOperate<TZRVTillSummary>(
        d.Host(), &d, [cashier](TZRVOperatorService& s) { return s.TillResume(cashier); },
        [&d, c](const TZRVOperatorOutcome<TZRVTillSummary>& aOutcome) {
            // No till open is a state of the page, not a failure.
            d.Reply(c, 200,
                    aOutcome.Ok() ? TillJson(aOutcome.Value)
                                  : QJsonObject{{"open", false}, {"message", aOutcome.Error}});
        });
}

void TillOpen(TZRVDashboard& d, const TCall& c) {
    const QString cashier = c->Session.Name;
    d.Operate<TZRVTillSummary>(
        c, [cashier](TZRVOperatorService& s) { return s.TillOpen(cashier); }, TillJson);
}

// The end-of-shift report: the till as it closed and its operations.
struct TTillReport {
    TZRVTillSummary Till;
    std::vector<TZRVOperationInfos> Operations;
};

void TillClose(TZRVDashboard& d, const TCall& c) {
    const QString cashier = c->Session.Name;
    d.Operate<TTillReport>(
        c,
        [cashier](TZRVOperatorService& s) {
            TTillReport report;
            report.Operations = s.TillOperations(cashier);
            report.Till = s.TillClose(cashier);
            return report;
        },
        [](const TTillReport& aReport) {
            QJsonObject till = TillJson(aReport.Till);
            till.insert("open", false);
            till.insert("operations", OperationsJson(aReport.Operations));
            return till;
        });
}

void TillOperations(TZRVDashboard& d, const TCall& c) {
    const QString cashier = c->Session.Name;
    d.Operate<std::vector<TZRVOperationInfos>>(
        c, [cashier](TZRVOperatorService& s) { return s.TillOperations(cashier); },
        [](const std::vector<TZRVOperationInfos>& aList) {
            return QJsonObject{{"operations", OperationsJson(aList)}};
        });
}

void TillSellTicket(TZRVDashboard& d, const TCall& c) {
    const QString cashier = c->Session.Name;
    const QString code = TZRVJsonBody(c->Body).Text(QStringLiteral("code"), 64);
    d.Operate<TZRVTicketSummary>(
        c, [cashier, code](TZRVOperatorService& s) { return s.TillSellTicket(cashier, code); }, TicketJson);
}

void TillSellProducts(TZRVDashboard& d, const TCall& c) {
    const QString cashier = c->Session.Name;
    const TZRVJsonBody body(c->Body);
    std::vector<TZRVBasketLine> basket;
    for (const QJsonValue& item : body.Array(QStringLiteral("basket"), 100)) {
        const TZRVJsonBody line = TZRVJsonBody::Of(item);
        basket.push_back({line.Text(QStringLiteral("product"), 64),
                          uint32_t(line.Number(QStringLiteral("quantity"), 1, 10000, 1))});
    }
    if (basket.empty())
        throw EZRVHttpError{400, QStringLiteral("Le panier est vide")};
    const int discount = body.Number(QStringLiteral("discount"), 0, INT_MAX, 0);
    d.Operate<TZRVBasketSale>(
        c,
        [cashier, basket, discount](TZRVOperatorService& s) {
            return s.TillSellProducts(cashier, basket, discount);
        },
        [](const TZRVBasketSale& aSale) {
            return QJsonObject{{"lines", aSale.Lines}, {"total", qint64(aSale.Total)}};
        });
}

// Who receives credit: {"account": NAME} or {"ticket": CODE}.
TZRVCreditTarget CreditTarget(const TZRVJsonBody& aBody) {
    const bool account = aBody.Has(QStringLiteral("account"));
    if (account == aBody.Has(QStringLiteral("ticket")))
        throw EZRVHttpError{400, QStringLiteral("Indiquez soit un compte, soit un ticket")};
    const QString field = account ? QStringLiteral("account") : QStringLiteral("ticket");
    return {account ? TZRVCreditTarget::Account : TZRVCreditTarget::Ticket, aBody.Text(field, 64)};
}

void TillAddCredit(TZRVDashboard& d, const TCall& c) {
    const QString cashier = c->Session.Name;
    const TZRVJsonBody body(c->Body);
    const TZRVCreditTarget target = CreditTarget(body);
    const auto seconds = uint32_t(body.Number(QStringLiteral("seconds"), 1, INT_MAX));
    const int cost = body.Number(QStringLiteral("cost"), 0, INT_MAX, 0);
    d.Operate<uint32_t>(
        c, [=](TZRVOperatorService& s) { return s.TillAddCredit(cashier, target, seconds, cost); }, Credit);
}

void TillBonus(TZRVDashboard& d, const TCall& c) {
    const QString cashier = c->Session.Name;
    const TZRVJsonBody body(c->Body);
    const TZRVCreditTarget target = CreditTarget(body);
    const auto seconds = uint32_t(body.Number(QStringLiteral("seconds"), 1, INT_MAX));
    d.Operate<uint32_t>(
        c, [=](TZRVOperatorService& s) { return s.TillBonus(cashier, target, seconds); }, Credit);
}

void ListProducts(TZRVDashboard& d, const TCall& c) {
    d.Operate<std::vector<TZRVProductSummary>>(
        c, [](TZRVOperatorService& s) { return s.ListProducts(); },
        [](const std::vector<TZRVProductSummary>& aList) {
            return QJsonObject{{"products", ListJson(aList, [](const TZRVProductSummary& p) {
                                    return QJsonObject{{"name", p.Name}, {"cost", p.UnitCost}};
                                })}};
        });
}

} // namespace

const std::vector<TZRVDashboardRoute>& ZRVDashboardRoutes() {
    using S = TZRVServerClientConnection;
    static const std::vector<TZRVDashboardRoute> routes = {
        {"GET", "/api/session", false, urNone, GetSession},
        {"POST", "/api/session", true, urNone, SignIn},
        {"POST", "/api/signout", false, urNone, SignOut},

        {"GET", "/api/workstations", false, urOpenServer, ListWorkstations},
        {"POST", "/api/workstations/*/message", false, urOpenServer, SendMessage},
        {"POST", "/api/workstations/*/close-session", false, urStopSession,
         RunCommand<&S::CommandCloseUserSession>},
        {"POST", "/api/workstations/*/close-connection", false, urCloseClientConnection,
         RunCommand<&S::CommandCloseUserConnection>},
        {"POST", "/api/workstations/*/sleep", false, urShutdownClientModule,
         RunCommand<&S::CommandCloseClientModule>},
        {"POST", "/api/workstations/*/wake", false, urShutdownClientModule,
         RunCommand<&S::CommandLaunchClientModule>},
        {"POST", "/api/workstations/*/reboot", false, urRebootWorkstation,
         RunCommand<&S::CommandRebootWorkStation>},
        {"POST", "/api/workstations/*/shutdown", false, urShutdownWorkStation,
         RunCommand<&S::CommandShutdownWorkStation>},
        {"POST", "/api/workstations/*/applications", false, urSeeClientApplications,
         RunCommand<&S::RequestRunningApplications>},
        {"POST", "/api/workstations/*/close-application", false, urSeeClientApplications, CloseApplication},

        {"POST", "/api/tickets", false, urGenerateTickets, GenerateTickets},
        {"GET", "/api/tickets/*", false, urGenerateTickets, FindTicket},
        {"POST", "/api/tickets/*/sell", false, urGenerateTickets, SellTicket},
        {"GET", "/api/hourformulas", false, urGenerateTickets, ListHourFormulas},

        {"GET", "/api/accounts", false, urCreateAccounts, SearchAccounts},
        {"POST", "/api/accounts", false, urCreateAccounts, CreateAccount},
        {"POST", "/api/accounts/*/deactivate", false, urDeleteAccounts, DeactivateAccount},

        {"GET", "/api/till", false, urSellsView, TillState},
        {"POST", "/api/till/open", false, urSellsView, TillOpen},
        {"POST", "/api/till/close", false, urSellsView, TillClose},
        {"GET", "/api/till/operations", false, urSellsView, TillOperations},
        {"POST", "/api/till/sell-ticket", false, urSellsView, TillSellTicket},
        {"POST", "/api/till/sell-products", false, urSellsView, TillSellProducts},
        {"POST", "/api/till/add-credit", false, urSellsView, TillAddCredit},
        {"POST", "/api/till/bonus", false, urSellsView, TillBonus},
        {"GET", "/api/products", false, urSellsView, ListProducts},
    };
    return routes;
}
