// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/FileRequest.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace tosk {

// Open and save panels, behind an interface so that the layers above the
// model can ask for a file without a window system (the CLI, tests).
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
