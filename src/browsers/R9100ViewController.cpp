// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/R9100ViewController.h"
#include "browsers/OutlineFilter.h"

#include "Toskfile/MyExtensions.h"
#include "base/Alerts.h"
#include "base/Localization.h"
#include "base/NotificationCenter.h"
#include "browsers/DiskDragMimeData.h"
#include "browsers/PatchOpenNotification.h"
#include "browsers/PresetDropItem.h"
#include "browsers/R9100TableModel.h"
#include "browsers/UnitBusyRow.h"
#include "browsers/UnitTaskRunner.h"
#include "canvas/Latin1.h"
#include "comms/KorvatelConnection.h"
#include "comms/PresetFetch.h"
#include "comms/SetObject.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tosk {

namespace {

QString fill(const char* key, const char* fallback, const std::vector<std::string>& values)
{
    return QString::fromStdString(fillIn(localized(key, fallback), values));
}

std::string failureOf(const KorvatelConnection& k)
{
    return k.lastFailure() ? failureWords(*k.lastFailure()) : std::string();
}

// The choice lists among the criteria, in key order, at most seven.
std::vector<std::shared_ptr<SetObject>> choiceLists(const KeyedArray& criteria)
{
    std::vector<std::shared_ptr<SetObject>> out;
    for (const auto& key : criteria.keys())
        if (auto set = criteria.objectForKey<SetObject>(key); set && out.size() < 7)
            out.push_back(set);
    return out;
}

const char* const boxNames[] = {"sortBy", "searchBy", "location", "inputs", "outputs", "show", "machines"};

} // namespace

R9100ViewController::R9100ViewController(std::shared_ptr<ChannelNameInfo> info, UnitLineTiming timing, QWidget* parent)
    : QWidget(parent, Qt::Window), channelInfo_(std::move(info))
{
    setObjectName(QStringLiteral("r9100ViewPanel"));
    setAttribute(Qt::WA_DeleteOnClose);
    connection_ = std::make_shared<KorvatelConnection>(channelInfo_, LineSettings::fromPreferences,
                                                       timing.receiveTimeout, timing.bankPause);
    runner_ = new UnitTaskRunner(connection_, this);

    auto* column = new QVBoxLayout(this);
    auto* top = new QHBoxLayout();
    boxTitle_ = new QLabel(this);
    boxTitle_->setObjectName(QStringLiteral("boxTitle"));
    top->addWidget(boxTitle_);
    filter_ =
        OutlineFilter::makeField(this, QStringLiteral("filterField"), Latin1::text("BrowserFilter", "Filter by name"),
                                 Latin1::text("BrowserFilterName", "Filter"));
    top->addWidget(filter_, 1);
    criteriaButton_ = new QPushButton(Latin1::text("R9100Criteria", "Criteria..."), this);
    criteriaButton_->setObjectName(QStringLiteral("criteriaButton"));
    top->addWidget(criteriaButton_);
    column->addLayout(top);

    model_ = new R9100TableModel(this);
    model_->setMimeFactory([this](const std::vector<Item>& items) { return dragData(items); });
    patchTable_ = new QTableView(this);
    patchTable_->setObjectName(QStringLiteral("patchTable"));
    patchTable_->setModel(model_);
    patchTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    patchTable_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    patchTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    patchTable_->setDragEnabled(true);
    patchTable_->setDragDropMode(QAbstractItemView::DragOnly);
    patchTable_->setSortingEnabled(true);
    patchTable_->sortByColumn(-1, Qt::AscendingOrder);
    patchTable_->verticalHeader()->hide();
    patchTable_->verticalHeader()->setDefaultSectionSize(20);
    patchTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    patchTable_->horizontalHeader()->setSectionResizeMode(R9100TableModel::Name, QHeaderView::Stretch);
    column->addWidget(patchTable_, 1);
    busy_ = new UnitBusyRow(this);
    column->addWidget(busy_);
    resize(620, 480);
    setWindowTitle(QString::fromStdString(latin1ToUtf8(channelInfo_->description())));

    connect(runner_, &UnitTaskRunner::busyChanged, this, [this](bool busy, const QString& label) {
        busy_->setBusy(busy, label);
        criteriaButton_->setEnabled(!busy && !(criteriaSheet_ && criteriaSheet_->isVisible()));
    });
    connect(busy_, &UnitBusyRow::cancelRequested, runner_, &UnitTaskRunner::cancel);
    connect(criteriaButton_, &QPushButton::clicked, this, [this] { criteriaAction(); });
    connect(patchTable_, &QTableView::clicked, this, [this] { patchTableAction(); });
    connect(patchTable_, &QTableView::doubleClicked, this, [this] { patchTableDoubleAction(); });
    connect(patchTable_->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, [this] { reselect(); });
    connect(filter_, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    readCriteria();
    fillView();
}

R9100ViewController::~R9100ViewController()
{
    delete runner_;
    runner_ = nullptr;
}

const std::vector<R9100ViewController::Item>& R9100ViewController::programList() const
{
    return model_->items();
}

QString R9100ViewController::statusText() const
{
    return busy_->statusText();
}

void R9100ViewController::readCriteria()
{
    auto criteria = std::make_shared<std::optional<KeyedArray>>();
    QPointer<R9100ViewController> self(this);
    runner_->run(
        Latin1::text("R9100ReadingCriteria", "Reading the search criteria..."),
        [criteria](KorvatelConnection& k, const std::atomic<bool>&) { *criteria = k.getR9100SearchCriteria(); },
        [self, criteria](bool cancelled) {
            if (self && !cancelled && *criteria)
                self->searchCriteria_ = **criteria;
        });
}

void R9100ViewController::fillView()
{
    struct Answer {
        std::vector<R9100ProgramItem> items;
        std::string failure;
    };
    auto answer = std::make_shared<Answer>();
    QPointer<R9100ViewController> self(this);
    // The criteria as they are now go to the unit; the sheet changes them
    // only while nothing runs.
    auto criteria = std::make_shared<KeyedArray>(searchCriteria_);
    runner_->run(
        Latin1::text("R9100ReadingList", "Reading the presets..."),
        [answer, criteria](KorvatelConnection& k, const std::atomic<bool>&) {
            if (criteria->count() > 0) {
                k.setR9100Criteria(*criteria);
                answer->failure = failureOf(k);
                if (!answer->failure.empty())
                    return;
            }
            answer->items = k.getR9100ProgramList();
            answer->failure = failureOf(k);
        },
        [self, answer](bool cancelled) {
            if (!self)
                return;
            if (cancelled) {
                self->busy_->statusDisplay(Latin1::text("UnitCancelled", "Cancelled."));
                return;
            }
            std::vector<Item> items;
            for (const auto& item : answer->items)
                items.push_back(std::make_shared<R9100ProgramItem>(item));
            self->model_->setItems(std::move(items));
            // A new list keeps the order the user chose.
            const int section = self->patchTable_->horizontalHeader()->sortIndicatorSection();
            if (section >= 0 && section < R9100TableModel::ColumnCount)
                self->model_->sort(section, self->patchTable_->horizontalHeader()->sortIndicatorOrder());
            const size_t count = self->model_->items().size();
            self->boxTitle_->setText(count == 0 ? Latin1::text("NoPresetsFound", "No Presets Found")
                                                : fill("PresetCount", "%s Presets", {std::to_string(count)}));
            self->patchTable_->clearSelection();
            self->busy_->clearStatusMessage();
            self->applyFilter();
            if (!answer->failure.empty())
                Alerts::error(answer->failure, self.data());
        });
}

void R9100ViewController::criteriaAction()
{
    delete criteriaSheet_;
    criteriaCBoxes_.clear();
    criteriaSheet_ = new QDialog(this);
    criteriaSheet_->setObjectName(QStringLiteral("criteriaSheet"));
    criteriaSheet_->setWindowTitle(Latin1::text("R9100CriteriaTitle", "Search Criteria"));
    criteriaSheet_->setWindowModality(Qt::WindowModal);
    criteriaSheet_->setMinimumWidth(320);
    auto* form = new QFormLayout(criteriaSheet_);
    const auto lists = choiceLists(searchCriteria_);
    for (size_t i = 0; i < lists.size(); ++i) {
        const auto& set = lists[i];
        const std::string labelText = set->tag().empty() ? set->statement() : set->tag();
        auto* label = new QLabel(Latin1::qstring(labelText), criteriaSheet_);
        label->setObjectName(QString::fromLatin1(boxNames[i]) + QStringLiteral("Label"));
        auto* box = new QComboBox(criteriaSheet_);
        box->setObjectName(QString::fromLatin1(boxNames[i]) + QStringLiteral("CBox"));
        box->setAccessibleName(Latin1::qstring(labelText));
        for (const auto& s : set->strings())
            box->addItem(Latin1::qstring(s));
        box->setCurrentIndex(int(set->currentIndex()));
        label->setBuddy(box);
        form->addRow(label, box);
        criteriaCBoxes_.push_back(box);
    }
    if (lists.empty())
        form->addRow(
            new QLabel(Latin1::text("R9100NoCriteria", "The unit offers no search criteria."), criteriaSheet_));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, criteriaSheet_);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("sheetCancelButton"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, criteriaSheet_, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, criteriaSheet_, &QDialog::reject);
    connect(criteriaSheet_, &QDialog::finished, this, [this](int result) { sheetDidEnd(result == QDialog::Accepted); });
    criteriaButton_->setEnabled(false);
    patchTable_->setEnabled(false);
    criteriaSheet_->open();
}

void R9100ViewController::sheetDidEnd(bool ok)
{
    // The choices are the criteria only once the sheet is confirmed.
    bool changed = false;
    if (ok) {
        const auto lists = choiceLists(searchCriteria_);
        for (size_t i = 0; i < lists.size() && i < criteriaCBoxes_.size(); ++i) {
            const int chosen = criteriaCBoxes_[i]->currentIndex();
            if (chosen >= 0 && uint32_t(chosen) != lists[i]->currentIndex()) {
                lists[i]->setCurrentIndex(uint32_t(chosen));
                changed = true;
            }
        }
    }
    criteriaButton_->setEnabled(!runner_->isBusy());
    patchTable_->setEnabled(true);
    if (changed)
        fillView();
}

void R9100ViewController::patchTableAction()
{
    const QModelIndexList rows = patchTable_->selectionModel()->selectedRows();
    if (rows.size() != 1) {
        selectedItem_.reset();
        return;
    }
    Item item = model_->itemAt(rows.front().row());
    if (!item || item->isDisabled() || item == selectedItem_)
        return;
    selectedItem_ = item;
    auto failure = std::make_shared<std::string>();
    QPointer<R9100ViewController> self(this);
    runner_->run(
        fill("UnitSelecting", "Selecting %s...", {latin1ToUtf8(item->progNum() + " " + item->progName())}),
        [item, failure](KorvatelConnection& k, const std::atomic<bool>&) {
            k.selectR9100Program(uint8_t(item->programNumber()), int32_t(item->programIndex()));
            *failure = failureOf(k);
        },
        [self, item, failure](bool cancelled) {
            if (!self)
                return;
            if (cancelled)
                self->busy_->statusDisplay(Latin1::text("UnitCancelled", "Cancelled."));
            else if (!failure->empty())
                self->busy_->statusDisplay(QString::fromStdString(*failure));
            else
                self->busy_->clearStatusMessage();
        });
}

void R9100ViewController::patchTableDoubleAction()
{
    const QModelIndexList rows = patchTable_->selectionModel()->selectedRows();
    if (rows.size() != 1)
        return;
    Item item = model_->itemAt(rows.front().row());
    if (!item || item->isDisabled())
        return;
    selectedItem_ = item;
    auto result = std::make_shared<PresetFetch::Result>();
    QPointer<R9100ViewController> self(this);
    runner_->run(
        fill("UnitFetching", "Fetching %s...", {latin1ToUtf8(item->progNum() + " " + item->progName())}),
        [item, result](KorvatelConnection& k, const std::atomic<bool>&) { *result = PresetFetch::fetch(k, *item); },
        [self, item, result](bool cancelled) {
            if (!self)
                return;
            if (cancelled) {
                self->busy_->statusDisplay(Latin1::text("UnitCancelled", "Cancelled."));
                return;
            }
            if (!result->text) {
                self->busy_->statusDisplay(QString::fromStdString(result->failure));
                Alerts::error(result->failure, self.data());
                return;
            }
            self->busy_->clearStatusMessage();
            NotificationCenter::defaultCenter().post(PatchOpenNotification, self.data(),
                                                     {{"R9100ProgramItem", item}, {"PatchData", *result->text}});
        });
}

QMimeData* R9100ViewController::dragData(const std::vector<Item>& items)
{
    draggedItems_.clear();
    std::vector<DiskDropItem::Ptr> dropItems;
    QString description;
    for (const Item& item : items) {
        if (!item || item->isDisabled())
            continue;
        draggedItems_.push_back(item);
        dropItems.push_back(std::make_shared<PresetDropItem>(item, runner_));
        description += Latin1::qstring(item->progNum() + ":" + quoteIfNeeded(item->progName()) + "\n");
    }
    if (dropItems.empty())
        return nullptr;
    return new DiskDragMimeData(std::move(dropItems), description);
}

void R9100ViewController::reselect()
{
    patchTable_->clearSelection();
    const int row = model_->rowOf(selectedItem_);
    if (row < 0)
        return;
    patchTable_->selectRow(row);
    patchTable_->scrollTo(model_->index(row, 0));
}

void R9100ViewController::applyFilter()
{
    const QString text = filter_->text().trimmed();
    for (int row = 0; row < model_->rowCount(); ++row) {
        const Item item = model_->itemAt(row);
        const bool shown = text.isEmpty() || Latin1::qstring(item->progName()).contains(text, Qt::CaseInsensitive);
        patchTable_->setRowHidden(row, !shown);
    }
}

} // namespace tosk
