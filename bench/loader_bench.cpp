// Load time of big network files: 10,000 and 100,000 servers, objects of one directory tree,
// deleted files of one folder (their long names all of one DOS-name family), and users named by
// those deleted files. Loading is linear: ten times the objects may cost at most twelve times the
// time.
//
//     build/bin/bench_loader
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>
#include <utility>

#include "netclient/sim/simclient.h"

namespace {

namespace fs = std::filesystem;

enum class Kind { Servers, TreeObjects, DeletedFiles };

std::string network(Kind kind, int count) {
    std::string json = R"({"workstation": {}, )";
    switch (kind) {
        case Kind::Servers:
            json += R"("servers": [)";
            for (int i = 0; i < count; ++i)
                json += (i == 0 ? R"({"name": "FS)" : R"(, {"name": "FS)") + std::to_string(i) +
                        R"(", "users": ["ADMIN"]})";
            return json + "]}";
        case Kind::TreeObjects:
            // Users spread over 100 units: each name adds its containers when the tree is done.
            json += R"("trees": [{"name": "ACME", "objects": [)";
            for (int i = 0; i < count; ++i) {
                json += (i == 0 ? R"({"name": "U)" : R"(, {"name": "U)") + std::to_string(i) +
                        ".OU" + std::to_string(i % 100) + R"(.ACME", "class": "User"})";
            }
            return json + R"(]}], "servers": [{"name": "FS1", "tree": "ACME",
                               "directoryName": "FS1.OU0.ACME", "users": ["U0", "U1"]}]})";
        case Kind::DeletedFiles:
            json += R"("servers": [{"name": "FS1", "volumes": [{"name": "SYS", "deletedFiles": [)";
            for (int i = 0; i < count; ++i) {
                json += (i == 0 ? R"({"name": "Report )" : R"(, {"name": "Report )") +
                        std::to_string(i) + R"(.txt", "directory": "", "deletedBy": "USER)" +
                        std::to_string(i % 1000) + "\"}";
            }
            return json + "]}]}]}";
    }
    return json;
}

// The network file of a kind and count, written on first use into a temporary folder that is
// removed when the program ends.
const fs::path& networkFile(Kind kind, int count) {
    struct Generated {
        fs::path root;
        std::map<std::pair<Kind, int>, fs::path> files;
        Generated() {
            std::string pattern = (fs::temp_directory_path() / "varnook-bench-XXXXXX").string();
            if (mkdtemp(pattern.data()) == nullptr)
                std::abort();
            root = pattern;
            fs::create_directories(root / "volumes/FS1/SYS");
        }
        ~Generated() {
            std::error_code ec;
            fs::remove_all(root, ec);
        }
    };
    static Generated generated;
    auto key = std::make_pair(kind, count);
    auto found = generated.files.find(key);
    if (found != generated.files.end())
        return found->second;
    fs::path file = generated.root / ("network-" + std::to_string(static_cast<int>(kind)) + "-" +
                                      std::to_string(count) + ".json");
    std::ofstream(file) << network(kind, count);
    return generated.files.emplace(key, file).first->second;
}

void load(benchmark::State& state, Kind kind) {
    const fs::path& file = networkFile(kind, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto client = nw::sim::SimClient::load(file);
        benchmark::DoNotOptimize(client.get());
        state.PauseTiming();  // freeing the network is no part of loading it
        client.reset();
        state.ResumeTiming();
    }
    state.counters["per object (us)"] = benchmark::Counter(
        static_cast<double>(state.range(0)),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert,
        benchmark::Counter::kIs1000);
}

void LoadServers(benchmark::State& state) {
    load(state, Kind::Servers);
}
void LoadTreeObjects(benchmark::State& state) {
    load(state, Kind::TreeObjects);
}
void LoadDeletedFiles(benchmark::State& state) {
    load(state, Kind::DeletedFiles);
}

BENCHMARK(LoadServers)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadTreeObjects)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadDeletedFiles)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
