// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tosk::unit {

// The front panel of the patch a unit runs: its knobs, sliders, selectors
// and switches, and the menu pages that gather them, read from the patch's
// text. The unit shows a knob or a slider as a number with limits and a
// selector or a switch as a choice; a value turned on the unit is written
// back into the text, token for token, so that the patch the unit hands
// out carries it.
class RunningPatch {
public:
    struct Control {
        enum class Kind { Number, Choice };
        Kind kind = Kind::Number;
        std::string operatorName; // KNOB, SLIDER, SELECTOR or TOGGLE
        std::string instance;
        std::string statement; // the menu statement ("Rate:%5.2f")
        double value = 0, minimum = 0, maximum = 0, resolution = 0;
        std::vector<std::string> choices;
        uint32_t current = 0;
        // Where the value is written in the text: [valueBegin, valueEnd).
        size_t valueBegin = 0, valueEnd = 0;
    };
    struct Page {
        std::string instance;
        std::string title;
        std::vector<size_t> controls; // indexes into controls(), in the page's order
    };

    static RunningPatch read(const std::string& text);

    const std::vector<Control>& controls() const { return controls_; }
    const std::vector<Page>& pages() const { return pages_; }

    // The text with the control's value replaced by `value`.
    static std::string withValue(const std::string& text, const Control& control, const std::string& value);
    // The step of a number: the precision its statement shows ("%5.2f":
    // 0.01, "%d": 1), else a power of ten near a hundredth of its range.
    static double resolutionOf(const std::string& statement, double minimum, double maximum);

private:
    std::vector<Control> controls_;
    std::vector<Page> pages_;
};

} // namespace tosk::unit
