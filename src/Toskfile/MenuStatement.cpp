// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/MenuStatement.h"

#include "Toskfile/MyExtensions.h"
#include "base/NumberText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tosk {

namespace {

// A NUL is in no set.
bool oneOf(const char* set, char c)
{
    return c != '\0' && std::strchr(set, c);
}

// Widths and precisions beyond this make no sense on a 78-point line.
constexpr int kMaxWidth = 64;
// Nor does more of one conversion than this ("%.64f" of 1e300 is longer).
constexpr size_t kMaxConversion = 255;

struct Directive {
    bool left = false, plus = false, space = false, alternate = false, zero = false;
    int width = 0;
    int precision = -1; // none given
};

// printf's e, f and g conversions (and their capitals) as the "C" locale
// prints them, whatever locale the process has.
std::string floatText(double number, char conv, const Directive& d)
{
    std::string body;
    if (!std::isfinite(number)) {
        body = std::isnan(number) ? "nan" : "inf";
    } else {
        const double magnitude = std::fabs(number);
        const int precision = d.precision < 0 ? 6 : d.precision;
        char buffer[400]; // %.64f of the largest double needs 374
        auto print = [&](std::chars_format style, int digits) {
            return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, magnitude, style, digits).ptr);
        };
        const char style = char(conv | 0x20);
        if (style == 'f') {
            body = print(std::chars_format::fixed, precision);
        } else if (style == 'e') {
            body = print(std::chars_format::scientific, precision);
        } else if (!d.alternate) {
            body = print(std::chars_format::general, precision);
        } else {
            // '#' keeps the zeros %g drops, so choose between %e and %f here.
            const int significant = std::max(precision, 1);
            body = print(std::chars_format::scientific, significant - 1);
            const int exponent = leadingInteger(std::string_view(body).substr(body.find('e') + 1));
            if (exponent >= -4 && exponent < significant)
                body = print(std::chars_format::fixed, significant - 1 - exponent);
        }
        if (d.alternate && body.find('.') == std::string::npos)
            body.insert(body.begin() + std::ptrdiff_t(std::min(body.find('e'), body.size())), '.');
    }
    if (conv >= 'A' && conv <= 'Z')
        for (char& c : body)
            c = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    const std::string sign = std::signbit(number) ? "-" : d.plus ? "+" : d.space ? " " : "";
    const size_t length = sign.size() + body.size();
    if (size_t(d.width) <= length)
        return sign + body;
    const std::string padding(size_t(d.width) - length, d.zero && !d.left && std::isfinite(number) ? '0' : ' ');
    if (d.left)
        return sign + body + padding;
    return padding[0] == '0' ? sign + padding + body : padding + sign + body;
}

} // namespace

std::optional<std::string> MenuStatement::apply(const std::string& format,
                                                const std::variant<std::string, double>& argument)
{
    std::string out;
    bool converted = false;
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        if (converted)
            return std::nullopt;
        converted = true;
        std::string directive = "%";
        Directive d;
        size_t j = i + 1;
        for (; j < format.size() && oneOf("-+ #0", format[j]); ++j) {
            directive += format[j];
            d.left |= format[j] == '-';
            d.plus |= format[j] == '+';
            d.space |= format[j] == ' ';
            d.alternate |= format[j] == '#';
            d.zero |= format[j] == '0';
        }
        // Digits of a width or precision; false past what a line can hold.
        auto digits = [&](int& value) {
            value = 0;
            while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j]))) {
                value = value * 10 + (format[j] - '0');
                if (value > kMaxWidth)
                    return false;
                directive += format[j++];
            }
            return true;
        };
        if (!digits(d.width))
            return std::nullopt;
        if (j < format.size() && format[j] == '.') {
            directive += format[j++];
            if (!digits(d.precision))
                return std::nullopt;
        }
        while (j < format.size() && oneOf("hlLqjzt", format[j]))
            ++j; // the argument's size is ours to choose
        if (j >= format.size())
            return std::nullopt;
        char conv = format[j];
        i = j;

        const std::string* text = std::get_if<std::string>(&argument);
        double number = 0;
        if (text) {
            if (!oneOf("s@", conv)) {
                if (!isNumeric(*text))
                    return std::nullopt;
                number = leadingDecimal(*text);
            }
        } else {
            number = std::get<double>(argument);
        }

        // An integer conversion shows only what an integer can hold.
        const bool integer = oneOf("diouxX", conv);
        if (integer && !(std::fabs(number) < 9.2e18))
            return std::nullopt;
        if (oneOf("eEfFgG", conv)) {
            out += floatText(number, conv, d).substr(0, kMaxConversion);
            continue;
        }
        char buffer[kMaxConversion + 1];
        if (oneOf("s@", conv)) {
            std::string value = text ? *text : numberString(number);
            std::snprintf(buffer, sizeof buffer, (directive + "s").c_str(), value.c_str());
        } else if (oneOf("di", conv)) {
            std::snprintf(buffer, sizeof buffer, (directive + "lld").c_str(), static_cast<long long>(number));
        } else if (oneOf("ouxX", conv)) {
            std::snprintf(buffer, sizeof buffer, (directive + "ll" + conv).c_str(),
                          static_cast<unsigned long long>(static_cast<long long>(number)));
        } else {
            return std::nullopt;
        }
        out += buffer;
    }
    return out;
}

} // namespace tosk
