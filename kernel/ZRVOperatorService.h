#pragma once
// The operator's work on the café: accounts, groups, hour formulas, products and tickets, the
// cashier's till and the cleaning. Every host that lets an operator act (zrv2server's command
// line, the operator's web page) calls these operations, so each rule of the café is written here
// once. The service works on the database connection it is handed and keeps nothing between
// calls (no timers, no sockets), so it may run on whichever thread owns that connection.
//
// Reads give plain values. A refusal raises EZRVError with a sentence for the operator; a failing
// database raises EZRVError with the database's own reason (locked, read-only, disk full...), and
// whatever the operation wrote until then is undone.

#include "ZRVAuctions.h"
#include "ZRVCommon.h"
#include "ZRVDataBase.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class TZRVGroup;
class TZRVUserAccount;
class TZRVUserTicket;

// When a ticket may be used: days 1 (Monday) to 7, hours 0 to 23.
struct TZRVHourWindow {
    int StartDay = 1;
    int StartHour = 0;
    int EndDay = 7;
    int EndHour = 23;
};

struct TZRVAccountSummary {
    uint32_t Id = 0;
    QString Name;
    bool Active = false;
    bool Deleted = false;
    uint32_t Credit = 0;
    // Days the account stays valid after its last use; -1 for always.
    int32_t DaysAllowed = 0;
    QString Group;
    QString FirstName;
    QString SecondName;
    TDateTime CreationDate = 0;
    TDateTime LastUseDate = 0;
};

struct TZRVTicketSummary {
    uint32_t Id = 0;
    QString Code;
    uint32_t Credit = 0;
    int32_t Cost = 0;
    bool Sold = false;
    // The day of the sale (0 while unsold); the ticket is valid DaysAllowed days from it.
    TDateTime ActivationDate = 0;
    int32_t DaysAllowed = 0;
    bool Used = false;
    bool Deleted = false;
    bool Printed = false;
    TDateTime LastUseDate = 0;
    QString HourFormula;
    TZRVHourWindow HourWindow;
    QString Group;
    TDateTime CreationDate = 0;
};

struct TZRVGroupSummary {
    uint32_t Id = 0;
    QString Name;
    QString Description;
    // Its accounts count time up (post-paid) instead of down.
    bool Incremental = false;
    // The credit its accounts are set to every day; 0 for none.
    uint32_t AutoCredit = 0;
    TZRVUserRights Rights;
};

struct TZRVHourFormulaSummary {
    uint32_t Id = 0;
    QString Name;
    TZRVHourWindow Window;
};

struct TZRVProductSummary {
    uint32_t Id = 0;
    QString Name;
    int QuantityPerUnit = 1;
    int UnitCost = 0;
};

struct TZRVNewAccount {
    QString Name{};
    QString Password{};
    uint32_t Credit = 0;
    int32_t DaysAllowed = -1;
    bool Active = true;
    QString Group = QStringLiteral("Default");
    QString FirstName{};
    QString SecondName{};
    QString Question = QStringLiteral("Quelle est votre ville natale ?");
    QString Answer{};
};

struct TZRVNewGroup {
    QString Name{};
    QString Description{};
    bool Incremental = false;
    // Right names as the authorisations list them ("urSellsView").
    QStringList Rights{};
};

// The ticket code style an operator names: "numeric", "upper", "lower" or "mixed"; nothing for
// another name.
std::optional<TZRVTicketCodeStyle> TicketCodeStyleNamed(const QString& aName);

// A batch of tickets: Count codes of Length characters of one style, owned by the employee account
// Owner, each with the same credit, price, validity, hour formula and group.
struct TZRVTicketBatch {
    QString Owner{};
    int Count = 1;
    int Length = 8;
    TZRVTicketCodeStyle Style = tcsNumericOnly;
    uint32_t Credit = 3600;
    int32_t Cost = 0;
    int32_t DaysAllowed = 30;
    QString HourFormula = QStringLiteral("Default");
    QString Group = QStringLiteral("Default");
    // The tickets are sold at once, as a sale without a till marks them.
    bool Sold = false;
};

// Who receives credit: the account of that name or the ticket of that code.
struct TZRVCreditTarget {
    enum TKind { Account, Ticket };
    TKind Kind = Account;
    QString Name{};
};

struct TZRVBasketLine {
    QString Product{};
    uint32_t Quantity = 1;
};

struct TZRVTillSummary {
    uint32_t Id = 0;
    QString Cashier;
    TDateTime StartDate = 0;
    // What the cashier took since the till opened.
    int64_t Balance = 0;
};

struct TZRVBasketSale {
    int Lines = 0;
    int64_t Total = 0;
};

class TZRVOperatorService {
public:
    // Bounds of a batch of tickets.
    static constexpr int c_MaxBatch = 10000;
    static constexpr int c_MinCodeLength = 4;
    static constexpr int c_MaxCodeLength = 32;

    explicit TZRVOperatorService(TZRVDataBase& aDb) : fDb(aDb) {}

    // ----- reads; the Find operations raise "There is no ... named ..." when there is none
    std::vector<TZRVAccountSummary> ListAccounts();
    TZRVAccountSummary FindAccount(const QString& aName);
    std::vector<TZRVTicketSummary> ListTickets();
    TZRVTicketSummary FindTicket(const QString& aCode);
    std::vector<TZRVGroupSummary> ListGroups();
    TZRVGroupSummary FindGroup(const QString& aName);
    std::vector<TZRVHourFormulaSummary> ListHourFormulas();
    TZRVHourFormulaSummary FindHourFormula(const QString& aName);
    std::vector<TZRVProductSummary> ListProducts();
    TZRVProductSummary FindProduct(const QString& aName);

    // ----- what the café offers
    TZRVAccountSummary CreateAccount(const TZRVNewAccount& aAccount);
    // A deactivated account can no longer log in; its credit and history stay.
    TZRVAccountSummary SetAccountActive(const QString& aName, bool aActive);
    TZRVGroupSummary CreateGroup(const TZRVNewGroup& aGroup);
    TZRVHourFormulaSummary CreateHourFormula(const QString& aName, const TZRVHourWindow& aWindow);
    TZRVProductSummary CreateProduct(const QString& aName, int aQuantityPerUnit, int aUnitCost);

    // ----- tickets
    // Creates the whole batch or nothing; the new codes.
    QStringList GenerateTickets(const TZRVTicketBatch& aBatch);
    // Marks the ticket sold without a till (no money is recorded), as the till's sale marks it.
    TZRVTicketSummary SellTicket(const QString& aCode);

    // ----- the till: every operation but TillOpen works on the cashier's till left open
    TZRVTillSummary TillOpen(const QString& aCashier);
    // Stamps the till's end; its final balance.
    TZRVTillSummary TillClose(const QString& aCashier);
    // Takes up the cashier's till left open: its number, start and balance so far.
    TZRVTillSummary TillResume(const QString& aCashier);
    std::vector<TZRVOperationInfos> TillOperations(const QString& aCashier);
    // Records the sale at the ticket's price and marks the ticket sold, both or neither.
    TZRVTicketSummary TillSellTicket(const QString& aCashier, const QString& aCode);
    // One operation for the basket, priced from the products, less the discount.
    TZRVBasketSale TillSellProducts(const QString& aCashier, const std::vector<TZRVBasketLine>& aBasket,
                                    int32_t aDiscount);
    // Sells aSeconds of credit for aCost: the credit and the operation, both or neither. The new credit.
    uint32_t TillAddCredit(const QString& aCashier, const TZRVCreditTarget& aTarget, uint32_t aSeconds,
                           int32_t aCost);
    // Gives aSeconds of credit for nothing (the cashier's group needs urBonus): the credit and the
    // bonus record, both or neither. The new credit.
    uint32_t TillBonus(const QString& aCashier, const TZRVCreditTarget& aTarget, uint32_t aSeconds);

    // ----- the cleaning ordered at the counter, as the cleaning settings say; rows deleted or marked
    int Clean();

private:
    // The database, which must be open.
    TZRVDataBase& Db();
    std::unique_ptr<TZRVUserAccount> AccountNamed(const QString& aName);
    std::unique_ptr<TZRVUserTicket> TicketCoded(const QString& aCode);
    std::unique_ptr<TZRVGroup> GroupNamed(const QString& aName);
    // The ticket, when it may be sold.
    std::unique_ptr<TZRVUserTicket> SellableTicket(const QString& aCode);
    uint32_t AccountKey(const QString& aName);
    // Opens aTill on the cashier's till left open; the cashier.
    std::unique_ptr<TZRVUserAccount> ResumeTill(const QString& aCashier, TZRVAuctions& aTill);
    TZRVTillSummary Summary(const QString& aCashier, TZRVAuctions& aTill);
    // Adds the seconds to the target's credit and has aRecord(id, name) record that on the till,
    // inside the caller's transaction. The new credit.
    template <class Record>
    uint32_t AddCredit(TZRVAuctions& aTill, const TZRVCreditTarget& aTarget, uint32_t aSeconds,
                       Record&& aRecord);

    TZRVDataBase& fDb;
};
