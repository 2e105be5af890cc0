// Failures in the middle of the objects' work: the server's code reaches the script, lists do
// not end quietly on a real error, and every handle opened is released on the way out.
#include <gtest/gtest.h>

#include "netclient/fault.h"
#include "volctl/errors.h"
#include "volume.h"

namespace volmarra {
namespace {

using namespace volmarra::testing;
using nw::Op;

class Failures : public VolumeFixture {
protected:
    void SetUp() override { control = createFaulty(u"\\\\FS1\\SYS"); }
    ComPtr<IDispatch> createFaulty(std::u16string_view name) {
        ComPtr<IDispatch> c = createControl(faulty);
        put(c, u"FullName", Variant(name));
        return c;
    }
    nw::FaultInjectingClient faulty{net->client()};
};

TEST_P(Failures, ListsRaiseRealErrorsInsteadOfEndingQuietly) {
    const ComPtr<IDispatch> root = entry(u"");
    faulty.fail(Op::SearchNext, 0x89A1, {.skip = 2, .times = 1});
    Outcome o = tryCall(root, u"Children");
    EXPECT_EQ(o.code(), 0x89A1);
    EXPECT_EQ(o.text(), "I/O operation cannot be done");

    faulty.fail(Op::StartSearch, 0x899B, {.times = 1});
    o = tryCall(root, u"Children");
    EXPECT_EQ(o.code(), 0x899B);
    EXPECT_EQ(o.text(), "Invalid directory");

    faulty.fail(Op::AllocTempDirHandle, 0x899D, {.times = 1});
    EXPECT_EQ(tryCall(entry(u"PUBLIC"), u"DeletedFiles").text(), "Invalid directory");
    faulty.fail(Op::ScanSalvageableFiles, 0x89A8, {.skip = 1, .times = 1});
    EXPECT_EQ(tryCall(entry(u"PUBLIC"), u"DeletedFiles").code(), 0x89A8);
    faulty.fail(Op::ScanEntryTrustees, 0x89A1, {.times = 1});
    EXPECT_EQ(tryCall(entry(u"PUBLIC"), u"Trustees").code(), 0x89A1);
    faulty.fail(Op::ScanVolumeRestrictions, 0x89A1, {.times = 1});
    EXPECT_EQ(tryCall(control, u"SpaceLimits").code(), 0x89A1);
    EXPECT_EQ(net->openDirHandleCount(), 0u);
}

// A copy that fails half way releases its handles and takes away what it made (for good, not
// to the deleted files), so that a retry does not meet "exists".
TEST_P(Failures, ACopyThatFailsHalfWayReleasesItsHandlesAndLeavesNothing) {
    write("DOCS/A.TXT", "alpha");
    faulty.fail(Op::CopyFileData, 0x89A1, {.times = 1});
    EXPECT_EQ(tryCall(entry(u"DOCS\\A.TXT"), u"Copy", {Variant(u"B.TXT")}).code(), 0x89A1);
    EXPECT_EQ(net->openFileHandleCount(), 0u);
    EXPECT_FALSE(std::filesystem::exists(disk("DOCS/B.TXT")));
    EXPECT_EQ(getInt(getObject(entry(u"DOCS"), u"DeletedFiles"), u"Count"), 0);
    EXPECT_TRUE(tryCall(entry(u"DOCS\\A.TXT"), u"Copy", {Variant(u"B.TXT")}).ok());
    EXPECT_EQ(content("DOCS/B.TXT"), "alpha");
    faulty.fail(Op::CreateFile, 0x8984, {.times = 1});
    EXPECT_EQ(tryCall(entry(u"DOCS\\A.TXT"), u"Copy", {Variant(u"C.TXT")}).code(), 0x8984);
    EXPECT_EQ(net->openFileHandleCount(), 0u);
    // A directory copy failing on its second file keeps no directory or file handle.
    faulty.fail(Op::OpenFile, 0x89A8, {.skip = 1, .times = 1});
    EXPECT_EQ(tryCall(entry(u"DOCS"), u"Copy", {Variant(u"\\EMPTY")}).code(), 0x89A8);
    EXPECT_EQ(net->openFileHandleCount(), 0u);
    EXPECT_EQ(net->openDirHandleCount(), 0u);
    EXPECT_FALSE(std::filesystem::exists(disk("EMPTY/DOCS")));
    EXPECT_TRUE(tryCall(entry(u"DOCS"), u"Copy", {Variant(u"\\EMPTY")}).ok());
    EXPECT_EQ(content("EMPTY/DOCS/SUB/B.TXT"), "test file volumes/FS1/SYS/DOCS/SUB/B.TXT\n");
}

TEST_P(Failures, DirectorySizeAndPurgeReleaseTheirHandles) {
    faulty.fail(Op::SetDirSpaceRestriction, 0x89A1, {.times = 1});
    EXPECT_EQ(tryPut(entry(u"HOME\\JSMITH"), u"Size", Variant(std::int32_t{8})).code(), 0x89A1);
    faulty.fail(Op::PurgeSalvageableFile, 0x898A, {.times = 1});
    const ComPtr<IDispatch> deleted =
        getObject(getObject(getObject(entry(u"PUBLIC"), u"DeletedFiles"), u"Item",
                            {Variant(std::int32_t{0})}),
                  u"File");
    EXPECT_EQ(tryCall(deleted, u"Purge").code(), 0x898A);
    faulty.fail(Op::RecoverSalvageableFile, 0x8984, {.times = 1});
    EXPECT_FALSE(getBool(deleted, u"Salvage")) << "Salvage reports through its result";
    EXPECT_EQ(net->openDirHandleCount(), 0u);
}

TEST_P(Failures, ClosingAndReadingReportThroughTheirResults) {
    const ComPtr<IDispatch> f = getObject(entry(u"README.TXT"), u"File");
    EXPECT_TRUE(getBool(f, u"Open"));
    faulty.fail(Op::ReadFile, 0x89A1, {.times = 1});
    Variant data;
    EXPECT_EQ(getInt(f, u"Read", {Variant::byRef(data), Variant(std::int32_t{4})}), -1);
    EXPECT_EQ(data.arrayVal()->elements.size(), 0u);
    faulty.fail(Op::WriteFile, 0x8991, {.times = 1});
    EXPECT_EQ(getInt(f, u"Write", {Variant(u"x"), Variant(std::int32_t{1})}), -1);
    faulty.replace<Op::CloseFile>([&](nw::NW_FILE_HANDLE file) {
        faulty.inner().CloseFile(file);
        return nw::NWCCODE{0x89A1};
    });
    EXPECT_FALSE(getBool(f, u"Close"));
    EXPECT_FALSE(getBool(f, u"Close")) << "nothing left open";
}

TEST_P(Failures, VolumeStatisticsFailingWhileNaming) {
    faulty.fail(Op::GetVolumeStats, 0x89A1, {.times = 1});
    ComPtr<IDispatch> c = createControl(faulty);
    EXPECT_EQ(tryPut(c, u"FullName", Variant(u"\\\\FS1\\SYS")).code(), 0x89A1);
    EXPECT_FALSE(getBool(c, u"Loaded"));
    faulty.fail(Op::GetVolumeStats, 0x89A1, {.times = 1});
    c.as<IVolmarraControl>()->LoadPersistedFullName(u"\\\\FS1\\SYS");
    EXPECT_FALSE(getBool(c, u"Loaded")) << "silent while restoring";
    faulty.fail(Op::GetVolumeStats, 0x89A1, {.times = 1});
    EXPECT_EQ(tryCall(control, u"TotalSpace").code(), 0x89A1);
}

INSTANTIATE_TEST_SUITE_P(Doors, Failures, nw::testnet::kBothDoors, nw::testnet::doorName);

}  // namespace
}  // namespace volmarra
