// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace tosk {

// The model's strings are 8-bit Latin-1 bytes; the windows convert them here
// and nowhere else. Messages (alerts, the localisation table, file names)
// are UTF-8 instead.
class Latin1 {
public:
    static QString qstring(std::string_view bytes);
    // Characters past Latin-1 become '?'.
    static std::string bytes(const QString& text);
    // For text typed for a patch: "" when Latin-1 holds every character,
    // else the message (UTF-8) naming the first character it cannot hold.
    static std::string refusal(const QString& text);
    // An entry of the localisation table, for a window.
    static QString text(const char* key, const char* fallback);
    static QString message(std::string_view utf8);
};

} // namespace tosk
