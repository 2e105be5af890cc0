// Paths over the wire never reach outside their volume's folder or into the state folder:
// parent steps above the root, separators, colons, NULs, dots and wildcards in names (for entries
// found, made and renamed), and symbolic links in the volume to the state folder, to a file
// outside and to an absolute folder.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "servednetwork.h"
#include "testnetwork.h"
#include "wirecalls.h"

namespace nw::nwsimd::testing {
namespace {

using namespace ncp;
namespace fs = std::filesystem;
namespace mode = call::open_mode;

class WirePathSafety : public WireTest {
protected:
    void SetUp() override {
        std::vector<std::string> files = networkFiles();
        files.push_back("outside.txt");
        serve(kNetwork, files);
        fs::path shared = scratch().path() / "volumes/FS1/DATA/SHARED";
        fs::create_symlink(scratch().path() / "state", shared / "tostate");
        fs::create_symlink(scratch().path() / "outside.txt", shared / "outside.lnk");
        fs::create_symlink("/etc", shared / "etc");
        fs::create_symlink("../../../../outside.txt", shared / "relative.lnk");
        admin = client("ADMIN", "secret");
    }

    // Every file below a folder, as relative paths.
    static std::set<std::string> filesBelow(const fs::path& folder) {
        std::set<std::string> all;
        for (const auto& e : fs::recursive_directory_iterator(folder))
            all.insert(fs::relative(e.path(), folder).string());
        return all;
    }

    static std::string contentOf(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    HandlePath below(const char* base, std::string name) {
        HandlePath path = volumePath(base);
        path.components.push_back(std::move(name));
        return path;
    }

    std::unique_ptr<WireClient> admin;
};

TEST_F(WirePathSafety, LinksLeadNowhere) {
    std::set<std::string> state = filesBelow(scratch().path() / "state");
    for (const char* link : {"tostate", "outside.lnk", "etc", "relative.lnk"}) {
        SCOPED_TRACE(link);
        HandlePath path = below("DATA:SHARED", link);
        EXPECT_NE(admin->call<call::ObtainEntryInfo>({kLong, kLong, 0x8006, rim::kAll, 0, path})
                      .completion,
                  0);
        EXPECT_FALSE(openCreate(*admin, path, mode::kOpen, 3).ok());
        EXPECT_FALSE(openCreate(*admin, path, mode::kCreate | mode::kReplace, 3).ok());
        EXPECT_FALSE(admin->call<call::AllocShortDirHandle>({kLong, 0, path}).ok());
        EXPECT_FALSE(admin->call<call::InitializeSearch>({kLong, path}).ok());
        EXPECT_NE(admin->call<call::DeleteEntry>({kLong, 0x8006, path}).completion, 0);
        HandlePath inside = path;
        inside.components.push_back("made.txt");
        EXPECT_FALSE(openCreate(*admin, inside, mode::kCreate, 3).ok());
        EXPECT_FALSE(openCreate(*admin, inside, mode::kCreate, 0xFFFF, A_DIRECTORY).ok());
        EXPECT_NE(admin
                      ->call<call::RenameEntry>(
                          {kLong, 0, 0x8006, volumePath("DATA:SHARED\\budget.txt"), inside})
                      .completion,
                  0);
    }
    // A listing shows no link.
    auto start = admin->call<call::InitializeSearch>({kLong, volumePath("DATA:SHARED")});
    ASSERT_TRUE(start.ok());
    call::SearchEntrySet::Request set;
    set.nameSpace = kLong;
    set.sequence = *start.reply;
    auto listed = admin->call<call::SearchEntrySet>(set);
    ASSERT_TRUE(listed.ok());
    std::set<std::string> names;
    for (const EntryInfo& e : listed.reply->entries)
        names.insert(e.name);
    EXPECT_EQ(names, (std::set<std::string>{"Quarterly Report.xls", "budget.txt"}));
    // Nothing outside changed.
    EXPECT_EQ(contentOf(scratch().path() / "outside.txt"), "x");
    EXPECT_EQ(filesBelow(scratch().path() / "state"), state);
}

TEST_F(WirePathSafety, NamesThatAreNoSingleName) {
    const std::vector<std::string> bad = {"..",
                                          ".",
                                          "a\\b",
                                          "a/b",
                                          "/etc/passwd",
                                          "DATA:x",
                                          std::string("x\0y", 3),
                                          std::string("\xFF*", 2),
                                          std::string("\xFF?x", 3),
                                          ""};
    for (const std::string& name : bad) {
        SCOPED_TRACE(name);
        HandlePath path = below("DATA:SHARED", name);
        if (name.empty())
            path = volumePath("DATA:");  // no component to name the new entry
        EXPECT_FALSE(openCreate(*admin, path, mode::kCreate, 3).ok());
        EXPECT_FALSE(openCreate(*admin, path, mode::kCreate, 0xFFFF, A_DIRECTORY).ok());
        EXPECT_NE(admin
                      ->call<call::RenameEntry>(
                          {kLong, 0, 0x8006, volumePath("DATA:SHARED\\budget.txt"), path})
                      .completion,
                  0);
    }
    // Parent steps: inside the volume they work, above its root they are refused.
    HandlePath up = volumePath("DATA:SHARED");
    up.components.insert(up.components.end(), {"", "EMPTY", "made.txt"});
    auto made = openCreate(*admin, up, mode::kCreate, 3);
    ASSERT_TRUE(made.ok());
    admin->call<call::CloseFile>({fileOf(made)});
    EXPECT_TRUE(fs::exists(scratch().path() / "volumes/FS1/DATA/EMPTY/made.txt"));
    HandlePath above = volumePath("DATA:");
    above.components.insert(above.components.end(), {"", "outside.txt"});
    EXPECT_EQ(openCreate(*admin, above, mode::kCreate | mode::kReplace, 3).completion,
              completionOf(INVALID_PATH));
    HandlePath aboveDir = volumePath("DATA:");
    aboveDir.components.insert(aboveDir.components.end(), {"", "", "", "x"});
    EXPECT_EQ(openCreate(*admin, aboveDir, mode::kCreate, 0xFFFF, A_DIRECTORY).completion,
              completionOf(INVALID_PATH));
    // A directory base and a handle start where they say, never above their volume.
    auto base = admin->call<call::GenerateDirBase>({kLong, kLong, 0, volumePath("DATA:SHARED")});
    ASSERT_TRUE(base.ok());
    EXPECT_EQ(openCreate(*admin,
                         {base.reply->volume,
                          base.reply->dirBase,
                          handle_flag::kDirBase,
                          {"", "", "outside.txt"}},
                         mode::kCreate | mode::kReplace, 3)
                  .completion,
              completionOf(INVALID_PATH));
    // Text paths of the 22 family.
    for (const char* text :
         {"DATA:..\\..", "DATA:SHARED\\..\\..\\..", "DATA:SHARED\\tostate", "DATA:SHARED\\etc"}) {
        EXPECT_FALSE(admin->call<call::AllocTempDirHandle>({0, 'G', text}).ok()) << text;
    }
    EXPECT_EQ(contentOf(scratch().path() / "outside.txt"), "x");
}

}  // namespace
}  // namespace nw::nwsimd::testing
