// The record operations of the database: existence checks, reads, inserts with their refusals,
// updates, deletions, links, hour formulas and products, on a real SQLite file and on PostgreSQL.
#include "ZRVDataBase.h"
#include "ZRVUserAccount.h"
#include "ZRVUserTicket.h"

#include "support/TestDataBases.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

namespace {

const QString c_Quoted = "L'Escale";

class DataBaseRecords : public zrvtest::OpenBothEngines {
protected:
    int Count(const QString& aSql) {
        QSqlQuery q(fDb.Connection());
        return q.exec(aSql) && q.next() ? q.value(0).toInt() : -1;
    }

    static std::unique_ptr<TZRVUserAccount> NewAccount(const QString& aName) {
        auto a = std::make_unique<TZRVUserAccount>();
        a->SetAccountName(aName);
        a->SetAccountPassword("pw");
        a->Group()->SetGroupName("Default");
        a->SecretQuestion()->SetQuestion("Nom de votre chien ?");
        return a;
    }

    uint32_t AddOwner() {
        auto owner = NewAccount("caissier");
        EXPECT_TRUE(fDb.AddAccount(owner.get()));
        return owner->AccountID();
    }

    static std::unique_ptr<TZRVUserTicket> NewTicket(const QString& aCode) {
        auto t = std::make_unique<TZRVUserTicket>();
        t->SetCode(aCode);
        t->Group()->SetGroupName("Default");
        return t;
    }

    uint32_t AddApplication(const QString& aName) {
        TZRVApplication a;
        a.SetApplicationName(aName);
        a.SetCommandLine(aName + ".exe");
        EXPECT_TRUE(fDb.AddApplication(&a));
        return a.ApplicationID();
    }

    uint32_t AddGame(const QString& aName) {
        TZRVGame g;
        g.SetGameName(aName);
        g.SetCommandLine(aName + ".exe");
        EXPECT_TRUE(fDb.AddGame(&g));
        return g.GameID();
    }

    template <class L, class T> static void Append(L* aList, uint32_t aID, void (T::*aSetID)(uint32_t)) {
        auto item = std::make_unique<T>();
        (item.get()->*aSetID)(aID);
        aList->Add(std::move(item));
    }

    static QList<uint32_t> ApplicationIDs(const TZRVApplications* aList) {
        QList<uint32_t> ids;
        for (int i = 0; i < aList->Count(); ++i)
            ids << aList->Item(i)->ApplicationID();
        return ids;
    }
    static QList<uint32_t> GameIDs(const TZRVGames* aList) {
        QList<uint32_t> ids;
        for (int i = 0; i < aList->Count(); ++i)
            ids << aList->Item(i)->GameID();
        return ids;
    }
};

// ----- existence checks

TEST_P(DataBaseRecords, NameChecksCountExactlyOneRowWithoutRegardToCase) {
    ASSERT_TRUE(fDb.AddAccount(NewAccount("bob").get()));
    EXPECT_NE(fDb.AccountExists("BOB"), 0);
    fDb.ExecuteSQLAction("INSERT INTO \"tblAccounts\" (\"AccountName\") VALUES ('Bob')");
    EXPECT_EQ(fDb.AccountExists("bob"), 0); // two rows: no match
    EXPECT_TRUE(fDb.AddAccount(NewAccount("bob").get()));
    EXPECT_EQ(Count("SELECT count(*) FROM \"tblAccounts\" WHERE \"AccountName\" = 'bob'"), 3);
}

TEST_P(DataBaseRecords, MachineFormulaAndProductChecksTakeTheFirstRow) {
    fDb.ExecuteSQLAction("INSERT INTO \"tblMachines\" (\"MachineName\") VALUES ('PC1'), ('PC1')");
    EXPECT_EQ(fDb.MachineExists("pc1"), 2);
    fDb.ExecuteSQLAction("INSERT INTO \"tblProducts\" (\"Name\") VALUES ('Cola'), ('Cola')");
    EXPECT_EQ(fDb.ProductExists("Cola"), 1);
    EXPECT_EQ(fDb.HourFormulaExists("Default"), 1);
    EXPECT_EQ(fDb.HourFormulaExists("Nuit"), 0);
}

TEST_P(DataBaseRecords, KeyChecksFindExistingKeysOnly) {
    EXPECT_TRUE(fDb.GroupExists(1u));
    EXPECT_TRUE(fDb.MachineExists(1u));
    EXPECT_TRUE(fDb.AuthorisationExists(29u));
    for (uint32_t unknown : {0u, 30u, 4000000000u})
        EXPECT_FALSE(fDb.AuthorisationExists(unknown)) << unknown;
    EXPECT_FALSE(fDb.AccountExists(1u));
    EXPECT_FALSE(fDb.TicketExists(1u));
    EXPECT_FALSE(fDb.ApplicationExists(1u));
    EXPECT_FALSE(fDb.GameExists(1u));
    EXPECT_FALSE(fDb.SecretQuestionExists(1u));
}

TEST_P(DataBaseRecords, NamesWithQuotesWorkEverywhere) {
    auto group = std::make_unique<TZRVGroup>();
    group->SetGroupName(c_Quoted);
    ASSERT_TRUE(fDb.AddGroup(group));
    EXPECT_EQ(fDb.GroupExists(c_Quoted), int(group->GroupID()));
    auto account = NewAccount(c_Quoted);
    account->Group()->SetGroupName(c_Quoted);
    account->SecretQuestion()->SetQuestion("Où est l'école ?");
    ASSERT_TRUE(fDb.AddAccount(account.get()));
    EXPECT_EQ(fDb.ReadAccount(uint32_t(fDb.AccountExists(c_Quoted)))->SecretQuestion()->Question(),
              "Où est l'école ?");
    ASSERT_NE(fDb.AddHourFormula(c_Quoted, 1, 8, 5, 20), 0);
    EXPECT_TRUE(fDb.UpdateHourFormula(c_Quoted, 2, 9, 6, 21));
    EXPECT_TRUE(fDb.DeleteHourFormula(c_Quoted));
    ASSERT_NE(fDb.AddProduct(c_Quoted, 1, 100), 0);
    EXPECT_TRUE(fDb.UpdateProduct(c_Quoted, 2, 200));
    EXPECT_TRUE(fDb.DeleteProduct(c_Quoted));
    auto machine = std::make_unique<TZRVMachine>();
    machine->SetMachineName("PC d'accueil");
    ASSERT_TRUE(fDb.AddMachine(machine));
    EXPECT_EQ(fDb.MachineExists("PC d'accueil"), int(machine->MachineID()));
    EXPECT_EQ(Count("SELECT count(*) FROM \"tblGroups\""), 2); // nothing else was touched
}

// ----- accounts

TEST_P(DataBaseRecords, AddAccountRefusals) {
    ASSERT_TRUE(fDb.AddAccount(NewAccount("taken").get()));
    struct Case {
        const char* What;
        std::function<void(TZRVUserAccount&)> Spoil;
    } cases[] = {
        {"empty name", [](TZRVUserAccount& a) { a.SetAccountName(""); }},
        {"name in use", [](TZRVUserAccount& a) { a.SetAccountName("TAKEN"); }},
        {"unknown group",
         [](TZRVUserAccount& a) {
             a.Group()->SetGroupName("Nobody");
             a.Group()->SetGroupID(7);
         }},
        {"no secret question", [](TZRVUserAccount& a) { a.SecretQuestion()->SetQuestion(""); }},
    };
    for (const auto& c : cases) {
        auto a = NewAccount("new");
        c.Spoil(*a);
        EXPECT_FALSE(fDb.AddAccount(a.get())) << c.What;
        EXPECT_EQ(a->AccountID(), 0u) << c.What;
    }
    EXPECT_FALSE(fDb.AddAccount(nullptr));
    EXPECT_EQ(Count("SELECT count(*) FROM \"tblAccounts\""), 1);
}

TEST_P(DataBaseRecords, AddAccountStoresTheRecordAndAttachesFreshSubRecords) {
    auto a = NewAccount("alice");
    a->Group()->SetGroupName("");
    a->Group()->SetGroupID(1); // found by key when the name matches nothing
    a->SetCredit(3600);
    a->SetCreditTotal(99);
    a->SetDeletedFlag(true);
    a->SetDaysAllowed(-1);
    a->SetSex(sFemale);
    a->SetOld(30);
    a->SetEmail("alice@example.org");
    const TDateTime before = Now();
    ASSERT_TRUE(fDb.AddAccount(a.get()));
    EXPECT_NE(a->AccountID(), 0u);
    EXPECT_GE(a->CreationDate(), before);
    EXPECT_EQ(a->CreditTotal(), 0u);
    EXPECT_FALSE(a->DeletedFlag());
    EXPECT_EQ(a->Group()->GroupName(), "Default");
    EXPECT_EQ(a->LastUsePC()->MachineName(), "Default");
    EXPECT_NE(a->SecretQuestion()->SecretQuestionID(), 0u);

    const auto stored = fDb.ReadAccount(a->AccountID());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->SaveToStringList(), a->SaveToStringList());
    EXPECT_EQ(Count("SELECT count(*) FROM \"tblAccounts\" WHERE \"Phone\" = '' AND \"Pseudo\" = ''"),
              1); // not NULL
}

TEST_P(DataBaseRecords, AccountTakesTheStoredSecretQuestionOfTheSameText) {
    TZRVSecretQuestion q;
    q.SetQuestion("Ville natale ?");
    ASSERT_TRUE(fDb.AddSecretQuestion(&q));
    auto a = NewAccount("carl");
    a->SecretQuestion()->SetQuestion("ville natale ?");
    ASSERT_TRUE(fDb.AddAccount(a.get()));
    EXPECT_EQ(a->SecretQuestion()->SecretQuestionID(), q.SecretQuestionID());
    EXPECT_EQ(a->SecretQuestion()->Question(), "Ville natale ?");
    EXPECT_EQ(Count("SELECT count(*) FROM \"tblSecretQuestions\""), 1);
}

TEST_P(DataBaseRecords, LastUseBeforeTheCreationDayBecomesToday) {
    auto a = NewAccount("dan");
    a->SetCreationDate(EncodeDate(2020, 5, 2));
    a->SetLastUseDate(EncodeDate(2020, 5, 1));
    ASSERT_TRUE(fDb.AddAccount(a.get()));
    EXPECT_EQ(fDb.ReadAccount(a->AccountID())->LastUseDate(), Date());
}

TEST_P(DataBaseRecords, UpdateAccountWritesAllButTheNameAndCreation) {
    auto a = NewAccount("erin");
    ASSERT_TRUE(fDb.AddAccount(a.get()));
    const TDateTime created = a->CreationDate();
    a->SetAccountName("renamed");
    a->SetCreationDate(EncodeDate(2000, 1, 1));
    a->SetLastUseDate(Date());
    a->SetCredit(42);
    a->SetCreditTotal(7);
    a->SetPhone("01 02");
    a->SetLastUpdateDate(0);
    ASSERT_TRUE(fDb.UpdateAccount(a.get()));
    EXPECT_GT(a->LastUpdateDate(), 0);
    const auto stored = fDb.ReadAccount(a->AccountID());
    EXPECT_EQ(stored->AccountName(), "erin");
    EXPECT_EQ(stored->CreationDate(), created);
    EXPECT_EQ(stored->Credit(), 42u);
    EXPECT_EQ(stored->CreditTotal(), 7u);
    EXPECT_EQ(stored->Phone(), "01 02");
    EXPECT_EQ(stored->LastUpdateDate(), a->LastUpdateDate());

    EXPECT_FALSE(fDb.UpdateAccount(nullptr));
    a->SetAccountID(0);
    EXPECT_FALSE(fDb.UpdateAccount(a.get()));
    a->SetAccountID(999);
    EXPECT_FALSE(fDb.UpdateAccount(a.get()));
}

TEST_P(DataBaseRecords, ReadAccountOfUnknownKeysGivesNothing) {
    std::unique_ptr<TZRVUserAccount> variable = NewAccount("x");
    EXPECT_FALSE(fDb.ReadAccount(0, variable));
    EXPECT_EQ(variable, nullptr);
    EXPECT_EQ(fDb.ReadAccount(12), nullptr);
}

// ----- tickets

TEST_P(DataBaseRecords, AddTicketRefusals) {
    const uint32_t owner = AddOwner();
    ASSERT_TRUE(fDb.AddTicket(NewTicket("USED").get(), owner, false));
    struct Case {
        const char* What;
        std::function<void(TZRVUserTicket&)> Spoil;
        uint32_t Owner;
    } cases[] = {
        {"empty code", [](TZRVUserTicket& t) { t.SetCode(""); }, owner},
        {"code in use", [](TZRVUserTicket& t) { t.SetCode("used"); }, owner},
        {"unknown group", [](TZRVUserTicket& t) { t.Group()->SetGroupName("Nobody"); }, owner},
        {"unknown owner", [](TZRVUserTicket&) {}, owner + 1},
        {"unknown hour formula", [](TZRVUserTicket& t) { t.SetHourFormulaName("Nuit"); }, owner},
    };
    for (const auto& c : cases) {
        auto t = NewTicket("NEW");
        c.Spoil(*t);
        EXPECT_FALSE(fDb.AddTicket(t.get(), c.Owner, false)) << c.What;
    }
    EXPECT_FALSE(fDb.AddTicket(nullptr, owner, false));
    EXPECT_EQ(Count("SELECT count(*) FROM \"tblTickets\""), 1);
}

TEST_P(DataBaseRecords, NewTicketRowStartsUnsoldOnMachineOne) {
    const uint32_t owner = AddOwner();
    auto t = NewTicket("T-1");
    t->SetActive(true);
    t->SetActivationDate(Now());
    t->SetPrintFlag(true);
    t->SetCredit(1800);
    t->SetCost(500);
    ASSERT_TRUE(fDb.AddTicket(t.get(), owner, true));
    EXPECT_EQ(t->TicketID(), 0u);
    const auto stored = fDb.ReadTicket(uint32_t(fDb.TicketExists("T-1")));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->LastUsePC()->MachineID(), 1u);
    EXPECT_FALSE(stored->Active());
    EXPECT_EQ(stored->ActivationDate(), 0);
    EXPECT_FALSE(stored->PrintFlag());
    EXPECT_EQ(stored->CreationDate(), Date());
    EXPECT_EQ(stored->Credit(), 1800u);
    EXPECT_EQ(stored->Cost(), 500);
    EXPECT_EQ(stored->OwnerID(), owner);
}

TEST_P(DataBaseRecords, ReadTicketCarriesItsPackedHourFormulaGroupAndMachine) {
    const uint32_t owner = AddOwner();
    ASSERT_NE(fDb.AddHourFormula("Semaine", 1, 8, 5, 20), 0);
    auto t = NewTicket("WEEK");
    t->SetHourFormulaName("semaine");
    ASSERT_TRUE(fDb.AddTicket(t.get(), owner, false));
    const uint32_t id = uint32_t(fDb.TicketExists("WEEK"));
    std::unique_ptr<TZRVUserTicket> stored;
    ASSERT_TRUE(fDb.ReadTicket(id, stored));
    EXPECT_EQ(stored->TicketID(), id);
    EXPECT_EQ(stored->HourFormula(), 42305); // 1 + 8 << 3 + 5 << 8 + 20 << 11
    EXPECT_EQ(stored->HourFormulaName(), "Semaine");
    EXPECT_EQ(stored->Group()->GroupID(), 1u);
    EXPECT_EQ(stored->LastUsePC()->MachineName(), "Default");
    EXPECT_EQ(fDb.ReadTicket(id + 1), nullptr);
}

TEST_P(DataBaseRecords, UpdateTicketWritesItsStateButNotItsIdentity) {
    const uint32_t owner = AddOwner();
    ASSERT_TRUE(fDb.AddTicket(NewTicket("ABC").get(), owner, false));
    auto t = fDb.ReadTicket(uint32_t(fDb.TicketExists("ABC")));
    t->SetCode("XYZ");
    t->SetCost(999);
    t->SetCredit(60);
    t->SetUsedFlag(true);
    t->SetActive(true);
    t->SetLastUseTime(30);
    ASSERT_TRUE(fDb.UpdateTicket(t.get()));
    const auto stored = fDb.ReadTicket(t->TicketID());
    EXPECT_EQ(stored->Code(), "ABC");
    EXPECT_EQ(stored->Cost(), 0);
    EXPECT_EQ(stored->Credit(), 60u);
    EXPECT_TRUE(stored->UsedFlag());
    EXPECT_TRUE(stored->Active());
    EXPECT_EQ(stored->LastUseTime(), 30u);
    t->SetTicketID(t->TicketID() + 1);
    EXPECT_FALSE(fDb.UpdateTicket(t.get()));
    t->SetTicketID(0);
    EXPECT_FALSE(fDb.UpdateTicket(t.get()));
}

// ----- deletions

TEST_P(DataBaseRecords, SoftDeletionKeepsTheRowAndHardDeletionRemovesIt) {
    const uint32_t owner = AddOwner();
    ASSERT_TRUE(fDb.AddTicket(NewTicket("SOFT").get(), owner, false));
    const uint32_t ticket = uint32_t(fDb.TicketExists("SOFT"));
    EXPECT_TRUE(fDb.DeleteAccount(owner, true));
    EXPECT_TRUE(fDb.ReadAccount(owner)->DeletedFlag());
    EXPECT_EQ(fDb.AccountExists("caissier"), int(owner));
    EXPECT_TRUE(fDb.DeleteTicket(ticket, true));
    EXPECT_TRUE(fDb.ReadTicket(ticket)->DeletedFlag());

    auto record = fDb.ReadAccount(owner);
    EXPECT_TRUE(fDb.DeleteAccount(record.get(), true, false));
    EXPECT_EQ(record->AccountName(), ""); // cleared
    EXPECT_FALSE(fDb.AccountExists(owner));
    auto stored = fDb.ReadTicket(ticket);
    EXPECT_TRUE(fDb.DeleteTicket(stored.get(), false, false));
    EXPECT_EQ(stored->Code(), "SOFT"); // kept
    EXPECT_FALSE(fDb.TicketExists(ticket));
    EXPECT_FALSE(fDb.DeleteTicket(ticket, false));
    EXPECT_FALSE(fDb.DeleteAccount(nullptr, true, true));
}

// ----- groups and machines with their links

TEST_P(DataBaseRecords, GroupIsAddedWithItsLinksAndReplacedByTheStoredOne) {
    const uint32_t app1 = AddApplication("Word"), app2 = AddApplication("Paint"), game = AddGame("Chess");
    auto group = std::make_unique<TZRVGroup>();
    group->SetGroupName("VIP");
    group->SetAutoCredit(7200);
    group->SetIncrementalCredit(true);
    group->SetAuthorisations({urOpenServer, urSellsView});
    Append(group->AllowedApplications(), app1, &TZRVApplication::SetApplicationID);
    Append(group->AllowedApplications(), app2, &TZRVApplication::SetApplicationID);
    Append(group->AllowedGames(), game, &TZRVGame::SetGameID);
    TZRVGroup* const handed = group.get();
    ASSERT_TRUE(fDb.AddGroup(group));
    EXPECT_NE(group.get(), handed);
    EXPECT_NE(group->GroupID(), 0u);
    EXPECT_EQ(group->AutoCredit(), 7200u);
    EXPECT_TRUE(group->IncrementalCredit());
    EXPECT_EQ(group->Authorisations().Mask(), 258u);
    EXPECT_EQ(ApplicationIDs(group->AllowedApplications()), QList<uint32_t>({app1, app2}));
    EXPECT_EQ(group->AllowedApplications()->Item(1)->ApplicationName(), "Paint");
    EXPECT_EQ(GameIDs(group->AllowedGames()), QList<uint32_t>({game}));

    std::unique_ptr<TZRVGroup> refused = std::make_unique<TZRVGroup>();
    refused->SetGroupName("vip");
    EXPECT_FALSE(fDb.AddGroup(refused));
    refused->SetGroupName("");
    EXPECT_FALSE(fDb.AddGroup(refused));
    refused.reset();
    EXPECT_FALSE(fDb.AddGroup(refused));
}

TEST_P(DataBaseRecords, UpdateGroupRewritesItsRowAndLinks) {
    const uint32_t app1 = AddApplication("Word"), app2 = AddApplication("Paint"), game = AddGame("Chess");
    auto group = std::make_unique<TZRVGroup>();
    group->SetGroupName("Jeunes");
    Append(group->AllowedApplications(), app1, &TZRVApplication::SetApplicationID);
    Append(group->AllowedGames(), game, &TZRVGame::SetGameID);
    ASSERT_TRUE(fDb.AddGroup(group));
    group->SetGroupName("Ados");
    group->AllowedApplications()->Clear();
    Append(group->AllowedApplications(), app2, &TZRVApplication::SetApplicationID);
    group->AllowedGames()->Clear();
    ASSERT_TRUE(fDb.UpdateGroup(group.get()));
    const auto stored = fDb.ReadGroup(group->GroupID());
    EXPECT_EQ(stored->GroupName(), "Ados");
    EXPECT_EQ(ApplicationIDs(stored->AllowedApplications()), QList<uint32_t>({app2}));
    EXPECT_EQ(stored->AllowedGames()->Count(), 0);
    EXPECT_EQ(Count("SELECT count(*) FROM \"tblGroups+Games\""), 0);

    group->SetGroupID(999);
    EXPECT_FALSE(fDb.UpdateGroup(group.get()));
    EXPECT_FALSE(fDb.UpdateGroup(nullptr));
    EXPECT_EQ(Count("SELECT count(*) FROM \"tblGroups+Applications\""), 1);
}

TEST_P(DataBaseRecords, FailedGroupWritesLeaveTheDatabaseAsItWas) {
    const uint32_t app = AddApplication("Word"), refused = AddGame("Refused");
    fDb.ExecuteSQLAction(
        (OnPostgreSql()
             ? QStringLiteral(
                   "ALTER TABLE \"tblGroups+Games\" ADD CONSTRAINT refuse CHECK (\"Game_ID\" <> %1)")
             : QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON \"tblGroups+Games\" WHEN "
                              "NEW.Game_ID = %1 BEGIN SELECT RAISE(ABORT, 'refused'); END"))
            .arg(refused));
    auto group = std::make_unique<TZRVGroup>();
    group->SetGroupName("Jeunes");
    Append(group->AllowedApplications(), app, &TZRVApplication::SetApplicationID);
    ASSERT_TRUE(fDb.AddGroup(group));

    group->SetGroupName("Ados");
    group->AllowedApplications()->Clear();
    Append(group->AllowedGames(), refused, &TZRVGame::SetGameID);
    EXPECT_THROW(fDb.UpdateGroup(group.get()), EZRVError);
    const auto stored = fDb.ReadGroup(group->GroupID());
    EXPECT_EQ(stored->GroupName(), "Jeunes");
    EXPECT_EQ(ApplicationIDs(stored->AllowedApplications()), QList<uint32_t>({app}));

    auto failing = std::make_unique<TZRVGroup>();
    failing->SetGroupName("Nouveaux");
    Append(failing->AllowedGames(), refused, &TZRVGame::SetGameID);
    EXPECT_THROW(fDb.AddGroup(failing), EZRVError);
    EXPECT_EQ(fDb.GroupExists("Nouveaux"), 0);
    // The database still takes writes afterwards.
    EXPECT_NE(fDb.AddProduct("Cola", 1, 1), 0);
}

TEST_P(DataBaseRecords, MachineIsAddedAndUpdatedWithItsLinks) {
    const uint32_t app = AddApplication("Word"), game1 = AddGame("Chess"), game2 = AddGame("Go");
    auto machine = std::make_unique<TZRVMachine>();
    machine->SetMachineName("PC12");
    machine->SetRam(2048);
    machine->SetCpu("2394 Mhz");
    machine->SetOSystem("Debian");
    machine->SetGeography("Fond de salle");
    Append(machine->Applications(), app, &TZRVApplication::SetApplicationID);
    Append(machine->Games(), game1, &TZRVGame::SetGameID);
    ASSERT_TRUE(fDb.AddMachine(machine));
    EXPECT_NE(machine->MachineID(), 1u);
    EXPECT_EQ(machine->Ram(), 2048u);
    EXPECT_EQ(machine->OSystem(), "Debian");
    EXPECT_EQ(machine->Geography(), "Fond de salle");
    EXPECT_EQ(GameIDs(machine->Games()), QList<uint32_t>({game1}));

    machine->Applications()->Clear();
    Append(machine->Games(), game2, &TZRVGame::SetGameID);
    machine->SetRam(4096);
    ASSERT_TRUE(fDb.UpdateMachine(machine.get()));
    const auto stored = fDb.ReadMachine(machine->MachineID());
    EXPECT_EQ(stored->Ram(), 4096u);
    EXPECT_EQ(stored->Applications()->Count(), 0);
    EXPECT_EQ(GameIDs(stored->Games()), QList<uint32_t>({game1, game2}));

    auto duplicate = std::make_unique<TZRVMachine>();
    duplicate->SetMachineName("pc12");
    EXPECT_FALSE(fDb.AddMachine(duplicate));
    duplicate->SetMachineName("");
    EXPECT_FALSE(fDb.AddMachine(duplicate));
    machine->SetMachineID(999);
    EXPECT_FALSE(fDb.UpdateMachine(machine.get()));
}

TEST_P(DataBaseRecords, DeletingAGroupLeavesItsLinks) {
    ASSERT_TRUE(fDb.AddGroupApplication(1, AddApplication("Word")));
    EXPECT_TRUE(fDb.DeleteGroup(1));
    EXPECT_FALSE(fDb.GroupExists(1u));
    EXPECT_EQ(Count("SELECT count(*) FROM \"tblGroups+Applications\""), 1);
    EXPECT_FALSE(fDb.DeleteGroup(1));
}

// ----- applications, games, authorisations, secret questions

TEST_P(DataBaseRecords, SmallRecordsAreAddedOnceAndRefuseEmptyTexts) {
    TZRVApplication app;
    EXPECT_FALSE(fDb.AddApplication(&app));
    app.SetApplicationName("Word");
    EXPECT_FALSE(fDb.AddApplication(&app)); // no command line
    app.SetCommandLine("word.exe");
    ASSERT_TRUE(fDb.AddApplication(&app));
    TZRVApplication again;
    again.SetApplicationName("WORD");
    again.SetCommandLine("word.exe");
    EXPECT_FALSE(fDb.AddApplication(&again));
    EXPECT_EQ(again.ApplicationID(), app.ApplicationID()); // the existing key is handed back
    again.SetCommandLine("winword.exe");
    EXPECT_TRUE(fDb.AddApplication(&again));

    TZRVGame game;
    game.SetGameName("Chess");
    EXPECT_FALSE(fDb.AddGame(&game));
    game.SetCommandLine("chess");
    game.SetDescription("Échecs");
    ASSERT_TRUE(fDb.AddGame(&game));
    EXPECT_FALSE(fDb.AddGame(&game));
    EXPECT_EQ(fDb.ReadGame(game.GameID())->Description(), "Échecs");

    TZRVAuthorisation auth;
    EXPECT_FALSE(fDb.AddAuthorisation(&auth));
    auth.SetAuthorisationName("urNone");
    EXPECT_FALSE(fDb.AddAuthorisation(&auth));
    auth.SetAuthorisationName("urCustom");
    ASSERT_TRUE(fDb.AddAuthorisation(&auth));
    EXPECT_EQ(auth.AuthorisationID(), uint32_t(c_UserRightCount + 1));

    TZRVSecretQuestion question;
    EXPECT_FALSE(fDb.AddSecretQuestion(&question));
    question.SetQuestion("Couleur ?");
    ASSERT_TRUE(fDb.AddSecretQuestion(&question));
    TZRVSecretQuestion same;
    same.SetQuestion("couleur ?");
    EXPECT_FALSE(fDb.AddSecretQuestion(&same));
    EXPECT_EQ(same.SecretQuestionID(), question.SecretQuestionID());
    EXPECT_FALSE(fDb.AddSecretQuestion(nullptr));
}

TEST_P(DataBaseRecords, ApplicationsAndGamesAreUpdatedByKey) {
    TZRVApplication app;
    app.SetApplicationID(AddApplication("Word"));
    app.SetApplicationName("Writer");
    app.SetCommandLine("writer");
    ASSERT_TRUE(fDb.UpdateApplication(&app));
    EXPECT_EQ(fDb.ReadApplication(app.ApplicationID())->ApplicationName(), "Writer");
    TZRVGame game;
    game.SetGameID(AddGame("Chess"));
    game.SetGameName("Go");
    ASSERT_TRUE(fDb.UpdateGame(&game));
    EXPECT_EQ(fDb.ReadGame(game.GameID())->GameName(), "Go");
    game.SetGameID(99);
    EXPECT_FALSE(fDb.UpdateGame(&game));
    EXPECT_FALSE(fDb.UpdateApplication(nullptr));
}

TEST_P(DataBaseRecords, LinksNeedBothSidesAndAreMadeOnce) {
    const uint32_t app = AddApplication("Word"), game = AddGame("Chess");
    struct Case {
        const char* What;
        std::function<bool(uint32_t, uint32_t)> Add, Exists, Delete;
        uint32_t Owner, Item;
    } cases[] = {
        {"group application", [&](uint32_t g, uint32_t a) { return fDb.AddGroupApplication(g, a); },
         [&](uint32_t g, uint32_t a) { return fDb.GroupApplicationExists(g, a); },
         [&](uint32_t g, uint32_t a) { return fDb.DeleteGroupApplication(g, a); }, 1, app},
        {"group game", [&](uint32_t g, uint32_t a) { return fDb.AddGroupGame(g, a); },
         [&](uint32_t g, uint32_t a) { return fDb.GroupGameExists(g, a); },
         [&](uint32_t g, uint32_t a) { return fDb.DeleteGroupGame(g, a); }, 1, game},
        {"machine application", [&](uint32_t m, uint32_t a) { return fDb.AddMachineApplication(m, a); },
         [&](uint32_t m, uint32_t a) { return fDb.MachineApplicationExists(m, a); },
         [&](uint32_t m, uint32_t a) { return fDb.DeleteMachineApplication(m, a); }, 1, app},
        {"machine game", [&](uint32_t m, uint32_t a) { return fDb.AddMachineGame(m, a); },
         [&](uint32_t m, uint32_t a) { return fDb.MachineGameExists(m, a); },
         [&](uint32_t m, uint32_t a) { return fDb.DeleteMachineGame(m, a); }, 1, game},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(c.Add(0, c.Item)) << c.What;
        EXPECT_FALSE(c.Add(c.Owner, 0)) << c.What;
        EXPECT_FALSE(c.Add(c.Owner + 1, c.Item)) << c.What;
        EXPECT_FALSE(c.Add(c.Owner, c.Item + 5)) << c.What;
        EXPECT_TRUE(c.Add(c.Owner, c.Item)) << c.What;
        EXPECT_FALSE(c.Add(c.Owner, c.Item)) << c.What;
        EXPECT_TRUE(c.Exists(c.Owner, c.Item)) << c.What;
        EXPECT_TRUE(c.Delete(c.Owner, c.Item)) << c.What;
        EXPECT_FALSE(c.Exists(c.Owner, c.Item)) << c.What;
        EXPECT_FALSE(c.Delete(c.Owner, c.Item)) << c.What;
    }
}

TEST_P(DataBaseRecords, GroupAuthorisationsAreAddedReadUpdatedAndDeleted) {
    TZRVGroupAuthorisation link;
    link.SetGroupID(1);
    link.Authorisation()->SetAuthorisationID(9);
    link.SetValue(true);
    link.SetValueEx("max 10");
    ASSERT_TRUE(fDb.AddGroupAuthorisation(&link));
    EXPECT_FALSE(fDb.AddGroupAuthorisation(&link));
    link.Authorisation()->SetAuthorisationID(77);
    EXPECT_FALSE(fDb.AddGroupAuthorisation(&link));
    link.Authorisation()->SetAuthorisationID(0);
    EXPECT_FALSE(fDb.AddGroupAuthorisation(&link));
    EXPECT_FALSE(fDb.AddGroupAuthorisation(nullptr));

    auto stored = fDb.ReadGroupAuthorisation(9, 1);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->GroupID(), 1u);
    EXPECT_TRUE(stored->Value());
    EXPECT_EQ(stored->ValueEx(), "max 10");
    EXPECT_EQ(stored->Authorisation()->AuthorisationName(), "urSellsView");
    stored->SetValue(false);
    stored->SetValueEx("");
    ASSERT_TRUE(fDb.UpdateGroupAuthorisation(stored.get()));
    EXPECT_FALSE(fDb.ReadGroupAuthorisation(9, 1)->Value());
    EXPECT_TRUE(fDb.DeleteGroupAuthorisation(1, 9));
    EXPECT_EQ(fDb.ReadGroupAuthorisation(9, 1), nullptr);
    EXPECT_FALSE(fDb.UpdateGroupAuthorisation(stored.get()));
}

// ----- hour formulas and products

TEST_P(DataBaseRecords, HourFormulaRefusals) {
    // A row with an overlong name, as another tool could leave it, is not updated either.
    const QString overlong(21, 'n');
    fDb.ExecuteSQLAction("INSERT INTO \"tblHourFormulas\" (\"Intitule\") VALUES ('nnnnnnnnnnnnnnnnnnnnn')");
    struct Case {
        QString Name;
        int StartDay, StartHour, EndDay, EndHour;
    } cases[] = {{"", 1, 0, 7, 23},        {overlong, 1, 0, 7, 23},   {"Default", 0, 0, 7, 23},
                 {"Default", 1, 0, 8, 23}, {"Default", 1, -1, 7, 23}, {"Default", 1, 24, 7, 23},
                 {"Default", 1, 0, 7, 24}};
    for (const auto& c : cases) {
        const QString nameForAdd = c.Name == "Default" ? QString("Nouvelle") : c.Name;
        EXPECT_EQ(fDb.AddHourFormula(nameForAdd, c.StartDay, c.StartHour, c.EndDay, c.EndHour), 0)
            << c.Name.size();
        EXPECT_FALSE(fDb.UpdateHourFormula(c.Name, c.StartDay, c.StartHour, c.EndDay, c.EndHour))
            << c.Name.size();
    }
    EXPECT_EQ(fDb.AddHourFormula("default", 1, 0, 7, 23), 0); // the name exists
    EXPECT_EQ(Count("SELECT count(*) FROM \"tblHourFormulas\""), 2);
    int id = 0, packed = 0;
    ASSERT_TRUE(fDb.ReadHourFormula("Default", id, packed));
    EXPECT_EQ(packed, 48897);
    EXPECT_NE(fDb.AddHourFormula(QString(20, 'n'), 7, 23, 7, 23), 0);
}

TEST_P(DataBaseRecords, HourFormulaIsReadPackedUpdatedAndDeleted) {
    const int id = fDb.AddHourFormula("Semaine", 1, 8, 5, 20);
    ASSERT_NE(id, 0);
    QString name;
    int packed = 0;
    ASSERT_TRUE(fDb.ReadHourFormula(id, name, packed));
    EXPECT_EQ(name, "Semaine");
    EXPECT_EQ(packed, 42305);
    ASSERT_TRUE(fDb.UpdateHourFormula("Semaine", 6, 0, 7, 23));
    int readID = 0;
    ASSERT_TRUE(fDb.ReadHourFormula("SEMAINE", readID, packed));
    EXPECT_EQ(readID, id);
    EXPECT_EQ(packed, 6 | 0 << 3 | 7 << 8 | 23 << 11);
    EXPECT_FALSE(fDb.UpdateHourFormula("Nuit", 1, 0, 7, 23));
    EXPECT_TRUE(fDb.DeleteHourFormula(id));
    EXPECT_FALSE(fDb.ReadHourFormula(id, name, packed));
    EXPECT_FALSE(fDb.DeleteHourFormula("Semaine"));
}

TEST_P(DataBaseRecords, ProductsAreAddedReadUpdatedAndDeleted) {
    EXPECT_EQ(fDb.AddProduct("", 1, 1), 0);
    EXPECT_EQ(fDb.AddProduct(QString(21, 'p'), 1, 1), 0);
    const int id = fDb.AddProduct("Cola", 6, 150);
    ASSERT_NE(id, 0);
    EXPECT_EQ(fDb.AddProduct("COLA", 1, 1), 0);
    QString name;
    int quantity = 0, cost = 0, readID = 0;
    ASSERT_TRUE(fDb.ReadProduct(id, name, quantity, cost));
    EXPECT_EQ(name, "Cola");
    EXPECT_EQ(quantity, 6);
    EXPECT_EQ(cost, 150);
    EXPECT_FALSE(fDb.UpdateProduct(QString(21, 'p'), 1, 1));
    ASSERT_TRUE(fDb.UpdateProduct("cola", 12, 140));
    ASSERT_TRUE(fDb.ReadProduct("Cola", readID, quantity, cost));
    EXPECT_EQ(readID, id);
    EXPECT_EQ(quantity, 12);
    EXPECT_EQ(cost, 140);
    EXPECT_TRUE(fDb.DeleteProduct(id));
    EXPECT_FALSE(fDb.DeleteProduct("Cola"));
    EXPECT_FALSE(fDb.ReadProduct("Cola", readID, quantity, cost));
}

ZRV_ON_BOTH_ENGINES(DataBaseRecords);

} // namespace
