// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/ValuePutThrottle.h"

namespace tosk {

ValuePutThrottle::ValuePutThrottle(Clock clock) : clock_(std::move(clock))
{
    if (!clock_)
        clock_ = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now().time_since_epoch());
        };
}

std::optional<std::string> ValuePutThrottle::send(std::string value)
{
    lastSent_ = clock_();
    inFlight_ = true;
    waiting_.reset();
    return value;
}

std::optional<std::string> ValuePutThrottle::offer(const std::string& value)
{
    waiting_ = value;
    return takeDue();
}

std::optional<std::string> ValuePutThrottle::takeDue()
{
    if (!waiting_ || inFlight_)
        return std::nullopt;
    if (lastSent_ && clock_() - *lastSent_ < interval)
        return std::nullopt;
    return send(std::move(*waiting_));
}

std::optional<std::chrono::milliseconds> ValuePutThrottle::untilDue() const
{
    if (!waiting_ || inFlight_)
        return std::nullopt;
    if (!lastSent_)
        return std::chrono::milliseconds(0);
    const auto elapsed = clock_() - *lastSent_;
    return elapsed >= interval ? std::chrono::milliseconds(0) : interval - elapsed;
}

} // namespace tosk
