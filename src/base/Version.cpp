// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Version.h"

namespace tosk {

const char* Version::number()
{
    return TOSK_VERSION;
}

const char* Version::copyright()
{
    return "Copyright (C) " TOSK_COPYRIGHT;
}

std::string Version::text(const std::string& program)
{
    return program + " " + number() + "\n" + copyright() + "\n" + "License " + kLicense +
           ": GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}

} // namespace tosk
