// The executable's module and path, run-time linking of hid.dll, and wide
// file names in Wine's convention.
#include "platform/emulated/host_system.h"
#include "platform/emulated/kernel.h"
#include "platform/emulated/utf8.h"

#include <cerrno>
#include <cwctype>

#include <algorithm>
#include <cstring>
#include <map>
#include <string_view>

namespace {

const std::wstring defaultExecutablePath = L"Z:\\tmp\\tamo-host\\host.exe";

const wchar_t* const systemDirectoryPath = L"C:\\windows\\system32";

constexpr DWORD librarySearchFlags = 0x00001F00u;  // every LOAD_LIBRARY_SEARCH_* flag

struct Modules {
    std::wstring executablePath = defaultExecutablePath;
    bool searchFlagsRefused = false;
    std::vector<emulated::System::LibraryLoad> libraryLoads;
};

Modules& modules() {
    static Modules state;
    return state;
}

// Module handles are addresses, not kernel handles: they are never closed.
HINSTANCE__ executableModule{};
HINSTANCE__ hidModule{};

const bool registered = [] {
    emulated::kernel::onReset([] {
        std::lock_guard guard(emulated::kernel::lock());
        modules() = Modules{};
    });
    return true;
}();

template <class Function>
FARPROC asProc(Function* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

const std::map<std::string_view, FARPROC>& hidExports() {
    static const std::map<std::string_view, FARPROC> exports = {
        {"HidD_GetHidGuid", asProc(&HidD_GetHidGuid)},
        {"HidD_GetAttributes", asProc(&HidD_GetAttributes)},
        {"HidD_GetProductString", asProc(&HidD_GetProductString)},
        {"HidD_GetPreparsedData", asProc(&HidD_GetPreparsedData)},
        {"HidD_FreePreparsedData", asProc(&HidD_FreePreparsedData)},
        {"HidP_GetCaps", asProc(&HidP_GetCaps)},
        {"HidD_SetFeature", asProc(&HidD_SetFeature)},
        {"HidD_GetFeature", asProc(&HidD_GetFeature)},
    };
    return exports;
}

bool equalsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
           });
}

}  // namespace

namespace emulated {

void System::setExecutablePath(const std::wstring& path) {
    std::lock_guard guard(kernel::lock());
    modules().executablePath = path;
}

std::wstring System::executablePath() {
    std::lock_guard guard(kernel::lock());
    return modules().executablePath;
}

void System::refuseLibrarySearchFlags() {
    std::lock_guard guard(kernel::lock());
    modules().searchFlagsRefused = true;
}

std::vector<System::LibraryLoad> System::libraryLoads() {
    std::lock_guard guard(kernel::lock());
    return modules().libraryLoads;
}

const wchar_t* System::systemDirectory() { return systemDirectoryPath; }

namespace kernel {

std::string toUtf8(const std::wstring& units) { return tamo::utf8FromUtf16(units); }

std::filesystem::path hostPath(const wchar_t* windowsPath) {
    std::wstring path = windowsPath ? windowsPath : L"";
    // As on Windows (a process that is not long-path aware): a path of
    // MAX_PATH units or more opens only with the prefix that lifts the limit.
    constexpr std::wstring_view kLongPathPrefix = L"\\\\?\\";
    if (path.starts_with(kLongPathPrefix)) {
        path.erase(0, kLongPathPrefix.size());
    } else if (path.size() >= MAX_PATH) {
        return {};
    }
    return host::pathOf(path);
}

}  // namespace kernel
}  // namespace emulated

using namespace emulated::kernel;

HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName) {
    if (auto fault = enter("GetModuleHandleW")) {
        SetLastError(*fault);
        return nullptr;
    }
    if (moduleName == nullptr) return &executableModule;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

// As on Windows since Vista: a path that does not fit is truncated to
// size - 1 units plus the terminator, the result is `size` and the last
// error ERROR_INSUFFICIENT_BUFFER.
DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
    if (auto fault = enter("GetModuleFileNameW")) {
        SetLastError(*fault);
        return 0;
    }
    if (module != nullptr && module != &executableModule) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::wstring path = emulated::System::executablePath();
    if (path.size() >= size) {
        std::copy_n(path.begin(), size - 1, fileName);
        fileName[size - 1] = L'\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::copy(path.begin(), path.end(), fileName);
    fileName[path.size()] = L'\0';
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
}

// As on Windows: the length without the terminator, or the size needed
// (terminator included) when the buffer is too small.
UINT WINAPI GetSystemDirectoryW(LPWSTR buffer, UINT size) {
    if (auto fault = enter("GetSystemDirectoryW")) {
        SetLastError(*fault);
        return 0;
    }
    std::wstring_view directory = systemDirectoryPath;
    if (buffer == nullptr || size <= directory.size()) return static_cast<UINT>(directory.size() + 1);
    std::copy(directory.begin(), directory.end(), buffer);
    buffer[directory.size()] = L'\0';
    return static_cast<UINT>(directory.size());
}

// Only hid.dll exists in the emulated system directory. It is found by its
// bare name only when the search is limited to the system directory: without
// that flag Windows would look in the host's directory first, so the
// emulation refuses such a load rather than guess what is planted there.
HMODULE WINAPI LoadLibraryExW(LPCWSTR fileName, HANDLE, DWORD flags) {
    if (auto fault = enter("LoadLibraryExW")) {
        SetLastError(*fault);
        return nullptr;
    }
    bool refused = false;
    {
        std::lock_guard guard(lock());
        modules().libraryLoads.push_back({fileName ? fileName : L"", flags});
        refused = modules().searchFlagsRefused && (flags & librarySearchFlags) != 0;
    }
    if (refused) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::wstring_view name = fileName ? fileName : L"";
    bool systemSearch = (flags & LOAD_LIBRARY_SEARCH_SYSTEM32) != 0;
    if ((systemSearch && equalsIgnoringCase(name, L"hid.dll")) ||
        equalsIgnoringCase(name, std::wstring(systemDirectoryPath) + L"\\hid.dll")) {
        return &hidModule;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE module, const char* procName) {
    if (auto fault = enter("GetProcAddress")) {
        SetLastError(*fault);
        return nullptr;
    }
    if (module == &hidModule && procName) {
        auto it = hidExports().find(procName);
        if (it != hidExports().end()) return it->second;
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
    enter("FreeLibrary");
    if (module == &hidModule) return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

// The C runtime's _wfopen, through its emulated name (platform/win32.h).
FILE* emulated::crt::wfopen(const wchar_t* fileName, const wchar_t* mode) {
    if (auto fault = enter("_wfopen")) {
        errno = EACCES;
        SetLastError(*fault);
        return nullptr;
    }
    std::filesystem::path path = hostPath(fileName);
    if (path.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    return emulated::host::openFile(path, toUtf8(mode ? mode : L"r"));
}
