#include "firmware_version_cases.h"
#include "scenario.h"

#include <climits>
#include <cstdio>
#include <tuple>

namespace tamo::test {

Step call(Export which, std::int32_t argument, StatusCode expected, std::vector<std::string> lines) {
    return {.call = which, .argument = argument, .expected = expected, .lines = std::move(lines)};
}

Step getState(StatusCode expected, SoundState record, std::vector<std::string> lines) {
    Step step = call(Export::GetState, 0, expected, std::move(lines));
    step.record = record;
    return step;
}

Step setVersionText(std::string text) { return {.action = Step::Action::SetVersionText, .text = std::move(text)}; }

Step setStatus(StatusBytes status) { return {.action = Step::Action::SetStatus, .status = status}; }

Step setReportsBeforeVersion(std::int32_t count) {
    return {.action = Step::Action::SetReportsBeforeVersion, .argument = count};
}

Step refuse(Refusal refusal) { return {.action = Step::Action::Refuse, .refusal = refusal}; }

Step writeConfig(std::string text) { return {.action = Step::Action::WriteConfig, .text = std::move(text)}; }

Step act(Step::Action action) { return {.action = action}; }

std::string deviceTableFile(const std::vector<std::string>& productNames, const char* vendorId,
                            const char* seeThrough) {
    std::string text = "NUM_OF_CONFIG=" + std::to_string(productNames.size()) + "\n";
    for (std::size_t i = 0; i < productNames.size(); ++i) {
        char n[16];
        std::snprintf(n, sizeof n, "%03u", static_cast<unsigned>(i + 1));
        text += std::string("VENDORID_") + n + "=" + vendorId + "\n";
        text += std::string("PRODUCTID_") + n + "=0712\n";
        text += std::string("USAGE_") + n + "=0001\n";
        text += std::string("USAGEPAGE_") + n + "=FF00\n";
        text += std::string("PRODUCTNAME_") + n + "=" + productNames[i] + "\n";
        text += std::string("REPORTID_") + n + "=0\n";
        text += std::string("DEVICENAME_") + n + "=HMD#0\n";
    }
    if (seeThrough) text += std::string("ENABLE_SEE_THROUGH=") + seeThrough + "\n";
    return text;
}

std::string seeThroughConfig() { return deviceTableFile({"Tamo Mk2", "TAMO_Zenith", "TAMO Prime"}, "2E5C", "1"); }

namespace {

using A = Step::Action;
using X = Exchange;

const std::vector<std::string> kBusy = {"Handle is exist."};
constexpr std::uint64_t kTransferLimitMs = 10000;
constexpr std::uint64_t kPollPauseMs = 10;

SoundState record(std::uint8_t hiPower, std::int32_t audioMode) {
    return SoundState{kHostRecord.reserved, hiPower, audioMode};
}

Scenario scenario(std::string name, bool initialised = false, std::optional<std::string> config = {}) {
    Scenario s;
    s.name = std::move(name);
    s.initialised = initialised;
    s.config = std::move(config);
    return s;
}

Scenario emulatedOnly(Scenario scenario, const char* why) {
    scenario.onlyOn = Host::Emulated;
    scenario.why = why;
    return scenario;
}

const char* const kNoRefusals = "the pipe headset cannot be made to refuse a request";

// The firmware check: init's result and lines, and whether the library is
// initialised afterwards.
void addFirmwareVersions(std::vector<Scenario>& table) {
    for (const VersionCase& version : firmwareVersionCases()) {
        const bool accepted = version.expected == SOUND_OK;
        Scenario s = scenario("FirmwareVersion" + std::string(version.name));
        s.steps = {setVersionText(version.text), call(Export::Init, 0, version.expected, version.lines),
                   call(Export::HiPower, 1, accepted ? SOUND_OK : SOUND_ERROR_NOT_INITIALIZED)};
        s.expected.outputs = {kVersionRequest};
        if (accepted) s.expected.commands = {kHiPowerOn.report};
        s.expected.opens = accepted ? 2 : 1;
        table.push_back(s);
    }
}

void addInit(std::vector<Scenario>& table) {
    {
        Scenario s = scenario("InitSendsTheVersionRequestWithoutTheLock");
        s.steps = {act(A::HoldLock), call(Export::Init, 0, SOUND_OK), act(A::ReleaseLock)};
        s.expected.outputs = {kVersionRequest};
        s.expected.opens = 1;
        s.expected.platformCalls = {{"CreateSemaphoreW", 0}};
        table.push_back(s);
    }
    // The headset greets every new reader with a status report, so the reply
    // comes after it and the unasked reports; each costs a poll pause.
    for (std::int32_t others : {0, 1, 7, 99}) {
        Scenario s = scenario("InitSkips" + std::to_string(others) + "OtherReportsBeforeTheReply");
        s.steps = {setReportsBeforeVersion(others), call(Export::Init, 0, SOUND_OK)};
        s.expected.outputs = {kVersionRequest};
        s.expected.opens = 1;
        s.expected.inputReports = others + 2;
        s.expected.waitsMs = kPollPauseMs * (others + 1);
        s.expected.platformCalls = {{"ReadFile", others + 2}};
        table.push_back(s);
    }
    {
        Scenario s = scenario("InitWithoutAReplyAmongOneHundredAndOneReportsFails");
        s.steps = {setReportsBeforeVersion(100), call(Export::Init, 0, SOUND_ERROR_TRANSFER_FAILED),
                   call(Export::HiPower, 1, SOUND_ERROR_NOT_INITIALIZED)};
        s.expected.outputs = {kVersionRequest};
        s.expected.opens = 1;
        s.expected.inputReports = 101;
        s.expected.inputReportsIntoThePipe = 102;
        s.expected.waitsMs = kPollPauseMs * 101;
        s.expected.platformCalls = {{"ReadFile", 101}};
        table.push_back(s);
    }
    {
        Scenario s = scenario("InitFromASilentHeadsetFailsAfterTheTransferLimit");
        s.steps = {act(A::SetSilent), call(Export::Init, 0, SOUND_ERROR_TRANSFER_FAILED),
                   call(Export::HiPower, 1, SOUND_ERROR_NOT_INITIALIZED)};
        s.expected.outputs = {kVersionRequest};
        s.expected.opens = 1;
        s.expected.inputReports = 0;
        s.expected.waitsMs = kTransferLimitMs;
        table.push_back(s);
    }
    {
        Scenario s = scenario("InitReplyOnTheFirstReadCostsNoPause");
        s.steps = {act(A::DropGreeting), call(Export::Init, 0, SOUND_OK)};
        s.expected.outputs = {kVersionRequest};
        s.expected.opens = 1;
        s.expected.waitsMs = 0;
        s.expected.platformCalls = {{"ReadFile", 1}, {"Sleep", 0}};
        table.push_back(emulatedOnly(s, "the pipe headset greets every new reader"));
    }
    // A refused read ends the poll; after a refused request nothing is read.
    for (auto [refusal, what, reads] : {std::tuple{Refusal::Read, "Read", std::size_t{1}},
                                        std::tuple{Refusal::Write, "Request", std::size_t{0}}}) {
        Scenario s = scenario(std::string("InitWithARefused") + what + "Fails");
        s.steps = {refuse(refusal), call(Export::Init, 0, SOUND_ERROR_TRANSFER_FAILED),
                   call(Export::HiPower, 1, SOUND_ERROR_NOT_INITIALIZED)};
        s.expected.outputs = {kVersionRequest};
        s.expected.opens = 1;
        s.expected.platformCalls = {{"ReadFile", reads}};
        table.push_back(emulatedOnly(s, kNoRefusals));
    }
    {
        Scenario s = scenario("InitWithoutAHeadsetFindsNoDevice");
        s.steps = {act(A::Unplug), call(Export::Init, 0, SOUND_ERROR_DEVICE_NOT_FOUND),
                   call(Export::HiPower, 1, SOUND_ERROR_NOT_INITIALIZED)};
        table.push_back(s);
    }
    {
        Scenario s = scenario("FailedInitLeavesAnEarlierSuccessInPlace");
        s.steps = {call(Export::Init, 0, SOUND_OK), setVersionText("0000000000001102"),
                   call(Export::Init, 0, SOUND_ERROR_FIRMWARE_UNSUPPORTED, refused("0000000000001102", "102")),
                   act(A::Unplug), call(Export::Init, 0, SOUND_ERROR_DEVICE_NOT_FOUND),
                   call(Export::AudioMode, 1, SOUND_ERROR_DEVICE_NOT_FOUND)};
        s.expected.outputs = {kVersionRequest, kVersionRequest};
        s.expected.opens = 2;
        table.push_back(s);
    }
    {
        Scenario s = scenario("InitWithARefusedRequestLeavesAnEarlierSuccessInPlace");
        s.steps = {call(Export::Init, 0, SOUND_OK), refuse(Refusal::Write),
                   call(Export::Init, 0, SOUND_ERROR_TRANSFER_FAILED), call(Export::AudioMode, 1, SOUND_OK)};
        s.expected.outputs = {kVersionRequest, kVersionRequest};
        s.expected.commands = {kAudioMode1.report};
        s.expected.opens = 3;
        table.push_back(emulatedOnly(s, kNoRefusals));
    }
    {
        Scenario s = scenario("InitAgainAsksTheFirmwareAgain");
        s.steps = {call(Export::Init, 0, SOUND_OK), call(Export::Init, 0, SOUND_OK)};
        s.expected.outputs = {kVersionRequest, kVersionRequest};
        s.expected.opens = 2;
        table.push_back(s);
    }
    {
        Scenario s = scenario("DestroyThenInitEnablesAgain");
        s.steps = {call(Export::Init, 0, SOUND_OK), call(Export::Destroy, 0, SOUND_OK),
                   call(Export::HiPower, 1, SOUND_ERROR_NOT_INITIALIZED), call(Export::Init, 0, SOUND_OK),
                   call(Export::HiPower, 1, SOUND_OK)};
        s.expected.outputs = {kVersionRequest, kVersionRequest};
        s.expected.commands = {kHiPowerOn.report};
        s.expected.opens = 3;
        table.push_back(s);
    }
}

struct Setter {
    ExpectedCommand command;
    Export call;
    std::int32_t argument;
};

const Setter kSetters[] = {
    {kSeeThroughOn, Export::SeeThrough, 1}, {kSeeThroughOff, Export::SeeThrough, 0},
    {kAudioMode0, Export::AudioMode, 0},    {kAudioMode1, Export::AudioMode, 1},
    {kAudioMode2, Export::AudioMode, 2},    {kHiPowerOn, Export::HiPower, 1},
    {kHiPowerOff, Export::HiPower, 0},
};

// The opposite of every setting the command makes, and the settings after it.
StatusBytes before(const Setter& setter) {
    const std::string name = setter.command.name;
    return {std::uint8_t(name == "AudioMode1" ? 2 : 1), std::uint8_t(name == "HiPowerOff" ? 0 : 1),
            name == "SeeThroughOff"};
}

Settings after(const Setter& setter) {
    const StatusBytes start = before(setter);
    Settings settings{start.audioMode, start.hiPowerStatus == 0, start.seeThrough};
    if (setter.call == Export::AudioMode) settings.audioMode = static_cast<std::uint8_t>(setter.argument);
    if (setter.call == Export::HiPower) settings.hiPower = setter.argument != 0;
    if (setter.call == Export::SeeThrough) settings.seeThrough = setter.argument != 0;
    return settings;
}

void addSetters(std::vector<Scenario>& table) {
    for (const Setter& setter : kSetters) {
        const std::string name = setter.command.name;
        const Step command = call(setter.call, setter.argument, SOUND_OK);
        {
            Scenario s = scenario(name + "SendsExactlyItsReportAndTheHeadsetAppliesIt", true, seeThroughConfig());
            s.steps = {setStatus(before(setter)), command};
            s.expected.commands = {setter.command.report};
            s.expected.opens = 1;
            s.expected.settings = after(setter);
            table.push_back(s);
        }
        {
            Scenario s = scenario(name + "BeforeInitSendsNothingAndTouchesNothing", false, seeThroughConfig());
            s.steps = {call(setter.call, setter.argument, SOUND_ERROR_NOT_INITIALIZED)};
            s.expected.platformCallTotal = 0;
            table.push_back(s);
        }
        {
            Scenario s = scenario(name + "WithTheLockBusyReturnsAtOnceAndSendsNothing", true, seeThroughConfig());
            s.steps = {act(A::HoldLock), call(setter.call, setter.argument, SOUND_ERROR_LOCK_BUSY, kBusy),
                       act(A::ReleaseLock), command};
            s.expected.commands = {setter.command.report};
            s.expected.opens = 1;
            s.expected.waitsMs = 0;
            table.push_back(s);
        }
        {
            Scenario s = scenario(name + "WithoutAHeadsetFindsNoDeviceAndReleasesTheLock", true, seeThroughConfig());
            s.steps = {act(A::Unplug), call(setter.call, setter.argument, SOUND_ERROR_DEVICE_NOT_FOUND)};
            s.expected.platformCalls = {{"ReleaseSemaphore", 1}};
            table.push_back(s);
        }
        {
            Scenario s = scenario(name + "RefusedIsTriedOnceAndReleasesTheLock", true, seeThroughConfig());
            s.steps = {refuse(Refusal::SetFeature),
                       call(setter.call, setter.argument, SOUND_ERROR_TRANSFER_FAILED)};
            s.expected.commands = {setter.command.report};
            s.expected.opens = 1;
            s.expected.commandsApplied = 0;
            table.push_back(emulatedOnly(s, kNoRefusals));
        }
    }
}

void addCommands(std::vector<Scenario>& table) {
    {
        Scenario s = scenario("NonZeroEnableMeansOnWhateverItsValue", true, seeThroughConfig());
        for (std::int32_t enable : {2, 0x80, 0xFF}) {
            s.steps.push_back(call(Export::HiPower, enable, SOUND_OK));
            s.steps.push_back(call(Export::SeeThrough, enable, SOUND_OK));
            s.expected.commands.push_back(kHiPowerOn.report);
            s.expected.commands.push_back(kSeeThroughOn.report);
        }
        s.expected.opens = 6;
        table.push_back(s);
    }
    {
        // A busy lock would give another result if it were asked.
        Scenario s = scenario("AudioModeOutsideZeroToTwoIsRefusedBeforeTheLock", true);
        s.steps = {setStatus({1, 0, false}), act(A::HoldLock)};
        for (std::int32_t mode : {3, 4, 255, 256, INT32_MAX, -1, -2, -1998, -1999, INT32_MIN}) {
            s.steps.push_back(call(Export::AudioMode, mode, SOUND_ERROR_INVALID_ARGUMENT));
        }
        s.steps.push_back(act(A::ReleaseLock));
        s.expected.settings = Settings{1, true, false};
        s.expected.platformCallTotal = 0;
        table.push_back(s);
    }
    {
        // A missing file is silent.
        Scenario s = scenario("SeeThroughWithoutAConfigurationFileIsRefusedBeforeTheLock", true);
        s.steps = {call(Export::SeeThrough, 1, SOUND_ERROR_SEE_THROUGH_DISABLED),
                   call(Export::SeeThrough, 0, SOUND_ERROR_SEE_THROUGH_DISABLED)};
        s.expected.platformCalls = {{"CreateSemaphoreW", 0}};
        table.push_back(s);
    }
    {
        Scenario s = scenario("SeeThroughWithoutTheSwitchInTheFileIsRefused", true,
                   deviceTableFile({"Tamo Mk2", "TAMO_Zenith", "TAMO Prime"}));
        s.steps = {call(Export::SeeThrough, 1, SOUND_ERROR_SEE_THROUGH_DISABLED,
                        {"Cannot find the key:ENABLE_SEE_THROUGH"})};
        s.expected.platformCalls = {{"CreateSemaphoreW", 0}};
        table.push_back(s);
    }
    {
        Scenario s = scenario("SeeThroughSwitchedOffInTheFileIsRefused", true,
                   deviceTableFile({"Tamo Mk2", "TAMO_Zenith", "TAMO Prime"}, "2E5C", "0"));
        s.steps = {call(Export::SeeThrough, 1, SOUND_ERROR_SEE_THROUGH_DISABLED)};
        s.expected.platformCalls = {{"CreateSemaphoreW", 0}};
        table.push_back(s);
    }
    {
        Scenario s = scenario("SeeThroughRefusalComesBeforeABusyLockAndAMissingHeadset", true);
        s.steps = {act(A::HoldLock), act(A::Unplug), call(Export::SeeThrough, 1, SOUND_ERROR_SEE_THROUGH_DISABLED),
                   act(A::ReleaseLock)};
        s.expected.platformCalls = {{"CreateSemaphoreW", 0}};
        table.push_back(s);
    }
    {
        // Not even the file is read.
        Scenario s = scenario("BeforeInitEvenBadArgumentsGiveNotInitialised", false, seeThroughConfig());
        for (std::int32_t mode : {-1999, -1, 3, INT32_MAX}) {
            s.steps.push_back(call(Export::AudioMode, mode, SOUND_ERROR_NOT_INITIALIZED));
        }
        s.steps.push_back(call(Export::GetStateWithoutRecord, 0, SOUND_ERROR_NOT_INITIALIZED));
        s.steps.push_back(call(Export::SeeThrough, 1, SOUND_ERROR_NOT_INITIALIZED));
        s.expected.platformCallTotal = 0;
        table.push_back(s);
    }
    {
        Scenario s = scenario("AfterDestroyEveryCommandIsRefusedUntilTheNextInit", true, seeThroughConfig());
        s.steps = {call(Export::Destroy, 0, SOUND_OK),
                   call(Export::Destroy, 0, SOUND_OK),
                   call(Export::SeeThrough, 1, SOUND_ERROR_NOT_INITIALIZED),
                   call(Export::AudioMode, 1, SOUND_ERROR_NOT_INITIALIZED),
                   call(Export::HiPower, 1, SOUND_ERROR_NOT_INITIALIZED),
                   getState(SOUND_ERROR_NOT_INITIALIZED, kHostRecord),
                   call(Export::Init, 0, SOUND_OK),
                   call(Export::AudioMode, 1, SOUND_OK)};
        s.expected.outputs = {kVersionRequest};
        s.expected.commands = {kAudioMode1.report};
        s.expected.opens = 2;
        table.push_back(s);
    }
    {
        Scenario s = scenario("EachCommandReadsTheConfigurationAfresh", true);
        s.steps = {call(Export::SeeThrough, 1, SOUND_ERROR_SEE_THROUGH_DISABLED), writeConfig(seeThroughConfig()),
                   call(Export::SeeThrough, 1, SOUND_OK)};
        s.expected.commands = {kSeeThroughOn.report};
        s.expected.opens = 1;
        s.expected.settings = Settings{0, true, true};
        table.push_back(s);
    }
}

// The status request, then the status feature request as it was handed
// over, then one input read: three transactions.
void expectStateRead(Expected& expected) {
    expected.commands.push_back(kStatusRequest.report);
    expected.featureReads.push_back(kStatusFeatureRequest);
    expected.opens += 3;
}

// One status report read by the library; a greeting sent on every open.
void expectStatusReportRead(Expected& expected) {
    expected.inputReports = 1;
    expected.inputReportsIntoThePipe = expected.opens;
}

void addGetState(std::vector<Scenario>& table) {
    {
        Scenario s = scenario("GetStateIsThreeTransactionsUnderOneHoldOfTheLock", true);
        s.steps = {setStatus({2, 0, false}), getState(SOUND_OK, record(1, 2))};
        expectStateRead(s.expected);
        expectStatusReportRead(s.expected);
        s.expected.exchanges = {X::Open, X::SetFeature, X::Close, X::Open, X::GetFeature,
                                X::Close, X::Open, X::Read, X::Close};
        s.expected.underOneLockHold = true;
        table.push_back(s);
    }
    // Byte 61: zero means hi power on.
    for (auto [status, hiPower] : {std::pair{0x00, 1}, {0x01, 0}, {0x02, 0}, {0x80, 0}, {0xFF, 0}}) {
        Scenario s = scenario("GetStateHiPowerOfStatus" + std::to_string(status), true);
        s.steps = {setStatus({0, std::uint8_t(status), false}),
                   getState(SOUND_OK, record(std::uint8_t(hiPower), 0))};
        expectStateRead(s.expected);
        expectStatusReportRead(s.expected);
        table.push_back(s);
    }
    // Byte 10: the known modes as read, anything else is 3.
    for (auto [status, mode] : {std::pair{0, 0}, {1, 1}, {2, 2}, {3, 3}, {0x7F, 3}, {0x80, 3}, {0xC0, 3},
                                {0xFE, 3}, {0xFF, 3}}) {
        Scenario s = scenario("GetStateAudioModeOfStatus" + std::to_string(status), true);
        s.steps = {setStatus({std::uint8_t(status), 0, false}), getState(SOUND_OK, record(1, mode))};
        expectStateRead(s.expected);
        expectStatusReportRead(s.expected);
        table.push_back(s);
    }
    {
        Scenario s = scenario("GetStateReadsBackWhatTheSettersSet", true);
        for (std::int32_t mode : {0, 1, 2}) {
            for (std::int32_t on : {0, 1}) {
                s.steps.push_back(call(Export::AudioMode, mode, SOUND_OK));
                s.steps.push_back(call(Export::HiPower, on, SOUND_OK));
                s.steps.push_back(getState(SOUND_OK, record(std::uint8_t(on), mode)));
                s.expected.commands.push_back(mode == 0 ? kAudioMode0.report
                                              : mode == 1 ? kAudioMode1.report
                                                          : kAudioMode2.report);
                s.expected.commands.push_back(on ? kHiPowerOn.report : kHiPowerOff.report);
                s.expected.opens += 2;
                expectStateRead(s.expected);
            }
        }
        s.expected.inputReports = 6;
        s.expected.inputReportsIntoThePipe = s.expected.opens;
        table.push_back(s);
    }
    {
        Scenario s = scenario("GetStateWithoutARecordIsRefusedBeforeTheLock", true);
        s.steps = {act(A::HoldLock), call(Export::GetStateWithoutRecord, 0, SOUND_ERROR_INVALID_ARGUMENT),
                   act(A::ReleaseLock)};
        s.expected.platformCallTotal = 0;
        table.push_back(s);
    }
    {
        // The hi-power field was already written from the feature report.
        Scenario s = scenario("GetStateFromASilentHeadsetFailsTheInputReadAfterTheTransferLimit", true);
        s.steps = {act(A::SetSilent), getState(SOUND_ERROR_TRANSFER_FAILED, record(1, kHostRecord.audioMode))};
        expectStateRead(s.expected);
        s.expected.inputReports = 0;
        s.expected.waitsMs = kTransferLimitMs;
        table.push_back(s);
    }
    {
        Scenario s = scenario("GetStateWithTheLockBusyReadsNothing", true);
        s.steps = {act(A::HoldLock), getState(SOUND_ERROR_LOCK_BUSY, kHostRecord, kBusy), act(A::ReleaseLock)};
        s.expected.waitsMs = 0;
        table.push_back(s);
    }
    {
        Scenario s = scenario("GetStateWithoutAHeadsetReleasesTheLock", true);
        s.steps = {act(A::Unplug), getState(SOUND_ERROR_DEVICE_NOT_FOUND, kHostRecord)};
        table.push_back(s);
    }
    {
        Scenario s = scenario("GetStateWithARefusedStatusRequestEndsTheCallUntouched", true);
        s.steps = {refuse(Refusal::SetFeature), getState(SOUND_ERROR_TRANSFER_FAILED, kHostRecord)};
        s.expected.commands = {kStatusRequest.report};
        s.expected.opens = 1;
        table.push_back(emulatedOnly(s, kNoRefusals));
    }
    {
        Scenario s = scenario("GetStateWithARefusedFeatureReadSkipsTheInputRead", true);
        s.steps = {refuse(Refusal::GetFeature), getState(SOUND_ERROR_TRANSFER_FAILED, kHostRecord)};
        s.expected.commands = {kStatusRequest.report};
        s.expected.featureReads = {kStatusFeatureRequest};
        s.expected.opens = 2;
        s.expected.inputReports = 0;
        table.push_back(emulatedOnly(s, kNoRefusals));
    }
    {
        Scenario s = scenario("GetStateWithARefusedInputReadKeepsTheNewHiPowerAndTheOldAudioMode", true);
        s.steps = {setStatus({2, 1, false}), refuse(Refusal::Read),
                   getState(SOUND_ERROR_TRANSFER_FAILED, record(0, kHostRecord.audioMode))};
        expectStateRead(s.expected);
        table.push_back(emulatedOnly(s, kNoRefusals));
    }
}

void addDiscovery(std::vector<Scenario>& table) {
    {
        // Enumerated before the headset: one that cannot be opened, one with
        // the wrong product string, one of another vendor.
        Scenario s = scenario("UnopenableAndForeignInterfacesAreSkippedSilently");
        s.devices = {{.openable = false}, {.productString = L"Other Thing"}, {.vendorId = 0x1111}, {}};
        s.headset = 3;
        s.steps = {call(Export::Init, 0, SOUND_OK)};
        s.expected.outputs = {kVersionRequest};
        s.expected.opens = 1;
        s.expected.others = {{1, 1, 0}, {2, 1, 0}};  // opened, tested and closed
        table.push_back(s);
    }
    {
        Scenario s = scenario("OfTwoMatchingHeadsetsTheFirstIsUsedAndTheSecondNeverOpened", true);
        s.devices = {{}, {}};
        s.steps = {call(Export::AudioMode, 1, SOUND_OK)};
        s.expected.commands = {kAudioMode1.report};
        s.expected.opens = 1;
        s.expected.others = {{1, 0, 0}};
        table.push_back(s);
    }
    {
        Scenario s = scenario("ASecondTableEntryMatchesByProductName", false,
                   deviceTableFile({"Tamo Mk2", "Lab Headset"}));
        s.devices = {{.productString = L"Lab Headset"}};
        s.steps = {call(Export::Init, 0, SOUND_OK)};
        s.expected.outputs = {kVersionRequest};
        s.expected.opens = 1;
        table.push_back(s);
    }
    {
        // The headset is opened, tested against the table, and closed.
        Scenario s = scenario("ATableThatMatchesNothingFindsNoDeviceAndReleasesTheLock", true);
        s.steps = {writeConfig(deviceTableFile({"Tamo Mk2"}, "1111")),
                   call(Export::AudioMode, 1, SOUND_ERROR_DEVICE_NOT_FOUND), act(A::RemoveConfig),
                   call(Export::AudioMode, 1, SOUND_OK)};
        s.expected.commands = {kAudioMode1.report};
        s.expected.opens = 2;
        table.push_back(s);
    }
}

std::vector<Scenario> build() {
    std::vector<Scenario> table;
    addFirmwareVersions(table);
    addInit(table);
    addSetters(table);
    addCommands(table);
    addGetState(table);
    addDiscovery(table);
    return table;
}

}  // namespace

const std::vector<Scenario>& scenarios() {
    static const std::vector<Scenario> table = build();
    return table;
}

}  // namespace tamo::test
