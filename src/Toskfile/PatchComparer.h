// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/ModuleList.h"
#include "Toskfile/PatchComparison.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace tosk {

class OperatorDesc;
class OperatorEntry;

// The walk behind PatchComparison::compare.
class PatchComparer {
public:
    PatchComparer(const SigFile& mine, const SigFile& theirs, PatchComparison& out) : out_(out)
    {
        a_.patch = &mine;
        b_.patch = &theirs;
    }

    void comparePatches();
    void compareUnitCopy();

private:
    struct Entry {
        Module::Ptr module;
        int parent = -1;
        std::string name;
        // The operator, or "group" and the group's type name.
        std::string kind;
        std::vector<int> children;
        int pair = -1;
    };
    struct Side {
        const SigFile* patch = nullptr;
        std::vector<Entry> entries;
        std::vector<int> top;
        std::unordered_map<const Module*, int> index;
        std::string headName;
        const ModuleField* title = nullptr;
    };
    using FieldDifference = PatchComparison::FieldDifference;
    using ModuleDifference = PatchComparison::ModuleDifference;

    void prepare(Side& side);
    void flatten(Side& side, const ModuleList::List& list, int parent, std::vector<int>& into);
    std::string nameOf(const Module& module);
    void pair(int i, int j);
    void matchSiblings(const std::vector<int>& a, const std::vector<int>& b);
    void compareOrder(const std::vector<int>& a, const std::vector<int>& b);
    void compareModules(int i, int j);
    void compareFields(const ModuleField* fa, const ModuleField* fb, std::vector<FieldDifference>& into);
    bool sameSource(const ModuleField& a, const ModuleField& b) const;
    void addWires(const Module& module, bool added);
    void addWire(const ModuleField& input, bool added, bool inField);
    ModuleDifference unpaired(const Side& side, int i, bool added) const;

    PatchComparison& out_;
    Side a_, b_;
    // Where an operator's modules hold their name: looking it up by entry
    // name for each of thousands of modules would dominate the comparison.
    struct NameSlot {
        size_t index = 0;
        const OperatorEntry* entry = nullptr;
    };
    std::unordered_map<const OperatorDesc*, NameSlot> nameSlots_;
};

} // namespace tosk
