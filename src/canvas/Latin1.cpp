#include "canvas/Latin1.h"

#include "base/Localization.h"

namespace tosk {

QString Latin1::qstring(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string Latin1::bytes(const QString& text)
{
    return text.toLatin1().toStdString();
}

QString Latin1::text(const char* key, const char* fallback)
{
    return qstring(localized(key, fallback));
}

} // namespace tosk
