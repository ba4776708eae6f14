#include "app/background_call.h"

#include <chrono>
#include <deque>
#include <thread>

namespace background {
namespace {
thread_local CallControl *runningHere = nullptr;
} // namespace

void CallControl::setCanceller(std::function<void()> canceller)
{
    std::lock_guard lock(mutex_);
    if (cancelled_)
        throw Cancelled();
    canceller_ = std::move(canceller);
}

void CallControl::clearCanceller()
{
    // Waits for a cancel in flight: the statement it names is about to go.
    std::lock_guard lock(mutex_);
    canceller_ = nullptr;
}

bool CallControl::passPointOfNoReturn()
{
    std::lock_guard lock(mutex_);
    if (cancelled_)
        return false;
    pastNoReturn_ = true;
    return true;
}

bool CallControl::pastPointOfNoReturn() const
{
    std::lock_guard lock(mutex_);
    return pastNoReturn_;
}

bool CallControl::cancel()
{
    {
        std::lock_guard lock(mutex_);
        if (finished_ || pastNoReturn_)
            return false;
        if (cancelled_)
            return true;
        cancelled_ = true;
        if (!canceller_)
            return true;
    }
    std::thread([self = shared_from_this()] {
        std::lock_guard lock(self->mutex_);
        if (self->canceller_)
            self->canceller_();
    }).detach();
    return true;
}

bool CallControl::notifyWhenFinished(std::function<void()> notify)
{
    std::lock_guard lock(mutex_);
    if (finished_)
        return false;
    notify_ = std::move(notify);
    return true;
}

void CallControl::stopNotifying()
{
    std::lock_guard lock(mutex_);
    notify_ = nullptr;
}

void CallControl::markFinished()
{
    std::lock_guard lock(mutex_);
    finished_ = true;
    if (notify_)
        notify_();
    notify_ = nullptr;
}

CallControl *currentCall() { return runningHere; }

CancelScope::CancelScope(std::function<void()> canceller) : call_(currentCall())
{
    if (call_)
        call_->setCanceller(std::move(canceller));
}

CancelScope::~CancelScope()
{
    if (call_)
        call_->clearCanceller();
}

std::function<bool(qint64)> progressOfCurrentCall()
{
    return [](qint64 count) {
        CallControl *call = currentCall();
        if (!call)
            return true;
        call->reportProgress(count);
        return !call->cancelled();
    };
}

// A thread and the calls waiting for it.
struct Worker::Lane {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<std::pair<std::shared_ptr<CallControl>, Job>> queue;
    std::shared_ptr<CallControl> running;
    bool stop = false;
    bool exited = false;
    std::thread thread;

    bool busy() const { return running || !queue.empty(); }

    void loop()
    {
        for (;;) {
            std::pair<std::shared_ptr<CallControl>, Job> item;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [&] { return stop || !queue.empty(); });
                if (queue.empty())
                    break;
                item = std::move(queue.front());
                queue.pop_front();
                running = item.first;
            }
            // A call cancelled before its turn never starts.
            if (!item.first->cancelled()) {
                runningHere = item.first.get();
                item.second();
                runningHere = nullptr;
            }
            // What the call captured (connections, statements) goes here, on
            // the thread that used it.
            item.second = nullptr;
            {
                std::lock_guard lock(mutex);
                running.reset();
                idle.notify_all();
            }
            item.first->markFinished();
        }
        std::lock_guard lock(mutex);
        exited = true;
        idle.notify_all();
    }
};

Worker::Worker() : lane_(startLane()) {}

std::shared_ptr<Worker::Lane> Worker::startLane()
{
    auto lane = std::make_shared<Lane>();
    lane->thread = std::thread([lane] { lane->loop(); });
    return lane;
}

Worker::~Worker()
{
    {
        std::lock_guard lock(lane_->mutex);
        lane_->stop = true;
        lane_->wake.notify_all();
    }
    lane_->thread.join();
    // A connect left behind may wait for its login timeout; it holds no
    // session that needs closing, so the program does not wait that long.
    for (const auto &lane : leftBehind_) {
        std::unique_lock lock(lane->mutex);
        const bool done = lane->idle.wait_for(lock, std::chrono::seconds(3), [&] { return lane->exited; });
        lock.unlock();
        if (done)
            lane->thread.join();
        else
            lane->thread.detach();
    }
}

std::shared_ptr<CallControl> Worker::post(Job job)
{
    auto call = std::make_shared<CallControl>();
    std::lock_guard lock(mutex_);
    std::lock_guard laneLock(lane_->mutex);
    lane_->queue.emplace_back(call, std::move(job));
    lane_->wake.notify_all();
    return call;
}

void Worker::giveUp(const std::shared_ptr<CallControl> &call, WhenGivenUp whenGivenUp)
{
    call->cancel();
    if (whenGivenUp == WhenGivenUp::FinishFirst)
        return;
    std::lock_guard lock(mutex_);
    std::shared_ptr<Lane> old = lane_;
    std::unique_lock laneLock(old->mutex);
    if (old->running != call)
        return; // still queued: it will be skipped
    // The call keeps its thread until it ends; later calls get a new one.
    std::shared_ptr<Lane> fresh = startLane();
    {
        std::lock_guard freshLock(fresh->mutex);
        fresh->queue = std::move(old->queue);
        old->queue.clear();
        fresh->wake.notify_all();
    }
    old->stop = true;
    old->wake.notify_all();
    laneLock.unlock();
    lane_ = fresh;
    leftBehind_.push_back(old);
    // Lanes that have ended since need no keeping.
    std::erase_if(leftBehind_, [](const std::shared_ptr<Lane> &lane) {
        std::lock_guard l(lane->mutex);
        if (!lane->exited)
            return false;
        lane->thread.join();
        return true;
    });
}

void Worker::waitUntilIdle()
{
    std::shared_ptr<Lane> lane;
    {
        std::lock_guard lock(mutex_);
        lane = lane_;
    }
    std::unique_lock lock(lane->mutex);
    lane->idle.wait(lock, [&] { return !lane->busy(); });
}

void Worker::releaseAfterWork(std::shared_ptr<void> object)
{
    bool busy = false;
    {
        std::lock_guard lock(mutex_);
        std::lock_guard laneLock(lane_->mutex);
        busy = lane_->busy();
    }
    if (busy)
        post([object = std::move(object)] {});
    else
        object.reset();
}

Worker &worker()
{
    static Worker instance;
    return instance;
}

} // namespace background
