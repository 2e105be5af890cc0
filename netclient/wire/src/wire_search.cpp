// The wire client's directory listing: directory handles and searches, served one entry per
// call from 87/20 replies that carry many (87/3, one per call, where a server lacks 87/20).
#include <cstring>
#include <utility>

#include "entryrecord.h"
#include "ncp/paths.h"
#include "wirecall.h"

namespace nw::wire {

namespace {

using namespace ncp::call;

// Entries one search reply may carry; the server also keeps it within the reply buffer.
constexpr std::uint16_t kEntriesPerReply = 512;

// A search pattern with '*' and '?' as wildcards, as the wire marks them (0xFF before each).
std::string wirePattern(const char* pattern) {
    const std::string text = pattern != nullptr ? pattern : "*";
    if (text.empty() || text == "*" || text == "*.*") {
        return ncp::call::kMatchAll;
    }
    std::string out;
    for (char c : text) {
        if (c == '*' || c == '?' || static_cast<unsigned char>(c) == 0xFF) {
            out.push_back('\xFF');
        }
        out.push_back(c);
    }
    return out;
}

}  // namespace

void WireClient::releaseDirHandles(Handle& h) {
    Connection& connection = *h.connection;
    if (connection.state == Connection::State::Live && connection.session &&
        connection.session->usable() && h.generation == connection.generation) {
        for (const auto& [dirHandle, volume] : h.dirHandles) {
            call<ncp::call::DeallocDirHandle>(h, {dirHandle});
            if (!connection.session) {
                break;
            }
        }
    }
    h.dirHandles.clear();
    h.searches.clear();
}

NWCCODE WireClient::AllocTempDirHandle(NWCONN_HANDLE conn, nuint8 nameSpace, const char* path,
                                       NWDIR_HANDLE* dirHandle) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (path == nullptr || dirHandle == nullptr) {
        return NWE_PARAM_INVALID;
    }
    std::optional<ncp::HandlePath> wirePath = ncp::paths::fromVolumePath(path);
    if (!wirePath) {
        return INVALID_PATH;
    }
    AllocShortDirHandle::Request request;
    request.nameSpace = nameSpace;
    request.allocateMode = AllocShortDirHandle::kTemporary;
    request.path = std::move(*wirePath);
    const auto reply = call<AllocShortDirHandle>(*h, request);
    if (!reply.ok()) {
        return reply.code;
    }
    h->dirHandles[reply.reply.dirHandle] = reply.reply.volume;
    *dirHandle = reply.reply.dirHandle;
    return SUCCESSFUL;
}

NWCCODE WireClient::DeallocDirHandle(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (h->dirHandles.erase(dirHandle) == 0) {
        return BAD_DIRECTORY_HANDLE;
    }
    return call<ncp::call::DeallocDirHandle>(*h, {dirHandle}).code;
}

NWCCODE WireClient::StartSearch(NWCONN_HANDLE conn, NWDIR_HANDLE dirHandle, nuint8 nameSpace,
                                SEARCH_SEQUENCE* seq) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (seq == nullptr) {
        return NWE_PARAM_INVALID;
    }
    auto handle = h->dirHandles.find(dirHandle);
    if (handle == h->dirHandles.end()) {
        return BAD_DIRECTORY_HANDLE;
    }
    InitializeSearch::Request request;
    request.nameSpace = nameSpace;
    request.path.volume = handle->second;
    request.path.dirBase = dirHandle;
    request.path.handleFlag = ncp::handle_flag::kShortHandle;
    const auto reply = call<InitializeSearch>(*h, request);
    if (!reply.ok()) {
        return reply.code;
    }
    seq->volNumber = reply.reply.volume;
    seq->dirNumber = reply.reply.dirBase;
    seq->sequence = reply.reply.sequence;
    return SUCCESSFUL;
}

NWCCODE WireClient::fetchSearch(Handle& h, detail::SearchBuffer& search) {
    Session& session = *h.connection->session;
    if (session.knows<SearchEntrySet>()) {
        SearchEntrySet::Request request;
        request.nameSpace = search.nameSpace;
        request.searchAttributes = search.attributes;
        request.returnInfoCount = kEntriesPerReply;
        request.sequence = search.serverSequence;
        request.pattern = search.pattern;
        auto reply = call<SearchEntrySet>(h, request);
        if (reply.ok()) {
            search.entries = std::move(reply.reply.entries);
            search.next = 0;
            search.serverSequence = reply.reply.sequence;
            search.more = reply.reply.more != 0 && !search.entries.empty();
            return SUCCESSFUL;
        }
        if (reply.code != kUnknownCall || !h.connection->session) {
            return reply.code;
        }
    }
    // One entry per round trip, where the server lacks the set form.
    SearchEntry::Request request;
    request.nameSpace = search.nameSpace;
    request.searchAttributes = search.attributes;
    request.sequence = search.serverSequence;
    request.pattern = search.pattern;
    const auto reply = call<SearchEntry>(h, request);
    if (!reply.ok()) {
        return reply.code;
    }
    search.entries.assign(1, reply.reply.info);
    search.next = 0;
    search.serverSequence = reply.reply.sequence;
    search.more = true;
    return SUCCESSFUL;
}

NWCCODE WireClient::SearchNext(NWCONN_HANDLE conn, SEARCH_SEQUENCE* seq, nuint8 nameSpace,
                               nuint16 searchAttrs, const char* pattern, NW_ENTRY_INFO* info) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (seq == nullptr || info == nullptr) {
        return NWE_PARAM_INVALID;
    }
    const std::string wanted = wirePattern(pattern);
    auto it = std::find_if(h->searches.begin(), h->searches.end(), [&](const auto& s) {
        return s.volume == seq->volNumber && s.dirBase == seq->dirNumber &&
               s.position == seq->sequence && s.nameSpace == nameSpace &&
               s.attributes == searchAttrs && s.pattern == wanted;
    });
    if (it == h->searches.end()) {
        // A search this handle has not served yet: the server continues from the sequence.
        detail::SearchBuffer fresh;
        fresh.volume = seq->volNumber;
        fresh.dirBase = seq->dirNumber;
        fresh.nameSpace = nameSpace;
        fresh.attributes = searchAttrs;
        fresh.pattern = wanted;
        fresh.serverSequence = {static_cast<std::uint8_t>(seq->volNumber), seq->dirNumber,
                                seq->sequence};
        h->searches.push_front(std::move(fresh));
        if (h->searches.size() > detail::kMaxSearches) {
            h->searches.pop_back();
        }
    } else if (it != h->searches.begin()) {
        h->searches.splice(h->searches.begin(), h->searches, it);
    }
    detail::SearchBuffer& search = h->searches.front();
    if (search.next >= search.entries.size()) {
        if (!search.more) {
            return FAILURE;
        }
        const NWCCODE rc = fetchSearch(*h, search);
        if (rc != SUCCESSFUL) {
            if (h->connection->session && !h->searches.empty()) {
                h->searches.pop_front();
            }
            return rc;
        }
        if (search.entries.empty()) {
            search.more = false;
            return FAILURE;
        }
    }
    toEntryInfo(search.entries[search.next++], nameSpace, *info);
    // The caller's sequence names the place after this entry in this handle's buffer.
    if (nextSearchToken_ == 0xFFFFFFFF) {
        nextSearchToken_ = 1;
    }
    search.position = nextSearchToken_++;
    seq->sequence = search.position;
    return SUCCESSFUL;
}

}  // namespace nw::wire
