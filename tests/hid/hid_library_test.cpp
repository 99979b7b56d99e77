// Run-time loading of hid.dll, and a connection without it.
#include "hid/hid_device_connection.h"
#include "hid/hid_library.h"
#include "hid_test_support.h"
#include "platform_test.h"
#include "platform/line_redirect.h"

#include <array>
#include <string>
#include <vector>

namespace tamo::test {
namespace {

using emulated::CallLog;
using emulated::Faults;

using HidLibraryTest = PlatformTest;

TEST_F(HidLibraryTest, LoadResolvesEveryFunction) {
    HidLibrary library = HidLibrary::load();
    EXPECT_TRUE(library.available());
    EXPECT_EQ(CallLog::count("LoadLibraryExW"), 1u);
    EXPECT_EQ(CallLog::count("GetProcAddress"), 8u);
    GUID guid{};
    library.getHidGuid(&guid);
    EXPECT_EQ(guid.Data1, 0x4D1E55B2u);
}

TEST_F(HidLibraryTest, InstanceIsLoadedOnceForTheProcess) {
    const HidLibrary& first = HidLibrary::instance();
    CallLog::clear();
    const HidLibrary& second = HidLibrary::instance();
    EXPECT_EQ(&first, &second);
    EXPECT_TRUE(second.available());
    EXPECT_EQ(CallLog::count("LoadLibraryExW"), 0u);
}

TEST_F(HidLibraryTest, MissingModuleLeavesNothingAvailable) {
    Faults::failCall("LoadLibraryExW", 1, ERROR_MOD_NOT_FOUND);
    HidLibrary library = HidLibrary::load();
    EXPECT_FALSE(library.available());
    EXPECT_EQ(library.getAttributes, nullptr);
    EXPECT_EQ(CallLog::count("GetProcAddress"), 0u);
}

// Every way hid.dll is asked for names the system directory: by the search
// flag, or by the full path where the flag is not understood.
struct LoadCase {
    const char* name;
    bool searchFlagsRefused;
    const char* failingCall;  // nullptr: none
    int nth;
    DWORD error;
    bool available;
    std::vector<std::wstring> requested;  // the file names LoadLibraryExW was given, in order
};

class HidLibraryLoadTest : public PlatformTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(HidLibraryLoadTest, LoadsOnlyFromTheSystemDirectory) {
    const LoadCase& c = GetParam();
    if (c.searchFlagsRefused) emulated::System::refuseLibrarySearchFlags();
    if (c.failingCall) Faults::failCall(c.failingCall, c.nth, c.error);
    HidLibrary library = HidLibrary::load();
    EXPECT_EQ(library.available(), c.available);
    std::vector<std::wstring> requested;
    for (const auto& load : emulated::System::libraryLoads()) {
        requested.push_back(load.fileName);
        if (load.fileName == L"hid.dll") {
            EXPECT_EQ(load.flags, DWORD{LOAD_LIBRARY_SEARCH_SYSTEM32}) << "a bare name is only ever searched for in the system directory";
        }
    }
    EXPECT_EQ(requested, c.requested);
    if (c.available) {
        GUID guid{};
        library.getHidGuid(&guid);
        EXPECT_EQ(guid.Data1, 0x4D1E55B2u);
    }
}

const std::wstring kSystemHidDll = std::wstring(emulated::System::systemDirectory()) + L"\\hid.dll";

INSTANTIATE_TEST_SUITE_P(
    Cases, HidLibraryLoadTest,
    ::testing::Values(
        LoadCase{"SearchFlagUnderstood", false, nullptr, 0, 0, true, {L"hid.dll"}},
        LoadCase{"SearchFlagRefusedFullPathFollows", true, nullptr, 0, 0, true, {L"hid.dll", kSystemHidDll}},
        // Only a refused flag means an older loader; a missing module stays missing.
        LoadCase{"ModuleMissingIsNotRetried", false, "LoadLibraryExW", 1, ERROR_MOD_NOT_FOUND, false, {}},
        LoadCase{"SystemDirectoryUnknown", true, "GetSystemDirectoryW", 1, ERROR_NOT_ENOUGH_MEMORY, false, {L"hid.dll"}},
        LoadCase{"FullPathFailing", true, "LoadLibraryExW", 2, ERROR_MOD_NOT_FOUND, false, {L"hid.dll"}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(HidLibraryTest, MissingFunctionLeavesNothingAvailable) {
    Faults::failCall("GetProcAddress", 5, ERROR_PROC_NOT_FOUND);
    HidLibrary library = HidLibrary::load();
    EXPECT_FALSE(library.available());
    EXPECT_EQ(library.getHidGuid, nullptr) << "half a library is not handed out";
    EXPECT_EQ(CallLog::count("FreeLibrary"), 1u);
}

TEST_F(HidLibraryTest, ConnectionWithoutHidDllFindsNoDeviceAndPrintsNothing) {
    auto headset = plugHeadset();
    Faults::failCall("LoadLibraryExW", 1, ERROR_MOD_NOT_FOUND);
    HidLibrary missing = HidLibrary::load();
    CallLog::clear();
    LineRedirect out;
    {
        HidDeviceConnection connection({headsetEntry()}, missing);
        EXPECT_FALSE(connection.open());
        EXPECT_EQ(connection.deviceHandle(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(connection.deviceName(), "No Device");
        std::array<std::uint8_t, kReportSize> buffer{};
        EXPECT_EQ(connection.readInputReport(buffer), TransferResult::NotCompleted);
        EXPECT_FALSE(connection.writeOutputReport(buffer));
    }
    EXPECT_TRUE(out.lines().empty());
    EXPECT_TRUE(CallLog::calls().empty()) << "nothing is enumerated without hid.dll";
    EXPECT_EQ(headset->opens(), 0u);
}

}  // namespace
}  // namespace tamo::test
