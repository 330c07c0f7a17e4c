// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QSettingsStore.h"
#include "app/QtAlerts.h"
#include "app/QtFileChooser.h"
#include "app/QtMainThreadPoster.h"
#include "base/PreferenceController.h"

#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

using namespace tosk;

TEST(QtAlerts, AGenericTitleShowsAsTheWindowsOwnElseInSentenceCase)
{
    QtAlerts alerts;
    QWidget window;
    window.setWindowTitle(QStringLiteral("demo*"));
    window.show();
    struct Case {
        const char* title;
        const QWidget* on;
        const char* shown;
    } cases[] = {
        {"ERROR", &window, "demo*"},
        {"ALERT", &window, "demo*"},
        {"ERROR", nullptr, "Error"},
        {"ALERT", nullptr, "Alert"},
        {"Reposition Modules", &window, "Reposition Modules"},
    };
    for (const Case& c : cases) {
        QString title;
        test::whenShown<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            box->buttons().front()->click();
        });
        alerts.run({AlertStyle::Critical, c.title, "The unit did not answer.", {"OK"}, c.on});
        EXPECT_EQ(title.toStdString(), c.shown) << c.title;
    }
}

TEST(QtAlerts, ShowsTitleMessageAndButtonsAndAnswersThePressedOne)
{
    QtAlerts alerts;
    QWidget window;
    window.show();
    QString title, text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::WindowModality modality = Qt::NonModal;
    test::whenShown<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        modality = box->windowModality();
        for (QAbstractButton* b : box->buttons())
            buttons << b->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QStringLiteral("Cancel"))
                b->click();
    });
    int pressed = alerts.run({AlertStyle::Informational,
                              "Reposition Modules",
                              "Are you sure you want to reposition the modules for untitled?",
                              {"OK", "Cancel"},
                              &window});
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(title, QStringLiteral("Reposition Modules"));
    EXPECT_EQ(text, QStringLiteral("Are you sure you want to reposition the modules for untitled?"));
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_EQ(modality, Qt::WindowModal) << "an alert on a window is a sheet on it";
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("Cancel"), QStringLiteral("OK")}));

    test::whenShown<QMessageBox>([&](QMessageBox* box) {
        icon = box->icon();
        modality = box->windowModality();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    int stray = 0;
    pressed = alerts.run({AlertStyle::Critical, "ERROR", "Unknown Field Type", {}, &stray});
    EXPECT_EQ(pressed, 0) << "Escape presses the only button, OK";

    // Without a Cancel, Escape and the window's close button answer the
    // button the caller named, never the first.
    for (bool close : {false, true}) {
        test::whenShown<QMessageBox>([&](QMessageBox* box) {
            if (close)
                box->close();
            else
                QTest::keyClick(box, Qt::Key_Escape);
        });
        AlertRequest request{AlertStyle::Warning, "ALERT", "Recover?", {"Recover", "Discard", "Decide later"}};
        request.escapeButton = 2;
        EXPECT_EQ(alerts.run(request), 2) << (close ? "closed" : "Escape");
    }
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(modality, Qt::ApplicationModal) << "a pointer that is no widget is not used as a window";
}

TEST(QtFileChooser, PanelsAskForOneFileOfTheTypeGivenAndSavingAddsTheExtension)
{
    test::TempDir dir;
    test::writeFile(dir / "units.sbf", "{}");
    test::writeFile(dir / "notes.txt", "");
    QtFileChooser chooser;
    FileRequest request;
    request.title = "Open the operator database file";
    request.message = "Choose the operator database (sigdbase.sbf) before going on.";
    request.directory = dir.path().string();
    request.fileTypes = {"sbf"};

    QString title, message, directory;
    QStringList filters;
    test::whenShown<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        auto* label = dialog->findChild<QLabel*>(QStringLiteral("message"));
        message = label ? label->text() : QString();
        directory = dialog->directory().absolutePath();
        filters = dialog->nameFilters();
        dialog->selectFile(QStringLiteral("units.sbf"));
        static_cast<QDialog*>(dialog)->accept(); // as the Open or Save button does
    });
    EXPECT_EQ(chooser.choose(request), (dir / "units.sbf").string());
    EXPECT_EQ(title, QString::fromStdString(request.title));
    EXPECT_EQ(message, QString::fromStdString(request.message));
    EXPECT_EQ(directory, QString::fromStdString(dir.path().string()));
    EXPECT_EQ(filters, QStringList{QStringLiteral("*.sbf")});

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
    EXPECT_EQ(prefs.baudRateDefault(), "115200");
}
