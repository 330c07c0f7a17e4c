// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-cli render: the canvas of a patch as PNG or SVG, without a display.
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "canvas/CanvasRenderer.h"
#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace tosk;

TEST(RenderCommand, DrawsTheDemoAsTheCanvasDoes)
{
    test::TempDir dir;
    const std::string demo = test::dataPath("examples/demo.sig");
    const std::string db = " --db '" + test::dataPath("sigdbase.sbf") + "'";
    auto run = test::runCli("render '" + demo + "' -o '" + (dir / "demo.png").string() + "'" + db, "QT_QPA_PLATFORM=");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "") << "no toolkit chatter";
    QImage picture(QString::fromStdString((dir / "demo.png").string()));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(run.out, (dir / "demo.png").string() + ": " + std::to_string(picture.width()) + " x " +
                           std::to_string(picture.height()) + "\n");

    // The same pixels as the painters give in this process.
    SigDocument document;
    document.setSigDbase(test::bundledDbase());
    ASSERT_TRUE(document.readFromFile(demo));
    SigFile& patch = *document.sigFile();
    QImage expected = CanvasRenderer(patch, patch.head().get(), SigFile::kDefaultShowMode).image();
    EXPECT_EQ(picture.convertToFormat(QImage::Format_ARGB32), expected.convertToFormat(QImage::Format_ARGB32));

    run = test::runCli("render '" + demo + "' -o '" + (dir / "demo.svg").string() +
                       "' --scale 2 --show-mode 0xff --select chl" + db);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, (dir / "demo.svg").string() + ": " + std::to_string(picture.width() * 2) + " x " +
                           std::to_string(picture.height() * 2) + "\n")
        << "twice the size, order badges inside the same extent";
    const std::string svg = test::readFile(dir / "demo.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("CHORUS"), std::string::npos);
}

TEST(RenderCommand, SaysWhatIsWrong)
{
    test::TempDir dir;
    const std::string demo = test::quoted(test::dataPath("examples/demo.sig"));
    const std::string db = " --db '" + test::dataPath("sigdbase.sbf") + "'";
    const std::string png = " -o '" + (dir / "x.png").string() + "'";
    struct Case {
        std::string args, error;
    };
    const Case cases[] = {
        {demo + " -o '" + (dir / "x.gif").string() + "'" + db, "tosk-cli render: cannot write " +
                                                                   (dir / "x.gif").string() +
                                                                   ": the picture's name must end in .png or .svg\n"},
        {test::quoted((dir / "none.sig").string()) + png + db,
         "tosk-cli render: " + (dir / "none.sig").string() + ": No such file or directory\n"},
        {demo + png + " --select nobody" + db,
         "tosk-cli render: no module named 'nobody' in " + test::dataPath("examples/demo.sig") + "\n"},
        {demo + png + " --scale 0" + db, "tosk-cli render: --scale takes a number above 0 and at most 16, not '0'\n"},
        {demo + png + " --show-mode lots" + db,
         "tosk-cli render: --show-mode takes an integer (the show-mode bits), not 'lots'\n"},
        {demo + db,
         "tosk-cli render: usage: tosk-cli render [--db PATH] FILE -o OUT.png|OUT.svg [--show-mode N] [--scale S] "
         "[--select INSTANCE]\n"},
    };
    for (const Case& c : cases) {
        auto run = test::runCli("render " + c.args);
        EXPECT_EQ(run.status, 1) << c.args;
        EXPECT_EQ(run.err, c.error) << c.args;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "x.png")) << "no picture from a failed run";
}

TEST(RenderCommand, AnEmptyPatchIsABlankBoxAndTheSizeSaidIsTheSizeWritten)
{
    test::TempDir dir;
    const std::string db = " --db " + test::quoted(test::dataPath("sigdbase.sbf"));
    for (const std::string text : {"", "; nothing but a comment\r\n"}) {
        test::writeFile(dir / "empty.sig", text);
        const std::string png = (dir / "empty.png").string(), svg = (dir / "empty.svg").string();
        // The head's column (360/7 + 16 points) wide, one head box high.
        auto run =
            test::runCli("render " + test::quoted((dir / "empty.sig").string()) + " -o " + test::quoted(png) + db);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, png + ": 68 x 16\n");
        QImage picture(QString::fromStdString(png));
        ASSERT_EQ(picture.size(), QSize(68, 16)) << text;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                ASSERT_EQ(picture.pixelColor(x, y), QColor(Qt::white)) << x << "," << y;

        run = test::runCli("render " + test::quoted((dir / "empty.sig").string()) + " -o " + test::quoted(svg) +
                           " --scale 2" + db);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, svg + ": 136 x 32\n");
        EXPECT_NE(test::readFile(svg).find("viewBox=\"0 0 136 32\""), std::string::npos);
    }
}
