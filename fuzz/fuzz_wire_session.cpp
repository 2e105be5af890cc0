// Fuzzes a live wire client session: a scripted server on loopback answers each of the client's
// requests with the next chunk of the input, while the client runs a fixed script (attach and
// log in, the open files of a few connections with their paths and locks, the users of a file,
// a directory search, a read). Whatever the replies, the client must not crash, hang or leave a
// handle open.
//
// The input is chunks of: flags (bit 0: give the reply the request's sequence and connection
// number; bit 1: send the payload as it stands, without a frame; bit 2: close the connection
// after it), LE16 length, that many bytes of reply message (reply header and data). When the
// input runs out the server closes the connection, so no run waits for a timeout.
//
// Seeds: VARNOOK_WIRE_SESSION_SEEDS=FILE fuzz_wire_session runs the script once through the
// scripted server relaying to nwsimd's server on a small network, writes the replies it relayed
// to FILE as an input, and exits.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/connfiles.h"
#include "core/fileusers.h"
#include "loader.h"
#include "ncp/frame.h"
#include "ncp/header.h"
#include "server.h"
#include "servermodel.h"
#include "wire/passwords.h"
#include "wire/wireclient.h"

namespace {

namespace fs = std::filesystem;
using namespace nw;

constexpr std::uint8_t kFixHeader = 1;
constexpr std::uint8_t kUnframed = 2;
constexpr std::uint8_t kCloseAfter = 4;

struct Chunk {
    std::uint8_t flags = 0;
    ncp::ByteView payload;
};

std::vector<Chunk> chunksOf(ncp::ByteView input) {
    std::vector<Chunk> chunks;
    std::size_t at = 0;
    while (at + 3 <= input.size()) {
        Chunk c;
        c.flags = input[at];
        const std::size_t length = input[at + 1] | static_cast<std::size_t>(input[at + 2]) << 8;
        at += 3;
        const std::size_t n = std::min(length, input.size() - at);
        c.payload = input.subspan(at, n);
        at += n;
        chunks.push_back(c);
    }
    return chunks;
}

void sendAll(int fd, ncp::ByteView bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(n);
    }
}

// Reads one reply frame from an upstream server (record mode); nullopt when none came in time.
std::optional<ncp::Bytes> upstreamReply(int fd, ncp::FrameReader& reader) {
    for (;;) {
        ncp::Frame frame;
        const auto result = reader.next(frame);
        if (result == ncp::FrameReader::Result::Frame) {
            return frame.message;
        }
        if (result != ncp::FrameReader::Result::NeedMore) {
            return std::nullopt;
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0) {
            return std::nullopt;
        }
        std::uint8_t buffer[65536];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return std::nullopt;
        }
        reader.feed(ncp::ByteView(buffer, static_cast<std::size_t>(n)));
    }
}

// Answers each request frame with the next chunk; in record mode it relays to an upstream
// server instead and keeps the replies as chunks of a seed.
class ScriptedServer {
public:
    ScriptedServer(std::vector<Chunk> chunks, std::uint16_t upstreamPort = 0)
        : chunks_(std::move(chunks)), upstreamPort_(upstreamPort) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 ||
            ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
            ::pipe2(wake_, O_CLOEXEC) != 0) {
            std::abort();
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~ScriptedServer() {
        const char stop = 1;
        (void)!::write(wake_[1], &stop, 1);
        thread_.join();
        ::close(listener_);
        ::close(wake_[0]);
        ::close(wake_[1]);
    }
    std::uint16_t port() const { return port_; }
    const ncp::Bytes& recorded() const { return recorded_; }

private:
    // Waits for fd or the stop pipe; false when stopping.
    bool waitFor(int fd) {
        pollfd p[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        while (::poll(p, 2, -1) < 0) {
        }
        return (p[1].revents & POLLIN) == 0;
    }

    void run() {
        while (waitFor(listener_)) {
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            const bool stopping = !serve(fd);
            ::close(fd);
            if (stopping) {
                return;
            }
        }
    }

    // Serves one connection until it ends; false when the server is stopping.
    bool serve(int fd) {
        int upstream = -1;
        if (upstreamPort_ != 0) {
            upstream = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(upstreamPort_);
            if (::connect(upstream, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
                std::abort();
            }
        }
        ncp::FrameReader requests(ncp::Direction::Requests, 1 << 17);
        ncp::FrameReader replies(ncp::Direction::Replies, 1 << 17);
        bool open = true;
        bool running = true;
        while (open && (running = waitFor(fd))) {
            std::uint8_t buffer[65536];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            requests.feed(ncp::ByteView(buffer, static_cast<std::size_t>(n)));
            ncp::Frame frame;
            while (open) {
                const auto result = requests.next(frame);
                if (result != ncp::FrameReader::Result::Frame) {
                    open = result == ncp::FrameReader::Result::NeedMore;
                    break;
                }
                open = upstream >= 0 ? relay(fd, upstream, replies, frame) : answer(fd, frame);
            }
        }
        if (upstream >= 0) {
            ::close(upstream);
        }
        return running;
    }

    bool relay(int fd, int upstream, ncp::FrameReader& replies, const ncp::Frame& frame) {
        sendAll(upstream, ncp::frameRequest(frame.message, frame.replyBufferSize));
        std::optional<ncp::Bytes> reply = upstreamReply(upstream, replies);
        if (!reply || reply->size() > 0xFFFF) {
            return false;
        }
        recorded_.push_back(kFixHeader);
        recorded_.push_back(static_cast<std::uint8_t>(reply->size()));
        recorded_.push_back(static_cast<std::uint8_t>(reply->size() >> 8));
        recorded_.insert(recorded_.end(), reply->begin(), reply->end());
        sendAll(fd, ncp::frameReply(*reply));
        return true;
    }

    bool answer(int fd, const ncp::Frame& frame) {
        if (next_ >= chunks_.size()) {
            return false;  // the input ran out: the connection ends now
        }
        const Chunk& chunk = chunks_[next_++];
        ncp::Bytes message(chunk.payload.begin(), chunk.payload.end());
        const ncp::ParsedRequest request = ncp::parseRequest(frame.message);
        const ncp::ParsedReply reply = ncp::parseReply(message);
        if ((chunk.flags & kFixHeader) != 0 && request.error == ncp::ParseError::None &&
            reply.error == ncp::ParseError::None) {
            ncp::ReplyHeader header = reply.header;
            header.sequence = request.header.sequence;
            if (request.header.type != ncp::type::kCreateConnection) {
                header.connection = request.header.connection;  // else: the number it assigns
            }
            message = ncp::encodeReply(header, reply.data);
        }
        sendAll(fd, (chunk.flags & kUnframed) != 0 ? message : ncp::frameReply(message));
        return (chunk.flags & kCloseAfter) == 0;
    }

    std::vector<Chunk> chunks_;
    std::size_t next_ = 0;
    std::uint16_t upstreamPort_;
    ncp::Bytes recorded_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::thread thread_;
};

class FixedPassword final : public wire::PasswordSource {
public:
    std::optional<wire::Secret> password(const wire::PasswordRequest&, std::string&) override {
        wire::Secret secret;
        secret.append("fuzz", 4);
        return secret;
    }
};

struct CountFiles : varnook::OpenFilesSink {
    void file(const varnook::OpenFileRow&) override {}
};
struct CountUsers : varnook::FileUsersSink {
    void user(const varnook::FileUser&) override {}
};

// The client's script; traps when a handle is left open.
void runScript(std::uint16_t port, std::chrono::milliseconds replyTimeout) {
    wire::WorkstationConfig workstation;
    workstation.connections.push_back({"FS1", {"127.0.0.1", port}, "ADMIN"});
    workstation.drives.push_back({'F', "\\\\FS1\\DATA", "FS1", "DATA", ""});
    wire::WireOptions options;
    options.connectTimeout = std::chrono::milliseconds(1000);
    options.replyTimeout = replyTimeout;
    wire::WireClient client(std::move(workstation), std::make_unique<FixedPassword>(), options);
    NWCONN_HANDLE h = 0;
    if (client.NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &h) == SUCCESSFUL) {
        for (std::uint16_t number = 1; number <= 3; ++number) {
            CountFiles files;
            varnook::GetFilesByConn(client, h, number, files);
        }
        CountUsers users;
        varnook::GetConnsUsingFile(client, h, "DATA:DIR\\A.TXT", users);
        NWDIR_HANDLE dir = 0;
        if (client.AllocTempDirHandle(h, NW_NS_LONG, "DATA:DIR", &dir) == SUCCESSFUL) {
            SEARCH_SEQUENCE seq{};
            if (client.StartSearch(h, dir, NW_NS_LONG, &seq) == SUCCESSFUL) {
                NW_ENTRY_INFO info{};
                for (int i = 0; i < 16 && client.SearchNext(h, &seq, NW_NS_LONG, SA_ALL, "*",
                                                            &info) == SUCCESSFUL;
                     ++i) {
                }
            }
            client.DeallocDirHandle(h, dir);
        }
        NW_FILE_HANDLE file = 0;
        if (client.OpenFile(h, NW_NS_LONG, SA_ALL, "DATA:DIR\\A.TXT", AR_READ, &file) ==
            SUCCESSFUL) {
            std::uint8_t buffer[512];
            nuint32 read = 0;
            client.ReadFile(file, sizeof buffer, &read, buffer);
            if (read > sizeof buffer) {
                __builtin_trap();
            }
            client.CloseFile(file);
        }
        client.NWCCCloseConn(h);
    }
    if (client.openHandleCount() != 0) {
        __builtin_trap();
    }
}

constexpr const char* kNetwork = R"({
  "workstation": {},
  "servers": [ { "name": "FS1", "version": [4, 11, 0], "maxConnections": 16,
    "users": [ { "name": "ADMIN", "password": "fuzz" }, "JSMITH" ], "supervisors": ["ADMIN"],
    "volumes": [ { "name": "SYS" }, { "name": "DATA" } ],
    "connections": [
      { "number": 2, "user": "JSMITH",
        "openFiles": [ { "path": "DATA:DIR\\A.TXT", "locks": [ { "start": 0, "end": 9 } ] },
                       { "path": "DATA:DIR\\Long Name.doc" } ] },
      { "number": 3, "user": "JSMITH", "openFiles": [ { "path": "DATA:DIR\\A.TXT" } ] } ] } ]
})";

// Record mode: the script through the relay to nwsimd's server, its replies written as a seed.
int recordSeed(const char* out) {
    std::string pattern = (fs::temp_directory_path() / "fuzz-wire-session-XXXXXX").string();
    const fs::path folder = ::mkdtemp(pattern.data());
    for (const char* name : {"volumes/FS1/DATA/DIR/A.TXT", "volumes/FS1/DATA/DIR/Long Name.doc",
                             "volumes/FS1/SYS/PUBLIC/L.EXE"}) {
        fs::create_directories((folder / name).parent_path());
        std::ofstream(folder / name) << "the data of a file";
    }
    sim::ServerModel model(sim::loadNetwork(kNetwork, folder, "fuzz.json"));
    asio::io_context io;
    nwsimd::ServerOptions options;
    options.signingLevel = 0;  // replies replayed later must not depend on a signature
    options.log = [](const std::string&) {};
    nwsimd::NcpServer server(io, model, options);
    server.start();
    std::thread serving([&io] { io.run(); });
    ncp::Bytes seed;
    {
        ScriptedServer relay({}, server.endpoints().front().port);
        runScript(relay.port(), std::chrono::milliseconds(5000));
        seed = relay.recorded();
    }
    asio::post(io, [&server] { server.stop(); });
    serving.join();
    std::ofstream(out, std::ios::binary)
        .write(reinterpret_cast<const char*>(seed.data()),
               static_cast<std::streamsize>(seed.size()));
    std::error_code ec;
    fs::remove_all(folder, ec);
    std::printf("%zu bytes of replies written to %s\n", seed.size(), out);
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* out = ::getenv("VARNOOK_WIRE_SESSION_SEEDS")) {
        std::exit(recordSeed(out));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ScriptedServer server(chunksOf(ncp::ByteView(data, size)));
    // Short: a reply cut short by the input waits this long at most.
    runScript(server.port(), std::chrono::milliseconds(50));
    return 0;
}
