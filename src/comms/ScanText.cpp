// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/ScanText.h"

#include "base/NumberText.h"

#include <cctype>
#include <climits>

namespace tosk {

namespace {

// The "C" locale's white space, whatever locale the process has.
bool isSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

size_t skipSpace(const std::string& s, size_t i = 0)
{
    while (i < s.size() && isSpace(s[i]))
        ++i;
    return i;
}

} // namespace

std::optional<uint32_t> scanHex(const std::string& text)
{
    size_t i = skipSpace(text);
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2])))
        i += 2;
    uint64_t value = 0;
    bool any = false;
    for (; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i) {
        any = true;
        char c = char(std::tolower(static_cast<unsigned char>(text[i])));
        value = value * 16 + uint64_t(isDigit(c) ? c - '0' : c - 'a' + 10);
        if (value > UINT32_MAX)
            value = uint64_t(UINT32_MAX) + 1; // keeps growing no further
    }
    if (!any)
        return std::nullopt;
    return value > UINT32_MAX ? UINT32_MAX : uint32_t(value);
}

std::optional<double> scanDecimal(const std::string& text)
{
    size_t start = skipSpace(text), i = start;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && isDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return leadingDecimal(std::string_view(text).substr(start, i - start));
}

std::optional<long> scanInteger(const std::string& text, std::string* rest)
{
    size_t i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i >= text.size() || !isDigit(text[i]))
        return std::nullopt;
    long value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        value = value > (LONG_MAX - 9) / 10 ? LONG_MAX : value * 10 + (text[i] - '0');
    if (value > INT_MAX)
        value = INT_MAX; // a unit's numbers are 32-bit; clamp rather than wrap
    if (rest)
        *rest = text.substr(i);
    return negative ? -value : value;
}

std::string trimWhiteSpace(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && isSpace(text[b]))
        ++b;
    while (e > b && isSpace(text[e - 1]))
        --e;
    return text.substr(b, e - b);
}

} // namespace tosk
