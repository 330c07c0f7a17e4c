#pragma once

#include "base/Geometry.h"

class QPainter;

namespace tosk {

class Module;
class ModuleList;
struct CanvasMarks;

// Paints a whole patch: its modules in list order (those after the marker
// in processor B's colour), the head's boxes, the wires and the marks of
// the interaction. It lays out the modules that need it and measures the
// canvas's extent as it goes. The canvas, `tosk-cli render` and the tests
// all paint through this.
class CanvasPainter {
public:
    // Paints the area `dirty` (canvas points). The first paint lays out and
    // draws every module; later ones lay out only modules marked for update
    // and draw only what meets the dirty rect.
    void drawRect(QPainter& painter, const Rect& dirty, const ModuleList& patch, Module* head, int showMode,
                  const CanvasMarks& marks);
    // Lays the patch out and measures it as a paint would, drawing nothing.
    void measure(const ModuleList& patch, Module* head, int showMode);

    bool isFirst() const { return m_First; }
    // The next paint lays out and draws everything again.
    void setFirst() { m_First = true; }
    double maxX() const { return m_Maxx; }
    double maxY() const { return m_Maxy; }
    // Union of the graphic rects of the modules of the last paint.
    const Rect& visibleRect() const { return visibleRect_; }
    // How many modules the last paint drew.
    int modulesDrawn() const { return modulesDrawn_; }

private:
    void paint(QPainter* painter, const Rect* dirty, const ModuleList& patch, Module* head, int showMode,
               const CanvasMarks& marks);

    bool m_First = true;
    double m_Maxx = 0;
    double m_Maxy = 0;
    Rect visibleRect_;
    int modulesDrawn_ = 0;
};

} // namespace tosk
