#include "virtual_world.h"

#include "api/mode_switch_lock.h"
#include "platform/emulated/hid_bus.h"
#include "platform/emulated/host_directory.h"
#include "platform/emulated/system.h"
#include "platform/emulated/virtual_headset.h"
#include "platform/win32.h"
#include "table_entry_json.h"
#include "text_paths.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <mutex>
#include <span>
#include <utility>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

namespace tamo::tool {
namespace {

constexpr const wchar_t* kExecutableName = L"tamo-sound.exe";
constexpr const char* kStateVariable = "TAMO_VIRTUAL_STATE";
constexpr unsigned kOldFirmware = kMinimumFirmwareVersion - 1;

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

InterfaceSpec plainInterface() {
    InterfaceSpec entry;
    entry.headset = false;
    entry.product = L"HID interface";
    entry.vendorId = 0x0000;
    entry.productId = 0x0000;
    entry.usagePage = 0x0001;
    entry.usage = 0x0000;
    return entry;
}

// Applies one key of a [headset] or [interface] section.
std::optional<std::string> applyKey(InterfaceSpec& entry, std::string_view key, std::string_view value) {
    struct HexField {
        std::string_view key;
        unsigned InterfaceSpec::*field;
    };
    for (auto [name, field] : {HexField{"vendor_id", &InterfaceSpec::vendorId},
                               HexField{"product_id", &InterfaceSpec::productId},
                               HexField{"usage_page", &InterfaceSpec::usagePage}, HexField{"usage", &InterfaceSpec::usage}}) {
        if (key != name) continue;
        std::optional<unsigned> number = parseNumber(value, 16, 0xFFFF);
        if (!number) return std::string(key) + " takes a 16-bit hexadecimal number";
        entry.*field = *number;
        return std::nullopt;
    }
    for (auto [name, field] : {HexField{"input_length", &InterfaceSpec::inputLength},
                               HexField{"output_length", &InterfaceSpec::outputLength},
                               HexField{"feature_length", &InterfaceSpec::featureLength}}) {
        if (key != name) continue;
        std::optional<unsigned> number = parseNumber(value, 10, 0xFFFF);
        if (!number) return std::string(key) + " takes a decimal number of bytes";
        entry.*field = *number;
        return std::nullopt;
    }
    if (key == "product") {
        entry.product = wideFromUtf8(value);
    } else if (key == "firmware" && entry.headset) {
        std::optional<unsigned> number = parseNumber(value, 10, 999);
        if (!number) return "firmware takes a decimal number from 0 to 999";
        entry.firmware = *number;
    } else if (key == "silent" && entry.headset) {
        std::optional<bool> flag = parseSwitch(value);
        if (!flag) return "silent takes yes or no (or on, off, 1, 0)";
        entry.silent = *flag;
    } else if (key == "openable") {
        std::optional<bool> flag = parseSwitch(value);
        if (!flag) return "openable takes yes or no (or on, off, 1, 0)";
        entry.openable = *flag;
    } else {
        return "unknown key " + std::string(key);
    }
    return std::nullopt;
}

}  // namespace

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
            profile.interfaces.push_back(line == "[headset]" ? InterfaceSpec{} : plainInterface());
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

namespace {

struct BuiltInProfile {
    const char* name;
    void (*build)(Profile&);
};

// Every built-in profile, in the order --help and errors list them.
constexpr BuiltInProfile kBuiltInProfiles[] = {
    {"default", [](Profile& profile) { profile.interfaces = {InterfaceSpec{}}; }},
    {"none", [](Profile&) {}},
    {"old-firmware",
     [](Profile& profile) {
         InterfaceSpec headset;
         headset.firmware = kOldFirmware;
         profile.interfaces = {headset};
     }},
    {"silent",
     [](Profile& profile) {
         InterfaceSpec headset;
         headset.silent = true;
         profile.interfaces = {headset};
     }},
    {"busy",
     [](Profile& profile) {
         profile.interfaces = {InterfaceSpec{}};
         profile.lockHeld = true;
     }},
    {"two-headsets",
     [](Profile& profile) {
         InterfaceSpec second;
         second.product = L"TAMO Prime";
         profile.interfaces = {InterfaceSpec{}, second};
     }},
};

}  // namespace

std::string builtInProfileNames() {
    std::string names;
    for (const BuiltInProfile& builtIn : kBuiltInProfiles) {
        if (!names.empty()) names += ", ";
        names += builtIn.name;
    }
    return names;
}

std::optional<Profile> findProfile(const std::string& nameOrPath, std::string& error) {
    Profile profile;
    profile.name = nameOrPath;
    for (const BuiltInProfile& builtIn : kBuiltInProfiles) {
        if (nameOrPath != builtIn.name) continue;
        builtIn.build(profile);
        return profile;
    }
    std::ifstream file(nameOrPath, std::ios::binary);
    if (!file) {
        error = "--virtual: '" + nameOrPath + "' is neither a profile (" + builtInProfileNames() +
                ") nor a readable file";
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return parseProfile(text.str(), nameOrPath, error);
}

// Stands between the bus and a virtual headset and writes down every report
// that passes, in both directions. Called with the emulation's kernel lock
// held, like any device model: it calls no platform function.
class VirtualWorld::ReportLog final : public emulated::HidDeviceModel {
public:
    ReportLog(std::shared_ptr<emulated::VirtualHeadset> headset, int headsetNumber)
        : headset_(std::move(headset)), headsetNumber_(headsetNumber) {}

    std::vector<ExchangedReport> take() {
        std::lock_guard guard(mutex_);
        return std::exchange(reports_, {});
    }

    void opened(emulated::HidSession session) override { headset_->opened(session); }
    void closed(emulated::HidSession session) override { headset_->closed(session); }

    DWORD setFeature(emulated::HidSession session, std::span<const std::uint8_t> report) override {
        DWORD result = headset_->setFeature(session, report);
        note(ExchangedReport::Kind::SetFeature, report, result);
        return result;
    }

    DWORD getFeature(emulated::HidSession session, std::span<std::uint8_t> report) override {
        DWORD result = headset_->getFeature(session, report);
        note(ExchangedReport::Kind::GetFeature, report, result);
        return result;
    }

    emulated::TransferReply write(emulated::HidSession session, std::span<const std::uint8_t> report) override {
        emulated::TransferReply reply = headset_->write(session, report);
        note(ExchangedReport::Kind::OutputReport, report, reply.rejectedWith.value_or(ERROR_SUCCESS));
        return reply;
    }

    emulated::TransferReply read(emulated::HidSession session) override {
        emulated::TransferReply reply = headset_->read(session);
        if (!reply.data.empty() || reply.rejectedWith) {
            note(ExchangedReport::Kind::InputReport, reply.data, reply.rejectedWith.value_or(ERROR_SUCCESS));
        }
        return reply;
    }

private:
    void note(ExchangedReport::Kind kind, std::span<const std::uint8_t> bytes, DWORD result) {
        ExchangedReport report;
        report.headset = headsetNumber_;
        report.kind = kind;
        report.bytes.assign(bytes.begin(), bytes.end());
        report.refusedWith = result;
        std::lock_guard guard(mutex_);
        reports_.push_back(std::move(report));
    }

    std::shared_ptr<emulated::VirtualHeadset> headset_;
    int headsetNumber_;
    std::mutex mutex_;
    std::vector<ExchangedReport> reports_;
};

struct VirtualWorld::Plugged {
    InterfaceSpec entry;
    std::shared_ptr<emulated::VirtualHeadset> headset;  // null for a plain interface
    std::shared_ptr<ReportLog> log;
    int headsetNumber = 0;
};

std::unique_ptr<VirtualWorld> VirtualWorld::create(const Options& options, std::string& error) {
    std::unique_ptr<VirtualWorld> world(new VirtualWorld);
    std::optional<Profile> profile = findProfile(options.virtualProfile.value_or("default"), error);
    if (!profile) return nullptr;
    world->profile_ = std::move(*profile);

    std::string directory = programDirectoryHost();
    if (options.exeDir) {
        std::error_code ignored;
        if (!std::filesystem::is_directory(*options.exeDir, ignored)) {
            error = "--exe-dir: '" + *options.exeDir + "' is not a directory";
            return nullptr;
        }
        directory = *options.exeDir;
    }
    world->host_ = std::make_unique<emulated::HostDirectory>(directory, kExecutableName);
    world->host_->useAsExecutableDirectory();
    world->executablePath_ = world->host_->executablePath();

    const char* fromEnvironment = std::getenv(kStateVariable);
    world->stateFile_ = options.stateFile                        ? *options.stateFile
                        : fromEnvironment && *fromEnvironment ? std::string(fromEnvironment)
                                                              : defaultStateFilePath();
    world->loaded_ = loadStateFile(world->stateFile_);
    if (std::optional<std::string> warning = world->loadWarning()) world->warnings_.push_back(*warning);

    int headsets = 0;
    unsigned instance = 0;
    for (const InterfaceSpec& entry : world->profile_.interfaces) {
        auto plugged = std::make_unique<Plugged>();
        plugged->entry = entry;
        emulated::HidInterface description;
        if (entry.headset) {
            plugged->headset = std::make_shared<emulated::VirtualHeadset>();
            plugged->headsetNumber = ++headsets;
            plugged->headset->setFirmwareVersion(entry.firmware);
            plugged->headset->setSilent(entry.silent);
            HeadsetState state;
            if (auto saved = world->loaded_.state.find(headsets); saved != world->loaded_.state.end()) {
                state = saved->second;
            }
            world->initial_[headsets] = state;
            plugged->headset->setAudioMode(state.audioMode);
            plugged->headset->setHiPower(state.hiPower);
            plugged->headset->setSeeThrough(state.seeThrough);
            description = emulated::VirtualHeadset::describe(plugged->headset, entry.product, instance);
            plugged->log = std::make_shared<ReportLog>(plugged->headset, plugged->headsetNumber);
            description.device = plugged->log;
        }
        description.path = emulated::HidBus::devicePath(static_cast<USHORT>(entry.vendorId),
                                                        static_cast<USHORT>(entry.productId), instance++);
        description.vendorId = static_cast<USHORT>(entry.vendorId);
        description.productId = static_cast<USHORT>(entry.productId);
        description.productString = entry.product;
        description.usagePage = static_cast<USAGE>(entry.usagePage);
        description.usage = static_cast<USAGE>(entry.usage);
        description.inputReportByteLength = static_cast<USHORT>(entry.inputLength);
        description.outputReportByteLength = static_cast<USHORT>(entry.outputLength);
        description.featureReportByteLength = static_cast<USHORT>(entry.featureLength);
        description.openable = entry.openable;
        emulated::HidBus::plug(std::move(description));
        world->plugged_.push_back(std::move(plugged));
    }

    if (world->profile_.lockHeld) {
        // Another holder of the lock, as a second host process would be.
        HANDLE lock = CreateSemaphoreW(nullptr, 1, 1, kModeSwitchLockName);
        if (lock && WaitForSingleObject(lock, 0) == WAIT_OBJECT_0) {
            world->lockHolder_ = lock;
        } else if (lock) {
            CloseHandle(lock);
        }
    }
    return world;
}

VirtualWorld::~VirtualWorld() {
    if (lockHolder_) {
        ReleaseSemaphore(lockHolder_, 1, nullptr);
        CloseHandle(lockHolder_);
    }
}

std::vector<ExchangedReport> VirtualWorld::takeReports() {
    std::vector<ExchangedReport> reports;
    for (const auto& plugged : plugged_) {
        if (!plugged->log) continue;
        for (ExchangedReport& report : plugged->log->take()) reports.push_back(std::move(report));
    }
    return reports;
}

std::optional<std::string> VirtualWorld::loadWarning() const {
    std::string file = "the virtual headset state file " + stateFile_;
    switch (loaded_.outcome) {
    case LoadedState::Outcome::Missing:
    case LoadedState::Outcome::Loaded:
        return std::nullopt;
    case LoadedState::Outcome::Corrupt:
        return file + " is damaged (" + loaded_.problem +
               "); starting from the default state; a command that changes the headset replaces it";
    case LoadedState::Outcome::Foreign:
        return file + " is not a tamo-sound state file (" + loaded_.problem +
               "); starting from the default state; the file is left as it is";
    case LoadedState::Outcome::Unreadable:
        return file + " cannot be read (" + loaded_.problem +
               "); starting from the default state; the file is left as it is";
    }
    return std::nullopt;
}

std::optional<std::string> VirtualWorld::save() {
    VirtualState current;
    for (const auto& plugged : plugged_) {
        if (!plugged->headset) continue;
        current[plugged->headsetNumber] =
            HeadsetState{plugged->headset->audioMode(), plugged->headset->hiPower(), plugged->headset->seeThrough()};
    }
    // Only a change of the headsets is written: a run that only reads them
    // leaves the file alone.
    if (current == initial_) return std::nullopt;
    if (!loaded_.mayBeReplaced()) {
        return "the virtual headset's new state is not kept: " + stateFile_ +
               " is not a tamo-sound state file, and it is left as it is (give --state-file another path)";
    }
    VirtualState state = loaded_.outcome == LoadedState::Outcome::Loaded ? loaded_.state : VirtualState{};
    for (const auto& [headset, values] : current) state[headset] = values;
    if (std::optional<std::string> problem = saveStateFile(stateFile_, state)) {
        return "the virtual headset state cannot be saved: " + *problem;
    }
    return std::nullopt;
}

std::string VirtualWorld::summary() const {
    std::string text = "profile " + profile_.name + ":";
    if (plugged_.empty()) text += " no HID interface";
    for (std::size_t i = 0; i < plugged_.size(); ++i) {
        const Plugged& plugged = *plugged_[i];
        text += (i > 0 ? ", " : " ") + std::string(plugged.headset ? "headset '" : "interface '") +
                utf8FromWide(plugged.entry.product) + "'";
        if (plugged.headset) {
            text += " (firmware " + std::to_string(plugged.entry.firmware) + (plugged.entry.silent ? ", silent" : "") +
                    ", audioMode " + std::to_string(plugged.headset->audioMode()) + ", hiPower " +
                    (plugged.headset->hiPower() ? "on" : "off") + ", see-through " +
                    (plugged.headset->seeThrough() ? "on" : "off") + ")";
        }
    }
    if (lockHolder_) text += "; the mode-switch lock is held by another caller";
    return text + "; state file " + stateFile_ + "; executable " + utf8FromWide(executablePath_);
}

Json VirtualWorld::describe() const {
    Json json = Json::object();
    json.set("profile", profile_.name);
    json.set("state_file", stateFile_);
    const char* outcome = "missing";
    switch (loaded_.outcome) {
    case LoadedState::Outcome::Missing:
        break;
    case LoadedState::Outcome::Loaded:
        outcome = "loaded";
        break;
    case LoadedState::Outcome::Corrupt:
        outcome = "corrupt";
        break;
    case LoadedState::Outcome::Foreign:
        outcome = "foreign";
        break;
    case LoadedState::Outcome::Unreadable:
        outcome = "unreadable";
        break;
    }
    json.set("state_file_was", outcome);
    json.set("executable", utf8FromWide(executablePath_));
    json.set("lock_held_by_another", lockHolder_ != nullptr);
    Json interfaces = Json::array();
    for (const auto& plugged : plugged_) {
        Json item = Json::object();
        item.set("kind", plugged->headset ? "headset" : "interface");
        item.set("product", utf8FromWide(plugged->entry.product));
        item.set("vendor_id", plugged->entry.vendorId);
        item.set("vendor_id_hex", hexId(static_cast<std::uint16_t>(plugged->entry.vendorId)));
        item.set("product_id", plugged->entry.productId);
        item.set("product_id_hex", hexId(static_cast<std::uint16_t>(plugged->entry.productId)));
        item.set("openable", plugged->entry.openable);
        if (plugged->headset) {
            item.set("headset", plugged->headsetNumber);
            item.set("firmware", plugged->entry.firmware);
            item.set("silent", plugged->entry.silent);
            item.set("audio_mode", plugged->headset->audioMode());
            item.set("hi_power", plugged->headset->hiPower());
            item.set("see_through", plugged->headset->seeThrough());
        }
        interfaces.push(std::move(item));
    }
    json.set("interfaces", std::move(interfaces));
    return json;
}

}  // namespace tamo::tool
