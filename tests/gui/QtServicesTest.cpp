// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QSettingsStore.h"
#include "app/QtAlerts.h"
#include "app/QtFileChooser.h"
#include "app/QtMainThreadPoster.h"
#include "base/PreferenceController.h"

#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

using namespace tosk;

// Each alert as shown and the answer a press gives: a button by its text,
// Escape, or the window's close button. A generic title shows as the title
// of the alert's window, else in sentence case; an alert on a window is a
// sheet on it.
TEST(QtAlerts, ShowsTheAlertAndAnswersTheButtonPressedOrTheOneEscapeStandsFor)
{
    QtAlerts alerts;
    QWidget window;
    window.setWindowTitle(QStringLiteral("demo*"));
    window.show();
    int stray = 0; // a pointer that is no widget is not used as a window
    const std::vector<std::string> okCancel{"OK", "Cancel"}, recover{"Recover", "Discard", "Decide later"};
    struct Case {
        AlertStyle style;
        const char* title;
        std::vector<std::string> buttons;
        int escapeButton;
        const void* on;
        std::string press; // a button's text, "Escape" or "close"
        int answer;
        std::string shown; // title | sorted buttons | icon (1 information, 2 warning, 3 critical) | sheet
    };
    using enum AlertStyle;
    const Case cases[] = {
        {Critical, "ERROR", {}, -1, &window, "OK", 0, "demo* | OK | 3 | 1"},
        {Warning, "ALERT", {"Yes"}, -1, &window, "Yes", 0, "demo* | Yes | 2 | 1"},
        {Critical, "ERROR", {}, -1, &stray, "Escape", 0, "Error | OK | 3 | 0"},
        {Warning, "ALERT", {"OK"}, -1, nullptr, "OK", 0, "Alert | OK | 2 | 0"},
        {Informational, "Reposition Modules", okCancel, -1, &window, "Cancel", 1,
         "Reposition Modules | Cancel OK | 1 | 1"},
        {Informational, "Reposition Modules", okCancel, -1, nullptr, "Escape", 1,
         "Reposition Modules | Cancel OK | 1 | 0"},
        {Warning, "ALERT", recover, 2, nullptr, "Escape", 2, "Alert | Decide later Discard Recover | 2 | 0"},
        {Warning, "ALERT", recover, 2, nullptr, "close", 2, "Alert | Decide later Discard Recover | 2 | 0"},
    };
    const std::string message = "Are you sure you want to reposition the modules for untitled?";
    for (const Case& c : cases) {
        std::string shown;
        test::whenShown<QMessageBox>([&](QMessageBox* box) {
            QStringList buttons;
            for (QAbstractButton* b : box->buttons())
                buttons << b->text();
            buttons.sort();
            shown = (box->windowTitle() + " | " + buttons.join(' ')).toStdString() + " | " +
                    std::to_string(box->icon()) + " | " + std::to_string(box->windowModality() == Qt::WindowModal);
            EXPECT_EQ(box->text().toStdString(), message);
            if (c.press == "Escape")
                QTest::keyClick(box, Qt::Key_Escape);
            else if (c.press == "close")
                box->close();
            for (QAbstractButton* b : box->buttons())
                if (b->text().toStdString() == c.press)
                    b->click();
        });
        EXPECT_EQ(alerts.run({c.style, c.title, message, c.buttons, c.on, c.escapeButton}), c.answer)
            << c.shown << " by " << c.press;
        EXPECT_EQ(shown, c.shown);
    }
}

TEST(QtFileChooser, PanelsAskForOneFileOfTheTypeGivenAndSavingAddsTheExtension)
{
    test::TempDir dir;
    test::writeFile(dir / "units.sbf", "{}");
    QtFileChooser chooser;
    FileRequest request;
    request.title = "Open the operator database file";
    request.message = "Choose the operator database (sigdbase.sbf) before going on.";
    request.directory = dir.path().string();
    request.fileTypes = {"sbf"};

    std::string shown; // title | message | folder | filters
    test::whenShown<QFileDialog>([&](QFileDialog* dialog) {
        auto* label = dialog->findChild<QLabel*>(QStringLiteral("message"));
        shown = QStringList{dialog->windowTitle(), label ? label->text() : QString(),
                            dialog->directory().absolutePath(), dialog->nameFilters().join(' ')}
                    .join(" | ")
                    .toStdString();
        dialog->selectFile(QStringLiteral("units.sbf"));
        static_cast<QDialog*>(dialog)->accept(); // as the Open or Save button does
    });
    EXPECT_EQ(chooser.choose(request), (dir / "units.sbf").string());
    EXPECT_EQ(shown, request.title + " | " + request.message + " | " + request.directory + " | *.sbf");

    test::whenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(chooser.choose(request), std::nullopt) << "cancelled";

    // The save panel adds the extension.
    request.save = true;
    request.suggestedName = "downloaded";
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    test::whenShown<QFileDialog>([&](QFileDialog* dialog) {
        mode = dialog->acceptMode();
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(chooser.choose(request), (dir / "downloaded.sbf").string());
    EXPECT_EQ(mode, QFileDialog::AcceptSave);
}

TEST(QtMainThreadPoster, WorkFromAnotherThreadRunsInTheEventLoop)
{
    QtMainThreadPoster poster;
    std::thread::id ranOn;
    bool ran = false;
    std::thread worker([&] {
        poster.post([&] {
            ranOn = std::this_thread::get_id();
            ran = true;
        });
    });
    worker.join();
    EXPECT_FALSE(ran) << "nothing runs until the loop does";
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran; }));
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(QSettingsStore, PreferencesAndColoursSurviveARestart)
{
    test::TempDir dir;
    const QString ini = QString::fromStdString((dir / "Tosk.ini").string());
    const Color mine{0.25, 0.5, 0.75, 1};
    {
        QSettingsStore store(ini);
        PreferenceController prefs(store);
        prefs.setColorForId(mine, ci_selected);
        prefs.setSigDbaseLocation("/data/caf\xe9/sigdbase.sbf");
        prefs.setStopBits("1");
        store.sync();
    }
    QSettingsStore store(ini);
    PreferenceController prefs(store);
    EXPECT_EQ(prefs.colorForId(ci_selected), mine);
    EXPECT_EQ(prefs.sigDbaseLocation(), "/data/caf\xe9/sigdbase.sbf");
    EXPECT_EQ(prefs.stopBitsDefault(), "1") << "defaults are not written over the user's values";
}
