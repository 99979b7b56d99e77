// The emulated Windows inside the simulator DLL on Windows: a Windows path
// is a real one, and the environment and the debugger are the process's own.
// The real SDK's headers, never platform/win32.h.
#include "platform/emulated/host_system.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <system_error>
#include <vector>

namespace emulated {

std::wstring windowsPathOf(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    std::wstring text = (error ? path : absolute.lexically_normal()).wstring();
    std::replace(text.begin(), text.end(), L'/', L'\\');
    // A trailing separator would leave an empty last component (but C:\ keeps its own).
    while (text.size() > 3 && text.back() == L'\\') text.pop_back();
    return text;
}

namespace host {

std::filesystem::path pathOf(std::wstring_view windowsPath) { return std::filesystem::path(std::wstring(windowsPath)); }

std::FILE* openFile(const std::filesystem::path& path, const std::string& mode) {
    // The C runtime's own _wfopen: the names stay wide.
    return _wfopen(path.c_str(), std::wstring(mode.begin(), mode.end()).c_str());
}

// From the process's environment block, not the C runtime's copy taken at
// start: a host that sets a variable with SetEnvironmentVariableW is heard.
std::optional<std::wstring> environmentVariable(std::wstring_view name) {
    const std::wstring variable(name);
    std::vector<wchar_t> buffer(256);
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableW(variable.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length);
    }
}

std::filesystem::path runningExecutable() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), length));
        buffer.resize(buffer.size() * 2);
    }
}

void toDebugger(std::wstring_view text) { OutputDebugStringW(std::wstring(text).c_str()); }

std::string processTag() { return std::to_string(GetCurrentProcessId()); }

// %TEMP% is the user's own already; the name only makes the default plain.
std::string userTag() {
    const std::wstring name = environmentVariable(L"USERNAME").value_or(L"user");
    std::string tag;
    for (wchar_t unit : name) tag.push_back(unit < 0x80 && unit > L' ' ? static_cast<char>(unit) : '_');
    return tag;
}

}  // namespace host
}  // namespace emulated
