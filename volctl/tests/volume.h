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
#include <memory>
#include <set>
#include <string>

#include "netclient/testing/doors.h"
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

// The tests whose traffic over the wire Wireshark checks: a few for each kind of call (volumes,
// entries, file data, salvage, trustees, space limits, directory services, refusals), as the
// check costs about a second a test. ("Suite.Test", as the test is named without its door.)
inline bool trafficChecked() {
    static const std::set<std::string> kChecked = {
        "ControlOnVolume.SpaceFiguresInKilobytes",
        "ControlOnVolume.UnmountedVolumeLoadsOnRequest",
        "Entries.AttributesAndDates",
        "Entries.AddCreatesDirectoriesAndEmptyFiles",
        "Entries.MoveRenamesAndMovesIntoDirectories",
        "Entries.CopyCopiesFilesAndWholeDirectories",
        "Entries.DeletedFilesHoldTheirRecords",
        "Files.ReadWriteAndSeek",
        "Files.PurgeAndSalvageActOnTheHeldDeletedFile",
        "Trustees.ListAddAndRemove",
        "SpaceLimits.ReadChangeAddRemove",
        "AsGuest.NobodyChangesWhatTheyMayNot",
        "DirectoryForm.ResolvesHostServerAndVolume",
        "NetworkTreeTest.TreesListContainersAndVolumeObjectsByClass",
    };
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string suite = test->test_suite_name();  // "Doors/Entries"
    std::string name = test->name();              // "AttributesAndDates/Wire"
    suite.erase(0, suite.find('/') + 1);
    name.erase(name.find('/'));
    return kChecked.count(suite + "." + name) != 0;
}

// Checks at the end of a test on a door's network: every connection, directory and file handle
// was released by the client and, over the wire, by the server for its sessions too; and, for
// the tests trafficChecked names, that Wireshark finds nothing wrong in the traffic.
inline void expectAllReleased(nw::testnet::DoorNetwork& net) {
    EXPECT_EQ(net.openHandleCount(), 0u) << "connection handles left open";
    EXPECT_EQ(net.openDirHandleCount(), 0u) << "directory handles left";
    EXPECT_EQ(net.openFileHandleCount(), 0u) << "file handles left open";
    EXPECT_EQ(net.serverHeldHandles(), 0u) << "the server still holds handles";
    if (trafficChecked()) {
        const std::vector<std::string> complaints = net.trafficComplaints();
        EXPECT_TRUE(complaints.empty()) << "Wireshark: " << complaints.front();
    }
}

// The network through a door (the test's parameter), a control on \\FS1\SYS, and the checks of
// expectAllReleased at the end.
class VolumeFixture : public ::testing::TestWithParam<nw::testnet::Door> {
protected:
    explicit VolumeFixture(const std::string& user = "ADMIN")
        : net(nw::testnet::DoorNetwork::open(GetParam(), volumeNetwork(user), volumeFiles())) {}

    void SetUp() override { control = named(u"\\\\FS1\\SYS"); }
    void TearDown() override {
        control.reset();
        expectAllReleased(*net);
    }
    bool overWire() const { return GetParam() == nw::testnet::Door::Wire; }

    ComPtr<IDispatch> named(std::u16string_view fullName) {
        ComPtr<IDispatch> c = createControl(net->client());
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
        return net->folder() / "volumes" / "FS1" / "SYS" / below;
    }
    std::string content(const std::string& below) const {
        std::ifstream in(disk(below), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void write(const std::string& below, const std::string& text) const {
        std::ofstream(disk(below), std::ios::binary) << text;
    }

    std::unique_ptr<nw::testnet::DoorNetwork> net;
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
