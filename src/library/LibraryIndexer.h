// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/LibraryIndex.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tosk {

// Keeps the library's index current on a thread of its own, so that the
// window never waits for the disk: the folders of the library are read when
// they are set, and again wherever a change is reported. After each pass the
// main thread gets a copy of what is known, which searches run over at once.
class LibraryIndexer : public QObject {
    Q_OBJECT

public:
    using Snapshot = std::shared_ptr<const std::vector<LibraryEntry>>;

    // The index file at `indexPath` (LibraryIndex::defaultPath() in the app).
    explicit LibraryIndexer(std::string indexPath, QObject* parent = nullptr);
    // Stops the pass under way and waits for the thread.
    ~LibraryIndexer() override;

    // The folders the library is made of; every file below them is read
    // (or found unchanged) again.
    void setRoots(std::vector<std::string> roots);
    const std::vector<std::string>& roots() const { return roots_; }
    // Reads these folders (or a file's folder) again: what a watcher saw.
    void refresh(const std::vector<std::string>& paths);

    // What is known of the files below the roots, sorted by path.
    std::vector<LibraryEntry> search(const LibraryQuery& query) const;
    // Whether a pass is under way or waiting.
    bool isBusy() const { return busy_; }

signals:
    // Files read of those found new or changed in the pass under way.
    void progress(int done, int total);
    // A pass ended: search() answers with what it found.
    void updated();

private:
    void run();
    void deliver(const Snapshot& snapshot, bool idle);

    std::string indexPath_;
    std::vector<std::string> roots_;
    Snapshot snapshot_;
    bool busy_ = false;

    // Shared with the thread, under mutex_.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::string> pending_;
    bool quit_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace tosk
