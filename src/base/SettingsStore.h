// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <optional>
#include <string>

namespace tosk {

// The per-user settings, as text under string keys. The app keeps them in
// QSettings; tests and the CLI use a map.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::string> value(const std::string& key) const = 0;
    virtual void setValue(const std::string& key, const std::string& value) = 0;
    virtual void remove(const std::string& key) = 0;

    bool contains(const std::string& key) const { return value(key).has_value(); }
    // "true"/"yes"/a non-zero number count as true; absent is false.
    bool boolValue(const std::string& key) const;
    void setBool(const std::string& key, bool on) { setValue(key, on ? "true" : "false"); }
};

class MemorySettingsStore : public SettingsStore {
public:
    std::optional<std::string> value(const std::string& key) const override;
    void setValue(const std::string& key, const std::string& value) override;
    void remove(const std::string& key) override;

    std::map<std::string, std::string> values;
};

} // namespace tosk
