// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/R9100TableModel.h"

#include "base/TextCase.h"
#include "browsers/DiskDragMimeData.h"
#include "canvas/Latin1.h"

#include <QBrush>
#include <QFont>
#include <QGuiApplication>

#include <algorithm>

namespace tosk {

namespace {

QString cellText(const R9100ProgramItem& item, int column)
{
    switch (column) {
    case R9100TableModel::Name:
        return Latin1::qstring(item.progName());
    case R9100TableModel::Number:
        return Latin1::qstring(item.progNum());
    case R9100TableModel::Monolithic:
        return QString::fromStdString(item.progMonolitic());
    case R9100TableModel::Sample:
        return QString::fromStdString(item.progSample());
    case R9100TableModel::Location:
        return QString::fromStdString(item.progLoc());
    case R9100TableModel::Inputs:
        return QString::fromStdString(item.progInputs());
    case R9100TableModel::Outputs:
        return QString::fromStdString(item.progOutputs());
    case R9100TableModel::Effects:
        return QString::fromStdString(item.progEffects());
    default:
        return {};
    }
}

QFont fixedFont()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(12);
    return font;
}

} // namespace

R9100TableModel::R9100TableModel(QObject* parent) : QAbstractTableModel(parent) {}

QString R9100TableModel::columnIdentifier(int column)
{
    static const char* const ids[] = {"Name",     "Number", "Monolithic", "Sample",
                                      "Location", "Inputs", "Outputs",    "Effects"};
    return column >= 0 && column < ColumnCount ? QString::fromLatin1(ids[column]) : QString();
}

void R9100TableModel::setItems(std::vector<Item> items)
{
    beginResetModel();
    items_ = std::move(items);
    endResetModel();
}

R9100TableModel::Item R9100TableModel::itemAt(int row) const
{
    return row >= 0 && size_t(row) < items_.size() ? items_[size_t(row)] : nullptr;
}

int R9100TableModel::rowOf(const Item& item) const
{
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : int(it - items_.begin());
}

int R9100TableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(items_.size());
}

int R9100TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant R9100TableModel::data(const QModelIndex& index, int role) const
{
    const Item item = index.isValid() ? itemAt(index.row()) : nullptr;
    if (!item)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return cellText(*item, column);
    case Qt::FontRole: {
        if (column == Location || column == Effects)
            return fixedFont();
        QFont font = QGuiApplication::font();
        font.setPointSize(11);
        font.setStrikeOut(column == Name && item->isDisabled());
        return font;
    }
    case Qt::ForegroundRole:
        if (column == Monolithic)
            return QBrush(Qt::blue);
        if (column == Sample)
            return QBrush(Qt::red);
        if (column == Effects)
            return QBrush(QColor(128, 0, 128));
        return QBrush(Qt::black);
    case Qt::TextAlignmentRole:
        if (column == Number)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (column == Name || column == Effects)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return int(Qt::AlignCenter);
    default:
        return {};
    }
}

QVariant R9100TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[] = {"Name", "Number", "Mono", "Rate", "Loc", "In", "Out", "Effects"};
    if (section < 0 || section >= ColumnCount)
        return {};
    std::string key = "R9100Column";
    key += columnIdentifier(section).toStdString();
    return Latin1::text(key.c_str(), titles[section]);
}

Qt::ItemFlags R9100TableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (mimeFactory_)
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

void R9100TableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    emit layoutAboutToBeChanged();
    auto less = [column](const Item& a, const Item& b) {
        if (column == Number)
            return a->progNumber() < b->progNumber();
        if (column == Inputs)
            return a->inputs() < b->inputs();
        if (column == Outputs)
            return a->outputs() < b->outputs();
        // As a person reads the names: "Hall 2" before "Hall 10".
        return naturalCompare(cellText(*a, column).toStdString(), cellText(*b, column).toStdString()) < 0;
    };
    if (order == Qt::AscendingOrder)
        std::stable_sort(items_.begin(), items_.end(), less);
    else
        std::stable_sort(items_.begin(), items_.end(), [&](const Item& a, const Item& b) { return less(b, a); });
    emit layoutChanged();
}

QStringList R9100TableModel::mimeTypes() const
{
    return {QString::fromLatin1(DiskDragMimeData::mimeType)};
}

QMimeData* R9100TableModel::mimeData(const QModelIndexList& indexes) const
{
    if (!mimeFactory_)
        return nullptr;
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && std::find(rows.begin(), rows.end(), index.row()) == rows.end())
            rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    std::vector<Item> items;
    for (int row : rows)
        if (Item item = itemAt(row))
            items.push_back(item);
    return mimeFactory_(items);
}

} // namespace tosk
