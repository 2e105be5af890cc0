// Paths, entries, directory handles and searches over the wire: 87/22, 87/28, 87/6, 87/12 and
// 22/20, 87/2, 87/3 and 87/20; volumes by name and number (22/6, 22/5, 22/52); paths that
// would leave their volume.
#include <cstdio>
#include <set>

#include "ncp/paths.h"
#include "servednetwork.h"
#include "testnetwork.h"

namespace nw::nwsimd::testing {
namespace {

using namespace ncp;
constexpr std::uint8_t kDos = call::name_space::kDos;
constexpr std::uint8_t kLong = call::name_space::kLong;

HandlePath volumePath(const char* text) {
    return *paths::fromVolumePath(text);
}

class WireDirectories : public WireTest {
protected:
    void SetUp() override {
        serve(kNetwork, networkFiles());
        wire = client("JSMITH", "jpass");
    }

    // Every name a listing of path gives with 87/20 (count entries per request).
    std::vector<std::string> listSet(const char* path, std::uint16_t count, std::uint32_t buffer,
                                     std::string pattern = call::kMatchAll,
                                     int* replies = nullptr) {
        std::vector<std::string> names;
        auto start = wire->call<call::InitializeSearch>({kLong, volumePath(path)});
        EXPECT_TRUE(start.ok());
        if (!start.ok())
            return names;
        call::SearchEntrySet::Request request;
        request.nameSpace = kLong;
        request.returnInfoCount = count;
        request.sequence = *start.reply;
        request.pattern = pattern;
        for (int guard = 0; guard < 1000; ++guard) {
            auto set = wire->call<call::SearchEntrySet>(request, buffer);
            if (set.completion == completion::kFailure)
                break;
            EXPECT_TRUE(set.ok()) << "completion " << int(set.completion);
            if (!set.ok())
                break;
            if (replies != nullptr)
                ++*replies;
            EXPECT_FALSE(set.reply->entries.empty());
            EXPECT_LE(set.reply->entries.size(), count);
            for (const EntryInfo& e : set.reply->entries)
                names.push_back(e.name);
            if (set.reply->more == 0)
                break;
            request.sequence = set.reply->sequence;
        }
        return names;
    }

    std::unique_ptr<WireClient> wire;
};

TEST_F(WireDirectories, PathsAndDirectoryBases) {
    auto base = wire->call<call::GenerateDirBase>(
        {kLong, kDos, 0, volumePath("DATA:SHARED\\Quarterly Report.xls")});
    ASSERT_TRUE(base.ok());
    EXPECT_EQ(base.reply->volume, 1);
    // The full path from the base, in either name space; leaf first, the volume last.
    auto full = wire->call<call::GetFullPath>(
        {kDos, kLong, 0, 0xFFFFFFFF, 0xFFFFFFFF,
         HandlePath{base.reply->volume, base.reply->dirBase, handle_flag::kDirBase, {}}});
    ASSERT_TRUE(full.ok());
    EXPECT_EQ(full.reply->components,
              (std::vector<std::string>{"Quarterly Report.xls", "SHARED", "DATA"}));
    auto dos = wire->call<call::GetFullPath>(
        {kLong, kDos, 0, 0xFFFFFFFF, 0xFFFFFFFF, volumePath("DATA:SHARED\\Quarterly Report.xls")});
    ASSERT_TRUE(dos.ok());
    EXPECT_EQ(dos.reply->components, (std::vector<std::string>{"QUARTE~1.XLS", "SHARED", "DATA"}));
    auto root = wire->call<call::GetFullPath>(
        {kLong, kLong, 0, 0xFFFFFFFF, 0xFFFFFFFF, volumePath("DATA:")});
    ASSERT_TRUE(root.ok());
    EXPECT_EQ(root.reply->components, std::vector<std::string>{"DATA"});

    EXPECT_EQ(
        wire->call<call::GenerateDirBase>({kLong, kDos, 0, volumePath("DATA:NONE")}).completion,
        completionOf(INVALID_PATH));
    EXPECT_EQ(wire->call<call::GenerateDirBase>({kLong, kDos, 0, volumePath("NOVOL:X")}).completion,
              completionOf(VOLUME_DOES_NOT_EXIST));
    EXPECT_EQ(
        wire->call<call::GenerateDirBase>({kLong, 2, 0, volumePath("DATA:SHARED")}).completion,
        completionOf(INVALID_NAME_SPACE));
}

TEST_F(WireDirectories, PathsNeverLeaveTheirVolume) {
    std::uint8_t invalid = completionOf(INVALID_PATH);
    auto resolve = [&](HandlePath path) {
        return wire->call<call::GenerateDirBase>({kLong, kLong, 0, std::move(path)}).completion;
    };
    // Parent steps: allowed inside the volume, refused above its root.
    HandlePath up = volumePath("DATA:SHARED");
    up.components.push_back("");
    up.components.push_back("HOME");
    EXPECT_EQ(resolve(up), 0);
    HandlePath above = volumePath("DATA:SHARED");
    above.components.insert(above.components.end(), {"", ""});
    EXPECT_EQ(resolve(above), invalid);
    // Names that are no single entry name: separators, dots, a wildcard, a NUL.
    for (std::string bad : {std::string("SHARED/budget.txt"), std::string("SHARED\\budget.txt"),
                            std::string(".."), std::string("."), std::string("\xFF*", 2),
                            std::string("SHA\0RED", 7), std::string("DATA:SHARED")}) {
        HandlePath path = volumePath("DATA:");
        path.components.push_back(bad);
        EXPECT_EQ(resolve(path), invalid) << bad;
    }
    // A directory base that is no entry, a handle that is not allocated.
    EXPECT_EQ(resolve({1, 999999, handle_flag::kDirBase, {}}), invalid);
    EXPECT_EQ(resolve({1, 7, handle_flag::kShortHandle, {"X"}}),
              completionOf(BAD_DIRECTORY_HANDLE));
}

TEST_F(WireDirectories, EntryInformationWithTheCallersRights) {
    call::ObtainEntryInfo::Request request;
    request.sourceNameSpace = kLong;
    request.destNameSpace = kLong;
    request.searchAttributes = 0x8006;
    request.path = volumePath("DATA:SHARED\\Quarterly Report.xls");
    auto info = wire->call<call::ObtainEntryInfo>(request);
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info.reply->info.name, "Quarterly Report.xls");
    EXPECT_EQ(info.reply->info.dataSize, 1u);
    EXPECT_EQ(info.reply->info.volumeNumber, 1u);
    request.destNameSpace = kDos;
    info = wire->call<call::ObtainEntryInfo>(request);
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info.reply->info.name, "QUARTE~1.XLS");
    // Without the name bit the record has no name.
    request.returnInfoMask = rim::kAll & ~rim::kName;
    EXPECT_TRUE(wire->call<call::ObtainEntryInfo>(request).ok());
    // JSMITH has no rights in HOME; ADMIN (a supervisor) has every right.
    request.returnInfoMask = rim::kAll;
    request.path = volumePath("DATA:HOME\\JSMITH\\notes.txt");
    EXPECT_EQ(wire->call<call::ObtainEntryInfo>(request).completion, completionOf(ACCESS_DENIED));
    EXPECT_TRUE(client("ADMIN", "secret")->call<call::ObtainEntryInfo>(request).ok());
}

TEST_F(WireDirectories, DirectoryHandles) {
    auto handle = wire->call<call::AllocShortDirHandle>({kLong, 0, volumePath("DATA:SHARED")});
    ASSERT_TRUE(handle.ok());
    EXPECT_EQ(handle.reply->volume, 1);
    call::ObtainEntryInfo::Request request;
    request.sourceNameSpace = kLong;
    request.destNameSpace = kLong;
    request.searchAttributes = 0x8006;
    request.path = {0, handle.reply->dirHandle, handle_flag::kShortHandle, {"budget.txt"}};
    auto info = wire->call<call::ObtainEntryInfo>(request);
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info.reply->info.name, "budget.txt");
    // Another session does not share the handle.
    auto other = client("JSMITH", "jpass");
    EXPECT_EQ(other->call<call::ObtainEntryInfo>(request).completion,
              completionOf(BAD_DIRECTORY_HANDLE));
    EXPECT_EQ(wire->call<call::DeallocDirHandle>({handle.reply->dirHandle}).completion, 0);
    EXPECT_EQ(wire->call<call::DeallocDirHandle>({handle.reply->dirHandle}).completion,
              completionOf(BAD_DIRECTORY_HANDLE));
    // A handle for a file is refused.
    EXPECT_EQ(
        wire->call<call::AllocShortDirHandle>({kLong, 0, volumePath("DATA:SHARED\\budget.txt")})
            .completion,
        completionOf(INVALID_PATH));
}

TEST_F(WireDirectories, SearchOneEntryAtATime) {
    auto start = wire->call<call::InitializeSearch>({kLong, volumePath("DATA:SHARED")});
    ASSERT_TRUE(start.ok());
    EXPECT_EQ(start.reply->sequence, 0xFFFFFFFFu);
    call::SearchEntry::Request request;
    request.nameSpace = kLong;
    request.searchAttributes = 0x8006;
    request.sequence = *start.reply;
    std::set<std::string> names;
    for (int guard = 0; guard < 10; ++guard) {
        auto next = wire->call<call::SearchEntry>(request);
        if (next.completion == completion::kFailure)
            break;
        ASSERT_TRUE(next.ok());
        names.insert(next.reply->info.name);
        request.sequence = next.reply->sequence;
    }
    EXPECT_EQ(names, (std::set<std::string>{"Quarterly Report.xls", "budget.txt"}));
    // Without File Scan rights on the directory nothing is listed.
    auto home = wire->call<call::InitializeSearch>({kLong, volumePath("DATA:HOME")});
    ASSERT_TRUE(home.ok());
    request.sequence = *home.reply;
    EXPECT_EQ(wire->call<call::SearchEntry>(request).completion, completionOf(ACCESS_DENIED));
    EXPECT_EQ(wire->call<call::InitializeSearch>({kLong, volumePath("DATA:SHARED\\budget.txt")})
                  .completion,
              completionOf(INVALID_PATH));
}

TEST_F(WireDirectories, SearchSetsCarryManyEntriesPerReply) {
    for (int i = 0; i < 300; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "volumes/FS1/DATA/MANY/file%03d.txt", i);
        scratch().add(name);
    }
    int replies = 0;
    std::vector<std::string> all = listSet("DATA:MANY", 200, 65536, call::kMatchAll, &replies);
    EXPECT_EQ(all.size(), 300u);
    EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), 300u);
    EXPECT_EQ(replies, 2);
    // A small reply buffer: more replies, the same entries, none cut.
    replies = 0;
    std::vector<std::string> small = listSet("DATA:MANY", 200, 4096, call::kMatchAll, &replies);
    EXPECT_EQ(small, all);
    EXPECT_GT(replies, 6);
    // Patterns with the wire's wildcards; an empty directory answers 0xFF at once.
    std::vector<std::string> nine =
        listSet("DATA:MANY", 200, 65536, std::string("file00\xFF?.txt", 12));
    EXPECT_EQ(nine.size(), 10u);
    EXPECT_TRUE(listSet("DATA:EMPTY", 200, 65536).empty());
}

TEST_F(WireDirectories, VolumesByNameAndNumber) {
    auto name = wire->call<call::GetVolumeName>({1});
    ASSERT_TRUE(name.ok());
    EXPECT_EQ(name.reply->volumeName, "DATA");
    EXPECT_EQ(wire->call<call::GetVolumeName>({9}).completion, completionOf(VOLUME_DOES_NOT_EXIST));
    auto number = wire->call<call::GetVolumeNumber>({"data"});
    ASSERT_TRUE(number.ok());
    EXPECT_EQ(number.reply->volume, 1);
    EXPECT_EQ(wire->call<call::GetVolumeNumber>({"NONE"}).completion,
              completionOf(VOLUME_DOES_NOT_EXIST));
    auto list = wire->call<call::GetMountVolumeList>({0, call::GetMountVolumeList::kWithNames, 0});
    ASSERT_TRUE(list.ok());
    ASSERT_EQ(list.reply->volumes.size(), 2u);
    EXPECT_EQ(list.reply->volumes[1].name, "DATA");
    auto numbers = wire->call<call::GetMountVolumeList>({1, 0, 0});
    ASSERT_TRUE(numbers.ok());
    ASSERT_EQ(numbers.reply->volumes.size(), 1u);
    EXPECT_EQ(numbers.reply->volumes[0].volume, 1u);
}

}  // namespace
}  // namespace nw::nwsimd::testing
