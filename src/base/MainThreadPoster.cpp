#include "base/MainThreadPoster.h"

namespace tosk {

namespace {
MainThreadPoster* fallbackPoster()
{
    static QueuedMainThreadPoster fallback;
    return &fallback;
}
MainThreadPoster*& current()
{
    static MainThreadPoster* poster = fallbackPoster();
    return poster;
}
} // namespace

MainThreadPoster& MainThreadPoster::shared() { return *current(); }

void MainThreadPoster::setShared(MainThreadPoster* poster) { current() = poster ? poster : fallbackPoster(); }

void QueuedMainThreadPoster::post(std::function<void()> work)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
    }
    ready_.notify_all();
}

size_t QueuedMainThreadPoster::pump()
{
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(queue_);
    }
    for (auto& work : batch)
        work();
    return batch.size();
}

size_t QueuedMainThreadPoster::waitAndPump(std::chrono::milliseconds timeout)
{
    {
        std::unique_lock lock(mutex_);
        ready_.wait_for(lock, timeout, [this] { return !queue_.empty(); });
    }
    return pump();
}

size_t QueuedMainThreadPoster::pending() const
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}

} // namespace tosk
