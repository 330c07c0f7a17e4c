// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/WaveEditorWindow.h"

#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/UndoGroup.h"
#include "Toskfile/WaveObject.h"
#include "base/Alerts.h"
#include "base/DataFiles.h"
#include "base/Localization.h"
#include "canvas/CloseKeys.h"
#include "canvas/Latin1.h"
#include "editors/WaveformView.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tosk {

WaveEditorWindow::WaveEditorWindow(std::shared_ptr<SigDocument> document, Module::Ptr module,
                                   std::unique_ptr<WaveObject> table, QString title, QWidget* parent)
    : QWidget(parent, Qt::Window), document_(std::move(document)), module_(std::move(module)), table_(std::move(table)),
      title_(std::move(title))
{
    setAttribute(Qt::WA_DeleteOnClose);
    CloseKeys::install(this, [this] { return mayDiscardChanges(); });
    // A module of another kind gets a table without points: an empty curve.
    if (!table_)
        table_ = std::make_unique<WaveObject>(module_, "point~n", "npoints");

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(6);
    waveformView_ = new WaveformView(this);
    waveformView_->setWaveObject(table_.get());
    column->addWidget(waveformView_, 1);

    toolRow_ = new QHBoxLayout();
    toolRow_->setSpacing(2);
    column->addLayout(toolRow_);
    verticalFlipButton_ = makeImageButton("verticalFlipButton", "FlipVerticalImage", tr("Reverse the points"));
    horizontalFlipButton_ = makeImageButton("horizontalFlipButton", "FlipHorizontalImage", tr("Invert the points"));
    connect(verticalFlipButton_, &QToolButton::clicked, this, &WaveEditorWindow::verticalFlipAction);
    connect(horizontalFlipButton_, &QToolButton::clicked, this, &WaveEditorWindow::horizontalFlipAction);
    toolRow_->addWidget(verticalFlipButton_);
    toolRow_->addWidget(horizontalFlipButton_);
    toolRow_->addSpacing(12);

    auto textButton = [this](const char* name, const QString& text, const QString& label) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        // A screen reader says the text the user sees; the tip describes it.
        b->setAccessibleDescription(label);
        b->setToolTip(label);
        b->setAutoDefault(false);
        return b;
    };
    addButton_ = textButton("addButton", tr("Add Point"), tr("Add a point"));
    removeButton_ = textButton("removeButton", tr("Remove Point"), tr("Remove the last point"));
    connect(addButton_, &QPushButton::clicked, this, &WaveEditorWindow::addButtonAction);
    connect(removeButton_, &QPushButton::clicked, this, &WaveEditorWindow::removeButtonAction);
    toolRow_->addWidget(addButton_);
    toolRow_->addWidget(removeButton_);
    toolRow_->addStretch(1);
    harmonicsButton_ = textButton("harmonicsButton", tr("Harmonics"), tr("Show the harmonics"));
    harmonicsButton_->setCheckable(true);
    connect(harmonicsButton_, &QPushButton::toggled, this, [this](bool on) {
        harmonicsToggled(on);
        fitHeight();
    });
    toolRow_->addWidget(harmonicsButton_);

    areaColumn_ = new QVBoxLayout();
    areaColumn_->setContentsMargins(0, 0, 0, 0);
    column->addLayout(areaColumn_);

    auto* okRow = new QHBoxLayout();
    okRow->addStretch(1);
    revertButton_ = textButton("revertButton", tr("Revert"), tr("Revert to the module's values"));
    cancelButton_ = textButton("cancelButton", tr("Cancel"), tr("Close without applying"));
    applyButton_ = textButton("applyButton", tr("Apply"), tr("Apply to the module"));
    okButton_ = textButton("okButton", tr("OK"), tr("Apply and close"));
    okButton_->setDefault(true);
    connect(revertButton_, &QPushButton::clicked, this, &WaveEditorWindow::revertButtonAction);
    connect(cancelButton_, &QPushButton::clicked, this, &WaveEditorWindow::cancelButtonAction);
    connect(applyButton_, &QPushButton::clicked, this, [this] { applyButtonAction(); });
    connect(okButton_, &QPushButton::clicked, this, &WaveEditorWindow::okButtonAction);
    for (QPushButton* b : {revertButton_, cancelButton_, applyButton_, okButton_})
        okRow->addWidget(b);
    column->addLayout(okRow);

    connect(waveformView_, &WaveformView::pointsDrawn, this, &WaveEditorWindow::pointsReplaced);
    document_->addChangeListener(this, [this](const PatchChange& change) { moduleDidChange(change); });
    updateTitle();
    updateButtons();
}

WaveEditorWindow::~WaveEditorWindow()
{
    stopFollowing();
}

void WaveEditorWindow::stopFollowing()
{
    if (document_)
        document_->removeChangeListeners(this);
}

QToolButton* WaveEditorWindow::makeImageButton(const char* name, const char* image, const QString& label)
{
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    const std::string file = DataFiles::path(std::string("icons/") + image + ".svg");
    button->setIcon(QIcon(QString::fromStdString(file)));
    button->setIconSize(QSize(32, 24));
    button->setAutoRaise(true);
    button->setToolTip(label);
    button->setAccessibleName(label);
    return button;
}

void WaveEditorWindow::updateTitle()
{
    setWindowTitle(QString(title_).replace(QStringLiteral("%s"), Latin1::qstring(module_->instanceName())));
}

void WaveEditorWindow::updateButtons()
{
    const bool fixed = table_->hasFixedNumberOfPoints();
    addButton_->setVisible(!fixed);
    removeButton_->setVisible(!fixed);
    addButton_->setEnabled(table_->canIncreasePoints());
    removeButton_->setEnabled(table_->canDecreasePoints());
}

void WaveEditorWindow::redraw()
{
    waveformView_->update();
}

void WaveEditorWindow::pointsReplaced()
{
    redraw();
}

void WaveEditorWindow::fitHeight()
{
    if (!isWindow())
        return;
    layout()->activate();
    QRect frame(pos(), QSize(std::max(width(), minimumSizeHint().width()),
                             std::max(minimumSizeHint().height(), sizeHint().height())));
    // Grown, it stays on the screen: moved left or up only as far as needed.
    if (QScreen* s = screen()) {
        const QRect room = s->availableGeometry();
        frame.moveLeft(std::max(room.left(), std::min(frame.left(), room.right() - frame.width())));
        frame.moveTop(std::max(room.top(), std::min(frame.top(), room.bottom() - frame.height())));
    }
    resize(frame.size());
    move(frame.topLeft());
}

// ---------------------------------------------------------------- buttons

void WaveEditorWindow::okButtonAction()
{
    if (applyButtonAction())
        close();
}

bool WaveEditorWindow::applyButtonAction()
{
    WaveWriteBack plan = table_->writeBack();
    if (!plan.conflicts.empty()) {
        // Appended piece by piece: GCC 12 takes "\n" + a temporary for an
        // overlapping copy (-Wrestrict) in optimised builds.
        std::string message =
            localized("WaveConflict", "These points were also changed outside the editor since it read them:");
        for (const auto& c : plan.conflicts) {
            message += '\n';
            message += fillIn(localized("WaveConflictPoint", "%s: %s here, %s in the module"),
                              {c.fieldName, c.tableText, c.moduleText});
        }
        message += '\n';
        message += localized("WaveConflictQuestion", "Which values should be kept?");
        const int answer =
            Alerts::show(AlertStyle::Warning, localized("ALERT", "ALERT"), message,
                         {localized("WaveKeepEditor", "Keep the Editor's"),
                          localized("WaveKeepModule", "Keep the Module's"), localized("CANCEL", "Cancel")},
                         static_cast<QWidget*>(this));
        if (answer == 1)
            plan.keepModuleValues();
        else if (answer != 0)
            return false;
    }
    // Said before anything is written, so that the user can still make the
    // values fit.
    if (!plan.limited.empty()) {
        std::string message = localized("WaveOutsideLimits", "Some values lie outside the limits of their fields:");
        for (const auto& l : plan.limited) {
            message += '\n';
            message += l.text.empty() ? fillIn(localized("WaveLeftOut", "%s: %s is left out"), {l.fieldName, l.wanted})
                                      : fillIn(localized("WaveClamped", "%s: %s is written as %s"),
                                               {l.fieldName, l.wanted, l.text});
        }
        const int answer = Alerts::show(AlertStyle::Informational, localized("ALERT", "ALERT"), message,
                                        {localized("ApplyAnyway", "Apply anyway"), localized("CANCEL", "Cancel")},
                                        static_cast<QWidget*>(this));
        if (answer != 0)
            return false;
    }
    if (!plan.empty()) {
        std::string error;
        bool written;
        {
            UndoGroup event(*document_);
            written = PatchEditor(*document_).applyWaveWriteBack(*module_, plan, &error, this);
        }
        if (!written) {
            Alerts::error(error.empty() ? localized("WaveNotWritten", "The table could not be written to the module.")
                                        : error,
                          static_cast<QWidget*>(this));
            return false;
        }
    }
    // Level with the module again: what it holds is what was applied.
    table_->resetPoints();
    updateButtons();
    redraw();
    return true;
}

void WaveEditorWindow::revertButtonAction()
{
    table_->resetPoints();
    updateButtons();
    pointsReplaced();
}

void WaveEditorWindow::cancelButtonAction()
{
    close();
}

void WaveEditorWindow::addButtonAction()
{
    if (!table_->increasePoints())
        return;
    pointCountChanged();
    redraw();
    updateButtons();
}

void WaveEditorWindow::removeButtonAction()
{
    if (!table_->decreasePoints())
        return;
    pointCountChanged();
    redraw();
    updateButtons();
}

void WaveEditorWindow::verticalFlipAction()
{
    table_->reversePoints();
    pointsReplaced();
}

void WaveEditorWindow::horizontalFlipAction()
{
    table_->invertPoints();
    pointsReplaced();
}

// ---------------------------------------------------------------- following

void WaveEditorWindow::moduleDidChange(const PatchChange& change)
{
    if (closing_)
        return;
    const Module* owner = module_->trueParent();
    auto isOwner = [owner](const Module::Ptr& m) { return m.get() == owner; };
    if (std::any_of(change.removed.begin(), change.removed.end(), isOwner)) {
        close();
        return;
    }
    if (std::none_of(change.modules.begin(), change.modules.end(), isOwner))
        return;
    updateTitle();
    // Our own Apply has been read back already; its undo and redo have not.
    if (change.sender == this && change.direction == PatchChange::Direction::Done)
        return;
    if (!table_->isEdited()) {
        table_->resetPoints();
        pointsReplaced();
    }
    updateButtons();
}

bool WaveEditorWindow::mayDiscardChanges()
{
    if (!table_->isEdited())
        return true;
    const int answer = Alerts::show(
        AlertStyle::Warning, windowTitle().toStdString(),
        localized("WaveUnapplied", "The changes made in this editor have not been applied to the module."),
        {localized("WaveApply", "Apply"), localized("WaveDiscard", "Discard"), localized("CANCEL", "Cancel")},
        static_cast<QWidget*>(this));
    if (answer == 0)
        return applyButtonAction();
    return answer == 1;
}

void WaveEditorWindow::closeEvent(QCloseEvent* event)
{
    closing_ = true;
    stopFollowing();
    QWidget::closeEvent(event);
}

} // namespace tosk
