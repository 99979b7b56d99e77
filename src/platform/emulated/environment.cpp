// The process's environment (the host's own, as Wine passes it on) and the
// debugger's output, which the emulation keeps for tests to read.
#include "platform/emulated/host_system.h"
#include "platform/emulated/kernel.h"
#include "platform/emulated/system.h"
#include "platform/emulated/utf8.h"

#include <optional>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring>& debugOutput() {
    static std::vector<std::wstring> texts;
    return texts;
}

const bool registered = [] {
    emulated::kernel::onReset([] {
        std::lock_guard guard(emulated::kernel::lock());
        debugOutput().clear();
    });
    return true;
}();

}  // namespace

namespace emulated {

std::vector<std::wstring> System::debuggerOutput() {
    std::lock_guard guard(kernel::lock());
    return debugOutput();
}

}  // namespace emulated

// As on Windows: the length without the terminator when the value fits,
// else the size it needs with the terminator; 0 and ERROR_ENVVAR_NOT_FOUND
// for a variable that is not set.
DWORD WINAPI GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
    const std::optional<std::wstring> value =
        name ? emulated::host::environmentVariable(name) : std::nullopt;
    if (!value) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    const std::wstring& units = *value;
    if (units.size() >= size) return static_cast<DWORD>(units.size() + 1);
    std::copy(units.begin(), units.end(), buffer);
    buffer[units.size()] = L'\0';
    return static_cast<DWORD>(units.size());
}

void WINAPI OutputDebugStringA(LPCSTR text) {
    std::lock_guard guard(emulated::kernel::lock());
    debugOutput().push_back(tamo::utf16FromUtf8(text ? text : ""));
    emulated::host::toDebugger(debugOutput().back());
}

void WINAPI OutputDebugStringW(LPCWSTR text) {
    std::lock_guard guard(emulated::kernel::lock());
    debugOutput().push_back(text ? text : L"");
    emulated::host::toDebugger(debugOutput().back());
}
