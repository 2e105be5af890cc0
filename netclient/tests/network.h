// The network most simulator tests share.
#pragma once

#include <string>
#include <vector>

#include "netclient/testing/testnet.h"

namespace nw::testnet {

inline constexpr const char* kTestNetwork = R"({
  "workstation": {
    "drives": [ { "letter": "F", "target": "\\\\FS1\\SYS" },
                { "letter": "G", "target": "\\\\fs1\\data\\shared" } ],
    "connections": [
      { "server": "FS1", "user": "ADMIN", "station": 1, "consoleOperator": true },
      { "server": "FS2", "user": "GUEST", "station": 3 },
      { "server": "FS1", "user": "OPER", "station": 2 } ]
  },
  "servers": [
    { "name": "FS1", "maxConnections": 100, "users": ["ADMIN", { "name": "JSMITH", "id": 4660 }],
      "volumes": [ { "name": "SYS" }, { "name": "DATA" }, { "name": "OLD", "nameSpaces": [0] } ],
      "connections": [
        { "number": 12, "user": "JSMITH", "loginTime": "2026-12-07T08:15:30",
          "address": { "network": "0000C0A8", "node": "00001B2C3D4E", "socket": "0453" },
          "bytesRead": 5368709120, "bytesWritten": 1048576,
          "openFiles": [
            { "path": "DATA:SHARED\\Quarterly Report.xls",
              "locks": [ { "start": 0, "end": 511 }, { "start": 512, "end": 1023, "type": 254, "task": 3 } ] },
            { "path": "SYS:readme.txt", "task": 2 } ] },
        { "number": 14, "user": "MBROWN", "status": "authenticated",
          "openFiles": [ { "path": "DATA:\\SHARED/quarterly report.XLS",
                           "locks": [ { "start": 9, "end": 9, "type": 255 } ] } ] },
        { "number": 15, "user": "LCHEN", "messages": "refuse" },
        { "number": 16, "user": "PMULLER", "pendingMessage": "Hello" },
        { "number": 20 } ] },
    { "name": "FS2", "version": [3, 10, 0], "loginEnabled": false, "volumes": [ { "name": "SYS" } ] }
  ]
})";

inline std::vector<std::string> testNetworkFiles() {
    return {"volumes/FS1/SYS/readme.txt",
            "volumes/FS1/DATA/SHARED/Quarterly Report.xls",
            "volumes/FS1/DATA/SHARED/Quarterly Review.xls",
            "volumes/FS1/DATA/SHARED/R\xc3\xa9sum\xc3\xa9.doc",
            "volumes/FS1/OLD/Long Name File.txt",
            "volumes/FS2/SYS/"};
}

}  // namespace nw::testnet
