// One TCP connection to a server of nwsimd: its frames, its station in the server's connection
// table, the object logged in on it, and what it holds (directory handles, open files).
//
// A session takes a station at 0x1111 (the lowest free number) and gives it back however it
// ends: 0x5555, the client closing, a bad frame, a server that stops, or another client
// clearing the station. A cleared session answers its next request with the "bad connection"
// status and then closes.
#pragma once

#include <asio.hpp>

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

#include "ncp/frame.h"
#include "ncp/header.h"
#include "ncp/login.h"
#include "ncp/pcap.h"
#include "ncp/sign.h"
#include "servermodel.h"

namespace nw::nwsimd {

class NcpServer;

class Session : public std::enable_shared_from_this<Session> {
public:
    Session(NcpServer& server, sim::Server& modelServer, asio::ip::tcp::socket socket);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void start();
    // Handles bytes received from the client: every complete frame is answered (reads call it;
    // the fuzzer calls it directly).
    void receive(ncp::ByteView bytes);
    // Ends the session at once: the station goes, handles and files are released, the socket
    // closes. Safe to call more than once.
    void close();

    // ---- What the call handlers use ----

    NcpServer& ncpServer() { return server_; }
    sim::ServerModel& model();
    sim::Server& server() { return modelServer_; }
    sim::Station* station() { return station_; }
    // Who asks: the station and the object logged in on it, with console operator rights for
    // the server's supervisors and consoleOperators.
    const sim::Caller& caller() const { return caller_; }
    sim::Owner owner() const { return owner_; }
    // The largest reply the current request's frame accepts.
    std::uint32_t replyBufferSize() const { return replyBufferSize_; }
    // The client's address as 23/26 reports it (IPv4 and port).
    std::uint32_t peerIpv4() const { return peerIpv4_; }
    std::uint16_t peerPort() const { return peerPort_; }
    std::uint32_t localIpv4() const { return localIpv4_; }

    // 97 and 33: the agreed buffer size, and whether the client asked to sign.
    std::uint16_t negotiate(std::uint16_t proposed, bool wantsSigning, bool& willSign);
    // 23/23: a new login key (replacing the last one).
    ncp::LoginKey newLoginKey();
    // 23/24: checks the answer against the object's password with the key handed out (used
    // once), logs the object in on the station and answers the model's code.
    NWCCODE login(const sim::BinderyObject& object, const ncp::LoginAnswer& answer);
    // 25: the station stays attached, logged in as nobody; handles and files are released.
    void logout();
    // What a successful login leaves: the object logged in on the station, the session's rights
    // recomputed (the fuzzer starts from here; no password is checked).
    void loggedIn(const sim::BinderyObject& object);

private:
    void read();
    void handleFrame(ncp::Frame& frame);
    void handleRequest(const ncp::ParsedRequest& request);
    void attach(const ncp::RequestHeader& header);
    void reply(const ncp::RequestHeader& header, std::uint8_t completion, std::uint8_t status,
               const ncp::Bytes& data = {});
    void send(ncp::Bytes frame);
    void write();
    void armIdleTimer();
    void onStationCleared();
    void refreshCaller();
    void closeAfterWriting();

    NcpServer& server_;
    sim::Server& modelServer_;
    asio::ip::tcp::socket socket_;
    asio::steady_timer idleTimer_;
    std::array<std::uint8_t, 16384> readBuffer_{};
    ncp::Bytes message_;  // the request being answered
    ncp::FrameReader reader_;
    std::deque<ncp::Bytes> outgoing_;
    std::size_t outgoingBytes_ = 0;
    bool writing_ = false;
    bool reading_ = false;
    bool closing_ = false;  // close once the queued replies are written
    bool closed_ = false;
    std::unique_ptr<ncp::TcpConversation> conversation_;

    sim::Station* station_ = nullptr;
    bool cleared_ = false;
    sim::Caller caller_;
    sim::Owner owner_ = 0;
    std::uint32_t replyBufferSize_ = 0;
    std::uint32_t peerIpv4_ = 0;
    std::uint16_t peerPort_ = 0;
    std::uint32_t localIpv4_ = 0;
    std::optional<ncp::LoginKey> loginKey_;
    bool signingAgreed_ = false;
    std::optional<ncp::PacketSigner> signer_;
    bool frameSigned_ = false;
};

}  // namespace nw::nwsimd
