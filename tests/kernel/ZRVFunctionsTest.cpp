#include "ZRVFunctions.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

// ----- conditional value

template <class A>
concept IIFAccepts = requires(A a) {
    IIF(true, a, a);
};
static_assert(std::is_same_v<decltype(IIF(true, uint8_t(1), uint8_t(2))), uint8_t>);
static_assert(std::is_same_v<decltype(IIF(true, 1u, 2u)), uint32_t>);
static_assert(std::is_same_v<decltype(IIF(true, 1.5, 2.5)), TDateTime>);
static_assert(std::is_same_v<decltype(IIF(true, QString(), QString())), QString>);
static_assert(!IIFAccepts<const char*>, "a bare literal must not choose the Boolean overload");

// ----- numbers

TEST(FunctionsNValue, DecimalIntegerOrZero) {
    struct Case {
        const char* Text;
        int Expected;
    } cases[] = {
        {"42", 42},        {"-7", -7}, {"2147483647", 2147483647},
        {"2147483648", 0}, {"", 0},    {"12a", 0},
        {"0x1F", 0},       {" 5", 0},  {"1.5", 0},
        {"abc", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NValue(c.Text), c.Expected) << c.Text;
}

// ----- credit text

TEST(FunctionsCredit, FormatsHoursMinutesSecondsWithTwoDigitsAtLeast) {
    EXPECT_EQ(CreditFormatted(0), "00h00m00s");
    EXPECT_EQ(CreditFormatted(3725), "01h02m05s");
    EXPECT_EQ(CreditFormatted(360000), "100h00m00s");
    EXPECT_EQ(CreditFormatted(4294967295u), "1193046h28m15s");
}

TEST(FunctionsCredit, ReadsBackOnlyNineCharacters) {
    struct Case {
        const char* Text;
        uint32_t Expected;
    } cases[] = {
        {"01h02m05s", 3725}, {"99h59m59s", 359999}, {"00:00:07x", 7}, // separators are not read
        {"1h02m05s", 0},     {"100h00m00s", 0},     {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnformatCredit(c.Text), c.Expected) << c.Text;
    for (uint32_t s : {0u, 59u, 3600u, 86399u, 359999u})
        EXPECT_EQ(UnformatCredit(CreditFormatted(s)), s);
}

TEST(FunctionsCredit, NonDigitsRaiseConversionError) {
    for (const char* bad : {"0ah02m05s", "01h-2m05s", "01h02m+5s", "01h 2m05s", "xxhxxmxxs"})
        EXPECT_THROW(UnformatCredit(bad), EConvertError) << bad;
}

// ----- hour formula

TEST(FunctionsHourFormula, FieldsOfThePackedValue) {
    TZRVHourFormulaData f;
    f.SetStartDay(2);
    f.SetStartHour(8);
    f.SetEndDay(6);
    f.SetEndHour(23);
    const int32_t v = f.GetValue();
    EXPECT_EQ(GetStartDay(v), 2);
    EXPECT_EQ(GetStartHour(v), 8);
    EXPECT_EQ(GetEndDay(v), 6);
    EXPECT_EQ(GetEndHour(v), 23);
    EXPECT_EQ(GetEndHour(0xFFFF), 31); // every field masked to its bits
    EXPECT_EQ(GetStartDay(0xFFFF), 7);
}

// ----- paths

TEST(FunctionsPaths, LastDirectoryIsThePartAfterTheLastSeparator) {
    struct Case {
        const char* Path;
        const char* Expected;
    } cases[] = {
        {"C:\\WINDOWS\\system32", "system32"},
        {"/var/lib/zrv2", "zrv2"},
        {"C:\\Program Files/zrv\\Client", "Client"},
        {"/usr/share\\mixed", "mixed"},
        {"Client", "Client"},
        {"C:\\WINDOWS\\", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetLastDirectory(c.Path), c.Expected) << c.Path;
}

} // namespace
