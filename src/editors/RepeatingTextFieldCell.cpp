// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/RepeatingTextFieldCell.h"

#include "base/DataFiles.h"
#include "editors/ModuleFieldTableModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

namespace tosk {

namespace {

std::unique_ptr<QSvgRenderer> image(const char* name)
{
    const std::string file = DataFiles::path(std::string("icons/") + name + ".svg");
    return std::make_unique<QSvgRenderer>(QString::fromStdString(file));
}

} // namespace

RepeatingTextFieldCell::RepeatingTextFieldCell(QAbstractItemView* view, ClickHandler onClick)
    : QStyledItemDelegate(view), view_(view), viewport_(view->viewport()), onClick_(std::move(onClick)),
      nilImage_(image("StepNil")), decImage_(image("StepDec")), incImage_(image("StepInc"))
{
    view_->viewport()->installEventFilter(this);
}

RepeatingTextFieldCell::~RepeatingTextFieldCell() = default;

QSize RepeatingTextFieldCell::imageSize()
{
    return QSize(28, 14);
}

QRect RepeatingTextFieldCell::imageRect(const QRect& cell)
{
    const QSize size = imageSize();
    const int height = std::min(cell.height(), size.height());
    return QRect(cell.right() + 1 - size.width(), cell.top() + (cell.height() - height) / 2, size.width(), height);
}

QRect RepeatingTextFieldCell::decRect(const QRect& cell)
{
    const QRect area = imageRect(cell);
    return QRect(area.left(), area.top(), area.width() / 2, area.height()).adjusted(1, 1, -1, -1);
}

QRect RepeatingTextFieldCell::incRect(const QRect& cell)
{
    const QRect area = imageRect(cell);
    const int half = area.width() / 2;
    return QRect(area.left() + half, area.top(), area.width() - half, area.height()).adjusted(1, 1, -1, -1);
}

bool RepeatingTextFieldCell::isRepeated(const QModelIndex& index) const
{
    return index.isValid() && index.column() == ModuleFieldTableModel::TypeColumn &&
           index.data(ModuleFieldTableModel::RepeatedRole).toBool();
}

void RepeatingTextFieldCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    if (!isRepeated(index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    // The whole cell's background first, then the text beside the buttons.
    QStyleOptionViewItem background(opt);
    background.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, opt.widget);
    const QRect area = imageRect(opt.rect);
    QStyleOptionViewItem text(opt);
    text.rect.setRight(area.left() - 3);
    text.backgroundBrush = Qt::NoBrush;
    text.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    style->drawControl(QStyle::CE_ItemViewItem, &text, painter, opt.widget);

    ButtonState shown = pressed_ == QPersistentModelIndex(index) ? buttonState_ : None;
    QSvgRenderer* renderer = shown == Decrement   ? decImage_.get()
                             : shown == Increment ? incImage_.get()
                                                  : nilImage_.get();
    if (renderer->isValid())
        renderer->render(painter, QRectF(area));
}

bool RepeatingTextFieldCell::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != viewport_)
        return QStyledItemDelegate::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton || !buttonsAreEnabled_)
            return false;
        const QPoint at = e->position().toPoint();
        const QModelIndex index = view_->indexAt(at);
        if (!isRepeated(index))
            return false;
        const QRect cell = view_->visualRect(index);
        ButtonState button = decRect(cell).contains(at) ? Decrement : incRect(cell).contains(at) ? Increment : None;
        if (button == None)
            return false;
        startButton_ = buttonState_ = button;
        startRect_ = button == Decrement ? decRect(cell) : incRect(cell);
        pressed_ = index;
        view_->viewport()->update(cell);
        return true;
    }
    case QEvent::MouseMove: {
        if (startButton_ == None)
            return false;
        auto* e = static_cast<QMouseEvent*>(event);
        const ButtonState now = startRect_.contains(e->position().toPoint()) ? startButton_ : None;
        if (now != buttonState_) {
            buttonState_ = now;
            view_->viewport()->update(startRect_.adjusted(-1, -1, 1, 1));
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (startButton_ == None || e->button() != Qt::LeftButton)
            return false;
        const ButtonState clicked = startRect_.contains(e->position().toPoint()) ? startButton_ : None;
        const int row = pressed_.isValid() ? pressed_.row() : -1;
        view_->viewport()->update(startRect_.adjusted(-1, -1, 1, 1));
        startButton_ = buttonState_ = None;
        pressed_ = QPersistentModelIndex();
        // Last: the click may change the rows.
        if (clicked != None && row >= 0 && onClick_)
            onClick_(row, clicked);
        return true;
    }
    default:
        return false;
    }
}

} // namespace tosk
