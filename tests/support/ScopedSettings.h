// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/PreferenceController.h"
#include "base/SettingsStore.h"

namespace tosk::test {

// Settings of the test's own, in memory, for as long as it lives: what
// PreferenceController reads and writes meanwhile.
struct ScopedSettings {
    MemorySettingsStore store;
    ScopedSettings() { PreferenceController::setStore(&store); }
    ~ScopedSettings() { PreferenceController::setStore(nullptr); }
    ScopedSettings(const ScopedSettings&) = delete;
    ScopedSettings& operator=(const ScopedSettings&) = delete;
};

} // namespace tosk::test
