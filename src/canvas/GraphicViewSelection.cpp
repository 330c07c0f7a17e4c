// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas's selection: modules, field and wire, and how it is announced.
#include "canvas/GraphicView.h"

#include "Toskfile/CanvasHitTest.h"
#include "Toskfile/SigFile.h"
#include "canvas/CanvasComments.h"
#include "canvas/Latin1.h"

#include <QAccessible>

#include <algorithm>

namespace tosk {

// ---------------------------------------------------------------- selection

bool GraphicView::moduleIsSelected(const Module* module) const
{
    for (const auto& weak : marks_.selectedModules)
        if (weak.lock().get() == module)
            return true;
    return false;
}

void GraphicView::selectModule(Module& module)
{
    if (&module == head() || module.isTail() || moduleIsSelected(&module))
        return;
    std::vector<Module*> selection = selectedModules();
    selection.push_back(&module);
    setSelection(selection);
}

void GraphicView::deselectModule(Module& module)
{
    if (!moduleIsSelected(&module))
        return;
    std::vector<Module*> selection = selectedModules();
    std::erase(selection, &module);
    setSelection(selection);
}

void GraphicView::clearSelection()
{
    setSelection({});
}

void GraphicView::setSelection(const std::vector<Module*>& modules)
{
    const std::vector<Module*> before = selectedModules();
    std::vector<std::weak_ptr<Module>> kept;
    std::vector<const Module*> seen;
    for (Module* m : modules) {
        if (!m || m == head() || m->isTail() || std::find(seen.begin(), seen.end(), m) != seen.end())
            continue;
        seen.push_back(m);
        kept.push_back(m->shared_from_this());
    }
    if (seen.size() == before.size() && std::equal(seen.begin(), seen.end(), before.begin()))
        return;
    marks_.selectedModules = std::move(kept);
    if (!seen.empty())
        setSelectedWire(nullptr);
    selectionDidChange(before);
}

void GraphicView::selectionDidChange(const std::vector<Module*>& before)
{
    const std::vector<Module*> after = selectedModules();
    std::vector<Module*> a = before, b = after, changed;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    std::set_symmetric_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(changed));
    // Comments are selected on their own.
    if (!after.empty())
        comments_->clearSelection();
    if (changed.size() > 200) {
        update();
    } else {
        for (Module* m : changed)
            invalidateModule(*m);
        // The wires of a single selected module are drawn wider.
        for (const auto* list : {&before, &after})
            if (list->size() == 1 && patch_)
                invalidateRect(CanvasHitTest::connectedDirtyRect(layout_, *patch_, *list->front()));
    }
    emit selectionChanged();
    announceSelection();
}

void GraphicView::setSelectedField(const ModuleField::Ptr& field)
{
    ModuleField::Ptr old = marks_.selectedField.lock();
    if (old == field)
        return;
    marks_.selectedField = field;
    if (old)
        invalidateField(*old);
    if (field)
        invalidateField(*field);
    announceSelection();
}

void GraphicView::setSelectedWire(const ModuleField::Ptr& input)
{
    ModuleField::Ptr old = marks_.selectedWire.lock();
    if (old == input)
        return;
    marks_.selectedWire = input;
    // A wire runs anywhere between its two pins.
    for (const auto& f : {old, input})
        if (f && patch_ && f->trueParent())
            invalidateRect(CanvasHitTest::connectedDirtyRect(layout_, *patch_, *f->trueParent()));
}

ModuleField::Ptr GraphicView::wireAt(const Point& point)
{
    if (!patch_)
        return nullptr;
    return CanvasHitTest::wireAt(canvasLayout(), head(), point);
}

std::vector<Module*> GraphicView::selectableModules() const
{
    std::vector<Module*> modules;
    if (!patch_)
        return modules;
    for (const Module::Ptr& m : patch_->listOfModules())
        if (m && m.get() != head() && !m->isTail())
            modules.push_back(m.get());
    return modules;
}

void GraphicView::selectAdjacentModule(int step)
{
    const std::vector<Module*> modules = selectableModules();
    if (modules.empty() || step == 0)
        return;
    const std::vector<Module*> selection = selectedModules();
    const auto last = static_cast<long>(modules.size()) - 1;
    // From nothing selected, one step forward is the first module and one
    // step back the last.
    long from = step > 0 ? -1 : last + 1;
    if (!selection.empty()) {
        const auto at = std::find(modules.begin(), modules.end(), selection.back());
        if (at != modules.end())
            from = static_cast<long>(at - modules.begin());
    }
    const long index = std::clamp(from + step, 0L, last);
    Module* chosen = modules[static_cast<size_t>(index)];
    setSelection({chosen});
    scrollRectToVisible(canvasLayout().graphicRect(*chosen));
}

QString GraphicView::selectionAnnouncement() const
{
    const std::vector<Module*> selection = selectedModules();
    QString text;
    if (selection.size() == 1) {
        const Module* m = selection.front();
        text = Latin1::text("AnnounceModule", "Module") + QLatin1Char(' ') + Latin1::qstring(m->instanceName());
        if (m->opDescriptor())
            text += QStringLiteral(", ") + Latin1::qstring(m->name());
        text += QStringLiteral(", ") + Latin1::text("AnnounceSelected", "selected");
    } else if (selection.size() > 1) {
        text = QString::number(static_cast<qulonglong>(selection.size())) + QLatin1Char(' ') +
               Latin1::text("AnnounceModulesSelected", "modules selected");
    }
    if (ModuleField::Ptr field = selectedField()) {
        if (!text.isEmpty())
            text += QStringLiteral("; ");
        text += Latin1::text("AnnounceField", "field") + QLatin1Char(' ') + Latin1::qstring(field->name());
        if (const Module* owner = field->parent())
            text += QLatin1Char(' ') + Latin1::text("AnnounceOf", "of") + QLatin1Char(' ') +
                    Latin1::qstring(owner->instanceName());
        if (!field->isOutput()) {
            const std::string value = field->getName(true, false, false, false, true);
            if (!value.empty())
                text += QStringLiteral(": ") + Latin1::qstring(value);
        }
    }
    return text;
}

void GraphicView::announceSelection()
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(this);
    emit announced(iface ? iface->text(QAccessible::Name) : accessibleName());
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    QAccessibleEvent selection(this, QAccessible::Selection);
    QAccessible::updateAccessibility(&selection);
    // A screen reader reads the focused object again when it is told that
    // the focus is there: the new selection is heard at once.
    if (hasFocus()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

Module* GraphicView::head() const
{
    return patch_ ? patch_->head().get() : nullptr;
}

} // namespace tosk
