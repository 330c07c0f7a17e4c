// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UnitTrafficModel.h"

#include "canvas/Latin1.h"

#include <QDateTime>
#include <QFile>

namespace tosk {

int UnitTrafficModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int UnitTrafficModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString UnitTrafficModel::timeText(const TrafficEntry& entry)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(entry.time.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(qint64(ms)).toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString UnitTrafficModel::bytesText(const TrafficEntry& entry)
{
    QString text = QString::fromStdString(hexString(entry.head.data(), entry.head.size()));
    if (entry.length > entry.head.size())
        text += QStringLiteral(" ...");
    if (!entry.complete && !entry.head.empty() && entry.head[0] == sysex::START)
        text += QStringLiteral(" (no F7)");
    return text;
}

QVariant UnitTrafficModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= rows_.size())
        return {};
    const TrafficEntry& entry = rows_[size_t(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() == LengthColumn)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole)
        return QFile::decodeName(entry.port.c_str());
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case TimeColumn:
        return timeText(entry);
    case DirectionColumn:
        return entry.direction == TrafficEntry::Direction::Sent ? Latin1::text("TrafficSent", "sent")
                                                                : Latin1::text("TrafficReceived", "received");
    case CommandColumn:
        return QString::fromStdString(entry.commandName());
    case LengthColumn:
        return qulonglong(entry.length);
    case BytesColumn:
        return bytesText(entry);
    default:
        return {};
    }
}

QVariant UnitTrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TimeColumn:
        return Latin1::text("TrafficTime", "Time");
    case DirectionColumn:
        return Latin1::text("TrafficDirection", "Direction");
    case CommandColumn:
        return Latin1::text("TrafficCommand", "Command");
    case LengthColumn:
        return Latin1::text("TrafficLength", "Length");
    case BytesColumn:
        return Latin1::text("TrafficBytes", "First bytes");
    default:
        return {};
    }
}

void UnitTrafficModel::append(const std::vector<TrafficEntry>& entries)
{
    std::vector<TrafficEntry> fresh;
    for (const TrafficEntry& e : entries)
        if (e.serial > lastSerial_)
            fresh.push_back(e);
    if (fresh.empty())
        return;
    beginInsertRows(QModelIndex(), int(rows_.size()), int(rows_.size() + fresh.size() - 1));
    for (TrafficEntry& e : fresh) {
        lastSerial_ = e.serial;
        rows_.push_back(std::move(e));
    }
    endInsertRows();
    if (rows_.size() > UnitTraffic::defaultCapacity) {
        const size_t drop = rows_.size() - UnitTraffic::defaultCapacity;
        beginRemoveRows(QModelIndex(), 0, int(drop - 1));
        rows_.erase(rows_.begin(), rows_.begin() + long(drop));
        endRemoveRows();
    }
}

void UnitTrafficModel::clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

} // namespace tosk
