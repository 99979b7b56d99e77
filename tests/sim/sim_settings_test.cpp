// How the simulator reads a host's choice: the environment over
// tamo_sim.ini, paths from the executable's directory, and what it says of
// lines it cannot use.
#include "sim_settings.h"

#include <gtest/gtest.h>

#include <map>

namespace tamo::sim {
namespace {

const std::filesystem::path kExecutableDirectory = "/hosts/app";

struct Case {
    const char* name;
    std::map<std::string, std::string> environment;
    std::optional<std::string> file;
    std::string profile;
    std::filesystem::path stateFile;
    std::optional<std::filesystem::path> logFile;
    bool realTime;
};

SimSettings settingsOf(const Case& c) {
    SettingsSources sources;
    sources.environment = [&c](const std::string& name) -> std::optional<std::string> {
        auto found = c.environment.find(name);
        if (found == c.environment.end()) return std::nullopt;
        return found->second;
    };
    sources.settingsFile = c.file;
    sources.executableDirectory = kExecutableDirectory;
    return readSimSettings(sources);
}

const Case kCases[] = {
    {"NothingGivenIsTheDefaultHeadsetAndStateBesideTheExecutable", {}, std::nullopt, "default",
     kExecutableDirectory / "tamo_sim.state", std::nullopt, false},
    {"TheFileChooses", {}, "profile = busy\nstate = keep/headset.state\nlog = /var/log/reports.txt\nreal_time = 1\n",
     "busy", kExecutableDirectory / "keep/headset.state", "/var/log/reports.txt", true},
    {"TheEnvironmentWinsOverTheFile",
     {{"TAMO_SIM_PROFILE", "silent"}, {"TAMO_SIM_STATE", "/tmp/s"}, {"TAMO_SIM_LOG", "/tmp/l"},
      {"TAMO_SIM_REAL_TIME", "0"}},
     "profile = busy\nstate = a\nlog = b\nreal_time = 1\n", "silent", "/tmp/s", "/tmp/l", false},
    {"AVariableSetEmptyStillWinsAndMeansTheDefault", {{"TAMO_SIM_PROFILE", ""}, {"TAMO_SIM_LOG", ""}},
     "profile = busy\nlog = b\n", "default", kExecutableDirectory / "tamo_sim.state", std::nullopt, false},
    {"WhatTheEnvironmentLeavesOpenTheFileSays", {{"TAMO_SIM_PROFILE", "none"}}, "profile = busy\nlog = b\n", "none",
     kExecutableDirectory / "tamo_sim.state", kExecutableDirectory / "b", false},
    {"CommentsBlanksAndTheLastOfTwoLines", {}, "# profile = silent\n; log = x\n\n  profile=busy  \r\nprofile = none\n",
     "none", kExecutableDirectory / "tamo_sim.state", std::nullopt, false},
    {"RealTimeOnlyForOne", {{"TAMO_SIM_REAL_TIME", "yes"}}, std::nullopt, "default",
     kExecutableDirectory / "tamo_sim.state", std::nullopt, false},
};

class SimSettingsTest : public ::testing::TestWithParam<Case> {};

TEST_P(SimSettingsTest, ReadsAsDocumented) {
    const Case& c = GetParam();
    const SimSettings settings = settingsOf(c);
    EXPECT_EQ(settings.profile, c.profile);
    EXPECT_EQ(settings.stateFile, c.stateFile);
    EXPECT_EQ(settings.logFile, c.logFile);
    EXPECT_EQ(settings.realTime, c.realTime);
    EXPECT_TRUE(settings.warnings.empty());
}

INSTANTIATE_TEST_SUITE_P(Sources, SimSettingsTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& item) { return std::string(item.param.name); });

TEST(SimSettingsFileTest, LinesItCannotUseAreNamedAndTheRestStands) {
    Case c{"", {}, "profile = busy\nthis is no setting\nheadset = 2\n", "", {}, std::nullopt, false};
    const SimSettings settings = settingsOf(c);
    EXPECT_EQ(settings.profile, "busy");
    EXPECT_EQ(settings.warnings,
              (std::vector<std::string>{"tamo_sim.ini, line 2: not key = value, ignored",
                                        "tamo_sim.ini, line 3: unknown key headset, ignored (profile, state, log, "
                                        "real_time)"}));
}

}  // namespace
}  // namespace tamo::sim
