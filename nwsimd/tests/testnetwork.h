// The network most wire tests serve. FS1 (NetWare 4.11, 8 connection slots): the workstation's
// own station 1 (left out of the table over the wire), MBROWN on station 2 with a file open and
// locked, LCHEN on station 4 (authenticated), station 6 attached but not logged in. ADMIN is a
// supervisor, OPER a console operator, JSMITH an ordinary user; GUEST has no password.
#pragma once

#include <string>
#include <vector>

namespace nw::nwsimd::testing {

inline constexpr const char* kNetwork = R"({
  "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1 } ] },
  "trees": [ { "name": "ACMETREE", "objects": [] } ],
  "servers": [ {
    "name": "FS1", "version": [4, 11, 0], "maxConnections": 8,
    "tree": "ACMETREE", "directoryName": "FS1.SALES.ACME",
    "users": [ { "name": "ADMIN", "password": "secret" },
               { "name": "JSMITH", "password": "jpass" },
               { "name": "OPER", "password": "op" }, "GUEST", "MBROWN", "LCHEN" ],
    "consoleOperators": ["OPER"],
    "volumes": [ { "name": "SYS" },
                 { "name": "DATA", "entries": [
                   { "path": "SHARED", "trustees": [ { "object": "JSMITH", "rights": "RF" } ] },
                   { "path": "MANY", "trustees": [ { "object": "JSMITH", "rights": "RF" } ] },
                   { "path": "EMPTY", "trustees": [ { "object": "JSMITH", "rights": "RF" } ] } ] } ],
    "connections": [
      { "number": 2, "user": "MBROWN", "loginTime": "2026-12-07T08:15:30",
        "bytesRead": 5368709120, "bytesWritten": 1048576,
        "address": { "network": "0000C0A8", "node": "00001B2C3D4E", "socket": "4003" },
        "openFiles": [ { "path": "DATA:SHARED\\Quarterly Report.xls", "task": 3,
                         "locks": [ { "start": 0, "end": 511, "type": 0 },
                                    { "start": 1024, "end": 2047, "type": 255 } ] },
                       { "path": "SYS:PUBLIC\\LOGIN.EXE" } ] },
      { "number": 4, "user": "LCHEN", "status": "authenticated",
        "openFiles": [ { "path": "DATA:SHARED\\Quarterly Report.xls" } ] },
      { "number": 6 }
    ],
    "supervisors": ["ADMIN"]
  } ]
})";

inline std::vector<std::string> networkFiles() {
    return {"volumes/FS1/SYS/PUBLIC/LOGIN.EXE",
            "volumes/FS1/SYS/PUBLIC/NLIST.EXE",
            "volumes/FS1/DATA/SHARED/Quarterly Report.xls",
            "volumes/FS1/DATA/SHARED/budget.txt",
            "volumes/FS1/DATA/EMPTY/",
            "volumes/FS1/DATA/MANY/",
            "volumes/FS1/DATA/HOME/JSMITH/notes.txt"};
}

}  // namespace nw::nwsimd::testing
