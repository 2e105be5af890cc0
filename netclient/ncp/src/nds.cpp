#include "ncp/nds.h"

#include "ncp/nds_verbs.h"

#include <algorithm>

namespace nw::ncp::nds {

namespace {

// A reply fragment spends 8 bytes on its length and handle; clients asking for less than this
// cannot be answered.
constexpr std::uint32_t kMinReplyFragment = 16;
constexpr std::size_t kMessageHeader = 12;  // flags, verb, reply buffer size

}  // namespace

std::vector<call::NdsFragment::Request> requestFragments(const Message& message,
                                                         std::uint32_t maxReplyFragment,
                                                         std::size_t pieceSize) {
    pieceSize = std::max<std::size_t>(pieceSize, 16);
    Bytes body;
    Writer w(body);
    w.le32(message.flags);
    w.le32(message.verb);
    w.le32(message.replyBufferSize);
    w.bytes(message.data);

    std::vector<call::NdsFragment::Request> out;
    call::NdsFragment::Request first;
    Writer fw(first.data);
    fw.le32(maxReplyFragment);
    fw.le32(static_cast<std::uint32_t>(body.size()));
    std::size_t taken = std::min(body.size(), pieceSize - 8);
    fw.bytes(ByteView(body).first(taken));
    out.push_back(std::move(first));
    while (taken < body.size()) {
        const std::size_t n = std::min(body.size() - taken, pieceSize);
        call::NdsFragment::Request next;
        next.handle = 0;  // the caller puts in the handle the server answered
        next.data.assign(body.begin() + static_cast<std::ptrdiff_t>(taken),
                         body.begin() + static_cast<std::ptrdiff_t>(taken + n));
        out.push_back(std::move(next));
        taken += n;
    }
    return out;
}

ReplyAssembler::Status ReplyAssembler::add(const call::NdsFragment::Reply& fragment) {
    if (buffer_.size() + fragment.data.size() > maxMessage_ + 4) {
        return Status::Error;
    }
    buffer_.insert(buffer_.end(), fragment.data.begin(), fragment.data.end());
    handle_ = fragment.handle;
    if (handle_ != call::kNoFragmentHandle) {
        return Status::NeedMore;
    }
    Reader r(buffer_);
    completion_ = static_cast<std::int32_t>(r.le32());
    if (!r.ok()) {
        return Status::Error;
    }
    ByteView rest = r.rest();
    data_.assign(rest.begin(), rest.end());
    buffer_.clear();
    return Status::Complete;
}

FragmentServer::Step FragmentServer::onFragment(const call::NdsFragment::Request& fragment) {
    Step step;
    if (fragment.handle == call::kNoFragmentHandle) {
        // A new message; whatever was half received or half sent is dropped.
        request_.clear();
        reply_.clear();
        replyHandle_ = call::kNoFragmentHandle;
        Reader r(fragment.data);
        const std::uint32_t maxReply = r.le32();
        const std::uint32_t size = r.le32();
        if (!r.ok() || size < kMessageHeader || size > maxMessage_ ||
            maxReply < kMinReplyFragment || r.remaining() > size) {
            requestHandle_ = call::kNoFragmentHandle;
            return step;
        }
        maxReplyFragment_ = maxReply;
        requestSize_ = size;
        ByteView rest = r.rest();
        request_.assign(rest.begin(), rest.end());
        requestHandle_ = newHandle();
    } else if (fragment.handle == requestHandle_) {
        if (request_.size() + fragment.data.size() > requestSize_) {
            requestHandle_ = call::kNoFragmentHandle;
            request_.clear();
            return step;
        }
        request_.insert(request_.end(), fragment.data.begin(), fragment.data.end());
    } else if (fragment.handle == replyHandle_) {
        step.kind = Step::Kind::Reply;
        step.reply = nextReplyFragment();
        return step;
    } else {
        return step;
    }

    if (request_.size() < requestSize_) {
        step.kind = Step::Kind::Reply;
        step.reply.handle = requestHandle_;
        return step;
    }
    Reader r(request_);
    step.message.flags = r.le32();
    step.message.verb = r.le32();
    step.message.replyBufferSize = r.le32();
    ByteView data = r.rest();
    step.message.data.assign(data.begin(), data.end());
    step.kind = Step::Kind::Message;
    request_.clear();
    requestHandle_ = call::kNoFragmentHandle;
    return step;
}

call::NdsFragment::Reply FragmentServer::answer(std::int32_t completion, ByteView data) {
    reply_.clear();
    Writer w(reply_);
    w.le32(static_cast<std::uint32_t>(completion));
    w.bytes(data);
    replySent_ = 0;
    return nextReplyFragment();
}

call::NdsFragment::Reply FragmentServer::nextReplyFragment() {
    call::NdsFragment::Reply out;
    const std::size_t room = std::max<std::uint32_t>(maxReplyFragment_, kMinReplyFragment) - 8;
    const std::size_t n = std::min(room, reply_.size() - replySent_);
    out.data.assign(reply_.begin() + static_cast<std::ptrdiff_t>(replySent_),
                    reply_.begin() + static_cast<std::ptrdiff_t>(replySent_ + n));
    replySent_ += n;
    if (replySent_ < reply_.size()) {
        replyHandle_ = newHandle();
        out.handle = replyHandle_;
    } else {
        reply_.clear();
        replySent_ = 0;
        replyHandle_ = call::kNoFragmentHandle;
    }
    return out;
}

void FragmentServer::close(std::uint32_t handle) {
    if (handle == requestHandle_) {
        request_.clear();
        requestHandle_ = call::kNoFragmentHandle;
    }
    if (handle == replyHandle_) {
        reply_.clear();
        replySent_ = 0;
        replyHandle_ = call::kNoFragmentHandle;
    }
}

Bytes stringValue(const std::string& utf8) {
    Bytes out;
    if (!utf8ToUtf16Le(utf8, out)) {
        out.clear();
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

bool stringOfValue(const Bytes& value, std::string& utf8) {
    std::size_t end = value.size();
    while (end >= 2 && value[end - 1] == 0 && value[end - 2] == 0) {
        end -= 2;
    }
    return utf16LeToUtf8(ByteView(value).first(end), utf8) && utf8.find('\0') == std::string::npos;
}

std::optional<VerbResult> exchangeMessage(const Message& message, const FragmentSender& send,
                                          std::uint32_t maxReplyFragment, std::size_t pieceSize,
                                          std::size_t maxReply) {
    std::vector<call::NdsFragment::Request> pieces =
        requestFragments(message, maxReplyFragment, pieceSize);
    std::optional<call::NdsFragment::Reply> reply;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            // Until the request is complete each answer is an empty fragment with a handle.
            if (!reply->data.empty() || reply->handle == call::kNoFragmentHandle) {
                return std::nullopt;
            }
            pieces[i].handle = reply->handle;
        }
        reply = send(pieces[i]);
        if (!reply) {
            return std::nullopt;
        }
    }
    ReplyAssembler assembler(maxReply);
    // Bounded by maxReply: every further fragment must bring bytes.
    for (;;) {
        const ReplyAssembler::Status status = assembler.add(*reply);
        if (status == ReplyAssembler::Status::Complete) {
            return VerbResult{assembler.completion(), assembler.data()};
        }
        if (status == ReplyAssembler::Status::Error || reply->data.empty()) {
            return std::nullopt;
        }
        reply = send({assembler.nextHandle(), {}});
        if (!reply) {
            return std::nullopt;
        }
    }
}

}  // namespace nw::ncp::nds
