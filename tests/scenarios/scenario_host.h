// What a host of the scenario table provides: a world it sets up, the
// exported functions it calls, and what it can observe of the headset.
#pragma once

#include "scenario.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tamo::test {

// What a host observed of one interface.
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
    virtual void plug(const std::vector<DeviceSpec>& devices, std::size_t headset) = 0;
    virtual StatusCode call(Export which, std::int32_t argument, SoundState* record) = 0;
    // Every step but a call; fails the test when the host cannot make it.
    virtual void act(const Step& step) = 0;
    // From now on, what the headset under test observes.
    virtual void startRecording() = 0;
    virtual Observed headsetSeen() = 0;
    // Another interface, since it was plugged in.
    virtual Observed deviceSeen(std::size_t index) = 0;
    virtual bool lockGone() = 0;
    virtual std::uint64_t nowMs() = 0;
};

// Why `host` cannot run the scenario, if it cannot.
std::optional<std::string> cannotRun(const Scenario& scenario, Host host);

// Runs one scenario of the table on `host` and checks everything it expects.
void runScenario(const Scenario& scenario, ScenarioHost& host);

// The scenario's name, for the test's.
std::string scenarioName(const ::testing::TestParamInfo<Scenario>& info);

}  // namespace tamo::test
