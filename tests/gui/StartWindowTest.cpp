// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartWindow.h"
#include "Toskfile/SigDocument.h"
#include "app/DocumentController.h"
#include "app/MainMenuDelegate.h"
#include "base/Alerts.h"
#include "base/FileChooser.h"
#include "database/SbfText.h"
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
using namespace tosk::test;

namespace {

// The items of a menu or menu bar as a user reads them, "(off)" when
// disabled, separators as "-".
std::string menuItems(const QWidget* menu)
{
    QStringList items;
    for (QAction* a : menu->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isEnabled() ? "" : " (off)"));
    return items.join(", ").toStdString();
}

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

TEST(StartWindow, ShowsTheDatabaseInUseAndCarriesFileQuitWithItsShortcut)
{
    // One operator and the VERSION operator; the loader adds the two nodes.
    SigDbase database;
    database.setFullPathName("/opt/tosk/data/sigdbase.sbf");
    const std::string version = "TYPE:OPERATOR|OPERATOR_NAME:VERSION|OPERATOR_CLASS:SYSTEM;TYPE:ED_STRING|NAME:verse|"
                                "DEFAULT:2.31;TYPE:ED_STRING|NAME:date|DEFAULT:March 4, 2024;"
                                "TYPE:ED_STRING|NAME:name|DEFAULT:Fictional DSP-8 \351dition";
    ASSERT_TRUE(database.createSigDbaseFromData(
        sbfOperator(sbfEntries("TYPE:OPERATOR|OPERATOR_NAME:GAIN|OPERATOR_CLASS:MATH")) +
        sbfOperator(sbfEntries(version))));

    MainMenuDelegate delegate;
    StartWindow window(delegate, DatabaseSummary::of(database));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const auto values = [&window] {
        QStringList texts;
        for (const char* name : {"productValue", "versionValue", "dateValue", "operatorCountValue", "pathValue"})
            texts << named<QLabel>(&window, name)->text();
        return texts.join(" | ");
    };
    EXPECT_EQ(values(), "Fictional DSP-8 \u00e9dition | 2.31 | March 4, 2024 | 4 | /opt/tosk/data/sigdbase.sbf");
    auto* status = named<QLabel>(&window, "databaseStatus");
    EXPECT_FALSE(status->isVisible());

    window.showDatabase(DatabaseSummary{});
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(status->text(), QStringLiteral("No operator database is loaded."));
    EXPECT_EQ(values(), "unknown | unknown | unknown | 0 | unknown");

    // Its menus: no Edit or Patch menu without a patch, no placeholders for
    // commands that do not exist yet.
    const auto menus = window.menuBar()->actions();
    EXPECT_EQ(menuItems(window.menuBar()), "&File, &View, &Window, &Help");
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(menuItems(menus[3]->menu()), "Tosk &Help, &Operator Reference, &Keyboard Shortcuts, -, &About Tosk");
    EXPECT_EQ(menuItems(menus[0]->menu()), "&Preferences..., -, &Quit");
    EXPECT_EQ(menuItems(menus[1]->menu()), "Grid &Panel (off)") << "until the grid panel is there";
    bool shown = false;
    delegate.setGridPanelHook([&shown, &window](QWidget* from) { shown = from == &window; });
    emit menus[1]->menu()->aboutToShow();
    ASSERT_EQ(menuItems(menus[1]->menu()), "Grid &Panel");
    menus[1]->menu()->actions()[0]->trigger();
    EXPECT_TRUE(shown);

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window.isVisible()) << "Quit closes the windows";
}

TEST(StartWindow, WelcomesWithNewOpenAndTheRecentPatches)
{
    test::TempDir files;
    std::filesystem::copy_file(test::dataPath("examples/demo.sig"), files / "demo.sig");
    const QString demo = path(files / "demo.sig"), gone = path(files / "gone.sig");
    Welcome w({demo, gone});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));

    auto* list = named<QListWidget>(w.window.get(), "recentList");
    // Each row's text, a missing file's in italics to look unlike the others.
    const auto rows = [list] {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text() + (list->item(i)->font().italic() ? " (italic)" : "");
        return texts;
    };
    const QString folder = QDir::toNativeSeparators(path(files.path()));
    const QStringList listed{"demo.sig\n" + folder, "gone.sig (missing)\n" + folder + " (italic)"};
    ASSERT_EQ(rows(), listed);
    EXPECT_EQ(list->item(1)->data(Qt::AccessibleTextRole).toString(), "gone.sig (missing), " + path(files.path()));
    EXPECT_FALSE(named<QLabel>(w.window.get(), "noRecentLabel")->isVisible());

    // Opening the missing one says so, and loses nothing: no window, the
    // list as it was.
    const std::string goneAlert = "Critical | ERROR | The patch \"gone.sig\" is no longer at " + files.path().string() +
                                  ": it was moved, renamed or deleted, or its disk is not mounted. It stays in the "
                                  "list of recent patches until you clear it. | OK";
    auto* recentMenu = named<QMenu>(w.window.get(), "menuOpenRecent");
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
        EXPECT_EQ(alertLines(alerts.recorded), std::vector<std::string>(2, goneAlert));
    }
    EXPECT_TRUE(w.documents->windows().empty());
    EXPECT_EQ(w.documents->recentDocuments(), QStringList({demo, gone}));
    EXPECT_EQ(rows(), listed);

    // Enter opens the selected one.
    list->setFocus();
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(w.documents->windows().size(), 1u);
    EXPECT_EQ(w.documents->windows()[0]->sigDocument()->fileName(), files.path().string() + "/demo.sig");
    EXPECT_FALSE(w.window->isVisible()) << "the welcome window steps aside";

    // New and Open... from the buttons.
    w.window->show();
    QTest::mouseClick(named<QPushButton>(w.window.get(), "newButton"), Qt::LeftButton);
    ASSERT_EQ(w.documents->windows().size(), 2u);
    EXPECT_EQ(w.documents->windows()[1]->sigDocument()->fileName(), "");
    std::filesystem::copy_file(files / "demo.sig", files / "other.sig");
    {
        ScopedScriptedFileChooser chooser;
        chooser.answers.push_back((files / "other.sig").string());
        w.window->show();
        QTest::mouseClick(named<QPushButton>(w.window.get(), "openButton"), Qt::LeftButton);
        ASSERT_EQ(chooser.requests.size(), 1u);
    }
    ASSERT_EQ(w.documents->windows().size(), 3u);
    // The list follows the recent patches: the latest first.
    EXPECT_EQ(rows(), QStringList{"other.sig\n" + folder} + listed);

    // With no recent patches (the menu cleared) the window says how to try
    // the editor without a unit where they showed.
    ASSERT_TRUE(recentItem("&Clear Menu"));
    recentItem("&Clear Menu")->trigger();
    w.window->show();
    EXPECT_TRUE(named<QLabel>(w.window.get(), "noRecentLabel")->isVisible());
    EXPECT_FALSE(list->isVisible());
    EXPECT_TRUE(named<QLabel>(w.window.get(), "tryWithoutUnitText")->text().contains("tosk-unit --link /tmp/unit"));
}
