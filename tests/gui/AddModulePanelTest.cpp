// SPDX-License-Identifier: GPL-3.0-or-later
// The add-module panel driven through its widgets: the tree, the buttons'
// rules, adding by button, double click, drag and search, each one undo
// step.
#include "browsers/MyOutlineView.h"
#include "browsers/TreeNodeModel.h"
#include "editors/AddModuleController.h"
#include "gui/AppTestSupport.h"
#include "gui/CanvasTestSupport.h"

#include <QLineEdit>
#include <QPushButton>

using namespace tosk;
using namespace tosk::test;

namespace {

// The rows at the top of the tree, or of the search result.
QStringList topRows(TreeNodeModel* model)
{
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r)
        rows << model->index(r, 0).data().toString();
    return rows;
}

struct Panel {
    CanvasWindow w;
    AddModuleController panel;

    explicit Panel(const std::string& text = canvasPatch()) : w(text, false)
    {
        panel.setSigDbase(bundledDbase());
        panel.setMainWindow(w.window);
        panel.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&panel));
    }
    TreeNodeModel* model() { return panel.treeModel(); }
    QModelIndex group(const char* cls) { return model()->index(topRows(model()).indexOf(cls), 0); }
    QModelIndex leaf(const char* cls, const char* op)
    {
        const QModelIndex g = group(cls);
        if (model()->canFetchMore(g))
            model()->fetchMore(g);
        for (int r = 0; r < model()->rowCount(g); ++r)
            if (model()->index(r, 0, g).data().toString() == QLatin1String(op))
                return model()->index(r, 0, g);
        return {};
    }
    void selectRow(const QModelIndex& index)
    {
        panel.moduleView()->setCurrentIndex(index);
        panel.moduleView()->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    }
    // The patch's modules in order.
    std::string modules()
    {
        std::string names;
        for (const auto& m : w.patch().listOfModules())
            names.append(names.empty() ? "" : " ").append(m->instanceName());
        return names;
    }
};

} // namespace

TEST(AddModulePanel, TheAddButtonFollowsTheRowAndTheCanvasSelectionClassesCarryTheirColourOperatorsDrag)
{
    Panel p;
    QPushButton* add = p.panel.addButton();
    QPushButton* info = p.panel.infoButton();
    EXPECT_FALSE(add->isEnabled());
    EXPECT_FALSE(info->isEnabled());
    p.selectRow(p.group("FILTER"));
    EXPECT_FALSE(add->isEnabled());
    EXPECT_TRUE(info->isEnabled());
    p.selectRow(p.leaf("FILTER", "LOWPASS"));
    struct Case {
        std::vector<const char*> selected;
        bool enabled;
    };
    for (const Case& c : std::vector<Case>{{{}, true}, {{"osc"}, true}, {{"osc", "g"}, false}, {{"g"}, true}}) {
        p.w.select(c.selected);
        EXPECT_EQ(add->isEnabled(), c.enabled) << c.selected.size() << " selected";
        EXPECT_TRUE(info->isEnabled());
    }
    // Without a patch window nothing can be added.
    p.panel.setMainWindow(nullptr);
    EXPECT_FALSE(add->isEnabled());
    p.panel.setMainWindow(p.w.window);
    EXPECT_TRUE(add->isEnabled());

    // Groups carry an icon (their class colour); operators none.
    const QModelIndex filter = p.group("FILTER");
    ASSERT_TRUE(filter.isValid());
    EXPECT_FALSE(filter.data(Qt::DecorationRole).value<QIcon>().isNull());
    const QModelIndex lowpass = p.leaf("FILTER", "LOWPASS");
    ASSERT_TRUE(lowpass.isValid());
    EXPECT_TRUE(lowpass.data(Qt::DecorationRole).value<QIcon>().isNull());
    // An operator drags as its upper-cased name; a class, or two operators,
    // do not drag.
    std::unique_ptr<QMimeData> mime(p.model()->mimeData({lowpass}));
    ASSERT_TRUE(mime);
    EXPECT_EQ(mime->data(GraphicView::OperatorMimeType), "LOWPASS");
    for (const QModelIndexList& rows :
         {QModelIndexList{filter}, QModelIndexList{lowpass, p.leaf("FILTER", "HIGHPASS")}})
        EXPECT_EQ(std::unique_ptr<QMimeData>(p.model()->mimeData(rows)), nullptr) << "a class or two operators";
}

TEST(AddModulePanel, AddingByButtonDoubleClickAndDropIsOneUndoStepEach)
{
    Panel p;
    SigDocument& doc = *p.w.doc;
    const std::string original = doc.sigData();
    p.w.select({"osc"});
    p.selectRow(p.leaf("FILTER", "LOWPASS"));
    QTest::mouseClick(p.panel.addButton(), Qt::LeftButton);
    EXPECT_EQ(p.modules(), "adc osc lowpass lfo g mix m2 knob shape");
    EXPECT_EQ(doc.undoManager().undoActionName(), "Add Module");
    // The new module is selected on the canvas: the next goes after it.
    EXPECT_EQ(p.w.selection(), std::vector<std::string>{"lowpass"});

    const QModelIndex lowpass = p.leaf("FILTER", "LOWPASS");
    p.panel.moduleView()->expand(p.group("FILTER"));
    const QRect row = p.panel.moduleView()->visualRect(lowpass);
    // The first click of the two selects the row.
    QTest::mouseClick(p.panel.moduleView()->viewport(), Qt::LeftButton, {}, row.center());
    doubleClick(p.panel.moduleView()->viewport(), row.center());
    EXPECT_EQ(p.modules(), "adc osc lowpass lowpass1 lfo g mix m2 knob shape");

    // A double click on a class opens or closes it.
    const QModelIndex filter = p.group("FILTER");
    const bool open = p.panel.moduleView()->isExpanded(filter);
    p.selectRow(filter);
    p.panel.moduleViewDoubleAction(filter);
    EXPECT_NE(p.panel.moduleView()->isExpanded(filter), open);

    // Dropped on a module, the operator goes right after it, uniquely named.
    std::unique_ptr<QMimeData> mime(p.model()->mimeData({p.leaf("FILTER", "LOWPASS")}));
    ASSERT_TRUE(mime);
    EXPECT_TRUE(dropOn(p.w.view, *mime, p.w.middleOf("lfo")));
    EXPECT_EQ(p.modules(), "adc osc lowpass lowpass1 lfo lowpass2 g mix m2 knob shape");
    // The first drop landed there: the second is on it, and goes after it.
    EXPECT_TRUE(dropOn(p.w.view, *mime, p.w.middleOf("lfo")));
    EXPECT_EQ(p.modules(), "adc osc lowpass lowpass1 lfo lowpass2 lowpass3 g mix m2 knob shape");
    EXPECT_EQ(doc.undoManager().undoActionName(), "Add Module");
    for (int step = 0; step < 4; ++step)
        doc.undoManager().undo();
    EXPECT_EQ(doc.sigData(), original);
}

TEST(AddModulePanel, SearchRanksMatchesAndReturnAddsTheBest)
{
    Panel p;
    SigDocument& doc = *p.w.doc;
    const std::string original = doc.sigData();
    // The ranking is the operator search's; typing shows it, best first,
    // and the best is the row Return adds.
    QLineEdit* search = p.panel.searchField();
    QTest::keyClicks(search, "lps");
    EXPECT_EQ(topRows(p.model()).mid(0, 2), (QStringList{"ALLPASS", "LOWPASS"}));
    EXPECT_EQ(p.panel.moduleView()->currentIndex().row(), 0);
    search->clear();
    QTest::keyClicks(search, "qqqq");
    EXPECT_TRUE(topRows(p.model()).isEmpty());
    EXPECT_FALSE(p.panel.addButton()->isEnabled());
    // Clearing the field brings back the tree.
    search->clear();
    EXPECT_EQ(topRows(p.model()).back(), "Library");

    // Return adds the best match after the selected module.
    p.w.select({"osc"});
    QTest::keyClicks(search, "lowpass");
    QTest::keyClick(search, Qt::Key_Return);
    EXPECT_EQ(p.modules(), "adc osc lowpass lfo g mix m2 knob shape");
    EXPECT_EQ(lineOf(doc, "LOWPASS").rfind("LOWPASS lowpass adc-null", 0), 0u) << lineOf(doc, "LOWPASS");

    // Shift+Return also feeds the new module from the selected one, in the
    // same undo step.
    p.w.select({"osc"});
    search->selectAll();
    QTest::keyClicks(search, "lowpass");
    QTest::keyClick(search, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(p.modules(), "adc osc lowpass1 lowpass lfo g mix m2 knob shape");
    EXPECT_EQ(lineOf(doc, "LOWPASS lowpass1").rfind("LOWPASS lowpass1 osc-out", 0), 0u)
        << lineOf(doc, "LOWPASS lowpass1");
    doc.undoManager().undo();
    EXPECT_EQ(p.modules(), "adc osc lowpass lfo g mix m2 knob shape");
    doc.undoManager().undo();
    EXPECT_EQ(doc.sigData(), original);

    // With nothing selected the module goes after the first, the head: an
    // empty patch takes it as its first.
    p.w.select({});
    search->selectAll();
    QTest::keyClicks(search, "sine");
    QTest::keyClick(search, Qt::Key_Return);
    EXPECT_EQ(p.modules(), "adc sine osc lfo g mix m2 knob shape");
}

// The classes sorted, "SYSTEM" left out, the library last; built again
// when the database loads again.
TEST(AddModulePanel, TheTreeIsBuiltAgainWhenItsDatabaseLoadsAgain)
{
    auto op = [](const std::string& name, const std::string& cls) {
        std::string text = "{\n{\n   TYPE:OPERATOR\n   NAME:opstart \n   OPERATOR_NAME:";
        text += name;
        text += "\n   OPERATOR_CLASS:";
        text += cls;
        text += "\n}\n{\n   TYPE:ED_STRING\n   NAME:opstart_name\n}\n{\n   TYPE:OPERATOREND\n   NAME:opend\n}\n}\n";
        return text;
    };
    auto db = std::make_shared<SigDbase>();
    ASSERT_TRUE(db->createSigDbaseFromData(op("REV", "REVERB") + op("LP", "FILTER") + op("HEADM", "SYSTEM") +
                                           op("ECHO", "DELAY") + op("OWN", "System")));
    AddModuleController panel;
    panel.setSigDbase(db);
    // "SYSTEM" is left out, "System" is another class; the database's own
    // nodes (A_TO_A, C_TO_C) come as the class "NODE".
    EXPECT_EQ(topRows(panel.treeModel()).join(' '), "DELAY FILTER NODE REVERB System Library");
    ASSERT_TRUE(db->createSigDbaseFromData(op("CHORUS", "MODULATION") + op("LP", "FILTER")));
    EXPECT_EQ(topRows(panel.treeModel()).join(' '), "FILTER MODULATION NODE Library");
}
