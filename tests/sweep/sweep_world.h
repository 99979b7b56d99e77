// The situations the anomaly sweep and the soak put the library in, the
// exported calls they make, and what those calls may print.
//
// A situation is a fresh emulated world: the host executable's directory
// (with or without hmd_config.ini), the virtual headset (present, absent,
// late), another holder of the mode-switch semaphore, and the initialised
// state each exported call needs to do its work.
#pragma once

#include "inspect/exports.h"
#include "platform/emulated/system.h"
#include "platform/emulated/world.h"
#include "tamo_settings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace tamo::sweep {

enum class Situation {
    HeadsetPresent,     // no hmd_config.ini, the headset plugged in
    HeadsetAbsent,      // no hmd_config.ini, no HID interface at all
    SeeThroughConfig,   // hmd_config.ini with the built-in table and see-through on
    LockOpenElsewhere,  // as SeeThroughConfig, another handle keeps the free semaphore alive
    LockBusy,           // as SeeThroughConfig, another caller holds the semaphore
    HeadsetLate,        // as SeeThroughConfig, input reports come ten hours late
    MalformedConfig,    // hmd_config.ini with a blank line: unreadable as a whole
};
const char* nameOf(Situation situation);
std::vector<Situation> allSituations();

using inspect::Export;

struct ExportCall {
    const char* name;
    Export kind;
    std::function<StatusCode()> call;
    // The virtual time the call may take at most by its documented waits:
    // 10000 ms per input or output transfer, 10 ms per pause in the poll.
    std::uint64_t longestMs;
};
std::vector<ExportCall> allExportCalls();

// The sweeps' parameters: every exported call in every situation, and the
// test name of each pair ("AudioMode1_LockBusy").
inline auto everyCallInEverySituation() {
    return ::testing::Combine(::testing::ValuesIn(allExportCalls()), ::testing::ValuesIn(allSituations()));
}
inline std::string callInSituationName(const ::testing::TestParamInfo<std::tuple<ExportCall, Situation>>& test) {
    return std::string(std::get<0>(test.param).name) + "_" + nameOf(std::get<1>(test.param));
}

// For GoogleTest's messages.
void PrintTo(Situation situation, std::ostream* os);
void PrintTo(const ExportCall& call, std::ostream* os);

// Input reports of the late headset arrive this long after they are asked for.
inline constexpr std::uint64_t kLateHeadsetDelayMs = 36'000'000;

// The emulated world of one situation; enter() may be called any number of
// times.
class World : public emulated::World {
public:
    // A fresh world in `situation`, the library's initialised state as
    // `call` needs it, and an empty call log.
    void enter(Situation situation, Export call);
    // Releases what the situation itself holds (the other semaphore holder).
    void leave() { releaseLock(); }

    // Plugged in as interface 0, except where the situation has no headset.
    std::shared_ptr<emulated::VirtualHeadset> headset;
    // Handles the situation holds itself; the library's calls must leave
    // the count there.
    std::size_t baselineHandles = 0;
    // The semaphore count another holder keeps alive, if there is one.
    std::optional<long> otherHolderCount;
};

// Everything the library may print: its fixed messages, the lines that
// carry a key, a line of the file, a number or a version text, and the
// system's texts for the error codes its lock can meet.
bool isDocumentedLine(const std::string& line);

// Whether `needle` appears in `lines` as a contiguous run.
bool containsRun(const std::vector<std::string>& lines, const std::vector<std::string>& needle);

// The mode-switch semaphore's count, nothing when no handle keeps it alive.
std::optional<long> lockCount();

}  // namespace tamo::sweep
