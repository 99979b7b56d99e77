#include "platform/emulated/host_directory.h"

#include "platform/emulated/system.h"
#include "platform/emulated/utf8.h"

#include <fstream>
#include <random>
#include <system_error>
#include <utility>

namespace emulated {

// A name nobody else has made: create_directory says whether this call
// made it, so two processes never share one.
HostDirectory::HostDirectory(const std::filesystem::path& parent) {
    constexpr int kAttempts = 100;
    std::random_device seed;
    std::mt19937 names(seed());
    std::error_code error;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::filesystem::path candidate = parent / ("tamo-host-" + std::to_string(names() % 1000000u));
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
        if (error) break;
    }
    throw std::filesystem::filesystem_error("cannot make a host directory", parent,
                                            error ? error : std::make_error_code(std::errc::file_exists));
}

HostDirectory::HostDirectory(std::filesystem::path existing, std::wstring executableName)
    : path_(std::move(existing)), executableName_(std::move(executableName)), owned_(false) {}

HostDirectory::~HostDirectory() {
    if (!owned_) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::wstring HostDirectory::executablePath() const { return windowsPathOf(path_) + L"\\" + executableName_; }

void HostDirectory::enterFreshWorld() const {
    System::reset();
    useAsExecutableDirectory();
}

void HostDirectory::useAsExecutableDirectory() const { System::setExecutablePath(executablePath()); }

bool HostDirectory::writeConfig(std::string_view bytes) const {
    std::ofstream file(path_ / "hmd_config.ini", std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

void HostDirectory::removeConfig() const {
    std::error_code ignored;
    std::filesystem::remove(path_ / "hmd_config.ini", ignored);
}

}  // namespace emulated
