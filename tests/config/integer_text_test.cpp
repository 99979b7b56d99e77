// Integers written as text, read like strtol with a 32-bit long.
#include "config/integer_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace tamo {
namespace {

struct HexCase {
    const char* name;
    std::string text;
    std::int32_t expected;
};

void PrintTo(const HexCase& c, std::ostream* os) { *os << c.name; }

class HexNumberTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexNumberTest, Converts) { EXPECT_EQ(readInteger(GetParam().text, 16).value, GetParam().expected); }

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Table, HexNumberTest,
    ::testing::Values(HexCase{"Upper", "2E5C", 0x2E5C}, HexCase{"Lower", "2e5c", 0x2E5C},
                      HexCase{"Prefix", "0x2E5C", 0x2E5C}, HexCase{"UpperPrefix", "0X2e5c", 0x2E5C},
                      HexCase{"LeadingZeros", "0001", 1}, HexCase{"Empty", "", 0}, HexCase{"OnlyBlanks", " \t ", 0},
                      HexCase{"NoDigits", "xyz", 0}, HexCase{"PrefixWithoutDigits", "0x", 0},
                      HexCase{"PrefixThenNonDigit", "0xg1", 0}, HexCase{"SignOnly", "-", 0},
                      HexCase{"EveryWhiteSpace", " \t\n\v\f\r1F", 0x1F}, HexCase{"StopsAtNonDigit", "12G4", 0x12},
                      HexCase{"TrailingBlank", "FF00 ", 0xFF00}, HexCase{"Plus", "+ff", 0xFF},
                      HexCase{"Minus", "-10", -16}, HexCase{"MinusPrefix", "-0x2E5C", -0x2E5C},
                      HexCase{"SpaceAfterSignEndsTheNumber", "- 5", 0}, HexCase{"SpaceInsidePrefix", "0 x5", 0},
                      HexCase{"Largest", "7FFFFFFF", kMax}, HexCase{"JustBeyondLargest", "80000000", kMax},
                      HexCase{"FarBeyond", "FFFFFFFFFFFFFFFFFFFF", kMax},
                      HexCase{"SmallestExactly", "-80000000", kMin}, HexCase{"BeyondSmallest", "-80000001", kMin},
                      HexCase{"FarBelow", "-123456789ABCDEF", kMin}, HexCase{"ManyZerosThenDigits", "00000000000001F", 0x1F},
                      HexCase{"ExtraHighDigits", "12E5C", 0x12E5C}),
    [](const auto& entry) { return std::string(entry.param.name); });

// Where the number ends, for a tool that shows what follows it.
struct EndCase {
    const char* name;
    std::string text;
    int base;
    std::int32_t value;
    bool hasDigits;
    std::size_t end;
    bool clamped = false;
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class IntegerEndTest : public ::testing::TestWithParam<EndCase> {};

TEST_P(IntegerEndTest, SaysWhereTheDigitsEnded) {
    const EndCase& c = GetParam();
    IntegerText read = readInteger(c.text, c.base);
    EXPECT_EQ(read.value, c.value);
    EXPECT_EQ(read.hasDigits, c.hasDigits);
    EXPECT_EQ(read.end, c.end);
    EXPECT_EQ(read.clamped, c.clamped);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IntegerEndTest,
    ::testing::Values(EndCase{"HexWithBlankAfter", "2E5C ", 16, 0x2E5C, true, 4},
                      EndCase{"PrefixWithoutDigitIsTheZero", "0xg1", 16, 0, true, 1},
                      EndCase{"DecimalThenLetters", "12abc", 10, 12, true, 2},
                      EndCase{"DecimalAfterBlanksAndSign", "  -7", 10, -7, true, 4},
                      EndCase{"DecimalHasNoPrefix", "0x10", 10, 0, true, 1},
                      EndCase{"DecimalBeyondLargest", "99999999999", 10, kMax, true, 11, true},
                      EndCase{"DecimalLargest", "2147483647", 10, kMax, true, 10, false},
                      EndCase{"DecimalJustBeyondLargest", "2147483648", 10, kMax, true, 10, true},
                      EndCase{"DecimalSmallest", "-2147483648", 10, kMin, true, 11, false},
                      EndCase{"DecimalJustBelowSmallest", "-2147483649", 10, kMin, true, 11, true},
                      EndCase{"HexFarBeyond", "FFFFFFFFFFFFFFFFFFFF", 16, kMax, true, 20, true},
                      EndCase{"Letters", "abc", 10, 0, false, 0}, EndCase{"SignThenBlank", "- 5", 16, 0, false, 0},
                      EndCase{"Empty", "", 10, 0, false, 0}),
    [](const auto& entry) { return std::string(entry.param.name); });

}  // namespace
}  // namespace tamo
