// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/CanvasLayout.h"
#include "Toskfile/ModuleField.h"
#include "base/Geometry.h"
#include "canvas/CanvasMarks.h"
#include "canvas/CanvasPainter.h"
#include "canvas/GridSettings.h"

#include <QElapsedTimer>
#include <QWidget>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QMenu;
class QScrollArea;
class QTimer;

namespace tosk {

class CanvasCommands;
class CanvasComments;
class CanvasQuickAdd;
struct CompareOverlay;
class CanvasScrollView;
class CanvasTracker;
class GraphicWindowController;
class Module;
struct Notification;
struct PatchChange;
class SigDocument;
class SigFile;

// The canvas of a patch window: lays the patch out (CanvasLayout) and paints
// it (CanvasPainter) in a scroll area, at a magnification the zoom commands
// change. Canvas coordinates are points, flipped like Qt's own; a widget
// pixel is a point times the magnification. The selection and the
// interaction marks live in `marks()`; the mouse gestures are a
// CanvasTracker's, the menu commands a CanvasCommands'. Every change of the
// patch goes through the edit layer, one undo step per user event.
class GraphicView : public QWidget {
    Q_OBJECT

public:
    // Room left around the patch by zoom-to-fit.
    static constexpr double kFitMargin = 116;
    // How a dragged operator travels: its name, as Latin-1 bytes.
    static constexpr const char* OperatorMimeType = "application/x-tosk-operator";
    // Points from a viewport edge within which a drag scrolls the canvas.
    static constexpr int kAutoScrollMargin = 16;
    // Texts shorter than this many screen pixels are not drawn.
    static constexpr double kMinimumTextPixels = 4;

    explicit GraphicView(QWidget* parent = nullptr);
    ~GraphicView() override;

    // Connects the view to its window and takes the window's document and
    // patch.
    void setGraphicWindowController(GraphicWindowController* controller);
    GraphicWindowController* graphicWindowController() const { return controller_; }
    // The document whose modules ask this view to repaint them (may be none).
    void setDocument(SigDocument* document);
    SigDocument* sigDocument() const { return document_; }
    // The patch shown; the next paint lays every module out.
    void setSigFile(SigFile* patch);
    SigFile* sigFile() const { return patch_; }
    Module* head() const;
    // What the canvas shows (Module::ShowMode bits): the window's, kept when
    // the patch is read again. Setting it lays everything out again.
    int showMode() const { return layout_.showMode(); }
    void setShowMode(int mode);

    CanvasMarks& marks() { return marks_; }
    const CanvasMarks& marks() const { return marks_; }
    const CanvasPainter& canvasPainter() const { return painter_; }
    // The patch laid out as it will be painted, so that it can be hit before
    // any paint; lays out what needs it first.
    const CanvasLayout& canvasLayout();
    // The layout as the last paint or hit found it, without laying out
    // again: where the modules were drawn.
    const CanvasLayout& lastLayout() const { return layout_; }

    // The extent found by the last layout, and where it put the head's
    // outputs.
    double maxX() const { return layout_.maxX(); }
    double maxY() const { return layout_.maxY(); }
    double outputsX() const { return layout_.outputsX(); }
    // The patch's area that the last zoom-to-fit fitted.
    const Rect& visibleRect() const { return visibleRect_; }

    // The grid drawn under the patch, snapped to by drags, and its rulers.
    GridSettings& gridSettings() { return grid_; }
    const GridSettings& gridSettings() const { return grid_; }
    // Takes new grid settings. A spacing below 1 point (or not a number) is
    // refused: false, and nothing changes. Otherwise the canvas is redrawn
    // when the grid's look changed, the rulers are shown or hidden, and
    // gridSettingsChanged() tells the grid panel.
    bool setGridSettings(const GridSettings& settings);
    void setSnapsToGrid(bool on);
    void setShowsGrid(bool on);
    void setShowsRuler(bool on);
    bool setGridSpacing(double spacing);
    void setGridColor(const QColor& color);
    void toggleRuler() { setShowsRuler(!grid_.showsRuler); }

    // --- rulers (in the enclosing CanvasScrollView, when there is one)
    CanvasScrollView* rulerScrollView() const;
    // Repaints the rulers; they carry no markers to update.
    void updateRulers();
    // While modules are dragged, the rulers echo their bounds (canvas
    // points) with lines at the left edge, centre and right edge on the
    // horizontal ruler and the top edge, centre and bottom edge on the
    // vertical one. Nothing happens while the rulers are hidden, so a drag
    // may call these whatever the settings.
    void beginEchoingMoveToRulers(const Rect& bounds);
    void continueEchoingMoveToRulers(const Rect& bounds);
    void stopEchoingMoveToRulers();
    // The echoed bounds in each ruler's coordinates; the zero rect when no
    // echo is shown.
    Rect horizontalRulerLineRect() const;
    Rect verticalRulerLineRect() const;

    // --- selection (never the head or the tail)
    std::vector<Module*> selectedModules() const { return marks_.selection(); }
    bool moduleIsSelected(const Module* module) const;
    void selectModule(Module& module);
    void deselectModule(Module& module);
    void clearSelection();
    // Replaces the selection at once: one notification.
    void setSelection(const std::vector<Module*>& modules);
    // Every module that can be selected (all but the head and the tail), in
    // the patch's order.
    std::vector<Module*> selectableModules() const;
    // The pin clicked last or being connected, drawn with its bubble.
    ModuleField::Ptr selectedField() const { return marks_.selectedField.lock(); }
    void setSelectedField(const ModuleField::Ptr& field);
    // The wire clicked, by its input (none: no wire); selecting modules
    // lets it go.
    ModuleField::Ptr selectedWire() const { return marks_.selectedWire.lock(); }
    void setSelectedWire(const ModuleField::Ptr& input);
    // The input whose wire passes at the point; none when no wire does.
    ModuleField::Ptr wireAt(const Point& point);
    // Selects the module `step` places after the last selected one in the
    // patch's order (before it for a negative step), stopping at the first
    // and the last; with nothing selected, counting from before the first
    // module (after the last one for a negative step). Scrolls it into
    // sight. The keyboard's way to pick modules.
    void selectAdjacentModule(int step);
    // What assistive technology announces for the selection: "Module osc,
    // OSC, selected", "3 modules selected", then the pin clicked last with
    // its value; "" with nothing selected.
    QString selectionAnnouncement() const;

    // --- interaction
    CanvasTracker& tracker() { return *tracker_; }
    CanvasCommands& commands() { return *commands_; }
    // The comments: their selection, gestures and editor.
    CanvasComments& comments() { return *comments_; }
    // Canvas points of a widget position.
    Point canvasPoint(const QPointF& widgetPosition) const;
    // The "Options" menu of a right click at the point: a module not yet
    // selected under it becomes the only selection, which the caller drops
    // again with dropContextSelection() once the menu has closed.
    QMenu* menuForPoint(const Point& point, QWidget* parent);
    void dropContextSelection();
    // A module of the operator after `after` (after the last module
    // without one), then the only selection, scrolled into sight; one undo
    // step. With a selection it goes beside `after`; else into the selected
    // wire when it has pins for it; else into free room of the part of the
    // canvas in sight.
    bool insertModule(const std::string& operatorName, Module* after);
    // The same with the box at the canvas point (on the grid when snapping).
    bool insertModuleAt(const std::string& operatorName, Module* after, const Point& point);
    // What an operator dropped at the point does: into the wire there when
    // it has pins for it ("Insert Module"), else a module placed there and
    // put after the module under the point, the one selected, or the head.
    // False when refused (on the head).
    bool dropOperator(const std::string& operatorName, const Point& point);
    // The search field a double-click on empty canvas opens at the point.
    void openQuickAdd(const Point& point);
    CanvasQuickAdd* quickAdd() const { return quickAdd_; }
    // Places a module of the operator at the point, after the module that
    // was selected before the double-click (the head when none); with
    // `wire`, that module's first output feeds the new module's first input
    // it can feed. One undo step.
    bool placeFromQuickAdd(const std::string& operatorName, const Point& point, bool wire);
    // The wire an operator dragged over is highlighted, by its input.
    ModuleField::Ptr highlightedWire() const { return marks_.highlightWire.lock(); }
    // What lies at the point, for the status bar: the module, and the pin
    // with its value and limits.
    QString describePoint(const Point& point);

    // --- zoom
    double magnification() const { return magnification_; }
    // Scales by z relative to the current magnification (1.25 in, 0.8 out).
    // With nothing selected the canvas point at the top left stays there;
    // otherwise the selection is kept in sight.
    void setZoom(double z);
    void zoomIn() { setZoom(1.25); }
    void zoomOut() { setZoom(0.8); }
    void zoomToFit();
    // Zooms so that the selected boxes fill the view, and scrolls to them.
    void zoomToSelection();
    // Scales by z keeping the canvas point under the widget position still.
    void zoomAbout(double z, const QPointF& widgetPosition);
    // The factor that fits the patch's visible area into the scroll view,
    // and the frame that goes with it; resets the scroll position.
    double fitter(SigFile& patch);
    // The canvas size in points.
    QSizeF frameSize() const { return frame_; }
    void setFrameSize(const QSizeF& size);
    // The scroll position the last zoom chose, in points.
    Point scrollPoint() const { return Point{m_ScrollX, m_ScrollY}; }
    // The part of the canvas the scroll view shows, in points.
    Rect visibleArea() const;
    QScrollArea* enclosingScrollView() const;
    // Scrolls so that the canvas rect is in sight.
    void scrollRectToVisible(const Rect& rect);

    // --- repainting
    // Repaints the module's graphic rect (with the bubble of a marked pin);
    // the marks of a module no longer in the patch (selection, highlights,
    // drag source) are dropped.
    void invalidateModule(const Module& module);
    // Repaints a canvas rect, or a pin with its bubble.
    void invalidateRect(const Rect& rect);
    void invalidateField(const ModuleField& field);
    // Lays everything out again and repaints it all.
    void redraw();
    // Follows an edit of the document's patch: the marks of modules and
    // pins that left it go, and what changed is painted again. Undo puts
    // back the selection and the canvas size the view had before the step,
    // redo those it had after; either selects the modules it brings back.
    void patchDidChange(const PatchChange& change);

    // A comparison painted over the patch (none: nothing); view state only.
    void setCompareOverlay(std::shared_ptr<const CompareOverlay> overlay);
    const CompareOverlay* compareOverlay() const { return overlay_.get(); }

    // Widget pixels of a canvas rect, grown to whole pixels.
    QRect toWidget(const Rect& rect) const;

signals:
    void selectionChanged();
    // The grid settings changed through one of the setters above.
    void gridSettingsChanged();
    // What lies under the mouse, for the window's status bar.
    void statusTextChanged(const QString& text);
    // The bounds of the modules being dragged, as they move; the zero rect
    // when the drag has ended.
    void draggedBoundsChanged(const tosk::Rect& bounds);
    // What the canvas told assistive technology after a change of the
    // selection or of the selected pin: its new accessible name.
    void announced(const QString& name);
    // The magnification changed (a zoom of any kind).
    void magnificationChanged(double magnification);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void applyFrame();
    QSizeF viewportPoints() const;
    void scrollToPoint(const Point& point);
    void selectionDidChange(const std::vector<Module*>& before);
    // Tells assistive technology that the canvas's name (the selection) changed.
    void announceSelection();
    // The status bar's text for what lies under the mouse now.
    void describeUnderMouse();
    // What the view shows of an undo step, before and after it.
    struct ViewState {
        std::vector<std::weak_ptr<Module>> selection;
        QSizeF frame;
    };
    struct StepView {
        ViewState before;
        std::optional<ViewState> after;
    };
    ViewState viewState() const;
    // Keeps the view before a step is done, and after it once the event
    // that did it is over (or, at the latest, when it is undone).
    void noteStep(const PatchChange& change);
    // Warns of a wire the change made against the processing order (status
    // bar, badges) and drops warnings whose wire no longer runs so.
    void noteOrder(const PatchChange& change);
    void followUndo(const PatchChange& change);
    // The module an operator dropped at the point goes after; the head for
    // none. Null when the drop is refused (on the head).
    Module* dropTarget(const Point& point, bool* refused);
    // Marks the wire an operator dragged over would go into (none: none).
    void setHighlightWire(const ModuleField::Ptr& input);
    // Selects a module just made and brings it into sight.
    bool showMade(const std::shared_ptr<Module>& made);
    void autoScroll();
    void updateAutoScroll(const QPoint& widgetPosition);

    GraphicWindowController* controller_ = nullptr;
    SigDocument* document_ = nullptr;
    SigFile* patch_ = nullptr;
    CanvasLayout layout_;
    CanvasPainter painter_;
    CanvasMarks marks_;
    GridSettings grid_;
    std::unique_ptr<CanvasTracker> tracker_;
    std::unique_ptr<CanvasCommands> commands_;
    std::unique_ptr<CanvasComments> comments_;
    std::weak_ptr<Module> contextSelection_;
    CanvasQuickAdd* quickAdd_ = nullptr;
    // The one module selected before the last single click (a double-click's
    // first click takes the selection away).
    std::weak_ptr<Module> selectedBeforeClick_;
    QElapsedTimer lastPress_;
    QTimer* autoScrollTimer_ = nullptr;
    QPoint autoScrollStep_;
    QPoint lastMouse_;
    // Panning: with the middle button, or the left one while Space is held.
    bool spaceHeld_ = false;
    bool panning_ = false;
    QPoint panStart_;
    QPoint panScrollStart_;
    Qt::KeyboardModifiers lastModifiers_;
    QString statusText_;
    double magnification_ = 1;
    QSizeF frame_{800, 600};
    Rect visibleRect_;
    double m_ScrollX = 0;
    double m_ScrollY = 0;
    // By undo step (PatchChange::step) of the document.
    std::map<uint64_t, StepView> stepViews_;
    std::shared_ptr<const CompareOverlay> overlay_;
};

} // namespace tosk
