// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartWindow.h"
#include "Toskfile/SigDocument.h"
#include "app/DocumentController.h"
#include "app/MainMenuDelegate.h"
#include "base/Alerts.h"
#include "base/FileChooser.h"
#include "database/SigDbase.h"
#include "gui/AppTestSupport.h"
#include "gui/GuiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace tosk;

namespace {

QString labelText(const QWidget& window, const char* name)
{
    auto* label = window.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<missing %1>").arg(QString::fromLatin1(name));
}

} // namespace

TEST(StartWindow, ShowsTheDatabaseInUseAndCarriesFileQuitWithItsShortcut)
{
    // One operator and the VERSION operator; the loader adds the two nodes.
    const std::string bytes = "{\n{\n   TYPE:OPERATOR\n   OPERATOR_NAME:GAIN\n   OPERATOR_CLASS:MATH\n}\n}\n"
                              "{\n{\n   TYPE:OPERATOR\n   OPERATOR_NAME:VERSION\n   OPERATOR_CLASS:SYSTEM\n}\n"
                              "{\n   TYPE:ED_STRING\n   NAME:verse\n   DEFAULT:2.31\n}\n"
                              "{\n   TYPE:ED_STRING\n   NAME:date\n   DEFAULT:March 4, 2024\n}\n"
                              "{\n   TYPE:ED_STRING\n   NAME:name\n   DEFAULT:Fictional DSP-8 \xe9"
                              "dition\n}\n}\n";
    SigDbase database;
    database.setFullPathName("/opt/tosk/data/sigdbase.sbf");
    ASSERT_TRUE(database.createSigDbaseFromData(bytes));

    MainMenuDelegate delegate;
    StartWindow window(delegate, DatabaseSummary::of(database));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    EXPECT_EQ(labelText(window, "productValue"), QStringLiteral("Fictional DSP-8 \u00e9dition"));
    EXPECT_EQ(labelText(window, "versionValue"), QStringLiteral("2.31"));
    EXPECT_EQ(labelText(window, "dateValue"), QStringLiteral("March 4, 2024"));
    EXPECT_EQ(labelText(window, "operatorCountValue"), QStringLiteral("4"));
    EXPECT_EQ(labelText(window, "pathValue"), QStringLiteral("/opt/tosk/data/sigdbase.sbf"));
    auto* status = window.findChild<QLabel*>(QStringLiteral("databaseStatus"));
    ASSERT_TRUE(status);
    EXPECT_FALSE(status->isVisible());

    DatabaseSummary none;
    window.showDatabase(none);
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(status->text(), QStringLiteral("No operator database is loaded."));
    EXPECT_EQ(labelText(window, "productValue"), QStringLiteral("unknown"));
    EXPECT_EQ(labelText(window, "operatorCountValue"), QStringLiteral("0"));
    EXPECT_EQ(labelText(window, "pathValue"), QStringLiteral("unknown"));

    // Its menus: no Edit or Patch menu without a patch, no placeholders for
    // commands that do not exist yet.
    auto entries = [](QWidget* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isEnabled() ? "" : " (off)"));
        return out.join(", ").toStdString();
    };
    const auto menus = window.menuBar()->actions();
    EXPECT_EQ(entries(window.menuBar()), "&File, &View, &Window, &Help");
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(entries(menus[0]->menu()), "&Preferences..., -, &Quit");
    EXPECT_EQ(entries(menus[1]->menu()), "Grid &Panel (off)") << "until the grid panel is there";
    const auto view = menus[1]->menu()->actions();
    bool shown = false;
    delegate.setGridPanelHook([&shown, &window](QWidget* from) { shown = from == &window; });
    emit menus[1]->menu()->aboutToShow();
    ASSERT_TRUE(view[0]->isEnabled());
    view[0]->trigger();
    EXPECT_TRUE(shown);

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window.isVisible()) << "Quit closes the windows";
}

namespace {

// The welcome window of a real document controller, with recent patches
// of the test's own.
struct Welcome : test::App {
    std::unique_ptr<StartWindow> window;

    explicit Welcome(const QStringList& recent)
    {
        store.values[DocumentController::kRecentKey] = recent.join(QLatin1Char('\n')).toStdString();
        window = std::make_unique<StartWindow>(delegate, DatabaseSummary::of(*test::bundledDbase()));
        documents->setStartWindow(window.get());
        window->show();
    }
    ~Welcome()
    {
        closeWindows();
        window.reset();
    }
};

QString path(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

} // namespace

TEST(StartWindow, WelcomesWithNewOpenAndTheRecentPatches)
{
    test::TempDir files;
    std::filesystem::copy_file(test::dataPath("examples/demo.sig"), files / "demo.sig");
    const QString demo = path(files / "demo.sig"), gone = path(files / "gone.sig");
    Welcome w({demo, gone});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));

    auto* list = w.window->findChild<QListWidget*>("recentList");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->count(), 2);
    const QString folder = QDir::toNativeSeparators(path(files.path()));
    EXPECT_EQ(list->item(0)->text(), "demo.sig\n" + folder);
    EXPECT_EQ(list->item(1)->text(), "gone.sig (missing)\n" + folder);
    EXPECT_FALSE(list->item(0)->font().italic());
    EXPECT_TRUE(list->item(1)->font().italic()) << "a missing file looks unlike the others";
    EXPECT_EQ(list->item(1)->data(Qt::AccessibleTextRole).toString(), "gone.sig (missing), " + path(files.path()));
    EXPECT_FALSE(w.window->findChild<QLabel*>("noRecentLabel")->isVisible());

    // Opening the missing one says so, and loses nothing: no window, the
    // list as it was.
    const std::string goneMessage = "The patch \"gone.sig\" is no longer at " + files.path().string() +
                                    ": it was moved, renamed or deleted, or its disk is not mounted. It stays in the "
                                    "list of recent patches until you clear it.";
    auto* recentMenu = w.window->findChild<QMenu*>("menuOpenRecent");
    ASSERT_TRUE(recentMenu);
    auto recentItem = [recentMenu](const QString& text) -> QAction* {
        emit recentMenu->aboutToShow();
        for (QAction* a : recentMenu->actions())
            if (a->text() == text)
                return a;
        return nullptr;
    };
    {
        ScopedRecordingAlerts alerts;
        const QRect row = list->visualItemRect(list->item(1));
        ASSERT_FALSE(row.isEmpty());
        // A double click: the press that selects, then the second click.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        EXPECT_TRUE(alerts.recorded.empty()) << "one click only selects";
        test::doubleClick(list->viewport(), row.center());
        // File > Open Recent says the same of it.
        ASSERT_TRUE(recentItem(gone));
        recentItem(gone)->trigger();
        ASSERT_EQ(alerts.recorded.size(), 2u);
        EXPECT_EQ(alerts.recorded[0].message, goneMessage);
        EXPECT_EQ(alerts.recorded[1].message, goneMessage);
    }
    EXPECT_TRUE(w.documents->windows().empty());
    EXPECT_EQ(w.documents->recentDocuments(), QStringList({demo, gone}));
    EXPECT_EQ(list->count(), 2);

    // Enter opens the selected one.
    list->setFocus();
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(w.documents->windows().size(), 1u);
    EXPECT_EQ(w.documents->windows()[0]->sigDocument()->fileName(), files.path().string() + "/demo.sig");
    EXPECT_FALSE(w.window->isVisible()) << "the welcome window steps aside";

    // New and Open... from the buttons.
    w.window->show();
    auto* newButton = w.window->findChild<QPushButton*>("newButton");
    auto* openButton = w.window->findChild<QPushButton*>("openButton");
    ASSERT_TRUE(newButton);
    ASSERT_TRUE(openButton);
    QTest::mouseClick(newButton, Qt::LeftButton);
    ASSERT_EQ(w.documents->windows().size(), 2u);
    EXPECT_EQ(w.documents->windows()[1]->sigDocument()->fileName(), "");
    std::filesystem::copy_file(files / "demo.sig", files / "other.sig");
    {
        ScopedScriptedFileChooser chooser;
        chooser.answers.push_back((files / "other.sig").string());
        w.window->show();
        QTest::mouseClick(openButton, Qt::LeftButton);
        ASSERT_EQ(chooser.requests.size(), 1u);
    }
    ASSERT_EQ(w.documents->windows().size(), 3u);
    // The list follows the recent patches: the latest first.
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "other.sig\n" + folder);
    EXPECT_EQ(list->item(1)->text(), "demo.sig\n" + folder);

    // With no recent patches (the menu cleared) the window says how to try
    // the editor without a unit where they showed.
    ASSERT_TRUE(recentItem("&Clear Menu"));
    recentItem("&Clear Menu")->trigger();
    w.window->show();
    EXPECT_TRUE(w.window->findChild<QLabel*>("noRecentLabel")->isVisible());
    EXPECT_FALSE(list->isVisible());
    auto* help = w.window->findChild<QLabel*>("tryWithoutUnitText");
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->text().contains("tosk-unit --link /tmp/unit"));
}
