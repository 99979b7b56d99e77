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

// An entry as written; a test it does not make has no value.
struct FuzzedEntry {
    WrittenEntry written;
    bool hasProductName = true;
    bool hasUsagePage = true;
    bool hasUsage = true;

    const std::string& value(const char* property) const { return written[propertyIndex(property)]; }
};

// The library's entry: the written values as the configuration reads them.
DeviceConfig libraryEntry(const FuzzedEntry& fuzzed) {
    DeviceConfig entry = deviceConfigOf(fuzzed.written);
    if (!fuzzed.hasProductName) entry.productName.reset();
    if (!fuzzed.hasUsagePage) entry.usagePage.reset();
    if (!fuzzed.hasUsage) entry.usage.reset();
    return entry;
}

bool referenceMatches(const emulated::HidInterface& device, const FuzzedEntry& entry) {
    if (static_cast<std::uint16_t>(referenceHex(entry.value(property::kVendorID))) != device.vendorId) return false;
    if (static_cast<std::uint16_t>(referenceHex(entry.value(property::kProductID))) != device.productId) return false;
    if (entry.hasProductName && entry.value(property::kProductName) != referenceProductString(device.productString)) {
        return false;
    }
    const auto usageDiffers = [](const std::string& written, USAGE found) {
        return referenceHex(written) != static_cast<std::int32_t>(found);
    };
    if (entry.hasUsagePage && usageDiffers(entry.value(property::kUsagePage), device.usagePage)) return false;
    if (entry.hasUsage && usageDiffers(entry.value(property::kUsage), device.usage)) return false;
    return true;
}

struct Match {
    std::size_t device;
    std::string name;
};

// The first interface, in plug order, that can be opened and matches an
// entry; the name is that of the first entry it matches.
std::optional<Match> referenceOpen(const std::vector<emulated::HidInterface>& devices,
                                   const std::vector<FuzzedEntry>& table) {
    for (std::size_t d = 0; d < devices.size(); ++d) {
        if (!devices[d].openable) continue;
        for (const FuzzedEntry& entry : table) {
            if (referenceMatches(devices[d], entry)) return Match{d, entry.value(property::kDeviceName)};
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

std::vector<FuzzedEntry> fuzzedTable(FuzzedDataProvider& input) {
    std::vector<FuzzedEntry> table;
    if (input.ConsumeIntegralInRange<int>(0, 7) == 0) {
        for (const char* name : {"Tamo Mk2", "TAMO_Zenith", "TAMO Prime"}) {
            table.push_back({{"2E5C", "0712", "0001", "FF00", name, "0", "HMD#0"}});
        }
        return table;
    }
    std::size_t entries = input.ConsumeIntegralInRange<std::size_t>(0, 4);
    for (std::size_t e = 0; e < entries; ++e) {
        FuzzedEntry entry;
        for (std::string& value : entry.written) value = input.ConsumeRandomLengthString(24);
        entry.hasProductName = input.ConsumeIntegralInRange<int>(0, 3) != 0;
        entry.hasUsagePage = input.ConsumeIntegralInRange<int>(0, 3) != 0;
        entry.hasUsage = input.ConsumeIntegralInRange<int>(0, 3) != 0;
        table.push_back(std::move(entry));
    }
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    world().reset();

    std::vector<emulated::HidInterface> devices;
    std::size_t count = input.ConsumeIntegralInRange<std::size_t>(1, 2);
    for (std::size_t d = 0; d < count; ++d) devices.push_back(fuzzedInterface(input, static_cast<unsigned>(d)));
    const std::vector<FuzzedEntry> written = fuzzedTable(input);
    DeviceConfigList table;
    for (const FuzzedEntry& entry : written) table.push_back(libraryEntry(entry));
    for (const auto& device : devices) emulated::HidBus::plug(device);

    std::optional<Match> expected = referenceOpen(devices, written);
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
