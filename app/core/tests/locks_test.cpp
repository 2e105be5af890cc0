#include "core/locks.h"

#include <gtest/gtest.h>

#include "actionnet.h"
#include "netclient/fault.h"

namespace varnook {
namespace {

using test::ActionNetwork;
using test::kFs1;

VARNOOK_ACTION_TESTS(LookUpFileLocksTest);
VARNOOK_ACTION_TESTS(LookUpFileLocksByDosPathTest);

TEST(LockTypeText, ThreeListedTypesOthersLeftOut) {
    EXPECT_STREQ(LockTypeText(0), "Not locked");
    EXPECT_STREQ(LockTypeText(0xFE), "File lock");
    EXPECT_STREQ(LockTypeText(0xFF), "Share file set");
    EXPECT_EQ(LockTypeText(1), nullptr);
    EXPECT_EQ(LockTypeText(0xFD), nullptr);
}

TEST_P(LookUpFileLocksTest, EveryListedTypeInScanOrderWithSignedNumbers) {
    const LockLookup found =
        LookUpFileLocks(net.client(), kFs1, "DATA:SHARED\\Quarterly Report.xls");
    EXPECT_EQ(found.failure, LockLookup::Failure::None);
    EXPECT_EQ(found.scanPath, "DATA:\\SHARED\\QUARTE~1.XLS");
    ASSERT_EQ(found.rows.size(), 3u);  // the lock of type 1 is not listed
    EXPECT_EQ(found.rows[0].type, "Not locked");
    EXPECT_EQ(found.rows[0].start, " 0");
    EXPECT_EQ(found.rows[0].end, " 511");
    EXPECT_EQ(found.rows[0].task, " 1");
    EXPECT_EQ(found.rows[1].type, "File lock");
    EXPECT_EQ(found.rows[1].start, " 512");
    EXPECT_EQ(found.rows[1].task, " 3");
    // Numbers are signed: a whole-file range ends at -1. (A task number is one byte on the
    // wire, in every request header and lock record: 255 is the highest there is.)
    EXPECT_EQ(found.rows[2].type, "Share file set");
    EXPECT_EQ(found.rows[2].end, "-1");
    EXPECT_EQ(found.rows[2].task, " 255");
    EXPECT_EQ(net.openHandleCount(), 0u);
}

TEST_P(LookUpFileLocksTest, FileWithoutLocksAndFileAtVolumeRoot) {
    const LockLookup found = LookUpFileLocks(net.client(), kFs1, "DATA:notes.txt");
    EXPECT_EQ(found.failure, LockLookup::Failure::None);
    EXPECT_EQ(found.scanPath, "DATA:\\NOTES.TXT");
    EXPECT_TRUE(found.rows.empty());
    EXPECT_EQ(net.openHandleCount(), 0u);
}

TEST_P(LookUpFileLocksTest, FailuresStopBeforeTheScan) {
    const LockLookup closed = LookUpFileLocks(net.client(), 99, "DATA:notes.txt");
    EXPECT_EQ(closed.failure, LockLookup::Failure::Open);
    EXPECT_EQ(closed.result, nw::INVALID_CONNECTION);

    const LockLookup missing = LookUpFileLocks(net.client(), kFs1, "DATA:nothing.txt");
    EXPECT_EQ(missing.failure, LockLookup::Failure::NSPath);
    EXPECT_EQ(missing.result, nw::INVALID_PATH);
    EXPECT_TRUE(missing.rows.empty());

    nw::FaultInjectingClient faulty(net.client());
    faulty.fail(nw::Op::NWGetLongName, nw::INVALID_NAME_SPACE);
    const LockLookup noName = LookUpFileLocks(faulty, kFs1, "DATA:notes.txt");
    EXPECT_EQ(noName.failure, LockLookup::Failure::LongName);
    EXPECT_EQ(faulty.calls(nw::Op::NWScanPhysicalLocksByFile), 0);
    EXPECT_EQ(net.openHandleCount(), 0u);
}

TEST_P(LookUpFileLocksTest, AVolumeWithoutLongNamesIsScannedByThePathGiven) {
    nw::FaultInjectingClient faulty(net.client());
    faulty.fail(nw::Op::NWGetNSPath, nw::INVALID_NAME_SPACE);
    const LockLookup found = LookUpFileLocks(faulty, kFs1, "DATA:\\SHARED\\QUARTE~1.XLS");
    EXPECT_EQ(found.failure, LockLookup::Failure::None);
    EXPECT_EQ(found.result, nw::SUCCESSFUL);
    EXPECT_EQ(found.scanPath, "DATA:\\SHARED\\QUARTE~1.XLS");
    EXPECT_EQ(found.rows.size(), 3u);
    EXPECT_EQ(faulty.calls(nw::Op::NWGetLongName), 0);
    EXPECT_EQ(net.openHandleCount(), 0u);
}

TEST_P(LookUpFileLocksTest, AFailingScanCallIsNotRepeated) {
    nw::FaultInjectingClient faulty(net.client());
    // Fails without ending the iteration, as a server in trouble may.
    faulty.fail(nw::Op::NWScanPhysicalLocksByFile, nw::FAILURE, {.skip = 1});
    const LockLookup found = LookUpFileLocks(faulty, kFs1, "DATA:SHARED\\Quarterly Report.xls");
    EXPECT_EQ(faulty.calls(nw::Op::NWScanPhysicalLocksByFile), 2);
    ASSERT_EQ(found.rows.size(), 1u);
    EXPECT_EQ(found.rows[0].type, "Not locked");
    EXPECT_EQ(net.openHandleCount(), 0u);
}

TEST_P(LookUpFileLocksByDosPathTest, ScansThePathAsItStands) {
    nw::FaultInjectingClient faulty(net.client());
    const LockLookup found = LookUpFileLocksByDosPath(faulty, kFs1, "DATA:\\SHARED\\QUARTE~1.XLS");
    EXPECT_EQ(found.failure, LockLookup::Failure::None);
    EXPECT_EQ(found.rows.size(), 3u);
    EXPECT_EQ(faulty.calls(nw::Op::NWGetNSPath), 0);
    EXPECT_TRUE(LookUpFileLocksByDosPath(net.client(), kFs1, "DATA:\\NOTES.TXT").rows.empty());
    EXPECT_EQ(LookUpFileLocksByDosPath(net.client(), 99, "DATA:\\NOTES.TXT").failure,
              LockLookup::Failure::Open);
    EXPECT_EQ(net.openHandleCount(), 0u);
}

TEST(LockCountLabel, CountAsStrText) {
    EXPECT_EQ(LockCountLabel("DATA:a.txt", 2), "DATA:a.txt:  2 locks.");
    EXPECT_EQ(LockCountLabel("DATA:a.txt", 0), "DATA:a.txt:  0 locks.");
}

}  // namespace
}  // namespace varnook
