// One HID report that passed between the library and a (virtual) headset,
// as --show-reports shows it: the line is the emulated side's
// (platform/emulated/report_line.h), the JSON form the tool's own.
#pragma once

#include "json.h"
#include "platform/emulated/report_line.h"

namespace tamo::tool {

using emulated::ExchangedReport;
using emulated::reportLine;

// {"headset", "direction": "to_headset" | "from_headset", "kind", "bytes",
// "refused_with"}.
Json reportJson(const ExchangedReport& report);

}  // namespace tamo::tool
