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

DiskFileTreeNode* DiskViewController::selectedFolder() const
{
    const std::vector<TreeNode::Ptr> selected = outlineView_->allSelectedItems();
    if (selected.size() == 1)
        if (DiskFileTreeNode* node = diskNode(selected.front().get()))
            return node->isLeaf() ? diskNode(node->nodeParent()) : node;
    return diskTreeData_.get();
}

bool DiskViewController::acceptableName(const QString& name) const
{
    if (!name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.startsWith(QLatin1Char('.')))
        return true;
    Alerts::alert(fillIn(localized("DiskBadName", "\"%s\" cannot be a name: a name is not empty, holds no \"/\" "
                                                  "and does not start with \".\"."),
                         {name.toStdString()}),
                  this);
    return false;
}

void DiskViewController::newFolder()
{
    DiskFileTreeNode* parent = selectedFolder();
    if (!parent)
        return;
    // The name offered is one that is free.
    const std::string base = localized("DiskNewFolderName", "New Folder");
    std::string offered = base;
    std::error_code ec;
    for (int n = 2; fs::exists(fs::path(parent->fullPathName()) / bytesOf(QString::fromStdString(offered)), ec); ++n)
        offered = base + " " + std::to_string(n);
    bool ok = false;
    const QString name = QInputDialog::getText(this, text("DiskNewFolderTitle", "New Folder"),
                                               text("DiskNewFolderPrompt", "Name of the new folder:"),
                                               QLineEdit::Normal, QString::fromStdString(offered), &ok);
    if (ok)
        createFolder(*parent, name);
}

bool DiskViewController::createFolder(DiskFileTreeNode& parent, const QString& name)
{
    if (!acceptableName(name))
        return false;
    const std::string path = (fs::path(parent.fullPathName()) / bytesOf(name)).string();
    std::error_code ec;
    // create_directory claims the name or finds it taken, in one step.
    if (!fs::create_directory(path, ec)) {
        const std::string why =
            ec ? fillIn(localized("DiskNotCreated", "%s could not be made: %s"), {name.toStdString(), ec.message()})
               : fillIn(localized("DiskAlreadyExists", "%s already exists in %s"),
                        {name.toStdString(), utf8(parent.diskData().name())});
        if (ec)
            logf("NOT ABLE TO CREATE NEW DIRECTORY [%s]", path.c_str());
        Alerts::alert(why, this);
        return false;
    }
    undo_.push({localizedUndo("New Folder", "New Folder"), {DiskUndo::madeFolder(path)}});
    refreshFolder(parent);
    const QModelIndex parentIndex = model_->indexForNode(&parent);
    if (parentIndex.isValid())
        outlineView_->expand(parentIndex);
    if (DiskFileTreeNode* made = nodeForPath(path)) {
        outlineView_->selectItems({made->shared_from_this()}, false);
        outlineView_->scrollTo(model_->indexForNode(made));
    }
    return true;
}

void DiskViewController::renameSelection()
{
    const TreeNode::Ptr item = outlineView_->selectedItem();
    DiskFileTreeNode* node = diskNode(item.get());
    if (!node)
        return;
    bool ok = false;
    const QString current = shown(node->diskData().name());
    const QString name = QInputDialog::getText(this, text("DiskRenameTitle", "Rename"),
                                               text("DiskRenamePrompt", "New name:"), QLineEdit::Normal, current, &ok);
    if (ok && name != current)
        renameNode(*node, name);
}

bool DiskViewController::renameNode(DiskFileTreeNode& node, const QString& newName)
{
    if (!acceptableName(newName) || !node.isDescendantOfNode(*diskTreeData_) || &node == diskTreeData_.get())
        return false;
    const std::string from = node.fullPathName();
    const std::string canonicalFrom = canonicalPath(from);
    const std::string name = utf8(node.diskData().name());
    const std::string to =
        node.isLeaf() ? DiskFileTreeNode::renamedFileName(node.diskData().name(), bytesOf(newName)) : bytesOf(newName);
    const DiskMove::Result result = DiskMove::rename(from, to);
    if (result.status == DiskMove::Status::Exists) {
        DiskFileTreeNode* parent = diskNode(node.nodeParent());
        Alerts::alert(fillIn(localized("DiskAlreadyExists", "%s already exists in %s"),
                             {utf8(to), parent ? utf8(parent->diskData().name()) : std::string()}),
                      this);
        return false;
    }
    if (result.status == DiskMove::Status::Failed) {
        Alerts::alert(fillIn(localized("DiskNotRenamed", "%s could not be renamed: %s"), {name, result.reason}), this);
        return false;
    }
    undo_.push({localizedUndo("Rename", "Rename"), {DiskUndo::moved(from, result.destination)}});
    if (hooks_.pathMoved && !node.isLink())
        hooks_.pathMoved(shown(canonicalFrom), shown(canonicalPath(result.destination)));
    node.setFullPathName(result.destination);
    if (DiskFileTreeNode* parent = diskNode(node.nodeParent()))
        refreshFolder(*parent);
    if (DiskFileTreeNode* renamed = nodeForPath(result.destination))
        outlineView_->selectItems({renamed->shared_from_this()}, false);
    return true;
}

void DiskViewController::moveSelectionToTrash()
{
    std::vector<TreeNode::Ptr> nodes;
    for (const TreeNode::Ptr& item : TreeNode::minimumNodeCoverFromNodesInArray(outlineView_->allSelectedItems()))
        if (DiskFileTreeNode* node = diskNode(item.get()); node && node != diskTreeData_.get())
            nodes.push_back(item);
    if (nodes.empty())
        return;
    const std::string question =
        nodes.size() == 1
            ? fillIn(localized("DiskTrashOne", "Move \"%s\" to the Trash?"),
                     {utf8(diskNode(nodes[0].get())->diskData().name())})
            : fillIn(localized("DiskTrashMany", "Move these %s items to the Trash?"), {std::to_string(nodes.size())});
    if (Alerts::show(AlertStyle::Warning, localized("ALERT", "ALERT"), question,
                     {localized("DiskTrash", "Move to Trash"), localized("CANCEL", "Cancel")}, this) != 0)
        return;
    trashNodes(nodes);
}

bool DiskViewController::trashNodes(const std::vector<TreeNode::Ptr>& nodes)
{
    std::vector<std::string> report;
    std::vector<std::string> trashed;
    DiskUndo::Record record{localizedUndo("Move to Trash", "Move to Trash"), {}};
    for (const TreeNode::Ptr& item : nodes) {
        DiskFileTreeNode* node = diskNode(item.get());
        if (!node || node == diskTreeData_.get() || !node->isDescendantOfNode(*diskTreeData_))
            continue;
        const QString path = shown(node->fullPathName());
        const std::string name = utf8(node->diskData().name());
        // A window would go on saving into the trash without a word.
        if (hooks_.isOpen && hooks_.isOpen(shown(canonicalPath(node->fullPathName())))) {
            report.push_back(fillIn(localized("DiskOpenInWindow", "%s is open in a window: close it before moving "
                                                                  "it to the Trash."),
                                    {name}));
            continue;
        }
        // Only what is in the trash now is told as trashed.
        const DesktopTrash::Result result = hooks_.moveToTrash(path);
        if (!result.trashed) {
            report.push_back(result.reason.empty()
                                 ? fillIn(localized("DiskNotTrashed", "%s could not be moved to the Trash."), {name})
                                 : fillIn(localized("DiskNotTrashedWhy", "%s was not moved to the Trash: %s"),
                                          {name, result.reason}));
            continue;
        }
        trashed.push_back(name);
        if (!result.trashedPath.empty())
            record.steps.push_back(DiskUndo::trashed(node->fullPathName(), result.trashedPath));
        model_->removeNode(*node);
    }
    undo_.push(std::move(record));
    if (!trashed.empty()) {
        statusDisplay(QString::fromStdString(
            trashed.size() == 1 ? fillIn(localized("DiskTrashedOne", "%s was moved to the Trash."), {trashed[0]})
                                : fillIn(localized("DiskTrashedMany", "%s items were moved to the Trash."),
                                         {std::to_string(trashed.size())})));
        statusTimer_->start(kStatusClearMs);
    }
    if (!report.empty())
        Alerts::alert(joined(report), this);
    return report.empty();
}

void DiskViewController::revealSelection()
{
    const TreeNode::Ptr item = outlineView_->selectedItem();
    DiskFileTreeNode* node = item ? diskNode(item.get()) : diskTreeData_.get();
    if (!node)
        return;
    const std::string folder =
        node->isLeaf() ? fs::path(node->fullPathName()).parent_path().string() : node->fullPathName();
    if (!hooks_.openUrl(QUrl::fromLocalFile(shown(folder))))
        Alerts::alert(fillIn(localized("DiskNoFileManager", "The file manager could not show %s."), {utf8(folder)}),
                      this);
}

void DiskViewController::updateActions()
{
    const std::vector<TreeNode::Ptr> selected = outlineView_->allSelectedItems();
    const DiskFileTreeNode* one = selected.size() == 1 ? diskNode(selected.front().get()) : nullptr;
    // While a drop is carried out, nothing else changes the folders it
    // writes into.
    const bool busy = isCopying();
    openAction_->setEnabled(one != nullptr);
    renameAction_->setEnabled(one != nullptr && !busy);
    trashAction_->setEnabled(!selected.empty() && !busy);
    updateUndoActions();
    chooseButton_->setEnabled(!busy);
}

void DiskViewController::updatePreview()
{
    const TreeNode::Ptr item = outlineView_->selectedItem();
    const DiskFileTreeNode* node = diskNode(item.get());
    preview_->showFile(node && node->isLeaf() && !node->isLink() ? shown(node->fullPathName()) : QString());
}

void DiskViewController::updateUndoActions()
{
    const bool busy = isCopying();
    const std::string undoName = undo_.undoName();
    const std::string redoName = undo_.redoName();
    const std::string undoTitle = localizedUndo("Undo", "Undo");
    const std::string redoTitle = localizedUndo("Redo", "Redo");
    undoAction_->setText(QString::fromStdString(undoName.empty() ? undoTitle : undoTitle + " " + undoName));
    redoAction_->setText(QString::fromStdString(redoName.empty() ? redoTitle : redoTitle + " " + redoName));
    undoAction_->setEnabled(undo_.canUndo() && !busy);
    redoAction_->setEnabled(undo_.canRedo() && !busy);
}

DesktopTrash::Result DiskViewController::trash(const std::string& path)
{
    return hooks_.moveToTrash(shown(path));
}

bool DiskViewController::undo()
{
    if (isCopying() || !undo_.canUndo())
        return false;
    const std::string name = undo_.undoName();
    const DiskUndo::Outcome outcome = undo_.undo();
    if (!outcome.done) {
        Alerts::alert(fillIn(localized("DiskCannotUndo", "Cannot undo %s: %s"), {name, outcome.reason}), this);
        return false;
    }
    showUndone(outcome, true);
    return true;
}

bool DiskViewController::redo()
{
    if (isCopying() || !undo_.canRedo())
        return false;
    const std::string name = undo_.redoName();
    const DiskUndo::Outcome outcome = undo_.redo();
    if (!outcome.done) {
        Alerts::alert(fillIn(localized("DiskCannotRedo", "Cannot redo %s: %s"), {name, outcome.reason}), this);
        return false;
    }
    showUndone(outcome, false);
    return true;
}

void DiskViewController::showUndone(const DiskUndo::Outcome& outcome, bool backwards)
{
    using Kind = DiskUndo::Step::Kind;
    std::vector<std::string> folders;
    std::vector<std::string> arrived;
    for (const DiskUndo::Step& step : outcome.steps) {
        const std::string left = backwards ? step.to : step.from;
        const std::string reached = backwards ? step.from : step.to;
        std::error_code ec;
        if (step.kind == Kind::Move && hooks_.pathMoved && !fs::is_symlink(fs::symlink_status(reached, ec)))
            hooks_.pathMoved(shown(canonicalPath(left)), shown(canonicalPath(reached)));
        for (const std::string& path : {step.from, step.to})
            if (!path.empty())
                folders.push_back(fs::path(path).parent_path().string());
        if (step.kind != Kind::Trash || backwards)
            arrived.push_back(step.kind == Kind::Trash ? step.from : reached);
    }
    for (const std::string& folder : folders)
        if (DiskFileTreeNode* node = nodeForPath(folder))
            refreshFolder(*node);
    std::vector<TreeNode::Ptr> select;
    for (const std::string& path : arrived)
        if (DiskFileTreeNode* node = nodeForPath(path))
            select.push_back(node->shared_from_this());
    if (!select.empty())
        outlineView_->selectItems(select, false);
    updateUndoActions();
}

} // namespace tosk
