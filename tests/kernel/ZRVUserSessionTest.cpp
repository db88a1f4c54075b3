#include "ZRVUserSession.h"
#include "ZRVErrorLogger.h"

#include "support/EventLoop.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using zrvtest::WaitUntil;

namespace {

// A session on its own (no user connection), ticking every millisecond.
struct Session {
    TZRVUserSession S;
    int Empty = 0, Warn = 0, Change = 0, Start = 0, Stop = 0;
    Session(TZRVSessionType aType, uint32_t aCredit, bool aIncremental = false) {
        S.SetChangeInterval(1);
        S.SetSessionType(aType);
        S.Credit()->SetCreditValue(aCredit);
        S.Credit()->SetIncremental(aIncremental);
        S.SetOnCreditEmpty([this](QObject*) { ++Empty; });
        S.SetOnWarnCredit([this](QObject*) { ++Warn; });
        S.SetOnCreditChange([this](QObject*) { ++Change; });
        S.SetOnStart([this](QObject*) { ++Start; });
        S.SetOnStop([this](QObject*) { ++Stop; });
    }
};

TEST(UserSession, OpenNeedsCreditUnlessIncremental) {
    Session none(stTicket, 0);
    EXPECT_FALSE(none.S.Open());
    EXPECT_FALSE(none.S.Openned());
    EXPECT_EQ(none.Start, 0);

    Session postPaid(stAccount, 0, true);
    ASSERT_TRUE(postPaid.S.Open());
    ASSERT_TRUE(WaitUntil([&] { return postPaid.S.Credit()->CreditValue() >= 3; }));
    EXPECT_EQ(postPaid.Warn, 0);
    EXPECT_EQ(postPaid.Empty, 0);
    EXPECT_EQ(postPaid.S.Account()->Credit(), postPaid.S.Credit()->CreditValue());
}

TEST(UserSession, CountdownWritesBackAndSignalsEmptyWithoutClosing) {
    Session t(stTicket, 2);
    ASSERT_TRUE(t.S.Open());
    ASSERT_TRUE(WaitUntil([&] { return t.Empty >= 1; }));
    EXPECT_EQ(t.S.Credit()->CreditValue(), 0u);
    EXPECT_EQ(t.S.Ticket()->Credit(), 0u);
    EXPECT_GE(t.S.Ticket()->LastUseTime(), 2u);
    EXPECT_TRUE(t.S.Openned()); // the host closes it
    t.S.Close();
    EXPECT_EQ(t.Stop, 1);
    EXPECT_FALSE(t.S.TimerSecond()->isActive()); // the countdown stopped with the session
}

TEST(UserSession, AccountSessionCountsTotalAndUseTime) {
    Session a(stAccount, 1000);
    a.S.Account()->SetCreditTotal(50);
    ASSERT_TRUE(a.S.Open());
    ASSERT_TRUE(WaitUntil([&] { return a.S.Credit()->CreditValue() <= 995; }));
    a.S.Close();
    const uint32_t used = 1000 - a.S.Credit()->CreditValue();
    EXPECT_EQ(a.S.Account()->Credit(), a.S.Credit()->CreditValue());
    EXPECT_EQ(a.S.Account()->CreditTotal(), 50 + used);
    EXPECT_EQ(a.S.Account()->LastUseTime(), used);
}

TEST(UserSession, WarnsOnEveryTickAtOrBelowTheLevel) {
    Session w(stTicket, 301);
    ASSERT_TRUE(w.S.Open());
    ASSERT_TRUE(WaitUntil([&] { return w.Warn >= 3; }));
    w.S.Close();
    EXPECT_TRUE(w.S.CreditLow());
    EXPECT_EQ(uint32_t(w.Warn), 300 - w.S.Credit()->CreditValue() + 1);
}

TEST(UserSession, TicketOpenStampsTheMirroredServerTime) {
    Session t(stTicket, 60);
    t.S.SetAutoChangeCredit(false);
    const TDateTime serverTime = EncodeDateTime(2011, 7, 20, 14, 5, 9);
    t.S.STimer()->SetsDateTime(serverTime);
    ASSERT_TRUE(t.S.Open());
    EXPECT_TRUE(t.S.Ticket()->UsedFlag());
    EXPECT_DOUBLE_EQ(t.S.Ticket()->LastUseDate(), serverTime);
    EXPECT_DOUBLE_EQ(t.S.StartDateTime(), serverTime);
    EXPECT_FALSE(t.S.TimerSecond()->isActive()); // without automatic change the countdown does not run
    EXPECT_EQ(t.S.Credit()->CreditValue(), 60u);
    EXPECT_EQ(t.Change, 0);
}

TEST(UserSession, ClearRestoresTheWarnLevel) {
    Session s(stAccount, 10);
    s.S.SetWarnCreditLevel(60);
    s.S.SetCreditLow(true);
    s.S.Clear();
    EXPECT_EQ(s.S.WarnCreditLevel(), 300u);
    EXPECT_FALSE(s.S.CreditLow());
    EXPECT_EQ(s.S.SessionType(), stNone);
    EXPECT_EQ(s.S.Credit()->CreditValue(), 0u);
}

TEST(UserSession, RecordRoundTrips) {
    struct Case {
        TZRVSessionType Type;
        const char* Prefix; // the nested record's lines, or none
    } cases[] = {{stAccount, "Ssn_UAt_"}, {stTicket, "Ssn_UTt_"}, {stLocalAccount, nullptr}};
    for (const auto& c : cases) {
        Session s(c.Type, 1234);
        s.S.Account()->SetAccountName("Bob");
        s.S.Ticket()->SetCode("AB12");
        s.S.STimer()->SetsDateTime(EncodeDateTime(2011, 7, 20, 14, 5, 9));
        s.S.SetAutoChangeCredit(false);
        s.S.Open();
        const TStringList L = s.S.SaveToStringList();
        EXPECT_EQ(L[0], "Ssn_SDT=20/07/2011 14:05:09");
        EXPECT_EQ(L.Values("Ssn_STp"), QString::number(c.Type));
        EXPECT_EQ(L.Values("Ssn_Cdt_CrV"), "1234");
        EXPECT_EQ(CollectPrefixed(L, "Ssn_U").IsEmpty(), c.Prefix == nullptr);

        TZRVUserSession back;
        back.LoadFromStringList(L);
        EXPECT_EQ(back.SessionType(), c.Type);
        EXPECT_EQ(back.Credit()->CreditValue(), 1234u);
        EXPECT_FALSE(back.AutoChangeCredit());
        EXPECT_EQ(back.Account()->AccountName(), c.Type == stAccount ? "Bob" : "");
        EXPECT_EQ(back.Ticket()->Code(), c.Type == stTicket ? "AB12" : "");
    }
}

TEST(UserSession, MalformedRecordIsLoggedNotRaised) {
    QTemporaryDir dir;
    TZRVErrorLogger logger;
    logger.SetLogFile(dir.filePath("s.lgf"));
    TZRVUserSession s;
    s.SetErrorLogger(&logger);
    TStringList L;
    L.Add("Ssn_SDT=20/07/2011");
    L.Add("Ssn_STp=9");
    EXPECT_NO_THROW(s.LoadFromStringList(L));
    EXPECT_EQ(s.SessionType(), stNone);
    QFile f(logger.LogFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains(";ZRVUserSession;TZRVCustomUserSession.LoadFromStringList;Free Exit;"));
}

TEST(UserSession, AddCreditNeedsACodeAndAnOpenUserConnection) {
    TZRVUserSession s;
    try {
        s.AddCredit("");
        FAIL();
    } catch (const EZRVError& e) {
        EXPECT_EQ(e.Message(), "Invalid reload code");
    }
    try {
        s.AddCredit("CODE");
        FAIL();
    } catch (const EZRVError& e) {
        EXPECT_EQ(e.Message(), "No user connection established");
    }
}

} // namespace
