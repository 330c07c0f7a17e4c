#include "app/QSettingsStore.h"

namespace tosk {

QSettingsStore::QSettingsStore() : settings_(QStringLiteral("Tosk"), QStringLiteral("Tosk")) {}

QSettingsStore::QSettingsStore(const QString& iniFile) : settings_(iniFile, QSettings::IniFormat) {}

std::optional<std::string> QSettingsStore::value(const std::string& key) const
{
    QString k = QString::fromLatin1(key.c_str());
    if (!settings_.contains(k))
        return std::nullopt;
    QByteArray bytes = settings_.value(k).toString().toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void QSettingsStore::setValue(const std::string& key, const std::string& value)
{
    settings_.setValue(QString::fromLatin1(key.c_str()), QString::fromLatin1(value.data(), qsizetype(value.size())));
}

void QSettingsStore::remove(const std::string& key)
{
    settings_.remove(QString::fromLatin1(key.c_str()));
}

void QSettingsStore::sync()
{
    settings_.sync();
}

} // namespace tosk
