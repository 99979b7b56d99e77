// Input and output reports: one overlapped transfer each, bounded in time.
#include "hid/hid_device_connection.h"

namespace tamo {
namespace {

// Issues one transfer through `issue` and waits for its completion event at
// most kTransferTimeoutMs. The outcome is the event's alone.
template <class Issue>
bool transferWithinTimeLimit(UniqueFileHandle& device, Issue issue) {
    if (!device) return false;
    UniqueKernelObject completion(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // Without an event the wait could not be bounded: issue nothing.
    if (!completion) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = completion.get();
    DWORD transferred = 0;
    const bool inFlight = issue(overlapped, transferred) || GetLastError() == ERROR_IO_PENDING;
    if (WaitForSingleObject(completion.get(), kTransferTimeoutMs) == WAIT_OBJECT_0) return true;

    const bool cancelled = CancelIo(device.get()) != FALSE;
    // A request that was refused at once never started and is not waited for.
    if (!inFlight) return false;
    // Cancelling only asks for the end: the record, the event and the
    // caller's buffer must outlive the transfer, so wait until it is over.
    if (cancelled) {
        GetOverlappedResult(device.get(), &overlapped, &transferred, TRUE);
        return false;
    }
    // A transfer that could not be cancelled may never end by itself (a
    // headset that sends nothing). Closing the device ends every transfer
    // on it; the transaction gives the connection up after a failed
    // transfer anyway.
    device.reset();
    WaitForSingleObject(completion.get(), INFINITE);
    return false;
}

}  // namespace

bool HidDeviceConnection::readInputReport(Report buffer) {
    HANDLE device = deviceHandle_.get();
    return transferWithinTimeLimit(deviceHandle_, [&](OVERLAPPED& overlapped, DWORD& received) {
        return ReadFile(device, buffer.data(), static_cast<DWORD>(buffer.size()), &received, &overlapped) != FALSE;
    });
}

bool HidDeviceConnection::writeOutputReport(ConstReport buffer) {
    HANDLE device = deviceHandle_.get();
    return transferWithinTimeLimit(deviceHandle_, [&](OVERLAPPED& overlapped, DWORD& sent) {
        return WriteFile(device, buffer.data(), static_cast<DWORD>(buffer.size()), &sent, &overlapped) != FALSE;
    });
}

}  // namespace tamo
