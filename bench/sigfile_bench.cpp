// SPDX-License-Identifier: GPL-3.0-or-later
// Sig files far larger than any real patch: 1,000 and 10,000 modules of the
// bundled database using every kind of field, repeated and computed groups,
// groups of modules and wires in every direction. Targets at 10,000 modules:
// load (both passes) under 40 ms, save under 20 ms, reorder under 10 ms,
// reposition under 50 ms; each growing no faster than n log n from 1,000 to
// 10,000 (compare the two rows, or the BigO line).
#include "BenchSupport.h"
#include "Toskfile/Module.h"
#include "Toskfile/SigFile.h"
#include "base/Alerts.h"
#include "base/DataFiles.h"
#include "base/Log.h"
#include "database/SigDbase.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>

namespace {

using namespace tosk;

class FailingAlerts : public Alerts {
public:
    int run(const AlertRequest& request) override
    {
        std::fprintf(stderr, "unexpected alert: %s: %s\n", request.title.c_str(), request.message.c_str());
        std::abort();
    }
};

std::shared_ptr<SigDbase> bundledDbase()
{
    // Loading these patches must not alert: an alert means the generator
    // wrote something the database does not know.
    static FailingAlerts alerts;
    Alerts::setShared(&alerts);
    return bench::bundledDatabase();
}

constexpr int kModulesPerUnit = 16;

// One unit of sixteen modules wired among themselves, to the unit before
// and to a unit far back; every fifth unit puts three of them in a group.
// Every module feeds something, so the patch can be reordered.
std::string unit(int u, std::mt19937& random)
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

const std::string& patchText(int modules)
{
    static std::map<int, std::string> texts;
    std::string& text = texts[modules];
    if (text.empty()) {
        std::mt19937 random(42);
        const int units = modules / kModulesPerUnit;
        const std::string last = std::to_string(units - 1);
        text = "HEADM adc Bench b 2 2 1 y" + last + "-out q" + last + "-out p" + last + "-page ;=20,40,80,0\r\n";
        for (int u = 0; u < units; ++u)
            text += unit(u, random);
        text += "TAIL bench\r\n";
    }
    return text;
}

std::unique_ptr<SigFile> load(int modules)
{
    auto patch = SigFile::fileWithData(patchText(modules), std::nullopt, bundledDbase(), nullptr);
    // A generator mistake would measure the wrong thing.
    if (patch->loadError() || patch->unresolvedCount() != 0) {
        std::fprintf(stderr, "the generated patch did not load cleanly\n");
        std::abort();
    }
    return patch;
}

void BM_Load(benchmark::State& state)
{
    const int modules = static_cast<int>(state.range(0));
    const std::string& text = patchText(modules);
    load(modules);
    for (auto _ : state) {
        auto patch = SigFile::fileWithData(text, std::nullopt, bundledDbase(), nullptr);
        benchmark::DoNotOptimize(patch->moduleCount());
        state.PauseTiming();
        patch.reset(); // freeing is not loading
        state.ResumeTiming();
    }
    state.counters["bytes"] = static_cast<double>(text.size());
    state.SetComplexityN(modules);
}

void BM_Save(benchmark::State& state)
{
    auto patch = load(static_cast<int>(state.range(0)));
    if (patch->dataRepresentation() != patchText(static_cast<int>(state.range(0)))) {
        std::fprintf(stderr, "the generated patch does not round-trip\n");
        std::abort();
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(patch->dataRepresentation());
    state.SetComplexityN(state.range(0));
}

void BM_Reorder(benchmark::State& state)
{
    auto patch = load(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (!patch->reorder())
            state.SkipWithError("the patch did not reorder");
    }
    state.SetComplexityN(state.range(0));
}

void BM_Reposition(benchmark::State& state)
{
    auto patch = load(static_cast<int>(state.range(0)));
    for (auto _ : state)
        patch->reposition();
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(BM_Load)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);
BENCHMARK(BM_Save)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);
BENCHMARK(BM_Reorder)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);
BENCHMARK(BM_Reposition)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oNLogN);

BENCHMARK_MAIN();
