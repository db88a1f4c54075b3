#include "ZRVLocalAccount.h"

#include "ZRVErrorLogger.h"
#include "ZRVUserAccount.h"
#include "platform/ZRVRegistry.h"
#include "support/TempDirs.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>

namespace {

class LocalAccount : public ::testing::Test {
protected:
    void SetUp() override {
        fLogger.SetLogFile(fLogDir.filePath("log.lgf"));
        fAccounts.SetErrorLogger(&fLogger);
    }

    QString Log() const {
        QFile file(fLogger.LogFile());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    static std::unique_ptr<TZRVUserAccount> Account(const QString& aName, const QString& aPassword) {
        auto account = std::make_unique<TZRVUserAccount>();
        account->SetAccountID(7);
        account->SetAccountName(aName);
        account->SetAccountPassword(aPassword);
        account->SetCredit(3600);
        return account;
    }

    int Add(const QString& aName, const QString& aPassword = QStringLiteral("pw")) {
        return fAccounts.AddAccount(Account(aName, aPassword).get());
    }

    // The accounts' key, opened directly.
    TZRVRegistry Section() const {
        TZRVRegistry reg;
        EXPECT_TRUE(reg.OpenKey(fAccounts.MainSection(), false));
        return reg;
    }

    QString NameAt(int aIndex) {
        TZRVUserAccount account;
        account.LoadFromBuffer(fAccounts.GetAccount(aIndex));
        return account.AccountName();
    }

    zrvtest::TempRegistry fTemp;
    QTemporaryDir fLogDir;
    TZRVErrorLogger fLogger;
    TZRVLocalAccount fAccounts;
};

TEST_F(LocalAccount, AFreshStoreCountsZeroAndLogsTheMissingCount) {
    EXPECT_EQ(fAccounts.MainSection(), "Software\\Vantorel\\Tikora Manager\\2.3\\Client\\LocalAccounts");
    EXPECT_EQ(fAccounts.GetCount(), 0);
    EXPECT_TRUE(Log().contains(
        "Failed to get data for 'Count';ZRVLocalAccount;TZRVCustomLocalAccount.GetCount;handle;"));
    EXPECT_TRUE(TZRVRegistry().KeyExists("\\" + fAccounts.MainSection()));
}

TEST_F(LocalAccount, AddAccountStoresReadableRecordsInNumberedValues) {
    EXPECT_EQ(Add("Alice"), 1);
    EXPECT_EQ(Add("Bob"), 2);
    EXPECT_FALSE(Log().contains("AddAccount")); // a missing "Count" is simply 0 here
    const TZRVRegistry reg = Section();
    EXPECT_EQ(reg.GetDataType("Count"), TZRVRegDataType::rdInteger);
    EXPECT_EQ(reg.ReadInteger("Count"), 2);
    const QString stored = reg.ReadString("2");
    EXPECT_EQ(stored, Account("Bob", "pw")->SaveToBuffer());
    EXPECT_TRUE(stored.startsWith("UAt_Sex="));
    EXPECT_TRUE(stored.contains("UAt_ANm=Bob\r\n"));
    EXPECT_EQ(fAccounts.GetAccount(2), stored);
    EXPECT_EQ(NameAt(1), "Alice");
}

TEST_F(LocalAccount, IndicesOutsideOneToCountAreIgnored) {
    Add("Alice");
    Add("Bob");
    for (int index : {INT_MIN, -1, 0, 3, INT_MAX}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(fAccounts.GetAccount(index), "");
        fAccounts.UpdateAccount(index, "UAt_ANm=X");
        fAccounts.DeleteAccount(index);
    }
    const TZRVRegistry reg = Section();
    EXPECT_EQ(reg.GetValueNames(), (QStringList{"1", "Count", "2"}));
    EXPECT_EQ(NameAt(1), "Alice");
    EXPECT_EQ(NameAt(2), "Bob");
}

TEST_F(LocalAccount, UpdateAccountReplacesTheStoredBuffer) {
    Add("Alice");
    fAccounts.UpdateAccount(1, Account("Carol", "secret")->SaveToBuffer());
    EXPECT_EQ(NameAt(1), "Carol");
    EXPECT_EQ(fAccounts.FindAccount("Carol", "secret"), 1);
    EXPECT_EQ(fAccounts.GetCount(), 1);
}

TEST_F(LocalAccount, FindAccountMatchesNameAndPasswordExactly) {
    Add("Alice");
    Add("Bob", "pw");
    Add("Bob", "pw"); // the first match wins
    EXPECT_EQ(fAccounts.FindAccount("Bob", "pw"), 2);
    EXPECT_EQ(fAccounts.FindAccount("bob", "pw"), 0);
    EXPECT_EQ(fAccounts.FindAccount("Bob", "PW"), 0);
    EXPECT_EQ(fAccounts.FindAccount("Bob", ""), 0);
    EXPECT_EQ(fAccounts.FindAccount("Nobody", "pw"), 0);
}

TEST_F(LocalAccount, DeletingTheMiddleOfThreeCompactsAndTheNextAddReusesTheLastName) {
    Add("Alice");
    Add("Bob");
    Add("Carol");
    fAccounts.DeleteAccount(2);
    EXPECT_EQ(fAccounts.GetCount(), 2);
    EXPECT_EQ(NameAt(2), "Carol");
    TZRVRegistry reg = Section();
    EXPECT_TRUE(reg.ValueExists("3")); // left over, ignored
    EXPECT_EQ(fAccounts.GetAccount(3), "");
    EXPECT_EQ(fAccounts.FindAccount("Bob", "pw"), 0);
    EXPECT_EQ(fAccounts.FindAccount("Carol", "pw"), 2);

    EXPECT_EQ(Add("Dave"), 3);
    EXPECT_EQ(reg.ReadInteger("Count"), 3);
    EXPECT_EQ(NameAt(3), "Dave");
}

TEST_F(LocalAccount, CompactionClosesSeveralGapsWithoutInventingAccounts) {
    for (const char* name : {"A", "B", "C", "D", "E"})
        Add(name);
    TZRVRegistry reg = Section();
    reg.DeleteValue("2");
    reg.DeleteValue("3");
    fAccounts.CompactAccounts();
    EXPECT_EQ(fAccounts.GetCount(), 3);
    EXPECT_EQ(NameAt(1), "A");
    EXPECT_EQ(NameAt(2), "D");
    EXPECT_EQ(NameAt(3), "E");
    EXPECT_EQ(fAccounts.FindAccount("", ""), 0);
}

TEST_F(LocalAccount, CompactAccountsLetsRegistryFailuresThrough) {
    EXPECT_THROW(fAccounts.CompactAccounts(), ERegistryException); // no "Count" yet
}

TEST_F(LocalAccount, FindAccountPassesOverValuesThatAreNotAccounts) {
    Add("Alice");
    Add("Bob");
    Add("Carol");
    TZRVRegistry reg = Section();
    reg.WriteString("1", "UAt_ANm=Alice\r\nUAt_APw=pw\r\n"); // no UAt_AID: a conversion error
    reg.WriteInteger("2", 5);                                // not a text at all
    reg.DeleteValue("3");
    reg.WriteInteger("Count", 4);
    reg.WriteString("4", Account("Dave", "pw")->SaveToBuffer());
    EXPECT_EQ(fAccounts.FindAccount("Dave", "pw"), 4);
    EXPECT_EQ(fAccounts.FindAccount("", ""), 0); // the gap at "3" is no account
    const QString log = Log();
    EXPECT_TRUE(log.contains("Local account 1: "));
    EXPECT_TRUE(log.contains("Local account 2: Invalid data type for '2';ZRVLocalAccount;"
                             "TZRVCustomLocalAccount.FindAccount;LOG-CONTINUE;"));
    EXPECT_FALSE(log.contains("Local account 3"));
}

TEST_F(LocalAccount, ADamagedCountCannotRunPastTheStoredValues) {
    Add("Alice");
    Add("Bob");
    TZRVRegistry reg = Section();
    reg.WriteInteger("Count", INT_MAX);
    EXPECT_EQ(fAccounts.GetCount(), 2);
    EXPECT_EQ(fAccounts.FindAccount("Nobody", "pw"), 0);
    EXPECT_EQ(Add("Carol"), 3);
    EXPECT_EQ(reg.ReadInteger("Count"), 3);

    reg.WriteInteger("Count", -4);
    EXPECT_EQ(fAccounts.GetCount(), 0);
    EXPECT_EQ(fAccounts.GetAccount(1), "");
    EXPECT_EQ(Add("Dave"), 1); // the values above "Count" are left-overs and get overwritten
    EXPECT_EQ(NameAt(1), "Dave");
}

TEST_F(LocalAccount, AnotherMainSectionKeepsItsOwnAccounts) {
    Add("Alice");
    TZRVLocalAccount other;
    other.SetMainSection("Software\\Other\\Accounts");
    EXPECT_EQ(other.AddAccount(Account("Zed", "z").get()), 1);
    EXPECT_EQ(other.FindAccount("Alice", "pw"), 0);
    EXPECT_EQ(fAccounts.FindAccount("Zed", "z"), 0);
    EXPECT_EQ(fAccounts.GetCount(), 1);
}

TEST_F(LocalAccount, AStoreThatCannotBeWrittenStoresNothingAndLogs) {
    QTemporaryDir parent;
    QFile blocker(parent.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    zrvtest::ScopedEnv env("ZRV_REGISTRY_DIR", blocker.fileName() + "/registry");
    EXPECT_EQ(Add("Alice"), 0);
    EXPECT_TRUE(Log().contains(";ZRVLocalAccount;AddAccount;free and exit;"));
    EXPECT_EQ(fAccounts.GetCount(), 0);
    EXPECT_EQ(fAccounts.FindAccount("Alice", "pw"), 0);
}

} // namespace
