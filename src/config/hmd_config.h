// The headset configuration: the device table and the see-through switch,
// both from hmd_config.ini beside the host's executable.
#pragma once

#include "config/device_config.h"

namespace tamo {

// Keys of hmd_config.ini that are not per entry.
namespace config_key {
inline constexpr const char* kEnableSeeThrough = "ENABLE_SEE_THROUGH";
inline constexpr const char* kNumOfConfig = "NUM_OF_CONFIG";
}  // namespace config_key

// Whether the see-through command may be used: ENABLE_SEE_THROUGH holds a
// nonzero number. False when the file is missing or malformed.
bool isSeeThroughEnabled();

// Appends the device table to `list`: the complete entries 1 to
// NUM_OF_CONFIG of the file in index order, or the built-in entries when the
// file is missing, malformed, or has no positive NUM_OF_CONFIG.
void loadDeviceConfigs(DeviceConfigList& list);

// Appends the three built-in entries.
void addDefaultDeviceConfigs(DeviceConfigList& list);

}  // namespace tamo
