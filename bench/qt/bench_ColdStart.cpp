// Cold start to the first drawn start page, a fresh process per iteration, offscreen:
// `quindle --demo` (in-process reference server, demo data, app shell, painted window) beside a
// bare Qt window holding one table of the same rows, started and grabbed the same way. The time
// runs from the spawn to the picture of the drawn window appearing (both write it aside and
// rename it); the programs' exit is waited for outside the time.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

const std::string buildDir = QUINDLE_BUILD_DIR;

/// Starts the program and waits until `picture` exists; the pid, or 0 when it did not start.
pid_t startUntilDrawn(const std::vector<std::string>& arguments, const std::string& picture)
{
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return 0;
    struct stat info {};
    while (stat(picture.c_str(), &info) != 0) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return 0; // ended without drawing
        usleep(200);
    }
    return pid;
}

void measure(benchmark::State& state, const std::vector<std::string>& arguments)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string& picture = arguments.back();
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(picture.c_str());
        state.ResumeTiming();
        pid_t pid = startUntilDrawn(arguments, picture);
        state.PauseTiming();
        int status = 0;
        if (!pid || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the program failed");
            return;
        }
        state.ResumeTiming();
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
