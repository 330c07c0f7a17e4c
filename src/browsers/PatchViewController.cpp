// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/PatchViewController.h"

#include "base/PreferenceController.h"
#include "browsers/OutlineFilter.h"

#include "base/Alerts.h"
#include "base/DataFiles.h"
#include "base/FileChooser.h"
#include "base/Localization.h"
#include "base/NotificationCenter.h"
#include "browsers/DiskDragMimeData.h"
#include "browsers/KorvatelNodeData.h"
#include "browsers/KorvatelTreeNode.h"
#include "browsers/MyOutlineView.h"
#include "browsers/PatchOpenNotification.h"
#include "browsers/UnitBankDropItem.h"
#include "browsers/UnitBusyRow.h"
#include "browsers/UnitPatchDropItem.h"
#include "browsers/UnitRunningPatch.h"
#include "browsers/UnitTaskRunner.h"
#include "browsers/UnitTreeModel.h"
#include "canvas/Latin1.h"
#include "comms/KorvatelConnection.h"
#include "comms/PatchTextCheck.h"
#include "comms/UnitBackup.h"

#include <QAction>
#include <QDragMoveEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <ctime>

namespace tosk {

namespace {

QIcon dataIcon(const char* name)
{
    return QIcon(QString::fromStdString(DataFiles::path(std::string("icons/") + name + ".svg")));
}

QString utf8(const std::string& text)
{
    return QString::fromStdString(text);
}

QString fill(const char* key, const char* fallback, const std::vector<std::string>& values)
{
    return utf8(fillIn(localized(key, fallback), values));
}

std::shared_ptr<KorvatelTreeNode> korvatelNode(const TreeNode::Ptr& node)
{
    return std::dynamic_pointer_cast<KorvatelTreeNode>(node);
}

// "%s: %s" (name, reason) of what made an operation fail, or "".
std::string failureOf(const KorvatelConnection& k)
{
    return k.lastFailure() ? failureWords(*k.lastFailure()) : std::string();
}

} // namespace

PatchViewController::PatchViewController(std::shared_ptr<ChannelNameInfo> info, UnitLineTiming timing, QWidget* parent)
    : QWidget(parent, Qt::Window), channelInfo_(std::move(info))
{
    setObjectName(QStringLiteral("korvatelViewPanel"));
    setAttribute(Qt::WA_DeleteOnClose);
    if (channelInfo_)
        connection_ = std::make_shared<KorvatelConnection>(channelInfo_, LineSettings::fromPreferences,
                                                           timing.receiveTimeout, timing.bankPause);
    runner_ = new UnitTaskRunner(connection_ ? connection_ : std::make_shared<KorvatelConnection>(), this);
    bankImage_ = dataIcon("bankIcon");
    patchImage_ = dataIcon("patchIcon");

    auto* column = new QVBoxLayout(this);
    // The unit changes behind the window's back (its own panel, another
    // program): View ▸ Refresh reads what it holds now.
    auto* bar = new QMenuBar(this);
    QMenu* view = bar->addMenu(Latin1::text("MenuView", "&View"));
    view->setObjectName(QStringLiteral("menuView"));
    QAction* refreshAction = view->addAction(Latin1::text("UnitRefresh", "&Refresh"));
    refreshAction->setObjectName(QStringLiteral("actionRefresh"));
    refreshAction->setShortcut(QKeySequence(Qt::Key_F5));
    addAction(refreshAction);
    connect(refreshAction, &QAction::triggered, this, [this] { refresh(); });
    column->setMenuBar(bar);
    auto* top = new QHBoxLayout();
    filter_ =
        OutlineFilter::makeField(this, QStringLiteral("filterField"), Latin1::text("BrowserFilter", "Filter by name"),
                                 Latin1::text("BrowserFilterName", "Filter"));
    top->addWidget(filter_, 1);
    backupButton_ = new QPushButton(Latin1::text("UnitBackUpAll", "Back Up All Banks..."), this);
    backupButton_->setObjectName(QStringLiteral("backupButton"));
    backupButton_->setToolTip(Latin1::text("UnitBackUpAllTip",
                                           "Copy every patch of every bank into a new folder named with the "
                                           "date and time, one folder per bank"));
    top->addWidget(backupButton_);
    column->addLayout(top);

    model_ = new UnitTreeModel(this);
    model_->setHeaderTitle(Latin1::text("UnitBanksHeader", "Banks and patches"));
    model_->setIconProvider([this](const TreeNode& node) {
        const auto* data = dynamic_cast<const KorvatelNodeData*>(node.nodeData());
        return data && data->isExpandable() ? bankImage_ : patchImage_;
    });
    model_->setMimeFactory([this](const std::vector<TreeNode::Ptr>& nodes) { return dragData(nodes); });
    korvatelView_ = new MyOutlineView(this);
    korvatelView_->setObjectName(QStringLiteral("korvatelView"));
    korvatelView_->setTreeModel(model_);
    korvatelView_->setExpandsOnDoubleClick(false);
    korvatelView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    korvatelView_->setDragEnabled(true);
    korvatelView_->setDragDropMode(QAbstractItemView::DragDrop);
    korvatelView_->setAcceptDrops(true);
    korvatelView_->viewport()->installEventFilter(this);
    korvatelView_->header()->hide();
    column->addWidget(korvatelView_, 1);

    busy_ = new UnitBusyRow(this);
    column->addWidget(busy_);
    resize(360, 480);

    connect(runner_, &UnitTaskRunner::busyChanged, busy_, &UnitBusyRow::setBusy);
    connect(busy_, &UnitBusyRow::cancelRequested, runner_, &UnitTaskRunner::cancel);
    connect(korvatelView_, &QTreeView::clicked, this, [this] { korvatelViewAction(); });
    connect(korvatelView_, &QTreeView::doubleClicked, this, [this] { korvatelViewDoubleAction(); });
    connect(korvatelView_, &QTreeView::expanded, this, &PatchViewController::onExpanded);
    connect(filter_, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    connect(backupButton_, &QPushButton::clicked, this, [this] { backUpAllBanks(); });
    fillView();
}

PatchViewController::~PatchViewController()
{
    // Tasks of this window hear nothing once it is going; those of the disk
    // browser hear that they were cancelled.
    delete runner_;
    runner_ = nullptr;
}

void PatchViewController::stopBackup()
{
    if (backingUp_)
        runner_->cancel();
}

QString PatchViewController::dropRefusedText()
{
    return Latin1::text("UnitDropRefused",
                        "Patches cannot be dropped on the unit: nothing would be sent to it. Nothing was changed.");
}

void PatchViewController::statusDisplay(const QString& text)
{
    busy_->statusDisplay(text);
}

void PatchViewController::clearStatusMessage()
{
    busy_->clearStatusMessage();
}

QString PatchViewController::statusText() const
{
    return busy_->statusText();
}

void PatchViewController::fillView()
{
    readBanks({});
}

void PatchViewController::refresh()
{
    std::vector<int> open;
    for (const TreeNode::Ptr& node : model_->root()->children()) {
        auto bank = korvatelNode(node);
        if (bank && bank->korvatelData() && bank->korvatelData()->bank() &&
            korvatelView_->isExpanded(model_->indexForNode(bank.get())))
            open.push_back(bank->korvatelData()->bank()->bankNumber());
    }
    readBanks(std::move(open));
}

void PatchViewController::readBanks(std::vector<int> reopen)
{
    if (!channelInfo_)
        return;
    setWindowTitle(utf8(latin1ToUtf8(channelInfo_->description())));
    struct Answer {
        BankList banks;
        std::string failure;
    };
    auto answer = std::make_shared<Answer>();
    QPointer<PatchViewController> self(this);
    runner_->run(
        Latin1::text("UnitReadingBanks", "Reading the banks of the unit..."),
        [answer](KorvatelConnection& k, const std::atomic<bool>&) {
            answer->banks = k.getBankList();
            answer->failure = failureOf(k);
        },
        [self, answer, reopen](bool cancelled) {
            if (!self)
                return;
            if (cancelled) {
                self->statusDisplay(Latin1::text("UnitCancelled", "Cancelled."));
                return;
            }
            self->model_->setRoot(KorvatelTreeNode::treeFromBankList(&answer->banks, self->connection_));
            self->statusDisplay(fill("UnitBankCount", "%s banks", {std::to_string(answer->banks.count())}));
            self->applyFilter();
            if (!answer->failure.empty()) {
                Alerts::error(answer->failure, self.data());
                return;
            }
            // Opening a bank reads it (onExpanded).
            for (const TreeNode::Ptr& node : self->model_->root()->children()) {
                auto bank = korvatelNode(node);
                if (bank && bank->korvatelData() && bank->korvatelData()->bank() &&
                    std::find(reopen.begin(), reopen.end(), bank->korvatelData()->bank()->bankNumber()) != reopen.end())
                    self->korvatelView_->expand(self->model_->indexForNode(bank.get()));
            }
        });
}

TreeNode::Ptr PatchViewController::nodeNamed(const std::string& displayName) const
{
    std::vector<TreeNode::Ptr> pending = model_->root()->children();
    while (!pending.empty()) {
        TreeNode::Ptr node = pending.back();
        pending.pop_back();
        if (node->nodeData() && node->nodeData()->name() == displayName)
            return node;
        for (const auto& child : node->children())
            pending.push_back(child);
    }
    return nullptr;
}

void PatchViewController::loadBank(const std::shared_ptr<KorvatelTreeNode>& node)
{
    KorvatelNodeData* data = node->korvatelData();
    if (!data || !data->bank() || data->isLoading())
        return;
    data->setLoading(true);
    model_->nodeChanged(node.get());
    struct Answer {
        PatchList patches;
        std::string failure;
    };
    auto answer = std::make_shared<Answer>();
    const int number = data->bank()->bankNumber();
    QPointer<PatchViewController> self(this);
    std::weak_ptr<KorvatelTreeNode> weak = node;
    runner_->run(
        fill("UnitReadingBank", "Reading bank %s...", {latin1ToUtf8(data->nodeName())}),
        [answer, number](KorvatelConnection& k, const std::atomic<bool>&) {
            answer->patches = k.patchListForBank(uint32_t(number));
            answer->failure = failureOf(k);
        },
        [self, weak, answer](bool cancelled) {
            auto node = weak.lock();
            if (!self || !node)
                return;
            KorvatelNodeData* data = node->korvatelData();
            data->setLoading(false);
            self->model_->nodeChanged(node.get());
            if (cancelled) {
                self->statusDisplay(Latin1::text("UnitCancelled", "Cancelled."));
                self->korvatelView_->collapse(self->model_->indexForNode(node.get()));
                return;
            }
            data->bank()->setPatchList(answer->patches);
            data->setLoaded(answer->failure.empty());
            self->model_->replaceChildren(*node, KorvatelTreeNode::patchNodes(answer->patches, node->connection()));
            self->statusDisplay(fill("UnitPatchCount", "%s: %s patches",
                                     {latin1ToUtf8(data->nodeName()), std::to_string(answer->patches.count())}));
            self->applyFilter();
            if (!answer->failure.empty())
                Alerts::error(answer->failure, self.data());
        });
}

void PatchViewController::onExpanded(const QModelIndex& index)
{
    auto node = korvatelNode(model_->nodePtrForIndex(index));
    if (!node || !node->korvatelData())
        return;
    // Read again on every opening: what a bank holds changes on the unit
    // (a patch stored, a slot renamed) without a word to this window.
    KorvatelNodeData* data = node->korvatelData();
    if (data->isExpandable() && !data->isLoading())
        loadBank(node);
}

void PatchViewController::korvatelViewAction()
{
    auto node = korvatelNode(korvatelView_->selectedItem());
    if (node && node->korvatelData() && node->korvatelData()->patch())
        selectPatchOnUnit(node);
}

void PatchViewController::selectPatchOnUnit(const std::shared_ptr<KorvatelTreeNode>& node)
{
    std::shared_ptr<Patch> patch = node->korvatelData()->patch();
    auto failure = std::make_shared<std::string>();
    QPointer<PatchViewController> self(this);
    runner_->run(
        fill("UnitSelecting", "Selecting %s...", {latin1ToUtf8(patch->displayName())}),
        [patch, failure](KorvatelConnection& k, const std::atomic<bool>&) {
            k.selectPatch(uint8_t(patch->patchNumber()), uint32_t(patch->bankNumber()));
            *failure = failureOf(k);
        },
        [self, patch, failure](bool cancelled) {
            if (!self)
                return;
            if (cancelled)
                self->statusDisplay(Latin1::text("UnitCancelled", "Cancelled."));
            else if (!failure->empty())
                self->statusDisplay(utf8(*failure));
            else
                self->statusDisplay(fill("UnitSelected", "%s runs on the unit.", {latin1ToUtf8(patch->displayName())}));
        });
}

void PatchViewController::korvatelViewDoubleAction()
{
    auto node = korvatelNode(korvatelView_->selectedItem());
    if (!node || !node->korvatelData())
        return;
    KorvatelNodeData* data = node->korvatelData();
    if (data->isExpandable()) {
        const QModelIndex index = model_->indexForNode(node.get());
        if (korvatelView_->isExpanded(index))
            korvatelView_->collapse(index);
        else
            korvatelView_->expand(index); // reads the bank
        return;
    }
    openPatch(node);
}

void PatchViewController::openPatch(const std::shared_ptr<KorvatelTreeNode>& node)
{
    std::shared_ptr<Patch> patch = node->korvatelData()->patch();
    if (!patch)
        return;
    struct Answer {
        std::optional<std::string> text;
        std::string failure;
    };
    auto answer = std::make_shared<Answer>();
    QPointer<PatchViewController> self(this);
    runner_->run(
        fill("UnitFetching", "Fetching %s...", {latin1ToUtf8(patch->displayName())}),
        [patch, answer](KorvatelConnection& k, const std::atomic<bool>&) {
            answer->text = k.getSigFileForPatch(*patch);
            answer->failure = failureOf(k);
        },
        [self, patch, answer](bool cancelled) {
            if (!self)
                return;
            if (cancelled) {
                self->statusDisplay(Latin1::text("UnitCancelled", "Cancelled."));
                return;
            }
            if (!answer->text || !answer->failure.empty()) {
                // A fetch that failed opens nothing.
                self->statusDisplay(answer->failure.empty()
                                        ? fill("UnitNoPatchText", "The unit sent no patch text for %s.",
                                               {latin1ToUtf8(patch->displayName())})
                                        : utf8(answer->failure));
                return;
            }
            // A slot stored again or renamed since the list was read: the
            // patch opens under the name it gives itself.
            std::shared_ptr<Patch> opened = patch;
            if (auto title = titleIfNotListed(*answer->text, patch->patchName())) {
                opened = Patch::patchWithName(*title, patch->patchNumber(), patch->bankNumber());
                self->statusDisplay(fill("UnitRetitled",
                                         "%s holds %s on the unit now (View ▸ Refresh reads the list again).",
                                         {latin1ToUtf8(patch->displayName()), latin1ToUtf8(*title)}));
            } else {
                self->clearStatusMessage();
            }
            NotificationCenter::defaultCenter().post(PatchOpenNotification, self.data(),
                                                     {{"NodeData", opened}, {"PatchData", *answer->text}});
        });
}

QMimeData* PatchViewController::dragData(const std::vector<TreeNode::Ptr>& nodes)
{
    draggedNodes_.clear();
    std::vector<DiskDropItem::Ptr> items;
    QString description;
    for (const TreeNode::Ptr& node : TreeNode::minimumNodeCoverFromNodesInArray(nodes)) {
        auto k = korvatelNode(node);
        KorvatelNodeData* data = k ? k->korvatelData() : nullptr;
        if (!data)
            continue;
        if (data->patch())
            items.push_back(std::make_shared<UnitPatchDropItem>(data->patch(), runner_));
        else if (data->bank())
            items.push_back(std::make_shared<UnitBankDropItem>(data->bank(), runner_));
        else
            continue;
        draggedNodes_.push_back(node);
        description += Latin1::qstring(data->nodeName()) + QLatin1Char('\n');
    }
    if (items.empty())
        return nullptr;
    auto* data = new DiskDragMimeData(std::move(items), description, this);
    data->setSource(std::make_shared<UnitRunningPatch>(runner_));
    return data;
}

bool PatchViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == korvatelView_->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            // Dropping here would send nothing to the unit: it is refused
            // rather than accepted and then ignored.
            auto* drop = static_cast<QDropEvent*>(event);
            drop->setDropAction(Qt::IgnoreAction);
            event->ignore();
            // A drag out of this window passes over it first: that is no
            // attempt to drop here, so nothing is said until it is dropped.
            auto* data = qobject_cast<const DiskDragMimeData*>(drop->mimeData());
            if (event->type() == QEvent::Drop || !data || data->origin() != this)
                statusDisplay(dropRefusedText());
            return true;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PatchViewController::applyFilter()
{
    const QString text = filter_->text().trimmed();
    std::function<bool(const TreeNode&, bool)> visit = [&](const TreeNode& parent, bool parentMatches) {
        bool any = false;
        const QModelIndex parentIndex = model_->indexForNode(&parent);
        for (size_t row = 0; row < parent.numberOfChildren(); ++row) {
            TreeNode::Ptr child = parent.childAtIndex(row);
            const bool matches =
                text.isEmpty() ||
                (child->nodeData() && Latin1::qstring(child->nodeData()->name()).contains(text, Qt::CaseInsensitive));
            const bool below = visit(*child, parentMatches || matches);
            const bool shown = parentMatches || matches || below;
            korvatelView_->setRowHidden(int(row), parentIndex, !shown);
            any = any || shown;
        }
        return any;
    };
    visit(*model_->root(), false);
}

void PatchViewController::backUpAllBanks()
{
    if (!connection_)
        return;
    FileRequest request;
    request.title = localized("UnitBackUpTitle", "Back Up All Banks");
    request.message = localized("UnitBackUpMessage", "Choose the folder to copy the banks into.");
    request.chooseFolders = true;
    request.window = this;
    std::optional<std::string> folder = FileChooser::shared().choose(request);
    if (!folder)
        return;
    // Every patch backed up runs on the unit in turn: what runs there now
    // is kept first and sent back at the end.
    auto running = std::make_shared<UnitRunningPatch>(runner_);
    QPointer<PatchViewController> self(this);
    const std::string parent = *folder;
    // From here on the backup is under way (Quit asks), keeping the running
    // patch being its first step.
    backingUp_ = true;
    running->keepRunningPatch([self, running, parent](DiskDropSource::Kept kept) {
        if (!self)
            return;
        if (kept.cancelled) {
            self->backingUp_ = false;
            self->statusDisplay(Latin1::text("UnitBackUpCancelled", "The backup was cancelled."));
            return;
        }
        if (!kept.kept) {
            const std::string question =
                fillIn(localized("UnitRunningNotKeptBackUp",
                                 "The patch running on the unit could not be read: %s\n\nBacking up loads each "
                                 "patch on the unit in turn: the unit will be left running the last one copied, and "
                                 "the patch it runs now is lost unless it is stored on the unit.\n\nBack up anyway?"),
                       {kept.failure});
            if (Alerts::show(AlertStyle::Warning, localized("ALERT", "ALERT"), question,
                             {localized("BackUpAnyway", "Back Up Anyway"), localized("CANCEL", "Cancel")},
                             self.data()) != 0) {
                self->backingUp_ = false;
                self->statusDisplay(Latin1::text("UnitBackUpCancelled", "The backup was cancelled."));
                return;
            }
        }
        self->runBackup(parent, running);
    });
}

void PatchViewController::runBackup(const std::string& parent, const std::shared_ptr<UnitRunningPatch>& running)
{
    auto result = std::make_shared<UnitBackup::Result>();
    auto folder = std::make_shared<std::filesystem::path>();
    QPointer<PatchViewController> self(this);
    // Made and read on the main thread only: the worker hands each step over
    // through the runner.
    auto show =
        std::make_shared<std::function<void(const UnitBackup::Progress&)>>([self](const UnitBackup::Progress& p) {
            if (!self || !self->backingUp_)
                return;
            self->statusDisplay(p.patchName.empty()
                                    ? fill("UnitBackUpBank", "Backing up bank %s (%s of %s)...",
                                           {p.bankName, std::to_string(p.bank), std::to_string(p.bankCount)})
                                    : fill("UnitBackUpPatch", "Backing up %s / %s (bank %s of %s, %s files so far)...",
                                           {p.bankName, p.patchName, std::to_string(p.bank),
                                            std::to_string(p.bankCount), std::to_string(p.written)}));
            self->busy_->setProgress(int(p.bank) - 1, int(p.bankCount));
        });
    UnitTaskRunner* runner = runner_;
    backingUp_ = true;
    runner_->run(
        Latin1::text("UnitBackingUp", "Backing up all banks..."),
        [result, folder, parent, runner, show](KorvatelConnection& k, const std::atomic<bool>& stop) {
            // Each backup goes into a folder of its own, named with its
            // date and time.
            *folder = UnitBackup::makeBackupFolder(parent, std::time(nullptr), result->failure);
            if (folder->empty())
                return;
            *result = UnitBackup::run(
                k, *folder, [runner, show](const UnitBackup::Progress& p) { runner->post([show, p] { (*show)(p); }); },
                &stop);
        },
        [self, result, folder, running](bool cancelled) {
            if (!self)
                return;
            self->backingUp_ = false;
            // Sent back however the backup ended, then told.
            running->restoreRunningPatch([self, result, folder, cancelled](DiskDropSource::Restored restored) {
                if (!self)
                    return;
                const std::string also = restored.told.empty() ? std::string() : "\n" + restored.told;
                if (cancelled) {
                    const std::string message = localized("UnitBackUpCancelled", "The backup was cancelled.") + also;
                    self->statusDisplay(utf8(message).replace(QLatin1Char('\n'), QLatin1Char(' ')));
                    if (!restored.sent && !restored.told.empty())
                        Alerts::error(message, self.data());
                    return;
                }
                const std::string count = std::to_string(result->files.size());
                const std::string banks = std::to_string(result->bankCount);
                if (!result->failure.empty()) {
                    const std::string message =
                        fillIn(localized("UnitBackUpFailed", "The backup stopped after %s files: %s"),
                               {count, result->failure}) +
                        also;
                    self->statusDisplay(utf8(message).replace(QLatin1Char('\n'), QLatin1Char(' ')));
                    Alerts::error(message, self.data());
                    return;
                }
                // The library searches every backup.
                PreferenceController::shared().addBackupFolder(folder->string());
                const std::string message = fillIn(localized("UnitBackUpDone", "%s patches of %s banks were copied "
                                                                               "into %s."),
                                                   {count, banks, folder->string()}) +
                                            also;
                self->statusDisplay(utf8(message).replace(QLatin1Char('\n'), QLatin1Char(' ')));
                Alerts::alert(message, self.data());
            });
        });
}

} // namespace tosk
