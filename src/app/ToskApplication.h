#pragma once

namespace tosk {

// The editor's start: the Qt application, the platform services the core
// asks for, the delegate's launch, the start window, then the event loop.
class ToskApplication {
public:
    static int run(int argc, char** argv);
};

} // namespace tosk
