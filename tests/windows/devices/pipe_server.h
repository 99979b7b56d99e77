// Serves connections on a named pipe for the life of the process.
//
// A pipe needs a waiting server instance for every client that opens it; a
// HID interface can be opened any number of times. So instances wait for
// clients at all times: each worker thread owns one instance, serves the
// client that connects to it, then waits on it again (a few milliseconds
// after the client closed), and when fewer than kMinListening instances are
// left waiting a new worker is added. A burst of up to kInitialWorkers opens
// therefore never meets ERROR_PIPE_BUSY, and opens paced like the library's
// (each follows at least one round trip to the headset process) never do.
// Instances use overlapped I/O.
#pragma once

#include <windows.h>

#include <functional>
#include <list>
#include <mutex>
#include <string>

namespace vhid {

class PipeServer {
public:
    // Runs on a worker thread for one connection and returns when the
    // client is done; the server then disconnects the instance.
    using Serve = std::function<void(HANDLE pipe)>;

    PipeServer(std::wstring path, Serve serve);
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    // Starts the first workers; false when the pipe cannot be created. The
    // workers run until the process ends.
    bool start();

    // No client is being served and none has connected without being
    // served yet.
    bool quiet() const;

private:
    struct Worker {
        HANDLE pipe = INVALID_HANDLE_VALUE;
        HANDLE event = nullptr;
        OVERLAPPED overlapped{};
        bool serving = false;
    };

public:
    static constexpr int kInitialWorkers = 16;

private:
    static constexpr int kMinListening = 4;
    static constexpr std::size_t kMaxWorkers = 60;

    bool addWorker();
    bool listen(Worker& worker);
    void run(Worker& worker);

    std::wstring path_;
    Serve serve_;
    mutable std::mutex mutex_;
    std::list<Worker> workers_;  // stable addresses for the worker threads
    int listening_ = 0;
};

}  // namespace vhid
