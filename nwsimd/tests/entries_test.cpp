// Entries and file data over the wire: 87/1 (create a directory, create, replace and open a
// file), 72/73/71/66/74 on the 6-byte handle, 87/7, 87/29, 87/4, 87/8, 22/19 and 22/18, with
// rights refused and granted; handles that belong to their session and go with it.
#include "servednetwork.h"
#include "testnetwork.h"
#include "wirecalls.h"

namespace nw::nwsimd::testing {
namespace {

using namespace ncp;
namespace mode = call::open_mode;

class WireEntries : public WireTest {
protected:
    void SetUp() override {
        serve(kNetwork, networkFiles());
        admin = client("ADMIN", "secret");
        jsmith = client("JSMITH", "jpass");
    }

    std::uint8_t infoOf(WireClient& wire, const char* path, EntryInfo* out = nullptr) {
        call::ObtainEntryInfo::Request request{kLong,     kLong, 0x8006,
                                               rim::kAll, 0,     volumePath(path)};
        auto info = wire.call<call::ObtainEntryInfo>(request);
        if (out != nullptr && info.ok())
            *out = info.reply->info;
        return info.completion;
    }

    std::unique_ptr<WireClient> admin;
    std::unique_ptr<WireClient> jsmith;
};

TEST_F(WireEntries, FileWrittenAndReadBack) {
    auto dir = openCreate(*admin, volumePath("DATA:NEW"), mode::kCreate, 0xFFFF, A_DIRECTORY);
    ASSERT_TRUE(dir.ok());
    EXPECT_EQ(dir.reply->action, call::open_action::kCreated);
    EXPECT_EQ(dir.reply->fileHandle, 0u);
    EXPECT_EQ(dir.reply->info.name, "NEW");
    EXPECT_NE(dir.reply->info.attributes & A_DIRECTORY, 0u);
    EXPECT_EQ(
        openCreate(*admin, volumePath("DATA:NEW"), mode::kCreate, 0xFFFF, A_DIRECTORY).completion,
        completionOf(NAME_EXISTS));

    auto made = openCreate(*admin, volumePath("DATA:NEW\\Report.txt"), mode::kCreate, 3);
    ASSERT_TRUE(made.ok());
    EXPECT_EQ(made.reply->action, call::open_action::kCreated);
    FileHandle file = fileOf(made);
    EXPECT_EQ(admin->call<call::WriteFile>({file, 0, bytesOf("hello, wire")}).completion, 0);
    EXPECT_EQ(admin->call<call::WriteFile>({file, 7, bytesOf("WIRE")}).completion, 0);
    auto size = admin->call<call::GetFileSize>({file});
    ASSERT_TRUE(size.ok());
    EXPECT_EQ(size.reply->size, 11u);
    EXPECT_EQ(readAll(*admin, file), "hello, WIRE");
    // An odd offset puts a pad byte before the data; the codec takes it away.
    auto odd = admin->call<call::ReadFile>({file, 1, 4});
    ASSERT_TRUE(odd.ok());
    EXPECT_EQ(std::string(odd.reply->data.begin(), odd.reply->data.end()), "ello");
    EXPECT_EQ(readAll(*admin, file, 3, 3), "lo, WIRE");  // chunks at odd and even offsets
    auto past = admin->call<call::ReadFile>({file, 1000, 10});
    ASSERT_TRUE(past.ok());
    EXPECT_TRUE(past.reply->data.empty());
    EXPECT_EQ(admin->call<call::CloseFile>({file}).completion, 0);
    EXPECT_EQ(admin->call<call::CloseFile>({file}).completion, completionOf(INVALID_FILE_HANDLE));
    EXPECT_EQ(admin->call<call::ReadFile>({file, 0, 10}).completion,
              completionOf(INVALID_FILE_HANDLE));

    // Opened again: what was written is there; replacing empties it.
    auto opened = openCreate(*admin, volumePath("DATA:NEW\\report.txt"), mode::kOpen, AR_READ);
    ASSERT_TRUE(opened.ok());
    EXPECT_EQ(opened.reply->action, call::open_action::kOpened);
    EXPECT_EQ(opened.reply->info.dataSize, 11u);
    EXPECT_EQ(readAll(*admin, fileOf(opened)), "hello, WIRE");
    EXPECT_EQ(admin->call<call::WriteFile>({fileOf(opened), 0, bytesOf("x")}).completion,
              completionOf(NO_WRITE_PRIVILEGES));
    auto replaced =
        openCreate(*admin, volumePath("DATA:NEW\\report.txt"), mode::kCreate | mode::kReplace, 3);
    ASSERT_TRUE(replaced.ok());
    EXPECT_EQ(replaced.reply->action, call::open_action::kReplaced);
    EXPECT_EQ(admin->call<call::GetFileSize>({fileOf(replaced)}).reply->size, 0u);
    EXPECT_EQ(openCreate(*admin, volumePath("DATA:NEW\\report.txt"), mode::kCreate, 3).completion,
              completionOf(NAME_EXISTS));
    EXPECT_EQ(openCreate(*admin, volumePath("DATA:NEW\\none.txt"), mode::kOpen, 1).completion,
              completionOf(INVALID_PATH));
}

TEST_F(WireEntries, CopyOnTheServer) {
    std::string content(100000, 'c');
    for (std::size_t i = 0; i < content.size(); i += 7)
        content[i] = static_cast<char>('a' + i % 26);
    scratch().add("volumes/FS1/DATA/SHARED/big.bin", content);
    auto source = openCreate(*admin, volumePath("DATA:SHARED\\big.bin"), mode::kOpen, AR_READ);
    auto target = openCreate(*admin, volumePath("DATA:SHARED\\copy.bin"), mode::kCreate, 3);
    ASSERT_TRUE(source.ok());
    ASSERT_TRUE(target.ok());
    auto copy = admin->call<call::CopyFile>({fileOf(source), fileOf(target), 0, 0, 0xFFFFFFFF});
    ASSERT_TRUE(copy.ok());
    EXPECT_EQ(copy.reply->copied, content.size());
    EXPECT_EQ(readAll(*admin, fileOf(target), 0, 65000), content);
    // Part of it at offsets; the source opened for reading only cannot be the target.
    auto part = admin->call<call::CopyFile>({fileOf(source), fileOf(target), 10, 200000, 5});
    ASSERT_TRUE(part.ok());
    EXPECT_EQ(part.reply->copied, 5u);
    EXPECT_EQ(readAll(*admin, fileOf(target), 200000), content.substr(10, 5));
    EXPECT_EQ(admin->call<call::CopyFile>({fileOf(target), fileOf(source), 0, 0, 10}).completion,
              completionOf(NO_WRITE_PRIVILEGES));
}

TEST_F(WireEntries, FileHandlesBelongToTheirSession) {
    auto opened = openCreate(*admin, volumePath("DATA:SHARED\\budget.txt"), mode::kOpen, 3);
    ASSERT_TRUE(opened.ok());
    FileHandle file = fileOf(opened);
    std::uint8_t invalid = completionOf(INVALID_FILE_HANDLE);
    EXPECT_EQ(jsmith->call<call::ReadFile>({file, 0, 10}).completion, invalid);
    EXPECT_EQ(jsmith->call<call::WriteFile>({file, 0, bytesOf("x")}).completion, invalid);
    EXPECT_EQ(jsmith->call<call::GetFileSize>({file}).completion, invalid);
    EXPECT_EQ(jsmith->call<call::CloseFile>({file}).completion, invalid);
    auto mine = openCreate(*jsmith, volumePath("DATA:SHARED\\budget.txt"), mode::kOpen, AR_READ);
    ASSERT_TRUE(mine.ok());
    EXPECT_EQ(jsmith->call<call::CopyFile>({fileOf(mine), file, 0, 0, 1}).completion, invalid);
    EXPECT_EQ(admin->call<call::ReadFile>({file, 0, 10}).completion, 0);  // still the owner's

    // A session that ends gives back its files and directory handles, however it ends.
    auto handle = admin->call<call::AllocShortDirHandle>({kLong, 0, volumePath("DATA:SHARED")});
    ASSERT_TRUE(handle.ok());
    std::size_t files = 0, handles = 0;
    inModel([&](sim::ServerModel& m) {
        files = m.services().files.size();
        handles = m.services().dirHandleCount;
    });
    EXPECT_EQ(files, 2u);
    admin.reset();  // the TCP connection closes without 0x5555
    jsmith->call<call::CloseFile>({fileOf(mine)});
    for (int i = 0; i < 200 && files != 0; ++i) {
        inModel([&](sim::ServerModel& m) {
            files = m.services().files.size();
            handles = m.services().dirHandleCount;
        });
    }
    EXPECT_EQ(files, 0u);
    EXPECT_EQ(handles, 0u);
}

TEST_F(WireEntries, ASessionHoldsABoundedNumberOfOpenFiles) {
    std::vector<FileHandle> files;
    for (std::size_t i = 0; i < Session::kMaxOpenFiles; ++i) {
        auto opened = openCreate(*jsmith, volumePath("DATA:SHARED\\budget.txt"), mode::kOpen, 1);
        ASSERT_TRUE(opened.ok()) << i;
        files.push_back(fileOf(opened));
    }
    EXPECT_EQ(openCreate(*jsmith, volumePath("DATA:SHARED\\budget.txt"), mode::kOpen, 1).completion,
              0x81);
    // Other sessions are not held back; a file closed makes room.
    EXPECT_TRUE(openCreate(*admin, volumePath("DATA:SHARED\\budget.txt"), mode::kOpen, 1).ok());
    EXPECT_EQ(jsmith->call<call::CloseFile>({files.back()}).completion, 0);
    EXPECT_TRUE(openCreate(*jsmith, volumePath("DATA:SHARED\\budget.txt"), mode::kOpen, 1).ok());
}

TEST_F(WireEntries, RightsRefusedAndGranted) {
    // JSMITH reads in SHARED (RF) but makes, writes and erases nothing there.
    EXPECT_EQ(openCreate(*jsmith, volumePath("DATA:SHARED\\mine.txt"), mode::kCreate, 3).completion,
              completionOf(NO_CREATE_PRIVILEGES));
    EXPECT_EQ(
        openCreate(*jsmith, volumePath("DATA:SHARED\\SUB"), mode::kCreate, 0xFFFF, A_DIRECTORY)
            .completion,
        completionOf(NO_CREATE_PRIVILEGES));
    auto read = openCreate(*jsmith, volumePath("DATA:SHARED\\budget.txt"), mode::kOpen, AR_READ);
    EXPECT_TRUE(read.ok());
    EXPECT_NE(openCreate(*jsmith, volumePath("DATA:SHARED\\budget.txt"), mode::kOpen, AR_WRITE)
                  .completion,
              0);
    EXPECT_EQ(
        openCreate(*jsmith, volumePath("DATA:HOME\\JSMITH\\notes.txt"), mode::kOpen, 1).completion,
        completionOf(ACCESS_DENIED));
    EXPECT_EQ(
        jsmith->call<call::DeleteEntry>({kLong, 0x8006, volumePath("DATA:SHARED\\budget.txt")})
            .completion,
        completionOf(NO_DELETE_PRIVILEGES));

    // Listing HOME needs File Scan there.
    auto home = jsmith->call<call::InitializeSearch>({kLong, volumePath("DATA:HOME")});
    ASSERT_TRUE(home.ok());
    call::SearchEntrySet::Request list;
    list.nameSpace = kLong;
    list.sequence = *home.reply;
    EXPECT_EQ(jsmith->call<call::SearchEntrySet>(list).completion, completionOf(ACCESS_DENIED));
    EXPECT_TRUE(admin->call<call::SearchEntrySet>(list).ok());

    call::GetEffectiveRights::Request rights{kLong,     kLong, 0x8006,
                                             rim::kAll, 0,     volumePath("DATA:SHARED")};
    auto mine = jsmith->call<call::GetEffectiveRights>(rights);
    ASSERT_TRUE(mine.ok());
    EXPECT_EQ(mine.reply->effectiveRights, TR_READ | TR_FILE_SCAN);
    EXPECT_EQ(mine.reply->info.name, "SHARED");
    auto all = admin->call<call::GetEffectiveRights>(rights);
    ASSERT_TRUE(all.ok());
    EXPECT_EQ(all.reply->effectiveRights & TR_ALL, TR_ALL);
    rights.path = volumePath("DATA:HOME\\JSMITH");
    auto none = jsmith->call<call::GetEffectiveRights>(rights);
    ASSERT_TRUE(none.ok());
    EXPECT_EQ(none.reply->effectiveRights, 0);

    // Granted: a trustee with Create and Write in SHARED makes and writes a file there.
    auto add = admin->call<call::AddTrustees>(
        {kLong, 0x8006, 0xFFFF, volumePath("DATA:SHARED"), {{0, 0}}});
    EXPECT_NE(add.completion, 0);  // object 0 is nobody
    std::uint32_t id = 0;
    inModel(
        [&](sim::ServerModel& m) { m.objectId(*m.net().servers[0], "JSMITH", BINDERY_USER, id); });
    ASSERT_EQ(admin
                  ->call<call::AddTrustees>({kLong,
                                             0x8006,
                                             0xFFFF,
                                             volumePath("DATA:SHARED"),
                                             {{id, TR_READ | TR_FILE_SCAN | TR_CREATE | TR_WRITE}}})
                  .completion,
              0);
    auto made = openCreate(*jsmith, volumePath("DATA:SHARED\\mine.txt"), mode::kCreate, 3);
    ASSERT_TRUE(made.ok());
    EXPECT_EQ(jsmith->call<call::WriteFile>({fileOf(made), 0, bytesOf("ok")}).completion, 0);
}

TEST_F(WireEntries, ModifyRenameMoveAndErase) {
    auto made = openCreate(*admin, volumePath("DATA:SHARED\\a.txt"), mode::kCreate, 3);
    ASSERT_TRUE(made.ok());
    call::ModifyEntryInfo::Request modify;
    modify.nameSpace = kLong;
    modify.searchAttributes = 0x8006;
    modify.modifyMask = call::modify::kAttributes | call::modify::kInheritance;
    modify.attributes = A_READ_ONLY | A_DELETE_INHIBIT | A_DONT_COMPRESS;
    modify.inheritedRightsMask = TR_READ;
    modify.inheritanceRevokeMask = 0xFFFF;
    modify.path = volumePath("DATA:SHARED\\a.txt");
    ASSERT_EQ(admin->call<call::ModifyEntryInfo>(modify).completion, 0);
    EntryInfo info;
    ASSERT_EQ(infoOf(*admin, "DATA:SHARED\\a.txt", &info), 0);
    EXPECT_EQ(info.attributes & (A_READ_ONLY | A_DELETE_INHIBIT | A_DONT_COMPRESS),
              A_READ_ONLY | A_DELETE_INHIBIT | A_DONT_COMPRESS)
        << "bits above 23 travel too";
    EXPECT_EQ(info.inheritedRights, TR_READ | TR_SUPERVISOR);  // Supervisor always stays
    EXPECT_EQ(jsmith->call<call::ModifyEntryInfo>(modify).completion,
              completionOf(NO_MODIFY_PRIVILEGES));
    EXPECT_EQ(admin->call<call::DeleteEntry>({kLong, 0x8006, volumePath("DATA:SHARED\\a.txt")})
                  .completion,
              completionOf(NO_DELETE_PRIVILEGES));  // delete inhibit
    modify.modifyMask = call::modify::kAttributes;
    modify.attributes = 0;
    ASSERT_EQ(admin->call<call::ModifyEntryInfo>(modify).completion, 0);

    // Rename in place, move to another directory, refuse another volume and a taken name.
    auto rename = [&](const char* from, HandlePath to) {
        return admin->call<call::RenameEntry>({kLong, 0, 0x8006, volumePath(from), std::move(to)})
            .completion;
    };
    EXPECT_EQ(rename("DATA:SHARED\\a.txt", volumePath("DATA:SHARED\\b.txt")), 0);
    EXPECT_EQ(infoOf(*admin, "DATA:SHARED\\b.txt"), 0);
    EXPECT_EQ(infoOf(*admin, "DATA:SHARED\\a.txt"), completionOf(INVALID_PATH));
    EXPECT_EQ(rename("DATA:SHARED\\b.txt", volumePath("DATA:EMPTY\\c.txt")), 0);
    EXPECT_EQ(infoOf(*admin, "DATA:EMPTY\\c.txt"), 0);
    EXPECT_EQ(rename("DATA:EMPTY\\c.txt", volumePath("SYS:c.txt")),
              completionOf(RENAMING_ACROSS_VOLUMES));
    EXPECT_EQ(rename("DATA:EMPTY\\c.txt", volumePath("DATA:SHARED\\budget.txt")),
              completionOf(NAME_EXISTS));
    EXPECT_EQ(rename("DATA:EMPTY\\none", volumePath("DATA:SHARED\\x")), completionOf(INVALID_PATH));
    EXPECT_EQ(jsmith
                  ->call<call::RenameEntry>({kLong, 0, 0x8006, volumePath("DATA:EMPTY\\c.txt"),
                                             volumePath("DATA:EMPTY\\d.txt")})
                  .completion,
              completionOf(NO_MODIFY_PRIVILEGES));

    // Erase: a directory with something in it stays; empty, it goes; then the file.
    auto erase = [&](const char* path) {
        return admin->call<call::DeleteEntry>({kLong, 0x8006, volumePath(path)}).completion;
    };
    EXPECT_EQ(erase("DATA:EMPTY"), completionOf(DIRECTORY_NOT_EMPTY));
    EXPECT_EQ(erase("DATA:EMPTY\\c.txt"), completionOf(FILE_IN_USE));  // still open
    EXPECT_EQ(admin->call<call::CloseFile>({fileOf(made)}).completion, 0);
    EXPECT_EQ(erase("DATA:EMPTY\\c.txt"), 0);
    EXPECT_EQ(erase("DATA:EMPTY\\c.txt"), completionOf(INVALID_PATH));
    EXPECT_EQ(erase("DATA:EMPTY"), 0);
    EXPECT_EQ(infoOf(*admin, "DATA:EMPTY"), completionOf(INVALID_PATH));
}

TEST_F(WireEntries, DirectoryHandlesForTextPaths) {
    auto handle = jsmith->call<call::AllocTempDirHandle>({0, 'G', "DATA:SHARED"});
    ASSERT_TRUE(handle.ok());
    EXPECT_EQ(handle.reply->accessRights, TR_READ | TR_FILE_SCAN);
    // Relative to the handle.
    auto up = jsmith->call<call::AllocPermDirHandle>({handle.reply->dirHandle, 'H', "..\\MANY"});
    ASSERT_TRUE(up.ok());
    EXPECT_NE(up.reply->dirHandle, handle.reply->dirHandle);
    EXPECT_EQ(
        jsmith->call<call::AllocTempDirHandle>({0, 'G', "DATA:SHARED\\budget.txt"}).completion,
        completionOf(INVALID_PATH));
    EXPECT_EQ(jsmith->call<call::AllocTempDirHandle>({0, 'G', "DATA:..\\.."}).completion,
              completionOf(INVALID_PATH));
    EXPECT_EQ(jsmith->call<call::AllocTempDirHandle>({77, 'G', "X"}).completion,
              completionOf(BAD_DIRECTORY_HANDLE));
    EXPECT_EQ(jsmith->call<call::DeallocDirHandle>({handle.reply->dirHandle}).completion, 0);
    EXPECT_EQ(jsmith->call<call::DeallocDirHandle>({up.reply->dirHandle}).completion, 0);
}

}  // namespace
}  // namespace nw::nwsimd::testing
