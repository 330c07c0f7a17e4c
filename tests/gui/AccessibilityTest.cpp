// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader finds in each window: every control named, every menu
// entry with a mnemonic, every control in the tab order, and a canvas that
// says what is selected.
#include "app/ApplicationMenu.h"
#include "app/DatabaseSummary.h"
#include "app/ExportPictureDialog.h"
#include "app/MainMenuDelegate.h"
#include "app/PreferencesWindow.h"
#include "app/QtAlerts.h"
#include "app/ScreenDisplayController.h"
#include "app/StartWindow.h"
#include "app/UnitProgressWindow.h"
#include "app/UnitTrafficWindow.h"
#include "browsers/DiskViewController.h"
#include "canvas/GridPanelController.h"
#include "canvas/TextWindowController.h"
#include "comms/UnitTraffic.h"
#include "editors/AddModuleController.h"
#include "editors/EditModuleController.h"
#include "editors/HelpWindow.h"
#include "editors/WaveEditorWindow.h"
#include "editors/WaveEditors.h"
#include "gui/AccessibilityCheck.h"
#include "gui/CanvasTestSupport.h"
#include "support/ScopedSettings.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>

#include <functional>

using namespace tosk;
using namespace tosk::test;

namespace {

// The windows of the application, each made as the application makes it,
// with the full menu on the windows that carry one.
struct Windows {
    ScopedSettings settings;
    MainMenuDelegate delegate;
    UnitTraffic traffic;
    std::vector<std::unique_ptr<QWidget>> owned;
    std::unique_ptr<AppMenuWindow> patch;

    ~Windows()
    {
        if (patch)
            WaveEditors::closeEditorsOf(*patch->doc);
        owned.clear();
        patch.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    template <typename T> T* keep(T* widget)
    {
        owned.emplace_back(widget);
        return widget;
    }

    // The demo in a patch window.
    GraphicWindowController* graphicWindow()
    {
        if (!patch)
            patch = std::make_unique<AppMenuWindow>(readFile(dataPath("examples/demo.sig")));
        return patch->window;
    }

    QWidget* waveEditor(const char* module)
    {
        graphicWindow();
        Module* m = patch->patch().findModuleByName(module).get();
        if (!m || !WaveEditors::open(patch->doc, *m, nullptr))
            return nullptr;
        return WaveEditors::editorFor(*m);
    }
};

struct WindowCase {
    const char* name;
    std::function<QWidget*(Windows&)> open;
    // Fewer controls than this means the walk did not see the window.
    int minimumControls;
};

const std::vector<WindowCase>& windowCases()
{
    static const std::vector<WindowCase> cases = {
        {"start window",
         [](Windows& w) { return w.keep(new StartWindow(w.delegate, DatabaseSummary::of(*bundledDbase()))); }, 6},
        {"patch window", [](Windows& w) { return w.graphicWindow(); }, 50},
        {"title sheet", [](Windows& w) { return w.graphicWindow()->titleSheet(); }, 4},
        {"text window",
         [](Windows& w) -> QWidget* {
             w.graphicWindow()->onShowTextView();
             return w.graphicWindow()->textWindowController();
         },
         1},
        {"grid panel",
         [](Windows& w) {
             GridPanelController* panel = GridPanelController::sharedGridPanelController();
             panel->setMainWindow(w.graphicWindow());
             return panel;
         },
         4},
        {"waveform editor", [](Windows& w) { return w.waveEditor("wave"); }, 12},
        {"curve editor", [](Windows& w) { return w.waveEditor("shape"); }, 12},
        {"preferences",
         [](Windows& w) { return w.keep(new PreferencesWindow(std::vector<std::string>{"/dev/ttyS0"})); }, 12},
        {"unit traffic", [](Windows& w) { return w.keep(new UnitTrafficWindow(w.traffic)); }, 3},
        {"unit progress", [](Windows& w) { return w.keep(new UnitProgressWindow()); }, 1},
        {"unit screen",
         [](Windows& w) {
             QImage picture(240, 64, QImage::Format_Mono);
             picture.fill(0);
             return w.keep(new ScreenDisplayController(picture));
         },
         3},
        {"help window", [](Windows& w) { return w.keep(new HelpWindow()); }, 3},
        {"export picture", [](Windows& w) { return w.keep(new ExportPictureDialog(true, {})); }, 4},
        {"inspector",
         [](Windows& w) {
             GraphicWindowController* window = w.graphicWindow();
             return w.keep(new EditModuleController(w.patch->doc, w.patch->module("chl").shared_from_this(), window));
         },
         2},
        {"add module panel",
         [](Windows& w) -> QWidget* {
             AddModuleController::initializeAddModuleController(bundledDbase());
             AddModuleController& panel = AddModuleController::sharedAddModuleController();
             panel.setMainWindow(w.graphicWindow());
             // A search typed shows the field's clear button, which needs a name too.
             if (auto* search = panel.findChild<QLineEdit*>("searchField"))
                 search->setText("osc");
             return &panel;
         },
         4},
        {"disk browser",
         [](Windows& w) -> QWidget* {
             auto* browser = w.keep(new DiskViewController({}));
             browser->fillDiskViewFromPath(QString::fromStdString(dataPath("examples")));
             if (auto* filter = browser->findChild<QLineEdit*>("diskFilter"))
                 filter->setText("demo");
             return browser;
         },
         4},
    };
    return cases;
}

// One line per finding, so that a failure lists the paths to fix.
std::string joined(const QStringList& list)
{
    return list.join(QLatin1Char('\n')).toStdString();
}

} // namespace

TEST(Accessibility, EveryControlOfEveryWindowHasAName)
{
    Windows windows;
    for (const WindowCase& c : windowCases()) {
        SCOPED_TRACE(c.name);
        QWidget* window = c.open(windows);
        ASSERT_TRUE(window);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        EXPECT_GE(interactiveControls(window).size(), c.minimumControls) << joined(interactiveControls(window));
        EXPECT_EQ(joined(unnamedControls(window)), "");
        EXPECT_EQ(joined(controlsOutOfTabOrder(window)), "");
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(window)->text(QAccessible::Name).isEmpty());
    }
}

TEST(Accessibility, EveryMenuTitleAndItemHasAMnemonic)
{
    Windows windows;
    StartWindow start(windows.delegate, DatabaseSummary::of(*bundledDbase()));
    for (QMenuBar* bar : {start.menuBar(), windows.graphicWindow()->menuBar()}) {
        SCOPED_TRACE(bar->window()->objectName().toStdString());
        EXPECT_GE(bar->actions().size(), 3);
        EXPECT_EQ(joined(menuEntriesWithoutMnemonic(bar->actions())), "");
    }
}

TEST(Accessibility, AlertsNameTheirButtonsAndSayTheirMessage)
{
    QtAlerts alerts;
    QWidget owner;
    owner.show();
    QStringList unnamed{QStringLiteral("<not shown>")};
    QString name, said;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        unnamed = unnamedControls(box);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(box);
        name = iface->text(QAccessible::Name);
        said = iface->text(QAccessible::Value) + iface->text(QAccessible::Description);
        box->reject();
    });
    alerts.run(
        {AlertStyle::Warning, "ALERT", "Save the changes to \"demo\"?", {"Save", "Don't Save", "Cancel"}, &owner});
    EXPECT_EQ(joined(unnamed), "");
    EXPECT_EQ(name, QStringLiteral("Alert"));
    EXPECT_TRUE(said.contains(QStringLiteral("Save the changes to \"demo\"?"))) << said.toStdString();
}

TEST(Accessibility, TheCanvasIsReachedByKeyboardAndAnnouncesTheSelection)
{
    Windows windows;
    GraphicWindowController* window = windows.graphicWindow();
    GraphicView* canvas = window->graphicView();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(canvas);
    ASSERT_TRUE(iface);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Patch canvas"));
    EXPECT_TRUE(iface->text(QAccessible::Description).contains(QStringLiteral("Page Down")));

    // The canvas has the focus from the start; Shift+Tab goes back to the
    // last enabled toolbar button and Tab comes back to the canvas.
    EXPECT_EQ(QApplication::focusWidget(), canvas);
    canvas->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(canvas, Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_TRUE(QApplication::focusWidget());
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("zoomToFitBtn"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), canvas);

    // The offscreen platform has no accessibility bus to deliver QAccessible
    // events to: the canvas's own signal is what a test can see.
    QStringList heard;
    QObject listening;
    QObject::connect(canvas, &GraphicView::announced, &listening, [&heard](const QString& name) { heard << name; });
    // The keys walk the demo's modules in order, the head and the tail left out.
    const struct {
        Qt::Key key;
        const char* said;
    } steps[] = {{Qt::Key_PageDown, "Module rate, KNOB, selected"}, {Qt::Key_PageDown, "Module depth, KNOB, selected"},
                 {Qt::Key_PageUp, "Module rate, KNOB, selected"},   {Qt::Key_PageUp, "Module rate, KNOB, selected"},
                 {Qt::Key_End, "Module mixr, MIX2, selected"},      {Qt::Key_PageDown, "Module mixr, MIX2, selected"},
                 {Qt::Key_Home, "Module rate, KNOB, selected"}};
    for (const auto& step : steps) {
        QTest::keyClick(canvas, step.key);
        EXPECT_EQ(iface->text(QAccessible::Name), step.said);
        EXPECT_EQ(heard.last(), step.said);
    }

    // Several, then a pin with its value.
    windows.patch->select({"rate", "depth", "chl"});
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("3 modules selected"));
    EXPECT_EQ(heard.last(), QStringLiteral("3 modules selected"));
    windows.patch->select({"chl"});
    canvas->setSelectedField(windows.patch->field("chl", "in"));
    EXPECT_EQ(iface->text(QAccessible::Name), "Module chl, CHORUS, selected; field in of chl: adc-in1");
    EXPECT_EQ(heard.last(), "Module chl, CHORUS, selected; field in of chl: adc-in1");

    // With nothing selected the canvas is the canvas again.
    canvas->setSelectedField(nullptr);
    canvas->clearSelection();
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Patch canvas"));
    EXPECT_EQ(heard.last(), QStringLiteral("Patch canvas"));
}

TEST(Accessibility, TheGridPanelTakesTheKeyboardWhenAskedForAgain)
{
    Windows windows;
    GraphicWindowController* window = windows.graphicWindow();
    GridPanelController* panel = GridPanelController::sharedGridPanelController();
    panel->hide();

    // The first time it shows beside the patch window, which keeps the keys
    // (on a desktop; the offscreen platform activates what it shows, so the
    // patch window is made active again here).
    GridPanelController::showGridPanel(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    // Asked for again, it takes them: Tab then walks its controls.
    GridPanelController::showGridPanel(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
    EXPECT_EQ(QApplication::focusWidget(), panel->snapsToGridCheckbox());
    for (QWidget* next : std::initializer_list<QWidget*>{panel->showsGridCheckbox(), panel->gridSpacingSlider(),
                                                         panel->gridColorWell()}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
    panel->hide();
}
