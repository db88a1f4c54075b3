#include "ZRVMachine.h"

#include "platform/posix/ZRVPosix.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <sys/utsname.h>

namespace {

std::unique_ptr<TZRVGame> MakeGame(uint32_t aID, const char* aName) {
    auto game = std::make_unique<TZRVGame>();
    game->SetGameID(aID);
    game->SetGameName(QString::fromUtf8(aName));
    game->SetCommandLine(QStringLiteral("run.exe -mode=full"));
    return game;
}

void FillMachine(TZRVMachine& M) {
    M.SetMachineID(7);
    M.SetRam(4096);
    M.SetMachineName("PC12");
    M.SetCpu("2394 Mhz");
    M.SetOSystem("Debian GNU/Linux 12 [Linux v6.1.0]");
    M.SetGeography("Rangée 2");
    M.Games()->SetOwnerID(7);
    M.Games()->Add(MakeGame(12, "Chess"));
    M.Games()->Add(MakeGame(13, "Go"));
    auto application = std::make_unique<TZRVApplication>();
    application->SetApplicationID(3);
    application->SetApplicationName("Editor");
    M.Applications()->Add(std::move(application));
}

TEST(Machine, NewRecordKnowsTheLocalNameAndUser) {
    const TZRVMachine M;
    EXPECT_EQ(M.MachineID(), 1u);
    EXPECT_EQ(M.Ram(), 0u);
    EXPECT_EQ(M.MachineName(), "PC-TEST");
    EXPECT_EQ(M.LoggedUserName(), "client");
    EXPECT_TRUE(M.Cpu().isEmpty() && M.OSystem().isEmpty() && M.Geography().isEmpty());
    EXPECT_EQ(M.Games()->Count(), 0);
    EXPECT_EQ(M.Applications()->Count(), 0);
}

TEST(Machine, WritesFieldsThenEmptyListsInOrder) {
    TZRVMachine M;
    M.SetMachineName("PC12");
    M.SetCpu("2394 Mhz");
    TStringList loaded;
    loaded.Add("Mcn_LUN=bob");
    loaded.Add("Mcn_MID=1");
    loaded.Add("Mcn_Ram=0");
    loaded.Add("Mcn_MNm=PC12");
    loaded.Add("Mcn_Cpu=2394 Mhz");
    M.LoadFromStringList(loaded);
    EXPECT_EQ(M.SaveToStringList().Lines(),
              QStringList({"Mcn_MID=1", "Mcn_Ram=0", "Mcn_MNm=PC12", "Mcn_Cpu=2394 Mhz", "Mcn_OSm=",
                           "Mcn_Geo=", "Mcn_LUN=bob", "Mcn_Gam_Games_OwnerID=0", "Mcn_Gam_Games_Count=0",
                           "Mcn_App_Applications_OwnerID=0", "Mcn_App_Applications_Count=0"}));
}

TEST(Machine, BufferRoundTripKeepsFieldsAndLists) {
    TZRVMachine source;
    FillMachine(source);
    const QString buffer = source.SaveToBuffer();
    EXPECT_TRUE(buffer.contains("\r\nMcn_Gam_Games_1Game_GameName=Go\r\n"));

    TZRVMachine back;
    back.LoadFromBuffer(buffer);
    EXPECT_EQ(back.MachineID(), 7u);
    EXPECT_EQ(back.Ram(), 4096u);
    EXPECT_EQ(back.Geography(), "Rangée 2");
    ASSERT_EQ(back.Games()->Count(), 2);
    EXPECT_EQ(back.Games()->Games(1)->GameName(), "Go");
    EXPECT_EQ(back.Games()->Games(0)->CommandLine(), "run.exe -mode=full");
    ASSERT_EQ(back.Applications()->Count(), 1);
    EXPECT_EQ(back.Applications()->Applications(0)->ApplicationName(), "Editor");
    EXPECT_EQ(back.SaveToStringList(), source.SaveToStringList());
}

TEST(Machine, EmptyListLeavesTheRecordUnchanged) {
    TZRVMachine M;
    M.SetGeography("Rangée 2");
    M.Games()->Add(MakeGame(1, "Chess"));
    const TStringList before = M.SaveToStringList();
    M.LoadFromStringList(TStringList());
    M.LoadFromBuffer(QString());
    EXPECT_EQ(M.SaveToStringList(), before);
    EXPECT_EQ(M.MachineID(), 1u);
}

TEST(Machine, MalformedNumbersRaise) {
    for (const char* bad : {"Mcn_MID=abc", "Mcn_Ram=", "Mcn_MID=2147483648"}) {
        TZRVMachine M;
        TStringList L;
        L.Add("Mcn_MID=3");
        L.Add("Mcn_Ram=512");
        L.Insert(0, QString::fromUtf8(bad)); // the first matching line wins
        EXPECT_THROW(M.LoadFromStringList(L), EConvertError) << bad;
    }
}

TEST(Machine, CopyIsDeep) {
    TZRVMachine source;
    FillMachine(source);
    TZRVMachine copy;
    copy.Copy(&source);
    EXPECT_EQ(copy.SaveToStringList(), source.SaveToStringList());
    source.Games()->Games(0)->SetGameName("Changed");
    EXPECT_EQ(copy.Games()->Games(0)->GameName(), "Chess");

    copy.Copy(nullptr);
    EXPECT_EQ(copy.MachineName(), "PC12");
}

TEST(Machine, SetListsAdoptOrKeepAnEmptyList) {
    TZRVMachine M;
    auto games = std::make_unique<TZRVGames>();
    games->Add(MakeGame(1, "Chess"));
    TZRVGames* raw = games.get();
    M.SetGames(std::move(games));
    EXPECT_EQ(M.Games(), raw);
    M.SetGames(nullptr);
    M.SetApplications(nullptr);
    ASSERT_NE(M.Games(), nullptr);
    ASSERT_NE(M.Applications(), nullptr);
    EXPECT_EQ(M.Games()->Count(), 0);
}

// The platform's facts as the record gives them: names cut to their field's length.
class LongNamedMachine : public TZRVFakeMachineFacts {
public:
    QString HostName() override { return QString(40, u'h'); }
    QString UserName() override { return QString(300, u'u'); }
    int CpuMhz() override { return -1; }
};

class LongNamedPlatform : public TZRVFakePlatform {
public:
    IZRVMachineFacts& Machine() override { return fMachine; }

private:
    LongNamedMachine fMachine;
};

TEST(MachineDetection, ComesFromThePlatformAndNamesAreBounded) {
    EXPECT_EQ(TZRVMachine::GetCpu(), "2400 Mhz");
    EXPECT_EQ(TZRVMachine::GetRam(), 4096u);
    EXPECT_EQ(TZRVMachine::GetOSystem(), "Debian GNU/Linux 12 (bookworm) [Linux v6.1.0]");
    SetPlatform(std::make_unique<LongNamedPlatform>());
    EXPECT_EQ(TZRVMachine::GetMachinename(), QString(15, u'h'));
    EXPECT_EQ(TZRVMachine::GetLoggedUserName(), QString(127, u'u'));
    EXPECT_EQ(TZRVMachine::GetCpu(), "-1 Mhz");
}

TEST(PosixMachineFacts, CpuClockIsReadFromTheProcessorDescription) {
    const struct {
        const char* Text;
        int Mhz;
    } cases[] = {
        {"processor\t: 0\ncpu MHz\t\t: 2394.454\ncpu MHz : 1000\n", 2394},
        {"cpu MHz: 2999.5", 3000},
        {"model name : x\n", -1},
        {"cpu MHz : fast\n", -1},
        {"cpu MHz : -5\n", -1},
        {"", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TZRVPosixMachineFacts::CpuMhzIn(c.Text), c.Mhz) << c.Text;
}

TEST(PosixMachineFacts, SystemNameComesFromOsRelease) {
    EXPECT_EQ(TZRVPosixMachineFacts::PrettyName("NAME=x\nPRETTY_NAME=\"Debian GNU/Linux 12 \\\"b\\\"\"\n"),
              "Debian GNU/Linux 12 \"b\"");
    EXPECT_EQ(TZRVPosixMachineFacts::PrettyName("PRETTY_NAME='Arch'"), "Arch");
    EXPECT_EQ(TZRVPosixMachineFacts::PrettyName("NAME=x"), "");
}

TEST(PosixMachineFacts, RealFactsArePlausible) {
    TZRVPosixMachineFacts facts;
    EXPECT_FALSE(facts.HostName().isEmpty());
    EXPECT_FALSE(facts.UserName().isEmpty());
    EXPECT_GT(facts.RamMegabytes(), 0u);
    EXPECT_TRUE(facts.CpuMhz() == -1 || facts.CpuMhz() > 0);
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    const QString system = facts.OSystem();
    EXPECT_TRUE(system.endsWith(QStringLiteral("[Linux v") + QString::fromLocal8Bit(names.release) + u']'))
        << system.toStdString();
}

} // namespace
