#include "sweep_world.h"

#include "api/library_state.h"
#include "api/mode_switch_lock.h"
#include "platform_test.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <regex>
#include <set>

namespace tamo::sweep {
namespace {

bool usesConfig(Situation situation) {
    return situation == Situation::SeeThroughConfig || situation == Situation::LockOpenElsewhere ||
           situation == Situation::LockBusy || situation == Situation::HeadsetLate;
}

SoundState someState;

}  // namespace

const char* nameOf(Situation situation) {
    switch (situation) {
    case Situation::HeadsetPresent: return "HeadsetPresent";
    case Situation::HeadsetAbsent: return "HeadsetAbsent";
    case Situation::SeeThroughConfig: return "SeeThroughConfig";
    case Situation::LockOpenElsewhere: return "LockOpenElsewhere";
    case Situation::LockBusy: return "LockBusy";
    case Situation::HeadsetLate: return "HeadsetLate";
    case Situation::MalformedConfig: return "MalformedConfig";
    }
    return "?";
}

std::vector<Situation> allSituations() {
    return {Situation::HeadsetPresent,    Situation::HeadsetAbsent, Situation::SeeThroughConfig,
            Situation::LockOpenElsewhere, Situation::LockBusy,      Situation::HeadsetLate,
            Situation::MalformedConfig};
}

std::vector<ExportCall> allExportCalls() {
    constexpr std::uint64_t kTransfer = 10000;
    constexpr std::uint64_t kInitLongest = 102 * kTransfer + 101 * 10;  // one write, 101 reads, 101 pauses
    return {
        {"Init", Export::Init, [] { return qor_tamo_sound_init(); }, kInitLongest},
        {"Destroy", Export::Destroy, [] { return qor_tamo_sound_destroy(); }, 0},
        {"SeeThroughOn", Export::SeeThrough, [] { return qor_tamo_sound_set_see_through_state(1); }, 0},
        {"SeeThroughOff", Export::SeeThrough, [] { return qor_tamo_sound_set_see_through_state(0); }, 0},
        {"AudioMode0", Export::AudioMode, [] { return qor_tamo_sound_set_audio_mode(0); }, 0},
        {"AudioMode1", Export::AudioMode, [] { return qor_tamo_sound_set_audio_mode(1); }, 0},
        {"AudioMode2", Export::AudioMode, [] { return qor_tamo_sound_set_audio_mode(2); }, 0},
        {"HiPowerOn", Export::HiPower, [] { return qor_tamo_sound_set_hi_power_state(1); }, 0},
        {"HiPowerOff", Export::HiPower, [] { return qor_tamo_sound_set_hi_power_state(0); }, 0},
        {"GetState", Export::GetState, [] { return qor_tamo_sound_get_state(&someState); }, kTransfer},
    };
}

void PrintTo(Situation situation, std::ostream* os) { *os << nameOf(situation); }
void PrintTo(const ExportCall& call, std::ostream* os) { *os << call.name; }

void World::enter(Situation situation, Export call) {
    reset();
    std::optional<std::string> config;
    if (usesConfig(situation)) config = emulated::builtInTableConfig("ENABLE_SEE_THROUGH=1\n");
    if (situation == Situation::MalformedConfig) config = emulated::builtInTableConfig("\nENABLE_SEE_THROUGH=1\n");
    setConfig(config);

    if (situation == Situation::HeadsetAbsent) {
        headset = std::make_shared<emulated::VirtualHeadset>();
    } else {
        headset = plug().headset;
    }
    if (situation == Situation::HeadsetLate) headset->setInputDelayMs(kLateHeadsetDelayMs);

    otherHolderCount.reset();
    if (situation == Situation::LockOpenElsewhere || situation == Situation::LockBusy) {
        const bool busy = situation == Situation::LockBusy;
        holdLock(busy);
        otherHolderCount = busy ? 0 : 1;
    }
    baselineHandles = emulated::System::openHandleCount();

    // Init starts from scratch; every other call needs the library enabled.
    setInitialised(call != Export::Init);
    emulated::CallLog::clear();
}

bool isDocumentedLine(const std::string& line) {
    static const std::set<std::string> fixed = [] {
        std::set<std::string> lines = {
            "Handle is exist.",
            "strtok_r() is failed!!",
            "Error: OpenDeviceInterface: malloc failed",
            "Error: SetupDiGetInterfaceDeviceDetail failed",
            "Error: HidD_GetAttributes failed",
        };
        for (const char* lockCall : {"CreateSemaphoreW", "WaitForSingleObject", "ReleaseSemaphore", "CloseHandle"}) {
            for (const auto& text : test::systemErrorLines(emulated::Faults::typicalError(lockCall))) {
                lines.insert(text);
            }
        }
        return lines;
    }();
    static const std::regex patterns(
        "Cannot find the key:.*|getKeyValueFromBuffer\\(.*\\) is failed!!|SetupDiGetClassDevs failed: [0-9]+|"
        "MCU FW is not supported!!\\(Current Version:.*\\)|mc_version:[0-9]+");
    return fixed.count(line) != 0 || std::regex_match(line, patterns);
}

bool containsRun(const std::vector<std::string>& lines, const std::vector<std::string>& needle) {
    return std::search(lines.begin(), lines.end(), needle.begin(), needle.end()) != lines.end();
}

std::optional<long> lockCount() { return emulated::System::semaphoreCount(kModeSwitchLockName); }

}  // namespace tamo::sweep
