// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/ModuleList.h"
#include "base/Geometry.h"
#include "base/PointerTable.h"

#include <cstddef>
#include <map>
#include <utility>
#include <vector>

namespace tosk {

class Module;
class ModuleField;
class SigFile;

// The automatic layout of a patch: modules fed by a module go in a column to
// its right, modules feeding it in a column to its left, each below the
// lowest module already in its column.
//
// It works on a copy of the modules' rects and writes them back with
// commit(). The column search and the connection walk are indexed (columns
// by x, wires by output), so that laying out n modules costs about n log n
// instead of n squared; Search::Scan asks every module every time, exactly
// as the rules are written, and gives the same result.
class PatchLayout {
public:
    enum class Search { Indexed, Scan };
    enum Walk { SignalsFrom, SignalsTo, ControlsFrom, ControlsTo, UserObjects };

    static constexpr double kColumnGap = 80;
    static constexpr double kRowGap = 20;
    static constexpr double kLeftMargin = 7;
    static constexpr double kTopMargin = 20;
    static constexpr double kInsertOffset = 0.5;

    // Stacks the boxes as read from the file: placed ones by their heights
    // in the show mode a new window opens with, unplaced ones without one.
    explicit PatchLayout(const SigFile& patch, Search search = Search::Indexed);
    // Stacks the boxes by their heights in that show mode, measured here;
    // the modules are not laid out for it.
    PatchLayout(const SigFile& patch, int showMode, Search search = Search::Indexed);

    // Whether every module of the patch stands in one column at the left
    // edge, as in a patch saved without positions: such a patch is laid out
    // when it is opened. A patch of nothing but its head does not count.
    // Measures every module for the show mode.
    static bool standsInOneColumn(const SigFile& patch, int showMode);

    // The whole layout: every module but the first back to (0, 0), the walk
    // from the first, then a column for the modules it did not reach.
    void layOut();
    // Places the unplaced neighbours of one kind of a module, and theirs.
    void walk(Walk kind, const Module& from);
    // Puts a module in the column of the rect, below its lowest module.
    void place(const Module& module, const Rect& column);
    // The modules joined to the module's fields of that type.
    std::vector<Module*> modulesConnectedTo(const Module& module, int fieldType);
    // Writes every box the layout moved back to its module.
    void commit();

private:
    enum class State { Unplaced, Column, Other };
    struct Node {
        Module* module;
        Rect rect; // in column space (without offset_) while in State::Column
        bool head;
        State state;
        int rows;   // the box's height in rows
        Rect start; // the box before the layout moved it
    };
    struct Frame;
    // Boxes by (negative bottom edge, list position): the top is the lowest
    // box, the first in the list among equals. A box that leaves is not
    // looked for: its entry is dropped when it reaches the top, which keeps
    // a layout of n boxes in flat arrays instead of n tree nodes.
    using Entry = std::pair<double, size_t>;
    using Heap = std::vector<Entry>;
    static void push(Heap& heap, Entry entry);
    // The heap's lowest box still filed there (dropping any before it), or
    // nullptr.
    template <typename Filed> const Entry* lowest(Heap& heap, Filed filed) const;

    void build(const SigFile& patch, int showMode, bool measured);
    size_t indexOf(const Module& module) const;
    Rect actual(size_t i) const;
    bool isPlaced(size_t i) const;
    void classify(size_t i);
    void unclassify(size_t i);
    void moveTo(size_t i, const Point& point);
    void offsetAll(double dx, double dy);
    void placeAt(size_t i, const Rect& column);
    static constexpr size_t none = static_cast<size_t>(-1);
    size_t findLowest(const Rect& rect) const;
    size_t findRightMost() const;
    std::vector<size_t> neighbours(size_t i, int fieldType);
    // Whether the field is still one of the fields of the module at i.
    bool isFieldOf(const ModuleField& field, size_t i) const;
    void addConnected(const ModuleField& field, std::vector<size_t>& collection);
    bool startWalk(Walk kind, size_t i, std::vector<Frame>& stack);
    void runWalk(Walk kind, size_t i);

    Search search_;
    std::vector<Node> nodes_;
    ModulePlaces places_;
    // Everything placed and not a head moves by offset_ when the layout
    // runs past the left or top margin.
    Point offset_;
    // Column-state modules by x (in column space), each column ordered by
    // bottom edge (lowest first) and list position.
    mutable std::map<double, Heap> columns_;
    // Unplaced modules (all at the origin), by bottom edge and position.
    mutable Heap unplaced_;
    // Heads and modules of another width: few, searched one by one.
    std::vector<size_t> others_;
    // Each module's fields of the five kinds walked, (type, field), the
    // module's run starting at portStart_[i].
    std::vector<std::pair<int, const ModuleField*>> ports_;
    std::vector<size_t> portStart_;
    // Every wire, by source: each source field has a number, and the
    // positions of the modules its wires feed (each once, in list order) are
    // fed_[fedStart_[number]] up to fed_[fedStart_[number + 1]]. Built in one
    // pass and read without a search, where a sorted list of n wires costs
    // n log n to build and a binary search per port.
    PointerTable<ModuleField> sourceNumbers_;
    std::vector<size_t> fedStart_;
    std::vector<size_t> fed_;
    std::vector<unsigned> seen_;
    std::vector<size_t> found_; // addConnected's modules, before the seen ones go
    unsigned generation_ = 0;
};

} // namespace tosk
