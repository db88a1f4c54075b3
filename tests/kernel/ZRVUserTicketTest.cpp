#include "ZRVUserTicket.h"

#include <gtest/gtest.h>

namespace {

// Functions rather than constants: the date helpers must not run before the kernel's statics exist.
TDateTime Activated() {
    return EncodeDateTime(2011, 7, 20, 14, 5, 9);
}
TDateTime Created() {
    return EncodeDate(2011, 7, 19);
}
TDateTime Used() {
    return EncodeDateTime(2011, 7, 21, 9, 30, 0);
}

void FillTicket(TZRVUserTicket& T) {
    T.SetTicketID(17);
    T.SetCode("AB12CD");
    T.SetCredit(3600);
    T.SetCost(500);
    T.SetActive(true);
    T.SetActivationDate(Activated());
    T.SetDaysAllowed(30);
    T.SetPrintFlag(true);
    T.SetUsedFlag(true);
    T.SetDeletedFlag(false);
    T.SetCreationDate(Created());
    T.SetLastUseDate(Used());
    T.SetLastUseTime(120);
    T.SetHourFormula(48897);
    T.SetHourFormulaName("Semaine");
    T.SetOnwerID(3);
    T.Group()->SetGroupID(2);
    T.Group()->SetGroupName("Tickets");
    T.LastUsePC()->SetMachineName("PC12");
}

TEST(UserTicket, FreshTicketRoundTripsWithTheDefaultFormula) {
    const TZRVUserTicket fresh;
    EXPECT_EQ(fresh.HourFormula(), 24449);
    TZRVUserTicket back;
    back.SetHourFormula(48897);
    back.SetHourFormulaName("Semaine");
    back.LoadFromBuffer(fresh.SaveToBuffer());
    EXPECT_EQ(back.HourFormula(), 24449);
    EXPECT_EQ(back.HourFormulaName(), "Default");
    EXPECT_DOUBLE_EQ(back.CreationDate(), 0);
}

TEST(UserTicket, RoundTripKeepsFieldsAndNestedRecordsButNotTheOwner) {
    TZRVUserTicket source;
    FillTicket(source);
    const TStringList lines = source.SaveToStringList();
    EXPECT_TRUE(lines.Lines().contains("UTt_LUP_MNm=PC12"));
    EXPECT_TRUE(lines.Lines().contains("UTt_Grp_GNm=Tickets"));

    TZRVUserTicket back;
    back.SetOnwerID(9);
    back.LoadFromStringList(lines);
    EXPECT_EQ(back.TicketID(), 17u);
    EXPECT_EQ(back.Code(), "AB12CD");
    EXPECT_EQ(back.Credit(), 3600u);
    EXPECT_EQ(back.Cost(), 500);
    EXPECT_TRUE(back.Active() && back.PrintFlag() && back.UsedFlag());
    EXPECT_FALSE(back.DeletedFlag());
    EXPECT_NEAR(back.ActivationDate(), Activated(), 1e-9);
    EXPECT_DOUBLE_EQ(back.CreationDate(), Created());
    EXPECT_NEAR(back.LastUseDate(), Used(), 1e-9);
    EXPECT_EQ(back.DaysAllowed(), 30);
    EXPECT_EQ(back.LastUseTime(), 120u);
    EXPECT_EQ(back.HourFormula(), 48897);
    EXPECT_EQ(back.HourFormulaName(), "Semaine");
    EXPECT_EQ(back.Group()->GroupName(), "Tickets");
    EXPECT_EQ(back.LastUsePC()->MachineName(), "PC12");
    EXPECT_EQ(back.OwnerID(), 0u);
    EXPECT_EQ(back.SaveToStringList(), lines);
}

TEST(UserTicket, WritesKeysInTheirOrder) {
    TZRVUserTicket T;
    FillTicket(T);
    QStringList names;
    const TStringList L = T.SaveToStringList();
    for (int i = 0; i < L.Count(); ++i)
        if (!L.Names(i).contains("_Games_") && !L.Names(i).contains("_Applications_"))
            names << L.Names(i);
    EXPECT_EQ(names, QStringList({"UTt_PFg",     "UTt_Ave",     "UTt_UFg",     "UTt_DFg",     "UTt_TID",
                                  "UTt_DAw",     "UTt_Cod",     "UTt_Cos",     "UTt_Cdt",     "UTt_LUT",
                                  "UTt_ADt",     "UTt_CnD",     "UTt_LUD",     "UTt_HrF",     "UTt_HFN",
                                  "UTt_LUP_MID", "UTt_LUP_Ram", "UTt_LUP_MNm", "UTt_LUP_Cpu", "UTt_LUP_OSm",
                                  "UTt_LUP_Geo", "UTt_LUP_LUN", "UTt_Grp_GDs", "UTt_Grp_GID", "UTt_Grp_Aut",
                                  "UTt_Grp_GNm", "UTt_Grp_ICr"}));
}

TEST(UserTicket, SetHourFormulaRefusesHoursAbove23) {
    struct Case {
        int32_t Value;
        bool Valid;
    } cases[] = {{48897, true}, {24449, true},     {23 << 3 | 23 << 11, true},
                 {192, false},  {24 << 11, false}, {31 << 3 | 1, false}};
    for (const auto& c : cases) {
        TZRVUserTicket T;
        if (c.Valid) {
            T.SetHourFormula(c.Value);
            EXPECT_EQ(T.HourFormula(), c.Value);
        } else {
            EXPECT_THROW(T.SetHourFormula(c.Value), EZRVError) << c.Value;
            EXPECT_EQ(T.HourFormula(), 24449) << c.Value;
        }
    }
    try {
        TZRVUserTicket().SetHourFormula(192);
        FAIL();
    } catch (const EZRVError& e) {
        EXPECT_EQ(e.Message(), "Invalid value");
    }
}

TEST(UserTicket, ReadingStoresAnyHourFormula) {
    TZRVUserTicket source;
    TStringList L = source.SaveToStringList();
    L.SetValues("UTt_HrF", "192");
    TZRVUserTicket T;
    T.LoadFromStringList(L);
    EXPECT_EQ(T.HourFormula(), 192);
}

TEST(UserTicket, EveryDateAndNumberMustBePresentAndValid) {
    struct Case {
        const char* Key;
        const char* Value; // nullptr: the line is left out
    } cases[] = {{"UTt_ADt", nullptr}, {"UTt_CnD", nullptr}, {"UTt_LUD", ""},
                 {"UTt_ADt", "hier"},  {"UTt_PFg", "yes"},   {"UTt_HrF", nullptr}};
    TZRVUserTicket source;
    FillTicket(source);
    for (const auto& c : cases) {
        TStringList L = source.SaveToStringList();
        if (c.Value)
            L.SetValues(c.Key, c.Value);
        else
            L.Delete(L.IndexOfName(c.Key));
        TZRVUserTicket T;
        EXPECT_THROW(T.LoadFromStringList(L), EConvertError) << c.Key;
    }
}

TEST(UserTicket, ClearResetsAllButTheLastWorkstation) {
    TZRVUserTicket T;
    FillTicket(T);
    T.LoadFromStringList(TStringList()); // reading clears, even an empty list
    EXPECT_EQ(T.TicketID(), 0u);
    EXPECT_TRUE(T.Code().isEmpty());
    EXPECT_FALSE(T.Active() || T.PrintFlag() || T.UsedFlag());
    EXPECT_DOUBLE_EQ(T.ActivationDate(), 0);
    EXPECT_EQ(T.HourFormula(), 24449);
    EXPECT_EQ(T.HourFormulaName(), "Default");
    EXPECT_EQ(T.OwnerID(), 0u);
    EXPECT_EQ(T.Group()->GroupID(), 0u);
    EXPECT_EQ(T.LastUsePC()->MachineName(), "PC12");
}

TEST(UserTicket, CopyTakesEveryDataFieldDeeply) {
    TZRVUserTicket source;
    FillTicket(source);
    TZRVUserTicket copy;
    copy.Copy(&source);
    EXPECT_EQ(copy.SaveToStringList(), source.SaveToStringList());
    EXPECT_EQ(copy.OwnerID(), 3u);
    source.Group()->SetGroupName("Autre");
    EXPECT_EQ(copy.Group()->GroupName(), "Tickets");
    copy.Copy(nullptr);
    EXPECT_EQ(copy.TicketID(), 17u);
}

TEST(UserTicket, AdoptsSubRecordsAndNeverHoldsNone) {
    TZRVUserTicket T;
    auto machine = std::make_unique<TZRVMachine>();
    TZRVMachine* raw = machine.get();
    T.SetLastUsePC(std::move(machine));
    EXPECT_EQ(T.LastUsePC(), raw);
    T.SetLastUsePC(nullptr);
    T.SetGroup(nullptr);
    EXPECT_NE(T.LastUsePC(), nullptr);
    EXPECT_NE(T.Group(), nullptr);
}

} // namespace
