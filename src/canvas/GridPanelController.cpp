// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/GridPanelController.h"

#include "base/PreferenceController.h"
#include "canvas/CanvasScrollView.h"
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/GridDrawing.h"
#include "canvas/GridSettings.h"
#include "canvas/GridView.h"
#include "canvas/RulerView.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHideEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <QWindow>

#include <cmath>
#include <sstream>

namespace tosk {

namespace {

constexpr int kPreviewWidth = 200;
constexpr int kPreviewHeight = 120;

} // namespace

GridPanelController* GridPanelController::sharedGridPanelController()
{
    static QPointer<GridPanelController> shared;
    if (!shared)
        shared = new GridPanelController();
    return shared;
}

void GridPanelController::showGridPanel(QWidget* window)
{
    GridPanelController* panel = sharedGridPanelController();
    if (qobject_cast<GraphicWindowController*>(window))
        panel->setMainWindow(window);
    else if (!panel->mainWindow())
        panel->setMainWindow(QApplication::activeWindow());
    // Asked for again while it is up, the panel takes the keyboard: the
    // way to reach it without a mouse.
    const bool wasVisible = panel->isVisible();
    panel->show();
    panel->raise();
    if (wasVisible) {
        panel->activateWindow();
        panel->snapsToGridCheckbox()->setFocus(Qt::ActiveWindowFocusReason);
    }
}

GridPanelController::GridPanelController(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("gridPanel"));
    setWindowTitle(tr("Grid"));
    // A floating panel: showing it leaves the patch window active, and it
    // keeps no application running on its own.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);

    snapsToGridCheckbox_ = new QCheckBox(tr("&Snap to Grid"), this);
    snapsToGridCheckbox_->setObjectName(QStringLiteral("snapsToGridCheckbox"));
    showsGridCheckbox_ = new QCheckBox(tr("Show &Grid"), this);
    showsGridCheckbox_->setObjectName(QStringLiteral("showsGridCheckbox"));
    gridSpacingSlider_ = new QSlider(Qt::Horizontal, this);
    gridSpacingSlider_->setObjectName(QStringLiteral("gridSpacingSlider"));
    gridSpacingSlider_->setRange(kSliderMinimum, kSliderMaximum);
    gridSpacingSlider_->setPageStep(5);
    gridSpacingSlider_->setAccessibleName(tr("Grid spacing"));
    gridSpacingSlider_->setAccessibleDescription(tr("Points between grid lines"));
    gridSpacingLabel_ = new QLabel(this);
    gridSpacingLabel_->setObjectName(QStringLiteral("gridSpacingLabel"));
    gridSpacingLabel_->setMinimumWidth(gridSpacingLabel_->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    gridSpacingLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    gridColorWell_ = new QPushButton(this);
    gridColorWell_->setObjectName(QStringLiteral("gridColorWell"));
    gridColorWell_->setToolTip(tr("Grid colour"));
    gridColorWell_->setAccessibleName(gridColorWell_->toolTip());
    gridColorWell_->setAccessibleDescription(tr("Opens the colour panel"));
    gridColorWell_->setIconSize(QSize(40, 14));

    gridView_ = new GridView(this);
    gridView_->setFixedSize(kPreviewWidth, kPreviewHeight);
    gridView_->setAccessibleName(tr("Grid preview"));
    enclosingScrollView_ = new CanvasScrollView(this);
    enclosingScrollView_->setObjectName(QStringLiteral("gridPreviewScrollView"));
    enclosingScrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    enclosingScrollView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    enclosingScrollView_->setWidget(gridView_);
    enclosingScrollView_->setRulerClient(gridView_, [] { return 1.0; });
    enclosingScrollView_->setRulersVisible(true);
    const int frame = 2 * enclosingScrollView_->frameWidth();
    enclosingScrollView_->setFixedSize(kPreviewWidth + RulerView::kThickness + frame,
                                       kPreviewHeight + RulerView::kThickness + frame);

    auto* grid = new QGridLayout();
    auto* spacingLabel = new QLabel(tr("S&pacing:"), this);
    spacingLabel->setBuddy(gridSpacingSlider_);
    grid->addWidget(spacingLabel, 0, 0);
    grid->addWidget(gridSpacingSlider_, 0, 1);
    grid->addWidget(gridSpacingLabel_, 0, 2);
    auto* colourLabel = new QLabel(tr("&Colour:"), this);
    colourLabel->setBuddy(gridColorWell_);
    grid->addWidget(colourLabel, 1, 0);
    grid->addWidget(gridColorWell_, 1, 1, 1, 2, Qt::AlignLeft);
    auto* column = new QVBoxLayout(this);
    column->addWidget(snapsToGridCheckbox_);
    column->addWidget(showsGridCheckbox_);
    column->addLayout(grid);
    column->addWidget(enclosingScrollView_, 0, Qt::AlignHCenter);
    column->setSizeConstraint(QLayout::SetFixedSize);

    connect(snapsToGridCheckbox_, &QCheckBox::clicked, this, [this] { snapsToGridCheckboxAction(); });
    connect(showsGridCheckbox_, &QCheckBox::clicked, this, [this] { showsGridCheckboxAction(); });
    connect(gridSpacingSlider_, &QSlider::valueChanged, this, [this] { gridSpacingSliderAction(); });
    connect(gridColorWell_, &QPushButton::clicked, this, [this] { gridColorWellAction(); });
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this,
            [this](QWindow* window) { mainWindowChanged(window); });

    restoreFrame();
    setMainWindow(QApplication::activeWindow());
}

// ---------------------------------------------------------------- following the patch window

void GridPanelController::mainWindowChanged(QWindow* window)
{
    if (!window)
        return;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->windowHandle() != window)
            continue;
        // A patch window, or a window of one (its inspector, an editor, an
        // alert), works on that patch window's canvas.
        for (QWidget* owner = w; owner; owner = owner->parentWidget())
            if (qobject_cast<GraphicWindowController*>(owner)) {
                setMainWindow(owner);
                return;
            }
        // The panel itself, its colour panel, a dialog or the focus leaving
        // the application keep the window followed. Any other window (a text
        // window, a browser) is the one worked in now, with no grid to show.
        if (w != this && !isAncestorOf(w) && w->windowType() == Qt::Window)
            setMainWindow(nullptr);
        return;
    }
}

void GridPanelController::setMainWindow(QWidget* window)
{
    auto* patchWindow = qobject_cast<GraphicWindowController*>(window);
    GraphicView* view = patchWindow ? patchWindow->graphicView() : nullptr;
    if (patchWindow != mainWindow_.data() || view != inspectingGraphicView_.data()) {
        if (mainWindow_)
            mainWindow_->removeEventFilter(this);
        disconnect(settingsConnection_);
        disconnect(destroyedConnection_);
        mainWindow_ = patchWindow;
        inspectingGraphicView_ = view;
        if (mainWindow_) {
            mainWindow_->installEventFilter(this);
            destroyedConnection_ =
                connect(mainWindow_.data(), &QObject::destroyed, this, [this] { setMainWindow(nullptr); });
        }
        if (view)
            settingsConnection_ = connect(view, &GraphicView::gridSettingsChanged, this, [this] { updatePanel(); });
    }
    updatePanel();
}

GraphicWindowController* GridPanelController::mainWindow() const
{
    return qobject_cast<GraphicWindowController*>(mainWindow_.data());
}

GraphicView* GridPanelController::inspectingGraphicView() const
{
    return qobject_cast<GraphicView*>(inspectingGraphicView_.data());
}

bool GridPanelController::eventFilter(QObject* watched, QEvent* event)
{
    // A patch window is hidden only as it closes.
    if (watched == mainWindow_.data() && event->type() == QEvent::Hide && !event->spontaneous())
        setMainWindow(nullptr);
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- values

bool GridPanelController::snapsToGrid() const
{
    return inspectingGraphicView() ? inspectingGraphicView()->gridSettings().snapsToGrid : GridSettings{}.snapsToGrid;
}

bool GridPanelController::showsGrid() const
{
    return inspectingGraphicView() ? inspectingGraphicView()->gridSettings().showsGrid : GridSettings{}.showsGrid;
}

double GridPanelController::gridSpacing() const
{
    return inspectingGraphicView() ? inspectingGraphicView()->gridSettings().spacing : GridSettings{}.spacing;
}

QColor GridPanelController::gridColor() const
{
    return inspectingGraphicView() ? inspectingGraphicView()->gridSettings().color : GridSettings{}.color;
}

void GridPanelController::updatePanel()
{
    const bool inspecting = inspectingGraphicView() != nullptr;
    const QSignalBlocker b1(snapsToGridCheckbox_), b2(showsGridCheckbox_), b3(gridSpacingSlider_);
    snapsToGridCheckbox_->setChecked(snapsToGrid());
    showsGridCheckbox_->setChecked(showsGrid());
    const double spacing = gridSpacing();
    gridSpacingSlider_->setValue(int(std::lround(spacing)));
    gridSpacingLabel_->setText(QString::number(spacing));
    setWellColor(gridColor());
    for (QWidget* control :
         std::initializer_list<QWidget*>{snapsToGridCheckbox_, showsGridCheckbox_, gridSpacingSlider_, gridColorWell_})
        control->setEnabled(inspecting);
    if (colorPanel_) {
        const QSignalBlocker b4(colorPanel_);
        colorPanel_->setCurrentColor(gridColor());
        colorPanel_->setEnabled(inspecting);
    }
    gridView_->update();
}

void GridPanelController::setWellColor(const QColor& color)
{
    QPixmap swatch(gridColorWell_->iconSize());
    swatch.fill(color);
    gridColorWell_->setIcon(QIcon(swatch));
}

// ---------------------------------------------------------------- control actions

void GridPanelController::snapsToGridCheckboxAction()
{
    if (GraphicView* view = inspectingGraphicView())
        view->setSnapsToGrid(snapsToGridCheckbox_->isChecked());
}

void GridPanelController::showsGridCheckboxAction()
{
    if (GraphicView* view = inspectingGraphicView())
        view->setShowsGrid(showsGridCheckbox_->isChecked());
}

void GridPanelController::gridSpacingSliderAction()
{
    takeGridSpacing(gridSpacingSlider_->value());
}

bool GridPanelController::takeGridSpacing(double spacing)
{
    GraphicView* view = inspectingGraphicView();
    const bool taken = isUsableGridSpacing(spacing) && view && view->setGridSpacing(spacing);
    // The canvas tells the panel of a change; a refusal puts the controls back.
    if (!taken)
        updatePanel();
    gridView_->update();
    return taken;
}

void GridPanelController::gridColorWellAction()
{
    if (!colorPanel_) {
        colorPanel_ = new QColorDialog(this);
        colorPanel_->setObjectName(QStringLiteral("gridColorPanel"));
        colorPanel_->setWindowTitle(tr("Grid Colour"));
        colorPanel_->setOptions(QColorDialog::NoButtons | QColorDialog::DontUseNativeDialog);
        colorPanel_->setModal(false);
        connect(colorPanel_, &QColorDialog::currentColorChanged, this,
                [this](const QColor& color) { takeGridColor(color); });
    }
    {
        const QSignalBlocker blocker(colorPanel_);
        colorPanel_->setCurrentColor(gridColor());
    }
    colorPanel_->show();
    colorPanel_->raise();
}

void GridPanelController::takeGridColor(const QColor& color)
{
    if (!color.isValid())
        return;
    if (GraphicView* view = inspectingGraphicView())
        view->setGridColor(color);
    gridView_->update();
}

// ---------------------------------------------------------------- frame

void GridPanelController::restoreFrame()
{
    const auto stored = PreferenceController::shared().store().value(kFrameKey);
    if (!stored)
        return;
    std::istringstream in(*stored);
    int x = 0, y = 0, w = 0, h = 0;
    // Only the position is taken: the panel's size follows its contents.
    if (in >> x >> y >> w >> h)
        move(x, y);
}

void GridPanelController::saveFrame()
{
    std::ostringstream out;
    out << pos().x() << ' ' << pos().y() << ' ' << width() << ' ' << height();
    PreferenceController::shared().store().setValue(kFrameKey, out.str());
}

void GridPanelController::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        saveFrame();
    QWidget::hideEvent(event);
}

} // namespace tosk
