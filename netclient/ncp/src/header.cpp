#include "ncp/header.h"

namespace nw::ncp {

ReplyHeader replyTo(const RequestHeader& request, std::uint8_t completion,
                    std::uint8_t connStatus) {
    ReplyHeader h;
    h.sequence = request.sequence;
    h.connection = request.connection;
    h.task = request.task;
    h.completion = completion;
    h.status = connStatus;
    return h;
}

namespace {

void putConnectionHeader(Writer& w, std::uint16_t type, std::uint8_t sequence,
                         std::uint16_t connection, std::uint8_t task) {
    w.be16(type);
    w.u8(sequence);
    w.u8(static_cast<std::uint8_t>(connection & 0xFF));
    w.u8(task);
    w.u8(static_cast<std::uint8_t>(connection >> 8));
}

}  // namespace

Bytes encodeRequest(const RequestHeader& h, ByteView data) {
    Bytes out;
    out.reserve(10 + data.size());
    Writer w(out);
    putConnectionHeader(w, h.type, h.sequence, h.connection, h.task);
    if (h.type != type::kRequest) {
        w.bytes(data);
        return out;
    }
    w.u8(h.function);
    switch (formOf(h.function)) {
        case Form::Plain:
            break;
        case Form::LengthWord:
            // A message longer than the length word can count cannot be expressed; the frame
            // size limits keep every real request far below it.
            w.be16(static_cast<std::uint16_t>(1 + data.size()));
            w.u8(h.subfunction);
            break;
        case Form::NoLength:
            w.u8(h.subfunction);
            break;
    }
    w.bytes(data);
    return out;
}

Bytes encodeReply(const ReplyHeader& h, ByteView data) {
    Bytes out;
    out.reserve(8 + data.size());
    Writer w(out);
    putConnectionHeader(w, h.type, h.sequence, h.connection, h.task);
    w.u8(h.completion);
    w.u8(h.status);
    w.bytes(data);
    return out;
}

ParsedRequest parseRequest(ByteView message) {
    ParsedRequest p;
    Reader r(message);
    p.header.type = r.be16();
    p.header.sequence = r.u8();
    const std::uint8_t low = r.u8();
    p.header.task = r.u8();
    const std::uint8_t high = r.u8();
    p.header.connection = static_cast<std::uint16_t>(low | (high << 8));
    if (!r.ok()) {
        p.error = ParseError::TooShort;
        return p;
    }
    if (p.header.type == type::kCreateConnection || p.header.type == type::kDestroyConnection) {
        p.data = r.rest();
        return p;
    }
    if (p.header.type != type::kRequest) {
        p.error = ParseError::UnknownType;
        return p;
    }
    p.header.function = r.u8();
    switch (formOf(p.header.function)) {
        case Form::Plain:
            break;
        case Form::LengthWord: {
            const std::uint16_t length = r.be16();
            if (r.ok() && (length == 0 || length > r.remaining())) {
                p.error = ParseError::BadLengthWord;
                return p;
            }
            p.header.subfunction = r.u8();
            if (r.ok()) {
                p.data = r.take(length - 1u);
            }
            break;
        }
        case Form::NoLength:
            p.header.subfunction = r.u8();
            break;
    }
    if (!r.ok()) {
        p.error = ParseError::TooShort;
        return p;
    }
    if (formOf(p.header.function) != Form::LengthWord) {
        p.data = r.rest();
    }
    return p;
}

ParsedReply parseReply(ByteView message) {
    ParsedReply p;
    Reader r(message);
    p.header.type = r.be16();
    p.header.sequence = r.u8();
    const std::uint8_t low = r.u8();
    p.header.task = r.u8();
    const std::uint8_t high = r.u8();
    p.header.connection = static_cast<std::uint16_t>(low | (high << 8));
    p.header.completion = r.u8();
    p.header.status = r.u8();
    if (!r.ok()) {
        p.error = ParseError::TooShort;
        return p;
    }
    if (p.header.type != type::kReply && p.header.type != type::kBusy) {
        p.error = ParseError::UnknownType;
        return p;
    }
    p.data = r.rest();
    return p;
}

}  // namespace nw::ncp
