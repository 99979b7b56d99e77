// System message texts (FormatMessageW) and LocalFree.
#include "platform/emulated/kernel.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>

namespace {

// Windows' English texts for every code the emulation can produce, each with
// the "\r\n" that ends a system message.
const std::map<DWORD, std::wstring_view>& systemMessages() {
    static const std::map<DWORD, std::wstring_view> texts = {
        {ERROR_SUCCESS, L"The operation completed successfully.\r\n"},
        {ERROR_FILE_NOT_FOUND, L"The system cannot find the file specified.\r\n"},
        {ERROR_PATH_NOT_FOUND, L"The system cannot find the path specified.\r\n"},
        {ERROR_ACCESS_DENIED, L"Access is denied.\r\n"},
        {ERROR_INVALID_HANDLE, L"The handle is invalid.\r\n"},
        {ERROR_NOT_ENOUGH_MEMORY, L"Not enough memory resources are available to process this command.\r\n"},
        {ERROR_OUTOFMEMORY, L"Not enough memory resources are available to complete this operation.\r\n"},
        {ERROR_GEN_FAILURE, L"A device attached to the system is not functioning.\r\n"},
        {ERROR_SHARING_VIOLATION,
         L"The process cannot access the file because it is being used by another process.\r\n"},
        {ERROR_INVALID_PARAMETER, L"The parameter is incorrect.\r\n"},
        {ERROR_SEM_TIMEOUT, L"The semaphore timeout period has expired.\r\n"},
        {ERROR_INSUFFICIENT_BUFFER, L"The data area passed to a system call is too small.\r\n"},
        {ERROR_MOD_NOT_FOUND, L"The specified module could not be found.\r\n"},
        {ERROR_PROC_NOT_FOUND, L"The specified procedure could not be found.\r\n"},
        {ERROR_ALREADY_EXISTS, L"Cannot create a file when that file already exists.\r\n"},
        {ERROR_NO_MORE_ITEMS, L"No more data is available.\r\n"},
        {ERROR_TOO_MANY_POSTS, L"Too many posts were made to a semaphore.\r\n"},
        {ERROR_OPERATION_ABORTED,
         L"The I/O operation has been aborted because of either a thread exit or an application request.\r\n"},
        {ERROR_IO_INCOMPLETE, L"Overlapped I/O event is not in a signaled state.\r\n"},
        {ERROR_IO_PENDING, L"Overlapped I/O operation is in progress.\r\n"},
        {ERROR_DEVICE_NOT_CONNECTED, L"The device is not connected.\r\n"},
        {ERROR_NOT_FOUND, L"Element not found.\r\n"},
        {ERROR_INVALID_USER_BUFFER, L"The supplied user buffer is not valid for the requested operation.\r\n"},
    };
    return texts;
}

}  // namespace

// Only the form the library uses is supported: a system message into a
// buffer that the call allocates. An unknown code fails with
// ERROR_MR_MID_NOT_FOUND and leaves the caller's pointer untouched.
DWORD WINAPI FormatMessageW(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPWSTR buffer, DWORD, va_list*) {
    using namespace emulated::kernel;
    if (auto fault = enter("FormatMessageW")) {
        SetLastError(*fault);
        return 0;
    }
    const DWORD required = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    if ((flags & required) != required || buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto it = systemMessages().find(messageId);
    if (it == systemMessages().end()) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    std::wstring_view text = it->second;
    auto* block = static_cast<WCHAR*>(std::calloc(text.size() + 1, sizeof(WCHAR)));
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    std::memcpy(block, text.data(), text.size() * sizeof(WCHAR));
    trackAllocation(block);
    *reinterpret_cast<LPWSTR*>(buffer) = block;
    return static_cast<DWORD>(text.size());
}

HLOCAL WINAPI LocalFree(HLOCAL memory) {
    using namespace emulated::kernel;
    enter("LocalFree");
    if (memory == nullptr) return nullptr;
    if (!releaseAllocation(memory)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return memory;
    }
    std::free(memory);
    return nullptr;
}
