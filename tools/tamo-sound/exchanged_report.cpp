#include "exchanged_report.h"

#include <array>
#include <cstdio>

namespace tamo::tool {
namespace {

bool towardHeadset(ExchangedReport::Kind kind) {
    return kind == ExchangedReport::Kind::OutputReport || kind == ExchangedReport::Kind::SetFeature;
}

// The words of the text line and the JSON member alike.
struct KindNames {
    const char* text;
    const char* json;
};

KindNames namesOf(ExchangedReport::Kind kind) {
    switch (kind) {
    case ExchangedReport::Kind::OutputReport:
        return {"output report", "output_report"};
    case ExchangedReport::Kind::InputReport:
        return {"input report", "input_report"};
    case ExchangedReport::Kind::SetFeature:
        return {"set feature", "set_feature"};
    case ExchangedReport::Kind::GetFeature:
        return {"get feature", "get_feature"};
    }
    return {"?", "?"};
}

}  // namespace

std::string reportLine(const ExchangedReport& report) {
    // Bytes up to the last one that is not zero; the zeros after it counted.
    std::size_t length = report.bytes.size();
    while (length > 0 && report.bytes[length - 1] == 0) --length;
    std::string line = report.headset > 1 ? "headset " + std::to_string(report.headset) + " " : std::string();
    line += towardHeadset(report.kind) ? "-> " : "<- ";
    line += namesOf(report.kind).text;
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

Json reportJson(const ExchangedReport& report) {
    Json json = Json::object();
    json.set("headset", report.headset);
    json.set("direction", towardHeadset(report.kind) ? "to_headset" : "from_headset");
    json.set("kind", namesOf(report.kind).json);
    Json bytes = Json::array();
    for (std::uint8_t byte : report.bytes) bytes.push(static_cast<int>(byte));
    json.set("bytes", std::move(bytes));
    json.set("refused_with", report.refusedWith == 0 ? Json() : Json(report.refusedWith));
    return json;
}

}  // namespace tamo::tool
