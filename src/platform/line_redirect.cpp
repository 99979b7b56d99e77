#include "platform/line_redirect.h"

#include <atomic>
#include <utility>

namespace tamo {
namespace {

std::atomic<LineRedirect*> current{nullptr};

// Lines of different threads are appended one at a time. A spin lock,
// because the 32-bit Windows build has no std::mutex; it is only ever held
// for one append.
std::atomic_flag appending = ATOMIC_FLAG_INIT;

class AppendLock {
public:
    AppendLock() {
        while (appending.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~AppendLock() { appending.clear(std::memory_order_release); }
    AppendLock(const AppendLock&) = delete;
    AppendLock& operator=(const AppendLock&) = delete;
};

}  // namespace

LineRedirect::LineRedirect() : previous_(current.exchange(this)) {}

LineRedirect::LineRedirect(Receiver receiver) : receiver_(std::move(receiver)), previous_(current.exchange(this)) {}

LineRedirect::~LineRedirect() { current.store(previous_); }

std::vector<std::string> LineRedirect::lines() const {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text_.size()) {
        std::size_t end = text_.find('\n', start);
        if (end == std::string::npos) end = text_.size();
        lines.push_back(text_.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool LineRedirect::deliver(std::string_view line) {
    LineRedirect* redirect = current.load();
    if (redirect == nullptr) return false;
    AppendLock lock;
    redirect->append(line);
    return true;
}

void LineRedirect::append(std::string_view line) {
    if (receiver_) {
        receiver_(line);
        return;
    }
    text_.append(line);
    text_.push_back('\n');
}

}  // namespace tamo
