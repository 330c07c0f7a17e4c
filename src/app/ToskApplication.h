// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/AutosavePolicy.h"

#include <QIcon>

#include <functional>
#include <optional>
#include <string>

namespace tosk {

class AutosaveController;
class DocumentController;
class MainMenuDelegate;

// The editor's start: the Qt application, the platform services the core
// asks for, the delegate's launch, the start window, then the event loop.
class ToskApplication {
public:
    // The name of the desktop entry, the icon and the AppStream component.
    static constexpr const char* kDesktopId = "org.tosk.Tosk";

    // The parts of a running editor, handed to `Options::started`.
    struct Running {
        MainMenuDelegate& delegate;
        DocumentController& documents;
        AutosaveController& autosave;
    };
    struct Options {
        // How often patches with unsaved changes are kept (tests shorten it).
        AutosavePolicy::Params autosave;
        // Where they are kept; "" is the user's state folder.
        std::string autosaveDirectory;
        // Called once everything stands, before left-over autosaves are
        // offered and the files named at start open (test drivers).
        std::function<void(Running&)> started;
        // The user the other end of the single-instance socket must be;
        // unset, this process's. Tests name another to stand for a socket
        // that someone else listens on.
        std::optional<long> instanceUser;
    };

    static int run(int argc, char** argv, const Options& options = {});

    // Names the program for Qt and the desktop (its entry "org.tosk.Tosk",
    // so that windows find their icon and entry) and gives every window
    // the program's icon.
    static void setUpIdentity();
    // The program's icon, from the bundled data.
    static QIcon applicationIcon();

    // Puts numbers back in the "C" form after Qt has taken the user's locale
    // for everything. Files and the unit no longer depend on it (the core
    // reads and prints numbers itself); what still goes through the C
    // library in the windows (log lines, the info line's values) does.
    static void useCNumbers();
};

} // namespace tosk
