// The see-through switch in hmd_config.ini.
#include "config/hmd_config.h"
#include "config_files.h"
#include "platform/line_redirect.h"

#include <optional>
#include <string>
#include <vector>

namespace tamo::test {
namespace {

using Lines = std::vector<std::string>;
using SeeThroughTest = HmdConfigTest;

struct SwitchCase {
    std::optional<std::string> file;  // nothing: no hmd_config.ini
    bool enabled;
    Lines lines;
};

TEST_F(SeeThroughTest, AnyNonzeroNumberAllows) {
    const Lines noKey = {"Cannot find the key:ENABLE_SEE_THROUGH"};
    const Lines blankLine = {"strtok_r() is failed!!", "getKeyValueFromBuffer() is failed!!"};
    const std::vector<SwitchCase> cases = {
        {"ENABLE_SEE_THROUGH=1\n", true, {}},
        {"ENABLE_SEE_THROUGH=2\n", true, {}},
        {"ENABLE_SEE_THROUGH=-1\n", true, {}},
        {"ENABLE_SEE_THROUGH= 1\r\n", true, {}},
        {"ENABLE_SEE_THROUGH=1 (on)", true, {}},
        {"ENABLE_SEE_THROUGH=0\n", false, {}},
        {"ENABLE_SEE_THROUGH=00\n", false, {}},
        {"ENABLE_SEE_THROUGH=true\n", false, {}},
        {"ENABLE_SEE_THROUGH=yes\n", false, {}},
        {"ENABLE_SEE_THROUGH=on\n", false, {}},
        {"ENABLE_SEE_THROUGH=0x1\n", false, {}},
        {"ENABLE_SEE_THROUGH=1\nENABLE_SEE_THROUGH=0\n", false, {}},
        {"ENABLE_SEE_THROUGH=0\nENABLE_SEE_THROUGH=1\n", true, {}},
        {"NUM_OF_CONFIG=3\n", false, noKey},
        {"enable_see_through=1\n", false, noKey},
        {"ENABLE_SEE_THROUGH =1\n", false, noKey},
        {"", false, noKey},
        {std::nullopt, false, {}},
        {"ENABLE_SEE_THROUGH=1\n\x1A\r\n", true, {}},
        {"ENABLE_SEE_THROUGH=1\x1A\nENABLE_SEE_THROUGH=0\n", true, {}},
        {"ENABLE_SEE_THROUGH=1\n\n", false, blankLine},
        {"\nENABLE_SEE_THROUGH=1\n", false, blankLine},
        {"NUM_OF_CONFIG=0\n\nENABLE_SEE_THROUGH=1\n", false, blankLine},
    };
    for (const SwitchCase& c : cases) {
        const std::string what = c.file ? *c.file : "(no file)";
        if (c.file)
            writeConfig(*c.file);
        else
            removeConfig();
        LineRedirect out;
        bool enabled = isSeeThroughEnabled();
        EXPECT_EQ(out.lines(), c.lines) << what;
        EXPECT_EQ(enabled, c.enabled) << what;
    }
}

TEST_F(SeeThroughTest, AnEditTakesEffectAtTheNextCall) {
    writeConfig("ENABLE_SEE_THROUGH=1\n");
    EXPECT_TRUE(isSeeThroughEnabled());
    writeConfig("ENABLE_SEE_THROUGH=0\n");
    EXPECT_FALSE(isSeeThroughEnabled());
    writeConfig("ENABLE_SEE_THROUGH=2\n");
    EXPECT_TRUE(isSeeThroughEnabled());
    removeConfig();
    EXPECT_FALSE(isSeeThroughEnabled());
}

}  // namespace
}  // namespace tamo::test
