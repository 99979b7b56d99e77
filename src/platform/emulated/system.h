// Test-side control of the emulated Windows.
//
// Tests reset the world, set the executable path, plug devices into the
// virtual HID bus, make chosen platform calls fail, and read back what the
// library asked of the platform. Everything here is thread-safe.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace emulated {

enum class ObjectKind { Semaphore, Event, File, DeviceInfoSet };

struct System {
    // A fresh world: no handles or named objects, virtual clock at 0, no
    // faults, empty call log, default executable path, empty HID bus.
    static void reset();

    // Handles the emulation has handed out and not yet seen closed, in all
    // or of one kind. Device-information sets count as handles here.
    static std::size_t openHandleCount();
    static std::size_t openHandleCount(ObjectKind kind);
    // Blocks from LocalFree-owned allocations (FormatMessageW) and other
    // platform-owned memory (preparsed data) still outstanding.
    static std::size_t outstandingAllocations();

    // Virtual milliseconds since reset: Sleep and time-outs advance it.
    static std::uint64_t nowMs();
    // With real time on, Sleep and a wait that times out also take their
    // time for real (a host watching the clock sees them); reset turns it
    // off again.
    static void setRealTime(bool on);

    // What OutputDebugStringA/W were given since reset, one text a call.
    static std::vector<std::wstring> debuggerOutput();

    // Paths use Wine's convention (Z:\ is the host's root).
    static void setExecutablePath(const std::wstring& path);
    static std::wstring executablePath();

    // Windows 7 without the search-path update refuses the
    // LOAD_LIBRARY_SEARCH_* flags of LoadLibraryExW with
    // ERROR_INVALID_PARAMETER; this makes the emulation behave so.
    static void refuseLibrarySearchFlags();
    // Every LoadLibraryExW request since reset, as the library passed it.
    struct LibraryLoad {
        std::wstring fileName;
        DWORD flags = 0;
    };
    static std::vector<LibraryLoad> libraryLoads();
    // The system directory GetSystemDirectoryW reports.
    static const wchar_t* systemDirectory();

    // The current count of a named semaphore, or nothing when no object of
    // that name exists.
    static std::optional<long> semaphoreCount(const std::wstring& name);
};

// Fault injection. A fault makes one future call of a platform function fail
// the way Windows reports that failure (its usual failure result, and the
// given code in GetLastError).
struct Faults {
    // The nth call of `function` from now on (1 = the next one) fails.
    static void failCall(const std::string& function, int nth, DWORD error);
    // The call at this position of the call log (0-based, counted from the
    // last clearCallLog or reset) fails, with the given code or, without
    // one, a realistic code for that function.
    static void failCallAtPosition(std::size_t position, std::optional<DWORD> error = std::nullopt);
    static void clear();
    // How many armed faults have fired since reset.
    static std::size_t fired();
    // A realistic error code for a failure of `function`.
    static DWORD typicalError(const std::string& function);
};

struct CallLog {
    // Names of the platform calls made since reset or clear, in order.
    // GetLastError and SetLastError are not recorded.
    static std::vector<std::string> calls();
    static std::size_t count(const std::string& function);
    static void clear();
};

}  // namespace emulated
