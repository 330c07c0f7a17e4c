// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Geometry.h"

#include <QFrame>

#include <string>

class QLineEdit;
class QListWidget;

namespace tosk {

class GraphicView;

// The small search field a double-click on empty canvas opens at that point:
// the operators matching what is typed, ranked as the add panel ranks them
// (OperatorSearch). Return places the best match (or the one picked with
// the arrow keys) there, Shift+Return places it and wires the module that
// was selected into it, Escape or a click elsewhere closes it.
class CanvasQuickAdd : public QFrame {
    Q_OBJECT

public:
    static constexpr int kShown = 8;

    explicit CanvasQuickAdd(GraphicView& view);

    // Opens at the canvas point, empty, with the keyboard in it.
    void openAt(const Point& point);
    QLineEdit* field() const { return field_; }
    QListWidget* list() const { return list_; }
    // The operator Return would place; "" for none.
    std::string chosen() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void search();
    void place(bool wire);

    GraphicView& view_;
    QLineEdit* field_ = nullptr;
    QListWidget* list_ = nullptr;
    Point point_;
};

} // namespace tosk
