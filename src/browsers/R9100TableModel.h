// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/R9100ProgramItem.h"

#include <QAbstractTableModel>

#include <functional>
#include <memory>
#include <vector>

class QMimeData;

namespace tosk {

// The presets of a program-list unit, one row each: name, number,
// monolithic and sample-rate symbols, location, inputs, outputs, effects.
class R9100TableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Name, Number, Monolithic, Sample, Location, Inputs, Outputs, Effects, ColumnCount };
    using Item = std::shared_ptr<R9100ProgramItem>;
    using MimeFactory = std::function<QMimeData*(const std::vector<Item>& items)>;

    explicit R9100TableModel(QObject* parent = nullptr);

    // "Name", "Number"...: the column's identifier.
    static QString columnIdentifier(int column);
    void setItems(std::vector<Item> items);
    const std::vector<Item>& items() const { return items_; }
    Item itemAt(int row) const;
    int rowOf(const Item& item) const;
    void setMimeFactory(MimeFactory factory) { mimeFactory_ = std::move(factory); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Sorts by the field the column shows (the number by its value).
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
    std::vector<Item> items_;
    MimeFactory mimeFactory_;
};

} // namespace tosk
