// Speed of the simulated server's volume operations:
// - the server-side copy of a 256 MiB file (CopyFileData, as the volume control's Copy does it:
//   open the source, create the destination, copy, close) against `cp` of the same file on the
//   same disk in the same run;
// - a directory listing as the volume control's Children makes it (start a search, directories,
//   start again, files) of directories of 1,000 and 10,000 entries: the time per entry must be
//   the same for both (each search step O(1)).
//
// The files lie in a scratch folder in the current directory (a real disk, not /tmp), or in
// VARNOOK_BENCH_DIR.
//
//     build/bin/bench_volume --benchmark_filter=Copy
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <system_error>

#include "netclient/sim/simclient.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace nw;
using nw::sim::SimClient;

constexpr std::uint64_t kCopyBytes = 256ull << 20;

// The scratch folder with its network, removed when the benchmarks end.
struct Scratch {
    fs::path root;
    std::unique_ptr<SimClient> client;
    NWCONN_HANDLE conn = 0;

    Scratch() {
        const char* base = std::getenv("VARNOOK_BENCH_DIR");
        std::string pattern =
            ((base != nullptr ? fs::path(base) : fs::current_path()) / "varnook-bench-XXXXXX")
                .string();
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        root = pattern;
        fs::path volume = root / "volumes/FS1/SYS";
        fs::create_directories(volume / "COPY");
        writeBigFile(volume / "COPY/big.dat");
        for (int size : {1000, 10000}) {
            fs::path folder = volume / ("D" + std::to_string(size));
            fs::create_directories(folder);
            for (int i = 0; i < size; ++i) {
                if (i % 10 == 0)
                    fs::create_directories(folder / ("Folder " + std::to_string(i)));
                else
                    std::ofstream(folder / ("File " + std::to_string(i) + ".dat")) << "x";
            }
        }
        std::ofstream(root / "network.json") << R"({"workstation": {"connections": [
            {"server": "FS1", "user": "ADMIN", "station": 1}]},
            "servers": [{"name": "FS1", "users": ["ADMIN"], "volumes": [{"name": "SYS"}]}]})";
        client = SimClient::load(root / "network.json");
        client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn);
    }
    ~Scratch() {
        client->NWCCCloseConn(conn);
        client.reset();
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    static void writeBigFile(const fs::path& file) {
        std::ofstream out(file, std::ios::binary);
        std::string block(1 << 20, '\0');
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 131 + i / 4096);
        for (std::uint64_t written = 0; written < kCopyBytes; written += block.size())
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
};

Scratch& scratch() {
    static Scratch made;
    return made;
}

void CopyFileDataOnTheServer(benchmark::State& state) {
    Scratch& s = scratch();
    SimClient& c = *s.client;
    for (auto _ : state) {
        NW_FILE_HANDLE src = 0, dst = 0;
        if (c.OpenFile(s.conn, NW_NS_LONG, SA_FILES, "SYS:COPY\\big.dat", AR_READ, &src) != 0 ||
            c.CreateFile(s.conn, NW_NS_LONG, "SYS:COPY\\copy.dat", 0, true, &dst) != 0) {
            state.SkipWithError("cannot open the files");
            break;
        }
        nuint64 copied = 0;
        if (c.CopyFileData(s.conn, src, dst, 0, 0, kCopyBytes, &copied) != 0 ||
            copied != kCopyBytes) {
            state.SkipWithError("the copy failed");
        }
        c.CloseFile(src);
        c.CloseFile(dst);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kCopyBytes));
}
BENCHMARK(CopyFileDataOnTheServer)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void CpOfTheSameFile(benchmark::State& state) {
    Scratch& s = scratch();
    std::string from = (s.root / "volumes/FS1/SYS/COPY/big.dat").string();
    std::string to = (s.root / "volumes/FS1/SYS/COPY/cp.dat").string();
    for (auto _ : state) {
        char* argv[] = {const_cast<char*>("cp"), from.data(), to.data(), nullptr};
        pid_t pid = 0;
        int status = 0;
        if (posix_spawnp(&pid, "cp", nullptr, nullptr, argv, environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("cp failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kCopyBytes));
}
BENCHMARK(CpOfTheSameFile)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// One listing: directories, then files, as Children asks for them. Answers the entries listed.
std::int64_t listing(SimClient& c, NWCONN_HANDLE conn, const std::string& path) {
    std::int64_t entries = 0;
    NWDIR_HANDLE dir = 0;
    c.AllocTempDirHandle(conn, NW_NS_LONG, path.c_str(), &dir);
    NW_ENTRY_INFO info;
    for (nuint16 attrs : {SA_DIRECTORIES, SA_FILES}) {
        SEARCH_SEQUENCE seq;
        c.StartSearch(conn, dir, NW_NS_LONG, &seq);
        while (c.SearchNext(conn, &seq, NW_NS_LONG, attrs, "*", &info) == 0)
            ++entries;
    }
    c.DeallocDirHandle(conn, dir);
    return entries;
}

// The first listing after loading, when the server reads the folder and names its entries.
void FirstChildrenListing(benchmark::State& state) {
    Scratch& s = scratch();
    std::string path = "SYS:D" + std::to_string(state.range(0));
    std::int64_t entries = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto c = SimClient::load(s.root / "network.json");
        NWCONN_HANDLE conn = 0;
        c->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn);
        state.ResumeTiming();
        entries += listing(*c, conn, path);
        state.PauseTiming();
        c->NWCCCloseConn(conn);
        c.reset();
        state.ResumeTiming();
    }
    if (entries != state.iterations() * state.range(0))
        state.SkipWithError("the listing missed entries");
    state.SetItemsProcessed(entries);
}
BENCHMARK(FirstChildrenListing)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Later listings of the same directory.
void ChildrenListing(benchmark::State& state) {
    Scratch& s = scratch();
    SimClient& c = *s.client;
    std::string path = "SYS:D" + std::to_string(state.range(0));
    listing(c, s.conn, path);
    std::int64_t entries = 0;
    for (auto _ : state) {
        entries += listing(c, s.conn, path);
    }
    if (entries != state.iterations() * state.range(0))
        state.SkipWithError("the listing missed entries");
    state.SetItemsProcessed(entries);
}
BENCHMARK(ChildrenListing)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
