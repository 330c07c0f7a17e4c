#include "app/MainMenuDelegate.h"
#include "app/PatchWindow.h"
#include "base/Log.h"
#include "base/PreferenceController.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using namespace tosk;

namespace {

class FakePatchWindow : public QWidget, public PatchWindow {};

// Installs a fresh settings store for the shared preferences.
class ScopedStore {
public:
    ScopedStore() { PreferenceController::setStore(&store); }
    ~ScopedStore() { PreferenceController::setStore(nullptr); }
    MemorySettingsStore store;
};

} // namespace

TEST(MainMenuDelegate, LaunchLogsTheInformationStringOnceAndCreatesThePreferences)
{
    ScopedStore settings;
    LogCapture log;
    MainMenuDelegate delegate;
    delegate.applicationDidFinishLaunching();
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Tosk " TOSK_VERSION});
    EXPECT_EQ(MainMenuDelegate::informationString(), "Tosk 0.1.0");
    EXPECT_EQ(settings.store.values["BaudRate"], "115200") << "the preferences were set up over the store";
}

TEST(MainMenuDelegate, UntitledPatchAtLaunchFollowsTheSetting)
{
    ScopedStore settings;
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
    EXPECT_EQ(delegate.graphicWindowController(), nullptr);

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
    ScopedStore settings;
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
