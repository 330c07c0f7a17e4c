// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/HeadLayout.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/ModuleList.h"
#include "Toskfile/SigFile.h"
#include "base/Geometry.h"

#include <deque>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tosk {

class Module;
class ModuleField;
class ModuleList;
struct PatchChange;

// The geometry of a whole canvas as one view shows it, computed before it is
// painted or hit: it lays out the modules that need it (all of them the
// first time) for the view's show mode, keeps what it found (each box's
// rows and each pin's row), measures how far the modules reach, and puts the
// head's boxes right of them. The rects follow from those rows and where the
// modules stand now, so moving a module needs no new layout. The canvas,
// `tosk-cli render` and the tests lay a patch out through this, so that they
// all see the same geometry whether or not anything was painted; the
// modules are never written to.
class CanvasLayout {
public:
    explicit CanvasLayout(int showMode = SigFile::kDefaultShowMode) : showMode_(showMode) {}

    // The show mode the patch is laid out for: the view's, not the patch's.
    int showMode() const { return showMode_; }
    // The next layout lays out every module for the new mode.
    void setShowMode(int mode);

    // Lays out and measures. The first call (and the first after reset())
    // lays out every module; later ones only the modules invalidated since
    // and those not laid out before.
    void layOut(const ModuleList& patch, const Module* head);
    // The next layout lays out every module again.
    void reset() { first_ = true; }
    bool isFirst() const { return first_; }
    // The next layout lays out this module again.
    void invalidate(const Module& module) { invalid_.insert(&module); }
    // Invalidates what a change of the patch may have changed: the modules
    // it names, or everything when the order, the wires or the field lists
    // changed (a wire that left an output may take a pin of a module the
    // change does not name) or when it names no module.
    void patchDidChange(const PatchChange& change);

    // The module's box height in rows as last laid out; 0 when it is not
    // drawn (or not laid out).
    int rows(const Module& module) const;
    bool isDrawn(const Module& module) const { return rows(module) > 0; }
    // Whether the last layout laid the module out (drawn or not).
    bool knows(const Module& module) const { return entry(module) != nullptr; }
    // How many of the module's fields the last layout found hidden.
    int hiddenCount(const Module& module) const;

    // The module's last layout (rows, hidden count, pins), or none: one
    // lookup for a caller that needs several of its answers.
    const ModuleGeometry::Laid* laid(const Module& module) const
    {
        const Entry* e = entry(module);
        return e ? &e->laid : nullptr;
    }
    // The module's box where it stands, as tall as its rows.
    Rect box(const Module& module) const { return ModuleGeometry::box(module, rows(module)); }
    // The box widened by the pin margins (the box itself at the origin).
    Rect graphicRect(const Module& module) const { return ModuleGeometry::graphicRect(box(module)); }
    // The square of the module's order badge.
    Rect orderCircle(const Module& module) const;
    // The row under the title that shows the instance name.
    Rect nameRowRect(const Module& module) const { return ModuleGeometry::nameRow(box(module)); }
    // The field's pin row (see ModuleGeometry::Pin); 0 without a pin.
    int pinRow(const ModuleField& field) const;
    // Where the field is drawn: its pin beside its module's box, the
    // instance-name row for the name field, a box of the head for a field
    // of the head; an empty rect for the rest.
    Rect pinRect(const ModuleField& field) const;
    // The module's fields with a pin, in its order, with their rows.
    const std::vector<ModuleGeometry::Pin>& pins(const Module& module) const;
    // The field of the module whose rect holds the point (never an
    // ED_STRING field nor one always hidden).
    Module::FieldPtr fieldUnderPoint(const Module& module, const Point& point) const;

    // Right and bottom extent: the modules' graphic rects and the head's
    // boxes. The head's outputs stand 16 right of the right-most module.
    double maxX() const { return maxX_; }
    double maxY() const { return maxY_; }
    // Where the head's outputs stand: 16 right of the modules' right-most
    // reach (never left of 360/7 + 16).
    double outputsX() const { return outputsX_; }
    // Union of the graphic rects of the modules drawn.
    const Rect& visibleRect() const { return visibleRect_; }
    const std::vector<HeadLayout::Box>& headBoxes() const { return headBoxes_; }

    // A module drawn (rows > 0) as the last layout found it.
    struct Drawn {
        const Module* module;
        // Its box where it stood, and its layout.
        Rect box;
        const ModuleGeometry::Laid* laid;
        // Its place in the patch's list (the head is 0).
        size_t index;
        // Whether the patch's marker comes before it (or is it).
        bool afterMarker;
    };
    // The modules drawn, in the patch's order: a paint walks these without
    // looking each module up, and touches only the modules it draws.
    const std::vector<Drawn>& drawn() const { return drawn_; }
    // The head's place in the patch's list; npos when it is not in it.
    size_t headIndex() const { return headIndex_; }
    static constexpr size_t npos = static_cast<size_t>(-1);

private:
    struct Entry {
        ModuleGeometry::Laid laid;
        // The layout the entry belongs to; older ones are kept only to
        // reuse their storage.
        unsigned generation = 0;
    };
    const Entry& measure(const Module& module);
    const Entry* entry(const Module& module) const;
    Rect fieldRect(const Module& module, const ModuleGeometry::Laid& laid, const ModuleField& field) const;

    int showMode_;
    bool first_ = true;
    unsigned generation_ = 0;
    const Module* head_ = nullptr;
    // Module to entry, over entries that never move: a paint looks up every
    // module and both ends of every wire.
    ModuleTable entryOf_;
    std::deque<Entry> entries_;
    std::unordered_map<const ModuleField*, Rect> headRects_;
    std::unordered_set<const Module*> invalid_;
    double maxX_ = 0;
    double maxY_ = 0;
    double outputsX_ = 0;
    Rect visibleRect_;
    std::vector<HeadLayout::Box> headBoxes_;
    std::vector<Drawn> drawn_;
    size_t headIndex_ = npos;
};

} // namespace tosk
