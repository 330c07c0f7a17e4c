// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TreeNode.h"
#include "browsers/UnitLineTiming.h"
#include "comms/ChannelNameInfo.h"

#include <QIcon>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QLineEdit;
class QMimeData;
class QPushButton;

namespace tosk {

class KorvatelConnection;
class KorvatelTreeNode;
class MyOutlineView;
class UnitBusyRow;
class UnitRunningPatch;
class UnitTaskRunner;
class UnitTreeModel;

// The unit browser: the unit's banks, and under each bank, once it is
// opened, its patches. A click selects a patch on the unit, a double click
// opens a bank or opens a patch in a patch window, and rows drag out to the
// disk browser. Every exchange runs off the main thread; the foot of the
// window says what the unit is doing and offers Cancel.
class PatchViewController : public QWidget {
    Q_OBJECT

public:
    explicit PatchViewController(std::shared_ptr<ChannelNameInfo> info, UnitLineTiming timing = {},
                                 QWidget* parent = nullptr);
    ~PatchViewController() override;

    // Reads the bank list anew (also done once when the window is made).
    void fillView();
    // View ▸ Refresh: the bank list anew, and in it the banks that were
    // open, each read again.
    void refresh();
    void korvatelViewAction();
    void korvatelViewDoubleAction();
    // Asks for a folder, then copies every patch of every bank into a new
    // folder in it named with the date and time ("Backup 2026-12-06 2342"),
    // keeping the patch the unit runs and sending it back at the end.
    void backUpAllBanks();
    bool isBackingUp() const { return backingUp_; }
    // Ends the backup (and whatever else the window has under way) at once.
    void stopBackup();
    // The drag of these rows, as the disk browser takes it (null when none
    // of them can be dragged).
    QMimeData* dragData(const std::vector<TreeNode::Ptr>& nodes);
    const std::vector<TreeNode::Ptr>& draggedNodes() const { return draggedNodes_; }

    void statusDisplay(const QString& text);
    void clearStatusMessage();
    QString statusText() const;

    const std::shared_ptr<ChannelNameInfo>& channelInfo() const { return channelInfo_; }
    MyOutlineView* outlineView() const { return korvatelView_; }
    UnitTreeModel* treeModel() const { return model_; }
    UnitTaskRunner* runner() const { return runner_; }
    QLineEdit* filterField() const { return filter_; }
    // The node of a bank or patch by its display name, in the tree as read.
    TreeNode::Ptr nodeNamed(const std::string& displayName) const;

    // Texts of the window (UTF-8), for the status line.
    static QString dropRefusedText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Reads the bank list, then opens the banks of these numbers.
    void readBanks(std::vector<int> reopen);
    void loadBank(const std::shared_ptr<KorvatelTreeNode>& node);
    void onExpanded(const QModelIndex& index);
    void openPatch(const std::shared_ptr<KorvatelTreeNode>& node);
    void selectPatchOnUnit(const std::shared_ptr<KorvatelTreeNode>& node);
    void runBackup(const std::string& parent, const std::shared_ptr<UnitRunningPatch>& running);
    void applyFilter();

    std::shared_ptr<ChannelNameInfo> channelInfo_;
    std::shared_ptr<KorvatelConnection> connection_;
    UnitTaskRunner* runner_ = nullptr;
    UnitTreeModel* model_ = nullptr;
    MyOutlineView* korvatelView_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QPushButton* backupButton_ = nullptr;
    UnitBusyRow* busy_ = nullptr;
    QIcon bankImage_;
    QIcon patchImage_;
    std::vector<TreeNode::Ptr> draggedNodes_;
    bool backingUp_ = false;
};

} // namespace tosk
