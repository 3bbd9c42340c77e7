#include "runtime/plain_event_loop.h"

#include <utility>

void PlainEventLoop::post(std::function<void()> call) {
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    wake_.notify_one();
}

int PlainEventLoop::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quitRequested_ || !calls_.empty(); });
        // A quit ends the loop before the next call; the calls still queued stay for later.
        if (quitRequested_) {
            quitRequested_ = false;
            return quitCode_;
        }
        std::function<void()> call = std::move(calls_.front());
        calls_.pop_front();
        lock.unlock();
        call();
        call = nullptr; // captured state is released outside the lock
        lock.lock();
    }
}

void PlainEventLoop::quit(int code) {
    {
        std::lock_guard lock(mutex_);
        // Kept until a run() sees it, so a quit from another thread that arrives before the loop
        // has started is not lost.
        quitRequested_ = true;
        quitCode_ = code;
    }
    wake_.notify_all();
}

void PlainEventLoop::processEvents() {
    std::unique_lock lock(mutex_);
    // Only the calls pending now: a call that posts itself again must not keep us here.
    std::size_t pending = calls_.size();
    while (pending-- > 0 && !calls_.empty()) {
        std::function<void()> call = std::move(calls_.front());
        calls_.pop_front();
        lock.unlock();
        call();
        call = nullptr;
        lock.lock();
    }
}

void PlainEventLoop::reset() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(calls_);
        quitRequested_ = false;
        quitCode_ = 0;
    }
    // Destroyed here, unlocked: a dropped call may own a waiter's promise.
}
