// varnook-cli speed on the generated network of bignetwork.h (scale 1: 5,000 stations with 20
// open files each, 100,000 rows):
//   OpenFilesJson         open-files FS1 --json in-process on a network loaded once: the walk
//                         over every connection number and the JSON written (to a counter)
//   OpenFilesOneUserJson  the same with --user: the other stations' files are never asked for
//   OpenFilesJsonProcess  the program itself, as a script runs it: start, load the network
//                         file, walk, write to /dev/null; peak_rss_MiB is its peak resident memory,
//                         cpu_ms its processor time
//   ServersJsonProcess    the program answering a question that needs no walk: its start and
//                         the network's load alone, for comparison
#include <benchmark/benchmark.h>

#include <chrono>
#include <ostream>
#include <sstream>
#include <streambuf>

#include "../cli/tests/spawn.h"
#include "bignetwork.h"
#include "cli.h"
#include "netclient/sim/simclient.h"

namespace {

// Counts the bytes written and keeps none of them.
class CountingBuffer : public std::streambuf {
public:
    size_t bytes = 0;

protected:
    int_type overflow(int_type c) override {
        bytes += c != traits_type::eof();
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        bytes += static_cast<size_t>(n);
        return n;
    }
};

void InProcess(benchmark::State& state, const std::vector<std::string>& args) {
    auto client = nw::sim::SimClient::load(bench::networkFile(1));
    CountingBuffer counted;
    std::ostream out(&counted);
    std::ostringstream err;
    varnook::cli::Environment env{
        out,
        err,
        [&](const varnook::cli::ClientSource&) -> nw::Client& { return *client; },
        [](std::chrono::milliseconds) { return true; },
        [] { return std::chrono::steady_clock::now(); },
        [] { return std::string("2026-01-01T00:00:00"); },
        [](const std::string&) { return std::optional<bool>(); }};
    for (auto _ : state) {
        counted.bytes = 0;
        if (varnook::cli::Run(args, env) != 0) {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
    state.counters["json_MiB"] = static_cast<double>(counted.bytes) / (1 << 20);
}

void OpenFilesJson(benchmark::State& state) {
    InProcess(state, {"open-files", "FS1", "--json"});
}
BENCHMARK(OpenFilesJson)->Unit(benchmark::kMillisecond)->Iterations(3);

void OpenFilesOneUserJson(benchmark::State& state) {
    InProcess(state, {"open-files", "FS1", "--user", "USER2500", "--json"});
}
BENCHMARK(OpenFilesOneUserJson)->Unit(benchmark::kMillisecond)->Iterations(3);

// Runs varnook-cli on the network file with its answer going to /dev/null; the time and the
// peak resident memory of the whole process.
void RunProgram(benchmark::State& state, const std::vector<std::string>& args) {
    const std::string network = bench::networkFile(1).string();
    long peakKiB = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const auto run = varnook::cli::test::SpawnProgram(VARNOOK_CLI_EXE, args,
                                                          {{"NWSIM_NETWORK", network}}, {}, {});
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (run.code != 0) {
            state.SkipWithError("varnook-cli failed");
            break;
        }
        state.SetIterationTime(took.count());
        peakKiB = std::max(peakKiB, run.usage.ru_maxrss);
        const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
        cpuSeconds += seconds(run.usage.ru_utime) + seconds(run.usage.ru_stime);
    }
    state.counters["peak_rss_MiB"] = static_cast<double>(peakKiB) / 1024.0;
    // The program's own processor time per run, which other load on the machine does not swell.
    state.counters["cpu_ms"] =
        benchmark::Counter(cpuSeconds * 1000, benchmark::Counter::kAvgIterations);
}

void OpenFilesJsonProcess(benchmark::State& state) {
    RunProgram(state, {"open-files", "FS1", "--json"});
}
BENCHMARK(OpenFilesJsonProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void ServersJsonProcess(benchmark::State& state) {
    RunProgram(state, {"servers", "--json"});
}
BENCHMARK(ServersJsonProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
