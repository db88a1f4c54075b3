#pragma once
// The cashier's till: a till opened and closed by a cashier, ticket and product sales, credit sold
// to accounts and tickets, bonus credit given away, and the cashier's balance. Every money
// movement is one accounting operation of the cashier; bonuses are listed apart.

#include "ZRVCommon.h"

#include <vector>

class TZRVDataBase;
class TZRVListView;
class TZRVUserAccount;

// Operation rubrics, each followed by the default sub-code.
inline const QString c_VENTES_DE_TICKETS = QStringLiteral("00");
inline const QString c_AJOUTS_DE_CREDIT = QStringLiteral("01");
inline const QString c_VENTES_DE_PRODUITS = QStringLiteral("02");
inline const QString c_Defaut = QStringLiteral("01");
inline const QString c_tblOperations = QStringLiteral("tblOperations");
inline const QString c_tblBonus = QStringLiteral("tblBonus");
inline const QString c_Error_TillNotOpenned =
    QStringLiteral("Till is not yet openned or database is not set");
inline const QString c_Error_DBNotSet = QStringLiteral("Database is not set");
inline const QString c_Error_BadCashier = QStringLiteral("You are not allowed to open sells view");
inline const QString c_Error_InvalidProductCommand = QStringLiteral("Invalid products");

// One line of a basket: Cost is the line's total price.
struct TZRVProductSellInfos {
    uint32_t Id = 0;
    QString Name;
    uint32_t Quantity = 0;
    int32_t Cost = 0;
};

struct TZRVTicketInfos {
    uint32_t TicketId = 0;
    QString Code;
    uint32_t Credit = 0;
    int32_t Cost = 0;
    bool Printed = false;
    bool Deleted = false;
    bool Expired = false;
    bool Active = false;
    bool Used = false;
};

// One operation of the cashier as the till wrote it: Rubric is the CodeRubrique ("0001"), Amount
// the effect on the cashier's balance.
struct TZRVOperationInfos {
    TDateTime Date = 0;
    QString Rubric;
    QString Title;
    int64_t Amount = 0;
};

// A basket of products with a discount on its total.
class TZRVSellCommand {
public:
    TZRVSellCommand() { ClearCommand(); }

    // The new line's index.
    int AddProduct(const TZRVProductSellInfos& aProduct);
    // Raise "Index out of bounds" outside 0 ... GetCount() - 1.
    bool DeleteProduct(int Index);
    TZRVProductSellInfos GetProduct(int Index) const;
    int GetCount() const { return int(fProducts.size()); }
    // The subtotal less the discount (sums do not wrap around).
    int64_t GetTotal() const { return fSubTotal - fDiscount; }
    int32_t Discount() const { return fDiscount; }
    void SetDiscount(int32_t aValue) { fDiscount = aValue; }
    void ClearCommand();

private:
    void CheckIndex(int Index) const;

    std::vector<TZRVProductSellInfos> fProducts;
    int32_t fDiscount = 0;
    int64_t fSubTotal = 0;
};

class TZRVCustomAuctions : public QObject {
    Q_OBJECT
public:
    explicit TZRVCustomAuctions(QObject* aOwner = nullptr) : QObject(aOwner) {}

    // A till is open here on an open database.
    bool Ok() const;
    // Opens a new till for the cashier, or with aResumeLast takes up the cashier's last till left
    // open (nothing changes when there is none). Raises c_Error_DBNotSet, or c_Error_BadCashier when
    // the cashier has no account ID or its group lacks urSellsView.
    void OpenTill(const TZRVUserAccount& Cashier, bool aResumeLast);
    // Stamps the till's end; whether a till row was stamped. The object keeps its state.
    bool CloseTill();
    // The cashier's last till without an end, or 0; raise c_Error_DBNotSet.
    uint32_t GetLastOpennedTill(const TZRVUserAccount& Cashier);
    uint32_t GetCurrentBudgetId();

    // The sales and credits write one operation each: false when the database refused it. The
    // others raise c_Error_TillNotOpenned when Ok() is false.
    // Records the sale and marks the ticket sold today, both or neither.
    bool SellTicket(const TZRVTicketInfos& aTicket);
    // Removes the ticket's sale operations (whether there were any) and marks it unsold.
    bool CancelTicketSell(uint32_t TicketId);
    // One operation for the whole basket; raises c_Error_InvalidProductCommand when it is empty.
    bool SellProducts(const TZRVSellCommand& Command);
    bool AddAccountCredit(uint32_t AccountId, int32_t Cost);
    bool AddAccountCredit(uint32_t AccountId, int32_t Cost, int32_t Ref);
    bool AddTicketCredit(uint32_t TicketId, int32_t Cost);
    bool AddTicketCredit(uint32_t TicketId, int32_t Cost, int32_t Ref);
    bool AddAccountBonus(const QString& AccountName, uint32_t Credit);
    bool AddTicketBonus(uint32_t TicketId, uint32_t Credit);
    // Removes the operations titled aIntitule written within one second of the moment aDateTimeText
    // (in the regional date-time form); whether any was removed.
    bool CancelTimeRefillRecord(const QString& aIntitule, const QString& aDateTimeText);
    // What the cashier took since the till opened.
    int64_t CheckBalance();
    // Fills aInfos from the ticket of aInfos.TicketId; false when there is none. Raises "Le code de
    // ticket entré n'est pas valide" for ID 0.
    bool CheckTicket(TZRVTicketInfos& aInfos);
    // The cashier's operations since the till opened, in the order they were written.
    std::vector<TZRVOperationInfos> Operations();
    // Lists Operations(): the date-time as caption, then a running number, the rubric, the amount
    // with " F" and the title. False when filling failed.
    bool FillListView(TZRVListView& ListView);
    // Why the database refused the last sale, credit or bonus that returned false.
    const QString& LastError() const { return fLastError; }

    // What selling a ticket does to it, with or without a till: it may be used from now on, its
    // days of validity counting from today. False when there is no such ticket.
    static bool MarkTicketSold(TZRVDataBase& aDb, uint32_t TicketId);

    TZRVDataBase* DataBase() const { return fDatabase; }
    void SetDataBase(TZRVDataBase* aValue) { fDatabase = aValue; }
    bool Openned() const { return fOpenned; }
    uint32_t TillId() const { return fTillId; }
    TDateTime StartDate() const { return fStartDate; }
    uint32_t BudgetId() const { return fBudgetId; }
    uint32_t CashierId() const { return fCashierId; }

private:
    void CheckOk() const;
    void CheckDataBase() const;
    // Writes one operation of the cashier; raises when the database refuses it.
    void InsertOperation(const QString& aRubric, const QString& aIntitule, int64_t aAmount);
    // The same on an open till; false when the database refused it.
    bool WriteOperation(const QString& aRubric, const QString& aIntitule, int64_t aAmount);
    bool WriteBonus(const QString& aBeneficiaire, bool aAccount, uint32_t aCredit);
    // Runs aWork all or nothing; false instead of raising when the database refused it, its reason
    // then kept for LastError().
    template <class F> bool TryAtomically(F&& aWork);
    void Resume(uint32_t aTillId, uint32_t aCashierId);
    // The first value of a one-row selection as a key; 0 when it is null or below 1.
    uint32_t Key(const QString& aSql, const QVariantList& aValues);

    bool fOpenned = false;
    uint32_t fTillId = 0;
    TZRVDataBase* fDatabase = nullptr;
    TDateTime fStartDate = 0;
    uint32_t fBudgetId = 0;
    uint32_t fCashierId = 0;
    QString fLastError;
};

class TZRVAuctions : public TZRVCustomAuctions {
    Q_OBJECT
public:
    using TZRVCustomAuctions::TZRVCustomAuctions;
};
