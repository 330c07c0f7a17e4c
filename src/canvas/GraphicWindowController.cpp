// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/GraphicWindowController.h"

#include "Toskfile/PatchEditor.h"
#include "Toskfile/PatchLayout.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"
#include "base/Alerts.h"
#include "base/DataFiles.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "canvas/CanvasCommands.h"
#include "canvas/CanvasScrollView.h"
#include "canvas/CompareWindow.h"
#include "canvas/FindBar.h"
#include "canvas/GraphicView.h"
#include "canvas/Latin1.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <optional>

namespace tosk {

GraphicWindowController::GraphicWindowController(std::shared_ptr<SigDocument> document, Hooks hooks, QWidget* parent)
    : QMainWindow(parent), document_(std::move(document)), hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("graphicWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Before the menu, which lists them.
    buildFindActions();
    if (hooks_.buildMenu)
        hooks_.buildMenu(menuBar());

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    auto* row = new QHBoxLayout();
    row->setSpacing(2);
    column->addLayout(row);
    setCentralWidget(central);

    using G = GraphicWindowController;
    hideDefaultValuesBtn =
        addButton("hideDefaultValuesBtn", "DefaultsImage", "Hide default values", &G::onHideDefaultValues, true);
    hideInformationBtn =
        addButton("hideInformationBtn", "InformImage", "Hide information", &G::onHideInformation, true);
    hideSignalBtn = addButton("hideSignalBtn", "SignalImage", "Hide signal pins", &G::onHideSignal, true);
    hideControlBtn = addButton("hideControlBtn", "ControlImage", "Hide control pins", &G::onHideControl, true);
    hideUserBtn = addButton("hideUserBtn", "UserImage", "Hide user object pins", &G::onHideUser, true);
    hideUnconnectedBtn =
        addButton("hideUnconnectedBtn", "UnconnectedImage", "Hide unconnected pins", &G::onHideUnconnected, true);
    showAllBtn = addButton("showAllBtn", "ShowAllImage", "Show all pins", &G::onShowAll);
    revealOrderBtn =
        addButton("revealOrderBtn", "RevealOrderImage", "Reveal processing order", &G::onRevealOrder, true);
    showTextBtn = addButton("showTextBtn", "textIcon", "Show the patch as text", &G::onShowTextView);
    zoomInBtn = addButton("zoomInBtn", "ZoomInImage", "Zoom in", &G::onZoomIn);
    zoomOutBtn = addButton("zoomOutBtn", "ZoomOutImage", "Zoom out", &G::onZoomOut);
    zoomToFitBtn = addButton("zoomToFitBtn", "ZoomToFitImage", "Zoom to fit", &G::onZoomToFit);
    alignLeftBtn = addButton("alignLeftBtn", "AlignLeftImage", "Align left edges", &G::onAlignLeft);
    alignRightBtn = addButton("alignRightBtn", "AlignRightImage", "Align right edges", &G::onAlignRight);
    alignTopBtn = addButton("alignTopBtn", "AlignTopImage", "Align top edges", &G::onAlignTop);
    alignBottomBtn = addButton("alignBottomBtn", "AlignBottomImage", "Align bottom edges", &G::onAlignBottom);
    for (QToolButton* b : {hideDefaultValuesBtn, hideInformationBtn, hideSignalBtn, hideControlBtn, hideUserBtn,
                           hideUnconnectedBtn, showAllBtn, revealOrderBtn, showTextBtn, zoomInBtn, zoomOutBtn,
                           zoomToFitBtn, alignLeftBtn, alignRightBtn, alignTopBtn, alignBottomBtn})
        row->addWidget(b);
    row->addStretch(1);

    // The scroll view carries the canvas's rulers.
    scrollView_ = new CanvasScrollView(central);
    scrollView_->setObjectName(QStringLiteral("enclosingScrollView"));
    // The canvas inside takes the focus: the frame is no stop of its own.
    scrollView_->setFocusPolicy(Qt::NoFocus);
    scrollView_->setFrameShape(QFrame::StyledPanel);
    scrollView_->setFrameShadow(QFrame::Sunken);
    scrollView_->setBackgroundRole(QPalette::Base);
    QPalette white = scrollView_->palette();
    white.setColor(QPalette::Base, Qt::white);
    scrollView_->setPalette(white);
    graphicView_ = new GraphicView();
    scrollView_->setWidget(graphicView_);
    column->addWidget(scrollView_, 1);
    findBar_ = new FindBar(central);
    column->addWidget(findBar_);
    connect(findBar_, &FindBar::matchChosen, this, &GraphicWindowController::showMatch);
    connect(findBar_, &FindBar::closed, this, [this] { graphicView_->setFocus(); });

    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName(QStringLiteral("statusLabel"));
    statusLabel_->setAccessibleName(Latin1::text("StatusName", "Under the mouse"));
    statusLabel_->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(statusLabel_, 1);
    connect(graphicView_, &GraphicView::statusTextChanged, statusLabel_, &QLabel::setText);
    zoomLabel_ = new QLabel(this);
    zoomLabel_->setObjectName(QStringLiteral("zoomLabel"));
    zoomLabel_->setAccessibleName(Latin1::text("ZoomName", "Zoom"));
    zoomLabel_->setTextFormat(Qt::PlainText);
    statusBar()->addPermanentWidget(zoomLabel_);
    auto showZoom = [this](double magnification) {
        zoomLabel_->setText(QString::number(std::lround(magnification * 100)) + QStringLiteral(" %"));
    };
    connect(graphicView_, &GraphicView::magnificationChanged, zoomLabel_, showZoom);
    showZoom(graphicView_->magnification());

    // The buttons start as the canvas's show mode says.
    checkShowModeButtons(graphicView_->showMode());
    updateHideButtons(sigFile());
    updateZoomButtons(sigFile());
    for (QToolButton* b : {alignLeftBtn, alignRightBtn, alignTopBtn, alignBottomBtn})
        b->setEnabled(false);
    graphicView_->setGraphicWindowController(this);
    listenTo(document_.get());
    findBar_->setDocument(document_.get());
    buildTitleSheet();
    connect(graphicView_, &GraphicView::selectionChanged, this, [this] { moduleSelectionChanged(graphicView_); });
    updateTitle();
    resize(900, 640);
}

GraphicWindowController::~GraphicWindowController()
{
    // It paints on the canvas: it goes while the canvas is still here.
    delete compareWindow_;
    // The document goes before the child widgets that follow it.
    findBar_->setDocument(nullptr);
    if (document_)
        document_->removeChangeListeners(this);
    // The canvas outlives the document member: it lets go of it first.
    graphicView_->setGraphicWindowController(nullptr);
    if (textWindowController_)
        textWindowController_->close();
}

SigFile* GraphicWindowController::sigFile() const
{
    return document_ ? document_->sigFile() : nullptr;
}

QToolButton* GraphicWindowController::addButton(const char* name, const char* image, const char* tip,
                                                void (GraphicWindowController::*action)(), bool toggle)
{
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    const std::string file = DataFiles::path(std::string("icons/") + image + ".svg");
    button->setIcon(QIcon(QString::fromStdString(file)));
    button->setIconSize(QSize(24, 24));
    button->setToolTip(Latin1::text(name, tip));
    button->setAccessibleName(button->toolTip());
    button->setCheckable(toggle);
    button->setAutoRaise(true);
    if (action)
        connect(button, &QToolButton::clicked, this, [this, action] { (this->*action)(); });
    return button;
}

void GraphicWindowController::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        windowDidLoad();
    }
}

void GraphicWindowController::windowDidLoad()
{
    if (sigFile()) {
        layOutIfInOneColumn();
        if (opensAtActualSize_)
            graphicView_->setZoom(1 / graphicView_->magnification());
        else
            graphicView_->zoomToFit();
    }
    graphicView_->setFocus();
}

void GraphicWindowController::layOutIfInOneColumn()
{
    SigFile* patch = sigFile();
    if (!patch || !PatchLayout::standsInOneColumn(*patch, graphicView_->showMode()))
        return;
    // A change, but not a step to undo: the patch was never shown the other way.
    PatchEditor(*document_).reposition(graphicView_->showMode(), false);
}

// ---------------------------------------------------------------- show mode

void GraphicWindowController::changeShowMode(int bits, bool flip, bool updateButtons)
{
    SigFile* patch = sigFile();
    if (!patch)
        return;
    const int mode = graphicView_->showMode();
    graphicView_->setShowMode(flip ? mode ^ bits : mode | bits);
    if (updateButtons)
        updateHideButtons(patch);
}

void GraphicWindowController::onHideDefaultValues()
{
    changeShowMode(Module::SHOW_DEFAULTS, true, false);
}

void GraphicWindowController::onHideInformation()
{
    changeShowMode(Module::SHOW_INFO, true, false);
}

void GraphicWindowController::onHideSignal()
{
    changeShowMode(Module::SHOW_SIGNAL, true, true);
}

void GraphicWindowController::onHideControl()
{
    changeShowMode(Module::SHOW_CONTROL, true, true);
}

void GraphicWindowController::onHideUser()
{
    changeShowMode(Module::SHOW_USEROBJ, true, true);
}

void GraphicWindowController::onHideUnconnected()
{
    changeShowMode(Module::SHOW_UNCONNECTED, true, true);
}

void GraphicWindowController::onShowAll()
{
    if (!sigFile())
        return;
    for (QToolButton* b : {hideSignalBtn, hideControlBtn, hideUserBtn, hideUnconnectedBtn})
        b->setChecked(false);
    changeShowMode(Module::SHOW_CONTROL | Module::SHOW_SIGNAL | Module::SHOW_USEROBJ | Module::SHOW_UNCONNECTED, false,
                   true);
}

void GraphicWindowController::onRevealOrder()
{
    changeShowMode(Module::SHOW_ORDER, true, true);
}

void GraphicWindowController::checkShowModeButtons(int mode)
{
    hideDefaultValuesBtn->setChecked(!(mode & Module::SHOW_DEFAULTS));
    hideInformationBtn->setChecked(!(mode & Module::SHOW_INFO));
    hideSignalBtn->setChecked(!(mode & Module::SHOW_SIGNAL));
    hideControlBtn->setChecked(!(mode & Module::SHOW_CONTROL));
    hideUserBtn->setChecked(!(mode & Module::SHOW_USEROBJ));
    hideUnconnectedBtn->setChecked(!(mode & Module::SHOW_UNCONNECTED));
    revealOrderBtn->setChecked(mode & Module::SHOW_ORDER);
}

void GraphicWindowController::updateHideButtons(SigFile* patch)
{
    for (QToolButton* b : {hideSignalBtn, hideControlBtn, hideUserBtn, hideUnconnectedBtn, revealOrderBtn})
        b->setEnabled(patch != nullptr);
    showAllBtn->setEnabled(patch && graphicView_->showMode() != -1);
}

// ---------------------------------------------------------------- zoom

void GraphicWindowController::updateZoomButtons(SigFile* patch)
{
    for (QToolButton* b : {zoomInBtn, zoomOutBtn, zoomToFitBtn})
        b->setEnabled(patch != nullptr);
}

void GraphicWindowController::onZoomIn()
{
    if (sigFile())
        graphicView_->zoomIn();
    updateZoomButtons(sigFile());
}

void GraphicWindowController::onZoomOut()
{
    if (sigFile())
        graphicView_->zoomOut();
    updateZoomButtons(sigFile());
}

void GraphicWindowController::onZoomToFit()
{
    if (sigFile())
        graphicView_->zoomToFit();
    updateZoomButtons(sigFile());
}

// ---------------------------------------------------------------- document

void GraphicWindowController::moduleSelectionChanged(const void* sender)
{
    if (sender != graphicView_)
        return;
    const bool several = graphicView_->selectedModules().size() > 1;
    for (QToolButton* b : {alignLeftBtn, alignRightBtn, alignTopBtn, alignBottomBtn})
        b->setEnabled(several);
}

void GraphicWindowController::listenTo(SigDocument* document)
{
    if (document)
        document->addChangeListener(this, [this](const PatchChange&) { updateTitle(); });
}

void GraphicWindowController::onAlignLeft()
{
    graphicView_->commands().perform(CanvasCommand::AlignLeft);
}

void GraphicWindowController::onAlignRight()
{
    graphicView_->commands().perform(CanvasCommand::AlignRight);
}

void GraphicWindowController::onAlignTop()
{
    graphicView_->commands().perform(CanvasCommand::AlignTop);
}

void GraphicWindowController::onAlignBottom()
{
    graphicView_->commands().perform(CanvasCommand::AlignBottom);
}

void GraphicWindowController::updateTitle()
{
    QString title = document_ ? Latin1::message(document_->displayName()) : QStringLiteral("Tosk");
    if (document_ && document_->loadStatus() != SigDocument::LoadStatus::Faithful) {
        title += QString::fromUtf8(" \u2014 ");
        title += document_->loadStatus() == SigDocument::LoadStatus::Degraded
                     ? Latin1::text("ReadWithErrors", "read with errors")
                     : Latin1::text("UnresolvedReferences", "unresolved references");
    }
    if (document_ && document_->isDocumentEdited())
        title += QLatin1Char('*');
    setWindowTitle(title);
}

void GraphicWindowController::replaceDocument(std::shared_ptr<SigDocument> document)
{
    // The text and compare windows show the old document; they go with it.
    if (textWindowController_)
        textWindowController_->close();
    delete compareWindow_;
    graphicView_->setGraphicWindowController(nullptr);
    if (document_)
        document_->removeChangeListeners(this);
    findBar_->setDocument(nullptr);
    document_ = std::move(document);
    listenTo(document_.get());
    findBar_->setDocument(document_.get());
    checkShowModeButtons(graphicView_->showMode());
    graphicView_->setGraphicWindowController(this);
    updateHideButtons(sigFile());
    updateZoomButtons(sigFile());
    // Before the window was first shown, showing it lays the patch out.
    if (loaded_)
        layOutIfInOneColumn();
    if (sigFile() && isVisible())
        graphicView_->zoomToFit();
    updateTitle();
}

// ---------------------------------------------------------------- finding

void GraphicWindowController::buildFindActions()
{
    auto add = [this](const char* name, const char* key, const char* title, QList<QKeySequence> keys) {
        auto* action = new QAction(Latin1::text(key, title), this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        addAction(action);
        return action;
    };
    findAction_ = add("actionFind", "MenuFind", "&Find...", {QKeySequence(Qt::CTRL | Qt::Key_F)});
    findNextAction_ = add("actionFindNext", "MenuFindNext", "Find &Next",
                          {QKeySequence(Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::Key_G)});
    findPreviousAction_ = add("actionFindPrevious", "MenuFindPrevious", "Find Pre&vious",
                              {QKeySequence(Qt::SHIFT | Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G)});
    connect(findAction_, &QAction::triggered, this, [this] { findBar_->open(); });
    connect(findNextAction_, &QAction::triggered, this, [this] { findBar_->findNext(); });
    connect(findPreviousAction_, &QAction::triggered, this, [this] { findBar_->findPrevious(); });
}

void GraphicWindowController::revealModule(Module& module)
{
    Module* top = module.trueParent();
    if (!top || top == graphicView_->head() || top->isTail())
        return;
    graphicView_->setSelection({top});
    graphicView_->scrollRectToVisible(graphicView_->canvasLayout().graphicRect(*top));
}

void GraphicWindowController::showMatch(const PatchSearch::Match& match)
{
    if (!match.module)
        return;
    revealModule(*match.module);
    if (hooks_.showInInspector)
        hooks_.showInInspector(*this, *match.module, match.field.get());
}

// ---------------------------------------------------------------- comparing

CompareWindow* GraphicWindowController::openCompareWindow(std::shared_ptr<SigDocument> other, const QString& otherName)
{
    if (!document_ || !sigFile() || !other || !other->sigFile())
        return nullptr;
    delete compareWindow_;
    compareWindow_ = new CompareWindow(*this, std::move(other), otherName);
    compareWindow_->show();
    return compareWindow_;
}

// ---------------------------------------------------------------- title sheet

void GraphicWindowController::buildTitleSheet()
{
    titleSheet_ = new QDialog(this);
    titleSheet_->setObjectName(QStringLiteral("titleSheet"));
    titleSheet_->setWindowTitle(Latin1::text("TitleAndAuthor", "Title and Author"));
    titleSheet_->setWindowModality(Qt::WindowModal);
    auto* form = new QFormLayout(titleSheet_);
    titleField_ = new QLineEdit(titleSheet_);
    titleField_->setObjectName(QStringLiteral("titleField"));
    authorField_ = new QLineEdit(titleSheet_);
    authorField_->setObjectName(QStringLiteral("authorField"));
    form->addRow(Latin1::text("TitleLabel", "&Title:"), titleField_);
    form->addRow(Latin1::text("AuthorLabel", "&Author:"), authorField_);
    auto* buttons = new QDialogButtonBox(titleSheet_);
    QPushButton* ok = buttons->addButton(Latin1::text("OK", "OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(Latin1::text("CANCEL", "Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    form->addRow(buttons);
    connect(ok, &QPushButton::clicked, titleSheet_, [this] { titleSheet_->done(1); });
    connect(cancel, &QPushButton::clicked, titleSheet_, [this] { titleSheet_->done(0); });
    connect(titleSheet_, &QDialog::finished, this, &GraphicWindowController::sheetDidEnd);
}

void GraphicWindowController::raiseTitleWindow()
{
    SigFile* patch = sigFile();
    if (!patch)
        return;
    titleField_->setText(Latin1::qstring(patch->programName()));
    authorField_->setText(Latin1::qstring(patch->author()));
    titleSheet_->open();
}

void GraphicWindowController::sheetDidEnd(int returnCode)
{
    if (returnCode != 1 || !sigFile())
        return;
    // The file holds Latin-1: a character past it would be stored as "?".
    for (const QLineEdit* field : {titleField_, authorField_}) {
        if (const std::string refused = Latin1::refusal(field->text()); !refused.empty()) {
            Alerts::error(refused, this);
            return;
        }
    }
    UndoGroup event(*document_);
    std::string error;
    if (!PatchEditor(*document_)
             .setTitleAndAuthor(Latin1::bytes(titleField_->text()), Latin1::bytes(authorField_->text()), &error) &&
        !error.empty())
        Alerts::error(error, this);
}

// ---------------------------------------------------------------- text window

void GraphicWindowController::onShowTextView()
{
    if (!document_)
        return;
    if (textWindowController_) {
        textWindowController_->raise();
        textWindowController_->activateWindow();
        return;
    }
    textWindowController_ = TextWindowController::windowWithSigDocument(document_, hooks_.uploadText);
    textWindowController_->show();
}

// ---------------------------------------------------------------- closing

bool GraphicWindowController::mayClose()
{
    if (!document_ || !document_->isDocumentEdited())
        return true;
    const std::string message =
        format(localized("SaveChanges", "Do you want to save the changes made to the document \"%s\"?").c_str(),
               document_->displayName().c_str());
    int answer = Alerts::show(
        AlertStyle::Warning, localized("ALERT", "ALERT"), message,
        {localized("Save", "Save"), localized("DontSave", "Don't Save"), localized("CANCEL", "Cancel")}, this);
    if (answer == 1)
        return true;
    if (answer == 0)
        return hooks_.save && hooks_.save(*this);
    return false;
}

void GraphicWindowController::windowShouldClose()
{
    if (compareWindow_)
        compareWindow_->close();
    if (textWindowController_) {
        textWindowController_->close();
        textWindowController_ = nullptr;
    }
}

void GraphicWindowController::closeEvent(QCloseEvent* event)
{
    if (!mayClose()) {
        event->ignore();
        return;
    }
    windowShouldClose();
    event->accept();
    if (hooks_.closing)
        hooks_.closing(*this);
}

} // namespace tosk
