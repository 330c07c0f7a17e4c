// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace tosk {

// Every failure in Tosk carries a name (class and operation, "SerialPort.open")
// and a reason; whoever catches it logs both or shows them in an alert.
class TkxException : public std::runtime_error {
public:
    TkxException(std::string name, std::string reason)
        : std::runtime_error(name + ": " + reason), name_(std::move(name)), reason_(std::move(reason)) {}

    const std::string& name() const { return name_; }
    const std::string& reason() const { return reason_; }

private:
    std::string name_;
    std::string reason_;
};

} // namespace tosk
