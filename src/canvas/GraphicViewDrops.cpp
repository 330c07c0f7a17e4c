// SPDX-License-Identifier: GPL-3.0-or-later
// Operators dropped on the canvas, inserted modules and quick add.
#include "canvas/GraphicView.h"

#include "Toskfile/CanvasHitTest.h"
#include "Toskfile/ModuleArrangement.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"
#include "canvas/CanvasQuickAdd.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QMimeData>

namespace tosk {

// ---------------------------------------------------------------- operator drops

Module* GraphicView::dropTarget(const Point& point, bool* refused)
{
    *refused = false;
    if (!patch_)
        return nullptr;
    Module* m = CanvasHitTest::moduleUnderPoint(canvasLayout(), *patch_, point);
    if (m == head() && m) {
        *refused = true;
        return nullptr;
    }
    if (m)
        return m;
    const std::vector<Module*> selection = selectedModules();
    return selection.size() == 1 ? selection.front() : head();
}

void GraphicView::dragEnterEvent(QDragEnterEvent* event)
{
    if (patch_ && document_ && event->mimeData()->hasFormat(QString::fromLatin1(OperatorMimeType))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    event->ignore();
}

void GraphicView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!patch_ || !event->mimeData()->hasFormat(QString::fromLatin1(OperatorMimeType))) {
        event->ignore();
        return;
    }
    const Point p = canvasPoint(event->position());
    bool refused = false;
    dropTarget(p, &refused);
    if (refused) {
        setHighlightWire(nullptr);
        event->ignore();
        return;
    }
    setHighlightWire(CanvasHitTest::moduleUnderPoint(layout_, *patch_, p) ? nullptr : wireAt(p));
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void GraphicView::dragLeaveEvent(QDragLeaveEvent* event)
{
    setHighlightWire(nullptr);
    QWidget::dragLeaveEvent(event);
}

void GraphicView::dropEvent(QDropEvent* event)
{
    setHighlightWire(nullptr);
    const QByteArray name = event->mimeData()->data(QString::fromLatin1(OperatorMimeType));
    if (name.isEmpty() ||
        !dropOperator(std::string(name.constData(), size_t(name.size())), canvasPoint(event->position()))) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

bool GraphicView::dropOperator(const std::string& operatorName, const Point& point)
{
    bool refused = false;
    Module* target = dropTarget(point, &refused);
    if (refused || !patch_ || !document_ || operatorName.empty())
        return false;
    Point at = point;
    if (grid_.snapsToGrid && grid_.spacing >= 1)
        at = Point{ModuleArrangement::snap(at.x, grid_.spacing), ModuleArrangement::snap(at.y, grid_.spacing)};
    if (!CanvasHitTest::moduleUnderPoint(layout_, *patch_, point)) {
        if (ModuleField::Ptr wire = wireAt(point)) {
            UndoGroup event(*document_);
            if (Module::Ptr made = PatchEditor(*document_).insertModuleOnWire(operatorName, wire, at))
                return showMade(made);
        }
    }
    // A module that cannot go into the wire is still placed there.
    insertModuleAt(operatorName, target ? target : head(), point);
    return true;
}

void GraphicView::setHighlightWire(const ModuleField::Ptr& input)
{
    ModuleField::Ptr old = marks_.highlightWire.lock();
    if (old == input)
        return;
    marks_.highlightWire = input;
    for (const auto& f : {old, input})
        if (f && patch_ && f->trueParent())
            invalidateRect(CanvasHitTest::connectedDirtyRect(layout_, *patch_, *f->trueParent()));
}

bool GraphicView::insertModule(const std::string& operatorName, Module* after)
{
    if (!document_ || !patch_ || operatorName.empty())
        return false;
    UndoGroup event(*document_);
    PatchEditor editor(*document_);
    if (!selectedModules().empty())
        return showMade(editor.insertModule(operatorName, after));
    canvasLayout();
    // A selected wire takes the module in (Insert Module... of its menu),
    // with the box half-way along it.
    if (ModuleField::Ptr wire = selectedWire(); wire && wire->source()) {
        const Rect a = layout_.pinRect(*wire), b = layout_.pinRect(*wire->source());
        const Point middle{(a.midX() + b.midX()) / 2, (a.midY() + b.midY()) / 2};
        if (Module::Ptr made = editor.insertModuleOnWire(operatorName, wire, middle)) {
            setSelectedWire(nullptr);
            return showMade(made);
        }
    }
    // Nothing to put it beside: it goes where the user is looking, clear
    // of the boxes there and of the head's.
    std::vector<Rect> heads;
    for (const auto& box : layout_.headBoxes())
        heads.push_back(box.rect);
    // Kept off the edges, so that bringing it into sight scrolls nothing.
    const double edge = 8;
    return showMade(editor.insertModuleInRoom(operatorName, after, visibleArea().inset(edge, edge), grid_.spacing,
                                              heads, showMode()));
}

bool GraphicView::insertModuleAt(const std::string& operatorName, Module* after, const Point& point)
{
    if (!document_ || !patch_ || operatorName.empty())
        return false;
    Point at = point;
    if (grid_.snapsToGrid && grid_.spacing >= 1)
        at = Point{ModuleArrangement::snap(at.x, grid_.spacing), ModuleArrangement::snap(at.y, grid_.spacing)};
    UndoGroup event(*document_);
    return showMade(PatchEditor(*document_).insertModuleAt(operatorName, after, at));
}

void GraphicView::openQuickAdd(const Point& point)
{
    if (!patch_ || !document_)
        return;
    // A double-click that never had a first press (as some systems send
    // it) still finds the selection.
    if (const std::vector<Module*> selection = selectedModules(); selection.size() == 1)
        selectedBeforeClick_ = selection.front()->shared_from_this();
    if (!quickAdd_)
        quickAdd_ = new CanvasQuickAdd(*this);
    quickAdd_->openAt(point);
}

bool GraphicView::placeFromQuickAdd(const std::string& operatorName, const Point& point, bool wire)
{
    if (!patch_ || !document_ || operatorName.empty())
        return false;
    Module::Ptr before = selectedBeforeClick_.lock();
    if (before && patch_->indexOfModule(before.get()) == ModuleList::npos)
        before.reset();
    Point at = point;
    if (grid_.snapsToGrid && grid_.spacing >= 1)
        at = Point{ModuleArrangement::snap(at.x, grid_.spacing), ModuleArrangement::snap(at.y, grid_.spacing)};
    UndoGroup event(*document_);
    PatchEditor editor(*document_);
    Module::Ptr made = editor.insertModuleAt(operatorName, before ? before.get() : head(), at);
    if (!made)
        return false;
    if (wire && before) {
        auto [output, input] = ConnectionRules::chain(*before, *made);
        if (output && input)
            editor.connectFields(output, input);
    }
    return showMade(made);
}

bool GraphicView::showMade(const std::shared_ptr<Module>& made)
{
    if (!made)
        return false;
    setSelection({made.get()});
    scrollRectToVisible(canvasLayout().graphicRect(*made));
    return true;
}

} // namespace tosk
