// SPDX-License-Identifier: GPL-3.0-or-later
// Whole processes, from the fork to what the user waits for: the editor
// opening a patch of 10,000 and of 100,000 chained modules up to its first
// paint of the canvas (offscreen), tosk-cli checking the 10,000-module patch,
// and tosk-cli --help.
// Every program comes from this benchmark's own folder.
#include "BenchModels.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace tosk;
using namespace tosk::bench;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path programs()
{
    return fs::read_symlink("/proc/self/exe").parent_path();
}

// A folder of the run's own: the patch, and a home without settings so that
// no earlier window state or single running instance takes part.
const fs::path& workFolder()
{
    // Removed when the benchmark ends.
    struct Folder {
        fs::path path;
        ~Folder()
        {
            std::error_code ec;
            fs::remove_all(path, ec);
        }
    };
    static const Folder folder = [] {
        fs::path dir = fs::temp_directory_path() / ("tosk-start-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir / "home" / ".config");
        fs::create_directories(dir / "runtime");
        fs::permissions(dir / "runtime", fs::perms::owner_all, fs::perm_options::replace);
        return Folder{dir};
    }();
    return folder.path;
}

// A column of `count` modules, each fed by the one above.
std::string chainPatch(size_t count)
{
    const fs::path path = workFolder() / ("chain-" + std::to_string(count) + ".sig");
    if (fs::exists(path))
        return path.string();
    std::ofstream(path, std::ios::binary) << chainPatchText(count);
    return path.string();
}

std::vector<std::string> benchEnvironment(const std::vector<std::string>& extra)
{
    const fs::path& work = workFolder();
    std::vector<std::string> env = {"HOME=" + (work / "home").string(),
                                    "XDG_CONFIG_HOME=" + (work / "home" / ".config").string(),
                                    "XDG_RUNTIME_DIR=" + (work / "runtime").string(), "QT_QPA_PLATFORM=offscreen"};
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("PATH=", 0) == 0 || entry.rfind("LANG=", 0) == 0 || entry.rfind("LC_", 0) == 0)
            env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

// Starts `args` with its output thrown away; answers the process id.
pid_t start(const std::vector<std::string>& args, const std::vector<std::string>& env,
            posix_spawn_file_actions_t& actions)
{
    std::vector<char*> argv, envp;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
        std::fprintf(stderr, "cannot start %s\n", args[0].c_str());
        std::exit(1);
    }
    return pid;
}

struct Run {
    double seconds = 0;    // from the fork to the end
    double cpuSeconds = 0; // the program's own, user and system
};

// A program run to its end.
Run runToEnd(const std::vector<std::string>& args)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto begin = Clock::now();
    const pid_t pid = start(args, benchEnvironment({}), actions);
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    const auto end = Clock::now();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", args[0].c_str());
        std::exit(1);
    }
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return {std::chrono::duration<double>(end - begin).count(), seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

// Wall time as the benchmark's time; the program's CPU time beside it, in
// milliseconds, which a busy machine disturbs less.
void timeRun(benchmark::State& state, const std::vector<std::string>& args)
{
    for (auto _ : state) {
        const Run run = runToEnd(args);
        state.SetIterationTime(run.seconds);
        state.counters["cpu_ms"] = run.cpuSeconds * 1000;
    }
}

void FirstPaint(benchmark::State& state)
{
    const std::string patch = chainPatch(size_t(state.range(0)));
    for (auto _ : state) {
        int fds[2];
        if (::pipe(fds) != 0)
            std::abort();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const auto begin = Clock::now();
        const pid_t pid = start({(programs() / "tosk").string(), patch},
                                benchEnvironment({"TOSK_FIRST_PAINT_FD=" + std::to_string(fds[1])}), actions);
        ::close(fds[1]);
        char done = 0;
        const bool painted = ::read(fds[0], &done, 1) == 1;
        const auto end = Clock::now();
        ::close(fds[0]);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        posix_spawn_file_actions_destroy(&actions);
        if (!painted) {
            state.SkipWithError("the editor ended without painting the patch");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
    }
}

void CliCheck(benchmark::State& state)
{
    const std::string patch = chainPatch(size_t(state.range(0)));
    const std::string db = (programs() / "data" / "sigdbase.sbf").string();
    timeRun(state, {(programs() / "tosk-cli").string(), "check", "--db", db, patch});
}

void CliHelp(benchmark::State& state)
{
    timeRun(state, {(programs() / "tosk-cli").string(), "--help"});
}

// Ten runs each; the best of them is the figure to compare (the least
// disturbed by whatever else the machine does).
double best(const std::vector<double>& runs)
{
    return *std::min_element(runs.begin(), runs.end());
}

// Each run is a whole process: timed by hand, ten times, best and median.
void wholeProcess(benchmark::internal::Benchmark* b)
{
    b->UseManualTime()
        ->Iterations(1)
        ->Repetitions(10)
        ->ComputeStatistics("best", best)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
}

BENCHMARK(FirstPaint)->Arg(10000)->Arg(100000)->Apply(wholeProcess);
BENCHMARK(CliCheck)->Arg(10000)->Apply(wholeProcess);
BENCHMARK(CliHelp)->Apply(wholeProcess);

} // namespace

BENCHMARK_MAIN();
