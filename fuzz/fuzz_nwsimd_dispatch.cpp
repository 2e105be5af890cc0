// Fuzzes nwsimd's request dispatch: a session of a served test network, attached and logged in
// (as a supervisor or an ordinary user, by the first byte), receives a run of requests built
// from the input and answers each from the server model. The input is records of
// function, subfunction, LE16 length and that many bytes of request data (after the
// subfunction). Whatever comes, nothing may crash, hang or reach outside the volumes.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>

#include "loader.h"
#include "ncp/frame.h"
#include "ncp/header.h"
#include "server.h"
#include "servermodel.h"
#include "session.h"

namespace {

namespace fs = std::filesystem;
using namespace nw;

constexpr const char* kNetwork = R"({
  "workstation": {},
  "trees": [ { "name": "FUZZTREE", "objects": [] } ],
  "servers": [ { "name": "FS1", "version": [4, 11, 0], "maxConnections": 16,
    "tree": "FUZZTREE", "directoryName": "FS1.OU",
    "users": [ "ADMIN", "JSMITH" ], "supervisors": ["ADMIN"],
    "volumes": [ { "name": "SYS" },
                 { "name": "DATA", "entries": [
                   { "path": "DIR", "trustees": [ { "object": "JSMITH", "rights": "RF" } ] } ] } ],
    "connections": [
      { "number": 2, "user": "JSMITH",
        "openFiles": [ { "path": "DATA:DIR\\A.TXT", "locks": [ { "start": 0, "end": 9 } ] } ] },
      { "number": 3 } ] } ]
})";

struct Served {
    Served() {
        std::string pattern = (fs::temp_directory_path() / "fuzz-nwsimd-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        for (const char* file :
             {"volumes/FS1/DATA/DIR/A.TXT", "volumes/FS1/DATA/DIR/Long Name.doc",
              "volumes/FS1/DATA/DIR/SUB/B.TXT", "volumes/FS1/SYS/PUBLIC/L.EXE"}) {
            fs::create_directories((folder / file).parent_path());
            std::ofstream(folder / file) << "data";
        }
        model = std::make_unique<sim::ServerModel>(sim::loadNetwork(kNetwork, folder, "fuzz.json"));
        model->store();
        nwsimd::ServerOptions options;
        options.log = [](const std::string&) {};
        server = std::make_unique<nwsimd::NcpServer>(io, *model, options);
    }
    ~Served() {
        server.reset();
        model.reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    fs::path folder;
    asio::io_context io;
    std::unique_ptr<sim::ServerModel> model;
    std::unique_ptr<nwsimd::NcpServer> server;
};

ncp::Bytes framed(const ncp::RequestHeader& header, ncp::ByteView data) {
    return ncp::frameRequest(ncp::encodeRequest(header, data), 65536);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Served* served = new Served;  // lives as long as the process
    if (size < 1)
        return 0;
    sim::Server& server = *served->model->net().servers[0];
    auto session = std::make_shared<nwsimd::Session>(*served->server, server,
                                                     asio::ip::tcp::socket(served->io));
    std::uint8_t sequence = 0;
    ncp::RequestHeader create{.type = ncp::type::kCreateConnection, .connection = 0xFFFF};
    session->receive(framed(create, {}));
    sim::Station* station = session->station();
    if (station == nullptr)
        return 0;  // the table is full (a run cleared nothing but attached many): try again
    const char* user = (data[0] & 1) != 0 ? "ADMIN" : "JSMITH";
    if (const sim::BinderyObject* object = served->model->objectNamed(server, user, OT_USER))
        session->loggedIn(*object);
    std::size_t at = 1;
    while (at + 4 <= size && session->station() != nullptr) {
        ncp::RequestHeader header;
        header.sequence = ++sequence;
        header.connection = station->number;
        header.function = data[at];
        header.subfunction = data[at + 1];
        std::size_t length = data[at + 2] | static_cast<std::size_t>(data[at + 3]) << 8;
        at += 4;
        length = std::min(length, size - at);
        session->receive(framed(header, ncp::ByteView(data + at, length)));
        at += length;
    }
    session->close();
    served->io.poll();
    served->io.restart();
    return 0;
}
