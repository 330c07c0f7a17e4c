// SPDX-License-Identifier: GPL-3.0-or-later
// Patcher gestures on the real canvas: wires picked by a click, the context
// menus of a module, a wire and the empty canvas, and where added modules
// land.
#include "Toskfile/PatchEditor.h"
#include "Toskfile/UndoGroup.h"
#include "Toskfile/Wire.h"
#include "canvas/BadgePainter.h"
#include "canvas/CanvasQuickAdd.h"
#include "canvas/CanvasStyle.h"
#include "gui/CanvasTestSupport.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>

using namespace tosk;
using namespace tosk::test;

namespace {

// A widget point on the slanted run of the wire into the input, away from
// every box and pin.
QPoint onWire(CanvasWindow& w, const char* module, const char* input)
{
    const CanvasLayout& layout = w.view->canvasLayout();
    const ModuleField::Ptr f = w.field(module, input);
    const Wire wire = Wire::between(layout.pinRect(*f), layout.pinRect(*f->source()));
    return w.at((wire.points[1].x + wire.points[2].x) / 2, (wire.points[1].y + wire.points[2].y) / 2);
}

// The items of the canvas's menu at the point, "Title" or "Title (off)",
// separators as "-", joined by "|"; the item named `trigger` is chosen.
std::string menuAt(CanvasWindow& w, QPoint p, const char* trigger = nullptr)
{
    std::unique_ptr<QMenu> menu(w.view->menuForPoint(w.view->canvasPoint(QPointF(p)), w.view));
    QStringList items;
    for (QAction* a : menu->actions())
        items << (a->isSeparator() ? "-" : a->text() + (a->isEnabled() ? "" : " (off)"));
    if (trigger) {
        QAction* action = menu->findChild<QAction*>(QString::fromLatin1(trigger));
        EXPECT_TRUE(action) << trigger;
        if (action)
            action->trigger();
    }
    w.view->dropContextSelection();
    return items.join('|').toStdString();
}

} // namespace

TEST(CanvasPatcher, AClickOnAWireSelectsItAndDeleteUnwiresItAsOneStep)
{
    CanvasWindow w;
    UndoManager& undo = w.doc->undoManager();
    const QPoint p = onWire(w, "g", "in");
    w.select({"knob"});

    const QColor selected = CanvasStyle::role(ci_selected);
    EXPECT_NE(w.view->grab().toImage().pixelColor(p), selected);
    QTest::mouseClick(w.view, Qt::LeftButton, Qt::NoModifier, p);
    EXPECT_EQ(w.view->selectedWire(), w.field("g", "in"));
    EXPECT_TRUE(w.selection().empty());
    EXPECT_EQ(w.view->grab().toImage().pixelColor(p), selected) << "drawn in the selection colour";

    QTest::keyClick(w.view, Qt::Key_Delete);
    EXPECT_EQ(w.field("g", "in")->source(), nullptr);
    EXPECT_EQ(w.view->selectedWire(), nullptr);
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Delete Connection");
    undo.undo();

    // A press there that moves is a rubber band, and picks no wire.
    w.drag(p, p + QPoint(40, 40));
    EXPECT_EQ(w.view->selectedWire(), nullptr);
    // A click on a box lets a picked wire go.
    QTest::mouseClick(w.view, Qt::LeftButton, Qt::NoModifier, p);
    ASSERT_NE(w.view->selectedWire(), nullptr);
    QTest::mouseClick(w.view, Qt::LeftButton, Qt::NoModifier, w.middleOf("lfo"));
    EXPECT_EQ(w.view->selectedWire(), nullptr);
}

TEST(CanvasPatcher, ContextMenusOfAModuleAWireAndTheEmptyCanvasActOnWhatWasUnderTheMouse)
{
    // The operator reference and the add panel, as the menus ask for them.
    std::vector<std::string> references;
    int addPanels = 0;
    CanvasWindow w;
    w.window->hooks().operatorReference = [&](GraphicWindowController&, Module& m) {
        references.push_back(std::string(m.instanceName()));
    };
    w.window->hooks().addModule = [&](GraphicWindowController&) { ++addPanels; };
    QGuiApplication::clipboard()->clear();
    const std::string canvasItems =
        "|-|Show &Ruler|Show &Grid|&Snap to Grid|&Grid Selected Items (off)|-|re-&Position|re-&Order|-|"
        "Set &Title and Author...";
    EXPECT_EQ(menuAt(w, w.middleOf("osc")),
              "Cu&t|&Copy|D&uplicate|&Delete|-|&Inspect Module|&Operator Reference" + canvasItems);
    EXPECT_EQ(menuAt(w, w.middleOf("shape")),
              "Cu&t|&Copy|D&uplicate|&Delete|-|&Inspect Module|&Edit Specific|&Operator Reference" + canvasItems);
    EXPECT_EQ(menuAt(w, onWire(w, "g", "in")), "&Delete Connection|&Insert Module...");
    EXPECT_EQ(menuAt(w, w.at(600, 500)), "&Paste (off)|&Add Module...|Add &Comment|Select &All" + canvasItems);
    CanvasWindow noPanel;
    EXPECT_EQ(menuAt(noPanel, noPanel.at(600, 500)), "&Paste (off)|Add &Comment|Select &All" + canvasItems);

    // The first item of the menu a click or key opens, and the selection
    // while it is open.
    auto open = [&w](QContextMenuEvent::Reason reason, QPoint at) {
        std::pair<std::string, std::vector<std::string>> seen;
        whenShown<QMenu>([&](QMenu* menu) {
            seen = {menu->actions().value(0)->text().toStdString(), w.selection()};
            menu->close();
        });
        QContextMenuEvent event(reason, at, w.view->mapToGlobal(at));
        QApplication::sendEvent(w.view, &event);
        return seen;
    };
    // A click selects for the menu alone; on a selected module the
    // selection stays.
    w.select({"osc", "g"});
    EXPECT_EQ(open(QContextMenuEvent::Mouse, w.middleOf("lfo")).second, std::vector<std::string>{"lfo"});
    EXPECT_TRUE(w.selection().empty()) << "the menu's own selection goes when it closes";
    w.select({"shape"});
    open(QContextMenuEvent::Mouse, w.middleOf("shape"));
    EXPECT_EQ(w.selection(), std::vector<std::string>{"shape"});
    // From the keyboard it opens on the selection, wherever the mouse is.
    w.select({"osc"});
    EXPECT_EQ(open(QContextMenuEvent::Keyboard, w.at(600, 500)).first, "Cu&t");

    // The items act on what was under the mouse.
    menuAt(w, w.middleOf("lfo"), "contextDuplicate");
    EXPECT_NE(w.patch().findModuleByName("lfo1"), nullptr);
    menuAt(w, w.middleOf("osc"), "contextOperatorReference");
    EXPECT_EQ(references, (std::vector<std::string>{"osc"}));

    menuAt(w, onWire(w, "g", "in"), "contextDeleteConnection");
    EXPECT_EQ(w.field("g", "in")->source(), nullptr);
    w.doc->undoManager().undo();
    menuAt(w, onWire(w, "g", "in"), "contextInsertModule");
    EXPECT_EQ(addPanels, 1);
    EXPECT_EQ(w.view->selectedWire(), w.field("g", "in")) << "the panel inserts into the wire picked";
    ASSERT_TRUE(w.view->insertModule("GAIN", w.patch().head().get()));
    EXPECT_EQ(w.field("g", "in")->source(), w.module("gain").field("out"));
    EXPECT_EQ(w.selection(), std::vector<std::string>{"gain"});

    menuAt(w, w.at(600, 500), "contextAddModule");
    EXPECT_EQ(addPanels, 2);
}

TEST(CanvasPatcher, AnOperatorDroppedGoesIntoTheWireUnderItOrLandsThereNeverOnTheHead)
{
    CanvasWindow w;
    UndoManager& undo = w.doc->undoManager();
    const QPoint p = onWire(w, "g", "in");
    QMimeData mime;
    mime.setData(QString::fromLatin1(GraphicView::OperatorMimeType), QByteArray("GAIN"));

    // Dragged over the wire, the wire lights up; off it, it goes dark.
    QDragEnterEvent enter(p, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.view, &enter);
    QDragMoveEvent over(p, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.view, &over);
    EXPECT_EQ(w.view->highlightedWire(), w.field("g", "in"));
    QDragMoveEvent off(w.at(600, 500), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.view, &off);
    EXPECT_EQ(w.view->highlightedWire(), nullptr);
    // Other drags are not taken.
    QMimeData text;
    text.setText("SINE");
    EXPECT_FALSE(dropOn(w.view, text, p));

    dropOperator(w.view, "GAIN", p);
    EXPECT_EQ(w.view->highlightedWire(), nullptr);
    Module& made = w.module("gain");
    EXPECT_EQ(w.field("g", "in")->source(), made.field("out"));
    EXPECT_EQ(made.rect().origin, w.view->canvasPoint(QPointF(p)));
    EXPECT_EQ(w.selection(), std::vector<std::string>{"gain"});
    undo.undo();

    // An operator without pins for the wire is placed there, wires untouched.
    dropOperator(w.view, "KNOB", onWire(w, "g", "gain"));
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Add Module");
    EXPECT_EQ(w.field("g", "gain")->source(), w.field("lfo", "out"));
    undo.undo();

    const size_t count = w.patch().moduleCount();
    const Rect head = w.view->canvasLayout().box(*w.patch().head());
    dropOperator(w.view, "SINE", w.at(head.midX(), head.midY()));
    EXPECT_EQ(w.patch().moduleCount(), count) << "refused on the head";

    // On empty canvas it lands where it was dropped, snapped when asked, and
    // runs right after the head, or after the one module selected; dropped
    // on a module, after that.
    dropOperator(w.view, "SINE", w.at(613, 488));
    EXPECT_EQ(w.module("sine").rect().origin, Point(613, 488));
    EXPECT_EQ(w.patch().moduleAtIndex(1)->instanceName(), "sine");
    w.view->setSnapsToGrid(true);
    w.view->setGridSpacing(25);
    dropOperator(w.view, "SINE", w.at(613, 488));
    EXPECT_EQ(w.module("sine1").rect().origin, Point(625, 500)) << "on the nearest grid point";
    EXPECT_EQ(w.patch().moduleAtIndex(2)->instanceName(), "sine1") << "the drop selects what it made";
    dropOperator(w.view, "GAIN", w.middleOf("lfo"));
    EXPECT_EQ(w.patch().indexOfModule(&w.module("gain")), w.patch().indexOfModule(&w.module("lfo")) + 1);

    // Added with nothing selected, a module finds room in sight.
    w.view->setSnapsToGrid(false);
    QScrollArea* area = w.view->enclosingScrollView();
    ASSERT_TRUE(area);
    w.view->setFrameSize(QSizeF(2000, 1500));
    area->horizontalScrollBar()->setValue(150);
    area->verticalScrollBar()->setValue(100);
    const Rect sight = w.view->visibleArea();
    w.select({});
    ASSERT_TRUE(w.view->insertModule("GAIN", w.patch().head().get()));
    ASSERT_EQ(w.selection(), std::vector<std::string>{"gain1"});
    const Rect r = w.view->canvasLayout().graphicRect(w.module("gain1"));
    EXPECT_TRUE(r.x() >= sight.x() && r.y() >= sight.y() && r.maxX() <= sight.maxX() && r.maxY() <= sight.maxY());
}

TEST(CanvasPatcher, ANewPatchOpensAtActualSizeAndTheStatusBarShowsTheZoom)
{
    for (bool actualSize : {true, false}) {
        SCOPED_TRACE(actualSize ? "new patch" : "patch read");
        auto doc = std::make_shared<SigDocument>();
        doc->initWithData(sigLines({"HEADM adc Demo t 2 2 1 osc-out osc-out adc-nullobj ;=20,40,80,0",
                                    "SINE osc 440 0.5 ;=140,40,80,0", "TAIL Ann"}),
                          std::string("demo"), std::nullopt, bundledDbase());
        QPointer<GraphicWindowController> window = new GraphicWindowController(doc);
        window->setOpensAtActualSize(actualSize);
        window->resize(900, 700);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        QLabel* zoom = window->zoomLabel();
        ASSERT_TRUE(zoom);
        if (actualSize) {
            EXPECT_EQ(zoom->text(), "100 %");
            window->onZoomIn();
            EXPECT_EQ(zoom->text(), "125 %");
        } else {
            EXPECT_GT(window->graphicView()->magnification(), 1.5) << "one small module fitted to the window";
        }
        doc->updateChangeCount(SigDocument::ChangeCleared);
        window->close();
        QApplication::processEvents();
    }
}

TEST(CanvasPatcher, ADoubleClickOnEmptyCanvasSearchesAndPlacesThere)
{
    CanvasWindow w;
    UndoManager& undo = w.doc->undoManager();
    const QPoint at = w.at(600, 480);
    doubleClick(w.view, at);
    CanvasQuickAdd* quick = w.view->quickAdd();
    ASSERT_TRUE(quick);
    EXPECT_TRUE(quick->isVisible());
    EXPECT_EQ(quick->pos(), at);
    EXPECT_TRUE(quick->field()->hasFocus());

    // Ranked as the add panel ranks (ALLPASS first); the arrows pick another.
    QTest::keyClicks(quick->field(), "lps");
    QTest::keyClick(quick->field(), Qt::Key_Down);
    QTest::keyClick(quick->field(), Qt::Key_Return);
    EXPECT_FALSE(quick->isVisible());
    EXPECT_EQ(w.module("lowpass").rect().origin, Point(600, 480));
    EXPECT_EQ(w.selection(), std::vector<std::string>{"lowpass"});
    EXPECT_EQ(undo.undoCount(), 1u);

    // Escape closes it and places nothing.
    doubleClick(w.view, w.at(600, 300));
    QTest::keyClicks(quick->field(), "sine");
    QTest::keyClick(quick->field(), Qt::Key_Escape);
    EXPECT_FALSE(quick->isVisible());
    EXPECT_EQ(undo.undoCount(), 1u);

    // Shift+Return wires the module selected before the double-click into
    // the new one and runs it after that, in one step.
    w.select({"osc"});
    doubleClick(w.view, w.at(600, 300));
    QTest::keyClicks(quick->field(), "LOWPASS");
    QTest::keyClick(quick->field(), Qt::Key_Return, Qt::ShiftModifier);
    Module& wired = w.module("lowpass1");
    EXPECT_EQ(wired.rect().origin, Point(600, 300));
    EXPECT_EQ(w.patch().indexOfModule(&wired), w.patch().indexOfModule(&w.module("osc")) + 1);
    EXPECT_EQ(wired.field("in")->source(), w.field("osc", "out"));
    EXPECT_EQ(undo.undoCount(), 2u);
}

TEST(CanvasPatcher, AWireAgainstTheOrderIsSaidAndItsBadgesWarnWhileItStays)
{
    CanvasWindow w;
    w.window->onRevealOrder();
    // Pixels of the warning colour inside a module's badge.
    auto warned = [&w](const char* name) {
        const QImage image = w.view->grab().toImage();
        const Rect badge = w.view->canvasLayout().orderCircle(w.module(name));
        int count = 0;
        for (int y = int(badge.y()); y < int(badge.maxY()); ++y)
            for (int x = int(badge.x()); x < int(badge.maxX()); ++x)
                count += image.pixelColor(w.at(x, y)) == BadgePainter::kWarningFill;
        return count;
    };
    ASSERT_EQ(warned("g"), 0);

    // The mixer m2 runs after g: wiring it into g runs against the order.
    QString said;
    QObject::connect(w.view, &GraphicView::statusTextChanged, w.view, [&said](const QString& s) { said = s; });
    {
        UndoGroup step(*w.doc);
        ASSERT_TRUE(PatchEditor(*w.doc).connectFields(w.field("m2", "out"), w.field("g", "in")));
    }
    EXPECT_EQ(said, QString::fromUtf8("g runs before m2, which feeds it \u2014 Patch \u25B8 Reorder SigFile"));
    EXPECT_GT(warned("g"), 0);
    EXPECT_GT(warned("m2"), 0);
    EXPECT_EQ(warned("osc"), 0);

    // Undo takes the wire away, and the warning with it.
    w.doc->undoManager().undo();
    EXPECT_EQ(warned("g") + warned("m2"), 0);
}
