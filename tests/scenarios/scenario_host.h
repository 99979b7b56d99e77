// What a host of the scenario table provides: a world it sets up, the
// exported functions it calls, and what it can observe of the headset.
//
// The interface is plain C++ without GoogleTest: the simulator's host lives
// inside a DLL of its own, where no test framework runs, so a host reports
// what went wrong as data and the runner (scenario_runner.h) fails the test.
#pragma once

#include "scenario.h"

#include <optional>
#include <string>
#include <vector>

namespace tamo::test {

// What an observed interface did.
struct Observed {
    std::vector<Exchange> exchanges;  // see seesOpensAndReads()
    std::vector<Image> commands;
    std::vector<Image> featureReads;
    std::vector<Image> outputs;
    std::size_t opens = 0;
    std::size_t closes = 0;
    bool idle = false;  // no connection open
    std::size_t inputReports = 0;
    Settings settings;
    // Only where the host can see them.
    std::optional<std::vector<std::string>> platformCalls;
    std::optional<std::size_t> commandsApplied;
};

// Why a host could not do what it was asked; nothing when it did.
using Problem = std::optional<std::string>;

class ScenarioHost {
public:
    virtual ~ScenarioHost() = default;

    virtual Host kind() const = 0;
    // Whether its clock is the emulation's (exact) or real time.
    virtual bool exactClock() const = 0;
    // Whether it sees the headset's opens, closes and reads, or only the
    // reports it received.
    virtual bool seesOpensAndReads() const = 0;

    // Plugs in the interfaces, in enumeration order.
    virtual Problem plug(const std::vector<DeviceSpec>& devices, std::size_t headset) = 0;
    virtual StatusCode call(Export which, std::int32_t argument, SoundState* record) = 0;
    // Every step but a call.
    virtual Problem act(const Step& step) = 0;
    // From now on, what the headset under test observes.
    virtual Problem startRecording() = 0;
    virtual Observed headsetSeen() = 0;
    // Another interface, since it was plugged in.
    virtual Observed deviceSeen(std::size_t index) = 0;
    virtual bool lockGone() = 0;
    virtual std::uint64_t nowMs() = 0;
    // What the platform still holds that the calls should have given back
    // (handles, memory), one sentence each; where the platform is the real
    // system, nothing the host can count.
    virtual std::vector<std::string> leftovers() = 0;
};

}  // namespace tamo::test
