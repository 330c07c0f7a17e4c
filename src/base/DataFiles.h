// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tosk {

// Where the files that ship with Tosk live (database, examples, strings,
// icons): "data" next to the executable, then the install's share/tosk/data,
// then the source tree the program was built from.
class DataFiles {
public:
    static std::string directory();
    static void setDirectory(const std::string& dir); // empty: search again
    // Full path of a bundled file, or "" when it is not there.
    static std::string path(const std::string& relative);
    // The user's cache folder for Tosk: $XDG_CACHE_HOME/tosk, else
    // $HOME/.cache/tosk (a relative variable counts as unset); "" without
    // either.
    static std::string cacheFolder();
};

} // namespace tosk
