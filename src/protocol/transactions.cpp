#include "protocol/transactions.h"

#include "config/hmd_config.h"
#include "hid/hid_device_connection.h"
#include "platform/win32.h"

#include <memory>
#include <new>
#include <utility>

namespace tamo {

static_assert(frame::kSize == kReportSize, "a report is exactly one HID transfer");

namespace {

// The common frame: a fresh device table, handed to a fresh connection for
// `exchange`, which closes the device on every path.
template <class Exchange>
StatusCode withHeadset(Exchange&& exchange) {
    DeviceConfigList table;
    loadDeviceConfigs(table);
    HidDeviceConnection connection(std::move(table));
    if (!connection.open()) return SOUND_ERROR_DEVICE_NOT_FOUND;
    return exchange(connection);
}

bool hasDevice(const HidDeviceConnection& connection) {
    return connection.deviceHandle() != INVALID_HANDLE_VALUE;
}

// HidD_* take a non-const buffer even to send one.
BOOLEAN setFeature(const HidDeviceConnection& connection, ReportImage& buffer) {
    const auto& hid = connection.hid();
    if (hid.setFeature == nullptr) return FALSE;
    return hid.setFeature(connection.deviceHandle(), buffer.data(), static_cast<ULONG>(buffer.size()));
}

BOOLEAN getFeature(const HidDeviceConnection& connection, ReportImage& buffer) {
    const auto& hid = connection.hid();
    if (hid.getFeature == nullptr) return FALSE;
    return hid.getFeature(connection.deviceHandle(), buffer.data(), static_cast<ULONG>(buffer.size()));
}

StatusCode sendReport(const CommandReport& report) {
    return withHeadset([&report](HidDeviceConnection& connection) -> StatusCode {
        // The platform gets its own copy of the image, never the report's.
        std::unique_ptr<ReportImage> transfer(new (std::nothrow) ReportImage(report.image()));
        if (!transfer) return SOUND_ERROR_OUT_OF_MEMORY;
        if (!hasDevice(connection)) return SOUND_ERROR_TRANSFER_FAILED;
        return setFeature(connection, *transfer) ? SOUND_OK : SOUND_ERROR_TRANSFER_FAILED;
    });
}

}  // namespace

StatusCode sendCommand(const CommandPayload& payload) {
    CommandReport report;
    report.setPayload(payload);
    return sendReport(report);
}

StatusCode sendCommand() { return sendReport(CommandReport{}); }

StatusCode readStatusFeature(StatusBlock& block) {
    return withHeadset([&block](HidDeviceConnection& connection) -> StatusCode {
        if (!hasDevice(connection)) return SOUND_ERROR_TRANSFER_FAILED;
        ReportImage buffer = statusFeatureRequest();
        if (!getFeature(connection, buffer)) return SOUND_ERROR_TRANSFER_FAILED;
        block = statusBlockOf(buffer);
        return SOUND_OK;
    });
}

StatusCode readStatusInput(StatusBlock& block) {
    return withHeadset([&block](HidDeviceConnection& connection) -> StatusCode {
        ReportImage buffer{};
        // A read that completed with an error holds no status at all.
        if (connection.readInputReport(buffer) != TransferResult::Completed) return SOUND_ERROR_TRANSFER_FAILED;
        block = statusBlockOf(buffer);
        return SOUND_OK;
    });
}

StatusCode queryFirmwareVersion(std::string& text) {
    return withHeadset([&text](HidDeviceConnection& connection) -> StatusCode {
        if (!connection.writeOutputReport(versionRequest())) return SOUND_ERROR_TRANSFER_FAILED;
        for (int read = 0; read < kVersionPollReads; ++read) {
            ReportImage reply{};
            const TransferResult received = connection.readInputReport(reply);
            if (received == TransferResult::NotCompleted) return SOUND_ERROR_TRANSFER_FAILED;
            // A read that ended with an error brought no reply: the poll
            // goes on as for a report of another kind.
            if (received == TransferResult::Completed && isVersionReply(reply)) {
                text = versionText(reply);
                return SOUND_OK;
            }
            Sleep(kVersionPollPauseMs);
        }
        return SOUND_ERROR_TRANSFER_FAILED;
    });
}

}  // namespace tamo
