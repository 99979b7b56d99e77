// The library's own values that a diagnostic tool names to its users: the
// file it reads, the firmware it needs, the lock it takes, how Windows words
// an error. Asked here, never written out a second time.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <string>

namespace tamo::inspect {

// The hmd_config.ini the library reads: beside the host's executable.
std::wstring libraryConfigPath();
// The one it would read for an executable in `directory` (a Windows path).
std::wstring configPathIn(const std::wstring& directory);

// Whether the library takes `mode` as an audio mode to set.
bool isAudioMode(std::int32_t mode);

// The oldest headset firmware the library accepts.
std::uint32_t minimumFirmwareVersion();

// The name of the semaphore that serialises mode switches between processes.
const wchar_t* modeSwitchLockName();

// Windows' own text for an error code, as the library prints it.
std::wstring systemErrorText(DWORD code);

}  // namespace tamo::inspect
