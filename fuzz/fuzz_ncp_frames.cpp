// Fuzzes the NCP frame reader and the header parsers: the input is a TCP byte stream (requests
// when the first byte is even, replies when odd) fed in pieces whose sizes come from the input.
// Every frame handed out must be consistent with its length; nothing may read outside the input.
#include <cstddef>
#include <cstdint>

#include "ncp/frame.h"
#include "ncp/header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nw::ncp;
    if (size < 2) {
        return 0;
    }
    const bool requests = (data[0] & 1) == 0;
    const bool isSigned = (data[0] & 2) != 0;
    const std::size_t piece = 1 + data[1] % 64;
    FrameReader reader(requests ? Direction::Requests : Direction::Replies, 4096);
    reader.setSigned(isSigned);
    const ByteView stream(data + 2, size - 2);
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        reader.feed(stream.subspan(at, std::min(piece, stream.size() - at)));
        Frame f;
        FrameReader::Result r;
        while ((r = reader.next(f)) == FrameReader::Result::Frame) {
            const std::size_t header = (requests ? kRequestFrameHeader : kReplyFrameHeader) +
                                       (isSigned ? kSignatureSize : 0);
            if (f.length > 4096 || f.message.size() + header != f.length ||
                f.signature.has_value() != isSigned) {
                __builtin_trap();
            }
            if (requests) {
                ParsedRequest p = parseRequest(f.message);
                if (p.error == ParseError::None &&
                    (p.data.data() < f.message.data() ||
                     p.data.data() + p.data.size() > f.message.data() + f.message.size())) {
                    __builtin_trap();
                }
            } else {
                (void)parseReply(f.message);
            }
        }
        if (r != FrameReader::Result::NeedMore) {
            return 0;
        }
    }
    return 0;
}
