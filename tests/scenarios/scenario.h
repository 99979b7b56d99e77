// The end-to-end scenarios of the exported functions as data: what is
// plugged in and configured, the steps (export calls and what happens around
// them), and everything expected of them. One table, run by three hosts: the
// native exports on the emulated Windows against the virtual headset, the
// simulator DLL on Wine with the same emulated Windows inside it, and the
// real DLL on Wine against the pipe headset.
//
// Every expectation is exact. What a host cannot observe (the platform
// calls the library made, commands the headset applied) only the hosts that
// can check; a scenario some hosts cannot set up at all names the hosts that
// can and why the others cannot, and those skip it with that reason.
#pragma once

#include "expected_reports.h"
#include "inspect/exports.h"
#include "tamo_settings.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace tamo::test {

enum class Host { Emulated, Simulator, Wine };

// The hosts whose headsets are the virtual ones on the emulated Windows.
inline const std::vector<Host> kEmulatedWindows = {Host::Emulated, Host::Simulator};

using inspect::Export;

// An interface on the HID bus, in enumeration order. Each one is a headset
// model of its own, whatever it presents itself as.
struct DeviceSpec {
    std::uint16_t vendorId = 0x2E5C;
    std::wstring productString = L"Tamo Mk2";
    bool openable = true;
};

// What the headset's status report says: audio mode byte, hi-power status
// byte (0 while hi power is on), see-through.
struct StatusBytes {
    std::uint8_t audioMode = 0;
    std::uint8_t hiPowerStatus = 0;
    bool seeThrough = false;
};

// The headset's settings as it applied them.
struct Settings {
    std::uint8_t audioMode = 0;
    bool hiPower = false;
    bool seeThrough = false;
};

// What the headset refuses (emulated Windows only).
enum class Refusal { Read, Write, SetFeature, GetFeature };

// One thing the headset under test saw, in order.
enum class Exchange { Open, Close, SetFeature, GetFeature, Output, Read };

struct Step {
    enum class Action {
        Call,              // export `call` with `argument`; `expected` and `lines`
        SetVersionText,    // `text`
        SetStatus,         // `status`
        SetSilent,         // no input report is delivered from now on
        SetReportsBeforeVersion,  // `argument` unasked input reports before the version reply
        DropGreeting,      // the status report every new reader gets first is withheld
        Refuse,            // `refusal`
        Unplug,
        WriteConfig,       // hmd_config.ini beside the host executable is `text`
        RemoveConfig,
        HoldLock,          // someone else takes the mode-switch lock
        ReleaseLock,
    };
    Action action = Action::Call;
    Export call = Export::Init;
    std::int32_t argument = 0;
    StatusCode expected = SOUND_OK;
    std::vector<std::string> lines{};       // printed by the call, exactly
    std::optional<SoundState> record{};     // get_state: the host's record afterwards
    bool nullRecord = false;                // get_state: called with NULL for the record
    std::string text{};
    StatusBytes status{};
    Refusal refusal = Refusal::Read;
};

// Steps.
Step call(Export which, std::int32_t argument, StatusCode expected, std::vector<std::string> lines = {});
Step getState(StatusCode expected, SoundState record, std::vector<std::string> lines = {});
Step getStateWithoutRecord(StatusCode expected);
Step setVersionText(std::string text);
Step setStatus(StatusBytes status);
Step setReportsBeforeVersion(std::int32_t count);
Step refuse(Refusal refusal);
Step writeConfig(std::string text);
Step act(Step::Action action);

// Counts of interfaces other than the headset under test, since the start.
struct OtherDevice {
    std::size_t index;
    std::size_t opens;
    std::size_t reportsReceived;
};

struct Expected {
    // Reports the headset under test received (refused ones too), exactly.
    std::vector<Image> outputs{};       // output reports
    std::vector<Image> commands{};      // set feature
    std::vector<Image> featureReads{};  // get feature
    std::size_t opens = 0;              // every open was closed again
    // Input reports the headset delivered: to the library's reads on the
    // emulated bus. The pipe headset sends its greeting on every open and a
    // request's answers all at once, read or not; where that differs, the
    // second number is what it sent.
    std::optional<std::size_t> inputReports{};
    std::optional<std::size_t> inputReportsIntoThePipe{};
    // Time the steps took: virtual time exactly on the emulated Windows
    // (the simulator's too), at least this long for the real DLL.
    std::optional<std::uint64_t> waitsMs{};
    std::optional<Settings> settings{};  // the headset's, at the end
    std::optional<std::vector<Exchange>> exchanges{};
    std::vector<OtherDevice> others{};
    // Seen on the emulated Windows only, natively and inside the simulator
    // DLL: the platform calls the export calls
    // made (counted by name, or all of them), whether the lock was taken once
    // around all of the headset's transactions, and how many commands the
    // headset applied.
    std::vector<std::pair<const char*, std::size_t>> platformCalls{};
    std::optional<std::size_t> platformCallTotal{};
    bool underOneLockHold = false;
    std::optional<std::size_t> commandsApplied{};
};

struct Scenario {
    std::string name;
    // A successful init before the steps; the headset's record starts after it.
    bool initialised = false;
    std::optional<std::string> config{};  // hmd_config.ini from the start
    std::vector<DeviceSpec> devices = {DeviceSpec{}};
    std::size_t headset = 0;  // which of them is under test
    std::vector<Step> steps{};
    Expected expected{};
    std::vector<Host> onlyOn{};  // the hosts that can set it up (every host when empty)
    std::string why{};           // ...and why the others cannot
};

inline void PrintTo(const Scenario& scenario, std::ostream* os) { *os << scenario.name; }

const std::vector<Scenario>& scenarios();

// The record the host hands get_state: a reserved byte the library must not
// touch, and values it must overwrite.
inline constexpr SoundState kHostRecord{0xA5, 0x7E, -12345};

// The built-in device table as hmd_config.ini (entries for the given product
// names), with ENABLE_SEE_THROUGH set to `seeThrough` unless that is null.
std::string deviceTableFile(const std::vector<std::string>& productNames, const char* vendorId = "2E5C",
                            const char* seeThrough = nullptr);
// The built-in table with ENABLE_SEE_THROUGH=1.
std::string seeThroughConfig();

}  // namespace tamo::test
