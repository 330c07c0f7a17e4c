// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A small library of patches for the search tests: the same tree for the
// core's queries and for tosk-cli search.
#include "support/TestSupport.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tosk::test {

// Sig-file text of a patch with that title and author and these modules
// (operator, instance name), as the editor writes one.
inline std::string libraryPatch(const std::string& title, const std::string& author,
                                const std::vector<std::pair<std::string, std::string>>& modules)
{
    std::string text = "HEADM adc \"" + title + "\" lib 2 2 1 adc-null adc-null adc-nullobj ;=20,40,80,0\r\n";
    int y = 40;
    for (const auto& [op, name] : modules) {
        text += op + " " + name + " adc-in1 0.5 ;=140," + std::to_string(y) + ",80,0\r\n";
        y += 100;
    }
    return text + "TAIL \"" + author + "\"\r\n";
}

// The tree, by path below the root. Besides the patches it holds what the
// library passes over: a hidden folder, a text file, a ".sif" file.
inline void writeLibraryTree(const std::filesystem::path& root)
{
    const std::vector<std::pair<std::string, std::string>> files{
        {"Live/Shimmer Hall.sig", libraryPatch("Shimmer Hall", "Ann Lee", {{"HALL", "verb"}, {"PITCH", "up"}})},
        {"Live/Tape Echo.sig", libraryPatch("Tape Echo", "Bob", {{"DELAY", "echo"}, {"LFO", "wow"}})},
        {"Live/Old/Tape Echo.bak", libraryPatch("Tape Echo", "Bob", {{"DELAY", "echo"}})},
        {"Studio/Plate.sig", libraryPatch("Bright Plate", "Cleo", {{"PLATE", "hall"}, {"EQ", "tone"}})},
        {"Studio/Deep/Choir.sig", libraryPatch("Choir Shimmer", "ann", {{"CHORUS", "chl"}, {"HALL", "room"}})},
        {"Studio/notes.txt", "HEADM adc \"Notes\" lib\r\nHALL verb\r\n"},
        {"Studio/Legacy.sif", libraryPatch("Legacy", "Bob", {{"HALL", "verb"}})},
        {".trash/Gone.sig", libraryPatch("Gone Shimmer", "Bob", {{"HALL", "verb"}})},
    };
    for (const auto& [path, text] : files) {
        std::filesystem::create_directories((root / path).parent_path());
        writeFile(root / path, text);
    }
}

} // namespace tosk::test
