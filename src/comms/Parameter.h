// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

namespace tosk {

// A parameter of a stored patch, as a unit would list it.
class Parameter {
public:
    Parameter(std::string name, int number) : parameterName_(std::move(name)), parameterNumber_(number) {}
    static std::shared_ptr<Parameter> parameterWithName(const std::string& name, int number)
    {
        return std::make_shared<Parameter>(name, number);
    }
    const std::string& parameterName() const { return parameterName_; }
    int parameterNumber() const { return parameterNumber_; }
    std::string displayName() const { return std::to_string(parameterNumber_) + " " + parameterName_; }

private:
    std::string parameterName_;
    int parameterNumber_;
};

} // namespace tosk
