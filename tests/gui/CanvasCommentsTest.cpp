// SPDX-License-Identifier: GPL-3.0-or-later
// Comments on the real canvas: added from the Patch menu and the menu of
// empty canvas, edited in place, dragged, copied, pasted, deleted and
// undone, with the sig text they leave.
#include "canvas/CanvasComments.h"
#include "Toskfile/MyExtensions.h"
#include "canvas/CommentPainter.h"
#include "gui/AppTestSupport.h"
#include "gui/CanvasTestSupport.h"

#include <QClipboard>
#include <QMenu>

using namespace tosk;
using namespace tosk::test;

namespace {

std::string commentedPatch()
{
    return canvasPatch() + sigLines({";Comment=300,380 Old"});
}

struct CommentWindow : AppMenuWindow {
    explicit CommentWindow(const std::string& text = commentedPatch()) : AppMenuWindow(text) {}
    CanvasComments& comments() { return view->comments(); }
    // The comment lines of the saved text, without their line ends.
    std::vector<std::string> lines() const
    {
        std::vector<std::string> found;
        const std::string text = doc->sigData();
        for (size_t at = 0; (at = text.find(";Comment=", at)) != std::string::npos;) {
            const size_t end = text.find("\r\n", at);
            found.push_back(text.substr(at, end - at));
            at = end;
        }
        return found;
    }
    std::string undoTitle() const { return doc->undoManager().undoMenuItemTitle(); }
    size_t steps() const { return doc->undoManager().undoCount(); }
    std::vector<std::string> menuItems(QMenu& menu) const
    {
        std::vector<std::string> names;
        for (QAction* a : menu.actions())
            if (!a->isSeparator())
                names.push_back(a->objectName().toStdString());
        return names;
    }
};

using Lines = std::vector<std::string>;

} // namespace

TEST(CanvasComments, AddCommentFromThePatchMenuOpensItForTyping)
{
    CommentWindow w(canvasPatch());
    const Rect seen = w.view->visibleArea();
    w.action("actionAddComment")->trigger();
    CommentEditor* editor = w.comments().editor();
    ASSERT_TRUE(editor);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(editor->hasFocus());
    ASSERT_EQ(w.doc->sigFile()->comments().size(), 1u);
    const Rect placed = CommentPainter::rect(*w.doc->sigFile()->comments()[0]);
    // The new text replaces the "Comment" it starts with; Return is a line break.
    QTest::keyClicks(editor, "Two");
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, "lines");
    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_FALSE(w.comments().editor());
    const PatchComment first = *w.doc->sigFile()->comments()[0];
    const std::string place = numberString(first.origin.x) + "," + numberString(first.origin.y);
    EXPECT_EQ(w.lines(), Lines{";Comment=" + place + " Two\\nlines"});
    EXPECT_EQ(w.steps(), 2u);
    EXPECT_EQ(w.undoTitle(), "Undo Edit Comment");

    w.action("actionAddComment")->trigger();
    ASSERT_TRUE(w.comments().editor());
    QTest::keyClick(w.comments().editor(), Qt::Key_Escape);
    ASSERT_EQ(w.doc->sigFile()->comments().size(), 2u);
    const PatchComment second = *w.doc->sigFile()->comments()[1];
    // Each where it was placed: in what is seen, the second clear of the first.
    EXPECT_TRUE(seen.contains(placed));
    EXPECT_TRUE(seen.contains(CommentPainter::rect(second)));
    EXPECT_FALSE(CommentPainter::rect(first).intersects(CommentPainter::rect(second)));
    const std::string next = numberString(second.origin.x) + "," + numberString(second.origin.y);
    EXPECT_EQ(w.lines(), (Lines{";Comment=" + place + " Two\\nlines", ";Comment=" + next + " Comment"}));
    EXPECT_EQ(w.undoTitle(), "Undo Add Comment") << "Escape keeps the text and records nothing";

    w.action("actionUndo")->trigger();
    w.action("actionUndo")->trigger();
    EXPECT_EQ(w.lines(), Lines{";Comment=" + place + " Comment"});
    w.action("actionUndo")->trigger();
    EXPECT_EQ(w.lines(), Lines{});
    EXPECT_EQ(w.doc->sigData(), canvasPatch());
}

TEST(CanvasComments, TheMenuOfEmptyCanvasAddsACommentWhereItWasOpened)
{
    CommentWindow w;
    std::unique_ptr<QMenu> menu(w.view->menuForPoint(Point{200, 420}, w.view));
    const Lines items = w.menuItems(*menu);
    ASSERT_GE(items.size(), 3u);
    EXPECT_EQ(Lines(items.begin(), items.begin() + 3),
              (Lines{"contextPaste", "contextAddComment", "contextSelectAll"}));
    QAction* add = menu->findChild<QAction*>("contextAddComment");
    ASSERT_TRUE(add);
    add->trigger();
    ASSERT_TRUE(w.comments().editor());
    QTest::keyClicks(w.comments().editor(), "Here");
    QTest::keyClick(w.comments().editor(), Qt::Key_Enter, Qt::ControlModifier);
    EXPECT_EQ(w.lines(), (Lines{";Comment=300,380 Old", ";Comment=200,420 Here"}));

    // On a comment: its own menu, and the comment selected for it.
    std::unique_ptr<QMenu> own(w.view->menuForPoint(Point{305, 385}, w.view));
    EXPECT_EQ(w.menuItems(*own), (Lines{"contextCut", "contextCopy", "contextDelete", "contextEditComment"}));
    ASSERT_EQ(w.comments().selected().size(), 1u);
    EXPECT_EQ(w.comments().selected().front()->text, "Old");
}

TEST(CanvasComments, DoubleClickEditsInPlaceAndLeavingTheBoxKeepsTheText)
{
    CommentWindow w;
    QTest::mouseDClick(w.view, Qt::LeftButton, Qt::NoModifier, w.at(305, 385));
    CommentEditor* editor = w.comments().editor();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->toPlainText().toStdString(), "Old");
    EXPECT_EQ(editor->geometry().topLeft(), w.at(300, 380));
    QTest::keyClicks(editor, " text");
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(w.lines(), Lines{";Comment=300,380 Old"});
    EXPECT_EQ(w.steps(), 0u);

    QTest::mouseDClick(w.view, Qt::LeftButton, Qt::NoModifier, w.at(305, 385));
    ASSERT_TRUE(w.comments().editor());
    QTest::keyClicks(w.comments().editor(), " text");
    // A click on empty canvas takes the focus: the text is kept.
    w.click(w.at(600, 420));
    EXPECT_FALSE(w.comments().editor());
    EXPECT_EQ(w.lines(), Lines{";Comment=300,380 Old text"});
    EXPECT_EQ(w.steps(), 1u);
    EXPECT_EQ(w.undoTitle(), "Undo Edit Comment");
    w.action("actionUndo")->trigger();
    EXPECT_EQ(w.doc->sigData(), commentedPatch());
}

TEST(CanvasComments, DraggingMovesTheCommentAsOneUndoStep)
{
    struct Case {
        const char* what;
        QPoint by;
        const char* line;
    };
    const Case cases[] = {
        {"by the mouse's way", {40, -20}, ";Comment=340,360 Old"},
        {"a 2-point wiggle moves nothing", {2, -2}, ";Comment=300,380 Old"},
        {"stopped at the canvas's top and left edges", {-400, -500}, ";Comment=1,1 Old"},
        {"past the right edge: the canvas grows to reach it", {2000, 0}, ";Comment=2300,380 Old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CommentWindow w;
        w.drag(w.at(305, 385), w.at(305, 385) + c.by);
        EXPECT_EQ(w.lines(), Lines{c.line});
        EXPECT_GE(w.view->width(), w.at(CommentPainter::rect(*w.patch().comments()[0]).maxX(), 0).x());
        EXPECT_EQ(w.comments().selected().size(), 1u);
        const bool moved = std::string(c.line) != ";Comment=300,380 Old";
        EXPECT_EQ(w.steps(), moved ? 1u : 0u);
        if (moved) {
            EXPECT_EQ(w.undoTitle(), "Undo Move");
            w.action("actionUndo")->trigger();
            EXPECT_EQ(w.doc->sigData(), commentedPatch());
        }
    }
}

TEST(CanvasComments, CopyPasteDeleteAndUndoTreatACommentAsAModule)
{
    CommentWindow w;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    w.click(w.at(305, 385));
    ASSERT_EQ(w.comments().selected().size(), 1u);
    EXPECT_TRUE(w.selection().empty());

    w.action("actionCopy")->trigger();
    EXPECT_EQ(clipboard->text().toStdString(), ";Comment=300,380 Old\r\n");
    w.action("actionPaste")->trigger();
    EXPECT_EQ(w.lines(), (Lines{";Comment=300,380 Old", ";Comment=310,390 Old"}));
    EXPECT_EQ(w.undoTitle(), "Undo Paste");
    ASSERT_EQ(w.comments().selected().size(), 1u);
    EXPECT_EQ(w.comments().selected().front()->origin, (Point{310, 390}));
    EXPECT_EQ(w.patch().moduleCount(), 8u) << "no module pasted";

    QTest::keyClick(w.view, Qt::Key_Delete);
    EXPECT_EQ(w.lines(), Lines{";Comment=300,380 Old"});
    EXPECT_EQ(w.undoTitle(), "Undo Delete Comment");
    EXPECT_TRUE(w.comments().selected().empty());

    // Selecting a module lets the comment go; Shift-click adds comments.
    w.click(w.at(305, 385));
    w.click(w.middleOf("osc"));
    EXPECT_TRUE(w.comments().selected().empty());
    EXPECT_EQ(w.selection(), Lines{"osc"});

    w.action("actionUndo")->trigger();
    EXPECT_EQ(w.lines(), (Lines{";Comment=300,380 Old", ";Comment=310,390 Old"}));
    w.click(w.at(305, 385));
    // The pasted one, clicked where the first does not lie under it.
    ASSERT_EQ(w.patch().comments().size(), 2u);
    const Rect pasted = CommentPainter::rect(*w.patch().comments()[1]);
    const QPoint corner = w.at(pasted.maxX() - 2, pasted.maxY() - 2);
    w.click(corner, Qt::ShiftModifier);
    EXPECT_EQ(w.comments().selected().size(), 2u);
    w.action("actionCut")->trigger();
    EXPECT_EQ(w.lines(), Lines{});
    EXPECT_EQ(w.undoTitle(), "Undo Cut");
    EXPECT_EQ(clipboard->text().toStdString(), ";Comment=300,380 Old\r\n;Comment=310,390 Old\r\n");
    w.action("actionUndo")->trigger();
    w.action("actionUndo")->trigger();
    EXPECT_EQ(w.doc->sigData(), commentedPatch());
}
