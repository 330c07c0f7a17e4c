// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/TreeNodeData.h"

namespace tosk {

int TreeNodeData::compare(const TreeNodeData&) const
{
    return 0;
}

} // namespace tosk
