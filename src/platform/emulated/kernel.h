// Internals shared by the files of the emulated Windows.
//
// One process-wide kernel lock guards every object; the API functions take it
// for the whole of their work, so real threads see the same atomicity as on
// Windows (a semaphore count moves in one step, a handle is in the table or
// not). Condition waits release it.
#pragma once

#include "platform/emulated/system.h"

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace emulated::kernel {

struct Object {
    virtual ~Object() = default;
    virtual ObjectKind kind() const = 0;
    // Whether a wait on the object would be satisfied now; consumes the
    // signal where the object's kind says so (a semaphore unit, an
    // auto-reset event). Called with the kernel lock held.
    virtual bool tryAcquire() { return false; }
};

std::mutex& lock();
std::condition_variable& changed();  // notified whenever an object is signalled

// Handle table. Values are distinct, non-null, never INVALID_HANDLE_VALUE.
HANDLE addHandle(std::shared_ptr<Object> object);
std::shared_ptr<Object> lookup(HANDLE handle);  // null when not open
bool removeHandle(HANDLE handle);
template <class T>
std::shared_ptr<T> lookupAs(HANDLE handle, ObjectKind kind) {
    auto object = lookup(handle);
    if (!object || object->kind() != kind) return nullptr;
    return std::static_pointer_cast<T>(object);
}

// Called at the start of every emulated API function (except the last-error
// pair): logs the call and answers with an error code when a fault is armed
// for it. Takes its own lock, not the kernel lock.
std::optional<DWORD> enter(const char* function);

// Virtual clock.
std::uint64_t now();
void advance(std::uint64_t milliseconds);
// Whether waits also take their time for real (System::setRealTime).
bool realTime();

// Manual- or auto-reset event; the overlapped I/O of devices signals it.
struct Event final : Object {
    bool manualReset = true;
    bool signalled = false;
    ObjectKind kind() const override { return ObjectKind::Event; }
    bool tryAcquire() override;
};
void signal(Event& event);  // kernel lock held

// A transfer that has been issued and not yet completed. The device layer
// registers one per overlapped ReadFile/WriteFile that cannot complete at
// once; waits on its event run the completion when the virtual clock reaches
// `dueMs`.
struct PendingIo {
    HANDLE file = nullptr;
    OVERLAPPED* overlapped = nullptr;
    std::shared_ptr<Event> event;
    std::optional<std::uint64_t> dueMs;  // nothing: never completes by itself
    // Fills the caller's buffer and returns the byte count; run once, with
    // the kernel lock held, when the transfer completes in time.
    std::function<DWORD()> complete;
    // The status it completes with; an error moves no data.
    DWORD status = ERROR_SUCCESS;
    std::uintptr_t thread = 0;
};
// Completes a due transfer with its own status (kernel lock held).
void completeIo(PendingIo& io);
void startIo(PendingIo io);                       // kernel lock held
void finishIo(PendingIo& io, DWORD status, DWORD bytes);  // kernel lock held
// The NTSTATUS that OVERLAPPED.Internal holds for a Win32 error, and back.
ULONG_PTR ntStatusOf(DWORD error);
DWORD errorOfNtStatus(ULONG_PTR status);
// Cancels the calling thread's transfers on `file` (CancelIo).
std::size_t cancelIo(HANDLE file);
// Completes every transfer of `file` with ERROR_OPERATION_ABORTED, as
// closing the file does on Windows. Kernel lock held.
void abortIoOf(HANDLE file);
bool hasPendingIo(const OVERLAPPED* overlapped);  // kernel lock held
// Blocks until the transfer of `overlapped` has ended: one with a due time
// is run on the virtual clock; one without waits for another thread to
// cancel it or close its file. Kernel lock held through `guard`.
void waitForIo(std::unique_lock<std::mutex>& guard, const OVERLAPPED* overlapped);
std::uintptr_t currentThread();

// Platform-owned memory that the caller must give back (LocalFree, ...).
void trackAllocation(const void* block);
bool releaseAllocation(const void* block);

// Per-subsystem reset hooks, run by System::reset in registration order.
void onReset(std::function<void()> hook);

// The file an emulated path names on the system the emulation runs on
// (host_system.h); empty when it names none, or is too long to open
// without the prefix that lifts the limit.
std::filesystem::path hostPath(const wchar_t* windowsPath);
std::string toUtf8(const std::wstring& utf16Units);

}  // namespace emulated::kernel
