// The wire client's file queries against a scripted server: batched replies served one record
// per call, the per-handle caches that save round trips, and the older calls it falls back to.
#include <gtest/gtest.h>

#include <cstring>

#include "wirenet.h"

namespace nw::wire {
namespace {

using testing::FakeServer;
using namespace ncp::call;
namespace completion = ncp::completion;

constexpr std::uint8_t kData = 1;       // volume DATA
constexpr std::uint32_t kReport = 100;  // DATA:SHARED\REPORT.XLS
constexpr std::uint32_t kShared = 50;   // DATA:SHARED

// One server: station 12 has 7 files open in SHARED, REPORT.XLS is open by 5 stations and has
// 3 locks. Lists come `batch` records per reply.
class WireQueries : public ::testing::Test {
protected:
    WireQueries() {
        server.addUser("ADMIN", "pw");
        serve();
        client = std::make_unique<WireClient>(
            testing::workstationFor(server, {"ADMIN"}),
            std::make_unique<PasswordFile>(dir.write("passwords", "FS1 ADMIN pw\n")),
            testing::optionsWith(clock));
        EXPECT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &conn), SUCCESSFUL);
    }
    ~WireQueries() override {
        client->NWCCCloseConn(conn);
        EXPECT_EQ(client->openHandleCount(), 0u);
    }

    void serve() {
        server.on<ConnectionOpenFiles>([this](auto&, const auto& rq, auto& rp) {
            if (rq.connection != 12) {
                return std::uint8_t{0xFD};
            }
            for (std::uint16_t i = rq.lastRecord; i < 7 && rp.files.size() < batch; ++i) {
                OpenFile f;
                f.volume = kData;
                f.parent = kShared;
                f.dirEntry = 200 + i;
                f.nameSpace = 0;
                f.name = "FILE" + std::to_string(i) + ".TXT";
                rp.files.push_back(f);
            }
            const std::size_t next = rq.lastRecord + rp.files.size();
            rp.nextRecord = next < 7 ? static_cast<std::uint16_t>(next) : 0;
            return completion::kOk;
        });
        server.on<ConnectionsUsingFile>([this](auto&, const auto& rq, auto& rp) {
            if (rq.volume != kData || rq.dirBase != kReport) {
                return std::uint8_t{0x9C};
            }
            rp.usage.useCount = 5;
            rp.usage.openCount = 5;
            for (std::uint16_t i = rq.lastRecord; i < 5 && rp.connections.size() < batch; ++i) {
                rp.connections.push_back({static_cast<std::uint16_t>(10 + i), 1, 0, 0, 0});
            }
            const std::size_t next = rq.lastRecord + rp.connections.size();
            rp.nextRecord = next < 5 ? static_cast<std::uint16_t>(next) : 0;
            return completion::kOk;
        });
        server.on<PhysicalLocksByFile>([this](auto&, const auto& rq, auto& rp) {
            if (rq.dirBase != kReport) {
                return std::uint8_t{0x9C};
            }
            for (std::uint16_t i = rq.lastRecord; i < 3 && rp.locks.size() < batch; ++i) {
                rp.locks.push_back({1, 0, i * 100u, i * 100u + 99, 12, 1, 0});
            }
            const std::size_t next = rq.lastRecord + rp.locks.size();
            rp.nextRecord = next < 3 ? static_cast<std::uint16_t>(next) : 0;
            return completion::kOk;
        });
        server.on<GenerateDirBase>([](auto&, const auto& rq, auto& rp) {
            const auto& c = rq.path.components;
            if (c.size() == 3 && c[0] == "DATA" && c[1] == "SHARED" && c[2] == "REPORT.XLS") {
                rp.dirBase = rp.dosDirBase = kReport;
                rp.volume = kData;
                return completion::kOk;
            }
            return std::uint8_t{0x9C};
        });
        server.on<GetVolumeName>([](auto&, const auto& rq, auto& rp) {
            rp.volumeName = rq.volume == kData ? "DATA" : "";
            return completion::kOk;
        });
        server.on<MapDirectoryNumberToPath>([](auto&, const auto& rq, auto& rp) {
            if (rq.dirNumber == kShared) {
                rp.components = {"SHARED"};
            } else if (rq.dirNumber == kReport) {
                rp.components = {"SHARED", "REPORT.XLS"};
            } else if (rq.dirNumber >= 200 && rq.dirNumber < 207) {
                rp.components = {"SHARED", "FILE" + std::to_string(rq.dirNumber - 200) + ".TXT"};
            } else {
                return std::uint8_t{0x9C};
            }
            return completion::kOk;
        });
        server.on<GetFullPath>([](auto&, const auto& rq, auto& rp) {
            if (rq.path.handleFlag == ncp::handle_flag::kDirBase && rq.path.dirBase == kReport) {
                rp.components = {"REPORT.XLS", "SHARED", "DATA"};
                return completion::kOk;
            }
            if (rq.path.components.size() == 3 && rq.path.components[2] == "REPORT.XLS") {
                rp.components = {rq.destNameSpace == 4 ? "Quarterly Report.xls" : "REPORT.XLS",
                                 rq.destNameSpace == 4 ? "Shared Files" : "SHARED", "DATA"};
                return completion::kOk;
            }
            return std::uint8_t{0x9C};
        });
    }

    // The older call names no parent directory.
    std::vector<std::string> openFilesOf(nuint16 station, std::uint32_t parent = kShared) {
        std::vector<std::string> names;
        nint16 iter = 0;
        OPEN_FILE_CONN_CTRL ctrl{};
        OPEN_FILE_CONN file{};
        while (client->NWScanOpenFilesByConn2(conn, station, &iter, &ctrl, &file) == SUCCESSFUL) {
            names.emplace_back(file.fileName);
            EXPECT_EQ(file.volNumber, kData);
            EXPECT_EQ(file.parent, parent);
        }
        EXPECT_EQ(iter, NW_ITERATION_END);
        return names;
    }

    std::vector<nuint16> usersOf(const char* path, nuint16* count = nullptr) {
        std::vector<nuint16> stations;
        nint16 iter = 0;
        CONN_USING_FILE use{};
        CONNS_USING_FILE used{};
        while (client->NWScanConnectionsUsingFile(conn, 0, path, &iter, &use, &used) ==
               SUCCESSFUL) {
            stations.push_back(use.connNumber);
            EXPECT_EQ(used.connInfo[0].connNumber, use.connNumber);
            if (count != nullptr) {
                *count = used.connCount;
            }
        }
        EXPECT_EQ(iter, NW_ITERATION_END);
        return stations;
    }

    std::size_t batch = 3;
    FakeServer server;
    testing::ScratchDir dir;
    testing::TestClock clock;
    std::unique_ptr<WireClient> client;
    NWCONN_HANDLE conn = 0;
};

TEST_F(WireQueries, OpenFilesComeInBatchesServedOnePerCall) {
    const std::vector<std::string> expected = {"FILE0.TXT", "FILE1.TXT", "FILE2.TXT", "FILE3.TXT",
                                               "FILE4.TXT", "FILE5.TXT", "FILE6.TXT"};
    EXPECT_EQ(openFilesOf(12), expected);
    EXPECT_EQ(server.requests(23, 235), 3);  // 3 + 3 + 1
    // A scan starts afresh: the server is asked again.
    EXPECT_EQ(openFilesOf(12), expected);
    EXPECT_EQ(server.requests(23, 235), 6);
    // A station without a station answers its code and leaves the handle.
    nint16 iter = 0;
    OPEN_FILE_CONN_CTRL ctrl{};
    OPEN_FILE_CONN file{};
    EXPECT_EQ(client->NWScanOpenFilesByConn2(conn, 99, &iter, &ctrl, &file), BAD_STATION_NUMBER);
    EXPECT_EQ(iter, 0);
}

TEST_F(WireQueries, UsersOfAFileAreCountedAtTheFirstCall) {
    nuint16 count = 0;
    EXPECT_EQ(usersOf("DATA:SHARED\\REPORT.XLS", &count),
              (std::vector<nuint16>{10, 11, 12, 13, 14}));
    EXPECT_EQ(count, 5);
    EXPECT_EQ(server.requests(23, 236), 2);  // 3 + 2
    EXPECT_EQ(server.requests(87, 22), 1);
    EXPECT_EQ(usersOf("DATA:\\SHARED\\REPORT.XLS"), (std::vector<nuint16>{10, 11, 12, 13, 14}));
    EXPECT_EQ(server.requests(87, 22), 1);  // the path's entry is known to the handle
    nint16 iter = 0;
    CONN_USING_FILE use{};
    CONNS_USING_FILE used{};
    EXPECT_EQ(client->NWScanConnectionsUsingFile(conn, 0, "DATA:NOPE", &iter, &use, &used),
              INVALID_PATH);
    EXPECT_EQ(iter, 0);
}

TEST_F(WireQueries, LocksOfAFile) {
    nint16 iter = 0;
    PHYSICAL_LOCK lock{};
    PHYSICAL_LOCKS locks{};
    std::vector<nuint32> starts;
    while (client->NWScanPhysicalLocksByFile(conn, 0, "DATA:SHARED\\REPORT.XLS", 0, &iter, &lock,
                                             &locks) == SUCCESSFUL) {
        EXPECT_EQ(locks.numRecords, 3);
        EXPECT_EQ(lock.loggedCount, 1);
        starts.push_back(lock.recordStart);
    }
    EXPECT_EQ(starts, (std::vector<nuint32>{0, 100, 200}));
    EXPECT_EQ(iter, NW_ITERATION_END);
    EXPECT_EQ(lock.loggedCount, 0);
    EXPECT_EQ(server.requests(23, 238), 1);
}

TEST_F(WireQueries, LocksInSeveralBatchesAndPathsInAnotherSpelling) {
    batch = 1;
    auto locksOf = [&](const char* path) {
        std::vector<nuint32> starts;
        nint16 iter = 0;
        PHYSICAL_LOCK lock{};
        PHYSICAL_LOCKS locks{};
        while (client->NWScanPhysicalLocksByFile(conn, 0, path, 0, &iter, &lock, &locks) ==
               SUCCESSFUL) {
            EXPECT_EQ(locks.numRecords, 3);
            starts.push_back(lock.recordStart);
        }
        return starts;
    };
    const std::vector<nuint32> all{0, 100, 200};
    EXPECT_EQ(locksOf("DATA:SHARED\\REPORT.XLS"), all);
    EXPECT_EQ(server.requests(23, 238), 3);
    // Another spelling of the same file, then the first again: its place is known either way.
    EXPECT_EQ(locksOf("data:\\shared\\report.xls"), all);
    EXPECT_EQ(locksOf("DATA:SHARED\\REPORT.XLS"), all);
    EXPECT_EQ(server.requests(87, 22), 1);
    EXPECT_EQ(server.requests(23, 238), 9);
    // A path that failed is asked again, not remembered.
    EXPECT_TRUE(locksOf("DATA:NOPE").empty());
    EXPECT_TRUE(locksOf("DATA:NOPE").empty());
    EXPECT_EQ(server.requests(87, 22), 3);

    char upper[256];
    char lower[256];
    NW_NS_PATH first{"DATA:\\SHARED\\REPORT.XLS", upper, sizeof upper};
    NW_NS_PATH second{"data:\\shared\\report.xls", lower, sizeof lower};
    ASSERT_EQ(client->NWGetNSPath(conn, 0, 1, NW_NS_DOS, NW_NS_LONG, &first), SUCCESSFUL);
    ASSERT_EQ(client->NWGetNSPath(conn, 0, 1, NW_NS_DOS, NW_NS_LONG, &second), SUCCESSFUL);
    EXPECT_STREQ(lower, "DATA:\\Shared Files");
    EXPECT_STREQ(upper, lower);
    // The same text in another name space pair is another question.
    ASSERT_EQ(client->NWGetNSPath(conn, 0, 1, NW_NS_DOS, NW_NS_DOS, &first), SUCCESSFUL);
    EXPECT_STREQ(upper, "DATA:\\SHARED");
    EXPECT_EQ(server.requests(87, 28), 2);
}

TEST_F(WireQueries, WhatEveryRowAsksIsAskedOncePerHandle) {
    char volume[256] = {};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(client->NWGetVolumeName(conn, kData, volume), SUCCESSFUL);
    }
    EXPECT_STREQ(volume, "DATA");
    EXPECT_EQ(server.requests(22, 6), 1);
    EXPECT_EQ(client->NWGetVolumeName(conn, 7, volume), VOLUME_DOES_NOT_EXIST);

    // The directory in the long name space and the long name come from one reply.
    char folder[256];
    NW_NS_PATH record{"DATA:\\SHARED\\REPORT.XLS", folder, sizeof folder};
    ASSERT_EQ(client->NWGetNSPath(conn, 0, 1, NW_NS_DOS, NW_NS_LONG, &record), SUCCESSFUL);
    EXPECT_STREQ(folder, "DATA:\\Shared Files");
    char name[256];
    ASSERT_EQ(
        client->NWGetLongName(conn, 0, "DATA:\\SHARED\\REPORT.XLS", NW_NS_DOS, NW_NS_LONG, name),
        SUCCESSFUL);
    EXPECT_STREQ(name, "Quarterly Report.xls");
    EXPECT_EQ(server.requests(87, 28), 1);
    char tiny[8];
    NW_NS_PATH small{"DATA:\\SHARED\\REPORT.XLS", tiny, sizeof tiny};
    EXPECT_EQ(client->NWGetNSPath(conn, 0, 1, NW_NS_DOS, NW_NS_LONG, &small), NWE_BUFFER_OVERFLOW);

    // A directory number's path, once; and its DOS path needs no lookup of its own afterwards.
    char path[256];
    nuint8 length = 255;
    ASSERT_EQ(client->NWGetPathFromDirectoryBase(conn, kData, kReport, NW_NS_DOS, &length, path),
              SUCCESSFUL);
    EXPECT_EQ(std::string(path, length), std::string("\x06SHARED\x0AREPORT.XLS", 18));
    length = 255;
    client->NWGetPathFromDirectoryBase(conn, kData, kReport, NW_NS_DOS, &length, path);
    EXPECT_EQ(server.requests(23, 243), 1);
    nint16 iter = 0;
    PHYSICAL_LOCK lock{};
    client->NWScanPhysicalLocksByFile(conn, 0, "DATA:\\SHARED\\REPORT.XLS", 0, &iter, &lock,
                                      nullptr);
    EXPECT_EQ(server.requests(87, 22), 0);

    // Another handle asks afresh: nothing outlives the handle that asked.
    NWCONN_HANDLE other = 0;
    ASSERT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &other), SUCCESSFUL);
    client->NWGetVolumeName(other, kData, volume);
    EXPECT_EQ(server.requests(22, 6), 3);  // DATA, the unknown 7, DATA again
    client->NWCCCloseConn(other);
}

TEST_F(WireQueries, TheFilesOfOneFolderAskForItsPathOnce) {
    openFilesOf(12);
    // (the scan is over; the names 23/235 gave are remembered by the handle)
    for (std::uint32_t entry = 200; entry < 207; ++entry) {
        char path[256];
        nuint8 length = 255;
        ASSERT_EQ(client->NWGetPathFromDirectoryBase(conn, kData, entry, NW_NS_DOS, &length, path),
                  SUCCESSFUL);
        const std::string name = "FILE" + std::to_string(entry - 200) + ".TXT";
        EXPECT_EQ(std::string(path, length),
                  std::string("\x06SHARED") + static_cast<char>(name.size()) + name);
    }
    EXPECT_EQ(server.requests(23, 243), 1);  // the folder's, for all seven
}

TEST_F(WireQueries, EveryNewerCallFallsBackToItsOlderFormOnUnknownRequest) {
    const std::uint8_t unknown = completion::kUnknownRequest;
    server.refuse(23, 236, unknown);
    server.refuse(23, 235, unknown);
    server.refuse(23, 238, unknown);
    server.refuse(23, 254, unknown);
    server.refuse(21, 10, unknown);
    server.refuse(23, 243, unknown);
    server.refuse(123, 4, unknown);
    server.refuse(23, 28, unknown);
    server.refuse(23, 26, unknown);
    int oldUsers = 0, oldFiles = 0, oldLocks = 0, oldClear = 0, oldSend = 0, oldInfo = 0,
        oldAddress = 0;
    server.on<ConnectionsUsingFileOld>([&](auto&, const auto& rq, auto& rp) {
        ++oldUsers;
        EXPECT_EQ(rq.path, "DATA:SHARED\\REPORT.XLS");
        rp.usage.useCount = 1;
        rp.connections.push_back({12, 1, 0, 0, 0});
        return completion::kOk;
    });
    server.on<ConnectionOpenFilesOld>([&](auto&, const auto& rq, auto& rp) {
        ++oldFiles;
        if (rq.connection == 12 && rq.lastRecord == 0) {
            rp.files.push_back({1, 0, 0, 0, kData, 201, "FILE1.TXT"});
        }
        return completion::kOk;
    });
    server.on<PhysicalLocksByFileOld>([&](auto&, const auto&, auto& rp) {
        ++oldLocks;
        rp.locks.push_back({1, 0, 5, 9, 12, 1, 0});
        return completion::kOk;
    });
    server.on<ClearConnectionOld>([&](auto&, const auto& rq, auto&) {
        ++oldClear;
        return rq.connection == 14 ? completion::kOk : std::uint8_t{0xFD};
    });
    server.on<SendBroadcastOld>([&](auto&, const auto& rq, auto& rp) {
        ++oldSend;
        rp.results.assign(rq.connections.size(), 0);
        return completion::kOk;
    });
    server.on<GetStationInfoOld>([&](auto&, const auto& rq, auto& rp) {
        ++oldInfo;
        rp.objectId = 0x01000002;
        rp.objectType = kObjectUser;
        rp.objectName = rq.connection == 12 ? "JSMITH" : "";
        return completion::kOk;
    });
    server.on<GetInternetAddressOld>([&](auto&, const auto&, auto& rp) {
        ++oldAddress;
        rp.address = {10, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0x02, 0x0C};
        return completion::kOk;
    });
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(usersOf("DATA:SHARED\\REPORT.XLS"), (std::vector<nuint16>{12}));
        EXPECT_EQ(openFilesOf(12, 0), (std::vector<std::string>{"FILE1.TXT"}));
        nint16 iter = 0;
        PHYSICAL_LOCK lock{};
        EXPECT_EQ(client->NWScanPhysicalLocksByFile(conn, 0, "DATA:SHARED\\REPORT.XLS", 0, &iter,
                                                    &lock, nullptr),
                  SUCCESSFUL);
        EXPECT_EQ(lock.recordEnd, 9u);
        EXPECT_EQ(client->NWClearConnectionNumber(conn, 14), SUCCESSFUL);
        EXPECT_EQ(client->NWClearConnectionNumber(conn, 300), BAD_STATION_NUMBER);
        const nuint16 stations[] = {12, 14};
        nuint8 results[2] = {9, 9};
        EXPECT_EQ(client->NWSendBroadcastMessage(conn, "Hello", 2, stations, results), SUCCESSFUL);
        EXPECT_EQ(results[0], 0);
        char name[256];
        nuint16 type = 0;
        nuint32 id = 0;
        nuint8 time[7];
        EXPECT_EQ(client->NWGetConnectionInformation(conn, 12, name, &type, &id, time), SUCCESSFUL);
        EXPECT_STREQ(name, "JSMITH");
        EXPECT_EQ(type, 0x0100);
        char user[48];
        NWUSER_INFO info;
        EXPECT_EQ(client->NWGetUserInfo(conn, 12, user, &info), SUCCESSFUL);
        EXPECT_STREQ(user, "JSMITH");
        NWINET_ADDR address;
        EXPECT_EQ(client->NWGetInetAddr(conn, 12, &address), SUCCESSFUL);
        EXPECT_EQ(address.networkAddr[3], 5);
        char path[256];
        nuint8 length = 255;
        EXPECT_EQ(
            client->NWGetPathFromDirectoryBase(conn, kData, kReport, NW_NS_DOS, &length, path),
            SUCCESSFUL);
        EXPECT_EQ(std::string(path, length), std::string("\x06SHARED\x0AREPORT.XLS", 18));
    }
    // The newer forms were asked once each and never again.
    EXPECT_EQ(server.requests(23, 236), 1);
    EXPECT_EQ(server.requests(23, 235), 1);
    EXPECT_EQ(server.requests(23, 238), 1);
    EXPECT_EQ(server.requests(23, 254), 1);
    EXPECT_EQ(server.requests(21, 10), 1);
    EXPECT_EQ(server.requests(123, 4), 1);
    EXPECT_EQ(oldClear, 2);  // station 300 does not fit the older call: not sent
    EXPECT_GT(oldUsers + oldFiles + oldLocks + oldSend + oldInfo + oldAddress, 10);
}

TEST_F(WireQueries, ServersBefore311GetTheOlderFormsStraightAway) {
    server.setInfo("OLD", 3, 10);
    server.on<SendBroadcastOld>([](auto&, const auto& rq, auto& rp) {
        rp.results.assign(rq.connections.size(), 0);
        return completion::kOk;
    });
    NWCONN_HANDLE old = 0;
    auto oldClient = std::make_unique<WireClient>(
        testing::workstationFor(server, {"ADMIN"}),
        std::make_unique<PasswordFile>(dir.path() / "passwords"), testing::optionsWith(clock));
    ASSERT_EQ(oldClient->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &old), SUCCESSFUL);
    const nuint16 stations[] = {12};
    nuint8 results[1];
    const std::string long59(59, 'x');
    EXPECT_EQ(oldClient->NWSendBroadcastMessage(old, long59.c_str(), 1, stations, results),
              INVALID_PARAMETERS);
    EXPECT_EQ(oldClient->NWSendBroadcastMessage(old, "Hi", 1, stations, results), SUCCESSFUL);
    EXPECT_EQ(server.requests(21, 10), 0);
    EXPECT_EQ(server.requests(21, 0), 1);
    oldClient->NWCCCloseConn(old);
}

TEST_F(WireQueries, StationsAndUsersAsCallersReadThem) {
    server.on<GetStationInfo>([](auto&, const auto& rq, auto& rp) {
        if (rq.connection == 20) {
            return completion::kOk;  // attached, nobody logged in
        }
        rp.objectId = 0x01000002;
        rp.objectType = kObjectUser;
        rp.objectName = "JSMITH";
        rp.loginTime = {26, 12, 7, 8, 15, 30, 1};
        return completion::kOk;
    });
    server.on<UserInformation>([](auto&, const auto& rq, auto& rp) {
        if (rq.connection == 14) {
            return std::uint8_t{0x7D};
        }
        rp.connection = rq.connection;
        rp.useCount = 1;
        rp.loginTime = {26, 12, 7, 8, 15, 30, 1};
        rp.objectType = 0x0100;
        rp.fileLockCount = 2;
        rp.recordLockCount = 4;
        rp.bytesRead = 4294967296ULL;
        // A server that sends a name longer than any object name must not overrun a buffer.
        rp.userName = std::string(200, 'N');
        return completion::kOk;
    });
    char name[256];
    nuint16 type = 0;
    nuint32 id = 0;
    nuint8 time[7] = {};
    ASSERT_EQ(client->NWGetConnectionInformation(conn, 12, name, &type, &id, time), SUCCESSFUL);
    EXPECT_STREQ(name, "JSMITH");
    EXPECT_EQ(type, 256);
    EXPECT_EQ(id, 0x01000002u);
    EXPECT_EQ(time[0], 26);
    ASSERT_EQ(client->NWGetConnectionInformation(conn, 20, name, &type, &id, time), SUCCESSFUL);
    EXPECT_STREQ(name, "NOT_LOGGED_IN");
    EXPECT_EQ(type, 0);

    char user[48 + 16];
    std::memset(user, '#', sizeof user);
    NWUSER_INFO info;
    ASSERT_EQ(client->NWGetUserInfo(conn, 12, user, &info), SUCCESSFUL);
    EXPECT_EQ(std::strlen(user), 47u);
    EXPECT_EQ(user[48], '#');
    const auto* bytes = reinterpret_cast<const nuint8*>(&info);
    EXPECT_EQ(bytes[21], 26);  // login time
    EXPECT_EQ(bytes[48], 4);   // locks
    EXPECT_EQ(bytes[54], 1);   // 2^32 bytes read: byte 4 of the 48-bit count
    EXPECT_EQ(info.connInUse, 0u);
    EXPECT_EQ(client->NWGetUserInfo(conn, 14, user, &info), USER_INFO_AUTHENTICATED);
}

TEST_F(WireQueries, GarbageInTheMiddleOfAScanEndsItClearly) {
    batch = 1;
    nint16 iter = 0;
    OPEN_FILE_CONN_CTRL ctrl{};
    OPEN_FILE_CONN file{};
    ASSERT_EQ(client->NWScanOpenFilesByConn2(conn, 12, &iter, &ctrl, &file), SUCCESSFUL);
    server.fault(FakeServer::Fault::Garbage, 23, 235);
    EXPECT_EQ(client->NWScanOpenFilesByConn2(conn, 12, &iter, &ctrl, &file), NWE_BAD_REPLY);
    EXPECT_EQ(iter, 1);
    EXPECT_EQ(client->NWCheckConsolePrivileges(conn), NWE_BAD_REPLY);
    EXPECT_NE(client->failureText(1).find("not NCP"), std::string::npos) << client->failureText(1);
}

TEST_F(WireQueries, ADirectoryListingComesFromSearchSets) {
    std::vector<ncp::EntryInfo> entries;
    for (int i = 0; i < 5; ++i) {
        ncp::EntryInfo e;
        e.name = i < 2 ? "Folder " + std::to_string(i) : "file" + std::to_string(i) + ".txt";
        e.attributes = i < 2 ? A_DIRECTORY : 0;
        e.dataSize = 10 * i;
        entries.push_back(e);
    }
    server.on<AllocShortDirHandle>([](auto&, const auto& rq, auto& rp) {
        if (rq.path.components != std::vector<std::string>{"DATA", "SHARED"}) {
            return std::uint8_t{0x9C};
        }
        rp.dirHandle = 7;
        rp.volume = kData;
        return completion::kOk;
    });
    server.on<InitializeSearch>([](auto&, const auto& rq, auto& rp) {
        EXPECT_EQ(rq.path.handleFlag, ncp::handle_flag::kShortHandle);
        rp = {kData, kShared, 0xFFFFFFFF};
        return completion::kOk;
    });
    server.on<SearchEntrySet>([&entries](auto&, const auto& rq, auto& rp) {
        const std::uint32_t start = rq.sequence.sequence == 0xFFFFFFFF ? 0 : rq.sequence.sequence;
        if (start >= entries.size()) {
            return std::uint8_t{0xFF};
        }
        for (std::uint32_t i = start; i < entries.size() && rp.entries.size() < 2; ++i) {
            rp.entries.push_back(entries[i]);
        }
        rp.sequence = {kData, kShared, static_cast<std::uint32_t>(start + rp.entries.size())};
        rp.more = start + rp.entries.size() < entries.size() ? 1 : 0;
        return completion::kOk;
    });
    server.on<ncp::call::DeallocDirHandle>(
        [](auto&, const auto&, auto&) { return completion::kOk; });
    auto list = [&] {
        std::vector<std::string> names;
        NWDIR_HANDLE dir = 0;
        EXPECT_EQ(client->AllocTempDirHandle(conn, NW_NS_LONG, "DATA:SHARED", &dir), SUCCESSFUL);
        SEARCH_SEQUENCE seq;
        EXPECT_EQ(client->StartSearch(conn, dir, NW_NS_LONG, &seq), SUCCESSFUL);
        NW_ENTRY_INFO info;
        while (client->SearchNext(conn, &seq, NW_NS_LONG, SA_ALL, "*", &info) == SUCCESSFUL) {
            names.push_back(std::string(info.entryName) +
                            ((info.attributes & A_DIRECTORY) != 0 ? "/" : ""));
        }
        EXPECT_EQ(client->DeallocDirHandle(conn, dir), SUCCESSFUL);
        EXPECT_EQ(client->DeallocDirHandle(conn, dir), BAD_DIRECTORY_HANDLE);
        return names;
    };
    const std::vector<std::string> expected = {"Folder 0/", "Folder 1/", "file2.txt", "file3.txt",
                                               "file4.txt"};
    EXPECT_EQ(list(), expected);
    EXPECT_EQ(server.requests(87, 20), 3);
    // Without the set form: one entry per round trip.
    server.refuse(87, 20, completion::kUnknownRequest);
    server.on<SearchEntry>([&entries](auto&, const auto& rq, auto& rp) {
        const std::uint32_t at = rq.sequence.sequence == 0xFFFFFFFF ? 0 : rq.sequence.sequence;
        if (at >= entries.size()) {
            return std::uint8_t{0xFF};
        }
        rp.info = entries[at];
        rp.sequence = {kData, kShared, at + 1};
        return completion::kOk;
    });
    EXPECT_EQ(list(), expected);
    EXPECT_EQ(server.requests(87, 3), 6);
    NWDIR_HANDLE dir = 0;
    EXPECT_EQ(client->AllocTempDirHandle(conn, NW_NS_LONG, "DATA:NOPE", &dir), INVALID_PATH);
}

TEST_F(WireQueries, DirectoryHandlesAreFreedWithTheirConnectionHandle) {
    int freed = 0;
    server.on<AllocShortDirHandle>([](auto&, const auto&, auto& rp) {
        rp.dirHandle = 9;
        rp.volume = kData;
        return completion::kOk;
    });
    server.on<ncp::call::DeallocDirHandle>([&freed](auto&, const auto& rq, auto&) {
        freed += rq.dirHandle == 9 ? 1 : 0;
        return completion::kOk;
    });
    NWCONN_HANDLE other = 0;
    ASSERT_EQ(client->NWCCOpenConnByRef(1, NWCC_OPEN_LICENSED, 0, &other), SUCCESSFUL);
    NWDIR_HANDLE dir = 0;
    ASSERT_EQ(client->AllocTempDirHandle(other, NW_NS_DOS, "DATA:", &dir), SUCCESSFUL);
    client->NWCCCloseConn(other);
    EXPECT_EQ(freed, 1);
}

}  // namespace
}  // namespace nw::wire
