#pragma once

namespace tosk {

// The editor's start: the Qt application, the platform services the core
// asks for, the delegate's launch, the start window, then the event loop.
class ToskApplication {
public:
    static int run(int argc, char** argv);

    // Puts numbers back in the "C" form after Qt has taken the user's locale
    // for everything: patch files, the unit and the canvas write "0.5",
    // never "0,5", whatever the desktop's language.
    static void useCNumbers();
};

} // namespace tosk
