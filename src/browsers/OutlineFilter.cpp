// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/OutlineFilter.h"

#include "canvas/SearchField.h"

#include "canvas/Latin1.h"

#include <QAbstractItemModel>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeView>

namespace tosk {

QLineEdit* OutlineFilter::makeField(QWidget* parent, const QString& objectName, const QString& placeholder,
                                    const QString& accessibleName)
{
    return makeSearchField(parent, objectName, placeholder, accessibleName);
}

OutlineFilter::OutlineFilter(QTreeView* view, QLineEdit* field) : QObject(view), view_(view)
{
    if (field)
        connect(field, &QLineEdit::textChanged, this, &OutlineFilter::setText);
    QAbstractItemModel* model = view->model();
    if (!model)
        return;
    connect(model, &QAbstractItemModel::rowsInserted, this, &OutlineFilter::apply);
    connect(model, &QAbstractItemModel::modelReset, this, &OutlineFilter::apply);
    connect(model, &QAbstractItemModel::layoutChanged, this, &OutlineFilter::apply);
    connect(model, &QAbstractItemModel::dataChanged, this, &OutlineFilter::apply);
}

void OutlineFilter::setText(const QString& text)
{
    text_ = text.trimmed();
    apply();
}

void OutlineFilter::apply()
{
    if (view_->model() && held_ == 0)
        applyBelow(QModelIndex(), false);
}

void OutlineFilter::release()
{
    if (held_ > 0 && --held_ == 0)
        apply();
}

bool OutlineFilter::applyBelow(const QModelIndex& parent, bool insideMatch)
{
    QAbstractItemModel* model = view_->model();
    bool anyMatch = false;
    const int rows = model->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        const bool matches =
            !text_.isEmpty() && index.data(Qt::DisplayRole).toString().contains(text_, Qt::CaseInsensitive);
        const bool matchBelow = applyBelow(index, insideMatch || matches);
        view_->setRowHidden(row, parent, !(text_.isEmpty() || insideMatch || matches || matchBelow));
        // A match inside a closed group would stay out of sight.
        if (matchBelow && !view_->isExpanded(index))
            view_->expand(index);
        anyMatch = anyMatch || matches || matchBelow;
    }
    return anyMatch;
}

} // namespace tosk
