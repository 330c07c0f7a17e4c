// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/MainThreadPoster.h"

#include <atomic>

namespace tosk {

namespace {
MainThreadPoster* fallbackPoster()
{
    static QueuedMainThreadPoster fallback;
    return &fallback;
}
// Read by the serial server's thread when it posts a completion while the
// main thread may install another poster.
std::atomic<MainThreadPoster*>& current()
{
    static std::atomic<MainThreadPoster*> poster{fallbackPoster()};
    return poster;
}
} // namespace

MainThreadPoster& MainThreadPoster::shared()
{
    return *current().load();
}

void MainThreadPoster::setShared(MainThreadPoster* poster)
{
    current().store(poster ? poster : fallbackPoster());
}

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
