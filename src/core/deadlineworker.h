#pragma once

#include <QString>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

// Runs calls that may never come back (a file system that stopped answering) on a bounded set of
// worker threads, and lets the caller wait for each with a deadline. A call that misses its
// deadline is given up: the caller goes on, while the thread stays with the call until it
// returns, and only then takes new work. No thread is ever started beyond the bound, so a share
// that hangs every call costs at most that many threads, never one per attempt.
//
// Each call names a key (a path, say). While a call that was given up is still out, a new call
// with the same key is refused at once: a file whose read hangs is not read again, and no further
// thread is tied up by it, until that read returns.
class DeadlineWorker {
  public:
    explicit DeadlineWorker(int maxThreads);
    // Does not wait: threads still in a call end when it returns.
    ~DeadlineWorker();
    DeadlineWorker(const DeadlineWorker&) = delete;
    DeadlineWorker& operator=(const DeadlineWorker&) = delete;

    struct Call;
    enum class Refusal { None, KeyStuck, AllBusy };

    // Queues fn; nothing when it is refused (why goes to refusal, when given).
    std::shared_ptr<Call> start(const QString& key, std::function<void()> fn,
                                Refusal* refusal = nullptr);
    // Waits until the call has returned or the deadline has passed; true when it returned (an
    // exception it raised is then rethrown here). A call not back in time is given up.
    bool wait(const std::shared_ptr<Call>& call, std::chrono::milliseconds deadline);

    enum class Outcome { Returned, TimedOut, KeyStuck, AllBusy };
    // start and wait in one: the result of fn, or nothing with the reason in outcome.
    template <class R>
    std::optional<R> run(const QString& key, std::function<R()> fn,
                         std::chrono::milliseconds deadline, Outcome* outcome = nullptr) {
        auto result = std::make_shared<std::optional<R>>();
        Refusal refusal = Refusal::None;
        std::shared_ptr<Call> call = start(
            key, [result, fn = std::move(fn)] { *result = fn(); }, &refusal);
        Outcome got = Outcome::Returned;
        if (!call)
            got = refusal == Refusal::KeyStuck ? Outcome::KeyStuck : Outcome::AllBusy;
        else if (!wait(call, deadline))
            got = Outcome::TimedOut;
        if (outcome)
            *outcome = got;
        if (got != Outcome::Returned)
            return std::nullopt;
        return std::move(*result);
    }

    // Threads now started (idle or in a call), and of those the ones still in a call that was
    // given up.
    int threadCount() const;
    int stuckCount() const;

  private:
    struct State;
    static void serve(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
};
