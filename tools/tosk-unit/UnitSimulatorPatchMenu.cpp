// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated unit's menu of the running patch: its pages and controls, and values put to them.
#include "UnitSimulator.h"

#include "UnitMenuKeys.h"

#include "Toskfile/MyExtensions.h"
#include "base/Log.h"
#include "comms/ScanText.h"

#include <algorithm>
#include <cctype>

namespace tosk::unit {

namespace {

std::string pageKey(size_t index)
{
    return std::to_string(3000 + index);
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

} // namespace

std::pair<double, double> UnitSimulator::limitsOf(const RunningPatch::Control& control) const
{
    auto narrowed = options_.narrowed.find(control.instance);
    if (narrowed != options_.narrowed.end() && reported_.count(control.instance))
        return narrowed->second;
    return {control.minimum, control.maximum};
}

void UnitSimulator::addPatchObjects(std::vector<Object>& all) const
{
    Object menu{"COL", "menu", patchMenuKey, "0", "Patch", "patch", {}, {}, 0, {}};
    if (!running_) {
        all.push_back(menu);
        return;
    }
    RunningPatch patch = RunningPatch::read(running_->text);
    const auto& controls = patch.controls();
    std::vector<std::string> parents(controls.size(), patchMenuKey);
    std::vector<Object> pages;
    for (size_t j = 0; j < patch.pages().size(); ++j) {
        const RunningPatch::Page& page = patch.pages()[j];
        Object p{"COL", "page", pageKey(j), patchMenuKey, page.title, page.instance, {}, {}, 0, {}};
        for (size_t i : page.controls) {
            p.children.push_back(controlKey(i));
            if (parents[i] == patchMenuKey)
                parents[i] = pageKey(j);
        }
        menu.children.push_back(p.key);
        pages.push_back(std::move(p));
    }
    // Controls on no page sit in the menu itself.
    for (size_t i = 0; i < controls.size(); ++i)
        if (parents[i] == patchMenuKey)
            menu.children.push_back(controlKey(i));
    all.push_back(std::move(menu));
    for (auto& p : pages)
        all.push_back(std::move(p));
    for (size_t i = 0; i < controls.size(); ++i) {
        const RunningPatch::Control& c = controls[i];
        if (c.kind == RunningPatch::Control::Kind::Number) {
            auto [minimum, maximum] = limitsOf(c);
            all.push_back(
                {"NUM",
                 lower(c.operatorName),
                 controlKey(i),
                 parents[i],
                 c.statement,
                 c.instance,
                 {numberString(c.value), numberString(minimum), numberString(maximum), numberString(c.resolution)},
                 {},
                 0,
                 {}});
        } else {
            all.push_back({"SET",
                           lower(c.operatorName),
                           controlKey(i),
                           parents[i],
                           c.statement,
                           c.instance,
                           {},
                           c.choices,
                           c.current,
                           {}});
        }
    }
}

std::optional<Bytes> UnitSimulator::putPatchValue(const RunningPatch::Control& control, const std::string& value)
{
    const char* name = control.instance.c_str();
    if (control.kind == RunningPatch::Control::Kind::Number) {
        if (!isNumeric(value))
            return refusal(format("%s: '%s' is not a number", name, value.c_str()));
        const double v = scanDecimal(value).value_or(0);
        auto [minimum, maximum] = limitsOf(control);
        if (!within(v, minimum, maximum))
            return refusal(format("%s: %s is outside its limits (%s to %s)", name, value.c_str(),
                                  numberString(minimum).c_str(), numberString(maximum).c_str()));
        running_->text = RunningPatch::withValue(running_->text, control, numberString(v));
        return std::nullopt;
    }
    std::string rest;
    auto index = scanInteger(value, &rest);
    if (!index || !trimWhiteSpace(rest).empty() || *index < 0 || size_t(*index) >= control.choices.size())
        return refusal(format("%s: %s is not one of its %zu choices (0 to %zu)", name, value.c_str(),
                              control.choices.size(),
                              control.choices.empty() ? size_t(0) : control.choices.size() - 1));
    running_->text = RunningPatch::withValue(running_->text, control, numberString(double(*index)));
    return std::nullopt;
}

} // namespace tosk::unit
