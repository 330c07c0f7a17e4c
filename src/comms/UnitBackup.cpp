// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/UnitBackup.h"

#include "base/Localization.h"
#include "base/SafeFileName.h"
#include "comms/DiskMove.h"

#include <algorithm>
#include <system_error>
#include <time.h>

namespace tosk {

namespace fs = std::filesystem;

std::string UnitBackup::safeName(const std::string& latin1)
{
    return safeFileName(Patch::convertToFileName(latin1));
}

fs::path UnitBackup::freePath(const fs::path& folder, const std::string& base, const std::string& extension)
{
    fs::path path = folder / (base + extension);
    std::error_code ec;
    for (int n = 2; fs::exists(fs::symlink_status(path, ec)); ++n)
        path = folder / (base + " " + std::to_string(n) + extension);
    return path;
}

std::string UnitBackup::slotFileName(int slot, int highestSlot, const std::string& latin1Name)
{
    const size_t width = std::max<size_t>(2, std::to_string(std::max(highestSlot, 0)).size());
    std::string number = std::to_string(slot);
    if (number.size() < width)
        number.insert(0, width - number.size(), '0');
    return number + " " + safeName(latin1Name);
}

std::string UnitBackup::backupFolderName(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H%M", &local);
    return fillIn(localized("BackupFolderName", "Backup %s"), {stamp});
}

fs::path UnitBackup::makeBackupFolder(const fs::path& parent, std::time_t when, std::string& failure)
{
    std::error_code ec;
    if (!fs::create_directories(parent, ec) && ec) {
        failure = fillIn(localized("BackupNoFolder", "Cannot make the folder %s: %s"), {parent.string(), ec.message()});
        return {};
    }
    // Made new, never one that is there already: two backups in one
    // minute go to two folders.
    for (;;) {
        const fs::path candidate = freePath(parent, backupFolderName(when), "");
        if (fs::create_directory(candidate, ec))
            return candidate;
        if (ec) {
            failure = fillIn(localized("BackupNoFolder", "Cannot make the folder %s: %s"),
                             {candidate.string(), ec.message()});
            return {};
        }
    }
}

UnitBackup::Result UnitBackup::run(KorvatelConnection& connection, const fs::path& folder,
                                   const ProgressHandler& progress, const std::atomic<bool>* stop)
{
    Result result;
    auto stopped = [&] {
        if (stop && stop->load())
            result.cancelled = true;
        return result.cancelled;
    };
    auto failed = [&] {
        if (!connection.lastFailure())
            return false;
        result.failure = failureWords(*connection.lastFailure());
        return true;
    };
    BankList banks = connection.getBankList();
    if (failed())
        return result;
    std::vector<int> numbers = banks.bankNumberKeys();
    result.bankCount = numbers.size();
    Progress step;
    step.bankCount = numbers.size();
    if (std::error_code ec; !fs::create_directories(folder, ec) && ec) {
        result.failure =
            fillIn(localized("BackupNoFolder", "Cannot make the folder %s: %s"), {folder.string(), ec.message()});
        return result;
    }
    for (int number : numbers) {
        if (stopped())
            return result;
        auto bank = banks.bankWithNumber(number);
        ++step.bank;
        step.bankName = latin1ToUtf8(bank->displayName());
        step.patchName.clear();
        if (progress)
            progress(step);
        PatchList patches = connection.patchListForBank(uint32_t(number));
        if (failed())
            return result;
        // Folders and files are only ever made new: whatever takes a name
        // meanwhile (another copy into the same folder) is kept, and the
        // next free name is taken instead.
        fs::path bankFolder;
        for (std::error_code ec; bankFolder.empty();) {
            const fs::path candidate = freePath(folder, safeName(bank->displayName()), "");
            if (fs::create_directory(candidate, ec))
                bankFolder = candidate;
            else if (ec) {
                result.failure = fillIn(localized("BackupNoFolder", "Cannot make the folder %s: %s"),
                                        {candidate.string(), ec.message()});
                return result;
            }
        }
        const std::vector<int> slots = patches.patchNumberKeys();
        const int highestSlot = slots.empty() ? 0 : slots.back();
        for (const auto& patch : patches.patches()) {
            if (stopped())
                return result;
            step.patchName = latin1ToUtf8(patch->displayName());
            // Named before the unit is asked: a file that takes the name
            // while the unit answers is kept, and the next free name used.
            const std::string base = slotFileName(patch->patchNumber(), highestSlot, patch->patchName());
            fs::path file = freePath(bankFolder, base, ".sig");
            if (progress)
                progress(step);
            auto text = connection.getSigFileForPatch(*patch);
            if (failed())
                return result;
            if (!text) {
                result.failure = fillIn(localized("BackupNoText", "The unit sent no text for %s."),
                                        {latin1ToUtf8(patch->displayName())});
                return result;
            }
            try {
                while (!DiskMove::writeNewFile(file.string(), *text))
                    file = freePath(bankFolder, base, ".sig");
            } catch (const TkxException& e) {
                result.failure = e.reason();
                return result;
            }
            result.files.push_back(file);
            ++step.written;
        }
    }
    step.written = result.files.size();
    return result;
}

} // namespace tosk
