#include "core/deadlineworker.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

struct DeadlineWorker::Call {
    QString key;
    std::function<void()> fn;
    bool finished = false;
    bool givenUp = false;
    std::exception_ptr error;
};

struct DeadlineWorker::State {
    std::mutex mutex;
    std::condition_variable work;     // a call queued, or the end
    std::condition_variable finished; // some call returned
    std::deque<std::shared_ptr<Call>> queue;
    std::multiset<QString> stuckKeys;
    int maxThreads = 1;
    int threads = 0;
    int idle = 0;
    int stuck = 0;
    bool ending = false;
};

DeadlineWorker::DeadlineWorker(int maxThreads) : state_(std::make_shared<State>()) {
    state_->maxThreads = maxThreads < 1 ? 1 : maxThreads;
}

DeadlineWorker::~DeadlineWorker() {
    std::lock_guard lock(state_->mutex);
    state_->ending = true;
    state_->queue.clear();
    state_->work.notify_all();
}

std::shared_ptr<DeadlineWorker::Call>
DeadlineWorker::start(const QString& key, std::function<void()> fn, Refusal* refusal) {
    std::lock_guard lock(state_->mutex);
    const auto refuse = [refusal](Refusal why) {
        if (refusal)
            *refusal = why;
        return std::shared_ptr<Call>();
    };
    if (state_->stuckKeys.count(key) > 0)
        return refuse(Refusal::KeyStuck);
    if (state_->idle <= int(state_->queue.size())) {
        if (state_->threads >= state_->maxThreads)
            return refuse(Refusal::AllBusy);
        // The thread owns a share of the state, so that it may outlive this object while stuck.
        std::thread(&DeadlineWorker::serve, state_).detach();
        ++state_->threads;
        ++state_->idle;
    }
    auto call = std::make_shared<Call>();
    call->key = key;
    call->fn = std::move(fn);
    state_->queue.push_back(call);
    state_->work.notify_one();
    if (refusal)
        *refusal = Refusal::None;
    return call;
}

bool DeadlineWorker::wait(const std::shared_ptr<Call>& call, std::chrono::milliseconds deadline) {
    std::unique_lock lock(state_->mutex);
    if (!state_->finished.wait_for(lock, deadline, [&] { return call->finished; })) {
        if (!call->givenUp) {
            call->givenUp = true;
            ++state_->stuck;
            state_->stuckKeys.insert(call->key);
        }
        return false;
    }
    if (call->error)
        std::rethrow_exception(std::exchange(call->error, nullptr));
    return true;
}

int DeadlineWorker::threadCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->threads;
}

int DeadlineWorker::stuckCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->stuck;
}

void DeadlineWorker::serve(std::shared_ptr<State> state) {
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->work.wait(lock, [&] { return state->ending || !state->queue.empty(); });
        if (state->ending && state->queue.empty())
            break;
        std::shared_ptr<DeadlineWorker::Call> call = state->queue.front();
        state->queue.pop_front();
        --state->idle;
        lock.unlock();
        std::exception_ptr error;
        try {
            call->fn();
        } catch (...) {
            error = std::current_exception();
        }
        // The work is dropped here, on this thread, so that what it holds is freed even when
        // nobody waits for it any more.
        call->fn = nullptr;
        lock.lock();
        call->error = error;
        call->finished = true;
        if (call->givenUp) {
            --state->stuck;
            state->stuckKeys.erase(state->stuckKeys.find(call->key));
        }
        ++state->idle;
        state->finished.notify_all();
    }
    --state->threads;
    --state->idle;
}
