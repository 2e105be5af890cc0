// The query scans against simulated networks built in code: users of a file, files of a
// connection, all open files and all connections.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/appstate.h"
#include "core/connfiles.h"
#include "core/connhandle.h"
#include "core/fileusers.h"
#include "core/serverwalks.h"
#include "netclient/fault.h"
#include "netclient/testing/doors.h"
#include "netclient/testing/testnet.h"

namespace varnook {
namespace {

constexpr char kNetwork[] = R"({
  "workstation": { "drives": [ { "letter": "F", "target": "\\\\FS1\\SYS" } ],
                   "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1 } ] },
  "servers": [ { "name": "FS1", "maxConnections": 40010,
    "volumes": [ { "name": "SYS" }, { "name": "OLD", "nameSpaces": [0] } ],
    "connections": [
      { "number": 0, "user": "ZERO", "openFiles": [ { "path": "SYS:readme.txt" } ] },
      { "number": 5 },
      { "number": 7, "user": "PSERVER", "type": "print server",
        "openFiles": [ { "path": "SYS:readme.txt" } ] },
      { "number": 12, "user": "JSMITH", "openFiles": [
          { "path": "SYS:DATA\\Quarterly Report.xls",
            "locks": [ { "start": 0, "end": 9 }, { "start": 20, "end": 29 } ] },
          { "path": "SYS:readme.txt" } ] },
      { "number": 14, "user": "MBROWN", "status": "authenticated",
        "openFiles": [ { "path": "SYS:DATA\\Quarterly Report.xls" } ] },
      { "number": 20, "user": "IDLE" },
      { "number": 40000, "user": "FARAWAY", "openFiles": [ { "path": "OLD:LEDGER.DBF" } ] }
    ] } ]
})";

const std::vector<std::string> kFiles = {"volumes/FS1/SYS/readme.txt", "volumes/FS1/SYS/free.txt",
                                         "volumes/FS1/SYS/DATA/Quarterly Report.xls",
                                         "volumes/FS1/OLD/LEDGER.DBF"};

struct RecordingLog : QueryLog {
    bool debugOn() const override { return true; }
    void debug(const std::string& text) override { debugLines.push_back(text); }
    bool outputOn() const override { return true; }
    void output(const std::string& text) override { outputLines.push_back(text); }
    std::vector<std::string> debugLines, outputLines;
};

struct Users : FileUsersSink {
    void trace(const std::string& text, bool restart) override {
        traced = restart ? text : traced + text;
    }
    void user(const FileUser& u) override { rows.push_back(u.RowText()); }
    std::string traced;
    std::vector<std::string> rows;
};

struct Files : OpenFilesSink {
    void file(const OpenFileRow& row) override {
        rows.push_back(row.fileText + "|" + row.LocksText());
    }
    std::vector<std::string> rows;
};

// Stops once it has been asked `budget` times.
struct StopAfter : ScanControl {
    explicit StopAfter(int budget) : left(budget) {}
    bool keepGoing() override { return left-- > 0; }
    int left;
};

// Each query runs through both doors of the network: in-process and over the wire to nwsimd.
class Queries : public ::testing::TestWithParam<nw::testnet::Door> {
protected:
    Queries() : net(nw::testnet::DoorNetwork::open(GetParam(), kNetwork, kFiles)) {}
    ~Queries() override {
        EXPECT_EQ(net->openHandleCount(), 0u) << "a handle was left open";
        const std::vector<std::string> complaints = net->trafficComplaints();
        EXPECT_TRUE(complaints.empty()) << "Wireshark: " << complaints.front();
    }

    FileUsersResult usersOf(nw::Client& client, const std::string& path, Users& users,
                            QueryLog& log = NoQueryLog()) {
        ConnHandle conn(client, 1);
        EXPECT_TRUE(conn.ok());
        return GetConnsUsingFile(client, conn.get(), path, users, log);
    }
    FilesByConnResult filesOf(nw::Client& client, uint16_t number, Files& files,
                              QueryLog& log = NoQueryLog()) {
        ConnHandle conn(client, 1);
        return GetFilesByConn(client, conn.get(), number, files, log);
    }

    std::unique_ptr<nw::testnet::DoorNetwork> net;
};

INSTANTIATE_TEST_SUITE_P(Doors, Queries, nw::testnet::kBothDoors, nw::testnet::doorName);

TEST_P(Queries, UsersOfAFileInTheDosNameSpaceWithTheFirstCountAndTheTrace) {
    Users users;
    RecordingLog log;
    const FileUsersResult r =
        usersOf(net->client(), "SYS:\\DATA\\Quarterly Report.xls", users, log);
    EXPECT_EQ(r.end, FileUsersResult::End::Listed);
    EXPECT_EQ(r.reportedCount, 2);
    // The authenticated station answers 0x897D: its row stays, with the error text.
    EXPECT_EQ(users.rows, (std::vector<std::string>{" 12  JSMITH", " 14  <Error getting ID>"}));
    EXPECT_EQ(r.StatusText(), " 2 users have file open");
    EXPECT_EQ(users.traced, "Init.  0- 0- 35327-");
    EXPECT_EQ(log.outputLines,
              (std::vector<std::string>{"\t 12  JSMITH", "\t 14  <Error getting ID>"}));
    EXPECT_EQ(log.debugLines.front(), "NWScanConnectionsUsingFile returned:  0");
    EXPECT_NE(std::find(log.debugLines.begin(), log.debugLines.end(),
                        "User name: JSMITH  conn number: 12"),
              log.debugLines.end());
}

TEST_P(Queries, NobodyHasTheFileOpen) {
    Users users;
    const FileUsersResult r = usersOf(net->client(), "SYS:\\free.txt", users);
    EXPECT_EQ(r.end, FileUsersResult::End::Listed);
    EXPECT_TRUE(users.rows.empty());
    EXPECT_EQ(r.StatusText(), " 0 users have file open");
}

TEST_P(Queries, AFailedTranslationScansNothing) {
    nw::FaultInjectingClient faulty(net->client());
    Users users;
    FileUsersResult r = usersOf(faulty, "SYS:\\no such file", users);
    EXPECT_EQ(r.end, FileUsersResult::End::TranslationFailed);
    EXPECT_EQ(r.StatusText(), "Couldn't count connections");
    faulty.fail(nw::Op::NWGetLongName, nw::FAILURE);
    r = usersOf(faulty, "SYS:\\readme.txt", users);
    EXPECT_EQ(r.end, FileUsersResult::End::TranslationFailed);
    EXPECT_EQ(faulty.calls(nw::Op::NWScanConnectionsUsingFile), 0);
    // A volume without long names holds DOS names only: the path is scanned as it stands.
    r = usersOf(faulty, "OLD:\\LEDGER.DBF", users);
    EXPECT_EQ(r.end, FileUsersResult::End::Listed);
    EXPECT_EQ(users.rows, (std::vector<std::string>{" 40000  FARAWAY"}));
}

TEST_P(Queries, AScanThatFailsMidwayKeepsItsRowsAndTheFirstCount) {
    nw::FaultInjectingClient faulty(net->client());
    faulty.replace<nw::Op::NWScanConnectionsUsingFile>(
        [&](nw::NWCONN_HANDLE c, nw::NWDIR_HANDLE d, const char* p, nw::nint16* iter,
            nw::CONN_USING_FILE* use, nw::CONNS_USING_FILE* used) {
            if (*iter == 1) {
                used->connCount = 9;  // a later call's count is not the one reported
                return nw::FAILURE;   // the handle stays at 1: a failure, not the end
            }
            return faulty.inner().NWScanConnectionsUsingFile(c, d, p, iter, use, used);
        });
    Users users;
    const FileUsersResult r = usersOf(faulty, "SYS:\\DATA\\Quarterly Report.xls", users);
    EXPECT_EQ(r.end, FileUsersResult::End::ScanFailed);
    EXPECT_EQ(r.reportedCount, 2);
    EXPECT_EQ(users.rows.size(), 1u);
    EXPECT_EQ(r.StatusText(), "Couldn't count connections");
}

TEST_P(Queries, UserTablesGrowPastTwoThousandAndKeepOlderEntries) {
    AppState s;
    for (size_t k = 1; k <= 2500; ++k) {
        StoreUserEntry(s.UserNames, s.UserConnNumbers, k, "U" + std::to_string(k),
                       static_cast<uint16_t>(k + 40000));
    }
    EXPECT_EQ(s.UserNames[2500], FixedWidthName("U2500"));
    EXPECT_EQ(s.UserConnNumbers[2500], 42500);
    StoreUserEntry(s.UserNames, s.UserConnNumbers, 1, std::string(50, 'N'), 3);
    EXPECT_EQ(s.UserNames[1], std::string(40, 'N'));
    EXPECT_EQ(s.UserNames[2], FixedWidthName("U2"));  // an earlier query's entry stays
    EXPECT_EQ(s.UserNames[2].size(), 40u);
}

TEST_P(Queries, FilesOfAConnectionWithLongNamesLocksAndLogs) {
    Files files;
    RecordingLog log;
    nw::FaultInjectingClient counted(net->client());
    const FilesByConnResult r = filesOf(counted, 12, files, log);
    // One lock scan call per file: the server ends each scan at once.
    EXPECT_EQ(counted.calls(nw::Op::NWScanPhysicalLocksByFile), 2);
    EXPECT_FALSE(r.scanFailed);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(files.rows, (std::vector<std::string>{"SYS:\\DATA\\Quarterly Report.xls| 2",
                                                    "SYS:\\readme.txt|"}));
    EXPECT_EQ(log.outputLines, (std::vector<std::string>{"\tSYS:\\DATA\\Quarterly Report.xls",
                                                         "\tSYS:\\readme.txt"}));
    EXPECT_NE(
        std::find(log.debugLines.begin(), log.debugLines.end(), "Path: SYS:\\DATA\\QUARTE~1.XLS"),
        log.debugLines.end());
    // The translated folder is logged as the whole buffer stands: text, NUL, the blanks left.
    std::string buffer(255, ' ');
    buffer.replace(0, 10, std::string("SYS:\\DATA\0", 10));
    buffer += '\0';
    EXPECT_NE(std::find(log.debugLines.begin(), log.debugLines.end(), "NSPath: " + buffer),
              log.debugLines.end());
}

TEST_P(Queries, FilesShownByTheirDosPath) {
    Files files;
    RecordingLog log;
    // A volume without long names: the DOS path as it stands, and no output line.
    EXPECT_EQ(filesOf(net->client(), 40000, files, log).count, 1);
    EXPECT_EQ(files.rows, (std::vector<std::string>{"OLD:\\LEDGER.DBF|"}));
    EXPECT_TRUE(log.outputLines.empty());
    // Any other translation failure, of the folder or of the name: " (DOS name)".
    nw::FaultInjectingClient faulty(net->client());
    faulty.fail(nw::Op::NWGetNSPath, nw::FAILURE, {.skip = 0, .times = 1});
    faulty.fail(nw::Op::NWGetLongName, nw::FAILURE);
    files.rows.clear();
    filesOf(faulty, 12, files);
    EXPECT_EQ(files.rows, (std::vector<std::string>{"SYS:\\DATA\\QUARTE~1.XLS (DOS name)| 2",
                                                    "SYS:\\README.TXT (DOS name)|"}));
}

TEST_P(Queries, APathLookupThatFailsGetsNoTranslationAndNoLocks) {
    nw::FaultInjectingClient faulty(net->client());
    faulty.fail(nw::Op::NWGetPathFromDirectoryBase, nw::INVALID_PATH, {.skip = 0, .times = 1});
    faulty.fail(nw::Op::NWGetVolumeName, nw::VOLUME_DOES_NOT_EXIST);
    Files files;
    filesOf(faulty, 12, files);
    ASSERT_EQ(files.rows.size(), 2u);
    EXPECT_EQ(files.rows[0], "<Couldn't get path>|");
    EXPECT_EQ(files.rows[1], "<Error getting volume>:\\README.TXT (DOS name)|");
    EXPECT_EQ(faulty.calls(nw::Op::NWGetNSPath), 1);
    // The unknown volume's lock scan never ends by itself: the calls stop at 150.
    EXPECT_EQ(faulty.calls(nw::Op::NWScanPhysicalLocksByFile), 150);
}

TEST_P(Queries, NoFilesAFailedScanAndAStop) {
    Files files;
    EXPECT_EQ(filesOf(net->client(), 20, files).count, 0);
    const FilesByConnResult none = filesOf(net->client(), 21, files);
    EXPECT_TRUE(none.scanFailed);
    EXPECT_EQ(none.code, nw::BAD_STATION_NUMBER);
    StopAfter stop(1);
    ConnHandle conn(net->client(), 1);
    const FilesByConnResult stopped =
        GetFilesByConn(net->client(), conn.get(), 12, files, NoQueryLog(), stop);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.count, 1);
    EXPECT_TRUE(files.rows.size() == 1);
}

struct AllFiles : AllOpenFilesSink {
    void begin(uint16_t max) override { maxConns = max; }
    void file(const UserConnection& user, const OpenFileRow& row) override {
        rows.push_back(std::to_string(user.connNumber) + " " + user.name + " " + row.fileText);
    }
    uint16_t maxConns = 0;
    std::vector<std::string> rows;
};

TEST_P(Queries, AllOpenFilesOfLoggedInUsersOnly) {
    AllFiles sink;
    ConnHandle conn(net->client(), 1);
    const AllOpenFilesResult r = WalkAllOpenFiles(net->client(), conn.get(), sink);
    EXPECT_EQ(sink.maxConns, 40010);
    EXPECT_EQ(sink.rows,
              (std::vector<std::string>{
                  "0 ZERO SYS:\\readme.txt", "12 JSMITH SYS:\\DATA\\Quarterly Report.xls",
                  "12 JSMITH SYS:\\readme.txt", "14 MBROWN SYS:\\DATA\\Quarterly Report.xls",
                  "40000 FARAWAY OLD:\\LEDGER.DBF"}));
    EXPECT_EQ(r.files, 5u);
    EXPECT_FALSE(r.stopped);
    // Stopped between two files of one user: nothing more is written.
    AllFiles part;
    StopAfter stop(17);  // numbers 0 to 12, the steps of connections 0 and 1, one of 12
    const AllOpenFilesResult s =
        WalkAllOpenFiles(net->client(), conn.get(), part, NoQueryLog(), stop);
    EXPECT_TRUE(s.stopped);
    EXPECT_EQ(part.rows.size(), 2u);
}

TEST_P(Queries, AllOpenFilesSkipsTheConnectionsTheSinkDoesNotWant) {
    struct OneUser : AllFiles {
        bool wantsFiles(const UserConnection& user) override { return user.name == "MBROWN"; }
    } sink;
    nw::FaultInjectingClient counting(net->client());
    ConnHandle conn(counting, 1);
    const AllOpenFilesResult r = WalkAllOpenFiles(counting, conn.get(), sink);
    EXPECT_EQ(sink.rows, (std::vector<std::string>{"14 MBROWN SYS:\\DATA\\Quarterly Report.xls"}));
    EXPECT_EQ(r.users, 1u);
    // One file and the end of the list: nobody else's files were asked for.
    EXPECT_EQ(counting.calls(nw::Op::NWScanOpenFilesByConn2), 2);
}

TEST_P(Queries, ServerInformationFailureWalksNothing) {
    nw::FaultInjectingClient faulty(net->client());
    faulty.fail(nw::Op::NWGetFileServerInformation, nw::FAILURE);
    ConnHandle conn(faulty, 1);
    AllFiles files;
    EXPECT_TRUE(WalkAllOpenFiles(faulty, conn.get(), files).infoFailed);
    struct : ConnectedUsersSink {
        void user(const ConnectedUser&) override { ADD_FAILURE(); }
    } users;
    EXPECT_TRUE(GetAllConnectedUsers(faulty, conn.get(), users).infoFailed);
    EXPECT_EQ(faulty.calls(nw::Op::NWGetConnectionInformation), 0);
}

struct Connected : ConnectedUsersSink {
    void user(const ConnectedUser& u) override {
        rows.push_back(u.RowText());
        numbers.push_back(u.connNumber);
    }
    std::vector<std::string> rows;
    std::vector<uint16_t> numbers;
};

TEST_P(Queries, AllConnectionsWithTheirSeparators) {
    nw::FaultInjectingClient faulty(net->client());
    // Connection 12's lookup fails with another code; its buffer holds the object name.
    faulty.replace<nw::Op::NWGetUserInfo>(
        [&](nw::NWCONN_HANDLE c, nw::nuint32 n, char* name, nw::NWUSER_INFO* info) {
            return n == 12 ? nw::FAILURE : faulty.inner().NWGetUserInfo(c, n, name, info);
        });
    ConnHandle conn(faulty, 1);
    Connected sink;
    RecordingLog log;
    const ConnectedUsersResult r = GetAllConnectedUsers(faulty, conn.get(), sink, log);
    // The workstation's own station is the one its server gave it.
    const std::string own = std::to_string(net->ownStation(1)) + "   ADMIN";
    EXPECT_EQ(sink.rows, (std::vector<std::string>{"0   ZERO", own, "12 ? JSMITH", "14 * MBROWN",
                                                   "20   IDLE", "40000   FARAWAY"}));
    EXPECT_EQ(sink.numbers.back(), 40000);
    EXPECT_EQ(log.outputLines[2], "\t? JSMITH");
    EXPECT_EQ(log.outputLines[3], "\t*MBROWN");
    EXPECT_EQ(log.debugLines[3], "Conn no:  14   14 * MBROWN");
    EXPECT_FALSE(r.reachedMax);
    EXPECT_EQ(r.rows, 6u);
}

TEST_P(Queries, LongUserNamesFitTheirOwnBuffer) {
    nw::FaultInjectingClient faulty(net->client());
    const std::string longName(500, 'L');
    faulty.replace<nw::Op::NWGetUserInfo>(
        [&](nw::NWCONN_HANDLE, nw::nuint32, char* name, nw::NWUSER_INFO*) {
            std::memcpy(name, longName.c_str(), longName.size() + 1);
            return nw::SUCCESSFUL;
        });
    ConnHandle conn(faulty, 1);
    Connected sink;
    GetAllConnectedUsers(faulty, conn.get(), sink);
    ASSERT_FALSE(sink.rows.empty());
    EXPECT_EQ(sink.rows[0], "0   " + longName);
}

class QueriesAtScale : public ::testing::TestWithParam<nw::testnet::Door> {};
INSTANTIATE_TEST_SUITE_P(Doors, QueriesAtScale, nw::testnet::kBothDoors, nw::testnet::doorName);

TEST_P(QueriesAtScale, UsersOfAFileBeyondTwoThousandAndTheConnectionsLimit) {
    std::string stations;
    for (int n = 1; n <= 2100; ++n) {
        stations += std::string(n > 1 ? "," : "") + R"({"number":)" + std::to_string(n + 1) +
                    R"(,"user":"U)" + std::to_string(n) +
                    R"(","openFiles":[{"path":"SYS:shared.dat"}]})";
    }
    auto net = nw::testnet::DoorNetwork::open(
        GetParam(),
        R"({"workstation":{"connections":[{"server":"FS1","user":"ADMIN","station":1}]},
            "servers":[{"name":"FS1","maxConnections":3000,"volumes":[{"name":"SYS"}],
            "connections":[)" +
            stations + "]}]}",
        {"volumes/FS1/SYS/shared.dat"});
    {
        ConnHandle conn(net->client(), 1);
        Users users;
        const FileUsersResult r =
            GetConnsUsingFile(net->client(), conn.get(), "SYS:\\shared.dat", users);
        EXPECT_EQ(users.rows.size(), 2100u);
        EXPECT_EQ(r.reportedCount, 2100);
        Connected all;
        const ConnectedUsersResult limited = GetAllConnectedUsers(net->client(), conn.get(), all);
        EXPECT_TRUE(limited.reachedMax);
        EXPECT_EQ(all.rows.size(), kMaxConnectedUsers);
        Connected every;
        EXPECT_EQ(
            GetAllConnectedUsers(net->client(), conn.get(), every, NoQueryLog(), NoScanControl(), 0)
                .rows,
            2101u);
    }
    EXPECT_EQ(net->openHandleCount(), 0u);
}

}  // namespace
}  // namespace varnook
