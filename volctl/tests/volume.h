// A simulated server FS1 with a few volumes, and a control named \\FS1\SYS logged in as one
// user: ADMIN (supervisor), JSMITH (trustee in places) or GUEST (no rights but one).
//
//   SYS:  PUBLIC\ (JSMITH: Read, Scan)       PUBLIC\LOGIN.EXE (read-only, shareable, owner JSMITH)
//         PUBLIC\Long Name Document.txt      PUBLIC: two deleted files "Old Notes.txt"
//         HOME\JSMITH\ (JSMITH: RWCEMF, 400 KB)  HOME\JSMITH\notes.txt
//         DOCS\A.TXT (GUEST: Create only: it sees the file and its folder, nothing more)
//         DOCS\SUB\B.TXT                      EMPTY\            README.TXT
//         blocks: 1000 total, 400 free, 10 purgeable, 8 sectors (4 KB) per block, 6 bad sectors
//         JSMITH restricted to 1024 KB
//   DATA: not mounted      DOSV: DOS name space only
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "netclient/testing/testnet.h"
#include "script.h"
#include "volctl/volmarra.h"

namespace volmarra::testing {

inline std::string volumeNetwork(const std::string& user) {
    return R"({
  "workstation": { "connections": [ { "server": "FS1", "user": ")" +
           user + R"(", "station": 1, "consoleOperator": )" + (user == "ADMIN" ? "true" : "false") +
           R"( } ] },
  "servers": [ {
    "name": "FS1", "users": ["ADMIN", "JSMITH", "GUEST"],
    "volumes": [
      { "name": "SYS", "removable": true,
        "blocks": { "total": 1000, "free": 400, "purgeable": 10, "sectorsPerBlock": 8,
                    "badSectors": 6 },
        "entries": [
          { "path": "PUBLIC", "trustees": [ { "object": "JSMITH", "rights": "RF" } ] },
          { "path": "PUBLIC\\LOGIN.EXE", "attributes": ["ReadOnly", "Shareable"],
            "owner": "JSMITH", "created": "2020-01-02T03:04:06" },
          { "path": "HOME\\JSMITH", "spaceLimit": 400,
            "trustees": [ { "object": "JSMITH", "rights": "RWCEMF" } ] },
          { "path": "DOCS\\A.TXT", "trustees": [ { "object": "GUEST", "rights": "C" } ] } ],
        "userRestrictions": [ { "user": "JSMITH", "limit": 1024 } ],
        "deletedFiles": [
          { "directory": "PUBLIC", "name": "Old Notes.txt", "content": "first",
            "deletedBy": "JSMITH", "deleted": "2026-01-01T10:00:00" },
          { "directory": "PUBLIC", "name": "Old Notes.txt", "content": "second one",
            "deletedBy": "JSMITH", "deleted": "2026-01-02T10:00:00" } ] },
      { "name": "DATA", "mounted": false },
      { "name": "DOSV", "nameSpaces": [0] } ] } ]
})";
}

inline std::vector<std::string> volumeFiles() {
    return {"volumes/FS1/SYS/PUBLIC/LOGIN.EXE",
            "volumes/FS1/SYS/PUBLIC/Long Name Document.txt",
            "volumes/FS1/SYS/HOME/JSMITH/notes.txt",
            "volumes/FS1/SYS/DOCS/A.TXT",
            "volumes/FS1/SYS/DOCS/SUB/B.TXT",
            "volumes/FS1/SYS/EMPTY/",
            "volumes/FS1/SYS/README.TXT",
            "volumes/FS1/DATA/",
            "volumes/FS1/DOSV/README.TXT",
            "volumes/FS1/DOSV/Long Name.txt"};
}

// The network, a control on \\FS1\SYS, and a check at the end that every connection, directory
// and file handle the objects opened was released.
class VolumeFixture : public ::testing::Test {
protected:
    explicit VolumeFixture(const std::string& user = "ADMIN")
        : net(volumeNetwork(user), volumeFiles()) {}

    void SetUp() override { control = named(u"\\\\FS1\\SYS"); }
    void TearDown() override {
        control.reset();
        EXPECT_EQ(net.client().openHandleCount(), 0u) << "connection handles left open";
        EXPECT_EQ(net.client().openDirHandleCount(), 0u) << "directory handles left";
        EXPECT_EQ(net.client().openFileHandleCount(), 0u) << "file handles left open";
    }

    ComPtr<IDispatch> named(std::u16string_view fullName) {
        ComPtr<IDispatch> c = createControl(net.client());
        put(c, u"FullName", Variant(fullName));
        return c;
    }
    // The entry of a path below the volume root ("" is the root).
    ComPtr<IDispatch> entry(std::u16string_view below) {
        if (below.empty()) {
            return getObject(control, u"Root");
        }
        return getObject(control, u"FindEntry",
                         {Variant(u"\\\\FS1\\SYS\\" + std::u16string(below))});
    }
    std::filesystem::path disk(const std::string& below) const {
        return net.folder() / "volumes" / "FS1" / "SYS" / below;
    }
    std::string content(const std::string& below) const {
        std::ifstream in(disk(below), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void write(const std::string& below, const std::string& text) const {
        std::ofstream(disk(below), std::ios::binary) << text;
    }

    nw::testnet::TestNetwork net;
    ComPtr<IDispatch> control;
};

class AsJsmith : public VolumeFixture {
protected:
    AsJsmith() : VolumeFixture("JSMITH") {}
};

class AsGuest : public VolumeFixture {
protected:
    AsGuest() : VolumeFixture("GUEST") {}
};

}  // namespace volmarra::testing
