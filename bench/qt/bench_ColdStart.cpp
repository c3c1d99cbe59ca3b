// Cold start to the first drawn start page, a fresh process per iteration, offscreen:
// `quindle --demo` (in-process reference server, demo data, app shell, painted window) beside a
// bare Qt window holding one table of the same rows, started and grabbed the same way.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

const std::string buildDir = QUINDLE_BUILD_DIR;

/// Runs the program to its end; false when it could not start or failed.
bool run(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void measure(benchmark::State& state, const std::vector<std::string>& arguments)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (auto _ : state) {
        if (!run(arguments)) {
            state.SkipWithError("the program failed");
            return;
        }
    }
}

void BM_QuindleDemoToStartPage(benchmark::State& state)
{
    measure(state, { buildDir + "/frontends/qt/quindle", "--demo", "--screenshot", buildDir + "/bench-cold-start.png" });
}

void BM_BareTableWindow(benchmark::State& state)
{
    measure(state, { buildDir + "/bench/qt/bare_table_window", buildDir + "/bench-bare-table.png" });
}

} // namespace

BENCHMARK(BM_QuindleDemoToStartPage)->Unit(benchmark::kMillisecond)->Iterations(15)->Repetitions(3)->ReportAggregatesOnly(false)->UseRealTime();
BENCHMARK(BM_BareTableWindow)->Unit(benchmark::kMillisecond)->Iterations(15)->Repetitions(3)->ReportAggregatesOnly(false)->UseRealTime();

BENCHMARK_MAIN();
