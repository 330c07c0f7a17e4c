#include "Toskfile/MenuStatement.h"

#include "Toskfile/MyExtensions.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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
        size_t j = i + 1;
        while (j < format.size() && oneOf("-+ #0", format[j]))
            directive += format[j++];
        // Digits of a width or precision; false past what a line can hold.
        auto digits = [&] {
            int value = 0;
            while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j]))) {
                value = value * 10 + (format[j] - '0');
                if (value > kMaxWidth)
                    return false;
                directive += format[j++];
            }
            return true;
        };
        if (!digits())
            return std::nullopt;
        if (j < format.size() && format[j] == '.') {
            directive += format[j++];
            if (!digits())
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
                number = std::atof(text->c_str());
            }
        } else {
            number = std::get<double>(argument);
        }

        // An integer conversion shows only what an integer can hold.
        const bool integer = oneOf("diouxX", conv);
        if (integer && !(std::fabs(number) < 9.2e18))
            return std::nullopt;
        char buffer[256];
        if (oneOf("s@", conv)) {
            std::string value = text ? *text : numberString(number);
            std::snprintf(buffer, sizeof buffer, (directive + "s").c_str(), value.c_str());
        } else if (oneOf("di", conv)) {
            std::snprintf(buffer, sizeof buffer, (directive + "lld").c_str(), static_cast<long long>(number));
        } else if (oneOf("ouxX", conv)) {
            std::snprintf(buffer, sizeof buffer, (directive + "ll" + conv).c_str(),
                          static_cast<unsigned long long>(static_cast<long long>(number)));
        } else if (oneOf("eEfFgG", conv)) {
            std::snprintf(buffer, sizeof buffer, (directive + conv).c_str(), number);
        } else {
            return std::nullopt;
        }
        out += buffer;
    }
    return out;
}

} // namespace tosk
