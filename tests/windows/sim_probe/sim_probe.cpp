// The one export the probe DLL has beyond the simulator's six: the scenario
// table's host over the emulated Windows inside the DLL, calling the
// simulator's own wrappers of the library's functions.
#include "emulated_scenario_host.h"
#include "sim_exports.h"

namespace {

constexpr tamo::test::ExportTable kSimulatorExports{
    .Init = &tamo_sim_init,
    .Destroy = &tamo_sim_destroy,
    .SeeThrough = &tamo_sim_set_see_through_state,
    .AudioMode = &tamo_sim_set_audio_mode,
    .HiPower = &tamo_sim_set_hi_power_state,
    .GetState = &tamo_sim_get_state,
};

}  // namespace

// A new host in a fresh world, which the caller deletes; null when it cannot
// be made. The simulator sets up its own world at its first call: that call
// comes first, so that the host's world, made after it, is the one the
// library runs in from then on.
extern "C" tamo::test::ScenarioHost* TAMO_CALL tamo_sim_probe_scenario_host(void) noexcept {
    try {
        tamo_sim_destroy();
        return new tamo::test::EmulatedScenarioHost(tamo::test::Host::Simulator, kSimulatorExports);
    } catch (...) {
        return nullptr;
    }
}
