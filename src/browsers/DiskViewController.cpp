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

DiskViewController::DiskViewController(Hooks hooks, QWidget* parent)
    : QWidget(parent), hooks_(std::move(hooks)), undo_([this](const std::string& path) { return trash(path); })
{
    setObjectName(QStringLiteral("diskBrowser"));
    setWindowTitle(text("DiskBrowser", "Disk Browser"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    if (!hooks_.openUrl)
        hooks_.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    if (!hooks_.moveToTrash)
        hooks_.moveToTrash = [](const QString& path) { return DesktopTrash::moveToTrash(bytesOf(path)); };
    if (!hooks_.moveFolder)
        hooks_.moveFolder = [](const std::string& folder, const std::string& target,
                               const DiskMove::CopyControl& control) {
            return DiskMove::moveFolder(folder, target, control);
        };

    sifIcon_ = bundledIcon("sifFile");
    sigIcon_ = bundledIcon("sigFile");
    fileIcon_ = bundledIcon("fileIcon");
    folderIcon_ = bundledIcon("folderIcon");
    linkIcon_ = bundledIcon("linkIcon");

    auto* column = new QVBoxLayout(this);
    auto* bar = new QMenuBar(this);
    if (hooks_.buildMenu)
        hooks_.buildMenu(bar);
    column->setMenuBar(bar);
    // Another program (a shell, a file manager, the ".bak" a save writes)
    // changes the folders too; the watcher shows it, and Refresh reads
    // everything again where no watcher can (a network folder).
    QMenu* viewMenu = bar->findChild<QMenu*>(QStringLiteral("menuView"));
    if (viewMenu) {
        viewMenu->addSeparator();
    } else {
        viewMenu = bar->addMenu(text("MenuView", "&View"));
        viewMenu->setObjectName(QStringLiteral("menuView"));
    }
    refreshAction_ = viewMenu->addAction(text("DiskRefresh", "&Refresh"));
    refreshAction_->setObjectName(QStringLiteral("actionDiskRefresh"));
    refreshAction_->setShortcut(QKeySequence(Qt::Key_F5));
    addAction(refreshAction_);
    connect(refreshAction_, &QAction::triggered, this, &DiskViewController::refresh);
    // Edit ▸ Undo and Redo take back what the browser did to files while
    // the browser is in front; the application menu's items serve a patch
    // window otherwise.
    QMenu* editMenu = bar->findChild<QMenu*>(QStringLiteral("menuEdit"));
    undoAction_ = bar->findChild<QAction*>(QStringLiteral("actionUndo"));
    redoAction_ = bar->findChild<QAction*>(QStringLiteral("actionRedo"));
    if (!editMenu || !undoAction_ || !redoAction_) {
        if (!editMenu) {
            // Where every window has it: after File, before View.
            editMenu = new QMenu(text("MenuEdit", "&Edit"), bar);
            editMenu->setObjectName(QStringLiteral("menuEdit"));
            bar->insertMenu(viewMenu->menuAction(), editMenu);
        }
        undoAction_ = editMenu->addAction(QString::fromStdString(localizedUndo("Undo", "Undo")));
        undoAction_->setObjectName(QStringLiteral("actionUndo"));
        undoAction_->setShortcuts(QKeySequence::keyBindings(QKeySequence::Undo));
        redoAction_ = editMenu->addAction(QString::fromStdString(localizedUndo("Redo", "Redo")));
        redoAction_->setObjectName(QStringLiteral("actionRedo"));
        redoAction_->setShortcuts(QKeySequence::keyBindings(QKeySequence::Redo));
        addAction(undoAction_);
        addAction(redoAction_);
    }
    connect(undoAction_, &QAction::triggered, this, [this] { undo(); });
    connect(redoAction_, &QAction::triggered, this, [this] { redo(); });
    connect(editMenu, &QMenu::aboutToShow, this, &DiskViewController::updateUndoActions);
    box_ = new QGroupBox(this);
    box_->setObjectName(QStringLiteral("diskBox"));
    auto* inBox = new QVBoxLayout(box_);
    LibrarySearchPanel::Hooks searchHooks;
    searchHooks.open = [this](const QString& path) {
        if (hooks_.openPatch)
            hooks_.openPatch(path);
    };
    searchHooks.reveal = [this](const QString& path) { revealPath(path); };
    searchHooks.dragData = [this](const QStringList& paths) { return dragDataForPaths(paths); };
    search_ = new LibrarySearchPanel(
        std::move(searchHooks), hooks_.libraryIndexPath.empty() ? LibraryIndex::defaultPath() : hooks_.libraryIndexPath,
        box_);
    inBox->addWidget(search_);
    // The list found shares the box with the tree; without one, the field
    // takes only its own height.
    connect(search_, &LibrarySearchPanel::resultsShown, this,
            [this, inBox] { inBox->setStretchFactor(search_, search_->results()->isVisibleTo(search_) ? 1 : 0); });
    filterField_ = OutlineFilter::makeField(box_, QStringLiteral("diskFilter"), text("DiskFilter", "Filter"),
                                            text("DiskFilter", "Filter"));
    inBox->addWidget(filterField_);

    model_ = new TreeNodeModel(this);
    model_->setIconProvider([this](const TreeNode& node) { return iconFor(node); });
    model_->setTextProvider(
        [](const TreeNode& node) { return node.nodeData() ? shown(node.nodeData()->name()) : QString(); });
    model_->setDragData({QString::fromLatin1(DiskDragMimeData::mimeType), QStringLiteral("text/plain")},
                        [this](const std::vector<TreeNode::Ptr>& nodes) { return dragData(nodes); });
    // What a librarian sorts by: the patch's title, when it was written,
    // its size and how many modules it holds.
    columns_ = new DiskColumns(this);
    DiskColumns* columns = columns_;
    model_->setExtraColumns(DiskColumns::titles(), [columns](const TreeNode& node, int column, int role) {
        return columns->data(node, column, role);
    });
    model_->setSortOrder([columns](int column, Qt::SortOrder order) -> TreeNodeModel::Order {
        return [columns, column, order](const TreeNode& a, const TreeNode& b) {
            return columns->lessThan(a, b, column, order);
        };
    });
    connect(columns_, &DiskColumns::known, this, [this](const QString& path) {
        knownPaths_.insert(path);
        if (!knownTimer_->isActive())
            knownTimer_->start();
    });
    knownTimer_ = new QTimer(this);
    knownTimer_->setSingleShot(true);
    knownTimer_->setInterval(0);
    connect(knownTimer_, &QTimer::timeout, this, &DiskViewController::showKnown);
    outlineView_ = new DiskOutlineView(box_);
    outlineView_->setObjectName(QStringLiteral("diskOutline"));
    outlineView_->setAccessibleName(text("DiskOutline", "Patch files"));
    model_->setHeaderTitle(text("DiskColumnName", "Name"));
    outlineView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    outlineView_->setExpandsOnDoubleClick(false);
    outlineView_->setTreeModel(model_);
    outlineView_->setSortingEnabled(true);
    outlineView_->sortByColumn(DiskColumns::Name, Qt::AscendingOrder);
    outlineView_->header()->setSectionsMovable(false);
    outlineView_->header()->resizeSection(DiskColumns::Name, 200);
    outlineView_->header()->resizeSection(DiskColumns::Title, 150);
    outlineView_->header()->resizeSection(DiskColumns::Modified, 130);
    outlineView_->header()->resizeSection(DiskColumns::Size, 90);
    outlineView_->setDropHandlers(
        [this](const QMimeData* data, TreeNode* target) { return validateDrop(data, target); },
        [this](const QMimeData* data, TreeNode* target) { performDropOperation(data, target); });
    // The selected patch, drawn beside the tree.
    auto* split = new QSplitter(Qt::Horizontal, box_);
    split->setObjectName(QStringLiteral("diskSplit"));
    split->setChildrenCollapsible(false);
    split->addWidget(outlineView_);
    preview_ = new PatchPreview(split);
    split->addWidget(preview_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setSizes({720, 380});
    inBox->addWidget(split, 2);
    column->addWidget(box_, 1);
    filter_ = new OutlineFilter(outlineView_, filterField_);
    connect(filterField_, &QLineEdit::textChanged, this, &DiskViewController::filterChanged);

    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &DiskViewController::folderChanged);
    watchTimer_ = new QTimer(this);
    watchTimer_->setSingleShot(true);
    watchTimer_->setInterval(0);
    connect(watchTimer_, &QTimer::timeout, this, &DiskViewController::updateWatch);
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(kRefreshDelayMs);
    connect(refreshTimer_, &QTimer::timeout, this, &DiskViewController::refreshChanged);
    auto watchLater = [this] { watchTimer_->start(); };
    connect(model_, &QAbstractItemModel::rowsInserted, this, watchLater);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, watchLater);
    connect(model_, &QAbstractItemModel::modelReset, this, watchLater);
    connect(outlineView_, &QTreeView::expanded, this, watchLater);
    connect(outlineView_, &QTreeView::collapsed, this, watchLater);

    auto* buttons = new QHBoxLayout();
    chooseButton_ = new QPushButton(text("DiskChoose", "Choose..."), this);
    chooseButton_->setObjectName(QStringLiteral("chooseButton"));
    newFolderButton_ = new QPushButton(text("DiskNewFolder", "New Folder..."), this);
    newFolderButton_->setObjectName(QStringLiteral("newFolderButton"));
    stopButton_ = new QPushButton(text("DiskStop", "Stop"), this);
    stopButton_->setObjectName(QStringLiteral("stopButton"));
    stopButton_->hide();
    buttons->addWidget(chooseButton_);
    buttons->addWidget(newFolderButton_);
    buttons->addStretch(1);
    buttons->addWidget(stopButton_);
    column->addLayout(buttons);
    statusMessage_ = new QLabel(this);
    statusMessage_->setObjectName(QStringLiteral("statusMessage"));
    statusMessage_->setAccessibleName(text("DiskStatus", "Status"));
    statusMessage_->setTextFormat(Qt::PlainText);
    column->addWidget(statusMessage_);

    statusTimer_ = new QTimer(this);
    statusTimer_->setSingleShot(true);
    connect(statusTimer_, &QTimer::timeout, this, &DiskViewController::clearStatusMessage);
    connect(chooseButton_, &QPushButton::clicked, this, &DiskViewController::chooseList);
    connect(newFolderButton_, &QPushButton::clicked, this, &DiskViewController::newFolder);
    connect(stopButton_, &QPushButton::clicked, this, &DiskViewController::stopCopying);
    connect(outlineView_, &QAbstractItemView::doubleClicked, this, &DiskViewController::diskViewDoubleAction);

    auto addAction = [this](const char* name, const char* key, const char* fallback, const QKeySequence& shortcut,
                            void (DiskViewController::*slot)()) {
        auto* action = new QAction(text(key, fallback), outlineView_);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, slot);
        outlineView_->addAction(action);
        return action;
    };
    openAction_ = addAction("actionDiskOpen", "DiskOpen", "Open", QKeySequence(Qt::Key_Return),
                            &DiskViewController::diskViewDoubleAction);
    revealAction_ = addAction("actionDiskReveal", "DiskReveal", "Reveal in File Manager", QKeySequence(),
                              &DiskViewController::revealSelection);
    auto* separator = new QAction(outlineView_);
    separator->setSeparator(true);
    outlineView_->addAction(separator);
    newFolderAction_ = addAction("actionDiskNewFolder", "DiskNewFolder", "New Folder...",
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), &DiskViewController::newFolder);
    renameAction_ = addAction("actionDiskRename", "DiskRename", "Rename...", QKeySequence(Qt::Key_F2),
                              &DiskViewController::renameSelection);
    trashAction_ = addAction("actionDiskTrash", "DiskTrash", "Move to Trash", QKeySequence::Delete,
                             &DiskViewController::moveSelectionToTrash);
    outlineView_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(outlineView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DiskViewController::updateActions);
    connect(model_, &QAbstractItemModel::modelReset, this, &DiskViewController::updateActions);
    connect(outlineView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DiskViewController::updatePreview);
    connect(model_, &QAbstractItemModel::modelReset, this, &DiskViewController::updatePreview);
    updateActions();
    resize(1140, 560);
}

DiskViewController::~DiskViewController()
{
    // The header lays the rows out once more as the window closes: that
    // happens now, while what the rows show is still here.
    hide();
    model_->setIconProvider({});
    // Answers the unit still owes go nowhere; a folder's copy stops, its
    // part removed, before the window it reports to goes.
    if (copy_)
        copy_->stop(false);
    worker_.reset();
    reader_.reset();
}

void DiskViewController::closeEvent(QCloseEvent* event)
{
    stopCopying();
    QWidget::closeEvent(event);
}

void DiskViewController::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        windowDidLoad();
    }
}

void DiskViewController::windowDidLoad()
{
    clearStatusMessage();
    // A folder shown before the window first appeared stays.
    if (!diskTreeData_)
        fillDiskViewFromPath(shown(PreferenceController::shared().diskPatchPath().value_or("")));
}

QIcon DiskViewController::iconFor(const TreeNode& node) const
{
    const auto* disk = dynamic_cast<const DiskFileTreeNode*>(&node);
    if (!disk)
        return {};
    if (disk->isLink())
        return linkIcon_;
    if (!disk->isLeaf())
        return folderIcon_;
    const QString extension = shown(disk->diskData().extension()).toLower();
    if (extension == QLatin1String("sif"))
        return sifIcon_;
    if (extension == QLatin1String("sig"))
        return sigIcon_;
    return fileIcon_;
}

bool DiskViewController::fillDiskViewFromPath(const QString& path)
{
    QString folder = path;
    if (folder.isEmpty())
        folder = QDir::homePath();
    else if (folder == QLatin1String("~") || folder.startsWith(QLatin1String("~/")))
        folder = QDir::homePath() + folder.mid(1);
    std::shared_ptr<DiskFileTreeNode> root;
    try {
        root = DiskFileTreeNode::treeFromDirectoryPath(normalized(bytesOf(folder)));
    } catch (const TkxException& e) {
        Alerts::error(failureWords(e), this);
        return false;
    }
    showTree(root);
    return true;
}

void DiskViewController::showTree(const std::shared_ptr<DiskFileTreeNode>& root)
{
    box_->setTitle(shown(root->diskData().name()));
    draggedNodes_.clear();
    reader_.reset();
    wholeTreeRead_ = false;
    changedFolders_.clear();
    diskTreeData_ = root;
    model_->setRoot(root);
    if (!filter_->text().isEmpty())
        readWholeTree();
    search_->setRoots(libraryRoots());
}

std::vector<std::string> DiskViewController::libraryRoots() const
{
    std::vector<std::string> roots;
    if (diskTreeData_)
        roots.push_back(diskTreeData_->fullPathName());
    for (const std::string& folder : PreferenceController::shared().backupFolders())
        roots.push_back(folder);
    return roots;
}

DiskFileTreeNode* DiskViewController::readToPath(const std::string& path)
{
    if (!diskTreeData_)
        return nullptr;
    const std::string root = normalized(diskTreeData_->fullPathName());
    const std::string wanted = normalized(path);
    if (!isInsideFolder(wanted, root))
        return nullptr;
    DiskFileTreeNode* node = diskTreeData_.get();
    fs::path rest = fs::path(wanted).lexically_relative(root);
    for (const fs::path& part : rest) {
        if (part.empty() || part == ".")
            continue;
        if (!node->childrenRead())
            model_->readChildren(*node);
        DiskFileTreeNode* next = nullptr;
        for (const TreeNode::Ptr& child : node->children()) {
            DiskFileTreeNode* disk = diskNode(child.get());
            if (disk && disk->diskData().name() == part.string())
                next = disk;
        }
        if (!next)
            return nullptr;
        node = next;
    }
    return node;
}

void DiskViewController::revealPath(const QString& path)
{
    DiskFileTreeNode* node = readToPath(bytesOf(path));
    if (!node) {
        // A backup outside the shown folder: the file manager shows it.
        const QString folder = path.left(path.lastIndexOf(QLatin1Char('/')));
        if (!hooks_.openUrl(QUrl::fromLocalFile(folder)))
            Alerts::alert(
                fillIn(localized("DiskNoFileManager", "The file manager could not show %s."), {utf8(bytesOf(folder))}),
                this);
        return;
    }
    // The filter must not hide what is asked for.
    filterField_->clear();
    for (TreeNode* up = node->nodeParent(); up && up != diskTreeData_.get(); up = up->nodeParent())
        outlineView_->expand(model_->indexForNode(up));
    const QModelIndex index = model_->indexForNode(node);
    outlineView_->setCurrentIndex(index);
    outlineView_->scrollTo(index);
    outlineView_->setFocus();
}

QMimeData* DiskViewController::dragDataForPaths(const QStringList& paths)
{
    std::vector<TreeNode::Ptr> nodes;
    for (const QString& path : paths) {
        const std::string bytes = bytesOf(path);
        if (DiskFileTreeNode* node = readToPath(bytes)) {
            if (node->nodeParent())
                for (const TreeNode::Ptr& child : node->nodeParent()->children())
                    if (child.get() == node)
                        nodes.push_back(child);
        } else {
            // A file of a backup elsewhere travels as a node of its own.
            nodes.push_back(std::make_shared<DiskFileTreeNode>(DiskFileTreeNode::nodeNameFromPath(bytes), bytes, true));
        }
    }
    return dragData(nodes);
}

void DiskViewController::chooseList()
{
    FileRequest request;
    request.title = localized("OpenPatchDir", "Choose a folder of patches");
    request.chooseFolders = true;
    request.directory = PreferenceController::shared().diskPatchPath().value_or(QDir::homePath().toStdString());
    request.fileTypes = {"sif", "SIF", "sig", "SIG", "bak", "BAK"};
    request.window = this;
    const std::optional<std::string> chosen = FileChooser::shared().choose(request);
    // Only a folder that shows is kept for the next start.
    if (chosen && fillDiskViewFromPath(shown(*chosen)))
        PreferenceController::shared().setDiskPatchPath(*chosen);
}

DiskFileTreeNode* DiskViewController::diskNode(const TreeNode* node) const
{
    return dynamic_cast<DiskFileTreeNode*>(const_cast<TreeNode*>(node));
}

void DiskViewController::diskViewDoubleAction()
{
    const TreeNode::Ptr item = outlineView_->selectedItem();
    DiskFileTreeNode* node = diskNode(item.get());
    if (!node)
        return;
    std::error_code ec;
    if (node->isLink() && !fs::is_regular_file(node->fullPathName(), ec)) {
        // A linked folder is not browsed here: the user is told where it
        // leads instead.
        const fs::path target = fs::read_symlink(node->fullPathName(), ec);
        statusDisplay(text("DiskIsLink", "%s is a link to %s", {utf8(node->diskData().name()), utf8(target.string())}));
        statusTimer_->start(kStatusClearMs);
        return;
    }
    if (node->isLeaf()) {
        if (hooks_.openPatch)
            hooks_.openPatch(shown(node->fullPathName()));
        return;
    }
    const QModelIndex index = model_->indexForNode(node);
    if (outlineView_->isExpanded(index)) {
        outlineView_->collapse(index);
        return;
    }
    if (!node->isExpanded())
        model_->readChildren(*node);
    outlineView_->expand(index);
}

void DiskViewController::statusDisplay(const QString& status)
{
    statusMessage_->setText(status);
    statusMessage_->repaint();
    emit statusChanged(status);
}

void DiskViewController::clearStatusMessage()
{
    statusMessage_->clear();
    emit statusChanged(QString());
}

QString DiskViewController::statusText() const
{
    return statusMessage_->text();
}

} // namespace tosk
