// Reading the named file pair by pair. Its own file: the library's
// decisions need nothing else of ConfigReader, so the DLL carries nothing
// else of it.
#include "config/config_reader.h"

#include "platform/console.h"

#include <exception>

namespace tamo {

FileReading ConfigReader::loadConfigFile(const PairReceiver& receive, bool print) {
    FileReading reading = readConfigFile(getConfigFilePath(configFileType), receive);
    if (!print || reading.state != FileState::Malformed) return reading;
    // Out of memory while reporting it, the file is still one that could not
    // be read, not a failure of the caller.
    try {
        printLine(kSplitFailedLine);
        printLine(loadFailedLine(reading.malformedLine));
    } catch (const std::exception&) {
    }
    return reading;
}

}  // namespace tamo
