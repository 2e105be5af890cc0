// nwsimd's speed, each measured in one run:
// - LoginStatusRoundTrip: a small request (23/205) on loopback to nwsimd's server, median and
//   99th percentile, against EchoRoundTrip: the bare TCP round trip of the same sizes (the
//   23/205 request frame and its reply frame) to an echo thread. Target: at most 2 x the echo.
// - ThousandClients: 1,000 clients connected at once (RLIMIT_NOFILE raised, a server with 1,100
//   connection slots), each asking 23/17 ten times a second for 10 s: errors, median and 99th
//   percentile, and the server's heap per connection. Target: no error, p99 under 10 ms.
// - Startup: nwsimd from exec to its announcement on the generated network of bignetwork.h
//   (5,000 stations, 100,000 open files), the first time (the state store is made) and again.
//   Target: under 2 s.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "bignetwork.h"
#include "loader.h"
#include "ncp/calls.h"
#include "ncp/frame.h"
#include "ncp/login.h"
#include "serverthread.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace nw;
using Clock = std::chrono::steady_clock;

double micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// The p-th percentile (0 to 100) of samples.
double percentile(std::vector<double> samples, double p) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    auto at = static_cast<std::size_t>(p / 100.0 * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[std::min(at, samples.size() - 1)];
}

// ---- A minimal blocking NCP client ----------------------------------------------------------

class Client {
public:
    explicit Client(std::uint16_t port) : reader_(ncp::Direction::Replies, 1 << 20) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
        int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    ~Client() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int fd() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

    // A framed request of call C (the next sequence number).
    template <class C>
    ncp::Bytes request(const typename C::Request& rq = {}) {
        ncp::RequestHeader header{.sequence = sequence_++, .connection = connection_};
        return ncp::frameRequest(*ncp::encodeRequest<C>(header, rq), 65536);
    }
    bool send(const ncp::Bytes& frame) {
        return ::send(fd_, frame.data(), frame.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(frame.size());
    }
    // Reads what has arrived; a complete reply's completion code, or -1 while none is complete.
    int poll() {
        std::uint8_t buffer[65536];
        ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0)
            reader_.feed(ncp::ByteView(buffer, static_cast<std::size_t>(n)));
        else if (n == 0)
            return 0x100;  // closed
        ncp::Frame frame;
        if (reader_.next(frame) != ncp::FrameReader::Result::Frame)
            return -1;
        ncp::ParsedReply reply = ncp::parseReply(frame.message);
        connection_ = reply.header.connection;
        lastData_.assign(reply.data.begin(), reply.data.end());
        return reply.header.completion | (reply.header.status != 0 ? 0x200 : 0);
    }
    // Sends and waits for the reply; its completion (0x100 closed, 0x200 a status bit).
    int exchange(const ncp::Bytes& frame) {
        if (!send(frame))
            return 0x100;
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0)
                return 0x100;
            int rc = poll();
            if (rc >= 0)
                return rc;
        }
    }
    bool attach() {
        ncp::RequestHeader header{.type = ncp::type::kCreateConnection, .connection = 0xFFFF};
        if (exchange(ncp::frameRequest(ncp::encodeRequest(header, {}), 65536)) != 0)
            return false;
        sequence_ = 1;
        return true;
    }
    bool login(const std::string& user, const std::string& password) {
        if (exchange(request<ncp::call::GetBinderyObjectId>({ncp::call::kObjectUser, user})) != 0)
            return false;
        auto id = ncp::decodeReply<ncp::call::GetBinderyObjectId>(lastData_);
        if (exchange(request<ncp::call::GetLoginKey>()) != 0)
            return false;
        auto key = ncp::decodeReply<ncp::call::GetLoginKey>(lastData_);
        ncp::call::KeyedObjectLogin::Request rq;
        rq.answer = ncp::loginAnswer(ncp::passwordHash(id->objectId, password), key->key);
        rq.objectName = user;
        return exchange(request<ncp::call::KeyedObjectLogin>(rq)) == 0;
    }

private:
    int fd_ = -1;
    std::uint16_t connection_ = 0xFFFF;
    std::uint8_t sequence_ = 0;
    ncp::FrameReader reader_;
    ncp::Bytes lastData_;
};

// ---- A served network -----------------------------------------------------------------------

struct Served {
    explicit Served(int maxConnections) {
        std::string pattern = (fs::temp_directory_path() / "nwsimd-bench-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        fs::create_directories(folder / "volumes/FS1/SYS");
        std::string json = R"({"workstation": {}, "servers": [{"name": "FS1", "maxConnections": )" +
                           std::to_string(maxConnections) + R"(,
            "users": [{"name": "USER", "password": "pw"}], "volumes": [{"name": "SYS"}]}]})";
        auto model = std::make_unique<sim::ServerModel>(sim::loadNetwork(json, folder, "b.json"));
        model->store();
        nwsimd::ServerOptions options;
        options.log = [](const std::string&) {};
        server = std::make_unique<nwsimd::ServerThread>(std::move(model), options);
    }
    ~Served() {
        server.reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    std::uint16_t port() const { return server->port(); }

    fs::path folder;
    std::unique_ptr<nwsimd::ServerThread> server;
};

// ---- Round trips ----------------------------------------------------------------------------

constexpr int kRoundTrips = 20000;

void LoginStatusRoundTrip(benchmark::State& state) {
    Served served(64);
    Client client(served.port());
    if (!client.attach() || !client.login("USER", "PW")) {
        state.SkipWithError("cannot log in");
        return;
    }
    ncp::Bytes frame = client.request<ncp::call::GetLoginStatus>();
    std::vector<double> samples;
    samples.reserve(kRoundTrips);
    for (auto _ : state) {
        for (int i = 0; i < kRoundTrips; ++i) {
            frame = client.request<ncp::call::GetLoginStatus>();
            auto start = Clock::now();
            if (client.exchange(frame) != 0) {
                state.SkipWithError("a request failed");
                return;
            }
            samples.push_back(micros(Clock::now() - start));
        }
    }
    state.counters["request_bytes"] = static_cast<double>(frame.size());
    state.counters["median_us"] = percentile(samples, 50);
    state.counters["p99_us"] = percentile(samples, 99);
}
BENCHMARK(LoginStatusRoundTrip)->Iterations(1)->Unit(benchmark::kMillisecond);

// The same sizes as 23/205: a 26-byte request frame, a 17-byte reply frame.
void EchoRoundTrip(benchmark::State& state) {
    constexpr std::size_t kRequest = 26, kReply = 17;
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::thread echo([listener] {
        int fd = ::accept(listener, nullptr, nullptr);
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::uint8_t buffer[kRequest] = {};
        std::uint8_t reply[kReply] = {};
        for (;;) {
            std::size_t got = 0;
            while (got < kRequest) {
                ssize_t n = ::recv(fd, buffer + got, kRequest - got, 0);
                if (n <= 0) {
                    ::close(fd);
                    return;
                }
                got += static_cast<std::size_t>(n);
            }
            ::send(fd, reply, kReply, MSG_NOSIGNAL);
        }
    });
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::uint8_t request[kRequest] = {};
    std::uint8_t reply[kReply];
    std::vector<double> samples;
    samples.reserve(kRoundTrips);
    for (auto _ : state) {
        for (int i = 0; i < kRoundTrips; ++i) {
            auto start = Clock::now();
            ::send(fd, request, kRequest, MSG_NOSIGNAL);
            std::size_t got = 0;
            while (got < kReply) {
                ssize_t n = ::recv(fd, reply + got, kReply - got, 0);
                if (n <= 0)
                    break;
                got += static_cast<std::size_t>(n);
            }
            samples.push_back(micros(Clock::now() - start));
        }
    }
    ::close(fd);
    echo.join();
    ::close(listener);
    state.counters["median_us"] = percentile(samples, 50);
    state.counters["p99_us"] = percentile(samples, 99);
}
BENCHMARK(EchoRoundTrip)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---- 1,000 clients --------------------------------------------------------------------------

void ThousandClients(benchmark::State& state) {
    constexpr int kClients = 1000;
    constexpr int kDrivers = 10;
    constexpr auto kRun = std::chrono::seconds(10);
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 8192);
    ::setrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < 2 * kClients + 100) {
        state.SkipWithError("RLIMIT_NOFILE cannot be raised far enough");
        return;
    }
    Served served(1100);
    std::size_t heapBefore = 0, heapAfter = 0;
    served.server->run(
        [&](nwsimd::NcpServer&, sim::ServerModel&) { heapBefore = ::mallinfo2().uordblks; });
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < kClients; ++i) {
        auto client = std::make_unique<Client>(served.port());
        if (!client->ok() || !client->attach() || !client->login("USER", "PW")) {
            state.SkipWithError("a client could not log in");
            return;
        }
        clients.push_back(std::move(client));
    }
    served.server->run([&](nwsimd::NcpServer& server, sim::ServerModel&) {
        heapAfter = ::mallinfo2().uordblks;
        state.counters["sessions"] = static_cast<double>(server.sessionCount());
    });

    std::atomic<long> errors{0};
    std::vector<std::vector<double>> latencies(kDrivers);
    for (auto _ : state) {
        std::vector<std::thread> drivers;
        auto end = Clock::now() + kRun;
        for (int d = 0; d < kDrivers; ++d) {
            drivers.emplace_back([&, d] {
                std::vector<Client*> mine;
                for (int i = d; i < kClients; i += kDrivers)
                    mine.push_back(clients[static_cast<std::size_t>(i)].get());
                // Each client asks once per 100 ms tick, the clients spread over the tick; a
                // driver waits for each reply before the next client's turn.
                auto tick = Clock::now();
                while (tick < end) {
                    for (std::size_t i = 0; i < mine.size(); ++i) {
                        std::this_thread::sleep_until(tick + std::chrono::milliseconds(100) *
                                                                 static_cast<long>(i) /
                                                                 static_cast<long>(mine.size()));
                        ncp::Bytes frame = mine[i]->request<ncp::call::GetFileServerInfo>();
                        auto sent = Clock::now();
                        int rc = mine[i]->exchange(frame);
                        latencies[static_cast<std::size_t>(d)].push_back(
                            micros(Clock::now() - sent));
                        if (rc != 0)
                            ++errors;
                    }
                    tick += std::chrono::milliseconds(100);
                }
            });
        }
        for (std::thread& t : drivers)
            t.join();
    }
    std::vector<double> all;
    for (const auto& l : latencies)
        all.insert(all.end(), l.begin(), l.end());
    state.counters["requests"] = static_cast<double>(all.size());
    state.counters["errors"] = static_cast<double>(errors.load());
    state.counters["median_us"] = percentile(all, 50);
    state.counters["p99_us"] = percentile(all, 99);
    state.counters["max_us"] = percentile(all, 100);
    state.counters["heap_per_connection_bytes"] =
        static_cast<double>(heapAfter - std::min(heapAfter, heapBefore)) / kClients;
}
BENCHMARK(ThousandClients)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// ---- Start-up -------------------------------------------------------------------------------

// Seconds from exec to nwsimd's announcement of its server on the generated network.
double startOnce(const fs::path& network, const fs::path& runtime) {
    fs::path out = runtime / "stdout";
    std::vector<std::string> args = {NWSIMD_EXE, network.string()};
    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + runtime.string()};
    std::vector<char*> argv, envp;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    auto start = Clock::now();
    pid_t pid = -1;
    ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    double seconds = -1;
    for (int i = 0; i < 30000; ++i) {
        std::ifstream in(out);
        std::string line;
        if (std::getline(in, line) && !line.empty()) {
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    return seconds;
}

void Startup(benchmark::State& state) {
    const fs::path& network = bench::networkFile(1);
    fs::path runtime = network.parent_path() / "run";
    fs::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    std::error_code ec;
    fs::remove_all(network.parent_path() / "state", ec);
    double first = 0, again = 0;
    for (auto _ : state) {
        first = startOnce(network, runtime);
        again = startOnce(network, runtime);
    }
    state.counters["first_s"] = first;
    state.counters["again_s"] = again;
}
BENCHMARK(Startup)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
