// Every described call both ways, the call table, the dispatcher, and the byte positions of the
// layouts where the sources disagree (pinned so a change of choice is deliberate).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ncp/calls.h"
#include "ncp/frame.h"
#include "ncp/testing/samples.h"

namespace nw::ncp {
namespace {

using testing::sampleReply;
using testing::sampleRequest;

RequestHeader someHeader() {
    RequestHeader h;
    h.sequence = 7;
    h.connection = 0x0103;
    h.task = 1;
    return h;
}

template <class C>
Bytes requestBytes(const typename C::Request& rq) {
    std::optional<Bytes> data = encodeFields(rq);
    EXPECT_TRUE(data) << C::name;
    return data.value_or(Bytes{});
}

template <class C>
Bytes replyBytes(const typename C::Reply& rp) {
    std::optional<Bytes> data = encodeFields(rp);
    EXPECT_TRUE(data) << C::name;
    return data.value_or(Bytes{});
}

TEST(NcpCalls, EveryCallsSampleSurvivesEncodeAndDecodeOnBothSides) {
    AllCalls::forEach([](auto tag) {
        using C = typename decltype(tag)::type;
        SCOPED_TRACE(C::name);
        const typename C::Request rq = sampleRequest<C>();
        std::optional<Bytes> message = encodeRequest<C>(someHeader(), rq);
        ASSERT_TRUE(message);
        ParsedRequest parsed = parseRequest(*message);
        ASSERT_EQ(parsed.error, ParseError::None);
        EXPECT_EQ(parsed.header.function, C::function);
        if (formOf(C::function) != Form::Plain) {
            EXPECT_EQ(parsed.header.subfunction, C::subfunction);
        }
        std::optional<typename C::Request> back = decodeRequest<C>(parsed.data);
        ASSERT_TRUE(back);
        EXPECT_TRUE(*back == rq);

        const typename C::Reply rp = sampleReply<C>(rq);
        std::optional<Bytes> reply = encodeReply<C>(replyTo(parsed.header), rp);
        ASSERT_TRUE(reply);
        ParsedReply parsedReply = parseReply(*reply);
        ASSERT_EQ(parsedReply.error, ParseError::None);
        EXPECT_EQ(parsedReply.header.sequence, 7);
        EXPECT_EQ(parsedReply.header.connection, 0x0103);
        std::optional<typename C::Reply> replyBack = decodeReply<C>(parsedReply.data, rq);
        ASSERT_TRUE(replyBack);
        EXPECT_TRUE(*replyBack == rp);
    });
}

// A message cut short must fail cleanly wherever the cut falls (under the sanitizers: without
// reading past it); a reply one byte short is always refused.
TEST(NcpCalls, EveryPrefixOfEveryMessageDecodesOrFailsWithoutReadingPastIt) {
    AllCalls::forEach([](auto tag) {
        using C = typename decltype(tag)::type;
        SCOPED_TRACE(C::name);
        const typename C::Request rq = sampleRequest<C>();
        const Bytes req = requestBytes<C>(rq);
        const Bytes rep = replyBytes<C>(sampleReply<C>(rq));
        for (std::size_t n = 0; n < req.size(); ++n) {
            Bytes cut(req.begin(), req.begin() + static_cast<std::ptrdiff_t>(n));
            (void)decodeRequest<C>(cut);
        }
        for (std::size_t n = 0; n < rep.size(); ++n) {
            Bytes cut(rep.begin(), rep.begin() + static_cast<std::ptrdiff_t>(n));
            (void)decodeReply<C>(cut, rq);
        }
        if (!rep.empty()) {
            Bytes cut(rep.begin(), rep.end() - 1);
            EXPECT_FALSE(decodeReply<C>(cut, rq)) << "reply cut by one byte";
        }
    });
}

TEST(NcpCalls, TableListsEachCallOnceAndFindsThem) {
    std::set<std::uint16_t> keys;
    for (const CallInfo& c : callTable()) {
        EXPECT_TRUE(keys.insert(callKey(c.function, c.subfunction)).second) << c.name;
        EXPECT_EQ(findCall(c.function, c.subfunction), &c);
        EXPECT_EQ(c.form, formOf(c.function));
    }
    EXPECT_EQ(callTable().size(), AllCalls::size);
    EXPECT_EQ(findCall(23, 199), nullptr);
    EXPECT_EQ(findCall(200, 0), nullptr);
    // The subfunction of a plain function is not part of its key.
    EXPECT_NE(findCall(72, 9), nullptr);
}

struct Session {
    int loginsAllowed = 1;
};

TEST(NcpCalls, DispatcherAnswersUnknownTruncatedAndHandledCalls) {
    Dispatcher<Session> d;
    d.on<call::GetLoginStatus>([](Session& s, const call::GetLoginStatus::Request&,
                                  call::GetLoginStatus::Reply& reply) -> std::uint8_t {
        reply.loginsAllowed = static_cast<std::uint8_t>(s.loginsAllowed);
        return completion::kOk;
    });
    d.on<call::ClearConnection>(
        [](Session&, const call::ClearConnection::Request& rq, call::ClearConnection::Reply&) {
            return rq.connection == 12 ? completion::kOk : completion::kBadStation;
        });
    d.on<call::GetVolumeName>(
        [](Session&, const call::GetVolumeName::Request&, call::GetVolumeName::Reply& reply) {
            reply.volumeName = std::string(300, 'V');  // does not fit its length byte
            return completion::kOk;
        });
    Session s;
    RequestHeader h;
    h.function = 23;

    h.subfunction = 205;
    auto a = d.dispatch(s, h, {});
    EXPECT_EQ(a.completion, 0);
    EXPECT_EQ(a.data, Bytes{1});

    h.subfunction = 254;
    const Bytes twelve{12, 0, 0, 0};
    EXPECT_EQ(d.dispatch(s, h, twelve).completion, 0);
    const Bytes thirteen{13, 0, 0, 0};
    a = d.dispatch(s, h, thirteen);
    EXPECT_EQ(a.completion, completion::kBadStation);
    EXPECT_TRUE(a.data.empty());
    const Bytes cut{12, 0};
    EXPECT_EQ(d.dispatch(s, h, cut).completion, completion::kBoundaryCheckFailed);

    h.subfunction = 199;
    EXPECT_EQ(d.dispatch(s, h, {}).completion, completion::kUnknownRequest);

    h.function = 22;
    h.subfunction = 6;
    const Bytes vol{0};
    EXPECT_EQ(d.dispatch(s, h, vol).completion, completion::kFailure);
}

// Where the two sources disagree, the layout follows the client that talked to real servers.
TEST(NcpCalls, ChosenByteOrdersAndSizes) {
    EXPECT_EQ(requestBytes<call::ClearConnection>({0x0102}), (Bytes{0x02, 0x01, 0, 0}));
    EXPECT_EQ(requestBytes<call::ConnectionOpenFiles>({0x0102, 0x0304}),
              (Bytes{0x02, 0x01, 0x04, 0x03}));
    EXPECT_EQ(requestBytes<call::GetInternetAddress>({0x0102}), (Bytes{0x02, 0x01, 0, 0}));
    EXPECT_EQ(requestBytes<call::ChangeConnectionState>({1}), (Bytes{1, 0, 0, 0}));

    call::CopyFile::Request copy;
    copy.count = 0x01020304;
    const Bytes c = requestBytes<call::CopyFile>(copy);
    ASSERT_EQ(c.size(), 25u);  // reserved, 2 handles, 2 offsets, 4-byte count
    EXPECT_EQ(Bytes(c.end() - 4, c.end()), (Bytes{1, 2, 3, 4}));

    // Object ids are hi-lo everywhere, also where Wireshark shows them LE.
    call::BinderyObject object{0x01020304, call::kObjectUser, "X"};
    const Bytes o = replyBytes<call::GetBinderyObjectId>(object);
    EXPECT_EQ(Bytes(o.begin(), o.begin() + 6), (Bytes{1, 2, 3, 4, 0, 1}));
    const Bytes t = requestBytes<call::AddTrustees>(
        {0, 0, 0, testing::samplePath({"SYS"}), {{0x01020304, 0x01FF}}});
    EXPECT_EQ(Bytes(t.end() - 6, t.end()), (Bytes{1, 2, 3, 4, 0xFF, 0x01}));
}

TEST(NcpCalls, UserInformationRecordSitsWhereTheClientInterfaceExpectsIt) {
    call::UserInformation::Reply r;
    r.connection = 0x0C;
    r.transactionFlag = 0xA1;
    r.logicalLockThreshold = 0xA2;
    r.recordLockThreshold = 0xA3;
    r.fileLockCount = 0x0102;
    r.bytesRead = 0x060504030201;
    r.userName = "JSMITH";
    const Bytes b = replyBytes<call::UserInformation>(r);
    // Offsets below are NCP offsets (reply data starts at 8).
    EXPECT_EQ(b[16 - 8], 0x0C);
    EXPECT_EQ(b[44 - 8], 0xA1);
    EXPECT_EQ(b[45 - 8], 0xA2);
    EXPECT_EQ(b[46 - 8], 0xA3);
    EXPECT_EQ(b[50 - 8], 0x02);
    EXPECT_EQ(b[54 - 8], 0x01);
    EXPECT_EQ(b[59 - 8], 0x06);
    EXPECT_EQ(b[86 - 8], 6);
    EXPECT_EQ(b.size(), 86 - 8 + 7u);
}

TEST(NcpCalls, ServerInformationIs128BytesWithCountsHiLo) {
    call::GetFileServerInfo::Reply r;
    r.serverName = "FS1";
    r.maxConnections = 0x0102;
    const Bytes b = replyBytes<call::GetFileServerInfo>(r);
    ASSERT_EQ(b.size(), 128u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), std::string("FS1\0", 4));
    EXPECT_EQ(b[58 - 8], 0x01);
    EXPECT_EQ(b[59 - 8], 0x02);
    call::GetFileServerInfo::Reply tooLong;
    tooLong.serverName = std::string(49, 'S');
    EXPECT_FALSE(encodeFields(tooLong));
}

TEST(NcpCalls, ReadAtAnOddOffsetPutsOnePadByteBeforeTheData) {
    call::ReadFile::Request rq{makeFileHandle(5), 3, 4};
    call::ReadFile::Reply rp = replyFor<call::ReadFile>(rq);
    rp.data = {'a', 'b'};
    EXPECT_EQ(replyBytes<call::ReadFile>(rp), (Bytes{0, 2, 0, 'a', 'b'}));
    rq.offset = 4;
    rp = replyFor<call::ReadFile>(rq);
    rp.data = {'a', 'b'};
    const Bytes even = replyBytes<call::ReadFile>(rp);
    EXPECT_EQ(even, (Bytes{0, 2, 'a', 'b'}));
    EXPECT_EQ(decodeReply<call::ReadFile>(even, rq)->data, (Bytes{'a', 'b'}));
    // A count larger than the data present is a bad reply, not a read past the end.
    EXPECT_FALSE(decodeReply<call::ReadFile>(Bytes{0xFF, 0xFF, 'a'}, rq));
}

TEST(NcpCalls, FileHandleOfSixBytesCarriesTheFourByteHandle) {
    const FileHandle h = makeFileHandle(0x01020304);
    EXPECT_EQ(h, (FileHandle{0x05, 0x03, 0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(fileHandleId(h), 0x01020304u);
}

TEST(NcpCalls, SearchSetEntriesFollowEachOtherWithoutPadding) {
    call::SearchEntrySet::Reply r;
    r.entries = {testing::sampleEntry("A", false, 1), testing::sampleEntry("LONGER NAME", true, 2)};
    const Bytes b = replyBytes<call::SearchEntrySet>(r);
    EXPECT_EQ(b.size(), 9 + 1 + 2 + (77 + 1) + (77 + 11));
    EXPECT_EQ(b[12 + 76], 1);        // first name length
    EXPECT_EQ(b[12 + 78 + 76], 11);  // second name length
    // Without the name bit the records hold no names.
    call::SearchEntrySet::Request noNames;
    noNames.returnInfoMask = 0x0FFE;
    call::SearchEntrySet::Reply bare = replyFor<call::SearchEntrySet>(noNames);
    bare.entries = r.entries;
    for (auto& e : bare.entries) {
        e.name.clear();
    }
    EXPECT_EQ(replyBytes<call::SearchEntrySet>(bare).size(), 12 + 2 * 76u);
}

TEST(NcpCalls, SearchSetRepliesStayWithinTheAskedCountAndBothSizeLimits) {
    std::vector<EntryInfo> entries(1000, testing::sampleEntry("NAME.TXT", false, 1));
    call::SearchEntrySet::Request rq;
    rq.returnInfoCount = 200;
    EXPECT_EQ(call::SearchEntrySet::fitting(entries, rq, 1 << 20), 200u);
    rq.returnInfoCount = 0xFFFF;
    // 85 bytes an entry; 66,560 bytes a reply at most, header and frame included
    const std::size_t n = call::SearchEntrySet::fitting(entries, rq, 1 << 20);
    EXPECT_EQ(n, (66560u - 28) / 85);
    call::SearchEntrySet::Reply rp = replyFor<call::SearchEntrySet>(rq);
    rp.entries.assign(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_LE(frameReply(*encodeReply<call::SearchEntrySet>(ReplyHeader{}, rp)).size(), 66560u);
    EXPECT_EQ(call::SearchEntrySet::fitting(entries, rq, 1000), (1000u - 28) / 85);
    EXPECT_EQ(call::SearchEntrySet::fitting(entries, rq, 100), 0u);
}

TEST(NcpCalls, RenameSendsBothBlocksBeforeEitherPath) {
    call::RenameEntry::Request r;
    r.source = {1, 0x10, handle_flag::kDirBase, {"A", "B"}};
    r.destination = {1, 0x20, handle_flag::kDirBase, {"C"}};
    const Bytes b = requestBytes<call::RenameEntry>(r);
    const Bytes expected{0, 0,    0, 0,              // name space, flag, attributes
                         1, 0x10, 0, 0,   0, 1,  2,  // source block, 2 components
                         1, 0x20, 0, 0,   0, 1,  1,  // destination block, 1 component
                         1, 'A',  1, 'B', 1, 'C'};
    EXPECT_EQ(b, expected);
}

TEST(NcpCalls, TreeNamePingCarriesThePaddedNameWithItsLength) {
    call::PingNds::Reply r;
    r.treeName = call::padTreeName("ACME");
    const Bytes b = replyBytes<call::PingNds>(r);
    ASSERT_EQ(b.size(), 4 + 4 + 33 + 12u);
    EXPECT_EQ(b[0], 9);
    EXPECT_EQ(b[4], 33);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "ACME");
    EXPECT_EQ(b[8 + 31], '_');
    EXPECT_EQ(b[8 + 32], 0);
    Bytes lying = b;
    lying[4] = 40;  // longer than a tree name can be
    EXPECT_FALSE(decodeReply<call::PingNds>(lying));
}

TEST(NcpCalls, MountListCarriesNamesOnlyWhenAsked) {
    call::GetMountVolumeList::Request rq;
    rq.flags = 0;
    call::GetMountVolumeList::Reply rp = replyFor<call::GetMountVolumeList>(rq);
    rp.volumes = {{0, ""}, {1, ""}};
    EXPECT_EQ(replyBytes<call::GetMountVolumeList>(rp).size(), 8 + 2 * 4u);
    rq.flags = call::GetMountVolumeList::kWithNames;
    rp = replyFor<call::GetMountVolumeList>(rq);
    rp.volumes = {{0, "SYS"}};
    EXPECT_EQ(replyBytes<call::GetMountVolumeList>(rp).size(), 8 + 4 + 4u);
}

TEST(NcpCalls, HugeCountsInRepliesFailWithoutAllocatingForThem) {
    // 23/236 claiming 65535 records in a 20-byte reply.
    Bytes b(18, 0);
    b[16] = 0xFF;
    b[17] = 0xFF;
    EXPECT_FALSE(decodeReply<call::ConnectionsUsingFile>(b));
    // 123/17 claiming 4 billion addresses.
    Bytes e(32, 0);
    e[28] = e[29] = e[30] = e[31] = 0xFF;
    EXPECT_FALSE(decodeReply<call::EnumerateServiceAddresses>(e));
}

}  // namespace
}  // namespace nw::ncp
