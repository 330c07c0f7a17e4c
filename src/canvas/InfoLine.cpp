#include "canvas/InfoLine.h"

#include "Toskfile/Module.h"
#include "Toskfile/MyExtensions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tosk {

namespace {

bool startsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

std::string shown(const ModuleField& field)
{
    return field.getName(true, false, false, false, true);
}

double floatOf(const ModuleField& field)
{
    return std::atof(shown(field).c_str());
}

// A NUL is in no set.
bool oneOf(const char* set, char c)
{
    return c != '\0' && std::strchr(set, c);
}

// Widths and precisions beyond this make no sense on a 78-point line.
constexpr int kMaxWidth = 64;

} // namespace

std::optional<std::string> InfoLine::applyFormat(const std::string& format,
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
        std::string spec = "%";
        size_t j = i + 1;
        while (j < format.size() && oneOf("-+ #0", format[j]))
            spec += format[j++];
        // Digits of a width or precision; false past what a line can hold.
        auto digits = [&] {
            int value = 0;
            while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j]))) {
                value = value * 10 + (format[j] - '0');
                if (value > kMaxWidth)
                    return false;
                spec += format[j++];
            }
            return true;
        };
        if (!digits())
            return std::nullopt;
        if (j < format.size() && format[j] == '.') {
            spec += format[j++];
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

        char buffer[256];
        if (oneOf("s@", conv)) {
            std::string value = text ? *text : numberString(number);
            std::snprintf(buffer, sizeof buffer, (spec + "s").c_str(), value.c_str());
        } else if (oneOf("di", conv)) {
            std::snprintf(buffer, sizeof buffer, (spec + "lld").c_str(), static_cast<long long>(number));
        } else if (oneOf("ouxX", conv)) {
            std::snprintf(buffer, sizeof buffer, (spec + "ll" + conv).c_str(),
                          static_cast<unsigned long long>(static_cast<long long>(number)));
        } else if (oneOf("eEfFgG", conv)) {
            std::snprintf(buffer, sizeof buffer, (spec + conv).c_str(), number);
        } else {
            return std::nullopt;
        }
        out += buffer;
    }
    return out;
}

std::optional<InfoLine> InfoLine::infoFor(const Module& module, int showMode)
{
    if (!(showMode & Module::SHOW_INFO) || !module.operatorClassIs("INTERFACE"))
        return std::nullopt;

    // The database keeps operator names in capitals.
    if (module.name() == "MENUPAGE") {
        for (const auto& f : module.fieldArray())
            if (startsWith(f->entryName(OperatorField::DESCRIPTION), "8 char name"))
                return InfoLine{shown(*f), std::nullopt};
        return std::nullopt;
    }
    if (!module.field("CONTROL", OperatorField::TYPE))
        return std::nullopt;

    std::optional<std::string> format;
    double minimum = 0, maximum = 0, fallback = 0;
    std::optional<double> value;
    std::vector<std::string> choices;
    for (const auto& f : module.fieldArray()) {
        std::string name = f->name();
        if (startsWith(f->entryName(OperatorField::DESCRIPTION), "menu statement"))
            format = shown(*f);
        else if (name == "min" || name == "min in")
            minimum = floatOf(*f);
        else if (name == "max" || name == "max in")
            maximum = floatOf(*f);
        else if (name == "default")
            fallback = floatOf(*f);
        else if (startsWith(name, "value") && f->type() == OperatorEntry::ED_FLOAT)
            value = floatOf(*f);
        else if (startsWith(name, "value") && f->type() == OperatorEntry::ED_STRING)
            choices.push_back(shown(*f));
    }
    if (!format)
        return std::nullopt;

    std::optional<std::string> text;
    if (value && !choices.empty()) {
        // A value that indexes no choice is a statement we cannot apply.
        double index = std::floor(*value);
        if (index >= 0 && index < double(choices.size()))
            text = applyFormat(*format, choices[size_t(index)]);
    } else if (value) {
        text = applyFormat(*format, numberString(*value));
    } else {
        text = applyFormat(*format, fallback);
    }
    InfoLine line{text.value_or(kInvalidFormat), std::nullopt};
    if (!value && (showMode & Module::SHOW_DEFAULTS))
        line.range = numberString(minimum) + "..." + numberString(maximum);
    return line;
}

} // namespace tosk
