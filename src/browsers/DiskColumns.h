// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/PatchFileSummary.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tosk {

class DiskFileTreeNode;
class TreeNode;

// The columns of the disk browser beside the names: Title, Modified, Size
// and Modules. The files are read on a thread of the columns' own, as their
// rows are first shown; each answer arrives on the main thread (`known`).
// Sorting by a column reads at once what is not known yet, so that the
// order holds every row.
class DiskColumns : public QObject {
    Q_OBJECT

public:
    enum Column { Name = 0, Title = 1, Modified = 2, Size = 3, Modules = 4 };

    explicit DiskColumns(QObject* parent = nullptr);
    ~DiskColumns() override;

    static QStringList titles();
    // What a row shows in a column after the name.
    QVariant data(const TreeNode& node, int column, int role);
    // Whether `a` comes before `b` when sorted by `column`: folders first
    // always, ties in natural order of the names.
    bool lessThan(const TreeNode& a, const TreeNode& b, int column, Qt::SortOrder order);
    // What is known of the file at `path`; read now when it is not.
    const PatchFileSummary& summaryNow(const std::string& path);
    // Forgets what was read of these paths (their folder was read again):
    // they are looked at again when next shown.
    void forget(const std::string& path);

signals:
    // A summary was read for the file or folder at `path`.
    void known(const QString& path);

private:
    void request(const std::string& path);
    void arrived(const std::string& path, const PatchFileSummary& summary);
    void run();

    PatchSummaryCache cache_;
    std::map<std::string, PatchFileSummary> known_;
    QSet<QString> asked_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::string> queue_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace tosk
