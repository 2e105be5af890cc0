// Files open by a connection (GetFilesByConn): each open file's full path, by its long name where
// the volume has one, with its physical lock count. Written against the NetWare client and a small
// sink, free of widgets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/scanhooks.h"
#include "core/userinfo.h"  // kCouldntCountFiles
#include "netclient/client.h"

namespace varnook {

inline constexpr char kCouldntGetPath[] = "<Couldn't get path>";
inline constexpr char kErrorGettingVolume[] = "<Error getting volume>";
inline constexpr char kDosNameSuffix[] = " (DOS name)";

// One open file.
struct OpenFileRow {
    // The file text: the long-name path ("VOL:\Dir\Long name.txt"); the DOS path as it stands on a
    // volume without long names; the DOS path and " (DOS name)" when the translation failed
    // otherwise; "<Couldn't get path>" when the file's path could not be read.
    std::string fileText;
    // The server's record count for the file, when it listed a physical lock on it.
    std::optional<uint16_t> locks;
    // The file text is the long-name path.
    bool longName = false;
    // The file's path in the DOS name space ("VOL:\DIR\FILE.EXT"), as the lock scans read it;
    // empty when the path could not be read.
    std::string dosPath;

    // The "Locks" column: the record count as Str text, empty without locks.
    std::string LocksText() const;
};

class OpenFilesSink {
public:
    virtual ~OpenFilesSink() = default;
    // One open file, in the order the server lists them.
    virtual void file(const OpenFileRow& row) = 0;
};

struct FilesByConnResult {
    // Files listed.
    int count = 0;
    // The scan failed before the end of the list ("Couldn't count files"); code holds its answer.
    bool scanFailed = false;
    nw::NWCCODE code = nw::SUCCESSFUL;
    // The caller's ScanControl stopped the scan.
    bool stopped = false;
};

// Lists the files connection connNumber has open, on the open handle conn. Per file:
// NWScanOpenFilesByConn2 (iteration handle from 0 to -1), NWGetPathFromDirectoryBase (DOS names,
// length byte 255) and NWGetVolumeName give the DOS path "VOL:\DIR\FILE.EXT"; NWGetNSPath and
// NWGetLongName turn it into the long-name path; NWScanPhysicalLocksByFile counts its locks
// (calls for the whole scan are capped at 150 once a file keeps answering without ending). A file
// whose path cannot be read is listed as "<Couldn't get path>", with no translation and no lock
// lookup. control.keepGoing() runs before each scan call; when it answers false the scan ends
// (stopped) before another row is written.
// Debug lines: "Scan returned: ", "Path: ", "NS returned: ", "NSPath: ", "LN returned: ",
// "Long name: ", "Scan file locks returned: "; output lines: a tab and the file text of each file
// shown by its long name. Opens and closes no handle.
FilesByConnResult GetFilesByConn(nw::Client& client, nw::NWCONN_HANDLE conn, uint16_t connNumber,
                                 OpenFilesSink& sink, QueryLog& log = NoQueryLog(),
                                 ScanControl& control = NoScanControl());

}  // namespace varnook
