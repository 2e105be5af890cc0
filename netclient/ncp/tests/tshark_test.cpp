// Wireshark's dissector judges the codec: a capture of every described call (request and reply)
// must draw no complaint, and a capture with injected faults must draw complaints about exactly
// those frames.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "ncp/calls.h"
#include "ncp/frame.h"
#include "ncp/nds_verbs.h"
#include "ncp/pcap.h"
#include "ncp/testing/samples.h"
#include "ncp/testing/tshark.h"

namespace nw::ncp {
namespace {

namespace fs = std::filesystem;

class ScratchCapture {
public:
    explicit ScratchCapture(const std::string& name)
        : path_(fs::temp_directory_path() /
                ("ncp-" + std::to_string(::getpid()) + "-" + name + ".pcap")),
          out_(path_, std::ios::binary),
          pcap_(out_) {}
    // NCP_KEEP_CAPTURES=1 keeps the files for a look with Wireshark.
    ~ScratchCapture() {
        if (std::getenv("NCP_KEEP_CAPTURES") == nullptr) {
            std::error_code ec;
            fs::remove(path_, ec);
        }
    }
    PcapWriter& pcap() { return pcap_; }
    std::string finish() {
        out_.close();
        return path_.string();
    }

private:
    fs::path path_;
    std::ofstream out_;
    PcapWriter pcap_;
};

// A client's side of one NCP connection written into a capture: set-up, calls, tear-down.
class CapturedSession {
public:
    CapturedSession(PcapWriter& pcap, std::uint16_t clientPort, std::size_t segment)
        : pcap_(pcap), tcp_(pcap, clientPort, 524, segment) {
        tcp_.open();
    }

    // 0x1111 with the payload the Linux library sends; the server assigns `connection`.
    void create(std::uint16_t connection) {
        RequestHeader h;
        h.type = type::kCreateConnection;
        h.sequence = sequence_;
        h.connection = 0xFFFF;
        const Bytes payload{0x01, 0x10, 0x00};
        client(encodeRequest(h, payload));
        connection_ = connection;
        ReplyHeader r = replyTo(h);
        r.connection = connection;
        server(encodeReply(r, {}));
        ++sequence_;
    }

    template <class C>
    void exchange(const typename C::Request& rq, const typename C::Reply& rp) {
        const RequestHeader h = header();
        client(*encodeRequest<C>(h, rq));
        server(*encodeReply<C>(replyTo(h), rp));
    }

    // A request of call C answered with an error completion (no reply data).
    template <class C>
    void refused(const typename C::Request& rq, std::uint8_t completion) {
        const RequestHeader h = header();
        client(*encodeRequest<C>(h, rq));
        server(encodeReply(replyTo(h, completion), {}));
    }

    void destroy() {
        RequestHeader h = header();
        h.type = type::kDestroyConnection;
        client(encodeRequest(h, Bytes{0}));
        server(encodeReply(replyTo(h), {}));
        tcp_.close();
    }

    RequestHeader header() {
        RequestHeader h;
        h.sequence = sequence_++;
        h.connection = connection_;
        h.task = 1;
        return h;
    }
    // Sends a message as a framed request or reply; returns the frame number of the last
    // segment carrying it (where Wireshark reports it).
    std::size_t client(const Bytes& message) { return clientFrame(frameRequest(message, 65536)); }
    std::size_t server(const Bytes& message) { return serverFrame(frameReply(message)); }
    std::size_t clientFrame(const Bytes& frame) {
        tcp_.clientSends(frame);
        return pcap_.packets() - 1;
    }
    std::size_t serverFrame(const Bytes& frame) {
        tcp_.serverSends(frame);
        return pcap_.packets() - 1;
    }

private:
    PcapWriter& pcap_;
    TcpConversation tcp_;
    std::uint8_t sequence_ = 0;
    std::uint16_t connection_ = 0;
};

// One directory-services verb through 104/2 fragments, answered by the fragment server and
// read back by the client's exchange; every fragment goes into the capture.
template <class V>
void ndsExchange(CapturedSession& s, std::uint32_t maxReplyFragment) {
    nds::FragmentServer server(1 << 20);
    const typename V::Request rq = testing::sampleVerbRequest<V>();
    const typename V::Reply rp = testing::sampleVerbReply<V>();
    const nds::FragmentSender send =
        [&](const call::NdsFragment::Request& fragment) -> std::optional<call::NdsFragment::Reply> {
        nds::FragmentServer::Step step = server.onFragment(fragment);
        if (step.kind == nds::FragmentServer::Step::Kind::Error) {
            return std::nullopt;
        }
        if (step.kind == nds::FragmentServer::Step::Kind::Message) {
            typename V::Request got{};
            EXPECT_TRUE(decodeFields(step.message.data, got) && got == rq) << V::name;
            step.reply = server.answer(0, *encodeFields(rp));
        }
        s.exchange<call::NdsFragment>(fragment, step.reply);
        return step.reply;
    };
    std::optional<nds::VerbResult> result =
        nds::exchangeMessage(*nds::verbMessage<V>(rq, 65536), send, maxReplyFragment, 1000);
    ASSERT_TRUE(result) << V::name;
    typename V::Reply back{};
    ASSERT_TRUE(decodeFields(result->data, back));
    EXPECT_TRUE(back == rp) << V::name;
}

#define SKIP_WITHOUT_TSHARK()                      \
    if (!testing::tsharkAvailable()) {             \
        GTEST_SKIP() << "tshark is not installed"; \
    }

TEST(NcpTshark, EveryCallsRequestAndReplyDecodeCleanly) {
    SKIP_WITHOUT_TSHARK();
    ScratchCapture capture("all-calls");
    {
        // Small segments: every frame of some size is reassembled from several.
        CapturedSession s(capture.pcap(), 40001, 536);
        s.create(0x0105);
        AllCalls::forEach([&](auto tag) {
            using C = typename decltype(tag)::type;
            const typename C::Request rq = testing::sampleRequest<C>();
            s.exchange<C>(rq, testing::sampleReply<C>(rq));
        });
        // Directory-services verbs; List's reply crosses in two fragments (tshark 4.0 puts the
        // headers of middle fragments into the reassembled message, so no more than two).
        nds::AllVerbs::forEach([&](auto tag) {
            using V = typename decltype(tag)::type;
            ndsExchange<V>(s, std::is_same_v<V, nds::List> ? 200 : 64176);
        });
        // Error answers carry only the header.
        s.refused<call::KeyedObjectLogin>(testing::sampleRequest<call::KeyedObjectLogin>(), 0xDE);
        s.refused<call::ClearConnection>({999}, completion::kBadStation);
        s.refused<call::SearchEntrySet>(testing::sampleRequest<call::SearchEntrySet>(), 0xFF);
        s.refused<call::DisableLogin>({}, completion::kNoConsoleRights);
        s.destroy();
    }
    const testing::TsharkReport report = testing::tsharkReport(capture.finish());
    ASSERT_TRUE(report.ran) << report.errors;
    EXPECT_TRUE(report.lines.empty()) << [&] {
        std::string all;
        for (const auto& l : report.lines) {
            all += l + "\n";
        }
        return all;
    }();
}

TEST(NcpTshark, ExactlyTheInjectedFaultsAreReported) {
    SKIP_WITHOUT_TSHARK();
    ScratchCapture capture("faults");
    std::set<int> injected;
    {
        CapturedSession s(capture.pcap(), 40002, 1460);
        s.create(3);
        s.exchange<call::GetFileServerInfo>({}, testing::sampleReply<call::GetFileServerInfo>({}));
        // An unknown function and its 0xFB answer.
        RequestHeader unknown = s.header();
        unknown.function = 23;
        unknown.subfunction = 199;
        injected.insert(static_cast<int>(s.client(encodeRequest(unknown, {}))));
        injected.insert(static_cast<int>(
            s.server(encodeReply(replyTo(unknown, completion::kUnknownRequest), {}))));
        s.exchange<call::GetLoginStatus>({}, {1});
        // A reply cut short.
        RequestHeader info = s.header();
        s.client(*encodeRequest<call::GetFileServerInfo>(info, {}));
        Bytes cut = *encodeReply<call::GetFileServerInfo>(
            replyTo(info), testing::sampleReply<call::GetFileServerInfo>({}));
        cut.resize(8 + 20);
        injected.insert(static_cast<int>(s.server(cut)));
        s.exchange<call::GetLoginStatus>({}, {1});
        s.destroy();
    }
    {
        // A frame whose length is too short: the stream cannot be read past it.
        CapturedSession s(capture.pcap(), 40003, 1460);
        s.create(4);
        s.exchange<call::GetLoginStatus>({}, {1});
        Bytes bad = frameRequest(*encodeRequest<call::GetFileServerInfo>(s.header(), {}), 4096);
        bad[7] = 20;
        injected.insert(static_cast<int>(s.clientFrame(bad)));
    }
    const testing::TsharkReport report = testing::tsharkReport(capture.finish());
    ASSERT_TRUE(report.ran) << report.errors;
    const std::vector<int> frames = testing::reportedFrames(report);
    EXPECT_EQ(std::set<int>(frames.begin(), frames.end()), injected) << [&] {
        std::string all;
        for (const auto& l : report.lines) {
            all += l + "\n";
        }
        return all;
    }();
}

}  // namespace
}  // namespace nw::ncp
