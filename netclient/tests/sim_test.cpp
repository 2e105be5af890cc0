#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "netclient/fault.h"
#include "netclient/sim/simclient.h"
#include "network.h"

namespace {

using namespace nw;

class Sim : public ::testing::Test {
protected:
    Sim() : net(testnet::kTestNetwork, testnet::testNetworkFiles()), client(net.client()) {}
    ~Sim() override { EXPECT_EQ(client.openHandleCount(), 0u) << "a handle was left open"; }

    NWCONN_HANDLE open(NWCONN_REF ref = 1) { return net.open(ref); }
    void close(NWCONN_HANDLE handle) { EXPECT_EQ(client.NWCCCloseConn(handle), SUCCESSFUL); }

    std::vector<nuint16> connectionsUsing(NWCONN_HANDLE h, const char* path, nuint16* count) {
        std::vector<nuint16> found;
        nint16 iter = 0;
        CONN_USING_FILE use;
        CONNS_USING_FILE summary;
        while (client.NWScanConnectionsUsingFile(h, 0, path, &iter, &use, &summary) == 0) {
            EXPECT_NE(iter, NW_ITERATION_END);
            found.push_back(use.connNumber);
        }
        EXPECT_EQ(iter, NW_ITERATION_END);
        *count = summary.connCount;
        return found;
    }

    struct LockRow {
        nuint8 type;
        nuint32 start, end;
        nuint16 task, records;
    };
    std::vector<LockRow> locks(NWCONN_HANDLE h, const char* path) {
        std::vector<LockRow> rows;
        nint16 iter = 0;
        for (int guard = 0; guard < 100; ++guard) {
            PHYSICAL_LOCK lock;
            PHYSICAL_LOCKS block;
            NWCCODE rc = client.NWScanPhysicalLocksByFile(h, 0, path, 0, &iter, &lock, &block);
            if (iter == NW_ITERATION_END) {
                EXPECT_EQ(lock.loggedCount, 0) << "the last lock must not come with -1";
                EXPECT_NE(rc, SUCCESSFUL);
                break;
            }
            EXPECT_EQ(rc, SUCCESSFUL);
            EXPECT_NE(iter, 0);
            rows.push_back({lock.lockType, lock.recordStart, lock.recordEnd, lock.taskNumber,
                            block.numRecords});
        }
        return rows;
    }

    testnet::TestNetwork net;
    sim::SimClient& client;
};

TEST_F(Sim, ScansConnectionReferencesInFileOrder) {
    nuint32 iterator = 0;
    NWCONN_REF ref = 0;
    std::vector<std::string> names;
    while (client.NWCCScanConnRefs(&iterator, &ref) == 0) {
        char name[49];
        std::memset(name, 'x', sizeof name);
        EXPECT_EQ(client.NWCCGetConnRefInfo(ref, NWCC_INFO_SERVER_NAME, 49, name), SUCCESSFUL);
        names.push_back(std::to_string(ref) + name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"1FS1", "2FS2", "3FS1"}));
    EXPECT_NE(client.NWCCScanConnRefs(&iterator, &ref), SUCCESSFUL);

    char small[3];
    EXPECT_EQ(client.NWCCGetConnRefInfo(1, NWCC_INFO_SERVER_NAME, 3, small), NWE_BUFFER_OVERFLOW);
    EXPECT_EQ(client.NWCCGetConnRefInfo(1, 1, 49, small), NWE_INFO_TYPE_INVALID);
    EXPECT_EQ(client.NWCCGetConnRefInfo(9, NWCC_INFO_SERVER_NAME, 49, small), INVALID_CONNECTION);
}

TEST_F(Sim, HandlesAreCountedAndClosedHandlesAreInvalid) {
    NWCONN_HANDLE a = open(1), b = open(1);
    EXPECT_NE(a, b);
    EXPECT_EQ(client.openHandleCount(), 2u);
    close(a);
    EXPECT_EQ(client.NWCCCloseConn(a), INVALID_CONNECTION);
    nuint8 flag = 0;
    EXPECT_EQ(client.NWGetFileServerLoginStatus(a, &flag), INVALID_CONNECTION);
    EXPECT_EQ(client.NWCheckConsolePrivileges(a), INVALID_CONNECTION);
    EXPECT_EQ(client.NWCheckConsolePrivileges(0), INVALID_CONNECTION);
    close(b);
    NWCONN_HANDLE h = 0;
    EXPECT_EQ(client.NWCCOpenConnByRef(99, 1, 0, &h), INVALID_CONNECTION);
    EXPECT_EQ(client.openHandleCount(), 0u);
}

TEST_F(Sim, DriveInformationAnswersExactlyForMappedLetters) {
    std::string mapped;
    for (nuint16 d = 0; d <= 27; ++d) {
        NWCONN_HANDLE h = 7;
        nuint8 status = 0;
        nuint32 offset = 9;
        if (client.NWGetDriveInformation(d, 0, &h, &status, &offset, nullptr) == 0) {
            mapped += static_cast<char>('A' + d - 1);
            EXPECT_EQ(status, NW_NETWARE_DRIVE);
        }
    }
    EXPECT_EQ(mapped, "FG");
    std::string target, folder;
    ASSERT_EQ(client.GetDriveMapping(7, target, folder), SUCCESSFUL);
    EXPECT_EQ(target, "\\\\FS1\\DATA\\SHARED");  // names as the server spells them
    EXPECT_EQ(folder, (net.folder() / "volumes/FS1/DATA/SHARED").string());
    EXPECT_EQ(client.GetDriveMapping(3, target, folder), INVALID_DRIVE);
}

TEST_F(Sim, NameSpacePathsRoundTrip) {
    NWCONN_HANDLE h = open();
    char dst[256];
    NW_NS_PATH path{"DATA:\\SHARED\\Quarterly Report.xls", dst, sizeof dst};
    ASSERT_EQ(client.NWGetNSPath(h, 0, 1, NW_NS_LONG, NW_NS_DOS, &path), SUCCESSFUL);
    EXPECT_STREQ(dst, "DATA:\\SHARED");
    char name[256];
    ASSERT_EQ(client.NWGetLongName(h, 0, path.srcPath, NW_NS_LONG, NW_NS_DOS, name), SUCCESSFUL);
    EXPECT_STREQ(name, "QUARTE~1.XLS");
    std::string dos = std::string(dst) + "\\" + name;

    NW_NS_PATH back{dos.c_str(), dst, sizeof dst};
    ASSERT_EQ(client.NWGetNSPath(h, 0, 1, NW_NS_DOS, NW_NS_LONG, &back), SUCCESSFUL);
    ASSERT_EQ(client.NWGetLongName(h, 0, dos.c_str(), NW_NS_DOS, NW_NS_LONG, name), SUCCESSFUL);
    EXPECT_EQ(std::string(dst) + "\\" + name, "DATA:\\SHARED\\Quarterly Report.xls");

    // A file in the volume root: the directory path is the bare volume.
    NW_NS_PATH root{"SYS:README.TXT", dst, sizeof dst};
    ASSERT_EQ(client.NWGetNSPath(h, 0, 1, NW_NS_DOS, NW_NS_LONG, &root), SUCCESSFUL);
    EXPECT_STREQ(dst, "SYS:");
    ASSERT_EQ(client.NWGetLongName(h, 0, "SYS:README.TXT", 0, 4, name), SUCCESSFUL);
    EXPECT_STREQ(name, "readme.txt");
    close(h);
}

TEST_F(Sim, DosNamesAreDerivedUniqueAndUpperCase) {
    NWCONN_HANDLE h = open();
    char name[256];
    ASSERT_EQ(client.NWGetLongName(h, 0, "DATA:SHARED\\Quarterly Review.xls", 4, 0, name), 0);
    EXPECT_STREQ(name, "QUARTE~2.XLS");
    ASSERT_EQ(client.NWGetLongName(h, 0, "DATA:SHARED\\R\xe9sum\xe9.doc", 4, 0, name), 0);
    EXPECT_STREQ(name, "R_SUM_~1.DOC");
    // The long name comes back in the workstation code page.
    ASSERT_EQ(client.NWGetLongName(h, 0, "data:shared\\r_sum_~1.doc", 0, 4, name), 0);
    EXPECT_STREQ(name, "R\xe9sum\xe9.doc");

    // A file created after the folder was read is found, with a fresh unique name.
    std::filesystem::path added = net.folder() / "volumes/FS1/DATA/SHARED/Quarterly Results.xls";
    std::ofstream(added) << "new";
    ASSERT_EQ(client.NWGetLongName(h, 0, "DATA:SHARED\\Quarterly Results.xls", 4, 0, name), 0);
    EXPECT_STREQ(name, "QUARTE~3.XLS");
    close(h);
}

TEST_F(Sim, NameSpaceErrors) {
    NWCONN_HANDLE h = open();
    char dst[256], name[256];
    NW_NS_PATH old{"OLD:LONGNA~1.TXT", dst, sizeof dst};
    EXPECT_EQ(client.NWGetNSPath(h, 0, 1, NW_NS_DOS, NW_NS_LONG, &old), INVALID_NAME_SPACE);
    EXPECT_EQ(client.NWGetLongName(h, 0, "OLD:Long Name File.txt", 4, 0, name), INVALID_NAME_SPACE);
    EXPECT_EQ(client.NWGetLongName(h, 0, "OLD:LONGNA~1.TXT", 0, 0, name), SUCCESSFUL);
    NW_NS_PATH missing{"DATA:SHARED\\nothing.xls", dst, sizeof dst};
    EXPECT_EQ(client.NWGetNSPath(h, 0, 1, 4, 0, &missing), INVALID_PATH);
    NW_NS_PATH blank{"                ", dst, sizeof dst};
    EXPECT_EQ(client.NWGetNSPath(h, 0, 1, 4, 0, &blank), INVALID_PATH);
    NW_NS_PATH noVolume{"NOPE:A.TXT", dst, sizeof dst};
    EXPECT_EQ(client.NWGetNSPath(h, 0, 1, 4, 0, &noVolume), VOLUME_DOES_NOT_EXIST);
    NW_NS_PATH tiny{"DATA:SHARED\\Quarterly Report.xls", dst, 5};
    EXPECT_EQ(client.NWGetNSPath(h, 0, 1, 4, 0, &tiny), NWE_BUFFER_OVERFLOW);
    EXPECT_EQ(client.NWGetLongName(h, 0, "DATA:SHARED\\..\\x", 4, 0, name), INVALID_PATH);
    close(h);
}

TEST_F(Sim, ScanConnectionsUsingFileYieldsEachOpenerThenEnds) {
    NWCONN_HANDLE h = open();
    nuint16 count = 0;
    auto users = connectionsUsing(h, "DATA:SHARED\\QUARTE~1.XLS", &count);
    EXPECT_EQ(users, (std::vector<nuint16>{12, 14}));
    EXPECT_EQ(count, 2);
    // Nobody has it open: the first call ends the scan with count 0.
    nint16 iter = 0;
    CONN_USING_FILE use;
    CONNS_USING_FILE summary;
    summary.connCount = 9;
    EXPECT_NE(
        client.NWScanConnectionsUsingFile(h, 0, "DATA:SHARED\\QUARTE~2.XLS", &iter, &use, &summary),
        SUCCESSFUL);
    EXPECT_EQ(iter, NW_ITERATION_END);
    EXPECT_EQ(summary.connCount, 0);
    // A path that does not exist fails without ending the iteration.
    iter = 0;
    EXPECT_EQ(client.NWScanConnectionsUsingFile(h, 0, "DATA:SHARED\\Quarterly Report.xls", &iter,
                                                &use, &summary),
              INVALID_PATH);
    EXPECT_EQ(iter, 0);
    close(h);
}

TEST_F(Sim, UserInformationRecord) {
    NWCONN_HANDLE h = open();
    char name[257] = {};
    NWUSER_INFO info;
    ASSERT_EQ(client.NWGetUserInfo(h, 12, name, &info), SUCCESSFUL);
    EXPECT_STREQ(name, "JSMITH");
    const auto* bytes = reinterpret_cast<const nuint8*>(&info);
    EXPECT_EQ(bytes[16] | bytes[17] | bytes[18] | bytes[19], 0);  // in use
    EXPECT_EQ(std::vector<int>(bytes + 21, bytes + 27), (std::vector<int>{26, 12, 7, 8, 15, 30}));
    EXPECT_EQ(bytes[48] | bytes[49] << 8, 2);  // locks held
    std::uint64_t read = 0, written = 0;
    for (int i = 5; i >= 0; --i) {
        read = read << 8 | bytes[50 + i];
        written = written << 8 | bytes[56 + i];
    }
    EXPECT_EQ(read, 5368709120u);
    EXPECT_EQ(written, 1048576u);

    EXPECT_EQ(client.NWGetUserInfo(h, 14, name, &info), USER_INFO_AUTHENTICATED);
    EXPECT_EQ(client.NWGetUserInfo(h, 13, name, &info), BAD_STATION_NUMBER);
    EXPECT_EQ(client.NWGetUserInfo(h, 0xFFFFFFF4, name, &info), BAD_STATION_NUMBER);
    close(h);
}

TEST_F(Sim, OpenFilesOfAConnectionWithTheirPaths) {
    NWCONN_HANDLE h = open();
    nint16 iter = 0;
    OPEN_FILE_CONN_CTRL control;
    OPEN_FILE_CONN file;
    std::vector<std::string> paths;
    while (client.NWScanOpenFilesByConn2(h, 12, &iter, &control, &file) == 0) {
        ASSERT_NE(iter, NW_ITERATION_END);
        char buffer[256] = {};
        nuint8 length = 255;
        ASSERT_EQ(
            client.NWGetPathFromDirectoryBase(h, file.volNumber, file.dirEntry, 0, &length, buffer),
            SUCCESSFUL);
        char volume[256] = {};
        ASSERT_EQ(client.NWGetVolumeName(h, file.volNumber, volume), SUCCESSFUL);
        std::string path = std::string(volume) + ":";
        for (int i = 0; i < length; i += 1 + static_cast<nuint8>(buffer[i])) {
            path += "\\" + std::string(buffer + i + 1, static_cast<nuint8>(buffer[i]));
        }
        paths.push_back(path);
    }
    EXPECT_EQ(iter, NW_ITERATION_END);
    EXPECT_EQ(paths, (std::vector<std::string>{"DATA:\\SHARED\\QUARTE~1.XLS", "SYS:\\README.TXT"}));

    iter = 0;
    EXPECT_NE(client.NWScanOpenFilesByConn2(h, 15, &iter, &control, &file), SUCCESSFUL);
    EXPECT_EQ(iter, NW_ITERATION_END);  // no open files
    iter = 0;
    EXPECT_EQ(client.NWScanOpenFilesByConn2(h, 13, &iter, &control, &file), BAD_STATION_NUMBER);
    EXPECT_EQ(iter, 0);

    char buffer[256];
    nuint8 length = 255;
    EXPECT_EQ(client.NWGetPathFromDirectoryBase(h, 1, 999999, 0, &length, buffer), INVALID_PATH);
    EXPECT_EQ(client.NWGetPathFromDirectoryBase(h, 9, 1, 0, &length, buffer),
              VOLUME_DOES_NOT_EXIST);
    EXPECT_EQ(client.NWGetPathFromDirectoryBase(h, 2, 0, 4, &length, buffer), INVALID_NAME_SPACE);
    EXPECT_EQ(client.NWGetVolumeName(h, 7, buffer), VOLUME_DOES_NOT_EXIST);
    close(h);
}

TEST_F(Sim, PhysicalLocksOnePerCallWithTheRecordCount) {
    NWCONN_HANDLE h = open();
    auto rows = locks(h, "DATA:SHARED\\QUARTE~1.XLS");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].type, 0);
    EXPECT_EQ(rows[0].end, 511u);
    EXPECT_EQ(rows[0].task, 1);  // the open file's task
    EXPECT_EQ(rows[1].type, 254);
    EXPECT_EQ(rows[1].task, 3);
    EXPECT_EQ(rows[2].type, 255);
    EXPECT_EQ(rows[2].records, 3);
    EXPECT_TRUE(locks(h, "SYS:README.TXT").empty());
    nint16 iter = 0;
    PHYSICAL_LOCK lock;
    PHYSICAL_LOCKS block;
    EXPECT_EQ(client.NWScanPhysicalLocksByFile(h, 0, "SYS:NONE.TXT", 0, &iter, &lock, &block),
              INVALID_PATH);
    EXPECT_EQ(iter, 0);
    close(h);
}

TEST_F(Sim, ServerAndConnectionInformation) {
    NWCONN_HANDLE h = open();
    char server[49];
    nuint8 major = 0, minor = 0, rev = 9, sft = 0, tts = 0;
    nuint16 maxConns = 0, used = 0, inUse = 0, volumes = 0;
    ASSERT_EQ(client.NWGetFileServerInformation(h, server, &major, &minor, &rev, &maxConns, &used,
                                                &inUse, &volumes, &sft, &tts),
              SUCCESSFUL);
    EXPECT_STREQ(server, "FS1");
    EXPECT_EQ(major * 100 + minor, 411);
    EXPECT_EQ(maxConns, 100);
    EXPECT_EQ(inUse, 7);  // five in the table and the workstation's stations 1 and 2
    EXPECT_EQ(volumes, 3);
    EXPECT_EQ(sft * 10 + tts, 21);

    char name[255];
    nuint16 type = 0;
    nuint32 id = 0;
    nuint8 login[7];
    ASSERT_EQ(client.NWGetConnectionInformation(h, 12, name, &type, &id, login), SUCCESSFUL);
    EXPECT_STREQ(name, "JSMITH");
    EXPECT_EQ(type, 256);
    EXPECT_EQ(id, 4660u);
    EXPECT_EQ(login[6], 1);  // 7 December 2026 is a Monday
    ASSERT_EQ(client.NWGetConnectionInformation(h, 20, name, &type, &id, login), SUCCESSFUL);
    EXPECT_STREQ(name, "NOT_LOGGED_IN");
    EXPECT_EQ(client.NWGetConnectionInformation(h, 0, name, &type, &id, login), BAD_STATION_NUMBER);
    EXPECT_EQ(client.NWGetConnectionInformation(h, 100, name, &type, &id, login),
              BAD_STATION_NUMBER);

    NWINET_ADDR address;
    ASSERT_EQ(client.NWGetInetAddr(h, 12, &address), SUCCESSFUL);
    EXPECT_EQ(address.networkAddr[3], 0xA8);
    EXPECT_EQ(address.netNodeAddr[5], 0x4E);
    EXPECT_EQ(address.socket[0], 0x04);
    EXPECT_EQ(address.socket[1], 0x53);
    EXPECT_EQ(client.NWGetInetAddr(h, 13, &address), BAD_STATION_NUMBER);
    close(h);
}

TEST_F(Sim, ClearingAStationDropsItsFilesLocksAndMessage) {
    NWCONN_HANDLE oper = open(3);
    EXPECT_EQ(client.NWClearConnectionNumber(oper, 12), NO_CONSOLE_PRIVILEGES);
    close(oper);
    NWCONN_HANDLE h = open(1);
    EXPECT_EQ(client.NWClearConnectionNumber(h, 13), BAD_STATION_NUMBER);
    ASSERT_EQ(client.NWClearConnectionNumber(h, 12), SUCCESSFUL);
    EXPECT_EQ(client.NWClearConnectionNumber(h, 12), BAD_STATION_NUMBER);
    nuint16 count = 0;
    EXPECT_EQ(connectionsUsing(h, "DATA:SHARED\\QUARTE~1.XLS", &count), std::vector<nuint16>{14});
    auto rows = locks(h, "DATA:SHARED\\QUARTE~1.XLS");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].type, 255);

    // The pending message goes with its station: a new station there could receive one.
    ASSERT_EQ(client.NWClearConnectionNumber(h, 16), SUCCESSFUL);
    nuint16 list[] = {16};
    nuint8 result[1] = {9};
    ASSERT_EQ(client.NWSendBroadcastMessage(h, "hi", 1, list, result), SUCCESSFUL);
    EXPECT_EQ(result[0], NW_BROADCAST_NO_SUCH_CONNECTION);
    close(h);
}

TEST_F(Sim, ClearingTheWorkstationsOwnStationEndsThatConnection) {
    NWCONN_HANDLE h = open(1);
    NWCONN_HANDLE other = open(3);
    ASSERT_EQ(client.NWClearConnectionNumber(h, 1), SUCCESSFUL);
    EXPECT_EQ(client.NWCheckConsolePrivileges(h), INVALID_CONNECTION);
    EXPECT_EQ(client.NWCheckConsolePrivileges(other), NO_CONSOLE_PRIVILEGES);  // still alive
    NWCONN_HANDLE again = 0;
    EXPECT_EQ(client.NWCCOpenConnByRef(1, 1, 0, &again), INVALID_CONNECTION);
    char name[49];
    EXPECT_EQ(client.NWCCGetConnRefInfo(1, NWCC_INFO_SERVER_NAME, 49, name), INVALID_CONNECTION);
    nuint32 iterator = 0;
    NWCONN_REF ref = 0;
    ASSERT_EQ(client.NWCCScanConnRefs(&iterator, &ref), SUCCESSFUL);
    EXPECT_EQ(ref, 2u);
    close(h);  // the dead handle can still be given back
    close(other);
}

TEST_F(Sim, BroadcastResultsPerConnection) {
    NWCONN_HANDLE h = open(3);  // no console rights needed
    nuint16 list[] = {12, 13, 20, 15, 16, 12, 2};
    nuint8 results[7];
    std::memset(results, 0xEE, sizeof results);
    ASSERT_EQ(client.NWSendBroadcastMessage(h, "Backup at 5", 7, list, results), SUCCESSFUL);
    EXPECT_EQ(std::vector<int>(results, results + 7), (std::vector<int>{0, 1, 2, 3, 4, 4, 0}));

    EXPECT_EQ(client.NWSendBroadcastMessage(h, "x", 0, list, results), INVALID_PARAMETERS);
    EXPECT_EQ(client.NWSendBroadcastMessage(h, "", 1, list, results), INVALID_PARAMETERS);
    std::string limit(NW_MAX_BROADCAST_MESSAGE_LEN, 'm');
    nuint16 fresh[] = {14};
    EXPECT_EQ(client.NWSendBroadcastMessage(h, (limit + "m").c_str(), 1, fresh, results),
              INVALID_PARAMETERS);
    EXPECT_EQ(client.NWSendBroadcastMessage(h, limit.c_str(), 1, fresh, results), SUCCESSFUL);
    EXPECT_EQ(results[0], NW_BROADCAST_SENT);
    close(h);

    // A server older than 3.11 takes 58 bytes.
    h = open(2);
    nuint16 guest[] = {3};
    std::string old(NW_MAX_BROADCAST_MESSAGE_LEN_OLD + 1, 'o');
    EXPECT_EQ(client.NWSendBroadcastMessage(h, old.c_str(), 1, guest, results), INVALID_PARAMETERS);
    old.pop_back();
    EXPECT_EQ(client.NWSendBroadcastMessage(h, old.c_str(), 1, guest, results), SUCCESSFUL);
    close(h);
}

TEST_F(Sim, LoginSwitchAndConsolePrivileges) {
    NWCONN_HANDLE admin = open(1), oper = open(3);
    nuint8 flag = 0;
    EXPECT_EQ(client.NWCheckConsolePrivileges(admin), SUCCESSFUL);
    EXPECT_EQ(client.NWCheckConsolePrivileges(oper), NO_CONSOLE_PRIVILEGES);
    EXPECT_EQ(client.NWDisableFileServerLogin(oper), NO_CONSOLE_PRIVILEGES);
    ASSERT_EQ(client.NWGetFileServerLoginStatus(oper, &flag), SUCCESSFUL);
    EXPECT_NE(flag, 0);
    ASSERT_EQ(client.NWDisableFileServerLogin(admin), SUCCESSFUL);
    ASSERT_EQ(client.NWGetFileServerLoginStatus(oper, &flag), SUCCESSFUL);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(client.NWEnableFileServerLogin(oper), NO_CONSOLE_PRIVILEGES);
    ASSERT_EQ(client.NWEnableFileServerLogin(admin), SUCCESSFUL);
    ASSERT_EQ(client.NWGetFileServerLoginStatus(admin, &flag), SUCCESSFUL);
    EXPECT_NE(flag, 0);
    close(admin);
    close(oper);
}

TEST_F(Sim, FaultInjectionOverTheSimulator) {
    FaultInjectingClient faulty(client);
    faulty.fail(Op::NWCCOpenConnByRef, INVALID_CONNECTION, {.skip = 0, .times = 1});
    NWCONN_HANDLE h = 0;
    EXPECT_EQ(faulty.NWCCOpenConnByRef(1, 1, 0, &h), INVALID_CONNECTION);
    EXPECT_EQ(client.openHandleCount(), 0u);
    ASSERT_EQ(faulty.NWCCOpenConnByRef(1, 1, 0, &h), SUCCESSFUL);
    faulty.replace<Op::NWScanConnectionsUsingFile>(
        [&](NWCONN_HANDLE conn, NWDIR_HANDLE dir, const char* path, nint16* iter,
            CONN_USING_FILE* use, CONNS_USING_FILE* used) {
            NWCCODE rc =
                faulty.inner().NWScanConnectionsUsingFile(conn, dir, path, iter, use, used);
            used->connCount = 70;
            return rc;
        },
        {.skip = 1, .times = 1});
    nint16 iter = 0;
    CONN_USING_FILE use;
    CONNS_USING_FILE used;
    const char* path = "DATA:SHARED\\QUARTE~1.XLS";
    ASSERT_EQ(faulty.NWScanConnectionsUsingFile(h, 0, path, &iter, &use, &used), SUCCESSFUL);
    EXPECT_EQ(used.connCount, 2);
    ASSERT_EQ(faulty.NWScanConnectionsUsingFile(h, 0, path, &iter, &use, &used), SUCCESSFUL);
    EXPECT_EQ(used.connCount, 70);
    EXPECT_EQ(use.connNumber, 14);
    EXPECT_EQ(faulty.calls(Op::NWScanConnectionsUsingFile), 2);
    EXPECT_EQ(faulty.NWCCCloseConn(h), SUCCESSFUL);
}

}  // namespace

namespace {

using namespace nw;

// DOS names of a whole folder, as NWGetLongName gives them.
TEST(DosNames, DerivedDeterministicallyAndUniquely) {
    std::vector<std::string> names = {"README.TXT",      "readme2.txt",     "My Letter.doc",
                                      "My Lettuce.doc",  ".profile",        "archive.tar.gz",
                                      "a+b=c.text",      "NOEXT",           "Data File 1.dat",
                                      "Data File 2.dat", "Data File 3.dat", "Data File 4.dat",
                                      "Data File 5.dat", "Data File 6.dat", "Data File 7.dat",
                                      "Data File 8.dat", "Data File 9.dat", "Data File 10.dat"};
    std::vector<std::string> files;
    for (const std::string& name : names)
        files.push_back("volumes/FS1/SYS/D/" + name);
    testnet::TestNetwork net(R"({"workstation": {"connections": [{"server": "FS1", "station": 1}]},
                                 "servers": [{"name": "FS1", "volumes": [{"name": "SYS"}]}]})",
                             files);
    NWCONN_HANDLE h = net.open(1);
    std::map<std::string, std::string> dos;
    for (const std::string& name : names) {
        char out[256] = {};
        ASSERT_EQ(net.client().NWGetLongName(h, 0, ("SYS:D\\" + name).c_str(), 4, 0, out), 0)
            << name;
        dos[name] = out;
        char back[256] = {};
        ASSERT_EQ(net.client().NWGetLongName(h, 0, ("SYS:D\\" + dos[name]).c_str(), 0, 4, back), 0);
        EXPECT_EQ(back, name);
    }
    EXPECT_EQ(dos["README.TXT"], "README.TXT");
    EXPECT_EQ(dos["readme2.txt"], "README2.TXT");
    EXPECT_EQ(dos["My Letter.doc"], "MYLETT~1.DOC");
    EXPECT_EQ(dos["My Lettuce.doc"], "MYLETT~2.DOC");
    EXPECT_EQ(dos[".profile"], "PROFIL~1");
    EXPECT_EQ(dos["archive.tar.gz"], "ARCHIV~1.GZ");
    EXPECT_EQ(dos["a+b=c.text"], "A_B_C~1.TEX");
    EXPECT_EQ(dos["NOEXT"], "NOEXT");
    // In byte order "1.dat" < "10.dat" < "2.dat"; the tenth needs a shorter base.
    EXPECT_EQ(dos["Data File 1.dat"], "DATAFI~1.DAT");
    EXPECT_EQ(dos["Data File 10.dat"], "DATAFI~2.DAT");
    EXPECT_EQ(dos["Data File 8.dat"], "DATAFI~9.DAT");
    EXPECT_EQ(dos["Data File 9.dat"], "DATAF~10.DAT");
    EXPECT_EQ(net.client().NWCCCloseConn(h), 0);
}

TEST(CodePage, NamesAndMessagesCrossInTheWorkstationCodePage) {
    testnet::TestNetwork net(R"({"workstation": {"codePage": "CP850",
                                   "connections": [{"server": "FS1", "station": 1}]},
                                 "servers": [{"name": "FS1", "volumes": [{"name": "SYS"}],
                                   "connections": [{"number": 2, "user": "M\u00dcLLER"}]}]})",
                             {"volumes/FS1/SYS/Caf\xc3\xa9.txt"});
    std::string codePage;
    net.client().GetWorkstationCodePage(codePage);
    EXPECT_EQ(codePage, "CP850");
    NWCONN_HANDLE h = net.open(1);
    char name[256] = {};
    ASSERT_EQ(net.client().NWGetConnectionInformation(h, 2, name, nullptr, nullptr, nullptr), 0);
    EXPECT_STREQ(name, "M\x9aLLER");  // Ü in code page 850
    ASSERT_EQ(net.client().NWGetLongName(h, 0, "SYS:CAF_~1.TXT", 0, 4, name), 0);
    EXPECT_STREQ(name, "Caf\x82.txt");  // é in code page 850
    EXPECT_EQ(net.client().NWCCCloseConn(h), 0);
}

}  // namespace
