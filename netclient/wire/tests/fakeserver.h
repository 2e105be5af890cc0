// A scripted NCP server on loopback for the wire client's tests: it speaks the codec's framing
// and headers, answers set-up and bindery login itself, dispatches every other call to the
// handlers a test registers, and misbehaves on request (silence, busy replies, garbage, a reset,
// a cleared connection) so that each transport fault can be tested.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ncp/calls.h"
#include "ncp/frame.h"
#include "ncp/login.h"

namespace nw::wire::testing {

struct FakeSession {
    std::uint16_t connection = 0;
    std::string user;  // logged in as, empty before login
    ncp::LoginKey key{};
};

class FakeServer {
public:
    enum class Fault : std::uint8_t {
        None,
        Silence,     // read requests, answer nothing
        Garbage,     // answer bytes that are no NCP frame
        BadData,     // answer completion 0 with data too short for the call
        Close,       // close the connection instead of answering
        Cleared,     // answer with connection status 0x01
        ServerDown,  // answer with connection status 0x10
        WrongSequence,
    };

    FakeServer();
    ~FakeServer();
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    std::uint16_t port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

    // Server identity in 23/17.
    void setInfo(const std::string& name, std::uint8_t major, std::uint8_t minor,
                 std::uint16_t maxConnections = 250);
    // A bindery user with a password (object ids from 0x01000001).
    void addUser(const std::string& name, const std::string& password);
    // Runs a handler for call C; registered before the client talks.
    template <class C, class F>
    void on(F handler) {
        std::lock_guard<std::mutex> lock(mutex_);
        dispatcher_.on<C>(handler);
    }
    // The next `count` requests of (function, subfunction) get the fault (function 0: any).
    void fault(Fault fault, std::uint8_t function = 0, std::uint8_t subfunction = 0, int count = 1);
    // Sends this many 0x9999 frames before each of the next replies.
    void busyReplies(int count) { busy_ = count; }
    // Completion for requests of (function, subfunction) regardless of handlers (e.g. 0xFB).
    void refuse(std::uint8_t function, std::uint8_t subfunction, std::uint8_t completion);

    // Requests seen per (function << 8 | subfunction).
    int requests(std::uint8_t function, std::uint8_t subfunction) const;
    int totalRequests() const;
    int connectionsAccepted() const { return accepted_; }
    int connectionsOpen() const;
    // Stops serving: every connection closed, new ones refused.
    void stop();

private:
    struct Peer;
    void run();
    void serve(Peer& peer);
    bool answer(Peer& peer, const ncp::Frame& frame);

    mutable std::mutex mutex_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::vector<std::unique_ptr<Peer>> peers_;
    ncp::Dispatcher<FakeSession> dispatcher_;
    std::map<std::string, std::pair<std::uint32_t, std::string>> users_;
    ncp::call::GetFileServerInfo::Reply info_;
    struct PlannedFault {
        Fault fault;
        std::uint16_t key;
        bool any;
        int count;
    };
    std::vector<PlannedFault> faults_;
    std::map<std::uint16_t, std::uint8_t> refusals_;
    std::map<std::uint16_t, int> counts_;
    std::atomic<int> busy_{0};
    std::atomic<int> accepted_{0};
    std::uint16_t nextConnection_ = 3;
};

}  // namespace nw::wire::testing
