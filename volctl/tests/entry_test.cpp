// Directory entries through INWEntry and INWEntries: walking, reading and changing entries,
// creating, removing, moving and copying them.
#include <gtest/gtest.h>

#include "volctl/errors.h"
#include "volume.h"

namespace volmarra {
namespace {

using namespace volmarra::testing;
using Names = std::vector<std::u16string>;

using Entries = VolumeFixture;

TEST_P(Entries, NamesAndParents) {
    const ComPtr<IDispatch> root = entry(u"");
    EXPECT_EQ(getText(root, u"FullName"), u"\\\\FS1\\SYS");
    EXPECT_EQ(getText(root, u"ShortName"), u"SYS");
    const Outcome noParent = tryCall(root, u"Parent");
    EXPECT_EQ(noParent.code(), kNoParent);
    EXPECT_EQ(noParent.text(), "No parent");
    const ComPtr<IDispatch> sub = entry(u"DOCS\\SUB");
    EXPECT_EQ(getText(sub, u"FullName"), u"\\\\FS1\\SYS\\DOCS\\SUB");
    EXPECT_EQ(getText(getObject(sub, u"Parent"), u"FullName"), u"\\\\FS1\\SYS\\DOCS");
    EXPECT_EQ(getText(getObject(getObject(sub, u"Parent"), u"Parent"), u"FullName"),
              u"\\\\FS1\\SYS");
    EXPECT_FALSE(getObject(sub, u"File")) << "a directory has no file object";
    EXPECT_TRUE(getObject(entry(u"DOCS\\A.TXT"), u"File"));
}

TEST_P(Entries, ChildrenAreDirectoriesThenFiles) {
    const Names all = names(getObject(entry(u""), u"Children"));
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(Names(all.begin(), all.end() - 1), (Names{u"DOCS", u"EMPTY", u"HOME", u"PUBLIC"}))
        << "in the server's order, directories first";
    EXPECT_EQ(all.back(), u"README.TXT");
    EXPECT_EQ(names(getObject(entry(u"DOCS"), u"Entries")), (Names{u"SUB", u"A.TXT"}));
    const ComPtr<IDispatch> empty = getObject(entry(u"EMPTY"), u"Children");
    EXPECT_EQ(getInt(empty, u"Count"), 0);
    EXPECT_EQ(tryCall(entry(u"README.TXT"), u"Children").text(), "Invalid directory");
}

TEST_P(Entries, ItemByPositionOrName) {
    const ComPtr<IDispatch> docs = getObject(entry(u"DOCS"), u"Children");
    EXPECT_EQ(getText(getObject(docs, u"Item", {Variant(std::int16_t{1})}), u"ShortName"),
              u"A.TXT");
    // The default member, by reference, as a script's loop variable.
    Variant i(std::int32_t{0});
    Variant first;
    vnk::com::DispParams params;
    std::vector<Variant> args{Variant::byRef(i)};
    params.args = args;
    ASSERT_EQ(docs->Invoke(vnk::com::DISPID_VALUE,
                           vnk::com::DISPATCH_METHOD | vnk::com::DISPATCH_PROPERTYGET, params,
                           &first, nullptr, nullptr),
              vnk::win::S_OK);
    EXPECT_EQ(getText(object(first), u"ShortName"), u"SUB");
    // A name: its last component, without regard to case.
    EXPECT_EQ(getText(getObject(docs, u"Item", {Variant(u"X:\\WHATEVER\\a.txt")}), u"FullName"),
              u"\\\\FS1\\SYS\\DOCS\\A.TXT");
    for (const Variant& missing :
         {Variant(std::int32_t{2}), Variant(std::int32_t{-1}), Variant(u"NOSUCH")}) {
        const Outcome o = tryCall(docs, u"Item", {missing});
        EXPECT_EQ(o.code(), kNwFailure);
        EXPECT_EQ(o.text(), "File or directory not found");
    }
    EXPECT_FALSE(getObject(docs, u"Item", {Variant(1.0)})) << "another type gives Nothing";
    // Item hands out the object the list keeps; properties make new objects with one reference.
    EXPECT_EQ(getObject(docs, u"Item", {Variant(std::int32_t{0})}).get(),
              getObject(docs, u"Item", {Variant(std::int32_t{0})}).get());
    Variant root = get(control, u"Root");
    EXPECT_EQ(root.dispatch()->AddRef(), 2u) << "the one reference of the variant, and ours";
    root.dispatch()->Release();
    EXPECT_NE(root.dispatch(), getObject(control, u"Root").get());
}

TEST_P(Entries, AttributesAndDates) {
    const ComPtr<IDispatch> login = entry(u"PUBLIC\\LOGIN.EXE");
    EXPECT_TRUE(getBool(login, u"ReadOnly"));
    EXPECT_FALSE(getBool(login, u"Hidden"));
    EXPECT_TRUE(getBool(getObject(login, u"File"), u"Shareable"));
    const auto created = get(login, u"Created").deref();
    ASSERT_EQ(created.vt(), vnk::com::VT_DATE);
    const auto p = vnk::com::Date{created.realVal()}.parts();
    EXPECT_EQ((std::vector<int>{p.year, p.month, p.day, p.hour, p.minute, p.second}),
              (std::vector<int>{2020, 1, 2, 3, 4, 6}));
    EXPECT_TRUE(get(login, u"LastArchived").isNull()) << "never archived";

    const ComPtr<IDispatch> a = entry(u"DOCS\\A.TXT");
    for (std::u16string_view attribute :
         {u"ReadOnly", u"Archive", u"Hidden", u"System", u"Execute", u"DeleteInhibit"}) {
        const bool was = getBool(a, attribute);
        put(a, attribute, Variant(!was));
        EXPECT_EQ(getBool(a, attribute), !was) << utf8(attribute);
        put(a, attribute, Variant(was));
        EXPECT_EQ(getBool(a, attribute), was) << utf8(attribute);
    }
    put(a, u"Hidden", Variant(true));
    EXPECT_EQ(names(getObject(entry(u"DOCS"), u"Children")), (Names{u"SUB", u"A.TXT"}))
        << "hidden entries are listed too";
}

// Entries made on the disk since the last listing join it: directories (hidden and system ones
// too) before files, each group in the server's order, the new ones after those it knew.
TEST_P(Entries, ChildrenMadeSinceTheLastListingJoinTheirGroup) {
    const ComPtr<IDispatch> sub = entry(u"DOCS\\SUB");
    put(sub, u"Hidden", Variant(true));
    put(sub, u"System", Variant(true));
    EXPECT_EQ(names(getObject(entry(u"DOCS"), u"Children")), (Names{u"SUB", u"A.TXT"}));
    std::filesystem::create_directory(disk("DOCS/ZDIR"));
    write("DOCS/0NEW.TXT", "new");
    std::filesystem::create_directory(disk("DOCS/ADIR"));
    EXPECT_EQ(names(getObject(entry(u"DOCS"), u"Children")),
              (Names{u"SUB", u"ADIR", u"ZDIR", u"A.TXT", u"0NEW.TXT"}));
}

TEST_P(Entries, OwnerAndArchiver) {
    const ComPtr<IDispatch> login = entry(u"PUBLIC\\LOGIN.EXE");
    EXPECT_EQ(getText(login, u"Owner"), u"\\\\FS1\\JSMITH");
    put(login, u"Owner", Variant(u"\\\\FS1\\GUEST"));
    EXPECT_EQ(getText(login, u"Owner"), u"\\\\FS1\\GUEST");
    put(login, u"Archiver", Variant(u"admin"));
    EXPECT_EQ(getText(login, u"Archiver"), u"\\\\FS1\\ADMIN");
    EXPECT_EQ(tryPut(login, u"Owner", Variant(u"NOBODY")).code(), kNwNoSuchObject);
}

TEST_P(Entries, SizesOfFilesAndDirectories) {
    write("DOCS/A.TXT", "12345");
    EXPECT_EQ(getInt(entry(u"DOCS\\A.TXT"), u"Size"), 5);
    const ComPtr<IDispatch> home = entry(u"HOME\\JSMITH");
    EXPECT_EQ(getInt(home, u"Size"), 400);
    put(home, u"Size", Variant(std::int32_t{10}));
    EXPECT_EQ(getInt(home, u"Size"), 12) << "rounded up to whole 4 KB blocks";
    put(home, u"Size", Variant(std::int32_t{0}));
    EXPECT_EQ(getInt(home, u"Size"), 0) << "0 lifts the restriction";
    put(entry(u"DOCS\\A.TXT"), u"Size", Variant(std::int32_t{99}));
    EXPECT_EQ(getInt(entry(u"DOCS\\A.TXT"), u"Size"), 5) << "files ignore the write";
    EXPECT_EQ(getInt(entry(u"DOCS"), u"Size"), 0) << "no restriction";
}

TEST_P(Entries, EntryTypeTakesOnlyTheTwoTypes) {
    const ComPtr<IDispatch> docs = entry(u"DOCS");
    const Outcome o = tryPut(docs, u"EntryType", Variant(std::int32_t{7}));
    EXPECT_EQ(o.code(), kInvalidEntryType);
    EXPECT_EQ(o.text(), "Invalid entry type");
    put(docs, u"EntryType", Variant(std::int32_t{1}));
    EXPECT_EQ(getInt(docs, u"EntryType"), 1);
}

TEST_P(Entries, AddCreatesDirectoriesAndEmptyFiles) {
    const ComPtr<IDispatch> list = getObject(entry(u"EMPTY"), u"Children");
    const ComPtr<IDispatch> file =
        getObject(list, u"Add", {Variant(u"new.txt"), Variant(std::int32_t{1})});
    EXPECT_EQ(getText(file, u"FullName"), u"\\\\FS1\\SYS\\EMPTY\\NEW.TXT");
    EXPECT_EQ(getInt(file, u"Size"), 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(disk("EMPTY/NEW.TXT")));
    const ComPtr<IDispatch> dir = getObject(list, u"Add", {Variant(u"Sub Dir")});
    EXPECT_EQ(getInt(dir, u"EntryType"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(disk("EMPTY/SUB DIR")));
    EXPECT_EQ(getInt(list, u"Count"), 0) << "Add does not change the list";
    EXPECT_EQ(getInt(getObject(entry(u"EMPTY"), u"Children"), u"Count"), 2);

    EXPECT_EQ(tryCall(list, u"Add", {Variant(u"X"), Variant(std::int32_t{7})}).code(),
              kInvalidEntryType);
    // A name the workstation's code page cannot spell is refused too, never sent with '?' for
    // the characters it lacks.
    for (const char16_t* bad : {u"", u".", u"..", u"a*b", u"a:b", u"sub\\x", u"...", u"\u65e5"}) {
        EXPECT_EQ(tryCall(list, u"Add", {Variant(bad), Variant(std::int32_t{1})}).code(),
                  kNwInvalidEntryName)
            << utf8(bad);
    }
    EXPECT_EQ(tryCall(list, u"Add", {Variant(u"NEW.TXT"), Variant(std::int32_t{0})}).code(),
              kNwNameExists);
    EXPECT_EQ(tryCall(list, u"Add", {Variant(u"NEW.TXT"), Variant(std::int32_t{1})}).code(),
              kNwNameExists)
        << "an existing file is never emptied";
}

TEST_P(Entries, RemoveErasesDeletesAndIgnoresUnknownNames) {
    const ComPtr<IDispatch> docs = getObject(entry(u"DOCS"), u"Children");
    EXPECT_EQ(tryCall(docs, u"Remove", {Variant(std::int32_t{2})}).code(), kExceedsLimit);
    EXPECT_TRUE(tryCall(docs, u"Remove", {Variant(u"NOSUCH")}).ok());
    EXPECT_EQ(tryCall(docs, u"Remove", {Variant(u"SUB")}).code(), 0x89A0) << "not empty";
    EXPECT_TRUE(tryCall(docs, u"Remove", {Variant(u"a.txt")}).ok());
    EXPECT_FALSE(std::filesystem::exists(disk("DOCS/A.TXT")));
    EXPECT_EQ(names(getObject(entry(u"DOCS"), u"DeletedFiles")), (Names{u"A.TXT"}))
        << "an erased file can be salvaged";
    EXPECT_EQ(getInt(docs, u"Count"), 2) << "Remove does not change the list";
    const ComPtr<IDispatch> sub = getObject(entry(u"DOCS\\SUB"), u"Children");
    EXPECT_TRUE(tryCall(sub, u"Remove", {Variant(std::int32_t{0})}).ok());
    EXPECT_TRUE(tryCall(docs, u"Remove", {Variant(u"SUB")}).ok());
    EXPECT_FALSE(std::filesystem::exists(disk("DOCS/SUB")));
}

TEST_P(Entries, DeletedFilesHoldTheirRecords) {
    const ComPtr<IDispatch> deleted = getObject(entry(u"PUBLIC"), u"DeletedFiles");
    ASSERT_EQ(getInt(deleted, u"Count"), 2);
    const ComPtr<IDispatch> first = getObject(deleted, u"Item", {Variant(std::int32_t{0})});
    const ComPtr<IDispatch> second = getObject(deleted, u"Item", {Variant(std::int32_t{1})});
    EXPECT_EQ(getInt(first, u"EntryType"), 2);
    EXPECT_EQ(getText(first, u"ShortName"), u"Old Notes.txt");
    EXPECT_EQ(getInt(first, u"Size"), 5);
    EXPECT_EQ(getInt(second, u"Size"), 10);
    EXPECT_TRUE(getBool(getObject(first, u"File"), u"MarkedForDeletion"));
    EXPECT_FALSE(getBool(getObject(entry(u"README.TXT"), u"File"), u"MarkedForDeletion"));
    EXPECT_FALSE(getBool(first, u"Move", {Variant(u"X.TXT")})) << "a deleted file does not move";
    EXPECT_EQ(tryCall(first, u"Copy", {Variant(u"X.TXT")}).code(), kInvalidEntryType);
    EXPECT_EQ(tryPut(first, u"Hidden", Variant(true)).code(), kInvalidEntryType);
    EXPECT_EQ(tryCall(entry(u"README.TXT"), u"DeletedFiles").text(), "Invalid directory");
}

// ---- Move and Copy
// ---------------------------------------------------------------------------------

TEST_P(Entries, MoveRefusesBadDestinations) {
    const ComPtr<IDispatch> docs = entry(u"DOCS");
    const auto move = [&](const ComPtr<IDispatch>& e, std::u16string_view to) {
        return tryCall(e, u"Move", {Variant(to)}).code();
    };
    EXPECT_EQ(move(entry(u""), u"X"), kSourceIsVolume);
    EXPECT_EQ(move(docs, u""), kNwInvalidEntryName);
    EXPECT_EQ(move(docs, u"DOCS"), kSameSourceAndDestination);
    EXPECT_EQ(move(docs, u"\\\\FS1\\SYS\\docs"), kSameSourceAndDestination);
    EXPECT_EQ(move(docs, u"\\"), kSameSourceAndDestination) << "into its own directory";
    EXPECT_EQ(move(docs, u"DOCS\\SUB\\X"), kDestinationInsideSource);
    EXPECT_EQ(move(docs, u"DOCS\\SUB"), kDestinationInsideSource);
    EXPECT_EQ(move(docs, u"..\\X"), kNwInvalidEntryName) << "above the volume root";
    EXPECT_EQ(move(docs, u"A*B"), kNwInvalidEntryName);
    EXPECT_EQ(move(docs, u"\u65e5\u672c"), kNwInvalidEntryName);
    EXPECT_EQ(move(docs, u"DATA:X"), kIncompatibleEntry);
    EXPECT_EQ(move(docs, u"\\\\FS1\\SYSTEM\\X"), kIncompatibleEntry);
    EXPECT_EQ(move(entry(u"DOCS\\A.TXT"), u"..\\README.TXT"), kMoveTargetExists);
    EXPECT_EQ(move(docs, u"NOSUCH\\X"), kNwInvalidPath);
    EXPECT_TRUE(std::filesystem::exists(disk("DOCS/A.TXT")));
}

TEST_P(Entries, MoveRenamesAndMovesIntoDirectories) {
    const ComPtr<IDispatch> a = entry(u"DOCS\\A.TXT");
    EXPECT_TRUE(getBool(a, u"Move", {Variant(u"Renamed.txt")}));
    EXPECT_EQ(getText(a, u"FullName"), u"\\\\FS1\\SYS\\DOCS\\Renamed.txt");
    EXPECT_TRUE(std::filesystem::exists(disk("DOCS/Renamed.txt")));
    // Into an existing directory, under its own name.
    EXPECT_TRUE(getBool(a, u"Move", {Variant(u"..\\EMPTY")}));
    EXPECT_EQ(getText(a, u"FullName"), u"\\\\FS1\\SYS\\EMPTY\\Renamed.txt");
    EXPECT_TRUE(getBool(a, u"Move", {Variant(u"SYS:\\DOCS\\SUB\\back.txt")}));
    EXPECT_TRUE(std::filesystem::exists(disk("DOCS/SUB/back.txt")));
    const ComPtr<IDispatch> sub = entry(u"DOCS\\SUB");
    EXPECT_TRUE(getBool(sub, u"Move", {Variant(u"\\\\FS1\\SYS\\EMPTY\\MOVED")}));
    EXPECT_TRUE(std::filesystem::exists(disk("EMPTY/MOVED/back.txt")));
    EXPECT_EQ(getText(getObject(sub, u"Parent"), u"FullName"), u"\\\\FS1\\SYS\\EMPTY");
}

TEST_P(Entries, CopyCopiesFilesAndWholeDirectories) {
    write("DOCS/A.TXT", "alpha");
    write("DOCS/SUB/B.TXT", "beta");
    tryCall(getObject(entry(u"DOCS"), u"Children"), u"Add", {Variant(u"DEEP")});
    const ComPtr<IDispatch> a = entry(u"DOCS\\A.TXT");
    EXPECT_TRUE(tryCall(a, u"Copy", {Variant(u"COPY.TXT")}).ok());
    EXPECT_EQ(content("DOCS/COPY.TXT"), "alpha");
    EXPECT_TRUE(tryCall(a, u"Copy", {Variant(u"\\EMPTY")}).ok()) << "into a directory";
    EXPECT_EQ(content("EMPTY/A.TXT"), "alpha");
    EXPECT_EQ(tryCall(a, u"Copy", {Variant(u"\\EMPTY")}).code(), kFileExists)
        << "nothing is overwritten";
    EXPECT_EQ(tryCall(a, u"Copy", {Variant(u"A.TXT")}).code(), kSameSourceAndDestination);

    const ComPtr<IDispatch> docs = entry(u"DOCS");
    EXPECT_EQ(tryCall(docs, u"Copy", {Variant(u"DOCS\\SUB")}).code(), kDestinationInsideSource);
    EXPECT_TRUE(tryCall(docs, u"Copy", {Variant(u"BACKUP")}).ok());
    EXPECT_EQ(content("BACKUP/A.TXT"), "alpha");
    EXPECT_EQ(content("BACKUP/SUB/B.TXT"), "beta");
    EXPECT_TRUE(std::filesystem::is_directory(disk("BACKUP/DEEP")));
    EXPECT_EQ(content("DOCS/SUB/B.TXT"), "beta") << "the source stays";
}

// DOCS\SUB swapped for a link to a folder outside the volume after it was read: a Copy neither
// reads through it nor copies it along.
TEST_P(Entries, ACopyNeverReadsThroughALinkSwappedIn) {
    const ComPtr<IDispatch> b = entry(u"DOCS\\SUB\\B.TXT");
    std::filesystem::create_directories(net->folder() / "outside");
    std::ofstream(net->folder() / "outside" / "B.TXT") << "outside secret";
    std::filesystem::rename(disk("DOCS/SUB"), net->folder() / "moved-away");
    std::filesystem::create_directory_symlink(net->folder() / "outside", disk("DOCS/SUB"));
    EXPECT_EQ(tryCall(b, u"Copy", {Variant(u"\\EMPTY")}).code(), 0x899C);
    EXPECT_TRUE(tryCall(entry(u"DOCS"), u"Copy", {Variant(u"BACKUP")}).ok());
    EXPECT_TRUE(std::filesystem::exists(disk("BACKUP/A.TXT")));
    EXPECT_FALSE(std::filesystem::exists(disk("BACKUP/SUB")));
    EXPECT_FALSE(std::filesystem::exists(disk("EMPTY/B.TXT")));
}

// A name on disk that NetWare refuses is not listed, so a folder holding one copies whole.
TEST_P(Entries, ACopyOfAFolderLeavesOutNamesNetWareRefuses) {
    write("DOCS/odd:name.txt", "odd");
    write("DOCS/esc\x1b[2J.txt", "escape");
    EXPECT_EQ(names(getObject(entry(u"DOCS"), u"Children")), (Names{u"SUB", u"A.TXT"}));
    EXPECT_TRUE(tryCall(entry(u"DOCS"), u"Copy", {Variant(u"BACKUP")}).ok());
    EXPECT_TRUE(std::filesystem::exists(disk("BACKUP/SUB/B.TXT")));
    EXPECT_FALSE(std::filesystem::exists(disk("BACKUP/odd:name.txt")));
}

INSTANTIATE_TEST_SUITE_P(Doors, Entries, nw::testnet::kBothDoors, nw::testnet::doorName);

}  // namespace
}  // namespace volmarra
