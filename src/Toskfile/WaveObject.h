// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"
#include "Toskfile/WaveWriteBack.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tosk {

class ChebyshevWaveshape;

// A working copy of the table of values a special module keeps as a repeated
// group of fields (a waveform, a curve, knob values, tap delays): the point
// values, how many there are, the limits of that number (the count field's)
// and the limits of a value (the first point field's). Editing it leaves the
// module alone; writeBack() says what the module needs to match it.
class WaveObject {
public:
    // Reads the table of the module: point fields named by pointName with
    // "~n" where the number goes, counted by the field iterationName.
    WaveObject(Module::Ptr module, std::string pointName, std::string iterationName);
    virtual ~WaveObject();
    WaveObject(const WaveObject&) = delete;
    WaveObject& operator=(const WaveObject&) = delete;

    // The table of a module by its kind: WAVEFORM, C_CURVE, M_CURVE,
    // M_UCURVE, CURVE, MULTIKNOB, MULTITAP, MULTITAP2; none for other kinds.
    static std::unique_ptr<WaveObject> tableForModule(const Module::Ptr& module);
    // The kinds edited as a waveform (CURVE is edited as a waveshape).
    static bool isWaveformKind(int moduleType);

    const Module::Ptr& module() const { return module_; }
    const std::string& pointName() const { return pointName_; }
    const std::string& iterationName() const { return iterationName_; }
    // The NAME of point index+1 ("point1" for index 0).
    std::string pointNameFor(int index) const;

    // Reads counts, limits and values from the module again, dropping every
    // change made here.
    void resetPoints();
    // Something was changed since the table was last read.
    bool isEdited() const { return edited_; }
    // The point's value differs from the one read (points added since are
    // changed).
    bool isPointChanged(int index) const;

    // --- counts
    int numberOfPoints() const { return numberOfPoints_; }
    int minimumNumberOfPoints() const { return minimumNumberOfPoints_; }
    int maximumNumberOfPoints() const { return maximumNumberOfPoints_; }
    // The count the module had when the table was read.
    int readNumberOfPoints() const { return readNumberOfPoints_; }
    // The editor offers no add and remove when the limits are equal.
    bool hasFixedNumberOfPoints() const { return minimumNumberOfPoints_ == maximumNumberOfPoints_; }
    // A point can be added only below a maximum that is an integer, and only
    // when the module's count is one (otherwise its repetitions cannot be
    // changed); one can be removed above the larger of the minimum and 1.
    bool canIncreasePoints() const;
    bool canDecreasePoints() const;
    bool increasePoints();
    // The point removed is cleared, so that adding one again starts at 0.
    bool decreasePoints();

    // --- values
    double minimumPointValue() const { return minimumPointValue_; }
    double maximumPointValue() const { return maximumPointValue_; }
    // 0 outside the points.
    double valueForPoint(int index) const;
    // Ignored outside the points, and for a value that is no number.
    void setValue(double value, int index);
    // The first numberOfPoints() values.
    std::span<const double> pointValues() const;

    // --- generators, each over the current points
    void setPointsToZero();
    void setPointsToSineWave();
    void setPointsToTriangleWave();
    void setPointsToSawToothWave();
    void setPointsToSquareWave();
    // Uniform values within the limits from a generator seeded with seed.
    void setPointsToRandomWave(uint32_t seed);
    // Reverses the order of the points (the vertical flip).
    void reversePoints();
    // Mirrors every value within the limits (the horizontal flip).
    void invertPoints();
    // A soft-clip curve: x - x^3 (1 - clip) limited to +-clip, boosted by
    // 10 * bias and limited to +-1, over the whole value range.
    void setPointsToClipWave(double clip, double bias);
    // The shape's curve over the current points, scaled about the middle of
    // the range just enough to fit when it leaves it. Fewer than 2 points
    // are left alone.
    void setPointsToChebyshevWaveshape(const ChebyshevWaveshape& shape);
    ChebyshevWaveshape getChebyshevWaveshapeFromPoints(uint32_t numberOfHarmonics) const;

    // What the module needs to match what was changed here: the
    // repetitions the user added or removed, counted from the module's count
    // as it is now, then the values of the points changed here, each within
    // its field's own limits; points changed only elsewhere keep their text.
    // Nothing changes repetitions when the module's count is not an integer
    // or its last point field does not exist. Once the plan is carried out,
    // resetPoints() brings the table level with the module.
    WaveWriteBack writeBack() const;

    // A number of the module: the text's value when it is an integer,
    // otherwise (empty, decimal, a name) the default.
    static double fieldValue(const std::string& text, double defaultValue);

protected:
    // A table whose count is always fixedCount (no count field is read).
    WaveObject(Module::Ptr module, std::string pointName, std::string iterationName, int fixedCount);

private:
    void readCounts();
    void markEdited() { edited_ = true; }
    // Where writeBack() adds and removes repetitions; answers the change.
    int planRepetitions(WaveWriteBack& plan) const;

    Module::Ptr module_;
    std::string pointName_;
    std::string iterationName_;
    std::vector<double> pointValues_;
    // The values and texts of the points as read (no text: no field).
    std::vector<double> readValues_;
    std::vector<std::optional<std::string>> readTexts_;
    int fixedCount_ = -1;
    bool hasPoints_ = false;
    bool countIsInteger_ = false;
    bool maximumIsInteger_ = false;
    bool edited_ = false;
    int numberOfPoints_ = 0;
    int readNumberOfPoints_ = 0;
    int minimumNumberOfPoints_ = 0;
    int maximumNumberOfPoints_ = 0;
    double minimumPointValue_ = -1.0;
    double maximumPointValue_ = 1.0;
};

} // namespace tosk
