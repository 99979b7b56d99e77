#include "exchanged_report.h"

namespace tamo::tool {
namespace {

const char* jsonKindOf(ExchangedReport::Kind kind) {
    switch (kind) {
    case ExchangedReport::Kind::OutputReport: return "output_report";
    case ExchangedReport::Kind::InputReport: return "input_report";
    case ExchangedReport::Kind::SetFeature: return "set_feature";
    case ExchangedReport::Kind::GetFeature: return "get_feature";
    }
    return "?";
}

}  // namespace

Json reportJson(const ExchangedReport& report) {
    Json json = Json::object();
    json.set("headset", report.headset);
    json.set("direction", emulated::towardHeadset(report.kind) ? "to_headset" : "from_headset");
    json.set("kind", jsonKindOf(report.kind));
    Json bytes = Json::array();
    for (std::uint8_t byte : report.bytes) bytes.push(static_cast<int>(byte));
    json.set("bytes", std::move(bytes));
    json.set("refused_with", report.refusedWith == 0 ? Json() : Json(report.refusedWith));
    return json;
}

}  // namespace tamo::tool
