// The directory-services fragment calls 104/2 and 104/3. One directory-services message (a verb
// request or its reply) travels as one or more fragments; nds.h splits and reassembles them and
// describes the verbs. All integers LE.
#pragma once

#include <cstdint>

#include "ncp/io.h"

namespace nw::ncp::call {

inline constexpr std::uint32_t kNoFragmentHandle = 0xFFFFFFFF;

// 104/2. Request: the fragment handle (kNoFragmentHandle starts a message), then a piece of the
// message. Reply: LE32 fragment length (the bytes after it), the fragment handle
// (kNoFragmentHandle on the last reply fragment, else the handle to send back for the next one,
// or to send the next request piece with), then a piece of the reply message.
struct NdsFragment {
    static constexpr std::uint8_t function = 104, subfunction = 2;
    static constexpr const char* name = "Send NDS Fragmented Request/Reply";
    struct Request {
        std::uint32_t handle = kNoFragmentHandle;
        Bytes data;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.handle);
            io.rest(m.data);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint32_t handle = kNoFragmentHandle;
        Bytes data;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            std::uint32_t length = 0;
            if constexpr (!Io::decoding) {
                length = static_cast<std::uint32_t>(4 + m.data.size());
            }
            io.le32(length);
            io.le32(m.handle);
            if (length < 4) {
                io.fail();
                return;
            }
            io.raw(m.data, length - 4);
        }
        bool operator==(const Reply&) const = default;
    };
};

struct NdsFragmentClose {
    static constexpr std::uint8_t function = 104, subfunction = 3;
    static constexpr const char* name = "Fragment Close";
    struct Request {
        std::uint32_t handle = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.handle);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

}  // namespace nw::ncp::call
