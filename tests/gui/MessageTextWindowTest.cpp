// SPDX-License-Identifier: GPL-3.0-or-later
// What the windows show of messages (UTF-8: paths, the localisation table)
// and of a patch's bytes (Latin-1), through the real alert panel.
#include "Toskfile/Module.h"
#include "Toskfile/SigDocument.h"
#include "app/DocumentController.h"
#include "app/MainMenuDelegate.h"
#include "app/QtAlerts.h"
#include "canvas/GraphicWindowController.h"
#include "gui/AppTestSupport.h"
#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>

using namespace tosk;

namespace {

// The real alert panel for the test's lifetime; each alert shown is noted
// and answered with its default button.
struct ShownAlerts {
    QtAlerts panel;
    std::vector<std::string> texts; // "title | text", UTF-8

    ShownAlerts() { Alerts::setShared(&panel); }
    ~ShownAlerts() { Alerts::setShared(nullptr); }
    // Runs `action`, which is to show exactly one alert.
    template <typename F> void expectOne(F action)
    {
        const size_t before = texts.size();
        test::whenShown<QMessageBox>([this](QMessageBox* box) {
            texts.push_back((box->windowTitle() + QStringLiteral(" | ") + box->text()).toStdString());
            box->defaultButton()->click();
        });
        action();
        EXPECT_EQ(texts.size(), before + 1);
    }
};

} // namespace

TEST(MessageTextWindow, PathsShowAsWrittenAndPatchBytesAsLatin1)
{
    test::App app;
    DocumentController& documents = *app.documents;
    test::TempDir& dir = app.dir;
    const std::filesystem::path folder = dir / "\xC3\x96lfass"; // "Ölfass", as the file system names it
    std::filesystem::create_directory(folder);
    const QString folderName = QString::fromUtf8(folder.string());
    ShownAlerts alerts;

    alerts.expectOne([&] { EXPECT_EQ(documents.openDocument(folderName + QStringLiteral("/none.sig")), nullptr); });
    ASSERT_EQ(alerts.texts.size(), 1u);
    EXPECT_EQ(alerts.texts.back(),
              "Error | The file \"" + folder.string() + "/none.sig\" could not be opened: No such file or directory");

    // A patch named "Öl" shows that name on its window.
    test::writeFile(folder / "\xC3\x96l.sig", test::readFile(test::dataPath("examples/demo.sig")));
    GraphicWindowController* window =
        documents.openDocument(folderName + QStringLiteral("/") + QChar(0xD6) + QStringLiteral("l.sig"));
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle().toStdString(), "\xC3\x96l");
    window->close();
    QApplication::processEvents();

    // The name of an operator read from a patch is Latin-1 text; the alert
    // that names it comes as the patch opens.
    test::writeFile(folder / "stereo.sig",
                    "ST\xC9R\xC9O x 1\r\n" + test::readFile(test::dataPath("examples/demo.sig")));
    GraphicWindowController* stereo = nullptr;
    alerts.expectOne([&] { stereo = documents.openDocument(folderName + QStringLiteral("/stereo.sig")); });
    ASSERT_TRUE(stereo);
    stereo->close();
    QApplication::processEvents();
    ASSERT_EQ(alerts.texts.size(), 2u);
    EXPECT_EQ(alerts.texts.back(),
              "Module Build | 'ST\xC3\x89R\xC3\x89O' is not a valid operator for this SigDatabase.");
}
