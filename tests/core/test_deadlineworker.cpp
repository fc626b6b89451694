#include "core/deadlineworker.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

using namespace std::chrono_literals;
using Outcome = DeadlineWorker::Outcome;

namespace {

// A gate the stuck calls wait at until the test opens it, standing in for a read that does not
// come back from the kernel.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    void wait() {
        std::unique_lock lock(mutex);
        opened.wait(lock, [this] { return open; });
    }
    void release() {
        std::lock_guard lock(mutex);
        open = true;
        opened.notify_all();
    }
};

} // namespace

TEST(DeadlineWorker, GivesUpStuckCallsKeepsToItsBoundAndWorksOnceTheyReturn) {
    auto gate = std::make_shared<Gate>();
    DeadlineWorker worker(2);

    Outcome outcome{};
    // A call that waits at the gate, as a read on a dead share waits in the kernel.
    const auto atGate = [gate](int value) -> std::function<int()> {
        return [gate, value] {
            gate->wait();
            return value;
        };
    };
    EXPECT_FALSE(worker.run<int>("a", atGate(1), 100ms, &outcome));
    EXPECT_EQ(outcome, Outcome::TimedOut);
    EXPECT_EQ(worker.stuckCount(), 1);

    // The same key is not tried again while its call is out: no thread is spent on it.
    EXPECT_FALSE(worker.run<int>(
        "a", [] { return 2; }, 1s, &outcome));
    EXPECT_EQ(outcome, Outcome::KeyStuck);
    EXPECT_EQ(worker.threadCount(), 1);

    // Another key gets the second thread; it gets stuck too.
    EXPECT_FALSE(worker.run<int>("b", atGate(3), 100ms, &outcome));
    EXPECT_EQ(outcome, Outcome::TimedOut);
    // Every thread is stuck: further calls are refused at once, and no thread is added.
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(worker.run<int>(
            "c", [] { return 4; }, 1s, &outcome));
        EXPECT_EQ(outcome, Outcome::AllBusy);
    }
    EXPECT_EQ(worker.threadCount(), 2);
    EXPECT_EQ(worker.stuckCount(), 2);

    // Once the stuck calls return, their threads serve again, the keys included.
    gate->release();
    std::optional<int> got;
    for (int i = 0; i < 500 && !got; ++i) {
        got = worker.run<int>(
            "a", [] { return 5; }, 1s, &outcome);
        if (!got)
            std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(got, 5);
    // The other stuck call returns on its own thread, in its own time.
    for (int i = 0; i < 500 && worker.stuckCount() > 0; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(worker.stuckCount(), 0);
    EXPECT_EQ(worker.run<int>(
                  "c", [] { return 6; }, 1s),
              6);
    EXPECT_LE(worker.threadCount(), 2);
}

TEST(DeadlineWorker, ReturnsResultsAndPassesOnExceptions) {
    DeadlineWorker worker(1);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(worker.run<int>(
                      "k", [i] { return i * 2; }, 5s),
                  i * 2);
    EXPECT_EQ(worker.threadCount(), 1);
    EXPECT_THROW(worker.run<int>(
                     "k", []() -> int { throw std::runtime_error("gone"); }, 5s),
                 std::runtime_error);
    EXPECT_EQ(worker.run<int>(
                  "k", [] { return 7; }, 5s),
              7);
}

TEST(DeadlineWorker, EndsWithoutWaitingForAStuckCall) {
    auto gate = std::make_shared<Gate>();
    {
        DeadlineWorker worker(1);
        EXPECT_FALSE(worker.run<int>(
            "a",
            [gate] {
                gate->wait();
                return 1;
            },
            50ms));
    }
    // The worker is gone while its thread is still in the call; letting the call return now must
    // not touch freed memory (the sanitizers watch this).
    gate->release();
    std::this_thread::sleep_for(50ms);
}
