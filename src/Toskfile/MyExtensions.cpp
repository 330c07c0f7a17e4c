// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/MyExtensions.h"

#include "base/Log.h"
#include "base/NumberText.h"
#include "base/TkxException.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace tosk {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

size_t skipSpace(std::string_view s, size_t i)
{
    while (i < s.size() && isSpace(s[i]))
        ++i;
    return i;
}

size_t skipDigits(std::string_view s, size_t i)
{
    while (i < s.size() && isDigit(s[i]))
        ++i;
    return i;
}

size_t skipSign(std::string_view s, size_t i)
{
    return i < s.size() && (s[i] == '+' || s[i] == '-') ? i + 1 : i;
}

// The bytes a plain (unquoted) value cannot hold.
constexpr std::array<bool, 256> kEndsPlainValue = [] {
    std::array<bool, 256> table{};
    for (const char c : std::string_view(",`~%/\\|' ;"))
        table[static_cast<unsigned char>(c)] = true;
    return table;
}();

} // namespace

bool containsString(std::string_view s, std::string_view sub)
{
    return !sub.empty() && s.find(sub) != std::string_view::npos;
}

long indexOfChar(std::string_view s, char c)
{
    size_t i = s.find(c);
    return i == std::string_view::npos ? -1 : static_cast<long>(i);
}

long lastIndexOfChar(std::string_view s, char c)
{
    size_t i = s.rfind(c);
    return i == std::string_view::npos ? -1 : static_cast<long>(i);
}

bool isInteger(std::string_view s)
{
    size_t i = skipSign(s, skipSpace(s, 0));
    size_t digitsEnd = skipDigits(s, i);
    if (digitsEnd == i)
        return false;
    return skipSpace(s, digitsEnd) == s.size();
}

bool isFloat(std::string_view s)
{
    size_t i = skipSign(s, skipSpace(s, 0));
    size_t intEnd = skipDigits(s, i);
    bool digits = intEnd > i;
    i = intEnd;
    if (i < s.size() && s[i] == '.') {
        size_t fracEnd = skipDigits(s, i + 1);
        digits = digits || fracEnd > i + 1;
        i = fracEnd;
    }
    if (!digits)
        return false;
    // An exponent counts only with digits; "1e" leaves the "e" unread.
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t e = skipSign(s, i + 1);
        size_t expEnd = skipDigits(s, e);
        if (expEnd > e)
            i = expEnd;
    }
    return skipSpace(s, i) == s.size();
}

bool isNumeric(std::string_view s)
{
    return isFloat(s);
}

void quoteIfNeededFrom(std::string& text, size_t from)
{
    const std::string_view s = std::string_view(text).substr(from);
    if (s.empty())
        return;
    if (s.front() == s.back() && (s.front() == '\'' || s.front() == '"'))
        return;
    // The reader skips a first byte it takes for white space (0x80 and
    // above too) and ends a plain value at ";": such values keep their
    // bytes only inside quotes.
    const bool readerSkipsFirst = static_cast<signed char>(s.front()) <= 32;
    if (!readerSkipsFirst &&
        std::none_of(s.begin(), s.end(), [](char c) { return kEndsPlainValue[static_cast<unsigned char>(c)]; }))
        return;
    const char quote = s.find('"') != std::string_view::npos ? '\'' : '"';
    text.insert(text.begin() + static_cast<std::ptrdiff_t>(from), quote);
    text += quote;
}

std::string quoteIfNeeded(std::string_view s)
{
    std::string out(s);
    quoteIfNeededFrom(out, 0);
    return out;
}

std::string numberString(double value)
{
    // As "%.4f" prints in the "C" locale, whatever locale the process has.
    char buffer[320]; // the widest is -DBL_MAX: 309 digits, sign, point and four
    std::string text(buffer, std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4).ptr);
    try {
        // "nan" or "inf" is no number the file can hold; say so and leave the
        // text as printed.
        if (!std::isfinite(value))
            throw TkxException("numberString", "not a finite number: " + text);
        if (text.find('.') != std::string::npos) {
            if (text.front() == '.')
                text = "0" + text;
            while (!text.empty() && text.back() == '0')
                text.pop_back();
            if (!text.empty() && text.back() == '.')
                text.pop_back();
        }
        if (!text.empty() && text.front() == '+')
            text.erase(0, 1);
        else if (!text.empty() && text.front() == '-' && leadingDecimal(text) == 0)
            text.erase(0, 1);
    } catch (const std::exception& e) {
        logf("numberString exception: %s", e.what());
    }
    return text;
}

std::string convertToFileName(std::string_view patchName)
{
    std::string out(patchName);
    for (char& c : out) {
        if (c == ':')
            c = '-';
        else if (c == '/')
            c = '|';
    }
    return out;
}

std::string convertToPatchName(std::string_view fileName)
{
    std::string out(fileName);
    for (char& c : out) {
        if (c == '-')
            c = ':';
        else if (c == '|')
            c = '/';
    }
    return out;
}

} // namespace tosk
