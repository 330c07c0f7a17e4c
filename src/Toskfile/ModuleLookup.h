// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <unordered_map>

namespace tosk {

class Module;
class ModuleList;

// Finds the module a reference names, by instance name, case ignored: the
// first module so named in list order, members of groups in their place.
// Groups themselves are never found: they have no outputs to connect to.
// Reading a patch resolves a name for every connection, so the names are
// indexed once.
//
// The index holds the names the modules had when it was made; it does not
// follow renames.
class ModuleLookup {
public:
    explicit ModuleLookup(const ModuleList& list);

    Module* find(const std::string& name) const;
    // The member a path names ("v1/osc", as a member's pathName reads),
    // case ignored; none when no group of the list holds it.
    static Module* findPath(const ModuleList& list, const std::string& path);

private:
    void add(Module& module);
    static std::string key(const std::string& name);

    std::unordered_map<std::string, Module*> byName_;
};

} // namespace tosk
