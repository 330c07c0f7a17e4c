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

namespace {

QString text(const char* key, const char* fallback, const std::vector<std::string>& values = {})
{
    return QString::fromStdString(fillIn(localized(key, fallback), values));
}

// Paths and names are bytes as the file system gives them; people read them
// through the locale's encoding.
QString shown(const std::string& bytes)
{
    return QFile::decodeName(bytes.c_str());
}

std::string utf8(const std::string& bytes)
{
    return shown(bytes).toStdString();
}

std::string bytesOf(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

std::string canonicalPath(const std::string& path)
{
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(path, ec);
    return ec ? path : canonical.string();
}

std::string normalized(const std::string& path)
{
    std::string p = fs::path(path).lexically_normal().string();
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

QIcon bundledIcon(const char* name)
{
    return QIcon(QString::fromStdString(DataFiles::path(std::string("icons/") + name + ".svg")));
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& line : lines) {
        if (!all.empty())
            all += '\n';
        all += line;
    }
    return all;
}

} // namespace

// Reads every folder below the shown one on a thread of its own; going, it
// stops the reading and waits for the thread.
struct DiskViewController::TreeReader {
    std::atomic<bool> stop{false};
    std::thread thread;
    ~TreeReader()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
    }
};

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
