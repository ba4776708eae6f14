#pragma once

#include "app/app_error.h"

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

// Database calls that can wait run on one worker thread, one at a time and
// in the order given, while the window that asked keeps its event loop.
// This is the part beneath the windows: the worker, what a running call sees
// of the user's cancel, and how its result or failure is carried back.
namespace background {

// The user gave up waiting (thrown on the window's thread), or a call saw
// that it had been cancelled (thrown on the worker).
class Cancelled : public AppError {
public:
    Cancelled() : AppError(QStringLiteral("You cancelled the wait for the database.")) {}
};

// One call given to the worker, as both sides see it.
class CallControl : public std::enable_shared_from_this<CallControl> {
public:
    // The worker's side.
    bool cancelled() const { return cancelled_.load(); }
    void reportProgress(qint64 count) { progress_.store(count); }
    // Cancelling runs `canceller` (the running statement's SQLCancel) while it
    // is set, and never once clear() has returned. Throws Cancelled when the
    // call has been cancelled already.
    void setCanceller(std::function<void()> canceller);
    void clearCanceller();
    // From here on a cancel no longer stops the call (a commit is under way);
    // false when it was cancelled before.
    bool passPointOfNoReturn();

    // The window's side.
    qint64 progress() const { return progress_.load(); }
    bool finished() const { return finished_.load(); }
    // Whether the call went past its point of no return: what it did stands.
    bool pastPointOfNoReturn() const;
    // True when the cancel took effect; false when the call is past its point
    // of no return or done, and must be waited for. The canceller runs on a
    // thread of its own, so that a driver that blocks in it cannot hold the
    // window.
    bool cancel();
    // Told once, from the worker, when the call has ended; false (and not
    // told) when it ended already.
    bool notifyWhenFinished(std::function<void()> notify);
    void stopNotifying();

    // Used by the worker.
    void markFinished();

private:
    mutable std::mutex mutex_;
    std::function<void()> canceller_;
    std::function<void()> notify_;
    bool pastNoReturn_ = false;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> finished_{false};
    std::atomic<qint64> progress_{0};
};

// The call running on this thread; nullptr off the worker.
CallControl *currentCall();

// While it lives, cancelling the current call (if any) runs `canceller`.
// Throws Cancelled when the current call has been cancelled already.
class CancelScope {
public:
    explicit CancelScope(std::function<void()> canceller);
    ~CancelScope();
    CancelScope(const CancelScope &) = delete;
    CancelScope &operator=(const CancelScope &) = delete;

private:
    CallControl *call_;
};

// For TableSnapshot::open and the like: reports the count to the current call
// and answers false once it has been cancelled.
std::function<bool(qint64)> progressOfCurrentCall();

// What becomes of a call the user gave up waiting for.
enum class WhenGivenUp {
    // The call owns all it uses (a connect, an open): it finishes on a
    // thread of its own, frees its handles there and its result is dropped;
    // later calls do not wait for it.
    LeaveBehind,
    // The call shares handles with later ones (a row write on the table's
    // connection): later calls wait until it has let go of them.
    FinishFirst,
};

using Job = std::function<void()>;

class Worker {
public:
    Worker();
    // Waits until the calls given have run and their handles are let go; a
    // call left behind is waited for a few seconds at most.
    ~Worker();
    Worker(const Worker &) = delete;
    Worker &operator=(const Worker &) = delete;

    std::shared_ptr<CallControl> post(Job job);
    // The user gave up waiting for the call, which was cancelled.
    void giveUp(const std::shared_ptr<CallControl> &call, WhenGivenUp whenGivenUp);
    // Blocks until no call is queued or running.
    void waitUntilIdle();
    // Frees `object` now when no call runs, else after the calls given so far.
    void releaseAfterWork(std::shared_ptr<void> object);

private:
    struct Lane;
    std::shared_ptr<Lane> startLane();

    std::mutex mutex_;
    std::shared_ptr<Lane> lane_;
    std::vector<std::shared_ptr<Lane>> leftBehind_;
};

// The program's worker.
Worker &worker();

// A call's result or failure, carried from the worker to the window's thread.
template <class Result>
class Outcome {
public:
    using Stored = std::conditional_t<std::is_void_v<Result>, std::monostate, Result>;

    template <class Call>
    void run(Call &call)
    {
        try {
            if constexpr (std::is_void_v<Result>) {
                call();
                value_.emplace();
            } else {
                value_.emplace(call());
            }
        } catch (...) {
            error_ = std::current_exception();
        }
    }

    // The result; rethrows the call's failure.
    Result take()
    {
        if (error_)
            std::rethrow_exception(error_);
        if constexpr (!std::is_void_v<Result>)
            return std::move(*value_);
    }

private:
    std::optional<Stored> value_;
    std::exception_ptr error_;
};

} // namespace background
