// Directory services over the wire: 104/2 messages in fragments of any size both ways, verbs 1,
// 2, 3, 5, 6, 50 and 53 on the tree of the server, browsing for everyone and attribute values for
// logged-in connections; iterations of long listings.
#include <set>

#include "ncp/nds_verbs.h"
#include "servednetwork.h"
#include "wirecalls.h"

namespace nw::nwsimd::testing {
namespace {

using namespace ncp;
using namespace ncp::nds;

// A tree of 2 containers, 3 users below SALES, a volume with its host server, and `many` users
// in MANY.ACME (Nmap cuts a tree name at its first '_', so the name has none).
std::string treeNetwork(int many) {
    std::string objects = R"(
      { "name": "ACME", "class": "Organization", "id": 100 },
      { "name": "SALES.ACME", "class": "Organizational Unit", "id": 101 },
      { "name": "JSMITH.SALES.ACME", "class": "User", "id": 201 },
      { "name": "MBROWN.SALES.ACME", "class": "User", "id": 202 },
      { "name": "ADMIN.SALES.ACME", "class": "User", "id": 203 },
      { "name": "FS1_SYS.SALES.ACME", "class": "Volume", "id": 301,
        "attributes": { "Host Server": "FS1.SALES.ACME", "Host Resource Name": "SYS" } })";
    for (int i = 0; i < many; ++i)
        objects +=
            ",\n{ \"name\": \"USER" + std::to_string(i) + ".MANY.ACME\", \"class\": \"User\" }";
    return R"({ "workstation": {},
      "trees": [ { "name": "LABTREE", "objects": [ )" +
           objects + R"( ] } ],
      "servers": [ { "name": "FS1", "tree": "LABTREE", "directoryName": "FS1.SALES.ACME",
                     "users": [ { "name": "JSMITH", "password": "jpass" } ],
                     "volumes": [ { "name": "SYS" } ] } ] })";
}

class WireDirectoryServices : public WireTest {
protected:
    void SetUp() override {
        serve(treeNetwork(0), {"volumes/FS1/SYS/"});
        wire = client();
    }

    // One verb's exchange: its completion and reply (decoded when the completion is 0).
    template <class V>
    std::pair<std::int32_t, std::optional<typename V::Reply>> ask(
        WireClient& on, const typename V::Request& request, std::uint32_t replyBuffer = 64000,
        std::uint32_t maxReplyFragment = 64176, std::size_t pieceSize = 4000) {
        auto send = [&](const call::NdsFragment::Request& fragment)
            -> std::optional<call::NdsFragment::Reply> {
            auto answer = on.call<call::NdsFragment>(fragment);
            if (!answer.ok())
                return std::nullopt;
            return answer.reply;
        };
        auto message = verbMessage<V>(request, replyBuffer);
        EXPECT_TRUE(message.has_value());
        auto result = exchangeMessage(*message, send, maxReplyFragment, pieceSize);
        EXPECT_TRUE(result.has_value()) << V::name;
        if (!result)
            return {1, std::nullopt};
        std::optional<typename V::Reply> reply;
        if (result->completion == 0) {
            typename V::Reply decoded{};
            EXPECT_TRUE(decodeFields(result->data, decoded)) << V::name;
            reply = decoded;
        }
        return {result->completion, reply};
    }

    std::uint32_t resolve(const std::string& name) {
        ResolveName::Request request;
        request.name = name;
        auto [completion, reply] = ask<ResolveName>(*wire, request);
        EXPECT_EQ(completion, 0) << name;
        return reply ? reply->entryId : 0xDEADBEEF;
    }

    std::unique_ptr<WireClient> wire;
};

TEST_F(WireDirectoryServices, ResolveAndReadEntries) {
    ResolveName::Request request;
    request.name = "[Root]";
    auto [rootCompletion, root] = ask<ResolveName>(*wire, request);
    ASSERT_EQ(rootCompletion, 0);
    EXPECT_EQ(root->tag, 1u);
    ASSERT_EQ(root->referrals.size(), 1u);
    EXPECT_EQ(root->referrals[0].type, 9u);
    ASSERT_EQ(root->referrals[0].address.size(), 6u);
    EXPECT_EQ(root->referrals[0].address[0] << 8 | root->referrals[0].address[1], port());
    EXPECT_EQ(resolve("jsmith.sales.acme"), 201u);
    EXPECT_EQ(resolve(".SALES.ACME"), 101u);
    request.name = "NOBODY.ACME";
    EXPECT_EQ(ask<ResolveName>(*wire, request).first, error::kNoSuchEntry);

    ReadEntryInfo::Request info;
    info.infoFlags = info::kOutputFlags | info::kEntryId | info::kEntryFlags | info::kDn |
                     info::kRdn | info::kBaseClass | info::kParentId | info::kSubordinateCount;
    info.entryId = 201;
    auto [userCompletion, user] = ask<ReadEntryInfo>(*wire, info);
    ASSERT_EQ(userCompletion, 0);
    EXPECT_EQ(user->dn, "JSMITH.SALES.ACME");
    EXPECT_EQ(user->rdn, "JSMITH");
    EXPECT_EQ(user->baseClass, "User");
    EXPECT_EQ(user->parentId, 101u);
    EXPECT_EQ(user->entryFlags & kEntryContainer, 0u);
    info.entryId = 101;
    auto [ouCompletion, ou] = ask<ReadEntryInfo>(*wire, info);
    ASSERT_EQ(ouCompletion, 0);
    EXPECT_EQ(ou->subordinates, 5u);  // with the server's own NCP Server object
    EXPECT_NE(ou->entryFlags & kEntryContainer, 0u);
    EXPECT_EQ(ou->parentId, 100u);
    info.entryId = 999;
    EXPECT_EQ(ask<ReadEntryInfo>(*wire, info).first, error::kNoSuchEntry);

    auto [addressCompletion, address] = ask<GetServerAddress>(*wire, {});
    ASSERT_EQ(addressCompletion, 0);
    EXPECT_EQ(address->serverDn, "FS1.SALES.ACME");
    ASSERT_EQ(address->addresses.size(), 1u);
    EXPECT_EQ(address->addresses[0].address, root->referrals[0].address);
}

TEST_F(WireDirectoryServices, AttributeValuesNeedALogin) {
    Read::Request request;
    request.entryId = 301;
    request.attributes = {"host server"};
    EXPECT_EQ(ask<Read>(*wire, request).first, error::kNoAccess);
    auto user = client("JSMITH", "jpass");
    auto [completion, reply] = ask<Read>(*user, request);
    ASSERT_EQ(completion, 0);
    ASSERT_EQ(reply->attributes.size(), 1u);
    EXPECT_EQ(reply->attributes[0].name, "Host Server");
    ASSERT_EQ(reply->attributes[0].values.size(), 1u);
    std::string value;
    ASSERT_TRUE(stringOfValue(reply->attributes[0].values[0].value, value));
    EXPECT_EQ(value, "FS1.SALES.ACME");
    request.attributes.clear();
    request.allAttributes = 1;
    EXPECT_EQ(ask<Read>(*user, request).second->attributes.size(), 2u);
    request.allAttributes = 0;
    request.attributes = {"Surname"};
    EXPECT_EQ(ask<Read>(*user, request).first, error::kNoSuchAttribute);
    request.entryId = 12345;
    EXPECT_EQ(ask<Read>(*user, request).first, error::kNoSuchEntry);
}

TEST_F(WireDirectoryServices, ListAndSearch) {
    List::Request list;
    list.parentId = 101;
    auto [listCompletion, listed] = ask<List>(*wire, list);
    ASSERT_EQ(listCompletion, 0);
    EXPECT_EQ(listed->iteration, kNoIteration);
    std::set<std::string> names;
    for (const EntryRecord& e : listed->entries)
        names.insert(e.dn);
    EXPECT_EQ(names,
              (std::set<std::string>{"JSMITH.SALES.ACME", "MBROWN.SALES.ACME", "ADMIN.SALES.ACME",
                                     "FS1_SYS.SALES.ACME", "FS1.SALES.ACME"}));
    list.classFilter = "Volume";
    EXPECT_EQ(ask<List>(*wire, list).second->entries.size(), 1u);
    list.classFilter.clear();
    list.nameFilter = "M*";
    EXPECT_EQ(ask<List>(*wire, list).second->entries.size(), 1u);
    list.parentId = 4242;
    EXPECT_EQ(ask<List>(*wire, list).first, error::kNoSuchEntry);

    // Users of the whole tree as Nmap's ncp-enum-users asks: from [Root], class User, any name.
    Search::Request search;
    search.baseId = 0;
    search.filter = {{0, kFilterNameTag, "*"}, {0, kFilterClassTag, "User"}};
    auto [searchCompletion, found] = ask<Search>(*wire, search);
    ASSERT_EQ(searchCompletion, 0);
    names.clear();
    for (const EntryRecord& e : found->entries)
        names.insert(e.dn);
    EXPECT_EQ(names, (std::set<std::string>{"JSMITH.SALES.ACME", "MBROWN.SALES.ACME",
                                            "ADMIN.SALES.ACME"}));
    search.scope = 0;
    search.baseId = 201;
    EXPECT_EQ(ask<Search>(*wire, search).second->entries.size(), 1u);
    search.scope = 1;
    search.baseId = 100;  // ACME holds SALES only
    EXPECT_TRUE(ask<Search>(*wire, search).second->entries.empty());
}

TEST_F(WireDirectoryServices, FragmentsOfAnySizeBothWays) {
    // tshark 4.0 decodes a request's verb from its first fragment alone, so it flags the first
    // fragment of a request sent in pieces; it reassembles replies. The last report is the
    // fragment with a bad message size sent below.
    expectReports({"Service request[Malformed", "C NDS Resolve Name -> MBROWN.SALES.ACME[Malformed",
                   "Service request[Malformed"});
    // Requests in 16-byte and 72-byte pieces, replies in fragments of 200 bytes.
    ResolveName::Request request;
    request.name = "JSMITH.SALES.ACME";
    EXPECT_EQ(ask<ResolveName>(*wire, request, 64000, 64176, 16).second->entryId, 201u);
    request.name = "MBROWN.SALES.ACME";
    auto [completion, reply] = ask<ResolveName>(*wire, request, 64000, 64176, 72);
    ASSERT_EQ(completion, 0);
    EXPECT_EQ(reply->entryId, 202u);
    List::Request list;
    list.parentId = 101;
    auto [listCompletion, listed] = ask<List>(*wire, list, 64000, 200, 4000);
    ASSERT_EQ(listCompletion, 0);
    EXPECT_EQ(listed->entries.size(), 5u);
    // A fragment with a handle the server never gave is refused; the next message works.
    EXPECT_EQ(wire->call<call::NdsFragment>({12345, {}}).completion, completion::kFailure);
    EXPECT_EQ(wire->call<call::NdsFragment>({kNoIteration, {1, 2, 3}}).completion,
              completion::kFailure);
    EXPECT_EQ(resolve("ADMIN.SALES.ACME"), 203u);
}

TEST_F(WireDirectoryServices, OnlyServersInATreeServeTheDirectory) {
    stopServer();
    server_.reset();
    serve(
        R"({ "workstation": {}, "servers": [ { "name": "OLD", "volumes": [ { "name": "SYS" } ] } ] })",
        {"volumes/OLD/SYS/"});
    auto old = client();
    ResolveName::Request request;
    request.name = "[Root]";
    auto message = verbMessage<ResolveName>(request, 4096);
    auto fragments = requestFragments(*message, 4096, 4000);
    EXPECT_EQ(old->call<call::NdsFragment>(fragments[0]).completion, completion::kUnknownRequest);
    EXPECT_EQ(old->call<call::PingNds>().completion, completion::kUnknownRequest);
}

class WireDirectoryIterations : public WireDirectoryServices {
protected:
    void SetUp() override {
        serve(treeNetwork(300), {"volumes/FS1/SYS/"});
        wire = client();
    }
};

TEST_F(WireDirectoryIterations, LongListingsContinueAndClose) {
    std::uint32_t many = resolve("MANY.ACME");
    List::Request list;
    list.parentId = many;
    std::set<std::string> names;
    int replies = 0;
    for (int guard = 0; guard < 100; ++guard) {
        auto [completion, reply] = ask<List>(*wire, list, 4096);
        ASSERT_EQ(completion, 0);
        ++replies;
        for (const EntryRecord& e : reply->entries)
            names.insert(e.rdn);
        if (reply->iteration == kNoIteration)
            break;
        list.iteration = reply->iteration;
    }
    EXPECT_EQ(names.size(), 300u);
    EXPECT_GT(replies, 2);

    // An iteration left open is closed with verb 50; then it is unknown.
    list.iteration = kNoIteration;
    auto [completion, first] = ask<List>(*wire, list, 4096);
    ASSERT_EQ(completion, 0);
    ASSERT_NE(first->iteration, kNoIteration);
    EXPECT_EQ(ask<CloseIteration>(*wire, {0, first->iteration, verb::kList}).first, 0);
    EXPECT_EQ(ask<CloseIteration>(*wire, {0, first->iteration, verb::kList}).first,
              error::kInvalidIteration);
    list.iteration = first->iteration;
    EXPECT_EQ(ask<List>(*wire, list, 4096).first, error::kInvalidIteration);
    // Another session's iteration is not this one's.
    list.iteration = kNoIteration;
    auto [again, open] = ask<List>(*wire, list, 4096);
    ASSERT_EQ(again, 0);
    auto other = client();
    list.iteration = open->iteration;
    EXPECT_EQ(ask<List>(*other, list, 4096).first, error::kInvalidIteration);
    // A search continues the same way.
    Search::Request search;
    search.filter = {{0, kFilterClassTag, "User"}};
    std::size_t users = 0;
    for (int guard = 0; guard < 100; ++guard) {
        auto [c, r] = ask<Search>(*wire, search, 4096);
        ASSERT_EQ(c, 0);
        users += r->entries.size();
        if (r->iteration == kNoIteration)
            break;
        search.iteration = r->iteration;
    }
    EXPECT_EQ(users, 303u);
}

}  // namespace
}  // namespace nw::nwsimd::testing
