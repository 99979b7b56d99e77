// The one storage the library asks for without an exception, the copy of a
// command report it hands to the platform: when it cannot be had, nothing is
// sent. (Every allocation failing in turn, in every export and situation, is
// the allocation sweep's.)
//
// This program replaces the global operator new. Once armed, it lets a given
// number of allocations through and fails the next one the library itself
// makes. Allocations inside the emulated Windows are never failed: real
// Windows does not throw into its caller, so an exception from there would
// test the emulation, not the library. They are told apart by the call
// stack: an allocation is the platform's when a Windows API function or the
// emulation's own code is on it (the program exports its symbols for this).
#include "api/library_state.h"
#include "api/mode_switch_lock.h"
#include "headset_test.h"
#include "platform/line_redirect.h"

#include <dlfcn.h>
#include <execinfo.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

namespace {

// Armed: every allocation counts down; the one that finds the count at zero
// fails when it is the library's, and the count stops either way.
std::atomic<bool> armed{false};
std::atomic<bool> nothrowOnly{false};  // count and fail only nothrow allocations
std::atomic<long> allocationsLeft{0};
std::atomic<long> allocationsSeen{0};
std::atomic<int> failuresInjected{0};
thread_local bool inspecting = false;

// Win32 functions are global C++ functions whose names start with a capital
// or an underscore (_wfopen); the emulation's own code is in namespace
// emulated.
bool isPlatformSymbol(const char* name) {
    if (std::strncmp(name, "_ZN8emulated", 12) == 0 || std::strncmp(name, "_ZNK8emulated", 13) == 0) return true;
    if (std::strncmp(name, "_Z", 2) != 0 || !std::isdigit(static_cast<unsigned char>(name[2]))) return false;
    const char* identifier = name + 2;
    while (std::isdigit(static_cast<unsigned char>(*identifier))) ++identifier;
    return std::isupper(static_cast<unsigned char>(*identifier)) || *identifier == '_';
}

bool calledFromPlatform() {
    void* frames[128];
    int count = backtrace(frames, 128);
    for (int i = 0; i < count; ++i) {
        Dl_info info;
        if (dladdr(frames[i], &info) != 0 && info.dli_sname != nullptr && isPlatformSymbol(info.dli_sname)) {
            return true;
        }
    }
    return false;
}

bool failThisAllocation(bool nothrow) {
    if (!armed.load() || inspecting || (nothrowOnly && !nothrow)) return false;
    ++allocationsSeen;
    if (allocationsLeft.fetch_sub(1) != 0) return false;
    armed = false;
    inspecting = true;
    bool fail = !calledFromPlatform();
    inspecting = false;
    if (fail) ++failuresInjected;
    return fail;
}

void* allocate(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }

}  // namespace

void* operator new(std::size_t size) {
    if (failThisAllocation(false)) throw std::bad_alloc();
    if (void* block = allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (failThisAllocation(true)) return nullptr;
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace tamo::test {
namespace {

using emulated::System;

// Runs `call` with allocation number `n` (from 0) failing if it is the
// library's; a negative `n` fails nothing. Returns the call's result.
StatusCode runFailing(long n, const std::function<StatusCode()>& call) {
    failuresInjected = 0;
    allocationsSeen = 0;
    allocationsLeft = n < 0 ? LONG_MAX : n;
    LineRedirect out;
    armed = true;
    StatusCode result = call();
    armed = false;
    return result;
}

using TransferBufferTest = HeadsetTest;

// The only storage the library asks for without an exception is the copy of
// a command report that it hands to the platform.
TEST_F(TransferBufferTest, WhenItCannotBeObtainedNothingIsSent) {
    initialise();
    nothrowOnly = true;
    StatusCode result = runFailing(0, [] { return qor_tamo_sound_set_audio_mode(1); });
    nothrowOnly = false;
    EXPECT_EQ(failuresInjected, 1);
    EXPECT_EQ(result, SOUND_ERROR_OUT_OF_MEMORY);
    EXPECT_EQ(headset->opens(), 1u) << "the headset was opened";
    EXPECT_TRUE(headset->received().empty()) << "but nothing was sent";
    EXPECT_EQ(headset->openHandles(), 0u);
    EXPECT_TRUE(lockGone());
}

}  // namespace
}  // namespace tamo::test
