#include "platform/emulated/headset_profile.h"

#include "platform/emulated/utf8.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

namespace emulated {
namespace {

std::string_view trimmed(std::string_view text) {
    std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::optional<unsigned> parseNumber(std::string_view text, int base, unsigned maximum) {
    if (base == 16 && (text.starts_with("0x") || text.starts_with("0X"))) text.remove_prefix(2);
    unsigned value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > maximum) {
        return std::nullopt;
    }
    return value;
}

// yes, no, on, off, 1, 0, true, false, in any case.
std::optional<bool> parseSwitch(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (std::string_view on : {"on", "1", "yes", "true"}) {
        if (lower == on) return true;
    }
    for (std::string_view off : {"off", "0", "no", "false"}) {
        if (lower == off) return false;
    }
    return std::nullopt;
}

// Applies one key of a [headset] or [interface] section.
std::optional<std::string> applyKey(InterfaceSetup& entry, std::string_view key, std::string_view value) {
    struct NumberField {
        std::string_view key;
        unsigned InterfaceSetup::*field;
    };
    for (auto [name, field] : {NumberField{"vendor_id", &InterfaceSetup::vendorId},
                               NumberField{"product_id", &InterfaceSetup::productId},
                               NumberField{"usage_page", &InterfaceSetup::usagePage},
                               NumberField{"usage", &InterfaceSetup::usage}}) {
        if (key != name) continue;
        std::optional<unsigned> number = parseNumber(value, 16, 0xFFFF);
        if (!number) return std::string(key) + " takes a 16-bit hexadecimal number";
        entry.*field = *number;
        return std::nullopt;
    }
    for (auto [name, field] : {NumberField{"input_length", &InterfaceSetup::inputLength},
                               NumberField{"output_length", &InterfaceSetup::outputLength},
                               NumberField{"feature_length", &InterfaceSetup::featureLength}}) {
        if (key != name) continue;
        std::optional<unsigned> number = parseNumber(value, 10, 0xFFFF);
        if (!number) return std::string(key) + " takes a decimal number of bytes";
        entry.*field = *number;
        return std::nullopt;
    }
    if (key == "product") {
        entry.product = tamo::utf16FromUtf8(value);
    } else if (key == "firmware" && entry.headset) {
        std::optional<unsigned> number = parseNumber(value, 10, 999);
        if (!number) return "firmware takes a decimal number from 0 to 999";
        entry.firmware = *number;
    } else if (key == "silent" && entry.headset) {
        std::optional<bool> flag = parseSwitch(value);
        if (!flag) return "silent takes yes or no (or on, off, 1, 0)";
        entry.silent = *flag;
    } else if (key == "refuses_features" && entry.headset) {
        std::optional<bool> flag = parseSwitch(value);
        if (!flag) return "refuses_features takes yes or no (or on, off, 1, 0)";
        entry.refusesFeatures = *flag;
    } else if (key == "openable") {
        std::optional<bool> flag = parseSwitch(value);
        if (!flag) return "openable takes yes or no (or on, off, 1, 0)";
        entry.openable = *flag;
    } else {
        return "unknown key " + std::string(key);
    }
    return std::nullopt;
}

InterfaceSetup headsetWith(void (*change)(InterfaceSetup&)) {
    InterfaceSetup headset;
    change(headset);
    return headset;
}

struct BuiltInProfile {
    const char* name;
    void (*build)(Profile&);
};

constexpr BuiltInProfile kBuiltInProfiles[] = {
    {"default", [](Profile& profile) { profile.interfaces = {InterfaceSetup{}}; }},
    {"none", [](Profile&) {}},
    {"old-firmware",
     [](Profile& profile) {
         profile.interfaces = {headsetWith([](InterfaceSetup& h) { h.firmware = tamo::kMinimumFirmwareVersion - 1; })};
     }},
    {"silent",
     [](Profile& profile) { profile.interfaces = {headsetWith([](InterfaceSetup& h) { h.silent = true; })}; }},
    {"busy",
     [](Profile& profile) {
         profile.interfaces = {InterfaceSetup{}};
         profile.lockHeld = true;
     }},
    {"two-headsets",
     [](Profile& profile) {
         profile.interfaces = {InterfaceSetup{}, headsetWith([](InterfaceSetup& h) { h.product = L"TAMO Prime"; })};
     }},
    {"refusing",
     [](Profile& profile) {
         profile.interfaces = {headsetWith([](InterfaceSetup& h) { h.refusesFeatures = true; })};
     }},
};

}  // namespace

InterfaceSetup InterfaceSetup::plain() {
    InterfaceSetup entry;
    entry.headset = false;
    entry.product = L"HID interface";
    entry.vendorId = 0x0000;
    entry.productId = 0x0000;
    entry.usagePage = 0x0001;
    entry.usage = 0x0000;
    return entry;
}

std::string builtInProfileNames() {
    std::string names;
    for (const BuiltInProfile& builtIn : kBuiltInProfiles) {
        if (!names.empty()) names += ", ";
        names += builtIn.name;
    }
    return names;
}

std::optional<Profile> builtInProfile(const std::string& name) {
    for (const BuiltInProfile& builtIn : kBuiltInProfiles) {
        if (name != builtIn.name) continue;
        Profile profile;
        profile.name = name;
        builtIn.build(profile);
        return profile;
    }
    return std::nullopt;
}

std::optional<Profile> loadProfile(const std::string& nameOrPath, std::string& error) {
    if (std::optional<Profile> builtIn = builtInProfile(nameOrPath)) return builtIn;
    std::ifstream file(std::filesystem::path(reinterpret_cast<const char8_t*>(nameOrPath.c_str())), std::ios::binary);
    if (!file) {
        error = "'" + nameOrPath + "' is neither a profile (" + builtInProfileNames() + ") nor a readable file";
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return parseProfile(text.str(), nameOrPath, error);
}

std::optional<Profile> parseProfile(const std::string& text, const std::string& name, std::string& error) {
    Profile profile;
    profile.name = name;
    enum class Section { None, Interface, Lock } section = Section::None;
    std::istringstream stream(text);
    std::string raw;
    for (int number = 1; std::getline(stream, raw); ++number) {
        std::string_view line = trimmed(raw);
        auto fail = [&](const std::string& why) {
            error = name + ", line " + std::to_string(number) + ": " + why;
            return std::nullopt;
        };
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        if (line == "[headset]" || line == "[interface]") {
            profile.interfaces.push_back(line == "[headset]" ? InterfaceSetup{} : InterfaceSetup::plain());
            section = Section::Interface;
            continue;
        }
        if (line == "[lock]") {
            section = Section::Lock;
            continue;
        }
        if (line.front() == '[') return fail("unknown section " + std::string(line));
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) return fail("expected key = value");
        std::string_view key = trimmed(line.substr(0, equals));
        std::string_view value = trimmed(line.substr(equals + 1));
        if (section == Section::None) return fail("a key before the first section");
        if (section == Section::Lock) {
            std::optional<bool> held = key == "held" ? parseSwitch(value) : std::nullopt;
            if (!held) return fail("[lock] takes held = yes or no");
            profile.lockHeld = *held;
            continue;
        }
        if (std::optional<std::string> problem = applyKey(profile.interfaces.back(), key, value)) return fail(*problem);
    }
    return profile;
}

}  // namespace emulated
