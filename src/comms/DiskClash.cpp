// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/DiskClash.h"

#include "base/Localization.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tosk {

bool DiskClash::clashes(const std::string& folder, const std::string& name)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(fs::path(folder) / name, ec));
}

std::string DiskClash::keptBothName(const std::string& folder, const std::string& name, bool isFolder)
{
    const size_t dot = isFolder ? std::string::npos : name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string stem = hasExtension ? name.substr(0, dot) : name;
    const std::string extension = hasExtension ? name.substr(dot) : std::string();
    for (int n = 2;; ++n) {
        std::string candidate = stem + " " + std::to_string(n) + extension;
        if (!clashes(folder, candidate))
            return candidate;
    }
}

DiskClash::Room DiskClash::makeRoom(const std::string& folder, const std::string& name, bool isFolder, Choice choice,
                                    const DiskUndo::Trash& trash)
{
    Room room;
    const std::string own = (fs::path(folder) / name).string();
    if (!clashes(folder, name)) {
        room.go = true;
        room.destination = own;
        return room;
    }
    switch (choice) {
    case Choice::Skip:
        break;
    case Choice::KeepBoth:
        room.go = true;
        room.destination = (fs::path(folder) / keptBothName(folder, name, isFolder)).string();
        break;
    case Choice::Replace: {
        const DesktopTrash::Result gone = trash(own);
        if (!gone.trashed) {
            room.reason =
                fillIn(localized("DiskNotTrashedWhy", "%s was not moved to the Trash: %s"), {name, gone.reason});
            break;
        }
        room.go = true;
        room.destination = own;
        room.steps.push_back(DiskUndo::trashed(own, gone.trashedPath));
        break;
    }
    }
    return room;
}

} // namespace tosk
