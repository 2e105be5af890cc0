// The two server-wide walks over every connection number a server supports: all open files
// (one row per file and user) and all connections of logged-in users. Written against the NetWare
// client and small sinks, free of widgets.
#pragma once

#include <cstdint>
#include <string>

#include "core/connfiles.h"
#include "core/scanhooks.h"
#include "netclient/client.h"

namespace varnook {

// The rows the all-connections walk lists at most: the users tables hold 2000 entries.
inline constexpr size_t kMaxConnectedUsers = 2000;
inline constexpr char kReachedMaxConnections[] = "Reached max connections";

// A logged-in user connection, as NWGetConnectionInformation reports it (object type 256, a name
// without "NOT_LOGGED_IN").
struct UserConnection {
    uint16_t connNumber = 0;
    std::string name;
};

// ---- All open files ----------------------------------------------------------------------------

class AllOpenFilesSink {
public:
    virtual ~AllOpenFilesSink() = default;
    // The connection numbers run from 0 to maxConns - 1.
    virtual void begin(uint16_t /*maxConns*/) {}
    // Whether to list a user connection's files: false skips the connection without a single
    // call for its files (a caller that wants one user's files need not walk everyone's).
    virtual bool wantsFiles(const UserConnection& /*user*/) { return true; }
    // One open file of a user connection.
    virtual void file(const UserConnection& user, const OpenFileRow& row) = 0;
    // A user connection's files are all listed.
    virtual void userDone(const UserConnection& /*user*/, const FilesByConnResult& /*result*/) {}
};

struct AllOpenFilesResult {
    // NWGetFileServerInformation failed (code): nothing was walked.
    bool infoFailed = false;
    nw::NWCCODE code = nw::SUCCESSFUL;
    uint16_t maxConns = 0;
    // The caller's ScanControl stopped the walk.
    bool stopped = false;
    size_t users = 0;
    size_t files = 0;
};

// Walks the connection numbers 0 to maxConns - 1 of the server behind conn and lists the files of
// every logged-in user connection with GetFilesByConn. control.keepGoing() runs before each
// connection number and before each file; the walk ends as soon as it answers false.
// Debug lines: "Max conns: ", "Conn: n, user: name", and those of GetFilesByConn.
// Opens and closes no handle.
AllOpenFilesResult WalkAllOpenFiles(nw::Client& client, nw::NWCONN_HANDLE conn,
                                    AllOpenFilesSink& sink, QueryLog& log = NoQueryLog(),
                                    ScanControl& control = NoScanControl());

// ---- All connections ---------------------------------------------------------------------------

// One logged-in user connection of the all-connections list.
struct ConnectedUser {
    uint16_t connNumber = 0;
    // The name NWGetUserInfo gave; when it failed, the object name of the connection.
    std::string name;
    nw::NWCCODE userInfoResult = nw::SUCCESSFUL;

    // "   " when the user information was read, " * " when it answered 0x897D, " ? " otherwise.
    const char* Separator() const;
    // The row: the connection number without blanks, the separator, the name ("12   JSMITH").
    std::string RowText() const;
    // The output log line: a tab and the name, "*" and the name (0x897D), or "? " and the name.
    std::string OutputText() const;
};

class ConnectedUsersSink {
public:
    virtual ~ConnectedUsersSink() = default;
    virtual void user(const ConnectedUser& user) = 0;
};

struct ConnectedUsersResult {
    bool infoFailed = false;
    nw::NWCCODE code = nw::SUCCESSFUL;
    uint16_t maxConns = 0;
    // maxRows rows were listed and the walk ended there ("Reached max connections").
    bool reachedMax = false;
    bool stopped = false;
    size_t rows = 0;
};

// Walks the connection numbers 0 to maxConns - 1 of the server behind conn and lists every
// logged-in user connection, reading its user information with NWGetUserInfo into a buffer of its
// own (514 bytes) that starts out holding the object name. Ends after maxRows rows (0: no limit).
// control.keepGoing() runs before each connection number. Debug lines: "Conn no: n   row";
// output lines: OutputText() per row. Opens and closes no handle.
ConnectedUsersResult GetAllConnectedUsers(nw::Client& client, nw::NWCONN_HANDLE conn,
                                          ConnectedUsersSink& sink, QueryLog& log = NoQueryLog(),
                                          ScanControl& control = NoScanControl(),
                                          size_t maxRows = kMaxConnectedUsers);

}  // namespace varnook
