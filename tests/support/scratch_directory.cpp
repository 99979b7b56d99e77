#include "scratch_directory.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#define tamo_getpid _getpid
#else
#include <unistd.h>
#define tamo_getpid getpid
#endif

namespace tamo::test {
namespace {

// Unique among processes (the id) and within one (the time and a count).
std::filesystem::path newDirectoryName() {
    static std::atomic<unsigned> counter{0};
    auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return "tamo-test-" + std::to_string(tamo_getpid()) + "-" + std::to_string(ticks) + "-" +
           std::to_string(counter++);
}

}  // namespace

ScratchDirectory::ScratchDirectory() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    do {
        path_ = base / newDirectoryName();
    } while (!std::filesystem::create_directory(path_));
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path ScratchDirectory::write(const std::string& name, const std::string& bytes) const {
    std::filesystem::path file = path_ / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace tamo::test
