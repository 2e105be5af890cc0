// The wire client's directory services over the 104/2 fragment protocol (verbs 1, 2, 3, 5, 50
// and 53), read with the rights of the bindery user the connection logged in as. A server
// that offers no directory services (104/1 and 104/2 unknown) belongs to no tree.
//
// The calls that name a tree rather than a connection go through a connection of the
// workstation to a server of that tree; the tree of each is asked once (104/1).
#include <algorithm>
#include <cctype>

#include "ncp/nds_verbs.h"
#include "wirecall.h"

namespace nw::wire {

namespace {

using namespace ncp::nds;

// A directory answer larger than this is refused rather than gathered.
constexpr std::size_t kMaxDirectoryReply = 1 << 20;

std::string treeKey(std::string_view tree) {
    while (!tree.empty() && tree.back() == '_') {
        tree.remove_suffix(1);
    }
    std::string key(tree);
    for (char& c : key) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return key;
}

}  // namespace

template <class V>
NWCCODE WireClient::directoryVerb(Handle& h, const typename V::Request& request,
                                  typename V::Reply& reply) {
    std::optional<Message> message = verbMessage<V>(request, kMaxDirectoryReply);
    if (!message) {
        return NWE_PARAM_INVALID;
    }
    NWCCODE failure = SUCCESSFUL;
    const FragmentSender send = [&](const ncp::call::NdsFragment::Request& fragment)
        -> std::optional<ncp::call::NdsFragment::Reply> {
        if (!h.connection->session) {
            failure = NWE_CONNECTION_LOST;
            return std::nullopt;
        }
        auto out = call<ncp::call::NdsFragment>(h, fragment);
        if (!out.ok()) {
            failure = out.code;
            return std::nullopt;
        }
        return std::move(out.reply);
    };
    std::optional<VerbResult> result =
        exchangeMessage(*message, send, 64176, 4000, kMaxDirectoryReply);
    if (!result) {
        if (failure == kUnknownCall) {
            return ERR_NO_SUCH_ENTRY;  // no directory services: the server is in no tree
        }
        return failure != SUCCESSFUL ? failure : NWE_REQUESTER_FAILURE;
    }
    if (result->completion != 0) {
        return static_cast<NWCCODE>(result->completion);
    }
    if (!ncp::decodeFields(result->data, reply)) {
        return NWE_REQUESTER_FAILURE;
    }
    return SUCCESSFUL;
}

NWCCODE WireClient::treeOf(Handle& h, std::string& tree) {
    auto known = treeNames_.find(h.connection->ref);
    if (known != treeNames_.end()) {
        tree = known->second;
        return tree.empty() ? ERR_NO_SUCH_ENTRY : SUCCESSFUL;
    }
    const auto reply = call<ncp::call::PingNds>(h, {});
    if (reply.code == kUnknownCall) {
        treeNames_[h.connection->ref].clear();
        return ERR_NO_SUCH_ENTRY;
    }
    if (!reply.ok()) {
        return reply.code;
    }
    tree = reply.reply.treeName;
    treeNames_[h.connection->ref] = tree;
    return SUCCESSFUL;
}

NWCCODE WireClient::openTreeConnection(const char* tree, NWCONN_HANDLE& conn) {
    const std::string wanted = treeKey(tree);
    NWCCODE last = ERR_NO_SUCH_ENTRY;
    for (const auto& connection : connections_) {
        auto known = treeNames_.find(connection->ref);
        if (known != treeNames_.end() && treeKey(known->second) != wanted) {
            continue;
        }
        NWCONN_HANDLE handle = 0;
        if (NWCCOpenConnByRef(connection->ref, NWCC_OPEN_LICENSED, 0, &handle) != SUCCESSFUL) {
            continue;
        }
        NWCCODE code = SUCCESSFUL;
        std::string name;
        Handle* h = use(handle, code);
        if (h != nullptr && treeOf(*h, name) == SUCCESSFUL && treeKey(name) == wanted) {
            conn = handle;
            return SUCCESSFUL;
        }
        NWCCCloseConn(handle);
    }
    return last;
}

NWCCODE WireClient::openByDirectoryName(std::string dottedName, NWCONN_HANDLE* conn) {
    if (!dottedName.empty() && dottedName.front() == '.') {
        dottedName.erase(0, 1);
    }
    if (dottedName.empty()) {
        return NO_SUCH_OBJECT;
    }
    for (const auto& connection : connections_) {
        auto known = serverDns_.find(connection->ref);
        if (known != serverDns_.end() && known->second != dottedName) {
            continue;
        }
        NWCONN_HANDLE handle = 0;
        if (NWCCOpenConnByRef(connection->ref, NWCC_OPEN_LICENSED, 0, &handle) != SUCCESSFUL) {
            continue;
        }
        if (known == serverDns_.end()) {
            std::string dn;
            const NWCCODE rc = GetServerDirectoryName(handle, dn);
            if (rc == SUCCESSFUL || rc == ERR_NO_SUCH_ENTRY) {  // the latter: in no tree
                for (char& c : dn) {
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                }
                known = serverDns_.insert_or_assign(connection->ref, dn).first;
            }
        }
        if (known != serverDns_.end() && known->second == dottedName) {
            *conn = handle;
            return SUCCESSFUL;
        }
        NWCCCloseConn(handle);
    }
    return NO_SUCH_OBJECT;
}

NWCCODE WireClient::LicenseConn(NWCONN_HANDLE conn) {
    NWCCODE code = SUCCESSFUL;
    return use(conn, code) != nullptr ? SUCCESSFUL : code;  // every connection is licensed
}

NWCCODE WireClient::GetConnTreeName(NWCONN_HANDLE conn, std::string& tree) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    std::string name;
    if (NWCCODE rc = treeOf(*h, name); rc != SUCCESSFUL) {
        return rc;
    }
    if (name.size() < NW_TREE_NAME_PADDED_LEN) {
        name.append(NW_TREE_NAME_PADDED_LEN - name.size(), '_');
    }
    tree = name;
    return SUCCESSFUL;
}

NWCCODE WireClient::GetServerDirectoryName(NWCONN_HANDLE conn, std::string& name) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    GetServerAddress::Reply reply;
    if (NWCCODE rc = directoryVerb<GetServerAddress>(*h, {}, reply); rc != SUCCESSFUL) {
        return rc;
    }
    name = reply.serverDn;
    return SUCCESSFUL;
}

NWCCODE WireClient::MapDirectoryNameToId(NWCONN_HANDLE conn, const char* dottedName, nuint32* id) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (dottedName == nullptr || id == nullptr) {
        return NWE_PARAM_INVALID;
    }
    ResolveName::Request request;
    request.name = dottedName;
    ResolveName::Reply reply;
    if (NWCCODE rc = directoryVerb<ResolveName>(*h, request, reply); rc != SUCCESSFUL) {
        return rc;
    }
    *id = reply.entryId;
    return SUCCESSFUL;
}

NWCCODE WireClient::MapDirectoryIdToName(NWCONN_HANDLE conn, nuint32 id, std::string& dottedName) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    ReadEntryInfo::Request request;
    request.entryId = id;
    EntryRecord reply;
    if (NWCCODE rc = directoryVerb<ReadEntryInfo>(*h, request, reply); rc != SUCCESSFUL) {
        return rc;
    }
    dottedName = reply.dn;
    return SUCCESSFUL;
}

NWCCODE WireClient::ReadDirectoryAttribute(const char* tree, const char* object,
                                           const char* attribute, std::string& value) {
    if (tree == nullptr || object == nullptr || attribute == nullptr) {
        return NWE_PARAM_INVALID;
    }
    value.clear();
    NWCONN_HANDLE conn = 0;
    if (NWCCODE rc = openTreeConnection(tree, conn); rc != SUCCESSFUL) {
        return rc;
    }
    NWCCODE code = SUCCESSFUL;
    nuint32 id = 0;
    code = MapDirectoryNameToId(conn, object, &id);
    Read::Reply reply;
    if (code == SUCCESSFUL) {
        Read::Request request;
        request.entryId = id;
        request.attributes.push_back(attribute);
        NWCCODE use_code = SUCCESSFUL;
        Handle* h = use(conn, use_code);
        code = h != nullptr ? directoryVerb<Read>(*h, request, reply) : use_code;
    }
    NWCCCloseConn(conn);
    if (code != SUCCESSFUL) {
        return code;
    }
    for (const Attribute& a : reply.attributes) {
        if (!a.values.empty() && stringOfValue(a.values.front().value, value)) {
            return SUCCESSFUL;
        }
    }
    return ERR_NO_SUCH_ATTRIBUTE;
}

NWCCODE WireClient::ScanDirectoryTrees(nuint32* iterHandle, std::string& tree) {
    if (iterHandle == nullptr) {
        return NWE_PARAM_INVALID;
    }
    if (*iterHandle == 0) {
        // The trees of the workstation's servers, each once, in the order of the connections.
        knownTrees_.clear();
        for (const auto& connection : connections_) {
            NWCONN_HANDLE handle = 0;
            if (NWCCOpenConnByRef(connection->ref, NWCC_OPEN_LICENSED, 0, &handle) != SUCCESSFUL) {
                continue;
            }
            NWCCODE code = SUCCESSFUL;
            std::string name;
            Handle* h = use(handle, code);
            if (h != nullptr && treeOf(*h, name) == SUCCESSFUL) {
                const std::string key = treeKey(name);
                if (std::none_of(knownTrees_.begin(), knownTrees_.end(),
                                 [&](const std::string& t) { return treeKey(t) == key; })) {
                    knownTrees_.push_back(name.substr(0, key.size()));
                }
            }
            NWCCCloseConn(handle);
        }
    }
    if (*iterHandle >= knownTrees_.size()) {
        return FAILURE;
    }
    tree = knownTrees_[(*iterHandle)++];
    return SUCCESSFUL;
}

NWCCODE WireClient::ScanDirectoryObjects(const char* tree, const char* container,
                                         nuint32* iterHandle, std::string& name,
                                         std::string& objectClass) {
    if (tree == nullptr || container == nullptr || iterHandle == nullptr) {
        return NWE_PARAM_INVALID;
    }
    std::string parent = container;
    if (treeKey(parent) == "[ROOT]" || parent.empty()) {
        parent = "[Root]";
    } else if (parent.front() == '.') {
        parent.erase(0, 1);
    }
    const std::string key = treeKey(tree) + "|" + parent;
    if (*iterHandle == 0 || listingKey_ != key) {
        // The whole listing at the scan's first step; the steps after it are served from it.
        listing_.clear();
        listingKey_.clear();
        NWCONN_HANDLE conn = 0;
        if (NWCCODE rc = openTreeConnection(tree, conn); rc != SUCCESSFUL) {
            return rc;
        }
        NWCCODE code = SUCCESSFUL;
        nuint32 parentId = 0;
        code = MapDirectoryNameToId(conn, parent.c_str(), &parentId);
        List::Request request;
        request.parentId = parentId;
        while (code == SUCCESSFUL) {
            NWCCODE useCode = SUCCESSFUL;
            Handle* h = use(conn, useCode);
            List::Reply reply;
            code = h != nullptr ? directoryVerb<List>(*h, request, reply) : useCode;
            if (code != SUCCESSFUL) {
                if (request.iteration != kNoIteration && h != nullptr && h->connection->session) {
                    CloseIteration::Request close;
                    close.iteration = request.iteration;
                    ncp::Empty ignored;
                    directoryVerb<CloseIteration>(*h, close, ignored);
                }
                break;
            }
            for (EntryRecord& e : reply.entries) {
                listing_.emplace_back(std::move(e.dn), std::move(e.baseClass));
            }
            if (reply.iteration == kNoIteration || reply.entries.empty()) {
                break;
            }
            request.iteration = reply.iteration;
        }
        NWCCCloseConn(conn);
        if (code != SUCCESSFUL) {
            listing_.clear();
            return code;
        }
        listingKey_ = key;
    }
    if (*iterHandle >= listing_.size()) {
        return FAILURE;
    }
    name = listing_[*iterHandle].first;
    objectClass = listing_[*iterHandle].second;
    ++*iterHandle;
    return SUCCESSFUL;
}

}  // namespace nw::wire
