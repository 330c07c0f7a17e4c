#include "comms/StrObject.h"

namespace tosk {

StrObject::StrObject(const std::string& line) : BaseObject(line), value_(objectPartAt(6)) {}

} // namespace tosk
