// Reading the named file pair by pair. Its own file: the library's
// decisions need nothing else of ConfigReader, so the DLL carries nothing
// else of it.
#include "config/config_reader.h"

namespace tamo {

FileReading ConfigReader::loadConfigFile(const PairReceiver& receive) {
    return readConfigFile(getConfigFilePath(configFileType), receive);
}

}  // namespace tamo
