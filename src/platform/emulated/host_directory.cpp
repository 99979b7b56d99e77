#include "platform/emulated/host_directory.h"

#include "platform/emulated/system.h"

#include <stdlib.h>

#include <cerrno>

#include <fstream>
#include <system_error>

namespace emulated {

std::wstring windowsPathOf(const std::filesystem::path& path) {
    std::wstring text = L"Z:" + path.wstring();
    for (wchar_t& c : text) {
        if (c == L'/') c = L'\\';
    }
    return text;
}

HostDirectory::HostDirectory(const std::filesystem::path& parent) {
    std::string pattern = (parent / "tamo-host-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::filesystem::filesystem_error("cannot make a host directory", parent,
                                                std::error_code(errno, std::generic_category()));
    }
    path_ = pattern;
}

HostDirectory::~HostDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::wstring HostDirectory::executablePath() const { return windowsPathOf(path_ / "host.exe"); }

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
