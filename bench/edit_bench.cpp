// SPDX-License-Identifier: GPL-3.0-or-later
// The edit layer on a patch of 10,000 modules of the bundled database, wired
// in a chain. Target: undoing the deletion of 1,000 of them (every tenth,
// each with a wire in and a wire out) under 50 ms. The deletion itself and
// its redo are measured beside it.
#include "BenchModels.h"
#include "Toskfile/Module.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace tosk;
using namespace tosk::bench;

struct BigPatch {
    SigDocument document;
    std::vector<Module*> doomed;

    BigPatch(size_t count, size_t every)
    {
        auto db = bundledDatabase();
        auto patch = std::make_unique<SigFile>(db, &document);
        ModuleList::List modules = buildModules(count);
        chain(modules);
        double y = 20;
        for (const auto& m : modules) {
            m->moveToPosition({140, y});
            y += 100;
        }
        patch->addModule(Module::moduleNamed("HEADM", std::optional<std::string>("adc"), db));
        for (const auto& m : modules)
            patch->addModule(m);
        patch->setHead();
        patch->makeNamesUnique(modules, 0);
        document.setSigFile(std::move(patch));
        for (size_t i = 1; i < modules.size(); i += every)
            doomed.push_back(modules[i].get());
    }
};

bool haveDatabase(benchmark::State& state)
{
    if (bundledDatabase()->sigDbaseCreated())
        return true;
    state.SkipWithError("the bundled sigdbase.sbf did not load");
    return false;
}

void deleteSome(BigPatch& big)
{
    UndoGroup event(big.document);
    PatchEditor(big.document).deleteModules(big.doomed);
}

void UndoDeleteOf1000Modules(benchmark::State& state)
{
    if (!haveDatabase(state))
        return;
    BigPatch big(static_cast<size_t>(state.range(0)), 10);
    for (auto _ : state) {
        state.PauseTiming();
        deleteSome(big);
        state.ResumeTiming();
        big.document.undoManager().undo();
    }
    state.counters["modules"] = static_cast<double>(big.document.sigFile()->moduleCount());
    state.counters["deleted"] = static_cast<double>(big.doomed.size());
}
BENCHMARK(UndoDeleteOf1000Modules)->Arg(10000)->Unit(benchmark::kMillisecond);

void DeleteOf1000Modules(benchmark::State& state)
{
    if (!haveDatabase(state))
        return;
    BigPatch big(static_cast<size_t>(state.range(0)), 10);
    for (auto _ : state) {
        deleteSome(big);
        state.PauseTiming();
        big.document.undoManager().undo();
        state.ResumeTiming();
    }
}
BENCHMARK(DeleteOf1000Modules)->Arg(10000)->Unit(benchmark::kMillisecond);

void RedoDeleteOf1000Modules(benchmark::State& state)
{
    if (!haveDatabase(state))
        return;
    BigPatch big(static_cast<size_t>(state.range(0)), 10);
    deleteSome(big);
    for (auto _ : state) {
        state.PauseTiming();
        big.document.undoManager().undo();
        state.ResumeTiming();
        big.document.undoManager().redo();
    }
}
BENCHMARK(RedoDeleteOf1000Modules)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
