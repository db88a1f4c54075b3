// The till on a real database (an SQLite file, and PostgreSQL): opening and resuming, refusals, sales of
// tickets and products, credits and bonuses, the balance, cancellations, ticket checks and the operations
// list.
#include "ZRVAuctions.h"

#include "ZRVDataBase.h"
#include "ZRVUserAccount.h"
#include "gui/ZRVItemModelListView.h"

#include "support/TestDataBases.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<TZRVUserAccount> Cashier(uint32_t aID, TZRVUserRights aRights = {urSellsView}) {
    auto account = std::make_unique<TZRVUserAccount>();
    account->SetAccountID(aID);
    auto group = std::make_unique<TZRVGroup>();
    group->SetAuthorisations(aRights);
    account->SetGroup(std::move(group));
    return account;
}

TZRVTicketInfos Ticket(qint64 aID, int32_t aCost = 0) {
    TZRVTicketInfos t;
    t.TicketId = uint32_t(aID);
    t.Cost = aCost;
    return t;
}

template <class F> void ExpectError(F&& aCall, const QString& aText) {
    try {
        aCall();
        ADD_FAILURE() << "no error, expected: " << aText.toStdString();
    } catch (const EZRVError& e) {
        EXPECT_EQ(e.Message(), aText);
    }
}

struct TOperation {
    QString Rubric;
    QString Intitule;
    qint64 Recette = 0;
    qint64 Solde = 0;
    qint64 Employe = 0;
    qint64 Budget = 0;
    bool operator==(const TOperation&) const = default;
};

void PrintTo(const TOperation& o, std::ostream* os) {
    *os << o.Rubric.toStdString() << " " << o.Intitule.toStdString() << " " << o.Recette << "/" << o.Solde
        << " by " << o.Employe << " budget " << o.Budget;
}

class Auctions : public zrvtest::OpenBothEngines {
protected:
    void SetUp() override {
        OpenBothEngines::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        fTill.SetDataBase(&fDb);
    }
    void Open() { fTill.OpenTill(*fCashier, false); }

    QVariant Scalar(const QString& aSql, const QVariantList& aValues = {}) {
        QSqlQuery q = fDb.OpenQuery(aSql, aValues);
        return q.next() ? q.value(0) : QVariant();
    }
    std::vector<TOperation> Operations() {
        std::vector<TOperation> result;
        QSqlQuery q = fDb.OpenQuery(
            u"SELECT \"CodeRubrique\", \"Intitule\", \"Recette\", \"Solde\", \"Employe\", \"CodeBudget\" "
            "FROM \"tblOperations\" ORDER BY \"Operation_id\""_s);
        while (q.next())
            result.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toLongLong(),
                              q.value(3).toLongLong(), q.value(4).toLongLong(), q.value(5).toLongLong()});
        return result;
    }
    TOperation Expected(const QString& aRubric, const QString& aIntitule, qint64 aAmount) {
        return {aRubric, aIntitule, aAmount, aAmount, 42, 1};
    }
    qint64 AddTicket(qint64 aCost) {
        return fDb.InsertInto(u"tblTickets"_s, {u"Code"_s, u"Cost"_s, u"Credit"_s},
                              {u"ABC123"_s, aCost, 3600});
    }
    // Makes every aEvent (INSERT, UPDATE) on aTable fail.
    void Refuse(const QString& aEvent, const QString& aTable) {
        OpenBothEngines::Refuse(fDb, aEvent, aTable);
    }

    TZRVAuctions fTill;
    std::unique_ptr<TZRVUserAccount> fCashier = Cashier(42);
};

// ----- opening

TEST_P(Auctions, ACashierWithoutTheRightOrAnIDCannotOpenATill) {
    struct TCase {
        const char* Name;
        std::unique_ptr<TZRVUserAccount> Account;
    };
    TCase cases[] = {
        {"no sells view right", Cashier(42, {urGenerateTickets, urBonus})},
        {"no account ID", Cashier(0)},
        {"no group", std::make_unique<TZRVUserAccount>()},
    };
    cases[2].Account->SetAccountID(42);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        for (bool resume : {false, true})
            ExpectError([&] { fTill.OpenTill(*c.Account, resume); }, c_Error_BadCashier);
        EXPECT_FALSE(fTill.Ok());
    }
}

TEST_P(Auctions, OpeningNeedsAnOpenDatabase) {
    TZRVDataBase closed;
    for (TZRVDataBase* db : {(TZRVDataBase*)nullptr, &closed}) {
        fTill.SetDataBase(db);
        ExpectError([&] { Open(); }, c_Error_DBNotSet);
        ExpectError([&] { fTill.GetLastOpennedTill(*fCashier); }, c_Error_DBNotSet);
        ExpectError([&] { fTill.GetCurrentBudgetId(); }, c_Error_DBNotSet);
    }
}

TEST_P(Auctions, ANewTillStartsNowOnTheCurrentBudget) {
    const TDateTime before = Now();
    Open();
    EXPECT_TRUE(fTill.Ok());
    EXPECT_GT(fTill.TillId(), 0u);
    EXPECT_EQ(fTill.CashierId(), 42u);
    EXPECT_EQ(fTill.BudgetId(), 1u);
    EXPECT_GE(fTill.StartDate(), before);
    EXPECT_LE(fTill.StartDate(), Now());
}

TEST_P(Auctions, ATillLeftOpenIsResumedUntilItIsClosed) {
    Open();
    TZRVAuctions other;
    other.SetDataBase(&fDb);
    other.OpenTill(*Cashier(7), false);
    EXPECT_EQ(fTill.GetLastOpennedTill(*fCashier), fTill.TillId());

    TZRVAuctions resumed;
    resumed.SetDataBase(&fDb);
    resumed.OpenTill(*fCashier, true);
    EXPECT_TRUE(resumed.Ok());
    EXPECT_EQ(resumed.TillId(), fTill.TillId());
    EXPECT_EQ(resumed.StartDate(), fTill.StartDate());

    EXPECT_TRUE(fTill.CloseTill());
    EXPECT_EQ(fTill.GetLastOpennedTill(*fCashier), 0u);
    EXPECT_EQ(fTill.GetLastOpennedTill(*Cashier(7)), other.TillId());
}

TEST_P(Auctions, ResumingWithNoOpenTillLeavesEveryOperationRefused) {
    fTill.OpenTill(*fCashier, true);
    EXPECT_FALSE(fTill.Ok());
    TZRVSellCommand basket;
    basket.AddProduct({1, u"Coca"_s, 1, 500});
    TZRVTicketInfos ticket = Ticket(1);
    TZRVItemModelListView view;
    const std::function<void()> operations[] = {
        [&] { fTill.CloseTill(); },
        [&] { fTill.SellTicket(ticket); },
        [&] { fTill.CancelTicketSell(1); },
        [&] { fTill.SellProducts(basket); },
        [&] { fTill.AddAccountCredit(1, 100); },
        [&] { fTill.AddAccountCredit(1, 100, 2); },
        [&] { fTill.AddTicketCredit(1, 100); },
        [&] { fTill.AddTicketCredit(1, 100, 2); },
        [&] { fTill.AddAccountBonus(u"bob"_s, 60); },
        [&] { fTill.AddTicketBonus(1, 60); },
        [&] { fTill.CancelTimeRefillRecord(u"x"_s, u"20/07/2011 10:00:00"_s); },
        [&] { fTill.CheckBalance(); },
        [&] { fTill.CheckTicket(ticket); },
        [&] { fTill.FillListView(view); },
    };
    for (const auto& operation : operations)
        ExpectError(operation, c_Error_TillNotOpenned);
    EXPECT_TRUE(Operations().empty());
}

// ----- sales and credits

TEST_P(Auctions, EachSaleAndCreditWritesOneOperationOfTheCashier) {
    Open();
    struct TCase {
        std::function<bool()> Sale;
        TOperation Expected;
    };
    const TCase cases[] = {
        {[&] { return fTill.AddAccountCredit(12, 500); },
         {u"0101"_s, u"Ajout de crédit au compte N°12"_s, 500}},
        {[&] { return fTill.AddAccountCredit(12, 500, 3); },
         {u"0101"_s, u"Ajout de crédit au compte N°12/3"_s, 500}},
        {[&] { return fTill.AddTicketCredit(7, 250); }, {u"0101"_s, u"Ajout de crédit au ticket N°7"_s, 250}},
        {[&] { return fTill.AddTicketCredit(7, 250, 9); },
         {u"0101"_s, u"Ajout de crédit au ticket N°7/9"_s, 250}},
    };
    std::vector<TOperation> expected;
    for (const TCase& c : cases) {
        EXPECT_TRUE(c.Sale());
        expected.push_back(Expected(c.Expected.Rubric, c.Expected.Intitule, c.Expected.Recette));
    }
    EXPECT_EQ(Operations(), expected);
}

TEST_P(Auctions, ABasketIsOneOperationNamedByItsOnlyProductOrAsAnOrder) {
    Open();
    TZRVSellCommand basket;
    ExpectError([&] { fTill.SellProducts(basket); }, c_Error_InvalidProductCommand);
    basket.AddProduct({1, u"Coca"_s, 2, 1000});
    basket.SetDiscount(100);
    EXPECT_TRUE(fTill.SellProducts(basket));
    basket.AddProduct({2, u"Chips"_s, 1, 300});
    EXPECT_TRUE(fTill.SellProducts(basket));
    EXPECT_EQ(Operations(), (std::vector{Expected(u"0201"_s, u"Coca"_s, 900),
                                         Expected(u"0201"_s, u"Commande de produits"_s, 1200)}));
}

TEST_P(Auctions, SellingATicketMarksItSoldAndCancellingUndoesBoth) {
    Open();
    const qint64 id = AddTicket(1500);
    EXPECT_TRUE(fTill.SellTicket(Ticket(id, 1500)));
    const QString title = u"Ticket N°"_s + QString::number(id);
    EXPECT_EQ(Operations(), std::vector{Expected(u"0001"_s, title, 1500)});
    EXPECT_EQ(Scalar(u"SELECT \"Active\" FROM \"tblTickets\" WHERE \"Ticket_ID\" = ?"_s, {id}).toInt(), 1);
    EXPECT_EQ(
        Scalar(u"SELECT \"ActivationDate\" FROM \"tblTickets\" WHERE \"Ticket_ID\" = ?"_s, {id}).toDouble(),
        Date());

    EXPECT_TRUE(fTill.CancelTicketSell(uint32_t(id)));
    EXPECT_TRUE(Operations().empty());
    EXPECT_EQ(
        Scalar(u"SELECT \"Active\" + \"ActivationDate\" FROM \"tblTickets\" WHERE \"Ticket_ID\" = ?"_s, {id})
            .toDouble(),
        0);
    EXPECT_FALSE(fTill.CancelTicketSell(uint32_t(id)));
}

TEST_P(Auctions, ARefusedWriteIsReportedAndATicketSaleIsAllOrNothing) {
    Open();
    const qint64 id = AddTicket(1500);
    Refuse(u"UPDATE"_s, u"tblTickets"_s);
    EXPECT_FALSE(fTill.SellTicket(Ticket(id, 1500)));
    EXPECT_TRUE(Operations().empty());
    Refuse(u"INSERT"_s, u"tblOperations"_s);
    EXPECT_FALSE(fTill.AddAccountCredit(1, 100));
    Refuse(u"INSERT"_s, u"tblBonus"_s);
    EXPECT_FALSE(fTill.AddTicketBonus(1, 60));
    EXPECT_TRUE(fTill.Ok());
}

TEST_P(Auctions, BonusesAreListedApartForAccountsAndTickets) {
    Open();
    EXPECT_TRUE(fTill.AddAccountBonus(u"bob"_s, 600));
    EXPECT_TRUE(fTill.AddTicketBonus(7, 300));
    QSqlQuery q = fDb.OpenQuery(
        u"SELECT \"ValeurCredit\", \"Beneficiaire\", \"TypeCompte\", \"Employe\" FROM \"tblBonus\""_s);
    QStringList rows;
    while (q.next())
        rows << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                            q.value(3).toString()}
                    .join(u',');
    EXPECT_EQ(rows, (QStringList{u"600,bob,1,42"_s, u"300,N°7,0,42"_s}));
    EXPECT_TRUE(Operations().empty());
}

// ----- balance, cancellation of refills, tickets, the list

TEST_P(Auctions, TheBalanceCountsTheCashiersOperationsSinceTheTillOpened) {
    fDb.OpenQuery(ZRVSql::Insert(u"tblOperations"_s, {u"DateOperation"_s, u"Solde"_s, u"Employe"_s}),
                  {Now() - 1, 9999, 42});
    Open();
    EXPECT_EQ(fTill.CheckBalance(), 0);
    TZRVAuctions other;
    other.SetDataBase(&fDb);
    other.OpenTill(*Cashier(7), false);
    other.AddAccountCredit(1, 700);
    fTill.AddAccountCredit(1, 500);
    fTill.AddTicketCredit(1, -200);
    EXPECT_EQ(fTill.CheckBalance(), 300);
}

TEST_P(Auctions, ARefillIsCancelledWithinOneSecondOfItsMoment) {
    Open();
    const TDateTime at = EncodeDateTime(2011, 7, 20, 10, 0, 0, 400);
    const QString title = u"Ajout de crédit au compte N°12"_s;
    const auto add = [&](const QString& aTitle) {
        fDb.OpenQuery(ZRVSql::Insert(u"tblOperations"_s, {u"DateOperation"_s, u"Intitule"_s}), {at, aTitle});
    };
    struct TCase {
        const char* Given;
        bool Removed;
    };
    const TCase cases[] = {
        {"20/07/2011 09:59:58", false}, {"20/07/2011 09:59:59", true},  {"20/07/2011 10:00:00", true},
        {"20/07/2011 10:00:01", true},  {"20/07/2011 10:00:02", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Given);
        add(title);
        add(u"Ajout de crédit au compte N°13"_s);
        EXPECT_EQ(fTill.CancelTimeRefillRecord(title, QString::fromLatin1(c.Given)), c.Removed);
        EXPECT_EQ(Scalar(u"SELECT count(*) FROM \"tblOperations\""_s).toInt(), c.Removed ? 1 : 2);
        fDb.ExecuteSQLAction(u"DELETE FROM \"tblOperations\""_s);
    }
    EXPECT_THROW(fTill.CancelTimeRefillRecord(title, u"not a date"_s), EConvertError);
}

TEST_P(Auctions, CheckingATicketReadsItsStateAndExpiry) {
    Open();
    ExpectError(
        [&] {
            TZRVTicketInfos none;
            fTill.CheckTicket(none);
        },
        u"Le code de ticket entré n'est pas valide"_s);
    TZRVTicketInfos missing = Ticket(999);
    EXPECT_FALSE(fTill.CheckTicket(missing));

    struct TCase {
        const char* Name;
        bool Active;
        TDateTime Activation;
        int DaysAllowed;
        bool Expired;
    };
    const TCase cases[] = {
        {"activated 2 days ago for 1 day", true, Now() - 2, 1, true},
        {"activated today for 1 day", true, Now(), 1, false},
        {"activated 2 days ago for 2 days", true, Now() - 2, 2, false},
        {"no activation date", true, 0, 1, false},
        {"unsold", false, Now() - 10, 1, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const qint64 id = AddTicket(800);
        fDb.ExecuteSQLAction(u"UPDATE \"tblTickets\" SET \"Active\" = ?, \"ActivationDate\" = ?, "
                             u"\"DaysAllowed\" = ?, \"PrintFlag\" = 1, "
                             "\"UsedFlag\" = 1 WHERE \"Ticket_ID\" = ?"_s,
                             {int(c.Active), c.Activation, c.DaysAllowed, id});
        TZRVTicketInfos infos = Ticket(id);
        ASSERT_TRUE(fTill.CheckTicket(infos));
        EXPECT_EQ(infos.Expired, c.Expired);
        EXPECT_EQ(infos.Active, c.Active);
        EXPECT_EQ(infos.Code, u"ABC123"_s);
        EXPECT_EQ(infos.Cost, 800);
        EXPECT_EQ(infos.Credit, 3600u);
        EXPECT_TRUE(infos.Printed && infos.Used);
        EXPECT_FALSE(infos.Deleted);
    }
}

// A list that fails when its second row is added.
class TFailingListView : public TZRVItemModelListView {
public:
    int Add() override {
        if (Count() == 1)
            throw EZRVError(u"full"_s);
        return TZRVItemModelListView::Add();
    }
};

TEST_P(Auctions, TheListShowsTheCashiersOperationsAndKeepsItsVisibility) {
    Open();
    fTill.AddAccountCredit(12, 500);
    fTill.AddTicketBonus(7, 60);
    fTill.AddTicketCredit(7, 250);
    TZRVItemModelListView view;
    view.SetCaption(view.Add(), u"stale"_s);
    for (bool visible : {true, false}) {
        view.SetVisible(visible);
        ASSERT_TRUE(fTill.FillListView(view));
        EXPECT_EQ(view.Visible(), visible);
        ASSERT_EQ(view.Count(), 2);
        EXPECT_EQ(
            view.Caption(0),
            DateTimeToStr(Scalar(u"SELECT min(\"DateOperation\") FROM \"tblOperations\""_s).toDouble()));
        EXPECT_EQ(
            (QStringList{view.SubItem(1, 0), view.SubItem(1, 1), view.SubItem(1, 2), view.SubItem(1, 3)}),
            (QStringList{u"2"_s, u"0101"_s, u"250 F"_s, u"Ajout de crédit au ticket N°7"_s}));
        EXPECT_EQ(view.SubItem(0, 3), u"Ajout de crédit au compte N°12"_s);
    }
    TFailingListView failing;
    EXPECT_FALSE(fTill.FillListView(failing));
    EXPECT_TRUE(failing.Visible());
}

// ----- the basket

TEST(SellCommand, LinesAddUpAndOutOfRangeIndexesAreRefused) {
    TZRVSellCommand basket;
    basket.AddProduct({1, u"Coca"_s, 2, 1000});
    EXPECT_EQ(basket.AddProduct({2, u"Chips"_s, 1, 300}), 1);
    basket.AddProduct({3, u"Café"_s, 1, 200});
    basket.SetDiscount(50);
    EXPECT_EQ(basket.GetTotal(), 1450);
    for (int index : {-1, 3}) {
        ExpectError([&] { basket.DeleteProduct(index); }, u"Index out of bounds"_s);
        ExpectError([&] { basket.GetProduct(index); }, u"Index out of bounds"_s);
    }
    EXPECT_TRUE(basket.DeleteProduct(1));
    EXPECT_EQ(basket.GetCount(), 2);
    EXPECT_EQ(basket.GetProduct(1).Name, u"Café"_s);
    EXPECT_EQ(basket.GetTotal(), 1150);
    basket.ClearCommand();
    EXPECT_EQ(basket.GetCount(), 0);
    EXPECT_EQ(basket.GetTotal(), -50);
}

ZRV_ON_BOTH_ENGINES(Auctions);

} // namespace
