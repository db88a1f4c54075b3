#include "ZRVServerConfig.h"

#include "platform/ZRVRegistry.h"

#include "support/TempDirs.h"

#include <gtest/gtest.h>

#include <functional>

using namespace ZRVServerConfig;

namespace {

// The start-up entries of the machine root.
QStringList RunEntries() {
    TZRVRegistry reg;
    return reg.OpenKey(c_RunAtStartupKey, false) ? reg.GetValueNames() : QStringList();
}

QString RunEntry(const QString& aName) {
    TZRVRegistry reg;
    return reg.OpenKey(c_RunAtStartupKey, false) ? reg.ReadString(aName) : QString();
}

class ServerConfig : public ::testing::Test {
protected:
    zrvtest::TempRegistry fTemp;
    TZRVServerConfig fConfig;
};

TEST_F(ServerConfig, ANewMachineReadsTheFallbacks) {
    EXPECT_EQ(fConfig.GetOthers_ServerPort(), 12345);
    EXPECT_EQ(fConfig.GetOthers_MaxPcs(), 10u);
    EXPECT_EQ(fConfig.GetBonus_Percent(), 10);
    EXPECT_EQ(fConfig.GetBonus_DaysInterval(), 30);
    EXPECT_EQ(fConfig.GetDB_EmptyTicketsValue(), 60);
    EXPECT_EQ(fConfig.GetDB_CleanFrequency(), 3);
    EXPECT_TRUE(fConfig.GetDB_AutoClean());
    EXPECT_FALSE(fConfig.GetDB_CleanExpiredAccounts());
    EXPECT_EQ(fConfig.GetServerPingInterval(), 120000);
    EXPECT_EQ(fConfig.GetBonus_LastBonusDate(), 0.0);
}

TEST_F(ServerConfig, TrustSettingsFallBackToTheCafesDefaultsAndFeedTheThrottles) {
    const TZRVThrottleSettings guess = fConfig.GuessThrottleSettings();
    EXPECT_EQ(guess.FreeFailures, 3);
    EXPECT_EQ(guess.WindowSecs, 600);
    EXPECT_EQ(guess.FirstDelayMs, 1000);
    EXPECT_EQ(guess.LockOutSecs, 300);
    EXPECT_EQ(fConfig.AccountCreationThrottleSettings().FreeFailures, 3);
    EXPECT_EQ(fConfig.AccountCreationThrottleSettings().WindowSecs, 3600);
    EXPECT_EQ(fConfig.GetSessionCountTolerance(), 30);

    fConfig.SetGuess_FreeFailures(5);
    fConfig.SetGuess_Window(60);
    fConfig.SetAccountCreationWindow(86400);
    EXPECT_EQ(fConfig.GuessThrottleSettings().FreeFailures, 5);
    EXPECT_EQ(fConfig.GuessThrottleSettings().WindowSecs, 60);
    EXPECT_EQ(fConfig.AccountCreationThrottleSettings().WindowSecs, 86400);
    // Kept under "\AdminView\Security".
    EXPECT_EQ(fConfig.ReadInteger(
                  "GuessWindow", "\\Software\\Vantorel\\Tikora Manager\\2.3\\Server\\AdminView\\Security", 0),
              60);
}

TEST_F(ServerConfig, SettersChangeOnlyTheirOwnValue) {
    fConfig.SetServerPingInterval(90000);
    fConfig.SetServerPingTimeOut(30000);
    EXPECT_EQ(fConfig.GetServerPingTimeOut(), 30000);
    EXPECT_EQ(fConfig.GetServerPingInterval(), 90000);

    // The same value name in the main key and in "\AdminView".
    fConfig.SetProgramLastPageIndex(2);
    fConfig.SetAdminLastPageIndex(5);
    EXPECT_EQ(fConfig.GetProgramLastPageIndex(), 2);
    EXPECT_EQ(fConfig.GetAdminLastPageIndex(), 5);

    fConfig.SetOthers_MaxPcs(3000000000u);
    EXPECT_EQ(fConfig.GetOthers_MaxPcs(), 3000000000u);
}

TEST_F(ServerConfig, FrequencySettersStampTheirLastRunDate) {
    struct Case {
        const char* Label;
        std::function<void()> Set;
        std::function<TDateTime()> LastRun;
    } cases[] = {
        {"bonus", [&] { fConfig.SetBonus_Frequency(0); }, [&] { return fConfig.GetBonus_LastBonusDate(); }},
        {"cleaning", [&] { fConfig.SetDB_CleanFrequency(1); }, [&] { return fConfig.GetDB_LastCleanDate(); }},
    };
    for (const auto& c : cases) {
        const TDateTime before = Now();
        c.Set();
        const TDateTime stamped = c.LastRun();
        EXPECT_GE(stamped, before) << c.Label;
        EXPECT_LE(stamped, Now()) << c.Label;
    }
    EXPECT_EQ(fConfig.GetBonus_Frequency(), 0);
    EXPECT_EQ(fConfig.GetDB_CleanFrequency(), 1);
    EXPECT_EQ(fConfig.GetLastAutoCreditDate(), 0.0);
}

TEST_F(ServerConfig, AutoStartWritesAndRemovesTheStartUpEntry) {
    struct Case {
        const char* ExeName;
        const char* Entry;
    } cases[] = {{"C:\\Cafe\\Server.exe", "Server.exe"}, {"/opt/zrv2/bin/zrv2server", "zrv2server"}};
    for (const auto& c : cases) {
        fConfig.SetExeName(c.ExeName);
        fConfig.SetOthers_AutoStart(true);
        EXPECT_TRUE(fConfig.GetOthers_AutoStart());
        EXPECT_EQ(RunEntries(), QStringList{c.Entry});
        EXPECT_EQ(RunEntry(c.Entry), c.ExeName);
        fConfig.SetOthers_AutoStart(false);
        EXPECT_FALSE(fConfig.GetOthers_AutoStart());
        EXPECT_TRUE(RunEntries().isEmpty()) << c.Entry;
    }
}

TEST_F(ServerConfig, AutoStartWithoutAProgramWritesNoEntry) {
    fConfig.SetOthers_AutoStart(true);
    EXPECT_TRUE(fConfig.GetOthers_AutoStart());
    EXPECT_TRUE(RunEntries().isEmpty());
}

TEST_F(ServerConfig, UninstallRemovesEverySetting) {
    fConfig.SetOthers_ServerPort(4000);
    fConfig.SetUrl_ZRVUpdatePage("http://elsewhere/zrv/update.php");
    EXPECT_TRUE(fConfig.Uninstall());
    EXPECT_FALSE(TZRVRegistry().KeyExists(c_MAINKEY));
    EXPECT_EQ(fConfig.GetOthers_ServerPort(), 12345);
    EXPECT_EQ(fConfig.GetUrl_ZRVUpdatePage(), "");
}

// ---------------------------------------------------------------------------------------------
// The server's copy of a workstation's settings

TEST(ServerClientConfig, AClearedObjectWritesTheRecordWithoutTheBootCounter) {
    const TStringList L = TZRVServerClientConfig().SaveToStringList();
    ASSERT_EQ(L.Count(), 31);
    EXPECT_EQ(L[0], "ClC_UIUID=");
    EXPECT_EQ(L[30], "ClC_LHF=");
    for (const char* line : {"ClC_AL=-1", "ClC_DD=60000", "ClC_SPt=12345", "ClC_WRTME=-1", "ClC_WRLS=0"})
        EXPECT_TRUE(L.Lines().contains(line)) << line;
    EXPECT_EQ(L.IndexOfName("ClC_BootC"), -1);
}

TEST(ServerClientConfig, ExchangesTheRecordWithTheWorkstation) {
    zrvtest::TempRegistry temp;
    TZRVClientConfig workstation;
    workstation.SetBootCount(7);
    workstation.SetServerPort(4000);
    workstation.SetUITown("Dakar");
    workstation.SetWRLockReboot(false);
    workstation.SetLockedHourFormula("Soirée");

    TZRVServerClientConfig copy;
    copy.LoadFromBuffer(workstation.SaveToBuffer());
    EXPECT_EQ(copy.ServerPort(), 4000);
    EXPECT_EQ(copy.UITown(), "Dakar");
    EXPECT_FALSE(copy.WRTaskMgrEnabled());
    EXPECT_TRUE(copy.WRLockShutdown());
    EXPECT_FALSE(copy.WRLockReboot());
    EXPECT_EQ(copy.LockedHourFormula(), "Soirée");

    // Sent back, the copy changes the workstation's settings.
    copy.SetServerPort(5000);
    copy.SetLockedHourFormula("Matin");
    workstation.LoadFromStringList(copy.SaveToStringList());
    EXPECT_EQ(workstation.ServerPort(), 5000);
    EXPECT_EQ(workstation.LockedHourFormula(), "Matin");
}

TEST(ServerClientConfig, AMalformedValueEndsTheReadingAndKeepsTheRest) {
    TStringList record = TZRVServerClientConfig().SaveToStringList();
    record.SetValues("ClC_UITwn", "Dakar");
    record.SetValues("ClC_SAd", "10.0.0.2");
    record.SetValues("ClC_SPt", "port");
    record.SetValues("ClC_WRLR", "0");

    TZRVServerClientConfig target;
    target.SetServerPort(1);
    target.SetWRLockReboot(true);
    target.LoadFromStringList(record);
    EXPECT_EQ(target.UITown(), "Dakar");
    EXPECT_EQ(target.ServerAddress(), "10.0.0.2");
    EXPECT_EQ(target.ServerPort(), 1);
    EXPECT_TRUE(target.WRLockReboot());
}

TEST(ServerClientConfig, ClearKeepsTheLockedHourFormula) {
    TZRVServerClientConfig copy;
    copy.SetLockedHourFormula("Soirée");
    copy.SetDiaporamaDelay(5);
    copy.SetWRLockShutdown(true);
    copy.Clear();
    EXPECT_EQ(copy.LockedHourFormula(), "Soirée");
    EXPECT_EQ(copy.DiaporamaDelay(), 60000);
    EXPECT_FALSE(copy.WRLockShutdown());
}

} // namespace
