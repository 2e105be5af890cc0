// Speed of the volume control's objects on the simulated network, driven through IDispatch as a
// script does:
//   Children  an entry's Children of a directory with 10,000 entries (target: at most 200 ms),
//             listed before (Children) and for the first time after a start (ChildrenFirstTime);
//   Copy      NWEntry.Copy of a 256 MiB file, against cp of the same file on the same disk in
//             the same run (target: at least half as fast as cp);
//   PropertyPageServer  the property page's tree built and one server expanded whose volume
//             numbers have gaps and whose third volume is dismounted, so all 256 numbers are
//             tried (the worst case of listing a server's volumes).
//
//     build/bin/bench_volctl
//     VARNOOK_BENCH_DIR=/some/disk build/bin/bench_volctl --benchmark_filter=Copy
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "netclient/sim/simclient.h"
#include "platform/dispatch.h"
#include "volctl/nettree.h"
#include "volctl/volmarra.h"
#include "volumefolder.h"

namespace {

namespace fs = std::filesystem;
using vnk::com::ComPtr;
using vnk::com::IDispatch;
using vnk::com::Variant;

// One volume folder with BIG\ and SRC.DAT, a simulated network on it and a control on \\FS1\SYS.
struct Volume {
    bench::VolumeFolder files{"volctl-bench"};
    std::unique_ptr<nw::sim::SimClient> client;
    ComPtr<IDispatch> control;

    Volume() { restart(); }

    // A new client and control on the same folder: nothing of the volume has been read yet.
    void restart() {
        control.reset();
        client = nw::sim::SimClient::fromText(R"({
          "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1 } ] },
          "servers": [ { "name": "FS1", "users": ["ADMIN"], "volumes": [ { "name": "SYS" } ] } ]
        })",
                                              files.root);
        control = volmarra::createControl(*client);
        vnk::com::ExcepInfo ei;
        if (vnk::com::putProperty(control.get(), u"FullName", Variant(u"\\\\FS1\\SYS"), &ei) !=
            vnk::win::S_OK) {
            std::abort();
        }
    }
    ~Volume() {
        control.reset();
        client.reset();
    }

    ComPtr<IDispatch> entry(std::u16string_view below) { return bench::findEntry(control, below); }
};

Volume& volume() {
    static Volume v;
    return v;
}

using bench::listBig;

// Listing a directory the server has listed before.
void Children(benchmark::State& state) {
    const ComPtr<IDispatch> big = volume().entry(u"BIG");
    listBig(big);
    for (auto _ : state) {
        if (!listBig(big)) {
            state.SkipWithError("Children failed");
            return;
        }
    }
}
BENCHMARK(Children)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first listing after the program started: the server reads the folder too.
void ChildrenFirstTime(benchmark::State& state) {
    Volume& v = volume();
    for (auto _ : state) {
        state.PauseTiming();
        v.restart();
        const ComPtr<IDispatch> big = v.entry(u"BIG");
        state.ResumeTiming();
        if (!listBig(big)) {
            state.SkipWithError("Children failed");
            return;
        }
    }
}
BENCHMARK(ChildrenFirstTime)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void Copy(benchmark::State& state) {
    Volume& v = volume();
    bench::timeCopies(state, v.files, v.entry(u"SRC.DAT"));
}
BENCHMARK(Copy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void CpCommand(benchmark::State& state) {
    bench::timeCp(state, volume().files);
}
BENCHMARK(CpCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

void PropertyPageServer(benchmark::State& state) {
    std::string pattern = (fs::temp_directory_path() / "volctl-page-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    const fs::path root = pattern;
    for (const char* name : {"SYS", "DATA", "OLD"}) {
        fs::create_directories(root / "volumes" / "FS1" / name);
    }
    auto client = nw::sim::SimClient::fromText(R"({
      "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1 } ] },
      "servers": [ { "name": "FS1", "users": ["ADMIN"],
                     "volumes": [ { "name": "SYS", "number": 0 }, { "name": "DATA", "number": 200 },
                                  { "name": "OLD", "number": 7, "mounted": false } ] } ]
    })",
                                               root);
    for (auto _ : state) {
        volmarra::NetworkTree tree(*client);
        volmarra::NetNode& server = *tree.servers().children.at(0);
        tree.expand(server);
        if (server.children.size() != 2) {
            std::abort();
        }
    }
    client.reset();
    std::error_code ec;
    fs::remove_all(root, ec);
}
BENCHMARK(PropertyPageServer)->Unit(benchmark::kMicrosecond)->UseRealTime();

BENCHMARK_MAIN();
