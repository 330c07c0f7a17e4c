// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/DiskDropItem.h"
#include "base/SafeFileName.h"
#include "comms/DiskClash.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QObject;

namespace tosk {

// Copies what was dropped from a unit browser into a folder, one item after
// the other: a group becomes a folder (made when it has items), a patch a
// ".sig" file. Names come from safeFileName, made distinct within the drop
// (a patch's slot, "Pad (slot 1)", else " 2", " 3"); a file already on disk
// is kept, never replaced. The patch the unit runs is kept before the first
// item and sent back after the last (when it cannot be kept, the user is
// asked whether to go on). The items answer when they like; between two
// steps the event loop runs, so the window stays alive however slow the
// unit is.
class UnitDropCopy : public std::enable_shared_from_this<UnitDropCopy> {
public:
    // What the user is told at the end: one line per file renamed, kept or
    // not saved (UTF-8), and how many files were written.
    struct Report {
        std::vector<std::string> lines;
        int saved = 0;
        bool cancelled = false;
    };
    using Status = std::function<void(const std::string& utf8)>;
    using Finished = std::function<void(const Report&)>;

    // `context` carries the steps (nothing more happens once it is gone);
    // `folder` is the target's path as the file system gives it; `source`
    // (may be null) is the unit the items come from.
    UnitDropCopy(QObject* context, std::string folder, std::vector<DiskDropItem::Ptr> items, DiskDropSource::Ptr source,
                 Status status, Finished finished);

    // A patch whose file name is taken in its folder is asked about
    // (`ask`: the file's name and the folder's, UTF-8); one replaced goes to
    // the trash through `trash` first. Without it the file there is kept.
    using Ask = std::function<DiskClash::Answer(const std::string& fileName, const std::string& folderName)>;
    void askOnClash(Ask ask, DiskUndo::Trash trash);

    void start();
    // Ends the copy at once; what the step running now answers is dropped,
    // and the kept patch is sent back. The end is reported unless `report`
    // is false (the owner is going).
    void stop(bool report = true);
    // Until the kept patch is back on the unit.
    bool isRunning() const { return running_ || restoring_; }

private:
    struct Task {
        DiskDropItem::Ptr item;
        std::string folder;
    };

    void scheduleNext();
    void next();
    void copyGroup(const Task& task);
    void copyPatch(const Task& task);
    // True when the file was written.
    bool writePatch(const std::string& path, const std::string& fileName, const std::string& folder,
                    const DiskDropItem::Fetched& fetched, const std::string& displayName);
    void kept(const DiskDropSource::Kept& kept);
    void finish(bool cancelled, bool report = true);
    // What to tell when the name on disk is not the one the unit gave; ""
    // when it is.
    static std::string renamedLine(const DiskDropItem& item, const std::string& given, const std::string& used);

    QObject* context_;
    std::string folder_;
    DiskDropSource::Ptr source_;
    Status status_;
    Finished finished_;
    std::deque<Task> tasks_;
    std::map<std::string, UniqueFileNames> names_;
    Report report_;
    // Copying items.
    Ask ask_;
    DiskUndo::Trash trash_;
    std::optional<DiskClash::Choice> toAll_;
    bool running_ = false;
    // The source holds the patch the unit ran.
    bool kept_ = false;
    // Sending it back.
    bool restoring_ = false;
};

} // namespace tosk
