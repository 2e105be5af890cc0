// The network the volume control operations' tests share: a server in a tree with a supervisor
// (ADMIN), a user with trustee rights in places (JSMITH, also a User of the tree) and one without
// any (GUEST), entry metadata, a user restriction and a deleted file.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "netclient/sim/simclient.h"
#include "netclient/testing/testnet.h"

namespace nw::testnet {

inline constexpr const char* kVolumeNetwork = R"({
  "workstation": {
    "connections": [
      { "server": "FS1", "user": "ADMIN", "station": 1, "consoleOperator": true,
        "directoryAuthenticated": true },
      { "server": "FS1", "user": "JSMITH", "station": 2 },
      { "server": "FS1", "user": "GUEST", "station": 3 },
      { "server": "FS2", "user": "BOSS", "station": 4 } ]
  },
  "servers": [
    { "name": "FS1", "tree": "ACME_TREE", "directoryName": "FS1.SALES.ACME",
      "users": ["ADMIN", "JSMITH", "GUEST", { "name": "MBROWN", "id": 4660 }],
      "volumes": [
        { "name": "SYS", "removable": true,
          "blocks": { "total": 1000, "free": 400, "purgeable": 10, "badSectors": 6 },
          "entries": [
            { "path": "PUBLIC", "trustees": [ { "object": "SALES.ACME", "rights": "RF" } ] },
            { "path": "PUBLIC\\LOGIN.EXE", "attributes": ["ReadOnly", "Shareable"],
              "owner": "JSMITH", "created": "2020-01-02T03:04:06" },
            { "path": "HOME", "inheritedRights": "F" },
            { "path": "HOME\\JSMITH", "spaceLimit": 400,
              "trustees": [ { "object": "JSMITH", "rights": "RWCEMF" } ] } ],
          "userRestrictions": [ { "user": "JSMITH", "limit": 1024 } ],
          "deletedFiles": [ { "directory": "PUBLIC", "name": "Old Notes.txt", "content": "old",
                              "deletedBy": "JSMITH", "deleted": "2026-01-01T10:00:00" } ] },
        { "name": "DATA", "mounted": false },
        { "name": "DOS", "nameSpaces": [0] } ] },
    { "name": "FS2", "users": ["BOSS"], "supervisors": [], "volumes": [ { "name": "SYS" } ] }
  ],
  "trees": [ { "name": "ACME_TREE", "objects": [
      { "name": "SALES.ACME", "class": "Organizational Unit" },
      { "name": "JSMITH.SALES.ACME", "class": "User", "id": 777 },
      { "name": "ADMIN.SALES.ACME", "class": "User" },
      { "name": "FS1_SYS.SALES.ACME", "class": "Volume",
        "attributes": { "Host Server": "FS1.SALES.ACME", "Host Resource Name": "SYS" } },
      { "name": "NOHOST.SALES.ACME", "class": "Volume" } ] } ]
})";

inline std::vector<std::string> volumeNetworkFiles() {
    return {"volumes/FS1/SYS/PUBLIC/LOGIN.EXE",
            "volumes/FS1/SYS/HOME/JSMITH/notes.txt",
            "volumes/FS1/SYS/HOME/MBROWN/",
            "volumes/FS1/SYS/readme.txt",
            "volumes/FS1/DATA/",
            "volumes/FS1/DOS/README.TXT",
            "volumes/FS1/DOS/Long Name.txt",
            "volumes/FS2/SYS/"};
}

// References of the workstation's connections in kVolumeNetwork.
inline constexpr NWCONN_REF kAdmin = 1;   // supervisor of FS1
inline constexpr NWCONN_REF kJsmith = 2;  // trustee in places
inline constexpr NWCONN_REF kGuest = 3;   // no rights
inline constexpr NWCONN_REF kBoss = 4;    // FS2, not a supervisor there

// A fixture with one handle per user, closed (and every handle counted) at the end.
class VolumeTest : public ::testing::Test {
public:
    void SetUp() override { openHandles(); }
    void TearDown() override {
        closeHandles();
        EXPECT_EQ(net.client().openHandleCount(), 0u);
        EXPECT_EQ(net.client().openDirHandleCount(), 0u);
        EXPECT_EQ(net.client().openFileHandleCount(), 0u);
    }
    void openHandles() {
        admin = net.open(kAdmin);
        jsmith = net.open(kJsmith);
        guest = net.open(kGuest);
    }
    void closeHandles() {
        for (NWCONN_HANDLE h : {admin, jsmith, guest})
            net.client().NWCCCloseConn(h);
    }
    // A restart of the program: the network is loaded again from the same folder.
    void restart() {
        closeHandles();
        net.reload();
        openHandles();
    }

    NW_ENTRY_INFO info(const char* path, NWCONN_HANDLE as = 0, nuint8 nameSpace = NW_NS_LONG) {
        NW_ENTRY_INFO record;
        EXPECT_EQ(sim().GetEntryInfo(as != 0 ? as : admin, nameSpace, SA_ANY, path, &record),
                  SUCCESSFUL)
            << path;
        return record;
    }
    nuint16 rights(NWCONN_HANDLE as, const char* path) {
        nuint16 r = 0xFFFF;
        EXPECT_EQ(sim().GetEffectiveRights(as, NW_NS_LONG, path, &r), SUCCESSFUL) << path;
        return r;
    }
    std::string read(const std::string& relative) {
        std::ifstream in(net.folder() / relative, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool exists(const std::string& relative) {
        return std::filesystem::exists(net.folder() / relative);
    }
    sim::SimClient& sim() { return net.client(); }

    TestNetwork net{kVolumeNetwork, volumeNetworkFiles()};
    NWCONN_HANDLE admin = 0, jsmith = 0, guest = 0;
};

}  // namespace nw::testnet
