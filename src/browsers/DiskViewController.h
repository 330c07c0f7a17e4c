// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/DiskFileTreeNode.h"
#include "base/TreeNode.h"
#include "comms/DesktopTrash.h"
#include "comms/DiskClash.h"
#include "comms/DiskMoveWorker.h"
#include "comms/DiskUndo.h"

#include <QIcon>
#include <QSet>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QFileSystemWatcher;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QMimeData;
class QPushButton;
class QTimer;
class QUrl;

namespace tosk {

class DiskColumns;
class DiskOutlineView;
class LibrarySearchPanel;
class OutlineFilter;
class PatchPreview;
class TreeNodeModel;
class UnitDropCopy;

// The disk browser: a panel with the tree of one folder of patch files (its
// sub-folders and ".sig" and ".bak" files; links as links, never browsed
// through). A double click opens a patch; files and folders move by drag and
// drop within the tree, replacing nothing unless the user says so (and then
// by way of the trash); patches dropped from a
// unit browser are fetched and saved as ".sig" files. A filter field narrows
// the tree to the names that match anywhere below the folder (every folder
// is read for it, on a thread of its own); New Folder, Rename, Move to Trash
// and Reveal in File Manager act on the selection. The open folders are
// watched: what another program adds, changes or removes shows at once, and
// View ▸ Refresh reads every folder again. Above the tree, a search looks
// inside every patch of the library (LibrarySearchPanel). Beside the name,
// each row shows the patch's title, when it was written, its size and its
// module count; a click on a column's header sorts by it (folders stay
// first). The selected patch is drawn beside the tree; Edit ▸ Undo takes back
// a move, rename, new folder or move to the trash, and a name that clashes in
// a move is asked about (Keep Both, Replace, Skip).
class DiskViewController : public QWidget {
    Q_OBJECT

public:
    using ClashAnswer = DiskClash::Answer;
    // What the browser asks of the application; each may be left empty.
    struct Hooks {
        // Builds the application menu into the panel's menu bar.
        std::function<void(QMenuBar*)> buildMenu;
        // Opens a patch file in a window (or brings its window forward).
        std::function<void(const QString& path)> openPatch;
        // A file or folder moved from `from` to `to` (full, canonical paths):
        // windows of the files at or below `from` follow it.
        std::function<void(const QString& from, const QString& to)> pathMoved;
        // Whether the file at `path`, or one below the folder at `path`, is
        // open in a window.
        std::function<bool(const QString& path)> isOpen;
        // Shows a folder in the desktop's file manager; false when it could
        // not. Default: QDesktopServices::openUrl.
        std::function<bool(const QUrl& folder)> openUrl;
        // Moves a file or folder to the user's trash, and says whether it is
        // there. Default: DesktopTrash::moveToTrash.
        std::function<DesktopTrash::Result(const QString& path)> moveToTrash;
        // Moves a folder into another, on the browser's worker thread.
        // Default: DiskMove::moveFolder.
        DiskMoveWorker::Move moveFolder;
        // The file the library's index is kept in. Default:
        // LibraryIndex::defaultPath().
        std::string libraryIndexPath;
        // Asks what becomes of an item moved into a folder that holds one of
        // its name (`name`, the folder's name). Default: a dialog with "Keep
        // Both", "Replace", "Skip" and "Apply to all".
        std::function<ClashAnswer(const QString& name, const QString& folder)> askClash;
    };

    // How long a status text stays.
    static constexpr int kStatusClearMs = 3000;
    // How long changes on disk gather before the folders are read again.
    static constexpr int kRefreshDelayMs = 100;

    explicit DiskViewController(Hooks hooks, QWidget* parent = nullptr);
    ~DiskViewController() override;

    // Shows the folder at `path` ("~" is the home folder; empty: home). A
    // path that is not a folder shows the "ERROR" alert and keeps the tree
    // as it was; false then.
    bool fillDiskViewFromPath(const QString& path);
    // The choose button: asks for a folder, stores it in "DiskPatchPath" and
    // shows it.
    void chooseList();
    // A double click: opens the one selected file, or opens or closes the
    // one selected folder (reading it first).
    void diskViewDoubleAction();
    void statusDisplay(const QString& text);
    void clearStatusMessage();
    QString statusText() const;

    // Whether the data may be dropped onto `target` (a node of the tree;
    // null asks whether the data is a drag the browser takes at all).
    bool validateDrop(const QMimeData* data, const TreeNode* target) const;
    // Carries out a drop onto the folder `target` (the root for the space
    // below the rows): moves this browser's nodes, or copies a unit
    // browser's items. Copies from a unit, and folders copied to another
    // file system, go on after this returns (isCopying).
    void performDropOperation(const QMimeData* data, TreeNode* target);
    bool isCopying() const;
    // Ends a copy from a unit after the step running now, or a folder's
    // copy with nothing of it left behind; the rest of the drop is dropped.
    void stopCopying();
    // The nodes of the drag last started from this browser.
    const std::vector<TreeNode::Ptr>& draggedNodes() const { return draggedNodes_; }

    // The commands beyond moving; each works on the selection and asks what
    // it needs (a name) in a dialog.
    void newFolder();
    void renameSelection();
    // Asks first, naming what goes.
    void moveSelectionToTrash();
    void revealSelection();
    // Edit ▸ Undo and Redo of what the browser did to files (Move, Rename,
    // New Folder, Move to Trash); one that cannot be done says why and
    // changes nothing. False then.
    bool undo();
    bool redo();
    const DiskUndo& undoStack() const { return undo_; }
    // View ▸ Refresh: every folder read so far is read again.
    void refresh();
    // What they do once they have their answers; false (the user told why)
    // when nothing changed.
    bool createFolder(DiskFileTreeNode& parent, const QString& name);
    bool renameNode(DiskFileTreeNode& node, const QString& newName);
    bool trashNodes(const std::vector<TreeNode::Ptr>& nodes);

    DiskOutlineView* outlineView() const { return outlineView_; }
    LibrarySearchPanel* librarySearch() const { return search_; }
    // The folders the search covers: the shown folder and every backup.
    std::vector<std::string> libraryRoots() const;
    // Shows the file in the tree, its folders opened and its row selected;
    // a file outside the shown folder shows in the file manager.
    void revealPath(const QString& path);
    // The drag of these files, as the tree's rows make it.
    QMimeData* dragDataForPaths(const QStringList& paths);
    PatchPreview* preview() const { return preview_; }
    TreeNodeModel* treeModel() const { return model_; }
    const std::shared_ptr<DiskFileTreeNode>& diskTreeData() const { return diskTreeData_; }
    // The node shown for `path` (read so far), or null.
    DiskFileTreeNode* nodeForPath(const std::string& path) const;
    // Reads the folder again, keeping the nodes (and open and selected rows)
    // of the entries that are still there.
    void refreshFolder(DiskFileTreeNode& folder);

signals:
    // A drop has been carried out entirely (a copy from a unit included).
    void dropFinished();
    // The status line shows `text` (empty: cleared).
    void statusChanged(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    // The copies of this window end with it.
    void closeEvent(QCloseEvent* event) override;

private:
    void windowDidLoad();
    QIcon iconFor(const TreeNode& node) const;
    QMimeData* dragData(const std::vector<TreeNode::Ptr>& nodes);
    // A drop's nodes move one after the other; a folder on the worker.
    struct Moving {
        std::vector<TreeNode::Ptr> nodes;
        size_t next = 0;
        std::string targetPath;
        std::string folderName;
        std::vector<std::string> report;
        // What the drop did, for undo.
        std::vector<DiskUndo::Step> steps;
        // The answer given with "Apply to all".
        std::optional<DiskClash::Choice> clashChoice;
    };
    void moveDiskNodes(const std::vector<TreeNode::Ptr>& nodes, DiskFileTreeNode& target);
    void moveNext();
    void moved(DiskFileTreeNode& node, const std::string& canonicalFrom, const DiskMove::Result& result);
    void folderMoved(const TreeNode::Ptr& node, const std::string& canonicalFrom, const DiskMove::Result& result);
    void dropDone(DiskFileTreeNode& target, const std::vector<std::string>& report);
    void setBusy(bool busy);
    // The folder that new things go into: the selected folder, the folder of
    // the selected file, else the root.
    DiskFileTreeNode* selectedFolder() const;
    DiskFileTreeNode* diskNode(const TreeNode* node) const;
    // A name typed for a file or folder is one when it is not empty, holds
    // no "/" and does not start with "."; else the user is told.
    bool acceptableName(const QString& name) const;
    void updateActions();
    void updateUndoActions();
    void updatePreview();
    // Where an item moved into the target goes: its own name, another, or
    // nowhere (empty), as the user answers a clash.
    std::string destinationFor(DiskFileTreeNode& node);
    // Asks what becomes of `name` (UTF-8) in the folder `folderName`.
    ClashAnswer askClash(const std::string& name, const std::string& folderName);
    std::string destinationChosen(DiskFileTreeNode& node, const std::string& there, DiskClash::Choice choice);
    // The folders a step changed are read again; windows follow moves.
    void showUndone(const DiskUndo::Outcome& outcome, bool backwards);
    DesktopTrash::Result trash(const std::string& path);
    // Gives `folder` the entries just read (sorted): the nodes of those still
    // there stay with their rows, the others go, new ones come in at their
    // places. Answers the new folders; `kept` receives each node kept with
    // the entry read for it.
    size_t mergeEntries(DiskFileTreeNode& folder, const std::vector<TreeNode::Ptr>& entries,
                        std::vector<std::pair<TreeNode::Ptr, TreeNode::Ptr>>* kept = nullptr);
    size_t refreshEntries(DiskFileTreeNode& folder);
    // Brings what `read` (a tree read elsewhere) holds below `shown` into it.
    void graft(DiskFileTreeNode& shown, DiskFileTreeNode& read);
    void filterChanged(const QString& text);
    void readWholeTree();
    void treeRead(unsigned generation, const std::shared_ptr<DiskFileTreeNode>& tree);
    void showTree(const std::shared_ptr<DiskFileTreeNode>& root);
    // The file of `path` in the tree, its folders read to it; null when it
    // is not below the shown folder.
    DiskFileTreeNode* readToPath(const std::string& path);
    // The shown folder and the open folders below it are watched.
    void updateWatch();
    void folderChanged(const QString& path);
    void refreshChanged();
    // Rows whose files have just been read show what was read.
    void showKnown();

    Hooks hooks_;
    QGroupBox* box_ = nullptr;
    QLineEdit* filterField_ = nullptr;
    LibrarySearchPanel* search_ = nullptr;
    DiskOutlineView* outlineView_ = nullptr;
    TreeNodeModel* model_ = nullptr;
    DiskColumns* columns_ = nullptr;
    PatchPreview* preview_ = nullptr;
    QSet<QString> knownPaths_;
    QTimer* knownTimer_ = nullptr;
    OutlineFilter* filter_ = nullptr;
    QPushButton* chooseButton_ = nullptr;
    QPushButton* newFolderButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QLabel* statusMessage_ = nullptr;
    QTimer* statusTimer_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* newFolderAction_ = nullptr;
    QAction* renameAction_ = nullptr;
    QAction* trashAction_ = nullptr;
    QAction* revealAction_ = nullptr;
    QAction* refreshAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    DiskUndo undo_;
    QIcon sifIcon_;
    QIcon sigIcon_;
    QIcon fileIcon_;
    QIcon folderIcon_;
    QIcon linkIcon_;
    std::shared_ptr<DiskFileTreeNode> diskTreeData_;
    std::vector<TreeNode::Ptr> draggedNodes_;
    std::shared_ptr<UnitDropCopy> copy_;
    std::unique_ptr<Moving> moving_;
    std::unique_ptr<DiskMoveWorker> worker_;
    // The reading of the whole tree for the filter.
    struct TreeReader;
    std::unique_ptr<TreeReader> reader_;
    unsigned readerGeneration_ = 0;
    bool wholeTreeRead_ = false;
    QString readingStatus_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* watchTimer_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    QSet<QString> changedFolders_;
    bool loaded_ = false;
};

} // namespace tosk
