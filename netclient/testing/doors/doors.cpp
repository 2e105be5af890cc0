// The two doors of a test network (see doors.h).
#include "netclient/testing/doors.h"

#include <sys/stat.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "loader.h"
#include "ncp/testing/tshark.h"
#include "netclient/testing/testnet.h"
#include "runtime.h"
#include "serverthread.h"
#include "wire/wireclient.h"

namespace nw::testnet {

namespace fs = std::filesystem;

std::string doorName(const ::testing::TestParamInfo<Door>& info) {
    return info.param == Door::Wire ? "Wire" : "InProcess";
}

NWCONN_HANDLE DoorNetwork::open(NWCONN_REF ref) {
    NWCONN_HANDLE handle = 0;
    EXPECT_EQ(client().NWCCOpenConnByRef(ref, NWCC_OPEN_LICENSED, 0, &handle), SUCCESSFUL);
    return handle;
}

namespace {

class InProcessDoor final : public DoorNetwork {
public:
    InProcessDoor(std::string_view json, const std::vector<std::string>& files)
        : net_(json, files) {}
    Door door() const override { return Door::InProcess; }
    Client& client() override { return net_.client(); }
    std::size_t openHandleCount() override { return net_.client().openHandleCount(); }
    std::size_t openDirHandleCount() override { return net_.client().openDirHandleCount(); }
    std::size_t openFileHandleCount() override { return net_.client().openFileHandleCount(); }
    std::size_t serverHeldHandles() override {
        return net_.client().openDirHandleCount() + net_.client().openFileHandleCount();
    }
    const fs::path& folder() const override { return net_.folder(); }
    nuint16 ownStation(NWCONN_REF ref) override {
        const sim::WsConnection* c = net_.client().network().connectionByRef(ref);
        return c != nullptr && c->station != nullptr ? c->station->number : 0;
    }

private:
    TestNetwork net_;
};

class WireDoor final : public DoorNetwork {
public:
    WireDoor(std::string_view json, const std::vector<std::string>& files) : scratch_(files) {
        auto model = std::make_unique<sim::ServerModel>(
            sim::loadNetwork(json, scratch_.path(), "network.json"));
        wire::WorkstationConfig workstation;
        workstation.codePage = model->net().codePage.name();
        for (const auto& c : model->net().connections) {
            const sim::Station* station = c->station;
            workstation.connections.push_back(
                {c->server->name,
                 {"127.0.0.1", 0},
                 station != nullptr && station->object != nullptr ? station->object->name : ""});
        }
        for (int d = 1; d <= 26; ++d) {
            if (const auto& drive = model->net().drives[d]) {
                workstation.drives.push_back(
                    driveOf(static_cast<char>('A' + d - 1), drive->target));
            }
        }
        std::ostringstream passwords;
        for (const nwsimd::GivenPassword& p : nwsimd::givePasswords(*model)) {
            passwords << p.server << ' ' << p.user << ' ' << p.password << '\n';
        }
        model->dropWorkstationStations();
        EXPECT_NE(model->store(), nullptr) << model->storeError();
        nwsimd::ServerOptions options;
        options.capture = scratch_.path() / "traffic.pcap";
        options.log = [](const std::string&) {};
        server_ = std::make_unique<nwsimd::ServerThread>(std::move(model), options);
        for (wire::WorkstationConnection& c : workstation.connections) {
            c.address.port = server_->port(c.server);
        }
        const fs::path passwordFile = scratch_.write("passwords", passwords.str());
        ::chmod(passwordFile.c_str(), 0600);
        workstation.passwordFile = passwordFile;
        writeWorkstationFile(workstation);
        workstation_ = workstation;
        client_ = std::make_unique<wire::WireClient>(
            std::move(workstation), std::make_unique<wire::PasswordFile>(passwordFile));
    }
    ~WireDoor() override {
        client_.reset();  // the sessions end before the server does
        server_.reset();
    }

    Door door() const override { return Door::Wire; }
    Client& client() override { return *client_; }
    std::size_t openHandleCount() override { return client_->openHandleCount(); }
    std::size_t openDirHandleCount() override { return client_->openDirHandleCount(); }
    std::size_t openFileHandleCount() override { return client_->openFileHandleCount(); }
    std::size_t serverHeldHandles() override {
        std::size_t held = 0;
        if (!stopped_) {
            server_->run([&](nwsimd::NcpServer&, sim::ServerModel& model) {
                held = model.services().dirHandleCount + model.services().files.size();
            });
        }
        return held;
    }
    const fs::path& folder() const override { return scratch_.path(); }
    nuint16 ownStation(NWCONN_REF ref) override {
        if (client_->ownConnectionNumber(ref) == 0) {
            NWCONN_HANDLE handle = 0;
            if (client_->NWCCOpenConnByRef(ref, NWCC_OPEN_LICENSED, 0, &handle) != SUCCESSFUL) {
                return 0;
            }
            client_->NWCCCloseConn(handle);
        }
        return client_->ownConnectionNumber(ref);
    }
    // Ends the conversation first (the client's sessions, then the server, which closes its
    // capture), so that Wireshark sees it whole. NCP_KEEP_CAPTURES=1 keeps the capture.
    std::vector<std::string> trafficComplaints() override {
        std::vector<std::string> lines;
        client_.reset();
        stopServer();
        const fs::path capture = scratch_.path() / "traffic.pcap";
        if (std::getenv("NCP_KEEP_CAPTURES") != nullptr) {
            const fs::path kept =
                fs::temp_directory_path() /
                ("wire-" + std::to_string(::getpid()) + "-" + std::to_string(++kept_) + ".pcap");
            std::error_code ec;
            fs::copy_file(capture, kept, fs::copy_options::overwrite_existing, ec);
        }
        if (!ncp::testing::tsharkAvailable()) {
            return lines;
        }
        for (const nwsimd::Endpoint& endpoint : server_->endpoints()) {
            const ncp::testing::TsharkReport report =
                ncp::testing::tsharkReport(capture.string(), endpoint.port);
            if (!report.ran) {
                lines.push_back("tshark failed: " + report.errors);
            }
            lines.insert(lines.end(), report.lines.begin(), report.lines.end());
        }
        return lines;
    }
    void stopServer() override {
        server_->stop();
        stopped_ = true;
    }
    std::uint64_t roundTrips() override { return client_ ? client_->roundTrips() : 0; }
    std::unique_ptr<Client> anotherWorkstation() override {
        return std::make_unique<wire::WireClient>(
            workstation_, std::make_unique<wire::PasswordFile>(*workstation_.passwordFile));
    }
    fs::path workstationFile() const override { return scratch_.path() / "workstation.json"; }

private:
    // The workstation as a file (UTF-8 names; the code page is a single-byte one).
    void writeWorkstationFile(const wire::WorkstationConfig& ws) {
        auto quote = [](const std::string& text) {
            std::string out = "\"";
            for (char c : text) {
                if (c == '\\' || c == '"') {
                    out += '\\';
                }
                out += c;
            }
            return out + "\"";
        };
        auto utf8 = [](const std::string& latin) {
            std::string out;
            for (unsigned char c : latin) {
                if (c < 0x80) {
                    out += static_cast<char>(c);
                } else {
                    out += static_cast<char>(0xC0 | (c >> 6));
                    out += static_cast<char>(0x80 | (c & 0x3F));
                }
            }
            return out;
        };
        std::ostringstream json;
        json << "{ \"codePage\": " << quote(ws.codePage)
             << ", \"passwordFile\": " << quote(ws.passwordFile->string())
             << ",\n  \"connections\": [";
        for (std::size_t i = 0; i < ws.connections.size(); ++i) {
            const wire::WorkstationConnection& c = ws.connections[i];
            json << (i ? ",\n    " : "\n    ") << "{ \"server\": " << quote(utf8(c.server))
                 << ", \"address\": " << quote(c.address.text());
            if (!c.user.empty()) {
                json << ", \"user\": " << quote(utf8(c.user));
            }
            json << " }";
        }
        json << " ],\n  \"drives\": [";
        for (std::size_t i = 0; i < ws.drives.size(); ++i) {
            json << (i ? ", " : "") << "{ \"letter\": \"" << ws.drives[i].letter
                 << "\", \"target\": " << quote(utf8(ws.drives[i].target)) << " }";
        }
        json << "] }\n";
        scratch_.write("workstation.json", json.str());
    }

    static wire::WorkstationDrive driveOf(char letter, const std::string& target) {
        wire::WorkstationDrive d;
        d.letter = letter;
        d.target = target;
        std::string rest = target.substr(2);
        const std::size_t serverEnd = rest.find('\\');
        d.server = rest.substr(0, serverEnd);
        rest = rest.substr(serverEnd + 1);
        const std::size_t volumeEnd = rest.find('\\');
        d.volume = rest.substr(0, volumeEnd);
        d.path = volumeEnd == std::string::npos ? "" : rest.substr(volumeEnd + 1);
        return d;
    }

    static inline int kept_ = 0;
    ScratchFolder scratch_;
    std::unique_ptr<nwsimd::ServerThread> server_;
    bool stopped_ = false;
    wire::WorkstationConfig workstation_;
    std::unique_ptr<wire::WireClient> client_;
};

}  // namespace

std::unique_ptr<DoorNetwork> DoorNetwork::open(Door door, std::string_view json,
                                               const std::vector<std::string>& files) {
    if (door == Door::Wire) {
        return std::make_unique<WireDoor>(json, files);
    }
    return std::make_unique<InProcessDoor>(json, files);
}

}  // namespace nw::testnet
