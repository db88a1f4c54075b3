#include "ZRVOperatorService.h"

#include "ZRVFunctions.h"
#include "ZRVGroup.h"
#include "ZRVServerInitialisations.h"
#include "ZRVUserAccount.h"
#include "ZRVUserTicket.h"

#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The most seconds of credit a record's column holds.
constexpr qint64 c_MaxCredit = std::numeric_limits<int32_t>::max();

[[noreturn]] void Refuse(const QString& aText) {
    throw EZRVError(aText);
}

// A till operation that returned false: the database refused it, and the till kept why.
void CheckRecorded(const TZRVAuctions& aTill, bool aRecorded) {
    if (!aRecorded)
        Refuse(aTill.LastError());
}

void CheckPrice(qint64 aAmount) {
    if (aAmount < 0)
        Refuse(u"A price cannot be negative"_s);
}

void CheckCredit(qint64 aSeconds) {
    if (aSeconds > c_MaxCredit)
        Refuse(u"A credit holds at most %1 seconds"_s.arg(c_MaxCredit));
}

TZRVAccountSummary SummaryOf(const TZRVUserAccount& a) {
    return {a.AccountID(),   a.AccountName(),        a.Active(),    a.DeletedFlag(), a.Credit(),
            a.DaysAllowed(), a.Group()->GroupName(), a.FirstName(), a.SecondName(),  a.CreationDate(),
            a.LastUseDate()};
}

TZRVHourWindow WindowOf(int32_t aPacked) {
    return {GetStartDay(aPacked), GetStartHour(aPacked), GetEndDay(aPacked), GetEndHour(aPacked)};
}

TZRVTicketSummary SummaryOf(const TZRVUserTicket& t) {
    return {t.TicketID(),
            t.Code(),
            t.Credit(),
            t.Cost(),
            t.Active(),
            t.ActivationDate(),
            t.DaysAllowed(),
            t.UsedFlag(),
            t.DeletedFlag(),
            t.PrintFlag(),
            t.LastUseDate(),
            t.HourFormulaName(),
            WindowOf(t.HourFormula()),
            t.Group()->GroupName(),
            t.CreationDate()};
}

TZRVGroupSummary SummaryOf(const TZRVGroup& g) {
    return {g.GroupID(),           g.GroupName(),  g.GroupDescription(),
            g.IncrementalCredit(), g.AutoCredit(), g.Authorisations()};
}

TZRVHourFormulaSummary HourFormulaOf(int aId, const QString& aName, int aPacked) {
    return {uint32_t(aId), aName, WindowOf(aPacked)};
}

// The summaries of a table's rows in key order; aRead gives nothing for a row gone meanwhile.
template <class Read> auto ListOf(TZRVDataBase& aDb, const ZRVSql::Table& aTable, Read&& aRead) {
    std::vector<typename decltype(aRead(0u))::value_type> list;
    for (const uint32_t id : aDb.Keys(aTable))
        if (const auto summary = aRead(id))
            list.push_back(*summary);
    return list;
}

template <class Record> auto SummaryIfAny(const std::unique_ptr<Record>& aRecord) {
    return aRecord ? std::optional(SummaryOf(*aRecord)) : std::nullopt;
}

QString TargetText(const TZRVCreditTarget& aTarget) {
    return (aTarget.Kind == TZRVCreditTarget::Account ? u"The account \"%1\""_s : u"The ticket \"%1\""_s)
        .arg(aTarget.Name);
}

} // namespace

// =============================================================================================
// Look-ups that refuse with a sentence

TZRVDataBase& TZRVOperatorService::Db() {
    // A closed database would read as empty, and a look-up would blame the operator's name.
    if (!fDb.GetOpenned())
        Refuse(u"The database is not open"_s);
    return fDb;
}

uint32_t TZRVOperatorService::AccountKey(const QString& aName) {
    const int id = Db().AccountExists(aName);
    if (id == 0)
        Refuse(u"There is no account named \"%1\""_s.arg(aName));
    return uint32_t(id);
}

std::unique_ptr<TZRVUserAccount> TZRVOperatorService::AccountNamed(const QString& aName) {
    auto account = Db().ReadAccount(uint32_t(fDb.AccountExists(aName)));
    if (!account)
        Refuse(u"There is no account named \"%1\""_s.arg(aName));
    return account;
}

std::unique_ptr<TZRVUserTicket> TZRVOperatorService::TicketCoded(const QString& aCode) {
    auto ticket = Db().ReadTicket(uint32_t(fDb.TicketExists(aCode)));
    if (!ticket)
        Refuse(u"There is no ticket \"%1\""_s.arg(aCode));
    return ticket;
}

std::unique_ptr<TZRVGroup> TZRVOperatorService::GroupNamed(const QString& aName) {
    auto group = Db().ReadGroup(uint32_t(fDb.GroupExists(aName)));
    if (!group)
        Refuse(u"There is no group named \"%1\""_s.arg(aName));
    return group;
}

// =============================================================================================
// Reads

std::vector<TZRVAccountSummary> TZRVOperatorService::ListAccounts() {
    return ListOf(Db(), ZRVSql::Accounts,
                  [this](uint32_t aId) { return SummaryIfAny(Db().ReadAccount(aId)); });
}

TZRVAccountSummary TZRVOperatorService::FindAccount(const QString& aName) {
    return SummaryOf(*AccountNamed(aName));
}

std::vector<TZRVTicketSummary> TZRVOperatorService::ListTickets() {
    return ListOf(Db(), ZRVSql::Tickets, [this](uint32_t aId) { return SummaryIfAny(Db().ReadTicket(aId)); });
}

TZRVTicketSummary TZRVOperatorService::FindTicket(const QString& aCode) {
    return SummaryOf(*TicketCoded(aCode));
}

std::vector<TZRVGroupSummary> TZRVOperatorService::ListGroups() {
    return ListOf(Db(), ZRVSql::Groups, [this](uint32_t aId) { return SummaryIfAny(Db().ReadGroup(aId)); });
}

TZRVGroupSummary TZRVOperatorService::FindGroup(const QString& aName) {
    return SummaryOf(*GroupNamed(aName));
}

std::vector<TZRVHourFormulaSummary> TZRVOperatorService::ListHourFormulas() {
    return ListOf(Db(), ZRVSql::HourFormulas, [this](uint32_t aId) {
        QString name;
        int packed = 0;
        const bool found = Db().ReadHourFormula(int(aId), name, packed);
        return found ? std::optional(HourFormulaOf(int(aId), name, packed)) : std::nullopt;
    });
}

TZRVHourFormulaSummary TZRVOperatorService::FindHourFormula(const QString& aName) {
    int id = 0;
    int packed = 0;
    if (!Db().ReadHourFormula(aName, id, packed))
        Refuse(u"There is no hour formula named \"%1\""_s.arg(aName));
    return HourFormulaOf(id, aName, packed);
}

std::vector<TZRVProductSummary> TZRVOperatorService::ListProducts() {
    return ListOf(Db(), ZRVSql::Products, [this](uint32_t aId) {
        TZRVProductSummary product{aId, {}, 0, 0};
        const bool found =
            Db().ReadProduct(int(aId), product.Name, product.QuantityPerUnit, product.UnitCost);
        return found ? std::optional(product) : std::nullopt;
    });
}

TZRVProductSummary TZRVOperatorService::FindProduct(const QString& aName) {
    int id = 0;
    TZRVProductSummary product{0, aName, 0, 0};
    if (!Db().ReadProduct(aName, id, product.QuantityPerUnit, product.UnitCost))
        Refuse(u"There is no product named \"%1\""_s.arg(aName));
    product.Id = uint32_t(id);
    return product;
}

// =============================================================================================
// What the café offers

TZRVAccountSummary TZRVOperatorService::CreateAccount(const TZRVNewAccount& aAccount) {
    if (Db().AccountExists(aAccount.Name) != 0)
        Refuse(u"An account named \"%1\" exists already"_s.arg(aAccount.Name));
    if (aAccount.Password.isEmpty())
        Refuse(u"The account \"%1\" needs a password"_s.arg(aAccount.Name));
    CheckCredit(aAccount.Credit);
    TZRVUserAccount account;
    account.SetAccountName(aAccount.Name);
    account.SetAccountPassword(aAccount.Password);
    account.SetCredit(aAccount.Credit);
    account.SetDaysAllowed(aAccount.DaysAllowed);
    account.SetActive(aAccount.Active);
    account.SetFirstName(aAccount.FirstName);
    account.SetSecondName(aAccount.SecondName);
    account.SecretQuestion()->SetQuestion(aAccount.Question);
    account.SetSecretAnswer(aAccount.Answer);
    account.SetGroup(GroupNamed(aAccount.Group));
    account.SetCreationDate(Now());
    if (!Db().AddAccount(&account))
        Refuse(u"The account \"%1\" could not be created"_s.arg(aAccount.Name));
    return SummaryOf(account);
}

TZRVAccountSummary TZRVOperatorService::SetAccountActive(const QString& aName, bool aActive) {
    return Db().RunAtomically([&] {
        const auto account = AccountNamed(aName);
        account->SetActive(aActive);
        if (!Db().UpdateAccount(account.get()))
            Refuse(u"The account \"%1\" could not be written"_s.arg(aName));
        return SummaryOf(*account);
    });
}

TZRVGroupSummary TZRVOperatorService::CreateGroup(const TZRVNewGroup& aGroup) {
    TZRVUserRights rights;
    for (const QString& right : aGroup.Rights) {
        // The authorisations are listed in the order of the rights, from key 1.
        const int key = Db().AuthorisationExists(right);
        if (key < 1 || key > c_UserRightCount)
            Refuse(u"There is no right named \"%1\""_s.arg(right));
        rights.Include(TZRVUserRight(key - 1));
    }
    auto group = std::make_unique<TZRVGroup>();
    group->SetGroupName(aGroup.Name);
    group->SetGroupDescription(aGroup.Description);
    group->SetIncrementalCredit(aGroup.Incremental);
    group->SetAuthorisations(rights);
    if (!Db().AddGroup(group) || !group)
        Refuse(u"The group \"%1\" could not be created"_s.arg(aGroup.Name));
    return SummaryOf(*group);
}

TZRVHourFormulaSummary TZRVOperatorService::CreateHourFormula(const QString& aName,
                                                              const TZRVHourWindow& aWindow) {
    if (Db().HourFormulaExists(aName) != 0)
        Refuse(u"An hour formula named \"%1\" exists already"_s.arg(aName));
    const int id =
        Db().AddHourFormula(aName, aWindow.StartDay, aWindow.StartHour, aWindow.EndDay, aWindow.EndHour);
    if (id == 0)
        Refuse(u"The hour formula \"%1\" could not be created"_s.arg(aName));
    return {uint32_t(id), aName, aWindow};
}

TZRVProductSummary TZRVOperatorService::CreateProduct(const QString& aName, int aQuantityPerUnit,
                                                      int aUnitCost) {
    if (Db().ProductExists(aName) != 0)
        Refuse(u"A product named \"%1\" exists already"_s.arg(aName));
    CheckPrice(aUnitCost);
    if (aQuantityPerUnit < 1)
        Refuse(u"A unit of \"%1\" holds at least one item"_s.arg(aName));
    const int id = Db().AddProduct(aName, aQuantityPerUnit, aUnitCost);
    if (id == 0)
        Refuse(u"The product \"%1\" could not be created"_s.arg(aName));
    return {uint32_t(id), aName, aQuantityPerUnit, aUnitCost};
}

// =============================================================================================
// Tickets

QStringList TZRVOperatorService::GenerateTickets(const TZRVTicketBatch& aBatch) {
    if (aBatch.Count < 1 || aBatch.Count > c_MaxBatch)
        Refuse(u"A batch holds 1 to %1 tickets"_s.arg(c_MaxBatch));
    if (aBatch.Length < c_MinCodeLength || aBatch.Length > c_MaxCodeLength)
        Refuse(u"A ticket code holds %1 to %2 characters"_s.arg(c_MinCodeLength).arg(c_MaxCodeLength));
    CheckPrice(aBatch.Cost);
    CheckCredit(aBatch.Credit);
    return Db().RunAtomically([&] {
        const uint32_t owner = AccountKey(aBatch.Owner);
        if (Db().HourFormulaExists(aBatch.HourFormula) == 0)
            Refuse(u"There is no hour formula named \"%1\""_s.arg(aBatch.HourFormula));
        const auto group = GroupNamed(aBatch.Group);
        TZRVTicketsGenerator generator;
        generator.SetDB(&Db());
        if (!generator.Generate(aBatch.Count, aBatch.Length, aBatch.Style))
            Refuse(generator.LastError().isEmpty()
                       ? u"No batch of %1 fresh codes could be drawn"_s.arg(aBatch.Count)
                       : generator.LastError());
        for (const QString& code : generator.Codes().Lines()) {
            TZRVUserTicket ticket;
            ticket.SetCode(code);
            ticket.SetCredit(aBatch.Credit);
            ticket.SetCost(aBatch.Cost);
            ticket.SetDaysAllowed(aBatch.DaysAllowed);
            ticket.SetHourFormulaName(aBatch.HourFormula);
            ticket.Group()->Copy(group.get());
            if (!Db().AddTicket(&ticket, owner, false))
                Refuse(u"The ticket \"%1\" could not be created"_s.arg(code));
            if (aBatch.Sold)
                TZRVAuctions::MarkTicketSold(Db(), uint32_t(Db().TicketExists(code)));
        }
        return generator.Codes().Lines();
    });
}

std::unique_ptr<TZRVUserTicket> TZRVOperatorService::SellableTicket(const QString& aCode) {
    auto ticket = TicketCoded(aCode);
    if (ticket->Active())
        Refuse(u"The ticket \"%1\" is sold already"_s.arg(ticket->Code()));
    if (ticket->DeletedFlag())
        Refuse(u"The ticket \"%1\" is deleted"_s.arg(ticket->Code()));
    return ticket;
}

TZRVTicketSummary TZRVOperatorService::SellTicket(const QString& aCode) {
    return Db().RunAtomically([&] {
        TZRVAuctions::MarkTicketSold(Db(), SellableTicket(aCode)->TicketID());
        return FindTicket(aCode);
    });
}

// =============================================================================================
// The till

std::unique_ptr<TZRVUserAccount> TZRVOperatorService::ResumeTill(const QString& aCashier,
                                                                 TZRVAuctions& aTill) {
    auto cashier = AccountNamed(aCashier);
    aTill.SetDataBase(&Db());
    aTill.OpenTill(*cashier, true);
    if (!aTill.Ok())
        Refuse(u"%1 has no open till"_s.arg(aCashier));
    return cashier;
}

TZRVTillSummary TZRVOperatorService::Summary(const QString& aCashier, TZRVAuctions& aTill) {
    return {aTill.TillId(), aCashier, aTill.StartDate(), aTill.CheckBalance()};
}

TZRVTillSummary TZRVOperatorService::TillOpen(const QString& aCashier) {
    return Db().RunAtomically([&] {
        TZRVAuctions till;
        till.SetDataBase(&Db());
        const auto cashier = AccountNamed(aCashier);
        if (const uint32_t open = till.GetLastOpennedTill(*cashier))
            Refuse(u"Till %1 of %2 is open already"_s.arg(open).arg(aCashier));
        till.OpenTill(*cashier, false);
        return Summary(aCashier, till);
    });
}

TZRVTillSummary TZRVOperatorService::TillClose(const QString& aCashier) {
    return Db().RunAtomically([&] {
        TZRVAuctions till;
        ResumeTill(aCashier, till);
        const TZRVTillSummary summary = Summary(aCashier, till);
        if (!till.CloseTill())
            Refuse(u"Till %1 could not be closed"_s.arg(till.TillId()));
        return summary;
    });
}

TZRVTillSummary TZRVOperatorService::TillResume(const QString& aCashier) {
    TZRVAuctions till;
    ResumeTill(aCashier, till);
    return Summary(aCashier, till);
}

std::vector<TZRVOperationInfos> TZRVOperatorService::TillOperations(const QString& aCashier) {
    TZRVAuctions till;
    ResumeTill(aCashier, till);
    return till.Operations();
}

TZRVTicketSummary TZRVOperatorService::TillSellTicket(const QString& aCashier, const QString& aCode) {
    return Db().RunAtomically([&] {
        TZRVAuctions till;
        ResumeTill(aCashier, till);
        const auto ticket = SellableTicket(aCode);
        TZRVTicketInfos infos;
        infos.TicketId = ticket->TicketID();
        infos.Code = ticket->Code();
        infos.Credit = ticket->Credit();
        infos.Cost = ticket->Cost();
        CheckRecorded(till, till.SellTicket(infos));
        return FindTicket(aCode);
    });
}

TZRVBasketSale TZRVOperatorService::TillSellProducts(const QString& aCashier,
                                                     const std::vector<TZRVBasketLine>& aBasket,
                                                     int32_t aDiscount) {
    CheckPrice(aDiscount);
    return Db().RunAtomically([&] {
        TZRVAuctions till;
        ResumeTill(aCashier, till);
        TZRVSellCommand command;
        for (const TZRVBasketLine& line : aBasket) {
            const TZRVProductSummary product = FindProduct(line.Product);
            if (line.Quantity < 1)
                Refuse(u"Sell at least one \"%1\""_s.arg(line.Product));
            const qint64 total = qint64(product.UnitCost) * line.Quantity;
            if (total > std::numeric_limits<int32_t>::max())
                Refuse(u"%1 × %2 costs more than a sale can hold"_s.arg(line.Quantity).arg(line.Product));
            command.AddProduct({product.Id, line.Product, line.Quantity, int32_t(total)});
        }
        command.SetDiscount(aDiscount);
        if (command.GetTotal() < 0)
            Refuse(u"The discount of %1 is more than the basket's %2"_s.arg(aDiscount).arg(
                command.GetTotal() + aDiscount));
        CheckRecorded(till, till.SellProducts(command));
        return TZRVBasketSale{command.GetCount(), command.GetTotal()};
    });
}

template <class Record>
uint32_t TZRVOperatorService::AddCredit(TZRVAuctions& aTill, const TZRVCreditTarget& aTarget,
                                        uint32_t aSeconds, Record&& aRecord) {
    if (aSeconds == 0)
        Refuse(u"Give at least one second of credit"_s);
    const auto add = [&](auto& aHolder, auto aUpdate, uint32_t aID, const QString& aName) {
        if (aHolder.DeletedFlag())
            Refuse(TargetText(aTarget) + u" is deleted"_s);
        const qint64 credit = qint64(aHolder.Credit()) + aSeconds;
        if (credit > c_MaxCredit)
            Refuse(TargetText(aTarget) + u" cannot hold that much credit"_s);
        aHolder.SetCredit(uint32_t(credit));
        if (!(Db().*aUpdate)(&aHolder))
            Refuse(TargetText(aTarget) + u" could not be written"_s);
        CheckRecorded(aTill, aRecord(aID, aName));
        return aHolder.Credit();
    };
    if (aTarget.Kind == TZRVCreditTarget::Account) {
        const auto account = AccountNamed(aTarget.Name);
        return add(*account, &TZRVDataBase::UpdateAccount, account->AccountID(), account->AccountName());
    }
    const auto ticket = TicketCoded(aTarget.Name);
    return add(*ticket, &TZRVDataBase::UpdateTicket, ticket->TicketID(), ticket->Code());
}

uint32_t TZRVOperatorService::TillAddCredit(const QString& aCashier, const TZRVCreditTarget& aTarget,
                                            uint32_t aSeconds, int32_t aCost) {
    CheckPrice(aCost);
    return Db().RunAtomically([&] {
        TZRVAuctions till;
        ResumeTill(aCashier, till);
        return AddCredit(till, aTarget, aSeconds, [&](uint32_t aID, const QString&) {
            return aTarget.Kind == TZRVCreditTarget::Account ? till.AddAccountCredit(aID, aCost)
                                                             : till.AddTicketCredit(aID, aCost);
        });
    });
}

uint32_t TZRVOperatorService::TillBonus(const QString& aCashier, const TZRVCreditTarget& aTarget,
                                        uint32_t aSeconds) {
    return Db().RunAtomically([&] {
        TZRVAuctions till;
        if (!ResumeTill(aCashier, till)->Group()->Authorisations().Contains(urBonus))
            Refuse(u"%1 is not allowed to give bonuses"_s.arg(aCashier));
        return AddCredit(till, aTarget, aSeconds, [&](uint32_t aID, const QString& aName) {
            return aTarget.Kind == TZRVCreditTarget::Account ? till.AddAccountBonus(aName, aSeconds)
                                                             : till.AddTicketBonus(aID, aSeconds);
        });
    });
}

// =============================================================================================
// Cleaning

int TZRVOperatorService::Clean() {
    return Db().RunAtomically([&] {
        TZRVServerInitialisations jobs;
        jobs.SetDB(&Db());
        return jobs.FreeDataBase();
    });
}

std::optional<TZRVTicketCodeStyle> TicketCodeStyleNamed(const QString& aName) {
    const std::pair<const char*, TZRVTicketCodeStyle> styles[] = {{"numeric", tcsNumericOnly},
                                                                  {"upper", tcsAlphaNumericUpper},
                                                                  {"lower", tcsAlphaNumericLower},
                                                                  {"mixed", tcsAlphaNumericBoth}};
    for (const auto& [name, style] : styles)
        if (aName == QLatin1String(name))
            return style;
    return std::nullopt;
}
