// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tosk {

// Implemented by the window of a patch document, so that the application can
// tell which window the unit commands act on.
class PatchWindow {
public:
    virtual ~PatchWindow() = default;
};

} // namespace tosk
