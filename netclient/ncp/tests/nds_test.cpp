// The directory-services fragment protocol, client and server side together.
#include <gtest/gtest.h>

#include "ncp/nds.h"
#include "ncp/nds_verbs.h"
#include "ncp/testing/samples.h"

namespace nw::ncp::nds {
namespace {

Message bigMessage(std::size_t size) {
    Message m;
    m.verb = verb::kRead;
    m.replyBufferSize = 65536;
    for (std::size_t i = 0; i < size; ++i) {
        m.data.push_back(static_cast<std::uint8_t>(i * 7));
    }
    return m;
}

// Runs one message through small fragments both ways, as a client and a server would.
void roundTrip(std::size_t requestSize, std::size_t replySize, std::size_t piece,
               std::uint32_t maxReplyFragment) {
    const Message sent = bigMessage(requestSize);
    FragmentServer server(1 << 20);
    std::vector<call::NdsFragment::Request> pieces =
        requestFragments(sent, maxReplyFragment, piece);
    std::uint32_t handle = call::kNoFragmentHandle;
    FragmentServer::Step step;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            pieces[i].handle = handle;
        }
        step = server.onFragment(pieces[i]);
        if (i + 1 < pieces.size()) {
            ASSERT_EQ(step.kind, FragmentServer::Step::Kind::Reply);
            EXPECT_TRUE(step.reply.data.empty());
            handle = step.reply.handle;
        }
    }
    ASSERT_EQ(step.kind, FragmentServer::Step::Kind::Message);
    EXPECT_EQ(step.message.verb, sent.verb);
    EXPECT_EQ(step.message.replyBufferSize, sent.replyBufferSize);
    EXPECT_EQ(step.message.data, sent.data);

    const Bytes answer = bigMessage(replySize).data;
    ReplyAssembler client(1 << 20);
    call::NdsFragment::Reply fragment = server.answer(-601, answer);
    int fragments = 1;
    while (client.add(fragment) == ReplyAssembler::Status::NeedMore) {
        EXPECT_LE(fragment.data.size() + 8, std::max<std::uint32_t>(maxReplyFragment, 16));
        step = server.onFragment({client.nextHandle(), {}});
        ASSERT_EQ(step.kind, FragmentServer::Step::Kind::Reply);
        fragment = step.reply;
        ++fragments;
    }
    EXPECT_EQ(client.completion(), -601);
    EXPECT_EQ(client.data(), answer);
    EXPECT_GE(fragments, static_cast<int>((replySize + 4) / (maxReplyFragment - 8)));
}

TEST(NcpNds, MessagesOfAnySizeCrossInFragmentsBothWays) {
    roundTrip(0, 0, 64000, 64176);
    roundTrip(10, 3, 16, 16);
    roundTrip(1000, 5000, 100, 506);
    roundTrip(70000, 70000, 4000, 4096);
}

TEST(NcpNds, BadFragmentsAreRefusedAndLoseNothingElse) {
    FragmentServer server(1000);
    // unknown handle
    EXPECT_EQ(server.onFragment({1234, {}}).kind, FragmentServer::Step::Kind::Error);
    // a message larger than the server takes
    std::vector<call::NdsFragment::Request> big = requestFragments(bigMessage(2000), 4096, 64000);
    EXPECT_EQ(server.onFragment(big[0]).kind, FragmentServer::Step::Kind::Error);
    // a first fragment holding more than its stated size
    call::NdsFragment::Request lying = requestFragments(bigMessage(10), 4096, 64000)[0];
    lying.data[4] = 12;
    EXPECT_EQ(server.onFragment(lying).kind, FragmentServer::Step::Kind::Error);
    // a continuation running past the stated size
    std::vector<call::NdsFragment::Request> two = requestFragments(bigMessage(30), 4096, 20);
    FragmentServer::Step first = server.onFragment(two[0]);
    ASSERT_EQ(first.kind, FragmentServer::Step::Kind::Reply);
    call::NdsFragment::Request over{first.reply.handle, Bytes(500, 1)};
    EXPECT_EQ(server.onFragment(over).kind, FragmentServer::Step::Kind::Error);
    // a reply fragment smaller than its own header cannot be asked for
    std::vector<call::NdsFragment::Request> tiny = requestFragments(bigMessage(1), 8, 64000);
    EXPECT_EQ(server.onFragment(tiny[0]).kind, FragmentServer::Step::Kind::Error);
    // after all that a good message still goes through
    EXPECT_EQ(server.onFragment(requestFragments(bigMessage(5), 4096, 64000)[0]).kind,
              FragmentServer::Step::Kind::Message);
}

TEST(NcpNds, CloseDropsAHalfSentReply) {
    FragmentServer server(1000);
    ASSERT_EQ(server.onFragment(requestFragments(bigMessage(5), 64, 64000)[0]).kind,
              FragmentServer::Step::Kind::Message);
    call::NdsFragment::Reply first = server.answer(0, Bytes(500, 2));
    ASSERT_NE(first.handle, call::kNoFragmentHandle);
    server.close(first.handle);
    EXPECT_EQ(server.onFragment({first.handle, {}}).kind, FragmentServer::Step::Kind::Error);
}

TEST(NcpNds, ClientRefusesRepliesLargerThanItTakes) {
    ReplyAssembler client(10);
    EXPECT_EQ(client.add({5, Bytes(8, 0)}), ReplyAssembler::Status::NeedMore);
    EXPECT_EQ(client.add({call::kNoFragmentHandle, Bytes(8, 0)}), ReplyAssembler::Status::Error);
    ReplyAssembler empty(10);
    EXPECT_EQ(empty.add({call::kNoFragmentHandle, Bytes{1}}), ReplyAssembler::Status::Error);
}

TEST(NcpNds, EveryVerbsSampleSurvivesEncodeAndDecode) {
    AllVerbs::forEach([](auto tag) {
        using V = typename decltype(tag)::type;
        SCOPED_TRACE(V::name);
        const typename V::Request rq = testing::sampleVerbRequest<V>();
        std::optional<Message> m = verbMessage<V>(rq, 4096);
        ASSERT_TRUE(m);
        EXPECT_EQ(m->verb, V::verb);
        typename V::Request rqBack{};
        ASSERT_TRUE(decodeFields(m->data, rqBack));
        EXPECT_TRUE(rqBack == rq);
        const typename V::Reply rp = testing::sampleVerbReply<V>();
        std::optional<Bytes> data = encodeFields(rp);
        ASSERT_TRUE(data);
        typename V::Reply rpBack{};
        ASSERT_TRUE(decodeFields(*data, rpBack));
        EXPECT_TRUE(rpBack == rp);
        for (std::size_t n = 0; n < data->size(); ++n) {
            typename V::Reply cut{};
            (void)decodeFields(ByteView(*data).first(n), cut);
        }
    });
}

// The request bytes Nmap's ncp-enum-users sends for a search of users (names padded with
// extra NUL characters inside the count, as that client does).
TEST(NcpNds, NmapsUserSearchDecodes) {
    Bytes b;
    Writer w(b);
    for (std::uint32_t v :
         {3u, 0u, 0xFFFFFFFFu, 0x01000000u, 2u, 0u, 1u, 0x381Du, 0u, 0u, 2u, 2u, 0u, 0x10u}) {
        w.le32(v);
    }
    w.le32(4);
    w.bytes(Bytes{'*', 0, 0, 0});
    w.le32(0);
    w.le32(0x11);
    w.le32(12);
    w.bytes(Bytes{'U', 0, 's', 0, 'e', 0, 'r', 0, 0, 0, 0, 0});
    Search::Request r;
    ASSERT_TRUE(decodeFields(b, r));
    EXPECT_EQ(r.baseId, 0x01000000u);
    EXPECT_EQ(r.infoFlags, 0x381Du);
    ASSERT_EQ(r.filter.size(), 2u);
    EXPECT_EQ(r.filter[0].value, "*");
    EXPECT_EQ(r.filter[1].tag, kFilterClassTag);
    EXPECT_EQ(r.filter[1].value, "User");
}

TEST(NcpNds, EntryRecordsHoldExactlyTheFlaggedItems) {
    EntryRecord e;
    e.flags = info::kOutputFlags | info::kEntryFlags | info::kSubordinateCount | info::kRdn;
    e.entryFlags = kEntryContainer;
    e.subordinates = 2;
    e.rdn = "SALES";
    e.dn = "not sent";
    const Bytes b = *encodeFields(e);
    EXPECT_EQ(b.size(), 4 + 4 + 4 + (4 + 12u));
    EntryRecord back;
    ASSERT_TRUE(decodeFields(b, back));
    EXPECT_EQ(back.rdn, "SALES");
    EXPECT_TRUE(back.dn.empty());
    e.flags |= 0x4000;  // an item whose size is not known
    EXPECT_FALSE(encodeFields(e));
}

struct Directory {
    int reads = 0;
};

// A client exchange against the fragment server and verb dispatcher, as the wire client and
// nwsimd will run them over a connection.
TEST(NcpNds, ClientExchangeRunsVerbsThroughTheServerSide) {
    VerbDispatcher<Directory> verbs;
    verbs.on<Read>([](Directory& d, const Read::Request& rq, Read::Reply& reply) -> std::int32_t {
        ++d.reads;
        if (rq.entryId != 0x0100002B) {
            return error::kNoSuchEntry;
        }
        reply.attributes = {
            {syntax::kCaseIgnoreString, "Description", {{stringValue(std::string(3000, 'd'))}}}};
        return 0;
    });
    Directory directory;
    FragmentServer server(1 << 16);
    int fragments = 0;
    const FragmentSender send =
        [&](const call::NdsFragment::Request& rq) -> std::optional<call::NdsFragment::Reply> {
        ++fragments;
        FragmentServer::Step step = server.onFragment(rq);
        if (step.kind == FragmentServer::Step::Kind::Message) {
            const auto answer = verbs.dispatch(directory, step.message);
            return server.answer(answer.completion, answer.data);
        }
        if (step.kind == FragmentServer::Step::Kind::Reply) {
            return step.reply;
        }
        return std::nullopt;
    };

    Read::Request rq;
    rq.entryId = 0x0100002B;
    rq.attributes.assign(40, "Description");  // a request of several pieces
    std::optional<VerbResult> result =
        exchangeMessage(*verbMessage<Read>(rq, 65536), send, 1024, 200);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->completion, 0);
    Read::Reply reply;
    ASSERT_TRUE(decodeFields(result->data, reply));
    std::string text;
    ASSERT_TRUE(stringOfValue(reply.attributes.at(0).values.at(0).value, text));
    EXPECT_EQ(text.size(), 3000u);
    EXPECT_GT(fragments, 10);  // request pieces and reply fragments both ways

    rq.entryId = 5;
    result = exchangeMessage(*verbMessage<Read>(rq, 65536), send);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->completion, error::kNoSuchEntry);
    EXPECT_TRUE(result->data.empty());

    Message unknown;
    unknown.verb = 99;
    result = exchangeMessage(unknown, send);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->completion, error::kInvalidRequest);
    Message cut;
    cut.verb = verb::kRead;
    cut.data = {0, 0};
    EXPECT_EQ(exchangeMessage(cut, send)->completion, error::kInvalidRequest);
    EXPECT_EQ(directory.reads, 2);

    // A transport that fails, and a server that never finishes, end the exchange.
    EXPECT_FALSE(exchangeMessage(unknown, [](const call::NdsFragment::Request&) {
        return std::optional<call::NdsFragment::Reply>{};
    }));
    EXPECT_FALSE(exchangeMessage(unknown, [](const call::NdsFragment::Request&) {
        return std::optional<call::NdsFragment::Reply>{call::NdsFragment::Reply{7, {}}};
    }));
}

}  // namespace
}  // namespace nw::ncp::nds
