// SPDX-License-Identifier: GPL-3.0-or-later
// The waveform and waveshape editors driven through their widgets: each
// button, stroke and slider reaches the table's rules (checked in the core)
// and Apply writes back as one undo step.
#include "editors/WaveEditors.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/UndoGroup.h"
#include "Toskfile/WaveObject.h"
#include "editors/WaveSlider.h"
#include "editors/WaveformPanel.h"
#include "editors/WaveformView.h"
#include "editors/WaveshapePanel.h"
#include "gui/AppTestSupport.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QTest>

#include <gmock/gmock.h>

#include <cmath>
#include <functional>

using namespace tosk;
using namespace tosk::test;

namespace {

const std::string kWavePatch =
    "HEADM adc Waves t 2 2 1 cc-out s-out adc-nullobj ;=20,40,80,0\r\n"
    "C_CURVE cc adc-in1 4 0 0.3 0.7 1 ;=140,40,80,0\r\n"
    "WAVEFORM wf 32 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ;=140,140,80,0\r\n"
    "CURVE s adc-in2 3 -0.5 0 0.5 ;=260,40,80,0\r\n"
    "M_UCURVE mu cc-out 4 2 0 0 0 ;=380,40,80,0\r\n"
    "TAIL Ann\r\n";

std::vector<double> pointsOf(const WaveObject& table)
{
    return {table.pointValues().begin(), table.pointValues().end()};
}

void deletePending()
{
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

struct Editing {
    std::shared_ptr<SigDocument> doc = std::make_shared<SigDocument>();

    Editing() { doc->initWithData(kWavePatch, std::string("waves"), std::nullopt, bundledDbase()); }
    ~Editing()
    {
        WaveEditors::closeEditorsOf(*doc);
        deletePending();
    }
    Module& module(const char* name) { return *doc->sigFile()->findModuleByName(name); }
    template <typename Panel> Panel* open(const char* name)
    {
        Module& m = module(name);
        if (!WaveEditors::open(doc, m, nullptr))
            return nullptr;
        auto* panel = qobject_cast<Panel*>(WaveEditors::editorFor(m));
        if (panel) {
            panel->waveformView()->setFixedSize(264, 208);
            EXPECT_TRUE(QTest::qWaitForWindowExposed(panel));
        }
        return panel;
    }
    void setText(const char* module, const char* field, const char* text)
    {
        UndoGroup event(*doc);
        ASSERT_TRUE(PatchEditor(*doc).setFieldText(this->module(module).field(field), text));
    }
};

void click(QWidget* panel, const char* name)
{
    QTest::mouseClick(named<QAbstractButton>(panel, name), Qt::LeftButton);
}

// The table's points, to a millionth (values read from the file are
// single precision).
void expectPoints(const WaveEditorWindow& editor, const std::vector<double>& expected)
{
    EXPECT_THAT(pointsOf(editor.waveObject()), testing::Pointwise(testing::DoubleNear(1e-6), expected));
}

} // namespace

TEST(WaveEditors, AStrokeDrawsApplyWritesOneUndoStepAndHarmonicSlidersRebuildThePoints)
{
    Editing e;
    auto* panel = e.open<WaveformPanel>("wf");
    ASSERT_TRUE(panel);
    // A WAVEFORM always has 32 points: no add or remove.
    EXPECT_FALSE(named<QWidget>(panel, "addButton")->isVisible());
    const std::string before = e.doc->sigData();

    // In the 264 by 208 view, point k of 32 sits at x = 4 + 8k; a value v at
    // y = 104 - 100v. One move from point 3 at 0.5 to point 5 at -0.5.
    WaveformView* view = panel->waveformView();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(28, 54));
    QTest::mouseMove(view, QPoint(44, 154));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(44, 154));
    EXPECT_EQ(e.doc->sigData(), before) << "drawing leaves the module alone";
    click(panel, "applyButton");
    EXPECT_EQ(lineOf(*e.doc, "WAVEFORM", true),
              "WAVEFORM wf 32 0 0 0 0.5 0 -0.5 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 "
              "0 0 0 0 0 ;=140,140,80,0");
    e.doc->undoManager().undo();
    // The editor holds nothing unapplied, so it follows the undo.
    expectPoints(*panel, std::vector<double>(32, 0.0));

    // A trace weaker than half a slider step, as rounding in the file
    // leaves, shows as no harmonic, with no phase, up to the last one.
    for (int i = 0; i < 32; ++i)
        if (const double v = std::round(3 * std::sin(2 * M_PI * 15 * i / 32)); v != 0)
            e.setText("wf", ("point" + std::to_string(i + 1)).c_str(), std::to_string(v / 10000).c_str());
    click(panel, "harmonicsButton");
    EXPECT_EQ(panel->phaseSlider(15)->text()->text(), "0.000");
    click(panel, "harmonicsButton");

    // The harmonic sliders start from the points (opening them changes no
    // point) and rebuild them; each phase sits under its level.
    click(panel, "sinButton");
    const auto sine = pointsOf(panel->waveObject());
    click(panel, "harmonicsButton");
    ASSERT_TRUE(named<QWidget>(panel, "harmonicsView")->isVisible());
    EXPECT_EQ(panel->phaseSlider(1)->x(), panel->valueSlider(1)->x());
    EXPECT_EQ(pointsOf(panel->waveObject()), sine);
    // A sine of full range: harmonic 1 at level 1, shifted a quarter turn.
    EXPECT_EQ(panel->valueSlider(1)->text()->text() + " " + panel->phaseSlider(1)->text()->text(), "1.000 -1.571");

    // Harmonic 2 up a page (a tenth): the troughs go below the range. The
    // overall level down a page brings it all back in.
    QTest::keyClick(panel->valueSlider(2)->slider(), Qt::Key_PageUp);
    EXPECT_TRUE(panel->isOverloaded());
    QTest::keyClick(panel->overallSlider()->slider(), Qt::Key_PageDown);
    EXPECT_FALSE(panel->isOverloaded());
    QTest::keyClick(panel->dcSlider()->slider(), Qt::Key_End);
    EXPECT_DOUBLE_EQ(pointsOf(panel->waveObject())[8], 1.0);
    // The overload button takes the overall level back to 1.
    QTest::keyClick(panel->overallSlider()->slider(), Qt::Key_Home);
    expectPoints(*panel, std::vector<double>(32, 0.0));
    click(panel, "overloadButton");
    EXPECT_EQ(std::pair(panel->overallSlider()->text()->text(), panel->isOverloaded()),
              std::pair(QString("1.000"), true));
}

TEST(WaveEditors, ButtonsReachTheTableCloseOrWriteAndTheEditorFollowsItsModule)
{
    Editing e;
    const std::string before = e.doc->sigData();
    QPointer<WaveformPanel> panel = e.open<WaveformPanel>("cc");
    ASSERT_TRUE(panel);
    // Whether the editor has gone once pending deletes are done.
    auto gone = [&] { return deletePending(), panel.isNull(); };
    // Each button runs its generator (whose shapes the core checks) on the
    // panel's table: the points are those the generator makes of a twin
    // table; the random one from the seed the panel is given.
    panel->setRandomSeedSource([] { return 42u; });
    auto twin = WaveObject::tableForModule(e.module("cc").shared_from_this());
    ASSERT_TRUE(twin);
    const std::pair<const char*, std::function<void(WaveObject&)>> presses[] = {
        {"sinButton", &WaveObject::setPointsToSineWave},
        {"horizontalFlipButton", &WaveObject::invertPoints},
        {"triButton", &WaveObject::setPointsToTriangleWave},
        {"sqrButton", &WaveObject::setPointsToSquareWave},
        {"verticalFlipButton", &WaveObject::reversePoints},
        {"sawButton", &WaveObject::setPointsToSawToothWave},
        {"ranButton", [](WaveObject& w) { w.setPointsToRandomWave(42); }},
        {"zeroButton", &WaveObject::setPointsToZero}};
    for (const auto& [button, generate] : presses) {
        click(panel, button);
        generate(*twin);
        EXPECT_EQ(pointsOf(panel->waveObject()), pointsOf(*twin)) << button;
    }

    // C_CURVE holds 2 to 32 points.
    auto* add = named<QAbstractButton>(panel, "addButton");
    auto* remove = named<QAbstractButton>(panel, "removeButton");
    QTest::mouseClick(remove, Qt::LeftButton);
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(std::pair(panel->waveObject().numberOfPoints(), remove->isEnabled()), std::pair(2, false));
    while (add->isEnabled())
        QTest::mouseClick(add, Qt::LeftButton);
    EXPECT_EQ(panel->waveObject().numberOfPoints(), 32);

    click(panel, "revertButton");
    expectPoints(*panel, {0, 0.3, 0.7, 1});

    // Four points carry only harmonic 1; five carry harmonic 2 as well.
    click(panel, "harmonicsButton");
    EXPECT_FALSE(panel->phaseSlider(2)->isEnabled());
    click(panel, "addButton");
    EXPECT_TRUE(panel->valueSlider(2)->isEnabled());

    // Cancel closes without writing.
    click(panel, "cancelButton");
    EXPECT_EQ(std::pair(gone(), e.doc->sigData()), std::pair(true, before));

    // A new editor starts from the module again. With changes not applied,
    // Escape asks first; Cancel keeps the editor.
    ASSERT_TRUE(panel = e.open<WaveformPanel>("cc"));
    click(panel, "addButton");
    ScopedRecordingAlerts alerts;
    alerts.answers = {2};
    QTest::keyClick(panel->waveformView(), Qt::Key_Escape);
    ASSERT_FALSE(gone());
    EXPECT_EQ(alertLines(alerts.recorded),
              std::vector<std::string>{"Warning | Edit Waveform:cc | The changes made in this editor have not been "
                                       "applied to the module. | Apply Discard Cancel"});
    alerts.recorded.clear();
    click(panel, "sawButton");
    click(panel, "okButton");
    EXPECT_TRUE(gone());
    EXPECT_EQ(lineOf(*e.doc, "C_CURVE"), "C_CURVE cc adc-in1 5 0 0.25 0.5 0.75 1");
    e.doc->undoManager().undo();

    // With nothing to apply, Escape closes at once.
    ASSERT_TRUE(panel = e.open<WaveformPanel>("cc"));
    QTest::keyClick(panel->waveformView(), Qt::Key_Escape);
    EXPECT_TRUE(gone());

    // Apply says what it must clamp before writing. The file holds 2 where
    // the field takes 0..1: flipped, it is -1.
    ASSERT_TRUE(panel = e.open<WaveformPanel>("mu"));
    click(panel, "horizontalFlipButton");
    alerts.answers = {1, 0};
    click(panel, "applyButton");
    EXPECT_EQ(e.doc->sigData(), before) << "Cancel writes nothing";
    click(panel, "applyButton");
    EXPECT_EQ(lineOf(*e.doc, "M_UCURVE"), "M_UCURVE mu cc-out 4 0 1 1 1");
    const std::string clamped = "Informational | ALERT | Some values lie outside the limits of their fields:\n"
                                "point1: -1 is written as 0 | Apply anyway Cancel";
    EXPECT_EQ(alertLines(alerts.recorded), std::vector<std::string>(2, clamped));

    // One editor per module, following changes made elsewhere.
    EXPECT_FALSE(WaveEditors::open(e.doc, e.module("adc"), nullptr)) << "the head has no editor";
    ASSERT_TRUE(panel = e.open<WaveformPanel>("cc"));
    EXPECT_EQ(e.open<WaveformPanel>("cc"), panel) << "opening again raises the same editor";

    // A value set in the inspector shows at once while nothing is edited here.
    e.setText("cc", "point2", "0.25");
    expectPoints(*panel, {0, 0.25, 0.7, 1});
    e.setText("cc", "opstart_name", "bend");
    EXPECT_EQ(panel->windowTitle(), "Edit Waveform:bend");

    // With changes of its own unapplied, the editor keeps them. A point
    // changed both here and there: Apply asks which value stays. In the
    // view, point k of 4 sits at x = 4 + 64k; a value v at y = 204 - 200v.
    WaveformView* view = panel->waveformView();
    // Point 3 set elsewhere after the editor set it to 0; the answer (Keep
    // the Editor's, Keep the Module's, Cancel); the line written.
    using Round = std::tuple<const char*, int, const char*>;
    const std::string asked = "Warning | ALERT | These points were also changed outside the editor since it read "
                              "them:\npoint3: 0 here, ";
    const std::string kept =
        " in the module\nWhich values should be kept? | Keep the Editor's Keep the Module's Cancel";
    for (const auto& [inspector, answer, line] : {Round{"0.9", 2, "C_CURVE bend adc-in1 4 0 0.25 0.9 1"},
                                                  Round{"0.9", 1, "C_CURVE bend adc-in1 4 0 0.25 0.9 0.5"},
                                                  Round{"0.8", 0, "C_CURVE bend adc-in1 4 0 0.25 0 0.5"}}) {
        SCOPED_TRACE(answer);
        if (!panel->waveObject().isEdited()) {
            QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(132, 204));
            QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(196, 104));
            e.setText("bend", "point3", inspector);
            expectPoints(*panel, {0, 0.25, 0, 0.5});
        }
        alerts.recorded.clear();
        alerts.answers = {answer};
        click(panel, "applyButton");
        EXPECT_EQ(lineOf(*e.doc, "C_CURVE"), line);
        EXPECT_EQ(alertLines(alerts.recorded), std::vector<std::string>{asked + inspector + kept});
        EXPECT_EQ(panel->waveObject().isEdited(), answer == 2) << "a cancelled Apply keeps the editor's points";
    }

    // Removing the module closes its editor; undoing brings no editor back.
    Module& cc = e.module("bend");
    {
        UndoGroup event(*e.doc);
        ASSERT_TRUE(PatchEditor(*e.doc).deleteModules({&cc}));
    }
    EXPECT_TRUE(gone());
    e.doc->undoManager().undo();
    EXPECT_FALSE(WaveEditors::editorFor(cc));
}

TEST(WaveEditors, WaveshapeSoftClipAndHarmonicsWriteBackAsOneStep)
{
    Editing e;
    auto* panel = e.open<WaveshapePanel>("s");
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->windowTitle(), "Edit Waveshape:s");

    click(panel, "softClipButton");
    panel->biasSlider()->slider()->setValue(500);
    EXPECT_EQ(panel->clipSlider()->text()->text() + " " + panel->biasSlider()->text()->text(), "0.667 0.100");
    expectPoints(*panel, {-1, 0, 1});

    // The harmonics of the points, shown in place of the clip controls;
    // toggled on and off, they change no point.
    click(panel, "harmonicsButton");
    click(panel, "harmonicsButton");
    expectPoints(*panel, {-1, 0, 1});
    click(panel, "harmonicsButton");
    EXPECT_FALSE(named<QWidget>(panel, "clipControls")->isVisible());
    EXPECT_EQ(panel->valueSlider(1)->text()->text(), "1.000");
    panel->cutOffFreq()->setValue(250);
    EXPECT_EQ(panel->harmonicFreq(3)->text(), "  750");

    // Harmonic 1 inverted, then harmonic 2 as well (halved to fit); a point
    // more is drawn from the same harmonics.
    QTest::keyClick(panel->valueSlider(1)->slider(), Qt::Key_Home);
    QTest::keyClick(panel->valueSlider(2)->slider(), Qt::Key_End);
    click(panel, "addButton");

    click(panel, "applyButton");
    EXPECT_EQ(lineOf(*e.doc, "CURVE s"), "CURVE s adc-in2 4 1 -0.2222 -0.5556 0");
}
