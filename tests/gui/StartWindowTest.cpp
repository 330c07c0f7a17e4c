#include "app/StartWindow.h"
#include "app/MainMenuDelegate.h"
#include "database/SigDbase.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace tosk;

namespace {

QString labelText(const QWidget& window, const char* name)
{
    auto* label = window.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<missing %1>").arg(QString::fromLatin1(name));
}

} // namespace

TEST(StartWindow, ShowsTheDatabaseInUse)
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
}

TEST(StartWindow, CarriesFileQuitWithItsShortcut)
{
    MainMenuDelegate delegate;
    StartWindow window(delegate, DatabaseSummary{});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

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
