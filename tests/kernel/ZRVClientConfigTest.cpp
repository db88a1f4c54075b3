#include "ZRVClientConfig.h"

#include "ZRVSystem.h"
#include "platform/ZRVRegistry.h"

#include "support/TempDirs.h"

#include <gtest/gtest.h>

#include <functional>

using namespace ZRVClientConfig;

namespace {

// A value of the machine root as text ("<missing>" when absent).
QString StoredText(const QString& aKey, const QString& aName) {
    TZRVRegistry reg;
    if (!reg.OpenKey(aKey, false) || !reg.ValueExists(aName))
        return QStringLiteral("<missing>");
    return reg.GetDataType(aName) == TZRVRegDataType::rdInteger ? IntToStr(reg.ReadInteger(aName))
                                                                : reg.ReadString(aName);
}

TStringList Lines(std::initializer_list<const char*> aLines) {
    TStringList L;
    for (const char* line : aLines)
        L.Add(QString::fromUtf8(line));
    return L;
}

// A full record whose every value differs from the fallbacks.
TStringList FullRecord() {
    return Lines({"ClC_UIUID=42",     "ClC_UION=Awa Diop", "ClC_UICN=Cyber Awa", "ClC_UIA=12 rue Haute",
                  "ClC_UIPh=+221 33", "ClC_UIPoB=BP 7",    "ClC_UIEm=awa@x.sn",  "ClC_UIGeo=Plateau",
                  "ClC_UITwn=Dakar",  "ClC_UICnt=Sénégal", "ClC_AL=0",           "ClC_SIF=/img/fond.png",
                  "ClC_DD=30000",     "ClC_BM=2",          "ClC_SAd=10.0.0.2",   "ClC_SPt=4000",
                  "ClC_BootC=3",      "ClC_WRFTSE=0",      "ClC_WRTME=-1",       "ClC_WRDV=0",
                  "ClC_WRSME=0",      "ClC_WRSTV=0",       "ClC_WRLPFF=0",       "ClC_WRLSF=0",
                  "ClC_WRLWF=0",      "ClC_WRLCP=0",       "ClC_WRLDS=0",        "ClC_WRLIES=0",
                  "ClC_WRLR=0",       "ClC_WRLL=0",        "ClC_WRLS=0",         "ClC_LHF=Soirée"});
}

class ClientConfig : public ::testing::Test {
protected:
    zrvtest::TempRegistry fTemp;
    TZRVClientConfig fConfig;
};

TEST_F(ClientConfig, AFreshMachineReadsTheFallbacksAndGetsItsKey) {
    EXPECT_EQ(fConfig.ServerPort(), 12345);
    EXPECT_TRUE(fConfig.AutoLaunch());
    EXPECT_FALSE(fConfig.WRTaskMgrEnabled());
    EXPECT_TRUE(fConfig.WRLockLogOff());
    EXPECT_EQ(fConfig.DiaporamaDelay(), 600000);
    EXPECT_EQ(fConfig.PingTimeOut(), 60000);
    EXPECT_EQ(fConfig.ServerAddress(), ""); // an absent text reads empty, not as its fallback
    EXPECT_EQ(fConfig.UrlBaseSwf(), "");
    EXPECT_TRUE(TZRVRegistry().KeyExists(c_MAINKEY + c_GSection));
}

TEST_F(ClientConfig, AValueOfTheWrongKindReadsAsTheFallback) {
    fConfig.WriteString(c_KeyGSServerPort, c_MAINKEY + c_GSection, "4000");
    fConfig.WriteInteger(c_KeyGSServerAddress, c_MAINKEY + c_GSection, 7);
    EXPECT_EQ(fConfig.ServerPort(), 12345);
    EXPECT_EQ(fConfig.ServerAddress(), "Serveur");
}

TEST_F(ClientConfig, TwoObjectsSeeEachOthersWrites) {
    TZRVClientConfig other;
    fConfig.SetServerPort(4000);
    EXPECT_EQ(other.ServerPort(), 4000);
    other.setStoredSession("Ssn_Credit=60");
    EXPECT_EQ(fConfig.getStoredSession(), "Ssn_Credit=60");
}

TEST_F(ClientConfig, PropertiesAreStoredUnderTheirSectionAndValueName) {
    struct Case {
        std::function<void()> Set;
        QString Section;
        const char* Name;
        const char* Expected;
    } cases[] = {
        {[&] { fConfig.SetSingleImageFile("fond.jpg"); }, c_GSection, "BackgroundPicture", "fond.jpg"},
        {[&] { fConfig.SetBackgroundMode(2); }, c_GSection, "BackGroundMode", "2"},
        {[&] { fConfig.setStoredSession("S"); }, c_GSection, "Session", "S"},
        {[&] { fConfig.SetClientPingEnabled(true); }, c_GSection, "ClientPingEnabled", "1"},
        {[&] { fConfig.SetUIUserID("42"); }, c_UISection, "UserID", "42"},
        {[&] { fConfig.SetUIPoBox("BP 7"); }, c_UISection, "PoBox", "BP 7"},
        {[&] { fConfig.SetWRLockLogOff(false); }, c_WRSection, "LockLogoff", "0"},
        {[&] { fConfig.SetWRShellTrayVisible(false); }, c_WRSection, "ShellTrayVisible", "0"},
        {[&] { fConfig.SetUrlBaseSwf("http://a/q.php"); }, c_UrlSection, "BaseSwfUrl", "http://a/q.php"},
        {[&] { fConfig.SetUrlLumeraHomePage("http://a/"); }, c_UrlSection, "LumeraHomePageUrl", "http://a/"},
    };
    for (const auto& c : cases) {
        c.Set();
        EXPECT_EQ(StoredText(c_MAINKEY + c.Section, c.Name), c.Expected) << c.Name;
    }
}

TEST_F(ClientConfig, AFreshMachineWritesTheWholeRecord) {
    const TStringList L = fConfig.SaveToStringList();
    ASSERT_EQ(L.Count(), 32);
    EXPECT_EQ(L[0], "ClC_UIUID=");
    EXPECT_EQ(L[31], "ClC_LHF=");
    EXPECT_EQ(L.Values("ClC_AL"), "-1");
    EXPECT_EQ(L.Values("ClC_SPt"), "12345");
    EXPECT_EQ(L.Values("ClC_WRTME"), "0");
    EXPECT_EQ(L.Values("ClC_BootC"), "0");
    EXPECT_EQ(L.IndexOfName("ExeName"), -1);
}

TEST_F(ClientConfig, ARecordIsAppliedAndWrittenBackInTheSameOrder) {
    fConfig.LoadFromStringList(FullRecord());
    EXPECT_EQ(fConfig.SaveToStringList(), FullRecord());
    EXPECT_EQ(fConfig.ServerAddress(), "10.0.0.2");
    EXPECT_FALSE(fConfig.WRLockShutdown());

    TZRVClientConfig other;
    fConfig.SetServerPort(5000);
    other.LoadFromBuffer(fConfig.SaveToBuffer());
    EXPECT_EQ(other.ServerPort(), 5000);
    EXPECT_TRUE(fConfig.SaveToBuffer().endsWith("ClC_LHF=Soirée\r\n"));
}

TEST_F(ClientConfig, ABadRecordIsAppliedUpToItsFirstMalformedBoolean) {
    struct Case {
        const char* Label;
        const char* Key;
        const char* Value;
        int DiaporamaDelay;
        int ServerPort;
        bool FastTaskSwitch;
        bool TaskMgr;     // fresh: false
        QString LockedHF; // fresh: empty
    } cases[] = {
        {"malformed integer reads 0", "ClC_DD", "abc", 0, 4000, false, true, "Soirée"},
        {"missing integer reads 0", "ClC_SPt", nullptr, 30000, 0, false, true, "Soirée"},
        {"malformed boolean stops", "ClC_WRTME", "maybe", 30000, 4000, false, false, ""},
        {"missing boolean stops", "ClC_WRFTSE", nullptr, 30000, 4000, true, false, ""},
    };
    for (const auto& c : cases) {
        zrvtest::TempRegistry fresh;
        TZRVClientConfig config;
        TStringList record = FullRecord();
        const int index = record.IndexOfName(c.Key);
        if (c.Value)
            record.SetValues(c.Key, c.Value);
        else
            record.Delete(index);
        config.LoadFromStringList(record);
        EXPECT_EQ(config.UICountry(), "Sénégal") << c.Label;
        EXPECT_EQ(config.DiaporamaDelay(), c.DiaporamaDelay) << c.Label;
        EXPECT_EQ(config.ServerPort(), c.ServerPort) << c.Label;
        EXPECT_EQ(config.WRFastTaskSwitchEnabled(), c.FastTaskSwitch) << c.Label;
        EXPECT_EQ(config.WRTaskMgrEnabled(), c.TaskMgr) << c.Label;
        EXPECT_EQ(config.LockedHourFormula(), c.LockedHF) << c.Label;
    }
}

TEST_F(ClientConfig, AnEmptyRecordOrALoadingObjectChangesNothing) {
    fConfig.SetServerPort(4000);
    fConfig.LoadFromStringList(TStringList());
    EXPECT_EQ(fConfig.ServerPort(), 4000);
    fConfig.SetLoading(true);
    fConfig.SetServerPort(5000);
    fConfig.LoadFromStringList(FullRecord());
    fConfig.SetLoading(false);
    EXPECT_EQ(fConfig.ServerPort(), 4000);
    EXPECT_EQ(fConfig.ServerAddress(), "");
}

TEST_F(ClientConfig, UninstallRemovesEverySettingAndLiftsTheTaskManagerPolicy) {
    fConfig.SetServerPort(4000);
    fConfig.setStoredSession("Ssn_Credit=60");
    TZRVRegistry policy(TZRVRootKey::HKEY_CURRENT_USER);
    ASSERT_TRUE(policy.OpenKey(c_SystemPoliciesKey, true));
    policy.WriteInteger(c_DisableTaskMgr, 1);

    EXPECT_TRUE(fConfig.Uninstall());
    EXPECT_FALSE(TZRVRegistry().KeyExists(c_MAINKEY));
    EXPECT_EQ(policy.ReadInteger(c_DisableTaskMgr), 0);
    EXPECT_EQ(fConfig.ServerPort(), 12345);
    EXPECT_EQ(fConfig.getStoredSession(), "");
}

} // namespace
