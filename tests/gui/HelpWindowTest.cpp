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

#include <cstdlib>
#include <filesystem>
#include <optional>

using namespace tosk;
using namespace tosk::test;
namespace fs = std::filesystem;

namespace {

// Books of databases other than the bundled one go to a cache of the test's.
class ScopedCacheHome {
public:
    explicit ScopedCacheHome(const std::string& dir)
    {
        if (const char* old = std::getenv("XDG_CACHE_HOME"))
            old_ = old;
        setenv("XDG_CACHE_HOME", dir.c_str(), 1);
    }
    ~ScopedCacheHome()
    {
        if (old_)
            setenv("XDG_CACHE_HOME", old_->c_str(), 1);
        else
            unsetenv("XDG_CACHE_HOME");
    }

private:
    std::optional<std::string> old_;
};

QString title(const HelpWindow& window)
{
    return window.browser()->documentTitle();
}

QString pageFile(const HelpWindow& window)
{
    return QString::fromStdString(fs::path(window.browser()->source().toLocalFile().toStdString()).filename());
}

} // namespace

TEST(HelpWindow, ShowsOperatorPagesWithBackAndForward)
{
    TempDir tmp;
    ScopedCacheHome cache((tmp / "cache").string());
    MiscHelpManager help;
    help.setSigDbase(bundledDbase());
    EXPECT_EQ(help.helpWindow(), nullptr);

    LogCapture log;
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
    const QString text = window->browser()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("Class: FILTER"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("signal input"))) << text.toStdString();
    EXPECT_FALSE(window->backAction()->isEnabled());
    window->grab().save(QString::fromStdString((outputDir("HelpWindow") / "lowpass.png").string()));

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
    EXPECT_EQ(title(*window), QStringLiteral("Operator Reference"));
    EXPECT_EQ(pageFile(*window), QStringLiteral("index.htm"));

    window->backAction()->trigger();
    EXPECT_EQ(title(*window), QStringLiteral("FILTER operators"));
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
    window->grab().save(QString::fromStdString((outputDir("HelpWindow") / "index.png").string()));
    EXPECT_EQ(log.lines(), std::vector<std::string>{});

    // Escape closes the window as a viewer's does.
    QPointer<HelpWindow> shown = window;
    QTest::keyClick(window->browser(), Qt::Key_Escape);
    EXPECT_TRUE(!shown || !shown->isVisible());
}

TEST(HelpWindow, LogsWhatCannotBeShown)
{
    TempDir tmp;
    ScopedCacheHome cache((tmp / "cache").string());
    MiscHelpManager help;
    help.setSigDbase(bundledDbase());
    LogCapture log;
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
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "IXHelpManager goToPage: : File not found.  (\"modules/idh_NOPE.htm\")",
                               "IXHelpManager goToPage: : Invalid parameter.  (\"modules/idh_../../etc/passwd.htm\")",
                               "IXHelpManager goToPage: : Invalid parameter.  (\"modules/idh_a/b_modules.htm\")",
                               "IXHelpManager goToPage: : Invalid parameter.  (\"../index.htm\")",
                               "IXHelpManager goToAnchorNamed: onPage: : File not found.  (\"a.htm: x\")",
                               "IXHelpManager goToAnchorNamed: : File not found.  (\"no-such-anchor\")",
                           }));
    // The page shown stays.
    EXPECT_EQ(title(*window), QStringLiteral("LOWPASS"));
    EXPECT_FALSE(window->backAction()->isEnabled());

    // Without a database there is no book.
    log.clear();
    MiscHelpManager empty;
    empty.setSigDbase(std::make_shared<SigDbase>());
    empty.showOperatorHelp("LOWPASS");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "IXHelpManager registerBook: File not found.  (\"\")",
                               "IXHelpManager goToPage: : File not found.  (\"modules/idh_LOWPASS.htm\")",
                           }));
    EXPECT_EQ(empty.helpWindow(), nullptr);
}

TEST(HelpWindow, MakesTheBookOfAnotherDatabaseOnFirstUse)
{
    TempDir tmp;
    ScopedCacheHome cache((tmp / "cache").string());
    const std::string bytes = "{\n{\n   TYPE:OPERATOR\n   OPERATOR_NAME:Wobble\n   OPERATOR_CLASS:OSCILLATOR\n}\n"
                              "{\n   TYPE:ED_FLOAT\n   NAME:rate\n   DESCRIPTION:wobbles per second\n"
                              "   MINIMUM:0\n   MAXIMUM:20\n   DEFAULT:4\n}\n}\n";
    auto db = std::make_shared<SigDbase>();
    {
        LogCapture quiet;
        ASSERT_TRUE(db->createSigDbaseFromData(bytes));
    }
    MiscHelpManager help;
    help.setSigDbase(db);
    LogCapture log;
    help.showOperatorHelp("WOBBLE");
    HelpWindow* window = help.helpWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(log.lines(), std::vector<std::string>{});
    EXPECT_EQ(title(*window), QStringLiteral("Wobble"));
    const fs::path book = tmp / "cache" / "tosk" / "help" / HelpBook::databaseId(*db);
    EXPECT_EQ(window->browser()->source().toLocalFile().toStdString(), (book / "modules" / "idh_WOBBLE.htm").string());
    EXPECT_TRUE(window->browser()->toPlainText().contains(QStringLiteral("wobbles per second")));
    window->indexAction()->trigger();
    EXPECT_EQ(window->browser()->source().toLocalFile().toStdString(), (book / "index.htm").string());
    // A book made here links the guide that came with the program.
    std::string index;
    ASSERT_TRUE(readWholeFile((book / "index.htm").string(), index));
    const std::string guideUrl =
        QUrl::fromLocalFile(QString::fromStdString(HelpBook::userGuideIndex())).toString().toStdString();
    EXPECT_NE(index.find("<a href=\"" + guideUrl + "\">Tosk User Guide</a>"), std::string::npos) << index;
}

TEST(HelpWindow, OpensTheUserGuideWhichTheIndexLinks)
{
    TempDir tmp;
    ScopedCacheHome cache((tmp / "cache").string());
    MiscHelpManager help;
    help.setSigDbase(bundledDbase());
    LogCapture log;
    help.goToUserHelpCenter();
    HelpWindow* window = help.helpWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->browser()->source().toLocalFile().toStdString(), HelpBook::userGuideIndex());
    EXPECT_TRUE(window->browser()->toPlainText().startsWith(QStringLiteral("Tosk User Guide")))
        << window->browser()->toPlainText().toStdString();

    // Its links lead to the chapters, read as Markdown too.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    window->browser()->setFocus();
    QTest::keyClick(window->browser(), Qt::Key_Tab);
    QTest::keyClick(window->browser(), Qt::Key_Return);
    EXPECT_EQ(pageFile(*window), QStringLiteral("getting-started.md"));
    EXPECT_TRUE(window->browser()->toPlainText().startsWith(QStringLiteral("Getting started")))
        << window->browser()->toPlainText().toStdString();

    // The reference's index links the guide.
    window->indexAction()->trigger();
    EXPECT_EQ(pageFile(*window), QStringLiteral("index.htm"));
    EXPECT_TRUE(window->browser()->toPlainText().contains(QStringLiteral("Tosk User Guide:")));
    EXPECT_EQ(log.lines(), std::vector<std::string>{});
}
