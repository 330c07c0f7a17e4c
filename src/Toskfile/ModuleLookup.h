// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace tosk {

class Module;
class ModuleList;
class OperatorDesc;
class OperatorEntry;

// The entries of an operator that carry an output name (items of one key
// code, case ignored); `repeated` when some entry's name has a "~" (names
// made per repetition), which only a walk over the fields can match.
struct NamedEntries {
    bool repeated = false;
    std::vector<const OperatorEntry*> entries;

    static NamedEntries of(const OperatorDesc& op, int32_t type, const std::string& name);
};

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
    ModuleLookup() = default;
    explicit ModuleLookup(const ModuleList& list);

    // Room for about `names` names without growing on the way.
    void reserve(size_t names) { grow(names); }
    // Indexes one more module (a group's members): a name already indexed
    // keeps its first module.
    void add(Module& module);

    Module* find(const std::string& name) const;
    // Asks for the slot of a name about to be added or found to be read
    // from memory meanwhile.
    void prefetch(std::string_view name) const
    {
        if (!slots_.empty())
            __builtin_prefetch(&slots_[static_cast<size_t>(hashOf(name)) & (slots_.size() - 1)]);
    }
    // The member a path names ("v1/osc", as a member's pathName reads),
    // case ignored; none when no group of the list holds it.
    static Module* findPath(const ModuleList& list, const std::string& path);

    // NamedEntries::of, worked out once per operator and name while the
    // index lives: a patch names the same few outputs over and over.
    const NamedEntries& namedEntries(const OperatorDesc& op, int32_t type, const std::string& name) const;

private:
    // Reading indexes every module while building it, so the index is one
    // flat table of slots (no node per name, nothing to chase in memory)
    // over one buffer of the lower-cased names.
    struct Slot {
        uint64_t hash = 0;
        uint32_t offset = 0; // of the name in names_
        uint32_t length = 0;
        Module* module = nullptr; // none: the slot is free
    };
    static uint64_t hashOf(std::string_view name);
    // The slot holding that name, or the free slot where it would go.
    size_t slotFor(std::string_view name, uint64_t hash) const;
    void grow(size_t capacity);

    std::vector<Slot> slots_; // a power of two long, at most half used
    size_t count_ = 0;
    std::string names_;
    mutable std::map<std::tuple<const OperatorDesc*, int32_t, std::string>, NamedEntries> namedEntries_;
};

} // namespace tosk
