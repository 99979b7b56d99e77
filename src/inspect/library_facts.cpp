#include "inspect/library_facts.h"

#include "api/diagnostics.h"
#include "api/firmware_check.h"
#include "api/mode_switch_lock.h"
#include "config/hmd_config_reader.h"
#include "protocol/command_payloads.h"

namespace tamo::inspect {

std::wstring libraryConfigPath() {
    HMDConfigReader reader;
    return reader.getConfigFilePath(reader.configFileType);
}

std::wstring configPathIn(const std::wstring& directory) { return directory + L"\\" + kHmdConfigFileName; }

bool isAudioMode(std::int32_t mode) { return tamo::isAudioMode(mode); }

std::uint32_t minimumFirmwareVersion() { return kMinimumFirmwareVersion; }

const wchar_t* modeSwitchLockName() { return kModeSwitchLockName; }

std::wstring systemErrorText(DWORD code) { return tamo::systemErrorText(code); }

}  // namespace tamo::inspect
