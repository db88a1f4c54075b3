#include "ZRVMachine.h"

#include <QElapsedTimer>
#include <QRegularExpression>
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
    EXPECT_EQ(M.MachineName(), TZRVMachine::GetMachinename());
    EXPECT_EQ(M.LoggedUserName(), TZRVMachine::GetLoggedUserName());
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

TEST(MachineDetection, NamesAreBounded) {
    const QString name = TZRVMachine::GetMachinename();
    EXPECT_FALSE(name.isEmpty());
    EXPECT_LE(name.size(), 15);
    EXPECT_LE(TZRVMachine::GetLoggedUserName().size(), 127);
}

TEST(MachineDetection, CpuIsMeasuredOnceAndPlausible) {
    const QString first = TZRVMachine::GetCpu();
    const QRegularExpression form(QStringLiteral("^(-1|[1-9][0-9]*) Mhz$"));
    EXPECT_TRUE(form.match(first).hasMatch()) << first.toStdString();
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_GT(first.section(u' ', 0, 0).toInt(), 0);
#endif
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(TZRVMachine::GetCpu(), first);
    EXPECT_LT(timer.elapsed(), 50); // the second call does not measure again
}

TEST(MachineDetection, RamAndSystemArePlausible) {
    EXPECT_GT(TZRVMachine::GetRam(), 0u);
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    const QString system = TZRVMachine::GetOSystem();
    EXPECT_TRUE(system.endsWith(QStringLiteral("[Linux v") + QString::fromLocal8Bit(names.release) + u']'))
        << system.toStdString();
}

} // namespace
