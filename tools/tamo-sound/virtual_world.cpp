#include "virtual_world.h"

#include "table_entry_json.h"
#include "text_paths.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <span>
#include <utility>

namespace tamo::tool {
namespace {

constexpr const wchar_t* kExecutableName = L"tamo-sound.exe";
constexpr const char* kStateVariable = "TAMO_VIRTUAL_STATE";

}  // namespace

std::optional<Profile> findProfile(const std::string& nameOrPath, std::string& error) {
    std::optional<Profile> profile = emulated::loadProfile(nameOrPath, error);
    if (!profile) error.insert(0, "--virtual: ");
    return profile;
}

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

// Each headset starts as the state file left it, and behind a tap that
// keeps the reports it exchanges until they are taken.
void VirtualWorld::plugProfile() {
    world_->plugProfile(profile_, loaded_.state, [this](ExchangedReport report) {
        std::lock_guard guard(reportsMutex_);
        reports_.push_back(std::move(report));
    });
    initial_ = world_->headsetStates();
}

std::vector<ExchangedReport> VirtualWorld::takeReports() {
    std::lock_guard guard(reportsMutex_);
    // The taps hand reports over as they pass; the listing is by headset.
    std::vector<ExchangedReport> reports = std::exchange(reports_, {});
    std::stable_sort(reports.begin(), reports.end(),
                     [](const ExchangedReport& a, const ExchangedReport& b) { return a.headset < b.headset; });
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
    // Only a change of the headsets is written: a run that only reads them
    // leaves the file alone.
    using Outcome = emulated::KeptState::Outcome;
    emulated::KeptState kept = emulated::keepState(stateFile_, loaded_, initial_, world_->headsetStates());
    switch (kept.outcome) {
    case Outcome::Unchanged:
    case Outcome::Saved: return std::nullopt;
    case Outcome::NotAStateFile:
        return "the virtual headset's new state is not kept: " + stateFile_ +
               " is not a tamo-sound state file, and it is left as it is (give --state-file another path)";
    case Outcome::Failed: return "the virtual headset state cannot be saved: " + kept.problem;
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
