// SPDX-License-Identifier: GPL-3.0-or-later
#include "GuiTestSupport.h"

#include "base/AtomicFile.h"
#include "base/Log.h"
#include "database/HelpBook.h"
#include "editors/HelpWindow.h"
#include "editors/MiscHelpManager.h"

#include <QAction>
#include <QPointer>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>

using namespace tosk;
using namespace tosk::test;
namespace fs = std::filesystem;

namespace {

QString title(const HelpWindow& window)
{
    return window.browser()->documentTitle();
}

QString pageFile(const HelpWindow& window)
{
    return QString::fromStdString(fs::path(window.browser()->source().toLocalFile().toStdString()).filename());
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
    EXPECT_EQ(help.helpWindow(), nullptr);
    help.showOperatorHelp("lowpass");
    HelpWindow* window = help.helpWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(log.lines(), std::vector<std::string>{});
    EXPECT_EQ(title(*window), QStringLiteral("LOWPASS"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tosk Help \u2014 LOWPASS"));
    EXPECT_EQ(pageFile(*window), QStringLiteral("idh_LOWPASS.htm"));
    // The bundled database's book is the one the build made.
    EXPECT_TRUE(
        window->browser()->source().toLocalFile().startsWith(QString::fromStdString(HelpBook::bundledDirectory())));
    EXPECT_FALSE(fs::exists(tmp / "cache"));
    EXPECT_FALSE(window->backAction()->isEnabled());

    help.showClassHelp("Filter");
    EXPECT_EQ(title(*window), QStringLiteral("FILTER operators"));
    EXPECT_TRUE(window->backAction()->isEnabled());
    EXPECT_FALSE(window->forwardAction()->isEnabled());

    // The links of a page lead on: past "Operator Reference" to the first
    // filter, and back.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    window->browser()->setFocus();
    QTest::keyClick(window->browser(), Qt::Key_Tab);
    QTest::keyClick(window->browser(), Qt::Key_Tab);
    QTest::keyClick(window->browser(), Qt::Key_Return);
    EXPECT_EQ(title(*window), QStringLiteral("ALLPASS"));
    window->backAction()->trigger();
    EXPECT_EQ(title(*window), QStringLiteral("FILTER operators"));

    window->indexAction()->trigger();
    EXPECT_EQ(pageFile(*window), QStringLiteral("index.htm"));
    window->backAction()->trigger();
    window->backAction()->trigger();
    EXPECT_EQ(title(*window), QStringLiteral("LOWPASS"));
    EXPECT_FALSE(window->backAction()->isEnabled());
    EXPECT_TRUE(window->forwardAction()->isEnabled());
    window->forwardAction()->trigger();
    EXPECT_EQ(title(*window), QStringLiteral("FILTER operators"));

    // Keyboard shortcut of Back.
    QTest::keyClick(window, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(title(*window), QStringLiteral("LOWPASS"));

    // An anchor: the page of the only operator with that field.
    help.goToAnchorNamed("field-bandsperoct");
    EXPECT_EQ(pageFile(*window), QStringLiteral("idh_GEQ.htm"));
    EXPECT_EQ(window->browser()->source().fragment(), QStringLiteral("field-bandsperoct"));
    help.goToTableOfContents();
    EXPECT_EQ(title(*window), QStringLiteral("Operator Reference"));

    // The user guide, whose links lead to the chapters, read as Markdown
    // too; the reference's index links it.
    help.goToUserHelpCenter();
    EXPECT_EQ(window->browser()->source().toLocalFile().toStdString(), HelpBook::userGuideIndex());
    window->browser()->setFocus();
    QTest::keyClick(window->browser(), Qt::Key_Tab);
    QTest::keyClick(window->browser(), Qt::Key_Return);
    EXPECT_EQ(pageFile(*window), QStringLiteral("getting-started.md"));
    EXPECT_TRUE(window->browser()->toPlainText().startsWith(QStringLiteral("Getting started")));
    window->indexAction()->trigger();
    EXPECT_TRUE(window->browser()->toPlainText().contains(QStringLiteral("Tosk User Guide:")));
    EXPECT_EQ(log.lines(), std::vector<std::string>{});

    // Escape closes the window as a viewer's does.
    QPointer<HelpWindow> shown = window;
    QTest::keyClick(window->browser(), Qt::Key_Escape);
    EXPECT_TRUE(!shown || !shown->isVisible());
}

TEST(HelpWindow, LogsWhatCannotBeShown)
{
    Help h;
    auto& [tmp, cache, help, log] = h;
    help.showOperatorHelp("LOWPASS");
    HelpWindow* window = help.helpWindow();
    ASSERT_TRUE(window);
    log.clear();

    help.goToPage("modules/idh_NOPE.htm");
    help.showOperatorHelp("../../etc/passwd");
    help.showClassHelp("a/b");
    help.goToPage("../index.htm");
    help.goToAnchorNamed("x", "a.htm");
    help.goToAnchorNamed("no-such-anchor");
    // Each is logged once, and the page shown stays.
    EXPECT_EQ(log.lines().size(), 6u);
    EXPECT_EQ(title(*window), QStringLiteral("LOWPASS"));
    EXPECT_FALSE(window->backAction()->isEnabled());

    // Without a database there is no book.
    Help empty(std::make_shared<SigDbase>());
    empty.help.showOperatorHelp("LOWPASS");
    EXPECT_FALSE(empty.log.lines().empty());
    EXPECT_EQ(empty.help.helpWindow(), nullptr);
}

TEST(HelpWindow, MakesTheBookOfAnotherDatabaseOnFirstUse)
{
    const std::string bytes = "{\n{\n   TYPE:OPERATOR\n   OPERATOR_NAME:Wobble\n   OPERATOR_CLASS:OSCILLATOR\n}\n"
                              "{\n   TYPE:ED_FLOAT\n   NAME:rate\n   DESCRIPTION:wobbles per second\n"
                              "   MINIMUM:0\n   MAXIMUM:20\n   DEFAULT:4\n}\n}\n";
    auto db = std::make_shared<SigDbase>();
    {
        LogCapture quiet;
        ASSERT_TRUE(db->createSigDbaseFromData(bytes));
    }
    Help h(db);
    auto& [tmp, cache, help, log] = h;
    help.showOperatorHelp("WOBBLE");
    HelpWindow* window = help.helpWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(log.lines(), std::vector<std::string>{});
    EXPECT_EQ(title(*window), QStringLiteral("Wobble"));
    const fs::path book = tmp / "cache" / "tosk" / "help" / HelpBook::databaseId(*db);
    EXPECT_EQ(window->browser()->source().toLocalFile().toStdString(), (book / "modules" / "idh_WOBBLE.htm").string());
    window->indexAction()->trigger();
    EXPECT_EQ(window->browser()->source().toLocalFile().toStdString(), (book / "index.htm").string());
    // A book made here links the guide that came with the program.
    std::string index;
    ASSERT_TRUE(readWholeFile((book / "index.htm").string(), index));
    const std::string guideUrl =
        QUrl::fromLocalFile(QString::fromStdString(HelpBook::userGuideIndex())).toString().toStdString();
    EXPECT_NE(index.find("<a href=\"" + guideUrl + "\">Tosk User Guide</a>"), std::string::npos) << index;
}
