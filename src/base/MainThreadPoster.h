// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace tosk {

// Runs work on the main thread. Any thread may post; the app hands the work
// to Qt's event loop, tests and the CLI pump a queue themselves.
class MainThreadPoster {
public:
    virtual ~MainThreadPoster() = default;
    virtual void post(std::function<void()> work) = 0;

    static MainThreadPoster& shared();
    static void setShared(MainThreadPoster* poster); // null restores the queue default
};

// A thread-safe queue drained by whoever calls pump().
class QueuedMainThreadPoster : public MainThreadPoster {
public:
    void post(std::function<void()> work) override;
    // Runs everything queued so far; answers how many ran.
    size_t pump();
    // Waits up to `timeout` for work, then pumps; answers how many ran.
    size_t waitAndPump(std::chrono::milliseconds timeout);
    size_t pending() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> queue_;
};

} // namespace tosk
