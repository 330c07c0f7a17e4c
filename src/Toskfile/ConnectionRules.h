// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/ModuleField.h"
#include "base/Problems.h"

#include <string>
#include <utility>

namespace tosk {

class SigFile;

// The keys held when a connection drag ends. Option adds a repetition of the
// target's group and connects that; Shift takes the target's own partner
// instead (an input's source, or the one input an output feeds).
struct GestureKeys {
    bool shift = false;
    bool option = false;
};

// What a connection gesture comes to, decided before anything changes.
struct ConnectionPlan {
    enum class Outcome {
        Nothing, // the gesture makes no connection; nothing is said
        Connect, // input gets source (or the repetition's first new field)
        Refused, // an alert says why (alertKey, alertText)
    };
    Outcome outcome = Outcome::Nothing;
    ModuleField::Ptr input;
    ModuleField::Ptr source;
    // With Option on a repeated field: a repetition is added after this
    // field's, and its field of the same entry as this one takes the place
    // of the input (repetitionIsInput) or of the source. The edit checks
    // that field's type again and gives up when it does not fit.
    ModuleField::Ptr repeatOf;
    bool repetitionIsInput = false;
    // Localisation key and English text of the refusal.
    std::string alertKey;
    std::string alertText;
};

// The canvas's rules for a connection drag from one pin to another, so that
// the canvas passes only the facts of the gesture: where it started, where
// it ended and the keys held.
class ConnectionRules {
public:
    // Whether an output may feed an input: matching kinds, and never a user
    // object of a module into that same module.
    static bool canFeed(const ModuleField& output, const ModuleField& input);
    // Either way round: whether a drag from one pin may end on the other
    // (the pin a connection drag highlights).
    static bool compatible(const ModuleField& a, const ModuleField& b) { return canFeed(a, b) || canFeed(b, a); }
    // Chaining a new module to another: the first shown output of `from`
    // and the first shown input of `to` it can feed that is not external;
    // both none when there are no such pins.
    static std::pair<ModuleField::Ptr, ModuleField::Ptr> chain(const Module& from, const Module& to);
    // Whether a connection drag from `from` may end on `to` with these keys
    // held (the pins a drag highlights): with Shift, a pin whose partner
    // (its source from an input, the one input it feeds from an output)
    // fits `from`; otherwise a pin that fits `from` itself.
    static bool accepts(const SigFile& patch, const ModuleField::Ptr& from, const ModuleField::Ptr& to,
                        GestureKeys keys);

    // From `from` (the pin the drag started on) to `to` (the pin it ended
    // on), in that order:
    // 1. Option and `to` is repeated: `to` becomes its counterpart in a new
    //    repetition; a group that cannot grow is refused ("NoRepeatFields").
    // 2. Shift: from an input, `to` becomes `to`'s source; from an output,
    //    the one input `to` feeds (nothing unless exactly one).
    // 3. The input of the pair must not be an external (WP) one
    //    ("NoReconnectExt").
    // 4. The pair must be an output that can feed the input, and not a
    //    connection that is already there.
    static ConnectionPlan plan(const SigFile& patch, const ModuleField::Ptr& from, const ModuleField::Ptr& to,
                               GestureKeys keys);

    // Adds a refusal as the canvas shows it: a critical "ERROR" alert with
    // the localised text and "OK". Nothing otherwise.
    static void report(const ConnectionPlan& plan, Problems& problems);
};

} // namespace tosk
