// Files through INWFile: attributes, opening, reading, writing and seeking, purge and salvage.
#include <gtest/gtest.h>

#include "volctl/errors.h"
#include "volume.h"

namespace volmarra {
namespace {

using namespace volmarra::testing;

class Files : public VolumeFixture {
protected:
    void SetUp() override {
        VolumeFixture::SetUp();
        write("DOCS/A.TXT", "0123456789");
        file = getObject(entry(u"DOCS\\A.TXT"), u"File");
    }
    std::int64_t read(Variant& data, std::int32_t bytes) {
        return getInt(file, u"Read", {Variant::byRef(data), Variant(bytes)});
    }
    std::string bytesOf(const Variant& data) {
        std::string out;
        for (const Variant& e : data.deref().arrayVal()->elements) {
            EXPECT_EQ(e.vt(), vnk::com::VT_UI1);
            out += static_cast<char>(e.intVal());
        }
        return out;
    }
    ComPtr<IDispatch> file;
};

TEST_P(Files, AttributesAndFigures) {
    EXPECT_EQ(getInt(file, u"Length"), 10);
    EXPECT_GT(get(file, u"LastAccessed").realVal(), 0.0);
    for (std::u16string_view attribute :
         {u"CopyInhibit", u"DontCompress", u"DontMigrate", u"DontSuballocate", u"ImmediatePurge",
          u"RenameInhibit", u"Shareable", u"Transactional"}) {
        put(file, attribute, Variant(true));
        EXPECT_TRUE(getBool(file, attribute)) << utf8(attribute);
        put(file, attribute, Variant(false));
        EXPECT_FALSE(getBool(file, attribute)) << utf8(attribute);
    }
    for (std::u16string_view readOnly : {u"Compressed", u"Migrated", u"CantCompress",
                                         u"MarkedForDeletion", u"Length", u"LastAccessed"}) {
        EXPECT_EQ(tryPut(file, readOnly, Variant(true)).code(), vnk::win::CTL_E_SETNOTSUPPORTED)
            << utf8(readOnly);
    }
    // Compressing at once and never compressing exclude each other.
    put(file, u"DontCompress", Variant(true));
    put(file, u"ImmediateCompress", Variant(true));
    EXPECT_TRUE(getBool(file, u"ImmediateCompress"));
    EXPECT_FALSE(getBool(file, u"DontCompress"));
}

TEST_P(Files, ReadWriteAndSeek) {
    EXPECT_TRUE(getBool(file, u"Open"));
    Variant data;
    EXPECT_EQ(read(data, 4), 4);
    EXPECT_EQ(bytesOf(data), "0123");
    get(file, u"Seek", {Variant(std::int32_t{2})});
    EXPECT_EQ(read(data, 2), 2);
    EXPECT_EQ(bytesOf(data), "67");
    EXPECT_EQ(read(data, 1000), 2) << "only what is there";
    EXPECT_EQ(bytesOf(data), "89");
    EXPECT_EQ(read(data, 5), 0) << "at the end";
    EXPECT_EQ(data.arrayVal()->elements.size(), 0u);

    // Past the end and before the start both go back to the start.
    get(file, u"Seek", {Variant(std::int32_t{-100})});
    EXPECT_EQ(read(data, 1), 1);
    EXPECT_EQ(bytesOf(data), "0");
    get(file, u"Seek", {Variant(std::int32_t{100})});
    EXPECT_EQ(read(data, 1), 1);
    EXPECT_EQ(bytesOf(data), "0");

    get(file, u"Seek", {Variant(std::int32_t{-1})});
    EXPECT_EQ(getInt(file, u"Write", {Variant(u"abcde"), Variant(std::int32_t{5})}), 5);
    EXPECT_TRUE(getBool(file, u"Close"));
    EXPECT_FALSE(getBool(file, u"Close")) << "nothing open";
    EXPECT_EQ(content("DOCS/A.TXT"), "abcde56789");
}

// A read larger than one request of the connection comes back whole, one unsigned byte
// element each, replacing whatever Data held before (a text, an earlier array).
TEST_P(Files, LargeReadsFillDataWithOneByteElementEach) {
    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>((i * 7) ^ (i >> 8));
    }
    write("DOCS/BIG.DAT", big);
    const ComPtr<IDispatch> f = getObject(entry(u"DOCS\\BIG.DAT"), u"File");
    EXPECT_TRUE(getBool(f, u"Open"));
    Variant data(u"held before");
    std::string got;
    for (std::int64_t n;
         (n = getInt(f, u"Read", {Variant::byRef(data), Variant(std::int32_t{150000})})) > 0;) {
        const vnk::com::SafeArray* array = data.arrayVal();
        ASSERT_NE(array, nullptr);
        EXPECT_EQ(array->lowerBound, 0);
        ASSERT_EQ(array->elements.size(), static_cast<std::size_t>(n));
        got += bytesOf(data);
    }
    EXPECT_EQ(got.size(), big.size());
    EXPECT_TRUE(got == big) << "the bytes in their order";
    EXPECT_EQ(data.arrayVal()->elements.size(), 0u) << "at the end: an empty array";
    EXPECT_TRUE(getBool(f, u"Close"));
}

TEST_P(Files, WriteNeverReadsOrWritesOutsideItsData) {
    EXPECT_TRUE(getBool(file, u"Open"));
    Variant text(u"xyz");
    EXPECT_EQ(getInt(file, u"Write", {Variant::byRef(text), Variant(std::int32_t{1000})}), 3)
        << "Bytes beyond the text writes the text";
    // Bytes go to their own index; indices outside 0 to 255 are skipped, other types leave 0.
    Variant bytes = Variant::array(
        {Variant(std::uint8_t{'A'}), Variant(std::int32_t{'B'}), Variant(std::uint8_t{'C'})}, 254);
    EXPECT_EQ(getInt(file, u"Write", {Variant::byRef(bytes), Variant(std::int32_t{100000})}), 256);
    Variant below = Variant::array({Variant(std::uint8_t{'Z'}), Variant(std::uint8_t{'Y'})}, -1);
    EXPECT_EQ(getInt(file, u"Write", {Variant::byRef(below), Variant(std::int32_t{2})}), 2);
    EXPECT_EQ(getInt(file, u"Write", {Variant::byRef(text), Variant(std::int32_t{-5})}), 0);
    EXPECT_EQ(tryCall(file, u"Write", {Variant(std::int32_t{5}), Variant(std::int32_t{1})}).code(),
              vnk::win::DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(getBool(file, u"Close"));
    const std::string after = content("DOCS/A.TXT");
    ASSERT_EQ(after.size(), 3u + 256u + 2u);
    EXPECT_EQ(after.substr(0, 3), "xyz");
    EXPECT_EQ(after[3], 0);
    EXPECT_EQ(after[3 + 254], 'A');
    EXPECT_EQ(after[3 + 255], 0) << "B was no byte, C fell outside the buffer";
    EXPECT_EQ(after.substr(3 + 256), std::string("Y") + '\0') << "Z fell before the buffer";
}

// Arrays reaching far beyond the buffer on either side: only the elements that land in it count.
TEST_P(Files, WriteTakesOnlyTheElementsThatLandInItsBuffer) {
    EXPECT_TRUE(getBool(file, u"Open"));
    const std::vector<Variant> many(1000, Variant(std::uint8_t{'Q'}));
    for (const std::int32_t lower : {INT32_MIN, -1000, -999, 256, INT32_MAX - 10}) {
        Variant far = Variant::array(many, lower);
        EXPECT_EQ(getInt(file, u"Write", {Variant::byRef(far), Variant(std::int32_t{256})}), 256);
    }
    EXPECT_TRUE(getBool(file, u"Close"));
    std::string expected(5 * 256, '\0');
    expected[2 * 256] = 'Q';  // -999: the last element lands on byte 0
    EXPECT_TRUE(content("DOCS/A.TXT") == expected);
}

TEST_P(Files, OneOpenFilePerControl) {
    const ComPtr<IDispatch> other = getObject(entry(u"README.TXT"), u"File");
    EXPECT_TRUE(getBool(file, u"Open"));
    EXPECT_TRUE(getBool(other, u"Open"));
    EXPECT_EQ(net->openFileHandleCount(), 1u) << "the second Open closed the first";
    Variant data;
    EXPECT_EQ(read(data, 4), 4);
    EXPECT_EQ(bytesOf(data), "test") << "reads go to the file opened last";
    // The open file goes when the control's name changes.
    put(control, u"FullName", Variant(u"\\\\FS1\\SYS"));
    EXPECT_EQ(net->openFileHandleCount(), 0u);
    EXPECT_TRUE(getBool(file, u"Open"));
    control.reset();  // ... and when the control goes (checked by the fixture)
}

TEST_P(Files, WithoutAnOpenFile) {
    Variant data;
    EXPECT_EQ(read(data, 4), -1);
    EXPECT_EQ(getInt(file, u"Write", {Variant(u"abc"), Variant(std::int32_t{3})}), -1);
    EXPECT_TRUE(tryCall(file, u"Seek", {Variant(std::int32_t{1})}).ok());
}

TEST_P(Files, LongNamesOpen) {
    const ComPtr<IDispatch> f = getObject(entry(u"PUBLIC\\Long Name Document.txt"), u"File");
    EXPECT_TRUE(getBool(f, u"Open"));
    EXPECT_TRUE(getBool(f, u"Close"));
}

TEST_P(Files, PurgeAndSalvageActOnTheHeldDeletedFile) {
    const auto deleted = [&] { return getObject(entry(u"PUBLIC"), u"DeletedFiles"); };
    const ComPtr<IDispatch> list = deleted();
    const ComPtr<IDispatch> first =
        getObject(getObject(list, u"Item", {Variant(std::int32_t{0})}), u"File");
    const ComPtr<IDispatch> second =
        getObject(getObject(list, u"Item", {Variant(std::int32_t{1})}), u"File");
    EXPECT_FALSE(getBool(file, u"Purge")) << "not a deleted file";
    EXPECT_FALSE(getBool(file, u"Salvage"));

    // Salvage the second one: its own content comes back, the first stays deleted.
    EXPECT_TRUE(getBool(second, u"Salvage"));
    EXPECT_EQ(content("PUBLIC/Old Notes.txt"), "second one");
    EXPECT_FALSE(getBool(second, u"MarkedForDeletion"));
    EXPECT_EQ(getInt(deleted(), u"Count"), 1);
    // The first cannot come back over it, and purging it leaves the live file alone.
    EXPECT_FALSE(getBool(first, u"Salvage"));
    EXPECT_TRUE(getBool(first, u"Purge"));
    EXPECT_FALSE(getBool(first, u"Purge")) << "gone already";
    EXPECT_EQ(content("PUBLIC/Old Notes.txt"), "second one");
    EXPECT_EQ(getInt(deleted(), u"Count"), 0);
}

// Salvage under a new name brings back a file whose old name is taken; the entry then names it.
TEST_P(Files, SalvageUnderANewName) {
    const ComPtr<IDispatch> list = getObject(entry(u"PUBLIC"), u"DeletedFiles");
    const ComPtr<IDispatch> first = getObject(list, u"Item", {Variant(std::int32_t{0})});
    const ComPtr<IDispatch> second = getObject(list, u"Item", {Variant(std::int32_t{1})});
    EXPECT_TRUE(getBool(getObject(second, u"File"), u"Salvage"));
    EXPECT_FALSE(getBool(getObject(first, u"File"), u"Salvage")) << "the old name is taken";
    EXPECT_FALSE(getBool(getObject(first, u"File"), u"Salvage", {Variant(u"bad\\name")}));
    EXPECT_TRUE(getBool(getObject(first, u"File"), u"Salvage", {Variant(u"Old Notes (1).txt")}));
    EXPECT_EQ(content("PUBLIC/Old Notes (1).txt"), "first");
    EXPECT_EQ(content("PUBLIC/Old Notes.txt"), "second one");
    EXPECT_EQ(utf8(getText(first, u"ShortName")), "Old Notes (1).txt");
    EXPECT_EQ(getInt(getObject(first, u"File"), u"Length"), 5);
}

TEST_P(Files, RemovingADeletedFilePurgesThatOne) {
    // A live file of the same name must survive.
    tryCall(getObject(entry(u"PUBLIC"), u"Children"), u"Add",
            {Variant(u"Old Notes.txt"), Variant(std::int32_t{1})});
    const ComPtr<IDispatch> list = getObject(entry(u"PUBLIC"), u"DeletedFiles");
    EXPECT_TRUE(tryCall(list, u"Remove", {Variant(std::int32_t{0})}).ok());
    EXPECT_TRUE(std::filesystem::exists(disk("PUBLIC/OLD NOTES.TXT")));
    EXPECT_EQ(getInt(getObject(entry(u"PUBLIC"), u"DeletedFiles"), u"Count"), 1);
    EXPECT_EQ(
        tryCall(getObject(getObject(list, u"Item", {Variant(std::int32_t{1})}), u"File"), u"Open")
            .code(),
        kInvalidEntryType);
}

INSTANTIATE_TEST_SUITE_P(Doors, Files, nw::testnet::kBothDoors, nw::testnet::doorName);

}  // namespace
}  // namespace volmarra
