// The reader of hmd_config.ini, the headset configuration file.
#pragma once

#include "config/config_reader.h"

#include <string>

namespace tamo {

// The file's name, in the directory of the host's executable.
inline constexpr const wchar_t* kHmdConfigFileName = L"hmd_config.ini";

// Reads "hmd_config.ini" from the directory of the host process's
// executable (not the library's own directory), afresh for every reader.
class HMDConfigReader : public ConfigReader {
public:
    HMDConfigReader();
    virtual ~HMDConfigReader();

    // The path of hmd_config.ini for file type 0; an empty text for any
    // other type.
    std::wstring getConfigFilePath(int& configFileType) override;
};

}  // namespace tamo
