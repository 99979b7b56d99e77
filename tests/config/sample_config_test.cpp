// The sample hmd_config.ini shipped with the documentation, placed beside the
// host executable as a user would place it: the library reads it as written.
#include "config/hmd_config.h"
#include "config/hmd_config_reader.h"
#include "config_files.h"
#include "stdout_capture.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef TAMO_SAMPLE_CONFIG
#error "TAMO_SAMPLE_CONFIG must name docs/hmd_config.ini"
#endif

namespace tamo::test {
namespace {

using Lines = std::vector<std::string>;

const std::filesystem::path kSample = TAMO_SAMPLE_CONFIG;

std::string sampleText() {
    std::ifstream in(kSample, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

DeviceConfig entry(const std::string& productName) {
    return {0x2E5C, 0x0712, 0xFF00, 0x0001, productName, 0, "HMD#0"};
}

// The sample's entries, as the documentation lists them.
const DeviceConfigList kSampleTable = {entry("Tamo Mk2"), entry("TAMO_Zenith"), entry("TAMO Prime")};

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class SampleConfigTest : public HmdConfigTest {
protected:
    void SetUp() override {
        HmdConfigTest::SetUp();
        ASSERT_TRUE(std::filesystem::is_regular_file(kSample)) << kSample;
    }
    void placeSample() {
        std::filesystem::copy_file(kSample, configDirectory() / "hmd_config.ini",
                                   std::filesystem::copy_options::overwrite_existing);
    }
};

TEST_F(SampleConfigTest, DeviceTableAndSeeThroughComeFromTheSample) {
    placeSample();
    StdoutCapture out;
    DeviceConfigList table;
    loadDeviceConfigs(table);
    bool seeThrough = isSeeThroughEnabled();
    // A failed load, a missing count or an incomplete entry would each print.
    EXPECT_EQ(out.lines(), Lines{});
    EXPECT_EQ(table.size(), 3u);
    EXPECT_EQ(table, kSampleTable);
    EXPECT_TRUE(seeThrough);

    DeviceConfigList builtIn;
    addDefaultDeviceConfigs(builtIn);
    EXPECT_EQ(table, builtIn) << "the sample reproduces the built-in table";
}

// No line is dropped or overridden: as many pairs as lines, one line end
// after the last and no empty line.
TEST_F(SampleConfigTest, EveryLineIsAPair) {
    placeSample();
    const std::string text = sampleText();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find("\n\n"), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_NE(text.rfind("\xEF\xBB\xBF", 0), 0u) << "no byte-order mark";

    HMDConfigReader reader;
    StdoutCapture out;
    EXPECT_EQ(reader.loadConfigFile(), 0);
    EXPECT_EQ(out.lines(), Lines{});
    EXPECT_EQ(reader.keyValues.size(), static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
    EXPECT_EQ(reader.keyValues.at("NUM_OF_CONFIG"), "3");
    EXPECT_EQ(reader.keyValues.at("ENABLE_SEE_THROUGH"), "1");
}

// The sample's table equals the built-in one, so only a change shows that
// the entries are the file's: each edit of it is followed.
TEST_F(SampleConfigTest, AnEditedSampleIsFollowed) {
    const std::string text = sampleText();

    writeConfig(replaced(text, "PRODUCTNAME_003=TAMO Prime\n", "PRODUCTNAME_003=TAMO Prime X\n"));
    DeviceConfigList renamed;
    loadDeviceConfigs(renamed);
    EXPECT_EQ(renamed, (DeviceConfigList{entry("Tamo Mk2"), entry("TAMO_Zenith"), entry("TAMO Prime X")}));

    writeConfig(replaced(text, "NUM_OF_CONFIG=3\n", "NUM_OF_CONFIG=2\n"));
    DeviceConfigList fewer;
    loadDeviceConfigs(fewer);
    EXPECT_EQ(fewer, (DeviceConfigList{entry("Tamo Mk2"), entry("TAMO_Zenith")}));

    writeConfig(replaced(text, "ENABLE_SEE_THROUGH=1\n", "ENABLE_SEE_THROUGH=0\n"));
    EXPECT_FALSE(isSeeThroughEnabled());
}

}  // namespace
}  // namespace tamo::test
