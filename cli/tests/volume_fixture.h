// The volume commands on a small volume, with the test's own volume control on the test's
// network: JSON answers checked against the schema, and every connection, directory and file
// handle closed after each test.
//
//   \\FS1\SYS  PUBLIC\ (JSMITH: RF)  PUBLIC\LOGIN.EXE (RO, SH, owner JSMITH)  two deleted
//              "Old Notes.txt" in PUBLIC ("first", then "second one")
//              HOME\JSMITH\ (limit 400 KB)  DOCS\A.TXT  EMPTY\  README.TXT ("hello")
//              JSMITH limited to 1024 KB
//   \\FS1\DATA not mounted
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "errors.h"
#include "harness.h"
#include "netclient/testing/testnet.h"
#include "schemacheck.h"
#include "volctl/volmarra.h"

namespace varnook::cli::test {

inline constexpr const char* kVolumeNetwork = R"({
  "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1 } ] },
  "servers": [ {
    "name": "FS1", "users": ["ADMIN", "JSMITH", "GUEST"],
    "volumes": [
      { "name": "SYS",
        "blocks": { "total": 1000, "free": 400, "purgeable": 10, "sectorsPerBlock": 8 },
        "entries": [
          { "path": "PUBLIC", "trustees": [ { "object": "JSMITH", "rights": "RF" } ] },
          { "path": "PUBLIC\\LOGIN.EXE", "attributes": ["ReadOnly", "Shareable"],
            "owner": "JSMITH", "created": "2020-01-02T03:04:06" },
          { "path": "HOME\\JSMITH", "spaceLimit": 400 } ],
        "userRestrictions": [ { "user": "JSMITH", "limit": 1024 } ],
        "deletedFiles": [
          { "directory": "PUBLIC", "name": "Old Notes.txt", "content": "first",
            "modified": "2026-01-01T09:00:00" },
          { "directory": "PUBLIC", "name": "Old Notes.txt", "content": "second one",
            "modified": "2026-01-02T09:00:00" } ] },
      { "name": "DATA", "mounted": false } ] } ]
})";

inline std::vector<std::string> VolumeNetworkFiles() {
    return {"volumes/FS1/SYS/PUBLIC/LOGIN.EXE", "volumes/FS1/SYS/HOME/JSMITH/notes.txt",
            "volumes/FS1/SYS/DOCS/A.TXT", "volumes/FS1/SYS/EMPTY/", "volumes/FS1/DATA/"};
}

class VolumeCliTest : public ::testing::Test {
protected:
    VolumeCliTest() {
        cli.volumeControl = [this] { return volmarra::createControl(net.client()); };
        std::ofstream(disk("README.TXT")) << "hello";
    }

    void TearDown() override {
        EXPECT_EQ(net.client().openHandleCount(), 0u) << "connection handles left open";
        EXPECT_EQ(net.client().openDirHandleCount(), 0u) << "directory handles left";
        EXPECT_EQ(net.client().openFileHandleCount(), 0u) << "file handles left open";
    }

    // Runs `volume ARGS... --json`, checks the exit code and the document against the schema.
    nlohmann::json Json(std::vector<std::string> args, int expected = kExitOk) {
        args.insert(args.begin(), "volume");
        args.push_back("--json");
        const CliRun r = cli.run(args);
        EXPECT_EQ(r.code, expected) << r.err;
        const nlohmann::json doc = r.json();
        for (const std::string& p : SchemaProblems(CliSchema(), doc)) {
            ADD_FAILURE() << p;
        }
        return doc;
    }

    // Runs `volume ARGS...`, checks the exit code; answers standard error.
    std::string Err(std::vector<std::string> args, int expected) {
        args.insert(args.begin(), "volume");
        const CliRun r = cli.run(args);
        EXPECT_EQ(r.code, expected) << r.out << r.err;
        return r.err;
    }

    std::filesystem::path disk(const std::string& below) const {
        return net.folder() / "volumes" / "FS1" / "SYS" / below;
    }
    std::string content(const std::string& below) const {
        std::ifstream in(disk(below), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    nw::testnet::TestNetwork net{
        kVolumeNetwork,
        {"volumes/FS1/SYS/PUBLIC/LOGIN.EXE", "volumes/FS1/SYS/HOME/JSMITH/notes.txt",
         "volumes/FS1/SYS/DOCS/A.TXT", "volumes/FS1/SYS/EMPTY/", "volumes/FS1/DATA/"}};
    Harness cli{net.client()};
};

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace varnook::cli::test
