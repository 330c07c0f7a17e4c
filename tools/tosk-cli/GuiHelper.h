// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/SettingsStore.h"

#include <string>
#include <vector>

namespace tosk::cli {

// tosk-cli's drawing helper holds whatever needs the toolkit (pictures, the
// editor's settings), so that tosk-cli itself starts without loading it.
// It sits beside tosk-cli in the build and in libexec/tosk when installed;
// "" when it is in neither place.
std::string guiHelperPath();

// Replaces this process by the helper running `command args` (its output and
// status are the command's); comes back only when the helper cannot start,
// with the reason told on stderr and status 1.
int runInGuiHelper(const std::string& command, const std::vector<std::string>& args);

// The editor's settings, read through the helper the first time one is asked
// for. Read only: changes go to the overlay above it.
class HelperSettingsStore : public SettingsStore {
public:
    std::optional<std::string> value(const std::string& key) const override;
    void setValue(const std::string& key, const std::string& value) override;
    void remove(const std::string& key) override;

    // What the helper writes: each key and its value, each ended by a 0 byte.
    static std::map<std::string, std::string> parse(const std::string& bytes);

private:
    mutable std::optional<std::map<std::string, std::string>> values_;
};

} // namespace tosk::cli
