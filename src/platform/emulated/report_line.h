// One HID report that passed between the library and a virtual headset,
// and the line that shows it: tamo-sound's --show-reports and the
// simulator DLL's report log write the same lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace emulated {

struct ExchangedReport {
    enum class Kind { OutputReport, InputReport, SetFeature, GetFeature };
    int headset = 1;  // in plug order
    Kind kind = Kind::OutputReport;
    std::vector<std::uint8_t> bytes;
    unsigned long refusedWith = 0;  // the Windows error the transfer ended in; 0 when it went through
};

// Output reports and set features go to the headset; the others come from it.
bool towardHeadset(ExchangedReport::Kind kind);

// "-> set feature: 04 78 ... (+46 zero bytes)", prefixed "headset 2 " for
// any but the first headset.
std::string reportLine(const ExchangedReport& report);

}  // namespace emulated
