// Every exported call against a headset that misbehaves: refuses a kind of
// request, says nothing, answers too slowly or just in time, buries its
// version reply, runs old firmware or reports a mode it should not have.
// Each call must give the documented result within its documented waits,
// print only documented lines, and leave nothing open.
#include "sweep_world.h"

#include "api/library_state.h"
#include "platform_test.h"
#include "platform/line_redirect.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <tuple>

namespace tamo::sweep {
namespace {

using emulated::System;
using emulated::VirtualHeadset;
using Request = VirtualHeadset::Request;

struct HeadsetFault {
    const char* name;
    std::function<void(VirtualHeadset&)> apply;
    // Results that differ from success.
    std::map<Export, StatusCode> results;
    // What init prints, and how much virtual time it takes, where that is
    // the point.
    std::vector<std::string> initLines;
    std::optional<std::uint64_t> initMs;
};

void PrintTo(const HeadsetFault& fault, std::ostream* os) { *os << fault.name; }

HeadsetFault fault(const char* name, std::function<void(VirtualHeadset&)> apply,
                   std::map<Export, StatusCode> results = {}, std::optional<std::uint64_t> initMs = std::nullopt,
                   std::vector<std::string> initLines = {}) {
    return HeadsetFault{name, std::move(apply), std::move(results), std::move(initLines), initMs};
}

constexpr StatusCode kTransferFailed = SOUND_ERROR_TRANSFER_FAILED;

std::vector<HeadsetFault> headsetFaults() {
    return {
        fault("RefusesCommands", [](VirtualHeadset& h) { h.reject(Request::SetFeature); },
              {{Export::SeeThrough, kTransferFailed}, {Export::AudioMode, kTransferFailed},
               {Export::HiPower, kTransferFailed}, {Export::GetState, kTransferFailed}}),
        fault("RefusesStatusReads", [](VirtualHeadset& h) { h.reject(Request::GetFeature); },
              {{Export::GetState, kTransferFailed}}),
        // A read refused at once is only found out at the end of the wait.
        fault("RefusesInputReads", [](VirtualHeadset& h) { h.reject(Request::Read); },
              {{Export::Init, kTransferFailed}, {Export::GetState, kTransferFailed}}, 10000),
        fault("RefusesOutputReports", [](VirtualHeadset& h) { h.reject(Request::Write); },
              {{Export::Init, kTransferFailed}}, 10000),
        fault("Silent", [](VirtualHeadset& h) { h.setSilent(true); },
              {{Export::Init, kTransferFailed}, {Export::GetState, kTransferFailed}}, 10000),
        fault("OutputTooSlow", [](VirtualHeadset& h) { h.setOutputDelayMs(10001); },
              {{Export::Init, kTransferFailed}}, 10000),
        // The status report, a pause, then the version reply, each read
        // completing as its wait ends.
        fault("InputJustInTime", [](VirtualHeadset& h) { h.setInputDelayMs(10000); }, {}, 20010),
        fault("InputTooLate", [](VirtualHeadset& h) { h.setInputDelayMs(10001); },
              {{Export::Init, kTransferFailed}, {Export::GetState, kTransferFailed}}, 10000),
        // Every new reader gets the status report first: with 99 more the
        // version reply is the 101st report read, the last one looked at.
        fault("VersionReplyLastInTime", [](VirtualHeadset& h) { h.setOtherReportsBeforeVersion(99); }, {}, 1000),
        fault("VersionReplyTooLate", [](VirtualHeadset& h) { h.setOtherReportsBeforeVersion(100); },
              {{Export::Init, kTransferFailed}}, 1010),
        fault("OldFirmware", [](VirtualHeadset& h) { h.setFirmwareVersion(102); },
              {{Export::Init, SOUND_ERROR_FIRMWARE_UNSUPPORTED}}, 10,
              {"MCU FW is not supported!!(Current Version:0000000000001102)", "mc_version:102"}),
        fault("NoVersionText", [](VirtualHeadset& h) { h.setVersionText(""); },
              {{Export::Init, SOUND_ERROR_FIRMWARE_UNSUPPORTED}}, 10,
              {"MCU FW is not supported!!(Current Version:)", "mc_version:0"}),
        fault("UnknownAudioMode", [](VirtualHeadset& h) { h.setAudioMode(0xC0); }),
    };
}

class HeadsetFaultTest : public test::PlatformTest,
                         public ::testing::WithParamInterface<std::tuple<HeadsetFault, ExportCall>> {
protected:
    void TearDown() override {
        world.leave();
        PlatformTest::TearDown();
    }
    World world;
};

TEST_P(HeadsetFaultTest, DocumentedResultInTimeNothingLeft) {
    const auto& [headsetFault, call] = GetParam();
    world.enter(Situation::SeeThroughConfig, call.kind);
    headsetFault.apply(*world.headset);
    // Set beforehand so that an unwritten field shows.
    SoundState state{0x11, 0x22, 0x33};
    const bool isGetState = call.kind == Export::GetState;

    const std::uint64_t start = System::nowMs();
    std::vector<std::string> lines;
    StatusCode result = 0;
    {
        LineRedirect out;
        result = isGetState ? qor_tamo_sound_get_state(&state) : call.call();
        lines = out.lines();
    }
    const std::uint64_t elapsedMs = System::nowMs() - start;

    auto expected = headsetFault.results.find(call.kind);
    EXPECT_EQ(result, expected == headsetFault.results.end() ? SOUND_OK : expected->second);
    EXPECT_LE(elapsedMs, call.longestMs);
    if (call.kind == Export::Init && headsetFault.initMs) {
        EXPECT_EQ(elapsedMs, *headsetFault.initMs);
    }
    if (call.kind == Export::Init) {
        EXPECT_EQ(lines, headsetFault.initLines);
        EXPECT_EQ(isInitialised(), result == SOUND_OK);
    } else {
        for (const auto& line : lines) {
            EXPECT_TRUE(isDocumentedLine(line)) << "undocumented line [" << line << "]";
        }
    }
    if (isGetState && result == SOUND_OK) {
        EXPECT_EQ(state.audioMode, world.headset->audioMode() <= 2 ? world.headset->audioMode() : 3);
        EXPECT_EQ(state.hiPowerState, world.headset->hiPower() ? 1 : 0);
    }
    if (isGetState) {
        EXPECT_EQ(state.reserved, 0x11);
    }
    EXPECT_EQ(System::openHandleCount(), 0u);
    EXPECT_EQ(System::outstandingAllocations(), 0u);
    EXPECT_EQ(world.headset->openHandles(), 0u);
    EXPECT_EQ(lockCount(), std::nullopt);
}

std::vector<ExportCall> callsReachingTheHeadset() {
    std::vector<ExportCall> calls;
    for (auto& call : allExportCalls()) {
        if (call.kind != Export::Destroy) calls.push_back(call);
    }
    return calls;
}

INSTANTIATE_TEST_SUITE_P(EveryExport, HeadsetFaultTest,
                         ::testing::Combine(::testing::ValuesIn(headsetFaults()),
                                            ::testing::ValuesIn(callsReachingTheHeadset())),
                         [](const auto& test) {
                             return std::string(std::get<0>(test.param).name) + "_" + std::get<1>(test.param).name;
                         });

}  // namespace
}  // namespace tamo::sweep
