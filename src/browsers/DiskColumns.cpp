// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/DiskColumns.h"

#include "Toskfile/DiskFileTreeNode.h"
#include "base/Localization.h"
#include "base/TextCase.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>

namespace tosk {

namespace {

QString text(const char* key, const char* fallback)
{
    return QString::fromStdString(localized(key, fallback));
}

const DiskFileTreeNode* diskNode(const TreeNode& node)
{
    return dynamic_cast<const DiskFileTreeNode*>(&node);
}

} // namespace

DiskColumns::DiskColumns(QObject* parent) : QObject(parent), thread_([this] { run(); }) {}

DiskColumns::~DiskColumns()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

QStringList DiskColumns::titles()
{
    return {text("DiskColumnTitle", "Title"), text("DiskColumnModified", "Modified"), text("DiskColumnSize", "Size"),
            text("DiskColumnModules", "Modules")};
}

void DiskColumns::run()
{
    for (;;) {
        std::string path;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            if (stop_)
                return;
            path = std::move(queue_.front());
            queue_.pop_front();
        }
        const PatchFileSummary summary = cache_.summaryFor(path);
        QMetaObject::invokeMethod(
            this, [this, path, summary] { arrived(path, summary); }, Qt::QueuedConnection);
    }
}

void DiskColumns::request(const std::string& path)
{
    const QString key = QFile::decodeName(path.c_str());
    if (asked_.contains(key))
        return;
    asked_.insert(key);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(path);
    }
    wake_.notify_one();
}

void DiskColumns::arrived(const std::string& path, const PatchFileSummary& summary)
{
    const QString key = QFile::decodeName(path.c_str());
    // Forgotten meanwhile: the answer may be older than the file.
    if (!asked_.remove(key))
        return;
    known_[path] = summary;
    emit known(key);
}

const PatchFileSummary& DiskColumns::summaryNow(const std::string& path)
{
    const auto found = known_.find(path);
    if (found != known_.end())
        return found->second;
    return known_[path] = cache_.summaryFor(path);
}

void DiskColumns::forget(const std::string& path)
{
    known_.erase(path);
    asked_.remove(QFile::decodeName(path.c_str()));
}

QVariant DiskColumns::data(const TreeNode& node, int column, int role)
{
    const DiskFileTreeNode* disk = diskNode(node);
    if (!disk || disk->isLink())
        return {};
    if (role == Qt::TextAlignmentRole)
        return column == Size || column == Modules ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    if (role != Qt::DisplayRole)
        return {};
    const auto found = known_.find(disk->fullPathName());
    if (found == known_.end()) {
        request(disk->fullPathName());
        return {};
    }
    const PatchFileSummary& s = found->second;
    switch (column) {
    case Title:
        return s.isFolder ? QString() : QString::fromLatin1(s.title.data(), qsizetype(s.title.size()));
    case Modified:
        return s.modifiedNs == 0 ? QString()
                                 : QDateTime::fromMSecsSinceEpoch(s.modifiedNs / 1000000)
                                       .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    case Size:
        return s.isFolder ? QString() : QLocale().formattedDataSize(qint64(s.size));
    case Modules:
        return s.isFolder || !s.readable ? QString() : QString::number(qulonglong(s.modules));
    default:
        return {};
    }
}

bool DiskColumns::lessThan(const TreeNode& a, const TreeNode& b, int column, Qt::SortOrder order)
{
    const DiskFileTreeNode* x = diskNode(a);
    const DiskFileTreeNode* y = diskNode(b);
    if (!x || !y)
        return false;
    if (x->isLeaf() != y->isLeaf())
        return !x->isLeaf();
    const std::string& nameX = x->diskData().name();
    const std::string& nameY = y->diskData().name();
    int by = 0;
    if (column != Name && !x->isLink() && !y->isLink() && (x->isLeaf() || column == Modified)) {
        const PatchFileSummary sx = summaryNow(x->fullPathName());
        const PatchFileSummary& sy = summaryNow(y->fullPathName());
        auto three = [](auto p, auto q) { return p < q ? -1 : q < p ? 1 : 0; };
        switch (column) {
        case Title:
            by = naturalCompare(sx.title, sy.title);
            break;
        case Modified:
            by = three(sx.modifiedNs, sy.modifiedNs);
            break;
        case Size:
            by = three(sx.size, sy.size);
            break;
        case Modules:
            by = three(sx.modules, sy.modules);
            break;
        default:
            break;
        }
    }
    if (by == 0)
        by = naturalCompare(nameX, nameY);
    return order == Qt::AscendingOrder ? by < 0 : by > 0;
}

} // namespace tosk
