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

    // Its menus carry File > Quit with its shortcut.
    const auto menus = window.menuBar()->actions();
    ASSERT_EQ(menus.size(), 4) << "no Edit or Patch menu without a patch";
    EXPECT_EQ(menus[0]->text(), QStringLiteral("&File"));
    EXPECT_EQ(menus[2]->text(), QStringLiteral("&Window"));
    EXPECT_EQ(menus[3]->text(), QStringLiteral("&Help"));
    const auto items = menus[0]->menu()->actions();
    ASSERT_EQ(items.size(), 3) << "no placeholders for commands that do not exist yet";
    EXPECT_EQ(items[0]->text(), QStringLiteral("&Preferences..."));
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), QStringLiteral("&Quit"));
    EXPECT_EQ(items[2]->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_TRUE(items[2]->isEnabled());
    EXPECT_EQ(menus[1]->text(), QStringLiteral("&View"));
    const auto view = menus[1]->menu()->actions();
    ASSERT_EQ(view.size(), 1);
    EXPECT_EQ(view[0]->text(), QStringLiteral("Grid &Panel"));
    EXPECT_FALSE(view[0]->isEnabled()) << "until the grid panel is there";
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
    {
        ScopedRecordingAlerts alerts;
        const QRect row = list->visualItemRect(list->item(1));
        ASSERT_FALSE(row.isEmpty());
        // A double click: the press that selects, then the second click.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        EXPECT_TRUE(alerts.recorded.empty()) << "one click only selects";
        test::doubleClick(list->viewport(), row.center());
        ASSERT_EQ(alerts.recorded.size(), 1u);
        EXPECT_EQ(alerts.recorded[0].message, goneMessage);
    }
    // File > Open Recent says the same of it.
    {
        auto* menu = w.window->findChild<QMenu*>("menuOpenRecent");
        ASSERT_TRUE(menu);
        emit menu->aboutToShow();
        const QList<QAction*> actions = menu->actions();
        auto item = std::find_if(actions.begin(), actions.end(), [&](QAction* a) { return a->text() == gone; });
        ASSERT_NE(item, actions.end());
        ScopedRecordingAlerts alerts;
        (*item)->trigger();
        ASSERT_EQ(alerts.recorded.size(), 1u);
        EXPECT_EQ(alerts.recorded[0].message, goneMessage);
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
}

// Before any patch was opened the window says how to try the editor
// without a unit, where the recent patches will show.
TEST(StartWindow, WithoutRecentPatchesTellsHowToStart)
{
    Welcome w({});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    EXPECT_TRUE(w.window->findChild<QLabel*>("noRecentLabel")->isVisible());
    EXPECT_FALSE(w.window->findChild<QListWidget*>("recentList")->isVisible());
    auto* help = w.window->findChild<QLabel*>("tryWithoutUnitText");
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->text().contains("tosk-unit --link /tmp/unit"));
}
