// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LibraryIndexer.h"

#include <QMetaObject>

#include <algorithm>
#include <filesystem>

namespace tosk {

LibraryIndexer::LibraryIndexer(std::string indexPath, QObject* parent)
    : QObject(parent), indexPath_(std::move(indexPath)), snapshot_(std::make_shared<const std::vector<LibraryEntry>>())
{
    thread_ = std::thread([this] { run(); });
}

LibraryIndexer::~LibraryIndexer()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void LibraryIndexer::setRoots(std::vector<std::string> roots)
{
    roots_ = std::move(roots);
    refresh(roots_);
}

void LibraryIndexer::refresh(const std::vector<std::string>& paths)
{
    if (paths.empty())
        return;
    {
        std::lock_guard lock(mutex_);
        pending_.insert(pending_.end(), paths.begin(), paths.end());
    }
    busy_ = true;
    wake_.notify_all();
}

std::vector<LibraryEntry> LibraryIndexer::search(const LibraryQuery& query) const
{
    std::vector<LibraryEntry> found;
    for (const LibraryEntry& e : *snapshot_) {
        const bool inside = std::any_of(roots_.begin(), roots_.end(),
                                        [&](const std::string& root) { return isInsideFolder(e.file.path, root); });
        if (inside && query.matches(e.summary))
            found.push_back(e);
    }
    return found;
}

void LibraryIndexer::run()
{
    // The index is made, used and closed on this thread only.
    LibraryIndex index(indexPath_);
    bool first = true;
    for (;;) {
        std::vector<std::string> folders;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return quit_ || !pending_.empty() || first; });
            if (quit_)
                return;
            folders.swap(pending_);
        }
        // What the file held already answers searches while the disk is read.
        if (first) {
            first = false;
            std::vector<LibraryEntry> known;
            known.reserve(index.entries().size());
            for (const auto& [path, entry] : index.entries())
                known.push_back(entry);
            deliver(std::make_shared<const std::vector<LibraryEntry>>(std::move(known)), folders.empty());
            if (folders.empty())
                continue;
        }
        // A file reported is found through its folder.
        for (auto& f : folders) {
            std::error_code ec;
            if (!std::filesystem::is_directory(f, ec)) {
                const size_t slash = f.rfind('/');
                if (slash != std::string::npos && slash > 0)
                    f.resize(slash);
            }
        }
        index.update(
            folders,
            [this](LibraryIndex::Progress p) {
                QMetaObject::invokeMethod(
                    this, [this, p] { emit progress(int(p.done), int(p.total)); }, Qt::QueuedConnection);
            },
            &stop_);
        if (stop_)
            return;
        std::vector<LibraryEntry> known;
        known.reserve(index.entries().size());
        for (const auto& [path, entry] : index.entries())
            known.push_back(entry);
        bool idle;
        {
            std::lock_guard lock(mutex_);
            idle = pending_.empty();
        }
        deliver(std::make_shared<const std::vector<LibraryEntry>>(std::move(known)), idle);
    }
}

void LibraryIndexer::deliver(const Snapshot& snapshot, bool idle)
{
    // Queued to this object: nothing arrives once it is gone.
    QMetaObject::invokeMethod(
        this,
        [this, snapshot, idle] {
            snapshot_ = snapshot;
            if (idle) {
                std::lock_guard lock(mutex_);
                busy_ = !pending_.empty();
            }
            emit updated();
        },
        Qt::QueuedConnection);
}

} // namespace tosk
