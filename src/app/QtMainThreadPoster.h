#pragma once

#include "base/MainThreadPoster.h"

namespace tosk {

// Hands work to the application's event loop, from any thread.
class QtMainThreadPoster : public MainThreadPoster {
public:
    void post(std::function<void()> work) override;
};

} // namespace tosk
