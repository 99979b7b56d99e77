// Base fixture for the real tamo_settings.dll on Wine with the pipe headset
// behind it.
//
// Every test starts with a headset process of its own holding one headset
// with the built-in identity and firmware 103, the library loaded and not
// initialised, and no hmd_config.ini beside the host executable, so the
// built-in device table is used. The parts (the DLL, the configuration file,
// a lock held by another process) serve the scenario table's Wine host too.
#pragma once

#include <gtest/gtest.h>

#include "expected_reports.h"
#include "headset_process.h"
#include "scenario.h"
#include "tamo_settings.h"

#include <string>
#include <vector>

namespace tamo::test {

// The directory of the test host, and the build's bin directory above it
// (the DLL and lock_holder.exe).
std::wstring hostDirectory();
std::wstring binDirectory();

// bin\tamo_settings.dll, loaded with LoadLibraryW as a host loads it.
class TamoDll {
public:
    TamoDll();
    ~TamoDll();
    TamoDll(const TamoDll&) = delete;
    TamoDll& operator=(const TamoDll&) = delete;

    bool loaded() const { return module_ != nullptr; }

    StatusCode init() const;
    StatusCode destroy() const;
    StatusCode seeThrough(std::uint8_t on) const;
    StatusCode audioMode(std::int32_t mode) const;
    StatusCode hiPower(std::uint8_t on) const;
    StatusCode state(SoundState* out) const;
    // One of the above by name.
    StatusCode call(Export which, std::int32_t argument, SoundState* record) const;

private:
    template <class Function>
    Function* get(const char* name) const {
        return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
    }
    HMODULE module_;
};

// hmd_config.ini beside the host executable while the object lives.
class ConfigFile {
public:
    explicit ConfigFile(const std::string& text);
    ~ConfigFile();
    ConfigFile(const ConfigFile&) = delete;
    ConfigFile& operator=(const ConfigFile&) = delete;

    static std::wstring path();
    static void remove();
};

// lock_holder.exe holding the mode-switch lock in a process of its own until
// release() or the end of the object.
class LockHolder {
public:
    LockHolder();
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // Whether the other process holds the lock now; why not, otherwise.
    bool holding() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    // Lets go and waits for the process; its exit code, or -1.
    int release();

private:
    HANDLE held_ = nullptr;
    HANDLE release_ = nullptr;
    PROCESS_INFORMATION process_{};
    std::string error_;
};

// Whether no handle to "SoundModeSwitchLocker" is open in the session.
bool lockGone();

Image imageOf(const std::vector<std::uint8_t>& bytes);

class WineDeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A successful qor_tamo_sound_init; commandsSent() starts afterwards.
    void initialise();
    void allowSeeThrough();

    // Once every connection to the headset is closed again (the test fails
    // when one stays open): the commands it received since initialise().
    vhid::DeviceRecord settled();
    std::vector<Image> commandsSent();

    HeadsetProcess headset;
    int device = -1;
    TamoDll dll;

private:
    std::size_t reportsBefore_ = 0;
    std::unique_ptr<ConfigFile> config_;
};

}  // namespace tamo::test
