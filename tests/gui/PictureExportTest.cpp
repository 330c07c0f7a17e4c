// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of a patch's canvas: File ▸ Export Picture…, Edit ▸ Copy Picture,
// and tosk-cli render, which draws them without a display.
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

#include <cmath>

using namespace tosk;
using test::quoted;
namespace fs = std::filesystem;

namespace {

QImage argb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage argb(const fs::path& file)
{
    return argb(QImage(QString::fromStdString(file.string())));
}

// What the painters draw of the whole patch.
QImage canvas(SigFile& patch, int showMode, double scale = 1)
{
    return argb(CanvasRenderer(patch, patch.head().get(), showMode).image(scale));
}

// The demo patch open in its window, as the editor opens it.
struct DemoWindow : test::DemoPatchApp {
    ScopedScriptedFileChooser chooser;
    QAction* action(const char* name) { return test::menuAction(*window, name); }
    SigFile& patch() const { return *window->graphicView()->sigFile(); }
    QImage canvas(double scale) const { return ::canvas(patch(), window->graphicView()->showMode(), scale); }
    // File ▸ Export Picture…, the dialog and the file panel answered so.
    void exportAs(const QString& format, bool selection, double scale, const fs::path& file)
    {
        chooser.answers.push_back(file.string());
        test::whenShown<ExportPictureDialog>([=](ExportPictureDialog* dialog) {
            dialog->findChild<QComboBox*>("formatBox")->setCurrentText(format);
            dialog->findChild<QRadioButton*>(selection ? "selectionButton" : "wholePatchButton")->setChecked(true);
            dialog->findChild<QDoubleSpinBox*>("scaleBox")->setValue(scale);
            dialog->accept();
        });
        action("actionExportPicture")->trigger();
    }
};

// The PNG on the clipboard, when the toolkit's image form is there too.
QImage copiedPicture()
{
    QImage png;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (data && data->hasImage())
        png.loadFromData(data->data("image/png"), "PNG");
    return argb(png);
}

// tosk-cli render with the bundled database.
test::CliRun render(const std::string& args, const std::string& env = {})
{
    return test::runCli("render " + args + " --db " + quoted(test::dataPath("sigdbase.sbf")), env);
}

} // namespace

TEST(PictureExport, ExportsWhatTheCanvasDrawsBesideThePatch)
{
    DemoWindow w;
    ASSERT_TRUE(w.window);
    // PNG at scale 1: a name without extension gets ".png".
    w.exportAs("PNG", false, 1, w.dir / "menu");
    ASSERT_EQ(w.chooser.requests.size(), 1u);
    EXPECT_TRUE(w.chooser.requests[0].save);
    EXPECT_EQ(w.chooser.requests[0].suggestedName, "demo.png");
    EXPECT_EQ(w.chooser.requests[0].fileTypes, std::vector<std::string>{"png"});
    EXPECT_EQ(w.chooser.requests[0].directory, fs::path(test::dataPath("examples")).string()) << "beside the patch";
    const QImage menu = argb(w.dir / "menu.png");
    EXPECT_EQ(menu, w.canvas(1));

    // SVG at scale 2, a document a renderer reads, twice the size.
    w.exportAs("SVG", false, 2, w.dir / "menu.svg");
    EXPECT_EQ(w.chooser.requests.back().suggestedName, "demo.svg");
    QSvgRenderer svg(QString::fromStdString((w.dir / "menu.svg").string()));
    EXPECT_EQ(svg.viewBoxF(), QRectF(QPointF(0, 0), QSizeF(menu.size() * 2)));

    // A folder that is not there: told why, nothing written.
    ScopedRecordingAlerts alerts;
    w.exportAs("PNG", false, 1, w.dir / "none" / "x.png");
    ASSERT_EQ(alerts.recorded.size(), 1u);
    EXPECT_TRUE(alerts.recorded[0].message.starts_with("The picture could not be written to \"" +
                                                       (w.dir / "none" / "x.png").string() + "\": "))
        << alerts.recorded[0].message;
    EXPECT_FALSE(fs::exists(w.dir / "none"));
    EXPECT_FALSE(w.window->sigDocument()->isDocumentEdited()) << "a picture changes nothing in the patch";
}

TEST(PictureExport, TheSelectionIsTheAreaOfItsModulesInAFileAndOnTheClipboard)
{
    DemoWindow w;
    ASSERT_TRUE(w.window);
    QApplication::clipboard()->clear();
    w.action("actionCopyPicture")->trigger();
    EXPECT_EQ(copiedPicture(), w.canvas(1)) << "nothing selected: the whole patch";
    QString error;
    EXPECT_FALSE(PictureExport::write(*w.window, {CanvasRenderer::Format::Png, true, 1},
                                      QString::fromStdString((w.dir / "x.png").string()), error));
    EXPECT_EQ(error, "no module is selected");

    GraphicView* view = w.window->graphicView();
    auto chorus = w.patch().findModuleByName("chl");
    ASSERT_TRUE(chorus);
    view->setSelection({chorus.get()});
    w.exportAs("PNG", true, 2, w.dir / "chl.png");
    // The box widened by its pins (87/7 each side, 1 above and below), in
    // whole points, cut from the whole picture at two pixels a point.
    const Rect box = view->canvasLayout().box(*chorus);
    const QRect area(QPoint(int(std::floor(box.x() - 87.0 / 7)), int(std::floor(box.y() - 1))),
                     QPoint(int(std::ceil(box.maxX() + 87.0 / 7)) - 1, int(std::ceil(box.maxY() + 1)) - 1));
    EXPECT_EQ(argb(w.dir / "chl.png"), w.canvas(2).copy(QRect(area.topLeft() * 2, area.size() * 2)));
    EXPECT_TRUE(view->moduleIsSelected(chorus.get())) << "exporting changes no selection";
    w.action("actionCopyPicture")->trigger();
    EXPECT_EQ(copiedPicture().size(), area.size()) << "the selected modules' area";
}

TEST(PictureExport, TheDialogOffersTheSelectionOnlyWithOne)
{
    for (bool hasSelection : {false, true}) {
        ExportPictureDialog dialog(hasSelection, {CanvasRenderer::Format::Svg, true, 3});
        auto* selection = dialog.findChild<QRadioButton*>("selectionButton");
        ASSERT_TRUE(selection);
        EXPECT_EQ(selection->isEnabled(), hasSelection);
        const ExportPictureDialog::Choice c = dialog.choice();
        EXPECT_EQ(std::tuple(c.format, c.selectionOnly, c.scale),
                  std::tuple(CanvasRenderer::Format::Svg, hasSelection, 3.0));
    }
}

TEST(RenderCommand, DrawsAsTheCanvasDoesAndSaysTheSizeWritten)
{
    test::TempDir dir;
    const std::string demo = test::dataPath("examples/demo.sig");
    auto run = render(quoted(demo) + " -o " + quoted((dir / "demo.png").string()), "QT_QPA_PLATFORM=");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "") << "no toolkit chatter";
    const QImage picture = argb(dir / "demo.png");
    EXPECT_EQ(run.out, (dir / "demo.png").string() + ": " + std::to_string(picture.width()) + " x " +
                           std::to_string(picture.height()) + "\n");
    SigDocument document;
    document.setSigDbase(test::bundledDbase());
    ASSERT_TRUE(document.readFromFile(demo));
    EXPECT_EQ(picture, canvas(*document.sigFile(), SigFile::kDefaultShowMode)) << "the painters' pixels";

    run = render(quoted(demo) + " -o " + quoted((dir / "demo.svg").string()) +
                 " --scale 2 --show-mode 0xff --select chl");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, (dir / "demo.svg").string() + ": " + std::to_string(picture.width() * 2) + " x " +
                           std::to_string(picture.height() * 2) + "\n")
        << "twice the size, order badges inside the same extent";
    EXPECT_NE(test::readFile(dir / "demo.svg").find("CHORUS"), std::string::npos) << "module titles as text";

    // An empty patch is a blank box: the head's column (360/7 + 16 points)
    // wide, one head box high.
    const std::string sig = quoted((dir / "empty.sig").string()), png = (dir / "empty.png").string(),
                      svg = (dir / "empty.svg").string();
    QImage white(68, 16, QImage::Format_ARGB32);
    white.fill(Qt::white);
    for (const std::string text : {"", "; nothing but a comment\r\n"}) {
        test::writeFile(dir / "empty.sig", text);
        run = render(sig + " -o " + quoted(png));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, png + ": 68 x 16\n");
        EXPECT_EQ(argb(png), white) << text;
        run = render(sig + " -o " + quoted(svg) + " --scale 2");
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, svg + ": 136 x 32\n");
        EXPECT_NE(test::readFile(svg).find("viewBox=\"0 0 136 32\""), std::string::npos);
    }
}

TEST(RenderCommand, SaysWhatIsWrong)
{
    test::TempDir dir;
    const std::string path = test::dataPath("examples/demo.sig"), demo = quoted(path);
    const std::string png = " -o " + quoted((dir / "x.png").string()), none = (dir / "none.sig").string();
    const std::pair<std::string, std::string> cases[] = {
        {demo + " -o " + quoted((dir / "x.gif").string()),
         "cannot write " + (dir / "x.gif").string() + ": the picture's name must end in .png or .svg"},
        {quoted(none) + png, none + ": No such file or directory"},
        {demo + png + " --select nobody", "no module named 'nobody' in " + path},
        {demo + png + " --scale 0", "--scale takes a number above 0 and at most 16, not '0'"},
        {demo + png + " --show-mode lots", "--show-mode takes an integer (the show-mode bits), not 'lots'"},
        {demo + png + " --show-mode=", "--show-mode takes an integer (the show-mode bits), not ''"},
        {demo, "usage: tosk-cli render [--db PATH] FILE -o OUT.png|OUT.svg [--show-mode N] [--scale S] "
               "[--select INSTANCE]"},
    };
    for (const auto& [args, error] : cases) {
        auto run = render(args);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_EQ(run.err, "tosk-cli render: " + error + "\n") << args;
    }
    EXPECT_FALSE(fs::exists(dir / "x.png")) << "no picture from a failed run";
}
