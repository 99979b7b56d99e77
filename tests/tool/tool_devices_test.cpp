// tamo-sound devices and check-config as processes.
#include "tool_fixture.h"

namespace tamo::test {
namespace {

constexpr const char* kNearMissProfile = R"(# A keyboard first, then a headset whose product string has two blanks.
[interface]
product = USB Keyboard
vendor_id = 046D
product_id = C31C
usage_page = 0001
usage = 0006
openable = no

[headset]
product = TAMO  Prime
)";

TEST_F(ToolTest, DevicesNamesTheFailingTestOfANearMiss) {
    std::filesystem::path profile = scratch().write("near-miss.profile", kNearMissProfile);
    ToolRun run = tool({"--virtual", profile.string(), "devices"});
    EXPECT_EQ(run.exitStatus, 3) << run.out;
    std::vector<std::string> lines = linesOf(run.out);
    EXPECT_TRUE(contains(lines, "[devices] 2 HID interfaces, in the order the system enumerates them")) << run.out;
    EXPECT_TRUE(contains(lines, "[devices]     cannot be opened for reading and writing, so the library skips it: "
                                "Windows error 5 (Access is denied.); advice: Windows refused access: another "
                                "program may hold the headset exclusively, or this account may not open it"));
    EXPECT_TRUE(contains(lines, "[devices]     no entry: vendor ID 046D is not in the device table"));
    EXPECT_TRUE(contains(lines, "[devices]     vendor 2E5C, product 0712, product string 'TAMO  Prime', usage page "
                                "FF00, usage 0001, report lengths in 64 / out 64 / feature 64"));
    for (const char* entry : {"'Tamo Mk2'", "'TAMO_Zenith'", "'TAMO Prime'"}) {
        EXPECT_NE(lineIndex(lines, std::string(": near miss: product string differs: 'TAMO  Prime' (the entry has ") +
                                       entry + ")"),
                  -1)
            << entry << "\n"
            << run.out;
    }
    EXPECT_TRUE(contains(lines, "[devices] the library's own search: no headset found"));
}

// Where the table came from, beside the library's or named with --config,
// and what the library makes of that file.
TEST_F(ToolTest, DevicesSaysWhereItsTableComesFrom) {
    ToolRun beside = tool({"devices"});
    EXPECT_NE(beside.out.find("[devices] device table: 3 entries, from "), std::string::npos) << beside.out;
    EXPECT_NE(beside.out.find("hmd_config.ini: there is no file: the library uses its built-in table"),
              std::string::npos)
        << beside.out;
    std::filesystem::path file = scratch().write("other.ini", "NUM_OF_CONFIG=0\n");
    ToolRun named = tool({"--config", file.string(), "devices"});
    EXPECT_NE(named.out.find("[devices] device table: 3 entries, from " + file.string() + ": "), std::string::npos)
        << named.out;
}

// The library says -1997 either way; devices tells a headset that another
// program holds from one that is not there.
TEST_F(ToolTest, DevicesTellsAMatchingHeadsetThatCannotBeOpenedFromNone) {
    std::filesystem::path profile = scratch().write("held.profile", "[headset]\nopenable = no\n");
    ToolRun run = tool({"--virtual", profile.string(), "devices"});
    EXPECT_EQ(run.exitStatus, 16) << run.out;
    EXPECT_NE(run.out.find("exit status 16: a headset matches the device table but cannot be opened"),
              std::string::npos)
        << run.out;
}

TEST_F(ToolTest, DevicesInJsonListsEveryEntrysOutcome) {
    std::filesystem::path profile = scratch().write("near-miss.profile", kNearMissProfile);
    ToolRun run = tool({"--json", "--virtual", profile.string(), "devices"});
    EXPECT_EQ(run.exitStatus, 3);
    std::vector<std::string> facts = flatten(run);
    EXPECT_TRUE(contains(facts, "interface USB Keyboard null false")) << run.out;
    EXPECT_TRUE(contains(facts, "interface TAMO  Prime null false"));
    EXPECT_TRUE(contains(facts, "entry 3 false product_string product string differs: 'TAMO  Prime' (the entry has "
                                "'TAMO Prime')"));
    EXPECT_TRUE(contains(facts, "entry 1 false vendor vendor ID differs: 046D (the entry has '2E5C')"));
}

TEST_F(ToolTest, DevicesShowsWhichInterfaceTheLibraryOpens) {
    ToolRun run = tool({"--virtual", "two-headsets", "devices"});
    EXPECT_EQ(run.exitStatus, 0) << run.out;
    std::vector<std::string> lines = linesOf(run.out);
    long first = lineIndex(lines, "matches entry 1: the library opens this interface");
    long second = lineIndex(lines, "matches entry 3, but the library opens an earlier interface");
    EXPECT_NE(first, -1) << run.out;
    EXPECT_GT(second, first);
    EXPECT_TRUE(contains(lines, "[devices] the library's own search: found 'HMD#0'"));
}

TEST_F(ToolTest, DevicesUsesTheDeviceTableFromTheConfiguration) {
    writeConfig("NUM_OF_CONFIG=1\nVENDORID_001=2E5C\nPRODUCTID_001=0712\nUSAGE_001=0001\nUSAGEPAGE_001=FF00\n"
                "PRODUCTNAME_001=TAMO  Prime\nREPORTID_001=0\nDEVICENAME_001=Prime\n");
    std::filesystem::path profile = scratch().write("near-miss.profile", kNearMissProfile);
    ToolRun run = tool({"--virtual", profile.string(), "devices", "init"});
    EXPECT_EQ(run.exitStatus, 0) << run.out;
    EXPECT_TRUE(contains(linesOf(run.out), "[devices] the library's own search: found 'Prime'"));
}

TEST_F(ToolTest, CheckConfigExplainsTheFileBesideTheExecutable) {
    writeConfig("NUM_OF_CONFIG=2\nVENDORID_001=2E5C\nPRODUCTID_001=0712\nUSAGE_001=0001\nUSAGEPAGE_001=FF00\n"
                "PRODUCTNAME_001=Tamo Mk2\nREPORTID_001=0\nDEVICENAME_001=HMD#0\nvendorid_002=2E5C\n"
                "ENABLE_SEE_THROUGH=1\n");
    ToolRun run = tool({"--json", "check-config"});
    EXPECT_EQ(run.exitStatus, 13);
    std::vector<std::string> facts = flatten(run);
    EXPECT_TRUE(contains(facts, "config read partly_ignored file 1 true")) << run.out;
    EXPECT_TRUE(contains(facts, "finding 1 entry-missing-key ignored"));
    EXPECT_TRUE(contains(facts, "finding 9 key-case ignored"));
    EXPECT_TRUE(contains(facts, "result check-config true null null 1 13"));
}

TEST_F(ToolTest, CheckConfigExitStatusSaysWhetherTheLibraryDoesWhatTheFileSays) {
    std::filesystem::path good = scratch().write("good.ini", "ENABLE_SEE_THROUGH=1\nNUM_OF_CONFIG=0\n");
    std::filesystem::path bad = scratch().write("bad.ini", "ENABLE_SEE_THROUGH=1\n\n");
    EXPECT_EQ(tool({"check-config", good.string()}).exitStatus, 0);
    ToolRun run = tool({"check-config", bad.string()});
    EXPECT_EQ(run.exitStatus, 12);
    EXPECT_TRUE(contains(linesOf(run.out), "[check-config] line 2: ignored [trailing-empty-line] the file ends with "
                                           "an empty line (two line ends at its end): the library stops reading "
                                           "here and ignores the whole file (built-in device table, see-through "
                                           "refused)"))
        << run.out;
    // No file beside the library is the normal case (the built-in table); a
    // file named that is not there is a typo.
    EXPECT_EQ(tool({"check-config"}).exitStatus, 0);
    ToolRun absent = tool({"check-config", (scratch().path() / "absent.ini").string()});
    EXPECT_EQ(absent.exitStatus, 2);
    EXPECT_NE(absent.out.find("there is no file "), std::string::npos) << absent.out;
}

}  // namespace
}  // namespace tamo::test
