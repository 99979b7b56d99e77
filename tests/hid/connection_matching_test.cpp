// Which interface a device table selects, and the name it gets.
#include "hid/hid_device_connection.h"
#include "hid_test_support.h"
#include "platform_test.h"
#include "platform/line_redirect.h"

#include <optional>
#include <string>
#include <vector>

namespace tamo::test {
namespace {

using emulated::CallLog;
using emulated::Faults;
using emulated::HidBus;
using emulated::HidInterface;
using emulated::VirtualHeadset;

// --- One entry against one interface --------------------------------------

struct MatchCase {
    const char* name;
    // Changes to the built-in-like entry: a value, or nothing to drop the key.
    std::vector<std::pair<const char*, std::optional<std::string>>> entryChanges;
    // The interface: the headset's identity unless changed.
    USHORT vendorId = VirtualHeadset::kVendorId;
    USHORT productId = VirtualHeadset::kProductId;
    std::wstring productString = L"Tamo Mk2";
    USAGE usagePage = VirtualHeadset::kUsagePage;
    USAGE usage = VirtualHeadset::kUsage;
    bool matches = true;
};

void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.name; }

MatchCase matchCase(const char* name, std::vector<std::pair<const char*, std::optional<std::string>>> changes,
                    bool matches) {
    MatchCase c;
    c.name = name;
    c.entryChanges = std::move(changes);
    c.matches = matches;
    return c;
}

MatchCase deviceCase(const char* name, std::vector<std::pair<const char*, std::optional<std::string>>> changes,
                     bool matches, USHORT vendorId, std::wstring productString = L"Tamo Mk2",
                     USAGE usagePage = VirtualHeadset::kUsagePage) {
    MatchCase c = matchCase(name, std::move(changes), matches);
    c.vendorId = vendorId;
    c.productString = std::move(productString);
    c.usagePage = usagePage;
    return c;
}

class EntryMatchTest : public PlatformTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(EntryMatchTest, SelectsTheInterfaceOrNot) {
    const MatchCase& c = GetParam();
    DeviceConfig entry = headsetEntryWith(c.entryChanges);
    auto headset = std::make_shared<VirtualHeadset>();
    HidInterface description = VirtualHeadset::describe(headset, c.productString);
    description.vendorId = c.vendorId;
    description.productId = c.productId;
    description.usagePage = c.usagePage;
    description.usage = c.usage;
    HidBus::plug(description);

    bool opened = false;
    bool holdsDevice = false;
    std::string name;
    std::size_t handlesAfterOpen = 0;
    std::vector<std::string> printed;
    {
        LineRedirect out;
        HidDeviceConnection connection({entry});
        opened = connection.open();
        holdsDevice = connection.deviceHandle() != INVALID_HANDLE_VALUE;
        name = connection.deviceName();
        handlesAfterOpen = headset->openHandles();
        printed = out.lines();
    }
    EXPECT_EQ(opened, c.matches);
    EXPECT_EQ(holdsDevice, c.matches);
    EXPECT_EQ(name, c.matches ? "HMD#0" : "No Device");
    EXPECT_EQ(handlesAfterOpen, c.matches ? 1u : 0u) << "a handle that does not match is closed at once";
    EXPECT_TRUE(printed.empty());
    EXPECT_EQ(headset->opens(), 1u);
    EXPECT_EQ(headset->closes(), 1u);
}

const char* const kVendor = property::kVendorID;
const char* const kProduct = property::kProductID;
const char* const kName = property::kProductName;
const char* const kPage = property::kUsagePage;
const char* const kUsage = property::kUsage;

INSTANTIATE_TEST_SUITE_P(
    Table, EntryMatchTest,
    ::testing::Values(
        matchCase("BuiltInEntry", {}, true), matchCase("VendorLowerCase", {{kVendor, "2e5c"}}, true),
        matchCase("VendorWithPrefix", {{kVendor, "0x2E5C"}}, true),
        matchCase("VendorWithUpperPrefix", {{kVendor, "0X2e5c"}}, true),
        matchCase("VendorExtraHighDigits", {{kVendor, "12E5C"}}, true),
        matchCase("VendorHighDigitsUpToInt32", {{kVendor, "7FFF2E5C"}}, true),
        matchCase("VendorClampedBeyondInt32", {{kVendor, "FFFF2E5C"}}, false),
        matchCase("VendorNegativeWithSameLowBits", {{kVendor, "-D1A4"}}, true),
        matchCase("VendorLeadingWhiteSpaceAndTrailingText", {{kVendor, " \t2E5C;vendor"}}, true),
        matchCase("VendorDifferent", {{kVendor, "2E5D"}}, false),
        matchCase("EmptyVendorAgainstNonZeroVendor", {{kVendor, ""}}, false),
        deviceCase("EmptyVendorAgainstVendorZero", {{kVendor, ""}}, true, 0x0000),
        matchCase("ProductDifferent", {{kProduct, "0713"}}, false),
        matchCase("ProductWithPrefixLowerCase", {{kProduct, "0x712"}}, true),
        matchCase("NoProductName", {{kName, std::nullopt}}, true),
        matchCase("ProductNameOtherCase", {{kName, "tamo mk2"}}, false),
        matchCase("ProductNameTrailingBlank", {{kName, "Tamo Mk2 "}}, false),
        matchCase("ProductNamePrefixOnly", {{kName, "Tamo Mk"}}, false),
        matchCase("EmptyProductName", {{kName, ""}}, false),
        deviceCase("EmptyProductNameAgainstEmptyString", {{kName, ""}}, true, VirtualHeadset::kVendorId, L""),
        deviceCase("ProductStringNarrowedToLowBytes", {{kName, "Tamo Mk2"}}, true, VirtualHeadset::kVendorId,
                   L"\u0154amo\u0120\u014D\u016B2"),
        matchCase("NoUsagePage", {{kPage, std::nullopt}}, true),
        matchCase("UsagePageLowerWithPrefix", {{kPage, "0xff00"}}, true),
        matchCase("UsagePageBeyondSixteenBits", {{kPage, "1FF00"}}, false),
        matchCase("UsagePageNegative", {{kPage, "-100"}}, false),
        deviceCase("UsagePageDifferent", {}, false, VirtualHeadset::kVendorId, L"Tamo Mk2", 0xFF01),
        matchCase("NoUsage", {{kUsage, std::nullopt}}, true), matchCase("UsageShort", {{kUsage, "1"}}, true),
        matchCase("UsageDifferent", {{kUsage, "2"}}, false),
        matchCase("UsageBeyondSixteenBits", {{kUsage, "10001"}}, false),
        matchCase("NoOptionalKeys", {{kName, std::nullopt}, {kPage, std::nullopt}, {kUsage, std::nullopt}}, true)),
    [](const auto& entry) { return std::string(entry.param.name); });

// --- Tables and several interfaces ------------------------------------------

using ConnectionMatchTest = PlatformTest;

TEST_F(ConnectionMatchTest, EntriesDifferingOnlyInProductNameTellDevicesApart) {
    plugHeadset(L"TAMO Prime");
    HidDeviceConnection connection(
        {headsetEntry("Tamo Mk2", "Mk2"), headsetEntry("TAMO_Zenith", "Zenith"), headsetEntry("TAMO Prime", "Prime")});
    ASSERT_TRUE(connection.open());
    EXPECT_EQ(connection.deviceName(), "Prime");
    EXPECT_EQ(CallLog::count("HidD_GetProductString"), 3u) << "read again for every entry that gets that far";
    EXPECT_EQ(CallLog::count("HidD_GetPreparsedData"), 1u) << "capabilities only for the entry whose name matched";
}

TEST_F(ConnectionMatchTest, FirstOfTwoMatchingInterfacesIsKeptAndTheSecondNeverOpened) {
    auto first = plugHeadset(L"Tamo Mk2", 1);
    auto second = plugHeadset(L"Tamo Mk2", 2);
    HidDeviceConnection connection({headsetEntry()});
    ASSERT_TRUE(connection.open());
    EXPECT_EQ(first->openHandles(), 1u);
    EXPECT_EQ(second->opens(), 0u);
    EXPECT_EQ(HidBus::openRequests(), std::vector<std::wstring>{headsetPath(1)});
}

TEST_F(ConnectionMatchTest, SecondEntryNamesTheDevice) {
    HidBus::plug(otherInterface(0x046D, 0xC52B));
    plugHeadset(L"TAMO_Zenith");
    HidDeviceConnection connection({idsOnly(0x046D, 0xC52C, "Mouse"), headsetEntry("TAMO_Zenith", "HMD#1")});
    ASSERT_TRUE(connection.open());
    EXPECT_EQ(connection.deviceName(), "HMD#1");
}

TEST_F(ConnectionMatchTest, UnopenableInterfaceIsSkippedSilently) {
    emulated::HidInterface locked = VirtualHeadset::describe(std::make_shared<VirtualHeadset>(), L"Tamo Mk2", 1);
    locked.openable = false;
    HidBus::plug(locked);
    auto reachable = plugHeadset(L"Tamo Mk2", 2);
    HidDeviceConnection connection({headsetEntry()});

    LineRedirect out;
    ASSERT_TRUE(connection.open());
    EXPECT_TRUE(out.lines().empty());
    EXPECT_EQ(reachable->openHandles(), 1u);
    EXPECT_EQ(HidBus::openRequests(), (std::vector<std::wstring>{headsetPath(1), headsetPath(2)}));
}

TEST_F(ConnectionMatchTest, InterfaceWhoseAttributesFailIsReportedAndSkipped) {
    SkippedAndKept headsets;
    OpenedPastFault open("HidD_GetAttributes", 1, ERROR_GEN_FAILURE);
    ASSERT_TRUE(open.opened);
    EXPECT_EQ(open.lines, std::vector<std::string>{"Error: HidD_GetAttributes failed"});
    EXPECT_EQ(headsets.skipped->opens(), 1u);
    EXPECT_EQ(headsets.skipped->closes(), 1u);
    EXPECT_EQ(headsets.kept->openHandles(), 1u);
}

TEST_F(ConnectionMatchTest, CapabilitiesFailingForOneEntryLeaveTheNextEntryItsChance) {
    plugHeadset();
    HidDeviceConnection connection({headsetEntry("Tamo Mk2", "first"), headsetEntry("Tamo Mk2", "second")});
    Faults::failCall("HidD_GetPreparsedData", 1, ERROR_GEN_FAILURE);
    ASSERT_TRUE(connection.open());
    EXPECT_EQ(connection.deviceName(), "second");
    EXPECT_EQ(CallLog::count("HidD_GetPreparsedData"), 2u);
    EXPECT_EQ(CallLog::count("HidD_FreePreparsedData"), 1u);
}

TEST_F(ConnectionMatchTest, CapsStatusFailureStillFreesThePreparsedData) {
    plugHeadset();
    HidDeviceConnection connection({headsetEntry("Tamo Mk2", "first"), headsetEntry("Tamo Mk2", "second")});
    Faults::failCall("HidP_GetCaps", 1, ERROR_GEN_FAILURE);
    ASSERT_TRUE(connection.open());
    EXPECT_EQ(connection.deviceName(), "second");
    EXPECT_EQ(CallLog::count("HidD_FreePreparsedData"), 2u);
    EXPECT_EQ(emulated::System::outstandingAllocations(), 0u);
}

TEST_F(ConnectionMatchTest, CapabilitiesFailingForEveryEntryMatchesNothing) {
    plugHeadset();
    HidDeviceConnection connection({idsOnly(0x2E5C, 0x0712)});
    Faults::failCall("HidD_GetPreparsedData", 1, ERROR_GEN_FAILURE);
    EXPECT_FALSE(connection.open()) << "even an entry without usage tests needs readable capabilities";
}

TEST_F(ConnectionMatchTest, ProductStringIsReadAgainForTheNextEntry) {
    plugHeadset();
    HidDeviceConnection connection({headsetEntry("Tamo Mk2", "first"), headsetEntry("Tamo Mk2", "second")});
    Faults::failCall("HidD_GetProductString", 1, ERROR_GEN_FAILURE);
    ASSERT_TRUE(connection.open());
    EXPECT_EQ(connection.deviceName(), "second");
}

TEST_F(ConnectionMatchTest, UnreadableProductStringCountsAsEmpty) {
    plugHeadset();
    HidDeviceConnection connection({headsetEntry("Tamo Mk2", "named"), headsetEntry("", "unnamed")});
    // Armed twice: the next two reads fail.
    Faults::failCall("HidD_GetProductString", 1, ERROR_GEN_FAILURE);
    Faults::failCall("HidD_GetProductString", 1, ERROR_GEN_FAILURE);
    LineRedirect out;
    ASSERT_TRUE(connection.open());
    EXPECT_EQ(connection.deviceName(), "unnamed");
    EXPECT_TRUE(out.lines().empty());
}

TEST_F(ConnectionMatchTest, ProductStringIsAtMostTheBufferLong) {
    const std::string longName(128, 'N');
    plugHeadset(std::wstring(140, L'N'));
    HidDeviceConnection shortName({headsetEntry(std::string(127, 'N'))});
    EXPECT_FALSE(shortName.open());
    HidDeviceConnection exact({headsetEntry(longName)});
    EXPECT_TRUE(exact.open()) << "the string is the buffer's 128 units when no terminator fits";
}

}  // namespace
}  // namespace tamo::test
