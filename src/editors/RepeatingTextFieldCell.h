// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPersistentModelIndex>
#include <QRect>
#include <QStyledItemDelegate>

#include <functional>
#include <memory>

class QAbstractItemView;
class QSvgRenderer;

namespace tosk {

// The "type" cells of the inspector: the field's name, and for a field of
// a repeated group two small step buttons at the cell's right end, "-"
// (remove this repetition) and "+" (add one after it). A press is tracked
// like a button's: it counts when it is released over the button it
// started on, and it acts on the row that was pressed, whatever row is
// selected.
class RepeatingTextFieldCell : public QStyledItemDelegate {
    Q_OBJECT

public:
    enum ButtonState { None = 0, Decrement = 1, Increment = 2 };
    using ClickHandler = std::function<void(int row, ButtonState button)>;

    // Tracks the mouse over the view's cells; `onClick` is told of each
    // click of a step button.
    RepeatingTextFieldCell(QAbstractItemView* view, ClickHandler onClick);
    ~RepeatingTextFieldCell() override;

    // The step images' size: the width of the button area at a cell's end.
    static QSize imageSize();
    // Where the two buttons of a cell lie (each inset by 1).
    static QRect imageRect(const QRect& cell);
    static QRect decRect(const QRect& cell);
    static QRect incRect(const QRect& cell);

    bool buttonsAreEnabled() const { return buttonsAreEnabled_; }
    void setButtonsEnabled(bool on) { buttonsAreEnabled_ = on; }
    // The button held down now, and on which row.
    ButtonState buttonState() const { return buttonState_; }
    int pressedRow() const { return pressed_.isValid() ? pressed_.row() : -1; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isRepeated(const QModelIndex& index) const;

    QAbstractItemView* view_;
    // Compared with, never called: the view may be going when events come.
    QObject* viewport_;
    ClickHandler onClick_;
    std::unique_ptr<QSvgRenderer> nilImage_;
    std::unique_ptr<QSvgRenderer> decImage_;
    std::unique_ptr<QSvgRenderer> incImage_;
    bool buttonsAreEnabled_ = true;
    ButtonState buttonState_ = None;
    // The button the press started on, its cell, and whether the mouse is
    // over it now.
    ButtonState startButton_ = None;
    QPersistentModelIndex pressed_;
    QRect startRect_;
};

} // namespace tosk
