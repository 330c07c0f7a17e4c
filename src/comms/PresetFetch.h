// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/KorvatelConnection.h"
#include "comms/R9100ProgramItem.h"

#include <optional>
#include <string>

namespace tosk {

// Fetching a preset of a program-list unit: select it, make sure the unit
// really runs it, then read its sig-file text. A unit that did not switch
// would otherwise hand back the patch that ran before, under the preset's
// name.
class PresetFetch {
public:
    struct Result {
        std::optional<std::string> text;
        // Why there is no text (UTF-8, for the user); empty with text.
        std::string failure;
    };

    static Result fetch(KorvatelConnection& connection, const R9100ProgramItem& item);
};

} // namespace tosk
