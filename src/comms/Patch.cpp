// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/Patch.h"

#include "Toskfile/MyExtensions.h"

namespace tosk {

Patch::Patch(std::string name, int number, int bank)
    : patchName_(std::move(name)), patchNameForFile_(convertToFileName(patchName_)), patchNumber_(number),
      bankNumber_(bank)
{
}

std::string Patch::convertToFileName(const std::string& name)
{
    return tosk::convertToFileName(name);
}

std::string Patch::convertToPatchName(const std::string& fileName)
{
    return tosk::convertToPatchName(fileName);
}

} // namespace tosk
