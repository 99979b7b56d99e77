// Handle table, call log, fault injection, virtual clock and reset.
#include "platform/emulated/kernel.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <thread>
#include <unordered_map>
#include <vector>

namespace emulated::kernel {
namespace {

struct HandleTable {
    std::unordered_map<std::uintptr_t, std::shared_ptr<Object>> objects;
    std::uintptr_t next = 0x100;
};

HandleTable& handles() {
    static HandleTable table;
    return table;
}

std::atomic<std::uint64_t> clockMs{0};
std::atomic<bool> realTimeOn{false};

struct FaultPlan {
    std::mutex mutex;
    std::vector<std::string> log;
    // Remaining calls to skip before the fault fires, by function.
    std::multimap<std::string, std::pair<int, DWORD>> byFunction;
    std::map<std::size_t, std::optional<DWORD>> byPosition;
    std::size_t fired = 0;
};

FaultPlan& faultPlan() {
    static FaultPlan plan;
    return plan;
}

std::vector<std::function<void()>>& resetHooks() {
    static std::vector<std::function<void()>> hooks;
    return hooks;
}

std::set<const void*>& allocations() {
    static std::set<const void*> blocks;
    return blocks;
}

std::mutex& allocationMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace

std::mutex& lock() {
    static std::mutex mutex;
    return mutex;
}

std::condition_variable& changed() {
    static std::condition_variable cv;
    return cv;
}

HANDLE addHandle(std::shared_ptr<Object> object) {
    auto& table = handles();
    std::uintptr_t value = table.next;
    table.next += 4;
    table.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<Object> lookup(HANDLE handle) {
    auto& table = handles();
    auto it = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == table.objects.end() ? nullptr : it->second;
}

bool removeHandle(HANDLE handle) {
    return handles().objects.erase(reinterpret_cast<std::uintptr_t>(handle)) != 0;
}

std::optional<DWORD> enter(const char* function) {
    auto& plan = faultPlan();
    std::lock_guard guard(plan.mutex);
    std::size_t position = plan.log.size();
    plan.log.emplace_back(function);

    if (auto it = plan.byPosition.find(position); it != plan.byPosition.end()) {
        DWORD error = it->second.value_or(Faults::typicalError(function));
        plan.byPosition.erase(it);
        ++plan.fired;
        return error;
    }
    auto [first, last] = plan.byFunction.equal_range(function);
    for (auto it = first; it != last; ++it) {
        if (--it->second.first == 0) {
            DWORD error = it->second.second;
            plan.byFunction.erase(it);
            ++plan.fired;
            return error;
        }
    }
    return std::nullopt;
}

std::uint64_t now() { return clockMs.load(); }
void advance(std::uint64_t milliseconds) { clockMs.fetch_add(milliseconds); }
bool realTime() { return realTimeOn.load(); }

std::uintptr_t currentThread() {
    return static_cast<std::uintptr_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
}

void trackAllocation(const void* block) {
    std::lock_guard guard(allocationMutex());
    allocations().insert(block);
}

bool releaseAllocation(const void* block) {
    std::lock_guard guard(allocationMutex());
    return allocations().erase(block) != 0;
}

void onReset(std::function<void()> hook) { resetHooks().push_back(std::move(hook)); }

}  // namespace emulated::kernel

namespace emulated {

using namespace kernel;

void System::reset() {
    {
        std::lock_guard guard(lock());
        handles().objects.clear();
        handles().next = 0x100;
        clockMs = 0;
        realTimeOn = false;
    }
    Faults::clear();
    CallLog::clear();
    {
        std::lock_guard guard(faultPlan().mutex);
        faultPlan().fired = 0;
    }
    {
        std::lock_guard guard(allocationMutex());
        allocations().clear();
    }
    for (auto& hook : resetHooks()) hook();
}

std::size_t System::openHandleCount() {
    std::lock_guard guard(lock());
    return handles().objects.size();
}

std::size_t System::openHandleCount(ObjectKind kind) {
    std::lock_guard guard(lock());
    return static_cast<std::size_t>(std::count_if(handles().objects.begin(), handles().objects.end(),
                                                  [kind](const auto& entry) { return entry.second->kind() == kind; }));
}

std::size_t System::outstandingAllocations() {
    std::lock_guard guard(allocationMutex());
    return allocations().size();
}

std::uint64_t System::nowMs() { return kernel::now(); }

void System::setRealTime(bool on) { realTimeOn = on; }

void Faults::failCall(const std::string& function, int nth, DWORD error) {
    auto& plan = faultPlan();
    std::lock_guard guard(plan.mutex);
    plan.byFunction.emplace(function, std::make_pair(nth, error));
}

void Faults::failCallAtPosition(std::size_t position, std::optional<DWORD> error) {
    auto& plan = faultPlan();
    std::lock_guard guard(plan.mutex);
    plan.byPosition[position] = error;
}

void Faults::clear() {
    auto& plan = faultPlan();
    std::lock_guard guard(plan.mutex);
    plan.byFunction.clear();
    plan.byPosition.clear();
}

std::size_t Faults::fired() {
    auto& plan = faultPlan();
    std::lock_guard guard(plan.mutex);
    return plan.fired;
}

DWORD Faults::typicalError(const std::string& function) {
    static const std::map<std::string, DWORD, std::less<>> typical = {
        {"CreateSemaphoreW", ERROR_ACCESS_DENIED},
        {"WaitForSingleObject", ERROR_INVALID_HANDLE},
        {"ReleaseSemaphore", ERROR_TOO_MANY_POSTS},
        {"CloseHandle", ERROR_INVALID_HANDLE},
        {"CreateEventW", ERROR_NOT_ENOUGH_MEMORY},
        {"CreateFileW", ERROR_ACCESS_DENIED},
        {"ReadFile", ERROR_DEVICE_NOT_CONNECTED},
        {"WriteFile", ERROR_DEVICE_NOT_CONNECTED},
        {"GetOverlappedResult", ERROR_OPERATION_ABORTED},
        {"SetupDiGetClassDevsW", ERROR_INVALID_PARAMETER},
        {"SetupDiEnumDeviceInterfaces", ERROR_NO_MORE_ITEMS},
        {"SetupDiGetDeviceInterfaceDetailW", ERROR_NOT_ENOUGH_MEMORY},
        {"LoadLibraryExW", ERROR_MOD_NOT_FOUND},
        {"GetProcAddress", ERROR_PROC_NOT_FOUND},
        {"FormatMessageW", ERROR_MR_MID_NOT_FOUND},
        {"GetModuleFileNameW", ERROR_INSUFFICIENT_BUFFER},
        {"GetSystemDirectoryW", ERROR_NOT_ENOUGH_MEMORY},
    };
    auto it = typical.find(function);
    return it == typical.end() ? ERROR_GEN_FAILURE : it->second;
}

std::vector<std::string> CallLog::calls() {
    auto& plan = faultPlan();
    std::lock_guard guard(plan.mutex);
    return plan.log;
}

std::size_t CallLog::count(const std::string& function) {
    auto& plan = faultPlan();
    std::lock_guard guard(plan.mutex);
    return static_cast<std::size_t>(std::count(plan.log.begin(), plan.log.end(), function));
}

void CallLog::clear() {
    auto& plan = faultPlan();
    std::lock_guard guard(plan.mutex);
    plan.log.clear();
    plan.byPosition.clear();
}

}  // namespace emulated

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

DWORD WINAPI GetLastError() { return lastError; }
void WINAPI SetLastError(DWORD code) { lastError = code; }

BOOL WINAPI CloseHandle(HANDLE handle) {
    using namespace emulated::kernel;
    if (auto fault = enter("CloseHandle")) {
        SetLastError(*fault);
        return FALSE;
    }
    // INVALID_HANDLE_VALUE is also the current process's pseudo-handle,
    // which Windows "closes" successfully.
    if (handle == INVALID_HANDLE_VALUE) return TRUE;
    std::lock_guard guard(lock());
    auto object = lookup(handle);
    if (!object || object->kind() == emulated::ObjectKind::DeviceInfoSet) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (object->kind() == emulated::ObjectKind::File) abortIoOf(handle);
    removeHandle(handle);
    return TRUE;
}
