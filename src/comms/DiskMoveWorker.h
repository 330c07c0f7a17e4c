// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/DiskMove.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace tosk {

// Moves one folder into another on a thread of its own, so that a copy from
// one file system to another never holds the window. Whoever makes it owns
// the thread: destroying the worker stops the move and waits for it, and a
// stopped move leaves both places as they were.
class DiskMoveWorker {
public:
    // The move itself, run on the worker's thread (DiskMove::moveFolder).
    using Move = std::function<DiskMove::Result(const std::string& folder, const std::string& targetFolder,
                                                const DiskMove::CopyControl& control)>;
    // Both are called on the worker's thread: `progress` after each entry
    // copied, `done` once at the end with what came of it.
    using Progress = std::function<void(size_t done, size_t total)>;
    using Done = std::function<void(const DiskMove::Result& result)>;

    DiskMoveWorker(Move move, std::string folder, std::string targetFolder, Progress progress, Done done);
    ~DiskMoveWorker();
    DiskMoveWorker(const DiskMoveWorker&) = delete;
    DiskMoveWorker& operator=(const DiskMoveWorker&) = delete;

    // Ends the copy at its next entry; `done` then hears Stopped.
    void stop() { stop_ = true; }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace tosk
