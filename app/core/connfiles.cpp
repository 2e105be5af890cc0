#include "core/connfiles.h"

#include <array>
#include <span>

#include "core/paths.h"
#include "core/strtext.h"
#include "core/textbuffers.h"
#include "core/userchoice.h"

namespace varnook {

namespace {
// Iteration handles are 16-bit, so no connection lists more files than this; the bound ends a
// scan whose server never says it is done.
constexpr int kMaxScanCalls = 65537;
// Lock scan calls of one query, once files keep answering without ending their scan.
constexpr int kMaxLockCalls = 150;

class FileScan {
public:
    FileScan(nw::Client& client, nw::NWCONN_HANDLE conn, QueryLog& log)
        : client_(client), conn_(conn), log_(log) {}

    OpenFileRow row(const nw::OPEN_FILE_CONN& open) {
        OpenFileRow row;
        std::array<char, 256> pathBuffer{};
        nw::nuint8 length = 255;
        const nw::NWCCODE pathResult = client_.NWGetPathFromDirectoryBase(
            conn_, open.volNumber, open.dirEntry, nw::NW_NS_DOS, &length, pathBuffer.data());
        if (pathResult != nw::SUCCESSFUL) {
            row.fileText = kCouldntGetPath;
            return row;
        }
        TranslatePath(
            directory_,
            std::span(reinterpret_cast<const uint8_t*>(pathBuffer.data()), pathBuffer.size()),
            length);
        std::array<char, 256> volumeBuffer{};
        const bool named =
            client_.NWGetVolumeName(conn_, open.volNumber, volumeBuffer.data()) == nw::SUCCESSFUL;
        // The DOS path: the volume name without surrounding blanks, ":", the directory text.
        dosPath_ = TrimBlanks(named ? TextUpToNul(volumeBuffer) : std::string(kErrorGettingVolume));
        dosPath_ += ':';
        dosPath_ += directory_;
        if (log_.debugOn()) {
            log_.debug("Path: " + dosPath_);
        }
        translate(dosPath_, row);
        countLocks(dosPath_, row);
        row.dosPath = dosPath_;
        return row;
    }

private:
    void translate(const std::string& dosPath, OpenFileRow& row) {
        BlankBuffer folder;
        nw::NW_NS_PATH record{dosPath.c_str(), folder.data(), BlankBuffer::kSize};
        const nw::NWCCODE ns =
            client_.NWGetNSPath(conn_, 0, 1, nw::NW_NS_DOS, nw::NW_NS_LONG, &record);
        if (ns != nw::SUCCESSFUL) {
            if (log_.debugOn()) {
                log_.debug("NS returned: " + StrText(ns));
            }
            row.fileText = ns == nw::INVALID_NAME_SPACE ? dosPath : dosPath + kDosNameSuffix;
            return;
        }
        if (log_.debugOn()) {
            // The buffer's characters as the server left them, its NUL and blanks included.
            log_.debug("NSPath: " + folder.raw());
        }
        BlankBuffer name;
        const nw::NWCCODE ln = client_.NWGetLongName(conn_, 0, dosPath.c_str(), nw::NW_NS_DOS,
                                                     nw::NW_NS_LONG, name.data());
        if (log_.debugOn()) {
            log_.debug("LN returned: " + StrText(ln));
        }
        if (ln != nw::SUCCESSFUL) {
            // The name buffer still holds its blanks: the DOS path is the better answer.
            row.fileText = dosPath + kDosNameSuffix;
            return;
        }
        row.fileText = folder.text();
        row.fileText += '\\';
        row.fileText.append(name.text());
        row.longName = true;
        if (log_.outputOn()) {
            log_.output("\t" + row.fileText);
        }
        if (log_.debugOn()) {
            log_.debug("Long name: " + row.fileText);
        }
    }

    void countLocks(const std::string& dosPath, OpenFileRow& row) {
        nw::PHYSICAL_LOCK lock{};
        nw::PHYSICAL_LOCKS locks{};
        nw::nint16 iter = 0;
        do {
            ++lockCalls_;
            const nw::NWCCODE rc = client_.NWScanPhysicalLocksByFile(conn_, 0, dosPath.c_str(), 0,
                                                                     &iter, &lock, &locks);
            if (log_.debugOn()) {
                log_.debug("Scan file locks returned: " + StrText(rc));
            }
            if (lock.loggedCount != 0) {
                row.locks = locks.numRecords;
            }
        } while (iter == 0 && lockCalls_ < kMaxLockCalls);
    }

    nw::Client& client_;
    nw::NWCONN_HANDLE conn_;
    QueryLog& log_;
    int lockCalls_ = 0;
    // Kept from file to file, so their room is reused.
    std::string directory_;
    std::string dosPath_;
};
}  // namespace

std::string OpenFileRow::LocksText() const {
    return locks ? StrText(*locks) : std::string();
}

FilesByConnResult GetFilesByConn(nw::Client& client, nw::NWCONN_HANDLE conn, uint16_t connNumber,
                                 OpenFilesSink& sink, QueryLog& log, ScanControl& control) {
    FilesByConnResult result;
    FileScan scan(client, conn, log);
    nw::nint16 iter = 0;
    nw::OPEN_FILE_CONN_CTRL ctrl{};
    for (int calls = 0; calls < kMaxScanCalls; ++calls) {
        if (!control.keepGoing()) {
            result.stopped = true;
            return result;
        }
        nw::OPEN_FILE_CONN open{};
        const nw::NWCCODE rc = client.NWScanOpenFilesByConn2(conn, connNumber, &iter, &ctrl, &open);
        if (rc != nw::SUCCESSFUL) {
            if (log.debugOn()) {
                log.debug("Scan returned: " + StrText(rc));
            }
            if (iter != nw::NW_ITERATION_END) {
                result.scanFailed = true;
                result.code = rc;
            }
            return result;
        }
        sink.file(scan.row(open));
        ++result.count;
        if (iter == nw::NW_ITERATION_END) {
            return result;
        }
    }
    result.scanFailed = true;
    result.code = nw::FAILURE;
    return result;
}

}  // namespace varnook
