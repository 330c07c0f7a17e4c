// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/SettingsStore.h"

#include <QSettings>

namespace tosk {

// The app's settings: QSettings under organisation and application "Tosk".
class QSettingsStore : public SettingsStore {
public:
    QSettingsStore();
    // For tests: a settings file of its own.
    explicit QSettingsStore(const QString& iniFile);

    std::optional<std::string> value(const std::string& key) const override;
    void setValue(const std::string& key, const std::string& value) override;
    void remove(const std::string& key) override;
    void sync();

private:
    QSettings settings_;
};

} // namespace tosk
