// SPDX-License-Identifier: GPL-3.0-or-later
// The patch library's index over ten thousand generated patch files: the
// first indexing, a search, and indexing again after one file changed.
#include "library/LibraryIndex.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace tosk;

namespace {

constexpr int kPatches = 10000;
const char* const kOperators[] = {"HALL", "PLATE", "DELAY", "CHORUS", "FLANGER", "LFO", "SINE", "MIX2", "KNOB", "EQ"};

// A patch of about the size a unit holds: a head, twelve modules, a tail.
std::string patchText(int n)
{
    std::string text = "HEADM adc \"Patch " + std::to_string(n) + (n % 97 == 0 ? " Shimmer" : "") +
                       "\" lib 2 2 1 adc-null adc-null adc-nullobj ;=20,40,80,0\r\n";
    for (int m = 0; m < 12; ++m) {
        const char* op = kOperators[(n + m * 7) % 10];
        text += std::string(op) + " m" + std::to_string(m) + " adc-in1 0.5 0.25 0.125 ;=140," +
                std::to_string(m * 100) + ",80,0 f= 2,1\r\n";
    }
    return text + "TAIL \"Author " + std::to_string(n % 50) + "\"\r\n";
}

void write(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// One library for every benchmark of the run: 100 folders of 100 patches.
struct Library {
    fs::path root;
    fs::path index;
    Library()
    {
        root = fs::temp_directory_path() / ("tosk-library-bench-" + std::to_string(::getpid()));
        fs::remove_all(root);
        for (int n = 0; n < kPatches; ++n) {
            const fs::path folder = root / "lib" / ("Folder " + std::to_string(n / 100));
            if (n % 100 == 0)
                fs::create_directories(folder);
            write(folder / ("Patch " + std::to_string(n) + ".sig"), patchText(n));
        }
        index = root / "cache/library.sqlite";
    }
    ~Library() { fs::remove_all(root); }
    std::string folder() const { return (root / "lib").string(); }
};

Library& library()
{
    static Library lib;
    return lib;
}

void FirstIndex(benchmark::State& state)
{
    Library& lib = library();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(lib.index.parent_path());
        state.ResumeTiming();
        LibraryIndex index(lib.index.string());
        const auto changes = index.update({lib.folder()});
        if (changes.added != size_t(kPatches))
            state.SkipWithError("not every patch was indexed");
    }
}
BENCHMARK(FirstIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

void Search(benchmark::State& state)
{
    Library& lib = library();
    LibraryIndex index(lib.index.string());
    index.update({lib.folder()});
    const LibraryQuery query = LibraryQuery::parse("title: shimmer uses HALL");
    size_t found = 0;
    for (auto _ : state) {
        found = index.search(query, {lib.folder()}).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = double(found);
}
BENCHMARK(Search)->Unit(benchmark::kMillisecond);

void ReindexOneChange(benchmark::State& state)
{
    Library& lib = library();
    LibraryIndex index(lib.index.string());
    index.update({lib.folder()});
    const fs::path changed = fs::path(lib.folder()) / "Folder 42" / "Patch 4242.sig";
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        write(changed, patchText(4242) + "; round " + std::to_string(++round) + "\r\n");
        state.ResumeTiming();
        const auto changes = index.update({lib.folder()});
        if (changes.changed != 1)
            state.SkipWithError("the changed file was not found");
    }
}
BENCHMARK(ReindexOneChange)->Unit(benchmark::kMillisecond);

// Opening an index of ten thousand files at start, before any file is read.
void OpenIndex(benchmark::State& state)
{
    Library& lib = library();
    {
        LibraryIndex index(lib.index.string());
        index.update({lib.folder()});
    }
    for (auto _ : state) {
        LibraryIndex index(lib.index.string());
        benchmark::DoNotOptimize(index.entries().size());
    }
}
BENCHMARK(OpenIndex)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // Qt SQL loads its driver through the application object.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
