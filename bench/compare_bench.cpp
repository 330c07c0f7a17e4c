// SPDX-License-Identifier: GPL-3.0-or-later
// Comparing and searching patches of 10,000 modules of the bundled
// database, wired in a chain.
// Targets: comparing two such patches that differ in 100 places (values,
// boxes, names, a module gone) under 50 ms; finding a text under 5 ms per
// keystroke. Gathering the texts a search runs over (once per change of
// the patch) is measured beside it.
#include "BenchModels.h"
#include "Toskfile/Module.h"
#include "Toskfile/PatchComparison.h"
#include "Toskfile/PatchSearch.h"
#include "Toskfile/SigFile.h"
#include "base/Alerts.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>

namespace {

using namespace tosk;
using namespace tosk::bench;

std::unique_ptr<SigFile> read(const std::string& text)
{
    ScopedRecordingAlerts quiet;
    return SigFile::fileWithData(text, std::string("bench"), bundledDatabase(), nullptr);
}

// The same patch after 100 edits spread over it: 40 values, 30 moves,
// 20 renames, 10 modules deleted.
void editInHundredPlaces(SigFile& patch)
{
    const size_t step = patch.moduleCount() / 100;
    for (size_t k = 0; k < 100; ++k) {
        Module::Ptr m = patch.moduleAtIndex(1 + k * step);
        switch (k % 10) {
        case 0:
        case 1:
        case 2:
        case 3:
            for (const auto& f : m->fieldArray())
                if (f->type() == OperatorEntry::ED_CONTROL && !f->source()) {
                    f->setText("0.125");
                    break;
                }
            break;
        case 4:
        case 5:
        case 6:
            m->moveBy(Point{40, 0});
            break;
        case 7:
        case 8:
            m->setInstanceName(std::string(m->instanceName()) + "x");
            break;
        default:
            for (const auto& f : m->fieldArray())
                if (f->source())
                    patch.connect(*f, nullptr, false, true);
            for (const auto& other : patch.listOfModules())
                for (const auto& f : other->fieldArray())
                    if (f->source() && f->source()->parent() == m.get())
                        patch.connect(*f, nullptr, false, true);
            patch.removeModule(m.get());
            break;
        }
    }
}

bool haveDatabase(benchmark::State& state)
{
    if (bundledDatabase()->sigDbaseCreated())
        return true;
    state.SkipWithError("the bundled sigdbase.sbf did not load");
    return false;
}

void ComparePatchesDifferingIn100Places(benchmark::State& state)
{
    if (!haveDatabase(state))
        return;
    const std::string text = chainPatchText(static_cast<size_t>(state.range(0)));
    auto mine = read(text);
    auto theirs = read(text);
    editInHundredPlaces(*theirs);
    size_t differences = 0;
    for (auto _ : state) {
        const PatchComparison comparison = PatchComparison::compare(*mine, *theirs);
        differences = comparison.modules().size();
        benchmark::DoNotOptimize(differences);
    }
    state.counters["modules"] = static_cast<double>(mine->moduleCount());
    state.counters["differing"] = static_cast<double>(differences);
}
BENCHMARK(ComparePatchesDifferingIn100Places)->Arg(10000)->Unit(benchmark::kMillisecond);

void FindText(benchmark::State& state, const char* text)
{
    if (!haveDatabase(state))
        return;
    auto patch = read(chainPatchText(static_cast<size_t>(state.range(0))));
    const PatchSearch search(*patch);
    size_t found = 0;
    for (auto _ : state) {
        found = search.find(text).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = static_cast<double>(found);
}
// The first keystroke finds the most; a name further on finds a few.
BENCHMARK_CAPTURE(FindText, FirstLetter, "s")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FindText, OperatorName, "lowpass")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FindText, InstanceName, "sine321")->Arg(10000)->Unit(benchmark::kMillisecond);

void GatherSearchTexts(benchmark::State& state)
{
    if (!haveDatabase(state))
        return;
    auto patch = read(chainPatchText(static_cast<size_t>(state.range(0))));
    for (auto _ : state) {
        const PatchSearch search(*patch);
        benchmark::DoNotOptimize(&search);
    }
}
BENCHMARK(GatherSearchTexts)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
