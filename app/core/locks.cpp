#include "core/locks.h"

#include <array>

#include "core/connhandle.h"
#include "core/nultext.h"
#include "core/strtext.h"

namespace varnook {

namespace {
constexpr nw::nuint16 kNsPathBufferSize = 512;
constexpr size_t kLongNameBufferSize = 256;
// No file carries more locks than a 16-bit iteration handle can step through; a server that
// answers 0 for ever without ending the scan stops here.
constexpr int kMaxLockCalls = 65536;
}  // namespace

const char* LockTypeText(uint8_t type) {
    switch (type) {
        case 0x00:
            return "Not locked";
        case 0xFE:
            return "File lock";
        case 0xFF:
            return "Share file set";
        default:
            return nullptr;
    }
}

namespace {
// Lists the locks on out.scanPath until the iteration handle reads -1 or a call answers anything
// but 0, so a failing call is never repeated.
void ScanLocks(nw::Client& client, nw::NWCONN_HANDLE conn, LockLookup& out) {
    nw::nint16 iter = 0;
    for (int calls = 0; calls < kMaxLockCalls; ++calls) {
        nw::PHYSICAL_LOCK lock;
        nw::PHYSICAL_LOCKS block;
        const nw::NWCCODE rc = client.NWScanPhysicalLocksByFile(conn, 0, out.scanPath.c_str(), 0,
                                                                &iter, &lock, &block);
        if (iter != nw::NW_ITERATION_END && lock.loggedCount != 0) {
            if (const char* type = LockTypeText(lock.lockType)) {
                out.rows.push_back({type, StrText(static_cast<int32_t>(lock.recordStart)),
                                    StrText(static_cast<int32_t>(lock.recordEnd)),
                                    StrText(static_cast<int16_t>(lock.taskNumber))});
            }
        }
        if (iter == nw::NW_ITERATION_END || rc != nw::SUCCESSFUL) {
            break;
        }
    }
}

// Notes a connection that could not be opened; true when it is open.
bool Opened(const ConnHandle& conn, LockLookup& out) {
    if (!conn.ok()) {
        out.failure = LockLookup::Failure::Open;
        out.result = conn.result();
    }
    return conn.ok();
}
}  // namespace

LockLookup LookUpFileLocks(nw::Client& client, nw::NWCONN_REF ref, const std::string& fileName) {
    LockLookup out;
    ConnHandle conn(client, ref);
    if (!Opened(conn, out)) {
        return out;
    }

    std::array<char, kNsPathBufferSize> dstPath{};
    nw::NW_NS_PATH nsPath;
    nsPath.srcPath = fileName.c_str();
    nsPath.dstPath = dstPath.data();
    nsPath.dstPathSize = kNsPathBufferSize;
    out.result = client.NWGetNSPath(conn.get(), 0, 1, nw::NW_NS_LONG, nw::NW_NS_DOS, &nsPath);
    if (out.result == nw::INVALID_NAME_SPACE) {
        // A volume without long names names its files by their DOS paths already.
        out.scanPath = fileName;
        ScanLocks(client, conn.get(), out);
        out.result = nw::SUCCESSFUL;
        return out;
    }
    if (out.result != nw::SUCCESSFUL) {
        out.failure = LockLookup::Failure::NSPath;
        return out;
    }
    std::array<char, kLongNameBufferSize> dosName{};
    out.result = client.NWGetLongName(conn.get(), 0, fileName.c_str(), nw::NW_NS_LONG,
                                      nw::NW_NS_DOS, dosName.data());
    if (out.result != nw::SUCCESSFUL) {
        out.failure = LockLookup::Failure::LongName;
        return out;
    }
    out.scanPath =
        CutAtNul(dstPath.data(), dstPath.size()) + "\\" + CutAtNul(dosName.data(), dosName.size());

    ScanLocks(client, conn.get(), out);
    out.result = nw::SUCCESSFUL;
    return out;
}

LockLookup LookUpFileLocksByDosPath(nw::Client& client, nw::NWCONN_REF ref,
                                    const std::string& dosPath) {
    LockLookup out;
    ConnHandle conn(client, ref);
    if (!Opened(conn, out)) {
        return out;
    }
    out.scanPath = dosPath;
    ScanLocks(client, conn.get(), out);
    return out;
}

std::string LockCountLabel(const std::string& fileName, size_t count) {
    return fileName + ": " + StrText(static_cast<int64_t>(count)) + " locks.";
}

}  // namespace varnook
