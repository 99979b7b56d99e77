// What every fuzz target shares: a host directory on the emulated Windows,
// and a way to report a broken promise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tamo::fuzz {

// A directory of its own for the whole run (in memory where possible),
// removed at exit, with the host executable "host.exe" in it as far as the
// emulated Windows is concerned.
class HostDirectory {
public:
    HostDirectory();
    ~HostDirectory();
    HostDirectory(const HostDirectory&) = delete;
    HostDirectory& operator=(const HostDirectory&) = delete;

    // Resets the emulated world and points its executable path here.
    void enterFreshWorld() const;
    // Replaces hmd_config.ini with exactly these bytes.
    void writeConfig(std::string_view bytes) const;
    void removeConfig() const;

private:
    std::filesystem::path directory_;
};

// Ends the run as a crash that libFuzzer records, with the input that caused it.
[[noreturn]] void broken(const char* promise, const std::string& detail = {});
inline void require(bool kept, const char* promise, const std::string& detail = {}) {
    if (!kept) broken(promise, detail);
}

// Nothing the platform handed out is still open or allocated.
void requireNothingHeld();

// Printable form of text that may hold any byte, for crash reports.
std::string escaped(std::string_view text);

}  // namespace tamo::fuzz
