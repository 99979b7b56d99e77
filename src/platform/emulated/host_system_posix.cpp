// The emulated Windows on Linux: Wine's drive Z: is the root of the file
// system, names are UTF-8, and there is no debugger to reach.
#include "platform/emulated/host_system.h"

#include "platform/emulated/utf8.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace emulated {

std::wstring windowsPathOf(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    std::string text = (error ? path : absolute.lexically_normal()).string();
    // A trailing separator would leave an empty last component.
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    std::wstring windows = L"Z:" + tamo::utf16FromUtf8(text);
    std::replace(windows.begin(), windows.end(), L'/', L'\\');
    return windows;
}

namespace host {

std::filesystem::path pathOf(std::wstring_view windowsPath) {
    if (windowsPath.size() < 3 || (windowsPath[0] != L'Z' && windowsPath[0] != L'z') || windowsPath[1] != L':' ||
        windowsPath[2] != L'\\') {
        return {};
    }
    std::wstring rest(windowsPath.substr(2));
    std::replace(rest.begin(), rest.end(), L'\\', L'/');
    return tamo::utf8FromUtf16(rest);
}

std::FILE* openFile(const std::filesystem::path& path, const std::string& mode) {
    std::FILE* file = std::fopen(path.c_str(), mode.c_str());
    // The Windows C library cannot open a directory; glibc can. Asked of the
    // open stream, which costs no second walk of the path.
    struct stat info {};
    if (file && ::fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        errno = EACCES;
        return nullptr;
    }
    return file;
}

std::optional<std::wstring> environmentVariable(std::wstring_view name) {
    const char* value = std::getenv(tamo::utf8FromUtf16(name).c_str());
    if (value == nullptr) return std::nullopt;
    return tamo::utf16FromUtf8(value);
}

std::filesystem::path runningExecutable() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error);
}

void toDebugger(std::wstring_view) {}

std::string processTag() { return std::to_string(::getpid()); }

std::string userTag() { return std::to_string(::getuid()); }

}  // namespace host
}  // namespace emulated
