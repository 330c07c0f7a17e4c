// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/DiskUndo.h"

#include "base/Localization.h"
#include "comms/DiskMove.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tosk {

namespace {

using Step = DiskUndo::Step;
using Kind = DiskUndo::Step::Kind;

// One step in one direction: the item at `here` goes to `there`.
struct Motion {
    enum class Action { Move, RemoveFolder, MakeFolder, Restore, Trash };
    Action action;
    std::string here;
    std::string there;
};

Motion motionOf(const Step& step, bool backwards)
{
    switch (step.kind) {
    case Kind::Move:
        return backwards ? Motion{Motion::Action::Move, step.to, step.from}
                         : Motion{Motion::Action::Move, step.from, step.to};
    case Kind::MakeFolder:
        return backwards ? Motion{Motion::Action::RemoveFolder, step.to, {}}
                         : Motion{Motion::Action::MakeFolder, {}, step.to};
    case Kind::Trash:
        return backwards ? Motion{Motion::Action::Restore, step.to, step.from}
                         : Motion{Motion::Action::Trash, step.from, {}};
    }
    return {};
}

bool isFolderEmpty(const std::string& path)
{
    std::error_code ec;
    return fs::is_empty(path, ec) && !ec;
}

std::string because(const char* key, const char* fallback, const std::string& path)
{
    return fillIn(localized(key, fallback), {path});
}

} // namespace

DiskUndo::Stamp DiskUndo::Stamp::of(const std::string& path)
{
    Stamp s;
    struct stat info;
    if (path.empty() || ::lstat(path.c_str(), &info) != 0)
        return s;
    s.exists = true;
    s.isFolder = S_ISDIR(info.st_mode);
    s.device = info.st_dev;
    s.inode = info.st_ino;
    if (!s.isFolder) {
        s.size = uint64_t(info.st_size);
        s.modifiedNs = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    }
    return s;
}

bool DiskUndo::Stamp::sameAs(const Stamp& now) const
{
    if (!exists || !now.exists || isFolder != now.isFolder)
        return false;
    // A folder is known by its place: one the user made again through a
    // redo of New Folder is a new node with the same contents to come.
    if (isFolder)
        return true;
    return device == now.device && inode == now.inode && size == now.size && modifiedNs == now.modifiedNs;
}

DiskUndo::DiskUndo(Trash trash) : trash_(std::move(trash))
{
    if (!trash_)
        trash_ = [](const std::string& path) { return DesktopTrash::moveToTrash(path); };
}

Step DiskUndo::moved(const std::string& from, const std::string& to)
{
    return {Kind::Move, from, to, Stamp::of(to)};
}

Step DiskUndo::madeFolder(const std::string& path)
{
    return {Kind::MakeFolder, {}, path, Stamp::of(path)};
}

Step DiskUndo::trashed(const std::string& from, const std::string& trashedPath)
{
    return {Kind::Trash, from, trashedPath, Stamp::of(trashedPath)};
}

void DiskUndo::push(Record record)
{
    if (record.steps.empty())
        return;
    undo_.push_back(std::move(record));
    redo_.clear();
}

std::string DiskUndo::undoName() const
{
    return undo_.empty() ? std::string() : undo_.back().name;
}

std::string DiskUndo::redoName() const
{
    return redo_.empty() ? std::string() : redo_.back().name;
}

void DiskUndo::clear()
{
    undo_.clear();
    redo_.clear();
}

DiskUndo::Outcome DiskUndo::undo()
{
    if (undo_.empty())
        return {};
    Outcome outcome = apply(undo_.back(), true);
    if (outcome.done) {
        redo_.push_back(std::move(undo_.back()));
        undo_.pop_back();
    }
    return outcome;
}

DiskUndo::Outcome DiskUndo::redo()
{
    if (redo_.empty())
        return {};
    Outcome outcome = apply(redo_.back(), false);
    if (outcome.done) {
        undo_.push_back(std::move(redo_.back()));
        redo_.pop_back();
    }
    return outcome;
}

DiskUndo::Outcome DiskUndo::apply(Record& record, bool backwards)
{
    Outcome outcome;
    std::vector<size_t> order;
    for (size_t i = 0; i < record.steps.size(); ++i)
        order.push_back(backwards ? record.steps.size() - 1 - i : i);

    // The check walks the steps as they will be done: a place an earlier
    // step empties is free for a later one, and the other way round.
    std::set<std::string> emptied;
    std::set<std::string> filled;
    auto present = [&](const std::string& path) {
        if (filled.count(path))
            return true;
        return !emptied.count(path) && Stamp::of(path).exists;
    };
    for (size_t i : order) {
        const Step& step = record.steps[i];
        const Motion m = motionOf(step, backwards);
        if (!m.here.empty()) {
            if (!present(m.here))
                return {false, because("DiskUndoMissing", "%s is missing", m.here), {}};
            // Checked against the disk only where no earlier step has been.
            if (!filled.count(m.here) && !step.stamp.sameAs(Stamp::of(m.here)))
                return {false, because("DiskUndoChanged", "%s has changed since", m.here), {}};
            if (m.action == Motion::Action::RemoveFolder && !isFolderEmpty(m.here))
                return {false, because("DiskUndoNotEmpty", "%s is not empty", m.here), {}};
        }
        if (!m.there.empty() && present(m.there))
            return {false, because("DiskUndoTaken", "%s exists already", m.there), {}};
        if (!m.here.empty()) {
            filled.erase(m.here);
            emptied.insert(m.here);
        }
        if (!m.there.empty()) {
            emptied.erase(m.there);
            filled.insert(m.there);
        }
    }

    std::vector<Step> before = record.steps;
    std::vector<size_t> done;
    std::string failure;
    for (size_t i : order) {
        Step& step = record.steps[i];
        const Motion m = motionOf(step, backwards);
        std::string reached;
        switch (m.action) {
        case Motion::Action::Move:
        case Motion::Action::Restore: {
            if (m.action == Motion::Action::Restore) {
                if (!DesktopTrash::restore(m.here, m.there))
                    failure = m.there + ": " + std::strerror(errno);
            } else if (const DiskMove::Result r = DiskMove::moveTo(m.here, m.there);
                       r.status != DiskMove::Status::Moved) {
                failure = r.reason.empty() ? because("DiskUndoTaken", "%s exists already", m.there) : r.reason;
            }
            reached = m.there;
            break;
        }
        case Motion::Action::RemoveFolder:
            if (::rmdir(m.here.c_str()) != 0)
                failure = m.here + ": " + std::strerror(errno);
            break;
        case Motion::Action::MakeFolder:
            if (::mkdir(m.there.c_str(), 0777) != 0)
                failure = m.there + ": " + std::strerror(errno);
            reached = m.there;
            break;
        case Motion::Action::Trash: {
            const DesktopTrash::Result r = trash_(m.here);
            if (!r.trashed)
                failure = m.here + ": " + r.reason;
            // Its place in the trash is another than before.
            step.to = r.trashedPath;
            reached = r.trashedPath;
            break;
        }
        }
        if (!failure.empty())
            break;
        step.stamp = Stamp::of(reached);
        done.push_back(i);
    }
    if (failure.empty()) {
        outcome.done = true;
        outcome.steps = record.steps;
        return outcome;
    }
    // What was done of it goes back, so that the record still describes
    // the disk.
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
        Step& step = record.steps[*it];
        const Motion m = motionOf(step, !backwards);
        switch (m.action) {
        case Motion::Action::Move:
            DiskMove::moveTo(m.here, m.there);
            break;
        case Motion::Action::Restore:
            DesktopTrash::restore(m.here, m.there);
            break;
        case Motion::Action::RemoveFolder:
            ::rmdir(m.here.c_str());
            break;
        case Motion::Action::MakeFolder:
            ::mkdir(m.there.c_str(), 0777);
            break;
        case Motion::Action::Trash:
            step.to = trash_(m.here).trashedPath;
            break;
        }
        step.stamp = Stamp::of(backwards ? step.to : step.from);
    }
    for (size_t i = 0; i < before.size(); ++i)
        if (record.steps[i].kind != Kind::Trash)
            record.steps[i] = before[i];
    outcome.reason = failure;
    return outcome;
}

} // namespace tosk
