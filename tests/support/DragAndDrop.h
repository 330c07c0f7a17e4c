// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

#include <string>

namespace tosk::test {

// A drag that enters `target`, moves to `at` and drops there, as the window
// system sends it: it stops at the first event refused (with a leave after a
// refused move). One "+" for each event taken and a "-" for the one refused:
// "+++" is a drop taken, "-" a drag refused as it enters.
inline std::string dragAndDrop(QWidget* target, const QMimeData* data, QPoint at)
{
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return "-";
    QDragMoveEvent move(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted()) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(target, &leave);
        return "+-";
    }
    QDropEvent drop(QPointF(at), actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted() ? "+++" : "++-";
}

} // namespace tosk::test
