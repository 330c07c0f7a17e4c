// The patch window's own edits go through the edit layer: each is one undo
// step, and the window's title and text window follow undo and redo.
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/Alerts.h"
#include "base/NotificationCenter.h"
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/TextView.h"
#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace tosk;

namespace {

const char* const kPatch = "HEADM adc Demo t 2 2 1 g-out adc-null adc-nullobj ;=20,40,80,0\r\n"
                           "SINE osc 440 0.5 ;=140,40,80,0\r\n"
                           "GAIN g osc-out knob-out ;=260,40,80,0\r\n"
                           "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=150,160,80,0\r\n"
                           "TAIL Ann\r\n";

struct Window {
    std::shared_ptr<SigDocument> doc;
    QPointer<GraphicWindowController> window;

    explicit Window(const std::string& text)
    {
        doc = std::make_shared<SigDocument>();
        doc->initWithData(text, std::string("demo"), std::nullopt, test::bundledDbase());
        GraphicWindowController::Hooks hooks;
        hooks.uploadText = [](SigDocument& d) { return d.sigData(); };
        window = new GraphicWindowController(doc, hooks);
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
    Module& module(const char* name) { return *doc->sigFile()->findModuleByName(name); }
    void select(std::vector<Module*> modules)
    {
        GraphicView* view = window->graphicView();
        view->marks().selectedModules.clear();
        for (Module* m : modules)
            view->marks().selectedModules.push_back(m->shared_from_this());
        NotificationCenter::defaultCenter().post(GraphicWindowController::ModuleSelectionChangedNotification, view);
    }
};

} // namespace

TEST(PatchEditing, AlignButtonsAreOneUndoStepEachAndTheTitleFollowsUndo)
{
    Window w(kPatch);
    UndoManager& undo = w.doc->undoManager();
    Module& osc = w.module("osc");
    Module& knob = w.module("knob");
    w.select({&osc, &knob});
    auto* left = w.window->findChild<QToolButton*>("alignLeftBtn");
    ASSERT_TRUE(left);
    ASSERT_TRUE(left->isEnabled());

    QTest::mouseClick(left, Qt::LeftButton);
    EXPECT_EQ(knob.rect().origin, (Point{140, 160}));
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Align Left Edges");
    EXPECT_EQ(w.window->windowTitle(), "demo*");
    QTest::mouseClick(w.window->findChild<QToolButton*>("alignTopBtn"), Qt::LeftButton);
    EXPECT_EQ(knob.rect().origin, (Point{140, 40}));
    EXPECT_EQ(undo.undoCount(), 2u);

    undo.undo();
    EXPECT_EQ(knob.rect().origin, (Point{140, 160}));
    undo.undo();
    EXPECT_EQ(knob.rect().origin, (Point{150, 160}));
    EXPECT_EQ(w.window->windowTitle(), "demo") << "back where it was read";
    undo.redo();
    EXPECT_EQ(w.window->windowTitle(), "demo*");
}

TEST(PatchEditing, TitleSheetIsUndoableAndRefusesWhatTheFileCannotHold)
{
    Window w(kPatch);
    QTest::mouseClick(w.window->findChild<QToolButton*>("showTextBtn"), Qt::LeftButton);
    QPointer<TextWindowController> text = w.window->textWindowController();
    ASSERT_TRUE(text);
    auto* sheet = w.window->titleSheet();
    auto* title = sheet->findChild<QLineEdit*>("titleField");
    auto* author = sheet->findChild<QLineEdit*>("authorField");
    auto* ok = sheet->findChild<QPushButton*>("okButton");

    {
        ScopedRecordingAlerts alerts;
        w.window->raiseTitleWindow();
        title->setText("Say \"hi\"");
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_EQ(test::alertLines(alerts.recorded),
                  std::vector<std::string>{"Critical | ERROR | 'Say \"hi\"' cannot be kept in a patch: the file would "
                                           "not read it back the same. A value may hold no double quote or line "
                                           "break, and may not stand between apostrophes with a blank inside. | OK"});
        EXPECT_EQ(w.doc->sigFile()->programName(), "Demo");
        EXPECT_FALSE(w.doc->isDocumentEdited());

        // A character past Latin-1 would be stored as "?".
        alerts.recorded.clear();
        w.window->raiseTitleWindow();
        author->setText(QString::fromUtf8("Zo\u00eb \u0141uk"));
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_EQ(test::alertLines(alerts.recorded),
                  std::vector<std::string>{
                      "Critical | ERROR | '\u0141' cannot be kept in a patch: a patch file holds Latin-1 characters "
                      "only. | OK"});
        EXPECT_EQ(w.doc->sigFile()->author(), "Ann");
        EXPECT_FALSE(w.doc->isDocumentEdited());
    }

    w.window->raiseTitleWindow();
    title->setText("Night Hall");
    author->setText("Bob");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(w.doc->undoManager().undoMenuItemTitle(), "Undo Set Title and Author");
    EXPECT_NE(text->textView()->toPlainText().indexOf("\"Night Hall\""), -1);
    w.doc->undoManager().undo();
    EXPECT_EQ(w.doc->sigFile()->programName(), "Demo");
    EXPECT_EQ(w.doc->sigFile()->author(), "Ann");
    EXPECT_EQ(text->textView()->toPlainText().indexOf("Night Hall"), -1) << "the text window follows undo";
    EXPECT_EQ(w.window->windowTitle(), "demo");
}

TEST(PatchEditing, ALayoutOnOpeningIsAChangeNoUndoTakesBack)
{
    // Saved without positions: laid out when the window opens.
    Window w("HEADM adc Demo t 2 2 1 g-out adc-null adc-nullobj\r\n"
             "SINE osc 440 0.5\r\n"
             "GAIN g osc-out 1\r\n"
             "TAIL Ann\r\n");
    EXPECT_TRUE(w.doc->isDocumentEdited());
    EXPECT_FALSE(w.doc->undoManager().canUndo());
    EXPECT_GT(w.module("g").rect().x(), 0) << "placed";
    w.select({&w.module("osc"), &w.module("g")});
    QTest::mouseClick(w.window->findChild<QToolButton*>("alignTopBtn"), Qt::LeftButton);
    w.doc->undoManager().undo();
    EXPECT_EQ(w.window->windowTitle(), "demo*") << "the layout is still unsaved";
}
