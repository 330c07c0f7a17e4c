// Faults found in review: nothing on the canvas could be hit before it was
// painted.
#include "Toskfile/CanvasHitTest.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"
#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tosk;

TEST(PatchWindowRegression, TheCanvasIsHitBeforeAnythingIsPainted)
{
    auto document = std::make_shared<SigDocument>();
    document->setSigDbase(test::bundledDbase());
    ASSERT_TRUE(document->readFromFile(test::dataPath("examples/demo.sig")));
    GraphicWindowController window(document); // never shown, never painted
    SigFile& patch = *window.sigFile();
    Module* head = patch.head().get();
    const CanvasLayout& layout = window.graphicView()->canvasLayout();

    // The demo's right-most modules end at 620 + 80 + 87/7: its outputs
    // stand 16 right of that.
    const double right = 700 + 87.0 / 7 + 16;
    EXPECT_DOUBLE_EQ(layout.maxX(), right + 360.0 / 7);
    EXPECT_DOUBLE_EQ(head->field("out1in")->rect().x(), right);
    auto pin = [&](double x, double y) { return CanvasHitTest::pinAt(patch, head, Point{x, y}, patch.showMode()); };
    EXPECT_EQ(pin(right + 1, 9), head->field("out1in"));
    EXPECT_EQ(pin(1, 9), head->field("in1"));
    Module& chl = *patch.findModuleByName("chl");
    EXPECT_EQ(pin(380, 56), chl.field("in"));
    EXPECT_EQ(CanvasHitTest::hitAt(patch, head, Point{420, 100}, patch.showMode()).module, &chl);
    document->updateChangeCount(SigDocument::ChangeCleared);
}
