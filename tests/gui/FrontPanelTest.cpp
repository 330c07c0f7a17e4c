// SPDX-License-Identifier: GPL-3.0-or-later
// Unit ▸ Front Panel and Unit ▸ Compare with Unit: the real windows and the
// application's dispatcher against tosk-unit on a pseudo-terminal, and the
// front panel's pacing and failures against a scripted requester.
#include "Toskfile/MyExtensions.h"
#include "browsers/FrontPanelWindow.h"
#include "browsers/PanelCompareDialog.h"
#include "browsers/PanelNumberControl.h"
#include "comms/ChannelNameInfo.h"
#include "comms/KorvatelConnection.h"
#include "comms/SerialLineLock.h"
#include "gui/UnitAppSupport.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <set>

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;
namespace fs = std::filesystem;

namespace {

// The line from `start` of the patch the unit with device id `id` runs now.
std::string runningLine(const UnitProcess& unit, int id, const std::string& start)
{
    KorvatelConnection k(unitWithId(id), lineTo(unit.link()), 1000ms, 0ms);
    const std::string text = k.getSigFile().value_or("<no patch>");
    const size_t at = text.find(start);
    return at == std::string::npos ? "<none>" : text.substr(at, text.find("\r\n", at) - at);
}

std::vector<std::string> childNames(QTreeWidgetItem* parent)
{
    std::vector<std::string> names;
    for (int i = 0; i < parent->childCount(); ++i)
        names.push_back(parent->child(i)->text(FrontPanelWindow::NameColumn).toStdString());
    return names;
}

// The rows a user sees, top down, two spaces in for each level.
std::vector<std::string> visibleRows(QTreeWidget* tree)
{
    std::vector<std::string> rows;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        std::string indent;
        bool shown = !(*it)->isHidden();
        for (QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent(), indent += "  ")
            shown = shown && up->isExpanded() && !up->isHidden();
        if (shown)
            rows.push_back(indent + (*it)->text(0).toStdString());
    }
    return rows;
}

} // namespace

// Unit ▸ Front Panel turns the unit's controls; Unit ▸ Compare with Unit then
// lists exactly what was turned and takes it into the patch as one step.
TEST(FrontPanel, TurningAKnobReachesTheUnitsRunningPatchAndCompareWithUnitTakesWhatWasTurned)
{
    // depth shows 0..1 at first, then takes no more than 0.7; the unit is
    // device 5, which the panel learns as the Unit menu does.
    UnitRig rig(Banks::Panel, {"--narrow", "depth=0:0.7", "--device-id", "5"});
    auto& [dir, unit, app] = rig;
    ASSERT_TRUE(unit.started());
    writeFile(dir / "chorus.sig", panelPatchText());
    GraphicWindowController* w = app.open(dir / "chorus.sig");
    ASSERT_TRUE(w);
    const std::string saved = w->sigDocument()->sigData();
    auto compare = [&] {
        EXPECT_TRUE(app.run("actionCompareWithUnit", w));
        return app.unit().compareDialog();
    };
    // Nothing turned yet: nothing to take.
    PanelCompareDialog* dialog = compare();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->summaryLabel()->text().toStdString(), "The patch has the same values as the unit's copy.");
    EXPECT_FALSE(dialog->takeAllButton()->isEnabled());
    dialog->close();

    ASSERT_TRUE(app.choose("actionFrontPanel", w));
    FrontPanelWindow* panel = app.unit().frontPanel();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->isVisible());
    ASSERT_TRUE(app.settle());
    EXPECT_EQ(childNames(panel->tree()->invisibleRootItem()), (std::vector<std::string>{"Program", "Setup", "Patch"}));
    // Menus are read when they are opened, not before.
    EXPECT_EQ(panel->itemForKey("3")->childCount(), 0);
    EXPECT_FALSE(panel->itemForKey("3000"));
    panel->itemForKey("3")->setExpanded(true);
    ASSERT_TRUE(app.settle() && panel->itemForKey("3000")) << "Patch ▸ Chorus";
    panel->itemForKey("3000")->setExpanded(true);
    ASSERT_TRUE(app.settle());
    EXPECT_EQ(childNames(panel->itemForKey("3000")), (std::vector<std::string>{"Rate", "Depth", "Shape", "Bypass"}));

    // Each kind of object has its control, showing the unit's value.
    PanelNumberControl* rate = qobject_cast<PanelNumberControl*>(panel->controlForKey("4000"));
    auto* shape = qobject_cast<QComboBox*>(panel->controlForKey("4002"));
    ASSERT_TRUE(rate && shape);
    EXPECT_EQ(rate->value(), 0.8);
    EXPECT_EQ(shape->currentText().toStdString(), "Triangle");

    // The slider moved to 2.5 and a choice reach the unit (Compare lists
    // them below).
    rate->slider()->setValue(245);
    ASSERT_TRUE(app.settle());
    EXPECT_EQ(rate->value(), 2.5);
    shape->setCurrentIndex(0);
    emit shape->activated(0);
    ASSERT_TRUE(app.settle());
    EXPECT_TRUE(panel->statusLabel()->text().isEmpty());

    // The filter finds a control by its statement and keeps its menus.
    QTest::keyClicks(panel->filterField(), "dep");
    EXPECT_EQ(visibleRows(panel->tree()), (std::vector<std::string>{"Patch", "  Chorus", "    Depth"}));
    panel->filterField()->setText(QStringLiteral(":%s"));
    EXPECT_EQ(visibleRows(panel->tree()), (std::vector<std::string>{"Patch", "  Chorus", "    Shape", "    Bypass"}));
    panel->filterField()->clear();
    EXPECT_EQ(visibleRows(panel->tree()).size(), 8u);

    // Refresh reads the open menus again and keeps them open; the limits the
    // unit narrowed since now show.
    QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("refreshButton")), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->itemForKey("4001") != nullptr; }, 15000));
    ASSERT_TRUE(app.settle());
    EXPECT_EQ(visibleRows(panel->tree()), (std::vector<std::string>{"Program", "Setup", "Patch", "  Chorus", "    Rate",
                                                                    "    Depth", "    Shape", "    Bypass"}));
    PanelNumberControl* depth = qobject_cast<PanelNumberControl*>(panel->controlForKey("4001"));
    rate = qobject_cast<PanelNumberControl*>(panel->controlForKey("4000"));
    ASSERT_TRUE(depth && rate);
    EXPECT_EQ(depth->spinBox()->maximum(), 0.7);
    EXPECT_EQ(rate->value(), 2.5);

    // Compare lists what was turned; comparing changes nothing.
    dialog = compare();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->summaryLabel()->text().toStdString(), "2 values differ from the unit's copy.");
    std::vector<std::string> rows;
    for (int i = 0; i < dialog->list()->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = dialog->list()->topLevelItem(i);
        rows.push_back(
            (item->text(0) + " | " + item->text(1) + " | " + item->text(2) + " | " + item->text(3)).toStdString());
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"rate (KNOB) | value | 0.8 | 2.5", "shape (SELECTOR) | value | 1 | 0"}));
    EXPECT_EQ(w->sigDocument()->sigData(), saved);

    // Take the chosen one: only it changes, as one step.
    EXPECT_FALSE(dialog->takeChosenButton()->isEnabled());
    dialog->list()->topLevelItem(1)->setCheckState(0, Qt::Checked);
    ASSERT_TRUE(dialog->takeChosenButton()->isEnabled());
    QTest::mouseClick(dialog->takeChosenButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(app.unit().compareDialog());
    std::string expected = edited(saved, {{"3 1 0 Sine", "3 0 0 Sine"}});
    EXPECT_EQ(w->sigDocument()->sigData(), expected);
    UndoManager& undo = w->sigDocument()->undoManager();
    undo.undo();
    EXPECT_EQ(w->sigDocument()->sigData(), saved);

    // Take them all: one undo gives the saved text back byte for byte.
    dialog = compare();
    ASSERT_TRUE(dialog);
    QTest::mouseClick(dialog->takeAllButton(), Qt::LeftButton);
    QApplication::processEvents();
    expected = edited(expected, {{"0.5 0.8 1 ;", "0.5 2.5 1 ;"}});
    EXPECT_EQ(w->sigDocument()->sigData(), expected);
    undo.undo();
    EXPECT_EQ(w->sigDocument()->sigData(), saved) << "one step";
    EXPECT_FALSE(undo.canUndo());

    // Or send this patch instead: the unit runs it again as it is here.
    dialog = compare();
    ASSERT_TRUE(dialog);
    QTest::mouseClick(dialog->sendButton(), Qt::LeftButton);
    ASSERT_TRUE(app.settle());
    // (The upload text leaves the canvas positions behind.)
    EXPECT_EQ(runningLine(unit, 5, "KNOB rate"), "KNOB rate \"Rate:%5.2f\" 0.05 5 0.5 0.8 1");
    EXPECT_EQ(w->sigDocument()->sigData(), saved);
    EXPECT_TRUE(app.alerts.recorded.empty());
    const std::vector<std::string> trace = unit.trace();
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "F0 1C 70 00 1A F7"), 1) << "asked who it is once";

    // Closed with a put under way, the panel lets it end and frees the line.
    rate->slider()->setValue(145);
    ASSERT_GT(panel->pendingCount(), 0u);
    panel->close();
    ASSERT_TRUE(app.settle());
    EXPECT_EQ(panel->pendingCount(), 0u);
    EXPECT_FALSE(SerialLineLock::isHeld(unit.link()));
    EXPECT_EQ(runningLine(unit, 5, "KNOB rate"), "KNOB rate \"Rate:%5.2f\" 0.05 5 0.5 1.5 1");
}

namespace {

const std::string rootLines = "COL menu 0 0 Main Main 6 \r\n"
                              "NUM x 7 0 Level:%d Level 0 0 100 0.5 \r\n"
                              "STR x 8 0 Name Name 'Old name' \r\n"
                              "CON x 9 0 Temp Temp 21.5 \r\n"
                              "INF x 10 0 Version Version 4.1 \r\n"
                              "TRG x 11 0 Store Store \r\n"
                              "SET x 12 0 Mode:%s Mode 1 Stereo 2 Mono Stereo \r\n";

std::string levelLine(const std::string& value)
{
    return "NUM x 7 0 Level:%d Level " + value + " 0 100 0.5 \r\n";
}

// A unit that answers on the next turn of the event loop with whatever the
// test's script says, and remembers what it was asked.
struct ScriptedUnit : UnitRequester {
    using Answer = std::pair<Bytes, std::optional<TkxException>>;
    std::function<Answer(uint8_t command, const std::string& payload)> script;
    std::vector<std::pair<uint8_t, std::string>> asked;
    QObject context;
    int tags = 0;

    int request(uint8_t command, const Bytes& payload, ReplyEnd end, Completion done, Progress) override
    {
        EXPECT_EQ(end, ReplyEnd::FrameEnd);
        const std::string text(payload.begin(), payload.end());
        asked.emplace_back(command, text);
        Answer answer = script(command, text);
        QTimer::singleShot(0, &context, [answer, done] { done(answer.first, answer.second); });
        return ++tags;
    }
    bool cancel(int) override { return false; }
    uint8_t deviceId() const override { return 0; }

    // The payloads the panel sent with `command`: its value puts unless told.
    std::vector<std::string> sent(uint8_t command = sysex::VALUE_PUT) const
    {
        std::vector<std::string> out;
        for (const auto& [c, payload] : asked)
            if (c == command)
                out.push_back(payload);
        return out;
    }
};

// Answers the root with rootLines and a put of the level with the level as
// the unit now has it.
ScriptedUnit::Answer plainUnit(uint8_t command, const std::string& payload)
{
    if (command == sysex::OBJECT_INFO_WANT && payload == "0 0")
        return {dumpOf(rootLines), std::nullopt};
    if (command == sysex::VALUE_PUT && payload.rfind("7 ", 0) == 0)
        return {dumpOf(levelLine(payload.substr(2))), std::nullopt};
    return {dumpOf(""), std::nullopt};
}

bool settled(FrontPanelWindow& panel)
{
    return QTest::qWaitFor([&] { return panel.pendingCount() == 0; }, 5000);
}

// A front panel on a scripted unit, reading its root.
struct ScriptedPanel {
    ScriptedUnit unit;
    FrontPanelWindow panel;
    explicit ScriptedPanel(decltype(ScriptedUnit::script) script = plainUnit, ValuePutThrottle::Clock clock = {})
        : panel(unit, std::move(clock))
    {
        unit.script = std::move(script);
        panel.readRoot();
    }
};

} // namespace

TEST(FrontPanel, EachKindOfObjectGetsItsControlAndTextsGoAsTheyAre)
{
    // Read back after its put, the choice list has grown on the unit.
    ScriptedPanel p([](uint8_t command, const std::string& payload) -> ScriptedUnit::Answer {
        if (command == sysex::OBJECT_INFO_WANT && payload == "12 0")
            return {dumpOf("SET x 12 0 Mode:%s Mode 2 Wide 3 Mono Stereo Wide \r\n"), std::nullopt};
        return plainUnit(command, payload);
    });
    FrontPanelWindow& panel = p.panel;
    ASSERT_TRUE(settled(panel));
    EXPECT_EQ(childNames(panel.tree()->invisibleRootItem()),
              (std::vector<std::string>{"Level", "Name", "Temp", "Version", "Store", "Mode"}));
    PanelNumberControl* level = qobject_cast<PanelNumberControl*>(panel.controlForKey("7"));
    auto* name = qobject_cast<QLineEdit*>(panel.controlForKey("8"));
    auto* mode = qobject_cast<QComboBox*>(panel.controlForKey("12"));
    ASSERT_TRUE(level && name && mode);
    EXPECT_EQ(level->slider()->maximum(), 200);
    EXPECT_EQ(level->spinBox()->decimals(), 1);
    EXPECT_EQ(name->text().toStdString(), "Old name");
    // What cannot be set shows as a label; a trigger's is off.
    for (const auto& [key, shown] : {std::pair{"9", "21.5 on"}, {"10", "4.1 on"}, {"11", "trigger off"}}) {
        auto* label = qobject_cast<QLabel*>(panel.controlForKey(key));
        EXPECT_EQ(label ? label->text().toStdString() + (label->isEnabled() ? " on" : " off") : "<none>", shown) << key;
    }
    EXPECT_EQ(mode->currentText().toStdString(), "Stereo");
    for (const char* key : {"7", "8", "9", "10", "11", "12"})
        EXPECT_FALSE(panel.controlForKey(key)->accessibleName().isEmpty()) << key;
    EXPECT_EQ(level->slider()->accessibleName().toStdString(), "Level");
    // A control's row is no menu: opened all the same (as an assistive tool
    // may), it reads nothing (no "7 0" below).
    ASSERT_TRUE(panel.itemForKey("7"));
    panel.itemForKey("7")->setExpanded(true);
    ASSERT_TRUE(settled(panel));

    // A text goes whole, spaces and all, once it is finished; a choice as
    // its index.
    name->setText("New name");
    emit name->editingFinished();
    emit mode->activated(0);
    ASSERT_TRUE(settled(panel));
    EXPECT_EQ(p.unit.sent(), (std::vector<std::string>{"8 New name", "12 0"}));
    // Their answers held no object: each was read back.
    EXPECT_EQ(p.unit.sent(sysex::OBJECT_INFO_WANT), (std::vector<std::string>{"0 0", "8 0", "12 0"}));
    QStringList choices;
    for (int i = 0; i < mode->count(); ++i)
        choices << mode->itemText(i);
    EXPECT_EQ((choices.join(' ') + " | " + mode->currentText()).toStdString(), "Mono Stereo Wide | Wide");

    // A text with a byte that frames the unit's messages never goes.
    name->setText(QString::fromUtf8("Caf\u00e9 \u00f7 2"));
    emit name->editingFinished();
    ASSERT_TRUE(settled(panel));
    EXPECT_EQ(p.unit.sent().size(), 2u);
    EXPECT_EQ(panel.statusLabel()->text().toStdString(),
              "Name was not set to Caf\u00e9 \u00f7 2: the unit's messages cannot carry the characters \u00f0 and "
              "\u00f7");
    EXPECT_EQ(name->text().toStdString(), "Old name");
    // Finished unchanged, a text sends nothing.
    emit name->editingFinished();
    EXPECT_FALSE(panel.hasWaitingValue());
    ASSERT_TRUE(settled(panel));
    EXPECT_EQ(p.unit.sent().size(), 2u);

    // Tab reaches every control inside the tree.
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    panel.tree()->setFocus();
    std::set<QWidget*> unreached{level, name, mode};
    for (int i = 0; i < 16; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        std::erase_if(unreached, [](QWidget* c) {
            return c == QApplication::focusWidget() || c->isAncestorOf(QApplication::focusWidget());
        });
    }
    EXPECT_EQ(unreached.size(), 0u);
}

TEST(FrontPanel, ScriptedSliderMovesArePacedToOnePutIn50msAndTheLastValueAlwaysGoes)
{
    // The throttle's own rule is the comms layer's; here the slider reaches
    // it: 100 moves over 300 ms.
    std::chrono::milliseconds now{1000};
    ScriptedPanel p(plainUnit, [&] { return now; });
    ASSERT_TRUE(settled(p.panel));
    PanelNumberControl* level = qobject_cast<PanelNumberControl*>(p.panel.controlForKey("7"));
    ASSERT_TRUE(level);
    for (int i = 0; i < 100; ++i) {
        now = std::chrono::milliseconds(1000 + i * 3);
        level->slider()->setValue(1 + i);
        QApplication::processEvents();
    }
    now += std::chrono::milliseconds(50);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !p.unit.sent().empty() && p.unit.sent().back() == "7 50"; }, 5000));
    ASSERT_TRUE(settled(p.panel));
    // Nothing left to put: no later put can come to change the count.
    EXPECT_FALSE(p.panel.hasWaitingValue());
    EXPECT_LE(p.unit.sent().size(), 7u);
    EXPECT_EQ(level->value(), 50);
}

TEST(FrontPanel, AFailedPutShowsWhyAndPutsTheControlBack)
{
    struct Case {
        const char* name;
        ScriptedUnit::Answer answer;
        std::string status;
        double shown = 0;
    };
    const Case cases[] = {
        {"refused",
         {dumpOf(std::string("Level: too loud\0", 16), 0x0D), std::nullopt},
         "Level was not set to 30: Level: too loud"},
        {"garbled",
         {Bytes{0xF0, 0x1C, 0x71, 0x00, 0x32, 0xF7}, std::nullopt},
         "Level was not set to 30: The data received is invalid."},
        {"cancelled", {{}, requestCancelled()}, "Level was not set to 30: Cancelled."},
        // Taken without a word: read back, the control shows what the unit kept.
        {"taken quietly", {{}, std::nullopt}, "", 25},
        // Answered with the values it took: those show, no read-back.
        {"answered with its values", {dumpOf(levelLine("35"), sysex::PARAMETERS_DUMP), std::nullopt}, "", 35},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPanel p([&](uint8_t command, const std::string& payload) -> ScriptedUnit::Answer {
            if (command == sysex::VALUE_PUT)
                return c.answer;
            if (payload == "7 0" && c.status.empty())
                return {dumpOf(levelLine("25")), std::nullopt};
            return plainUnit(command, payload);
        });
        ASSERT_TRUE(settled(p.panel));
        PanelNumberControl* level = qobject_cast<PanelNumberControl*>(p.panel.controlForKey("7"));
        ASSERT_TRUE(level);
        level->spinBox()->setValue(30);
        ASSERT_TRUE(settled(p.panel));
        EXPECT_EQ(p.unit.sent(), std::vector<std::string>{"7 30"});
        EXPECT_EQ(p.panel.statusLabel()->text().toStdString(), c.status);
        EXPECT_EQ(level->value(), c.shown);
        EXPECT_EQ(level->slider()->value(), int(c.shown * 2));
    }
}

TEST(FrontPanel, AMenuThatCannotBeReadSaysWhyAndIsReadAgainWhenReopened)
{
    int rootReads = 0, menuReads = 0;
    ScriptedPanel p([&](uint8_t, const std::string& payload) -> ScriptedUnit::Answer {
        // The first read of each says nothing or fails.
        if (payload == "0 0" && ++rootReads == 1)
            return {{}, std::nullopt};
        if (payload == "0 0")
            return {dumpOf("COL menu 0 0 Main Main 1 \r\nCOL menu 5 0 Effects fx 2 \r\n"), std::nullopt};
        if (payload == "5 0" && ++menuReads == 1)
            return {{}, TkxException("SerialPort.open", "no such port")};
        if (payload == "5 0")
            return {dumpOf("COL menu 5 0 Effects fx 2 \r\nNUM x 50 5 Mix Mix 0.5 0 1 0.01 \r\n"
                           "NUM x 51 5 Mix Mix2 0.25 0 1 0.01 \r\n"),
                    std::nullopt};
        return {dumpOf(""), std::nullopt};
    });
    FrontPanelWindow& panel = p.panel;
    // Refreshed while the root is being read, it is still read once.
    panel.refresh();
    ASSERT_TRUE(settled(panel));
    EXPECT_EQ(rootReads, 1);
    EXPECT_EQ(panel.statusLabel()->text().toStdString(), "Not read: The unit did not answer.");
    EXPECT_EQ(panel.tree()->topLevelItemCount(), 0);
    panel.readRoot();
    ASSERT_TRUE(settled(panel));
    EXPECT_TRUE(panel.statusLabel()->text().isEmpty());
    QTreeWidgetItem* effects = panel.itemForKey("5");
    ASSERT_TRUE(effects);
    effects->setExpanded(true);
    EXPECT_EQ(childNames(effects), std::vector<std::string>{"Reading..."});
    ASSERT_TRUE(settled(panel));
    EXPECT_EQ(childNames(effects), std::vector<std::string>{"Not read: Cannot open the serial line: no such port."});
    effects->setExpanded(false);
    effects->setExpanded(true);
    ASSERT_TRUE(settled(panel));
    // Two controls that share a statement are both shown.
    EXPECT_EQ(childNames(effects), (std::vector<std::string>{"Mix", "Mix"}));
    EXPECT_TRUE(panel.controlForKey("51"));
    EXPECT_EQ(menuReads, 2);
}
