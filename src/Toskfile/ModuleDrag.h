// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"
#include "Toskfile/PatchEditor.h"
#include "base/Geometry.h"

#include <memory>
#include <vector>

namespace tosk {

class PatchState;
class SigDocument;

// A drag of selected modules, from the press to the release: the canvas
// passes the mouse positions, the drag moves the boxes (announcing each
// step) and records the whole drag as one "Move" step when it ends.
//
// Nothing moves until the mouse has gone more than 2 points from the press
// along x or y. With snapping, the boxes' common origin lands on the grid
// where it is drawn. Each axis is cut back on its own so that the dragged
// bounds (boxes with pin margins) keep an origin of at least 1 point.
class ModuleDrag {
public:
    static constexpr double kThreshold = 2;

    // Modules not in the document's patch are left out.
    ModuleDrag(SigDocument& document, const std::vector<Module*>& modules, Point press);
    // Finishes a drag neither finished nor cancelled.
    ~ModuleDrag();
    ModuleDrag(const ModuleDrag&) = delete;
    ModuleDrag& operator=(const ModuleDrag&) = delete;

    // Follows the mouse; snapSpacing of 1 or more snaps to that grid (0:
    // none). Answers the offset of the boxes from where they started.
    Point dragTo(Point mouse, double snapSpacing = 0);
    bool started() const { return started_; }
    Point offset() const { return offset_; }
    const std::vector<Module::Ptr>& modules() const { return modules_; }

    // Records the drag as one "Move" and answers whether it moved the
    // boxes. Boxes back where they started are left as cancel() leaves them.
    bool finish();
    // Puts the boxes back as they were before the drag, placed or not, and
    // records nothing (Escape).
    void cancel();

private:
    void place(Point offset);

    PatchEditor editor_;
    std::vector<Module::Ptr> modules_;
    std::vector<Rect> start_;
    std::unique_ptr<PatchState> before_;
    Rect boxes_;
    Rect bounds_;
    Point press_;
    Point offset_;
    bool started_ = false;
    bool done_ = false;
};

} // namespace tosk
