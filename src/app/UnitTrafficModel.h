// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/UnitTraffic.h"

#include <QAbstractTableModel>

#include <vector>

namespace tosk {

// The frames of the unit traffic as table rows: time, direction, command,
// length and the first bytes in hexadecimal, oldest first.
class UnitTrafficModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { TimeColumn, DirectionColumn, CommandColumn, LengthColumn, BytesColumn, ColumnCount };

    explicit UnitTrafficModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Adds the entries not shown yet (a serial above the last one's), and
    // keeps no more rows than the traffic record does.
    void append(const std::vector<TrafficEntry>& entries);
    void clear();
    uint64_t lastSerial() const { return lastSerial_; }

    // "12:34:56.789", local time.
    static QString timeText(const TrafficEntry& entry);
    // "F0 1C 70 00 0B F7", with " ..." when the frame is longer, and
    // " (no F7)" for a message that never ended.
    static QString bytesText(const TrafficEntry& entry);

private:
    std::vector<TrafficEntry> rows_;
    uint64_t lastSerial_ = 0;
};

} // namespace tosk
