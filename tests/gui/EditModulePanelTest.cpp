// SPDX-License-Identifier: GPL-3.0-or-later
// The inspector driven through its widgets: values typed and refused,
// sources picked, repetitions stepped, and every change one undo step.
#include "Toskfile/PatchEditor.h"
#include "Toskfile/UndoGroup.h"
#include "canvas/CanvasCommands.h"
#include "editors/EditModuleController.h"
#include "editors/ModuleFieldTableModel.h"
#include "editors/ModuleFieldTableView.h"
#include "editors/RepeatingTextFieldCell.h"
#include "gui/CanvasTestSupport.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace tosk;
using namespace tosk::test;

namespace {

using Model = ModuleFieldTableModel;

// The patch window with the module's panel opened as Inspect Module opens it.
struct Inspector {
    CanvasWindow w;
    EditModuleController* panel = nullptr;

    explicit Inspector(const char* module, const std::string& text = canvasPatch()) : w(text, false)
    {
        w.window->hooks().inspectModule = [](GraphicWindowController& win, Module& m) {
            EditModuleController::open(win, m);
        };
        w.view->setSelection({&w.module(module)});
        w.view->commands().perform(CanvasCommand::InspectModule);
        panel = EditModuleController::controllerFor(w.module(module));
        EXPECT_TRUE(!panel || QTest::qWaitForWindowExposed(panel));
    }
    ~Inspector()
    {
        if (panel)
            panel->close();
        QApplication::processEvents();
    }
    ModuleFieldTableView* table() { return panel->tableView(); }
    QModelIndex cell(int row, int column = Model::ValueColumn) { return panel->model()->index(row, column); }
    QString text(int row, int column = Model::ValueColumn) { return cell(row, column).data().toString(); }
    int editability(int row) { return cell(row).data(Model::EditabilityRole).toInt(); }
    int rowOf(const char* field)
    {
        for (int r = 0; r < panel->model()->rowCount(); ++r)
            if (text(r, Model::TypeColumn) == QLatin1String(field))
                return r;
        return -1;
    }
    // Opens the editor of the row's value cell as a user does.
    QWidget* edit(int row)
    {
        table()->setCurrentIndex(cell(row));
        table()->edit(cell(row));
        return table()->indexWidget(cell(row));
    }
    // Types into the row's value cell: the text is replaced, Return stores it.
    void type(int row, const QString& value)
    {
        QWidget* editor = edit(row);
        auto* combo = qobject_cast<QComboBox*>(editor);
        QLineEdit* line = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(editor);
        ASSERT_TRUE(line) << "no editor on row " << row;
        line->setText(value);
        QTest::keyClick(line, Qt::Key_Return);
        QApplication::processEvents();
    }
    void clickStep(int row, bool increment)
    {
        const QRect r = table()->visualRect(cell(row, Model::TypeColumn));
        const QRect button = increment ? RepeatingTextFieldCell::incRect(r) : RepeatingTextFieldCell::decRect(r);
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, button.center());
        QApplication::processEvents();
    }
};

// The items of a source list, as a user reads them.
QString itemsOf(QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items.join(' ');
}

} // namespace

TEST(EditModulePanel, InspectModuleOpensOnePanelPerModuleWhoseTypedValuesAreCheckedAndUndone)
{
    Inspector i("knob");
    ASSERT_TRUE(i.panel);
    EXPECT_EQ(i.panel->windowTitle(), "KNOB:knob");
    // Asked again, the same panel comes up.
    i.w.view->commands().perform(CanvasCommand::InspectModule);
    EXPECT_EQ(EditModuleController::controllerFor(i.w.module("knob")), i.panel);
    EXPECT_FALSE(i.panel->editModuleSpecificButton()->isVisible());

    // Type, value, description, min, max, shown, as displayed (a string
    // shows its length limit), then whether the value is fixed.
    const std::vector<QString> rows{"opstart_name|knob|operator name|length||YES||0",
                                    "out|out|control|||YES||1",
                                    "obj|obj|userobj|||YES||1",
                                    "menu|Knob:%5.2f|menu statement|length|24|YES|Knob:%5.2f|0",
                                    "min|0|minimum|-100000|100000|YES|0.000|0",
                                    "max|1|maximum|-100000|100000|YES|1.000|0",
                                    "default|0.5|default value|0|1|YES|0.500|0",
                                    "value|0.5|current value|0|1|YES|0.500|0",
                                    "knob|1|front panel knob|1|8|YES|1|0"};
    ASSERT_EQ(i.panel->model()->rowCount(), int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r) {
        QStringList cells;
        for (int c = 0; c < 7; ++c)
            cells << i.text(r, c);
        EXPECT_EQ(cells.join('|') + '|' + QString::number(i.editability(r)), rows[size_t(r)]);
    }
    // Only editable values open an editor; outputs do not.
    EXPECT_TRUE(i.cell(4).flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(i.cell(1).flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(i.cell(4, Model::MinColumn).flags() & Qt::ItemIsEditable);

    // Out of range: the sheet says why, nothing is stored, and the row
    // stays selected until OK.
    SigDocument& doc = *i.w.doc;
    const std::string original = doc.sigData();
    const int value = i.rowOf("value");
    i.type(value, "7");
    ASSERT_TRUE(i.panel->errorSheet()->isVisible());
    EXPECT_EQ(i.panel->errorMessage()->toPlainText(), "current value must be between 0 and 1.\n");
    EXPECT_EQ(i.text(value), "0.5");
    const QRect other = i.table()->visualRect(i.cell(1, Model::TypeColumn));
    QTest::mouseClick(i.table()->viewport(), Qt::LeftButton, {}, other.center());
    EXPECT_EQ(i.table()->currentIndex().row(), value);
    auto* ok = i.panel->errorSheet()->findChild<QPushButton*>("errorOkButton");
    ASSERT_TRUE(ok);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(i.panel->errorSheet()->isVisible());

    // Texts the file could not read back, or could not hold, are refused
    // the same way.
    for (const char* refused : {"Lvl \"x\"", "Vol \u20ac"}) {
        i.type(i.rowOf("menu"), QString::fromUtf8(refused));
        EXPECT_TRUE(i.panel->errorMessage()->toPlainText().contains("cannot be kept in a patch")) << refused;
        i.panel->endErrorWindow();
    }
    EXPECT_EQ(doc.sigData(), original);
    EXPECT_FALSE(doc.undoManager().canUndo());

    // A valid value is stored as one "Change Value".
    i.type(value, "0.25");
    EXPECT_FALSE(i.panel->errorSheet()->isVisible());
    EXPECT_EQ(lineOf(doc, "KNOB"), "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.25 1");
    EXPECT_EQ(i.text(value), "0.25");
    EXPECT_EQ(doc.undoManager().undoActionName(), "Change Value");
    // The same value again, in any spelling, changes nothing and is no error.
    i.type(value, "0.250");
    EXPECT_FALSE(i.panel->errorSheet()->isVisible());
    doc.undoManager().undo();
    EXPECT_FALSE(doc.undoManager().canUndo());
    EXPECT_EQ(doc.sigData(), original);
    // The panel follows undo and redo.
    EXPECT_EQ(i.text(value), "0.5");
    doc.undoManager().redo();
    EXPECT_EQ(i.text(value), "0.25");

    // The head is not inspected; a special module offers its own editor.
    EXPECT_EQ(EditModuleController::open(*i.w.window, *i.w.patch().head()), nullptr);
    EditModuleController* shape = EditModuleController::open(*i.w.window, i.w.module("shape"));
    ASSERT_TRUE(shape);
    EXPECT_FALSE(shape->editModuleSpecificButton()->isHidden());
    EXPECT_EQ(shape->windowTitle(), "CURVE:shape");
    shape->close();
}

TEST(EditModulePanel, InputsArePickedFromTheirSourcesOrTypedOver)
{
    // Three oscillators more and a group of two: thirteen signal outputs.
    std::string text = canvasPatch();
    text.insert(text.find("TAIL"),
                sigLines({"SINE s1 440 0.5 ;=500,40,80,0", "SINE s2 440 0.5 ;=500,80,80,0",
                          "SINE s3 440 0.5 ;=500,120,80,0", ";Ss=GROUP 2, VOICE, v ;=500,160,80,0",
                          "SINE vo 440 0.5 ;=500,160,80,0", "LOWPASS lp vo-out 800 0.7 ;=620,160,80,0"}));
    Inspector i("g", text);
    ASSERT_TRUE(i.panel);
    SigDocument& doc = *i.w.doc;
    const std::string original = doc.sigData();
    const int in = i.rowOf("in");
    const int gain = i.rowOf("gain");

    // A control input lists the control outputs; a short list shows whole.
    auto* combo = qobject_cast<QComboBox*>(i.edit(gain));
    ASSERT_TRUE(combo);
    EXPECT_EQ(itemsOf(combo), "adc-pedal1 adc-pedal2 adc-tempo adc-zero knob-out lfo-out");
    EXPECT_EQ(combo->currentText(), "lfo-out");
    EXPECT_EQ(combo->view()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    // The signal input lists the signal outputs, sorted without regard to
    // case, its own source selected, a group's member by its path; past
    // eleven the list scrolls.
    combo = qobject_cast<QComboBox*>(i.edit(in));
    ASSERT_TRUE(combo);
    EXPECT_EQ(itemsOf(combo),
              "adc-in1 adc-in2 adc-null g-out m2-out mix-out osc-out s1-out s2-out s3-out shape-out v/lp-out v/vo-out");
    EXPECT_EQ(combo->currentText(), "osc-out");
    EXPECT_EQ(combo->maxVisibleItems(), 12);
    EXPECT_EQ(combo->view()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    // Picking an output stores it at once, a member as the file names it.
    combo->setCurrentIndex(combo->findText("v/lp-out"));
    emit combo->activated(combo->currentIndex());
    QApplication::processEvents();
    EXPECT_EQ(lineOf(doc, "GAIN"), "GAIN g lp-out lfo-out");
    EXPECT_EQ(i.text(in), "v/lp-out");

    // A number typed into a connected input unwires it for the constant.
    i.type(gain, "0.25");
    EXPECT_EQ(lineOf(doc, "GAIN"), "GAIN g lp-out 0.25");
    EXPECT_EQ(i.editability(gain), 0);

    // Two steps, undone one by one back to the file as it was.
    doc.undoManager().undo();
    doc.undoManager().undo();
    EXPECT_EQ(doc.sigData(), original);
    EXPECT_EQ(i.text(in), "osc-out");
    EXPECT_EQ(i.text(gain), "lfo-out");

    // An external input's value is fixed, like an output's.
    i.w.field("g", "gain")->setAsWP(true);
    i.panel->model()->refresh();
    EXPECT_EQ(i.editability(gain), 1);
    EXPECT_FALSE(i.cell(gain).flags() & Qt::ItemIsEditable);
    EXPECT_EQ(i.edit(gain), nullptr);
}

TEST(EditModulePanel, StepButtonsActOnTheRowPressed)
{
    Inspector i("mix");
    ASSERT_TRUE(i.panel);
    SigDocument& doc = *i.w.doc;
    const std::string original = doc.sigData();
    ASSERT_EQ(lineOf(doc, "MIXN"), "MIXN mix 2 g-out 1 adc-null 0.5 1");
    EXPECT_TRUE(i.cell(i.rowOf("in1"), 0).data(Model::RepeatedRole).toBool());
    EXPECT_FALSE(i.cell(i.rowOf("master"), 0).data(Model::RepeatedRole).toBool());

    // The first repetition is selected; "+" on the second adds after it.
    i.table()->setCurrentIndex(i.cell(i.rowOf("in1"), 0));
    i.clickStep(i.rowOf("in2"), true);
    EXPECT_EQ(lineOf(doc, "MIXN"), "MIXN mix 3 g-out 1 adc-null 0.5 adc-null 1 1");
    EXPECT_EQ(i.panel->model()->rowCount(), 10);
    // The new repetition is the current row, described by its number.
    EXPECT_EQ(i.rowOf("in3"), 6);
    EXPECT_EQ(i.table()->currentIndex().row(), 6);
    EXPECT_EQ(i.text(6, Model::DescriptionColumn), "input 3");
    EXPECT_EQ(i.text(i.rowOf("count")), "3");

    // "-" on the first takes the first away, whatever row is selected.
    i.table()->setCurrentIndex(i.cell(i.rowOf("in3"), 0));
    i.clickStep(i.rowOf("in1"), false);
    EXPECT_EQ(lineOf(doc, "MIXN"), "MIXN mix 2 adc-null 0.5 adc-null 1 1");

    // A press that leaves its button before the release does nothing.
    const QRect r = i.table()->visualRect(i.cell(i.rowOf("in1"), 0));
    QWidget* viewport = i.table()->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, RepeatingTextFieldCell::incRect(r).center());
    QMouseEvent move(QEvent::MouseMove, QPointF(r.center()), viewport->mapToGlobal(QPointF(r.center())), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, r.center());
    EXPECT_EQ(lineOf(doc, "MIXN"), "MIXN mix 2 adc-null 0.5 adc-null 1 1");

    doc.undoManager().undo();
    doc.undoManager().undo();
    EXPECT_EQ(doc.sigData(), original);
    EXPECT_EQ(i.panel->model()->rowCount(), 8);
    EXPECT_EQ(i.text(i.rowOf("in1")), "g-out");
}

TEST(EditModulePanel, EscapeCtrlWTheModulesDeletionAndTheDocumentCloseThePanel)
{
    // Escape and Ctrl+W once no cell is being edited, and the module leaving
    // the patch.
    for (const char* how : {"Escape", "Ctrl+W", "deletion"}) {
        const bool deletion = how[0] == 'd', ctrlW = how[0] == 'C';
        Inspector i(deletion ? "osc" : "knob");
        ASSERT_TRUE(i.panel);
        QPointer<EditModuleController> panel = i.panel;
        if (deletion) {
            UndoGroup event(*i.w.doc);
            PatchEditor(*i.w.doc).deleteModules({&i.w.module("osc")});
        } else {
            QWidget* editor = i.edit(i.rowOf("value"));
            ASSERT_TRUE(editor);
            QTest::keyClick(editor, Qt::Key_Escape);
            QApplication::processEvents();
            EXPECT_FALSE(i.table()->indexWidget(i.cell(i.rowOf("value"))));
            ASSERT_TRUE(panel && panel->isVisible()) << "the first Escape is the cell's";
            QTest::keyClick(i.table(), ctrlW ? Qt::Key_W : Qt::Key_Escape,
                            ctrlW ? Qt::ControlModifier : Qt::NoModifier);
        }
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(!panel || !panel->isVisible()) << how;
        i.panel = nullptr;
    }

    // Closing the document closes its panels.
    Inspector i("g");
    ASSERT_TRUE(i.panel);
    i.panel = nullptr;
    EditModuleController::closePanelsOf(*i.w.doc);
    EXPECT_EQ(EditModuleController::controllerFor(i.w.module("g")), nullptr);
}
