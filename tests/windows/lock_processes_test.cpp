// Two real processes contending for "SoundModeSwitchLocker".
#include <gtest/gtest.h>

#include "api/mode_switch_lock.h"
#include "platform/win32.h"
#include "stdout_capture.h"

#include <string>

namespace tamo::test {
namespace {

std::wstring besideThisProgram(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory = path;
    return directory.substr(0, directory.find_last_of(L'\\') + 1) + name;
}

struct OwnedHandle {
    HANDLE value = nullptr;
    ~OwnedHandle() {
        if (value) CloseHandle(value);
    }
};

TEST(LockProcesses, HolderInAnotherProcessMakesTheLockBusyAtOnce) {
    std::wstring heldName = L"TamoTestLockHeld" + std::to_wstring(GetCurrentProcessId());
    std::wstring releaseName = L"TamoTestLockRelease" + std::to_wstring(GetCurrentProcessId());
    OwnedHandle held{CreateEventW(nullptr, TRUE, FALSE, heldName.c_str())};
    OwnedHandle release{CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str())};
    ASSERT_TRUE(held.value && release.value);

    std::wstring command = L"\"" + besideThisProgram(L"lock_holder.exe") + L"\" " + heldName + L" " + releaseName;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    OwnedHandle processHandle{process.hProcess};
    OwnedHandle threadHandle{process.hThread};
    ASSERT_EQ(WaitForSingleObject(held.value, 30000), WAIT_OBJECT_0) << "the holder took the lock";

    {
        ModeSwitchLock lock;
        StdoutCapture out;
        EXPECT_EQ(lock.openLock(), SOUND_OK);
        EXPECT_EQ(lock.tryLock(), SOUND_ERROR_LOCK_BUSY);
        EXPECT_EQ(lock.closeLock(), SOUND_OK);
        EXPECT_EQ(out.text(), "Handle is exist.\n");
    }

    SetEvent(release.value);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);

    ModeSwitchLock lock;
    EXPECT_EQ(lock.openLock(), SOUND_OK);
    EXPECT_EQ(lock.tryLock(), SOUND_OK) << "free again once the other process let go";
    EXPECT_EQ(lock.unlock(), SOUND_OK);
    EXPECT_EQ(lock.closeLock(), SOUND_OK);
}

}  // namespace
}  // namespace tamo::test
