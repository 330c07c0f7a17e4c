// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tosk {

class SigDbase;

// What the start window tells about the operator database in use.
struct DatabaseSummary {
    bool loaded = false;
    std::string path;                   // "" when no file was chosen
    std::optional<std::string> product; // the VERSION operator's texts
    std::optional<std::string> version;
    std::optional<std::string> date;
    size_t operatorCount = 0;

    static DatabaseSummary of(const SigDbase& database);
};

} // namespace tosk
