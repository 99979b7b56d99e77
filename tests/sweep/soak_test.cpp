// Long use: many mixed exported calls against the virtual headset, with the
// lock now and then held elsewhere and the headset now and then unplugged,
// and eight threads issuing commands at once.
//
// Over the long run the library must not grow: no handle and no heap block
// may outlive a call. The heap is sampled at the same point of every round
// (a fresh emulated world, so the emulation's own logs do not count).
//
// TAMO_SOAK_CALLS sets the number of mixed calls (default 100000) and
// TAMO_SOAK_THREAD_CALLS the commands per thread (default 2000).
#include "sweep_world.h"

#include "api/library_state.h"
#include "platform_test.h"
#include "platform/line_redirect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <thread>
#include <vector>

// Under AddressSanitizer the heap is its allocator's, which glibc's
// mallinfo2 does not see; it reports its own figure (GCC ships no header
// for it).
#if defined(__SANITIZE_ADDRESS__)
#define TAMO_ASAN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAMO_ASAN_ALLOCATOR 1
#endif
#endif
#if defined(TAMO_ASAN_ALLOCATOR)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace tamo::sweep {
namespace {

using emulated::System;
using emulated::VirtualHeadset;

long fromEnvironment(const char* name, long fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    long value = std::strtol(text, nullptr, 10);
    return value > 0 ? value : fallback;
}

// Bytes the program holds on the heap now.
std::size_t heapInUse() {
#if defined(TAMO_ASAN_ALLOCATOR)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// Stands in front of the headset and counts the handles open on it at once:
// two means two transactions reached the headset interleaved.
class OverlapProbe final : public emulated::HidDeviceModel {
public:
    explicit OverlapProbe(std::shared_ptr<VirtualHeadset> headset) : headset_(std::move(headset)) {}

    std::size_t mostOpenAtOnce() const { return mostOpen_; }

    void opened(emulated::HidSession session) override {
        std::size_t open = ++open_;
        std::size_t most = mostOpen_.load();
        while (open > most && !mostOpen_.compare_exchange_weak(most, open)) {
        }
        headset_->opened(session);
    }
    void closed(emulated::HidSession session) override {
        --open_;
        headset_->closed(session);
    }
    DWORD setFeature(emulated::HidSession session, std::span<const std::uint8_t> report) override {
        return headset_->setFeature(session, report);
    }
    DWORD getFeature(emulated::HidSession session, std::span<std::uint8_t> report) override {
        return headset_->getFeature(session, report);
    }
    emulated::TransferReply write(emulated::HidSession session, std::span<const std::uint8_t> report) override {
        return headset_->write(session, report);
    }
    emulated::TransferReply read(emulated::HidSession session) override { return headset_->read(session); }

private:
    std::shared_ptr<VirtualHeadset> headset_;
    std::atomic<std::size_t> open_{0};
    std::atomic<std::size_t> mostOpen_{0};
};

// The mixed run: what every call must answer, from what the test did to the
// world and what it asked of the headset before.
class MixedRun {
public:
    explicit MixedRun(World& world) : world_(world), random_(20261208) {}

    // A fresh world for the next round, with a new headset.
    void newRound() {
        world_.enter(Situation::SeeThroughConfig, Export::Destroy);
        setInitialised(initialised_);
        plugged_ = true;
        audioMode_ = 0;
        hiPower_ = true;
    }

    void step() {
        maybeDisturb();
        switch (random_() % 10) {
        case 0: expect(qor_tamo_sound_init(), initResult()); break;
        case 1:
            if (random_() % 4 == 0) {
                EXPECT_EQ(qor_tamo_sound_destroy(), SOUND_OK);
                initialised_ = false;
            }
            break;
        case 2: expect(qor_tamo_sound_set_see_through_state(static_cast<uint8_t>(random_() % 2)), commandResult()); break;
        case 3:
        case 4: {
            int mode = static_cast<int>(random_() % 3);
            StatusCode result = qor_tamo_sound_set_audio_mode(mode);
            if (expect(result, commandResult()) && result == SOUND_OK) audioMode_ = mode;
            break;
        }
        case 5:
        case 6: {
            bool on = random_() % 2 == 0;
            StatusCode result = qor_tamo_sound_set_hi_power_state(on ? 1 : 0);
            if (expect(result, commandResult()) && result == SOUND_OK) hiPower_ = on;
            break;
        }
        default: {
            SoundState state{0x5A, 7, 9};
            StatusCode result = qor_tamo_sound_get_state(&state);
            if (expect(result, commandResult()) && result == SOUND_OK) {
                EXPECT_EQ(state.audioMode, audioMode_) << "the state read back is not the one set";
                EXPECT_EQ(state.hiPowerState, hiPower_ ? 1 : 0) << "the state read back is not the one set";
                EXPECT_EQ(state.reserved, 0x5A);
            }
            break;
        }
        }
        EXPECT_EQ(System::openHandleCount(), world_.lockHeldElsewhere() ? 1u : 0u) << "a handle outlived the call";
        // The emulation logs every platform call, and its log keeps the
        // capacity it once had: kept short, it cannot pass for growth.
        emulated::CallLog::clear();
        ++calls_;
    }

    // Ends a round with nothing of the test's own left in the world.
    void endRound() {
        world_.leave();
    }

    long calls() const { return calls_; }

private:
    // Now and then another caller takes the lock for a while, or the
    // headset goes away for a while.
    void maybeDisturb() {
        if (random_() % 150 == 0) {
            if (world_.lockHeldElsewhere()) {
                world_.releaseLock();
            } else {
                world_.holdLock();
            }
        }
        if (random_() % 150 == 0) {
            if (plugged_) {
                world_.unplug(0);
            } else {
                world_.replug(0);
            }
            plugged_ = !plugged_;
        }
    }

    StatusCode initResult() {
        StatusCode result = plugged_ ? SOUND_OK : SOUND_ERROR_DEVICE_NOT_FOUND;
        pendingInit_ = result == SOUND_OK;
        return result;
    }

    StatusCode commandResult() const {
        if (!initialised_) return SOUND_ERROR_NOT_INITIALIZED;
        if (world_.lockHeldElsewhere()) return SOUND_ERROR_LOCK_BUSY;
        return plugged_ ? SOUND_OK : SOUND_ERROR_DEVICE_NOT_FOUND;
    }

    bool expect(StatusCode result, StatusCode expected) {
        if (pendingInit_) initialised_ = true;
        pendingInit_ = false;
        EXPECT_EQ(result, expected) << "call " << calls_;
        return result == expected;
    }

    World& world_;
    std::mt19937 random_;
    bool initialised_ = false;
    bool pendingInit_ = false;
    bool plugged_ = true;
    int audioMode_ = 0;
    bool hiPower_ = true;
    long calls_ = 0;
};

// Checks each line as it comes: kept, the lines of a long run would be
// heap growth of the test's own.
class FirstUndocumentedLine : public LineRedirect {
public:
    explicit FirstUndocumentedLine(std::optional<std::string>& found) : found_(found) {}

protected:
    void receive(std::string_view line) override {
        if (!found_ && !isDocumentedLine(std::string(line))) found_ = std::string(line);
    }

private:
    std::optional<std::string>& found_;
};

class Soak : public test::PlatformTest {
protected:
    World world;
};

TEST_F(Soak, MixedCallsHoldNothingAndTheHeapDoesNotGrow) {
    const long total = fromEnvironment("TAMO_SOAK_CALLS", 100000);
    constexpr long kRound = 1000;
    // Allowance for what the C library and the test keep once warmed up;
    // a block lost per call would be over a megabyte by the end.
    constexpr std::size_t kSlackBytes = 256 * 1024;

    MixedRun run(world);
    std::vector<std::size_t> heap;
    std::optional<std::string> undocumented;
    // Its first call prints the system texts it compares with; a receiver
    // must not print.
    isDocumentedLine("");
    {
        FirstUndocumentedLine out(undocumented);
        for (long done = 0; done < total && !HasFailure(); done += kRound) {
            run.newRound();
            heap.push_back(heapInUse());
            for (long i = 0; i < kRound && done + i < total; ++i) run.step();
            run.endRound();
        }
    }
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(run.calls(), total);

    ASSERT_FALSE(undocumented) << "undocumented line [" << *undocumented << "]";
    // The first rounds warm up the C library and the standard library.
    ASSERT_GE(heap.size(), 3u);
    const std::size_t settled = *std::max_element(heap.begin() + 1, heap.begin() + std::min<std::size_t>(heap.size(), 4));
    const std::size_t last = heap.back();
    EXPECT_LE(last, settled + kSlackBytes) << "the heap grew from " << settled << " to " << last << " bytes over "
                                           << total << " calls";
    std::printf("soak: %ld calls, heap in use after round 2-4: %zu bytes, after the last round: %zu bytes\n", total,
                settled, last);
}

TEST_F(Soak, EightThreadsOnlyEverSucceedOrFindTheLockBusy) {
    const long perThread = fromEnvironment("TAMO_SOAK_THREAD_CALLS", 2000);
    constexpr int kThreads = 8;

    world.enter(Situation::SeeThroughConfig, Export::Destroy);
    world.unplug(0);
    auto probe = std::make_shared<OverlapProbe>(world.headset);
    world.plug({}, world.headset, probe);

    std::atomic<long> succeeded{0};
    std::atomic<long> busy{0};
    std::atomic<long> other{0};
    std::vector<std::thread> threads;
    {
        LineRedirect out;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                std::mt19937 random(static_cast<unsigned>(t) + 1);
                for (long i = 0; i < perThread; ++i) {
                    SoundState state{};
                    StatusCode result = SOUND_OK;
                    switch (random() % 4) {
                    case 0: result = qor_tamo_sound_set_audio_mode(static_cast<int32_t>(random() % 3)); break;
                    case 1: result = qor_tamo_sound_set_hi_power_state(static_cast<uint8_t>(random() % 2)); break;
                    case 2: result = qor_tamo_sound_set_see_through_state(static_cast<uint8_t>(random() % 2)); break;
                    default: result = qor_tamo_sound_get_state(&state); break;
                    }
                    if (result == SOUND_OK) {
                        ++succeeded;
                    } else if (result == SOUND_ERROR_LOCK_BUSY) {
                        ++busy;
                    } else {
                        ++other;
                    }
                    // The emulation logs every call; keep that log short.
                    if (i % 64 == 0) emulated::CallLog::clear();
                }
            });
        }
        for (auto& thread : threads) thread.join();
        for (const auto& line : out.lines()) {
            EXPECT_TRUE(line == "Handle is exist.") << "unexpected line [" << line << "]";
        }
    }
    EXPECT_EQ(other.load(), 0) << "a result other than success or a busy lock";
    EXPECT_EQ(succeeded + busy, kThreads * perThread);
    EXPECT_GT(succeeded.load(), 0);
    EXPECT_EQ(probe->mostOpenAtOnce(), 1u) << "two transactions reached the headset at once";
    EXPECT_EQ(System::openHandleCount(), 0u);
    EXPECT_EQ(lockCount(), std::nullopt);
    std::printf("threads: %d x %ld commands, %ld succeeded, %ld found the lock busy\n", kThreads, perThread,
                succeeded.load(), busy.load());
}

}  // namespace
}  // namespace tamo::sweep
