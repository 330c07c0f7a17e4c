// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/GraphicViewAccessible.h"

#include "canvas/GraphicView.h"
#include "canvas/Latin1.h"

namespace tosk {

GraphicViewAccessible::GraphicViewAccessible(GraphicView* view) : QAccessibleWidget(view, QAccessible::Canvas) {}

GraphicView* GraphicViewAccessible::view() const
{
    return static_cast<GraphicView*>(widget());
}

QString GraphicViewAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name: {
        const QString selected = view()->selectionAnnouncement();
        return selected.isEmpty() ? view()->accessibleName() : selected;
    }
    case QAccessible::Description: {
        if (!view()->accessibleDescription().isEmpty())
            return view()->accessibleDescription();
        return Latin1::text("CanvasHelp", "Patch canvas. Page Down and Page Up select the next and the previous "
                                          "module, Home and End the first and the last; the arrow keys move the "
                                          "selection, Delete removes it, the Menu key opens its options.");
    }
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessibleInterface* GraphicViewAccessible::create(const QString&, QObject* object)
{
    if (auto* view = qobject_cast<GraphicView*>(object))
        return new GraphicViewAccessible(view);
    return nullptr;
}

void GraphicViewAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&GraphicViewAccessible::create);
        return true;
    }();
    (void)installed;
}

} // namespace tosk
