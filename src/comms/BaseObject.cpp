// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/BaseObject.h"

#include "base/Log.h"
#include "comms/ScanText.h"

namespace tosk {

std::vector<std::string> BaseObject::cutLine(const std::string& line)
{
    std::vector<std::string> parts;
    std::string token;
    char quote = 0;
    for (char c : line) {
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                token += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ' ') {
            parts.push_back(trimWhiteSpace(token));
            token.clear();
        } else {
            token += c;
        }
    }
    return parts; // a pending token without its space is not a part
}

BaseObject::BaseObject(const std::string& line) : userObjectString_(line), objParts_(cutLine(line))
{
    std::string* fields[] = {&objectType_, &subType_, &key_, &parentKey_, &statement_, &tag_};
    for (size_t i = 0; i < 6 && i < objParts_.size(); ++i)
        *fields[i] = objParts_[i];
    if (tag_.empty())
        tag_ = statement_;
    if (objParts_.size() < 6)
        logf("BaseObject: invalid user object: %s", line.c_str());
}

std::optional<std::string> BaseObject::objectPartAt(size_t index) const
{
    if (index >= objParts_.size())
        return std::nullopt;
    return objParts_[index];
}

std::string BaseObject::toString() const
{
    return format("tag=[%s] type=[%s] key=[%s] statement=[%s]", tag_.c_str(), objectType_.c_str(), key_.c_str(),
                  statement_.c_str());
}

} // namespace tosk
