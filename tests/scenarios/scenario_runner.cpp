#include "scenario_runner.h"

#include "printed_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace tamo::test {
namespace {

std::string hex(const Image& image) {
    std::string text;
    char byte[4];
    for (auto b : image) {
        std::snprintf(byte, sizeof byte, "%02X ", b);
        text += byte;
    }
    return text;
}

std::vector<std::string> hex(const std::vector<Image>& images) {
    std::vector<std::string> texts;
    for (const auto& image : images) texts.push_back(hex(image));
    return texts;
}

void runCall(const Step& step, std::size_t index, ScenarioHost& host) {
    SCOPED_TRACE("step " + std::to_string(index) + ": " + inspect::exportFunctionName(step.call) + "(" +
                 (step.nullRecord ? "NULL" : std::to_string(step.argument)) + ")");
    SoundState record = kHostRecord;
    PrintedLines printed;
    const StatusCode result = host.call(step.call, step.argument, step.nullRecord ? nullptr : &record);
    const std::vector<std::string> lines = printed.take();
    EXPECT_EQ(result, step.expected);
    EXPECT_EQ(lines, step.lines);
    if (step.record) {
        EXPECT_EQ(record.reserved, step.record->reserved);
        EXPECT_EQ(record.hiPowerState, step.record->hiPowerState);
        EXPECT_EQ(record.audioMode, step.record->audioMode);
    }
}

// The exchanges a host that sees only received reports can check.
std::vector<Exchange> reportsOnly(const std::vector<Exchange>& exchanges) {
    std::vector<Exchange> reports;
    for (Exchange e : exchanges) {
        if (e == Exchange::SetFeature || e == Exchange::GetFeature || e == Exchange::Output) reports.push_back(e);
    }
    return reports;
}

std::size_t count(const std::vector<std::string>& calls, const std::string& name) {
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), name));
}

// One CreateSemaphoreW and one ReleaseSemaphore around every device open,
// the lock's handle closed last.
void expectOneLockHold(const std::vector<std::string>& calls) {
    EXPECT_EQ(count(calls, "CreateSemaphoreW"), 1u);
    EXPECT_EQ(count(calls, "ReleaseSemaphore"), 1u);
    auto taken = std::find(calls.begin(), calls.end(), "CreateSemaphoreW");
    auto released = std::find(calls.begin(), calls.end(), "ReleaseSemaphore");
    EXPECT_EQ(std::count(calls.begin(), taken, "CreateFileW"), 0);
    EXPECT_EQ(std::count(released, calls.end(), "CreateFileW"), 0);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "CloseHandle") << "the lock's handle is closed last";
}

void expectPlatformCalls(const Expected& expected, const std::vector<std::string>& calls) {
    for (const auto& [name, times] : expected.platformCalls) EXPECT_EQ(count(calls, name), times) << name;
    if (expected.platformCallTotal) {
        EXPECT_EQ(calls.size(), *expected.platformCallTotal);
    }
    if (expected.underOneLockHold) expectOneLockHold(calls);
}

void expectHeadset(const Expected& expected, ScenarioHost& host) {
    const Observed seen = host.headsetSeen();
    EXPECT_TRUE(seen.idle) << "a connection to the headset stayed open";
    EXPECT_EQ(seen.closes, seen.opens);
    EXPECT_EQ(hex(seen.commands), hex(expected.commands));
    EXPECT_EQ(hex(seen.featureReads), hex(expected.featureReads));
    EXPECT_EQ(hex(seen.outputs), hex(expected.outputs));
    EXPECT_EQ(seen.opens, expected.opens);
    const auto inputReports = host.kind() == Host::Wine && expected.inputReportsIntoThePipe
                                  ? expected.inputReportsIntoThePipe
                                  : expected.inputReports;
    if (inputReports) {
        EXPECT_EQ(seen.inputReports, *inputReports);
    }
    if (expected.settings) {
        EXPECT_EQ(seen.settings.audioMode, expected.settings->audioMode);
        EXPECT_EQ(seen.settings.hiPower, expected.settings->hiPower);
        EXPECT_EQ(seen.settings.seeThrough, expected.settings->seeThrough);
    }
    if (expected.exchanges) {
        EXPECT_EQ(seen.exchanges,
                  host.seesOpensAndReads() ? *expected.exchanges : reportsOnly(*expected.exchanges));
    }
    if (seen.platformCalls) expectPlatformCalls(expected, *seen.platformCalls);
    if (expected.commandsApplied && seen.commandsApplied) {
        EXPECT_EQ(*seen.commandsApplied, *expected.commandsApplied);
    }
}

void expectOthers(const Expected& expected, ScenarioHost& host) {
    for (const OtherDevice& other : expected.others) {
        SCOPED_TRACE("interface " + std::to_string(other.index));
        const Observed seen = host.deviceSeen(other.index);
        EXPECT_TRUE(seen.idle);
        EXPECT_EQ(seen.opens, other.opens);
        EXPECT_EQ(seen.commands.size() + seen.featureReads.size() + seen.outputs.size(), other.reportsReceived);
    }
}

void expectWait(const Expected& expected, ScenarioHost& host, std::uint64_t elapsedMs) {
    if (!expected.waitsMs) return;
    if (host.exactClock()) {
        EXPECT_EQ(elapsedMs, *expected.waitsMs);
    } else {
        // Real time: at least the pauses and limits, give or take the
        // clock's granularity.
        const std::uint64_t slack = std::max<std::uint64_t>(*expected.waitsMs / 100, 2);
        EXPECT_GE(elapsedMs + slack, *expected.waitsMs) << "the pauses and limits were not waited out";
    }
}

std::string hostName(Host host) {
    switch (host) {
    case Host::Emulated: return "the native exports";
    case Host::Simulator: return "the simulator DLL";
    case Host::Wine: return "the real DLL on Wine";
    }
    return "";
}

}  // namespace

void runScenario(const Scenario& scenario, ScenarioHost& host) {
    Problem problem = host.plug(scenario.devices, scenario.headset);
    ASSERT_FALSE(problem) << "plugging in: " << *problem;
    if (scenario.config) {
        problem = host.act(writeConfig(*scenario.config));
        ASSERT_FALSE(problem) << "the configuration: " << *problem;
    }
    if (scenario.initialised) {
        ASSERT_EQ(host.call(Export::Init, 0, nullptr), SOUND_OK);
    }
    problem = host.startRecording();
    EXPECT_FALSE(problem) << *problem;
    const std::uint64_t start = host.nowMs();
    for (std::size_t i = 0; i < scenario.steps.size(); ++i) {
        const Step& step = scenario.steps[i];
        if (step.action == Step::Action::Call) {
            runCall(step, i, host);
        } else {
            problem = host.act(step);
            ASSERT_FALSE(problem) << "step " << i << ": " << *problem;
        }
    }
    const std::uint64_t elapsed = host.nowMs() - start;
    expectWait(scenario.expected, host, elapsed);
    expectHeadset(scenario.expected, host);
    expectOthers(scenario.expected, host);
    EXPECT_TRUE(host.lockGone()) << "no handle to the mode-switch lock is left";
    for (const std::string& left : host.leftovers()) ADD_FAILURE() << left;
}

std::optional<std::string> cannotRun(const Scenario& scenario, Host host) {
    const std::vector<Host>& hosts = scenario.onlyOn;
    if (hosts.empty() || std::find(hosts.begin(), hosts.end(), host) != hosts.end()) return std::nullopt;
    std::string only = "only on";
    for (std::size_t i = 0; i < hosts.size(); ++i) only += (i == 0 ? " " : " and ") + hostName(hosts[i]);
    return only + ": " + scenario.why;
}

std::string scenarioName(const ::testing::TestParamInfo<Scenario>& info) { return info.param.name; }

}  // namespace tamo::test
