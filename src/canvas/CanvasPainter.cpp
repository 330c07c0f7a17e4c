#include "canvas/CanvasPainter.h"

#include "Toskfile/ModuleList.h"
#include "canvas/BadgePainter.h"
#include "canvas/CanvasMarks.h"
#include "canvas/CanvasStyle.h"
#include "canvas/HeadPainter.h"
#include "canvas/ModulePainter.h"
#include "canvas/WirePainter.h"

#include "Toskfile/MyExtensions.h"

#include <QPainter>

#include <algorithm>

namespace tosk {

namespace {
constexpr double kConnectionDot = 40.0 / 7;
}

void CanvasPainter::drawRect(QPainter& painter, const Rect& dirty, const ModuleList& patch, Module* head, int showMode,
                             const CanvasMarks& marks)
{
    paint(&painter, &dirty, patch, head, showMode, marks);
}

void CanvasPainter::measure(const ModuleList& patch, Module* head, int showMode)
{
    CanvasMarks none;
    paint(nullptr, nullptr, patch, head, showMode, none);
}

void CanvasPainter::paint(QPainter* painter, const Rect* dirty, const ModuleList& patch, Module* head, int showMode,
                          const CanvasMarks& stored)
{
    using S = CanvasStyle;
    const CanvasMarks::Shown marks(stored);
    if (painter) {
        S::takeColors();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setRenderHint(QPainter::TextAntialiasing);
        painter->fillRect(S::qrect(*dirty), Qt::white);
    }
    const bool first = m_First;
    m_Maxx = m_Maxy = 0;
    visibleRect_ = Rect();
    modulesDrawn_ = 0;

    bool processorB = false;
    size_t index = 0;
    for (const auto& module : patch.listOfModules()) {
        size_t at = index++;
        if (module.get() == head)
            continue;
        if (module->isMarker())
            processorB = true;
        if (first || module->updateNeeded())
            module->update(showMode);
        if (module->height() <= 0)
            continue;
        const Rect& g = module->graphicRect();
        visibleRect_ = visibleRect_.united(g);
        if (painter && (first || g.intersects(*dirty))) {
            ModulePainter::draw(*painter, *module, marks, processorB, showMode, ModulePainter::orderText(at));
            ++modulesDrawn_;
        }
        m_Maxx = std::max(m_Maxx, g.maxX());
        m_Maxy = std::max(m_Maxy, g.maxY());
    }
    m_Maxx = std::max(m_Maxx, HeadPainter::kBoxWidth) + HeadPainter::kBoxHeight;

    if (head) {
        if (first || head->updateNeeded())
            head->update(showMode);
        HeadPainter::drawHeadFields(painter, *head, m_Maxx, marks.selectedField.get(), showMode, m_Maxx, m_Maxy);
        if (painter)
            WirePainter::drawConnects(*painter, patch, head, marks, first ? std::nullopt : std::optional<Rect>(*dirty));
    }
    m_First = false;
    if (!painter)
        return;

    if (marks.fieldConnectionPoint != Point{} && marks.selectedField) {
        const ModuleField& f = *marks.selectedField;
        QPointF from = S::qrect(f.rect()).center(), to = S::qpoint(marks.fieldConnectionPoint);
        painter->setPen(QPen(S::role(f.strokeColor()), 1));
        painter->drawLine(from, to);
        QColor fill = S::role(f.fillColor());
        S::strokeOval(*painter,
                      QRectF(to.x() - kConnectionDot / 2, to.y() - kConnectionDot / 2, kConnectionDot, kConnectionDot),
                      S::role(f.strokeColor()), 1, &fill);
    }
    if (marks.orderConnectionPoint != Point{} && marks.orderSourceModule) {
        size_t i = patch.indexOfModule(marks.orderSourceModule.get());
        BadgePainter::drawOrderDrag(*painter, *marks.orderSourceModule, marks.orderConnectionPoint,
                                    numberString(double(i) + 1));
    }
    if (!(marks.rubberbandRect == Rect())) {
        painter->setPen(QPen(S::knob(), 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(S::qrect(marks.rubberbandRect));
    }
}

} // namespace tosk
