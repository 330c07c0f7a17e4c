// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace tosk {

struct FileRequest {
    bool save = false;                   // save panel rather than open panel
    std::string title;
    std::string message;
    std::string directory;               // folder the panel opens in
    std::string suggestedName;           // save panels
    std::vector<std::string> fileTypes;  // extensions without the dot; empty: any
    // The panel's filters ("Patches (*.sig *.sif)"), the first one chosen;
    // empty: one made of fileTypes.
    std::vector<std::string> nameFilters;
    bool chooseFolders = false;
    const void* window = nullptr;        // non-null: a sheet on that window
};

// Open and save panels, behind an interface so that the core can ask for a
// file without a window system.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> choose(const FileRequest& request) = 0;

    static FileChooser& shared();
    static void setShared(FileChooser* chooser); // null restores the stderr default
};

// Non-interactive: says what it was asked on stderr and answers "cancelled".
class StderrFileChooser : public FileChooser {
public:
    std::optional<std::string> choose(const FileRequest& request) override;
};

// Answers scripted paths in order (then "cancelled") and records the requests.
class ScriptedFileChooser : public FileChooser {
public:
    std::optional<std::string> choose(const FileRequest& request) override;
    std::vector<FileRequest> requests;
    std::deque<std::optional<std::string>> answers;
};

class ScopedScriptedFileChooser : public ScriptedFileChooser {
public:
    ScopedScriptedFileChooser();
    ~ScopedScriptedFileChooser() override;
    ScopedScriptedFileChooser(const ScopedScriptedFileChooser&) = delete;
    ScopedScriptedFileChooser& operator=(const ScopedScriptedFileChooser&) = delete;

private:
    FileChooser* previous_;
};

} // namespace tosk
