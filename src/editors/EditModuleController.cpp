// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/EditModuleController.h"

#include "Toskfile/ModuleList.h"
#include "Toskfile/PatchChange.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"
#include "canvas/CanvasCommands.h"
#include "canvas/CloseKeys.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/Latin1.h"
#include "editors/MiscHelpManager.h"
#include "editors/ModuleFieldTableModel.h"
#include "editors/ModuleFieldTableView.h"
#include "editors/ModuleFieldValueDelegate.h"
#include "editors/RepeatingTextFieldCell.h"
#include "editors/WaveEditors.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace tosk {

namespace {

std::vector<QPointer<EditModuleController>>& openPanels()
{
    static std::vector<QPointer<EditModuleController>> panels;
    std::erase_if(panels, [](const QPointer<EditModuleController>& p) { return !p || p->isClosing(); });
    return panels;
}

} // namespace

// ---------------------------------------------------------------- registry

EditModuleController* EditModuleController::controllerFor(const Module& module)
{
    for (const auto& p : openPanels())
        if (&p->module() == &module)
            return p.data();
    return nullptr;
}

EditModuleController* EditModuleController::open(GraphicWindowController& window, Module& module)
{
    const std::shared_ptr<SigDocument>& document = window.document();
    SigFile* patch = window.sigFile();
    if (!document || !patch || patch->indexOfModule(&module) == ModuleList::npos || &module == patch->head().get())
        return nullptr;
    EditModuleController* panel = controllerFor(module);
    if (!panel) {
        panel = new EditModuleController(document, module.shared_from_this(), &window);
        openPanels().push_back(panel);
    }
    panel->show();
    panel->raise();
    panel->activateWindow();
    return panel;
}

void EditModuleController::closePanelsOf(const SigDocument& document)
{
    for (const auto& p : std::vector<QPointer<EditModuleController>>(openPanels()))
        if (p && &p->document() == &document)
            p->close();
}

// ---------------------------------------------------------------- window

EditModuleController::EditModuleController(std::shared_ptr<SigDocument> document, Module::Ptr module,
                                           GraphicWindowController* window)
    : QWidget(window, Qt::Window), document_(std::move(document)), module_(std::move(module)), window_(window)
{
    setObjectName(QStringLiteral("editModulePanel"));
    setAttribute(Qt::WA_DeleteOnClose);
    CloseKeys::install(this);

    model_ = new ModuleFieldTableModel(this);
    model_->setModule(module_, document_.get(), this);
    tableView_ = new ModuleFieldTableView(this);
    tableView_->setAccessibleName(Latin1::text("InspectorTable", "Fields"));
    tableView_->setModel(model_);
    tableView_->setSelectionHeld([this] { return invalidError_; });
    stepCell_ = new RepeatingTextFieldCell(tableView_, [this](int row, RepeatingTextFieldCell::ButtonState button) {
        if (button == RepeatingTextFieldCell::Increment)
            addRepeatingFieldAtRow(row);
        else if (button == RepeatingTextFieldCell::Decrement)
            deleteRepeatingFieldAtRow(row);
    });
    tableView_->setItemDelegateForColumn(ModuleFieldTableModel::TypeColumn, stepCell_);
    tableView_->setItemDelegateForColumn(ModuleFieldTableModel::ValueColumn, new ModuleFieldValueDelegate(tableView_));
    tableView_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                                QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    // Widths set once: measuring every row of a module with hundreds of
    // repetitions would be slow for nothing.
    QHeaderView* header = tableView_->horizontalHeader();
    const int widths[] = {140, 170, 190, 60, 60, 56, 70};
    for (int c = 0; c < ModuleFieldTableModel::kColumnCount; ++c)
        header->resizeSection(c, widths[c]);
    header->setStretchLastSection(true);
    connect(model_, &ModuleFieldTableModel::valueRefused, this,
            [this](int, const QString& message) { raiseErrorWindow(message); });

    moduleInfoButton_ = new QPushButton(Latin1::text("ModuleInfo", "Help"), this);
    moduleInfoButton_->setObjectName(QStringLiteral("moduleInfoButton"));
    moduleInfoButton_->setToolTip(Latin1::text("ModuleInfoTip", "The operator's page of the help book"));
    moduleInfoButton_->setAccessibleName(moduleInfoButton_->toolTip());
    moduleInfoButton_->setAutoDefault(false);
    connect(moduleInfoButton_, &QPushButton::clicked, this, &EditModuleController::moduleInfoAction);
    editModuleSpecificButton_ = new QPushButton(Latin1::text("EditSpecific", "Edit Specific"), this);
    editModuleSpecificButton_->setObjectName(QStringLiteral("editModuleSpecificButton"));
    editModuleSpecificButton_->setToolTip(Latin1::text("EditSpecificTip", "Open the module's own editor"));
    editModuleSpecificButton_->setAccessibleName(editModuleSpecificButton_->toolTip());
    editModuleSpecificButton_->setAutoDefault(false);
    // Special modules have an editor of their own, except for text blocks.
    editModuleSpecificButton_->setVisible(module_->isSpecialModuleType() && module_->moduleType() != Module::TEXTBLOCK);
    editModuleSpecificButton_->setEnabled(CanvasCommands::hasSpecialEditor(*module_));
    connect(editModuleSpecificButton_, &QPushButton::clicked, this, &EditModuleController::editModuleSpecificAction);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(6);
    column->addWidget(tableView_, 1);
    auto* row = new QHBoxLayout();
    row->addWidget(moduleInfoButton_);
    row->addStretch(1);
    row->addWidget(editModuleSpecificButton_);
    column->addLayout(row);

    // The error sheet: the reasons a value was refused, until OK.
    errorSheet_ = new QDialog(this);
    errorSheet_->setObjectName(QStringLiteral("errorSheet"));
    errorSheet_->setWindowTitle(Latin1::text("InvalidValue", "Invalid Value"));
    errorSheet_->setWindowModality(Qt::WindowModal);
    auto* sheetColumn = new QVBoxLayout(errorSheet_);
    errorMessage_ = new QPlainTextEdit(errorSheet_);
    errorMessage_->setObjectName(QStringLiteral("errorMessage"));
    errorMessage_->setAccessibleName(errorSheet_->windowTitle());
    errorMessage_->setReadOnly(true);
    errorMessage_->setMinimumSize(360, 90);
    sheetColumn->addWidget(errorMessage_);
    auto* ok = new QPushButton(Latin1::text("OK", "OK"), errorSheet_);
    ok->setObjectName(QStringLiteral("errorOkButton"));
    ok->setDefault(true);
    auto* okRow = new QHBoxLayout();
    okRow->addStretch(1);
    okRow->addWidget(ok);
    sheetColumn->addLayout(okRow);
    connect(ok, &QPushButton::clicked, this, &EditModuleController::endErrorWindow);
    connect(errorSheet_, &QDialog::rejected, this, &EditModuleController::endErrorWindow);

    // Undo and redo reach the document from here as from its window.
    auto* undo = new QAction(this);
    undo->setObjectName(QStringLiteral("actionUndo"));
    undo->setShortcuts(QKeySequence::keyBindings(QKeySequence::Undo));
    connect(undo, &QAction::triggered, this, [this] {
        if (document_->undoManager().canUndo())
            document_->undoManager().undo();
    });
    auto* redo = new QAction(this);
    redo->setObjectName(QStringLiteral("actionRedo"));
    redo->setShortcuts(QKeySequence::keyBindings(QKeySequence::Redo));
    connect(redo, &QAction::triggered, this, [this] {
        if (document_->undoManager().canRedo())
            document_->undoManager().redo();
    });
    addActions({undo, redo});

    document_->addChangeListener(this, [this](const PatchChange& change) { moduleDidChange(change); });
    updateTitle();
    resize(800, std::min(560, 120 + tableView_->verticalHeader()->defaultSectionSize() * (model_->rowCount() + 2)));
}

EditModuleController::~EditModuleController()
{
    stopFollowing();
}

GraphicWindowController* EditModuleController::graphicWindow() const
{
    return window_;
}

void EditModuleController::stopFollowing()
{
    if (document_)
        document_->removeChangeListeners(this);
}

void EditModuleController::updateTitle()
{
    setWindowTitle(Latin1::qstring(module_->name()) + QLatin1Char(':') + Latin1::qstring(module_->instanceName()));
}

void EditModuleController::closeEvent(QCloseEvent* event)
{
    closing_ = true;
    stopFollowing();
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------- following

void EditModuleController::moduleDidChange(const PatchChange& change)
{
    if (closing_)
        return;
    auto isMine = [this](const Module::Ptr& m) { return m == module_; };
    if (std::any_of(change.removed.begin(), change.removed.end(), isMine)) {
        close();
        return;
    }
    if (std::none_of(change.modules.begin(), change.modules.end(), isMine))
        return;
    updateTitle();
    // A value being stored is read back by the model itself; rows that come
    // or go with it are read once the editor has closed.
    if (model_->isCommitting()) {
        if (!refreshQueued_) {
            refreshQueued_ = true;
            QTimer::singleShot(0, this, [this] {
                refreshQueued_ = false;
                refresh();
            });
        }
        return;
    }
    refresh();
}

void EditModuleController::refresh()
{
    const QModelIndex current = tableView_->currentIndex();
    const ModuleField::Ptr field = model_->fieldAtIndex(current.row());
    const int column = current.isValid() ? current.column() : 0;
    const int oldRowCount = model_->rowCount();
    model_->refresh();
    if (model_->rowCount() == oldRowCount)
        return;
    // The same field stays current when it is still there, else the row.
    int row = field ? model_->rowOfField(field.get()) : -1;
    if (row < 0 && current.isValid())
        row = std::min(current.row(), model_->rowCount() - 1);
    if (row >= 0)
        tableView_->setCurrentIndex(model_->index(row, column));
}

// ---------------------------------------------------------------- actions

void EditModuleController::moduleInfoAction()
{
    MiscHelpManager::sharedHelpManager().showModuleHelp(*module_);
}

void EditModuleController::editModuleSpecificAction()
{
    if (!CanvasCommands::hasSpecialEditor(*module_))
        return;
    if (window_ && window_->hooks().editSpecific)
        window_->hooks().editSpecific(*window_, *module_);
    else
        WaveEditors::open(document_, *module_, window_);
}

bool EditModuleController::addRepeatingFieldAtRow(int row)
{
    ModuleField::Ptr field = model_->fieldAtIndex(row);
    if (!field || !field->iterator() || !PatchEditor::canAddRepetition(*field))
        return false;
    ModuleField::Ptr made;
    {
        UndoGroup event(*document_);
        made = PatchEditor(*document_).addRepetition(field);
    }
    if (!made)
        return false;
    const int at = model_->rowOfField(made.get());
    if (at >= 0)
        tableView_->setCurrentIndex(model_->index(at, ModuleFieldTableModel::TypeColumn));
    return true;
}

bool EditModuleController::deleteRepeatingFieldAtRow(int row)
{
    ModuleField::Ptr field = model_->fieldAtIndex(row);
    if (!field || !field->iterator() || !PatchEditor::canRemoveRepetition(*field))
        return false;
    UndoGroup event(*document_);
    return PatchEditor(*document_).removeRepetition(field);
}

// ---------------------------------------------------------------- error sheet

void EditModuleController::raiseErrorWindow(const QString& message)
{
    invalidError_ = true;
    errorMessage_->setPlainText(message);
    errorSheet_->open();
}

void EditModuleController::endErrorWindow()
{
    invalidError_ = false;
    if (errorSheet_->isVisible())
        errorSheet_->accept();
}

} // namespace tosk
