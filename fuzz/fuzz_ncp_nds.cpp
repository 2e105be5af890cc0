// Fuzzes the directory-services fragment reassembly (server and client side) and the verb
// decoders: the input is a series of fragments, each a length byte and that many bytes (a
// 104/2 request's data on even lengths, a reply fragment for the client on odd ones). Every
// message the server completes is decoded as each verb; whatever decodes must encode again and
// decode to the same.
#include <cstddef>
#include <cstdint>

#include "ncp/codec.h"
#include "ncp/nds.h"
#include "ncp/nds_verbs.h"

namespace {

void decodeAsEveryVerb(nw::ncp::ByteView data) {
    using namespace nw::ncp;
    nds::AllVerbs::forEach([&](auto tag) {
        using V = typename decltype(tag)::type;
        typename V::Request request{};
        if (decodeFields(data, request)) {
            std::optional<Bytes> again = encodeFields(request);
            typename V::Request back{};
            if (!again || !decodeFields(*again, back) || !(back == request)) {
                __builtin_trap();
            }
        }
        typename V::Reply reply{};
        if (decodeFields(data, reply)) {
            std::optional<Bytes> again = encodeFields(reply);
            typename V::Reply back{};
            if (!again || !decodeFields(*again, back) || !(back == reply)) {
                __builtin_trap();
            }
        }
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nw::ncp;
    nds::FragmentServer server(4096);
    nds::ReplyAssembler client(4096);
    std::size_t at = 0;
    while (at < size) {
        const std::size_t n = data[at++];
        const ByteView piece(data + at, std::min(n, size - at));
        at += piece.size();
        if (n % 2 == 0) {
            auto request = decodeRequest<call::NdsFragment>(piece);
            if (!request) {
                continue;
            }
            nds::FragmentServer::Step step = server.onFragment(*request);
            if (step.kind == nds::FragmentServer::Step::Kind::Message) {
                if (step.message.data.size() > 4096) {
                    __builtin_trap();
                }
                decodeAsEveryVerb(step.message.data);
                (void)server.answer(0, step.message.data);
            }
        } else {
            auto fragment = decodeReply<call::NdsFragment>(piece);
            if (fragment && client.add(*fragment) == nds::ReplyAssembler::Status::Complete) {
                decodeAsEveryVerb(client.data());
            }
        }
    }
    decodeAsEveryVerb(ByteView(data, size));
    return 0;
}
