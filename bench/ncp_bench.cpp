// The NCP codec's own cost, apart from any socket: a small request's whole round trip through
// framing, parsing, dispatch and decoding on both sides; an 87/20 reply of 200 entries; frame
// reassembly from TCP-sized pieces; the bindery login answer.
#include <benchmark/benchmark.h>

#include "ncp/calls.h"
#include "ncp/frame.h"
#include "ncp/login.h"

namespace {

using namespace nw::ncp;

struct Server {
    int logins = 1;
};

void BM_SmallRequestRoundTripCodec(benchmark::State& state) {
    Dispatcher<Server> d;
    d.on<call::GetLoginStatus>(
        [](Server& s, const call::GetLoginStatus::Request&, call::GetLoginStatus::Reply& r) {
            r.loginsAllowed = static_cast<std::uint8_t>(s.logins);
            return completion::kOk;
        });
    Server server;
    FrameReader serverIn(Direction::Requests, 65536);
    FrameReader clientIn(Direction::Replies, 65536);
    std::uint8_t seq = 0;
    for (auto _ : state) {
        RequestHeader h;
        h.sequence = seq++;
        h.connection = 12;
        const Bytes wire = frameRequest(*encodeRequest<call::GetLoginStatus>(h, {}), 4096);
        serverIn.feed(wire);
        Frame f;
        serverIn.next(f);
        const ParsedRequest p = parseRequest(f.message);
        const auto answer = d.dispatch(server, p.header, p.data);
        clientIn.feed(frameReply(encodeReply(replyTo(p.header, answer.completion), answer.data)));
        clientIn.next(f);
        const ParsedReply r = parseReply(f.message);
        benchmark::DoNotOptimize(decodeReply<call::GetLoginStatus>(r.data));
    }
}
BENCHMARK(BM_SmallRequestRoundTripCodec);

void BM_SearchSetReplyOf200Entries(benchmark::State& state) {
    call::SearchEntrySet::Reply reply;
    for (std::uint32_t i = 0; i < 200; ++i) {
        EntryInfo e;
        e.attributes = 0x20;
        e.dataSize = 1000 + i;
        e.entryNumber = 0x100 + i;
        e.name = "Document " + std::to_string(i) + ".txt";
        reply.entries.push_back(e);
    }
    std::size_t bytes = 0;
    for (auto _ : state) {
        const Bytes data = *encodeFields(reply);
        bytes += data.size();
        benchmark::DoNotOptimize(decodeReply<call::SearchEntrySet>(data, {}));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["entries/s"] = benchmark::Counter(
        200.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SearchSetReplyOf200Entries);

void BM_FrameReassemblyFromSegments(benchmark::State& state) {
    Bytes stream;
    for (int i = 0; i < 16; ++i) {
        RequestHeader h;
        h.function = 73;
        const Bytes f = frameRequest(encodeRequest(h, Bytes(4000, 0x5A)), 4096);
        stream.insert(stream.end(), f.begin(), f.end());
    }
    for (auto _ : state) {
        FrameReader reader(Direction::Requests, 65536);
        Frame f;
        for (std::size_t at = 0; at < stream.size(); at += 1460) {
            reader.feed(
                ByteView(stream).subspan(at, std::min<std::size_t>(1460, stream.size() - at)));
            while (reader.next(f) == FrameReader::Result::Frame) {
                benchmark::DoNotOptimize(f.message.data());
            }
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_FrameReassemblyFromSegments);

void BM_BinderyLoginAnswer(benchmark::State& state) {
    const PasswordHash hash = passwordHash(0x05000026, "HELLO123");
    LoginKey key{1, 2, 3, 4, 5, 6, 7, 8};
    for (auto _ : state) {
        key[0]++;
        benchmark::DoNotOptimize(loginAnswer(hash, key));
    }
}
BENCHMARK(BM_BinderyLoginAnswer);

}  // namespace

BENCHMARK_MAIN();
