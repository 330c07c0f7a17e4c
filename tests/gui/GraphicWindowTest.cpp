// SPDX-License-Identifier: GPL-3.0-or-later
// The patch window driven headless: show-mode buttons, zoom, the title
// sheet, the text window and closing.
#include "Toskfile/CanvasLayout.h"
#include "Toskfile/Module.h"
#include "Toskfile/PatchEditor.h"
#include "canvas/TextView.h"
#include "canvas/TextWindowController.h"
#include "gui/AppTestSupport.h"
#include "gui/CanvasTestSupport.h"

#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>

using namespace tosk;
using namespace tosk::test;

namespace {

// head -> osc (SINE) -> gain (GAIN) -> head output, with a knob on the gain.
const std::string kSmallPatch = sigLines({"HEADM adc Demo t 2 2 1 gain-out adc-null adc-nullobj ;=0,0,80,0",
                                          "SINE osc 440 0.5 ;=100,40,80,0", "GAIN gain osc-out knob-out ;=250,40,80,0",
                                          "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=100,160,80,0", "TAIL Ann"});

struct Window : CanvasWindow {
    explicit Window(const std::string& text = kSmallPatch) : CanvasWindow(text, false) {}
    // A missing button fails the test on the exception rather than crashing.
    QToolButton* button(const char* name)
    {
        auto* b = window->findChild<QToolButton*>(QString::fromLatin1(name));
        if (!b)
            throw std::runtime_error(std::string("no button ") + name);
        return b;
    }
    void click(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            QTest::mouseClick(button(name), Qt::LeftButton);
    }
    // 1 for each checked show-mode button: the four pin buttons, defaults,
    // information and order.
    std::string checked()
    {
        std::string out;
        for (const char* name : {"hideSignalBtn", "hideControlBtn", "hideUserBtn", "hideUnconnectedBtn",
                                 "hideDefaultValuesBtn", "hideInformationBtn", "revealOrderBtn"})
            out += button(name)->isChecked() ? '1' : '0';
        return out;
    }
};

} // namespace

TEST(GraphicWindow, ZoomButtonsFitThePatchAndKeepTheSelectionInSight)
{
    Window w;
    GraphicView* view = w.view;
    w.click({"zoomToFitBtn"});
    QApplication::processEvents();
    const double fitted = view->magnification();
    // The fit leaves 116 points around the patch's modules.
    const Rect area = w.patch().visibleArea(w.view->showMode());
    EXPECT_EQ(view->visibleRect(), area);
    const QSize viewport = w.window->enclosingScrollView()->viewport()->size();
    const double expected =
        std::min(viewport.width() / (area.width() + 116), viewport.height() / (area.height() + 116));
    EXPECT_NEAR(fitted, expected, 1e-9);

    w.click({"zoomInBtn"});
    EXPECT_NEAR(view->magnification(), fitted * 1.25, 1e-9);
    w.click({"zoomOutBtn"});
    EXPECT_NEAR(view->magnification(), fitted, 1e-9) << "1.25 x 0.8 = 1";
    view->setZoom(2);
    w.click({"zoomToFitBtn"});
    EXPECT_NEAR(view->magnification(), fitted, 1e-9);
    EXPECT_EQ(view->scrollPoint(), (Point{0, 0}));

    // Zoomed in, the selection stays in sight.
    Module& gain = w.module("gain");
    view->marks().selectedModules = {gain.shared_from_this()};
    view->setZoom(4 / view->magnification()); // 4 pixels a point: the gain is out of sight
    const Rect seen = view->visibleArea();
    const Rect box = view->canvasLayout().graphicRect(gain);
    EXPECT_NEAR(view->scrollPoint().x, box.maxX() - seen.width(), 1e-9) << "its right edge at the right edge";
    EXPECT_NEAR(view->scrollPoint().y, 0, 1e-9) << "its top was in sight";
}

TEST(GraphicWindow, TitleSheetTextWindowAndClosingWithUnsavedChanges)
{
    Window w;
    ScopedRecordingAlerts alerts;
    w.window->hooks().uploadText = [](SigDocument& d) { return "title " + d.sigFile()->programName() + "\r\n"; };
    w.click({"showTextBtn"});
    QPointer<TextWindowController> text = w.window->textWindowController();
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->isVisible());
    EXPECT_EQ(text->windowTitle(), "demo");
    EXPECT_EQ(text->textView()->toPlainText(), "title Demo\n");
    EXPECT_TRUE(text->textView()->isReadOnly());
    w.click({"showTextBtn"});
    EXPECT_EQ(w.window->textWindowController(), text) << "the button raises the open window";

    // The title sheet: Cancel changes nothing, OK takes both fields, and the
    // edit reaches the text window.
    w.window->raiseTitleWindow();
    auto* sheet = w.window->titleSheet();
    ASSERT_TRUE(sheet->isVisible());
    auto* title = sheet->findChild<QLineEdit*>("titleField");
    auto* author = sheet->findChild<QLineEdit*>("authorField");
    auto* cancel = sheet->findChild<QPushButton*>("cancelButton");
    auto* ok = sheet->findChild<QPushButton*>("okButton");
    ASSERT_TRUE(title && author && cancel && ok);
    EXPECT_EQ(title->text() + "/" + author->text(), "Demo/Ann");
    for (QPushButton* button : {cancel, ok}) {
        title->setText("Night Hall");
        author->setText("Bob");
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_FALSE(sheet->isVisible());
        EXPECT_EQ(w.doc->isDocumentEdited(), button == ok);
        w.window->raiseTitleWindow();
        EXPECT_EQ(title->text() + "/" + author->text(), button == ok ? "Night Hall/Bob" : "Demo/Ann");
    }
    EXPECT_EQ(text->textView()->toPlainText(), "title Night Hall\n");
    w.doc->undoManager().undo();
    EXPECT_EQ(text->textView()->toPlainText(), "title Demo\n") << "the text window follows undo";
    w.window->raiseTitleWindow();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(w.doc->isDocumentEdited()) << "OK with nothing changed";
    EXPECT_TRUE(alerts.recorded.empty());

    // Its context menu: the patch's own with a selection, the standard one without.
    text->textView()->selectAll();
    std::unique_ptr<QMenu> menu(text->textView()->menuForEvent(QPoint(5, 5)));
    EXPECT_EQ(menu->title(), "SigFile Options");
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Reorder Modules");
    text->textView()->moveCursor(QTextCursor::End);
    menu.reset(text->textView()->menuForEvent(QPoint(5, 5)));
    EXPECT_NE(menu->title(), "SigFile Options");
    menu.reset();

    // Closing with unsaved changes asks: Cancel, Save (which fails: the
    // window stays), Don't Save. The text window goes with the window.
    int saves = 0;
    w.window->hooks().save = [&saves](GraphicWindowController&) {
        ++saves;
        return false;
    };
    w.doc->undoManager().redo();
    alerts.answers = {2, 0, 1};
    EXPECT_FALSE(w.window->close()) << "Cancel";
    ASSERT_EQ(alerts.recorded.size(), 1u);
    EXPECT_FALSE(w.window->close()) << "Save, which failed";
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(w.window->close()) << "Don't Save";
    QApplication::processEvents();
    EXPECT_TRUE(!w.window && !text);
}

// Every mark of a module that leaves the patch goes with it, and the marks of
// a module that dies unannounced read as none: a paint before each look
// touches neither (AddressSanitizer would see it).
TEST(GraphicWindow, MarksOfAModuleThatLeavesThePatchOrDiesAreDropped)
{
    Window w;
    GraphicView* view = w.view;
    CanvasMarks& marks = view->marks();
    auto markEverything = [&marks](const Module::Ptr& m) {
        marks.selectedModules = {m};
        marks.highlightModule = marks.orderSourceModule = m;
        marks.selectedField = marks.highlightField = m->field("out")->shared();
        marks.fieldConnectionPoint = Point{300, 300};
        marks.orderConnectionPoint = Point{320, 300};
    };
    auto allGone = [&marks, view] {
        view->grab();
        return marks.selection().empty() && marks.highlightModule.expired() && marks.orderSourceModule.expired() &&
               marks.selectedField.expired() && marks.highlightField.expired();
    };

    auto knob = w.patch().findModuleByName("knob");
    markEverything(knob);
    marks.selectedModules.push_back(w.patch().findModuleByName("gain"));
    w.patch().removeModule(knob.get());
    view->invalidateModule(*knob);
    EXPECT_EQ(view->selectedModules(), std::vector<Module*>{&w.module("gain")}) << "the one still in the patch stays";
    marks.selectedModules.clear();
    EXPECT_TRUE(allGone()) << "dropped, though the knob is still alive";

    auto spare = Module::moduleNamed("GAIN", std::string("spare"), bundledDbase());
    w.patch().addModule(spare);
    markEverything(spare);
    EXPECT_FALSE(allGone());
    w.patch().removeModule(spare.get());
    spare.reset();
    EXPECT_TRUE(allGone()) << "the module has died";
}

// Each show-mode button sets its bit, and the canvas is laid out for the
// new mode as a fresh layout would be, also after a move and its undo; the
// mode outlives Revert, and Show All shows every pin.
TEST(GraphicWindow, ShowModeButtonsLayTheCanvasOutAsAFreshLayoutWouldAndOutliveRevert)
{
    Window w(canvasPatch());
    SigFile& patch = w.patch();
    // What the canvas draws and hits: each module's rows and box, and its
    // pins (the head's boxes are its pins).
    auto seen = [&](const CanvasLayout& layout) {
        std::vector<std::pair<int, Rect>> out;
        for (const auto& m : patch.listOfModules()) {
            out.emplace_back(layout.rows(*m), layout.box(*m));
            for (const auto& f : m->fieldArray())
                out.emplace_back(0, layout.pinRect(*f));
        }
        return out;
    };
    auto fresh = [&] {
        CanvasLayout layout(w.view->showMode());
        layout.layOut(patch, patch.head().get());
        return seen(layout);
    };
    Module& mix = w.module("mix");
    const int mode = w.view->showMode();
    const auto before = seen(w.view->canvasLayout());
    ASSERT_EQ(w.view->canvasLayout().box(mix), Rect(380, 40, 80, 96)) << "two signal and three control inputs";
    for (const auto& [name, bit] :
         std::vector<std::pair<const char*, int>>{{"hideSignalBtn", Module::SHOW_SIGNAL},
                                                  {"hideControlBtn", Module::SHOW_CONTROL},
                                                  {"hideUserBtn", Module::SHOW_USEROBJ},
                                                  {"hideUnconnectedBtn", Module::SHOW_UNCONNECTED},
                                                  {"revealOrderBtn", Module::SHOW_ORDER}}) {
        SCOPED_TRACE(name);
        w.view->selectModule(mix);
        QTest::keyClick(w.view, Qt::Key_Right);
        ASSERT_EQ(mix.rect().origin, (Point{381, 40}));
        w.click({name});
        EXPECT_EQ(w.view->showMode(), mode ^ bit);
        w.doc->undoManager().undo();
        EXPECT_FALSE(w.doc->isDocumentEdited()) << "the show mode is no edit";
        EXPECT_EQ(mix.rect().origin, (Point{380, 40}));
        EXPECT_EQ(seen(w.view->canvasLayout()), fresh());
        w.click({name});
        EXPECT_EQ(w.view->showMode(), mode);
        EXPECT_EQ(seen(w.view->canvasLayout()), before);
    }

    // Unconnected pins hidden: a wire made and undone elsewhere brings a pin
    // of the module it feeds and takes it away again.
    w.click({"hideUnconnectedBtn"});
    const auto unwired = seen(w.view->canvasLayout());
    ASSERT_TRUE(PatchEditor(*w.doc).connectFields(w.field("lfo", "out"), w.field("m2", "gain1")));
    EXPECT_EQ(seen(w.view->canvasLayout()), fresh());
    EXPECT_NE(seen(w.view->canvasLayout()), unwired) << "the input has its pin";
    w.doc->undoManager().undo();
    EXPECT_EQ(seen(w.view->canvasLayout()), unwired);
    w.click({"hideUnconnectedBtn"});
    ASSERT_EQ(w.view->showMode(), mode);

    w.click({"hideSignalBtn", "hideDefaultValuesBtn", "hideInformationBtn", "revealOrderBtn"});
    // The show mode is the window's: the file read again (Revert) is shown
    // the same way, with the buttons as they were.
    auto reread = std::make_shared<SigDocument>();
    reread->initWithData(canvasPatch(), std::string("demo"), std::nullopt, bundledDbase());
    w.window->replaceDocument(reread);
    w.doc = reread;
    EXPECT_EQ(w.view->showMode(), mode ^ (32 | 64 | 128 | Module::SHOW_SIGNAL));
    EXPECT_EQ(w.view->canvasLayout().pinRow(*w.module("g").field("gain")), 1) << "laid out for it";
    EXPECT_EQ(w.checked(), "1000111");
    w.click({"hideControlBtn", "hideUserBtn", "hideUnconnectedBtn"});
    EXPECT_EQ(w.view->showMode(), ~0 ^ (1 | 2 | 4 | 8 | 32 | 64));

    // Show All turns off the four hide buttons only.
    w.click({"showAllBtn"});
    EXPECT_EQ(w.view->showMode(), ~0 ^ (32 | 64)) << "defaults and information stay hidden";
    EXPECT_EQ(w.checked(), "0000111");
    w.click({"hideInformationBtn", "hideDefaultValuesBtn"});
    EXPECT_EQ(w.view->showMode(), -1);
    // Only the pin and order buttons bring the show-all button up to date.
    EXPECT_TRUE(w.button("showAllBtn")->isEnabled());
    w.click({"hideSignalBtn", "hideSignalBtn"});
    EXPECT_FALSE(w.button("showAllBtn")->isEnabled()) << "everything is shown";
    // The align buttons need two modules selected.
    for (const bool two : {false, true}) {
        w.view->setSelection(two ? std::vector<Module*>{&w.module("mix"), &w.module("g")}
                                 : std::vector<Module*>{&w.module("mix")});
        for (const char* name : {"alignLeftBtn", "alignRightBtn", "alignTopBtn", "alignBottomBtn"})
            EXPECT_EQ(w.button(name)->isEnabled(), two) << name;
    }
}
