// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/HeadLayout.h"

#include "Toskfile/InstanceCounter.h"
#include "Toskfile/Module.h"
#include "database/OperatorEntry.h"

#include <algorithm>

namespace tosk {

namespace {

// "out1in" is shown as "out1": the name up to its first "in".
std::string outputLabel(const std::string& name)
{
    size_t at = name.find("in");
    return at == std::string::npos ? name : name.substr(0, at);
}

} // namespace

std::vector<HeadLayout::Box> HeadLayout::layOut(const Module& head, double right)
{
    const double menuX = kBoxWidth / 2 - kMenuBoxWidth / 2;
    std::vector<Box> boxes;
    double outputBottom = 0, inputBottom = 0;
    int outputs = 0, inputs = 0;
    // Each field's repetition and name, counted in one pass: a damaged file
    // can repeat a group of the head thousands of times.
    const auto& fields = head.fieldArray();
    std::vector<int> instances;
    std::vector<std::string> names;
    instances.reserve(fields.size());
    names.reserve(fields.size());
    InstanceCounter counter;
    for (const auto& f : fields) {
        instances.push_back(counter.next(*f));
        names.push_back(f->entryName(OperatorField::NAME, instances.back()));
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        ModuleField* f = fields[i].get();
        const std::string& name = names[i];
        switch (f->type()) {
        case OperatorEntry::ED_SIGNAL: {
            Rect r(right, kPitch * outputs++ + 8, kBoxWidth, kBoxHeight);
            outputBottom = std::max(outputBottom, r.maxY());
            boxes.push_back({f, r, "> " + outputLabel(name), false});
            break;
        }
        case OperatorEntry::ED_USEROBJ: {
            const int instance = instances[i];
            Rect r(right + menuX, outputBottom + kBoxSpace * (instance + 1), kMenuBoxWidth, kBoxHeight);
            boxes.push_back({f, r, std::to_string(instance), false});
            break;
        }
        case OperatorEntry::SIGNAL: {
            if (name == "null")
                break;
            int index = inputs++;
            // A left/right pair is drawn the other way round: right on top.
            if (name == "left" || name == "right")
                index ^= 1;
            Rect r(0, kPitch * index + 8, kBoxWidth, kBoxHeight);
            inputBottom = std::max(inputBottom, r.maxY());
            boxes.push_back({f, r, name + " >", false});
            break;
        }
        default:
            break;
        }
    }
    int controls = 0;
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i]->type() == OperatorEntry::CONTROL && names[i] != "zero") {
            ++controls;
            Rect r(menuX, inputBottom + kBoxSpace * controls, kMenuBoxWidth, kBoxHeight);
            boxes.push_back({fields[i].get(), r, std::to_string(controls), true});
        }
    return boxes;
}

} // namespace tosk
