#include "ZRVAuctions.h"

#include "ZRVDataBase.h"
#include "ZRVListView.h"
#include "ZRVUserAccount.h"

#include <QScopeGuard>
#include <QSqlQuery>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

const QString c_tblCaisses = u"tblCaisses"_s;

// "aText" followed by "N°" and the number, and "/aRef" when there is one.
QString Numbered(const QString& aText, uint32_t aID) {
    return aText + u"N°"_s + QString::number(aID);
}
QString Numbered(const QString& aText, uint32_t aID, int32_t aRef) {
    return Numbered(aText, aID) + u'/' + QString::number(aRef);
}

QString TicketSaleTitle(uint32_t aTicketID) {
    return Numbered(u"Ticket "_s, aTicketID);
}

template <class T> T Clamped(const QVariant& aValue) {
    return T(std::clamp<qint64>(aValue.toLongLong(), std::numeric_limits<T>::min(),
                                std::numeric_limits<T>::max()));
}

} // namespace

// =============================================================================================
// The basket

int TZRVSellCommand::AddProduct(const TZRVProductSellInfos& aProduct) {
    fProducts.push_back(aProduct);
    fSubTotal += aProduct.Cost;
    return GetCount() - 1;
}

void TZRVSellCommand::CheckIndex(int Index) const {
    if (Index < 0 || Index >= GetCount())
        throw EZRVError(u"Index out of bounds"_s);
}

bool TZRVSellCommand::DeleteProduct(int Index) {
    CheckIndex(Index);
    fSubTotal -= fProducts[size_t(Index)].Cost;
    fProducts.erase(fProducts.begin() + Index);
    return true;
}

TZRVProductSellInfos TZRVSellCommand::GetProduct(int Index) const {
    CheckIndex(Index);
    return fProducts[size_t(Index)];
}

void TZRVSellCommand::ClearCommand() {
    fProducts.clear();
    fSubTotal = 0;
}

// =============================================================================================
// The till

bool TZRVCustomAuctions::Ok() const {
    return fDatabase && fOpenned && fDatabase->GetOpenned();
}

void TZRVCustomAuctions::CheckOk() const {
    if (!Ok())
        throw EZRVError(c_Error_TillNotOpenned);
}

void TZRVCustomAuctions::CheckDataBase() const {
    if (!fDatabase || !fDatabase->GetOpenned())
        throw EZRVError(c_Error_DBNotSet);
}

uint32_t TZRVCustomAuctions::Key(const QString& aSql, const QVariantList& aValues) {
    CheckDataBase();
    QSqlQuery q = fDatabase->OpenQuery(aSql, aValues);
    return q.next() ? Clamped<uint32_t>(q.value(0)) : 0;
}

uint32_t TZRVCustomAuctions::GetLastOpennedTill(const TZRVUserAccount& Cashier) {
    return Key(ZRVSql::c_LastOpenTill, {Cashier.AccountID()});
}

uint32_t TZRVCustomAuctions::GetCurrentBudgetId() {
    return Key(ZRVSql::c_CurrentBudget, {});
}

void TZRVCustomAuctions::OpenTill(const TZRVUserAccount& Cashier, bool aResumeLast) {
    CheckDataBase();
    const TZRVGroup* group = Cashier.Group();
    if (Cashier.AccountID() == 0 || !group || !group->Authorisations().Contains(urSellsView))
        throw EZRVError(c_Error_BadCashier);
    const uint32_t till =
        aResumeLast ? GetLastOpennedTill(Cashier)
                    : uint32_t(fDatabase->InsertInto(c_tblCaisses, {u"Caissier_id"_s, u"DateDebut"_s},
                                                     {Cashier.AccountID(), Now()}));
    if (till != 0)
        Resume(till, Cashier.AccountID());
}

void TZRVCustomAuctions::Resume(uint32_t aTillId, uint32_t aCashierId) {
    QSqlQuery q = fDatabase->OpenQuery(
        ZRVSql::Select(ZRVSql::Name(u"DateDebut"_s), c_tblCaisses, {u"Caisse_id"_s}), {aTillId});
    if (!q.next())
        return;
    fStartDate = q.value(0).toDouble();
    fTillId = aTillId;
    fCashierId = aCashierId;
    fBudgetId = GetCurrentBudgetId();
    fOpenned = true;
}

bool TZRVCustomAuctions::CloseTill() {
    CheckOk();
    return fDatabase->ExecuteSQLAction(ZRVSql::Update(c_tblCaisses, {u"DateFin"_s}, {u"Caisse_id"_s}),
                                       {Now(), fTillId}) > 0;
}

void TZRVCustomAuctions::InsertOperation(const QString& aRubric, const QString& aIntitule, int64_t aAmount) {
    fDatabase->OpenQuery(
        ZRVSql::Insert(c_tblOperations, {u"DateOperation"_s, u"CodeRubrique"_s, u"Intitule"_s,
                                         u"CodeBudget"_s, u"Recette"_s, u"Solde"_s, u"Employe"_s}),
        {Now(), aRubric + c_Defaut, aIntitule, fBudgetId, qint64(aAmount), qint64(aAmount), fCashierId});
}

template <class F> bool TZRVCustomAuctions::TryAtomically(F&& aWork) {
    fLastError.clear();
    try {
        return fDatabase->RunAtomically([&] {
            aWork();
            return true;
        });
    } catch (const EZRVError& e) {
        fLastError = e.Message();
        return false;
    }
}

bool TZRVCustomAuctions::WriteOperation(const QString& aRubric, const QString& aIntitule, int64_t aAmount) {
    CheckOk();
    return TryAtomically([&] { InsertOperation(aRubric, aIntitule, aAmount); });
}

bool TZRVCustomAuctions::SellTicket(const TZRVTicketInfos& aTicket) {
    CheckOk();
    return TryAtomically([&] {
        InsertOperation(c_VENTES_DE_TICKETS, TicketSaleTitle(aTicket.TicketId), aTicket.Cost);
        MarkTicketSold(*fDatabase, aTicket.TicketId);
    });
}

bool TZRVCustomAuctions::MarkTicketSold(TZRVDataBase& aDb, uint32_t TicketId) {
    return aDb.ExecuteSQLAction(ZRVSql::Update(ZRVSql::Tickets.Name, {u"Active"_s, u"ActivationDate"_s},
                                               {ZRVSql::Tickets.Key}),
                                {1, Date(), TicketId}) > 0;
}

bool TZRVCustomAuctions::CancelTicketSell(uint32_t TicketId) {
    CheckOk();
    const bool deleted =
        fDatabase->ExecuteSQLAction(ZRVSql::Delete(c_tblOperations, {u"Intitule"_s, u"CodeRubrique"_s}),
                                    {TicketSaleTitle(TicketId), c_VENTES_DE_TICKETS + c_Defaut}) > 0;
    fDatabase->ExecuteSQLAction(
        ZRVSql::Update(ZRVSql::Tickets.Name, {u"Active"_s, u"ActivationDate"_s}, {ZRVSql::Tickets.Key}),
        {0, 0, TicketId});
    return deleted;
}

bool TZRVCustomAuctions::SellProducts(const TZRVSellCommand& Command) {
    CheckOk();
    if (Command.GetCount() == 0)
        throw EZRVError(c_Error_InvalidProductCommand);
    const QString title = Command.GetCount() == 1 ? Command.GetProduct(0).Name : u"Commande de produits"_s;
    return WriteOperation(c_VENTES_DE_PRODUITS, title, Command.GetTotal());
}

bool TZRVCustomAuctions::AddAccountCredit(uint32_t AccountId, int32_t Cost) {
    return WriteOperation(c_AJOUTS_DE_CREDIT, Numbered(u"Ajout de crédit au compte "_s, AccountId), Cost);
}

bool TZRVCustomAuctions::AddAccountCredit(uint32_t AccountId, int32_t Cost, int32_t Ref) {
    return WriteOperation(c_AJOUTS_DE_CREDIT, Numbered(u"Ajout de crédit au compte "_s, AccountId, Ref),
                          Cost);
}

bool TZRVCustomAuctions::AddTicketCredit(uint32_t TicketId, int32_t Cost) {
    return WriteOperation(c_AJOUTS_DE_CREDIT, Numbered(u"Ajout de crédit au ticket "_s, TicketId), Cost);
}

bool TZRVCustomAuctions::AddTicketCredit(uint32_t TicketId, int32_t Cost, int32_t Ref) {
    return WriteOperation(c_AJOUTS_DE_CREDIT, Numbered(u"Ajout de crédit au ticket "_s, TicketId, Ref), Cost);
}

bool TZRVCustomAuctions::WriteBonus(const QString& aBeneficiaire, bool aAccount, uint32_t aCredit) {
    CheckOk();
    return TryAtomically([&] {
        fDatabase->OpenQuery(ZRVSql::Insert(c_tblBonus, {u"DateBonus"_s, u"ValeurCredit"_s, u"Beneficiaire"_s,
                                                         u"TypeCompte"_s, u"Employe"_s}),
                             {Now(), aCredit, aBeneficiaire, int(aAccount), fCashierId});
    });
}

bool TZRVCustomAuctions::AddAccountBonus(const QString& AccountName, uint32_t Credit) {
    return WriteBonus(AccountName, true, Credit);
}

bool TZRVCustomAuctions::AddTicketBonus(uint32_t TicketId, uint32_t Credit) {
    return WriteBonus(Numbered(QString(), TicketId), false, Credit);
}

bool TZRVCustomAuctions::CancelTimeRefillRecord(const QString& aIntitule, const QString& aDateTimeText) {
    CheckOk();
    return fDatabase->ExecuteSQLAction(ZRVSql::c_DeleteRefillRecord,
                                       {aIntitule, StrToDateTime(aDateTimeText)}) > 0;
}

int64_t TZRVCustomAuctions::CheckBalance() {
    CheckOk();
    QSqlQuery q = fDatabase->OpenQuery(ZRVSql::c_CashierBalance, {fStartDate, fCashierId});
    return q.next() ? q.value(0).toLongLong() : 0;
}

bool TZRVCustomAuctions::CheckTicket(TZRVTicketInfos& aInfos) {
    CheckOk();
    if (aInfos.TicketId == 0)
        throw EZRVError(u"Le code de ticket entré n'est pas valide"_s);
    QSqlQuery q = fDatabase->OpenQuery(
        ZRVSql::Select(u"*"_s, ZRVSql::TicketsView.Name, {ZRVSql::TicketsView.Key}), {aInfos.TicketId});
    if (!q.next())
        return false;
    const auto flag = [&](const char* aColumn) {
        return q.value(QString::fromLatin1(aColumn)).toLongLong() != 0;
    };
    aInfos.Credit = Clamped<uint32_t>(q.value(u"Credit"_s));
    aInfos.Code = q.value(u"Code"_s).toString();
    aInfos.Cost = Clamped<int32_t>(q.value(u"Cost"_s));
    aInfos.Printed = flag("PrintFlag");
    aInfos.Active = flag("Active");
    aInfos.Deleted = flag("DeletedFlag");
    aInfos.Used = flag("UsedFlag");
    const TDateTime activation = q.value(u"ActivationDate"_s).toDouble();
    aInfos.Expired = aInfos.Active && activation != 0 &&
                     DateOf(activation) + Clamped<int32_t>(q.value(u"DaysAllowed"_s)) < Date();
    return true;
}

std::vector<TZRVOperationInfos> TZRVCustomAuctions::Operations() {
    CheckOk();
    std::vector<TZRVOperationInfos> operations;
    QSqlQuery q = fDatabase->OpenQuery(ZRVSql::c_CashierOperations, {fCashierId, fStartDate});
    while (q.next())
        operations.push_back({q.value(u"DateOperation"_s).toDouble(), q.value(u"CodeRubrique"_s).toString(),
                              q.value(u"Intitule"_s).toString(), q.value(u"Solde"_s).toLongLong()});
    return operations;
}

bool TZRVCustomAuctions::FillListView(TZRVListView& ListView) {
    CheckOk();
    const bool wasVisible = ListView.Visible();
    ListView.SetVisible(false);
    const auto restore = qScopeGuard([&] { ListView.SetVisible(wasVisible); });
    try {
        ListView.Clear();
        int n = 0;
        for (const TZRVOperationInfos& operation : Operations()) {
            const int row = ListView.Add();
            ListView.SetCaption(row, DateTimeToStr(operation.Date));
            ListView.SetSubItem(row, 0, QString::number(++n));
            ListView.SetSubItem(row, 1, operation.Rubric);
            ListView.SetSubItem(row, 2, QString::number(operation.Amount) + u" F"_s);
            ListView.SetSubItem(row, 3, operation.Title);
        }
        return true;
    } catch (const EZRVError&) {
        return false;
    }
}
