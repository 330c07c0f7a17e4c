// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainMenuDelegate.h"
#include "base/Log.h"
#include "base/PreferenceController.h"
#include "base/Version.h"
#include "canvas/PatchWindow.h"
#include "database/SigDbase.h"
#include "gui/GuiTestSupport.h"
#include "support/ScopedSettings.h"
#include "support/TestSupport.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tosk;

namespace {

class FakePatchWindow : public QWidget, public PatchWindow {};

} // namespace

TEST(MainMenuDelegate, LaunchLogsTheInformationStringAndLoadsTheStoredDatabase)
{
    test::ScopedSettings settings;
    test::ScopedFreshSharedDbase firstLaunch;
    const std::string path = test::dataPath("sigdbase.sbf");
    settings.store.setValue("SigDbasePath", path);
    LogCapture log;
    MainMenuDelegate delegate;
    EXPECT_EQ(delegate.databaseSummary().operatorCount, 0u) << "nothing before launch";
    delegate.applicationDidFinishLaunching();
    delegate.applicationDidFinishLaunching();
    PreferenceController::setStore(nullptr);

    // The program's name and the version the build gives it, once.
    const std::string information = std::string("Tosk ") + Version::number();
    ASSERT_FALSE(log.lines().empty());
    EXPECT_EQ(log.lines()[0], information);
    EXPECT_EQ(std::count(log.lines().begin(), log.lines().end(), information), 1) << "launch runs once";
    EXPECT_TRUE(log.contains("SigDbase.initFromFileName: " + path));
    EXPECT_EQ(settings.store.values["BaudRate"], "115200") << "the preferences were set up over the store";

    ASSERT_EQ(delegate.sigDbase(), SigDbase::sharedSigDbase());
    const DatabaseSummary db = delegate.databaseSummary();
    EXPECT_TRUE(db.loaded);
    EXPECT_EQ(db.path, path);
    EXPECT_EQ(db.product, "Korvatel SX-8");
    EXPECT_EQ(db.operatorCount, SigDbase::sharedSigDbase()->sigDbaseData().size());
    EXPECT_GE(db.operatorCount, 62u);
}

TEST(MainMenuDelegate, UntitledPatchAtLaunchFollowsTheSetting)
{
    test::ScopedSettings settings;
    MainMenuDelegate delegate;
    EXPECT_FALSE(delegate.applicationShouldOpenUntitledFile());
    settings.store.setValue("CreateNewDocKey", "true");
    EXPECT_TRUE(delegate.applicationShouldOpenUntitledFile());
    PreferenceController::shared().setCreateNewDoc(false);
    EXPECT_FALSE(delegate.applicationShouldOpenUntitledFile());
}

TEST(MainMenuDelegate, RemembersTheLastPatchWindowThatWasMain)
{
    MainMenuDelegate delegate;
    FakePatchWindow patch, other;
    QWidget browser;
    EXPECT_EQ(delegate.graphicWindowController(), nullptr);
    delegate.mainWindowChanged(&patch);
    EXPECT_EQ(delegate.graphicWindowController(), &patch);
    delegate.mainWindowChanged(&browser);
    EXPECT_EQ(delegate.graphicWindowController(), &patch) << "a browser does not replace the patch window";
    delegate.mainWindowResigned(&browser);
    EXPECT_EQ(delegate.graphicWindowController(), &patch) << "only another patch window replaces it";

    delegate.mainWindowChanged(&other);
    EXPECT_EQ(delegate.graphicWindowController(), &other);
    {
        FakePatchWindow closing;
        delegate.mainWindowChanged(&closing);
    }
    EXPECT_EQ(delegate.graphicWindowController(), nullptr) << "a closed patch window is forgotten";
}

TEST(MainMenuDelegate, FollowsTheFocusedWindow)
{
    test::ScopedSettings settings;
    MainMenuDelegate delegate;
    delegate.applicationDidFinishLaunching();
    FakePatchWindow patch;
    QWidget browser;
    patch.show();
    patch.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&patch));
    EXPECT_EQ(delegate.graphicWindowController(), &patch);
    browser.show();
    browser.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&browser));
    EXPECT_EQ(delegate.graphicWindowController(), &patch);
}
