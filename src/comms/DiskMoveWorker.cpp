// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/DiskMoveWorker.h"

#include "base/TkxException.h"

#include <exception>

namespace tosk {

DiskMoveWorker::DiskMoveWorker(Move move, std::string folder, std::string targetFolder, Progress progress, Done done)
{
    thread_ =
        std::thread([this, move = std::move(move), folder = std::move(folder), targetFolder = std::move(targetFolder),
                     progress = std::move(progress), done = std::move(done)] {
            DiskMove::Result result;
            result.destination = targetFolder;
            try {
                DiskMove::CopyControl control;
                control.stop = &stop_;
                control.progress = progress;
                result = move(folder, targetFolder, control);
            } catch (const TkxException& e) {
                result.reason = e.reason();
            } catch (const std::exception& e) {
                // An exception must not end the program from this thread.
                result.reason = e.what();
            }
            if (done)
                done(result);
        });
}

DiskMoveWorker::~DiskMoveWorker()
{
    stop_ = true;
    thread_.join();
}

} // namespace tosk
