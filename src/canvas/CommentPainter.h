// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/PatchComment.h"
#include "base/Geometry.h"

#include <QFont>

#include <vector>

class QPainter;

namespace tosk {

// How a comment looks on the canvas: its text in a pale box whose size
// follows the text. The box is what a click hits, so hit testing and
// painting measure the same way.
class CommentPainter {
public:
    // Room between the box's edge and the text.
    static constexpr double kPadding = 4;
    // A comment without text still has a box to click.
    static constexpr double kMinWidth = 24;

    static const QFont& font();
    // The comment's box in canvas points.
    static Rect rect(const PatchComment& comment);
    // The last comment (the one painted on top) whose box holds the point.
    static PatchComment::Ptr commentAt(const PatchComment::List& comments, const Point& point);
    // Paints every comment meeting `dirty`; the selected ones framed and
    // moved by `dragOffset` (a drag in progress).
    static void draw(QPainter& painter, const PatchComment::List& comments,
                     const std::vector<const PatchComment*>& selected, Point dragOffset, const Rect& dirty);
};

} // namespace tosk
