// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace tosk {

// String helpers shared by every reader and writer of sig-file text. Strings
// are 8-bit byte strings.

// Whether `sub` occurs anywhere in `s`. An empty `sub` occurs nowhere.
bool containsString(std::string_view s, std::string_view sub);
// Index of the first / last byte `c` in `s`, or -1.
long indexOfChar(std::string_view s, char c);
long lastIndexOfChar(std::string_view s, char c);

// The whole string is one signed decimal integer; white space around it is
// allowed ("  -12 ").
bool isInteger(std::string_view s);
// The whole string is one decimal number: optional sign, digits with an
// optional fraction (or a fraction alone), optional exponent; white space
// around it is allowed.
bool isFloat(std::string_view s);
// How the file decides whether a value is written unquoted: as isFloat.
bool isNumeric(std::string_view s);

// The value as written into a sig file: quoted when it holds a comma, back
// quote, tilde, percent, slash, backslash, bar, apostrophe, space or
// semicolon, or when its first byte is a control byte or 0x80 and above
// (with apostrophes when it holds a double quote); empty and already quoted
// values unchanged.
std::string quoteIfNeeded(std::string_view s);
// The same in place, for the part of `text` from `from` on: a writer appends
// a value and quotes it where it stands, without a copy.
void quoteIfNeededFrom(std::string& text, size_t from);

// A number as the file stores it: four decimals at most, trailing zeros and a
// trailing point removed, no "-0" ("2", "1.5", "1.2346", "0").
std::string numberString(double value);

// A patch name made fit for a file name: every ":" becomes "-" and every "/"
// becomes "|".
std::string convertToFileName(std::string_view patchName);
// The reverse: "-" becomes ":" and "|" becomes "/".
std::string convertToPatchName(std::string_view fileName);

} // namespace tosk
