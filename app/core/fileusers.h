// Users of a file: every connection that has one file open on a server, with the name of the user
// logged in on it (GetConnsUsingFile). Written against the NetWare client and a small sink, free
// of widgets: the main window, its tests and a command-line front end share it.
#pragma once

#include <cstdint>
#include <string>

#include "core/scanhooks.h"
#include "core/userchoice.h"  // kNoUsersListed
#include "netclient/client.h"

namespace varnook {

// The reported count before the first scan call has set it.
inline constexpr int32_t kNoCountYet = -99;

inline constexpr char kErrorGettingId[] = "<Error getting ID>";
inline constexpr char kCouldntCountConnections[] = "Couldn't count connections";

// One connection that has the file open.
struct FileUser {
    uint16_t connNumber = 0;
    // The user's name up to its NUL, or "<Error getting ID>" when NWGetUserInfo failed.
    std::string name;
    nw::NWCCODE userInfoResult = nw::SUCCESSFUL;

    // The users list row: the connection number as Str text, two blanks, the name
    // (" 12  JSMITH").
    std::string RowText() const;
};

class FileUsersSink {
public:
    virtual ~FileUsersSink() = default;
    // The diagnostic trace: restart with "Init. " when the scan starts, then one "Str(result)-"
    // piece per scan call.
    virtual void trace(const std::string& /*text*/, bool /*restart*/) {}
    // One connection, in the order the server lists them.
    virtual void user(const FileUser& user) = 0;
};

struct FileUsersResult {
    enum class End {
        Listed,             // the scan reached its normal end (iteration handle -1)
        TranslationFailed,  // the path could not be put into the DOS name space; nothing scanned
        ScanFailed,         // a scan call failed with the iteration handle not at -1
    };
    End end = End::Listed;
    // The connection count the first scan call reported (kNoCountYet when none was made). It is
    // the server's count, not the number of rows: a row whose name lookup failed still counts.
    int32_t reportedCount = kNoCountYet;
    // The completion code that ended the query (0 after a normal end).
    nw::NWCCODE code = nw::SUCCESSFUL;
    size_t rows = 0;

    // The main window's status text: "Couldn't count connections" after a failure, else the
    // reported count as Str text and " users have file open".
    std::string StatusText() const;
};

// Lists the connections that have the file volumePath (long names, "VOL:\DIR\NAME") open, on the
// open handle conn:
// 1. NWGetNSPath and NWGetLongName put the path into the DOS name space. A volume without the
//    long name space (0x89BF) has only DOS names, so the path is scanned as it stands; any other
//    failure ends the query (TranslationFailed) without scanning.
// 2. NWScanConnectionsUsingFile, once per connection, until it answers non-zero; a non-zero answer
//    with the iteration handle at -1 is the normal end. NWGetUserInfo names each connection, into
//    a zero-filled 514-byte buffer. Connection numbers are unsigned 16-bit and widened to 32 bits
//    without a sign.
// Debug lines: "NWGetNSPath returned: ", "NWScanConnectionsUsingFile returned: ",
// "ConnectionCount: ", "NWGetUserInfo returned: ", "User name: ... conn number: ..."; output
// lines: a tab and the row text per connection. Opens and closes no handle.
FileUsersResult GetConnsUsingFile(nw::Client& client, nw::NWCONN_HANDLE conn,
                                  const std::string& volumePath, FileUsersSink& sink,
                                  QueryLog& log = NoQueryLog());

}  // namespace varnook
