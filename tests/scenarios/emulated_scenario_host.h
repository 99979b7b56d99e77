// The scenario table's host on the emulated Windows: every interface a
// virtual headset on the virtual HID bus, the one under test behind a
// probe. The emulation shows what Wine cannot: every platform call the
// library makes, virtual time to the millisecond, and a headset that
// refuses requests.
//
// The same host runs the native exports in the test program and, built
// into the simulator's probe DLL, the simulator's exports over the
// emulated Windows inside that DLL; `exports` says which. It uses no test
// framework: what goes wrong in a step comes back as a Problem.
#pragma once

#include "export_table.h"
#include "headset_probe.h"
#include "platform/emulated/world.h"
#include "scenario_host.h"

#include <memory>
#include <string>
#include <vector>

namespace tamo::test {

class EmulatedScenarioHost final : public ScenarioHost {
public:
    // A fresh emulated world, nothing plugged in, the library not
    // initialised. Throws when the world cannot be made.
    EmulatedScenarioHost(Host kind, ExportTable exports);
    // The library destroyed again, as every world is left.
    ~EmulatedScenarioHost() override;
    EmulatedScenarioHost(const EmulatedScenarioHost&) = delete;
    EmulatedScenarioHost& operator=(const EmulatedScenarioHost&) = delete;

    Host kind() const override { return kind_; }
    bool exactClock() const override { return true; }
    bool seesOpensAndReads() const override { return true; }

    Problem plug(const std::vector<DeviceSpec>& devices, std::size_t headset) override;
    StatusCode call(Export which, std::int32_t argument, SoundState* record) override;
    Problem act(const Step& step) override;
    Problem startRecording() override;
    Observed headsetSeen() override;
    Observed deviceSeen(std::size_t index) override;
    bool lockGone() override;
    std::uint64_t nowMs() override;
    std::vector<std::string> leftovers() override;

private:
    // Where an interface's record stood when the scenario began.
    struct Baseline {
        std::size_t received = 0;
        std::size_t opens = 0;
        std::size_t closes = 0;
        std::size_t delivered = 0;
        std::size_t applied = 0;
        std::size_t events = 0;
    };

    Problem makeStep(const Step& step);
    static Observed observe(const emulated::VirtualHeadset& model, const Baseline& from);

    Host kind_;
    ExportTable exports_;
    std::unique_ptr<emulated::World> world_;
    std::shared_ptr<emulated::VirtualHeadset> headset_;
    std::shared_ptr<HeadsetProbe> probe_;
    std::vector<std::shared_ptr<emulated::VirtualHeadset>> models_;
    std::size_t headsetIndex_ = 0;
    std::vector<std::string> calls_;
    Baseline baseline_;
};

}  // namespace tamo::test
