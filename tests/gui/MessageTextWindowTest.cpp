// SPDX-License-Identifier: GPL-3.0-or-later
// What the windows show of messages (UTF-8: paths, the localisation table)
// and of a patch's bytes (Latin-1), through the real alert panel and the
// text window.
#include "Toskfile/Module.h"
#include "app/QtAlerts.h"
#include "canvas/TextView.h"
#include "canvas/TextWindowController.h"
#include "gui/AppTestSupport.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

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
    // Runs `action`, which is to show exactly one alert, and gives its text.
    template <typename F> std::string one(F action)
    {
        const size_t before = texts.size();
        test::whenShown<QMessageBox>([this](QMessageBox* box) {
            texts.push_back((box->windowTitle() + QStringLiteral(" | ") + box->text()).toStdString());
            box->defaultButton()->click();
        });
        action();
        return texts.size() == before + 1 ? texts.back() : "not one alert";
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

    EXPECT_EQ(alerts.one([&] { EXPECT_EQ(documents.openDocument(folderName + QStringLiteral("/none.sig")), nullptr); }),
              "Error | The file \"" + folder.string() + "/none.sig\" could not be opened: No such file or directory");

    // A patch named "Öl" shows that name on its windows; its text window
    // shows the patch's Latin-1 bytes as written.
    test::writeFile(folder / "\xC3\x96l.sig", test::readFile(test::dataPath("examples/demo.sig")));
    GraphicWindowController* window =
        documents.openDocument(folderName + QStringLiteral("/") + QChar(0xD6) + QStringLiteral("l.sig"));
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle().toStdString(), "\xC3\x96l");
    QPointer<TextWindowController> text = TextWindowController::windowWithSigDocument(
        window->document(), [](SigDocument&) { return std::string("HEADM adc \"Caf\xe9 \xbd\"\r\nTAIL tail\r\n"); });
    ASSERT_TRUE(text);
    EXPECT_EQ(text->windowTitle().toStdString(), "\xC3\x96l");
    EXPECT_EQ(text->textView()->toPlainText().toStdString(), "HEADM adc \"Caf\xC3\xA9 \xC2\xBD\"\nTAIL tail\n");
    delete text.data();
    window->close();
    QApplication::processEvents();

    // The name of an operator read from a patch is Latin-1 text; the alert
    // that names it comes as the patch opens.
    test::writeFile(folder / "stereo.sig",
                    "ST\xC9R\xC9O x 1\r\n" + test::readFile(test::dataPath("examples/demo.sig")));
    GraphicWindowController* stereo = nullptr;
    EXPECT_EQ(alerts.one([&] { stereo = documents.openDocument(folderName + QStringLiteral("/stereo.sig")); }),
              "Module Build | 'ST\xC3\x89R\xC3\x89O' is not a valid operator for this SigDatabase.");
    ASSERT_TRUE(stereo);
    stereo->close();
    QApplication::processEvents();
}
