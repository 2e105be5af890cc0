// Session set-up, bindery login and the bindery.
//
// 0x1111 (create service connection) and 0x5555 (destroy) are request types, not functions:
// encodeRequest() in header.h builds them with any payload (this codec's client sends none on
// 0x1111 and one zero byte on 0x5555, as the Linux library does); the server accepts any.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ncp/calls/records.h"
#include "ncp/io.h"

namespace nw::ncp::call {

// Object types are hi-lo on the wire (a user is 0x0001).
inline constexpr std::uint16_t kObjectUser = 0x0001;
inline constexpr std::uint16_t kObjectGroup = 0x0002;
inline constexpr std::uint16_t kObjectFileServer = 0x0004;
inline constexpr std::uint16_t kObjectWild = 0xFFFF;

struct NegotiateBufferSize {
    static constexpr std::uint8_t function = 33, subfunction = 0;
    static constexpr const char* name = "Negotiate Buffer Size";
    struct Request {
        std::uint16_t bufferSize = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.be16(m.bufferSize);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Request;
};

// Security flag bits of 97.
namespace security {
inline constexpr std::uint8_t kChecksum = 0x01;
inline constexpr std::uint8_t kSignature = 0x02;
inline constexpr std::uint8_t kCompleteSignatures = 0x04;
inline constexpr std::uint8_t kEncryption = 0x08;
inline constexpr std::uint8_t kLipDisabled = 0x80;
}  // namespace security

struct GetBigPacketSize {
    static constexpr std::uint8_t function = 97, subfunction = 0;
    static constexpr const char* name = "Get Big Packet NCP Max Packet Size";
    struct Request {
        std::uint16_t proposedMaxSize = 0;
        std::uint8_t securityFlag = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.be16(m.proposedMaxSize);
            io.u8(m.securityFlag);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint16_t acceptedMaxSize = 0;  // 0 = keep the proposed size
        std::uint16_t echoSocket = 0;
        std::uint8_t securityFlag = 0;  // kSignature set: both sides sign from the login on
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.be16(m.acceptedMaxSize);
            io.be16(m.echoSocket);
            io.u8(m.securityFlag);
        }
        bool operator==(const Reply&) const = default;
    };
};

struct Logout {
    static constexpr std::uint8_t function = 25, subfunction = 0;
    static constexpr const char* name = "Logout";
    using Request = Empty;
    using Reply = Empty;
};

// Wireshark shows a 1-byte request code; the Linux library sends the new state as LE32 (1 =
// licensed). Chosen: LE32, as that client talked to real servers.
struct ChangeConnectionState {
    static constexpr std::uint8_t function = 23, subfunction = 29;
    static constexpr const char* name = "Change Connection State";
    struct Request {
        std::uint32_t state = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.state);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

struct GetLoginKey {
    static constexpr std::uint8_t function = 23, subfunction = 23;
    static constexpr const char* name = "Get Login Key";
    using Request = Empty;
    struct Reply {
        std::array<std::uint8_t, 8> key{};
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.bytes(m.key);
        }
        bool operator==(const Reply&) const = default;
    };
};

// The 8 bytes Wireshark labels "Login Key" carry the client's answer (login.h).
struct KeyedObjectLogin {
    static constexpr std::uint8_t function = 23, subfunction = 24;
    static constexpr const char* name = "Keyed Object Login";
    struct Request {
        std::array<std::uint8_t, 8> answer{};
        std::uint16_t objectType = kObjectUser;
        std::string objectName;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.bytes(m.answer);
            io.be16(m.objectType);
            io.pstring(m.objectName);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

// Object id, type and 48-byte name: the reply of 23/53 and 23/54.
struct BinderyObject {
    std::uint32_t objectId = 0;
    std::uint16_t objectType = 0;
    std::string objectName;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.be32(m.objectId);
        io.be16(m.objectType);
        io.text(m.objectName, 48);
    }
    bool operator==(const BinderyObject&) const = default;
};

// Wireshark shows the reply's object id LE; it is hi-lo like every other object id.
struct GetBinderyObjectId {
    static constexpr std::uint8_t function = 23, subfunction = 53;
    static constexpr const char* name = "Get Bindery Object ID";
    struct Request {
        std::uint16_t objectType = kObjectUser;
        std::string objectName;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.be16(m.objectType);
            io.pstring(m.objectName);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = BinderyObject;
};

struct GetBinderyObjectName {
    static constexpr std::uint8_t function = 23, subfunction = 54;
    static constexpr const char* name = "Get Bindery Object Name";
    struct Request {
        std::uint32_t objectId = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.be32(m.objectId);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = BinderyObject;
};

// The scan starts with last object id 0xFFFFFFFF and goes on from each reply's id; the server
// answers 0xFC when nothing further matches.
struct ScanBinderyObject {
    static constexpr std::uint8_t function = 23, subfunction = 55;
    static constexpr const char* name = "Scan Bindery Object";
    struct Request {
        std::uint32_t lastObjectId = 0xFFFFFFFF;
        std::uint16_t objectType = kObjectWild;
        std::string pattern;  // "*" for every name
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.be32(m.lastObjectId);
            io.be16(m.objectType);
            io.pstring(m.pattern);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        BinderyObject object;
        std::uint8_t objectFlags = 0;
        std::uint8_t objectSecurity = 0;
        std::uint8_t hasProperties = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.record(m.object);
            io.u8(m.objectFlags);
            io.u8(m.objectSecurity);
            io.u8(m.hasProperties);
        }
        bool operator==(const Reply&) const = default;
    };
};

struct GetBinderyAccessLevel {
    static constexpr std::uint8_t function = 23, subfunction = 70;
    static constexpr const char* name = "Get Bindery Access Level";
    using Request = Empty;
    struct Reply {
        std::uint8_t accessLevel = 0;  // 0x33 supervisor, 0x11 logged-in user, ...
        std::uint32_t objectId = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.u8(m.accessLevel);
            io.be32(m.objectId);
        }
        bool operator==(const Reply&) const = default;
    };
};

}  // namespace nw::ncp::call
