// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>

namespace tosk {

class GraphicView;

// The canvas as assistive technology sees it: a canvas named after what is
// selected ("Module osc, OSC, selected"), or "Patch canvas" with nothing
// selected, described by the keys that work it.
class GraphicViewAccessible : public QAccessibleWidget {
public:
    explicit GraphicViewAccessible(GraphicView* view);

    QString text(QAccessible::Text t) const override;

    // For QAccessible::installFactory: an interface for a GraphicView,
    // nothing for any other object.
    static QAccessibleInterface* create(const QString& className, QObject* object);
    // Installs the factory once per process.
    static void install();

private:
    GraphicView* view() const;
};

} // namespace tosk
