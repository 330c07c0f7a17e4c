// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

namespace tosk {

// The grid of one canvas: its pitch and colour, and whether it is drawn, is
// snapped to and has rulers beside it. A new canvas starts with a light gray
// grid every 25 points, hidden, without snapping or rulers.
struct GridSettings {
    double spacing = 25;
    QColor color = QColor::fromRgbF(0.667f, 0.667f, 0.667f);
    bool showsGrid = false;
    bool snapsToGrid = false;
    bool showsRuler = false;

    bool operator==(const GridSettings&) const = default;
};

} // namespace tosk
