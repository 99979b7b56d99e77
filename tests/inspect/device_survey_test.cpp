// The device survey: every interface the system enumerates, the first test
// each table entry fails on it, and the one the library's own search keeps.
#include <gtest/gtest.h>

#include "inspect/device_survey.h"
#include "platform/emulated/hid_bus.h"
#include "platform/emulated/host_directory.h"
#include "platform/emulated/system.h"
#include "platform/emulated/virtual_headset.h"
#include "platform_test.h"

#include <optional>
#include <vector>

namespace tamo::test {
namespace {

class DeviceSurveyTest : public PlatformTest {
protected:
    // No hmd_config.ini beside the executable: the built-in table.
    inspect::DeviceSurvey surveyBuiltInTable() {
        const std::wstring& exe = host_.executablePath();
        return inspect::surveyDevices(exe.substr(0, exe.rfind(L'\\')) + L"\\hmd_config.ini", "hmd_config.ini");
    }

    void SetUp() override {
        PlatformTest::SetUp();
        host_.enterFreshWorld();
    }

    emulated::HostDirectory host_;
};

emulated::HidInterface headset(std::wstring product) {
    return emulated::VirtualHeadset::describe(std::make_shared<emulated::VirtualHeadset>(), std::move(product));
}

emulated::HidInterface otherDevice(USHORT vendorId, USHORT productId) {
    emulated::HidInterface device = headset(L"Tamo Mk2");
    device.vendorId = vendorId;
    device.productId = productId;
    device.path = emulated::HidBus::devicePath(vendorId, productId);
    return device;
}

struct InterfaceCase {
    const char* what;
    emulated::HidInterface plugged;
    // The first failed test of each of the three built-in entries; none
    // where the entry matches.
    std::vector<std::optional<MatchTest>> failed;
    std::optional<int> matchedEntry;
};

TEST_F(DeviceSurveyTest, EachEntryFailsItsFirstTest) {
    auto usage = [](USAGE page, USAGE value) {
        emulated::HidInterface device = headset(L"TAMO Prime");
        device.usagePage = page;
        device.usage = value;
        return device;
    };
    const std::optional<MatchTest> matches;
    const InterfaceCase cases[] = {
        {"the first headset", headset(L"Tamo Mk2"), {matches, MatchTest::ProductString, MatchTest::ProductString}, 1},
        {"the third headset", headset(L"TAMO Prime"),
         {MatchTest::ProductString, MatchTest::ProductString, matches}, 3},
        {"two blanks in the name", headset(L"TAMO  Prime"),
         {MatchTest::ProductString, MatchTest::ProductString, MatchTest::ProductString}, std::nullopt},
        {"a keyboard", otherDevice(0x046D, 0xC31C), {MatchTest::Vendor, MatchTest::Vendor, MatchTest::Vendor},
         std::nullopt},
        {"the vendor's other product", otherDevice(0x2E5C, 0x0713),
         {MatchTest::Product, MatchTest::Product, MatchTest::Product}, std::nullopt},
        {"another usage page", usage(0xFF01, 0x0001),
         {MatchTest::ProductString, MatchTest::ProductString, MatchTest::UsagePage}, std::nullopt},
        {"another usage", usage(0xFF00, 0x0002),
         {MatchTest::ProductString, MatchTest::ProductString, MatchTest::Usage}, std::nullopt},
    };
    for (const InterfaceCase& c : cases) {
        host_.enterFreshWorld();
        emulated::HidBus::plug(c.plugged);
        inspect::DeviceSurvey survey = surveyBuiltInTable();
        ASSERT_EQ(survey.interfaces.size(), 1u) << c.what;
        const inspect::InterfaceReport& report = survey.interfaces[0];
        std::vector<std::optional<MatchTest>> failed;
        for (const inspect::EntryOutcome& outcome : report.outcomes) failed.push_back(outcome.failed);
        EXPECT_EQ(failed, c.failed) << c.what;
        EXPECT_EQ(report.matchedEntry, c.matchedEntry) << c.what;
        EXPECT_EQ(report.libraryOpensThis, c.matchedEntry.has_value()) << c.what;
        EXPECT_EQ(survey.libraryFound, c.matchedEntry.has_value()) << c.what;
    }
}

TEST_F(DeviceSurveyTest, AnInterfaceTheLibraryCannotOpenIsStillDescribed) {
    emulated::HidInterface locked = headset(L"Tamo Mk2");
    locked.openable = false;
    emulated::HidBus::plug(locked);
    inspect::DeviceSurvey survey = surveyBuiltInTable();
    ASSERT_EQ(survey.interfaces.size(), 1u);
    const inspect::InterfaceReport& report = survey.interfaces[0];
    EXPECT_FALSE(report.openedReadWrite);
    EXPECT_NE(report.openError, 0u);
    EXPECT_EQ(report.matchedEntry, 1) << "queried without access, it still matches";
    EXPECT_FALSE(report.libraryOpensThis);
    EXPECT_FALSE(survey.libraryFound);
}

// An interface whose path cannot be read keeps its place in the survey, so
// that the library's own choice (made in a walk of its own, where the path
// could be read) is shown at the position the library used.
TEST_F(DeviceSurveyTest, AnInterfaceWithoutAPathKeepsItsPlace) {
    for (unsigned instance : {1u, 2u}) {
        emulated::HidBus::plug(emulated::VirtualHeadset::describe(std::make_shared<emulated::VirtualHeadset>(),
                                                                  L"Tamo Mk2", instance));
    }
    emulated::Faults::failCall("SetupDiGetDeviceInterfaceDetailW", 1, ERROR_GEN_FAILURE);
    inspect::DeviceSurvey survey = surveyBuiltInTable();
    ASSERT_EQ(survey.interfaces.size(), 2u);
    EXPECT_EQ(survey.interfaces[0].path, L"");
    EXPECT_TRUE(survey.interfaces[0].libraryOpensThis);
    EXPECT_EQ(survey.interfaces[1].matchedEntry, 1);
    EXPECT_FALSE(survey.interfaces[1].libraryOpensThis);
    EXPECT_TRUE(survey.libraryFound);
    EXPECT_TRUE(survey.openLines.empty());
}

}  // namespace
}  // namespace tamo::test
