// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/KorvatelConnection.h"

#include <atomic>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tosk {

// Copies every patch of every bank of a unit into a folder: one sub-folder
// per bank, one ".sig" file per patch named after its slot and its name
// ("00 Pad.sig", "01 Pad.sig", "04 Pad 2.sig"), so that the slot is kept and
// patches of one name stay apart. Names from the unit are made safe for the
// file system, and nothing already on disk is replaced, not even what turns
// up while the backup runs: a name that is taken gets " 2", " 3" before its
// extension.
class UnitBackup {
public:
    struct Progress {
        size_t bank = 0; // from 1
        size_t bankCount = 0;
        size_t written = 0;   // files so far
        std::string bankName; // UTF-8
        std::string patchName;
    };
    struct Result {
        std::vector<std::filesystem::path> files;
        size_t bankCount = 0;
        bool cancelled = false;
        // Why it stopped early (UTF-8); empty when it went through.
        std::string failure;
    };
    using ProgressHandler = std::function<void(const Progress&)>;

    // Runs on the calling thread; `stop`, when it turns true, ends the
    // backup before its next exchange.
    static Result run(KorvatelConnection& connection, const std::filesystem::path& folder,
                      const ProgressHandler& progress = {}, const std::atomic<bool>* stop = nullptr);

    // A bank's or a patch's name (Latin-1) as a file name (UTF-8): the
    // unit's naming rule (":" to "-", "/" to "|"), then safeFileName, as a
    // drop on the disk browser names it (at most 240 bytes, never empty,
    // never "." or ".." or hidden).
    static std::string safeName(const std::string& latin1);
    // `base` + `extension` in `folder`, or with " 2", " 3"... when taken.
    static std::filesystem::path freePath(const std::filesystem::path& folder, const std::string& base,
                                          const std::string& extension);
    // The file name (without ".sig") of the patch in `slot` of a bank whose
    // highest slot is `highestSlot`: the slot with at least two digits, as
    // many as the highest needs, then the safe name ("04 Pad 2").
    static std::string slotFileName(int slot, int highestSlot, const std::string& latin1Name);
    // "Backup 2026-12-06 2342": the folder a backup made at `when` (local
    // time) goes into.
    static std::string backupFolderName(std::time_t when);
    // Makes that folder, new, in `parent` (made too when missing): when the
    // name is taken, " 2", " 3"... Empty, with `failure` (UTF-8) told why,
    // when it cannot be made.
    static std::filesystem::path makeBackupFolder(const std::filesystem::path& parent, std::time_t when,
                                                  std::string& failure);
};

} // namespace tosk
