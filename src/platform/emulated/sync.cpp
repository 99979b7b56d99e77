// Semaphores, events, waits, the virtual clock and pending overlapped I/O.
#include "platform/emulated/kernel.h"

#include <algorithm>
#include <chrono>
#include <list>
#include <map>
#include <thread>

namespace emulated::kernel {
namespace {

struct Semaphore final : Object {
    std::wstring name;
    LONG count = 0;
    LONG maximum = 0;
    ObjectKind kind() const override { return ObjectKind::Semaphore; }
    bool tryAcquire() override {
        if (count == 0) return false;
        --count;
        return true;
    }
};

// Named objects live while a handle refers to them: the namespace holds weak
// references only.
std::map<std::wstring, std::weak_ptr<Semaphore>>& namedSemaphores() {
    static std::map<std::wstring, std::weak_ptr<Semaphore>> names;
    return names;
}

std::list<PendingIo>& pendingIo() {
    static std::list<PendingIo> transfers;
    return transfers;
}

const bool registered = [] {
    onReset([] {
        std::lock_guard guard(lock());
        namedSemaphores().clear();
        pendingIo().clear();
    });
    return true;
}();

// Runs transfers on `event` that are due within `limit` (kernel lock held).
// Returns whether the event got signalled.
bool completeDueIoOn(const std::shared_ptr<Event>& event, std::uint64_t limit) {
    auto& transfers = pendingIo();
    auto earliest = transfers.end();
    for (auto it = transfers.begin(); it != transfers.end(); ++it) {
        if (it->event != event || !it->dueMs || *it->dueMs > limit) continue;
        if (earliest == transfers.end() || *it->dueMs < *earliest->dueMs) earliest = it;
    }
    if (earliest == transfers.end()) return false;
    if (*earliest->dueMs > now()) advance(*earliest->dueMs - now());
    PendingIo io = std::move(*earliest);
    transfers.erase(earliest);
    completeIo(io);
    return true;
}

}  // namespace

bool Event::tryAcquire() {
    if (!signalled) return false;
    if (!manualReset) signalled = false;
    return true;
}

void signal(Event& event) {
    event.signalled = true;
    changed().notify_all();
}

void startIo(PendingIo io) { pendingIo().push_back(std::move(io)); }

// OVERLAPPED.Internal holds an NTSTATUS, as on Windows; GetOverlappedResult
// turns it back into a Win32 error code.
namespace {
constexpr ULONG_PTR kStatusCancelled = 0xC0000120;
}

ULONG_PTR ntStatusOf(DWORD error) { return error == ERROR_OPERATION_ABORTED ? kStatusCancelled : error; }
DWORD errorOfNtStatus(ULONG_PTR status) {
    return status == kStatusCancelled ? ERROR_OPERATION_ABORTED : static_cast<DWORD>(status);
}

void finishIo(PendingIo& io, DWORD status, DWORD bytes) {
    if (io.overlapped) {
        io.overlapped->Internal = ntStatusOf(status);
        io.overlapped->InternalHigh = bytes;
    }
    if (io.event) signal(*io.event);
}

void completeIo(PendingIo& io) {
    const bool delivers = io.status == ERROR_SUCCESS && io.complete;
    finishIo(io, io.status, delivers ? io.complete() : 0);
}

std::size_t cancelIo(HANDLE file) {
    std::lock_guard guard(lock());
    auto& transfers = pendingIo();
    std::size_t cancelled = 0;
    std::uintptr_t thread = currentThread();
    for (auto it = transfers.begin(); it != transfers.end();) {
        if (it->file == file && it->thread == thread) {
            finishIo(*it, ERROR_OPERATION_ABORTED, 0);
            it = transfers.erase(it);
            ++cancelled;
        } else {
            ++it;
        }
    }
    return cancelled;
}

void abortIoOf(HANDLE file) {
    auto& transfers = pendingIo();
    for (auto it = transfers.begin(); it != transfers.end();) {
        if (it->file == file) {
            finishIo(*it, ERROR_OPERATION_ABORTED, 0);
            it = transfers.erase(it);
        } else {
            ++it;
        }
    }
}

bool hasPendingIo(const OVERLAPPED* overlapped) {
    auto& transfers = pendingIo();
    return std::any_of(transfers.begin(), transfers.end(),
                       [overlapped](const PendingIo& io) { return io.overlapped == overlapped; });
}

void waitForIo(std::unique_lock<std::mutex>& guard, const OVERLAPPED* overlapped) {
    auto& transfers = pendingIo();
    for (;;) {
        auto it = std::find_if(transfers.begin(), transfers.end(),
                               [overlapped](const PendingIo& io) { return io.overlapped == overlapped; });
        if (it == transfers.end()) return;
        if (it->dueMs) {
            if (*it->dueMs > now()) advance(*it->dueMs - now());
            PendingIo io = std::move(*it);
            transfers.erase(it);
            completeIo(io);
            return;
        }
        changed().wait(guard);
    }
}

}  // namespace emulated::kernel

namespace emulated {

std::optional<long> System::semaphoreCount(const std::wstring& name) {
    std::lock_guard guard(kernel::lock());
    auto& names = kernel::namedSemaphores();
    auto it = names.find(name);
    if (it == names.end()) return std::nullopt;
    auto semaphore = it->second.lock();
    if (!semaphore) return std::nullopt;
    return semaphore->count;
}

}  // namespace emulated

using namespace emulated::kernel;
using emulated::ObjectKind;

HANDLE WINAPI CreateSemaphoreW(LPSECURITY_ATTRIBUTES, LONG initialCount, LONG maximumCount, LPCWSTR name) {
    if (auto fault = enter("CreateSemaphoreW")) {
        SetLastError(*fault);
        return nullptr;
    }
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard guard(lock());
    std::shared_ptr<Semaphore> semaphore;
    bool existed = false;
    if (name) {
        auto& slot = namedSemaphores()[name];
        semaphore = slot.lock();
        existed = semaphore != nullptr;
        if (!semaphore) {
            semaphore = std::make_shared<Semaphore>();
            semaphore->name = name;
            semaphore->count = initialCount;
            semaphore->maximum = maximumCount;
            slot = semaphore;
        }
    } else {
        semaphore = std::make_shared<Semaphore>();
        semaphore->count = initialCount;
        semaphore->maximum = maximumCount;
    }
    HANDLE handle = addHandle(semaphore);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI ReleaseSemaphore(HANDLE handle, LONG releaseCount, LONG* previousCount) {
    if (auto fault = enter("ReleaseSemaphore")) {
        SetLastError(*fault);
        return FALSE;
    }
    std::lock_guard guard(lock());
    auto semaphore = lookupAs<Semaphore>(handle, ObjectKind::Semaphore);
    if (!semaphore) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (releaseCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (semaphore->count + releaseCount > semaphore->maximum) {
        SetLastError(ERROR_TOO_MANY_POSTS);
        return FALSE;
    }
    if (previousCount) *previousCount = semaphore->count;
    semaphore->count += releaseCount;
    changed().notify_all();
    return TRUE;
}

HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name) {
    if (auto fault = enter("CreateEventW")) {
        SetLastError(*fault);
        return nullptr;
    }
    if (name) {  // the library only makes unnamed events
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard guard(lock());
    auto event = std::make_shared<Event>();
    event->manualReset = manualReset != FALSE;
    event->signalled = initialState != FALSE;
    SetLastError(ERROR_SUCCESS);
    return addHandle(event);
}

BOOL WINAPI SetEvent(HANDLE handle) {
    if (auto fault = enter("SetEvent")) {
        SetLastError(*fault);
        return FALSE;
    }
    std::lock_guard guard(lock());
    auto event = lookupAs<Event>(handle, ObjectKind::Event);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    signal(*event);
    return TRUE;
}

BOOL WINAPI ResetEvent(HANDLE handle) {
    if (auto fault = enter("ResetEvent")) {
        SetLastError(*fault);
        return FALSE;
    }
    std::lock_guard guard(lock());
    auto event = lookupAs<Event>(handle, ObjectKind::Event);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->signalled = false;
    return TRUE;
}

// Time runs on the virtual clock: a wait that nothing will satisfy within its
// time-out advances the clock by the time-out and returns at once. Only an
// INFINITE wait with nothing scheduled blocks for real, until another thread
// signals the object.
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    if (auto fault = enter("WaitForSingleObject")) {
        SetLastError(*fault);
        return WAIT_FAILED;
    }
    std::unique_lock guard(lock());
    auto object = lookup(handle);
    if (!object || object->kind() == ObjectKind::File || object->kind() == ObjectKind::DeviceInfoSet) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if (object->tryAcquire()) return WAIT_OBJECT_0;

    if (object->kind() == ObjectKind::Event) {
        auto event = std::static_pointer_cast<Event>(object);
        std::uint64_t limit = milliseconds == INFINITE ? UINT64_MAX : now() + milliseconds;
        if (completeDueIoOn(event, limit) && object->tryAcquire()) return WAIT_OBJECT_0;
    }
    if (milliseconds != INFINITE) {
        // In real time another thread may still signal it meanwhile.
        if (realTime() &&
            changed().wait_for(guard, std::chrono::milliseconds(milliseconds), [&] { return object->tryAcquire(); })) {
            return WAIT_OBJECT_0;
        }
        advance(milliseconds);
        return WAIT_TIMEOUT;
    }
    changed().wait(guard, [&] { return object->tryAcquire(); });
    return WAIT_OBJECT_0;
}

void WINAPI Sleep(DWORD milliseconds) {
    enter("Sleep");
    if (realTime()) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    advance(milliseconds);
}

DWORD WINAPI GetTickCount() { return static_cast<DWORD>(now()); }
