// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <string_view>
#include <utility>

namespace tosk {

class ModuleField;

// Numbers repetitions in one pass over a module's field list: each call, made
// for every field in list order, answers what getInstance() answers for that
// field (0 outside a repeated group), without counting the fields before it
// again. Walks over modules with many repetitions stay linear.
class InstanceCounter {
public:
    int next(const ModuleField& field);

private:
    std::map<std::pair<const ModuleField*, std::string_view>, int> counts_;
};

} // namespace tosk
