#pragma once

#include <string>
#include <unordered_map>

namespace tosk {

class Module;
class ModuleList;

// Finds modules by instance name, case ignored, as ModuleList's
// findModuleByName does (the first module so named in list order, a group
// before its members), without walking the list for every name: reading a
// patch resolves a name for every connection.
//
// The index holds the names the modules had when it was made; it does not
// follow renames.
class ModuleLookup {
public:
    explicit ModuleLookup(const ModuleList& list);

    Module* find(const std::string& name) const;

private:
    void add(Module& module);
    static std::string key(const std::string& name);

    std::unordered_map<std::string, Module*> byName_;
};

} // namespace tosk
