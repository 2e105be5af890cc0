// The volume's disk access: every operation stays beneath the volume's folder whatever is
// swapped on disk meanwhile, never replaces what it cannot see, hides and refuses the names
// NetWare refuses, keeps sparse files sparse and never grows a file past the volume's space. Each
// case runs with openat2 and with the walk component by component that stands in for it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "volume_network.h"

namespace {

using namespace nw;
namespace fs = std::filesystem;

class DiskAccess : public testnet::VolumeTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        if (std::string(GetParam()) == "walk")
            ::setenv("NWSIM_RESOLVE", "walk", 1);
        VolumeTest::SetUp();
    }
    void TearDown() override {
        VolumeTest::TearDown();
        ::unsetenv("NWSIM_RESOLVE");
    }

    fs::path onDisk(const std::string& below) const { return net.folder() / below; }
    void put(const std::string& below, const std::string& text) const {
        fs::create_directories(onDisk(below).parent_path());
        std::ofstream(onDisk(below), std::ios::binary) << text;
    }
    // Every file below a folder with its content.
    std::map<std::string, std::string> snapshot(const fs::path& folder) {
        std::map<std::string, std::string> files;
        for (const auto& item : fs::recursive_directory_iterator(folder)) {
            std::string key = item.path().lexically_relative(folder).string();
            files[key] = item.is_regular_file() ? read(fs::relative(item.path(), net.folder()))
                                                : std::string("<folder>");
        }
        return files;
    }
    std::string readThrough(const char* path) {
        NW_FILE_HANDLE file = 0;
        EXPECT_EQ(sim().OpenFile(admin, NW_NS_LONG, SA_FILES, path, AR_READ, &file), SUCCESSFUL);
        char buffer[64] = {};
        nuint32 n = 0;
        EXPECT_EQ(sim().ReadFile(file, sizeof buffer, &n, buffer), SUCCESSFUL);
        EXPECT_EQ(sim().CloseFile(file), SUCCESSFUL);
        return std::string(buffer, n);
    }
    nuint32 blocksOfAdmin() {
        nuint32 adminId = 0, limit = 0, inUse = 0;
        EXPECT_EQ(sim().GetBinderyObjectID(admin, "ADMIN", BINDERY_USER, &adminId), SUCCESSFUL);
        EXPECT_EQ(sim().GetObjectVolumeRestriction(admin, 0, adminId, &limit, &inUse), SUCCESSFUL);
        return inUse;
    }
};

INSTANTIATE_TEST_SUITE_P(Resolution, DiskAccess, ::testing::Values("openat2", "walk"));

// Read SYS:DIR\SUB\c.txt, then put a link to a folder outside the volume in SUB's place: no
// operation reads, writes, lists, moves, erases or creates anything out there.
TEST_P(DiskAccess, AFolderSwappedForALinkLeadsNoOperationOutOfTheVolume) {
    const std::string sub = "volumes/FS1/SYS/DIR/SUB";
    put(sub + "/c.txt", "inside");
    put(sub + "/e.txt", "to erase");
    fs::create_directories(onDisk(sub + "/d"));
    put("outside/c.txt", "outside secret");
    put("outside/e.txt", std::string(400000, 'x'));  // would count 98 blocks more for ADMIN
    fs::create_directories(onDisk("outside/d"));

    // Before the swap: SUB is listed, a file in it read, a deleted file kept in it, a handle and
    // a search on it.
    EXPECT_EQ(readThrough("SYS:DIR\\SUB\\c.txt"), "inside");
    ASSERT_EQ(sim().EraseFile(admin, NW_NS_LONG, SA_FILES, "SYS:DIR\\SUB\\e.txt"), SUCCESSFUL);
    NWDIR_HANDLE subDir = 0;
    ASSERT_EQ(sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:DIR\\SUB", &subDir), SUCCESSFUL);
    SEARCH_SEQUENCE seq;
    ASSERT_EQ(sim().StartSearch(admin, subDir, NW_NS_LONG, &seq), SUCCESSFUL);
    nuint32 blocksBefore = blocksOfAdmin();

    fs::rename(onDisk(sub), onDisk("moved-away"));
    fs::create_directory_symlink(onDisk("outside"), onDisk(sub));
    const auto outside = snapshot(onDisk("outside"));

    // A search started before the swap finds nothing out there.
    NW_ENTRY_INFO record;
    EXPECT_EQ(sim().SearchNext(admin, &seq, NW_NS_LONG, SA_ANY, "*", &record), FAILURE);

    NW_FILE_HANDLE file = 0;
    nuint32 sequence = 0xFFFFFFFF;
    NW_DELETED_FILE deleted;
    ASSERT_EQ(sim().ScanSalvageableFiles(admin, subDir, NW_NS_LONG, &sequence, &deleted),
              SUCCESSFUL);
    NW_ENTRY_INFO dates = info("SYS:readme.txt");
    NWDIR_HANDLE another = 0;
    SEARCH_SEQUENCE fresh;
    const std::vector<std::pair<const char*, NWCCODE>> attempts = {
        {"salvage",
         sim().RecoverSalvageableFile(admin, subDir, NW_NS_LONG, deleted.sequence, nullptr)},
        {"start a search", sim().StartSearch(admin, subDir, NW_NS_LONG, &fresh)},
        {"entry info",
         sim().GetEntryInfo(admin, NW_NS_LONG, SA_ANY, "SYS:DIR\\SUB\\c.txt", &record)},
        {"open for reading",
         sim().OpenFile(admin, NW_NS_LONG, SA_FILES, "SYS:DIR\\SUB\\c.txt", AR_READ, &file)},
        {"open for writing",
         sim().OpenFile(admin, NW_NS_LONG, SA_FILES, "SYS:DIR\\SUB\\c.txt", AR_WRITE, &file)},
        {"replace", sim().CreateFile(admin, NW_NS_LONG, "SYS:DIR\\SUB\\c.txt", 0, true, &file)},
        {"erase", sim().EraseFile(admin, NW_NS_LONG, SA_FILES, "SYS:DIR\\SUB\\c.txt")},
        {"move into the volume",
         sim().MoveEntry(admin, NW_NS_LONG, SA_FILES, "SYS:DIR\\SUB\\c.txt", "SYS:pulled.txt")},
        {"move out of the volume",
         sim().MoveEntry(admin, NW_NS_LONG, SA_FILES, "SYS:readme.txt", "SYS:DIR\\SUB\\p.txt")},
        {"create file",
         sim().CreateFile(admin, NW_NS_LONG, "SYS:DIR\\SUB\\new.txt", 0, false, &file)},
        {"create directory", sim().CreateDirectory(admin, NW_NS_LONG, "SYS:DIR\\SUB\\N", 0xFB)},
        {"delete directory", sim().DeleteDirectory(admin, NW_NS_LONG, "SYS:DIR\\SUB\\d")},
        {"dates", sim().ModifyEntryInfo(admin, NW_NS_LONG, SA_ANY, "SYS:DIR\\SUB\\c.txt",
                                        DM_MODIFY_DATE, &dates)},
        {"directory handle", sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:DIR\\SUB", &another)},
    };
    for (const auto& [what, code] : attempts)
        EXPECT_EQ(code, INVALID_PATH) << what;
    // The space in use counts nothing out there (and SUB's files are no longer in the volume).
    EXPECT_LE(blocksOfAdmin(), blocksBefore);

    EXPECT_EQ(snapshot(onDisk("outside")), outside);
    EXPECT_FALSE(exists("volumes/FS1/SYS/pulled.txt"));
    EXPECT_EQ(read("volumes/FS1/SYS/readme.txt"), "test file volumes/FS1/SYS/readme.txt\n");
    EXPECT_EQ(read("moved-away/c.txt"), "inside");
    EXPECT_EQ(sim().DeallocDirHandle(admin, subDir), SUCCESSFUL);
}

// A file swapped for a link to a file outside is no file of the volume either.
TEST_P(DiskAccess, AFileSwappedForALinkIsNotOpened) {
    put("secret.txt", "outside secret");
    info("SYS:readme.txt");
    fs::remove(onDisk("volumes/FS1/SYS/readme.txt"));
    fs::create_symlink(onDisk("secret.txt"), onDisk("volumes/FS1/SYS/readme.txt"));
    NW_FILE_HANDLE file = 0;
    NW_ENTRY_INFO record;
    EXPECT_EQ(sim().OpenFile(admin, NW_NS_LONG, SA_FILES, "SYS:readme.txt", AR_WRITE, &file),
              INVALID_PATH);
    EXPECT_EQ(sim().GetEntryInfo(admin, NW_NS_LONG, SA_ANY, "SYS:readme.txt", &record),
              INVALID_PATH);
    // A named pipe in a file's place is refused at once, not waited on.
    ASSERT_EQ(::mkfifo(onDisk("volumes/FS1/SYS/PUBLIC/LOGIN.EXE.tmp").c_str(), 0600), 0);
    info("SYS:PUBLIC\\LOGIN.EXE");
    fs::rename(onDisk("volumes/FS1/SYS/PUBLIC/LOGIN.EXE.tmp"),
               onDisk("volumes/FS1/SYS/PUBLIC/LOGIN.EXE"));
    EXPECT_EQ(sim().OpenFile(admin, NW_NS_LONG, SA_FILES, "SYS:PUBLIC\\LOGIN.EXE", AR_READ, &file),
              INVALID_PATH);
    EXPECT_EQ(read("secret.txt"), "outside secret");
}

// Data.txt and data.txt on disk: the listing shows the first; a rename to the second's name
// answers NAME_EXISTS and loses nothing. Without the twin, the case-only rename works.
TEST_P(DiskAccess, ARenameNeverReplacesAHiddenCaseTwin) {
    put("volumes/FS1/SYS/Data.txt", "upper");
    put("volumes/FS1/SYS/data.txt", "lower");
    EXPECT_EQ(std::string(info("SYS:DATA.TXT").entryName), "Data.txt");
    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_FILES, "SYS:Data.txt", "SYS:data.txt"),
              NAME_EXISTS);
    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_FILES, "SYS:readme.txt", "SYS:data.txt"),
              NAME_EXISTS);
    NWCCODE created = sim().CreateDirectory(admin, NW_NS_LONG, "SYS:data.txt", 0xFB);
    EXPECT_EQ(created, NAME_EXISTS);
    EXPECT_EQ(read("volumes/FS1/SYS/Data.txt"), "upper");
    EXPECT_EQ(read("volumes/FS1/SYS/data.txt"), "lower");

    fs::remove(onDisk("volumes/FS1/SYS/data.txt"));
    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_FILES, "SYS:Data.txt", "SYS:data.txt"),
              SUCCESSFUL);
    EXPECT_EQ(read("volumes/FS1/SYS/data.txt"), "upper");
    EXPECT_FALSE(exists("volumes/FS1/SYS/Data.txt"));
    EXPECT_EQ(std::string(info("SYS:DATA.TXT").entryName), "data.txt");
}

// Names NetWare refuses stay out of searches (nothing could act on them) and cannot be made;
// names made of dots only are refused like "." and "..".
TEST_P(DiskAccess, NamesNetWareRefusesAreHiddenAndRefused) {
    const std::vector<std::string> refused = {
        "a:b.txt",   "q?.txt",        "pipe|.txt",      "lt<.txt", "q\".txt", "back\\slash.txt",
        "star*.txt", "tab\tname.txt", "esc\x1b[2J.txt", "...",     "...."};
    for (const std::string& name : refused)
        put("volumes/FS1/SYS/ODD/" + name, "odd");
    fs::create_directories(onDisk("volumes/FS1/SYS/ODD/...../inner"));  // a folder of dots
    put("volumes/FS1/SYS/ODD/fine.txt", "fine");

    NWDIR_HANDLE dir = 0;
    ASSERT_EQ(sim().AllocTempDirHandle(admin, NW_NS_LONG, "SYS:ODD", &dir), SUCCESSFUL);
    SEARCH_SEQUENCE seq;
    ASSERT_EQ(sim().StartSearch(admin, dir, NW_NS_LONG, &seq), SUCCESSFUL);
    std::vector<std::string> listed;
    NW_ENTRY_INFO record;
    while (sim().SearchNext(admin, &seq, NW_NS_LONG, SA_ANY, "*", &record) == SUCCESSFUL)
        listed.emplace_back(record.entryName, record.nameLength);
    EXPECT_EQ(listed, std::vector<std::string>{"fine.txt"});
    EXPECT_EQ(sim().DeallocDirHandle(admin, dir), SUCCESSFUL);

    NW_FILE_HANDLE file = 0;
    for (const char* name : {"SYS:...", "SYS:ODD\\....", "SYS:.", "SYS:ODD\\a:b"}) {
        EXPECT_EQ(sim().CreateDirectory(admin, NW_NS_LONG, name, 0xFB), INVALID_FILENAME) << name;
        EXPECT_EQ(sim().CreateFile(admin, NW_NS_LONG, name, 0, false, &file), INVALID_FILENAME)
            << name;
    }
    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_FILES, "SYS:readme.txt", "SYS:..."),
              INVALID_FILENAME);
    EXPECT_EQ(sim().MoveEntry(admin, NW_NS_LONG, SA_FILES, "SYS:ODD\\fine.txt", "SYS:ODD\\...."),
              INVALID_FILENAME);
    EXPECT_EQ(read("volumes/FS1/SYS/ODD/...."), "odd");
    EXPECT_TRUE(exists("volumes/FS1/SYS/readme.txt"));
}

// With a code page that spells C1 control characters (ISO-8859-1), a name holding one (an
// escape to a terminal) is hidden and refused as the other control characters are.
TEST(DiskNames, C1ControlCharactersAreHiddenAndRefused) {
    testnet::TestNetwork net(R"({"workstation": {"codePage": "ISO-8859-1", "connections": [
        {"server": "FS1", "user": "ADMIN", "station": 1}]}, "servers": [{"name": "FS1",
        "users": ["ADMIN"], "volumes": [{"name": "SYS"}]}]})",
                             {"volumes/FS1/SYS/csi\xc2\x9b"
                              "31m.txt",
                              "volumes/FS1/SYS/caf\xc3\xa9.txt"});
    NWCONN_HANDLE h = net.open(1);
    NW_ENTRY_INFO record;
    EXPECT_EQ(net.client().GetEntryInfo(h, NW_NS_LONG, SA_ANY, "SYS:caf\xe9.txt", &record),
              SUCCESSFUL);
    EXPECT_EQ(net.client().GetEntryInfo(h, NW_NS_LONG, SA_ANY,
                                        "SYS:csi\x9b"
                                        "31m.txt",
                                        &record),
              INVALID_PATH);
    NW_FILE_HANDLE file = 0;
    EXPECT_EQ(net.client().CreateFile(h, NW_NS_LONG, "SYS:x\x85y", 0, false, &file),
              INVALID_FILENAME);
    EXPECT_EQ(net.client().NWCCCloseConn(h), SUCCESSFUL);
}

// A file with a hole of 64 MiB copies as a file with the same hole, over a new file and over the
// middle of a full one (whose bytes there read as zeros afterwards).
TEST(DiskSpace, CopiesKeepHolesAsHoles) {
    testnet::TestNetwork net(R"({"workstation": {"connections": [{"server": "FS1",
        "user": "ADMIN", "station": 1}]}, "servers": [{"name": "FS1", "users": ["ADMIN"],
        "volumes": [{"name": "SYS", "blocks": {"total": 1000000, "free": 900000}}]}]})",
                             {"volumes/FS1/SYS/"});
    sim::SimClient& c = net.client();
    NWCONN_HANDLE h = net.open(1);
    constexpr nuint64 kHole = 64ull << 20;
    NW_FILE_HANDLE sparse = 0, copy = 0, full = 0;
    nuint32 written = 0;
    nint64 position = 0;
    ASSERT_EQ(c.CreateFile(h, NW_NS_LONG, "SYS:sparse.dat", 0, false, &sparse), SUCCESSFUL);
    ASSERT_EQ(c.WriteFile(sparse, 4, "head", &written), SUCCESSFUL);
    ASSERT_EQ(c.SeekFile(sparse, kHole, SEEK_FROM_START, &position), SUCCESSFUL);
    ASSERT_EQ(c.WriteFile(sparse, 4, "tail", &written), SUCCESSFUL);
    struct stat st {};
    ASSERT_EQ(::stat((net.folder() / "volumes/FS1/SYS/sparse.dat").c_str(), &st), 0);
    if (st.st_blocks * 512 >= static_cast<off_t>(kHole))
        GTEST_SKIP() << "the scratch folder's file system keeps no holes";

    ASSERT_EQ(c.CreateFile(h, NW_NS_LONG, "SYS:copy.dat", 0, false, &copy), SUCCESSFUL);
    nuint64 copied = 0;
    ASSERT_EQ(c.CopyFileData(h, sparse, copy, 0, 0, kHole + 4, &copied), SUCCESSFUL);
    EXPECT_EQ(copied, kHole + 4);
    ASSERT_EQ(::stat((net.folder() / "volumes/FS1/SYS/copy.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, static_cast<off_t>(kHole + 4));
    EXPECT_LT(st.st_blocks * 512, 1 << 20) << "the hole was filled";

    // Over a full file: the hole's place reads zeros; a copy that ends in a hole sets the size.
    ASSERT_EQ(c.CreateFile(h, NW_NS_LONG, "SYS:full.dat", 0, false, &full), SUCCESSFUL);
    std::string bytes(1 << 20, 'F');
    ASSERT_EQ(c.WriteFile(full, static_cast<nuint32>(bytes.size()), bytes.data(), &written),
              SUCCESSFUL);
    ASSERT_EQ(c.CopyFileData(h, sparse, full, 0, 0, 1 << 19, &copied), SUCCESSFUL);
    EXPECT_EQ(copied, 1u << 19);
    char back[8] = {};
    nuint32 n = 0;
    ASSERT_EQ(c.SeekFile(full, 0, SEEK_FROM_START, &position), SUCCESSFUL);
    ASSERT_EQ(c.ReadFile(full, 4, &n, back), SUCCESSFUL);
    EXPECT_EQ(std::string(back, n), "head");
    ASSERT_EQ(c.SeekFile(full, 4096, SEEK_FROM_START, &position), SUCCESSFUL);
    ASSERT_EQ(c.ReadFile(full, 4, &n, back), SUCCESSFUL);
    EXPECT_EQ(std::string(back, n), std::string(4, '\0'));
    ASSERT_EQ(c.SeekFile(full, 1 << 19, SEEK_FROM_START, &position), SUCCESSFUL);
    ASSERT_EQ(c.ReadFile(full, 4, &n, back), SUCCESSFUL);
    EXPECT_EQ(std::string(back, n), "FFFF");
    for (NW_FILE_HANDLE f : {sparse, copy, full})
        EXPECT_EQ(c.CloseFile(f), SUCCESSFUL);
    EXPECT_EQ(c.NWCCCloseConn(h), SUCCESSFUL);
}

// SYS holds 1000 blocks of 4 KB: a write or copy ending past 4,096,000 bytes answers
// INSUFFICIENT_SPACE and the file stays as it was.
TEST_P(DiskAccess, NoWriteOrCopyEndsBeyondTheVolume) {
    NW_FILE_HANDLE file = 0, copy = 0;
    ASSERT_EQ(sim().CreateFile(admin, NW_NS_LONG, "SYS:big.dat", 0, false, &file), SUCCESSFUL);
    nint64 position = 0;
    nuint32 written = 7;
    ASSERT_EQ(sim().SeekFile(file, 1ll << 40, SEEK_FROM_START, &position), SUCCESSFUL);
    EXPECT_EQ(sim().WriteFile(file, 1, "x", &written), INSUFFICIENT_SPACE);
    EXPECT_EQ(written, 0u);
    ASSERT_EQ(sim().SeekFile(file, 4096000 - 1, SEEK_FROM_START, &position), SUCCESSFUL);
    EXPECT_EQ(sim().WriteFile(file, 2, "xy", &written), INSUFFICIENT_SPACE);
    EXPECT_EQ(sim().WriteFile(file, 1, "x", &written), SUCCESSFUL);  // ends on the last byte
    EXPECT_EQ(info("SYS:big.dat").dataSize, 4096000u);

    ASSERT_EQ(sim().CreateFile(admin, NW_NS_LONG, "SYS:copy.dat", 0, false, &copy), SUCCESSFUL);
    nuint64 copied = 9;
    EXPECT_EQ(sim().CopyFileData(admin, file, copy, 0, 1, 4096000, &copied), INSUFFICIENT_SPACE);
    EXPECT_EQ(copied, 0u);
    EXPECT_EQ(info("SYS:copy.dat").dataSize, 0u);
    EXPECT_EQ(sim().CopyFileData(admin, file, copy, 4095000, 0, 1ull << 40, &copied),
              SUCCESSFUL);  // only what the source holds counts
    EXPECT_EQ(copied, 1000u);
    EXPECT_EQ(sim().CloseFile(file), SUCCESSFUL);
    EXPECT_EQ(sim().CloseFile(copy), SUCCESSFUL);
}

}  // namespace
