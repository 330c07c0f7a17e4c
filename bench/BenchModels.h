// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Patches of the bundled database at sizes no real patch reaches, shared by
// the benchmarks.
#include "BenchSupport.h"
#include "Toskfile/Module.h"
#include "Toskfile/ModuleList.h"
#include "Toskfile/SigFile.h"

#include <memory>
#include <optional>
#include <string>

namespace tosk::bench {

// A mix of everyday operators: oscillators, filters, mixers with repeated
// inputs, delays, dynamics, controls and interface modules.
inline const char* const kOperators[] = {"SINE", "LFO",  "LOWPASS", "HIGHPASS",   "MIXN", "MIX2", "DELAY",
                                         "GAIN", "KNOB", "SMOOTH",  "COMPRESSOR", "PAN",  "GEQ",  "C_ADD"};

// Instance names as a person leaves them: the operator's name, lower case,
// many times over.
inline std::string baseName(const std::string& op)
{
    std::string name = op;
    for (char& c : name)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return name;
}

inline ModuleList::List buildModules(size_t count)
{
    auto db = bundledDatabase();
    ModuleList::List modules;
    modules.reserve(count);
    const size_t kinds = std::size(kOperators);
    for (size_t i = 0; i < count; ++i) {
        const std::string op = kOperators[i % kinds];
        modules.push_back(Module::moduleNamed(op, std::optional<std::string>(baseName(op)), db));
    }
    return modules;
}

// Wires each module's first signal input to the previous module's first
// signal output, as a long processing chain would.
inline void chain(const ModuleList::List& modules)
{
    Module::FieldPtr lastOut;
    for (const auto& m : modules) {
        Module::FieldPtr in, out;
        for (const auto& f : m->fieldArray()) {
            if (!in && f->type() == OperatorEntry::ED_SIGNAL)
                in = f;
            if (!out && f->type() == OperatorEntry::SIGNAL)
                out = f;
        }
        if (in && lastOut)
            in->source(lastOut, std::nullopt, false);
        if (out)
            lastOut = out;
    }
}

// The text of a patch of `count` modules in a chain, laid out in a column.
inline std::string chainPatchText(size_t count)
{
    auto db = bundledDatabase();
    SigFile patch(db, nullptr);
    ModuleList::List modules = buildModules(count);
    chain(modules);
    double y = 20;
    for (const auto& m : modules) {
        m->moveToPosition({140, y});
        y += 100;
    }
    patch.addModule(Module::moduleNamed("HEADM", std::optional<std::string>("adc"), db));
    for (const auto& m : modules)
        patch.addModule(m);
    patch.setHead();
    patch.makeNamesUnique(modules, 0);
    return patch.dataRepresentation();
}

} // namespace tosk::bench
