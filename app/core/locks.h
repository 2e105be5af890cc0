// The physical record locks a server holds on one file, as the lock information window lists
// them. Written against the NetWare client alone, free of widgets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "netclient/client.h"

namespace varnook {

// The list's text for a lock type: 0 "Not locked", 0xFE "File lock", 0xFF "Share file set";
// nullptr for any other type, which the list leaves out.
const char* LockTypeText(uint8_t type);

// One row of the lock list: the type's text and the record start, record end and task number as
// Str text of signed values (32-bit for the range, 16-bit for the task).
struct LockRow {
    std::string type;
    std::string start;
    std::string end;
    std::string task;
};

struct LockLookup {
    // Where the lookup stopped early: the connection could not be opened, or the file's name
    // could not be translated into the DOS name space (the list then stays empty).
    enum class Failure { None, Open, NSPath, LongName } failure = Failure::None;
    nw::NWCCODE result = nw::SUCCESSFUL;  // the completion code of the failing operation
    std::string scanPath;                 // the DOS-name-space path the locks were scanned for
    std::vector<LockRow> rows;
};

// Looks up the locks on a file. fileName is its volume path in the long name space
// ("DATA:SHARED\Quarterly Report.xls"). Opens one handle on ref, translates the name with
// NWGetNSPath and NWGetLongName (long to DOS name space), then calls NWScanPhysicalLocksByFile
// until the iteration handle reads -1 or a call answers anything but 0, so a failing call is
// never repeated. On a volume without the long name space (0x89BF) the name is already a DOS
// path and is scanned as it stands. Locks of unlisted types are left out. The handle is closed
// before it returns.
LockLookup LookUpFileLocks(nw::Client& client, nw::NWCONN_REF ref, const std::string& fileName);

// The same for a file named by its path in the DOS name space ("DATA:\SHARED\QUARTE~1.XLS"), as
// the open-file scans read it: no translation, the locks of that path.
LockLookup LookUpFileLocksByDosPath(nw::Client& client, nw::NWCONN_REF ref,
                                    const std::string& dosPath);

// "<name>: <count as Str text> locks." (two blanks follow the colon for a count that is not
// negative).
std::string LockCountLabel(const std::string& fileName, size_t count);

}  // namespace varnook
