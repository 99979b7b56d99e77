// tamo_settings_sim.dll as a host loads it in place of tamo_settings.dll:
// for each profile, the results the header documents for a headset of that
// kind, the state kept between runs, the report log, its own version
// resource. Each load is a run of the simulator: it reads its settings at
// its first call.
#include <gtest/gtest.h>

#include "loaded_library.h"
#include "platform/win32.h"
#include "stdout_capture.h"
#include "tamo_settings.h"

#include <chrono>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace tamo::test {
namespace {


std::string fileText(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void writeFile(const std::wstring& path, const std::string& text) {
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file << text;
}

struct SimDll : LoadedLibrary {
    SimDll() : LoadedLibrary(L"tamo_settings_sim.dll") {}
};

// Each test: its own state file, no report log, no ini or hmd_config.ini.
class SimDllTest : public ::testing::Test {
protected:
    void SetUp() override {
        state_ = besideProgram(L"sim_test.state");
        DeleteFileW(state_.c_str());
        SetEnvironmentVariableW(L"TAMO_SIM_STATE", state_.c_str());
        SetEnvironmentVariableW(L"TAMO_SIM_LOG", nullptr);
        SetEnvironmentVariableW(L"TAMO_SIM_REAL_TIME", nullptr);
        SetEnvironmentVariableW(L"TAMO_SIM_PROFILE", nullptr);
        removeFiles();
    }
    void TearDown() override {
        removeFiles();
        DeleteFileW(state_.c_str());
        SetEnvironmentVariableW(L"TAMO_SIM_STATE", nullptr);
        SetEnvironmentVariableW(L"TAMO_SIM_PROFILE", nullptr);
    }
    static void removeFiles() {
        DeleteFileW(besideProgram(L"tamo_sim.ini").c_str());
        DeleteFileW(besideProgram(L"hmd_config.ini").c_str());
        DeleteFileW(besideProgram(L"sim_test.log").c_str());
    }
    static void useProfile(const wchar_t* profile) { SetEnvironmentVariableW(L"TAMO_SIM_PROFILE", profile); }

    std::wstring state_;
};

constexpr StatusCode kNotInitialised = SOUND_ERROR_NOT_INITIALIZED;

// What each export gives, in this order after init: set_audio_mode(2),
// set_hi_power_state(0), set_see_through_state(1) without the
// configuration that enables it, get_state, and the command again after
// destroy.
struct ProfileRow {
    const wchar_t* profile;
    StatusCode init;
    StatusCode audioMode;
    StatusCode hiPower;
    StatusCode seeThrough;
    StatusCode getState;
};

// The test's listed name is the same for both sizes: the profile, not the
// row's bytes.
void PrintTo(const ProfileRow& row, std::ostream* out) {
    for (const wchar_t* c = row.profile; *c; ++c) *out << static_cast<char>(*c);
}

const ProfileRow kProfiles[] = {
    {L"default", SOUND_OK, SOUND_OK, SOUND_OK, SOUND_ERROR_SEE_THROUGH_DISABLED, SOUND_OK},
    {L"none", SOUND_ERROR_DEVICE_NOT_FOUND, kNotInitialised, kNotInitialised, kNotInitialised, kNotInitialised},
    {L"old-firmware", SOUND_ERROR_FIRMWARE_UNSUPPORTED, kNotInitialised, kNotInitialised, kNotInitialised,
     kNotInitialised},
    {L"silent", SOUND_ERROR_TRANSFER_FAILED, kNotInitialised, kNotInitialised, kNotInitialised, kNotInitialised},
    {L"busy", SOUND_OK, SOUND_ERROR_LOCK_BUSY, SOUND_ERROR_LOCK_BUSY, SOUND_ERROR_SEE_THROUGH_DISABLED,
     SOUND_ERROR_LOCK_BUSY},
    {L"two-headsets", SOUND_OK, SOUND_OK, SOUND_OK, SOUND_ERROR_SEE_THROUGH_DISABLED, SOUND_OK},
    {L"refusing", SOUND_OK, SOUND_ERROR_TRANSFER_FAILED, SOUND_ERROR_TRANSFER_FAILED,
     SOUND_ERROR_SEE_THROUGH_DISABLED, SOUND_ERROR_TRANSFER_FAILED},
    {L"no-such-profile", SOUND_ERROR_DEVICE_NOT_FOUND, kNotInitialised, kNotInitialised, kNotInitialised,
     kNotInitialised},
};

class SimProfileTest : public SimDllTest, public ::testing::WithParamInterface<ProfileRow> {};

TEST_P(SimProfileTest, EachExportGivesTheDocumentedCode) {
    const ProfileRow& row = GetParam();
    useProfile(row.profile);
    SimDll dll;
    ASSERT_TRUE(dll.loaded()) << "tamo_settings_sim.dll beside the test program";
    StdoutCapture out;
    EXPECT_EQ(dll.init(), row.init);
    EXPECT_EQ(dll.audioMode(2), row.audioMode);
    EXPECT_EQ(dll.audioMode(7), row.init == SOUND_OK ? SOUND_ERROR_INVALID_ARGUMENT : kNotInitialised);
    EXPECT_EQ(dll.hiPower(0), row.hiPower);
    EXPECT_EQ(dll.seeThrough(1), row.seeThrough);
    SoundState state{0x5A, 9, 77};
    EXPECT_EQ(dll.state(&state), row.getState);
    if (row.getState == SOUND_OK) {
        EXPECT_EQ(state.reserved, 0x5A);
        EXPECT_EQ(state.hiPowerState, 0);
        EXPECT_EQ(state.audioMode, 2);
    }
    EXPECT_EQ(dll.state(nullptr), row.init == SOUND_OK ? SOUND_ERROR_INVALID_ARGUMENT : kNotInitialised);
    EXPECT_EQ(dll.destroy(), SOUND_OK);
    EXPECT_EQ(dll.audioMode(1), kNotInitialised);
    const std::vector<std::string> lines = out.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("tamo_settings simulator: ", 0), 0u) << lines[0];
}

INSTANTIATE_TEST_SUITE_P(Profiles, SimProfileTest, ::testing::ValuesIn(kProfiles),
                         [](const ::testing::TestParamInfo<ProfileRow>& item) {
                             std::string name;
                             for (const wchar_t* c = item.param.profile; *c; ++c) {
                                 if (*c != L'-') name.push_back(static_cast<char>(*c));
                             }
                             return name;
                         });

TEST_F(SimDllTest, TheFirstLineSaysItIsASimulatorOnce) {
    useProfile(L"busy");
    SimDll dll;
    ASSERT_TRUE(dll.loaded());
    StdoutCapture out;
    EXPECT_EQ(dll.destroy(), SOUND_OK);
    EXPECT_EQ(dll.init(), SOUND_OK);
    EXPECT_EQ(out.lines(), (std::vector<std::string>{"tamo_settings simulator: profile busy, a simulated headset and "
                                                     "no real one. Do not ship this DLL!!"}));
}

TEST_F(SimDllTest, AnUnknownProfileIsNamedWithTheProfiles) {
    useProfile(L"no-such-profile");
    SimDll dll;
    ASSERT_TRUE(dll.loaded());
    StdoutCapture out;
    EXPECT_EQ(dll.init(), SOUND_ERROR_DEVICE_NOT_FOUND);
    const std::vector<std::string> lines = out.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "tamo_settings simulator: 'no-such-profile' is neither a profile (default, none, old-firmware, silent, "
              "busy, two-headsets, refusing) nor a readable file; simulating none (no headset)");
}

TEST_F(SimDllTest, SeeThroughFollowsTheHostsOwnConfiguration) {
    writeFile(besideProgram(L"hmd_config.ini"), "ENABLE_SEE_THROUGH=1\n");
    SimDll dll;
    ASSERT_TRUE(dll.loaded());
    StdoutCapture out;
    ASSERT_EQ(dll.init(), SOUND_OK);
    EXPECT_EQ(dll.seeThrough(1), SOUND_OK);
    SoundState state{};
    EXPECT_EQ(dll.state(&state), SOUND_OK);
}

TEST_F(SimDllTest, TheIniChoosesWhereNoVariableIsSet) {
    writeFile(besideProgram(L"tamo_sim.ini"), "# the host's standing choice\nprofile = old-firmware\n");
    {
        SimDll dll;
        ASSERT_TRUE(dll.loaded());
        StdoutCapture out;
        EXPECT_EQ(dll.init(), SOUND_ERROR_FIRMWARE_UNSUPPORTED);
    }
    useProfile(L"default");
    SimDll dll;
    StdoutCapture out;
    EXPECT_EQ(dll.init(), SOUND_OK) << "the variable wins over the file";
}

TEST_F(SimDllTest, TheHeadsetKeepsItsSettingsBetweenRuns) {
    {
        SimDll dll;
        StdoutCapture out;
        ASSERT_EQ(dll.init(), SOUND_OK);
        ASSERT_EQ(dll.audioMode(1), SOUND_OK);
        ASSERT_EQ(dll.hiPower(0), SOUND_OK);
    }
    EXPECT_EQ(fileText(state_), "tamo-sound virtual headset state 1\nheadset.1.audio_mode=1\nheadset.1.hi_power=0\n"
                                "headset.1.see_through=0\n");
    SimDll dll;
    StdoutCapture out;
    ASSERT_EQ(dll.init(), SOUND_OK);
    SoundState state{};
    ASSERT_EQ(dll.state(&state), SOUND_OK);
    EXPECT_EQ(state.audioMode, 1);
    EXPECT_EQ(state.hiPowerState, 0);
}

TEST_F(SimDllTest, ADamagedStateFileIsSaidAndReplaced) {
    writeFile(state_, "tamo-sound virtual headset state 1\nheadset.x.audio_mode=2\n");
    SimDll dll;
    StdoutCapture out;
    ASSERT_EQ(dll.init(), SOUND_OK);
    SoundState state{};
    ASSERT_EQ(dll.state(&state), SOUND_OK);
    EXPECT_EQ(state.audioMode, 0) << "started fresh";
    ASSERT_EQ(dll.audioMode(2), SOUND_OK);
    const std::vector<std::string> lines = out.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[1].find("is damaged (line 2: bad headset number in headset.x.audio_mode); starting fresh"),
              std::string::npos)
        << lines[1];
    EXPECT_EQ(fileText(state_), "tamo-sound virtual headset state 1\nheadset.1.audio_mode=2\nheadset.1.hi_power=1\n"
                                "headset.1.see_through=0\n");
}

TEST_F(SimDllTest, TheReportLogHasEveryExchangedReport) {
    const std::wstring log = besideProgram(L"sim_test.log");
    SetEnvironmentVariableW(L"TAMO_SIM_LOG", log.c_str());
    SimDll dll;
    StdoutCapture out;
    ASSERT_EQ(dll.init(), SOUND_OK);
    ASSERT_EQ(dll.audioMode(2), SOUND_OK);
    const std::string text = fileText(log);
    EXPECT_EQ(text.rfind("-> output report: 01 66 22 (+61 zero bytes)\n<- input report: ", 0), 0u) << text;
    EXPECT_NE(text.find("\n-> set feature: 04 78 29 38 20 00 00 00 00 00 00 00 00 00 00 00 00 02 (+46 zero bytes)\n"),
              std::string::npos)
        << text;
}

TEST_F(SimDllTest, ASilentHeadsetFailsAtOnceOnTheSimulatorsClock) {
    useProfile(L"silent");
    SimDll dll;
    StdoutCapture out;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(dll.init(), SOUND_ERROR_TRANSFER_FAILED);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(SimDllTest, InRealTimeASilentHeadsetTakesTheLibrarysFullWait) {
    useProfile(L"silent");
    SetEnvironmentVariableW(L"TAMO_SIM_REAL_TIME", L"1");
    SimDll dll;
    StdoutCapture out;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(dll.init(), SOUND_ERROR_TRANSFER_FAILED);
    // The request goes out; the first read then waits out its 10 s.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(9900));
    SetEnvironmentVariableW(L"TAMO_SIM_REAL_TIME", nullptr);
}

std::wstring versionString(const std::wstring& file, const wchar_t* name) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return {};
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return {};
    return value;
}

TEST(SimDllVersion, ItsVersionResourceNamesTheSimulator) {
    const std::wstring file = besideProgram(L"tamo_settings_sim.dll");
    EXPECT_EQ(versionString(file, L"FileDescription"), L"tamo_settings simulator");
    EXPECT_EQ(versionString(file, L"ProductName"), L"tamo_settings simulator");
    EXPECT_EQ(versionString(file, L"OriginalFilename"), L"tamo_settings_sim.dll");
}

}  // namespace
}  // namespace tamo::test
