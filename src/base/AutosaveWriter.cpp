// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/AutosaveWriter.h"

#include "base/MainThreadPoster.h"
#include "base/TkxException.h"

#include <algorithm>

namespace tosk {

AutosaveWriter::AutosaveWriter(AutosaveStore store, MainThreadPoster& poster, Failure failure)
    : store_(std::move(store)), poster_(poster), failure_(std::make_shared<Failure>(std::move(failure))),
      thread_([this] { run(); })
{
}

AutosaveWriter::~AutosaveWriter()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void AutosaveWriter::write(AutosaveStore::Entry entry, std::string text)
{
    {
        std::lock_guard lock(mutex_);
        auto waiting = std::find_if(jobs_.begin(), jobs_.end(),
                                    [&](const Job& job) { return !job.remove && job.entry.id == entry.id; });
        if (waiting != jobs_.end()) {
            waiting->entry = std::move(entry);
            waiting->text = std::move(text);
            return;
        }
        jobs_.push_back({false, std::move(entry), std::move(text)});
    }
    wake_.notify_one();
}

void AutosaveWriter::remove(const std::string& id)
{
    {
        std::lock_guard lock(mutex_);
        std::erase_if(jobs_, [&](const Job& job) { return !job.remove && job.entry.id == id; });
        Job job;
        job.remove = true;
        job.entry.id = id;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void AutosaveWriter::flush()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void AutosaveWriter::fail(const std::string& id, const std::string& name, const std::string& reason)
{
    std::weak_ptr<Failure> failure = failure_;
    poster_.post([failure, id, name, reason] {
        if (auto f = failure.lock(); f && *f)
            (*f)(id, name, reason);
    });
}

void AutosaveWriter::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) {
            if (stopping_)
                return;
            continue;
        }
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        if (job.remove) {
            std::string reason;
            if (!store_.remove(job.entry.id, &reason))
                fail(job.entry.id, "AutosaveStore.remove", reason);
        } else {
            try {
                store_.write(job.entry, job.text);
            } catch (const TkxException& e) {
                fail(job.entry.id, e.name(), e.reason());
            } catch (const std::exception& e) {
                fail(job.entry.id, "std::exception", e.what());
            }
        }
        lock.lock();
        busy_ = false;
        if (jobs_.empty())
            idle_.notify_all();
    }
}

} // namespace tosk
