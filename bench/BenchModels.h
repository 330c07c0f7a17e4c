// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Patches of the bundled database at sizes no real patch reaches, shared by
// the benchmarks.
#include "BenchSupport.h"
#include "Toskfile/Module.h"
#include "Toskfile/ModuleList.h"
#include "Toskfile/SigFile.h"

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <random>
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

inline constexpr int kModulesPerUnit = 16;

// One unit of sixteen modules wired among themselves, to the unit before
// and to a unit far back; every fifth unit puts three of them in a group.
// Every module feeds something, so the patch can be reordered.
inline std::string mixUnit(int u, std::mt19937& random)
{
    auto n = [u](const char* base) { return std::string(base) + std::to_string(u); };
    auto pos = [u](int k) {
        return " ;=" + std::to_string(20 + 140 * k) + "," + std::to_string(40 + 100 * u) + ",80,0";
    };
    const std::string previousOut = u > 0 ? "q" + std::to_string(u - 1) + "-out" : "adc-in1";
    const std::string previousPage = u > 0 ? "p" + std::to_string(u - 1) + "-page" : "adc-nullobj";
    const std::string farOut = u > 0 ? "y" + std::to_string(random() % static_cast<unsigned>(u)) + "-out" : "adc-in2";
    // Tables as a person draws them: four decimals, no two alike.
    auto table = [&random](int count) {
        std::string values;
        for (int i = 0; i < count; ++i) {
            // Four decimals ending in a non-zero digit: the form the file keeps.
            const int v = static_cast<int>(random() % 1000) * 10 + 1 + static_cast<int>(random() % 9);
            char text[16];
            std::snprintf(text, sizeof text, " %s0.%04d", random() % 2 ? "-" : "", v);
            values += text;
        }
        return values;
    };
    const bool grouped = u % 5 == 0;
    std::string t;
    auto line = [&t](const std::string& record) { t += record + "\r\n"; };
    line("KNOB " + n("k") + " \"Knob:%5.2f\" 0 1 0.5 0.5 1" + pos(0) + " f= 8,1");
    line("LFO " + n("l") + " " + n("k") + "-out 1 0" + pos(1));
    line("TEXTBLOCK " + n("t") +
         " \"Notes on this voice\" 24 8 \"line one\" \"line two\" three four five six "
         "\"line seven\" \"the last line\"" +
         pos(2));
    line("MENUPAGE " + n("p") + " Page MENU 3 " + n("k") + "-obj " + n("t") + "-block " + previousPage + pos(3));
    line("WAVEFORM " + n("w") + " 32" + table(32) + pos(4));
    line("WAVEOSC " + n("o") + " " + n("w") + "-table " + n("l") + "-out 0.5" + pos(5));
    line("MIDI_NOTE " + n("m") + " 1 36 96" + pos(6));
    if (grouped)
        line(";Ss=GROUP 3, VOICE, " + n("g") + pos(7));
    line("SINE " + n("s") + " 440 " + n("m") + "-velocity" + pos(7));
    line("MIXN " + n("x") + " 3 " + n("o") + "-out 1 " + n("s") + "-out 1 " + previousOut + " 1 1" + pos(8));
    line("LOWPASS " + n("f") + " " + n("x") + "-out " + n("l") + "-out 0.7" + pos(9));
    line("CURVE " + n("cv") + " " + n("f") + "-out 129" + table(129) + pos(15));
    line("DIFFUSER " + n("d") + " " + n("cv") + "-out 3 0.5 -0.25 0.125" + pos(10));
    line("COMBBANK " + n("c") + " " + n("d") + "-out 4 1024 0 0.8 2048 10 " + farOut + pos(11));
    line("FORMULA " + n("fm") + " " + n("l") + "-out 0.5 x*y" + pos(12));
    line("DELAY " + n("y") + " " + n("c") + "-out 48000 " + n("fm") + "-out 0.3 0.5" + pos(13));
    line("PEQ " + n("q") + " " + n("y") + "-out 2 1000 " + n("l") + "-out 0.7 4000 0 2" + pos(14));
    return t;
}

// The mix the load, save and heap benchmarks read: units of sixteen modules
// of every kind of field, repeated and computed groups, groups of modules and
// wires in every direction, with a head and a tail.
inline const std::string& mixPatchText(int modules)
{
    static std::map<int, std::string> texts;
    std::string& text = texts[modules];
    if (text.empty()) {
        std::mt19937 random(42);
        const int units = modules / kModulesPerUnit;
        const std::string last = std::to_string(units - 1);
        text = "HEADM adc Bench b 2 2 1 y" + last + "-out q" + last + "-out p" + last + "-page ;=20,40,80,0\r\n";
        for (int u = 0; u < units; ++u)
            text += mixUnit(u, random);
        text += "TAIL bench\r\n";
    }
    return text;
}

} // namespace tosk::bench
