// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas's mouse gestures driven with real mouse, key and drop events,
// headless, with the model checked after each gesture.
#include "Toskfile/PatchEditor.h"
#include "canvas/CanvasCommands.h"
#include "gui/AppTestSupport.h"
#include "gui/CanvasTestSupport.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
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
        std::vector<QPoint> path; // the last is where it ends
    };
    // A rubber band growing, shrinking and passing over modules; modules
    // with wires in and out dragged about; the right-most module dragged
    // (the head's outputs stand right of it and move with it); a connection
    // over pins that light up and go dark again.
    const QPoint g = w.middleOf("g"), mix = w.middleOf("mix");
    const std::vector<Gesture> gestures{
        {"rubber band", {}, w.at(120, 20), {{150, 70}, {230, 150}, {330, 260}, {400, 300}, {250, 120}}},
        {"module drag", {"g", "lfo"}, g, {g + QPoint(10, 5), g + QPoint(60, 90), g + QPoint(-30, 140), g}},
        {"right-most module drag",
         {"mix"},
         mix,
         {mix + QPoint(-30, 10), mix + QPoint(-60, 20), mix + QPoint(20, 5), mix + QPoint(90, 0),
          mix + QPoint(-10, 0)}},
        {"connection drag",
         {"mix"},
         w.pin("knob", "out"),
         {w.pin("m2", "gain1"), w.at(600, 400), w.pin("osc", "amp"), w.at(300, 300)}},
    };
    for (const Gesture& gesture : gestures) {
        w.select(gesture.selected);
        w.press(gesture.from);
        for (QPoint p : gesture.path) {
            w.moveTo(p);
            onScreen(w.window);
        }
        const QImage shown = onScreen(w.window);
        w.view->update();
        EXPECT_TRUE(shown == onScreen(w.window)) << gesture.name;
        w.release(gesture.path.back());
    }
    const QImage shown = onScreen(w.window);
    w.view->update();
    EXPECT_TRUE(shown == onScreen(w.window)) << "after the connection drag";
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

    // Shift adds and takes away; Option (Ctrl as well as Alt) bands deselect.
    QTest::mouseClick(w.view, Qt::LeftButton, Qt::ShiftModifier, w.middleOf("osc"));
    QTest::mouseClick(w.view, Qt::LeftButton, Qt::ShiftModifier, w.middleOf("knob"));
    EXPECT_EQ(w.selection(), (std::vector<std::string>{"lfo", "osc", "knob"}));
    QTest::mouseClick(w.view, Qt::LeftButton, Qt::ShiftModifier, w.middleOf("lfo"));
    EXPECT_EQ(w.selection(), (std::vector<std::string>{"osc", "knob"}));
    w.drag(w.at(120, 270), w.at(240, 360), Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.selection(), (std::vector<std::string>{"osc"}));
    w.drag(w.at(120, 20), w.at(240, 130), Qt::AltModifier);
    EXPECT_TRUE(w.selection().empty());
    // Option alone takes away what the band covers, and only that.
    w.select({"osc", "knob", "g"});
    w.drag(w.at(120, 20), w.at(240, 130), Qt::AltModifier);
    EXPECT_EQ(w.selection(), (std::vector<std::string>{"knob", "g"}));
    w.drag(w.at(120, 270), w.at(240, 360), Qt::ControlModifier);
    EXPECT_EQ(w.selection(), (std::vector<std::string>{"g"}));
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
    EXPECT_EQ(w.window->windowTitle(), "demo");

    ASSERT_EQ(w.selection(), (std::vector<std::string>{"g"}));
    QTest::keyClick(w.view, Qt::Key_Right);
    QTest::keyClick(w.view, Qt::Key_Right);
    QTest::keyClick(w.view, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(w.view, Qt::Key_Up);
    EXPECT_EQ(g.rect().origin, (Point{262, 64}));
    EXPECT_EQ(undo.undoCount(), 4u) << "one step per key press";
    EXPECT_EQ(w.window->windowTitle(), "demo*");

    w.select({"osc", "lfo"});
    w.drag(w.middleOf("osc"), w.middleOf("osc") + QPoint(3, 30));
    EXPECT_EQ(w.module("osc").rect().origin, (Point{143, 70}));
    EXPECT_EQ(w.module("lfo").rect().origin, (Point{143, 190}));
    EXPECT_EQ(undo.undoCount(), 5u) << "one step per drag";
    undo.undo();

    // Snapping to a grid of 25: grabbed 7 points right of its left edge,
    // the box lands with its origin on the grid.
    GridSettings grid = w.view->gridSettings();
    grid.snapsToGrid = true;
    w.view->setGridSettings(grid);
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

TEST(CanvasInteraction, OrderBadgeDragsReorderAndUndoPutsBack)
{
    CanvasWindow w;
    QTest::mouseClick(w.window->findChild<QAbstractButton*>("revealOrderBtn"), Qt::LeftButton);
    ASSERT_TRUE(w.view->showMode() & Module::SHOW_ORDER);
    auto order = [&w] {
        std::vector<std::string> names;
        for (const auto& m : w.patch().listOfModules())
            names.push_back(std::string(m->instanceName()));
        return names;
    };
    const std::vector<std::string> before = order();
    auto badge = [&w](const char* name) {
        const Rect c = w.view->canvasLayout().orderCircle(w.module(name));
        return w.at(c.midX(), c.midY());
    };
    // From osc's badge to knob's: knob goes right after osc.
    w.press(badge("osc"));
    w.moveTo(badge("knob"));
    EXPECT_EQ(w.view->marks().highlightModule.lock().get(), &w.module("knob"));
    w.release(badge("knob"));
    EXPECT_EQ(order(), (std::vector<std::string>{"adc", "osc", "knob", "lfo", "g", "mix", "m2", "shape"}));
    EXPECT_EQ(w.view->marks().orderConnectionPoint, Point{});
    w.doc->undoManager().undo();

    // Released anywhere but another badge: nothing.
    w.drag(badge("osc"), w.at(700, 500));
    w.drag(badge("osc"), badge("osc") + QPoint(3, 3));
    EXPECT_EQ(order(), before);
    EXPECT_FALSE(w.doc->undoManager().canUndo());
}

TEST(CanvasInteraction, DoubleClicksInspectOrSayWhyNotAndTheContextMenuSelectsForItselfOnly)
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

    // The context menu selects for itself only.
    w.select({"osc", "g"});
    std::vector<std::string> whileOpen;
    whenShown<QMenu>([&](QMenu* menu) {
        whileOpen = w.selection();
        menu->close();
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, w.middleOf("lfo"), w.view->mapToGlobal(w.middleOf("lfo")));
    QApplication::sendEvent(w.view, &click);
    EXPECT_EQ(whileOpen, std::vector<std::string>{"lfo"});
    EXPECT_TRUE(w.selection().empty()) << "the menu's own selection goes when it closes";

    // On a selected module the selection stays.
    whenShown<QMenu>([](QMenu* menu) { menu->close(); });
    QContextMenuEvent again(QContextMenuEvent::Mouse, w.middleOf("shape"), w.view->mapToGlobal(w.middleOf("shape")));
    w.select({"shape"});
    QApplication::sendEvent(w.view, &again);
    EXPECT_EQ(w.selection(), std::vector<std::string>{"shape"});
}

TEST(CanvasInteraction, OperatorDropsInsertAfterTheTargetAndNeverOnTheHead)
{
    CanvasWindow w;
    const size_t count = w.patch().moduleCount();
    const Rect head = w.view->canvasLayout().box(*w.patch().head());
    dropOperator(w.view, "SINE", w.at(head.midX(), head.midY()));
    EXPECT_EQ(w.patch().moduleCount(), count) << "refused on the head";

    // Empty canvas, nothing selected: right after the head.
    dropOperator(w.view, "SINE", w.at(700, 500));
    ASSERT_EQ(w.patch().moduleCount(), count + 1);
    EXPECT_EQ(w.patch().moduleAtIndex(1)->instanceName(), "sine");
    EXPECT_EQ(w.selection(), std::vector<std::string>{"sine"});

    // On a module: after it; on empty canvas with one selected: after that.
    dropOperator(w.view, "GAIN", w.middleOf("lfo"));
    EXPECT_EQ(w.patch().moduleAtIndex(w.patch().indexOfModule(&w.module("lfo")) + 1)->instanceName(), "gain");
    w.select({"g"});
    dropOperator(w.view, "GAIN", w.at(550, 450));
    EXPECT_EQ(w.patch().moduleAtIndex(w.patch().indexOfModule(&w.module("g")) + 1)->instanceName(), "gain1");

    // Other drags are not taken.
    QMimeData text;
    text.setText("SINE");
    QDragEnterEvent enter(w.at(700, 500), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.view, &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST(CanvasInteraction, WheelScrollsAndCtrlWheelZoomsAboutTheMouse)
{
    CanvasWindow w;
    const QPoint mouse = w.at(300, 200);
    const Point under = w.view->canvasPoint(QPointF(mouse));
    QWheelEvent zoom(QPointF(mouse), w.view->mapToGlobal(QPointF(mouse)), QPoint(), QPoint(0, 120), Qt::NoButton,
                     Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.view, &zoom);
    EXPECT_DOUBLE_EQ(w.view->magnification(), 1.25);
    // The same canvas point is under the same place of the viewport.
    EXPECT_NEAR(under.x, w.view->visibleArea().x() + mouse.x() / 1.25, 1);

    QWheelEvent plain(QPointF(mouse), w.view->mapToGlobal(QPointF(mouse)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.view, &plain);
    EXPECT_DOUBLE_EQ(w.view->magnification(), 1.25) << "the plain wheel is the scroll area's";
    EXPECT_FALSE(plain.isAccepted());

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
