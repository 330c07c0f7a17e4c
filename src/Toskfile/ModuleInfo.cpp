// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ModuleInfo.h"

#include "Toskfile/Module.h"
#include "Toskfile/MyExtensions.h"
#include "Toskfile/SigfileTokenizer.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/TkxException.h"

#include <cmath>

namespace tosk {

namespace {

// A position cut to a whole number, as the file keeps it: what
// numberString gives for a whole number, without formatting a float.
std::string wholeNumber(double value)
{
    const double whole = std::trunc(value);
    if (std::fabs(whole) < 1e15)
        return std::to_string(static_cast<long long>(whole));
    return numberString(whole);
}

} // namespace

std::string ModuleInfo::write(const Module& module, const Point& offset)
{
    std::string info;
    if (module.isPlaced()) {
        info = " ;=";
        info += wholeNumber(module.rect().x() + offset.x);
        info += ',';
        info += wholeNumber(module.rect().y() + offset.y);
        info += ',';
        info += wholeNumber(module.rect().width());
        info += ",0";
    }
    if (module.isSuper())
        return info;
    const auto& fields = module.fieldArray();
    bool first = true;
    for (size_t i = 0; i < fields.size(); ++i) {
        std::string hidden = fields[i]->fieldInfo();
        if (hidden.empty())
            continue;
        if (first) {
            if (info.empty())
                info = " ;=";
            info += " f= ";
            first = false;
        } else {
            info += ",";
        }
        info += std::to_string(i);
        info += ',';
        info += hidden;
    }
    return info;
}

bool ModuleInfo::read(Module& module, std::string_view text)
{
    if (text.size() < 2 || text[0] != ';' || text[1] != '=')
        return false;
    SigfileTokenizer tokenizer(text.substr(2), ", ");
    double numbers[3] = {0, 0, 0};
    int numberCount = 0;
    while (auto item = tokenizer.nextTokenView()) {
        if (*item == "f=") {
            while (auto index = tokenizer.nextTokenView()) {
                auto hidden = tokenizer.nextTokenView();
                if (!hidden)
                    break;
                Module::FieldPtr f = module.indexField(static_cast<size_t>(OperatorField::integerValue(*index)));
                if (!f)
                    throw TkxException("Module.indexField", format("invalid index: %s", latin1ToUtf8(*index).c_str()));
                f->setHideCount(static_cast<uint8_t>(OperatorField::integerValue(*hidden)));
            }
            break;
        }
        if (isNumeric(*item)) {
            if (numberCount < 3)
                numbers[numberCount] = OperatorField::decimalValue(*item);
            ++numberCount;
        }
    }
    if (numberCount < 2)
        return false;
    module.moveToPosition(Point{numbers[0], numbers[1]});
    return true;
}

} // namespace tosk
