// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TextMetrics.h"

namespace tosk {

// Texts measured with the fonts the canvas paints with (CanvasStyle), so that
// the labels the core places land where the painters draw them. The canvas,
// `tosk-cli render` and the GUI tests all measure with this. Needs a
// QGuiApplication.
class CanvasTextMetrics : public TextMetrics {
public:
    Size textSize(const std::string& text, Style style) const override;

    static const CanvasTextMetrics& shared();
};

} // namespace tosk
