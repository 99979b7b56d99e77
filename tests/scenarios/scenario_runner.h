// Runs the scenario table on a host, as a parameterised GoogleTest.
#pragma once

#include "scenario.h"
#include "scenario_host.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tamo::test {

// Why `host` cannot run the scenario, if it cannot.
std::optional<std::string> cannotRun(const Scenario& scenario, Host host);

// Runs one scenario of the table on `host` and checks everything it expects.
void runScenario(const Scenario& scenario, ScenarioHost& host);

// The scenario's name, for the test's.
std::string scenarioName(const ::testing::TestParamInfo<Scenario>& info);

}  // namespace tamo::test
