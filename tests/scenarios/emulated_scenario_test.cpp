// The scenario table against the native exports on the emulated Windows
// (emulated_scenario_host.h).
#include "emulated_scenario_host.h"
#include "native_exports.h"
#include "scenario_runner.h"

#include <gtest/gtest.h>

#include <memory>

namespace tamo::test {
namespace {

class EmulatedScenario : public ::testing::TestWithParam<Scenario> {
protected:
    void SetUp() override {
        if (auto why = cannotRun(GetParam(), Host::Emulated)) GTEST_SKIP() << *why;
        host_ = std::make_unique<EmulatedScenarioHost>(Host::Emulated, kNativeExports);
    }

    std::unique_ptr<EmulatedScenarioHost> host_;
};

TEST_P(EmulatedScenario, RunsAsTheTableSays) { runScenario(GetParam(), *host_); }

INSTANTIATE_TEST_SUITE_P(Table, EmulatedScenario, ::testing::ValuesIn(scenarios()), scenarioName);

}  // namespace
}  // namespace tamo::test
