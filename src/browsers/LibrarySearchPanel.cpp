// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/LibrarySearchPanel.h"

#include "base/Localization.h"
#include "browsers/OutlineFilter.h"
#include "canvas/Latin1.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace tosk {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;

QString text(const char* key, const char* fallback, const std::vector<std::string>& values = {})
{
    return QString::fromStdString(fillIn(localized(key, fallback), values));
}

// The list's rows drag as the tree's do.
class ResultModel : public QStandardItemModel {
public:
    ResultModel(std::function<QMimeData*(const QStringList&)> drag, QObject* parent)
        : QStandardItemModel(parent), drag_(std::move(drag))
    {
    }
    QStringList mimeTypes() const override
    {
        return {QStringLiteral("application/x-tosk-disk-view"), QStringLiteral("text/plain")};
    }
    QMimeData* mimeData(const QModelIndexList& indexes) const override
    {
        QStringList paths;
        for (const QModelIndex& index : indexes)
            paths << index.data(kPathRole).toString();
        return drag_ && !paths.isEmpty() ? drag_(paths) : nullptr;
    }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction | Qt::CopyAction; }

private:
    std::function<QMimeData*(const QStringList&)> drag_;
};

} // namespace

LibrarySearchPanel::LibrarySearchPanel(Hooks hooks, std::string indexPath, QWidget* parent)
    : QWidget(parent), hooks_(std::move(hooks)), indexPath_(std::move(indexPath))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    const QString name = text("LibrarySearch", "Search patches");
    field_ = OutlineFilter::makeField(this, QStringLiteral("librarySearch"), name, name);
    field_->setToolTip(text("LibrarySearchTip", "Titles, authors, module names and operators: \"uses HALL\", "
                                                "\"title: shimmer\""));
    column->addWidget(field_);
    progress_ = new QLabel(this);
    progress_->setObjectName(QStringLiteral("librarySearchStatus"));
    progress_->setTextFormat(Qt::PlainText);
    progress_->hide();
    column->addWidget(progress_);

    model_ = new ResultModel(
        [this](const QStringList& paths) { return hooks_.dragData ? hooks_.dragData(paths) : nullptr; }, this);
    list_ = new QListView(this);
    list_->setObjectName(QStringLiteral("librarySearchResults"));
    list_->setAccessibleName(text("LibrarySearchResults", "Patches found"));
    list_->setModel(model_);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setDragEnabled(true);
    list_->setDragDropMode(QAbstractItemView::DragOnly);
    list_->setUniformItemSizes(true);
    list_->hide();
    column->addWidget(list_, 1);

    auto addAction = [this](const char* objectName, const char* key, const char* fallback, const QKeySequence& keys,
                            void (LibrarySearchPanel::*slot)()) {
        auto* action = new QAction(text(key, fallback), list_);
        action->setObjectName(QString::fromLatin1(objectName));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, slot);
        list_->addAction(action);
    };
    addAction("actionLibraryOpen", "DiskOpen", "Open", QKeySequence(Qt::Key_Return), &LibrarySearchPanel::openCurrent);
    addAction("actionLibraryReveal", "LibraryReveal", "Reveal in Tree", QKeySequence(),
              &LibrarySearchPanel::revealCurrent);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(list_, &QAbstractItemView::doubleClicked, this, &LibrarySearchPanel::openCurrent);
    connect(field_, &QLineEdit::textChanged, this, &LibrarySearchPanel::search);
}

LibrarySearchPanel::~LibrarySearchPanel() = default;

void LibrarySearchPanel::setRoots(std::vector<std::string> roots)
{
    if (!indexer_) {
        // The index is opened only once there is a library to search.
        indexer_ = std::make_unique<LibraryIndexer>(indexPath_);
        connect(indexer_.get(), &LibraryIndexer::progress, this, &LibrarySearchPanel::showProgress);
        connect(indexer_.get(), &LibraryIndexer::updated, this, &LibrarySearchPanel::search);
    }
    indexer_->setRoots(std::move(roots));
}

void LibrarySearchPanel::refresh(const std::vector<std::string>& paths)
{
    if (indexer_)
        indexer_->refresh(paths);
}

void LibrarySearchPanel::showProgress(int done, int total)
{
    if (!indexer_ || !indexer_->isBusy())
        return;
    progress_->setText(text("LibraryReading", "Reading the library: %s of %s files...",
                            {std::to_string(done), std::to_string(total)}));
    progress_->show();
}

void LibrarySearchPanel::search()
{
    const QString typed = field_->text().trimmed();
    model_->clear();
    if (typed.isEmpty() || !indexer_) {
        list_->hide();
        progress_->setVisible(indexer_ && indexer_->isBusy() && !progress_->text().isEmpty());
        emit resultsShown();
        return;
    }
    // Typed text is Unicode; patches hold Latin-1 bytes.
    const LibraryQuery query = LibraryQuery::parse(Latin1::bytes(typed));
    const std::vector<LibraryEntry> found = indexer_->search(query);
    for (const LibraryEntry& e : found) {
        const QString path = QFile::decodeName(e.file.path.c_str());
        const QString file = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        const QString title = Latin1::qstring(e.summary.title);
        auto* item = new QStandardItem(title.isEmpty() ? file : title + QStringLiteral(" \u2014 ") + file);
        item->setData(path, kPathRole);
        item->setToolTip(path);
        item->setDragEnabled(true);
        model_->appendRow(item);
    }
    list_->show();
    if (indexer_->isBusy()) {
        if (progress_->text().isEmpty())
            progress_->setText(text("LibraryReadingStart", "Reading the library..."));
    } else {
        progress_->setText(found.empty() ? text("LibraryNoneFound", "No patch found")
                                         : text(found.size() == 1 ? "LibraryOneFound" : "LibraryFound",
                                                found.size() == 1 ? "1 patch found" : "%s patches found",
                                                {std::to_string(found.size())}));
    }
    progress_->show();
    if (model_->rowCount() > 0)
        list_->setCurrentIndex(model_->index(0, 0));
    emit resultsShown();
}

QStringList LibrarySearchPanel::resultPaths() const
{
    QStringList paths;
    for (int row = 0; row < model_->rowCount(); ++row)
        paths << model_->index(row, 0).data(kPathRole).toString();
    return paths;
}

QString LibrarySearchPanel::currentPath() const
{
    return list_->currentIndex().data(kPathRole).toString();
}

void LibrarySearchPanel::openCurrent()
{
    const QString path = currentPath();
    if (!path.isEmpty() && hooks_.open)
        hooks_.open(path);
}

void LibrarySearchPanel::revealCurrent()
{
    const QString path = currentPath();
    if (!path.isEmpty() && hooks_.reveal)
        hooks_.reveal(path);
}

} // namespace tosk
