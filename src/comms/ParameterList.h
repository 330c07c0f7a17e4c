// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/Parameter.h"

#include <map>
#include <vector>

namespace tosk {

// A patch's parameters under their display names.
class ParameterList {
public:
    void addParameter(std::shared_ptr<Parameter> parameter);
    std::shared_ptr<Parameter> parameterWithName(const std::string& displayName) const;
    std::vector<std::shared_ptr<Parameter>> parameters() const;
    bool isEmpty() const { return parameters_.empty(); }

private:
    std::map<std::string, std::shared_ptr<Parameter>> parameters_;
};

} // namespace tosk
