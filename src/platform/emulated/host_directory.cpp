#include "platform/emulated/host_directory.h"

#include "platform/emulated/system.h"
#include "platform/emulated/utf8.h"

#include <stdlib.h>

#include <cerrno>

#include <fstream>
#include <system_error>
#include <utility>

namespace emulated {

std::wstring windowsPathOf(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    std::string text = (error ? path : absolute.lexically_normal()).string();
    // A trailing separator would leave an empty last component.
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    std::wstring windows = L"Z:" + tamo::utf16FromUtf8(text);
    for (wchar_t& c : windows) {
        if (c == L'/') c = L'\\';
    }
    return windows;
}

HostDirectory::HostDirectory(const std::filesystem::path& parent) {
    std::string pattern = (parent / "tamo-host-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::filesystem::filesystem_error("cannot make a host directory", parent,
                                                std::error_code(errno, std::generic_category()));
    }
    path_ = pattern;
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
