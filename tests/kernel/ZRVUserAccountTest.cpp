#include "ZRVUserAccount.h"

#include "ZRVErrorLogger.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Functions rather than constants: the date helpers must not run before the kernel's statics exist.
TDateTime Created() {
    return EncodeDateTime(2011, 7, 20, 14, 5, 9);
}
TDateTime Used() {
    return EncodeDateTime(2011, 7, 21, 9, 30, 0);
}
TDateTime Updated() {
    return EncodeDate(2011, 7, 22);
}

void FillAccount(TZRVUserAccount& A) {
    A.SetAccountID(42);
    A.SetAccountName("Bob");
    A.SetAccountPassword("pw=1");
    A.SetActive(true);
    A.SetCredit(5400);
    A.SetCreditTotal(9000);
    A.SetCreationDate(Created());
    A.SetLastUseDate(Used());
    A.SetLastUseTime(600);
    A.SetLastUpdateDate(Updated());
    A.SetDaysAllowed(-1);
    A.SetDeletedFlag(true);
    A.SetFirstName("Robert");
    A.SetSecondName("Dupont");
    A.SetPseudo("bobby");
    A.SetEmail("bob@example.org");
    A.SetPhone("0102030405");
    A.SetOld(31);
    A.SetSex(sMale);
    A.SetDescription("habitué");
    A.SetSecretAnswer("Médor");
    A.SecretQuestion()->SetSecretQuestionID(4);
    A.SecretQuestion()->SetQuestion("Nom du chien ?");
    A.Group()->SetGroupID(2);
    A.Group()->SetGroupName("Étudiants");
    A.Group()->SetAuthorisations({urOpenServer});
    auto game = std::make_unique<TZRVGame>();
    game->SetGameID(12);
    A.Group()->AllowedGames()->Add(std::move(game));
    A.LastUsePC()->SetMachineID(9);
    A.LastUsePC()->SetMachineName("PC12");
}

TStringList Without(TStringList L, std::initializer_list<const char*> aKeys) {
    for (const char* key : aKeys)
        L.Delete(L.IndexOfName(QString::fromUtf8(key)));
    return L;
}

TEST(UserAccount, RoundTripKeepsFieldsAndNestedRecords) {
    TZRVUserAccount source;
    FillAccount(source);
    TZRVUserAccount back;
    back.LoadFromBuffer(source.SaveToBuffer());

    EXPECT_EQ(back.AccountID(), 42u);
    EXPECT_EQ(back.AccountName(), "Bob");
    EXPECT_EQ(back.AccountPassword(), "pw=1");
    EXPECT_TRUE(back.Active());
    EXPECT_EQ(back.Credit(), 5400u);
    EXPECT_EQ(back.CreditTotal(), 9000u);
    EXPECT_NEAR(back.CreationDate(), Created(), 1e-9);
    EXPECT_NEAR(back.LastUseDate(), Used(), 1e-9);
    EXPECT_DOUBLE_EQ(back.LastUpdateDate(), Updated());
    EXPECT_EQ(back.LastUseTime(), 600u);
    EXPECT_EQ(back.DaysAllowed(), -1);
    EXPECT_TRUE(back.DeletedFlag());
    EXPECT_EQ(back.Old(), 31);
    EXPECT_EQ(back.Sex(), sMale);
    EXPECT_EQ(back.SecretAnswer(), "Médor");
    EXPECT_EQ(back.SecretQuestion()->SecretQuestionID(), 4u);
    EXPECT_EQ(back.SecretQuestion()->Question(), "Nom du chien ?");
    EXPECT_EQ(back.Group()->GroupName(), "Étudiants");
    EXPECT_EQ(back.Group()->Authorisations(), TZRVUserRights{urOpenServer});
    ASSERT_EQ(back.Group()->AllowedGames()->Count(), 1);
    EXPECT_EQ(back.Group()->AllowedGames()->Games(0)->GameID(), 12u);
    EXPECT_EQ(back.LastUsePC()->MachineID(), 9u);
    EXPECT_EQ(back.LastUsePC()->MachineName(), "PC12");
    EXPECT_EQ(back.SaveToStringList(), source.SaveToStringList());
}

TEST(UserAccount, WritesKeysInTheirOrderWithNestingPrefixes) {
    TZRVUserAccount A;
    FillAccount(A);
    QStringList names;
    const TStringList L = A.SaveToStringList();
    for (int i = 0; i < L.Count(); ++i)
        if (!L.Names(i).contains("_Games_") && !L.Names(i).contains("_Applications_"))
            names << L.Names(i);
    EXPECT_EQ(
        names,
        QStringList({"UAt_Sex",     "UAt_SQt_SID", "UAt_SQt_Qst", "UAt_SAw",     "UAt_SNm",     "UAt_Psd",
                     "UAt_Pho",     "UAt_Old",     "UAt_LUT",     "UAt_LUP_MID", "UAt_LUP_Ram", "UAt_LUP_MNm",
                     "UAt_LUP_Cpu", "UAt_LUP_OSm", "UAt_LUP_Geo", "UAt_LUP_LUN", "UAt_CrD",     "UAt_LUD",
                     "UAt_LDD",     "UAt_FNm",     "UAt_Eml",     "UAt_Dsc",     "UAt_DFg",     "UAt_DAw",
                     "UAt_CrT",     "UAt_Cdt",     "UAt_Ave",     "UAt_APw",     "UAt_ANm",     "UAt_AID",
                     "UAt_Grp_GDs", "UAt_Grp_GID", "UAt_Grp_Aut", "UAt_Grp_GNm", "UAt_Grp_ICr"}));
    EXPECT_TRUE(L.Lines().contains("UAt_LUP_MNm=PC12"));
    EXPECT_TRUE(L.Lines().contains("UAt_LUP_Gam_Games_Count=0"));
    EXPECT_TRUE(L.Lines().contains("UAt_Grp_AGm_Games_0Game_GameID=12"));
    EXPECT_EQ(L.Values("UAt_CrD"), "20/07/2011 14:05:09");
}

TEST(UserAccount, MissingOrEmptyDatesKeepThePreviousOnes) {
    TZRVUserAccount source;
    FillAccount(source);
    TStringList L = Without(source.SaveToStringList(), {"UAt_CrD", "UAt_LUD"});
    L.SetValues("UAt_LDD", "");

    TZRVUserAccount A;
    const TDateTime previous = EncodeDate(2001, 1, 1);
    A.SetCreationDate(previous);
    A.SetLastUseDate(previous);
    A.SetLastUpdateDate(previous);
    A.LoadFromStringList(L);
    EXPECT_EQ(A.AccountID(), 42u);
    EXPECT_DOUBLE_EQ(A.CreationDate(), previous);
    EXPECT_DOUBLE_EQ(A.LastUseDate(), previous);
    EXPECT_DOUBLE_EQ(A.LastUpdateDate(), previous);
}

TEST(UserAccount, MalformedValuesRaiseAfterReadingTheEarlierKeys) {
    struct Case {
        const char* Key;
        const char* Value; // nullptr: the line is left out
    } cases[] = {{"UAt_AID", nullptr},      {"UAt_AID", "x"}, {"UAt_Ave", "yes"},
                 {"UAt_CrD", "31/02/2011"}, {"UAt_Sex", "4"}, {"UAt_Sex", "-1"}};
    TZRVUserAccount source;
    FillAccount(source);
    for (const auto& c : cases) {
        TStringList L = source.SaveToStringList();
        if (c.Value)
            L.SetValues(c.Key, c.Value);
        else
            L = Without(L, {c.Key});
        TZRVUserAccount A;
        EXPECT_THROW(A.LoadFromStringList(L), EConvertError) << c.Key;
    }
    TZRVUserAccount A;
    EXPECT_THROW(A.LoadFromStringList(Without(source.SaveToStringList(), {"UAt_AID"})), EConvertError);
    EXPECT_EQ(A.AccountName(), "Bob"); // read before the identity
}

TEST(UserAccount, ClearKeepsTotalsAnswerSexDatesAndLastWorkstation) {
    TZRVUserAccount A;
    FillAccount(A);
    A.LoadFromStringList(TStringList()); // reading clears, even an empty list
    EXPECT_EQ(A.AccountID(), 0u);
    EXPECT_TRUE(A.AccountName().isEmpty() && A.AccountPassword().isEmpty() && A.FirstName().isEmpty());
    EXPECT_FALSE(A.Active() || A.DeletedFlag());
    EXPECT_EQ(A.Credit(), 0u);
    EXPECT_EQ(A.DaysAllowed(), 0);
    EXPECT_EQ(A.SecretQuestion()->SecretQuestionID(), 0u);
    EXPECT_EQ(A.Group()->GroupID(), 0u);
    EXPECT_EQ(A.Group()->AllowedGames()->Count(), 0);

    EXPECT_EQ(A.CreditTotal(), 9000u);
    EXPECT_EQ(A.SecretAnswer(), "Médor");
    EXPECT_EQ(A.Sex(), sMale);
    EXPECT_NEAR(A.CreationDate(), Created(), 1e-9);
    EXPECT_EQ(A.LastUsePC()->MachineName(), "PC12");
}

TEST(UserAccount, CopyTakesDataFieldsDeeplyButNotTheLogger) {
    TZRVErrorLogger logger;
    TZRVUserAccount source;
    FillAccount(source);
    source.SetErrorLogger(&logger);
    TZRVUserAccount copy;
    copy.Copy(&source);
    EXPECT_EQ(copy.SaveToStringList(), source.SaveToStringList());
    EXPECT_EQ(copy.ErrorLogger(), nullptr);
    source.Group()->SetGroupName("Autre");
    source.LastUsePC()->SetMachineName("PC13");
    EXPECT_EQ(copy.Group()->GroupName(), "Étudiants");
    EXPECT_EQ(copy.LastUsePC()->MachineName(), "PC12");
    copy.Copy(nullptr);
    EXPECT_EQ(copy.AccountID(), 42u);
}

TEST(UserAccount, AdoptsSubRecordsAndNeverHoldsNone) {
    TZRVUserAccount A;
    auto group = std::make_unique<TZRVGroup>();
    group->SetGroupID(5);
    TZRVGroup* raw = group.get();
    A.SetGroup(std::move(group));
    EXPECT_EQ(A.Group(), raw);
    A.SetGroup(nullptr);
    A.SetLastUsePC(nullptr);
    A.SetSecretQuestion(nullptr);
    ASSERT_NE(A.Group(), nullptr);
    EXPECT_EQ(A.Group()->GroupID(), 0u);
    EXPECT_NE(A.LastUsePC(), nullptr);
    EXPECT_NE(A.SecretQuestion(), nullptr);
}

TEST(UserAccount, LogErrorGoesToTheLoggerWhenSet) {
    TZRVUserAccount A;
    A.LogError("ignored", "ZRVUserAccount", "Test", "LOG-CONTINUE"); // no logger: nothing happens
    QTemporaryDir dir;
    TZRVErrorLogger logger;
    logger.SetLogFile(dir.filePath("a.lgf"));
    A.SetErrorLogger(&logger);
    A.LogError("boom", "ZRVUserAccount", "Test", "LOG-CONTINUE");
    QFile file(dir.filePath("a.lgf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("];boom;ZRVUserAccount;Test;LOG-CONTINUE;"));
}

} // namespace
