// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

namespace tosk {

// The "value" cells of the inspector as they are edited: a typed value in
// a monospaced line, or, for an input, an editable combo box of the
// outputs it may be connected to (12 rows at most, with a scroller past
// 11). Picking an output stores it at once; Return stores what was typed.
// The model checks every value (ModuleFieldTableModel::setData).
class ModuleFieldValueDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kMaxVisibleItems = 12;

    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
};

} // namespace tosk
