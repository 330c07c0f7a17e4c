// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/OpData.h"

namespace tosk {

long OpData::getDataBlock(const char* bytes, size_t length)
{
    size_t brace = 0;
    while (brace < length && bytes[brace] != '{' && bytes[brace] != '}')
        ++brace;
    if (brace >= length || length - brace < 2)
        return 0;
    long result = load(bytes + brace + 1, length - brace - 1);
    if (result < 1)
        return result;
    return result + static_cast<long>(brace) + 2;
}

long OpData::load(const char*, size_t)
{
    return 0;
}

} // namespace tosk
