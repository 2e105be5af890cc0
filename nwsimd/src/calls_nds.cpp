// Directory services over the 104/2 fragment protocol (104/3 drops a message), on the tree of
// the session's server: resolve a name (verb 1), read an entry's information (2), read string
// attributes (3), list a container (5), search (6, as Nmap's ncp-enum-users sends it), close an
// iteration (50) and the server's own name and address (53).
//
// Rights, as this server decides them: every connection may browse the tree (resolve, list,
// search, read entry information: the Browse right [Public] has by default); attribute values
// (verb 3) need a logged-in connection. Entry ids are the objects' ids of the network file;
// [Root] is id 0, which no object has.
#include <algorithm>
#include <unordered_map>

#include "directorystate.h"
#include "handlers.h"
#include "ncp/nds_verbs.h"
#include "server.h"
#include "services.h"
#include "trees.h"

namespace nw::nwsimd {

namespace {

using namespace ncp;
using namespace ncp::nds;

constexpr std::uint32_t kRootId = 0;
// Reply bytes before the entries of a List or Search (completion, iteration, Search's words,
// count) and what the fragment header adds.
constexpr std::size_t kListOverhead = 4 + 4 + 12 + 4;

// The tree of the session's server as verbs see it, indexed once per request (ids, names and the
// subordinates of each container).
class TreeView {
public:
    explicit TreeView(Session& s)
        : net_(s.model().net()), tree_(sim::treeNamed(net_, s.server().tree)) {
        if (tree_ == nullptr)
            return;
        for (const sim::TreeObject& object : tree_->objects) {
            byId_[object.id] = &object;
            idByName_[sim::upperAscii(object.name)] = object.id;
            ++subordinates_[sim::containerOf(object.name)];
        }
    }

    bool exists() const { return tree_ != nullptr; }

    // The object of an entry id (null for [Root] and unknown ids).
    const sim::TreeObject* byId(std::uint32_t id) const {
        if (id == kRootId)
            return nullptr;
        auto it = byId_.find(id);
        return it != byId_.end() ? it->second : nullptr;
    }
    bool known(std::uint32_t id) const {
        return tree_ != nullptr && (id == kRootId || byId(id) != nullptr);
    }

    // An entry id from a dotted name (UTF-8), "[Root]" for the top.
    std::optional<std::uint32_t> resolve(const std::string& name) const {
        if (tree_ == nullptr)
            return std::nullopt;
        if (name.empty() || sim::upperAscii(name) == "[ROOT]")
            return kRootId;
        std::optional<std::string> local = net_.codePage.fromUtf8(name);
        const sim::TreeObject* object = local ? sim::objectNamed(*tree_, *local) : nullptr;
        if (object == nullptr)
            return std::nullopt;
        return object->id;
    }

    // The dotted name (upper case) an entry's subordinates name as their container.
    std::string containerKey(std::uint32_t id) const {
        const sim::TreeObject* object = byId(id);
        return object != nullptr ? sim::upperAscii(object->name) : std::string();
    }

    // Every object in scope of a base: 0 the base itself, 1 its subordinates, 2 the subtree.
    std::vector<const sim::TreeObject*> inScope(std::uint32_t base, std::uint32_t scope) const {
        std::vector<const sim::TreeObject*> found;
        if (tree_ == nullptr)
            return found;
        if (scope == 0) {
            if (const sim::TreeObject* object = byId(base))
                found.push_back(object);
            return found;
        }
        const std::string key = containerKey(base);
        const std::string suffix = "." + key;
        for (const sim::TreeObject& object : tree_->objects) {
            std::string container = sim::containerOf(object.name);
            bool below = scope == 1
                             ? container == key
                             : key.empty() || container == key || container.ends_with(suffix);
            if (below)
                found.push_back(&object);
        }
        return found;
    }

    // The record of an entry with the items of infoFlags this server knows.
    EntryRecord record(std::uint32_t id, std::uint32_t infoFlags) const {
        EntryRecord r;
        r.flags = infoFlags & info::kDescribed;
        r.entryId = id;
        const sim::TreeObject* object = byId(id);
        std::string dn = object != nullptr ? text(object->name) : "[Root]";
        r.dn = dn;
        r.rdn = dn.substr(0, dn.find('.'));
        r.baseClass = object != nullptr ? object->objectClass : "Top";
        bool container = object == nullptr || isContainer(object->objectClass);
        r.entryFlags = container ? kEntryContainer : 0;
        if (object == nullptr)
            r.entryFlags |= kEntryPartitionRoot;
        auto count = subordinates_.find(containerKey(id));
        r.subordinates = count != subordinates_.end() ? count->second : 0;
        if (object != nullptr) {
            auto parent = idByName_.find(sim::containerOf(object->name));
            r.parentId = parent != idByName_.end() ? parent->second : kRootId;
        }
        return r;
    }

    // A code-page text of the network file as UTF-8 (unconvertible text: as it is).
    std::string text(const std::string& local) const {
        return net_.codePage.toUtf8(local).value_or(local);
    }

    const sim::Tree* tree() const { return tree_; }

private:
    static bool isContainer(const std::string& objectClass) {
        return objectClass == "Country" || objectClass == "Locality" ||
               objectClass == "Organization" || objectClass == "Organizational Unit";
    }

    const sim::Network& net_;
    const sim::Tree* tree_;
    std::unordered_map<std::uint32_t, const sim::TreeObject*> byId_;
    std::unordered_map<std::string, std::uint32_t> idByName_;
    std::unordered_map<std::string, std::uint32_t> subordinates_;  // by container key
};

// '*' and '?' patterns as directory filters use them; empty or "*" matches everything.
bool matches(const std::string& pattern, const std::string& value) {
    if (pattern.empty() || pattern == "*")
        return true;
    return sim::wildcardMatch(sim::upperAscii(pattern), sim::upperAscii(value));
}

// The server's TCP address as directory replies carry it: port and IPv4, hi-lo.
NetworkAddress serverAddress(Session& s) {
    const Endpoint* endpoint = s.ncpServer().endpointOf(s.server());
    std::uint16_t port = endpoint != nullptr ? endpoint->port : 524;
    std::uint32_t ip = listenIpv4(s);
    return {9,
            {static_cast<std::uint8_t>(port >> 8), static_cast<std::uint8_t>(port),
             static_cast<std::uint8_t>(ip >> 24), static_cast<std::uint8_t>(ip >> 16),
             static_cast<std::uint8_t>(ip >> 8), static_cast<std::uint8_t>(ip)}};
}

// Fills a List or Search reply from the entries to send, as many as the message's reply buffer
// holds (at least one), and keeps the rest as an iteration of the session.
template <class Reply>
void fillEntries(Session& s, const TreeView& tree, std::uint32_t verbNumber,
                 std::uint32_t infoFlags, std::vector<std::uint32_t> ids, std::uint32_t replyBuffer,
                 std::size_t perEntryExtra, Reply& rp) {
    const std::size_t limit = std::clamp<std::size_t>(replyBuffer, 512, 1 << 20);
    std::size_t size = kListOverhead;
    std::size_t sent = 0;
    for (; sent < ids.size(); ++sent) {
        EntryRecord record = tree.record(ids[sent], infoFlags);
        std::optional<Bytes> bytes = encodeFields(record);
        std::size_t bytesSize = bytes ? bytes->size() + perEntryExtra : 0;
        if (sent > 0 && size + bytesSize > limit)
            break;
        size += bytesSize;
        rp.entries.push_back(std::move(record));
    }
    rp.iteration = kNoIteration;
    if (sent < ids.size()) {
        ids.erase(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(sent));
        rp.iteration = s.directoryState().open({verbNumber, infoFlags, std::move(ids)});
    }
}

// Continues an iteration (or answers kInvalidIteration); the entries of an object removed since
// the iteration began are left out.
template <class Reply>
std::int32_t continueIteration(Session& s, const TreeView& tree, std::uint32_t verbNumber,
                               std::uint32_t handle, std::uint32_t replyBuffer,
                               std::size_t perEntryExtra, Reply& rp) {
    DirectoryIteration* iteration = s.directoryState().find(handle, verbNumber);
    if (iteration == nullptr)
        return error::kInvalidIteration;
    DirectoryIteration rest = std::move(*iteration);
    s.directoryState().close(handle);
    std::erase_if(rest.entries, [&](std::uint32_t id) { return !tree.known(id); });
    fillEntries(s, tree, verbNumber, rest.infoFlags, std::move(rest.entries), replyBuffer,
                perEntryExtra, rp);
    return 0;
}

// The reply buffer of the message being answered (the verb handlers see only their data).
thread_local std::uint32_t currentReplyBuffer = 0;

const VerbDispatcher<Session>& verbs() {
    static const VerbDispatcher<Session> table = [] {
        VerbDispatcher<Session> v;
        v.on<ResolveName>([](Session& s, const auto& rq, auto& rp) -> std::int32_t {
            TreeView tree(s);
            std::optional<std::uint32_t> id = tree.resolve(rq.name);
            if (!id)
                return error::kNoSuchEntry;
            rp.tag = 1;
            rp.entryId = *id;
            rp.referrals.push_back(serverAddress(s));
            return 0;
        });
        v.on<ReadEntryInfo>([](Session& s, const auto& rq, auto& rp) -> std::int32_t {
            TreeView tree(s);
            if (!tree.exists() || !tree.known(rq.entryId))
                return error::kNoSuchEntry;
            rp = tree.record(rq.entryId, rq.infoFlags);
            return 0;
        });
        v.on<Read>([](Session& s, const auto& rq, auto& rp) -> std::int32_t {
            TreeView tree(s);
            const sim::TreeObject* object = tree.byId(rq.entryId);
            if (object == nullptr)
                return rq.entryId == kRootId && tree.exists() ? error::kNoSuchAttribute
                                                              : error::kNoSuchEntry;
            if (s.caller().object == nullptr)
                return error::kNoAccess;
            if (rq.iteration != kNoIteration || rq.infoType > 1)
                return error::kInvalidIteration;
            rp.iteration = kNoIteration;
            rp.infoType = rq.infoType;
            for (const auto& [name, value] : object->attributes) {
                bool asked = rq.allAttributes != 0;
                for (const std::string& wanted : rq.attributes)
                    asked = asked || sim::upperAscii(wanted) == sim::upperAscii(tree.text(name));
                if (!asked)
                    continue;
                Attribute attribute;
                attribute.syntax = syntax::kCaseIgnoreString;
                attribute.name = tree.text(name);
                attribute.values.push_back({stringValue(tree.text(value))});
                rp.attributes.push_back(std::move(attribute));
            }
            return rp.attributes.empty() ? error::kNoSuchAttribute : 0;
        });
        v.on<List>([](Session& s, const auto& rq, auto& rp) -> std::int32_t {
            TreeView tree(s);
            if (rq.iteration != kNoIteration)
                return continueIteration(s, tree, List::verb, rq.iteration, currentReplyBuffer, 0,
                                         rp);
            if (!tree.exists() || !tree.known(rq.parentId))
                return error::kNoSuchEntry;
            std::vector<std::uint32_t> ids;
            for (const sim::TreeObject* object : tree.inScope(rq.parentId, 1)) {
                std::string dn = tree.text(object->name);
                if (matches(rq.nameFilter, dn.substr(0, dn.find('.'))) &&
                    matches(rq.classFilter, object->objectClass))
                    ids.push_back(object->id);
            }
            fillEntries(s, tree, List::verb, rq.infoFlags, std::move(ids), currentReplyBuffer, 0,
                        rp);
            return 0;
        });
        v.on<Search>([](Session& s, const auto& rq, auto& rp) -> std::int32_t {
            TreeView tree(s);
            if (rq.iteration != kNoIteration)
                return continueIteration(s, tree, Search::verb, rq.iteration, currentReplyBuffer, 8,
                                         rp);
            if (!tree.exists() || !tree.known(rq.baseId))
                return error::kNoSuchEntry;
            if (rq.scope > 2)
                return error::kInvalidRequest;
            std::string namePattern = "*";
            std::string classPattern = "*";
            for (const FilterItem& item : rq.filter) {
                if (item.tag == kFilterNameTag)
                    namePattern = item.value;
                else if (item.tag == kFilterClassTag)
                    classPattern = item.value;
            }
            std::vector<std::uint32_t> ids;
            for (const sim::TreeObject* object : tree.inScope(rq.baseId, rq.scope)) {
                std::string dn = tree.text(object->name);
                if (matches(namePattern, dn.substr(0, dn.find('.'))) &&
                    matches(classPattern, object->objectClass))
                    ids.push_back(object->id);
                if (rq.maxEntries != 0 && ids.size() >= rq.maxEntries)
                    break;
            }
            fillEntries(s, tree, Search::verb, rq.infoFlags, std::move(ids), currentReplyBuffer, 8,
                        rp);
            return 0;
        });
        v.on<CloseIteration>([](Session& s, const auto& rq, auto&) -> std::int32_t {
            return s.directoryState().close(rq.iteration) ? 0 : error::kInvalidIteration;
        });
        v.on<GetServerAddress>([](Session& s, const auto&, auto& rp) -> std::int32_t {
            if (s.server().directoryName.empty())
                return error::kNoSuchEntry;
            rp.serverDn = TreeView(s).text(s.server().directoryName);
            rp.addresses.push_back(serverAddress(s));
            return 0;
        });
        return v;
    }();
    return table;
}

}  // namespace

void addDirectoryServiceCalls(CallDispatcher& d) {
    d.on<call::NdsFragment>([](Session& s, const auto& rq, auto& rp) {
        if (s.server().tree.empty())
            return completion::kUnknownRequest;  // no directory services on this server
        FragmentServer& fragments = s.directoryState().fragments();
        FragmentServer::Step step = fragments.onFragment(rq);
        switch (step.kind) {
            case FragmentServer::Step::Kind::Reply:
                rp = std::move(step.reply);
                return completion::kOk;
            case FragmentServer::Step::Kind::Message: {
                currentReplyBuffer = step.message.replyBufferSize;
                auto answer = verbs().dispatch(s, step.message);
                rp = fragments.answer(answer.completion, answer.data);
                return completion::kOk;
            }
            case FragmentServer::Step::Kind::Error:
                break;
        }
        return completion::kFailure;
    });
    d.on<call::NdsFragmentClose>([](Session& s, const auto& rq, auto&) {
        s.directoryState().fragments().close(rq.handle);
        return completion::kOk;
    });
}

}  // namespace nw::nwsimd
