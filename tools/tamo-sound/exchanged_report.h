// One HID report that passed between the library and a (virtual) headset,
// as --show-reports shows it.
#pragma once

#include "json.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tamo::tool {

struct ExchangedReport {
    enum class Kind { OutputReport, InputReport, SetFeature, GetFeature };
    int headset = 1;  // in plug order
    Kind kind = Kind::OutputReport;
    std::vector<std::uint8_t> bytes;
    unsigned long refusedWith = 0;  // the Windows error the transfer ended in; 0 when it went through
};

// "-> set feature: 04 78 ... (+46 zero bytes)", prefixed "headset 2 " for
// any but the first headset.
std::string reportLine(const ExchangedReport& report);

// {"headset", "direction": "to_headset" | "from_headset", "kind", "bytes",
// "refused_with"}.
Json reportJson(const ExchangedReport& report);

}  // namespace tamo::tool
