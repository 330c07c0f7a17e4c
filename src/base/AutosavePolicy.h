// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>

namespace tosk {

// How often texts are written: an interval after the first change, or
// after so many changes (none: 0).
struct AutosaveParams {
    std::chrono::milliseconds interval{30000};
    int changes = 20;
};

// When one document's text is written to the autosave folder. Changes are
// counted from the last text taken: the text is due `interval` after the
// first of them, or at once when `changes` of them have piled up. A change
// that leaves the document as saved (undone back to its file) makes the
// autosave pointless: it is removed. The clock is the caller's, so that the
// rule is tested without waiting.
class AutosavePolicy {
public:
    using Clock = std::chrono::steady_clock;

    using Params = AutosaveParams;

    // What the caller does after a change.
    enum class Action {
        None,     // nothing waits
        Wait,     // take the text at deadline()
        WriteNow, // take the text now
        Remove,   // remove the autosave written before
    };

    explicit AutosavePolicy(Params params = {}) : params_(params) {}

    const Params& params() const { return params_; }

    // A change was announced; `edited` tells whether the document now
    // differs from its file.
    Action changed(bool edited, Clock::time_point now);
    // When the waiting changes are to be written; none while nothing waits.
    std::optional<Clock::time_point> deadline() const;
    bool due(Clock::time_point now) const;
    int pendingChanges() const { return pending_; }

    // The text was taken for writing: nothing waits, an autosave exists.
    void written();
    // Writing it failed: the changes wait again, tried an interval later.
    void writeFailed(Clock::time_point now);
    // The document was saved, read again or closed without saving: nothing
    // waits and its autosave is gone.
    void discarded();
    // An autosave was written for the document and not removed since.
    bool hasAutosave() const { return hasAutosave_; }
    // The document's autosave came from elsewhere (a recovered patch).
    void adoptAutosave() { hasAutosave_ = true; }

private:
    Params params_;
    int pending_ = 0;
    Clock::time_point first_{};
    bool hasAutosave_ = false;
};

} // namespace tosk
