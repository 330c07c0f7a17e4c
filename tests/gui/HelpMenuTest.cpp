// SPDX-License-Identifier: GPL-3.0-or-later
// The Help menu of every window, Ctrl+K, and the help pages the panels open.
#include "app/KeyboardShortcutsDialog.h"
#include "app/MainMenuDelegate.h"
#include "app/StartWindow.h"
#include "base/Version.h"
#include "browsers/MyOutlineView.h"
#include "browsers/TreeNodeModel.h"
#include "database/HelpBook.h"
#include "editors/AddModuleController.h"
#include "editors/EditModuleController.h"
#include "editors/HelpWindow.h"
#include "editors/MiscHelpManager.h"
#include "gui/AppTestSupport.h"
#include "gui/CanvasTestSupport.h"

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>

#include <filesystem>

using namespace tosk;
using namespace tosk::test;

namespace {

// A patch window with the application's menus whose inspector opens.
struct MenuWindow : AppMenuWindow {
    MenuWindow()
    {
        window->hooks().inspectModule = [](GraphicWindowController& w, Module& m) { EditModuleController::open(w, m); };
    }
};

QStringList itemsOf(QMenuBar* bar, const char* menuName)
{
    QStringList items;
    auto* menu = bar->findChild<QMenu*>(QString::fromLatin1(menuName));
    if (!menu)
        return items;
    for (QAction* a : menu->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return items;
}

std::string pageFile(const HelpWindow& window)
{
    return std::filesystem::path(window.browser()->source().toLocalFile().toStdString()).filename().string();
}

} // namespace

TEST(HelpMenu, EveryWindowHasIt)
{
    const QStringList expected{"Tosk &Help", "&Operator Reference", "&Keyboard Shortcuts", "-", "&About Tosk"};
    MenuWindow w;
    EXPECT_EQ(itemsOf(w.window->menuBar(), "menuHelp"), expected);
    StartWindow start(menuDelegate(), DatabaseSummary{});
    EXPECT_EQ(itemsOf(start.menuBar(), "menuHelp"), expected);
}

TEST(HelpMenu, TheReferenceAndTheModulesPagesOpenInTheHelpWindow)
{
    MiscHelpManager& help = MiscHelpManager::sharedHelpManager();
    help.setSigDbase(bundledDbase());
    MenuWindow w;
    w.action("actionOperatorReference")->trigger();
    HelpWindow* window = help.helpWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->browser()->documentTitle(), "Operator Reference");
    EXPECT_EQ(pageFile(*window), "index.htm");
    // Tosk Help is the user guide that the build put into the book.
    w.action("actionToskHelp")->trigger();
    ASSERT_FALSE(HelpBook::userGuideIndex().empty());
    EXPECT_EQ(window->browser()->source().toLocalFile().toStdString(), HelpBook::userGuideIndex());

    // With one module selected, the reference opens at its operator.
    w.select({"osc"});
    w.action("actionOperatorReference")->trigger();
    EXPECT_EQ(pageFile(*window), "idh_SINE.htm");
    w.select({"g"});
    w.action("actionOperatorReference")->trigger();
    EXPECT_EQ(pageFile(*window), "idh_GAIN.htm");

    // The inspector's Help shows the page of the module's operator.
    w.select({"osc"});
    w.action("actionInspectModule")->trigger();
    EditModuleController* panel = EditModuleController::controllerFor(w.module("osc"));
    ASSERT_TRUE(panel);
    QTest::mouseClick(panel->moduleInfoButton(), Qt::LeftButton);
    EXPECT_EQ(pageFile(*window), "idh_SINE.htm");
    panel->close();

    // The add-module panel's Help: an operator's page, a class's page.
    AddModuleController adder;
    adder.setSigDbase(bundledDbase());
    QTest::keyClicks(adder.searchField(), "lowpass");
    adder.moduleInfoAction();
    EXPECT_EQ(pageFile(*window), "idh_LOWPASS.htm");
    adder.searchField()->clear();
    TreeNodeModel* model = adder.treeModel();
    for (int r = 0; r < model->rowCount(); ++r)
        if (model->index(r, 0).data().toString() == "FILTER")
            adder.moduleView()->setCurrentIndex(model->index(r, 0));
    adder.moduleInfoAction();
    EXPECT_EQ(pageFile(*window), "idh_filter_modules.htm");
    window->close();
}

TEST(HelpMenu, CtrlKOpensTheAddModulePanelOnThisWindowReadyToSearch)
{
    MenuWindow w;
    QTest::keyClick(w.window, Qt::Key_K, Qt::ControlModifier);
    AddModuleController& panel = AddModuleController::sharedAddModuleController();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.inspectingGraphicView(), w.view);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&panel));
    EXPECT_EQ(QApplication::focusWidget(), panel.searchField());
    // What is typed goes to the search, Return adds to this window's patch.
    w.select({"osc"});
    QTest::keyClicks(panel.searchField(), "lowpass");
    QTest::keyClick(panel.searchField(), Qt::Key_Return);
    EXPECT_TRUE(w.patch().findModuleByName("lowpass"));
    panel.searchField()->clear();
    panel.close();
}

TEST(HelpMenu, KeyboardShortcutsListsTheMenusKeys)
{
    MenuWindow w;
    const auto rows = KeyboardShortcutsDialog::shortcutsOf(w.window->menuBar());
    auto keysOf = [&rows](const QString& command) {
        for (const auto& [path, keys] : rows)
            if (path == command)
                return keys;
        return QString();
    };
    EXPECT_EQ(keysOf(QStringLiteral("Patch \u25B8 Add Module...")),
              QKeySequence("Ctrl+K").toString(QKeySequence::NativeText));
    EXPECT_EQ(keysOf(QStringLiteral("Patch \u25B8 Inspect Module")),
              QKeySequence("Ctrl+I").toString(QKeySequence::NativeText));
    EXPECT_EQ(keysOf(QStringLiteral("File \u25B8 Quit")), QKeySequence("Ctrl+Q").toString(QKeySequence::NativeText));
    // Items without keys are not listed.
    EXPECT_EQ(keysOf(QStringLiteral("Patch \u25B8 re-Position")), QString());

    w.action("actionKeyboardShortcuts")->trigger();
    KeyboardShortcutsDialog* dialog = w.window->findChild<KeyboardShortcutsDialog*>();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->table()->rowCount(), int(rows.size()));
    dialog->close();
}

TEST(HelpMenu, AboutNamesTheVersionTheDatabaseAndTheLicence)
{
    MenuWindow w;
    QString text;
    whenShown<QMessageBox>([&text](QMessageBox* box) {
        text = box->text();
        box->accept();
    });
    w.action("actionAbout")->trigger();
    // This delegate was never launched: it has no database.
    EXPECT_EQ(text, QStringLiteral("Tosk ") + Version::number() + "\n\nNo operator database is loaded.\n\n" +
                        Version::copyright() +
                        "\nTosk is free software under the GNU General Public License, version 3 or later "
                        "(GPL-3.0-or-later), and comes with NO WARRANTY.");
}
