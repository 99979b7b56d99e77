#include "config_files.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <stdexcept>
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

std::filesystem::path newDirectoryName() {
    static std::atomic<unsigned> counter{0};
    auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return "tamo-config-test-" + std::to_string(tamo_getpid()) + "-" + std::to_string(ticks) + "-" +
           std::to_string(counter++);
}

#if !defined(_WIN32)
// UTF-16 units of UTF-8 text, one unit per element (the emulated WCHAR).
std::wstring utf16FromUtf8(std::string_view text) {
    std::wstring units;
    for (std::size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        unsigned long c = length == 1 ? byte : length == 2 ? byte & 0x1Fu : length == 3 ? byte & 0x0Fu : byte & 0x07u;
        for (int k = 1; k < length && i + static_cast<std::size_t>(k) < text.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0x3Fu);
        i += static_cast<std::size_t>(length);
        if (c >= 0x10000) {
            c -= 0x10000;
            units += static_cast<wchar_t>(0xD800 + (c >> 10));
            units += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
        } else {
            units += static_cast<wchar_t>(c);
        }
    }
    return units;
}
#endif

}  // namespace

TempDir::TempDir() {
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / newDirectoryName();
        if (std::filesystem::create_directory(path_)) return;
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::wstring platformPath(const std::filesystem::path& path) {
#if defined(_WIN32)
    return path.wstring();
#else
    std::wstring windowsPath = L"Z:" + utf16FromUtf8(path.string());
    for (wchar_t& unit : windowsPath)
        if (unit == L'/') unit = L'\\';
    return windowsPath;
#endif
}

void HmdConfigTest::SetUp() {
    PlatformTest::SetUp();
#if defined(_WIN32)
    fileLock_ = CreateMutexW(nullptr, FALSE, L"tamo_config_tests.hmd_config.ini");
    ASSERT_NE(fileLock_, nullptr);
    DWORD waited = WaitForSingleObject(fileLock_, INFINITE);
    ASSERT_TRUE(waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED);
    std::wstring executable(MAX_PATH, L'\0');
    executable.resize(GetModuleFileNameW(nullptr, executable.data(), MAX_PATH));
    directory_ = std::filesystem::path(executable).parent_path();
#else
    directory_ = temp_.path();
    emulated::System::setExecutablePath(platformPath(directory_ / "host.exe"));
#endif
    removeConfig();
}

void HmdConfigTest::TearDown() {
    removeConfig();
#if defined(_WIN32)
    if (fileLock_) {
        ReleaseMutex(fileLock_);
        CloseHandle(fileLock_);
    }
#endif
    PlatformTest::TearDown();
}

void HmdConfigTest::writeConfig(std::string_view bytes) { writeFile(directory_ / "hmd_config.ini", bytes); }

void HmdConfigTest::removeConfig() {
    std::error_code ignored;
    std::filesystem::remove(directory_ / "hmd_config.ini", ignored);
}

}  // namespace tamo::test
