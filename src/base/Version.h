// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tosk {

// The program's version and copyright, as the build gives them: the version
// is CMake's project version, which the package, the AppStream data and the
// About box carry too.
struct Version {
    // "0.1.0"
    static const char* number();
    // "Copyright (C) 2026 Tosk maintainers"
    static const char* copyright();
    // The licence, as SPDX names it.
    static constexpr const char* kLicense = "GPL-3.0-or-later";
    // What `PROGRAM --version` prints: "PROGRAM 0.1.0", the copyright, the
    // licence and that there is no warranty, one a line.
    static std::string text(const std::string& program);
};

} // namespace tosk
