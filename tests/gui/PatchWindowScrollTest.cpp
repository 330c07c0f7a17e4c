// The scroll bars of a patch window that has just opened, as a person sees
// them: thumbs where the view is, and a turn of the wheel scrolls from there.
#include "app/DocumentController.h"
#include "app/MainMenuDelegate.h"
#include "base/PreferenceController.h"
#include "base/SettingsStore.h"
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"
#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tosk;

namespace {

// Where the bar's style draws its thumb and the groove it runs in.
struct ThumbAndGroove {
    QRect thumb, groove;
};

ThumbAndGroove drawn(const QScrollBar& bar)
{
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar.orientation();
    option.minimum = bar.minimum();
    option.maximum = bar.maximum();
    option.sliderPosition = bar.sliderPosition();
    option.sliderValue = bar.value();
    option.singleStep = bar.singleStep();
    option.pageStep = bar.pageStep();
    if (bar.orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    const QStyle* style = bar.style();
    return {style->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, &bar),
            style->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, &bar)};
}

} // namespace

TEST(PatchWindowScroll, ThumbsStartWhereTheViewDoesAndTheWheelScrollsFromThere)
{
    MemorySettingsStore store;
    PreferenceController::setStore(&store);
    MainMenuDelegate delegate;
    DocumentController documents(&delegate, DocumentController::sigFileFormat(test::bundledDbase()));
    GraphicWindowController* window =
        documents.openDocument(QString::fromStdString(test::dataPath("examples/demo.sig")));
    ASSERT_TRUE(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QApplication::processEvents();
    QScrollArea* area = window->enclosingScrollView();
    GraphicView* canvas = window->graphicView();
    QScrollBar* vertical = area->verticalScrollBar();
    QScrollBar* horizontal = area->horizontalScrollBar();
    ASSERT_GT(vertical->maximum(), 0) << "the fitted demo leaves room to scroll down";

    EXPECT_EQ(canvas->pos(), QPoint(0, 0)) << "the view shows the top left";
    EXPECT_EQ(vertical->value(), 0);
    EXPECT_EQ(horizontal->value(), 0);
    const ThumbAndGroove down = drawn(*vertical), across = drawn(*horizontal);
    EXPECT_EQ(down.thumb.top(), down.groove.top()) << "the thumb at the top of its groove";
    EXPECT_LT(down.thumb.bottom(), down.groove.bottom());
    EXPECT_EQ(across.thumb.left(), across.groove.left());

    // One notch down scrolls by the steps of one notch, thumb and view together.
    const QPoint inside = area->viewport()->rect().center();
    QWheelEvent notch(inside, area->viewport()->mapToGlobal(inside), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(area->viewport(), &notch);
    const int step = std::min(vertical->maximum(), QApplication::wheelScrollLines() * vertical->singleStep());
    EXPECT_EQ(vertical->value(), step);
    EXPECT_EQ(canvas->pos(), QPoint(0, -step));
    EXPECT_GT(drawn(*vertical).thumb.top(), down.thumb.top());

    window->close();
    QApplication::processEvents();
    PreferenceController::setStore(nullptr);
}
