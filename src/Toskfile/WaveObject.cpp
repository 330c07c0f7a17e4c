// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/WaveObject.h"

#include "Toskfile/ChebyshevWaveshape.h"
#include "Toskfile/ModuleField.h"
#include "Toskfile/MultitapWaveObject.h"
#include "Toskfile/MyExtensions.h"
#include "Toskfile/WaveFormObject.h"
#include "database/OperatorField.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <random>

namespace tosk {

namespace {

// The text a field takes for a value: within the limits the field's own
// validation holds it to (clamped is then set), or none when no such text
// can be made (limits the wrong way round, or rounded past a limit).
struct FieldText {
    std::optional<std::string> text;
    bool clamped = false;
};

FieldText textWithinLimits(const ModuleField& field, double value)
{
    const int type = field.type();
    const std::string minText = field.getSpecifier(OperatorField::MINIMUM);
    const std::string maxText = field.getSpecifier(OperatorField::MAXIMUM);
    FieldText written;
    std::string text;
    if (OperatorEntry::isIntegerType(type)) {
        double lo = OperatorField::integerValue(minText);
        double hi = OperatorField::integerValue(maxText);
        double v = std::round(value);
        if (lo <= hi && (v < lo || v > hi)) {
            v = std::clamp(v, lo, hi);
            written.clamped = true;
        }
        text = std::to_string(static_cast<long long>(std::clamp(v, -2147483648.0, 2147483647.0)));
    } else if (OperatorEntry::isFloatType(type) ||
               (ModuleField::isInputType(type) && (isNumeric(minText) || isNumeric(maxText)))) {
        float lo = static_cast<float>(OperatorField::decimalValue(minText));
        float hi = static_cast<float>(OperatorField::decimalValue(maxText));
        float v = static_cast<float>(value);
        if (lo <= hi && (v < lo || v > hi)) {
            v = std::clamp(v, lo, hi);
            written.clamped = true;
        }
        text = numberString(v);
    } else {
        written.text = numberString(static_cast<float>(value));
        return written;
    }
    std::string ignored;
    if (field.isValueValid(text, ignored))
        written.text = text;
    return written;
}

// A value as the table shows and writes it.
std::string valueText(double value)
{
    return numberString(static_cast<float>(value));
}

} // namespace

WaveObject::WaveObject(Module::Ptr module, std::string pointName, std::string iterationName)
    : WaveObject(std::move(module), std::move(pointName), std::move(iterationName), -1)
{
}

WaveObject::WaveObject(Module::Ptr module, std::string pointName, std::string iterationName, int fixedCount)
    : module_(std::move(module)), pointName_(std::move(pointName)), iterationName_(std::move(iterationName)),
      fixedCount_(fixedCount)
{
    resetPoints();
}

WaveObject::~WaveObject() = default;

std::unique_ptr<WaveObject> WaveObject::tableForModule(const Module::Ptr& module)
{
    if (!module)
        return nullptr;
    switch (module->moduleType()) {
    case Module::WAVEFORM:
        return std::make_unique<WaveFormObject>(module);
    case Module::CURVE:
    case Module::C_CURVE:
    case Module::M_CURVE:
    case Module::M_UCURVE:
        return std::make_unique<WaveObject>(module, "point~n", "npoints");
    case Module::MULTIKNOB:
        return std::make_unique<WaveObject>(module, "val~n", "num_tweaks");
    case Module::MULTITAP:
    case Module::MULTITAP2:
        return std::make_unique<MultitapWaveObject>(module);
    default:
        return nullptr;
    }
}

bool WaveObject::isWaveformKind(int moduleType)
{
    switch (moduleType) {
    case Module::WAVEFORM:
    case Module::C_CURVE:
    case Module::M_CURVE:
    case Module::M_UCURVE:
    case Module::MULTITAP:
    case Module::MULTIKNOB:
    case Module::MULTITAP2:
        return true;
    default:
        return false;
    }
}

std::string WaveObject::pointNameFor(int index) const
{
    return ModuleField::setIteration(index + 1, pointName_);
}

double WaveObject::fieldValue(const std::string& text, double defaultValue)
{
    if (text.empty() || !isInteger(text))
        return defaultValue;
    return static_cast<float>(OperatorField::integerValue(text));
}

void WaveObject::resetPoints()
{
    edited_ = false;
    pointValues_.clear();
    readValues_.clear();
    readTexts_.clear();
    numberOfPoints_ = readNumberOfPoints_ = minimumNumberOfPoints_ = maximumNumberOfPoints_ = 0;
    countIsInteger_ = maximumIsInteger_ = false;
    minimumPointValue_ = -1.0;
    maximumPointValue_ = 1.0;
    Module::FieldPtr first = module_ ? module_->field(pointNameFor(0)) : nullptr;
    hasPoints_ = first != nullptr;
    if (!hasPoints_)
        return;
    maximumPointValue_ = fieldValue(first->getSpecifier(OperatorField::MAXIMUM), 1.0);
    minimumPointValue_ = fieldValue(first->getSpecifier(OperatorField::MINIMUM), -1.0);
    readCounts();
    // Room for every point the count allows, and for all a file holds
    // beyond that.
    int capacity = numberOfPoints_;
    if (maximumIsInteger_)
        capacity = std::max(capacity, std::clamp(maximumNumberOfPoints_, 0, Module::kMaxRepetitions));
    pointValues_.assign(static_cast<size_t>(capacity), 0.0);
    readTexts_.resize(static_cast<size_t>(numberOfPoints_));
    for (int i = 0; i < numberOfPoints_; ++i)
        if (Module::FieldPtr f = module_->field(pointNameFor(i))) {
            pointValues_[i] = static_cast<float>(OperatorField::decimalValue(f->text()));
            readTexts_[i] = f->text();
        }
    readValues_.assign(pointValues_.begin(), pointValues_.begin() + numberOfPoints_);
}

bool WaveObject::isPointChanged(int index) const
{
    if (index < 0 || index >= numberOfPoints_)
        return false;
    // A change too small to show in the text written is none.
    return static_cast<size_t>(index) >= readValues_.size() ||
           valueText(pointValues_[index]) != valueText(readValues_[index]);
}

void WaveObject::readCounts()
{
    if (fixedCount_ >= 0) {
        numberOfPoints_ = minimumNumberOfPoints_ = maximumNumberOfPoints_ = fixedCount_;
        countIsInteger_ = maximumIsInteger_ = true;
    } else {
        Module::FieldPtr counter = module_->field(iterationName_);
        std::string text = counter ? std::string(counter->text()) : std::string();
        countIsInteger_ = isInteger(text);
        if (countIsInteger_) {
            numberOfPoints_ = std::clamp(OperatorField::integerValue(text), 0, Module::kMaxRepetitions);
        } else {
            // No count to go by: the table is the point fields there are.
            while (numberOfPoints_ < Module::kMaxRepetitions && module_->field(pointNameFor(numberOfPoints_)))
                ++numberOfPoints_;
        }
        std::string minText = counter ? counter->getSpecifier(OperatorField::MINIMUM) : std::string();
        std::string maxText = counter ? counter->getSpecifier(OperatorField::MAXIMUM) : std::string();
        minimumNumberOfPoints_ = static_cast<int>(fieldValue(minText, 0));
        maximumNumberOfPoints_ = static_cast<int>(fieldValue(maxText, 0));
        maximumIsInteger_ = isInteger(maxText);
    }
    readNumberOfPoints_ = numberOfPoints_;
}

bool WaveObject::canIncreasePoints() const
{
    return hasPoints_ && countIsInteger_ && maximumIsInteger_ &&
           numberOfPoints_ < std::min(maximumNumberOfPoints_, Module::kMaxRepetitions);
}

bool WaveObject::canDecreasePoints() const
{
    return hasPoints_ && countIsInteger_ && numberOfPoints_ > std::max(minimumNumberOfPoints_, 1);
}

bool WaveObject::increasePoints()
{
    if (!canIncreasePoints())
        return false;
    ++numberOfPoints_;
    markEdited();
    return true;
}

bool WaveObject::decreasePoints()
{
    if (!canDecreasePoints())
        return false;
    pointValues_[numberOfPoints_ - 1] = 0.0;
    --numberOfPoints_;
    markEdited();
    return true;
}

double WaveObject::valueForPoint(int index) const
{
    return index >= 0 && index < numberOfPoints_ ? pointValues_[index] : 0.0;
}

void WaveObject::setValue(double value, int index)
{
    if (index < 0 || index >= numberOfPoints_ || !std::isfinite(value))
        return;
    if (pointValues_[index] != value) {
        pointValues_[index] = value;
        markEdited();
    }
}

std::span<const double> WaveObject::pointValues() const
{
    return std::span<const double>(pointValues_).first(static_cast<size_t>(numberOfPoints_));
}

void WaveObject::setPointsToZero()
{
    for (int i = 0; i < numberOfPoints_; ++i)
        setValue(0.0, i);
}

void WaveObject::setPointsToSineWave()
{
    const double mid = (maximumPointValue_ + minimumPointValue_) / 2;
    const double half = (maximumPointValue_ - minimumPointValue_) / 2;
    for (int i = 0; i < numberOfPoints_; ++i)
        setValue(std::sin(2 * std::numbers::pi * i / numberOfPoints_) * half + mid, i);
}

void WaveObject::setPointsToTriangleWave()
{
    const int n = numberOfPoints_;
    const int h = n / 2;
    const double lo = minimumPointValue_;
    const double hi = maximumPointValue_;
    double v = lo;
    for (int i = 0; i < h; ++i) {
        setValue(v, i);
        setValue(v, n - 1 - i);
        v = std::min(hi, v + (hi - lo) / h);
    }
    if (n % 2 == 1)
        setValue(v, h);
}

void WaveObject::setPointsToSawToothWave()
{
    const double lo = minimumPointValue_;
    const double hi = maximumPointValue_;
    const double step = numberOfPoints_ > 1 ? (hi - lo) / (numberOfPoints_ - 1) : 0.0;
    double v = lo;
    for (int i = 0; i < numberOfPoints_; ++i) {
        setValue(v, i);
        v = std::min(hi, v + step);
    }
}

void WaveObject::setPointsToSquareWave()
{
    for (int i = 0; i < numberOfPoints_; ++i)
        setValue(i < numberOfPoints_ / 2 ? minimumPointValue_ : maximumPointValue_, i);
}

void WaveObject::setPointsToRandomWave(uint32_t seed)
{
    std::mt19937 generator(seed);
    const double lo = minimumPointValue_;
    const double range = maximumPointValue_ - minimumPointValue_;
    const long long whole = static_cast<long long>(range);
    for (int i = 0; i < numberOfPoints_; ++i) {
        // 0 to 2^31 - 1, as random() gives.
        const long long r = generator() >> 1;
        double v;
        if (whole <= 0)
            // A range below 1 has no whole part to step through: ten
            // thousand steps over what there is.
            v = lo + range * static_cast<double>(r % 10000 + 1) / 10000;
        else if (whole <= 999)
            v = static_cast<double>(r % (whole * 10000) + 1) / 10000 + lo;
        else
            v = static_cast<double>(r % whole + 1) + lo;
        setValue(v, i);
    }
}

void WaveObject::reversePoints()
{
    const int n = numberOfPoints_;
    for (int i = 0; i < n / 2; ++i) {
        double a = pointValues_[i];
        double b = pointValues_[n - 1 - i];
        setValue(b, i);
        setValue(a, n - 1 - i);
    }
}

void WaveObject::invertPoints()
{
    for (int i = 0; i < numberOfPoints_; ++i)
        setValue(maximumPointValue_ - (pointValues_[i] - minimumPointValue_), i);
}

void WaveObject::setPointsToClipWave(double clip, double bias)
{
    const int n = numberOfPoints_;
    const double mid = (maximumPointValue_ + minimumPointValue_) / 2;
    const double half = (maximumPointValue_ - minimumPointValue_) / 2;
    for (int i = 0; i < n; ++i) {
        double x = chebyshevPosition(n, i);
        double y = std::max(-clip, std::min(clip, x - x * x * x * (1 - clip)));
        double z = std::max(-1.0, std::min(1.0, y + 10 * bias * y));
        setValue(z * half + mid, i);
    }
}

void WaveObject::setPointsToChebyshevWaveshape(const ChebyshevWaveshape& shape)
{
    const int n = numberOfPoints_;
    if (n < 2)
        return;
    const double lo = minimumPointValue_;
    const double hi = maximumPointValue_;
    std::vector<double> entries(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        entries[i] = chebyshevEvaluate(shape.harmonicAmplitudes(), n, i);
    auto [smallest, largest] = std::minmax_element(entries.begin(), entries.end());
    if (*smallest < lo || *largest > hi) {
        const double mid = (hi + lo) / 2;
        const double extent = std::max(*largest - mid, mid - *smallest);
        if (extent > 0) {
            const double scale = (hi - lo) / (2 * extent);
            for (double& e : entries)
                e = mid + (e - mid) * scale;
        }
    }
    for (int i = 0; i < n; ++i)
        setValue(entries[i], i);
}

ChebyshevWaveshape WaveObject::getChebyshevWaveshapeFromPoints(uint32_t numberOfHarmonics) const
{
    return ChebyshevWaveshape(numberOfHarmonics, pointValues());
}

int WaveObject::planRepetitions(WaveWriteBack& plan) const
{
    const int added = numberOfPoints_ - readNumberOfPoints_;
    if (added == 0 || fixedCount_ >= 0)
        return 0;
    Module::FieldPtr counter = module_->field(iterationName_);
    if (!counter || !isInteger(counter->text()))
        return 0;
    // The module's count as it is now: changes made elsewhere since the
    // table was read stay, and only what was added or removed here is added
    // or removed.
    const int count = OperatorField::integerValue(counter->text());
    if (count < 1 || !module_->field(pointNameFor(count - 1)))
        return 0;
    int target = count + added;
    if (added > 0)
        target = std::min(target, std::max(count, maximumIsInteger_ ? maximumNumberOfPoints_ : count));
    else
        target = std::max(target, std::min(count, std::max(minimumNumberOfPoints_, 1)));
    const int change = target - count;
    if (change == 0)
        return 0;
    plan.repetitionChange = change;
    plan.lastPointName = pointNameFor(count - 1);
    for (int k = 0; k < -change; ++k)
        plan.removedPointNames.push_back(pointNameFor(count - 1 - k));
    return change;
}

WaveWriteBack WaveObject::writeBack() const
{
    WaveWriteBack plan;
    Module::FieldPtr first = module_ ? module_->field(pointNameFor(0)) : nullptr;
    if (!hasPoints_ || !first)
        return plan;
    const int change = planRepetitions(plan);
    // Points [addedFrom, addedTo) are fields about to be made; they share
    // the first point's entry and so its limits.
    const int count = change != 0 ? OperatorField::integerValue(module_->field(iterationName_)->text()) : 0;
    const int addedFrom = change > 0 ? count : 0;
    const int addedTo = change > 0 ? count + change : 0;
    const int keptBelow = change < 0 ? count + change : Module::kMaxRepetitions;
    for (int i = 0; i < numberOfPoints_; ++i) {
        const std::string name = pointNameFor(i);
        const bool added = i >= addedFrom && i < addedTo;
        // Points the table left alone keep what the module has, changed
        // elsewhere or not.
        if (!added && (i >= keptBelow || !isPointChanged(i)))
            continue;
        Module::FieldPtr f = added ? first : module_->field(name);
        if (!f)
            continue;
        const FieldText written = textWithinLimits(*f, pointValues_[i]);
        if (!written.text) {
            plan.limited.push_back({name, valueText(pointValues_[i]), ""});
            continue;
        }
        if (!added && *written.text == f->text())
            continue;
        if (written.clamped)
            plan.limited.push_back({name, valueText(pointValues_[i]), *written.text});
        const bool readSo = static_cast<size_t>(i) < readTexts_.size() && readTexts_[i] == f->text();
        if (!added && !readSo)
            plan.conflicts.push_back({name, *written.text, std::string(f->text())});
        plan.values.push_back({name, *written.text});
    }
    return plan;
}

void WaveWriteBack::keepModuleValues()
{
    for (const Conflict& c : conflicts) {
        std::erase_if(values, [&c](const Value& v) { return v.fieldName == c.fieldName; });
        std::erase_if(limited, [&c](const Limited& l) { return l.fieldName == c.fieldName; });
    }
    conflicts.clear();
}

} // namespace tosk
