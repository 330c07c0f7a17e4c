// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/MainThreadPoster.h"

namespace tosk {

// Hands work to the application's event loop, from any thread.
class QtMainThreadPoster : public MainThreadPoster {
public:
    void post(std::function<void()> work) override;
};

} // namespace tosk
