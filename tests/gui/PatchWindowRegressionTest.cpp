// SPDX-License-Identifier: GPL-3.0-or-later
// Faults found in review: a patch shown in its window and saved unchanged
// gained a position on its head line (";=0,0,80,0"), and nothing on the
// canvas could be hit before it was painted.
#include "Toskfile/CanvasHitTest.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "canvas/GraphicView.h"
#include "gui/AppTestSupport.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace tosk;

TEST(PatchWindowRegression, APatchShownAndSavedUnchangedKeepsItsBytes)
{
    test::App app;
    // The demo with no position on its head line (its hidden fields kept) nor
    // on the line of "trem".
    const std::string text =
        test::edited(test::readFile(test::dataPath("examples/demo.sig")),
                     {{"page-page ;=20,40,80,0 f=", "page-page ;= f="}, {"wosc-out ;=500,140,80,0", "wosc-out"}});

    // What tosk-cli save writes: the file read and written without a window.
    SigDocument alone;
    alone.setSigDbase(test::bundledDbase());
    ASSERT_TRUE(alone.loadDataRepresentation(text, SigDocument::documentType));
    ASSERT_EQ(alone.sigData(), text);

    GraphicWindowController* window = app.documents->openDocument(app.file("demo.sig", text));
    ASSERT_TRUE(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->grab(); // painted once
    window->graphicView()->zoomIn();
    QApplication::processEvents();
    EXPECT_FALSE(window->sigDocument()->isDocumentEdited()) << "positions stored: not laid out on opening";
    EXPECT_EQ(window->sigFile()->head()->rect().origin, (Point{0, 0})) << "the head drawn at the origin";
    EXPECT_FALSE(window->sigFile()->head()->isPlaced());

    ASSERT_TRUE(app.documents->saveDocument(*window));
    EXPECT_EQ(app.bytes("demo.sig"), text);
}

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
    EXPECT_DOUBLE_EQ(layout.pinRect(*head->field("out1in")).x(), right);
    auto pin = [&](double x, double y) { return CanvasHitTest::pinAt(layout, patch, head, Point{x, y}); };
    EXPECT_EQ(pin(right + 1, 9), head->field("out1in"));
    EXPECT_EQ(pin(1, 9), head->field("in1"));
    Module& chl = *patch.findModuleByName("chl");
    EXPECT_EQ(pin(380, 56), chl.field("in"));
    EXPECT_EQ(CanvasHitTest::hitAt(layout, patch, head, Point{420, 100}).module, &chl);
    document->updateChangeCount(SigDocument::ChangeCleared);
}
