// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader finds in each window: every control named, every menu
// entry with a mnemonic, every control in the tab order, and a canvas that
// says what is selected.
#include "Toskfile/Module.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
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
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"
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
#include "gui/GuiTestSupport.h"
#include "support/ScopedSettings.h"
#include "support/TestSupport.h"

#include <filesystem>

#include <QAccessible>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace tosk;
namespace fs = std::filesystem;
using namespace tosk::test;

namespace {

std::string wavePatch()
{
    return "HEADM adc Waves t 2 2 1 cc-out s-out adc-nullobj ;=20,40,80,0\r\n"
           "C_CURVE cc adc-in1 4 0 0.3 0.7 1 ;=140,40,80,0\r\n"
           "WAVEFORM wf 32" +
           QByteArray(" 0").repeated(32).toStdString() +
           " ;=140,140,80,0\r\n"
           "CURVE s adc-in2 3 -0.5 0 0.5 ;=260,40,80,0\r\n"
           "MULTIKNOB mk cc-out 3 0.2 0.5 0.8 ;=260,140,80,0\r\n"
           "TAIL Ann\r\n";
}

std::shared_ptr<SigDocument> openDocument(const std::string& bytes, const std::string& name)
{
    auto doc = std::make_shared<SigDocument>();
    doc->initWithData(bytes, name, std::nullopt, bundledDbase());
    return doc;
}

// The windows of the application, each made as the application makes it,
// with the full menu on the windows that carry one.
struct Windows {
    ScopedSettings settings;
    MainMenuDelegate delegate;
    std::shared_ptr<SigDocument> waves = openDocument(wavePatch(), "waves");
    UnitTraffic traffic;
    std::vector<std::unique_ptr<QWidget>> owned;
    std::unique_ptr<AppMenuWindow> patch;

    ~Windows()
    {
        WaveEditors::closeEditorsOf(*waves);
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
        Module* m = waves->sigFile()->findModuleByName(module).get();
        if (!m || !WaveEditors::open(waves, *m, nullptr))
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
        {"waveform editor", [](Windows& w) { return w.waveEditor("wf"); }, 12},
        {"curve editor", [](Windows& w) { return w.waveEditor("s"); }, 12},
        {"preferences",
         [](Windows& w) {
             return w.keep(new PreferencesWindow({"/dev/ttyS0", "/dev/ttyUSB0"}));
         },
         12},
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
         [](Windows& w) -> QWidget* {
             GraphicWindowController* window = w.graphicWindow();
             Module::Ptr module = w.patch->patch().findModuleByName("chl");
             if (!module)
                 return nullptr;
             return w.keep(new EditModuleController(w.patch->doc, module, window));
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
             browser->fillDiskViewFromPath(
                 QString::fromStdString(fs::path(dataPath("examples/demo.sig")).parent_path().string()));
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
    // The canvas's own menu too.
    GraphicView* canvas = windows.graphicWindow()->graphicView();
    std::unique_ptr<QMenu> options(canvas->menuForPoint(Point{-1000, -1000}, canvas));
    EXPECT_GE(options->actions().size(), 8);
    EXPECT_EQ(joined(menuEntriesWithoutMnemonic(options->actions())), "");
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
    alerts.run({AlertStyle::Warning,
                "ALERT",
                "Do you want to save the changes made to the document \"demo\"?",
                {"Save", "Don't Save", "Cancel"},
                &owner});
    EXPECT_EQ(joined(unnamed), "");
    EXPECT_EQ(name, QStringLiteral("Alert"));
    EXPECT_TRUE(said.contains(QStringLiteral("save the changes made to the document \"demo\""))) << said.toStdString();
}

TEST(Accessibility, TheCanvasIsReachedByKeyboardAndAnnouncesTheSelection)
{
    Windows windows;
    GraphicWindowController* window = windows.graphicWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    GraphicView* canvas = window->graphicView();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(canvas);
    ASSERT_TRUE(iface);
    EXPECT_EQ(iface->role(), QAccessible::Canvas);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Patch canvas"));
    EXPECT_TRUE(iface->text(QAccessible::Description).contains(QStringLiteral("Page Down")));
    EXPECT_TRUE(iface->state().focusable);

    // The canvas has the focus from the start; Shift+Tab goes back to the
    // last enabled toolbar button and Tab comes back to the canvas.
    EXPECT_EQ(QApplication::focusWidget(), canvas);
    canvas->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(canvas, Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_TRUE(QApplication::focusWidget());
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("zoomToFitBtn"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), canvas);
    ASSERT_TRUE(canvas->hasFocus());

    // The demo's modules in order, without the head and the tail.
    std::vector<Module*> modules;
    for (const auto& m : window->sigFile()->listOfModules())
        if (m.get() != window->sigFile()->head().get() && !m->isTail())
            modules.push_back(m.get());
    ASSERT_GE(modules.size(), 3u);
    auto announced = [](const Module* m) {
        QString text = QStringLiteral("Module ") + QString::fromLatin1(std::string(m->instanceName()).c_str());
        if (m->opDescriptor())
            text += QStringLiteral(", ") + QString::fromLatin1(m->name().c_str());
        return text + QStringLiteral(", selected");
    };

    // The offscreen platform has no accessibility bus to deliver QAccessible
    // events to: the canvas's own signal is what a test can see.
    QStringList heard;
    QObject listening;
    QObject::connect(canvas, &GraphicView::announced, &listening, [&heard](const QString& name) { heard << name; });
    QTest::keyClick(canvas, Qt::Key_PageDown);
    ASSERT_EQ(canvas->selectedModules(), std::vector<Module*>{modules[0]});
    EXPECT_EQ(iface->text(QAccessible::Name), announced(modules[0]));
    EXPECT_EQ(heard, QStringList{announced(modules[0])});

    QTest::keyClick(canvas, Qt::Key_PageDown);
    EXPECT_EQ(canvas->selectedModules(), std::vector<Module*>{modules[1]});
    QTest::keyClick(canvas, Qt::Key_PageUp);
    QTest::keyClick(canvas, Qt::Key_PageUp);
    EXPECT_EQ(canvas->selectedModules(), std::vector<Module*>{modules[0]}) << "stops at the first";
    QTest::keyClick(canvas, Qt::Key_End);
    EXPECT_EQ(canvas->selectedModules(), std::vector<Module*>{modules.back()});
    EXPECT_EQ(iface->text(QAccessible::Name), announced(modules.back()));
    QTest::keyClick(canvas, Qt::Key_PageDown);
    EXPECT_EQ(canvas->selectedModules(), std::vector<Module*>{modules.back()}) << "stops at the last";
    QTest::keyClick(canvas, Qt::Key_Home);
    EXPECT_EQ(canvas->selectedModules(), std::vector<Module*>{modules[0]});

    // Several, then a pin with its value.
    canvas->setSelection({modules[0], modules[1], modules[2]});
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("3 modules selected"));
    EXPECT_TRUE(heard.contains(QStringLiteral("3 modules selected")));
    canvas->setSelection({modules[0]});
    ModuleField::Ptr input;
    for (const auto& f : modules[0]->fieldArray())
        if (!f->isOutput() && !f->getName(true, false, false, false, true).empty()) {
            input = f;
            break;
        }
    ASSERT_TRUE(input);
    canvas->setSelectedField(input);
    const QString withField =
        announced(modules[0]) + QStringLiteral("; field ") + QString::fromLatin1(input->name().c_str()) +
        QStringLiteral(" of ") + QString::fromLatin1(std::string(modules[0]->instanceName()).c_str()) +
        QStringLiteral(": ") + QString::fromLatin1(input->getName(true, false, false, false, true).c_str());
    EXPECT_EQ(iface->text(QAccessible::Name), withField);
    EXPECT_TRUE(heard.contains(withField));

    // With nothing selected the canvas is the canvas again.
    canvas->setSelectedField(nullptr);
    canvas->clearSelection();
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Patch canvas"));
    EXPECT_EQ(heard.last(), QStringLiteral("Patch canvas"));

    // Arrows move what the keyboard selected; one undo step a press.
    QTest::keyClick(canvas, Qt::Key_PageDown);
    const Point before = modules[0]->rect().origin;
    QTest::keyClick(canvas, Qt::Key_Right);
    EXPECT_EQ(modules[0]->rect().origin.x, before.x + 1);
}

TEST(Accessibility, TheGridPanelTakesTheKeyboardWhenAskedForAgain)
{
    Windows windows;
    GraphicWindowController* window = windows.graphicWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
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
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), panel->showsGridCheckbox());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), panel->gridSpacingSlider());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), panel->gridColorWell());
    panel->hide();
}
