// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/ParameterList.h"

namespace tosk {

void ParameterList::addParameter(std::shared_ptr<Parameter> parameter)
{
    if (parameter)
        parameters_[parameter->displayName()] = std::move(parameter);
}

std::shared_ptr<Parameter> ParameterList::parameterWithName(const std::string& displayName) const
{
    auto it = parameters_.find(displayName);
    return it == parameters_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<Parameter>> ParameterList::parameters() const
{
    std::vector<std::shared_ptr<Parameter>> out;
    for (const auto& [name, p] : parameters_)
        out.push_back(p);
    return out;
}

} // namespace tosk
