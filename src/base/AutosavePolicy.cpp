// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/AutosavePolicy.h"

namespace tosk {

AutosavePolicy::Action AutosavePolicy::changed(bool edited, Clock::time_point now)
{
    if (!edited) {
        const bool had = hasAutosave_;
        discarded();
        return had ? Action::Remove : Action::None;
    }
    if (pending_++ == 0)
        first_ = now;
    if (params_.changes > 0 && pending_ >= params_.changes)
        return Action::WriteNow;
    return Action::Wait;
}

std::optional<AutosavePolicy::Clock::time_point> AutosavePolicy::deadline() const
{
    if (pending_ == 0)
        return std::nullopt;
    return first_ + params_.interval;
}

bool AutosavePolicy::due(Clock::time_point now) const
{
    if (pending_ == 0)
        return false;
    return (params_.changes > 0 && pending_ >= params_.changes) || now >= first_ + params_.interval;
}

void AutosavePolicy::written()
{
    pending_ = 0;
    hasAutosave_ = true;
}

void AutosavePolicy::writeFailed(Clock::time_point now)
{
    // Tried again after another interval, not on every keystroke.
    if (pending_ == 0) {
        pending_ = 1;
        first_ = now;
    }
}

void AutosavePolicy::discarded()
{
    pending_ = 0;
    hasAutosave_ = false;
}

} // namespace tosk
