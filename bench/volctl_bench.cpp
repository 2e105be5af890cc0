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
#include <spawn.h>
#include <sys/wait.h>

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

extern char** environ;

namespace {

namespace fs = std::filesystem;
using vnk::com::ComPtr;
using vnk::com::IDispatch;
using vnk::com::Variant;

constexpr int kEntries = 10000;
constexpr std::size_t kCopyBytes = 256u << 20;

// One volume folder with BIG\ (10,000 entries) and SRC.DAT (256 MiB), removed at the end.
struct Volume {
    fs::path root;
    fs::path folder;
    std::unique_ptr<nw::sim::SimClient> client;
    ComPtr<IDispatch> control;
    int copies = 0;

    Volume() {
        const char* base = std::getenv("VARNOOK_BENCH_DIR");
        std::string pattern =
            ((base != nullptr ? fs::path(base) : fs::temp_directory_path()) / "volctl-bench-XXXXXX")
                .string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        root = pattern;
        folder = root / "volumes" / "FS1" / "SYS";
        fs::create_directories(folder / "BIG");
        for (int i = 0; i < kEntries; ++i) {
            const fs::path p = folder / "BIG" / ("ENTRY" + std::to_string(i));
            if (i % 10 == 0) {
                fs::create_directory(p);
            } else {
                std::ofstream(p.string() + ".TXT");
            }
        }
        std::vector<char> block(1 << 20);
        for (std::size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<char>((i * 131) ^ (i >> 9));
        }
        std::ofstream src(folder / "SRC.DAT", std::ios::binary);
        for (std::size_t n = 0; n < kCopyBytes; n += block.size()) {
            src.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
        src.close();
        restart();
    }

    // A new client and control on the same folder: nothing of the volume has been read yet.
    void restart() {
        control.reset();
        client = nw::sim::SimClient::fromText(R"({
          "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1 } ] },
          "servers": [ { "name": "FS1", "users": ["ADMIN"], "volumes": [ { "name": "SYS" } ] } ]
        })",
                                              root);
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
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    ComPtr<IDispatch> entry(std::u16string_view below) {
        Variant r;
        vnk::com::ExcepInfo ei;
        if (vnk::com::call(control.get(), u"FindEntry",
                           {Variant(u"\\\\FS1\\SYS\\" + std::u16string(below))}, &r,
                           &ei) != vnk::win::S_OK) {
            std::abort();
        }
        return ComPtr<IDispatch>(r.dispatch());
    }
};

Volume& volume() {
    static Volume v;
    return v;
}

bool listBig(const ComPtr<IDispatch>& big) {
    Variant children;
    Variant count;
    return vnk::com::call(big.get(), u"Children", {}, &children) == vnk::win::S_OK &&
           vnk::com::getProperty(children.dispatch(), u"Count", &count) == vnk::win::S_OK &&
           count.intVal() == kEntries;
}

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

// One NWEntry.Copy of SRC.DAT to a new name; the copy is removed again outside the timing.
bool copyOnce(Volume& v, const ComPtr<IDispatch>& source, benchmark::State* state) {
    const std::string ascii = "COPY" + std::to_string(v.copies++) + ".DAT";
    Variant r;
    if (vnk::com::call(source.get(), u"Copy", {Variant(std::u16string(ascii.begin(), ascii.end()))},
                       &r) != vnk::win::S_OK) {
        return false;
    }
    if (state != nullptr) {
        state->PauseTiming();
    }
    fs::remove(v.folder / ascii);
    if (state != nullptr) {
        state->ResumeTiming();
    }
    return true;
}

// One cp of the same file on the same disk.
bool cpOnce(Volume& v, benchmark::State* state) {
    const std::string from = (v.folder / "SRC.DAT").string();
    const std::string to = (v.root / "cp-copy.dat").string();
    const char* argv[] = {"cp", from.c_str(), to.c_str(), nullptr};
    pid_t pid = 0;
    int status = 0;
    if (posix_spawnp(&pid, "cp", nullptr, nullptr, const_cast<char**>(argv), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || status != 0) {
        return false;
    }
    if (state != nullptr) {
        state->PauseTiming();
    }
    fs::remove(to);
    if (state != nullptr) {
        state->ResumeTiming();
    }
    return true;
}

// Both start from the same state of the page cache: one untimed copy first.
void Copy(benchmark::State& state) {
    Volume& v = volume();
    const ComPtr<IDispatch> source = v.entry(u"SRC.DAT");
    copyOnce(v, source, nullptr);
    for (auto _ : state) {
        if (!copyOnce(v, source, &state)) {
            state.SkipWithError("Copy failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kCopyBytes));
}
BENCHMARK(Copy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void CpCommand(benchmark::State& state) {
    Volume& v = volume();
    cpOnce(v, nullptr);
    for (auto _ : state) {
        if (!cpOnce(v, &state)) {
            state.SkipWithError("cp failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kCopyBytes));
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
