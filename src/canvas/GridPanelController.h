// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

class QCheckBox;
class QColorDialog;
class QLabel;
class QPushButton;
class QSlider;
class QWindow;

namespace tosk {

class CanvasScrollView;
class GraphicView;
class GraphicWindowController;
class GridView;

// The grid panel: one floating panel for the whole application that shows and
// changes the grid of the current patch window's canvas (snapping, showing,
// spacing, colour), with a preview of the grid between rulers.
//
// The current patch window is the patch window that is active or owns the
// active window (its inspector, an editor), or was so last while the panel,
// its colour panel or a dialog has the focus. Another window becoming
// active (a text window, a browser) leaves the panel with none, as does the
// patch window closing. With none, the controls are disabled and the
// preview shows the defaults.
class GridPanelController : public QWidget {
    Q_OBJECT

public:
    // The slider's range, in points.
    static constexpr int kSliderMinimum = 1;
    static constexpr int kSliderMaximum = 100;
    // Where the panel's frame is remembered.
    static constexpr const char* kFrameKey = "WindowFrame/Grid";

    // The one panel, created hidden on first use; it lives as long as the
    // process.
    static GridPanelController* sharedGridPanelController();
    // View ▸ Grid Panel: shows the panel and brings it to the front. A patch
    // window given (the window whose menu was used) becomes the inspected
    // one; otherwise the panel keeps the window it follows, or, following
    // none, takes the active window when that is a patch window.
    static void showGridPanel(QWidget* window = nullptr);

    // Inspects the canvas of `window` when it is a patch window, nothing
    // otherwise (null included), then refreshes the panel.
    void setMainWindow(QWidget* window);
    GraphicWindowController* mainWindow() const;
    GraphicView* inspectingGraphicView() const;

    // Sets the controls and the preview from the inspected canvas; the
    // controls are enabled exactly when there is one.
    void updatePanel();

    // The inspected canvas's values; with none, false, false, 25 and light
    // gray.
    bool snapsToGrid() const;
    bool showsGrid() const;
    double gridSpacing() const;
    QColor gridColor() const;

    // --- control actions: each changes the inspected canvas, which redraws
    void snapsToGridCheckboxAction();
    void showsGridCheckboxAction();
    void gridSpacingSliderAction();
    // Opens the colour panel, whose colour is taken as it changes.
    void gridColorWellAction();
    // A spacing below 1 point is refused: false, the canvas keeps its own and
    // the slider shows it again.
    bool takeGridSpacing(double spacing);
    void takeGridColor(const QColor& color);

    QCheckBox* snapsToGridCheckbox() const { return snapsToGridCheckbox_; }
    QCheckBox* showsGridCheckbox() const { return showsGridCheckbox_; }
    QSlider* gridSpacingSlider() const { return gridSpacingSlider_; }
    QPushButton* gridColorWell() const { return gridColorWell_; }
    // The colour panel, once the well has opened it.
    QColorDialog* colorPanel() const { return colorPanel_; }
    GridView* gridView() const { return gridView_; }
    CanvasScrollView* enclosingScrollView() const { return enclosingScrollView_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    explicit GridPanelController(QWidget* parent = nullptr);
    void mainWindowChanged(QWindow* window);
    void restoreFrame();
    void saveFrame();
    void setWellColor(const QColor& color);

    QCheckBox* snapsToGridCheckbox_ = nullptr;
    QCheckBox* showsGridCheckbox_ = nullptr;
    QSlider* gridSpacingSlider_ = nullptr;
    QLabel* gridSpacingLabel_ = nullptr;
    QPushButton* gridColorWell_ = nullptr;
    QColorDialog* colorPanel_ = nullptr;
    GridView* gridView_ = nullptr;
    CanvasScrollView* enclosingScrollView_ = nullptr;
    // Kept as plain widgets and cast on use: a window being destroyed is
    // no longer a patch window when it tells the panel so.
    QPointer<QWidget> mainWindow_;
    QPointer<QWidget> inspectingGraphicView_;
    QMetaObject::Connection settingsConnection_;
    QMetaObject::Connection destroyedConnection_;
};

} // namespace tosk
