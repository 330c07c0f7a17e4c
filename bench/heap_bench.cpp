// SPDX-License-Identifier: GPL-3.0-or-later
// What a loaded patch holds on the heap, counted by a replacement of the
// global operator new: the model's bytes per module after loading the mix
// (and the chain) of 10,000 modules, and beside them the bytes the view's
// layout cache adds when it lays the same patch out. Target: at most 1 KB of
// model per module. The time column is the load's; the figures that matter
// are the counters:
//   model_B      live heap bytes per module the loaded patch holds
//   model_blocks live heap blocks per module
//   layout_B     live heap bytes per module the first layout adds
//   fields       fields per module, members of groups included
#include "BenchModels.h"
#include "BenchSupport.h"
#include "CountingAllocator.h"
#include "Toskfile/CanvasLayout.h"
#include "Toskfile/Module.h"
#include "Toskfile/SModule.h"
#include "Toskfile/SigFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using namespace tosk;
using namespace tosk::bench;

// Modules and their fields, groups and their members included.
void countFields(const ModuleList& list, size_t& modules, size_t& fields)
{
    for (const auto& m : list.listOfModules()) {
        if (auto* group = dynamic_cast<const SModule*>(m.get()))
            countFields(group->moduleList(), modules, fields);
        ++modules;
        fields += m->fieldCount();
    }
}

void measure(benchmark::State& state, const std::string& text)
{
    auto db = bundledDatabase();
    double model = 0, blocks = 0, layoutBytes = 0, fields = 0;
    for (auto _ : state) {
        const HeapCount before = heapCount();
        auto patch = SigFile::fileWithData(text, std::nullopt, db, nullptr);
        state.PauseTiming();
        const HeapCount loaded = heapCount();
        if (patch->loadError() || patch->unresolvedCount() != 0) {
            std::fprintf(stderr, "the generated patch did not load cleanly\n");
            std::abort();
        }
        size_t all = 0, allFields = 0;
        countFields(*patch, all, allFields);
        const double modules = static_cast<double>(all);
        {
            CanvasLayout layout;
            layout.layOut(*patch, patch->head().get());
            layoutBytes = static_cast<double>(heapCount().liveBytes - loaded.liveBytes) / modules;
        }
        model = static_cast<double>(loaded.liveBytes - before.liveBytes) / modules;
        blocks = static_cast<double>(loaded.liveBlocks - before.liveBlocks) / modules;
        fields = static_cast<double>(allFields) / modules;
        patch.reset();
        state.ResumeTiming();
    }
    state.counters["model_B"] = model;
    state.counters["model_blocks"] = blocks;
    state.counters["layout_B"] = layoutBytes;
    state.counters["fields"] = fields;
}

void Mix(benchmark::State& state)
{
    measure(state, mixPatchText(static_cast<int>(state.range(0))));
}

void Chain(benchmark::State& state)
{
    measure(state, chainPatchText(static_cast<size_t>(state.range(0))));
}

} // namespace

BENCHMARK(Mix)->Arg(1000)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(Chain)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
