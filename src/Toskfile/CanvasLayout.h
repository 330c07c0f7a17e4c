// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/HeadLayout.h"
#include "Toskfile/SigFile.h"
#include "base/Geometry.h"

#include <vector>

namespace tosk {

class Module;
class ModuleList;

// The geometry of a whole canvas, computed before it is painted or hit: it
// lays out the modules that need it (all of them the first time), measures
// how far the modules reach, and puts the head's boxes right of them. The
// canvas, `tosk-cli render` and the tests lay a patch out through this, so
// that they all see the same geometry whether or not anything was painted.
class CanvasLayout {
public:
    explicit CanvasLayout(int showMode = SigFile::kDefaultShowMode) : showMode_(showMode) {}

    // The show mode the patch is laid out for: the view's, not the patch's.
    int showMode() const { return showMode_; }
    // The next layout lays out every module for the new mode.
    void setShowMode(int mode)
    {
        showMode_ = mode;
        first_ = true;
    }

    // Lays out and measures. The first call (and the first after reset())
    // lays out every module; later ones only modules marked for update.
    void layOut(const ModuleList& patch, Module* head);
    // The next layout lays out every module again.
    void reset() { first_ = true; }
    bool isFirst() const { return first_; }

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

private:
    int showMode_;
    bool first_ = true;
    double maxX_ = 0;
    double maxY_ = 0;
    double outputsX_ = 0;
    Rect visibleRect_;
    std::vector<HeadLayout::Box> headBoxes_;
};

} // namespace tosk
