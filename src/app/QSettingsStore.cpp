// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QSettingsStore.h"

#include "canvas/Latin1.h"

namespace tosk {

QSettingsStore::QSettingsStore() : settings_(QStringLiteral("Tosk"), QStringLiteral("Tosk")) {}

QSettingsStore::QSettingsStore(const QString& iniFile) : settings_(iniFile, QSettings::IniFormat) {}

std::optional<std::string> QSettingsStore::value(const std::string& key) const
{
    QString k = Latin1::qstring(key);
    if (!settings_.contains(k))
        return std::nullopt;
    return Latin1::bytes(settings_.value(k).toString());
}

void QSettingsStore::setValue(const std::string& key, const std::string& value)
{
    settings_.setValue(Latin1::qstring(key), Latin1::qstring(value));
}

void QSettingsStore::remove(const std::string& key)
{
    settings_.remove(Latin1::qstring(key));
}

void QSettingsStore::sync()
{
    settings_.sync();
}

} // namespace tosk
