// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QMenuBar;

namespace tosk {

class MainMenuDelegate;

// The application menu. Linux has no menu bar of the application's own, so
// every window that carries the menu builds it here into its own bar: this
// is the one place that lists the application's commands.
class ApplicationMenu {
public:
    static void build(QMenuBar* bar, MainMenuDelegate& delegate);
};

} // namespace tosk
