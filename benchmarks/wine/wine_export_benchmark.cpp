// Each exported function of the real tamo_settings.dll on Wine, next to its
// floor: the same platform calls made directly (platform_floor.h), both against
// the same pipe headset process and the same stand-in setupapi.dll and
// hid.dll. The ratio of the two is what the library adds to the platform
// work it has to do, where that work is real system calls and round trips to
// another process rather than the emulation's.
//
//   tamo_wine_benchmark.exe [CALLS]      (benchmarks/wine/run sets it up)
//
// Before anything is timed, one call of each export and one of its floor
// are made and what the headset saw of each compared: the same number of
// opens and input reports, the same kinds of report in the same order. A
// floor that does less than the library is no floor.
//
// Timing is wall-clock time (QueryPerformanceCounter) per call. Library and
// floor calls alternate, in turns first, so that both meet the same load on
// a shared machine; the table gives the medians, and the median and
// interquartile range of the differences within adjacent pairs, which tell
// the library's own share from the noise. Two rounds: without
// hmd_config.ini beside the executable (the built-in device table), then
// with the documentation's sample (three entries, see-through allowed),
// which every transaction reads and splits afresh.
#include "headset_process.h"
#include "tamo_settings.h"
#include "platform_floor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kDefaultCalls = 200;
constexpr int kWarmUpPairs = 3;

std::wstring parentOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::wstring hostDirectory() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return parentOf(path);
}

// The exports of bin\tamo_settings.dll, loaded as a host loads it.
class TamoDll {
public:
    TamoDll() : module_(LoadLibraryW((parentOf(hostDirectory()) + L"\\tamo_settings.dll").c_str())) {}
    ~TamoDll() {
        if (module_) FreeLibrary(module_);
    }
    TamoDll(const TamoDll&) = delete;
    TamoDll& operator=(const TamoDll&) = delete;

    bool loaded() const { return module_ != nullptr; }

    template <class Function>
    Function* get(const char* name) const {
        return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

struct Export {
    const char* name;
    std::function<StatusCode()> library;
    void (*floor)();
};

// What the headset saw between two of its records.
struct Seen {
    std::uint32_t opens = 0;
    std::uint32_t inputReports = 0;
    std::vector<vhid::ReportKind> reports;
    bool operator==(const Seen&) const = default;
};

Seen seenBetween(const vhid::DeviceRecord& before, const vhid::DeviceRecord& after) {
    Seen seen;
    seen.opens = after.opens - before.opens;
    seen.inputReports = after.inputReportsDelivered - before.inputReportsDelivered;
    for (std::size_t i = before.received.size(); i < after.received.size(); ++i) {
        seen.reports.push_back(after.received[i].kind);
    }
    return seen;
}

std::string describe(const Seen& seen) {
    std::string text = std::to_string(seen.opens) + " opens, " + std::to_string(seen.inputReports) + " input reports,";
    for (vhid::ReportKind kind : seen.reports) {
        text += kind == vhid::ReportKind::SetFeature ? " SetFeature" : kind == vhid::ReportKind::GetFeature
                                                                           ? " GetFeature"
                                                                           : " Output";
    }
    return text;
}

// The floor is only a floor if the headset sees from it what it sees from
// the library.
bool floorMatches(const Export& call, tamo::test::HeadsetProcess& headset, int device) {
    bool settled = false;
    vhid::DeviceRecord start = headset.record(device, &settled);
    StatusCode result = call.library();
    vhid::DeviceRecord afterLibrary = headset.record(device, &settled);
    call.floor();
    vhid::DeviceRecord afterFloor = headset.record(device, &settled);
    Seen library = seenBetween(start, afterLibrary);
    Seen floor = seenBetween(afterLibrary, afterFloor);
    if (result == SOUND_OK && library == floor && settled) return true;
    std::fprintf(stderr, "%s: result %d; the floor does not do what the library does\n  library: %s\n  floor:   %s\n",
                 call.name, static_cast<int>(result), describe(library).c_str(), describe(floor).c_str());
    return false;
}

double frequency() {
    LARGE_INTEGER ticks{};
    QueryPerformanceFrequency(&ticks);
    return static_cast<double>(ticks.QuadPart);
}

template <class Call>
double microseconds(Call&& call) {
    static const double ticksPerSecond = frequency();
    LARGE_INTEGER start{};
    LARGE_INTEGER end{};
    QueryPerformanceCounter(&start);
    call();
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 / ticksPerSecond;
}

// The value below which `fraction` of the values lie (nearest rank).
double quantile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    auto rank = static_cast<std::ptrdiff_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    std::nth_element(values.begin(), values.begin() + rank, values.end());
    return values[static_cast<std::size_t>(rank)];
}

double median(const std::vector<double>& values) { return quantile(values, 0.5); }

struct Row {
    double libraryUs = 0;
    double floorUs = 0;
    double pairRatio = 0;  // median of library/floor over adjacent pairs
    // Quartiles of library - floor over adjacent pairs.
    double pairDiffLow = 0;
    double pairDiffMedian = 0;
    double pairDiffHigh = 0;
    int failures = 0;
};

Row measure(const Export& call, int calls) {
    std::vector<double> library;
    std::vector<double> floor;
    std::vector<double> pairRatios;
    std::vector<double> pairDiffs;
    Row row;
    for (int i = -kWarmUpPairs; i < calls; ++i) {
        double libraryUs = 0;
        auto timeLibrary = [&] {
            libraryUs = microseconds([&] {
                if (call.library() != SOUND_OK) ++row.failures;
            });
        };
        double floorUs = 0;
        auto timeFloor = [&] { floorUs = microseconds(call.floor); };
        if (i % 2 == 0) {
            timeLibrary();
            timeFloor();
        } else {
            timeFloor();
            timeLibrary();
        }
        if (i < 0) continue;
        library.push_back(libraryUs);
        floor.push_back(floorUs);
        pairRatios.push_back(libraryUs / floorUs);
        pairDiffs.push_back(libraryUs - floorUs);
    }
    row.libraryUs = median(library);
    row.floorUs = median(floor);
    row.pairRatio = median(pairRatios);
    row.pairDiffLow = quantile(pairDiffs, 0.25);
    row.pairDiffMedian = median(pairDiffs);
    row.pairDiffHigh = quantile(pairDiffs, 0.75);
    return row;
}

// Puts the sample hmd_config.ini beside the executable, or removes the file
// there.
bool placeConfig(bool sample) {
    const std::wstring path = hostDirectory() + L"\\hmd_config.ini";
    if (sample) {
        return CopyFileW((hostDirectory() + L"\\sample\\hmd_config.ini").c_str(), path.c_str(), FALSE) != FALSE;
    }
    return DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// One round of the table; the number of library calls that failed, or -1
// when a floor does not do what the library does.
int runRound(const char* title, const std::vector<Export>& exports, tamo::test::HeadsetProcess& headset, int device,
             int calls) {
    bool floorsMatch = true;
    for (const Export& call : exports) floorsMatch = floorMatches(call, headset, device) && floorsMatch;
    if (!floorsMatch) return -1;
    std::printf("%s\n%-36s %5s %13s %11s %7s %10s   %s\n", title, "export", "N", "library (us)", "floor (us)",
                "ratio", "pair ratio", "pair library-floor (us): median [quartiles]");
    int failures = 0;
    for (const Export& call : exports) {
        Row row = measure(call, calls);
        failures += row.failures;
        std::printf("%-36s %5d %13.1f %11.1f %7.3f %10.3f   %.1f [%.1f, %.1f]\n", call.name, calls, row.libraryUs,
                    row.floorUs, row.floorUs > 0 ? row.libraryUs / row.floorUs : 0.0, row.pairRatio,
                    row.pairDiffMedian, row.pairDiffLow, row.pairDiffHigh);
        std::fflush(stdout);
    }
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    const int calls = argc > 1 ? std::atoi(argv[1]) : kDefaultCalls;
    if (calls <= 0) {
        std::fprintf(stderr, "usage: tamo_wine_benchmark.exe [CALLS]\n");
        return 2;
    }
    // The built-in table first, not whatever an earlier run left.
    if (!placeConfig(false)) {
        std::fprintf(stderr, "hmd_config.ini beside the benchmark cannot be removed\n");
        return 1;
    }

    tamo::test::HeadsetProcess headset;
    if (!headset.running()) {
        std::fprintf(stderr, "%s\n", headset.error().c_str());
        return 1;
    }
    const int device = headset.addDevice();
    TamoDll dll;
    if (device < 0 || !dll.loaded() || !tamo::floor::loadHid()) {
        std::fprintf(stderr, "the headset, bin\\tamo_settings.dll or the system's hid.dll is missing\n");
        return 1;
    }

    auto init = dll.get<decltype(qor_tamo_sound_init)>("qor_tamo_sound_init");
    auto destroy = dll.get<decltype(qor_tamo_sound_destroy)>("qor_tamo_sound_destroy");
    auto audioMode = dll.get<decltype(qor_tamo_sound_set_audio_mode)>("qor_tamo_sound_set_audio_mode");
    auto hiPower = dll.get<decltype(qor_tamo_sound_set_hi_power_state)>("qor_tamo_sound_set_hi_power_state");
    auto getState = dll.get<decltype(qor_tamo_sound_get_state)>("qor_tamo_sound_get_state");
    auto seeThrough = dll.get<decltype(qor_tamo_sound_set_see_through_state)>("qor_tamo_sound_set_see_through_state");
    SoundState state{};
    std::vector<Export> exports = {
        {"qor_tamo_sound_set_audio_mode", [=] { return audioMode(1); }, tamo::floor::command},
        {"qor_tamo_sound_set_hi_power_state", [=] { return hiPower(1); }, tamo::floor::command},
        {"qor_tamo_sound_get_state", [=, &state] { return getState(&state); }, tamo::floor::getState},
        // The headset greets every new handle with a status report, so the
        // version reply is the second input report read, after one poll pause.
        {"qor_tamo_sound_init", [=] { return init(); }, [] { tamo::floor::init(1); }},
    };

    // The library loads hid.dll on its first use: not part of any call timed.
    if (init() != SOUND_OK) {
        std::fprintf(stderr, "qor_tamo_sound_init failed against the headset\n");
        return 1;
    }
    int failures = runRound("without hmd_config.ini (the built-in device table):", exports, headset, device, calls);
    if (failures >= 0 && !placeConfig(true)) {
        std::fprintf(stderr, "sample\\hmd_config.ini cannot be put beside the benchmark\n");
        failures = -1;
    }
    if (failures >= 0) {
        exports.push_back({"qor_tamo_sound_set_see_through_state", [=] { return seeThrough(1); },
                           [] { tamo::floor::seeThrough(true); }});
        const int more = runRound("\nwith the sample hmd_config.ini (3 entries, see-through allowed):", exports,
                                  headset, device, calls);
        failures = more < 0 ? more : failures + more;
    }
    placeConfig(false);
    std::printf("(wall-clock time per call, medians; ratio = library/floor of the medians; pair: over adjacent "
                "library and floor calls)\n");
    destroy();
    if (failures != 0) {
        if (failures > 0) std::fprintf(stderr, "%d library calls did not succeed\n", failures);
        return 1;
    }
    return 0;
}
