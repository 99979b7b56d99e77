#include "wine_device_test.h"

#include <cstdio>

namespace tamo::test {
namespace {

constexpr DWORD kProcessWaitMs = 30000;

std::wstring parentOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

}  // namespace

std::wstring hostDirectory() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return parentOf(path);
}

std::wstring binDirectory() { return parentOf(hostDirectory()); }

TamoDll::TamoDll() : module_(LoadLibraryW((binDirectory() + L"\\tamo_settings.dll").c_str())) {}

TamoDll::~TamoDll() {
    if (module_) FreeLibrary(module_);
}

StatusCode TamoDll::init() const { return get<decltype(qor_tamo_sound_init)>("qor_tamo_sound_init")(); }

StatusCode TamoDll::destroy() const { return get<decltype(qor_tamo_sound_destroy)>("qor_tamo_sound_destroy")(); }

StatusCode TamoDll::seeThrough(std::uint8_t on) const {
    return get<decltype(qor_tamo_sound_set_see_through_state)>("qor_tamo_sound_set_see_through_state")(on);
}

StatusCode TamoDll::audioMode(std::int32_t mode) const {
    return get<decltype(qor_tamo_sound_set_audio_mode)>("qor_tamo_sound_set_audio_mode")(mode);
}

StatusCode TamoDll::hiPower(std::uint8_t on) const {
    return get<decltype(qor_tamo_sound_set_hi_power_state)>("qor_tamo_sound_set_hi_power_state")(on);
}

StatusCode TamoDll::state(SoundState* out) const {
    return get<decltype(qor_tamo_sound_get_state)>("qor_tamo_sound_get_state")(out);
}

StatusCode TamoDll::call(Export which, std::int32_t argument, SoundState* record) const {
    switch (which) {
    case Export::Init: return init();
    case Export::Destroy: return destroy();
    case Export::SeeThrough: return seeThrough(static_cast<std::uint8_t>(argument));
    case Export::AudioMode: return audioMode(argument);
    case Export::HiPower: return hiPower(static_cast<std::uint8_t>(argument));
    case Export::GetState: return state(record);
    }
    return SOUND_OK;
}

ConfigFile::ConfigFile(const std::string& text) {
    if (FILE* file = _wfopen(path().c_str(), L"wb")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
}

ConfigFile::~ConfigFile() { remove(); }

std::wstring ConfigFile::path() { return hostDirectory() + L"\\hmd_config.ini"; }

void ConfigFile::remove() { DeleteFileW(path().c_str()); }

LockHolder::LockHolder() {
    std::wstring tag = std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount64());
    std::wstring heldName = L"TamoWineLockHeld" + tag;
    std::wstring releaseName = L"TamoWineLockRelease" + tag;
    held_ = CreateEventW(nullptr, TRUE, FALSE, heldName.c_str());
    release_ = CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str());
    if (!held_ || !release_) {
        error_ = "events for lock_holder.exe could not be made";
        return;
    }
    std::wstring command = L"\"" + binDirectory() + L"\\lock_holder.exe\" " + heldName + L" " + releaseName;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process_)) {
        error_ = "lock_holder.exe could not be started (error " + std::to_string(GetLastError()) + ")";
        return;
    }
    HANDLE waits[2] = {held_, process_.hProcess};
    if (WaitForMultipleObjects(2, waits, FALSE, kProcessWaitMs) != WAIT_OBJECT_0) {
        error_ = "lock_holder.exe did not take the lock";
    }
}

int LockHolder::release() {
    if (!process_.hProcess) return -1;
    SetEvent(release_);
    DWORD exitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process_.hProcess, kProcessWaitMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process_.hProcess, &exitCode);
    } else {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, kProcessWaitMs);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
    process_ = PROCESS_INFORMATION{};
    return static_cast<int>(exitCode);
}

LockHolder::~LockHolder() {
    release();
    if (held_) CloseHandle(held_);
    if (release_) CloseHandle(release_);
}

// Opening the semaphore by name tells whether another handle holds it.
bool lockGone() {
    HANDLE semaphore = CreateSemaphoreW(nullptr, 1, 1, L"SoundModeSwitchLocker");
    bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    if (semaphore) CloseHandle(semaphore);
    return semaphore && !existed;
}

Image imageOf(const std::vector<std::uint8_t>& bytes) {
    Image image{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), image.size()), image.begin());
    return image;
}

void WineDeviceTest::SetUp() {
    ASSERT_TRUE(headset.running()) << headset.error();
    ConfigFile::remove();
    device = headset.addDevice();
    ASSERT_GE(device, 0);
    ASSERT_TRUE(dll.loaded()) << "tamo_settings.dll in the bin directory above the test host";
}

void WineDeviceTest::TearDown() {
    if (dll.loaded()) dll.destroy();
    config_.reset();
    ConfigFile::remove();
    if (device >= 0 && headset.running()) {
        bool idle = false;
        headset.record(device, &idle);
        EXPECT_TRUE(idle) << "every connection to the headset is closed";
    }
}

void WineDeviceTest::initialise() {
    ASSERT_EQ(dll.init(), SOUND_OK);
    reportsBefore_ = settled().received.size();
}

void WineDeviceTest::allowSeeThrough() { config_ = std::make_unique<ConfigFile>(seeThroughConfig()); }

vhid::DeviceRecord WineDeviceTest::settled() {
    bool idle = false;
    vhid::DeviceRecord record = headset.record(device, &idle);
    EXPECT_TRUE(idle) << "a connection to the headset stayed open";
    EXPECT_EQ(record.opens, record.closes);
    return record;
}

std::vector<Image> WineDeviceTest::commandsSent() {
    vhid::DeviceRecord record = settled();
    std::vector<Image> reports;
    for (std::size_t i = reportsBefore_; i < record.received.size(); ++i) {
        const auto& report = record.received[i];
        if (report.kind == vhid::ReportKind::SetFeature) reports.push_back(imageOf(report.bytes));
    }
    return reports;
}

}  // namespace tamo::test
