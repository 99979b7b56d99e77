// Real files for the configuration tests, and where the library looks for
// hmd_config.ini.
#pragma once

#include "platform_test.h"
#include "scratch_directory.h"

#include <filesystem>
#include <string>
#include <string_view>

#if defined(_WIN32)
#include "platform/win32.h"
#endif

namespace tamo::test {

// Writes `bytes` exactly as given (no line-end translation).
void writeFile(const std::filesystem::path& file, std::string_view bytes);

// The name the library's platform gives `path`: on Windows the path itself;
// on the emulated Windows, drive Z: standing for the host's root.
std::wstring platformPath(const std::filesystem::path& path);

// Places hmd_config.ini where the library looks for it: beside the host
// executable. On the emulated Windows the executable is made to live in a
// fresh temporary directory; on Windows it is the test program itself, and
// a session-wide mutex keeps test processes run side by side from sharing
// the file.
class HmdConfigTest : public PlatformTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes hmd_config.ini with exactly these bytes.
    void writeConfig(std::string_view bytes);
    void removeConfig();
    const std::filesystem::path& configDirectory() const { return directory_; }

private:
#if defined(_WIN32)
    HANDLE fileLock_ = nullptr;
#else
    ScratchDirectory temp_;
#endif
    std::filesystem::path directory_;
};

}  // namespace tamo::test
