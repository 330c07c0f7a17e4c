#include "comms/Patch.h"

namespace tosk {

Patch::Patch(std::string name, int number, int bank)
    : patchName_(std::move(name)), patchNameForFile_(convertToFileName(patchName_)), patchNumber_(number),
      bankNumber_(bank)
{
}

namespace {
std::string replaced(std::string text, char a, char toA, char b, char toB)
{
    for (char& c : text) {
        if (c == a)
            c = toA;
        else if (c == b)
            c = toB;
    }
    return text;
}
} // namespace

std::string Patch::convertToFileName(const std::string& name)
{
    return replaced(name, ':', '-', '/', '|');
}

std::string Patch::convertToPatchName(const std::string& fileName)
{
    return replaced(fileName, '-', ':', '|', '/');
}

} // namespace tosk
