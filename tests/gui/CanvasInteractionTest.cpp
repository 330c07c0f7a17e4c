// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas's mouse gestures driven with real mouse, key and wheel events,
// headless, with the model checked after each gesture.
#include "Toskfile/PatchEditor.h"
#include "canvas/CanvasCommands.h"
#include "gui/CanvasTestSupport.h"

#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWindow>

using namespace tosk;
using namespace tosk::test;

namespace {

// What the window shows now, as its last paints left it.
QImage onScreen(GraphicWindowController* window)
{
    QApplication::processEvents();
    return window->windowHandle()->screen()->grabWindow(window->winId()).toImage();
}

} // namespace

TEST(CanvasInteraction, PartialRepaintsDuringGesturesLeaveWhatAFullPaintDraws)
{
    CanvasWindow w;
    struct Gesture {
        const char* name;
        std::vector<const char*> selected;
        QPoint from;
        std::vector<QPoint> path; // from `from`; the last is where it ends
    };
    // A rubber band growing, shrinking and passing over modules; modules
    // with wires in and out dragged about; the right-most module dragged
    // (the head's outputs stand right of it and move with it); a connection
    // over pins that light up and go dark again.
    const QPoint knob = w.pin("knob", "out");
    const std::vector<Gesture> gestures{
        {"rubber band", {}, w.at(120, 20), {{30, 50}, {110, 130}, {210, 240}, {280, 280}, {130, 100}}},
        {"module drag", {"g", "lfo"}, w.middleOf("g"), {{10, 5}, {60, 90}, {-30, 140}, {0, 0}}},
        {"right-most module drag", {"mix"}, w.middleOf("mix"), {{-30, 10}, {-60, 20}, {20, 5}, {90, 0}, {-10, 0}}},
        {"connection drag",
         {"mix"},
         knob,
         {w.pin("m2", "gain1") - knob, w.at(600, 400) - knob, w.pin("osc", "amp") - knob, w.at(300, 300) - knob}},
    };
    // A repaint of the whole window draws what the partial ones left.
    auto unchangedByAFullPaint = [&w] {
        const QImage shown = onScreen(w.window);
        w.view->update();
        return shown == onScreen(w.window);
    };
    for (const Gesture& gesture : gestures) {
        w.select(gesture.selected);
        w.press(gesture.from);
        for (QPoint p : gesture.path) {
            w.moveTo(gesture.from + p);
            onScreen(w.window);
        }
        EXPECT_TRUE(unchangedByAFullPaint()) << gesture.name;
        w.release(gesture.from + gesture.path.back());
        EXPECT_TRUE(unchangedByAFullPaint()) << "after the " << gesture.name;
    }
}

TEST(CanvasInteraction, ClicksShiftClicksAndRubberBandsSelect)
{
    CanvasWindow w;
    w.click(w.middleOf("g"));
    EXPECT_EQ(w.selection(), (std::vector<std::string>{"g"}));

    // A click in the pin margin beside osc's box, on no pin: the selection
    // goes and a rubber band starts there.
    const QPoint margin = w.at(140 - 6, 48);
    w.press(margin);
    EXPECT_TRUE(w.selection().empty());
    w.moveTo(w.at(230, 240));
    EXPECT_EQ(w.view->marks().rubberbandRect, Rect(134, 48, 96, 192));
    EXPECT_TRUE(w.selection().empty()) << "the band selects when released";
    w.release(w.at(230, 240));
    EXPECT_EQ(w.selection(), (std::vector<std::string>{"lfo"})) << "only boxes wholly inside: osc starts above it";
    EXPECT_EQ(w.view->marks().rubberbandRect, Rect());

    // Shift adds and takes away; Option (Ctrl as well as Alt) bands take
    // away what they cover, and only that.
    w.click(w.middleOf("osc"), Qt::ShiftModifier);
    w.click(w.middleOf("knob"), Qt::ShiftModifier);
    EXPECT_EQ(w.selection(), (std::vector<std::string>{"lfo", "osc", "knob"}));
    w.click(w.middleOf("lfo"), Qt::ShiftModifier);
    EXPECT_EQ(w.selection(), (std::vector<std::string>{"osc", "knob"}));
    w.drag(w.at(120, 270), w.at(240, 360), Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.selection(), (std::vector<std::string>{"osc"}));
    w.select({"osc", "knob", "g"});
    w.drag(w.at(120, 20), w.at(240, 130), Qt::AltModifier);
    EXPECT_EQ(w.selection(), (std::vector<std::string>{"knob", "g"}));
    // Shift on a pin adds its module to a selection, and with nothing
    // selected picks the pin for a wire.
    w.select({"g"});
    w.click(w.pin("osc", "freq"), Qt::ShiftModifier);
    EXPECT_EQ(w.selection(), (std::vector<std::string>{"g", "osc"}));
    w.select({});
    w.click(w.pin("osc", "freq"), Qt::ShiftModifier);
    EXPECT_TRUE(w.selection().empty());
    EXPECT_EQ(w.view->selectedField(), w.field("osc", "freq"));
    // Clicking empty canvas clears; nothing of this was an edit.
    w.select({"osc", "g"});
    QTest::mouseClick(w.view, Qt::LeftButton, Qt::NoModifier, w.at(700, 500));
    EXPECT_TRUE(w.selection().empty());
    EXPECT_FALSE(w.doc->undoManager().canUndo());
}

// Where a drag may go and where it snaps is the core's; here, that the mouse
// and the keys reach it.
TEST(CanvasInteraction, EscapeCancelsADragTheArrowKeysStepAndDragsMoveEverySelectedBoxAndSnap)
{
    CanvasWindow w;
    UndoManager& undo = w.doc->undoManager();
    Module& g = w.module("g");
    const QPoint grab = w.middleOf("g");
    w.press(grab);
    w.moveTo(grab + QPoint(40, 10));
    EXPECT_EQ(g.rect().origin, (Point{300, 50}));
    QTest::keyClick(w.view, Qt::Key_Escape);
    EXPECT_EQ(g.rect().origin, (Point{260, 40})) << "back where it was";
    w.moveTo(grab + QPoint(80, 10));
    w.release(grab + QPoint(80, 10));
    EXPECT_EQ(g.rect().origin, (Point{260, 40})) << "the rest of the drag is swallowed";
    EXPECT_FALSE(undo.canUndo());

    ASSERT_EQ(w.selection(), (std::vector<std::string>{"g"}));
    QTest::keyClick(w.view, Qt::Key_Right);
    QTest::keyClick(w.view, Qt::Key_Right);
    QTest::keyClick(w.view, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(w.view, Qt::Key_Up);
    EXPECT_EQ(g.rect().origin, (Point{262, 64}));
    EXPECT_EQ(undo.undoCount(), 4u) << "one step per key press";

    w.select({"osc", "lfo"});
    w.drag(w.middleOf("osc"), w.middleOf("osc") + QPoint(3, 30));
    EXPECT_EQ((std::vector{w.module("osc").rect().origin, w.module("lfo").rect().origin}),
              (std::vector{Point{143, 70}, Point{143, 190}}));
    undo.undo();

    // Snapping to a grid of 25: grabbed 7 points right of its left edge,
    // the box lands with its origin on the grid.
    w.view->setSnapsToGrid(true);
    w.select({});
    w.drag(w.at(140 + 7, 60), QPoint(180, 86));
    EXPECT_EQ(w.module("osc").rect().origin, (Point{175, 75})) << "173 and 66 to the nearest grid lines";

    // Moved past the right edge by an edit rather than a drag, a box is
    // reached once the canvas has been painted.
    ASSERT_TRUE(PatchEditor(*w.doc).moveModules({&w.module("mix")}, Point{3000, 0}));
    w.view->grab();
    QApplication::processEvents();
    EXPECT_GE(w.view->width(), 3380 + 80);
}

TEST(CanvasInteraction, ConnectionDragsHighlightWhatTheRulesTakeAndPassShiftAndOptionOn)
{
    CanvasWindow w;
    ScopedRecordingAlerts alerts;
    // A control output over a control input: lit, with the line drawn to
    // the mouse, and connected when released.
    w.press(w.pin("knob", "out"));
    w.moveTo(w.pin("m2", "gain1"));
    EXPECT_EQ(w.view->marks().highlightField.lock(), w.field("m2", "gain1"));
    EXPECT_NE(w.view->marks().fieldConnectionPoint, Point{});
    w.release(w.pin("m2", "gain1"));
    EXPECT_EQ(w.field("m2", "gain1")->source(), w.field("knob", "out"));
    EXPECT_EQ(w.view->marks().fieldConnectionPoint, Point{});
    EXPECT_EQ(w.view->selectedField(), nullptr);

    // Shift takes the partner of the pin dropped on, which lights up
    // whatever its own kind: from an input, that pin's source.
    w.press(w.pin("osc", "freq"));
    w.moveTo(w.pin("g", "gain"));
    EXPECT_EQ(w.view->marks().highlightField.lock(), nullptr) << "an input on an input";
    w.moveTo(w.pin("g", "gain"), Qt::ShiftModifier);
    EXPECT_EQ(w.view->marks().highlightField.lock(), w.field("g", "gain"));
    w.release(w.pin("g", "gain"), Qt::ShiftModifier);
    EXPECT_EQ(w.field("osc", "freq")->source(), w.field("lfo", "out"));

    // Option (Alt, and Ctrl too) onto a repeated input adds a repetition;
    // a refusal is said.
    const QPoint out = w.pin("osc", "out");
    w.drag(out, w.pin("mix", "in1"), Qt::AltModifier);
    EXPECT_EQ(w.field("mix", "in2")->source(), w.field("osc", "out"));
    EXPECT_TRUE(alerts.recorded.empty());
    w.field("mix", "count")->setText("16");
    w.drag(out, w.pin("mix", "in1"), Qt::ControlModifier);
    EXPECT_EQ(alertLines(alerts.recorded),
              std::vector<std::string>{"Critical | ERROR | Cannot add any more repeating fields. | OK"});
    EXPECT_EQ(w.field("mix", "in1")->source(), w.field("g", "out"));
}

TEST(CanvasInteraction, OrderBadgeDragsReorder)
{
    CanvasWindow w;
    w.window->onRevealOrder();
    auto badge = [&w](const char* name) {
        const Rect c = w.view->canvasLayout().orderCircle(w.module(name));
        return w.at(c.midX(), c.midY());
    };
    // Released anywhere but another badge: nothing.
    w.drag(badge("osc"), w.at(700, 500));
    w.drag(badge("osc"), badge("osc") + QPoint(3, 3));
    EXPECT_FALSE(w.doc->undoManager().canUndo());

    // From osc's badge to knob's: knob goes right after osc.
    w.press(badge("osc"));
    w.moveTo(badge("knob"));
    EXPECT_EQ(w.view->marks().highlightModule.lock().get(), &w.module("knob"));
    w.release(badge("knob"));
    std::vector<std::string> order;
    for (const auto& m : w.patch().listOfModules())
        order.push_back(std::string(m->instanceName()));
    EXPECT_EQ(order, (std::vector<std::string>{"adc", "osc", "knob", "lfo", "g", "mix", "m2", "shape"}));
    EXPECT_EQ(w.view->marks().orderConnectionPoint, Point{});
}

TEST(CanvasInteraction, DoubleClicksInspectOrSayWhyNot)
{
    CanvasWindow w;
    ScopedRecordingAlerts alerts;
    w.select({"osc", "g"});
    doubleClick(w.view, w.middleOf("lfo"));
    EXPECT_EQ(w.inspected, std::vector<std::string>{"lfo"});
    EXPECT_EQ(w.selection(), std::vector<std::string>{"lfo"});

    w.field("osc", "amp")->setAsWP(true);
    doubleClick(w.view, w.pin("osc", "amp"));
    // A pin that is not external: nothing.
    doubleClick(w.view, w.pin("osc", "freq"));
    EXPECT_EQ(alertLines(alerts.recorded),
              std::vector<std::string>{"Informational | ALERT | Cannot change external inputs.\n | OK"});
    EXPECT_EQ(w.inspected, std::vector<std::string>{"lfo"});
    EXPECT_FALSE(w.doc->undoManager().canUndo());
}

TEST(CanvasInteraction, CtrlWheelZoomsAboutTheMouseAndZoomCommandsAboutTheTopLeft)
{
    CanvasWindow w;
    const QPoint mouse = w.at(300, 200);
    const Point under = w.view->canvasPoint(QPointF(mouse));
    // (The plain wheel is the scroll area's: PatchWindowScrollTest.)
    QWheelEvent zoom(QPointF(mouse), w.view->mapToGlobal(QPointF(mouse)), QPoint(), QPoint(0, 120), Qt::NoButton,
                     Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.view, &zoom);
    EXPECT_DOUBLE_EQ(w.view->magnification(), 1.25);
    // The same canvas point is under the same place of the viewport.
    EXPECT_NEAR(under.x, w.view->visibleArea().x() + mouse.x() / 1.25, 1);

    // Zoom In and Out with nothing selected keep the point at the top left.
    ASSERT_TRUE(w.selection().empty());
    w.view->setZoom(1 / w.view->magnification());
    w.view->setFrameSize(QSizeF(3000, 2000));
    w.window->enclosingScrollView()->horizontalScrollBar()->setValue(400);
    w.window->enclosingScrollView()->verticalScrollBar()->setValue(300);
    for (CanvasCommand zoom : {CanvasCommand::ZoomIn, CanvasCommand::ZoomIn, CanvasCommand::ZoomOut}) {
        ASSERT_TRUE(w.view->commands().perform(zoom));
        EXPECT_NEAR(w.view->visibleArea().x(), 400, 1) << w.view->magnification();
        EXPECT_NEAR(w.view->visibleArea().y(), 300, 1) << w.view->magnification();
    }
}

TEST(CanvasInteraction, TheStatusBarNamesWhatIsUnderTheMouse)
{
    CanvasWindow w;
    QLabel* status = w.window->statusLabel();
    ASSERT_TRUE(status);
    auto hover = [&](QPoint p) {
        w.moveTo(p, Qt::NoModifier, Qt::NoButton);
        return status->text().toStdString();
    };
    // Empty canvas, a box, an input with its range, an output, a wired input.
    EXPECT_EQ((std::vector{hover(w.at(700, 500)), hover(w.middleOf("osc")), hover(w.pin("osc", "freq")),
                           hover(w.pin("osc", "out")), hover(w.pin("g", "in"))}),
              (std::vector<std::string>{"", "osc (SINE)", "osc (SINE) \u00b7 freq: 440  [20 \u2026 20000]",
                                        "osc (SINE) \u00b7 out \u2192 inputs fed: 1", "g (GAIN) \u00b7 in: osc-out"}));
    // A wire deleted under the mouse is named no more.
    w.view->setSelectedField(w.field("g", "in"));
    QTest::keyClick(w.view, Qt::Key_Delete);
    ASSERT_EQ(w.field("g", "in")->source(), nullptr);
    EXPECT_EQ(status->text().toStdString(), "g (GAIN) \u00b7 in: ");
}
