// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tosk {

class Module;
class ModuleField;
class SigFile;

// Wires that run against the processing order: a module that runs before a
// module feeding it reads that input a cycle late. The order is the user's
// (Patch ▸ Reorder SigFile puts it right); this only tells.
struct OrderCheck {
    // The top-level module feeding `input` when it runs after the input's
    // own module, else null (no source, the head, or a source that runs
    // first).
    static const Module* laterFeeder(const SigFile& patch, const ModuleField& input);
    // Whether `consumer` still runs before `feeder` and takes an input from
    // it (its own or one of its members').
    static bool runsBeforeFeeder(const SigFile& patch, const Module& consumer, const Module& feeder);
};

} // namespace tosk
