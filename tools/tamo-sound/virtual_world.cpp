#include "virtual_world.h"

#include "table_entry_json.h"
#include "text_paths.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <span>
#include <sstream>
#include <utility>

namespace tamo::tool {
namespace {

constexpr const wchar_t* kExecutableName = L"tamo-sound.exe";
constexpr const char* kStateVariable = "TAMO_VIRTUAL_STATE";

}  // namespace

std::optional<Profile> findProfile(const std::string& nameOrPath, std::string& error) {
    if (std::optional<Profile> builtIn = emulated::builtInProfile(nameOrPath)) return builtIn;
    std::ifstream file(nameOrPath, std::ios::binary);
    if (!file) {
        error = "--virtual: '" + nameOrPath + "' is neither a profile (" + emulated::builtInProfileNames() +
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
    world->world_ = std::make_unique<emulated::World>(directory, kExecutableName);

    const char* fromEnvironment = std::getenv(kStateVariable);
    world->stateFile_ = options.stateFile                        ? *options.stateFile
                        : fromEnvironment && *fromEnvironment ? std::string(fromEnvironment)
                                                              : emulated::defaultStateFilePath();
    world->loaded_ = emulated::loadStateFile(world->stateFile_);
    if (std::optional<std::string> warning = world->loadWarning()) world->warnings_.push_back(*warning);

    world->plugProfile();
    return world;
}

VirtualWorld::~VirtualWorld() = default;

// Each headset starts as the state file left it, and behind a log of the
// reports it exchanges.
void VirtualWorld::plugProfile() {
    int headsets = 0;
    for (const InterfaceSetup& setup : profile_.interfaces) {
        if (!setup.headset) {
            world_->plug(setup);
            continue;
        }
        auto headset = std::make_shared<emulated::VirtualHeadset>();
        HeadsetState state;
        if (auto saved = loaded_.state.find(++headsets); saved != loaded_.state.end()) state = saved->second;
        initial_[headsets] = state;
        headset->setAudioMode(state.audioMode);
        headset->setHiPower(state.hiPower);
        headset->setSeeThrough(state.seeThrough);
        logs_.push_back(std::make_shared<ReportLog>(headset, headsets));
        world_->plug(setup, headset, logs_.back());
    }
    // Another holder of the lock, as a second host process would be.
    if (profile_.lockHeld) world_->holdLock();
}

std::vector<ExchangedReport> VirtualWorld::takeReports() {
    std::vector<ExchangedReport> reports;
    for (const auto& log : logs_) {
        for (ExchangedReport& report : log->take()) reports.push_back(std::move(report));
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
    for (const emulated::World::Plugged& plugged : world_->plugged()) {
        if (!plugged.headset) continue;
        current[plugged.headsetNumber] =
            HeadsetState{plugged.headset->audioMode(), plugged.headset->hiPower(), plugged.headset->seeThrough()};
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
    if (std::optional<std::string> problem = emulated::saveStateFile(stateFile_, state)) {
        return "the virtual headset state cannot be saved: " + *problem;
    }
    return std::nullopt;
}

std::string VirtualWorld::summary() const {
    std::string text = "profile " + profile_.name + ":";
    const auto& plugged = world_->plugged();
    if (plugged.empty()) text += " no HID interface";
    for (std::size_t i = 0; i < plugged.size(); ++i) {
        const InterfaceSetup& setup = plugged[i].setup;
        const emulated::VirtualHeadset* headset = plugged[i].headset.get();
        text += (i > 0 ? ", " : " ") + std::string(headset ? "headset '" : "interface '") + utf8FromWide(setup.product) +
                "'";
        if (headset) {
            text += " (firmware " + std::to_string(setup.firmware) + (setup.silent ? ", silent" : "") +
                    ", audioMode " + std::to_string(headset->audioMode()) + ", hiPower " +
                    (headset->hiPower() ? "on" : "off") + ", see-through " + (headset->seeThrough() ? "on" : "off") +
                    ")";
        }
    }
    if (world_->lockHeldElsewhere()) text += "; the mode-switch lock is held by another caller";
    return text + "; state file " + stateFile_ + "; executable " + utf8FromWide(world_->executablePath());
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
    json.set("executable", utf8FromWide(world_->executablePath()));
    json.set("lock_held_by_another", world_->lockHeldElsewhere());
    Json interfaces = Json::array();
    for (const emulated::World::Plugged& plugged : world_->plugged()) {
        Json item = Json::object();
        item.set("kind", plugged.headset ? "headset" : "interface");
        item.set("product", utf8FromWide(plugged.setup.product));
        item.set("vendor_id", plugged.setup.vendorId);
        item.set("vendor_id_hex", hexId(static_cast<std::uint16_t>(plugged.setup.vendorId)));
        item.set("product_id", plugged.setup.productId);
        item.set("product_id_hex", hexId(static_cast<std::uint16_t>(plugged.setup.productId)));
        item.set("openable", plugged.setup.openable);
        if (plugged.headset) {
            item.set("headset", plugged.headsetNumber);
            item.set("firmware", plugged.setup.firmware);
            item.set("silent", plugged.setup.silent);
            item.set("audio_mode", plugged.headset->audioMode());
            item.set("hi_power", plugged.headset->hiPower());
            item.set("see_through", plugged.headset->seeThrough());
        }
        interfaces.push(std::move(item));
    }
    json.set("interfaces", std::move(interfaces));
    return json;
}

}  // namespace tamo::tool
