// nwsimd's volume calls over loopback with the codec as the client, each measured in one run:
// - ListTenThousand: a directory of 10,000 files listed with 87/2 and 87/20 (32,767 entries
//   asked per request, 64 KB replies), against the bound of its round trips times the median
//   loopback round trip of a small request (23/205) measured in the same run; the round trips
//   per entry are reported.
// - ServerCopy256MiB: 87/1 twice, one 74 copy of 256 MiB on the server and 66, against `cp` of
//   the same file. Target: at least half as fast as cp (the data never cross the wire).
// - Read64MiB: a 64 MiB file read with 72 in 65,000-byte chunks, in MiB/s, against the loopback
//   bandwidth of a plain TCP stream measured in the same run.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "loader.h"
#include "loopback.h"
#include "ncp/calls.h"
#include "ncp/frame.h"
#include "ncp/login.h"
#include "ncp/paths.h"
#include "serverthread.h"

namespace {

namespace fs = std::filesystem;
using namespace nw;
using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// A blocking NCP client on loopback: one request, its decoded reply.
class Client {
public:
    explicit Client(std::uint16_t port) : reader_(ncp::Direction::Replies, 1 << 20) {
        fd_ = bench::connectLoopback(port);
    }
    ~Client() {
        if (fd_ >= 0)
            ::close(fd_);
    }

    // The reply of call C (nullopt on a failure or a completion other than 0).
    template <class C>
    std::optional<typename C::Reply> call(const typename C::Request& rq = {},
                                          std::uint32_t replyBuffer = 65536) {
        ncp::RequestHeader header{.sequence = sequence_++, .connection = connection_};
        auto message = ncp::encodeRequest<C>(header, rq);
        if (!message || !exchange(ncp::frameRequest(*message, replyBuffer)) || completion_ != 0)
            return std::nullopt;
        return ncp::decodeReply<C>(data_, rq);
    }
    std::uint8_t completion() const { return completion_; }

    bool attach() {
        ncp::RequestHeader header{.type = ncp::type::kCreateConnection, .connection = 0xFFFF};
        if (!exchange(ncp::frameRequest(ncp::encodeRequest(header, {}), 65536)))
            return false;
        sequence_ = 1;
        return completion_ == 0;
    }
    bool login(const std::string& user, const std::string& password) {
        auto id = call<ncp::call::GetBinderyObjectId>({ncp::call::kObjectUser, user});
        auto key = call<ncp::call::GetLoginKey>();
        if (!id || !key)
            return false;
        ncp::call::KeyedObjectLogin::Request rq;
        rq.answer = ncp::loginAnswer(ncp::passwordHash(id->objectId, password), key->key);
        rq.objectName = user;
        return call<ncp::call::KeyedObjectLogin>(rq).has_value();
    }

private:
    bool exchange(const ncp::Bytes& frame) {
        if (::send(fd_, frame.data(), frame.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(frame.size()))
            return false;
        ncp::Frame reply;
        while (reader_.next(reply) != ncp::FrameReader::Result::Frame) {
            ssize_t n = ::recv(fd_, buffer_.data(), buffer_.size(), 0);
            if (n <= 0)
                return false;
            reader_.feed(ncp::ByteView(buffer_.data(), static_cast<std::size_t>(n)));
        }
        ncp::ParsedReply parsed = ncp::parseReply(reply.message);
        connection_ = parsed.header.connection;
        completion_ = parsed.header.completion;
        data_.assign(parsed.data.begin(), parsed.data.end());
        return true;
    }

    int fd_ = -1;
    std::uint16_t connection_ = 0xFFFF;
    std::uint8_t sequence_ = 0;
    std::uint8_t completion_ = 0xFF;
    ncp::FrameReader reader_;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(1 << 17);
    ncp::Bytes data_;
};

// A network of one server and one volume DATA in a scratch folder, files made by the caller.
struct Served {
    explicit Served(const std::function<void(const fs::path&)>& makeFiles) {
        std::string pattern = (fs::temp_directory_path() / "nwsimd-vbench-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        fs::create_directories(folder / "volumes/FS1/DATA");
        makeFiles(folder / "volumes/FS1/DATA");
        const char* json = R"({"workstation": {}, "servers": [{"name": "FS1",
            "users": [{"name": "ADMIN", "password": "pw"}], "supervisors": ["ADMIN"],
            "volumes": [{"name": "DATA"}]}]})";
        auto model = std::make_unique<sim::ServerModel>(sim::loadNetwork(json, folder, "v.json"));
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
    std::unique_ptr<Client> admin() {
        auto client = std::make_unique<Client>(server->port());
        if (!client->attach() || !client->login("ADMIN", "PW"))
            return nullptr;
        return client;
    }

    fs::path folder;
    std::unique_ptr<nwsimd::ServerThread> server;
};

void writeFile(const fs::path& path, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 131 % 251);
    for (std::size_t done = 0; done < size; done += block.size())
        out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), size - done)));
}

double medianRoundTrip(Client& client, int count) {
    std::vector<double> samples;
    for (int i = 0; i < count; ++i) {
        auto start = Clock::now();
        if (!client.call<ncp::call::GetLoginStatus>())
            return 0;
        samples.push_back(seconds(Clock::now() - start));
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

ncp::HandlePath volumePath(const char* text) {
    return *ncp::paths::fromVolumePath(text);
}

// ---- Listing ------------------------------------------------------------------------------------

void ListTenThousand(benchmark::State& state) {
    constexpr int kEntries = 10000;
    Served served([](const fs::path& data) {
        fs::create_directories(data / "BIG");
        for (int i = 0; i < kEntries; ++i)
            std::ofstream(data / "BIG" / ("file" + std::to_string(i) + ".dat")) << "x";
    });
    auto client = served.admin();
    if (!client) {
        state.SkipWithError("cannot log in");
        return;
    }
    std::vector<double> times;
    int roundTrips = 0;
    std::size_t listed = 0;
    for (auto _ : state) {
        for (int run = 0; run < 5; ++run) {
            auto start = Clock::now();
            roundTrips = 1;
            listed = 0;
            auto begin = client->call<ncp::call::InitializeSearch>({4, volumePath("DATA:BIG")});
            ncp::call::SearchEntrySet::Request rq;
            rq.nameSpace = 4;
            rq.returnInfoCount = 32767;
            rq.sequence = *begin;
            for (;;) {
                auto set = client->call<ncp::call::SearchEntrySet>(rq);
                ++roundTrips;
                if (!set)
                    break;
                listed += set->entries.size();
                if (set->more == 0)
                    break;
                rq.sequence = set->sequence;
            }
            times.push_back(seconds(Clock::now() - start));
        }
    }
    std::sort(times.begin(), times.end());
    double rtt = medianRoundTrip(*client, 2000);
    double bound = roundTrips * rtt;
    state.counters["entries"] = static_cast<double>(listed);
    state.counters["round_trips"] = roundTrips;
    state.counters["round_trips_per_entry"] = roundTrips / static_cast<double>(listed);
    state.counters["median_list_ms"] = times[times.size() / 2] * 1e3;
    state.counters["median_rtt_us"] = rtt * 1e6;
    state.counters["bound_ms"] = bound * 1e3;
    state.counters["ratio_to_bound"] = times[times.size() / 2] / bound;
}
BENCHMARK(ListTenThousand)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---- Server-side copy ---------------------------------------------------------------------------

void ServerCopy256MiB(benchmark::State& state) {
    constexpr std::size_t kSize = 256u << 20;
    Served served([](const fs::path& data) { writeFile(data / "source.bin", kSize); });
    auto client = served.admin();
    if (!client) {
        state.SkipWithError("cannot log in");
        return;
    }
    double copySeconds = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        ncp::call::OpenCreateEntry::Request open;
        open.nameSpace = 4;
        open.searchAttributes = 0x8006;
        open.desiredAccessRights = 1;
        open.path = volumePath("DATA:source.bin");
        auto source = client->call<ncp::call::OpenCreateEntry>(open);
        open.openCreateMode = ncp::call::open_mode::kCreate | ncp::call::open_mode::kReplace;
        open.desiredAccessRights = 3;
        open.path = volumePath("DATA:target.bin");
        auto target = client->call<ncp::call::OpenCreateEntry>(open);
        if (!source || !target) {
            state.SkipWithError("cannot open");
            return;
        }
        auto from = ncp::makeFileHandle(source->fileHandle);
        auto to = ncp::makeFileHandle(target->fileHandle);
        auto copied =
            client->call<ncp::call::CopyFile>({from, to, 0, 0, static_cast<std::uint32_t>(kSize)});
        client->call<ncp::call::CloseFile>({from});
        client->call<ncp::call::CloseFile>({to});
        copySeconds = seconds(Clock::now() - start);
        if (!copied || copied->copied != kSize) {
            state.SkipWithError("the copy failed");
            return;
        }
    }
    fs::path data = served.folder / "volumes/FS1/DATA";
    auto start = Clock::now();
    std::string command = "cp " + (data / "source.bin").string() + " " + (data / "cp.bin").string();
    if (std::system(command.c_str()) != 0) {
        state.SkipWithError("cp failed");
        return;
    }
    double cpSeconds = seconds(Clock::now() - start);
    state.counters["wire_copy_MiB_s"] = 256 / copySeconds;
    state.counters["cp_MiB_s"] = 256 / cpSeconds;
    state.counters["wire_to_cp"] = cpSeconds / copySeconds;
}
BENCHMARK(ServerCopy256MiB)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---- Reading ------------------------------------------------------------------------------------

// MiB/s of a plain TCP stream of `size` bytes on loopback (a writer thread, this thread reads).
double loopbackBandwidth(std::size_t size) {
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::thread writer([&] {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        std::vector<char> block(65536, 'x');
        for (std::size_t done = 0; done < size;) {
            ssize_t n = ::send(fd, block.data(), std::min(block.size(), size - done), 0);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
    });
    int fd = ::accept(listener, nullptr, nullptr);
    std::vector<char> buffer(1 << 17);
    auto start = Clock::now();
    std::size_t got = 0;
    for (ssize_t n; (n = ::recv(fd, buffer.data(), buffer.size(), 0)) > 0;)
        got += static_cast<std::size_t>(n);
    double elapsed = seconds(Clock::now() - start);
    writer.join();
    ::close(fd);
    ::close(listener);
    return static_cast<double>(got) / (1 << 20) / elapsed;
}

void Read64MiB(benchmark::State& state) {
    constexpr std::size_t kSize = 64u << 20;
    Served served([](const fs::path& data) { writeFile(data / "read.bin", kSize); });
    auto client = served.admin();
    if (!client) {
        state.SkipWithError("cannot log in");
        return;
    }
    double readSeconds = 0;
    for (auto _ : state) {
        ncp::call::OpenCreateEntry::Request open;
        open.nameSpace = 4;
        open.searchAttributes = 0x8006;
        open.desiredAccessRights = 1;
        open.path = volumePath("DATA:read.bin");
        auto opened = client->call<ncp::call::OpenCreateEntry>(open);
        if (!opened) {
            state.SkipWithError("cannot open");
            return;
        }
        auto file = ncp::makeFileHandle(opened->fileHandle);
        auto start = Clock::now();
        std::size_t got = 0;
        for (;;) {
            auto read = client->call<ncp::call::ReadFile>(
                {file, static_cast<std::uint32_t>(got), ncp::call::kMaxReadChunk});
            if (!read || read->data.empty())
                break;
            got += read->data.size();
        }
        readSeconds = seconds(Clock::now() - start);
        client->call<ncp::call::CloseFile>({file});
        if (got != kSize) {
            state.SkipWithError("short read");
            return;
        }
    }
    double bandwidth = loopbackBandwidth(kSize);
    state.counters["read_MiB_s"] = 64 / readSeconds;
    state.counters["loopback_MiB_s"] = bandwidth;
    state.counters["read_to_loopback"] = 64 / readSeconds / bandwidth;
}
BENCHMARK(Read64MiB)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
