// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/SettingsStore.h"

#include <memory>
#include <set>

namespace tosk::cli {

// Reads through to another store but keeps every change to itself, so that a
// command-line run sees the user's settings and never rewrites them.
class OverlaySettingsStore : public SettingsStore {
public:
    explicit OverlaySettingsStore(std::unique_ptr<SettingsStore> base);

    // The user's settings when tosk-cli is built with the GUI layer (read
    // through its drawing helper), else an empty store.
    static OverlaySettingsStore& userSettings();

    std::optional<std::string> value(const std::string& key) const override;
    void setValue(const std::string& key, const std::string& value) override;
    void remove(const std::string& key) override;

private:
    std::unique_ptr<SettingsStore> base_;
    MemorySettingsStore changed_;
    std::set<std::string> removed_;
};

} // namespace tosk::cli
