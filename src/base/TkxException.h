// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace tosk {

// Every failure in Tosk carries a name (class and operation, "SerialPort.open")
// and a reason; the log keeps both. What a user reads is failureWords(): the
// name is for us, not for them. A failure of the system may carry its errno and
// what it failed on (a line's path), so the words can say it plainly.
class TkxException : public std::runtime_error {
public:
    TkxException(std::string name, std::string reason, int error = 0, std::string subject = {})
        : std::runtime_error(name + ": " + reason), name_(std::move(name)), reason_(std::move(reason)), error_(error),
          subject_(std::move(subject))
    {
    }

    const std::string& name() const { return name_; }
    const std::string& reason() const { return reason_; }
    int error() const { return error_; }
    const std::string& subject() const { return subject_; }

    // The same failure seen from the caller's operation.
    TkxException renamed(std::string name) const { return TkxException(std::move(name), reason_, error_, subject_); }

private:
    std::string name_;
    std::string reason_;
    int error_ = 0;
    std::string subject_;
};

// The failure in words a user reads: what could not be done, on what and why,
// with a hint where there is a usual cure.
std::string failureWords(const TkxException& e);

} // namespace tosk
