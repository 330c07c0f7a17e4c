// SPDX-License-Identifier: GPL-3.0-or-later
// Faults found in review: a patch shown in its window and saved unchanged
// gained a position on its head line (";=0,0,80,0"), and nothing on the
// canvas could be hit before it was painted.
#include "Toskfile/CanvasHitTest.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "app/DocumentController.h"
#include "app/MainMenuDelegate.h"
#include "base/PreferenceController.h"
#include "base/SettingsStore.h"
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"
#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace tosk;

namespace {

// The demo with no position on its head line (its hidden fields kept) nor
// on the line of "trem".
std::string demoWithoutSomePositions()
{
    std::string text = test::readFile(test::dataPath("examples/demo.sig"));
    auto drop = [&text](const std::string& from, const std::string& to) {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    };
    drop("page-page ;=20,40,80,0 f=", "page-page ;= f=");
    drop("wosc-out ;=500,140,80,0", "wosc-out");
    return text;
}

} // namespace

TEST(PatchWindowRegression, APatchShownAndSavedUnchangedKeepsItsBytes)
{
    MemorySettingsStore store;
    PreferenceController::setStore(&store);
    MainMenuDelegate delegate;
    DocumentController documents(&delegate, DocumentController::sigFileFormat(test::bundledDbase()));
    delegate.setDocumentController(&documents);
    test::TempDir dir;
    const std::string text = demoWithoutSomePositions();
    test::writeFile(dir / "demo.sig", text);

    // What tosk-cli save writes: the file read and written without a window.
    SigDocument alone;
    alone.setSigDbase(test::bundledDbase());
    ASSERT_TRUE(alone.loadDataRepresentation(text, SigDocument::documentType));
    ASSERT_EQ(alone.sigData(), text);

    GraphicWindowController* window = documents.openDocument(QString::fromStdString((dir / "demo.sig").string()));
    ASSERT_TRUE(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_FALSE(window->grab().isNull()) << "painted";
    window->graphicView()->zoomIn();
    QApplication::processEvents();
    EXPECT_FALSE(window->sigDocument()->isDocumentEdited()) << "positions stored: not laid out on opening";
    EXPECT_EQ(window->sigFile()->head()->rect().origin, (Point{0, 0})) << "the head drawn at the origin";
    EXPECT_FALSE(window->sigFile()->head()->isPlaced());

    ASSERT_TRUE(documents.saveDocument(*window));
    EXPECT_EQ(test::readFile(dir / "demo.sig"), text);

    window->close();
    QApplication::processEvents();
    PreferenceController::setStore(nullptr);
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
