// SPDX-License-Identifier: GPL-3.0-or-later
// Tokenizing a large generated sig text: the whole-file pass a loader makes,
// plus the second-level pass over each info token.
#include "Toskfile/MyExtensions.h"
#include "Toskfile/SigfileTokenizer.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace {

// About `bytes` of sig-file text: module lines with instance names, inputs,
// numbers, quoted strings, info tokens, and a comment line now and then.
const std::string& sigText(size_t bytes)
{
    static std::string text;
    if (text.size() >= bytes)
        return text;
    static const char* const ops[] = {"HEADM", "OSC", "LOWPASS", "MIXER4", "DELAY", "KNOB", "SLIDER", "TEXTBLOCK"};
    static const char* const words[] = {"head-in1", "osc1-out", "lp2-out", "\"my patch\"", "'say \"hi\"'", "mix-out"};
    std::mt19937 rng(42);
    text.reserve(bytes + 256);
    int n = 0;
    while (text.size() < bytes) {
        ++n;
        if (n % 50 == 0) {
            text += "; generated comment line, with \"quotes\" and delimiters\r\n";
            continue;
        }
        text += ops[rng() % 8];
        text += " inst";
        text += std::to_string(n);
        for (unsigned f = 0, count = 4 + rng() % 10; f < count; ++f) {
            text += ' ';
            if (rng() % 3 == 0)
                text += words[rng() % 6];
            else
                text += tosk::numberString(double(rng() % 100000) / 64.0 - 500.0);
        }
        text += " ;=" + std::to_string(rng() % 2000) + "," + std::to_string(rng() % 2000) + ",96,0 f= 3,1,5,2\r\n";
    }
    return text;
}

constexpr size_t kTextBytes = 50u << 20;

void BM_TokenizeWholeFile(benchmark::State& state)
{
    const std::string& text = sigText(kTextBytes);
    size_t tokens = 0;
    for (auto _ : state) {
        tosk::SigfileTokenizer t(text);
        while (auto token = t.nextToken()) {
            benchmark::DoNotOptimize(token->data());
            ++tokens;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    state.counters["MB"] =
        benchmark::Counter(double(state.iterations()) * double(text.size()) / 1e6, benchmark::Counter::kIsRate);
    state.counters["tokens"] = double(tokens) / double(state.iterations());
}
BENCHMARK(BM_TokenizeWholeFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_TokenizeWholeFileViews(benchmark::State& state)
{
    const std::string& text = sigText(kTextBytes);
    for (auto _ : state) {
        tosk::SigfileTokenizer t(text);
        while (auto token = t.nextTokenView())
            benchmark::DoNotOptimize(token->data());
    }
    state.counters["MB"] =
        benchmark::Counter(double(state.iterations()) * double(text.size()) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TokenizeWholeFileViews)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_InfoToken(benchmark::State& state)
{
    const std::string info = ";=120,80,96,0 f= 3,1,5,2,7,1";
    for (auto _ : state) {
        tosk::SigfileTokenizer t(std::string_view(info).substr(1), ", ");
        while (auto token = t.nextToken())
            benchmark::DoNotOptimize(token->data());
    }
    state.counters["MB"] =
        benchmark::Counter(double(state.iterations()) * double(info.size()) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_InfoToken);

} // namespace

BENCHMARK_MAIN();
