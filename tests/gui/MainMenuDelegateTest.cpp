// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainMenuDelegate.h"
#include "app/PreferencesWindow.h"
#include "app/SigDbaseOpening.h"
#include "base/Alerts.h"
#include "base/FileChooser.h"
#include "base/Log.h"
#include "base/Version.h"
#include "canvas/PatchWindow.h"
#include "database/SbfText.h"
#include "gui/GuiTestSupport.h"
#include "support/ScopedSettings.h"

#include <QCheckBox>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tosk;

namespace {

class FakePatchWindow : public QWidget, public PatchWindow {};

} // namespace

TEST(MainMenuDelegate, LaunchLoadsTheStoredDatabaseOnceThenFollowsTheMainPatchWindow)
{
    test::ScopedSettings settings;
    test::ScopedFreshSharedDbase firstLaunch;
    const std::string path = test::dataPath("sigdbase.sbf");
    settings.store.setValue("SigDbasePath", path);
    settings.store.setValue(PreferenceController::kHighSampleRate, "true");
    LogCapture log;
    MainMenuDelegate delegate;
    delegate.applicationDidFinishLaunching();
    delegate.applicationDidFinishLaunching();
    // The program's name and the version the build gives it, once.
    EXPECT_EQ(std::count(log.lines().begin(), log.lines().end(), std::string("Tosk ") + Version::number()), 1);
    EXPECT_EQ(settings.store.values["BaudRate"], "115200") << "the preferences were set up over the store";

    ASSERT_EQ(delegate.sigDbase(), SigDbase::sharedSigDbase());
    EXPECT_TRUE(delegate.databaseSummary().loaded);
    EXPECT_EQ(delegate.databaseSummary().path, path);
    EXPECT_TRUE(delegate.sigDbase()->highSampleRate()) << "as stored at launch";

    PreferencesWindow* window = delegate.preferencesWindow();
    ASSERT_TRUE(window);
    window->show();
    auto* check = window->findChild<QCheckBox*>(QStringLiteral("highSampleRateCheck"));
    ASSERT_TRUE(check);
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
    EXPECT_FALSE(PreferenceController::shared().highSampleRate());
    EXPECT_FALSE(delegate.sigDbase()->highSampleRate()) << "switched in the preferences";
    window->hide();

    // The delegate follows the last patch window that was main.
    FakePatchWindow patch, other;
    QWidget browser;
    EXPECT_EQ(delegate.graphicWindowController(), nullptr);
    patch.show();
    patch.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&patch));
    EXPECT_EQ(delegate.graphicWindowController(), &patch) << "the focused window";
    browser.show();
    browser.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&browser));
    EXPECT_EQ(delegate.graphicWindowController(), &patch) << "a browser does not replace the patch window";
    delegate.mainWindowResigned(&browser);
    EXPECT_EQ(delegate.graphicWindowController(), &patch) << "only another patch window replaces it";

    delegate.mainWindowChanged(&other);
    EXPECT_EQ(delegate.graphicWindowController(), &other);
    std::vector<QWidget*> told;
    QObject::connect(&delegate, &MainMenuDelegate::graphicWindowControllerChanged,
                     [&told](QWidget* window) { told.push_back(window); });
    {
        FakePatchWindow closing;
        delegate.mainWindowChanged(&closing);
    }
    EXPECT_EQ(delegate.graphicWindowController(), nullptr) << "a closed patch window is forgotten";
    EXPECT_EQ(told.back(), nullptr);
}

// The database asks no one: the app finds its file, asks the user when it
// is gone, and shows what reading it found.
TEST(MainMenuDelegate, TheAppFindsOrAsksForTheDatabaseAndShowsWhatReadingFound)
{
    test::TempDir dir;
    const std::string good = (dir / "good.sbf").string(), gone = (dir / "gone" / "sigdbase.sbf").string(),
                      bad = (dir / "bad.sbf").string();
    test::writeFile(good, test::sbfHeadm("4") + test::sbfSimpleOperator("GAIN", "MATH"));
    test::writeFile(bad, test::sbfSimpleOperator("BAD", "MATH", {{"TYPE:ED_INT", "NAME:n", "COLOUR:red"}}));
    struct Case {
        const char* what;
        std::string stored;
        std::optional<std::string> answer; // none: the panel must not open
        bool loaded;
        std::string storedAfter;
        std::vector<std::string> alerts;
    } cases[] = {
        {"the stored file", good, std::nullopt, true, good, {}},
        {"gone: the user chooses one", gone, good, true, good, {}},
        {"gone: the user cancels", gone, std::string(), false, gone, {}},
        {"a key no entry knows", bad, std::nullopt, false, bad, {"Critical | ERROR | COLOUR: Unknown Field Type | OK"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::ScopedSettings settings;
        test::ScopedFreshSharedDbase fresh;
        settings.store.setValue("SigDbasePath", c.stored);
        ScopedRecordingAlerts alerts;
        ScopedScriptedFileChooser chooser;
        if (c.answer)
            chooser.answers.push_back(*c.answer);
        LogCapture quiet;
        std::shared_ptr<SigDbase> db = openSharedSigDbase(PreferenceController::shared());
        ASSERT_TRUE(db);
        EXPECT_EQ(db, SigDbase::sharedSigDbase());
        EXPECT_EQ(db->sigDbaseCreated(), c.loaded);
        EXPECT_EQ(settings.store.values["SigDbasePath"], c.storedAfter);
        EXPECT_EQ(test::alertLines(alerts.recorded), c.alerts);
        EXPECT_EQ(chooser.requests.size(), c.answer ? 1u : 0u);
    }
}
