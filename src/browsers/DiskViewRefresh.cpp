// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/DiskViewController.h"

#include "Toskfile/LibraryScan.h"
#include "base/Alerts.h"
#include "base/DataFiles.h"
#include "base/FileChooser.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/PreferenceController.h"
#include "base/TkxException.h"
#include "browsers/DiskColumns.h"
#include "browsers/DiskDragMimeData.h"
#include "browsers/DiskOutlineView.h"
#include "browsers/DiskViewSupport.h"
#include "browsers/LibrarySearchPanel.h"
#include "browsers/OutlineFilter.h"
#include "browsers/PatchPreview.h"
#include "browsers/TreeNodeModel.h"
#include "browsers/UnitDropCopy.h"
#include "comms/DiskMove.h"
#include "library/LibraryIndex.h"

#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <atomic>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace tosk {

using namespace diskview;

DiskFileTreeNode* DiskViewController::nodeForPath(const std::string& path) const
{
    if (!diskTreeData_)
        return nullptr;
    const std::string wanted = normalized(path);
    std::vector<TreeNode*> pending{diskTreeData_.get()};
    while (!pending.empty()) {
        TreeNode* node = pending.back();
        pending.pop_back();
        DiskFileTreeNode* disk = diskNode(node);
        if (disk && normalized(disk->fullPathName()) == wanted)
            return disk;
        for (const TreeNode::Ptr& child : node->children())
            pending.push_back(child.get());
    }
    return nullptr;
}

void DiskViewController::refreshFolder(DiskFileTreeNode& folder)
{
    refreshEntries(folder);
}

size_t DiskViewController::refreshEntries(DiskFileTreeNode& folder)
{
    if (!diskTreeData_ || !folder.isDescendantOfNode(*diskTreeData_))
        return 0;
    // A node that moves to another row (renamed) leaves its row and comes
    // back: the rows that were open below it open again.
    std::set<std::string> expanded;
    std::vector<QModelIndex> pending{model_->indexForNode(&folder)};
    while (!pending.empty()) {
        const QModelIndex parent = pending.back();
        pending.pop_back();
        for (int row = 0; row < model_->rowCount(parent); ++row) {
            const QModelIndex index = model_->index(row, 0, parent);
            if (outlineView_->isExpanded(index)) {
                if (DiskFileTreeNode* node = diskNode(model_->nodeForIndex(index)))
                    expanded.insert(node->fullPathName());
                pending.push_back(index);
            }
        }
    }
    filter_->hold();
    const size_t added = mergeEntries(folder, DiskFileTreeNode::readEntries(folder.fullPathName()));
    folder.setChildrenRead();
    for (const std::string& path : expanded)
        if (DiskFileTreeNode* node = nodeForPath(path)) {
            const QModelIndex index = model_->indexForNode(node);
            if (!outlineView_->isExpanded(index))
                outlineView_->expand(index);
        }
    filter_->release();
    return added;
}

size_t DiskViewController::mergeEntries(DiskFileTreeNode& folder, const std::vector<TreeNode::Ptr>& entries,
                                        std::vector<std::pair<TreeNode::Ptr, TreeNode::Ptr>>* kept)
{
    // An entry is the one shown before when its name and its kind agree.
    const auto key = [this](const TreeNode& node) {
        const DiskFileTreeNode* disk = diskNode(&node);
        if (!disk)
            return std::string();
        return disk->diskData().name() + (disk->isLink() ? "@" : disk->isLeaf() ? "" : "/");
    };
    std::map<std::string, TreeNode::Ptr> before;
    for (const TreeNode::Ptr& child : folder.children())
        before.emplace(key(*child), child);
    // What was read of the files may be older than they are now; the rows
    // go in the order the header asks for.
    std::vector<TreeNode::Ptr> sorted = entries;
    for (const TreeNode::Ptr& entry : sorted)
        if (const DiskFileTreeNode* disk = diskNode(entry.get()))
            columns_->forget(disk->fullPathName());
    model_->sortNodes(sorted);
    std::vector<TreeNode::Ptr> wanted;
    size_t newFolders = 0;
    for (const TreeNode::Ptr& entry : sorted) {
        const auto found = before.find(key(*entry));
        if (found == before.end()) {
            wanted.push_back(entry);
            if (entry->nodeData() && entry->nodeData()->isGroup())
                ++newFolders;
            continue;
        }
        wanted.push_back(found->second);
        model_->nodeChanged(*found->second);
        if (kept)
            kept->emplace_back(found->second, entry);
        before.erase(found);
    }
    for (const auto& gone : before)
        model_->removeNode(*gone.second);
    // Rows that stay keep their state (open, selected); only what is new,
    // or sorts elsewhere now, goes in.
    for (size_t row = 0; row < wanted.size(); ++row)
        if (folder.childAtIndex(row) != wanted[row])
            model_->insertNode(folder, wanted[row], row);
    return newFolders;
}

void DiskViewController::showKnown()
{
    const QSet<QString> paths = std::exchange(knownPaths_, {});
    if (!diskTreeData_)
        return;
    std::vector<const TreeNode*> pending{diskTreeData_.get()};
    while (!pending.empty()) {
        const TreeNode* node = pending.back();
        pending.pop_back();
        if (const DiskFileTreeNode* disk = diskNode(node); disk && paths.contains(shown(disk->fullPathName())))
            model_->nodeChanged(*disk);
        for (const TreeNode::Ptr& child : node->children())
            pending.push_back(child.get());
    }
}

void DiskViewController::graft(DiskFileTreeNode& shown, DiskFileTreeNode& read)
{
    if (!read.childrenRead())
        return;
    std::vector<std::pair<TreeNode::Ptr, TreeNode::Ptr>> kept;
    mergeEntries(shown, read.children(), &kept);
    shown.setChildrenRead();
    for (const auto& [mine, theirs] : kept) {
        DiskFileTreeNode* folder = diskNode(mine.get());
        DiskFileTreeNode* same = diskNode(theirs.get());
        if (folder && same && !folder->isLeaf())
            graft(*folder, *same);
    }
}

void DiskViewController::filterChanged(const QString& typed)
{
    if (typed.trimmed().isEmpty()) {
        // What was read stays; the next filter reads everything again, as
        // the folders that were not watched may have changed meanwhile.
        reader_.reset();
        wholeTreeRead_ = false;
        if (!readingStatus_.isEmpty() && statusText() == readingStatus_)
            clearStatusMessage();
        return;
    }
    if (!wholeTreeRead_ && !reader_)
        readWholeTree();
}

void DiskViewController::readWholeTree()
{
    reader_.reset();
    if (!diskTreeData_)
        return;
    const unsigned generation = ++readerGeneration_;
    const std::string path = diskTreeData_->fullPathName();
    readingStatus_ =
        text("DiskFilterReading", "Reading every folder below %s...", {utf8(diskTreeData_->diskData().name())});
    statusDisplay(readingStatus_);
    reader_ = std::make_unique<TreeReader>();
    TreeReader* reader = reader_.get();
    reader->thread = std::thread([this, reader, path, generation] {
        std::shared_ptr<DiskFileTreeNode> tree = DiskFileTreeNode::readWholeTree(path, &reader->stop);
        if (reader->stop)
            return;
        QMetaObject::invokeMethod(
            this, [this, generation, tree] { treeRead(generation, tree); }, Qt::QueuedConnection);
    });
}

void DiskViewController::treeRead(unsigned generation, const std::shared_ptr<DiskFileTreeNode>& tree)
{
    if (generation != readerGeneration_ || !reader_ || !diskTreeData_)
        return;
    if (isCopying()) {
        // A drop changes the folders it goes into: they are read once it
        // is over.
        QTimer::singleShot(kRefreshDelayMs, this, [this, generation] {
            if (generation == readerGeneration_ && reader_)
                readWholeTree();
        });
        return;
    }
    // The thread has said its last.
    reader_.reset();
    wholeTreeRead_ = true;
    filter_->hold();
    graft(*diskTreeData_, *tree);
    filter_->release();
    if (statusText() == readingStatus_)
        clearStatusMessage();
}

void DiskViewController::updateWatch()
{
    QSet<QString> wanted;
    std::map<QString, DiskFileTreeNode*> nodes;
    if (diskTreeData_) {
        std::vector<std::pair<DiskFileTreeNode*, QModelIndex>> pending{{diskTreeData_.get(), QModelIndex()}};
        while (!pending.empty()) {
            const auto [folder, index] = pending.back();
            pending.pop_back();
            const QString path = shown(folder->fullPathName());
            wanted.insert(path);
            nodes[path] = folder;
            for (size_t row = 0; row < folder->numberOfChildren(); ++row) {
                DiskFileTreeNode* child = diskNode(folder->childAtIndex(row).get());
                const QModelIndex childIndex = model_->index(int(row), 0, index);
                if (child && !child->isLeaf() && outlineView_->isExpanded(childIndex))
                    pending.emplace_back(child, childIndex);
            }
        }
    }
    const QStringList watched = watcher_->directories();
    QStringList gone;
    for (const QString& path : watched)
        if (!wanted.contains(path))
            gone << path;
    if (!gone.isEmpty())
        watcher_->removePaths(gone);
    const QSet<QString> before(watched.begin(), watched.end());
    QStringList added;
    for (const QString& path : wanted)
        if (!before.contains(path))
            added << path;
    if (added.isEmpty())
        return;
    watcher_->addPaths(added);
    // What changed while a folder read before was not watched (closed)
    // shows once it is.
    for (const QString& path : added)
        if (nodes[path]->childrenRead() && nodes[path] != diskTreeData_.get())
            folderChanged(path);
}

void DiskViewController::folderChanged(const QString& path)
{
    changedFolders_.insert(path);
    if (!refreshTimer_->isActive())
        refreshTimer_->start();
}

void DiskViewController::refreshChanged()
{
    // A drop reads its target again when it is over; until then its
    // folders are left as the drop leaves them.
    if (isCopying()) {
        refreshTimer_->start();
        return;
    }
    const QSet<QString> folders = std::exchange(changedFolders_, {});
    std::vector<std::string> changed;
    for (const QString& path : folders)
        changed.push_back(bytesOf(path));
    search_->refresh(changed);
    size_t newFolders = 0;
    filter_->hold();
    for (const QString& path : folders)
        if (DiskFileTreeNode* folder = nodeForPath(bytesOf(path)))
            newFolders += refreshEntries(*folder);
    filter_->release();
    // The filter looks inside new folders too.
    if (newFolders > 0 && !filter_->text().isEmpty())
        readWholeTree();
}

void DiskViewController::refresh()
{
    if (!diskTreeData_ || isCopying())
        return;
    std::vector<std::string> folders;
    std::vector<const TreeNode*> pending{diskTreeData_.get()};
    while (!pending.empty()) {
        const TreeNode* node = pending.back();
        pending.pop_back();
        const DiskFileTreeNode* folder = diskNode(node);
        if (!folder || folder->isLeaf() || !folder->childrenRead())
            continue;
        folders.push_back(folder->fullPathName());
        for (const TreeNode::Ptr& child : node->children())
            pending.push_back(child.get());
    }
    filter_->hold();
    // Folders above first: a folder gone takes what was below it along.
    for (const std::string& path : folders)
        if (DiskFileTreeNode* folder = nodeForPath(path))
            refreshEntries(*folder);
    filter_->release();
    if (!filter_->text().isEmpty())
        readWholeTree();
    search_->setRoots(libraryRoots());
}

} // namespace tosk
