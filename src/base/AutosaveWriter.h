// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/AutosaveStore.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tosk {

class MainThreadPoster;

// Writes autosaves on a thread of its own, so that a big patch never holds
// up typing or dragging: the caller takes the text on the main thread (a
// snapshot of the patch as it stands) and hands it over. Jobs run in the
// order given; a write still waiting is replaced by a newer one for the same
// entry, and a removal drops the writes of its entry still waiting, so that
// a removed autosave is never written again by a job queued before.
class AutosaveWriter {
public:
    // Told on the main thread, through `poster`, when a job failed: the
    // entry, and the name and reason of the failure.
    using Failure = std::function<void(const std::string& id, const std::string& name, const std::string& reason)>;

    AutosaveWriter(AutosaveStore store, MainThreadPoster& poster, Failure failure);
    // Finishes the jobs given, then stops.
    ~AutosaveWriter();
    AutosaveWriter(const AutosaveWriter&) = delete;
    AutosaveWriter& operator=(const AutosaveWriter&) = delete;

    const AutosaveStore& store() const { return store_; }

    void write(AutosaveStore::Entry entry, std::string text);
    void remove(const std::string& id);
    // Waits until every job given so far is done.
    void flush();

private:
    struct Job {
        bool remove = false;
        AutosaveStore::Entry entry;
        std::string text;
    };

    void run();
    void fail(const std::string& id, const std::string& name, const std::string& reason);

    const AutosaveStore store_;
    MainThreadPoster& poster_;
    // Lives as long as the writer: failures posted after it is gone are
    // dropped.
    std::shared_ptr<Failure> failure_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace tosk
