// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/InfoLine.h"

#include "Toskfile/InstanceCounter.h"
#include "Toskfile/MenuStatement.h"
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

} // namespace

std::optional<InfoLine> InfoLine::infoFor(const Module& module, int showMode)
{
    if (!(showMode & Module::SHOW_INFO) || !module.operatorClassIs("INTERFACE"))
        return std::nullopt;

    // The database keeps operator names in capitals.
    // Repetitions are counted along the way: a list of choices can be long.
    InstanceCounter instances;
    if (module.name() == "MENUPAGE") {
        for (const auto& f : module.fieldArray())
            if (startsWith(f->entryName(OperatorField::DESCRIPTION, instances.next(*f)), "8 char name"))
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
        const int instance = instances.next(*f);
        std::string name = f->entryName(OperatorField::NAME, instance);
        if (startsWith(f->entryName(OperatorField::DESCRIPTION, instance), "menu statement"))
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
            text = MenuStatement::apply(*format, choices[size_t(index)]);
    } else if (value) {
        text = MenuStatement::apply(*format, numberString(*value));
    } else {
        text = MenuStatement::apply(*format, fallback);
    }
    InfoLine line{text.value_or(kInvalidFormat), std::nullopt};
    if (!value && (showMode & Module::SHOW_DEFAULTS))
        line.range = numberString(minimum) + "..." + numberString(maximum);
    return line;
}

} // namespace tosk
