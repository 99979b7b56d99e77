// Where a host of the library lives on the emulated Windows: a directory of
// its own for the executable and its hmd_config.ini, removed with the
// object. Tests, fuzzers, benchmarks and the tool's virtual headset start
// their worlds from one.
#pragma once

#include "platform/emulated/host_system.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace emulated {

class HostDirectory {
public:
    // A new directory below `parent`; throws std::filesystem::filesystem_error
    // when none can be made.
    explicit HostDirectory(const std::filesystem::path& parent = std::filesystem::temp_directory_path());
    // An existing directory, left in place, whose executable is
    // `executableName`: the tool's virtual headset runs beside the tool, or
    // where the user says.
    HostDirectory(std::filesystem::path existing, std::wstring executableName);
    ~HostDirectory();
    HostDirectory(const HostDirectory&) = delete;
    HostDirectory& operator=(const HostDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The host executable here ("host.exe" in a new directory), as the
    // library asks for it.
    std::wstring executablePath() const;

    // A fresh emulated world (System::reset) whose executable is this one.
    void enterFreshWorld() const;
    // Points the current world's executable here, without resetting it.
    void useAsExecutableDirectory() const;

    // hmd_config.ini beside the executable: exactly these bytes, or none.
    // False when the file cannot be written.
    bool writeConfig(std::string_view bytes) const;
    void removeConfig() const;

private:
    std::filesystem::path path_;
    std::wstring executableName_ = L"host.exe";
    bool owned_ = true;
};

}  // namespace emulated
