// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Geometry.h"

#include <QColor>

#include <memory>
#include <string>
#include <vector>

class QPainter;

namespace tosk {

class CanvasLayout;
class Module;

// What a patch window shows of a comparison while its compare window is
// open: view state handed to the painter, never part of the patch. The
// other patch is read as the older version: a module of this patch only is
// added, one of the other's only removed and drawn as a ghost at its place
// there, a module of both that differs is changed.
struct CompareOverlay {
    struct Ghost {
        Rect box;
        std::string name;
    };
    std::vector<std::weak_ptr<Module>> added;
    std::vector<std::weak_ptr<Module>> changed;
    std::vector<Ghost> ghosts;

    // Blue and orange (Okabe and Ito's), which stay apart for the common
    // colour-vision deficiencies; the list says the kind in words as well.
    static QColor addedColor() { return QColor(0x00, 0x72, 0xb2); }
    static QColor changedColor() { return QColor(0xe6, 0x9f, 0x00); }
    static QColor ghostColor() { return QColor(0x80, 0x80, 0x80); }
    // How far an outline stands outside a module's graphic rect, and its width.
    static constexpr double kOutlineGap = 3;
    static constexpr double kOutlineWidth = 3;
};

// Paints a CompareOverlay over a canvas already painted (canvas points): the
// ghosts, the outlines round the modules' graphic rects, and the legend in
// the corner of `visible`, the part of the canvas in sight.
class CompareOverlayPainter {
public:
    static void draw(QPainter& painter, const CompareOverlay& overlay, const Rect& visible, const CanvasLayout& layout);
};

} // namespace tosk
