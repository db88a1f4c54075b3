#include "ZRVCredit.h"
#include "ZRVServerTimerSync.h"

#include "support/EventLoop.h"

#include <gtest/gtest.h>

namespace {

struct CreditCounter {
    TZRVCredit Credit;
    int Empty = 0;
    CreditCounter(uint32_t aValue, bool aIncremental) {
        Credit.SetCreditValue(aValue);
        Credit.SetIncremental(aIncremental);
        Credit.SetOnCreditEmpty([this](QObject*) { ++Empty; });
    }
};

TEST(Credit, CountsDownToZeroAndSignalsEmptyOnEveryStepThere) {
    CreditCounter c(2, false);
    c.Credit.Next();
    EXPECT_EQ(c.Credit.CreditValue(), 1u);
    EXPECT_EQ(c.Empty, 0);
    c.Credit.Next();
    EXPECT_EQ(c.Credit.CreditValue(), 0u);
    EXPECT_EQ(c.Empty, 1);
    c.Credit.Next(); // at zero: once before and once after the step
    EXPECT_EQ(c.Credit.CreditValue(), 0u);
    EXPECT_EQ(c.Empty, 3);
}

TEST(Credit, IncrementalCountsUpWithoutEverBeingEmpty) {
    CreditCounter c(0, true);
    for (int i = 0; i < 3; ++i)
        c.Credit.Next();
    EXPECT_EQ(c.Credit.CreditValue(), 3u);
    EXPECT_EQ(c.Empty, 0);
}

TEST(Credit, AddAndRemoveStayWithinRangeAndRemoveNeverSignals) {
    CreditCounter c(1800, false);
    EXPECT_EQ(c.Credit.Remove(0, 0, 1), "00h00m00s");
    EXPECT_EQ(c.Credit.CreditValue(), 0u);
    EXPECT_EQ(c.Empty, 0);
    EXPECT_EQ(c.Credit.Add(0, 30, 1), "01h30m00s");
    EXPECT_EQ(c.Credit.CreditValue(), 5400u);
    c.Credit.SetCreditValue(4294967000u);
    c.Credit.Add(0, 0, 1000); // saturates instead of wrapping to a small credit
    EXPECT_EQ(c.Credit.CreditValue(), 4294967295u);
    c.Credit.Add(-10, 0, 0);
    EXPECT_EQ(c.Credit.CreditValue(), 4294967285u);
}

TEST(Credit, DerivedFieldsAndTexts) {
    TZRVCredit credit;
    credit.SetCreditValue(90061);
    EXPECT_EQ(credit.Hour(), 25);
    EXPECT_EQ(credit.Minute(), 1);
    EXPECT_EQ(credit.Second(), 1);
    EXPECT_EQ(credit.CreditFormatted(), "25h01m01s");
    EXPECT_EQ(credit.CreditFormatted("%u:%.2u:%.2u"), "25:01:01");
    credit.SetCreditValue(0);
    EXPECT_EQ(credit.CreditFormatted(), "00h00m00s");
}

TEST(Credit, RecordRoundTripAndErrors) {
    TZRVCredit credit;
    credit.SetCreditValue(77);
    credit.SetIncremental(true);
    EXPECT_EQ(credit.SaveToBuffer(), "Cdt_Inc=-1\r\nCdt_CrV=77\r\n");
    TZRVCredit back;
    back.LoadFromBuffer(credit.SaveToBuffer());
    EXPECT_EQ(back.CreditValue(), 77u);
    EXPECT_TRUE(back.Incremental());
    back.LoadFromBuffer(""); // an empty record clears
    EXPECT_EQ(back.CreditValue(), 0u);
    EXPECT_FALSE(back.Incremental());
    EXPECT_THROW(back.LoadFromBuffer("Cdt_Inc=maybe\r\nCdt_CrV=1\r\n"), EConvertError);
}

TEST(ServerTimerSync, AdvancesOneSecondPerTickAndRaisesEveryIntervalTicks) {
    TZRVServerTimerSync clock;
    clock.Timer()->setInterval(2);
    const TDateTime start = EncodeDateTime(2011, 7, 20, 12, 0, 0);
    clock.SetsDateTime(start);
    int raised = 0;
    clock.SetOnTimer([&](QObject*) { ++raised; });
    clock.SetInterval(3);
    clock.SetActive(true);
    ASSERT_TRUE(zrvtest::WaitUntil([&] { return raised == 2; }));
    const double ticks = (clock.sDateTime() - start) * 86400;
    EXPECT_NEAR(ticks, std::round(ticks), 1e-3); // whole seconds only
    EXPECT_GE(ticks, 6);
    clock.SetActive(false);
    EXPECT_EQ(clock.Counter(), 0u);
}

} // namespace
