// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace tosk {

// The core names windows by opaque pointers; in the app they are widgets.
// Answers the widget behind `window` when it is a live widget of this
// application, else null, so that a stale or foreign pointer is never used.
QWidget* widgetFor(const void* window);

} // namespace tosk
