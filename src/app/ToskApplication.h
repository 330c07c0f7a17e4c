#pragma once

namespace tosk {

// The editor's start: the Qt application, the platform services the core
// asks for, the delegate's launch, the start window, then the event loop.
class ToskApplication {
public:
    static int run(int argc, char** argv);

    // Puts numbers back in the "C" form after Qt has taken the user's locale
    // for everything. Files and the unit no longer depend on it (the core
    // reads and prints numbers itself); what still goes through the C
    // library in the windows (log lines, the info line's values) does.
    static void useCNumbers();
};

} // namespace tosk
