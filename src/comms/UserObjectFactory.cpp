// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/UserObjectFactory.h"

#include "base/Log.h"
#include "base/TkxException.h"
#include "comms/ColObject.h"
#include "comms/ConObject.h"
#include "comms/InfObject.h"
#include "comms/NumObject.h"
#include "comms/SetObject.h"
#include "comms/StrObject.h"
#include "comms/TrgObject.h"
#include "comms/UnkObject.h"

namespace tosk {

std::shared_ptr<BaseObject> UserObjectFactory::createUserObject(const std::string& line)
{
    size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos)
        throw TkxException("UserObjectFactory", format("invalid user object: %s", line.c_str()));
    size_t end = line.find(' ', start);
    std::string type = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (type == "COL")
        return std::make_shared<ColObject>(line);
    if (type == "NUM")
        return std::make_shared<NumObject>(line);
    if (type == "STR")
        return std::make_shared<StrObject>(line);
    if (type == "CON")
        return std::make_shared<ConObject>(line);
    if (type == "INF")
        return std::make_shared<InfObject>(line);
    if (type == "SET")
        return std::make_shared<SetObject>(line);
    if (type == "TRG")
        return std::make_shared<TrgObject>(line);
    return std::make_shared<UnkObject>(line);
}

} // namespace tosk
