// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/Latin1.h"

#include "base/Localization.h"

#include <QList>

namespace tosk {

QString Latin1::qstring(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string Latin1::bytes(const QString& text)
{
    return text.toLatin1().toStdString();
}

std::string Latin1::refusal(const QString& text)
{
    const QList<uint> characters = text.toUcs4();
    for (const char32_t c : characters)
        if (c > 0xFF)
            return fillIn(localized("NotLatin1", "'%s' cannot be kept in a patch: a patch file holds Latin-1 "
                                                 "characters only."),
                          {QString::fromUcs4(&c, 1).toStdString()});
    return {};
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
