// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"

#include <string>
#include <string_view>
#include <vector>

namespace tosk {

class ModuleList;

// Finding a text in a patch (the find bar): in instance names, operator
// names and the texts of fields (values, menu statements and choices, an
// input's source as "module-tag"), without regard to case, the members of
// groups included, in patch order: a module's name, its operator, then its
// fields in order; a group before its members.
//
// The texts are gathered when the search is made and find() runs over them
// at each keystroke; a search made before the patch changed finds what the
// patch held then.
class PatchSearch {
public:
    struct Match {
        enum class What { InstanceName, OperatorName, FieldText };
        What what = What::FieldText;
        // The module itself (a group's member is one).
        Module::Ptr module;
        // Its path ("v1/osc").
        std::string path;
        // The field whose text matched: the name field for an instance
        // name, none for the operator.
        Module::FieldPtr field;
    };

    explicit PatchSearch(const ModuleList& patch);

    // Every place the text occurs, once per module and field; nothing for
    // an empty text.
    std::vector<Match> find(std::string_view text) const;

private:
    struct Item {
        Match::What what;
        size_t module;
        Module::FieldPtr field;
        size_t begin;
    };
    void gather(const Module::Ptr& module);
    void add(Match::What what, size_t module, Module::FieldPtr field, std::string_view text);

    std::vector<Module::Ptr> modules_;
    std::vector<std::string> paths_;
    std::vector<Item> items_;
    // Every text in lower case, each followed by a NUL, which no text holds.
    std::string texts_;
};

} // namespace tosk
