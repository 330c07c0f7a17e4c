// SPDX-License-Identifier: GPL-3.0-or-later
// The waveform and waveshape editors driven through their widgets: drawing,
// generators, harmonics, and writing back as one undo step.
#include "editors/WaveEditors.h"
#include "Toskfile/MyExtensions.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/UndoGroup.h"
#include "Toskfile/WaveObject.h"
#include "editors/WaveSlider.h"
#include "editors/WaveformPanel.h"
#include "editors/WaveformView.h"
#include "editors/WaveshapePanel.h"
#include "gui/AppTestSupport.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <cmath>

using namespace tosk;
using namespace tosk::test;

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string wavePatch()
{
    std::string zeros;
    for (int i = 0; i < 32; ++i)
        zeros += " 0";
    return "HEADM adc Waves t 2 2 1 cc-out s-out adc-nullobj ;=20,40,80,0\r\n"
           "C_CURVE cc adc-in1 4 0 0.3 0.7 1 ;=140,40,80,0\r\n"
           "WAVEFORM wf 32" +
           zeros +
           " ;=140,140,80,0\r\n"
           "CURVE s adc-in2 3 -0.5 0 0.5 ;=260,40,80,0\r\n"
           "MULTIKNOB mk cc-out 3 0.2 0.5 0.8 ;=260,140,80,0\r\n"
           "M_UCURVE mu cc-out 4 2 0 0 0 ;=380,40,80,0\r\n"
           "TAIL Ann\r\n";
}

std::vector<double> pointsOf(const WaveEditorWindow& editor)
{
    auto span = editor.waveObject().pointValues();
    return std::vector<double>(span.begin(), span.end());
}

void deletePending()
{
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

struct Editing {
    std::shared_ptr<SigDocument> doc;

    explicit Editing(const std::string& patch = wavePatch())
    {
        doc = std::make_shared<SigDocument>();
        doc->initWithData(patch, std::string("waves"), std::nullopt, bundledDbase());
    }
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
};

template <typename T> T* child(QWidget* w, const char* name)
{
    return w->findChild<T*>(QString::fromLatin1(name));
}

// In a view of 264 by 208, point k of 32 sits at x = 4 + 8k; a value v of
// -1..1 at y = 104 - 100v.
QPoint at(int k, double v)
{
    return QPoint(4 + 8 * k, static_cast<int>(std::lround(104 - 100 * v)));
}

// The table's points, to a millionth (values read from the file are
// single precision).
void expectPoints(const WaveEditorWindow& editor, const std::vector<double>& expected)
{
    const auto actual = pointsOf(editor);
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-6) << "point " << i;
}

} // namespace

TEST(WaveEditors, AStrokeSetsEveryPointItPassesAndApplyIsOneUndoStep)
{
    Editing e;
    auto* panel = e.open<WaveformPanel>("wf");
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->windowTitle(), "Edit Waveform:wf");
    WaveformView* view = panel->waveformView();
    ASSERT_EQ(view->pointGeometry().dx(), 8);
    const std::string before = e.doc->sigData();

    QTest::mousePress(view, Qt::LeftButton, {}, at(3, 0.5));
    QTest::mouseMove(view, at(4, 0.5));
    QTest::mouseMove(view, QPoint(40, 54)); // between points 4 and 5: out of reach of both
    // One fast move across points 5 to 9: each takes the line from (40, 54)
    // to point 9's place.
    QTest::mouseMove(view, at(9, -0.5));
    QTest::mouseRelease(view, Qt::LeftButton, {}, at(9, -0.5));
    std::vector<double> expected(32, 0.0);
    expected[3] = expected[4] = 0.5;
    for (int k = 5; k <= 9; ++k)
        expected[k] = 0.5 - (8 * k + 4 - 40) / 36.0;
    expectPoints(*panel, expected);
    EXPECT_EQ(e.doc->sigData(), before) << "drawing leaves the module alone";

    QTest::mouseClick(child<QPushButton>(panel, "applyButton"), Qt::LeftButton);
    std::string written = "WAVEFORM wf 32 0 0 0 0.5 0.5 0.3889 0.1667 -0.0556 -0.2778 -0.5";
    for (int i = 10; i < 32; ++i)
        written += " 0";
    EXPECT_EQ(lineOf(*e.doc, "WAVEFORM", true), written + " ;=140,140,80,0");
    UndoManager& undo = e.doc->undoManager();
    EXPECT_EQ(undo.undoCount(), 1u);
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Change Value");
    EXPECT_FALSE(panel->waveObject().isEdited());

    undo.undo();
    EXPECT_EQ(e.doc->sigData(), before);
    // The editor holds nothing unapplied, so it follows the undo.
    expectPoints(*panel, std::vector<double>(32, 0.0));
    undo.redo();
    // As written: four decimals.
    for (double& v : expected)
        v = std::round(v * 10000) / 10000;
    expectPoints(*panel, expected);
    undo.undo();
    EXPECT_EQ(e.doc->sigData(), before);
}

TEST(WaveEditors, CancelChangesNothingAndOkWritesAndCloses)
{
    Editing e;
    const std::string before = e.doc->sigData();
    {
        QPointer<WaveformPanel> panel = e.open<WaveformPanel>("cc");
        ASSERT_TRUE(panel);
        QTest::mouseClick(child<QToolButton>(panel, "sinButton"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(panel, "addButton"), Qt::LeftButton);
        EXPECT_EQ(panel->waveObject().numberOfPoints(), 5);
        QTest::mouseClick(child<QPushButton>(panel, "cancelButton"), Qt::LeftButton);
        deletePending();
        EXPECT_FALSE(panel);
        EXPECT_EQ(e.doc->sigData(), before);
        EXPECT_EQ(e.doc->undoManager().undoCount(), 0u);
        EXPECT_FALSE(e.doc->isDocumentEdited());
    }

    // A new editor starts from the module again; two points more, then a
    // sawtooth over all six, written by OK.
    QPointer<WaveformPanel> panel = e.open<WaveformPanel>("cc");
    ASSERT_TRUE(panel);
    expectPoints(*panel, (std::vector<double>{0, 0.3, 0.7, 1}));
    auto* add = child<QPushButton>(panel, "addButton");
    auto* remove = child<QPushButton>(panel, "removeButton");
    ASSERT_TRUE(add && remove);
    EXPECT_TRUE(add->isVisible());
    QTest::mouseClick(add, Qt::LeftButton);
    QTest::mouseClick(add, Qt::LeftButton);
    QTest::mouseClick(child<QToolButton>(panel, "sawButton"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(panel, "okButton"), Qt::LeftButton);
    deletePending();
    EXPECT_FALSE(panel);
    EXPECT_EQ(lineOf(*e.doc, "C_CURVE", true), "C_CURVE cc adc-in1 6 0 0.2 0.4 0.6 0.8 1 ;=140,40,80,0");
    EXPECT_EQ(e.doc->undoManager().undoCount(), 1u);
    e.doc->undoManager().undo();
    EXPECT_EQ(e.doc->sigData(), before);
}

TEST(WaveEditors, ButtonsFollowTheTableAndItsLimits)
{
    Editing e;
    auto* wave = e.open<WaveformPanel>("wf");
    ASSERT_TRUE(wave);
    // A WAVEFORM always has 32 points: no add or remove.
    EXPECT_FALSE(child<QPushButton>(wave, "addButton")->isVisible());
    EXPECT_FALSE(child<QPushButton>(wave, "removeButton")->isVisible());

    struct Press {
        const char* button;
        std::vector<double> points;
    };
    // The C_CURVE's points lie within 0..1.
    const std::vector<Press> presses{
        {"sinButton", {0.5, 1, 0.5, 0}},      {"horizontalFlipButton", {0.5, 0, 0.5, 1}},
        {"triButton", {0, 0.5, 0.5, 0}},      {"sqrButton", {0, 0, 1, 1}},
        {"verticalFlipButton", {1, 1, 0, 0}}, {"sawButton", {0, 1.0 / 3, 2.0 / 3, 1}},
        {"zeroButton", {0, 0, 0, 0}},
    };
    auto* panel = e.open<WaveformPanel>("cc");
    ASSERT_TRUE(panel);
    for (const Press& p : presses) {
        SCOPED_TRACE(p.button);
        auto* b = child<QToolButton>(panel, p.button);
        ASSERT_TRUE(b);
        QTest::mouseClick(b, Qt::LeftButton);
        expectPoints(*panel, p.points);
    }
    uint32_t seed = 42;
    panel->setRandomSeedSource([&seed] { return seed; });
    QTest::mouseClick(child<QToolButton>(panel, "ranButton"), Qt::LeftButton);
    const auto first = pointsOf(*panel);
    for (double v : first) {
        EXPECT_GE(v, 0);
        EXPECT_LE(v, 1);
    }
    QTest::mouseClick(child<QToolButton>(panel, "ranButton"), Qt::LeftButton);
    EXPECT_EQ(pointsOf(*panel), first) << "the same seed, the same table";

    // C_CURVE holds 2 to 32 points.
    auto* add = child<QPushButton>(panel, "addButton");
    auto* remove = child<QPushButton>(panel, "removeButton");
    QTest::mouseClick(remove, Qt::LeftButton);
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(panel->waveObject().numberOfPoints(), 2);
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_TRUE(add->isEnabled());
    while (add->isEnabled())
        QTest::mouseClick(add, Qt::LeftButton);
    EXPECT_EQ(panel->waveObject().numberOfPoints(), 32);

    // With changes not applied, Escape asks first; Cancel keeps the editor.
    QPointer<WaveformPanel> watched = panel;
    {
        ScopedRecordingAlerts alerts;
        alerts.answers = {2};
        QTest::keyClick(panel->waveformView(), Qt::Key_Escape);
        deletePending();
        ASSERT_EQ(alerts.recorded.size(), 1u);
        EXPECT_EQ(alerts.recorded[0].buttons, (std::vector<std::string>{"Apply", "Discard", "Cancel"}));
        ASSERT_TRUE(watched);
    }

    QTest::mouseClick(child<QPushButton>(panel, "revertButton"), Qt::LeftButton);
    expectPoints(*panel, (std::vector<double>{0, 0.3, 0.7, 1}));
    EXPECT_FALSE(panel->waveObject().isEdited());

    // With nothing left to apply, Escape closes at once.
    QTest::keyClick(panel->waveformView(), Qt::Key_Escape);
    deletePending();
    EXPECT_FALSE(watched);
}

TEST(WaveEditors, OneEditorPerModuleFollowingChangesMadeElsewhere)
{
    Editing e;
    EXPECT_FALSE(WaveEditors::open(e.doc, e.module("adc"), nullptr)) << "the head has no editor";
    auto* panel = e.open<WaveformPanel>("cc");
    ASSERT_TRUE(panel);
    EXPECT_EQ(e.open<WaveformPanel>("cc"), panel) << "opening again raises the same editor";
    EXPECT_TRUE(e.open<WaveshapePanel>("s"));

    // A value set in the inspector shows at once while nothing is edited here.
    Module& cc = e.module("cc");
    auto setText = [&](const char* field, const char* text) {
        UndoGroup event(*e.doc);
        ASSERT_TRUE(PatchEditor(*e.doc).setFieldText(cc.field(field), text));
    };
    setText("point2", "0.25");
    expectPoints(*panel, (std::vector<double>{0, 0.25, 0.7, 1}));
    setText("opstart_name", "bend");
    EXPECT_EQ(panel->windowTitle(), "Edit Waveform:bend");

    // With a change of its own unapplied, the editor keeps it. Applying
    // writes only the points changed here, over the module as it is.
    // In the 264 by 208 view, point k of 4 sits at x = 4 + 64k; a value v of
    // 0..1 at y = 204 - 200v.
    auto atPoint = [](int k, double v) { return QPoint(4 + 64 * k, static_cast<int>(std::lround(204 - 200 * v))); };
    WaveformView* view = panel->waveformView();
    auto* apply = child<QPushButton>(panel, "applyButton");
    ASSERT_TRUE(apply);
    QTest::mouseClick(view, Qt::LeftButton, {}, atPoint(0, 0.5));
    setText("point3", "0.5");
    expectPoints(*panel, {0.5, 0.25, 0.7, 1});
    QTest::mouseClick(apply, Qt::LeftButton);
    EXPECT_EQ(lineOf(*e.doc, "C_CURVE", true), "C_CURVE bend adc-in1 4 0.5 0.25 0.5 1 ;=140,40,80,0");

    // A point changed both here and there: Apply asks which value stays.
    ScopedRecordingAlerts alerts;
    struct Round {
        const char* inspector; // point 3 set elsewhere after the editor set it to 0
        int answer;            // Keep the Editor's, Keep the Module's, Cancel
        const char* line;
    };
    for (const Round r : {Round{"0.9", 2, "C_CURVE bend adc-in1 4 0.5 0.25 0.9 1"},
                          Round{"0.9", 1, "C_CURVE bend adc-in1 4 0.5 0.25 0.9 0.5"},
                          Round{"0.8", 0, "C_CURVE bend adc-in1 4 0.5 0.25 0 0.5"}}) {
        SCOPED_TRACE(r.answer);
        if (!panel->waveObject().isEdited()) {
            QTest::mouseClick(view, Qt::LeftButton, {}, atPoint(2, 0));
            QTest::mouseClick(view, Qt::LeftButton, {}, atPoint(3, 0.5));
            setText("point3", r.inspector);
        }
        alerts.recorded.clear();
        alerts.answers = {r.answer};
        QTest::mouseClick(apply, Qt::LeftButton);
        EXPECT_EQ(lineOf(*e.doc, "C_CURVE"), r.line);
        ASSERT_EQ(alerts.recorded.size(), 1u);
        EXPECT_EQ(alerts.recorded[0].title, "ALERT");
        EXPECT_EQ(alerts.recorded[0].message,
                  std::string("These points were also changed outside the editor since it read them:\n"
                              "point3: 0 here, ") +
                      r.inspector + " in the module\nWhich values should be kept?");
        EXPECT_EQ(alerts.recorded[0].buttons,
                  (std::vector<std::string>{"Keep the Editor's", "Keep the Module's", "Cancel"}));
        EXPECT_EQ(panel->waveObject().isEdited(), r.answer == 2) << "a cancelled Apply keeps the editor's points";
    }

    // Removing the module closes its editor; undoing brings no editor back.
    QPointer<WaveEditorWindow> watched = panel;
    {
        UndoGroup event(*e.doc);
        ASSERT_TRUE(PatchEditor(*e.doc).deleteModules({&cc}));
    }
    deletePending();
    EXPECT_FALSE(watched);
    e.doc->undoManager().undo();
    EXPECT_FALSE(WaveEditors::editorFor(cc));
}

TEST(WaveEditors, ApplySaysWhatItMustClampBeforeWriting)
{
    Editing e;
    ScopedRecordingAlerts alerts;
    auto* panel = e.open<WaveformPanel>("mu");
    ASSERT_TRUE(panel);
    const std::string before = e.doc->sigData();
    // The file holds 2 where the field takes 0..1: flipped, it is -1.
    QTest::mouseClick(child<QToolButton>(panel, "horizontalFlipButton"), Qt::LeftButton);
    expectPoints(*panel, {-1, 1, 1, 1});
    auto* apply = child<QPushButton>(panel, "applyButton");
    ASSERT_TRUE(apply);

    alerts.answers = {1};
    QTest::mouseClick(apply, Qt::LeftButton);
    EXPECT_EQ(e.doc->sigData(), before) << "Cancel writes nothing";
    EXPECT_EQ(e.doc->undoManager().undoCount(), 0u);
    expectPoints(*panel, {-1, 1, 1, 1});
    ASSERT_EQ(alerts.recorded.size(), 1u);
    EXPECT_EQ(alerts.recorded[0].title, "ALERT");
    EXPECT_EQ(alerts.recorded[0].message,
              "Some values lie outside the limits of their fields:\npoint1: -1 is written as 0");
    EXPECT_EQ(alerts.recorded[0].buttons, (std::vector<std::string>{"Apply anyway", "Cancel"}));

    alerts.answers = {0};
    QTest::mouseClick(apply, Qt::LeftButton);
    EXPECT_EQ(lineOf(*e.doc, "M_UCURVE"), "M_UCURVE mu cc-out 4 0 1 1 1");
    EXPECT_EQ(alerts.recorded.size(), 2u);
}

TEST(WaveEditors, HarmonicsShowTheCurveAndChangeItOnlyWhenASliderMoves)
{
    const std::vector<std::vector<double>> curves{
        {-1, 0, 1},
        {-1, -1, 1},
        {1, 0.5, 0, -0.5, -1},
        {0, 0.5, -0.5, 1, -1, 0.25, 0, -0.25, 1, -1, 0.5, -0.5, 0},
    };
    for (const auto& points : curves) {
        std::string record = "CURVE k adc-in1 " + std::to_string(points.size());
        for (double v : points)
            record += " " + numberString(v);
        SCOPED_TRACE(record);
        Editing e("HEADM adc Waves t 2 2 1 k-out adc-null adc-nullobj ;=20,40,80,0\r\n" + record +
                  " ;=140,40,80,0\r\nTAIL Ann\r\n");
        auto* panel = e.open<WaveshapePanel>("k");
        ASSERT_TRUE(panel);
        const std::string before = e.doc->sigData();
        auto* harmonics = child<QPushButton>(panel, "harmonicsButton");
        ASSERT_TRUE(harmonics);

        QTest::mouseClick(harmonics, Qt::LeftButton);
        EXPECT_EQ(pointsOf(*panel), points) << "on";
        QTest::mouseClick(harmonics, Qt::LeftButton);
        EXPECT_EQ(pointsOf(*panel), points) << "off";
        QTest::mouseClick(child<QPushButton>(panel, "applyButton"), Qt::LeftButton);
        EXPECT_EQ(e.doc->sigData(), before);
        EXPECT_EQ(e.doc->undoManager().undoCount(), 0u);

        // Each slider a page away and back: the curve moves, then comes back.
        QTest::mouseClick(harmonics, Qt::LeftButton);
        for (int k = 0; k < WaveshapePanel::kHarmonics; ++k) {
            SCOPED_TRACE(k);
            QSlider* slider = panel->valueSlider(k)->slider();
            const bool up = slider->value() < slider->maximum();
            QTest::keyClick(slider, up ? Qt::Key_PageUp : Qt::Key_PageDown);
            if (k == 0) {
                EXPECT_NE(pointsOf(*panel), points) << "the constant moves the curve";
            }
            QTest::keyClick(slider, up ? Qt::Key_PageDown : Qt::Key_PageUp);
            const auto back = pointsOf(*panel);
            ASSERT_EQ(back.size(), points.size());
            for (size_t i = 0; i < points.size(); ++i)
                EXPECT_NEAR(back[i], points[i], 0.02) << "point " << i;
        }
        QTest::mouseClick(child<QPushButton>(panel, "applyButton"), Qt::LeftButton);
        EXPECT_EQ(e.doc->sigData(), before) << "put back, the curve writes nothing";
    }
}

TEST(WaveEditors, HarmonicsStartFromThePointsAndMovingOneRebuildsThem)
{
    Editing e;
    auto* panel = e.open<WaveformPanel>("wf");
    ASSERT_TRUE(panel);
    QTest::mouseClick(child<QToolButton>(panel, "sinButton"), Qt::LeftButton);
    const auto sine = pointsOf(*panel);
    auto* harmonics = child<QPushButton>(panel, "harmonicsButton");
    ASSERT_TRUE(harmonics);
    QTest::mouseClick(harmonics, Qt::LeftButton);
    ASSERT_TRUE(child<QWidget>(panel, "harmonicsView")->isVisible());
    EXPECT_EQ(pointsOf(*panel), sine) << "opening the harmonics changes no point";
    // A sine of full range: harmonic 1 at level 1, shifted a quarter turn.
    EXPECT_EQ(panel->valueSlider(1)->text()->text(), "1.000");
    EXPECT_EQ(panel->phaseSlider(1)->text()->text(), "-1.571");
    EXPECT_EQ(panel->valueSlider(2)->text()->text(), "0.000");
    EXPECT_EQ(panel->overallSlider()->text()->text(), "1.000");
    // 32 points carry harmonics up to 15.
    EXPECT_TRUE(panel->valueSlider(15)->isEnabled());

    // Harmonic 2 up by a tenth (a page of its slider): the troughs go below
    // the range and are clamped.
    QTest::keyClick(panel->valueSlider(2)->slider(), Qt::Key_PageUp);
    EXPECT_EQ(panel->valueSlider(2)->text()->text(), "0.100");
    auto wave = [](int j, double overall) {
        return overall * (std::sin(2 * kPi * j / 32) + 0.1 * std::cos(2 * kPi * 2 * j / 32));
    };
    auto points = pointsOf(*panel);
    for (int j = 0; j < 32; ++j)
        EXPECT_NEAR(points[j], std::clamp(wave(j, 1), -1.0, 1.0), 1e-9) << j;
    EXPECT_EQ(points[24], -1);
    EXPECT_TRUE(panel->isOverloaded());
    // The overall level down a page (to 0.8) brings it all back in.
    QTest::keyClick(panel->overallSlider()->slider(), Qt::Key_PageDown);
    EXPECT_EQ(panel->overallSlider()->text()->text(), "0.800");
    points = pointsOf(*panel);
    for (int j = 0; j < 32; ++j)
        EXPECT_NEAR(points[j], wave(j, 0.8), 1e-9) << j;
    EXPECT_FALSE(panel->isOverloaded());

    // Everything lifted by the DC: the tops are clamped, and the overload shows.
    QTest::keyClick(panel->dcSlider()->slider(), Qt::Key_End);
    EXPECT_EQ(panel->dcSlider()->text()->text(), "1.000");
    EXPECT_TRUE(panel->isOverloaded());
    for (double v : pointsOf(*panel))
        EXPECT_LE(v, 1.0);
    EXPECT_DOUBLE_EQ(pointsOf(*panel)[8], 1.0);
    // No overall level leaves the middle of the range.
    QTest::keyClick(panel->overallSlider()->slider(), Qt::Key_Home);
    EXPECT_FALSE(panel->isOverloaded());
    expectPoints(*panel, std::vector<double>(32, 0.0));
    // The overload button takes the overall level back to 1.
    QTest::mouseClick(panel->overloadButton(), Qt::LeftButton);
    EXPECT_EQ(panel->overallSlider()->text()->text(), "1.000");
    EXPECT_TRUE(panel->isOverloaded());

    // Four points carry only harmonic 1.
    auto* curve = e.open<WaveformPanel>("cc");
    ASSERT_TRUE(curve);
    const auto before = pointsOf(*curve);
    QTest::mouseClick(child<QPushButton>(curve, "harmonicsButton"), Qt::LeftButton);
    EXPECT_EQ(pointsOf(*curve), before);
    EXPECT_FALSE(curve->waveObject().isEdited());
    EXPECT_TRUE(curve->valueSlider(1)->isEnabled());
    EXPECT_FALSE(curve->valueSlider(2)->isEnabled());
    EXPECT_FALSE(curve->phaseSlider(2)->isEnabled());
    // Five points carry harmonic 2 as well, not yet 3.
    QTest::mouseClick(child<QPushButton>(curve, "addButton"), Qt::LeftButton);
    EXPECT_TRUE(curve->valueSlider(2)->isEnabled());
    EXPECT_FALSE(curve->valueSlider(3)->isEnabled());
}

TEST(WaveEditors, WaveshapeSoftClipAndHarmonicsWriteBackAsOneStep)
{
    Editing e;
    auto* panel = e.open<WaveshapePanel>("s");
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->windowTitle(), "Edit Waveshape:s");
    const std::string before = e.doc->sigData();
    ASSERT_TRUE(child<QWidget>(panel, "clipControls")->isVisible());

    QTest::mouseClick(child<QToolButton>(panel, "softClipButton"), Qt::LeftButton);
    EXPECT_EQ(panel->clipSlider()->text()->text(), "0.667");
    expectPoints(*panel, {-2.0 / 3, 0, 2.0 / 3});
    // Bias 0.1 doubles the outer points, limited to the range.
    panel->biasSlider()->slider()->setValue(500);
    EXPECT_EQ(panel->biasSlider()->text()->text(), "0.100");
    expectPoints(*panel, (std::vector<double>{-1, 0, 1}));

    // The harmonics of the points: the straight line is harmonic 1 alone.
    QTest::mouseClick(child<QPushButton>(panel, "harmonicsButton"), Qt::LeftButton);
    EXPECT_FALSE(child<QWidget>(panel, "clipControls")->isVisible());
    EXPECT_TRUE(child<QWidget>(panel, "harmonicsView")->isVisible());
    for (int k = 0; k < WaveshapePanel::kHarmonics; ++k)
        EXPECT_EQ(panel->valueSlider(k)->text()->text(), k == 1 ? "1.000" : "0.000") << k;
    EXPECT_EQ(panel->harmonicFreq(1)->text(), "  100");
    EXPECT_EQ(panel->harmonicFreq(12)->text(), " 1200");
    panel->cutOffFreq()->setValue(250);
    EXPECT_EQ(panel->harmonicFreq(3)->text(), "  750");

    // Harmonic 1 inverted: the falling line.
    QTest::keyClick(panel->valueSlider(1)->slider(), Qt::Key_Home);
    EXPECT_EQ(panel->valueSlider(1)->text()->text(), "-1.000");
    expectPoints(*panel, {1, 0, -1});
    // Harmonic 2 as well: -x + 2x^2 - 1 reaches 2, so the curve is halved
    // to fit the range.
    QTest::keyClick(panel->valueSlider(2)->slider(), Qt::Key_End);
    expectPoints(*panel, {1, -0.5, 0});
    // A point more is drawn from the same harmonics.
    QTest::mouseClick(child<QPushButton>(panel, "addButton"), Qt::LeftButton);
    EXPECT_EQ(panel->waveShape().numberOfPoints(), 4u);
    expectPoints(*panel, {1, -2.0 / 9, -5.0 / 9, 0});

    QTest::mouseClick(child<QPushButton>(panel, "applyButton"), Qt::LeftButton);
    EXPECT_EQ(lineOf(*e.doc, "CURVE s"), "CURVE s adc-in2 4 1 -0.2222 -0.5556 0");
    EXPECT_EQ(e.doc->undoManager().undoCount(), 1u);
    EXPECT_EQ(e.doc->undoManager().undoMenuItemTitle(), "Undo Change Value");
    e.doc->undoManager().undo();
    EXPECT_EQ(e.doc->sigData(), before);
    expectPoints(*panel, (std::vector<double>{-0.5, 0, 0.5}));
}

TEST(WaveEditors, EveryControlHasAnAccessibleName)
{
    Editing e;
    for (const char* name : {"wf", "s"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(WaveEditors::open(e.doc, e.module(name), nullptr));
        QWidget* editor = WaveEditors::editorFor(e.module(name));
        ASSERT_TRUE(editor);
        int controls = 0;
        for (QWidget* w : editor->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QSlider*>(w) || qobject_cast<WaveformView*>(w)) {
                ++controls;
                QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(w);
                ASSERT_TRUE(heard);
                const QString name = heard->text(QAccessible::Name);
                EXPECT_FALSE(name.isEmpty()) << w->objectName().toStdString();
                // A button with a text is announced by that text.
                auto* button = qobject_cast<QAbstractButton*>(w);
                if (button && !button->text().isEmpty()) {
                    EXPECT_EQ(name, QString(button->text()).remove(QLatin1Char('&'))) << w->objectName().toStdString();
                }
            }
        }
        EXPECT_GT(controls, 12);
    }
}
