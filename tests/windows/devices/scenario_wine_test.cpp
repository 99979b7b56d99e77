// The scenario table against the real tamo_settings.dll on Wine, with every
// interface a device of the pipe headset process: real named semaphores,
// real overlapped pipes, another process holding the lock, and the Windows C
// runtime's own printf. Time is real time here.
#include "printed_lines.h"
#include "scenario_runner.h"
#include "wine_device_test.h"

#include <memory>

namespace tamo::test {
namespace {

Problem unless(bool done, std::string what) { return done ? Problem{} : Problem{std::move(what)}; }

Exchange exchangeOf(vhid::ReportKind kind) {
    switch (kind) {
    case vhid::ReportKind::SetFeature: return Exchange::SetFeature;
    case vhid::ReportKind::GetFeature: return Exchange::GetFeature;
    case vhid::ReportKind::Output: return Exchange::Output;
    }
    return Exchange::Output;
}

class WineScenario : public ::testing::TestWithParam<Scenario>, public ScenarioHost {
protected:
    void SetUp() override {
        if (auto why = cannotRun(GetParam(), Host::Wine)) GTEST_SKIP() << *why;
        ASSERT_TRUE(process_.running()) << process_.error();
        ConfigFile::remove();
        ASSERT_TRUE(dll_.loaded()) << "tamo_settings.dll in the bin directory above the test host";
    }
    void TearDown() override {
        if (dll_.loaded()) dll_.destroy();
        config_.reset();
        ConfigFile::remove();
    }

    Host kind() const override { return Host::Wine; }
    bool exactClock() const override { return false; }
    bool seesOpensAndReads() const override { return false; }

    Problem plug(const std::vector<DeviceSpec>& devices, std::size_t headsetIndex) override {
        for (const DeviceSpec& device : devices) {
            vhid::DeviceDescription description;
            description.vendorId = device.vendorId;
            description.productString = device.productString;
            description.openable = device.openable;
            const int index = process_.addDevice(description);
            if (index < 0) return "the headset process added no device";
            devices_.push_back(index);
        }
        headset_ = devices_.at(headsetIndex);
        return std::nullopt;
    }

    StatusCode call(Export which, std::int32_t argument, SoundState* record) override {
        return dll_.call(which, argument, record);
    }

    Problem act(const Step& step) override {
        switch (step.action) {
        case Step::Action::SetVersionText:
            return unless(process_.setVersionText(headset_, step.text), "the headset process took no version text");
        case Step::Action::SetStatus:
            return unless(process_.setState(headset_, step.status.audioMode, step.status.hiPowerStatus,
                                            step.status.seeThrough),
                          "the headset process took no status");
        case Step::Action::SetSilent:
            return unless(process_.setSilent(headset_, true), "the headset process did not fall silent");
        case Step::Action::SetReportsBeforeVersion:
            return unless(process_.setOtherReportsBeforeVersion(headset_, static_cast<std::uint32_t>(step.argument)),
                          "the headset process took no count of reports");
        case Step::Action::Unplug: return unless(process_.unplug(headset_), "the headset process kept the headset");
        case Step::Action::WriteConfig:
            config_.reset();
            config_ = std::make_unique<ConfigFile>(step.text);
            return std::nullopt;
        case Step::Action::RemoveConfig:
            config_.reset();
            ConfigFile::remove();
            return std::nullopt;
        case Step::Action::HoldLock:
            holder_ = std::make_unique<LockHolder>();
            return unless(holder_->holding(), holder_->error());
        case Step::Action::ReleaseLock:
            if (!holder_) return "no other process holds the lock";
            return unless(holder_->release() == 0, "the other process could not let go of its lock");
        case Step::Action::DropGreeting:
        case Step::Action::Refuse:
        case Step::Action::Call: return "the pipe headset host has no such step";
        }
        return std::nullopt;
    }

    Problem startRecording() override {
        bool idle = false;
        baseline_ = process_.record(headset_, &idle);
        return unless(idle, "a connection to the headset stayed open");
    }

    Observed headsetSeen() override { return observe(headset_, baseline_); }
    Observed deviceSeen(std::size_t index) override { return observe(devices_.at(index), vhid::DeviceRecord{}); }

    bool lockGone() override { return tamo::test::lockGone(); }
    std::uint64_t nowMs() override { return GetTickCount64(); }
    // Wine's handles and memory are its own to count.
    std::vector<std::string> leftovers() override { return {}; }

private:
    Observed observe(int device, const vhid::DeviceRecord& from) {
        Observed seen;
        const vhid::DeviceRecord record = process_.record(device, &seen.idle);
        for (std::size_t i = from.received.size(); i < record.received.size(); ++i) {
            const auto& report = record.received[i];
            seen.exchanges.push_back(exchangeOf(report.kind));
            switch (report.kind) {
            case vhid::ReportKind::SetFeature: seen.commands.push_back(imageOf(report.bytes)); break;
            case vhid::ReportKind::GetFeature: seen.featureReads.push_back(imageOf(report.bytes)); break;
            case vhid::ReportKind::Output: seen.outputs.push_back(imageOf(report.bytes)); break;
            }
        }
        seen.opens = record.opens - from.opens;
        seen.closes = record.closes - from.closes;
        seen.inputReports = record.inputReportsDelivered - from.inputReportsDelivered;
        seen.settings = {record.audioMode, record.hiPower, record.seeThrough};
        return seen;
    }

    HeadsetProcess process_;
    TamoDll dll_;
    std::vector<int> devices_;
    int headset_ = -1;
    vhid::DeviceRecord baseline_;
    std::unique_ptr<ConfigFile> config_;
    std::unique_ptr<LockHolder> holder_;
};

TEST_P(WineScenario, RunsAsTheTableSays) { runScenario(GetParam(), *this); }

INSTANTIATE_TEST_SUITE_P(Table, WineScenario, ::testing::ValuesIn(scenarios()), scenarioName);

// Beyond the table, a state only the pipe rig has: no headset process
// behind the stand-in DLLs at all.
using WineRigTest = WineDeviceTest;

TEST_F(WineRigTest, NoHeadsetProcessGivesDeviceNotFound) {
    SetEnvironmentVariableW(vhid::kNamespaceVariable, L"vhid_nobody");
    PrintedLines printed;
    EXPECT_EQ(dll.init(), SOUND_ERROR_DEVICE_NOT_FOUND);
    EXPECT_TRUE(printed.take().empty());
}

}  // namespace
}  // namespace tamo::test
