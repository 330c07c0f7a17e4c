// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace tosk {

// What an open or save panel asks (FileChooser shows it).
struct FileRequest {
    bool save = false; // save panel rather than open panel
    std::string title;
    std::string message;
    std::string directory;              // folder the panel opens in
    std::string suggestedName;          // save panels
    std::vector<std::string> fileTypes; // extensions without the dot; empty: any
    // The panel's filters ("Patches (*.sig *.sif)"), the first one chosen;
    // empty: one made of fileTypes.
    std::vector<std::string> nameFilters;
    bool chooseFolders = false;
    const void* window = nullptr; // non-null: a sheet on that window
};

} // namespace tosk
