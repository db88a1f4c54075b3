#include "ZRVCommon.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

TStringList Lines(std::initializer_list<const char*> aLines) {
    TStringList L;
    for (const char* line : aLines)
        L.Add(QString::fromUtf8(line));
    return L;
}

// ----- string list

TEST(StringList, ValuesAreFoundWithoutRegardToCaseAndKeepEqualsSigns) {
    const TStringList L = Lines({"Game_CommandLine=run.exe -mode=full", "game_gameid=5", "Game_GameID=6"});
    EXPECT_EQ(L.Values("GAME_COMMANDLINE"), "run.exe -mode=full");
    EXPECT_EQ(L.Values("Game_GameID"), "5"); // the first matching line wins
    EXPECT_EQ(L.Values("Missing"), "");
    EXPECT_EQ(L.Names(0), "Game_CommandLine");
}

TEST(StringList, LineWithoutEqualsHasNoValueAndIsNotFoundByName) {
    const TStringList L = Lines({"just a question", "A=1"});
    EXPECT_EQ(L.IndexOfName("just a question"), -1);
    EXPECT_EQ(L.Values("A"), "1");
}

TEST(StringList, SetTextSplitsAtEveryKindOfLineBreak) {
    struct Case {
        const char* Text;
        QStringList Expected;
    } cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\nc", {"a", "b", "c"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"", {}},
        {"a\n\rb", {"a", "", "b"}},
    };
    for (const auto& c : cases) {
        TStringList L;
        L.SetText(QString::fromUtf8(c.Text));
        EXPECT_EQ(L.Lines(), c.Expected) << c.Text;
    }
}

TEST(StringList, TextEndsEveryLineWithCrLfAndReadsBack) {
    const TStringList L = Lines({"A=1", "", "B=x=y"});
    EXPECT_EQ(L.Text(), "A=1\r\n\r\nB=x=y\r\n");
    TStringList back;
    back.SetText(L.Text());
    EXPECT_EQ(back, L);
}

TEST(StringList, SetValuesReplacesTheFirstMatchOrAppends) {
    TStringList L = Lines({"a=1", "A=2"});
    L.SetValues("A", "3");
    L.SetValues("b", "4");
    EXPECT_EQ(L.Lines(), QStringList({"A=3", "A=2", "b=4"}));
}

TEST(StringList, CollectPrefixedCutsThePrefixWithoutRegardToCase) {
    const TStringList L = Lines({"UAt_Grp_GID=3", "uat_grp_GNm=x", "UAt_AID=1"});
    EXPECT_EQ(CollectPrefixed(L, "UAt_Grp_").Lines(), QStringList({"GID=3", "GNm=x"}));
    EXPECT_EQ(CollectPrefixed(L, "UAt_LUP_", "Mcn_").Lines(), QStringList());
}

// Long lists look names up through their index, short ones line by line: both find the same line.
TEST(StringList, LongListsFindTheLinesShortOnesFind) {
    const QString longS = QString(QChar(0x017F));             // folds to "s"
    const QString kelvin = QString(QChar(0x212A));            // folds to "k"
    const QString deseret = QString::fromUcs4(U"\U00010400"); // folds to U+10428
    const QString deseretSmall = QString::fromUcs4(U"\U00010428");
    const QString lone = QString(QChar(0xD800));
    const QStringList lines = {"Mcn_MNm=1",
                               "mcn_mnm=2",
                               "Pseudo" + longS + "=3",
                               "Name" + kelvin + "=4",
                               "X" + deseret + "=5",
                               "Y" + lone + "=6",
                               "=7",
                               "Grp_" + QString(QChar(0xC9)) + "t=8",
                               "no equals sign"};
    const QStringList queries = {"MCN_MNM",
                                 "mcn_mnm",
                                 "PseudoS",
                                 "pseudos",
                                 "NameK",
                                 "namek",
                                 "X" + deseretSmall,
                                 "Y" + lone,
                                 "Y" + QString(QChar(0xD801)),
                                 "",
                                 "GRP_\u00e9T",
                                 "no equals sign",
                                 "Mcn_MNm=1",
                                 "Missing"};
    TStringList scanned{lines};
    QStringList padded = lines;
    for (int i = 0; i < TStringList::c_ScanLimit; ++i)
        padded << QStringLiteral("Pad%1=%1").arg(i);
    TStringList indexed{padded};
    for (const QString& query : queries) {
        EXPECT_EQ(indexed.IndexOfName(query), scanned.IndexOfName(query)) << query.toStdString();
        EXPECT_EQ(indexed.Values(query), scanned.Values(query)) << query.toStdString();
    }
    EXPECT_EQ(indexed.Values("mcn_MNM"), "1");
    EXPECT_EQ(indexed.Values("pseudoS"), "3");
    EXPECT_EQ(indexed.Values("X" + deseretSmall), "5");
    EXPECT_EQ(indexed.IndexOfName(QString()), 6);
    EXPECT_EQ(indexed.IndexOfName("Pad39"), 48);
    EXPECT_EQ(indexed.IndexOfName(QStringLiteral("Pad%1").arg(TStringList::c_ScanLimit - 1)),
              lines.size() + TStringList::c_ScanLimit - 1);
}

TEST(StringList, IndexFollowsEveryChange) {
    TStringList L;
    const int count = TStringList::c_ScanLimit + 10;
    for (int i = 0; i < count; ++i)
        L.Add(QStringLiteral("K%1").arg(i), QString::number(i));
    L.Add("k7", "late"); // a later line of a name already there is not found
    EXPECT_EQ(L.Values("K7"), "7");
    L.Insert(0, "k7=first");
    EXPECT_EQ(L.Values("K7"), "first");
    EXPECT_EQ(L.IndexOfName("K8"), 9);
    L.Delete(0);
    EXPECT_EQ(L.Values("K7"), "7");
    L.SetValues("k8", "eight");
    EXPECT_EQ(L[8], "k8=eight");
    EXPECT_EQ(L.Values("K8"), "eight");
    L.AddStrings(L);
    EXPECT_EQ(L.Count(), 2 * (count + 1));
    EXPECT_EQ(L.IndexOfName(QStringLiteral("K%1").arg(count - 1)), count - 1);
    L.Clear();
    EXPECT_EQ(L.IndexOfName("K1"), -1);
    EXPECT_EQ(L.Text(), "");
}

TEST(StringList, TextOfALoadedBufferIsTheBuffer) {
    const QString text = QStringLiteral("A=1\r\nB=2\r\n");
    TStringList L;
    L.SetText(text);
    EXPECT_EQ(L.Line(1), u"B=2");
    EXPECT_EQ(L.Text(), text);
    L.SetText("A=1\nB=2"); // other line breaks are written in the buffer form
    EXPECT_EQ(L.Text(), text);
    L.Add("C", "3");
    EXPECT_EQ(L.Text(), text + "C=3\r\n");
}

// A nested record reads the first line of each key, without regard to case, whether the list is
// scanned or indexed and whether its lines lie among few or many.
TEST(RecordLines, NestedRecordReadsTheFirstLineOfEachKeyInShortAndLongLists) {
    const auto pad = [](TStringList& L, int aCount, const char* aName) {
        for (int i = 0; i < aCount; ++i)
            L.Add(QStringLiteral("%1%2").arg(QLatin1String(aName)).arg(i), QString::number(i));
    };
    struct Case {
        int Before; // lines of others before the record
        int Inside; // lines of others among the record's
    };
    for (const Case c : {Case{0, 0}, Case{0, 20}, Case{TStringList::c_ScanLimit, 0},
                         Case{TStringList::c_ScanLimit, 10}, Case{0, TStringList::c_ScanLimit}}) {
        TStringList L;
        pad(L, c.Before, "UTt_LUX");
        L.Add("UTt_MNm", "ticket's own");
        L.Add("utt_lup_MNm", "first");
        L.Add("UTt_LUP_MID", "7");
        pad(L, c.Inside, "UTt_Pad");
        L.Add("UTT_LUP_MNM", "second");
        L.Add("UTt_LUP_mnm", "third");
        L.Add("UTt_Cod", "after");
        const TZRVRecordLines machine = TZRVRecordLines(L).Nested(u"UTt_LUP_", QStringLiteral("Mcn_"));
        const std::string where = std::to_string(c.Before) + "/" + std::to_string(c.Inside);
        EXPECT_EQ(machine.FirstLine(), c.Before + 1) << where;
        EXPECT_EQ(machine.EndLine(), L.Count() - 1) << where;
        EXPECT_EQ(machine.Value(u"Mcn_MNm"), u"first") << where;
        EXPECT_EQ(machine.Value(u"MCN_mid"), u"7") << where;
        EXPECT_TRUE(machine.Value(u"Mcn_Cod").isNull()) << where;
        EXPECT_TRUE(machine.Value(u"Grp_MNm").isNull()) << where; // not a key of the machine
        EXPECT_TRUE(TZRVRecordLines(L).Nested(u"UTt_Grp_", QStringLiteral("Grp_")).IsEmpty()) << where;
    }
}

// A reader that asks for the keys in any order, again, or in another letter case gets from one
// record the value of the first line of each name, as a search of every line would find it: over
// lists with repeated names, names beyond ASCII that fold onto ASCII ones, short names, lines
// without a name, and the seed messages of the fuzzers.
TEST(RecordLines, KeysAskedInAnyOrderGetTheFirstLineOfTheirName) {
    const auto firstValue = [](const TStringList& L, QStringView aKey) {
        for (int i = 0; i < L.Count(); ++i)
            if (const qsizetype eq = L.Line(i).indexOf(u'='); eq >= 0 && SameText(L.Line(i).first(eq), aKey))
                return L.Line(i).sliced(eq + 1).toString();
        return QString();
    };
    std::vector<TStringList> lists = {
        Lines({"UTt_PFg=-1", "UTt_Ave=0", "utt_pfg=second", "UTt_TID=5", "UTT_TID=6", "UTt_Ave=third"}),
        Lines({"A=1", "a=2", "Ab=3", "AB=4", "no name here", "=empty name", "Ab=5", "A=6"}),
        Lines({"Game_\u212Aey=kelvin", "Game_key=ascii", "Game_KEY=upper", "Game_\u00C9t\u00E9=1",
               "game_\u00E9t\u00C9=2"}),
        Lines({"Games_0Game_GameID=1", "Games_1Game_GameID=2", "Games_0Game_GameID=3",
               "Games_0Game_GameName=x"}),
    };
    for (const char* folder : {"fuzz_records", "fuzz_string_list"}) {
        const QDir corpus(QStringLiteral(ZRV_FUZZ_CORPUS "/") + QLatin1String(folder));
        for (const QFileInfo& seed : corpus.entryInfoList(QDir::Files)) {
            QFile file(seed.filePath());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << seed.filePath().toStdString();
            lists.emplace_back().SetText(QString::fromLatin1(file.readAll()));
        }
    }
    ASSERT_GT(lists.size(), 20u); // the seeds were read
    for (const TStringList& L : lists) {
        QStringList names;
        for (int i = 0; i < L.Count(); ++i)
            names.append(L.Names(i));
        QStringList reversed(names.rbegin(), names.rend());
        QStringList twice;
        QStringList otherCase;
        for (const QString& name : names) {
            twice << name << name;
            otherCase << (name.isLower() ? name.toUpper() : name.toLower());
        }
        for (const QStringList& keys :
             {names, reversed, twice, otherCase, names + names + QStringList{"Missing"}}) {
            const TZRVRecordLines record(L);
            for (const QString& key : keys) {
                const QStringView value = record.Value(key);
                const QString expected = firstValue(L, key);
                EXPECT_EQ(value.toString(), expected)
                    << key.toStdString() << " in " << L.Text().left(200).toStdString();
                EXPECT_EQ(value.isNull(), expected.isNull()) << key.toStdString();
            }
        }
    }
}

// ----- conversions

TEST(Conversions, IntegersAreStrictSigned32Bit) {
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("-12"), -12);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), int(-2147483648LL));
    const std::pair<const char*, int> plain[] = {{"007", 7},
                                                 {"-0", 0},
                                                 {"+5", 5},
                                                 {"123456789", 123456789},
                                                 {"-99999999", -99999999},
                                                 {"1234567890", 1234567890}};
    for (const auto& [text, value] : plain)
        EXPECT_EQ(StrToInt(text), value) << text;
    for (const char* bad : {"", "-", "+", "2147483648", "12a", " 1", "1 ", "0x10", "1.5", "--1", "-+1", "1-"})
        EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
}

TEST(Conversions, UnsignedValuesAbove2147483647AreWrittenButNotReadBack) {
    const QString written = IntToStr(uint32_t(2147483648u));
    EXPECT_EQ(written, "2147483648");
    EXPECT_THROW(StrToUInt(written), EConvertError);
    EXPECT_EQ(StrToUInt("2147483647"), 2147483647u);
    EXPECT_THROW(StrToUInt("-1"), EConvertError);
}

TEST(Conversions, Booleans) {
    EXPECT_EQ(BoolToStr(true), "-1");
    EXPECT_EQ(BoolToStr(false), "0");
    struct Case {
        const char* Text;
        bool Value;
    } good[] = {{"-1", true}, {"0", false}, {"2", true}, {"True", true}, {"false", false}, {"TRUE", true}};
    for (const auto& c : good)
        EXPECT_EQ(StrToBool(c.Text), c.Value) << c.Text;
    for (const char* bad : {"", "yes", "1x", "nan", " 1"})
        EXPECT_THROW(StrToBool(bad), EConvertError) << bad;
}

TEST(Conversions, ErrorMessageNamesTheText) {
    try {
        StrToInt("abc");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
    }
}

// ----- date-times

TEST(DateTime, TextFormAndRoundTrip) {
    EXPECT_EQ(DateTimeToStr(0), "30/12/1899");
    EXPECT_EQ(DateTimeToStr(EncodeDateTime(2011, 7, 20, 14, 5, 9)), "20/07/2011 14:05:09");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2011, 7, 20)), "20/07/2011"); // midnight: no time part
    EXPECT_DOUBLE_EQ(StrToDateTime("30/12/1899"), 0);
    EXPECT_DOUBLE_EQ(StrToDateTime("20/07/2011"), EncodeDate(2011, 7, 20));
    const TDateTime t = EncodeDateTime(2011, 7, 20, 14, 5, 9);
    EXPECT_NEAR(StrToDateTime(DateTimeToStr(t)), t, 1e-9);
    EXPECT_NEAR(StrToDateTime("1/2/2020 3:04:05"), EncodeDateTime(2020, 2, 1, 3, 4, 5), 1e-9);
}

TEST(DateTime, DatesBeforeTheBaseKeepTheirTimeOfDay) {
    const TDateTime t = EncodeDateTime(1899, 12, 29, 12, 0, 0);
    EXPECT_DOUBLE_EQ(t, -1.5);
    EXPECT_EQ(DateTimeToStr(t), "29/12/1899 12:00:00");
    EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(t)), t);
}

TEST(DateTime, MalformedTextsRaise) {
    for (const char* bad : {"", "32/01/2011", "20/07/2011 25:00:00", "yesterday", "20/07/2011 x"})
        EXPECT_THROW(StrToDateTime(bad), EConvertError) << bad;
}

TEST(DateTime, DayOfTheWeekStartsOnMonday) {
    EXPECT_EQ(DayOfTheWeek(EncodeDate(2011, 7, 18)), 1); // a Monday
    EXPECT_EQ(DayOfTheWeek(EncodeDate(2011, 7, 24)), 7);
    EXPECT_EQ(HourOf(EncodeDateTime(2011, 7, 24, 17, 59, 0)), 17);
}

TEST(DateTime, RegionalFormatIsProcessWide) {
    const TZRVFormatSettings saved = FormatSettings();
    SetFormatSettings({"yyyy-MM-dd", "HH:mm:ss"});
    EXPECT_EQ(DateTimeToStr(EncodeDateTime(2011, 7, 20, 1, 2, 3)), "2011-07-20 01:02:03");
    EXPECT_DOUBLE_EQ(StrToDateTime("2011-07-20"), EncodeDate(2011, 7, 20));
    SetFormatSettings(saved);
}

// ----- shared records and lists

std::unique_ptr<TZRVGame> MakeGame(uint32_t aID, const QString& aName) {
    auto g = std::make_unique<TZRVGame>();
    g->SetGameID(aID);
    g->SetGameName(aName);
    g->SetCommandLine("run.exe -mode=full");
    return g;
}

TEST(Records, GameRoundTripKeepsValuesWithEqualsSigns) {
    TZRVGame g;
    g.Copy(MakeGame(12, "Chess").get());
    const TStringList L = g.SaveToStringList();
    EXPECT_EQ(L.Lines(), QStringList({"Game_GameID=12", "Game_GameName=Chess",
                                      "Game_Description=", "Game_CommandLine=run.exe -mode=full"}));
    TZRVGame back;
    back.LoadFromStringList(L);
    EXPECT_EQ(back.GameID(), 12u);
    EXPECT_EQ(back.CommandLine(), "run.exe -mode=full");
}

TEST(Records, EmptyListLeavesTheRecordAsItIs) {
    TZRVGame g;
    g.SetGameID(7);
    g.LoadFromStringList(TStringList());
    EXPECT_EQ(g.GameID(), 7u);
}

TEST(Records, ConversionErrorLeavesLaterFieldsCleared) {
    TZRVApplication a;
    a.SetApplicationName("old");
    EXPECT_THROW(
        a.LoadFromStringList(Lines({"Application_ApplicationID=x", "Application_ApplicationName=new"})),
        EConvertError);
    EXPECT_EQ(a.ApplicationName(), "");
}

TEST(Records, GroupAuthorisationNestsItsAuthorisation) {
    TZRVGroupAuthorisation ga;
    ga.SetGroupID(4);
    ga.SetValue(true);
    ga.Authorisation()->SetAuthorisationID(3);
    ga.Authorisation()->SetAuthorisationName("Print");
    const TStringList L = ga.SaveToStringList();
    EXPECT_EQ(L.Lines(), QStringList({"GroupAuthorisation_GroupID=4", "GroupAuthorisation_Value=-1",
                                      "GroupAuthorisation_ValueEx=",
                                      "GroupAuthorisation_Authorisation_AuthorisationID=3",
                                      "GroupAuthorisation_Authorisation_AuthorisationName=Print",
                                      "GroupAuthorisation_Authorisation_Description="}));
    TZRVGroupAuthorisation back;
    back.LoadFromStringList(L);
    EXPECT_EQ(back.GroupID(), 4u);
    EXPECT_TRUE(back.Value());
    EXPECT_EQ(back.Authorisation()->AuthorisationID(), 3u);
    EXPECT_EQ(back.Authorisation()->AuthorisationName(), "Print");
}

TEST(Lists, TwelveGamesReadBackDespiteThePrefixTrap) {
    TZRVGames games;
    games.SetOwnerID(9);
    for (uint32_t i = 0; i < 12; ++i)
        games.Add(MakeGame(100 + i, QStringLiteral("G%1").arg(i)));
    const TStringList L = games.SaveToStringList();
    EXPECT_EQ(L[0], "Games_OwnerID=9");
    EXPECT_EQ(L[1], "Games_Count=12");
    EXPECT_EQ(L[2], "Games_0Game_GameID=100");
    TZRVGames back;
    back.LoadFromStringList(L);
    ASSERT_EQ(back.Count(), 12);
    EXPECT_EQ(back.OwnerID(), 9u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(back.Games(i)->GameID(), 100u + i);
        EXPECT_EQ(back.Games(i)->GameName(), QStringLiteral("G%1").arg(i));
    }
}

TEST(Lists, CountZeroEmptiesButNoLinesLeaveAsIs) {
    TZRVGames games;
    games.Add(MakeGame(1, "a"));
    games.LoadFromStringList(TStringList());
    EXPECT_EQ(games.Count(), 1);
    games.LoadFromStringList(Lines({"Games_OwnerID=0", "Games_Count=0", "Games_0Game_GameID=5"}));
    EXPECT_EQ(games.Count(), 0);
}

TEST(Lists, ItemWithoutLinesIsCreatedEmpty) {
    TZRVApplications apps;
    apps.LoadFromStringList(Lines(
        {"Applications_OwnerID=1", "Applications_Count=2", "Applications_1Application_ApplicationID=8"}));
    ASSERT_EQ(apps.Count(), 2);
    EXPECT_EQ(apps.Applications(0)->ApplicationID(), 0u);
    EXPECT_EQ(apps.Applications(1)->ApplicationID(), 8u);
}

TEST(Lists, HugeOrNegativeCountIsRefusedWithoutAllocating) {
    TZRVGames games;
    EXPECT_THROW(games.LoadFromStringList(Lines({"Games_OwnerID=0", "Games_Count=1000000"})), EConvertError);
    EXPECT_EQ(games.Count(), 0);
    EXPECT_THROW(
        games.LoadFromStringList(Lines({"Games_OwnerID=0", "Games_Count=-1", "Games_0Game_GameID=5"})),
        EConvertError);
    EXPECT_EQ(games.Count(), 0);
    EXPECT_THROW(games.LoadFromStringList(Lines({"Games_OwnerID=0"})), EConvertError); // missing count
}

TEST(Lists, EachLineGoesToTheItemItsIndexNames) {
    struct Case {
        QStringList Lines;
        QList<uint32_t> Expected; // the items' IDs
    } cases[] = {
        // An index with a leading zero, or past the count, is no item's.
        {{"Games_OwnerID=1", "Games_Count=2", "Games_01Game_GameID=5", "Games_2Game_GameID=9",
          "Games_1Game_GameID=7"},
         {0, 7}},
        // The longer index "10" has lines, the shorter "1" none: its item is empty, not an error.
        {{"Games_OwnerID=1", "Games_Count=11", "Games_2Game_GameID=2", "Games_3Game_GameID=3",
          "Games_4Game_GameID=4", "Games_5Game_GameID=5", "Games_6Game_GameID=6", "Games_7Game_GameID=7",
          "Games_8Game_GameID=8", "Games_9Game_GameID=9", "Games_10Game_GameID=10"},
         {0, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        // Lines are found without regard to case, the first of a name wins.
        {{"games_ownerid=1", "games_count=1", "GAMES_0game_gameid=3", "Games_0Game_GameID=4"}, {3}},
    };
    for (const auto& c : cases) {
        TZRVGames games;
        games.LoadFromStringList(TStringList(c.Lines));
        QList<uint32_t> ids;
        for (int i = 0; i < games.Count(); ++i)
            ids << games.Games(i)->GameID();
        EXPECT_EQ(ids, c.Expected) << c.Lines.join(' ').toStdString();
    }
}

TEST(Lists, CountIsCappedAtASaneSize) {
    for (const int count : {TZRVGames::c_MaxCount, TZRVGames::c_MaxCount + 1}) {
        TStringList L;
        L.Add("Games_OwnerID", "1");
        L.Add("Games_Count", QString::number(count));
        for (int i = 0; i < count; ++i)
            L.Add(QStringLiteral("Games_%1Game_GameID").arg(i), QString::number(i + 1));
        TZRVGames games;
        if (count > TZRVGames::c_MaxCount) {
            EXPECT_THROW(games.LoadFromStringList(L), EConvertError);
            continue;
        }
        games.LoadFromStringList(L);
        ASSERT_EQ(games.Count(), count);
        EXPECT_EQ(games.Games(count - 1)->GameID(), uint32_t(count));
    }
}

TEST(Lists, RemoveAndSetKeepOrder) {
    TZRVGames games;
    EXPECT_EQ(games.Add(nullptr), -1);
    for (uint32_t i = 1; i <= 3; ++i)
        EXPECT_EQ(games.Add(MakeGame(i, "g")), int(i - 1));
    EXPECT_FALSE(games.Remove(5));
    EXPECT_TRUE(games.Remove(0));
    ASSERT_EQ(games.Count(), 2);
    EXPECT_EQ(games.Games(0)->GameID(), 2u);
    EXPECT_EQ(games.Games(1)->GameID(), 3u);
    EXPECT_EQ(games.Games(2), nullptr);
    games.SetItem(0, nullptr); // an emptied slot closes up
    ASSERT_EQ(games.Count(), 1);
    EXPECT_EQ(games.Games(0)->GameID(), 3u);
    games.SetItem(0, MakeGame(9, "n"));
    EXPECT_EQ(games.Games(0)->GameID(), 9u);
    games.Clear();
    EXPECT_EQ(games.Count(), 0);
    EXPECT_EQ(games.OwnerID(), 0u);
}

TEST(Lists, GroupAuthorisationsWriteGroupIDAndExistsFindsFirst) {
    TZRVGroupAuthorisations list;
    list.SetGroupID(2);
    auto ga = std::make_unique<TZRVGroupAuthorisation>();
    ga->Authorisation()->SetAuthorisationID(3);
    list.Add(std::move(ga));
    const TStringList L = list.SaveToStringList();
    EXPECT_EQ(L[0], "GroupAuthorisations_GroupID=2");
    EXPECT_EQ(L.Values("GroupAuthorisations_0GroupAuthorisation_Authorisation_AuthorisationID"), "3");
    TZRVGroupAuthorisations back;
    back.LoadFromStringList(L);
    EXPECT_EQ(back.GroupID(), 2u);
    EXPECT_EQ(back.GroupAuthorisations(0)->Authorisation()->AuthorisationID(), 3u);

    TZRVAuthorisations auths;
    EXPECT_EQ(auths.Exists(3), nullptr);
    auto a = std::make_unique<TZRVAuthorisation>();
    a->SetAuthorisationID(3);
    TZRVAuthorisation* added = a.get();
    auths.Add(std::move(a));
    EXPECT_EQ(auths.Exists(3), added);
    EXPECT_EQ(auths.SaveToStringList()[0], "Authorisations_Count=1");
}

// ----- tariff data

TEST(Tariff, PackedHourFormulas) {
    TZRVHourFormulaData f;
    EXPECT_EQ(f.GetValue(), 257);
    f.SetStartDay(1);
    f.SetStartHour(0);
    f.SetEndDay(7);
    f.SetEndHour(23);
    EXPECT_EQ(f.GetValue(), 48897);
    int16_t sd, sh, ed, eh;
    EXPECT_TRUE(TZRVHourFormulaData::DecodeValue(48897, sd, sh, ed, eh));
    EXPECT_EQ(sd, 1);
    EXPECT_EQ(sh, 0);
    EXPECT_EQ(ed, 7);
    EXPECT_EQ(eh, 23);
}

TEST(Tariff, WindowBoundsAreInclusiveWithoutWrapping) {
    TZRVHourFormulaData f; // Monday 8 h to Friday 17 h
    f.SetStartDay(1);
    f.SetStartHour(8);
    f.SetEndDay(5);
    f.SetEndHour(17);
    const int32_t v = f.GetValue();
    EXPECT_TRUE(TZRVHourFormulaData::Contains(v, 3, 17));  // Wednesday 17:59
    EXPECT_FALSE(TZRVHourFormulaData::Contains(v, 5, 18)); // Friday 18:00
    EXPECT_FALSE(TZRVHourFormulaData::Contains(v, 6, 10)); // Saturday 10:00
}

TEST(Tariff, CreditTexts) {
    TZRVCreditUtilities u;
    QString text;
    EXPECT_TRUE(u.CreditValueToStr(text, 3725));
    EXPECT_EQ(text, "01h02m05s");
    EXPECT_TRUE(u.CreditValueToStr(text, 360000));
    EXPECT_EQ(text, "100h00m00s");
    uint32_t value = 0;
    EXPECT_TRUE(u.StrToCreditValue("01H30M00S", value));
    EXPECT_EQ(value, 5400u);
    EXPECT_TRUE(u.StrToCreditValue("1h5m7s", value));
    EXPECT_EQ(value, 3907u);
    EXPECT_THROW(u.StrToCreditValue("90m", value), EConvertError);
    EXPECT_THROW(u.StrToCreditValue("9999999h0m0s", value), EConvertError); // beyond 32 bits

    EXPECT_TRUE(u.EncodeCreditCostStr(text, 5400, 500));
    EXPECT_EQ(text, "01h30m00s - 500");
    int32_t cost = 0;
    EXPECT_TRUE(u.DecodeCreditCostStr(text, value, cost));
    EXPECT_EQ(value, 5400u);
    EXPECT_EQ(cost, 500);
    EXPECT_FALSE(u.DecodeCreditCostStr("01h30m00s - abc", value, cost));
}

TEST(Tariff, CustomFormatIsUsedForWritingAndDisablesReading) {
    TZRVCreditUtilities u;
    u.SetcFormat("%d:%.2d:%.2d");
    QString text;
    EXPECT_TRUE(u.CreditValueToStr(text, 3725));
    EXPECT_EQ(text, "1:02:05");
    uint32_t value = 0;
    int32_t cost = 0;
    EXPECT_FALSE(u.StrToCreditValue("01h30m00s", value));
    EXPECT_FALSE(u.DecodeCreditCostStr("01h30m00s - 5", value, cost));
    u.SetcFormat("%s%n%u%u%u%u"); // nothing outside %d and %u is ever formatted
    EXPECT_FALSE(u.CreditValueToStr(text, 1));
    EXPECT_FALSE(u.EncodeCreditCostStr(text, 1, 2));
    EXPECT_EQ(text, "");
}

TEST(Tariff, TarificationOwnsItsCredits) {
    TZRVTarification t;
    EXPECT_EQ(t.AddCredit(nullptr), -1);
    EXPECT_EQ(t.AddCredit(std::make_unique<TZRVCreditData>()), 0);
    EXPECT_EQ(t.Credits(t.Count()), nullptr);
    t.SetHourFormmula(std::make_unique<TZRVHourFormulaData>());
    t.Clear();
    EXPECT_EQ(t.Count(), 0);
    EXPECT_EQ(t.HourFormula(), nullptr);
}

TEST(Tariff, CreditDataSplitsIntoHoursMinutesSeconds) {
    TZRVCreditData c;
    c.SetCreditValue(3725);
    EXPECT_EQ(c.GetHours(), 1u);
    EXPECT_EQ(c.GetMinutes(), 2u);
    EXPECT_EQ(c.GetSeconds(), 5u);
    EXPECT_EQ(c.GetCreditFormatted(), "01h02m05s");
}

} // namespace

namespace {
// Date helpers work while other files' statics are being set up.
const QString c_StaticDate = DateTimeToStr(EncodeDate(2011, 7, 20));
TEST(DateTime, WorksDuringStaticInitialisation) {
    EXPECT_EQ(c_StaticDate, "20/07/2011");
}
} // namespace
