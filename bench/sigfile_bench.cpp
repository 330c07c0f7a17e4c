// SPDX-License-Identifier: GPL-3.0-or-later
// Sig files far larger than any real patch: 1,000 and 10,000 modules of the
// bundled database using every kind of field, repeated and computed groups,
// groups of modules and wires in every direction. Targets at 10,000 modules:
// load (both passes) under 40 ms, save under 20 ms, reorder under 10 ms,
// reposition under 50 ms; each growing no faster than n log n from 1,000 to
// 10,000 (compare the two rows, or the BigO line).
#include "BenchModels.h"
#include "BenchSupport.h"
#include "Toskfile/Module.h"
#include "Toskfile/SigFile.h"
#include "base/Alerts.h"
#include "base/DataFiles.h"
#include "base/Log.h"
#include "comms/HeapPages.h"
#include "database/SigDbase.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using namespace tosk;

// The heap set up as the editor and tosk-cli set it up when they start.
const bool largePages = (useLargeHeapPages(), true);

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

std::unique_ptr<SigFile> load(int modules)
{
    auto patch = SigFile::fileWithData(bench::mixPatchText(modules), std::nullopt, bundledDbase(), nullptr);
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
    const std::string& text = bench::mixPatchText(modules);
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
    if (patch->dataRepresentation() != bench::mixPatchText(static_cast<int>(state.range(0)))) {
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
