// SPDX-License-Identifier: GPL-3.0-or-later
// Autosave of a patch of 10,000 modules of the bundled database, wired in a
// chain. The main thread only takes the text (SigDocument::sigData, the
// snapshot): that is what typing and dragging can feel. Writing it to the
// autosave folder (text and info, each atomically) happens on the writer's
// thread and is measured beside it.
#include "BenchModels.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/AtomicFile.h"
#include "base/AutosaveStore.h"
#include "comms/DiskSync.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace {

using namespace tosk;
using namespace tosk::bench;

struct BigPatch {
    SigDocument document;

    explicit BigPatch(size_t count)
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
    }
};

bool haveDatabase(benchmark::State& state)
{
    if (bundledDatabase()->sigDbaseCreated())
        return true;
    state.SkipWithError("the bundled sigdbase.sbf did not load");
    return false;
}

void AutosaveSnapshot(benchmark::State& state)
{
    if (!haveDatabase(state))
        return;
    BigPatch big(static_cast<size_t>(state.range(0)));
    size_t bytes = 0;
    for (auto _ : state) {
        std::string text = big.document.sigData();
        bytes = text.size();
        benchmark::DoNotOptimize(text);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(AutosaveSnapshot)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void AutosaveWrite(benchmark::State& state)
{
    if (!haveDatabase(state))
        return;
    BigPatch big(static_cast<size_t>(state.range(0)));
    const std::string text = big.document.sigData();
    const auto folder =
        std::filesystem::temp_directory_path() / ("tosk-autosave-bench-" + AutosaveStore::newSessionId());
    AutosaveStore store(folder.string());
    // As the editor writes: waiting for the disk.
    setDiskSync(&platformDiskSync());
    AutosaveStore::Entry entry;
    entry.id = "bench-1";
    entry.originalPath = "/home/user/patches/big.sig";
    for (auto _ : state) {
        entry.savedAt = AutosaveStore::currentTime();
        store.write(entry, text);
    }
    setDiskSync(nullptr);
    std::filesystem::remove_all(folder);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(AutosaveWrite)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
