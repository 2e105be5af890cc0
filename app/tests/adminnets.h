// Networks of the action window tests beyond the shared action network. (Kept out of the test
// source: the meta-object compiler does not read raw string literals.)
#pragma once

#include <string>

namespace varnook::test {

// The workstation's only connection has no console operator rights.
inline constexpr const char* kOperatorlessNetwork = R"({
  "workstation": { "drives": [ { "letter": "F", "target": "\\\\OLD\\SYS" } ],
                   "connections": [ { "server": "OLD", "user": "GUEST", "station": 2 } ] },
  "servers": [ { "name": "OLD", "volumes": [ { "name": "SYS" } ] } ]
})";

// Server BIG with users U2 .. U<count + 1> on stations 2 .. count + 1; the workstation is a
// console operator on station 1.
inline std::string BigServerNetwork(int count) {
    std::string stations;
    for (int n = 2; n <= count + 1; ++n) {
        stations += (n > 2 ? "," : "") + std::string(R"({"number": )") + std::to_string(n) +
                    R"(, "user": "U)" + std::to_string(n) + R"("})";
    }
    return R"({"workstation": {"drives": [{"letter": "F", "target": "\\\\BIG\\SYS"}],
                 "connections": [{"server": "BIG", "user": "ADMIN", "station": 1,
                                  "consoleOperator": true}]},
               "servers": [{"name": "BIG", "maxConnections": 1500,
                            "volumes": [{"name": "SYS"}], "connections": [)" +
           stations + "]}]}";
}

}  // namespace varnook::test
