// SPDX-License-Identifier: GPL-3.0-or-later
#include "OverlaySettingsStore.h"

#ifdef TOSK_CLI_WITH_GUI
#include "app/QSettingsStore.h"
#elif defined(TOSK_CLI_GUI_HELPER)
#include "GuiHelper.h"
#endif

namespace tosk::cli {

OverlaySettingsStore::OverlaySettingsStore(std::unique_ptr<SettingsStore> base) : base_(std::move(base)) {}

OverlaySettingsStore& OverlaySettingsStore::userSettings()
{
#ifdef TOSK_CLI_WITH_GUI
    static OverlaySettingsStore store(std::make_unique<QSettingsStore>());
#elif defined(TOSK_CLI_GUI_HELPER)
    static OverlaySettingsStore store(std::make_unique<HelperSettingsStore>());
#else
    static OverlaySettingsStore store(std::make_unique<MemorySettingsStore>());
#endif
    return store;
}

std::optional<std::string> OverlaySettingsStore::value(const std::string& key) const
{
    if (auto v = changed_.value(key))
        return v;
    if (removed_.count(key) || !base_)
        return std::nullopt;
    return base_->value(key);
}

void OverlaySettingsStore::setValue(const std::string& key, const std::string& value)
{
    removed_.erase(key);
    changed_.setValue(key, value);
}

void OverlaySettingsStore::remove(const std::string& key)
{
    changed_.remove(key);
    removed_.insert(key);
}

} // namespace tosk::cli
