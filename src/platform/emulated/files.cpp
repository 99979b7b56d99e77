// CreateFileW on HID device paths and the reads and writes on such handles,
// overlapped or not, on the virtual clock.
#include "platform/emulated/device_file.h"

#include <algorithm>
#include <cstring>

using namespace emulated::kernel;
using emulated::HidRequest;
using emulated::TransferReply;
using emulated::bus::DeviceFile;
using emulated::bus::PluggedInterface;

namespace {

constexpr DWORD kErrorInvalidFunction = 1;         // ERROR_INVALID_FUNCTION
constexpr ULONG_PTR kStatusPending = 0x00000103;   // STATUS_PENDING, as kernel32 marks a started transfer
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

template <class Result>
Result failWith(DWORD error, Result result) {
    SetLastError(error);
    return result;
}

// Whether a new open with `access` and `share` conflicts with an existing one.
bool conflicts(const PluggedInterface::Opening& existing, DWORD access, DWORD share) {
    return ((access & GENERIC_READ) && !(existing.share & FILE_SHARE_READ)) ||
           ((access & GENERIC_WRITE) && !(existing.share & FILE_SHARE_WRITE)) ||
           ((existing.access & GENERIC_READ) && !(share & FILE_SHARE_READ)) ||
           ((existing.access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE));
}

DWORD openError(const PluggedInterface& plugged, DWORD access, DWORD share) {
    if (!plugged.description.openable && (access & kReadWrite)) return ERROR_ACCESS_DENIED;
    for (const auto& [session, opening] : plugged.openings) {
        if (conflicts(opening, access, share)) return ERROR_SHARING_VIOLATION;
    }
    return ERROR_SUCCESS;
}

// What a read or write request must fail with before the device sees it.
DWORD requestError(const DeviceFile& file, DWORD neededAccess, const void* buffer, DWORD length, USHORT reportLength,
                   const OVERLAPPED* overlapped) {
    if (!(file.access & neededAccess)) return ERROR_ACCESS_DENIED;
    if (file.overlapped && overlapped == nullptr) return ERROR_INVALID_PARAMETER;
    if (reportLength == 0) return kErrorInvalidFunction;
    if (buffer == nullptr || length < reportLength) return ERROR_INVALID_USER_BUFFER;
    return emulated::bus::connectionError(file);
}

// Starts a transfer that the device answered with `reply`: completes it at
// once, leaves it pending (overlapped handle), or waits for it (synchronous
// handle). `complete` moves the data when the transfer completes.
BOOL issueTransfer(std::unique_lock<std::mutex>& guard, HANDLE handle, const DeviceFile& file, LPOVERLAPPED overlapped,
                   std::shared_ptr<Event> event, const TransferReply& reply, std::function<DWORD()> complete,
                   LPDWORD transferred) {
    if (reply.rejectedWith) return failWith(*reply.rejectedWith, FALSE);
    if (reply.completesAfterMs == std::uint64_t{0} && reply.completionStatus == ERROR_SUCCESS) {
        DWORD bytes = complete();
        if (overlapped) {
            overlapped->Internal = ERROR_SUCCESS;
            overlapped->InternalHigh = bytes;
        }
        if (event) signal(*event);
        if (transferred) *transferred = bytes;
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }

    OVERLAPPED synchronous{};
    OVERLAPPED* tracked = overlapped ? overlapped : &synchronous;
    tracked->Internal = kStatusPending;
    tracked->InternalHigh = 0;
    PendingIo io;
    io.file = handle;
    io.overlapped = tracked;
    // Without an event of the caller's, completion is still announced
    // through one, so that waiters wake.
    io.event = event ? std::move(event) : std::make_shared<Event>();
    if (reply.completesAfterMs) io.dueMs = now() + *reply.completesAfterMs;
    io.complete = std::move(complete);
    io.status = reply.completionStatus;
    io.thread = currentThread();
    startIo(std::move(io));
    if (file.overlapped) return failWith(ERROR_IO_PENDING, FALSE);

    waitForIo(guard, tracked);
    if (tracked->Internal != ERROR_SUCCESS) return failWith(errorOfNtStatus(tracked->Internal), FALSE);
    if (transferred) *transferred = static_cast<DWORD>(tracked->InternalHigh);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

// The caller's completion event, reset as the I/O manager resets it when it
// takes a request. Null with `ok` set when the caller gave none.
std::shared_ptr<Event> takeEvent(const OVERLAPPED* overlapped, bool& ok) {
    ok = true;
    if (overlapped == nullptr || overlapped->hEvent == nullptr) return nullptr;
    auto event = lookupAs<Event>(overlapped->hEvent, emulated::ObjectKind::Event);
    if (!event) {
        ok = false;
        return nullptr;
    }
    event->signalled = false;
    return event;
}

}  // namespace

HANDLE WINAPI CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                          DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE) {
    if (auto fault = enter("CreateFileW")) return failWith(*fault, INVALID_HANDLE_VALUE);
    if (fileName == nullptr) return failWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    std::lock_guard guard(lock());
    emulated::bus::recordOpenRequest(fileName);
    // Devices exist or they do not: only opening an existing one is emulated.
    if (creationDisposition != OPEN_EXISTING) return failWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    auto plugged = emulated::bus::findPresent(fileName);
    if (!plugged) return failWith(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    const DWORD access = desiredAccess & kReadWrite;
    if (DWORD error = openError(*plugged, access, shareMode); error != ERROR_SUCCESS) {
        return failWith(error, INVALID_HANDLE_VALUE);
    }

    auto file = std::make_shared<DeviceFile>();
    file->plugged = plugged;
    file->session = emulated::bus::newSession();
    file->access = access;
    file->overlapped = (flagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0;
    plugged->openings[file->session] = PluggedInterface::Opening{access, shareMode};
    plugged->device().opened(file->session);
    SetLastError(ERROR_SUCCESS);
    return addHandle(std::move(file));
}

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped) {
    if (auto fault = enter("ReadFile")) return failWith(*fault, FALSE);
    std::unique_lock guard(lock());
    auto file = emulated::bus::lookupFile(handle);
    if (!file) return failWith(ERROR_INVALID_HANDLE, FALSE);
    if (bytesRead) *bytesRead = 0;
    const PluggedInterface& plugged = *file->plugged;
    emulated::bus::recordRequest(HidRequest::Kind::Read, plugged, bytesToRead);
    const USHORT reportLength = plugged.description.inputReportByteLength;
    if (DWORD error = requestError(*file, GENERIC_READ, buffer, bytesToRead, reportLength, overlapped);
        error != ERROR_SUCCESS) {
        return failWith(error, FALSE);
    }
    bool eventOk = false;
    auto event = takeEvent(overlapped, eventOk);
    if (!eventOk) return failWith(ERROR_INVALID_HANDLE, FALSE);

    TransferReply reply = plugged.device().read(file->session);
    auto* destination = static_cast<std::uint8_t*>(buffer);
    auto deliver = [destination, reportLength, data = reply.data]() {
        auto count = std::min<std::size_t>(data.size(), reportLength);
        std::copy_n(data.begin(), count, destination);
        std::fill(destination + count, destination + reportLength, std::uint8_t{0});
        return DWORD{reportLength};
    };
    return issueTransfer(guard, handle, *file, overlapped, std::move(event), reply, deliver, bytesRead);
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
                      LPOVERLAPPED overlapped) {
    if (auto fault = enter("WriteFile")) return failWith(*fault, FALSE);
    std::unique_lock guard(lock());
    auto file = emulated::bus::lookupFile(handle);
    if (!file) return failWith(ERROR_INVALID_HANDLE, FALSE);
    if (bytesWritten) *bytesWritten = 0;
    const PluggedInterface& plugged = *file->plugged;
    emulated::bus::recordRequest(HidRequest::Kind::Write, plugged, bytesToWrite);
    const USHORT reportLength = plugged.description.outputReportByteLength;
    if (DWORD error = requestError(*file, GENERIC_WRITE, buffer, bytesToWrite, reportLength, overlapped);
        error != ERROR_SUCCESS) {
        return failWith(error, FALSE);
    }
    bool eventOk = false;
    auto event = takeEvent(overlapped, eventOk);
    if (!eventOk) return failWith(ERROR_INVALID_HANDLE, FALSE);

    // The device takes the report when the request reaches it.
    std::span report(static_cast<const std::uint8_t*>(buffer), reportLength);
    TransferReply reply = plugged.device().write(file->session, report);
    auto sent = [reportLength] { return DWORD{reportLength}; };
    return issueTransfer(guard, handle, *file, overlapped, std::move(event), reply, sent, bytesWritten);
}

BOOL WINAPI CancelIo(HANDLE handle) {
    if (auto fault = enter("CancelIo")) return failWith(*fault, FALSE);
    {
        std::lock_guard guard(lock());
        if (!emulated::bus::lookupFile(handle)) return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    cancelIo(handle);
    return TRUE;
}

BOOL WINAPI GetOverlappedResult(HANDLE handle, LPOVERLAPPED overlapped, LPDWORD bytesTransferred, BOOL wait) {
    if (auto fault = enter("GetOverlappedResult")) return failWith(*fault, FALSE);
    std::unique_lock guard(lock());
    if (!emulated::bus::lookupFile(handle)) return failWith(ERROR_INVALID_HANDLE, FALSE);
    if (overlapped == nullptr) return failWith(ERROR_INVALID_PARAMETER, FALSE);
    if (hasPendingIo(overlapped)) {
        if (!wait) return failWith(ERROR_IO_INCOMPLETE, FALSE);
        waitForIo(guard, overlapped);
    }
    if (bytesTransferred) *bytesTransferred = static_cast<DWORD>(overlapped->InternalHigh);
    if (overlapped->Internal != ERROR_SUCCESS) return failWith(errorOfNtStatus(overlapped->Internal), FALSE);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
