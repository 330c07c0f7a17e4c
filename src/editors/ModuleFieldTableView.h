// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTableView>

#include <functional>

namespace tosk {

// The inspector's table. While `selectionHeld` answers true (an error sheet
// is up) no click, key or call changes which row is selected.
class ModuleFieldTableView : public QTableView {
    Q_OBJECT

public:
    explicit ModuleFieldTableView(QWidget* parent = nullptr);

    void setSelectionHeld(std::function<bool()> held) { selectionHeld_ = std::move(held); }

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    // A click would still move the current row.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool held() const { return selectionHeld_ && selectionHeld_(); }

    std::function<bool()> selectionHeld_;
};

} // namespace tosk
