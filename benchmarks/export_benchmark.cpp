// Each exported function against the virtual headset, next to its floor:
// the same platform calls made directly (platform_floor.h). The ratio of
// the two is what the library adds to the platform work it has to do. With
// hmd_config.ini, a second floor also cuts the file's lines into keys and
// values, which every call must do afresh: what the library adds beyond
// that is its table, its matching and its reports.
//
// Two setups: no hmd_config.ini (the built-in device table), and the
// documentation's sample, which holds the built-in table and allows
// see-through, and which every transaction then reads and splits. Before
// anything is timed, one call of each export and one of its floor are made
// and their platform calls compared: the floor must make exactly the
// library's calls.
//
// For init the headset answers the version request at once, and the
// virtual clock must not move: an immediate reply costs no pause.
//
// Run with --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// for medians; the table at the end gives library, floor and ratio.
#include "api/library_state.h"
#include "platform/emulated/system.h"
#include "platform/emulated/world.h"
#include "platform_floor.h"
#include "tamo_settings.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using emulated::CallLog;
using emulated::System;
using emulated::VirtualHeadset;

// A headset that withholds the status report it greets every reader with,
// so that the reply to a request is the first input report read.
class ImmediateReplies final : public emulated::HidDeviceModel {
public:
    explicit ImmediateReplies(std::shared_ptr<VirtualHeadset> headset) : headset_(std::move(headset)) {}
    void opened(emulated::HidSession session) override {
        headset_->opened(session);
        greeted_.insert(session);
    }
    void closed(emulated::HidSession session) override {
        greeted_.erase(session);
        headset_->closed(session);
    }
    DWORD setFeature(emulated::HidSession session, std::span<const std::uint8_t> report) override {
        return headset_->setFeature(session, report);
    }
    DWORD getFeature(emulated::HidSession session, std::span<std::uint8_t> report) override {
        return headset_->getFeature(session, report);
    }
    emulated::TransferReply write(emulated::HidSession session, std::span<const std::uint8_t> report) override {
        return headset_->write(session, report);
    }
    emulated::TransferReply read(emulated::HidSession session) override {
        if (greeted_.erase(session) != 0) headset_->read(session);
        return headset_->read(session);
    }

private:
    std::shared_ptr<VirtualHeadset> headset_;
    std::set<emulated::HidSession> greeted_;
};

enum class Setup { BuiltIn, ConfigFile };

// The documentation's sample hmd_config.ini.
const std::string& sampleConfig() {
    static const std::string text = [] {
        std::ifstream sample(TAMO_SAMPLE_CONFIG, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(sample)), std::istreambuf_iterator<char>());
        if (bytes.empty()) std::abort();
        return bytes;
    }();
    return text;
}

// A fresh world: the emulation keeps logs of everything, so they are
// emptied now and then, outside the timed part.
void freshWorld(Setup setup, bool immediateReplies) {
    static emulated::World world;
    world.reset();
    world.setConfig(setup == Setup::ConfigFile ? std::optional<std::string_view>(sampleConfig()) : std::nullopt);
    auto headset = std::make_shared<VirtualHeadset>();
    world.plug({}, headset, immediateReplies ? std::make_shared<ImmediateReplies>(headset) : nullptr);
    tamo::setInitialised(true);
}

struct Export {
    const char* name;
    std::function<StatusCode()> library;
    std::function<void(Setup)> floor;
    bool immediateReplies = false;
};

SoundState someState;

const std::vector<Export>& exports() {
    static const std::vector<Export> list = {
        {"Init", [] { return qor_tamo_sound_init(); }, [](Setup) { tamo::floor::init(0); }, true},
        {"SeeThrough", [] { return qor_tamo_sound_set_see_through_state(1); },
         [](Setup setup) { tamo::floor::seeThrough(setup == Setup::ConfigFile); }},
        {"AudioMode", [] { return qor_tamo_sound_set_audio_mode(1); }, [](Setup) { tamo::floor::command(); }},
        {"HiPower", [] { return qor_tamo_sound_set_hi_power_state(1); }, [](Setup) { tamo::floor::command(); }},
        {"GetState", [] { return qor_tamo_sound_get_state(&someState); }, [](Setup) { tamo::floor::getState(); }},
    };
    return list;
}

constexpr int kCallsPerWorld = 1024;

double threadCpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Each iteration makes one library call and one floor call, in turns
// first, each timed by the thread's CPU clock: on a shared machine both
// meet the same conditions, and time other programs take does not count.
void BM_Export(benchmark::State& state, const Export& call, Setup setup) {
    freshWorld(setup, call.immediateReplies);
    const StatusCode expected =
        setup == Setup::BuiltIn && std::string(call.name) == "SeeThrough" ? SOUND_ERROR_SEE_THROUGH_DISABLED : SOUND_OK;
    std::uint64_t virtualMs = 0;
    double libraryUs = 0;
    double floorUs = 0;
    double linesFloorUs = 0;
    int calls = 0;
    bool libraryFirst = true;
    auto timeLibrary = [&] {
        const std::uint64_t virtualStart = System::nowMs();
        double start = threadCpuMicroseconds();
        StatusCode result = call.library();
        libraryUs += threadCpuMicroseconds() - start;
        virtualMs += System::nowMs() - virtualStart;
        CallLog::clear();
        if (result != expected) state.SkipWithError("unexpected result");
    };
    auto timeFloor = [&](bool splitsLines, double& total) {
        tamo::floor::setSplitsLines(splitsLines);
        double start = threadCpuMicroseconds();
        call.floor(setup);
        total += threadCpuMicroseconds() - start;
        tamo::floor::setSplitsLines(false);
        CallLog::clear();
    };
    for (auto _ : state) {
        // The emulation logs every request; a fresh world now and then
        // keeps its logs short.
        if (++calls == kCallsPerWorld) {
            freshWorld(setup, call.immediateReplies);
            calls = 0;
        }
        if (libraryFirst) {
            timeLibrary();
            timeFloor(false, floorUs);
            timeFloor(true, linesFloorUs);
        } else {
            timeFloor(true, linesFloorUs);
            timeFloor(false, floorUs);
            timeLibrary();
        }
        libraryFirst = !libraryFirst;
    }
    state.counters["library_us"] = benchmark::Counter(libraryUs, benchmark::Counter::kAvgIterations);
    state.counters["floor_us"] = benchmark::Counter(floorUs, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = floorUs > 0 ? libraryUs / floorUs : 0;
    state.counters["lines_floor_us"] = benchmark::Counter(linesFloorUs, benchmark::Counter::kAvgIterations);
    state.counters["lines_ratio"] = linesFloorUs > 0 ? libraryUs / linesFloorUs : 0;
    state.counters["virtual_ms"] = static_cast<double>(virtualMs);
    if (virtualMs != 0) state.SkipWithError("virtual time passed: the call paused or waited");
}

void BM_Destroy(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(qor_tamo_sound_destroy());
}

const char* nameOf(Setup setup) { return setup == Setup::BuiltIn ? "BuiltIn" : "ConfigFile"; }

// The floor is only a floor if it makes the library's calls: compared
// once, before anything is timed.
bool floorsMatch() {
    bool match = true;
    for (Setup setup : {Setup::BuiltIn, Setup::ConfigFile}) {
        for (const Export& call : exports()) {
            freshWorld(setup, call.immediateReplies);
            call.library();
            std::vector<std::string> library = CallLog::calls();
            freshWorld(setup, call.immediateReplies);
            call.floor(setup);
            std::vector<std::string> floor = CallLog::calls();
            if (library == floor) continue;
            match = false;
            std::fprintf(stderr, "%s/%s: the floor makes other platform calls\n  library:", call.name, nameOf(setup));
            for (const auto& name : library) std::fprintf(stderr, " %s", name.c_str());
            std::fprintf(stderr, "\n  floor:  ");
            for (const auto& name : floor) std::fprintf(stderr, " %s", name.c_str());
            std::fprintf(stderr, "\n");
        }
    }
    return match;
}

void registerBenchmarks() {
    for (Setup setup : {Setup::BuiltIn, Setup::ConfigFile}) {
        for (const Export& call : exports()) {
            std::string suffix = std::string(call.name) + "/" + nameOf(setup);
            benchmark::RegisterBenchmark(suffix.c_str(), BM_Export, call, setup)->Unit(benchmark::kMicrosecond);
        }
    }
    benchmark::RegisterBenchmark("Destroy", BM_Destroy);
}

// The console output, then each export's time next to its floor's (the
// medians, when there are repetitions).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            auto counter = [&](const char* name) {
                auto it = run.counters.find(name);
                return it == run.counters.end() ? 0.0 : double(it->second);
            };
            rows_[run.run_name.str()] = {counter("library_us"), counter("floor_us"), counter("ratio"),
                                         counter("lines_floor_us"), counter("lines_ratio")};
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-24s %14s %14s %8s %18s %8s   (thread CPU time per call)\n", "export", "library (us)",
                    "floor (us)", "ratio", "floor+lines (us)", "ratio");
        for (Setup setup : {Setup::BuiltIn, Setup::ConfigFile}) {
            for (const Export& call : exports()) {
                std::string name = std::string(call.name) + "/" + nameOf(setup);
                auto row = rows_.find(name);
                if (row == rows_.end()) continue;
                std::printf("%-24s %14.2f %14.2f %8.2f %18.2f %8.2f\n", name.c_str(), row->second[0],
                            row->second[1], row->second[2], row->second[3], row->second[4]);
            }
        }
    }

private:
    std::map<std::string, std::array<double, 5>> rows_;
};

}  // namespace

int main(int argc, char** argv) {
    // hid.dll is loaded on first use, once: not part of any call measured.
    freshWorld(Setup::BuiltIn, true);
    qor_tamo_sound_init();
    if (!tamo::floor::loadHid() || !floorsMatch()) return 1;

    registerBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
