// SPDX-License-Identifier: GPL-3.0-or-later
// The grid drawn under a patch and in the grid panel's preview, the grid
// panel following the patch windows, and the rulers beside the canvas with
// their echo of a drag, checked on real widgets pixel by pixel.
#include "base/PreferenceController.h"
#include "canvas/CanvasScrollView.h"
#include "canvas/GridDrawing.h"
#include "canvas/GridPanelController.h"
#include "canvas/GridSettings.h"
#include "canvas/GridView.h"
#include "canvas/RulerView.h"
#include "canvas/TextWindowController.h"
#include "editors/EditModuleController.h"
#include "gui/CanvasTestSupport.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

#include <limits>
#include <set>

using namespace tosk;
using namespace tosk::test;

namespace {

// The grid's colour on a new canvas, as pixels show it.
const QColor kLine(GridSettings{}.color.rgb());

// The columns of row y (or, across, the rows of column y) whose pixel has
// colour c.
std::set<int> columnsOf(const QImage& image, int y, const QColor& c, bool across = false)
{
    std::set<int> out;
    for (int i = 0; i < (across ? image.height() : image.width()); ++i)
        if (image.pixelColor(across ? y : i, across ? i : y) == c)
            out.insert(i);
    return out;
}

std::set<int> rowsOf(const QImage& image, int x, const QColor& c)
{
    return columnsOf(image, x, c, true);
}

QImage gridImage(int w, int h, double scale, double spacing, const Rect& rect, Point origin = {})
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    TKXDrawGridWithSettingsInRect(painter, spacing, kLine, rect, origin);
    return image;
}

// A patch window on an oscillator into a gain.
struct Window : CanvasWindow {
    Window()
        : CanvasWindow(sigLines({"HEADM adc Grid t 2 2 1 adc-null adc-null adc-nullobj ;=0,0,80,0",
                                 "SINE osc 440 0.5 ;=100,40,80,0", "GAIN gain osc-out 1 ;=250,40,80,0", "TAIL Ann"}),
                       false)
    {
    }
    // Magnification 1 on a canvas of 1000 x 800 points, scrolled to the top
    // left.
    void atActualSize()
    {
        view->setFrameSize(QSizeF(1000, 800));
        view->setZoom(1 / view->magnification());
        window->enclosingScrollView()->horizontalScrollBar()->setValue(0);
        window->enclosingScrollView()->verticalScrollBar()->setValue(0);
    }
};

// Clicks a check box on its box, which is where it takes clicks.
void click(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

void activate(QWidget* window)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QApplication::processEvents();
}

} // namespace

TEST(GridDrawing, LinesFallOnMultiplesOfTheSpacingInsideTheRectAndUnusableSpacingsDrawNone)
{
    // The columns drawn in row y, and the rows drawn in column x.
    using Lines = std::pair<std::set<int>, std::set<int>>;
    auto lines = [](const QImage& image, int y, int x) {
        return Lines(columnsOf(image, y, kLine), rowsOf(image, x, kLine));
    };
    // Spacing 25, rect from x = 30 to 80: vertical lines at 50 and 75 only,
    // each line ending at the rect.
    const QImage a = gridImage(120, 60, 1, 25, Rect(30, 0, 50, 40));
    EXPECT_EQ(lines(a, 10, 40), Lines({50, 75}, {0, 25}));
    const QColor white(Qt::white);
    EXPECT_EQ((std::vector{a.pixelColor(29, 25), a.pixelColor(30, 25), a.pixelColor(79, 25), a.pixelColor(80, 25),
                           a.pixelColor(50, 39), a.pixelColor(50, 40)}),
              (std::vector{white, kLine, kLine, white, kLine, white}));
    EXPECT_EQ(lines(gridImage(120, 60, 1, 10, Rect(0, 0, 100, 30)), 15, 5),
              Lines({0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}, {0, 10, 20, 30}));
    // At magnification 2 a point is two pixels and the 0.5-wide line one.
    EXPECT_EQ(lines(gridImage(220, 130, 2, 25, Rect(0, 0, 100, 60)), 10, 10),
              Lines({0, 50, 100, 150, 200}, {0, 50, 100}));
    // A lattice shifted to start at (2, 2), as in the panel's preview.
    EXPECT_EQ(lines(gridImage(60, 30, 1, 10, Rect(0, 0, 50, 20), Point{2, 2}), 5, 5),
              Lines({2, 12, 22, 32, 42}, {2, 12}));
    // No multiple of 25 between 30 and 45: no vertical line; the one at y = 0 still crosses.
    EXPECT_EQ(lines(gridImage(60, 30, 1, 25, Rect(30, 0, 15, 20)), 10, 35), Lines({}, {0}));

    QImage blank(60, 30, QImage::Format_ARGB32);
    blank.fill(Qt::white);
    for (double spacing :
         {0.0, 0.5, 0.999, -25.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
        EXPECT_TRUE(gridImage(60, 30, 1, spacing, Rect(0, 0, 60, 30)) == blank) << "spacing " << spacing;
}

TEST(GridDrawing, APaintInPartsDrawsWhatOnePaintDraws)
{
    // At 3.05 pixels a point the lines are 2 pixels wide and fall between
    // pixels: each pixel, painted on its own and clipped as the canvas is,
    // must come out as in the whole.
    for (double scale : {1.0, 1.5625, 3.05}) {
        const double spacing = 10;
        QImage whole = gridImage(240, 160, scale, spacing, Rect(0, 0, 240 / scale, 160 / scale));
        QImage parts(240, 160, QImage::Format_ARGB32);
        parts.fill(Qt::white);
        QPainter painter(&parts);
        for (int left = 0; left < 240; ++left)
            for (int top = 0; top < 160; ++top) {
                const QRect tile(left, top, 1, 1);
                painter.save();
                painter.setClipRect(tile);
                painter.scale(scale, scale);
                TKXDrawGridWithSettingsInRect(
                    painter, spacing, kLine,
                    Rect(tile.x() / scale, tile.y() / scale, tile.width() / scale, tile.height() / scale), Point{});
                painter.restore();
            }
        painter.end();
        ASSERT_FALSE(columnsOf(whole, 1, kLine).empty());
        for (int y = 0; y < 160; ++y)
            ASSERT_EQ(columnsOf(parts, y, kLine), columnsOf(whole, y, kLine)) << "scale " << scale << " row " << y;
    }
}

TEST(GridDrawing, CanvasDrawsTheGridUnderThePatchOnlyWhileShown)
{
    Window w;
    w.atActualSize();
    GraphicView& view = *w.view;
    // An empty stretch of canvas below the modules, from (400, 300), zoomed
    // in twice: canvas point 420 is pixel 840.
    view.setZoom(2);
    const QRect empty(800, 600, 100, 100);
    EXPECT_TRUE(columnsOf(view.grab(empty).toImage(), 10, kLine).empty());
    view.setShowsGrid(true);
    ASSERT_TRUE(view.setGridSpacing(20));
    const QImage on = view.grab(empty).toImage();
    EXPECT_EQ(columnsOf(on, 10, kLine), (std::set<int>{0, 40, 80})) << "canvas 400, 420, 440";
    EXPECT_EQ(rowsOf(on, 10, kLine), (std::set<int>{0, 40, 80})) << "canvas 300, 320, 340";

    // The boxes are drawn over the grid: the oscillator's box at (100, 40)
    // hides the line at x = 120 where it stands.
    view.setZoom(0.5);
    EXPECT_NE(view.grab(QRect(100, 40, 80, 20)).toImage().pixelColor(20, 10), kLine);
}

TEST(GridPanel, ChangesTheCurrentWindowsGridAndFollowsPatchWindowsOnly)
{
    Window a, b;
    activate(a.window);
    GridPanelController::showGridPanel(a.window);
    GridPanelController* panel = GridPanelController::sharedGridPanelController();
    ASSERT_TRUE(panel);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    EXPECT_EQ(panel->inspectingGraphicView(), a.view);

    // Show the grid, widen it and snap to it from the panel: window a alone
    // changes and repaints.
    auto grid = [](const Window& w) {
        const GridSettings& g = w.view->gridSettings();
        return std::tuple{g.showsGrid, g.spacing, g.snapsToGrid};
    };
    a.atActualSize();
    click(panel->showsGridCheckbox());
    panel->gridSpacingSlider()->setValue(39);
    QTest::keyClick(panel->gridSpacingSlider(), Qt::Key_Right);
    click(panel->snapsToGridCheckbox());
    EXPECT_EQ(grid(a), std::tuple(true, 40.0, true));
    EXPECT_EQ(grid(b), std::tuple(false, 25.0, false));

    // The colour well's panel colours the grid, at the new spacing, as its
    // colour changes; the preview shows it from 2 pixels in.
    QTest::mouseClick(panel->gridColorWell(), Qt::LeftButton);
    ASSERT_TRUE(panel->colorPanel());
    panel->colorPanel()->setCurrentColor(QColor(200, 0, 0));
    EXPECT_EQ(columnsOf(a.view->grab(QRect(400, 300, 100, 20)).toImage(), 10, QColor(200, 0, 0)),
              (std::set<int>{0, 40, 80}));
    EXPECT_EQ(columnsOf(panel->gridView()->grab().toImage(), 10, QColor(200, 0, 0)),
              (std::set<int>{2, 42, 82, 122, 162}));
    panel->colorPanel()->hide();

    // The panel taking the focus keeps the window it follows.
    activate(panel);
    EXPECT_EQ(panel->inspectingGraphicView(), a.view);
    EXPECT_TRUE(panel->gridSpacingSlider()->isEnabled());

    // Another patch window becoming active is followed.
    activate(b.window);
    EXPECT_EQ(panel->inspectingGraphicView(), b.view);
    EXPECT_EQ(std::pair(panel->showsGridCheckbox()->isChecked(), panel->gridSpacingSlider()->value()),
              std::pair(false, 25));
    EXPECT_EQ(columnsOf(panel->gridView()->grab().toImage(), 10, kLine),
              (std::set<int>{2, 27, 52, 77, 102, 127, 152, 177}));

    // A text window has no grid: the panel drives nothing while it is in
    // front, and b again once b is.
    b.window->onShowTextView();
    ASSERT_TRUE(b.window->textWindowController());
    activate(b.window->textWindowController());
    EXPECT_EQ(panel->inspectingGraphicView(), nullptr);
    EXPECT_FALSE(panel->showsGridCheckbox()->isEnabled() || panel->gridSpacingSlider()->isEnabled());
    // A window of b's own (its inspector) works on b's canvas.
    EditModuleController* inspector = EditModuleController::open(*b.window, b.module("osc"));
    ASSERT_TRUE(inspector);
    activate(inspector);
    EXPECT_EQ(panel->inspectingGraphicView(), b.view);
    EXPECT_TRUE(panel->showsGridCheckbox()->isEnabled());
    inspector->close();
    activate(b.window);
    EXPECT_EQ(panel->inspectingGraphicView(), b.view);

    // A change made on the canvas itself (its menu) shows in the panel.
    b.view->setShowsGrid(true);
    EXPECT_TRUE(panel->showsGridCheckbox()->isChecked());

    // Closing the window followed leaves the panel with nothing: controls
    // off, the preview at the default spacing.
    b.window->close();
    QApplication::processEvents();
    EXPECT_EQ(panel->inspectingGraphicView(), nullptr);
    for (QWidget* control : std::initializer_list<QWidget*>{panel->snapsToGridCheckbox(), panel->showsGridCheckbox(),
                                                            panel->gridSpacingSlider(), panel->gridColorWell()})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_EQ(std::pair(panel->showsGrid(), panel->gridSpacing()), std::pair(false, 25.0));
    EXPECT_EQ(grid(a), std::tuple(true, 40.0, true)) << "the other window keeps its grid";

    activate(a.window);
    EXPECT_EQ(panel->inspectingGraphicView(), a.view);
    EXPECT_EQ(std::pair(panel->gridSpacingSlider()->value(), panel->snapsToGridCheckbox()->isChecked()),
              std::pair(40, true));

    // A spacing below one point is refused, by the panel and the canvas, and
    // the whole change with it.
    int changes = 0;
    QObject::connect(a.view, &GraphicView::gridSettingsChanged, [&] { ++changes; });
    EXPECT_FALSE(panel->takeGridSpacing(0.5));
    GridSettings s = a.view->gridSettings();
    s.spacing = 0.5;
    s.showsGrid = false;
    EXPECT_FALSE(a.view->setGridSettings(s));
    EXPECT_EQ(std::tuple(grid(a), panel->gridSpacingSlider()->value(), changes),
              std::tuple(std::tuple(true, 40.0, true), 40, 0));
    EXPECT_TRUE(panel->takeGridSpacing(1)) << "one point is the finest grid";
    EXPECT_EQ(std::pair(a.view->gridSettings().spacing, changes), std::pair(1.0, 1));

    // Where the panel stood is kept for the next run.
    panel->move(123, 45);
    panel->hide();
    const auto frame = PreferenceController::shared().store().value(GridPanelController::kFrameKey);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->substr(0, 7), "123 45 ");
}

TEST(Rulers, TicksFollowZoomAndScrollAndEchoTheDraggedBoundsWithSixLines)
{
    Window w;
    w.atActualSize();
    auto* scroll = qobject_cast<CanvasScrollView*>(w.window->enclosingScrollView());
    ASSERT_TRUE(scroll);
    RulerView* h = scroll->horizontalRulerView();
    RulerView* v = scroll->verticalRulerView();
    EXPECT_FALSE(h->isVisible());
    const QRect before = scroll->viewport()->geometry();

    w.view->toggleRuler();
    QApplication::processEvents();
    ASSERT_TRUE(h->isVisible() && v->isVisible());
    const QRect viewport = scroll->viewport()->geometry();
    const int t = RulerView::kThickness;
    EXPECT_EQ(viewport.topLeft(), before.topLeft() + QPoint(t, t));
    EXPECT_EQ(h->geometry(), QRect(viewport.left(), viewport.top() - t, viewport.width(), t));
    EXPECT_EQ(v->geometry(), QRect(viewport.left() - t, viewport.top(), t, viewport.height()));

    auto labelled = [](const RulerView& ruler, double value) {
        for (const RulerView::Tick& t : ruler.ticks())
            if (t.value == value)
                return t.level == RulerView::TickLevel::Labelled ? t.location : -1000.0;
        return -2000.0;
    };
    // Actual size: a label every 50 points, a tick every 5.
    EXPECT_EQ((std::vector{labelled(*h, 0), labelled(*h, 100), labelled(*v, 150)}), (std::vector<double>{0, 100, 150}));
    // The side ruler's label starts on the row below its tick.
    const QImage side = v->grab().toImage();
    std::set<int> ink;
    for (int y = 140; y < 165; ++y)
        for (int x = 1; x < 8; ++x)
            if (side.pixelColor(x, y) != side.pixelColor(1, 140))
                ink.insert(y);
    ASSERT_FALSE(ink.empty());
    EXPECT_EQ(*ink.begin(), 151);
    EXPECT_EQ(h->ticks()[5].level, RulerView::TickLevel::Half) << "25";
    const QImage ruler = h->grab().toImage();
    const int baseline = t - 3;
    EXPECT_NE(ruler.pixelColor(100, baseline), ruler.pixelColor(102, baseline)) << "a tick at 100, none at 102";
    EXPECT_EQ(ruler.pixelColor(100, baseline), ruler.pixelColor(105, baseline));

    // Twice the size, scrolled 30 pixels right and 10 down: 50 points is
    // pixel 100 of the canvas, 70 of the ruler.
    w.view->setZoom(2);
    scroll->horizontalScrollBar()->setValue(30);
    scroll->verticalScrollBar()->setValue(10);
    QApplication::processEvents();
    EXPECT_EQ((std::vector{labelled(*h, 50), labelled(*h, 100), labelled(*v, 50)}), (std::vector<double>{70, 170, 90}));
    // (Ticks are painted where ticks() puts them, as checked at actual size.)
    EXPECT_EQ(h->ticks().front().value, 15) << "the first tick in sight: 5-point ticks, 15 at 0";

    // Half size: a label every 100 points.
    w.view->setZoom(0.25);
    scroll->horizontalScrollBar()->setValue(0);
    QApplication::processEvents();
    EXPECT_EQ((std::vector{labelled(*h, 100), labelled(*h, 50)}), (std::vector<double>{50, -1000})) << "50 unlabelled";

    w.view->toggleRuler();
    EXPECT_FALSE(h->isVisible());
    EXPECT_EQ(scroll->viewport()->geometry().topLeft(), before.topLeft());

    // Hidden rulers echo nothing.
    GraphicView& view = *w.view;
    w.atActualSize();
    view.beginEchoingMoveToRulers(Rect(100, 60, 80, 48));
    EXPECT_FALSE(h->isEchoing());

    view.setShowsRuler(true);
    QApplication::processEvents();
    view.beginEchoingMoveToRulers(Rect(100, 60, 80, 48));
    // Above the ticks every black column is an echo line: the bounds' edges
    // and middle along each ruler's axis, where the canvas shows them.
    EXPECT_EQ(columnsOf(h->grab().toImage(), 1, Qt::black), (std::set<int>{100, 140, 180}));
    EXPECT_EQ(rowsOf(v->grab().toImage(), 1, Qt::black), (std::set<int>{60, 84, 108}));

    // Moved, zoomed in twice and scrolled: the lines follow.
    view.setZoom(2);
    scroll->horizontalScrollBar()->setValue(30);
    scroll->verticalScrollBar()->setValue(20);
    view.continueEchoingMoveToRulers(Rect(110, 70, 80, 48));
    QApplication::processEvents();
    EXPECT_EQ(columnsOf(h->grab().toImage(), 1, Qt::black), (std::set<int>{190, 270, 350}));
    EXPECT_EQ(rowsOf(v->grab().toImage(), 1, Qt::black), (std::set<int>{120, 168, 216}));

    view.stopEchoingMoveToRulers();
    EXPECT_TRUE(columnsOf(h->grab().toImage(), 1, Qt::black).empty() &&
                rowsOf(v->grab().toImage(), 1, Qt::black).empty());
}
