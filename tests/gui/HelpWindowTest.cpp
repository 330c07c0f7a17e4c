// SPDX-License-Identifier: GPL-3.0-or-later
// The help window and its book, the Help menu of every window, Ctrl+K, and
// the help pages the panels open.
#include "editors/HelpWindow.h"
#include "app/KeyboardShortcutsDialog.h"
#include "base/Log.h"
#include "base/Version.h"
#include "browsers/MyOutlineView.h"
#include "browsers/TreeNodeModel.h"
#include "database/HelpBook.h"
#include "database/SbfText.h"
#include "editors/AddModuleController.h"
#include "editors/EditModuleController.h"
#include "editors/MiscHelpManager.h"
#include "gui/CanvasTestSupport.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>

using namespace tosk;
using namespace tosk::test;
namespace fs = std::filesystem;

namespace {

std::string shownFile(const HelpWindow& window)
{
    return window.browser()->source().toLocalFile().toStdString();
}

std::string pageFile(const HelpWindow& window)
{
    return fs::path(shownFile(window)).filename().string();
}

// A help manager on `db` with a cache folder of the test's own, logging
// into `log`.
struct Help {
    TempDir tmp;
    ScopedEnv cache{"XDG_CACHE_HOME", (tmp / "cache").string()};
    MiscHelpManager help;
    LogCapture log;
    explicit Help(std::shared_ptr<SigDbase> db = bundledDbase()) { help.setSigDbase(std::move(db)); }
};

} // namespace

TEST(HelpWindow, ShowsOperatorPagesWithBackAndForwardAndTheUserGuide)
{
    Help h;
    auto& [tmp, cache, help, log] = h;
    help.showOperatorHelp("lowpass");
    HelpWindow* window = help.helpWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tosk Help \u2014 LOWPASS"));
    // The bundled database's book is the one the build made.
    EXPECT_EQ(shownFile(*window), (fs::path(HelpBook::bundledDirectory()) / "modules" / "idh_LOWPASS.htm").string());
    EXPECT_EQ(log.lines(), std::vector<std::string>{});

    // What cannot be shown is logged, once each, and the page shown stays.
    help.goToPage("modules/idh_NOPE.htm");
    help.showOperatorHelp("../../etc/passwd");
    help.showClassHelp("a/b");
    help.goToPage("../index.htm");
    help.goToAnchorNamed("x", "a.htm");
    help.goToAnchorNamed("no-such-anchor");
    EXPECT_EQ(log.lines().size(), 6u);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tosk Help \u2014 LOWPASS"));
    EXPECT_FALSE(window->backAction()->isEnabled());
    log.clear();

    help.showClassHelp("Filter");
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tosk Help \u2014 FILTER operators"));

    // The links of a page lead on: past "Operator Reference" to the first
    // filter, and back.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    window->browser()->setFocus();
    QTest::keyClick(window->browser(), Qt::Key_Tab);
    QTest::keyClick(window->browser(), Qt::Key_Tab);
    QTest::keyClick(window->browser(), Qt::Key_Return);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tosk Help \u2014 ALLPASS"));
    window->backAction()->trigger();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tosk Help \u2014 FILTER operators"));

    window->indexAction()->trigger();
    EXPECT_EQ(pageFile(*window), "index.htm");
    window->backAction()->trigger();
    window->backAction()->trigger();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tosk Help \u2014 LOWPASS"));
    EXPECT_FALSE(window->backAction()->isEnabled());
    EXPECT_TRUE(window->forwardAction()->isEnabled());
    window->forwardAction()->trigger();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tosk Help \u2014 FILTER operators"));
    QTest::keyClick(window, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tosk Help \u2014 LOWPASS")) << "Back's key";

    // An anchor: the page of the only operator with that field.
    help.goToAnchorNamed("field-bandsperoct");
    EXPECT_EQ(pageFile(*window), "idh_GEQ.htm");
    EXPECT_EQ(window->browser()->source().fragment(), QStringLiteral("field-bandsperoct"));

    // The user guide, whose links lead to the chapters, read as Markdown
    // too; the reference's index links it.
    help.goToUserHelpCenter();
    window->browser()->setFocus();
    QTest::keyClick(window->browser(), Qt::Key_Tab);
    QTest::keyClick(window->browser(), Qt::Key_Return);
    EXPECT_EQ(pageFile(*window), "getting-started.md");
    EXPECT_TRUE(window->browser()->toPlainText().startsWith(QStringLiteral("Getting started")));
    window->indexAction()->trigger();
    EXPECT_TRUE(window->browser()->toPlainText().contains(QStringLiteral("Tosk User Guide:")));
    EXPECT_EQ(log.lines(), std::vector<std::string>{});

    // Escape closes the window as a viewer's does.
    QPointer<HelpWindow> shown = window;
    QTest::keyClick(window->browser(), Qt::Key_Escape);
    EXPECT_TRUE(!shown || !shown->isVisible());
}

TEST(HelpWindow, MakesTheBookOfAnotherDatabaseOnFirstUseAndNoneWithoutOne)
{
    auto db = std::make_shared<SigDbase>();
    const std::string wobble = "TYPE:OPERATOR|OPERATOR_NAME:Wobble|OPERATOR_CLASS:OSCILLATOR;"
                               "TYPE:ED_FLOAT|NAME:rate|DESCRIPTION:wobbles per second|MINIMUM:0|MAXIMUM:20|DEFAULT:4";
    ASSERT_TRUE(db->createSigDbaseFromData(sbfOperator(sbfEntries(wobble))));
    Help h(db);
    auto& [tmp, cache, help, log] = h;
    help.showOperatorHelp("WOBBLE");
    HelpWindow* window = help.helpWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(log.lines(), std::vector<std::string>{});
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tosk Help \u2014 Wobble"));
    const fs::path book = tmp / "cache" / "tosk" / "help" / HelpBook::databaseId(*db);
    EXPECT_EQ(shownFile(*window), (book / "modules" / "idh_WOBBLE.htm").string());
    window->indexAction()->trigger();
    EXPECT_EQ(shownFile(*window), (book / "index.htm").string());
    // A book made here links the guide that came with the program.
    const std::string guideUrl =
        QUrl::fromLocalFile(QString::fromStdString(HelpBook::userGuideIndex())).toString().toStdString();
    EXPECT_NE(readFile(book / "index.htm").find("<a href=\"" + guideUrl + "\">Tosk User Guide</a>"), std::string::npos);

    // Without a database there is no book.
    Help empty(std::make_shared<SigDbase>());
    empty.help.showOperatorHelp("LOWPASS");
    EXPECT_FALSE(empty.log.lines().empty());
    EXPECT_EQ(empty.help.helpWindow(), nullptr);
}

TEST(HelpMenu, EveryWindowHasItWithTheKeysAndAbout)
{
    // The start window's test reads the menu the application builds for
    // every window; this one uses its items from a patch window.
    AppMenuWindow w;

    // Ctrl+K opens the add-module panel on this window, ready to search.
    QTest::keyClick(w.window, Qt::Key_K, Qt::ControlModifier);
    AddModuleController& panel = AddModuleController::sharedAddModuleController();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&panel));
    EXPECT_EQ(QApplication::focusWidget(), panel.searchField());
    // What is typed goes to the search, Return adds to this window's patch.
    w.select({"osc"});
    QTest::keyClicks(panel.searchField(), "lowpass");
    QTest::keyClick(panel.searchField(), Qt::Key_Return);
    EXPECT_TRUE(w.patch().findModuleByName("lowpass"));
    panel.searchField()->clear();
    panel.close();

    // Keyboard Shortcuts lists the menus' keys.
    const auto rows = KeyboardShortcutsDialog::shortcutsOf(w.window->menuBar());
    const std::pair<QString, const char*> cases[] = {{"Patch \u25B8 Add Module...", "Ctrl+K"},
                                                     {"Patch \u25B8 Inspect Module", "Ctrl+I"},
                                                     {"File \u25B8 Quit", "Ctrl+Q"},
                                                     {"Patch \u25B8 re-Position", ""}}; // not listed
    for (const auto& [command, keys] : cases) {
        auto row = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.first == command; });
        EXPECT_EQ(row == rows.end() ? QString() : row->second, QKeySequence(keys).toString(QKeySequence::NativeText));
    }
    w.action("actionKeyboardShortcuts")->trigger();
    KeyboardShortcutsDialog* dialog = w.window->findChild<KeyboardShortcutsDialog*>();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->table()->rowCount(), int(rows.size()));
    dialog->close();

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

TEST(HelpMenu, TheReferenceAndTheModulesPagesOpenInTheHelpWindow)
{
    MiscHelpManager& help = MiscHelpManager::sharedHelpManager();
    help.setSigDbase(bundledDbase());
    AppMenuWindow w;
    w.window->hooks().inspectModule = [](GraphicWindowController& gw, Module& m) { EditModuleController::open(gw, m); };
    w.action("actionOperatorReference")->trigger();
    HelpWindow* window = help.helpWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(shownFile(*window), (fs::path(HelpBook::bundledDirectory()) / "index.htm").string());
    // Tosk Help is the user guide that the build put into the book.
    w.action("actionToskHelp")->trigger();
    ASSERT_FALSE(HelpBook::userGuideIndex().empty());
    EXPECT_EQ(shownFile(*window), HelpBook::userGuideIndex());

    // With one module selected, the reference opens at its operator.
    for (const auto& [module, page] : {std::pair{"osc", "idh_SINE.htm"}, {"g", "idh_GAIN.htm"}}) {
        w.select({module});
        w.action("actionOperatorReference")->trigger();
        EXPECT_EQ(pageFile(*window), page);
    }

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
    adder.moduleView()->setCurrentIndex(model->match(model->index(0, 0), Qt::DisplayRole, "FILTER").value(0));
    adder.moduleInfoAction();
    EXPECT_EQ(pageFile(*window), "idh_filter_modules.htm");
    window->close();
}
