// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tosk {

// One object of a unit's user interface, read from the line the unit sends
// for it: type, sub-type, key, parent key, statement, tag, then what the type
// needs, each part followed by a space.
class BaseObject {
public:
    explicit BaseObject(const std::string& line);
    virtual ~BaseObject() = default;

    // Cuts a line into its parts. Apostrophes and double quotes enclose parts
    // with spaces; a part counts only when a space follows it.
    static std::vector<std::string> cutLine(const std::string& line);

    std::optional<std::string> objectPartAt(size_t index) const;
    size_t partCount() const { return objParts_.size(); }

    const std::string& objectType() const { return objectType_; }
    const std::string& subType() const { return subType_; }
    const std::string& key() const { return key_; }
    const std::string& parentKey() const { return parentKey_; }
    const std::string& statement() const { return statement_; }
    const std::string& tag() const { return tag_; }
    const std::string& userObjectString() const { return userObjectString_; }
    const std::vector<std::string>& objParts() const { return objParts_; }

    std::string toString() const;

private:
    std::string objectType_;
    std::string subType_;
    std::string key_;
    std::string parentKey_;
    std::string statement_;
    std::string tag_;
    std::string userObjectString_;
    std::vector<std::string> objParts_;
};

} // namespace tosk
