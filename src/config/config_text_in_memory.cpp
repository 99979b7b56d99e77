// Configuration text already in memory. Its own file, so that the DLL,
// which only ever reads hmd_config.ini, does not carry it.
#include "config/config_text.h"
#include "config/line_reader.h"

namespace tamo {

FileReading readConfigText(std::string_view bytes, const PairReceiver& receive) {
    LineReader lines(bytes);
    return readLines(lines, receive);
}

FileReading TextSource::read(const PairReceiver& receive) const { return readConfigText(bytes_, receive); }

}  // namespace tamo
