#include "platform/emulated/report_line.h"

#include <array>
#include <cstdio>

namespace emulated {
namespace {

const char* kindText(ExchangedReport::Kind kind) {
    switch (kind) {
    case ExchangedReport::Kind::OutputReport: return "output report";
    case ExchangedReport::Kind::InputReport: return "input report";
    case ExchangedReport::Kind::SetFeature: return "set feature";
    case ExchangedReport::Kind::GetFeature: return "get feature";
    }
    return "?";
}

}  // namespace

bool towardHeadset(ExchangedReport::Kind kind) {
    return kind == ExchangedReport::Kind::OutputReport || kind == ExchangedReport::Kind::SetFeature;
}

std::string reportLine(const ExchangedReport& report) {
    // Bytes up to the last one that is not zero; the zeros after it counted.
    std::size_t length = report.bytes.size();
    while (length > 0 && report.bytes[length - 1] == 0) --length;
    std::string line = report.headset > 1 ? "headset " + std::to_string(report.headset) + " " : std::string();
    line += towardHeadset(report.kind) ? "-> " : "<- ";
    line += kindText(report.kind);
    line += ":";
    for (std::size_t i = 0; i < length; ++i) {
        std::array<char, 4> hex{};
        std::snprintf(hex.data(), hex.size(), " %02X", report.bytes[i]);
        line += hex.data();
    }
    if (length < report.bytes.size()) line += " (+" + std::to_string(report.bytes.size() - length) + " zero bytes)";
    if (report.refusedWith != 0) line += " refused (error " + std::to_string(report.refusedWith) + ")";
    return line;
}

}  // namespace emulated
