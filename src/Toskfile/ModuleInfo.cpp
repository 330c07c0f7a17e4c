// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ModuleInfo.h"

#include "Toskfile/Module.h"
#include "Toskfile/MyExtensions.h"
#include "Toskfile/SigfileTokenizer.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/TkxException.h"

#include <charconv>
#include <cmath>

namespace tosk {

namespace {

void appendNumber(std::string& out, long long value)
{
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// A position cut to a whole number, as the file keeps it: what
// numberString gives for a whole number, without formatting a float.
void appendWholeNumber(std::string& out, double value)
{
    const double whole = std::trunc(value);
    if (std::fabs(whole) < 1e15)
        appendNumber(out, static_cast<long long>(whole));
    else
        out += numberString(whole);
}

} // namespace

std::string ModuleInfo::write(const Module& module, const Point& offset)
{
    std::string info;
    append(info, module, offset);
    return info;
}

void ModuleInfo::append(std::string& out, const Module& module, const Point& offset)
{
    const size_t from = out.size();
    if (module.isPlaced()) {
        out += " ;=";
        appendWholeNumber(out, module.rect().x() + offset.x);
        out += ',';
        appendWholeNumber(out, module.rect().y() + offset.y);
        out += ',';
        appendWholeNumber(out, module.rect().width());
        out += ",0";
    }
    if (module.isSuper())
        return;
    const auto& fields = module.fieldArray();
    bool first = true;
    for (size_t i = 0; i < fields.size(); ++i) {
        const int hidden = fields[i]->savedHideCount();
        if (hidden == 0)
            continue;
        if (first) {
            if (out.size() == from)
                out += " ;=";
            out += " f= ";
            first = false;
        } else {
            out += ',';
        }
        appendNumber(out, static_cast<long long>(i));
        out += ',';
        appendNumber(out, hidden);
    }
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
