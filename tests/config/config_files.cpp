#include "config_files.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

#if !defined(_WIN32)
#include "platform/emulated/host_directory.h"
#endif

namespace tamo::test {
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
    return emulated::windowsPathOf(path);
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
