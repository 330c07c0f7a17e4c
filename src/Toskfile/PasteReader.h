// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/ModuleList.h"

#include <optional>
#include <string>

namespace tosk {

class SigFile;

// Turns pasted text into modules for a patch, or into nothing at all.
//
// Text from anywhere may be pasted: the copy of another patch window, a sig
// file opened in a text editor, or plain prose. It is read as a patch with
// every message off (no alert, no log line, no "Cannot find signal" for a
// module whose inputs were outside the copy) and pastes nothing when it
// does not load cleanly, names an operator the database does not know, or
// holds no module.
class PasteReader {
public:
    struct Result {
        // The modules to add, in the text's order; empty: paste nothing.
        ModuleList::List modules;
        // The pasted head, when it is to replace the head of a patch that
        // holds nothing else; the patch then takes the pasted author too.
        Module::Ptr head;
        std::string author;
    };

    // Reads the text for `target` (whose database builds the modules). Wires
    // among the pasted modules are kept; inputs that named modules outside
    // the text get their defaults; inputs fed by the pasted head are fed by
    // the same outputs of the target's head (or get their defaults when it
    // has none of that name). Names are not made unique here.
    static Result read(const std::string& text, const SigFile& target);
};

} // namespace tosk
