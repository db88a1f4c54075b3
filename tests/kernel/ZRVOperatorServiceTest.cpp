// The operator's service on a real database file: creating, listing and finding what the café
// offers, ticket batches made whole or not at all, the one rule of a sale, the till's sales,
// credits and bonuses, the cleaning, and the database's own reason reaching the caller.
#include "ZRVOperatorService.h"

#include "ZRVDataBase.h"

#include "support/TempDirs.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

// Runs aCall, which must raise an error whose text holds aText.
template <class F> void ExpectRefused(F&& aCall, const QString& aText) {
    try {
        aCall();
        ADD_FAILURE() << "no error, expected: " << aText.toStdString();
    } catch (const EZRVError& e) {
        EXPECT_TRUE(e.Message().contains(aText))
            << e.Message().toStdString() << "\nexpected: " << aText.toStdString();
    }
}

// A trigger that makes the database refuse a write with aReason, as a full disk would.
QString Refusing(const QString& aEvent, const QString& aTable, const QString& aWhen, const QString& aReason) {
    return u"CREATE TRIGGER refuse_%1 BEFORE %2 ON %1 WHEN %3 BEGIN SELECT RAISE(ABORT, '%4'); END"_s.arg(
        aTable, aEvent, aWhen, aReason);
}

class OperatorService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fDir.isValid());
        fDb.SetDBName(fDir.filePath(u"cafe.db"_s));
        fDb.SetBusyTimeout(50);
        ASSERT_TRUE(fDb.Open());
    }

    QVariant Scalar(const QString& aSql) {
        QSqlQuery q = fDb.OpenQuery(aSql);
        return q.next() ? q.value(0) : QVariant();
    }
    void Execute(const QString& aSql) { fDb.ExecuteSQLAction(aSql); }

    // A cashier whose group may open a till (and give bonuses with aBonus), a customer with 600
    // seconds, two products, and tickets of 3600 seconds at 500.
    void SetUpTheCafe(bool aBonus = true) {
        QStringList rights{u"urSellsView"_s};
        if (aBonus)
            rights << u"urBonus"_s;
        fService.CreateGroup({u"Caisse"_s, {}, false, rights});
        fService.CreateAccount({.Name = u"caissier"_s, .Password = u"pw"_s, .Group = u"Caisse"_s});
        fService.CreateAccount({.Name = u"awa"_s, .Password = u"pw"_s, .Credit = 600});
        fService.CreateProduct(u"Coca"_s, 1, 300);
        fService.CreateProduct(u"Chips"_s, 1, 150);
    }
    QStringList Tickets(int aCount, bool aSold = false) {
        return fService.GenerateTickets(
            {.Owner = u"caissier"_s, .Count = aCount, .Cost = 500, .Sold = aSold});
    }

    zrvtest::TempRegistry fRegistry;
    QTemporaryDir fDir;
    TZRVDataBase fDb;
    TZRVOperatorService fService{fDb};
};

TEST_F(OperatorService, WhatTheCafeOffersIsCreatedListedAndFound) {
    const TZRVGroupSummary vip = fService.CreateGroup({u"VIP"_s, u"Habitués"_s, true, {u"urBonus"_s}});
    EXPECT_EQ(vip.Id, 2u);
    EXPECT_TRUE(vip.Rights.Contains(urBonus));
    EXPECT_FALSE(vip.Rights.Contains(urSellsView));
    const TZRVAccountSummary awa =
        fService.CreateAccount({.Name = u"awa"_s, .Password = u"pw"_s, .Credit = 5400, .Group = u"VIP"_s});
    EXPECT_EQ(awa.Id, 1u);
    const TZRVHourFormulaSummary soir = fService.CreateHourFormula(u"Soir"_s, {1, 18, 5, 23});
    const TZRVProductSummary coca = fService.CreateProduct(u"Coca"_s, 6, 300);

    ASSERT_EQ(fService.ListAccounts().size(), 1u);
    const TZRVAccountSummary listed = fService.ListAccounts()[0];
    EXPECT_EQ(listed.Name, u"awa"_s);
    EXPECT_EQ(listed.Credit, 5400u);
    EXPECT_EQ(listed.Group, u"VIP"_s);
    EXPECT_TRUE(listed.Active);
    EXPECT_EQ(fService.FindAccount(u"AWA"_s).Id, awa.Id);
    ASSERT_EQ(fService.ListGroups().size(), 2u);
    EXPECT_EQ(fService.ListGroups()[1].Description, u"Habitués"_s);
    EXPECT_TRUE(fService.FindGroup(u"vip"_s).Incremental);
    ASSERT_EQ(fService.ListHourFormulas().size(), 2u);
    EXPECT_EQ(fService.ListHourFormulas()[1].Name, u"Soir"_s);
    const TZRVHourWindow window = fService.FindHourFormula(u"Soir"_s).Window;
    EXPECT_EQ(std::tuple(window.StartDay, window.StartHour, window.EndDay, window.EndHour),
              std::tuple(1, 18, 5, 23));
    EXPECT_EQ(fService.FindHourFormula(u"Soir"_s).Id, soir.Id);
    ASSERT_EQ(fService.ListProducts().size(), 1u);
    EXPECT_EQ(fService.ListProducts()[0].QuantityPerUnit, 6);
    EXPECT_EQ(fService.FindProduct(u"Coca"_s).UnitCost, 300);
    EXPECT_EQ(fService.FindProduct(u"Coca"_s).Id, coca.Id);
}

TEST_F(OperatorService, RefusalsSayWhy) {
    SetUpTheCafe();
    const QString code = Tickets(1)[0];
    const struct {
        std::function<void()> Call;
        QString Text;
    } cases[] = {
        {[&] { fService.CreateAccount({.Name = u"awa"_s, .Password = u"x"_s}); },
         u"An account named \"awa\" exists already"_s},
        {[&] { fService.CreateAccount({.Name = u"ben"_s}); }, u"The account \"ben\" needs a password"_s},
        {[&] { fService.CreateAccount({.Name = u"ben"_s, .Password = u"x"_s, .Group = u"Nobody"_s}); },
         u"There is no group named \"Nobody\""_s},
        {[&] { fService.CreateAccount({.Name = u"ben"_s, .Password = u"x"_s, .Credit = 0x80000000u}); },
         u"A credit holds at most 2147483647 seconds"_s},
        {[&] {
             fService.CreateGroup({u"Bad"_s, {}, false, {u"urEverything"_s}});
         },
         u"There is no right named \"urEverything\""_s},
        {[&] {
             fService.CreateGroup({u"Caisse"_s, {}, false, {}});
         },
         u"The group \"Caisse\" could not be created"_s},
        {[&] { fService.CreateHourFormula(u"Default"_s, {}); },
         u"An hour formula named \"Default\" exists already"_s},
        {[&] {
             fService.CreateHourFormula(u"Bad"_s, {8, 0, 7, 23});
         },
         u"The hour formula \"Bad\" could not be created"_s},
        {[&] { fService.CreateProduct(u"Coca"_s, 1, 1); }, u"A product named \"Coca\" exists already"_s},
        {[&] { fService.CreateProduct(u"Caviar"_s, 1, -1); }, u"A price cannot be negative"_s},
        {[&] { fService.CreateProduct(u"Un nom bien trop long pour la carte"_s, 1, 1); },
         u"could not be created"_s},
        {[&] { fService.FindAccount(u"nobody"_s); }, u"There is no account named \"nobody\""_s},
        {[&] { fService.FindTicket(u"NOPE"_s); }, u"There is no ticket \"NOPE\""_s},
        {[&] { fService.FindGroup(u"Nobody"_s); }, u"There is no group named \"Nobody\""_s},
        {[&] { fService.FindHourFormula(u"Jamais"_s); }, u"There is no hour formula named \"Jamais\""_s},
        {[&] { fService.FindProduct(u"Caviar"_s); }, u"There is no product named \"Caviar\""_s},
        {[&] { fService.SetAccountActive(u"nobody"_s, false); }, u"There is no account named \"nobody\""_s},
        {[&] { fService.SellTicket(u"NOPE"_s); }, u"There is no ticket \"NOPE\""_s},
        {[&] { fService.TillResume(u"caissier"_s); }, u"caissier has no open till"_s},
        {[&] { fService.TillOpen(u"awa"_s); }, c_Error_BadCashier},
        {[&] { fService.TillOpen(u"nobody"_s); }, u"There is no account named \"nobody\""_s},
    };
    for (const auto& c : cases)
        ExpectRefused(c.Call, c.Text);
    EXPECT_EQ(fService.ListAccounts().size(), 2u);
    EXPECT_EQ(fService.ListGroups().size(), 2u);
    EXPECT_EQ(fService.ListProducts().size(), 2u);
    EXPECT_EQ(Scalar(u"SELECT count(*) FROM tblCaisses"_s).toInt(), 0);
    EXPECT_FALSE(fService.FindTicket(code).Sold);
}

TEST_F(OperatorService, DeactivatingAnAccountKeepsItsCredit) {
    SetUpTheCafe();
    EXPECT_FALSE(fService.SetAccountActive(u"awa"_s, false).Active);
    EXPECT_FALSE(fService.FindAccount(u"awa"_s).Active);
    EXPECT_EQ(fService.FindAccount(u"awa"_s).Credit, 600u);
    EXPECT_TRUE(fService.SetAccountActive(u"awa"_s, true).Active);
    EXPECT_TRUE(fService.FindAccount(u"awa"_s).Active);
}

TEST_F(OperatorService, ABatchOfTicketsIsWholeOrNothing) {
    SetUpTheCafe();
    fService.CreateHourFormula(u"Soir"_s, {1, 18, 5, 23});
    const QStringList codes = fService.GenerateTickets({.Owner = u"caissier"_s,
                                                        .Count = 5,
                                                        .Length = 10,
                                                        .Style = tcsAlphaNumericUpper,
                                                        .Credit = 5400,
                                                        .Cost = 700,
                                                        .DaysAllowed = 7,
                                                        .HourFormula = u"Soir"_s});
    ASSERT_EQ(codes.size(), 5);
    const std::vector<TZRVTicketSummary> tickets = fService.ListTickets();
    ASSERT_EQ(tickets.size(), 5u);
    for (const TZRVTicketSummary& t : tickets) {
        EXPECT_TRUE(codes.contains(t.Code));
        EXPECT_EQ(t.Code.size(), 10);
        EXPECT_EQ(t.Code, t.Code.toUpper());
        EXPECT_EQ(t.Credit, 5400u);
        EXPECT_EQ(t.Cost, 700);
        EXPECT_EQ(t.DaysAllowed, 7);
        EXPECT_EQ(t.HourFormula, u"Soir"_s);
        EXPECT_EQ(t.HourWindow.StartHour, 18);
        EXPECT_EQ(t.Group, u"Default"_s);
        EXPECT_FALSE(t.Sold);
    }

    // The database refuses the third ticket of the next batch: none of the batch stays.
    Execute(Refusing(u"INSERT"_s, u"tblTickets"_s, u"(SELECT count(*) FROM tblTickets) >= 7"_s,
                     u"database or disk is full"_s));
    ExpectRefused([&] { Tickets(4, true); }, u"database or disk is full"_s);
    EXPECT_EQ(fService.ListTickets().size(), 5u);

    const struct {
        TZRVTicketBatch Batch;
        QString Text;
    } refused[] = {
        {{.Owner = u"caissier"_s, .Count = 0}, u"A batch holds 1 to 10000 tickets"_s},
        {{.Owner = u"caissier"_s, .Count = 10001}, u"A batch holds 1 to 10000 tickets"_s},
        {{.Owner = u"caissier"_s, .Length = 3}, u"A ticket code holds 4 to 32 characters"_s},
        {{.Owner = u"caissier"_s, .Cost = -5}, u"A price cannot be negative"_s},
        {{.Owner = u"nobody"_s}, u"There is no account named \"nobody\""_s},
        {{.Owner = u"caissier"_s, .HourFormula = u"Jamais"_s},
         u"There is no hour formula named \"Jamais\""_s},
        {{.Owner = u"caissier"_s, .Group = u"Nobody"_s}, u"There is no group named \"Nobody\""_s},
    };
    for (const auto& c : refused)
        ExpectRefused([&] { fService.GenerateTickets(c.Batch); }, c.Text);
    EXPECT_EQ(fService.ListTickets().size(), 5u);
}

// Selling a ticket, with or without a till, makes it usable from today: its days of validity
// count from the day of the sale, whatever the hour.
TEST_F(OperatorService, SoldMeansUsableWithItsValidityCountingFromToday) {
    SetUpTheCafe();
    TZRVClock::Stop(EncodeDateTime(2011, 7, 20, 15, 30, 0));
    fService.TillOpen(u"caissier"_s);
    const struct {
        const char* Path;
        std::function<QString()> Sell;
    } paths[] = {
        {"ticket sell", [&] { return fService.SellTicket(Tickets(1)[0]).Code; }},
        {"generated sold", [&] { return Tickets(1, true)[0]; }},
        {"till sell-ticket", [&] { return fService.TillSellTicket(u"caissier"_s, Tickets(1)[0]).Code; }},
    };
    for (const auto& path : paths) {
        const TZRVTicketSummary ticket = fService.FindTicket(path.Sell());
        EXPECT_TRUE(ticket.Sold) << path.Path;
        EXPECT_EQ(ticket.ActivationDate, EncodeDate(2011, 7, 20)) << path.Path;
        ExpectRefused([&] { fService.SellTicket(ticket.Code); }, u"is sold already"_s);
        ExpectRefused([&] { fService.TillSellTicket(u"caissier"_s, ticket.Code); }, u"is sold already"_s);
    }
    const QString deleted = Tickets(1)[0];
    ASSERT_TRUE(fDb.DeleteTicket(fService.FindTicket(deleted).Id, true));
    ExpectRefused([&] { fService.SellTicket(deleted); }, u"The ticket \"%1\" is deleted"_s.arg(deleted));
    ExpectRefused([&] { fService.TillSellTicket(u"caissier"_s, deleted); }, u"is deleted"_s);
    // Only the till's sale is money.
    EXPECT_EQ(fService.TillResume(u"caissier"_s).Balance, 500);
}

TEST_F(OperatorService, TheTillFromOpeningToClosing) {
    SetUpTheCafe();
    const QStringList codes = Tickets(2);
    const TZRVTillSummary opened = fService.TillOpen(u"caissier"_s);
    EXPECT_EQ(opened.Id, 1u);
    EXPECT_EQ(opened.StartDate, Now());
    ExpectRefused([&] { fService.TillOpen(u"caissier"_s); }, u"Till 1 of caissier is open already"_s);

    EXPECT_EQ(fService.TillSellTicket(u"caissier"_s, codes[0]).Cost, 500);
    const TZRVBasketSale sale =
        fService.TillSellProducts(u"caissier"_s, {{u"Coca"_s, 2}, {u"Chips"_s, 1}}, 50);
    EXPECT_EQ(sale.Lines, 2);
    EXPECT_EQ(sale.Total, 700);
    EXPECT_EQ(fService.TillAddCredit(u"caissier"_s, {TZRVCreditTarget::Account, u"awa"_s}, 1800, 200), 2400u);
    EXPECT_EQ(fService.FindAccount(u"awa"_s).Credit, 2400u);
    EXPECT_EQ(fService.TillAddCredit(u"caissier"_s, {TZRVCreditTarget::Ticket, codes[1]}, 600, 100), 4200u);
    EXPECT_EQ(fService.FindTicket(codes[1]).Credit, 4200u);
    EXPECT_EQ(fService.TillResume(u"caissier"_s).Balance, 1500);

    const std::vector<TZRVOperationInfos> operations = fService.TillOperations(u"caissier"_s);
    ASSERT_EQ(operations.size(), 4u);
    const std::pair<QString, QString> expected[] = {{u"0001"_s, u"Ticket N°1"_s},
                                                    {u"0201"_s, u"Commande de produits"_s},
                                                    {u"0101"_s, u"Ajout de crédit au compte N°2"_s},
                                                    {u"0101"_s, u"Ajout de crédit au ticket N°2"_s}};
    const int64_t amounts[] = {500, 700, 200, 100};
    for (size_t i = 0; i < operations.size(); ++i) {
        EXPECT_EQ(std::pair(operations[i].Rubric, operations[i].Title), expected[i]);
        EXPECT_EQ(operations[i].Amount, amounts[i]);
        EXPECT_EQ(operations[i].Date, Now());
    }
    const TZRVTillSummary closed = fService.TillClose(u"caissier"_s);
    EXPECT_EQ(closed.Id, 1u);
    EXPECT_EQ(closed.Balance, 1500);
    ExpectRefused([&] { fService.TillClose(u"caissier"_s); }, u"caissier has no open till"_s);
    EXPECT_EQ(fService.TillOpen(u"caissier"_s).Id, 2u);
}

TEST_F(OperatorService, ABasketIsPricedFromTheProducts) {
    SetUpTheCafe();
    fService.TillOpen(u"caissier"_s);
    EXPECT_EQ(fService.TillSellProducts(u"caissier"_s, {{u"Chips"_s, 3}}, 0).Total, 450);
    EXPECT_EQ(fService.TillOperations(u"caissier"_s)[0].Title, u"Chips"_s);
    const struct {
        std::vector<TZRVBasketLine> Basket;
        int32_t Discount;
        QString Text;
    } refused[] = {
        {{}, 0, c_Error_InvalidProductCommand},
        {{{u"Caviar"_s, 1}}, 0, u"There is no product named \"Caviar\""_s},
        {{{u"Coca"_s, 0}}, 0, u"Sell at least one \"Coca\""_s},
        {{{u"Coca"_s, 1}}, 301, u"The discount of 301 is more than the basket's 300"_s},
        {{{u"Coca"_s, 1}}, -1, u"A price cannot be negative"_s},
        {{{u"Coca"_s, 10000000}}, 0, u"10000000 × Coca costs more than a sale can hold"_s},
    };
    for (const auto& c : refused)
        ExpectRefused([&] { fService.TillSellProducts(u"caissier"_s, c.Basket, c.Discount); }, c.Text);
    EXPECT_EQ(fService.TillOperations(u"caissier"_s).size(), 1u);
}

TEST_F(OperatorService, ABonusIsCreditForNothing) {
    SetUpTheCafe();
    const QString code = Tickets(1)[0];
    fService.TillOpen(u"caissier"_s);
    EXPECT_EQ(fService.TillBonus(u"caissier"_s, {TZRVCreditTarget::Account, u"awa"_s}, 900), 1500u);
    EXPECT_EQ(fService.TillBonus(u"caissier"_s, {TZRVCreditTarget::Ticket, code}, 600), 4200u);
    EXPECT_EQ(fService.FindAccount(u"awa"_s).Credit, 1500u);
    EXPECT_EQ(fService.FindTicket(code).Credit, 4200u);
    EXPECT_EQ(Scalar(u"SELECT group_concat(Beneficiaire || ':' || ValeurCredit || ':' || TypeCompte, ' ') "
                     "FROM tblBonus"_s)
                  .toString(),
              u"awa:900:1 N°1:600:0"_s);
    EXPECT_EQ(fService.TillResume(u"caissier"_s).Balance, 0);
    EXPECT_TRUE(fService.TillOperations(u"caissier"_s).empty());
}

TEST_F(OperatorService, CreditIsGivenToWhatCanHoldIt) {
    SetUpTheCafe(false);
    const QString code = Tickets(1)[0];
    fService.TillOpen(u"caissier"_s);
    fService.CreateAccount({.Name = u"riche"_s, .Password = u"pw"_s, .Credit = 2147483000u});
    fService.CreateAccount({.Name = u"parti"_s, .Password = u"pw"_s});
    ASSERT_TRUE(fDb.DeleteAccount(fService.FindAccount(u"parti"_s).Id, true));
    const TZRVCreditTarget awa{TZRVCreditTarget::Account, u"awa"_s};
    ExpectRefused([&] { fService.TillBonus(u"caissier"_s, awa, 60); },
                  u"caissier is not allowed to give bonuses"_s);
    const struct {
        TZRVCreditTarget Target;
        uint32_t Seconds;
        int32_t Cost;
        QString Text;
    } refused[] = {
        {awa, 0, 10, u"Give at least one second of credit"_s},
        {awa, 60, -10, u"A price cannot be negative"_s},
        {{TZRVCreditTarget::Account, u"riche"_s},
         1000,
         10,
         u"The account \"riche\" cannot hold that much credit"_s},
        {{TZRVCreditTarget::Account, u"parti"_s}, 60, 10, u"The account \"parti\" is deleted"_s},
        {{TZRVCreditTarget::Account, u"nobody"_s}, 60, 10, u"There is no account named \"nobody\""_s},
        {{TZRVCreditTarget::Ticket, u"NOPE"_s}, 60, 10, u"There is no ticket \"NOPE\""_s},
    };
    for (const auto& c : refused)
        ExpectRefused([&] { fService.TillAddCredit(u"caissier"_s, c.Target, c.Seconds, c.Cost); }, c.Text);
    EXPECT_EQ(fService.FindAccount(u"awa"_s).Credit, 600u);
    EXPECT_EQ(fService.FindTicket(code).Credit, 3600u);
    EXPECT_TRUE(fService.TillOperations(u"caissier"_s).empty());
    EXPECT_EQ(Scalar(u"SELECT count(*) FROM tblBonus"_s).toInt(), 0);
}

// The credit and the till's record of it are written both or neither, and the database's reason
// for refusing the record reaches the caller.
TEST_F(OperatorService, CreditAndItsRecordAreBothOrNeither) {
    SetUpTheCafe();
    const QString code = Tickets(1)[0];
    fService.TillOpen(u"caissier"_s);
    Execute(Refusing(u"INSERT"_s, u"tblOperations"_s, u"1"_s, u"database or disk is full"_s));
    Execute(Refusing(u"INSERT"_s, u"tblBonus"_s, u"1"_s, u"attempt to write a readonly database"_s));
    const TZRVCreditTarget targets[] = {{TZRVCreditTarget::Account, u"awa"_s},
                                        {TZRVCreditTarget::Ticket, code}};
    for (const TZRVCreditTarget& target : targets) {
        ExpectRefused([&] { fService.TillAddCredit(u"caissier"_s, target, 1800, 200); },
                      u"database or disk is full"_s);
        ExpectRefused([&] { fService.TillBonus(u"caissier"_s, target, 1800); },
                      u"attempt to write a readonly database"_s);
    }
    ExpectRefused([&] { fService.TillSellTicket(u"caissier"_s, code); }, u"database or disk is full"_s);
    ExpectRefused(
        [&] {
            fService.TillSellProducts(u"caissier"_s, {{u"Coca"_s, 1}}, 0);
        },
        u"database or disk is full"_s);
    EXPECT_EQ(fService.FindAccount(u"awa"_s).Credit, 600u);
    EXPECT_EQ(fService.FindTicket(code).Credit, 3600u);
    EXPECT_FALSE(fService.FindTicket(code).Sold);
    EXPECT_EQ(fService.TillResume(u"caissier"_s).Balance, 0);
}

TEST_F(OperatorService, ALockedDataBaseIsReportedAsLocked) {
    SetUpTheCafe();
    const QString code = Tickets(1)[0];
    fService.TillOpen(u"caissier"_s);
    const QString other = u"other-process"_s;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, other);
        db.setDatabaseName(fDb.DBName());
        ASSERT_TRUE(db.open());
        QSqlQuery lock(db);
        ASSERT_TRUE(lock.exec(u"BEGIN EXCLUSIVE"_s));
        const std::function<void()> calls[] = {
            [&] { Tickets(3); },
            [&] { fService.SellTicket(code); },
            [&] {
                fService.TillAddCredit(u"caissier"_s, {TZRVCreditTarget::Account, u"awa"_s}, 60, 10);
            },
            [&] { fService.CreateProduct(u"Fanta"_s, 1, 300); },
            [&] { fService.Clean(); },
        };
        for (const auto& call : calls)
            ExpectRefused(call, u"database is locked"_s);
        // Through the write-ahead log, a reader is not held up by the writer.
        EXPECT_EQ(fService.ListTickets().size(), 1u);
        ASSERT_TRUE(lock.exec(u"ROLLBACK"_s));
    }
    QSqlDatabase::removeDatabase(other);
    EXPECT_EQ(fService.ListTickets().size(), 1u);
    EXPECT_EQ(Tickets(3).size(), 3);
}

// The codes of a batch are drawn against the tickets table; when the database cannot read it, the
// caller learns why rather than that no fresh code was found.
TEST_F(OperatorService, TheCodeDrawersReasonReachesTheCaller) {
    SetUpTheCafe();
    Execute(u"ALTER TABLE tblTickets RENAME TO tblTicketsElsewhere"_s);
    try {
        Tickets(2);
        ADD_FAILURE() << "the batch was made without its table";
    } catch (const EZRVError& e) {
        EXPECT_TRUE(e.Message().contains(u"no such table: tblTickets"_s)) << e.Message().toStdString();
        EXPECT_FALSE(e.Message().contains(u"fresh codes"_s));
    }
}

TEST_F(OperatorService, AReadOnlyDataBaseIsReportedAsReadOnly) {
    SetUpTheCafe();
    const QString code = Tickets(1)[0];
    const QString readOnly = u"read-only"_s;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, readOnly);
        db.setDatabaseName(fDb.DBName());
        db.setConnectOptions(u"QSQLITE_OPEN_READONLY"_s);
        ASSERT_TRUE(db.open());
        TZRVDataBase shared;
        shared.SetADOConnection(readOnly);
        TZRVOperatorService service(shared);
        EXPECT_EQ(service.ListTickets().size(), 1u);
        const std::function<void()> calls[] = {
            [&] { service.GenerateTickets({.Owner = u"caissier"_s}); },
            [&] { service.CreateAccount({.Name = u"ben"_s, .Password = u"pw"_s}); },
            [&] { service.SellTicket(code); },
            [&] { service.TillOpen(u"caissier"_s); },
        };
        for (const auto& call : calls)
            ExpectRefused(call, u"attempt to write a readonly database"_s);
        db.close();
    }
    QSqlDatabase::removeDatabase(readOnly);
}

// A closed database reads as empty to the record operations; the service says it is closed rather
// than that the operator named nothing known.
TEST_F(OperatorService, AClosedDataBaseIsReportedAsClosed) {
    SetUpTheCafe();
    fDb.Close();
    const std::function<void()> calls[] = {
        [&] { fService.ListAccounts(); },
        [&] { fService.FindAccount(u"awa"_s); },
        [&] { fService.CreateProduct(u"Fanta"_s, 1, 300); },
        [&] { fService.TillResume(u"caissier"_s); },
    };
    for (const auto& call : calls)
        ExpectRefused(call, u"The database is not open"_s);
}

TEST_F(OperatorService, CleaningRemovesWhatTheSettingsSay) {
    SetUpTheCafe();
    const QStringList codes = Tickets(2);
    ASSERT_TRUE(fDb.DeleteTicket(fService.FindTicket(codes[0]).Id, true));
    EXPECT_EQ(fService.Clean(), 1);
    EXPECT_EQ(fService.ListTickets().size(), 1u);
    EXPECT_EQ(fService.ListTickets()[0].Code, codes[1]);
}

} // namespace
