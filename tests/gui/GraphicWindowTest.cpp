// The patch window driven headless: show-mode buttons, zoom, the title
// sheet, the text window and closing.
#include "Toskfile/Module.h"
#include "Toskfile/PatchLayout.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "app/MainMenuDelegate.h"
#include "base/Alerts.h"
#include "base/NotificationCenter.h"
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/TextView.h"
#include "canvas/TextWindowController.h"
#include "database/SigDbase.h"
#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace tosk;

namespace {

// head -> osc (SINE) -> gain (GAIN) -> head output, with a knob on the gain.
std::shared_ptr<SigDocument> smallPatch()
{
    auto doc = std::make_shared<SigDocument>();
    auto patch = std::make_unique<SigFile>(test::bundledDbase(), doc.get());
    auto add = [&](const char* op, const char* name, double x, double y) {
        auto m = Module::moduleNamed(op, std::string(name), test::bundledDbase());
        m->moveToPosition(Point{x, y});
        patch->addModule(m);
        return m;
    };
    auto head = add("HEADM", "adc", 0, 0);
    patch->setHead();
    patch->setProgramName("Demo");
    auto osc = add("SINE", "osc", 100, 40);
    auto gain = add("GAIN", "gain", 250, 40);
    auto knob = add("KNOB", "knob", 100, 160);
    gain->field("in")->source(osc->field("out"), std::nullopt, false);
    gain->field("gain")->source(knob->field("out"), std::nullopt, false);
    head->field("out1in")->source(gain->field("out"), std::nullopt, false);
    patch->setAuthor("Ann");
    doc->setDisplayName("small");
    doc->setSigFile(std::move(patch));
    return doc;
}

// A missing button fails the test (gtest reports the exception) instead of
// crashing the program with every other test in it.
QToolButton* button(QWidget& window, const char* name)
{
    auto* b = window.findChild<QToolButton*>(QString::fromLatin1(name));
    if (!b)
        throw std::runtime_error(std::string("no button ") + name);
    return b;
}

// Every field's pin row, module by module.
std::vector<int> pinRows(const SigFile& patch)
{
    std::vector<int> rows;
    for (const auto& m : patch.listOfModules()) {
        rows.push_back(m->height());
        for (const auto& f : m->fieldArray())
            rows.push_back(f->gpos());
    }
    return rows;
}

struct Window {
    std::shared_ptr<SigDocument> doc = smallPatch();
    QPointer<GraphicWindowController> window;

    explicit Window(GraphicWindowController::Hooks hooks = {})
    {
        window = new GraphicWindowController(doc, std::move(hooks));
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    ~Window()
    {
        if (window) {
            doc->updateChangeCount(SigDocument::ChangeCleared);
            window->close();
        }
        QApplication::processEvents();
    }
    SigFile& patch() { return *doc->sigFile(); }
    Module& module(const char* name)
    {
        auto m = patch().findModuleByName(name);
        if (!m)
            throw std::runtime_error(std::string("no module ") + name);
        return *m;
    }
};

} // namespace

TEST(GraphicWindow, ShowModeButtonsChangePinRowsAndPressingTwiceRestores)
{
    Window w;
    const std::vector<int> before = pinRows(w.patch());
    Module& gain = w.module("gain");
    ASSERT_EQ(gain.field("in")->gpos(), 1);
    ASSERT_EQ(gain.field("gain")->gpos(), 2);

    QTest::mouseClick(button(*w.window, "hideSignalBtn"), Qt::LeftButton);
    EXPECT_EQ(w.patch().showMode() & Module::SHOW_SIGNAL, 0);
    EXPECT_TRUE(button(*w.window, "hideSignalBtn")->isChecked());
    EXPECT_EQ(gain.field("in")->gpos(), 0) << "signal pins hidden";
    EXPECT_EQ(gain.field("gain")->gpos(), 1) << "the control pin moves up to row 1";
    EXPECT_FALSE(w.doc->isDocumentEdited()) << "the show mode is no edit";
    QTest::mouseClick(button(*w.window, "hideSignalBtn"), Qt::LeftButton);
    EXPECT_EQ(pinRows(w.patch()), before);

    QTest::mouseClick(button(*w.window, "hideControlBtn"), Qt::LeftButton);
    EXPECT_EQ(gain.field("gain")->gpos(), 0);
    EXPECT_EQ(w.module("knob").height(), 4) << "the knob keeps its hidden fields' box";
    QTest::mouseClick(button(*w.window, "hideControlBtn"), Qt::LeftButton);
    EXPECT_EQ(pinRows(w.patch()), before);

    QTest::mouseClick(button(*w.window, "hideUnconnectedBtn"), Qt::LeftButton);
    EXPECT_EQ(w.module("osc").field("freq")->gpos(), 0) << "an unconnected input loses its pin";
    EXPECT_EQ(gain.field("in")->gpos(), 1) << "a connected one keeps it";
    QTest::mouseClick(button(*w.window, "hideUnconnectedBtn"), Qt::LeftButton);
    EXPECT_EQ(pinRows(w.patch()), before);

    QTest::mouseClick(button(*w.window, "hideUserBtn"), Qt::LeftButton);
    EXPECT_EQ(w.module("knob").field("obj")->gpos(), 0);
    QTest::mouseClick(button(*w.window, "hideUserBtn"), Qt::LeftButton);
    EXPECT_EQ(pinRows(w.patch()), before);

    const int mode = w.patch().showMode();
    QTest::mouseClick(button(*w.window, "hideDefaultValuesBtn"), Qt::LeftButton);
    QTest::mouseClick(button(*w.window, "hideInformationBtn"), Qt::LeftButton);
    QTest::mouseClick(button(*w.window, "revealOrderBtn"), Qt::LeftButton);
    EXPECT_EQ(w.patch().showMode(), mode ^ (32 | 64 | 128));
    EXPECT_EQ(pinRows(w.patch()), before) << "defaults, information and order move no pin";
}

TEST(GraphicWindow, ShowAllTurnsOffTheFourHideButtonsOnly)
{
    Window w;
    for (const char* name : {"hideSignalBtn", "hideControlBtn", "hideUserBtn", "hideUnconnectedBtn",
                             "hideDefaultValuesBtn", "hideInformationBtn", "revealOrderBtn"})
        QTest::mouseClick(button(*w.window, name), Qt::LeftButton);
    EXPECT_EQ(w.patch().showMode(), ~0 ^ (1 | 2 | 4 | 8 | 32 | 64));
    EXPECT_TRUE(button(*w.window, "showAllBtn")->isEnabled());

    QTest::mouseClick(button(*w.window, "showAllBtn"), Qt::LeftButton);
    EXPECT_EQ(w.patch().showMode(), ~0 ^ (32 | 64)) << "defaults and information stay hidden";
    for (const char* name : {"hideSignalBtn", "hideControlBtn", "hideUserBtn", "hideUnconnectedBtn"})
        EXPECT_FALSE(button(*w.window, name)->isChecked()) << name;
    for (const char* name : {"hideDefaultValuesBtn", "hideInformationBtn", "revealOrderBtn"})
        EXPECT_TRUE(button(*w.window, name)->isChecked()) << name;

    QTest::mouseClick(button(*w.window, "hideDefaultValuesBtn"), Qt::LeftButton);
    QTest::mouseClick(button(*w.window, "hideInformationBtn"), Qt::LeftButton);
    EXPECT_EQ(w.patch().showMode(), -1) << "the order is revealed since the start";
    // Only the pin and order buttons bring the show-all button up to date.
    EXPECT_TRUE(button(*w.window, "showAllBtn")->isEnabled());
    QTest::mouseClick(button(*w.window, "hideSignalBtn"), Qt::LeftButton);
    QTest::mouseClick(button(*w.window, "hideSignalBtn"), Qt::LeftButton);
    EXPECT_FALSE(button(*w.window, "showAllBtn")->isEnabled()) << "everything is shown";
    for (const char* name : {"alignLeftBtn", "alignRightBtn", "alignTopBtn", "alignBottomBtn"})
        EXPECT_FALSE(button(*w.window, name)->isEnabled()) << name;
}

TEST(GraphicWindow, ZoomButtons)
{
    Window w;
    QApplication::processEvents();
    w.window->grab().save(QString::fromStdString((test::outputDir("GraphicWindow") / "window.png").string()));
    GraphicView* view = w.window->graphicView();
    const double fitted = view->magnification();
    // The fit leaves 116 points around the patch's modules.
    const Rect area = w.patch().visibleArea(w.patch().showMode());
    EXPECT_EQ(view->visibleRect(), area);
    const QSize viewport = w.window->enclosingScrollView()->viewport()->size();
    const double expected =
        std::min(viewport.width() / (area.width() + 116), viewport.height() / (area.height() + 116));
    EXPECT_NEAR(fitted, expected, 1e-9);

    QTest::mouseClick(button(*w.window, "zoomInBtn"), Qt::LeftButton);
    EXPECT_NEAR(view->magnification(), fitted * 1.25, 1e-9);
    EXPECT_EQ(view->width(), int(std::ceil(std::max(view->frameSize().width(), view->maxX()) * fitted * 1.25)));
    QTest::mouseClick(button(*w.window, "zoomOutBtn"), Qt::LeftButton);
    EXPECT_NEAR(view->magnification(), fitted, 1e-9) << "1.25 x 0.8 = 1";
    view->setZoom(2);
    QTest::mouseClick(button(*w.window, "zoomToFitBtn"), Qt::LeftButton);
    EXPECT_NEAR(view->magnification(), fitted, 1e-9);
    EXPECT_EQ(view->scrollPoint(), (Point{0, 0}));
}

TEST(GraphicWindow, TitleSheetCancelChangesNothingAndOkTakesBothFields)
{
    Window w;
    w.window->raiseTitleWindow();
    auto* sheet = w.window->titleSheet();
    ASSERT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    auto* title = sheet->findChild<QLineEdit*>("titleField");
    auto* author = sheet->findChild<QLineEdit*>("authorField");
    auto* cancel = sheet->findChild<QPushButton*>("cancelButton");
    auto* ok = sheet->findChild<QPushButton*>("okButton");
    ASSERT_TRUE(title && author && cancel && ok);
    EXPECT_EQ(title->text(), "Demo");
    EXPECT_EQ(author->text(), "Ann");
    title->setText("Other");
    author->setText("Bob");
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(w.patch().programName(), "Demo");
    EXPECT_EQ(w.patch().author(), "Ann");
    EXPECT_FALSE(w.doc->isDocumentEdited());
    EXPECT_EQ(w.window->windowTitle(), "small");

    w.window->raiseTitleWindow();
    title->setText("Night Hall");
    author->setText("Bob");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(w.patch().programName(), "Night Hall");
    EXPECT_EQ(w.patch().author(), "Bob");
    EXPECT_TRUE(w.doc->isDocumentEdited());
    EXPECT_EQ(w.window->windowTitle(), "small*");
}

TEST(GraphicWindow, TextWindowFollowsEditsAndClosesWithThePatchWindow)
{
    GraphicWindowController::Hooks hooks;
    hooks.uploadText = [](SigDocument& d) { return "title " + d.sigFile()->programName() + "\r\n"; };
    auto w = std::make_unique<Window>(hooks);
    QTest::mouseClick(button(*w->window, "showTextBtn"), Qt::LeftButton);
    QPointer<TextWindowController> text = w->window->textWindowController();
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->isVisible());
    EXPECT_EQ(text->windowTitle(), "small");
    EXPECT_EQ(text->textView()->toPlainText(), "title Demo\n");
    EXPECT_TRUE(text->textView()->isReadOnly());
    EXPECT_EQ(text->textView()->lineWrapMode(), QPlainTextEdit::NoWrap);
    QTest::mouseClick(button(*w->window, "showTextBtn"), Qt::LeftButton);
    EXPECT_EQ(w->window->textWindowController(), text) << "the button raises the open window";

    // An edit through the title sheet reaches the text window.
    w->window->raiseTitleWindow();
    auto* title = w->window->titleSheet()->findChild<QLineEdit*>("titleField");
    auto* ok = w->window->titleSheet()->findChild<QPushButton*>("okButton");
    ASSERT_TRUE(title && ok);
    title->setText("Hall");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(text->textView()->toPlainText(), "title Hall\n");

    // Its context menu: the patch's own with a selection, the standard one without.
    text->textView()->selectAll();
    std::unique_ptr<QMenu> menu(text->textView()->menuForEvent(QPoint(5, 5)));
    EXPECT_EQ(menu->title(), "SigFile Options");
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Reorder Modules");
    QTextCursor cursor = text->textView()->textCursor();
    cursor.clearSelection();
    text->textView()->setTextCursor(cursor);
    menu.reset(text->textView()->menuForEvent(QPoint(5, 5)));
    EXPECT_NE(menu->title(), "SigFile Options");
    EXPECT_GT(menu->actions().size(), 1);
    menu.reset();

    w.reset();
    QApplication::processEvents();
    EXPECT_FALSE(text) << "the text window closed with the patch window";
}

TEST(GraphicWindow, ClosingWithUnsavedChangesAsks)
{
    int saves = 0;
    GraphicWindowController::Hooks hooks;
    hooks.save = [&saves](GraphicWindowController&) {
        ++saves;
        return false; // the save failed: the window stays
    };
    Window w(hooks);
    w.window->documentHasChanged();
    ScopedRecordingAlerts alerts;
    alerts.answers = {2, 0, 1};
    EXPECT_FALSE(w.window->close()) << "Cancel";
    ASSERT_EQ(alerts.recorded.size(), 1u);
    EXPECT_EQ(alerts.recorded[0].message, "Do you want to save the changes made to the document \"small\"?");
    EXPECT_EQ(alerts.recorded[0].buttons, (std::vector<std::string>{"Save", "Don't Save", "Cancel"}));
    EXPECT_FALSE(w.window->close()) << "Save, which failed";
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(w.window->close()) << "Don't Save";
    QApplication::processEvents();
    EXPECT_FALSE(w.window);
}

TEST(GraphicWindow, ZoomKeepsTheSelectionInSightAndInvalidationDropsRemovedModules)
{
    Window w;
    GraphicView* view = w.window->graphicView();
    Module& knob = w.module("knob");
    Module& gain = w.module("gain");
    view->marks().selectedModules = {gain.shared_from_this()};
    view->setZoom(4 / view->magnification()); // 4 pixels a point: the gain is out of sight
    const Rect seen = view->visibleArea();
    const Rect box = gain.graphicRect();
    EXPECT_NEAR(view->scrollPoint().x, box.maxX() - seen.width(), 1e-9) << "its right edge at the right edge";
    EXPECT_NEAR(seen.maxX(), box.maxX(), 0.5);
    EXPECT_NEAR(view->scrollPoint().y, 0, 1e-9) << "its top was in sight";

    view->marks().selectedModules = {gain.shared_from_this(), knob.shared_from_this()};
    auto owned = w.patch().findModuleByName("knob");
    w.patch().removeModule(owned.get());
    view->invalidateModule(knob);
    EXPECT_EQ(view->selectedModules(), (std::vector<Module*>{&gain})) << "a removed module leaves the selection";
    w.doc->invalidateModule(gain);
    EXPECT_EQ(view->selectedModules().size(), 1u) << "one still in the patch stays";
}

// Every mark of a module that leaves the patch goes with it, and the marks of
// a module that dies unannounced read as none: the paints that follow touch
// neither (AddressSanitizer would see it).
TEST(GraphicWindow, MarksOfAModuleThatLeavesThePatchOrDiesAreDropped)
{
    Window w;
    GraphicView* view = w.window->graphicView();
    CanvasMarks& marks = view->marks();
    auto markEverything = [&marks](const Module::Ptr& m) {
        marks.selectedModules = {m};
        marks.highlightModule = marks.orderSourceModule = m;
        marks.selectedField = marks.highlightField = m->field("out");
        marks.fieldConnectionPoint = Point{300, 300};
        marks.orderConnectionPoint = Point{320, 300};
    };
    auto allGone = [&marks] {
        return marks.selection().empty() && marks.highlightModule.expired() && marks.orderSourceModule.expired() &&
               marks.selectedField.expired() && marks.highlightField.expired();
    };

    auto knob = w.patch().findModuleByName("knob");
    markEverything(knob);
    w.patch().removeModule(knob.get());
    view->invalidateModule(*knob);
    EXPECT_TRUE(allGone()) << "dropped, though the knob is still alive";
    EXPECT_FALSE(view->grab().isNull());

    auto spare = Module::moduleNamed("GAIN", std::string("spare"), test::bundledDbase());
    w.patch().addModule(spare);
    markEverything(spare);
    EXPECT_FALSE(view->grab().isNull());
    EXPECT_FALSE(allGone());
    w.patch().removeModule(spare.get());
    spare.reset();
    EXPECT_TRUE(allGone()) << "the module has died";
    EXPECT_FALSE(view->grab().isNull());
}

TEST(GraphicWindow, IsTheDelegatesCurrentPatchWindowUntilItCloses)
{
    Window w;
    MainMenuDelegate delegate;
    QWidget browser;
    delegate.mainWindowChanged(w.window);
    EXPECT_EQ(delegate.graphicWindowController(), w.window.data());
    delegate.mainWindowChanged(&browser);
    EXPECT_EQ(delegate.graphicWindowController(), w.window.data()) << "a browser leaves it as it was";
    delegate.mainWindowResigned(&browser);
    EXPECT_EQ(delegate.graphicWindowController(), w.window.data()) << "a floating panel taking the focus too";
    std::vector<QWidget*> told;
    QObject::connect(&delegate, &MainMenuDelegate::graphicWindowControllerChanged,
                     [&told](QWidget* window) { told.push_back(window); });
    w.doc->updateChangeCount(SigDocument::ChangeCleared);
    w.window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(delegate.graphicWindowController(), nullptr) << "closed";
    EXPECT_EQ(told, std::vector<QWidget*>{nullptr});
}

TEST(GraphicWindow, APatchInOneColumnIsOneToLayOut)
{
    auto doc = smallPatch();
    SigFile& patch = *doc->sigFile();
    EXPECT_FALSE(PatchLayout::standsInOneColumn(patch)) << "modules side by side";
    for (const auto& m : patch.listOfModules())
        m->moveToPosition(Point{0, 0});
    EXPECT_TRUE(PatchLayout::standsInOneColumn(patch)) << "no positions: everything at the origin";
    while (patch.moduleCount() > 1)
        patch.removeModuleAtIndex(1);
    EXPECT_FALSE(PatchLayout::standsInOneColumn(patch)) << "a head alone has nothing to lay out";
}
