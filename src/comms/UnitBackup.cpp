#include "comms/UnitBackup.h"

#include "base/AtomicFile.h"
#include "base/Localization.h"
#include "comms/ScanText.h"

#include <system_error>

namespace tosk {

namespace fs = std::filesystem;

std::string UnitBackup::safeName(const std::string& latin1)
{
    std::string name = trimWhiteSpace(Patch::convertToFileName(latin1));
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '-';
    // A leading dot hides the file, and "." or ".." are no names at all.
    for (size_t i = 0; i < name.size() && name[i] == '.'; ++i)
        name[i] = '-';
    if (name.empty())
        name = "Untitled";
    return latin1ToUtf8(name);
}

fs::path UnitBackup::freePath(const fs::path& folder, const std::string& base, const std::string& extension)
{
    fs::path path = folder / (base + extension);
    std::error_code ec;
    for (int n = 2; fs::exists(fs::symlink_status(path, ec)); ++n)
        path = folder / (base + " " + std::to_string(n) + extension);
    return path;
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
        result.failure = connection.lastFailure()->name() + ": " + connection.lastFailure()->reason();
        return true;
    };
    BankList banks = connection.getBankList();
    if (failed())
        return result;
    std::vector<int> numbers = banks.bankNumberKeys();
    result.bankCount = numbers.size();
    Progress step;
    step.bankCount = numbers.size();
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
        std::error_code ec;
        const fs::path bankFolder = freePath(folder, safeName(bank->displayName()), "");
        fs::create_directories(bankFolder, ec);
        if (ec) {
            result.failure = fillIn(localized("BackupNoFolder", "Cannot make the folder %s: %s"),
                                    {bankFolder.string(), ec.message()});
            return result;
        }
        for (const auto& patch : patches.patches()) {
            if (stopped())
                return result;
            step.patchName = latin1ToUtf8(patch->displayName());
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
            const fs::path file = freePath(bankFolder, safeName(patch->patchName()), ".sig");
            try {
                writeFileAtomically(file.string(), *text, false);
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
