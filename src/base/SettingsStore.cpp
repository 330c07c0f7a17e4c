// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/SettingsStore.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace tosk {

bool SettingsStore::boolValue(const std::string& key) const
{
    auto v = value(key);
    if (!v)
        return false;
    std::string s = *v;
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    if (s == "true" || s == "yes")
        return true;
    return std::atoi(s.c_str()) != 0;
}

std::optional<std::string> MemorySettingsStore::value(const std::string& key) const
{
    auto it = values.find(key);
    if (it == values.end())
        return std::nullopt;
    return it->second;
}

void MemorySettingsStore::setValue(const std::string& key, const std::string& value) { values[key] = value; }

void MemorySettingsStore::remove(const std::string& key) { values.erase(key); }

} // namespace tosk
