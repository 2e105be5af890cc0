// The volume control over the wire: nwsimd (its own process) serving one volume, the control
// driven through IDispatch as a script does, on a WireClient. Measured in one run:
//
//   WireChildren   Children of a directory with 10,000 entries; ratio = time / (round_trips x
//                  the median loopback round trip of a one-call request), target <= 1.5;
//                  trips_per_entry is what the set search (87/20) makes of it; client_cpu_ms
//                  and server_cpu_ms split a listing's time between the two processes
//   WireCopy       NWEntry.Copy of a 256 MiB file (74: the data never cross the wire) against
//   CpCommand      cp of the same file on the same disk, target: at least half as fast
//   WireRead       NWFile.Read of a 64 MiB file in 1 MiB calls, against
//   WireReadFile   the same through the client's ReadFile alone
//   LoopbackTcp    64 MiB through a plain TCP connection on loopback
//
//     build/bin/bench_wire_volume
//     VARNOOK_BENCH_DIR=/some/disk build/bin/bench_wire_volume --benchmark_filter=Copy
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch.h"
#include "volctl/volmarra.h"
#include "volumefolder.h"
#include "wire/passwords.h"
#include "wire/wireclient.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using vnk::com::ComPtr;
using vnk::com::IDispatch;
using vnk::com::Variant;

using bench::kEntries;
constexpr std::size_t kReadBytes = 64u << 20;
constexpr std::int32_t kReadChunk = 1 << 20;

double Us(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// The volume, nwsimd serving it, and a control on \\FS1\SYS over a WireClient.
struct Served {
    bench::VolumeFolder files{"wire-vol"};
    fs::path runtime = files.root / "run";
    pid_t pid = -1;
    std::unique_ptr<nw::wire::WireClient> client;
    ComPtr<IDispatch> control;

    Served() {
        fs::create_directories(runtime);
        ::chmod(runtime.c_str(), 0700);
        bench::writePatternFile(files.folder / "READ.DAT", kReadBytes);
        const fs::path network = files.root / "network.json";
        std::ofstream(network) << R"({
          "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1 } ] },
          "servers": [ { "name": "FS1", "users": ["ADMIN"], "volumes": [ { "name": "SYS" } ] } ]
        })";
        pid = ::fork();
        if (pid == 0) {
            ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::execl(NWSIMD_EXE, NWSIMD_EXE, network.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const fs::path workstationFile = runtime / "varnook/network.workstation.json";
        for (int i = 0; i < 600 && !fs::exists(workstationFile); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        nw::wire::WorkstationConfig workstation = nw::wire::loadWorkstationFile(workstationFile);
        const fs::path passwords = *workstation.passwordFile;
        client = std::make_unique<nw::wire::WireClient>(
            std::move(workstation), std::make_unique<nw::wire::PasswordFile>(passwords));
        control = volmarra::createControl(*client);
        vnk::com::ExcepInfo ei;
        if (vnk::com::putProperty(control.get(), u"FullName", Variant(u"\\\\FS1\\SYS"), &ei) !=
            vnk::win::S_OK) {
            throw std::runtime_error("the control did not reach \\\\FS1\\SYS over the wire");
        }
    }
    ~Served() {
        control.reset();
        client.reset();
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }

    ComPtr<IDispatch> entry(std::u16string_view below) { return bench::findEntry(control, below); }

    // The median of one-call round trips (87/29 on the volume root) on a handle of the same
    // connection.
    double medianRttUs() {
        nw::NWCONN_HANDLE h = 0;
        client->NWCCOpenConnByRef(1, nw::NWCC_OPEN_LICENSED, 0, &h);
        constexpr int kPings = 2001;
        std::vector<double> rtt;
        nw::nuint16 rights = 0;
        for (int i = 0; i < kPings; ++i) {
            const Clock::time_point start = Clock::now();
            client->GetEffectiveRights(h, nw::NW_NS_LONG, "SYS:", &rights);
            rtt.push_back(Us(Clock::now() - start));
        }
        client->NWCCCloseConn(h);
        std::nth_element(rtt.begin(), rtt.begin() + kPings / 2, rtt.end());
        return rtt[kPings / 2];
    }
};

Served& served() {
    static Served s;
    return s;
}

// CPU time in microseconds: of the calling thread, and of nwsimd (its scheduler's run time).
double threadCpuUs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}
double processCpuUs(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
    double ns = 0;
    in >> ns;
    return ns / 1e3;
}

using bench::listBig;

// The fastest of a few listings (the machine is shared), held against its round trips.
void WireChildren(benchmark::State& state) {
    Served& s = served();
    const ComPtr<IDispatch> big = s.entry(u"BIG");
    const double rtt = s.medianRttUs();
    listBig(big);
    for (auto _ : state) {
        constexpr int kRounds = 5;
        double fastest = 1e12;
        std::uint64_t trips = 0;
        const double clientBefore = threadCpuUs();
        const double serverBefore = processCpuUs(s.pid);
        for (int round = 0; round < kRounds; ++round) {
            const std::uint64_t before = s.client->roundTrips();
            const Clock::time_point start = Clock::now();
            if (!listBig(big)) {
                state.SkipWithError("Children failed");
                return;
            }
            fastest = std::min(fastest, Us(Clock::now() - start));
            trips = s.client->roundTrips() - before;
        }
        // Where a listing's time goes: the client's CPU, the server's CPU (per listing and per
        // reply).
        const double clientUs = (threadCpuUs() - clientBefore) / kRounds;
        const double serverUs = (processCpuUs(s.pid) - serverBefore) / kRounds;
        state.counters["client_cpu_ms"] = clientUs / 1e3;
        state.counters["server_cpu_ms"] = serverUs / 1e3;
        state.counters["server_us_per_reply"] = serverUs / static_cast<double>(trips);
        state.SetIterationTime(fastest / 1e6);
        state.counters["round_trips"] = static_cast<double>(trips);
        state.counters["median_rtt_us"] = rtt;
        state.counters["ratio"] = fastest / (static_cast<double>(trips) * rtt);
        state.counters["trips_per_entry"] = static_cast<double>(trips) / kEntries;
    }
}
BENCHMARK(WireChildren)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void WireCopy(benchmark::State& state) {
    Served& s = served();
    bench::timeCopies(state, s.files, s.entry(u"SRC.DAT"));
}
BENCHMARK(WireCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void CpCommand(benchmark::State& state) {
    bench::timeCp(state, served().files);
}
BENCHMARK(CpCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void WireRead(benchmark::State& state) {
    Served& s = served();
    const ComPtr<IDispatch> entry = s.entry(u"READ.DAT");
    Variant file;
    vnk::com::getProperty(entry.get(), u"File", &file);
    for (auto _ : state) {
        Variant opened;
        vnk::com::call(file.dispatch(), u"Open", {}, &opened);
        std::size_t total = 0;
        for (;;) {
            Variant data;
            Variant got;
            if (vnk::com::call(file.dispatch(), u"Read",
                               {Variant::byRef(data), Variant(kReadChunk)},
                               &got) != vnk::win::S_OK ||
                got.intVal() <= 0) {
                break;
            }
            total += static_cast<std::size_t>(got.intVal());
        }
        Variant closed;
        vnk::com::call(file.dispatch(), u"Close", {}, &closed);
        if (total != kReadBytes) {
            state.SkipWithError("the file was not read whole");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kReadBytes));
}
BENCHMARK(WireRead)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The same file through the client's ReadFile alone (1 MiB a call), without the control.
void WireReadFile(benchmark::State& state) {
    Served& s = served();
    nw::NWCONN_HANDLE h = 0;
    s.client->NWCCOpenConnByRef(1, nw::NWCC_OPEN_LICENSED, 0, &h);
    std::vector<char> buffer(kReadChunk);
    std::uint64_t trips = 0;
    for (auto _ : state) {
        nw::NW_FILE_HANDLE file = 0;
        if (s.client->OpenFile(h, nw::NW_NS_LONG, nw::SA_ALL, "SYS:READ.DAT", nw::AR_READ, &file) !=
            nw::SUCCESSFUL) {
            state.SkipWithError("OpenFile failed");
            break;
        }
        const std::uint64_t before = s.client->roundTrips();
        std::size_t total = 0;
        nw::nuint32 got = 0;
        while (s.client->ReadFile(file, kReadChunk, &got, buffer.data()) == nw::SUCCESSFUL &&
               got > 0) {
            total += got;
        }
        trips = s.client->roundTrips() - before;
        s.client->CloseFile(file);
        if (total != kReadBytes) {
            state.SkipWithError("the file was not read whole");
            break;
        }
    }
    s.client->NWCCCloseConn(h);
    state.counters["round_trips"] = static_cast<double>(trips);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kReadBytes));
}
BENCHMARK(WireReadFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// 64 MiB through a TCP connection on loopback: the bandwidth the wire has at most.
void LoopbackTcp(benchmark::State& state) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        state.SkipWithError("no loopback socket");
        ::close(listener);
        return;
    }
    for (auto _ : state) {
        std::thread sender([&] {
            const int out = ::socket(AF_INET, SOCK_STREAM, 0);
            ::connect(out, reinterpret_cast<sockaddr*>(&address), sizeof address);
            std::vector<char> block(1 << 16, 'x');
            for (std::size_t sent = 0; sent < kReadBytes;) {
                const ssize_t n = ::send(out, block.data(), block.size(), 0);
                if (n <= 0) {
                    break;
                }
                sent += static_cast<std::size_t>(n);
            }
            ::close(out);
        });
        const int in = ::accept(listener, nullptr, nullptr);
        std::vector<char> buffer(1 << 16);
        std::size_t received = 0;
        for (ssize_t n; (n = ::recv(in, buffer.data(), buffer.size(), 0)) > 0;) {
            received += static_cast<std::size_t>(n);
        }
        ::close(in);
        sender.join();
        if (received != kReadBytes) {
            state.SkipWithError("loopback lost bytes");
        }
    }
    ::close(listener);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kReadBytes));
}
BENCHMARK(LoopbackTcp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
