// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the bundled operator database: the editor does it at every start,
// so it must stay well below what a person notices (target: under 2 ms, that
// is at least 50 MB/s).
#include "base/DataFiles.h"
#include "base/Log.h"
#include "database/SigDbase.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

namespace {

std::string bundledBytes()
{
    std::ifstream in(tosk::DataFiles::path("sigdbase.sbf"), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void reportThroughput(benchmark::State& state, size_t size)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
    state.counters["MB"] =
        benchmark::Counter(static_cast<double>(size) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["bytes"] = static_cast<double>(size);
}

// Reading the operators, limiting the head, adding the nodes, reading the
// version texts: everything but the file read.
void LoadBundledDatabaseFromMemory(benchmark::State& state)
{
    tosk::setLogSink([](const std::string&) {});
    const std::string bytes = bundledBytes();
    if (bytes.empty()) {
        state.SkipWithError("no bundled sigdbase.sbf");
        return;
    }
    for (auto _ : state) {
        tosk::SigDbase db;
        bool loaded = db.createSigDbaseFromData(bytes);
        benchmark::DoNotOptimize(loaded);
        if (!loaded)
            state.SkipWithError("the bundled database did not load");
    }
    reportThroughput(state, bytes.size());
}
BENCHMARK(LoadBundledDatabaseFromMemory)->Unit(benchmark::kMillisecond);

// What the editor does at start: open the file and load it.
void LoadBundledDatabaseFromFile(benchmark::State& state)
{
    tosk::setLogSink([](const std::string&) {});
    const std::string path = tosk::DataFiles::path("sigdbase.sbf");
    const size_t size = bundledBytes().size();
    tosk::SigDbase db;
    db.setFullPathName(path);
    for (auto _ : state) {
        bool loaded = db.createSigDbase();
        benchmark::DoNotOptimize(loaded);
        if (!loaded)
            state.SkipWithError("the bundled database did not load");
    }
    reportThroughput(state, size);
}
BENCHMARK(LoadBundledDatabaseFromFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
