// SPDX-License-Identifier: GPL-3.0-or-later
// How fast a unit's replies are taken apart: a full 80 kB object dump, a
// program list's lines, and a screen reply made into a BMP.
#include "base/Log.h"
#include "comms/KorvatelConnection.h"
#include "comms/R9100ProgramItem.h"
#include "comms/ScreenBitmap.h"

#include <benchmark/benchmark.h>

namespace {

tosk::Bytes bigDump()
{
    tosk::Bytes b = {0xF0, 0x1C, 0x70, 0x00, 0x32};
    for (int i = 0; b.size() < tosk::KorvatelConnection::bufferSize - 200; ++i) {
        std::string line = "SET l " + std::to_string(100 + i) + " 10 'Program List' list" + std::to_string(i) +
                           " 1 Two 3 One Two 'Three Four' \r\n";
        b.insert(b.end(), line.begin(), line.end());
    }
    b.push_back(0xF7);
    return b;
}

void ObjectDump80k(benchmark::State& state)
{
    tosk::setLogSink([](const std::string&) {});
    tosk::KorvatelConnection connection(nullptr, {});
    tosk::Bytes dump = bigDump();
    size_t objects = 0;
    for (auto _ : state)
        objects = connection.parseObjectInfoDump(dump.data(), dump.size()).count();
    state.counters["objects"] = double(objects);
    state.SetBytesProcessed(int64_t(state.iterations() * dump.size()));
}
BENCHMARK(ObjectDump80k);

void ProgramLines(benchmark::State& state)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 1000; ++i)
        lines.push_back(std::to_string(100 + i) + " @ Program number " + std::to_string(i) + " @ \x01 GU0I22 GSRDH");
    for (auto _ : state)
        for (size_t i = 0; i < lines.size(); ++i)
            benchmark::DoNotOptimize(tosk::R9100ProgramItem(lines[i], uint32_t(i)).effects());
    state.SetItemsProcessed(int64_t(state.iterations() * lines.size()));
}
BENCHMARK(ProgramLines);

void ScreenToBmp(benchmark::State& state)
{
    tosk::Bytes payload = tosk::ScreenBitmap::encodePayload(240, 64, tosk::Bytes(30 * 64, 0xA5));
    for (auto _ : state)
        benchmark::DoNotOptimize(tosk::ScreenBitmap::fromPayload(payload).bmpData().size());
}
BENCHMARK(ScreenToBmp);

} // namespace

BENCHMARK_MAIN();
