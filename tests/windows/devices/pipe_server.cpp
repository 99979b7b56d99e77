#include "pipe_server.h"

#include <thread>

namespace vhid {
namespace {

constexpr DWORD kPipeBufferSize = 64 * 1024;

HANDLE createInstance(const std::wstring& path) {
    return CreateNamedPipeW(path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES, kPipeBufferSize,
                            kPipeBufferSize, 0, nullptr);
}

}  // namespace

PipeServer::PipeServer(std::wstring path, Serve serve) : path_(std::move(path)), serve_(std::move(serve)) {}

bool PipeServer::start() {
    std::lock_guard guard(mutex_);
    for (int i = 0; i < kInitialWorkers; ++i) {
        if (!addWorker()) return false;
    }
    return true;
}

bool PipeServer::quiet() const {
    std::lock_guard guard(mutex_);
    for (const Worker& worker : workers_) {
        if (worker.serving || WaitForSingleObject(worker.event, 0) == WAIT_OBJECT_0) return false;
    }
    return true;
}

// With the lock held. The new instance accepts clients from here on; its
// thread serves them once it runs.
bool PipeServer::addWorker() {
    Worker worker;
    worker.pipe = createInstance(path_);
    if (worker.pipe == INVALID_HANDLE_VALUE) return false;
    worker.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!worker.event) {
        CloseHandle(worker.pipe);
        return false;
    }
    Worker& added = workers_.emplace_back(worker);
    if (!listen(added)) return false;
    std::thread([this, &added] { run(added); }).detach();
    return true;
}

// With the lock held: the instance waits for its next client. A client that
// came before the wait began leaves the event set by hand, so the worker
// sees every connection the same way.
bool PipeServer::listen(Worker& worker) {
    ResetEvent(worker.event);
    worker.overlapped = OVERLAPPED{};
    worker.overlapped.hEvent = worker.event;
    DWORD status = ConnectNamedPipe(worker.pipe, &worker.overlapped) ? DWORD{ERROR_PIPE_CONNECTED} : GetLastError();
    switch (status) {
    case ERROR_IO_PENDING:
        break;
    case ERROR_PIPE_CONNECTED:  // the client came first
    case ERROR_NO_DATA:         // and has gone again: it did open the pipe
        SetEvent(worker.event);
        break;
    default:
        return false;
    }
    ++listening_;
    return true;
}

void PipeServer::run(Worker& worker) {
    for (;;) {
        WaitForSingleObject(worker.event, INFINITE);
        {
            std::lock_guard guard(mutex_);
            worker.serving = true;
            --listening_;
            if (listening_ < kMinListening && workers_.size() < kMaxWorkers) addWorker();
        }
        serve_(worker.pipe);
        DisconnectNamedPipe(worker.pipe);
        std::unique_lock guard(mutex_);
        worker.serving = false;
        while (!listen(worker)) {
            // The instance is unusable: a fresh one takes its place.
            CloseHandle(worker.pipe);
            guard.unlock();
            Sleep(10);
            guard.lock();
            worker.pipe = createInstance(path_);
        }
    }
}

}  // namespace vhid
