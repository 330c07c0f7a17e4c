// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/NumberText.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace tosk {

namespace {

bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

size_t skipBlanks(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

// The power of ten of the first significant digit of a decimal text that
// from_chars found out of range; only its sign matters (above or below the
// range), so a long exponent saturates.
long long decimalOrder(std::string_view number)
{
    long long order = 0;
    bool significant = false, fraction = false;
    size_t i = 0;
    for (; i < number.size() && (isDigit(number[i]) || number[i] == '.'); ++i) {
        if (number[i] == '.') {
            fraction = true;
        } else if (!fraction) {
            if (significant)
                ++order;
            else
                significant = number[i] != '0';
        } else if (!significant) {
            --order;
            significant = number[i] != '0';
        }
    }
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        size_t j = i + 1;
        bool negative = false;
        if (j < number.size() && (number[j] == '+' || number[j] == '-'))
            negative = number[j++] == '-';
        long long exponent = 0;
        for (; j < number.size() && isDigit(number[j]); ++j)
            exponent = std::min(exponent * 10 + (number[j] - '0'), 1000000000LL);
        order += negative ? -exponent : exponent;
    }
    return order;
}

} // namespace

int32_t leadingInteger(std::string_view text)
{
    size_t i = skipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

double leadingDecimal(std::string_view text)
{
    size_t i = skipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // from_chars would take a second sign, "inf" and "nan"; none is a number here.
    if (i >= text.size() || !(isDigit(text[i]) || text[i] == '.'))
        return 0;
    const char* first = text.data() + i;
    double value = 0;
    auto [end, error] = std::from_chars(first, text.data() + text.size(), value, std::chars_format::general);
    if (error == std::errc::invalid_argument)
        return 0;
    if (error == std::errc::result_out_of_range)
        value = decimalOrder(std::string_view(first, size_t(end - first))) > 0 ? HUGE_VAL : 0.0;
    return negative ? -value : value;
}

} // namespace tosk
