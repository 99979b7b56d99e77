#include "config/hmd_config.h"
#include "config/hmd_config_reader.h"

namespace tamo {

bool isSeeThroughEnabled() {
    HMDConfigReader reader;
    if (reader.loadConfigFile() != 0) return false;
    int enabled = 0;
    if (reader.getIntValue(config_key::kEnableSeeThrough, enabled) != 0) return false;
    return enabled != 0;
}

}  // namespace tamo
