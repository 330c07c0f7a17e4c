// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/DiskDragMimeData.h"

namespace tosk {

DiskDragMimeData::DiskDragMimeData(std::vector<DiskDropItem::Ptr> items, const QString& description,
                                   const void* origin)
    : unitItems_(std::move(items)), origin_(origin)
{
    setData(QString::fromLatin1(mimeType), description.toUtf8());
    setText(description);
}

DiskDragMimeData::DiskDragMimeData(std::vector<TreeNode::Ptr> diskNodes, const void* origin,
                                   const QString& description)
    : diskNodes_(std::move(diskNodes)), origin_(origin)
{
    setData(QString::fromLatin1(mimeType), description.toUtf8());
    setText(description);
}

} // namespace tosk
