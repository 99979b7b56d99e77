// Hexadecimal table values, read like strtol in base 16 with a 32-bit long.
#include "hid/hex_number.h"

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

TEST_P(HexNumberTest, Converts) { EXPECT_EQ(parseHexInt32(GetParam().text), GetParam().expected); }

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

}  // namespace
}  // namespace tamo
