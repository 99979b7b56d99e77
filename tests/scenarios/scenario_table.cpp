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

Step getStateWithoutRecord(StatusCode expected) {
    Step step = call(Export::GetState, 0, expected);
    step.nullRecord = true;
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
const char* const kNoRefusals = "the pipe headset cannot be made to refuse a request";
const Step kInit = call(Export::Init, 0, SOUND_OK);
const Step kNotInitialisedAfterwards = call(Export::HiPower, 1, SOUND_ERROR_NOT_INITIALIZED);

SoundState record(std::uint8_t hiPower, std::int32_t audioMode) {
    return SoundState{kHostRecord.reserved, hiPower, audioMode};
}

// The firmware check: init's result and lines, and whether the library is
// initialised afterwards.
void addFirmwareVersions(std::vector<Scenario>& table) {
    for (const VersionCase& version : firmwareVersionCases()) {
        const bool accepted = version.expected == SOUND_OK;
        table.push_back(
            {.name = "FirmwareVersion" + std::string(version.name),
             .steps = {setVersionText(version.text), call(Export::Init, 0, version.expected, version.lines),
                       call(Export::HiPower, 1, accepted ? SOUND_OK : SOUND_ERROR_NOT_INITIALIZED)},
             .expected = {.outputs = {kVersionRequest},
                          .commands = accepted ? std::vector<Image>{kHiPowerOn.report} : std::vector<Image>{},
                          .opens = accepted ? 2u : 1u}});
    }
}

void addInit(std::vector<Scenario>& table) {
    table.push_back({.name = "InitSendsTheVersionRequestWithoutTheLock",
                     .steps = {act(A::HoldLock), kInit, act(A::ReleaseLock)},
                     .expected = {.outputs = {kVersionRequest},
                                  .opens = 1,
                                  .platformCalls = {{"CreateSemaphoreW", 0}}}});
    // The headset greets every new reader with a status report, so the reply
    // comes after it and the unasked reports; each costs a poll pause.
    for (std::size_t others : {0u, 1u, 7u, 99u}) {
        table.push_back({.name = "InitSkips" + std::to_string(others) + "OtherReportsBeforeTheReply",
                         .steps = {setReportsBeforeVersion(static_cast<std::int32_t>(others)), kInit},
                         .expected = {.outputs = {kVersionRequest},
                                      .opens = 1,
                                      .inputReports = others + 2,
                                      .waitsMs = kPollPauseMs * (others + 1),
                                      .platformCalls = {{"ReadFile", others + 2}}}});
    }
    table.push_back({.name = "InitWithoutAReplyAmongOneHundredAndOneReportsFails",
                     .steps = {setReportsBeforeVersion(100), call(Export::Init, 0, SOUND_ERROR_TRANSFER_FAILED),
                               kNotInitialisedAfterwards},
                     .expected = {.outputs = {kVersionRequest},
                                  .opens = 1,
                                  .inputReports = 101,
                                  .inputReportsIntoThePipe = 102,
                                  .waitsMs = kPollPauseMs * 101,
                                  .platformCalls = {{"ReadFile", 101}}}});
    table.push_back({.name = "InitFromASilentHeadsetFailsAfterTheTransferLimit",
                     .steps = {act(A::SetSilent), call(Export::Init, 0, SOUND_ERROR_TRANSFER_FAILED),
                               kNotInitialisedAfterwards},
                     .expected = {.outputs = {kVersionRequest},
                                  .opens = 1,
                                  .inputReports = 0,
                                  .waitsMs = kTransferLimitMs}});
    table.push_back({.name = "InitReplyOnTheFirstReadCostsNoPause",
                     .steps = {act(A::DropGreeting), kInit},
                     .expected = {.outputs = {kVersionRequest},
                                  .opens = 1,
                                  .waitsMs = 0,
                                  .platformCalls = {{"ReadFile", 1}, {"Sleep", 0}}},
                     .onlyOn = kEmulatedWindows,
                     .why = "the pipe headset greets every new reader"});
    // A refused read ends the poll; after a refused request nothing is read.
    for (auto [refusal, what, reads] : {std::tuple{Refusal::Read, "Read", std::size_t{1}},
                                        std::tuple{Refusal::Write, "Request", std::size_t{0}}}) {
        table.push_back({.name = std::string("InitWithARefused") + what + "Fails",
                         .steps = {refuse(refusal), call(Export::Init, 0, SOUND_ERROR_TRANSFER_FAILED),
                                   kNotInitialisedAfterwards},
                         .expected = {.outputs = {kVersionRequest}, .opens = 1, .platformCalls = {{"ReadFile", reads}}},
                         .onlyOn = kEmulatedWindows,
                         .why = kNoRefusals});
    }
    table.push_back({.name = "InitWithoutAHeadsetFindsNoDevice",
                     .steps = {act(A::Unplug), call(Export::Init, 0, SOUND_ERROR_DEVICE_NOT_FOUND),
                               kNotInitialisedAfterwards}});
    table.push_back({.name = "FailedInitLeavesAnEarlierSuccessInPlace",
                     .steps = {kInit, setVersionText("0000000000001102"),
                               call(Export::Init, 0, SOUND_ERROR_FIRMWARE_UNSUPPORTED,
                                    refused("0000000000001102", "102")),
                               act(A::Unplug), call(Export::Init, 0, SOUND_ERROR_DEVICE_NOT_FOUND),
                               call(Export::AudioMode, 1, SOUND_ERROR_DEVICE_NOT_FOUND)},
                     .expected = {.outputs = {kVersionRequest, kVersionRequest}, .opens = 2}});
    table.push_back({.name = "InitWithARefusedRequestLeavesAnEarlierSuccessInPlace",
                     .steps = {kInit, refuse(Refusal::Write), call(Export::Init, 0, SOUND_ERROR_TRANSFER_FAILED),
                               call(Export::AudioMode, 1, SOUND_OK)},
                     .expected = {.outputs = {kVersionRequest, kVersionRequest},
                                  .commands = {kAudioMode1.report},
                                  .opens = 3},
                     .onlyOn = kEmulatedWindows,
                     .why = kNoRefusals});
    table.push_back({.name = "InitAgainAsksTheFirmwareAgain",
                     .steps = {kInit, kInit},
                     .expected = {.outputs = {kVersionRequest, kVersionRequest}, .opens = 2}});
    table.push_back({.name = "DestroyThenInitEnablesAgain",
                     .steps = {kInit, call(Export::Destroy, 0, SOUND_OK), kNotInitialisedAfterwards, kInit,
                               call(Export::HiPower, 1, SOUND_OK)},
                     .expected = {.outputs = {kVersionRequest, kVersionRequest},
                                  .commands = {kHiPowerOn.report},
                                  .opens = 3}});
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
        auto command = [&](StatusCode expected, std::vector<std::string> lines = {}) {
            return call(setter.call, setter.argument, expected, std::move(lines));
        };
        const std::vector<Image> report = {setter.command.report};
        table.push_back({.name = name + "SendsExactlyItsReportAndTheHeadsetAppliesIt",
                         .initialised = true,
                         .config = seeThroughConfig(),
                         .steps = {setStatus(before(setter)), command(SOUND_OK)},
                         .expected = {.commands = report, .opens = 1, .settings = after(setter)}});
        table.push_back({.name = name + "BeforeInitSendsNothingAndTouchesNothing",
                         .config = seeThroughConfig(),
                         .steps = {command(SOUND_ERROR_NOT_INITIALIZED)},
                         .expected = {.platformCallTotal = 0}});
        table.push_back({.name = name + "WithTheLockBusyReturnsAtOnceAndSendsNothing",
                         .initialised = true,
                         .config = seeThroughConfig(),
                         .steps = {act(A::HoldLock), command(SOUND_ERROR_LOCK_BUSY, kBusy), act(A::ReleaseLock),
                                   command(SOUND_OK)},
                         .expected = {.commands = report, .opens = 1, .waitsMs = 0}});
        table.push_back({.name = name + "WithoutAHeadsetFindsNoDeviceAndReleasesTheLock",
                         .initialised = true,
                         .config = seeThroughConfig(),
                         .steps = {act(A::Unplug), command(SOUND_ERROR_DEVICE_NOT_FOUND)},
                         .expected = {.platformCalls = {{"ReleaseSemaphore", 1}}}});
        table.push_back({.name = name + "RefusedIsTriedOnceAndReleasesTheLock",
                         .initialised = true,
                         .config = seeThroughConfig(),
                         .steps = {refuse(Refusal::SetFeature), command(SOUND_ERROR_TRANSFER_FAILED)},
                         .expected = {.commands = report, .opens = 1, .commandsApplied = 0},
                         .onlyOn = kEmulatedWindows,
                         .why = kNoRefusals});
    }
}

void addCommands(std::vector<Scenario>& table) {
    Scenario nonZero{.name = "NonZeroEnableMeansOnWhateverItsValue", .initialised = true, .config = seeThroughConfig()};
    for (std::int32_t enable : {2, 0x80, 0xFF}) {
        nonZero.steps.push_back(call(Export::HiPower, enable, SOUND_OK));
        nonZero.steps.push_back(call(Export::SeeThrough, enable, SOUND_OK));
        nonZero.expected.commands.push_back(kHiPowerOn.report);
        nonZero.expected.commands.push_back(kSeeThroughOn.report);
    }
    nonZero.expected.opens = 6;
    table.push_back(nonZero);

    // A busy lock would give another result if it were asked.
    Scenario outOfRange{.name = "AudioModeOutsideZeroToTwoIsRefusedBeforeTheLock",
                        .initialised = true,
                        .steps = {setStatus({1, 0, false}), act(A::HoldLock)},
                        .expected = {.settings = Settings{1, true, false}, .platformCallTotal = 0}};
    for (std::int32_t mode : {3, 4, 255, 256, INT32_MAX, -1, -2, -1998, -1999, INT32_MIN}) {
        outOfRange.steps.push_back(call(Export::AudioMode, mode, SOUND_ERROR_INVALID_ARGUMENT));
    }
    outOfRange.steps.push_back(act(A::ReleaseLock));
    table.push_back(outOfRange);

    const Expected noLockAsked{.platformCalls = {{"CreateSemaphoreW", 0}}};
    const Step seeThroughRefused = call(Export::SeeThrough, 1, SOUND_ERROR_SEE_THROUGH_DISABLED);
    // A missing file is silent.
    table.push_back({.name = "SeeThroughWithoutAConfigurationFileIsRefusedBeforeTheLock",
                     .initialised = true,
                     .steps = {seeThroughRefused, call(Export::SeeThrough, 0, SOUND_ERROR_SEE_THROUGH_DISABLED)},
                     .expected = noLockAsked});
    table.push_back({.name = "SeeThroughWithoutTheSwitchInTheFileIsRefused",
                     .initialised = true,
                     .config = deviceTableFile({"Tamo Mk2", "TAMO_Zenith", "TAMO Prime"}),
                     .steps = {call(Export::SeeThrough, 1, SOUND_ERROR_SEE_THROUGH_DISABLED,
                                    {"Cannot find the key:ENABLE_SEE_THROUGH"})},
                     .expected = noLockAsked});
    table.push_back({.name = "SeeThroughSwitchedOffInTheFileIsRefused",
                     .initialised = true,
                     .config = deviceTableFile({"Tamo Mk2", "TAMO_Zenith", "TAMO Prime"}, "2E5C", "0"),
                     .steps = {seeThroughRefused},
                     .expected = noLockAsked});
    table.push_back({.name = "SeeThroughRefusalComesBeforeABusyLockAndAMissingHeadset",
                     .initialised = true,
                     .steps = {act(A::HoldLock), act(A::Unplug), seeThroughRefused, act(A::ReleaseLock)},
                     .expected = noLockAsked});

    // Not even the file is read.
    Scenario beforeInit{.name = "BeforeInitEvenBadArgumentsGiveNotInitialised",
                        .config = seeThroughConfig(),
                        .expected = {.platformCallTotal = 0}};
    for (std::int32_t mode : {-1999, -1, 3, INT32_MAX}) {
        beforeInit.steps.push_back(call(Export::AudioMode, mode, SOUND_ERROR_NOT_INITIALIZED));
    }
    beforeInit.steps.push_back(getStateWithoutRecord(SOUND_ERROR_NOT_INITIALIZED));
    beforeInit.steps.push_back(call(Export::SeeThrough, 1, SOUND_ERROR_NOT_INITIALIZED));
    table.push_back(beforeInit);

    table.push_back({.name = "AfterDestroyEveryCommandIsRefusedUntilTheNextInit",
                     .initialised = true,
                     .config = seeThroughConfig(),
                     .steps = {call(Export::Destroy, 0, SOUND_OK), call(Export::Destroy, 0, SOUND_OK),
                               call(Export::SeeThrough, 1, SOUND_ERROR_NOT_INITIALIZED),
                               call(Export::AudioMode, 1, SOUND_ERROR_NOT_INITIALIZED),
                               call(Export::HiPower, 1, SOUND_ERROR_NOT_INITIALIZED),
                               getState(SOUND_ERROR_NOT_INITIALIZED, kHostRecord), kInit,
                               call(Export::AudioMode, 1, SOUND_OK)},
                     .expected = {.outputs = {kVersionRequest}, .commands = {kAudioMode1.report}, .opens = 2}});
    table.push_back({.name = "EachCommandReadsTheConfigurationAfresh",
                     .initialised = true,
                     .steps = {seeThroughRefused, writeConfig(seeThroughConfig()),
                               call(Export::SeeThrough, 1, SOUND_OK)},
                     .expected = {.commands = {kSeeThroughOn.report},
                                  .opens = 1,
                                  .settings = Settings{0, true, true}}});
}

// A state read: the status request, then the status feature request as it
// was handed over, then one input read; three transactions, each opening
// the headset, which greets every open at once on the pipe.
Expected stateRead(std::size_t times = 1) {
    Expected expected;
    for (std::size_t i = 0; i < times; ++i) {
        expected.commands.push_back(kStatusRequest.report);
        expected.featureReads.push_back(kStatusFeatureRequest);
    }
    expected.opens = 3 * times;
    expected.inputReports = times;
    expected.inputReportsIntoThePipe = expected.opens;
    return expected;
}

void addGetState(std::vector<Scenario>& table) {
    Expected oneHold = stateRead();
    oneHold.exchanges = {X::Open, X::SetFeature, X::Close, X::Open, X::GetFeature,
                         X::Close, X::Open, X::Read, X::Close};
    oneHold.underOneLockHold = true;
    table.push_back({.name = "GetStateIsThreeTransactionsUnderOneHoldOfTheLock",
                     .initialised = true,
                     .steps = {setStatus({2, 0, false}), getState(SOUND_OK, record(1, 2))},
                     .expected = oneHold});
    // Byte 61: zero means hi power on.
    for (auto [status, hiPower] : {std::pair{0x00, 1}, {0x01, 0}, {0x02, 0}, {0x80, 0}, {0xFF, 0}}) {
        table.push_back({.name = "GetStateHiPowerOfStatus" + std::to_string(status),
                         .initialised = true,
                         .steps = {setStatus({0, std::uint8_t(status), false}),
                                   getState(SOUND_OK, record(std::uint8_t(hiPower), 0))},
                         .expected = stateRead()});
    }
    // Byte 10: the known modes as read, anything else is 3.
    for (auto [status, mode] : {std::pair{0, 0}, {1, 1}, {2, 2}, {3, 3}, {0x7F, 3}, {0x80, 3}, {0xC0, 3},
                                {0xFE, 3}, {0xFF, 3}}) {
        table.push_back({.name = "GetStateAudioModeOfStatus" + std::to_string(status),
                         .initialised = true,
                         .steps = {setStatus({std::uint8_t(status), 0, false}), getState(SOUND_OK, record(1, mode))},
                         .expected = stateRead()});
    }

    Scenario readBack{.name = "GetStateReadsBackWhatTheSettersSet", .initialised = true};
    std::vector<Image> commands;
    for (std::int32_t mode : {0, 1, 2}) {
        for (std::int32_t on : {0, 1}) {
            readBack.steps.push_back(call(Export::AudioMode, mode, SOUND_OK));
            readBack.steps.push_back(call(Export::HiPower, on, SOUND_OK));
            readBack.steps.push_back(getState(SOUND_OK, record(std::uint8_t(on), mode)));
            commands.push_back(mode == 0 ? kAudioMode0.report : mode == 1 ? kAudioMode1.report : kAudioMode2.report);
            commands.push_back(on ? kHiPowerOn.report : kHiPowerOff.report);
            commands.push_back(kStatusRequest.report);
        }
    }
    readBack.expected = stateRead(6);
    readBack.expected.commands = commands;
    readBack.expected.opens += 12;
    readBack.expected.inputReportsIntoThePipe = readBack.expected.opens;
    table.push_back(readBack);

    table.push_back({.name = "GetStateWithoutARecordIsRefusedBeforeTheLock",
                     .initialised = true,
                     .steps = {act(A::HoldLock), getStateWithoutRecord(SOUND_ERROR_INVALID_ARGUMENT),
                               act(A::ReleaseLock)},
                     .expected = {.platformCallTotal = 0}});
    // The hi-power field was already written from the feature report.
    Expected silent = stateRead();
    silent.inputReports = silent.inputReportsIntoThePipe = 0;
    silent.waitsMs = kTransferLimitMs;
    table.push_back({.name = "GetStateFromASilentHeadsetFailsTheInputReadAfterTheTransferLimit",
                     .initialised = true,
                     .steps = {act(A::SetSilent),
                               getState(SOUND_ERROR_TRANSFER_FAILED, record(1, kHostRecord.audioMode))},
                     .expected = silent});
    table.push_back({.name = "GetStateWithTheLockBusyReadsNothing",
                     .initialised = true,
                     .steps = {act(A::HoldLock), getState(SOUND_ERROR_LOCK_BUSY, kHostRecord, kBusy),
                               act(A::ReleaseLock)},
                     .expected = {.waitsMs = 0}});
    table.push_back({.name = "GetStateWithoutAHeadsetReleasesTheLock",
                     .initialised = true,
                     .steps = {act(A::Unplug), getState(SOUND_ERROR_DEVICE_NOT_FOUND, kHostRecord)}});
    table.push_back({.name = "GetStateWithARefusedStatusRequestEndsTheCallUntouched",
                     .initialised = true,
                     .steps = {refuse(Refusal::SetFeature), getState(SOUND_ERROR_TRANSFER_FAILED, kHostRecord)},
                     .expected = {.commands = {kStatusRequest.report}, .opens = 1},
                     .onlyOn = kEmulatedWindows,
                     .why = kNoRefusals});
    table.push_back({.name = "GetStateWithARefusedFeatureReadSkipsTheInputRead",
                     .initialised = true,
                     .steps = {refuse(Refusal::GetFeature), getState(SOUND_ERROR_TRANSFER_FAILED, kHostRecord)},
                     .expected = {.commands = {kStatusRequest.report},
                                  .featureReads = {kStatusFeatureRequest},
                                  .opens = 2,
                                  .inputReports = 0},
                     .onlyOn = kEmulatedWindows,
                     .why = kNoRefusals});
    Expected readRefused = stateRead();
    readRefused.inputReports = std::nullopt;
    table.push_back({.name = "GetStateWithARefusedInputReadKeepsTheNewHiPowerAndTheOldAudioMode",
                     .initialised = true,
                     .steps = {setStatus({2, 1, false}), refuse(Refusal::Read),
                               getState(SOUND_ERROR_TRANSFER_FAILED, record(0, kHostRecord.audioMode))},
                     .expected = readRefused,
                     .onlyOn = kEmulatedWindows,
                     .why = kNoRefusals});
}

void addDiscovery(std::vector<Scenario>& table) {
    // Enumerated before the headset: one that cannot be opened, one with the
    // wrong product string, one of another vendor. The two that can be
    // opened are opened, tested and closed.
    table.push_back({.name = "UnopenableAndForeignInterfacesAreSkippedSilently",
                     .devices = {{.openable = false}, {.productString = L"Other Thing"}, {.vendorId = 0x1111}, {}},
                     .headset = 3,
                     .steps = {kInit},
                     .expected = {.outputs = {kVersionRequest}, .opens = 1, .others = {{1, 1, 0}, {2, 1, 0}}}});
    table.push_back({.name = "OfTwoMatchingHeadsetsTheFirstIsUsedAndTheSecondNeverOpened",
                     .initialised = true,
                     .devices = {{}, {}},
                     .steps = {call(Export::AudioMode, 1, SOUND_OK)},
                     .expected = {.commands = {kAudioMode1.report}, .opens = 1, .others = {{1, 0, 0}}}});
    table.push_back({.name = "ASecondTableEntryMatchesByProductName",
                     .config = deviceTableFile({"Tamo Mk2", "Lab Headset"}),
                     .devices = {{.productString = L"Lab Headset"}},
                     .steps = {kInit},
                     .expected = {.outputs = {kVersionRequest}, .opens = 1}});
    // The headset is opened, tested against the table, and closed.
    table.push_back({.name = "ATableThatMatchesNothingFindsNoDeviceAndReleasesTheLock",
                     .initialised = true,
                     .steps = {writeConfig(deviceTableFile({"Tamo Mk2"}, "1111")),
                               call(Export::AudioMode, 1, SOUND_ERROR_DEVICE_NOT_FOUND), act(A::RemoveConfig),
                               call(Export::AudioMode, 1, SOUND_OK)},
                     .expected = {.commands = {kAudioMode1.report}, .opens = 2}});
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
