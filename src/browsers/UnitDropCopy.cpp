// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/UnitDropCopy.h"

#include "Toskfile/DiskFileTreeNode.h"
#include "base/Alerts.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/TkxException.h"
#include "comms/DiskMove.h"
#include "comms/Patch.h"

#include <QObject>
#include <QTimer>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tosk {

namespace {

std::string lastComponent(const std::string& folder)
{
    return DiskFileTreeNode::nodeNameFromPath(folder);
}

} // namespace

UnitDropCopy::UnitDropCopy(QObject* context, std::string folder, std::vector<DiskDropItem::Ptr> items,
                           DiskDropSource::Ptr source, Status status, Finished finished)
    : context_(context), folder_(std::move(folder)), source_(std::move(source)), status_(std::move(status)),
      finished_(std::move(finished))
{
    for (auto& item : items)
        if (item)
            tasks_.push_back({std::move(item), folder_});
}

void UnitDropCopy::start()
{
    running_ = true;
    if (!source_) {
        scheduleNext();
        return;
    }
    // Each patch fetched runs on the unit: what runs there now is kept
    // first. Asked from the event loop, as the answer may come at once and
    // ask the user, which a drop in progress must not wait on.
    status_(localized("UnitKeepingRunning", "Reading the patch running on the unit..."));
    std::weak_ptr<UnitDropCopy> weak = weak_from_this();
    QTimer::singleShot(0, context_, [weak] {
        auto self = weak.lock();
        if (!self || !self->running_)
            return;
        self->source_->keepRunningPatch([weak](DiskDropSource::Kept kept) {
            if (auto copy = weak.lock(); copy && copy->running_)
                copy->kept(kept);
        });
    });
}

void UnitDropCopy::kept(const DiskDropSource::Kept& kept)
{
    if (kept.cancelled) {
        finish(true);
        return;
    }
    if (!kept.kept) {
        const std::string question = fillIn(
            localized("UnitRunningNotKeptCopy",
                      "The patch running on the unit could not be read: %s\n\nCopying loads each patch on the unit in "
                      "turn: the unit will be left running the last one copied, and the patch it runs now is lost "
                      "unless it is stored on the unit.\n\nCopy anyway?"),
            {kept.failure});
        if (Alerts::show(AlertStyle::Warning, localized("ALERT", "ALERT"), question,
                         {localized("CopyAnyway", "Copy Anyway"), localized("CANCEL", "Cancel")}, context_) != 0) {
            finish(true);
            return;
        }
    }
    kept_ = kept.kept;
    scheduleNext();
}

void UnitDropCopy::stop(bool report)
{
    if (running_)
        finish(true, report);
}

void UnitDropCopy::scheduleNext()
{
    // Through the event loop even when an item answered at once, so that a
    // long drop neither nests calls nor holds the window.
    std::weak_ptr<UnitDropCopy> weak = weak_from_this();
    QTimer::singleShot(0, context_, [weak] {
        if (auto self = weak.lock(); self && self->running_)
            self->next();
    });
}

void UnitDropCopy::next()
{
    if (tasks_.empty()) {
        finish(false);
        return;
    }
    const Task task = tasks_.front();
    tasks_.pop_front();
    if (task.item->isGroup())
        copyGroup(task);
    else
        copyPatch(task);
}

std::string UnitDropCopy::renamedLine(const DiskDropItem& item, const std::string& given, const std::string& used)
{
    if (latin1ToUtf8(given) == used)
        return {};
    return fillIn(localized("DiskRenamed", "%s was saved as %s"), {latin1ToUtf8(item.displayName()), used});
}

void UnitDropCopy::copyGroup(const Task& task)
{
    const std::string name = names_[task.folder].claim(safeFileName(task.item->fileName()), "");
    const std::string destination = (fs::path(task.folder) / name).string();
    std::weak_ptr<UnitDropCopy> weak = weak_from_this();
    DiskDropItem::Ptr item = task.item;
    item->readItems([weak, item, name, destination](DiskDropItem::Read read) {
        auto self = weak.lock();
        if (!self || !self->running_)
            return;
        if (read.cancelled) {
            self->finish(true);
            return;
        }
        const std::string shown = latin1ToUtf8(item->displayName());
        if (!read.failure.empty()) {
            self->report_.lines.push_back(
                fillIn(localized("DiskNotSaved", "%s was not saved: %s"), {shown, read.failure}));
        } else if (read.items.empty()) {
            logf("KORVATEL BANK DOES NOT CONTAIN ANY PATCHES: %s", shown.c_str());
        } else {
            std::error_code ec;
            // Asked of the name itself: a link to a folder elsewhere is no
            // folder to write the bank into.
            const fs::file_status status = fs::symlink_status(destination, ec);
            bool ready = fs::is_directory(status);
            if (!ready && fs::exists(status)) {
                // A file or link holds the name: it stays, and the bank goes
                // nowhere.
                self->report_.lines.push_back(
                    fillIn(localized("DiskAlreadyExists", "%s already exists in %s"),
                           {name, lastComponent(fs::path(destination).parent_path().string())}));
            } else if (!ready) {
                ready = fs::create_directory(destination, ec) && !ec;
                if (ready) {
                    self->status_(fillIn(localized("DiskCreated", "created %s"), {name}));
                } else {
                    logf("NOT ABLE TO CREATE NEW DIRECTORY [%s]", destination.c_str());
                    self->report_.lines.push_back(
                        fillIn(localized("DiskNotSaved", "%s was not saved: %s"), {shown, ec.message()}));
                }
            }
            if (ready) {
                if (std::string line = renamedLine(*item, item->fileName(), name); !line.empty())
                    self->report_.lines.push_back(line);
                // The bank's patches come next, before the rest of the drop.
                for (auto it = read.items.rbegin(); it != read.items.rend(); ++it)
                    if (*it)
                        self->tasks_.push_front({*it, destination});
            }
        }
        self->scheduleNext();
    });
}

void UnitDropCopy::askOnClash(Ask ask, DiskUndo::Trash trash)
{
    ask_ = std::move(ask);
    trash_ = std::move(trash);
}

void UnitDropCopy::copyPatch(const Task& task)
{
    const std::string base = safeFileName(task.item->fileName());
    const int slot = task.item->slot();
    std::string fileName = names_[task.folder].claim(base, ".sig", slot);
    std::string path = (fs::path(task.folder) / fileName).string();
    const std::string folderName = lastComponent(task.folder);
    const std::string shown = latin1ToUtf8(task.item->displayName());
    std::string renamed = renamedLine(*task.item, task.item->fileName() + ".sig", fileName);
    std::error_code ec;
    if (ask_ && fs::exists(fs::symlink_status(path, ec))) {
        DiskClash::Choice choice = DiskClash::Choice::Skip;
        if (toAll_) {
            choice = *toAll_;
        } else {
            const DiskClash::Answer answer = ask_(fileName, folderName);
            choice = answer.choice;
            if (answer.toAll)
                toAll_ = choice;
        }
        // A skipped file is told below, as a file kept.
        if (choice != DiskClash::Choice::Skip) {
            const DiskClash::Room room = DiskClash::makeRoom(task.folder, fileName, false, choice, trash_);
            if (!room.go) {
                report_.lines.push_back(room.reason);
                scheduleNext();
                return;
            }
            if (room.destination != path) {
                fileName = fs::path(room.destination).filename().string();
                path = room.destination;
                renamed = renamedLine(*task.item, task.item->fileName() + ".sig", fileName);
            }
        }
    }
    if (fs::exists(fs::symlink_status(path, ec))) {
        // Nothing is fetched for a file that would not be written.
        logf("FILE [%s] ALREADY EXISTS IN [%s]", fileName.c_str(), task.folder.c_str());
        const std::string line =
            fillIn(localized("DiskAlreadyExists", "%s already exists in %s"), {fileName, folderName});
        status_(line);
        report_.lines.push_back(line);
        scheduleNext();
        return;
    }
    status_(fillIn(localized("DiskCopying", "copy %s to %s"), {shown, folderName}));
    std::weak_ptr<UnitDropCopy> weak = weak_from_this();
    const std::string folder = task.folder;
    task.item->fetchSigText([weak, path, fileName, folder, shown, renamed, slot](DiskDropItem::Fetched fetched) {
        auto self = weak.lock();
        if (!self || !self->running_)
            return;
        if (fetched.cancelled) {
            self->finish(true);
            return;
        }
        std::string target = path, name = fileName, line = renamed;
        if (fetched.sigText && fetched.title) {
            // The slot holds another patch than the list said: the file is
            // named after what is in it.
            name = self->names_[folder].claim(safeFileName(Patch::convertToFileName(*fetched.title)), ".sig", slot);
            target = (fs::path(folder) / name).string();
            line = fillIn(localized("DiskRetitled", "%s holds %s on the unit now; it was saved as %s"),
                          {shown, latin1ToUtf8(*fetched.title), name});
            self->status_(line);
        }
        if (self->writePatch(target, name, folder, fetched, shown) && !line.empty())
            self->report_.lines.push_back(line);
        self->scheduleNext();
    });
}

bool UnitDropCopy::writePatch(const std::string& path, const std::string& fileName, const std::string& folder,
                              const DiskDropItem::Fetched& fetched, const std::string& displayName)
{
    if (!fetched.sigText) {
        logf("NOT ABLE TO GET PATCH DATA FOR %s FROM KORVATEL", displayName.c_str());
        const std::string why =
            fetched.failure.empty() ? localized("DiskNoPatchData", "the unit sent no patch") : fetched.failure;
        report_.lines.push_back(fillIn(localized("DiskNotSaved", "%s was not saved: %s"), {displayName, why}));
        return false;
    }
    try {
        if (DiskMove::writeNewFile(path, *fetched.sigText)) {
            ++report_.saved;
            return true;
        }
        // Someone else wrote a file of that name while the unit answered.
        logf("FILE [%s] ALREADY EXISTS IN [%s]", fileName.c_str(), folder.c_str());
        report_.lines.push_back(
            fillIn(localized("DiskAlreadyExists", "%s already exists in %s"), {fileName, lastComponent(folder)}));
    } catch (const TkxException& e) {
        logf("copyKorvatelNode exception: %s - %s", e.name().c_str(), e.reason().c_str());
        report_.lines.push_back(fillIn(localized("DiskNotSaved", "%s was not saved: %s"), {displayName, e.reason()}));
    }
    return false;
}

void UnitDropCopy::finish(bool cancelled, bool report)
{
    running_ = false;
    tasks_.clear();
    report_.cancelled = cancelled;
    // The owner may let go of this copy in its handler.
    auto keep = shared_from_this();
    if (kept_ && !restoring_) {
        kept_ = false;
        restoring_ = true;
        status_(localized("UnitRestoringRunning", "Sending the patch that was running back to the unit..."));
        std::weak_ptr<UnitDropCopy> weak = weak_from_this();
        source_->restoreRunningPatch([weak, report](DiskDropSource::Restored restored) {
            auto self = weak.lock();
            if (!self)
                return;
            self->restoring_ = false;
            if (!restored.told.empty()) {
                self->status_(restored.told);
                // Said in the report when there is one, or when it matters.
                if (!restored.sent || !self->report_.lines.empty())
                    self->report_.lines.push_back(restored.told);
            }
            if (self->finished_ && report)
                self->finished_(self->report_);
        });
        return;
    }
    if (finished_ && report && !restoring_)
        finished_(report_);
}

} // namespace tosk
