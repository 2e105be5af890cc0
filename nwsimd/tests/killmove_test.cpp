// nwsimd killed while clients move entries over the wire: on restart the state store settles
// what the kill cut short, so every entry is in one place with its metadata, and the journal is
// empty.
#include <sqlite3.h>

#include <atomic>
#include <nlohmann/json.hpp>

#include "entrypaths.h"
#include "loader.h"
#include "program.h"
#include "services.h"
#include "wirecalls.h"

namespace nw::nwsimd::testing {
namespace {

using namespace ncp;

constexpr const char* kMoveNetwork = R"({
  "workstation": {},
  "servers": [ { "name": "FS1",
    "users": [ { "name": "ADMIN", "password": "secret" }, "JSMITH" ], "supervisors": ["ADMIN"],
    "volumes": [ { "name": "DATA", "entries": [
      { "path": "A\\moving.txt", "attributes": ["Hidden"] },
      { "path": "A\\DIR1", "trustees": [ { "object": "JSMITH", "rights": "RF" } ] } ] } ] } ]
})";

// Where a name is found in A and B after the restart, and its record.
struct Found {
    int places = 0;
    NW_ENTRY_INFO record;
};

Found find(sim::ServerModel& model, const char* name) {
    Found found;
    sim::Server& server = *model.net().servers[0];
    for (const char* dir : {"DATA:A\\", "DATA:B\\"}) {
        std::string path = std::string(dir) + name;
        sim::Located at;
        if (sim::locateAlive(model.net(), server, path.c_str(), NW_NS_LONG, at) == SUCCESSFUL) {
            ++found.places;
            sim::entryRecord(server, *at.volume, *at.entry, NW_NS_LONG, found.record);
        }
    }
    return found;
}

std::string journalRows(const fs::path& state) {
    sqlite3* db = nullptr;
    std::string rows = "?";
    if (sqlite3_open((state / "volumes.sqlite").c_str(), &db) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM journal", -1, &stmt, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            rows = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return rows;
}

TEST(NwsimdKilled, InTheMiddleOfMovesTheStateStaysSound) {
    ScratchFolder scratch;
    scratch.add("net/volumes/FS1/DATA/A/moving.txt", "payload");
    scratch.add("net/volumes/FS1/DATA/A/DIR1/inside.txt", "inside");
    scratch.add("net/volumes/FS1/DATA/B/");
    scratch.add("net/moves.json", kMoveNetwork);
    const fs::path network = scratch.path() / "net/moves.json";
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::atomic<int> moves = 0;
        {
            Program nwsimd(scratch, {network.string()});
            ASSERT_TRUE(nwsimd.output(1).has_value()) << nwsimd.errors();
            auto runtime = nlohmann::json::parse(readFile(nwsimd.runtime() / "moves.servers.json"));
            std::uint16_t port = runtime["servers"][0]["port"];
            std::thread mover([&] {
                WireClient admin(port);
                if (!admin.attach() || admin.login("ADMIN", "secret") != 0)
                    return;
                auto move = [&](const char* from, const char* to) {
                    return admin
                        .call<call::RenameEntry>(
                            {kLong, 0, 0x8006, volumePath(from), volumePath(to)})
                        .completion;
                };
                // Back and forth until the server is gone; from wherever a restart left them.
                for (int i = 0;; ++i) {
                    bool inA = i % 2 == 0;
                    std::uint8_t a = move(inA ? "DATA:A\\moving.txt" : "DATA:B\\moving.txt",
                                          inA ? "DATA:B\\moving.txt" : "DATA:A\\moving.txt");
                    std::uint8_t b = move(inA ? "DATA:A\\DIR1" : "DATA:B\\DIR1",
                                          inA ? "DATA:B\\DIR1" : "DATA:A\\DIR1");
                    if (a == 0xFF && b == 0xFF)
                        return;  // no answer: the server was killed
                    ++moves;
                }
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(120 + 90 * round));
            nwsimd.signal(SIGKILL);
            EXPECT_EQ(nwsimd.wait(), -1);
            mover.join();
        }
        EXPECT_GT(moves.load(), 0);

        // The restart: opening the store settles what the kill interrupted.
        auto model = std::make_unique<sim::ServerModel>(
            sim::loadNetwork(readFile(network), network.parent_path(), "moves.json"));
        ASSERT_NE(model->store(), nullptr) << model->storeError();
        Found file = find(*model, "moving.txt");
        EXPECT_EQ(file.places, 1);
        EXPECT_NE(file.record.attributes & A_HIDDEN, 0u);
        Found dir = find(*model, "DIR1");
        EXPECT_EQ(dir.places, 1);
        EXPECT_EQ(journalRows(network.parent_path() / "state"), "0");
        model.reset();
    }
}

}  // namespace
}  // namespace nw::nwsimd::testing
