// Building the device table from hmd_config.ini with N entries, against a
// baseline that only reads the same file and splits its lines at "=", and
// against the library's own reading of it (the file named beside the
// executable, opened through the platform, every line split), which every
// call must do afresh before any table exists.
//
// Reported per benchmark: the time per entry (per_entry). At the end a table
// gives the ratio of each table build to the baseline and to the reading of
// the same N; the cost of the table must grow no faster than N log N, so
// time per entry should stay nearly flat as N grows. With glibc, much of the
// time at large N goes to the allocator: the table's buffers are freed at
// the end of each call, the heap is trimmed and the next call faults their
// pages in again. Running with
// GLIBC_TUNABLES=glibc.malloc.trim_threshold=4294967295 shows the cost of
// the work itself.
//
// BM_PeakMemory builds the table from files of about 20 MB in three
// layouts and reports the most heap the build held at once, per byte of
// the file (peak_per_file_byte): a file must not cost much more memory
// than itself, whatever order its lines come in.
#include "config/hmd_config.h"
#include "config/hmd_config_reader.h"
#include "platform/emulated/host_directory.h"
#include "platform/emulated/system.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <malloc.h>
#include <new>
#include <unistd.h>
#include <vector>

// The heap in use and its high-water mark, through every operator new of
// the program.
namespace {
std::atomic<std::size_t> heapInUse{0};
std::atomic<std::size_t> heapPeak{0};

void* counted(void* block) {
    if (block == nullptr) throw std::bad_alloc();
    const std::size_t now = heapInUse += malloc_usable_size(block);
    std::size_t peak = heapPeak.load(std::memory_order_relaxed);
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
    return block;
}
void release(void* block) {
    if (block == nullptr) return;
    heapInUse -= malloc_usable_size(block);
    std::free(block);
}
}  // namespace

void* operator new(std::size_t size) { return counted(std::malloc(size == 0 ? 1 : size)); }
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }

namespace {

const std::vector<int64_t> kEntryCounts = {3, 1000, 10000, 100000};

// One directory for the whole run, with one subdirectory per N.
class Files {
public:
    Files() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tamo-config-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        root_ = pattern;
    }
    ~Files() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    // The directory whose hmd_config.ini holds `entries` complete entries.
    std::filesystem::path directoryFor(int64_t entries) {
        std::filesystem::path directory = root_ / std::to_string(entries);
        if (!std::filesystem::exists(directory)) {
            std::filesystem::create_directory(directory);
            std::ofstream out(directory / "hmd_config.ini", std::ios::binary);
            out << "NUM_OF_CONFIG=" << entries << "\n";
            char line[512];
            for (int64_t n = 1; n <= entries; ++n) {
                const int i = static_cast<int>(n);
                std::snprintf(line, sizeof line,
                              "VENDORID_%03d=2E5C\nPRODUCTID_%03d=0712\nUSAGE_%03d=0001\nUSAGEPAGE_%03d=FF00\n"
                              "PRODUCTNAME_%03d=Device %d\nREPORTID_%03d=0\nDEVICENAME_%03d=HMD#%d\n",
                              i, i, i, i, i, i, i, i, i);
                out << line;
            }
        }
        return directory;
    }

    const std::filesystem::path& root() const { return root_; }

private:
    std::filesystem::path root_;
};

Files& files() {
    static Files instance;
    return instance;
}

void useDirectory(const std::filesystem::path& directory) {
    emulated::System::setExecutablePath(emulated::windowsPathOf(directory / "host.exe"));
}

void setPerEntry(benchmark::State& state, int64_t entries) {
    state.counters["per_entry"] = benchmark::Counter(
        static_cast<double>(entries), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_DeviceTable(benchmark::State& state) {
    const int64_t entries = state.range(0);
    useDirectory(files().directoryFor(entries));
    for (auto _ : state) {
        tamo::DeviceConfigList list;
        tamo::loadDeviceConfigs(list);
        if (list.size() != static_cast<std::size_t>(entries)) state.SkipWithError("incomplete table");
        benchmark::DoNotOptimize(list.data());
        emulated::CallLog::clear();
    }
    setPerEntry(state, entries);
}

// Reads the file in chunks and copies each line's key and value out, the
// least any loader of the format has to do.
void BM_ReadAndSplitBaseline(benchmark::State& state) {
    const int64_t entries = state.range(0);
    const std::string file = (files().directoryFor(entries) / "hmd_config.ini").string();
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state) {
        std::FILE* in = std::fopen(file.c_str(), "rb");
        if (!in) {
            state.SkipWithError("cannot open");
            break;
        }
        std::string line;
        std::string key;
        std::string value;
        std::size_t pairs = 0;
        auto split = [&] {
            std::string_view text = line;
            std::size_t equals = text.find('=');
            key.assign(text.substr(0, equals));
            value.assign(text.substr(equals + 1));
            ++pairs;
        };
        std::size_t got;
        while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
            std::string_view chunk(buffer.data(), got);
            for (std::size_t end; (end = chunk.find('\n')) != std::string_view::npos; chunk.remove_prefix(end + 1)) {
                line.append(chunk.substr(0, end));
                split();
                line.clear();
            }
            line.append(chunk);
        }
        if (!line.empty()) split();
        std::fclose(in);
        benchmark::DoNotOptimize(pairs);
    }
    setPerEntry(state, entries);
}

// What every call of the library must do before any table exists: name the
// file beside the executable, open it through the platform and split every
// line, the pairs handed to a receiver that keeps nothing.
void BM_LibraryReading(benchmark::State& state) {
    const int64_t entries = state.range(0);
    useDirectory(files().directoryFor(entries));
    for (auto _ : state) {
        tamo::HMDConfigReader reader;
        std::size_t pairs = 0;
        reader.loadConfigFile([&pairs](tamo::LineNumber, std::string_view, std::string_view) { ++pairs; });
        benchmark::DoNotOptimize(pairs);
        emulated::CallLog::clear();
    }
    setPerEntry(state, entries);
}

void entryCounts(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("entries")->Unit(benchmark::kMicrosecond);
    for (int64_t n : kEntryCounts) benchmark->Arg(n);
}

// The layouts of BM_PeakMemory.
enum Layout : int64_t {
    kAscending,       // complete entries, indices ascending
    kDescending,      // the same entries, indices descending
    kKeyPerIndex,     // one key per index, indices descending: the most records for the bytes
};
constexpr std::uint64_t kLargeFileBytes = 20'000'000;

std::filesystem::path largeFileDirectory(Layout layout) {
    std::filesystem::path directory = files().root() / ("large-" + std::to_string(layout));
    if (std::filesystem::exists(directory)) return directory;
    std::filesystem::create_directory(directory);
    std::string text;
    char line[512];
    const int lineBytes = layout == kKeyPerIndex ? 22 : 160;
    const int entries = static_cast<int>(kLargeFileBytes / lineBytes);
    text += "NUM_OF_CONFIG=" + std::to_string(layout == kKeyPerIndex ? 1'000'000 + entries : entries) + "\n";
    for (int n = 1; n <= entries && text.size() < kLargeFileBytes; ++n) {
        const int i = layout == kAscending ? n : entries + 1 - n;
        if (layout == kKeyPerIndex) {
            // Seven digits, none of them a padding zero.
            std::snprintf(line, sizeof line, "VENDORID_%d=2E5C\n", 1'000'000 + i);
        } else {
            std::snprintf(line, sizeof line,
                          "VENDORID_%03d=2E5C\nPRODUCTID_%03d=0712\nUSAGE_%03d=0001\nUSAGEPAGE_%03d=FF00\n"
                          "PRODUCTNAME_%03d=Device %d\nREPORTID_%03d=0\nDEVICENAME_%03d=HMD#%d\n",
                          i, i, i, i, i, i, i, i, i);
        }
        text += line;
    }
    std::ofstream(directory / "hmd_config.ini", std::ios::binary) << text;
    return directory;
}

void BM_PeakMemory(benchmark::State& state) {
    const auto layout = static_cast<Layout>(state.range(0));
    const std::filesystem::path directory = largeFileDirectory(layout);
    const auto fileBytes = static_cast<double>(std::filesystem::file_size(directory / "hmd_config.ini"));
    useDirectory(directory);
    std::size_t peak = 0;
    for (auto _ : state) {
        tamo::DeviceConfigList list;
        const std::size_t before = heapInUse;
        heapPeak = before;
        tamo::loadDeviceConfigs(list);
        peak = std::max(peak, heapPeak - before);
        benchmark::DoNotOptimize(list.data());
        emulated::CallLog::clear();
    }
    state.counters["file_mb"] = fileBytes / 1e6;
    state.counters["peak_mb"] = static_cast<double>(peak) / 1e6;
    state.counters["peak_per_file_byte"] = static_cast<double>(peak) / fileBytes;
}

BENCHMARK(BM_DeviceTable)->Apply(entryCounts);
BENCHMARK(BM_PeakMemory)
    ->ArgName("layout")
    ->Arg(kAscending)
    ->Arg(kDescending)
    ->Arg(kKeyPerIndex)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndSplitBaseline)->Apply(entryCounts);
BENCHMARK(BM_LibraryReading)->Apply(entryCounts);

// The console output, then the ratio of each table build to its baseline.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions the median, which comes after the single runs,
        // is the one kept.
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            times_[run.run_name.str()] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-10s %16s %16s %8s %16s %8s\n", "entries", "table (us)", "baseline (us)", "ratio",
                    "reading (us)", "ratio");
        for (int64_t n : kEntryCounts) {
            std::string suffix = "/entries:" + std::to_string(n);
            auto table = times_.find("BM_DeviceTable" + suffix);
            auto baseline = times_.find("BM_ReadAndSplitBaseline" + suffix);
            auto reading = times_.find("BM_LibraryReading" + suffix);
            if (table == times_.end() || baseline == times_.end() || reading == times_.end()) continue;
            std::printf("%-10lld %16.1f %16.1f %8.2f %16.1f %8.2f\n", static_cast<long long>(n), table->second,
                        baseline->second, table->second / baseline->second, reading->second,
                        table->second / reading->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    emulated::System::reset();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
