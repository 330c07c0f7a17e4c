// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace tosk {

// Case rules for names in sig files and the database: ASCII letters only,
// bytes of 0x80 and above are compared as they are.
// One byte lower-cased by that rule; inline for the loops that hash names.
inline char lowerCasedChar(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
bool equalsIgnoringCase(std::string_view a, std::string_view b);
bool containsIgnoringCase(std::string_view text, std::string_view part);
std::string lowerCased(std::string_view text);
std::string upperCased(std::string_view text);

// The order a person reads a list of names in: runs of digits compare as
// numbers ("Folder 2" before "Folder 10"), letters without regard to case.
// Names equal so far are told apart by their leading zeros ("1" before
// "01"), then byte for byte ("A" before "a"), so that only equal names
// answer 0.
int naturalCompare(std::string_view a, std::string_view b);

} // namespace tosk
