// Matching arbitrary HID interfaces against an arbitrary device table.
//
// One or two interfaces with fuzzed attributes, product strings (any UTF-16
// units) and capabilities are plugged into the virtual bus; a small fuzzed
// table (or the built-in one) is handed to a connection, which opens the
// first interface that matches. Whether it opens, which interface and which
// name it takes must follow the matching rules, it must print nothing, and
// after destruction nothing may be left open.
#include "config/hmd_config.h"
#include "fuzz_world.h"
#include "platform/line_redirect.h"
#include "hid/hid_device_connection.h"
#include "platform/emulated/hid_bus.h"
#include "platform/emulated/system.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace tamo;
using namespace tamo::fuzz;

constexpr const char* kEntryKeys[] = {property::kVendorID,    property::kProductID, property::kUsage,
                                      property::kUsagePage,   property::kProductName, property::kReportID,
                                      property::kDeviceName};

// Headsets never answer here: matching opens, tests and closes, nothing more.
class MuteDevice final : public emulated::HidDeviceModel {
public:
    DWORD setFeature(emulated::HidSession, std::span<const std::uint8_t>) override { return ERROR_GEN_FAILURE; }
    DWORD getFeature(emulated::HidSession, std::span<std::uint8_t>) override { return ERROR_GEN_FAILURE; }
    emulated::TransferReply write(emulated::HidSession, std::span<const std::uint8_t>) override {
        return emulated::TransferReply::never();
    }
    emulated::TransferReply read(emulated::HidSession) override { return emulated::TransferReply::never(); }
};

// Table values are base-16 text read as strtol would with a 32-bit long.
std::int32_t referenceHex(const std::string& text) {
    long long value = std::strtoll(text.c_str(), nullptr, 16);
    return static_cast<std::int32_t>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// The product string as the library sees it: at most 128 units, up to the
// first zero unit, each unit narrowed to its low byte.
std::string referenceProductString(const std::wstring& units) {
    std::string text;
    for (std::size_t i = 0; i < units.size() && i < 128 && units[i] != 0; ++i) {
        text += static_cast<char>(units[i] & 0xFF);
    }
    return text;
}

const std::string* valueOf(const DeviceConfig& entry, const char* key) {
    auto it = entry.find(key);
    return it == entry.end() ? nullptr : &it->second;
}

bool referenceMatches(const emulated::HidInterface& device, const DeviceConfig& entry) {
    const std::string* vendor = valueOf(entry, property::kVendorID);
    const std::string* product = valueOf(entry, property::kProductID);
    if (!vendor || !product) return false;
    if (static_cast<std::uint16_t>(referenceHex(*vendor)) != device.vendorId) return false;
    if (static_cast<std::uint16_t>(referenceHex(*product)) != device.productId) return false;
    if (const std::string* name = valueOf(entry, property::kProductName)) {
        if (*name != referenceProductString(device.productString)) return false;
    }
    if (const std::string* page = valueOf(entry, property::kUsagePage)) {
        if (referenceHex(*page) != static_cast<std::int32_t>(device.usagePage)) return false;
    }
    if (const std::string* usage = valueOf(entry, property::kUsage)) {
        if (referenceHex(*usage) != static_cast<std::int32_t>(device.usage)) return false;
    }
    return true;
}

struct Match {
    std::size_t device;
    std::string name;
};

// The first interface, in plug order, that can be opened and matches an
// entry; the name is that of the first entry it matches.
std::optional<Match> referenceOpen(const std::vector<emulated::HidInterface>& devices, const DeviceConfigList& table) {
    for (std::size_t d = 0; d < devices.size(); ++d) {
        if (!devices[d].openable) continue;
        for (const DeviceConfig& entry : table) {
            if (!referenceMatches(devices[d], entry)) continue;
            const std::string* name = valueOf(entry, property::kDeviceName);
            return Match{d, name ? *name : std::string()};
        }
    }
    return std::nullopt;
}

emulated::HidInterface fuzzedInterface(FuzzedDataProvider& input, unsigned instance) {
    emulated::HidInterface device;
    device.vendorId = input.ConsumeIntegral<USHORT>();
    device.productId = input.ConsumeIntegral<USHORT>();
    device.path = emulated::HidBus::devicePath(device.vendorId, device.productId, instance);
    std::size_t units = input.ConsumeIntegralInRange<std::size_t>(0, 140);
    for (std::size_t i = 0; i < units; ++i) device.productString += static_cast<wchar_t>(input.ConsumeIntegral<std::uint16_t>());
    device.usagePage = input.ConsumeIntegral<USAGE>();
    device.usage = input.ConsumeIntegral<USAGE>();
    device.inputReportByteLength = input.ConsumeIntegral<USHORT>();
    device.outputReportByteLength = input.ConsumeIntegral<USHORT>();
    device.featureReportByteLength = input.ConsumeIntegral<USHORT>();
    device.openable = input.ConsumeIntegralInRange<int>(0, 7) != 0;
    device.device = std::make_shared<MuteDevice>();
    return device;
}

DeviceConfigList fuzzedTable(FuzzedDataProvider& input) {
    DeviceConfigList table;
    if (input.ConsumeIntegralInRange<int>(0, 7) == 0) {
        addDefaultDeviceConfigs(table);
        return table;
    }
    std::size_t entries = input.ConsumeIntegralInRange<std::size_t>(0, 4);
    for (std::size_t e = 0; e < entries; ++e) {
        DeviceConfig entry;
        for (const char* key : kEntryKeys) {
            if (input.ConsumeIntegralInRange<int>(0, 3) != 0) entry[key] = input.ConsumeRandomLengthString(24);
        }
        table.push_back(entry);
    }
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const emulated::HostDirectory& host = hostDirectory();
    FuzzedDataProvider input(data, size);
    host.enterFreshWorld();

    std::vector<emulated::HidInterface> devices;
    std::size_t count = input.ConsumeIntegralInRange<std::size_t>(1, 2);
    for (std::size_t d = 0; d < count; ++d) devices.push_back(fuzzedInterface(input, static_cast<unsigned>(d)));
    const DeviceConfigList table = fuzzedTable(input);
    for (const auto& device : devices) emulated::HidBus::plug(device);

    std::optional<Match> expected = referenceOpen(devices, table);
    {
        LineRedirect out;
        HidDeviceConnection connection(table);
        bool opened = connection.open();
        require(opened == expected.has_value(), "the connection opens exactly when an interface matches");
        require(connection.open() == opened, "opening again changes nothing");
        if (expected) {
            require(connection.deviceHandle() != INVALID_HANDLE_VALUE, "an open connection has a device handle");
            require(connection.deviceName() == expected->name, "the device takes the matching entry's name",
                    escaped(connection.deviceName()) + " instead of " + escaped(expected->name));
            for (std::size_t d = 0; d < devices.size(); ++d) {
                require(emulated::HidBus::openHandleCount(devices[d].path) == (d == expected->device ? 1u : 0u),
                        "only the matched interface stays open");
            }
        } else {
            require(connection.deviceHandle() == INVALID_HANDLE_VALUE, "a connection that found nothing has no device");
            require(connection.deviceName() == "No Device", "a connection that found nothing is called No Device");
        }
        require(out.text().empty(), "matching without platform failures prints nothing", escaped(out.text()));
    }
    requireNothingHeld();
    return 0;
}
