// SPDX-License-Identifier: GPL-3.0-or-later
// File > Compare with Saved and Compare With...: the compare window lists
// exactly the differences, shows their modules in the patch window, paints
// them over the canvas while it is open, and takes them from the other
// patch as one undo step.
#include "canvas/CompareWindow.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/UndoGroup.h"
#include "canvas/CompareOverlay.h"
#include "canvas/GraphicView.h"
#include "gui/AppTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using namespace tosk;
using namespace tosk::test;

namespace {

const char* const kPatch = "HEADM adc Demo t 2 2 1 g-out adc-null adc-nullobj ;=20,40,80,0\r\n"
                           "SINE osc 440 0.5 ;=140,40,80,0\r\n"
                           "GAIN g osc-out knob-out ;=260,40,80,0\r\n"
                           "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=150,160,80,0\r\n"
                           "TAIL Ann\r\n";

struct CompareFixture {
    App app;
    GraphicWindowController* window = nullptr;
    std::string saved;

    CompareFixture()
    {
        window = app.documents->openDocument(app.file("demo.sig", kPatch));
        if (window)
            saved = window->sigDocument()->sigData();
    }
    SigDocument& doc() { return *window->sigDocument(); }
    Module& module(const char* name) { return *window->sigFile()->findModuleByName(name); }
    // Changes the field of the module holding `from` to `to`, as one edit.
    void edit(const char* name, const char* from, const char* to)
    {
        for (const auto& f : module(name).fieldArray())
            if (f->text() == from) {
                UndoGroup event(doc());
                ASSERT_TRUE(PatchEditor(doc()).setFieldText(f, to));
                return;
            }
        FAIL() << "no field " << from;
    }
    CompareWindow* compareWithSaved()
    {
        menuAction(*window, "actionCompareWithSaved")->trigger();
        return window->compareWindow();
    }
};

// The tree as lines: "what | kind | other | this", children indented.
std::vector<std::string> rows(QTreeWidget* tree, bool shownOnly = false)
{
    std::vector<std::string> out;
    auto line = [](QTreeWidgetItem* item, const char* indent) {
        return indent + item->text(0).toStdString() + " | " + item->text(1).toStdString() + " | " +
               item->text(2).toStdString() + " | " + item->text(3).toStdString();
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree->topLevelItem(i);
        if (shownOnly && top->isHidden())
            continue;
        out.push_back(line(top, ""));
        for (int k = 0; k < top->childCount(); ++k)
            if (!shownOnly || !top->child(k)->isHidden())
                out.push_back(line(top->child(k), "  "));
    }
    return out;
}

} // namespace

TEST(CompareWindow, CompareWithSavedListsTheEditsChoosesTheirModulesAndFollowsThePatch)
{
    CompareFixture f;
    ASSERT_TRUE(f.window);
    f.edit("osc", "440", "220");
    f.edit("knob", "Knob:%5.2f", "Level:%5.2f");
    CompareWindow* compare = f.compareWithSaved();
    ASSERT_TRUE(compare);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(compare));
    EXPECT_EQ(compare->windowTitle().toStdString(), "Compare demo with the saved file");
    QTreeWidget* tree = compare->tree();
    EXPECT_EQ(rows(tree),
              (std::vector<std::string>{"osc (SINE) | Changed |  | ", "  freq | Changed | 440 | 220",
                                        "knob (KNOB) | Changed |  | ", "  menu | Changed | Knob:%5.2f | Level:%5.2f"}));
    EXPECT_EQ(compare->summaryLabel()->text().toStdString(), "2 differences");
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded()) << "a module's changed fields show at once";

    // Choosing a difference selects its module in the patch window.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                      tree->visualItemRect(tree->topLevelItem(1)).center());
    const std::vector<Module*> selected = f.window->graphicView()->selectedModules();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected.front()->instanceName(), "knob");

    QTest::keyClicks(compare->filterField(), "level");
    EXPECT_EQ(rows(tree, true),
              (std::vector<std::string>{"knob (KNOB) | Changed |  | ", "  menu | Changed | Knob:%5.2f | Level:%5.2f"}));
    compare->filterField()->clear();
    EXPECT_EQ(rows(tree, true).size(), 4u);

    // The list follows the patch: each edit undone leaves it.
    f.doc().undoManager().undo();
    EXPECT_EQ(rows(tree), (std::vector<std::string>{"osc (SINE) | Changed |  | ", "  freq | Changed | 440 | 220"}));
    EXPECT_EQ(compare->summaryLabel()->text().toStdString(), "1 difference");
    f.doc().undoManager().undo();
    EXPECT_TRUE(rows(tree).empty());
    EXPECT_EQ(compare->summaryLabel()->text().toStdString(), "The patches are the same.");
}

TEST(CompareWindow, TheCanvasOutlinesAnAddedModuleAndTakeFromOtherIsOneUndoStep)
{
    CompareFixture f;
    ASSERT_TRUE(f.window);
    GraphicView* view = f.window->graphicView();
    view->setZoom(1 / view->magnification());
    // The saved file as the other: this patch gains a module and a value.
    ASSERT_TRUE(view->insertModule("SINE", &f.module("knob")));
    ASSERT_EQ(view->selectedModules().size(), 1u);
    const Rect g = view->canvasLayout().graphicRect(*view->selectedModules().front());
    view->clearSelection();
    // The middle of the added module's outline's left side, in widget pixels.
    const QPoint at(static_cast<int>(g.origin.x - CompareOverlay::kOutlineGap),
                    static_cast<int>(g.origin.y + g.size.height / 2));
    auto outlined = [&] { return view->grab().toImage().pixelColor(at) == CompareOverlay::addedColor(); };
    EXPECT_FALSE(outlined());
    f.edit("osc", "440", "220");
    const std::string edited = f.doc().sigData();
    CompareWindow* compare = f.compareWithSaved();
    ASSERT_TRUE(compare);
    ASSERT_EQ(compare->tree()->topLevelItemCount(), 2);
    EXPECT_EQ(compare->tree()->topLevelItem(1)->text(CompareWindow::KindColumn).toStdString(), "Added");
    EXPECT_TRUE(outlined());
    const size_t steps = f.doc().undoManager().undoCount();

    QTest::mouseClick(compare->takeAllButton(), Qt::LeftButton);
    EXPECT_EQ(f.doc().sigData(), f.saved);
    EXPECT_EQ(f.doc().undoManager().undoCount(), steps + 1);

    f.doc().undoManager().undo();
    EXPECT_EQ(f.doc().sigData(), edited);
    // One chosen difference: the value only.
    QTreeWidgetItem* value = compare->tree()->findItems("freq", Qt::MatchRecursive).value(0);
    ASSERT_TRUE(value);
    compare->tree()->setCurrentItem(value);
    ASSERT_TRUE(compare->takeButton()->isEnabled());
    QTest::mouseClick(compare->takeButton(), Qt::LeftButton);
    EXPECT_EQ(lineOf(f.doc(), "SINE osc"), "SINE osc 440 0.5");
    EXPECT_EQ(compare->tree()->topLevelItemCount(), 1) << "the added module is left";
    // The overlay is the view's: closing the window takes it away.
    compare->close();
    EXPECT_FALSE(outlined());
}

TEST(CompareWindow, CompareWithAsksForAFileAndAlertsWhatTheCoreRefuses)
{
    CompareFixture f;
    ASSERT_TRUE(f.window);
    // The other file names the oscillator as this patch names the knob.
    const QString path = f.app.file("other.sig", edited(kPatch, {{"adc Demo", "adc Old"},
                                                                 {"SINE osc 440 0.5", "SINE Knob 440 0.25"},
                                                                 {"g osc-out", "g Knob-out"}}));
    ScopedScriptedFileChooser chooser;
    chooser.answers = {path.toStdString()};
    menuAction(*f.window, "actionCompareWith")->trigger();
    ASSERT_EQ(chooser.requests.size(), 1u);
    EXPECT_EQ(chooser.requests[0].fileTypes, (std::vector<std::string>{"sig", "sif", "bak"}));
    CompareWindow* compare = f.window->compareWindow();
    ASSERT_TRUE(compare);
    EXPECT_EQ(compare->windowTitle().toStdString(), "Compare demo with other.sig");
    EXPECT_EQ(rows(compare->tree()),
              (std::vector<std::string>{"Title | Changed | Old | Demo", "osc (SINE) | Changed |  | ",
                                        "  Name | Changed | Knob | osc", "  opstart_name | Changed | Knob | osc",
                                        "  amp | Changed | 0.25 | 0.5", "g (GAIN) | Changed |  | ",
                                        "  gain | Changed | Knob-out | knob-out"}));
    // The title's row is of no module: nothing is chosen in the patch window.
    compare->tree()->setCurrentItem(compare->tree()->topLevelItem(0));
    EXPECT_TRUE(f.window->graphicView()->selectedModules().empty());

    ScopedRecordingAlerts alerts;
    QTest::mouseClick(compare->takeAllButton(), Qt::LeftButton);
    EXPECT_EQ(alertLines(alerts.recorded),
              (std::vector<std::string>{"Critical | ERROR | Knob is the name of another module of this patch. | OK"}));
    EXPECT_EQ(f.doc().sigData(), f.saved);
    EXPECT_EQ(f.doc().undoManager().undoCount(), 0u);

    // Closing the patch window takes its compare window along.
    QPointer<CompareWindow> gone = compare;
    f.doc().updateChangeCount(SigDocument::ChangeCleared);
    f.window->close();
    QApplication::processEvents();
    EXPECT_TRUE(gone.isNull());
}
