// SPDX-License-Identifier: GPL-3.0-or-later
// File ▸ Export Picture… and Edit ▸ Copy Picture of a patch window.
#include "app/PictureExport.h"
#include "Toskfile/Module.h"
#include "app/ExportPictureDialog.h"
#include "canvas/CanvasRenderer.h"
#include "canvas/GraphicView.h"
#include "gui/AppTestSupport.h"

#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QRadioButton>
#include <QSvgRenderer>
#include <QTest>

#include <cmath>
#include <filesystem>

using namespace tosk;

namespace {

// The demo patch open in its window, as the editor opens it.
struct DemoWindow : test::DemoPatchApp {
    QAction* action(const char* name) { return test::menuAction(*window, name); }
    SigFile& patch() const { return *window->graphicView()->sigFile(); }
};

// Answers the export dialog as given once it shows.
void answerDialog(const QString& format, bool selection, double scale)
{
    test::whenShown<ExportPictureDialog>([=](ExportPictureDialog* dialog) {
        dialog->findChild<QComboBox*>("formatBox")->setCurrentText(format);
        dialog->findChild<QRadioButton*>(selection ? "selectionButton" : "wholePatchButton")->setChecked(true);
        dialog->findChild<QDoubleSpinBox*>("scaleBox")->setValue(scale);
        dialog->accept();
    });
}

QImage argb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST(PictureExport, ExportsTheDemoAsToskCliRendersIt)
{
    DemoWindow w;
    ASSERT_TRUE(w.window);
    QAction* exportPicture = w.action("actionExportPicture");
    auto run = test::runCli("render " + test::quoted(test::dataPath("examples/demo.sig")) + " -o " +
                            test::quoted((w.dir / "cli.png").string()) + " --db " +
                            test::quoted(test::dataPath("sigdbase.sbf")));
    ASSERT_EQ(run.status, 0) << run.err;
    const QImage cli(QString::fromStdString((w.dir / "cli.png").string()));
    ASSERT_FALSE(cli.isNull());

    // PNG at scale 1: a name without extension gets ".png".
    ScopedScriptedFileChooser chooser;
    chooser.answers.push_back((w.dir / "menu").string());
    answerDialog("PNG", false, 1);
    exportPicture->trigger();
    ASSERT_EQ(chooser.requests.size(), 1u);
    EXPECT_TRUE(chooser.requests[0].save);
    EXPECT_EQ(chooser.requests[0].suggestedName, "demo.png");
    EXPECT_EQ(chooser.requests[0].fileTypes, std::vector<std::string>{"png"});
    EXPECT_EQ(chooser.requests[0].directory, std::filesystem::path(test::dataPath("examples")).string())
        << "beside the patch";
    const QImage menu(QString::fromStdString((w.dir / "menu.png").string()));
    ASSERT_FALSE(menu.isNull());
    EXPECT_EQ(argb(menu), argb(cli)) << "the same pixels as tosk-cli render";

    // SVG at scale 2, a document a renderer reads, twice the size.
    chooser.answers.push_back((w.dir / "menu.svg").string());
    answerDialog("SVG", false, 2);
    exportPicture->trigger();
    ASSERT_EQ(chooser.requests.size(), 2u);
    EXPECT_EQ(chooser.requests[1].suggestedName, "demo.svg");
    QSvgRenderer svg(QString::fromStdString((w.dir / "menu.svg").string()));
    ASSERT_TRUE(svg.isValid());
    EXPECT_EQ(svg.viewBoxF(), QRectF(QPointF(0, 0), QSizeF(cli.size() * 2)));
    EXPECT_NE(test::readFile(w.dir / "menu.svg").find("CHORUS"), std::string::npos) << "module titles as text";

    // A folder that is not there: told why, nothing written.
    ScopedRecordingAlerts alerts;
    chooser.answers.push_back((w.dir / "none" / "x.png").string());
    answerDialog("PNG", false, 1);
    exportPicture->trigger();
    ASSERT_EQ(alerts.recorded.size(), 1u);
    EXPECT_EQ(alerts.recorded[0].message.rfind(
                  "The picture could not be written to \"" + (w.dir / "none" / "x.png").string() + "\": ", 0),
              0u)
        << alerts.recorded[0].message;
    EXPECT_FALSE(std::filesystem::exists(w.dir / "none"));
    EXPECT_FALSE(w.window->sigDocument()->isDocumentEdited()) << "a picture changes nothing in the patch";
}

TEST(PictureExport, TheSelectionIsTheAreaOfItsModules)
{
    DemoWindow w;
    ASSERT_TRUE(w.window);
    GraphicView* view = w.window->graphicView();
    auto chorus = w.patch().findModuleByName("chl");
    ASSERT_TRUE(chorus);
    view->setSelection({chorus.get()});

    ScopedScriptedFileChooser chooser;
    chooser.answers.push_back((w.dir / "chl.png").string());
    answerDialog("PNG", true, 2);
    w.action("actionExportPicture")->trigger();
    const QImage picture(QString::fromStdString((w.dir / "chl.png").string()));
    ASSERT_FALSE(picture.isNull());

    // The box widened by its pins (87/7 each side, 1 above and below), in
    // whole points, at two pixels a point.
    const Rect box = view->canvasLayout().box(*chorus);
    const QRect area(QPoint(int(std::floor(box.x() - 87.0 / 7)), int(std::floor(box.y() - 1))),
                     QPoint(int(std::ceil(box.maxX() + 87.0 / 7)) - 1, int(std::ceil(box.maxY() + 1)) - 1));
    EXPECT_EQ(picture.size(), area.size() * 2);
    // Cut from the whole picture at the same place.
    SigFile& patch = w.patch();
    const QImage whole = CanvasRenderer(patch, patch.head().get(), w.window->graphicView()->showMode()).image(2);
    EXPECT_EQ(argb(picture), argb(whole.copy(QRect(area.topLeft() * 2, area.size() * 2))));
    EXPECT_TRUE(view->moduleIsSelected(chorus.get())) << "exporting changes no selection";
}

TEST(PictureExport, CopyPicturePutsAPngOnTheClipboard)
{
    DemoWindow w;
    ASSERT_TRUE(w.window);
    QApplication::clipboard()->clear();
    QAction* copy = w.action("actionCopyPicture");
    copy->trigger();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    ASSERT_TRUE(data->hasFormat("image/png"));
    QImage png;
    ASSERT_TRUE(png.loadFromData(data->data("image/png"), "PNG"));
    SigFile& patch = w.patch();
    EXPECT_EQ(argb(png), argb(CanvasRenderer(patch, patch.head().get(), w.window->graphicView()->showMode()).image(1)))
        << "nothing selected: the whole patch";
    EXPECT_TRUE(data->hasImage());

    auto chorus = patch.findModuleByName("chl");
    ASSERT_TRUE(chorus);
    w.window->graphicView()->setSelection({chorus.get()});
    copy->trigger();
    ASSERT_TRUE(png.loadFromData(QApplication::clipboard()->mimeData()->data("image/png"), "PNG"));
    const Rect box = w.window->graphicView()->canvasLayout().box(*chorus);
    EXPECT_EQ(png.height(), int(std::ceil(box.maxY() + 1)) - int(std::floor(box.y() - 1)))
        << "the selected module's area";
}

TEST(PictureExport, TheDialogOffersTheSelectionOnlyWithOne)
{
    for (bool hasSelection : {false, true}) {
        ExportPictureDialog dialog(hasSelection, {CanvasRenderer::Format::Svg, true, 3});
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        auto* selection = dialog.findChild<QRadioButton*>("selectionButton");
        ASSERT_TRUE(selection);
        EXPECT_EQ(selection->isEnabled(), hasSelection);
        const ExportPictureDialog::Choice c = dialog.choice();
        EXPECT_EQ(c.format, CanvasRenderer::Format::Svg);
        EXPECT_EQ(c.selectionOnly, hasSelection);
        EXPECT_EQ(c.scale, 3);
    }
}
