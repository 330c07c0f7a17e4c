// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/LibraryIndexer.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListView;
class QMimeData;
class QStandardItemModel;

namespace tosk {

// The search of the disk browser: a field over the whole library (the
// browser's folder tree and every backup folder), matching what the patches
// hold (titles, authors, module names, operators; "uses HALL", "title:
// shimmer"), and a list of the patches found. A patch of the list opens with
// a double click or Return, shows in the tree (Reveal in Tree) and drags as
// the tree's rows do. The index behind it is read and kept current on a
// thread of its own; the panel says how far it has come.
class LibrarySearchPanel : public QWidget {
    Q_OBJECT

public:
    struct Hooks {
        std::function<void(const QString& path)> open;
        std::function<void(const QString& path)> reveal;
        // The drag of these files, as the tree makes it.
        std::function<QMimeData*(const QStringList& paths)> dragData;
    };

    // The index lives in the file at `indexPath`.
    LibrarySearchPanel(Hooks hooks, std::string indexPath, QWidget* parent = nullptr);
    ~LibrarySearchPanel() override;

    // The folders searched; each is read again (unchanged files by their
    // times only).
    void setRoots(std::vector<std::string> roots);
    // What a watcher saw change (folders or files).
    void refresh(const std::vector<std::string>& paths);

    QLineEdit* field() const { return field_; }
    QListView* results() const { return list_; }
    QLabel* progressLabel() const { return progress_; }
    LibraryIndexer* indexer() const { return indexer_.get(); }
    // The paths listed, in order.
    QStringList resultPaths() const;
    // The patch of the current row, empty when none.
    QString currentPath() const;

    void openCurrent();
    void revealCurrent();

signals:
    // The list shows what the last search found with what the index knows.
    void resultsShown();

private:
    void search();
    void showProgress(int done, int total);

    Hooks hooks_;
    std::string indexPath_;
    std::unique_ptr<LibraryIndexer> indexer_;
    QLineEdit* field_ = nullptr;
    QLabel* progress_ = nullptr;
    QListView* list_ = nullptr;
    QStandardItemModel* model_ = nullptr;
};

} // namespace tosk
