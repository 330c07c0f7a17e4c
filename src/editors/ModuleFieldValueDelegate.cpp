// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/ModuleFieldValueDelegate.h"

#include "editors/ModuleFieldTableModel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

namespace tosk {

QWidget* ModuleFieldValueDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                                const QModelIndex& index) const
{
    const QFont font = index.data(Qt::FontRole).value<QFont>();
    auto* model = qobject_cast<const ModuleFieldTableModel*>(index.model());
    if (!model || !index.data(ModuleFieldTableModel::HasSourcesRole).toBool()) {
        auto* line = new QLineEdit(parent);
        line->setObjectName(QStringLiteral("valueEditor"));
        // Heard as the field whose value it edits.
        line->setAccessibleName(index.siblingAtColumn(ModuleFieldTableModel::TypeColumn).data().toString());
        line->setFont(font);
        line->setFrame(false);
        return line;
    }
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("sourceEditor"));
    combo->setAccessibleName(index.siblingAtColumn(ModuleFieldTableModel::TypeColumn).data().toString());
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setFrame(false);
    combo->setFont(font);
    combo->lineEdit()->setFont(font);
    combo->addItems(model->validConnectsForFieldAtIndex(index.row()));
    combo->setMaxVisibleItems(kMaxVisibleItems);
    combo->view()->setVerticalScrollBarPolicy(combo->count() > kMaxVisibleItems - 1 ? Qt::ScrollBarAlwaysOn
                                                                                    : Qt::ScrollBarAlwaysOff);
    // A source picked from the list is stored at once.
    auto* self = const_cast<ModuleFieldValueDelegate*>(this);
    connect(combo, &QComboBox::activated, self, [self, combo] {
        emit self->commitData(combo);
        emit self->closeEditor(combo, QAbstractItemDelegate::NoHint);
    });
    return combo;
}

void ModuleFieldValueDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QString value = index.data(Qt::EditRole).toString();
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        const int at = combo->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (at >= 0)
            combo->setCurrentIndex(at);
        else
            combo->setEditText(value);
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setText(value);
        line->selectAll();
    }
}

void ModuleFieldValueDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    QString value;
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        value = combo->currentText();
    else if (auto* line = qobject_cast<QLineEdit*>(editor))
        value = line->text();
    else
        return;
    // Leaving a cell without changing it changes nothing.
    if (value == index.data(Qt::EditRole).toString())
        return;
    model->setData(index, value, Qt::EditRole);
}

void ModuleFieldValueDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                                    const QModelIndex&) const
{
    editor->setGeometry(option.rect);
}

} // namespace tosk
