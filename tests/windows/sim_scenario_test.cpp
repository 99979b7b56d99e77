// The scenario table against the simulator DLL's code on Wine: the library
// over the emulated Windows inside the DLL, called through the simulator's
// wrappers of its exports, with virtual time and the virtual headsets the
// native host has. tamo_settings_sim_probe.dll is that code with one export
// more, the table's host inside the DLL, so that the steps act on the DLL's
// own world; the library prints through the Windows C runtime, as a host of
// the shipped simulator sees it.
#include "loaded_library.h"
#include "platform/win32.h"
#include "scenario_runner.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tamo::test {
namespace {

using HostFactory = ScenarioHost* TAMO_CALL();

// Loaded once and left loaded until the process ends: each row makes a new
// host in a fresh world, and the DLL's own objects go with the process, as
// in a host of the shipped simulator.
class ProbeDll {
public:
    static const ProbeDll& instance() {
        static const ProbeDll dll;
        return dll;
    }
    ProbeDll(const ProbeDll&) = delete;
    ProbeDll& operator=(const ProbeDll&) = delete;

    // A host in a fresh world of the DLL's, or null.
    std::unique_ptr<ScenarioHost> newHost() const {
        if (!module_) return nullptr;
        auto factory = reinterpret_cast<HostFactory*>(
            reinterpret_cast<void (*)()>(GetProcAddress(module_, "tamo_sim_probe_scenario_host")));
        return std::unique_ptr<ScenarioHost>(factory ? factory() : nullptr);
    }

private:
    ProbeDll() : module_(LoadLibraryW(besideProgram(L"tamo_settings_sim_probe.dll").c_str())) {}
    HMODULE module_;
};

// Whatever the machine's simulator settings say, the simulator starts with
// no headset and no lock holder of its own: the scenario's world is the
// only one its library sees.
constexpr const wchar_t* kProfileVariable = L"TAMO_SIM_PROFILE";

class SimulatorScenario : public ::testing::TestWithParam<Scenario> {
protected:
    void SetUp() override {
        if (auto why = cannotRun(GetParam(), Host::Simulator)) GTEST_SKIP() << *why;
        SetEnvironmentVariableW(kProfileVariable, L"none");
        host_ = ProbeDll::instance().newHost();
        ASSERT_TRUE(host_) << "tamo_settings_sim_probe.dll beside the test program, and a world in it";
    }
    void TearDown() override {
        host_.reset();
        SetEnvironmentVariableW(kProfileVariable, nullptr);
    }

    std::unique_ptr<ScenarioHost> host_;
};

TEST_P(SimulatorScenario, RunsAsTheTableSays) { runScenario(GetParam(), *host_); }

INSTANTIATE_TEST_SUITE_P(Table, SimulatorScenario, ::testing::ValuesIn(scenarios()), scenarioName);

}  // namespace
}  // namespace tamo::test
