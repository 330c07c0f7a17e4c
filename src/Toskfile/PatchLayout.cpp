// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/PatchLayout.h"

#include "Toskfile/Module.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/SigFile.h"

#include <algorithm>
#include <functional>

namespace tosk {

namespace {

int fieldTypeOf(PatchLayout::Walk kind)
{
    switch (kind) {
    case PatchLayout::SignalsFrom:
        return OperatorEntry::SIGNAL;
    case PatchLayout::SignalsTo:
        return OperatorEntry::ED_SIGNAL;
    case PatchLayout::ControlsFrom:
        return OperatorEntry::CONTROL;
    case PatchLayout::ControlsTo:
        return OperatorEntry::ED_CONTROL;
    case PatchLayout::UserObjects:
        return OperatorEntry::USEROBJ;
    }
    return -1;
}

// The walks that continue from a module a walk of this kind has placed.
const std::vector<PatchLayout::Walk>& followUps(PatchLayout::Walk kind)
{
    static const std::vector<PatchLayout::Walk> afterSignals{PatchLayout::SignalsFrom, PatchLayout::SignalsTo,
                                                             PatchLayout::ControlsTo, PatchLayout::ControlsFrom};
    static const std::vector<PatchLayout::Walk> afterControls{PatchLayout::SignalsFrom, PatchLayout::SignalsTo,
                                                              PatchLayout::ControlsTo, PatchLayout::UserObjects,
                                                              PatchLayout::ControlsFrom};
    static const std::vector<PatchLayout::Walk> afterObjects;
    switch (kind) {
    case PatchLayout::SignalsFrom:
    case PatchLayout::SignalsTo:
        return afterSignals;
    case PatchLayout::ControlsFrom:
    case PatchLayout::ControlsTo:
        return afterControls;
    case PatchLayout::UserObjects:
        break;
    }
    return afterObjects;
}

} // namespace

// One walk in progress (its neighbours and column), or the list of walks
// still to start from a module just placed. The walk is a depth-first
// recursion kept on a stack of its own: a chain of thousands of modules
// must not exhaust the program's stack.
struct PatchLayout::Frame {
    bool isWalk;
    Walk kind;
    size_t module;
    std::vector<size_t> neighbours;
    size_t next;
    Rect column;
};

bool PatchLayout::standsInOneColumn(const SigFile& patch, int showMode)
{
    if (patch.visibleArea(showMode).width() > Module::kWidth)
        return false;
    return std::any_of(patch.listOfModules().begin(), patch.listOfModules().end(), [showMode](const Module::Ptr& m) {
        return !m->isHead() && ModuleGeometry::measure(*m, showMode).rows > 0;
    });
}

PatchLayout::PatchLayout(const SigFile& patch, Search search) : search_(search), places_(patch.moduleArray())
{
    build(patch, 0, false);
}

PatchLayout::PatchLayout(const SigFile& patch, int showMode, Search search)
    : search_(search), places_(patch.moduleArray())
{
    build(patch, showMode, true);
}

void PatchLayout::build(const SigFile& patch, int showMode, bool measured)
{
    const auto& modules = patch.moduleArray();
    nodes_.reserve(modules.size());
    portStart_.reserve(modules.size() + 1);
    // (source's number, module fed), and the last module each source feeds,
    // which keeps a module fed twice by one source from being listed twice.
    std::vector<std::pair<size_t, size_t>> wires;
    std::vector<size_t> lastFed;
    // Room for a source a module from the start spares the table most of
    // the rebuilds it would make growing from empty.
    sourceNumbers_.clear(modules.size());
    for (size_t i = 0; i < modules.size(); ++i) {
        Module* m = modules[i].get();
        // Only the fields the walks follow: a table of 129 points is not
        // looked at again. The same walk over the fields measures the box.
        portStart_.push_back(ports_.size());
        ModuleGeometry::PinCount pins(showMode);
        for (const auto& f : m->fieldArray()) {
            const int type = f->type();
            if (measured)
                pins.add(*f, type);
            if (search_ == Search::Indexed)
                if (const auto& source = f->source()) {
                    const size_t number = sourceNumbers_.insert(source.get(), lastFed.size());
                    if (number == lastFed.size())
                        lastFed.push_back(none);
                    if (lastFed[number] != i) {
                        lastFed[number] = i;
                        wires.emplace_back(number, i);
                    }
                }
            if (type == OperatorEntry::SIGNAL || type == OperatorEntry::ED_SIGNAL || type == OperatorEntry::CONTROL ||
                type == OperatorEntry::ED_CONTROL || type == OperatorEntry::USEROBJ)
                ports_.emplace_back(type, f.get());
        }
        const Rect box = measured ? ModuleGeometry::box(*m, pins.rows(*m))
                                  : ModuleGeometry::placedBox(*m, SigFile::kDefaultShowMode);
        const int rows = static_cast<int>(box.height() / Module::kRowHeight);
        nodes_.push_back(Node{m, box, m->isHead(), State::Other, rows, box});
        classify(i);
    }
    portStart_.push_back(ports_.size());
    if (search_ == Search::Scan)
        return;
    // The wires grouped by source, each group in list order as read.
    fedStart_.assign(lastFed.size() + 1, 0);
    for (const auto& wire : wires)
        ++fedStart_[wire.first + 1];
    for (size_t n = 1; n < fedStart_.size(); ++n)
        fedStart_[n] += fedStart_[n - 1];
    fed_.resize(wires.size());
    std::vector<size_t> next(fedStart_.begin(), fedStart_.end() - 1);
    for (const auto& wire : wires)
        fed_[next[wire.first]++] = wire.second;
}

size_t PatchLayout::indexOf(const Module& module) const
{
    return places_.of(&module);
}

Rect PatchLayout::actual(size_t i) const
{
    const Node& n = nodes_[i];
    return n.state == State::Column ? n.rect.offset(offset_.x, offset_.y) : n.rect;
}

bool PatchLayout::isPlaced(size_t i) const
{
    return actual(i).origin != Point{0, 0};
}

// Files a module (its rect in actual coordinates) under the search
// structure its position and width call for.
void PatchLayout::classify(size_t i)
{
    Node& n = nodes_[i];
    if (search_ == Search::Scan || n.head || n.rect.width() != Module::kWidth) {
        n.state = State::Other;
        others_.push_back(i);
    } else if (n.rect.origin == Point{0, 0}) {
        n.state = State::Unplaced;
        push(unplaced_, {-n.rect.maxY(), i});
    } else {
        n.state = State::Column;
        n.rect = n.rect.offset(-offset_.x, -offset_.y);
        push(columns_[n.rect.x()], {-n.rect.maxY(), i});
    }
}

// Takes a module out of its search structure; its rect becomes actual.
void PatchLayout::unclassify(size_t i)
{
    Node& n = nodes_[i];
    switch (n.state) {
    case State::Other:
        others_.erase(std::find(others_.begin(), others_.end(), i));
        break;
    case State::Unplaced:
        break;
    case State::Column:
        n.rect = n.rect.offset(offset_.x, offset_.y);
        break;
    }
    n.state = State::Other;
}

void PatchLayout::moveTo(size_t i, const Point& point)
{
    unclassify(i);
    nodes_[i].rect = Rect(point, Size{Module::kWidth, Module::kRowHeight * nodes_[i].rows});
    classify(i);
}

void PatchLayout::offsetAll(double dx, double dy)
{
    offset_.x += dx;
    offset_.y += dy;
    for (size_t i : others_) {
        Node& n = nodes_[i];
        if (!n.head && n.rect.origin != Point{0, 0})
            n.rect = n.rect.offset(dx, dy);
    }
}

size_t PatchLayout::findLowest(const Rect& r) const
{
    size_t best = none;
    double bestBottom = 0;
    auto consider = [&](size_t i, double bottom) {
        if (bottom > 0 && (best == none || bottom > bestBottom || (bottom == bestBottom && i < best))) {
            best = i;
            bestBottom = bottom;
        }
    };
    for (size_t i : others_) {
        const Rect a = actual(i);
        if (a.maxX() >= r.x() && r.maxX() >= a.x())
            consider(i, a.maxY());
    }
    if (Module::kWidth >= r.x() && r.maxX() >= 0) {
        const Entry* low = lowest(unplaced_, [this](const Entry& e) {
            const Node& n = nodes_[e.second];
            return n.state == State::Unplaced && -n.rect.maxY() == e.first;
        });
        if (low)
            consider(low->second, -low->first);
    }
    const double from = r.x() - Module::kWidth - offset_.x;
    const double to = r.maxX() - offset_.x;
    for (auto column = columns_.lower_bound(from); column != columns_.end() && column->first <= to;) {
        const double x = column->first;
        const Entry* low = lowest(column->second, [this, x](const Entry& e) {
            const Node& n = nodes_[e.second];
            return n.state == State::Column && n.rect.x() == x && -n.rect.maxY() == e.first;
        });
        if (!low) {
            column = columns_.erase(column);
            continue;
        }
        consider(low->second, -low->first + offset_.y);
        ++column;
    }
    return best;
}

void PatchLayout::push(Heap& heap, Entry entry)
{
    heap.push_back(entry);
    std::push_heap(heap.begin(), heap.end(), std::greater<>());
}

template <typename Filed> const PatchLayout::Entry* PatchLayout::lowest(Heap& heap, Filed filed) const
{
    while (!heap.empty() && !filed(heap.front())) {
        std::pop_heap(heap.begin(), heap.end(), std::greater<>());
        heap.pop_back();
    }
    return heap.empty() ? nullptr : &heap.front();
}

size_t PatchLayout::findRightMost() const
{
    size_t best = none;
    for (size_t i = 0; i < nodes_.size(); ++i) {
        const double x = actual(i).x();
        if (x > 0 && (best == none || x > actual(best).x()))
            best = i;
    }
    return best == none ? none : findLowest(actual(best));
}

void PatchLayout::placeAt(size_t i, const Rect& column)
{
    Rect r = column;
    const double dx = r.x() < kLeftMargin ? kLeftMargin - r.x() : 0;
    const double dy = r.y() < kTopMargin ? kTopMargin - r.y() : 0;
    if (dx > 0 || dy > 0) {
        r = r.offset(dx, dy);
        offsetAll(dx, dy);
    }
    const size_t lowest = findLowest(r);
    if (lowest != none) {
        const double bottom = actual(lowest).maxY();
        if (bottom >= r.y())
            r.origin.y = bottom + kRowGap;
    }
    moveTo(i, r.origin);
}

bool PatchLayout::isFieldOf(const ModuleField& field, size_t i) const
{
    // An output is among the module's ports, which are at hand; only
    // another kind of source needs the walk over every field.
    for (size_t p = portStart_[i]; p < portStart_[i + 1]; ++p)
        if (ports_[p].second == &field)
            return true;
    return nodes_[i].module->containsField(&field);
}

void PatchLayout::addConnected(const ModuleField& field, std::vector<size_t>& collection)
{
    // Kept between calls: this runs for every port a walk reaches.
    std::vector<size_t>& found = found_;
    found.clear();
    if (search_ == Search::Scan) {
        for (size_t i = 0; i < nodes_.size(); ++i) {
            for (const auto& f : nodes_[i].module->fieldArray()) {
                if (f->source().get() == &field || f == field.source()) {
                    found.push_back(i);
                    break;
                }
            }
        }
    } else {
        const size_t number = sourceNumbers_.find(&field);
        if (number != none)
            found.insert(found.end(), fed_.begin() + static_cast<std::ptrdiff_t>(fedStart_[number]),
                         fed_.begin() + static_cast<std::ptrdiff_t>(fedStart_[number + 1]));
        // The module holding the source: the outermost module around it, if
        // that is in the patch and the source is still one of its fields.
        if (const auto& source = field.source()) {
            Module* holder = source->trueParent();
            const size_t owner = holder ? indexOf(*holder) : none;
            if (owner != none && isFieldOf(*source, owner)) {
                found.insert(std::lower_bound(found.begin(), found.end(), owner), owner);
                found.erase(std::unique(found.begin(), found.end()), found.end());
            }
        }
    }
    for (size_t i : found) {
        if (seen_[i] != generation_) {
            seen_[i] = generation_;
            collection.push_back(i);
        }
    }
}

std::vector<size_t> PatchLayout::neighbours(size_t i, int fieldType)
{
    std::vector<size_t> collection;
    // A new mark for "already collected", instead of clearing a flag per
    // module for every walk.
    if (seen_.size() != nodes_.size())
        seen_.assign(nodes_.size(), 0);
    ++generation_;
    for (size_t p = portStart_[i]; p < portStart_[i + 1]; ++p)
        if (ports_[p].first == fieldType)
            addConnected(*ports_[p].second, collection);
    return collection;
}

std::vector<Module*> PatchLayout::modulesConnectedTo(const Module& module, int fieldType)
{
    std::vector<Module*> result;
    const size_t i = indexOf(module);
    if (i == none)
        return result;
    for (size_t n : neighbours(i, fieldType))
        result.push_back(nodes_[n].module);
    return result;
}

bool PatchLayout::startWalk(Walk kind, size_t i, std::vector<Frame>& stack)
{
    std::vector<size_t> found = neighbours(i, fieldTypeOf(kind));
    if (found.empty())
        return false;
    const Rect m = actual(i);
    const double step = kColumnGap + m.width();
    const bool rightwards = kind == SignalsFrom || kind == ControlsFrom || kind == UserObjects;
    Rect column = m.offset(rightwards ? step : -step, 0);
    if (kind == ControlsFrom || kind == ControlsTo || kind == UserObjects) {
        const size_t lowest = findLowest(column);
        if (lowest != none)
            column = actual(lowest);
    }
    stack.push_back(Frame{true, kind, i, std::move(found), 0, column});
    return true;
}

void PatchLayout::runWalk(Walk kind, size_t start)
{
    std::vector<Frame> stack;
    startWalk(kind, start, stack);
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.isWalk) {
            size_t placed = none;
            while (top.next < top.neighbours.size()) {
                const size_t n = top.neighbours[top.next++];
                if (!nodes_[n].head && n != top.module && !isPlaced(n)) {
                    placed = n;
                    break;
                }
            }
            if (placed == none) {
                stack.pop_back();
                continue;
            }
            placeAt(placed, top.column);
            const Walk from = top.kind;
            stack.push_back(Frame{false, from, placed, {}, 0, Rect()});
            continue;
        }
        // The walks from a module just placed, one after the other.
        const auto& walks = followUps(top.kind);
        if (top.next >= walks.size()) {
            stack.pop_back();
            continue;
        }
        const Walk next = walks[top.next++];
        const size_t module = top.module;
        startWalk(next, module, stack);
    }
}

void PatchLayout::walk(Walk kind, const Module& from)
{
    const size_t i = indexOf(from);
    if (i != none)
        runWalk(kind, i);
}

void PatchLayout::place(const Module& module, const Rect& column)
{
    const size_t i = indexOf(module);
    if (i != none)
        placeAt(i, column);
}

void PatchLayout::layOut()
{
    if (nodes_.empty())
        return;
    for (size_t i = 1; i < nodes_.size(); ++i)
        moveTo(i, Point{0, 0});
    runWalk(SignalsFrom, 0);
    Rect column(kColumnGap, kTopMargin, 0, 0);
    const size_t rightMost = findRightMost();
    if (rightMost != none) {
        const Rect r = actual(rightMost);
        column = r.offset(kColumnGap + r.width(), 0);
    }
    for (size_t i = 1; i < nodes_.size(); ++i)
        if (!isPlaced(i))
            placeAt(i, column);
}

void PatchLayout::commit()
{
    for (size_t i = 0; i < nodes_.size(); ++i) {
        Module& m = *nodes_[i].module;
        const Rect r = actual(i);
        if (r == nodes_[i].start) {
            // Not moved: only a width the layout does not keep changes,
            // and a box without a position stays without one.
            if (r.width() != m.rect().width())
                m.restoreBox(m.rect().origin, r.width(), m.isPlaced());
            continue;
        }
        m.setRect(r);
    }
}

} // namespace tosk
