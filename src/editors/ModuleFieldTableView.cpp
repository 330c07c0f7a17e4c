// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/ModuleFieldTableView.h"

#include <QHeaderView>
#include <QMouseEvent>

namespace tosk {

ModuleFieldTableView::ModuleFieldTableView(QWidget* parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("tableView"));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setWordWrap(false);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setVisible(false);
    // Rows all alike: no row is measured, however many there are.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
}

QItemSelectionModel::SelectionFlags ModuleFieldTableView::selectionCommand(const QModelIndex& index,
                                                                           const QEvent* event) const
{
    if (held())
        return QItemSelectionModel::NoUpdate;
    return QTableView::selectionCommand(index, event);
}

QModelIndex ModuleFieldTableView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    if (held())
        return currentIndex();
    return QTableView::moveCursor(cursorAction, modifiers);
}

void ModuleFieldTableView::mousePressEvent(QMouseEvent* event)
{
    if (held()) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void ModuleFieldTableView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (held()) {
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

} // namespace tosk
