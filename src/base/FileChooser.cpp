// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/FileChooser.h"

#include <cstdio>

namespace tosk {

namespace {
FileChooser* fallbackChooser()
{
    static StderrFileChooser fallback;
    return &fallback;
}
FileChooser*& current()
{
    static FileChooser* chooser = fallbackChooser();
    return chooser;
}
} // namespace

FileChooser& FileChooser::shared() { return *current(); }

void FileChooser::setShared(FileChooser* chooser) { current() = chooser ? chooser : fallbackChooser(); }

std::optional<std::string> StderrFileChooser::choose(const FileRequest& request)
{
    std::fprintf(stderr, "%s: %s (no file chosen)\n", request.title.c_str(), request.message.c_str());
    return std::nullopt;
}

std::optional<std::string> ScriptedFileChooser::choose(const FileRequest& request)
{
    requests.push_back(request);
    if (answers.empty())
        return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
}

ScopedScriptedFileChooser::ScopedScriptedFileChooser() : previous_(&FileChooser::shared())
{
    FileChooser::setShared(this);
}

ScopedScriptedFileChooser::~ScopedScriptedFileChooser() { FileChooser::setShared(previous_); }

} // namespace tosk
