// What matching says of one entry against the virtual headset: the first
// test that failed and the values it compared.
#include "hid/device_access.h"
#include "hid/device_match.h"
#include "hid/unique_handle.h"
#include "hid_test_support.h"
#include "platform_test.h"

#include <optional>
#include <string>
#include <vector>

namespace tamo::test {
namespace {

using emulated::Faults;
using emulated::VirtualHeadset;

struct ExplainCase {
    const char* name;
    std::vector<std::pair<const char*, std::optional<std::string>>> entryChanges;
    std::optional<MatchTest> failed;
    std::int64_t wanted = 0;
    std::int64_t found = 0;
    std::string foundText;
};

void PrintTo(const ExplainCase& c, std::ostream* os) { *os << c.name; }

ExplainCase explain(const char* name, std::vector<std::pair<const char*, std::optional<std::string>>> changes,
                    std::optional<MatchTest> failed, std::int64_t wanted = 0, std::int64_t found = 0,
                    std::string foundText = {}) {
    return ExplainCase{name, std::move(changes), failed, wanted, found, std::move(foundText)};
}

// The virtual headset plugged in and opened as the connection opens it,
// with its attributes read.
class OpenedHeadsetTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        plugHeadset(L"Tamo Mk2");
        device.reset(CreateFileW(headsetPath().c_str(), device_access::kAccess, device_access::kSharing, nullptr,
                                 OPEN_EXISTING, device_access::kFlags, nullptr));
        ASSERT_TRUE(device);
        attributes.Size = sizeof attributes;
        ASSERT_TRUE(hid.getAttributes(device.get(), &attributes));
    }
    void TearDown() override {
        device.reset();
        PlatformTest::TearDown();
    }

    const HidLibrary& hid = HidLibrary::instance();
    UniqueFileHandle device;
    HIDD_ATTRIBUTES attributes{};
};

class MatchExplanationTest : public OpenedHeadsetTest, public ::testing::WithParamInterface<ExplainCase> {};

TEST_P(MatchExplanationTest, NamesTheFirstFailedTestAndItsValues) {
    const ExplainCase& c = GetParam();
    MatchResult result = matchEntry(hid, device.get(), attributes, headsetEntryWith(c.entryChanges));
    EXPECT_EQ(result.failed, c.failed);
    EXPECT_EQ(result.matched(), !c.failed);
    EXPECT_EQ(result.wanted, c.wanted);
    EXPECT_EQ(result.found, c.found);
    EXPECT_EQ(result.foundText, c.foundText);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MatchExplanationTest,
    ::testing::Values(
        explain("Matches", {}, std::nullopt),
        explain("Vendor", {{property::kVendorID, "045E"}}, MatchTest::Vendor, 0x045E, VirtualHeadset::kVendorId),
        explain("VendorByLow16Bits", {{property::kVendorID, "12E5C"}}, std::nullopt),
        explain("Product", {{property::kProductID, "0713"}}, MatchTest::Product, 0x0713,
                VirtualHeadset::kProductId),
        explain("ProductString", {{property::kProductName, "TAMO Prime"}}, MatchTest::ProductString, 0, 0,
                "Tamo Mk2"),
        explain("UsagePageBeyond16Bits", {{property::kUsagePage, "1FF00"}}, MatchTest::UsagePage, 0x1FF00,
                VirtualHeadset::kUsagePage),
        explain("Usage", {{property::kUsage, "0002"}}, MatchTest::Usage, 2, VirtualHeadset::kUsage),
        explain("VendorBeforeProductString", {{property::kVendorID, "1"}, {property::kProductName, "x"}},
                MatchTest::Vendor, 1, VirtualHeadset::kVendorId),
        explain("AbsentTestsAreSkipped",
                {{property::kProductName, std::nullopt}, {property::kUsagePage, std::nullopt},
                 {property::kUsage, std::nullopt}},
                std::nullopt)),
    [](const auto& entry) { return std::string(entry.param.name); });

TEST_F(OpenedHeadsetTest, UnreadableCapabilitiesAreTheFailedTest) {
    Faults::failCall("HidD_GetPreparsedData", 1, ERROR_GEN_FAILURE);
    EXPECT_EQ(matchEntry(hid, device.get(), attributes, headsetEntry()).failed, MatchTest::Capabilities);
}

}  // namespace
}  // namespace tamo::test
