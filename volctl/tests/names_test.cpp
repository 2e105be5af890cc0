// The name rules of the volume control: full names, entry names, Move/Copy destinations, and the
// error table and small conversions.
#include <gtest/gtest.h>

#include "volctl/errors.h"
#include "volctl/names.h"
#include "volctl/tables.h"

namespace volmarra {
namespace {

using Path = std::vector<std::u16string>;

TEST(FullName, ServerFormSplitsServerAndVolume) {
    const FullNameParts p = parseFullName(u"\\\\FS1\\SYS");
    EXPECT_EQ(p.form, NameForm::Server);
    EXPECT_EQ(p.server, u"FS1");
    EXPECT_EQ(p.volume, u"SYS");
    EXPECT_EQ(shortNameOf(u"\\\\fs1\\sys"), u"SYS");
}

TEST(FullName, DirectoryFormNeedsAContainer) {
    const FullNameParts p = parseFullName(u"nds:\\\\ACME_TREE\\ACME\\SALES\\FS1_SYS");
    ASSERT_EQ(p.form, NameForm::Directory);
    EXPECT_EQ(p.tree, u"ACME_TREE");
    EXPECT_EQ(p.containers, (Path{u"ACME", u"SALES"}));
    EXPECT_EQ(p.volume, u"FS1_SYS");
    EXPECT_EQ(parseFullName(u"NDS:\\\\TREE\\VOL").form, NameForm::Invalid);
}

TEST(FullName, EveryRuleOfTheForms) {
    EXPECT_EQ(parseFullName(u"").form, NameForm::Empty);
    for (const char16_t* bad : {
             u"FS1\\SYS",                // no leading double backslash
             u"\\FS1\\SYS",              // one backslash
             u"\\\\FS1",                 // no volume
             u"\\\\FS1\\",               // empty volume
             u"\\\\\\SYS",               // empty server
             u"\\\\FS1\\\\SYS",          // double backslash after the prefix
             u"\\\\FS1\\SYS\\DIR",       // the volume holds a backslash
             u"\\\\FS1.X\\SYS",          // a dot
             u"\\\\FS1\\SYS.",           // a dot
             u"NDS:TREE\\O\\VOL",        // no double backslash after the prefix
             u"NDS:\\\\TREE\\\\O\\V",    // empty container
             u"NDS:\\\\TREE\\O\\VOL\\",  // empty volume object
             u"NDS:\\\\TREE\\O.X\\VOL",  // a dot
         }) {
        EXPECT_EQ(parseFullName(bad).form, NameForm::Invalid);
    }
}

TEST(DirectoryNames, DottedAndPathFormsConvert) {
    EXPECT_EQ(dottedFromPath({u"O", u"OU", u"VOL"}), u"VOL.OU.O");
    EXPECT_EQ(pathFromDotted(u"ADMIN.OU.O"), (Path{u"O", u"OU", u"ADMIN"}));
    EXPECT_EQ(directoryPathName(u"TREE", u"ADMIN.OU.O"), u"NDS:\\\\TREE\\O\\OU\\ADMIN");
}

TEST(EntryNames, LongAndDosRules) {
    EXPECT_TRUE(validEntryName(u"Quarterly Report.xls", kNameSpaceLong));
    EXPECT_TRUE(validEntryName(u".profile", kNameSpaceLong));
    for (const char16_t* bad : {u"", u".", u"..", u"...", u"a*b", u"a?b", u"a:b", u"a\\b", u"a/b",
                                u"a|b", u"a\"b", u"a<b", u"a>b", u"tab\there"}) {
        EXPECT_FALSE(validEntryName(bad, kNameSpaceLong));
    }
    EXPECT_FALSE(validEntryName(std::u16string(256, u'x'), kNameSpaceLong));
    EXPECT_TRUE(validEntryName(u"README.TXT", kNameSpaceDos));
    EXPECT_TRUE(validEntryName(u"A", kNameSpaceDos));
    for (const char16_t* bad : {u"TOOLONGNAME", u"A.TEXT", u"A.B.C", u"A B", u"A.", u".A"}) {
        EXPECT_FALSE(validEntryName(bad, kNameSpaceDos));
    }
}

TEST(EntryNames, SplitRefusesEmptyAndBadComponents) {
    EXPECT_EQ(splitEntryPath(u"", kNameSpaceLong), Path{});
    EXPECT_EQ(splitEntryPath(u"A\\B", kNameSpaceLong), (Path{u"A", u"B"}));
    EXPECT_FALSE(splitEntryPath(u"A\\\\B", kNameSpaceLong));
    EXPECT_FALSE(splitEntryPath(u"A\\..", kNameSpaceLong));
    EXPECT_FALSE(splitEntryPath(u"\\A", kNameSpaceLong));
}

class DestinationTest : public ::testing::Test {
protected:
    Destination resolve(std::u16string_view text, std::uint8_t ns = kNameSpaceLong) {
        return resolveDestination(u"\\\\FS1\\SYS", u"SYS", {u"DIR", u"SUB"}, text, ns);
    }
};

TEST_F(DestinationTest, RelativeNamesStartAtTheParent) {
    EXPECT_EQ(resolve(u"NEW").components, (Path{u"DIR", u"SUB", u"NEW"}));
    EXPECT_EQ(resolve(u".\\NEW").components, (Path{u"DIR", u"SUB", u"NEW"}));
    EXPECT_EQ(resolve(u"..\\NEW").components, (Path{u"DIR", u"NEW"}));
    EXPECT_EQ(resolve(u"../../NEW").components, (Path{u"NEW"}));
    EXPECT_EQ(resolve(u"..").components, (Path{u"DIR"}));
    EXPECT_EQ(resolve(u"X\\..\\Y\\").components, (Path{u"DIR", u"SUB", u"Y"}));
    EXPECT_EQ(resolve(u".profile").components, (Path{u"DIR", u"SUB", u".profile"}));
}

TEST_F(DestinationTest, AbsoluteForms) {
    EXPECT_EQ(resolve(u"\\A\\B").components, (Path{u"A", u"B"}));
    EXPECT_EQ(resolve(u"\\").components, Path{});
    EXPECT_EQ(resolve(u"sys:A").components, (Path{u"A"}));
    EXPECT_EQ(resolve(u"SYS:\\A").components, (Path{u"A"}));
    EXPECT_EQ(resolve(u"SYS:").components, Path{});
    EXPECT_EQ(resolve(u"\\\\fs1\\sys\\A\\B").components, (Path{u"A", u"B"}));
    EXPECT_EQ(resolve(u"\\\\FS1\\SYS").components, Path{});
    EXPECT_EQ(resolve(u"\\\\FS1\\SYS\\").components, Path{});
}

TEST_F(DestinationTest, OtherVolumesAndServersAreIncompatible) {
    EXPECT_EQ(resolve(u"DATA:A").code, kIncompatibleName);
    EXPECT_EQ(resolve(u"\\\\FS2\\SYS\\A").code, kIncompatibleName);
    EXPECT_EQ(resolve(u"\\\\FS1\\SYSX\\A").code, kIncompatibleName);
    EXPECT_EQ(resolve(u"NDS:\\\\T\\O\\V\\A").code, kIncompatibleName);
}

TEST_F(DestinationTest, BadNamesAndClimbingAboveTheRoot) {
    for (const char16_t* bad : {u"", u"..\\..\\..", u"\\..", u"SYS:..", u"...", u"A\\\\B", u"A\\\\",
                                u"A*", u"\\\\FS1\\SYS\\\\A", u"\\\\FS1\\SYS\\.."}) {
        EXPECT_EQ(resolve(bad).code, kInvalidEntryName);
    }
    EXPECT_EQ(resolve(u"LONGNAME.TEXT", kNameSpaceDos).code, kInvalidEntryName);
}

TEST(Paths, SameAndBelowIgnoreCase) {
    EXPECT_TRUE(samePath({u"A", u"b"}, {u"a", u"B"}));
    EXPECT_TRUE(isBelow({u"A", u"B", u"C"}, {u"a", u"b"}));
    EXPECT_FALSE(isBelow({u"A"}, {u"A", u"B"}));
    EXPECT_FALSE(isBelow({u"AB", u"C"}, {u"A"}));
}

TEST(Errors, TableTextsAndTheUnknownCode) {
    EXPECT_EQ(errorText(0xCE15), u"Control not initialized.");
    EXPECT_EQ(errorText(0x8996), errorText(0x8998));
    EXPECT_EQ(errorText(-603), u"No such attribute");
    EXPECT_EQ(errorText(0x1234), u"NetWare error");
    EXPECT_EQ(scriptCode(-603), 0xFDA5);
    EXPECT_EQ(scriptCode(0x8998), 0x8998);
    // The table is read by the low 16 bits: a directory-services result and its 16-bit form
    // find the same text.
    EXPECT_EQ(errorText(-328), u"Context creation error");
    EXPECT_EQ(errorText(0xFEB8), u"Context creation error");
    EXPECT_EQ(errorText(0xFDA5), u"No such attribute");
    EXPECT_EQ(errorText(0x18998), u"Volume does not exist");
}

TEST(Tables, DosDatesAndSaturation) {
    // 2026-12-07 08:15:30
    const std::uint16_t date = ((2026 - 1980) << 9) | (12 << 5) | 7;
    const std::uint16_t time = (8 << 11) | (15 << 5) | 15;
    const auto d = dosDateTime(date, time);
    ASSERT_TRUE(d);
    const auto p = d->parts();
    EXPECT_EQ(p.year, 2026);
    EXPECT_EQ(p.month, 12);
    EXPECT_EQ(p.day, 7);
    EXPECT_EQ(p.hour, 8);
    EXPECT_EQ(p.minute, 15);
    EXPECT_EQ(p.second, 30);
    EXPECT_FALSE(dosDateTime(0, 0));
    EXPECT_FALSE(dosDateTime((1 << 9) | (13 << 5) | 1, 0));  // month 13
    EXPECT_EQ(saturate32(std::uint64_t{0xFFFFFFFF} * 4), 0x7FFFFFFF);
    EXPECT_EQ(saturate32(std::uint64_t{5}), 5);
    EXPECT_EQ(kbToUnits(10), 3);
    EXPECT_EQ(nameSpaceName(4), u"Long Filename");
    EXPECT_EQ(nameSpaceName(9), u"Unknown");
}

}  // namespace
}  // namespace volmarra
