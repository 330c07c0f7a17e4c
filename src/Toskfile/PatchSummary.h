// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tosk {

// What the library shows and searches of a patch file, read from its bytes
// without the operator database: the title (the head's program name), the
// author (the tail's), and each module's instance name and operator, in file
// order (a group's name among them). Texts are the file's bytes.
struct PatchSummary {
    std::string title;
    std::string author;
    std::vector<std::string> modules;
    std::vector<std::string> operators;
    // The modules a user placed: the operators less the head's.
    size_t moduleCount() const;

    // Reads any bytes; what is not a record is passed over.
    static PatchSummary read(std::string_view bytes);

    bool operator==(const PatchSummary&) const = default;
};

} // namespace tosk
