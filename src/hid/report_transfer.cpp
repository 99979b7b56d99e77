// Input and output reports: one overlapped transfer each, bounded in time.
#include "hid/hid_device_connection.h"

namespace tamo {
namespace {

// Issues one transfer through `issue` and waits for its completion event at
// most kTransferTimeoutMs. A completed transfer's status is asked for too:
// a read that completes with an error has delivered no report, however
// promptly it ended.
template <class Issue>
TransferResult transferWithinTimeLimit(UniqueFileHandle& device, Issue issue) {
    if (!device) return TransferResult::NotCompleted;
    UniqueKernelObject completion(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // Without an event the wait could not be bounded: issue nothing.
    if (!completion) return TransferResult::NotCompleted;
    OVERLAPPED overlapped{};
    overlapped.hEvent = completion.get();
    DWORD transferred = 0;
    const bool inFlight = issue(overlapped, transferred) || GetLastError() == ERROR_IO_PENDING;
    if (WaitForSingleObject(completion.get(), kTransferTimeoutMs) == WAIT_OBJECT_0) {
        return GetOverlappedResult(device.get(), &overlapped, &transferred, FALSE) ? TransferResult::Completed
                                                                                   : TransferResult::CompletedWithError;
    }

    const bool cancelled = CancelIo(device.get()) != FALSE;
    // A request that was refused at once never started and is not waited for.
    if (!inFlight) return TransferResult::NotCompleted;
    // Cancelling only asks for the end: the record, the event and the
    // caller's buffer must outlive the transfer, so wait until it is over.
    if (cancelled) {
        GetOverlappedResult(device.get(), &overlapped, &transferred, TRUE);
        return TransferResult::NotCompleted;
    }
    // A transfer that could not be cancelled may never end by itself (a
    // headset that sends nothing). Closing the device ends every transfer
    // on it; the transaction gives the connection up after a failed
    // transfer anyway.
    device.reset();
    WaitForSingleObject(completion.get(), INFINITE);
    return TransferResult::NotCompleted;
}

}  // namespace

TransferResult HidDeviceConnection::readInputReport(Report buffer) {
    HANDLE device = deviceHandle_.get();
    return transferWithinTimeLimit(deviceHandle_, [&](OVERLAPPED& overlapped, DWORD& received) {
        return ReadFile(device, buffer.data(), static_cast<DWORD>(buffer.size()), &received, &overlapped) != FALSE;
    });
}

bool HidDeviceConnection::writeOutputReport(ConstReport buffer) {
    HANDLE device = deviceHandle_.get();
    return transferWithinTimeLimit(deviceHandle_, [&](OVERLAPPED& overlapped, DWORD& sent) {
               return WriteFile(device, buffer.data(), static_cast<DWORD>(buffer.size()), &sent, &overlapped) != FALSE;
           }) == TransferResult::Completed;
}

}  // namespace tamo
