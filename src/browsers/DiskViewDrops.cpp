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

QMimeData* DiskViewController::dragData(const std::vector<TreeNode::Ptr>& nodes)
{
    draggedNodes_ = nodes;
    QStringList paths;
    for (const TreeNode::Ptr& node : nodes)
        if (DiskFileTreeNode* disk = diskNode(node.get()))
            paths << shown(disk->fullPathName());
    return new DiskDragMimeData(nodes, this, paths.join(QLatin1Char('\n')));
}

bool DiskViewController::validateDrop(const QMimeData* data, const TreeNode* target) const
{
    const auto* drag = qobject_cast<const DiskDragMimeData*>(data);
    if (!drag || isCopying() || !diskTreeData_)
        return false;
    const bool fromHere = drag->origin() == this && !drag->diskNodes().empty();
    if (!fromHere && drag->unitItems().empty())
        return false;
    if (!target)
        return true;
    const DiskFileTreeNode* folder = diskNode(target);
    if (!folder || folder->isLeaf() || !folder->isDescendantOfNode(*diskTreeData_))
        return false;
    if (fromHere)
        for (const TreeNode::Ptr& node : TreeNode::minimumNodeCoverFromNodesInArray(drag->diskNodes())) {
            // A node shown no more (the tree was read again) cannot move.
            if (!node->isDescendantOfNode(*diskTreeData_) || node.get() == diskTreeData_.get())
                return false;
            if (target->isDescendantOfNode(*node) || target->isParentOfNode(*node))
                return false;
        }
    return true;
}

bool DiskViewController::isCopying() const
{
    return (copy_ && copy_->isRunning()) || moving_;
}

void DiskViewController::stopCopying()
{
    if (copy_)
        copy_->stop();
    if (moving_) {
        moving_->next = moving_->nodes.size();
        if (worker_)
            worker_->stop();
    }
}

void DiskViewController::setBusy(bool busy)
{
    stopButton_->setVisible(busy);
    updateActions();
}

void DiskViewController::performDropOperation(const QMimeData* data, TreeNode* target)
{
    if (!validateDrop(data, target))
        return;
    const auto* drag = qobject_cast<const DiskDragMimeData*>(data);
    DiskFileTreeNode* folder = diskNode(target);
    statusDisplay(text("DiskDropStatus", "performDropOperation"));
    if (drag->origin() == this) {
        moveDiskNodes(TreeNode::minimumNodeCoverFromNodesInArray(drag->diskNodes()), *folder);
        return;
    }
    const std::string path = folder->fullPathName();
    copy_ = std::make_shared<UnitDropCopy>(
        this, path, drag->unitItems(), drag->source(),
        [this](const std::string& status) { statusDisplay(QString::fromStdString(status)); },
        [this, path](const UnitDropCopy::Report& report) {
            setBusy(false);
            DiskFileTreeNode* node = nodeForPath(path);
            if (node)
                dropDone(*node, report.lines);
            else
                emit dropFinished();
        });
    copy_->askOnClash(
        [this](const std::string& name, const std::string& folderName) { return askClash(name, folderName); },
        [this](const std::string& p) {
            // A patch open in a window is not replaced.
            if (hooks_.isOpen && hooks_.isOpen(shown(canonicalPath(p)))) {
                DesktopTrash::Result open;
                open.reason = localized("DiskIsOpen", "it is open in a window");
                return open;
            }
            return trash(p);
        });
    copy_->start();
    setBusy(true);
}

void DiskViewController::moveDiskNodes(const std::vector<TreeNode::Ptr>& nodes, DiskFileTreeNode& target)
{
    moving_ = std::make_unique<Moving>();
    moving_->nodes = nodes;
    moving_->targetPath = target.fullPathName();
    moving_->folderName = utf8(target.diskData().name());
    moveNext();
}

void DiskViewController::moveNext()
{
    while (moving_->next < moving_->nodes.size()) {
        const TreeNode::Ptr item = moving_->nodes[moving_->next++];
        DiskFileTreeNode* node = diskNode(item.get());
        if (!node || !node->isDescendantOfNode(*diskTreeData_))
            continue;
        const std::string name = utf8(node->diskData().name());
        const std::string destination = destinationFor(*node);
        if (destination.empty())
            continue;
        // Windows follow their files from where the files are before the
        // move: afterwards that path leads nowhere.
        const std::string canonicalFrom = canonicalPath(node->fullPathName());
        statusDisplay(text("DiskMoving", "moving %s to %s", {name, moving_->folderName}));
        if (node->isLeaf()) {
            const std::string from = node->fullPathName();
            moved(*node, canonicalFrom, DiskMove::moveTo(from, destination));
            continue;
        }
        // Under its own name it moves as every folder does; under another
        // (both kept) straight to that name.
        const bool ownName = fs::path(destination).filename() == fs::path(node->fullPathName()).filename();
        DiskMoveWorker::Move move = hooks_.moveFolder;
        if (!ownName)
            move = [destination](const std::string& folder, const std::string&, const DiskMove::CopyControl& control) {
                return DiskMove::moveTo(folder, destination, control);
            };
        // A folder renamed in its file system moves at once; one copied to
        // another may take long, and goes on the worker, the window free.
        const QString folderName = QString::fromStdString(moving_->folderName);
        const QString shownName = QString::fromStdString(name);
        worker_ = std::make_unique<DiskMoveWorker>(
            move, node->fullPathName(), moving_->targetPath,
            [this, shownName, folderName](size_t done, size_t total) {
                QMetaObject::invokeMethod(
                    this,
                    [this, shownName, folderName, done, total] {
                        if (worker_)
                            statusDisplay(text("DiskMovingProgress", "moving %s to %s: %s of %s",
                                               {shownName.toStdString(), folderName.toStdString(), std::to_string(done),
                                                std::to_string(total)}));
                    },
                    Qt::QueuedConnection);
            },
            [this, item, canonicalFrom](const DiskMove::Result& result) {
                QMetaObject::invokeMethod(
                    this, [this, item, canonicalFrom, result] { folderMoved(item, canonicalFrom, result); },
                    Qt::QueuedConnection);
            });
        setBusy(true);
        return;
    }
    const std::unique_ptr<Moving> done = std::move(moving_);
    undo_.push({localizedUndo("Move", "Move"), done->steps});
    setBusy(false);
    if (DiskFileTreeNode* target = nodeForPath(done->targetPath))
        dropDone(*target, done->report);
    else
        emit dropFinished();
}

void DiskViewController::folderMoved(const TreeNode::Ptr& item, const std::string& canonicalFrom,
                                     const DiskMove::Result& result)
{
    // The worker has said its last: its thread ends now.
    worker_.reset();
    if (!moving_)
        return;
    DiskFileTreeNode* node = diskNode(item.get());
    if (node && result.status != DiskMove::Status::Stopped)
        moved(*node, canonicalFrom, result);
    moveNext();
}

void DiskViewController::moved(DiskFileTreeNode& node, const std::string& canonicalFrom, const DiskMove::Result& result)
{
    std::vector<std::string>& report = moving_->report;
    const std::string name = utf8(node.diskData().name());
    const bool inTree = diskTreeData_ && node.isDescendantOfNode(*diskTreeData_);
    switch (result.status) {
    case DiskMove::Status::Moved:
        moving_->steps.push_back(DiskUndo::moved(node.fullPathName(), result.destination));
        // A link moved; the file it leads to, and its window, stay.
        if (hooks_.pathMoved && !node.isLink())
            hooks_.pathMoved(shown(canonicalFrom), shown(canonicalPath(result.destination)));
        if (inTree)
            model_->removeNode(node);
        if (!result.warning.empty())
            report.push_back(fillIn(localized("DiskNotRemoved", "%s was moved, but the original could not be "
                                                                "removed: %s"),
                                    {name, result.warning}));
        break;
    case DiskMove::Status::Exists: {
        const std::string line =
            fillIn(localized("DiskAlreadyExists", "%s already exists in %s"), {name, moving_->folderName});
        statusDisplay(QString::fromStdString(line));
        report.push_back(line);
        break;
    }
    case DiskMove::Status::Failed:
        logf("moveDiskNode exception: %s - %s", "DiskMove", result.reason.c_str());
        report.push_back(fillIn(localized("DiskNotMoved", "%s was not moved: %s"), {name, result.reason}));
        break;
    case DiskMove::Status::Stopped:
        break;
    }
}

void DiskViewController::dropDone(DiskFileTreeNode& target, const std::vector<std::string>& report)
{
    statusTimer_->start(kStatusClearMs);
    draggedNodes_.clear();
    refreshFolder(target);
    // Told once the drop is over: a Qt drag must not wait on an alert.
    const std::string message = joined(report);
    QTimer::singleShot(0, this, [this, message] {
        if (!message.empty())
            Alerts::show(AlertStyle::Informational, localized("ALERT", "ALERT"), message, {}, this);
        emit dropFinished();
    });
}

std::string DiskViewController::destinationFor(DiskFileTreeNode& node)
{
    const std::string& name = node.diskData().name();
    const std::string& folder = moving_->targetPath;
    if (!DiskClash::clashes(folder, name))
        return (fs::path(folder) / name).string();
    DiskClash::Choice choice = DiskClash::Choice::Skip;
    if (moving_->clashChoice) {
        choice = *moving_->clashChoice;
    } else {
        const ClashAnswer answer = askClash(utf8(name), moving_->folderName);
        choice = answer.choice;
        if (answer.toAll)
            moving_->clashChoice = choice;
    }
    const std::string there = (fs::path(folder) / name).string();
    return destinationChosen(node, there, choice);
}

DiskViewController::ClashAnswer DiskViewController::askClash(const std::string& name, const std::string& folderName)
{
    ClashAnswer answer;
    if (hooks_.askClash) {
        answer = hooks_.askClash(QString::fromStdString(name), QString::fromStdString(folderName));
    } else {
        QMessageBox box(QMessageBox::Question, text("ALERT", "ALERT"),
                        text("DiskAlreadyExists", "%s already exists in %s", {name, folderName}), QMessageBox::NoButton,
                        this);
        QPushButton* keep = box.addButton(text("DiskKeepBoth", "Keep Both"), QMessageBox::AcceptRole);
        QPushButton* replace = box.addButton(text("DiskReplace", "Replace"), QMessageBox::DestructiveRole);
        QPushButton* skip = box.addButton(text("DiskSkip", "Skip"), QMessageBox::RejectRole);
        auto* all = new QCheckBox(text("DiskApplyToAll", "Apply to all"), &box);
        box.setCheckBox(all);
        box.setDefaultButton(keep);
        box.setEscapeButton(skip);
        box.exec();
        answer.choice = box.clickedButton() == keep      ? DiskClash::Choice::KeepBoth
                        : box.clickedButton() == replace ? DiskClash::Choice::Replace
                                                         : DiskClash::Choice::Skip;
        answer.toAll = all->isChecked();
    }
    return answer;
}

std::string DiskViewController::destinationChosen(DiskFileTreeNode& node, const std::string& there,
                                                  DiskClash::Choice choice)
{
    const std::string& name = node.diskData().name();
    const std::string& folder = moving_->targetPath;
    // The one that would be replaced is open in a window: it stays.
    if (choice == DiskClash::Choice::Replace && hooks_.isOpen && hooks_.isOpen(shown(canonicalPath(there)))) {
        moving_->report.push_back(fillIn(localized("DiskOpenInWindow", "%s is open in a window: close it before "
                                                                       "moving it to the Trash."),
                                         {utf8(name)}));
        return {};
    }
    const DiskClash::Room room =
        DiskClash::makeRoom(folder, name, !node.isLeaf(), choice, [this](const std::string& p) { return trash(p); });
    if (!room.reason.empty())
        moving_->report.push_back(room.reason);
    if (!room.go)
        return {};
    moving_->steps.insert(moving_->steps.end(), room.steps.begin(), room.steps.end());
    if (!room.steps.empty())
        if (DiskFileTreeNode* replaced = nodeForPath(there))
            model_->removeNode(*replaced);
    return room.destination;
}

} // namespace tosk
