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
    return message(localized(key, fallback));
}

QString Latin1::message(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

} // namespace tosk
