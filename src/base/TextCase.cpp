// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/TextCase.h"

#include <algorithm>

namespace tosk {

namespace {

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int sign(int value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lowerCasedChar(x) == lowerCasedChar(y); });
}

bool containsIgnoringCase(std::string_view text, std::string_view part)
{
    if (part.size() > text.size())
        return false;
    for (size_t i = 0; i + part.size() <= text.size(); ++i)
        if (equalsIgnoringCase(text.substr(i, part.size()), part))
            return true;
    return false;
}

std::string lowerCased(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lowerCasedChar);
    return out;
}

std::string upperCased(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), upper);
    return out;
}

int naturalCompare(std::string_view a, std::string_view b)
{
    // The first difference that only counts when nothing else tells the
    // names apart.
    int tie = 0;
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const size_t startA = i, startB = j;
            while (i < a.size() && isDigit(a[i]))
                ++i;
            while (j < b.size() && isDigit(b[j]))
                ++j;
            size_t firstA = startA, firstB = startB;
            while (firstA + 1 < i && a[firstA] == '0')
                ++firstA;
            while (firstB + 1 < j && b[firstB] == '0')
                ++firstB;
            // Without leading zeros the longer number is the larger.
            if (i - firstA != j - firstB)
                return i - firstA < j - firstB ? -1 : 1;
            if (const int digits = a.substr(firstA, i - firstA).compare(b.substr(firstB, j - firstB)))
                return sign(digits);
            if (tie == 0 && i - startA != j - startB)
                tie = i - startA < j - startB ? -1 : 1;
            continue;
        }
        const auto x = static_cast<unsigned char>(lowerCasedChar(a[i]));
        const auto y = static_cast<unsigned char>(lowerCasedChar(b[j]));
        if (x != y)
            return x < y ? -1 : 1;
        if (tie == 0 && a[i] != b[j])
            tie = static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return tie;
}

} // namespace tosk
