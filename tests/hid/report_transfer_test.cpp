// Input and output reports over an open connection, timed on the virtual
// clock.
#include "expected_reports.h"
#include "hid/hid_device_connection.h"
#include "hid_test_support.h"
#include "platform_test.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace tamo::test {
namespace {

using emulated::CallLog;
using emulated::Faults;
using emulated::HidBus;
using emulated::HidRequest;
using emulated::System;
using emulated::VirtualHeadset;

using Buffer = std::array<std::uint8_t, kReportSize>;

// Calls after the first of `name`, in order.
std::vector<std::string> callsFrom(const std::string& name) {
    auto calls = CallLog::calls();
    auto first = std::find(calls.begin(), calls.end(), name);
    return std::vector<std::string>(first, calls.end());
}

class ReportTransferTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        headset = plugHeadset();
        connection = std::make_unique<HidDeviceConnection>(DeviceConfigList{headsetEntry()});
        ASSERT_TRUE(connection->open());
        CallLog::clear();
    }
    void TearDown() override {
        connection.reset();
        PlatformTest::TearDown();
    }

    std::shared_ptr<VirtualHeadset> headset;
    std::unique_ptr<HidDeviceConnection> connection;
};

TEST_F(ReportTransferTest, ReadCompletingWithinTheLimitDeliversTheReport) {
    headset->setAudioMode(2);  // the status report was taken at open
    headset->setInputDelayMs(2500);
    Buffer buffer{};
    ASSERT_EQ(connection->readInputReport(buffer), TransferResult::Completed);
    EXPECT_EQ(System::nowMs(), 2500u);
    EXPECT_EQ(buffer[1], 0x87);
    EXPECT_EQ(buffer[10], 0) << "the status as it was when the handle was opened";
    EXPECT_EQ(callsFrom("CreateEventW"), (std::vector<std::string>{"CreateEventW", "ReadFile", "WaitForSingleObject",
                                                                   "GetOverlappedResult", "CloseHandle"}));
}

TEST_F(ReportTransferTest, TransfersThatCompleteWithAnErrorAreNotReports) {
    headset->setInputDelayMs(40);
    headset->failTransfers(VirtualHeadset::Request::Read, ERROR_DEVICE_NOT_CONNECTED, 1);
    Buffer buffer{};
    buffer.fill(0x5A);
    EXPECT_EQ(connection->readInputReport(buffer), TransferResult::CompletedWithError);
    EXPECT_EQ(System::nowMs(), 40u) << "an error completion ends the wait at once";
    EXPECT_EQ(CallLog::count("CancelIo"), 0u);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0x5A; }));
    EXPECT_EQ(connection->readInputReport(buffer), TransferResult::Completed) << "the report is still there";
    EXPECT_EQ(buffer[1], 0x87);

    headset->failTransfers(VirtualHeadset::Request::Write, ERROR_DEVICE_NOT_CONNECTED, 1);
    EXPECT_FALSE(connection->writeOutputReport(kVersionRequest));
    EXPECT_TRUE(connection->writeOutputReport(kVersionRequest));
    EXPECT_EQ(System::openHandleCount(emulated::ObjectKind::Event), 0u);
}

TEST_F(ReportTransferTest, ReadCompletingExactlyAtTheLimitSucceeds) {
    headset->setInputDelayMs(kTransferTimeoutMs);
    Buffer buffer{};
    EXPECT_EQ(connection->readInputReport(buffer), TransferResult::Completed);
    EXPECT_EQ(System::nowMs(), 10000u);
}

TEST_F(ReportTransferTest, SilenceEndsAfterTheFullLimitWithTheTransferCancelledAndAwaited) {
    headset->setSilent(true);
    Buffer buffer{};
    buffer.fill(0x5A);
    EXPECT_EQ(connection->readInputReport(buffer), TransferResult::NotCompleted);
    EXPECT_EQ(System::nowMs(), 10000u);
    EXPECT_EQ(callsFrom("CreateEventW"),
              (std::vector<std::string>{"CreateEventW", "ReadFile", "WaitForSingleObject", "CancelIo",
                                        "GetOverlappedResult", "CloseHandle"}));
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0x5A; }));
    EXPECT_NE(connection->deviceHandle(), INVALID_HANDLE_VALUE) << "the connection stays open";
    EXPECT_EQ(System::openHandleCount(emulated::ObjectKind::Event), 0u);
}

TEST_F(ReportTransferTest, ReplyJustAfterTheLimitIsTooLate) {
    headset->setInputDelayMs(kTransferTimeoutMs + 1);
    Buffer buffer{};
    EXPECT_EQ(connection->readInputReport(buffer), TransferResult::NotCompleted);
    EXPECT_EQ(System::nowMs(), 10000u);
    EXPECT_EQ(CallLog::count("CancelIo"), 1u);
}

TEST_F(ReportTransferTest, RefusedReadFailsAfterTheFullWaitWithoutWaitingForATransfer) {
    headset->reject(VirtualHeadset::Request::Read, ERROR_DEVICE_NOT_CONNECTED);
    Buffer buffer{};
    EXPECT_EQ(connection->readInputReport(buffer), TransferResult::NotCompleted);
    EXPECT_EQ(System::nowMs(), 10000u);
    EXPECT_EQ(CallLog::count("CancelIo"), 1u);
    EXPECT_EQ(CallLog::count("GetOverlappedResult"), 0u) << "nothing was started, so nothing can end";
}

TEST_F(ReportTransferTest, FailedWaitCancelsAndAwaitsTheTransfer) {
    headset->setInputDelayMs(30);
    Faults::failCall("WaitForSingleObject", 1, ERROR_INVALID_HANDLE);
    Buffer buffer{};
    EXPECT_EQ(connection->readInputReport(buffer), TransferResult::NotCompleted);
    EXPECT_EQ(CallLog::count("CancelIo"), 1u);
    EXPECT_EQ(CallLog::count("GetOverlappedResult"), 1u);
}

TEST_F(ReportTransferTest, WithoutAnEventNoTransferIsIssued) {
    // Armed twice: the next two events cannot be created.
    Faults::failCall("CreateEventW", 1, ERROR_NOT_ENOUGH_MEMORY);
    Faults::failCall("CreateEventW", 1, ERROR_NOT_ENOUGH_MEMORY);
    Buffer buffer{};
    EXPECT_EQ(connection->readInputReport(buffer), TransferResult::NotCompleted);
    EXPECT_FALSE(connection->writeOutputReport(kVersionRequest));
    EXPECT_EQ(CallLog::calls(), (std::vector<std::string>{"CreateEventW", "CreateEventW"}));
    EXPECT_EQ(System::nowMs(), 0u);
    EXPECT_TRUE(headset->received().empty());
}

TEST_F(ReportTransferTest, TwoReadsIssueTwoRequests) {
    ASSERT_TRUE(connection->writeOutputReport(kVersionRequest));
    Buffer first{};
    Buffer second{};
    ASSERT_EQ(connection->readInputReport(first), TransferResult::Completed);
    ASSERT_EQ(connection->readInputReport(second), TransferResult::Completed);
    EXPECT_EQ(CallLog::count("ReadFile"), 2u);
    EXPECT_EQ(CallLog::count("CreateEventW"), 3u);
    EXPECT_EQ(first[0], 0x04) << "the status report sent on open";
    EXPECT_EQ(second[0], 0x01) << "then the version reply: never the same report twice";
    EXPECT_EQ(second[1], 0x66);
}

TEST_F(ReportTransferTest, WriteSendsTheBufferUnchanged) {
    Buffer request = kVersionRequest;
    request[63] = 0xEE;
    ASSERT_TRUE(connection->writeOutputReport(request));
    auto outputs = headset->received(VirtualHeadset::Received::Kind::Output);
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_TRUE(std::equal(request.begin(), request.end(), outputs[0].begin()));
    EXPECT_EQ(callsFrom("CreateEventW"), (std::vector<std::string>{"CreateEventW", "WriteFile", "WaitForSingleObject",
                                                                   "GetOverlappedResult", "CloseHandle"}));
}

TEST_F(ReportTransferTest, WriteNotCompletingInTimeIsCancelled) {
    headset->setOutputDelayMs(60000);
    EXPECT_FALSE(connection->writeOutputReport(kVersionRequest));
    EXPECT_EQ(System::nowMs(), 10000u);
    EXPECT_EQ(CallLog::count("CancelIo"), 1u);
    EXPECT_EQ(CallLog::count("GetOverlappedResult"), 1u);
}

TEST_F(ReportTransferTest, RefusedWriteFails) {
    headset->reject(VirtualHeadset::Request::Write);
    EXPECT_FALSE(connection->writeOutputReport(kVersionRequest));
    EXPECT_EQ(System::nowMs(), 10000u);
}

using ClosedConnectionTransferTest = PlatformTest;

TEST_F(ClosedConnectionTransferTest, ConnectionWithoutDeviceFailsAtOnce) {
    HidDeviceConnection connection({headsetEntry()});
    EXPECT_FALSE(connection.open());
    CallLog::clear();
    Buffer buffer{};
    EXPECT_EQ(connection.readInputReport(buffer), TransferResult::NotCompleted);
    EXPECT_FALSE(connection.writeOutputReport(kVersionRequest));
    EXPECT_TRUE(CallLog::calls().empty());
    EXPECT_EQ(System::nowMs(), 0u);
}

TEST_F(ClosedConnectionTransferTest, TransferLengthIsAlwaysTheReportSize) {
    auto headset = std::make_shared<VirtualHeadset>();
    emulated::HidInterface description = VirtualHeadset::describe(headset);
    description.inputReportByteLength = 32;
    description.outputReportByteLength = 48;
    HidBus::plug(description);
    HidDeviceConnection connection({headsetEntry()});
    ASSERT_TRUE(connection.open());
    Buffer buffer{};
    EXPECT_TRUE(connection.writeOutputReport(kVersionRequest));
    EXPECT_EQ(connection.readInputReport(buffer), TransferResult::Completed);
    auto requests = HidBus::requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].kind, HidRequest::Kind::Write);
    EXPECT_EQ(requests[1].kind, HidRequest::Kind::Read);
    EXPECT_EQ(requests[0].length, 64u);
    EXPECT_EQ(requests[1].length, 64u);
}

}  // namespace
}  // namespace tamo::test
