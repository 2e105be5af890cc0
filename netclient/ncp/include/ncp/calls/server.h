// Server information, logins, console actions, broadcast messages, connection information and
// what Nmap's NCP scripts ask for.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ncp/calls/records.h"
#include "ncp/io.h"

namespace nw::ncp::call {

struct GetFileServerInfo {
    static constexpr std::uint8_t function = 23, subfunction = 17;
    static constexpr const char* name = "Get File Server Information";
    using Request = Empty;
    // Counts hi-lo; 128 bytes in all.
    struct Reply {
        std::string serverName;  // 48 bytes, NUL-padded
        std::uint8_t osMajor = 0;
        std::uint8_t osMinor = 0;
        std::uint16_t maxConnections = 0;
        std::uint16_t connectionsInUse = 0;
        std::uint16_t maxVolumes = 0;
        std::uint8_t osRevision = 0;
        std::uint8_t sftLevel = 0;
        std::uint8_t ttsLevel = 0;
        std::uint16_t peakConnections = 0;
        std::uint8_t accountingVersion = 0;
        std::uint8_t vapVersion = 0;
        std::uint8_t queueingVersion = 0;
        std::uint8_t printServerVersion = 0;
        std::uint8_t virtualConsoleVersion = 0;
        std::uint8_t securityRestrictionVersion = 0;
        std::uint8_t internetBridgeVersion = 0;
        std::uint8_t mixedModePathFlag = 0;
        std::uint8_t localLoginInfo = 0;
        std::uint16_t productMajor = 0;
        std::uint16_t productMinor = 0;
        std::uint16_t productRevision = 0;
        std::uint8_t languageId = 0;
        std::uint8_t support64Bit = 0;
        std::uint8_t serverType = 0;
        std::uint8_t kernelType = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.text(m.serverName, 48);
            io.u8(m.osMajor);
            io.u8(m.osMinor);
            io.be16(m.maxConnections);
            io.be16(m.connectionsInUse);
            io.be16(m.maxVolumes);
            io.u8(m.osRevision);
            io.u8(m.sftLevel);
            io.u8(m.ttsLevel);
            io.be16(m.peakConnections);
            io.u8(m.accountingVersion);
            io.u8(m.vapVersion);
            io.u8(m.queueingVersion);
            io.u8(m.printServerVersion);
            io.u8(m.virtualConsoleVersion);
            io.u8(m.securityRestrictionVersion);
            io.u8(m.internetBridgeVersion);
            io.u8(m.mixedModePathFlag);
            io.u8(m.localLoginInfo);
            io.be16(m.productMajor);
            io.be16(m.productMinor);
            io.be16(m.productRevision);
            io.u8(m.languageId);
            io.u8(m.support64Bit);
            io.u8(m.serverType);
            io.u8(m.kernelType);
            io.zeros(48);
        }
        bool operator==(const Reply&) const = default;
    };
};

struct GetLoginStatus {
    static constexpr std::uint8_t function = 23, subfunction = 205;
    static constexpr const char* name = "Get File Server Login Status";
    using Request = Empty;
    struct Reply {
        std::uint8_t loginsAllowed = 0;  // 0 = disabled
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.loginsAllowed);
        }
        bool operator==(const Reply&) const = default;
    };
};

struct DisableLogin {
    static constexpr std::uint8_t function = 23, subfunction = 203;
    static constexpr const char* name = "Disable File Server Login";
    using Request = Empty;
    using Reply = Empty;
};

struct EnableLogin {
    static constexpr std::uint8_t function = 23, subfunction = 204;
    static constexpr const char* name = "Enable File Server Login";
    using Request = Empty;
    using Reply = Empty;
};

struct CheckConsolePrivileges {
    static constexpr std::uint8_t function = 23, subfunction = 200;
    static constexpr const char* name = "Check Console Privileges";
    using Request = Empty;
    using Reply = Empty;
};

// Wireshark decodes the number BE; the Linux library sends LE32. Chosen: LE32.
struct ClearConnection {
    static constexpr std::uint8_t function = 23, subfunction = 254;
    static constexpr const char* name = "Clear Connection Number";
    struct Request {
        std::uint32_t connection = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.connection);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

struct ClearConnectionOld {
    static constexpr std::uint8_t function = 23, subfunction = 210;
    static constexpr const char* name = "Clear Connection Number (old)";
    struct Request {
        std::uint8_t connection = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.connection);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

// Per-station result of a broadcast: the client interface's NW_BROADCAST_* values.
namespace broadcast {
inline constexpr std::uint32_t kSent = 0;
inline constexpr std::uint32_t kIllegalStation = 1;
inline constexpr std::uint32_t kNotLoggedIn = 2;
inline constexpr std::uint32_t kNotAccepting = 3;
inline constexpr std::uint32_t kAlreadyHasMessage = 4;
}  // namespace broadcast

struct SendBroadcast {
    static constexpr std::uint8_t function = 21, subfunction = 10;
    static constexpr const char* name = "Send Broadcast Message";
    struct Request {
        std::vector<std::uint32_t> connections;
        std::string message;  // at most 255 bytes
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.list(Count::Le16, m.connections, [](auto& io2, auto& c) { io2.le32(c); });
            io.pstring(m.message);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::vector<std::uint32_t> results;  // one per connection, in request order
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.list(Count::Le16, m.results, [](auto& io2, auto& r) { io2.le32(r); });
        }
        bool operator==(const Reply&) const = default;
    };
};

struct SendBroadcastOld {
    static constexpr std::uint8_t function = 21, subfunction = 0;
    static constexpr const char* name = "Send Broadcast Message (old)";
    struct Request {
        std::vector<std::uint8_t> connections;
        std::string message;  // at most 58 bytes on these servers
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.list(Count::U8, m.connections, [](auto& io2, auto& c) { io2.u8(c); });
            io.pstring(m.message);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::vector<std::uint8_t> results;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.list(Count::U8, m.results, [](auto& io2, auto& r) { io2.u8(r); });
        }
        bool operator==(const Reply&) const = default;
    };
};

struct BroadcastMessage {
    std::string message;  // empty when none is waiting
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.pstring(m.message);
    }
    bool operator==(const BroadcastMessage&) const = default;
};

struct GetBroadcast {
    static constexpr std::uint8_t function = 21, subfunction = 11;
    static constexpr const char* name = "Get Broadcast Message";
    using Request = Empty;
    using Reply = BroadcastMessage;
};

struct GetBroadcastOld {
    static constexpr std::uint8_t function = 21, subfunction = 1;
    static constexpr const char* name = "Get Broadcast Message (old)";
    using Request = Empty;
    using Reply = BroadcastMessage;
};

// 23/28 and 23/22 answer the same record.
struct StationInfo {
    std::uint32_t objectId = 0;
    std::uint16_t objectType = 0;
    std::string objectName;  // 48 bytes, NUL-padded
    LoginTime loginTime{};
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.be32(m.objectId);
        io.be16(m.objectType);
        io.text(m.objectName, 48);
        io.bytes(m.loginTime);
        io.zeros(1);
    }
    bool operator==(const StationInfo&) const = default;
};

struct GetStationInfo {
    static constexpr std::uint8_t function = 23, subfunction = 28;
    static constexpr const char* name = "Get Station's Logged Info";
    struct Request {
        std::uint32_t connection = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.connection);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = StationInfo;
};

struct GetStationInfoOld {
    static constexpr std::uint8_t function = 23, subfunction = 22;
    static constexpr const char* name = "Get Station's Logged Info (old)";
    struct Request {
        std::uint8_t connection = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.connection);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = StationInfo;
};

// 123/4. The record follows the Linux library's reading where it and Wireshark disagree: use
// count and object type as LE32 (Wireshark: LE16 + 2 reserved, same bytes for small values),
// and bytes 44-46 as transaction flag, logical lock threshold, record lock threshold (Wireshark:
// LE16 transaction flag at 44, logical threshold at 46, no record threshold). This is also the
// byte layout of the client interface's NWUSER_INFO. The object type's first two bytes hold the
// type hi-lo, so a user reads 0x0100 as LE32.
struct UserInformation {
    static constexpr std::uint8_t function = 123, subfunction = 4;
    static constexpr const char* name = "User Information";
    struct Request {
        std::uint32_t connection = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.connection);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint32_t serverUpTime = 0;  // ticks since the server came up
        std::uint8_t consoleVersion = 0;
        std::uint8_t consoleRevision = 0;
        std::uint32_t connection = 0;
        std::uint32_t useCount = 0;
        std::uint8_t serviceType = 0;
        LoginTime loginTime{};
        std::uint16_t status = 0;  // 0x0001 logged in, 0x0400 bindery connection, ...
        std::uint32_t expirationTime = 0;
        std::uint32_t objectType = 0;
        std::uint8_t transactionFlag = 0;
        std::uint8_t logicalLockThreshold = 0;
        std::uint8_t recordLockThreshold = 0;
        std::uint8_t fileWriteFlags = 0;
        std::uint8_t fileWriteState = 0;
        std::uint16_t fileLockCount = 0;
        std::uint16_t recordLockCount = 0;
        std::uint64_t bytesRead = 0;  // 48-bit
        std::uint64_t bytesWritten = 0;
        std::uint32_t totalRequests = 0;
        std::uint32_t heldRequests = 0;
        std::uint64_t heldBytesRead = 0;
        std::uint64_t heldBytesWritten = 0;
        std::string userName;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.serverUpTime);
            io.u8(m.consoleVersion);
            io.u8(m.consoleRevision);
            io.zeros(2);
            io.le32(m.connection);
            io.le32(m.useCount);
            io.u8(m.serviceType);
            io.bytes(m.loginTime);
            io.le16(m.status);
            io.zeros(2);
            io.le32(m.expirationTime);
            io.le32(m.objectType);
            io.u8(m.transactionFlag);
            io.u8(m.logicalLockThreshold);
            io.u8(m.recordLockThreshold);
            io.u8(m.fileWriteFlags);
            io.u8(m.fileWriteState);
            io.zeros(1);
            io.le16(m.fileLockCount);
            io.le16(m.recordLockCount);
            io.le48(m.bytesRead);
            io.le48(m.bytesWritten);
            io.le32(m.totalRequests);
            io.le32(m.heldRequests);
            io.le48(m.heldBytesRead);
            io.le48(m.heldBytesWritten);
            io.pstring(m.userName);
        }
        bool operator==(const Reply&) const = default;
    };
};

// 23/229, the 3.x source of the byte and request counters.
struct GetConnectionUsage {
    static constexpr std::uint8_t function = 23, subfunction = 229;
    static constexpr const char* name = "Get Connection Usage Statistics";
    struct Request {
        std::uint16_t connection = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.be16(m.connection);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint16_t nextRequestRecord = 0;  // Wireshark's label; servers send 0
        std::uint64_t bytesRead = 0;
        std::uint64_t bytesWritten = 0;
        std::uint32_t totalRequests = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le16(m.nextRequestRecord);
            io.le48(m.bytesRead);
            io.le48(m.bytesWritten);
            io.le32(m.totalRequests);
        }
        bool operator==(const Reply&) const = default;
    };
};

// A station's network address: 4 network + 6 node + 2 socket bytes. For an IP station the
// first 4 bytes are the IPv4 address and the next 2 the TCP port (both hi-lo).
using NetAddress = std::array<std::uint8_t, 12>;

namespace address_type {
inline constexpr std::uint8_t kIpx = 2;
inline constexpr std::uint8_t kInternalNet = 3;
inline constexpr std::uint8_t kIp = 11;
}  // namespace address_type

inline NetAddress ipAddress(std::uint32_t ipv4, std::uint16_t port) {
    return {static_cast<std::uint8_t>(ipv4 >> 24),
            static_cast<std::uint8_t>(ipv4 >> 16),
            static_cast<std::uint8_t>(ipv4 >> 8),
            static_cast<std::uint8_t>(ipv4),
            static_cast<std::uint8_t>(port >> 8),
            static_cast<std::uint8_t>(port),
            0,
            0,
            0,
            0,
            0,
            0};
}

// Wireshark reads a 2-byte request and decodes no reply fields; the Linux library sends a LE32
// connection number and reads address + type. Chosen: the library's layout.
struct GetInternetAddress {
    static constexpr std::uint8_t function = 23, subfunction = 26;
    static constexpr const char* name = "Get Internet Address";
    struct Request {
        std::uint32_t connection = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.connection);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        NetAddress address{};
        std::uint8_t connectionType = address_type::kIp;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.bytes(m.address);
            io.u8(m.connectionType);
        }
        bool operator==(const Reply&) const = default;
    };
};

struct GetInternetAddressOld {
    static constexpr std::uint8_t function = 23, subfunction = 19;
    static constexpr const char* name = "Get Internet Address (old)";
    struct Request {
        std::uint8_t connection = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.connection);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        NetAddress address{};
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.bytes(m.address);
        }
        bool operator==(const Reply&) const = default;
    };
};

// 104/1. Clients send 3 zero bytes (kept as sent). The reply's tree name travels padded with
// '_' to 32 characters plus a NUL (padTreeName); depth and revision are hi-lo as Wireshark
// decodes them (no other source).
struct PingNds {
    static constexpr std::uint8_t function = 104, subfunction = 1;
    static constexpr const char* name = "Ping for NDS NCP";
    struct Request {
        Bytes data{0, 0, 0};
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.rest(m.data);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint32_t pingVersion = 9;
        std::string treeName;  // as on the wire, without the NUL (see padTreeName)
        std::uint32_t depth = 0;
        std::uint32_t revision = 0;
        std::uint32_t flags = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.pingVersion);
            if constexpr (Io::decoding) {
                std::uint32_t n = 0;
                io.le32(n);
                if (n == 0 || n > 33) {
                    io.fail();
                    return;
                }
                io.cstring(m.treeName);
                if (m.treeName.size() + 1 != n) {
                    io.fail();
                }
            } else {
                io.le32(static_cast<std::uint32_t>(m.treeName.size() + 1));
                if (m.treeName.size() > 32) {
                    io.fail();
                }
                io.cstring(m.treeName);
            }
            io.be32(m.depth);
            io.be32(m.revision);
            io.le32(m.flags);
        }
        bool operator==(const Reply&) const = default;
    };
};

// The tree name as 104/1 carries it: padded with '_' to 32 characters.
inline std::string padTreeName(std::string name) {
    if (name.size() < 32) {
        name.append(32 - name.size(), '_');
    }
    return name;
}

struct ReturnBinderyContext {
    static constexpr std::uint8_t function = 104, subfunction = 4;
    static constexpr const char* name = "Return Bindery Context";
    using Request = Empty;
    struct Reply {
        std::string context;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.pstring(m.context);
        }
        bool operator==(const Reply&) const = default;
    };
};

// One service address of 123/17: transport type LE32 (6 TCP, 5 UDP, as Nmap reads them), then
// the address with its LE32 length; for TCP/UDP 6 bytes: port and IPv4 address, hi-lo.
struct ServiceAddress {
    std::uint32_t transport = 6;
    Bytes address;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.le32(m.transport);
        io.blob(Count::Le32, m.address);
    }
    bool operator==(const ServiceAddress&) const = default;
};

inline ServiceAddress tcpServiceAddress(std::uint32_t ipv4, std::uint16_t port) {
    return {6,
            {static_cast<std::uint8_t>(port >> 8), static_cast<std::uint8_t>(port),
             static_cast<std::uint8_t>(ipv4 >> 24), static_cast<std::uint8_t>(ipv4 >> 16),
             static_cast<std::uint8_t>(ipv4 >> 8), static_cast<std::uint8_t>(ipv4)}};
}

struct EnumerateServiceAddresses {
    static constexpr std::uint8_t function = 123, subfunction = 17;
    static constexpr const char* name = "Enumerate NCP Service Network Addresses";
    struct Request {
        std::uint32_t searchNumber = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.searchNumber);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint32_t serverUpTime = 0;
        std::uint8_t consoleVersion = 0;
        std::uint8_t consoleRevision = 0;
        std::uint16_t serverInfoFlags = 0;
        std::array<std::uint8_t, 16> guid{};
        std::uint32_t nextSearchNumber = 0;
        std::vector<ServiceAddress> addresses;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.serverUpTime);
            io.u8(m.consoleVersion);
            io.u8(m.consoleRevision);
            io.le16(m.serverInfoFlags);
            io.bytes(m.guid);
            io.le32(m.nextSearchNumber);
            io.list(Count::Le32, m.addresses, [](auto& io2, auto& a) { io2.record(a); });
        }
        bool operator==(const Reply&) const = default;
    };
};

}  // namespace nw::ncp::call
