// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/HeadLayout.h"

#include <vector>

class QPainter;

namespace tosk {

class Module;
class ModuleField;

// Draws the head module's boxes as HeadLayout placed them (the patch's
// inputs, outputs, user objects and control sources), and the head's order
// badge while badges are shown.
class HeadPainter {
public:
    static void draw(QPainter& painter, const std::vector<HeadLayout::Box>& boxes, const Module& head,
                     const ModuleField* selectedField, int showMode);
};

} // namespace tosk
