// SPDX-License-Identifier: GPL-3.0-or-later
// The patch model at a size no real patch reaches: 10,000 modules of the
// bundled database, wired in a chain. Targets: building them from defaults
// under 50 ms, laying all of them out (update:) under 20 ms, and unique names
// growing no faster than n log n (compare the 1,000 and 10,000 rows).
#include "BenchModels.h"
#include "Toskfile/CanvasLayout.h"
#include "Toskfile/Module.h"
#include "Toskfile/ModuleList.h"
#include "base/DataFiles.h"
#include "base/Log.h"
#include "database/SigDbase.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace tosk;
using namespace tosk::bench;

bool haveDatabase(benchmark::State& state)
{
    if (bundledDatabase()->sigDbaseCreated())
        return true;
    state.SkipWithError("the bundled sigdbase.sbf did not load");
    return false;
}

void BuildModulesFromDefaults(benchmark::State& state)
{
    if (!haveDatabase(state))
        return;
    const size_t count = static_cast<size_t>(state.range(0));
    size_t fields = 0;
    for (auto _ : state) {
        auto modules = buildModules(count);
        fields = 0;
        for (const auto& m : modules)
            fields += m->fieldCount();
        benchmark::DoNotOptimize(modules.data());
        state.PauseTiming(); // freeing them is not building them
        modules.clear();
        state.ResumeTiming();
    }
    state.counters["modules"] = static_cast<double>(count);
    state.counters["fields"] = static_cast<double>(fields);
}
BENCHMARK(BuildModulesFromDefaults)->Arg(10000)->Unit(benchmark::kMillisecond);

// Pasting n modules, all with their operator's bare name, into a patch of n
// modules that already carry those names: every new name has to count past
// the old ones.
void MakeNamesUnique(benchmark::State& state)
{
    if (!haveDatabase(state))
        return;
    const size_t count = static_cast<size_t>(state.range(0));
    ModuleList patch;
    patch.setListOfModules(buildModules(count));
    ModuleList().makeNamesUnique(patch.listOfModules(), 0);
    ModuleList::List arriving = buildModules(count);
    for (auto _ : state) {
        state.PauseTiming();
        for (const auto& m : arriving)
            m->setInstanceName(baseName(m->name()));
        state.ResumeTiming();
        patch.makeNamesUnique(arriving, 0);
    }
    state.SetComplexityN(static_cast<int64_t>(count));
    state.counters["modules"] = static_cast<double>(count);
    state.counters["last"] = static_cast<double>(arriving.back()->instanceName().size());
}
BENCHMARK(MakeNamesUnique)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(30000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);

void ValidConnectionsForOneInput(benchmark::State& state)
{
    if (!haveDatabase(state))
        return;
    ModuleList patch;
    patch.setListOfModules(buildModules(static_cast<size_t>(state.range(0))));
    chain(patch.listOfModules());
    Module::FieldPtr input;
    for (const auto& f : patch.moduleAtIndex(patch.moduleCount() / 2)->fieldArray())
        if (f->type() == OperatorEntry::ED_SIGNAL)
            input = f;
    if (!input) {
        state.SkipWithError("no signal input in the middle module");
        return;
    }
    size_t found = 0;
    for (auto _ : state) {
        auto valid = patch.validConnectionsFor(*input);
        found = valid.size();
        benchmark::DoNotOptimize(valid.data());
    }
    state.counters["candidates"] = static_cast<double>(found);
}
BENCHMARK(ValidConnectionsForOneInput)->Arg(10000)->Unit(benchmark::kMillisecond);

void UpdateEveryModule(benchmark::State& state)
{
    if (!haveDatabase(state))
        return;
    ModuleList patch;
    patch.setListOfModules(buildModules(static_cast<size_t>(state.range(0))));
    chain(patch.listOfModules());
    double y = 0;
    for (const auto& m : patch.listOfModules()) {
        m->moveToPosition({40, y});
        y += 100;
    }
    const int showModes[] = {-129, 7, 2};
    size_t round = 0;
    CanvasLayout layout;
    for (auto _ : state) {
        layout.setShowMode(showModes[round++ % 3]);
        layout.layOut(patch, nullptr);
        benchmark::ClobberMemory();
    }
    state.counters["modules"] = static_cast<double>(patch.moduleCount());
}
BENCHMARK(UpdateEveryModule)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
