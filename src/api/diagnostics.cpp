#include "api/diagnostics.h"

#include "platform/console.h"

namespace tamo {

std::wstring systemErrorText(DWORD code) {
    constexpr DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    LPWSTR buffer = nullptr;
    // With ALLOCATE_BUFFER the "buffer" argument receives the address of the
    // block that the system allocates; it stays null when there is no message.
    FormatMessageW(flags, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&buffer),
                   0, nullptr);
    if (buffer == nullptr) return {};
    std::wstring text;
    try {
        text = buffer;
    } catch (...) {
        // Out of memory: report the failure without its text rather than leak.
    }
    LocalFree(buffer);
    return text;
}

void printLastError() {
    DWORD code = GetLastError();
    printWideLine(systemErrorText(code));
}

}  // namespace tamo
