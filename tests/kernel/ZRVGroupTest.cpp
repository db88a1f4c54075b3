#include "ZRVGroup.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TZRVGame> MakeGame(uint32_t aID, const char* aName) {
    auto game = std::make_unique<TZRVGame>();
    game->SetGameID(aID);
    game->SetGameName(QString::fromUtf8(aName));
    return game;
}

void FillGroup(TZRVGroup& G) {
    G.SetGroupID(4);
    G.SetGroupName("Étudiants");
    G.SetGroupDescription("Tarif réduit");
    G.SetAuthorisations({urOpenServer, urSellsView});
    G.SetIncrementalCredit(true);
    G.SetAutoCredit(3600);
    G.AllowedGames()->Add(MakeGame(12, "Chess"));
    G.AllowedGames()->Add(MakeGame(13, "Go"));
    auto application = std::make_unique<TZRVApplication>();
    application->SetApplicationID(3);
    application->SetApplicationName("Editor");
    G.AllowedApplications()->Add(std::move(application));
}

TEST(Group, ClearedGroupHasOnlyUrNoneAndWritesItsLinesInOrder) {
    TZRVGroup G;
    FillGroup(G);
    G.Clear();
    EXPECT_EQ(G.Authorisations(), TZRVUserRights{urNone});
    EXPECT_EQ(G.AutoCredit(), 0u);
    EXPECT_EQ(G.SaveToStringList().Lines(),
              QStringList({"Grp_GDs=", "Grp_GID=0", "Grp_Aut=1", "Grp_GNm=", "Grp_ICr=0",
                           "Grp_AGm_Games_OwnerID=0", "Grp_AGm_Games_Count=0",
                           "Grp_AAp_Applications_OwnerID=0", "Grp_AAp_Applications_Count=0"}));
}

TEST(Group, RoundTripKeepsEverythingButAutoCredit) {
    TZRVGroup source;
    FillGroup(source);
    const TStringList lines = source.SaveToStringList();
    EXPECT_EQ(lines.Values("Grp_Aut"), "258");
    EXPECT_EQ(lines.Values("Grp_AGm_Games_Count"), "2");
    EXPECT_EQ(lines.IndexOfName("Grp_ACr"), -1);

    TZRVGroup back;
    back.SetAutoCredit(500);
    back.LoadFromBuffer(source.SaveToBuffer());
    EXPECT_EQ(back.GroupID(), 4u);
    EXPECT_EQ(back.GroupName(), "Étudiants");
    EXPECT_EQ(back.GroupDescription(), "Tarif réduit");
    EXPECT_EQ(back.Authorisations(), TZRVUserRights({urOpenServer, urSellsView}));
    EXPECT_TRUE(back.IncrementalCredit());
    EXPECT_EQ(back.AutoCredit(), 0u);
    ASSERT_EQ(back.AllowedGames()->Count(), 2);
    EXPECT_EQ(back.AllowedGames()->Games(1)->GameName(), "Go");
    ASSERT_EQ(back.AllowedApplications()->Count(), 1);
    EXPECT_EQ(back.AllowedApplications()->Applications(0)->ApplicationID(), 3u);
}

TEST(Group, EmptyListLeavesTheGroupAsItIs) {
    TZRVGroup G;
    FillGroup(G);
    G.LoadFromStringList(TStringList());
    EXPECT_EQ(G.GroupID(), 4u);
    EXPECT_EQ(G.AutoCredit(), 3600u);
    EXPECT_EQ(G.AllowedGames()->Count(), 2);
}

TEST(Group, MalformedValuesRaise) {
    struct Case {
        const char* Key;
        const char* Value;
    } cases[] = {{"Grp_GID", "x"}, {"Grp_Aut", ""}, {"Grp_ICr", "yes"}};
    TZRVGroup source;
    FillGroup(source);
    for (const auto& c : cases) {
        TStringList L = source.SaveToStringList();
        L.SetValues(c.Key, c.Value);
        TZRVGroup G;
        EXPECT_THROW(G.LoadFromStringList(L), EConvertError) << c.Key;
    }
}

TEST(Group, RightsBeyondTheKnownOnesAreDropped) {
    TStringList L;
    L.Add("Grp_GID=1");
    L.Add("Grp_Aut=-1");
    L.Add("Grp_ICr=0");
    TZRVGroup G;
    G.LoadFromStringList(L);
    EXPECT_EQ(G.Authorisations().Mask(), (1u << c_UserRightCount) - 1);
}

TEST(Group, CopyTakesDataFieldsDeeply) {
    TZRVGroup source;
    FillGroup(source);
    TZRVGroup copy;
    copy.Copy(&source);
    EXPECT_EQ(copy.SaveToStringList(), source.SaveToStringList());
    EXPECT_EQ(copy.AutoCredit(), 3600u);
    source.AllowedGames()->Games(0)->SetGameName("Changed");
    EXPECT_EQ(copy.AllowedGames()->Games(0)->GameName(), "Chess");
    copy.Copy(nullptr);
    EXPECT_EQ(copy.GroupID(), 4u);
}

TEST(Group, SetListsAdoptOrKeepAnEmptyList) {
    TZRVGroup G;
    auto games = std::make_unique<TZRVGames>();
    TZRVGames* raw = games.get();
    G.SetAllowedGames(std::move(games));
    EXPECT_EQ(G.AllowedGames(), raw);
    G.SetAllowedGames(nullptr);
    G.SetAllowedApplications(nullptr);
    EXPECT_NE(G.AllowedGames(), nullptr);
    EXPECT_NE(G.AllowedApplications(), nullptr);
}

} // namespace
