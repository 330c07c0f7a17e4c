// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/CanvasLayout.h"
#include "canvas/CanvasMarks.h"

#include <QImage>
#include <QRectF>
#include <QString>

#include <vector>

class QIODevice;
class QPainter;

namespace tosk {

class Module;
class ModuleList;

// Renders a patch, or an area of it, to a picture with the painters of the
// canvas: for `tosk-cli render`, File ▸ Export Picture…, Edit ▸ Copy
// Picture, tests and screenshots. The patch is laid out once, as it stands
// when the renderer is made, for the show mode given.
class CanvasRenderer {
public:
    enum class Format { Png, Svg };

    CanvasRenderer(const ModuleList& patch, Module* head, int showMode, CanvasMarks marks = {});

    // The canvas's extent in points: where its right-most and lowest things
    // end, and at least one head box high, as it is always the head's column
    // wide: a patch with nothing on it is a blank box, not a line.
    QSizeF extent();
    // The whole canvas: the extent from the origin.
    QRectF wholeArea();
    // The area the modules take, in whole points: the union of their graphic
    // rects (their pins and the ends of their wires), as the patch is laid
    // out. Empty when none of them is drawn.
    QRectF areaOf(const std::vector<Module*>& modules);
    // The picture's size in pixels at `scale`: the extent, rounded up.
    QSize pictureSize(double scale);
    QSize pictureSize(const QRectF& area, double scale);
    // The canvas at `scale` pixels per point, on white.
    QImage image(double scale = 1);
    // The area of the canvas (points), its top left at the picture's origin.
    QImage image(const QRectF& area, double scale);
    // Writes the picture as PNG or SVG, by the file's extension; false with
    // a reason when it cannot.
    bool write(const QString& path, double scale, QString& error);
    // Writes the area as the format says, whatever the file is called. The
    // file is replaced whole or not at all.
    bool write(const QString& path, Format format, const QRectF& area, double scale, QString& error);

private:
    // Paints `area` (points) of the patch as laid out.
    void paint(QPainter& painter, const QRectF& area);
    bool writeSvg(QIODevice& device, const QRectF& area, double scale);

    const ModuleList& patch_;
    Module* head_;
    CanvasLayout layout_;
    CanvasMarks marks_;
};

} // namespace tosk
