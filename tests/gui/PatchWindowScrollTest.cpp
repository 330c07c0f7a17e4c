// SPDX-License-Identifier: GPL-3.0-or-later
// The scroll bars of a patch window that has just opened, as a person sees
// them: thumbs where the view is, and a turn of the wheel scrolls from there.
#include "Toskfile/Module.h"
#include "canvas/CanvasCommands.h"
#include "canvas/GraphicView.h"
#include "gui/AppTestSupport.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>
#include <tuple>

using namespace tosk;

TEST(PatchWindowScroll, ThumbsStartWhereTheViewDoesAndWheelHandAndKeysScrollFromThere)
{
    test::DemoPatchApp demo;
    GraphicWindowController* window = demo.window;
    ASSERT_TRUE(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QApplication::processEvents();
    QScrollArea* area = window->enclosingScrollView();
    GraphicView* canvas = window->graphicView();
    QScrollBar* vertical = area->verticalScrollBar();
    QScrollBar* horizontal = area->horizontalScrollBar();
    ASSERT_GT(vertical->maximum(), 0) << "the fitted demo leaves room to scroll down";

    EXPECT_EQ(canvas->pos(), QPoint(0, 0)) << "the view shows the top left";
    // The thumbs are drawn from the bars' slider positions: at the start.
    for (QScrollBar* bar : {vertical, horizontal})
        EXPECT_EQ(std::tuple(bar->minimum(), bar->value(), bar->sliderPosition()), std::tuple(0, 0, 0));

    // One notch down scrolls by the steps of one notch, thumb and view together.
    const QPoint inside = area->viewport()->rect().center();
    QWheelEvent notch(inside, area->viewport()->mapToGlobal(inside), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(area->viewport(), &notch);
    const int step = std::min(vertical->maximum(), QApplication::wheelScrollLines() * vertical->singleStep());
    EXPECT_EQ(vertical->value(), step);
    EXPECT_EQ(canvas->pos(), QPoint(0, -step));
    EXPECT_EQ(vertical->sliderPosition(), step);

    // Panning, Shift+wheel and the zoom keys move the view as the hand does.
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    canvas->setZoom(4);
    horizontal->setValue(0);
    vertical->setValue(0);
    ASSERT_GT(horizontal->maximum(), 100);
    ASSERT_GT(vertical->maximum(), 100);
    const QPoint p = area->viewport()->rect().center() - canvas->pos();

    // The middle button drags the canvas along with the hand.
    QTest::mousePress(canvas, Qt::MiddleButton, {}, p);
    QTest::mouseMove(canvas, p + QPoint(-30, -20));
    QTest::mouseRelease(canvas, Qt::MiddleButton, {}, p + QPoint(-30, -20) - canvas->pos());
    EXPECT_EQ(QPoint(horizontal->value(), vertical->value()), QPoint(30, 20));

    // So does the left button while Space is held; without Space it selects.
    const QPoint q = area->viewport()->rect().center() - canvas->pos();
    QTest::keyPress(canvas, Qt::Key_Space);
    QTest::mousePress(canvas, Qt::LeftButton, {}, q);
    QTest::mouseMove(canvas, q + QPoint(-10, -5));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, q);
    QTest::keyRelease(canvas, Qt::Key_Space);
    EXPECT_EQ(QPoint(horizontal->value(), vertical->value()), QPoint(40, 25));
    EXPECT_EQ(window->sigDocument()->changeCount(), 0) << "panning moves no box";

    // Shift turns the wheel sideways.
    const QPointF at = area->viewport()->rect().center() - canvas->pos();
    QWheelEvent sideways(at, canvas->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::ShiftModifier,
                         Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &sideways);
    EXPECT_EQ(horizontal->value(), 40 + QApplication::wheelScrollLines() * horizontal->singleStep());
    EXPECT_EQ(vertical->value(), 25);

    // Ctrl+= zooms in as Ctrl++ does.
    const double before = canvas->magnification();
    QTest::keyClick(canvas, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(canvas->magnification(), before * 1.25);

    // Zoom to Selection: the selected box fills the view's narrower side.
    Module* knob = window->sigFile()->findModuleByName("rate").get();
    ASSERT_TRUE(knob);
    canvas->setSelection({knob});
    canvas->commands().perform(CanvasCommand::ZoomToSelection);
    const QRect box = canvas->toWidget(canvas->canvasLayout().graphicRect(*knob)).translated(canvas->pos());
    const QRect seen = area->viewport()->rect();
    EXPECT_TRUE(seen.contains(box)) << "the box is in sight";
    EXPECT_GT(std::max(double(box.width()) / seen.width(), double(box.height()) / seen.height()), 0.5);
}
