#pragma once

#include "canvas/CanvasMarks.h"

#include <QImage>
#include <QString>

class QPainter;

namespace tosk {

class Module;
class ModuleList;

// Renders a whole patch to a picture at its own extent, with the painters
// of the canvas: for `tosk-cli render`, tests and screenshots.
class CanvasRenderer {
public:
    CanvasRenderer(const ModuleList& patch, Module* head, int showMode, CanvasMarks marks = {});

    // The canvas's extent in points: where its right-most and lowest things
    // end, and at least one head box high, as it is always the head's column
    // wide: a patch with nothing on it is a blank box, not a line.
    QSizeF extent();
    // The picture's size in pixels at `scale`: the extent, rounded up.
    QSize pictureSize(double scale);
    // The canvas at `scale` pixels per point, on white.
    QImage image(double scale = 1);
    // Writes the picture as PNG or SVG, by the file's extension; false with
    // a reason when it cannot.
    bool write(const QString& path, double scale, QString& error);

private:
    // Lays the patch out afresh and paints it, `size` points from the origin.
    void paint(QPainter& painter, const QSizeF& size);

    const ModuleList& patch_;
    Module* head_;
    int showMode_;
    CanvasMarks marks_;
};

} // namespace tosk
