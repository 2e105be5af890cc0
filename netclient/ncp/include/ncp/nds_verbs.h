// Directory-services verbs carried by the fragment protocol (nds.h): each verb's request data
// and reply data (after the directory completion code), described like the NCP calls and
// encoded with encodeFields/decodeFields. Integers LE; names are NDS strings (UTF-16LE); entry
// ids are 4 opaque bytes, kept as LE32 values as the clients send them back unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "ncp/codec.h"
#include "ncp/io.h"
#include "ncp/nds.h"

namespace nw::ncp::nds {

inline constexpr std::uint32_t kNoIteration = 0xFFFFFFFF;

// Information flags: which items an entry record holds, in this (ascending) order.
namespace info {
inline constexpr std::uint32_t kOutputFlags = 0x0001;
inline constexpr std::uint32_t kEntryId = 0x0002;
inline constexpr std::uint32_t kEntryFlags = 0x0004;
inline constexpr std::uint32_t kSubordinateCount = 0x0008;
inline constexpr std::uint32_t kModificationTime = 0x0010;
inline constexpr std::uint32_t kModificationTimestamp = 0x0020;
inline constexpr std::uint32_t kCreationTimestamp = 0x0040;
inline constexpr std::uint32_t kPartitionRootId = 0x0080;
inline constexpr std::uint32_t kParentId = 0x0100;
inline constexpr std::uint32_t kRevisionCount = 0x0200;
inline constexpr std::uint32_t kReplicaType = 0x0400;
inline constexpr std::uint32_t kBaseClass = 0x0800;
inline constexpr std::uint32_t kRdn = 0x1000;
inline constexpr std::uint32_t kDn = 0x2000;
inline constexpr std::uint32_t kDescribed = 0x3FFF;
}  // namespace info

// Entry flags.
inline constexpr std::uint32_t kEntryAlias = 0x1;
inline constexpr std::uint32_t kEntryPartitionRoot = 0x2;
inline constexpr std::uint32_t kEntryContainer = 0x4;

struct Timestamp {
    std::uint32_t seconds = 0;
    std::uint16_t replica = 0;
    std::uint16_t event = 0;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.le32(m.seconds);
        io.le16(m.replica);
        io.le16(m.event);
    }
    bool operator==(const Timestamp&) const = default;
};

// One entry as List, Search and Read Entry Info return it: the flags of the items present
// (always first), then those items. The servers answer the items of the request's flags they
// know; a record with flags beyond kDescribed cannot be read (their sizes are not known here).
struct EntryRecord {
    std::uint32_t flags = 0;
    std::uint32_t entryId = 0;
    std::uint32_t entryFlags = 0;
    std::uint32_t subordinates = 0;
    std::uint32_t modificationTime = 0;  // Unix seconds
    Timestamp modificationStamp;
    Timestamp creationStamp;
    std::uint32_t partitionRootId = 0;
    std::uint32_t parentId = 0;
    std::uint32_t revisionCount = 0;
    std::uint32_t replicaType = 0;
    std::string baseClass;  // "User", "Organizational Unit", ...
    std::string rdn;        // "JSMITH"
    std::string dn;         // "JSMITH.SALES.ACME"

    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.le32(m.flags);
        if (m.flags & ~info::kDescribed) {
            io.fail();
            return;
        }
        const std::uint32_t f = m.flags;
        if (f & info::kEntryId)
            io.le32(m.entryId);
        if (f & info::kEntryFlags)
            io.le32(m.entryFlags);
        if (f & info::kSubordinateCount)
            io.le32(m.subordinates);
        if (f & info::kModificationTime)
            io.le32(m.modificationTime);
        if (f & info::kModificationTimestamp)
            io.record(m.modificationStamp);
        if (f & info::kCreationTimestamp)
            io.record(m.creationStamp);
        if (f & info::kPartitionRootId)
            io.le32(m.partitionRootId);
        if (f & info::kParentId)
            io.le32(m.parentId);
        if (f & info::kRevisionCount)
            io.le32(m.revisionCount);
        if (f & info::kReplicaType)
            io.le32(m.replicaType);
        if (f & info::kBaseClass)
            io.nds(m.baseClass);
        if (f & info::kRdn)
            io.nds(m.rdn);
        if (f & info::kDn)
            io.nds(m.dn);
    }
    bool operator==(const EntryRecord&) const = default;
};

// A referral or a network address: type LE32, then the address bytes with their LE32 length,
// padded to 4 (type 9 = TCP: port and IPv4 address hi-lo, as in 123/17).
struct NetworkAddress {
    std::uint32_t type = 9;
    Bytes address;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.le32(m.type);
        io.blob(Count::Le32, m.address);
        io.zeros((4 - m.address.size() % 4) % 4);
    }
    bool operator==(const NetworkAddress&) const = default;
};

// Verb 1 (MapDirectoryNameToId and the first step of every name-based call).
struct ResolveName {
    static constexpr std::uint32_t verb = verb::kResolveName;
    static constexpr const char* name = "Resolve Name";
    struct Request {
        std::uint32_t version = 1;
        std::uint32_t flags = 0x2062;  // readable, walk tree, dereference aliases, referrals
        std::uint32_t scope = 0;
        std::string name;  // "JSMITH.SALES.ACME" or "[Root]"
        std::vector<std::uint32_t> transports{9};
        std::vector<std::uint32_t> treeWalkerTransports{9};
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.version);
            io.le32(m.flags);
            io.le32(m.scope);
            io.nds(m.name);
            io.list(Count::Le32, m.transports, [](auto& io2, auto& t) { io2.le32(t); });
            io.list(Count::Le32, m.treeWalkerTransports, [](auto& io2, auto& t) { io2.le32(t); });
        }
        bool operator==(const Request&) const = default;
    };
    // Tag 1: the entry is held here (entry id, then referrals); tag 2: held elsewhere (a
    // reserved word first). Other tags (alias, referral information) are not described.
    struct Reply {
        std::uint32_t tag = 1;
        std::uint32_t entryId = 0;
        std::vector<NetworkAddress> referrals;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.tag);
            if (m.tag == 2) {
                io.zeros(4);
            } else if (m.tag != 1) {
                io.fail();
                return;
            }
            io.le32(m.entryId);
            io.list(Count::Le32, m.referrals, [](auto& io2, auto& r) { io2.record(r); });
        }
        bool operator==(const Reply&) const = default;
    };
};

// Verb 2 (MapDirectoryIdToName: flags kDn; the class of an entry: kBaseClass).
struct ReadEntryInfo {
    static constexpr std::uint32_t verb = verb::kReadEntryInfo;
    static constexpr const char* name = "Read Entry Information";
    struct Request {
        std::uint32_t version = 2;
        std::uint32_t nameStyle = 0;  // 0: typeless dotted names
        std::uint32_t infoFlags = info::kOutputFlags | info::kDn;
        std::uint32_t entryId = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.version);
            io.le32(m.nameStyle);
            io.le32(m.infoFlags);
            io.le32(m.entryId);
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = EntryRecord;
};

// Attribute values: bytes as stored (string syntaxes: UTF-16LE with NUL), LE32 length, padded.
struct AttributeValue {
    Bytes value;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.blob(Count::Le32, m.value);
        io.zeros((4 - m.value.size() % 4) % 4);
    }
    bool operator==(const AttributeValue&) const = default;
};

// A string value as string syntaxes store it.
Bytes stringValue(const std::string& utf8);
// The text of a string value; false when it is not UTF-16LE text.
bool stringOfValue(const Bytes& value, std::string& utf8);

namespace syntax {
inline constexpr std::uint32_t kDistinguishedName = 1;
inline constexpr std::uint32_t kCaseExactString = 2;
inline constexpr std::uint32_t kCaseIgnoreString = 3;
inline constexpr std::uint32_t kOctetString = 9;
inline constexpr std::uint32_t kNetAddress = 12;
}  // namespace syntax

struct Attribute {
    std::uint32_t syntax = syntax::kCaseIgnoreString;
    std::string name;
    std::vector<AttributeValue> values;
    bool operator==(const Attribute&) const = default;
};

// Verb 3 (ReadDirectoryAttribute: "Host Server", "Network Address", ...). Request version 0;
// version 2 inserts request flags after the version. Info type 0 answers names only, 1 names
// and values; others are not described.
struct Read {
    static constexpr std::uint32_t verb = verb::kRead;
    static constexpr const char* name = "Read";
    struct Request {
        std::uint32_t version = 0;
        std::uint32_t requestFlags = 0;  // version 2 only
        std::uint32_t iteration = kNoIteration;
        std::uint32_t entryId = 0;
        std::uint32_t infoType = 1;
        std::uint32_t allAttributes = 0;
        std::vector<std::string> attributes;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.version);
            if (m.version == 2) {
                io.le32(m.requestFlags);
            }
            io.le32(m.iteration);
            io.le32(m.entryId);
            io.le32(m.infoType);
            io.le32(m.allAttributes);
            io.list(Count::Le32, m.attributes, [](auto& io2, auto& a) { io2.nds(a); });
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint32_t iteration = kNoIteration;  // kNoIteration: nothing further
        std::uint32_t infoType = 1;
        std::vector<Attribute> attributes;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.iteration);
            io.le32(m.infoType);
            if (m.infoType > 1) {
                io.fail();
                return;
            }
            const bool values = m.infoType == 1;
            io.list(Count::Le32, m.attributes, [values](auto& io2, auto& a) {
                if (values) {
                    io2.le32(a.syntax);
                }
                io2.nds(a.name);
                if (values) {
                    io2.list(Count::Le32, a.values, [](auto& io3, auto& v) { io3.record(v); });
                }
            });
        }
        bool operator==(const Reply&) const = default;
    };
};

// Verb 5 (ScanDirectoryObjects): the subordinates of an entry.
struct List {
    static constexpr std::uint32_t verb = verb::kList;
    static constexpr const char* name = "List";
    struct Request {
        std::uint32_t version = 1;
        std::uint32_t flags = 0x0001;  // typeless names
        std::uint32_t iteration = kNoIteration;
        std::uint32_t parentId = 0;
        std::uint32_t infoFlags = 0x381D;
        std::string nameFilter;   // empty: all
        std::string classFilter;  // empty: all
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.version);
            io.le32(m.flags);
            io.le32(m.iteration);
            io.le32(m.parentId);
            io.le32(m.infoFlags);
            io.nds(m.nameFilter);
            io.nds(m.classFilter);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint32_t iteration = kNoIteration;
        std::vector<EntryRecord> entries;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.iteration);
            io.list(Count::Le32, m.entries, [](auto& io2, auto& e) { io2.record(e); });
        }
        bool operator==(const Reply&) const = default;
    };
};

// One operand of a search filter as Nmap's ncp-enum-users sends it: kind 0, then a tag (0x10
// with the name pattern, 0x11 with the class name) and the value.
struct FilterItem {
    std::uint32_t kind = 0;
    std::uint32_t tag = 0;
    std::string value;
    template <class Io, class M>
    static void fields(Io& io, M& m) {
        io.le32(m.kind);
        io.le32(m.tag);
        io.nds(m.value);
    }
    bool operator==(const FilterItem&) const = default;
};

inline constexpr std::uint32_t kFilterNameTag = 0x10;
inline constexpr std::uint32_t kFilterClassTag = 0x11;

// Verb 6 (search a subtree). Described as far as Nmap's NCP library sends and reads it (the
// one independent client that uses it): request version 3, then the filter as an operator word
// (2) and its operands; the reply holds three words the library skips after the iteration
// handle and 8 bytes it skips after each entry. Their meaning is not known here: this codec
// writes zeros there.
struct Search {
    static constexpr std::uint32_t verb = verb::kSearch;
    static constexpr const char* name = "Search";
    struct Request {
        std::uint32_t version = 3;
        std::uint32_t flags = 0;
        std::uint32_t iteration = kNoIteration;
        std::uint32_t baseId = 0;
        std::uint32_t scope = 2;  // 0 the base, 1 one level, 2 the whole subtree
        std::uint32_t maxEntries = 0;
        std::uint32_t infoType = 1;
        std::uint32_t infoFlags = 0x381D;
        std::uint32_t allAttributes = 0;
        std::vector<std::string> attributes;
        std::uint32_t filterOperator = 2;
        std::vector<FilterItem> filter;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.version);
            io.le32(m.flags);
            io.le32(m.iteration);
            io.le32(m.baseId);
            io.le32(m.scope);
            io.le32(m.maxEntries);
            io.le32(m.infoType);
            io.le32(m.infoFlags);
            io.le32(m.allAttributes);
            io.list(Count::Le32, m.attributes, [](auto& io2, auto& a) { io2.nds(a); });
            io.le32(m.filterOperator);
            io.list(Count::Le32, m.filter, [](auto& io2, auto& f) { io2.record(f); });
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::uint32_t iteration = kNoIteration;
        std::vector<EntryRecord> entries;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.iteration);
            io.zeros(12);
            io.list(Count::Le32, m.entries, [](auto& io2, auto& e) {
                io2.record(e);
                io2.zeros(8);
            });
        }
        bool operator==(const Reply&) const = default;
    };
};

// Verb 50: ends an unfinished List, Read or Search; the verb whose iteration it is follows the
// handle. Wireshark (written from captures of the vendor's client) reads two more words and
// flags a 12-byte request as malformed, so the encoder adds 8 zero bytes; the decoder takes
// the request with or without them.
struct CloseIteration {
    static constexpr std::uint32_t verb = verb::kCloseIteration;
    static constexpr const char* name = "Close Iteration";
    struct Request {
        std::uint32_t version = 0;
        std::uint32_t iteration = 0;
        std::uint32_t iterationVerb = verb::kList;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.version);
            io.le32(m.iteration);
            io.le32(m.iterationVerb);
            if constexpr (!Io::decoding) {
                io.zeros(8);
            }
        }
        bool operator==(const Request&) const = default;
    };
    using Reply = Empty;
};

// Verb 53 (GetServerDirectoryName): the server's DN, then its addresses (the address part
// follows the library that reads it; no second source).
struct GetServerAddress {
    static constexpr std::uint32_t verb = verb::kGetServerAddress;
    static constexpr const char* name = "Get Server Address";
    struct Request {
        std::uint32_t version = 0;
        std::uint32_t nameForm = 0;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.le32(m.version);
            io.le32(m.nameForm);
        }
        bool operator==(const Request&) const = default;
    };
    struct Reply {
        std::string serverDn;  // "FS1.SALES.ACME"
        std::vector<NetworkAddress> addresses;
        template <class Io, class M>
        static void fields(Io& io, M& m) {
            io.nds(m.serverDn);
            io.list(Count::Le32, m.addresses, [](auto& io2, auto& a) { io2.record(a); });
        }
        bool operator==(const Reply&) const = default;
    };
};

template <class... V>
struct VerbList {
    template <class F>
    static void forEach(F&& f) {
        (f(std::type_identity<V>{}), ...);
    }
};

using AllVerbs =
    VerbList<ResolveName, ReadEntryInfo, Read, List, Search, CloseIteration, GetServerAddress>;

// A verb's request as a message for requestFragments().
template <class V>
std::optional<Message> verbMessage(const typename V::Request& request,
                                   std::uint32_t replyBufferSize) {
    Bytes data;
    Encoder io(data);
    V::Request::fields(io, request);
    if (!io.ok()) {
        return std::nullopt;
    }
    Message m;
    m.verb = V::verb;
    m.replyBufferSize = replyBufferSize;
    m.data = std::move(data);
    return m;
}

// Server side: runs the handler of a completed message's verb. A handler fills the reply and
// returns the directory completion code (0 or a negative error); the reply data go out only
// with 0. Unknown verbs and requests shorter than their layout answer kInvalidRequest.
template <class Context>
class VerbDispatcher {
public:
    struct Answer {
        std::int32_t completion = 0;
        Bytes data;
    };

    template <class V, class F>
    void on(F handler) {
        handlers_[V::verb] = [handler](Context& ctx, ByteView data) -> Answer {
            typename V::Request request{};
            if (!decodeFields(data, request)) {
                return {error::kInvalidRequest, {}};
            }
            typename V::Reply reply{};
            Answer answer;
            answer.completion = handler(ctx, request, reply);
            if (answer.completion == 0) {
                std::optional<Bytes> bytes = encodeFields(reply);
                if (!bytes) {
                    return {error::kInvalidRequest, {}};
                }
                answer.data = std::move(*bytes);
            }
            return answer;
        };
    }

    Answer dispatch(Context& ctx, const Message& message) const {
        auto it = handlers_.find(message.verb);
        if (it == handlers_.end()) {
            return {error::kInvalidRequest, {}};
        }
        return it->second(ctx, message.data);
    }

private:
    std::unordered_map<std::uint32_t, std::function<Answer(Context&, ByteView)>> handlers_;
};

// Client side: one whole message exchange over `send`, which carries one 104/2 request to the
// server and returns its reply fragment (nullopt when the transport or the server failed; the
// server's completion code for 104/2 is the transport's business). Returns the directory
// completion code and the reply data, or nullopt on a transport failure or a bad reply.
struct VerbResult {
    std::int32_t completion = 0;
    Bytes data;
};
using FragmentSender =
    std::function<std::optional<call::NdsFragment::Reply>(const call::NdsFragment::Request&)>;
std::optional<VerbResult> exchangeMessage(const Message& message, const FragmentSender& send,
                                          std::uint32_t maxReplyFragment = 64176,
                                          std::size_t pieceSize = 4000,
                                          std::size_t maxReply = 1 << 20);

}  // namespace nw::ncp::nds
