// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace tosk {

// Paces the value puts of one control while it is moved: the first value
// goes at once, then at most one every `interval`, and never while the
// unit has not answered the one before; a value offered meanwhile waits,
// replacing any older waiting one, so that the last value always goes and
// nothing in between piles up on the line.
class ValuePutThrottle {
public:
    using Clock = std::function<std::chrono::milliseconds()>;
    static constexpr std::chrono::milliseconds interval{50};

    // The steady clock unless a test gives its own.
    explicit ValuePutThrottle(Clock clock = {});

    // A new value of the control: the value to put now, or none when it
    // must wait (then takeDue() hands it out once it may go).
    std::optional<std::string> offer(const std::string& value);
    // The unit answered the put under way.
    void answered() { inFlight_ = false; }
    // The waiting value, when it may go now.
    std::optional<std::string> takeDue();
    // How long until the waiting value may go; none when nothing waits or
    // a put is still under way (its answer calls for takeDue()).
    std::optional<std::chrono::milliseconds> untilDue() const;

    bool isWaiting() const { return waiting_.has_value(); }
    bool isInFlight() const { return inFlight_; }
    // Drops the waiting value (the control was put back).
    void forget() { waiting_.reset(); }

private:
    std::optional<std::string> send(std::string value);

    Clock clock_;
    std::optional<std::chrono::milliseconds> lastSent_;
    std::optional<std::string> waiting_;
    bool inFlight_ = false;
};

} // namespace tosk
