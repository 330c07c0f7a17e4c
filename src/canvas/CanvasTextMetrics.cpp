// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CanvasTextMetrics.h"

#include "canvas/CanvasStyle.h"
#include "canvas/Latin1.h"

namespace tosk {

Size CanvasTextMetrics::textSize(const std::string& text, Style style) const
{
    const QSizeF size = CanvasStyle::textSize(Latin1::qstring(text), style);
    return Size{size.width(), size.height()};
}

const CanvasTextMetrics& CanvasTextMetrics::shared()
{
    static const CanvasTextMetrics metrics;
    return metrics;
}

} // namespace tosk
