// Speed of the simulated network: load time and the cost of one step of every scan, on the
// generated network of bignetwork.h (5,000 logged-in stations with 20 open files each, one file
// open by 2,000 of them) and on one ten times larger. Each step must cost the same on both (O(1)).
//
//     build/bin/bench_netclient --benchmark_filter=Step
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <system_error>

#include "bignetwork.h"
#include "netclient/sim/simclient.h"

namespace {

namespace fs = std::filesystem;
using namespace nw;
using nw::sim::SimClient;

using bench::fileName;
using bench::networkFile;

SimClient& network(int scale) {
    static std::map<int, std::unique_ptr<SimClient>> loaded;
    auto& client = loaded[scale];
    if (!client)
        client = SimClient::load(networkFile(scale));
    return *client;
}

void Load(benchmark::State& state) {
    const fs::path& file = networkFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto client = SimClient::load(file);
        benchmark::DoNotOptimize(client.get());
    }
}
BENCHMARK(Load)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(3);

// Runs one call of a scan per iteration, restarting the scan when it ends.
template <class Step>
void scanSteps(benchmark::State& state, Step step) {
    SimClient& client = network(static_cast<int>(state.range(0)));
    NWCONN_HANDLE h = 0;
    client.NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &h);
    nint16 iter = 0;
    for (auto _ : state) {
        NWCCODE rc = step(client, h, iter);
        if (rc != SUCCESSFUL || iter == NW_ITERATION_END)
            iter = 0;
        benchmark::DoNotOptimize(rc);
    }
    client.NWCCCloseConn(h);
}

void StepConnectionsUsingFile(benchmark::State& state) {
    CONN_USING_FILE use;
    CONNS_USING_FILE used;
    scanSteps(state, [&](SimClient& c, NWCONN_HANDLE h, nint16& iter) {
        return c.NWScanConnectionsUsingFile(h, 0, "DATA:SHARED~1.DAT", &iter, &use, &used);
    });
}

void StepOpenFilesByConn(benchmark::State& state) {
    OPEN_FILE_CONN_CTRL control;
    OPEN_FILE_CONN file;
    scanSteps(state, [&](SimClient& c, NWCONN_HANDLE h, nint16& iter) {
        return c.NWScanOpenFilesByConn2(h, 1234, &iter, &control, &file);
    });
}

void StepPhysicalLocks(benchmark::State& state) {
    PHYSICAL_LOCK lock;
    PHYSICAL_LOCKS locks;
    scanSteps(state, [&](SimClient& c, NWCONN_HANDLE h, nint16& iter) {
        return c.NWScanPhysicalLocksByFile(h, 0, "DATA:SHARED~1.DAT", 0, &iter, &lock, &locks);
    });
}

void StepConnectionInformation(benchmark::State& state) {
    char name[256];
    nuint16 type = 0;
    nuint32 id = 0;
    nuint8 login[7];
    nuint32 n = 0;
    scanSteps(state, [&](SimClient& c, NWCONN_HANDLE h, nint16&) {
        n = (n + 1) % 65535;
        c.NWGetConnectionInformation(h, n, name, &type, &id, login);
        return SUCCESSFUL;
    });
}

void StepUserInformation(benchmark::State& state) {
    char name[515];
    NWUSER_INFO info;
    nuint32 n = 0;
    scanSteps(state, [&](SimClient& c, NWCONN_HANDLE h, nint16&) {
        n = n % 5000 + 1;
        return c.NWGetUserInfo(h, n, name, &info);
    });
}

void StepConnRefs(benchmark::State& state) {
    nuint32 iterator = 0;
    NWCONN_REF ref = 0;
    scanSteps(state, [&](SimClient& c, NWCONN_HANDLE, nint16&) {
        NWCCODE rc = c.NWCCScanConnRefs(&iterator, &ref);
        if (rc != 0)
            iterator = 0;
        return SUCCESSFUL;
    });
}

// The path questions asked once per open file of a connection.
void StepPathOfOpenFile(benchmark::State& state) {
    char buffer[256];
    char volume[256];
    scanSteps(state, [&](SimClient& c, NWCONN_HANDLE h, nint16&) {
        nuint8 length = 255;
        c.NWGetVolumeName(h, 0, volume);
        return c.NWGetPathFromDirectoryBase(h, 0, 150, 0, &length, buffer);
    });
}

void StepNameSpacePath(benchmark::State& state) {
    char dst[256], name[256];
    std::string path = "DATA:\\" + fileName(4321);
    scanSteps(state, [&](SimClient& c, NWCONN_HANDLE h, nint16&) {
        NW_NS_PATH ns{path.c_str(), dst, sizeof dst};
        c.NWGetNSPath(h, 0, 1, NW_NS_LONG, NW_NS_DOS, &ns);
        return c.NWGetLongName(h, 0, path.c_str(), NW_NS_LONG, NW_NS_DOS, name);
    });
}

BENCHMARK(StepConnectionsUsingFile)->Arg(1)->Arg(10);
BENCHMARK(StepOpenFilesByConn)->Arg(1)->Arg(10);
BENCHMARK(StepPhysicalLocks)->Arg(1)->Arg(10);
BENCHMARK(StepConnectionInformation)->Arg(1)->Arg(10);
BENCHMARK(StepUserInformation)->Arg(1)->Arg(10);
BENCHMARK(StepConnRefs)->Arg(1)->Arg(10);
BENCHMARK(StepPathOfOpenFile)->Arg(1)->Arg(10);
BENCHMARK(StepNameSpacePath)->Arg(1)->Arg(10);

}  // namespace

BENCHMARK_MAIN();
